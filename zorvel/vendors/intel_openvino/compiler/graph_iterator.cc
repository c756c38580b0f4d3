#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"

#include <optional>
#include <sstream>
#include <utility>

#include "absl/strings/str_cat.h"
#include "openvino/core/except.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"
#include "zorvel/cc/internal/zorvel_detail.h"
#include "zorvel/vendors/intel_openvino/compiler/decoder.h"
#include "zorvel/vendors/intel_openvino/compiler/tensor_checks.h"

namespace zorvel::openvino {
namespace {

using ov::frontend::tensorflow_lite::QuantizationInfo;
using ov::frontend::tensorflow_lite::TensorMetaInfo;

// The name the front end joins operands by: the host's, or one made from the tensor index.
std::string TensorName(const Tensor& tensor) {
  const std::string_view name = tensor.Name();
  if (!name.empty()) return std::string(name);
  return absl::StrCat("tensor_id_", tensor.TensorIndex());
}

// Bytes a constant of this shape and element type occupies, when both are static and the count
// fits 64 bits.
std::optional<uint64_t> RequiredBytes(const ov::PartialShape& shape, ov::element::Type type) {
  if (shape.is_dynamic() || type.is_dynamic() || type.bitwidth() == 0) return std::nullopt;
  uint64_t elements = 1;
  for (const ov::Dimension& dimension : shape) {
    const int64_t extent = dimension.get_length();
    if (extent < 0 || __builtin_mul_overflow(elements, static_cast<uint64_t>(extent), &elements)) {
      return std::nullopt;
    }
  }
  uint64_t bits = 0;
  if (__builtin_mul_overflow(elements, static_cast<uint64_t>(type.bitwidth()), &bits)) {
    return UINT64_MAX;
  }
  return bits / 8 + (bits % 8 != 0 ? 1 : 0);
}

// Sign-extends a 2-bit field to a 4-bit one.
uint8_t SignExtend2To4(uint8_t field) { return field >= 2 ? (field | 0xCu) : field; }

// The element type and extents of a tensor, before anything is handed on: an unknown type, a
// negative extent or a size beyond 64 bits is refused, and so is signed 2-bit data that is not a
// constant (only constant data can be widened; the bits of any other would be read as u2).
bool CheckTensorType(const Tensor& tensor, ZorvelElementType code, ov::element::Type type,
                     const std::vector<int64_t>& dimensions) {
  std::optional<std::string> refusal = CheckElementType(TensorName(tensor), code, type);
  if (!refusal) refusal = CheckDimensions(TensorName(tensor), dimensions, type);
  if (!refusal && code == kZorvelElementTypeInt2 && !tensor.IsConstant()) {
    refusal = absl::StrCat("Tensor ", TensorName(tensor),
                           " holds signed 2-bit data but is not a constant");
  }
  if (refusal) ZORVEL_LOG_ERROR("%s", refusal->c_str());
  return !refusal.has_value();
}

}  // namespace

GraphIteratorDelegate::GraphIteratorDelegate(const HostApiTable* host_api, const Subgraph* subgraph,
                                             std::string device)
    : host_api_(host_api),
      subgraph_(subgraph != nullptr ? Subgraph(host_api, subgraph->Get()) : Subgraph()),
      device_(std::move(device)) {
  const std::vector<Tensor> inputs = subgraph_.Inputs();
  for (uint64_t i = 0; i < inputs.size(); ++i) {
    // Constants and tensors an op produces are listed as inputs by some hosts; they are not
    // graph inputs to the front end.
    if (!inputs[i].HasDefiningOp() && !inputs[i].IsConstant()) input_indices_.push_back(i);
  }
  input_count_ = static_cast<int64_t>(input_indices_.size());
  output_count_ = static_cast<int64_t>(subgraph_.NumOutputs());
  op_count_ = static_cast<int64_t>(subgraph_.NumOps());
}

GraphIteratorDelegate::~GraphIteratorDelegate() = default;

size_t GraphIteratorDelegate::size() const {
  return static_cast<size_t>(input_count_ + output_count_ + op_count_);
}

bool GraphIteratorDelegate::DescribeTensor(const Tensor& tensor, TensorMetaInfo& info) const {
  // Without its ranked type a tensor has no shape to give the front end; a scalar in its place
  // would change the model.
  const Expected<ZorvelRankedTensorType> ranked = tensor.RankedTensorType();
  if (!ranked) {
    throw ZORVEL_FAILED_HOST_READ(tensor.Api(), get_ranked_tensor_type, ranked.Status(),
                                  "the shape of a tensor");
  }
  const ZorvelElementType element_code = ranked->element_type;
  const ov::element::Type element_type = ToOvElementType(element_code);

  std::vector<int64_t> dimensions;
  const uint32_t rank = ZorvelLayoutRank(&ranked->layout);
  if (rank > ZORVEL_TENSOR_MAX_RANK) {
    ZORVEL_LOG_ERROR("Tensor rank %u exceeds the host's limit of %d", rank, ZORVEL_TENSOR_MAX_RANK);
    return false;
  }
  dimensions.assign(ranked->layout.dimensions, ranked->layout.dimensions + rank);
  if (!CheckTensorType(tensor, element_code, element_type, dimensions)) return false;

  const ZorvelQuantizationTypeId kind = tensor.QuantizationTypeId();
  switch (kind) {
    case kZorvelQuantizationNone:
      info.m_quantization_info = nullptr;
      break;
    case kZorvelQuantizationPerTensor: {
      const ZorvelQuantizationPerTensor q = tensor.PerTensorQuantization();
      info.m_quantization_info = std::make_shared<QuantizationInfo>(
          std::vector<float>{q.scale}, std::vector<int64_t>{q.zero_point}, 0);
      break;
    }
    case kZorvelQuantizationPerChannel: {
      const PerChannelQuantization q = tensor.PerChannel();
      info.m_quantization_info = std::make_shared<QuantizationInfo>(
          std::vector<float>(q.scales.begin(), q.scales.end()),
          std::vector<int64_t>(q.zero_points.begin(), q.zero_points.end()),
          static_cast<int64_t>(q.quantized_dimension));
      break;
    }
    default:
      ZORVEL_LOG_ERROR("Unsupported Quantization type %d ", kind);
      return false;
  }
  if (info.m_quantization_info != nullptr) {
    if (const std::optional<std::string> refusal =
            CheckQuantization(TensorName(tensor), element_code, dimensions,
                              kind == kZorvelQuantizationPerChannel, *info.m_quantization_info)) {
      ZORVEL_LOG_ERROR("%s", refusal->c_str());
      return false;
    }
  }

  info.m_partial_shape = ov::PartialShape(dimensions);
  info.m_element_type = element_type;

  info.m_tensor_name = std::string(tensor.Name());
  if (info.m_tensor_name.empty()) {
    info.m_tensor_name = absl::StrCat("tensor_id_", tensor.TensorIndex());
    ZORVEL_LOG_VERBOSE("Tensor name is empty, assign default name %s", info.m_tensor_name.c_str());
  }
  return true;
}

std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase> GraphIteratorDelegate::get_decoder()
    const {
  try {
    return DecoderAtPosition();
  } catch (HostReadError& error) {
    error.AddContext(absl::StrCat("at node ", position_, " of the subgraph"));
    throw;
  }
}

std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase>
GraphIteratorDelegate::DecoderAtPosition() const {
  converted_buffers_.clear();
  if (!subgraph_checked_) {
    if (const std::optional<std::string> refusal = CheckSubgraphTensors(subgraph_)) {
      ZORVEL_LOG_ERROR("%s", refusal->c_str());
      OPENVINO_THROW(*refusal);
    }
    subgraph_checked_ = true;
  }

  const uint64_t inputs = static_cast<uint64_t>(input_count_);
  const uint64_t outputs = static_cast<uint64_t>(output_count_);
  if (position_ < inputs) {
    const Tensor tensor = subgraph_.InputAt(input_indices_[position_]);
    TensorMetaInfo info{};
    if (!DescribeTensor(tensor, info)) {
      OPENVINO_THROW("Input node ", position_, ": tensor ", TensorName(tensor),
                     " cannot be described");
    }
    return std::make_shared<DecoderTensor>(std::move(info), static_cast<int64_t>(position_), -1);
  }
  if (position_ < inputs + outputs) {
    const Tensor tensor = subgraph_.OutputAt(position_ - inputs);
    TensorMetaInfo info{};
    if (!DescribeTensor(tensor, info)) {
      OPENVINO_THROW("Output node ", position_, ": tensor ", TensorName(tensor),
                     " cannot be described");
    }
    return std::make_shared<DecoderTensor>(std::move(info), -1, static_cast<int64_t>(position_));
  }
  if (position_ >= size()) OPENVINO_THROW("No node at position ", position_, " of ", size());
  return OperationDecoder(position_ - inputs - outputs);
}

std::shared_ptr<ov::frontend::tensorflow_lite::DecoderBase> GraphIteratorDelegate::OperationDecoder(
    uint64_t op_index) const {
  const Op op = subgraph_.OpAt(op_index);
  const ZorvelOpCode op_code = op.Code();
  const std::string node = absl::StrCat(std::string(OpTypeName(op_code)), "_id_", position_);

  std::vector<TensorMetaInfo> input_infos;
  for (const Tensor& tensor : op.Inputs()) {
    TensorMetaInfo info{};
    if (!DescribeTensor(tensor, info)) {
      OPENVINO_THROW("Node ", node, ": input tensor ", TensorName(tensor), " cannot be described");
    }
    if (tensor.IsConstant()) {
      ZORVEL_LOG_VERBOSE("Data is static or constant for op %d", op_code);
      const absl::Span<const uint8_t> bytes = tensor.GetWeights().Bytes();
      // The front end copies shape-many elements out of this pointer: a host buffer shorter than
      // that would be read past its end.
      // A size that cannot be known (a dynamic extent) cannot be checked: refused as well.
      const std::optional<uint64_t> needed =
          RequiredBytes(info.m_partial_shape, info.m_element_type);
      if (!needed.has_value() || bytes.size() < *needed) {
        std::ostringstream message;
        message << "Constant tensor " << info.m_tensor_name << " of node " << node << " holds "
                << bytes.size() << " bytes; its shape " << info.m_partial_shape
                << " and element type " << info.m_element_type << " need "
                << (needed.has_value() ? std::to_string(*needed) : std::string("an unknown size"));
        ZORVEL_LOG_ERROR("%s", message.str().c_str());
        OPENVINO_THROW(message.str());
      }
      info.m_tensor_data = bytes.data();
      if (HostElementTypeCode(tensor) == kZorvelElementTypeInt2) {
        // Without quantization there is no zero point to absorb the u2 offset: the values are
        // widened to i4 on every device.
        if (device_ == "GPU" || info.m_quantization_info == nullptr) {
          ConvertToI4(tensor, info);
        } else {
          ConvertToU2(tensor, info);
        }
      }
    }
    input_infos.push_back(std::move(info));
  }

  std::vector<TensorMetaInfo> output_infos;
  for (const Tensor& tensor : op.Outputs()) {
    TensorMetaInfo info{};
    if (!DescribeTensor(tensor, info)) {
      OPENVINO_THROW("Node ", node, ": output tensor ", TensorName(tensor), " cannot be described");
    }
    output_infos.push_back(std::move(info));
  }

  return std::make_shared<DecoderOperation>(host_api_, std::move(input_infos),
                                            std::move(output_infos), op, position_);
}

void GraphIteratorDelegate::ConvertToU2(const Tensor& tensor, TensorMetaInfo& info) const {
  const absl::Span<const uint8_t> bytes = tensor.GetWeights().Bytes();
  std::vector<uint8_t>& copy = converted_buffers_.emplace_back(bytes.begin(), bytes.end());
  // Flipping the high bit of every two's-complement field adds 2: -2..1 becomes 0..3.
  for (uint8_t& byte : copy) byte ^= 0xAAu;
  info.m_element_type = ov::element::u2;
  info.m_tensor_data = copy.data();

  // Zero points move by the same 2, so the dequantized values do not change.
  auto quantization = std::make_shared<QuantizationInfo>(*info.m_quantization_info);
  std::vector<int64_t> zero_points = quantization->get_zero_point();
  // A record without zero points means zero points of 0 for every scale.
  if (zero_points.empty()) zero_points.assign(quantization->get_scale().size(), 0);
  for (int64_t& zero_point : zero_points) zero_point += 2;
  quantization->set_zero_point(zero_points);
  info.m_quantization_info = std::move(quantization);

  ZORVEL_LOG_INFO("Converted i2 weights to u2 for tensor: %s", info.m_tensor_name.c_str());
}

void GraphIteratorDelegate::ConvertToI4(const Tensor& tensor, TensorMetaInfo& info) const {
  const absl::Span<const uint8_t> bytes = tensor.GetWeights().Bytes();
  std::vector<uint8_t>& wide = converted_buffers_.emplace_back(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t byte = bytes[i];
    const uint8_t f0 = SignExtend2To4(byte & 0x3u);
    const uint8_t f1 = SignExtend2To4((byte >> 2) & 0x3u);
    const uint8_t f2 = SignExtend2To4((byte >> 4) & 0x3u);
    const uint8_t f3 = SignExtend2To4((byte >> 6) & 0x3u);
    wide[2 * i] = static_cast<uint8_t>((f1 << 4) | f0);
    wide[2 * i + 1] = static_cast<uint8_t>((f3 << 4) | f2);
  }
  info.m_element_type = ov::element::i4;
  info.m_tensor_data = wide.data();

  ZORVEL_LOG_INFO("Converted i2 weights to i4 for tensor: %s", info.m_tensor_name.c_str());
}

}  // namespace zorvel::openvino
