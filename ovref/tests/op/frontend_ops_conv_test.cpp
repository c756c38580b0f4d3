#include <random>

#include "op_test_utils.hpp"
#include "openvino/op/convolution.hpp"
#include "openvino/op/group_conv.hpp"

namespace {

using namespace ovref_test;
using ov::CoordinateDiff;
using ov::PartialShape;
using ov::Shape;
using ov::Strides;
using ov::op::PadType;
namespace element = ov::element;
namespace v1 = ov::op::v1;

std::vector<float> random_small_ints(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-4, 4);
  std::vector<float> v(n);
  for (auto& x : v) x = static_cast<float>(dist(gen));
  return v;
}

// Grouped 2-D convolution by its definition over an explicitly zero-padded copy of the input.
std::vector<float> reference_conv2d(const std::vector<float>& x, const Shape& xs,
                                    const std::vector<float>& w, size_t groups, size_t cout_g,
                                    size_t kh, size_t kw, Strides s, Strides d, CoordinateDiff pb,
                                    CoordinateDiff pe, Shape& out_shape) {
  const size_t n_ = xs[0], c = xs[1], h = xs[2], wd = xs[3], cin_g = c / groups;
  const size_t ph = h + pb[0] + pe[0], pw = wd + pb[1] + pe[1];
  std::vector<float> padded(n_ * c * ph * pw, 0.0f);
  for (size_t n = 0; n < n_; ++n)
    for (size_t ch = 0; ch < c; ++ch)
      for (size_t i = 0; i < h; ++i)
        for (size_t j = 0; j < wd; ++j)
          padded[((n * c + ch) * ph + i + pb[0]) * pw + j + pb[1]] =
              x[((n * c + ch) * h + i) * wd + j];
  const size_t oh = (ph - ((kh - 1) * d[0] + 1)) / s[0] + 1;
  const size_t ow = (pw - ((kw - 1) * d[1] + 1)) / s[1] + 1;
  out_shape = Shape{n_, groups * cout_g, oh, ow};
  std::vector<float> y(n_ * groups * cout_g * oh * ow, 0.0f);
  for (size_t n = 0; n < n_; ++n)
    for (size_t g = 0; g < groups; ++g)
      for (size_t co = 0; co < cout_g; ++co)
        for (size_t i = 0; i < oh; ++i)
          for (size_t j = 0; j < ow; ++j) {
            float acc = 0;
            for (size_t ci = 0; ci < cin_g; ++ci)
              for (size_t a = 0; a < kh; ++a)
                for (size_t b = 0; b < kw; ++b)
                  acc += padded[((n * c + g * cin_g + ci) * ph + i * s[0] + a * d[0]) * pw +
                                j * s[1] + b * d[1]] *
                         w[(((g * cout_g + co) * cin_g + ci) * kh + a) * kw + b];
            y[(((n * groups + g) * cout_g + co) * oh + i) * ow + j] = acc;
          }
  return y;
}

