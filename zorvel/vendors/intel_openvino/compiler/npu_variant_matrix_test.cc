// Every NPU rewrite over the attention and mixture-of-experts forms host models come in: each
// variant is translated by the front end, optimized for the NPU with every rewrite switch on and
// compiled on the NPU; its outputs must equal those of the unrewritten model evaluated directly.
// A rewrite either applies (and keeps the numbers) or declines with a DEBUG line; it never breaks
// the compile. The test prints, per rewrite, how many variants it applied to and declined.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "gtest/gtest.h"
#include "logging/zorvel_logging.h"
#include "openvino/frontend/tensorflow_lite/frontend.hpp"
#include "openvino/runtime/core.hpp"
#include "zorvel/compiler/cc/zorvel_model.h"
#include "zorvel/host/attention_block.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/moe_block.h"
#include "zorvel/vendors/intel_openvino/compiler/graph_iterator.h"
#include "zorvel/vendors/intel_openvino/compiler/npu_optimizer.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compile_context.h"

namespace zorvel::openvino {
namespace {

// The rewrites, with the log texts that say each applied or declined ("MoE discovery" stands for
// the layer matching both MoE rewrites share).
struct Rewrite {
  const char* name;
  std::vector<std::string> applied;   // any of these: applied
  std::vector<std::string> declined;  // any of these (and none of `applied`): declined
};

const std::vector<Rewrite>& Rewrites() {
  static const std::vector<Rewrite> rewrites = {
      {"FuseSplitAttentionToSDPA", {"fused split-attention into"}, {"FuseSplitAttentionToSDPA["}},
      {"UnfoldGqaSequenceFold", {"UnfoldGqaSequenceFold: rewrote '"}, {"UnfoldGqaSequenceFold["}},
      {"DecomposeSDPAForHFA", {"DecomposeSDPAForHFA: decomposed '"}, {"DecomposeSDPAForHFA["}},
      {"MoE discovery", {}, {"[MoE] "}},
      {"MoEGather", {"[MoEGather] rewrite["}, {"[MoEGather] rewrite["}},
      {"MoEChunk", {"[MoEChunk] rewrite["}, {"[MoEChunk] rewrite["}},
  };
  return rewrites;
}

bool Applied(const Rewrite& rewrite, const std::string& log) {
  for (const std::string& text : rewrite.applied) {
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
      const size_t end = log.find('\n', at);
      const std::string line = log.substr(at, end - at);
      // The MoE texts name the layer first; only their OK lines say applied.
      if (text[0] != '[' || line.find(": OK, ") != std::string::npos) return true;
    }
  }
  return false;
}

// A line of the rewrite's that says why it left something as it was.
bool Declined(const Rewrite& rewrite, const std::string& log) {
  if (Applied(rewrite, log)) return false;
  for (const std::string& text : rewrite.declined) {
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
      const std::string line = log.substr(at, log.find('\n', at) - at);
      for (const char* word : {"reject", "abort", "decline", "does not match"}) {
        if (line.find(word) != std::string::npos) return true;
      }
    }
  }
  return false;
}

struct Variant {
  std::string name;
  std::function<void(host::HostModel&)> build;
  std::set<std::string> must_apply;  // rewrites that must apply to it
};

host::AttentionBlockOptions Attention(int32_t heads, int32_t kv_heads, int32_t cache,
                                      int32_t fresh) {
  host::AttentionBlockOptions o;
  o.heads = heads;
  o.kv_heads = kv_heads;
  o.head_size = 8;
  o.cache_length = cache;
  o.new_tokens = fresh;
  o.seed = static_cast<uint32_t>(heads * 100 + kv_heads * 10 + cache + fresh);
  return o;
}

Variant AttentionVariant(const std::string& name, host::AttentionBlockOptions o,
                         std::set<std::string> must_apply) {
  return {name,
          [o](host::HostModel& model) {
            host::HostSubgraph& sg = model.AddSubgraph();
            if (o.heads == o.kv_heads || o.broadcast_kv) {
              host::AddSplitAttentionBlock(sg, o);
            } else {
              host::AddFoldedGqaAttentionBlock(sg, o);
            }
          },
          std::move(must_apply)};
}

