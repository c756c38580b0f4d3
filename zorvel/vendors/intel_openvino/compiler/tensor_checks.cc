#include "zorvel/vendors/intel_openvino/compiler/tensor_checks.h"

#include <limits>
#include <unordered_map>
#include <vector>

#include "absl/strings/str_cat.h"

namespace zorvel::openvino {
namespace {

struct Range {
  int64_t low;
  int64_t high;
};

// The values an integer element type of the host holds; nothing for the other types, whose zero
// points are only ever converted to float.
std::optional<Range> IntegerRange(ZorvelElementType code) {
  switch (code) {
    case kZorvelElementTypeBool:
      return Range{0, 1};
    case kZorvelElementTypeInt2:
      return Range{-2, 1};
    case kZorvelElementTypeInt4:
      return Range{-8, 7};
    case kZorvelElementTypeUInt4:
      return Range{0, 15};
    case kZorvelElementTypeInt8:
      return Range{-128, 127};
    case kZorvelElementTypeUInt8:
      return Range{0, 255};
    case kZorvelElementTypeInt16:
      return Range{-32768, 32767};
    case kZorvelElementTypeUInt16:
      return Range{0, 65535};
    case kZorvelElementTypeInt32:
      return Range{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    case kZorvelElementTypeUInt32:
      return Range{0, std::numeric_limits<uint32_t>::max()};
    case kZorvelElementTypeInt64:
      return Range{std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    case kZorvelElementTypeUInt64:
      return Range{0, std::numeric_limits<int64_t>::max()};
    default:
      return std::nullopt;
  }
}

std::string NameOf(const Tensor& tensor) {
  const std::string_view name = tensor.Name();
  if (!name.empty()) return std::string(name);
  return absl::StrCat("tensor_id_", tensor.TensorIndex());
}

}  // namespace

std::optional<std::string> CheckDimensions(const std::string& tensor,
                                           absl::Span<const int64_t> dimensions,
                                           ov::element::Type type) {
  bool dynamic = false;
  for (size_t i = 0; i < dimensions.size(); ++i) {
    if (dimensions[i] == -1) {
      dynamic = true;
    } else if (dimensions[i] < 0) {
      return absl::StrCat("Tensor ", tensor, " has the negative extent ", dimensions[i],
                          " in dimension ", i);
    }
  }
  if (dynamic) return std::nullopt;
  // Sub-byte and unknown types count as one bit each: the bound only needs to catch overflow.
  uint64_t bits = std::max<uint64_t>(type.bitwidth(), 1);
  for (const int64_t extent : dimensions) {
    if (__builtin_mul_overflow(bits, static_cast<uint64_t>(extent), &bits)) {
      return absl::StrCat("Tensor ", tensor, " has a shape whose size does not fit 64 bits");
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckElementType(const std::string& tensor, ZorvelElementType code,
                                            ov::element::Type type) {
  if (!type.is_dynamic()) return std::nullopt;
  return absl::StrCat("Tensor ", tensor, " has the element type code ", static_cast<int>(code),
                      ", which has no OpenVINO counterpart");
}

std::optional<std::string> CheckQuantization(
    const std::string& tensor, ZorvelElementType code, absl::Span<const int64_t> dimensions,
    bool per_channel, const ov::frontend::tensorflow_lite::QuantizationInfo& quantization) {
  const std::vector<int64_t>& zero_points = quantization.get_zero_point();
  if (const std::optional<Range> range = IntegerRange(code)) {
    for (const int64_t zero_point : zero_points) {
      if (zero_point < range->low || zero_point > range->high) {
        return absl::StrCat("Tensor ", tensor, " has the zero point ", zero_point,
                            ", outside the range ", range->low, "..", range->high,
                            " of its element type");
      }
    }
  }
  if (!per_channel) return std::nullopt;
  const int64_t axis = quantization.get_axis();
  const int64_t rank = static_cast<int64_t>(dimensions.size());
  if (axis < 0 || axis >= rank) {
    return absl::StrCat("Tensor ", tensor, " is quantized per channel on axis ", axis,
                        ", outside its rank ", rank);
  }
  const size_t scales = quantization.get_scale().size();
  if (scales == 0) {
    return absl::StrCat("Tensor ", tensor, " is quantized per channel without scales");
  }
  const int64_t extent = dimensions[static_cast<size_t>(axis)];
  if (extent >= 0 && static_cast<uint64_t>(extent) != scales) {
    return absl::StrCat("Tensor ", tensor, " has ", scales, " per-channel scales for the ", extent,
                        " elements of axis ", axis);
  }
  if (!zero_points.empty() && zero_points.size() != scales) {
    return absl::StrCat("Tensor ", tensor, " has ", zero_points.size(), " per-channel zero points",
                        " and ", scales, " scales");
  }
  return std::nullopt;
}

std::optional<std::string> CheckSubgraphTensors(const Subgraph& subgraph) {
  // Keyed by host handle: one entry per tensor.
  std::unordered_map<ZorvelTensor, std::string> producers;
  std::unordered_map<std::string, ZorvelTensor> handles_by_name;

  auto note_name = [&](const Tensor& tensor) -> std::optional<std::string> {
    const std::string name = NameOf(tensor);
    const auto [it, inserted] = handles_by_name.emplace(name, tensor.Get());
    if (!inserted && it->second != tensor.Get()) {
      return absl::StrCat("Two tensors of the subgraph are named ", name);
    }
    return std::nullopt;
  };
  auto note_producer = [&](const Tensor& tensor,
                           const std::string& producer) -> std::optional<std::string> {
    const auto [it, inserted] = producers.emplace(tensor.Get(), producer);
    if (!inserted && it->second != producer) {
      return absl::StrCat("Tensor ", NameOf(tensor), " has two producers: ", it->second, " and ",
                          producer);
    }
    return std::nullopt;
  };

  for (const Tensor& input : subgraph.Inputs()) {
    if (std::optional<std::string> error = note_name(input)) return error;
    if (input.HasDefiningOp()) continue;
    const std::string producer = input.IsConstant() ? "a constant" : "a graph input";
    if (std::optional<std::string> error = note_producer(input, producer)) return error;
  }
  for (const Tensor& output : subgraph.Outputs()) {
    if (std::optional<std::string> error = note_name(output)) return error;
  }
  const std::vector<Op> ops = subgraph.Ops();
  for (size_t i = 0; i < ops.size(); ++i) {
    for (const Tensor& input : ops[i].Inputs()) {
      if (std::optional<std::string> error = note_name(input)) return error;
      if (!input.IsConstant()) continue;
      if (std::optional<std::string> error = note_producer(input, "a constant")) return error;
    }
    const std::string producer = absl::StrCat("op ", i, " (code ", ops[i].Code(), ")");
    for (const Tensor& output : ops[i].Outputs()) {
      if (std::optional<std::string> error = note_name(output)) return error;
      // One op listing the same tensor twice among its outputs still gives it two values.
      const auto [it, inserted] = producers.emplace(output.Get(), producer);
      if (!inserted) {
        return absl::StrCat("Tensor ", NameOf(output), " has two producers: ", it->second, " and ",
                            producer);
      }
    }
  }
  return std::nullopt;
}

}  // namespace zorvel::openvino
