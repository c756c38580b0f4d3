#include <cmath>
#include <random>

#include "op_test_utils.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/fake_quantize.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/scaled_dot_product_attention.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/topk.hpp"

namespace {

using namespace ovref_test;
using ov::Dimension;
using ov::PartialShape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;
namespace v3 = ov::op::v3;
namespace v8 = ov::op::v8;
namespace v11 = ov::op::v11;
namespace v13 = ov::op::v13;

std::vector<float> random_values(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> dist(-1.f, 1.f);
  std::vector<float> v(n);
  for (auto& x : v) x = dist(gen);
  return v;
}

TEST(Softmax, ShapeChecksAndValues) {
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::Softmax>(param(element::f32, {2, 3}), 2);
      },
      "Reduction axis (2) is out of bounds"));
  EXPECT_NO_THROW(std::make_shared<v8::Softmax>(param(element::f32, {2, 3}), -2));
  EXPECT_THROW(std::make_shared<v8::Softmax>(param(element::f32, {2, 3}), -3),
               ov::NodeValidationFailure);
  auto x = param(element::f32, {2, 2});
  auto out = run({std::make_shared<v8::Softmax>(x, -1), std::make_shared<v1::Softmax>(x, 0)}, {x},
                 {tensor<float>(element::f32, {2, 2}, {0.f, std::log(3.f), 1000.f, 1000.f})});
  expect_near(values<float>(out[0]), {0.25f, 0.75f, 0.5f, 0.5f}, 1e-6);
  expect_near(values<float>(out[1]), {0.f, 0.f, 1.f, 1.f}, 1e-6);
}

TEST(TopK, OrderingTiesAndIndexType) {
  auto x = param(element::f32, {2, 4});
  auto k = constant(element::i64, ov::Shape{}, std::vector<int64_t>{2});
  auto max_values = std::make_shared<v11::TopK>(
      x, k, 1, ov::op::TopKMode::MAX, ov::op::TopKSortType::SORT_VALUES, element::i64, true);
  auto min_index = std::make_shared<v3::TopK>(x, k, -1, "min", "index");
  EXPECT_EQ(max_values->get_output_element_type(1), element::i64);
  EXPECT_EQ(min_index->get_output_element_type(1), element::i32);
  EXPECT_EQ(max_values->get_output_partial_shape(0), (PartialShape{2, 2}));
  auto data = tensor<float>(element::f32, {2, 4}, {1.f, 3.f, 3.f, 0.f, -1.f, 5.f, 2.f, 2.f});
  auto out = run(
      {max_values->output(0), max_values->output(1), min_index->output(0), min_index->output(1)},
      {x}, {data});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{3, 3, 5, 2}));
  EXPECT_EQ(values<int64_t>(out[1]),
            (std::vector<int64_t>{1, 2, 1, 2}));  // ties: lower index first
  EXPECT_EQ(out[1].get_element_type(), element::i64);
  // The two smallest, reported in index order.
  EXPECT_EQ(values<float>(out[2]), (std::vector<float>{1, 0, -1, 2}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{0, 3, 0, 2}));
  EXPECT_EQ(out[3].get_element_type(), element::i32);

  EXPECT_EQ(std::make_shared<v11::TopK>(param(element::f32, {5, Dimension(3, 8)}),
                                        param(element::i64, {}), 1, ov::op::TopKMode::MAX,
                                        ov::op::TopKSortType::NONE)
                ->get_output_partial_shape(0),
            (PartialShape{5, Dimension(0, 8)}));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v3::TopK>(x, constant(element::i64, ov::Shape{1}, std::vector<int64_t>{1}),
                                   0, "max", "value");
      },
      "The 'K' input must be a scalar."));
  EXPECT_THROW(std::make_shared<v3::TopK>(x, k, 2, "max", "value"), ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v3::TopK>(x, k, 0, "max", "value", element::f32),
               ov::NodeValidationFailure);
  EXPECT_THROW(max_values->get_default_output(), ov::Exception);
}

// softmax(Q·Kᵀ·scale + mask)·V computed directly on one [L,E]x[S,E]x[S,Ev] problem.
std::vector<double> reference_attention(const std::vector<float>& q, const std::vector<float>& k,
                                        const std::vector<float>& v,
                                        const std::vector<double>& bias, size_t L, size_t S,
                                        size_t E, size_t Ev, double scale) {
  std::vector<double> out(L * Ev, 0.0);
  for (size_t i = 0; i < L; ++i) {
    std::vector<double> w(S);
    double max = -INFINITY;
    for (size_t j = 0; j < S; ++j) {
      double dot = 0;
      for (size_t e = 0; e < E; ++e) dot += double(q[i * E + e]) * double(k[j * E + e]);
      w[j] = dot * scale + bias[i * S + j];
      max = std::max(max, w[j]);
    }
    double sum = 0;
    for (auto& x : w) sum += (x = std::exp(x - max));
    for (size_t c = 0; c < Ev; ++c) {
      for (size_t j = 0; j < S; ++j) out[i * Ev + c] += w[j] / sum * v[j * Ev + c];
    }
  }
  return out;
}

