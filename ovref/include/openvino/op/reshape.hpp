#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Reshape to a pattern: -1 infers one dimension; with special_zero a 0 copies the input dim.
class OPENVINO_API Reshape : public Op {
 public:
  OPENVINO_OP("Reshape", "opset1");

  Reshape() = default;
  Reshape(const Output<Node>& arg, const Output<Node>& shape_pattern, bool special_zero);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  bool get_special_zero() const { return m_special_zero; }
  void set_special_zero(bool special_zero) { m_special_zero = special_zero; }

 protected:
  bool m_special_zero{false};
};

}  // namespace v1
}  // namespace op
}  // namespace ov
