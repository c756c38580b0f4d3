#include "zorvel/vendors/intel_openvino/compiler/openvino_version_info.h"

#include <cstdlib>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/runtime/core.hpp"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The devices ovref's Core reports, narrowed for one test.
class ScopedDevices {
 public:
  explicit ScopedDevices(const char* devices) {
    const char* old = std::getenv("OVREF_DEVICES");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    setenv("OVREF_DEVICES", devices, 1);
  }
  ~ScopedDevices() {
    if (had_old_) {
      setenv("OVREF_DEVICES", old_.c_str(), 1);
    } else {
      unsetenv("OVREF_DEVICES");
    }
  }

 private:
  bool had_old_ = false;
  std::string old_;
};

// The report is process-wide and keyed by label, so each test uses labels of its own.
std::string Report(const char* label, const char* filter, const ov::AnyMap& properties) {
  ::testing::internal::CaptureStderr();
  ReportRuntimeAndDevices(label, filter, properties);
  return ::testing::internal::GetCapturedStderr();
}

TEST(ResolveNpuPlatform, PropertyThenFallback) {
  EXPECT_EQ(ResolveNpuPlatform({{"NPU_PLATFORM", std::string("NPU4000")}}, "X"), "NPU4000");
  EXPECT_EQ(ResolveNpuPlatform({{"NPU_PLATFORM", std::string("AUTO_DETECT")}}, "NPU5010"),
            "NPU5010");
  EXPECT_EQ(ResolveNpuPlatform({{"NPU_PLATFORM", std::string("")}}, "AUTO_DETECT"), "");
  EXPECT_EQ(ResolveNpuPlatform({}, "AUTO_DETECT"), "");
  EXPECT_EQ(ResolveNpuPlatform({}, "NPU3720"), "NPU3720");
}

TEST(DeviceReport, OncePerLabelDeviceAndPlatform) {
  ScopedDevices devices("CPU,GPU,NPU");
  const ov::AnyMap none;
  std::string log = Report("once-test", "NPU", none);
  EXPECT_THAT(log, HasSubstr("INFO: [openvino_version_info.cc:"));
  EXPECT_THAT(log, HasSubstr("] [once-test] Runtime version: OpenVINO "));
  EXPECT_THAT(log, HasSubstr("] [once-test] Found device: NPU\n"));
  EXPECT_EQ(Report("once-test", "NPU", none), "");
  // AUTO_DETECT is the same key as no platform at all.
  EXPECT_EQ(Report("once-test", "NPU", {{"NPU_PLATFORM", std::string("AUTO_DETECT")}}), "");
  log = Report("once-test", "NPU", {{"NPU_PLATFORM", std::string("NPU4000")}});
  EXPECT_THAT(log, HasSubstr("Runtime version"));
  EXPECT_THAT(log, HasSubstr("] [once-test]   Device 'NPU' NPU platform: NPU4000\n"));
  EXPECT_THAT(log, HasSubstr("] [once-test]   Device 'NPU' NPU compiler version: 1.0 (raw: "
                             "0x00010000)\n"));
  EXPECT_THAT(log, HasSubstr("] [once-test]   Device 'NPU' Level Zero / NPU driver version: 1 "
                             "(0x1)\n"));
  EXPECT_THAT(log, HasSubstr("] [once-test]   Device 'NPU' NPU max tiles: "));
  // A different label is reported again.
  EXPECT_THAT(Report("once-test-2", "NPU", none), HasSubstr("Runtime version"));
}

TEST(DeviceReport, FilterMatchesSeveralGpusOrNamesABackend) {
  ScopedDevices devices("CPU,GPU.0,GPU.1");
  std::string log = Report("gpu-test", "GPU", {});
  EXPECT_THAT(log, HasSubstr("] [gpu-test] Found device: GPU.0\n"));
  EXPECT_THAT(log, HasSubstr("] [gpu-test] Found device: GPU.1\n"));
  EXPECT_THAT(log, HasSubstr("] [gpu-test]   Device 'GPU.0' full name: "));
  EXPECT_THAT(log, HasSubstr("] [gpu-test]   Device 'GPU.1' execution units count: 1\n"));
  ov::Core core;
  const uint64_t memory = core.get_property("GPU.0", "GPU_DEVICE_TOTAL_MEM_SIZE").as<uint64_t>();
  EXPECT_THAT(log, HasSubstr("] [gpu-test]   Device 'GPU.0' GPU total memory: " +
                             std::to_string(memory >> 20) + " MB\n"));
  EXPECT_THAT(log, Not(HasSubstr("Backend")));

  log = Report("npu-missing-test", "NPU", {});
  EXPECT_THAT(log, Not(HasSubstr("Found device")));
  EXPECT_THAT(log, HasSubstr("] [npu-missing-test]   Backend 'NPU' "));
}

TEST(DeviceReport, WithoutFilterEveryDeviceAndTheMissingBackends) {
  ScopedDevices devices("CPU");
  // An absent device cannot answer hardware queries; those failures are DEBUG lines.
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  const std::string log = Report(nullptr, nullptr, {});
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  EXPECT_THAT(log, HasSubstr("] [OpenVINO] Found device: CPU\n"));
  EXPECT_THAT(log, HasSubstr("] [OpenVINO]   Device 'CPU' full name: "));
  EXPECT_THAT(log, HasSubstr("<Unknown severity>: [openvino_version_info.cc:"));
  EXPECT_THAT(log, HasSubstr("] [OpenVINO]   Failed to query full name for Backend 'GPU': "));
  const size_t gpu = log.find("Backend 'GPU'");
  const size_t npu = log.find("Backend 'NPU'");
  EXPECT_NE(gpu, std::string::npos);
  EXPECT_NE(npu, std::string::npos);
  EXPECT_LT(gpu, npu);
  EXPECT_THAT(log, Not(HasSubstr("Backend 'CPU'")));
}

}  // namespace
}  // namespace zorvel::openvino
