// The graph iterator walked over stand-in host subgraphs, as the front end walks it.
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/core/except.hpp"
#include "openvino/core/model.hpp"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/tensor.hpp"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"
#include "zorvel/vendors/intel_openvino/compiler/decoder.h"

namespace zorvel::openvino {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::Quantization;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;
using DecoderBase = ::ov::frontend::tensorflow_lite::DecoderBase;
using DecoderBaseOperation = ::ov::frontend::tensorflow_lite::DecoderBaseOperation;
using DecoderBaseTensor = ::ov::frontend::tensorflow_lite::DecoderBaseTensor;
using TensorMetaInfo = ::ov::frontend::tensorflow_lite::TensorMetaInfo;

using ::zorvel::testing::F32;

class GraphIteratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityVerbose);
  }
  void TearDown() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  std::shared_ptr<GraphIteratorDelegate> Iterator(const std::string& device = "NPU") {
    subgraph_ = Subgraph(api_.table(), api_.Handle(sg_));
    return std::make_shared<GraphIteratorDelegate>(api_.table(), &subgraph_, device);
  }

  // The decoder at `position`, with the log it wrote in `log_`.
  std::shared_ptr<DecoderBase> DecoderAt(GraphIteratorDelegate& iterator, uint64_t position) {
    iterator.reset();
    for (uint64_t i = 0; i < position; ++i) iterator.next();
    ::testing::internal::CaptureStderr();
    std::shared_ptr<DecoderBase> decoder = iterator.get_decoder();
    log_ = ::testing::internal::GetCapturedStderr();
    return decoder;
  }

  // The message of the ov::Exception get_decoder throws at `position` (empty when none is).
  std::string RefusalAt(GraphIteratorDelegate& iterator, uint64_t position) {
    iterator.reset();
    for (uint64_t i = 0; i < position; ++i) iterator.next();
    ::testing::internal::CaptureStderr();
    std::string message;
    try {
      iterator.get_decoder();
    } catch (const ov::Exception& e) {
      message = e.what();
    }
    log_ = ::testing::internal::GetCapturedStderr();
    return message;
  }

  TensorMetaInfo OpInput(GraphIteratorDelegate& iterator, uint64_t position, size_t index) {
    auto op = std::dynamic_pointer_cast<DecoderBaseOperation>(DecoderAt(iterator, position));
    EXPECT_NE(op, nullptr);
    return op == nullptr ? TensorMetaInfo{} : op->get_input_tensor_info(index);
  }

  HostApi api_;
  HostModel model_;
  HostSubgraph& sg_ = model_.AddSubgraph();
  Subgraph subgraph_;
  std::string log_;
};

TEST_F(GraphIteratorTest, NodesComeAsInputsThenOutputsThenOps) {
  const TensorId x = sg_.AddInput("x", F32({1, 4}));
  const TensorId y = sg_.AddInput("y", F32({1, 4}));
  const TensorId a = sg_.AddOp(kZorvelOpCodeAdd, {x, y}, "a", F32({1, 4}));
  const TensorId b = sg_.AddOp(kZorvelOpCodeMul, {a, y}, "b", F32({1, 4}));
  const TensorId c = sg_.AddOp(kZorvelOpCodeSub, {b, x}, "c", F32({1, 4}));
  sg_.AddOutput(c);
  auto iterator = Iterator();

  ASSERT_EQ(iterator->size(), 6u);
  EXPECT_EQ(iterator->get_subgraph_size(), 0u);
  std::vector<std::string> walk;
  ::testing::internal::CaptureStderr();
  for (iterator->reset(); !iterator->is_end(); iterator->next()) {
    std::shared_ptr<DecoderBase> decoder = iterator->get_decoder();
    if (auto tensor = std::dynamic_pointer_cast<DecoderBaseTensor>(decoder)) {
      walk.push_back(tensor->get_tensor_info().m_tensor_name +
                     " in=" + std::to_string(tensor->get_input_idx()) +
                     " out=" + std::to_string(tensor->get_output_idx()));
      EXPECT_EQ(tensor->get_op_type(), "DecoderTensor");
    } else {
      auto op = std::dynamic_pointer_cast<DecoderBaseOperation>(decoder);
      ASSERT_NE(op, nullptr);
      std::string operands;
      for (size_t i = 0; i < op->get_input_size(); ++i) operands += op->get_input_tensor_name(i);
      operands += "->";
      for (size_t i = 0; i < op->get_output_size(); ++i) operands += op->get_output_tensor_name(i);
      walk.push_back(op->get_op_name() + " " + operands);
    }
  }
  ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(walk, ElementsAre("x in=0 out=-1", "y in=1 out=-1", "c in=-1 out=2", "ADD_id_3 xy->a",
                                "MUL_id_4 ay->b", "SUB_id_5 bx->c"));

  // get_decoder does not move; reset goes back to the first input.
  iterator->reset();
  iterator->next();
  EXPECT_EQ(std::dynamic_pointer_cast<DecoderBaseTensor>(iterator->get_decoder())
                ->get_tensor_info()
                .m_tensor_name,
            "y");
  EXPECT_EQ(std::dynamic_pointer_cast<DecoderBaseTensor>(iterator->get_decoder())
                ->get_tensor_info()
                .m_tensor_name,
            "y");
}

