#include "zorvel/host/shared_weights.h"

#include <stdexcept>
#include <vector>

#include "gtest/gtest.h"
#include "zorvel/host/host_model.h"

namespace zorvel::host {
namespace {

BufferId BufferOf(const HostSubgraph& sg, TensorId t) { return sg.tensor(t).weights.buffer_id; }

TEST(SharedWeights, OneBufferPerNameAndBytesAcrossSubgraphs) {
  HostModel model;
  HostSubgraph& a = model.AddSubgraph();
  HostSubgraph& b = model.AddSubgraph();
  SharedWeights shared;
  const TensorId wa = AddWeightConstant<float>(a, &shared, "w", {2}, {1.0f, 2.0f});
  const TensorId wb = AddWeightConstant<float>(b, &shared, "w", {2}, {1.0f, 2.0f});
  EXPECT_EQ(BufferOf(a, wa), BufferOf(b, wb));
  EXPECT_EQ(a.tensor(wa).weights.buffer, b.tensor(wb).weights.buffer);
  EXPECT_EQ(model.buffers().size(), 1u);

  // Same name, other bytes (a shape that differs between the subgraphs): a buffer of its own,
  // itself shared with a later reader of those bytes.
  const TensorId sa = AddWeightConstant<int32_t>(a, &shared, "shape", {2}, {1, 16});
  const TensorId sb = AddWeightConstant<int32_t>(b, &shared, "shape", {2}, {1, 1});
  const TensorId sc = AddWeightConstant<int32_t>(b, &shared, "shape", {2}, {1, 16});
  EXPECT_NE(BufferOf(a, sa), BufferOf(b, sb));
  EXPECT_EQ(BufferOf(a, sa), BufferOf(b, sc));
  // Same bytes under another name are another weight.
  const TensorId v = AddWeightConstant<float>(b, &shared, "v", {2}, {1.0f, 2.0f});
  EXPECT_NE(BufferOf(b, v), BufferOf(b, wb));
  EXPECT_EQ(model.buffers().size(), 4u);

  // Without a SharedWeights every constant gets a buffer of its own.
  const TensorId own = AddWeightConstant<float>(a, nullptr, "w2", {2}, {1.0f, 2.0f});
  const TensorId own2 = AddWeightConstant<float>(b, nullptr, "w2", {2}, {1.0f, 2.0f});
  EXPECT_NE(BufferOf(a, own), BufferOf(b, own2));
}

TEST(SharedWeights, RefusesASubgraphOfAnotherModel) {
  HostModel first;
  HostModel second;
  SharedWeights shared;
  AddWeightConstant<float>(first.AddSubgraph(), &shared, "w", {1}, {1.0f});
  HostSubgraph& other = second.AddSubgraph();
  EXPECT_THROW(AddWeightConstant<float>(other, &shared, "w", {1}, {1.0f}), std::invalid_argument);
  EXPECT_EQ(other.num_tensors(), 0u);
  EXPECT_TRUE(second.buffers().empty());
}

}  // namespace
}  // namespace zorvel::host
