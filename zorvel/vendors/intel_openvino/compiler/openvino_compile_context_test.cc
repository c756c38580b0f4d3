#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/runtime/core.hpp"
#include "openvino/runtime/properties.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_soc_config.h"

namespace zorvel::openvino {
namespace {

using ::testing::ElementsAre;
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

// Runs the NPU weight-sharing step on `config` while capturing the log.
ZorvelStatus ApplySharing(CompileConfig& config, const std::string& bank, bool multi_token,
                          uint64_t hfa_count, std::string* log) {
  NpuOptimizerResult optimized;
  optimized.moe_multi_token = multi_token;
  optimized.hfa_decomposed_count = hfa_count;
  ::testing::internal::CaptureStderr();
  const ZorvelStatus status = config.ApplyNpuWeightSharing(bank, optimized);
  *log = ::testing::internal::GetCapturedStderr();
  return status;
}

std::string Text(const CompileConfig& config, const std::string& key) {
  const auto it = config.properties.find(key);
  if (it == config.properties.end()) return "<absent>";
  EXPECT_TRUE(it->second.is<std::string>()) << key;
  return it->second.as<std::string>();
}

// The properties beyond the performance hint, as key=value in key order.
std::vector<std::string> Added(const CompileConfig& config) {
  std::vector<std::string> added;
  for (const auto& [key, value] : config.properties) {
    if (key != "PERFORMANCE_HINT") added.push_back(key + "=" + value.as<std::string>());
  }
  return added;
}

TEST(ApplyNpuWeightSharing, SingleTokenWithoutHfa) {
  CompileConfig config;
  std::string log;
  EXPECT_EQ(ApplySharing(config, "zorvel_npuw_00000000000000ab", false, 0, &log), kZorvelStatusOk);
  EXPECT_THAT(Added(config),
              ElementsAre("NPUW_CWAI=YES", "NPUW_DEVICES=NPU", "NPUW_FUNCALL_FOR_ALL=YES",
                          "NPUW_ONLINE_PIPELINE=NONE",
                          "NPUW_WEIGHTS_BANK=zorvel_npuw_00000000000000ab", "NPU_USE_NPUW=YES"));
  EXPECT_THAT(log, HasSubstr("INFO: [openvino_compile_context.cc:"));
  EXPECT_THAT(log, HasSubstr("] NPU weight sharing: enabled NPUW weightless compile knobs "
                             "(single-token chunk pipeline, bank "
                             "'zorvel_npuw_00000000000000ab')\n"));
  EXPECT_EQ(Lines(log), 1);
}

TEST(ApplyNpuWeightSharing, MultiTokenMoe) {
  CompileConfig config;
  std::string log;
  EXPECT_EQ(ApplySharing(config, "bank", true, 0, &log), kZorvelStatusOk);
  EXPECT_THAT(Added(config),
              ElementsAre("NPUW_DEVICES=NPU", "NPUW_FOLD=YES", "NPUW_FUNCALL_FOR_ALL=YES",
                          "NPUW_MOE_TOKEN_CHUNK_SIZE=0", "NPUW_ONLINE_ISOLATE=ATTN,MOE",
                          "NPUW_ONLINE_KEEP_BLOCKS=3", "NPUW_ONLINE_KEEP_BLOCK_SIZE=4",
                          "NPUW_ONLINE_PIPELINE=REP", "NPUW_UNFOLD_IREQS=NO",
                          "NPUW_WEIGHTS_BANK=bank", "NPU_USE_NPUW=YES"));
  EXPECT_THAT(log, HasSubstr("(multi-token chunk pipeline, bank 'bank')\n"));
  EXPECT_EQ(Lines(log), 1);
}

TEST(ApplyNpuWeightSharing, HfaWithoutMoe) {
  CompileConfig config;
  config.enable_hfa = true;
  std::string log;
  EXPECT_EQ(ApplySharing(config, "bank", false, 2, &log), kZorvelStatusOk);
  EXPECT_THAT(
      Added(config),
      ElementsAre("NPUW_ATTN=HFA", "NPUW_DEVICES=NPU", "NPUW_FOLD=YES", "NPUW_FUNCALL_FOR_ALL=YES",
                  "NPUW_ONLINE_ISOLATE=ATTN", "NPUW_ONLINE_KEEP_BLOCKS=3",
                  "NPUW_ONLINE_KEEP_BLOCK_SIZE=4", "NPUW_ONLINE_PIPELINE=REP",
                  "NPUW_UNFOLD_IREQS=NO", "NPUW_WEIGHTS_BANK=bank", "NPU_USE_NPUW=YES"));
  const size_t knobs = log.find(
      "] NPU weight sharing: enabled NPUW weightless compile knobs (single-token chunk pipeline, "
      "bank 'bank', HFA-decomposed attention)\n");
  const size_t attn = log.find("] enable_hfa: NPUW_ATTN=HFA (2 SDPA op(s) decomposed for it)\n");
  ASSERT_NE(knobs, std::string::npos) << log;
  ASSERT_NE(attn, std::string::npos) << log;
  EXPECT_LT(knobs, attn);
  EXPECT_EQ(Lines(log), 2);
}

// Custom configuration is never replaced; the HFA warnings name what stands in its way.
TEST(ApplyNpuWeightSharing, CustomEntriesStandAndWarn) {
  std::string log;
  CompileConfig config =
      Make(Options("configs_map.NPUW_ONLINE_PIPELINE = \"NONE\"\nconfigs_map.enable_hfa = "
                   "\"true\"\nconfigs_map.NPUW_WEIGHTS_BANK = \"mine\"\n"),
           0, &log);
  EXPECT_EQ(ApplySharing(config, "bank", false, 1, &log), kZorvelStatusOk);
  EXPECT_EQ(Text(config, "NPUW_ONLINE_PIPELINE"), "NONE");
  EXPECT_EQ(Text(config, "NPUW_WEIGHTS_BANK"), "mine");
  EXPECT_EQ(Text(config, "NPUW_ATTN"), "HFA");
  EXPECT_THAT(log, HasSubstr("bank 'mine', HFA-decomposed attention)\n"));
  EXPECT_THAT(log, HasSubstr("WARNING: [openvino_compile_context.cc:"));
  EXPECT_THAT(log, HasSubstr("] enable_hfa: NPUW_ONLINE_PIPELINE=NONE overrides REP, so NPUW will "
                             "not attach HFA\n"));
  EXPECT_EQ(Lines(log), 3);

  // A user's NPUW_ATTN=HFA is kept and not reported as set by the plug-in.
  config = Make(Options("configs_map.NPUW_ATTN = \"HFA\"\n"), 0, &log);
  EXPECT_FALSE(config.enable_hfa);
  EXPECT_EQ(ApplySharing(config, "bank", false, 0, &log), kZorvelStatusOk);
  EXPECT_EQ(Text(config, "NPUW_ATTN"), "HFA");
  EXPECT_THAT(log, HasSubstr("WARNING: [openvino_compile_context.cc:"));
  EXPECT_THAT(log, HasSubstr("] NPUW_ATTN=HFA without enable_hfa=true: attention stays fused, so "
                             "NPUW will not attach HFA\n"));
  EXPECT_THAT(log, Not(HasSubstr("SDPA op(s)")));
  EXPECT_EQ(Lines(log), 2);

  // With enable_hfa on and the user's value in place, neither warning applies.
  config = Make(Options("configs_map.NPUW_ATTN = \"HFA\"\nconfigs_map.enable_hfa = \"true\"\n"), 0,
                &log);
  EXPECT_EQ(ApplySharing(config, "bank", false, 3, &log), kZorvelStatusOk);
  EXPECT_THAT(log, Not(HasSubstr("WARNING")));
  EXPECT_THAT(log, Not(HasSubstr("SDPA op(s)")));
}

TEST(ApplyNpuWeightSharing, ConsistencyCheck) {
  const std::string no_cut = "configs_map.NPUW_CWAI = \"NO\"\nconfigs_map.NPUW_FOLD = \"NO\"\n";
  const struct {
    std::string extra;
    ZorvelStatus status;
  } cases[] = {
      {"", kZorvelStatusErrorInvalidArgument},
      {"configs_map.NPUW_FOLD_ONLY = \"\"\n", kZorvelStatusErrorInvalidArgument},
      {"configs_map.NPUW_FOLD_ONLY = \"   \"\n", kZorvelStatusErrorInvalidArgument},
      {"configs_map.NPUW_FOLD_ONLY = \" attn \"\n", kZorvelStatusOk},
      {"configs_map.NPUW_FOLD_ONLY = \"x\"\n", kZorvelStatusOk},
      // Without NPUW the cut-out rule does not apply.
      {"configs_map.NPU_USE_NPUW = \"NO\"\n", kZorvelStatusOk},
  };
  for (const auto& c : cases) {
    std::string log;
    CompileConfig config = Make(Options(no_cut + c.extra), 0, &log);
    EXPECT_EQ(ApplySharing(config, "bank", false, 4, &log), c.status) << c.extra;
    if (c.status == kZorvelStatusOk) {
      EXPECT_THAT(log, Not(HasSubstr("ERROR"))) << c.extra;
      continue;
    }
    EXPECT_THAT(log, HasSubstr("ERROR: [openvino_compile_context.cc:"));
    EXPECT_THAT(log, HasSubstr("] NPU weight sharing requires NPUW_CWAI=YES, NPUW_FOLD=YES, or a "
                               "non-empty NPUW_FOLD_ONLY when NPU_USE_NPUW=YES\n"));
    // Nothing after the check happens: no knobs line, no HFA attention.
    EXPECT_EQ(Lines(log), 1) << log;
    EXPECT_EQ(config.properties.count("NPUW_ATTN"), 0u);
  }
  // Every kind of white space is trimmed, and FOLD_ONLY as something other than text does not
  // count; a lowercase "yes" is not true.
  for (const ov::Any& fold_only : {ov::Any(std::string(" \t\n\r\f\v")), ov::Any(1)}) {
    CompileConfig config;
    config.properties["NPUW_CWAI"] = std::string("yes");
    config.properties["NPUW_FOLD"] = false;
    config.properties["NPUW_FOLD_ONLY"] = fold_only;
    std::string log;
    EXPECT_EQ(ApplySharing(config, "", false, 0, &log), kZorvelStatusErrorInvalidArgument);
  }
}

TEST(ApplyNpuWeightSharing, EmptyBankAndOtherDevices) {
  CompileConfig config;
  std::string log;
  EXPECT_EQ(ApplySharing(config, "", false, 0, &log), kZorvelStatusOk);
  EXPECT_EQ(Text(config, "NPUW_WEIGHTS_BANK"), "shared");
  EXPECT_THAT(log, HasSubstr("bank 'shared')\n"));

  for (const char* device : {"GPU", "CPU", "npu"}) {
    CompileConfig other;
    other.device = device;
    EXPECT_EQ(ApplySharing(other, "bank", true, 3, &log), kZorvelStatusOk);
    EXPECT_EQ(other.properties.size(), 1u) << device;
    EXPECT_EQ(log, "") << device;
  }
}

// The NPU accepts what the step writes, on both chunk pipelines and with HFA attention.
TEST(ApplyNpuWeightSharing, NpuCompilesWithTheProperties) {
  for (const auto& [multi_token, hfa_count] : {std::pair{false, 0}, std::pair{true, 2}}) {
    CompileConfig config;
    config.enable_hfa = hfa_count != 0;
    std::string log;
    ASSERT_EQ(ApplySharing(config, "zorvel_npuw_0123456789abcdef", multi_token, hfa_count, &log),
              kZorvelStatusOk);
    auto x = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, ov::Shape{2});
    auto model = std::make_shared<ov::Model>(
        ov::OutputVector{std::make_shared<ov::op::v0::Relu>(x)}, ov::ParameterVector{x});
    ov::Core core;
    ov::CompiledModel compiled = core.compile_model(model, "NPU", config.properties);
    EXPECT_EQ(compiled.get_property("NPUW_WEIGHTS_BANK").as<std::string>(),
              "zorvel_npuw_0123456789abcdef");
  }
}

TEST(IsTrueProperty, TextAndBooleans) {
  ov::AnyMap properties;
  properties["b_true"] = true;
  properties["b_false"] = false;
  for (const char* text : {"1", "TRUE", "YES"})
    properties[std::string("t_") + text] = std::string(text);
  for (const char* text : {"yes", "true", "Yes", "0", "NO", " YES", ""})
    properties[std::string("f_") + text] = std::string(text);
  properties["number"] = 1;
  for (const auto& [key, value] : properties) {
    EXPECT_EQ(IsTrueProperty(properties, key), key == "b_true" || key.rfind("t_", 0) == 0) << key;
  }
  EXPECT_FALSE(IsTrueProperty(properties, "absent"));
}

}  // namespace
}  // namespace zorvel::openvino
