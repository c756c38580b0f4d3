#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v1 {

// Splits data along `axis` into consecutive parts of the given lengths; one length may be -1
// and takes the remainder.
class OPENVINO_API VariadicSplit : public Op {
 public:
  OPENVINO_OP("VariadicSplit", "opset1");

  VariadicSplit() = default;
  VariadicSplit(const Output<Node>& data, const Output<Node>& axis,
                const Output<Node>& split_lengths);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
};

}  // namespace v1
}  // namespace op
}  // namespace ov
