#include "openvino/op/convert.hpp"

#include <cmath>

#include "op_test_utils.hpp"

namespace {

using namespace ovref_test;
namespace element = ov::element;
using ov::op::v0::Convert;

ov::Tensor convert(const ov::Tensor& in, const element::Type& to) {
  auto p = param(in.get_element_type(), in.get_shape());
  return run({std::make_shared<Convert>(p, to)}, {p}, {in})[0];
}

TEST(Convert, ShapeAndTypeInference) {
  auto c = std::make_shared<Convert>(param(element::f32, {2, -1}), element::u4);
  EXPECT_EQ(c->get_output_element_type(0), element::u4);
  EXPECT_EQ(c->get_output_partial_shape(0), (ov::PartialShape{2, -1}));
  EXPECT_TRUE(c->has_evaluate());
  EXPECT_FALSE(
      std::make_shared<Convert>(param(element::string, {2}), element::f32)->has_evaluate());
}

TEST(Convert, CastsLikeCpp) {
  auto f = tensor<float>(element::f32, {6}, {3.9f, -3.9f, 300.f, -129.f, 0.f, 1e-3f});
  EXPECT_EQ(values<int>(convert(f, element::i32)), (std::vector<int>{3, -3, 300, -129, 0, 0}));
  // Out-of-range values keep their low byte (wrap), as the toolkit's kernel does on x86.
  EXPECT_EQ(values<int>(convert(f, element::i8)), (std::vector<int>{3, -3, 44, 127, 0, 0}));
  EXPECT_EQ(values<int>(convert(f, element::boolean)), (std::vector<int>{1, 1, 1, 1, 0, 1}));
  auto neg = tensor<int>(element::i32, {1}, {-1});
  EXPECT_EQ(values<uint64_t>(convert(neg, element::u32)), (std::vector<uint64_t>{4294967295u}));
  auto big = tensor<float>(element::f32, {2}, {65504.f, 1e6f});
  auto half = values<float>(convert(big, element::f16));
  EXPECT_EQ(half[0], 65504.f);
  EXPECT_TRUE(std::isinf(half[1]));
  auto b = tensor<float>(element::f32, {1}, {1.00390625f});
  EXPECT_EQ(values<float>(convert(b, element::bf16))[0], 1.f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(values<int>(convert(tensor<float>(element::f32, {1}, {nan}), element::boolean))[0], 1);
  EXPECT_EQ(values<int>(convert(tensor<float>(element::f32, {1}, {nan}), element::i32))[0], 0);
}

TEST(Convert, SubByteDestinationsKeepTheLowBits) {
  auto in = tensor<int>(element::i32, {5}, {17, -1, 8, 3, 2});
  auto u4 = convert(in, element::u4);
  EXPECT_EQ(values<int>(u4), (std::vector<int>{1, 15, 8, 3, 2}));
  EXPECT_EQ(u4.get_byte_size(), 3u);
  const auto* bytes = static_cast<const uint8_t*>(u4.data());
  EXPECT_EQ(bytes[0], 0xF1);  // element 0 in the low nibble
  EXPECT_EQ(bytes[2], 0x02);  // unused tail bits are zero
  EXPECT_EQ(values<int>(convert(in, element::i4)), (std::vector<int>{1, -1, -8, 3, 2}));
  EXPECT_EQ(values<int>(convert(in, element::u2)), (std::vector<int>{1, 3, 0, 3, 2}));
  auto f = tensor<float>(element::f32, {2}, {2.f, 1.f});
  EXPECT_EQ(values<int>(convert(f, element::u1)), (std::vector<int>{0, 1}));
}

TEST(Convert, SubByteSourcesUnpack) {
  // Packed weights decompressed to f32: i4 sign-extends, u4 and u2 zero-extend.
  const uint8_t i4_bytes[] = {0x8F, 0x71};  // elements: -1, -8, 1, 7
  ov::Tensor i4(element::i4, {4}, const_cast<uint8_t*>(i4_bytes));
  EXPECT_EQ(values<float>(convert(i4, element::f32)), (std::vector<float>{-1, -8, 1, 7}));
  ov::Tensor u4(element::u4, {4}, const_cast<uint8_t*>(i4_bytes));
  EXPECT_EQ(values<float>(convert(u4, element::f16)), (std::vector<float>{15, 8, 1, 7}));
  const uint8_t u2_bytes[] = {0xE4};  // 0, 1, 2, 3
  ov::Tensor u2(element::u2, {4}, const_cast<uint8_t*>(u2_bytes));
  EXPECT_EQ(values<int>(convert(u2, element::i32)), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(values<int>(convert(u2, element::u4)), (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
