#include "openvino/core/node.hpp"

#include <algorithm>
#include <atomic>
#include <sstream>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/result.hpp"
#include "openvino/pass/constant_folding.hpp"

namespace ov {

namespace {
std::atomic<size_t> g_next_instance_id{0};
}  // namespace

// ---- descriptor::Tensor ----

namespace descriptor {

Tensor::Tensor(const element::Type& element_type, const PartialShape& pshape,
               const std::unordered_set<std::string>& names)
    : m_names(names) {
  set_tensor_type(element_type, pshape);
}

Tensor::Tensor(const element::Type& element_type, const PartialShape& pshape, Node*, size_t) {
  set_tensor_type(element_type, pshape);
}

Tensor::~Tensor() = default;

void Tensor::set_tensor_type(const element::Type& element_type, const PartialShape& pshape) {
  m_element_type = element_type;
  m_partial_shape = pshape;
  m_shape_is_static = pshape.is_static();
  if (m_shape_is_static) m_shape = pshape.to_shape();
}

const std::unordered_set<std::string>& Tensor::get_names() const {
  if (!m_result_node || m_result_node->get_input_size() == 0) return m_names;
  m_all_names = m_result_node->get_input_tensor(0).get_names();
  m_all_names.insert(m_names.begin(), m_names.end());
  return m_all_names;
}

const std::string& Tensor::get_any_name() const {
  const auto& names = get_names();
  if (names.empty()) OPENVINO_THROW("Attempt to get a name for a Tensor without names");
  m_any_name = *std::min_element(names.begin(), names.end());
  return m_any_name;
}

void Tensor::set_names(const std::unordered_set<std::string>& names) { m_names = names; }

void Tensor::add_names(const std::unordered_set<std::string>& names) {
  m_names.insert(names.begin(), names.end());
}

void Tensor::set_lower_value(const ov::Tensor& value) {
  OPENVINO_ASSERT(static_cast<bool>(value));
  OPENVINO_ASSERT(m_partial_shape.same_scheme(value.get_shape()));
  OPENVINO_ASSERT(m_element_type == value.get_element_type());
  m_lower_value = value;
}

void Tensor::set_upper_value(const ov::Tensor& value) {
  OPENVINO_ASSERT(static_cast<bool>(value));
  OPENVINO_ASSERT(m_partial_shape.same_scheme(value.get_shape()));
  OPENVINO_ASSERT(m_element_type == value.get_element_type());
  m_upper_value = value;
}

void Tensor::set_value_symbol(const TensorSymbol& value_symbol) { m_value_symbol = value_symbol; }

void Tensor::invalidate_values() {
  m_upper_value = {};
  m_lower_value = {};
  m_value_symbol.clear();
}

bool Tensor::has_and_set_bound() const {
  return m_upper_value && m_lower_value && m_upper_value.data() == m_lower_value.data();
}

const Shape& Tensor::get_shape() const {
  if (!m_shape_is_static) OPENVINO_THROW("to_shape was called on a dynamic shape.");
  return m_shape;
}

size_t Tensor::size() const { return get_memory_size(m_element_type, shape_size(get_shape())); }

void Tensor::clone_from(const Tensor& old) {
  set_tensor_type(old.get_element_type(), old.get_partial_shape());
  set_names(old.get_names());
  m_lower_value = old.m_lower_value;
  m_upper_value = old.m_upper_value;
  m_value_symbol = old.m_value_symbol;
  m_rt_info = old.m_rt_info;
}

std::ostream& operator<<(std::ostream& out, const Tensor& tensor) {
  std::vector<std::string> names(tensor.get_names().begin(), tensor.get_names().end());
  std::sort(names.begin(), names.end());
  out << "Tensor(";
  for (size_t i = 0; i < names.size(); i++) out << (i ? ", " : "") << names[i];
  return out << ")";
}

// ---- descriptor::Input / Output ----

Input::Input(Node* node, size_t index, Output& output)
    : m_node(node), m_index(index), m_src_node(output.get_node()), m_output(&output) {
  output.add_input(this);
}

Input::Input(Node* node, size_t index)
    : m_node(node), m_index(index), m_src_node(nullptr), m_output(nullptr) {}

Input::~Input() { remove_output(); }

std::shared_ptr<Node> Input::get_node() const { return m_node->shared_from_this(); }

void Input::replace_output(Output& new_output) {
  if (m_output != nullptr) m_output->remove_input(this);
  new_output.add_input(this);
  m_output = &new_output;
  m_src_node = new_output.get_node();
}

void Input::replace_output(const std::shared_ptr<Node>& node, size_t i) {
  replace_output(node->get_output_descriptor(i));
}

void Input::remove_output() {
  if (m_output != nullptr) {
    m_output->remove_input(this);
    m_src_node = nullptr;
    m_output = nullptr;
  }
}

const Tensor& Input::get_tensor() const { return m_output->get_tensor(); }
Tensor& Input::get_tensor() { return m_output->get_tensor(); }

Output::Output(Node* node, size_t index, const std::shared_ptr<Tensor>& tensor)
    : m_node(node), m_index(index), m_tensor(tensor) {}

std::shared_ptr<Node> Output::get_node() const { return m_node->shared_from_this(); }

ov::Output<Node> Output::get_output() const { return ov::Output<Node>(m_node, m_index); }

void Output::add_input(Input* input) {
  if (std::find(m_inputs.begin(), m_inputs.end(), input) == m_inputs.end()) {
    m_inputs.push_back(input);
  }
}

void Output::remove_input(Input* input) {
  auto it = std::find(m_inputs.begin(), m_inputs.end(), input);
  if (it != m_inputs.end()) m_inputs.erase(it);
}

}  // namespace descriptor

// ---- Node ----

Node::Node() : m_instance_id(g_next_instance_id.fetch_add(1)) {}

Node::Node(size_t output_size) : Node() { set_output_size(output_size); }

Node::Node(const OutputVector& arguments, size_t output_size) : Node() {
  set_arguments(arguments);
  set_output_size(output_size);
}

Node::Node(const Node& node)
    : std::enable_shared_from_this<Node>(node),
      m_control_dependents(node.m_control_dependents),
      m_control_dependencies(node.m_control_dependencies),
      m_instance_id(g_next_instance_id.fetch_add(1)),
      m_friendly_name(node.m_friendly_name),
      m_rt_info(node.m_rt_info) {
  for (size_t i = 0; i < node.get_input_size(); ++i) {
    auto& src = const_cast<descriptor::Output&>(node.m_inputs[i].get_output());
    m_inputs.emplace_back(this, i, src);
    m_inputs.back().m_rt_info = node.m_inputs[i].m_rt_info;
  }
}

Node& Node::operator=(const Node& node) {
  m_control_dependents = node.m_control_dependents;
  m_control_dependencies = node.m_control_dependencies;
  m_instance_id = g_next_instance_id.fetch_add(1);
  m_friendly_name = node.m_friendly_name;
  m_unique_name.clear();
  m_rt_info = node.m_rt_info;
  m_inputs.clear();
  for (size_t i = 0; i < node.get_input_size(); ++i) {
    auto& src = const_cast<descriptor::Output&>(node.m_inputs[i].get_output());
    m_inputs.emplace_back(this, i, src);
  }
  return *this;
}

Node::~Node() {
  // Consumers hold their producers, so by now no input elsewhere points at our outputs.
  for (auto& input : m_inputs) input.remove_output();
  for (auto* dependent : m_control_dependents) {
    auto& deps = dependent->m_control_dependencies;
    deps.erase(std::remove_if(deps.begin(), deps.end(),
                              [this](const std::shared_ptr<Node>& n) { return n.get() == this; }),
               deps.end());
  }
  for (auto& dependency : m_control_dependencies) {
    auto& dependents = dependency->m_control_dependents;
    dependents.erase(std::remove(dependents.begin(), dependents.end(), this), dependents.end());
  }
}

void Node::set_arguments(const NodeVector& arguments) {
  OutputVector outputs;
  for (const auto& arg : arguments) {
    for (auto& output : arg->outputs()) outputs.push_back(output);
  }
  set_arguments(outputs);
}

void Node::set_arguments(const OutputVector& arguments) {
  m_inputs.clear();
  size_t i = 0;
  for (const auto& output : arguments) {
    auto output_node = output.get_node();
    OPENVINO_ASSERT(output_node != nullptr, "Cannot set a null argument at position ", i);
    auto& output_descriptor = output_node->get_output_descriptor(output.get_index());
    m_inputs.emplace_back(this, i++, output_descriptor);
  }
}

void Node::set_argument(size_t position, const Output<Node>& argument) {
  auto output_node = argument.get_node();
  OPENVINO_ASSERT(output_node != nullptr, "Cannot set a null argument at position ", position);
  auto& output_descriptor = output_node->get_output_descriptor(argument.get_index());
  if (position < m_inputs.size()) {
    m_inputs[position].replace_output(output_descriptor);
  } else {
    while (m_inputs.size() < position) m_inputs.emplace_back(this, m_inputs.size());
    m_inputs.emplace_back(this, position, output_descriptor);
  }
}

void Node::constructor_validate_and_infer_types() { validate_and_infer_types(); }

void Node::validate_and_infer_types() {}

void Node::invalidate_values() {
  for (const auto& output : outputs()) output.get_tensor().invalidate_values();
}

bool Node::visit_attributes(AttributeVisitor&) { return true; }

const op::AutoBroadcastSpec& Node::get_autob() const {
  static const op::AutoBroadcastSpec s_spec;
  return s_spec;
}

bool Node::has_evaluate() const { return false; }

bool Node::evaluate(ov::TensorVector&, const ov::TensorVector&) const { return false; }

bool Node::evaluate(ov::TensorVector& output_values, const ov::TensorVector& input_values,
                    const ov::EvaluationContext&) const {
  return evaluate(output_values, input_values);
}

bool Node::evaluate_lower(ov::TensorVector&) const { return false; }
bool Node::evaluate_upper(ov::TensorVector&) const { return false; }
bool Node::evaluate_symbol(TensorSymbolVector&) const { return false; }

bool Node::can_constant_fold(const OutputVector& input_values) const {
  if (is_const_fold_disabled()) return false;
  return std::all_of(input_values.begin(), input_values.end(), [](const Output<Node>& input) {
    return ov::is_type<op::v0::Constant>(input.get_node());
  });
}

bool Node::constant_fold(OutputVector& output_values, const OutputVector& input_values) {
  if (!can_constant_fold(input_values)) return false;
  NodeVector nodes;
  TensorVector input_tensors;
  for (const auto& input : input_values) {
    nodes.push_back(input.get_node_shared_ptr());
    auto constant = ov::as_type_ptr<op::v0::Constant>(input.get_node_shared_ptr());
    input_tensors.push_back(constant->get_tensor_view());
  }
  TensorVector output_tensors;
  for (const auto& output : outputs()) {
    if (output.get_element_type().is_static()) {
      output_tensors.emplace_back(output);
    } else {
      output_tensors.emplace_back();
    }
  }
  if (!evaluate(output_tensors, input_tensors)) return false;
  if (output_values.size() < output_tensors.size()) output_values.resize(output_tensors.size());
  for (size_t i = 0; i < output_tensors.size(); ++i) {
    output_values[i] = std::make_shared<op::v0::Constant>(output_tensors[i]);
    copy_runtime_info(nodes, output_values[i].get_node_shared_ptr());
  }
  return true;
}

void Node::set_output_type(size_t i, const element::Type& element_type,
                           const PartialShape& pshape) {
  if (i >= m_outputs.size()) set_output_size(i + 1);
  m_outputs[i].get_tensor().set_tensor_type(element_type, pshape);
}

void Node::set_output_size(size_t n) {
  OPENVINO_ASSERT(n >= m_outputs.size(), "shrinking ", m_outputs.size(), " to ", n);
  for (size_t i = m_outputs.size(); i < n; ++i) {
    m_outputs.emplace_back(
        this, i,
        std::make_shared<descriptor::Tensor>(element::dynamic, PartialShape::dynamic(), this, i));
  }
}

std::string Node::description() const { return get_type_name(); }

const std::string& Node::get_name() const {
  if (m_unique_name.empty()) m_unique_name = description() + "_" + std::to_string(m_instance_id);
  return m_unique_name;
}

void Node::set_friendly_name(const std::string& name) { m_friendly_name = name; }

const std::string& Node::get_friendly_name() const {
  if (m_friendly_name.empty()) return get_name();
  return m_friendly_name;
}

bool Node::is_dynamic() const {
  for (size_t i = 0; i < get_input_size(); i++) {
    if (get_input_partial_shape(i).is_dynamic()) return true;
  }
  return false;
}

std::ostream& Node::write_description(std::ostream& out, uint32_t depth) const {
  auto version = get_type_info().version_id;
  if (version) {
    out << version << "::" << get_type_info().name << " " << get_friendly_name();
  } else {
    out << get_type_info().name << " " << get_friendly_name();
  }
  if (depth > 0) {
    out << " (";
    std::string sep;
    for (const auto& arg : input_values()) {
      out << sep << arg;
      sep = ", ";
    }
    out << ") -> (";
    sep.clear();
    for (size_t i = 0; i < get_output_size(); i++) {
      out << sep << get_output_element_type(i) << get_output_partial_shape(i);
      sep = ", ";
    }
    out << ")";
  }
  return out;
}

const std::vector<std::shared_ptr<Node>>& Node::get_control_dependencies() const {
  return m_control_dependencies;
}

const std::vector<Node*>& Node::get_control_dependents() const { return m_control_dependents; }

void Node::add_control_dependency(std::shared_ptr<Node> node) {
  if (std::find(m_control_dependencies.begin(), m_control_dependencies.end(), node) ==
      m_control_dependencies.end()) {
    m_control_dependencies.push_back(node);
    if (std::find(node->m_control_dependents.begin(), node->m_control_dependents.end(), this) ==
        node->m_control_dependents.end()) {
      node->m_control_dependents.push_back(this);
    }
  }
}

void Node::add_node_control_dependencies(const std::shared_ptr<const Node>& source_node) {
  for (auto& node : source_node->get_control_dependencies()) add_control_dependency(node);
}

void Node::add_node_control_dependents(const std::shared_ptr<const Node>& source_node) {
  for (Node* node : source_node->get_control_dependents()) {
    node->add_control_dependency(shared_from_this());
  }
}

void Node::transfer_control_dependents(std::shared_ptr<Node> replacement) {
  replacement->add_node_control_dependents(shared_from_this());
  clear_control_dependents();
}

void Node::remove_control_dependency(std::shared_ptr<Node> node) {
  auto it = std::find(m_control_dependencies.begin(), m_control_dependencies.end(), node);
  if (it != m_control_dependencies.end()) {
    auto& dependents = node->m_control_dependents;
    dependents.erase(std::remove(dependents.begin(), dependents.end(), this), dependents.end());
    m_control_dependencies.erase(it);
  }
}

void Node::clear_control_dependencies() {
  for (auto& node : m_control_dependencies) {
    auto& dependents = node->m_control_dependents;
    dependents.erase(std::remove(dependents.begin(), dependents.end(), this), dependents.end());
  }
  m_control_dependencies.clear();
}

void Node::clear_control_dependents() {
  while (!m_control_dependents.empty()) {
    (*m_control_dependents.begin())->remove_control_dependency(shared_from_this());
  }
}

descriptor::Input& Node::get_input_descriptor(size_t position) {
  while (m_inputs.size() <= position) m_inputs.emplace_back(this, m_inputs.size());
  return m_inputs[position];
}

descriptor::Output& Node::get_output_descriptor(size_t position) {
  while (m_outputs.size() <= position) {
    const size_t i = m_outputs.size();
    m_outputs.emplace_back(
        this, i, std::make_shared<descriptor::Tensor>(element::dynamic, PartialShape::dynamic()));
  }
  return m_outputs[position];
}

const element::Type& Node::get_output_element_type(size_t i) const {
  OPENVINO_ASSERT(i < m_outputs.size(), "index '", i,
                  "' out of range in get_element_type(size_t i)");
  return m_outputs[i].get_tensor().get_element_type();
}

const element::Type& Node::get_element_type() const {
  if (get_output_size() != 1) {
    OPENVINO_THROW("get_element_type() must be called on a node with exactly one output.");
  }
  return get_output_element_type(0);
}

const Shape& Node::get_output_shape(size_t i) const {
  OPENVINO_ASSERT(i < m_outputs.size(), "index '", i,
                  "' out of range in get_output_shape(size_t i)");
  return m_outputs[i].get_tensor().get_shape();
}

const PartialShape& Node::get_output_partial_shape(size_t i) const {
  OPENVINO_ASSERT(i < m_outputs.size(), "index '", i,
                  "' out of range in get_output_partial_shape(size_t i)");
  return m_outputs[i].get_tensor().get_partial_shape();
}

const Shape& Node::get_shape() const {
  NODE_VALIDATION_CHECK(this, get_output_size() == 1,
                        "get_shape() must be called on a node with exactly one output");
  return get_output_shape(0);
}

size_t Node::no_default_index() const {
  NODE_VALIDATION_CHECK(this, false, "Default output not supported");
  return 0;
}

Output<const Node> Node::get_default_output() const { return output(get_default_output_index()); }
Output<Node> Node::get_default_output() { return output(get_default_output_index()); }

descriptor::Tensor& Node::get_output_tensor(size_t i) const {
  OPENVINO_ASSERT(i < m_outputs.size(), "index '", i,
                  "' out of range in get_output_tensor(size_t i)");
  return m_outputs[i].get_tensor();
}

descriptor::Tensor& Node::get_input_tensor(size_t i) const {
  OPENVINO_ASSERT(i < m_inputs.size() && m_inputs[i].has_output(), "index '", i,
                  "' out of range in get_input_tensor(size_t i)");
  return const_cast<descriptor::Input&>(m_inputs[i]).get_tensor();
}

std::set<Input<Node>> Node::get_output_target_inputs(size_t i) const {
  std::set<Input<Node>> result;
  for (auto* input : m_outputs.at(i).get_inputs()) {
    result.emplace(input->get_raw_pointer_node(), input->get_index());
  }
  return result;
}

const element::Type& Node::get_input_element_type(size_t i) const {
  OPENVINO_ASSERT(i < m_inputs.size() && m_inputs[i].has_output(), "index '", i,
                  "' out of range in get_input_element_type(size_t i)");
  return m_inputs[i].get_tensor().get_element_type();
}

const Shape& Node::get_input_shape(size_t i) const {
  OPENVINO_ASSERT(i < m_inputs.size() && m_inputs[i].has_output(), "index '", i,
                  "' out of range in get_input_shape(size_t i)");
  return m_inputs[i].get_tensor().get_shape();
}

const PartialShape& Node::get_input_partial_shape(size_t i) const {
  OPENVINO_ASSERT(i < m_inputs.size() && m_inputs[i].has_output(), "index '", i,
                  "' out of range in get_input_partial_shape(size_t i)");
  return m_inputs[i].get_tensor().get_partial_shape();
}

Node* Node::get_input_node_ptr(size_t index) const {
  OPENVINO_ASSERT(index < m_inputs.size() && m_inputs[index].has_output(), "index '", index,
                  "' out of range in get_argument(size_t index)");
  return m_inputs[index].get_output().get_raw_pointer_node();
}

std::shared_ptr<Node> Node::get_input_node_shared_ptr(size_t index) const {
  OPENVINO_ASSERT(index < m_inputs.size() && m_inputs[index].has_output(), "index '", index,
                  "' out of range in get_argument(size_t index)");
  return m_inputs[index].get_source_node();
}

Output<Node> Node::get_input_source_output(size_t i) const { return input_value(i); }

std::shared_ptr<Node> Node::copy_with_new_inputs(const OutputVector& inputs) const {
  return copy_with_new_inputs(inputs, get_control_dependencies());
}

std::shared_ptr<Node> Node::copy_with_new_inputs(
    const OutputVector& inputs,
    const std::vector<std::shared_ptr<Node>>& control_dependencies) const {
  auto clone = clone_with_new_inputs(inputs);
  for (auto& cdep : control_dependencies) clone->add_control_dependency(cdep);
  for (size_t i = 0; i < get_output_size() && i < clone->get_output_size(); i++) {
    clone->get_output_tensor(i).set_names(get_output_tensor(i).get_names());
  }
  return clone;
}

bool Node::has_same_type(std::shared_ptr<const Node> node) const {
  if (get_output_size() != node->get_output_size()) return false;
  for (size_t i = 0; i < get_output_size(); ++i) {
    if (get_output_element_type(i) != node->get_output_element_type(i) ||
        get_output_partial_shape(i) != node->get_output_partial_shape(i)) {
      return false;
    }
  }
  return true;
}

namespace {
bool reaches_result(Node* node, std::unordered_map<Node*, bool>& memo) {
  auto it = memo.find(node);
  if (it != memo.end()) return it->second;
  memo[node] = false;
  bool reached = ov::is_type<op::v0::Result>(node);
  for (size_t i = 0; !reached && i < node->get_output_size(); ++i) {
    for (const auto& input : node->get_output_target_inputs(i)) {
      if (reaches_result(input.get_node(), memo)) {
        reached = true;
        break;
      }
    }
  }
  memo[node] = reached;
  return reached;
}
}  // namespace

NodeVector Node::get_users(bool check_is_used) const {
  NodeVector result;
  std::unordered_map<Node*, bool> memo;
  for (const auto& output : outputs()) {
    for (const auto& input : output.get_target_inputs()) {
      Node* input_node = input.get_node();
      if (!check_is_used || reaches_result(input_node, memo)) {
        result.push_back(input_node->shared_from_this());
      }
    }
  }
  return result;
}

std::vector<Input<Node>> Node::inputs() {
  std::vector<Input<Node>> result;
  for (size_t i = 0; i < get_input_size(); i++) result.emplace_back(this, i);
  return result;
}

std::vector<Input<const Node>> Node::inputs() const {
  std::vector<Input<const Node>> result;
  for (size_t i = 0; i < get_input_size(); i++) result.emplace_back(this, i);
  return result;
}

std::vector<Output<Node>> Node::input_values() const {
  std::vector<Output<Node>> result;
  for (size_t i = 0; i < get_input_size(); i++) result.emplace_back(input(i).get_source_output());
  return result;
}

std::vector<Output<Node>> Node::outputs() {
  std::vector<Output<Node>> result;
  for (size_t i = 0; i < get_output_size(); i++) result.emplace_back(shared_from_this(), i);
  return result;
}

std::vector<Output<const Node>> Node::outputs() const {
  std::vector<Output<const Node>> result;
  for (size_t i = 0; i < get_output_size(); i++) result.emplace_back(shared_from_this(), i);
  return result;
}

Input<Node> Node::input(size_t input_index) {
  if (input_index >= m_inputs.size()) OPENVINO_THROW("node index is out of range");
  return Input<Node>(this, input_index);
}

Input<const Node> Node::input(size_t input_index) const {
  if (input_index >= m_inputs.size()) OPENVINO_THROW("node index is out of range");
  return Input<const Node>(this, input_index);
}

Output<Node> Node::input_value(size_t input_index) const {
  return input(input_index).get_source_output();
}

Output<Node> Node::output(size_t output_index) {
  if (output_index != 0 && output_index >= m_outputs.size()) {
    OPENVINO_THROW("node index is out of range");
  }
  return Output<Node>(this, output_index);
}

Output<const Node> Node::output(size_t output_index) const {
  if (output_index != 0 && output_index >= m_outputs.size()) {
    OPENVINO_THROW("node index is out of range");
  }
  return Output<const Node>(this, output_index);
}

bool Node::is_const_fold_disabled() const { return ov::pass::constant_folding_is_disabled(this); }

std::ostream& operator<<(std::ostream& out, const Node& node) {
  return node.write_description(out, 1);
}

std::ostream& operator<<(std::ostream& out, const Node* node) {
  return node->write_description(out, 1);
}

// ---- validation failures ----

NodeValidationFailure::~NodeValidationFailure() = default;

void NodeValidationFailure::create(const char* file, int line, const char* check_string,
                                   const Node* node, const std::string& explanation) {
  std::stringstream ss;
  ss << "While validating node '";
  node->write_description(ss, 1);
  ss << "' with friendly_name '" << node->get_friendly_name() << "'";
  throw NodeValidationFailure(make_what(file, line, check_string, ss.str(), explanation));
}

void NodeValidationFailure::create(const char* file, int line, const char* check_string,
                                   std::pair<const Node*, const std::vector<PartialShape>*>&& ctx,
                                   const std::string& explanation) {
  std::stringstream ss;
  ss << "While validating node '";
  ctx.first->write_description(ss, 1);
  ss << "' with friendly_name '" << ctx.first->get_friendly_name() << "'";
  std::stringstream ex;
  ex << explanation;
  if (ctx.second) {
    ex << " Input shapes: (";
    for (size_t i = 0; i < ctx.second->size(); ++i) ex << (i ? ", " : "") << (*ctx.second)[i];
    ex << ")";
  }
  throw NodeValidationFailure(make_what(file, line, check_string, ss.str(), ex.str()));
}

void check_new_args_count(const Node* const node, const OutputVector& new_args) {
  NODE_VALIDATION_CHECK(node, new_args.size() == node->input_values().size(),
                        "clone_with_new_inputs() expected ", node->input_values().size(),
                        " argument", (node->input_values().size() == 1 ? "" : "s"), " but got ",
                        new_args.size());
}

// ---- node vectors ----

OutputVector as_output_vector(const NodeVector& args) {
  OutputVector output_vector;
  for (const auto& arg : args) output_vector.push_back(arg);
  return output_vector;
}

NodeVector as_node_vector(const OutputVector& values) {
  NodeVector node_vector;
  for (const auto& value : values) node_vector.emplace_back(value.get_node_shared_ptr());
  return node_vector;
}

ResultVector as_result_vector(const OutputVector& values) {
  ResultVector result;
  for (const auto& value : values) {
    auto node = value.get_node_shared_ptr();
    auto as_result = ov::as_type_ptr<op::v0::Result>(node);
    result.push_back(as_result ? as_result : std::make_shared<op::v0::Result>(value));
  }
  return result;
}

}  // namespace ov
