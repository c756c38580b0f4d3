#include "zorvel/vendors/intel_openvino/compiler/npu_attention_fusion.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "common_test_utils/ov_test_utils.hpp"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/scaled_dot_product_attention.hpp"
#include "openvino/op/slice.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/strided_slice.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "openvino/pass/manager.hpp"
#include "transformations/init_node_info.hpp"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/attention_block.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using NodePtr = std::shared_ptr<ov::Node>;

constexpr float kTolerance = 1e-4f;

std::shared_ptr<ov::op::v0::Parameter> Param(const ov::PartialShape& shape,
                                             const std::string& name) {
  auto p = std::make_shared<ov::op::v0::Parameter>(ov::element::f32, shape);
  p->set_friendly_name(name);
  return p;
}

NodePtr I64(std::vector<int64_t> values) {
  return ov::op::v0::Constant::create(ov::element::i64, ov::Shape{values.size()}, values);
}

// Runs `pass` (after InitNodeInfo) on `model` with the logger at DEBUG and returns the log (the
// logger names DEBUG lines "<Unknown severity>").
template <typename Pass, typename... Args>
std::string RunPass(const std::shared_ptr<ov::Model>& model, bool* changed, Args&&... args) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  ov::pass::Manager manager;
  manager.register_pass<ov::pass::InitNodeInfo>();
  manager.register_pass<Pass>(std::forward<Args>(args)...);
  ::testing::internal::CaptureStderr();
  const bool result = manager.run_passes(model);
  const std::string log = ::testing::internal::GetCapturedStderr();
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  if (changed != nullptr) *changed = result;
  return log;
}

// The rewritten model matches the hand-built one (topology, constants, attributes, types), every
// node carries runtime info, and it computes what the original computed.
void ExpectRewrite(const std::shared_ptr<ov::Model>& model,
                   const std::shared_ptr<ov::Model>& original,
                   const std::shared_ptr<ov::Model>& expected,
                   const std::vector<ov::Shape>& input_shapes = {}) {
  auto comparator = FunctionsComparator::with_default();
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::ATTRIBUTES);
  const auto same = comparator.compare(model, expected);
  EXPECT_TRUE(same.valid) << same.message;
  EXPECT_NO_THROW(check_rt_info(model));
  for (const auto& reference : {original, expected}) {
    const auto report = ov::test::utils::compare_model_outputs(model, reference, kTolerance,
                                                               kTolerance, 7, input_shapes);
    EXPECT_TRUE(report.valid) << report.message;
  }
}

// ---------------------------------------------------------------------------------------------
// Split attention

struct SplitSpec {
  int64_t heads = 2;
  int64_t q_len = 1;
  int64_t depth = 8;
  int64_t cache = 10;
  int64_t fresh = 1;
  bool k_tb = true;   // K stored [B, H, S, D]
  bool v_tb = false;  // V stored [B, H, S, D]
  bool reversed = false;
  bool strided = false;
  bool dynamic_cache = false;
  bool dynamic_fresh = false;
  bool q_3d = false;
  bool k_cache_dynamic_rank = false;
  bool k_cache_second_consumer = false;
  bool two_softmaxes = false;
  bool new_k_tb_flipped = false;
  bool new_v_tb_flipped = false;
  bool dynamic_slice_start = false;
  std::optional<int64_t> new_start;   // default: the cache width
  std::optional<int64_t> cache_stop;  // default: the cache width; V_cache has as many rows
  ov::PartialShape mask_shape;        // default: [1, 1, q_len, cache + fresh]
};

ov::Dimension Len(int64_t length, bool dynamic) {
  return dynamic ? ov::Dimension::dynamic() : ov::Dimension(length);
}

ov::PartialShape KShape(const SplitSpec& s, const ov::Dimension& len) {
  return s.k_tb ? ov::PartialShape{1, s.heads, len, s.depth}
                : ov::PartialShape{1, s.heads, s.depth, len};
}
ov::PartialShape VShape(const SplitSpec& s, const ov::Dimension& len) {
  return s.v_tb ? ov::PartialShape{1, s.heads, s.depth, len}
                : ov::PartialShape{1, s.heads, len, s.depth};
}

struct SplitModel {
  std::shared_ptr<ov::Model> model;
  ov::ParameterVector params;     // q, k_cache, k_new, v_cache, v_new, mask[, start]
  std::vector<ov::Shape> shapes;  // the shapes to run dynamic parameters with
};

