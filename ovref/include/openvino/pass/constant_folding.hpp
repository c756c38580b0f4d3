#pragma once

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"

namespace ov {
namespace pass {

OPENVINO_API void disable_constant_folding(const std::shared_ptr<Node>& node);
OPENVINO_API void enable_constant_folding(const std::shared_ptr<Node>& node);
OPENVINO_API bool constant_folding_is_disabled(const std::shared_ptr<Node>& node);
OPENVINO_API bool constant_folding_is_disabled(const Node* const node);

// Stops constant folding of the node that carries it. Not copied to replacement nodes.
class OPENVINO_API DisableConstantFolding : public ov::RuntimeAttribute {
 public:
  OPENVINO_RTTI("DisableConstantFolding");
  DisableConstantFolding() = default;
  bool is_copyable() const override { return false; }
};

}  // namespace pass
}  // namespace ov
