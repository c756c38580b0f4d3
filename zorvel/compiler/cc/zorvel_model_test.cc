#include "zorvel/compiler/cc/zorvel_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "flatbuffers/flexbuffers.h"
#include "logging/zorvel_logging.h"
#include "zorvel/compiler/cc/zorvel_op_options.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"

namespace zorvel {
namespace {

using host::HostApi;
using host::HostModel;
using host::HostSubgraph;
using host::Quantization;
using host::TensorId;
using host::TensorType;
using ::testing::ElementsAre;
using ::testing::StartsWith;

// x (input) and w (constant, per-channel quantized) feed FULLY_CONNECTED -> y; y and an unnamed,
// unranked tensor u feed ADD -> z (output). A second subgraph reads w's buffer as well.
class ModelWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StatusIsFailure(kZorvelStatusOk);
    HostSubgraph& sg = model_.AddSubgraph();
    x_ = sg.AddInput("x", TensorType::Ranked(kZorvelElementTypeFloat32, {1, -1, 4}),
                     Quantization::PerTensor(0.5f, 3));
    u_ = sg.AddInput("", TensorType::Unranked(kZorvelElementTypeInt8));
    w_ = sg.AddConstant<float>("w", {2, 2}, {1.0f, 2.0f, 3.0f, 4.0f},
                               Quantization::PerChannel(0, {0.25f, 0.5f}, {1, -2}));
    y_ = sg.AddOp(kZorvelOpCodeFullyConnected, {x_, w_}, "y",
                  TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4}));
    z_ = sg.AddOp(kZorvelOpCodeAdd, {y_, u_}, "z",
                  TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4}));
    sg.AddOutput(z_);
    HostSubgraph& second = model_.AddSubgraph();
    const TensorId shared =
        second.AddConstant("w_again", TensorType::Ranked(kZorvelElementTypeFloat32, {2, 2}),
                           sg.tensor(w_).weights.buffer_id);
    second.AddOutput(shared);

    model_handle_ = api_.Handle(model_);
  }
  void TearDown() override {
    StatusIsFailure(kZorvelStatusOk);
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  HostSubgraph& sg() { return model_.subgraph(0); }
  Model model() { return Model(api_.table(), model_handle_); }
  Subgraph subgraph() { return model().SubgraphAt(0).Value(); }
  Tensor tensor(TensorId id) { return Tensor(api_.table(), api_.Handle(sg().tensor(id))); }
  Op op(host::OpId id) { return Op(api_.table(), api_.Handle(sg().op(id))); }

  HostModel model_;
  HostApi api_;
  ZorvelModel model_handle_ = nullptr;
  TensorId x_ = 0, u_ = 0, w_ = 0, y_ = 0, z_ = 0;
};

TEST_F(ModelWrapperTest, ListsComeAsTableHandlePairsInIndexOrder) {
  ASSERT_EQ(model().NumSubgraphs(), 2u);
  const Subgraph s = subgraph();
  EXPECT_EQ(s.Api(), api_.table());
  EXPECT_EQ(s.Get(), api_.Handle(sg()));

  EXPECT_THAT(s.Inputs(), ElementsAre(tensor(x_), tensor(u_)));
  EXPECT_THAT(s.Outputs(), ElementsAre(tensor(z_)));
  EXPECT_THAT(s.Ops(), ElementsAre(op(0), op(1)));
  EXPECT_EQ(s.NumOps(), 2u);
  EXPECT_EQ(s.OpAt(1), op(1));

  const Op fc = s.Ops()[0];
  EXPECT_EQ(fc.Code(), kZorvelOpCodeFullyConnected);
  EXPECT_THAT(fc.Inputs(), ElementsAre(tensor(x_), tensor(w_)));
  EXPECT_THAT(fc.Outputs(), ElementsAre(tensor(y_)));
  EXPECT_EQ(fc.InputAt(1), tensor(w_));
}

