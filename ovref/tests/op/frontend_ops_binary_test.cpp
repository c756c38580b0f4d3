#include <cmath>

#include "op_test_utils.hpp"
#include "openvino/op/floor_mod.hpp"
#include "openvino/op/greater.hpp"
#include "openvino/op/greater_eq.hpp"
#include "openvino/op/less.hpp"
#include "openvino/op/less_eq.hpp"
#include "openvino/op/logical_and.hpp"
#include "openvino/op/logical_not.hpp"
#include "openvino/op/logical_or.hpp"
#include "openvino/op/logical_xor.hpp"
#include "openvino/op/maximum.hpp"
#include "openvino/op/minimum.hpp"
#include "openvino/op/mod.hpp"
#include "openvino/op/not_equal.hpp"
#include "openvino/op/squared_difference.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;

TEST(FrontendBinary, ArithmeticWithBroadcasting) {
  auto a = param(element::f32, {2, 3});
  auto b = param(element::f32, {3});
  const auto ta = tensor<float>(element::f32, {2, 3}, {1, -2, 7, 0.5f, 4, -7});
  const auto tb = tensor<float>(element::f32, {3}, {3, 3, -3});
  auto out = run({std::make_shared<v0::SquaredDifference>(a, b),
                  std::make_shared<v1::Maximum>(a, b), std::make_shared<v1::Minimum>(a, b),
                  std::make_shared<v1::FloorMod>(a, b), std::make_shared<v1::Mod>(a, b)},
                 {a, b}, {ta, tb});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{4, 25, 100, 6.25f, 1, 16}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{3, 3, 7, 3, 4, -3}));
  EXPECT_EQ(values<float>(out[2]), (std::vector<float>{1, -2, -3, 0.5f, 3, -7}));
  // FloorMod takes the divisor's sign, Mod the dividend's.
  EXPECT_EQ(values<float>(out[3]), (std::vector<float>{1, 1, -2, 0.5f, 1, -1}));
  EXPECT_EQ(values<float>(out[4]), (std::vector<float>{1, -2, 1, 0.5f, 1, -1}));

  auto x = param(element::i32, {6});
  auto y = param(element::i32, {6});
  const auto tx =
      tensor<int>(element::i32, {6}, {7, -7, 7, -7, 6, std::numeric_limits<int>::min()});
  const auto ty = tensor<int>(element::i32, {6}, {3, 3, -3, -3, 3, -1});
  auto outi = run({std::make_shared<v1::FloorMod>(x, y), std::make_shared<v1::Mod>(x, y),
                   std::make_shared<v0::SquaredDifference>(x, y)},
                  {x, y}, {tx, ty});
  EXPECT_EQ(values<int>(outi[0]), (std::vector<int>{1, 2, -2, -1, 0, 0}));
  EXPECT_EQ(values<int>(outi[1]), (std::vector<int>{1, -1, 1, -1, 0, 0}));
  EXPECT_EQ(values<int>(outi[2])[0], 16);

  // Integer division by zero is reported, not undefined.
  auto zero = std::make_shared<v1::Mod>(x, y);
  ov::TensorVector result{ov::Tensor(element::i32, {6})};
  EXPECT_THROW(zero->evaluate(result, {tx, tensor<int>(element::i32, {6}, {1, 1, 1, 1, 1, 0})}),
               ov::Exception);

  auto h = param(element::f16, {3});
  auto outh = run({std::make_shared<v1::Maximum>(h, h),
                   std::make_shared<v1::FloorMod>(h, constant<float>(element::f16, {}, {2.0f}))},
                  {h}, {tensor<float>(element::f16, {3}, {-1.5f, 2.5f, 3})});
  EXPECT_EQ(values<float>(outh[0]), (std::vector<float>{-1.5f, 2.5f, 3}));
  EXPECT_EQ(values<float>(outh[1]), (std::vector<float>{0.5f, 0.5f, 1}));

  EXPECT_EQ(
      std::make_shared<v1::Maximum>(param(element::f32, {-1, 1, 4}), param(element::f32, {3, 1}))
          ->get_output_partial_shape(0),
      (PartialShape{-1, 3, 4}));
  EXPECT_THROW(std::make_shared<v1::Minimum>(param(element::f32, {2}), param(element::f32, {3})),
               ov::NodeValidationFailure);
  EXPECT_THROW(
      std::make_shared<v1::FloorMod>(param(element::boolean, {2}), param(element::boolean, {2})),
      ov::NodeValidationFailure);
}

