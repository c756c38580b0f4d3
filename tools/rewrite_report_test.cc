// The rewrite report read from the plug-in's log lines, in the forms its passes write them.
#include "tools/rewrite_report.h"

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace zorvel::tools {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kDebug[] = "<Unknown severity>: [npu_x.cc:1] ";
constexpr char kInfo[] = "INFO: [npu_x.cc:1] ";

std::string D(const std::string& m) { return kDebug + m; }
std::string I(const std::string& m) { return kInfo + m; }

const std::vector<std::string> kAllOn = {"configs_map.enable_hfa=true",
                                         "configs_map.enable_moe_gather=true",
                                         "configs_map.split_shared_constants=true"};

TEST(RewriteReportTest, SwitchesFollowThePluginsReadingOfTheOptions) {
  auto passes = [](const std::vector<std::string>& settings, size_t partition) {
    std::vector<std::string> names;
    for (const RewriteOutcome& o : SwitchedOnRewrites(settings, partition)) {
      names.push_back(o.pass + "<-" + o.switched_on_by);
    }
    return names;
  };
  EXPECT_THAT(passes({"configs_map.enable_hfa=true"}, 0),
              ElementsAre("FuseSplitAttentionToSDPA<-enable_hfa",
                          "UnfoldGqaSequenceFold<-enable_hfa", "DecomposeSDPAForHFA<-enable_hfa"));
  // Only the text "true" switches on; a graph's own entry overrides the global one.
  EXPECT_THAT(passes({"configs_map.enable_moe_gather=TRUE"}, 0), ElementsAre());
  const std::vector<std::string> per_graph = {
      "configs_map.enable_moe_gather=true", "graph.1.configs_map.enable_moe_gather=false",
      "graph.2.configs_map.split_shared_constants=\"true\""};
  EXPECT_THAT(passes(per_graph, 0), ElementsAre("MoEGatherRewrite<-enable_moe_gather"));
  EXPECT_THAT(passes(per_graph, 1), ElementsAre());
  EXPECT_THAT(passes(per_graph, 2), ElementsAre("MoEGatherRewrite<-enable_moe_gather",
                                                "SplitSharedConstants<-split_shared_constants"));
}

TEST(RewriteReportTest, CountsAndReasonsPerPartitionFromItsOwnTranslation) {
  const std::vector<std::string> log = {
      // Pass lines before any partition was translated belong to none: not counted.
      D("FuseSplitAttentionToSDPA[harvest]: reject: should not count"),
      I("UnfoldGqaSequenceFold: rewrote 9 of 9 SDPA op(s) back to head-parallel form"),
      I("Model loaded"),
      D("FuseSplitAttentionToSDPA: fused split-attention into "
        "v13::ScaledDotProductAttention 'attn0' (k_pre_transposed=0, v_pre_transposed=0, "
        "kv_len=32, kv_pad=0)"),
      D("FuseSplitAttentionToSDPA[attn1]: reject: V-branch slice offsets (cache=0, new=3) do not "
        "match the score Concat split point 4"),
      D("FuseSplitAttentionToSDPA[attn1]: reject: V-branch slice offsets (cache=0, new=3) do not "
        "match the score Concat split point 4"),
      D("UnfoldGqaSequenceFold[attn0]: reject: mask is not a 2-way self-tiled Concat on axis 2"),
      I("UnfoldGqaSequenceFold: rewrote 0 of 1 SDPA op(s) back to head-parallel form"),
      I("DecomposeSDPAForHFA: the HFA history is read from input 'mask' [1,1,16,32]"),
      D("DecomposeSDPAForHFA: decomposed 'attn0' (scale=1, k_stored_transposed=0, "
        "v_stored_transposed=0)"),
      I("DecomposeSDPAForHFA: decomposed 1 of 1 SDPA op(s) (0 read V in its stored [B,H,D,S] "
        "layout, 0 single-token skipped)"),
      D("[MoE] layer TopK='topk0' K=2 experts=4 indices=[16,2] [multi-token]"),
      D("[MoE] layer TopK='topk1' K=2 experts=3: some experts failed to match GEGLU branch"),
      I("[MoEGather] discovered 2 candidate MoE layer(s)"),
      I("[MoEChunk] rewrite[topk0]: abort: gate+up width not static/even"),
      D("MoEGather[topk2]: reject: expert 3 has a bias after the down projection"),
      I("SplitSharedConstants: split 2 shared constant(s) into independent copies"),
      I("Compiling partition 0 for device NPU"),
      I("Model export done"),
      I("Model loaded"),
      I("Compiling partition 1 for device CPU"),
      I("Model loaded"),
      D("[MoEGather] rewrite[topk0]: OK, replaced chain root 'add' with gather-K subgraph"),
      I("[MoEGather] discovered 1 candidate MoE layer(s)"),
      I("Compiling partition 2 for device NPU"),
  };
  const RewriteReport report = BuildRewriteReport(log, kAllOn, 3);
  ASSERT_EQ(report.partitions.size(), 3u);
  EXPECT_TRUE(report.any_switched_on);
  const std::vector<RewriteOutcome>& p0 = report.partitions[0].rewrites;
  ASSERT_EQ(p0.size(), 5u);
  EXPECT_EQ(p0[0].pass, "FuseSplitAttentionToSDPA");
  EXPECT_EQ(p0[0].applied, 1);
  EXPECT_THAT(p0[0].applied_to, ElementsAre("attn0"));
  ASSERT_EQ(p0[0].declined.size(), 1u);  // the repeated line counts once
  EXPECT_EQ(p0[0].declined[0].node, "attn1");
  EXPECT_THAT(p0[0].declined[0].reason, HasSubstr("do not match the score Concat split point 4"));
  EXPECT_EQ(p0[1].pass, "UnfoldGqaSequenceFold");
  EXPECT_EQ(p0[1].applied, 0);  // the summary's count, not the stray line's
  ASSERT_EQ(p0[1].declined.size(), 1u);
  EXPECT_EQ(p0[2].applied, 1);
  EXPECT_THAT(p0[2].summary, HasSubstr("decomposed 1 of 1 SDPA op(s)"));
  EXPECT_TRUE(p0[2].declined.empty());
  EXPECT_EQ(p0[3].pass, "MoEGatherRewrite");
  EXPECT_EQ(p0[3].applied, 0);
  ASSERT_EQ(p0[3].declined.size(), 3u);
  EXPECT_EQ(p0[3].declined[0].node, "topk1");
  EXPECT_EQ(p0[3].declined[0].reason, "some experts failed to match GEGLU branch");
  EXPECT_EQ(p0[3].declined[1].reason, "gate+up width not static/even");
  EXPECT_EQ(p0[3].declined[2].node, "topk2");
  EXPECT_EQ(p0[4].pass, "SplitSharedConstants");
  EXPECT_EQ(p0[4].applied, 2);

  EXPECT_EQ(report.partitions[1].device, "CPU");
  EXPECT_TRUE(report.partitions[1].rewrites.empty());
  EXPECT_EQ(report.partitions[2].rewrites[3].applied, 1);

  const std::string text = FormatRewriteReport(report);
  EXPECT_THAT(text, HasSubstr("  Partition_0 (NPU)\n    FuseSplitAttentionToSDPA     applied 1\n"
                              "                                 declined: [attn1] V-branch"));
  EXPECT_THAT(text, HasSubstr("    MoEGatherRewrite             declined: [topk1] some experts "
                              "failed to match GEGLU branch\n"));
  // A summary that leaves candidates without a reject line is shown; a complete one is not.
  EXPECT_THAT(text, HasSubstr("    DecomposeSDPAForHFA          applied 1\n"));
  RewriteReport partial = report;
  partial.partitions[0].rewrites[2].applied = 0;
  partial.partitions[0].rewrites[2].summary =
      "decomposed 0 of 1 SDPA op(s) (0 read V in its stored [B,H,D,S] layout, 1 single-token "
      "skipped)";
  EXPECT_THAT(FormatRewriteReport(partial),
              HasSubstr("    DecomposeSDPAForHFA          applied 0 (decomposed 0 of 1 SDPA op(s) "
                        "(0 read V in its stored [B,H,D,S] layout, 1 single-token skipped))\n"));
  EXPECT_THAT(text, HasSubstr("  Partition_1 (CPU): none, the NPU rewrites run on NPU partitions"));
}

// With weight sharing on the NPU every partition is translated and optimised in the pool phase,
// in index order, before anything is compiled.
TEST(RewriteReportTest, PoolPhaseTranslationsArePartitionsInIndexOrder) {
  const std::vector<std::string> log = {
      I("Model loaded"),
      D("FuseSplitAttentionToSDPA: fused split-attention into "
        "v13::ScaledDotProductAttention 'attn0' (k_pre_transposed=0, v_pre_transposed=0, "
        "kv_len=32, kv_pad=0)"),
      I("HarvestSharedConstants: registered 6 generated/derived constants"),
      I("Model loaded"),
      D("FuseSplitAttentionToSDPA[attn9]: reject: slice ends elsewhere"),
      I("Weight sharing (NPU): building shared pool"),
      I("Compiling partition 0 for device NPU"),
      D("FuseSplitAttentionToSDPA[late]: reject: not a pass of any partition"),
      I("Compiling partition 1 for device NPU"),
  };
  const RewriteReport report = BuildRewriteReport(log, kAllOn, 2);
  ASSERT_EQ(report.partitions.size(), 2u);
  ASSERT_FALSE(report.partitions[0].rewrites.empty());
  EXPECT_EQ(report.partitions[0].device, "NPU");
  EXPECT_EQ(report.partitions[0].rewrites[0].applied, 1);
  EXPECT_TRUE(report.partitions[0].rewrites[0].declined.empty());
  ASSERT_FALSE(report.partitions[1].rewrites.empty());
  EXPECT_EQ(report.partitions[1].rewrites[0].applied, 0);
  ASSERT_EQ(report.partitions[1].rewrites[0].declined.size(), 1u);
  EXPECT_EQ(report.partitions[1].rewrites[0].declined[0].node, "attn9");
}

TEST(RewriteReportTest, NothingSwitchedOnOrOptionsIgnored) {
  const std::vector<std::string> log = {I("Model loaded"),
                                        I("Compiling partition 0 for device NPU")};
  RewriteReport report = BuildRewriteReport(log, {"performance_mode=1"}, 1);
  EXPECT_FALSE(report.any_switched_on);
  EXPECT_EQ(FormatRewriteReport(report), "");

  // A payload the plug-in refused: it compiled with its defaults, so nothing was switched on.
  const std::vector<std::string> ignored = {I("Using default configuration (LATENCY mode)"),
                                            I("Model loaded"),
                                            I("Compiling partition 0 for device NPU")};
  report = BuildRewriteReport(ignored, kAllOn, 1);
  EXPECT_TRUE(report.options_ignored);
  EXPECT_TRUE(report.partitions[0].rewrites.empty());
  EXPECT_THAT(FormatRewriteReport(report), HasSubstr("did not take the options"));
}

}  // namespace
}  // namespace zorvel::tools
