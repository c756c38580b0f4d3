#include "zorvel/host/host_model.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

#include "absl/strings/str_cat.h"

namespace zorvel::host {
namespace {

constexpr size_t kBufferAlignment = 64;

[[noreturn]] void Fail(const std::string& message) { throw std::invalid_argument(message); }

}  // namespace

// --- HostBuffer -------------------------------------------------------------------------------

std::shared_ptr<const HostBuffer> HostBuffer::Copy(const void* data, size_t size) {
  auto buffer = std::shared_ptr<HostBuffer>(new HostBuffer());
  if (size > 0) {
    const size_t rounded = (size + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    void* storage = std::aligned_alloc(kBufferAlignment, rounded);
    if (storage == nullptr) throw std::bad_alloc();
    std::memcpy(storage, data, size);
    buffer->storage_ = std::shared_ptr<const void>(
        storage, [](const void* p) { std::free(const_cast<void*>(p)); });
    buffer->data_ = static_cast<const uint8_t*>(storage);
    buffer->size_ = size;
  }
  return buffer;
}

std::shared_ptr<const HostBuffer> HostBuffer::Own(std::vector<uint8_t> bytes) {
  return Copy(bytes.data(), bytes.size());
}

std::shared_ptr<const HostBuffer> HostBuffer::View(const void* data, size_t size,
                                                   std::shared_ptr<const void> keep_alive) {
  if (data == nullptr && size != 0) Fail("HostBuffer::View: null data with a non-zero size");
  auto buffer = std::shared_ptr<HostBuffer>(new HostBuffer());
  buffer->data_ = static_cast<const uint8_t*>(data);
  buffer->size_ = size;
  buffer->storage_ = std::move(keep_alive);
  return buffer;
}

// --- TensorType, Quantization -----------------------------------------------------------------

TensorType TensorType::Ranked(ZorvelElementType element_type, std::vector<int32_t> dims) {
  if (dims.size() > ZORVEL_TENSOR_MAX_RANK) {
    Fail(absl::StrCat("rank ", dims.size(), " exceeds the host's maximum of ",
                      ZORVEL_TENSOR_MAX_RANK));
  }
  for (int32_t d : dims) {
    if (d < ZORVEL_DYNAMIC_DIMENSION) Fail(absl::StrCat("invalid dimension ", d));
  }
  TensorType type;
  type.element_type = element_type;
  type.ranked = true;
  type.dims = std::move(dims);
  return type;
}

TensorType TensorType::Unranked(ZorvelElementType element_type) {
  TensorType type;
  type.element_type = element_type;
  return type;
}

Quantization Quantization::PerTensor(float scale, int64_t zero_point) {
  Quantization q;
  q.kind = kZorvelQuantizationPerTensor;
  q.scale = scale;
  q.zero_point = zero_point;
  return q;
}

Quantization Quantization::PerChannel(int32_t axis, std::vector<float> scales,
                                      std::vector<int64_t> zero_points) {
  if (scales.size() != zero_points.size()) {
    Fail(absl::StrCat("per-channel quantization with ", scales.size(), " scales but ",
                      zero_points.size(), " zero points"));
  }
  if (axis < 0) Fail(absl::StrCat("per-channel quantization axis ", axis));
  Quantization q;
  q.kind = kZorvelQuantizationPerChannel;
  q.axis = axis;
  q.scales = std::move(scales);
  q.zero_points = std::move(zero_points);
  return q;
}

// --- HostOp -----------------------------------------------------------------------------------

HostOp& HostOp::SetOption(int entry, OpOptionValue value) {
  const OpOptionEntry* info = FindOpOptionEntry(entry);
  if (info == nullptr) Fail(absl::StrCat("entry ", entry, " is not a per-op option entry"));
  if (info->op_code != op_code) {
    Fail(absl::StrCat("option entry ", entry, " (", info->name, ") belongs to op code ",
                      info->op_code, ", not ", op_code));
  }
  if (!NormalizeOpOptionValue(info->kind, value)) {
    Fail(absl::StrCat("value of the wrong kind for option entry ", entry, " (", info->name, ")"));
  }
  options[entry] = std::move(value);
  return *this;
}

const OpOptionValue* HostOp::GetOption(int entry) const {
  const OpOptionEntry* info = FindOpOptionEntry(entry);
  if (info == nullptr || info->op_code != op_code) return nullptr;
  auto it = options.find(entry);
  return it != options.end() ? &it->second : &info->default_value;
}

// --- HostSubgraph -----------------------------------------------------------------------------

HostSubgraph::HostSubgraph(HostModel* model, size_t index)
    : HandleTag(HandleKind::kSubgraph), model_(model), index_(index) {}

HostTensor& HostSubgraph::NewTensor(std::string name, TensorType type, Quantization quantization) {
  if (tensors_.size() >= UINT32_MAX) Fail("too many tensors in one subgraph");
  if (quantization.kind == kZorvelQuantizationPerChannel && type.ranked &&
      quantization.axis >= static_cast<int32_t>(type.dims.size())) {
    Fail(absl::StrCat("quantization axis ", quantization.axis, " of tensor '", name,
                      "' is not below its rank ", type.dims.size()));
  }
  HostTensor& t = tensors_.emplace_back(this, static_cast<TensorId>(tensors_.size()));
  t.name = std::move(name);
  t.type = std::move(type);
  t.quantization = std::move(quantization);
  return t;
}

HostTensor& HostSubgraph::Checked(TensorId id, const char* what) {
  if (id >= tensors_.size()) {
    Fail(absl::StrCat(what, ": tensor id ", id, " is not in subgraph ", index_, " (",
                      tensors_.size(), " tensors)"));
  }
  return tensors_[id];
}

TensorId HostSubgraph::AddTensor(std::string name, TensorType type, Quantization quantization) {
  return NewTensor(std::move(name), std::move(type), std::move(quantization)).index;
}

TensorId HostSubgraph::AddInput(std::string name, TensorType type, Quantization quantization) {
  TensorId id = AddTensor(std::move(name), std::move(type), std::move(quantization));
  MarkInput(id);
  return id;
}

void HostSubgraph::MarkInput(TensorId id) {
  HostTensor& t = Checked(id, "MarkInput");
  if (std::find(inputs_.begin(), inputs_.end(), &t) != inputs_.end()) {
    Fail(absl::StrCat("tensor '", t.name, "' is already an input"));
  }
  inputs_.push_back(&t);
}

void HostSubgraph::AddOutput(TensorId id) {
  HostTensor& t = Checked(id, "AddOutput");
  if (std::find(outputs_.begin(), outputs_.end(), &t) != outputs_.end()) {
    Fail(absl::StrCat("tensor '", t.name, "' is already an output"));
  }
  outputs_.push_back(&t);
}

TensorId HostSubgraph::AddConstant(std::string name, TensorType type, BufferId buffer,
                                   Quantization quantization) {
  std::shared_ptr<const HostBuffer> bytes = model_->buffer(buffer);
  if (bytes == nullptr) Fail(absl::StrCat("constant '", name, "': no buffer with id ", buffer));
  HostTensor& t = NewTensor(std::move(name), std::move(type), std::move(quantization));
  t.weights.buffer_id = buffer;
  t.weights.buffer = std::move(bytes);
  return t.index;
}

TensorId HostSubgraph::AddConstant(std::string name, TensorType type, std::vector<uint8_t> bytes,
                                   Quantization quantization) {
  BufferId id = model_->AddBuffer(std::move(bytes));
  return AddConstant(std::move(name), std::move(type), id, std::move(quantization));
}

TensorId HostSubgraph::AddConstantWithoutBufferId(std::string name, TensorType type,
                                                  std::vector<uint8_t> bytes,
                                                  Quantization quantization) {
  HostTensor& t = NewTensor(std::move(name), std::move(type), std::move(quantization));
  t.weights.buffer = HostBuffer::Own(std::move(bytes));
  return t.index;
}

HostOp& HostSubgraph::AddOp(ZorvelOpCode op_code, const std::vector<TensorId>& inputs,
                            const std::vector<TensorId>& outputs) {
  std::vector<HostTensor*> in;
  for (TensorId id : inputs) in.push_back(&Checked(id, "AddOp input"));
  std::vector<HostTensor*> out;
  for (TensorId id : outputs) {
    HostTensor& t = Checked(id, "AddOp output");
    if (t.producer != nullptr) Fail(absl::StrCat("tensor '", t.name, "' already has a producer"));
    if (t.weights.buffer != nullptr) Fail(absl::StrCat("op output '", t.name, "' is a constant"));
    if (std::find(out.begin(), out.end(), &t) != out.end()) {
      Fail(absl::StrCat("tensor '", t.name, "' appears twice among the op's outputs"));
    }
    out.push_back(&t);
  }
  // An op may not read what it writes: the ops stay in a valid execution order.
  for (HostTensor* t : in) {
    if (std::find(out.begin(), out.end(), t) != out.end()) {
      Fail(absl::StrCat("op reads its own output '", t->name, "'"));
    }
  }
  HostOp& op = ops_.emplace_back(this, static_cast<OpId>(ops_.size()), op_code);
  op.inputs = std::move(in);
  op.outputs = std::move(out);
  for (size_t i = 0; i < op.outputs.size(); ++i) {
    op.outputs[i]->producer = &op;
    op.outputs[i]->producer_output_index = static_cast<int64_t>(i);
  }
  return op;
}

TensorId HostSubgraph::AddOp(ZorvelOpCode op_code, const std::vector<TensorId>& inputs,
                             std::string output_name, TensorType output_type,
                             Quantization output_quantization) {
  TensorId out =
      AddTensor(std::move(output_name), std::move(output_type), std::move(output_quantization));
  AddOp(op_code, inputs, {out});
  return out;
}

HostOp& HostSubgraph::AddComposite(std::string name, const std::vector<TensorId>& inputs,
                                   const std::vector<TensorId>& outputs,
                                   std::vector<uint8_t> attributes,
                                   int32_t decomposition_subgraph_index, int32_t version) {
  HostOp& op = AddOp(kZorvelOpCodeStablehloComposite, inputs, outputs);
  op.composite =
      CompositeInfo{std::move(name), std::move(attributes), decomposition_subgraph_index, version};
  return op;
}

HostTensor& HostSubgraph::tensor(TensorId id) { return Checked(id, "tensor"); }

const HostTensor& HostSubgraph::tensor(TensorId id) const {
  return const_cast<HostSubgraph*>(this)->Checked(id, "tensor");
}

HostOp& HostSubgraph::op(OpId id) {
  if (id >= ops_.size()) Fail(absl::StrCat("op id ", id, " is not in subgraph ", index_));
  return ops_[id];
}

const HostOp& HostSubgraph::op(OpId id) const { return const_cast<HostSubgraph*>(this)->op(id); }

std::vector<const HostOp*> HostSubgraph::Consumers(TensorId id) const {
  const HostTensor* t = &tensor(id);
  std::vector<const HostOp*> consumers;
  for (const HostOp& op : ops_) {
    if (std::find(op.inputs.begin(), op.inputs.end(), t) != op.inputs.end()) {
      consumers.push_back(&op);
    }
  }
  return consumers;
}

bool HostSubgraph::IsOutput(TensorId id) const {
  const HostTensor* t = &tensor(id);
  return std::find(outputs_.begin(), outputs_.end(), t) != outputs_.end();
}

// --- HostModel --------------------------------------------------------------------------------

HostModel::HostModel() : HandleTag(HandleKind::kModel) {}

HostModel::~HostModel() = default;

HostSubgraph& HostModel::AddSubgraph() { return subgraphs_.emplace_back(this, subgraphs_.size()); }

HostSubgraph& HostModel::subgraph(size_t index) {
  if (index >= subgraphs_.size()) Fail(absl::StrCat("no subgraph ", index));
  return subgraphs_[index];
}

const HostSubgraph& HostModel::subgraph(size_t index) const {
  return const_cast<HostModel*>(this)->subgraph(index);
}

BufferId HostModel::AddBuffer(std::vector<uint8_t> bytes) {
  return AddBuffer(HostBuffer::Own(std::move(bytes)));
}

BufferId HostModel::AddBuffer(std::shared_ptr<const HostBuffer> buffer) {
  BufferId id = buffers_.empty() ? 0 : buffers_.rbegin()->first + 1;
  if (id < 0) Fail("buffer ids exhausted");
  AddBufferWithId(id, std::move(buffer));
  return id;
}

void HostModel::AddBufferWithId(BufferId id, std::shared_ptr<const HostBuffer> buffer) {
  if (id < 0) Fail(absl::StrCat("negative buffer id ", id));
  if (buffer == nullptr) Fail("null buffer");
  auto [it, inserted] = buffers_.emplace(id, buffer);
  if (!inserted && it->second != buffer) {
    Fail(absl::StrCat("buffer id ", id, " is already taken by another buffer"));
  }
}

std::shared_ptr<const HostBuffer> HostModel::buffer(BufferId id) const {
  auto it = buffers_.find(id);
  return it != buffers_.end() ? it->second : nullptr;
}

// --- Options and environment ------------------------------------------------------------------

HostOpaqueOptions::~HostOpaqueOptions() {
  for (Entry& e : entries_) {
    if (e.deleter != nullptr) e.deleter(e.payload);
  }
}

void HostOpaqueOptions::Set(const std::string& identifier, const std::string& text) {
  char* payload = static_cast<char*>(std::malloc(text.size() + 1));
  if (payload == nullptr) throw std::bad_alloc();
  std::memcpy(payload, text.c_str(), text.size() + 1);
  SetPayload(identifier, payload, [](void* p) { std::free(p); });
}

void HostOpaqueOptions::SetPayload(const std::string& identifier, void* payload,
                                   void (*deleter)(void*)) {
  for (Entry& e : entries_) {
    if (e.identifier == identifier) {
      if (e.deleter != nullptr && e.payload != payload) e.deleter(e.payload);
      e.payload = payload;
      e.deleter = deleter;
      return;
    }
  }
  entries_.push_back(Entry{identifier, payload, deleter});
}

void* HostOpaqueOptions::Find(const std::string& identifier) const {
  for (const Entry& e : entries_) {
    if (e.identifier == identifier) return e.payload;
  }
  return nullptr;
}

HostEnvironment& HostEnvironment::Store(int32_t tag, ZorvelAny value) {
  values_[tag] = value;
  if (value.type != kZorvelAnyTypeString) strings_.erase(tag);
  return *this;
}

HostEnvironment& HostEnvironment::SetInt(int32_t tag, int64_t value) {
  ZorvelAny any{};
  any.type = kZorvelAnyTypeInt;
  any.int_value = value;
  return Store(tag, any);
}

HostEnvironment& HostEnvironment::SetBool(int32_t tag, bool value) {
  ZorvelAny any{};
  any.type = kZorvelAnyTypeBool;
  any.bool_value = value;
  return Store(tag, any);
}

HostEnvironment& HostEnvironment::SetReal(int32_t tag, double value) {
  ZorvelAny any{};
  any.type = kZorvelAnyTypeReal;
  any.real_value = value;
  return Store(tag, any);
}

HostEnvironment& HostEnvironment::SetString(int32_t tag, std::string value) {
  std::string& stored = strings_[tag] = std::move(value);
  ZorvelAny any{};
  any.type = kZorvelAnyTypeString;
  any.str_value = stored.c_str();
  return Store(tag, any);
}

std::optional<ZorvelAny> HostEnvironment::Get(int32_t tag) const {
  auto it = values_.find(tag);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace zorvel::host
