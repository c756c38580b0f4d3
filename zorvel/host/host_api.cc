#include "zorvel/host/host_api.h"

#include <cstring>
#include <limits>
#include <utility>

namespace zorvel::host {
namespace {

constexpr int kFirstOptionEntry = 38;
constexpr int kLastOptionEntry = 126;

template <typename T>
constexpr HandleKind KindOf() {
  if constexpr (std::is_same_v<T, HostModel>) return HandleKind::kModel;
  if constexpr (std::is_same_v<T, HostSubgraph>) return HandleKind::kSubgraph;
  if constexpr (std::is_same_v<T, HostOp>) return HandleKind::kOp;
  if constexpr (std::is_same_v<T, HostTensor>) return HandleKind::kTensor;
  if constexpr (std::is_same_v<T, HostWeights>) return HandleKind::kWeights;
  if constexpr (std::is_same_v<T, HostOptions>) return HandleKind::kOptions;
  if constexpr (std::is_same_v<T, HostOpaqueOptions>) return HandleKind::kOpaqueOptions;
  if constexpr (std::is_same_v<T, HostEnvironment>) return HandleKind::kEnvironment;
  if constexpr (std::is_same_v<T, HostSelectedOps>) return HandleKind::kSelectedOps;
}

template <typename Handle, typename T>
Handle ToHandle(T* object) {
  return reinterpret_cast<Handle>(static_cast<HandleTag*>(object));
}

// The object behind a handle, or null when the handle is null or names another kind of object.
template <typename T, typename Handle>
T* FromHandle(Handle handle) {
  if (handle == nullptr) return nullptr;
  HandleTag* tag = reinterpret_cast<HandleTag*>(handle);
  return tag->handle_kind == KindOf<T>() ? static_cast<T*>(tag) : nullptr;
}

const HostFaults* FaultsOf(const HostModel& m) { return m.faults(); }
const HostFaults* FaultsOf(const HostSubgraph& s) { return s.model().faults(); }
const HostFaults* FaultsOf(const HostOp& op) { return op.subgraph->model().faults(); }
const HostFaults* FaultsOf(const HostTensor& t) { return t.subgraph->model().faults(); }
const HostFaults* FaultsOf(const HostWeights& w) { return FaultsOf(*w.tensor); }
const HostFaults* FaultsOf(const HostOptions& o) { return o.faults; }
const HostFaults* FaultsOf(const HostOpaqueOptions& o) { return o.faults; }
const HostFaults* FaultsOf(const HostEnvironment& e) { return e.faults; }
const HostFaults* FaultsOf(const HostSelectedOps& s) { return s.faults; }

template <typename T>
ZorvelStatus Enter(const T& object, int entry) {
  const HostFaults* faults = FaultsOf(object);
  return faults != nullptr ? faults->Enter(entry) : kZorvelStatusOk;
}

// Resolves `handle` into `var` (a pointer to T), applies the entry's injected fault, and returns
// early on either failure.
#define ZVL_HOST_ENTER(T, var, handle, entry)                   \
  T* var = FromHandle<T>(handle);                               \
  if (var == nullptr) return kZorvelStatusErrorInvalidArgument; \
  if (ZorvelStatus injected = Enter(*var, entry); injected != kZorvelStatusOk) return injected

// --- Model and subgraph (1-8) -------------------------------------------------------------------

ZorvelStatus GetNumModelSubgraphs(ZorvelModel handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostModel, model, handle, 1);
  if (num == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num = model->num_subgraphs();
  return kZorvelStatusOk;
}

ZorvelStatus GetModelSubgraph(ZorvelModel handle, uint64_t index, ZorvelSubgraph* subgraph) {
  ZVL_HOST_ENTER(HostModel, model, handle, 2);
  if (subgraph == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (index >= model->num_subgraphs()) return kZorvelStatusErrorIndexOutOfRange;
  *subgraph = ToHandle<ZorvelSubgraph>(&model->subgraph(index));
  return kZorvelStatusOk;
}

ZorvelStatus GetNumSubgraphOps(ZorvelSubgraph handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 3);
  if (num == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num = subgraph->num_ops();
  return kZorvelStatusOk;
}

ZorvelStatus GetSubgraphOp(ZorvelSubgraph handle, uint64_t index, ZorvelOp* op) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 4);
  if (op == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (index >= subgraph->num_ops()) return kZorvelStatusErrorIndexOutOfRange;
  *op = ToHandle<ZorvelOp>(&subgraph->op(static_cast<OpId>(index)));
  return kZorvelStatusOk;
}

ZorvelStatus CountTensors(const std::vector<HostTensor*>& list, uint64_t* num) {
  if (num == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num = list.size();
  return kZorvelStatusOk;
}

ZorvelStatus TensorAt(const std::vector<HostTensor*>& list, uint64_t index, ZorvelTensor* out) {
  if (out == nullptr) return kZorvelStatusErrorInvalidArgument;
  if (index >= list.size()) return kZorvelStatusErrorIndexOutOfRange;
  *out = ToHandle<ZorvelTensor>(list[index]);
  return kZorvelStatusOk;
}

ZorvelStatus GetNumSubgraphInputs(ZorvelSubgraph handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 5);
  return CountTensors(subgraph->inputs(), num);
}

ZorvelStatus GetSubgraphInput(ZorvelSubgraph handle, uint64_t index, ZorvelTensor* tensor) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 6);
  return TensorAt(subgraph->inputs(), index, tensor);
}