TEST_F(ModelWrapperTest, TensorReads) {
  const Tensor x = tensor(x_);
  EXPECT_EQ(x.Name(), "x");
  EXPECT_EQ(x.TensorIndex(), x_);
  const Expected<ZorvelRankedTensorType> type = x.RankedTensorType();
  ASSERT_TRUE(type.HasValue());
  EXPECT_EQ(type->element_type, kZorvelElementTypeFloat32);
  ASSERT_EQ(ZorvelLayoutRank(&type->layout), 3u);
  EXPECT_EQ(type->layout.dimensions[0], 1);
  EXPECT_EQ(type->layout.dimensions[1], -1);
  EXPECT_EQ(type->layout.dimensions[2], 4);
  EXPECT_FALSE(x.HasDefiningOp());
  EXPECT_TRUE(tensor(y_).HasDefiningOp());

  const Tensor u = tensor(u_);
  EXPECT_EQ(u.Name(), "");
  EXPECT_EQ(u.TensorIndex(), u_);
  EXPECT_EQ(u.UnrankedElementType().Value(), kZorvelElementTypeInt8);
  // The host refuses a ranked type for an unranked tensor; its status comes through.
  const Expected<ZorvelRankedTensorType> unranked = u.RankedTensorType();
  ASSERT_FALSE(unranked.HasValue());
  EXPECT_EQ(unranked.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_THAT(unranked.GetError().Message(), StartsWith("ERROR: ["));
}

TEST_F(ModelWrapperTest, QuantizationReads) {
  const Tensor x = tensor(x_);
  EXPECT_EQ(x.QuantizationTypeId(), kZorvelQuantizationPerTensor);
  const ZorvelQuantizationPerTensor per_tensor = x.PerTensorQuantization();
  EXPECT_EQ(per_tensor.scale, 0.5f);
  EXPECT_EQ(per_tensor.zero_point, 3);

  const Tensor w = tensor(w_);
  EXPECT_EQ(w.QuantizationTypeId(), kZorvelQuantizationPerChannel);
  const PerChannelQuantization per_channel = w.PerChannel();
  EXPECT_EQ(per_channel.quantized_dimension, 0);
  EXPECT_EQ(per_channel.num_channels, 2u);
  EXPECT_THAT(per_channel.scales, ElementsAre(0.25f, 0.5f));
  EXPECT_THAT(per_channel.zero_points, ElementsAre(1, -2));
  EXPECT_EQ(tensor(y_).QuantizationTypeId(), kZorvelQuantizationNone);
}

TEST_F(ModelWrapperTest, WeightsAreTheHostsBytesSharedByBufferId) {
  const Tensor w = tensor(w_);
  ASSERT_TRUE(w.IsConstant());
  const Weights weights = w.GetWeights();
  const absl::Span<const uint8_t> bytes = weights.Bytes();
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes.data(), sg().tensor(w_).weights.buffer->data());
  const float expected[4] = {1.0f, 2.0f, 3.0f, 4.0f};
  EXPECT_EQ(std::memcmp(bytes.data(), expected, sizeof(expected)), 0);
  EXPECT_EQ(weights.BufferId(), sg().tensor(w_).weights.buffer_id);
  EXPECT_GE(weights.BufferId(), 0);

  const Subgraph second = model().SubgraphAt(1).Value();
  const Weights shared = second.Outputs().at(0).GetWeights();
  EXPECT_EQ(shared.BufferId(), weights.BufferId());
  EXPECT_EQ(shared.Bytes().data(), bytes.data());

  EXPECT_FALSE(tensor(x_).IsConstant());
  EXPECT_TRUE(tensor(x_).GetWeights().Bytes().empty());
  EXPECT_EQ(Weights().BufferId(), -1);
  EXPECT_TRUE(Weights().Bytes().empty());
}

// Runs `read` and returns the HostReadError it throws; fails the test when it throws none.
template <typename Read>
HostReadError ExpectHostReadError(Read read) {
  try {
    read();
  } catch (const HostReadError& error) {
    return error;
  }
  ADD_FAILURE() << "no HostReadError";
  return HostReadError(0, "");
}

