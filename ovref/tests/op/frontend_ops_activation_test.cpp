#include <cmath>
#include <limits>

#include "op_test_utils.hpp"
#include "openvino/op/abs.hpp"
#include "openvino/op/ceiling.hpp"
#include "openvino/op/clamp.hpp"
#include "openvino/op/cos.hpp"
#include "openvino/op/elu.hpp"
#include "openvino/op/erf.hpp"
#include "openvino/op/exp.hpp"
#include "openvino/op/hswish.hpp"
#include "openvino/op/log.hpp"
#include "openvino/op/negative.hpp"
#include "openvino/op/prelu.hpp"
#include "openvino/op/round.hpp"
#include "openvino/op/sigmoid.hpp"
#include "openvino/op/sin.hpp"
#include "openvino/op/swish.hpp"
#include "openvino/op/tanh.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v4 = ov::op::v4;
namespace v5 = ov::op::v5;

const std::vector<float> kPoints{-3.5f, -1.0f, -0.25f, 0.0f, 0.5f, 2.0f};

template <typename Op>
std::vector<float> apply(const element::Type& type, const std::vector<float>& in) {
  auto x = param(type, ov::Shape{in.size()});
  auto out = run({std::make_shared<Op>(x)}, {x}, {tensor<float>(type, {in.size()}, in)});
  return values<float>(out[0]);
}

TEST(FrontendActivations, MathFunctionsMatchTheLibrary) {
  struct Case {
    std::function<std::vector<float>(const element::Type&, const std::vector<float>&)> op;
    double (*f)(double);
  };
  const std::vector<Case> cases{
      {apply<v0::Sigmoid>, [](double x) { return 1.0 / (1.0 + std::exp(-x)); }},
      {apply<v0::Tanh>, [](double x) { return std::tanh(x); }},
      {apply<v0::Exp>, [](double x) { return std::exp(x); }},
      {apply<v0::Sin>, [](double x) { return std::sin(x); }},
      {apply<v0::Cos>, [](double x) { return std::cos(x); }},
      {apply<v0::Erf>, [](double x) { return std::erf(x); }},
      {apply<v0::Abs>, [](double x) { return std::fabs(x); }},
      {apply<v0::Ceiling>, [](double x) { return std::ceil(x); }},
      {apply<v0::Negative>, [](double x) { return -x; }},
      {apply<v4::HSwish>, [](double x) { return x * std::min(std::max(x + 3.0, 0.0), 6.0) / 6.0; }},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    std::vector<float> expected;
    for (float p : kPoints) expected.push_back(static_cast<float>(cases[c].f(p)));
    expect_near(cases[c].op(element::f32, kPoints), expected, 1e-6);
    expect_near(cases[c].op(element::f16, kPoints), expected, 4e-3 * 8);
    expect_near(cases[c].op(element::bf16, kPoints), expected, 3e-2 * 8);
  }
  // Log: IEEE results at 0 and below.
  const auto logs = apply<v0::Log>(element::f32, {1.0f, std::exp(2.0f), 0.0f, -1.0f});
  EXPECT_NEAR(logs[1], 2.0f, 1e-6);
  EXPECT_EQ(logs[0], 0.0f);
  EXPECT_TRUE(std::isinf(logs[2]) && logs[2] < 0);
  EXPECT_TRUE(std::isnan(logs[3]));
  EXPECT_TRUE(std::isinf(apply<v0::Exp>(element::f32, {1000.0f})[0]));
}

TEST(FrontendActivations, IntegerInputs) {
  auto x = param(element::i8, {4});
  auto out = run({std::make_shared<v0::Abs>(x), std::make_shared<v0::Negative>(x),
                  std::make_shared<v0::Ceiling>(x), std::make_shared<v0::Tanh>(x),
                  std::make_shared<v0::Exp>(x)},
                 {x}, {tensor<int>(element::i8, {4}, {-128, -3, 0, 5})});
  // The lowest value wraps in Abs and Negative instead of overflowing.
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{-128, 3, 0, 5}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{-128, 3, 0, -5}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{-128, -3, 0, 5}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{-1, -1, 0, 1}));
  EXPECT_EQ(values<int>(out[4]), (std::vector<int>{0, 0, 1, 127}));
  auto u = param(element::u8, {2});
  auto uo = run({std::make_shared<v0::Abs>(u), std::make_shared<v0::Negative>(u)}, {u},
                {tensor<int>(element::u8, {2}, {200, 1})});
  EXPECT_EQ(values<int>(uo[0]), (std::vector<int>{200, 1}));
  EXPECT_EQ(values<int>(uo[1]), (std::vector<int>{56, 255}));

  EXPECT_THROW(std::make_shared<v0::Sigmoid>(param(element::boolean, {2})),
               ov::NodeValidationFailure);
  auto dyn = std::make_shared<v0::Exp>(param(element::f32, {-1, 3}));
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{-1, 3}));
  EXPECT_EQ(dyn->get_type_info().version_id, std::string("opset1"));
}

