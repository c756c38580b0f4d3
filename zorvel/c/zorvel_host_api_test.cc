#include "zorvel/c/zorvel_host_api.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gtest/gtest.h"

extern "C" {
size_t ZorvelCLayoutSizeOfHostApiTable(void);
size_t ZorvelCLayoutSizeOfRankedTensorType(void);
size_t ZorvelCLayoutSizeOfAny(void);
size_t ZorvelCLayoutSizeOfPerChannel(void);
size_t ZorvelCLayoutOffsetOfEnvironmentOption(void);
size_t ZorvelCLayoutOffsetOfReshapeNewShape(void);
}

namespace {

// Every slot of the table sits at 8 * its entry number.
ZORVEL_HOST_API_ENTRY_AT(get_num_model_subgraphs, 1);
ZORVEL_HOST_API_ENTRY_AT(get_model_subgraph, 2);
ZORVEL_HOST_API_ENTRY_AT(get_num_subgraph_ops, 3);
ZORVEL_HOST_API_ENTRY_AT(get_subgraph_op, 4);
ZORVEL_HOST_API_ENTRY_AT(get_num_subgraph_inputs, 5);
ZORVEL_HOST_API_ENTRY_AT(get_subgraph_input, 6);
ZORVEL_HOST_API_ENTRY_AT(get_num_subgraph_outputs, 7);
ZORVEL_HOST_API_ENTRY_AT(get_subgraph_output, 8);
ZORVEL_HOST_API_ENTRY_AT(get_op_code, 9);
ZORVEL_HOST_API_ENTRY_AT(reserved_10, 10);
ZORVEL_HOST_API_ENTRY_AT(get_num_op_inputs, 11);
ZORVEL_HOST_API_ENTRY_AT(get_op_input, 12);
ZORVEL_HOST_API_ENTRY_AT(get_num_op_outputs, 13);
ZORVEL_HOST_API_ENTRY_AT(get_op_output, 14);
ZORVEL_HOST_API_ENTRY_AT(get_tensor_name, 15);
ZORVEL_HOST_API_ENTRY_AT(get_tensor_index, 16);
ZORVEL_HOST_API_ENTRY_AT(reserved_17, 17);
ZORVEL_HOST_API_ENTRY_AT(get_ranked_tensor_type, 18);
ZORVEL_HOST_API_ENTRY_AT(get_unranked_tensor_type, 19);
ZORVEL_HOST_API_ENTRY_AT(get_quantization_type_id, 20);
ZORVEL_HOST_API_ENTRY_AT(get_per_tensor_quantization, 21);
ZORVEL_HOST_API_ENTRY_AT(get_per_channel_quantization, 22);
ZORVEL_HOST_API_ENTRY_AT(reserved_23, 23);
ZORVEL_HOST_API_ENTRY_AT(reserved_24, 24);
ZORVEL_HOST_API_ENTRY_AT(get_tensor_defining_op, 25);
ZORVEL_HOST_API_ENTRY_AT(get_tensor_weights, 26);
ZORVEL_HOST_API_ENTRY_AT(get_weights_buffer_id, 27);
ZORVEL_HOST_API_ENTRY_AT(get_weights_bytes, 28);
ZORVEL_HOST_API_ENTRY_AT(get_composite_op_name, 29);
ZORVEL_HOST_API_ENTRY_AT(get_composite_op_decomposition_subgraph_index, 30);
ZORVEL_HOST_API_ENTRY_AT(get_composite_op_attributes, 31);
ZORVEL_HOST_API_ENTRY_AT(get_composite_op_version, 32);
ZORVEL_HOST_API_ENTRY_AT(add_selected_op, 33);
ZORVEL_HOST_API_ENTRY_AT(get_opaque_options, 34);
ZORVEL_HOST_API_ENTRY_AT(find_opaque_options_data, 35);
ZORVEL_HOST_API_ENTRY_AT(append_opaque_options, 36);
ZORVEL_HOST_API_ENTRY_AT(get_environment_option, 37);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_begin_mask_option, 38);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_end_mask_option, 39);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_shrink_axis_mask_option, 40);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_ellipsis_mask_option, 41);
ZORVEL_HOST_API_ENTRY_AT(get_strided_slice_new_axis_mask_option, 42);
ZORVEL_HOST_API_ENTRY_AT(reserved_43, 43);
ZORVEL_HOST_API_ENTRY_AT(get_sub_fused_activation_option, 44);
ZORVEL_HOST_API_ENTRY_AT(get_sum_keep_dims_option, 45);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_padding_option, 46);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_stride_w_option, 47);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_stride_h_option, 48);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_fused_activation_option, 49);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_dilation_w_factor_option, 50);
ZORVEL_HOST_API_ENTRY_AT(get_conv2d_dilation_h_factor_option, 51);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_padding_option, 52);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_stride_w_option, 53);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_stride_h_option, 54);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_depth_multiplier_option, 55);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_fused_activation_option, 56);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_dilation_w_factor_option, 57);
ZORVEL_HOST_API_ENTRY_AT(get_depthwise_conv2d_dilation_h_factor_option, 58);
ZORVEL_HOST_API_ENTRY_AT(get_transpose_conv_padding_option, 59);
ZORVEL_HOST_API_ENTRY_AT(get_transpose_conv_stride_w_option, 60);
ZORVEL_HOST_API_ENTRY_AT(get_transpose_conv_stride_h_option, 61);
ZORVEL_HOST_API_ENTRY_AT(get_transpose_conv_fused_activation_option, 62);
ZORVEL_HOST_API_ENTRY_AT(get_add_fused_activation_option, 63);
ZORVEL_HOST_API_ENTRY_AT(get_mul_fused_activation_option, 64);
ZORVEL_HOST_API_ENTRY_AT(get_div_fused_activation_option, 65);
ZORVEL_HOST_API_ENTRY_AT(get_fully_connected_fused_activation_option, 66);
ZORVEL_HOST_API_ENTRY_AT(get_fully_connected_weights_format_option, 67);
ZORVEL_HOST_API_ENTRY_AT(get_fully_connected_keep_num_dims_option, 68);
ZORVEL_HOST_API_ENTRY_AT(reserved_69, 69);
ZORVEL_HOST_API_ENTRY_AT(reserved_70, 70);
ZORVEL_HOST_API_ENTRY_AT(get_softmax_beta_option, 71);
ZORVEL_HOST_API_ENTRY_AT(get_concatenation_axis_option, 72);
ZORVEL_HOST_API_ENTRY_AT(reserved_73, 73);
ZORVEL_HOST_API_ENTRY_AT(get_split_num_splits_option, 74);
ZORVEL_HOST_API_ENTRY_AT(get_mean_keep_dims_option, 75);
ZORVEL_HOST_API_ENTRY_AT(get_reduce_max_keep_dims_option, 76);
ZORVEL_HOST_API_ENTRY_AT(get_resize_bilinear_align_corners_option, 77);
ZORVEL_HOST_API_ENTRY_AT(get_resize_bilinear_half_pixel_centers_option, 78);
ZORVEL_HOST_API_ENTRY_AT(get_resize_nearest_neighbor_align_corners_option, 79);
ZORVEL_HOST_API_ENTRY_AT(get_resize_nearest_neighbor_half_pixel_centers_option, 80);
ZORVEL_HOST_API_ENTRY_AT(get_batch_matmul_adj_x_option, 81);
ZORVEL_HOST_API_ENTRY_AT(get_batch_matmul_adj_y_option, 82);
ZORVEL_HOST_API_ENTRY_AT(reserved_83, 83);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_padding_option, 84);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_stride_w_option, 85);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_stride_h_option, 86);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_filter_width_option, 87);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_filter_height_option, 88);
ZORVEL_HOST_API_ENTRY_AT(get_average_pool2d_fused_activation_option, 89);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_padding_option, 90);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_stride_w_option, 91);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_stride_h_option, 92);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_filter_width_option, 93);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_filter_height_option, 94);
ZORVEL_HOST_API_ENTRY_AT(get_max_pool2d_fused_activation_option, 95);
ZORVEL_HOST_API_ENTRY_AT(get_leaky_relu_alpha_option, 96);
ZORVEL_HOST_API_ENTRY_AT(get_reshape_new_shape_option, 97);
ZORVEL_HOST_API_ENTRY_AT(reserved_98, 98);
ZORVEL_HOST_API_ENTRY_AT(get_reduce_any_keep_dims_option, 99);
ZORVEL_HOST_API_ENTRY_AT(get_reduce_all_keep_dims_option, 100);
ZORVEL_HOST_API_ENTRY_AT(get_pack_axis_option, 101);
ZORVEL_HOST_API_ENTRY_AT(reserved_102, 102);
ZORVEL_HOST_API_ENTRY_AT(reserved_103, 103);
ZORVEL_HOST_API_ENTRY_AT(get_unpack_axis_option, 104);
ZORVEL_HOST_API_ENTRY_AT(get_unpack_num_option, 105);
ZORVEL_HOST_API_ENTRY_AT(get_gather_axis_option, 106);
ZORVEL_HOST_API_ENTRY_AT(get_gather_batch_dims_option, 107);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_padding_option, 108);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_stride_d_option, 109);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_stride_w_option, 110);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_stride_h_option, 111);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_fused_activation_option, 112);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_dilation_d_factor_option, 113);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_dilation_w_factor_option, 114);
ZORVEL_HOST_API_ENTRY_AT(get_conv3d_dilation_h_factor_option, 115);
ZORVEL_HOST_API_ENTRY_AT(reserved_116, 116);
ZORVEL_HOST_API_ENTRY_AT(reserved_117, 117);
ZORVEL_HOST_API_ENTRY_AT(reserved_118, 118);
ZORVEL_HOST_API_ENTRY_AT(reserved_119, 119);
ZORVEL_HOST_API_ENTRY_AT(reserved_120, 120);
ZORVEL_HOST_API_ENTRY_AT(reserved_121, 121);
ZORVEL_HOST_API_ENTRY_AT(get_depth_to_space_block_size_option, 122);
ZORVEL_HOST_API_ENTRY_AT(reserved_123, 123);
ZORVEL_HOST_API_ENTRY_AT(get_cumsum_exclusive_option, 124);
ZORVEL_HOST_API_ENTRY_AT(get_cumsum_reverse_option, 125);
ZORVEL_HOST_API_ENTRY_AT(get_gelu_approximate_option, 126);
ZORVEL_HOST_API_ENTRY_AT(reserved_127, 127);
ZORVEL_HOST_API_ENTRY_AT(reserved_128, 128);
ZORVEL_HOST_API_ENTRY_AT(reserved_129, 129);
ZORVEL_HOST_API_ENTRY_AT(reserved_130, 130);
ZORVEL_HOST_API_ENTRY_AT(reserved_131, 131);
ZORVEL_HOST_API_ENTRY_AT(reserved_132, 132);
ZORVEL_HOST_API_ENTRY_AT(reserved_133, 133);
ZORVEL_HOST_API_ENTRY_AT(reserved_134, 134);
ZORVEL_HOST_API_ENTRY_AT(reserved_135, 135);
ZORVEL_HOST_API_ENTRY_AT(reserved_136, 136);
ZORVEL_HOST_API_ENTRY_AT(reserved_137, 137);
ZORVEL_HOST_API_ENTRY_AT(reserved_138, 138);

