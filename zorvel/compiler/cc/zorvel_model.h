#ifndef ZORVEL_COMPILER_CC_ZORVEL_MODEL_H_
#define ZORVEL_COMPILER_CC_ZORVEL_MODEL_H_

// Wrappers over the host's model, subgraph, op, tensor and weights handles. Each wrapper is the
// pair (table, handle); copying one is free and the host keeps ownership of the handle.
//
// Reads that return a plain value are guarded reads: the plug-in cannot go on without them, so a
// missing table or entry (status 6) and a non-zero host status both throw HostReadError naming the
// entry and what was read; the plug-in entry that made the call turns it into its status. Lists
// are read through their count and at-index entries together. A null weights handle, which the
// host hands out for a tensor without weights, reads as no weights (buffer id -1, no bytes).
// Reads that return an Expected are status reads: a missing table or entry gives status 6 (3 for
// the composite-op reads), a non-zero host status an error with it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "absl/types/span.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/cc/zorvel_expected.h"

namespace zorvel {

// Op code the composite reads start from before the host fills it in.
constexpr ZorvelOpCode kNeutralOpCode = 32;

template <typename Handle>
class HostObject {
 public:
  HostObject() = default;
  HostObject(const HostApiTable* api, Handle handle) : api_(api), handle_(handle) {}

  const HostApiTable* Api() const { return api_; }
  Handle Get() const { return handle_; }
  bool IsNull() const { return handle_ == nullptr; }

  friend bool operator==(const HostObject& a, const HostObject& b) {
    return a.api_ == b.api_ && a.handle_ == b.handle_;
  }
  friend bool operator!=(const HostObject& a, const HostObject& b) { return !(a == b); }

 protected:
  const HostApiTable* api_ = nullptr;
  Handle handle_ = nullptr;
};

// Constant data of a tensor. A null handle stands for "no weights": id -1 and no bytes.
class Weights : public HostObject<ZorvelWeights> {
 public:
  using HostObject::HostObject;

  // Entry 27; negative when the weights have no buffer.
  int32_t BufferId() const;
  // Entry 28; host memory, valid for the whole call. Non-empty exactly for constant tensors.
  absl::Span<const uint8_t> Bytes() const;
};

// Per-channel quantization (entry 22). The arrays are the host's; an array the host leaves null
// reads as empty.
struct PerChannelQuantization {
  int32_t quantized_dimension = 0;
  uint64_t num_channels = 0;
  absl::Span<const float> scales;
  absl::Span<const int64_t> zero_points;
};

class Tensor : public HostObject<ZorvelTensor> {
 public:
  using HostObject::HostObject;

  // Entry 15; host memory, possibly empty.
  std::string_view Name() const;
  // Entry 16.
  uint32_t TensorIndex() const;
  // Entry 18; fails for an unranked tensor.
  Expected<ZorvelRankedTensorType> RankedTensorType() const;
  // Entry 19; the element type when the tensor is unranked.
  Expected<ZorvelElementType> UnrankedElementType() const;
  // Entry 20: kZorvelQuantizationNone, ...PerTensor, ...PerChannel (or whatever the host says).
  ZorvelQuantizationTypeId QuantizationTypeId() const;
  // Entry 21.
  ZorvelQuantizationPerTensor PerTensorQuantization() const;
  // Entry 22.
  PerChannelQuantization PerChannel() const;
  // Entry 25: whether an op produces this tensor (the host's byte, non-zero = true).
  bool HasDefiningOp() const;
  // Entry 26.
  Weights GetWeights() const;
  // Non-empty weight bytes (entries 26 and 28).
  bool IsConstant() const { return !GetWeights().Bytes().empty(); }
};

class Op : public HostObject<ZorvelOp> {
 public:
  using HostObject::HostObject;

  // Entry 9.
  ZorvelOpCode Code() const;
  // Entries 11/12 and 13/14, in operand order.
  uint64_t NumInputs() const;
  Tensor InputAt(uint64_t index) const;
  std::vector<Tensor> Inputs() const;
  uint64_t NumOutputs() const;
  Tensor OutputAt(uint64_t index) const;
  std::vector<Tensor> Outputs() const;

  // Composite-op reads (code 206); a missing table or entry gives status 3.
  // Entry 9 read as a status read.
  Expected<ZorvelOpCode> CompositeOpCode() const;
  // Entry 29; host memory. A null name reads as empty.
  Expected<std::string_view> CompositeName() const;
  // Entry 30, uninterpreted.
  Expected<int32_t> CompositeSubgraphIndex() const;
  // Entry 31: the raw pointer and signed size, as the host gives them.
  struct Attributes {
    const uint8_t* data = nullptr;
    int32_t size = 0;
  };
  Expected<Attributes> CompositeAttributes() const;
  // Entry 32, uninterpreted.
  Expected<int32_t> CompositeVersion() const;
};

class Subgraph : public HostObject<ZorvelSubgraph> {
 public:
  using HostObject::HostObject;

  // Entries 5/6, 7/8 and 3/4 (ops in execution order).
  uint64_t NumInputs() const;
  Tensor InputAt(uint64_t index) const;
  std::vector<Tensor> Inputs() const;
  uint64_t NumOutputs() const;
  Tensor OutputAt(uint64_t index) const;
  std::vector<Tensor> Outputs() const;
  uint64_t NumOps() const;
  Op OpAt(uint64_t index) const;
  std::vector<Op> Ops() const;
};

class Model : public HostObject<ZorvelModel> {
 public:
  using HostObject::HostObject;

  // Entry 1.
  uint64_t NumSubgraphs() const;
  // Entry 2.
  Expected<Subgraph> SubgraphAt(uint64_t index) const;
};

// Entry 33: adds `op` to the host's selection list. A missing table or entry gives status 6.
Expected<void> AddSelectedOp(const HostApiTable* api, ZorvelSelectedOps selected_ops, const Op& op,
                             int32_t partition_index);

}  // namespace zorvel

#endif  // ZORVEL_COMPILER_CC_ZORVEL_MODEL_H_
