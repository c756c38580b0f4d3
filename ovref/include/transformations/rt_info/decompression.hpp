#pragma once

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {

OPENVINO_API void mark_as_decompression(const std::shared_ptr<Node>& node);
OPENVINO_API void unmark_as_decompression(const std::shared_ptr<Node>& node);
OPENVINO_API bool is_decompression(const std::shared_ptr<Node>& node);

// Marks a Convert that decompresses low-precision weights.
class OPENVINO_API Decompression : public RuntimeAttribute {
 public:
  OPENVINO_RTTI("decompression", "0", RuntimeAttribute);
  Decompression() = default;
  bool visit_attributes(AttributeVisitor&) override { return true; }
  bool is_copyable() const override { return false; }
};

}  // namespace ov
