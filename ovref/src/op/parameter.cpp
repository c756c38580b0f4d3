#include "openvino/op/parameter.hpp"

#include "openvino/core/attribute_visitor.hpp"

namespace ov {
namespace op {
namespace v0 {

namespace {
constexpr const char kParameterLayoutKey[] = "LAYOUT";
}  // namespace

Parameter::Parameter(const element::Type& element_type, const PartialShape& pshape)
    : m_partial_shape(pshape), m_element_type(element_type) {
  constructor_validate_and_infer_types();
}

bool Parameter::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("shape", m_partial_shape);
  visitor.on_attribute("element_type", m_element_type);
  return true;
}

void Parameter::validate_and_infer_types() {
  Op::validate_and_infer_types();
  set_output_type(0, m_element_type, m_partial_shape);
}

std::shared_ptr<Node> Parameter::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Parameter>(m_element_type, m_partial_shape);
}

Layout Parameter::get_layout() const {
  const auto& rt = output(0).get_rt_info();
  auto it = rt.find(kParameterLayoutKey);
  if (it == rt.end()) return Layout();
  return it->second.as<Layout>();
}

void Parameter::set_layout(const Layout& layout) {
  auto& rt = output(0).get_rt_info();
  if (layout.empty()) {
    rt.erase(kParameterLayoutKey);
  } else {
    rt[kParameterLayoutKey] = layout;
  }
}

}  // namespace v0
}  // namespace op
}  // namespace ov
