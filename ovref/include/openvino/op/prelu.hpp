#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Parametric ReLU: x < 0 ? x * slope : x. A 1-D slope as long as the channel dim (dim 1, or
// dim 0 of 1-D data) applies per channel; any other slope broadcasts numpy-style.
class OPENVINO_API PRelu : public Op {
 public:
  OPENVINO_OP("PRelu", "opset1");

  PRelu();
  PRelu(const Output<Node>& data, const Output<Node>& slope);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
