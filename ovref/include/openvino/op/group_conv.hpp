#pragma once

#include "openvino/op/util/convolution_base.hpp"

namespace ov {
namespace op {
namespace v1 {

// Convolution in G independent channel groups; filters are [G, C_OUT/G, C_IN/G, K...].
class OPENVINO_API GroupConvolution : public util::ConvolutionFwdPropBase {
 public:
  OPENVINO_OP("GroupConvolution", "opset1", util::ConvolutionFwdPropBase);

  GroupConvolution() = default;
  GroupConvolution(const Output<Node>& data_batch, const Output<Node>& filters,
                   const Strides& strides, const CoordinateDiff& pads_begin,
                   const CoordinateDiff& pads_end, const Strides& dilations,
                   const PadType& auto_pad = PadType::EXPLICIT);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
