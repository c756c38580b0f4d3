#pragma once

#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v0 {

// Natural logarithm.
class OPENVINO_API Log : public util::UnaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Log", "opset1", util::UnaryElementwiseArithmetic);

  Log() = default;
  Log(const Output<Node>& arg);

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
