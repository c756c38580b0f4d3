#pragma once

#include "openvino/core/layout.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// A graph output. Its output tensor answers with the names of the tensor it consumes as well.
class OPENVINO_API Result : public Op {
 public:
  OPENVINO_OP("Result", "opset1");

  Result() = default;
  Result(const Output<Node>& arg);
  ~Result() override;

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
  bool constant_fold(OutputVector& output_values, const OutputVector& inputs_values) override;

  Layout get_layout() const;
  void set_layout(const Layout& layout);
};

}  // namespace v0
}  // namespace op

using ResultVector = std::vector<std::shared_ptr<op::v0::Result>>;

}  // namespace ov
