#include "zorvel/vendors/intel_openvino/compiler/npu_moe.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/equal.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/reduce_sum.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/scatter_elements_update.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/swish.hpp"
#include "openvino/op/topk.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/moe_block.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Constant = ov::op::v0::Constant;

// How one test layer is built: a router MatMul, Softmax and TopK over x [T, H], and per expert
// Equal -> Convert -> Multiply(router weights) -> ReduceSum scaling a GEGLU feed-forward whose
// weights are Multiply(Convert(packed constant), per-row scale).
struct LayerSpec {
  size_t experts = 4;
  int64_t k = 2;
  size_t hidden = 8;
  size_t intermediate = 4;
  ov::Dimension tokens = 1;
  uint32_t seed = 1;
  std::vector<int64_t> ids;  // expert ids in graph order; 0..N-1 when empty
  ov::element::Type packed_type = ov::element::i4;
  int down_u4_expert = -1;        // this expert's down weights are u4
  bool f16_down_expert0 = false;  // expert 0's down weights are plain f16
  bool column_scales = false;     // the fused gate+up scales are per column, [H]
  bool k_from_parameter = false;
  std::string name = "router";
  size_t rank = 2;            // of x: 1 ([H]), 2 ([T, H]) or 3 ([1, T, H])
  bool residual = false;      // the experts' sum also adds x
  int odd_expert = -1;        // this expert's activation is erf GELU
  std::string activation_op;  // "swish", "relu" or "gelu_v0" instead of GELU(tanh)
  size_t extra_scores = 0;    // the router scores more choices than there are experts
};

class ModelBuilder {
 public:
  explicit ModelBuilder(uint32_t seed) : rng_(seed) {}

