#include "zorvel/host/host_partition.h"

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ::zorvel::testing::kF32;

using ::zorvel::testing::F32;

std::vector<std::string> Names(const std::vector<HostTensor*>& tensors) {
  std::vector<std::string> names;
  for (const HostTensor* t : tensors) names.push_back(t->name);
  return names;
}

// Selects ops through entry 33, as a plug-in does.
void Select(HostApi& api, HostSelectedOps& selected, HostSubgraph& sg, const std::vector<OpId>& ops,
            int32_t partition = 0) {
  for (OpId op : ops) {
    ASSERT_EQ(api.table()->add_selected_op(api.Handle(selected), api.Handle(sg.op(op)), partition),
              kZorvelStatusOk);
  }
}

// x -> ADD(x, w) -> a -> MUL(a, a) -> m -> CUSTOM(m) -> u -> ADD(u, a) -> s -> MUL(s, w) -> y
// with w a constant read by the first and the last op.
class PartitionTest : public ::testing::Test {
 protected:
  PartitionTest() : sg(model.AddSubgraph()) {
    x = sg.AddInput("x", F32({1, 4}));
    w = sg.AddConstant<float>("w", {1, 4}, {1, 2, 3, 4});
    a = sg.AddOp(kZorvelOpCodeAdd, {x, w}, "a", F32({1, 4}));
    m = sg.AddOp(kZorvelOpCodeMul, {a, a}, "m", F32({1, 4}));
    u = sg.AddOp(kZorvelOpCodeCustom, {m}, "u", F32({1, 4}));
    s = sg.AddOp(kZorvelOpCodeAdd, {u, a}, "s", F32({1, 4}));
    y = sg.AddOp(kZorvelOpCodeMul, {s, w}, "y", F32({1, 4}));
    sg.op(0).SetOption(63, kZorvelActivationRelu);
    sg.AddOutput(y);
  }

  HostApi api;
  HostModel model;
  HostSubgraph& sg;
  TensorId x, w, a, m, u, s, y;
};

TEST_F(PartitionTest, UnsupportedOpInTheMiddleMakesTwoConnectedPartitions) {
  ModelSelection selection(model);
  Select(api, selection[0], sg, {0, 1, 3, 4});
  PartitionedModel result = FormPartitions(selection);

  ASSERT_EQ(result.partitions.size(), 2u);
  ASSERT_EQ(result.model->num_subgraphs(), 2u);
  const Partition& p0 = result.partitions[0];
  const Partition& p1 = result.partitions[1];
  EXPECT_THAT(p0.source_ops, ElementsAre(0, 1));
  EXPECT_THAT(p1.source_ops, ElementsAre(3, 4));
  EXPECT_THAT(p0.source_inputs, ElementsAre(x));
  // a is read by op 3 outside the first partition, m by the unsupported op.
  EXPECT_THAT(p0.source_outputs, ElementsAre(a, m));
  EXPECT_THAT(p1.source_inputs, ElementsAre(u, a));
  EXPECT_THAT(p1.source_outputs, ElementsAre(y));

  const HostSubgraph& first = result.model->subgraph(0);
  const HostSubgraph& second = result.model->subgraph(1);
  EXPECT_THAT(Names(first.inputs()), ElementsAre("x"));
  EXPECT_THAT(Names(first.outputs()), ElementsAre("a", "m"));
  EXPECT_THAT(Names(second.inputs()), ElementsAre("u", "a"));
  EXPECT_THAT(Names(second.outputs()), ElementsAre("y"));
  ASSERT_EQ(first.num_ops(), 2u);
  ASSERT_EQ(second.num_ops(), 2u);
  EXPECT_EQ(first.op(0).op_code, kZorvelOpCodeAdd);
  EXPECT_EQ(std::get<uint32_t>(*first.op(0).GetOption(63)), uint32_t{kZorvelActivationRelu});
  EXPECT_EQ(second.op(1).op_code, kZorvelOpCodeMul);
  // Boundary inputs have no producer inside the partition; internal tensors keep theirs.
  for (const HostTensor* in : second.inputs()) EXPECT_EQ(in->producer, nullptr);
  EXPECT_EQ(second.op(1).inputs[0]->producer, &second.op(0));
  // Tensor ids are dense and map back to the source.
  for (size_t i = 0; i < second.num_tensors(); ++i) {
    EXPECT_EQ(second.tensor(static_cast<TensorId>(i)).name, sg.tensor(p1.source_tensors[i]).name);
  }
}

