#include "openvino/core/rt_info.hpp"

#include <unordered_set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "transformations/rt_info/decompression.hpp"
#include "transformations/rt_info/disable_fp16_compression.hpp"
#include "transformations/rt_info/keep_const_precision.hpp"

namespace ov {

namespace {

template <typename From>
ov::RTMap merge_runtime_info(const std::vector<From>& list, const std::vector<RTMap*>& maps,
                             const std::shared_ptr<Node>& to, bool skip_opset) {
  std::unordered_map<std::string, std::vector<Any>> attrs;
  for (const auto* rt : maps) {
    for (const auto& item : *rt) {
      if (skip_opset && item.first == "opset") continue;
      if (item.second.is<RuntimeAttribute>()) {
        const auto& attr = item.second.as<RuntimeAttribute>();
        if (!attr.is_copyable(to)) continue;
      }
      attrs[item.first].push_back(item.second);
    }
  }
  ov::RTMap merged;
  for (auto& item : attrs) {
    if (item.second.size() == 1) {
      merged[item.first] = item.second.front();
    } else if (item.second.front().is<RuntimeAttribute>()) {
      auto merge_attr = item.second.front().as<RuntimeAttribute>().merge(list);
      if (!merge_attr.empty()) merged[item.first] = merge_attr;
    }
  }
  return merged;
}

void assign_runtime_info(const ov::RTMap& from, ov::RTMap& to) {
  auto opset = to.find("opset");
  const Any saved_opset = opset != to.end() ? opset->second : Any();
  for (const auto& item : from) to[item.first] = item.second;
  if (!saved_opset.empty()) to["opset"] = saved_opset;
}

}  // namespace

void copy_runtime_info(const std::shared_ptr<ov::Node>& from, const std::shared_ptr<ov::Node>& to) {
  copy_runtime_info(NodeVector{from}, NodeVector{to});
}

void copy_runtime_info(const std::shared_ptr<ov::Node>& from, ov::NodeVector to) {
  copy_runtime_info(NodeVector{from}, std::move(to));
}

void copy_runtime_info(const ov::NodeVector& from, const std::shared_ptr<ov::Node>& to) {
  copy_runtime_info(from, NodeVector{to});
}

void copy_runtime_info(const ov::NodeVector& from, ov::NodeVector to) {
  // Constants that feed the destinations and carry nothing yet receive the same info.
  std::unordered_set<Node*> seen;
  for (auto& node : to) seen.insert(node.get());
  NodeVector targets = to;
  for (auto& node : to) {
    for (auto& input : node->input_values()) {
      auto* source = input.get_node();
      if (ov::is_type<op::v0::Constant>(source) && source->get_rt_info().empty() &&
          seen.insert(source).second) {
        targets.push_back(input.get_node_shared_ptr());
      }
    }
  }
  std::vector<RTMap*> maps;
  for (auto& node : from) maps.push_back(&node->get_rt_info());
  for (auto& node : targets) {
    auto merged = merge_runtime_info(from, maps, node, true);
    assign_runtime_info(merged, node->get_rt_info());
  }
}

void copy_output_runtime_info(const ov::OutputVector& from, ov::OutputVector to) {
  std::vector<RTMap*> maps;
  for (auto& output : from) maps.push_back(&const_cast<Output<Node>&>(output).get_rt_info());
  for (auto& output : to) {
    auto merged = merge_runtime_info(from, maps, output.get_node_shared_ptr(), false);
    auto& rt = output.get_rt_info();
    for (const auto& item : merged) rt[item.first] = item.second;
  }
}

// ---- WeightlessCacheAttribute ----

bool WeightlessCacheAttribute::is_copyable() const { return false; }

bool WeightlessCacheAttribute::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("original_dtype", original_dtype);
  uint64_t offset = bin_offset, size = original_size;
  visitor.on_attribute("bin_offset", offset);
  visitor.on_attribute("original_size", size);
  bin_offset = static_cast<size_t>(offset);
  original_size = static_cast<size_t>(size);
  return true;
}

void copy_weightless_cache_attr(const std::shared_ptr<Node>& from,
                                const std::shared_ptr<Node>& to) {
  const auto key = WeightlessCacheAttribute::get_type_info_static();
  const auto& rt = from->get_rt_info();
  auto it = rt.find(key);
  if (it != rt.end()) {
    to->get_rt_info()[key] = it->second;
    return;
  }
  if (ov::is_type<op::v0::Constant>(to) && from->get_input_size() == 1 &&
      std::string(from->get_type_info().name) == "Convert") {
    const auto& input_rt = from->get_input_node_ptr(0)->get_rt_info();
    auto input_it = input_rt.find(key);
    if (input_it != input_rt.end()) to->get_rt_info()[key] = input_it->second;
  }
}

// ---- markers ----

namespace pass {

void disable_constant_folding(const std::shared_ptr<Node>& node) {
  node->get_rt_info().emplace(DisableConstantFolding::get_type_info_static(),
                              DisableConstantFolding{});
}

void enable_constant_folding(const std::shared_ptr<Node>& node) {
  node->get_rt_info().erase(DisableConstantFolding::get_type_info_static());
}

bool constant_folding_is_disabled(const std::shared_ptr<Node>& node) {
  return constant_folding_is_disabled(node.get());
}

bool constant_folding_is_disabled(const Node* const node) {
  OPENVINO_ASSERT(node, "node is nullptr");
  return node->get_rt_info().count(DisableConstantFolding::get_type_info_static());
}

}  // namespace pass

void mark_as_decompression(const std::shared_ptr<Node>& node) {
  node->get_rt_info()[Decompression::get_type_info_static()] = Decompression();
}

void unmark_as_decompression(const std::shared_ptr<Node>& node) {
  node->get_rt_info().erase(Decompression::get_type_info_static());
}

bool is_decompression(const std::shared_ptr<Node>& node) {
  return node->get_rt_info().count(Decompression::get_type_info_static());
}

void disable_fp16_compression(const std::shared_ptr<Node>& node) {
  node->get_rt_info()[DisableFP16Compression::get_type_info_static()] = DisableFP16Compression{};
}

void enable_fp16_compression(const std::shared_ptr<Node>& node) {
  node->get_rt_info().erase(DisableFP16Compression::get_type_info_static());
}

bool fp16_compression_is_disabled(const std::shared_ptr<const Node>& node) {
  return node->get_rt_info().count(DisableFP16Compression::get_type_info_static());
}

void postpone_fp16_compression(RTMap& rt_info) { rt_info["postponed_fp16_compression"] = true; }

bool is_fp16_compression_postponed(const RTMap& rt_info) {
  return rt_info.count("postponed_fp16_compression");
}

void do_not_postpone_fp16_compression(RTMap& rt_info) {
  rt_info.erase("postponed_fp16_compression");
}

void enable_keep_const_precision(const std::shared_ptr<Node>& node) {
  node->get_rt_info()[KeepConstPrecision::get_type_info_static()] = KeepConstPrecision{};
}

void disable_keep_const_precision(const std::shared_ptr<Node>& node) {
  node->get_rt_info().erase(KeepConstPrecision::get_type_info_static());
}

bool is_keep_const_precision(const std::shared_ptr<const Node>& node) {
  return node->get_rt_info().count(KeepConstPrecision::get_type_info_static());
}

}  // namespace ov
