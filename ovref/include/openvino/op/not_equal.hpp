#pragma once

#include "openvino/op/util/binary_elementwise_comparison.hpp"

namespace ov {
namespace op {
namespace v1 {

// Element-wise a != b.
class OPENVINO_API NotEqual : public util::BinaryElementwiseComparison {
 public:
  OPENVINO_OP("NotEqual", "opset1", util::BinaryElementwiseComparison);

  NotEqual() : util::BinaryElementwiseComparison(AutoBroadcastType::NUMPY) {}
  NotEqual(const Output<Node>& arg0, const Output<Node>& arg1,
           const AutoBroadcastSpec& auto_broadcast = AutoBroadcastSpec(AutoBroadcastType::NUMPY));

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