TEST(FrontendConvolution, ShapeInferencePadsAndDynamicDims) {
  auto conv = std::make_shared<v1::Convolution>(
      param(element::f32, {1, 3, 10, 9}), param(element::f32, {8, 3, 3, 2}), Strides{2, 3},
      CoordinateDiff{1, 0}, CoordinateDiff{2, 1}, Strides{1, 2});
  // (10+3-3)/2+1 = 6, (9+1-3)/3+1 = 3
  EXPECT_EQ(conv->get_output_partial_shape(0), (PartialShape{1, 8, 6, 3}));
  EXPECT_EQ(conv->get_type_info().name, std::string("Convolution"));

  auto same = std::make_shared<v1::Convolution>(
      param(element::f32, {1, 3, 5, 6}), param(element::f32, {4, 3, 4, 3}), Strides{2, 2},
      CoordinateDiff{}, CoordinateDiff{}, Strides{}, PadType::SAME_UPPER);
  // O = ceil(5/2) = 3, total = 2*2 + 4 - 5 = 3; O = 3, total = 2*2 + 3 - 6 = 1.
  EXPECT_EQ(same->get_output_partial_shape(0), (PartialShape{1, 4, 3, 3}));
  EXPECT_EQ(same->get_pads_begin(), (CoordinateDiff{1, 0}));
  EXPECT_EQ(same->get_pads_end(), (CoordinateDiff{2, 1}));
  EXPECT_EQ(same->get_strides(), (Strides{2, 2}));
  EXPECT_EQ(same->get_dilations(), (Strides{1, 1}));
  auto lower = std::make_shared<v1::Convolution>(
      param(element::f32, {1, 3, 5, 6}), param(element::f32, {4, 3, 4, 3}), Strides{2, 2},
      CoordinateDiff{}, CoordinateDiff{}, Strides{}, PadType::SAME_LOWER);
  EXPECT_EQ(lower->get_pads_begin(), (CoordinateDiff{2, 1}));
  EXPECT_EQ(lower->get_pads_end(), (CoordinateDiff{1, 0}));
  auto valid = std::make_shared<v1::Convolution>(
      param(element::f32, {2, 3, 7}), param(element::f32, {4, 3, 3}), Strides{2}, CoordinateDiff{5},
      CoordinateDiff{5}, Strides{1}, PadType::VALID);
  EXPECT_EQ(valid->get_output_partial_shape(0), (PartialShape{2, 4, 3}));
  EXPECT_EQ(valid->get_pads_begin(), (CoordinateDiff{0}));

  auto dyn = std::make_shared<v1::Convolution>(
      param(element::f32, {-1, 3, {10, 20}, -1}), param(element::f32, {8, -1, 3, 3}), Strides{1, 1},
      CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1});
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{-1, 8, {8, 18}, -1}));
  auto no_rank = std::make_shared<v1::Convolution>(param(element::f32, PartialShape::dynamic()),
                                                   param(element::f32, {8, 3, 3, 3, 3}), Strides{},
                                                   CoordinateDiff{}, CoordinateDiff{}, Strides{});
  EXPECT_EQ(no_rank->get_output_partial_shape(0), (PartialShape{-1, 8, -1, -1, -1}));
  auto nothing =
      std::make_shared<v1::Convolution>(param(element::dynamic, PartialShape::dynamic()),
                                        param(element::f32, PartialShape::dynamic()), Strides{},
                                        CoordinateDiff{}, CoordinateDiff{}, Strides{});
  EXPECT_EQ(nothing->get_output_partial_shape(0), PartialShape::dynamic());
  EXPECT_EQ(nothing->get_output_element_type(0), element::f32);

  auto clone = same->clone_with_new_inputs(
      {param(element::f16, {2, 3, 8, 8}), param(element::f16, {4, 3, 4, 3})});
  EXPECT_EQ(clone->get_output_partial_shape(0), (PartialShape{2, 4, 4, 4}));
  EXPECT_EQ(clone->get_output_element_type(0), element::f16);
}

TEST(FrontendConvolution, ValidationErrorsNameTheProblem) {
  auto make = [](PartialShape x, PartialShape w, Strides s = {1, 1}, Strides d = {1, 1},
                 element::Type wt = element::f32) {
    return std::make_shared<v1::Convolution>(param(element::f32, x), param(wt, w), s,
                                             CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, d);
  };
  EXPECT_TRUE(message_has([&] { make({1, 3}, {8, 3}); }, "Expected a 3D, 4D or 5D tensor"));
  EXPECT_TRUE(message_has([&] { make({1, 3, 5, 5}, {8, 3, 3}); }, "rank do not match"));
  EXPECT_TRUE(message_has(
      [&] {
        make({1, 3, 5, 5}, {8, 4, 3, 3});
      },
      "does not match filter input channel count"));
  EXPECT_TRUE(message_has(
      [&] {
        make({1, 3, 5, 5}, {8, 3, 6, 3});
      },
      "larger than the data shape after padding"));
  EXPECT_TRUE(message_has([&] { make({1, 3, 5, 5}, {8, 3, 3, 3}, {1, 0}); }, "Strides has zero"));
  EXPECT_TRUE(message_has(
      [&] {
        make({1, 3, 5, 5}, {8, 3, 3, 3}, {1});
      },
      "Strides should be defined for all and only spatial dimensions"));
  EXPECT_TRUE(message_has(
      [&] {
        make({1, 3, 5, 5}, {8, 3, 3, 3}, {1, 1}, {0, 1});
      },
      "dilations has zero"));
  EXPECT_TRUE(message_has(
      [&] {
        make({1, 3, 5, 5}, {8, 3, 3, 3}, {1, 1}, {1, 1}, element::i32);
      },
      "do not match"));
  // A dilated kernel of 5 does not fit 4 padded elements.
  EXPECT_THROW(make({1, 3, 4, 5}, {8, 3, 3, 3}, {1, 1}, {2, 1}), ov::NodeValidationFailure);
}

