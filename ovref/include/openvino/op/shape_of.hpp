#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v3 {

// The shape of its input as a 1-D i64 or i32 tensor.
class OPENVINO_API ShapeOf : public Op {
 public:
  OPENVINO_OP("ShapeOf", "opset3");

  ShapeOf() = default;
  ShapeOf(const Output<Node>& arg, const element::Type output_type = element::i64);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  element::Type get_output_type() const { return m_output_type; }
  void set_output_type(element::Type output_type) { m_output_type = output_type; }
  using Node::set_output_type;

 private:
  element::Type m_output_type{element::i64};
};

}  // namespace v3

namespace v0 {

class OPENVINO_API ShapeOf : public Op {
 public:
  OPENVINO_OP("ShapeOf", "opset1");

  ShapeOf() = default;
  ShapeOf(const Output<Node>& arg);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
