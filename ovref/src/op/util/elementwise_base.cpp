#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/util/binary_elementwise_arithmetic.hpp"
#include "openvino/op/util/binary_elementwise_comparison.hpp"
#include "openvino/op/util/unary_elementwise_arithmetic.hpp"

namespace ov {
namespace op {
namespace util {

namespace {

// Shared rule: merged element type and broadcast output shape of a two-input node.
std::pair<element::Type, PartialShape> validate_binary(const Node* node,
                                                       const AutoBroadcastSpec& autob) {
  NODE_VALIDATION_CHECK(node, node->get_input_size() == 2,
                        "Incorrect number of inputs. Required: 2");
  element::Type element_type;
  NODE_VALIDATION_CHECK(node,
                        element::Type::merge(element_type, node->get_input_element_type(0),
                                             node->get_input_element_type(1)),
                        "Arguments do not have the same element type (arg0 element type: ",
                        node->get_input_element_type(0),
                        ", arg1 element type: ", node->get_input_element_type(1), ").");
  PartialShape pshape = node->get_input_partial_shape(0);
  if (autob.m_type == AutoBroadcastType::NONE) {
    NODE_VALIDATION_CHECK(node, PartialShape::merge_into(pshape, node->get_input_partial_shape(1)),
                          "Argument shapes are inconsistent.");
  } else if (autob.m_type == AutoBroadcastType::NUMPY || autob.m_type == AutoBroadcastType::PDPD) {
    NODE_VALIDATION_CHECK(
        node, PartialShape::broadcast_merge_into(pshape, node->get_input_partial_shape(1), autob),
        "Argument shapes are inconsistent.");
  } else {
    NODE_VALIDATION_CHECK(node, false, "Unsupported auto broadcast type");
  }
  return {element_type, pshape};
}

}  // namespace

BinaryElementwiseArithmetic::BinaryElementwiseArithmetic(const AutoBroadcastSpec& autob)
    : m_autob(autob) {}

BinaryElementwiseArithmetic::BinaryElementwiseArithmetic(const Output<Node>& arg0,
                                                         const Output<Node>& arg1,
                                                         const AutoBroadcastSpec& autob)
    : Op({arg0, arg1}), m_autob(autob) {}

void BinaryElementwiseArithmetic::validate_and_infer_types() {
  auto [element_type, pshape] = validate_binary(this, m_autob);
  NODE_VALIDATION_CHECK(
      this, element_type.is_dynamic() || element_type != element::boolean,
      "Arguments cannot have boolean element type (argument element type: ", element_type, ").");
  set_output_type(0, element_type, pshape);
}

bool BinaryElementwiseArithmetic::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("auto_broadcast", m_autob);
  return true;
}

BinaryElementwiseComparison::BinaryElementwiseComparison(const AutoBroadcastSpec& autob)
    : m_autob(autob) {}

BinaryElementwiseComparison::BinaryElementwiseComparison(const Output<Node>& arg0,
                                                         const Output<Node>& arg1,
                                                         const AutoBroadcastSpec& autob)
    : Op({arg0, arg1}), m_autob(autob) {}

void BinaryElementwiseComparison::validate_and_infer_types() {
  auto result = validate_binary(this, m_autob);
  set_output_type(0, element::boolean, result.second);
}

bool BinaryElementwiseComparison::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("auto_broadcast", m_autob);
  return true;
}

UnaryElementwiseArithmetic::UnaryElementwiseArithmetic() = default;

UnaryElementwiseArithmetic::UnaryElementwiseArithmetic(const Output<Node>& arg) : Op({arg}) {}

void UnaryElementwiseArithmetic::validate_and_infer_types() {
  const auto& element_type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this,
                        element_type.is_dynamic() ||
                            (element_type != element::boolean && element_type != element::string),
                        "This operation does not support input with element type: ", element_type);
  set_output_type(0, element_type, get_input_partial_shape(0));
}

bool UnaryElementwiseArithmetic::visit_attributes(AttributeVisitor&) { return true; }

}  // namespace util
}  // namespace op
}  // namespace ov
