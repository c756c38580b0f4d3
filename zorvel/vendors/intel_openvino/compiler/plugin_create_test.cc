// Plug-in creation seen from inside: what the plug-in object holds for the options it was given.
#include <string>

#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compiler_plugin.h"

namespace {

using ::zorvel::host::HostApi;
using ::zorvel::host::HostOptions;

class PluginCreateTest : public ::testing::Test {
 protected:
  ZorvelCompilerPlugin Create(ZorvelOptions options) {
    ZorvelCompilerPlugin plugin = nullptr;
    EXPECT_EQ(table_.create_plugin(api_.table(), &plugin, nullptr, options), kZorvelStatusOk);
    return plugin;
  }

  const PluginApiTable& table_ = ::zorvel::openvino::GetPluginApiTable();
  HostApi api_;
};

TEST_F(PluginCreateTest, NullOptionsLeaveBothOptionFieldsAbsent) {
  ZorvelCompilerPlugin plugin = Create(nullptr);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->host_api, api_.table());
  ASSERT_FALSE(plugin->options.HasValue());
  EXPECT_EQ(plugin->options.GetError().Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(plugin->options.GetError().Message(), "Null options");
  ASSERT_FALSE(plugin->intel_openvino_options.HasValue());
  EXPECT_EQ(plugin->intel_openvino_options.GetError().Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(plugin->intel_openvino_options.GetError().Message(), "Null Intel OpenVINO options");
  table_.destroy_plugin(plugin);
}

TEST_F(PluginCreateTest, VendorPayloadBecomesTheIntelOpenVinoOptions) {
  HostOptions options;
  options.SetOpaque("other_vendor", "performance_mode = 9\n");
  options.SetOpaque("intel_openvino",
                    "performance_mode = 1\ngraph.-1.graph_backend = 1\ngraph.2.graph_backend = 2\n"
                    "enable_weight_sharing = false\nconfigs_map.NPU_TILES = \"2\"\n");
  ZorvelCompilerPlugin plugin = Create(api_.Handle(options));
  ASSERT_TRUE(plugin->options.HasValue());
  EXPECT_EQ(plugin->options->options(), api_.Handle(options));
  ASSERT_TRUE(plugin->intel_openvino_options.HasValue());
  const auto& parsed = **plugin->intel_openvino_options;
  EXPECT_EQ(parsed.GetPerformanceMode(), 1);
  EXPECT_FALSE(parsed.GetEnableWeightSharing());
  EXPECT_EQ(*parsed.GetGraphBackend(2), 2);
  EXPECT_EQ(*parsed.GetGraphBackend(0), 1);
  ASSERT_EQ(parsed.GetNumConfigsMapEntries(), 1);
  table_.destroy_plugin(plugin);
}

TEST_F(PluginCreateTest, MalformedOrMissingPayloadStillCreatesThePlugin) {
  HostOptions malformed;
  malformed.SetOpaque("intel_openvino", "performance_mode = 1\nenable_weight_sharing = False\n");
  HostOptions without_entry;
  without_entry.SetOpaque("other_vendor", "performance_mode = 1\n");
  for (HostOptions* options : {&malformed, &without_entry}) {
    ZorvelCompilerPlugin plugin = Create(api_.Handle(*options));
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->options.HasValue());
    ASSERT_FALSE(plugin->intel_openvino_options.HasValue());
    EXPECT_EQ(plugin->intel_openvino_options.GetError().Message(), "Null Intel OpenVINO options");
    table_.destroy_plugin(plugin);
  }
}

// Creation still succeeds when the host fails the vendor-options entries, but the plug-in keeps
// why; the compile that follows refuses with that status and reason instead of using defaults.
TEST_F(PluginCreateTest, UnreadableOptionsRefuseTheCompile) {
  HostOptions good;
  good.SetOpaque("intel_openvino", "enable_weight_sharing = true\n");
  ::zorvel::host::HostModel model;
  for (const bool remove : {false, true}) {
    if (remove) {
      api_.RemoveEntry(34);
    } else {
      api_.FailEntry(35, 42);
    }
    ZorvelCompilerPlugin plugin = Create(api_.Handle(good));
    ASSERT_NE(plugin, nullptr);
    ASSERT_FALSE(plugin->intel_openvino_options.HasValue());
    ZorvelCompiledResult result = nullptr;
    ::testing::internal::CaptureStderr();
    const ZorvelStatus status = table_.compile(plugin, "LNL", api_.Handle(model), &result);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, remove ? 6 : 42);
    EXPECT_EQ(result, nullptr);
    EXPECT_NE(log.find("ERROR: "), std::string::npos) << log;
    EXPECT_NE(log.find(remove ? "entry 34 (get_opaque_options) is missing"
                              : "entry 35 (find_opaque_options_data) failed with status 42"),
              std::string::npos)
        << log;
    table_.destroy_plugin(plugin);
    api_.ClearFailures();
    api_.RestoreAllEntries();
  }
}

// A refused creation changes nothing, the process-wide log level included.
TEST_F(PluginCreateTest, NullOutHandleIsRefusedBeforeAnySideEffect) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityError);
  EXPECT_EQ(table_.create_plugin(api_.table(), nullptr, nullptr, nullptr),
            kZorvelStatusErrorInvalidArgument);
  ZorvelLogSeverity severity = kZorvelLogSeverityDebug;
  ZorvelGetMinLoggerSeverity(ZorvelGetDefaultLogger(), &severity);
  EXPECT_EQ(severity, kZorvelLogSeverityError);
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
}

}  // namespace
