#ifndef ZORVEL_HOST_HOST_MODEL_H_
#define ZORVEL_HOST_HOST_MODEL_H_

// The stand-in host's in-memory model: what a runtime holds between loading a model and handing
// parts of it to a compiler plug-in.
//
//   HostModel model;
//   HostSubgraph& sg = model.AddSubgraph();
//   TensorId x = sg.AddInput("x", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4}));
//   TensorId w = sg.AddConstant<float>("w", {4, 4}, weights);
//   TensorId y = sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, "y",
//                         TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4}));
//   sg.AddOutput(y);
//
// Objects have stable addresses for the life of the model (handles point at them), so HostModel,
// HostSubgraph and the objects inside are neither copyable nor movable. Weight bytes live in
// HostBuffer objects that the model registers under buffer ids; constants in several subgraphs (or
// several models) may reference one buffer, which is then shared, never copied.
//
// The builder methods check what they are given and throw std::invalid_argument on misuse (a
// tensor id from another subgraph, an option of the wrong kind); the host API entries never throw.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "zorvel/c/zorvel_element_type.h"
#include "zorvel/c/zorvel_model_types.h"
#include "zorvel/c/zorvel_op_code.h"
#include "zorvel/host/host_op_options.h"

namespace zorvel::host {

class HostFaults;
class HostModel;
class HostSubgraph;
struct HostOp;
struct HostTensor;

using TensorId = uint32_t;  // index of a tensor in its subgraph (entry 16)
using OpId = uint32_t;      // index of an op in its subgraph's execution order
using BufferId = int32_t;   // model-wide weight buffer id (entry 27); negative = none

// Every object a handle can point at starts with a tag naming its type, so an entry handed a
// handle of the wrong kind reports an invalid argument instead of misreading memory.
enum class HandleKind : uint32_t {
  kModel = 0x5a4d4f44,
  kSubgraph = 0x5a534247,
  kOp = 0x5a4f5020,
  kTensor = 0x5a54454e,
  kWeights = 0x5a575453,
  kOptions = 0x5a4f5054,
  kOpaqueOptions = 0x5a4f5051,
  kEnvironment = 0x5a454e56,
  kSelectedOps = 0x5a53454c,
};

struct HandleTag {
  explicit HandleTag(HandleKind k) : handle_kind(k) {}
  HandleTag(const HandleTag&) = delete;
  HandleTag& operator=(const HandleTag&) = delete;
  ~HandleTag() { handle_kind = HandleKind{0}; }
  HandleKind handle_kind;
};

// Immutable weight bytes, 64-byte aligned when owned. A buffer may also view memory owned
// elsewhere (a mapped model file), kept alive by `keep_alive`.
class HostBuffer {
 public:
  static std::shared_ptr<const HostBuffer> Copy(const void* data, size_t size);
  static std::shared_ptr<const HostBuffer> Own(std::vector<uint8_t> bytes);
  static std::shared_ptr<const HostBuffer> View(const void* data, size_t size,
                                                std::shared_ptr<const void> keep_alive);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  HostBuffer() = default;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::shared_ptr<const void> storage_;
};

// Ranked (up to 8 dimensions, -1 = dynamic) or unranked.
struct TensorType {
  static TensorType Ranked(ZorvelElementType element_type, std::vector<int32_t> dims);
  static TensorType Unranked(ZorvelElementType element_type);

  ZorvelElementType element_type = kZorvelElementTypeNone;
  bool ranked = false;
  std::vector<int32_t> dims;
};

struct Quantization {
  static Quantization None() { return {}; }
  static Quantization PerTensor(float scale, int64_t zero_point);
  static Quantization PerChannel(int32_t axis, std::vector<float> scales,
                                 std::vector<int64_t> zero_points);

  ZorvelQuantizationTypeId kind = kZorvelQuantizationNone;
  float scale = 0.0f;                // per tensor
  int64_t zero_point = 0;            // per tensor
  int32_t axis = 0;                  // per channel
  std::vector<float> scales;         // per channel
  std::vector<int64_t> zero_points;  // per channel, as many as `scales` (or none)
};

// The weights of one tensor (entry 26). Empty for tensors that are not constants.
struct HostWeights : HandleTag {
  explicit HostWeights(HostTensor* t) : HandleTag(HandleKind::kWeights), tensor(t) {}
  HostTensor* tensor;
  BufferId buffer_id = -1;
  std::shared_ptr<const HostBuffer> buffer;
};

struct HostTensor : HandleTag {
  HostTensor(HostSubgraph* s, TensorId i)
      : HandleTag(HandleKind::kTensor), subgraph(s), index(i), weights(this) {}

