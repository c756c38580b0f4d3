#include "tools/builtin_models.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "zorvel/host/attention_block.h"
#include "zorvel/host/moe_block.h"
#include "zorvel/host/shared_weights.h"

namespace zorvel::tools {

using host::HostModel;
using host::HostSubgraph;
using host::TensorId;
using host::TensorType;

std::unique_ptr<HostModel> BuildSmallPartitionModel() {
  auto model = std::make_unique<HostModel>();
  HostSubgraph& sg = model->AddSubgraph();
  const auto f32 = [](std::vector<int32_t> dims) {
    return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
  };
  const auto i32 = [](std::vector<int32_t> dims) {
    return TensorType::Ranked(kZorvelElementTypeInt32, std::move(dims));
  };

  const TensorId image = sg.AddInput("image", f32({1, 8, 8, 3}));
  const TensorId filter =
      sg.AddConstant<float>("conv/filter", {4, 3, 3, 3}, std::vector<float>(4 * 3 * 3 * 3, 0.1f));
  const TensorId bias = sg.AddConstant<float>("conv/bias", {4}, {0.f, 0.1f, 0.2f, 0.3f});
  const TensorId conv = sg.AddTensor("conv", f32({1, 8, 8, 4}));
  sg.AddOp(kZorvelOpCodeConv2d, {image, filter, bias}, {conv})
      .SetOption(46, 0u)  // SAME padding
      .SetOption(47, 1)   // stride_w
      .SetOption(48, 1)   // stride_h
      .SetOption(49, 0u)  // no fused activation
      .SetOption(50, 1)   // dilation_w_factor
      .SetOption(51, 1);  // dilation_h_factor
  const TensorId relu = sg.AddOp(kZorvelOpCodeRelu, {conv}, "relu", f32({1, 8, 8, 4}));
  const TensorId floor = sg.AddOp(kZorvelOpCodeFloor, {relu}, "floor", f32({1, 8, 8, 4}));
  const TensorId shape = sg.AddConstant<int32_t>("flat/shape", {2}, {1, 256});
  const TensorId flat = sg.AddOp(kZorvelOpCodeReshape, {floor, shape}, "flat", f32({1, 256}));
  const TensorId gamma = sg.AddConstant<float>("norm/gamma", {256}, std::vector<float>(256, 1.f));
  const TensorId norm = sg.AddTensor("norm", f32({1, 256}));
  sg.AddComposite("qvex.rms_norm", {flat, gamma}, {norm});
  const TensorId other = sg.AddTensor("other", f32({1, 256}));
  sg.AddComposite("qvex.layer_norm", {norm}, {other});

  const TensorId k = sg.AddConstant<int32_t>("topk/k", {}, {3});
  const TensorId values = sg.AddTensor("topk/values", f32({1, 3}));
  const TensorId indices = sg.AddTensor("topk/indices", i32({1, 3}));
  sg.AddOp(kZorvelOpCodeTopkV2, {other, k}, {values, indices});

  // K computed from the data: the position of the largest of the three values (a scalar, as
  // TOPK_V2 takes it), which the plug-in leaves the second TOPK_V2 to the host for.
  const TensorId row =
      sg.AddOp(kZorvelOpCodeReshape, {values, sg.AddConstant<int32_t>("row/shape", {1}, {3})},
               "row", f32({3}));
  const TensorId axis = sg.AddConstant<int32_t>("k_computed/axis", {}, {0});
  const TensorId k_computed = sg.AddOp(kZorvelOpCodeArgMax, {row, axis}, "k_computed", i32({}));
  const TensorId values2 = sg.AddTensor("topk2/values", f32({1, 3}));
  const TensorId indices2 = sg.AddTensor("topk2/indices", i32({1, 3}));
  sg.AddOp(kZorvelOpCodeTopkV2, {other, k_computed}, {values2, indices2});

  sg.AddOutput(values);
  sg.AddOutput(indices);
  sg.AddOutput(values2);
  return model;
}

namespace {

constexpr int32_t kVocab = 64;
constexpr int32_t kHeads = 4;
constexpr int32_t kKvHeads = 2;
constexpr int32_t kHeadDim = 8;
constexpr int32_t kHidden = kHeads * kHeadDim;
// Positions the attention sees in either step: prefill writes kPrefill tokens after as many
// cached ones, decode one token after kContext - 1.
constexpr int32_t kContext = 32;
constexpr int32_t kPrefill = 16;
constexpr int32_t kExperts = 4;
constexpr int32_t kTopK = 2;
constexpr int32_t kExpertWidth = 16;

TensorType F32(std::vector<int32_t> dims) {
  return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
}

// Deterministic values in [offset - scale, offset + scale).
std::vector<float> Values(size_t n, uint32_t seed, float scale, float offset = 0.0f) {
  std::vector<float> v(n);
  uint32_t state = seed * 2654435761u + 12345u;
  for (float& x : v) {
    state = state * 1664525u + 1013904223u;
    x = offset + scale * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
  }
  return v;
}

// One subgraph of the example; `decode` selects the one-token step. Every constant goes through
// `shared`, so the two steps read the same weight buffers.
class ExampleBuilder {
 public:
  ExampleBuilder(HostSubgraph& sg, host::SharedWeights& shared, int layers, bool decode)
      : sg_(sg), shared_(shared), layers_(layers), s_(decode ? 1 : kPrefill) {}