  std::shared_ptr<ov::op::v0::Parameter> Input(ov::PartialShape shape) {
    auto p = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, shape);
    p->set_friendly_name("x" + std::to_string(params_.size()));
    params_.push_back(p);
    return p;
  }

  ov::Output<ov::Node> Layer(const ov::Output<ov::Node>& x, const LayerSpec& spec) {
    const size_t n = spec.experts, h = spec.hidden, i = spec.intermediate;
    auto router = std::make_shared<ov::op::v0::MatMul>(
        x, Floats({n + spec.extra_scores, h}, -1.5f, 1.5f), false, true);
    auto probs = std::make_shared<ov::op::v8::Softmax>(router, -1);
    ov::Output<ov::Node> k = Constant::create(ov::element::i64, ov::Shape{}, {spec.k});
    if (spec.k_from_parameter) {
      auto kp = std::make_shared<ov::op::v0::Parameter>(ov::element::i64, ov::PartialShape{});
      params_.push_back(kp);
      k = kp;
    }
    auto topk = std::make_shared<ov::op::v11::TopK>(probs, k, -1, ov::op::TopKMode::MAX,
                                                    ov::op::TopKSortType::SORT_VALUES,
                                                    ov::element::i32, true);
    topk->set_friendly_name(spec.name);
    ov::Output<ov::Node> acc;
    for (size_t e = 0; e < n; ++e) {
      const int64_t id = spec.ids.empty() ? static_cast<int64_t>(e) : spec.ids[e];
      auto eq = std::make_shared<ov::op::v1::Equal>(
          topk->output(1), Constant::create(ov::element::i32, ov::Shape{1}, {id}));
      auto mask = std::make_shared<ov::op::v0::Convert>(eq, ov::element::f32);
      auto masked = std::make_shared<ov::op::v1::Multiply>(mask, topk->output(0));
      auto rw = std::make_shared<ov::op::v1::ReduceSum>(
          masked, Constant::create(ov::element::i64, ov::Shape{1}, {-1}), true);
      const ov::Shape scale_shape = spec.column_scales ? ov::Shape{h} : ov::Shape{2 * i, 1};
      auto gu_w = Dequant(Packed(spec.packed_type, {2 * i, h}), Floats(scale_shape, 0.05f, 0.2f));
      auto gu = std::make_shared<ov::op::v0::MatMul>(x, gu_w, false, true);
      auto split = std::make_shared<ov::op::v1::Split>(
          gu, Constant::create(ov::element::i64, ov::Shape{}, {-1}), 2);
      ov::Output<ov::Node> act;
      if (spec.activation_op == "swish") {
        act = std::make_shared<ov::op::v4::Swish>(split->output(0));
      } else if (spec.activation_op == "relu") {
        act = std::make_shared<ov::op::v0::Relu>(split->output(0));
      } else if (spec.activation_op == "gelu_v0") {
        act = std::make_shared<ov::op::v0::Gelu>(split->output(0));
      } else {
        act = std::make_shared<ov::op::v7::Gelu>(split->output(0),
                                                 static_cast<int>(e) == spec.odd_expert
                                                     ? ov::op::GeluApproximationMode::ERF
                                                     : ov::op::GeluApproximationMode::TANH);
      }
      auto hid = std::make_shared<ov::op::v1::Multiply>(act, split->output(1));
      ov::Output<ov::Node> down_w;
      if (spec.f16_down_expert0 && e == 0) {
        down_w = Dequant(Floats({h, i}, -1, 1, ov::element::f16), Floats({h, 1}, 0.05f, 0.2f));
      } else {
        const auto type =
            static_cast<int>(e) == spec.down_u4_expert ? ov::element::u4 : spec.packed_type;
        down_w = Dequant(Packed(type, {h, i}), Floats({h, 1}, 0.05f, 0.2f));
      }
      auto down = std::make_shared<ov::op::v0::MatMul>(hid, down_w, false, true);
      auto weighted = std::make_shared<ov::op::v1::Multiply>(rw, down);
      if (e == 0) {
        acc = weighted;
        if (spec.residual) acc = std::make_shared<ov::op::v1::Add>(weighted, x);
      } else {
        auto add = std::make_shared<ov::op::v1::Add>(acc, weighted);
        add->set_friendly_name(spec.name + "_sum" + std::to_string(e));
        acc = add;
      }
    }
    return acc;
  }

  std::shared_ptr<ov::Model> Model(const ov::OutputVector& outputs) {
    return std::make_shared<ov::Model>(outputs, params_);
  }

  // A packed constant of random storage bytes.
  std::shared_ptr<Constant> Packed(ov::element::Type type, ov::Shape shape) {
    std::vector<uint8_t> bytes((ov::shape_size(shape) * type.bitwidth() + 7) / 8);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : bytes) b = static_cast<uint8_t>(byte(rng_));
    return std::make_shared<Constant>(type, shape, bytes.data());
  }

  std::shared_ptr<Constant> Floats(ov::Shape shape, float lo, float hi,
                                   ov::element::Type type = ov::element::f32) {
    std::uniform_real_distribution<float> value(lo, hi);
    std::vector<float> values(ov::shape_size(shape));
    for (auto& v : values) v = value(rng_);
    return Constant::create(type, shape, values);
  }

 private:
  // As the front end dequantizes weights: the Convert is kept out of constant folding.
  static ov::Output<ov::Node> Dequant(const ov::Output<ov::Node>& packed,
                                      const ov::Output<ov::Node>& scale) {
    auto convert = std::make_shared<ov::op::v0::Convert>(packed, ov::element::f32);
    ov::pass::disable_constant_folding(convert);
    return std::make_shared<ov::op::v1::Multiply>(convert, scale);
  }

  std::mt19937 rng_;
  ov::ParameterVector params_;
};

std::shared_ptr<ov::Model> OneLayer(const LayerSpec& spec) {
  ModelBuilder builder(spec.seed);
  const auto h = static_cast<int64_t>(spec.hidden);
  auto x = builder.Input(spec.rank == 1   ? ov::PartialShape{h}
                         : spec.rank == 3 ? ov::PartialShape{1, spec.tokens, h}
                                          : ov::PartialShape{spec.tokens, h});
  return builder.Model({builder.Layer(x, spec)});
}

template <typename T>
size_t CountOps(const std::shared_ptr<ov::Model>& model) {
  size_t count = 0;
  for (const auto& node : model->get_ordered_ops()) count += ov::is_type<T>(node) ? 1 : 0;
  return count;
}

// key -> (shape, bytes) of every generated constant in the model.
std::map<std::string, std::pair<ov::Shape, std::vector<uint8_t>>> GeneratedConstants(
    const std::shared_ptr<ov::Model>& model) {
  std::map<std::string, std::pair<ov::Shape, std::vector<uint8_t>>> found;
  for (const auto& node : model->get_ordered_ops()) {
    auto constant = ov::as_type_ptr<Constant>(node);
    const std::string key = GeneratedConstantKey(node);
    if (constant == nullptr || key.empty()) continue;
    EXPECT_EQ(constant->get_friendly_name(), key);
    const auto* bytes = static_cast<const uint8_t*>(constant->get_data_ptr());
    found[key] = {constant->get_shape(),
                  std::vector<uint8_t>(bytes, bytes + constant->get_byte_size())};
  }
  return found;
}