TEST(HostApiLayoutTest, CAndCxxAgree) {
  EXPECT_EQ(ZorvelCLayoutSizeOfHostApiTable(), sizeof(HostApiTable));
  EXPECT_EQ(ZorvelCLayoutSizeOfRankedTensorType(), sizeof(ZorvelRankedTensorType));
  EXPECT_EQ(ZorvelCLayoutSizeOfAny(), sizeof(ZorvelAny));
  EXPECT_EQ(ZorvelCLayoutSizeOfPerChannel(), sizeof(ZorvelQuantizationPerChannel));
  EXPECT_EQ(ZorvelCLayoutOffsetOfEnvironmentOption(), 8u * 37);
  EXPECT_EQ(ZorvelCLayoutOffsetOfReshapeNewShape(), 8u * 97);
}

TEST(HostApiLayoutTest, HeaderBytesAreLittleEndianSizeThenVersion) {
  HostApiTable table;
  std::memset(&table, 0xFF, sizeof(table));
  table.header = {};
  table.header.size = sizeof(HostApiTable);
  table.header.version = ZORVEL_HOST_API_VERSION;
  unsigned char bytes[8];
  std::memcpy(bytes, &table, sizeof(bytes));
  const unsigned char expected[8] = {
      sizeof(HostApiTable) & 0xFF, sizeof(HostApiTable) >> 8, 1, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof(bytes)));
}

