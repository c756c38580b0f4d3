#include "zorvel/vendors/intel_openvino/compiler/npu_split_shared_constants.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/pass/manager.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;

std::shared_ptr<ov::op::v0::Constant> Weights(ov::Shape shape, const std::string& name) {
  std::vector<float> values(ov::shape_size(shape));
  for (size_t i = 0; i < values.size(); ++i) values[i] = 0.01f * static_cast<float>(i % 37) - 0.2f;
  auto constant = ov::op::v0::Constant::create(ov::element::f32, shape, values);
  constant->set_friendly_name(name);
  return constant;
}

std::shared_ptr<ov::op::v0::Parameter> Input(ov::Shape shape) {
  return std::make_shared<ov::op::v0::Parameter>(ov::element::f32, shape);
}

// Runs the pass with the log captured; DEBUG lines are let through.
struct SplitRun {
  bool changed = false;
  std::string log;
};
SplitRun RunSplit(const std::shared_ptr<ov::Model>& model) {
  ZorvelLogSeverity before = kZorvelLogSeverityInfo;
  ZorvelGetMinLoggerSeverity(ZorvelGetDefaultLogger(), &before);
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  ::testing::internal::CaptureStderr();
  SplitRun run;
  run.changed = SplitSharedConstants().run_on_model(model);
  run.log = ::testing::internal::GetCapturedStderr();
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), before);
  return run;
}

ov::TensorVector Evaluate(const std::shared_ptr<ov::Model>& model) {
  ov::TensorVector inputs;
  for (const auto& parameter : model->get_parameters()) {
    ov::Tensor input(ov::element::f32, parameter->get_shape());
    for (size_t i = 0; i < input.get_size(); ++i) {
      input.data<float>()[i] = 0.5f - 0.03f * static_cast<float>(i % 29);
    }
    inputs.push_back(input);
  }
  ov::TensorVector outputs;
  EXPECT_TRUE(model->evaluate(outputs, inputs));
  return outputs;
}

TEST(SplitSharedConstants, Shared512ConstantGetsOneCopyPerExtraConsumer) {
  auto w = Weights({512}, "w");
  w->get_rt_info()["origin"] = std::string("host");
  ov::OutputVector outputs;
  ov::ParameterVector inputs;
  for (int i = 0; i < 3; ++i) {
    inputs.push_back(Input({1, 512}));
    outputs.push_back(std::make_shared<ov::op::v0::MatMul>(inputs.back(), w));
  }
  auto model = std::make_shared<ov::Model>(outputs, inputs);
  const std::set<ov::Input<ov::Node>> targets = w->output(0).get_target_inputs();
  const std::vector<ov::Input<ov::Node>> order(targets.begin(), targets.end());
  const ov::TensorVector before = Evaluate(model);

  const SplitRun run = RunSplit(model);
  EXPECT_TRUE(run.changed);
  // The first consumer of the target-input set keeps w; the others read w_split1, w_split2.
  EXPECT_EQ(order[0].get_source_output().get_node(), w.get());
  for (size_t j = 1; j < 3; ++j) {
    const auto clone =
        ov::as_type_ptr<ov::op::v0::Constant>(order[j].get_source_output().get_node_shared_ptr());
    ASSERT_NE(clone, nullptr);
    ASSERT_NE(clone, w);
    EXPECT_EQ(clone->get_friendly_name(), "w_split" + std::to_string(j));
    EXPECT_NE(clone->get_data_ptr(), w->get_data_ptr()) << "a clone owns its bytes";
    EXPECT_EQ(clone->get_vector<float>(), w->get_vector<float>());
    EXPECT_EQ(clone->get_rt_info().at("origin").as<std::string>(), "host");
    EXPECT_EQ(clone->output(0).get_target_inputs().size(), 1u);
    EXPECT_THAT(run.log,
                HasSubstr("] SplitSharedConstants: created clone w_split" + std::to_string(j) +
                          " for consumer " + std::to_string(j) + "\n"));
  }
  EXPECT_EQ(w->output(0).get_target_inputs().size(), 1u);
  EXPECT_THAT(run.log, HasSubstr("INFO: [npu_split_shared_constants.cc:"));
  EXPECT_THAT(run.log,
              HasSubstr("] SplitSharedConstants: split 1 shared constant(s) into independent "
                        "copies\n"));

  const ov::TensorVector after = Evaluate(model);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(
        std::vector<float>(after[i].data<float>(), after[i].data<float>() + after[i].get_size()),
        std::vector<float>(before[i].data<float>(),
                           before[i].data<float>() + before[i].get_size()));
  }
}

