#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/rtti.hpp"
#include "openvino/core/type.hpp"

namespace ov {

class Node;
class AttributeVisitor;
template <typename NodeType>
class Output;

// Base of typed values stored in rt_info maps. Stored by value; copy_runtime_info asks
// is_copyable() and merge() when nodes are replaced or fused.
class OPENVINO_API RuntimeAttribute {
 public:
  OPENVINO_RTTI_BASE("RuntimeAttribute")

  using Ptr = std::shared_ptr<RuntimeAttribute>;
  using Base = std::tuple<::ov::RuntimeAttribute>;

  virtual ~RuntimeAttribute();
  virtual bool is_copyable() const;
  virtual bool is_copyable(const std::shared_ptr<Node>& to) const;
  virtual bool is_deterministic() const;
  virtual Any init(const std::shared_ptr<Node>& node) const;
  virtual Any merge(const std::vector<std::shared_ptr<Node>>& nodes) const;
  virtual Any merge(const std::vector<Output<Node>>& outputs) const;
  virtual std::string to_string() const;
  virtual bool visit_attributes(AttributeVisitor&);
  bool visit_attributes(AttributeVisitor& visitor) const {
    return const_cast<RuntimeAttribute*>(this)->visit_attributes(visitor);
  }
};

OPENVINO_API std::ostream& operator<<(std::ostream& os, const RuntimeAttribute& attribute);

}  // namespace ov
