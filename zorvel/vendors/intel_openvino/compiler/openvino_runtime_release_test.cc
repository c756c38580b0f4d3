// The runtime release check: build numbers read as releases, the options each release declares,
// and compiles on a runtime that reports an older release (ovref's OVREF_REPORTED_VERSION),
// refused before the device sees an option it does not know.
#include "zorvel/vendors/intel_openvino/compiler/openvino_runtime_release.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "zorvel/host/attention_block.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/moe_block.h"
#include "zorvel/host/shared_weights.h"
#include "zorvel/vendors/intel_openvino/compiler/plugin_test_util.h"

namespace zorvel::openvino {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char k2025Build[] = "2025.3.0-19807-44526285f24-releases/2025/3";

TEST(OpenVinoRelease, BuildNumbersStartWithTheRelease) {
  const auto release = ParseOpenVinoRelease(k2025Build);
  ASSERT_TRUE(release.has_value());
  EXPECT_EQ(release->major, 2025);
  EXPECT_EQ(release->minor, 3);
  EXPECT_EQ(release->patch, 0);
  const auto short_form = ParseOpenVinoRelease("2026.1");
  ASSERT_TRUE(short_form.has_value());
  EXPECT_EQ(ReleaseText(*short_form), "2026.1");
  const auto with_patch = ParseOpenVinoRelease("2026.0.2 custom");
  ASSERT_TRUE(with_patch.has_value());
  EXPECT_EQ(ReleaseText(*with_patch), "2026.0.2");
  for (const char* unnamed : {"", "custom_build", "2026", "2026.", "2026.x", "v2026.0.0",
                              "2026.0.0.1", "2026.0rc1", "1234567.0.0"}) {
    EXPECT_FALSE(ParseOpenVinoRelease(unnamed).has_value()) << unnamed;
  }
  EXPECT_TRUE(*ParseOpenVinoRelease("2025.9.9") < MinimumOpenVinoRelease());
  EXPECT_FALSE(*ParseOpenVinoRelease("2026.0.0") < MinimumOpenVinoRelease());
  EXPECT_EQ(ReleaseText(MinimumOpenVinoRelease()), "2026.0");
}

class RuntimeReleaseCheckTest : public ::testing::Test {
 protected:
  ZorvelStatus Check(const std::string& device, const char* build) {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
    ::testing::internal::CaptureStderr();
    const ZorvelStatus status = CheckRuntimeRelease(device, properties_, 3, build);
    log_ = ::testing::internal::GetCapturedStderr();
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
    return status;
  }
  ov::AnyMap properties_ = {{"NPU_USE_NPUW", std::string("YES")},
                            {"NPUW_DEVICES", std::string("NPU")},
                            {"NPUW_FOLD", std::string("YES")}};
  std::string log_;
};

// The multi-token MoE partition's options: one ERROR line names each option that 2025 lacks and
// the release it needs; the options older releases have are not named.
TEST_F(RuntimeReleaseCheckTest, OptionsOlderRuntimesLackAreNamedInOneErrorLine) {
  properties_["NPUW_ONLINE_ISOLATE"] = std::string("ATTN,MOE");
  properties_["NPUW_MOE_TOKEN_CHUNK_SIZE"] = std::string("0");
  properties_["NPUW_ATTN"] = std::string("HFA");
  EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusErrorUnsupported);
  EXPECT_THAT(log_, StartsWith("ERROR: [openvino_runtime_release.cc:"));
  EXPECT_THAT(
      log_,
      EndsWith(std::string("] Partition 3 needs a newer OpenVINO runtime than ") + k2025Build +
               ": NPUW_MOE_TOKEN_CHUNK_SIZE (NPUW MoE token chunking) needs OpenVINO "
               "2026.0 or newer; NPUW_ATTN=HFA (NPUW HFA attention) needs OpenVINO 2026.0 "
               "or newer; NPUW_ONLINE_ISOLATE=ATTN,MOE (NPUW ATTN/MOE isolation presets) "
               "needs OpenVINO 2026.0 or newer\n"));
  EXPECT_EQ(std::count(log_.begin(), log_.end(), '\n'), 1);
  EXPECT_THAT(log_, Not(HasSubstr("NPUW_FOLD ")));

  EXPECT_EQ(Check("NPU", "2026.0.0-20000-abcdef-releases/2026/0"), kZorvelStatusOk);
  EXPECT_EQ(log_, "");
  EXPECT_EQ(Check("NPU", "2026.1"), kZorvelStatusOk);
}

TEST_F(RuntimeReleaseCheckTest, ValuesOlderRuntimesKnowPass) {
  properties_["NPUW_ATTN"] = std::string("PYRAMID");
  properties_["NPUW_ONLINE_ISOLATE"] = std::string("COMPUTE");
  properties_["NPUW_ONLINE_PIPELINE"] = std::string("REP");
  EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusOk);
  EXPECT_EQ(log_, "");
  properties_["NPUW_ONLINE_ISOLATE"] = std::string("COMPUTE, MOE");
  EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusErrorUnsupported);
  EXPECT_THAT(log_, HasSubstr(": NPUW_ONLINE_ISOLATE=COMPUTE, MOE (NPUW ATTN/MOE isolation "
                              "presets) needs OpenVINO 2026.0 or newer\n"));
  // A user's fold-only tags need the release whatever they say.
  properties_["NPUW_ONLINE_ISOLATE"] = std::string("COMPUTE");
  properties_["NPUW_FOLD_ONLY"] = std::string("attn");
  EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusErrorUnsupported);
  EXPECT_THAT(log_, HasSubstr(": NPUW_FOLD_ONLY (NPUW fold-only tags) needs OpenVINO 2026.0"));
}

