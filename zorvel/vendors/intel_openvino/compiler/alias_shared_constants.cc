#include "zorvel/vendors/intel_openvino/compiler/alias_shared_constants.h"

#include <farmhash.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "absl/container/flat_hash_map.h"
#include "absl/strings/str_format.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/core/type.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

namespace zorvel::openvino {
namespace {

using ::ov::op::v0::Constant;

// Constants smaller than this many elements are never aliased on the NPU.
constexpr uint64_t kMinAliasElements = 16;
// Constants of at most this many bytes stay constants on the GPU.
constexpr uint64_t kMaxInlineGpuBytes = 256;

// Strings are objects, not bytes: they are never compared with or replaced by pool memory.
bool HoldsRawBytes(const Constant& constant) {
  return constant.get_element_type() != ov::element::string;
}

bool SameBytes(const BufferView& view, const Constant& constant) {
  const uint64_t size = constant.get_byte_size();
  if (view.size != size) return false;
  // A constant that already views the buffer (a kept model's, see ViewBankBuffers) holds its bytes.
  if (size == 0 || view.data == constant.get_data_ptr()) return true;
  return std::memcmp(view.data, constant.get_data_ptr(), size) == 0;
}

uint64_t Fingerprint(const uint8_t* data, uint64_t size) {
  if (size == 0) return util::Fingerprint64("", 0);
  return util::Fingerprint64(reinterpret_cast<const char*>(data), size);
}

// At least kMinAliasElements elements of a non-zero element size: what the NPU may share.
bool LargeEnoughToAlias(const Constant& constant) {
  const size_t element_size = constant.get_element_type().size();
  return element_size != 0 && constant.get_byte_size() / element_size >= kMinAliasElements;
}

// Puts `replacement` in the place of `constant` as the same constant to every reader of the
// model: friendly name, tensor names and runtime information.
void ReplaceConstant(const std::shared_ptr<Constant>& constant,
                     const std::shared_ptr<Constant>& replacement) {
  replacement->set_friendly_name(constant->get_friendly_name());
  replacement->get_rt_info() = constant->get_rt_info();
  const auto names = constant->get_output_tensor(0).get_names();
  ov::replace_node(constant, replacement);
  replacement->get_output_tensor(0).set_names(names);
}

void AppendLittleEndian(std::string& out, uint64_t word) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((word >> (8 * i)) & 0xFF));
}

}  // namespace

void HarvestSharedConstants(const std::shared_ptr<ov::Model>& model, WeightBank& bank,
                            ReferencedNames& referenced_names) {
  size_t registered = 0;
  for (const std::shared_ptr<ov::Node>& node : model->get_ops()) {
    const auto constant = ov::as_type_ptr<Constant>(node);
    if (constant == nullptr) continue;
    const std::string& name = constant->get_friendly_name();
    referenced_names.insert(name);
    if (bank.FindBufferId(name).has_value()) continue;
    const ov::RTMap& rt_info = constant->get_rt_info();
    const auto it = rt_info.find(GeneratedConstantRtKey());
    if (it == rt_info.end() || !it->second.is<ZorvelGeneratedConstantAttribute>()) continue;
    const std::string& key = it->second.as<ZorvelGeneratedConstantAttribute>().source_key;
    if (key.empty()) {
      ZORVEL_LOG_ERROR(
          "HarvestSharedConstants: generated constant '%s' carries an empty source_key; skipping",
          name.c_str());
      continue;
    }
    if (key != name) {
      ZORVEL_LOG_ERROR(
          "HarvestSharedConstants: generated constant's friendly_name '%s' != source_key '%s'; "
          "skipping",
          name.c_str(), key.c_str());
      continue;
    }
    if (!HoldsRawBytes(*constant)) continue;
    const auto* data = static_cast<const uint8_t*>(constant->get_data_ptr());
    std::vector<uint8_t> bytes;
    if (data != nullptr) bytes.assign(data, data + constant->get_byte_size());
    bank.RegisterGeneratedConstant(key, std::move(bytes));
    ++registered;
  }
  ZORVEL_LOG_INFO("HarvestSharedConstants: registered %zu generated/derived constants", registered);
}

