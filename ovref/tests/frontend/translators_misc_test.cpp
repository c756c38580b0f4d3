// Matrix products, resizing, reductions, softmax, top-k, one-hot, range, cumulative sum and the
// RMS-norm composite.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "frontend_test_utils.hpp"

namespace {

using fe_test::Eval;
using fe_test::OneOp;
using fe_test::OpTypes;
using fe_test::Producer;
using ov::element::f32;
using ov::element::i32;
using ov::element::i64;
using ovref_test::expect_near;
using ovref_test::message_has;
using ovref_test::tensor;
using ovref_test::values;

ov::AnyMap FcAttributes(bool keep_num_dims, const char* activation = "NONE") {
  return {{"fused_activation_function", std::string(activation)},
          {"weights_format", int8_t{0}},
          {"keep_num_dims", keep_num_dims}};
}

TEST(FrontEndMisc, FullyConnectedFlattensUnlessKeepNumDims) {
  const std::vector<float> x{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // [2, 2, 3]
  const std::vector<float> w{1, 0, -1, 0.5f, 0.5f, 0.5f};             // [2, 3]: out x in
  std::vector<float> expected;
  for (size_t r = 0; r < 4; ++r) {
    for (size_t o = 0; o < 2; ++o) {
      float acc = o == 0 ? 10.f : -10.f;
      for (size_t i = 0; i < 3; ++i) acc += x[r * 3 + i] * w[o * 3 + i];
      expected.push_back(std::max(0.f, acc));
    }
  }
  auto flat = OneOp()
                  .In(f32, {2, 2, 3})
                  .Const(f32, {2, 3}, w)
                  .Const(f32, {2}, std::vector<float>{10, -10})
                  .Make("FULLY_CONNECTED", {{f32, {4, 2}}}, FcAttributes(false, "RELU"));
  EXPECT_EQ(Producer(flat)->get_output_partial_shape(0), (ov::PartialShape{4, 2}));
  const auto types = OpTypes(flat);
  EXPECT_NE(std::find(types.begin(), types.end(), "Reshape"), types.end());
  expect_near(values<float>(Eval(flat, {tensor(f32, {2, 2, 3}, x)})[0]), expected, 1e-5);

  auto kept = OneOp()
                  .In(f32, {2, 2, 3})
                  .Const(f32, {2, 3}, w)
                  .Const(f32, {2}, std::vector<float>{10, -10})
                  .Make("FULLY_CONNECTED", {{f32, {2, 2, 2}}}, FcAttributes(true, "RELU"));
  EXPECT_EQ(Producer(kept)->get_output_partial_shape(0), (ov::PartialShape{2, 2, 2}));
  expect_near(values<float>(Eval(kept, {tensor(f32, {2, 2, 3}, x)})[0]), expected, 1e-5);

  // Without a bias, and with a non-default weights format.
  auto no_bias = OneOp()
                     .In(f32, {1, 3})
                     .Const(f32, {2, 3}, w)
                     .Make("FULLY_CONNECTED", {{f32, {1, 2}}}, FcAttributes(false));
  expect_near(values<float>(Eval(no_bias, {tensor<float>(f32, {1, 3}, {1, 2, 3})})[0]), {-2, 3},
              1e-6);
  auto shuffled = FcAttributes(false);
  shuffled["weights_format"] = int8_t{1};
  EXPECT_THROW(OneOp()
                   .In(f32, {1, 3})
                   .Const(f32, {2, 3}, w)
                   .Make("FULLY_CONNECTED", {{f32, {1, 2}}}, shuffled),
               ov::frontend::NotImplementedFailure);
}

TEST(FrontEndMisc, BatchMatMulAdjointFlags) {
  auto model = OneOp()
                   .In(f32, {1, 2, 2})
                   .In(f32, {1, 2, 2})
                   .Make("BATCH_MATMUL", {{f32, {1, 2, 2}}}, {{"adj_x", false}, {"adj_y", true}});
  auto out = Eval(model, {tensor<float>(f32, {1, 2, 2}, {1, 2, 3, 4}),
                          tensor<float>(f32, {1, 2, 2}, {1, 0, 1, 1})});
  // [[1,2],[3,4]] x [[1,1],[0,1]]
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 3, 3, 7}));
}

TEST(FrontEndMisc, SoftmaxScalesByBeta) {
  const std::vector<float> x{1, 2, 3, 0, 0, 0};
  for (float beta : {1.f, 2.f}) {
    SCOPED_TRACE(beta);
    auto model = OneOp().In(f32, {2, 3}).Make("SOFTMAX", {{f32, {2, 3}}}, {{"beta", beta}});
    const auto types = OpTypes(model);
    EXPECT_EQ(std::count(types.begin(), types.end(), "Multiply"), beta == 1.f ? 0 : 1);
    std::vector<float> expected;
    for (size_t r = 0; r < 2; ++r) {
      float sum = 0;
      for (size_t i = 0; i < 3; ++i) sum += std::exp(beta * x[r * 3 + i]);
      for (size_t i = 0; i < 3; ++i) expected.push_back(std::exp(beta * x[r * 3 + i]) / sum);
    }
    expect_near(values<float>(Eval(model, {tensor(f32, {2, 3}, x)})[0]), expected, 1e-6);
  }
  EXPECT_THROW(OneOp().In(f32, {2, 3}).Make("SOFTMAX", {{f32, {2, 3}}}),
               ov::frontend::GeneralFailure);
}