ZorvelStatus GetNumSubgraphOutputs(ZorvelSubgraph handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 7);
  return CountTensors(subgraph->outputs(), num);
}

ZorvelStatus GetSubgraphOutput(ZorvelSubgraph handle, uint64_t index, ZorvelTensor* tensor) {
  ZVL_HOST_ENTER(HostSubgraph, subgraph, handle, 8);
  return TensorAt(subgraph->outputs(), index, tensor);
}

// --- Ops (9, 11-14) ----------------------------------------------------------------------------

ZorvelStatus GetOpCode(ZorvelOp handle, ZorvelOpCode* code) {
  ZVL_HOST_ENTER(HostOp, op, handle, 9);
  if (code == nullptr) return kZorvelStatusErrorInvalidArgument;
  *code = op->op_code;
  return kZorvelStatusOk;
}

ZorvelStatus GetNumOpInputs(ZorvelOp handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostOp, op, handle, 11);
  return CountTensors(op->inputs, num);
}

ZorvelStatus GetOpInput(ZorvelOp handle, uint64_t index, ZorvelTensor* tensor) {
  ZVL_HOST_ENTER(HostOp, op, handle, 12);
  return TensorAt(op->inputs, index, tensor);
}

ZorvelStatus GetNumOpOutputs(ZorvelOp handle, uint64_t* num) {
  ZVL_HOST_ENTER(HostOp, op, handle, 13);
  return CountTensors(op->outputs, num);
}

ZorvelStatus GetOpOutput(ZorvelOp handle, uint64_t index, ZorvelTensor* tensor) {
  ZVL_HOST_ENTER(HostOp, op, handle, 14);
  return TensorAt(op->outputs, index, tensor);
}

// --- Tensors (15-22, 25-26) and weights (27-28) ------------------------------------------------

ZorvelStatus GetTensorName(ZorvelTensor handle, const char** name) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 15);
  if (name == nullptr) return kZorvelStatusErrorInvalidArgument;
  *name = tensor->name.c_str();
  return kZorvelStatusOk;
}

ZorvelStatus GetTensorIndex(ZorvelTensor handle, uint32_t* index) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 16);
  if (index == nullptr) return kZorvelStatusErrorInvalidArgument;
  *index = tensor->index;
  return kZorvelStatusOk;
}

