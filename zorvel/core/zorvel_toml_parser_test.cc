#include "zorvel/core/zorvel_toml_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "logging/zorvel_logging.h"

namespace zorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Pair;
using Assignments = std::vector<std::pair<std::string, std::string>>;

class TomlParserTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  static void Silence() {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
  }

  // Every assignment the parser hands over, in order.
  static Assignments Collect(absl::string_view payload) {
    Assignments seen;
    const Expected<void> result =
        ParseTomlOptions(payload, [&](absl::string_view key, absl::string_view value) {
          seen.emplace_back(std::string(key), std::string(value));
          return kZorvelStatusOk;
        });
    EXPECT_TRUE(result);
    return seen;
  }
};

TEST_F(TomlParserTest, TrimsKeysAndValuesAndStripsMatchingQuotes) {
  EXPECT_THAT(Collect("  key  =   \"  spaced value \"  \n"),
              ElementsAre(Pair("key", "  spaced value ")));
  EXPECT_THAT(Collect("k = 'single'"), ElementsAre(Pair("k", "single")));
  EXPECT_THAT(Collect("k = \"mixed'"), ElementsAre(Pair("k", "\"mixed'")));
  EXPECT_THAT(Collect("k = \"inner \"quotes\" stay\""),
              ElementsAre(Pair("k", "inner \"quotes\" stay")));
  // A lone quote is too short to be a pair; two quotes make an empty value.
  EXPECT_THAT(Collect("a = \"\nb = \"\"\nc = ''\nd ="),
              ElementsAre(Pair("a", "\""), Pair("b", ""), Pair("c", ""), Pair("d", "")));
  // Only the outermost pair goes, and only once.
  EXPECT_THAT(Collect("k = \"'x'\""), ElementsAre(Pair("k", "'x'")));
  // Tabs and carriage returns trim too; other control characters are content.
  EXPECT_THAT(Collect("\tk\t=\tv\r\n\x0bz = y\x0b"),
              ElementsAre(Pair("k", "v"), Pair("\x0bz", "y\x0b")));
}

TEST_F(TomlParserTest, SkipsBlankCommentSectionAndBareLines) {
  EXPECT_THAT(Collect(""), IsEmpty());
  EXPECT_THAT(Collect("\n\n   \n\t\r\n"), IsEmpty());
  EXPECT_THAT(Collect("# comment = 1\n   # indented = 2\n[section]\nbare words\n"), IsEmpty());
  EXPECT_THAT(Collect("[table]\nx = 1\n# y = 2\nz = 3"),
              ElementsAre(Pair("x", "1"), Pair("z", "3")));
}

TEST_F(TomlParserTest, SplitsAtTheFirstEqualsAndKeepsTheRest) {
  EXPECT_THAT(Collect("a = b = c"), ElementsAre(Pair("a", "b = c")));
  EXPECT_THAT(Collect("a==b"), ElementsAre(Pair("a", "=b")));
  EXPECT_THAT(Collect(" = value"), ElementsAre(Pair("", "value")));
  EXPECT_THAT(Collect("k = v # not a comment"), ElementsAre(Pair("k", "v # not a comment")));
}

TEST_F(TomlParserTest, LineEndingsAndTheTerminatingNul) {
  EXPECT_THAT(Collect("a = 1\r\nb = 2\r\n"), ElementsAre(Pair("a", "1"), Pair("b", "2")));
  EXPECT_THAT(Collect("a = 1\nb = 2"), ElementsAre(Pair("a", "1"), Pair("b", "2")));
  const std::string with_nul("a = 1\nb = 2\0c = 3\n", 18);
  EXPECT_THAT(Collect(with_nul), ElementsAre(Pair("a", "1"), Pair("b", "2")));
}

TEST_F(TomlParserTest, HandlerFailureStopsTheParse) {
  Silence();
  std::vector<std::string> keys;
  const Expected<void> result =
      ParseTomlOptions("a = 1\nb = 2\nc = 3\n", [&](absl::string_view key, absl::string_view) {
        keys.emplace_back(key);
        return key == "b" ? ZorvelStatus{7} : kZorvelStatusOk;
      });
  ASSERT_FALSE(result);
  EXPECT_EQ(result.Status(), 7);
  EXPECT_THAT(keys, ElementsAre("a", "b"));
}

TEST_F(TomlParserTest, HandlerMessageIsChainedUnderTheParserContext) {
  const Expected<void> result = ParseTomlOptions("x = 1", [](absl::string_view, absl::string_view) {
    return ErrorToStatus(MakeError(kZorvelStatusErrorInvalidArgument, "bad x"));
  });
  ASSERT_FALSE(result);
  EXPECT_EQ(result.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_THAT(result.GetError().Message(),
              MatchesRegex("ERROR: \\[.*zorvel/core/zorvel_toml_parser\\.cc:[0-9]+\\]\n"
                           "\xe2\x94\x94 bad x"));
}

TEST_F(TomlParserTest, ParseBoolAcceptsOnlyTheExactWords) {
  ASSERT_TRUE(ParseTomlBool("true"));
  EXPECT_TRUE(*ParseTomlBool("true"));
  ASSERT_TRUE(ParseTomlBool("false"));
  EXPECT_FALSE(*ParseTomlBool("false"));
  Silence();
  for (const char* text : {"True", " true", "true ", "FALSE", "1", "0", "", "yes"}) {
    const Expected<bool> result = ParseTomlBool(text);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(result.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_EQ(result.GetError().Message(), "Invalid boolean value");
  }
}

TEST_F(TomlParserTest, ParseIntIsDecimalWithRangeChecks) {
  const std::vector<std::pair<const char*, int64_t>> good = {
      {"42", 42},
      {"  42 ", 42},
      {"-7", -7},
      {"+5", 5},
      {"007", 7},
      {"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<int64_t>::min()},
  };
  for (const auto& [text, value] : good) {
    const Expected<int64_t> result = ParseTomlInt(text);
    ASSERT_TRUE(result) << text;
    EXPECT_EQ(*result, value) << text;
  }
  Silence();
  for (const char* text : {"4x", "0x10", "", " ", "-", "1.5", "1e3", "9223372036854775808",
                           "-9223372036854775809", "4 2", "--1"}) {
    const Expected<int64_t> result = ParseTomlInt(text);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(result.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_EQ(result.GetError().Message(), "Invalid integer value");
  }
}

}  // namespace
}  // namespace zorvel