TEST(SplitSharedConstants, OnlyExactly256Or512ElementsWithSeveralConsumersAreSplit) {
  auto x = Input({2, 128});
  auto b256 = Weights({2, 128}, "b256");   // 256 elements, two consumers: split
  auto single = Weights({256}, "single");  // 256 elements, one consumer: untouched
  auto y = Input({1024});
  auto b1024 = Weights({1024}, "b1024");  // two consumers but 1024 elements: untouched
  auto b255 = Weights({255}, "b255");
  auto z = Input({255});
  auto s = Input({256});
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{
          std::make_shared<ov::op::v1::Add>(x, b256), std::make_shared<ov::op::v1::Add>(b256, x),
          std::make_shared<ov::op::v1::Add>(y, b1024), std::make_shared<ov::op::v1::Add>(b1024, y),
          std::make_shared<ov::op::v1::Add>(z, b255), std::make_shared<ov::op::v1::Add>(b255, z),
          std::make_shared<ov::op::v1::Add>(s, single)},
      ov::ParameterVector{x, y, z, s});
  const SplitRun run = RunSplit(model);
  EXPECT_TRUE(run.changed);
  EXPECT_EQ(b256->output(0).get_target_inputs().size(), 1u);
  EXPECT_EQ(b1024->output(0).get_target_inputs().size(), 2u);
  EXPECT_EQ(b255->output(0).get_target_inputs().size(), 2u);
  EXPECT_EQ(single->output(0).get_target_inputs().size(), 1u);
  EXPECT_THAT(run.log, HasSubstr("created clone b256_split1 for consumer 1"));
  EXPECT_THAT(run.log, HasSubstr("] SplitSharedConstants: split 1 shared constant(s)"));
}

TEST(SplitSharedConstants, NothingToSplitReportsZeroAndNoChange) {
  auto x = Input({4});
  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<ov::op::v1::Add>(x, Weights({4}, "c"))},
      ov::ParameterVector{x});
  auto reference = model->clone();
  const SplitRun run = RunSplit(model);
  EXPECT_FALSE(run.changed);
  EXPECT_EQ(run.log.find("created clone"), std::string::npos);
  EXPECT_THAT(run.log, HasSubstr("] SplitSharedConstants: split 0 shared constant(s) into "
                                 "independent copies\n"));
  const auto [same, message] = compare_functions(model, reference, true);
  EXPECT_TRUE(same) << message;
}

// The pipeline runs the pass last when the switch is on, and not otherwise.
TEST(SplitSharedConstants, PipelineRunsItOnlyWhenSwitchedOn) {
  for (bool on : {false, true}) {
    auto w = Weights({512}, "w");
    auto a = Input({1, 512});
    auto b = Input({1, 512});
    auto model =
        std::make_shared<ov::Model>(ov::OutputVector{std::make_shared<ov::op::v0::MatMul>(a, w),
                                                     std::make_shared<ov::op::v0::MatMul>(b, w)},
                                    ov::ParameterVector{a, b});
    NpuPassOptions options;
    options.split_shared_constants = on;
    ::testing::internal::CaptureStderr();
    RunNpuPassPipeline(options, model);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(w->output(0).get_target_inputs().size(), on ? 1u : 2u);
    EXPECT_EQ(log.find("not available"), std::string::npos) << log;
    EXPECT_EQ(log.find("split 1 shared constant(s)") != std::string::npos, on) << log;
  }
}

}  // namespace
}  // namespace zorvel::openvino
