// Element-wise translators: the operations they emit and what those compute.
#include <gtest/gtest.h>

#include <cmath>

#include "frontend_test_utils.hpp"
#include "openvino/op/gelu.hpp"

namespace {

using fe_test::Eval;
using fe_test::OneOp;
using fe_test::OpTypes;
using fe_test::Producer;
using ov::element::f32;
using ov::element::i32;
using ovref_test::expect_near;
using ovref_test::tensor;
using ovref_test::values;

ov::AnyMap Activation(const char* value) {
  return {{"fused_activation_function", std::string(value)}};
}

TEST(FrontEndElementwise, ArithmeticWithEachFusedActivation) {
  const std::vector<float> a{-3, -0.5f, 0.25f, 8}, b{1, 0, 0, 1};
  struct Case {
    const char* activation;
    std::vector<std::string> types;
    std::vector<float> expected;
  };
  const std::vector<Case> cases{
      {"NONE", {"Parameter", "Parameter", "Add", "Result"}, {-2, -0.5f, 0.25f, 9}},
      {"RELU", {"Parameter", "Parameter", "Add", "Relu", "Result"}, {0, 0, 0.25f, 9}},
      {"RELU6", {"Parameter", "Parameter", "Add", "Clamp", "Result"}, {0, 0, 0.25f, 6}},
      {"RELU_N1_TO_1", {"Parameter", "Parameter", "Add", "Clamp", "Result"}, {-1, -0.5f, 0.25f, 1}},
      {"TANH",
       {"Parameter", "Parameter", "Add", "Tanh", "Result"},
       {std::tanh(-2.f), std::tanh(-0.5f), std::tanh(0.25f), std::tanh(9.f)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.activation);
    auto model =
        OneOp().In(f32, {4}).In(f32, {4}).Make("ADD", {{f32, {4}}}, Activation(c.activation));
    EXPECT_EQ(OpTypes(model), c.types);
    EXPECT_EQ(Producer(model)->get_friendly_name(), "op");
    auto out = Eval(model, {tensor(f32, {4}, a), tensor(f32, {4}, b)});
    expect_near(values<float>(out[0]), c.expected, 1e-6);
  }
  // SUB, MUL and DIV take the same attribute; DIV is true division for floats.
  auto div = OneOp().In(f32, {2}).In(f32, {2}).Make("DIV", {{f32, {2}}}, Activation("NONE"));
  EXPECT_EQ(values<float>(
                Eval(div, {tensor<float>(f32, {2}, {7, -7}), tensor<float>(f32, {2}, {2, 2})})[0]),
            (std::vector<float>{3.5f, -3.5f}));
}

TEST(FrontEndElementwise, FloorDivisionRoundsDownForSignedIntegersAndFloats) {
  const std::vector<int32_t> x{7, -7, 7, -7, 6, -6}, y{2, 2, -2, -2, 3, 3};
  auto ints = OneOp().In(i32, {6}).In(i32, {6}).Make("FLOOR_DIV", {{i32, {6}}});
  EXPECT_EQ(values<int32_t>(Eval(ints, {tensor(i32, {6}, x), tensor(i32, {6}, y)})[0]),
            (std::vector<int32_t>{3, -4, -4, 3, 2, -2}));
  auto floats = OneOp().In(f32, {2}).In(f32, {2}).Make("FLOOR_DIV", {{f32, {2}}});
  EXPECT_EQ(OpTypes(floats),
            (std::vector<std::string>{"Parameter", "Parameter", "Divide", "Floor", "Result"}));
  EXPECT_EQ(values<float>(Eval(
                floats, {tensor<float>(f32, {2}, {7, -7}), tensor<float>(f32, {2}, {2, 2})})[0]),
            (std::vector<float>{3, -4}));
}

TEST(FrontEndElementwise, ComparisonsAndLogicalOpsGiveBooleans) {
  const std::vector<std::pair<const char*, std::vector<int>>> cases{
      {"LESS", {1, 0, 0}},          {"LESS_EQUAL", {1, 1, 0}}, {"GREATER", {0, 0, 1}},
      {"GREATER_EQUAL", {0, 1, 1}}, {"EQUAL", {0, 1, 0}},      {"NOT_EQUAL", {1, 0, 1}},
  };
  for (const auto& [type, expected] : cases) {
    SCOPED_TRACE(type);
    auto model = OneOp().In(f32, {3}).In(f32, {3}).Make(type, {{ov::element::boolean, {3}}});
    auto out =
        Eval(model, {tensor<float>(f32, {3}, {1, 2, 3}), tensor<float>(f32, {3}, {2, 2, 2})});
    EXPECT_EQ(values<int>(out[0]), expected);
  }
  auto logical_and = OneOp()
                         .In(ov::element::boolean, {2})
                         .In(ov::element::boolean, {2})
                         .Make("LOGICAL_AND", {{ov::element::boolean, {2}}});
  EXPECT_EQ(values<int>(Eval(logical_and, {tensor<int>(ov::element::boolean, {2}, {1, 1}),
                                           tensor<int>(ov::element::boolean, {2}, {0, 1})})[0]),
            (std::vector<int>{0, 1}));
}

TEST(FrontEndElementwise, UnaryMathAndActivations) {
  const std::vector<float> x{-2, 0.5f, 4};
  struct Case {
    const char* type;
    const char* emitted;
    std::function<float(float)> fn;
    ov::AnyMap attributes;
  };
  const std::vector<Case> cases{
      {"LOGISTIC", "Sigmoid", [](float v) { return 1 / (1 + std::exp(-v)); }, {}},
      {"EXP", "Exp", [](float v) { return std::exp(v); }, {}},
      {"ABS", "Abs", [](float v) { return std::fabs(v); }, {}},
      {"SIGN", "Sign", [](float v) { return static_cast<float>((v > 0) - (v < 0)); }, {}},
      {"SQUARE", "Multiply", [](float v) { return v * v; }, {}},
      {"RELU_0_TO_1", "Clamp", [](float v) { return std::min(1.f, std::max(0.f, v)); }, {}},
      {"LEAKY_RELU", "PRelu", [](float v) { return v < 0 ? 0.1f * v : v; }, {{"alpha", 0.1f}}},
      {"LEAKY_RELU", "PRelu", [](float v) { return v < 0 ? 0.2f * v : v; }, {}},
      {"HARD_SWISH",
       "HSwish",
       [](float v) { return v * std::min(6.f, std::max(0.f, v + 3)) / 6; },
       {}},
      {"GELU", "Gelu", [](float v) { return 0.5f * v * (1 + std::erf(v / std::sqrt(2.f))); }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    auto model = OneOp().In(f32, {3}).Make(c.type, {{f32, {3}}}, c.attributes);
    EXPECT_EQ(std::string(Producer(model)->get_type_name()), c.emitted);
    std::vector<float> expected;
    for (float v : x) expected.push_back(c.fn(v));
    expect_near(values<float>(Eval(model, {tensor(f32, {3}, x)})[0]), expected, 1e-5);
  }
  auto rsqrt = OneOp().In(f32, {2}).Make("RSQRT", {{f32, {2}}});
  EXPECT_EQ(std::string(Producer(rsqrt)->get_type_name()), "Power");
  expect_near(values<float>(Eval(rsqrt, {tensor<float>(f32, {2}, {4, 0.25f})})[0]), {0.5f, 2.f},
              1e-6);
  auto gelu_tanh = OneOp().In(f32, {1}).Make("GELU", {{f32, {1}}}, {{"approximate", true}});
  EXPECT_EQ(ov::as_type_ptr<ov::op::v7::Gelu>(Producer(gelu_tanh))->get_approximation_mode(),
            ov::op::GeluApproximationMode::TANH);
}

TEST(FrontEndElementwise, SelectBroadcastsARankOneConditionAlongTheFirstAxis) {
  auto model = OneOp()
                   .In(ov::element::boolean, {2})
                   .In(f32, {2, 2})
                   .In(f32, {2, 2})
                   .Make("SELECT", {{f32, {2, 2}}});
  EXPECT_EQ(OpTypes(model), (std::vector<std::string>{"Parameter", "Parameter", "Parameter",
                                                      "Constant", "Reshape", "Select", "Result"}));
  auto out = Eval(
      model, {tensor<int>(ov::element::boolean, {2}, {1, 0}),
              tensor<float>(f32, {2, 2}, {1, 2, 3, 4}), tensor<float>(f32, {2, 2}, {5, 6, 7, 8})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 2, 7, 8}));
  // SELECT_V2 broadcasts NumPy-style instead: the condition picks columns.
  auto v2 = OneOp()
                .In(ov::element::boolean, {2})
                .In(f32, {2, 2})
                .In(f32, {2, 2})
                .Make("SELECT_V2", {{f32, {2, 2}}});
  out = Eval(
      v2, {tensor<int>(ov::element::boolean, {2}, {1, 0}), tensor<float>(f32, {2, 2}, {1, 2, 3, 4}),
           tensor<float>(f32, {2, 2}, {5, 6, 7, 8})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 6, 3, 8}));
}

TEST(FrontEndElementwise, CastTakesTheTargetTypeFromDstT) {
  auto model = OneOp().In(f32, {3}).Make("CAST", {{i32, {3}}}, {{"DstT", ov::element::Type(i32)}});
  EXPECT_EQ(std::string(Producer(model)->get_type_name()), "Convert");
  EXPECT_EQ(values<int32_t>(Eval(model, {tensor<float>(f32, {3}, {1.9f, -2.5f, 3})})[0]),
            (std::vector<int32_t>{1, -2, 3}));
  // Without DstT the required attribute is reported.
  EXPECT_THROW(OneOp().In(f32, {3}).Make("CAST", {{i32, {3}}}), ov::frontend::GeneralFailure);
}

}  // namespace
