#include "op_test_utils.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/op/squeeze.hpp"
#include "openvino/op/tile.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;
namespace v3 = ov::op::v3;

PartialShape reshaped(const PartialShape& in, const std::vector<int64_t>& pattern, bool zero) {
  return std::make_shared<v1::Reshape>(param(element::f32, in), i64(pattern), zero)
      ->get_output_partial_shape(0);
}

TEST(Reshape, ShapeInference) {
  EXPECT_EQ(reshaped({2, 3, 4}, {-1, 4}, false), (PartialShape{6, 4}));
  EXPECT_EQ(reshaped({2, 3, 4}, {0, -1}, true), (PartialShape{2, 12}));
  EXPECT_EQ(reshaped({2, 3, 4}, {0, 0, 2, 2}, true), (PartialShape{2, 3, 2, 2}));
  EXPECT_EQ(reshaped({-1, 3, 4}, {0, -1}, true), (PartialShape{-1, 12}));
  EXPECT_EQ(reshaped({-1, 3}, {-1, 3}, false), (PartialShape{-1, 3}));
  EXPECT_EQ(reshaped(PartialShape::dynamic(), {0, 5}, true), (PartialShape{-1, 5}));
  EXPECT_EQ(reshaped({0, 4}, {0, -1}, false), (PartialShape{0, 0}));
  EXPECT_TRUE(message_has(
      [] {
        reshaped({2, 3}, {-1, -1}, false);
      },
      "More than one dimension has size of -1"));
  EXPECT_TRUE(message_has(
      [] {
        reshaped({2, 3}, {4, -1}, false);
      },
      "Non-'-1' output dimensions do not evenly divide"));
  EXPECT_TRUE(message_has(
      [] {
        reshaped({2, 3}, {5}, false);
      },
      "is incompatible with input shape"));
  EXPECT_TRUE(message_has([] { reshaped({2}, {1, 0}, true); }, "'0' dimension is out of range"));
  EXPECT_TRUE(message_has([] { reshaped({2}, {-2, 1}, false); }, "has invalid bounds"));
  auto scalar = std::make_shared<v1::Reshape>(
      param(element::f32, {1}), constant(element::i64, ov::Shape{}, std::vector<int64_t>{1}),
      false);
  EXPECT_EQ(scalar->get_output_partial_shape(0), (PartialShape{}));
  auto unknown =
      std::make_shared<v1::Reshape>(param(element::f32, {6}), param(element::i64, {3}), false);
  EXPECT_EQ(unknown->get_output_partial_shape(0), PartialShape::dynamic(3));
}

TEST(ShapeOps, SqueezeUnsqueezeShapes) {
  auto sq = [](const PartialShape& in, const std::vector<int64_t>& axes) {
    return std::make_shared<v0::Squeeze>(param(element::f32, in), i64(axes))
        ->get_output_partial_shape(0);
  };
  EXPECT_EQ(sq({1, 3, 1, 2}, {0, -2}), (PartialShape{3, 2}));
  EXPECT_EQ(sq({1, 3, 1}, {1}), (PartialShape{1, 3, 1}));  // a listed dim that is not 1 is kept
  EXPECT_EQ(sq({-1, 3}, {0}), (PartialShape{3}));
  EXPECT_EQ(
      std::make_shared<v0::Squeeze>(param(element::f32, {1, 3, 1}))->get_output_partial_shape(0),
      (PartialShape{3}));
  EXPECT_EQ(
      std::make_shared<v0::Squeeze>(param(element::f32, {-1, 3}))->get_output_partial_shape(0),
      PartialShape::dynamic());
  EXPECT_THROW(sq({1, 3}, {2}), ov::NodeValidationFailure);

  auto unsq = [](const PartialShape& in, const std::vector<int64_t>& axes) {
    return std::make_shared<v0::Unsqueeze>(param(element::f32, in), i64(axes))
        ->get_output_partial_shape(0);
  };
  EXPECT_EQ(unsq({2, 3}, {0, 3}), (PartialShape{1, 2, 3, 1}));
  EXPECT_EQ(unsq({2, 3}, {-1}), (PartialShape{2, 3, 1}));
  EXPECT_EQ(unsq({2, 3}, {1, 1}), (PartialShape{2, 1, 3}));
  EXPECT_EQ(unsq({2, 3, 4}, {4, -1}), (PartialShape{2, 3, 4, 1, 1}));
  EXPECT_TRUE(message_has([&] { unsq({2}, {}); }, "'axes' input is mandatory"));
  EXPECT_EQ(std::make_shared<v0::Unsqueeze>(param(element::f32, {2}), param(element::i64, {1}))
                ->get_output_partial_shape(0),
            PartialShape::dynamic(2));
}

