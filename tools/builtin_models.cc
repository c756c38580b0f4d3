#include "tools/builtin_models.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zorvel::tools {

using host::BufferId;
using host::HostModel;
using host::HostSubgraph;
using host::Quantization;
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
  const TensorId conv =
      sg.AddOp(kZorvelOpCodeConv2d, {image, filter, bias}, "conv", f32({1, 8, 8, 4}));
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

  const TensorId k_computed = sg.AddOp(kZorvelOpCodeArgMax, {values, k}, "k_computed", i32({1}));
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
constexpr int32_t kHidden = 32;
constexpr int32_t kHeads = 4;
constexpr int32_t kKvHeads = 2;
constexpr int32_t kGroup = kHeads / kKvHeads;
constexpr int32_t kHeadDim = 8;
constexpr int32_t kPrefill = 16;
constexpr int32_t kExperts = 4;
constexpr int32_t kExpertWidth = 32;

TensorType F32(std::vector<int32_t> dims) {
  return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
}

// Deterministic weights in [-scale, scale).
std::vector<float> Values(size_t n, uint32_t seed, float scale) {
  std::vector<float> v(n);
  uint32_t state = seed * 2654435761u + 12345u;
  for (float& x : v) {
    state = state * 1664525u + 1013904223u;
    x = scale * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
  }
  return v;
}

