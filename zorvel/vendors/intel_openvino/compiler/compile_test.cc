// The compile entry driven through the dlopen'ed table over the stand-in host: modules, call
// names, headers, failures, and compiled partitions run against the host subgraph evaluated
// directly.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/attention_block.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"
#include "zorvel/vendors/intel_openvino/compiler/plugin_test_util.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;

constexpr int kGetNumModelSubgraphs = 1;
constexpr int kGetModelSubgraph = 2;

using ::zorvel::testing::F32;

using ::zorvel::testing::Ramp;

// x [1,4,4,2] -> 1x1 CONV_2D (3 filters, bias, fused RELU) -> ADD of a constant -> y [1,4,4,3].
void AddCnnSubgraph(HostModel& model) {
  HostSubgraph& sg = model.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4, 4, 2}));
  const TensorId w = sg.AddConstant<float>("w", {3, 1, 1, 2}, Ramp(6, 0.25f, -1));
  const TensorId b = sg.AddConstant<float>("b", {3}, {0.5f, 0, -0.25f});
  const TensorId conv = sg.AddTensor("conv", F32({1, 4, 4, 3}));
  sg.AddOp(kZorvelOpCodeConv2d, {x, w, b}, {conv})
      .SetOption(46, 1u)  // VALID
      .SetOption(47, 1)
      .SetOption(48, 1)
      .SetOption(49, 1u)  // RELU
      .SetOption(50, 1)
      .SetOption(51, 1);
  const TensorId c = sg.AddConstant<float>("c", {3}, {1, 2, 3});
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {conv, c}, "y", F32({1, 4, 4, 3})));
}

// One attention head over x [1,4,8]: q, k, v projections, scaled scores, softmax, weighted sum.
void AddAttentionSubgraph(HostModel& model) {
  HostSubgraph& sg = model.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4, 8}));
  auto project = [&](const char* name, float offset) {
    const TensorId w =
        sg.AddConstant<float>(std::string("w") + name, {8, 8}, Ramp(64, 0.05f, offset));
    const TensorId out = sg.AddTensor(name, F32({1, 4, 8}));
    sg.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {out})
        .SetOption(66, 0u)
        .SetOption(67, 0u)
        .SetOption(68, true);
    return out;
  };
  const TensorId q = project("q", -0.2f);
  const TensorId k = project("k", -0.25f);
  const TensorId v = project("v", -0.1f);
  const TensorId scores = sg.AddTensor("scores", F32({1, 4, 4}));
  sg.AddOp(kZorvelOpCodeBatchMatmul, {q, k}, {scores}).SetOption(81, false).SetOption(82, true);
  const TensorId scale = sg.AddConstant<float>("scale", {}, {0.35f});
  const TensorId scaled = sg.AddOp(kZorvelOpCodeMul, {scores, scale}, "scaled", F32({1, 4, 4}));
  const TensorId probs = sg.AddTensor("probs", F32({1, 4, 4}));
  sg.AddOp(kZorvelOpCodeSoftmax, {scaled}, {probs}).SetOption(71, 1.0f);
  const TensorId out = sg.AddTensor("out", F32({1, 4, 8}));
  sg.AddOp(kZorvelOpCodeBatchMatmul, {probs, v}, {out}).SetOption(81, false).SetOption(82, false);
  sg.AddOutput(out);
}

// x [1,4] -> ADD of a constant -> y.
void AddSmallSubgraph(HostModel& model) {
  HostSubgraph& sg = model.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4}));
  const TensorId c = sg.AddConstant<float>("c", {4}, {1, 2, 3, 4});
  sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({1, 4})));
}

class CompileTest : public ::zorvel::testing::PluginCompileTest {
 protected:
  ZorvelStatus Compile(const char* soc_model) { return CompileModel(soc_model); }
};

TEST_F(CompileTest, NoSubgraphsGiveAnEmptyResult) {
  CreatePlugin(nullptr);
  ASSERT_EQ(Compile("LNL"), kZorvelStatusOk);
  ASSERT_NE(result_, nullptr);
  EXPECT_EQ(NumModules(), 0u);
  EXPECT_EQ(NumCalls(), 0u);
  table_->destroy_compiled_result(result_);
  result_ = nullptr;
}

