#include "zorvel/host/moe_block.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "zorvel/host/host_model.h"

namespace zorvel::host {
namespace {

TEST(PackNibbles, LowNibbleFirst) {
  EXPECT_EQ(PackNibbles({1, -2, 7}), (std::vector<uint8_t>{0xE1, 0x07}));
  EXPECT_EQ(PackNibbles({15, 0, 8, 9}), (std::vector<uint8_t>{0x0F, 0x98}));
}

// The ops of `sg` by code, in execution order.
std::vector<ZorvelOpCode> Codes(const HostSubgraph& sg) {
  std::vector<ZorvelOpCode> codes;
  for (size_t i = 0; i < sg.num_ops(); ++i) codes.push_back(sg.op(static_cast<OpId>(i)).op_code);
  return codes;
}

TEST(MoEBlock, BuildsTheRouterAndOneGegluBranchPerExpert) {
  HostModel model;
  MoEBlockOptions options;
  options.experts = 3;
  options.tokens = 5;
  options.weight_type = kZorvelElementTypeUInt4;
  HostSubgraph& sg = AddMoESubgraph(model, options);
  const std::vector<ZorvelOpCode> router = {kZorvelOpCodeFullyConnected, kZorvelOpCodeSoftmax,
                                            kZorvelOpCodeTopkV2};
  const std::vector<ZorvelOpCode> expert = {
      kZorvelOpCodeEqual,          kZorvelOpCodeCast,  kZorvelOpCodeMul,  kZorvelOpCodeSum,
      kZorvelOpCodeFullyConnected, kZorvelOpCodeSplit, kZorvelOpCodeGelu, kZorvelOpCodeMul,
      kZorvelOpCodeFullyConnected, kZorvelOpCodeMul};
  std::vector<ZorvelOpCode> expected = router;
  for (int e = 0; e < 3; ++e) {
    expected.insert(expected.end(), expert.begin(), expert.end());
    if (e > 0) expected.push_back(kZorvelOpCodeAdd);
  }
  EXPECT_EQ(Codes(sg), expected);

  ASSERT_EQ(sg.outputs().size(), 1u);
  EXPECT_EQ(sg.outputs()[0]->name, "moe0/out");
  EXPECT_EQ(sg.outputs()[0]->type.dims, (std::vector<int32_t>{5, 16}));
  // Expert 1's fused gate+up weight: u4 [2I, H], one scale per row, zero points 0.
  const HostOp& gate_up = sg.op(3 + 10 + 4);
  ASSERT_EQ(gate_up.op_code, kZorvelOpCodeFullyConnected);
  const HostTensor& w = *gate_up.inputs[1];
  EXPECT_EQ(w.name, "moe0/expert1/gate_up/w");
  EXPECT_EQ(w.type.element_type, kZorvelElementTypeUInt4);
  EXPECT_EQ(w.type.dims, (std::vector<int32_t>{16, 16}));
  EXPECT_EQ(w.weights.buffer->size(), 128u);
  EXPECT_EQ(w.quantization.kind, kZorvelQuantizationPerChannel);
  EXPECT_EQ(w.quantization.scales.size(), 16u);
  EXPECT_EQ(w.quantization.zero_points, std::vector<int64_t>(16, 0));
}

TEST(MoEBlock, ExpertFormsAsConvertersWriteThem) {
  // The ops of expert 0 after its routing weight (Equal, Cast, Mul, Sum).
  const auto expert0 = [](const MoEBlockOptions& options) {
    HostModel model;
    HostSubgraph& sg = AddMoESubgraph(model, options);
    std::vector<ZorvelOpCode> codes = Codes(sg);
    std::vector<ZorvelOpCode> ops(codes.begin() + 3 + 4, codes.end());
    const auto next_equal = std::find(ops.begin(), ops.end(), kZorvelOpCodeEqual);
    return std::vector<ZorvelOpCode>(ops.begin(), next_equal);
  };
  const ZorvelOpCode fc = kZorvelOpCodeFullyConnected, mul = kZorvelOpCodeMul;
  MoEBlockOptions swiglu;
  swiglu.activation = MoEActivation::kSwish;
  EXPECT_EQ(expert0(swiglu), (std::vector<ZorvelOpCode>{fc, kZorvelOpCodeSplit,
                                                        kZorvelOpCodeLogistic, mul, mul, fc, mul}));
  MoEBlockOptions separate;
  separate.separate_gate_up = true;
  separate.down_scale = true;
  EXPECT_EQ(expert0(separate),
            (std::vector<ZorvelOpCode>{fc, fc, kZorvelOpCodeGelu, mul, fc, mul, mul}));
  MoEBlockOptions ungated;
  ungated.gated = false;
  ungated.down_bias = true;
  EXPECT_EQ(expert0(ungated), (std::vector<ZorvelOpCode>{fc, kZorvelOpCodeGelu, fc, mul}));
  HostModel model;
  HostSubgraph& sg = AddMoESubgraph(model, ungated);
  const HostOp& down = sg.op(3 + 4 + 2);
  ASSERT_EQ(down.inputs.size(), 3u);  // the bias
  EXPECT_EQ(down.inputs[2]->type.dims, (std::vector<int32_t>{16}));
}

TEST(MoEBlock, SeedDecidesTheWeights) {
  auto weights = [](uint32_t seed) {
    HostModel model;
    MoEBlockOptions options;
    options.seed = seed;
    HostSubgraph& sg = AddMoESubgraph(model, options);
    const HostTensor& w = *sg.op(3 + 4).inputs[1];
    return std::vector<uint8_t>(w.weights.buffer->data(),
                                w.weights.buffer->data() + w.weights.buffer->size());
  };
  EXPECT_EQ(weights(7), weights(7));
  EXPECT_NE(weights(7), weights(8));
}

// A multi-token and a single-token layer of one model over one SharedWeights read the same
// buffers for every constant, the weights of the second layer adding none.
TEST(MoEBlock, LayersOfTwoStepsShareEveryBuffer) {
  HostModel model;
  SharedWeights shared;
  MoEBlockOptions options;
  options.shared_weights = &shared;
  std::vector<std::vector<BufferId>> ids;
  for (int32_t tokens : {16, 1}) {
    HostSubgraph& sg = model.AddSubgraph();
    options.tokens = tokens;
    const TensorId x =
        sg.AddInput("x", TensorType::Ranked(kZorvelElementTypeFloat32, {tokens, options.hidden}));
    AddMoEBlock(sg, x, options);
    std::vector<BufferId>& step = ids.emplace_back();
    for (TensorId t = 0; t < sg.num_tensors(); ++t) {
      if (sg.tensor(t).weights.buffer != nullptr) step.push_back(sg.tensor(t).weights.buffer_id);
    }
    if (tokens == 16) {
      EXPECT_EQ(model.buffers().size(), step.size());
    }
  }
  EXPECT_EQ(ids[0], ids[1]);
  EXPECT_EQ(model.buffers().size(), ids[0].size());
}

TEST(MoEBlock, ChainsLayersAndRefusesBadOptions) {
  HostModel model;
  MoEBlockOptions options;
  HostSubgraph& sg = AddMoESubgraph(model, options, 2);
  EXPECT_EQ(sg.outputs()[0]->name, "moe1/out");
  EXPECT_EQ(sg.num_ops(), 2u * (3 + 4 * 10 + 3));

  HostSubgraph& other = model.AddSubgraph();
  const TensorId x = other.AddInput("x", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 16}));
  MoEBlockOptions bad = options;
  bad.top_k = 5;
  EXPECT_THROW(AddMoEBlock(other, x, bad), std::invalid_argument);
  bad = options;
  bad.weight_type = kZorvelElementTypeInt8;
  EXPECT_THROW(AddMoEBlock(other, x, bad), std::invalid_argument);
  bad = options;
  bad.tokens = 3;  // x has one token
  EXPECT_THROW(AddMoEBlock(other, x, bad), std::invalid_argument);
}

}  // namespace
}  // namespace zorvel::host
