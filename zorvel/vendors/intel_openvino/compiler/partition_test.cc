// The partition entry driven through the dlopen'ed table over the stand-in host.
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"
#include "zorvel/host/host_test_util.h"
#include "zorvel/vendors/intel_openvino/compiler/plugin_test_util.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostEnvironment;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSelectedOps;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::ModelSelection;
using ::zorvel::host::OpId;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;

constexpr ZorvelOpCode kUnsupportedCode = 32;

using ::zorvel::testing::F32;

class PartitionTest : public ::zorvel::testing::PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(table_->create_plugin(api_.table(), &plugin_, nullptr, nullptr), kZorvelStatusOk);
  }
  void TearDown() override { table_->destroy_plugin(plugin_); }

  // Runs the partition entry on subgraph 0 of `model_`; returns its status and keeps the log.
  ZorvelStatus Partition(HostSelectedOps& selected) {
    ::testing::internal::CaptureStderr();
    const ZorvelStatus status =
        table_->partition(plugin_, "LNL", api_.Handle(model_.subgraph(0)), api_.Handle(selected));
    log_ = ::testing::internal::GetCapturedStderr();
    return status;
  }

  static std::vector<OpId> Selected(const HostSelectedOps& selected) {
    std::vector<OpId> ops;
    for (const auto& s : selected.selections()) {
      EXPECT_EQ(s.partition_index, 0);
      ops.push_back(s.op);
    }
    return ops;
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log_.size()) {
      size_t end = log_.find('\n', start);
      if (end == std::string::npos) end = log_.size();
      lines.push_back(log_.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  HostApi api_;
  HostModel model_;
  ZorvelCompilerPlugin plugin_ = nullptr;
  std::string log_;
};

TEST_F(PartitionTest, InputOfRankSixRefusesTheWholeSubgraph) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId a = sg.AddInput("a", F32({1, 2, 3, 4, 5}));
  const TensorId b = sg.AddInput("b", F32({1, 1, 1, 1, 1, 1}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {a, b}, "c", F32({1, 1, 1, 1, 1, 1})));
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusErrorUnsupported);
  EXPECT_THAT(Selected(selected), IsEmpty());
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_THAT(log_, HasSubstr("WARNING: [openvino_compiler_plugin.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Model not supported: subgraph input 1 has 6 dimensions (>= 6), "
                              "skipping partitioning.\n"));
}

TEST_F(PartitionTest, RankFiveInputsAreAccepted) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId a = sg.AddInput("a", F32({1, 2, 3, 4, 5}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {a, a}, "c", F32({1, 2, 3, 4, 5})));
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusOk);
  EXPECT_THAT(Selected(selected), ElementsAre(0u));
  EXPECT_EQ(log_, "");
}

// The host's failing ranked-type read cannot be told from an unranked input, whose rank the check
// cannot bound either: the call fails with the host's status.
TEST_F(PartitionTest, InputWithoutARankedTypeFailsTheCall) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId a = sg.AddInput("a", F32({1, 2, 3, 4, 5}));
  const TensorId u = sg.AddInput("u", TensorType::Unranked(kZorvelElementTypeFloat32));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {a, u}, "c", F32({1, 2, 3, 4, 5})));
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusErrorInvalidArgument);
  EXPECT_THAT(Selected(selected), IsEmpty());
  EXPECT_THAT(log_, HasSubstr("entry 18 (get_ranked_tensor_type) failed with status 1 reading "
                              "the shape of subgraph input 1"));
}

TEST_F(PartitionTest, TopKIsTakenOnlyWithAConstantK) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  const TensorId k = sg.AddConstant<int32_t>("k", {}, {2});
  const TensorId k_dynamic =
      sg.AddInput("k_dynamic", TensorType::Ranked(kZorvelElementTypeInt32, {}));
  const TensorId values = sg.AddTensor("values", F32({1, 2}));
  const TensorId indices =
      sg.AddTensor("indices", TensorType::Ranked(kZorvelElementTypeInt32, {1, 2}));
  sg.AddOp(kZorvelOpCodeTopkV2, {x, k}, {values, indices});  // op 0: constant K
  const TensorId v2 = sg.AddTensor("v2", F32({1, 2}));
  const TensorId i2 = sg.AddTensor("i2", TensorType::Ranked(kZorvelElementTypeInt32, {1, 2}));
  sg.AddOp(kZorvelOpCodeTopkV2, {x, k_dynamic}, {v2, i2});  // op 1: K is a graph input
  const TensorId v3 = sg.AddTensor("v3", F32({1, 2}));
  const TensorId i3 = sg.AddTensor("i3", TensorType::Ranked(kZorvelElementTypeInt32, {1, 2}));
  sg.AddOp(kZorvelOpCodeTopkV2, {x}, {v3, i3});  // op 2: no K at all
  sg.AddOutput(values);
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusOk);
  EXPECT_THAT(Selected(selected), ElementsAre(0u));
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 4u) << log_;
  for (int op = 0; op < 2; ++op) {
    EXPECT_THAT(lines[2 * op], HasSubstr("INFO: [openvino_compiler_plugin.cc:"));
    EXPECT_THAT(lines[2 * op], HasSubstr("] TOPK_V2 with non-constant K is not supported on NPU; "
                                         "leaving op on CPU."));
    EXPECT_THAT(lines[2 * op + 1], HasSubstr("] op type 48 is not supported"));
  }
}

