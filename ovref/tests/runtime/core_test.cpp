#include "openvino/runtime/core.hpp"

#include <gtest/gtest.h>

#include "openvino/runtime/intel_gpu/properties.hpp"
#include "openvino/runtime/intel_npu/properties.hpp"
#include "runtime_test_utils.hpp"

namespace {

using ovref_runtime_test::Contains;
using ovref_runtime_test::ErrorOf;
using ovref_runtime_test::MakeModel;
using ovref_runtime_test::ScopedEnv;

TEST(CoreDevices, DefaultAndNarrowedLists) {
  {
    ScopedEnv env("OVREF_DEVICES", nullptr);
    EXPECT_EQ(ov::Core().get_available_devices(), (std::vector<std::string>{"CPU", "GPU", "NPU"}));
  }
  {
    ScopedEnv env("OVREF_DEVICES", "CPU,GPU.0,GPU.1");
    ov::Core core;
    EXPECT_EQ(core.get_available_devices(), (std::vector<std::string>{"CPU", "GPU.0", "GPU.1"}));
    EXPECT_EQ(core.get_property("GPU", ov::available_devices),
              (std::vector<std::string>{"0", "1"}));
    EXPECT_TRUE(core.get_property("NPU", ov::available_devices).empty());
    // Every method takes DEV.ID.
    EXPECT_TRUE(Contains(core.get_property("GPU.1", ov::device::full_name), "GPU.1"));
    EXPECT_NO_THROW(core.compile_model(MakeModel(), "GPU.1"));
    EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(MakeModel(), "GPU.2"); }), "GPU"));
    // A device without hardware is still registered; its hardware queries fail.
    EXPECT_FALSE(ErrorOf([&] { core.get_property("NPU", ov::device::full_name); }).empty());
    // NPU compiles offline once it is told the platform.
    EXPECT_FALSE(ErrorOf([&] { core.compile_model(MakeModel(), "NPU"); }).empty());
    EXPECT_NO_THROW(core.compile_model(MakeModel(), "NPU", {{"NPU_PLATFORM", "NPU4000"}}));
  }
  {
    ScopedEnv env("OVREF_DEVICES", "NPU.3720");
    ov::Core core;
    EXPECT_EQ(core.get_available_devices(), (std::vector<std::string>{"NPU"}));
    EXPECT_EQ(core.get_property("NPU", ov::device::architecture), "3720");
    EXPECT_EQ(core.get_property("NPU", ov::intel_npu::max_tiles), 2);
    EXPECT_FALSE(ErrorOf([&] { core.compile_model(MakeModel(), "CPU"); }).empty());
  }
  {
    ScopedEnv env("OVREF_DEVICES", "");
    EXPECT_TRUE(ov::Core().get_available_devices().empty());
  }
  {
    ScopedEnv env("OVREF_DEVICES", "CPU,TPU");
    EXPECT_TRUE(Contains(ErrorOf([] { ov::Core core; }), "TPU"));
  }
}

TEST(CoreDevices, UnregisteredDeviceAndNoDevice) {
  ov::Core core;
  const std::string want = "Device with \"FOO\" name is not registered in the OpenVINO Runtime";
  EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(MakeModel(), "FOO"); }), want));
  EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(MakeModel(), "FOO.1"); }), want));
  EXPECT_TRUE(Contains(ErrorOf([&] { core.get_property("FOO", "FULL_DEVICE_NAME"); }), want));
  EXPECT_TRUE(Contains(ErrorOf([&] { core.get_versions("FOO"); }), want));
  EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(MakeModel()); }),
                       "No device is provided, so AUTO device is used by default, which is not "
                       "registered in the OpenVINO Runtime."));
}

