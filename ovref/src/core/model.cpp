#include "openvino/core/model.hpp"

#include <algorithm>
#include <atomic>
#include <sstream>
#include <stack>
#include <unordered_map>
#include <unordered_set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"

namespace ov {

namespace {

std::atomic<size_t> g_next_model_id{0};

}  // namespace

Model::Model(const ResultVector& results, const ParameterVector& parameters,
             const std::string& name)
    : m_friendly_name(name),
      m_name("Model" + std::to_string(g_next_model_id.fetch_add(1))),
      m_results(results),
      m_parameters(parameters) {
  prerequirements(false);
}

Model::Model(const OutputVector& results, const ParameterVector& parameters,
             const std::string& name)
    : Model(as_result_vector(results), parameters, name) {}

Model::Model(const NodeVector& results, const ParameterVector& parameters, const std::string& name)
    : Model(as_output_vector(results), parameters, name) {}

Model::Model(const std::shared_ptr<Node>& result, const ParameterVector& parameters,
             const std::string& name)
    : Model(result->outputs(), parameters, name) {}

Model::Model(const OutputVector& results, const std::string& name)
    : m_friendly_name(name),
      m_name("Model" + std::to_string(g_next_model_id.fetch_add(1))),
      m_results(as_result_vector(results)) {
  prerequirements(true);
}

Model::~Model() = default;

void Model::prerequirements(bool detect_parameters) {
  for (const auto& p : m_parameters) {
    OPENVINO_ASSERT(p != nullptr,
                    "Model is incorrect! Some Parameter operation equals to nullptr.");
  }
  for (const auto& r : m_results) {
    OPENVINO_ASSERT(r != nullptr, "Model is incorrect! Some Result operation equals to nullptr.");
  }
  const auto ops = get_ordered_ops();
  if (detect_parameters) {
    m_parameters.clear();
    for (const auto& op : ops) {
      if (auto param = ov::as_type_ptr<op::v0::Parameter>(op)) m_parameters.push_back(param);
    }
  } else {
    check_all_parameters_registered(ops);
  }
}

void Model::check_all_parameters_registered(
    const std::vector<std::shared_ptr<Node>>& ordered_ops) const {
  std::unordered_set<Node*> declared;
  for (const auto& p : m_parameters) declared.insert(p.get());
  std::stringstream unregistered;
  for (const auto& node : ordered_ops) {
    if (ov::is_type<op::v0::Parameter>(node) && !declared.count(node.get())) {
      unregistered << node->get_friendly_name() << " ";
    }
  }
  if (!unregistered.str().empty()) {
    OPENVINO_THROW("Model references undeclared parameters: ", unregistered.str());
  }
}

const std::string& Model::get_friendly_name() const {
  return m_friendly_name.empty() ? m_name : m_friendly_name;
}

std::vector<std::shared_ptr<Node>> Model::get_ordered_ops() const {
  NodeVector roots;
  for (const auto& r : m_results) roots.push_back(r);
  for (const auto& p : m_parameters) roots.push_back(p);
  return topological_sort(roots);
}

std::vector<std::shared_ptr<Node>> Model::get_ops() const {
  std::vector<std::shared_ptr<Node>> ops;
  traverse_nodes(this, [&](const std::shared_ptr<Node>& node) { ops.push_back(node); });
  return ops;
}

void Model::map_unordered_ops(std::function<void(Node*)> f) const {
  traverse_nodes(this, [&](const std::shared_ptr<Node>& node) { f(node.get()); });
}

void Model::replace_node(std::shared_ptr<Node> old, std::shared_ptr<Node> repl) {
  ov::replace_node(old, repl);
}

// One topological order serves both the validation and the parameter check.
void Model::validate_nodes_and_infer_types() const {
  const auto ops = get_ordered_ops();
  for (const auto& node : ops) node->revalidate_and_infer_types();
  check_all_parameters_registered(ops);
}

size_t Model::get_graph_size() const {
  size_t total = 0;
  for (const auto& node : get_ops()) {
    total += sizeof(*node);
    if (auto constant = ov::as_type_ptr<op::v0::Constant>(node)) total += constant->get_byte_size();
  }
  return total;
}

bool Model::is_dynamic() const {
  for (const auto& node : get_ops()) {
    if (node->is_dynamic()) return true;
  }
  return false;
}

std::shared_ptr<Node> Model::get_output_op(size_t i) const { return m_results.at(i); }

const element::Type& Model::get_output_element_type(size_t i) const {
  return m_results.at(i)->get_element_type();
}

const Shape& Model::get_output_shape(size_t i) const {
  return m_results.at(i)->get_output_shape(0);
}

const PartialShape& Model::get_output_partial_shape(size_t i) const {
  return m_results.at(i)->get_output_partial_shape(0);
}

std::shared_ptr<Node> Model::get_result() const {
  OPENVINO_ASSERT(m_results.size() == 1,
                  "get_result() must be called on a Model with exactly one result.");
  return m_results.at(0);
}

void Model::replace_parameter(size_t parameter_index,
                              const std::shared_ptr<op::v0::Parameter>& parameter) {
  OPENVINO_ASSERT(parameter_index < m_parameters.size(),
                  "replace_parameter(): Tried to replace parameter at index ", parameter_index,
                  " but the Model only has ", m_parameters.size(), " parameters.");
  ov::replace_node(m_parameters[parameter_index], parameter);
  m_parameters[parameter_index] = parameter;
}

int64_t Model::get_parameter_index(const std::shared_ptr<op::v0::Parameter>& parameter) const {
  for (size_t i = 0; i < m_parameters.size(); ++i) {
    if (m_parameters[i] == parameter) return static_cast<int64_t>(i);
  }
  return -1;
}

int64_t Model::get_result_index(const Output<Node>& value) const {
  return get_result_index(Output<const Node>(value.get_node(), value.get_index()));
}

int64_t Model::get_result_index(const Output<const Node>& value) const {
  for (size_t i = 0; i < m_results.size(); ++i) {
    if (Output<const Node>(m_results[i]->input_value(0)) == value) return static_cast<int64_t>(i);
  }
  // The value may also be the Result's own output.
  for (size_t i = 0; i < m_results.size(); ++i) {
    if (value.get_node() == m_results[i].get()) return static_cast<int64_t>(i);
  }
  return -1;
}

void Model::add_parameters(const ParameterVector& params) {
  for (size_t i = 0; i < params.size(); i++) {
    for (size_t j = 0; j < m_parameters.size(); j++) {
      OPENVINO_ASSERT(params[i] != m_parameters[j],
                      "add_parameters(): Tried to add parameter (index in array ", i,
                      ") but Model already have the same parameter with index ", j);
    }
  }
  m_parameters.insert(m_parameters.end(), params.begin(), params.end());
}

void Model::remove_parameter(const std::shared_ptr<op::v0::Parameter>& param) {
  m_parameters.erase(std::remove(m_parameters.begin(), m_parameters.end(), param),
                     m_parameters.end());
}

void Model::add_results(const ResultVector& results) {
  m_results.insert(m_results.end(), results.begin(), results.end());
}

void Model::remove_result(const std::shared_ptr<op::v0::Result>& result) {
  m_results.erase(std::remove(m_results.begin(), m_results.end(), result), m_results.end());
}

std::vector<Output<Node>> Model::outputs() {
  std::vector<Output<Node>> results;
  for (auto& r : m_results) results.emplace_back(r, 0);
  return results;
}

std::vector<Output<const Node>> Model::outputs() const {
  std::vector<Output<const Node>> results;
  for (auto& r : m_results) results.emplace_back(std::shared_ptr<const Node>(r), 0);
  return results;
}

Output<Node> Model::output() {
  OPENVINO_ASSERT(m_results.size() == 1,
                  "output() must be called on a Model with exactly one result.");
  return m_results.at(0);
}

Output<const Node> Model::output() const {
  OPENVINO_ASSERT(m_results.size() == 1,
                  "output() must be called on a Model with exactly one result.");
  return std::shared_ptr<const Node>(m_results.at(0));
}

Output<Node> Model::output(size_t i) { return m_results.at(i); }

Output<const Node> Model::output(size_t i) const {
  return std::shared_ptr<const Node>(m_results.at(i));
}

Output<Node> Model::output(const std::string& tensor_name) {
  for (const auto& r : m_results) {
    if (r->get_input_tensor(0).get_names().count(tensor_name) ||
        r->get_output_tensor(0).get_names().count(tensor_name)) {
      return r;
    }
  }
  OPENVINO_THROW("Output for tensor name '", tensor_name, "' is not found.");
}

Output<const Node> Model::output(const std::string& tensor_name) const {
  return const_cast<Model*>(this)->output(tensor_name);
}

std::vector<Output<Node>> Model::inputs() {
  std::vector<Output<Node>> results;
  for (auto& p : m_parameters) results.emplace_back(p, 0);
  return results;
}

std::vector<Output<const Node>> Model::inputs() const {
  std::vector<Output<const Node>> results;
  for (auto& p : m_parameters) results.emplace_back(std::shared_ptr<const Node>(p), 0);
  return results;
}

Output<Node> Model::input() {
  OPENVINO_ASSERT(m_parameters.size() == 1,
                  "input() must be called on a Model with exactly one parameter.");
  return m_parameters.at(0);
}

Output<const Node> Model::input() const {
  OPENVINO_ASSERT(m_parameters.size() == 1,
                  "input() must be called on a Model with exactly one parameter.");
  return std::shared_ptr<const Node>(m_parameters.at(0));
}

Output<Node> Model::input(size_t i) { return m_parameters.at(i); }

Output<const Node> Model::input(size_t i) const {
  return std::shared_ptr<const Node>(m_parameters.at(i));
}

Output<Node> Model::input(const std::string& tensor_name) {
  for (const auto& p : m_parameters) {
    if (p->get_output_tensor(0).get_names().count(tensor_name)) return p;
  }
  OPENVINO_THROW("Input for tensor name '", tensor_name, "' is not found.");
}

Output<const Node> Model::input(const std::string& tensor_name) const {
  return const_cast<Model*>(this)->input(tensor_name);
}

Output<Node> Model::add_output(const std::string& tensor_name) {
  for (const auto& op : get_ops()) {
    for (auto& output : op->outputs()) {
      if (output.get_names().count(tensor_name)) return add_output(output);
    }
  }
  OPENVINO_THROW("Tensor name ", tensor_name, " was not found.");
}

Output<Node> Model::add_output(const std::string& op_name, size_t output_idx) {
  for (const auto& op : get_ops()) {
    if (op->get_friendly_name() == op_name) {
      OPENVINO_ASSERT(output_idx < op->get_output_size(), "Cannot add output to port ", output_idx,
                      " operation ", op->get_friendly_name(), " has only ", op->get_output_size(),
                      " outputs.");
      return add_output(op->output(output_idx));
    }
  }
  OPENVINO_THROW("Port ", output_idx, " for operation with name ", op_name, " was not found.");
}

Output<Node> Model::add_output(const Output<Node>& port) {
  if (ov::is_type<op::v0::Result>(port.get_node())) return port;
  for (const auto& input : port.get_target_inputs()) {
    if (auto result = ov::as_type_ptr<op::v0::Result>(input.get_node()->shared_from_this())) {
      if (std::find(m_results.begin(), m_results.end(), result) != m_results.end()) return result;
    }
  }
  auto result = std::make_shared<op::v0::Result>(port);
  m_results.push_back(result);
  return result;
}

void Model::reshape(const PartialShape& partial_shape) {
  OPENVINO_ASSERT(m_parameters.size() == 1,
                  "must be called on a Model with exactly one parameter.");
  reshape(std::map<size_t, PartialShape>{{0, partial_shape}});
}

void Model::reshape(const std::map<size_t, PartialShape>& partial_shapes) {
  std::map<Output<Node>, PartialShape> by_port;
  for (const auto& item : partial_shapes) by_port[input(item.first)] = item.second;
  reshape(by_port);
}

void Model::reshape(const std::map<std::string, PartialShape>& partial_shapes) {
  std::map<Output<Node>, PartialShape> by_port;
  for (const auto& item : partial_shapes) by_port[input(item.first)] = item.second;
  reshape(by_port);
}

void Model::reshape(const std::map<Output<Node>, PartialShape>& partial_shapes) {
  std::map<op::v0::Parameter*, PartialShape> original;
  for (const auto& item : partial_shapes) {
    auto* param = ov::as_type<op::v0::Parameter>(item.first.get_node());
    OPENVINO_ASSERT(param && get_parameter_index(std::static_pointer_cast<op::v0::Parameter>(
                                 param->shared_from_this())) >= 0,
                    "reshape() expects the ports of the model's parameters");
    original[param] = param->get_partial_shape();
  }
  try {
    for (const auto& item : partial_shapes) {
      auto* param = ov::as_type<op::v0::Parameter>(item.first.get_node());
      param->set_partial_shape(item.second);
    }
    validate_nodes_and_infer_types();
  } catch (...) {
    // Put the model back the way it was.
    for (const auto& item : original) item.first->set_partial_shape(item.second);
    validate_nodes_and_infer_types();
    throw;
  }
}

bool Model::evaluate(TensorVector& output_tensors, const TensorVector& input_tensors) const {
  EvaluationContext context;
  return evaluate(output_tensors, input_tensors, context);
}

bool Model::evaluate(TensorVector& output_tensors, const TensorVector& input_tensors,
                     EvaluationContext& evaluation_context) const {
  OPENVINO_ASSERT(input_tensors.size() == m_parameters.size(), "Model::evaluate() expected ",
                  m_parameters.size(), " input tensors but got ", input_tensors.size());
  if (output_tensors.size() < m_results.size()) output_tensors.resize(m_results.size());
  std::map<Output<const Node>, Tensor> values;
  for (size_t i = 0; i < m_parameters.size(); ++i) {
    const auto& param = m_parameters[i];
    const auto& tensor = input_tensors[i];
    OPENVINO_ASSERT(tensor, "Input tensor ", i, " is empty");
    OPENVINO_ASSERT(param->get_element_type().compatible(tensor.get_element_type()),
                    "Input tensor ", i, " has element type ", tensor.get_element_type(),
                    " but parameter '", param->get_friendly_name(), "' expects ",
                    param->get_element_type());
    OPENVINO_ASSERT(param->get_partial_shape().compatible(tensor.get_shape()), "Input tensor ", i,
                    " has shape ", tensor.get_shape(), " but parameter '",
                    param->get_friendly_name(), "' expects ", param->get_partial_shape());
    values[Output<const Node>(param, 0)] = tensor;
  }
  std::unordered_map<const Node*, size_t> result_index;
  for (size_t i = 0; i < m_results.size(); ++i) result_index[m_results[i].get()] = i;

  for (const auto& node : get_ordered_ops()) {
    if (ov::is_type<op::v0::Parameter>(node)) continue;
    // Constants are read in place: weights are never copied to evaluate a model.
    if (auto constant = ov::as_type_ptr<op::v0::Constant>(node)) {
      values[Output<const Node>(node, 0)] = constant->get_tensor_view();
      continue;
    }
    TensorVector inputs;
    for (const auto& input : node->input_values()) {
      auto it = values.find(Output<const Node>(input.get_node_shared_ptr(), input.get_index()));
      OPENVINO_ASSERT(it != values.end(), "Evaluation of '", node->get_friendly_name(),
                      "' needs a value that was not computed");
      inputs.push_back(it->second);
    }
    TensorVector outputs;
    auto result_it = result_index.find(node.get());
    for (size_t i = 0; i < node->get_output_size(); ++i) {
      if (result_it != result_index.end() && output_tensors[result_it->second]) {
        outputs.push_back(output_tensors[result_it->second]);
        continue;
      }
      const auto& type = node->get_output_element_type(i);
      const auto& pshape = node->get_output_partial_shape(i);
      if (type.is_static()) {
        outputs.emplace_back(type, pshape.is_static() ? pshape.to_shape() : Shape{0});
      } else {
        outputs.emplace_back();
      }
    }
    if (!node->evaluate(outputs, inputs, evaluation_context)) return false;
    for (size_t i = 0; i < outputs.size(); ++i) {
      values[Output<const Node>(node, i)] = outputs[i];
    }
    if (result_it != result_index.end()) output_tensors[result_it->second] = outputs[0];
  }
  return true;
}

std::shared_ptr<Model> Model::clone() const {
  std::unordered_map<Node*, std::shared_ptr<Node>> node_map;
  for (const auto& node : get_ordered_ops()) {
    OutputVector new_args;
    for (const auto& input : node->input_values()) {
      new_args.push_back(node_map.at(input.get_node())->output(input.get_index()));
    }
    NodeVector control_deps;
    for (const auto& dep : node->get_control_dependencies())
      control_deps.push_back(node_map.at(dep.get()));
    auto clone = node->copy_with_new_inputs(new_args, control_deps);
    clone->set_friendly_name(node->get_friendly_name());
    clone->get_rt_info() = node->get_rt_info();
    for (size_t i = 0; i < node->get_output_size(); ++i) {
      clone->get_output_tensor(i).clone_from(node->get_output_tensor(i));
      clone->output(i).get_rt_info() = node->output(i).get_rt_info();
    }
    for (size_t i = 0; i < node->get_input_size(); ++i) {
      clone->input(i).get_rt_info() = node->input(i).get_rt_info();
    }
    node_map[node.get()] = clone;
  }
  ParameterVector params;
  for (const auto& p : m_parameters) {
    params.push_back(std::static_pointer_cast<op::v0::Parameter>(node_map.at(p.get())));
  }
  ResultVector results;
  for (const auto& r : m_results) {
    results.push_back(std::static_pointer_cast<op::v0::Result>(node_map.at(r.get())));
  }
  auto result = std::make_shared<Model>(results, params, get_friendly_name());
  result->m_rt_info = m_rt_info;
  return result;
}

const Any& Model::get_rt_info_path(const std::vector<std::string>& path) const {
  OPENVINO_ASSERT(!path.empty(), "rt_info path must not be empty");
  const RTMap* map = &m_rt_info;
  for (size_t i = 0; i < path.size(); ++i) {
    auto it = map->find(path[i]);
    OPENVINO_ASSERT(it != map->end(),
                    "Cannot get runtime info. Path to runtime attribute is incorrect.");
    if (i + 1 == path.size()) return it->second;
    OPENVINO_ASSERT(it->second.is<RTMap>(),
                    "Cannot get runtime info. Path to runtime attribute is incorrect.");
    map = &it->second.as<RTMap>();
  }
  OPENVINO_THROW("Cannot get runtime info. Path to runtime attribute is incorrect.");
}

bool Model::has_rt_info_path(const std::vector<std::string>& path) const {
  const RTMap* map = &m_rt_info;
  for (size_t i = 0; i < path.size(); ++i) {
    auto it = map->find(path[i]);
    if (it == map->end()) return false;
    if (i + 1 == path.size()) return true;
    if (!it->second.is<RTMap>()) return false;
    map = &it->second.as<RTMap>();
  }
  return false;
}

void Model::set_rt_info_path(const Any& value, const std::vector<std::string>& path) {
  OPENVINO_ASSERT(!path.empty(), "rt_info path must not be empty");
  RTMap* map = &m_rt_info;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    auto& entry = (*map)[path[i]];
    if (!entry.is<RTMap>()) entry = RTMap{};
    map = &entry.as<RTMap>();
  }
  (*map)[path.back()] = value;
}