TEST(ScaledDotProductAttention, MatchesTheFormulaWithMasksAndScale) {
  const size_t L = 3, S = 4, E = 5, Ev = 2;
  const auto qv = random_values(L * E, 1), kv = random_values(S * E, 2),
             vv = random_values(S * Ev, 3);
  auto q = param(element::f32, {1, L, E});
  auto k = param(element::f32, {1, S, E});
  auto v = param(element::f32, {1, S, Ev});
  auto fmask = param(element::f32, {L, S});
  auto bmask = param(element::boolean, {1, L, S});
  auto scale = constant(element::f32, ov::Shape{}, std::vector<float>{0.7f});
  auto plain = std::make_shared<v13::ScaledDotProductAttention>(q, k, v, false);
  auto masked = std::make_shared<v13::ScaledDotProductAttention>(q, k, v, fmask, scale, false);
  auto causal = std::make_shared<v13::ScaledDotProductAttention>(q, k, v, true);
  auto boolean = std::make_shared<v13::ScaledDotProductAttention>(q, k, v, bmask, false);
  EXPECT_EQ(plain->get_output_partial_shape(0), (PartialShape{1, L, Ev}));

  std::vector<float> fm(L * S);
  for (size_t i = 0; i < fm.size(); ++i) fm[i] = 0.1f * static_cast<float>(i);
  std::vector<char> bm{1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 1, 1};
  ov::Tensor bmask_t(element::boolean, {1, L, S});
  std::copy(bm.begin(), bm.end(), bmask_t.data<char>());
  auto out =
      run({plain, masked, causal, boolean}, {q, k, v, fmask, bmask},
          {tensor<float>(element::f32, {1, L, E}, qv), tensor<float>(element::f32, {1, S, E}, kv),
           tensor<float>(element::f32, {1, S, Ev}, vv), tensor<float>(element::f32, {L, S}, fm),
           bmask_t});

  const double default_scale = 1.0 / std::sqrt(double(E));
  std::vector<double> zero(L * S, 0.0), fbias(fm.begin(), fm.end()), cbias(L * S), bbias(L * S);
  for (size_t i = 0; i < L; ++i) {
    for (size_t j = 0; j < S; ++j) {
      cbias[i * S + j] = j > i ? -INFINITY : 0.0;
      bbias[i * S + j] = bm[i * S + j] ? 0.0 : -INFINITY;
    }
  }
  auto as_float = [](const std::vector<double>& d) {
    return std::vector<float>(d.begin(), d.end());
  };
  expect_near(values<float>(out[0]),
              as_float(reference_attention(qv, kv, vv, zero, L, S, E, Ev, default_scale)), 1e-6);
  expect_near(values<float>(out[1]),
              as_float(reference_attention(qv, kv, vv, fbias, L, S, E, Ev, 0.7)), 1e-6);
  expect_near(values<float>(out[2]),
              as_float(reference_attention(qv, kv, vv, cbias, L, S, E, Ev, default_scale)), 1e-6);
  expect_near(values<float>(out[3]),
              as_float(reference_attention(qv, kv, vv, bbias, L, S, E, Ev, default_scale)), 1e-6);
}

