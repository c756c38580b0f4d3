#include "zorvel/vendors/intel_openvino/compiler/weight_bank.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Optional;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostBuffer;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;

constexpr int kGetTensorName = 15;
constexpr int kGetWeightsBufferId = 27;
constexpr int kGetWeightsBytes = 28;

using ::zorvel::testing::F32;

std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 3 * i);
  return bytes;
}

using ::zorvel::testing::LogOf;

class WeightBankHostTest : public ::testing::Test {
 protected:
  // An ADD over `x` and a constant reading buffer `id`, whose tensor is called `name`.
  HostSubgraph& AddReader(const std::string& name, int32_t id) {
    HostSubgraph& sg = model_.AddSubgraph();
    const TensorId x = sg.AddInput("x", F32({4}));
    const TensorId w = sg.AddConstant(name, F32({4}), id);
    sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, w}, "y", F32({4})));
    return sg;
  }
  Subgraph Handle(HostSubgraph& sg) { return Subgraph(api_.table(), api_.Handle(sg)); }

  HostApi api_;
  HostModel model_;
  WeightBank bank_;
};

TEST_F(WeightBankHostTest, RegistersViewsOfTheConstantsTheOpsRead) {
  const auto shared = HostBuffer::Own(PatternBytes(16, 1));
  model_.AddBufferWithId(3, shared);
  model_.AddBufferWithId(9, HostBuffer::Own({}));
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({4}));
  const TensorId w = sg.AddConstant("w", F32({4}), 3);
  const TensorId empty = sg.AddConstant("empty", F32({0}), 9);
  const TensorId loose = sg.AddConstantWithoutBufferId("loose", F32({4}), PatternBytes(16, 7));
  const TensorId unread = sg.AddConstant<float>("unread", {1}, {1.0f});
  sg.MarkInput(unread);
  const TensorId a = sg.AddOp(kZorvelOpCodeAdd, {x, w}, "a", F32({4}));
  const TensorId b = sg.AddOp(kZorvelOpCodeAdd, {a, loose}, "b", F32({4}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeConcatenation, {b, empty}, "c", F32({4})));

  bank_.AddHostWeights(Handle(sg));

  EXPECT_EQ(bank_.BufferCount(), 1u);
  EXPECT_EQ(bank_.TotalBytes(), 16u);
  EXPECT_THAT(bank_.FindBufferId("w"), Optional(3));
  const std::optional<BufferView> view = bank_.FindBuffer(3);
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->data, shared->data());  // the host's memory, not a copy
  EXPECT_EQ(view->size, 16u);
  // Empty weights, weights without a buffer id and constants no op reads are left out.
  for (const char* name : {"empty", "loose", "unread", "x", "a"}) {
    EXPECT_EQ(bank_.FindBufferId(name), std::nullopt) << name;
  }
  EXPECT_EQ(bank_.FindBuffer(9), std::nullopt);
  EXPECT_EQ(bank_.buffers().size(), 1u);
}

TEST_F(WeightBankHostTest, KeysAreExactAndTheLastRegistrationOfANameWins) {
  model_.AddBufferWithId(4, HostBuffer::Own(PatternBytes(8, 2)));
  model_.AddBufferWithId(6, HostBuffer::Own(PatternBytes(8, 5)));
  HostSubgraph& first = AddReader("shared/w", 4);
  HostSubgraph& second = AddReader("shared/w", 6);
  bank_.AddHostWeights(Handle(first));
  bank_.AddHostWeights(Handle(second));

  EXPECT_THAT(bank_.FindBufferId("shared/w"), Optional(6));
  EXPECT_EQ(bank_.BufferCount(), 2u);  // both buffers stay known by id
  EXPECT_TRUE(bank_.FindBuffer(4).has_value());
  EXPECT_EQ(bank_.FindBufferId("shared/W"), std::nullopt);
  EXPECT_EQ(bank_.FindBufferId("shared/"), std::nullopt);
  EXPECT_EQ(bank_.FindBufferId(std::string_view("shared/w\0", 9)), std::nullopt);
}