bool Model::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("friendly_name", m_friendly_name);
  return true;
}

std::ostream& operator<<(std::ostream& out, const Model& model) {
  return out << "Model(" << model.get_name() << ")";
}

// ---- graph utilities ----

void traverse_nodes(const std::shared_ptr<const Model>& p,
                    const std::function<void(const std::shared_ptr<Node>&)>& f) {
  traverse_nodes(p.get(), f);
}

void traverse_nodes(const Model* p, const std::function<void(const std::shared_ptr<Node>&)>& f) {
  NodeVector nodes;
  for (const auto& r : p->get_results()) nodes.push_back(r);
  for (const auto& param : p->get_parameters()) nodes.push_back(param);
  traverse_nodes(nodes, f);
}

void traverse_nodes(const NodeVector& subgraph_results,
                    const std::function<void(const std::shared_ptr<Node>&)>& f,
                    const NodeVector& subgraph_params) {
  std::unordered_set<Node*> instances_seen;
  std::stack<Node*, std::vector<Node*>> stack;
  for (const auto& node_ptr : subgraph_params) instances_seen.insert(node_ptr.get());
  for (const auto& node_ptr : subgraph_results) stack.push(node_ptr.get());
  while (!stack.empty()) {
    Node* n = stack.top();
    stack.pop();
    if (instances_seen.insert(n).second) {
      f(n->shared_from_this());
      for (size_t i = 0; i < n->get_input_size(); i++) stack.push(n->get_input_node_ptr(i));
      for (const auto& cdep : n->get_control_dependencies()) stack.push(cdep.get());
    }
  }
}

