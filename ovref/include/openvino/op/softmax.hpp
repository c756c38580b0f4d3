#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// exp(x - max) / sum(exp(x - max)) along a non-negative axis.
class OPENVINO_API Softmax : public Op {
 public:
  OPENVINO_OP("Softmax", "opset1");

  Softmax() = default;
  Softmax(const Output<Node>& arg, const size_t axis = 1);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  size_t get_axis() const { return m_axis; }
  void set_axis(const size_t axis) { m_axis = axis; }

 private:
  size_t m_axis{0};
};

}  // namespace v1

namespace v8 {

// As v1, with an axis in [-rank, rank).
class OPENVINO_API Softmax : public Op {
 public:
  OPENVINO_OP("Softmax", "opset8");

  Softmax() = default;
  Softmax(const Output<Node>& arg, const int64_t axis = 1);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  int64_t get_axis() const { return m_axis; }
  void set_axis(const int64_t axis) { m_axis = axis; }

 private:
  int64_t m_axis{0};
};

}  // namespace v8
}  // namespace op
}  // namespace ov
