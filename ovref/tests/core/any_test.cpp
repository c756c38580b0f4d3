#include "openvino/core/any.hpp"

#include <gtest/gtest.h>

#include "openvino/core/partial_shape.hpp"
#include "openvino/core/runtime_attribute.hpp"
#include "openvino/core/type/element_type.hpp"

namespace {

struct Note : public ov::RuntimeAttribute {
  OPENVINO_RTTI("note", "0", RuntimeAttribute);
  Note() = default;
  explicit Note(std::string t) : text(std::move(t)) {}
  std::string to_string() const override { return text; }
  std::string text;
};

TEST(Any, HoldsValuesAndConvertsLikeTheToolkit) {
  ov::Any empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_FALSE(empty == ov::Any());
  EXPECT_TRUE(empty == nullptr);
  EXPECT_THROW(empty.as<int>(), ov::Exception);
  EXPECT_EQ(empty.as<std::string>(), "");

  ov::Any i = int64_t{5};
  EXPECT_TRUE(i.is<int64_t>());
  EXPECT_FALSE(i.is<int>());
  EXPECT_EQ(i.as<int>(), 5);
  EXPECT_EQ(i.as<double>(), 5.0);
  EXPECT_EQ(i.as<std::string>(), "5");
  EXPECT_THROW(i.as<bool>(), ov::Exception);
  EXPECT_THROW(ov::Any(true).as<int>(), ov::Exception);
  EXPECT_EQ(ov::Any(true).as<std::string>(), "YES");

  ov::Any s = "42";
  EXPECT_TRUE(s.is<std::string>());
  EXPECT_EQ(s.as<int>(), 42);
  EXPECT_THROW(ov::Any("abc").as<int>(), ov::Exception);
  EXPECT_TRUE(ov::Any(std::string("yes")).as<bool>());
  EXPECT_FALSE(ov::Any(std::string("OFF")).as<bool>());
  EXPECT_THROW(ov::Any(std::string("maybe")).as<bool>(), ov::Exception);
  EXPECT_EQ(ov::Any(std::string("f16")).as<ov::element::Type>(), ov::element::f16);
  EXPECT_EQ(ov::Any(std::string("1 2 3")).as<std::vector<int>>(), (std::vector<int>{1, 2, 3}));

  EXPECT_EQ(ov::Any(std::vector<int>{1, 2, 3}).as<std::string>(), "1 2 3");
  EXPECT_EQ(ov::Any(ov::element::f32).as<std::string>(), "f32");
  EXPECT_EQ(ov::Any(ov::PartialShape{1, -1}).as<std::string>(), "[1,?]");
  ov::AnyMap map{{"a", 1}, {"b", std::string("x")}};
  EXPECT_EQ(ov::Any(map).as<std::string>(), "{a:1,b:x}");
  auto parsed = ov::Any(std::string("{k:v,n:{x:1}}")).as<ov::AnyMap>();
  EXPECT_EQ(parsed.at("k").as<std::string>(), "v");
  EXPECT_EQ(parsed.at("n").as<std::string>(), "{x:1}");
}

TEST(Any, CopiesDeeplyAndComparesByValue) {
  ov::Any a = std::vector<int>{1, 2};
  ov::Any b = a;
  b.as<std::vector<int>>().push_back(3);
  EXPECT_EQ(a.as<std::vector<int>>().size(), 2u);
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a == ov::Any(std::vector<int>{1, 2}));
  EXPECT_FALSE(ov::Any(1) == ov::Any(1.0));
  struct NoEq {};
  EXPECT_THROW((void)(ov::Any(NoEq{}) == ov::Any(NoEq{})), ov::Exception);
}

TEST(Any, RuntimeAttributesAnswerForTheirBase) {
  ov::Any by_value = Note("hello");
  EXPECT_TRUE(by_value.is<Note>());
  EXPECT_TRUE(by_value.is<ov::RuntimeAttribute>());
  EXPECT_EQ(by_value.as<ov::RuntimeAttribute>().to_string(), "hello");
  EXPECT_EQ(by_value.as<std::string>(), "hello");

  ov::Any ptr = std::shared_ptr<ov::RuntimeAttribute>(std::make_shared<Note>("p"));
  EXPECT_EQ(ptr.as<std::shared_ptr<Note>>()->text, "p");
  EXPECT_EQ(ptr.as<std::string>(), "p");

  // No derived-to-base conversion for shared pointers.
  ov::Any derived = std::make_shared<Note>("d");
  EXPECT_FALSE(derived.is<std::shared_ptr<ov::RuntimeAttribute>>());

  EXPECT_EQ(std::string(Note::get_type_info_static()), "note_0");
  EXPECT_TRUE(
      Note::get_type_info_static().is_castable(ov::RuntimeAttribute::get_type_info_static()));
}

}  // namespace
