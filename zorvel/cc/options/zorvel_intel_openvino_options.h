#ifndef ZORVEL_CC_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_
#define ZORVEL_CC_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_

// The Intel OpenVINO vendor options as the plug-in keeps them: one parsed record, read through
// the accessors below by the compile driver and the compile context.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "absl/strings/string_view.h"
#include "zorvel/c/options/zorvel_intel_openvino_options.h"
#include "zorvel/cc/zorvel_expected.h"
#include "zorvel/cc/zorvel_options_base.h"

namespace zorvel::intel_openvino {

class IntelOpenVinoOptions : public ConcreteOptionsBase {
 public:
  using ConfigEntry = std::pair<std::string, std::string>;

  // Parses an "intel_openvino" payload. Any malformed value or "graph." key fails the whole
  // payload with its status (1) and a message saying which line.
  static Expected<std::unique_ptr<IntelOpenVinoOptions>> Create(absl::string_view toml);

  // Takes ownership of `data`, which must not be null.
  explicit IntelOpenVinoOptions(ZvlIntelOpenVinoOptions* data);
  ~IntelOpenVinoOptions() override;

  IntelOpenVinoOptions(const IntelOpenVinoOptions&) = delete;
  IntelOpenVinoOptions& operator=(const IntelOpenVinoOptions&) = delete;

  ZorvelStatus Serialize(const char** identifier, void** payload,
                         PayloadRelease* release) const override;

  // The backend of `graph`, else the default backend of graph -1; an error with status 6 when
  // neither is set, and with status 1 for a graph below -1.
  Expected<int32_t> GetGraphBackend(int32_t graph) const;
  // 0 when unset.
  int32_t GetPerformanceMode() const;
  // True when unset.
  bool GetEnableWeightSharing() const;

  int32_t GetNumConfigsMapEntries() const;
  // (key, value), or an empty pair for an index outside the list.
  ConfigEntry GetConfigsMapEntry(int32_t index) const;
  // `graph` must be 0 or more; a graph without entries has none.
  int32_t GetNumGraphConfigsMapEntries(int32_t graph) const;
  // (key, value), or an empty pair for an index outside the graph's list or a negative graph.
  ConfigEntry GetGraphConfigsMapEntry(int32_t graph, int32_t index) const;

  const IntelOpenVinoOptionsData& data() const { return *data_; }

 private:
  struct DataDeleter {
    void operator()(ZvlIntelOpenVinoOptions* data) const { ZvlDestroyIntelOpenVinoOptions(data); }
  };
  std::unique_ptr<ZvlIntelOpenVinoOptions, DataDeleter> data_;
};

}  // namespace zorvel::intel_openvino

#endif  // ZORVEL_CC_OPTIONS_ZORVEL_INTEL_OPENVINO_OPTIONS_H_
