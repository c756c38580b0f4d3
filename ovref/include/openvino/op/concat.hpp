#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Joins inputs along one axis.
class OPENVINO_API Concat : public Op {
 public:
  OPENVINO_OP("Concat", "opset1");

  Concat() = default;
  Concat(const OutputVector& args, int64_t axis);
  Concat(const NodeVector& args, int64_t axis);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  int64_t get_concatenation_axis() const { return m_concat_axis; }
  void set_concatenation_axis(int64_t concatenation_axis) { m_concat_axis = concatenation_axis; }
  int64_t get_axis() const { return m_axis; }
  void set_axis(int64_t axis) { m_axis = axis; }

 protected:
  int64_t m_axis = 0;
  int64_t m_concat_axis = -1;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
