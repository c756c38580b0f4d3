#include "zorvel/c/options/zorvel_intel_openvino_options.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "absl/strings/ascii.h"
#include "absl/strings/match.h"
#include "absl/strings/numbers.h"
#include "absl/strings/str_cat.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/core/zorvel_options_encoder.h"
#include "zorvel/core/zorvel_toml_parser.h"

namespace zorvel::intel_openvino {

void ConfigsMap::Set(absl::string_view key, absl::string_view value) {
  const auto [it, inserted] = positions_.try_emplace(std::string(key), entries_.size());
  if (inserted) {
    try {
      entries_.emplace_back(std::string(key), std::string(value));
    } catch (...) {
      positions_.erase(it);  // keep the index in step with the entries
      throw;
    }
  } else {
    entries_[it->second].second.assign(value.data(), value.size());
  }
}

}  // namespace zorvel::intel_openvino

namespace {

using zorvel::Error;
using zorvel::Expected;
using zorvel::intel_openvino::ConfigsMap;

// The status for a graph without a backend of its own and no default one.
constexpr ZorvelStatus kZorvelStatusNoGraphBackend = kZorvelStatusErrorMissingHostEntry;
constexpr int32_t kDefaultGraph = -1;

constexpr absl::string_view kPerformanceModeKey = "performance_mode";
constexpr absl::string_view kEnableWeightSharingKey = "enable_weight_sharing";
constexpr absl::string_view kConfigsMapPrefix = "configs_map.";
constexpr absl::string_view kGraphPrefix = "graph.";
constexpr absl::string_view kGraphBackendKey = "graph_backend";

// Options are 32-bit; a wider payload value keeps its low 32 bits.
int32_t Low32Bits(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// Looks the entry up in `configs`, mapping a bad index to 1000.
ZorvelStatus GetEntry(const ConfigsMap& configs, int32_t index, const char** key,
                      const char** value) {
  if (index < 0 || static_cast<size_t>(index) >= configs.size()) {
    return kZorvelStatusErrorIndexOutOfRange;
  }
  const ConfigsMap::Entry& entry = configs.entries()[static_cast<size_t>(index)];
  *key = entry.first.c_str();
  *value = entry.second.c_str();
  return kZorvelStatusOk;
}

int32_t CountOf(const ConfigsMap& configs) {
  // A payload cannot realistically hold 2^31 entries; saturate rather than wrap if it does.
  return configs.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(configs.size());
}

// A graph index: an optional sign, decimal digits, and a value that fits 32 bits.
bool ParseGraphIndex(absl::string_view text, int32_t* index) {
  absl::string_view digits = text;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty()) return false;
  for (const char c : digits) {
    if (!absl::ascii_isdigit(static_cast<unsigned char>(c))) return false;
  }
  return absl::SimpleAtoi(text, index);
}

// Chains `inner` under a message naming the option that failed.
Error InOption(const Error& inner, absl::string_view key, absl::string_view value) {
  zorvel::ErrorToStatus(inner);
  return ZORVEL_ERROR(inner.Status(),
                      absl::StrCat("Invalid Intel OpenVINO option: ", key, " = ", value));
}

Expected<void> HandleGraphOption(ZvlIntelOpenVinoOptions& options, absl::string_view key,
                                 absl::string_view rest, absl::string_view value) {
  const size_t dot = rest.find('.');
  int32_t graph = 0;
  if (rest.empty() || dot == absl::string_view::npos ||
      !ParseGraphIndex(rest.substr(0, dot), &graph)) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                        absl::StrCat("Invalid graph option key: ", key));
  }
  const absl::string_view field = rest.substr(dot + 1);
  if (field == kGraphBackendKey) {
    const Expected<int64_t> backend = zorvel::ParseTomlInt(value);
    if (!backend) return InOption(backend.GetError(), key, value);
    const ZorvelStatus status =
        ZvlIntelOpenVinoOptionsSetGraphBackend(&options, graph, Low32Bits(*backend));
    if (status != kZorvelStatusOk) {
      return ZORVEL_ERROR(status, absl::StrCat("Graph index out of range for a backend: ", key));
    }
    return {};
  }
  if (absl::StartsWith(field, kConfigsMapPrefix)) {
    const ZorvelStatus status = ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(
        &options, graph, field.substr(kConfigsMapPrefix.size()), value);
    if (status != kZorvelStatusOk) {
      return ZORVEL_ERROR(status,
                          absl::StrCat("Graph index out of range for a configs_map entry: ", key));
    }
    return {};
  }
  return {};
}

