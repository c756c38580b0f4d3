#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise negation of a boolean tensor.
class OPENVINO_API LogicalNot : public Op {
 public:
  OPENVINO_OP("LogicalNot", "opset1");

  LogicalNot() = default;
  LogicalNot(const Output<Node>& arg);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
