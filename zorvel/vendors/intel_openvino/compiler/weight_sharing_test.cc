// The weight-sharing compile through the dlopen'ed table over the stand-in host: when it is on,
// the one module it gives, the container's records, pool and bindings, the NPU properties of the
// shared partitions, and the container loaded back and run against the unshared compile.
#include <farmhash.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/runtime/core.hpp"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"
#include "zorvel/host/moe_block.h"
#include "zorvel/host/shared_weights.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"
#include "zorvel/vendors/intel_openvino/compiler/global_graph_loader.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"
#include "zorvel/vendors/intel_openvino/compiler/plugin_test_util.h"

namespace zorvel::openvino {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using ::zorvel::host::BufferId;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;

using ::zorvel::testing::F32;

using ::zorvel::testing::Ramp;

using ::zorvel::testing::FloatBytes;

size_t Occurrences(std::string_view haystack, std::string_view needle) {
  size_t n = 0;
  for (size_t at = haystack.find(needle); at != std::string_view::npos;
       at = haystack.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

TensorId FullyConnected(HostSubgraph& sg, TensorId x, TensorId w, const std::string& name,
                        int32_t units) {
  const TensorId out = sg.AddTensor(name, F32({1, units}));
  sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {out})
      .SetOption(66, 0u)
      .SetOption(67, 0u)
      .SetOption(68, true);
  return out;
}

// Two partitions reading the same host buffers: the [kOut, kIn] projection "shared_w" and the
// bias "shared_b" (too small to share). Partition 1 also has a weight of its own.
constexpr int32_t kIn = 64;
constexpr int32_t kOut = 48;

struct SharedModel {
  BufferId shared_w = -1;
  BufferId shared_b = -1;
  std::vector<uint8_t> w_bytes;
  std::vector<uint8_t> own_bytes;
};

SharedModel AddSharingSubgraphs(HostModel& model) {
  SharedModel shared;
  shared.w_bytes = FloatBytes(Ramp(kOut * kIn, 0.01f, -0.05f));
  shared.own_bytes = FloatBytes(Ramp(kOut * kOut, 0.02f, -0.1f));
  shared.shared_w = model.AddBuffer(shared.w_bytes);
  shared.shared_b = model.AddBuffer(FloatBytes(Ramp(kOut, 0.1f, -0.5f)));

  HostSubgraph& first = model.AddSubgraph();
  const TensorId x0 = first.AddInput("x0", F32({1, kIn}));
  const TensorId w0 = first.AddConstant("shared_w", F32({kOut, kIn}), shared.shared_w);
  const TensorId b0 = first.AddConstant("shared_b", F32({kOut}), shared.shared_b);
  const TensorId h0 = FullyConnected(first, x0, w0, "h0", kOut);
  first.AddOutput(first.AddOp(kZorvelOpCodeAdd, {h0, b0}, "y0", F32({1, kOut})));

  HostSubgraph& second = model.AddSubgraph();
  const TensorId x1 = second.AddInput("x1", F32({1, kIn}));
  const TensorId w1 = second.AddConstant("shared_w", F32({kOut, kIn}), shared.shared_w);
  const TensorId b1 = second.AddConstant("shared_b", F32({kOut}), shared.shared_b);
  const TensorId h1 = FullyConnected(second, x1, w1, "h1", kOut);
  const TensorId r1 = second.AddOp(kZorvelOpCodeAdd, {h1, b1}, "r1", F32({1, kOut}));
  const TensorId own = second.AddConstant("own_w", F32({kOut, kOut}), shared.own_bytes);
  second.AddOutput(FullyConnected(second, r1, own, "y1", kOut));
  return shared;
}

// x [1,4] + c [4]: nothing in it is large enough to share.
void AddTinySubgraph(HostModel& model, const std::string& input = "x") {
  HostSubgraph& sg = model.AddSubgraph();
  const TensorId x = sg.AddInput(input, F32({1, 4}));
  const TensorId c = sg.AddConstant<float>("c", {4}, {1, 2, 3, 4});
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({1, 4})));
}