SplitModel BuildSplit(SplitSpec s) {
  const bool default_mask = s.mask_shape.rank().is_static() && s.mask_shape.size() == 0;
  const ov::Dimension merged = (s.dynamic_cache || s.dynamic_fresh)
                                   ? ov::Dimension::dynamic()
                                   : ov::Dimension(s.cache + s.fresh);
  const ov::PartialShape mask_shape =
      default_mask ? ov::PartialShape{1, 1, s.q_len, merged} : s.mask_shape;
  auto q = Param(s.q_3d ? ov::PartialShape{s.heads, s.q_len, s.depth}
                        : ov::PartialShape{1, s.heads, s.q_len, s.depth},
                 "q");
  auto k_cache = Param(s.k_cache_dynamic_rank ? ov::PartialShape::dynamic()
                                              : KShape(s, Len(s.cache, s.dynamic_cache)),
                       "k_cache");
  auto k_new = Param(KShape(s, Len(s.fresh, s.dynamic_fresh)), "k_new");
  auto v_cache = Param(VShape(s, Len(s.cache_stop.value_or(s.cache), s.dynamic_cache)), "v_cache");
  auto v_new = Param(VShape(s, Len(s.fresh, s.dynamic_fresh)), "v_new");
  auto mask = Param(mask_shape, "mask");
  ov::ParameterVector params{q, k_cache, k_new, v_cache, v_new, mask};

  auto qk_cache = std::make_shared<ov::op::v0::MatMul>(q, k_cache, false, s.k_tb);
  auto qk_new = std::make_shared<ov::op::v0::MatMul>(q, k_new, false, s.k_tb != s.new_k_tb_flipped);
  auto scores = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{qk_cache, qk_new}, -1);
  auto masked = std::make_shared<ov::op::v1::Add>(scores, mask);
  auto softmax = std::make_shared<ov::op::v8::Softmax>(masked, -1);
  NodePtr softmax_new = softmax;
  if (s.two_softmaxes) softmax_new = std::make_shared<ov::op::v8::Softmax>(masked, 3);
  const int64_t new_start = s.new_start.value_or(s.cache);
  const int64_t new_stop =
      s.new_start.has_value() ? new_start + s.fresh : std::numeric_limits<int64_t>::max();
  NodePtr slice_cache;
  NodePtr slice_new;
  if (s.strided) {
    slice_cache = std::make_shared<ov::op::v1::StridedSlice>(
        softmax, I64({0, 0, 0, 0}), I64({0, 0, 0, s.cache}), I64({1, 1, 1, 1}),
        std::vector<int64_t>{1, 1, 1, 0}, std::vector<int64_t>{1, 1, 1, 0});
    slice_new = std::make_shared<ov::op::v1::StridedSlice>(
        softmax_new, I64({0, 0, 0, new_start}), I64({0, 0, 0, new_stop}), I64({1, 1, 1, 1}),
        std::vector<int64_t>{1, 1, 1, 0}, std::vector<int64_t>{1, 1, 1, 0});
  } else {
    slice_cache = std::make_shared<ov::op::v8::Slice>(
        softmax, I64({0}), I64({s.cache_stop.value_or(s.cache)}), I64({1}), I64({3}));
    ov::Output<ov::Node> start = I64({new_start});
    if (s.dynamic_slice_start) {
      auto p = std::make_shared<ov::op::v0::Parameter>(ov::element::i64, ov::PartialShape{1});
      params.push_back(p);
      start = p;
    }
    slice_new = std::make_shared<ov::op::v8::Slice>(softmax_new, start, I64({new_stop}), I64({1}),
                                                    I64({3}));
  }
  auto pv_cache = std::make_shared<ov::op::v0::MatMul>(slice_cache, v_cache, false, s.v_tb);
  auto pv_new =
      std::make_shared<ov::op::v0::MatMul>(slice_new, v_new, false, s.v_tb != s.new_v_tb_flipped);
  NodePtr root = s.reversed ? std::make_shared<ov::op::v1::Add>(pv_new, pv_cache)
                            : std::make_shared<ov::op::v1::Add>(pv_cache, pv_new);
  root->set_friendly_name("attn");
  ov::OutputVector outputs{root};
  if (s.k_cache_second_consumer) outputs.push_back(std::make_shared<ov::op::v0::Relu>(k_cache));

  SplitModel built;
  built.model = std::make_shared<ov::Model>(outputs, params);
  const ov::Shape cache_k = KShape(s, s.cache).to_shape();
  const ov::Shape fresh_k = KShape(s, s.fresh).to_shape();
  const ov::Shape cache_v = VShape(s, s.cache).to_shape();
  const ov::Shape fresh_v = VShape(s, s.fresh).to_shape();
  const ov::Shape full_mask{1, 1, static_cast<size_t>(s.q_len),
                            static_cast<size_t>(s.cache + s.fresh)};
  built.shapes = {q->get_shape(), cache_k, fresh_k, cache_v, fresh_v, full_mask};
  built.params = params;
  return built;
}

// What the fusion builds for `s` (same parameters), with `pad` rows of padding.
std::shared_ptr<ov::Model> BuildFused(const SplitSpec& s, int64_t pad) {
  SplitModel split = BuildSplit(s);
  const auto& p = split.params;
  auto k = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{p[1], p[2]}, s.k_tb ? 2 : 3);
  auto v = std::make_shared<ov::op::v0::Concat>(ov::OutputVector{p[3], p[4]}, s.v_tb ? 3 : 2);
  ov::Output<ov::Node> k_out = k;
  ov::Output<ov::Node> v_out = v;
  if (!s.k_tb) k_out = std::make_shared<ov::op::v1::Transpose>(k_out, I64({0, 1, 3, 2}));
  if (s.v_tb) v_out = std::make_shared<ov::op::v1::Transpose>(v_out, I64({0, 1, 3, 2}));
  ov::Output<ov::Node> mask = p[5];
  if (pad > 0) {
    auto zero = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {0.0f});
    k_out = std::make_shared<ov::op::v1::Pad>(k_out, I64({0, 0, 0, 0}), I64({0, 0, pad, 0}), zero,
                                              ov::op::PadMode::CONSTANT);
    v_out = std::make_shared<ov::op::v1::Pad>(v_out, I64({0, 0, 0, 0}), I64({0, 0, pad, 0}), zero,
                                              ov::op::PadMode::CONSTANT);
    auto fill = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {-30000.0f});
    mask = std::make_shared<ov::op::v1::Pad>(mask, I64({0, 0, 0, 0}), I64({0, 0, 0, pad}), fill,
                                             ov::op::PadMode::CONSTANT);
  }
  auto scale = ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {1.0f});
  auto sdpa = std::make_shared<ov::op::v13::ScaledDotProductAttention>(p[0], k_out, v_out, mask,
                                                                       scale, false);
  return std::make_shared<ov::Model>(ov::OutputVector{sdpa}, p);
}

std::string FuseLog(const SplitModel& split, bool pad, bool* changed = nullptr) {
  return RunPass<FuseSplitAttentionToSDPA>(split.model, changed, pad);
}

NodePtr ResultProducer(const std::shared_ptr<ov::Model>& model, size_t i = 0) {
  return model->get_results()[i]->get_input_node_shared_ptr(0);
}

TEST(FuseSplitAttentionToSDPA, PadsTenPlusOneToSixteenWithMaskedColumns) {
  SplitSpec spec;  // cache 10 + new 1, K [B,H,S,D], V [B,H,S,D]
  SplitModel split = BuildSplit(spec);
  const auto original = split.model->clone();
  bool changed = false;
  const std::string log = FuseLog(split, true, &changed);
  EXPECT_TRUE(changed);
  EXPECT_THAT(log, HasSubstr("<Unknown severity>: [npu_attention_fusion.cc:"));
  EXPECT_THAT(log, HasSubstr("] FuseSplitAttentionToSDPA: fused split-attention into "
                             "v13::ScaledDotProductAttention 'attn' (k_pre_transposed=0, "
                             "v_pre_transposed=0, kv_len=11, kv_pad=5)\n"));
  ExpectRewrite(split.model, original, BuildFused(spec, 5));
  const NodePtr sdpa = ResultProducer(split.model);
  ASSERT_TRUE(ov::is_type<ov::op::v13::ScaledDotProductAttention>(sdpa));
  EXPECT_EQ(sdpa->get_friendly_name(), "attn");
  EXPECT_EQ(sdpa->get_input_partial_shape(1), (ov::PartialShape{1, 2, 16, 8}));
  EXPECT_EQ(sdpa->get_input_partial_shape(3), (ov::PartialShape{1, 1, 1, 16}));
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Pad>(split.model), 3u);
}

