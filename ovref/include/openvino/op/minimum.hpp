#pragma once

#include "openvino/op/util/binary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise smaller value.
class OPENVINO_API Minimum : public util::BinaryElementwiseArithmetic {
 public:
  OPENVINO_OP("Minimum", "opset1", util::BinaryElementwiseArithmetic);

  Minimum() : util::BinaryElementwiseArithmetic(AutoBroadcastType::NUMPY) {}
  Minimum(const Output<Node>& arg0, const Output<Node>& arg1,
          const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