TEST(HostApiLayoutTest, RankedTensorTypeBytes) {
  ZorvelRankedTensorType type = {};
  type.element_type = kZorvelElementTypeFloat16;
  type.layout.rank_and_flags = 3 | ZORVEL_LAYOUT_HAS_STRIDES;
  type.layout.dimensions[0] = 2;
  type.layout.dimensions[1] = ZORVEL_DYNAMIC_DIMENSION;
  type.layout.dimensions[2] = 64;
  unsigned char bytes[72];
  std::memcpy(bytes, &type, sizeof(bytes));
  EXPECT_EQ(bytes[0], 10);    // element type code at byte 0
  EXPECT_EQ(bytes[4], 0x83);  // rank in bits 0-6 of the layout word at byte 4
  EXPECT_EQ(ZorvelLayoutRank(&type.layout), 3u);
  int32_t dims[3];
  std::memcpy(dims, bytes + 8, sizeof(dims));
  EXPECT_EQ(dims[0], 2);
  EXPECT_EQ(dims[1], -1);
  EXPECT_EQ(dims[2], 64);
}

TEST(HostApiLayoutTest, CodesHaveTheirHostValues) {
  EXPECT_EQ(kZorvelOpCodeAdd, 0);
  EXPECT_EQ(kZorvelOpCodeTopkV2, 48);
  EXPECT_EQ(kZorvelOpCodeBatchMatmul, 126);
  EXPECT_EQ(kZorvelOpCodeSign, 158);
  EXPECT_EQ(kZorvelOpCodeStablehloComposite, 206);
  EXPECT_EQ(kZorvelElementTypeInt2, 20);
  EXPECT_EQ(kZorvelElementTypeFloat8E5M2, 23);
  EXPECT_EQ(kZorvelAnyTypeInt, 2);
  EXPECT_EQ(kZorvelEnvOptionTagLogLevel, 25);
}

}  // namespace