class WeightSharingTest : public ::zorvel::testing::PluginCompileTest {
 protected:
  // Compiles model_ with the vendor payload (no options at all when null) and keeps the modules.
  ZorvelStatus Compile(const char* payload, const char* soc_model = "LNL") {
    Release();
    modules_.clear();
    calls_.clear();
    CreatePlugin(payload);
    const ZorvelStatus status = CompileModel(soc_model);
    if (status != kZorvelStatusOk) return status;
    const uint64_t modules = NumModules();
    const uint64_t calls = NumCalls();
    for (uint64_t i = 0; i < modules; ++i) modules_.push_back(Module(i));
    for (uint64_t i = 0; i < calls; ++i) calls_.push_back(Call(i));
    return status;
  }

  GlobalGraphView Container() {
    EXPECT_EQ(modules_.size(), 1u);
    if (modules_.size() != 1) return {};
    Expected<GlobalGraphView> view = ReadGlobalGraph(modules_[0]);
    EXPECT_TRUE(view.HasValue()) << view.GetError().Message();
    return view.HasValue() ? *view : GlobalGraphView{};
  }

  // The properties a partition blob was compiled with, read back by importing it.
  ov::CompiledModel Import(std::string_view blob) {
    const std::optional<BlobHeader> header = ReadBlobHeader(blob);
    EXPECT_TRUE(header.has_value());
    const char* device = header->device_code == 0   ? "CPU"
                         : header->device_code == 1 ? "GPU"
                                                    : "NPU";
    std::istringstream stream(std::string(blob.substr(BlobHeader::kSize)));
    return core_.import_model(stream, device);
  }

  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const auto& [name, module] : calls_) names.push_back(name);
    return names;
  }

  ov::Core core_;
  std::vector<std::string> modules_;
  std::vector<std::pair<std::string, uint64_t>> calls_;
};

TEST_F(WeightSharingTest, TwoNpuPartitionsShareOnePoolAndOneBank) {
  const SharedModel shared = AddSharingSubgraphs(model_);
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  ASSERT_EQ(modules_.size(), 1u);
  EXPECT_THAT(calls_,
              ElementsAre(std::make_pair("Partition_0", 0u), std::make_pair("Partition_1", 0u)));
  const std::string& container = modules_[0];
  const GlobalGraphView view = Container();
  ASSERT_EQ(view.subgraphs.size(), 2u);
  EXPECT_EQ(view.subgraphs[0].name, "Partition_0");
  EXPECT_EQ(view.subgraphs[1].name, "Partition_1");

  // The shared weight is in the pool under its host buffer id, and nowhere else in the container.
  const GlobalGraphBuffer* pooled = view.FindBuffer(shared.shared_w);
  ASSERT_NE(pooled, nullptr);
  const std::string_view w(reinterpret_cast<const char*>(shared.w_bytes.data()),
                           shared.w_bytes.size());
  EXPECT_EQ(pooled->bytes, w);
  EXPECT_EQ(Occurrences(container, w), 1u);
  const std::string_view own(reinterpret_cast<const char*>(shared.own_bytes.data()),
                             shared.own_bytes.size());
  EXPECT_EQ(Occurrences(container, own), 1u);

  for (const GlobalGraphSubgraph& record : view.subgraphs) {
    EXPECT_EQ(record.device_code, 2);
    EXPECT_TRUE(record.bindings.empty());
    EXPECT_EQ(record.kv_cache_extent, 0u);
  }
  // The blobs are weightless: they import only with the pool, through the loader.
  Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core_, container);
  ASSERT_TRUE(loaded.HasValue()) << loaded.GetError().Message();
  std::vector<std::string> banks;
  for (LoadedPartition& partition : loaded->partitions()) {
    SCOPED_TRACE(partition.name);
    const ov::CompiledModel& compiled = partition.compiled;
    EXPECT_EQ(compiled.get_property("NPU_USE_NPUW").as<std::string>(), "YES");
    EXPECT_EQ(compiled.get_property("NPUW_CWAI").as<std::string>(), "YES");
    banks.push_back(compiled.get_property("NPUW_WEIGHTS_BANK").as<std::string>());
  }
  ASSERT_EQ(banks.size(), 2u);
  EXPECT_EQ(banks[0], banks[1]);
  EXPECT_THAT(banks[0], StartsWith("zorvel_npuw_"));
  EXPECT_EQ(banks[0].size(), 12u + 16u);

  EXPECT_EQ(Count("] Weight sharing (NPU): building shared pool\n"), 1u);
  EXPECT_EQ(Count("NPU weight sharing: enabled NPUW weightless compile knobs (single-token chunk "
                  "pipeline, bank '" +
                  banks[0] + "')\n"),
            2u);
  EXPECT_THAT(log_, HasSubstr("] Weight sharing: GlobalGraph container " +
                              std::to_string(container.size()) + " bytes (" +
                              std::to_string(view.buffers.size()) + " buffers, 2 subgraphs)\n"));
  // Each NPU partition is translated once, in the pool phase, and that model is compiled.
  EXPECT_EQ(Count("] Model loaded\n"), 2u);
  EXPECT_EQ(Count("] Model export done\n"), 2u);
}