TEST_F(ModelWrapperTest, AbsentGuardedEntryIsStatusSixNamingTheEntry) {
  const Subgraph s = subgraph();
  const Op fc = op(0);
  const Tensor w = tensor(w_);
  const Tensor y = tensor(y_);
  const std::vector<std::pair<int, std::function<void()>>> reads = {
      {1, [&] { (void)model().NumSubgraphs(); }},
      {3, [&] { (void)s.Ops(); }},
      {4, [&] { (void)s.Ops(); }},
      {5, [&] { (void)s.Inputs(); }},
      {6, [&] { (void)s.Inputs(); }},
      {7, [&] { (void)s.Outputs(); }},
      {8, [&] { (void)s.Outputs(); }},
      {9, [&] { (void)fc.Code(); }},
      {11, [&] { (void)fc.Inputs(); }},
      {12, [&] { (void)fc.Inputs(); }},
      {13, [&] { (void)fc.Outputs(); }},
      {14, [&] { (void)fc.Outputs(); }},
      {15, [&] { (void)w.Name(); }},
      {16, [&] { (void)w.TensorIndex(); }},
      {20, [&] { (void)w.QuantizationTypeId(); }},
      {21, [&] { (void)w.PerTensorQuantization(); }},
      {22, [&] { (void)w.PerChannel(); }},
      {25, [&] { (void)y.HasDefiningOp(); }},
      {26, [&] { (void)w.GetWeights(); }},
      {27, [&] { (void)w.GetWeights().BufferId(); }},
      {28, [&] { (void)w.IsConstant(); }},
  };
  for (const auto& [entry, read] : reads) {
    SCOPED_TRACE(entry);
    api_.RemoveEntry(entry);
    const HostReadError error = ExpectHostReadError(read);
    EXPECT_EQ(error.Status(), kZorvelStatusErrorMissingHostEntry);
    EXPECT_THAT(error.what(), testing::StartsWith(absl::StrCat("Host API entry ", entry, " (")));
    EXPECT_THAT(error.what(), testing::HasSubstr("is missing"));
    api_.RestoreEntry(entry);
  }
  // Without a table nothing can be read.
  EXPECT_EQ(
      ExpectHostReadError([&] { (void)Model(nullptr, model_handle_).NumSubgraphs(); }).Status(),
      kZorvelStatusErrorMissingHostEntry);
}

TEST_F(ModelWrapperTest, NullWeightsHandleIsNoWeights) {
  EXPECT_EQ(Weights(api_.table(), nullptr).BufferId(), -1);
  EXPECT_TRUE(Weights(api_.table(), nullptr).Bytes().empty());
}

TEST_F(ModelWrapperTest, FailingGuardedReadThrowsTheHostStatus) {
  api_.FailEntry(3, 77);
  HostReadError error = ExpectHostReadError([&] { (void)subgraph().NumOps(); });
  EXPECT_EQ(error.Status(), 77);
  EXPECT_STREQ(error.what(),
               "Host API entry 3 (get_num_subgraph_ops) failed with status 77 reading the number "
               "of ops of a subgraph");
  api_.ClearFailures();
  // The second at-index read of the list fails, and names the index.
  api_.FailEntry(12, 1000, /*succeed_first=*/1);
  error = ExpectHostReadError([&] { (void)op(0).Inputs(); });
  EXPECT_EQ(error.Status(), 1000);
  EXPECT_THAT(error.what(), testing::EndsWith("reading op input 1"));
  api_.ClearFailures();
  api_.FailEntry(28, 5);
  EXPECT_EQ(ExpectHostReadError([&] { (void)tensor(w_).IsConstant(); }).Status(), 5);
}

TEST_F(ModelWrapperTest, AbsentStatusEntriesGiveStatusSix) {
  api_.RemoveEntry(2);
  api_.RemoveEntry(18);
  api_.RemoveEntry(19);
  const Expected<Subgraph> subgraph = model().SubgraphAt(0);
  EXPECT_EQ(subgraph.Status(), kZorvelStatusErrorMissingHostEntry);
  EXPECT_THAT(subgraph.GetError().Message(),
              testing::EndsWith("Missing host API entry get_model_subgraph"));
  EXPECT_EQ(tensor(x_).RankedTensorType().Status(), 6);
  EXPECT_EQ(tensor(u_).UnrankedElementType().Status(), 6);
  EXPECT_EQ(Model(nullptr, model_handle_).SubgraphAt(0).Status(), 6);
}

