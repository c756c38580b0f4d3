#include <cmath>

#include "op_test_utils.hpp"
#include "openvino/op/depth_to_space.hpp"
#include "openvino/op/normalize_l2.hpp"
#include "openvino/op/space_to_depth.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
using D2SMode = v0::DepthToSpace::DepthToSpaceMode;
using S2DMode = v0::SpaceToDepth::SpaceToDepthMode;

TEST(FrontendDepthToSpace, ShapesAndBothModes) {
  auto x = param(element::i32, {1, 8, 1, 1});
  auto blocks = std::make_shared<v0::DepthToSpace>(x, D2SMode::BLOCKS_FIRST, 2);
  auto depth = std::make_shared<v0::DepthToSpace>(x, "depth_first", 2);
  EXPECT_EQ(blocks->get_output_partial_shape(0), (PartialShape{1, 2, 2, 2}));
  EXPECT_EQ(depth->get_mode(), D2SMode::DEPTH_FIRST);
  auto out = run({blocks, depth}, {x},
                 {tensor<int>(element::i32, {1, 8, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{0, 2, 4, 6, 1, 3, 5, 7}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

  EXPECT_EQ(std::make_shared<v0::DepthToSpace>(param(element::f32, {2, -1, 3, {2, 4}}),
                                               D2SMode::BLOCKS_FIRST, 3)
                ->get_output_partial_shape(0),
            (PartialShape{2, -1, 9, {6, 12}}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::DepthToSpace>(param(element::f32, {1, 6, 2, 2}), D2SMode::BLOCKS_FIRST,
                                           2);
      },
      "must be a multiple of divisor"));
  EXPECT_THROW(
      std::make_shared<v0::DepthToSpace>(param(element::f32, {1, 4}), D2SMode::BLOCKS_FIRST, 2),
      ov::NodeValidationFailure);
  EXPECT_THROW(
      std::make_shared<v0::DepthToSpace>(param(element::f32, {1, 4, 2}), D2SMode::BLOCKS_FIRST, 0),
      ov::NodeValidationFailure);
}

TEST(FrontendSpaceToDepth, InverseOfDepthToSpace) {
  auto y = param(element::f32, {1, 1, 4, 2});
  auto s2d = std::make_shared<v0::SpaceToDepth>(y, S2DMode::BLOCKS_FIRST, 2);
  EXPECT_EQ(s2d->get_output_partial_shape(0), (PartialShape{1, 4, 2, 1}));
  // Block (b1, b2) of the 2x2 tiles goes to channel b1 * 2 + b2.
  auto out = run({s2d}, {y}, {tensor<float>(element::f32, {1, 1, 4, 2}, {0, 1, 2, 3, 4, 5, 6, 7})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{0, 4, 1, 5, 2, 6, 3, 7}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::SpaceToDepth>(param(element::f32, {1, 1, 3, 2}), S2DMode::BLOCKS_FIRST,
                                           2);
      },
      "must be divisible by 'block_size'"));

  // Round trips for 1, 2 and 3 spatial dims, both modes.
  for (const Shape& shape : {Shape{2, 3, 4}, Shape{1, 2, 4, 6}, Shape{1, 1, 2, 4, 2}}) {
    for (bool blocks_first : {true, false}) {
      std::vector<int> in(ov::shape_size(shape));
      for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int>(i * 7 % 101);
      auto x = param(element::i16, shape);
      auto down = std::make_shared<v0::SpaceToDepth>(
          x, blocks_first ? S2DMode::BLOCKS_FIRST : S2DMode::DEPTH_FIRST, 2);
      auto up = std::make_shared<v0::DepthToSpace>(
          down, blocks_first ? D2SMode::BLOCKS_FIRST : D2SMode::DEPTH_FIRST, 2);
      auto res = run({down, up}, {x}, {tensor<int>(element::i16, shape, in)});
      EXPECT_EQ(values<int>(res[1]), in) << shape;
      EXPECT_NE(values<int>(res[0]), in) << shape;
    }
  }
}

TEST(FrontendNormalizeL2, AxesAndEpsModes) {
  auto x = param(element::f32, {2, 2});
  const auto in = tensor<float>(element::f32, {2, 2}, {3, 4, 0, -2});
  auto last = std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {}, {-1}), 1e-6f,
                                                ov::op::EpsMode::MAX);
  auto add = std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {1}, {0}), 0.5f,
                                               ov::op::EpsMode::ADD);
  auto none = std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {0}, {}), 1e-6f,
                                                ov::op::EpsMode::MAX);
  auto all = std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {2}, {0, 1}), 1e-6f,
                                               ov::op::EpsMode::ADD);
  auto out = run({last, add, none, all}, {x}, {in});
  expect_near(values<float>(out[0]), std::vector<float>{0.6f, 0.8f, 0, -1}, 1e-6);
  expect_near(
      values<float>(out[1]),
      std::vector<float>{3 / std::sqrt(9.5f), 4 / std::sqrt(20.5f), 0, -2 / std::sqrt(20.5f)},
      1e-6);
  expect_near(values<float>(out[2]), std::vector<float>{1, 1, 0, -1}, 1e-6);
  const float norm = std::sqrt(29.0f + 1e-6f);
  expect_near(values<float>(out[3]), std::vector<float>{3 / norm, 4 / norm, 0, -2 / norm}, 1e-6);
  EXPECT_EQ(last->get_reduction_axes(), (ov::AxisSet{1}));

  auto h = param(element::f16, {1, 2});
  auto outh = run({std::make_shared<v0::NormalizeL2>(h, constant<int>(element::i32, {}, {1}), 1e-6f,
                                                     ov::op::EpsMode::MAX)},
                  {h}, {tensor<float>(element::f16, {1, 2}, {6, 8})});
  expect_near(values<float>(outh[0]), std::vector<float>{0.6f, 0.8f}, 1e-3);

  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v0::NormalizeL2>(param(element::i32, {2}),
                                          constant<int>(element::i32, {}, {0}), 1e-6f,
                                          ov::op::EpsMode::MAX);
      },
      "floating point"));
  EXPECT_THROW(std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {}, {2}), 1e-6f,
                                                 ov::op::EpsMode::MAX),
               ov::NodeValidationFailure);
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v0::NormalizeL2>(x, constant<int>(element::i32, {2}, {1, -1}), 1e-6f,
                                          ov::op::EpsMode::MAX);
      },
      "unique"));
  EXPECT_EQ(std::make_shared<v0::NormalizeL2>(param(element::f32, PartialShape::dynamic()),
                                              param(element::i64, {1}), 1e-6f, ov::op::EpsMode::MAX)
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
}

}  // namespace
