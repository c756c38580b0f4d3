#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_

// Small graph queries shared by the NPU passes, and the finishing step of every rewrite: naming
// the nodes it made and giving them the runtime information of the nodes they replace.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "openvino/core/node.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/op/constant.hpp"
#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

namespace zorvel::openvino {

// Input `index` of `node` when a Constant produces it; null otherwise, also past the last input.
inline std::shared_ptr<ov::op::v0::Constant> ConstantInput(const ov::Node& node, size_t index) {
  if (index >= node.get_input_size()) return nullptr;
  return ov::as_type_ptr<ov::op::v0::Constant>(node.get_input_node_shared_ptr(index));
}

// The static 4-D shape of `shape`, if it has one.
inline std::optional<ov::Shape> Static4D(const ov::PartialShape& shape) {
  if (!shape.is_static() || shape.rank().get_length() != 4) return std::nullopt;
  return shape.to_shape();
}

// Marks the moment a rewrite starts building. Node instance ids come from one process-wide
// counter that only grows, so every node made after the mark has a larger id than any node the
// model held before it, whichever thread made those.
class NewNodeMark {
 public:
  NewNodeMark()
      : id_(std::make_shared<ov::op::v0::Constant>(ov::element::u8, ov::Shape{})
                ->get_instance_id()) {}

  bool IsNew(const ov::Node& node) const { return node.get_instance_id() > id_; }

  // The nodes made after the mark that `outputs` depend on (the outputs' own nodes included), in
  // a fixed depth-first order over inputs; the walk stops at every older node.
  ov::NodeVector Collect(const ov::NodeVector& outputs) const {
    ov::NodeVector found;
    std::unordered_set<const ov::Node*> seen;
    std::vector<std::shared_ptr<ov::Node>> stack(outputs.rbegin(), outputs.rend());
    while (!stack.empty()) {
      std::shared_ptr<ov::Node> node = stack.back();
      stack.pop_back();
      if (node == nullptr || !IsNew(*node) || !seen.insert(node.get()).second) continue;
      found.push_back(node);
      for (size_t i = node->get_input_size(); i > 0; --i) {
        stack.push_back(node->get_input_node_shared_ptr(i - 1));
      }
    }
    return found;
  }

 private:
  size_t id_;
};

// Finishes a rewrite whose result is `out` (already named after the node it replaces): every
// other node made since `mark` that `out` depends on is named "<out's name>/<rewrite>/<type>_<i>"
// in the walk order of NewNodeMark::Collect, so the same model always gives the same names, and
// all of them receive the runtime information of `replaced`. Generated constants keep the key
// they are named by and their own attributes.
inline void FinishRewrite(const NewNodeMark& mark, const ov::NodeVector& replaced,
                          const std::shared_ptr<ov::Node>& out, const std::string& rewrite) {
  const std::string base = out->get_friendly_name() + "/" + rewrite + "/";
  ov::NodeVector made;
  size_t index = 0;
  for (const std::shared_ptr<ov::Node>& node : mark.Collect({out})) {
    if (!GeneratedConstantKey(node).empty()) continue;
    made.push_back(node);
    if (node == out) continue;
    node->set_friendly_name(base + node->get_type_name() + "_" + std::to_string(index++));
  }
  ov::copy_runtime_info(replaced, made);
}

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_
