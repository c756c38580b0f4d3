#include "zorvel/vendors/intel_openvino/compiler/npu_hfa_decomposition.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "common_test_utils/ov_test_utils.hpp"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/op/add.hpp"
#include "openvino/op/broadcast.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/matmul.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/pad.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/softmax.hpp"
#include "openvino/op/transpose.hpp"
#include "openvino/op/unsqueeze.hpp"
#include "openvino/pass/manager.hpp"
#include "transformations/init_node_info.hpp"
#include "zorvel/vendors/intel_openvino/compiler/npu_attention_fusion.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"

namespace zorvel::openvino {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Sdpa = ov::op::v13::ScaledDotProductAttention;

std::shared_ptr<ov::op::v0::Parameter> HfaParam(const std::string& name, ov::Shape shape,
                                                ov::element::Type type = ov::element::f32) {
  auto parameter = std::make_shared<ov::op::v0::Parameter>(type, ov::PartialShape(shape));
  parameter->set_friendly_name(name);
  parameter->output(0).get_tensor().set_names({name});
  return parameter;
}

std::shared_ptr<ov::Node> HfaI64(ov::Shape shape, const std::vector<int64_t>& values) {
  return ov::op::v0::Constant::create(ov::element::i64, shape, values);
}

std::shared_ptr<ov::Node> F32(ov::Shape shape, const std::vector<float>& values) {
  return ov::op::v0::Constant::create(ov::element::f32, shape, values);
}

std::shared_ptr<ov::Node> Swap(const ov::Output<ov::Node>& x,
                               std::vector<int64_t> order = {0, 1, 3, 2}) {
  return std::make_shared<ov::op::v1::Transpose>(x, HfaI64({4}, order));
}

// Padding of the last axis by `amount` at its end.
std::shared_ptr<ov::Node> TailPad(const ov::Output<ov::Node>& x, int64_t amount, float value) {
  return std::make_shared<ov::op::v1::Pad>(x, HfaI64({4}, {0, 0, 0, 0}),
                                           HfaI64({4}, {0, 0, 0, amount}), F32({}, {value}),
                                           ov::op::PadMode::CONSTANT);
}

std::shared_ptr<ov::Model> ModelOf(const std::shared_ptr<ov::Node>& out,
                                   const ov::ParameterVector& parameters) {
  out->set_friendly_name("attention");
  return std::make_shared<ov::Model>(ov::OutputVector{out}, parameters);
}

// The decomposition as it is expected: scaled Q, scores, additive mask, softmax, values.
std::shared_ptr<ov::Node> Decomposed(ov::Output<ov::Node> q, const ov::Output<ov::Node>& k,
                                     bool k_transpose_b, const ov::Output<ov::Node>& v,
                                     bool v_transpose_b, const ov::Output<ov::Node>& mask,
                                     float scale) {
  if (scale != 1.0f) q = std::make_shared<ov::op::v1::Multiply>(q, F32({}, {scale}));
  auto scores = std::make_shared<ov::op::v0::MatMul>(q, k, false, k_transpose_b);
  auto masked = std::make_shared<ov::op::v1::Add>(scores, mask);
  auto probs = std::make_shared<ov::op::v8::Softmax>(masked, -1);
  return std::make_shared<ov::op::v0::MatMul>(probs, v, false, v_transpose_b);
}

struct HfaRun {
  bool changed = false;
  uint64_t count = 0;
  std::string log;
};

// Runs the pass on `model` with DEBUG lines enabled and the log captured.
HfaRun RunHfa(const std::shared_ptr<ov::Model>& model) {
  ov::pass::Manager init;
  init.register_pass<ov::pass::InitNodeInfo>();
  init.run_passes(model);
  ZorvelLoggerT* logger = ZorvelGetDefaultLogger();
  const ZorvelLogSeverity before = logger->GetMinSeverity();
  logger->SetMinSeverity(kZorvelLogSeverityDebug);
  DecomposeSDPAForHFA pass;
  HfaRun run;
  ::testing::internal::CaptureStderr();
  run.changed = pass.run_on_model(model);
  run.log = ::testing::internal::GetCapturedStderr();
  logger->SetMinSeverity(before);
  run.count = pass.decomposed_count();
  model->validate_nodes_and_infer_types();
  return run;
}

// The rewritten model has the expected graph (names of tensors included), carries runtime info
// on every new node, and computes what the original computed.
void ExpectDecomposition(const std::shared_ptr<ov::Model>& model,
                         const std::shared_ptr<ov::Model>& original,
                         const std::shared_ptr<ov::Model>& expected) {
  auto comparator = FunctionsComparator::with_default();
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::ATTRIBUTES);
  const auto same = comparator(model, expected);
  EXPECT_TRUE(same.valid) << same.message;
  EXPECT_NO_THROW(check_rt_info(model));
  const auto report = ov::test::utils::compare_model_outputs(model, original, 1e-4f, 1e-4f);
  EXPECT_TRUE(report.valid) << report.message;
  EXPECT_EQ(model->get_results()[0]->get_input_node_ptr(0)->get_friendly_name(), "attention");
}