TEST_F(WeightSharingTest, TwoGpuPartitionsBindTheirSharedWeightsToPoolBuffers) {
  const SharedModel shared = AddSharingSubgraphs(model_);
  ASSERT_EQ(Compile("graph.-1.graph_backend = 1\n"), kZorvelStatusOk) << log_;
  const GlobalGraphView view = Container();
  ASSERT_EQ(view.subgraphs.size(), 2u);
  // Every host buffer is pooled: nothing is pruned on the GPU.
  std::vector<int32_t> ids;
  for (const GlobalGraphBuffer& buffer : view.buffers) ids.push_back(buffer.id);
  std::vector<int32_t> host_ids;
  for (const auto& [id, buffer] : model_.buffers()) host_ids.push_back(id);
  EXPECT_EQ(ids, host_ids);
  EXPECT_EQ(view.subgraphs[0].device_code, 1);
  EXPECT_EQ(view.subgraphs[0].bindings,
            (std::map<std::string, int32_t>{{"shared_w", shared.shared_w}}));
  EXPECT_EQ(view.subgraphs[1].bindings,
            (std::map<std::string, int32_t>{{"own_w", shared.shared_b + 1},
                                            {"shared_w", shared.shared_w}}));
  EXPECT_EQ(Count("] Weight sharing (GPU): converted 1 weights to parameters in partition 0\n"),
            1u);
  EXPECT_EQ(Count("] Weight sharing (GPU): converted 2 weights to parameters in partition 1\n"),
            1u);
  EXPECT_EQ(Count("] Weight sharing (GPU): building shared pool\n"), 1u);
  EXPECT_EQ(Count("] Model loaded\n"), 2u);  // GPU partitions are not translated for a harvest
}

TEST_F(WeightSharingTest, OffByOptionSinglePartitionOrMixedDevicesGivePerPartitionModules) {
  AddSharingSubgraphs(model_);
  ASSERT_EQ(Compile("enable_weight_sharing = false\n"), kZorvelStatusOk) << log_;
  ASSERT_EQ(modules_.size(), 2u);
  for (const std::string& module : modules_) EXPECT_THAT(module, StartsWith("ZVLOVHDR"));
  EXPECT_THAT(calls_,
              ElementsAre(std::make_pair("Partition_0", 0u), std::make_pair("Partition_1", 1u)));
  EXPECT_EQ(Count("Weight sharing"), 0u);

  ASSERT_EQ(Compile("graph.0.graph_backend = 2\ngraph.1.graph_backend = 1\n"), kZorvelStatusOk)
      << log_;
  ASSERT_EQ(modules_.size(), 2u);
  EXPECT_EQ(ReadBlobHeader(modules_[0])->device_code, 2u);
  EXPECT_EQ(ReadBlobHeader(modules_[1])->device_code, 1u);
  EXPECT_EQ(Count("Weight sharing"), 0u);

  // A CPU partition among NPU ones also switches sharing off.
  ASSERT_EQ(Compile("graph.1.graph_backend = 0\n"), kZorvelStatusOk) << log_;
  EXPECT_EQ(modules_.size(), 2u);
}

