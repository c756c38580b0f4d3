#include "zorvel/host/attention_block.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "gtest/gtest.h"
#include "zorvel/host/host_model.h"

namespace zorvel::host {
namespace {

std::vector<int32_t> Dims(const HostSubgraph& sg, TensorId id) { return sg.tensor(id).type.dims; }

size_t CountOps(const HostSubgraph& sg, ZorvelOpCode code) {
  size_t n = 0;
  for (OpId i = 0; i < sg.num_ops(); ++i) n += sg.op(i).op_code == code ? 1 : 0;
  return n;
}

// The bytes of every constant, in tensor order.
std::vector<std::vector<uint8_t>> ConstantBytes(const HostSubgraph& sg) {
  std::vector<std::vector<uint8_t>> bytes;
  for (TensorId i = 0; i < sg.num_tensors(); ++i) {
    const auto& buffer = sg.tensor(i).weights.buffer;
    if (buffer != nullptr) bytes.emplace_back(buffer->data(), buffer->data() + buffer->size());
  }
  return bytes;
}

TEST(AttentionBlock, SplitBlockInputsOutputsAndShapes) {
  HostModel model;
  HostSubgraph& sg = model.AddSubgraph();
  AttentionBlockOptions options;
  options.heads = options.kv_heads = 2;
  options.head_size = 8;
  options.cache_length = 10;
  options.new_tokens = 3;
  const AttentionBlock block = AddSplitAttentionBlock(sg, options);
  ASSERT_EQ(sg.inputs().size(), 4u);
  EXPECT_EQ(sg.inputs()[0]->index, block.x);
  EXPECT_EQ(sg.inputs()[1]->index, block.k_cache);
  EXPECT_EQ(sg.inputs()[2]->index, block.v_cache);
  EXPECT_EQ(sg.inputs()[3]->index, block.mask);
  ASSERT_EQ(sg.outputs().size(), 3u);
  EXPECT_EQ(sg.outputs()[0]->index, block.output);
  EXPECT_EQ(sg.outputs()[1]->index, block.k_new);
  EXPECT_EQ(sg.outputs()[2]->index, block.v_new);
  EXPECT_EQ(Dims(sg, block.x), (std::vector<int32_t>{1, 3, 16}));
  EXPECT_EQ(Dims(sg, block.k_cache), (std::vector<int32_t>{1, 2, 10, 8}));
  EXPECT_EQ(Dims(sg, block.mask), (std::vector<int32_t>{1, 1, 3, 13}));
  EXPECT_EQ(Dims(sg, block.k_new), (std::vector<int32_t>{1, 2, 3, 8}));
  EXPECT_EQ(Dims(sg, block.output), (std::vector<int32_t>{1, 3, 16}));
  EXPECT_EQ(CountOps(sg, kZorvelOpCodeBatchMatmul), 4u);
  EXPECT_EQ(CountOps(sg, kZorvelOpCodeSlice), 2u);
  EXPECT_EQ(CountOps(sg, kZorvelOpCodeSoftmax), 1u);
  EXPECT_EQ(CountOps(sg, kZorvelOpCodeConcatenation), 1u);
  // The cache is read by the attention alone.
  EXPECT_EQ(sg.Consumers(block.k_cache).size(), 1u);
  EXPECT_EQ(sg.Consumers(block.v_cache).size(), 1u);
}

TEST(AttentionBlock, FoldedBlockTilesTheMaskAndFoldsTheQuery) {
  HostModel model;
  HostSubgraph& sg = model.AddSubgraph();
  AttentionBlockOptions options;
  options.heads = 8;
  options.kv_heads = 2;
  options.output_new_kv = false;
  const TensorId hidden =
      sg.AddInput("hidden", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 1, 8 * 16}));
  const AttentionBlock block = AddFoldedGqaAttentionBlock(sg, options, hidden);
  EXPECT_EQ(block.x, hidden);
  EXPECT_EQ(sg.inputs().size(), 4u);
  EXPECT_EQ(sg.outputs().size(), 1u);
  EXPECT_EQ(Dims(sg, block.k_cache), (std::vector<int32_t>{1, 2, 15, 16}));
  const std::vector<const HostOp*> mask_readers = sg.Consumers(block.mask);
  ASSERT_EQ(mask_readers.size(), 1u);
  const HostOp& tile = *mask_readers[0];
  EXPECT_EQ(tile.op_code, kZorvelOpCodeConcatenation);
  ASSERT_EQ(tile.inputs.size(), 4u);
  for (const HostTensor* input : tile.inputs) EXPECT_EQ(input->index, block.mask);
  EXPECT_EQ(std::get<int32_t>(*tile.GetOption(72)), 2);
  EXPECT_EQ(tile.outputs[0]->type.dims, (std::vector<int32_t>{1, 1, 4, 16}));
}

