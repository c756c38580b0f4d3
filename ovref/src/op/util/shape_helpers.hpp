#pragma once

// Helpers for shape inference: values of constant inputs, axis normalisation with errors that
// name the node. Private to ovref.

#include <cstdint>
#include <optional>
#include <vector>

#include "openvino/core/node.hpp"
#include "openvino/core/partial_shape.hpp"

namespace ov {
namespace op {
namespace shape {

// The values of input `port` when it is produced by a Constant; std::nullopt otherwise.
std::optional<std::vector<int64_t>> constant_values(const Node* node, size_t port);

// Normalises `axis` against `rank`; throws a NodeValidationFailure naming the node when the
// axis is outside [-rank, rank).
int64_t normalize_axis(const Node* node, int64_t axis, const Rank& rank);
std::vector<int64_t> normalize_axes(const Node* node, const std::vector<int64_t>& axes,
                                    const Rank& rank);

// Throws unless the element type of input `port` is an integer type (or dynamic).
void check_integral_input(const Node* node, size_t port, const char* what);

// Whether the data movers (reshape, transpose, gather and their kin) copy elements of `type`:
// static, whole bytes, not strings.
inline bool byte_sized(const element::Type& type) {
  return type.is_static() && type.bitwidth() >= 8 && type != element::string;
}

}  // namespace shape
}  // namespace op
}  // namespace ov
