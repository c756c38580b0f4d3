// The conversion walk: load() over a GraphIterator, convert(), names, constants, failures.
#include <gtest/gtest.h>

#include "frontend_test_utils.hpp"

namespace {

using fe_test::Convert;
using fe_test::OpTypes;
using fe_test::TestGraph;
using ovref_test::message_has;
using ovref_test::tensor;
using ovref_test::values;

// x -> ADD(x, c) -> RELU -> y
std::shared_ptr<TestGraph> AddRelu() {
  auto g = std::make_shared<TestGraph>();
  g->Input("x", ov::element::f32, {2, 2});
  g->Output("y");
  g->Constant<float>("c", ov::element::f32, {2, 2}, {1, -2, 3, -4});
  g->Tensor("sum", ov::element::f32, {2, 2});
  g->Op("ADD", {"x", "c"}, {"sum"}, {{"fused_activation_function", std::string("NONE")}}, "add");
  g->Tensor("y", ov::element::f32, {2, 2});
  g->Op("RELU", {"sum"}, {"y"}, {}, "relu");
  return g;
}

TEST(FrontEndConversion, BuildsParametersConstantsOpsAndResultsWithTheirNames) {
  auto g = AddRelu();
  auto model = Convert(g);
  EXPECT_EQ(model->get_friendly_name(), "TensorFlow_Lite_Frontend_IR");
  EXPECT_EQ(OpTypes(model),
            (std::vector<std::string>{"Parameter", "Constant", "Add", "Relu", "Result"}));
  ASSERT_EQ(model->get_parameters().size(), 1u);
  const auto& x = model->get_parameters()[0];
  EXPECT_EQ(x->get_friendly_name(), "x");
  EXPECT_EQ(x->output(0).get_names(), (std::unordered_set<std::string>{"x"}));
  const auto add = x->output(0).get_target_inputs().begin()->get_node()->shared_from_this();
  EXPECT_EQ(add->get_friendly_name(), "add");
  EXPECT_EQ(add->output(0).get_names(), (std::unordered_set<std::string>{"sum"}));
  EXPECT_EQ(add->get_input_node_shared_ptr(1)->get_friendly_name(), "c");
  EXPECT_EQ(add->input_value(1).get_names(), (std::unordered_set<std::string>{"c"}));
  ASSERT_EQ(model->get_results().size(), 1u);
  const auto relu = model->get_results()[0]->get_input_node_shared_ptr(0);
  EXPECT_EQ(relu->get_friendly_name(), "relu");
  EXPECT_EQ(relu->output(0).get_names(), (std::unordered_set<std::string>{"y"}));
  // The walk starts where the iterator stands: it never rewinds it.
  EXPECT_EQ(g->resets, 0);
  EXPECT_TRUE(g->is_end());
}

TEST(FrontEndConversion, ConstantDataIsCopiedDuringLoad) {
  // The iterator overwrites and frees every constant buffer at the next get_decoder() call.
  auto model = Convert(AddRelu());
  ov::TensorVector out;
  ASSERT_TRUE(model->evaluate(out, {tensor<float>(ov::element::f32, {2, 2}, {1, 1, 1, 1})}));
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{2, 0, 4, 0}));
}

TEST(FrontEndConversion, InputsAndOutputsFollowTheirIndices) {
  auto g = std::make_shared<TestGraph>();
  g->Input("a", ov::element::f32, {3});
  g->Input("b", ov::element::f32, {3});
  g->Output("d");
  g->Output("b");  // an input passed straight through
  g->Tensor("d", ov::element::f32, {3});
  g->Op("SUB", {"a", "b"}, {"d"}, {{"fused_activation_function", std::string("NONE")}});
  auto model = Convert(g);
  ASSERT_EQ(model->get_parameters().size(), 2u);
  EXPECT_EQ(model->get_parameters()[0]->get_friendly_name(), "a");
  EXPECT_EQ(model->get_parameters()[1]->get_friendly_name(), "b");
  ASSERT_EQ(model->get_results().size(), 2u);
  EXPECT_EQ(model->get_results()[0]->get_input_node_shared_ptr(0)->get_type_name(),
            std::string("Subtract"));
  EXPECT_EQ(model->get_results()[1]->get_input_node_shared_ptr(0), model->get_parameters()[1]);
  ov::TensorVector out;
  ASSERT_TRUE(model->evaluate(out, {tensor<float>(ov::element::f32, {3}, {5, 6, 7}),
                                    tensor<float>(ov::element::f32, {3}, {1, 2, 3})}));
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{4, 4, 4}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{1, 2, 3}));
}