TEST_F(GraphIteratorTest, ConstantAndProducedInputsAreNotInputNodes) {
  const TensorId w = sg_.AddConstant<float>("w", {4}, {1, 2, 3, 4});
  sg_.MarkInput(w);
  const TensorId x = sg_.AddInput("x", F32({4}));
  const TensorId a = sg_.AddOp(kZorvelOpCodeAdd, {x, w}, "a", F32({4}));
  sg_.MarkInput(a);
  const TensorId b = sg_.AddOp(kZorvelOpCodeMul, {a, w}, "b", F32({4}));
  sg_.AddOutput(b);
  auto iterator = Iterator();

  ASSERT_EQ(iterator->size(), 4u);
  auto input = std::dynamic_pointer_cast<DecoderBaseTensor>(DecoderAt(*iterator, 0));
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(input->get_tensor_info().m_tensor_name, "x");
  EXPECT_EQ(input->get_input_idx(), 0);
  auto output = std::dynamic_pointer_cast<DecoderBaseTensor>(DecoderAt(*iterator, 1));
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->get_tensor_info().m_tensor_name, "b");
  EXPECT_EQ(output->get_output_idx(), 1);
  auto add = std::dynamic_pointer_cast<DecoderBaseOperation>(DecoderAt(*iterator, 2));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->get_op_name(), "ADD_id_2");
}

TEST_F(GraphIteratorTest, TensorsAreDescribedWithShapeTypeAndName) {
  for (int i = 0; i < 17; ++i) sg_.AddTensor("unused", F32({1}));
  const TensorId unnamed = sg_.AddInput("", F32({-1, 3}));
  const TensorId unranked = sg_.AddInput("u", TensorType::Unranked(kZorvelElementTypeInt8));
  const TensorId text = sg_.AddInput("s", TensorType::Ranked(kZorvelElementTypeString, {2}));
  const TensorId unknown = sg_.AddInput("k", TensorType::Ranked(24, {2}));
  const TensorId out = sg_.AddOp(kZorvelOpCodeAdd, {unnamed, unranked}, "o", F32({-1, 3}));
  sg_.AddOutput(out);
  (void)text;
  (void)unknown;
  auto iterator = Iterator();

  auto first = std::dynamic_pointer_cast<DecoderBaseTensor>(DecoderAt(*iterator, 0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->get_tensor_info().m_tensor_name, "tensor_id_17");
  EXPECT_THAT(log_, HasSubstr("Tensor name is empty, assign default name tensor_id_17"));
  EXPECT_EQ(first->get_tensor_info().m_partial_shape, ov::PartialShape({-1, 3}));
  EXPECT_EQ(first->get_tensor_info().m_element_type, ov::element::f32);
  EXPECT_EQ(first->get_tensor_info().m_tensor_data, nullptr);
  EXPECT_EQ(first->get_tensor_info().m_quantization_info, nullptr);

  // A tensor whose ranked type cannot be read has no shape to give; a scalar in its place would
  // change the model, so the node is refused naming the entry and the node.
  iterator->reset();
  iterator->next();
  try {
    (void)iterator->get_decoder();
    ADD_FAILURE() << "the unranked input was described";
  } catch (const HostReadError& error) {
    EXPECT_EQ(error.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_STREQ(error.what(),
                 "Host API entry 18 (get_ranked_tensor_type) failed with status 1 reading the "
                 "shape of a tensor, at node 1 of the subgraph");
  }

  // Codes without an OpenVINO counterpart are refused, naming the tensor and the code.
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("Input node 2: tensor s"));
  EXPECT_THAT(log_, HasSubstr("Tensor s has the element type code 5, which has no OpenVINO"));
  EXPECT_THAT(RefusalAt(*iterator, 3), HasSubstr("Input node 3: tensor k"));
  EXPECT_THAT(log_, HasSubstr("Tensor k has the element type code 24"));
}

TEST_F(GraphIteratorTest, QuantizationIsCopiedPerTensorAndPerChannel) {
  const TensorId x = sg_.AddInput("x", TensorType::Ranked(kZorvelElementTypeInt8, {1, 2}),
                                  Quantization::PerTensor(0.5f, 3));
  const TensorId w = sg_.AddConstant(
      "w", TensorType::Ranked(kZorvelElementTypeInt8, {4, 2}), std::vector<uint8_t>(8, 1),
      Quantization::PerChannel(0, {0.1f, 0.2f, 0.3f, 0.4f}, {0, 1, 2, 3}));
  const TensorId y = sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w}, "y",
                               TensorType::Ranked(kZorvelElementTypeInt8, {1, 4}));
  sg_.AddOutput(y);
  auto iterator = Iterator();

  auto input = std::dynamic_pointer_cast<DecoderBaseTensor>(DecoderAt(*iterator, 0));
  ASSERT_NE(input, nullptr);
  const auto per_tensor = input->get_tensor_info().m_quantization_info;
  ASSERT_NE(per_tensor, nullptr);
  EXPECT_THAT(per_tensor->get_scale(), ElementsAre(0.5f));
  EXPECT_THAT(per_tensor->get_zero_point(), ElementsAre(3));

  const TensorMetaInfo weights = OpInput(*iterator, 2, 1);
  ASSERT_NE(weights.m_quantization_info, nullptr);
  EXPECT_THAT(weights.m_quantization_info->get_scale(), ElementsAre(0.1f, 0.2f, 0.3f, 0.4f));
  EXPECT_THAT(weights.m_quantization_info->get_zero_point(), ElementsAre(0, 1, 2, 3));
  EXPECT_EQ(weights.m_quantization_info->get_axis(), 0);
  EXPECT_THAT(log_, HasSubstr("Data is static or constant for op 9"));
  // Unconverted constants are handed over in place.
  EXPECT_EQ(weights.m_tensor_data, sg_.tensor(w).weights.buffer->data());
}