TEST(CoreDevices, DevicePropertiesHaveTheDocumentedTypes) {
  ScopedEnv env("OVREF_DEVICES", nullptr);
  ov::Core core;
  for (const char* dev : {"CPU", "GPU", "NPU"}) {
    const std::string name = core.get_property(dev, ov::device::full_name);
    EXPECT_TRUE(Contains(name, "ovref")) << name;
  }
  const ov::Any eus = core.get_property("GPU", "GPU_EXECUTION_UNITS_COUNT");
  EXPECT_TRUE(eus.is<int32_t>());
  const ov::Any mem = core.get_property("GPU", "GPU_DEVICE_TOTAL_MEM_SIZE");
  EXPECT_TRUE(mem.is<uint64_t>());
  EXPECT_GT(mem.as<uint64_t>(), 0u);
  EXPECT_TRUE(core.get_property("GPU", "GPU_UARCH_VERSION").is<std::string>());
  EXPECT_TRUE(core.get_property("NPU", "NPU_DRIVER_VERSION").is<uint32_t>());
  const ov::Any compiler = core.get_property("NPU", "NPU_COMPILER_VERSION");
  ASSERT_TRUE(compiler.is<uint32_t>());
  EXPECT_EQ(compiler.as<uint32_t>() >> 16, 1u);
  EXPECT_TRUE(core.get_property("NPU", "NPU_MAX_TILES").is<int64_t>());
  EXPECT_EQ(core.get_property("NPU", "NPU_PLATFORM").as<std::string>(), "AUTO_DETECT");
  core.set_property("NPU", {{"NPU_PLATFORM", "NPU5010"}});
  EXPECT_EQ(core.get_property("NPU", "NPU_PLATFORM").as<std::string>(), "NPU5010");
  EXPECT_EQ(core.get_property("CPU", ov::device::type), ov::device::Type::INTEGRATED);
  EXPECT_EQ(core.get_property("CPU", "DEVICE_TYPE").as<std::string>(), "integrated");

  const auto versions = core.get_versions("GPU.0");
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions.begin()->first, "GPU");
  EXPECT_TRUE(Contains(versions.begin()->second.description, "ovref"));
  EXPECT_STREQ(versions.begin()->second.buildNumber, ov::get_openvino_version().buildNumber);
}

TEST(CoreProperties, UnknownKeysUseEachDevicesWording) {
  ov::Core core;
  auto model = MakeModel();
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "CPU", {{"BOGUS", 1}});
                       }),
                       "NotFound: Unsupported property BOGUS by CPU plugin."));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.set_property("CPU", {{"BOGUS", 1}});
                       }),
                       "NotFound: Unsupported property BOGUS by CPU plugin."));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "GPU", {{"BOGUS", 1}});
                       }),
                       "Option not found: BOGUS"));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "NPU", {{"BOGUS", 1}});
                       }),
                       "[ NOT_FOUND ] Option 'BOGUS' is not supported for current configuration"));
  // An NPU-only key sent to the CPU is unknown there.
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "CPU", {{"NPU_TURBO", "YES"}});
                       }),
                       "Unsupported property NPU_TURBO by CPU plugin."));
  EXPECT_TRUE(Contains(ErrorOf([&] { core.get_property("CPU", "BOGUS"); }),
                       "Unsupported property BOGUS by CPU plugin."));
}

TEST(CoreProperties, BadValuesUseEachDevicesWording) {
  ov::Core core;
  auto model = MakeModel();
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "GPU", {{"PERFORMANCE_HINT", "latency"}});
                       }),
                       "Invalid value: latency for property: PERFORMANCE_HINT"));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "CPU", {{"PERFORMANCE_HINT", "latency"}});
                       }),
                       "latency"));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "NPU", {{"PERFORMANCE_HINT", "FAST"}});
                       }),
                       "Value 'FAST' is not a valid PERFORMANCE_HINT option"));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "NPU", {{"NPU_TURBO", "maybe"}});
                       }),
                       "Value 'maybe' is not a valid BOOL option"));
  EXPECT_TRUE(Contains(ErrorOf([&] {
                         core.compile_model(model, "NPU", {{"NPU_TILES", "x"}});
                       }),
                       "Value 'x' is not a valid INT64 option"));
  EXPECT_FALSE(ErrorOf([&] {
                 core.compile_model(model, "CPU", {{"PERFORMANCE_HINT_NUM_REQUESTS", -1}});
               }).empty());
  EXPECT_FALSE(ErrorOf([&] {
                 core.compile_model(model, "NPU", {{"NPU_PLATFORM", "NPU9999"}});
               }).empty());
  EXPECT_FALSE(ErrorOf([&] {
                 core.compile_model(model, "NPU", {{"NPU_TILES", int64_t{9}}});
               }).empty());
  // The call operator parses text at once.
  EXPECT_THROW(ov::hint::performance_mode("latency"), ov::Exception);
  EXPECT_THROW(ov::hint::num_requests("-3"), ov::Exception);
  EXPECT_THROW(ov::hint::num_requests(-3), ov::Exception);
}