TEST_F(PartitionTest, OnlyTheRmsNormCompositeIsTaken) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  const TensorId y = sg.AddTensor("y", F32({1, 8}));
  const TensorId z = sg.AddTensor("z", F32({1, 8}));
  const TensorId w = sg.AddTensor("w", F32({1, 8}));
  sg.AddComposite("qvex.rms_norm", {x}, {y});
  sg.AddComposite("qvex.rms_norm2", {y}, {z});
  sg.AddComposite("qvex.rms_nor", {z}, {w});
  sg.AddOutput(w);
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusOk);
  EXPECT_THAT(Selected(selected), ElementsAre(0u));
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u) << log_;
  EXPECT_THAT(lines[0], HasSubstr("] op type 206 is not supported"));
  EXPECT_THAT(lines[1], HasSubstr("] op type 206 is not supported"));
}

// Without its name the composite cannot be judged: the call fails instead of leaving it out.
TEST_F(PartitionTest, CompositeWhoseNameCannotBeReadFailsTheCall) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  const TensorId y = sg.AddTensor("y", F32({1, 8}));
  sg.AddComposite("qvex.rms_norm", {x}, {y});
  sg.AddOutput(y);
  api_.RemoveEntry(29);
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), 3);
  EXPECT_THAT(Selected(selected), IsEmpty());
  api_.RestoreEntry(29);
  api_.FailEntry(29, 13);
  HostSelectedOps again(sg);
  EXPECT_EQ(Partition(again), 13);
  EXPECT_THAT(Selected(again), IsEmpty());
  EXPECT_THAT(log_, HasSubstr("ERROR: "));
  EXPECT_THAT(log_, HasSubstr("entry 29 (get_composite_op_name) failed with status 13"));
  EXPECT_THAT(log_, HasSubstr("for op 0 of the subgraph"));
}

TEST_F(PartitionTest, SupportedCodesAreSelectedAndOthersLeftToTheHost) {
  HostSubgraph& sg = model_.AddSubgraph();
  TensorId t = sg.AddInput("x", F32({1, 8}));
  // Every code of the supported list except TOPK_V2 and the composite, then some that are not.
  const std::vector<ZorvelOpCode> supported = {
      0,   1,   2,   3,   4,   5,   6,   7,   9,   11,  14,  17,  18, 19, 22,  23,  25,
      28,  34,  36,  39,  40,  41,  42,  45,  47,  49,  53,  54,  55, 56, 57,  58,  60,
      61,  62,  63,  64,  65,  66,  67,  69,  70,  71,  72,  73,  74, 75, 76,  78,  82,
      83,  84,  85,  86,  87,  88,  90,  91,  92,  95,  96,  97,  98, 99, 100, 101, 105,
      107, 108, 114, 117, 123, 126, 128, 130, 132, 140, 150, 152, 158};
  const std::vector<ZorvelOpCode> unsupported = {8,  10, 12, 13, 15,  16,  20,  21,
                                                 24, 26, 27, 32, 159, 205, 207, -1};
  std::vector<OpId> expected;
  OpId next = 0;
  for (ZorvelOpCode code : supported) {
    t = sg.AddOp(code, {t}, "s" + std::to_string(next), F32({1, 8}));
    expected.push_back(next++);
  }
  for (ZorvelOpCode code : unsupported) {
    t = sg.AddOp(code, {t}, "u" + std::to_string(next++), F32({1, 8}));
  }
  sg.AddOutput(t);
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusOk);
  EXPECT_EQ(Selected(selected), expected);
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), unsupported.size());
  for (size_t i = 0; i < unsupported.size(); ++i) {
    EXPECT_THAT(lines[i],
                HasSubstr("] op type " + std::to_string(unsupported[i]) + " is not supported"));
  }
}