class MoETest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  }
  void TearDown() override {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  }

  // Runs the pass on `model`, keeping its log in log_.
  bool RunPass(const std::shared_ptr<ov::Model>& model, bool* multi_token = nullptr) {
    MoEGatherRewrite pass;
    ::testing::internal::CaptureStderr();
    const bool changed = pass.run_on_model(model);
    log_ = ::testing::internal::GetCapturedStderr();
    if (multi_token != nullptr) *multi_token = pass.multi_token();
    return changed;
  }

  std::vector<MoELayer> Discover(const std::shared_ptr<ov::Model>& model) {
    ::testing::internal::CaptureStderr();
    auto layers = DiscoverMoELayers(model);
    log_ = ::testing::internal::GetCapturedStderr();
    return layers;
  }

  // The pass must leave the model exactly as it was built.
  void ExpectUnchanged(const LayerSpec& spec) {
    auto model = OneLayer(spec);
    EXPECT_FALSE(RunPass(model));
    const auto [same, message] = compare_functions(model, OneLayer(spec), true);
    EXPECT_TRUE(same) << message;
  }

  // Rewrites a copy of the dense model and checks both agree on random inputs for several seeds.
  void ExpectSameNumbers(const std::shared_ptr<ov::Model>& dense, bool expect_multi_token) {
    auto rewritten = dense->clone();
    bool multi_token = !expect_multi_token;
    ASSERT_TRUE(RunPass(rewritten, &multi_token)) << log_;
    EXPECT_EQ(multi_token, expect_multi_token);
    rewritten->validate_nodes_and_infer_types();
    EXPECT_EQ(CountOps<ov::op::v1::Equal>(rewritten), 0u) << "dense expert subgraphs remain";
    for (uint64_t seed = 1; seed <= 6; ++seed) {
      const auto report =
          ov::test::utils::compare_model_outputs(rewritten, dense, 1e-4f, 0.0f, seed);
      EXPECT_TRUE(report.valid) << "seed " << seed << ": " << report.message;
      EXPECT_LE(report.max_abs_diff, 1e-4);
    }
  }

  std::string log_;
};

TEST_F(MoETest, DiscoversASingleTokenLayerWithSortedExperts) {
  LayerSpec spec;
  spec.ids = {0, 2, 1, 3};
  auto model = OneLayer(spec);
  const auto layers = Discover(model);
  ASSERT_EQ(layers.size(), 1u);
  const MoELayer& layer = layers[0];
  EXPECT_EQ(layer.k, 2);
  EXPECT_EQ(layer.num_experts, 4u);
  EXPECT_EQ(layer.layer_index, 0u);
  EXPECT_FALSE(layer.multi_token);
  for (size_t e = 0; e < 4; ++e) {
    EXPECT_EQ(layer.experts[e].expert_id, static_cast<int64_t>(e));
    EXPECT_TRUE(layer.experts[e].gate_up_matched);
    EXPECT_TRUE(layer.experts[e].down_matched);
    EXPECT_EQ(layer.experts[e].gate_up_dequant_type, ov::element::f32);
    EXPECT_EQ(layer.experts[e].gate_up_packed.get_element_type(), ov::element::i4);
  }
  EXPECT_EQ(layer.router_weights, layer.topk->output(0));
  EXPECT_EQ(layer.indices, layer.topk->output(1));
  EXPECT_THAT(log_,
              HasSubstr("[MoE] layer TopK='router' K=2 experts=4 indices=[1,2] [single-token]"));

  std::shared_ptr<ov::Node> root;
  int64_t half = 0;
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(ValidateMoELayer(layer, "MoEGather", root, half));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(half, 4);
  EXPECT_EQ(root, model->get_results()[0]->get_input_node_shared_ptr(0));
}

TEST_F(MoETest, TokenShapeDecidesMultiToken) {
  const std::vector<std::pair<ov::Dimension, bool>> cases = {
      {1, false}, {7, true}, {ov::Dimension::dynamic(), false}};
  for (const auto& [tokens, multi] : cases) {
    LayerSpec spec;
    spec.tokens = tokens;
    const auto layers = Discover(OneLayer(spec));
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0].multi_token, multi) << tokens;
  }
}

TEST_F(MoETest, TopKsThatAreNotLayers) {
  LayerSpec from_parameter;
  from_parameter.k_from_parameter = true;
  EXPECT_TRUE(Discover(OneLayer(from_parameter)).empty());
  LayerSpec zero_k;
  zero_k.k = 0;
  EXPECT_TRUE(Discover(OneLayer(zero_k)).empty());
  LayerSpec one_expert;
  one_expert.experts = 1;
  one_expert.k = 1;
  EXPECT_TRUE(Discover(OneLayer(one_expert)).empty());

  auto model = OneLayer(from_parameter);
  EXPECT_FALSE(RunPass(model));
  EXPECT_THAT(log_, HasSubstr("INFO: [npu_moe.cc:"));
  EXPECT_THAT(log_, HasSubstr("[MoEGather] discovered 0 candidate MoE layer(s)"));
}