TEST(ScaledDotProductAttention, ShapeInferenceAndValidation) {
  auto sdpa = [](const PartialShape& q, const PartialShape& k, const PartialShape& v) {
    return std::make_shared<v13::ScaledDotProductAttention>(
               param(element::f32, q), param(element::f32, k), param(element::f32, v), false)
        ->get_output_partial_shape(0);
  };
  EXPECT_EQ(sdpa({2, 8, -1, 64}, {2, 1, 10, 64}, {2, 1, 10, 32}), (PartialShape{2, 8, -1, 32}));
  EXPECT_EQ(sdpa(PartialShape::dynamic(), {2, 10, 64}, {2, 10, 32}), PartialShape::dynamic());
  EXPECT_TRUE(message_has(
      [&] {
        sdpa({2, 64}, {2, 10, 64}, {2, 10, 32});
      },
      "Query input shape not compatible with other inputs."));
  EXPECT_TRUE(message_has(
      [&] {
        sdpa({2, 5, 64}, {2, 10, 32}, {2, 10, 32});
      },
      "Key input shape not compatible"));
  EXPECT_TRUE(message_has(
      [&] {
        sdpa({6, 5, 64}, {2, 10, 64}, {2, 10, 32});
      },
      "Key input shape not compatible"));
  EXPECT_TRUE(message_has(
      [&] {
        sdpa({2, 5, 64}, {2, 10, 64}, {2, 9, 32});
      },
      "Value input shape not compatible"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v13::ScaledDotProductAttention>(param(element::f32, {1, 2, 4}),
                                                         param(element::f16, {1, 3, 4}),
                                                         param(element::f32, {1, 3, 4}), false);
      },
      "Mixed input types are not supported."));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v13::ScaledDotProductAttention>(param(element::i32, {1, 2, 4}),
                                                         param(element::i32, {1, 3, 4}),
                                                         param(element::i32, {1, 3, 4}), false);
      },
      "must be a floating-point"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v13::ScaledDotProductAttention>(
            param(element::f32, {1, 2, 4}), param(element::f32, {1, 3, 4}),
            param(element::f32, {1, 3, 4}), param(element::f32, {2, 5}), false);
      },
      "Attention mask input shape not compatible"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v13::ScaledDotProductAttention>(
            param(element::f32, {1, 2, 4}), param(element::f32, {1, 3, 4}),
            param(element::f32, {1, 3, 4}), param(element::f32, {}), param(element::f32, {2}),
            false);
      },
      "Scale input must be scalar or have 1 element."));
}

TEST(MatMul, ShapeInferenceRules) {
  auto mm = [](const PartialShape& a, const PartialShape& b, bool ta = false, bool tb = false) {
    return std::make_shared<v0::MatMul>(param(element::f32, a), param(element::f32, b), ta, tb)
        ->get_output_partial_shape(0);
  };
  EXPECT_EQ(mm({2, 3}, {3, 4}), (PartialShape{2, 4}));
  EXPECT_EQ(mm({3, 2}, {4, 3}, true, true), (PartialShape{2, 4}));
  EXPECT_EQ(mm({5}, {5}), (PartialShape{}));
  EXPECT_EQ(mm({5}, {2, 5, 3}), (PartialShape{2, 3}));
  EXPECT_EQ(mm({2, 4, 5}, {5}), (PartialShape{2, 4}));
  EXPECT_EQ(mm({5}, {5}, true, true), (PartialShape{}));
  EXPECT_EQ(mm({1, 2, 3}, {7, 3, 4}), (PartialShape{7, 2, 4}));
  EXPECT_EQ(mm({-1, 2, 3}, {7, 3, 4}), (PartialShape{7, 2, 4}));
  EXPECT_EQ(mm(PartialShape::dynamic(), {3, 4}), PartialShape::dynamic());
  EXPECT_EQ(mm({2, -1}, {Dimension(5, 6), 4}), (PartialShape{2, 4}));
  EXPECT_TRUE(message_has([&] { mm({2, 3}, {4, 5}); }, "Incompatible MatMul matrix dimension"));
  EXPECT_TRUE(message_has(
      [&] {
        mm({2, 2, 3}, {3, 3, 4});
      },
      "Incompatible MatMul batch dimension"));
  EXPECT_TRUE(message_has([&] { mm({}, {3}); }, "Scalars are not supported as MatMul inputs."));
}

TEST(MatMul, EvaluatesBatchedAndTransposed) {
  auto a = param(element::f32, {2, 2, 3});
  auto b = param(element::f32, {3, 2});
  auto bt = param(element::f32, {2, 3});
  auto out =
      run({std::make_shared<v0::MatMul>(a, b), std::make_shared<v0::MatMul>(a, bt, false, true)},
          {a, b, bt},
          {tensor<float>(element::f32, {2, 2, 3}, {1, 2, 3, 4, 5, 6, -1, 0, 1, 0, 1, 0}),
           tensor<float>(element::f32, {3, 2}, {1, 0, 0, 1, 1, 1}),
           tensor<float>(element::f32, {2, 3}, {1, 0, 1, 0, 1, 1})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{4, 5, 10, 11, 0, 1, 0, 1}));
  EXPECT_EQ(values<float>(out[1]), values<float>(out[0]));
  auto v = param(element::i32, {3});
  auto m = param(element::i32, {3, 2});
  auto iout = run({std::make_shared<v0::MatMul>(v, m), std::make_shared<v0::MatMul>(v, v)}, {v, m},
                  {tensor<int>(element::i32, {3}, {1, 2, 3}),
                   tensor<int>(element::i32, {3, 2}, {1, 2, 3, 4, 5, 6})});
  EXPECT_EQ(values<int>(iout[0]), (std::vector<int>{22, 28}));
  EXPECT_EQ(iout[1].get_shape(), ov::Shape{});
  EXPECT_EQ(values<int>(iout[1]), (std::vector<int>{14}));
}