ZorvelStatus GetRankedTensorType(ZorvelTensor handle, ZorvelRankedTensorType* type) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 18);
  // The rank check guards against types edited after the builder checked them.
  if (type == nullptr || !tensor->type.ranked ||
      tensor->type.dims.size() > ZORVEL_TENSOR_MAX_RANK) {
    return kZorvelStatusErrorInvalidArgument;
  }
  std::memset(type, 0, sizeof(*type));
  type->element_type = tensor->type.element_type;
  type->layout.rank_and_flags = static_cast<uint32_t>(tensor->type.dims.size());
  for (size_t i = 0; i < tensor->type.dims.size(); ++i) {
    type->layout.dimensions[i] = tensor->type.dims[i];
  }
  return kZorvelStatusOk;
}

ZorvelStatus GetUnrankedTensorType(ZorvelTensor handle, ZorvelElementType* element_type) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 19);
  if (element_type == nullptr) return kZorvelStatusErrorInvalidArgument;
  *element_type = tensor->type.element_type;
  return kZorvelStatusOk;
}

ZorvelStatus GetQuantizationTypeId(ZorvelTensor handle, ZorvelQuantizationTypeId* kind) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 20);
  if (kind == nullptr) return kZorvelStatusErrorInvalidArgument;
  *kind = tensor->quantization.kind;
  return kZorvelStatusOk;
}

ZorvelStatus GetPerTensorQuantization(ZorvelTensor handle, ZorvelQuantizationPerTensor* out) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 21);
  const Quantization& q = tensor->quantization;
  if (out == nullptr || q.kind != kZorvelQuantizationPerTensor) {
    return kZorvelStatusErrorInvalidArgument;
  }
  out->scale = q.scale;
  out->zero_point = q.zero_point;
  return kZorvelStatusOk;
}

ZorvelStatus GetPerChannelQuantization(ZorvelTensor handle, ZorvelQuantizationPerChannel* out) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 22);
  const Quantization& q = tensor->quantization;
  // A record may come without zero points (null), as some runtimes hand them out.
  if (out == nullptr || q.kind != kZorvelQuantizationPerChannel ||
      (!q.zero_points.empty() && q.scales.size() != q.zero_points.size())) {
    return kZorvelStatusErrorInvalidArgument;
  }
  out->quantized_dimension = q.axis;
  out->num_channels = q.scales.size();
  out->scales = q.scales.data();
  out->zero_points = q.zero_points.empty() ? nullptr : q.zero_points.data();
  return kZorvelStatusOk;
}

ZorvelStatus GetTensorDefiningOp(ZorvelTensor handle, bool* has_defining_op,
                                 ZorvelTensorDefiningOp* defining_op) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 25);
  if (has_defining_op == nullptr) return kZorvelStatusErrorInvalidArgument;
  *has_defining_op = tensor->producer != nullptr;
  if (defining_op != nullptr) {
    defining_op->op = tensor->producer ? ToHandle<ZorvelOp>(tensor->producer) : nullptr;
    defining_op->op_output_index = tensor->producer ? tensor->producer_output_index : -1;
  }
  return kZorvelStatusOk;
}

ZorvelStatus GetTensorWeights(ZorvelTensor handle, ZorvelWeights* weights) {
  ZVL_HOST_ENTER(HostTensor, tensor, handle, 26);
  if (weights == nullptr) return kZorvelStatusErrorInvalidArgument;
  *weights = ToHandle<ZorvelWeights>(&tensor->weights);
  return kZorvelStatusOk;
}

ZorvelStatus GetWeightsBufferId(ZorvelWeights handle, int32_t* buffer_id) {
  ZVL_HOST_ENTER(HostWeights, weights, handle, 27);
  if (buffer_id == nullptr) return kZorvelStatusErrorInvalidArgument;
  *buffer_id = weights->buffer != nullptr ? weights->buffer_id : -1;
  return kZorvelStatusOk;
}

