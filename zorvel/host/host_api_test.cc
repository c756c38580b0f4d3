#include "zorvel/host/host_api.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::host {
namespace {

using ::testing::ElementsAre;

using ::zorvel::testing::Slot;

bool SlotIsNull(const HostApiTable* table, int entry) {
  return Slot<void*>(table, entry) == nullptr;
}

using ::zorvel::testing::kF32;

// x [1,?,4] f32 and mask (unranked i32) in; w: per-channel constant; b: per-tensor constant
// without a name; y = FULLY_CONNECTED(x, w, b); z = composite(y); r = RESHAPE(z); out: r.
class HostApiTest : public ::testing::Test {
 protected:
  HostApiTest() : sg(model.AddSubgraph()) {
    x = sg.AddInput("x", TensorType::Ranked(kF32, {1, -1, 4}));
    mask = sg.AddInput("mask", TensorType::Unranked(kZorvelElementTypeInt32));
    w = sg.AddConstant("w", TensorType::Ranked(kZorvelElementTypeInt8, {2, 4}),
                       std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8},
                       Quantization::PerChannel(0, {0.5f, 0.25f}, {1, -2}));
    b = sg.AddConstant("", TensorType::Ranked(kF32, {2}), std::vector<uint8_t>(8, 0),
                       Quantization::PerTensor(0.5f, 3));
    y = sg.AddOp(kZorvelOpCodeFullyConnected, {x, w, b}, "y", TensorType::Ranked(kF32, {1, 2}));
    sg.op(0).SetOption(66, 1).SetOption(68, true);
    z = sg.AddTensor("z", TensorType::Ranked(kF32, {1, 2}));
    sg.AddComposite("qvex.rms_norm", {y}, {z}, {0xAA, 0xBB}, 7, 2);
    r = sg.AddOp(kZorvelOpCodeReshape, {z}, "r", TensorType::Ranked(kF32, {2}));
    sg.op(2).SetOption(97, std::vector<int32_t>{1, -1, 64});
    sg.AddOutput(r);
    handle = api.Handle(model);
    t = api.table();
  }

  ZorvelSubgraph Subgraph() {
    ZorvelSubgraph s = nullptr;
    EXPECT_EQ(t->get_model_subgraph(handle, 0, &s), kZorvelStatusOk);
    return s;
  }
  ZorvelOp Op(uint64_t i) {
    ZorvelOp op = nullptr;
    EXPECT_EQ(t->get_subgraph_op(Subgraph(), i, &op), kZorvelStatusOk);
    return op;
  }
  ZorvelTensor OpInput(uint64_t op, uint64_t i) {
    ZorvelTensor tensor = nullptr;
    EXPECT_EQ(t->get_op_input(Op(op), i, &tensor), kZorvelStatusOk);
    return tensor;
  }
  ZorvelTensor Input(uint64_t i) {
    ZorvelTensor tensor = nullptr;
    EXPECT_EQ(t->get_subgraph_input(Subgraph(), i, &tensor), kZorvelStatusOk);
    return tensor;
  }

  HostApi api;
  HostModel model;
  HostSubgraph& sg;
  TensorId x, mask, w, b, y, z, r;
  ZorvelModel handle;
  const HostApiTable* t;
};

TEST_F(HostApiTest, HeaderAndPresentEntries) {
  EXPECT_EQ(t->header.size, sizeof(HostApiTable));
  EXPECT_EQ(t->header.version, ZORVEL_HOST_API_VERSION);
  std::set<int> present;
  for (int k = 1; k <= ZORVEL_HOST_API_NUM_ENTRIES; ++k) {
    if (!SlotIsNull(t, k)) present.insert(k);
  }
  std::set<int> expected = {1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14, 15, 16, 18, 19,
                            20, 21, 22, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37};
  for (const OpOptionEntry& e : OpOptionEntries()) expected.insert(e.entry);
  EXPECT_EQ(present, expected);
  EXPECT_EQ(OpOptionEntries().size(), 74u);
}