  HostSubgraph* subgraph;
  TensorId index;
  std::string name;
  TensorType type;
  Quantization quantization;
  HostOp* producer = nullptr;  // null for inputs and constants
  int64_t producer_output_index = -1;
  HostWeights weights;
};

struct CompositeInfo {
  std::string name;
  std::vector<uint8_t> attributes;  // a FlexBuffers map, or empty
  int32_t decomposition_subgraph_index = 0;
  int32_t version = 0;
};

struct HostOp : HandleTag {
  HostOp(HostSubgraph* s, OpId i, ZorvelOpCode c)
      : HandleTag(HandleKind::kOp), subgraph(s), index(i), op_code(c) {}

  // Sets a per-op option by entry number (38-126). The entry must belong to this op's code and the
  // value must be of the entry's kind. Returns *this.
  HostOp& SetOption(int entry, OpOptionValue value);
  // The stored value, or the entry's default; null when the entry does not apply to this op.
  const OpOptionValue* GetOption(int entry) const;

  HostSubgraph* subgraph;
  OpId index;
  ZorvelOpCode op_code;
  std::vector<HostTensor*> inputs;
  std::vector<HostTensor*> outputs;
  std::optional<CompositeInfo> composite;  // set for composite ops (code 206)
  std::map<int, OpOptionValue> options;    // by host entry number
};

template <typename T>
constexpr ZorvelElementType ElementTypeOf() {
  if constexpr (std::is_same_v<T, float>) return kZorvelElementTypeFloat32;
  if constexpr (std::is_same_v<T, double>) return kZorvelElementTypeFloat64;
  if constexpr (std::is_same_v<T, int32_t>) return kZorvelElementTypeInt32;
  if constexpr (std::is_same_v<T, int64_t>) return kZorvelElementTypeInt64;
  if constexpr (std::is_same_v<T, int16_t>) return kZorvelElementTypeInt16;
  if constexpr (std::is_same_v<T, int8_t>) return kZorvelElementTypeInt8;
  if constexpr (std::is_same_v<T, uint8_t>) return kZorvelElementTypeUInt8;
  if constexpr (std::is_same_v<T, uint16_t>) return kZorvelElementTypeUInt16;
  if constexpr (std::is_same_v<T, uint32_t>) return kZorvelElementTypeUInt32;
  if constexpr (std::is_same_v<T, uint64_t>) return kZorvelElementTypeUInt64;
  return kZorvelElementTypeNone;
}

class HostSubgraph : public HandleTag {
 public:
  HostSubgraph(HostModel* model, size_t index);
  HostSubgraph(const HostSubgraph&) = delete;
  HostSubgraph& operator=(const HostSubgraph&) = delete;

  // --- Building -------------------------------------------------------------------------------

  // A tensor no op produces yet: an activation, to be named as an op output.
  TensorId AddTensor(std::string name, TensorType type, Quantization quantization = {});
  // A tensor appended to the subgraph's inputs.
  TensorId AddInput(std::string name, TensorType type, Quantization quantization = {});
  // Marks an existing tensor as a subgraph input / output (in call order). Any tensor may be
  // marked as an input, even a constant or an op's output: some hosts list such inputs.
  void MarkInput(TensorId tensor);
  void AddOutput(TensorId tensor);

  // A constant reading the model's buffer `buffer` (shared with every other reader of that id).
  TensorId AddConstant(std::string name, TensorType type, BufferId buffer,
                       Quantization quantization = {});
  // A constant with its own, new buffer registered in the model.
  TensorId AddConstant(std::string name, TensorType type, std::vector<uint8_t> bytes,
                       Quantization quantization = {});
  // A constant of C++ element type T with the given dimensions; the values are stored as bytes.
  template <typename T>
  TensorId AddConstant(std::string name, std::vector<int32_t> dims, const std::vector<T>& values,
                       Quantization quantization = {}) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    return AddConstant(std::move(name), TensorType::Ranked(ElementTypeOf<T>(), std::move(dims)),
                       std::move(bytes), std::move(quantization));
  }
  // A constant whose weights have bytes but no buffer id (entry 27 reports -1).
  TensorId AddConstantWithoutBufferId(std::string name, TensorType type, std::vector<uint8_t> bytes,
                                      Quantization quantization = {});

  // Appends an op in execution order. Outputs must be tensors no op produces yet and that are not
  // constants; an op may not read its own outputs.
  HostOp& AddOp(ZorvelOpCode op_code, const std::vector<TensorId>& inputs,
                const std::vector<TensorId>& outputs);
  // Appends an op with one new output tensor and returns that tensor.
  TensorId AddOp(ZorvelOpCode op_code, const std::vector<TensorId>& inputs, std::string output_name,
                 TensorType output_type, Quantization output_quantization = {});
  // Appends a composite op (code 206).
  HostOp& AddComposite(std::string name, const std::vector<TensorId>& inputs,
                       const std::vector<TensorId>& outputs, std::vector<uint8_t> attributes = {},
                       int32_t decomposition_subgraph_index = 0, int32_t version = 0);

  // --- Reading --------------------------------------------------------------------------------