// A read the selection depends on that is missing or fails ends the call with its status and one
// ERROR line naming the entry, never with a selection made from a stand-in value or an abort.
TEST_F(PartitionTest, MissingOrFailingHostReadFailsTheCall) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, x}, "y", F32({1, 8})));
  struct Case {
    int entry;
    bool remove;
    ZorvelStatus expected;
  };
  for (const Case& c : {Case{9, true, 6}, Case{9, false, 77}, Case{3, true, 6}, Case{4, true, 6},
                        Case{4, false, 77}, Case{5, false, 77}, Case{6, true, 6},
                        Case{18, false, 77}, Case{18, true, 6}}) {
    SCOPED_TRACE(testing::Message() << "entry " << c.entry << (c.remove ? " removed" : " fails"));
    if (c.remove) {
      api_.RemoveEntry(c.entry);
    } else {
      api_.FailEntry(c.entry, 77);
    }
    HostSelectedOps selected(sg);
    EXPECT_EQ(Partition(selected), c.expected);
    EXPECT_THAT(Selected(selected), IsEmpty());
    EXPECT_EQ(LogLines().size(), 1u) << log_;
    EXPECT_THAT(log_, HasSubstr("ERROR: "));
    EXPECT_THAT(log_, HasSubstr(absl::StrCat("Host API entry ", c.entry, " (")));
    api_.RestoreAllEntries();
    api_.ClearFailures();
  }
}

ZorvelStatus ThrowingInputCount(ZorvelSubgraph, uint64_t*) { throw std::bad_alloc(); }
ZorvelStatus ThrowingEnvironmentOption(ZorvelEnvironment, ZorvelEnvOptionTag, ZorvelAny*) {
  throw std::bad_alloc();
}
ZorvelStatus ThrowingSubgraphCount(ZorvelModel, uint64_t*) { throw std::bad_alloc(); }

// Whatever escapes an entry (here from a host written in C++) ends the call with a status and an
// ERROR line; nothing crosses into the host and the process goes on.
TEST_F(PartitionTest, ExceptionsEndEveryEntryInAStatus) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeRelu, {x}, "y", F32({1, 8})));
  HostApiTable throwing = *api_.table();
  throwing.get_num_subgraph_inputs = &ThrowingInputCount;
  throwing.get_environment_option = &ThrowingEnvironmentOption;
  throwing.get_num_model_subgraphs = &ThrowingSubgraphCount;

  ZorvelCompilerPlugin plugin = nullptr;
  ::testing::internal::CaptureStderr();
  const ZorvelStatus created = table_->create_plugin(&throwing, &plugin, nullptr, nullptr);
  std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(created, kZorvelStatusOk);
  EXPECT_EQ(plugin, nullptr);
  EXPECT_THAT(log, HasSubstr("ERROR: "));

  throwing.get_environment_option = api_.table()->get_environment_option;
  ASSERT_EQ(table_->create_plugin(&throwing, &plugin, nullptr, nullptr), kZorvelStatusOk);
  HostSelectedOps selected(sg);
  ::testing::internal::CaptureStderr();
  EXPECT_NE(table_->partition(plugin, "LNL", api_.Handle(sg), api_.Handle(selected)),
            kZorvelStatusOk);
  log = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(log, HasSubstr("ERROR: "));
  EXPECT_THAT(Selected(selected), IsEmpty());

  ZorvelCompiledResult result = nullptr;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(table_->compile(plugin, "LNL", api_.Handle(model_), &result),
            kZorvelStatusErrorCompilation);
  log = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(log, HasSubstr("ERROR: "));
  EXPECT_EQ(result, nullptr);
  table_->destroy_plugin(plugin);
}

TEST_F(PartitionTest, HostStatusFromAddingASelectionIsReturned) {
  HostSubgraph& sg = model_.AddSubgraph();
  TensorId t = sg.AddInput("x", F32({1, 8}));
  for (int i = 0; i < 3; ++i)
    t = sg.AddOp(kZorvelOpCodeRelu, {t}, "r" + std::to_string(i), F32({1, 8}));
  sg.AddOutput(t);
  api_.FailEntry(33, 77, /*succeed_first=*/1);
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), 77);
  // The op selected before the failure stays selected; the one after is never looked at.
  EXPECT_THAT(Selected(selected), ElementsAre(0u));
  EXPECT_EQ(api_.CallCount(33), 2u);
}

TEST_F(PartitionTest, EmptySubgraphAndNullPlugin) {
  HostSubgraph& sg = model_.AddSubgraph();
  HostSelectedOps selected(sg);
  EXPECT_EQ(Partition(selected), kZorvelStatusOk);
  EXPECT_THAT(Selected(selected), IsEmpty());
  EXPECT_EQ(table_->partition(nullptr, nullptr, api_.Handle(sg), api_.Handle(selected)),
            kZorvelStatusErrorInvalidArgument);
}