ZorvelStatus GetWeightsBytes(ZorvelWeights handle, const void** data, size_t* size) {
  ZVL_HOST_ENTER(HostWeights, weights, handle, 28);
  if (data == nullptr || size == nullptr) return kZorvelStatusErrorInvalidArgument;
  *data = weights->buffer != nullptr ? weights->buffer->data() : nullptr;
  *size = weights->buffer != nullptr ? weights->buffer->size() : 0;
  return kZorvelStatusOk;
}

// --- Composite ops (29-32) ----------------------------------------------------------------------

#define ZVL_HOST_COMPOSITE(var, handle, entry, out)      \
  ZVL_HOST_ENTER(HostOp, var, handle, entry);            \
  if ((out) == nullptr || !var->composite.has_value() || \
      var->op_code != kZorvelOpCodeStablehloComposite)   \
  return kZorvelStatusErrorInvalidArgument

ZorvelStatus GetCompositeOpName(ZorvelOp handle, const char** name) {
  ZVL_HOST_COMPOSITE(op, handle, 29, name);
  *name = op->composite->name.c_str();
  return kZorvelStatusOk;
}

ZorvelStatus GetCompositeOpDecompositionSubgraphIndex(ZorvelOp handle, int32_t* index) {
  ZVL_HOST_COMPOSITE(op, handle, 30, index);
  *index = op->composite->decomposition_subgraph_index;
  return kZorvelStatusOk;
}

ZorvelStatus GetCompositeOpAttributes(ZorvelOp handle, const uint8_t** attributes, int32_t* size) {
  ZVL_HOST_COMPOSITE(op, handle, 31, attributes);
  const std::vector<uint8_t>& bytes = op->composite->attributes;
  if (size == nullptr || bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return kZorvelStatusErrorInvalidArgument;
  }
  *attributes = bytes.empty() ? nullptr : bytes.data();
  *size = static_cast<int32_t>(bytes.size());
  return kZorvelStatusOk;
}

ZorvelStatus GetCompositeOpVersion(ZorvelOp handle, int32_t* version) {
  ZVL_HOST_COMPOSITE(op, handle, 32, version);
  *version = op->composite->version;
  return kZorvelStatusOk;
}

// --- Partitioning (33), options (34-36), environment (37) ---------------------------------------

ZorvelStatus AddSelectedOp(ZorvelSelectedOps handle, ZorvelOp op_handle, int32_t partition) {
  ZVL_HOST_ENTER(HostSelectedOps, selected, handle, 33);
  HostOp* op = FromHandle<HostOp>(op_handle);
  if (op == nullptr) return kZorvelStatusErrorInvalidArgument;
  return selected->Add(*op, partition);
}

ZorvelStatus GetOpaqueOptions(ZorvelOptions handle, ZorvelOpaqueOptions* opaque) {
  ZVL_HOST_ENTER(HostOptions, options, handle, 34);
  if (opaque == nullptr) return kZorvelStatusErrorInvalidArgument;
  *opaque = ToHandle<ZorvelOpaqueOptions>(&options->opaque());
  return kZorvelStatusOk;
}

ZorvelStatus FindOpaqueOptionsData(ZorvelOpaqueOptions handle, const char* identifier,
                                   void** payload) {
  ZVL_HOST_ENTER(HostOpaqueOptions, opaque, handle, 35);
  if (identifier == nullptr || payload == nullptr) return kZorvelStatusErrorInvalidArgument;
  void* found = opaque->Find(identifier);
  if (found == nullptr) return kZorvelStatusErrorNotFound;
  *payload = found;
  return kZorvelStatusOk;
}

