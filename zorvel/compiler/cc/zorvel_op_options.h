#ifndef ZORVEL_COMPILER_CC_ZORVEL_OP_OPTIONS_H_
#define ZORVEL_COMPILER_CC_ZORVEL_OP_OPTIONS_H_

// Per-op option reads (host entries 38-126), one function per entry, named after the entry:
//   Expected<int32_t> stride_w = compiler::GetConv2dStrideWOption(op);
// Each applies to ops of one code; the host fails it for an op of another code. Enumerations
// (activation, padding, weights format) come back as the host's 32-bit value, of which only the
// low byte is meaningful; flags are the host's byte, non-zero = true. A non-zero host status
// becomes an error with that status; a missing table or entry gives status 6 instead of a call
// through a null pointer.

#include <cstdint>
#include <string_view>

#include "absl/types/span.h"
#include "flatbuffers/flexbuffers.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/cc/internal/zorvel_detail.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/compiler/cc/zorvel_model.h"

#define ZORVEL_INTERNAL_OP_OPTION(function, entry, type)                                          \
  inline ::zorvel::Expected<type> function(const ::zorvel::Op& op) {                              \
    type value{};                                                                                 \
    ZORVEL_RETURN_IF_ERROR(                                                                       \
        ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, op.Api(), entry, op.Get(), &value)); \
    return value;                                                                                 \
  }

// Flags are one byte, 0 for false and anything else for true. The byte is read as a byte and
// never loaded as a bool, which would be invalid for any value but 0 and 1.
#define ZORVEL_INTERNAL_FLAG_OPTION(function, entry)                                             \
  inline ::zorvel::Expected<bool> function(const ::zorvel::Op& op) {                             \
    uint8_t value = 0;                                                                           \
    ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, op.Api(), entry, \
                                            op.Get(), reinterpret_cast<bool*>(&value)));         \
    return value != 0;                                                                           \
  }

namespace zorvel {
namespace compiler {

ZORVEL_INTERNAL_OP_OPTION(GetStridedSliceBeginMaskOption, get_strided_slice_begin_mask_option,
                          int32_t)  // 38
ZORVEL_INTERNAL_OP_OPTION(GetStridedSliceEndMaskOption, get_strided_slice_end_mask_option,
                          int32_t)  // 39
ZORVEL_INTERNAL_OP_OPTION(GetStridedSliceShrinkAxisMaskOption,
                          get_strided_slice_shrink_axis_mask_option, int32_t)  // 40
ZORVEL_INTERNAL_OP_OPTION(GetStridedSliceEllipsisMaskOption, get_strided_slice_ellipsis_mask_option,
                          int32_t)  // 41
ZORVEL_INTERNAL_OP_OPTION(GetStridedSliceNewAxisMaskOption, get_strided_slice_new_axis_mask_option,
                          int32_t)  // 42
ZORVEL_INTERNAL_OP_OPTION(GetSubFusedActivationOption, get_sub_fused_activation_option,
                          uint32_t)                                                     // 44
ZORVEL_INTERNAL_FLAG_OPTION(GetSumKeepDimsOption, get_sum_keep_dims_option)             // 45
ZORVEL_INTERNAL_OP_OPTION(GetConv2dPaddingOption, get_conv2d_padding_option, uint32_t)  // 46
ZORVEL_INTERNAL_OP_OPTION(GetConv2dStrideWOption, get_conv2d_stride_w_option, int32_t)  // 47
ZORVEL_INTERNAL_OP_OPTION(GetConv2dStrideHOption, get_conv2d_stride_h_option, int32_t)  // 48
ZORVEL_INTERNAL_OP_OPTION(GetConv2dFusedActivationOption, get_conv2d_fused_activation_option,
                          uint32_t)  // 49
ZORVEL_INTERNAL_OP_OPTION(GetConv2dDilationWFactorOption, get_conv2d_dilation_w_factor_option,
                          int32_t)  // 50
ZORVEL_INTERNAL_OP_OPTION(GetConv2dDilationHFactorOption, get_conv2d_dilation_h_factor_option,
                          int32_t)  // 51
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dPaddingOption, get_depthwise_conv2d_padding_option,
                          uint32_t)  // 52
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dStrideWOption, get_depthwise_conv2d_stride_w_option,
                          int32_t)  // 53
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dStrideHOption, get_depthwise_conv2d_stride_h_option,
                          int32_t)  // 54
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dDepthMultiplierOption,
                          get_depthwise_conv2d_depth_multiplier_option, int32_t)  // 55
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dFusedActivationOption,
                          get_depthwise_conv2d_fused_activation_option, uint32_t)  // 56
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dDilationWFactorOption,
                          get_depthwise_conv2d_dilation_w_factor_option, int32_t)  // 57
ZORVEL_INTERNAL_OP_OPTION(GetDepthwiseConv2dDilationHFactorOption,
                          get_depthwise_conv2d_dilation_h_factor_option, int32_t)  // 58