Expected<void> HandleOption(ZvlIntelOpenVinoOptions& options, absl::string_view key,
                            absl::string_view value) {
  if (key == kPerformanceModeKey) {
    const Expected<int64_t> mode = zorvel::ParseTomlInt(value);
    if (!mode) return InOption(mode.GetError(), key, value);
    options.performance_mode = Low32Bits(*mode);
  } else if (key == kEnableWeightSharingKey) {
    const Expected<bool> enable = zorvel::ParseTomlBool(value);
    if (!enable) return InOption(enable.GetError(), key, value);
    options.enable_weight_sharing = *enable;
  } else if (absl::StartsWith(key, kConfigsMapPrefix)) {
    options.configs_map.Set(key.substr(kConfigsMapPrefix.size()), value);
  } else if (absl::StartsWith(key, kGraphPrefix)) {
    return HandleGraphOption(options, key, key.substr(kGraphPrefix.size()), value);
  }
  return {};
}

Expected<void> BuildPayload(const ZvlIntelOpenVinoOptions& options, std::string& text) {
  if (options.performance_mode.has_value()) {
    ZORVEL_RETURN_IF_ERROR(
        zorvel::AppendIntOption(text, kPerformanceModeKey, *options.performance_mode));
  }
  if (options.enable_weight_sharing.has_value()) {
    ZORVEL_RETURN_IF_ERROR(
        zorvel::AppendBoolOption(text, kEnableWeightSharingKey, *options.enable_weight_sharing));
  }
  for (const auto& [key, value] : options.configs_map.entries()) {
    ZORVEL_RETURN_IF_ERROR(
        zorvel::AppendStringOption(text, absl::StrCat(kConfigsMapPrefix, key), value));
  }
  for (const auto& [graph, graph_options] : options.graphs) {
    const std::string prefix = absl::StrCat(kGraphPrefix, graph, ".");
    if (graph_options.graph_backend.has_value()) {
      ZORVEL_RETURN_IF_ERROR(zorvel::AppendIntOption(text, absl::StrCat(prefix, kGraphBackendKey),
                                                     *graph_options.graph_backend));
    }
    for (const auto& [key, value] : graph_options.configs_map.entries()) {
      ZORVEL_RETURN_IF_ERROR(
          zorvel::AppendStringOption(text, absl::StrCat(prefix, kConfigsMapPrefix, key), value));
    }
  }
  return {};
}

void ReleasePayload(void* payload) { delete[] static_cast<char*>(payload); }

// Allocation failures are the only exceptions these operations can meet; they become status 1.
ZorvelStatus OutOfMemory() {
  return zorvel::ErrorToStatus(zorvel::MakeError(kZorvelStatusErrorInvalidArgument,
                                                 "Out of memory in Intel OpenVINO options"));
}

}  // namespace

