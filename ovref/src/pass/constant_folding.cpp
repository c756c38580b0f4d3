// Constant folding: replaces sub-graphs whose values are known by Constants.
#include "openvino/pass/constant_folding.hpp"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"

namespace ov {
namespace pass {

namespace {

constexpr const char* kCanBeFolded = "can_be_folded";

bool has_type_name(const Node* node, const char* name) {
  return std::strcmp(node->get_type_info().name, name) == 0;
}

// ShapeOf of either opset.
bool is_shape_of(const Node* node) { return has_type_name(node, "ShapeOf"); }

// Nodes whose value is never known ahead of a run.
bool is_never_foldable(const Node* node) {
  return ov::is_type<op::v0::Parameter>(node) || ov::is_type<op::v0::Result>(node) ||
         has_type_name(node, "ReadValue") || has_type_name(node, "Assign");
}

std::string folded_name(const Node& original, size_t output) {
  if (original.get_output_size() == 1) return original.get_friendly_name();
  return original.get_friendly_name() + "." + std::to_string(output);
}

bool tagged_foldable(const Node* node) {
  const auto& rt = node->get_rt_info();
  auto it = rt.find(kCanBeFolded);
  return it != rt.end() && it->second.is<bool>() && it->second.as<bool>();
}

}  // namespace

void ConstantFolding::copy_runtime_info_from_input_values(const std::shared_ptr<Node>& node) {
  if (is_shape_of(node.get())) return;
  NodeVector from{node};
  for (const auto& input : node->input_values()) from.push_back(input.get_node_shared_ptr());
  copy_runtime_info(from, node);
}

bool ConstantFolding::pre_calculated_values_folding(const std::shared_ptr<ov::Model>& model) {
  // Values of outputs known without running the model: Constants, shapes of statically shaped
  // tensors, and what is computed from them. Only the parts that depend on a shape are
  // computed here; purely constant sub-graphs fold in the main sweep.
  std::unordered_map<Node*, TensorVector> known;
  std::unordered_set<Node*> shape_dependent;
  for (const auto& node : model->get_ordered_ops()) {
    Node* raw = node.get();
    bool can_be_folded;
    if (constant_folding_is_disabled(raw)) {
      can_be_folded = false;
    } else if (is_shape_of(raw)) {
      can_be_folded = true;
    } else if (is_never_foldable(raw)) {
      can_be_folded = false;
    } else {
      can_be_folded = true;
      for (size_t i = 0; i < raw->get_input_size(); ++i) {
        if (!tagged_foldable(raw->get_input_node_ptr(i))) {
          can_be_folded = false;
          break;
        }
      }
    }
    raw->get_rt_info()[kCanBeFolded] = can_be_folded;
    if (!can_be_folded) continue;
    copy_runtime_info_from_input_values(node);

    if (is_shape_of(raw)) {
      shape_dependent.insert(raw);
      const auto& pshape = raw->get_input_partial_shape(0);
      const auto& type = raw->get_output_element_type(0);
      if (pshape.is_static() && type.is_integral_number()) {
        const auto shape = pshape.to_shape();
        std::vector<int64_t> dims(shape.begin(), shape.end());
        auto value = op::v0::Constant::create(type, Shape{dims.size()}, dims);
        ov::Tensor tensor(type, Shape{dims.size()});
        value->get_tensor_view().copy_to(tensor);
        known[raw] = {tensor};
      }
      continue;
    }
    bool depends_on_shape = false;
    for (size_t i = 0; i < raw->get_input_size(); ++i) {
      depends_on_shape = depends_on_shape || shape_dependent.count(raw->get_input_node_ptr(i));
    }
    if (!depends_on_shape) continue;
    shape_dependent.insert(raw);
    TensorVector inputs;
    bool all_known = true;
    for (const auto& input : raw->input_values()) {
      auto* producer = input.get_node();
      if (auto constant = ov::as_type<op::v0::Constant>(producer)) {
        inputs.push_back(constant->get_tensor_view());
        continue;
      }
      auto it = known.find(producer);
      if (it == known.end()) {
        all_known = false;
        break;
      }
      inputs.push_back(it->second.at(input.get_index()));
    }
    if (!all_known) continue;
    TensorVector outputs;
    for (size_t i = 0; i < raw->get_output_size(); ++i) {
      const auto& type = raw->get_output_element_type(i);
      if (type.is_static()) {
        const auto& pshape = raw->get_output_partial_shape(i);
        outputs.emplace_back(type, pshape.is_static() ? pshape.to_shape() : Shape{0});
      } else {
        outputs.emplace_back();
      }
    }
    if (raw->evaluate(outputs, inputs)) known[raw] = outputs;
  }

  // From the results upwards: an input whose producer's value is known is replaced by a
  // Constant; otherwise the walk goes on above it.
  bool rewritten = false;
  std::unordered_set<Node*> visited;
  std::vector<Node*> stack;
  for (const auto& result : model->get_results()) stack.push_back(result.get());
  while (!stack.empty()) {
    Node* node = stack.back();
    stack.pop_back();
    if (!visited.insert(node).second) continue;
    for (size_t i = 0; i < node->get_input_size(); ++i) {
      const auto input_value = node->input_value(i);
      auto producer = input_value.get_node_shared_ptr();
      auto it = known.find(producer.get());
      if (it != known.end() && tagged_foldable(producer.get()) &&
          !ov::is_type<op::v0::Constant>(producer)) {
        const auto& tensor = it->second.at(input_value.get_index());
        if (tensor && tensor.get_element_type().is_static()) {
          auto constant = std::make_shared<op::v0::Constant>(tensor);
          constant->set_friendly_name(folded_name(*producer, input_value.get_index()));
          copy_runtime_info(producer, constant);
          Output<Node>(input_value).replace(constant->output(0));
          rewritten = true;
          continue;
        }
      }
      stack.push_back(producer.get());
    }
  }
  return rewritten;
}

bool ConstantFolding::run_on_model(const std::shared_ptr<ov::Model>& model) {
  bool rewritten = pre_calculated_values_folding(model);

  for (const auto& original : model->get_ordered_ops()) {
    if (!original->can_constant_fold(original->input_values())) continue;
    OutputVector replacements(original->get_output_size());
    if (!original->constant_fold(replacements, original->input_values())) continue;
    OPENVINO_ASSERT(!constant_folding_is_disabled(original),
                    "Node folded but constant folding disabled. Check constant_fold "
                    "implementation for ",
                    original);
    OPENVINO_ASSERT(replacements.size() == original->get_output_size(),
                    "constant_fold_default returned incorrect number of replacements for ",
                    original);
    for (size_t i = 0; i < replacements.size(); ++i) {
      auto output = original->output(i);
      const auto& replacement = replacements[i];
      if (!replacement.get_node() || replacement == output) continue;
      auto replacement_node = replacement.get_node_shared_ptr();
      replacement_node->set_friendly_name(folded_name(*original, i));
      output.replace(replacement);
      copy_runtime_info_from_input_values(original);
      copy_runtime_info(original, replacement_node);
      rewritten = true;
    }
  }
  return rewritten;
}

}  // namespace pass
}  // namespace ov
