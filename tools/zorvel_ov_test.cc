// The host side of zorvel-ov: the compile output file, option payloads, a compile session over the
// dlopen'ed plug-in, and verification catching partitions that do not match their host subgraph.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tools/builtin_models.h"
#include "tools/compile_output.h"
#include "tools/compile_session.h"
#include "tools/module_info.h"
#include "tools/plugin_loader.h"
#include "tools/verify.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"

namespace zorvel::tools {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

CompileOutput TwoCallsOneModule() {
  CompileOutput output;
  output.calls = {{"Partition_0", 0}, {"Partition_1", 0}};
  output.modules = {std::string("OVGLOBAL\3\0", 10)};
  return output;
}

TEST(CompileOutputTest, RoundTripsAndDocumentedLayout) {
  const CompileOutput output = TwoCallsOneModule();
  const std::string bytes = SerializeCompileOutput(output);
  EXPECT_EQ(bytes.substr(0, 20), std::string("ZVLOVOUT\1\0\0\0\2\0\0\0\1\0\0\0", 20));
  EXPECT_EQ(bytes.substr(20, 4 + 11 + 4), std::string("\x0b\0\0\0Partition_0\0\0\0\0", 19));
  absl::StatusOr<CompileOutput> parsed = ParseCompileOutput(bytes);
  ASSERT_TRUE(parsed.ok()) << parsed.status();
  ASSERT_EQ(parsed->calls.size(), 2u);
  EXPECT_EQ(parsed->calls[1].name, "Partition_1");
  EXPECT_EQ(parsed->calls[1].module_index, 0u);
  EXPECT_THAT(parsed->modules, ElementsAre(output.modules[0]));

  const std::string empty = SerializeCompileOutput({});
  EXPECT_EQ(empty.size(), 20u);
  EXPECT_TRUE(ParseCompileOutput(empty).ok());
}

TEST(CompileOutputTest, EveryTruncationIsRefusedWithWhereItStopped) {
  const std::string bytes = SerializeCompileOutput(TwoCallsOneModule());
  for (size_t n = 0; n < bytes.size(); ++n) {
    absl::StatusOr<CompileOutput> parsed = ParseCompileOutput(bytes.substr(0, n));
    ASSERT_FALSE(parsed.ok()) << n;
    if (n >= 8) {
      EXPECT_THAT(std::string(parsed.status().message()), HasSubstr("truncated")) << n;
    }
  }
  EXPECT_THAT(std::string(ParseCompileOutput(bytes.substr(0, bytes.size() - 1)).status().message()),
              HasSubstr("module 0 needs 10 bytes, 9 left"));
}

TEST(CompileOutputTest, MalformedFilesAreRefusedWithAClearError) {
  auto message = [](const std::string& bytes) {
    return std::string(ParseCompileOutput(bytes).status().message());
  };
  EXPECT_THAT(message("ZVLOVHDR\1\0\0\0\2\0\0\0\0\0\0\0"), HasSubstr("not a zorvel-ov compile"));
  std::string bytes = SerializeCompileOutput(TwoCallsOneModule());

  std::string version = bytes;
  version[8] = 2;
  EXPECT_THAT(message(version), HasSubstr("version 2 is not supported"));

  std::string bad_index = bytes;
  bad_index[20 + 4 + 11] = 1;  // call 0 names module 1 of 1
  EXPECT_THAT(message(bad_index), HasSubstr("call 0 (Partition_0) refers to module 1 of 1"));

  EXPECT_THAT(message(bytes + "x"), HasSubstr("1 stray bytes after the last module"));

  // Counts no file of this size could hold are refused before anything is reserved.
  std::string huge = bytes.substr(0, 20);
  std::memset(&huge[12], 0xff, 8);
  EXPECT_THAT(message(huge), HasSubstr("truncated at byte 20"));

  std::string huge_module = SerializeCompileOutput({{}, {std::string("abc")}});
  std::memset(&huge_module[20], 0xff, 8);
  EXPECT_THAT(message(huge_module), HasSubstr("module 0 needs 18446744073709551615 bytes"));
}

TEST(CompileOutputTest, FilesAreWrittenWholeOrNotAtAll) {
  const std::string path = ::testing::TempDir() + "/zorvel_ov_test.zvlout";
  const std::string bytes = SerializeCompileOutput(TwoCallsOneModule());
  ASSERT_TRUE(WriteFile(path, bytes).ok());
  absl::StatusOr<std::string> read = ReadFile(path);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(*read, bytes);
  EXPECT_FALSE(WriteFile("/nonexistent-dir/out.zvlout", bytes).ok());
  EXPECT_THAT(std::string(ReadFile("/nonexistent-dir/out.zvlout").status().message()),
              HasSubstr("cannot read /nonexistent-dir/out.zvlout"));
}

TEST(VendorPayloadTest, QuotesTextAndKeepsNumbersAndBooleans) {
  absl::StatusOr<std::string> payload = VendorPayload(
      {"graph.-1.graph_backend=2", "enable_weight_sharing = false", "configs_map.NPUW_ATTN=HFA",
       "configs_map.enable_hfa=true", "configs_map.X=\"as is\"", "configs_map.Y=a\"b"});
  ASSERT_TRUE(payload.ok()) << payload.status();
  EXPECT_EQ(*payload,
            "graph.-1.graph_backend = 2\n"
            "enable_weight_sharing = false\n"
            "configs_map.NPUW_ATTN = \"HFA\"\n"
            "configs_map.enable_hfa = true\n"
            "configs_map.X = \"as is\"\n"
            "configs_map.Y = \"a\\\"b\"\n");
  EXPECT_FALSE(VendorPayload({"no_equals"}).ok());
  EXPECT_FALSE(VendorPayload({"=1"}).ok());
  EXPECT_FALSE(VendorPayload({"bad key=1"}).ok());
}

TEST(ModuleInfoTest, PartitionBlobHeadersAreChecked) {
  std::string blob("ZVLOVHDR\1\0\0\0\2\0\0\0\0\0\0\0blob", 24);
  absl::StatusOr<PartitionBlobView> view = ReadPartitionBlob(blob);
  ASSERT_TRUE(view.ok());
  EXPECT_EQ(view->device_code, 2u);
  EXPECT_EQ(view->exported, "blob");
  EXPECT_THAT(std::string(ReadPartitionBlob(blob.substr(0, 19)).status().message()),
              HasSubstr("20-byte header, this one has 19 bytes"));
  std::string device = blob;
  device[12] = 3;
  EXPECT_THAT(std::string(ReadPartitionBlob(device).status().message()),
              HasSubstr("device code 3"));
  std::string version = blob;
  version[8] = 9;
  EXPECT_THAT(std::string(ReadPartitionBlob(version).status().message()), HasSubstr("version 9"));
  EXPECT_FALSE(DescribeModule("garbage").ok());
  // A header over bytes that are no exported model still describes what it can.
  absl::StatusOr<std::string> text = DescribeModule(blob);
  ASSERT_TRUE(text.ok());
  EXPECT_THAT(*text, HasSubstr("device code 2 (NPU)"));
  EXPECT_THAT(*text, HasSubstr("not importable on its own"));
}

class CompileSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plugin_.Load(DefaultPluginPath(), &error)) << error;
  }
  absl::StatusOr<CompileRun> Compile(const std::string& model, std::vector<std::string> options,
                                     std::vector<std::string>* progress = nullptr) {
    CompileRequest request;
    request.model = model;
    request.soc_model = "LNL";
    request.options = std::move(options);
    if (progress == nullptr) return RunCompile(plugin_, request, nullptr);
    return RunCompile(plugin_, request,
                      [&](const std::string& line) { progress->push_back(line); });
  }
  PluginLibrary plugin_;
};