TEST_F(WeightSharingTest, SinglePartitionNeverShares) {
  AddTinySubgraph(model_);
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  ASSERT_EQ(modules_.size(), 1u);
  EXPECT_THAT(modules_[0], StartsWith("ZVLOVHDR"));
  EXPECT_EQ(Count("Weight sharing"), 0u);
}

TEST_F(WeightSharingTest, NpuPartitionWithNothingAliasedStaysInTheContainerWithoutNpuw) {
  AddSharingSubgraphs(model_);
  AddTinySubgraph(model_);
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  const GlobalGraphView view = Container();
  ASSERT_EQ(view.subgraphs.size(), 3u);
  EXPECT_EQ(view.subgraphs[2].name, "Partition_2");
  // No NPUW property was recorded in its blob, and it imports on its own: it is not weightless.
  EXPECT_EQ(Occurrences(view.subgraphs[2].blob, "NPUW"), 0u);
  EXPECT_NE(Occurrences(view.subgraphs[0].blob, "NPUW_WEIGHTS_BANK"), 0u);
  EXPECT_NO_THROW(Import(view.subgraphs[2].blob));
  EXPECT_THAT(log_, HasSubstr("] Weight sharing (NPU) p2: aliased 0 constants"));
  EXPECT_EQ(Count("NPU weight sharing: enabled NPUW weightless compile knobs"), 2u);
}

TEST_F(WeightSharingTest, TwelvePartitionsAreRecordedInNameOrderAndCalledInIndexOrder) {
  for (int i = 0; i < 12; ++i) AddTinySubgraph(model_);
  ASSERT_EQ(Compile("graph.-1.graph_backend = 1\n"), kZorvelStatusOk) << log_;
  const GlobalGraphView view = Container();
  std::vector<std::string> records;
  for (const GlobalGraphSubgraph& record : view.subgraphs) records.push_back(record.name);
  EXPECT_THAT(records, ElementsAre("Partition_0", "Partition_1", "Partition_10", "Partition_11",
                                   "Partition_2", "Partition_3", "Partition_4", "Partition_5",
                                   "Partition_6", "Partition_7", "Partition_8", "Partition_9"));
  ASSERT_EQ(calls_.size(), 12u);
  for (uint64_t i = 0; i < 12; ++i) {
    EXPECT_EQ(calls_[i], std::make_pair("Partition_" + std::to_string(i), uint64_t{0}));
  }
}

TEST_F(WeightSharingTest, KvCacheExtentIsTheLargestStaticDimensionOfKvCacheInputs) {
  AddTinySubgraph(model_);
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId past = sg.AddInput("past_kv_cache_0", F32({1, 8, 4096, 64}));
  const TensorId c = sg.AddConstant<float>("c", {1}, {0.5f});
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {past, c}, "y", F32({1, 8, 4096, 64})));
  ASSERT_EQ(Compile("graph.-1.graph_backend = 1\n"), kZorvelStatusOk) << log_;
  const GlobalGraphView view = Container();
  ASSERT_EQ(view.subgraphs.size(), 2u);
  EXPECT_EQ(view.subgraphs[0].kv_cache_extent, 0u);
  EXPECT_EQ(view.subgraphs[1].kv_cache_extent, 4096u);
}

TEST_F(WeightSharingTest, MissingSubgraphInThePoolPhaseIs504WithAnError) {
  AddSharingSubgraphs(model_);
  api_.FailEntry(/*get_model_subgraph=*/2, kZorvelStatusErrorNotFound, /*succeed_first=*/1);
  EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_THAT(log_, HasSubstr("ERROR: [openvino_compiler_plugin.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Failed to retrieve Subgraph "));
  EXPECT_EQ(Count("Compiling partition"), 0u);
}

TEST_F(WeightSharingTest, InconsistentNpuWeightSharingPropertiesEndTheCallWithTheirStatus) {
  AddSharingSubgraphs(model_);
  EXPECT_EQ(Compile("configs_map.NPUW_CWAI = NO\nconfigs_map.NPUW_FOLD = NO\n"),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("] NPU weight sharing requires NPUW_CWAI=YES, NPUW_FOLD=YES, or a non-empty "
                  "NPUW_FOLD_ONLY when NPU_USE_NPUW=YES\n"),
            1u);
  EXPECT_EQ(Count("Compiling partition"), 0u);
}