std::vector<Variant> AttentionVariants() {
  const std::string fuse = "FuseSplitAttentionToSDPA", unfold = "UnfoldGqaSequenceFold",
                    hfa = "DecomposeSDPAForHFA";
  std::vector<Variant> v;
  v.push_back(AttentionVariant("mha 10+1", Attention(4, 4, 10, 1), {fuse}));
  v.push_back(AttentionVariant("mha 10+3", Attention(4, 4, 10, 3), {fuse, hfa}));
  v.push_back(AttentionVariant("mha 31+1 aligned", Attention(4, 4, 31, 1), {fuse}));
  v.push_back(AttentionVariant("mha 12+4 aligned", Attention(2, 2, 12, 4), {fuse, hfa}));
  auto o = Attention(4, 4, 26, 7);
  o.keys_transposed = true;
  v.push_back(AttentionVariant("mha 26+7 keys transposed", o, {fuse, hfa}));
  o = Attention(4, 4, 10, 3);
  o.values_transposed = true;
  v.push_back(AttentionVariant("mha 10+3 values transposed", o, {fuse, hfa}));
  o = Attention(4, 4, 12, 4);
  o.causal_mask = true;
  v.push_back(AttentionVariant("mha 12+4 causal mask", o, {fuse, hfa}));
  v.push_back(AttentionVariant("gqa 10+1", Attention(4, 2, 10, 1), {fuse, unfold}));
  v.push_back(AttentionVariant("gqa 10+3", Attention(4, 2, 10, 3), {fuse, unfold, hfa}));
  v.push_back(AttentionVariant("gqa 26+7", Attention(8, 2, 26, 7), {fuse, unfold, hfa}));
  v.push_back(AttentionVariant("gqa 31+1 aligned", Attention(4, 2, 31, 1), {fuse, unfold}));
  o = Attention(4, 2, 26, 7);
  o.keys_transposed = true;
  o.values_transposed = true;
  v.push_back(AttentionVariant("gqa 26+7 keys and values transposed", o, {fuse, unfold, hfa}));
  o = Attention(4, 2, 10, 3);
  o.causal_mask = true;
  v.push_back(AttentionVariant("gqa 10+3 causal mask", o, {fuse}));
  v.push_back(AttentionVariant("mqa 10+3 folded", Attention(4, 1, 10, 3), {fuse, unfold, hfa}));
  o = Attention(4, 1, 10, 3);
  o.broadcast_kv = true;
  v.push_back(AttentionVariant("mqa 10+3 broadcast", o, {}));
  return v;
}

struct MoEForm {
  std::string name;
  std::function<void(host::MoEBlockOptions&)> set;
};

std::vector<Variant> MoEVariants() {
  using host::MoEActivation;
  const std::vector<MoEForm> forms = {
      {"gelu_tanh", [](host::MoEBlockOptions&) {}},
      {"swiglu", [](host::MoEBlockOptions& o) { o.activation = MoEActivation::kSwish; }},
      {"swiglu sigmoid first",
       [](host::MoEBlockOptions& o) { o.activation = MoEActivation::kSwishSigmoidFirst; }},
      {"gelu_erf", [](host::MoEBlockOptions& o) { o.activation = MoEActivation::kGeluErf; }},
      {"activation on second half",
       [](host::MoEBlockOptions& o) { o.activation_on_up_half = true; }},
      {"down scale", [](host::MoEBlockOptions& o) { o.down_scale = true; }},
      {"down bias", [](host::MoEBlockOptions& o) { o.down_bias = true; }},
      {"separate gate/up", [](host::MoEBlockOptions& o) { o.separate_gate_up = true; }},
      {"ungated gelu", [](host::MoEBlockOptions& o) { o.gated = false; }},
      {"ungated swish",
       [](host::MoEBlockOptions& o) {
         o.gated = false;
         o.activation = MoEActivation::kSwish;
       }},
      {"separate swiglu, bias and scale",
       [](host::MoEBlockOptions& o) {
         o.separate_gate_up = true;
         o.activation = MoEActivation::kSwishSigmoidFirst;
         o.down_bias = true;
         o.down_scale = true;
       }},
      {"erf on second half, scaled",
       [](host::MoEBlockOptions& o) {
         o.activation = MoEActivation::kGeluErf;
         o.activation_on_up_half = true;
         o.down_scale = true;
       }},
  };
  // Every form on 1 and 8 tokens, with 4, 8 and 16 experts, top-1, -2 and -4, i4 and u4 weights.
  std::vector<Variant> v;
  uint32_t seed = 0;
  for (const MoEForm& form : forms) {
    for (int32_t tokens : {1, 8}) {
      for (int32_t experts : {4, 8, 16}) {
        for (int32_t top_k : {1, 2, 4}) {
          for (ZorvelElementType type : {kZorvelElementTypeInt4, kZorvelElementTypeUInt4}) {
            host::MoEBlockOptions o;
            o.experts = experts;
            o.top_k = top_k;
            o.weight_type = type;
            o.tokens = tokens;
            o.seed = ++seed;
            form.set(o);
            const std::string name = "moe " + form.name + ", " + std::to_string(experts) +
                                     " experts top-" + std::to_string(top_k) +
                                     (type == kZorvelElementTypeInt4 ? " i4, " : " u4, ") +
                                     std::to_string(tokens) + (tokens == 1 ? " token" : " tokens");
            v.push_back({name,
                         [o](host::HostModel& model) { host::AddMoESubgraph(model, o); },
                         {tokens == 1 ? "MoEGather" : "MoEChunk"}});
          }
        }
      }
    }
  }
  return v;
}