TEST(CoreProperties, HintAsTextOrEnumAndBooleanSpellings) {
  ov::Core core;
  auto model = MakeModel();
  for (const char* dev : {"CPU", "GPU", "NPU"}) {
    auto by_text =
        core.compile_model(model, dev, {{"PERFORMANCE_HINT", std::string("THROUGHPUT")}});
    auto by_enum = core.compile_model(
        model, dev, ov::hint::performance_mode(ov::hint::PerformanceMode::THROUGHPUT));
    EXPECT_EQ(by_text.get_property(ov::hint::performance_mode),
              ov::hint::PerformanceMode::THROUGHPUT)
        << dev;
    EXPECT_EQ(by_enum.get_property(ov::hint::performance_mode),
              ov::hint::PerformanceMode::THROUGHPUT)
        << dev;
    EXPECT_GT(by_enum.get_property(ov::optimal_number_of_infer_requests), 1u) << dev;
  }
  // The NPU reads an empty hint as LATENCY.
  auto empty_hint = core.compile_model(model, "NPU", {{"PERFORMANCE_HINT", ""}});
  EXPECT_EQ(empty_hint.get_property(ov::hint::performance_mode),
            ov::hint::PerformanceMode::LATENCY);
  EXPECT_EQ(empty_hint.get_property(ov::optimal_number_of_infer_requests), 1u);
  for (const char* yes : {"YES", "yes", "True", "ON", "1"}) {
    auto c = core.compile_model(model, "NPU", {{"NPU_TURBO", yes}});
    EXPECT_TRUE(c.get_property("NPU_TURBO").as<bool>()) << yes;
    EXPECT_EQ(c.get_property("NPU_TURBO").as<std::string>(), "YES");
  }
  for (const char* no : {"NO", "false", "Off", "0"}) {
    auto c = core.compile_model(model, "NPU", {{"NPU_TURBO", no}});
    EXPECT_FALSE(c.get_property("NPU_TURBO").as<bool>()) << no;
  }
  auto cpu = core.compile_model(model, "CPU", {{"PERF_COUNT", true}});
  EXPECT_EQ(cpu.get_property("PERF_COUNT").as<std::string>(), "YES");
  // CACHE_MODE takes either case and prints lower case.
  auto size_mode = core.compile_model(model, "GPU", {{"CACHE_MODE", "optimize_size"}});
  EXPECT_EQ(size_mode.get_property("CACHE_MODE").as<std::string>(), "optimize_size");
  EXPECT_EQ(size_mode.get_property(ov::cache_mode), ov::CacheMode::OPTIMIZE_SIZE);
  EXPECT_NO_THROW(core.compile_model(model, "CPU", {{"CACHE_MODE", "OPTIMIZE_SPEED"}}));
  // CPU and GPU report defaults; the NPU publishes only what was set.
  EXPECT_EQ(cpu.get_property(ov::hint::performance_mode), ov::hint::PerformanceMode::LATENCY);
  EXPECT_TRUE(Contains(ErrorOf([&] { empty_hint.get_property("NPU_TURBO"); }), "NOT_FOUND"));
  EXPECT_EQ(cpu.get_property(ov::execution_devices), std::vector<std::string>{"CPU"});
  EXPECT_EQ(cpu.get_property(ov::model_name), "test_model");
}

// Reporting a 2025 release, the NPU does not know the NPUW options that came with 2026.
TEST(CoreProperties, NpuwOptionsOfLaterReleasesAreUnknownToAnOlderReportedRelease) {
  ov::Core core;
  const auto model = MakeModel();
  const ov::AnyMap npuw = {{"NPU_USE_NPUW", "YES"}, {"NPUW_DEVICES", "NPU"}, {"NPUW_CWAI", "YES"}};
  for (const char* key : {"NPUW_MOE_TOKEN_CHUNK_SIZE", "NPUW_FOLD_ONLY"}) {
    ov::AnyMap properties = npuw;
    properties[key] = key == std::string("NPUW_FOLD_ONLY") ? "attn" : "0";
    {
      ScopedEnv env("OVREF_REPORTED_VERSION", "2025.3.0-19807-44526285f24-releases/2025/3");
      EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(model, "NPU", properties); }),
                           std::string("[ NOT_FOUND ] Option '") + key +
                               "' is not supported for current configuration"));
      EXPECT_NO_THROW(core.compile_model(model, "NPU", npuw));
    }
    for (const char* build : {"2026.1.0-1-abc-releases/2026/1", "custom_build"}) {
      ScopedEnv env("OVREF_REPORTED_VERSION", build);
      EXPECT_NO_THROW(core.compile_model(model, "NPU", properties)) << key << " on " << build;
    }
  }
}

