#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v0 {

// Exponential linear unit: x for x > 0, alpha * (e^x - 1) otherwise.
class OPENVINO_API Elu : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Elu", "opset1", util::UnaryElementwiseArithmetic);

  Elu() = default;
  Elu(const Output<Node>& data, const double alpha);

  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  double get_alpha() const { return m_alpha; }

 private:
  double m_alpha = 0.0;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
