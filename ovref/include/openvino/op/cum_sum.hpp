#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Cumulative sum along an axis, inclusive or exclusive, forwards or in reverse.
class OPENVINO_API CumSum : public Op {
 public:
  OPENVINO_OP("CumSum", "opset3");

  CumSum() = default;
  CumSum(const Output<Node>& arg, const Output<Node>& axis, const bool exclusive = false,
         const bool reverse = false);
  // Sums along axis 0.
  CumSum(const Output<Node>& arg, const bool exclusive = false, const bool reverse = false);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  bool is_exclusive() const { return m_exclusive; }
  bool is_reverse() const { return m_reverse; }

 private:
  bool m_exclusive = false;
  bool m_reverse = false;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
