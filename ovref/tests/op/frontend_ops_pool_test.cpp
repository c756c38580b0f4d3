#include "op_test_utils.hpp"
#include "openvino/op/avg_pool.hpp"
#include "openvino/op/max_pool.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
using ov::Strides;
using ov::op::PadType;
using ov::op::RoundingType;
namespace element = ov::element;
namespace v1 = ov::op::v1;
namespace v8 = ov::op::v8;
namespace v14 = ov::op::v14;

TEST(FrontendAvgPool, ShapeInferenceRoundingAndPads) {
  auto x = param(element::f32, {1, 3, 5, 7});
  auto floor =
      std::make_shared<v1::AvgPool>(x, Strides{2, 2}, Shape{0, 0}, Shape{0, 0}, Shape{2, 2}, true);
  EXPECT_EQ(floor->get_output_partial_shape(0), (PartialShape{1, 3, 2, 3}));
  auto ceil = std::make_shared<v1::AvgPool>(x, Strides{2, 2}, Shape{0, 0}, Shape{0, 0}, Shape{2, 2},
                                            true, RoundingType::CEIL);
  EXPECT_EQ(ceil->get_output_partial_shape(0), (PartialShape{1, 3, 3, 4}));
  // Padded 7 with kernel 2, stride 2: CEIL gives 4 windows, CEIL_TORCH drops the one that
  // would start in the end padding.
  auto x1 = param(element::f32, {1, 1, 5});
  EXPECT_EQ(std::make_shared<v14::AvgPool>(x1, Strides{2}, Shape{1}, Shape{1}, Shape{2}, true,
                                           RoundingType::CEIL)
                ->get_output_partial_shape(0),
            (PartialShape{1, 1, 4}));
  EXPECT_EQ(std::make_shared<v14::AvgPool>(x1, Strides{2}, Shape{1}, Shape{1}, Shape{2}, true,
                                           RoundingType::CEIL_TORCH)
                ->get_output_partial_shape(0),
            (PartialShape{1, 1, 3}));

  auto same = std::make_shared<v1::AvgPool>(param(element::f32, {2, 3, 6, 5}), Strides{2, 2},
                                            Shape{}, Shape{}, Shape{3, 3}, true,
                                            RoundingType::FLOOR, PadType::SAME_UPPER);
  // H: O=3, total = 4+3-6 = 1 -> (0, 1); W: O=3, total = 4+3-5 = 2 -> (1, 1)
  EXPECT_EQ(same->get_output_partial_shape(0), (PartialShape{2, 3, 3, 3}));
  EXPECT_EQ(same->get_pads_begin(), (Shape{0, 1}));
  EXPECT_EQ(same->get_pads_end(), (Shape{1, 1}));
  auto dyn = std::make_shared<v1::AvgPool>(param(element::f32, {-1, 3, -1, {4, 8}}), Strides{1, 2},
                                           Shape{0, 0}, Shape{0, 0}, Shape{2, 2}, false);
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{-1, 3, -1, {2, 4}}));
  auto dyn_same = std::make_shared<v1::AvgPool>(param(element::f32, {1, 3, -1, 4}), Strides{1, 1},
                                                Shape{}, Shape{}, Shape{2, 2}, true,
                                                RoundingType::FLOOR, PadType::SAME_LOWER);
  EXPECT_EQ(dyn_same->get_output_partial_shape(0), (PartialShape{1, 3, -1, 4}));
  auto no_rank =
      std::make_shared<v1::AvgPool>(param(element::f32, PartialShape::dynamic()), Strides{1, 1},
                                    Shape{0, 0}, Shape{0, 0}, Shape{2, 2}, true);
  EXPECT_EQ(no_rank->get_output_partial_shape(0), PartialShape::dynamic(4));

  auto make = [](PartialShape s, Shape kernel, Strides strides = {1, 1}) {
    std::make_shared<v1::AvgPool>(param(element::f32, s), strides, Shape{0, 0}, Shape{0, 0}, kernel,
                                  true);
  };
  EXPECT_TRUE(message_has([&] { make({4, 4}, {2, 2}); }, "Expected a 3D, 4D or 5D tensor"));
  EXPECT_TRUE(message_has([&] { make({1, 1, 4, 4}, {2}); }, "Expected kernel size"));
  EXPECT_TRUE(message_has([&] { make({1, 1, 4, 4}, {2, 2}, {0, 1}); }, "Strides has zero"));
  EXPECT_TRUE(message_has([&] { make({1, 1, 4, 4}, {5, 2}); }, "larger than the data shape"));
  EXPECT_TRUE(message_has([&] { make({1, 0, 4, 4}, {2, 2}); }, "Channel dimension must not be 0"));
}

