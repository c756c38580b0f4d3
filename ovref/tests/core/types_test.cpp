#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "openvino/core/partial_shape.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/core/strides.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/core/type/element_type_traits.hpp"

namespace {

using ov::Dimension;
using ov::PartialShape;
namespace element = ov::element;

template <typename T>
std::string text(const T& v) {
  std::stringstream ss;
  ss << v;
  return ss.str();
}

TEST(ElementType, PropertiesFollowTheTable) {
  EXPECT_EQ(element::Type(), element::dynamic);
  EXPECT_EQ(static_cast<int>(element::Type_t::u4), 14);
  EXPECT_EQ(static_cast<int>(element::Type_t::f8e8m0), 25);
  EXPECT_EQ(element::boolean.bitwidth(), 8u);
  EXPECT_TRUE(element::boolean.is_signed());
  EXPECT_TRUE(element::boolean.is_integral());
  EXPECT_FALSE(element::boolean.is_integral_number());
  EXPECT_EQ(element::u1.size(), 1u);
  EXPECT_EQ(element::i4.bitwidth(), 4u);
  EXPECT_TRUE(element::i4.is_quantized());
  EXPECT_FALSE(element::i16.is_quantized());
  EXPECT_TRUE(element::f8e4m3.is_real());
  EXPECT_TRUE(element::dynamic.is_dynamic());
  EXPECT_EQ(element::dynamic.size(), 0u);
  EXPECT_EQ(element::f16.c_type_string(), "float16");
  EXPECT_EQ(element::boolean.c_type_string(), "char");
  EXPECT_EQ(element::nf4.c_type_string(), "nfloat4");
  EXPECT_EQ(text(element::f32), "f32");
  EXPECT_EQ(element::u2.get_type_name(), "u2");
}

TEST(ElementType, ParsesNamesAndLegacyNames) {
  EXPECT_EQ(element::Type("FP16"), element::f16);
  EXPECT_EQ(element::Type("BIN"), element::u1);
  EXPECT_EQ(element::Type("BOOL"), element::boolean);
  EXPECT_EQ(element::Type("undefined"), element::dynamic);
  EXPECT_EQ(element::Type("f8e5m2"), element::f8e5m2);
  EXPECT_THROW(element::Type("float"), ov::Exception);
  element::Type t = element::i8;
  std::istringstream in("bogus u16");
  in >> t;
  EXPECT_EQ(t, element::i8);
  in >> t;
  EXPECT_EQ(t, element::u16);
}

TEST(ElementType, MergeAndFromAndMemorySize) {
  element::Type dst = element::i8;
  EXPECT_TRUE(element::Type::merge(dst, element::dynamic, element::f32));
  EXPECT_EQ(dst, element::f32);
  EXPECT_FALSE(element::Type::merge(dst, element::i32, element::f32));
  EXPECT_EQ(dst, element::f32);
  EXPECT_EQ(element::from<char>(), element::boolean);
  EXPECT_EQ(element::from<ov::bfloat16>(), element::bf16);
  EXPECT_THROW(element::from<long double>(), ov::Exception);
  static_assert(std::is_same_v<ov::fundamental_type_for<element::Type_t::u4>, int8_t>);
  EXPECT_EQ(ov::get_memory_size(element::u4, 5), 3u);
  EXPECT_EQ(ov::get_memory_size(element::u1, 10), 2u);
  EXPECT_EQ(ov::get_memory_size(element::u3, 9), 6u);
  EXPECT_EQ(ov::get_memory_size(element::f32, 3), 12u);
}

TEST(FloatTypes, RoundToNearestEvenAndSpecialValues) {
  EXPECT_EQ(ov::float16(1.0f).to_bits(), 0x3C00);
  EXPECT_EQ(ov::float16(65504.0f).to_bits(), 0x7BFF);
  EXPECT_EQ(ov::float16(65520.0f).to_bits(), 0x7C00);            // rounds up to infinity
  EXPECT_EQ(ov::float16(1.0f + 1.0f / 2048).to_bits(), 0x3C00);  // tie to even
  EXPECT_EQ(ov::float16(1.0f + 3.0f / 2048).to_bits(), 0x3C02);  // tie to even, up
  EXPECT_EQ(static_cast<float>(ov::float16::from_bits(0x0001)), std::ldexp(1.0f, -24));
  EXPECT_EQ(ov::float16(std::ldexp(1.0f, -25)).to_bits(), 0x0000);  // halfway to the min subnormal
  EXPECT_TRUE(std::isnan(static_cast<float>(ov::float16(std::nanf("")))));
  EXPECT_EQ(ov::bfloat16(1.00390625f).to_bits(), 0x3F80);  // tie to even
  EXPECT_EQ(ov::bfloat16(1.01171875f).to_bits(), 0x3F82);
  EXPECT_EQ(static_cast<float>(ov::float8_e4m3(448.0f)), 448.0f);
  EXPECT_EQ(static_cast<float>(ov::float8_e4m3(1000.0f)), 448.0f);
  EXPECT_EQ(static_cast<float>(ov::float8_e4m3(0.3f)), 0.3125f);
  EXPECT_EQ(static_cast<float>(ov::float8_e5m2(57344.0f)), 57344.0f);
  EXPECT_TRUE(std::isinf(static_cast<float>(ov::float8_e5m2(1e6f))));
  EXPECT_EQ(static_cast<float>(ov::float8_e5m2(-0.75f)), -0.75f);
}

TEST(Dimension, IntervalsPrintAndMerge) {
  EXPECT_EQ(text(Dimension(5)), "5");
  EXPECT_EQ(text(Dimension(2, 10)), "2..10");
  EXPECT_EQ(text(Dimension(3, -1)), "3..");
  EXPECT_EQ(text(Dimension(0, 10)), "..10");
  EXPECT_EQ(text(Dimension()), "?");
  EXPECT_EQ(text(Dimension(-1)), "?");
  EXPECT_EQ(Dimension("2..5"), Dimension(2, 5));
  EXPECT_EQ(Dimension("..7"), Dimension(0, 7));
  EXPECT_EQ(Dimension("?"), Dimension::dynamic());
  EXPECT_THROW(Dimension("x"), ov::Exception);
  EXPECT_THROW(Dimension(2, 5).get_length(), ov::Exception);
  EXPECT_EQ(Dimension(3, -1).get_max_length(), -1);

  Dimension d;
  EXPECT_TRUE(Dimension::merge(d, Dimension(), 5));
  EXPECT_EQ(d, Dimension(5));
  EXPECT_FALSE(Dimension::merge(d, 3, 4));
  EXPECT_EQ(d, Dimension(5));
  EXPECT_TRUE(Dimension::broadcast_merge(d, Dimension(), 1));
  EXPECT_EQ(d, Dimension());
  EXPECT_TRUE(Dimension::broadcast_merge(d, Dimension(), 5));
  EXPECT_EQ(d, Dimension(5));
  EXPECT_TRUE(Dimension::broadcast_merge(d, 1, 4));
  EXPECT_EQ(d, Dimension(4));
  EXPECT_FALSE(Dimension::broadcast_merge(d, 3, 4));
  EXPECT_EQ(Dimension(2, 4) + Dimension(1, 3), Dimension(3, 7));
  EXPECT_EQ(Dimension(6, 9) / 3, Dimension(2, 3));
}

TEST(PartialShape, PrintsLikeTheToolkit) {
  EXPECT_EQ(text(PartialShape{1, -1, 4}), "[1,?,4]");
  EXPECT_EQ(text(PartialShape{Dimension(2, 10), 3}), "[2..10,3]");
  EXPECT_EQ(text(PartialShape{}), "[]");
  EXPECT_EQ(text(PartialShape::dynamic()), "[...]");
  EXPECT_EQ(text(PartialShape::dynamic(2)), "[?,?]");
  EXPECT_EQ(text(ov::Shape{1, 3, 224, 224}), "[1,3,224,224]");
  EXPECT_EQ(text(ov::Shape{}), "[]");
  EXPECT_EQ(text(ov::Strides{1, 2}), "Strides{1, 2}");
  EXPECT_EQ(PartialShape("[1,?,2..5]"), (PartialShape{1, -1, Dimension(2, 5)}));
  EXPECT_EQ(PartialShape("..."), PartialShape::dynamic());
  EXPECT_THROW(PartialShape("[1,,2]"), ov::Exception);
  EXPECT_EQ(ov::Shape("[1,2,3]"), (ov::Shape{1, 2, 3}));
}

TEST(PartialShape, QueriesAndConversions) {
  PartialShape s{2, -1, 3};
  EXPECT_TRUE(s.is_dynamic());
  EXPECT_EQ(s.rank(), Dimension(3));
  EXPECT_EQ(s[-1], Dimension(3));
  EXPECT_THROW(s[3], ov::Exception);
  EXPECT_THROW(s.to_shape(), ov::Exception);
  EXPECT_EQ(s.get_min_shape(), (ov::Shape{2, 0, 3}));
  EXPECT_EQ(PartialShape::dynamic().rank(), Dimension::dynamic());
  EXPECT_THROW(PartialShape::dynamic().size(), ov::Exception);
  EXPECT_TRUE(PartialShape::dynamic() == PartialShape::dynamic());
  EXPECT_TRUE(s.compatible(PartialShape{2, 7, 3}));
  EXPECT_FALSE(s.compatible(PartialShape{2, 7}));
  EXPECT_TRUE(s.same_scheme(PartialShape{2, Dimension(1, 5), 3}));
  EXPECT_TRUE(s.relaxes(PartialShape{2, 4, 3}));
  ov::Shape shape{4, 5};
  EXPECT_EQ(shape[-1], 5u);
  EXPECT_THROW(shape.at(2), ov::Exception);
  EXPECT_EQ(ov::shape_size(ov::Shape{}), 1u);
  EXPECT_EQ(ov::row_major_strides(ov::Shape{2, 3, 4}), (std::vector<size_t>{12, 4, 1}));
}

TEST(PartialShape, MergeAndBroadcastMerge) {
  PartialShape dst = PartialShape::dynamic();
  EXPECT_TRUE(PartialShape::merge_into(dst, PartialShape{2, -1}));
  EXPECT_TRUE(PartialShape::merge_into(dst, PartialShape{-1, 3}));
  EXPECT_EQ(dst, (PartialShape{2, 3}));
  EXPECT_FALSE(PartialShape::merge_into(dst, PartialShape{2, 4}));
  EXPECT_FALSE(PartialShape::merge_into(dst, PartialShape{2}));

  const ov::op::AutoBroadcastSpec numpy(ov::op::AutoBroadcastType::NUMPY);
  PartialShape a{2, 1, 5};
  EXPECT_TRUE(PartialShape::broadcast_merge_into(a, PartialShape{1, 4, 5}, numpy));
  EXPECT_EQ(a, (PartialShape{2, 4, 5}));
  PartialShape b{6, 5};
  EXPECT_TRUE(PartialShape::broadcast_merge_into(b, PartialShape{2, 1, 5}, numpy));
  EXPECT_EQ(b, (PartialShape{2, 6, 5}));
  PartialShape c{3};
  EXPECT_FALSE(PartialShape::broadcast_merge_into(c, PartialShape{2}, numpy));
  PartialShape d{3, -1};
  EXPECT_TRUE(PartialShape::broadcast_merge_into(d, PartialShape::dynamic(), numpy));
  EXPECT_EQ(d, PartialShape::dynamic());

  const ov::op::AutoBroadcastSpec pdpd(ov::op::AutoBroadcastType::PDPD, 1);
  PartialShape e{2, 3, 4, 5};
  EXPECT_TRUE(PartialShape::broadcast_merge_into(e, PartialShape{3, 1}, pdpd));
  EXPECT_EQ(e, (PartialShape{2, 3, 4, 5}));
  PartialShape f{2, 3, 4, 5};
  EXPECT_FALSE(PartialShape::broadcast_merge_into(f, PartialShape{4}, pdpd));
}

}  // namespace
