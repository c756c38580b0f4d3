#include "transformations/init_node_info.hpp"

#include <algorithm>

#include "openvino/core/attribute_visitor.hpp"
#include "transformations/rt_info/fused_names_attribute.hpp"

namespace ov {

void FusedNames::fuseWith(const FusedNames& names) {
  fused_names.insert(names.fused_names.begin(), names.fused_names.end());
}

std::string FusedNames::getNames() const {
  std::string result;
  for (const auto& name : fused_names) {
    if (!result.empty()) result += ",";
    result += name;
  }
  return result;
}

std::vector<std::string> FusedNames::getVectorNames() const {
  return std::vector<std::string>(fused_names.begin(), fused_names.end());
}

Any FusedNames::merge(const NodeVector& nodes) const {
  FusedNames merged;
  const auto key = FusedNames::get_type_info_static();
  for (const auto& node : nodes) {
    const auto& rt = node->get_rt_info();
    auto it = rt.find(key);
    if (it != rt.end() && it->second.is<FusedNames>()) merged.fuseWith(it->second.as<FusedNames>());
  }
  return merged;
}

bool FusedNames::visit_attributes(AttributeVisitor& visitor) {
  std::vector<std::string> names = getVectorNames();
  visitor.on_attribute("value", names);
  fused_names = std::set<std::string>(names.begin(), names.end());
  return true;
}

std::string getFusedNames(const std::shared_ptr<ov::Node>& node) {
  if (!node) return {};
  const auto& rt = node->get_rt_info();
  auto it = rt.find(FusedNames::get_type_info_static());
  if (it == rt.end() || !it->second.is<FusedNames>()) return {};
  return it->second.as<FusedNames>().getNames();
}

std::vector<std::string> getFusedNamesVector(const std::shared_ptr<ov::Node>& node) {
  if (!node) return {};
  const auto& rt = node->get_rt_info();
  auto it = rt.find(FusedNames::get_type_info_static());
  if (it == rt.end() || !it->second.is<FusedNames>()) return {};
  return it->second.as<FusedNames>().getVectorNames();
}

namespace pass {

bool InitNodeInfo::run_on_model(const std::shared_ptr<ov::Model>& m) {
  for (const auto& node : m->get_ops()) {
    node->get_rt_info().emplace(FusedNames::get_type_info_static(),
                                FusedNames(node->get_friendly_name()));
  }
  return false;
}

}  // namespace pass
}  // namespace ov
