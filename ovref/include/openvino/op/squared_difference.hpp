#pragma once

#include "openvino/op/util/binary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v0 {

// Squared difference (a - b)^2.
class OPENVINO_API SquaredDifference : public util::BinaryElementwiseArithmetic {
 public:
  OPENVINO_OP("SquaredDifference", "opset1", util::BinaryElementwiseArithmetic);

  SquaredDifference() : util::BinaryElementwiseArithmetic(AutoBroadcastType::NUMPY) {}
  SquaredDifference(
      const Output<Node>& arg0, const Output<Node>& arg1,
      const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
