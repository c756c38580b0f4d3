#include "logging/zorvel_logging.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Every test starts and ends with the process-wide minimum at its initial INFO.
class LoggingTest : public ::testing::Test {
 protected:
  void SetUp() override { SetMin(kZorvelLogSeverityInfo); }
  void TearDown() override { SetMin(kZorvelLogSeverityInfo); }
  static void SetMin(ZorvelLogSeverity severity) {
    ASSERT_EQ(ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), severity), kZorvelStatusOk);
  }
};

TEST(LogSeverityNameTest, GeneralNamesCoverDebugToSilent) {
  EXPECT_STREQ(ZorvelGetLogSeverityName(-1), "DEBUG");
  EXPECT_STREQ(ZorvelGetLogSeverityName(0), "VERBOSE");
  EXPECT_STREQ(ZorvelGetLogSeverityName(1), "INFO");
  EXPECT_STREQ(ZorvelGetLogSeverityName(2), "WARNING");
  EXPECT_STREQ(ZorvelGetLogSeverityName(3), "ERROR");
  EXPECT_STREQ(ZorvelGetLogSeverityName(4), "SILENT");
  EXPECT_STREQ(ZorvelGetLogSeverityName(5), "UNKNOWN");
  EXPECT_STREQ(ZorvelGetLogSeverityName(-2), "UNKNOWN");
}

TEST(LogSeverityNameTest, LoggerNamesKnowOnlyVerboseToSilent) {
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(-1), "<Unknown severity>");
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(0), "VERBOSE");
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(3), "ERROR");
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(4), "SILENT");
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(5), "<Unknown severity>");
  EXPECT_STREQ(ZorvelGetLoggerSeverityName(-128), "<Unknown severity>");
}

TEST(FileBaseNameTest, StripsDirectories) {
  static_assert(ZorvelFileBaseName("a/b/c.cc")[0] == 'c');
  EXPECT_STREQ(ZorvelFileBaseName("/x/y/decoder.h"), "decoder.h");
  EXPECT_STREQ(ZorvelFileBaseName("plain.cc"), "plain.cc");
  EXPECT_STREQ(ZorvelFileBaseName("dir/"), "");
}

TEST_F(LoggingTest, DefaultLoggerIsOneStandardLogger) {
  ZorvelLoggerT* logger = ZorvelGetDefaultLogger();
  ASSERT_NE(logger, nullptr);
  EXPECT_EQ(logger, ZorvelGetDefaultLogger());
  EXPECT_NE(dynamic_cast<ZorvelStandardLoggerT*>(logger), nullptr);
  EXPECT_STREQ(logger->Identifier(), "ZorvelDefaultLogger");
  ZorvelLogSeverity min = 99;
  ASSERT_EQ(ZorvelGetMinLoggerSeverity(logger, &min), kZorvelStatusOk);
  EXPECT_EQ(min, kZorvelLogSeverityInfo);
}

TEST_F(LoggingTest, MinimumIsSharedByEveryInstance) {
  ZorvelStandardLoggerT other;
  other.SetMinSeverity(kZorvelLogSeverityWarning);
  EXPECT_EQ(ZorvelGetDefaultLogger()->GetMinSeverity(), kZorvelLogSeverityWarning);
}

TEST_F(LoggingTest, NullArgumentsReturnOneAndWriteNothing) {
  ZorvelLogSeverity min = 7;
  testing::internal::CaptureStderr();
  EXPECT_EQ(ZorvelGetMinLoggerSeverity(nullptr, &min), 1);
  EXPECT_EQ(ZorvelGetMinLoggerSeverity(ZorvelGetDefaultLogger(), nullptr), 1);
  EXPECT_EQ(ZorvelSetMinLoggerSeverity(nullptr, kZorvelLogSeverityError), 1);
  EXPECT_EQ(ZorvelLoggerLog(nullptr, kZorvelLogSeverityError, "text"), 1);
  EXPECT_EQ(ZorvelLoggerLog(ZorvelGetDefaultLogger(), kZorvelLogSeverityError, nullptr), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(min, 7);
  EXPECT_EQ(ZorvelGetDefaultLogger()->GetMinSeverity(), kZorvelLogSeverityInfo);
}

TEST_F(LoggingTest, InfoMinimumHidesDebugAndVerbose) {
  testing::internal::CaptureStderr();
  ZORVEL_LOG_DEBUG("debug %d", 1);
  ZORVEL_LOG_VERBOSE("verbose %d", 2);
  ZORVEL_LOG_INFO("info %d", 3);
  const int line = __LINE__ - 1;
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "INFO: [zorvel_logging_test.cc:" + std::to_string(line) + "] info 3\n");
}