// Prefill attention: 4 query tokens over 2 cached + 4 new positions, mask [1, 1, 4, 6].
struct Prefill {
  std::shared_ptr<ov::op::v0::Parameter> q = HfaParam("q", {1, 2, 4, 8});
  std::shared_ptr<ov::op::v0::Parameter> k = HfaParam("k", {1, 2, 6, 8});
  std::shared_ptr<ov::op::v0::Parameter> v = HfaParam("v", {1, 2, 6, 8});
  std::shared_ptr<ov::op::v0::Parameter> mask = HfaParam("mask", {1, 1, 4, 6});

  ov::ParameterVector Parameters() const { return {q, k, v, mask}; }
};

TEST(DecomposeSDPAForHFA, PrefillAttentionIsSpelledOut) {
  Prefill p;
  auto model = ModelOf(std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, false), p.Parameters());
  const auto original = model->clone();
  const HfaRun run = RunHfa(model);
  EXPECT_TRUE(run.changed);
  EXPECT_EQ(run.count, 1u);

  Prefill e;
  e.mask->output(0).get_tensor().add_names({kHfaHistoryMaskName});
  auto expected = ModelOf(Decomposed(e.q, e.k, true, e.v, false, e.mask, 1.0f / std::sqrt(8.0f)),
                          e.Parameters());
  ExpectDecomposition(model, original, expected);
  EXPECT_THAT(p.mask->output(0).get_names(), ::testing::Contains("mask"));

  EXPECT_THAT(run.log, HasSubstr(": [npu_hfa_decomposition.cc:"));
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: decomposed 'attention' (scale=0.353553, "
                                 "k_stored_transposed=0, v_stored_transposed=0)\n"));
  EXPECT_THAT(run.log, HasSubstr("INFO: [npu_hfa_decomposition.cc:"));
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: the HFA history is read from input 'mask' "
                                 "[1,1,4,6]\n"));
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: decomposed 1 of 1 SDPA op(s) (0 read V in "
                                 "its stored [B,H,D,S] layout, 0 single-token skipped)\n"));
}

// Causal, 3-input, boolean-mask and dynamic-query attention all stay fused and uncounted.
TEST(DecomposeSDPAForHFA, IneligibleAttentionIsUntouched) {
  Prefill p;
  auto causal = std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, true);
  auto three = std::make_shared<Sdpa>(p.q, p.k, p.v, false);
  auto bool_mask = HfaParam("bool_mask", {1, 1, 4, 6}, ov::element::boolean);
  auto boolean = std::make_shared<Sdpa>(p.q, p.k, p.v, bool_mask, false);
  boolean->set_friendly_name("boolean_attention");
  auto dyn_q =
      std::make_shared<ov::op::v0::Parameter>(ov::element::f32, ov::PartialShape{1, 2, -1, 8});
  auto dynamic = std::make_shared<Sdpa>(dyn_q, p.k, p.v, p.mask, false);
  auto model =
      std::make_shared<ov::Model>(ov::OutputVector{causal, three, boolean, dynamic},
                                  ov::ParameterVector{p.q, p.k, p.v, p.mask, bool_mask, dyn_q});
  const auto original = model->clone();
  const HfaRun run = RunHfa(model);
  EXPECT_FALSE(run.changed);
  EXPECT_EQ(run.count, 0u);
  const auto same = compare_functions(model, original, true);
  EXPECT_TRUE(same.first) << same.second;
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA[boolean_attention]: reject: mask is not "
                                 "additive (boolean)\n"));
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: decomposed 0 of 4 SDPA op(s) (0 read V in "
                                 "its stored [B,H,D,S] layout, 0 single-token skipped)\n"));
  // Nothing was decomposed, so no input is expected to carry the history.
  EXPECT_THAT(run.log, Not(HasSubstr("WARNING")));
  EXPECT_EQ(p.mask->output(0).get_names().count(kHfaHistoryMaskName), 0u);
}