TEST_F(CompileSessionTest, ExampleFormsFourPartitionsOverSharedWeights) {
  std::vector<std::string> progress;
  absl::StatusOr<CompileRun> run = Compile("", {"enable_weight_sharing=false"}, &progress);
  ASSERT_TRUE(run.ok()) << run.status();
  ASSERT_EQ(run->output.calls.size(), 4u);
  ASSERT_EQ(run->output.modules.size(), 4u);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(run->output.calls[i].name, "Partition_" + std::to_string(i));
    EXPECT_EQ(run->output.calls[i].module_index, i);
    absl::StatusOr<PartitionBlobView> blob = ReadPartitionBlob(run->output.modules[i]);
    ASSERT_TRUE(blob.ok());
    EXPECT_EQ(blob->device_code, 2u);  // NPU by default
  }
  // Prefill and decode read the same buffers: the per-partition sum counts them twice.
  uint64_t sum = 0;
  for (uint64_t bytes : run->partition_weight_bytes) sum += bytes;
  EXPECT_GT(sum, run->distinct_weight_bytes + run->distinct_weight_bytes / 2);
  EXPECT_EQ(run->partition_weight_bytes[1], run->partition_weight_bytes[3]);  // the output heads
  ASSERT_EQ(progress.size(), 4u);
  EXPECT_THAT(progress[1], HasSubstr("Partition_1: subgraph 0, 1 ops"));

  // Shared (the default): one container that every call refers to, its pool holding each
  // distinct weight buffer once at most.
  absl::StatusOr<CompileRun> shared = Compile("", {});
  ASSERT_TRUE(shared.ok()) << shared.status();
  ASSERT_EQ(shared->output.modules.size(), 1u);
  ASSERT_EQ(shared->output.calls.size(), 4u);
  for (const CompiledCall& call : shared->output.calls) {
    EXPECT_EQ(call.module_index, 0u);
    absl::StatusOr<PartitionBlobView> blob =
        FindPartitionBlob(shared->output.modules[0], call.name);
    ASSERT_TRUE(blob.ok()) << blob.status();
    EXPECT_EQ(blob->device_code, 2u);
  }
  absl::StatusOr<uint64_t> pooled = PoolBytes(shared->output.modules[0]);
  ASSERT_TRUE(pooled.ok());
  EXPECT_GT(*pooled, 0u);
  EXPECT_LE(*pooled, shared->distinct_weight_bytes);
}

