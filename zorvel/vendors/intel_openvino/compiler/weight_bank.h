#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_WEIGHT_BANK_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_WEIGHT_BANK_H_

// The registry of the weight buffers that the partitions of one compile call may share.
//
//   WeightBank bank;
//   for (const Subgraph& partition : partitions) bank.AddHostWeights(partition);
//   bank.RegisterGeneratedConstant(key, std::move(bytes));  // while harvesting
//   bank.FinalizeDerivedBuffers();                          // once, before the pool is built
//   std::optional<int32_t> id = bank.FindBufferId("w");
//
// Host buffers are views of memory the host model owns (it must outlive the bank and everything
// built from it); derived buffers are the bytes of constants the plug-in's passes generate, owned
// by the bank. Nothing is ever removed. One compile thread fills and reads a bank; it has no lock.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "absl/container/flat_hash_map.h"
#include "zorvel/compiler/cc/zorvel_model.h"

namespace zorvel::openvino {

// One buffer as the bank sees it.
struct BufferView {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
};

class WeightBank {
 public:
  using BufferMap = absl::flat_hash_map<int32_t, BufferView>;

  WeightBank() = default;
  // Derived views point into `generated_`, whose nodes a move keeps in place; a copy would leave
  // the copied views pointing into the original.
  WeightBank(const WeightBank&) = delete;
  WeightBank& operator=(const WeightBank&) = delete;
  WeightBank(WeightBank&&) = default;
  WeightBank& operator=(WeightBank&&) = default;

  // Registers the host weight buffers that the ops of `subgraph` read: every input tensor with
  // non-empty weights and a non-negative buffer id, under its id and its tensor name. A later
  // registration of the same id or name replaces the earlier one. A failing host call ends in the
  // fatal check.
  void AddHostWeights(const Subgraph& subgraph);

  // The id registered for `key` (compared byte for byte), or nothing.
  std::optional<int32_t> FindBufferId(std::string_view key) const;
  // The buffer of `id`, or nothing.
  std::optional<BufferView> FindBuffer(int32_t id) const;

  // The bytes registered for generated constant `key`, before or after finalization, or nothing.
  // They stay in place for the bank's life.
  std::optional<BufferView> FindGeneratedConstant(std::string_view key) const;

  // Takes the bytes of a generated constant. The first registration of a key wins; conflicting
  // ones and registrations after finalization are logged at ERROR and dropped.
  void RegisterGeneratedConstant(std::string key, std::vector<uint8_t> bytes);
  // Gives every generated constant an id above the largest host id, in key order, and makes it a
  // buffer of the bank. Only the first call does anything.
  void FinalizeDerivedBuffers();

  uint64_t BufferCount() const { return buffers_.size(); }
  uint64_t TotalBytes() const;
  bool finalized() const { return finalized_; }
  // Every buffer, host and derived, in no particular order.
  const BufferMap& buffers() const { return buffers_; }

 private:
  BufferMap buffers_;
  absl::flat_hash_map<std::string, int32_t> key_to_id_;
  std::map<std::string, std::vector<uint8_t>, std::less<>> generated_;
  bool finalized_ = false;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_WEIGHT_BANK_H_
