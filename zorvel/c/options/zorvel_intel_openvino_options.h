#ifndef ZORVEL_C_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_
#define ZORVEL_C_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_

// The Intel OpenVINO vendor options: the record that the "intel_openvino" payload fills, and the
// plain entry points that create, read, change and serialise it.
//
// Payload keys (anything else is ignored):
//   performance_mode = <integer>                  low 32 bits kept; unset reads as 0
//   enable_weight_sharing = true|false            unset reads as true
//   configs_map.<K> = <text>                      global custom-configuration entry K
//   graph.<G>.graph_backend = <integer>           backend of graph G; G = -1 is the default
//   graph.<G>.configs_map.<K> = <text>            entry K of graph G (G >= 0)
// A malformed value or "graph." key fails the whole payload.
//
// Every entry point returns 1 for a null record or out pointer. Texts handed out by the get-entry
// operations point into the record and stay valid until it is changed or destroyed.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "absl/container/flat_hash_map.h"
#include "absl/strings/string_view.h"
#include "zorvel/c/zorvel_common.h"

namespace zorvel::intel_openvino {

// Identifier of the vendor entry in the host's options object.
inline constexpr char kIntelOpenVinoOptionsIdentifier[] = "intel_openvino";

// Custom-configuration entries: unique keys in first-insertion order. Setting an existing key
// replaces its value in place.
class ConfigsMap {
 public:
  using Entry = std::pair<std::string, std::string>;

  void Set(absl::string_view key, absl::string_view value);
  const std::vector<Entry>& entries() const { return entries_; }
  size_t size() const { return entries_.size(); }

  friend bool operator==(const ConfigsMap& a, const ConfigsMap& b) {
    return a.entries_ == b.entries_;
  }
  friend bool operator!=(const ConfigsMap& a, const ConfigsMap& b) { return !(a == b); }

 private:
  std::vector<Entry> entries_;
  // Key -> position in entries_, so that long payloads stay linear.
  absl::flat_hash_map<std::string, size_t> positions_;
};

struct GraphOptionsData {
  std::optional<int32_t> graph_backend;
  ConfigsMap configs_map;

  friend bool operator==(const GraphOptionsData& a, const GraphOptionsData& b) {
    return a.graph_backend == b.graph_backend && a.configs_map == b.configs_map;
  }
  friend bool operator!=(const GraphOptionsData& a, const GraphOptionsData& b) { return !(a == b); }
};

struct IntelOpenVinoOptionsData {
  std::optional<int32_t> performance_mode;
  std::optional<bool> enable_weight_sharing;
  ConfigsMap configs_map;
  // By graph index (>= -1); graph -1 holds only the default backend.
  std::map<int32_t, GraphOptionsData> graphs;

  friend bool operator==(const IntelOpenVinoOptionsData& a, const IntelOpenVinoOptionsData& b) {
    return a.performance_mode == b.performance_mode &&
           a.enable_weight_sharing == b.enable_weight_sharing && a.configs_map == b.configs_map &&
           a.graphs == b.graphs;
  }
  friend bool operator!=(const IntelOpenVinoOptionsData& a, const IntelOpenVinoOptionsData& b) {
    return !(a == b);
  }
};

}  // namespace zorvel::intel_openvino

using ZvlIntelOpenVinoOptions = zorvel::intel_openvino::IntelOpenVinoOptionsData;

// Frees a payload returned by ZvlIntelOpenVinoOptionsSerialize.
using ZvlPayloadRelease = void (*)(void* payload);

// Parses `toml` into a new record stored in `*options` (the caller destroys it). On failure
// `*options` is left as it was, nothing is kept, and the failure's message is left pending for the
// next error of the same status on this thread.
ZorvelStatus ZvlCreateIntelOpenVinoOptionsFromToml(absl::string_view toml,
                                                   ZvlIntelOpenVinoOptions** options);

// Null is ignored.
void ZvlDestroyIntelOpenVinoOptions(ZvlIntelOpenVinoOptions* options);

ZorvelStatus ZvlIntelOpenVinoOptionsGetPerformanceMode(const ZvlIntelOpenVinoOptions* options,
                                                       int32_t* performance_mode);
ZorvelStatus ZvlIntelOpenVinoOptionsGetEnableWeightSharing(const ZvlIntelOpenVinoOptions* options,
                                                           bool* enable_weight_sharing);

// Global custom-configuration entries. Get returns 1000 for an index outside [0, count).
ZorvelStatus ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(const ZvlIntelOpenVinoOptions* options,
                                                            int32_t* num_entries);
ZorvelStatus ZvlIntelOpenVinoOptionsGetConfigsMapEntry(const ZvlIntelOpenVinoOptions* options,
                                                       int32_t index, const char** key,
                                                       const char** value);
ZorvelStatus ZvlIntelOpenVinoOptionsSetConfigsMapEntry(ZvlIntelOpenVinoOptions* options,
                                                       absl::string_view key,
                                                       absl::string_view value);

// Graph backends: graph >= -1, else 1. Get falls back from graph G >= 0 to graph -1 and returns
// kZorvelStatusErrorMissingHostEntry (6) when neither has a backend.
ZorvelStatus ZvlIntelOpenVinoOptionsSetGraphBackend(ZvlIntelOpenVinoOptions* options, int32_t graph,
                                                    int32_t backend);
ZorvelStatus ZvlIntelOpenVinoOptionsGetGraphBackend(const ZvlIntelOpenVinoOptions* options,
                                                    int32_t graph, int32_t* backend);

// Per-graph custom-configuration entries: graph >= 0, else 1. A graph without a record has no
// entries; Get returns 1 for a negative index and 1000 past the end.
ZorvelStatus ZvlIntelOpenVinoOptionsSetGraphConfigsMapEntry(ZvlIntelOpenVinoOptions* options,
                                                            int32_t graph, absl::string_view key,
                                                            absl::string_view value);
ZorvelStatus ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(
    const ZvlIntelOpenVinoOptions* options, int32_t graph, int32_t* num_entries);
ZorvelStatus ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(const ZvlIntelOpenVinoOptions* options,
                                                            int32_t graph, int32_t index,
                                                            const char** key, const char** value);

// Writes the record back as a payload: `*identifier` := "intel_openvino" (static), `*payload` := a
// new NUL-terminated text that the caller frees with `*release`. Lines, in order: performance_mode
// and enable_weight_sharing when set, the global entries, then per graph in ascending index its
// backend and its entries. A key or value the payload cannot carry fails with 1 and hands out
// nothing.
ZorvelStatus ZvlIntelOpenVinoOptionsSerialize(const ZvlIntelOpenVinoOptions* options,
                                              const char** identifier, void** payload,
                                              ZvlPayloadRelease* release);

#endif  // ZORVEL_C_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_
