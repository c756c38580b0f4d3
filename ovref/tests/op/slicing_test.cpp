#include <limits>
#include <numeric>

#include "op_test_utils.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/slice.hpp"
#include "openvino/op/strided_slice.hpp"

namespace {

using namespace ovref_test;
using ov::Dimension;
using ov::PartialShape;
namespace element = ov::element;
namespace v1 = ov::op::v1;
namespace v8 = ov::op::v8;
namespace v12 = ov::op::v12;

std::vector<int> iota(size_t n, int first = 0) {
  std::vector<int> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

std::vector<int> eval_one(const std::shared_ptr<ov::Node>& node,
                          const std::shared_ptr<ov::op::v0::Parameter>& p, const ov::Tensor& in,
                          ov::Shape* shape = nullptr) {
  auto out = run({node}, {p}, {in});
  if (shape) *shape = out[0].get_shape();
  return values<int>(out[0]);
}

TEST(StridedSlice, MasksSelectLikeNumpy) {
  auto p = param(element::i32, {10});
  auto in = tensor<int>(element::i32, {10}, iota(10));
  // x[::-1] through end_mask and begin_mask keeps element 0.
  auto rev = std::make_shared<v1::StridedSlice>(p, i64({0}), i64({0}), i64({-1}),
                                                std::vector<int64_t>{1}, std::vector<int64_t>{1});
  EXPECT_EQ(rev->get_output_partial_shape(0), (PartialShape{10}));
  EXPECT_EQ(eval_one(rev, p, in), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  // x[-3:] and x[1:8:3]
  auto tail = std::make_shared<v1::StridedSlice>(p, i64({-3}), i64({0}), i64({1}),
                                                 std::vector<int64_t>{0}, std::vector<int64_t>{1});
  EXPECT_EQ(eval_one(tail, p, in), (std::vector<int>{7, 8, 9}));
  auto step = std::make_shared<v1::StridedSlice>(p, i64({1}), i64({8}), i64({3}),
                                                 std::vector<int64_t>{0}, std::vector<int64_t>{0});
  EXPECT_EQ(eval_one(step, p, in), (std::vector<int>{1, 4, 7}));

  // x[..., 1] on [2,3,4]: ellipsis then shrink.
  auto q = param(element::i32, {2, 3, 4});
  auto data = tensor<int>(element::i32, {2, 3, 4}, iota(24));
  auto ell = std::make_shared<v1::StridedSlice>(
      q, i64({0, 1}), i64({0, 2}), i64({1, 1}), std::vector<int64_t>{0, 0},
      std::vector<int64_t>{0, 0}, std::vector<int64_t>{0, 0}, std::vector<int64_t>{0, 1},
      std::vector<int64_t>{1, 0});
  EXPECT_EQ(ell->get_output_partial_shape(0), (PartialShape{2, 3}));
  EXPECT_EQ(eval_one(ell, q, data), (std::vector<int>{1, 5, 9, 13, 17, 21}));
  // x[1, np.newaxis, 0:2] -> [1, 2, 4]
  auto na = std::make_shared<v1::StridedSlice>(
      q, i64({1, 0, 0}), i64({2, 0, 2}), i64({1, 1, 1}), std::vector<int64_t>{0, 0, 0},
      std::vector<int64_t>{0, 0, 0}, std::vector<int64_t>{0, 1, 0}, std::vector<int64_t>{1, 0, 0});
  ov::Shape shape;
  EXPECT_EQ(na->get_output_partial_shape(0), (PartialShape{1, 2, 4}));
  EXPECT_EQ(eval_one(na, q, data, &shape), iota(8, 12));
  EXPECT_EQ(shape, (ov::Shape{1, 2, 4}));
}

TEST(StridedSlice, ValidationAndDynamicShapes) {
  auto p = param(element::f32, {4, -1});
  auto unknown =
      std::make_shared<v1::StridedSlice>(p, param(element::i64, {2}), i64({2, 2}), i64({1, 1}),
                                         std::vector<int64_t>{0, 0}, std::vector<int64_t>{0, 0});
  EXPECT_EQ(unknown->get_output_partial_shape(0), (PartialShape{Dimension(0, 4), -1}));
  auto no_strides = std::make_shared<v1::StridedSlice>(
      p, i64({1}), i64({3}), std::vector<int64_t>{0}, std::vector<int64_t>{0});
  EXPECT_EQ(no_strides->get_input_size(), 4u);
  EXPECT_EQ(no_strides->get_output_partial_shape(0), (PartialShape{2, -1}));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::StridedSlice>(p, i64({1}), i64({3}), i64({1}), std::vector<int64_t>{2},
                                           std::vector<int64_t>{0});
      },
      "All masks of StridedSlice must have be 0 or 1"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::StridedSlice>(p, i64({1, 0}), i64({3, 1}), i64({1, 1}),
                                           std::vector<int64_t>{0}, std::vector<int64_t>{0, 0});
      },
      "All masks of StridedSlice must have the same size"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::StridedSlice>(p, i64({1}), i64({3, 4}), i64({1}),
                                           std::vector<int64_t>{0}, std::vector<int64_t>{0});
      },
      "Begin and end need to have same number of values."));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::StridedSlice>(p, i64({1}), i64({3}), i64({0}), std::vector<int64_t>{0},
                                           std::vector<int64_t>{0});
      },
      "Stride must be non-zero"));
  EXPECT_EQ(std::make_shared<v1::StridedSlice>(param(element::f32, PartialShape::dynamic()),
                                               i64({1}), i64({3}), i64({1}),
                                               std::vector<int64_t>{0}, std::vector<int64_t>{0})
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
}

