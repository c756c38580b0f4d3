#pragma once

#include "openvino/op/util/binary_elementwise_logical.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise logical AND of boolean tensors.
class OPENVINO_API LogicalAnd : public util::BinaryElementwiseLogical {
 public:
  OPENVINO_OP("LogicalAnd", "opset1", util::BinaryElementwiseLogical);

  LogicalAnd() : util::BinaryElementwiseLogical(AutoBroadcastType::NUMPY) {}
  LogicalAnd(const Output<Node>& arg0, const Output<Node>& arg1,
             const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