std::vector<PoolEntry> BuildSharedPool(const ReferencedNames& referenced_names, WeightBank& bank,
                                       bool prune) {
  bank.FinalizeDerivedBuffers();
  ZORVEL_LOG_INFO("Weight sharing: %zu buffers, %zu bytes", static_cast<size_t>(bank.BufferCount()),
                  static_cast<size_t>(bank.TotalBytes()));

  absl::flat_hash_set<int32_t> referenced_ids;
  if (prune) {
    for (const std::string& name : referenced_names) {
      const std::optional<int32_t> id = bank.FindBufferId(name);
      if (id.has_value() && *id >= 0) referenced_ids.insert(*id);
    }
  }

  std::vector<std::pair<int32_t, BufferView>> buffers(bank.buffers().begin(), bank.buffers().end());
  std::sort(buffers.begin(), buffers.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });

  std::vector<PoolEntry> pool;
  pool.reserve(buffers.size());
  uint64_t offset = 0;
  size_t pruned = 0;
  uint64_t pruned_bytes = 0;
  for (const auto& [id, view] : buffers) {
    if (prune && !referenced_ids.contains(id)) {
      ++pruned;
      pruned_bytes += view.size;
      continue;
    }
    pool.push_back(PoolEntry{id, offset, view.data, view.size});
    offset += view.size;
  }
  if (pruned != 0) {
    ZORVEL_LOG_INFO(
        "Weight sharing: pruned %zu buffer(s) (%zu bytes) superseded by a stacked/derived "
        "constant in every partition that referenced them",
        pruned, static_cast<size_t>(pruned_bytes));
  }
  return pool;
}

PoolOffsets MakePoolOffsets(absl::Span<const PoolEntry> pool) {
  PoolOffsets offsets;
  for (const PoolEntry& entry : pool) offsets.emplace(entry.id, entry.offset);
  return offsets;
}

std::string MakeBankName(absl::Span<const PoolEntry> pool) {
  std::string words;
  words.reserve(pool.size() * 16);
  for (const PoolEntry& entry : pool) {
    AppendLittleEndian(words, static_cast<uint32_t>(entry.id));
    AppendLittleEndian(words, Fingerprint(entry.data, entry.size));
  }
  const uint64_t hash = util::Fingerprint64(words.data(), words.size());
  return absl::StrFormat("zorvel_npuw_%016x", hash);
}

std::vector<std::shared_ptr<Constant>> ViewBankBuffers(const std::shared_ptr<ov::Model>& model,
                                                       const WeightBank& bank) {
  std::vector<std::shared_ptr<Constant>> views;
  for (const std::shared_ptr<ov::Node>& node : model->get_ops()) {
    const auto constant = ov::as_type_ptr<Constant>(node);
    if (constant == nullptr || !HoldsRawBytes(*constant) || !LargeEnoughToAlias(*constant)) {
      continue;
    }
    const std::string& name = constant->get_friendly_name();
    std::optional<BufferView> view;
    if (const std::optional<int32_t> id = bank.FindBufferId(name); id.has_value()) {
      view = bank.FindBuffer(*id);
    } else {
      view = bank.FindGeneratedConstant(name);
    }
    if (!view.has_value() || view->data == constant->get_data_ptr() ||
        !SameBytes(*view, *constant)) {
      continue;
    }
    // No owner: the bank and the host model outlive the kept model.
    auto replacement = std::make_shared<Constant>(constant->get_element_type(),
                                                  constant->get_shape(), view->data, nullptr);
    ReplaceConstant(constant, replacement);
    views.push_back(std::move(replacement));
  }
  return views;
}

void OwnUnaliasedViews(absl::Span<const std::shared_ptr<Constant>> views) {
  for (const std::shared_ptr<Constant>& view : views) {
    // An aliased view was replaced and feeds nothing any more.
    if (view->output(0).get_target_inputs().empty()) continue;
    // The blob writer stores equal data pointers once: a view sharing bank bytes with another
    // would change the blob, a copy of its own does not.
    ReplaceConstant(view, std::make_shared<Constant>(view->get_element_type(), view->get_shape(),
                                                     view->get_data_ptr()));
  }
}

