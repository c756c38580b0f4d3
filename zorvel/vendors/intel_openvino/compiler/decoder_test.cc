// Operation decoders over stand-in host ops: names, the attribute table and its failure policy.
#include "zorvel/vendors/intel_openvino/compiler/decoder.h"

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "flatbuffers/flexbuffers.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_test_util.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::zorvel::host::HostApi;
using ::zorvel::host::HostModel;
using ::zorvel::host::HostOp;
using ::zorvel::host::HostSubgraph;
using ::zorvel::host::OpOptionValue;
using ::zorvel::host::TensorId;
using ::zorvel::host::TensorType;
using TensorMetaInfo = ::ov::frontend::tensorflow_lite::TensorMetaInfo;

using Value = std::variant<std::string, bool, int8_t, int32_t, int64_t, float, double,
                           std::vector<int64_t>, ov::element::Type>;

void ExpectHolds(const ov::Any& any, const Value& expected) {
  std::visit(
      [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        ASSERT_FALSE(any.empty());
        ASSERT_TRUE(any.is<T>()) << "holds another type";
        EXPECT_EQ(any.as<T>(), value);
      },
      expected);
}

using ::zorvel::testing::F32;

class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityVerbose);
    x_ = sg_.AddInput("x", F32({1, 4}));
  }
  void TearDown() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  HostOp& NewOp(ZorvelOpCode code) {
    const TensorId out = sg_.AddTensor("out" + std::to_string(sg_.num_tensors()), F32({1, 4}));
    return sg_.AddOp(code, {x_}, {out});
  }

  DecoderOperation Decoder(HostOp& op, uint64_t position = 7,
                           std::vector<TensorMetaInfo> outputs = {}) {
    ::testing::internal::CaptureStderr();
    DecoderOperation decoder(api_.table(), {}, std::move(outputs),
                             Op(api_.table(), api_.Handle(op)), position);
    log_ = ::testing::internal::GetCapturedStderr();
    return decoder;
  }

  ov::Any Attribute(const DecoderOperation& decoder, const std::string& name) {
    ::testing::internal::CaptureStderr();
    ov::Any value = decoder.get_attribute(name);
    log_ = ::testing::internal::GetCapturedStderr();
    return value;
  }

  // The error get_attribute throws for `name`; a test failure when it returns instead.
  HostReadError AttributeError(const DecoderOperation& decoder, const std::string& name) {
    ::testing::internal::CaptureStderr();
    try {
      (void)decoder.get_attribute(name);
    } catch (const HostReadError& error) {
      log_ = ::testing::internal::GetCapturedStderr();
      return error;
    }
    log_ = ::testing::internal::GetCapturedStderr();
    ADD_FAILURE() << "get_attribute(" << name << ") did not fail";
    return HostReadError(0, "");
  }

  uint64_t OptionCalls() const {
    uint64_t calls = 0;
    for (int entry = 38; entry <= 126; ++entry) calls += api_.CallCount(entry);
    return calls;
  }

  HostApi api_;
  HostModel model_;
  HostSubgraph& sg_ = model_.AddSubgraph();
  TensorId x_ = 0;
  std::string log_;
};

TEST(OpTypeTableTest, CoversCodesZeroTo158AndTheComposite) {
  EXPECT_EQ(OpTypeName(0), "ADD");
  EXPECT_EQ(OpTypeName(3), "CONV_2D");
  EXPECT_EQ(OpTypeName(53), "CAST");
  EXPECT_EQ(OpTypeName(127), "PLACEHOLDER_FOR_GREATER_OP_CODES");
  EXPECT_EQ(OpTypeName(152), "RELU_0_TO_1");
  EXPECT_EQ(OpTypeName(158), "SIGN");
  EXPECT_EQ(OpTypeName(206), "STABLEHLO_COMPOSITE");
  for (int32_t code = 0; code <= 158; ++code) EXPECT_FALSE(OpTypeName(code).empty()) << code;
  EXPECT_TRUE(OpTypeName(159).empty());
  EXPECT_TRUE(OpTypeName(205).empty());
  EXPECT_TRUE(OpTypeName(-1).empty());
}

