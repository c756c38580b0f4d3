#include "op_test_utils.hpp"
#include "openvino/op/interpolate.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
namespace element = ov::element;
namespace v4 = ov::op::v4;
namespace v11 = ov::op::v11;
using Attrs = v11::Interpolate::InterpolateAttrs;
using Mode = v11::Interpolate::InterpolateMode;
using Calc = v11::Interpolate::ShapeCalcMode;
using Transform = v11::Interpolate::CoordinateTransformMode;
using Nearest = v11::Interpolate::NearestMode;

Attrs attrs(Mode mode, Transform transform, Nearest nearest = Nearest::ROUND_PREFER_FLOOR,
            Calc calc = Calc::SIZES) {
  return Attrs(mode, calc, {}, {}, transform, nearest);
}

// Resizes the last dim of a [1, 1, n] f32 tensor.
std::vector<float> resize_1d(const std::vector<float>& in, int64_t size, const Attrs& a) {
  auto x = param(element::f32, Shape{1, 1, in.size()});
  auto op = std::make_shared<v11::Interpolate>(x, constant<int64_t>(element::i64, {1}, {size}),
                                               constant<int>(element::i32, {1}, {2}), a);
  auto out = run({op}, {x}, {tensor<float>(element::f32, Shape{1, 1, in.size()}, in)});
  return values<float>(out[0]);
}

TEST(FrontendInterpolate, ShapeInference) {
  auto x = param(element::f32, {1, 4, 4, 3});
  auto axes = constant<int>(element::i32, {2}, {1, 2});
  auto sizes = std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {2}, {8, 6}), axes,
                                                  attrs(Mode::LINEAR_ONNX, Transform::HALF_PIXEL));
  EXPECT_EQ(sizes->get_output_partial_shape(0), (PartialShape{1, 8, 6, 3}));
  auto scales = std::make_shared<v11::Interpolate>(
      x, constant<float>(element::f32, {2}, {0.5f, 1.5f}), axes,
      attrs(Mode::NEAREST, Transform::ASYMMETRIC, Nearest::FLOOR, Calc::SCALES));
  EXPECT_EQ(scales->get_output_partial_shape(0), (PartialShape{1, 2, 6, 3}));
  Attrs padded = attrs(Mode::NEAREST, Transform::ASYMMETRIC);
  padded.pads_begin = {0, 1};
  padded.pads_end = {0, 1, 0, 2};
  auto pads = std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {1}, {9}),
                                                 constant<int>(element::i32, {1}, {2}), padded);
  // Dims not interpolated grow by their pads; pads are fitted to the rank.
  EXPECT_EQ(pads->get_output_partial_shape(0), (PartialShape{1, 6, 9, 5}));
  EXPECT_EQ(pads->get_attrs().pads_begin, (std::vector<size_t>{0, 1, 0, 0}));
  // v4: the mode chooses between output_shape and scales.
  auto v4_scales = std::make_shared<v4::Interpolate>(
      x, constant<int>(element::i32, {2}, {1, 1}), constant<float>(element::f32, {2}, {2.0f, 0.7f}),
      axes, attrs(Mode::NEAREST, Transform::HALF_PIXEL, Nearest::FLOOR, Calc::SCALES));
  EXPECT_EQ(v4_scales->get_output_partial_shape(0), (PartialShape{1, 8, 2, 3}));
  auto v4_default_axes =
      std::make_shared<v4::Interpolate>(x, constant<int>(element::i32, {4}, {1, 2, 2, 3}),
                                        constant<float>(element::f32, {4}, {1, 1, 1, 1}),
                                        attrs(Mode::NEAREST, Transform::HALF_PIXEL));
  EXPECT_EQ(v4_default_axes->get_output_partial_shape(0), (PartialShape{1, 2, 2, 3}));

  auto runtime = std::make_shared<v11::Interpolate>(param(element::f32, {-1, 4, 4, 3}),
                                                    param(element::i32, {2}), axes,
                                                    attrs(Mode::NEAREST, Transform::HALF_PIXEL));
  EXPECT_EQ(runtime->get_output_partial_shape(0), (PartialShape{-1, -1, -1, 3}));
  auto no_rank = std::make_shared<v11::Interpolate>(param(element::f32, PartialShape::dynamic()),
                                                    param(element::i32, {2}), axes,
                                                    attrs(Mode::NEAREST, Transform::HALF_PIXEL));
  EXPECT_EQ(no_rank->get_output_partial_shape(0), PartialShape::dynamic());
  auto clone = sizes->clone_with_new_inputs(
      {param(element::f16, {2, 5, 5, 1}), sizes->input_value(1), axes});
  EXPECT_EQ(clone->get_output_partial_shape(0), (PartialShape{2, 8, 6, 1}));

  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {2}, {8, 6}),
                                           constant<int>(element::i32, {2}, {1, -3}),
                                           attrs(Mode::NEAREST, Transform::HALF_PIXEL));
      },
      "Axes are not unique"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {3}, {8, 6, 1}), axes,
                                           attrs(Mode::NEAREST, Transform::HALF_PIXEL));
      },
      "does not match the number of axis"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v11::Interpolate>(
            x, constant<int>(element::i32, {2}, {1, 1}), axes,
            attrs(Mode::NEAREST, Transform::HALF_PIXEL, Nearest::FLOOR, Calc::SCALES));
      },
      "Scales element type"));
  EXPECT_THROW(std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {1}, {2}),
                                                  constant<int>(element::i32, {1}, {4}),
                                                  attrs(Mode::NEAREST, Transform::HALF_PIXEL)),
               ov::NodeValidationFailure);
}