TEST(FrontendBinary, Comparisons) {
  auto a = param(element::i64, {4});
  auto b = param(element::i64, {});
  auto out = run(
      {std::make_shared<v1::Less>(a, b), std::make_shared<v1::LessEqual>(a, b),
       std::make_shared<v1::Greater>(a, b), std::make_shared<v1::GreaterEqual>(a, b),
       std::make_shared<v1::NotEqual>(a, b)},
      {a, b},
      {tensor<int64_t>(element::i64, {4}, {-5, 2, 3, 9}), tensor<int64_t>(element::i64, {}, {3})});
  for (const auto& t : out) EXPECT_EQ(t.get_element_type(), element::boolean);
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{1, 1, 0, 0}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{1, 1, 1, 0}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(values<int>(out[4]), (std::vector<int>{1, 1, 0, 1}));

  auto f = param(element::bf16, {2, 1});
  auto g = param(element::bf16, {1, 2});
  auto outf = run({std::make_shared<v1::Less>(f, g)}, {f, g},
                  {tensor<float>(element::bf16, {2, 1}, {0.5f, 2}),
                   tensor<float>(element::bf16, {1, 2}, {1, 3})});
  EXPECT_EQ(outf[0].get_shape(), (ov::Shape{2, 2}));
  EXPECT_EQ(values<int>(outf[0]), (std::vector<int>{1, 1, 0, 1}));
  auto less = std::make_shared<v1::Less>(param(element::f32, {2, -1}), param(element::f32, {1}));
  EXPECT_EQ(less->get_output_element_type(0), element::boolean);
  EXPECT_EQ(less->get_output_partial_shape(0), (PartialShape{2, -1}));
  EXPECT_TRUE(message_has(
      [] { std::make_shared<v1::NotEqual>(param(element::f32, {2}), param(element::i32, {2})); },
      "Arguments do not have the same element type"));
}

TEST(FrontendBinary, LogicalOps) {
  auto a = param(element::boolean, {4});
  auto b = param(element::boolean, {4});
  auto out = run({std::make_shared<v1::LogicalAnd>(a, b), std::make_shared<v1::LogicalOr>(a, b),
                  std::make_shared<v1::LogicalXor>(a, b), std::make_shared<v1::LogicalNot>(a)},
                 {a, b},
                 {tensor<int>(element::boolean, {4}, {0, 0, 1, 1}),
                  tensor<int>(element::boolean, {4}, {0, 1, 0, 1})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{0, 1, 1, 1}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{1, 1, 0, 0}));

  auto bc = std::make_shared<v1::LogicalAnd>(param(element::boolean, {3, 1}),
                                             param(element::boolean, {4}));
  EXPECT_EQ(bc->get_output_partial_shape(0), (PartialShape{3, 4}));
  EXPECT_TRUE(message_has(
      [] { std::make_shared<v1::LogicalOr>(param(element::f32, {2}), param(element::f32, {2})); },
      "must have boolean element type"));
  EXPECT_TRUE(message_has([] { std::make_shared<v1::LogicalNot>(param(element::i32, {2})); },
                          "must have boolean element type"));
  EXPECT_THROW(
      std::make_shared<v1::LogicalXor>(param(element::boolean, {2}), param(element::boolean, {3})),
      ov::NodeValidationFailure);
  EXPECT_EQ(std::string(bc->get_type_info().name), "LogicalAnd");
}

}  // namespace