TEST(FuseSplitAttentionToSDPA, UnalignedLengthIsKeptSplitWithThePadSwitchOff) {
  SplitModel split = BuildSplit({});
  const auto original = split.model->clone();
  bool changed = true;
  const std::string log = FuseLog(split, false, &changed);
  EXPECT_FALSE(changed);
  EXPECT_THAT(log, HasSubstr("] FuseSplitAttentionToSDPA[attn]: reject: merged KV length is not "
                             "16-aligned and pad_kv_to_alignment is off (kv_len_static=1, "
                             "kv_len=11, kv_pad=5)\n"));
  const auto [same, message] = compare_functions(split.model, original, true);
  EXPECT_TRUE(same) << message;
}

TEST(FuseSplitAttentionToSDPA, AlignedLengthIsFusedWithoutPadEvenWithTheSwitchOff) {
  SplitSpec spec;
  spec.cache = 31;
  for (const bool strided : {false, true}) {
    SCOPED_TRACE(strided);
    spec.strided = strided;
    SplitModel split = BuildSplit(spec);
    const auto original = split.model->clone();
    const std::string log = FuseLog(split, false);
    EXPECT_THAT(log, HasSubstr("(k_pre_transposed=0, v_pre_transposed=0, kv_len=32, kv_pad=0)"));
    EXPECT_EQ(count_ops_of_type<ov::op::v1::Pad>(split.model), 0u);
    ExpectRewrite(split.model, original, BuildFused(spec, 0));
  }
}

TEST(FuseSplitAttentionToSDPA, PreTransposedKeysAndTransposedValues) {
  SplitSpec spec;
  spec.k_tb = false;  // K stored [B, H, D, S]
  spec.v_tb = true;   // V stored [B, H, D, S]
  spec.q_len = 3;
  SplitModel split = BuildSplit(spec);
  const auto original = split.model->clone();
  const std::string log = FuseLog(split, true);
  EXPECT_THAT(log, HasSubstr("(k_pre_transposed=1, v_pre_transposed=1, kv_len=11, kv_pad=5)"));
  ExpectRewrite(split.model, original, BuildFused(spec, 5));
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Transpose>(split.model), 2u);
}

TEST(FuseSplitAttentionToSDPA, ReversedOperandsKeepCacheThenNewOrder) {
  SplitSpec spec;
  spec.reversed = true;
  spec.cache = 15;
  SplitModel split = BuildSplit(spec);
  const auto original = split.model->clone();
  const std::string log = FuseLog(split, true);
  EXPECT_THAT(log, HasSubstr("INFO: [npu_attention_fusion.cc:"));
  EXPECT_THAT(log, HasSubstr("] FuseSplitAttentionToSDPA[attn]: Add operands were reversed "
                             "relative to the score Concat; swapped the V branches to keep K and "
                             "V in the same [cache, new] order\n"));
  ExpectRewrite(split.model, original, BuildFused(spec, 0));
}

TEST(FuseSplitAttentionToSDPA, NewTokenLengthDynamicFusesWithoutPad) {
  SplitSpec spec;
  spec.dynamic_fresh = true;
  spec.fresh = 3;
  SplitModel split = BuildSplit(spec);
  const auto original = split.model->clone();
  const std::string log = FuseLog(split, true);
  EXPECT_THAT(log, HasSubstr("(k_pre_transposed=0, v_pre_transposed=0, kv_len=0, kv_pad=0)"));
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Pad>(split.model), 0u);
  ExpectRewrite(split.model, original, BuildFused(spec, 0), split.shapes);

  // With the switch off a length that cannot be checked is not fused.
  SplitModel again = BuildSplit(spec);
  EXPECT_THAT(FuseLog(again, false), HasSubstr("is off (kv_len_static=0, kv_len=0, kv_pad=0)\n"));
}

// Each decline names its reason at DEBUG and leaves the model as it was.
TEST(FuseSplitAttentionToSDPA, DeclinesExplainThemselves) {
  struct Case {
    const char* what;
    SplitSpec spec;
    const char* message;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, const char* message, auto edit) {
    SplitSpec spec;
    edit(spec);
    cases.push_back({what, spec, message});
  };
  add("two softmaxes",
      "reject: slices do not share a common v8::Softmax source (cache_sm='Softmax', "
      "new_sm='Softmax')",
      [](SplitSpec& s) { s.two_softmaxes = true; });
  add("QK flags", "reject: QK MatMul transpose_b flags disagree (cache=1, new=0)",
      [](SplitSpec& s) {
        s.new_k_tb_flipped = true;
        s.depth = 1;  // [1,H,1,D] new keys read either way when D = S = 1
      });
  add("V flags", "reject: V MatMul transpose_b flags disagree (cache=0, new=1)", [](SplitSpec& s) {
    s.new_v_tb_flipped = true;
    s.depth = 1;
  });
  add("slice start unreadable",
      "reject: cannot read constant slice offsets for the V branches, so their order cannot be "
      "established",
      [](SplitSpec& s) { s.dynamic_slice_start = true; });
  add("slice starts 0 and W-1",
      "reject: V-branch slice offsets (cache=0, new=9) do not match the score Concat split point "
      "10",
      [](SplitSpec& s) { s.new_start = 9; });
  add("cache slice ends early",
      "reject: V-branch slices do not cover exactly the cache part [0, 10) and the new part "
      "[10, 11) of the probabilities",
      [](SplitSpec& s) { s.cache_stop = 9; });
  add("score input rank", "reject: score Concat input has dynamic rank",
      [](SplitSpec& s) { s.k_cache_dynamic_rank = true; });
  add("dynamic cache",
      "reject: score Concat cache width is dynamic, so V-branch slice alignment cannot be "
      "verified",
      [](SplitSpec& s) { s.dynamic_cache = true; });
  add("K_cache shared", "reject: K_cache or V_cache is shared with other consumers (K=2, V=1)",
      [](SplitSpec& s) { s.k_cache_second_consumer = true; });
  add("3-D Q", "reject: Q does not have static 4-D rank (rank=3)",
      [](SplitSpec& s) { s.q_3d = true; });
  add("broadcast mask padded",
      "reject: mask of shape [1,1,1,1] cannot feed the fused attention over the merged KV length "
      "(kv_len=11, kv_pad=5)",
      [](SplitSpec& s) {
        s.mask_shape = ov::PartialShape{1, 1, 1, 1};
      });
  add("rank-1 mask",
      "reject: mask of shape [16] cannot feed the fused attention over the merged KV length "
      "(kv_len=16, kv_pad=0)",
      [](SplitSpec& s) {
        s.cache = 15;
        s.mask_shape = ov::PartialShape{16};
      });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SplitModel split = BuildSplit(c.spec);
    const auto original = split.model->clone();
    bool changed = true;
    const std::string log = FuseLog(split, true, &changed);
    EXPECT_FALSE(changed);
    EXPECT_THAT(log, HasSubstr("<Unknown severity>: [npu_attention_fusion.cc:"));
    EXPECT_THAT(log,
                HasSubstr(std::string("] FuseSplitAttentionToSDPA[attn]: ") + c.message + "\n"));
    const auto [same, message] = compare_functions(split.model, original, true);
    EXPECT_TRUE(same) << message;
  }
}

