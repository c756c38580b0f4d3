#include "zorvel/cc/options/zorvel_intel_openvino_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "logging/zorvel_logging.h"

namespace zorvel::intel_openvino {
namespace {

using ::testing::MatchesRegex;
using ::testing::Pair;

class IntelOpenVinoOptionsClassTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  static std::unique_ptr<IntelOpenVinoOptions> Create(absl::string_view toml) {
    Expected<std::unique_ptr<IntelOpenVinoOptions>> created = IntelOpenVinoOptions::Create(toml);
    EXPECT_TRUE(created) << toml;
    return created ? std::move(created).Value() : nullptr;
  }
};

constexpr char kPayload[] =
    "performance_mode = 3\n"
    "enable_weight_sharing = false\n"
    "configs_map.NPU_TURBO = YES\n"
    "configs_map.INFERENCE_PRECISION_HINT = f16\n"
    "graph.-1.graph_backend = 1\n"
    "graph.0.graph_backend = 2\n"
    "graph.1.configs_map.NPU_TILES = 4\n";

TEST_F(IntelOpenVinoOptionsClassTest, AccessorsReadTheRecord) {
  const auto options = Create(kPayload);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->GetPerformanceMode(), 3);
  EXPECT_FALSE(options->GetEnableWeightSharing());
  ASSERT_EQ(options->GetNumConfigsMapEntries(), 2);
  EXPECT_THAT(options->GetConfigsMapEntry(0), Pair("NPU_TURBO", "YES"));
  EXPECT_THAT(options->GetConfigsMapEntry(1), Pair("INFERENCE_PRECISION_HINT", "f16"));
  EXPECT_THAT(options->GetConfigsMapEntry(2), Pair("", ""));
  EXPECT_THAT(options->GetConfigsMapEntry(-1), Pair("", ""));

  ASSERT_TRUE(options->GetGraphBackend(0));
  EXPECT_EQ(*options->GetGraphBackend(0), 2);
  ASSERT_TRUE(options->GetGraphBackend(1));
  EXPECT_EQ(*options->GetGraphBackend(1), 1);

  EXPECT_EQ(options->GetNumGraphConfigsMapEntries(0), 0);
  ASSERT_EQ(options->GetNumGraphConfigsMapEntries(1), 1);
  EXPECT_THAT(options->GetGraphConfigsMapEntry(1, 0), Pair("NPU_TILES", "4"));
  EXPECT_THAT(options->GetGraphConfigsMapEntry(1, 1), Pair("", ""));
  EXPECT_THAT(options->GetGraphConfigsMapEntry(-1, 0), Pair("", ""));
  EXPECT_THAT(options->GetGraphConfigsMapEntry(7, 0), Pair("", ""));
}

TEST_F(IntelOpenVinoOptionsClassTest, MissingBackendIsAnErrorWithItsStatus) {
  const auto options = Create("performance_mode = 1\n");
  ASSERT_NE(options, nullptr);
  const Expected<int32_t> missing = options->GetGraphBackend(0);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Status(), kZorvelStatusErrorMissingHostEntry);
  EXPECT_EQ(missing.GetError().Message(), "No graph backend for graph 0");
  EXPECT_EQ(options->GetGraphBackend(-2).Status(), kZorvelStatusErrorInvalidArgument);
  // Defaults of an empty payload.
  EXPECT_TRUE(options->GetEnableWeightSharing());
  EXPECT_EQ(Create("")->GetPerformanceMode(), 0);
}

TEST_F(IntelOpenVinoOptionsClassTest, MalformedPayloadErrorCarriesEveryContext) {
  testing::internal::CaptureStderr();
  const Expected<std::unique_ptr<IntelOpenVinoOptions>> created =
      IntelOpenVinoOptions::Create("performance_mode = 1\ngraph.x.graph_backend = 1\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_FALSE(created);
  EXPECT_EQ(created.Status(), kZorvelStatusErrorInvalidArgument);
  // Each failure site adds "ERROR: [<path>:<line>]" with the inner message after "\n└ ".
  EXPECT_THAT(created.GetError().Message(),
              MatchesRegex("ERROR: \\[.*zorvel/cc/options/zorvel_intel_openvino_options\\.cc:"
                           "[0-9]+\\]\n\xe2\x94\x94 "
                           "ERROR: \\[.*zorvel/core/zorvel_toml_parser\\.cc:[0-9]+\\]\n"
                           "\xe2\x94\x94 "
                           "ERROR: \\[.*zorvel/c/options/zorvel_intel_openvino_options\\.cc:"
                           "[0-9]+\\]\n\xe2\x94\x94 "
                           "Invalid graph option key: graph\\.x\\.graph_backend"));

  // With ERROR reports suppressed the raw message comes through alone.
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
  const Expected<std::unique_ptr<IntelOpenVinoOptions>> silent =
      IntelOpenVinoOptions::Create("enable_weight_sharing = False");
  ASSERT_FALSE(silent);
  EXPECT_EQ(silent.GetError().Message(),
            "Invalid Intel OpenVINO option: enable_weight_sharing = False\n\xe2\x94\x94 "
            "Invalid boolean value");
}

TEST_F(IntelOpenVinoOptionsClassTest, SerializeThroughTheBaseRebuildsTheSameOptions) {
  const auto options = Create(kPayload);
  ASSERT_NE(options, nullptr);
  const ConcreteOptionsBase& base = *options;
  const char* identifier = nullptr;
  void* payload = nullptr;
  ConcreteOptionsBase::PayloadRelease release = nullptr;
  ASSERT_EQ(base.Serialize(&identifier, &payload, &release), kZorvelStatusOk);
  EXPECT_STREQ(identifier, "intel_openvino");
  const std::string text(static_cast<const char*>(payload));
  release(payload);
  const auto again = Create(text);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->data(), options->data());
}

TEST_F(IntelOpenVinoOptionsClassTest, CountOfANegativeGraphIsAFatalCheck) {
  const auto options = Create("");
  ASSERT_NE(options, nullptr);
  EXPECT_DEATH(options->GetNumGraphConfigsMapEntries(-1),
               "Zorvel check failed: \\(status\\) == \\(expected\\) at .*"
               "zorvel_intel_openvino_options\\.cc:[0-9]+");
}

}  // namespace
}  // namespace zorvel::intel_openvino