// Decode steps keep their fused attention: a query of one row, one token's heads folded into
// rows, and one token of grouped-query attention folded into the sequence axis.
TEST(DecomposeSDPAForHFA, SingleTokenAttentionStaysFused) {
  auto k = HfaParam("k", {1, 2, 6, 8});
  auto v = HfaParam("v", {1, 2, 6, 8});
  auto mask = HfaParam("mask", {1, 1, 1, 6});
  auto q1 = HfaParam("q1", {1, 2, 1, 8});
  auto one_row = std::make_shared<Sdpa>(q1, k, v, mask, false);

  auto q_heads = HfaParam("q_heads", {1, 1, 4, 8});
  auto heads_in_rows =
      std::make_shared<ov::op::v1::Reshape>(q_heads, HfaI64({4}, {1, 2, 2, 8}), false);
  auto heads_mask = HfaParam("heads_mask", {1, 1, 2, 6});
  auto folded_heads = std::make_shared<Sdpa>(heads_in_rows, k, v, heads_mask, false);

  auto q_gqa = HfaParam("q_gqa", {1, 8, 1, 8});
  auto gqa_fold = std::make_shared<ov::op::v1::Reshape>(q_gqa, HfaI64({4}, {1, 2, 4, 8}), false);
  auto gqa_mask = HfaParam("gqa_mask", {1, 1, 4, 6});
  auto gqa = std::make_shared<Sdpa>(gqa_fold, k, v, gqa_mask, false);

  auto model = std::make_shared<ov::Model>(
      ov::OutputVector{one_row, folded_heads, gqa},
      ov::ParameterVector{q1, k, v, mask, q_heads, heads_mask, q_gqa, gqa_mask});
  const auto original = model->clone();
  const HfaRun run = RunHfa(model);
  EXPECT_FALSE(run.changed);
  EXPECT_EQ(run.count, 0u);
  const auto same = compare_functions(model, original, true);
  EXPECT_TRUE(same.first) << same.second;
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: decomposed 0 of 3 SDPA op(s) (0 read V in "
                                 "its stored [B,H,D,S] layout, 3 single-token skipped)\n"));

  // Through the pipeline the count stays 0.
  CompileConfig config;
  config.enable_hfa = true;
  ::testing::internal::CaptureStderr();
  const NpuOptimizerResult result = OptimizeForNpu(config, original);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.hfa_decomposed_count, 0u);
}

TEST(DecomposeSDPAForHFA, ScaleHandling) {
  struct Case {
    std::shared_ptr<ov::Node> scale;  // null: no scale input
    size_t d;
    float expected;  // the Multiply factor; 1 means no Multiply
  };
  const Case cases[] = {
      {nullptr, 64, 0.125f},
      {F32({}, {1.0f}), 64, 1.0f},
      {F32({1, 1}, {0.5f}), 8, 0.5f},
      {F32({1}, {2.0f}), 8, 2.0f},
  };
  for (const Case& c : cases) {
    Prefill p;
    p.q = HfaParam("q", {1, 2, 4, c.d});
    p.k = HfaParam("k", {1, 2, 6, c.d});
    p.v = HfaParam("v", {1, 2, 6, c.d});
    auto sdpa = c.scale ? std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, c.scale, false)
                        : std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, false);
    auto model = ModelOf(sdpa, p.Parameters());
    const auto original = model->clone();
    const HfaRun run = RunHfa(model);
    EXPECT_EQ(run.count, 1u) << c.expected;

    Prefill e;
    e.q = HfaParam("q", {1, 2, 4, c.d});
    e.k = HfaParam("k", {1, 2, 6, c.d});
    e.v = HfaParam("v", {1, 2, 6, c.d});
    e.mask->output(0).get_tensor().add_names({kHfaHistoryMaskName});
    ExpectDecomposition(
        model, original,
        ModelOf(Decomposed(e.q, e.k, true, e.v, false, e.mask, c.expected), e.Parameters()));
  }

  // A scale that is not a Constant is refused (the attention itself takes only one element).
  Prefill p;
  auto scale_input = HfaParam("scale", {});
  auto computed = std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, scale_input, false);
  computed->set_friendly_name("computed");
  auto model = std::make_shared<ov::Model>(ov::OutputVector{computed},
                                           ov::ParameterVector{p.q, p.k, p.v, p.mask, scale_input});
  const HfaRun run = RunHfa(model);
  EXPECT_EQ(run.count, 0u);
  EXPECT_EQ(count_ops_of_type<Sdpa>(model), 1u);
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA[computed]: reject: scale is not a scalar "
                                 "Constant\n"));
}