TEST(FuseSplitAttentionToSDPA, BroadcastMaskIsFusedWhenNothingIsPadded) {
  SplitSpec spec;
  spec.cache = 15;
  spec.mask_shape = ov::PartialShape{1, 1, 1, 1};
  SplitModel split = BuildSplit(spec);
  const auto original = split.model->clone();
  FuseLog(split, true);
  ExpectRewrite(split.model, original, BuildFused(spec, 0));
}

TEST(FuseSplitAttentionToSDPA, UnrelatedAddOfMatMulsIsLeftAlone) {
  auto a = Param({2, 3}, "a");
  auto b = Param({3, 4}, "b");
  auto root = std::make_shared<ov::op::v1::Add>(std::make_shared<ov::op::v0::MatMul>(a, b),
                                                std::make_shared<ov::op::v0::MatMul>(a, b));
  auto model = std::make_shared<ov::Model>(ov::OutputVector{root}, ov::ParameterVector{a, b});
  bool changed = true;
  const std::string log = RunPass<FuseSplitAttentionToSDPA>(model, &changed, true);
  EXPECT_FALSE(changed);
  EXPECT_EQ(log, "");
}

// ---------------------------------------------------------------------------------------------
// Slice offsets

TEST(ReadLastAxisSliceStart, SliceRules) {
  auto data = Param({1, 2, 3, 20}, "data");
  auto slice = [&](std::vector<int64_t> start, std::vector<int64_t> stop, std::vector<int64_t> step,
                   std::optional<std::vector<int64_t>> axes) {
    if (axes) {
      return ReadLastAxisSliceStart(
          std::make_shared<ov::op::v8::Slice>(data, I64(start), I64(stop), I64(step), I64(*axes)));
    }
    return ReadLastAxisSliceStart(
        std::make_shared<ov::op::v8::Slice>(data, I64(start), I64(stop), I64(step)));
  };
  EXPECT_EQ(slice({10}, {20}, {1}, std::vector<int64_t>{3}), 10);
  EXPECT_EQ(slice({-10}, {20}, {1}, std::vector<int64_t>{-1}), 10);  // -W on 2W is W
  EXPECT_EQ(slice({1, 4}, {2, 20}, {1, 1}, std::vector<int64_t>{1, 3}), 4);
  EXPECT_EQ(slice({1}, {2}, {1}, std::vector<int64_t>{1}), 0);  // last axis not sliced
  EXPECT_EQ(slice({0, 0}, {1, 1}, {1, 1}, std::nullopt), 0);    // default axes 0, 1
  EXPECT_EQ(slice({0, 0, 0, 7}, {1, 2, 3, 20}, {1, 1, 1, 1}, std::nullopt), 7);
  EXPECT_EQ(slice({-100}, {20}, {1}, std::vector<int64_t>{3}), 0);  // clamped
  EXPECT_EQ(slice({100}, {200}, {1}, std::vector<int64_t>{3}), 20);
  EXPECT_EQ(slice({4}, {20}, {2}, std::vector<int64_t>{3}), std::nullopt);  // step 2

  auto start = std::make_shared<ov::op::v0::Parameter>(ov::element::i64, ov::PartialShape{1});
  EXPECT_EQ(ReadLastAxisSliceStart(
                std::make_shared<ov::op::v8::Slice>(data, start, I64({20}), I64({1}), I64({3}))),
            std::nullopt);
  auto axes = std::make_shared<ov::op::v0::Parameter>(ov::element::i64, ov::PartialShape{1});
  EXPECT_EQ(ReadLastAxisSliceStart(
                std::make_shared<ov::op::v8::Slice>(data, I64({1}), I64({20}), I64({1}), axes)),
            std::nullopt);

  // Against a dynamic last dimension only non-negative starts are known.
  auto open = Param({1, 2, 3, ov::Dimension::dynamic()}, "data");
  EXPECT_EQ(ReadLastAxisSliceStart(
                std::make_shared<ov::op::v8::Slice>(open, I64({5}), I64({9}), I64({1}), I64({3}))),
            5);
  EXPECT_EQ(ReadLastAxisSliceStart(std::make_shared<ov::op::v8::Slice>(open, I64({-5}), I64({-1}),
                                                                       I64({1}), I64({3}))),
            std::nullopt);
  EXPECT_EQ(
      ReadLastAxisSliceStart(std::make_shared<ov::op::v8::Slice>(
          Param(ov::PartialShape::dynamic(), "data"), I64({5}), I64({9}), I64({1}), I64({3}))),
      std::nullopt);
  EXPECT_EQ(ReadLastAxisSliceStart(std::make_shared<ov::op::v0::Relu>(data)), std::nullopt);
}

