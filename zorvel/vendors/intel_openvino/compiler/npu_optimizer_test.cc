#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "common_test_utils/ov_test_utils.hpp"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/fake_quantize.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/sign.hpp"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::shared_ptr<ov::op::v0::Parameter> TypedParam(ov::element::Type type, ov::Shape shape) {
  return std::make_shared<ov::op::v0::Parameter>(type, ov::PartialShape(shape));
}

std::shared_ptr<ov::Node> Scalar(float value) {
  return ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {value});
}

// The comparator pairs results by friendly name; generated names ("Result_98", "Result_102")
// would pair them in a different order depending on how many nodes earlier tests made.
std::shared_ptr<ov::Model> NamedResults(std::shared_ptr<ov::Model> model) {
  for (size_t i = 0; i < model->get_results().size(); ++i) {
    model->get_results()[i]->set_friendly_name("result_" + std::to_string(i));
  }
  return model;
}

// x + (1 + 2) beside sign(i): a foldable constant branch and an integer Sign.
std::shared_ptr<ov::Model> FoldableModelWithIntegerSign() {
  auto x = TypedParam(ov::element::f32, {2});
  auto sum = std::make_shared<ov::op::v1::Add>(Scalar(1), Scalar(2));
  auto add = std::make_shared<ov::op::v1::Add>(x, sum);
  auto i = TypedParam(ov::element::i32, {3});
  auto sign = std::make_shared<ov::op::v0::Sign>(i);
  sign->set_friendly_name("sign");
  return NamedResults(
      std::make_shared<ov::Model>(ov::OutputVector{add, sign}, ov::ParameterVector{x, i}));
}

CompileConfig ConfigFor(const std::string& device) {
  CompileConfig config;
  config.device = device;
  return config;
}

TEST(OptimizeForNpu, OtherDevicesLeaveTheModelUntouched) {
  for (const char* device : {"GPU", "CPU", "npu", "NPU.0"}) {
    CompileConfig config = ConfigFor(device);
    config.enable_hfa = true;
    config.optimize_fq_after_matmul = true;
    auto model = FoldableModelWithIntegerSign();
    ::testing::internal::CaptureStderr();
    const NpuOptimizerResult result = OptimizeForNpu(config, model);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << device;
    EXPECT_FALSE(result.moe_multi_token);
    EXPECT_EQ(result.hfa_decomposed_count, 0u);
    const auto [same, message] = compare_functions(model, FoldableModelWithIntegerSign(), true);
    EXPECT_TRUE(same) << device << ": " << message;
  }
}

TEST(OptimizeForNpu, NpuWithEveryFlagOffStillFoldsAndCastsSign) {
  auto model = FoldableModelWithIntegerSign();
  ::testing::internal::CaptureStderr();
  const NpuOptimizerResult result = OptimizeForNpu(ConfigFor("NPU"), model);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(result.moe_multi_token);
  EXPECT_EQ(result.hfa_decomposed_count, 0u);

  auto x = TypedParam(ov::element::f32, {2});
  auto add = std::make_shared<ov::op::v1::Add>(x, Scalar(3));
  auto i = TypedParam(ov::element::i32, {3});
  auto to_float = std::make_shared<ov::op::v0::Convert>(i, ov::element::f32);
  auto sign = std::make_shared<ov::op::v0::Sign>(to_float);
  auto back = std::make_shared<ov::op::v0::Convert>(sign, ov::element::i32);
  auto expected = NamedResults(
      std::make_shared<ov::Model>(ov::OutputVector{add, back}, ov::ParameterVector{x, i}));
  const auto [same, message] = compare_functions(model, expected, true);
  EXPECT_TRUE(same) << message;
}