// A NaN scale is not 1, so it is multiplied in and the result is NaN as the fused one's.
TEST(DecomposeSDPAForHFA, NanScaleIsApplied) {
  Prefill p;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto model =
      ModelOf(std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, F32({}, {nan}), false), p.Parameters());
  RunHfa(model);
  EXPECT_EQ(count_ops_of_type<ov::op::v1::Multiply>(model), 1u);
}

// K and V read where they are stored: transposed directly, or transposed before a KV head
// broadcast.
TEST(DecomposeSDPAForHFA, StoredTransposedReads) {
  {
    Prefill p;
    auto k_stored = HfaParam("k_stored", {1, 2, 8, 6});
    auto v_stored = HfaParam("v_stored", {1, 2, 8, 6});
    auto model = ModelOf(std::make_shared<Sdpa>(p.q, Swap(k_stored), Swap(v_stored), p.mask, false),
                         {p.q, k_stored, v_stored, p.mask});
    const auto original = model->clone();
    const HfaRun run = RunHfa(model);
    EXPECT_EQ(run.count, 1u);
    Prefill e;
    auto ek = HfaParam("k_stored", {1, 2, 8, 6});
    auto ev = HfaParam("v_stored", {1, 2, 8, 6});
    e.mask->output(0).get_tensor().add_names({kHfaHistoryMaskName});
    ExpectDecomposition(
        model, original,
        ModelOf(Decomposed(e.q, ek, false, ev, true, e.mask, 1.0f / std::sqrt(8.0f)),
                {e.q, ek, ev, e.mask}));
    EXPECT_THAT(run.log, HasSubstr("k_stored_transposed=1, v_stored_transposed=1)\n"));
    EXPECT_THAT(run.log, HasSubstr("(1 read V in its stored [B,H,D,S] layout"));
  }
  {
    // Another permutation is not a swap of the stored layout.
    Prefill p;
    auto k_other = HfaParam("k_other", {1, 6, 2, 8});
    auto k = Swap(k_other, {0, 2, 1, 3});
    auto model =
        ModelOf(std::make_shared<Sdpa>(p.q, k, p.v, p.mask, false), {p.q, k_other, p.v, p.mask});
    const auto original = model->clone();
    const HfaRun run = RunHfa(model);
    Prefill e;
    auto ek = HfaParam("k_other", {1, 6, 2, 8});
    e.mask->output(0).get_tensor().add_names({kHfaHistoryMaskName});
    ExpectDecomposition(model, original,
                        ModelOf(Decomposed(e.q, Swap(ek, {0, 2, 1, 3}), true, e.v, false, e.mask,
                                           1.0f / std::sqrt(8.0f)),
                                {e.q, ek, e.v, e.mask}));
    EXPECT_THAT(run.log, HasSubstr("k_stored_transposed=0, v_stored_transposed=0)\n"));
  }
}