TEST(FrontEndConversion, LoadAcceptsOnlyAGraphIteratorPointer) {
  ov::frontend::tensorflow_lite::FrontEnd fe;
  EXPECT_EQ(fe.get_name(), "tflite");
  fe_test::GraphIterator::Ptr it = AddRelu();
  EXPECT_TRUE(fe.supported(it));
  EXPECT_TRUE(fe.supported(it, true));
  EXPECT_FALSE(fe.supported(std::string("model.tflite")));
  EXPECT_EQ(fe.load(std::string("model.tflite")), nullptr);
  // A derived pointer is not a GraphIterator::Ptr inside an ov::Any.
  EXPECT_FALSE(fe.supported(AddRelu()));
  EXPECT_THROW(fe.load(fe_test::GraphIterator::Ptr()), ov::frontend::GeneralFailure);
}

TEST(FrontEndConversion, FailuresNameTheProblem) {
  {
    auto g = std::make_shared<TestGraph>();
    g->Input("x", ov::element::f32, {1});
    g->Output("y");
    g->Tensor("y", ov::element::f32, {1});
    g->Op("UNHEARD_OF", {"x"}, {"y"});
    EXPECT_TRUE(message_has([&] { Convert(g); },
                            "FrontEnd API failed with OpConversionFailure: No translator found "
                            "for UNHEARD_OF node."));
    g->reset();  // the first conversion walked it to the end
    EXPECT_THROW(Convert(g), ov::frontend::OpConversionFailure);
  }
  {
    // A required attribute the decoder cannot answer.
    auto g = std::make_shared<TestGraph>();
    g->Input("x", ov::element::f32, {1});
    g->Output("y");
    g->Tensor("y", ov::element::f32, {1});
    g->Op("ADD", {"x", "x"}, {"y"});
    EXPECT_TRUE(message_has([&] { Convert(g); },
                            "Attribute with name 'fused_activation_function' does not exist"));
  }
  {
    auto g = std::make_shared<TestGraph>();
    g->Input("x", ov::element::f32, {1});
    g->Output("y");
    g->Tensor("y", ov::element::f32, {1});
    g->Op("ADD", {"x", "x"}, {"y"}, {{"fused_activation_function", std::string("")}});
    EXPECT_TRUE(message_has([&] { Convert(g); }, "Unknown Activation fused to ADD: "));
  }
  {
    // A null decoder is an error, not a crash.
    auto g = AddRelu();
    g->NullDecoderAt(2);
    EXPECT_TRUE(message_has([&] { Convert(g); }, "GraphIterator returned an empty decoder"));
  }
  {
    // An operand that nothing produces.
    auto g = std::make_shared<TestGraph>();
    g->Input("x", ov::element::f32, {1});
    g->Output("y");
    g->Tensor("ghost", ov::element::f32, {1});
    g->Tensor("y", ov::element::f32, {1});
    g->Op("RELU", {"ghost"}, {"y"}, {}, "relu");
    EXPECT_TRUE(message_has([&] { Convert(g); }, "Tensor 'ghost' (input 0 of RELU 'relu')"));
  }
  {
    // The decoder's output type must match what the operation produces.
    auto g = std::make_shared<TestGraph>();
    g->Input("x", ov::element::f32, {1});
    g->Output("y");
    g->Tensor("y", ov::element::i32, {1});
    g->Op("RELU", {"x"}, {"y"});
    EXPECT_TRUE(
        message_has([&] { Convert(g); }, "Inconsistent type inference: tflite i32, ov f32"));
  }
}

TEST(FrontEndConversion, PartialConversionKeepsUntranslatedOpsAndConvertFinishesThem) {
  auto g = std::make_shared<TestGraph>();
  g->Input("x", ov::element::f32, {2});
  g->Output("y");
  g->Tensor("y", ov::element::f32, {2});
  g->Op("UNHEARD_OF", {"x"}, {"y"}, {}, "mystery");
  ov::frontend::tensorflow_lite::FrontEnd fe;
  auto model = fe.convert_partially(fe.load(fe_test::GraphIterator::Ptr(g)));
  EXPECT_EQ(OpTypes(model), (std::vector<std::string>{"Parameter", "FrameworkNode", "Result"}));
  EXPECT_EQ(model->get_results()[0]->get_input_node_shared_ptr(0)->get_friendly_name(), "mystery");

  auto decoded = fe.decode(fe.load(fe_test::GraphIterator::Ptr(AddRelu())));
  EXPECT_EQ(OpTypes(decoded), (std::vector<std::string>{"Parameter", "Constant", "FrameworkNode",
                                                        "FrameworkNode", "Result"}));
  fe.convert(decoded);
  EXPECT_EQ(OpTypes(decoded),
            (std::vector<std::string>{"Parameter", "Constant", "Add", "Relu", "Result"}));
}

}  // namespace