TEST(ReadLastAxisSliceStart, StridedSliceRules) {
  auto data = Param({1, 2, 3, 20}, "data");
  using Mask = std::vector<int64_t>;
  auto strided = [&](std::vector<int64_t> begin, Mask begin_mask, std::vector<int64_t> strides,
                     Mask new_axis = {}, Mask shrink = {}, Mask ellipsis = {}) {
    const std::vector<int64_t> end(begin.size(), 0);
    return ReadLastAxisSliceStart(std::make_shared<ov::op::v1::StridedSlice>(
        data, I64(begin), I64(end), I64(strides), begin_mask, Mask(begin.size(), 1), new_axis,
        shrink, ellipsis));
  };
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 0}, {1, 1, 1, 1}), 12);
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 1}, {1, 1, 1, 1}), 0);  // begin mask wins
  EXPECT_EQ(strided({0, 0, 0, -10}, {0, 0, 0, 0}, {1, 1, 1, 1}), 10);
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 0}, {1, 1, 1, 2}), std::nullopt);
  EXPECT_EQ(strided({0, 0, 12}, {1, 1, 0}, {1, 1, 1}), std::nullopt);  // begin too short
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 0}, {1, 1, 1, 1}, {0, 0, 0, 0}, {1, 0, 0, 0}),
            std::nullopt);
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 0}, {1, 1, 1, 1}, {0, 1, 0, 0}), std::nullopt);
  EXPECT_EQ(strided({0, 0, 0, 12}, {1, 1, 1, 0}, {1, 1, 1, 1}, {}, {}, {1, 0, 0, 0}), std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// Folded grouped-query attention

struct GqaSpec {
  int64_t hq = 32;
  int64_t hkv = 8;
  int64_t seq = 1;
  int64_t depth = 64;
  int64_t skv = 16;
  bool with_scale = true;
  int64_t mask_axis = 2;
  bool mixed_mask_inputs = false;
  bool qr_second_consumer = false;
  bool output_to_transpose = false;
  std::optional<std::vector<int64_t>> back_shape;  // default: [1, hq, seq, depth]
  int64_t mask_heads = 1;
  std::optional<int64_t> kv_heads_given;  // default: hkv
  int64_t kv_batch = 1;
  std::optional<int64_t> mask_keys;  // default: skv
  bool causal = false;
};

struct GqaParams {
  std::shared_ptr<ov::op::v0::Parameter> q, k, v, mask, other;
};

GqaParams MakeGqaParams(const GqaSpec& s) {
  GqaParams p;
  p.q = Param(ov::PartialShape{1, s.hq, s.seq, s.depth}, "q");
  const ov::PartialShape kv{s.kv_batch, s.kv_heads_given.value_or(s.hkv), s.skv, s.depth};
  p.k = Param(kv, "k");
  p.v = Param(kv, "v");
  const ov::PartialShape mask{1, s.mask_heads, s.seq, s.mask_keys.value_or(s.skv)};
  p.mask = Param(mask, "mask");
  p.other = Param(mask, "other_mask");
  return p;
}

ov::ParameterVector AllParams(const GqaParams& p, const GqaSpec& s) {
  ov::ParameterVector params{p.q, p.k, p.v, p.mask};
  if (s.mixed_mask_inputs) params.push_back(p.other);
  return params;
}

NodePtr Scale() { return ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {0.125f}); }

std::shared_ptr<ov::Model> BuildFolded(const GqaSpec& s) {
  const GqaParams p = MakeGqaParams(s);
  const size_t r = s.hq / s.hkv;
  auto qr = std::make_shared<ov::op::v1::Reshape>(
      p.q,
      I64({1, static_cast<int64_t>(s.hkv), static_cast<int64_t>(r * s.seq),
           static_cast<int64_t>(s.depth)}),
      false);
  ov::OutputVector copies(r, p.mask);
  if (s.mixed_mask_inputs) copies.back() = p.other;
  auto tiled = std::make_shared<ov::op::v0::Concat>(copies, s.mask_axis);
  ov::OutputVector inputs{qr, p.k, p.v, tiled};
  if (s.with_scale) inputs.push_back(Scale());
  auto sdpa = std::make_shared<ov::op::v13::ScaledDotProductAttention>(inputs, s.causal);
  sdpa->set_friendly_name("sdpa");
  NodePtr out;
  if (s.output_to_transpose) {
    out = std::make_shared<ov::op::v1::Transpose>(sdpa, I64({0, 2, 1, 3}));
  } else {
    const std::vector<int64_t> back =
        s.back_shape.value_or(std::vector<int64_t>{1, s.hq, s.seq, s.depth});
    out = std::make_shared<ov::op::v1::Reshape>(sdpa, I64(back), false);
  }
  out->set_friendly_name("unfold");
  ov::OutputVector outputs{out};
  if (s.qr_second_consumer) outputs.push_back(std::make_shared<ov::op::v0::Relu>(qr));
  return std::make_shared<ov::Model>(outputs, AllParams(p, s));
}

std::shared_ptr<ov::Model> BuildUnfolded(const GqaSpec& s) {
  const GqaParams p = MakeGqaParams(s);
  const int64_t r = s.hq / s.hkv;
  auto heads = [&](const ov::Output<ov::Node>& x) {
    const int64_t hkv = s.hkv;
    const int64_t skv = s.skv;
    const int64_t d = s.depth;
    auto unsqueezed = std::make_shared<ov::op::v0::Unsqueeze>(x, I64({2}));
    auto broadcast = std::make_shared<ov::op::v3::Broadcast>(unsqueezed, I64({1, hkv, r, skv, d}),
                                                             ov::op::BroadcastType::NUMPY);
    return std::make_shared<ov::op::v1::Reshape>(broadcast, I64({1, r * hkv, skv, d}), false);
  };
  ov::OutputVector inputs{p.q, heads(p.k), heads(p.v), p.mask};
  if (s.with_scale) inputs.push_back(Scale());
  auto sdpa = std::make_shared<ov::op::v13::ScaledDotProductAttention>(inputs, s.causal);
  return std::make_shared<ov::Model>(ov::OutputVector{sdpa}, AllParams(p, s));
}

TEST(UnfoldGqaSequenceFold, FoldedAttentionBecomesHeadParallel) {
  for (const bool with_scale : {true, false}) {
    SCOPED_TRACE(with_scale);
    GqaSpec spec;
    spec.with_scale = with_scale;
    auto model = BuildFolded(spec);
    const auto original = model->clone();
    bool changed = false;
    const std::string log = RunPass<UnfoldGqaSequenceFold>(model, &changed);
    EXPECT_TRUE(changed);
    EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 'sdpa' (ratio=4, Hkv=8): Q stays "
                               "[1,32,1,64], K/V broadcast over heads, mask untiled\n"));
    EXPECT_THAT(log, HasSubstr("INFO: [npu_attention_fusion.cc:"));
    EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 1 of 1 SDPA op(s) back to "
                               "head-parallel form\n"));
    ExpectRewrite(model, original, BuildUnfolded(spec));
    const NodePtr sdpa = ResultProducer(model);
    ASSERT_TRUE(ov::is_type<ov::op::v13::ScaledDotProductAttention>(sdpa));
    EXPECT_EQ(sdpa->get_friendly_name(), "unfold");
    EXPECT_EQ(sdpa->get_input_size(), with_scale ? 5u : 4u);
    EXPECT_EQ(sdpa->get_input_partial_shape(1), (ov::PartialShape{1, 32, 16, 64}));
  }
}

TEST(UnfoldGqaSequenceFold, SeveralQueryTokensAndSmallerRatio) {
  GqaSpec spec;
  spec.hq = 6;
  spec.hkv = 3;
  spec.seq = 5;
  spec.depth = 4;
  spec.skv = 7;
  auto model = BuildFolded(spec);
  const auto original = model->clone();
  RunPass<UnfoldGqaSequenceFold>(model, nullptr);
  ExpectRewrite(model, original, BuildUnfolded(spec));
}

