#pragma once

#include "openvino/op/util/convolution_backprop_base.hpp"
#include "openvino/op/util/convolution_base.hpp"

namespace ov {
namespace op {
namespace v1 {

// Batched convolution (cross-correlation) with zero padding, channels-first.
class OPENVINO_API Convolution : public util::ConvolutionFwdPropBase {
 public:
  OPENVINO_OP("Convolution", "opset1", util::ConvolutionFwdPropBase);

  Convolution() = default;
  Convolution(const Output<Node>& data_batch, const Output<Node>& filters, const Strides& strides,
              const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
              const Strides& dilations, const PadType& auto_pad = PadType::EXPLICIT);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

// Transposed convolution: the gradient of Convolution with respect to its data input.
class OPENVINO_API ConvolutionBackpropData : public util::ConvolutionBackPropBase {
 public:
  OPENVINO_OP("ConvolutionBackpropData", "opset1", util::ConvolutionBackPropBase);

  ConvolutionBackpropData() = default;
  ConvolutionBackpropData(const Output<Node>& data, const Output<Node>& filters,
                          const Output<Node>& output_shape, const Strides& strides,
                          const CoordinateDiff& pads_begin, const CoordinateDiff& pads_end,
                          const Strides& dilations, const PadType& auto_pad = PadType::EXPLICIT,
                          const CoordinateDiff& output_padding = {});
  ConvolutionBackpropData(const Output<Node>& data, const Output<Node>& filters,
                          const Strides& strides, const CoordinateDiff& pads_begin,
                          const CoordinateDiff& pads_end, const Strides& dilations,
                          const PadType& auto_pad = PadType::EXPLICIT,
                          const CoordinateDiff& output_padding = {});

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
  bool is_dynamic() const override;

  // Spatial output shape given by input 2; dynamic when it is absent or not a constant.
  const PartialShape get_output_shape() const;
  // Replaces input 2 with a constant holding `output_shape`.
  void set_output_shape(const Shape& output_shape);
};

}  // namespace v1
}  // namespace op
}  // namespace ov