TEST(FrontendConvolution, EvaluatesAgainstDirectDefinition) {
  const Shape xs{2, 3, 7, 6}, ws{4, 3, 3, 2};
  const Strides s{2, 1}, d{1, 2};
  const CoordinateDiff pb{1, 2}, pe{2, 0};
  const auto xv = random_small_ints(ov::shape_size(xs), 1);
  const auto wv = random_small_ints(ov::shape_size(ws), 2);
  Shape expected_shape;
  const auto expected = reference_conv2d(xv, xs, wv, 1, 4, 3, 2, s, d, pb, pe, expected_shape);
  for (auto type : {element::f32, element::f16, element::i32}) {
    auto x = param(type, xs);
    auto w = param(type, ws);
    auto conv = std::make_shared<v1::Convolution>(x, w, s, pb, pe, d);
    EXPECT_EQ(conv->get_output_partial_shape(0), PartialShape(expected_shape));
    auto out = run({conv}, {x, w}, {tensor<float>(type, xs, xv), tensor<float>(type, ws, wv)});
    EXPECT_EQ(out[0].get_shape(), expected_shape);
    EXPECT_EQ(values<float>(out[0]), expected) << type;
  }

  // 1-D and 3-D through the same kernel: a 1x1x1 filter of 2 doubles the input.
  auto x3 = param(element::f32, {1, 1, 2, 2, 2});
  auto conv3 =
      std::make_shared<v1::Convolution>(x3, constant<float>(element::f32, {1, 1, 1, 1, 1}, {2.0f}),
                                        Strides{}, CoordinateDiff{}, CoordinateDiff{}, Strides{});
  auto out3 =
      run({conv3}, {x3}, {tensor<float>(element::f32, {1, 1, 2, 2, 2}, {1, 2, 3, 4, 5, 6, 7, 8})});
  EXPECT_EQ(values<float>(out3[0]), (std::vector<float>{2, 4, 6, 8, 10, 12, 14, 16}));
  auto x1 = param(element::f32, {1, 1, 5});
  auto conv1 = std::make_shared<v1::Convolution>(
      x1, constant<float>(element::f32, {1, 1, 2}, {1.0f, -1.0f}), Strides{2}, CoordinateDiff{1},
      CoordinateDiff{0}, Strides{1}, PadType::EXPLICIT);
  auto out1 = run({conv1}, {x1}, {tensor<float>(element::f32, {1, 1, 5}, {1, 2, 4, 8, 16})});
  // windows [pad,1], [2,4], [8,16]
  EXPECT_EQ(values<float>(out1[0]), (std::vector<float>{-1, -2, -8}));
}

TEST(FrontendConvolution, SameUpperEvaluationUsesRecomputedPads) {
  const Shape xs{1, 2, 5, 4}, ws{3, 2, 2, 3};
  const auto xv = random_small_ints(ov::shape_size(xs), 3);
  const auto wv = random_small_ints(ov::shape_size(ws), 4);
  auto x = param(element::f32, xs);
  auto conv = std::make_shared<v1::Convolution>(x, constant<float>(element::f32, ws, wv),
                                                Strides{2, 1}, CoordinateDiff{}, CoordinateDiff{},
                                                Strides{}, PadType::SAME_UPPER);
  Shape expected_shape;
  // H: O=3, total = 2*2+2-5 = 1 -> (0, 1); W: O=4, total = 3+3-4 = 2 -> (1, 1).
  const auto expected =
      reference_conv2d(xv, xs, wv, 1, 3, 2, 3, {2, 1}, {1, 1}, {0, 1}, {1, 1}, expected_shape);
  EXPECT_EQ(expected_shape, (Shape{1, 3, 3, 4}));
  auto out = run({conv}, {x}, {tensor<float>(element::f32, xs, xv)});
  EXPECT_EQ(values<float>(out[0]), expected);
}