TEST(ShapeOps, TransposeConcatShapeOf) {
  auto t = std::make_shared<v1::Transpose>(param(element::f32, {2, -1, 4}), i64({2, 0, 1}));
  EXPECT_EQ(t->get_output_partial_shape(0), (PartialShape{4, 2, -1}));
  EXPECT_EQ(std::make_shared<v1::Transpose>(param(element::f32, {2, 3}), i64({}))
                ->get_output_partial_shape(0),
            (PartialShape{3, 2}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::Transpose>(param(element::f32, {2, 3}), i64({0, 0}));
      },
      "is not valid for input shape"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::Transpose>(param(element::f32, {2, 3}), i64({0, 1, 2}));
      },
      "Input order must have shape [n]"));

  auto c = std::make_shared<v0::Concat>(
      ov::OutputVector{param(element::f32, {2, 3}), param(element::f32, {-1, 3}),
                       param(element::f32, PartialShape::dynamic())},
      -2);
  EXPECT_EQ(c->get_output_partial_shape(0), (PartialShape{-1, 3}));
  EXPECT_EQ(c->get_concatenation_axis(), 0);
  auto c2 = std::make_shared<v0::Concat>(
      ov::OutputVector{param(element::f32, {2, 3}), param(element::f32, {2, 5})}, 1);
  EXPECT_EQ(c2->get_output_partial_shape(0), (PartialShape{2, 8}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::Concat>(
            ov::OutputVector{param(element::f32, {2, 3}), param(element::f32, {3, 3})}, 1);
      },
      "Argument shapes are inconsistent"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::Concat>(
            ov::OutputVector{param(element::f32, {}), param(element::f32, {})}, 0);
      },
      "Concatenation axis (0) is out of bounds"));

  EXPECT_EQ(
      std::make_shared<v3::ShapeOf>(param(element::f32, {2, -1}))->get_output_partial_shape(0),
      (PartialShape{2}));
  EXPECT_EQ(std::make_shared<v3::ShapeOf>(param(element::f32, PartialShape::dynamic()))
                ->get_output_partial_shape(0),
            (PartialShape{-1}));
  EXPECT_THROW(std::make_shared<v3::ShapeOf>(param(element::f32, {2}), element::f32),
               ov::NodeValidationFailure);
}

TEST(ShapeOps, TileAndBroadcastShapes) {
  auto tile = std::make_shared<v0::Tile>(param(element::f32, {2, 3}), i64({2, 1, -1}));
  EXPECT_EQ(tile->get_output_partial_shape(0), (PartialShape{2, 2, 0}));
  auto b = std::make_shared<v3::Broadcast>(param(element::f32, {3, 1}), i64({2, 3, 4}));
  EXPECT_EQ(b->get_output_partial_shape(0), (PartialShape{2, 3, 4}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v3::Broadcast>(param(element::f32, {3}), i64({2, 4}));
      },
      "cannot be broadcasted (numpy mode)"));
  auto bi = std::make_shared<v3::Broadcast>(param(element::f32, {2, 1, 5}), i64({3, 1}),
                                            ov::op::BroadcastType::BIDIRECTIONAL);
  EXPECT_EQ(bi->get_output_partial_shape(0), (PartialShape{2, 3, 5}));
  auto ex = std::make_shared<v3::Broadcast>(param(element::f32, {3}), i64({2, 3}), i64({1}));
  EXPECT_EQ(ex->get_output_partial_shape(0), (PartialShape{2, 3}));
  EXPECT_EQ(ex->get_broadcast_axes().second, (ov::AxisSet{0}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v3::Broadcast>(param(element::f32, {3}), i64({2, 3})->output(0),
                                        ov::op::BroadcastType::EXPLICIT);
      },
      "axes_mapping input should be provided"));
  auto unknown =
      std::make_shared<v3::Broadcast>(param(element::f32, {3}), param(element::i64, {2}));
  EXPECT_EQ(unknown->get_output_partial_shape(0), PartialShape::dynamic(2));
}

TEST(ShapeOps, EvaluateMovesTheRightElements) {
  auto x = param(element::i32, {2, 3});
  auto data = tensor<int>(element::i32, {2, 3}, {1, 2, 3, 4, 5, 6});
  auto reshape = std::make_shared<v1::Reshape>(x, i64({3, -1}), false);
  auto transpose = std::make_shared<v1::Transpose>(x, i64({1, 0}));
  auto concat = std::make_shared<v0::Concat>(ov::OutputVector{x, x}, -1);
  auto tile = std::make_shared<v0::Tile>(x, i64({2, 1}));
  auto bcast =
      std::make_shared<v3::Broadcast>(std::make_shared<v0::Unsqueeze>(x, i64({1})), i64({2, 2, 3}));
  auto explicit_b = std::make_shared<v3::Broadcast>(x, i64({2, 2, 3}), i64({0, 2}));
  auto shape = std::make_shared<v3::ShapeOf>(x, element::i32);
  auto squeeze = std::make_shared<v0::Squeeze>(std::make_shared<v0::Unsqueeze>(x, i64({0})));
  auto out =
      run({reshape, transpose, concat, tile, bcast, explicit_b, shape, squeeze}, {x}, {data});
  EXPECT_EQ(out[0].get_shape(), (ov::Shape{3, 2}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{1, 4, 2, 5, 3, 6}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(values<int>(out[4]), (std::vector<int>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
  EXPECT_EQ(values<int>(out[5]), (std::vector<int>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
  EXPECT_EQ(values<int>(out[6]), (std::vector<int>{2, 3}));
  EXPECT_EQ(out[7].get_shape(), (ov::Shape{2, 3}));

  // Dynamic input shapes are resolved at evaluation time.
  auto d = param(element::f32, {-1, -1});
  auto t3 = std::make_shared<v1::Transpose>(d, i64({1, 0}));
  auto r = run({t3}, {d}, {tensor<float>(element::f32, {1, 3}, {1.f, 2.f, 3.f})});
  EXPECT_EQ(r[0].get_shape(), (ov::Shape{3, 1}));
}

}  // namespace
