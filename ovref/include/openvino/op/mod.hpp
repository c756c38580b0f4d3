#pragma once

#include "openvino/op/util/binary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v1 {

// Truncated remainder with the sign of the dividend.
class OPENVINO_API Mod : public util::BinaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Mod", "opset1", util::BinaryElementwiseArithmetic);

  Mod() : util::BinaryElementwiseArithmetic(AutoBroadcastType::NUMPY) {}
  Mod(const Output<Node>& arg0, const Output<Node>& arg1,
      const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
