#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Inverse of SpaceToBatch: moves blocks of the batch back into the spatial dims and crops.
class OPENVINO_API BatchToSpace : public Op {
 public:
  OPENVINO_OP("BatchToSpace", "opset2");

  BatchToSpace() = default;
  BatchToSpace(const Output<Node>& data, const Output<Node>& block_shape,
               const Output<Node>& crops_begin, const Output<Node>& crops_end);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
