#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common_test_utils/ov_test_utils.hpp"
#include "openvino/core/model.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/result.hpp"
#include "openvino/op/sigmoid.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/pass/manager.hpp"
#include "pass_test_utils.hpp"
#include "transformations/common_optimizations/transpose_sinking.hpp"
#include "transformations/common_optimizations/transpose_sinking_general.hpp"
#include "transformations/fp16_compression/mark_decompression_convert_constant_folding.hpp"
#include "transformations/resolve_names_collisions.hpp"
#include "transformations/rt_info/decompression.hpp"

namespace {

using ov::op::v0::Constant;
using ov::op::v0::Convert;
using ov::op::v0::Parameter;
using ov::op::v0::Relu;
using ov::op::v0::Result;
using ov::op::v1::Transpose;
using ovref_pass_test::param;

std::shared_ptr<Transpose> transpose(const ov::Output<ov::Node>& data,
                                     const std::vector<int64_t>& order) {
  return std::make_shared<Transpose>(
      data, Constant::create(ov::element::i64, ov::Shape{order.size()}, order));
}

std::shared_ptr<ov::Model> single_output(const ov::Output<ov::Node>& out,
                                         const std::shared_ptr<Parameter>& p) {
  return std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{p});
}

TEST(MarkCompressedFloatConstants, HalfWeightsStayCompressedThroughFolding) {
  auto p = param({4});
  auto half =
      Constant::create(ov::element::f16, ov::Shape{4}, std::vector<float>{1.5f, -2, 0.25f, 8});
  auto to_f32 = std::make_shared<Convert>(half, ov::element::f32);
  auto i8 = Constant::create(ov::element::i8, ov::Shape{4}, std::vector<int8_t>{1, 2, 3, 4});
  auto from_i8 = std::make_shared<Convert>(i8, ov::element::f32);
  auto sum =
      std::make_shared<ov::op::v1::Add>(std::make_shared<ov::op::v1::Add>(p, to_f32), from_i8);
  auto model = single_output(sum, p);

  ov::pass::Manager manager;
  manager.register_pass<ov::pass::MarkCompressedFloatConstants>();
  manager.register_pass<ov::pass::ConstantFolding>();
  manager.run_passes(model);

  EXPECT_TRUE(ov::is_decompression(to_f32));
  EXPECT_TRUE(ov::pass::constant_folding_is_disabled(half));
  EXPECT_TRUE(ov::pass::constant_folding_is_disabled(to_f32));
  // The f16 Convert survives folding; the i8 one is folded away.
  size_t converts = 0;
  for (const auto& op : model->get_ops()) converts += ov::is_type<Convert>(op) ? 1 : 0;
  EXPECT_EQ(converts, 1u);
  EXPECT_FALSE(ov::is_decompression(from_i8));
}

class TransposeCleanup : public TransformationTestsF {};

TEST_F(TransposeCleanup, InversePairDisappears) {
  {
    auto p = param({1, 4, 3, 2});
    auto nchw = transpose(p, {0, 3, 1, 2});
    auto nhwc = transpose(nchw, {0, 2, 3, 1});
    model = single_output(std::make_shared<Relu>(nhwc), p);
    manager.register_pass<ov::pass::TransposeSinking>();
  }
  {
    auto p = param({1, 4, 3, 2});
    model_ref = single_output(std::make_shared<Relu>(p), p);
  }
  comparator.enable(FunctionsComparator::ACCURACY);
}

TEST_F(TransposeCleanup, PairFusesIntoTheComposedOrder) {
  {
    auto p = param({2, 3, 4});
    auto first = transpose(p, {1, 2, 0});
    auto second = transpose(first, {0, 2, 1});
    second->set_friendly_name("second");
    auto out = std::make_shared<Relu>(second);
    out->set_friendly_name("out");
    model = single_output(out, p);
    manager.register_pass<ov::pass::TransposeSinking>();
  }
  {
    auto p = param({2, 3, 4});
    auto fused = transpose(p, {1, 0, 2});
    fused->set_friendly_name("second");
    auto out = std::make_shared<Relu>(fused);
    out->set_friendly_name("out");
    model_ref = single_output(out, p);
  }
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::NAMES);
  comparator.enable(FunctionsComparator::ACCURACY);
}