// Without the count the model's partitions are unknown: an empty result would pass for success.
TEST_F(CompileTest, MissingOrFailingSubgraphCountIs504) {
  CreatePlugin(nullptr);
  AddSmallSubgraph(model_);
  api_.RemoveEntry(kGetNumModelSubgraphs);
  EXPECT_EQ(Compile("LNL"), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_THAT(log_, HasSubstr("Host API entry 1 (get_num_model_subgraphs) is missing"));
  api_.RestoreAllEntries();
  api_.FailEntry(kGetNumModelSubgraphs, 77);
  EXPECT_EQ(Compile("LNL"), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_THAT(log_, HasSubstr("failed with status 77"));
}

// A host read the compiled model depends on that fails or is missing ends the call with 504 and
// one ERROR line naming the entry, never a success over a stand-in value (no ops, no outputs, a
// scalar shape, a default attribute, tensors wired together by a made-up name).
TEST_F(CompileTest, FailedOrMissingHostReadsAre504WithOneErrorLine) {
  CreatePlugin("graph.-1.graph_backend = 0\n");
  AddCnnSubgraph(model_);
  // Tensors without names are joined by their index.
  HostSubgraph& unnamed = model_.AddSubgraph();
  const TensorId x = unnamed.AddInput("", F32({1, 4}));
  const TensorId c = unnamed.AddConstant<float>("", {4}, {1, 2, 3, 4});
  unnamed.AddOutput(unnamed.AddOp(kZorvelOpCodeAdd, {x, c}, "", F32({1, 4})));
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  Release();

  struct Case {
    int entry;
    bool remove;
    uint64_t succeed_first;
    const char* logged;
  };
  for (const Case& fault : {
           Case{3, true, 0, "entry 3 (get_num_subgraph_ops) is missing"},
           Case{4, true, 0, "entry 4 (get_subgraph_op) is missing"},
           Case{7, true, 0, "entry 7 (get_num_subgraph_outputs) is missing"},
           Case{8, true, 0, "entry 8 (get_subgraph_output) is missing"},
           Case{12, true, 0, "entry 12 (get_op_input) is missing"},
           Case{16, true, 0, "entry 16 (get_tensor_index) is missing"},
           Case{18, false, 3, "entry 18 (get_ranked_tensor_type) failed with status 77"},
           Case{50, false, 0, "Failed to get dilation_w_factor for CONV_2D_id_"},
           Case{51, true, 0, "Failed to get dilation_h_factor for CONV_2D_id_"},
       }) {
    SCOPED_TRACE(::testing::Message() << "entry " << fault.entry);
    CreatePlugin("graph.-1.graph_backend = 0\n");
    if (fault.remove) {
      api_.RemoveEntry(fault.entry);
    } else {
      api_.FailEntry(fault.entry, 77, fault.succeed_first, /*fail_calls=*/1);
    }
    EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
    EXPECT_EQ(result_, nullptr);
    EXPECT_EQ(Count("ERROR: "), 1u) << log_;
    EXPECT_EQ(Count(fault.logged), 1u) << log_;
    api_.RestoreAllEntries();
    api_.ClearFailures();
    Release();
  }
}

// A partition that computes nothing would compile to an empty model passing for it.
TEST_F(CompileTest, SubgraphWithoutOpsIsRefused) {
  HostSubgraph& sg = model_.AddSubgraph();
  sg.AddOutput(sg.AddInput("x", F32({1, 4})));
  CreatePlugin("graph.-1.graph_backend = 0\n");
  EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("The subgraph has 0 ops and 1 outputs"), 1u) << log_;
}

TEST_F(CompileTest, SubgraphWithoutOutputsIsRefused) {
  HostSubgraph& sg = model_.AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4}));
  sg.AddOp(kZorvelOpCodeAdd, {x, x}, "y", F32({1, 4}));
  CreatePlugin("graph.-1.graph_backend = 0\n");
  EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("The subgraph has 1 ops and 0 outputs"), 1u) << log_;
}

