// Quantized tensors: weights become Constant -> Convert (folding disabled) -> [Subtract] ->
// Multiply, per tensor or per channel, for 8-, 16-, 4- and 2-bit storage; DEQUANTIZE and QUANTIZE.
#include <gtest/gtest.h>

#include "frontend_test_utils.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/pass/constant_folding.hpp"

namespace {

using fe_test::Eval;
using fe_test::OneOp;
using fe_test::OpTypes;
using fe_test::Producer;
using fe_test::Quant;
using fe_test::TestGraph;
using ov::element::f32;
using ovref_test::expect_near;
using ovref_test::tensor;
using ovref_test::values;

// y = x * w, with w a quantized constant; returns the model.
std::shared_ptr<ov::Model> MulByWeights(ov::element::Type type, ov::Shape shape,
                                        std::vector<uint8_t> bytes,
                                        std::shared_ptr<fe_test::QuantizationInfo> q) {
  auto g = std::make_shared<TestGraph>();
  g->Input("x", f32, ov::PartialShape(shape));
  g->Output("y");
  g->Bytes("w", type, shape, std::move(bytes), std::move(q));
  g->Tensor("y", f32, ov::PartialShape(shape));
  g->Op("MUL", {"x", "w"}, {"y"}, {{"fused_activation_function", std::string("NONE")}}, "mul");
  return fe_test::Convert(g);
}

// The dequantization chain feeding input 1 of the model's last operation.
std::vector<std::string> WeightChain(const std::shared_ptr<ov::Model>& model) {
  std::vector<std::string> chain;
  auto node = Producer(model)->get_input_node_shared_ptr(1);
  while (true) {
    chain.insert(chain.begin(), node->get_type_name());
    if (node->get_input_size() == 0) break;
    node = node->get_input_node_shared_ptr(0);
  }
  return chain;
}

std::shared_ptr<ov::Node> ConvertOf(const std::shared_ptr<ov::Model>& model) {
  for (const auto& node : model->get_ordered_ops()) {
    if (ov::is_type<ov::op::v0::Convert>(node)) return node;
  }
  return nullptr;
}

std::vector<float> Ones(size_t n) { return std::vector<float>(n, 1.f); }

TEST(FrontEndQuantization, Int8WeightsPerChannelAlongTheAxis) {
  // [2, 3] weights, channel axis 1 with three scales.
  const std::vector<int8_t> w{-128, 0, 127, 10, -10, 1};
  std::vector<uint8_t> bytes(w.begin(), w.end());
  auto model =
      MulByWeights(ov::element::i8, {2, 3}, bytes, Quant({0.5f, 2.f, 0.25f}, {0, 0, 0}, 1));
  EXPECT_EQ(WeightChain(model), (std::vector<std::string>{"Constant", "Convert", "Multiply"}));
  const auto convert = ConvertOf(model);
  ASSERT_NE(convert, nullptr);
  EXPECT_TRUE(ov::pass::constant_folding_is_disabled(convert));
  EXPECT_EQ(convert->get_input_element_type(0), ov::element::i8);
  const auto scale = Producer(model)->get_input_node_shared_ptr(1)->get_input_node_shared_ptr(1);
  EXPECT_EQ(scale->get_output_shape(0), (ov::Shape{1, 3}));
  expect_near(values<float>(Eval(model, {tensor(f32, {2, 3}, Ones(6))})[0]),
              {-64, 0, 31.75f, 5, -20, 0.25f}, 1e-6);
}

TEST(FrontEndQuantization, ZeroPointsAreSubtractedOrFoldedIntoInt8) {
  // u8 with zero point 128: w - 128 fits in i8, so the zero point is folded away.
  {
    std::vector<uint8_t> bytes{0, 128, 255, 130};
    auto model = MulByWeights(ov::element::u8, {4}, bytes, Quant({0.5f}, {128}));
    EXPECT_EQ(WeightChain(model), (std::vector<std::string>{"Constant", "Convert", "Multiply"}));
    EXPECT_EQ(ConvertOf(model)->get_input_element_type(0), ov::element::i8);
    expect_near(values<float>(Eval(model, {tensor(f32, {4}, Ones(4))})[0]), {-64, 0, 63.5f, 1},
                1e-6);
  }
  // u8 with zero point 10: 255 - 10 does not fit, the Subtract stays.
  {
    std::vector<uint8_t> bytes{0, 10, 255, 20};
    auto model = MulByWeights(ov::element::u8, {4}, bytes, Quant({0.5f}, {10}));
    EXPECT_EQ(WeightChain(model),
              (std::vector<std::string>{"Constant", "Convert", "Subtract", "Multiply"}));
    expect_near(values<float>(Eval(model, {tensor(f32, {4}, Ones(4))})[0]), {-5, 0, 122.5f, 5},
                1e-6);
  }
  // i8 per channel with different zero points, folded per channel (axis 0).
  {
    const std::vector<int8_t> w{1, 2, -3, -4};
    std::vector<uint8_t> bytes(w.begin(), w.end());
    auto model = MulByWeights(ov::element::i8, {2, 2}, bytes, Quant({1.f, 0.5f}, {1, -2}, 0));
    EXPECT_EQ(WeightChain(model), (std::vector<std::string>{"Constant", "Convert", "Multiply"}));
    expect_near(values<float>(Eval(model, {tensor(f32, {2, 2}, Ones(4))})[0]), {0, 1, -0.5f, -1},
                1e-6);
  }
}

TEST(FrontEndQuantization, SixteenFourAndTwoBitWeights) {
  {
    const std::vector<int16_t> w{-1000, 0, 1000};
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(w.data()),
                               reinterpret_cast<const uint8_t*>(w.data()) + 6);
    auto model = MulByWeights(ov::element::i16, {3}, bytes, Quant({0.01f}, {0}));
    expect_near(values<float>(Eval(model, {tensor(f32, {3}, Ones(3))})[0]), {-10, 0, 10}, 1e-5);
  }
  {
    // i4, element 0 in the low nibble: -8, 7, -1, 2 per channel (axis 0, 2 channels).
    std::vector<uint8_t> bytes{0x78, 0x2F};
    auto model = MulByWeights(ov::element::i4, {2, 2}, bytes, Quant({1.f, 0.5f}, {0, 0}, 0));
    EXPECT_EQ(WeightChain(model), (std::vector<std::string>{"Constant", "Convert", "Multiply"}));
    EXPECT_EQ(ConvertOf(model)->get_input_element_type(0), ov::element::i4);
    expect_near(values<float>(Eval(model, {tensor(f32, {2, 2}, Ones(4))})[0]), {-8, 7, -0.5f, 1},
                1e-6);
  }
  {
    // u2, element 0 in the low bits: 3, 2, 1, 0 with zero point 2 (how the plug-in hands over
    // signed 2-bit weights).
    std::vector<uint8_t> bytes{0x1B};
    auto model = MulByWeights(ov::element::u2, {4}, bytes, Quant({0.5f}, {2}));
    EXPECT_EQ(WeightChain(model),
              (std::vector<std::string>{"Constant", "Convert", "Subtract", "Multiply"}));
    expect_near(values<float>(Eval(model, {tensor(f32, {4}, Ones(4))})[0]), {0.5f, 0, -0.5f, -1},
                1e-6);
  }
}

