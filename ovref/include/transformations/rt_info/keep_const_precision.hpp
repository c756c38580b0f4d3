#pragma once

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {

OPENVINO_API void enable_keep_const_precision(const std::shared_ptr<Node>& node);
OPENVINO_API void disable_keep_const_precision(const std::shared_ptr<Node>& node);
OPENVINO_API bool is_keep_const_precision(const std::shared_ptr<const Node>& node);

// Keeps a Constant's element type when precisions are converted.
class OPENVINO_API KeepConstPrecision : public RuntimeAttribute {
 public:
  OPENVINO_RTTI("keep_const_precision", "0", RuntimeAttribute);
  KeepConstPrecision() = default;
  bool visit_attributes(AttributeVisitor&) override { return true; }
  bool is_copyable() const override { return false; }
};

}  // namespace ov
