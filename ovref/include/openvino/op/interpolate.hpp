#pragma once

#include "openvino/op/util/interpolate_base.hpp"

namespace ov {
namespace op {
namespace v4 {

// Resizes the image; inputs: image, output sizes, scales[, axes]. shape_calculation_mode
// selects whether the sizes or the scales give the output shape.
class OPENVINO_API Interpolate : public util::InterpolateBase {
 public:
  OPENVINO_OP("Interpolate", "opset4", util::InterpolateBase);

  Interpolate() = default;
  Interpolate(const Output<Node>& image, const Output<Node>& output_shape,
              const Output<Node>& scales, const InterpolateAttrs& attrs);
  Interpolate(const Output<Node>& image, const Output<Node>& output_shape,
              const Output<Node>& scales, const Output<Node>& axes, const InterpolateAttrs& attrs);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

 protected:
  int sizes_port() const override { return 1; }
  int scales_port() const override { return 2; }
  int axes_port() const override { return get_input_size() > 3 ? 3 : -1; }
};

}  // namespace v4

namespace v11 {

// Resizes the image; inputs: image, sizes or scales (by shape_calculation_mode)[, axes].
class OPENVINO_API Interpolate : public util::InterpolateBase {
 public:
  OPENVINO_OP("Interpolate", "opset11", util::InterpolateBase);

  Interpolate() = default;
  Interpolate(const Output<Node>& image, const Output<Node>& scales_or_sizes,
              const InterpolateAttrs& attrs);
  Interpolate(const Output<Node>& image, const Output<Node>& scales_or_sizes,
              const Output<Node>& axes, const InterpolateAttrs& attrs);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

 protected:
  int sizes_port() const override {
    return m_attrs.shape_calculation_mode == ShapeCalcMode::SIZES ? 1 : -1;
  }
  int scales_port() const override {
    return m_attrs.shape_calculation_mode == ShapeCalcMode::SCALES ? 1 : -1;
  }
  int axes_port() const override { return get_input_size() > 2 ? 2 : -1; }
};

}  // namespace v11
}  // namespace op
}  // namespace ov