TEST(FrontendGroupConvolution, ShapesAndEvaluation) {
  auto gc = std::make_shared<v1::GroupConvolution>(
      param(element::f32, {1, 6, 8, 8}), param(element::f32, {3, 4, 2, 3, 3}), Strides{1, 1},
      CoordinateDiff{1, 1}, CoordinateDiff{1, 1}, Strides{1, 1});
  EXPECT_EQ(gc->get_output_partial_shape(0), (PartialShape{1, 12, 8, 8}));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::GroupConvolution>(
            param(element::f32, {1, 5, 8, 8}), param(element::f32, {3, 4, 2, 3, 3}), Strides{1, 1},
            CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1});
      },
      "incompatible value with filter shape"));
  EXPECT_THROW(std::make_shared<v1::GroupConvolution>(
                   param(element::f32, {1, 6, 8, 8}), param(element::f32, {3, 4, 2, 3}),
                   Strides{1, 1}, CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1}),
               ov::NodeValidationFailure);
  auto dyn = std::make_shared<v1::GroupConvolution>(
      param(element::f32, {-1, -1, 8, 8}), param(element::f32, {-1, 4, 2, 3, 3}), Strides{1, 1},
      CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1});
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{-1, -1, 6, 6}));

  // Depthwise style (groups = channels, one output per group) and a general grouped case.
  const Shape xs{2, 6, 6, 5};
  const auto xv = random_small_ints(ov::shape_size(xs), 5);
  for (size_t groups : {size_t{6}, size_t{2}}) {
    const size_t cout_g = groups == 6 ? 1 : 2;
    const Shape ws{groups, cout_g, 6 / groups, 3, 2};
    const auto wv = random_small_ints(ov::shape_size(ws), 6);
    Shape expected_shape;
    const auto expected = reference_conv2d(xv, xs, wv, groups, cout_g, 3, 2, {1, 2}, {2, 1}, {2, 0},
                                           {1, 1}, expected_shape);
    auto x = param(element::f32, xs);
    auto conv = std::make_shared<v1::GroupConvolution>(x, constant<float>(element::f32, ws, wv),
                                                       Strides{1, 2}, CoordinateDiff{2, 0},
                                                       CoordinateDiff{1, 1}, Strides{2, 1});
    auto out = run({conv}, {x}, {tensor<float>(element::f32, xs, xv)});
    EXPECT_EQ(out[0].get_shape(), expected_shape);
    EXPECT_EQ(values<float>(out[0]), expected) << groups;
  }
}

TEST(FrontendConvolutionBackpropData, ShapeInference) {
  auto plain = std::make_shared<v1::ConvolutionBackpropData>(
      param(element::f32, {1, 4, 5, 6}), param(element::f32, {4, 2, 3, 3}), Strides{2, 1},
      CoordinateDiff{1, 0}, CoordinateDiff{1, 2}, Strides{1, 2}, PadType::EXPLICIT,
      CoordinateDiff{1, 0});
  // 2*4 + 3 - 2 + 1 = 10; 5 + 5 - 2 + 0 = 8
  EXPECT_EQ(plain->get_output_partial_shape(0), (PartialShape{1, 2, 10, 8}));
  EXPECT_EQ(plain->get_output_shape(), PartialShape::dynamic());

  // The TRANSPOSE_CONV form: spatial output shape given, SAME_LOWER puts the odd pad at the end.
  auto with_shape = std::make_shared<v1::ConvolutionBackpropData>(
      param(element::f32, {1, 4, 3, 3}), param(element::f32, {4, 2, 3, 3}),
      constant<int64_t>(element::i64, {2}, {6, 5}), Strides{2, 2}, CoordinateDiff{},
      CoordinateDiff{}, Strides{}, PadType::SAME_LOWER);
  EXPECT_EQ(with_shape->get_output_partial_shape(0), (PartialShape{1, 2, 6, 5}));
  // total = 2*2 + 3 - 6 = 1 -> (0, 1); 2*2 + 3 - 5 = 2 -> (1, 1)
  EXPECT_EQ(with_shape->get_pads_begin(), (CoordinateDiff{0, 1}));
  EXPECT_EQ(with_shape->get_pads_end(), (CoordinateDiff{1, 1}));
  EXPECT_EQ(with_shape->get_output_shape(), (PartialShape{6, 5}));
  EXPECT_FALSE(with_shape->is_dynamic());

  auto shape_param = param(element::i32, {2});
  auto runtime_shape = std::make_shared<v1::ConvolutionBackpropData>(
      param(element::f32, {1, 4, 3, 3}), param(element::f32, {4, 2, 3, 3}), shape_param,
      Strides{2, 2}, CoordinateDiff{}, CoordinateDiff{}, Strides{}, PadType::VALID);
  EXPECT_EQ(runtime_shape->get_output_partial_shape(0), (PartialShape{1, 2, -1, -1}));
  EXPECT_EQ(runtime_shape->get_output_shape(), PartialShape::dynamic(2));
  EXPECT_TRUE(runtime_shape->is_dynamic());
  runtime_shape->set_output_shape(Shape{7, 8});
  EXPECT_EQ(runtime_shape->get_output_partial_shape(0), (PartialShape{1, 2, 7, 8}));

  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::ConvolutionBackpropData>(
            param(element::f32, {1, 4, 3, 3}), param(element::f32, {3, 2, 3, 3}), Strides{1, 1},
            CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1});
      },
      "Input channels dimension of data and filter inputs must be equal"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::ConvolutionBackpropData>(
            param(element::f32, {1, 4, 3, 3}), param(element::f32, {4, 2, 3, 3}), Strides{1, 1},
            CoordinateDiff{0, 0}, CoordinateDiff{0, 0}, Strides{1, 1}, PadType::EXPLICIT,
            CoordinateDiff{1});
      },
      "Output padding should be defined"));
  EXPECT_THROW(std::make_shared<v1::ConvolutionBackpropData>(
                   param(element::f32, {1, 4, 3, 3}), param(element::f32, {4, 2, 3, 3}),
                   constant<int64_t>(element::i64, {3}, {6, 5, 4}), Strides{1, 1}, CoordinateDiff{},
                   CoordinateDiff{}, Strides{}, PadType::SAME_LOWER),
               ov::NodeValidationFailure);
}

