#include "zorvel/compiler/cc/zorvel_model.h"

#include <algorithm>

#include "absl/strings/str_cat.h"
#include "zorvel/cc/internal/zorvel_detail.h"

namespace zorvel {
namespace {

// A list read through its count entry and its at-index entry together, in index order. Both must
// be there: a count without the at-index entry would only hand out null handles.
template <typename Owner, typename Item, typename AtEntry>
std::vector<Item> ReadList(const Owner& owner, AtEntry HostApiTable::*at_entry, const char* at_name,
                           const char* what, uint64_t (Owner::*count)() const,
                           Item (Owner::*at)(uint64_t) const) {
  if (!internal::HasEntry(owner.Api(), at_entry)) {
    throw HostReadError(kZorvelStatusErrorMissingHostEntry,
                        absl::StrCat("Host API entry ", internal::EntryNumber(at_entry), " (",
                                     at_name, ") is missing; it is needed to read the ", what));
  }
  const uint64_t n = (owner.*count)();
  std::vector<Item> list;
  // The count is the host's word; do not let a wild one allocate up front.
  list.reserve(std::min<uint64_t>(n, 4096));
  for (uint64_t i = 0; i < n; ++i) list.push_back((owner.*at)(i));
  return list;
}

// Guarded count read (entries 1, 3, 5, 7, 11, 13).
template <typename Entry, typename Handle>
uint64_t ReadCount(const HostApiTable* api, Entry HostApiTable::*entry, const char* name,
                   const char* what, Handle handle) {
  uint64_t count = 0;
  internal::GuardedHostCall(api, entry, name, absl::StrCat("the number of ", what), handle, &count);
  return count;
}

// Guarded at-index read (entries 2, 4, 6, 8, 12, 14).
template <typename Item, typename Entry, typename Handle>
Item ReadAt(const HostApiTable* api, Entry HostApiTable::*entry, const char* name, const char* what,
            Handle handle, uint64_t index) {
  decltype(Item().Get()) item = nullptr;
  internal::GuardedHostCall(api, entry, name, absl::StrCat(what, " ", index), handle, index, &item);
  return Item(api, item);
}

// The count entry is checked by the count read itself.
#define ZORVEL_INTERNAL_READ_LIST(Owner, count_entry, at_entry, what, count, at) \
  ReadList(*this, &HostApiTable::at_entry, #at_entry, what, &Owner::count, &Owner::at)

constexpr ZorvelStatus kCompositeMissing = kZorvelStatusErrorNotFound;

}  // namespace

int32_t Weights::BufferId() const {
  int32_t buffer_id = -1;
  if (handle_ != nullptr) {
    ZORVEL_GUARDED_HOST_CALL(api_, get_weights_buffer_id, "the buffer id of weights", handle_,
                             &buffer_id);
  }
  return buffer_id;
}

absl::Span<const uint8_t> Weights::Bytes() const {
  const void* data = nullptr;
  size_t size = 0;
  if (handle_ != nullptr) {
    ZORVEL_GUARDED_HOST_CALL(api_, get_weights_bytes, "the bytes of weights", handle_, &data,
                             &size);
  }
  if (data == nullptr) return {};
  return absl::Span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}

std::string_view Tensor::Name() const {
  const char* name = nullptr;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_name, "the name of a tensor", handle_, &name);
  return name == nullptr ? std::string_view() : std::string_view(name);
}

uint32_t Tensor::TensorIndex() const {
  uint32_t index = 0;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_index, "the index of a tensor", handle_, &index);
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
  ZORVEL_GUARDED_HOST_CALL(api_, get_quantization_type_id, "the quantization kind of a tensor",
                           handle_, &kind);
  return kind;
}

ZorvelQuantizationPerTensor Tensor::PerTensorQuantization() const {
  ZorvelQuantizationPerTensor quantization{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_per_tensor_quantization,
                           "the per-tensor quantization of a tensor", handle_, &quantization);
  return quantization;
}

PerChannelQuantization Tensor::PerChannel() const {
  ZorvelQuantizationPerChannel raw{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_per_channel_quantization,
                           "the per-channel quantization of a tensor", handle_, &raw);
  PerChannelQuantization quantization;
  quantization.quantized_dimension = raw.quantized_dimension;
  quantization.num_channels = raw.num_channels;
  if (raw.scales != nullptr) quantization.scales = {raw.scales, raw.num_channels};
  if (raw.zero_points != nullptr) quantization.zero_points = {raw.zero_points, raw.num_channels};
  return quantization;
}