TEST(ElementTypeTableTest, MapsHostCodesToOpenVinoTypes) {
  const std::vector<std::pair<ZorvelElementType, ov::element::Type>> expected = {
      {1, ov::element::f32},     {2, ov::element::i32},      {3, ov::element::u8},
      {4, ov::element::i64},     {5, ov::element::dynamic},  {6, ov::element::boolean},
      {7, ov::element::i16},     {8, ov::element::dynamic},  {9, ov::element::i8},
      {10, ov::element::f16},    {11, ov::element::f64},     {12, ov::element::dynamic},
      {13, ov::element::u64},    {14, ov::element::dynamic}, {15, ov::element::dynamic},
      {16, ov::element::u32},    {17, ov::element::u16},     {18, ov::element::i4},
      {19, ov::element::bf16},   {20, ov::element::u2},      {21, ov::element::u4},
      {22, ov::element::f8e4m3}, {23, ov::element::f8e5m2},  {24, ov::element::dynamic},
      {0, ov::element::dynamic}, {-3, ov::element::dynamic}};
  for (const auto& [code, type] : expected) EXPECT_EQ(ToOvElementType(code), type) << code;
}

TEST_F(DecoderTest, NameIsTypeAndNodePosition) {
  HostOp& op = NewOp(kZorvelOpCodeConv2d);
  const DecoderOperation decoder = Decoder(op, 7);
  EXPECT_EQ(decoder.get_op_type(), "CONV_2D");
  EXPECT_EQ(decoder.get_op_name(), "CONV_2D_id_7");
  EXPECT_THAT(log_, HasSubstr("] op_type(CONV_2D) op_name(CONV_2D_id_7)"));
  EXPECT_EQ(decoder.OpCode(), 3u);

  // Without the op-code entry there is no op type to translate by.
  api_.RemoveEntry(9);
  try {
    DecoderOperation unread(api_.table(), {}, {}, Op(api_.table(), api_.Handle(op)), 2);
    ADD_FAILURE() << "the decoder was built without its op code";
  } catch (const HostReadError& error) {
    EXPECT_EQ(error.Status(), kZorvelStatusErrorMissingHostEntry);
    EXPECT_THAT(error.what(), HasSubstr("Host API entry 9 (get_op_code) is missing"));
  }
}

TEST_F(DecoderTest, UnknownOpCodeGetsAnEmptyTypeAndAnswersNothing) {
  HostOp& op = NewOp(300);
  const DecoderOperation decoder = Decoder(op, 4);
  EXPECT_EQ(decoder.get_op_type(), "");
  EXPECT_EQ(decoder.get_op_name(), "_id_4");
  EXPECT_THAT(log_, HasSubstr("WARNING: [decoder.cc:"));
  EXPECT_THAT(log_, HasSubstr("] op_code(300) not supported\n"));

  EXPECT_TRUE(Attribute(decoder, "strides").empty());
  EXPECT_THAT(log_, HasSubstr("] Unsupported op type \n"));

  // A known type without attributes behaves the same.
  HostOp& relu = NewOp(kZorvelOpCodeRelu);
  EXPECT_TRUE(Attribute(Decoder(relu), "alpha").empty());
  EXPECT_THAT(log_, HasSubstr("ERROR: [decoder.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Unsupported op type RELU\n"));
}

TEST_F(DecoderTest, UnknownNamesAreComparedExactly) {
  HostOp& conv = NewOp(kZorvelOpCodeConv2d);
  const DecoderOperation decoder = Decoder(conv);
  EXPECT_TRUE(Attribute(decoder, "Padding").empty());
  EXPECT_THAT(log_, HasSubstr("] get_attr Padding for CONV_2D_id_7\n"));
  EXPECT_THAT(log_, HasSubstr("ERROR: [decoder.cc:"));
  EXPECT_THAT(log_, HasSubstr("] Unsupported attribute Padding\n"));
  EXPECT_TRUE(Attribute(decoder, "padding ").empty());

  // TILE answers no name at all.
  HostOp& tile = NewOp(kZorvelOpCodeTile);
  EXPECT_TRUE(Attribute(Decoder(tile), "multiples").empty());
  EXPECT_THAT(log_, HasSubstr("] Unsupported attribute multiples\n"));
}

// One row of the attribute table: the options the host holds, in the order they are read, and
// the words a failed read of each reports.
struct Row {
  ZorvelOpCode code;
  std::string attribute;
  std::vector<std::pair<int, OpOptionValue>> options;
  Value expected;
  std::vector<std::string> words;
};

