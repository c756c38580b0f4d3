#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "openvino/core/model.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/pass/manager.hpp"

namespace zorvel::openvino {
namespace {

// A constant of `type` whose storage bytes are `count` bytes starting at `first`, counting up.
std::shared_ptr<ov::op::v0::Constant> PatternConstant(ov::element::Type type, ov::Shape shape,
                                                      uint8_t first) {
  const size_t bytes = (ov::shape_size(shape) * type.bitwidth() + 7) / 8;
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(first + i * 13);
  return std::make_shared<ov::op::v0::Constant>(type, shape, data.data());
}

std::vector<ov::Output<ov::Node>> Outputs(
    const std::vector<std::shared_ptr<ov::op::v0::Constant>>& constants) {
  std::vector<ov::Output<ov::Node>> outputs;
  for (const auto& constant : constants) outputs.push_back(constant->output(0));
  return outputs;
}

TEST(StackedKey, NamesTheLayerAndTheWeight) {
  EXPECT_EQ(StackedKey(0, "up_scale"), "zorvel.stacked:moe_layer_0.up_scale");
  EXPECT_EQ(StackedKey(3, "gate_packed"), "zorvel.stacked:moe_layer_3.gate_packed");
  EXPECT_EQ(StackedKey(120, "down_scale"), "zorvel.stacked:moe_layer_120.down_scale");
}

TEST(MakeStackedConstant, I4ConstantsStackByteForByteInExpertOrder) {
  std::vector<std::shared_ptr<ov::op::v0::Constant>> experts;
  for (uint8_t e = 0; e < 4; ++e) {
    experts.push_back(PatternConstant(ov::element::i4, {64, 32}, static_cast<uint8_t>(e * 31)));
    ASSERT_EQ(experts.back()->get_byte_size(), 1024u);
  }
  const std::string key = StackedKey(0, "gate_packed");
  const auto stacked = MakeStackedConstant(Outputs(experts), key);
  ASSERT_NE(stacked, nullptr);
  EXPECT_EQ(stacked->get_element_type(), ov::element::i4);
  EXPECT_EQ(stacked->get_shape(), (ov::Shape{4, 64, 32}));
  ASSERT_EQ(stacked->get_byte_size(), 4096u);
  const auto* bytes = static_cast<const uint8_t*>(stacked->get_data_ptr());
  for (size_t e = 0; e < 4; ++e) {
    EXPECT_EQ(std::memcmp(bytes + e * 1024, experts[e]->get_data_ptr(), 1024), 0) << e;
  }
  // The stacked constant owns its bytes.
  EXPECT_NE(stacked->get_data_ptr(), experts[0]->get_data_ptr());
  EXPECT_EQ(stacked->get_friendly_name(), key);
  EXPECT_EQ(GeneratedConstantKey(stacked), key);
  const auto& attribute =
      stacked->get_rt_info().at(GeneratedConstantRtKey()).as<ZorvelGeneratedConstantAttribute>();
  EXPECT_EQ(attribute.source_key, key);
}

TEST(MakeStackedConstant, ScalesAndScalarsStackToo) {
  const auto a = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{3, 1}, {1, 2, 3});
  const auto b = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{3, 1}, {4, 5, 6});
  const auto stacked = MakeStackedConstant(Outputs({a, b}), StackedKey(0, "up_scale"));
  ASSERT_NE(stacked, nullptr);
  EXPECT_EQ(stacked->get_shape(), (ov::Shape{2, 3, 1}));
  EXPECT_EQ(stacked->cast_vector<float>(), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(stacked->get_friendly_name(), "zorvel.stacked:moe_layer_0.up_scale");

  const auto s0 = ov::op::v0::Constant::create(ov::element::f16, ov::Shape{}, {0.5f});
  const auto s1 = ov::op::v0::Constant::create(ov::element::f16, ov::Shape{}, {-2.0f});
  const auto scalars = MakeStackedConstant(Outputs({s0, s1}), "k");
  ASSERT_NE(scalars, nullptr);
  EXPECT_EQ(scalars->get_shape(), (ov::Shape{2}));
  EXPECT_EQ(scalars->cast_vector<float>(), (std::vector<float>{0.5f, -2.0f}));
}

TEST(MakeStackedConstant, RefusesWhatCannotBeStacked) {
  // Empty list.
  EXPECT_EQ(MakeStackedConstant({}, "k"), nullptr);
  // 3 i4 elements are 12 bits: not a whole number of bytes per slice.
  std::vector<std::shared_ptr<ov::op::v0::Constant>> odd;
  for (uint8_t e = 0; e < 3; ++e) odd.push_back(PatternConstant(ov::element::i4, {3}, e));
  EXPECT_EQ(MakeStackedConstant(Outputs(odd), "k"), nullptr);
  // Same element count, different shapes.
  EXPECT_EQ(MakeStackedConstant(Outputs({PatternConstant(ov::element::i4, {64, 32}, 1),
                                         PatternConstant(ov::element::i4, {32, 64}, 2)}),
                                "k"),
            nullptr);
  // Same bits, different signedness.
  EXPECT_EQ(MakeStackedConstant(Outputs({PatternConstant(ov::element::i4, {8, 4}, 1),
                                         PatternConstant(ov::element::u4, {8, 4}, 2)}),
                                "k"),
            nullptr);
  // An output that is not a constant, even behind a valid first one.
  auto parameter = std::make_shared<ov::op::v0::Parameter>(ov::element::i4, ov::PartialShape{8, 4});
  EXPECT_EQ(
      MakeStackedConstant(
          {PatternConstant(ov::element::i4, {8, 4}, 1)->output(0), parameter->output(0)}, "k"),
      nullptr);
}

TEST(ZorvelGeneratedConstantAttribute, TypeInformationAndCopying) {
  const auto& info = ZorvelGeneratedConstantAttribute::get_type_info_static();
  EXPECT_STREQ(info.name, "ZorvelGeneratedConstantAttribute");
  EXPECT_STREQ(info.version_id, "0");
  EXPECT_EQ(info.parent, &ov::RuntimeAttribute::get_type_info_static());
  EXPECT_TRUE(ZorvelGeneratedConstantAttribute("k").is_copyable());

  const auto stacked = MakeStackedConstant(Outputs({PatternConstant(ov::element::u4, {4, 4}, 1),
                                                    PatternConstant(ov::element::u4, {4, 4}, 9)}),
                                           StackedKey(2, "down_packed"));
  ASSERT_NE(stacked, nullptr);
  auto convert = std::make_shared<ov::op::v0::Convert>(stacked, ov::element::f32);
  ov::copy_runtime_info(stacked, convert);
  EXPECT_EQ(GeneratedConstantKey(convert), "zorvel.stacked:moe_layer_2.down_packed");
  // A node that never received it reports no key.
  EXPECT_EQ(GeneratedConstantKey(std::make_shared<ov::op::v0::Relu>(convert)), "");
}

TEST(DequantizeWeights, ConvertsThenScalesWithBroadcasting) {
  // i4 values (low nibble first): row 0 = {1, -2}, row 1 = {7, -8}.
  const uint8_t bytes[] = {0xE1, 0x87};
  auto packed = std::make_shared<ov::op::v0::Constant>(ov::element::i4, ov::Shape{2, 2}, bytes);
  auto scale = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{2, 1}, {0.5f, 2.0f});
  const ov::Output<ov::Node> weights = DequantizeWeights(packed, scale, ov::element::f32);
  auto multiply = ov::as_type_ptr<ov::op::v1::Multiply>(weights.get_node_shared_ptr());
  ASSERT_NE(multiply, nullptr);
  auto convert = ov::as_type_ptr<ov::op::v0::Convert>(multiply->get_input_node_shared_ptr(0));
  ASSERT_NE(convert, nullptr);
  EXPECT_EQ(convert->get_destination_type(), ov::element::f32);
  EXPECT_EQ(multiply->get_input_node_shared_ptr(1), scale);
  EXPECT_EQ(multiply->get_autob().m_type, ov::op::AutoBroadcastType::NUMPY);

  auto model = std::make_shared<ov::Model>(ov::OutputVector{weights}, ov::ParameterVector{});
  ov::pass::Manager manager;
  manager.register_pass<ov::pass::ConstantFolding>();
  manager.run_passes(model);
  auto folded =
      ov::as_type_ptr<ov::op::v0::Constant>(model->get_results()[0]->get_input_node_shared_ptr(0));
  ASSERT_NE(folded, nullptr);
  EXPECT_EQ(folded->cast_vector<float>(), (std::vector<float>{0.5f, -1.0f, 14.0f, -16.0f}));
}

}  // namespace
}  // namespace zorvel::openvino