TEST_F(LoggingTest, EverySeverityFromTheMinimumUpPrints) {
  SetMin(kZorvelLogSeverityVerbose);
  testing::internal::CaptureStderr();
  ZORVEL_LOG_DEBUG("d");
  ZORVEL_LOG_VERBOSE("v");
  ZORVEL_LOG_INFO("i");
  ZORVEL_LOG_WARNING("w %s", "x");
  ZORVEL_LOG_ERROR("e");
  const std::string out = testing::internal::GetCapturedStderr();
  const std::string file = "[zorvel_logging_test.cc:";
  EXPECT_THAT(out, StartsWith("VERBOSE: " + file));
  EXPECT_THAT(out, HasSubstr("] v\nINFO: " + file));
  EXPECT_THAT(out, HasSubstr("] i\nWARNING: " + file));
  EXPECT_THAT(out, HasSubstr("] w x\nERROR: " + file));
  EXPECT_THAT(out, testing::EndsWith("] e\n"));
  EXPECT_EQ(out.find("] d\n"), std::string::npos);
}

TEST_F(LoggingTest, DebugLineUsesTheLoggersUnknownName) {
  SetMin(kZorvelLogSeverityDebug);
  testing::internal::CaptureStderr();
  ZORVEL_LOG_DEBUG("reject: %s", "shape");
  const std::string out = testing::internal::GetCapturedStderr();
  EXPECT_THAT(out, StartsWith("<Unknown severity>: [zorvel_logging_test.cc:"));
  EXPECT_THAT(out, testing::EndsWith("] reject: shape\n"));
}

TEST_F(LoggingTest, SilentSuppressesErrors) {
  SetMin(kZorvelLogSeveritySilent);
  testing::internal::CaptureStderr();
  ZORVEL_LOG_ERROR("failure");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

int calls = 0;
const char* Counted() {
  ++calls;
  return "counted";
}

TEST_F(LoggingTest, SuppressedStatementEvaluatesNoArgument) {
  calls = 0;
  testing::internal::CaptureStderr();
  ZORVEL_LOG_VERBOSE("%s", Counted());
  EXPECT_EQ(calls, 0);
  ZORVEL_LOG_INFO("%s", Counted());
  EXPECT_EQ(calls, 1);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::EndsWith("] counted\n"));
}

void CallLog(ZorvelLoggerT& logger, ZorvelLogSeverity severity, const char* format, ...)
    ZORVEL_PRINTF_FORMAT(3, 4);
void CallLog(ZorvelLoggerT& logger, ZorvelLogSeverity severity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logger.Log(severity, format, args);
  va_end(args);
}

TEST_F(LoggingTest, LogOperationFiltersWithSignedComparison) {
  ZorvelStandardLoggerT logger;
  SetMin(kZorvelLogSeverityVerbose);
  testing::internal::CaptureStderr();
  CallLog(logger, kZorvelLogSeverityDebug, "hidden");
  CallLog(logger, kZorvelLogSeverityVerbose, "shown %d", -5);
  CallLog(logger, 100, "odd");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "VERBOSE: shown -5\n<Unknown severity>: odd\n");
}

TEST_F(LoggingTest, LongMessagesAreWrittenWhole) {
  const std::string long_text(5000, 'q');
  testing::internal::CaptureStderr();
  ASSERT_EQ(ZorvelLoggerLog(ZorvelGetDefaultLogger(), kZorvelLogSeverityWarning, "%s|%d",
                            long_text.c_str(), 42),
            kZorvelStatusOk);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "WARNING: " + long_text + "|42\n");
}

}  // namespace