std::vector<Row> AttributeRows() {
  using V64 = std::vector<int64_t>;
  return {
      {0, "fused_activation_function", {{63, 1u}}, std::string("RELU"), {"fused_activation"}},
      {1, "strides", {{85, 2}, {86, 3}}, V64{1, 3, 2, 1}, {"stride_w", "stride_h"}},
      {1, "padding", {{84, 1u}}, std::string("VALID"), {"padding"}},
      {1, "ksize", {{87, 4}, {88, 5}}, V64{1, 5, 4, 1}, {"filter_width", "filter_height"}},
      {1, "activation", {{89, 3u}}, std::string("RELU6"), {"fused_activation"}},
      {1, "data_format", {}, std::string("NHWC"), {}},
      {2, "axis", {{72, -1}}, int32_t{-1}, {"axis"}},
      {3, "strides", {{47, 2}, {48, 1}}, V64{1, 1, 2, 1}, {"stride_w", "stride_h"}},
      {3, "padding", {{46, 0u}}, std::string("SAME"), {"padding"}},
      {3,
       "dilations",
       {{50, 3}, {51, 4}},
       V64{1, 4, 3, 1},
       {"dilation_w_factor", "dilation_h_factor"}},
      {3, "activation", {{49, 4u}}, std::string("TANH"), {"fused_activation"}},
      {3, "data_format", {}, std::string("NHWC"), {}},
      {4, "strides", {{53, 1}, {54, 2}}, V64{1, 2, 1, 1}, {"stride_w", "stride_h"}},
      {4, "padding", {{52, 1u}}, std::string("VALID"), {"padding"}},
      {4,
       "dilations",
       {{57, 2}, {58, 5}},
       V64{1, 5, 2, 1},
       {"dilation_w_factor", "dilation_h_factor"}},
      {4, "activation", {{56, 2u}}, std::string("RELU_N1_TO_1"), {"fused_activation"}},
      {4, "group", {{55, 8}}, int32_t{8}, {"group"}},
      {4, "data_format", {}, std::string("NHWC"), {}},
      {5, "block_size", {{122, 2}}, int32_t{2}, {"block_size"}},
      {5, "data_format", {}, std::string("NHWC"), {}},
      {9, "weights_format", {{67, 0x101u}}, int8_t{1}, {"weights_format"}},
      {9, "keep_num_dims", {{68, true}}, true, {"keep_num_dims"}},
      {9, "fused_activation_function", {{66, 5u}}, std::string("SIGN_BIT"), {"fused_activation"}},
      {17, "strides", {{91, 2}, {92, 2}}, V64{1, 2, 2, 1}, {"stride_w", "stride_h"}},
      {17, "padding", {{90, 0u}}, std::string("SAME"), {"padding"}},
      {17, "ksize", {{93, 3}, {94, 1}}, V64{1, 1, 3, 1}, {"filter_width", "filter_height"}},
      {17, "activation", {{95, 1u}}, std::string("RELU"), {"fused_activation"}},
      {17, "data_format", {}, std::string("NHWC"), {}},
      {18, "fused_activation_function", {{64, 0u}}, std::string("NONE"), {"fused_activation"}},
      {22, "new_shape", {{97, std::vector<int32_t>{1, -1, 64}}}, V64{1, -1, 64}, {"new_shape"}},
      {23, "align_corners", {{77, true}}, true, {"align_corners"}},
      {23, "half_pixel_centers", {{78, true}}, true, {"half_pixel_centers"}},
      {25, "beta", {{71, 0.75f}}, 0.75f, {"beta"}},
      {36, "axis", {{106, 1}}, int32_t{1}, {"axis"}},
      {36, "batch_dims", {{107, 2}}, int32_t{2}, {"batch_dims"}},
      {40, "keep_dims", {{75, true}}, true, {"keep_dims"}},
      {41, "fused_activation_function", {{44, 3u}}, std::string("RELU6"), {"fused_activation"}},
      {42, "fused_activation_function", {{65, 4u}}, std::string("TANH"), {"fused_activation"}},
      {45, "begin_mask", {{38, 1}}, int32_t{1}, {"begin_mask"}},
      {45, "end_mask", {{39, 2}}, int32_t{2}, {"end_mask"}},
      {45, "shrink_axis_mask", {{40, 4}}, int32_t{4}, {"shrink_axis_mask"}},
      {45, "ellipsis_mask", {{41, 8}}, int32_t{8}, {"ellipsis_mask"}},
      {45, "new_axis_mask", {{42, 16}}, int32_t{16}, {"new_axis_mask"}},
      {48, "index_type", {}, ov::element::i32, {}},
      {48, "sorted", {}, true, {}},
      {49, "num_split", {{74, 2}}, int64_t{2}, {"num_split"}},
      {67, "strides", {{60, 3}, {61, 2}}, V64{1, 2, 3, 1}, {"stride_w", "stride_h"}},
      {67, "padding", {{59, 1u}}, std::string("VALID"), {"padding"}},
      {67, "dilations", {}, V64{1, 1, 1, 1}, {}},
      {67, "activation", {{62, 1u}}, std::string("RELU"), {"fused_activation"}},
      {67, "data_format", {}, std::string("NHWC"), {}},
      {74, "keep_dims", {{45, true}}, true, {"keep_dims"}},
      {82, "keep_dims", {{76, true}}, true, {"keep_dims"}},
      {83, "axis", {{101, 2}}, int32_t{2}, {"axis"}},
      {85, "axis", {}, int32_t{-1}, {}},
      {88, "axis", {{104, 1}}, int32_t{1}, {"axis"}},
      {88, "num", {{105, 3}}, int32_t{3}, {"num"}},
      {91, "keep_dims", {{99, true}}, true, {"keep_dims"}},
      {97, "align_corners", {{79, true}}, true, {"align_corners"}},
      {97, "half_pixel_centers", {{80, true}}, true, {"half_pixel_centers"}},
      {98, "alpha", {{96, 0.2f}}, 0.2f, {"alpha"}},
      {100, "mode", {}, std::string("REFLECT"), {}},
      {107, "batch_dims", {}, int32_t{0}, {}},
      {126, "adj_x", {{81, true}}, true, {"adj_x"}},
      {126, "adj_y", {{82, true}}, true, {"adj_y"}},
      {128, "exclusive", {{124, true}}, true, {"exclusive"}},
      {128, "reverse", {{125, true}}, true, {"reverse"}},
      {132,
       "strides",
       {{109, 1}, {110, 2}, {111, 3}},
       V64{1, 1, 3, 2, 1},
       {"stride_d", "stride_w", "stride_h"}},
      {132, "padding", {{108, 0u}}, std::string("SAME"), {"padding"}},
      {132,
       "dilations",
       {{113, 4}, {114, 5}, {115, 6}},
       V64{1, 4, 6, 5, 1},
       {"dilation_d_factor", "dilation_w_factor", "dilation_h_factor"}},
      {132, "activation", {{112, 1u}}, std::string("RELU"), {"fused_activation"}},
      {132, "data_format", {}, std::string("NDHWC"), {}},
      {140, "keep_dims", {{100, true}}, true, {"keep_dims"}},
      {150, "approximate", {{126, true}}, true, {"approximate"}},
  };
}

