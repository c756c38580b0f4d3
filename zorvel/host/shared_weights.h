#ifndef ZORVEL_HOST_SHARED_WEIGHTS_H_
#define ZORVEL_HOST_SHARED_WEIGHTS_H_

// Weight buffers shared by the subgraphs of one model, as the signatures of one model file share
// theirs: builders that add the same weights to several subgraphs (a prefill and a decode step)
// route their constants through one SharedWeights, and each distinct weight is registered once.

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "zorvel/host/host_model.h"

namespace zorvel::host {

class SharedWeights {
 public:
  // A constant `name` holding `bytes` in `subgraph`. It reads the buffer an earlier call
  // registered under the same name with the same bytes, in any subgraph of the same model;
  // otherwise it registers a new buffer (so a shape constant that differs between subgraphs
  // keeps its own). Throws std::invalid_argument for a subgraph of another model.
  TensorId AddConstant(HostSubgraph& subgraph, std::string name, TensorType type,
                       std::vector<uint8_t> bytes, Quantization quantization = {});

 private:
  const HostModel* model_ = nullptr;
  std::map<std::string, std::vector<BufferId>> buffers_;
};

// `subgraph.AddConstant(name, type, bytes, quantization)`, through `shared` when it is set.
TensorId AddWeightConstant(HostSubgraph& subgraph, SharedWeights* shared, std::string name,
                           TensorType type, std::vector<uint8_t> bytes,
                           Quantization quantization = {});
// The same for values of C++ element type T with the given dimensions.
template <typename T>
TensorId AddWeightConstant(HostSubgraph& subgraph, SharedWeights* shared, std::string name,
                           std::vector<int32_t> dims, const std::vector<T>& values,
                           Quantization quantization = {}) {
  std::vector<uint8_t> bytes(values.size() * sizeof(T));
  if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
  return AddWeightConstant(subgraph, shared, std::move(name),
                           TensorType::Ranked(ElementTypeOf<T>(), std::move(dims)),
                           std::move(bytes), std::move(quantization));
}

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_SHARED_WEIGHTS_H_
