#include <cmath>
#include <functional>

#include "op_test_utils.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/divide.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/floor.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/power.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/select.hpp"
#include "openvino/op/sign.hpp"
#include "openvino/op/sqrt.hpp"
#include "openvino/op/subtract.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;
namespace v7 = ov::op::v7;

TEST(BinaryElementwise, ShapeInferenceBroadcastsAndRejects) {
  auto a = param(element::f32, {2, 1, 5});
  auto b = param(element::f32, {1, 4, 5});
  EXPECT_EQ(std::make_shared<v1::Add>(a, b)->get_output_partial_shape(0), (PartialShape{2, 4, 5}));
  auto c = param(element::f32, {6, 5});
  EXPECT_EQ(std::make_shared<v1::Multiply>(c, param(element::f32, {2, 1, 5}))
                ->get_output_partial_shape(0),
            (PartialShape{2, 6, 5}));
  auto d = param(element::f32, {-1, 3});
  EXPECT_EQ(
      std::make_shared<v1::Subtract>(d, param(element::f32, {4, 1}))->get_output_partial_shape(0),
      (PartialShape{4, 3}));
  EXPECT_EQ(std::make_shared<v1::Add>(d, param(element::f32, PartialShape::dynamic()))
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::Add>(param(element::f32, {3}), param(element::f32, {2})); },
      "Argument shapes are inconsistent."));
  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::Add>(param(element::f32, {3}), param(element::i32, {3})); },
      "Arguments do not have the same element type"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::Add>(param(element::boolean, {3}), param(element::boolean, {3}));
      },
      "Arguments cannot have boolean element type"));
  EXPECT_THROW(
      std::make_shared<v1::Add>(param(element::f32, {2, 3}), param(element::f32, {2, 3, 1}),
                                ov::op::AutoBroadcastType::NONE),
      ov::NodeValidationFailure);
  auto eq = std::make_shared<v1::Equal>(param(element::boolean, {2}), param(element::boolean, {1}));
  EXPECT_EQ(eq->get_output_element_type(0), element::boolean);
  auto dyn = std::make_shared<v1::Add>(param(element::dynamic, {2}), param(element::i8, {2}));
  EXPECT_EQ(dyn->get_output_element_type(0), element::i8);
}

TEST(BinaryElementwise, EvaluatesWithBroadcastingAndWrapping) {
  auto a = param(element::i32, {2, 3});
  auto b = param(element::i32, {3});
  auto out = run({std::make_shared<v1::Add>(a, b), std::make_shared<v1::Multiply>(a, b)}, {a, b},
                 {tensor<int>(element::i32, {2, 3}, {1, 2, 3, 4, 5, 6}),
                  tensor<int>(element::i32, {3}, {10, 20, 30})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{11, 22, 33, 14, 25, 36}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{10, 40, 90, 40, 100, 180}));

  // Integer overflow wraps instead of being undefined.
  auto x = param(element::i8, {2});
  auto wrapped = run({std::make_shared<v1::Add>(x, x), std::make_shared<v1::Multiply>(x, x)}, {x},
                     {tensor<int>(element::i8, {2}, {100, -128})});
  EXPECT_EQ(values<int>(wrapped[0]), (std::vector<int>{-56, 0}));
  EXPECT_EQ(values<int>(wrapped[1]), (std::vector<int>{16, 0}));

  auto h = param(element::f16, {2});
  auto half = run({std::make_shared<v1::Subtract>(h, h)}, {h},
                  {tensor<float>(element::f16, {2}, {1.5f, -2.f})});
  EXPECT_EQ(values<float>(half[0]), (std::vector<float>{0.f, 0.f}));

  // PDPD: the second input is aligned at the axis.
  auto p = param(element::f32, {2, 3, 2});
  auto q = param(element::f32, {3, 1});
  auto pdpd = run({std::make_shared<v1::Add>(
                      p, q, ov::op::AutoBroadcastSpec(ov::op::AutoBroadcastType::PDPD, 1))},
                  {p, q},
                  {tensor<float>(element::f32, {2, 3, 2}, std::vector<float>(12, 0.f)),
                   tensor<float>(element::f32, {3, 1}, {1.f, 2.f, 3.f})});
  EXPECT_EQ(values<float>(pdpd[0]), (std::vector<float>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3}));
}

TEST(BinaryElementwise, DivideAndPowerFollowTheReference) {
  auto a = param(element::i32, {4});
  auto b = param(element::i32, {4});
  auto out = run({std::make_shared<v1::Divide>(a, b), std::make_shared<v1::Divide>(a, b, false),
                  std::make_shared<v1::Power>(a, b)},
                 {a, b},
                 {tensor<int>(element::i32, {4}, {-7, 7, 6, -2}),
                  tensor<int>(element::i32, {4}, {2, -2, 3, 3})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{-4, -4, 2, -1}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{-3, -3, 2, 0}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{49, 0, 216, -8}));

  auto f = param(element::f32, {3});
  auto g = param(element::f32, {3});
  auto fl = run({std::make_shared<v1::Divide>(f, g)}, {f, g},
                {tensor<float>(element::f32, {3}, {1.f, -1.f, 0.f}),
                 tensor<float>(element::f32, {3}, {0.f, 0.f, 0.f})});
  auto r = values<float>(fl[0]);
  EXPECT_TRUE(std::isinf(r[0]) && r[0] > 0);
  EXPECT_TRUE(std::isinf(r[1]) && r[1] < 0);
  EXPECT_TRUE(std::isnan(r[2]));

  auto zero = std::make_shared<v1::Divide>(a, b);
  ov::TensorVector outputs{ov::Tensor(element::i32, {1})};
  EXPECT_THROW(zero->evaluate(outputs, {tensor<int>(element::i32, {1}, {1}),
                                        tensor<int>(element::i32, {1}, {0})}),
               ov::Exception);

  auto d = std::make_shared<v1::Divide>(a, b, false);
  auto clone = std::static_pointer_cast<v1::Divide>(d->clone_with_new_inputs({a, b}));
  EXPECT_FALSE(clone->is_pythondiv());
}