void replace_node(const std::shared_ptr<Node>& target, const std::shared_ptr<Node>& replacement,
                  const std::vector<int64_t>& output_order) {
  if (ov::is_type<op::v0::Result>(target)) OPENVINO_THROW("Result nodes cannot be replaced.");
  OPENVINO_ASSERT(target->get_output_size() == output_order.size(),
                  "Target output size: ", target->get_output_size(),
                  " must be equal output_order size: ", output_order.size());
  OPENVINO_ASSERT(target->get_output_size() == replacement->get_output_size(),
                  "Target output size: ", target->get_output_size(),
                  " must be equal replacement output size: ", replacement->get_output_size());
  replacement->add_node_control_dependents(target);
  replacement->add_node_control_dependencies(target);
  target->clear_control_dependents();
  for (size_t i = 0; i < target->get_output_size(); i++) {
    target->output(i).replace(replacement->output(static_cast<size_t>(output_order[i])));
  }
}

void replace_node(const std::shared_ptr<Node>& target, const OutputVector& replacement_values) {
  if (ov::is_type<op::v0::Result>(target)) OPENVINO_THROW("Result nodes cannot be replaced.");
  OPENVINO_ASSERT(target->get_output_size() == replacement_values.size(),
                  "Target output size: ", target->get_output_size(),
                  " must be equal replacement values size: ", replacement_values.size());
  std::unordered_set<std::shared_ptr<Node>> replacement_nodes;
  for (size_t i = 0; i < target->get_output_size(); i++) {
    auto& replacement_value = replacement_values.at(i);
    auto replacement_node = replacement_value.get_node_shared_ptr();
    if (replacement_nodes.insert(replacement_node).second) {
      replacement_node->add_node_control_dependents(target);
      replacement_node->add_node_control_dependencies(target);
    }
    target->output(i).replace(replacement_value);
  }
  target->clear_control_dependents();
}