// On failure the payload stays the caller's.
ZorvelStatus AppendOpaqueOptions(ZorvelOpaqueOptions handle, const char* identifier, void* payload,
                                 void (*deleter)(void*)) {
  ZVL_HOST_ENTER(HostOpaqueOptions, opaque, handle, 36);
  if (identifier == nullptr || payload == nullptr) return kZorvelStatusErrorInvalidArgument;
  try {
    opaque->SetPayload(identifier, payload, deleter);
  } catch (...) {
    return kZorvelStatusErrorInvalidArgument;
  }
  return kZorvelStatusOk;
}

ZorvelStatus GetEnvironmentOption(ZorvelEnvironment handle, ZorvelEnvOptionTag tag,
                                  ZorvelAny* value) {
  ZVL_HOST_ENTER(HostEnvironment, environment, handle, 37);
  if (value == nullptr) return kZorvelStatusErrorInvalidArgument;
  std::optional<ZorvelAny> found = environment->Get(tag);
  if (!found.has_value()) return kZorvelStatusErrorNotFound;
  *value = *found;
  return kZorvelStatusOk;
}

// --- Per-op options (38-126) --------------------------------------------------------------------

template <typename T>
ZorvelStatus ReadOption(int entry, ZorvelOp handle, T* out) {
  ZVL_HOST_ENTER(HostOp, op, handle, entry);
  if (out == nullptr) return kZorvelStatusErrorInvalidArgument;
  const OpOptionValue* value = op->GetOption(entry);
  if (value == nullptr) return kZorvelStatusErrorInvalidArgument;
  const T* typed = std::get_if<T>(value);
  if (typed == nullptr) return kZorvelStatusErrorInvalidArgument;
  *out = *typed;
  return kZorvelStatusOk;
}

template <int kEntry>
ZorvelStatus EnumOption(ZorvelOp op, uint32_t* out) {
  return ReadOption(kEntry, op, out);
}
template <int kEntry>
ZorvelStatus IntOption(ZorvelOp op, int32_t* out) {
  return ReadOption(kEntry, op, out);
}
template <int kEntry>
ZorvelStatus FlagOption(ZorvelOp op, bool* out) {
  return ReadOption(kEntry, op, out);
}
template <int kEntry>
ZorvelStatus RealOption(ZorvelOp op, float* out) {
  return ReadOption(kEntry, op, out);
}

ZorvelStatus GetReshapeNewShapeOption(ZorvelOp handle, const int32_t** shape, int32_t* count) {
  constexpr int kEntry = 97;
  ZVL_HOST_ENTER(HostOp, op, handle, kEntry);
  if (shape == nullptr || count == nullptr) return kZorvelStatusErrorInvalidArgument;
  const OpOptionValue* value = op->GetOption(kEntry);
  if (value == nullptr) return kZorvelStatusErrorInvalidArgument;
  const auto* dims = std::get_if<std::vector<int32_t>>(value);
  if (dims == nullptr) return kZorvelStatusErrorInvalidArgument;
  *shape = dims->empty() ? nullptr : dims->data();
  *count = static_cast<int32_t>(dims->size());
  return kZorvelStatusOk;
}

void SetSlot(HostApiTable& table, int entry, const void* fn_bytes, size_t fn_size) {
  std::memcpy(reinterpret_cast<char*>(&table) + 8 * entry, fn_bytes, fn_size);
}

template <typename Fn>
void SetSlot(HostApiTable& table, int entry, Fn fn) {
  static_assert(sizeof(Fn) == 8);
  SetSlot(table, entry, &fn, sizeof(fn));
}