TEST(FrontendConvolutionBackpropData, EvaluationByHandAndAsAdjointOfConvolution) {
  // One input channel, one output channel, 1-D: x = [1, 2], w = [1, 10, 100], stride 2.
  auto x = param(element::f32, {1, 1, 2});
  auto bp = std::make_shared<v1::ConvolutionBackpropData>(
      x, constant<float>(element::f32, {1, 1, 3}, {1, 10, 100}), Strides{2}, CoordinateDiff{0},
      CoordinateDiff{0}, Strides{1});
  auto hand = run({bp}, {x}, {tensor<float>(element::f32, {1, 1, 2}, {1, 2})});
  // positions: 0:1, 1:10, 2:100+2, 3:20, 4:200
  EXPECT_EQ(values<float>(hand[0]), (std::vector<float>{1, 10, 102, 20, 200}));

  // <conv(a), b> == <a, conv_transposed(b)> for the same weights, strides, dilations and pads.
  const Shape as{1, 3, 7, 8}, ws{2, 3, 3, 2};
  const Strides s{2, 3}, d{1, 2};
  const CoordinateDiff pb{1, 1}, pe{1, 0};
  const auto av = random_small_ints(ov::shape_size(as), 7);
  const auto wv = random_small_ints(ov::shape_size(ws), 8);
  auto a = param(element::f32, as);
  auto w = constant<float>(element::f32, ws, wv);
  auto conv = std::make_shared<v1::Convolution>(a, w, s, pb, pe, d);
  const Shape bs = conv->get_output_shape(0);
  const auto bv = random_small_ints(ov::shape_size(bs), 9);
  auto b = param(element::f32, bs);
  auto back = std::make_shared<v1::ConvolutionBackpropData>(
      b, w, constant<int64_t>(element::i64, {2}, {7, 8}), s, pb, pe, d);
  EXPECT_EQ(back->get_output_partial_shape(0), PartialShape(as));
  auto out = run({conv, back}, {a, b},
                 {tensor<float>(element::f32, as, av), tensor<float>(element::f32, bs, bv)});
  const auto conv_a = values<float>(out[0]);
  const auto back_b = values<float>(out[1]);
  double lhs = 0, rhs = 0;
  for (size_t i = 0; i < conv_a.size(); ++i) lhs += conv_a[i] * bv[i];
  for (size_t i = 0; i < back_b.size(); ++i) rhs += av[i] * back_b[i];
  EXPECT_NE(lhs, 0.0);
  EXPECT_EQ(lhs, rhs);
}

}  // namespace