TEST_F(PartitionTest, ConstantsKeepTheirSharedBuffer) {
  ModelSelection selection(model);
  Select(api, selection[0], sg, {0, 1, 3, 4});
  PartitionedModel result = FormPartitions(selection);
  ASSERT_EQ(result.partitions.size(), 2u);

  // Read the weights of w in both partitions through the table, as compile does.
  const HostApiTable* t = api.table();
  ZorvelModel compile_model = api.Handle(*result.model);
  std::vector<const void*> data;
  std::vector<int32_t> ids;
  for (uint64_t p = 0; p < 2; ++p) {
    ZorvelSubgraph sub = nullptr;
    ASSERT_EQ(t->get_model_subgraph(compile_model, p, &sub), kZorvelStatusOk);
    ZorvelOp op = nullptr;
    ASSERT_EQ(t->get_subgraph_op(sub, p == 0 ? 0 : 1, &op), kZorvelStatusOk);
    ZorvelTensor constant = nullptr;
    ASSERT_EQ(t->get_op_input(op, 1, &constant), kZorvelStatusOk);
    ZorvelWeights weights = nullptr;
    ASSERT_EQ(t->get_tensor_weights(constant, &weights), kZorvelStatusOk);
    int32_t id = -1;
    ASSERT_EQ(t->get_weights_buffer_id(weights, &id), kZorvelStatusOk);
    const void* bytes = nullptr;
    size_t size = 0;
    ASSERT_EQ(t->get_weights_bytes(weights, &bytes, &size), kZorvelStatusOk);
    EXPECT_EQ(size, 16u);
    ids.push_back(id);
    data.push_back(bytes);
  }
  const HostTensor& source_w = sg.tensor(w);
  EXPECT_THAT(ids, ElementsAre(source_w.weights.buffer_id, source_w.weights.buffer_id));
  EXPECT_EQ(data[0], source_w.weights.buffer->data());
  EXPECT_EQ(data[1], source_w.weights.buffer->data());
  EXPECT_EQ(result.model->buffer(source_w.weights.buffer_id), source_w.weights.buffer);
  // Constants are not partition inputs.
  EXPECT_THAT(Names(result.model->subgraph(0).inputs()), ElementsAre("x"));
}

TEST_F(PartitionTest, RunsSplitWhereSelectionOrPartitionIndexChanges) {
  ModelSelection nothing(model);
  EXPECT_THAT(FormPartitions(nothing).partitions, IsEmpty());

  ModelSelection everything(model);
  Select(api, everything[0], sg, {0, 1, 2, 3, 4});
  PartitionedModel whole = FormPartitions(everything);
  ASSERT_EQ(whole.partitions.size(), 1u);
  EXPECT_THAT(whole.partitions[0].source_inputs, ElementsAre(x));
  EXPECT_THAT(whole.partitions[0].source_outputs, ElementsAre(y));

  ModelSelection two_indices(model);
  Select(api, two_indices[0], sg, {0, 1}, 0);
  Select(api, two_indices[0], sg, {2, 3}, 1);
  PartitionedModel split = FormPartitions(two_indices);
  ASSERT_EQ(split.partitions.size(), 2u);
  EXPECT_EQ(split.partitions[1].partition_index, 1);
  EXPECT_THAT(split.partitions[1].source_ops, ElementsAre(2, 3));
  // s is read by the unselected last op.
  EXPECT_THAT(split.partitions[1].source_outputs, ElementsAre(s));
}

TEST(PartitionSubgraphsTest, PartitionsOfSeveralSubgraphsShareWeights) {
  HostModel model;
  BufferId embed = model.AddBuffer(std::vector<uint8_t>(32, 3));
  for (int i = 0; i < 2; ++i) {
    HostSubgraph& sg = model.AddSubgraph();
    TensorId tokens = sg.AddInput("tokens", TensorType::Ranked(kZorvelElementTypeInt32, {1}));
    TensorId table = sg.AddConstant("embed", F32({2, 4}), embed);
    TensorId e = sg.AddOp(kZorvelOpCodeGather, {table, tokens}, "e", F32({1, 4}));
    TensorId c = sg.AddOp(kZorvelOpCodeCustom, {e}, "c", F32({1, 4}));
    TensorId r = sg.AddOp(kZorvelOpCodeGather, {table, tokens}, "r", F32({1, 4}));
    TensorId o = sg.AddOp(kZorvelOpCodeAdd, {c, r}, "o", F32({1, 4}));
    sg.AddOutput(o);
  }
  HostApi api;
  ModelSelection selection(model);
  for (size_t i = 0; i < 2; ++i) Select(api, selection[i], model.subgraph(i), {0, 2, 3});
  PartitionedModel result = FormPartitions(selection);
  ASSERT_EQ(result.partitions.size(), 4u);
  EXPECT_EQ(result.partitions[2].source_subgraph, 1u);
  EXPECT_THAT(result.partitions[1].source_ops, ElementsAre(2, 3));
  // The constant is not an input; tokens and the unsupported op's result are.
  EXPECT_THAT(result.partitions[1].source_inputs, ElementsAre(0, 3));
  for (size_t p = 0; p < result.partitions.size(); ++p) {
    const HostSubgraph& sub = result.model->subgraph(p);
    const HostTensor& table = sub.tensor(sub.op(0).inputs[0]->index);
    EXPECT_EQ(table.name, "embed");
    EXPECT_EQ(table.weights.buffer_id, embed);
    EXPECT_EQ(table.weights.buffer->data(), model.buffer(embed)->data());
  }
  EXPECT_EQ(result.model->buffers().size(), 1u);
}

}  // namespace
}  // namespace zorvel::host