std::vector<uint8_t> Bytes(const std::vector<float>& values) {
  std::vector<uint8_t> bytes(values.size() * sizeof(float));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// A [rows, cols] matrix as packed signed 4-bit values (element 0 in the low bits) with one scale
// per row.
struct PackedInt4 {
  std::vector<uint8_t> bytes;
  std::vector<float> scales;
};
PackedInt4 PackInt4(int32_t rows, int32_t cols, uint32_t seed) {
  PackedInt4 packed;
  const std::vector<float> v = Values(static_cast<size_t>(rows) * cols, seed, 1.0f);
  packed.bytes.assign((v.size() + 1) / 2, 0);
  for (size_t i = 0; i < v.size(); ++i) {
    const int q = std::max(-8, std::min(7, static_cast<int>(std::lround(v[i] * 7.5f))));
    packed.bytes[i / 2] |= static_cast<uint8_t>((q & 0xf) << (i % 2 == 0 ? 0 : 4));
  }
  for (int32_t r = 0; r < rows; ++r) packed.scales.push_back(0.02f + 0.002f * (r % 5));
  return packed;
}

// Weight buffers registered once in the model; both subgraphs read them by id.
struct LayerWeights {
  BufferId attn_norm, wq, wk, wv, wo, moe_norm, router;
  BufferId expert_up[kExperts], expert_down[kExperts], expert_gate[kExperts];
  std::vector<float> up_scales[kExperts], down_scales[kExperts];
};
struct ExampleWeights {
  BufferId embedding, final_norm, lm_head;
  std::vector<LayerWeights> layers;
};

ExampleWeights RegisterWeights(HostModel& model, int layers) {
  ExampleWeights all;
  uint32_t seed = 1;
  auto add = [&](size_t n, float scale) {
    return model.AddBuffer(Bytes(Values(n, seed++, scale)));
  };
  all.embedding = add(kVocab * kHidden, 1.0f);
  for (int layer = 0; layer < layers; ++layer) {
    LayerWeights& w = all.layers.emplace_back();
    w.attn_norm = model.AddBuffer(Bytes(std::vector<float>(kHidden, 1.0f)));
    w.wq = add(kHidden * kHidden, 0.3f);
    w.wk = add(kKvHeads * kHeadDim * kHidden, 0.3f);
    w.wv = add(kKvHeads * kHeadDim * kHidden, 0.3f);
    w.wo = add(kHidden * kHidden, 0.3f);
    w.moe_norm = add(kHidden, 1.0f);
    w.router = add(kExperts * kHidden, 0.5f);
    for (int32_t e = 0; e < kExperts; ++e) {
      PackedInt4 up = PackInt4(kExpertWidth, kHidden, seed++);
      PackedInt4 down = PackInt4(kHidden, kExpertWidth, seed++);
      w.expert_up[e] = model.AddBuffer(std::move(up.bytes));
      w.up_scales[e] = std::move(up.scales);
      w.expert_down[e] = model.AddBuffer(std::move(down.bytes));
      w.down_scales[e] = std::move(down.scales);
      std::vector<float> one_hot(kExperts, 0.0f);
      one_hot[e] = 1.0f;
      w.expert_gate[e] = model.AddBuffer(Bytes(one_hot));
    }
  }
  all.final_norm = add(kHidden, 1.0f);
  all.lm_head = add(kVocab * kHidden, 0.3f);
  return all;
}

// One subgraph of the example; `decode` selects the one-token form over a KV cache.
class ExampleBuilder {
 public:
  ExampleBuilder(HostSubgraph& sg, const ExampleWeights& w, bool decode)
      : sg_(sg), w_(w), decode_(decode), s_(decode ? 1 : kPrefill) {}

  void Build() {
    const TensorId tokens = sg_.AddInput(decode_ ? "token" : "tokens",
                                         TensorType::Ranked(kZorvelElementTypeInt32, {1, s_}));
    std::vector<TensorId> past_k;
    std::vector<TensorId> past_v;
    for (size_t l = 0; decode_ && l < w_.layers.size(); ++l) {
      prefix_ = LayerPrefix(l);
      past_k.push_back(sg_.AddInput(N("kv_cache_k"), F32({1, kKvHeads, kPrefill, kHeadDim})));
      past_v.push_back(sg_.AddInput(N("kv_cache_v"), F32({1, kKvHeads, kPrefill, kHeadDim})));
    }
    prefix_.clear();
    const TensorId attention_mask =
        decode_ ? sg_.AddInput("attention_mask", F32({1, 1, 1, kPrefill + 1})) : 0;
    const TensorId table = Weight("embedding", {kVocab, kHidden}, w_.embedding);
    TensorId y = sg_.AddTensor("embedded", F32({1, s_, kHidden}));
    sg_.AddOp(kZorvelOpCodeGather, {table, tokens}, {y}).SetOption(106, 0).SetOption(107, 0);

    for (size_t l = 0; l < w_.layers.size(); ++l) {
      prefix_ = LayerPrefix(l);
      lw_ = &w_.layers[l];
      const TensorId h =
          Attention(y, decode_ ? past_k[l] : 0, decode_ ? past_v[l] : 0, attention_mask);
      y = Moe(h);
    }
    prefix_.clear();
    const TensorId normed = RmsNorm("final_norm", y, w_.final_norm);
    // The host keeps this one: the plug-in does not take SQUEEZE.
    const TensorId rows = sg_.AddOp(kZorvelOpCodeSqueeze, {normed}, "rows", F32({s_, kHidden}));
    const TensorId head = Weight("lm_head", {kVocab, kHidden}, w_.lm_head);
    sg_.AddOutput(FullyConnected("logits", rows, head, {s_, kVocab}, false));
  }

 private:
  std::string LayerPrefix(size_t l) const {
    return w_.layers.size() == 1 ? std::string() : "layer" + std::to_string(l) + "/";
  }
  // A tensor name within the current layer.
  std::string N(const std::string& name) const { return prefix_ + name; }

  TensorId Weight(const std::string& name, std::vector<int32_t> dims, BufferId buffer,
                  Quantization q = {}, ZorvelElementType type = kZorvelElementTypeFloat32) {
    return sg_.AddConstant(N(name), TensorType::Ranked(type, std::move(dims)), buffer,
                           std::move(q));
  }
  TensorId Shape(const std::string& name, std::vector<int32_t> dims) {
    return sg_.AddConstant<int32_t>(N(name), {static_cast<int32_t>(dims.size())}, dims);
  }
  TensorId Reshape(const std::string& name, TensorId x, std::vector<int32_t> dims) {
    return sg_.AddOp(kZorvelOpCodeReshape, {x, Shape(name + "/shape", dims)}, N(name), F32(dims));
  }
  TensorId Transpose(const std::string& name, TensorId x, std::vector<int32_t> perm,
                     std::vector<int32_t> dims) {
    return sg_.AddOp(kZorvelOpCodeTranspose, {x, Shape(name + "/perm", perm)}, N(name), F32(dims));
  }
  TensorId FullyConnected(const std::string& name, TensorId x, TensorId w,
                          std::vector<int32_t> dims, bool keep_num_dims = true) {
    const TensorId out = sg_.AddTensor(N(name), F32(std::move(dims)));
    sg_.AddOp(kZorvelOpCodeFullyConnected, {x, w}, {out})
        .SetOption(66, 0u)
        .SetOption(67, 0u)
        .SetOption(68, keep_num_dims);
    return out;
  }
  TensorId MatMul(const std::string& name, TensorId a, TensorId b, bool adj_y,
                  std::vector<int32_t> dims) {
    const TensorId out = sg_.AddTensor(N(name), F32(std::move(dims)));
    sg_.AddOp(kZorvelOpCodeBatchMatmul, {a, b}, {out}).SetOption(81, false).SetOption(82, adj_y);
    return out;
  }
  TensorId Binary(ZorvelOpCode code, const std::string& name, TensorId a, TensorId b,
                  std::vector<int32_t> dims) {
    return sg_.AddOp(code, {a, b}, N(name), F32(std::move(dims)));
  }
  TensorId RmsNorm(const std::string& name, TensorId x, BufferId gamma) {
    const TensorId out = sg_.AddTensor(N(name), F32({1, s_, kHidden}));
    sg_.AddComposite("qvex.rms_norm", {x, Weight(name + "/gamma", {kHidden}, gamma)}, {out});
    return out;
  }
  TensorId Softmax(const std::string& name, TensorId x, std::vector<int32_t> dims) {
    const TensorId out = sg_.AddTensor(N(name), F32(std::move(dims)));
    sg_.AddOp(kZorvelOpCodeSoftmax, {x}, {out}).SetOption(71, 1.0f);
    return out;
  }
  // x[..., begin:end] of a 4-D tensor of shape `dims`.
  TensorId SliceLastAxis(const std::string& name, TensorId x, int32_t begin, int32_t end,
                         std::vector<int32_t> dims) {
    std::vector<int32_t> from = {0, 0, 0, begin};
    std::vector<int32_t> to = {dims[0], dims[1], dims[2], end};
    dims[3] = end - begin;
    const TensorId out = sg_.AddTensor(N(name), F32(dims));
    sg_.AddOp(kZorvelOpCodeStridedSlice,
              {x, Shape(name + "/begin", from), Shape(name + "/end", to),
               Shape(name + "/strides", {1, 1, 1, 1})},
              {out});
    return out;
  }
  TensorId Concat(const std::string& name, TensorId a, TensorId b, int32_t axis,
                  std::vector<int32_t> dims) {
    const TensorId out = sg_.AddTensor(N(name), F32(std::move(dims)));
    sg_.AddOp(kZorvelOpCodeConcatenation, {a, b}, {out}).SetOption(72, axis);
    return out;
  }

  // [1,S,H*D] -> [1,H,S,D], named `out_name`.
  TensorId SplitHeads(const std::string& name, TensorId x, int32_t heads,
                      const std::string& out_name) {
    const TensorId r = Reshape(name + "/heads", x, {1, s_, heads, kHeadDim});
    return Transpose(out_name, r, {0, 2, 1, 3}, {1, heads, s_, kHeadDim});
  }

  TensorId Attention(TensorId x, TensorId past_k, TensorId past_v, TensorId mask) {
    const TensorId xn = RmsNorm("attn_norm", x, lw_->attn_norm);
    const int32_t kv_width = kKvHeads * kHeadDim;
    const TensorId q =
        FullyConnected("q", xn, Weight("wq", {kHidden, kHidden}, lw_->wq), {1, s_, kHidden});
    const TensorId k =
        FullyConnected("k", xn, Weight("wk", {kv_width, kHidden}, lw_->wk), {1, s_, kv_width});
    const TensorId v =
        FullyConnected("v", xn, Weight("wv", {kv_width, kHidden}, lw_->wv), {1, s_, kv_width});
    const TensorId qh = SplitHeads("q", q, kHeads, "q/bhsd");
    // Grouped-query attention with the query heads of each KV head folded into the sequence:
    // [1,H,S,D] -> [1,Hkv,G*S,D], so the scores are one matrix product against each KV head.
    const TensorId scale = sg_.AddConstant<float>(N("q/scale"), {}, {1.0f / std::sqrt(8.0f)});
    const TensorId q_scaled =
        Binary(kZorvelOpCodeMul, "q/scaled", qh, scale, {1, kHeads, s_, kHeadDim});
    const TensorId qs = Reshape("q/folded", q_scaled, {1, kKvHeads, kGroup * s_, kHeadDim});
    // Prefill returns the whole cache, decode the row to append to it.
    const TensorId kh = SplitHeads("k", k, kKvHeads, decode_ ? "new_k" : "kv_cache_k");
    const TensorId vh = SplitHeads("v", v, kKvHeads, decode_ ? "new_v" : "kv_cache_v");
    sg_.AddOutput(kh);
    sg_.AddOutput(vh);
    const int32_t rows = kGroup * s_;

    TensorId context;
    if (!decode_) {
      const TensorId scores = MatMul("scores", qs, kh, true, {1, kKvHeads, rows, s_});
      // Causal mask per folded row: row g*S+i sees keys 0..i.
      std::vector<float> mask(static_cast<size_t>(rows) * s_);
      for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < s_; ++c) mask[r * s_ + c] = c <= r % s_ ? 0.0f : -1e9f;
      }
      const TensorId causal = sg_.AddConstant<float>(N("causal_mask"), {rows, s_}, mask);
      const TensorId masked =
          Binary(kZorvelOpCodeAdd, "scores/masked", scores, causal, {1, kKvHeads, rows, s_});
      const TensorId probs = Softmax("probs", masked, {1, kKvHeads, rows, s_});
      context = MatMul("context", probs, vh, false, {1, kKvHeads, rows, kHeadDim});
    } else {
      // Split attention: scores against the cache and against the new key, joined for one masked
      // softmax, then split again for the two value products, which are summed.
      const int32_t total = kPrefill + 1;
      const TensorId cache_scores =
          MatMul("scores/cache", qs, past_k, true, {1, kKvHeads, rows, kPrefill});
      const TensorId new_scores = MatMul("scores/new", qs, kh, true, {1, kKvHeads, rows, 1});
      const TensorId scores =
          Concat("scores", cache_scores, new_scores, 3, {1, kKvHeads, rows, total});
      // The host's mask over the cache and the new token, the same for every query head: tiled
      // once per head of a group along the folded rows.
      const TensorId tiled =
          Concat("attention_mask/tiled", mask, mask, 2, {1, 1, kGroup * s_, total});
      const TensorId masked =
          Binary(kZorvelOpCodeAdd, "scores/masked", scores, tiled, {1, kKvHeads, rows, total});
      const TensorId probs = Softmax("probs", masked, {1, kKvHeads, rows, total});
      const TensorId cache_probs =
          SliceLastAxis("probs/cache", probs, 0, kPrefill, {1, kKvHeads, rows, total});
      const TensorId new_probs =
          SliceLastAxis("probs/new", probs, kPrefill, total, {1, kKvHeads, rows, total});
      const TensorId cache_context =
          MatMul("context/cache", cache_probs, past_v, false, {1, kKvHeads, rows, kHeadDim});
      const TensorId new_context =
          MatMul("context/new", new_probs, vh, false, {1, kKvHeads, rows, kHeadDim});
      context = Binary(kZorvelOpCodeAdd, "context", cache_context, new_context,
                       {1, kKvHeads, rows, kHeadDim});
    }
    const TensorId unfolded = Reshape("context/heads", context, {1, kHeads, s_, kHeadDim});
    const TensorId bshd =
        Transpose("context/bshd", unfolded, {0, 2, 1, 3}, {1, s_, kHeads, kHeadDim});
    const TensorId merged = Reshape("context/merged", bshd, {1, s_, kHidden});
    const TensorId out = FullyConnected(
        "attn_out", merged, Weight("wo", {kHidden, kHidden}, lw_->wo), {1, s_, kHidden});
    return Binary(kZorvelOpCodeAdd, "attn_residual", x, out, {1, s_, kHidden});
  }

  TensorId Moe(TensorId h) {
    const TensorId hn = RmsNorm("moe_norm", h, lw_->moe_norm);
    const TensorId logits = FullyConnected(
        "router", hn, Weight("router", {kExperts, kHidden}, lw_->router), {1, s_, kExperts});
    const TensorId probs = Softmax("router/probs", logits, {1, s_, kExperts});
    TensorId sum = 0;
    for (int32_t e = 0; e < kExperts; ++e) {
      const std::string p = "expert" + std::to_string(e);
      const TensorId up_w =
          Weight(p + "/up", {kExpertWidth, kHidden}, lw_->expert_up[e],
                 Quantization::PerChannel(0, lw_->up_scales[e], std::vector<int64_t>(kExpertWidth)),
                 kZorvelElementTypeInt4);
      const TensorId up = FullyConnected(p + "/up_out", hn, up_w, {1, s_, kExpertWidth});
      const TensorId gate =
          sg_.AddOp(kZorvelOpCodeLogistic, {up}, N(p + "/sigmoid"), F32({1, s_, kExpertWidth}));
      const TensorId act = Binary(kZorvelOpCodeMul, p + "/silu", up, gate, {1, s_, kExpertWidth});
      const TensorId down_w =
          Weight(p + "/down", {kHidden, kExpertWidth}, lw_->expert_down[e],
                 Quantization::PerChannel(0, lw_->down_scales[e], std::vector<int64_t>(kHidden)),
                 kZorvelElementTypeInt4);
      const TensorId down = FullyConnected(p + "/down_out", act, down_w, {1, s_, kHidden});
      const TensorId weight =
          FullyConnected(p + "/weight", probs,
                         Weight(p + "/select", {1, kExperts}, lw_->expert_gate[e]), {1, s_, 1});
      const TensorId weighted =
          Binary(kZorvelOpCodeMul, p + "/weighted", down, weight, {1, s_, kHidden});
      sum =
          e == 0 ? weighted : Binary(kZorvelOpCodeAdd, p + "/sum", sum, weighted, {1, s_, kHidden});
    }
    return Binary(kZorvelOpCodeAdd, "moe_residual", h, sum, {1, s_, kHidden});
  }

  HostSubgraph& sg_;
  const ExampleWeights& w_;
  const LayerWeights* lw_ = nullptr;
  std::string prefix_;
  const bool decode_;
  const int32_t s_;
};

}  // namespace

std::unique_ptr<HostModel> BuildExampleLanguageModel(int layers) {
  auto model = std::make_unique<HostModel>();
  const ExampleWeights weights = RegisterWeights(*model, std::max(1, layers));
  ExampleBuilder(model->AddSubgraph(), weights, /*decode=*/false).Build();
  ExampleBuilder(model->AddSubgraph(), weights, /*decode=*/true).Build();
  return model;
}

std::unique_ptr<HostModel> BuildBuiltinModel(const std::string& name) {
  if (name == kExampleModelName) return BuildExampleLanguageModel();
  if (name == "small") return BuildSmallPartitionModel();
  return nullptr;
}

std::vector<std::string> BuiltinModelNames() { return {kExampleModelName, "small"}; }

}  // namespace zorvel::tools