TEST(FrontEndQuantization, DequantizeConvertsToTheOutputType) {
  // A quantized constant through DEQUANTIZE.
  {
    auto g = std::make_shared<TestGraph>();
    g->Output("y");
    g->Constant<int8_t>("w", ov::element::i8, {3}, {-4, 0, 4}, Quant({0.25f}, {0}));
    g->Tensor("y", f32, {3});
    g->Op("DEQUANTIZE", {"w"}, {"y"}, {}, "dq");
    auto model = fe_test::Convert(g);
    EXPECT_EQ(Producer(model)->get_friendly_name(), "dq");
    expect_near(values<float>(Eval(model, {})[0]), {-1, 0, 1}, 1e-6);
  }
  // An f16 constant: a plain Convert to f32 that constant folding leaves alone.
  {
    auto g = std::make_shared<TestGraph>();
    g->Output("y");
    std::vector<ov::float16> h{ov::float16(1.5f), ov::float16(-2.f)};
    g->Constant<ov::float16>("h", ov::element::f16, {2}, h);
    g->Tensor("y", f32, {2});
    g->Op("DEQUANTIZE", {"h"}, {"y"}, {}, "dq");
    auto model = fe_test::Convert(g);
    EXPECT_EQ(OpTypes(model), (std::vector<std::string>{"Constant", "Convert", "Result"}));
    EXPECT_TRUE(ov::pass::constant_folding_is_disabled(Producer(model)));
    expect_near(values<float>(Eval(model, {})[0]), {1.5f, -2.f}, 1e-6);
  }
}