uint64_t AliasToSharedPool(const std::shared_ptr<ov::Model>& model, const WeightBank& bank,
                           const PoolOffsets& pool_offsets, int partition_index) {
  std::vector<std::shared_ptr<Constant>> candidates;
  for (const std::shared_ptr<ov::Node>& node : model->get_ordered_ops()) {
    auto constant = ov::as_type_ptr<Constant>(node);
    if (constant == nullptr || !HoldsRawBytes(*constant) || !LargeEnoughToAlias(*constant)) {
      continue;
    }
    candidates.push_back(std::move(constant));
  }

  size_t aliased = 0;
  size_t unshared = 0;
  for (const std::shared_ptr<Constant>& candidate : candidates) {
    const std::string& name = candidate->get_friendly_name();
    const std::optional<int32_t> id = bank.FindBufferId(name);
    if (!id.has_value()) continue;
    const auto offset = pool_offsets.find(*id);
    if (offset == pool_offsets.end()) continue;
    const std::optional<BufferView> view = bank.FindBuffer(*id);
    if (!view.has_value()) continue;
    if (!SameBytes(*view, *candidate)) {
      // Its bytes are not those at the buffer's pool offset, so a weightless reference there would
      // hand the partition the wrong weights: it keeps its own bytes in its blob.
      ++unshared;
      continue;
    }
    // No owner: the bank and the host model outlive the compiled partition.
    auto alias = std::make_shared<Constant>(candidate->get_element_type(), candidate->get_shape(),
                                            view->data, nullptr);
    alias->set_friendly_name(name);
    alias->get_output_tensor(0).set_names(candidate->get_output_tensor(0).get_names());
    ov::replace_node(candidate, alias);
    // The replacement starts with empty runtime information, so every aliased constant is tagged;
    // the others carry no pool reference.
    alias->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
        ov::WeightlessCacheAttribute(alias->get_byte_size(), offset->second,
                                     alias->get_element_type());
    ++aliased;
  }
  ZORVEL_LOG_INFO(
      "Weight sharing (NPU) p%d: aliased %zu constants to the shared pool, tagged %zu with "
      "WeightlessCacheAttribute, left %zu unshared (bytes differ from pool -- content-altered, "
      "e.g. i2->u2)",
      partition_index, aliased, aliased, unshared);
  return aliased;
}

uint64_t ConvertSharedWeightsToParameters(const std::shared_ptr<ov::Model>& model,
                                          const WeightBank& bank, ParameterIds& parameter_ids) {
  std::vector<std::shared_ptr<Constant>> candidates;
  for (const std::shared_ptr<ov::Node>& node : model->get_ops()) {
    auto constant = ov::as_type_ptr<Constant>(node);
    if (constant == nullptr || !HoldsRawBytes(*constant)) continue;
    if (constant->get_byte_size() <= kMaxInlineGpuBytes) continue;
    const std::optional<int32_t> id = bank.FindBufferId(constant->get_friendly_name());
    if (!id.has_value()) continue;
    const std::optional<BufferView> view = bank.FindBuffer(*id);
    if (!view.has_value() || !SameBytes(*view, *constant)) continue;
    candidates.push_back(std::move(constant));
  }

  // Constants of one name hold the same buffer, so they share one parameter: a second parameter
  // with the same tensor name could not be told apart by the runtime.
  absl::flat_hash_map<std::string, std::shared_ptr<ov::op::v0::Parameter>> created;
  uint64_t count = 0;
  for (const std::shared_ptr<Constant>& candidate : candidates) {
    const std::string name = candidate->get_friendly_name();
    const std::optional<int32_t> id = bank.FindBufferId(name);
    if (!id.has_value()) continue;
    auto& parameter = created[name];
    if (parameter != nullptr) {
      ov::replace_node(candidate, parameter);
      parameter->get_output_tensor(0).set_names({name});
      ++count;
      continue;
    }
    parameter = std::make_shared<ov::op::v0::Parameter>(candidate->get_element_type(),
                                                        candidate->get_output_partial_shape(0));
    parameter->set_friendly_name(name);
    ov::replace_node(candidate, parameter);
    // The replacement adds the constant's tensor names; the parameter answers to its name only.
    parameter->get_output_tensor(0).set_names({name});
    model->add_parameters({parameter});
    parameter_ids[name] = *id;
    ++count;
  }
  return count;
}

}  // namespace zorvel::openvino