TEST(Slice, PythonSemanticsIncludingTheIdioms) {
  auto p = param(element::i32, {10});
  auto in = tensor<int>(element::i32, {10}, iota(10));
  const int64_t big = std::numeric_limits<int64_t>::max();
  const int64_t small = std::numeric_limits<int64_t>::min();
  auto sl = [&](int64_t a, int64_t b, int64_t s) {
    return eval_one(std::make_shared<v8::Slice>(p, i64({a}), i64({b}), i64({s})), p, in);
  };
  EXPECT_EQ(sl(9, -11, -1), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(sl(9, 0, -1).size(), 9u);
  EXPECT_EQ(sl(100, -100, -1).size(), 10u);
  EXPECT_EQ(sl(-100, 100, 1), iota(10));
  EXPECT_EQ(sl(small, big, 3), (std::vector<int>{0, 3, 6, 9}));
  EXPECT_EQ(sl(big, small, -4), (std::vector<int>{9, 5, 1}));
  EXPECT_TRUE(sl(5, 2, 1).empty());

  auto q = param(element::i32, {3, 4});
  auto along = std::make_shared<v8::Slice>(q, i64({-1}), i64({0}), i64({-2}), i64({-1}));
  EXPECT_EQ(along->get_output_partial_shape(0), (PartialShape{3, 2}));
  EXPECT_EQ(eval_one(along, q, tensor<int>(element::i32, {3, 4}, iota(12))),
            (std::vector<int>{3, 1, 7, 5, 11, 9}));
  EXPECT_TRUE(message_has([&] { std::make_shared<v8::Slice>(q, i64({0}), i64({1}), i64({0})); },
                          "Step must be non-zero"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v8::Slice>(q, i64({0, 0}), i64({1, 1}), i64({1, 1}), i64({1, -1}));
      },
      "Slice values in `axes` input must be unique."));
  auto dyn = std::make_shared<v8::Slice>(param(element::f32, {Dimension(2, 8), 4}),
                                         param(element::i64, {1}), i64({5}), i64({1}));
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{Dimension(0, 8), 4}));
}

TEST(Pad, ModesAndNegativePads) {
  auto p = param(element::i32, {3, 4});
  auto in = tensor<int>(element::i32, {3, 4}, iota(12, 1));
  auto reflect =
      std::make_shared<v12::Pad>(p, i64({2, -1}), i64({-1, 3}), ov::op::PadMode::REFLECT);
  EXPECT_EQ(reflect->get_output_partial_shape(0), (PartialShape{4, 6}));
  auto r = eval_one(reflect, p, in);
  EXPECT_EQ(std::vector<int>(r.begin(), r.begin() + 6), (std::vector<int>{10, 11, 12, 11, 10, 9}));

  auto q = param(element::i32, {3});
  auto v = tensor<int>(element::i32, {3}, {1, 2, 3});
  auto pad = [&](ov::op::PadMode mode) {
    return eval_one(std::make_shared<v1::Pad>(q, i64({2}), i64({2}), mode), q, v);
  };
  EXPECT_EQ(pad(ov::op::PadMode::CONSTANT), (std::vector<int>{0, 0, 1, 2, 3, 0, 0}));
  EXPECT_EQ(pad(ov::op::PadMode::EDGE), (std::vector<int>{1, 1, 1, 2, 3, 3, 3}));
  EXPECT_EQ(pad(ov::op::PadMode::REFLECT), (std::vector<int>{3, 2, 1, 2, 3, 2, 1}));
  EXPECT_EQ(pad(ov::op::PadMode::SYMMETRIC), (std::vector<int>{2, 1, 1, 2, 3, 3, 2}));
  auto valued = std::make_shared<v1::Pad>(q, i64({1}), i64({0}),
                                          constant(element::i32, ov::Shape{}, std::vector<int>{-7}),
                                          ov::op::PadMode::CONSTANT);
  EXPECT_EQ(eval_one(valued, q, v), (std::vector<int>{-7, 1, 2, 3}));

  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::Pad>(q, i64({3}), i64({0}), ov::op::PadMode::REFLECT); },
      "REFLECT padding mode requires"));
  EXPECT_NO_THROW(std::make_shared<v1::Pad>(q, i64({3}), i64({0}), ov::op::PadMode::SYMMETRIC));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::Pad>(q, i64({1}), i64({0}),
                                  constant(element::f32, ov::Shape{}, std::vector<float>{0}),
                                  ov::op::PadMode::CONSTANT);
      },
      "Argument element types do not match"));
  auto dyn = std::make_shared<v1::Pad>(param(element::f32, {-1, Dimension(2, 5)}), i64({1, 1}),
                                       i64({1, 2}), ov::op::PadMode::CONSTANT);
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{Dimension(2, -1), Dimension(5, 8)}));
  EXPECT_EQ(std::make_shared<v1::Pad>(q, param(element::i64, {1}), i64({1}), ov::op::PadMode::EDGE)
                ->get_output_partial_shape(0),
            PartialShape::dynamic(1));
}

}  // namespace