class TwoBitWeightsTest : public GraphIteratorTest {
 protected:
  // FULLY_CONNECTED over signed 2-bit weights of four elements: the one byte 0x1B holds -1, -2, 1,
  // 0 from the low bits up.
  void Build(Quantization quantization) {
    const TensorId x = sg_.AddInput("x", F32({1, 4}));
    w_ = sg_.AddConstant("w", TensorType::Ranked(kZorvelElementTypeInt2, {1, 4}),
                         std::vector<uint8_t>{0x1B}, std::move(quantization));
    const TensorId y = sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w_}, "y", F32({1, 1}));
    sg_.AddOutput(y);
  }
  TensorId w_ = 0;
};

class TwoBitWeightsOnNpuAndCpuTest : public TwoBitWeightsTest,
                                     public ::testing::WithParamInterface<const char*> {};

TEST_P(TwoBitWeightsOnNpuAndCpuTest, FieldsBecomeUnsignedAndZeroPointsRiseByTwo) {
  Build(Quantization::PerChannel(0, {0.25f}, {1}));
  auto iterator = Iterator(GetParam());
  const TensorMetaInfo info = OpInput(*iterator, 2, 1);
  EXPECT_EQ(info.m_element_type, ov::element::u2);
  ASSERT_NE(info.m_tensor_data, nullptr);
  EXPECT_NE(info.m_tensor_data, sg_.tensor(w_).weights.buffer->data());
  EXPECT_EQ(info.m_tensor_data[0], 0xB1);
  ASSERT_NE(info.m_quantization_info, nullptr);
  EXPECT_THAT(info.m_quantization_info->get_zero_point(), ElementsAre(3));
  EXPECT_THAT(info.m_quantization_info->get_scale(), ElementsAre(0.25f));
  EXPECT_EQ(info.m_quantization_info->get_axis(), 0);
  EXPECT_THAT(log_, HasSubstr("INFO: [graph_iterator.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Converted i2 weights to u2 for tensor: w\n"));
  // The host's bytes are left as they were.
  EXPECT_EQ(sg_.tensor(w_).weights.buffer->data()[0], 0x1B);
}

INSTANTIATE_TEST_SUITE_P(Devices, TwoBitWeightsOnNpuAndCpuTest, ::testing::Values("NPU", "CPU"));

TEST_F(TwoBitWeightsTest, GpuGetsSignedFourBitFields) {
  Build(Quantization::PerTensor(0.25f, 1));
  auto iterator = Iterator("GPU");
  const TensorMetaInfo info = OpInput(*iterator, 2, 1);
  EXPECT_EQ(info.m_element_type, ov::element::i4);
  ASSERT_NE(info.m_tensor_data, nullptr);
  EXPECT_EQ(info.m_tensor_data[0], 0xEF);
  EXPECT_EQ(info.m_tensor_data[1], 0x01);
  ASSERT_NE(info.m_quantization_info, nullptr);
  EXPECT_THAT(info.m_quantization_info->get_zero_point(), ElementsAre(1));
  EXPECT_THAT(log_, HasSubstr("Converted i2 weights to i4 for tensor: w"));
}

class TwoBitUnquantizedTest : public TwoBitWeightsTest,
                              public ::testing::WithParamInterface<const char*> {};