TEST_F(HostApiTest, ModelAndSubgraphLists) {
  uint64_t n = 0;
  ASSERT_EQ(t->get_num_model_subgraphs(handle, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 1u);
  ZorvelSubgraph s = nullptr;
  EXPECT_EQ(t->get_model_subgraph(handle, 1, &s), kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(t->get_model_subgraph(handle, 0, nullptr), kZorvelStatusErrorInvalidArgument);
  s = Subgraph();

  ASSERT_EQ(t->get_num_subgraph_ops(s, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 3u);
  ZorvelOp op = nullptr;
  EXPECT_EQ(t->get_subgraph_op(s, 3, &op), kZorvelStatusErrorIndexOutOfRange);
  ASSERT_EQ(t->get_num_subgraph_inputs(s, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 2u);
  ASSERT_EQ(t->get_num_subgraph_outputs(s, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 1u);
  ZorvelTensor out = nullptr;
  ASSERT_EQ(t->get_subgraph_output(s, 0, &out), kZorvelStatusOk);
  const char* name = nullptr;
  ASSERT_EQ(t->get_tensor_name(out, &name), kZorvelStatusOk);
  EXPECT_STREQ(name, "r");
  EXPECT_EQ(t->get_subgraph_output(s, 1, &out), kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(t->get_subgraph_input(s, 2, &out), kZorvelStatusErrorIndexOutOfRange);
  ASSERT_EQ(t->get_subgraph_input(s, 1, &out), kZorvelStatusOk);
  ASSERT_EQ(t->get_tensor_name(out, &name), kZorvelStatusOk);
  EXPECT_STREQ(name, "mask");
}

TEST_F(HostApiTest, OpsAndOperands) {
  ZorvelOpCode code = -1;
  ASSERT_EQ(t->get_op_code(Op(0), &code), kZorvelStatusOk);
  EXPECT_EQ(code, kZorvelOpCodeFullyConnected);
  ASSERT_EQ(t->get_op_code(Op(1), &code), kZorvelStatusOk);
  EXPECT_EQ(code, kZorvelOpCodeStablehloComposite);

  uint64_t n = 0;
  ASSERT_EQ(t->get_num_op_inputs(Op(0), &n), kZorvelStatusOk);
  EXPECT_EQ(n, 3u);
  ASSERT_EQ(t->get_num_op_outputs(Op(0), &n), kZorvelStatusOk);
  EXPECT_EQ(n, 1u);
  std::vector<uint32_t> indices;
  for (uint64_t i = 0; i < 3; ++i) {
    uint32_t index = 0;
    ASSERT_EQ(t->get_tensor_index(OpInput(0, i), &index), kZorvelStatusOk);
    indices.push_back(index);
  }
  EXPECT_THAT(indices, ElementsAre(x, w, b));
  ZorvelTensor tensor = nullptr;
  EXPECT_EQ(t->get_op_input(Op(0), 3, &tensor), kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(t->get_op_output(Op(0), 1, &tensor), kZorvelStatusErrorIndexOutOfRange);
  ASSERT_EQ(t->get_op_output(Op(0), 0, &tensor), kZorvelStatusOk);
  // The output of op 0 is the input of op 1: the same handle either way.
  EXPECT_EQ(tensor, OpInput(1, 0));
}

TEST_F(HostApiTest, TensorTypes) {
  ZorvelRankedTensorType type;
  std::memset(&type, 0x5C, sizeof(type));
  ASSERT_EQ(t->get_ranked_tensor_type(Input(0), &type), kZorvelStatusOk);
  EXPECT_EQ(type.element_type, kF32);
  EXPECT_EQ(ZorvelLayoutRank(&type.layout), 3u);
  EXPECT_EQ(type.layout.rank_and_flags, 3u);
  EXPECT_THAT(type.layout.dimensions, ElementsAre(1, -1, 4, 0, 0, 0, 0, 0));
  EXPECT_THAT(type.layout.strides, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0));

  // Unranked: entry 18 fails, entry 19 answers.
  EXPECT_EQ(t->get_ranked_tensor_type(Input(1), &type), kZorvelStatusErrorInvalidArgument);
  ZorvelElementType element_type = 0;
  ASSERT_EQ(t->get_unranked_tensor_type(Input(1), &element_type), kZorvelStatusOk);
  EXPECT_EQ(element_type, kZorvelElementTypeInt32);
  ASSERT_EQ(t->get_unranked_tensor_type(Input(0), &element_type), kZorvelStatusOk);
  EXPECT_EQ(element_type, kF32);
}

// Records edited by hand past the builder's checks must not make an entry write or hand out more
// than the record holds.
TEST_F(HostApiTest, HandEditedRecordsAreRefused) {
  HostTensor& input = sg.tensor(x);
  input.type.dims.assign(9, 1);
  ZorvelRankedTensorType type;
  EXPECT_EQ(t->get_ranked_tensor_type(Input(0), &type), kZorvelStatusErrorInvalidArgument);
  HostTensor& weights = sg.tensor(w);
  weights.quantization.zero_points.pop_back();
  ZorvelQuantizationPerChannel per_channel{};
  EXPECT_EQ(t->get_per_channel_quantization(OpInput(0, 1), &per_channel),
            kZorvelStatusErrorInvalidArgument);
}

TEST_F(HostApiTest, NamesAndIndices) {
  const char* name = nullptr;
  uint32_t index = 99;
  ZorvelTensor bias = OpInput(0, 2);
  ASSERT_EQ(t->get_tensor_name(bias, &name), kZorvelStatusOk);
  EXPECT_STREQ(name, "");
  ASSERT_EQ(t->get_tensor_index(bias, &index), kZorvelStatusOk);
  EXPECT_EQ(index, b);
}

TEST_F(HostApiTest, Quantization) {
  ZorvelQuantizationTypeId kind = -1;
  ASSERT_EQ(t->get_quantization_type_id(Input(0), &kind), kZorvelStatusOk);
  EXPECT_EQ(kind, kZorvelQuantizationNone);

  ZorvelTensor weights = OpInput(0, 1);
  ASSERT_EQ(t->get_quantization_type_id(weights, &kind), kZorvelStatusOk);
  EXPECT_EQ(kind, kZorvelQuantizationPerChannel);
  ZorvelQuantizationPerChannel per_channel{};
  ASSERT_EQ(t->get_per_channel_quantization(weights, &per_channel), kZorvelStatusOk);
  EXPECT_EQ(per_channel.quantized_dimension, 0);
  ASSERT_EQ(per_channel.num_channels, 2u);
  EXPECT_EQ(per_channel.scales[0], 0.5f);
  EXPECT_EQ(per_channel.scales[1], 0.25f);
  EXPECT_EQ(per_channel.zero_points[0], 1);
  EXPECT_EQ(per_channel.zero_points[1], -2);
  ZorvelQuantizationPerTensor per_tensor{};
  EXPECT_EQ(t->get_per_tensor_quantization(weights, &per_tensor),
            kZorvelStatusErrorInvalidArgument);

  ZorvelTensor bias = OpInput(0, 2);
  ASSERT_EQ(t->get_quantization_type_id(bias, &kind), kZorvelStatusOk);
  EXPECT_EQ(kind, kZorvelQuantizationPerTensor);
  ASSERT_EQ(t->get_per_tensor_quantization(bias, &per_tensor), kZorvelStatusOk);
  EXPECT_EQ(per_tensor.scale, 0.5f);
  EXPECT_EQ(per_tensor.zero_point, 3);
  EXPECT_EQ(t->get_per_channel_quantization(bias, &per_channel), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_per_tensor_quantization(Input(0), &per_tensor),
            kZorvelStatusErrorInvalidArgument);
}

TEST_F(HostApiTest, ProducersAndWeights) {
  bool produced = true;
  ZorvelTensorDefiningOp defining{};
  ASSERT_EQ(t->get_tensor_defining_op(Input(0), &produced, &defining), kZorvelStatusOk);
  EXPECT_FALSE(produced);
  ZorvelTensor fc_out = OpInput(1, 0);
  ASSERT_EQ(t->get_tensor_defining_op(fc_out, &produced, &defining), kZorvelStatusOk);
  EXPECT_TRUE(produced);
  EXPECT_EQ(defining.op, Op(0));
  EXPECT_EQ(defining.op_output_index, 0);
  // The record may be left out.
  EXPECT_EQ(t->get_tensor_defining_op(fc_out, &produced, nullptr), kZorvelStatusOk);

  // A constant: its own buffer id and the model's bytes, not a copy.
  ZorvelWeights weights = nullptr;
  ASSERT_EQ(t->get_tensor_weights(OpInput(0, 1), &weights), kZorvelStatusOk);
  int32_t id = -5;
  ASSERT_EQ(t->get_weights_buffer_id(weights, &id), kZorvelStatusOk);
  EXPECT_EQ(id, sg.tensor(w).weights.buffer_id);
  EXPECT_GE(id, 0);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(t->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
  EXPECT_EQ(data, model.buffer(id)->data());
  ASSERT_EQ(size, 8u);
  EXPECT_EQ(static_cast<const uint8_t*>(data)[7], 8);

  // Not a constant: weights exist but are empty and have no buffer.
  ASSERT_EQ(t->get_tensor_weights(Input(0), &weights), kZorvelStatusOk);
  ASSERT_EQ(t->get_weights_buffer_id(weights, &id), kZorvelStatusOk);
  EXPECT_EQ(id, -1);
  ASSERT_EQ(t->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
}

// Some hosts list constants and op results among a subgraph's inputs; entries 25, 26 and 28 tell
// them apart from true inputs.
TEST_F(HostApiTest, InputsThatAreConstantsOrProduced) {
  sg.MarkInput(w);
  sg.MarkInput(y);
  uint64_t n = 0;
  ASSERT_EQ(t->get_num_subgraph_inputs(Subgraph(), &n), kZorvelStatusOk);
  ASSERT_EQ(n, 4u);
  bool produced = false;
  ASSERT_EQ(t->get_tensor_defining_op(Input(3), &produced, nullptr), kZorvelStatusOk);
  EXPECT_TRUE(produced);
  ASSERT_EQ(t->get_tensor_defining_op(Input(2), &produced, nullptr), kZorvelStatusOk);
  EXPECT_FALSE(produced);
  ZorvelWeights weights = nullptr;
  ASSERT_EQ(t->get_tensor_weights(Input(2), &weights), kZorvelStatusOk);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(t->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
  EXPECT_EQ(size, 8u);
}

TEST_F(HostApiTest, ConstantWithoutBufferIdReportsNegativeId) {
  TensorId c =
      sg.AddConstantWithoutBufferId("c", TensorType::Ranked(kF32, {1}), std::vector<uint8_t>(4, 1));
  ZorvelWeights weights = nullptr;
  ASSERT_EQ(t->get_tensor_weights(api.Handle(sg.tensor(c)), &weights), kZorvelStatusOk);
  int32_t id = 0;
  ASSERT_EQ(t->get_weights_buffer_id(weights, &id), kZorvelStatusOk);
  EXPECT_LT(id, 0);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(t->get_weights_bytes(weights, &data, &size), kZorvelStatusOk);
  EXPECT_EQ(size, 4u);
}

TEST_F(HostApiTest, CompositeFields) {
  ZorvelOp composite = Op(1);
  const char* name = nullptr;
  ASSERT_EQ(t->get_composite_op_name(composite, &name), kZorvelStatusOk);
  EXPECT_STREQ(name, "qvex.rms_norm");
  int32_t value = 0;
  ASSERT_EQ(t->get_composite_op_decomposition_subgraph_index(composite, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 7);
  ASSERT_EQ(t->get_composite_op_version(composite, &value), kZorvelStatusOk);
  EXPECT_EQ(value, 2);
  const uint8_t* attributes = nullptr;
  int32_t size = 0;
  ASSERT_EQ(t->get_composite_op_attributes(composite, &attributes, &size), kZorvelStatusOk);
  ASSERT_EQ(size, 2);
  EXPECT_EQ(attributes[0], 0xAA);
  EXPECT_EQ(attributes[1], 0xBB);

  // Not a composite: every composite entry refuses.
  ZorvelOp fc = Op(0);
  EXPECT_EQ(t->get_composite_op_name(fc, &name), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_composite_op_version(fc, &value), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_composite_op_decomposition_subgraph_index(fc, &value),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_composite_op_attributes(fc, &attributes, &size),
            kZorvelStatusErrorInvalidArgument);
}

TEST_F(HostApiTest, CompositeWithoutAttributes) {
  TensorId out = sg.AddTensor("o", TensorType::Ranked(kF32, {1}));
  HostOp& op = sg.AddComposite("other", {x}, {out});
  const uint8_t* attributes = reinterpret_cast<const uint8_t*>(1);
  int32_t size = -1;
  ASSERT_EQ(t->get_composite_op_attributes(api.Handle(op), &attributes, &size), kZorvelStatusOk);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(attributes, nullptr);
}

TEST_F(HostApiTest, PerOpOptionsOfEachKind) {
  ZorvelOp fc = Op(0);
  uint32_t activation = 0;
  ASSERT_EQ(t->get_fully_connected_fused_activation_option(fc, &activation), kZorvelStatusOk);
  EXPECT_EQ(activation, 1u);
  bool keep = false;
  ASSERT_EQ(t->get_fully_connected_keep_num_dims_option(fc, &keep), kZorvelStatusOk);
  EXPECT_TRUE(keep);
  uint32_t format = 9;
  ASSERT_EQ(t->get_fully_connected_weights_format_option(fc, &format), kZorvelStatusOk);
  EXPECT_EQ(format, 0u);  // not set: the default

  // An option of another op code is refused.
  int32_t stride = 0;
  EXPECT_EQ(t->get_conv2d_stride_w_option(fc, &stride), kZorvelStatusErrorInvalidArgument);

  TensorId out = sg.AddTensor("c", TensorType::Ranked(kF32, {1}));
  HostOp& conv = sg.AddOp(kZorvelOpCodeConv2d, {x, w}, {out});
  conv.SetOption(47, 2).SetOption(46, kZorvelPaddingValid);
  ZorvelOp c = api.Handle(conv);
  ASSERT_EQ(t->get_conv2d_stride_w_option(c, &stride), kZorvelStatusOk);
  EXPECT_EQ(stride, 2);
  ASSERT_EQ(t->get_conv2d_stride_h_option(c, &stride), kZorvelStatusOk);
  EXPECT_EQ(stride, 0);
  int32_t dilation = 0;
  ASSERT_EQ(t->get_conv2d_dilation_h_factor_option(c, &dilation), kZorvelStatusOk);
  EXPECT_EQ(dilation, 1);
  uint32_t padding = 0;
  ASSERT_EQ(t->get_conv2d_padding_option(c, &padding), kZorvelStatusOk);
  EXPECT_EQ(padding, 1u);

  TensorId out2 = sg.AddTensor("s", TensorType::Ranked(kF32, {1}));
  HostOp& softmax = sg.AddOp(kZorvelOpCodeSoftmax, {x}, {out2});
  softmax.SetOption(71, 0.75f);
  float beta = 0;
  ASSERT_EQ(t->get_softmax_beta_option(api.Handle(softmax), &beta), kZorvelStatusOk);
  EXPECT_EQ(beta, 0.75f);
}

TEST_F(HostApiTest, ReshapeNewShapeVector) {
  const int32_t* shape = nullptr;
  int32_t count = 0;
  ASSERT_EQ(t->get_reshape_new_shape_option(Op(2), &shape, &count), kZorvelStatusOk);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(shape[0], 1);
  EXPECT_EQ(shape[1], -1);
  EXPECT_EQ(shape[2], 64);

  // Unset: no pointer and no count.
  TensorId out = sg.AddTensor("r2", TensorType::Ranked(kF32, {2}));
  HostOp& reshape = sg.AddOp(kZorvelOpCodeReshape, {z}, {out});
  shape = reinterpret_cast<const int32_t*>(1);
  count = -1;
  ASSERT_EQ(t->get_reshape_new_shape_option(api.Handle(reshape), &shape, &count), kZorvelStatusOk);
  EXPECT_EQ(shape, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(t->get_reshape_new_shape_option(Op(0), &shape, &count),
            kZorvelStatusErrorInvalidArgument);
}

// Every per-op option slot answers for its op code with the kind it is declared with.
TEST_F(HostApiTest, EveryOptionSlotIsWiredToItsEntry) {
  for (const OpOptionEntry& e : OpOptionEntries()) {
    SCOPED_TRACE(e.entry);
    TensorId out = sg.AddTensor("", TensorType::Ranked(kF32, {1}));
    HostOp& op = sg.AddOp(e.op_code, {x}, {out});
    ZorvelOp h = api.Handle(op);
    switch (e.kind) {
      case OpOptionKind::kActivation:
      case OpOptionKind::kPadding:
      case OpOptionKind::kEnum: {
        op.SetOption(e.entry, uint32_t{3});
        uint32_t v = 0;
        ASSERT_EQ(Slot<ZorvelGetEnumOptionFn>(t, e.entry)(h, &v), kZorvelStatusOk);
        EXPECT_EQ(v, 3u);
        break;
      }
      case OpOptionKind::kInt: {
        op.SetOption(e.entry, int32_t{-7});
        int32_t v = 0;
        ASSERT_EQ(Slot<ZorvelGetIntOptionFn>(t, e.entry)(h, &v), kZorvelStatusOk);
        EXPECT_EQ(v, -7);
        break;
      }
      case OpOptionKind::kFlag: {
        op.SetOption(e.entry, true);
        bool v = false;
        ASSERT_EQ(Slot<ZorvelGetFlagOptionFn>(t, e.entry)(h, &v), kZorvelStatusOk);
        EXPECT_TRUE(v);
        break;
      }
      case OpOptionKind::kReal: {
        op.SetOption(e.entry, 2.5f);
        float v = 0;
        ASSERT_EQ(Slot<ZorvelGetRealOptionFn>(t, e.entry)(h, &v), kZorvelStatusOk);
        EXPECT_EQ(v, 2.5f);
        break;
      }
      case OpOptionKind::kIntVector:
        EXPECT_EQ(e.entry, 97);
        break;
    }
    // Op 0 (FULLY_CONNECTED) answers only its own entries.
    if (e.op_code != kZorvelOpCodeFullyConnected && e.kind == OpOptionKind::kInt) {
      int32_t v = 0;
      EXPECT_EQ(Slot<ZorvelGetIntOptionFn>(t, e.entry)(Op(0), &v),
                kZorvelStatusErrorInvalidArgument);
    }
  }
}

TEST_F(HostApiTest, SelectedOps) {
  HostSelectedOps selected(sg);
  ZorvelSelectedOps s = api.Handle(selected);
  EXPECT_EQ(t->add_selected_op(s, Op(2), 0), kZorvelStatusOk);
  EXPECT_EQ(t->add_selected_op(s, Op(0), 0), kZorvelStatusOk);
  EXPECT_EQ(t->add_selected_op(s, Op(0), 0), kZorvelStatusErrorInvalidArgument);  // twice
  EXPECT_EQ(t->add_selected_op(s, Op(1), -1), kZorvelStatusErrorInvalidArgument);
  HostModel other;
  HostSubgraph& other_sg = other.AddSubgraph();
  TensorId in = other_sg.AddInput("i", TensorType::Ranked(kF32, {1}));
  HostOp& foreign = other_sg.AddOp(kZorvelOpCodeAbs, {in}, {other_sg.AddTensor("o", {})});
  EXPECT_EQ(t->add_selected_op(s, api.Handle(foreign), 0), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(selected.selections().size(), 2u);
  EXPECT_EQ(selected.selections()[0].op, 2u);
  EXPECT_EQ(selected.selections()[1].op, 0u);
  EXPECT_EQ(selected.PartitionOf(1), -1);
}

int deleted_payloads = 0;

TEST_F(HostApiTest, OpaqueOptions) {
  deleted_payloads = 0;
  {
    HostOptions options;
    options.SetOpaque("other_vendor", "x = 1\n")
        .SetOpaque("intel_openvino", "performance_mode = 1");
    ZorvelOpaqueOptions opaque = nullptr;
    ASSERT_EQ(t->get_opaque_options(api.Handle(options), &opaque), kZorvelStatusOk);
    void* payload = nullptr;
    ASSERT_EQ(t->find_opaque_options_data(opaque, "intel_openvino", &payload), kZorvelStatusOk);
    EXPECT_STREQ(static_cast<const char*>(payload), "performance_mode = 1");
    EXPECT_EQ(t->find_opaque_options_data(opaque, "intel", &payload), kZorvelStatusErrorNotFound);
    EXPECT_EQ(t->find_opaque_options_data(opaque, nullptr, &payload),
              kZorvelStatusErrorInvalidArgument);

    // Entry 36 hands a payload over with its deleter; a replaced payload is freed at once.
    static char first[] = "a = 1";
    static char second[] = "a = 2";
    auto count = [](void*) { ++deleted_payloads; };
    ASSERT_EQ(t->append_opaque_options(opaque, "mine", first, count), kZorvelStatusOk);
    ASSERT_EQ(t->append_opaque_options(opaque, "mine", second, count), kZorvelStatusOk);
    EXPECT_EQ(deleted_payloads, 1);
    ASSERT_EQ(t->find_opaque_options_data(opaque, "mine", &payload), kZorvelStatusOk);
    EXPECT_EQ(payload, second);
    EXPECT_EQ(options.opaque().size(), 3u);
  }
  EXPECT_EQ(deleted_payloads, 2);
}

TEST_F(HostApiTest, EnvironmentOptions) {
  HostEnvironment env;
  env.SetLogLevel(-1).SetString(3, "text");
  ZorvelEnvironment e = api.Handle(env);
  ZorvelAny value{};
  ASSERT_EQ(t->get_environment_option(e, kZorvelEnvOptionTagLogLevel, &value), kZorvelStatusOk);
  EXPECT_EQ(value.type, kZorvelAnyTypeInt);
  EXPECT_EQ(value.type, 2);
  EXPECT_EQ(value.int_value, -1);
  ASSERT_EQ(t->get_environment_option(e, 3, &value), kZorvelStatusOk);
  EXPECT_EQ(value.type, kZorvelAnyTypeString);
  EXPECT_STREQ(value.str_value, "text");
  EXPECT_EQ(t->get_environment_option(e, 26, &value), kZorvelStatusErrorNotFound);
}

TEST_F(HostApiTest, BadHandlesAndOutPointers) {
  uint64_t n = 0;
  EXPECT_EQ(t->get_num_model_subgraphs(nullptr, &n), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_num_model_subgraphs(handle, nullptr), kZorvelStatusErrorInvalidArgument);
  // A tensor handle where an op is expected, an op where a subgraph is expected.
  ZorvelOpCode code = 0;
  EXPECT_EQ(t->get_op_code(reinterpret_cast<ZorvelOp>(Input(0)), &code),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_num_subgraph_ops(reinterpret_cast<ZorvelSubgraph>(Op(0)), &n),
            kZorvelStatusErrorInvalidArgument);
  bool produced = false;
  EXPECT_EQ(t->get_tensor_defining_op(Input(0), nullptr, nullptr),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(t->get_tensor_defining_op(nullptr, &produced, nullptr),
            kZorvelStatusErrorInvalidArgument);
  const void* data = nullptr;
  EXPECT_EQ(t->get_weights_bytes(nullptr, &data, nullptr), kZorvelStatusErrorInvalidArgument);
}

TEST_F(HostApiTest, AbsentEntries) {
  api.RemoveEntry(18);
  api.RemoveEntry(97);
  EXPECT_EQ(t->get_ranked_tensor_type, nullptr);
  EXPECT_EQ(t->get_reshape_new_shape_option, nullptr);
  EXPECT_TRUE(SlotIsNull(t, 18));
  EXPECT_NE(HostApi::FullTable().get_ranked_tensor_type, nullptr);  // other tables keep theirs
  api.RestoreEntry(18);
  ASSERT_NE(t->get_ranked_tensor_type, nullptr);
  ZorvelRankedTensorType type;
  EXPECT_EQ(t->get_ranked_tensor_type(Input(0), &type), kZorvelStatusOk);
  api.RestoreAllEntries();
  EXPECT_NE(t->get_reshape_new_shape_option, nullptr);
}

TEST_F(HostApiTest, ChosenStatus) {
  ZorvelSubgraph s = Subgraph();
  api.FailEntry(4, 77, /*succeed_first=*/1);
  ZorvelOp op = nullptr;
  EXPECT_EQ(t->get_subgraph_op(s, 0, &op), kZorvelStatusOk);
  op = nullptr;
  EXPECT_EQ(t->get_subgraph_op(s, 1, &op), 77);
  EXPECT_EQ(op, nullptr);  // a failing entry writes nothing
  EXPECT_EQ(t->get_subgraph_op(s, 1, &op), 77);
  EXPECT_EQ(api.CallCount(4), 3u);
  api.FailEntry(4, kZorvelStatusOk);
  EXPECT_EQ(t->get_subgraph_op(s, 1, &op), kZorvelStatusOk);

  // Only one call fails: the second from now.
  api.FailEntry(4, 78, /*succeed_first=*/1, /*fail_calls=*/1);
  EXPECT_EQ(t->get_subgraph_op(s, 0, &op), kZorvelStatusOk);
  EXPECT_EQ(t->get_subgraph_op(s, 0, &op), 78);
  EXPECT_EQ(t->get_subgraph_op(s, 0, &op), kZorvelStatusOk);
  EXPECT_EQ(t->get_subgraph_op(s, 0, &op), kZorvelStatusOk);
  api.ClearFailures();

  // Per-op option entries fail the same way.
  api.FailEntry(66, 1234);
  uint32_t activation = 0;
  EXPECT_EQ(t->get_fully_connected_fused_activation_option(Op(0), &activation), 1234);
  api.ClearFailures();
  EXPECT_EQ(t->get_fully_connected_fused_activation_option(Op(0), &activation), kZorvelStatusOk);

  // Entries on options, environment and selections too.
  HostEnvironment env;
  env.SetLogLevel(0);
  api.FailEntry(37, 9);
  ZorvelAny value{};
  EXPECT_EQ(t->get_environment_option(api.Handle(env), 25, &value), 9);
  HostSelectedOps selected(sg);
  api.FailEntry(33, 8);
  EXPECT_EQ(t->add_selected_op(api.Handle(selected), Op(0), 0), 8);
  EXPECT_TRUE(selected.selections().empty());
}

TEST_F(HostApiTest, CallTraceKeepsTheOrderOfCalls) {
  ZorvelSubgraph s = Subgraph();  // before the trace starts
  api.StartCallTrace();
  uint64_t n = 0;
  ZorvelOp op = nullptr;
  ZorvelOpCode code = 0;
  ASSERT_EQ(t->get_num_subgraph_ops(s, &n), kZorvelStatusOk);
  ASSERT_EQ(t->get_subgraph_op(s, 0, &op), kZorvelStatusOk);
  ASSERT_EQ(t->get_op_code(op, &code), kZorvelStatusOk);
  api.FailEntry(11, 5);
  EXPECT_EQ(t->get_num_op_inputs(op, &n), 5);  // failed calls are traced too
  EXPECT_THAT(api.TakeCallTrace(), ElementsAre(3, 4, 9, 11));
  ASSERT_EQ(t->get_op_code(op, &code), kZorvelStatusOk);
  EXPECT_THAT(api.TakeCallTrace(), ElementsAre(9));
}

TEST(HostApiInstancesTest, FaultsStayWithTheirInstance) {
  HostApi first, second;
  HostModel model_a, model_b;
  for (HostModel* m : {&model_a, &model_b}) m->AddSubgraph();
  ZorvelModel a = first.Handle(model_a);
  ZorvelModel b = second.Handle(model_b);
  first.FailEntry(1, 42);
  second.RemoveEntry(2);
  uint64_t n = 0;
  EXPECT_EQ(first.table()->get_num_model_subgraphs(a, &n), 42);
  EXPECT_EQ(second.table()->get_num_model_subgraphs(b, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 1u);
  EXPECT_NE(first.table()->get_model_subgraph, nullptr);
  EXPECT_EQ(second.table()->get_model_subgraph, nullptr);
  EXPECT_EQ(first.CallCount(1), 1u);
  EXPECT_EQ(second.CallCount(1), 1u);
}

}  // namespace
}  // namespace zorvel::host