ZORVEL_INTERNAL_OP_OPTION(GetTransposeConvPaddingOption, get_transpose_conv_padding_option,
                          uint32_t)  // 59
ZORVEL_INTERNAL_OP_OPTION(GetTransposeConvStrideWOption, get_transpose_conv_stride_w_option,
                          int32_t)  // 60
ZORVEL_INTERNAL_OP_OPTION(GetTransposeConvStrideHOption, get_transpose_conv_stride_h_option,
                          int32_t)  // 61
ZORVEL_INTERNAL_OP_OPTION(GetTransposeConvFusedActivationOption,
                          get_transpose_conv_fused_activation_option, uint32_t)  // 62
ZORVEL_INTERNAL_OP_OPTION(GetAddFusedActivationOption, get_add_fused_activation_option,
                          uint32_t)  // 63
ZORVEL_INTERNAL_OP_OPTION(GetMulFusedActivationOption, get_mul_fused_activation_option,
                          uint32_t)  // 64
ZORVEL_INTERNAL_OP_OPTION(GetDivFusedActivationOption, get_div_fused_activation_option,
                          uint32_t)  // 65
ZORVEL_INTERNAL_OP_OPTION(GetFullyConnectedFusedActivationOption,
                          get_fully_connected_fused_activation_option, uint32_t)  // 66
ZORVEL_INTERNAL_OP_OPTION(GetFullyConnectedWeightsFormatOption,
                          get_fully_connected_weights_format_option, uint32_t)  // 67
ZORVEL_INTERNAL_FLAG_OPTION(GetFullyConnectedKeepNumDimsOption,
                            get_fully_connected_keep_num_dims_option)                          // 68
ZORVEL_INTERNAL_OP_OPTION(GetSoftmaxBetaOption, get_softmax_beta_option, float)                // 71
ZORVEL_INTERNAL_OP_OPTION(GetConcatenationAxisOption, get_concatenation_axis_option, int32_t)  // 72
ZORVEL_INTERNAL_OP_OPTION(GetSplitNumSplitsOption, get_split_num_splits_option, int32_t)       // 74
ZORVEL_INTERNAL_FLAG_OPTION(GetMeanKeepDimsOption, get_mean_keep_dims_option)                  // 75
ZORVEL_INTERNAL_FLAG_OPTION(GetReduceMaxKeepDimsOption, get_reduce_max_keep_dims_option)       // 76
ZORVEL_INTERNAL_FLAG_OPTION(GetResizeBilinearAlignCornersOption,
                            get_resize_bilinear_align_corners_option)  // 77
ZORVEL_INTERNAL_FLAG_OPTION(GetResizeBilinearHalfPixelCentersOption,
                            get_resize_bilinear_half_pixel_centers_option)  // 78
ZORVEL_INTERNAL_FLAG_OPTION(GetResizeNearestNeighborAlignCornersOption,
                            get_resize_nearest_neighbor_align_corners_option)  // 79
ZORVEL_INTERNAL_FLAG_OPTION(GetResizeNearestNeighborHalfPixelCentersOption,
                            get_resize_nearest_neighbor_half_pixel_centers_option)    // 80
ZORVEL_INTERNAL_FLAG_OPTION(GetBatchMatmulAdjXOption, get_batch_matmul_adj_x_option)  // 81
ZORVEL_INTERNAL_FLAG_OPTION(GetBatchMatmulAdjYOption, get_batch_matmul_adj_y_option)  // 82
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dPaddingOption, get_average_pool2d_padding_option,
                          uint32_t)  // 84
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dStrideWOption, get_average_pool2d_stride_w_option,
                          int32_t)  // 85
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dStrideHOption, get_average_pool2d_stride_h_option,
                          int32_t)  // 86
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dFilterWidthOption, get_average_pool2d_filter_width_option,
                          int32_t)  // 87
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dFilterHeightOption,
                          get_average_pool2d_filter_height_option, int32_t)  // 88
ZORVEL_INTERNAL_OP_OPTION(GetAveragePool2dFusedActivationOption,
                          get_average_pool2d_fused_activation_option, uint32_t)                // 89
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dPaddingOption, get_max_pool2d_padding_option, uint32_t)  // 90
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dStrideWOption, get_max_pool2d_stride_w_option, int32_t)  // 91
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dStrideHOption, get_max_pool2d_stride_h_option, int32_t)  // 92
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dFilterWidthOption, get_max_pool2d_filter_width_option,
                          int32_t)  // 93
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dFilterHeightOption, get_max_pool2d_filter_height_option,
                          int32_t)  // 94
ZORVEL_INTERNAL_OP_OPTION(GetMaxPool2dFusedActivationOption, get_max_pool2d_fused_activation_option,
                          uint32_t)                                                         // 95
