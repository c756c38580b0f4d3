#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_ALIAS_SHARED_CONSTANTS_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_ALIAS_SHARED_CONSTANTS_H_

// Sharing the weights of a compile call's partitions through one pool built from the WeightBank.
//
//   ReferencedNames referenced;
//   for each partition: bank.AddHostWeights(subgraph);
//                       (NPU) HarvestSharedConstants(optimized_model, bank, referenced);
//                             views = ViewBankBuffers(optimized_model, bank);  -- kept, no copies
//   std::vector<PoolEntry> pool = BuildSharedPool(referenced, bank, /*prune=*/npu);
//   PoolOffsets offsets = MakePoolOffsets(pool);
//   std::string bank_name = MakeBankName(pool);
//   for each partition:
//     NPU: AliasToSharedPool(kept_model, bank, offsets, index)   -- constants view the pool
//          OwnUnaliasedViews(views)
//     GPU: ConvertSharedWeightsToParameters(model, bank, parameter_ids)
//
// A constant is matched to a bank buffer by its friendly name (the host tensor name, or the key of
// a generated constant) and shared only when its bytes equal the buffer's. The pool and every
// aliased constant view the bank's memory: the bank and the host model must outlive them.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "absl/container/flat_hash_set.h"
#include "absl/types/span.h"
#include "openvino/core/model.hpp"
#include "openvino/op/constant.hpp"
#include "zorvel/vendors/intel_openvino/compiler/weight_bank.h"

namespace zorvel::openvino {

// One buffer of the shared pool, in pool order.
struct PoolEntry {
  int32_t id = 0;                 // bank buffer id
  uint64_t offset = 0;            // where the buffer starts inside the pool
  const uint8_t* data = nullptr;  // the bank's bytes (host memory or bank-owned)
  uint64_t size = 0;
};

// Names of every constant the harvested partition models still hold.
using ReferencedNames = absl::flat_hash_set<std::string>;
// Buffer id -> pool offset, one pair per pool entry.
using PoolOffsets = std::map<int32_t, uint64_t>;
// Parameter name -> the buffer id that feeds it (GPU).
using ParameterIds = std::map<std::string, int32_t>;

// Registers the generated constants of one optimized partition model in the bank and records the
// friendly name of every constant the model holds.
void HarvestSharedConstants(const std::shared_ptr<ov::Model>& model, WeightBank& bank,
                            ReferencedNames& referenced_names);

// Finalizes the bank and lays its buffers out back to back in ascending id order. With `prune`
// (NPU), buffers that no harvested model references by name are left out.
std::vector<PoolEntry> BuildSharedPool(const ReferencedNames& referenced_names, WeightBank& bank,
                                       bool prune);

// The offset of every pool entry by id.
PoolOffsets MakePoolOffsets(absl::Span<const PoolEntry> pool);

// "zorvel_npuw_" and 16 lowercase hex digits: the fingerprint of the ids and contents of the pool.
std::string MakeBankName(absl::Span<const PoolEntry> pool);

// Replaces every constant of at least 16 elements whose bytes equal the bank buffer or the
// generated constant of its name by one that views those bytes, with the same element type,
// shape, friendly name, tensor names and runtime information, so that a harvested model kept for
// later holds no copy of weights the bank already has. Returns the constants it made.
std::vector<std::shared_ptr<ov::op::v0::Constant>> ViewBankBuffers(
    const std::shared_ptr<ov::Model>& model, const WeightBank& bank);

// Gives every constant of `views` that is still in its model (AliasToSharedPool did not replace
// it) its own copy of its bytes again, so the compiled partition is what it would have been had
// the model never viewed the bank.
void OwnUnaliasedViews(absl::Span<const std::shared_ptr<ov::op::v0::Constant>> views);

// NPU: replaces every constant of at least 16 elements whose bytes equal its pooled buffer by a
// constant viewing the pool memory, tagged with ov::WeightlessCacheAttribute at the buffer's pool
// offset. Returns the number of constants aliased.
uint64_t AliasToSharedPool(const std::shared_ptr<ov::Model>& model, const WeightBank& bank,
                           const PoolOffsets& pool_offsets, int partition_index);

// GPU: replaces every constant of more than 256 bytes whose bytes equal its bank buffer by a model
// parameter of the same name, recorded in `parameter_ids` with the buffer id. Returns the number of
// constants replaced.
uint64_t ConvertSharedWeightsToParameters(const std::shared_ptr<ov::Model>& model,
                                          const WeightBank& bank, ParameterIds& parameter_ids);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_ALIAS_SHARED_CONSTANTS_H_