TEST_F(MoETest, ValidationRefusals) {
  LayerSpec gap;
  gap.experts = 3;
  gap.ids = {0, 1, 3};
  ExpectUnchanged(gap);
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: abort: expert_ids not contiguous "
                              "0..N-1 (experts[2].expert_id=3)"));

  LayerSpec two_roots;  // two experts meet in one final Add
  two_roots.experts = 2;
  ExpectUnchanged(two_roots);
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: abort: found 2 chain roots (expected "
                              "exactly 1)"));

  LayerSpec half_scale;  // scales [H] = [I]: as many as half the fused rows
  half_scale.column_scales = true;
  half_scale.hidden = 4;
  ExpectUnchanged(half_scale);
  EXPECT_THAT(log_, HasSubstr("[MoE] rewrite[router]: abort: fused gate+up weight/scale is not "
                              "gate+up-major (packed dim0=8, scale dim0=4, expected 8)"));
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: abort: failed to split fused gate+up "
                              "weight/scale into halves."));

  LayerSpec f16_down;
  f16_down.f16_down_expert0 = true;
  EXPECT_EQ(Discover(OneLayer(f16_down)).size(), 1u);
  ExpectUnchanged(f16_down);
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: abort: missing i4/u4 packed pattern "
                              "for some experts."));

  LayerSpec mixed_down;
  mixed_down.down_u4_expert = 2;
  ExpectUnchanged(mixed_down);
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: abort: down weights or scales are not "
                              "uniform plain constants or not byte-aligned."));

  LayerSpec chunk_mixed_down = mixed_down;
  chunk_mixed_down.tokens = 5;
  ExpectUnchanged(chunk_mixed_down);
  EXPECT_THAT(log_, HasSubstr("[MoEChunk] rewrite[router]: abort: down weights or scales are not "
                              "uniform plain constants or not byte-aligned."));
}

TEST(SplitConstantRows, CopiesWholeRows) {
  // i4 [4, 2]: one byte per row.
  const uint8_t bytes[] = {0x10, 0x32, 0x54, 0x76};
  auto c = std::make_shared<Constant>(ov::element::i4, ov::Shape{4, 2}, bytes);
  auto [head, tail] = SplitConstantRows(c, 1);
  ASSERT_TRUE(head && tail);
  EXPECT_EQ(head->get_shape(), (ov::Shape{1, 2}));
  EXPECT_EQ(tail->get_shape(), (ov::Shape{3, 2}));
  EXPECT_EQ(*static_cast<const uint8_t*>(head->get_data_ptr()), 0x10);
  EXPECT_EQ(std::memcmp(tail->get_data_ptr(), bytes + 1, 3), 0);
  EXPECT_TRUE(head->get_rt_info().empty());

  // A row of 3 i4 elements is 12 bits.
  auto odd = std::make_shared<Constant>(ov::element::i4, ov::Shape{2, 3}, bytes);
  EXPECT_EQ(SplitConstantRows(odd, 1).first, nullptr);
  EXPECT_EQ(SplitConstantRows(c, 5).first, nullptr);
  EXPECT_EQ(SplitConstantRows(Constant::create(ov::element::f32, ov::Shape{}, {1}), 0).first,
            nullptr);
  auto [all, none] = SplitConstantRows(c, 4);
  ASSERT_TRUE(all && none);
  EXPECT_EQ(none->get_shape(), (ov::Shape{0, 2}));
}