template <int... kOffsets>
void SetOptionSlots(HostApiTable& table, std::integer_sequence<int, kOffsets...>) {
  (
      [&table] {
        constexpr int kEntry = kFirstOptionEntry + kOffsets;
        const OpOptionEntry* info = FindOpOptionEntry(kEntry);
        if (info == nullptr) return;
        switch (info->kind) {
          case OpOptionKind::kActivation:
          case OpOptionKind::kPadding:
          case OpOptionKind::kEnum:
            SetSlot(table, kEntry, &EnumOption<kEntry>);
            break;
          case OpOptionKind::kInt:
            SetSlot(table, kEntry, &IntOption<kEntry>);
            break;
          case OpOptionKind::kFlag:
            SetSlot(table, kEntry, &FlagOption<kEntry>);
            break;
          case OpOptionKind::kReal:
            SetSlot(table, kEntry, &RealOption<kEntry>);
            break;
          case OpOptionKind::kIntVector:
            break;  // entry 97 has its own signature, set by name
        }
      }(),
      ...);
}

HostApiTable BuildFullTable() {
  HostApiTable t;
  std::memset(&t, 0, sizeof(t));
  t.header.size = sizeof(HostApiTable);
  t.header.version = ZORVEL_HOST_API_VERSION;
  t.get_num_model_subgraphs = GetNumModelSubgraphs;
  t.get_model_subgraph = GetModelSubgraph;
  t.get_num_subgraph_ops = GetNumSubgraphOps;
  t.get_subgraph_op = GetSubgraphOp;
  t.get_num_subgraph_inputs = GetNumSubgraphInputs;
  t.get_subgraph_input = GetSubgraphInput;
  t.get_num_subgraph_outputs = GetNumSubgraphOutputs;
  t.get_subgraph_output = GetSubgraphOutput;
  t.get_op_code = GetOpCode;
  t.get_num_op_inputs = GetNumOpInputs;
  t.get_op_input = GetOpInput;
  t.get_num_op_outputs = GetNumOpOutputs;
  t.get_op_output = GetOpOutput;
  t.get_tensor_name = GetTensorName;
  t.get_tensor_index = GetTensorIndex;
  t.get_ranked_tensor_type = GetRankedTensorType;
  t.get_unranked_tensor_type = GetUnrankedTensorType;
  t.get_quantization_type_id = GetQuantizationTypeId;
  t.get_per_tensor_quantization = GetPerTensorQuantization;
  t.get_per_channel_quantization = GetPerChannelQuantization;
  t.get_tensor_defining_op = GetTensorDefiningOp;
  t.get_tensor_weights = GetTensorWeights;
  t.get_weights_buffer_id = GetWeightsBufferId;
  t.get_weights_bytes = GetWeightsBytes;
  t.get_composite_op_name = GetCompositeOpName;
  t.get_composite_op_decomposition_subgraph_index = GetCompositeOpDecompositionSubgraphIndex;
  t.get_composite_op_attributes = GetCompositeOpAttributes;
  t.get_composite_op_version = GetCompositeOpVersion;
  t.add_selected_op = AddSelectedOp;
  t.get_opaque_options = GetOpaqueOptions;
  t.find_opaque_options_data = FindOpaqueOptionsData;
  t.append_opaque_options = AppendOpaqueOptions;
  t.get_environment_option = GetEnvironmentOption;
  SetOptionSlots(t, std::make_integer_sequence<int, kLastOptionEntry - kFirstOptionEntry + 1>());
  t.get_reshape_new_shape_option = GetReshapeNewShapeOption;
  return t;
}

bool IsEntryNumber(int entry) { return entry >= 1 && entry <= ZORVEL_HOST_API_NUM_ENTRIES; }

}  // namespace

// --- HostFaults ---------------------------------------------------------------------------------

ZorvelStatus HostFaults::Enter(int entry) const {
  if (!IsEntryNumber(entry)) return kZorvelStatusOk;
  if (tracing_.load()) {
    absl::MutexLock lock(&trace_mutex_);
    trace_.push_back(entry);
  }
  const Slot& slot = slots_[entry];
  const uint64_t earlier_calls = slot.calls.fetch_add(1);
  const ZorvelStatus status = slot.status.load();
  const uint64_t fail_from = slot.fail_from_call.load();
  const uint64_t fail_calls = slot.fail_calls.load();
  if (status == kZorvelStatusOk || earlier_calls < fail_from ||
      (fail_calls != 0 && earlier_calls - fail_from >= fail_calls)) {
    return kZorvelStatusOk;
  }
  return status;
}

