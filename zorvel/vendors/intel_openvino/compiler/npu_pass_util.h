#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_

// Small graph queries shared by the NPU passes.

#include <cstddef>
#include <memory>
#include <optional>

#include "openvino/core/node.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/op/constant.hpp"

namespace zorvel::openvino {

// Input `index` of `node` when a Constant produces it; null otherwise, also past the last input.
inline std::shared_ptr<ov::op::v0::Constant> ConstantInput(const ov::Node& node, size_t index) {
  if (index >= node.get_input_size()) return nullptr;
  return ov::as_type_ptr<ov::op::v0::Constant>(node.get_input_node_shared_ptr(index));
}

// The static 4-D shape of `shape`, if it has one.
inline std::optional<ov::Shape> Static4D(const ov::PartialShape& shape) {
  if (!shape.is_static() || shape.rank().get_length() != 4) return std::nullopt;
  return shape.to_shape();
}

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_PASS_UTIL_H_