TEST(AttentionBlock, WeightsFollowTheSeed) {
  auto build = [](uint32_t seed) {
    HostModel model;
    HostSubgraph& sg = model.AddSubgraph();
    AttentionBlockOptions options;
    options.seed = seed;
    AddSplitAttentionBlock(sg, options);
    return ConstantBytes(sg);
  };
  const auto first = build(7);
  EXPECT_EQ(first, build(7));
  EXPECT_NE(first, build(8));
  // Projection weights lie within 1/sqrt(fan in) and are not all alike.
  std::vector<float> q(64 * 64);
  ASSERT_EQ(first[0].size(), q.size() * sizeof(float));
  std::memcpy(q.data(), first[0].data(), first[0].size());
  float low = 1, high = -1;
  for (float v : q) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_GE(low, -0.125f);
  EXPECT_LT(high, 0.125f);
  EXPECT_LT(low, -0.1f);
  EXPECT_GT(high, 0.1f);
}

// A prefill and a decode block of one model over one SharedWeights: the projections and the
// scale read the same buffers, the shape constants that depend on the token count do not.
TEST(AttentionBlock, StepsOfOneModelShareTheirWeights) {
  HostModel model;
  SharedWeights shared;
  AttentionBlockOptions options;
  options.heads = 4;
  options.kv_heads = 2;
  options.head_size = 8;
  options.shared_weights = &shared;
  options.output_result = false;
  options.new_tokens = 16;
  options.cache_length = 16;
  HostSubgraph& prefill = model.AddSubgraph();
  const AttentionBlock first = AddFoldedGqaAttentionBlock(prefill, options);
  const size_t prefill_buffers = model.buffers().size();
  options.new_tokens = 1;
  options.cache_length = 31;
  HostSubgraph& decode = model.AddSubgraph();
  const AttentionBlock second = AddFoldedGqaAttentionBlock(decode, options);

  EXPECT_EQ(prefill.tensor(first.k_cache).name, "attn_kv_cache_k");
  EXPECT_EQ(decode.tensor(second.v_cache).name, "attn_kv_cache_v");
  // The output is left to later layers; only the new keys and values are listed.
  ASSERT_EQ(decode.outputs().size(), 2u);
  EXPECT_EQ(decode.outputs()[0]->index, second.k_new);

  std::map<std::string, BufferId> prefill_ids;
  for (TensorId t = 0; t < prefill.num_tensors(); ++t) {
    if (prefill.tensor(t).weights.buffer != nullptr) {
      prefill_ids[prefill.tensor(t).name] = prefill.tensor(t).weights.buffer_id;
    }
  }
  size_t shared_count = 0;
  size_t own_count = 0;
  for (TensorId t = 0; t < decode.num_tensors(); ++t) {
    const HostTensor& tensor = decode.tensor(t);
    if (tensor.weights.buffer == nullptr) continue;
    ASSERT_TRUE(prefill_ids.count(tensor.name)) << tensor.name;
    const bool same = prefill_ids[tensor.name] == tensor.weights.buffer_id;
    (same ? shared_count : own_count) += 1;
    if (tensor.name.find("_weights") != std::string::npos || tensor.name == "attn_q_scale") {
      EXPECT_TRUE(same) << tensor.name;
    }
  }
  // The projections, the scale, the four head transposes and the cache slice's start.
  EXPECT_EQ(shared_count, 4u + 1u + 4u + 1u);
  EXPECT_EQ(own_count, model.buffers().size() - prefill_buffers);
  EXPECT_GT(own_count, 0u);
}

TEST(AttentionBlock, OptionsThatDescribeNoBlockAreRefused) {
  HostModel model;
  HostSubgraph& sg = model.AddSubgraph();
  AttentionBlockOptions bad;
  bad.head_size = 0;
  EXPECT_THROW(AddSplitAttentionBlock(sg, bad), std::invalid_argument);
  AttentionBlockOptions gqa;
  gqa.heads = 8;
  gqa.kv_heads = 2;
  EXPECT_THROW(AddSplitAttentionBlock(sg, gqa), std::invalid_argument);
  gqa.broadcast_kv = true;  // only one KV head can be broadcast
  EXPECT_THROW(AddSplitAttentionBlock(sg, gqa), std::invalid_argument);
  gqa.broadcast_kv = false;
  gqa.kv_heads = 3;
  EXPECT_THROW(AddFoldedGqaAttentionBlock(sg, gqa), std::invalid_argument);
  gqa.kv_heads = 8;
  EXPECT_THROW(AddFoldedGqaAttentionBlock(sg, gqa), std::invalid_argument);
  AttentionBlockOptions huge;
  huge.cache_length = 1 << 30;
  EXPECT_THROW(AddSplitAttentionBlock(sg, huge), std::invalid_argument);
  EXPECT_EQ(sg.num_ops(), 0u);
  EXPECT_EQ(sg.num_tensors(), 0u);
  const TensorId narrow =
      sg.AddInput("narrow", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 1, 32}));
  EXPECT_THROW(AddSplitAttentionBlock(sg, AttentionBlockOptions{}, narrow), std::invalid_argument);
  EXPECT_EQ(sg.num_ops(), 0u);
}

}  // namespace
}  // namespace zorvel::host
