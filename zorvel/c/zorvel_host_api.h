#ifndef ZORVEL_C_ZORVEL_HOST_API_H_
#define ZORVEL_C_ZORVEL_HOST_API_H_

// The host runtime's API table as a compiler plug-in sees it: plain C function pointers through
// which the plug-in reads models, subgraphs, ops, tensors, weights, options and the environment.
//
// Layout: an 8-byte header (u16 size of the whole table in bytes, u16 version, 4 reserved bytes),
// then entry k at byte offset 8 * k. Every entry returns a ZorvelStatus (kZorvelStatusOk on
// success) and writes its results through out-pointers. An entry may be null when the host does
// not offer it. Slots named reserved_<k> are entries a plug-in never calls; they keep the offsets.

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "zorvel/c/zorvel_common.h"
#include "zorvel/c/zorvel_element_type.h"
#include "zorvel/c/zorvel_model_types.h"
#include "zorvel/c/zorvel_op_code.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZORVEL_HOST_API_VERSION 1

// Per-op option entries (38-126), by the kind of value they write. Each applies to one op code and
// fails for an op of another code.
// Activation, padding and other enumerations: only the low byte is meaningful.
typedef ZorvelStatus (*ZorvelGetActivationOptionFn)(ZorvelOp op, uint32_t* activation);
typedef ZorvelStatus (*ZorvelGetPaddingOptionFn)(ZorvelOp op, uint32_t* padding);
typedef ZorvelStatus (*ZorvelGetEnumOptionFn)(ZorvelOp op, uint32_t* value);
typedef ZorvelStatus (*ZorvelGetIntOptionFn)(ZorvelOp op, int32_t* value);
typedef ZorvelStatus (*ZorvelGetFlagOptionFn)(ZorvelOp op, bool* value);
typedef ZorvelStatus (*ZorvelGetRealOptionFn)(ZorvelOp op, float* value);

typedef struct HostApiTableHeader {
  uint16_t size;  // sizeof(HostApiTable) for a table built against this header
  uint16_t version;
  uint8_t reserved[4];
} HostApiTableHeader;

