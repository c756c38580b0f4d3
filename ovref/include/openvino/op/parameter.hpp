#pragma once

#include "openvino/core/layout.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace v0 {

// A graph input: its value is supplied when the model is evaluated.
class OPENVINO_API Parameter : public ov::op::Op {
 public:
  OPENVINO_OP("Parameter", "opset1");

  Parameter() = default;
  Parameter(const ov::element::Type& element_type, const PartialShape& pshape);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;

  bool is_relevant_to_shapes() const { return m_is_relevant_to_shapes; }
  void set_is_relevant_to_shapes(bool is_relevant) { m_is_relevant_to_shapes = is_relevant; }

  const PartialShape& get_partial_shape() const { return m_partial_shape; }
  PartialShape& get_partial_shape() { return m_partial_shape; }
  void set_partial_shape(const PartialShape& partial_shape) { m_partial_shape = partial_shape; }
  const element::Type& get_element_type() const { return m_element_type; }
  void set_element_type(const element::Type& element_type) { m_element_type = element_type; }

  Layout get_layout() const;
  void set_layout(const Layout& layout);

 protected:
  PartialShape m_partial_shape;
  element::Type m_element_type;
  bool m_is_relevant_to_shapes{false};
};

}  // namespace v0
}  // namespace op

using ParameterVector = std::vector<std::shared_ptr<op::v0::Parameter>>;

}  // namespace ov
