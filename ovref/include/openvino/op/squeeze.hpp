#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Removes axes of size 1: the listed ones, or all of them when no axes are given.
class OPENVINO_API Squeeze : public Op {
 public:
  OPENVINO_OP("Squeeze", "opset1");

  Squeeze();
  Squeeze(const Output<Node>& data);
  Squeeze(const Output<Node>& data, const Output<Node>& axes);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
