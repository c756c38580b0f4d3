#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {

// The friendly names of the original nodes a node stands for. Merges by union when nodes are
// fused, so a node built from several keeps all their names.
class OPENVINO_API FusedNames : public RuntimeAttribute {
 public:
  OPENVINO_RTTI("fused_names", "0", RuntimeAttribute);

  FusedNames() = default;
  explicit FusedNames(const std::string& name) { fused_names.insert(name); }

  void fuseWith(const FusedNames& names);
  // The names in sorted order, separated by commas.
  std::string getNames() const;
  std::vector<std::string> getVectorNames() const;

  Any merge(const NodeVector& nodes) const override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::string to_string() const override { return getNames(); }

 private:
  std::set<std::string> fused_names;
};

// The fused names of `node`, empty when it has none.
OPENVINO_API std::string getFusedNames(const std::shared_ptr<ov::Node>& node);
OPENVINO_API std::vector<std::string> getFusedNamesVector(const std::shared_ptr<ov::Node>& node);

}  // namespace ov
