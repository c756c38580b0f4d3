#include "zorvel/cc/zorvel_expected.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "logging/zorvel_logging.h"

namespace zorvel {
namespace {

const std::string kSeparator = "\n\xe2\x94\x94 ";

// Starts and ends every test with no pending error and the minimum severity at INFO.
class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  static void SetMin(ZorvelLogSeverity severity) {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), severity);
  }
  // Leaves `message` pending with `status`, as a status-only boundary would.
  static void Record(ZorvelStatus status, const std::string& message) {
    ASSERT_EQ(ErrorToStatus(MakeError(status, message)), status);
  }
};

TEST_F(ErrorTest, SameStatusChainsThePendingMessage) {
  EXPECT_EQ(kSeparator.size(), 5u);
  Record(5, "a");
  const Error error = MakeError(5, "b");
  EXPECT_EQ(error.Status(), 5);
  EXPECT_EQ(error.Message(), "b" + kSeparator + "a");
  // The pending error was taken.
  EXPECT_EQ(MakeError(5, "c").Message(), "c");
}

TEST_F(ErrorTest, OtherStatusDiscardsThePendingMessage) {
  Record(6, "a");
  EXPECT_EQ(MakeError(5, "b").Message(), "b");
  EXPECT_EQ(MakeError(6, "c").Message(), "c");
}

TEST_F(ErrorTest, EmptyOrContainedMessagesAreNotRepeated) {
  Record(5, "a");
  EXPECT_EQ(MakeError(5, "xay").Message(), "xay");
  Record(5, "a");
  EXPECT_EQ(MakeError(5, "").Message(), "a");
  // An empty message is never recorded, so it cannot clobber an earlier one.
  Record(5, "a");
  Record(5, "");
  EXPECT_EQ(MakeError(5, "b").Message(), "b" + kSeparator + "a");
}

TEST_F(ErrorTest, ChainsGrowAcrossSeveralBoundaries) {
  Record(7, "inner");
  Record(7, MakeError(7, "middle").Message());
  EXPECT_EQ(MakeError(7, "outer").Message(),
            "outer" + kSeparator + "middle" + kSeparator + "inner");
}

TEST_F(ErrorTest, RecordingReplacesAnEarlierPendingError) {
  const Error second = MakeError(5, "second");
  Record(5, "first");
  EXPECT_EQ(ErrorToStatus(second), 5);
  EXPECT_EQ(MakeError(5, "b").Message(), "b" + kSeparator + "second");
}

TEST_F(ErrorTest, ZeroStatusClearsThePendingErrorAndFailureKeepsIt) {
  Record(5, "a");
  EXPECT_TRUE(StatusIsFailure(5));
  EXPECT_TRUE(StatusIsFailure(-3));
  EXPECT_EQ(MakeError(5, "b").Message(), "b" + kSeparator + "a");
  Record(5, "a");
  EXPECT_FALSE(StatusIsFailure(kZorvelStatusOk));
  EXPECT_EQ(MakeError(5, "b").Message(), "b");
}