// Lines of `log` that contain `text`.
size_t CountLines(const std::vector<CompileRun::LogLine>& log, const std::string& text) {
  size_t n = 0;
  for (const CompileRun::LogLine& line : log) n += line.text.find(text) != std::string::npos;
  return n;
}

// The example under the options `make run` passes: each NPU rewrite it is built to show is
// applied, in the step it is meant for; the two steps' weights are pooled once; the container
// verifies against the host subgraphs.
TEST_F(CompileSessionTest, ExampleTakesEveryNpuRewriteAndPoolsItsWeightsOnce) {
  CompileRequest request;
  request.soc_model = "LNL";
  request.options = {"enable_weight_sharing=true", "configs_map.fuse_split_attention_to_sdpa=true",
                     "configs_map.unfold_gqa_sequence_fold=true", "configs_map.enable_hfa=true",
                     "configs_map.enable_moe_gather=true"};
  request.debug = true;
  absl::StatusOr<CompileRun> run = RunCompile(plugin_, request, nullptr);
  ASSERT_TRUE(run.ok()) << run.status();
  const std::vector<CompileRun::LogLine>& log = run->compile_log;
  EXPECT_GE(CountLines(log,
                       "FuseSplitAttentionToSDPA: fused split-attention into "
                       "v13::ScaledDotProductAttention"),
            2u);
  // Unfolded in both steps: sixteen query rows in prefill, one in decode.
  EXPECT_GE(CountLines(log, "(ratio=2, Hkv=2): Q stays [1,4,16,8]"), 1u);
  EXPECT_GE(CountLines(log, "(ratio=2, Hkv=2): Q stays [1,4,1,8]"), 1u);
  EXPECT_EQ(CountLines(log, "UnfoldGqaSequenceFold: rewrote 0 of 1"), 0u);
  // HFA takes the prefill attention and reads its history from the prefill mask; decode's
  // single-token attention stays fused.
  EXPECT_GE(CountLines(log, "DecomposeSDPAForHFA: decomposed 1 of 1 SDPA op(s)"), 1u);
  EXPECT_GE(CountLines(log, "1 single-token skipped"), 1u);
  EXPECT_GE(CountLines(log, "the HFA history is read from input 'layer0/attn_mask' [1,1,16,32]"),
            1u);
  // The decode MoE layer becomes the gather-K subgraph, the prefill one the chunked one.
  EXPECT_GE(CountLines(log, "with gather-K subgraph"), 1u);
  EXPECT_GE(CountLines(log, "with multi-token chunked subgraph"), 1u);
  EXPECT_EQ(CountLines(log, ": abort:"), 0u);
  EXPECT_EQ(CountLines(log, "WARNING"), 0u);
  EXPECT_EQ(CountLines(log, "ERROR"), 0u);

  ASSERT_EQ(run->output.modules.size(), 1u);
  ASSERT_EQ(run->partition_weight_bytes.size(), 4u);
  const std::vector<uint64_t>& weights = run->partition_weight_bytes;
  EXPECT_EQ(weights[0], weights[2]);  // prefill and decode layers read the same weights
  absl::StatusOr<uint64_t> pooled = PoolBytes(run->output.modules[0]);
  ASSERT_TRUE(pooled.ok()) << pooled.status();
  // Pooled once: less than the two steps' layers alone would take if each kept its copy.
  EXPECT_LT(*pooled, weights[0] + weights[2]);
  EXPECT_GT(*pooled, weights[0]);
  absl::StatusOr<std::string> text = DescribeModule(run->output.modules[0]);
  ASSERT_TRUE(text.ok()) << text.status();
  EXPECT_THAT(*text, HasSubstr("Partition_0: device code 2 (NPU), KV-cache extent 16"));
  EXPECT_THAT(*text, HasSubstr("Partition_2: device code 2 (NPU), KV-cache extent 31"));

  const std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  ASSERT_EQ(checks.size(), 4u);
  for (const PartitionCheck& check : checks) {
    EXPECT_EQ(check.failure, "") << check.call_name;
    EXPECT_EQ(check.device, "NPU") << check.call_name;
    EXPECT_LE(check.max_abs_error, 1e-4 * std::max(1.0, check.max_abs_reference))
        << check.call_name;
    EXPECT_GT(check.max_abs_reference, 0.1) << check.call_name;
  }
}

