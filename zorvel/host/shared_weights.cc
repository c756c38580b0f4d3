#include "zorvel/host/shared_weights.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace zorvel::host {

TensorId SharedWeights::AddConstant(HostSubgraph& subgraph, std::string name, TensorType type,
                                    std::vector<uint8_t> bytes, Quantization quantization) {
  if (model_ == nullptr) model_ = &subgraph.model();
  if (model_ != &subgraph.model()) {
    throw std::invalid_argument("shared weights: constant '" + name +
                                "' is added to a subgraph of another model");
  }
  std::vector<BufferId>& ids = buffers_[name];
  const auto same = std::find_if(ids.begin(), ids.end(), [&](BufferId id) {
    const std::shared_ptr<const HostBuffer> buffer = model_->buffer(id);
    return buffer != nullptr && buffer->size() == bytes.size() &&
           (bytes.empty() || std::memcmp(buffer->data(), bytes.data(), bytes.size()) == 0);
  });
  BufferId id;
  if (same != ids.end()) {
    id = *same;
  } else {
    id = subgraph.model().AddBuffer(std::move(bytes));
    ids.push_back(id);
  }
  return subgraph.AddConstant(std::move(name), std::move(type), id, std::move(quantization));
}

TensorId AddWeightConstant(HostSubgraph& subgraph, SharedWeights* shared, std::string name,
                           TensorType type, std::vector<uint8_t> bytes, Quantization quantization) {
  if (shared == nullptr) {
    return subgraph.AddConstant(std::move(name), std::move(type), std::move(bytes),
                                std::move(quantization));
  }
  return shared->AddConstant(subgraph, std::move(name), std::move(type), std::move(bytes),
                             std::move(quantization));
}

}  // namespace zorvel::host
