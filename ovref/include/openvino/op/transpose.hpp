#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Permutes axes: output dim i is input dim order[i]; an empty order reverses the axes.
class OPENVINO_API Transpose : public Op {
 public:
  OPENVINO_OP("Transpose", "opset1");

  enum Ins : size_t { ARG, ORDER, IN_COUNT };
  enum Outs : size_t { ARG_T, OUT_COUNT };

  Transpose() = default;
  Transpose(const Output<Node>& arg, const Output<Node>& input_order);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