// Signed 2-bit weights are rewritten to u2 for the NPU: the rewritten constant differs from its
// pool buffer, so it must keep its own bytes rather than be read back from the pool.
TEST_F(WeightSharingTest, RewrittenTwoBitWeightsKeepTheirOwnBytesInTheContainer) {
  std::vector<uint8_t> packed(kOut * kIn / 4);
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i * 37 + 11);
  const BufferId w = model_.AddBuffer(packed);
  std::vector<float> scales(kOut);
  std::vector<int64_t> zero_points(kOut, 0);
  for (int32_t c = 0; c < kOut; ++c) scales[c] = 0.05f + 0.01f * static_cast<float>(c % 5);
  for (int i = 0; i < 2; ++i) {
    HostSubgraph& sg = model_.AddSubgraph();
    const TensorId x = sg.AddInput("x", F32({1, kIn}));
    const TensorId weights =
        sg.AddConstant("w2", TensorType::Ranked(kZorvelElementTypeInt2, {kOut, kIn}), w,
                       host::Quantization::PerChannel(0, scales, zero_points));
    sg.AddOutput(FullyConnected(sg, x, weights, "y", kOut));
  }
  ASSERT_EQ(Compile("enable_weight_sharing = false\n"), kZorvelStatusOk) << log_;
  const std::vector<std::string> unshared = modules_;
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  EXPECT_THAT(log_, HasSubstr("Converted i2 weights to u2 for tensor: w2"));
  for (const char* partition : {"p0", "p1"}) {
    EXPECT_THAT(log_, HasSubstr("] Weight sharing (NPU) " + std::string(partition) +
                                ": aliased 0 constants to the shared pool, tagged 0 with "
                                "WeightlessCacheAttribute, left 1 unshared"));
  }

  Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core_, modules_[0]);
  ASSERT_TRUE(loaded.HasValue()) << loaded.GetError().Message();
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ov::Tensor x(ov::element::f32, ov::Shape{1, kIn});
    const std::vector<float> values = Ramp(kIn, 0.3f, -1.5f);
    std::copy(values.begin(), values.end(), x.data<float>());
    ov::InferRequest actual = loaded->partitions()[i].CreateInferRequest();
    ov::InferRequest expected = Import(unshared[i]).create_infer_request();
    actual.set_input_tensor(0, x);
    expected.set_input_tensor(0, x);
    actual.infer();
    expected.infer();
    const ov::Tensor a = actual.get_output_tensor(0);
    const ov::Tensor e = expected.get_output_tensor(0);
    ASSERT_EQ(a.get_size(), e.get_size());
    for (size_t j = 0; j < a.get_size(); ++j) {
      EXPECT_EQ(a.data<const float>()[j], e.data<const float>()[j]) << j;
    }
  }
}

// Compiles whose containers must keep their bytes (see ContainersKeepTheirBytes).
struct StableCase {
  const char* name;
  void (*build)(HostModel&);
  const char* options;
  uint64_t size;
  uint64_t fingerprint;
};

void BuildTwoBitPartitions(HostModel& model) {
  std::vector<uint8_t> packed(kOut * kIn / 4);
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i * 37 + 11);
  const BufferId w = model.AddBuffer(packed);
  std::vector<float> scales(kOut, 0.05f);
  std::vector<int64_t> zero_points(kOut, 0);
  for (int i = 0; i < 2; ++i) {
    HostSubgraph& sg = model.AddSubgraph();
    const TensorId x = sg.AddInput("x", F32({1, kIn}));
    const TensorId weights =
        sg.AddConstant("w2", TensorType::Ranked(kZorvelElementTypeInt2, {kOut, kIn}), w,
                       host::Quantization::PerChannel(0, scales, zero_points));
    sg.AddOutput(FullyConnected(sg, x, weights, "y", kOut));
  }
}

