#pragma once

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {

OPENVINO_API void disable_fp16_compression(const std::shared_ptr<Node>& node);
OPENVINO_API void enable_fp16_compression(const std::shared_ptr<Node>& node);
OPENVINO_API bool fp16_compression_is_disabled(const std::shared_ptr<const Node>& node);
OPENVINO_API void postpone_fp16_compression(RTMap& rt_info);
OPENVINO_API bool is_fp16_compression_postponed(const RTMap& rt_info);
OPENVINO_API void do_not_postpone_fp16_compression(RTMap& rt_info);

// Keeps a node in its original precision when a model is compressed to f16.
class OPENVINO_API DisableFP16Compression : public RuntimeAttribute {
 public:
  OPENVINO_RTTI("precise", "0", RuntimeAttribute);
  DisableFP16Compression() = default;
  bool visit_attributes(AttributeVisitor&) override { return true; }
  bool is_copyable() const override { return false; }
};

}  // namespace ov