TEST(BroadcastKvHeads, EveryHeadRepeatsInPlace) {
  auto x = Param(ov::PartialShape{1, 2, 3, 2}, "x");
  ov::NodeVector nodes;
  const ov::Output<ov::Node> out = BroadcastKvHeads(x, ov::Shape{1, 2, 3, 2}, 3, nodes);
  ASSERT_EQ(nodes.size(), 6u);
  EXPECT_TRUE(ov::is_type<ov::op::v0::Unsqueeze>(nodes[1]));
  EXPECT_TRUE(ov::is_type<ov::op::v3::Broadcast>(nodes[3]));
  EXPECT_TRUE(ov::is_type<ov::op::v1::Reshape>(nodes[5]));
  EXPECT_EQ(out.get_partial_shape(), (ov::PartialShape{1, 6, 3, 2}));
  auto model = std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{x});
  ov::Tensor input(ov::element::f32, ov::Shape{1, 2, 3, 2});
  for (size_t i = 0; i < input.get_size(); ++i) input.data<float>()[i] = static_cast<float>(i);
  ov::TensorVector outputs;
  ASSERT_TRUE(model->evaluate(outputs, {input}));
  const float* got = outputs[0].data<float>();
  for (size_t h = 0; h < 6; ++h) {
    for (size_t j = 0; j < 6; ++j) EXPECT_EQ(got[h * 6 + j], static_cast<float>((h / 3) * 6 + j));
  }
}

TEST(UnfoldGqaSequenceFold, SkipsAndRejections) {
  struct Case {
    const char* what;
    GqaSpec spec;
    const char* message;  // null: skipped silently
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, const char* message, auto edit) {
    GqaSpec spec;
    edit(spec);
    cases.push_back({what, spec, message});
  };
  add("ratio 1", nullptr, [](GqaSpec& s) { s.hkv = 32; });
  add("mask on axis 3", "reject: mask is not a 4-way self-tiled Concat on axis 2", [](GqaSpec& s) {
    // Four 4-key masks tiled on the key axis cover the 16 keys, but not the folded rows.
    s.mask_axis = 3;
    s.mask_keys = 4;
  });
  add("mixed mask inputs", "reject: mask is not a 4-way self-tiled Concat on axis 2",
      [](GqaSpec& s) { s.mixed_mask_inputs = true; });
  add("shared fold", "reject: folded Q reshape is shared with 2 consumers",
      [](GqaSpec& s) { s.qr_second_consumer = true; });
  add("output transposed", nullptr, [](GqaSpec& s) { s.output_to_transpose = true; });
  add("reshaped elsewhere", "reject: SDPA output is not reshaped back to the original [1,Hq,S,D]",
      [](GqaSpec& s) {
        s.back_shape = std::vector<int64_t>{1, 32, 64, 1};
      });
  add("mask per KV head",
      "reject: untiled mask [1,8,1,16] does not apply alike to all 32 query heads",
      [](GqaSpec& s) { s.mask_heads = 8; });
  add("one KV head for a fold of eight", "reject: K/V head counts do not match the expected Hkv=8",
      [](GqaSpec& s) { s.kv_heads_given = 1; });
  add("batch of two", "reject: K/V batch is not 1 (K=2, V=2)", [](GqaSpec& s) {
    s.kv_batch = 2;
    s.back_shape = std::vector<int64_t>{2, 32, 1, 64};
  });
  add("causal", "reject: causal attention over folded rows has no head-parallel equivalent",
      [](GqaSpec& s) { s.causal = true; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto model = BuildFolded(c.spec);
    const auto original = model->clone();
    bool changed = true;
    const std::string log = RunPass<UnfoldGqaSequenceFold>(model, &changed);
    EXPECT_FALSE(changed);
    if (c.message != nullptr) {
      EXPECT_THAT(log, HasSubstr(std::string("<Unknown severity>: [npu_attention_fusion.cc:")));
      EXPECT_THAT(log,
                  HasSubstr(std::string("] UnfoldGqaSequenceFold[sdpa]: ") + c.message + "\n"));
    } else {
      EXPECT_THAT(log, Not(HasSubstr("<Unknown severity>")));
    }
    EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 0 of 1 SDPA op(s)"));
    const auto [same, message] = compare_functions(model, original, true);
    EXPECT_TRUE(same) << message;
  }
}

// Why causal folded attention stays folded: the causal triangle is laid over the r * S folded
// rows, so the head-parallel form with the same flag computes something else.
TEST(UnfoldGqaSequenceFold, CausalFoldedAttentionDiffersWhenUnfolded) {
  GqaSpec spec;
  spec.hq = 4;
  spec.hkv = 2;
  spec.seq = 2;
  spec.depth = 4;
  spec.skv = 4;
  spec.causal = true;
  const auto report =
      ov::test::utils::compare_model_outputs(BuildFolded(spec), BuildUnfolded(spec), 1e-3f, 1e-3f);
  EXPECT_FALSE(report.valid);
}

TEST(UnfoldGqaSequenceFold, CountsAmongSeveralAttentions) {
  // Two folded attentions and one plain one.
  GqaSpec spec;
  spec.hq = 8;
  spec.hkv = 2;
  spec.depth = 4;
  const GqaParams p = MakeGqaParams(spec);
  ov::OutputVector outputs;
  for (int i = 0; i < 2; ++i) {
    auto qr = std::make_shared<ov::op::v1::Reshape>(p.q, I64({1, 2, 4, 4}), false);
    auto tiled =
        std::make_shared<ov::op::v0::Concat>(ov::OutputVector{p.mask, p.mask, p.mask, p.mask}, 2);
    auto sdpa =
        std::make_shared<ov::op::v13::ScaledDotProductAttention>(qr, p.k, p.v, tiled, false);
    sdpa->set_friendly_name("folded" + std::to_string(i));
    auto back = std::make_shared<ov::op::v1::Reshape>(sdpa, I64({1, 8, 1, 4}), false);
    back->set_friendly_name("back" + std::to_string(i));
    outputs.push_back(back);
  }
  auto plain = std::make_shared<ov::op::v13::ScaledDotProductAttention>(p.k, p.k, p.v, false);
  plain->set_friendly_name("plain");
  outputs.push_back(plain);
  auto model = std::make_shared<ov::Model>(outputs, ov::ParameterVector{p.q, p.k, p.v, p.mask});
  const auto original = model->clone();
  bool changed = false;
  const std::string log = RunPass<UnfoldGqaSequenceFold>(model, &changed);
  EXPECT_TRUE(changed);
  EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 2 of 3 SDPA op(s) back to "
                             "head-parallel form\n"));
  EXPECT_EQ(count_ops_of_type<ov::op::v13::ScaledDotProductAttention>(model), 3u);
  EXPECT_EQ(count_ops_of_type<ov::op::v3::Broadcast>(model), 4u);
  const auto report =
      ov::test::utils::compare_model_outputs(model, original, kTolerance, kTolerance);
  EXPECT_TRUE(report.valid) << report.message;

  auto empty_param = Param({2}, "x");
  auto empty =
      std::make_shared<ov::Model>(ov::OutputVector{std::make_shared<ov::op::v0::Relu>(empty_param)},
                                  ov::ParameterVector{empty_param});
  EXPECT_THAT(RunPass<UnfoldGqaSequenceFold>(empty, &changed),
              HasSubstr("] UnfoldGqaSequenceFold: rewrote 0 of 0 SDPA op(s) back to "
                        "head-parallel form\n"));
  EXPECT_FALSE(changed);
}

