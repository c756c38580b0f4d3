#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Zero-pads the spatial dims and moves blocks of them into the batch (block offsets most
// significant in the new batch index).
class OPENVINO_API SpaceToBatch : public Op {
 public:
  OPENVINO_OP("SpaceToBatch", "opset2");

  SpaceToBatch() = default;
  SpaceToBatch(const Output<Node>& data, const Output<Node>& block_shape,
               const Output<Node>& pads_begin, const Output<Node>& pads_end);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