// Without a zero point to take up the offset, the signed fields are widened on every device, never
// handed on as u2 over the same bits (which would read -2 and -1 as 2 and 3).
TEST_P(TwoBitUnquantizedTest, WeightsAreWidenedToSignedFourBits) {
  Build(Quantization::None());
  auto iterator = Iterator(GetParam());
  const TensorMetaInfo info = OpInput(*iterator, 2, 1);
  EXPECT_EQ(info.m_element_type, ov::element::i4);
  ASSERT_NE(info.m_tensor_data, nullptr);
  EXPECT_EQ(info.m_tensor_data[0], 0xEF);
  EXPECT_EQ(info.m_tensor_data[1], 0x01);
  EXPECT_EQ(info.m_quantization_info, nullptr);
  EXPECT_EQ(sg_.tensor(w_).weights.buffer->data()[0], 0x1B);
}

INSTANTIATE_TEST_SUITE_P(Devices, TwoBitUnquantizedTest, ::testing::Values("NPU", "CPU", "GPU"));

TEST_F(TwoBitWeightsTest, PerChannelRecordWithoutZeroPointsGetsZeroPointsOfTwo) {
  Build(Quantization::PerChannel(0, {0.25f}, {1}));
  sg_.tensor(w_).quantization.zero_points.clear();
  auto iterator = Iterator("NPU");
  const TensorMetaInfo info = OpInput(*iterator, 2, 1);
  EXPECT_EQ(info.m_element_type, ov::element::u2);
  ASSERT_NE(info.m_quantization_info, nullptr);
  EXPECT_THAT(info.m_quantization_info->get_zero_point(), ElementsAre(2));
}

TEST_F(GraphIteratorTest, SignedTwoBitTensorsThatAreNotConstantsAreRefused) {
  const TensorId x = sg_.AddInput("x", TensorType::Ranked(kZorvelElementTypeInt2, {1, 4}));
  const TensorId y = sg_.AddOp(kZorvelOpCodeNeg, {x}, "y", F32({1, 4}));
  const TensorId z =
      sg_.AddOp(kZorvelOpCodeCast, {y}, "z", TensorType::Ranked(kZorvelElementTypeInt2, {1, 4}));
  sg_.AddOutput(z);
  auto iterator = Iterator();
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("Input node 0: tensor x"));
  EXPECT_THAT(log_, HasSubstr("Tensor x holds signed 2-bit data but is not a constant"));
  EXPECT_THAT(RefusalAt(*iterator, 1), HasSubstr("Output node 1: tensor z"));
  EXPECT_THAT(RefusalAt(*iterator, 3), HasSubstr("Node CAST_id_3: output tensor z"));
}

TEST_F(GraphIteratorTest, UnsupportedQuantizationKindRefusesTheNode) {
  const TensorId x = sg_.AddInput("x", F32({1, 4}));
  const TensorId w = sg_.AddConstant<float>("w", {1, 4}, {1, 2, 3, 4});
  const TensorId y = sg_.AddOp(kZorvelOpCodeMul, {x, w}, "y", F32({1, 4}));
  sg_.AddOutput(y);
  sg_.tensor(w).quantization.kind = 3;
  auto iterator = Iterator();

  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("MUL_id_2"));
  EXPECT_THAT(log_, HasSubstr("ERROR: [graph_iterator.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Unsupported Quantization type 3 \n"));

  // On a graph input the input node is refused.
  sg_.tensor(x).quantization.kind = 7;
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("Input node 0: tensor x"));
  EXPECT_THAT(log_, HasSubstr("Unsupported Quantization type 7 "));
}

TEST_F(GraphIteratorTest, ConstantShorterThanItsShapeIsRefused) {
  const TensorId x = sg_.AddInput("x", F32({2, 4}));
  const TensorId short_w = sg_.AddConstant("short_w", F32({2, 4}), std::vector<uint8_t>(8, 0));
  const TensorId exact_w = sg_.AddConstant("exact_w", F32({2, 4}), std::vector<uint8_t>(32, 0));
  const TensorId a = sg_.AddOp(kZorvelOpCodeAdd, {x, exact_w}, "a", F32({2, 4}));
  const TensorId b = sg_.AddOp(kZorvelOpCodeAdd, {a, short_w}, "b", F32({2, 4}));
  sg_.AddOutput(b);
  auto iterator = Iterator();

  EXPECT_EQ(RefusalAt(*iterator, 2), "");
  const std::string refusal = RefusalAt(*iterator, 3);
  EXPECT_THAT(refusal, HasSubstr("Constant tensor short_w of node ADD_id_3 holds 8 bytes"));
  EXPECT_THAT(refusal, HasSubstr("need 32"));
  EXPECT_THAT(log_, HasSubstr("ERROR: [graph_iterator.cc:"));
  EXPECT_THAT(log_, HasSubstr("Constant tensor short_w of node ADD_id_3 holds 8 bytes"));
}

