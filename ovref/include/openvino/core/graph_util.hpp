#pragma once

#include <functional>
#include <memory>
#include <stack>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/core/node.hpp"

namespace ov {

OPENVINO_API void traverse_nodes(const std::shared_ptr<const Model>& p,
                                 const std::function<void(const std::shared_ptr<Node>&)>& f);
OPENVINO_API void traverse_nodes(const Model* p,
                                 const std::function<void(const std::shared_ptr<Node>&)>& f);
// Pre-order walk from the results (then the parameters) over inputs and control dependencies.
OPENVINO_API void traverse_nodes(const NodeVector& subgraph_results,
                                 const std::function<void(const std::shared_ptr<Node>&)>& f,
                                 const NodeVector& subgraph_params = {});

OPENVINO_API void replace_node(const std::shared_ptr<Node>& target,
                               const std::shared_ptr<Node>& replacement,
                               const std::vector<int64_t>& output_order);
OPENVINO_API void replace_node(const std::shared_ptr<Node>& target,
                               const OutputVector& replacement_values);
OPENVINO_API void replace_node(const std::shared_ptr<Node>& target,
                               const std::shared_ptr<Node>& replacement);
OPENVINO_API void replace_nodes(
    const std::shared_ptr<Model>& f,
    const std::unordered_map<std::shared_ptr<op::v0::Parameter>,
                             std::shared_ptr<op::v0::Parameter>>& parameter_replacement_map,
    const std::unordered_map<std::shared_ptr<Node>, std::shared_ptr<Node>>& body_replacement_map);
OPENVINO_API bool replace_output_update_name(Output<Node> output, const Output<Node>& replacement);
OPENVINO_API bool replace_node_update_name(const std::shared_ptr<Node>& target,
                                           const std::shared_ptr<Node>& replacement);
OPENVINO_API bool compare_constants(const std::shared_ptr<Node>& n1,
                                    const std::shared_ptr<Node>& n2);

// Producers and control dependencies before their consumers; throws on a cycle.
template <typename T>
std::vector<std::shared_ptr<Node>> topological_sort(T root_nodes) {
  std::stack<Node*, std::vector<Node*>> nodes_to_do;
  std::unordered_set<Node*> nodes_done;
  std::unordered_map<Node*, int> visits;
  std::vector<std::shared_ptr<Node>> result;

  for (auto& node : root_nodes) nodes_to_do.push(node.get());
  while (nodes_to_do.size() > 0) {
    Node* node = nodes_to_do.top();
    if (nodes_done.count(node) == 0) {
      if (++visits[node] > 2) {
        OPENVINO_THROW("Loop detected during topological sort starting from '",
                       node->get_friendly_name(), "' node.");
      }
      bool can_add = true;
      size_t arg_count = node->get_input_size();
      for (size_t i = 0; i < arg_count; ++i) {
        Node* dep = node->get_input_node_ptr(arg_count - i - 1);
        if (nodes_done.count(dep) == 0) {
          can_add = false;
          nodes_to_do.push(dep);
        }
      }
      for (auto& depptr : node->get_control_dependencies()) {
        Node* dep = depptr.get();
        if (nodes_done.count(dep) == 0) {
          can_add = false;
          nodes_to_do.push(dep);
        }
      }
      if (can_add) {
        result.push_back(node->shared_from_this());
        nodes_to_do.pop();
        nodes_done.insert(node);
      }
    } else {
      nodes_to_do.pop();
    }
  }
  return result;
}

}  // namespace ov
