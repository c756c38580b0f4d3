#include <algorithm>

#include "openvino/core/node.hpp"
#include "openvino/core/node_input.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/core/rt_info.hpp"

namespace ov {

// ---- Output<Node> ----

Output<Node>::Output(Node* node, size_t index) : m_index(index) {
  OPENVINO_ASSERT(node, "Cannot create ov::Output<ov::Node> from nullptr!");
  m_node = node->shared_from_this();
}

Output<Node>::Output(const std::shared_ptr<Node>& node, size_t index)
    : m_node(node), m_index(index) {}

void Output<Node>::reset() {
  m_node.reset();
  m_index = 0;
}

Output<Node> Output<Node>::for_node(const std::shared_ptr<Node>& node) {
  return Output(node, m_index);
}

Node* Output<Node>::get_node() const { return m_node.get(); }
std::shared_ptr<Node> Output<Node>::get_node_shared_ptr() const { return m_node; }
size_t Output<Node>::get_index() const { return m_index; }

descriptor::Tensor& Output<Node>::get_tensor() const {
  return m_node->get_output_descriptor(m_index).get_tensor();
}

std::shared_ptr<descriptor::Tensor> Output<Node>::get_tensor_ptr() const {
  return m_node->get_output_descriptor(m_index).get_tensor_ptr();
}

void Output<Node>::set_tensor_ptr(std::shared_ptr<descriptor::Tensor> tensor_ptr) {
  m_node->get_output_descriptor(m_index).set_tensor_ptr(tensor_ptr);
}

const element::Type& Output<Node>::get_element_type() const {
  return m_node->get_output_element_type(m_index);
}
const Shape& Output<Node>::get_shape() const { return m_node->get_output_shape(m_index); }
const PartialShape& Output<Node>::get_partial_shape() const {
  return m_node->get_output_partial_shape(m_index);
}

RTMap& Output<Node>::get_rt_info() { return m_node->get_output_descriptor(m_index).get_rt_info(); }
const RTMap& Output<Node>::get_rt_info() const {
  return m_node->get_output_descriptor(m_index).get_rt_info();
}

const std::unordered_set<std::string>& Output<Node>::get_names() const {
  return get_tensor().get_names();
}
std::string Output<Node>::get_any_name() const { return get_tensor().get_any_name(); }
void Output<Node>::set_names(const std::unordered_set<std::string>& names) {
  get_tensor().set_names(names);
}
void Output<Node>::add_names(const std::unordered_set<std::string>& names) {
  get_tensor().add_names(names);
}

std::set<Input<Node>> Output<Node>::get_target_inputs() const {
  return m_node->get_output_target_inputs(m_index);
}

void Output<Node>::remove_target_input(const Input<Node>& target_input) const {
  target_input.get_node()->get_input_descriptor(target_input.get_index()).remove_output();
}

void Output<Node>::replace(const Output<Node>& replacement) {
  for (auto& input : get_target_inputs()) {
    if (input.get_node() != replacement.get_node()) input.replace_source_output(replacement);
  }
  replacement.get_tensor_ptr()->add_names(get_tensor_ptr()->get_names());
  copy_output_runtime_info({*this, replacement}, {replacement});
}

bool Output<Node>::operator==(const Output& other) const {
  return m_node == other.m_node && m_index == other.m_index;
}
bool Output<Node>::operator!=(const Output& other) const { return !(*this == other); }
bool Output<Node>::operator<(const Output& other) const {
  if (m_node.get() == other.m_node.get()) return m_index < other.m_index;
  if (!m_node || !other.m_node) return m_node.get() < other.m_node.get();
  return m_node->get_instance_id() < other.m_node->get_instance_id();
}
bool Output<Node>::operator>(const Output& other) const { return other < *this; }
bool Output<Node>::operator<=(const Output& other) const { return !(*this > other); }
bool Output<Node>::operator>=(const Output& other) const { return !(*this < other); }

Output<Node>::operator Output<const Node>() const { return Output<const Node>(m_node, m_index); }

// ---- Output<const Node> ----

Output<const Node>::Output(const Node* node, size_t index) : m_index(index) {
  OPENVINO_ASSERT(node, "Cannot create ov::Output<const ov::Node> from nullptr!");
  m_node = node->shared_from_this();
}

Output<const Node>::Output(const std::shared_ptr<const Node>& node, size_t index)
    : m_node(node), m_index(index) {}

void Output<const Node>::reset() {
  m_node.reset();
  m_index = 0;
}

Output<const Node> Output<const Node>::for_node(const std::shared_ptr<const Node>& node) {
  return Output(node, m_index);
}

const Node* Output<const Node>::get_node() const { return m_node.get(); }
std::shared_ptr<const Node> Output<const Node>::get_node_shared_ptr() const { return m_node; }
size_t Output<const Node>::get_index() const { return m_index; }

descriptor::Tensor& Output<const Node>::get_tensor() const {
  return m_node->get_output_tensor(m_index);
}

std::shared_ptr<descriptor::Tensor> Output<const Node>::get_tensor_ptr() const {
  return const_cast<Node*>(m_node.get())->get_output_descriptor(m_index).get_tensor_ptr();
}

const element::Type& Output<const Node>::get_element_type() const {
  return m_node->get_output_element_type(m_index);
}
const Shape& Output<const Node>::get_shape() const { return m_node->get_output_shape(m_index); }
const PartialShape& Output<const Node>::get_partial_shape() const {
  return m_node->get_output_partial_shape(m_index);
}
const RTMap& Output<const Node>::get_rt_info() const {
  return const_cast<Node*>(m_node.get())->get_output_descriptor(m_index).get_rt_info();
}
const std::unordered_set<std::string>& Output<const Node>::get_names() const {
  return get_tensor().get_names();
}
std::string Output<const Node>::get_any_name() const { return get_tensor().get_any_name(); }
std::set<Input<Node>> Output<const Node>::get_target_inputs() const {
  return m_node->get_output_target_inputs(m_index);
}

bool Output<const Node>::operator==(const Output& other) const {
  return m_node == other.m_node && m_index == other.m_index;
}
bool Output<const Node>::operator!=(const Output& other) const { return !(*this == other); }
bool Output<const Node>::operator<(const Output& other) const {
  if (m_node.get() == other.m_node.get()) return m_index < other.m_index;
  if (!m_node || !other.m_node) return m_node.get() < other.m_node.get();
  return m_node->get_instance_id() < other.m_node->get_instance_id();
}
bool Output<const Node>::operator>(const Output& other) const { return other < *this; }
bool Output<const Node>::operator<=(const Output& other) const { return !(*this > other); }
bool Output<const Node>::operator>=(const Output& other) const { return !(*this < other); }

std::ostream& operator<<(std::ostream& out, const Output<Node>& output) {
  return output.get_node()->write_description(out, 0)
         << "[" << output.get_index() << "]:" << output.get_element_type()
         << output.get_partial_shape();
}

std::ostream& operator<<(std::ostream& out, const Output<const Node>& output) {
  return output.get_node()->write_description(out, 0)
         << "[" << output.get_index() << "]:" << output.get_element_type()
         << output.get_partial_shape();
}

// ---- Input<Node> ----

Input<Node>::Input(Node* node, size_t index) : m_node(node), m_index(index) {
  OPENVINO_ASSERT(node, "Cannot create ov::Input<ov::Node> from nullptr!");
}

Node* Input<Node>::get_node() const { return m_node; }
size_t Input<Node>::get_index() const { return m_index; }
const element::Type& Input<Node>::get_element_type() const {
  return m_node->get_input_element_type(m_index);
}
const Shape& Input<Node>::get_shape() const { return m_node->get_input_shape(m_index); }
const PartialShape& Input<Node>::get_partial_shape() const {
  return m_node->get_input_partial_shape(m_index);
}
Output<Node> Input<Node>::get_source_output() const {
  auto& output_descriptor = m_node->get_input_descriptor(m_index).get_output();
  return Output<Node>(output_descriptor.get_node(), output_descriptor.get_index());
}
descriptor::Tensor& Input<Node>::get_tensor() const {
  return m_node->get_input_descriptor(m_index).get_tensor();
}
std::shared_ptr<descriptor::Tensor> Input<Node>::get_tensor_ptr() const {
  return m_node->get_input_descriptor(m_index).get_output().get_tensor_ptr();
}
bool Input<Node>::get_is_relevant_to_shapes() const {
  return m_node->get_input_descriptor(m_index).get_is_relevant_to_shape();
}
bool Input<Node>::get_is_relevant_to_values() const {
  return m_node->get_input_descriptor(m_index).get_is_relevant_to_value();
}
void Input<Node>::replace_source_output(const Output<Node>& new_source_output) const {
  m_node->get_input_descriptor(m_index).replace_output(new_source_output.get_node_shared_ptr(),
                                                       new_source_output.get_index());
}
RTMap& Input<Node>::get_rt_info() { return m_node->get_input_descriptor(m_index).get_rt_info(); }
const RTMap& Input<Node>::get_rt_info() const {
  return m_node->get_input_descriptor(m_index).get_rt_info();
}

namespace {
template <typename N>
bool input_less(const N* a, size_t ai, const N* b, size_t bi) {
  if (a == b) return ai < bi;
  return a->get_instance_id() < b->get_instance_id();
}
}  // namespace

bool Input<Node>::operator==(const Input& other) const {
  return m_node == other.m_node && m_index == other.m_index;
}
bool Input<Node>::operator!=(const Input& other) const { return !(*this == other); }
bool Input<Node>::operator<(const Input& other) const {
  return input_less(m_node, m_index, other.m_node, other.m_index);
}
bool Input<Node>::operator>(const Input& other) const { return other < *this; }
bool Input<Node>::operator<=(const Input& other) const { return !(*this > other); }
bool Input<Node>::operator>=(const Input& other) const { return !(*this < other); }

// ---- Input<const Node> ----

Input<const Node>::Input(const Node* node, size_t index) : m_node(node), m_index(index) {
  OPENVINO_ASSERT(node, "Cannot create ov::Input<const ov::Node> from nullptr!");
}

namespace {
descriptor::Input& input_descriptor(const Node* node, size_t index) {
  return const_cast<Node*>(node)->get_input_descriptor(index);
}
}  // namespace

const Node* Input<const Node>::get_node() const { return m_node; }
size_t Input<const Node>::get_index() const { return m_index; }
const element::Type& Input<const Node>::get_element_type() const {
  return m_node->get_input_element_type(m_index);
}
const Shape& Input<const Node>::get_shape() const { return m_node->get_input_shape(m_index); }
const PartialShape& Input<const Node>::get_partial_shape() const {
  return m_node->get_input_partial_shape(m_index);
}
Output<Node> Input<const Node>::get_source_output() const {
  auto& output_descriptor = input_descriptor(m_node, m_index).get_output();
  return Output<Node>(output_descriptor.get_node(), output_descriptor.get_index());
}
descriptor::Tensor& Input<const Node>::get_tensor() const {
  return input_descriptor(m_node, m_index).get_tensor();
}
std::shared_ptr<descriptor::Tensor> Input<const Node>::get_tensor_ptr() const {
  return input_descriptor(m_node, m_index).get_output().get_tensor_ptr();
}
bool Input<const Node>::get_is_relevant_to_shapes() const {
  return input_descriptor(m_node, m_index).get_is_relevant_to_shape();
}
bool Input<const Node>::get_is_relevant_to_values() const {
  return input_descriptor(m_node, m_index).get_is_relevant_to_value();
}
const RTMap& Input<const Node>::get_rt_info() const {
  return input_descriptor(m_node, m_index).get_rt_info();
}
bool Input<const Node>::operator==(const Input& other) const {
  return m_node == other.m_node && m_index == other.m_index;
}
bool Input<const Node>::operator!=(const Input& other) const { return !(*this == other); }
bool Input<const Node>::operator<(const Input& other) const {
  return input_less(m_node, m_index, other.m_node, other.m_index);
}
bool Input<const Node>::operator>(const Input& other) const { return other < *this; }
bool Input<const Node>::operator<=(const Input& other) const { return !(*this > other); }
bool Input<const Node>::operator>=(const Input& other) const { return !(*this < other); }

std::ostream& operator<<(std::ostream& out, const Input<Node>& input) {
  return input.get_node()->write_description(out, 0)
         << ".input(" << input.get_index() << "):" << input.get_element_type()
         << input.get_partial_shape();
}

std::ostream& operator<<(std::ostream& out, const Input<const Node>& input) {
  return input.get_node()->write_description(out, 0)
         << ".input(" << input.get_index() << "):" << input.get_element_type()
         << input.get_partial_shape();
}

}  // namespace ov
