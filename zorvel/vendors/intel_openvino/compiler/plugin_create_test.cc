// Plug-in creation seen from inside: what the plug-in object holds for the options it was given.
#include <string>

#include "gtest/gtest.h"
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
  // A host failing the vendor-options entries is no different.
  HostOptions good;
  good.SetOpaque("intel_openvino", "performance_mode = 1\n");
  api_.FailEntry(35, 42);
  ZorvelCompilerPlugin plugin = Create(api_.Handle(good));
  EXPECT_FALSE(plugin->intel_openvino_options.HasValue());
  table_.destroy_plugin(plugin);
  api_.ClearFailures();
  api_.RemoveEntry(34);
  plugin = Create(api_.Handle(good));
  EXPECT_FALSE(plugin->intel_openvino_options.HasValue());
  table_.destroy_plugin(plugin);
}

}  // namespace
