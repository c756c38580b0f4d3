#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v4 {

// 1-D sequence start, start + step, ... up to (excluding) stop, of output_type.
class OPENVINO_API Range : public Op {
 public:
  OPENVINO_OP("Range", "opset4");

  Range() = default;
  Range(const Output<Node>& start, const Output<Node>& stop, const Output<Node>& step,
        element::Type output_type);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  void set_output_type(element::Type output_type) { m_output_type = output_type; }
  const element::Type& get_output_type() const { return m_output_type; }
  using Node::set_output_type;

 private:
  element::Type m_output_type;
};

}  // namespace v4
}  // namespace op
}  // namespace ov