ZORVEL_INTERNAL_OP_OPTION(GetLeakyReluAlphaOption, get_leaky_relu_alpha_option, float)      // 96
ZORVEL_INTERNAL_FLAG_OPTION(GetReduceAnyKeepDimsOption, get_reduce_any_keep_dims_option)    // 99
ZORVEL_INTERNAL_FLAG_OPTION(GetReduceAllKeepDimsOption, get_reduce_all_keep_dims_option)    // 100
ZORVEL_INTERNAL_OP_OPTION(GetPackAxisOption, get_pack_axis_option, int32_t)                 // 101
ZORVEL_INTERNAL_OP_OPTION(GetUnpackAxisOption, get_unpack_axis_option, int32_t)             // 104
ZORVEL_INTERNAL_OP_OPTION(GetUnpackNumOption, get_unpack_num_option, int32_t)               // 105
ZORVEL_INTERNAL_OP_OPTION(GetGatherAxisOption, get_gather_axis_option, int32_t)             // 106
ZORVEL_INTERNAL_OP_OPTION(GetGatherBatchDimsOption, get_gather_batch_dims_option, int32_t)  // 107
ZORVEL_INTERNAL_OP_OPTION(GetConv3dPaddingOption, get_conv3d_padding_option, uint32_t)      // 108
ZORVEL_INTERNAL_OP_OPTION(GetConv3dStrideDOption, get_conv3d_stride_d_option, int32_t)      // 109
ZORVEL_INTERNAL_OP_OPTION(GetConv3dStrideWOption, get_conv3d_stride_w_option, int32_t)      // 110
ZORVEL_INTERNAL_OP_OPTION(GetConv3dStrideHOption, get_conv3d_stride_h_option, int32_t)      // 111
ZORVEL_INTERNAL_OP_OPTION(GetConv3dFusedActivationOption, get_conv3d_fused_activation_option,
                          uint32_t)  // 112
ZORVEL_INTERNAL_OP_OPTION(GetConv3dDilationDFactorOption, get_conv3d_dilation_d_factor_option,
                          int32_t)  // 113
ZORVEL_INTERNAL_OP_OPTION(GetConv3dDilationWFactorOption, get_conv3d_dilation_w_factor_option,
                          int32_t)  // 114
ZORVEL_INTERNAL_OP_OPTION(GetConv3dDilationHFactorOption, get_conv3d_dilation_h_factor_option,
                          int32_t)  // 115
ZORVEL_INTERNAL_OP_OPTION(GetDepthToSpaceBlockSizeOption, get_depth_to_space_block_size_option,
                          int32_t)                                                  // 122
ZORVEL_INTERNAL_FLAG_OPTION(GetCumsumExclusiveOption, get_cumsum_exclusive_option)  // 124
ZORVEL_INTERNAL_FLAG_OPTION(GetCumsumReverseOption, get_cumsum_reverse_option)      // 125
ZORVEL_INTERNAL_FLAG_OPTION(GetGeluApproximateOption, get_gelu_approximate_option)  // 126

// Entry 97 (RESHAPE): the host's new-shape values. A null pointer with count 0 is the empty list;
// a negative count, or a null pointer with a positive count, is malformed (status 1).
inline Expected<absl::Span<const int32_t>> GetReshapeNewShapeOption(const Op& op) {
  const int32_t* values = nullptr;
  int32_t count = 0;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, op.Api(),
                                          get_reshape_new_shape_option, op.Get(), &values, &count));
  if (count < 0 || (values == nullptr && count > 0)) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Malformed new_shape option");
  }
  if (count == 0) return absl::Span<const int32_t>();
  return absl::Span<const int32_t>(values, static_cast<size_t>(count));
}

// Options record of an op, filled from the host.
class OpOptions {
 public:
  virtual ~OpOptions() = default;
  virtual Expected<void> InitFromOp(const Op& op) = 0;
};

// The options of a composite op (code 206), read through entries 9 and 29-32. Views point into
// host memory, valid for the whole call that handed out the op.
class CompositeOptions : public OpOptions {
 public:
  // Fails with 3 when the table or one of entries 9, 29-32 is missing, with the host's status
  // when a read fails, and with 1 for an op that is not a composite, a negative attribute size or
  // attribute bytes that are not a well-formed FlexBuffers map.
  Expected<void> InitFromOp(const Op& op) override;

  ZorvelOp op = nullptr;
  int32_t subgraph_field = 0;
  std::string_view name;
  int32_t version_field = 0;
  // The map at the root of the attribute bytes; meaningful only with `has_attributes`.
  flexbuffers::Map attributes = flexbuffers::Map::EmptyMap();
  const uint8_t* attribute_data = nullptr;
  int32_t attribute_size = 0;
  bool has_attributes = false;
};

Expected<CompositeOptions> GetCompositeOptions(const Op& op);

}  // namespace compiler
}  // namespace zorvel

#undef ZORVEL_INTERNAL_OP_OPTION
#undef ZORVEL_INTERNAL_FLAG_OPTION

#endif  // ZORVEL_COMPILER_CC_ZORVEL_OP_OPTIONS_H_
