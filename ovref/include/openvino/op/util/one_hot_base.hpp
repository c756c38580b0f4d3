#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Base of OneHot v1 and v16: indices, depth, on_value, off_value and the axis of the new dim.
class OPENVINO_API OneHotBase : public Op {
 public:
  OPENVINO_OP("OneHotBase", "util");

  OneHotBase() = default;
  OneHotBase(const Output<Node>& indices, const Output<Node>& depth, const Output<Node>& on_value,
             const Output<Node>& off_value, int64_t axis);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  bool has_evaluate() const override;

  const int64_t& get_axis() const { return m_axis; }
  void set_axis(int64_t axis) { m_axis = axis; }

 protected:
  // One-hot encoding; with `normalize_negative` indices in [-depth, -1] count from the end.
  bool evaluate_one_hot(ov::TensorVector& outputs, const ov::TensorVector& inputs,
                        bool normalize_negative) const;

  int64_t m_axis = -1;
};

}  // namespace util
}  // namespace op
}  // namespace ov