TEST_F(ErrorTest, ZeroStatusNeverMakesASuccessfulError) {
  const Error error = MakeError(kZorvelStatusOk, "oops");
  EXPECT_EQ(error.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(error.Message(), "oops");
}

TEST_F(ErrorTest, PendingErrorIsPerThread) {
  Record(5, "main");
  std::string seen_on_worker;
  std::thread worker([&] {
    seen_on_worker = MakeError(5, "b").Message();
    ErrorToStatus(MakeError(5, "worker"));
  });
  worker.join();
  EXPECT_EQ(seen_on_worker, "b");
  EXPECT_EQ(MakeError(5, "b").Message(), "b" + kSeparator + "main");
}

TEST_F(ErrorTest, ContextTextHasSeverityLocationExtraAndMessage) {
  ErrorContext context{MakeError(1, "raw"), "dir/file.cc", 12, std::nullopt,
                       kZorvelLogSeverityError};
  EXPECT_EQ(ErrorContextToText(context), "ERROR: [dir/file.cc:12]" + kSeparator + "raw");
  context.extra = "while reading";
  EXPECT_EQ(ErrorContextToText(context),
            "ERROR: [dir/file.cc:12] while reading" + kSeparator + "raw");
  ErrorContext bare{MakeError(1), "f.cc", -4, std::nullopt, kZorvelLogSeverityWarning};
  EXPECT_EQ(ErrorContextToText(bare), "WARNING: [f.cc:-4]");
}

TEST_F(ErrorTest, ContextTextFollowsTheMinimumSeverity) {
  ErrorContext debug{MakeError(1, "m"), "f.cc", 1, std::nullopt, kZorvelLogSeverityDebug};
  EXPECT_EQ(ErrorContextToText(debug), "");
  SetMin(kZorvelLogSeverityDebug);
  // The general name table, not the logger's, names the severity here.
  EXPECT_EQ(ErrorContextToText(debug), "DEBUG: [f.cc:1]" + kSeparator + "m");
  ErrorContext odd{MakeError(1), "f.cc", 1, std::nullopt, 9};
  EXPECT_EQ(ErrorContextToText(odd), "UNKNOWN: [f.cc:1]");
  SetMin(kZorvelLogSeveritySilent);
  ErrorContext error{MakeError(1, "m"), "f.cc", 1, std::nullopt, kZorvelLogSeverityError};
  EXPECT_EQ(ErrorContextToText(error), "");
}

TEST_F(ErrorTest, ErrorMacroCarriesTheFormattedText) {
  const Error error = ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Null options");
  const int line = __LINE__ - 1;
  EXPECT_EQ(error.Status(), 1);
  EXPECT_EQ(error.Message(), std::string("ERROR: [") + __FILE__ + ":" + std::to_string(line) + "]" +
                                 kSeparator + "Null options");
  // Nothing is left pending.
  EXPECT_EQ(MakeError(1, "z").Message(), "z");
}

TEST_F(ErrorTest, ErrorMacroWithExtraText) {
  const Error error = ZORVEL_ERROR_WITH_EXTRA(3, "raw", std::string("op 7"));
  EXPECT_THAT(error.Message(), testing::EndsWith("] op 7" + kSeparator + "raw"));
}

TEST_F(ErrorTest, ErrorMacroCarriesTheRawMessageWhenErrorsAreSilenced) {
  SetMin(kZorvelLogSeveritySilent);
  EXPECT_EQ(ZORVEL_ERROR(5, "raw").Message(), "raw");
  EXPECT_EQ(ZORVEL_ERROR(5, "").Message(), "");
  EXPECT_EQ(MakeError(5, "z").Message(), "z");
}

TEST_F(ErrorTest, FailingHostCallPicksUpTheMessageBehindItsStatus) {
  // A nested call reported 7 with a message; the host call then fails with the same status.
  Record(7, "detail");
  const Error error = ZORVEL_ERROR(7, "");
  EXPECT_THAT(error.Message(), testing::StartsWith("ERROR: ["));
  EXPECT_THAT(error.Message(), testing::EndsWith("]" + kSeparator + "detail"));
  EXPECT_EQ(MakeError(7, "z").Message(), "z");
  // Silenced, the raw message alone survives.
  SetMin(kZorvelLogSeveritySilent);
  Record(7, "detail");
  EXPECT_EQ(ZORVEL_ERROR(7, "").Message(), "detail");
}

TEST_F(ErrorTest, ErrorToStatusLeavesTheMessageForTheNextError) {
  const ZorvelStatus status = ErrorToStatus(ZORVEL_ERROR(504, "compile failed"));
  EXPECT_EQ(status, 504);
  const Error outer = MakeError(504, "partition 2");
  EXPECT_THAT(outer.Message(), testing::StartsWith("partition 2" + kSeparator + "ERROR: ["));
  EXPECT_THAT(outer.Message(), testing::EndsWith(kSeparator + "compile failed"));
}

TEST(ExpectedTest, HoldsValuesOrErrors) {
  Expected<int> value = 42;
  ASSERT_TRUE(value.HasValue());
  EXPECT_TRUE(static_cast<bool>(value));
  EXPECT_EQ(value.Value(), 42);
  EXPECT_EQ(*value, 42);
  EXPECT_EQ(value.Status(), kZorvelStatusOk);

  Expected<int> error = MakeError(6, "Missing");
  ASSERT_FALSE(error.HasValue());
  EXPECT_EQ(error.Status(), 6);
  EXPECT_EQ(error.GetError().Message(), "Missing");

  Expected<std::string> text = "abc";
  EXPECT_EQ(text->size(), 3u);
  Expected<std::vector<int>> list(std::in_place, 3, 7);
  EXPECT_EQ(list.Value(), std::vector<int>({7, 7, 7}));
}

TEST(ExpectedTest, MovesOutMoveOnlyValues) {
  Expected<std::unique_ptr<int>> owned = std::make_unique<int>(5);
  std::unique_ptr<int> taken = std::move(owned).Value();
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(*taken, 5);
}

TEST(ExpectedTest, VoidHoldsSuccessOrError) {
  Expected<void> ok;
  EXPECT_TRUE(ok.HasValue());
  ok.Value();
  EXPECT_EQ(ok.Status(), kZorvelStatusOk);
  Expected<void> failed = MakeError(504, "x");
  EXPECT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.Status(), 504);
  EXPECT_EQ(failed.GetError().Message(), "x");
}

