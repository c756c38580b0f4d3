#include "zorvel/vendors/intel_openvino/compiler/node_names.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "absl/strings/str_cat.h"
#include "openvino/core/node.hpp"
#include "openvino/op/parameter.hpp"

namespace zorvel::openvino {

namespace {

// A name never set reads as the unique default name, "<Type>_<instance>". A rewrite that copies
// the name of the node it replaces onto a node of the same type (a moved Transpose) passes such a
// name on, so "<own type>_<digits>" counts as made by the counter too. Graph inputs keep theirs:
// they are the model's input names.
bool HasCounterName(const ov::Node& node) {
  const std::string& name = node.get_friendly_name();
  if (name == node.get_name()) return true;
  if (ov::is_type<ov::op::v0::Parameter>(&node)) return false;
  const std::string_view type = node.get_type_info().name;
  if (name.size() <= type.size() + 1 || name.compare(0, type.size(), type) != 0 ||
      name[type.size()] != '_') {
    return false;
  }
  for (size_t i = type.size() + 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

uint64_t NameUnnamedNodes(const std::shared_ptr<ov::Model>& model) {
  if (model == nullptr) return 0;
  // The named node each node named here descends from ("" for none), so that a chain of unnamed
  // nodes reads "P/Convert", "P/Multiply" rather than "P/Convert/Multiply".
  std::unordered_map<const ov::Node*, std::string> base_of;
  std::unordered_map<std::string, uint64_t> uses;
  uint64_t named = 0;
  for (const std::shared_ptr<ov::Node>& node : model->get_ordered_ops()) {
    if (!HasCounterName(*node)) continue;
    std::string base;
    if (node->get_input_size() > 0) {
      const ov::Node* producer = node->get_input_node_ptr(0);
      const auto it = base_of.find(producer);
      base = it != base_of.end() ? it->second : producer->get_friendly_name();
    }
    const char* type = node->get_type_info().name;
    const std::string name = base.empty() ? std::string(type) : absl::StrCat(base, "/", type);
    uint64_t& count = uses[name];
    node->set_friendly_name(count == 0 ? name : absl::StrCat(name, "_", count));
    ++count;
    base_of.emplace(node.get(), std::move(base));
    ++named;
  }
  return named;
}

}  // namespace zorvel::openvino