// KV heads broadcast after the swap: the broadcast is rebuilt on the stored tensor.
TEST(DecomposeSDPAForHFA, StoredTransposedReadsThroughHeadBroadcast) {
  // Head repeat in place (head h reads KV head h / 2) of a transposed [1, 2, 8, 6] store.
  auto head_repeat = [](const ov::Output<ov::Node>& stored, int64_t axis,
                        std::vector<int64_t> broadcast) {
    auto t = Swap(stored);
    auto u = std::make_shared<ov::op::v0::Unsqueeze>(t, HfaI64({1}, {axis}));
    auto b = std::make_shared<ov::op::v3::Broadcast>(u, HfaI64({5}, broadcast));
    return std::make_shared<ov::op::v1::Reshape>(b, HfaI64({4}, {1, 4, 6, 8}), false);
  };
  Prefill p;
  p.q = HfaParam("q", {1, 4, 4, 8});
  auto k_stored = HfaParam("k_stored", {1, 2, 8, 6});
  auto k = head_repeat(k_stored, 2, {1, 2, 2, 6, 8});
  auto v = HfaParam("v", {1, 4, 6, 8});
  auto model =
      ModelOf(std::make_shared<Sdpa>(p.q, k, v, p.mask, false), {p.q, k_stored, v, p.mask});
  const auto original = model->clone();
  const HfaRun run = RunHfa(model);
  EXPECT_EQ(run.count, 1u);
  EXPECT_THAT(run.log, HasSubstr("k_stored_transposed=1, v_stored_transposed=0)\n"));

  auto eq = HfaParam("q", {1, 4, 4, 8});
  auto ek = HfaParam("k_stored", {1, 2, 8, 6});
  auto ev = HfaParam("v", {1, 4, 6, 8});
  auto emask = HfaParam("mask", {1, 1, 4, 6});
  emask->output(0).get_tensor().add_names({kHfaHistoryMaskName});
  ov::NodeVector nodes;
  const ov::Output<ov::Node> ek_repeated = BroadcastKvHeads(ek, ov::Shape{1, 2, 8, 6}, 2, nodes);
  ExpectDecomposition(
      model, original,
      ModelOf(Decomposed(eq, ek_repeated, false, ev, false, emask, 1.0f / std::sqrt(8.0f)),
              {eq, ek, ev, emask}));

  // Copies arranged another way round (head h reads KV head h % 2) are not the head repeat; the
  // chain stays as it is and the numbers still agree.
  Prefill o;
  o.q = HfaParam("q", {1, 4, 4, 8});
  auto o_stored = HfaParam("k_stored", {1, 2, 8, 6});
  auto o_k = head_repeat(o_stored, 1, {1, 2, 2, 6, 8});
  auto o_v = HfaParam("v", {1, 4, 6, 8});
  auto other =
      ModelOf(std::make_shared<Sdpa>(o.q, o_k, o_v, o.mask, false), {o.q, o_stored, o_v, o.mask});
  const auto other_original = other->clone();
  const HfaRun other_run = RunHfa(other);
  EXPECT_EQ(other_run.count, 1u);
  EXPECT_THAT(other_run.log, HasSubstr("k_stored_transposed=0, v_stored_transposed=0)\n"));
  const auto report = ov::test::utils::compare_model_outputs(other, other_original, 1e-4f, 1e-4f);
  EXPECT_TRUE(report.valid) << report.message;
}

// The mask chain of a folded, padded attention: Parameter [1, 1, 16, 48] (f16) -> Convert ->
// 4-way self-tiled Concat on axis 2 -> tail Pad to 64 -> SDPA of 4 * 16 rows.
TEST(DecomposeSDPAForHFA, HistoryMaskFoundThroughConvertTileAndPad) {
  auto q = HfaParam("q", {1, 2, 64, 8});
  auto k = HfaParam("k", {1, 2, 64, 8});
  auto v = HfaParam("v", {1, 2, 64, 8});
  auto history = HfaParam("history", {1, 1, 16, 48}, ov::element::f16);
  auto converted = std::make_shared<ov::op::v0::Convert>(history, ov::element::f32);
  auto tiled = std::make_shared<ov::op::v0::Concat>(
      ov::OutputVector{converted, converted, converted, converted}, 2);
  auto padded = TailPad(tiled, 16, -30000.0f);
  auto model = ModelOf(std::make_shared<Sdpa>(q, k, v, padded, false), {q, k, v, history});
  const auto original = model->clone();
  const HfaRun run = RunHfa(model);
  EXPECT_EQ(run.count, 1u);
  EXPECT_THAT(history->output(0).get_names(),
              ::testing::UnorderedElementsAre("history", kHfaHistoryMaskName));
  EXPECT_THAT(run.log, HasSubstr("] DecomposeSDPAForHFA: the HFA history is read from input "
                                 "'history' [1,1,16,48]\n"));
  const auto report = ov::test::utils::compare_model_outputs(model, original, 1e-4f, 1e-4f);
  EXPECT_TRUE(report.valid) << report.message;
}

