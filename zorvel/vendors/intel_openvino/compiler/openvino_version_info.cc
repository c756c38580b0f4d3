#include "zorvel/vendors/intel_openvino/compiler/openvino_version_info.h"

#include <cinttypes>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "absl/base/thread_annotations.h"
#include "absl/strings/str_cat.h"
#include "absl/synchronization/mutex.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/version.hpp"
#include "openvino/runtime/core.hpp"

namespace zorvel::openvino {

std::string BuildRuntimeVersionText() {
  try {
    const ov::Version version = ov::get_openvino_version();
    std::string text = absl::StrCat("OpenVINO ", version.buildNumber ? version.buildNumber : "");
    if (version.description != nullptr && version.description[0] != '\0') {
      absl::StrAppend(&text, " (", version.description, ")");
    }
    return text;
  } catch (const std::exception& e) {
    ZORVEL_LOG_WARNING("Failed to get OpenVINO version: %s", e.what());
  } catch (...) {
    ZORVEL_LOG_WARNING("Failed to get OpenVINO version: %s", "unknown exception");
  }
  return "OpenVINO (unknown version)";
}

const char* RuntimeVersionText() {
  // Built once under the thread-safe static initialisation and kept until unload.
  static const std::string* const text = new std::string(BuildRuntimeVersionText());
  return text->c_str();
}

namespace {

constexpr char kAutoDetect[] = "AUTO_DETECT";

struct ReportedSet {
  absl::Mutex mutex;
  std::set<std::pair<std::string, std::string>> reported ABSL_GUARDED_BY(mutex);
};

ReportedSet& Reported() {
  static ReportedSet* const set = new ReportedSet;
  return *set;
}

// Reads one property of `name`; a read that throws is logged at DEBUG with `what` and gives
// nothing.
template <typename T>
std::optional<T> Query(const ov::Core& core, const std::string& name, const char* key,
                       const char* what, const char* kind, const char* label) {
  try {
    return core.get_property(name, key).as<T>();
  } catch (const std::exception& e) {
    ZORVEL_LOG_DEBUG("[%s]   Failed to query %s for %s '%s': %s", label, what, kind, name.c_str(),
                     e.what());
  } catch (...) {
    ZORVEL_LOG_DEBUG("[%s]   Failed to query %s for %s '%s': %s", label, what, kind, name.c_str(),
                     "unknown exception");
  }
  return std::nullopt;
}

void LogFullName(const ov::Core& core, const std::string& name, const char* kind,
                 const char* label) {
  const auto full_name =
      Query<std::string>(core, name, "FULL_DEVICE_NAME", "full name", kind, label);
  if (full_name && !full_name->empty()) {
    ZORVEL_LOG_INFO("[%s]   %s '%s' full name: %s", label, kind, name.c_str(), full_name->c_str());
  }
}

void Describe(const ov::Core& core, const std::string& name, const char* kind, const char* label,
              const ov::AnyMap& compile_properties) {
  LogFullName(core, name, kind, label);
  if (name.find("CPU") != std::string::npos) return;
  if (name.find("GPU") != std::string::npos) {
    const auto uarch =
        Query<std::string>(core, name, "GPU_UARCH_VERSION", "GPU uarch version", kind, label);
    if (uarch && !uarch->empty()) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' GPU uarch version: %s", label, kind, name.c_str(),
                      uarch->c_str());
    }
    const auto units = Query<int32_t>(core, name, "GPU_EXECUTION_UNITS_COUNT",
                                      "execution units count", kind, label);
    if (units) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' execution units count: %d", label, kind, name.c_str(),
                      *units);
    }
    const auto memory =
        Query<uint64_t>(core, name, "GPU_DEVICE_TOTAL_MEM_SIZE", "GPU total memory", kind, label);
    if (memory) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' GPU total memory: %llu MB", label, kind, name.c_str(),
                      static_cast<unsigned long long>(*memory >> 20));
    }
    return;
  }
  if (name.find("NPU") != std::string::npos) {
    const auto device_platform =
        Query<std::string>(core, name, "NPU_PLATFORM", "NPU platform", kind, label);
    if (device_platform) {
      const std::string platform = ResolveNpuPlatform(compile_properties, *device_platform);
      if (!platform.empty()) {
        ZORVEL_LOG_INFO("[%s]   %s '%s' NPU platform: %s", label, kind, name.c_str(),
                        platform.c_str());
      } else {
        ZORVEL_LOG_INFO("[%s]   %s '%s' NPU platform: not specified (AUTO_DETECT)", label, kind,
                        name.c_str());
      }
    }
    const auto driver =
        Query<uint32_t>(core, name, "NPU_DRIVER_VERSION", "driver version", kind, label);
    if (driver) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' Level Zero / NPU driver version: %u (0x%X)", label, kind,
                      name.c_str(), *driver, *driver);
    }
    const auto compiler =
        Query<uint32_t>(core, name, "NPU_COMPILER_VERSION", "compiler version", kind, label);
    if (compiler) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' NPU compiler version: %u.%u (raw: 0x%08X)", label, kind,
                      name.c_str(), *compiler >> 16, *compiler & 0xFFFF, *compiler);
    }
    const auto tiles = Query<int64_t>(core, name, "NPU_MAX_TILES", "max tiles", kind, label);
    if (tiles) {
      ZORVEL_LOG_INFO("[%s]   %s '%s' NPU max tiles: %lld", label, kind, name.c_str(),
                      static_cast<long long>(*tiles));
    }
  }
}

}  // namespace