bool Tensor::HasDefiningOp() const {
  // The flag is one byte, 0 for false and anything else for true: it is read as a byte, never
  // loaded as a bool the host may have written another value into.
  uint8_t has_defining_op = 0;
  ZorvelTensorDefiningOp defining_op{};
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_defining_op, "the producer of a tensor", handle_,
                           reinterpret_cast<bool*>(&has_defining_op), &defining_op);
  return has_defining_op != 0;
}

Weights Tensor::GetWeights() const {
  ZorvelWeights weights = nullptr;
  ZORVEL_GUARDED_HOST_CALL(api_, get_tensor_weights, "the weights of a tensor", handle_, &weights);
  return Weights(api_, weights);
}

ZorvelOpCode Op::Code() const {
  ZorvelOpCode code = kNeutralOpCode;
  ZORVEL_GUARDED_HOST_CALL(api_, get_op_code, "the code of an op", handle_, &code);
  return code;
}

uint64_t Op::NumInputs() const {
  return ReadCount(api_, &HostApiTable::get_num_op_inputs, "get_num_op_inputs", "inputs of an op",
                   handle_);
}

Tensor Op::InputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_op_input, "get_op_input", "op input", handle_,
                        index);
}

std::vector<Tensor> Op::Inputs() const {
  return ZORVEL_INTERNAL_READ_LIST(Op, get_num_op_inputs, get_op_input, "inputs of an op",
                                   NumInputs, InputAt);
}

uint64_t Op::NumOutputs() const {
  return ReadCount(api_, &HostApiTable::get_num_op_outputs, "get_num_op_outputs",
                   "outputs of an op", handle_);
}

Tensor Op::OutputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_op_output, "get_op_output", "op output", handle_,
                        index);
}

std::vector<Tensor> Op::Outputs() const {
  return ZORVEL_INTERNAL_READ_LIST(Op, get_num_op_outputs, get_op_output, "outputs of an op",
                                   NumOutputs, OutputAt);
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
  return ReadCount(api_, &HostApiTable::get_num_subgraph_inputs, "get_num_subgraph_inputs",
                   "inputs of a subgraph", handle_);
}

Tensor Subgraph::InputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_subgraph_input, "get_subgraph_input",
                        "subgraph input", handle_, index);
}

std::vector<Tensor> Subgraph::Inputs() const {
  return ZORVEL_INTERNAL_READ_LIST(Subgraph, get_num_subgraph_inputs, get_subgraph_input,
                                   "inputs of a subgraph", NumInputs, InputAt);
}

uint64_t Subgraph::NumOutputs() const {
  return ReadCount(api_, &HostApiTable::get_num_subgraph_outputs, "get_num_subgraph_outputs",
                   "outputs of a subgraph", handle_);
}

Tensor Subgraph::OutputAt(uint64_t index) const {
  return ReadAt<Tensor>(api_, &HostApiTable::get_subgraph_output, "get_subgraph_output",
                        "subgraph output", handle_, index);
}

std::vector<Tensor> Subgraph::Outputs() const {
  return ZORVEL_INTERNAL_READ_LIST(Subgraph, get_num_subgraph_outputs, get_subgraph_output,
                                   "outputs of a subgraph", NumOutputs, OutputAt);
}

uint64_t Subgraph::NumOps() const {
  return ReadCount(api_, &HostApiTable::get_num_subgraph_ops, "get_num_subgraph_ops",
                   "ops of a subgraph", handle_);
}

Op Subgraph::OpAt(uint64_t index) const {
  return ReadAt<Op>(api_, &HostApiTable::get_subgraph_op, "get_subgraph_op", "subgraph op", handle_,
                    index);
}

std::vector<Op> Subgraph::Ops() const {
  return ZORVEL_INTERNAL_READ_LIST(Subgraph, get_num_subgraph_ops, get_subgraph_op,
                                   "ops of a subgraph", NumOps, OpAt);
}

uint64_t Model::NumSubgraphs() const {
  return ReadCount(api_, &HostApiTable::get_num_model_subgraphs, "get_num_model_subgraphs",
                   "subgraphs of the model", handle_);
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

#undef ZORVEL_INTERNAL_READ_LIST

}  // namespace zorvel