typedef struct HostApiTable {
  HostApiTableHeader header;
  // 1: Number of subgraphs of the model.
  ZorvelStatus (*get_num_model_subgraphs)(ZorvelModel model, uint64_t* num_subgraphs);
  // 2: Subgraph by index.
  ZorvelStatus (*get_model_subgraph)(ZorvelModel model, uint64_t subgraph_index,
                                     ZorvelSubgraph* subgraph);
  // 3: Number of ops; ops come in execution order.
  ZorvelStatus (*get_num_subgraph_ops)(ZorvelSubgraph subgraph, uint64_t* num_ops);
  // 4: Op by execution index.
  ZorvelStatus (*get_subgraph_op)(ZorvelSubgraph subgraph, uint64_t op_index, ZorvelOp* op);
  // 5: Number of subgraph inputs.
  ZorvelStatus (*get_num_subgraph_inputs)(ZorvelSubgraph subgraph, uint64_t* num_inputs);
  // 6: Subgraph input by index.
  ZorvelStatus (*get_subgraph_input)(ZorvelSubgraph subgraph, uint64_t input_index,
                                     ZorvelTensor* input);
  // 7: Number of subgraph outputs.
  ZorvelStatus (*get_num_subgraph_outputs)(ZorvelSubgraph subgraph, uint64_t* num_outputs);
  // 8: Subgraph output by index.
  ZorvelStatus (*get_subgraph_output)(ZorvelSubgraph subgraph, uint64_t output_index,
                                      ZorvelTensor* output);
  // 9: Op code (ZorvelOpCode).
  ZorvelStatus (*get_op_code)(ZorvelOp op, ZorvelOpCode* op_code);
  void* reserved_10;  // 10
  // 11: Number of op inputs; operands come in operand order.
  ZorvelStatus (*get_num_op_inputs)(ZorvelOp op, uint64_t* num_inputs);
  // 12: Op input by operand index.
  ZorvelStatus (*get_op_input)(ZorvelOp op, uint64_t input_index, ZorvelTensor* input);
  // 13: Number of op outputs.
  ZorvelStatus (*get_num_op_outputs)(ZorvelOp op, uint64_t* num_outputs);
  // 14: Op output by index.
  ZorvelStatus (*get_op_output)(ZorvelOp op, uint64_t output_index, ZorvelTensor* output);
  // 15: Name, NUL-terminated and possibly empty; owned by the host.
  ZorvelStatus (*get_tensor_name)(ZorvelTensor tensor, const char** name);
  // 16: Index of the tensor in its subgraph.
  ZorvelStatus (*get_tensor_index)(ZorvelTensor tensor, uint32_t* tensor_index);
  void* reserved_17;  // 17
  // 18: Ranked type; fails for an unranked tensor.
  ZorvelStatus (*get_ranked_tensor_type)(ZorvelTensor tensor,
                                         ZorvelRankedTensorType* ranked_tensor_type);
  // 19: Element type of any tensor; the only type an unranked tensor has.
  ZorvelStatus (*get_unranked_tensor_type)(ZorvelTensor tensor, ZorvelElementType* element_type);
  // 20: Quantization kind: none, per tensor or per channel.
  ZorvelStatus (*get_quantization_type_id)(ZorvelTensor tensor,
                                           ZorvelQuantizationTypeId* quantization_type_id);
  // 21: Fails unless the tensor is quantized per tensor.
  ZorvelStatus (*get_per_tensor_quantization)(ZorvelTensor tensor,
                                              ZorvelQuantizationPerTensor* per_tensor_quantization);
  // 22: Fails unless the tensor is quantized per channel; the arrays belong to the host.
  ZorvelStatus (*get_per_channel_quantization)(
      ZorvelTensor tensor, ZorvelQuantizationPerChannel* per_channel_quantization);
  void* reserved_23;  // 23
  void* reserved_24;  // 24
  // 25: Whether an op produces the tensor, and which.
  ZorvelStatus (*get_tensor_defining_op)(ZorvelTensor tensor, bool* has_defining_op,
                                         ZorvelTensorDefiningOp* defining_op);
  // 26: Every tensor has a weights handle; it is empty unless the tensor is a constant.
  ZorvelStatus (*get_tensor_weights)(ZorvelTensor tensor, ZorvelWeights* weights);
  // 27: Buffer identifier; negative when the weights have no buffer.
  ZorvelStatus (*get_weights_buffer_id)(ZorvelWeights weights, int32_t* buffer_id);
  // 28: Bytes, owned by the host; non-empty exactly for constant tensors.
  ZorvelStatus (*get_weights_bytes)(ZorvelWeights weights, const void** data, size_t* size);
  // 29: Composite ops (code 206) only: the composite name.
  ZorvelStatus (*get_composite_op_name)(ZorvelOp op, const char** name);
  // 30: Composite ops only: integer field, kept uninterpreted.
  ZorvelStatus (*get_composite_op_decomposition_subgraph_index)(ZorvelOp op,
                                                                int32_t* subgraph_index);
  // 31: Composite ops only: attributes, a FlexBuffers map, or no bytes.
  ZorvelStatus (*get_composite_op_attributes)(ZorvelOp op, const uint8_t** attributes,
                                              int32_t* attributes_size);
  // 32: Composite ops only: integer field, kept uninterpreted.
  ZorvelStatus (*get_composite_op_version)(ZorvelOp op, int32_t* version);
  // 33: Partitioning: records that the plug-in takes `op` into the given partition.
  ZorvelStatus (*add_selected_op)(ZorvelSelectedOps selected_ops, ZorvelOp op,
                                  int32_t partition_index);
  // 34: The vendor (opaque) options of an options object.
  ZorvelStatus (*get_opaque_options)(ZorvelOptions options, ZorvelOpaqueOptions* opaque_options);
  // 35: Payload of the entry with `identifier`; kZorvelStatusErrorNotFound when there is none.
  ZorvelStatus (*find_opaque_options_data)(ZorvelOpaqueOptions opaque_options,
                                           const char* identifier, void** payload);
  // 36: Adds (or replaces) an entry; the host takes over `payload` and frees it with
  // `payload_deleter`.
  ZorvelStatus (*append_opaque_options)(ZorvelOpaqueOptions opaque_options, const char* identifier,
                                        void* payload, void (*payload_deleter)(void*));
  // 37: Environment option by tag; kZorvelStatusErrorNotFound when the environment has none.
  ZorvelStatus (*get_environment_option)(ZorvelEnvironment environment, ZorvelEnvOptionTag tag,
                                         ZorvelAny* value);

  // Per-op options (entry number on the right), each for one op code. The plug-in checks each
  // for null before calling it: a missing entry is a failed read of that option.
  ZorvelGetIntOptionFn get_strided_slice_begin_mask_option;                     // 38
  ZorvelGetIntOptionFn get_strided_slice_end_mask_option;                       // 39
  ZorvelGetIntOptionFn get_strided_slice_shrink_axis_mask_option;               // 40
  ZorvelGetIntOptionFn get_strided_slice_ellipsis_mask_option;                  // 41
  ZorvelGetIntOptionFn get_strided_slice_new_axis_mask_option;                  // 42
  void* reserved_43;                                                            // 43
  ZorvelGetActivationOptionFn get_sub_fused_activation_option;                  // 44
  ZorvelGetFlagOptionFn get_sum_keep_dims_option;                               // 45
  ZorvelGetPaddingOptionFn get_conv2d_padding_option;                           // 46
  ZorvelGetIntOptionFn get_conv2d_stride_w_option;                              // 47
  ZorvelGetIntOptionFn get_conv2d_stride_h_option;                              // 48
  ZorvelGetActivationOptionFn get_conv2d_fused_activation_option;               // 49
  ZorvelGetIntOptionFn get_conv2d_dilation_w_factor_option;                     // 50
  ZorvelGetIntOptionFn get_conv2d_dilation_h_factor_option;                     // 51
  ZorvelGetPaddingOptionFn get_depthwise_conv2d_padding_option;                 // 52
  ZorvelGetIntOptionFn get_depthwise_conv2d_stride_w_option;                    // 53
  ZorvelGetIntOptionFn get_depthwise_conv2d_stride_h_option;                    // 54
  ZorvelGetIntOptionFn get_depthwise_conv2d_depth_multiplier_option;            // 55
  ZorvelGetActivationOptionFn get_depthwise_conv2d_fused_activation_option;     // 56
  ZorvelGetIntOptionFn get_depthwise_conv2d_dilation_w_factor_option;           // 57
  ZorvelGetIntOptionFn get_depthwise_conv2d_dilation_h_factor_option;           // 58
  ZorvelGetPaddingOptionFn get_transpose_conv_padding_option;                   // 59
  ZorvelGetIntOptionFn get_transpose_conv_stride_w_option;                      // 60
  ZorvelGetIntOptionFn get_transpose_conv_stride_h_option;                      // 61
  ZorvelGetActivationOptionFn get_transpose_conv_fused_activation_option;       // 62
  ZorvelGetActivationOptionFn get_add_fused_activation_option;                  // 63
  ZorvelGetActivationOptionFn get_mul_fused_activation_option;                  // 64
  ZorvelGetActivationOptionFn get_div_fused_activation_option;                  // 65
  ZorvelGetActivationOptionFn get_fully_connected_fused_activation_option;      // 66
  ZorvelGetEnumOptionFn get_fully_connected_weights_format_option;              // 67
  ZorvelGetFlagOptionFn get_fully_connected_keep_num_dims_option;               // 68
  void* reserved_69;                                                            // 69
  void* reserved_70;                                                            // 70
  ZorvelGetRealOptionFn get_softmax_beta_option;                                // 71
  ZorvelGetIntOptionFn get_concatenation_axis_option;                           // 72
  void* reserved_73;                                                            // 73
  ZorvelGetIntOptionFn get_split_num_splits_option;                             // 74
  ZorvelGetFlagOptionFn get_mean_keep_dims_option;                              // 75
  ZorvelGetFlagOptionFn get_reduce_max_keep_dims_option;                        // 76
  ZorvelGetFlagOptionFn get_resize_bilinear_align_corners_option;               // 77
  ZorvelGetFlagOptionFn get_resize_bilinear_half_pixel_centers_option;          // 78
  ZorvelGetFlagOptionFn get_resize_nearest_neighbor_align_corners_option;       // 79
  ZorvelGetFlagOptionFn get_resize_nearest_neighbor_half_pixel_centers_option;  // 80
  ZorvelGetFlagOptionFn get_batch_matmul_adj_x_option;                          // 81
  ZorvelGetFlagOptionFn get_batch_matmul_adj_y_option;                          // 82
  void* reserved_83;                                                            // 83
  ZorvelGetPaddingOptionFn get_average_pool2d_padding_option;                   // 84
  ZorvelGetIntOptionFn get_average_pool2d_stride_w_option;                      // 85
  ZorvelGetIntOptionFn get_average_pool2d_stride_h_option;                      // 86
  ZorvelGetIntOptionFn get_average_pool2d_filter_width_option;                  // 87
  ZorvelGetIntOptionFn get_average_pool2d_filter_height_option;                 // 88
  ZorvelGetActivationOptionFn get_average_pool2d_fused_activation_option;       // 89
  ZorvelGetPaddingOptionFn get_max_pool2d_padding_option;                       // 90
  ZorvelGetIntOptionFn get_max_pool2d_stride_w_option;                          // 91
  ZorvelGetIntOptionFn get_max_pool2d_stride_h_option;                          // 92
  ZorvelGetIntOptionFn get_max_pool2d_filter_width_option;                      // 93
  ZorvelGetIntOptionFn get_max_pool2d_filter_height_option;                     // 94
  ZorvelGetActivationOptionFn get_max_pool2d_fused_activation_option;           // 95
  ZorvelGetRealOptionFn get_leaky_relu_alpha_option;                            // 96
  // 97: The only vector-valued per-op option: `new_shape_size` values, or a null pointer and 0.
  ZorvelStatus (*get_reshape_new_shape_option)(ZorvelOp op, const int32_t** new_shape,
                                               int32_t* new_shape_size);
  void* reserved_98;                                               // 98
  ZorvelGetFlagOptionFn get_reduce_any_keep_dims_option;           // 99
  ZorvelGetFlagOptionFn get_reduce_all_keep_dims_option;           // 100
  ZorvelGetIntOptionFn get_pack_axis_option;                       // 101
  void* reserved_102;                                              // 102
  void* reserved_103;                                              // 103
  ZorvelGetIntOptionFn get_unpack_axis_option;                     // 104
  ZorvelGetIntOptionFn get_unpack_num_option;                      // 105
  ZorvelGetIntOptionFn get_gather_axis_option;                     // 106
  ZorvelGetIntOptionFn get_gather_batch_dims_option;               // 107
  ZorvelGetPaddingOptionFn get_conv3d_padding_option;              // 108
  ZorvelGetIntOptionFn get_conv3d_stride_d_option;                 // 109
  ZorvelGetIntOptionFn get_conv3d_stride_w_option;                 // 110
  ZorvelGetIntOptionFn get_conv3d_stride_h_option;                 // 111
  ZorvelGetActivationOptionFn get_conv3d_fused_activation_option;  // 112
  ZorvelGetIntOptionFn get_conv3d_dilation_d_factor_option;        // 113
  ZorvelGetIntOptionFn get_conv3d_dilation_w_factor_option;        // 114
  ZorvelGetIntOptionFn get_conv3d_dilation_h_factor_option;        // 115
  void* reserved_116;                                              // 116
  void* reserved_117;                                              // 117
  void* reserved_118;                                              // 118
  void* reserved_119;                                              // 119
  void* reserved_120;                                              // 120
  void* reserved_121;                                              // 121
  ZorvelGetIntOptionFn get_depth_to_space_block_size_option;       // 122
  void* reserved_123;                                              // 123
  ZorvelGetFlagOptionFn get_cumsum_exclusive_option;               // 124
  ZorvelGetFlagOptionFn get_cumsum_reverse_option;                 // 125
  ZorvelGetFlagOptionFn get_gelu_approximate_option;               // 126
  void* reserved_127;                                              // 127
  void* reserved_128;                                              // 128
  void* reserved_129;                                              // 129
  void* reserved_130;                                              // 130
  void* reserved_131;                                              // 131
  void* reserved_132;                                              // 132
  void* reserved_133;                                              // 133
  void* reserved_134;                                              // 134
  void* reserved_135;                                              // 135
  void* reserved_136;                                              // 136
  void* reserved_137;                                              // 137
  // 138: writes composite-op options back to an op; unused by plug-ins.
  void* reserved_138;  // 138
} HostApiTable;