TEST_F(CompileTest, ThreeCpuPartitionsGiveThreeModulesInCallOrder) {
  CreatePlugin("graph.-1.graph_backend = 0\n");
  for (int i = 0; i < 3; ++i) AddSmallSubgraph(model_);
  ASSERT_EQ(Compile(nullptr), kZorvelStatusOk) << log_;
  ASSERT_EQ(NumModules(), 3u);
  ASSERT_EQ(NumCalls(), 3u);
  for (uint64_t i = 0; i < 3; ++i) {
    const std::string module = Module(i);
    ASSERT_GT(module.size(), BlobHeader::kSize);
    EXPECT_EQ(module.substr(0, 20), std::string("ZVLOVHDR\1\0\0\0\0\0\0\0\0\0\0\0", 20));
    EXPECT_EQ(Call(i), std::make_pair("Partition_" + std::to_string(i), i));
    EXPECT_THAT(log_, HasSubstr("INFO: [openvino_compiler_plugin.cc:"));
    EXPECT_THAT(log_,
                HasSubstr("] Compiling partition " + std::to_string(i) + " for device CPU\n"));
  }
  EXPECT_EQ(Count("] Model loaded\n"), 3u);
  EXPECT_EQ(Count("] Model export done\n"), 3u);
}

TEST_F(CompileTest, GpuAndNpuPartitionsCarryTheirDeviceCodes) {
  CreatePlugin("graph.0.graph_backend = 1\ngraph.1.graph_backend = 2\n");
  AddSmallSubgraph(model_);
  AddSmallSubgraph(model_);
  ASSERT_EQ(Compile("LNL"), kZorvelStatusOk) << log_;
  ASSERT_EQ(NumModules(), 2u);
  EXPECT_EQ(Module(0).substr(8, 12), std::string("\1\0\0\0\1\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(Module(1).substr(8, 12), std::string("\1\0\0\0\2\0\0\0\0\0\0\0", 12));
}

TEST_F(CompileTest, UnknownSocModelFailsNpuBeforeTranslationButNotGpu) {
  CreatePlugin(nullptr);  // NPU by default
  AddSmallSubgraph(model_);
  EXPECT_EQ(Compile("NOT_A_SOC"), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(api_.CallCount(kGetModelSubgraph), 0u);
  EXPECT_THAT(log_, Not(HasSubstr("Model loaded")));

  table_->destroy_plugin(plugin_);
  plugin_ = nullptr;
  CreatePlugin("graph.-1.graph_backend = 1\n");
  EXPECT_EQ(Compile("NOT_A_SOC"), kZorvelStatusOk) << log_;
  EXPECT_EQ(NumModules(), 1u);
}

TEST_F(CompileTest, MissingSubgraphEndsTheCallWith504) {
  CreatePlugin("graph.-1.graph_backend = 0\n");
  AddSmallSubgraph(model_);
  AddSmallSubgraph(model_);
  api_.FailEntry(kGetModelSubgraph, kZorvelStatusErrorNotFound, /*succeed_first=*/1);
  EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("ERROR: "), 1u);
  EXPECT_EQ(Count("] Failed to retrieve Subgraph 1: host API entry 2 (get_model_subgraph) failed "
                  "with status 3\n"),
            1u);
  EXPECT_EQ(Count("] Model export done\n"), 1u);
}

TEST_F(CompileTest, DeviceExceptionForPartitionOneIs504WithOneErrorLine) {
  CreatePlugin(
      "graph.-1.graph_backend = 1\n"
      "graph.1.configs_map.NOT_A_GPU_PROPERTY = \"1\"\n");
  for (int i = 0; i < 3; ++i) AddSmallSubgraph(model_);
  EXPECT_EQ(Compile(nullptr), kZorvelStatusErrorCompilation);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(Count("ERROR: "), 1u) << log_;
  EXPECT_THAT(log_, HasSubstr("] Exception in compilation: "));
  EXPECT_THAT(log_, HasSubstr("NOT_A_GPU_PROPERTY"));
  EXPECT_EQ(Count("] Compiling partition 1 for device GPU\n"), 1u);
  EXPECT_EQ(Count("] Compiling partition 2"), 0u);
}

// Host entries that throw a C++ exception: a host bug the plug-in must not let unwind through
// its table.
ZorvelStatus GetSubgraphThrowsStdException(ZorvelModel, uint64_t, ZorvelSubgraph*) {
  throw std::runtime_error("host lost its subgraphs");
}
ZorvelStatus GetSubgraphThrowsSomethingElse(ZorvelModel, uint64_t, ZorvelSubgraph*) { throw 42; }

TEST_F(CompileTest, OtherExceptionsAre504WithOneErrorLineAndNoResult) {
  struct Case {
    decltype(HostApiTable::get_model_subgraph) entry;
    const char* line;
  };
  for (const Case& c :
       {Case{&GetSubgraphThrowsStdException,
             "] Unexpected exception in compilation: host lost its subgraphs\n"},
        Case{&GetSubgraphThrowsSomethingElse, "] Unknown exception in compilation\n"}}) {
    HostApiTable table = *api_.table();
    table.get_model_subgraph = c.entry;
    ZorvelCompilerPlugin plugin = nullptr;
    ASSERT_EQ(table_->create_plugin(&table, &plugin, nullptr, nullptr), kZorvelStatusOk);
    AddSmallSubgraph(model_);
    ::testing::internal::CaptureStderr();
    ZorvelCompiledResult result = nullptr;
    EXPECT_EQ(table_->compile(plugin, "LNL", api_.Handle(model_), &result),
              kZorvelStatusErrorCompilation);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, nullptr);
    EXPECT_THAT(log, HasSubstr(c.line));
    EXPECT_EQ(log.find("ERROR: "), log.rfind("ERROR: ")) << log;
    table_->destroy_plugin(plugin);
  }
}

// Models the front end would otherwise take with a wrong meaning end the call with 504, no result
// and an error naming the tensor or the op; each was compiled with status 0 before.
TEST_F(CompileTest, MalformedModelsEndTheCallWith504NamingWhatIsWrong) {
  struct Case {
    const char* expected;
    void (*build)(HostSubgraph&);
  };
  const Case cases[] = {
      {"Two tensors of the subgraph are named x",
       [](HostSubgraph& sg) {
         const TensorId x = sg.AddInput("x", F32({2}));
         const TensorId c = sg.AddConstant<float>("x", {2}, {1, 2});
         sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({2})));
       }},
      {"Tensor y has the negative extent -3 in dimension 0",
       [](HostSubgraph& sg) {
         const TensorId y =
             sg.AddOp(kZorvelOpCodeRelu, {sg.AddInput("x", F32({3}))}, "y", F32({3}));
         sg.AddOutput(y);
         sg.tensor(y).type.dims[0] = -3;
       }},
      {"Tensor c has the element type code 24",
       [](HostSubgraph& sg) {
         const TensorId x = sg.AddInput("x", F32({2}));
         const TensorId c =
             sg.AddConstant("c", TensorType::Ranked(24, {2}), std::vector<uint8_t>(8, 1));
         sg.AddOutput(sg.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({2})));
       }},
      {"Invalid stride_w -2 for CONV_2D_id_2",
       [](HostSubgraph& sg) {
         const TensorId x = sg.AddInput("x", F32({1, 4, 4, 1}));
         const TensorId w = sg.AddConstant<float>("w", {1, 1, 1, 1}, {1});
         const TensorId y = sg.AddTensor("y", F32({1, 4, 4, 1}));
         sg.AddOp(kZorvelOpCodeConv2d, {x, w}, {y}).SetOption(47, -2);
         sg.AddOutput(y);
       }},
      // The dilations have a default in the translator; a refused value must not fall back to it.
      {"Invalid dilation_w_factor 0 for CONV_2D_id_2",
       [](HostSubgraph& sg) {
         const TensorId x = sg.AddInput("x", F32({1, 4, 4, 1}));
         const TensorId w = sg.AddConstant<float>("w", {1, 1, 1, 1}, {1});
         const TensorId y = sg.AddTensor("y", F32({1, 4, 4, 1}));
         sg.AddOp(kZorvelOpCodeConv2d, {x, w}, {y})
             .SetOption(47, 1)
             .SetOption(48, 1)
             .SetOption(50, 0);
         sg.AddOutput(y);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Release();
    HostModel model;
    c.build(model.AddSubgraph());
    CreatePlugin("graph.-1.graph_backend = 0\n");
    ::testing::internal::CaptureStderr();
    const ZorvelStatus status = table_->compile(plugin_, "LNL", api_.Handle(model), &result_);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, kZorvelStatusErrorCompilation);
    EXPECT_EQ(result_, nullptr);
    EXPECT_THAT(log, HasSubstr(c.expected));
  }
}

