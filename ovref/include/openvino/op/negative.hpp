#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v0 {

// Negation -x.
class OPENVINO_API Negative : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Negative", "opset1", util::UnaryElementwiseArithmetic);

  Negative() = default;
  Negative(const Output<Node>& arg);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