// Two MoE layers per subgraph, single- and multi-token, reading the same expert buffers: the
// gather rewrite stacks them into generated constants that both partitions share.
void BuildMoEPartitions(HostModel& model) {
  host::SharedWeights shared;
  for (int32_t tokens : {1, 3}) {
    host::MoEBlockOptions options;
    options.tokens = tokens;
    options.shared_weights = &shared;
    host::AddMoESubgraph(model, options, /*layers=*/2);
  }
}

const StableCase kStableCases[] = {
    {"Npu", [](HostModel& model) { AddSharingSubgraphs(model); }, nullptr, 24790,
     0x1451a7180edec7efull},
    {"NpuOnePartitionUnaliased",
     [](HostModel& model) {
       AddSharingSubgraphs(model);
       AddTinySubgraph(model);
     },
     nullptr, 25722, 0x2348d95269133afbull},
    {"Gpu", [](HostModel& model) { AddSharingSubgraphs(model); }, "graph.-1.graph_backend = 1\n",
     24899, 0xa729850ef3e4bc03ull},
    {"NpuTwoBitRewritten", BuildTwoBitPartitions, nullptr, 6318, 0xdd008b053359451full},
    {"NpuMoEGather", BuildMoEPartitions, "configs_map.enable_moe_gather = \"true\"\n", 49826,
     0x5eb00ee79c1036aeull},
};

void PrintTo(const StableCase& c, std::ostream* os) { *os << c.name; }

// The pool phase's models are the ones compiled: every NPU partition is loaded and optimised once,
// before the pool is built, and the generated constants of both are aliased to it.
TEST_F(WeightSharingTest, NpuPartitionsAreTranslatedAndOptimisedOnce) {
  BuildMoEPartitions(model_);
  ASSERT_EQ(Compile("configs_map.enable_moe_gather = \"true\"\n"), kZorvelStatusOk) << log_;
  EXPECT_EQ(Count("] Model loaded\n"), 2u);
  EXPECT_EQ(Count("] [MoEGather] discovered "), 2u);
  EXPECT_EQ(Count("] HarvestSharedConstants: registered "), 2u);
  EXPECT_LT(log_.rfind("] Model loaded\n"),
            log_.find("] Weight sharing (NPU): building shared pool"));
  EXPECT_THAT(log_, Not(HasSubstr("] HarvestSharedConstants: registered 0 ")));
  EXPECT_THAT(log_, Not(HasSubstr("aliased 0 constants")));
  EXPECT_EQ(Count("Compiling partition"), 2u);
}

class StableContainerTest : public WeightSharingTest,
                            public ::testing::WithParamInterface<StableCase> {};

// The container of each case as the flow wrote it when it translated and optimised every NPU
// partition a second time for the partition loop: keeping the pool phase's models for the loop
// changes no byte of the blobs or the pool. A deliberate change of the passes, the export or the
// container format re-records these.
TEST_P(StableContainerTest, ContainerKeepsItsBytes) {
  const StableCase& c = GetParam();
  c.build(model_);
  ASSERT_EQ(Compile(c.options), kZorvelStatusOk) << log_;
  ASSERT_EQ(modules_.size(), 1u);
  const uint64_t fingerprint = util::Fingerprint64(modules_[0].data(), modules_[0].size());
  EXPECT_EQ(modules_[0].size(), c.size);
  EXPECT_EQ(fingerprint, c.fingerprint)
      << "0x" << std::hex << fingerprint << std::dec << " (" << modules_[0].size() << " bytes)";
}

// Whatever the process built before, the same model compiles to the same bytes: shared, and each
// partition on its own.
TEST_P(StableContainerTest, SameBytesWhenCompiledAgainInTheSameProcess) {
  const StableCase& c = GetParam();
  c.build(model_);
  for (const char* sharing : {"", "enable_weight_sharing = false\n"}) {
    SCOPED_TRACE(sharing);
    const std::string options = std::string(c.options == nullptr ? "" : c.options) + sharing;
    ASSERT_EQ(Compile(options.c_str()), kZorvelStatusOk) << log_;
    // The first compile moved the process-wide node instance counter on.
    const std::vector<std::string> first = modules_;
    ASSERT_EQ(Compile(options.c_str()), kZorvelStatusOk) << log_;
    EXPECT_TRUE(modules_ == first);
  }
}

