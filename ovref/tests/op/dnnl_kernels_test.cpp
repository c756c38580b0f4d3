// The oneDNN kernels of the f32 convolutions, pooling and MatMul against the reference loops:
// every case is evaluated with the fast kernels on and off, and must have gone through oneDNN
// (or been declined, where that is the point) and agree within the f32 tolerance.

#include "../../src/op/util/dnnl_kernels.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "op_test_utils.hpp"
#include "openvino/op/avg_pool.hpp"
#include "openvino/op/convolution.hpp"
#include "openvino/op/group_conv.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/max_pool.hpp"

namespace dnnl_kernels_test {
namespace {

using ov::CoordinateDiff;
using ov::Shape;
using ov::Strides;
using ov::op::PadType;
using ov::op::RoundingType;
namespace element = ov::element;
namespace fast = ov::op::dnnl_kernels;

ov::Tensor random_tensor(const Shape& shape, unsigned seed) {
  ov::Tensor t(element::f32, shape);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  float* p = t.data<float>();
  for (size_t i = 0; i < t.get_size(); ++i) p[i] = dist(gen);
  return t;
}

struct Results {
  ov::TensorVector fast, reference;
  size_t taken = 0;  // calls oneDNN computed in the fast run
};

// Restores the fast kernels when a test leaves, failed assertions included.
struct FastKernelsOn {
  ~FastKernelsOn() { fast::set_enabled(true); }
};

// Evaluates the model of `outputs` over `params` fed with `inputs`, fast kernels on then off.
Results run_both(const ov::OutputVector& outputs, const ov::ParameterVector& params,
                 const ov::TensorVector& inputs) {
  FastKernelsOn restore;
  auto model = std::make_shared<ov::Model>(outputs, params);
  Results r;
  fast::set_enabled(true);
  const size_t before = fast::calls_taken();
  EXPECT_TRUE(model->evaluate(r.fast, inputs));
  r.taken = fast::calls_taken() - before;
  fast::set_enabled(false);
  EXPECT_TRUE(model->evaluate(r.reference, inputs));
  return r;
}

// Same shape, and every element within 1e-4 of the reference, scaled by the tensor's largest
// reference magnitude when that is above 1.
void expect_close(const ov::Tensor& actual, const ov::Tensor& expected) {
  ASSERT_EQ(actual.get_shape(), expected.get_shape());
  ASSERT_EQ(actual.get_element_type(), expected.get_element_type());
  const auto a = ovref_test::values<double>(actual);
  const auto e = ovref_test::values<double>(expected);
  double scale = 1.0;
  for (double v : e) scale = std::max(scale, std::abs(v));
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_NEAR(a[i], e[i], 1e-4 * scale) << "at " << i;
  }
}

void expect_agree(const Results& r, size_t expected_taken) {
  EXPECT_EQ(r.taken, expected_taken);
  ASSERT_EQ(r.fast.size(), r.reference.size());
  for (size_t i = 0; i < r.fast.size(); ++i) expect_close(r.fast[i], r.reference[i]);
}

struct ConvCase {
  Shape x, w;  // w is [G, Cout, Cin, k...] when grouped
  Strides strides, dilations;
  CoordinateDiff pads_begin, pads_end;
  PadType auto_pad = PadType::EXPLICIT;
};

Results run_conv(const ConvCase& c, bool grouped, unsigned seed) {
  auto x = ovref_test::param(element::f32, c.x);
  auto w = ovref_test::param(element::f32, c.w);
  std::shared_ptr<ov::Node> conv;
  if (grouped) {
    conv = std::make_shared<ov::op::v1::GroupConvolution>(x, w, c.strides, c.pads_begin, c.pads_end,
                                                          c.dilations, c.auto_pad);
  } else {
    conv = std::make_shared<ov::op::v1::Convolution>(x, w, c.strides, c.pads_begin, c.pads_end,
                                                     c.dilations, c.auto_pad);
  }
  return run_both({conv}, {x, w}, {random_tensor(c.x, seed), random_tensor(c.w, seed + 1)});
}

TEST(DnnlKernels, ConvolutionMatchesReference) {
  const std::vector<ConvCase> cases = {
      // 3x3, pad 1, batch 2
      {{2, 3, 8, 8}, {8, 3, 3, 3}, {1, 1}, {1, 1}, {1, 1}, {1, 1}},
      // stride 2 on odd sizes, uneven pads as SAME writes them
      {{1, 5, 15, 13}, {7, 5, 3, 3}, {2, 2}, {1, 1}, {0, 0}, {1, 1}},
      // dilation 2 with wider pads, non-square kernel
      {{1, 4, 11, 9}, {6, 4, 3, 2}, {1, 1}, {2, 2}, {2, 1}, {2, 1}},
      // stride and dilation together, no padding
      {{3, 2, 17, 10}, {5, 2, 2, 3}, {3, 2}, {2, 2}, {0, 0}, {0, 0}},
      // pointwise, many channels
      {{1, 33, 6, 7}, {17, 33, 1, 1}, {1, 1}, {1, 1}, {0, 0}, {0, 0}},
      // pads larger than the kernel needs
      {{1, 2, 5, 5}, {3, 2, 2, 2}, {1, 1}, {1, 1}, {3, 2}, {2, 3}},
      // 1-D and 3-D
      {{2, 3, 20}, {4, 3, 5}, {2}, {1}, {2}, {1}},
      {{1, 2, 5, 6, 7}, {3, 2, 3, 3, 3}, {1, 2, 1}, {1, 1, 2}, {1, 0, 1}, {1, 1, 0}},
      // SAME_UPPER derives the pads
      {{1, 3, 9, 10}, {4, 3, 3, 3}, {2, 2}, {1, 1}, {}, {}, PadType::SAME_UPPER},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    expect_agree(run_conv(cases[i], false, static_cast<unsigned>(10 * i)), 1);
  }
}

TEST(DnnlKernels, GroupConvolutionMatchesReference) {
  const std::vector<ConvCase> cases = {
      // 4 groups of 2 -> 3 channels
      {{2, 8, 9, 9}, {4, 3, 2, 3, 3}, {1, 1}, {1, 1}, {1, 1}, {1, 1}},
      // depthwise, stride 2, pads (0, 1) as converters write SAME
      {{1, 16, 14, 14}, {16, 1, 1, 3, 3}, {2, 2}, {1, 1}, {0, 0}, {1, 1}},
      // depthwise with channel multiplier 2 and dilation, odd size
      {{1, 6, 13, 11}, {6, 2, 1, 3, 3}, {1, 1}, {2, 2}, {2, 2}, {2, 2}},
      // 1-D grouped
      {{3, 6, 12}, {3, 2, 2, 4}, {3}, {1}, {1}, {2}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    expect_agree(run_conv(cases[i], true, static_cast<unsigned>(100 + 10 * i)), 1);
  }
}

TEST(DnnlKernels, ConvolutionDeclinesNegativePadsAndOtherTypes) {
  // Negative pads crop the input: the reference takes them.
  expect_agree(run_conv({{1, 2, 8, 8}, {3, 2, 3, 3}, {1, 1}, {1, 1}, {-1, 0}, {0, -1}}, false, 7),
               0);
  // f16 stays on the reference loops.
  auto x = ovref_test::param(element::f16, {1, 2, 5, 5});
  auto w = ovref_test::constant<float>(element::f16, {1, 2, 1, 1}, {1.0f, 2.0f});
  auto conv = std::make_shared<ov::op::v1::Convolution>(x, w, Strides{1, 1}, CoordinateDiff{0, 0},
                                                        CoordinateDiff{0, 0}, Strides{1, 1});
  std::vector<float> in(50);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(i % 7);
  const auto r = run_both({conv}, {x}, {ovref_test::tensor(element::f16, {1, 2, 5, 5}, in)});
  EXPECT_EQ(r.taken, 0u);
  const auto y = ovref_test::values<float>(r.fast[0]);
  for (size_t i = 0; i < 25; ++i) EXPECT_EQ(y[i], in[i] + 2.0f * in[25 + i]);
}

Results run_matmul(const Shape& a, const Shape& b, bool ta, bool tb, unsigned seed) {
  auto pa = ovref_test::param(element::f32, a);
  auto pb = ovref_test::param(element::f32, b);
  auto mm = std::make_shared<ov::op::v0::MatMul>(pa, pb, ta, tb);
  return run_both({mm}, {pa, pb}, {random_tensor(a, seed), random_tensor(b, seed + 1)});
}

TEST(DnnlKernels, MatMulMatchesReference) {
  struct Case {
    Shape a, b;
    bool ta, tb;
  };
  const std::vector<Case> cases = {
      {{5, 7}, {7, 3}, false, false},
      {{7, 5}, {7, 3}, true, false},
      {{5, 7}, {3, 7}, false, true},
      {{7, 5}, {3, 7}, true, true},
      {{1, 1}, {1, 1}, false, false},
      {{17, 33}, {33, 9}, false, false},
      // batch dims broadcast both ways and across ranks
      {{2, 1, 5, 7}, {3, 7, 4}, false, false},
      {{4, 6, 5}, {1, 3, 5}, false, true},
      {{3, 1, 2, 9, 4}, {1, 5, 1, 9, 2}, true, false},
      // vectors
      {{7}, {7, 3}, false, false},
      {{2, 5, 7}, {7}, false, false},
      {{7}, {4, 7}, true, true},
      // a fully connected layer as the front end writes it
      {{1, 1280}, {1001, 1280}, false, true},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    expect_agree(run_matmul(c.a, c.b, c.ta, c.tb, static_cast<unsigned>(200 + 10 * i)), 1);
  }
}

TEST(DnnlKernels, MatMulLeavesIntegersAndEmptyProductsToTheReference) {
  auto a = ovref_test::param(element::i32, {2, 3});
  auto b = ovref_test::constant<int32_t>(element::i32, {3, 2}, {1, 2, 3, 4, 5, 6});
  auto mm = std::make_shared<ov::op::v0::MatMul>(a, b);
  const auto r =
      run_both({mm}, {a}, {ovref_test::tensor<int32_t>(element::i32, {2, 3}, {1, 0, -1, 2, 2, 2})});
  EXPECT_EQ(r.taken, 0u);
  EXPECT_EQ(ovref_test::values<int32_t>(r.fast[0]), (std::vector<int32_t>{-4, -4, 18, 24}));
  // K = 0: zeros, from the reference.
  const auto empty = run_matmul({3, 0}, {0, 2}, false, false, 1);
  EXPECT_EQ(empty.taken, 0u);
  EXPECT_EQ(ovref_test::values<float>(empty.fast[0]), std::vector<float>(6, 0.0f));
}

TEST(DnnlKernels, AvgPoolMatchesReference) {
  struct Case {
    Shape x, kernel;
    Strides strides;
    Shape pads_begin, pads_end;
    bool exclude_pad;
    RoundingType rounding;
  };
  const std::vector<Case> cases = {
      {{2, 3, 8, 8}, {2, 2}, {2, 2}, {0, 0}, {0, 0}, false, RoundingType::FLOOR},
      {{1, 4, 7, 9}, {3, 3}, {2, 2}, {1, 1}, {1, 1}, true, RoundingType::FLOOR},
      {{1, 4, 7, 9}, {3, 3}, {2, 2}, {1, 1}, {1, 1}, false, RoundingType::FLOOR},
      // ceil rounding: windows past the end, with and without padding
      {{1, 2, 7, 7}, {2, 2}, {2, 2}, {0, 0}, {0, 0}, false, RoundingType::CEIL},
      {{1, 2, 7, 6}, {3, 2}, {2, 2}, {1, 0}, {1, 0}, false, RoundingType::CEIL},
      {{1, 2, 7, 6}, {3, 2}, {2, 2}, {1, 0}, {1, 0}, true, RoundingType::CEIL},
      // global average, as for a classifier head
      {{1, 64, 7, 7}, {7, 7}, {1, 1}, {0, 0}, {0, 0}, false, RoundingType::FLOOR},
      // 1-D and 3-D
      {{3, 2, 11}, {3}, {2}, {1}, {2}, true, RoundingType::FLOOR},
      {{1, 2, 5, 6, 4}, {2, 3, 2}, {1, 2, 2}, {1, 1, 0}, {0, 1, 1}, false, RoundingType::FLOOR},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    auto x = ovref_test::param(element::f32, c.x);
    auto pool = std::make_shared<ov::op::v1::AvgPool>(x, c.strides, c.pads_begin, c.pads_end,
                                                      c.kernel, c.exclude_pad, c.rounding);
    expect_agree(run_both({pool}, {x}, {random_tensor(c.x, static_cast<unsigned>(300 + i))}), 1);
  }
}

TEST(DnnlKernels, MaxPoolMatchesReferenceIndicesIncluded) {
  struct Case {
    Shape x, kernel;
    Strides strides, dilations;
    Shape pads_begin, pads_end;
    RoundingType rounding;
  };
  const std::vector<Case> cases = {
      {{2, 3, 8, 8}, {2, 2}, {2, 2}, {1, 1}, {0, 0}, {0, 0}, RoundingType::FLOOR},
      {{1, 4, 9, 7}, {3, 3}, {2, 2}, {1, 1}, {1, 1}, {1, 1}, RoundingType::FLOOR},
      {{1, 2, 11, 10}, {3, 2}, {1, 2}, {2, 3}, {2, 1}, {2, 2}, RoundingType::FLOOR},
      {{1, 2, 7, 7}, {2, 2}, {2, 2}, {1, 1}, {0, 0}, {0, 0}, RoundingType::CEIL},
      {{3, 2, 13}, {4}, {3}, {1}, {1}, {2}, RoundingType::FLOOR},
      {{1, 2, 4, 5, 6}, {2, 2, 3}, {2, 1, 2}, {1, 2, 1}, {0, 1, 1}, {1, 0, 1}, RoundingType::FLOOR},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    auto x = ovref_test::param(element::f32, c.x);
    auto pool = std::make_shared<ov::op::v8::MaxPool>(x, c.strides, c.dilations, c.pads_begin,
                                                      c.pads_end, c.kernel, c.rounding);
    const auto r = run_both(pool->outputs(), {x}, {random_tensor(c.x, 400u + i)});
    expect_agree(r, 1);
    // Values are the inputs themselves, so they and the indices agree exactly.
    ASSERT_EQ(r.fast.size(), 2u);
    EXPECT_EQ(ovref_test::values<float>(r.fast[0]), ovref_test::values<float>(r.reference[0]));
    EXPECT_EQ(ovref_test::values<int64_t>(r.fast[1]), ovref_test::values<int64_t>(r.reference[1]));
  }
  // v1, without indices; ties keep the first position.
  auto x = ovref_test::param(element::f32, {1, 1, 4, 4});
  auto pool = std::make_shared<ov::op::v1::MaxPool>(x, Strides{1, 1}, Shape{1, 1}, Shape{0, 0},
                                                    Shape{2, 2});
  ov::Tensor ties =
      ovref_test::tensor<float>(element::f32, {1, 1, 4, 4}, std::vector<float>(16, 2));
  expect_agree(run_both({pool}, {x}, {ties}), 1);
  auto x8 = ovref_test::param(element::f32, {1, 1, 4, 4});
  auto pool8 = std::make_shared<ov::op::v8::MaxPool>(x8, Strides{1, 1}, Strides{1, 1}, Shape{0, 0},
                                                     Shape{0, 0}, Shape{2, 2});
  const auto tied = run_both(pool8->outputs(), {x8}, {ties});
  EXPECT_EQ(tied.taken, 1u);
  EXPECT_EQ(ovref_test::values<int64_t>(tied.fast[1]),
            ovref_test::values<int64_t>(tied.reference[1]));
}

TEST(DnnlKernels, MaxPoolLeavesNonNumbersAndPaddedWindowsToTheReference) {
  auto x = ovref_test::param(element::f32, {1, 1, 2, 4});
  auto pool = std::make_shared<ov::op::v8::MaxPool>(x, Strides{2, 2}, Strides{1, 1}, Shape{0, 0},
                                                    Shape{0, 0}, Shape{2, 2});
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // A window of minus infinities, and NaN first in a window: the reference's values stand.
  const auto r = run_both(pool->outputs(), {x},
                          {ovref_test::tensor<float>(element::f32, {1, 1, 2, 4},
                                                     {-inf, -inf, nan, 1, -inf, -inf, 2, 3})});
  EXPECT_EQ(r.taken, 0u);
  const auto y = ovref_test::values<float>(r.fast[0]);
  EXPECT_EQ(y[0], -inf);
  EXPECT_TRUE(std::isnan(y[1]));
  // A dilated window whose taps all fall in the padding.
  auto x1 = ovref_test::param(element::f32, {1, 1, 1});
  auto gap = std::make_shared<ov::op::v8::MaxPool>(x1, Strides{1}, Strides{2}, Shape{1}, Shape{1},
                                                   Shape{2});
  const auto g = run_both(gap->outputs(), {x1}, {random_tensor({1, 1, 1}, 5)});
  EXPECT_EQ(g.taken, 0u);
}

TEST(DnnlKernels, SameBytesOnEveryRunAndThread) {
  auto x = ovref_test::param(element::f32, {1, 32, 28, 28});
  auto w = ovref_test::param(element::f32, {64, 32, 3, 3});
  auto conv = std::make_shared<ov::op::v1::Convolution>(x, w, Strides{1, 1}, CoordinateDiff{1, 1},
                                                        CoordinateDiff{1, 1}, Strides{1, 1});
  auto a = ovref_test::param(element::f32, {96, 1000});
  auto b = ovref_test::param(element::f32, {1000, 80});
  auto mm = std::make_shared<ov::op::v0::MatMul>(a, b);
  auto model =
      std::make_shared<ov::Model>(ov::OutputVector{conv, mm}, ov::ParameterVector{x, w, a, b});
  const ov::TensorVector inputs = {random_tensor({1, 32, 28, 28}, 1),
                                   random_tensor({64, 32, 3, 3}, 2), random_tensor({96, 1000}, 3),
                                   random_tensor({1000, 80}, 4)};
  auto evaluate = [&] {
    ov::TensorVector out;
    EXPECT_TRUE(model->evaluate(out, inputs));
    return out;
  };
  auto same_bytes = [](const ov::TensorVector& p, const ov::TensorVector& q) {
    for (size_t i = 0; i < p.size(); ++i) {
      if (p[i].get_byte_size() != q[i].get_byte_size() ||
          std::memcmp(p[i].data(), q[i].data(), p[i].get_byte_size()) != 0)
        return false;
    }
    return p.size() == q.size();
  };
  const size_t before = fast::calls_taken();
  const ov::TensorVector first = evaluate();
  ASSERT_EQ(fast::calls_taken() - before, 2u);
  for (int run = 0; run < 3; ++run) EXPECT_TRUE(same_bytes(first, evaluate()));
  // Two threads at once, each with its own oneDNN team.
  ov::TensorVector t1, t2;
  std::thread a1([&] { t1 = evaluate(); });
  std::thread a2([&] { t2 = evaluate(); });
  a1.join();
  a2.join();
  EXPECT_TRUE(same_bytes(first, t1));
  EXPECT_TRUE(same_bytes(first, t2));
}

}  // namespace
}  // namespace dnnl_kernels_test