TEST_F(GraphIteratorTest, PackedConstantsNeedOnlyTheirPackedBytes) {
  // Five signed 2-bit values fit in two bytes.
  const TensorId x = sg_.AddInput("x", F32({5}));
  const TensorId w = sg_.AddConstant("w", TensorType::Ranked(kZorvelElementTypeInt2, {5}),
                                     std::vector<uint8_t>{0x00, 0x01});
  const TensorId y = sg_.AddOp(kZorvelOpCodeMul, {x, w}, "y", F32({5}));
  sg_.AddOutput(y);
  auto iterator = Iterator();
  EXPECT_EQ(RefusalAt(*iterator, 2), "");
}

TEST_F(GraphIteratorTest, NotImplementedMembersLogAndGiveNeutralValues) {
  const TensorId x = sg_.AddInput("x", F32({1}));
  sg_.AddOutput(x);
  auto iterator = Iterator();
  auto tensor = std::dynamic_pointer_cast<DecoderBaseTensor>(DecoderAt(*iterator, 0));
  ASSERT_NE(tensor, nullptr);

  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(tensor->get_attribute("axis").empty());
  EXPECT_EQ(tensor->get_input_size(), 0u);
  std::string producer, port_name;
  size_t port = 9;
  tensor->get_input_node(0, producer, port_name, port);
  EXPECT_EQ(port, 9u);
  EXPECT_EQ(tensor->get_op_name(), "");
  EXPECT_EQ(iterator->get_subgraph(0), nullptr);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(log, HasSubstr("ERROR: [decoder.h:"));
  EXPECT_THAT(log, HasSubstr("] get_attribute not implemented\n"));
  EXPECT_THAT(log, HasSubstr("] get_input_size not implemented\n"));
  EXPECT_THAT(log, HasSubstr("] get_input_node not implemented\n"));
  EXPECT_THAT(log, HasSubstr("] get_op_name not implemented\n"));
  EXPECT_THAT(log, HasSubstr("ERROR: [graph_iterator.h:"));
  EXPECT_THAT(log, HasSubstr("] get_subgraph not implemented\n"));
}

TEST_F(GraphIteratorTest, PositionPastTheEndIsRefused) {
  const TensorId x = sg_.AddInput("x", F32({1}));
  sg_.AddOutput(x);
  auto iterator = Iterator();
  ASSERT_EQ(iterator->size(), 2u);
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("No node at position 2"));
}

// Tensors the host describes in ways the front end cannot take without losing or inventing data.
TEST_F(GraphIteratorTest, ShapesWhoseSizeOverflowsAreRefused) {
  // 2118087380 * 12956191 * 3361 elements wrap 64 bits; the four bytes would otherwise pass as
  // enough for what the wrapped count asks.
  const TensorId x = sg_.AddInput("x", F32({1}));
  const TensorId w =
      sg_.AddConstant("w", F32({2118087380, 12956191, 3361}), std::vector<uint8_t>(4, 0));
  const TensorId y = sg_.AddOp(kZorvelOpCodeAdd, {x, w}, "y", F32({1}));
  sg_.AddOutput(y);
  auto iterator = Iterator();
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("Node ADD_id_2: input tensor w"));
  EXPECT_THAT(log_, HasSubstr("Tensor w has a shape whose size does not fit 64 bits"));

  // The same on a graph input.
  sg_.tensor(x).type = F32({2118087380, 12956191, 3361});
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("Input node 0: tensor x"));
}

TEST_F(GraphIteratorTest, NegativeExtentsAreRefusedAndMinusOneIsDynamic) {
  const TensorId x = sg_.AddInput("x", F32({-1, 4}));
  const TensorId y = sg_.AddOp(kZorvelOpCodeRelu, {x}, "y", F32({2, 4}));
  sg_.AddOutput(x);
  sg_.tensor(y).type.dims[0] = -2;
  auto iterator = Iterator();
  EXPECT_EQ(RefusalAt(*iterator, 0), "");
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("Node RELU_id_2: output tensor y"));
  EXPECT_THAT(log_, HasSubstr("Tensor y has the negative extent -2 in dimension 0"));
}

TEST_F(GraphIteratorTest, UnknownElementTypesOfConstantsAndOutputsAreRefused) {
  const TensorId x = sg_.AddInput("x", F32({2}));
  const TensorId c = sg_.AddConstant("c", TensorType::Ranked(24, {2}), std::vector<uint8_t>(8, 1));
  const TensorId y = sg_.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({2}));
  const TensorId z = sg_.AddOp(kZorvelOpCodeRelu, {y}, "z", TensorType::Ranked(12, {2}));
  sg_.AddOutput(z);
  auto iterator = Iterator();
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("Node ADD_id_2: input tensor c"));
  EXPECT_THAT(log_, HasSubstr("Tensor c has the element type code 24"));
  EXPECT_THAT(RefusalAt(*iterator, 3), HasSubstr("Node RELU_id_3: output tensor z"));
  EXPECT_THAT(log_, HasSubstr("Tensor z has the element type code 12"));
}