// Two decomposed attentions with their own mask inputs; returns which input got the history name.
std::string ChosenOf(size_t first_past, size_t second_past) {
  auto k1 = HfaParam("k1", {1, 2, 4 + first_past, 8});
  auto v1 = HfaParam("v1", {1, 2, 4 + first_past, 8});
  auto k2 = HfaParam("k2", {1, 2, 4 + second_past, 8});
  auto v2 = HfaParam("v2", {1, 2, 4 + second_past, 8});
  auto q = HfaParam("q", {1, 2, 4, 8});
  auto m1 = HfaParam("m1", {1, 1, 4, 4 + first_past});
  auto m2 = HfaParam("m2", {1, 1, 4, 4 + second_past});
  auto a1 = std::make_shared<Sdpa>(q, k1, v1, m1, false);
  auto a2 = std::make_shared<Sdpa>(q, k2, v2, m2, false);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{a1, a2},
                                           ov::ParameterVector{q, k1, v1, k2, v2, m1, m2});
  // Candidates are met in the order the model lists its attention.
  std::vector<std::string> order;
  for (const auto& node : model->get_ops()) {
    if (ov::is_type<Sdpa>(node)) order.push_back(node->get_input_node_ptr(3)->get_friendly_name());
  }
  const HfaRun run = RunHfa(model);
  EXPECT_EQ(run.count, 2u);
  std::string chosen;
  for (const auto& m : {m1, m2}) {
    if (m->output(0).get_names().count(kHfaHistoryMaskName)) {
      EXPECT_TRUE(chosen.empty()) << "two inputs named";
      chosen = m->get_friendly_name();
    }
  }
  if (first_past == second_past) {
    EXPECT_EQ(chosen, order.at(0));
  }
  return chosen;
}

TEST(DecomposeSDPAForHFA, HistoryMaskChoiceAmongCandidates) {
  EXPECT_EQ(ChosenOf(44, 60), "m2");
  EXPECT_EQ(ChosenOf(60, 44), "m1");
  ChosenOf(44, 44);  // the first met, checked inside
}

TEST(DecomposeSDPAForHFA, NoHistoryMaskInput) {
  struct Case {
    ov::element::Type type;
    ov::Shape shape;
  };
  // An integer mask input, one without past, one whose rows are not the query tokens, and one
  // with two batch rows.
  const Case cases[] = {{ov::element::i32, {1, 1, 4, 6}},
                        {ov::element::f32, {1, 1, 4, 4}},
                        {ov::element::f32, {1, 1, 1, 6}},
                        {ov::element::f32, {2, 1, 4, 6}}};
  for (const Case& c : cases) {
    auto q = HfaParam("q", {2, 2, 4, 8});
    auto k = HfaParam("k", {2, 2, c.shape[3], 8});
    auto v = HfaParam("v", {2, 2, c.shape[3], 8});
    auto mask = HfaParam("mask", c.shape, c.type);
    ov::Output<ov::Node> additive = mask;
    if (c.type != ov::element::f32)
      additive = std::make_shared<ov::op::v0::Convert>(mask, ov::element::f32);
    auto model = ModelOf(std::make_shared<Sdpa>(q, k, v, additive, false), {q, k, v, mask});
    const auto original = model->clone();
    const HfaRun run = RunHfa(model);
    EXPECT_EQ(run.count, 1u) << c.shape;
    EXPECT_EQ(mask->output(0).get_names().count(kHfaHistoryMaskName), 0u) << c.shape;
    EXPECT_THAT(run.log, HasSubstr("WARNING: [npu_hfa_decomposition.cc:"));
    EXPECT_THAT(run.log,
                HasSubstr("] DecomposeSDPAForHFA: no graph input is a [1,1,Q,past+Q] mask of the "
                          "decomposed SDPAs, so dispatch cannot report the HFA history to NPUW\n"));
    const auto report = ov::test::utils::compare_model_outputs(model, original, 1e-4f, 1e-4f);
    EXPECT_TRUE(report.valid) << c.shape << report.message;
  }
}

