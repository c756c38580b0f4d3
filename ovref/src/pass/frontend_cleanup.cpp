// The clean-up passes a front end runs after conversion: compressed-float marking, transpose
// fusion and sinking, and unique friendly names.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/util/unary_elementwise_arithmetic.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/pass/manager.hpp"
#include "openvino/pass/pattern/matcher.hpp"
#include "openvino/pass/pattern/op/pattern.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "transformations/common_optimizations/transpose_sinking.hpp"
#include "transformations/common_optimizations/transpose_sinking_general.hpp"
#include "transformations/fp16_compression/mark_decompression_convert_constant_folding.hpp"
#include "transformations/resolve_names_collisions.hpp"
#include "transformations/rt_info/decompression.hpp"

namespace ov {
namespace pass {

MarkCompressedFloatConstants::MarkCompressedFloatConstants() {
  auto constant = pattern::wrap_type<op::v0::Constant>();
  auto convert = pattern::wrap_type<op::v0::Convert>({constant});
  matcher_pass_callback callback = [](pattern::Matcher& m) {
    const auto convert_node = as_type_ptr<op::v0::Convert>(m.get_match_root());
    if (convert_node == nullptr) return false;
    const auto constant_node =
        as_type_ptr<op::v0::Constant>(convert_node->input_value(0).get_node_shared_ptr());
    if (constant_node == nullptr) return false;
    const element::Type source = constant_node->get_element_type();
    if (source != element::f16 && source != element::bf16) return false;
    if (convert_node->get_destination_type() != element::f32) return false;
    mark_as_decompression(convert_node);
    disable_constant_folding(constant_node);
    disable_constant_folding(convert_node);
    return false;
  };
  register_matcher(std::make_shared<pattern::Matcher>(convert, "MarkCompressedFloatConstants"),
                   callback);
}

namespace {

// The order of a Transpose whose order input is a Constant holding a permutation of the data's
// rank, or nothing.
bool ConstantOrder(const std::shared_ptr<Node>& transpose, std::vector<int64_t>& order) {
  const auto constant =
      as_type_ptr<op::v0::Constant>(transpose->input_value(1).get_node_shared_ptr());
  if (constant == nullptr) return false;
  order = constant->cast_vector<int64_t>();
  std::vector<bool> seen(order.size(), false);
  for (const int64_t axis : order) {
    if (axis < 0 || axis >= static_cast<int64_t>(order.size()) || seen[axis]) return false;
    seen[axis] = true;
  }
  return true;
}

}  // namespace

TransposeFuse::TransposeFuse() {
  auto first = pattern::wrap_type<op::v1::Transpose>(
      {pattern::any_input(), pattern::wrap_type<op::v0::Constant>()}, pattern::consumers_count(1));
  auto second =
      pattern::wrap_type<op::v1::Transpose>({first, pattern::wrap_type<op::v0::Constant>()});
  matcher_pass_callback callback = [this](pattern::Matcher& m) {
    const std::shared_ptr<Node> outer = m.get_match_root();
    const std::shared_ptr<Node> inner = outer->input_value(0).get_node_shared_ptr();
    std::vector<int64_t> inner_order;
    std::vector<int64_t> outer_order;
    if (!ConstantOrder(inner, inner_order) || !ConstantOrder(outer, outer_order) ||
        inner_order.size() != outer_order.size()) {
      return false;
    }
    // out[i] = mid[outer[i]] = in[inner[outer[i]]].
    std::vector<int64_t> order(outer_order.size());
    bool identity = true;
    for (size_t i = 0; i < order.size(); ++i) {
      order[i] = inner_order[static_cast<size_t>(outer_order[i])];
      identity &= order[i] == static_cast<int64_t>(i);
    }
    const Output<Node> source = inner->input_value(0);
    if (identity) return replace_output_update_name(outer->output(0), source);
    const auto order_type = outer->get_input_element_type(1);
    auto order_constant =
        std::make_shared<op::v0::Constant>(order_type, Shape{order.size()}, order);
    auto fused = register_new_node<op::v1::Transpose>(source, order_constant);
    fused->set_friendly_name(outer->get_friendly_name());
    copy_runtime_info(NodeVector{inner, outer}, NodeVector{fused, order_constant});
    replace_node(outer, fused);
    return true;
  };
  register_matcher(std::make_shared<pattern::Matcher>(second, "TransposeFuse"), callback);
}

TransposeSinkingUnaryForward::TransposeSinkingUnaryForward() {
  auto transpose = pattern::wrap_type<op::v1::Transpose>(
      {pattern::any_input(), pattern::wrap_type<op::v0::Constant>()}, pattern::consumers_count(1));
  auto unary = pattern::wrap_type<op::util::UnaryElementwiseArithmetic>({transpose});
  matcher_pass_callback callback = [this](pattern::Matcher& m) {
    const std::shared_ptr<Node> unary_node = m.get_match_root();
    const std::shared_ptr<Node> transpose_node = unary_node->input_value(0).get_node_shared_ptr();
    std::vector<int64_t> order;
    if (!ConstantOrder(transpose_node, order)) return false;
    const std::shared_ptr<Node> moved =
        unary_node->clone_with_new_inputs({transpose_node->input_value(0)});
    register_new_node(moved);
    auto sunk = register_new_node<op::v1::Transpose>(moved, transpose_node->input_value(1));
    moved->set_friendly_name(transpose_node->get_friendly_name());
    sunk->set_friendly_name(unary_node->get_friendly_name());
    copy_runtime_info(unary_node, moved);
    copy_runtime_info(transpose_node, sunk);
    replace_node(unary_node, sunk);
    return true;
  };
  register_matcher(std::make_shared<pattern::Matcher>(unary, "TransposeSinkingUnaryForward"),
                   callback);
}

bool TransposeSinkingGeneral::run_on_model(const std::shared_ptr<ov::Model>& model) {
  Manager manager(get_pass_config(), "TransposeSinkingGeneral");
  auto rewrite = manager.register_pass<GraphRewrite>();
  rewrite->add_matcher<TransposeSinkingUnaryForward>();
  rewrite->add_matcher<TransposeFuse>();
  bool changed = false;
  // Each sweep moves every Transpose at least one op forward or fuses it; a graph of n ops needs
  // at most n sweeps.
  for (size_t sweep = 0, limit = model->get_ops().size() + 1; sweep < limit; ++sweep) {
    if (!manager.run_passes(model)) break;
    changed = true;
  }
  return changed;
}

bool ResolveNameCollisions::run_on_model(const std::shared_ptr<ov::Model>& model) {
  const std::vector<std::shared_ptr<Node>> ops = model->get_ordered_ops();
  std::unordered_set<std::string> used;
  std::unordered_map<std::string, std::vector<Node*>> groups;
  std::vector<std::string> names;  // in order of first appearance
  for (const auto& node : ops) {
    const std::string& name = node->get_friendly_name();
    used.insert(name);
    std::vector<Node*>& group = groups[name];
    if (group.empty()) names.push_back(name);
    group.push_back(node.get());
  }
  bool changed = false;
  for (const std::string& name : names) {
    const std::vector<Node*>& group = groups[name];
    if (group.size() < 2) continue;
    // Parameters, Results and, unless every name is resolved, nodes named on purpose keep their
    // names; otherwise the first node keeps it.
    std::vector<Node*> rename;
    bool kept = false;
    for (Node* node : group) {
      const bool fixed = is_type<op::v0::Parameter>(node) || is_type<op::v0::Result>(node) ||
                         (!m_resolve_all_names && node->get_friendly_name() != node->get_name());
      if (fixed) {
        kept = true;
      } else {
        rename.push_back(node);
      }
    }
    if (!kept && !rename.empty()) rename.erase(rename.begin());
    size_t k = 2;
    for (Node* node : rename) {
      std::string unique = name + "_" + std::to_string(k++);
      while (used.count(unique) != 0) unique = name + "_" + std::to_string(k++);
      used.insert(unique);
      node->set_friendly_name(unique);
      changed = true;
    }
  }
  return changed;
}

}  // namespace pass
}  // namespace ov