TEST_F(GraphIteratorTest, ZeroPointsOutsideTheElementTypeAreRefused) {
  const TensorId x = sg_.AddInput("x", TensorType::Ranked(kZorvelElementTypeInt8, {1, 2}),
                                  Quantization::PerTensor(0.5f, 127));
  const TensorId w = sg_.AddConstant("w", TensorType::Ranked(kZorvelElementTypeUInt8, {2, 2}),
                                     std::vector<uint8_t>(4, 1),
                                     Quantization::PerChannel(0, {0.1f, 0.2f}, {0, 255}));
  const TensorId y = sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w}, "y",
                               TensorType::Ranked(kZorvelElementTypeInt8, {1, 2}));
  sg_.AddOutput(y);
  auto iterator = Iterator();
  EXPECT_EQ(RefusalAt(*iterator, 0), "");
  EXPECT_EQ(RefusalAt(*iterator, 2), "");

  sg_.tensor(x).quantization.zero_point = 128;
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("Input node 0: tensor x"));
  EXPECT_THAT(log_, HasSubstr("Tensor x has the zero point 128, outside the range -128..127"));
  // The zero point that made the front end's folding overflow.
  sg_.tensor(x).quantization.zero_point = INT64_MIN;
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("tensor x"));
  sg_.tensor(x).quantization.zero_point = 0;

  sg_.tensor(w).quantization.zero_points = {0, -1};
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("input tensor w"));
  EXPECT_THAT(log_, HasSubstr("Tensor w has the zero point -1, outside the range 0..255"));
}

TEST_F(GraphIteratorTest, PerChannelRecordsMustFitTheirTensor) {
  const TensorId x = sg_.AddInput("x", F32({1, 2}));
  const TensorId w = sg_.AddConstant("w", TensorType::Ranked(kZorvelElementTypeInt8, {3, 2}),
                                     std::vector<uint8_t>(6, 1),
                                     Quantization::PerChannel(0, {0.1f, 0.2f, 0.3f}, {0, 0, 0}));
  const TensorId y = sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w}, "y", F32({1, 3}));
  sg_.AddOutput(y);
  auto iterator = Iterator();
  EXPECT_EQ(RefusalAt(*iterator, 2), "");

  Quantization& q = sg_.tensor(w).quantization;
  q.axis = 2;
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("input tensor w"));
  EXPECT_THAT(log_, HasSubstr("Tensor w is quantized per channel on axis 2, outside its rank 2"));
  q.axis = -1;
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("input tensor w"));
  q.axis = 1;
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("input tensor w"));
  EXPECT_THAT(log_, HasSubstr("Tensor w has 3 per-channel scales for the 2 elements of axis 1"));
  q.axis = 0;
  q.scales = {0.1f, 0.2f};
  q.zero_points = {0, 0};
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("input tensor w"));
}

TEST_F(GraphIteratorTest, TensorsSharingANameAreRefused) {
  // A constant named like the input would be taken for the input: ADD(x, c) read as ADD(x, x).
  const TensorId x = sg_.AddInput("x", F32({2}));
  const TensorId c = sg_.AddConstant<float>("x", {2}, {1, 2});
  const TensorId y = sg_.AddOp(kZorvelOpCodeAdd, {x, c}, "y", F32({2}));
  sg_.AddOutput(y);
  auto iterator = Iterator();
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("Two tensors of the subgraph are named x"));
  EXPECT_THAT(log_, HasSubstr("ERROR: [graph_iterator.cc:"));
  // Every node is refused, not only the first one asked for.
  EXPECT_THAT(RefusalAt(*iterator, 2), HasSubstr("Two tensors of the subgraph are named x"));

  // An unnamed tensor takes its default name, which may clash too.
  sg_.tensor(c).name = absl::StrCat("tensor_id_", x);
  sg_.tensor(x).name = "";
  EXPECT_THAT(RefusalAt(*iterator, 0), HasSubstr("named tensor_id_"));
}

TEST_F(GraphIteratorTest, TensorsWithTwoProducersAreRefused) {
  const TensorId x = sg_.AddInput("x", F32({2}));
  const TensorId a = sg_.AddOp(kZorvelOpCodeRelu, {x}, "a", F32({2}));
  host::HostOp& second = sg_.AddOp(kZorvelOpCodeNeg, {x}, {sg_.AddTensor("b", F32({2}))});
  sg_.AddOutput(a);
  auto iterator = Iterator();
  EXPECT_EQ(RefusalAt(*iterator, 0), "");

  second.outputs.push_back(&sg_.tensor(a));
  EXPECT_THAT(RefusalAt(*Iterator(), 0),
              HasSubstr("Tensor a has two producers: op 0 (code 19) and op 1 (code 59)"));
}

