#include "zorvel/host/host_model.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "gtest/gtest.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::host {
namespace {

using ::zorvel::testing::kF32;

TEST(HostModelTest, WeightsAreSharedByBufferIdAcrossSubgraphs) {
  HostModel model;
  BufferId shared = model.AddBuffer(std::vector<uint8_t>(64, 7));
  HostSubgraph& prefill = model.AddSubgraph();
  HostSubgraph& decode = model.AddSubgraph();
  TensorType type = TensorType::Ranked(kF32, {4, 4});
  TensorId a = prefill.AddConstant("embed", type, shared);
  TensorId b = decode.AddConstant("embed", type, shared);
  TensorId own = decode.AddConstant<float>("own", {2}, {1.0f, 2.0f});

  HostApi api;
  const HostApiTable* t = api.table();
  auto bytes_of = [&](HostTensor& tensor, int32_t* id) {
    ZorvelWeights weights = nullptr;
    EXPECT_EQ(t->get_tensor_weights(api.Handle(tensor), &weights), kZorvelStatusOk);
    EXPECT_EQ(t->get_weights_buffer_id(weights, id), kZorvelStatusOk);
    const void* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(t->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
    return data;
  };
  int32_t id_a = -1, id_b = -1, id_own = -1;
  const void* data_a = bytes_of(prefill.tensor(a), &id_a);
  const void* data_b = bytes_of(decode.tensor(b), &id_b);
  const void* data_own = bytes_of(decode.tensor(own), &id_own);
  EXPECT_EQ(id_a, shared);
  EXPECT_EQ(id_b, shared);
  EXPECT_EQ(data_a, data_b);  // one buffer, no copy
  EXPECT_NE(id_own, shared);
  EXPECT_NE(data_own, data_a);
  EXPECT_EQ(static_cast<const float*>(data_own)[1], 2.0f);
  EXPECT_EQ(model.buffers().size(), 2u);
}

TEST(HostModelTest, BuffersAreAlignedAndCanViewForeignMemory) {
  auto owned = HostBuffer::Own(std::vector<uint8_t>(3, 1));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(owned->data()) % 64, 0u);
  EXPECT_EQ(owned->size(), 3u);

  auto storage = std::make_shared<std::vector<uint8_t>>(16, 9);
  auto view = HostBuffer::View(storage->data(), storage->size(), storage);
  EXPECT_EQ(view->data(), storage->data());
  std::weak_ptr<std::vector<uint8_t>> weak = storage;
  storage.reset();
  EXPECT_FALSE(weak.expired());  // the view keeps its memory alive
  view.reset();
  EXPECT_TRUE(weak.expired());
}

TEST(HostModelTest, BufferIds) {
  HostModel model;
  model.AddBufferWithId(5, HostBuffer::Own({1}));
  EXPECT_EQ(model.AddBuffer(std::vector<uint8_t>{2}), 6);
  auto buffer = model.buffer(5);
  model.AddBufferWithId(5, buffer);  // the same buffer again: nothing changes
  EXPECT_THROW(model.AddBufferWithId(5, HostBuffer::Own({1})), std::invalid_argument);
  EXPECT_THROW(model.AddBufferWithId(-1, HostBuffer::Own({1})), std::invalid_argument);
  EXPECT_EQ(model.buffer(4), nullptr);
  HostSubgraph& sg = model.AddSubgraph();
  EXPECT_THROW(sg.AddConstant("c", TensorType::Ranked(kF32, {1}), BufferId{4}),
               std::invalid_argument);
}

TEST(HostModelTest, BuilderRejectsMisuse) {
  HostModel model;
  HostSubgraph& sg = model.AddSubgraph();
  TensorId x = sg.AddInput("x", TensorType::Ranked(kF32, {1}));
  TensorId c = sg.AddConstant<float>("c", {1}, {1.0f});
  TensorId y = sg.AddOp(kZorvelOpCodeAbs, {x}, "y", TensorType::Ranked(kF32, {1}));

  EXPECT_THROW(TensorType::Ranked(kF32, std::vector<int32_t>(9, 1)), std::invalid_argument);
  EXPECT_THROW(TensorType::Ranked(kF32, {-2}), std::invalid_argument);
  EXPECT_THROW(sg.AddOp(kZorvelOpCodeAbs, {x}, {y}), std::invalid_argument);  // y has a producer
  EXPECT_THROW(sg.AddOp(kZorvelOpCodeAbs, {x}, {c}), std::invalid_argument);  // constant output
  EXPECT_THROW(sg.AddOp(kZorvelOpCodeAbs, {x}, {x}), std::invalid_argument);  // reads its output
  EXPECT_THROW(sg.AddOp(kZorvelOpCodeAbs, {99}, {}), std::invalid_argument);
  EXPECT_THROW(sg.MarkInput(x), std::invalid_argument);  // already an input
  EXPECT_THROW(Quantization::PerChannel(0, {1.0f}, {}), std::invalid_argument);
  EXPECT_THROW(
      sg.AddTensor("q", TensorType::Ranked(kF32, {4}), Quantization::PerChannel(1, {1.0f}, {0})),
      std::invalid_argument);

  HostOp& op = sg.op(0);
  EXPECT_THROW(op.SetOption(47, 1), std::invalid_argument);  // CONV_2D's entry on ABS
  EXPECT_THROW(op.SetOption(10, 1), std::invalid_argument);  // not an option entry
  HostOp& conv = sg.AddOp(kZorvelOpCodeConv2d, {x}, {sg.AddTensor("z", {})});
  EXPECT_THROW(conv.SetOption(47, true), std::invalid_argument);  // integer entry
  EXPECT_THROW(conv.SetOption(46, -1), std::invalid_argument);    // negative enumeration
  conv.SetOption(46, 1);                                          // int accepted for an enum
  EXPECT_EQ(std::get<uint32_t>(*conv.GetOption(46)), 1u);
  EXPECT_EQ(std::get<int32_t>(*conv.GetOption(50)), 1);  // dilation default
  EXPECT_EQ(conv.GetOption(66), nullptr);
}

TEST(HostModelTest, ConsumersAndProducers) {
  HostModel model;
  HostSubgraph& sg = model.AddSubgraph();
  TensorId x = sg.AddInput("x", TensorType::Ranked(kF32, {1}));
  TensorId a = sg.AddOp(kZorvelOpCodeAbs, {x}, "a", TensorType::Ranked(kF32, {1}));
  TensorId b = sg.AddOp(kZorvelOpCodeAdd, {a, a}, "b", TensorType::Ranked(kF32, {1}));
  sg.AddOp(kZorvelOpCodeMul, {a, b}, "c", TensorType::Ranked(kF32, {1}));
  auto consumers = sg.Consumers(a);
  ASSERT_EQ(consumers.size(), 2u);
  EXPECT_EQ(consumers[0]->index, 1u);
  EXPECT_EQ(consumers[1]->index, 2u);
  EXPECT_EQ(sg.tensor(b).producer, &sg.op(1));
  EXPECT_EQ(sg.tensor(b).producer_output_index, 0);
  EXPECT_EQ(sg.tensor(x).producer, nullptr);
}

TEST(HostModelTest, EnvironmentValuesReplaceEachOther) {
  HostEnvironment env;
  env.SetString(1, "a").SetInt(1, 4);
  ASSERT_TRUE(env.Get(1).has_value());
  EXPECT_EQ(env.Get(1)->type, kZorvelAnyTypeInt);
  EXPECT_EQ(env.Get(1)->int_value, 4);
  env.SetReal(2, 0.5).SetBool(3, true);
  EXPECT_EQ(env.Get(2)->real_value, 0.5);
  EXPECT_TRUE(env.Get(3)->bool_value);
  EXPECT_FALSE(env.Get(4).has_value());
}

}  // namespace
}  // namespace zorvel::host