void HostFaults::Fail(int entry, ZorvelStatus status, uint64_t succeed_first, uint64_t fail_calls) {
  if (!IsEntryNumber(entry)) return;
  slots_[entry].fail_from_call.store(slots_[entry].calls.load() + succeed_first);
  slots_[entry].fail_calls.store(fail_calls);
  slots_[entry].status.store(status);
}

void HostFaults::Clear(int entry) {
  if (IsEntryNumber(entry)) slots_[entry].status.store(kZorvelStatusOk);
}

void HostFaults::ClearAll() {
  for (Slot& slot : slots_) slot.status.store(kZorvelStatusOk);
}

uint64_t HostFaults::Calls(int entry) const {
  return IsEntryNumber(entry) ? slots_[entry].calls.load() : 0;
}

void HostFaults::ResetCalls() {
  for (Slot& slot : slots_) slot.calls.store(0);
}

void HostFaults::SetTracing(bool on) { tracing_.store(on); }

std::vector<int> HostFaults::TakeTrace() {
  absl::MutexLock lock(&trace_mutex_);
  std::vector<int> trace;
  trace.swap(trace_);
  return trace;
}

// --- HostApi ------------------------------------------------------------------------------------

const HostApiTable& HostApi::FullTable() {
  static const HostApiTable table = BuildFullTable();
  return table;
}

HostApi::HostApi() : table_(FullTable()) {}

void HostApi::RemoveEntry(int entry) {
  if (!IsEntryNumber(entry)) return;
  std::memset(reinterpret_cast<char*>(&table_) + 8 * entry, 0, 8);
}

void HostApi::RestoreEntry(int entry) {
  if (!IsEntryNumber(entry)) return;
  std::memcpy(reinterpret_cast<char*>(&table_) + 8 * entry,
              reinterpret_cast<const char*>(&FullTable()) + 8 * entry, 8);
}

void HostApi::RestoreAllEntries() { table_ = FullTable(); }

void HostApi::FailEntry(int entry, ZorvelStatus status, uint64_t succeed_first,
                        uint64_t fail_calls) {
  faults_.Fail(entry, status, succeed_first, fail_calls);
}

ZorvelModel HostApi::Handle(HostModel& model) {
  model.set_faults(&faults_);
  return ToHandle<ZorvelModel>(&model);
}

ZorvelSubgraph HostApi::Handle(HostSubgraph& subgraph) {
  subgraph.model().set_faults(&faults_);
  return ToHandle<ZorvelSubgraph>(&subgraph);
}

ZorvelOp HostApi::Handle(HostOp& op) {
  op.subgraph->model().set_faults(&faults_);
  return ToHandle<ZorvelOp>(&op);
}

ZorvelTensor HostApi::Handle(HostTensor& tensor) {
  tensor.subgraph->model().set_faults(&faults_);
  return ToHandle<ZorvelTensor>(&tensor);
}

ZorvelWeights HostApi::Handle(HostWeights& weights) {
  weights.tensor->subgraph->model().set_faults(&faults_);
  return ToHandle<ZorvelWeights>(&weights);
}

ZorvelOptions HostApi::Handle(HostOptions& options) {
  options.faults = &faults_;
  options.opaque().faults = &faults_;
  return ToHandle<ZorvelOptions>(&options);
}

ZorvelEnvironment HostApi::Handle(HostEnvironment& environment) {
  environment.faults = &faults_;
  return ToHandle<ZorvelEnvironment>(&environment);
}

ZorvelSelectedOps HostApi::Handle(HostSelectedOps& selected_ops) {
  selected_ops.faults = &faults_;
  return ToHandle<ZorvelSelectedOps>(&selected_ops);
}

}  // namespace zorvel::host