// Folded GQA written as split attention over a 15 + 1 cache (no padding, so the tiled mask still
// feeds the SDPA directly). Built in a function so that only the model holds the nodes.
std::shared_ptr<ov::Model> FoldedSplitAttention() {
  const int64_t hq = 8, hkv = 2, r = 4, d = 8, cache = 15, fresh = 1;
  auto q = Param(ov::PartialShape{1, hq, 1, d}, "q");
  auto k_cache = Param(ov::PartialShape{1, hkv, cache, d}, "k_cache");
  auto k_new = Param(ov::PartialShape{1, hkv, fresh, d}, "k_new");
  auto v_cache = Param(ov::PartialShape{1, hkv, cache, d}, "v_cache");
  auto v_new = Param(ov::PartialShape{1, hkv, fresh, d}, "v_new");
  auto mask = Param(ov::PartialShape{1, 1, 1, cache + fresh}, "mask");
  auto qr = std::make_shared<ov::op::v1::Reshape>(q, I64({1, hkv, r, d}), false);
  auto tiled =
      std::make_shared<ov::op::v0::Concat>(ov::OutputVector(static_cast<size_t>(r), mask), 2);
  auto scores = std::make_shared<ov::op::v0::Concat>(
      ov::OutputVector{std::make_shared<ov::op::v0::MatMul>(qr, k_cache, false, true),
                       std::make_shared<ov::op::v0::MatMul>(qr, k_new, false, true)},
      3);
  auto probs =
      std::make_shared<ov::op::v8::Softmax>(std::make_shared<ov::op::v1::Add>(scores, tiled), -1);
  auto sum = std::make_shared<ov::op::v1::Add>(
      std::make_shared<ov::op::v0::MatMul>(
          std::make_shared<ov::op::v8::Slice>(probs, I64({0}), I64({cache}), I64({1}), I64({3})),
          v_cache),
      std::make_shared<ov::op::v0::MatMul>(
          std::make_shared<ov::op::v8::Slice>(probs, I64({cache}), I64({cache + fresh}), I64({1}),
                                              I64({3})),
          v_new));
  auto back = std::make_shared<ov::op::v1::Reshape>(sum, I64({1, hq, 1, d}), false);
  return std::make_shared<ov::Model>(ov::OutputVector{back},
                                     ov::ParameterVector{q, k_cache, k_new, v_cache, v_new, mask});
}

TEST(AttentionPasses, FusionThenUnfoldOfFoldedSplitAttention) {
  auto model = FoldedSplitAttention();
  const auto original = model->clone();

  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  ov::pass::Manager manager;
  manager.register_pass<FuseSplitAttentionToSDPA>(true);
  manager.register_pass<UnfoldGqaSequenceFold>();
  ::testing::internal::CaptureStderr();
  manager.run_passes(model);
  const std::string log = ::testing::internal::GetCapturedStderr();
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  EXPECT_THAT(log, HasSubstr("rewrote 1 of 1 SDPA op(s)"));
  EXPECT_EQ(count_ops_of_type<ov::op::v0::MatMul>(model), 0u);
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Reshape>(model), 2u);  // the K and V head broadcasts
  const auto report =
      ov::test::utils::compare_model_outputs(model, original, kTolerance, kTolerance);
  EXPECT_TRUE(report.valid) << report.message;
}

// ---------------------------------------------------------------------------------------------
// The pipeline's switches

std::string OptimizeLog(const CompileConfig& config, const std::shared_ptr<ov::Model>& model) {
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
  ::testing::internal::CaptureStderr();
  OptimizeForNpu(config, model);
  const std::string log = ::testing::internal::GetCapturedStderr();
  ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
  return log;
}

CompileConfig NpuConfig() {
  CompileConfig config;
  config.device = "NPU";
  return config;
}

TEST(AttentionPipeline, HfaAloneRunsFusionWithPaddingAndTheUnfold) {
  CompileConfig config = NpuConfig();
  config.enable_hfa = true;
  SplitModel split = BuildSplit({});
  const std::string log = OptimizeLog(config, split.model);
  EXPECT_THAT(log, HasSubstr("fused split-attention into v13::ScaledDotProductAttention 'attn' "
                             "(k_pre_transposed=0, v_pre_transposed=0, kv_len=11, kv_pad=5)"));
  EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 0 of 1 SDPA op(s)"));
  EXPECT_THAT(log, Not(HasSubstr("FuseSplitAttentionToSDPA is not available")));
}

TEST(AttentionPipeline, FusionSwitchHonoursThePadSwitch) {
  for (const bool pad : {true, false}) {
    SCOPED_TRACE(pad);
    CompileConfig config = NpuConfig();
    config.fuse_split_attention_to_sdpa = true;
    config.sdpa_pad_kv_to_alignment = pad;
    SplitModel split = BuildSplit({});
    const std::string log = OptimizeLog(config, split.model);
    EXPECT_EQ(count_ops_of_type<ov::op::v13::ScaledDotProductAttention>(split.model),
              pad ? 1u : 0u);
    EXPECT_EQ(log.find("pad_kv_to_alignment is off") != std::string::npos, !pad) << log;
    EXPECT_THAT(log, Not(HasSubstr("UnfoldGqaSequenceFold")));
  }
}

TEST(AttentionPipeline, UnfoldSwitchAloneLeavesSplitAttentionAlone) {
  CompileConfig config = NpuConfig();
  config.unfold_gqa_sequence_fold = true;
  auto folded = BuildFolded({});
  EXPECT_THAT(OptimizeLog(config, folded), HasSubstr("rewrote 1 of 1 SDPA op(s)"));
  SplitModel split = BuildSplit({});
  const std::string log = OptimizeLog(config, split.model);
  EXPECT_THAT(log, Not(HasSubstr("FuseSplitAttentionToSDPA")));
  EXPECT_EQ(count_ops_of_type<ov::op::v13::ScaledDotProductAttention>(split.model), 0u);
}

