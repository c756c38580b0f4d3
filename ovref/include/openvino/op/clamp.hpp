#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v0 {

// Clamps every element into [min, max]; integer types use ceil(min) and floor(max).
class OPENVINO_API Clamp : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Clamp", "opset1", util::UnaryElementwiseArithmetic);

  Clamp();
  Clamp(const Output<Node>& data, const double min, const double max);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  double get_min() const { return m_min; }
  double get_max() const { return m_max; }

 private:
  double m_min = 0.0;
  double m_max = 0.0;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
