#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

#include <algorithm>
#include <memory>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/runtime/properties.hpp"
#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

Expected<IntelOpenVinoOptionsPtr> Options(const std::string& toml) {
  auto created = intel_openvino::IntelOpenVinoOptions::Create(toml);
  EXPECT_TRUE(created.HasValue()) << toml;
  return IntelOpenVinoOptionsPtr(std::move(created).Value());
}

Expected<IntelOpenVinoOptionsPtr> NoOptions() {
  return MakeError(kZorvelStatusErrorInvalidArgument, "Null Intel OpenVINO options");
}

// Builds the config while capturing the log.
CompileConfig Make(const Expected<IntelOpenVinoOptionsPtr>& options, int32_t graph,
                   std::string* log) {
  ::testing::internal::CaptureStderr();
  Expected<CompileConfig> config = MakeCompileConfig(options, graph);
  *log = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(config.HasValue());
  return std::move(config).Value();
}

int Lines(const std::string& log) {
  return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
}

ov::hint::PerformanceMode Hint(const CompileConfig& config) {
  return config.properties.at("PERFORMANCE_HINT").as<ov::hint::PerformanceMode>();
}

TEST(MakeCompileConfig, DefaultsWithoutOptions) {
  std::string log;
  const CompileConfig config = Make(NoOptions(), 0, &log);
  EXPECT_EQ(config.device, "NPU");
  ASSERT_EQ(config.properties.size(), 1u);
  EXPECT_EQ(Hint(config), ov::hint::PerformanceMode::LATENCY);
  EXPECT_FALSE(config.optimize_fq_after_matmul);
  EXPECT_FALSE(config.fuse_split_attention_to_sdpa);
  EXPECT_FALSE(config.enable_hfa);
  EXPECT_FALSE(config.enable_moe_gather);
  EXPECT_FALSE(config.unfold_gqa_sequence_fold);
  EXPECT_FALSE(config.split_shared_constants);
  EXPECT_TRUE(config.sdpa_pad_kv_to_alignment);
  EXPECT_EQ(Lines(log), 1);
  EXPECT_THAT(log, HasSubstr("INFO: [openvino_compile_context.cc:"));
  EXPECT_THAT(log, HasSubstr("] Using default configuration (LATENCY mode)\n"));
}

TEST(MakeCompileConfig, BackendToDevice) {
  const auto options = Options(
      "graph.0.graph_backend = 0\ngraph.1.graph_backend = 1\ngraph.2.graph_backend = 2\n"
      "graph.3.graph_backend = 3\ngraph.4.graph_backend = 7\n");
  const char* expected[] = {"CPU", "GPU", "NPU", "NPU", "NPU"};
  for (int32_t g = 0; g < 5; ++g) {
    std::string log;
    const CompileConfig config = Make(options, g, &log);
    EXPECT_EQ(config.device, expected[g]) << g;
    EXPECT_THAT(log, HasSubstr("] Graph " + std::to_string(g) + ": graph_backend -> " +
                               std::to_string(g == 4 ? 7 : g) + "\n"));
    EXPECT_THAT(log, HasSubstr(std::string("] Using Intel OpenVINO device: ") + expected[g]));
    EXPECT_THAT(log, HasSubstr("] Performance mode: LATENCY\n"));
  }
  // No backend for graph 5 and none global: NPU, no backend line.
  std::string log;
  EXPECT_EQ(Make(options, 5, &log).device, "NPU");
  EXPECT_THAT(log, Not(HasSubstr("graph_backend")));
  // A negative graph index takes NPU without asking.
  EXPECT_EQ(Make(Options("graph.-1.graph_backend = 0\n"), -1, &log).device, "NPU");
  EXPECT_EQ(Make(Options("graph.-1.graph_backend = 0\n"), 3, &log).device, "CPU");
}

TEST(MakeCompileConfig, SwitchesGlobalThenPerGraph) {
  const auto options = Options(
      "configs_map.enable_hfa = \"true\"\n"
      "configs_map.sdpa_pad_kv_to_alignment = \"TRUE\"\n"
      "configs_map.enable_moe_gather = \"1\"\n"
      "configs_map.split_shared_constants = \"true\"\n"
      "graph.2.configs_map.enable_hfa = \"false\"\n");
  std::string log;
  const CompileConfig p0 = Make(options, 0, &log);
  EXPECT_TRUE(p0.enable_hfa);
  EXPECT_FALSE(p0.sdpa_pad_kv_to_alignment);
  EXPECT_FALSE(p0.enable_moe_gather);
  EXPECT_TRUE(p0.split_shared_constants);
  EXPECT_THAT(log, HasSubstr("] Custom config: enable_hfa = true\n"));
  EXPECT_THAT(log, HasSubstr("] Custom config: sdpa_pad_kv_to_alignment = TRUE\n"));
  EXPECT_THAT(log, HasSubstr("] Custom config: enable_moe_gather = 1\n"));
  // Switches never become properties.
  EXPECT_EQ(p0.properties.size(), 1u);

  const CompileConfig p2 = Make(options, 2, &log);
  EXPECT_FALSE(p2.enable_hfa);
  // The per-graph switch logs nothing of its own.
  EXPECT_THAT(log, Not(HasSubstr("Graph 2 custom config")));
}

