#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Inserts axes of size 1 at the given output positions.
class OPENVINO_API Unsqueeze : public Op {
 public:
  OPENVINO_OP("Unsqueeze", "opset1");

  Unsqueeze() = default;
  Unsqueeze(const Output<Node>& data, const Output<Node>& axes);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