// Deeper examples (as the pass-pipeline benchmark builds them) take the same rewrites in every
// layer and still match their host subgraphs.
TEST_F(CompileSessionTest, ExampleWithTwoLayersRewritesBothAndVerifies) {
  CompileRequest request;
  request.options = {"configs_map.enable_hfa=true", "configs_map.enable_moe_gather=true"};
  request.debug = true;
  absl::StatusOr<CompileRun> run =
      RunCompileOn(plugin_, BuildExampleLanguageModel(2), request, nullptr);
  ASSERT_TRUE(run.ok()) << run.status();
  EXPECT_GE(CountLines(run->compile_log, "UnfoldGqaSequenceFold: rewrote 2 of 2"), 2u);
  EXPECT_GE(CountLines(run->compile_log, "DecomposeSDPAForHFA: decomposed 2 of 2"), 1u);
  EXPECT_GE(CountLines(run->compile_log, "[MoEGather] discovered 2 candidate"), 2u);
  EXPECT_EQ(CountLines(run->compile_log, ": abort:"), 0u);
  const std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  ASSERT_EQ(checks.size(), 4u);
  for (const PartitionCheck& check : checks) {
    EXPECT_EQ(check.failure, "") << check.call_name;
    EXPECT_LE(check.max_abs_error, 1e-4 * std::max(1.0, check.max_abs_reference))
        << check.call_name;
  }
}

TEST_F(CompileSessionTest, FailuresNameTheStep) {
  EXPECT_THAT(std::string(Compile("no-such-model", {}).status().message()),
              HasSubstr("unknown model 'no-such-model'"));
  EXPECT_THAT(std::string(Compile("/nonexistent/model.tflite", {}).status().message()),
              HasSubstr("/nonexistent/model.tflite: "));
  EXPECT_THAT(std::string(Compile("", {"oops"}).status().message()), HasSubstr("key=value"));
  CompileRequest request;
  request.soc_model = "NOT_A_SOC";
  EXPECT_THAT(std::string(RunCompile(plugin_, request, nullptr).status().message()),
              HasSubstr("compile failed with status 1"));
}

TEST_F(CompileSessionTest, VerifyPassesOnEveryDeviceAndCatchesAMismatchedModule) {
  for (const char* backend : {"0", "1", "2"}) {
    SCOPED_TRACE(backend);
    absl::StatusOr<CompileRun> run =
        Compile("", {std::string("graph.-1.graph_backend=") + backend});
    ASSERT_TRUE(run.ok()) << run.status();
    const std::vector<PartitionCheck> checks = VerifyPartitions(*run);
    ASSERT_EQ(checks.size(), 4u);
    for (const PartitionCheck& check : checks) {
      EXPECT_EQ(check.failure, "") << check.call_name;
      EXPECT_LE(check.max_abs_error, 1e-5) << check.call_name;
      EXPECT_GT(check.max_abs_reference, 0.1) << check.call_name;
    }
  }

  absl::StatusOr<CompileRun> run = Compile("", {"graph.-1.graph_backend=0"});
  ASSERT_TRUE(run.ok());
  // The two output heads differ only in their row count: swapped, their shapes disagree.
  std::swap(run->output.modules[1], run->output.modules[3]);
  std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  EXPECT_EQ(checks[1].failure,
            "input 0 is [1,32] in the compiled partition and [16,32] in the host subgraph");
  // A partition run with other weights than its host subgraph's is caught by the numbers.
  // The decode layers in place of the prefill ones: one token row where sixteen are fed.
  run->output.modules[0] = run->output.modules[2];
  run->output.modules[1] = SerializeCompileOutput({});
  checks = VerifyPartitions(*run);
  EXPECT_EQ(checks[0].failure,
            "input 0 is [1,1] in the compiled partition and [1,16] in the host subgraph");
  EXPECT_THAT(checks[1].failure, HasSubstr("neither a partition blob nor a container"));
}