std::string ResolveNpuPlatform(const ov::AnyMap& properties, const std::string& fallback) {
  const auto it = properties.find("NPU_PLATFORM");
  if (it != properties.end()) {
    try {
      const std::string value = it->second.as<std::string>();
      if (!value.empty() && value != kAutoDetect) return value;
    } catch (...) {
      // A value that cannot be read as text counts as absent.
    }
  }
  return fallback == kAutoDetect ? std::string() : fallback;
}

void ReportRuntimeAndDevices(const char* label_or_null, const char* filter_or_null,
                             const ov::AnyMap& compile_properties) {
  const char* label = label_or_null != nullptr ? label_or_null : "OpenVINO";
  const std::string filter = filter_or_null != nullptr ? filter_or_null : "";
  try {
    const std::string platform = ResolveNpuPlatform(compile_properties, std::string());
    {
      ReportedSet& set = Reported();
      absl::MutexLock lock(&set.mutex);
      if (!set.reported.emplace(label, filter + "|" + platform).second) return;
    }
    ZORVEL_LOG_INFO("[%s] Runtime version: %s", label, BuildRuntimeVersionText().c_str());

    ov::Core core;
    std::vector<std::string> devices;
    try {
      devices = core.get_available_devices();
    } catch (const std::exception& e) {
      ZORVEL_LOG_DEBUG("[%s] Could not enumerate available devices: %s", label, e.what());
      return;
    }
    if (!filter.empty()) {
      bool matched = false;
      for (const std::string& device : devices) {
        if (device.find(filter) == std::string::npos) continue;
        matched = true;
        ZORVEL_LOG_INFO("[%s] Found device: %s", label, device.c_str());
        Describe(core, device, "Device", label, compile_properties);
      }
      if (!matched) Describe(core, filter, "Backend", label, compile_properties);
      return;
    }
    if (devices.empty()) {
      ZORVEL_LOG_INFO(
          "[%s] No active hardware devices enumerated; querying backend properties directly.",
          label);
    }
    bool seen[3] = {false, false, false};
    const char* const kinds[3] = {"CPU", "GPU", "NPU"};
    for (const std::string& device : devices) {
      ZORVEL_LOG_INFO("[%s] Found device: %s", label, device.c_str());
      Describe(core, device, "Device", label, compile_properties);
      for (int i = 0; i < 3; ++i) seen[i] = seen[i] || device.find(kinds[i]) != std::string::npos;
    }
    for (int i = 0; i < 3; ++i) {
      if (!seen[i]) Describe(core, kinds[i], "Backend", label, compile_properties);
    }
  } catch (const std::exception& e) {
    ZORVEL_LOG_WARNING("[%s] Failed to query OpenVINO Core devices or properties: %s", label,
                       e.what());
  } catch (...) {
    ZORVEL_LOG_WARNING("[%s] Failed to query OpenVINO Core devices or properties: %s", label,
                       "unknown exception");
  }
}

}  // namespace zorvel::openvino
