// Convolution and pooling translators: NHWC data and OHWI weights against direct loops computed
// here, the layouts they emit, fused bias and activations.
#include <gtest/gtest.h>

#include <cmath>

#include "frontend_test_utils.hpp"

namespace {

using fe_test::Eval;
using fe_test::OneOp;
using fe_test::OpTypes;
using fe_test::Producer;
using fe_test::TestGraph;
using ov::element::f32;
using ovref_test::expect_near;
using ovref_test::message_has;
using ovref_test::tensor;
using ovref_test::values;

std::vector<float> Ramp(size_t n, float scale = 0.25f, float offset = -1.f) {
  std::vector<float> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = offset + scale * static_cast<float>((i * 7) % 11);
  return v;
}

// TFLite CONV_2D semantics on NHWC data and OHWI weights, written out directly. SAME padding
// puts the odd unit at the end.
std::vector<float> DirectConv(const std::vector<float>& x, const std::vector<float>& w,
                              const std::vector<float>& bias, size_t n, size_t h, size_t wd,
                              size_t c, size_t o, size_t kh, size_t kw, size_t sh, size_t sw,
                              size_t dh, size_t dw, bool same, size_t* oh_out, size_t* ow_out) {
  auto out_size = [&](size_t in, size_t k, size_t s, size_t d) {
    return same ? (in + s - 1) / s : (in - ((k - 1) * d + 1)) / s + 1;
  };
  const size_t oh = out_size(h, kh, sh, dh), ow = out_size(wd, kw, sw, dw);
  auto pad = [&](size_t in, size_t out, size_t k, size_t s, size_t d) -> long {
    if (!same) return 0;
    const long total = std::max<long>(
        0, static_cast<long>((out - 1) * s + (k - 1) * d + 1) - static_cast<long>(in));
    return total / 2;
  };
  const long pt = pad(h, oh, kh, sh, dh), pl = pad(wd, ow, kw, sw, dw);
  std::vector<float> y(n * oh * ow * o, 0);
  for (size_t b = 0; b < n; ++b)
    for (size_t i = 0; i < oh; ++i)
      for (size_t j = 0; j < ow; ++j)
        for (size_t oc = 0; oc < o; ++oc) {
          float acc = bias.empty() ? 0 : bias[oc];
          for (size_t u = 0; u < kh; ++u)
            for (size_t v = 0; v < kw; ++v) {
              const long yy = static_cast<long>(i * sh + u * dh) - pt;
              const long xx = static_cast<long>(j * sw + v * dw) - pl;
              if (yy < 0 || xx < 0 || yy >= static_cast<long>(h) || xx >= static_cast<long>(wd))
                continue;
              for (size_t ic = 0; ic < c; ++ic) {
                acc += x[((b * h + yy) * wd + xx) * c + ic] * w[((oc * kh + u) * kw + v) * c + ic];
              }
            }
          y[((b * oh + i) * ow + j) * o + oc] = acc;
        }
  *oh_out = oh;
  *ow_out = ow;
  return y;
}

ov::AnyMap ConvAttributes(std::vector<int64_t> strides, const char* padding, const char* activation,
                          std::vector<int64_t> dilations = {1, 1, 1, 1}) {
  return {{"strides", strides},
          {"padding", std::string(padding)},
          {"dilations", dilations},
          {"activation", std::string(activation)},
          {"data_format", std::string("NHWC")}};
}

TEST(FrontEndConv, Conv2DMatchesADirectConvolutionOnNhwcDataAndOhwiWeights) {
  struct Case {
    size_t sh, sw, dh, dw;
    bool same;
  };
  for (const auto& c : {Case{1, 1, 1, 1, true}, Case{2, 1, 1, 1, true}, Case{1, 2, 1, 1, false},
                        Case{1, 1, 2, 1, false}, Case{2, 2, 1, 1, true}}) {
    SCOPED_TRACE(testing::Message() << c.sh << c.sw << c.dh << c.dw << c.same);
    const size_t n = 1, h = 5, w = 6, ci = 3, co = 4, kh = 3, kw = 2;
    const auto x = Ramp(n * h * w * ci);
    const auto weights = Ramp(co * kh * kw * ci, 0.125f, -0.5f);
    const std::vector<float> bias{0.5f, -0.25f, 1.f, 0.f};
    size_t oh = 0, ow = 0;
    const auto expected = DirectConv(x, weights, bias, n, h, w, ci, co, kh, kw, c.sh, c.sw, c.dh,
                                     c.dw, c.same, &oh, &ow);
    auto model =
        OneOp()
            .In(f32, {1, 5, 6, 3})
            .Const(f32, {co, kh, kw, ci}, weights)
            .Const(f32, {co}, bias)
            .Make("CONV_2D", {{f32, {1, static_cast<int64_t>(oh), static_cast<int64_t>(ow), 4}}},
                  ConvAttributes({1, static_cast<int64_t>(c.sh), static_cast<int64_t>(c.sw), 1},
                                 c.same ? "SAME" : "VALID", "NONE",
                                 {1, static_cast<int64_t>(c.dh), static_cast<int64_t>(c.dw), 1}));
    // The translator's two filter Transposes (OHWI -> HWIO -> OIHW) are fused into one by the
    // clean-up after conversion.
    EXPECT_EQ(OpTypes(model),
              (std::vector<std::string>{"Parameter", "Constant", "Transpose", "Constant",
                                        "Constant", "Transpose", "Convolution", "Constant",
                                        "Transpose", "Constant", "Add", "Result"}));
    EXPECT_EQ(Producer(model)->get_friendly_name(), "op");
    expect_near(values<float>(Eval(model, {tensor(f32, {1, 5, 6, 3}, x)})[0]), expected, 1e-4);
  }
}

TEST(FrontEndConv, Conv2DWithFewerFilterChannelsIsAGroupConvolution) {
  // 4 input channels, filters over 2: two groups of 2 input and 1 output channel... per group.
  const std::vector<float> x = Ramp(1 * 2 * 2 * 4);
  const std::vector<float> weights = Ramp(2 * 1 * 1 * 2, 0.5f, 0.f);
  auto model =
      OneOp()
          .In(f32, {1, 2, 2, 4})
          .Const(f32, {2, 1, 1, 2}, weights)
          .Make("CONV_2D", {{f32, {1, 2, 2, 2}}}, ConvAttributes({1, 1, 1, 1}, "VALID", "RELU"));
  const auto types = OpTypes(model);
  EXPECT_NE(std::find(types.begin(), types.end(), "GroupConvolution"), types.end());
  std::vector<float> expected;
  for (size_t p = 0; p < 4; ++p) {
    for (size_t g = 0; g < 2; ++g) {
      float acc = 0;
      for (size_t i = 0; i < 2; ++i) acc += x[p * 4 + g * 2 + i] * weights[g * 2 + i];
      expected.push_back(std::max(0.f, acc));
    }
  }
  expect_near(values<float>(Eval(model, {tensor(f32, {1, 2, 2, 4}, x)})[0]), expected, 1e-5);
}

TEST(FrontEndConv, DepthwiseConv2DMultipliesEachChannel) {
  // C = 2, depth multiplier 2: output channel c*2+m uses input channel c.
  const size_t h = 3, w = 3, c = 2, m = 2, k = 2;
  const auto x = Ramp(h * w * c);
  const auto weights = Ramp(k * k * c * m, 0.25f, -0.5f);  // [1, k, k, c*m]
  auto model = OneOp()
                   .In(f32, {1, 3, 3, 2})
                   .Const(f32, {1, k, k, c * m}, weights)
                   .Const(f32, {c * m}, std::vector<float>{1, 2, 3, 4})
                   .Make("DEPTHWISE_CONV_2D", {{f32, {1, 2, 2, 4}}}, [] {
                     auto a = ConvAttributes({1, 1, 1, 1}, "VALID", "NONE");
                     a["group"] = int32_t{2};
                     return a;
                   }());
  std::vector<float> expected;
  for (size_t i = 0; i < 2; ++i)
    for (size_t j = 0; j < 2; ++j)
      for (size_t ch = 0; ch < c; ++ch)
        for (size_t mm = 0; mm < m; ++mm) {
          float acc = static_cast<float>(ch * m + mm + 1);
          for (size_t u = 0; u < k; ++u)
            for (size_t v = 0; v < k; ++v)
              acc +=
                  x[((i + u) * w + (j + v)) * c + ch] * weights[(u * k + v) * c * m + ch * m + mm];
          expected.push_back(acc);
        }
  expect_near(values<float>(Eval(model, {tensor(f32, {1, 3, 3, 2}, x)})[0]), expected, 1e-5);
  // EXPLICIT padding is refused.
  auto explicit_pad = ConvAttributes({1, 1, 1, 1}, "EXPLICIT", "NONE");
  explicit_pad["group"] = int32_t{2};
  explicit_pad["explicit_paddings"] = std::vector<int64_t>(8, 0);
  EXPECT_THROW(OneOp()
                   .In(f32, {1, 3, 3, 2})
                   .Const(f32, {1, k, k, c * m}, weights)
                   .Make("DEPTHWISE_CONV_2D", {{f32, {1, 3, 3, 4}}}, explicit_pad),
               ov::frontend::OpValidationFailure);
}

TEST(FrontEndConv, TransposeConvKeepsItsBias) {
  // 1x1 kernel, stride 2: every input pixel lands on an even output position; the others are
  // bias only. The toolkit's translator drops the bias; this one adds it.
  const std::vector<float> x{1, 2, 3, 4};  // [1, 2, 2, 1]
  auto model = OneOp()
                   .Const(ov::element::i32, {4}, std::vector<int32_t>{1, 4, 4, 1})
                   .Const(f32, {1, 1, 1, 1}, std::vector<float>{10})
                   .In(f32, {1, 2, 2, 1})
                   .Const(f32, {1}, std::vector<float>{0.5f})
                   .Make("TRANSPOSE_CONV", {{f32, {1, 4, 4, 1}}},
                         {{"strides", std::vector<int64_t>{1, 2, 2, 1}},
                          {"padding", std::string("VALID")},
                          {"dilations", std::vector<int64_t>{1, 1, 1, 1}},
                          {"activation", std::string("NONE")}});
  const auto types = OpTypes(model);
  EXPECT_NE(std::find(types.begin(), types.end(), "ConvolutionBackpropData"), types.end());
  EXPECT_EQ(std::string(Producer(model)->get_type_name()), "Add");
  const auto y = values<float>(Eval(model, {tensor(f32, {1, 2, 2, 1}, x)})[0]);
  EXPECT_EQ(y, (std::vector<float>{10.5f, 0.5f, 20.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 30.5f, 0.5f,
                                   40.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST(FrontEndConv, PoolingOnNhwcData) {
  const std::vector<float> x = Ramp(1 * 4 * 4 * 2);
  ov::AnyMap attrs{{"strides", std::vector<int64_t>{1, 2, 2, 1}},
                   {"ksize", std::vector<int64_t>{1, 2, 2, 1}},
                   {"padding", std::string("VALID")},
                   {"activation", std::string("NONE")}};
  auto max_pool = OneOp().In(f32, {1, 4, 4, 2}).Make("MAX_POOL_2D", {{f32, {1, 2, 2, 2}}}, attrs);
  auto avg_pool =
      OneOp().In(f32, {1, 4, 4, 2}).Make("AVERAGE_POOL_2D", {{f32, {1, 2, 2, 2}}}, attrs);
  std::vector<float> max_expected, avg_expected;
  for (size_t i = 0; i < 2; ++i)
    for (size_t j = 0; j < 2; ++j)
      for (size_t ch = 0; ch < 2; ++ch) {
        float mx = -1e9f, sum = 0;
        for (size_t u = 0; u < 2; ++u)
          for (size_t v = 0; v < 2; ++v) {
            const float value = x[((2 * i + u) * 4 + 2 * j + v) * 2 + ch];
            mx = std::max(mx, value);
            sum += value;
          }
        max_expected.push_back(mx);
        avg_expected.push_back(sum / 4);
      }
  expect_near(values<float>(Eval(max_pool, {tensor(f32, {1, 4, 4, 2}, x)})[0]), max_expected, 1e-6);
  expect_near(values<float>(Eval(avg_pool, {tensor(f32, {1, 4, 4, 2}, x)})[0]), avg_expected, 1e-6);
  // Pools accept only SAME and VALID; a missing "ksize" is a required attribute.
  attrs["padding"] = std::string("EXPLICIT");
  EXPECT_THROW(OneOp().In(f32, {1, 4, 4, 2}).Make("MAX_POOL_2D", {{f32, {1, 2, 2, 2}}}, attrs),
               ov::frontend::OpValidationFailure);
  attrs.erase("ksize");
  attrs["padding"] = std::string("SAME");
  EXPECT_TRUE(message_has(
      [&] {
        OneOp().In(f32, {1, 4, 4, 2}).Make("AVERAGE_POOL_2D", {{f32, {1, 2, 2, 2}}}, attrs);
      },
      "Attribute with name 'ksize' does not exist"));
}

TEST(FrontEndConv, DepthToSpaceAndL2Normalization) {
  // [1, 1, 1, 4] with block 2 -> [1, 2, 2, 1] in TF's NHWC order.
  auto d2s = OneOp()
                 .In(f32, {1, 1, 1, 4})
                 .Make("DEPTH_TO_SPACE", {{f32, {1, 2, 2, 1}}}, {{"block_size", int32_t{2}}});
  EXPECT_EQ(values<float>(Eval(d2s, {tensor<float>(f32, {1, 1, 1, 4}, {1, 2, 3, 4})})[0]),
            (std::vector<float>{1, 2, 3, 4}));
  auto d2s_c = OneOp()
                   .In(f32, {1, 1, 2, 8})
                   .Make("DEPTH_TO_SPACE", {{f32, {1, 2, 4, 2}}}, {{"block_size", int32_t{2}}});
  std::vector<float> in(16);
  for (size_t i = 0; i < 16; ++i) in[i] = static_cast<float>(i);
  // out[0, y, x, c] = in[0, y/2, x/2, ((y%2)*2 + x%2)*2 + c]
  std::vector<float> expected;
  for (size_t y = 0; y < 2; ++y)
    for (size_t x = 0; x < 4; ++x)
      for (size_t c = 0; c < 2; ++c)
        expected.push_back(in[(x / 2) * 8 + ((y % 2) * 2 + x % 2) * 2 + c]);
  EXPECT_EQ(values<float>(Eval(d2s_c, {tensor(f32, {1, 1, 2, 8}, in)})[0]), expected);

  auto l2 = OneOp().In(f32, {2, 2}).Make("L2_NORMALIZATION", {{f32, {2, 2}}});
  expect_near(values<float>(Eval(l2, {tensor<float>(f32, {2, 2}, {3, 4, 0, 0})})[0]),
              {0.6f, 0.8f, 0, 0}, 1e-6);
}

}  // namespace