INSTANTIATE_TEST_SUITE_P(Compiles, StableContainerTest, ::testing::ValuesIn(kStableCases),
                         [](const ::testing::TestParamInfo<StableCase>& info) {
                           return std::string(info.param.name);
                         });

// Every partition of the container, loaded back and run, gives what the same partition compiled
// without weight sharing gives.
class WeightSharingEndToEndTest : public WeightSharingTest,
                                  public ::testing::WithParamInterface<int> {};

TEST_P(WeightSharingEndToEndTest, ContainerRunsLikeTheUnsharedCompile) {
  AddSharingSubgraphs(model_);
  const std::string backend = "graph.-1.graph_backend = " + std::to_string(GetParam()) + "\n";
  ASSERT_EQ(Compile(("enable_weight_sharing = false\n" + backend).c_str()), kZorvelStatusOk)
      << log_;
  const std::vector<std::string> unshared = modules_;
  ASSERT_EQ(unshared.size(), 2u);
  ASSERT_EQ(Compile(backend.c_str()), kZorvelStatusOk) << log_;
  ASSERT_EQ(modules_.size(), 1u);

  Expected<LoadedGlobalGraph> loaded = LoadGlobalGraph(core_, modules_[0]);
  ASSERT_TRUE(loaded.HasValue()) << loaded.GetError().Message();
  ASSERT_EQ(loaded->partitions().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    LoadedPartition* partition = loaded->Find("Partition_" + std::to_string(i));
    ASSERT_NE(partition, nullptr);
    ov::CompiledModel reference = Import(unshared[i]);
    ov::InferRequest expected_request = reference.create_infer_request();
    ov::InferRequest actual_request = partition->CreateInferRequest();
    const std::vector<ov::Output<const ov::Node>> inputs = partition->CallerInputs();
    ASSERT_EQ(inputs.size(), 1u);
    ov::Tensor x(ov::element::f32, ov::Shape{1, kIn});
    const std::vector<float> values = Ramp(kIn, 0.3f, -1.5f);
    std::copy(values.begin(), values.end(), x.data<float>());
    actual_request.set_tensor(inputs[0].get_any_name(), x);
    expected_request.set_input_tensor(0, x);
    actual_request.infer();
    expected_request.infer();
    const ov::Tensor actual = actual_request.get_output_tensor(0);
    const ov::Tensor expected = expected_request.get_output_tensor(0);
    ASSERT_EQ(actual.get_shape(), expected.get_shape());
    bool any_nonzero = false;
    for (size_t j = 0; j < actual.get_size(); ++j) {
      EXPECT_EQ(actual.data<const float>()[j], expected.data<const float>()[j]) << j;
      any_nonzero |= expected.data<const float>()[j] != 0;
    }
    EXPECT_TRUE(any_nonzero);
  }

  // The pool is the only copy of the weights.
  uint64_t unshared_bytes = 0;
  for (const std::string& module : unshared) unshared_bytes += module.size();
  uint64_t unique_weight_bytes = 0;
  for (const auto& [id, buffer] : model_.buffers()) unique_weight_bytes += buffer->size();
  const uint64_t container_bytes = modules_[0].size();
  std::cout << "[ sizes    ] " << (GetParam() == 1 ? "GPU" : "NPU") << ": container "
            << container_bytes << " bytes, unshared modules " << unshared_bytes
            << " bytes, unique weight bytes " << unique_weight_bytes << ", pool "
            << loaded->pool().size() << " bytes\n";
  RecordProperty("container_bytes", std::to_string(container_bytes));
  RecordProperty("unshared_module_bytes", std::to_string(unshared_bytes));
  RecordProperty("unique_weight_bytes", std::to_string(unique_weight_bytes));
  EXPECT_LT(container_bytes, unshared_bytes);
  EXPECT_GE(container_bytes, unique_weight_bytes);
}

INSTANTIATE_TEST_SUITE_P(Devices, WeightSharingEndToEndTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 1 ? std::string("GPU") : std::string("NPU");
                         });

}  // namespace
}  // namespace zorvel::openvino
