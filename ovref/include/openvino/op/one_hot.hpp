#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// One-hot encoding: a new dim of size `depth` at `axis` holding on_value where it equals the
// index and off_value elsewhere. Negative and too large indices give all-off rows.
class OPENVINO_API OneHot : public Op {
 public:
  OPENVINO_OP("OneHot", "opset1");

  OneHot() = default;
  OneHot(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
         const Output<Node>& off_value, int64_t axis);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const int64_t& get_axis() const { return m_axis; }
  void set_axis(int64_t axis) { m_axis = axis; }

 protected:
  int64_t m_axis = -1;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