TEST_F(MoETest, GatherRewriteOfEightExperts) {
  LayerSpec spec;
  spec.experts = 8;
  auto model = OneLayer(spec);
  const std::string root_name =
      model->get_results()[0]->get_input_node_shared_ptr(0)->get_friendly_name();
  EXPECT_TRUE(RunPass(model));
  EXPECT_THAT(log_, HasSubstr("[MoEGather] discovered 1 candidate MoE layer(s)"));
  EXPECT_THAT(log_, HasSubstr("[MoEGather] rewrite[router]: OK, replaced chain root '" + root_name +
                              "' with gather-K subgraph"));
  const auto generated = GeneratedConstants(model);
  std::set<std::string> keys;
  for (const auto& [key, value] : generated) keys.insert(key);
  const std::string p = "zorvel.stacked:moe_layer_0.";
  EXPECT_EQ(keys, (std::set<std::string>{p + "down_packed", p + "down_scale", p + "gate_packed",
                                         p + "gate_scale", p + "up_packed", p + "up_scale"}));
  EXPECT_EQ(generated.at(p + "gate_packed").first, (ov::Shape{8, 4, 8}));
  EXPECT_EQ(generated.at(p + "up_scale").first, (ov::Shape{8, 4, 1}));
  EXPECT_EQ(generated.at(p + "down_packed").first, (ov::Shape{8, 8, 4}));
  auto out = model->get_results()[0]->get_input_node_shared_ptr(0);
  EXPECT_TRUE(ov::is_type<ov::op::v1::ReduceSum>(out));
  EXPECT_EQ(out->get_friendly_name(), root_name);
  EXPECT_EQ(CountOps<ov::op::v1::Split>(model), 0u);
  EXPECT_EQ(CountOps<ov::op::v0::MatMul>(model), 4u);  // router, gate, up, down
}

TEST_F(MoETest, GatherRewriteKeepsTheNumbers) {
  for (size_t experts : {4u, 8u}) {
    LayerSpec spec;
    spec.experts = experts;
    spec.seed = static_cast<uint32_t>(experts);
    SCOPED_TRACE(experts);
    ExpectSameNumbers(OneLayer(spec), false);
  }
}

TEST_F(MoETest, ChunkRewriteKeepsTheNumbers) {
  for (size_t experts : {4u, 8u}) {
    LayerSpec spec;
    spec.experts = experts;
    spec.tokens = 16;
    spec.seed = static_cast<uint32_t>(experts + 100);
    SCOPED_TRACE(experts);
    ExpectSameNumbers(OneLayer(spec), true);
  }
}

TEST_F(MoETest, ChunkRoutingMatrixHoldsKWeightsPerToken) {
  LayerSpec spec;
  spec.tokens = 16;
  auto model = OneLayer(spec);
  ASSERT_TRUE(RunPass(model));
  EXPECT_THAT(log_, HasSubstr("[MoEChunk] rewrite[router]: OK, replaced chain root 'router_sum3' "
                              "with multi-token chunked subgraph (N=4 experts)"));
  EXPECT_EQ(model->get_output_partial_shape(0), (ov::PartialShape{16, 8}));
  std::shared_ptr<ov::Node> scatter;
  for (const auto& node : model->get_ordered_ops()) {
    if (ov::is_type<ov::op::v12::ScatterElementsUpdate>(node)) scatter = node;
  }
  ASSERT_NE(scatter, nullptr);
  EXPECT_EQ(scatter->get_output_element_type(0), ov::element::f32);
  auto probe = std::make_shared<ov::Model>(ov::OutputVector{scatter}, model->get_parameters());
  const auto inputs = ov::test::utils::make_random_inputs(probe, 3);
  ov::TensorVector outputs;
  ASSERT_TRUE(probe->evaluate(outputs, inputs));
  ASSERT_EQ(outputs[0].get_shape(), (ov::Shape{16, 4}));
  const float* dense = outputs[0].data<float>();
  size_t nonzero = 0;
  for (size_t t = 0; t < 16; ++t) {
    size_t row = 0;
    for (size_t e = 0; e < 4; ++e) row += dense[t * 4 + e] != 0.0f ? 1 : 0;
    EXPECT_EQ(row, 2u) << t;
    nonzero += row;
  }
  EXPECT_EQ(nonzero, 32u);
}

TEST_F(MoETest, LayersThatDisagreeOnTokensStayDense) {
  LayerSpec single;
  single.name = "router_a";
  LayerSpec multi;
  multi.name = "router_b";
  multi.tokens = 7;
  auto build = [&] {
    ModelBuilder builder(5);
    auto a = builder.Layer(builder.Input(ov::PartialShape{1, 8}), single);
    auto b = builder.Layer(builder.Input(ov::PartialShape{7, 8}), multi);
    return builder.Model({a, b});
  };
  auto model = build();
  bool multi_token = true;
  EXPECT_FALSE(RunPass(model, &multi_token));
  EXPECT_FALSE(multi_token);
  EXPECT_THAT(log_, HasSubstr("WARNING: [npu_moe.cc:"));
  // Either layer may come first in topological order.
  EXPECT_THAT(log_, ::testing::AnyOf(HasSubstr("('router_a' vs 'router_b'); leaving every layer "
                                               "dense"),
                                     HasSubstr("('router_b' vs 'router_a'); leaving every layer "
                                               "dense")));
  EXPECT_THAT(log_,
              HasSubstr("[MoE] layers disagree on single-token-vs-multi-token chunk shape ("));
  const auto [same, message] = compare_functions(model, build(), true);
  EXPECT_TRUE(same) << message;
}