  void Build() {
    const bool decode = s_ == 1;
    const TensorId tokens = sg_.AddInput(decode ? "token" : "tokens",
                                         TensorType::Ranked(kZorvelElementTypeInt32, {1, s_}));
    const TensorId table =
        Constant<float>("embedding", {kVocab, kHidden}, Values(kVocab * kHidden, 1, 1.0f));
    TensorId x = sg_.AddTensor("embedded", F32({1, s_, kHidden}));
    sg_.AddOp(kZorvelOpCodeGather, {table, tokens}, {x}).SetOption(106, 0).SetOption(107, 0);

    for (int l = 0; l < layers_; ++l) {
      const std::string layer = "layer" + std::to_string(l) + "/";
      const auto seed = static_cast<uint32_t>(l);
      const TensorId xn = RmsNorm(layer + "attn_norm", x, {1, s_, kHidden}, 10 + seed);
      host::AttentionBlockOptions attention;
      attention.heads = kHeads;
      attention.kv_heads = kKvHeads;
      attention.head_size = kHeadDim;
      attention.new_tokens = s_;
      attention.cache_length = kContext - s_;
      attention.seed = 100 + seed;
      attention.name = layer + "attn";
      attention.output_result = false;
      attention.shared_weights = &shared_;
      const host::AttentionBlock block = host::AddFoldedGqaAttentionBlock(sg_, attention, xn);
      const TensorId h = sg_.AddOp(kZorvelOpCodeAdd, {x, block.output}, layer + "attn_residual",
                                   F32({1, s_, kHidden}));
      const TensorId rows = Reshape(layer + "moe_rows", h, {s_, kHidden});
      const TensorId hn = RmsNorm(layer + "moe_norm", rows, {s_, kHidden}, 20 + seed);
      host::MoEBlockOptions moe;
      moe.experts = kExperts;
      moe.top_k = kTopK;
      moe.hidden = kHidden;
      moe.intermediate = kExpertWidth;
      moe.tokens = s_;
      moe.seed = 200 + seed;
      moe.prefix = layer + "moe";
      moe.shared_weights = &shared_;
      const TensorId experts = host::AddMoEBlock(sg_, hn, moe);
      const TensorId y =
          sg_.AddOp(kZorvelOpCodeAdd, {rows, experts}, layer + "moe_residual", F32({s_, kHidden}));
      x = Reshape(layer + "output", y, {1, s_, kHidden});
    }
    const TensorId normed = RmsNorm("final_norm", x, {1, s_, kHidden}, 30);
    // The host keeps this one: the plug-in does not take SQUEEZE.
    const TensorId rows = sg_.AddOp(kZorvelOpCodeSqueeze, {normed}, "rows", F32({s_, kHidden}));
    const TensorId head =
        Constant<float>("lm_head", {kVocab, kHidden}, Values(kVocab * kHidden, 2, 0.3f));
    const TensorId logits = sg_.AddTensor("logits", F32({s_, kVocab}));
    sg_.AddOp(kZorvelOpCodeFullyConnected, {rows, head}, {logits})
        .SetOption(66, 0u)
        .SetOption(67, 0u)
        .SetOption(68, false);
    sg_.AddOutput(logits);
  }

