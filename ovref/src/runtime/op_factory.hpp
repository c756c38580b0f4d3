// Operation factory for import. Private to the runtime.
#pragma once

#include <memory>
#include <string>

#include "openvino/core/node.hpp"

namespace ov {
namespace runtime {

// A default-constructed operation of that type and opset, or null when ovref has no such class.
std::shared_ptr<Node> CreateOp(const std::string& type_name, const std::string& version);

size_t RegisteredOpCount();

}  // namespace runtime
}  // namespace ov