TEST(FrontendInterpolate, NearestRoundingAndTransforms) {
  const std::vector<float> in{1, 2, 3, 4};
  EXPECT_EQ(resize_1d(in, 8, attrs(Mode::NEAREST, Transform::ASYMMETRIC, Nearest::FLOOR)),
            (std::vector<float>{1, 1, 2, 2, 3, 3, 4, 4}));
  // 4 -> 3 with half_pixel: coordinates 1/6, 1.5, 17/6.
  EXPECT_EQ(resize_1d(in, 3, attrs(Mode::NEAREST, Transform::HALF_PIXEL)),
            (std::vector<float>{1, 2, 4}));
  EXPECT_EQ(
      resize_1d(in, 3, attrs(Mode::NEAREST, Transform::HALF_PIXEL, Nearest::ROUND_PREFER_CEIL)),
      (std::vector<float>{1, 3, 4}));
  // align_corners: 0, 1.5, 3.
  EXPECT_EQ(
      resize_1d(in, 3, attrs(Mode::NEAREST, Transform::ALIGN_CORNERS, Nearest::ROUND_PREFER_CEIL)),
      (std::vector<float>{1, 3, 4}));
  // tf_half_pixel_for_nn 4 -> 2: (x + 0.5) * 2 = 1, 3.
  EXPECT_EQ(resize_1d(in, 2, attrs(Mode::NEAREST, Transform::TF_HALF_PIXEL_FOR_NN, Nearest::FLOOR)),
            (std::vector<float>{2, 4}));
  EXPECT_EQ(resize_1d(in, 6, attrs(Mode::NEAREST, Transform::ASYMMETRIC, Nearest::CEIL)),
            (std::vector<float>{1, 2, 3, 3, 4, 4}));

  // Integers and padding: the padded element is zero.
  Attrs padded = attrs(Mode::NEAREST, Transform::ASYMMETRIC, Nearest::FLOOR);
  padded.pads_begin = {0, 0, 1};
  auto x = param(element::i64, {1, 1, 2});
  auto op = std::make_shared<v11::Interpolate>(x, constant<int>(element::i32, {1}, {6}),
                                               constant<int>(element::i32, {1}, {2}), padded);
  auto out = run({op}, {x}, {tensor<int64_t>(element::i64, {1, 1, 2}, {5, 6})});
  EXPECT_EQ(values<int64_t>(out[0]), (std::vector<int64_t>{0, 0, 5, 5, 6, 6}));
}