TEST(DecomposeSDPAForHFA, HelperRules) {
  // History mask check, with the messages it gives.
  EXPECT_TRUE(CheckHfaHistoryMask(ov::element::bf16, {1, 1, 1, 2}).HasValue());
  EXPECT_TRUE(CheckHfaHistoryMask(ov::element::f16, {1, 1, 16, 48}).HasValue());
  const Expected<void> integer = CheckHfaHistoryMask(ov::element::i32, {1, 1, 16, 48});
  ASSERT_FALSE(integer.HasValue());
  EXPECT_EQ(integer.Status(), kZorvelStatusErrorInvalidArgument);
  EXPECT_THAT(integer.GetError().Message(),
              HasSubstr("HFA history mask must be f32, f16 or bf16, got i32"));
  for (const ov::Shape& shape : {ov::Shape{1, 1, 16, 16}, ov::Shape{1, 1, 0, 4},
                                 ov::Shape{1, 2, 4, 8}, ov::Shape{1, 4, 8}}) {
    const Expected<void> bad = CheckHfaHistoryMask(ov::element::f32, shape);
    ASSERT_FALSE(bad.HasValue()) << shape;
    EXPECT_THAT(bad.GetError().Message(),
                HasSubstr("HFA history mask must be [1, 1, Q, past + Q] with Q > 0 and past > 0, "
                          "got " +
                          shape.to_string()));
  }

  // Only a pad at the end of the last axis is the alignment pad.
  auto x = HfaParam("x", {1, 1, 4, 6});
  EXPECT_TRUE(StripTailPad(TailPad(x, 10, 0.0f)) == ov::Output<ov::Node>(x));
  auto pad = [&](std::vector<int64_t> begin, std::vector<int64_t> end) {
    return std::make_shared<ov::op::v1::Pad>(x, HfaI64({begin.size()}, begin),
                                             HfaI64({end.size()}, end), F32({}, {0.0f}),
                                             ov::op::PadMode::CONSTANT);
  };
  EXPECT_TRUE(StripTailPad(pad({0, 0, 0, 0}, {0, 0, 0, 0})).has_value());
  EXPECT_FALSE(StripTailPad(pad({0, 0, 0, 1}, {0, 0, 0, 1})).has_value());
  EXPECT_FALSE(StripTailPad(pad({0, 0, 0, 0}, {0, 0, 1, 1})).has_value());
  auto pads_end = HfaParam("pads_end", {4}, ov::element::i64);
  EXPECT_FALSE(StripTailPad(std::make_shared<ov::op::v1::Pad>(x, HfaI64({4}, {0, 0, 0, 0}),
                                                              pads_end, ov::op::PadMode::CONSTANT))
                   .has_value());
  EXPECT_FALSE(StripTailPad(x).has_value());
}

// enable_hfa alone brings the attention passes along and the count back to the pipeline.
TEST(DecomposeSDPAForHFA, PipelineCountsDecomposedAttention) {
  Prefill p;
  auto model = ModelOf(std::make_shared<Sdpa>(p.q, p.k, p.v, p.mask, false), p.Parameters());
  CompileConfig config;
  config.enable_hfa = true;
  ::testing::internal::CaptureStderr();
  const NpuOptimizerResult result = OptimizeForNpu(config, model);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.hfa_decomposed_count, 1u);
  EXPECT_FALSE(result.moe_multi_token);
  EXPECT_THAT(log, HasSubstr("] UnfoldGqaSequenceFold: rewrote 0 of 1 SDPA op(s)"));
  EXPECT_THAT(log, HasSubstr("] DecomposeSDPAForHFA: decomposed 1 of 1 SDPA op(s)"));
  EXPECT_THAT(log, Not(HasSubstr("not available")));
  EXPECT_EQ(count_ops_of_type<Sdpa>(model), 0u);
}

}  // namespace
}  // namespace zorvel::openvino