TEST_F(MoETest, ChainedLayersKeepTheirIndexAndNumbers) {
  LayerSpec first;
  first.name = "router_a";
  first.ids = {3, 2, 1, 0};
  LayerSpec second;
  second.name = "router_b";
  second.f16_down_expert0 = true;  // the first layer rewrites, the second aborts
  LayerSpec third;
  third.name = "router_c";
  ModelBuilder builder(9);
  auto x = builder.Input(ov::PartialShape{1, 8});
  auto a = builder.Layer(x, first);
  auto b = builder.Layer(a, second);
  auto dense = builder.Model({builder.Layer(b, third)});
  auto rewritten = dense->clone();
  ASSERT_TRUE(RunPass(rewritten));
  std::set<std::string> keys;
  for (const auto& [key, value] : GeneratedConstants(rewritten)) keys.insert(key);
  EXPECT_TRUE(keys.count("zorvel.stacked:moe_layer_0.gate_packed"));
  EXPECT_FALSE(keys.count("zorvel.stacked:moe_layer_1.gate_packed"));
  EXPECT_TRUE(keys.count("zorvel.stacked:moe_layer_2.gate_packed"));
  EXPECT_EQ(keys.size(), 12u);
  EXPECT_EQ(CountOps<ov::op::v1::Equal>(rewritten), 4u);  // the second layer stays dense
  const auto report = ov::test::utils::compare_model_outputs(rewritten, dense, 1e-4f, 0.0f, 4);
  EXPECT_TRUE(report.valid) << report.message;
}

TEST_F(MoETest, SamePartitionTwiceGivesSameKeysAndBytes) {
  for (ov::Dimension tokens : {ov::Dimension(1), ov::Dimension(6)}) {
    LayerSpec spec;
    spec.tokens = tokens;
    auto first = OneLayer(spec);
    auto second = OneLayer(spec);
    ASSERT_TRUE(RunPass(first));
    ASSERT_TRUE(RunPass(second));
    const auto a = GeneratedConstants(first);
    EXPECT_EQ(a.size(), 6u);
    EXPECT_EQ(a, GeneratedConstants(second));
  }
}

TEST_F(MoETest, GatherPackedRowsOfVectorsFallsBackToDirectGather) {
  auto stacked =
      std::make_shared<Constant>(ov::element::u8, ov::Shape{4, 6}, std::vector<uint8_t>(24, 1));
  auto indices = std::make_shared<ov::op::v0::Parameter>(ov::element::i32, ov::PartialShape{2});
  ::testing::internal::CaptureStderr();
  const auto out = GatherPackedRowsViaFlatten(stacked, indices, 2);
  log_ = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ov::is_type<ov::op::v8::Gather>(out.get_node_shared_ptr()));
  EXPECT_EQ(out.get_partial_shape(), (ov::PartialShape{2, 6}));
  EXPECT_THAT(log_, HasSubstr("GatherPackedRowsViaFlatten: grouped_packed shape is not 3-D got 2D, "
                              "falling back to direct Gather"));
}

TEST_F(MoETest, PipelineReportsMultiToken) {
  NpuPassOptions options;
  options.moe_gather = true;
  for (const auto& [tokens, multi] : std::vector<std::pair<int64_t, bool>>{{1, false}, {3, true}}) {
    LayerSpec spec;
    spec.tokens = tokens;
    auto model = OneLayer(spec);
    ::testing::internal::CaptureStderr();
    const NpuOptimizerResult result = RunNpuPassPipeline(options, model);
    log_ = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.moe_multi_token, multi);
    EXPECT_THAT(log_, Not(HasSubstr("MoEGatherRewrite is not available")));
    EXPECT_EQ(CountOps<ov::op::v1::Equal>(model), 0u);
  }
  options.moe_gather = false;
  LayerSpec spec;
  spec.tokens = 3;
  auto model = OneLayer(spec);
  EXPECT_FALSE(RunNpuPassPipeline(options, model).moe_multi_token);
  EXPECT_EQ(CountOps<ov::op::v1::Equal>(model), 4u);
}

