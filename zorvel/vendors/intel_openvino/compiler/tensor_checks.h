#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_TENSOR_CHECKS_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_TENSOR_CHECKS_H_

// Checks that refuse what a host describes but the front end cannot be handed without losing or
// inventing data: shapes whose size does not fit 64 bits, negative extents, element types without
// a counterpart, zero points the element type cannot hold, per-channel records that do not match
// their tensor, and subgraphs where a name or a producer is ambiguous. Each check returns the
// reason, naming the tensor, or nothing when what it looked at is sound.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "absl/types/span.h"
#include "openvino/core/type/element_type.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"
#include "zorvel/c/zorvel_element_type.h"
#include "zorvel/compiler/cc/zorvel_model.h"

namespace zorvel::openvino {

// The host's extents: each is -1 (dynamic) or non-negative, and a static shape's byte size with
// elements of `type` fits 64 bits.
std::optional<std::string> CheckDimensions(const std::string& tensor,
                                           absl::Span<const int64_t> dimensions,
                                           ov::element::Type type);

// The host element type `code` has an OpenVINO counterpart (`type` is what it maps to).
std::optional<std::string> CheckElementType(const std::string& tensor, ZorvelElementType code,
                                            ov::element::Type type);

// Zero points within the range of the host element type; for a per-channel record, an axis
// within the rank and as many scales (and zero points, when there are any) as the axis has
// elements.
std::optional<std::string> CheckQuantization(
    const std::string& tensor, ZorvelElementType code, absl::Span<const int64_t> dimensions,
    bool per_channel, const ov::frontend::tensorflow_lite::QuantizationInfo& quantization);

// Every tensor the subgraph's inputs, outputs and ops refer to has a name no other tensor has
// (the front end joins operands by name), and at most one producer: a graph input, a constant or
// one op.
std::optional<std::string> CheckSubgraphTensors(const Subgraph& subgraph);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_TENSOR_CHECKS_H_
