#pragma once

#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// Element type conversion with C++ cast semantics (see README for the out-of-range cases).
class OPENVINO_API Convert : public Op {
 public:
  OPENVINO_OP("Convert", "opset1");

  Convert() = default;
  Convert(const Output<Node>& arg, const ov::element::Type& destination_type);

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

  const element::Type& get_destination_type() const { return m_destination_type; }
  void set_destination_type(const element::Type& destination_type) {
    m_destination_type = destination_type;
  }
  const element::Type& get_convert_element_type() const { return m_destination_type; }
  void set_convert_element_type(const element::Type& destination_type) {
    m_destination_type = destination_type;
  }

  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

 protected:
  ov::element::Type m_destination_type;
};

}  // namespace v0
}  // namespace op
}  // namespace ov