TEST(Comparison, EqualAndSelect) {
  auto a = param(element::f32, {3});
  auto b = param(element::f32, {1});
  auto eq = std::make_shared<v1::Equal>(a, b);
  auto then_v = param(element::i32, {3});
  auto else_v = param(element::i32, {});
  auto sel = std::make_shared<v1::Select>(eq, then_v, else_v);
  EXPECT_EQ(sel->get_output_partial_shape(0), (PartialShape{3}));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto out = run(
      {eq, sel}, {a, b, then_v, else_v},
      {tensor<float>(element::f32, {3}, {0.f, -0.f, nan}), tensor<float>(element::f32, {1}, {0.f}),
       tensor<int>(element::i32, {3}, {1, 2, 3}), tensor<int>(element::i32, {}, {-1})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{1, 2, -1}));

  EXPECT_TRUE(message_has([&] { std::make_shared<v1::Select>(a, then_v, else_v); },
                          "Argument 0 must have boolean element type"));
  EXPECT_TRUE(
      message_has([&] { std::make_shared<v1::Select>(eq, then_v, param(element::f32, {3})); },
                  "Argument 1 and 2 element types must match."));
  EXPECT_THROW(std::make_shared<v1::Select>(eq, param(element::i32, {4}), else_v),
               ov::NodeValidationFailure);
}

TEST(UnaryElementwise, ValuesAndTypeChecks) {
  auto f = param(element::f32, {5});
  auto out = run({std::make_shared<v0::Sign>(f), std::make_shared<v0::Relu>(f),
                  std::make_shared<v0::Floor>(f), std::make_shared<v0::Sqrt>(f)},
                 {f}, {tensor<float>(element::f32, {5}, {-1.5f, -0.f, 0.5f, 4.f, -0.5f})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{-1, 0, 1, 1, -1}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{0, 0, 0.5f, 4, 0}));
  EXPECT_EQ(values<float>(out[2]), (std::vector<float>{-2, -0.f, 0, 4, -1}));
  EXPECT_EQ(values<float>(out[3])[3], 2.f);
  EXPECT_TRUE(std::isnan(values<float>(out[3])[0]));

  auto i = param(element::i32, {4});
  auto iout = run({std::make_shared<v0::Sqrt>(i), std::make_shared<v0::Sign>(i)}, {i},
                  {tensor<int>(element::i32, {4}, {2, 3, 6, -4})});
  EXPECT_EQ(values<int>(iout[0]), (std::vector<int>{1, 2, 2, 0}));
  EXPECT_EQ(values<int>(iout[1]), (std::vector<int>{1, 1, 1, -1}));

  EXPECT_TRUE(message_has([&] { std::make_shared<v0::Relu>(param(element::boolean, {2})); },
                          "This operation does not support input with element type: boolean"));
  EXPECT_EQ(std::make_shared<v0::Relu>(param(element::f32, PartialShape::dynamic()))
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
}

TEST(UnaryElementwise, GeluMatchesItsFormulas) {
  const std::vector<float> xs{-3.f, -1.f, -0.25f, 0.f, 0.5f, 1.f, 2.5f};
  auto x = param(element::f32, {7});
  auto out = run({std::make_shared<v7::Gelu>(x, ov::op::GeluApproximationMode::TANH),
                  std::make_shared<v7::Gelu>(x), std::make_shared<v0::Gelu>(x)},
                 {x}, {tensor<float>(element::f32, {7}, xs)});
  std::vector<float> tanh_ref, erf_ref;
  for (float v : xs) {
    const double d = v;
    tanh_ref.push_back(static_cast<float>(
        0.5 * d * (1 + std::tanh(std::sqrt(2 / M_PI) * (d + 0.044715 * std::pow(d, 3))))));
    erf_ref.push_back(static_cast<float>(d * 0.5 * std::erfc(-d / std::sqrt(2.0))));
  }
  expect_near(values<float>(out[0]), tanh_ref, 1e-6);
  expect_near(values<float>(out[1]), erf_ref, 1e-6);
  expect_near(values<float>(out[2]), erf_ref, 1e-6);
  // The approximations differ measurably at x = -3.
  EXPECT_GT(std::fabs(values<float>(out[0])[0] - values<float>(out[1])[0]), 1e-4);

  EXPECT_THROW(std::make_shared<v7::Gelu>(param(element::i32, {2})), ov::NodeValidationFailure);
  auto g = std::make_shared<v7::Gelu>(x, ov::op::GeluApproximationMode::TANH);
  EXPECT_EQ(
      std::static_pointer_cast<v7::Gelu>(g->clone_with_new_inputs({x}))->get_approximation_mode(),
      ov::op::GeluApproximationMode::TANH);
  EXPECT_EQ(ov::as_enum<ov::op::GeluApproximationMode>("tanh"),
            ov::op::GeluApproximationMode::TANH);
  EXPECT_EQ(std::string(v0::Gelu::get_type_info_static().version_id), "opset2");
}

}  // namespace