// Imports each module after its header on its device, runs it, and compares with the host
// subgraph translated for that device and evaluated directly.
class CompileEndToEndTest
    : public CompileTest,
      public ::testing::WithParamInterface<std::tuple<const char*, int, uint32_t>> {};

TEST_P(CompileEndToEndTest, ImportedPartitionsMatchDirectEvaluation) {
  const auto [device, backend, code] = GetParam();
  // Each partition as its own module: weight sharing (on by default) is tested on its own.
  const std::string payload =
      "enable_weight_sharing = false\ngraph.-1.graph_backend = " + std::to_string(backend) + "\n";
  CreatePlugin(payload.c_str());
  AddCnnSubgraph(model_);
  AddAttentionSubgraph(model_);
  ASSERT_EQ(Compile("LNL"), kZorvelStatusOk) << log_;
  ASSERT_EQ(NumModules(), 2u);

  ov::Core core;
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  for (uint64_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const std::string module = Module(i);
    const std::optional<BlobHeader> header = ReadBlobHeader(module);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->version, 1u);
    EXPECT_EQ(header->device_code, code);
    std::istringstream blob(module.substr(BlobHeader::kSize));
    ov::CompiledModel compiled = core.import_model(blob, device);
    ov::InferRequest request = compiled.create_infer_request();

    const Model host_model(api_.table(), api_.Handle(model_));
    Expected<Subgraph> subgraph = host_model.SubgraphAt(i);
    ASSERT_TRUE(subgraph.HasValue());
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &*subgraph, device);
    const std::shared_ptr<ov::Model> direct = front_end.convert(front_end.load(ov::Any(iterator)));

    const ov::Shape shape = direct->get_parameters()[0]->get_shape();
    ov::Tensor input(ov::element::f32, shape);
    const std::vector<float> values = Ramp(input.get_size(), 0.3f, -1.5f);
    std::copy(values.begin(), values.end(), input.data<float>());
    ov::TensorVector expected;
    ASSERT_TRUE(direct->evaluate(expected, {input}));
    request.set_input_tensor(0, input);
    request.infer();
    const ov::Tensor actual = request.get_output_tensor(0);
    ASSERT_EQ(actual.get_shape(), expected[0].get_shape());
    float max_error = 0;
    bool any_nonzero = false;
    for (size_t j = 0; j < actual.get_size(); ++j) {
      max_error =
          std::max(max_error, std::fabs(actual.data<float>()[j] - expected[0].data<float>()[j]));
      any_nonzero |= expected[0].data<float>()[j] != 0;
    }
    EXPECT_LE(max_error, 1e-5f);
    EXPECT_TRUE(any_nonzero);
  }
}

