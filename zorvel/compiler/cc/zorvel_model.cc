#include "zorvel/compiler/cc/zorvel_model.h"

#include <algorithm>

#include "zorvel/cc/internal/zorvel_detail.h"

namespace zorvel {
namespace {

// A list read through a count entry and an at-index entry, in index order. Without the at-index
// entry the list is empty: handing out null handles would only move the failure to the next read.
template <typename Owner, typename Item, typename CountEntry, typename AtEntry>
std::vector<Item> ReadList(const Owner& owner, CountEntry HostApiTable::*count_entry,
                           AtEntry HostApiTable::*at_entry, uint64_t (Owner::*count)() const,
                           Item (Owner::*at)(uint64_t) const) {
  std::vector<Item> list;
  if (!internal::HasEntry(owner.Api(), count_entry) || !internal::HasEntry(owner.Api(), at_entry)) {
    return list;
  }
  const uint64_t n = (owner.*count)();
  // The count is the host's word; do not let a wild one allocate up front.
  list.reserve(std::min<uint64_t>(n, 4096));
  for (uint64_t i = 0; i < n; ++i) list.push_back((owner.*at)(i));
  return list;
}

// Guarded count read (entries 1, 3, 5, 7, 11, 13): 0 without the entry.
template <typename Entry, typename Handle>
uint64_t ReadCount(const HostApiTable* api, Entry HostApiTable::*entry, Handle handle) {
  uint64_t count = 0;
  internal::GuardedHostCall(api, entry, __FILE__, __LINE__, handle, &count);
  return count;
}

// Guarded at-index read (entries 4, 6, 8, 12, 14): a null handle without the entry.
template <typename Item, typename Entry, typename Handle>
Item ReadAt(const HostApiTable* api, Entry HostApiTable::*entry, Handle handle, uint64_t index) {
  decltype(Item().Get()) item = nullptr;
  internal::GuardedHostCall(api, entry, __FILE__, __LINE__, handle, index, &item);
  return Item(api, item);
}

constexpr ZorvelStatus kCompositeMissing = kZorvelStatusErrorNotFound;

}  // namespace

int32_t Weights::BufferId() const {
  int32_t buffer_id = -1;
  if (handle_ != nullptr) {
    ZORVEL_GUARDED_HOST_CALL(api_, get_weights_buffer_id, handle_, &buffer_id);
  }
  return buffer_id;
}

absl::Span<const uint8_t> Weights::Bytes() const {
  const void* data = nullptr;
  size_t size = 0;
  if (handle_ != nullptr) {
    ZORVEL_GUARDED_HOST_CALL(api_, get_weights_bytes, handle_, &data, &size);
  }
  if (data == nullptr) return {};
  return absl::Span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}

std::string_view Tensor::Name() const {
  const char* name = nullptr;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_name, handle_, &name);
  return name == nullptr ? std::string_view() : std::string_view(name);
}

uint32_t Tensor::TensorIndex() const {
  uint32_t index = 0;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_index, handle_, &index);
  return index;
}

Expected<ZorvelRankedTensorType> Tensor::RankedTensorType() const {
  ZorvelRankedTensorType type{};
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, api_,
                                          get_ranked_tensor_type, handle_, &type));
  return type;
}

Expected<ZorvelElementType> Tensor::UnrankedElementType() const {
  ZorvelElementType type = kZorvelElementTypeNone;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, api_,
                                          get_unranked_tensor_type, handle_, &type));
  return type;
}

ZorvelQuantizationTypeId Tensor::QuantizationTypeId() const {
  ZorvelQuantizationTypeId kind = kZorvelQuantizationNone;
  ZORVEL_GUARDED_HOST_CALL(api_, get_quantization_type_id, handle_, &kind);
  return kind;
}

ZorvelQuantizationPerTensor Tensor::PerTensorQuantization() const {
  ZorvelQuantizationPerTensor quantization{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_per_tensor_quantization, handle_, &quantization);
  return quantization;
}

PerChannelQuantization Tensor::PerChannel() const {
  ZorvelQuantizationPerChannel raw{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_per_channel_quantization, handle_, &raw);
  PerChannelQuantization quantization;
  quantization.quantized_dimension = raw.quantized_dimension;
  quantization.num_channels = raw.num_channels;
  if (raw.scales != nullptr) quantization.scales = {raw.scales, raw.num_channels};
  if (raw.zero_points != nullptr) quantization.zero_points = {raw.zero_points, raw.num_channels};
  return quantization;
}

bool Tensor::HasDefiningOp() const {
  bool has_defining_op = false;
  ZorvelTensorDefiningOp defining_op{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_defining_op, handle_, &has_defining_op, &defining_op);
  return has_defining_op;
}