TEST(FrontEndMisc, ReductionsKeepDimsOrNot) {
  const std::vector<float> x{1, 2, 3, 4, 5, 6};
  auto mean = OneOp()
                  .In(f32, {2, 3})
                  .Const(i32, {1}, std::vector<int32_t>{1})
                  .Make("MEAN", {{f32, {2, 1}}}, {{"keep_dims", true}});
  EXPECT_EQ(Producer(mean)->get_output_partial_shape(0), (ov::PartialShape{2, 1}));
  EXPECT_EQ(values<float>(Eval(mean, {tensor(f32, {2, 3}, x)})[0]), (std::vector<float>{2, 5}));
  auto sum =
      OneOp().In(f32, {2, 3}).Const(i32, {1}, std::vector<int32_t>{0}).Make("SUM", {{f32, {3}}});
  EXPECT_EQ(values<float>(Eval(sum, {tensor(f32, {2, 3}, x)})[0]), (std::vector<float>{5, 7, 9}));
  auto max = OneOp()
                 .In(f32, {2, 3})
                 .Const(i32, {1}, std::vector<int32_t>{1})
                 .Make("REDUCE_MAX", {{f32, {2}}});
  EXPECT_EQ(values<float>(Eval(max, {tensor(f32, {2, 3}, x)})[0]), (std::vector<float>{3, 6}));
  auto any = OneOp()
                 .In(ov::element::boolean, {2, 2})
                 .Const(i32, {1}, std::vector<int32_t>{1})
                 .Make("REDUCE_ANY", {{ov::element::boolean, {2}}});
  auto all = OneOp()
                 .In(ov::element::boolean, {2, 2})
                 .Const(i32, {1}, std::vector<int32_t>{1})
                 .Make("REDUCE_ALL", {{ov::element::boolean, {2}}});
  const auto b = tensor<int>(ov::element::boolean, {2, 2}, {1, 0, 1, 1});
  EXPECT_EQ(values<int>(Eval(any, {b})[0]), (std::vector<int>{1, 1}));
  EXPECT_EQ(values<int>(Eval(all, {b})[0]), (std::vector<int>{0, 1}));
}

TEST(FrontEndMisc, TopKAndArgMax) {
  const std::vector<float> x{3, 1, 4, 1, 5, 9};
  auto topk = OneOp()
                  .In(f32, {2, 3})
                  .Const(i32, {}, std::vector<int32_t>{2})
                  .Make("TOPK_V2", {{f32, {2, 2}}, {i32, {2, 2}}},
                        {{"sorted", true}, {"index_type", ov::element::Type(i32)}});
  auto out = Eval(topk, {tensor(f32, {2, 3}, x)});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{4, 3, 9, 5}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{2, 0, 2, 1}));
  EXPECT_EQ(out[1].get_element_type(), i32);

  auto argmax = OneOp()
                    .In(f32, {2, 3})
                    .Const(i32, {1}, std::vector<int32_t>{1})
                    .Make("ARG_MAX", {{i64, {2}}}, {{"output_type", ov::element::Type(i64)}});
  EXPECT_EQ(values<int64_t>(Eval(argmax, {tensor(f32, {2, 3}, x)})[0]),
            (std::vector<int64_t>{2, 2}));
  auto argmax_axis0 = OneOp()
                          .In(f32, {2, 3})
                          .Const(i32, {1}, std::vector<int32_t>{0})
                          .Make("ARG_MAX", {{i32, {3}}}, {{"output_type", ov::element::Type(i32)}});
  EXPECT_EQ(values<int>(Eval(argmax_axis0, {tensor(f32, {2, 3}, x)})[0]),
            (std::vector<int>{0, 1, 1}));
  // The axis must be a constant.
  EXPECT_THROW(OneOp().In(f32, {2, 3}).In(i32, {1}).Make("ARG_MAX", {{i64, {2}}}),
               ov::frontend::OpValidationFailure);
}

