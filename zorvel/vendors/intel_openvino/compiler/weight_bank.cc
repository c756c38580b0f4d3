#include "zorvel/vendors/intel_openvino/compiler/weight_bank.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "absl/strings/string_view.h"
#include "logging/zorvel_logging.h"

namespace zorvel::openvino {

void WeightBank::AddHostWeights(const Subgraph& subgraph) {
  for (const Op& op : subgraph.Ops()) {
    for (const Tensor& tensor : op.Inputs()) {
      const Weights weights = tensor.GetWeights();
      if (weights.Bytes().empty()) continue;
      const int32_t id = weights.BufferId();
      if (id < 0) continue;
      // Asked again so that the view is exactly what the host reports for this id now.
      const absl::Span<const uint8_t> bytes = weights.Bytes();
      buffers_[id] = BufferView{bytes.data(), bytes.size()};
      key_to_id_[std::string(tensor.Name())] = id;
    }
  }
}

std::optional<int32_t> WeightBank::FindBufferId(std::string_view key) const {
  const auto it = key_to_id_.find(absl::string_view(key.data(), key.size()));
  if (it == key_to_id_.end()) return std::nullopt;
  return it->second;
}

std::optional<BufferView> WeightBank::FindBuffer(int32_t id) const {
  const auto it = buffers_.find(id);
  if (it == buffers_.end()) return std::nullopt;
  return it->second;
}

void WeightBank::RegisterGeneratedConstant(std::string key, std::vector<uint8_t> bytes) {
  if (finalized_) {
    ZORVEL_LOG_ERROR(
        "WeightBank: generated constant key '%s' registered after FinalizeDerivedBuffers(); "
        "dropping it. Harvest every partition before finalizing",
        key.c_str());
    return;
  }
  const auto it = generated_.find(key);
  if (it == generated_.end()) {
    generated_.emplace(std::move(key), std::move(bytes));
    return;
  }
  const std::vector<uint8_t>& stored = it->second;
  if (stored.size() != bytes.size()) {
    ZORVEL_LOG_ERROR(
        "WeightBank: generated constant key '%s' re-registered with a different size (%zu vs %zu "
        "bytes); keeping the first registration",
        key.c_str(), stored.size(), bytes.size());
    return;
  }
  if (!stored.empty() && std::memcmp(stored.data(), bytes.data(), stored.size()) != 0) {
    ZORVEL_LOG_ERROR(
        "WeightBank: generated constant key '%s' re-registered with different contents (same "
        "size, %zu bytes); keeping the first registration",
        key.c_str(), stored.size());
  }
  // Identical bytes: several partitions produced the same constant.
}

std::optional<BufferView> WeightBank::FindGeneratedConstant(std::string_view key) const {
  const auto it = generated_.find(key);
  if (it == generated_.end()) return std::nullopt;
  return BufferView{it->second.data(), it->second.size()};
}

void WeightBank::FinalizeDerivedBuffers() {
  if (finalized_) {
    ZORVEL_LOG_ERROR(
        "WeightBank::FinalizeDerivedBuffers called more than once; ignoring the extra call");
    return;
  }
  finalized_ = true;
  // Computed in 64 bits: a host id of INT32_MAX leaves no room above it.
  int64_t next_id = 0;
  for (const auto& [id, view] : buffers_) next_id = std::max<int64_t>(next_id, int64_t{id} + 1);
  size_t assigned = 0;
  for (const auto& [key, bytes] : generated_) {
    if (next_id > std::numeric_limits<int32_t>::max()) {
      ZORVEL_LOG_ERROR(
          "WeightBank::FinalizeDerivedBuffers: no buffer id left above the host ids for "
          "generated constant key '%s' and %zu more; they stay unshared",
          key.c_str(), generated_.size() - assigned - 1);
      break;
    }
    const auto id = static_cast<int32_t>(next_id++);
    buffers_[id] = BufferView{bytes.data(), bytes.size()};
    key_to_id_[key] = id;
    ++assigned;
  }
  ZORVEL_LOG_INFO("WeightBank::FinalizeDerivedBuffers: assigned %zu derived buffer id(s)",
                  assigned);
}

uint64_t WeightBank::TotalBytes() const {
  uint64_t total = 0;
  for (const auto& [id, view] : buffers_) total += view.size;
  return total;
}

}  // namespace zorvel::openvino