TEST_F(TransposeCleanup, FirstTransposeWithAnotherConsumerIsKept) {
  auto p = param({2, 3});
  auto first = transpose(p, {1, 0});
  auto second = transpose(first, {1, 0});
  model = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<Relu>(second), std::make_shared<Relu>(first)},
      ov::ParameterVector{p});
  manager.register_pass<ov::pass::TransposeSinking>();
}

TEST_F(TransposeCleanup, TransposesMeetThroughUnaryOpsAndCancel) {
  {
    auto p = param({1, 2, 3, 4});
    auto nhwc = transpose(p, {0, 2, 3, 1});
    auto relu = std::make_shared<Relu>(nhwc);
    relu->set_friendly_name("relu");
    auto sigmoid = std::make_shared<ov::op::v0::Sigmoid>(relu);
    sigmoid->set_friendly_name("sigmoid");
    auto nchw = transpose(sigmoid, {0, 3, 1, 2});
    model = single_output(std::make_shared<ov::op::v8::Softmax>(nchw, 1), p);
    manager.register_pass<ov::pass::TransposeSinkingGeneral>();
  }
  {
    auto p = param({1, 2, 3, 4});
    auto relu = std::make_shared<Relu>(p);
    auto sigmoid = std::make_shared<ov::op::v0::Sigmoid>(relu);
    model_ref = single_output(std::make_shared<ov::op::v8::Softmax>(sigmoid, 1), p);
  }
  comparator.enable(FunctionsComparator::ACCURACY);
}

TEST_F(TransposeCleanup, ATransposeWithNothingToMeetEndsAfterTheUnaryOps) {
  {
    auto p = param({2, 3});
    auto t = transpose(p, {1, 0});
    model = single_output(std::make_shared<ov::op::v8::Softmax>(std::make_shared<Relu>(t), 0), p);
    manager.register_pass<ov::pass::TransposeSinkingGeneral>();
  }
  {
    auto p = param({2, 3});
    auto t = transpose(std::make_shared<Relu>(p), {1, 0});
    model_ref = single_output(std::make_shared<ov::op::v8::Softmax>(t, 0), p);
  }
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::ACCURACY);
}

TEST(ResolveNameCollisions, RenamesRepeatsWithTheFirstFreeSuffix) {
  auto p = param({2});
  p->set_friendly_name("x");
  auto a = std::make_shared<Relu>(p);
  auto b = std::make_shared<Relu>(a);
  auto c = std::make_shared<Relu>(b);
  auto d = std::make_shared<Relu>(c);
  a->set_friendly_name("x");
  b->set_friendly_name("x");
  c->set_friendly_name("x_2");
  d->set_friendly_name("x");
  auto r = std::make_shared<Result>(d);
  r->set_friendly_name("x");
  auto model = std::make_shared<ov::Model>(ov::ResultVector{r}, ov::ParameterVector{p});

  // By default only generated names are changed; these were all set on purpose.
  ov::pass::Manager keep;
  keep.register_pass<ov::pass::ResolveNameCollisions>();
  keep.run_passes(model);
  EXPECT_EQ(a->get_friendly_name(), "x");
  EXPECT_EQ(d->get_friendly_name(), "x");

  ov::pass::Manager all;
  all.register_pass<ov::pass::ResolveNameCollisions>(true);
  all.run_passes(model);
  EXPECT_EQ(p->get_friendly_name(), "x");  // the Parameter keeps the name
  EXPECT_EQ(a->get_friendly_name(), "x_3");
  EXPECT_EQ(b->get_friendly_name(), "x_4");
  EXPECT_EQ(c->get_friendly_name(), "x_2");
  EXPECT_EQ(d->get_friendly_name(), "x_5");
  EXPECT_EQ(r->get_friendly_name(), "x");  // and so does the Result
}

TEST(ResolveNameCollisions, ByDefaultAGeneratedNameYieldsToAChosenOne) {
  auto p = param({2});
  auto generated = std::make_shared<Relu>(p);
  auto chosen = std::make_shared<Relu>(generated);
  chosen->set_friendly_name(generated->get_name());
  auto model = single_output(chosen, p);
  ov::pass::Manager manager;
  manager.register_pass<ov::pass::ResolveNameCollisions>();
  manager.run_passes(model);
  EXPECT_EQ(chosen->get_friendly_name(), generated->get_name());
  EXPECT_EQ(generated->get_friendly_name(), generated->get_name() + "_2");
}

}  // namespace