TEST_F(GraphIteratorTest, AnOpWritingAGraphInputIsRefused) {
  const TensorId x = sg_.AddInput("x", F32({2}));
  host::HostOp& relu = sg_.AddOp(kZorvelOpCodeRelu, {x}, {sg_.AddTensor("a", F32({2}))});
  sg_.AddOutput(x);
  relu.outputs.push_back(&sg_.tensor(x));
  auto iterator = Iterator();
  EXPECT_THAT(RefusalAt(*iterator, 0),
              HasSubstr("Tensor x has two producers: a graph input and op 0 (code 19)"));
}

// The tensorflow_lite front end loading and converting a host subgraph through the iterator.
class FrontEndTest : public GraphIteratorTest {
 protected:
  void SetUp() override {}
  void TearDown() override {}

  std::shared_ptr<ov::frontend::InputModel> Load(const std::string& device) {
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator = Iterator(device);
    return front_end_.load(ov::Any(iterator));
  }

  ov::frontend::tensorflow_lite::FrontEnd front_end_;
};

TEST_F(FrontEndTest, ConvertsAConvolutionWithHostWeights) {
  // x [1,2,2,2] NHWC -> 1x1 CONV_2D with weights [3,1,1,2] (OHWI) and a bias -> y [1,2,2,3]
  const TensorId x = sg_.AddInput("x", F32({1, 2, 2, 2}));
  const TensorId w = sg_.AddConstant<float>("w", {3, 1, 1, 2}, {1, 0, 0, 1, 1, -1});
  const TensorId b = sg_.AddConstant<float>("b", {3}, {0.5f, 0, 10});
  const TensorId out = sg_.AddTensor("y", F32({1, 2, 2, 3}));
  sg_.AddOp(kZorvelOpCodeConv2d, {x, w, b}, {out})
      .SetOption(46, 1u)  // VALID
      .SetOption(47, 1)
      .SetOption(48, 1)
      .SetOption(49, 0u)
      .SetOption(50, 1)
      .SetOption(51, 1);
  sg_.AddOutput(out);

  std::shared_ptr<ov::frontend::InputModel> input_model = Load("NPU");
  ASSERT_NE(input_model, nullptr);
  std::shared_ptr<ov::Model> model = front_end_.convert(input_model);
  ASSERT_NE(model, nullptr);

  ASSERT_EQ(model->get_parameters().size(), 1u);
  EXPECT_EQ(model->get_parameters()[0]->get_friendly_name(), "x");
  ASSERT_EQ(model->get_results().size(), 1u);
  EXPECT_EQ(model->get_results()[0]->get_input_node_shared_ptr(0)->get_friendly_name(),
            "CONV_2D_id_2");
  std::vector<std::string> constants;
  for (const auto& node : model->get_ordered_ops()) {
    if (std::string(node->get_type_name()) == "Constant") {
      constants.push_back(node->get_friendly_name());
    }
  }
  EXPECT_THAT(constants, ::testing::Contains("w"));

  ov::Tensor input(ov::element::f32, ov::Shape{1, 2, 2, 2});
  const std::vector<float> pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  std::copy(pixels.begin(), pixels.end(), input.data<float>());
  ov::TensorVector outputs;
  ASSERT_TRUE(model->evaluate(outputs, {input}));
  ASSERT_EQ(outputs.size(), 1u);
  ASSERT_EQ(outputs[0].get_shape(), (ov::Shape{1, 2, 2, 3}));
  std::vector<float> expected;
  for (size_t p = 0; p < 4; ++p) {
    const float c0 = pixels[2 * p], c1 = pixels[2 * p + 1];
    expected.insert(expected.end(), {c0 + 0.5f, c1, c0 - c1 + 10});
  }
  const float* got = outputs[0].data<float>();
  EXPECT_EQ(std::vector<float>(got, got + expected.size()), expected);
}

TEST_F(FrontEndTest, RefusedNodeEndsTheLoadWithAnException) {
  const TensorId x = sg_.AddInput("x", F32({1, 4}));
  const TensorId w = sg_.AddConstant("w", F32({1, 4}), std::vector<uint8_t>(4, 0));
  const TensorId y = sg_.AddOp(kZorvelOpCodeAdd, {x, w}, "y", F32({1, 4}));
  sg_.AddOutput(y);
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(Load("CPU"), ov::Exception);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("Constant tensor w"));
}