TEST_F(CompileSessionTest, VerifySeesWrongNumbers) {
  // Two subgraphs of the same shape that add different constants: each module run against the
  // other's subgraph is off by exactly the difference.
  auto model = std::make_unique<host::HostModel>();
  for (float c : {1.0f, 1.5f}) {
    host::HostSubgraph& sg = model->AddSubgraph();
    const auto type = host::TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4});
    const host::TensorId x = sg.AddInput("x", type);
    const host::TensorId k = sg.AddConstant<float>("c", {4}, {c, c, c, c});
    sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, k}, "y", type));
  }
  CompileRequest request;
  request.options = {"graph.-1.graph_backend=0"};
  absl::StatusOr<CompileRun> run = RunCompileOn(plugin_, std::move(model), request, nullptr);
  ASSERT_TRUE(run.ok()) << run.status();
  ASSERT_EQ(run->output.modules.size(), 2u);
  std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  EXPECT_EQ(checks[0].max_abs_error, 0);
  EXPECT_EQ(checks[1].max_abs_error, 0);
  std::swap(run->output.modules[0], run->output.modules[1]);
  checks = VerifyPartitions(*run);
  ASSERT_EQ(checks[0].failure, "");
  EXPECT_FLOAT_EQ(checks[0].max_abs_error, 0.5);
  EXPECT_FLOAT_EQ(checks[1].max_abs_error, 0.5);
}

// A container holding the partition blobs of an unshared compile (an empty pool): verify and
// inspect read it as the runtime does.
TEST_F(CompileSessionTest, ContainersAreVerifiedAndInspectedThroughTheLoader) {
  absl::StatusOr<CompileRun> run = Compile("", {"graph.-1.graph_backend=0"});
  ASSERT_TRUE(run.ok()) << run.status();
  std::map<std::string, openvino::GlobalGraphSubgraph> records;
  for (size_t i = 0; i < run->output.calls.size(); ++i) {
    openvino::GlobalGraphSubgraph& record = records[run->output.calls[i].name];
    record.name = run->output.calls[i].name;
    record.device_code = 0;
    record.blob = run->output.modules[i];
  }
  const std::string container = openvino::WriteGlobalGraph({}, records);
  run->output.modules = {container};
  for (CompiledCall& call : run->output.calls) call.module_index = 0;

  const std::vector<PartitionCheck> checks = VerifyPartitions(*run);
  ASSERT_EQ(checks.size(), 4u);
  for (const PartitionCheck& check : checks) {
    EXPECT_EQ(check.failure, "") << check.call_name;
    EXPECT_EQ(check.device, "CPU");
    EXPECT_EQ(check.max_abs_error, 0);
  }
  absl::StatusOr<PartitionBlobView> blob = FindPartitionBlob(container, "Partition_2");
  ASSERT_TRUE(blob.ok()) << blob.status();
  EXPECT_THAT(std::string(FindPartitionBlob(container, "Partition_9").status().message()),
              HasSubstr("no record named Partition_9"));
  EXPECT_EQ(*PoolBytes(container), 0u);

  absl::StatusOr<std::string> text = DescribeModule(container);
  ASSERT_TRUE(text.ok()) << text.status();
  EXPECT_THAT(*text, HasSubstr("pool: 0 buffers, 0 bytes"));
  EXPECT_THAT(*text, HasSubstr("Partition_2: device code 0 (CPU), KV-cache extent 0, 0 bindings"));
  EXPECT_THAT(*text, HasSubstr("layer0/attn_kv_cache_k  f32 [1,2,16,8]"));

  // A container cut short is refused, by inspect and by verify.
  const std::string cut = container.substr(0, container.size() / 2);
  EXPECT_THAT(std::string(DescribeModule(cut).status().message()),
              HasSubstr("GlobalGraph container refused"));
  run->output.modules = {cut};
  EXPECT_THAT(VerifyPartitions(*run)[0].failure, HasSubstr("does not"));
}

}  // namespace
}  // namespace zorvel::tools
