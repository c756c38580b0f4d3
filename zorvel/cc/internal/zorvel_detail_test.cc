#include "zorvel/cc/internal/zorvel_detail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
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
  ZORVEL_GUARDED_HOST_CALL(&table, get_num_model_subgraphs, "the model", model, &count);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(seen_model, model);
}

// The error a guarded call throws, or a null optional when it returned.
std::optional<HostReadError> GuardedCountError(const HostApiTable* table, ZorvelModel model) {
  uint64_t count = 0;
  try {
    ZORVEL_GUARDED_HOST_CALL(table, get_num_model_subgraphs, "the subgraphs of the model", model,
                             &count);
  } catch (const HostReadError& error) {
    EXPECT_EQ(count, 0u);
    return error;
  }
  return std::nullopt;
}

TEST_F(HostCallTest, GuardedCallWithoutTableOrEntryThrowsStatusSixNamingTheEntry) {
  for (const bool no_table : {true, false}) {
    table.get_num_model_subgraphs = nullptr;
    const std::optional<HostReadError> error =
        GuardedCountError(no_table ? nullptr : &table, model);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Status(), kZorvelStatusErrorMissingHostEntry);
    EXPECT_STREQ(error->what(),
                 "Host API entry 1 (get_num_model_subgraphs) is missing; it is needed to read the "
                 "subgraphs of the model");
  }
}

TEST_F(HostCallTest, GuardedCallFailingThrowsTheHostStatus) {
  next_status = 77;
  std::optional<HostReadError> error = GuardedCountError(&table, model);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Status(), 77);
  error->AddContext("in partition 2");
  EXPECT_STREQ(error->what(),
               "Host API entry 1 (get_num_model_subgraphs) failed with status 77 reading the "
               "subgraphs of the model, in partition 2");
}

using HostCallDeathTest = HostCallTest;

// The fatal check stays for the plug-in's own invariants.
TEST_F(HostCallDeathTest, CheckOfAnOwnStatusEndsTheProcess) {
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
