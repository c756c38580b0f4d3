// Matrix products and image resizing.
#include "op_table.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/interpolate.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/shape_of.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {
namespace op {
namespace {

using ov::Output;

Output<ov::Node> WithBias(const NodeContext& node, const Output<ov::Node>& out, size_t index) {
  if (node.get_input_size() <= index) return out;
  return std::make_shared<ov::op::v1::Add>(out, node.get_input(static_cast<int>(index)));
}

// Weights are [out, in]: data [..., in] x weights^T.
ov::OutputVector FullyConnected(const NodeContext& node) {
  const auto format = node.get_attribute<int8_t>("weights_format");
  OPENVINO_ASSERT_HELPER(::ov::frontend::NotImplementedFailure, std::string(), format == 0,
                         "FULLY_CONNECTED with weights_format ", static_cast<int>(format),
                         " is not implemented for this FrontEnd class");
  const bool keep_num_dims = node.get_attribute<bool>("keep_num_dims");
  const auto activation = node.get_attribute<std::string>("fused_activation_function");
  auto data = node.get_input(0);
  const auto weights = node.get_input(1);
  if (!keep_num_dims) {
    const auto& wshape = weights.get_partial_shape();
    Output<ov::Node> shape;
    if (wshape.rank().is_static() && wshape.rank().get_length() == 2 && wshape[1].is_static()) {
      shape = i64_const({-1, wshape[1].get_length()});
    } else {
      auto in_features = std::make_shared<ov::op::v8::Gather>(
          std::make_shared<ov::op::v3::ShapeOf>(weights, ov::element::i64), i64_const({1}),
          i64_scalar(0));
      shape =
          std::make_shared<ov::op::v0::Concat>(ov::OutputVector{i64_const({-1}), in_features}, 0);
    }
    data = std::make_shared<ov::op::v1::Reshape>(data, shape, false);
  }
  Output<ov::Node> out = std::make_shared<ov::op::v0::MatMul>(data, weights, false, true);
  out = WithBias(node, out, 2);
  return named(node, get_activation(out, node, activation));
}

ov::OutputVector BatchMatMul(const NodeContext& node) {
  return named(node,
               std::make_shared<ov::op::v0::MatMul>(node.get_input(0), node.get_input(1),
                                                    node.get_attribute<bool>("adj_x", false),
                                                    node.get_attribute<bool>("adj_y", false)));
}

using InterpolateAttrs = ov::op::v11::Interpolate::InterpolateAttrs;
using InterpolateMode = ov::op::v11::Interpolate::InterpolateMode;
using CoordinateMode = ov::op::v11::Interpolate::CoordinateTransformMode;
using NearestMode = ov::op::v11::Interpolate::NearestMode;

Output<ov::Node> Resize(const Output<ov::Node>& images, const Output<ov::Node>& size,
                        const InterpolateAttrs& attrs) {
  const auto axes = std::make_shared<ov::op::v0::Constant>(ov::element::i32, ov::Shape{2},
                                                           std::vector<int32_t>{1, 2});
  return std::make_shared<ov::op::v11::Interpolate>(images, size, axes, attrs);
}

ov::OutputVector ResizeBilinear(const NodeContext& node) {
  const bool align_corners = node.get_attribute<bool>("align_corners", false);
  const bool half_pixel = node.get_attribute<bool>("half_pixel_centers", false);
  if (align_corners && half_pixel) {
    Invalid("RESIZE_BILINEAR: align_corners and half_pixel_centers cannot both be set");
  }
  const auto images = std::make_shared<ov::op::v0::Convert>(node.get_input(0), ov::element::f32);
  InterpolateAttrs attrs;
  attrs.shape_calculation_mode = ov::op::v11::Interpolate::ShapeCalcMode::SIZES;
  const auto& rank = node.get_input(0).get_partial_shape().rank();
  attrs.mode = rank.is_static() && rank.get_length() == 4 ? InterpolateMode::LINEAR_ONNX
                                                          : InterpolateMode::LINEAR;
  attrs.nearest_mode = NearestMode::ROUND_PREFER_FLOOR;
  attrs.coordinate_transformation_mode = align_corners ? CoordinateMode::ALIGN_CORNERS
                                         : half_pixel  ? CoordinateMode::HALF_PIXEL
                                                       : CoordinateMode::ASYMMETRIC;
  return named(node, Resize(images, node.get_input(1), attrs));
}

ov::OutputVector ResizeNearestNeighbor(const NodeContext& node) {
  const bool align_corners = node.get_attribute<bool>("align_corners", false);
  const bool half_pixel = node.get_attribute<bool>("half_pixel_centers", false);
  InterpolateAttrs attrs;
  attrs.shape_calculation_mode = ov::op::v11::Interpolate::ShapeCalcMode::SIZES;
  attrs.mode = InterpolateMode::NEAREST;
  attrs.nearest_mode = NearestMode::FLOOR;
  if (align_corners) {
    attrs.coordinate_transformation_mode = CoordinateMode::ALIGN_CORNERS;
    attrs.nearest_mode = NearestMode::ROUND_PREFER_CEIL;
  } else if (half_pixel) {
    attrs.coordinate_transformation_mode = CoordinateMode::TF_HALF_PIXEL_FOR_NN;
  } else {
    attrs.coordinate_transformation_mode = CoordinateMode::ASYMMETRIC;
  }
  auto images = node.get_input(0);
  const auto type = images.get_element_type();
  // Interpolate has no 16-bit integer kernels.
  const bool widen = type == ov::element::i16 || type == ov::element::u16;
  if (widen) images = std::make_shared<ov::op::v0::Convert>(images, ov::element::i32);
  auto out = Resize(images, node.get_input(1), attrs);
  if (widen) out = std::make_shared<ov::op::v0::Convert>(out, type);
  return named(node, out);
}

const TranslatorRegistration matmul_resize_registration{
    {"FULLY_CONNECTED", DQ(FullyConnected)},
    {"BATCH_MATMUL", DQ(BatchMatMul)},
    {"RESIZE_BILINEAR", DQ(ResizeBilinear)},
    {"RESIZE_NEAREST_NEIGHBOR", DQ(ResizeNearestNeighbor)},
};

}  // namespace
}  // namespace op
}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
