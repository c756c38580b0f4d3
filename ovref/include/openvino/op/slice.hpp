#pragma once

#include "openvino/op/constant.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v8 {

// Python slicing data[start:stop:step] along the listed axes (all leading axes by default).
class OPENVINO_API Slice : public Op {
 public:
  OPENVINO_OP("Slice", "opset8");

  Slice() = default;
  Slice(const Output<Node>& data, const Output<Node>& start, const Output<Node>& stop,
        const Output<Node>& step);
  Slice(const Output<Node>& data, const Output<Node>& start, const Output<Node>& stop,
        const Output<Node>& step, const Output<Node>& axes);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  std::shared_ptr<v0::Constant> get_default_const_axes(const Output<Node>& start) const;
};

}  // namespace v8
}  // namespace op
}  // namespace ov