// The bank never registers weights under a stand-in id, size or name: a read it needs that is
// missing or fails throws, which ends the compile call (and the bank with it).
TEST_F(WeightBankHostTest, MissingOrFailingHostReadThrowsAndRegistersNothing) {
  model_.AddBufferWithId(2, HostBuffer::Own(PatternBytes(8, 2)));
  HostSubgraph& sg = AddReader("w", 2);
  for (const int entry : {kGetWeightsBufferId, kGetWeightsBytes, kGetTensorName}) {
    for (const bool remove : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "entry " << entry << (remove ? " removed" : " fails"));
      if (remove) {
        api_.RemoveEntry(entry);
      } else {
        api_.FailEntry(entry, 77);
      }
      WeightBank bank;
      try {
        bank.AddHostWeights(Handle(sg));
        ADD_FAILURE() << "no error";
      } catch (const HostReadError& error) {
        EXPECT_EQ(error.Status(), remove ? kZorvelStatusErrorMissingHostEntry : 77);
      }
      api_.RestoreAllEntries();
      api_.ClearFailures();
    }
  }
}

TEST(WeightBankTest, DerivedIdsFollowKeyOrderFromZeroInAnEmptyBank) {
  WeightBank bank;
  bank.RegisterGeneratedConstant("b", PatternBytes(4, 1));
  bank.RegisterGeneratedConstant("a", PatternBytes(6, 2));
  bank.RegisterGeneratedConstant("ab", PatternBytes(2, 3));
  EXPECT_EQ(bank.BufferCount(), 0u);
  EXPECT_EQ(bank.FindBufferId("a"), std::nullopt);  // not before finalization

  const std::string log = LogOf([&] { bank.FinalizeDerivedBuffers(); });
  EXPECT_THAT(log, HasSubstr("INFO: [weight_bank.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] WeightBank::FinalizeDerivedBuffers: assigned 3 derived buffer id(s)\n"));
  EXPECT_TRUE(bank.finalized());
  EXPECT_THAT(bank.FindBufferId("a"), Optional(0));
  EXPECT_THAT(bank.FindBufferId("ab"), Optional(1));
  EXPECT_THAT(bank.FindBufferId("b"), Optional(2));
  EXPECT_EQ(bank.TotalBytes(), 12u);
  const std::optional<BufferView> a = bank.FindBuffer(0);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::vector<uint8_t>(a->data, a->data + a->size), PatternBytes(6, 2));
}

TEST(WeightBankTest, KeyOrderIsByteWiseWithUnsignedBytes) {
  WeightBank bank;
  bank.RegisterGeneratedConstant("\xc3\xa9", PatternBytes(1, 1));  // a byte above 0x7f sorts last
  bank.RegisterGeneratedConstant("z", PatternBytes(1, 2));
  bank.RegisterGeneratedConstant("Z", PatternBytes(1, 3));
  LogOf([&] { bank.FinalizeDerivedBuffers(); });
  EXPECT_THAT(bank.FindBufferId("Z"), Optional(0));
  EXPECT_THAT(bank.FindBufferId("z"), Optional(1));
  EXPECT_THAT(bank.FindBufferId("\xc3\xa9"), Optional(2));
}

TEST_F(WeightBankHostTest, DerivedIdsStartAboveTheLargestHostIdAndReplaceAHostName) {
  model_.AddBufferWithId(3, HostBuffer::Own(PatternBytes(8, 1)));
  model_.AddBufferWithId(7, HostBuffer::Own(PatternBytes(8, 2)));
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({2}));
  const TensorId w3 = sg.AddConstant("w3", F32({2}), 3);
  const TensorId w7 = sg.AddConstant("stacked", F32({2}), 7);
  const TensorId a = sg.AddOp(kZorvelOpCodeAdd, {x, w3}, "a", F32({2}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {a, w7}, "b", F32({2})));
  bank_.AddHostWeights(Handle(sg));
  bank_.RegisterGeneratedConstant("stacked", PatternBytes(5, 9));

  EXPECT_EQ(bank_.BufferCount(), 2u);
  EXPECT_EQ(bank_.TotalBytes(), 16u);
  LogOf([&] { bank_.FinalizeDerivedBuffers(); });
  EXPECT_EQ(bank_.BufferCount(), 3u);
  EXPECT_EQ(bank_.TotalBytes(), 21u);
  EXPECT_THAT(bank_.FindBufferId("stacked"), Optional(8));
  EXPECT_THAT(bank_.FindBufferId("w3"), Optional(3));
  ASSERT_TRUE(bank_.FindBuffer(7).has_value());  // the host buffer stays under its id
  EXPECT_EQ(bank_.FindBuffer(8)->size, 5u);

  // Host weights added after finalization are still registered.
  model_.AddBufferWithId(1, HostBuffer::Own(PatternBytes(4, 4)));
  bank_.AddHostWeights(Handle(AddReader("late", 1)));
  EXPECT_THAT(bank_.FindBufferId("late"), Optional(1));
}

