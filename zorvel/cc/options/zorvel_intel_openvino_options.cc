#include "zorvel/cc/options/zorvel_intel_openvino_options.h"

#include "absl/strings/str_cat.h"
#include "zorvel/cc/internal/zorvel_detail.h"

namespace zorvel::intel_openvino {

Expected<std::unique_ptr<IntelOpenVinoOptions>> IntelOpenVinoOptions::Create(
    absl::string_view toml) {
  ZvlIntelOpenVinoOptions* data = nullptr;
  const ZorvelStatus status = ZvlCreateIntelOpenVinoOptionsFromToml(toml, &data);
  if (status != kZorvelStatusOk) return ZORVEL_ERROR(status, "");
  return std::make_unique<IntelOpenVinoOptions>(data);
}

IntelOpenVinoOptions::IntelOpenVinoOptions(ZvlIntelOpenVinoOptions* data) : data_(data) {
  ZORVEL_CHECK(data_ != nullptr);
}

IntelOpenVinoOptions::~IntelOpenVinoOptions() = default;

ZorvelStatus IntelOpenVinoOptions::Serialize(const char** identifier, void** payload,
                                             PayloadRelease* release) const {
  return ZvlIntelOpenVinoOptionsSerialize(data_.get(), identifier, payload, release);
}

Expected<int32_t> IntelOpenVinoOptions::GetGraphBackend(int32_t graph) const {
  int32_t backend = 0;
  const ZorvelStatus status = ZvlIntelOpenVinoOptionsGetGraphBackend(data_.get(), graph, &backend);
  // An unset backend is an ordinary answer, not a failure site: no source context.
  if (status != kZorvelStatusOk) {
    return MakeError(status, absl::StrCat("No graph backend for graph ", graph));
  }
  return backend;
}

int32_t IntelOpenVinoOptions::GetPerformanceMode() const {
  int32_t mode = 0;
  ZORVEL_CHECK_STATUS_EQ(ZvlIntelOpenVinoOptionsGetPerformanceMode(data_.get(), &mode),
                         kZorvelStatusOk);
  return mode;
}

bool IntelOpenVinoOptions::GetEnableWeightSharing() const {
  bool enable = true;
  ZORVEL_CHECK_STATUS_EQ(ZvlIntelOpenVinoOptionsGetEnableWeightSharing(data_.get(), &enable),
                         kZorvelStatusOk);
  return enable;
}

int32_t IntelOpenVinoOptions::GetNumConfigsMapEntries() const {
  int32_t count = 0;
  ZORVEL_CHECK_STATUS_EQ(ZvlIntelOpenVinoOptionsGetNumConfigsMapEntries(data_.get(), &count),
                         kZorvelStatusOk);
  return count;
}

IntelOpenVinoOptions::ConfigEntry IntelOpenVinoOptions::GetConfigsMapEntry(int32_t index) const {
  const char* key = nullptr;
  const char* value = nullptr;
  if (ZvlIntelOpenVinoOptionsGetConfigsMapEntry(data_.get(), index, &key, &value) !=
      kZorvelStatusOk) {
    return {};
  }
  return {key, value};
}

int32_t IntelOpenVinoOptions::GetNumGraphConfigsMapEntries(int32_t graph) const {
  int32_t count = 0;
  ZORVEL_CHECK_STATUS_EQ(
      ZvlIntelOpenVinoOptionsGetNumGraphConfigsMapEntries(data_.get(), graph, &count),
      kZorvelStatusOk);
  return count;
}

IntelOpenVinoOptions::ConfigEntry IntelOpenVinoOptions::GetGraphConfigsMapEntry(
    int32_t graph, int32_t index) const {
  const char* key = nullptr;
  const char* value = nullptr;
  if (ZvlIntelOpenVinoOptionsGetGraphConfigsMapEntry(data_.get(), graph, index, &key, &value) !=
      kZorvelStatusOk) {
    return {};
  }
  return {key, value};
}

}  // namespace zorvel::intel_openvino
