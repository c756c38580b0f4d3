#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v4 {

// Hard swish x * min(max(x + 3, 0), 6) / 6; floating types only.
class OPENVINO_API HSwish : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("HSwish", "opset4", util::UnaryElementwiseArithmetic);

  HSwish() = default;
  HSwish(const Output<Node>& arg);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v4
}  // namespace op
}  // namespace ov
