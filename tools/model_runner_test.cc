// The model runner: partitions and the ops left to the host run in execution order and give
// what the whole subgraph evaluated at once gives; what cannot run is refused by name.
#include "tools/model_runner.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "tools/compile_session.h"
#include "tools/plugin_loader.h"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"

namespace zorvel::tools {
namespace {

using host::HostModel;
using host::HostSubgraph;
using host::TensorId;
using host::TensorType;
using ::testing::HasSubstr;

TensorType F32(std::vector<int32_t> dims) {
  return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
}

// x [1,8] -> ADD -> TOPK_V2 with K from the second input (left to the host) -> MUL of the values.
std::unique_ptr<HostModel> TopKBetweenTwoPartitions() {
  auto model = std::make_unique<HostModel>();
  HostSubgraph& sg = model->AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 8}));
  const TensorId k = sg.AddInput("k", TensorType::Ranked(kZorvelElementTypeInt32, {}));
  const TensorId bias = sg.AddConstant<float>("bias", {8}, {0.5f, -1, 2, 0, 3, -2, 1, 0.25f});
  const TensorId shifted = sg.AddOp(kZorvelOpCodeAdd, {x, bias}, "shifted", F32({1, 8}));
  const TensorId values = sg.AddTensor("values", F32({1, 3}));
  const TensorId indices =
      sg.AddTensor("indices", TensorType::Ranked(kZorvelElementTypeInt32, {1, 3}));
  sg.AddOp(kZorvelOpCodeTopkV2, {shifted, k}, {values, indices});
  const TensorId scale = sg.AddConstant<float>("scale", {}, {-1.5f});
  sg.AddOutput(sg.AddOp(kZorvelOpCodeMul, {values, scale}, "y", F32({1, 3})));
  sg.AddOutput(indices);
  return model;
}

class ModelRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plugin_.Load(DefaultPluginPath(), &error)) << error;
  }
  absl::StatusOr<CompileRun> Compile(std::unique_ptr<HostModel> model) {
    CompileRequest request;
    request.soc_model = "LNL";
    request.options = {"graph.-1.graph_backend=0"};
    return RunCompileOn(plugin_, std::move(model), request, nullptr);
  }
  PluginLibrary plugin_;
};

TEST_F(ModelRunnerTest, HostOpsRunBetweenPartitionsLikeTheWholeSubgraph) {
  absl::StatusOr<CompileRun> run = Compile(TopKBetweenTwoPartitions());
  ASSERT_TRUE(run.ok()) << run.status();
  ASSERT_EQ(run->partitioned.partitions.size(), 2u);  // TOPK_V2 with a computed K stays out

  const std::vector<std::vector<double>> inputs = {{3, -1, 0.5, 7, -4, 2, 2.5, 1}, {3}};
  absl::StatusOr<std::vector<ov::Tensor>> outputs = RunCompiledModel(*run, inputs);
  ASSERT_TRUE(outputs.ok()) << outputs.status();
  ASSERT_EQ(outputs->size(), 2u);

  // The whole subgraph translated at once and evaluated directly.
  host::HostApi api;
  const Model model(api.table(), api.Handle(*run->source));
  Expected<Subgraph> subgraph = model.SubgraphAt(0);
  ASSERT_TRUE(subgraph.HasValue());
  std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
      std::make_shared<openvino::GraphIteratorDelegate>(api.table(), &*subgraph, "CPU");
  ov::frontend::tensorflow_lite::FrontEnd front_end;
  const std::shared_ptr<ov::Model> direct = front_end.convert(front_end.load(ov::Any(iterator)));
  ov::Tensor x(ov::element::f32, ov::Shape{1, 8});
  for (size_t j = 0; j < 8; ++j) x.data<float>()[j] = static_cast<float>(inputs[0][j]);
  ov::Tensor k(ov::element::i32, ov::Shape{});
  *k.data<int32_t>() = 3;
  ov::TensorVector expected;
  ASSERT_TRUE(direct->evaluate(expected, {x, k}));

  const host::HostSubgraph& main = run->source->subgraph(0);
  for (size_t o = 0; o < 2; ++o) {
    const std::vector<double> want = OutputValues(expected[o], *main.outputs()[o]);
    const std::vector<double> got = OutputValues((*outputs)[o], *main.outputs()[o]);
    EXPECT_EQ(got, want) << "output " << o;
  }
  // The top three of x + bias are 7, 3.5 and 3.5: y = -1.5 times those.
  EXPECT_EQ(OutputValues((*outputs)[0], *main.outputs()[0]),
            (std::vector<double>{-10.5, -5.25, -5.25}));
}