  HostModel& model() const { return *model_; }
  size_t index() const { return index_; }
  size_t num_tensors() const { return tensors_.size(); }
  size_t num_ops() const { return ops_.size(); }
  HostTensor& tensor(TensorId id);
  const HostTensor& tensor(TensorId id) const;
  HostOp& op(OpId id);
  const HostOp& op(OpId id) const;
  const std::vector<HostTensor*>& inputs() const { return inputs_; }
  const std::vector<HostTensor*>& outputs() const { return outputs_; }
  // The ops that read `tensor`, in execution order (an op reading it twice appears once).
  std::vector<const HostOp*> Consumers(TensorId tensor) const;
  bool IsOutput(TensorId tensor) const;

 private:
  HostTensor& NewTensor(std::string name, TensorType type, Quantization quantization);
  HostTensor& Checked(TensorId id, const char* what);

  HostModel* model_;
  size_t index_;
  std::deque<HostTensor> tensors_;
  std::deque<HostOp> ops_;
  std::vector<HostTensor*> inputs_;
  std::vector<HostTensor*> outputs_;
};

class HostModel : public HandleTag {
 public:
  HostModel();
  HostModel(const HostModel&) = delete;
  HostModel& operator=(const HostModel&) = delete;
  ~HostModel();

  HostSubgraph& AddSubgraph();
  size_t num_subgraphs() const { return subgraphs_.size(); }
  HostSubgraph& subgraph(size_t index);
  const HostSubgraph& subgraph(size_t index) const;

  // Registers a buffer under the next free id (one above the largest so far) and returns the id.
  BufferId AddBuffer(std::vector<uint8_t> bytes);
  BufferId AddBuffer(std::shared_ptr<const HostBuffer> buffer);
  // Registers a buffer under a chosen id, which must be non-negative and unused, or already
  // registered with this very buffer (then nothing changes).
  void AddBufferWithId(BufferId id, std::shared_ptr<const HostBuffer> buffer);
  // The buffer of that id, or null.
  std::shared_ptr<const HostBuffer> buffer(BufferId id) const;
  const std::map<BufferId, std::shared_ptr<const HostBuffer>>& buffers() const { return buffers_; }

  // The fault state of the host whose handles were last taken for this model (or null).
  const HostFaults* faults() const { return faults_; }
  void set_faults(const HostFaults* faults) { faults_ = faults; }

 private:
  std::deque<HostSubgraph> subgraphs_;
  std::map<BufferId, std::shared_ptr<const HostBuffer>> buffers_;
  const HostFaults* faults_ = nullptr;
};

// The host's options object with its vendor (opaque) entries: identifier -> payload. Payloads are
// NUL-terminated texts when set from C++; entry 36 may store any payload with its deleter.
class HostOpaqueOptions : public HandleTag {
 public:
  HostOpaqueOptions() : HandleTag(HandleKind::kOpaqueOptions) {}
  ~HostOpaqueOptions();

  // Adds or replaces the entry; replacing frees the previous payload.
  void Set(const std::string& identifier, const std::string& text);
  void SetPayload(const std::string& identifier, void* payload, void (*deleter)(void*));
  // The payload, or null when there is no entry with that identifier.
  void* Find(const std::string& identifier) const;
  size_t size() const { return entries_.size(); }

  const HostFaults* faults = nullptr;

 private:
  struct Entry {
    std::string identifier;
    void* payload;
    void (*deleter)(void*);
  };
  std::vector<Entry> entries_;
};

class HostOptions : public HandleTag {
 public:
  HostOptions() : HandleTag(HandleKind::kOptions) {}
  HostOpaqueOptions& opaque() { return opaque_; }
  const HostOpaqueOptions& opaque() const { return opaque_; }
  // Shorthand for opaque().Set(identifier, text).
  HostOptions& SetOpaque(const std::string& identifier, const std::string& text) {
    opaque_.Set(identifier, text);
    return *this;
  }

  const HostFaults* faults = nullptr;

 private:
  HostOpaqueOptions opaque_;
};

// Tagged environment options (entry 37); tag 25 is the plug-in's minimum log severity.
class HostEnvironment : public HandleTag {
 public:
  HostEnvironment() : HandleTag(HandleKind::kEnvironment) {}
  HostEnvironment& SetInt(int32_t tag, int64_t value);
  HostEnvironment& SetBool(int32_t tag, bool value);
  HostEnvironment& SetReal(int32_t tag, double value);
  HostEnvironment& SetString(int32_t tag, std::string value);
  HostEnvironment& SetLogLevel(int64_t severity) {
    return SetInt(kZorvelEnvOptionTagLogLevel, severity);
  }
  // The value, or nullopt when the tag is not set. String values point into the environment.
  std::optional<ZorvelAny> Get(int32_t tag) const;

  const HostFaults* faults = nullptr;

 private:
  HostEnvironment& Store(int32_t tag, ZorvelAny value);

  std::map<int32_t, ZorvelAny> values_;
  std::map<int32_t, std::string> strings_;
};

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_HOST_MODEL_H_