TEST(FrontEndQuantization, PerChannelCountMustMatchTheQuantizedDimension) {
  const std::vector<int8_t> w{1, 2, 3, 4};
  std::vector<uint8_t> bytes(w.begin(), w.end());
  EXPECT_THROW(MulByWeights(ov::element::i8, {2, 2}, bytes, Quant({1.f, 2.f, 3.f}, {0, 0, 0}, 0)),
               ov::frontend::GeneralFailure);
  EXPECT_THROW(MulByWeights(ov::element::i8, {2, 2}, bytes, Quant({1.f, 2.f}, {0, 0}, 5)),
               ov::frontend::GeneralFailure);
}

}  // namespace

namespace {

TEST(FrontEndQuantization, QuantizedActivationsBecomeFakeQuantize) {
  // x (i8, scale 0.5, zero point 1) + x -> y (i8, scale 1, zero point 0).
  auto g = std::make_shared<TestGraph>();
  g->Input("x", ov::element::i8, {4}, Quant({0.5f}, {1}));
  g->Output("y");
  g->Tensor("y", ov::element::i8, {4}, Quant({1.f}, {0}));
  g->Op("ADD", {"x", "x"}, {"y"}, {{"fused_activation_function", std::string("NONE")}}, "add");
  auto model = fe_test::Convert(g);
  const auto types = OpTypes(model);
  EXPECT_EQ(std::count(types.begin(), types.end(), "FakeQuantize"), 2);
  EXPECT_EQ(std::count(types.begin(), types.end(), "TFLQuantize"), 0);
  EXPECT_EQ(model->get_results()[0]->get_element_type(), ov::element::i8);
  auto out = Eval(model, {tensor<int>(ov::element::i8, {4}, {-128, 1, 3, 127})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{-128, 0, 2, 126}));
}

TEST(FrontEndQuantization, QuantizeThenDequantizeRoundsToTheGrid) {
  auto g = std::make_shared<TestGraph>();
  g->Input("x", f32, {4});
  g->Output("y");
  g->Tensor("q", ov::element::i8, {4}, Quant({0.1f}, {0}));
  g->Op("QUANTIZE", {"x"}, {"q"}, {}, "quantize");
  g->Tensor("y", f32, {4});
  g->Op("DEQUANTIZE", {"q"}, {"y"}, {}, "dequantize");
  auto model = fe_test::Convert(g);
  const auto types = OpTypes(model);
  EXPECT_EQ(std::count(types.begin(), types.end(), "FakeQuantize"), 1);
  auto out = Eval(model, {tensor<float>(f32, {4}, {0.04f, 0.26f, -20.f, 20.f})});
  expect_near(values<float>(out[0]), {0.f, 0.3f, -12.8f, 12.7f}, 1e-5);
}

TEST(FrontEndQuantization, FullyConnectedWithPerChannelInt8Weights) {
  // 2 outputs x 3 inputs, one scale per output channel.
  const std::vector<int8_t> w{1, 2, 3, -4, 5, -6};
  auto g = std::make_shared<TestGraph>();
  g->Input("x", f32, {1, 3});
  g->Output("y");
  g->Constant<int8_t>("w", ov::element::i8, {2, 3}, w, Quant({0.5f, 0.25f}, {0, 0}, 0));
  g->Constant<float>("b", f32, {2}, {1.f, -1.f});
  g->Tensor("y", f32, {1, 2});
  g->Op("FULLY_CONNECTED", {"x", "w", "b"}, {"y"},
        {{"fused_activation_function", std::string("NONE")},
         {"weights_format", int8_t{0}},
         {"keep_num_dims", false}});
  auto model = fe_test::Convert(g);
  auto out = Eval(model, {tensor<float>(f32, {1, 3}, {1, 1, 2})});
  // (1 + 2 + 6) * 0.5 + 1, (-4 + 5 - 12) * 0.25 - 1
  expect_near(values<float>(out[0]), {5.5f, -3.75f}, 1e-6);
}

}  // namespace