TEST(FrontendAvgPool, ExcludePadBothWays) {
  auto x = param(element::f32, {1, 1, 3, 3});
  const auto input = tensor<float>(element::f32, {1, 1, 3, 3}, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  auto excl =
      std::make_shared<v1::AvgPool>(x, Strides{1, 1}, Shape{1, 1}, Shape{1, 1}, Shape{2, 2}, true);
  auto incl =
      std::make_shared<v1::AvgPool>(x, Strides{1, 1}, Shape{1, 1}, Shape{1, 1}, Shape{2, 2}, false);
  auto out = run({excl, incl}, {x}, {input});
  EXPECT_EQ(out[0].get_shape(), (Shape{1, 1, 4, 4}));
  EXPECT_EQ(values<float>(out[0]),
            (std::vector<float>{1, 1.5, 2.5, 3, 2.5, 3, 4, 4.5, 5.5, 6, 7, 7.5, 7, 7.5, 8.5, 9}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{0.25, 0.75, 1.25, 0.75, 1.25, 3, 4, 2.25,
                                                       2.75, 6, 7, 3.75, 1.75, 3.75, 4.25, 2.25}));

  // No padding, CEIL: the last window is clipped to the input and divides by what it covers.
  auto x1 = param(element::f32, {1, 1, 5});
  auto ceil = std::make_shared<v1::AvgPool>(x1, Strides{2}, Shape{0}, Shape{0}, Shape{2}, false,
                                            RoundingType::CEIL);
  auto out1 = run({ceil}, {x1}, {tensor<float>(element::f32, {1, 1, 5}, {1, 2, 3, 4, 5})});
  EXPECT_EQ(values<float>(out1[0]), (std::vector<float>{1.5, 3.5, 5}));

  // Integers: i8 rounds to nearest, i32 truncates; f16 as f32.
  auto xi = param(element::i8, {1, 1, 4});
  auto xj = param(element::i32, {1, 1, 4});
  auto xh = param(element::f16, {1, 1, 4});
  auto pool = [](std::shared_ptr<ov::Node> in) {
    return std::make_shared<v1::AvgPool>(in, Strides{2}, Shape{0}, Shape{0}, Shape{2}, true);
  };
  auto outi = run({pool(xi), pool(xj), pool(xh)}, {xi, xj, xh},
                  {tensor<int>(element::i8, {1, 1, 4}, {1, 2, -4, -3}),
                   tensor<int>(element::i32, {1, 1, 4}, {1, 2, -4, -3}),
                   tensor<float>(element::f16, {1, 1, 4}, {1, 2, -4, -3})});
  EXPECT_EQ(values<int>(outi[0]), (std::vector<int>{2, -4}));
  EXPECT_EQ(values<int>(outi[1]), (std::vector<int>{1, -3}));
  EXPECT_EQ(values<float>(outi[2]), (std::vector<float>{1.5, -3.5}));
}

TEST(FrontendMaxPool, ShapeInferenceAndValidation) {
  auto v8pool = std::make_shared<v8::MaxPool>(param(element::f32, {1, 2, 4, 4}), Strides{2, 2},
                                              Strides{1, 1}, Shape{}, Shape{}, Shape{3, 3},
                                              RoundingType::FLOOR, PadType::SAME_UPPER);
  EXPECT_EQ(v8pool->get_output_size(), 2u);
  EXPECT_EQ(v8pool->get_output_partial_shape(0), (PartialShape{1, 2, 2, 2}));
  EXPECT_EQ(v8pool->get_output_partial_shape(1), (PartialShape{1, 2, 2, 2}));
  EXPECT_EQ(v8pool->get_output_element_type(1), element::i64);
  EXPECT_EQ(v8pool->get_pads_begin(), (Shape{0, 0}));
  EXPECT_EQ(v8pool->get_pads_end(), (Shape{1, 1}));
  // Dilation 2 makes a kernel of 3 span 5.
  auto dilated = std::make_shared<v8::MaxPool>(
      param(element::f32, {1, 2, 9, 6}), Strides{1, 1}, Strides{2, 2}, Shape{0, 0}, Shape{0, 0},
      Shape{3, 2}, RoundingType::FLOOR, PadType::EXPLICIT, element::i32, 2);
  EXPECT_EQ(dilated->get_output_partial_shape(0), (PartialShape{1, 2, 5, 4}));
  EXPECT_EQ(dilated->get_output_element_type(1), element::i32);
  auto v1pool = std::make_shared<v1::MaxPool>(param(element::i32, {1, 1, 5}), Strides{2}, Shape{0},
                                              Shape{0}, Shape{2}, RoundingType::CEIL);
  EXPECT_EQ(v1pool->get_output_size(), 1u);
  EXPECT_EQ(v1pool->get_output_partial_shape(0), (PartialShape{1, 1, 3}));
  auto clone = dilated->clone_with_new_inputs({param(element::f16, {2, 2, 9, 9})});
  EXPECT_EQ(clone->get_output_partial_shape(1), (PartialShape{2, 2, 5, 7}));

  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v8::MaxPool>(param(element::f32, {1, 2, 4, 4}), Strides{1, 1},
                                      Strides{1, 1}, Shape{0, 0}, Shape{0, 0}, Shape{2, 2},
                                      RoundingType::FLOOR, PadType::EXPLICIT, element::f32);
      },
      "Index element type must be i32 or i64"));
  EXPECT_THROW(
      std::make_shared<v8::MaxPool>(param(element::f32, {1, 2, 4, 4}), Strides{1, 1}, Strides{1, 1},
                                    Shape{0, 0}, Shape{0, 0}, Shape{2, 2}, RoundingType::FLOOR,
                                    PadType::EXPLICIT, element::i64, 4),
      ov::NodeValidationFailure);
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v8::MaxPool>(param(element::f32, {1, 2, 4, 4}), Strides{1, 1},
                                      Strides{4, 1}, Shape{0, 0}, Shape{0, 0}, Shape{2, 2});
      },
      "larger than the data shape after padding"));
}

