#pragma once

#include "openvino/op/util/binary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise larger value.
class OPENVINO_API Maximum : public util::BinaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Maximum", "opset1", util::BinaryElementwiseArithmetic);

  Maximum() : util::BinaryElementwiseArithmetic(AutoBroadcastType::NUMPY) {}
  Maximum(const Output<Node>& arg0, const Output<Node>& arg1,
          const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