// With every switch on, each pass runs: none is reported missing, and the model passes report
// what they found.
TEST(OptimizeForNpu, EverySwitchedPassRuns) {
  CompileConfig config = ConfigFor("NPU");
  config.enable_hfa = true;
  config.enable_moe_gather = true;
  auto model = FoldableModelWithIntegerSign();
  ::testing::internal::CaptureStderr();
  const NpuOptimizerResult result = OptimizeForNpu(config, model);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.moe_multi_token);
  EXPECT_EQ(result.hfa_decomposed_count, 0u);
  EXPECT_THAT(log, Not(HasSubstr("is not available"))) << log;
  EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 0 of 0 SDPA op(s)"));
  EXPECT_THAT(log, HasSubstr("] DecomposeSDPAForHFA: decomposed 0 of 0 SDPA op(s)"));
  EXPECT_THAT(log, HasSubstr("] [MoEGather] discovered 0 candidate MoE layer(s)\n"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
  EXPECT_THAT(log, Not(HasSubstr("WARNING")));
}

TEST(CastIntegerSignToFloat, IntegerSignMovesToFloatUnderItsName) {
  auto model = FoldableModelWithIntegerSign();
  ov::pass::Manager manager;
  manager.register_pass<CastIntegerSignToFloat>();
  manager.run_passes(model);
  const auto result = model->get_results()[1]->get_input_node_shared_ptr(0);
  ASSERT_TRUE(ov::is_type<ov::op::v0::Convert>(result));
  EXPECT_EQ(result->get_friendly_name(), "sign");
  EXPECT_EQ(result->get_output_element_type(0), ov::element::i32);
  const auto inner = result->get_input_node_shared_ptr(0);
  ASSERT_TRUE(ov::is_type<ov::op::v0::Sign>(inner));
  EXPECT_EQ(inner->get_input_element_type(0), ov::element::f32);
}

TEST(CastIntegerSignToFloat, RealAndBooleanInputs) {
  for (ov::element::Type type : {ov::element::f16, ov::element::f32}) {
    auto p = TypedParam(type, {4});
    auto model = std::make_shared<ov::Model>(
        ov::OutputVector{std::make_shared<ov::op::v0::Sign>(p)}, ov::ParameterVector{p});
    ov::pass::Manager manager;
    manager.register_pass<CastIntegerSignToFloat>();
    manager.run_passes(model);
    EXPECT_EQ(count_ops_of_type<ov::op::v0::Convert>(model), 0u) << type;
  }
  auto b = TypedParam(ov::element::i8, {4});
  auto model = std::make_shared<ov::Model>(ov::OutputVector{std::make_shared<ov::op::v0::Sign>(b)},
                                           ov::ParameterVector{b});
  ov::pass::Manager manager;
  manager.register_pass<CastIntegerSignToFloat>();
  manager.run_passes(model);
  EXPECT_EQ(count_ops_of_type<ov::op::v0::Convert>(model), 2u);
}

std::shared_ptr<ov::Node> FakeQuantizeOf(const ov::Output<ov::Node>& input) {
  return std::make_shared<ov::op::v0::FakeQuantize>(input, Scalar(-1), Scalar(1), Scalar(-1),
                                                    Scalar(1), 256);
}

TEST(EliminateMatMulFakeQuantize, QuantizeAfterASoleMatMulIsDropped) {
  auto a = TypedParam(ov::element::f32, {2, 3});
  auto b = TypedParam(ov::element::f32, {3, 4});
  auto matmul = std::make_shared<ov::op::v0::MatMul>(a, b);
  matmul->set_friendly_name("mm");
  auto relu = std::make_shared<ov::op::v0::Relu>(FakeQuantizeOf(matmul));
  auto model = std::make_shared<ov::Model>(ov::OutputVector{relu}, ov::ParameterVector{a, b});
  CompileConfig config = ConfigFor("NPU");
  config.optimize_fq_after_matmul = true;
  OptimizeForNpu(config, model);

  auto ra = TypedParam(ov::element::f32, {2, 3});
  auto rb = TypedParam(ov::element::f32, {3, 4});
  auto expected = std::make_shared<ov::Model>(ov::OutputVector{std::make_shared<ov::op::v0::Relu>(
                                                  std::make_shared<ov::op::v0::MatMul>(ra, rb))},
                                              ov::ParameterVector{ra, rb});
  const auto [same, message] = compare_functions(model, expected, true);
  EXPECT_TRUE(same) << message;
  EXPECT_EQ(relu->get_input_node_shared_ptr(0)->get_friendly_name(), "mm");
}

TEST(EliminateMatMulFakeQuantize, KeptWhenSwitchedOffOrTheMatMulHasAnotherConsumer) {
  for (const bool second_consumer : {false, true}) {
    auto a = TypedParam(ov::element::f32, {2, 3});
    auto b = TypedParam(ov::element::f32, {3, 4});
    auto matmul = std::make_shared<ov::op::v0::MatMul>(a, b);
    ov::OutputVector outputs{FakeQuantizeOf(matmul)};
    if (second_consumer) outputs.push_back(std::make_shared<ov::op::v0::Relu>(matmul));
    auto model = std::make_shared<ov::Model>(outputs, ov::ParameterVector{a, b});
    CompileConfig config = ConfigFor("NPU");
    config.optimize_fq_after_matmul = second_consumer;
    OptimizeForNpu(config, model);
    EXPECT_EQ(count_ops_of_type<ov::op::v0::FakeQuantize>(model), 1u) << second_consumer;
  }
}

TEST(NpuPasses, TypeInfo) {
  EXPECT_STREQ(EliminateMatMulFakeQuantize::get_type_info_static().name,
               "EliminateMatMulFakeQuantize");
  EXPECT_STREQ(EliminateMatMulFakeQuantize::get_type_info_static().version_id, "0");
  EXPECT_EQ(EliminateMatMulFakeQuantize::get_type_info_static().parent,
            &ov::pass::MatcherPass::get_type_info_static());
  EXPECT_STREQ(CastIntegerSignToFloat::get_type_info_static().name, "CastIntegerSignToFloat");
  EXPECT_EQ(CastIntegerSignToFloat::get_type_info_static().parent,
            &ov::pass::MatcherPass::get_type_info_static());
}

}  // namespace
}  // namespace zorvel::openvino