TEST(FrontendMaxPool, ValuesAndIndices) {
  auto x = param(element::i32, {1, 2, 3, 3});
  auto axis0 = std::make_shared<v8::MaxPool>(x, Strides{1, 1}, Strides{1, 1}, Shape{0, 0},
                                             Shape{0, 0}, Shape{2, 2});
  auto axis2 = std::make_shared<v8::MaxPool>(x, Strides{1, 1}, Strides{1, 1}, Shape{0, 0},
                                             Shape{0, 0}, Shape{2, 2}, RoundingType::FLOOR,
                                             PadType::EXPLICIT, element::i32, -2);
  auto out = run({axis0->output(0), axis0->output(1), axis2->output(1)}, {x},
                 {tensor<int>(element::i32, {1, 2, 3, 3},
                              {1, 5, 3, 4, 2, 6, 7, 0, 9, -1, -5, -3, -4, -2, -6, -7, 0, -9})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{5, 6, 7, 9, -1, -2, 0, 0}));
  EXPECT_EQ(values<int64_t>(out[1]), (std::vector<int64_t>{1, 5, 6, 8, 9, 13, 16, 16}));
  EXPECT_EQ(out[2].get_element_type(), element::i32);
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{1, 5, 6, 8, 0, 4, 7, 7}));

  // Dilation 2; the first of equal maxima is reported.
  auto y = param(element::f32, {1, 1, 5});
  auto dil = std::make_shared<v8::MaxPool>(y, Strides{1}, Strides{2}, Shape{0}, Shape{0}, Shape{2});
  // Padding never wins, even against negative values.
  auto pad = std::make_shared<v1::MaxPool>(y, Strides{2}, Shape{1}, Shape{1}, Shape{2});
  auto out2 = run({dil->output(0), dil->output(1), pad}, {y},
                  {tensor<float>(element::f32, {1, 1, 5}, {3, 1, 4, 1, -5})});
  EXPECT_EQ(values<float>(out2[0]), (std::vector<float>{4, 1, 4}));
  EXPECT_EQ(values<int64_t>(out2[1]), (std::vector<int64_t>{2, 1, 2}));
  EXPECT_EQ(values<float>(out2[2]), (std::vector<float>{3, 4, 1}));
  auto neg = run({pad}, {y}, {tensor<float>(element::f32, {1, 1, 5}, {-3, -2, -1, -4, -5})});
  EXPECT_EQ(values<float>(neg[0]), (std::vector<float>{-3, -1, -4}));

  // SAME_UPPER pads at the end; bf16 through the same kernel.
  auto z = param(element::bf16, {1, 1, 4});
  auto same = std::make_shared<v8::MaxPool>(z, Strides{2}, Strides{1}, Shape{}, Shape{}, Shape{3},
                                            RoundingType::FLOOR, PadType::SAME_UPPER);
  auto out3 = run({same->output(0), same->output(1)}, {z},
                  {tensor<float>(element::bf16, {1, 1, 4}, {1, 8, 2, 7})});
  EXPECT_EQ(values<float>(out3[0]), (std::vector<float>{8, 7}));
  EXPECT_EQ(values<int64_t>(out3[1]), (std::vector<int64_t>{1, 3}));
}

}  // namespace
