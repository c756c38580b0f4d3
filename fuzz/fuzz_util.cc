#include "fuzz/fuzz_util.h"

#include <cstdlib>
#include <cstring>

#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"

namespace zorvel::fuzz {
namespace {

constexpr size_t kMaxOps = 64;
constexpr int64_t kMaxElements = int64_t{1} << 18;

uint64_t WalkTensor(const Tensor& tensor) {
  uint64_t sum = tensor.Name().size() + tensor.TensorIndex();
  if (Expected<ZorvelRankedTensorType> ranked = tensor.RankedTensorType()) {
    sum += static_cast<uint32_t>(ranked->element_type);
  }
  switch (tensor.QuantizationTypeId()) {
    case kZorvelQuantizationPerTensor:
      sum += static_cast<uint64_t>(tensor.PerTensorQuantization().zero_point);
      break;
    case kZorvelQuantizationPerChannel: {
      const PerChannelQuantization q = tensor.PerChannel();
      for (const int64_t z : q.zero_points) sum += static_cast<uint64_t>(z);
      for (const float s : q.scales) sum += s > 0 ? 1 : 0;
      break;
    }
    default:
      break;
  }
  for (const uint8_t byte : tensor.GetWeights().Bytes()) sum += byte;
  return sum;
}

}  // namespace

std::shared_ptr<const void> AlignedCopy(const uint8_t* data, size_t size) {
  void* copy = std::aligned_alloc(8, (size + 7) / 8 * 8 + 8);
  if (size != 0) std::memcpy(copy, data, size);
  return std::shared_ptr<const void>(copy, [](const void* p) { std::free(const_cast<void*>(p)); });
}

uint64_t WalkModel(host::HostModel& model) {
  host::HostApi api;
  const Model wrapped(api.table(), api.Handle(model));
  uint64_t sum = 0;
  for (uint64_t s = 0; s < wrapped.NumSubgraphs(); ++s) {
    Expected<Subgraph> subgraph = wrapped.SubgraphAt(s);
    if (!subgraph.HasValue()) continue;
    for (const Tensor& tensor : subgraph->Inputs()) sum += WalkTensor(tensor);
    for (const Tensor& tensor : subgraph->Outputs()) sum += WalkTensor(tensor);
    for (const Op& op : subgraph->Ops()) {
      sum += static_cast<uint64_t>(op.Code());
      for (const Tensor& tensor : op.Inputs()) sum += WalkTensor(tensor);
      for (const Tensor& tensor : op.Outputs()) sum += WalkTensor(tensor) + tensor.HasDefiningOp();
    }
  }
  return sum;
}

bool SmallEnoughToCompile(const host::HostModel& model) {
  for (size_t s = 0; s < model.num_subgraphs(); ++s) {
    const host::HostSubgraph& subgraph = model.subgraph(s);
    if (subgraph.num_ops() > kMaxOps) return false;
    for (size_t t = 0; t < subgraph.num_tensors(); ++t) {
      int64_t elements = 1;
      for (const int32_t extent : subgraph.tensor(static_cast<host::TensorId>(t)).type.dims) {
        if (extent > kMaxElements) return false;
        elements *= extent > 0 ? extent : 1;
        if (elements > kMaxElements) return false;
      }
    }
  }
  return true;
}

}  // namespace zorvel::fuzz