TEST(FrontendActivations, EluSwishClamp) {
  auto x = param(element::f32, {4});
  const auto in = tensor<float>(element::f32, {4}, {-2.0f, -0.5f, 0.0f, 3.0f});
  auto beta = constant<float>(element::f32, {}, {2.0f});
  auto out = run({std::make_shared<v0::Elu>(x, 0.5), std::make_shared<v4::Swish>(x),
                  std::make_shared<v4::Swish>(x, beta), std::make_shared<v0::Clamp>(x, -1.0, 2.5)},
                 {x}, {in});
  expect_near(values<float>(out[0]),
              std::vector<float>{0.5f * (std::exp(-2.0f) - 1), 0.5f * (std::exp(-0.5f) - 1), 0, 3},
              1e-6);
  auto swish = [](float v, float b) { return v / (1 + std::exp(-b * v)); };
  expect_near(values<float>(out[1]),
              std::vector<float>{swish(-2, 1), swish(-0.5f, 1), 0, swish(3, 1)}, 1e-6);
  expect_near(values<float>(out[2]),
              std::vector<float>{swish(-2, 2), swish(-0.5f, 2), 0, swish(3, 2)}, 1e-6);
  EXPECT_EQ(values<float>(out[3]), (std::vector<float>{-1.0f, -0.5f, 0.0f, 2.5f}));

  // Integer Clamp rounds the bounds inwards: [-1.5, 2.5] becomes [-1, 2].
  auto xi = param(element::i32, {5});
  auto clamp = std::make_shared<v0::Clamp>(xi, -1.5, 2.5);
  auto outi = run({clamp}, {xi}, {tensor<int>(element::i32, {5}, {-7, -1, 0, 2, 9})});
  EXPECT_EQ(values<int>(outi[0]), (std::vector<int>{-1, -1, 0, 2, 2}));
  EXPECT_EQ(clamp->get_min(), -1.5);
  EXPECT_EQ(clamp->get_max(), 2.5);
  EXPECT_TRUE(message_has([&] { std::make_shared<v0::Clamp>(xi, 3.0, 1.0); },
                          "must be less or equal than 'max'"));
  EXPECT_TRUE(message_has([&] { std::make_shared<v4::Swish>(x, param(element::f32, {2})); },
                          "must be scalar"));
  EXPECT_TRUE(
      message_has([&] { std::make_shared<v4::Swish>(x, param(element::f16, {})); }, "same type"));
  EXPECT_THROW(std::make_shared<v4::Swish>(param(element::i32, {2})), ov::NodeValidationFailure);
}

TEST(FrontendActivations, PReluSlopePlacement) {
  // Per-channel along dim 1 of [1, 2, 2].
  auto x = param(element::f32, {1, 2, 2});
  auto per_channel =
      std::make_shared<v0::PRelu>(x, constant<float>(element::f32, {2}, {0.5f, 2.0f}));
  // Scalar slope, as LEAKY_RELU builds it.
  auto leaky = std::make_shared<v0::PRelu>(x, constant<float>(element::f32, {}, {0.2f}));
  // [1, 1, 2] broadcasts along the last dim.
  auto last =
      std::make_shared<v0::PRelu>(x, constant<float>(element::f32, {1, 1, 2}, {0.5f, 2.0f}));
  auto out = run({per_channel, leaky, last}, {x},
                 {tensor<float>(element::f32, {1, 2, 2}, {-1, -2, -3, 4})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{-0.5f, -1.0f, -6.0f, 4.0f}));
  expect_near(values<float>(out[1]), std::vector<float>{-0.2f, -0.4f, -0.6f, 4.0f}, 1e-6);
  EXPECT_EQ(values<float>(out[2]), (std::vector<float>{-0.5f, -4.0f, -1.5f, 4.0f}));
  // A 1-D slope not matching dim 1 broadcasts along the last dim.
  auto y = param(element::i32, {2, 3});
  auto numpy = std::make_shared<v0::PRelu>(y, constant<int>(element::i32, {3}, {1, 2, 3}));
  auto outy = run({numpy}, {y}, {tensor<int>(element::i32, {2, 3}, {-1, -1, -1, 5, -2, 0})});
  EXPECT_EQ(values<int>(outy[0]), (std::vector<int>{-1, -2, -3, 5, -4, 0}));

  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::PRelu>(param(element::f32, {2, 3}), param(element::i32, {3}));
      },
      "element types do not match"));
  EXPECT_THROW(std::make_shared<v0::PRelu>(param(element::f32, {2, 3}), param(element::f32, {4})),
               ov::NodeValidationFailure);
  EXPECT_EQ(std::make_shared<v0::PRelu>(param(element::f32, {-1, 3, 4}), param(element::f32, {3}))
                ->get_output_partial_shape(0),
            (PartialShape{-1, 3, 4}));
}

TEST(FrontendActivations, RoundModes) {
  auto x = param(element::f32, {8});
  const auto in =
      tensor<float>(element::f32, {8}, {-2.5f, -1.5f, -0.5f, 0.5f, 1.5f, 2.5f, 2.6f, -0.4f});
  auto even = std::make_shared<v5::Round>(x, v5::Round::RoundMode::HALF_TO_EVEN);
  auto away = std::make_shared<v5::Round>(x, v5::Round::RoundMode::HALF_AWAY_FROM_ZERO);
  auto out = run({even, away}, {x}, {in});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{-2, -2, -0, 0, 2, 2, 3, -0}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{-3, -2, -1, 1, 2, 3, 3, -0}));
  EXPECT_EQ(ov::as_string(v5::Round::RoundMode::HALF_AWAY_FROM_ZERO), "half_away_from_zero");
  auto xi = param(element::i64, {2});
  auto outi = run({std::make_shared<v5::Round>(xi, v5::Round::RoundMode::HALF_TO_EVEN)}, {xi},
                  {tensor<int64_t>(element::i64, {2}, {-7, 9})});
  EXPECT_EQ(values<int64_t>(outi[0]), (std::vector<int64_t>{-7, 9}));
  auto clone = away->clone_with_new_inputs({param(element::f16, {3})});
  EXPECT_EQ(ov::as_type_ptr<v5::Round>(clone)->get_mode(),
            v5::Round::RoundMode::HALF_AWAY_FROM_ZERO);
}

}  // namespace