TEST_F(ModelRunnerTest, RefusesWhatCannotRun) {
  absl::StatusOr<CompileRun> run = Compile(TopKBetweenTwoPartitions());
  ASSERT_TRUE(run.ok()) << run.status();
  // Too few inputs, and an input of the wrong size.
  EXPECT_THAT(RunCompiledModel(*run, {{1, 2}}).status().message(),
              HasSubstr("the model takes 2 inputs, 1 were given"));
  EXPECT_THAT(RunCompiledModel(*run, {{1, 2}, {3}}).status().message(),
              HasSubstr("input 'x' holds 2 values, the input [1,8] takes 8"));
  // A partition without its compiled model.
  ModelRunner runner(*run->source, run->partitioned);
  EXPECT_THAT(runner.Run({{0, 0, 0, 0, 0, 0, 0, 0}, {1}}).status().message(),
              HasSubstr("partition 0 has no compiled model to run"));

  // An op neither the plug-in nor the front end takes is named before anything runs.
  auto model = std::make_unique<HostModel>();
  HostSubgraph& sg = model->AddSubgraph();
  const TensorId x = sg.AddInput("x", F32({1, 4}));
  sg.AddOutput(sg.AddOp(kZorvelOpCodeFloor, {x}, "y", F32({1, 4})));
  absl::StatusOr<CompileRun> floor = Compile(std::move(model));
  ASSERT_TRUE(floor.ok()) << floor.status();
  EXPECT_THAT(RunCompiledModel(*floor, {{1, 2, 3, 4}}).status().message(),
              HasSubstr("host op 0 (op code 8) was left to the host and cannot be run here"));
}

TEST(ModelRunnerValues, QuantizedFloatOutputsRoundHalfAwayAndClamp) {
  host::HostTensor tensor(nullptr, 0);
  tensor.type = TensorType::Ranked(kZorvelElementTypeInt8, {4});
  tensor.quantization = host::Quantization::PerTensor(0.5f, 3);
  ov::Tensor value(ov::element::f32, ov::Shape{5});
  const float raw[] = {1.25f, -1.25f, 100.f, -100.f, 0.f};
  std::copy(raw, raw + 5, value.data<float>());
  // 2.5 -> 3, -2.5 -> -3 (ties away from zero), then + 3 and clamped to [-128, 127].
  EXPECT_EQ(OutputValues(value, tensor), (std::vector<double>{6, 0, 127, -128, 3}));
  tensor.quantization = host::Quantization::None();
  EXPECT_EQ(OutputValues(value, tensor), (std::vector<double>{1.25, -1.25, 100, -100, 0}));
}

TEST(ModelRunnerValues, CsvReadAndWrite) {
  const std::string path = ::testing::TempDir() + "/values.csv";
  ASSERT_TRUE(WriteFile(path, "1,-2, 3.5\n4\n").ok());
  absl::StatusOr<std::vector<double>> values = ReadCsvValues(path);
  ASSERT_TRUE(values.ok()) << values.status();
  EXPECT_EQ(*values, (std::vector<double>{1, -2, 3.5, 4}));
  EXPECT_EQ(FormatCsvValues({1, -2, 4}, true), "1,-2,4\n");
  ASSERT_TRUE(WriteFile(path, "1,x\n").ok());
  EXPECT_THAT(ReadCsvValues(path).status().message(), HasSubstr("field 2 ('x') is not a number"));
  EXPECT_FALSE(ReadCsvValues(path + ".missing").ok());
}

}  // namespace
}  // namespace zorvel::tools