// enable_hfa alone on an NPU partition: the split attention over the KV cache is fused, decomposed
// for HFA, and the imported model reads its history from the input named for it; without weight
// sharing the partition is told that it gets no HFA. It still computes what the host graph does.
TEST_F(CompileTest, HfaPartitionCarriesTheHistoryMaskInput) {
  CreatePlugin("configs_map.enable_hfa = \"true\"\n");
  host::AttentionBlockOptions options;
  options.cache_length = 10;
  options.new_tokens = 4;
  const host::AttentionBlock block = host::AddSplitAttentionBlock(model_.AddSubgraph(), options);
  ASSERT_EQ(Compile("LNL"), kZorvelStatusOk) << log_;
  EXPECT_EQ(Count("] DecomposeSDPAForHFA: decomposed 1 of 1 SDPA op(s)"), 1u) << log_;
  EXPECT_EQ(Count("] enable_hfa: NPUW_ATTN=HFA is set only on NPU partitions that share pool "
                  "weights; partition 0 gets its attention decomposed but no HFA unless "
                  "NPUW_ATTN=HFA is passed explicitly\n"),
            1u)
      << log_;

  const Model host_model(api_.table(), api_.Handle(model_));
  Expected<Subgraph> subgraph = host_model.SubgraphAt(0);
  ASSERT_TRUE(subgraph.HasValue());
  std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
      std::make_shared<GraphIteratorDelegate>(api_.table(), &*subgraph, "NPU");
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  const std::shared_ptr<ov::Model> direct = front_end.convert(front_end.load(ov::Any(iterator)));

  ov::Core core;
  std::istringstream blob(Module(0).substr(BlobHeader::kSize));
  ov::CompiledModel compiled = core.import_model(blob, "NPU");
  const ov::Output<const ov::Node> history = compiled.input("zorvel_hfa_history_mask");
  EXPECT_EQ(history.get_shape(), (ov::Shape{1, 1, 4, 14}));
  EXPECT_TRUE(history.get_names().count(model_.subgraph(0).tensor(block.mask).name))
      << "the mask keeps its own name";

  ov::InferRequest request = compiled.create_infer_request();
  ov::TensorVector inputs;
  for (size_t i = 0; i < direct->get_parameters().size(); ++i) {
    const ov::Shape shape = direct->get_parameters()[i]->get_shape();
    ov::Tensor input(ov::element::f32, shape);
    const std::vector<float> values = Ramp(input.get_size(), 0.2f, -1.0f - 0.1f * i);
    std::copy(values.begin(), values.end(), input.data<float>());
    inputs.push_back(input);
    request.set_input_tensor(i, input);
  }
  ov::TensorVector expected;
  ASSERT_TRUE(direct->evaluate(expected, inputs));
  request.infer();
  const ov::Tensor actual = request.get_output_tensor(0);
  ASSERT_EQ(actual.get_shape(), expected[0].get_shape());
  float max_error = 0;
  for (size_t j = 0; j < actual.get_size(); ++j) {
    max_error =
        std::max(max_error, std::fabs(actual.data<float>()[j] - expected[0].data<float>()[j]));
  }
  EXPECT_LE(max_error, 1e-4f);
}