TEST(WeightBankTest, ConflictingRegistrationsKeepTheFirst) {
  WeightBank bank;
  std::string log = LogOf([&] {
    bank.RegisterGeneratedConstant("k", PatternBytes(10, 1));
    bank.RegisterGeneratedConstant("k", PatternBytes(10, 1));
    bank.RegisterGeneratedConstant("empty", {});
    bank.RegisterGeneratedConstant("empty", {});
  });
  EXPECT_EQ(log, "");  // identical bytes are the normal case

  log = LogOf([&] { bank.RegisterGeneratedConstant("k", PatternBytes(12, 1)); });
  EXPECT_THAT(log, HasSubstr("ERROR: [weight_bank.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] WeightBank: generated constant key 'k' re-registered with a different "
                        "size (10 vs 12 bytes); keeping the first registration\n"));

  std::vector<uint8_t> altered = PatternBytes(10, 1);
  altered[9] ^= 1;
  log = LogOf([&] { bank.RegisterGeneratedConstant("k", altered); });
  EXPECT_THAT(log,
              HasSubstr("] WeightBank: generated constant key 'k' re-registered with different "
                        "contents (same size, 10 bytes); keeping the first registration\n"));

  LogOf([&] { bank.FinalizeDerivedBuffers(); });
  const std::optional<int32_t> id = bank.FindBufferId("k");
  ASSERT_TRUE(id.has_value());
  const BufferView view = *bank.FindBuffer(*id);
  EXPECT_EQ(std::vector<uint8_t>(view.data, view.data + view.size), PatternBytes(10, 1));
  EXPECT_EQ(bank.FindBuffer(*bank.FindBufferId("empty"))->size, 0u);
}

TEST(WeightBankTest, LateRegistrationAndSecondFinalizationAreRefused) {
  WeightBank bank;
  bank.RegisterGeneratedConstant("early", PatternBytes(3, 1));
  LogOf([&] { bank.FinalizeDerivedBuffers(); });

  std::string log = LogOf([&] { bank.RegisterGeneratedConstant("late", PatternBytes(3, 2)); });
  EXPECT_THAT(log, HasSubstr("ERROR: [weight_bank.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] WeightBank: generated constant key 'late' registered after "
                        "FinalizeDerivedBuffers(); dropping it. Harvest every partition before "
                        "finalizing\n"));
  EXPECT_EQ(bank.FindBufferId("late"), std::nullopt);

  log = LogOf([&] { bank.FinalizeDerivedBuffers(); });
  EXPECT_THAT(log, HasSubstr("ERROR: [weight_bank.cc:"));
  EXPECT_THAT(log,
              HasSubstr("] WeightBank::FinalizeDerivedBuffers called more than once; ignoring the "
                        "extra call\n"));
  EXPECT_THAT(log, Not(HasSubstr("assigned")));
  EXPECT_THAT(bank.FindBufferId("early"), Optional(0));
  EXPECT_EQ(bank.BufferCount(), 1u);
}

TEST_F(WeightBankHostTest, NoDerivedIdWrapsPastTheLargestId) {
  model_.AddBufferWithId(INT32_MAX, HostBuffer::Own(PatternBytes(4, 1)));
  bank_.AddHostWeights(Handle(AddReader("top", INT32_MAX)));
  bank_.RegisterGeneratedConstant("g", PatternBytes(4, 2));
  const std::string log = LogOf([&] { bank_.FinalizeDerivedBuffers(); });
  EXPECT_THAT(log, HasSubstr("no buffer id left above the host ids for generated constant key "
                             "'g' and 0 more; they stay unshared"));
  EXPECT_THAT(log, HasSubstr("assigned 0 derived buffer id(s)"));
  EXPECT_EQ(bank_.FindBufferId("g"), std::nullopt);
  EXPECT_EQ(bank_.BufferCount(), 1u);
}

TEST(WeightBankTest, MovingABankKeepsDerivedViewsValid) {
  WeightBank bank;
  bank.RegisterGeneratedConstant("g", PatternBytes(64, 3));
  LogOf([&] { bank.FinalizeDerivedBuffers(); });
  const uint8_t* before = bank.FindBuffer(0)->data;
  WeightBank moved(std::move(bank));
  EXPECT_EQ(moved.FindBuffer(0)->data, before);
  EXPECT_EQ(std::vector<uint8_t>(before, before + 64), PatternBytes(64, 3));
}

}  // namespace
}  // namespace zorvel::openvino