TEST_F(ModelWrapperTest, HostStatusesPassThroughStatusReads) {
  api_.FailEntry(2, 77);
  EXPECT_EQ(model().SubgraphAt(0).Status(), 77);
  api_.ClearFailures();
  EXPECT_EQ(model().SubgraphAt(5).Status(), kZorvelStatusErrorIndexOutOfRange);
  api_.FailEntry(19, 4242);
  EXPECT_EQ(tensor(u_).UnrankedElementType().Status(), 4242);
}

TEST_F(ModelWrapperTest, FailedStatusReadIsSilentTextWhenErrorsAreSilenced) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeveritySilent);
  api_.FailEntry(2, 77);
  const Expected<Subgraph> failed = model().SubgraphAt(0);
  EXPECT_EQ(failed.Status(), 77);
  EXPECT_EQ(failed.GetError().Message(), "");
}

TEST_F(ModelWrapperTest, CompositeReads) {
  const std::vector<uint8_t> attributes = {1, 2, 3};
  const std::vector<TensorId> outputs = {
      sg().AddTensor("n", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4}))};
  sg().AddComposite("qvex.rms_norm", {z_}, outputs, attributes, 4, 2);
  const Op composite = op(2);
  EXPECT_EQ(composite.CompositeOpCode().Value(), kZorvelOpCodeStablehloComposite);
  EXPECT_EQ(composite.CompositeName().Value(), "qvex.rms_norm");
  EXPECT_EQ(composite.CompositeSubgraphIndex().Value(), 4);
  EXPECT_EQ(composite.CompositeVersion().Value(), 2);
  const Op::Attributes read = composite.CompositeAttributes().Value();
  ASSERT_EQ(read.size, 3);
  EXPECT_EQ(std::vector<uint8_t>(read.data, read.data + read.size), attributes);

  // Not a composite: the host's own status.
  EXPECT_EQ(op(0).CompositeName().Status(), kZorvelStatusErrorInvalidArgument);
  // Absent entries: status 3.
  for (int entry : {9, 29, 30, 31, 32}) api_.RemoveEntry(entry);
  EXPECT_EQ(composite.CompositeOpCode().Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(composite.CompositeName().Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(composite.CompositeSubgraphIndex().Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(composite.CompositeAttributes().Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(composite.CompositeVersion().Status(), kZorvelStatusErrorNotFound);
}

TEST_F(ModelWrapperTest, SelectedOpsReachTheHost) {
  host::ModelSelection selection(model_);
  const ZorvelSelectedOps list = api_.Handle(selection[0]);
  EXPECT_TRUE(AddSelectedOp(api_.table(), list, op(1), 0).HasValue());
  ASSERT_EQ(selection[0].selections().size(), 1u);
  EXPECT_EQ(selection[0].selections()[0].op, 1u);
  // Selecting it twice is refused by the host.
  EXPECT_EQ(AddSelectedOp(api_.table(), list, op(1), 0).Status(), 1);
  api_.FailEntry(33, 91);
  EXPECT_EQ(AddSelectedOp(api_.table(), list, op(0), 0).Status(), 91);
  api_.RemoveEntry(33);
  EXPECT_EQ(AddSelectedOp(api_.table(), list, op(0), 0).Status(), 6);
  EXPECT_EQ(selection[0].selections().size(), 1u);
}

class OpOptionsTest : public ModelWrapperTest {};

TEST_F(OpOptionsTest, ReadsEachKindOfValue) {
  const TensorId image =
      sg().AddInput("image", TensorType::Ranked(kZorvelElementTypeFloat32, {1, 8, 8, 3}));
  host::HostOp& conv = sg().AddOp(kZorvelOpCodeConv2d, {image, w_}, {sg().AddTensor("c", {})});
  conv.SetOption(46, uint32_t{1}).SetOption(47, int32_t{2}).SetOption(48, int32_t{1});
  conv.SetOption(49, uint32_t{3});
  const Op c = op(conv.index);
  EXPECT_EQ(compiler::GetConv2dPaddingOption(c).Value(), 1u);
  EXPECT_EQ(compiler::GetConv2dStrideWOption(c).Value(), 2);
  EXPECT_EQ(compiler::GetConv2dStrideHOption(c).Value(), 1);
  EXPECT_EQ(compiler::GetConv2dFusedActivationOption(c).Value(), 3u);

  host::HostOp& softmax = sg().AddOp(kZorvelOpCodeSoftmax, {image}, {sg().AddTensor("s", {})});
  softmax.SetOption(71, 0.75f);
  EXPECT_EQ(compiler::GetSoftmaxBetaOption(op(softmax.index)).Value(), 0.75f);

  host::HostOp& mean = sg().AddOp(kZorvelOpCodeMean, {image}, {sg().AddTensor("m", {})});
  mean.SetOption(75, true);
  EXPECT_TRUE(compiler::GetMeanKeepDimsOption(op(mean.index)).Value());
}

TEST_F(OpOptionsTest, FailuresCarryTheHostStatusOrSix) {
  // FULLY_CONNECTED has no stride: the host refuses.
  EXPECT_EQ(compiler::GetConv2dStrideWOption(op(0)).Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(compiler::GetFullyConnectedKeepNumDimsOption(op(0)).Status(), kZorvelStatusOk);
  api_.FailEntry(68, 13);
  EXPECT_EQ(compiler::GetFullyConnectedKeepNumDimsOption(op(0)).Status(), 13);
  api_.RemoveEntry(68);
  EXPECT_EQ(compiler::GetFullyConnectedKeepNumDimsOption(op(0)).Status(), 6);
}

// A host that writes its flags as bytes other than 0 and 1 (a C host with an unsigned char, say).
ZorvelStatus WriteByteTwo(ZorvelOp, bool* value) {
  *reinterpret_cast<uint8_t*>(value) = 2;
  return kZorvelStatusOk;
}
ZorvelStatus WriteByteZero(ZorvelOp, bool* value) {
  *reinterpret_cast<uint8_t*>(value) = 0;
  return kZorvelStatusOk;
}
ZorvelStatus ProducedAsByteTwo(ZorvelTensor, bool* has_defining_op, ZorvelTensorDefiningOp*) {
  *reinterpret_cast<uint8_t*>(has_defining_op) = 2;
  return kZorvelStatusOk;
}

TEST_F(OpOptionsTest, FlagsAreOneByteAndAnyNonZeroByteIsTrue) {
  HostApiTable table = *api_.table();
  table.get_fully_connected_keep_num_dims_option = &WriteByteTwo;
  table.get_tensor_defining_op = &ProducedAsByteTwo;
  const Op fc(&table, op(0).Get());
  const Expected<bool> keep = compiler::GetFullyConnectedKeepNumDimsOption(fc);
  ASSERT_TRUE(keep);
  // Compared as a value: a bool holding the byte 2 would not equal true.
  uint8_t byte = 0;
  std::memcpy(&byte, &*keep, 1);
  EXPECT_EQ(byte, 1u);
  EXPECT_EQ(*keep, true);
  const bool produced = Tensor(&table, tensor(x_).Get()).HasDefiningOp();
  std::memcpy(&byte, &produced, 1);
  EXPECT_EQ(byte, 1u);

  table.get_fully_connected_keep_num_dims_option = &WriteByteZero;
  EXPECT_EQ(compiler::GetFullyConnectedKeepNumDimsOption(fc).Value(), false);
}

TEST_F(OpOptionsTest, ReshapeNewShape) {
  host::HostOp& reshape = sg().AddOp(kZorvelOpCodeReshape, {z_}, {sg().AddTensor("r", {})});
  reshape.SetOption(97, std::vector<int32_t>{1, -1, 64});
  EXPECT_THAT(compiler::GetReshapeNewShapeOption(op(reshape.index)).Value(),
              ElementsAre(1, -1, 64));
  reshape.SetOption(97, std::vector<int32_t>{});
  EXPECT_TRUE(compiler::GetReshapeNewShapeOption(op(reshape.index)).Value().empty());

  // A host claiming values it does not hand over.
  HostApiTable lying = *api_.table();
  lying.get_reshape_new_shape_option = [](ZorvelOp, const int32_t** values,
                                          int32_t* count) -> ZorvelStatus {
    *values = nullptr;
    *count = 3;
    return kZorvelStatusOk;
  };
  const Op through_lying(&lying, api_.Handle(reshape));
  EXPECT_EQ(compiler::GetReshapeNewShapeOption(through_lying).Status(),
            kZorvelStatusErrorInvalidArgument);
  lying.get_reshape_new_shape_option = [](ZorvelOp, const int32_t** values,
                                          int32_t* count) -> ZorvelStatus {
    static const int32_t kOne[1] = {1};
    *values = kOne;
    *count = -1;
    return kZorvelStatusOk;
  };
  EXPECT_EQ(compiler::GetReshapeNewShapeOption(through_lying).Status(),
            kZorvelStatusErrorInvalidArgument);
}

class CompositeOptionsTest : public ModelWrapperTest {
 protected:
  Op AddComposite(std::vector<uint8_t> attributes) {
    const TensorId out = sg().AddTensor("out" + std::to_string(sg().num_ops()), {});
    host::HostOp& composite =
        sg().AddComposite("qvex.rms_norm", {z_}, {out}, std::move(attributes), 3, 1);
    return op(composite.index);
  }
};

TEST_F(CompositeOptionsTest, ReadsNameFieldsAndTheAttributeMap) {
  flexbuffers::Builder builder;
  builder.Map([&] {
    builder.Double("epsilon", 1e-5);
    builder.Int("axis", -1);
  });
  builder.Finish();
  const Op composite = AddComposite(builder.GetBuffer());
  const Expected<compiler::CompositeOptions> options = compiler::GetCompositeOptions(composite);
  ASSERT_TRUE(options.HasValue()) << options.GetError().Message();
  EXPECT_EQ(options->op, composite.Get());
  EXPECT_EQ(options->name, "qvex.rms_norm");
  EXPECT_EQ(options->subgraph_field, 3);
  EXPECT_EQ(options->version_field, 1);
  EXPECT_EQ(options->attribute_size, static_cast<int32_t>(builder.GetBuffer().size()));
  ASSERT_TRUE(options->has_attributes);
  EXPECT_EQ(options->attributes["epsilon"].AsDouble(), 1e-5);
  EXPECT_EQ(options->attributes["axis"].AsInt32(), -1);
}

TEST_F(CompositeOptionsTest, NoAttributeBytesIsNoMap) {
  const Expected<compiler::CompositeOptions> options =
      compiler::GetCompositeOptions(AddComposite({}));
  ASSERT_TRUE(options.HasValue());
  EXPECT_FALSE(options->has_attributes);
  EXPECT_EQ(options->attribute_size, 0);
}

TEST_F(CompositeOptionsTest, RejectsWhatIsNotAWellFormedMap) {
  flexbuffers::Builder builder;
  builder.Vector([&] { builder.Int(1); });
  builder.Finish();
  EXPECT_EQ(compiler::GetCompositeOptions(AddComposite(builder.GetBuffer())).Status(), 1);
  EXPECT_EQ(compiler::GetCompositeOptions(AddComposite({0xff, 0x13, 0x07})).Status(), 1);
  EXPECT_EQ(compiler::GetCompositeOptions(op(0)).Status(), 1);  // FULLY_CONNECTED

  HostApiTable negative = *api_.table();
  negative.get_composite_op_attributes = [](ZorvelOp, const uint8_t** data,
                                            int32_t* size) -> ZorvelStatus {
    *data = nullptr;
    *size = -4;
    return kZorvelStatusOk;
  };
  EXPECT_EQ(compiler::GetCompositeOptions(Op(&negative, AddComposite({}).Get())).Status(), 1);
}

TEST_F(CompositeOptionsTest, MissingEntriesGiveThreeAndHostFailuresTheirStatus) {
  const Op composite = AddComposite({});
  api_.FailEntry(30, 44);
  EXPECT_EQ(compiler::GetCompositeOptions(composite).Status(), 44);
  api_.ClearFailures();
  api_.RemoveEntry(32);
  EXPECT_EQ(compiler::GetCompositeOptions(composite).Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(compiler::GetCompositeOptions(Op(nullptr, composite.Get())).Status(), 3);
}

}  // namespace
}  // namespace zorvel
