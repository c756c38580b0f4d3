#include "zorvel/cc/internal/zorvel_detail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "logging/zorvel_logging.h"

namespace zorvel {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;

// The status the next host call returns, and what it was handed.
ZorvelStatus next_status = kZorvelStatusOk;
ZorvelModel seen_model = nullptr;
uint64_t seen_index = 0;

ZorvelStatus CountSubgraphs(ZorvelModel model, uint64_t* count) {
  seen_model = model;
  if (next_status == kZorvelStatusOk) *count = 3;
  return next_status;
}

ZorvelStatus SubgraphAt(ZorvelModel model, uint64_t index, ZorvelSubgraph* subgraph) {
  seen_model = model;
  seen_index = index;
  if (next_status == kZorvelStatusOk) *subgraph = reinterpret_cast<ZorvelSubgraph>(0x40);
  return next_status;
}

class HostCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    next_status = kZorvelStatusOk;
    table.get_num_model_subgraphs = &CountSubgraphs;
    table.get_model_subgraph = &SubgraphAt;
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }
  void TearDown() override {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  HostApiTable table{};
  ZorvelModel model = reinterpret_cast<ZorvelModel>(0x10);
};

TEST_F(HostCallTest, GuardedCallPassesArgumentsThrough) {
  uint64_t count = 0;
  EXPECT_TRUE(ZORVEL_GUARDED_HOST_CALL(&table, get_num_model_subgraphs, model, &count));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(seen_model, model);
}

TEST_F(HostCallTest, GuardedCallWithoutTableOrEntryLeavesTheNeutralValue) {
  uint64_t count = 0;
  EXPECT_FALSE(ZORVEL_GUARDED_HOST_CALL(nullptr, get_num_model_subgraphs, model, &count));
  table.get_num_model_subgraphs = nullptr;
  EXPECT_FALSE(ZORVEL_GUARDED_HOST_CALL(&table, get_num_model_subgraphs, model, &count));
  EXPECT_EQ(count, 0u);
}

using HostCallDeathTest = HostCallTest;

TEST_F(HostCallDeathTest, GuardedCallFailingEndsTheProcess) {
  next_status = 77;
  uint64_t count = 0;
  EXPECT_DEATH(ZORVEL_GUARDED_HOST_CALL(&table, get_num_model_subgraphs, model, &count),
               "^Zorvel check failed: \\(status\\) == \\(expected\\) at "
               "[^ ]*zorvel_detail_test\\.cc:[0-9]+\n");
  EXPECT_DEATH(ZORVEL_CHECK_STATUS_EQ(2, kZorvelStatusOk),
               "^Zorvel check failed: \\(status\\) == \\(expected\\) at ");
  ZORVEL_CHECK_STATUS_EQ(5, 5);
}

TEST_F(HostCallTest, StatusCallSucceedsOrCarriesTheHostStatus) {
  ZorvelSubgraph subgraph = nullptr;
  EXPECT_TRUE(ZORVEL_HOST_CALL(6, &table, get_model_subgraph, model, 2, &subgraph).HasValue());
  EXPECT_EQ(subgraph, reinterpret_cast<ZorvelSubgraph>(0x40));
  EXPECT_EQ(seen_index, 2u);

  next_status = 1234;
  const Expected<void> failed =
      ZORVEL_HOST_CALL(6, &table, get_model_subgraph, model, 0, &subgraph);
  ASSERT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.Status(), 1234);
  EXPECT_THAT(failed.GetError().Message(),
              testing::MatchesRegex("ERROR: \\[[^ ]*zorvel_detail_test\\.cc:[0-9]+\\]"));
}

TEST_F(HostCallTest, StatusCallPicksUpAMessagePendingUnderTheHostStatus) {
  ErrorToStatus(MakeError(9, "the host said why"));
  next_status = 9;
  ZorvelSubgraph subgraph = nullptr;
  const Expected<void> failed =
      ZORVEL_HOST_CALL(6, &table, get_model_subgraph, model, 0, &subgraph);
  EXPECT_THAT(failed.GetError().Message(), EndsWith("]\n\xe2\x94\x94 the host said why"));
}

TEST_F(HostCallTest, StatusCallWithoutTableOrEntryGivesTheMissingStatus) {
  ZorvelSubgraph subgraph = nullptr;
  const Expected<void> no_table = ZORVEL_HOST_CALL(kZorvelStatusErrorMissingHostEntry, nullptr,
                                                   get_model_subgraph, model, 0, &subgraph);
  EXPECT_EQ(no_table.Status(), kZorvelStatusErrorMissingHostEntry);
  EXPECT_THAT(no_table.GetError().Message(), EndsWith("Missing host API entry get_model_subgraph"));
  table.get_model_subgraph = nullptr;
  const Expected<void> no_entry =
      ZORVEL_HOST_CALL(kZorvelStatusErrorNotFound, &table, get_model_subgraph, model, 0, &subgraph);
  EXPECT_EQ(no_entry.Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(subgraph, nullptr);
}

}  // namespace
}  // namespace zorvel