// NPUW options mean something only on an NPU compile routed through NPUW; a build number that
// names no release cannot be compared and is let through with a DEBUG line.
TEST_F(RuntimeReleaseCheckTest, OnlyNpuwCompilesOnARecognisedReleaseAreChecked) {
  properties_["NPUW_MOE_TOKEN_CHUNK_SIZE"] = std::string("0");
  EXPECT_EQ(Check("GPU", k2025Build), kZorvelStatusOk);
  EXPECT_EQ(Check("CPU", k2025Build), kZorvelStatusOk);
  EXPECT_EQ(log_, "");
  for (ov::Any off : {ov::Any(std::string("NO")), ov::Any(false), ov::Any(std::string("maybe"))}) {
    properties_["NPU_USE_NPUW"] = off;
    EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusOk);
  }
  for (ov::Any on : {ov::Any(std::string("true")), ov::Any(true), ov::Any(std::string("On")),
                     ov::Any(std::string("1"))}) {
    properties_["NPU_USE_NPUW"] = on;
    EXPECT_EQ(Check("NPU", k2025Build), kZorvelStatusErrorUnsupported);
  }
  EXPECT_EQ(Check("NPU", "custom_master_build"), kZorvelStatusOk);
  EXPECT_THAT(log_, Not(HasSubstr("ERROR")));
  EXPECT_THAT(log_, HasSubstr("] Runtime build number 'custom_master_build' names no release; "
                              "the options of partition 3 are not checked against it\n"));
  EXPECT_EQ(Check("NPU", nullptr), kZorvelStatusOk);
}

// Compiles through the loaded plug-in with OVREF_REPORTED_VERSION set to `build` (unset when
// null) for the duration of the call.
class OlderRuntimeCompileTest : public ::zorvel::testing::PluginCompileTest {
 protected:
  void TearDown() override {
    unsetenv("OVREF_REPORTED_VERSION");
    PluginCompileTest::TearDown();
  }
  ZorvelStatus CompileOn(const char* build) {
    if (build != nullptr) {
      setenv("OVREF_REPORTED_VERSION", build, 1);
    } else {
      unsetenv("OVREF_REPORTED_VERSION");
    }
    const ZorvelStatus status = CompileModel("LNL");
    unsetenv("OVREF_REPORTED_VERSION");
    return status;
  }
};

// A single-token and a multi-token MoE step over the same weights: only the multi-token
// partition needs NPUW's MoE chunking, so the call is refused at partition 1.
TEST_F(OlderRuntimeCompileTest, MultiTokenMoEPartitionIsRefusedOn2025) {
  CreatePlugin("configs_map.enable_moe_gather = \"true\"\n");
  host::SharedWeights shared;
  host::MoEBlockOptions options;
  options.shared_weights = &shared;
  host::AddMoESubgraph(model_, options);
  options.tokens = 4;
  host::AddMoESubgraph(model_, options);

  ASSERT_EQ(CompileOn(k2025Build), kZorvelStatusErrorUnsupported) << log_;
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("ERROR: "), 1u) << log_;
  EXPECT_EQ(Count(std::string("] Partition 1 needs a newer OpenVINO runtime than ") + k2025Build +
                  ": NPUW_MOE_TOKEN_CHUNK_SIZE (NPUW MoE token chunking) needs OpenVINO 2026.0 "
                  "or newer; NPUW_ONLINE_ISOLATE=ATTN,MOE (NPUW ATTN/MOE isolation presets) "
                  "needs OpenVINO 2026.0 or newer\n"),
            1u)
      << log_;
  EXPECT_EQ(Count("Compiling partition 0 "), 1u) << log_;
  EXPECT_EQ(Count("Compiling partition 1 "), 0u) << log_;
  EXPECT_EQ(Count("Exception"), 0u) << log_;

  Release();
  CreatePlugin("configs_map.enable_moe_gather = \"true\"\n");
  ASSERT_EQ(CompileOn("2026.0.0-20000-abcdef-releases/2026/0"), kZorvelStatusOk) << log_;
  EXPECT_EQ(NumModules(), 1u);
  EXPECT_EQ(Count("needs a newer OpenVINO runtime"), 0u);
}

// Two HFA partitions over the same attention weights: HFA attention and the ATTN isolation
// preset are refused on 2025; the ovref default (2026.0) compiles them.
TEST_F(OlderRuntimeCompileTest, HfaPartitionIsRefusedOn2025) {
  CreatePlugin("configs_map.enable_hfa = \"true\"\n");
  host::SharedWeights shared;
  host::AttentionBlockOptions options;
  options.cache_length = 10;
  options.new_tokens = 4;
  options.shared_weights = &shared;
  host::AddSplitAttentionBlock(model_.AddSubgraph(), options);
  host::AddSplitAttentionBlock(model_.AddSubgraph(), options);

  ASSERT_EQ(CompileOn(k2025Build), kZorvelStatusErrorUnsupported) << log_;
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("ERROR: "), 1u) << log_;
  EXPECT_EQ(Count(std::string("] Partition 0 needs a newer OpenVINO runtime than ") + k2025Build +
                  ": NPUW_ATTN=HFA (NPUW HFA attention) needs OpenVINO 2026.0 or newer; "
                  "NPUW_ONLINE_ISOLATE=ATTN (NPUW ATTN/MOE isolation presets) needs OpenVINO "
                  "2026.0 or newer\n"),
            1u)
      << log_;
  EXPECT_EQ(Count("Compiling partition"), 0u) << log_;

  Release();
  CreatePlugin("configs_map.enable_hfa = \"true\"\n");
  ASSERT_EQ(CompileOn(nullptr), kZorvelStatusOk) << log_;
  EXPECT_EQ(Count("ERROR"), 0u) << log_;
}

}  // namespace
}  // namespace zorvel::openvino
