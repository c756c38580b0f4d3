#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v4 {

// Swish x / (1 + e^(-beta * x)); beta is an optional scalar input (1 when absent).
class OPENVINO_API Swish : public Op {
 public:
  OPENVINO_OP("Swish", "opset4");

  Swish() = default;
  Swish(const Output<Node>& arg);
  Swish(const Output<Node>& arg, const Output<Node>& beta);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v4
}  // namespace op
}  // namespace ov