// Operand values that contradict the shapes the host declares (a K past the axis, a multiple,
// a target shape or size of 2^31-1, negative pads) are refused when the model is converted, naming
// the tensor whose shape they would change.
TEST_F(FrontEndTest, OperandValuesContradictingTheDeclaredShapesAreRefused) {
  constexpr int32_t kHuge = INT32_MAX;
  const std::string kInconsistent = "Inconsistent shape inference: tensor 'y'";
  struct Case {
    const char* what;
    ZorvelOpCode code;
    std::vector<int32_t> operand_dims;
    std::vector<int32_t> operand;
    std::string refusal;
  };
  const std::vector<Case> cases = {
      {"TOPK_V2", kZorvelOpCodeTopkV2, {}, {kHuge}, kInconsistent},
      {"TILE", kZorvelOpCodeTile, {2}, {1, kHuge}, kInconsistent},
      {"BROADCAST_TO", kZorvelOpCodeBroadcastTo, {2}, {2, kHuge}, kInconsistent},
      {"RESIZE_BILINEAR", kZorvelOpCodeResizeBilinear, {2}, {kHuge, 2}, kInconsistent},
      {"PAD",
       kZorvelOpCodePad,
       {2, 2},
       {0, 0, -1, -1},
       "PAD 'PAD_id_2' has the negative padding -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostModel model;
    HostSubgraph& sg = model.AddSubgraph();
    const bool image = c.code == kZorvelOpCodeResizeBilinear;
    const TensorType shape = image ? F32({1, 2, 2, 1}) : F32({2, 4});
    const TensorId x = sg.AddInput("x", c.code == kZorvelOpCodeBroadcastTo ? F32({2, 1}) : shape);
    const TensorId operand = sg.AddConstant<int32_t>("operand", c.operand_dims, c.operand);
    const TensorId y = sg.AddTensor("y", shape);
    std::vector<TensorId> outputs = {y};
    if (c.code == kZorvelOpCodeTopkV2) {
      outputs.push_back(
          sg.AddTensor("indices", TensorType::Ranked(kZorvelElementTypeInt32, {2, 4})));
    }
    sg.AddOp(c.code, {x, operand}, outputs);
    for (const TensorId output : outputs) sg.AddOutput(output);

    Subgraph subgraph(api_.table(), api_.Handle(sg));
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &subgraph, "CPU");
    ::testing::internal::CaptureStderr();
    std::string message;
    try {
      front_end_.convert(front_end_.load(ov::Any(iterator)));
    } catch (const ov::Exception& e) {
      message = e.what();
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(message, HasSubstr(c.refusal));
  }

  // The consistent forms convert.
  const TensorId x = sg_.AddInput("x", F32({2, 4}));
  const TensorId k = sg_.AddConstant<int32_t>("k", {}, {3});
  const TensorId values = sg_.AddTensor("values", F32({2, 3}));
  const TensorId indices =
      sg_.AddTensor("indices", TensorType::Ranked(kZorvelElementTypeInt32, {2, 3}));
  sg_.AddOp(kZorvelOpCodeTopkV2, {x, k}, {values, indices});
  sg_.AddOutput(values);
  ::testing::internal::CaptureStderr();
  EXPECT_NE(front_end_.convert(Load("CPU")), nullptr);
  ::testing::internal::GetCapturedStderr();
}

class TwoBitFrontEndTest : public FrontEndTest,
                           public ::testing::WithParamInterface<const char*> {};

// The rewritten weights dequantize to the values the host's signed fields stand for.
TEST_P(TwoBitFrontEndTest, RewrittenWeightsKeepTheirValues) {
  // Weights -1, -2, 1, 0 (the byte 0x1B) with scale 0.5 and zero point 1: -1, -1.5, 0, -0.5.
  const TensorId x = sg_.AddInput("x", F32({1, 4}));
  const TensorId w = sg_.AddConstant("w", TensorType::Ranked(kZorvelElementTypeInt2, {1, 4}),
                                     std::vector<uint8_t>{0x1B}, Quantization::PerTensor(0.5f, 1));
  const TensorId out = sg_.AddTensor("y", F32({1, 1}));
  sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {out})
      .SetOption(66, 0u)
      .SetOption(67, 0u)
      .SetOption(68, false);
  sg_.AddOutput(out);

  ::testing::internal::CaptureStderr();
  std::shared_ptr<ov::Model> model = front_end_.convert(Load(GetParam()));
  ::testing::internal::GetCapturedStderr();
  ASSERT_NE(model, nullptr);
  ov::Tensor input(ov::element::f32, ov::Shape{1, 4});
  const std::vector<float> values = {1, 2, 3, 4};
  std::copy(values.begin(), values.end(), input.data<float>());
  ov::TensorVector outputs;
  ASSERT_TRUE(model->evaluate(outputs, {input}));
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_FLOAT_EQ(outputs[0].data<float>()[0], 1 * -1.0f + 2 * -1.5f + 3 * 0.0f + 4 * -0.5f);
}

INSTANTIATE_TEST_SUITE_P(Devices, TwoBitFrontEndTest, ::testing::Values("NPU", "CPU", "GPU"));

}  // namespace
}  // namespace zorvel::openvino