TEST(FrontEndMisc, OneHotRangeAndCumSum) {
  auto one_hot = OneOp()
                     .In(i32, {2})
                     .Const(i32, {}, std::vector<int32_t>{3})
                     .Const(f32, {}, std::vector<float>{1})
                     .Const(f32, {}, std::vector<float>{0})
                     .Make("ONE_HOT", {{f32, {2, 3}}}, {{"axis", int32_t{-1}}});
  EXPECT_EQ(values<float>(Eval(one_hot, {tensor<int>(i32, {2}, {2, 0})})[0]),
            (std::vector<float>{0, 0, 1, 1, 0, 0}));
  EXPECT_THROW(
      OneOp().In(i32, {2}).Const(i32, {}, std::vector<int32_t>{3}).Make("ONE_HOT", {{f32, {2, 3}}}),
      ov::frontend::OpValidationFailure);

  auto range = OneOp()
                   .Const(i32, {}, std::vector<int32_t>{1})
                   .Const(i32, {}, std::vector<int32_t>{10})
                   .Const(i32, {}, std::vector<int32_t>{3})
                   .Make("RANGE", {{i32, {3}}});
  EXPECT_EQ(values<int>(Eval(range, {})[0]), (std::vector<int>{1, 4, 7}));

  auto cumsum = OneOp()
                    .In(f32, {4})
                    .Const(i32, {}, std::vector<int32_t>{0})
                    .Make("CUMSUM", {{f32, {4}}}, {{"exclusive", true}, {"reverse", true}});
  EXPECT_EQ(values<float>(Eval(cumsum, {tensor<float>(f32, {4}, {1, 2, 3, 4})})[0]),
            (std::vector<float>{9, 7, 4, 0}));
}

TEST(FrontEndMisc, ResizeModes) {
  const std::vector<float> x{0, 1, 2, 3};  // [1, 2, 2, 1]
  auto nearest =
      OneOp()
          .In(f32, {1, 2, 2, 1})
          .Const(i32, {2}, std::vector<int32_t>{4, 4})
          .Make("RESIZE_NEAREST_NEIGHBOR", {{f32, {1, 4, 4, 1}}}, {{"align_corners", false}});
  EXPECT_EQ(values<float>(Eval(nearest, {tensor(f32, {1, 2, 2, 1}, x)})[0]),
            (std::vector<float>{0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3}));
  auto bilinear = OneOp()
                      .In(f32, {1, 2, 2, 1})
                      .Const(i32, {2}, std::vector<int32_t>{3, 3})
                      .Make("RESIZE_BILINEAR", {{f32, {1, 3, 3, 1}}}, {{"align_corners", true}});
  expect_near(values<float>(Eval(bilinear, {tensor(f32, {1, 2, 2, 1}, x)})[0]),
              {0, 0.5f, 1, 1, 1.5f, 2, 2, 2.5f, 3}, 1e-6);
  EXPECT_THROW(OneOp()
                   .In(f32, {1, 2, 2, 1})
                   .Const(i32, {2}, std::vector<int32_t>{3, 3})
                   .Make("RESIZE_BILINEAR", {{f32, {1, 3, 3, 1}}},
                         {{"align_corners", true}, {"half_pixel_centers", true}}),
               ov::frontend::OpValidationFailure);
}

TEST(FrontEndMisc, RmsNormComposite) {
  const std::vector<float> x{1, 2, 3, 4, -1, 0, 1, 2};  // [2, 4]
  const std::vector<float> gamma{1, 0.5f, 2, 1};
  for (const auto& eps : {std::optional<double>(), std::optional<double>(0.5)}) {
    ov::AnyMap attrs{{"composite_name", std::string("qvex.rms_norm")}};
    if (eps) attrs["epsilon"] = *eps;  // the plug-in hands it over as f64
    auto model = OneOp()
                     .In(f32, {2, 4})
                     .Const(f32, {4}, gamma)
                     .Make("STABLEHLO_COMPOSITE", {{f32, {2, 4}}}, attrs);
    const float e = eps ? static_cast<float>(*eps) : 1e-6f;
    std::vector<float> expected;
    for (size_t r = 0; r < 2; ++r) {
      float ms = 0;
      for (size_t i = 0; i < 4; ++i) ms += x[r * 4 + i] * x[r * 4 + i] / 4;
      for (size_t i = 0; i < 4; ++i)
        expected.push_back(x[r * 4 + i] / std::sqrt(ms + e) * gamma[i]);
    }
    expect_near(values<float>(Eval(model, {tensor(f32, {2, 4}, x)})[0]), expected, 1e-5);
    EXPECT_EQ(Producer(model)->get_friendly_name(), "op");
  }
  EXPECT_TRUE(message_has(
      [] {
        OneOp()
            .In(f32, {2, 4})
            .Make("STABLEHLO_COMPOSITE", {{f32, {2, 4}}},
                  {{"composite_name", std::string("qvex.rms_norm")}});
      },
      "expects 2 inputs (data, gamma), got 1"));
  // Other composites need a decomposition subgraph, which the iterator does not provide.
  EXPECT_TRUE(message_has(
      [] {
        OneOp().In(f32, {2}).Make("STABLEHLO_COMPOSITE", {{f32, {2}}},
                                  {{"composite_name", std::string("odd.thing")}});
      },
      "STABLEHLO_COMPOSITE 'odd.thing' has no decomposition_subgraph_index"));
}

}  // namespace