ZorvelStatus ZvlCreateIntelOpenVinoOptionsFromToml(absl::string_view toml,
                                                   ZvlIntelOpenVinoOptions** options) {
  if (options == nullptr) return kZorvelStatusErrorInvalidArgument;
  try {
    auto created = std::make_unique<ZvlIntelOpenVinoOptions>();
    const Expected<void> parsed =
        zorvel::ParseTomlOptions(toml, [&](absl::string_view key, absl::string_view value) {
          const Expected<void> handled = HandleOption(*created, key, value);
          return handled ? kZorvelStatusOk : zorvel::ErrorToStatus(handled.GetError());
        });
    if (!parsed) return zorvel::ErrorToStatus(parsed.GetError());
    *options = created.release();
    return kZorvelStatusOk;
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

void ZvlDestroyIntelOpenVinoOptions(ZvlIntelOpenVinoOptions* options) { delete options; }

ZorvelStatus ZvlIntelOpenVinoOptionsGetPerformanceMode(const ZvlIntelOpenVinoOptions* options,
                                                       int32_t* performance_mode) {
  if (options == nullptr || performance_mode == nullptr) return kZorvelStatusErrorInvalidArgument;
  *performance_mode = options->performance_mode.value_or(0);
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetEnableWeightSharing(const ZvlIntelOpenVinoOptions* options,
                                                           bool* enable_weight_sharing) {
  if (options == nullptr || enable_weight_sharing == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  *enable_weight_sharing = options->enable_weight_sharing.value_or(true);
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(const ZvlIntelOpenVinoOptions* options,
                                                            int32_t* num_entries) {
  if (options == nullptr || num_entries == nullptr) return kZorvelStatusErrorInvalidArgument;
  *num_entries = CountOf(options->configs_map);
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetConfigsMapEntry(const ZvlIntelOpenVinoOptions* options,
                                                       int32_t index, const char** key,
                                                       const char** value) {
  if (options == nullptr || key == nullptr || value == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  return GetEntry(options->configs_map, index, key, value);
}

ZorvelStatus ZvlIntelOpenVinoOptionsSetConfigsMapEntry(ZvlIntelOpenVinoOptions* options,
                                                       absl::string_view key,
                                                       absl::string_view value) {
  if (options == nullptr) return kZorvelStatusErrorInvalidArgument;
  try {
    options->configs_map.Set(key, value);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsSetGraphBackend(ZvlIntelOpenVinoOptions* options, int32_t graph,
                                                    int32_t backend) {
  if (options == nullptr || graph < kDefaultGraph) return kZorvelStatusErrorInvalidArgument;
  try {
    options->graphs[graph].graph_backend = backend;
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetGraphBackend(const ZvlIntelOpenVinoOptions* options,
                                                    int32_t graph, int32_t* backend) {
  if (options == nullptr || backend == nullptr || graph < kDefaultGraph) {
    return kZorvelStatusErrorInvalidArgument;
  }
  const auto own = options->graphs.find(graph);
  if (own != options->graphs.end() && own->second.graph_backend.has_value()) {
    *backend = *own->second.graph_backend;
    return kZorvelStatusOk;
  }
  if (graph != kDefaultGraph) {
    const auto fallback = options->graphs.find(kDefaultGraph);
    if (fallback != options->graphs.end() && fallback->second.graph_backend.has_value()) {
      *backend = *fallback->second.graph_backend;
      return kZorvelStatusOk;
    }
  }
  return kZorvelStatusNoGraphBackend;
}

ZorvelStatus ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(ZvlIntelOpenVinoOptions* options,
                                                            int32_t graph, absl::string_view key,
                                                            absl::string_view value) {
  if (options == nullptr || graph < 0) return kZorvelStatusErrorInvalidArgument;
  try {
    options->graphs[graph].configs_map.Set(key, value);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(
    const ZvlIntelOpenVinoOptions* options, int32_t graph, int32_t* num_entries) {
  if (options == nullptr || num_entries == nullptr || graph < 0) {
    return kZorvelStatusErrorInvalidArgument;
  }
  const auto it = options->graphs.find(graph);
  *num_entries = it == options->graphs.end() ? 0 : CountOf(it->second.configs_map);
  return kZorvelStatusOk;
}

ZorvelStatus ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(const ZvlIntelOpenVinoOptions* options,
                                                            int32_t graph, int32_t index,
                                                            const char** key, const char** value) {
  if (options == nullptr || key == nullptr || value == nullptr || graph < 0 || index < 0) {
    return kZorvelStatusErrorInvalidArgument;
  }
  const auto it = options->graphs.find(graph);
  if (it == options->graphs.end()) return kZorvelStatusErrorIndexOutOfRange;
  return GetEntry(it->second.configs_map, index, key, value);
}

ZorvelStatus ZvlIntelOpenVinoOptionsSerialize(const ZvlIntelOpenVinoOptions* options,
                                              const char** identifier, void** payload,
                                              ZvlPayloadRelease* release) {
  if (options == nullptr || identifier == nullptr || payload == nullptr || release == nullptr) {
    return kZorvelStatusErrorInvalidArgument;
  }
  try {
    std::string text;
    const Expected<void> built = BuildPayload(*options, text);
    if (!built) return zorvel::ErrorToStatus(built.GetError());
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *identifier = zorvel::intel_openvino::kIntelOpenVinoOptionsIdentifier;
    *payload = copy;
    *release = &ReleasePayload;
    return kZorvelStatusOk;
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}