void replace_node(const std::shared_ptr<Node>& target, const std::shared_ptr<Node>& replacement) {
  std::vector<int64_t> default_order(target->get_output_size());
  for (size_t i = 0; i < default_order.size(); ++i) default_order[i] = static_cast<int64_t>(i);
  replace_node(target, replacement, default_order);
}

void replace_nodes(
    const std::shared_ptr<Model>& f,
    const std::unordered_map<std::shared_ptr<op::v0::Parameter>,
                             std::shared_ptr<op::v0::Parameter>>& parameter_replacement_map,
    const std::unordered_map<std::shared_ptr<Node>, std::shared_ptr<Node>>& body_replacement_map) {
  auto& params = f->get_parameters();
  for (size_t i = 0; i < params.size(); i++) {
    auto it = parameter_replacement_map.find(params[i]);
    if (it != parameter_replacement_map.end()) f->replace_parameter(i, it->second);
  }
  for (const auto& kv : body_replacement_map) replace_node(kv.first, kv.second);
}

bool replace_output_update_name(Output<Node> output, const Output<Node>& replacement) {
  bool has_result_output = false;
  for (auto& target_input : output.get_target_inputs()) {
    if (ov::is_type<op::v0::Result>(target_input.get_node())) {
      has_result_output = true;
      break;
    }
  }
  if (has_result_output) {
    if (output.get_node()->get_output_size() != 1 ||
        replacement.get_node()->get_output_size() != 1 ||
        ov::is_type<op::v0::Parameter>(replacement.get_node())) {
      return false;
    }
    for (auto& target_input : replacement.get_target_inputs()) {
      if (ov::is_type<op::v0::Result>(target_input.get_node())) return false;
    }
    replacement.get_node()->set_friendly_name(output.get_node()->get_friendly_name());
  }
  output.replace(replacement);
  copy_runtime_info({replacement.get_node_shared_ptr(), output.get_node_shared_ptr()},
                    replacement.get_node_shared_ptr());
  return true;
}

bool replace_node_update_name(const std::shared_ptr<Node>& target,
                              const std::shared_ptr<Node>& replacement) {
  for (auto& output : target->output(0).get_target_inputs()) {
    if (replacement->get_input_size() > 0 &&
        ov::is_type<op::v0::Parameter>(replacement->input_value(0).get_node()) &&
        ov::is_type<op::v0::Result>(output.get_node())) {
      return false;
    }
  }
  replace_node(target, replacement);
  replacement->set_friendly_name(target->get_friendly_name());
  copy_runtime_info(target, replacement);
  return true;
}

bool compare_constants(const std::shared_ptr<Node>& n1, const std::shared_ptr<Node>& n2) {
  auto c1 = ov::as_type_ptr<op::v0::Constant>(n1);
  auto c2 = ov::as_type_ptr<op::v0::Constant>(n2);
  if (!c1 || !c2) return false;
  return c1->get_value_strings() == c2->get_value_strings();
}

}  // namespace ov
