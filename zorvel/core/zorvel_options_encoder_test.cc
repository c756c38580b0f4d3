#include "zorvel/core/zorvel_options_encoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "logging/zorvel_logging.h"

namespace zorvel {
namespace {

using ::testing::MatchesRegex;

class EncoderTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  // With ERROR reports suppressed an error carries its raw message, which keeps the comparisons
  // below exact.
  static void Silence() {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
  }
};

TEST_F(EncoderTest, EachEncoderAppendsOneLine) {
  std::string out = "# header\n";
  ASSERT_TRUE(AppendIntOption(out, "performance_mode", 2));
  ASSERT_TRUE(AppendBoolOption(out, "enable_weight_sharing", false));
  ASSERT_TRUE(AppendBoolOption(out, "flag", true));
  ASSERT_TRUE(AppendStringOption(out, "configs_map.X", "a b"));
  ASSERT_TRUE(AppendIntOption(out, "n", -7));
  ASSERT_TRUE(AppendIntOption(out, "min", std::numeric_limits<int64_t>::min()));
  ASSERT_TRUE(AppendStringOption(out, "empty", ""));
  EXPECT_EQ(out,
            "# header\n"
            "performance_mode = 2\n"
            "enable_weight_sharing = false\n"
            "flag = true\n"
            "configs_map.X = \"a b\"\n"
            "n = -7\n"
            "min = -9223372036854775808\n"
            "empty = \"\"\n");
}

TEST_F(EncoderTest, KeysAreValidatedByEveryEncoder) {
  Silence();
  for (const std::string key : {"a b", "a\tb", "a\nb", "a\rb", "a#b", "a=b", " lead", "trail="}) {
    std::string out = "kept\n";
    const Expected<void> as_int = AppendIntOption(out, key, 1);
    const Expected<void> as_bool = AppendBoolOption(out, key, true);
    const Expected<void> as_string = AppendStringOption(out, key, "v");
    for (const Expected<void>* result : {&as_int, &as_bool, &as_string}) {
      ASSERT_FALSE(*result) << key;
      EXPECT_EQ(result->Status(), kZorvelStatusErrorInvalidArgument);
      EXPECT_EQ(result->GetError().Message(),
                "Option key contains an unsupported character: " + key);
    }
    EXPECT_EQ(out, "kept\n");
  }

  std::string out;
  const Expected<void> empty = AppendStringOption(out, "", "v");
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(empty.GetError().Message(), "Option key must not be empty.");
  EXPECT_FALSE(AppendIntOption(out, "", 1));
  EXPECT_FALSE(AppendBoolOption(out, "", true));
  EXPECT_EQ(out, "");
}

TEST_F(EncoderTest, StringValuesRejectQuotesAndLineBreaks) {
  Silence();
  for (const std::string value : {"say \"hi\"", "two\nlines", "cr\r", "\""}) {
    std::string out = "kept\n";
    const Expected<void> result = AppendStringOption(out, "configs_map.K", value);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_EQ(result.GetError().Message(),
              "Value of option 'configs_map.K' contains an unsupported character (\", newline or "
              "carriage return).");
    EXPECT_EQ(out, "kept\n");
  }
  // The key is checked first.
  std::string out;
  const Expected<void> both = AppendStringOption(out, "bad key", "\"");
  ASSERT_FALSE(both);
  EXPECT_EQ(both.GetError().Message(), "Option key contains an unsupported character: bad key");

  // Characters without meaning to the parser pass unchanged.
  ASSERT_TRUE(AppendStringOption(out, "k", "'quoted' # = \t tab"));
  EXPECT_EQ(out, "k = \"'quoted' # = \t tab\"\n");
}

TEST_F(EncoderTest, ErrorsCarryTheEncoderSourceContextAndLogNothing) {
  std::string out;
  testing::internal::CaptureStderr();
  const Expected<void> result = AppendIntOption(out, "", 1);
  const std::string logged = testing::internal::GetCapturedStderr();
  ASSERT_FALSE(result);
  EXPECT_EQ(logged, "");
  EXPECT_THAT(result.GetError().Message(),
              MatchesRegex("ERROR: \\[.*zorvel/core/zorvel_options_encoder\\.cc:[0-9]+\\]\n"
                           "\xe2\x94\x94 Option key must not be empty\\."));
}

}  // namespace
}  // namespace zorvel