class NpuVariantMatrixTest : public ::testing::Test {
 protected:
  // The front end's model of the variant's one subgraph.
  std::shared_ptr<ov::Model> Translate(const Variant& variant) {
    host_ = std::make_unique<host::HostModel>();
    variant.build(*host_);
    subgraph_ = Subgraph(api_.table(), api_.Handle(host_->subgraph(0)));
    std::shared_ptr<ov::frontend::tensorflow_lite::GraphIterator> iterator =
        std::make_shared<GraphIteratorDelegate>(api_.table(), &subgraph_, "NPU");
    ov::frontend::tensorflow_lite::FrontEnd front_end;
    return front_end.convert(front_end.load(ov::Any(iterator)));
  }

  host::HostApi api_;
  std::unique_ptr<host::HostModel> host_;
  Subgraph subgraph_;
};

TEST_F(NpuVariantMatrixTest, EveryRewriteIsExactOrDeclines) {
  std::vector<Variant> variants = AttentionVariants();
  for (Variant& variant : MoEVariants()) variants.push_back(std::move(variant));
  std::map<std::string, std::pair<int, int>> counts;  // rewrite -> (applied, declined)
  int wrong = 0;
  int failed = 0;
  for (const Variant& variant : variants) {
    SCOPED_TRACE(variant.name);
    const std::shared_ptr<ov::Model> dense = Translate(variant);
    ASSERT_NE(dense, nullptr);
    const std::shared_ptr<ov::Model> optimized = dense->clone();
    CompileConfig config;
    config.device = "NPU";
    config.fuse_split_attention_to_sdpa = true;
    config.unfold_gqa_sequence_fold = true;
    config.enable_hfa = true;
    config.enable_moe_gather = true;
    config.optimize_fq_after_matmul = true;
    config.split_shared_constants = true;
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityDebug);
    ::testing::internal::CaptureStderr();
    bool compiled = false;
    std::string error;
    try {
      OptimizeForNpu(config, optimized);
      optimized->validate_nodes_and_infer_types();
      ov::Core core;
      core.compile_model(optimized, "NPU", config.properties);
      compiled = true;
    } catch (const std::exception& e) {
      error = e.what();
    }
    const std::string log = ::testing::internal::GetCapturedStderr();
    ZorvelSetMinLoggerSeverity(ZorvelGetDefaultLogger(), kZorvelLogSeverityInfo);
    if (!compiled) {
      ++failed;
      ADD_FAILURE() << "the rewritten model did not compile: " << error << "\n" << log;
      continue;
    }
    for (const Rewrite& rewrite : Rewrites()) {
      const bool applied = Applied(rewrite, log);
      if (applied) ++counts[rewrite.name].first;
      if (Declined(rewrite, log)) ++counts[rewrite.name].second;
      if (variant.must_apply.count(rewrite.name) != 0) {
        EXPECT_TRUE(applied) << rewrite.name << " did not apply:\n" << log;
      }
    }
    for (uint64_t seed = 1; seed <= 2; ++seed) {
      const auto report =
          ov::test::utils::compare_model_outputs(optimized, dense, 1e-5f, 1e-4f, seed);
      if (!report.valid) {
        ++wrong;
        ADD_FAILURE() << "seed " << seed << ": " << report.message << "\n" << log;
        break;
      }
    }
  }
  std::printf("variant matrix: %zu variants, %d wrong, %d failed compiles\n", variants.size(),
              wrong, failed);
  for (const Rewrite& rewrite : Rewrites()) {
    std::printf("  %-26s applied %3d, declined %3d\n", rewrite.name, counts[rewrite.name].first,
                counts[rewrite.name].second);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace zorvel::openvino