TEST_F(DecoderTest, EveryRowIsAnsweredFromTheHost) {
  for (const Row& row : AttributeRows()) {
    SCOPED_TRACE(std::string(OpTypeName(row.code)) + " " + row.attribute);
    HostOp& op = NewOp(row.code);
    for (const auto& [entry, value] : row.options) op.SetOption(entry, value);
    const DecoderOperation decoder = Decoder(op);
    api_.ResetCallCounts();
    ExpectHolds(Attribute(decoder, row.attribute), row.expected);
    // Constant rows never ask the host.
    if (row.options.empty()) {
      EXPECT_EQ(OptionCalls(), 0u);
    }
    EXPECT_THAT(log_, ::testing::Not(HasSubstr("ERROR")));
  }
}

TEST_F(DecoderTest, FailedReadsNameTheirWordAndStopTheRow) {
  for (const Row& row : AttributeRows()) {
    for (size_t failing = 0; failing < row.options.size(); ++failing) {
      SCOPED_TRACE(std::string(OpTypeName(row.code)) + " " + row.attribute + " " +
                   row.words[failing]);
      HostOp& op = NewOp(row.code);
      for (const auto& [entry, value] : row.options) op.SetOption(entry, value);
      const DecoderOperation decoder = Decoder(op);
      api_.ResetCallCounts();
      api_.FailEntry(row.options[failing].first, 77);

      const std::string message =
          "Failed to get " + row.words[failing] + " for " + decoder.get_op_name();
      Expected<ov::Any> resolved = decoder.ResolveAttribute(row.attribute);
      ASSERT_FALSE(resolved.HasValue());
      EXPECT_EQ(resolved.Status(), kZorvelStatusErrorNotFound);
      EXPECT_EQ(resolved.GetError().Message(), message);
      for (size_t later = failing + 1; later < row.options.size(); ++later) {
        EXPECT_EQ(api_.CallCount(row.options[later].first), 0u);
      }

      // The translation fails rather than use the translator's default for the attribute.
      const HostReadError error = AttributeError(decoder, row.attribute);
      EXPECT_EQ(error.Status(), kZorvelStatusErrorNotFound);
      EXPECT_EQ(std::string(error.what()), message + " (attribute " + row.attribute + ")");
      api_.ClearFailures();
    }
  }
}

