// Converted models compared node by node with hand-built references (topology, types,
// shapes, attributes, constant values), one per translator group.
#include <gtest/gtest.h>

#include "common_test_utils/graph_comparator.hpp"
#include "frontend_test_utils.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/convert_like.hpp"
#include "openvino/op/convolution.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/result.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "transformations/rt_info/disable_constant_folding.hpp"

namespace {

using fe_test::OneOp;
using fe_test::Quant;
using fe_test::TestGraph;
using ov::element::f32;
using ov::element::i64;
using ovref_test::constant;
using ovref_test::param;

void ExpectSameGraph(const std::shared_ptr<ov::Model>& model,
                     const std::shared_ptr<ov::Model>& reference) {
  auto comparator = FunctionsComparator::no_default();
  comparator.enable(FunctionsComparator::NODES)
      .enable(FunctionsComparator::PRECISIONS)
      .enable(FunctionsComparator::ATTRIBUTES)
      .enable(FunctionsComparator::CONST_VALUES);
  const auto result = comparator(model, reference);
  EXPECT_TRUE(result.valid) << result.message;
}

std::shared_ptr<ov::Node> Transpose(const ov::Output<ov::Node>& x, std::vector<int64_t> order) {
  return std::make_shared<ov::op::v1::Transpose>(x, constant(i64, {order.size()}, order));
}

TEST(FrontEndReferenceGraphs, Conv2DWithBiasAndRelu) {
  const std::vector<float> w(2 * 3 * 3 * 4, 0.5f), b{1, 2};
  auto model = OneOp()
                   .In(f32, {1, 8, 8, 4})
                   .Const(f32, {2, 3, 3, 4}, w)
                   .Const(f32, {2}, b)
                   .Make("CONV_2D", {{f32, {1, 4, 8, 2}}},
                         {{"strides", std::vector<int64_t>{1, 2, 1, 1}},
                          {"dilations", std::vector<int64_t>{1, 1, 1, 1}},
                          {"padding", std::string("SAME")},
                          {"activation", std::string("RELU")}});
  auto x = param(f32, {1, 8, 8, 4});
  // OHWI -> HWIO -> OIHW, fused into one Transpose by the clean-up after conversion.
  auto filter = Transpose(constant(f32, {2, 3, 3, 4}, w), {0, 3, 1, 2});
  auto conv = std::make_shared<ov::op::v1::Convolution>(
      Transpose(x, {0, 3, 1, 2}), filter, ov::Strides{2, 1}, ov::CoordinateDiff{0, 0},
      ov::CoordinateDiff{0, 0}, ov::Strides{1, 1}, ov::op::PadType::SAME_UPPER);
  auto bias =
      std::make_shared<ov::op::v1::Add>(Transpose(conv, {0, 2, 3, 1}), constant(f32, {2}, b));
  auto reference = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<ov::op::v0::Relu>(bias)}, ov::ParameterVector{x});
  ExpectSameGraph(model, reference);
}

TEST(FrontEndReferenceGraphs, FullyConnectedWithPerChannelInt8Weights) {
  const std::vector<int8_t> w{1, 2, 3, 4, 5, 6};
  auto g = std::make_shared<TestGraph>();
  g->Input("x", f32, {2, 2, 3});
  g->Output("y");
  g->Constant<int8_t>("w", ov::element::i8, {2, 3}, w, Quant({0.5f, 0.25f}, {0, 0}, 0));
  g->Tensor("y", f32, {4, 2});
  g->Op("FULLY_CONNECTED", {"x", "w"}, {"y"},
        {{"fused_activation_function", std::string("NONE")},
         {"weights_format", int8_t{0}},
         {"keep_num_dims", false}});
  auto model = fe_test::Convert(g);

  auto x = param(f32, {2, 2, 3});
  auto convert = std::make_shared<ov::op::v0::Convert>(constant(ov::element::i8, {2, 3}, w), f32);
  ov::disable_constant_folding(convert);
  auto weights = std::make_shared<ov::op::v1::Multiply>(
      convert, constant(f32, {2, 1}, std::vector<float>{0.5f, 0.25f}));
  auto flat = std::make_shared<ov::op::v1::Reshape>(
      x, constant(i64, {2}, std::vector<int64_t>{-1, 3}), false);
  auto matmul = std::make_shared<ov::op::v0::MatMul>(flat, weights, false, true);
  auto reference = std::make_shared<ov::Model>(ov::OutputVector{matmul}, ov::ParameterVector{x});
  ExpectSameGraph(model, reference);
}

TEST(FrontEndReferenceGraphs, SoftmaxWithBetaAndPack) {
  auto softmax = OneOp().In(f32, {2, 3}).Make("SOFTMAX", {{f32, {2, 3}}}, {{"beta", 0.5f}});
  auto x = param(f32, {2, 3});
  auto scaled = std::make_shared<ov::op::v1::Multiply>(
      x, std::make_shared<ov::op::v1::ConvertLike>(constant(f32, {}, std::vector<float>{0.5f}), x));
  ExpectSameGraph(softmax, std::make_shared<ov::Model>(
                               ov::OutputVector{std::make_shared<ov::op::v8::Softmax>(scaled, -1)},
                               ov::ParameterVector{x}));

  auto pack =
      OneOp().In(f32, {3}).In(f32, {3}).Make("PACK", {{f32, {3, 2}}}, {{"axis", int32_t{1}}});
  auto a = param(f32, {3}), b = param(f32, {3});
  auto axis = [] { return constant(i64, {}, std::vector<int64_t>{1}); };
  auto concat = std::make_shared<ov::op::v0::Concat>(
      ov::OutputVector{std::make_shared<ov::op::v0::Unsqueeze>(a, axis()),
                       std::make_shared<ov::op::v0::Unsqueeze>(b, axis())},
      1);
  ExpectSameGraph(pack,
                  std::make_shared<ov::Model>(ov::OutputVector{concat}, ov::ParameterVector{a, b}));
}

}  // namespace
