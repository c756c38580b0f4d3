#pragma once

#include "openvino/op/util/binary_elementwise_logical.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise logical OR of boolean tensors.
class OPENVINO_API LogicalOr : public util::BinaryElementwiseLogical {
 public:
  OPENVINO_OP("LogicalOr", "opset1", util::BinaryElementwiseLogical);

  LogicalOr() : util::BinaryElementwiseLogical(AutoBroadcastType::NUMPY) {}
  LogicalOr(const Output<Node>& arg0, const Output<Node>& arg1,
            const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