Weights Tensor::GetWeights() const {
  ZorvelWeights weights = nullptr;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_weights, handle_, &weights);
  return Weights(api_, weights);
}

ZorvelOpCode Op::Code() const {
  ZorvelOpCode code = kNeutralOpCode;
  ZORVEL_GUARDED_HOST_CALL(api_, get_op_code, handle_, &code);
  return code;
}

uint64_t Op::NumInputs() const {
  return ReadCount(api_, &HostApiTable::get_num_op_inputs, handle_);
}

Tensor Op::InputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_op_input, handle_, index);
}

std::vector<Tensor> Op::Inputs() const {
  return ReadList(*this, &HostApiTable::get_num_op_inputs, &HostApiTable::get_op_input,
                  &Op::NumInputs, &Op::InputAt);
}

uint64_t Op::NumOutputs() const {
  return ReadCount(api_, &HostApiTable::get_num_op_outputs, handle_);
}

Tensor Op::OutputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_op_output, handle_, index);
}

std::vector<Tensor> Op::Outputs() const {
  return ReadList(*this, &HostApiTable::get_num_op_outputs, &HostApiTable::get_op_output,
                  &Op::NumOutputs, &Op::OutputAt);
}

Expected<ZorvelOpCode> Op::CompositeOpCode() const {
  ZorvelOpCode code = kNeutralOpCode;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kCompositeMissing, api_, get_op_code, handle_, &code));
  return code;
}

Expected<std::string_view> Op::CompositeName() const {
  const char* name = nullptr;
  ZORVEL_RETURN_IF_ERROR(
      ZORVEL_HOST_CALL(kCompositeMissing, api_, get_composite_op_name, handle_, &name));
  return name == nullptr ? std::string_view() : std::string_view(name);
}

Expected<int32_t> Op::CompositeSubgraphIndex() const {
  int32_t index = 0;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(
      kCompositeMissing, api_, get_composite_op_decomposition_subgraph_index, handle_, &index));
  return index;
}

Expected<Op::Attributes> Op::CompositeAttributes() const {
  Attributes attributes;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kCompositeMissing, api_, get_composite_op_attributes,
                                          handle_, &attributes.data, &attributes.size));
  return attributes;
}

Expected<int32_t> Op::CompositeVersion() const {
  int32_t version = 0;
  ZORVEL_RETURN_IF_ERROR(
      ZORVEL_HOST_CALL(kCompositeMissing, api_, get_composite_op_version, handle_, &version));
  return version;
}

uint64_t Subgraph::NumInputs() const {
  return ReadCount(api_, &HostApiTable::get_num_subgraph_inputs, handle_);
}

Tensor Subgraph::InputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_subgraph_input, handle_, index);
}

std::vector<Tensor> Subgraph::Inputs() const {
  return ReadList(*this, &HostApiTable::get_num_subgraph_inputs, &HostApiTable::get_subgraph_input,
                  &Subgraph::NumInputs, &Subgraph::InputAt);
}

uint64_t Subgraph::NumOutputs() const {
  return ReadCount(api_, &HostApiTable::get_num_subgraph_outputs, handle_);
}

Tensor Subgraph::OutputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_subgraph_output, handle_, index);
}

std::vector<Tensor> Subgraph::Outputs() const {
  return ReadList(*this, &HostApiTable::get_num_subgraph_outputs,
                  &HostApiTable::get_subgraph_output, &Subgraph::NumOutputs, &Subgraph::OutputAt);
}

uint64_t Subgraph::NumOps() const {
  return ReadCount(api_, &HostApiTable::get_num_subgraph_ops, handle_);
}

Op Subgraph::OpAt(uint64_t index) const {
  return ReadAt<Op>(api_, &HostApiTable::get_subgraph_op, handle_, index);
}

std::vector<Op> Subgraph::Ops() const {
  return ReadList(*this, &HostApiTable::get_num_subgraph_ops, &HostApiTable::get_subgraph_op,
                  &Subgraph::NumOps, &Subgraph::OpAt);
}

uint64_t Model::NumSubgraphs() const {
  return ReadCount(api_, &HostApiTable::get_num_model_subgraphs, handle_);
}

Expected<Subgraph> Model::SubgraphAt(uint64_t index) const {
  ZorvelSubgraph subgraph = nullptr;
  ZORVEL_RETURN_IF_ERROR(ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, api_,
                                          get_model_subgraph, handle_, index, &subgraph));
  return Subgraph(api_, subgraph);
}

Expected<void> AddSelectedOp(const HostApiTable* api, ZorvelSelectedOps selected_ops, const Op& op,
                             int32_t partition_index) {
  return ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, api, add_selected_op, selected_ops,
                          op.Get(), partition_index);
}

}  // namespace zorvel