namespace {

// Exposes the translator table.
class TableFrontEnd : public ov::frontend::tensorflow_lite::FrontEnd {
 public:
  const ov::frontend::tensorflow_lite::TranslatorDictionaryType& table() const {
    return m_op_translators;
  }
};

TEST(FrontEndConversion, EveryOperationTypeThePartitionerSelectsHasATranslator) {
  const std::vector<std::string> selected{"ADD",
                                          "AVERAGE_POOL_2D",
                                          "CONCATENATION",
                                          "CONV_2D",
                                          "DEPTHWISE_CONV_2D",
                                          "DEPTH_TO_SPACE",
                                          "DEQUANTIZE",
                                          "EMBEDDING_LOOKUP",
                                          "FULLY_CONNECTED",
                                          "L2_NORMALIZATION",
                                          "LOGISTIC",
                                          "MAX_POOL_2D",
                                          "MUL",
                                          "RELU",
                                          "RESHAPE",
                                          "RESIZE_BILINEAR",
                                          "SOFTMAX",
                                          "TANH",
                                          "PAD",
                                          "GATHER",
                                          "TRANSPOSE",
                                          "MEAN",
                                          "SUB",
                                          "DIV",
                                          "STRIDED_SLICE",
                                          "EXP",
                                          "TOPK_V2",
                                          "SPLIT",
                                          "CAST",
                                          "PRELU",
                                          "MAXIMUM",
                                          "ARG_MAX",
                                          "MINIMUM",
                                          "LESS",
                                          "PADV2",
                                          "GREATER",
                                          "GREATER_EQUAL",
                                          "LESS_EQUAL",
                                          "SELECT",
                                          "SLICE",
                                          "SIN",
                                          "TRANSPOSE_CONV",
                                          "TILE",
                                          "EXPAND_DIMS",
                                          "EQUAL",
                                          "NOT_EQUAL",
                                          "LOG",
                                          "SUM",
                                          "SQRT",
                                          "RSQRT",
                                          "POW",
                                          "REDUCE_MAX",
                                          "PACK",
                                          "LOGICAL_OR",
                                          "ONE_HOT",
                                          "LOGICAL_AND",
                                          "LOGICAL_NOT",
                                          "UNPACK",
                                          "FLOOR_DIV",
                                          "REDUCE_ANY",
                                          "SQUARE",
                                          "FLOOR_MOD",
                                          "RANGE",
                                          "RESIZE_NEAREST_NEIGHBOR",
                                          "LEAKY_RELU",
                                          "SQUARED_DIFFERENCE",
                                          "MIRROR_PAD",
                                          "ABS",
                                          "REVERSE_V2",
                                          "GATHER_ND",
                                          "COS",
                                          "QUANTIZE",
                                          "HARD_SWISH",
                                          "SELECT_V2",
                                          "BATCH_MATMUL",
                                          "CUMSUM",
                                          "BROADCAST_TO",
                                          "CONV_3D",
                                          "REDUCE_ALL",
                                          "GELU",
                                          "RELU_0_TO_1",
                                          "SIGN",
                                          "STABLEHLO_COMPOSITE"};
  ASSERT_EQ(selected.size(), 83u);
  TableFrontEnd fe;
  for (const auto& type : selected) EXPECT_EQ(fe.table().count(type), 1u) << type;
}

TEST(FrontEndConversion, Conv3DOnNdhwcData) {
  // A 1x1x1 kernel over two channels is a per-voxel matrix product.
  auto model = fe_test::OneOp()
                   .In(ov::element::f32, {1, 2, 1, 1, 2})
                   .Const(ov::element::f32, {1, 1, 1, 2, 1}, std::vector<float>{2, -1})
                   .Make("CONV_3D", {{ov::element::f32, {1, 2, 1, 1, 1}}},
                         {{"strides", std::vector<int64_t>{1, 1, 1, 1, 1}},
                          {"padding", std::string("VALID")},
                          {"dilations", std::vector<int64_t>{1, 1, 1, 1, 1}},
                          {"activation", std::string("NONE")}});
  auto out = fe_test::Eval(model, {tensor<float>(ov::element::f32, {1, 2, 1, 1, 2}, {1, 2, 5, 3})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{0, 7}));
}

}  // namespace