TEST(FakeQuantize, QuantizesWithRoundHalfToEven) {
  auto x = param(element::f32, {6});
  auto c = [](float v) { return constant(element::f32, ov::Shape{}, std::vector<float>{v}); };
  auto fq = std::make_shared<v0::FakeQuantize>(x, c(0.f), c(4.f), c(-2.f), c(2.f), 5);
  EXPECT_EQ(fq->get_output_partial_shape(0), (PartialShape{6}));
  auto out = run({fq}, {x}, {tensor<float>(element::f32, {6}, {-1.f, 0.f, 0.5f, 1.5f, 2.6f, 9.f})});
  // Steps of 1 in [0,4] mapped to [-2,2]; 0.5 and 1.5 round to even (0 and 2).
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{-2, -2, -2, 0, 1, 2}));
  auto per_channel = std::make_shared<v0::FakeQuantize>(
      param(element::f32, {2, 3}), param(element::f32, {2, 1}), c(1.f), c(0.f), c(1.f), 256);
  EXPECT_EQ(per_channel->get_output_partial_shape(0), (PartialShape{2, 3}));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v0::FakeQuantize>(param(element::f32, {2, 3}), param(element::f32, {4}),
                                           c(1.f), c(0.f), c(1.f), 3);
      },
      "Argument shapes are inconsistent."));
  EXPECT_FALSE(fq->can_constant_fold(fq->input_values()));
}

// A model of a few hundred real nodes: repeated attention blocks with residuals.
TEST(Model, AttentionStackBuildsValidatesAndEvaluates) {
  const size_t L = 4, D = 8;
  auto x = param(element::f32, {1, L, D});
  ov::Output<ov::Node> h = x;
  std::vector<std::vector<float>> weights;
  for (int layer = 0; layer < 40; ++layer) {
    auto w = random_values(D * D, 100 + layer);
    weights.push_back(w);
    auto wq = constant(element::f32, ov::Shape{D, D}, w);
    auto q = std::make_shared<v0::MatMul>(h, wq);
    auto attn = std::make_shared<v13::ScaledDotProductAttention>(q, h, h, true);
    auto sm = std::make_shared<v8::Softmax>(attn, -1);
    h = std::make_shared<v1::Add>(h, sm);
  }
  auto model = std::make_shared<ov::Model>(ov::OutputVector{h}, ov::ParameterVector{x});
  EXPECT_GE(model->get_ops().size(), 200u);
  EXPECT_NO_THROW(model->validate_nodes_and_infer_types());
  const auto ordered = model->get_ordered_ops();
  std::unordered_map<ov::Node*, size_t> pos;
  for (size_t i = 0; i < ordered.size(); ++i) pos[ordered[i].get()] = i;
  for (const auto& node : ordered) {
    for (const auto& in : node->input_values())
      EXPECT_LT(pos.at(in.get_node()), pos.at(node.get()));
  }
  const auto input = random_values(L * D, 7);
  ov::TensorVector outputs;
  ASSERT_TRUE(model->evaluate(outputs, {tensor<float>(element::f32, {1, L, D}, input)}));

  // The same computation written out directly.
  std::vector<float> cur = input;
  for (const auto& w : weights) {
    std::vector<float> q(L * D, 0.f);
    for (size_t i = 0; i < L; ++i)
      for (size_t j = 0; j < D; ++j)
        for (size_t k = 0; k < D; ++k) q[i * D + j] += cur[i * D + k] * w[k * D + j];
    std::vector<double> bias(L * L);
    for (size_t i = 0; i < L; ++i)
      for (size_t j = 0; j < L; ++j) bias[i * L + j] = j > i ? -INFINITY : 0.0;
    auto a = reference_attention(q, cur, cur, bias, L, L, D, D, 1.0 / std::sqrt(double(D)));
    for (size_t i = 0; i < L; ++i) {
      double max = -INFINITY, sum = 0;
      for (size_t j = 0; j < D; ++j) max = std::max(max, a[i * D + j]);
      for (size_t j = 0; j < D; ++j) sum += std::exp(a[i * D + j] - max);
      for (size_t j = 0; j < D; ++j)
        cur[i * D + j] += static_cast<float>(std::exp(a[i * D + j] - max) / sum);
    }
  }
  expect_near(values<float>(outputs[0]), cur, 1e-4);
}

}  // namespace