 private:
  template <typename T>
  TensorId Constant(const std::string& name, std::vector<int32_t> dims,
                    const std::vector<T>& values) {
    return host::AddWeightConstant<T>(sg_, &shared_, name, std::move(dims), values);
  }
  TensorId Reshape(const std::string& name, TensorId x, const std::vector<int32_t>& dims) {
    const TensorId shape =
        Constant<int32_t>(name + "/shape", {static_cast<int32_t>(dims.size())}, dims);
    const TensorId y = sg_.AddTensor(name, F32(dims));
    sg_.AddOp(kZorvelOpCodeReshape, {x, shape}, {y}).SetOption(97, dims);
    return y;
  }
  TensorId RmsNorm(const std::string& name, TensorId x, std::vector<int32_t> dims, uint32_t seed) {
    const TensorId gamma =
        Constant<float>(name + "/gamma", {kHidden}, Values(kHidden, seed, 0.2f, 1.0f));
    const TensorId out = sg_.AddTensor(name, F32(std::move(dims)));
    sg_.AddComposite("qvex.rms_norm", {x, gamma}, {out});
    return out;
  }

  HostSubgraph& sg_;
  host::SharedWeights& shared_;
  const int layers_;
  const int32_t s_;
};

}  // namespace

std::unique_ptr<HostModel> BuildExampleLanguageModel(int layers) {
  auto model = std::make_unique<HostModel>();
  host::SharedWeights shared;
  ExampleBuilder(model->AddSubgraph(), shared, std::max(1, layers), /*decode=*/false).Build();
  ExampleBuilder(model->AddSubgraph(), shared, std::max(1, layers), /*decode=*/true).Build();
  return model;
}

namespace {

// Single-block models in forms the NPU rewrites take besides the example's.
std::unique_ptr<HostModel> BuildVariantModel(const std::string& name) {
  auto model = std::make_unique<HostModel>();
  if (name == "gqa-26+7") {  // folded GQA whose merged length 33 the fusion pads to 48
    host::AttentionBlockOptions o;
    o.heads = 8;
    o.kv_heads = 2;
    o.head_size = 8;
    o.cache_length = 26;
    o.new_tokens = 7;
    host::AddFoldedGqaAttentionBlock(model->AddSubgraph(), o);
    return model;
  }
  host::MoEBlockOptions o;
  o.activation = host::MoEActivation::kSwish;
  if (name == "moe-swiglu-1") {  // SwiGLU experts, separate gate and up, one token
    o.separate_gate_up = true;
  } else if (name == "moe-scaled-8") {  // activation on the second half, bias and scale, 8 tokens
    o.activation_on_up_half = true;
    o.down_bias = true;
    o.down_scale = true;
    o.tokens = 8;
    o.experts = 8;
  } else {
    return nullptr;
  }
  host::AddMoESubgraph(*model, o);
  return model;
}

}  // namespace

std::unique_ptr<HostModel> BuildBuiltinModel(const std::string& name) {
  if (name == kExampleModelName) return BuildExampleLanguageModel();
  if (name == "small") return BuildSmallPartitionModel();
  return BuildVariantModel(name);
}

std::vector<std::string> BuiltinModelNames() {
  return {kExampleModelName, "small", "gqa-26+7", "moe-swiglu-1", "moe-scaled-8"};
}

}  // namespace zorvel::tools