TEST_F(MoETest, FormsTheRewritesCannotRebuildStayDense) {
  struct Case {
    const char* what;
    std::function<void(LayerSpec&)> set;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"rank-3 indices", [](LayerSpec& s) { s.rank = 3; }, "router indices [1,1,2] are not [T, 2]"},
      {"rank-3 indices, 6 tokens",
       [](LayerSpec& s) {
         s.rank = 3;
         s.tokens = 6;
       },
       "router indices [1,6,2] are not [T, 2]"},
      {"rank-1 indices", [](LayerSpec& s) { s.rank = 1; }, "router indices [2] are not [T, 2]"},
      {"residual in the sum", [](LayerSpec& s) { s.residual = true; },
       "which is no expert's output"},
      {"one expert with another activation", [](LayerSpec& s) { s.odd_expert = 2; },
       "expert 2: its form (fused gate+up, gelu_erf(first half)) differs"},
      {"more scores than experts", [](LayerSpec& s) { s.extra_scores = 1; },
       "the TopK does not choose on the last axis among exactly 4 scores"},
  };
  for (const Case& c : cases) {
    for (ov::Dimension tokens : {ov::Dimension(1), ov::Dimension(5)}) {
      SCOPED_TRACE(::testing::Message() << c.what << ", tokens " << tokens);
      LayerSpec spec;
      spec.tokens = tokens;
      c.set(spec);
      if (spec.rank != 2 && tokens != 1) continue;
      auto model = OneLayer(spec);
      ov::Core core;
      EXPECT_NO_THROW(RunPass(model));
      const auto [same, message] = compare_functions(model, OneLayer(spec), true);
      EXPECT_TRUE(same) << message;
      EXPECT_THAT(log_, HasSubstr(c.reason));
      EXPECT_NO_THROW(core.compile_model(model, "NPU"));
    }
  }
}

TEST_F(MoETest, ActivationOpsAreCarriedThroughBothRewrites) {
  for (const char* op : {"swish", "relu", "gelu_v0"}) {
    for (ov::Dimension tokens : {ov::Dimension(1), ov::Dimension(8)}) {
      LayerSpec spec;
      spec.activation_op = op;
      spec.tokens = tokens;
      SCOPED_TRACE(::testing::Message() << op << ", tokens " << tokens);
      ExpectSameNumbers(OneLayer(spec), tokens != 1);
    }
  }
}

TEST_F(MoETest, RewrittenNodesAreNamedAfterTheLayerAndCarryItsRuntimeInfo) {
  for (ov::Dimension tokens : {ov::Dimension(1), ov::Dimension(8)}) {
    SCOPED_TRACE(tokens);
    // The names of the nodes the pass made, after checking each of them.
    const auto rewrite = [&](const LayerSpec& spec) {
      auto model = OneLayer(spec);
      const auto root = model->get_results()[0]->get_input_node_shared_ptr(0);
      root->get_rt_info()["zorvel_test_marker"] = std::string("root");
      std::set<const ov::Node*> before;
      for (const auto& node : model->get_ordered_ops()) before.insert(node.get());
      EXPECT_TRUE(RunPass(model)) << log_;
      const std::string prefix =
          root->get_friendly_name() + "/" + (tokens == 1 ? "MoEGather" : "MoEChunk") + "/";
      std::vector<std::string> names;
      for (const auto& node : model->get_ordered_ops()) {
        if (before.count(node.get()) != 0) continue;
        const std::string& name = node->get_friendly_name();
        names.push_back(name);
        if (!GeneratedConstantKey(node).empty()) continue;
        EXPECT_TRUE(name == root->get_friendly_name() || name.rfind(prefix, 0) == 0) << name;
        EXPECT_EQ(node->get_rt_info().count("zorvel_test_marker"), 1u) << name;
      }
      EXPECT_GE(names.size(), 20u);
      EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
      return names;
    };
    LayerSpec spec;
    spec.tokens = tokens;
    EXPECT_EQ(rewrite(spec), rewrite(spec));
  }
}

// Host MoE layers translated by the front end, then optimized for the NPU with MoE gathering on.
class TranslatedMoETest : public MoETest {
 protected:
  std::shared_ptr<ov::Model> Translate(const host::MoEBlockOptions& options, int layers) {
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
    host::HostSubgraph& sg = host::AddMoESubgraph(model_, options, layers);
    subgraph_ = Subgraph(api_.table(), api_.Handle(sg));
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &subgraph_, "NPU");
    ov::frontend::tensorflow_lite::FrontEnd front_end;
    auto model = front_end.convert(front_end.load(ov::Any(iterator)));
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
    return model;
  }

  host::HostApi api_;
  host::HostModel model_;
  Subgraph subgraph_;
};