// With weight sharing the decomposed partitions get NPUW's HFA attention, and no warning says
// otherwise. The second block reads the first one's weight buffers.
TEST_F(CompileTest, SharedHfaPartitionsGetHfaAttention) {
  CreatePlugin("configs_map.enable_hfa = \"true\"\n");
  host::AttentionBlockOptions options;
  options.cache_length = 10;
  options.new_tokens = 4;
  host::AddSplitAttentionBlock(model_.AddSubgraph(), options);
  host::AddSplitAttentionBlock(model_.AddSubgraph(), options);
  const HostSubgraph& first = model_.subgraph(0);
  HostSubgraph& second = model_.subgraph(1);
  for (TensorId i = 0; i < second.num_tensors(); ++i) {
    host::HostTensor& tensor = second.tensor(i);
    if (tensor.weights.buffer_id < 0) continue;
    for (TensorId j = 0; j < first.num_tensors(); ++j) {
      if (first.tensor(j).name != tensor.name) continue;
      tensor.weights.buffer_id = first.tensor(j).weights.buffer_id;
      tensor.weights.buffer = first.tensor(j).weights.buffer;
    }
  }
  ASSERT_EQ(Compile("LNL"), kZorvelStatusOk) << log_;
  EXPECT_EQ(Count("] enable_hfa: NPUW_ATTN=HFA (1 SDPA op(s) decomposed for it)\n"), 2u) << log_;
  EXPECT_EQ(Count(", HFA-decomposed attention)\n"), 2u) << log_;
  EXPECT_EQ(Count("is set only on NPU partitions that share pool weights"), 0u) << log_;
  EXPECT_EQ(Count("WARNING"), 0u) << log_;
}

INSTANTIATE_TEST_SUITE_P(Devices, CompileEndToEndTest,
                         ::testing::Values(std::make_tuple("CPU", 0, 0u),
                                           std::make_tuple("GPU", 1, 1u),
                                           std::make_tuple("NPU", 2, 2u)));

}  // namespace
}  // namespace zorvel::openvino