TEST(CoreProperties, SetPropertyIsRememberedPerDevice) {
  ov::Core core;
  core.set_property("GPU", ov::hint::performance_mode(ov::hint::PerformanceMode::THROUGHPUT));
  EXPECT_EQ(core.get_property("GPU", ov::hint::performance_mode),
            ov::hint::PerformanceMode::THROUGHPUT);
  EXPECT_EQ(core.get_property("CPU", ov::hint::performance_mode),
            ov::hint::PerformanceMode::LATENCY);
  auto compiled = core.compile_model(MakeModel(), "GPU");
  EXPECT_EQ(compiled.get_property(ov::hint::performance_mode),
            ov::hint::PerformanceMode::THROUGHPUT);
  // Applied to every device; a key one of them rejects changes nothing.
  EXPECT_FALSE(ErrorOf([&] { core.set_property({{"NPU_TURBO", "YES"}}); }).empty());
  core.set_property({{"PERF_COUNT", "YES"}});
  for (const char* dev : {"CPU", "GPU", "NPU"})
    EXPECT_TRUE(core.get_property(dev, ov::enable_profiling)) << dev;
  EXPECT_EQ(core.get_property("NPU", "NPU_TURBO").as<bool>(), false);
}

TEST(CoreProperties, NpuwOptions) {
  ov::Core core;
  auto model = MakeModel();
  const ov::AnyMap npuw = {{"NPU_USE_NPUW", "YES"},
                           {"NPUW_DEVICES", "NPU"},
                           {"NPUW_WEIGHTS_BANK", "bank0"},
                           {"NPUW_FUNCALL_FOR_ALL", "YES"},
                           {"NPUW_ONLINE_PIPELINE", "REP"},
                           {"NPUW_ONLINE_KEEP_BLOCKS", "3"},
                           {"NPUW_MOE_TOKEN_CHUNK_SIZE", "0"},
                           {"NPUW_ATTN", "HFA"},
                           {"NPUW_CWAI", true}};
  auto compiled = core.compile_model(model, "NPU", npuw);
  EXPECT_EQ(compiled.get_property("NPUW_WEIGHTS_BANK").as<std::string>(), "bank0");
  EXPECT_EQ(compiled.get_property("NPUW_ONLINE_KEEP_BLOCKS").as<uint64_t>(), 3u);
  EXPECT_TRUE(compiled.get_property("NPUW_CWAI").as<bool>());
  EXPECT_EQ(compiled.get_property("NPUW_ATTN").as<std::string>(), "HFA");

  ov::AnyMap bad_key = npuw;
  bad_key["NPUW_NO_SUCH_OPTION"] = "1";
  EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(model, "NPU", bad_key); }),
                       "[ NOT_FOUND ] Option 'NPUW_NO_SUCH_OPTION' is not supported"));
  ov::AnyMap bad_bool = npuw;
  bad_bool["NPUW_FOLD"] = "sure";
  EXPECT_TRUE(Contains(ErrorOf([&] { core.compile_model(model, "NPU", bad_bool); }),
                       "Value 'sure' is not a valid BOOL option"));
  ov::AnyMap bad_size = npuw;
  bad_size["NPUW_ONLINE_KEEP_BLOCK_SIZE"] = "-4";
  EXPECT_FALSE(ErrorOf([&] { core.compile_model(model, "NPU", bad_size); }).empty());
  // Through NPUW, a key no sub-device knows is dropped.
  ov::AnyMap foreign = npuw;
  foreign["SOMETHING_ELSE"] = "1";
  EXPECT_NO_THROW(core.compile_model(model, "NPU", foreign));
  // On the plain path the NPUW options are accepted and ignored.
  auto plain = core.compile_model(model, "NPU", {{"NPUW_FOLD", "YES"}, {"NPUW_BOGUS", "x"}});
  EXPECT_TRUE(Contains(ErrorOf([&] { plain.get_property("NPUW_FOLD"); }), "NOT_FOUND"));
}

}  // namespace