TEST_F(TranslatedMoETest, HostLayersAreRewrittenWithTheSameNumbers) {
  struct Case {
    int32_t experts;
    int32_t tokens;
    ZorvelElementType type;
    int layers;
  };
  for (const Case& c :
       {Case{4, 1, kZorvelElementTypeInt4, 1}, Case{8, 1, kZorvelElementTypeUInt4, 2},
        Case{4, 16, kZorvelElementTypeInt4, 1}, Case{8, 6, kZorvelElementTypeUInt4, 2}}) {
    SCOPED_TRACE(::testing::Message() << "experts " << c.experts << " tokens " << c.tokens);
    host::MoEBlockOptions options;
    options.experts = c.experts;
    options.tokens = c.tokens;
    options.weight_type = c.type;
    options.seed = static_cast<uint32_t>(c.experts * 10 + c.tokens);
    auto dense = Translate(options, c.layers);
    ASSERT_NE(dense, nullptr);
    auto optimized = dense->clone();
    CompileConfig config;
    config.device = "NPU";
    config.enable_moe_gather = true;
    ::testing::internal::CaptureStderr();
    const NpuOptimizerResult result = OptimizeForNpu(config, optimized);
    log_ = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.moe_multi_token, c.tokens > 1);
    EXPECT_THAT(log_, HasSubstr("[MoEGather] discovered " + std::to_string(c.layers) +
                                " candidate MoE layer(s)"));
    EXPECT_THAT(log_, Not(HasSubstr("abort"))) << log_;
    EXPECT_EQ(CountOps<ov::op::v1::Equal>(optimized), 0u);
    const auto generated = GeneratedConstants(optimized);
    EXPECT_EQ(generated.size(), 6u * static_cast<size_t>(c.layers));
    const std::string p = "zorvel.stacked:moe_layer_0.";
    ASSERT_TRUE(generated.count(p + "gate_packed"));
    EXPECT_EQ(generated.at(p + "gate_packed").first,
              (ov::Shape{static_cast<size_t>(c.experts), 8, 16}));
    EXPECT_EQ(optimized->get_results()[0]->get_input_node_shared_ptr(0)->get_friendly_name(),
              dense->get_results()[0]->get_input_node_shared_ptr(0)->get_friendly_name());
    for (uint64_t seed = 1; seed <= 4; ++seed) {
      const auto report =
          ov::test::utils::compare_model_outputs(optimized, dense, 1e-4f, 0.0f, seed);
      EXPECT_TRUE(report.valid) << "seed " << seed << ": " << report.message;
    }
  }
}

TEST_F(TranslatedMoETest, FormsStackTheSameKeysAndBytesForOneAndManyTokens) {
  // A prefill and a decode step of one layer read the same weights; whichever rewrite each takes,
  // their stacked constants must come out under the same keys with the same bytes.
  std::map<std::string, std::pair<ov::Shape, std::vector<uint8_t>>> stacked[2];
  for (int32_t tokens : {1, 8}) {
    host::MoEBlockOptions options;
    options.tokens = tokens;
    options.separate_gate_up = true;
    options.activation = host::MoEActivation::kSwish;
    options.down_bias = true;
    options.down_scale = true;
    auto model = Translate(options, 1);
    ASSERT_NE(model, nullptr);
    CompileConfig config;
    config.device = "NPU";
    config.enable_moe_gather = true;
    ::testing::internal::CaptureStderr();
    OptimizeForNpu(config, model);
    log_ = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(log_, HasSubstr(": OK, replaced chain root")) << log_;
    stacked[tokens == 1 ? 0 : 1] = GeneratedConstants(model);
  }
  std::set<std::string> keys;
  for (const auto& [key, value] : stacked[0]) keys.insert(key);
  const std::string p = "zorvel.stacked:moe_layer_0.";
  EXPECT_EQ(keys, (std::set<std::string>{p + "down_packed", p + "down_scale", p + "gate_packed",
                                         p + "gate_scale", p + "post0_bias", p + "post1_scale",
                                         p + "up_packed", p + "up_scale"}));
  EXPECT_EQ(stacked[0].at(p + "post0_bias").first, (ov::Shape{4, 1, 16}));
  EXPECT_EQ(stacked[0], stacked[1]);
}

TEST(MoEGatherRewrite, TypeInformation) {
  const auto& info = MoEGatherRewrite::get_type_info_static();
  EXPECT_STREQ(info.name, "MoEGatherRewrite");
  EXPECT_STREQ(info.version_id, "util");
  EXPECT_EQ(info.parent, nullptr);
  EXPECT_FALSE(MoEGatherRewrite().multi_token());
}

}  // namespace
}  // namespace zorvel::openvino