Expected<int> Half(int n) {
  if (n % 2 != 0) return MakeError(kZorvelStatusErrorInvalidArgument, "odd");
  return n / 2;
}

Expected<int> Quarter(int n) {
  ZORVEL_ASSIGN_OR_RETURN(const int half, Half(n));
  ZORVEL_ASSIGN_OR_RETURN(int quarter, Half(half));
  return quarter;
}

Expected<void> CheckQuarter(int n) {
  ZORVEL_RETURN_IF_ERROR(Quarter(n));
  return {};
}

TEST(ExpectedTest, PropagationMacrosReturnTheErrorUnchanged) {
  EXPECT_EQ(Quarter(12).Value(), 3);
  EXPECT_EQ(Quarter(6).GetError().Message(), "odd");
  EXPECT_TRUE(CheckQuarter(8).HasValue());
  const Expected<void> failed = CheckQuarter(5);
  EXPECT_EQ(failed.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(failed.GetError().Message(), "odd");
}

using ExpectedDeathTest = ::testing::Test;

TEST_F(ExpectedDeathTest, ValueOfAnErrorFailsTheCheck) {
  Expected<int> error = MakeError(5, "x");
  EXPECT_DEATH(static_cast<void>(error.Value()),
               "^Zorvel check failed: HasValue\\(\\) at [^ ]*zorvel_expected\\.h:[0-9]+\n");
  Expected<void> void_error = MakeError(5, "x");
  EXPECT_DEATH(void_error.Value(), "^Zorvel check failed: HasValue\\(\\) at ");
}

TEST_F(ExpectedDeathTest, ErrorOfAValueFailsTheCheck) {
  Expected<int> value = 1;
  EXPECT_DEATH(static_cast<void>(value.GetError()),
               "^Zorvel check failed: !HasValue\\(\\) at [^ ]*zorvel_expected\\.h:[0-9]+\n");
  Expected<void> ok;
  EXPECT_DEATH(static_cast<void>(ok.GetError()), "^Zorvel check failed: !HasValue\\(\\) at ");
}

TEST_F(ExpectedDeathTest, CheckNamesTheExpressionAndTheSite) {
  const int two = 2;
  EXPECT_DEATH(ZORVEL_CHECK(1 == two),
               "^Zorvel check failed: 1 == two at [^ ]*zorvel_expected_test\\.cc:[0-9]+\n");
}

}  // namespace
}  // namespace zorvel