// ---------------------------------------------------------------------------------------------
// Host-built attention blocks, translated by the front end

// The block's subgraph as the compile driver sees it: the plug-in's graph iterator over the host
// subgraph, converted by the tensorflow_lite front end. The translated constants view the host's
// weights, so the host model lives as long as the translation.
class TranslatedBlock {
 public:
  TranslatedBlock(bool folded, const host::AttentionBlockOptions& options) {
    host::HostSubgraph& sg = host_model_.AddSubgraph();
    if (folded) {
      host::AddFoldedGqaAttentionBlock(sg, options);
    } else {
      host::AddSplitAttentionBlock(sg, options);
    }
    const Model model(api_.table(), api_.Handle(host_model_));
    Expected<Subgraph> subgraph = model.SubgraphAt(0);
    if (!subgraph.HasValue()) return;
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &*subgraph, "NPU");
    ov::frontend::tensorflow_lite::FrontEnd front_end;
    model_ = front_end.convert(front_end.load(ov::Any(iterator)));
  }
  const std::shared_ptr<ov::Model>& model() const { return model_; }

 private:
  host::HostApi api_;
  host::HostModel host_model_;
  std::shared_ptr<ov::Model> model_;
};

TEST(AttentionPipeline, HostSplitBlockIsFusedAfterTranslation) {
  host::AttentionBlockOptions options;
  options.heads = options.kv_heads = 2;
  options.head_size = 8;
  options.cache_length = 10;
  options.new_tokens = 1;
  const TranslatedBlock block(false, options);
  const std::shared_ptr<ov::Model>& model = block.model();
  ASSERT_NE(model, nullptr);
  const auto original = model->clone();
  CompileConfig config = NpuConfig();
  config.fuse_split_attention_to_sdpa = true;
  const std::string log = OptimizeLog(config, model);
  EXPECT_THAT(log, HasSubstr("(k_pre_transposed=0, v_pre_transposed=0, kv_len=11, kv_pad=5)"));
  EXPECT_EQ(count_ops_of_type<ov::op::v13::ScaledDotProductAttention>(model), 1u);
  EXPECT_EQ(count_ops_of_type<ov::op::v8::Softmax>(model), 0u);
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Pad>(model), 3u);
  const auto report =
      ov::test::utils::compare_model_outputs(model, original, kTolerance, kTolerance);
  EXPECT_TRUE(report.valid) << report.message;
}

TEST(AttentionPipeline, HostFoldedBlockIsFusedAndUnfolded) {
  host::AttentionBlockOptions options;
  options.heads = 8;
  options.kv_heads = 2;
  options.head_size = 8;
  options.cache_length = 13;
  options.new_tokens = 3;
  const TranslatedBlock block(true, options);
  const std::shared_ptr<ov::Model>& model = block.model();
  ASSERT_NE(model, nullptr);
  const auto original = model->clone();
  CompileConfig config = NpuConfig();
  config.fuse_split_attention_to_sdpa = true;
  config.unfold_gqa_sequence_fold = true;
  const std::string log = OptimizeLog(config, model);
  EXPECT_THAT(log, HasSubstr("kv_len=16, kv_pad=0)"));
  EXPECT_THAT(log, HasSubstr("(ratio=4, Hkv=2): Q stays [1,8,3,8]"));
  EXPECT_THAT(log, HasSubstr("rewrote 1 of 1 SDPA op(s)"));
  EXPECT_EQ(count_ops_of_type<ov::op::v3::Broadcast>(model), 2u);
  const auto report =
      ov::test::utils::compare_model_outputs(model, original, kTolerance, kTolerance);
  EXPECT_TRUE(report.valid) << report.message;
}

TEST(AttentionPipeline, UnalignedFoldedBlocksAreUnfoldedThroughTheTailPad) {
  for (const auto& [cache, fresh] :
       std::vector<std::pair<int32_t, int32_t>>{{10, 1}, {10, 3}, {26, 7}}) {
    SCOPED_TRACE(::testing::Message() << cache << " + " << fresh);
    host::AttentionBlockOptions options;
    options.heads = 8;
    options.kv_heads = 2;
    options.head_size = 8;
    options.cache_length = cache;
    options.new_tokens = fresh;
    const TranslatedBlock block(true, options);
    const std::shared_ptr<ov::Model>& model = block.model();
    ASSERT_NE(model, nullptr);
    const auto original = model->clone();
    std::set<const ov::Node*> before;
    for (const auto& node : model->get_ordered_ops()) before.insert(node.get());
    CompileConfig config = NpuConfig();
    config.fuse_split_attention_to_sdpa = true;
    config.unfold_gqa_sequence_fold = true;
    const std::string log = OptimizeLog(config, model);
    const int32_t pad = (16 - (cache + fresh) % 16) % 16;
    EXPECT_THAT(log, HasSubstr("kv_pad=" + std::to_string(pad) + ")"));
    EXPECT_THAT(log, HasSubstr("rewrote 1 of 1 SDPA op(s)"));
    EXPECT_EQ(count_ops_of_type<ov::op::v3::Broadcast>(model), 2u);
    EXPECT_EQ(count_ops_of_type<ov::op::v0::Concat>(model), 2u);  // K and V; no tiled mask
    const auto report =
        ov::test::utils::compare_model_outputs(model, original, kTolerance, kTolerance);
    EXPECT_TRUE(report.valid) << report.message;
    for (const auto& node : model->get_ordered_ops()) {
      if (before.count(node.get()) != 0) continue;
      EXPECT_NE(node->get_friendly_name(), node->get_name()) << "left with its generated name";
    }
  }
}

TEST(AttentionPasses, TypeInfo) {
  const auto& fuse = FuseSplitAttentionToSDPA::get_type_info_static();
  EXPECT_STREQ(fuse.name, "FuseSplitAttentionToSDPA");
  EXPECT_STREQ(fuse.version_id, "0");
  EXPECT_EQ(fuse.parent, &ov::pass::MatcherPass::get_type_info_static());
  const auto& unfold = UnfoldGqaSequenceFold::get_type_info_static();
  EXPECT_STREQ(unfold.name, "UnfoldGqaSequenceFold");
  EXPECT_STREQ(unfold.version_id, "util");
  EXPECT_EQ(unfold.parent, nullptr);
}

}  // namespace
}  // namespace zorvel::openvino