// Number of entry slots after the header.
#define ZORVEL_HOST_API_NUM_ENTRIES 138

#ifdef __cplusplus
}  // extern "C"

#define ZORVEL_HOST_API_ENTRY_AT(field, k)                \
  static_assert(offsetof(HostApiTable, field) == 8 * (k), \
                #field " must be entry " #k " of the host API table")
ZORVEL_HOST_API_ENTRY_AT(get_num_model_subgraphs, 1);
ZORVEL_HOST_API_ENTRY_AT(get_op_code, 9);
ZORVEL_HOST_API_ENTRY_AT(get_ranked_tensor_type, 18);
ZORVEL_HOST_API_ENTRY_AT(get_weights_bytes, 28);
ZORVEL_HOST_API_ENTRY_AT(add_selected_op, 33);
ZORVEL_HOST_API_ENTRY_AT(get_environment_option, 37);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_begin_mask_option, 38);
ZORVEL_HOST_API_ENTRY_AT(get_reshape_new_shape_option, 97);
ZORVEL_HOST_API_ENTRY_AT(get_gelu_approximate_option, 126);
static_assert(sizeof(HostApiTableHeader) == 8, "the table header is 8 bytes");
static_assert(sizeof(HostApiTable) == 8 * (ZORVEL_HOST_API_NUM_ENTRIES + 1),
              "one 8-byte slot per entry after the header");
#endif

#endif  // ZORVEL_C_ZORVEL_HOST_API_H_
