#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Converts data to the element type of `like`, as Convert would.
class OPENVINO_API ConvertLike : public Op {
 public:
  OPENVINO_OP("ConvertLike", "opset1");

  ConvertLike() = default;
  ConvertLike(const Output<Node>& data, const Output<Node>& like);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