TEST(FrontendInterpolate, LinearOnnxOnNchwAndNhwc) {
  // 2x2 -> 4x4, half_pixel: per axis [a, .75a + .25b, .25a + .75b, b].
  const std::vector<float> expected{1,   1.25, 1.75, 2,   1.5, 1.75, 2.25, 2.5,
                                    2.5, 2.75, 3.25, 3.5, 3,   3.25, 3.75, 4};
  auto nchw = param(element::f32, {1, 1, 2, 2});
  auto a = attrs(Mode::LINEAR_ONNX, Transform::HALF_PIXEL);
  auto op = std::make_shared<v11::Interpolate>(nchw, constant<int>(element::i32, {2}, {4, 4}),
                                               constant<int>(element::i32, {2}, {2, 3}), a);
  auto out = run({op}, {nchw}, {tensor<float>(element::f32, {1, 1, 2, 2}, {1, 2, 3, 4})});
  EXPECT_EQ(values<float>(out[0]), expected);

  // The front end's form: NHWC with axes {1, 2}; the second channel is ten times the first.
  auto nhwc = param(element::f32, {1, 2, 2, 2});
  auto op2 = std::make_shared<v11::Interpolate>(nhwc, constant<int>(element::i32, {2}, {4, 4}),
                                                constant<int>(element::i32, {2}, {1, 2}), a);
  auto out2 =
      run({op2}, {nhwc}, {tensor<float>(element::f32, {1, 2, 2, 2}, {1, 10, 2, 20, 3, 30, 4, 40})});
  const auto got = values<float>(out2[0]);
  ASSERT_EQ(got.size(), 32u);
  for (size_t i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(got[2 * i], expected[i]);
    EXPECT_FLOAT_EQ(got[2 * i + 1], 10 * expected[i]);
  }

  EXPECT_EQ(resize_1d({2, 4}, 3, attrs(Mode::LINEAR_ONNX, Transform::ALIGN_CORNERS)),
            (std::vector<float>{2, 3, 4}));
  // Integer images round to nearest.
  auto xi = param(element::i32, {1, 1, 2});
  auto opi = std::make_shared<v11::Interpolate>(xi, constant<int>(element::i32, {1}, {4}),
                                                constant<int>(element::i32, {1}, {2}), a);
  auto outi = run({opi}, {xi}, {tensor<int>(element::i32, {1, 1, 2}, {0, 10})});
  EXPECT_EQ(values<int>(outi[0]), (std::vector<int>{0, 3, 8, 10}));
}

TEST(FrontendInterpolate, CubicReproducesARamp) {
  std::vector<float> ramp(8);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i);
  auto cubic = attrs(Mode::CUBIC, Transform::ALIGN_CORNERS);
  // The default a = -0.75 at coordinate 1.4 (x = 3): taps 0..3 weigh -0.108, 0.72, 0.46, -0.072.
  EXPECT_NEAR(resize_1d(ramp, 16, cubic)[3], 1.424, 1e-5);
  // With a = -0.5, away from the clamped borders the kernel is exact on linear data.
  cubic.cube_coeff = -0.5;
  const auto out = resize_1d(ramp, 16, cubic);
  ASSERT_EQ(out.size(), 16u);
  for (size_t x = 0; x < 16; ++x) {
    const double c = x * 7.0 / 15.0;
    if (c >= 1.0 && c < 5.0) {
      EXPECT_NEAR(out[x], c, 1e-5) << x;
    }
  }
  EXPECT_FLOAT_EQ(out[0], 0.0f);
  EXPECT_FLOAT_EQ(out[15], 7.0f);
}

TEST(FrontendInterpolate, TriangleFilterAndResamplingFilters) {
  auto linear = attrs(Mode::LINEAR, Transform::HALF_PIXEL);
  expect_near(resize_1d({1, 2}, 4, linear), std::vector<float>{1, 1.25, 1.75, 2}, 1e-6);
  linear.antialias = true;
  // Downscale 4 -> 2 with antialiasing: weights .375/.375/.125 around 0.5, mirrored at 2.5.
  expect_near(resize_1d({1, 2, 3, 4}, 2, linear),
              std::vector<float>{1.5f / 0.875f, 2.875f / 0.875f}, 1e-5);
  // BILINEAR_PILLOW on the same row gives the same weights.
  expect_near(resize_1d({1, 2, 3, 4}, 2, attrs(Mode::BILINEAR_PILLOW, Transform::HALF_PIXEL)),
              std::vector<float>{1.5f / 0.875f, 2.875f / 0.875f}, 1e-5);
  // Same size is the identity for the resampling filters.
  EXPECT_EQ(resize_1d({1, 5, 2}, 3, attrs(Mode::BICUBIC_PILLOW, Transform::HALF_PIXEL)),
            (std::vector<float>{1, 5, 2}));
}

}  // namespace