// Sizes, strides, dilations, multipliers and counts below 1 describe no operation: each is refused
// with a message naming the option, the value and the op, and the front end then gets no value.
TEST_F(DecoderTest, OptionValuesBelowOneAreRefused) {
  struct Case {
    ZorvelOpCode code;
    std::string attribute;
    std::vector<std::pair<int, OpOptionValue>> options;
    std::string message;
  };
  const std::vector<Case> cases = {
      {3, "strides", {{47, -1}, {48, 1}}, "Invalid stride_w -1 for CONV_2D_id_7"},
      {3, "dilations", {{50, 1}, {51, 0}}, "Invalid dilation_h_factor 0 for CONV_2D_id_7"},
      {1, "ksize", {{87, -3}, {88, 2}}, "Invalid filter_width -3 for AVERAGE_POOL_2D_id_7"},
      {17, "strides", {{91, 1}, {92, -2}}, "Invalid stride_h -2 for MAX_POOL_2D_id_7"},
      {4, "group", {{55, 0}}, "Invalid group 0 for DEPTHWISE_CONV_2D_id_7"},
      {5, "block_size", {{122, -2}}, "Invalid block_size -2 for DEPTH_TO_SPACE_id_7"},
      {49, "num_split", {{74, 0}}, "Invalid num_split 0 for SPLIT_id_7"},
      {67, "strides", {{60, 0}, {61, 1}}, "Invalid stride_w 0 for TRANSPOSE_CONV_id_7"},
      {132, "strides", {{109, -1}, {110, 1}, {111, 1}}, "Invalid stride_d -1 for CONV_3D_id_7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    HostOp& op = NewOp(c.code);
    for (const auto& [entry, value] : c.options) op.SetOption(entry, value);
    const DecoderOperation decoder = Decoder(op);
    Expected<ov::Any> resolved = decoder.ResolveAttribute(c.attribute);
    ASSERT_FALSE(resolved.HasValue());
    EXPECT_EQ(resolved.Status(), kZorvelStatusErrorInvalidArgument);
    EXPECT_EQ(resolved.GetError().Message(), c.message + ": it must be at least 1");
    // The front end is told, naming the op and the attribute, rather than handed a default.
    EXPECT_STREQ(AttributeError(decoder, c.attribute).what(),
                 (c.message + ": it must be at least 1 (attribute " + c.attribute + ")").c_str());
  }
}

TEST_F(DecoderTest, MissingOptionEntryIsAFailedRead) {
  HostOp& conv = NewOp(kZorvelOpCodeConv2d);
  const DecoderOperation decoder = Decoder(conv);
  api_.RemoveEntry(46);
  EXPECT_STREQ(AttributeError(decoder, "padding").what(),
               "Failed to get padding for CONV_2D_id_7 (attribute padding)");
}

TEST_F(DecoderTest, EnumerationsUseTheirLowByteOnly) {
  HostOp& conv = NewOp(kZorvelOpCodeConv2d);
  conv.SetOption(49, 6u).SetOption(46, 2u);
  const DecoderOperation decoder = Decoder(conv);
  ExpectHolds(Attribute(decoder, "activation"), std::string(""));
  ExpectHolds(Attribute(decoder, "padding"), std::string(""));

  conv.SetOption(49, 0x301u).SetOption(46, 0x7701u);
  ExpectHolds(Attribute(decoder, "activation"), std::string("RELU"));
  ExpectHolds(Attribute(decoder, "padding"), std::string("VALID"));
}

// Entry 97 answering with a hand-picked pointer and count.
const int32_t* g_new_shape_values = nullptr;
int32_t g_new_shape_count = 0;
ZorvelStatus FixedNewShape(ZorvelOp, const int32_t** values, int32_t* count) {
  *values = g_new_shape_values;
  *count = g_new_shape_count;
  return kZorvelStatusOk;
}

TEST_F(DecoderTest, ReshapeNewShapeRefusesMalformedCounts) {
  HostOp& reshape = NewOp(kZorvelOpCodeReshape);
  HostApiTable table = *api_.table();
  table.get_reshape_new_shape_option = &FixedNewShape;
  const DecoderOperation decoder(&table, {}, {}, Op(&table, api_.Handle(reshape)), 3);

  const int32_t values[] = {2, 3};
  g_new_shape_values = nullptr;
  g_new_shape_count = 0;
  ExpectHolds(decoder.ResolveAttribute("new_shape").Value(), std::vector<int64_t>{});
  g_new_shape_values = values;
  g_new_shape_count = 2;
  ExpectHolds(decoder.ResolveAttribute("new_shape").Value(), std::vector<int64_t>{2, 3});

  for (const auto& [pointer, count] :
       std::vector<std::pair<const int32_t*, int32_t>>{{nullptr, 4}, {values, -1}}) {
    g_new_shape_values = pointer;
    g_new_shape_count = count;
    Expected<ov::Any> resolved = decoder.ResolveAttribute("new_shape");
    ASSERT_FALSE(resolved.HasValue()) << count;
    EXPECT_EQ(resolved.Status(), kZorvelStatusErrorNotFound);
    EXPECT_EQ(resolved.GetError().Message(), "Failed to get new_shape for RESHAPE_id_3");
  }
}

TEST_F(DecoderTest, ArgMaxOutputTypeIsReadFromTheHost) {
  const TensorId index = sg_.AddTensor("i", TensorType::Ranked(kZorvelElementTypeInt64, {1}));
  HostOp& ranked = sg_.AddOp(kZorvelOpCodeArgMax, {x_}, {index});
  ExpectHolds(Attribute(Decoder(ranked), "output_type"), ov::element::i64);

  const TensorId unranked = sg_.AddTensor("u", TensorType::Unranked(kZorvelElementTypeInt32));
  HostOp& op = sg_.AddOp(kZorvelOpCodeArgMax, {x_}, {unranked});
  ExpectHolds(Attribute(Decoder(op), "output_type"), ov::element::i32);

  HostOp& none = sg_.AddOp(kZorvelOpCodeArgMax, {x_}, {});
  EXPECT_TRUE(Attribute(Decoder(none), "output_type").empty());
  EXPECT_THAT(log_, HasSubstr("ERROR: [decoder.cc:"));
  EXPECT_THAT(log_, HasSubstr("] ArgMax op has no outputs\n"));
}

TEST_F(DecoderTest, CastDestinationIsTheFirstOutputType) {
  HostOp& cast = NewOp(kZorvelOpCodeCast);
  TensorMetaInfo output{};
  output.m_element_type = ov::element::f16;
  output.m_tensor_name = "half";
  ExpectHolds(Attribute(Decoder(cast, 2, {output}), "DstT"), ov::element::f16);
  EXPECT_TRUE(Attribute(Decoder(cast, 2, {}), "DstT").empty());
}

class CompositeDecoderTest : public DecoderTest {
 protected:
  HostOp& Composite(std::vector<uint8_t> attributes) {
    const TensorId out = sg_.AddTensor("c" + std::to_string(sg_.num_tensors()), F32({1, 4}));
    return sg_.AddComposite("qvex.rms_norm", {x_}, {out}, std::move(attributes));
  }
  template <typename Fill>
  static std::vector<uint8_t> Map(Fill fill) {
    flexbuffers::Builder builder;
    builder.Map([&] { fill(builder); });
    builder.Finish();
    return builder.GetBuffer();
  }
};

TEST_F(CompositeDecoderTest, NameAndEpsilon) {
  const DecoderOperation plain = Decoder(Composite({}), 5);
  ExpectHolds(Attribute(plain, "composite_name"), std::string("qvex.rms_norm"));
  ExpectHolds(Attribute(plain, "epsilon"), 1e-6);

  const DecoderOperation integer =
      Decoder(Composite(Map([](flexbuffers::Builder& b) { b.Int("epsilon", 2); })));
  ExpectHolds(Attribute(integer, "epsilon"), 2.0);

  const DecoderOperation real =
      Decoder(Composite(Map([](flexbuffers::Builder& b) { b.Double("epsilon", 1e-5); })));
  ExpectHolds(Attribute(real, "epsilon"), 1e-5);

  const DecoderOperation other =
      Decoder(Composite(Map([](flexbuffers::Builder& b) { b.Int("axis", -1); })));
  ExpectHolds(Attribute(other, "epsilon"), 1e-6);

  const DecoderOperation null_value =
      Decoder(Composite(Map([](flexbuffers::Builder& b) { b.Null("epsilon"); })));
  ExpectHolds(Attribute(null_value, "epsilon"), 1e-6);

  EXPECT_TRUE(Attribute(plain, "decomposition_subgraph_index").empty());
  EXPECT_THAT(log_, HasSubstr("] Unsupported attribute decomposition_subgraph_index\n"));
}

TEST_F(CompositeDecoderTest, AttributesThatAreNotAMapFailTheEpsilon) {
  flexbuffers::Builder builder;
  builder.Vector([&] { builder.Double(1e-5); });
  builder.Finish();
  const DecoderOperation vector = Decoder(Composite(builder.GetBuffer()), 6);
  Expected<ov::Any> resolved = vector.ResolveAttribute("epsilon");
  ASSERT_FALSE(resolved.HasValue());
  EXPECT_EQ(resolved.Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(resolved.GetError().Message(),
            "Failed to get composite options for STABLEHLO_COMPOSITE_id_6");

  // Bytes the verifier rejects fail the translation rather than give the default epsilon.
  const DecoderOperation garbage = Decoder(Composite({0xFF, 0x13, 0x07, 0x42}), 6);
  EXPECT_STREQ(AttributeError(garbage, "epsilon").what(),
               "Failed to get composite options for STABLEHLO_COMPOSITE_id_6 (attribute epsilon)");
}

TEST_F(CompositeDecoderTest, FailedNameReadReportsTheCompositeName) {
  const DecoderOperation decoder = Decoder(Composite({}), 5);
  api_.FailEntry(29, 77);
  Expected<ov::Any> resolved = decoder.ResolveAttribute("composite_name");
  ASSERT_FALSE(resolved.HasValue());
  EXPECT_EQ(resolved.Status(), kZorvelStatusErrorNotFound);
  EXPECT_EQ(resolved.GetError().Message(),
            "Failed to get composite_op_name for STABLEHLO_COMPOSITE_id_5");
  Expected<ov::Any> epsilon = decoder.ResolveAttribute("epsilon");
  ASSERT_FALSE(epsilon.HasValue());
  EXPECT_EQ(epsilon.GetError().Message(),
            "Failed to get composite options for STABLEHLO_COMPOSITE_id_5");
}

TEST_F(DecoderTest, OperandsComeFromTheStoredInfos) {
  HostOp& op = NewOp(kZorvelOpCodeAdd);
  TensorMetaInfo a{};
  a.m_tensor_name = "a";
  a.m_element_type = ov::element::i8;
  TensorMetaInfo b{};
  b.m_tensor_name = "b";
  b.m_element_type = ov::element::f32;
  const DecoderOperation decoder(api_.table(), {a, b}, {b}, Op(api_.table(), api_.Handle(op)), 1);
  EXPECT_EQ(decoder.get_input_size(), 2u);
  EXPECT_EQ(decoder.get_output_size(), 1u);
  EXPECT_EQ(decoder.get_input_tensor_name(1), "b");
  EXPECT_EQ(decoder.get_input_tensor_type(0), ov::element::i8);
  EXPECT_EQ(decoder.get_output_tensor_name(0), "b");
  EXPECT_EQ(decoder.get_output_tensor_type(0), ov::element::f32);
  EXPECT_EQ(decoder.get_input_tensor_info(0).m_tensor_name, "a");
  EXPECT_THROW(decoder.get_input_tensor_name(2), std::out_of_range);
  EXPECT_THROW(decoder.get_output_tensor_info(1), std::out_of_range);
}

}  // namespace
}  // namespace zorvel::openvino
