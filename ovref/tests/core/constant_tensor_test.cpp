#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/runtime/tensor.hpp"

namespace {

using ov::op::v0::Constant;

TEST(Constant, ConvertsAndBroadcastsLiterals) {
  auto c = Constant::create(ov::element::i32, ov::Shape{2, 2}, {1.9f, -1.9f, 3.f, 4.f});
  EXPECT_EQ(c->cast_vector<int>(), (std::vector<int>{1, -1, 3, 4}));
  EXPECT_EQ(c->get_byte_size(), 16u);
  auto filled = std::make_shared<Constant>(ov::element::f16, ov::Shape{3}, 1.5f);
  EXPECT_EQ(filled->cast_vector<float>(), (std::vector<float>{1.5f, 1.5f, 1.5f}));
  EXPECT_TRUE(filled->get_all_data_elements_bitwise_identical());
  auto one = Constant::create(ov::element::i64, ov::Shape{3}, {7});
  EXPECT_EQ(one->cast_vector<int64_t>(), (std::vector<int64_t>{7, 7, 7}));
  try {
    Constant::create(ov::element::f32, ov::Shape{2, 2}, {1.f, 2.f, 3.f});
    FAIL();
  } catch (const ov::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Did not get the expected number of literals for a "
                                         "constant of shape [2,2] (got 3, expected 1 or 4)."),
              std::string::npos);
  }
  EXPECT_THROW(std::make_shared<Constant>(ov::element::u8, ov::Shape{1}, 300), ov::Exception);
  EXPECT_THROW(std::make_shared<Constant>(ov::element::u4, ov::Shape{1}, 16), ov::Exception);
  auto zeros = std::make_shared<Constant>(ov::element::f32, ov::Shape{2});
  EXPECT_EQ(zeros->cast_vector<float>(), (std::vector<float>{0.f, 0.f}));
}

TEST(Constant, SubByteTypesArePackedAsTheToolkitPacksThem) {
  auto u4 = Constant::create(ov::element::u4, ov::Shape{5}, {1, 2, 3, 15, 4});
  EXPECT_EQ(u4->get_byte_size(), 3u);
  EXPECT_EQ(u4->get_vector<uint8_t>(), (std::vector<uint8_t>{0x21, 0xF3, 0x04}));
  EXPECT_EQ(u4->cast_vector<int>(), (std::vector<int>{1, 2, 3, 15, 4}));

  auto i4 = Constant::create(ov::element::i4, ov::Shape{2}, {-1, 7});
  EXPECT_EQ(i4->get_vector<uint8_t>(), (std::vector<uint8_t>{0x7F}));
  EXPECT_EQ(i4->cast_vector<int>(), (std::vector<int>{-1, 7}));

  auto u2 = Constant::create(ov::element::u2, ov::Shape{5}, {0, 1, 2, 3, 1});
  EXPECT_EQ(u2->get_vector<uint8_t>(), (std::vector<uint8_t>{0xE4, 0x01}));
  EXPECT_EQ(u2->cast_vector<int>(), (std::vector<int>{0, 1, 2, 3, 1}));

  auto u1 = Constant::create(ov::element::u1, ov::Shape{10}, {1, 0, 0, 0, 0, 0, 0, 1, 1, 0});
  EXPECT_EQ(u1->get_vector<uint8_t>(), (std::vector<uint8_t>{0x81, 0x80}));

  const std::string text[] = {"1", "2", "3"};
  auto from_strings = std::make_shared<Constant>(ov::element::u4, ov::Shape{3},
                                                 std::vector<std::string>(text, text + 3));
  EXPECT_EQ(from_strings->cast_vector<int>(), (std::vector<int>{1, 2, 3}));
  EXPECT_THROW(
      std::make_shared<Constant>(ov::element::i32, ov::Shape{1}, std::vector<std::string>{"x"}),
      ov::Exception);
}

TEST(Constant, SharedMemoryConstructorAndClonesDoNotCopy) {
  std::vector<float> data{1.f, 2.f, 3.f, 4.f};
  auto owner = std::make_shared<int>(0);
  auto view = std::make_shared<Constant>(ov::element::f32, ov::Shape{4}, data.data(), owner);
  EXPECT_EQ(view->get_data_ptr(), data.data());
  data[2] = 30.f;
  EXPECT_EQ(view->cast_vector<float>()[2], 30.f);
  EXPECT_EQ(owner.use_count(), 2);

  auto clone = view->clone_with_new_inputs({});
  EXPECT_EQ(std::static_pointer_cast<Constant>(clone)->get_data_ptr(), data.data());
  auto reshaped = std::make_shared<Constant>(*view, ov::Shape{2, 2});
  EXPECT_EQ(reshaped->get_data_ptr(), data.data());
  EXPECT_THROW(std::make_shared<Constant>(*view, ov::Shape{3}), ov::Exception);

  auto copied = std::make_shared<Constant>(ov::element::f32, ov::Shape{4}, data.data());
  EXPECT_NE(copied->get_data_ptr(), data.data());

  ov::Tensor t(ov::element::i32, ov::Shape{2});
  t.data<int32_t>()[0] = 5;
  t.data<int32_t>()[1] = 6;
  auto from_tensor = std::make_shared<Constant>(t);
  EXPECT_EQ(from_tensor->get_data_ptr(), t.data());
  t = ov::Tensor();  // the constant keeps the memory alive
  EXPECT_EQ(from_tensor->cast_vector<int>(), (std::vector<int>{5, 6}));
}

