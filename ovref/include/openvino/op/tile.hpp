#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Repeats the whole input repeats[i] times along each axis.
class OPENVINO_API Tile : public Op {
 public:
  OPENVINO_OP("Tile", "opset1");

  Tile() = default;
  Tile(const Output<Node>& data, const Output<Node>& repeats);

  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