TEST_F(PartitionTest, HostPartitionStepSplitsAroundAnUnsupportedOp) {
  // x -> ADD(w) -> FLOOR (left to the host) -> MUL(w) -> y, with w shared by both partitions.
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4}));
  const TensorId w = sg.AddConstant<float>("w", {1, 4}, {1, 2, 3, 4});
  const TensorId a = sg.AddOp(kZorvelOpCodeAdd, {x, w}, "a", F32({1, 4}));
  const TensorId f = sg.AddOp(kZorvelOpCodeFloor, {a}, "f", F32({1, 4}));
  const TensorId y = sg.AddOp(kZorvelOpCodeMul, {f, w}, "y", F32({1, 4}));
  sg.AddOutput(y);
  ModelSelection selection(model_);
  ASSERT_EQ(Partition(selection[0]), kZorvelStatusOk);
  EXPECT_THAT(Selected(selection[0]), ElementsAre(0u, 2u));

  const auto partitioned = ::zorvel::host::FormPartitions(selection);
  ASSERT_EQ(partitioned.model->num_subgraphs(), 2u);
  const HostSubgraph& p0 = partitioned.model->subgraph(0);
  const HostSubgraph& p1 = partitioned.model->subgraph(1);
  ASSERT_EQ(p0.outputs().size(), 1u);
  ASSERT_EQ(p1.inputs().size(), 1u);
  EXPECT_EQ(p0.outputs()[0]->name, "a");
  EXPECT_EQ(p1.inputs()[0]->name, "f");
  // Both partitions read the one weight buffer of w.
  const auto find_w = [](const HostSubgraph& p) -> const ::zorvel::host::HostTensor* {
    for (size_t i = 0; i < p.num_tensors(); ++i) {
      if (p.tensor(static_cast<TensorId>(i)).name == "w")
        return &p.tensor(static_cast<TensorId>(i));
    }
    return nullptr;
  };
  const auto* w0 = find_w(p0);
  const auto* w1 = find_w(p1);
  ASSERT_NE(w0, nullptr);
  ASSERT_NE(w1, nullptr);
  EXPECT_EQ(w0->weights.buffer_id, sg.tensor(w).weights.buffer_id);
  EXPECT_EQ(w1->weights.buffer_id, sg.tensor(w).weights.buffer_id);
  EXPECT_EQ(w0->weights.buffer.get(), sg.tensor(w).weights.buffer.get());
  EXPECT_EQ(w1->weights.buffer.get(), sg.tensor(w).weights.buffer.get());
}

// The log level comes from the host environment at creation; watch it through partition's lines.
TEST_F(PartitionTest, CreationTakesTheLogLevelFromTheEnvironment) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  sg.AddOutput(sg.AddOp(kUnsupportedCode, {x}, "y", F32({1, 8})));

  auto recreate = [&](ZorvelEnvironment environment) {
    table_->destroy_plugin(plugin_);
    ASSERT_EQ(table_->create_plugin(api_.table(), &plugin_, environment, nullptr), kZorvelStatusOk);
  };
  HostEnvironment silent;
  silent.SetLogLevel(4);
  recreate(api_.Handle(silent));
  HostSelectedOps s1(sg);
  EXPECT_EQ(Partition(s1), kZorvelStatusOk);
  EXPECT_EQ(log_, "");

  // Creation resets to INFO first; a value that is not an integer changes nothing.
  HostEnvironment text;
  text.SetString(kZorvelEnvOptionTagLogLevel, "4");
  recreate(api_.Handle(text));
  HostSelectedOps s2(sg);
  EXPECT_EQ(Partition(s2), kZorvelStatusOk);
  EXPECT_THAT(log_, HasSubstr("INFO: "));

  // A host without the environment entry, or failing it, leaves INFO as well.
  recreate(api_.Handle(silent));
  api_.RemoveEntry(37);
  recreate(api_.Handle(silent));
  HostSelectedOps s3(sg);
  EXPECT_EQ(Partition(s3), kZorvelStatusOk);
  EXPECT_THAT(log_, HasSubstr("INFO: "));
  api_.RestoreEntry(37);
  api_.FailEntry(37, 9);
  recreate(api_.Handle(silent));
  HostSelectedOps s4(sg);
  EXPECT_EQ(Partition(s4), kZorvelStatusOk);
  EXPECT_THAT(log_, HasSubstr("INFO: "));
  api_.ClearFailures();

  // Only the low byte of the integer counts: 0x104 is 4, SILENT.
  HostEnvironment wide;
  wide.SetLogLevel(0x104);
  recreate(api_.Handle(wide));
  HostSelectedOps s5(sg);
  EXPECT_EQ(Partition(s5), kZorvelStatusOk);
  EXPECT_EQ(log_, "");
  recreate(nullptr);
}

}  // namespace