TEST(Constant, TextFormsAndValueHelpers) {
  auto f = Constant::create(
      ov::element::f32, ov::Shape{4},
      {1.5f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
       -std::numeric_limits<float>::infinity()});
  EXPECT_EQ(f->get_value_strings(),
            (std::vector<std::string>{"1.5", "NAN", "INFINITY", "-INFINITY"}));
  auto axes = Constant::create(ov::element::i64, ov::Shape{3}, {2, -1, 0});
  EXPECT_EQ(axes->get_axis_vector_val(), (ov::AxisVector{2, 0, 0}));
  EXPECT_EQ(axes->get_coordinate_diff_val(), (ov::CoordinateDiff{2, -1, 0}));
  EXPECT_EQ(axes->get_shape_val(), (ov::Shape{2, 0, 0}));
  EXPECT_THROW(axes->get_data_ptr<ov::element::Type_t::i32>(), ov::Exception);
  EXPECT_EQ(axes->get_data_ptr<ov::element::Type_t::i64>()[0], 2);
  EXPECT_THROW(Constant::create(ov::element::i8, ov::Shape{1}, {1})->get_data_ptr<int32_t>(),
               ov::Exception);
  auto strings = std::make_shared<Constant>(ov::element::string, ov::Shape{2},
                                            std::vector<std::string>{"a", "bc"});
  EXPECT_EQ(strings->cast_vector<std::string>(), (std::vector<std::string>{"a", "bc"}));
}

class Recorder : public ov::AttributeVisitor {
 public:
  void on_adapter(const std::string& name, ov::ValueAccessor<void>& adapter) override {
    names.push_back(name);
    if (auto* a = ov::as_type<ov::AttributeAdapter<std::shared_ptr<ov::AlignedBuffer>>>(&adapter)) {
      buffer = a->get();
    }
  }
  void on_adapter(const std::string& name, ov::ValueAccessor<std::string>& adapter) override {
    names.push_back(name);
    strings[name] = adapter.get();
  }
  void on_adapter(const std::string& name,
                  ov::ValueAccessor<std::vector<int64_t>>& adapter) override {
    names.push_back(name);
    vectors[name] = adapter.get();
  }
  std::vector<std::string> names;
  std::map<std::string, std::string> strings;
  std::map<std::string, std::vector<int64_t>> vectors;
  std::shared_ptr<ov::AlignedBuffer> buffer;
};

TEST(Constant, VisitsTypeShapeAndBuffer) {
  auto c = Constant::create(ov::element::u8, ov::Shape{2, 3}, {1, 2, 3, 4, 5, 6});
  Recorder r;
  c->visit_attributes(r);
  EXPECT_EQ(r.names, (std::vector<std::string>{"element_type", "shape", "value"}));
  EXPECT_EQ(r.strings["element_type"], "u8");
  EXPECT_EQ(r.vectors["shape"], (std::vector<int64_t>{2, 3}));
  ASSERT_TRUE(r.buffer);
  EXPECT_EQ(r.buffer->get_ptr(), c->get_data_ptr());
}

TEST(Tensor, OwnsOrWrapsMemory) {
  ov::Tensor owned(ov::element::f32, ov::Shape{2, 3});
  EXPECT_EQ(owned.get_size(), 6u);
  EXPECT_EQ(owned.get_byte_size(), 24u);
  EXPECT_EQ(owned.get_strides(), (ov::Strides{12, 4}));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(owned.data()) % 64, 0u);
  EXPECT_THROW(owned.data<int32_t>(), ov::Exception);
  ov::Tensor shared = owned;
  EXPECT_EQ(shared.data(), owned.data());
  owned.set_shape({1, 2});
  EXPECT_EQ(owned.get_shape(), (ov::Shape{1, 2}));
  EXPECT_FALSE(ov::Tensor());

  std::vector<int32_t> host{1, 2, 3, 4, 5, 6};
  ov::Tensor view(ov::element::i32, ov::Shape{2, 3}, host.data());
  EXPECT_EQ(view.data(), host.data());
  EXPECT_THROW(view.set_shape({3, 3}), ov::Exception);
  ov::Tensor roi(view, ov::Coordinate{0, 1}, ov::Coordinate{2, 3});
  EXPECT_FALSE(roi.is_continuous());
  ov::Tensor dense(ov::element::i32, ov::Shape{2, 2});
  roi.copy_to(dense);
  EXPECT_EQ(std::vector<int32_t>(dense.data<int32_t>(), dense.data<int32_t>() + 4),
            (std::vector<int32_t>{2, 3, 5, 6}));
  const std::vector<int32_t> constant_host{7};
  ov::Tensor read_only(ov::element::i32, ov::Shape{1},
                       static_cast<const void*>(constant_host.data()));
  EXPECT_THROW(read_only.data(), ov::Exception);
  EXPECT_EQ(static_cast<const ov::Tensor&>(read_only).data<int32_t>()[0], 7);

  ov::Tensor packed(ov::element::u4, ov::Shape{5});
  EXPECT_EQ(packed.get_byte_size(), 3u);
  EXPECT_NO_THROW(packed.data<uint8_t>());
}

}  // namespace