TEST(MakeCompileConfig, UnknownKeysBecomeTextProperties) {
  const auto options = Options(
      "configs_map.NPU_TILES = \"2\"\n"
      "graph.1.configs_map.NPU_TILES = \"4\"\n"
      "configs_map. = \"ignored\"\n");
  std::string log;
  const CompileConfig p0 = Make(options, 0, &log);
  EXPECT_EQ(p0.properties.at("NPU_TILES").as<std::string>(), "2");
  EXPECT_THAT(log, HasSubstr("] Custom config: NPU_TILES = 2\n"));
  EXPECT_EQ(p0.properties.count(""), 0u);
  const CompileConfig p1 = Make(options, 1, &log);
  EXPECT_EQ(p1.properties.at("NPU_TILES").as<std::string>(), "4");
  EXPECT_THAT(log, HasSubstr("] Graph 1 custom config: NPU_TILES = 4\n"));
}

TEST(MakeCompileConfig, PerformanceModeAndCustomHint) {
  std::string log;
  CompileConfig config = Make(Options("performance_mode = 1\n"), 0, &log);
  EXPECT_EQ(Hint(config), ov::hint::PerformanceMode::THROUGHPUT);
  EXPECT_THAT(log, HasSubstr("] Performance mode: THROUGHPUT\n"));
  config = Make(Options("performance_mode = 2\n"), 0, &log);
  EXPECT_EQ(Hint(config), ov::hint::PerformanceMode::CUMULATIVE_THROUGHPUT);
  EXPECT_THAT(log, HasSubstr("] Performance mode: CUMULATIVE_THROUGHPUT\n"));
  // Out of range: the default hint stays and no mode line is written.
  config = Make(Options("performance_mode = 5\n"), 0, &log);
  EXPECT_EQ(Hint(config), ov::hint::PerformanceMode::LATENCY);
  EXPECT_THAT(log, Not(HasSubstr("Performance mode")));
  // A custom hint stands as text.
  config =
      Make(Options("performance_mode = 1\nconfigs_map.PERFORMANCE_HINT = \"LATENCY\"\n"), 0, &log);
  EXPECT_EQ(config.properties.at("PERFORMANCE_HINT").as<std::string>(), "LATENCY");
  EXPECT_THAT(log, Not(HasSubstr("Performance mode")));
  // A per-graph hint comes after the mode and overrides it.
  config = Make(Options("performance_mode = 1\ngraph.0.configs_map.PERFORMANCE_HINT = \"X\"\n"), 0,
                &log);
  EXPECT_EQ(config.properties.at("PERFORMANCE_HINT").as<std::string>(), "X");
}

TEST(ApplySocModel, NpuGetsThePlatform) {
  CompileConfig config;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(config.ApplySocModel("PTL"), kZorvelStatusOk);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(config.properties.at("NPU_PLATFORM").as<std::string>(), "NPU5010");
  EXPECT_EQ(config.ApplySocModel("WCL"), kZorvelStatusOk);
  EXPECT_EQ(config.properties.at("NPU_PLATFORM").as<std::string>(), "NPU5020");
  EXPECT_EQ(config.ApplySocModel("LNL"), kZorvelStatusOk);
  EXPECT_EQ(config.properties.at("NPU_PLATFORM").as<std::string>(), "NPU4000");
}

TEST(ApplySocModel, UnknownOrNullNames) {
  for (const char* name : {"lnl", "LNL ", ""}) {
    CompileConfig config;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(config.ApplySocModel(name), kZorvelStatusErrorInvalidArgument) << name;
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(config.properties.count("NPU_PLATFORM"), 0u);
    EXPECT_THAT(log, HasSubstr("ERROR: [openvino_soc_config.cc:"));
    EXPECT_THAT(log, HasSubstr(std::string("] Unrecognized SoC model: ") + name + "\n"));
    EXPECT_EQ(Lines(log), 1);
  }
  CompileConfig config;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(config.ApplySocModel(nullptr), kZorvelStatusOk);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(log, HasSubstr("INFO: [openvino_soc_config.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] Soc model is null, Compile will proceed with default NPU compile.\n"));
  EXPECT_EQ(config.properties.count("NPU_PLATFORM"), 0u);

  CompileConfig gpu;
  gpu.device = "GPU";
  EXPECT_EQ(gpu.ApplySocModel("nonsense"), kZorvelStatusOk);
  EXPECT_EQ(gpu.properties.count("NPU_PLATFORM"), 0u);
}

}  // namespace
}  // namespace zorvel::openvino
