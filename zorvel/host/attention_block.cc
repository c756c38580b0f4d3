#include "zorvel/host/attention_block.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorvel::host {

namespace {

constexpr int kConcatenationAxis = 72;
constexpr int kSoftmaxBeta = 71;
constexpr int kFullyConnectedActivation = 66;
constexpr int kFullyConnectedWeightsFormat = 67;
constexpr int kFullyConnectedKeepNumDims = 68;
constexpr int kBatchMatmulAdjX = 81;
constexpr int kBatchMatmulAdjY = 82;
constexpr int kReshapeNewShape = 97;

TensorType F32(std::vector<int32_t> dims) {
  return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
}

// splitmix64: a fixed, portable sequence for the seeded weights.
class WeightGenerator {
 public:
  explicit WeightGenerator(uint64_t seed) : state_(seed) {}
  // Uniform in [-limit, limit).
  float Next(float limit) {
    state_ += 0x9e3779b97f4a7c15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    const double unit = static_cast<double>(z >> 11) / 9007199254740992.0;  // [0, 1)
    return static_cast<float>((2.0 * unit - 1.0) * limit);
  }

 private:
  uint64_t state_;
};

class BlockBuilder {
 public:
  BlockBuilder(HostSubgraph& sg, const AttentionBlockOptions& options)
      : sg_(sg), o_(options), weights_(options.seed) {}

  std::string Name(const std::string& what) const { return o_.name + "_" + what; }

  template <typename T>
  TensorId Constant(const std::string& what, std::vector<int32_t> dims,
                    const std::vector<T>& values) {
    return AddWeightConstant<T>(sg_, o_.shared_weights, Name(what), std::move(dims), values);
  }

  TensorId Int32Constant(const std::string& what, const std::vector<int32_t>& values) {
    return Constant<int32_t>(what, {static_cast<int32_t>(values.size())}, values);
  }

  // x [1, S, in] -> [1, S, out] with seeded weights [out, in].
  TensorId Project(TensorId x, const std::string& what, int32_t in, int32_t out) {
    std::vector<float> w(static_cast<size_t>(in) * static_cast<size_t>(out));
    const float limit = 1.0f / std::sqrt(static_cast<float>(in));
    for (float& value : w) value = weights_.Next(limit);
    const TensorId weights = Constant<float>(what + "_weights", {out, in}, w);
    const TensorId y = sg_.AddTensor(Name(what), F32({1, o_.new_tokens, out}));
    sg_.AddOp(kZorvelOpCodeFullyConnected, {x, weights}, {y})
        .SetOption(kFullyConnectedActivation, 0u)
        .SetOption(kFullyConnectedWeightsFormat, 0u)
        .SetOption(kFullyConnectedKeepNumDims, true);
    return y;
  }

  TensorId Reshape(TensorId x, const std::string& what, const std::vector<int32_t>& dims) {
    const TensorId shape = Int32Constant(what + "_shape", dims);
    const TensorId y = sg_.AddTensor(Name(what), F32(dims));
    sg_.AddOp(kZorvelOpCodeReshape, {x, shape}, {y}).SetOption(kReshapeNewShape, dims);
    return y;
  }

  // Swaps axes 1 and 2 of a 4-D tensor.
  TensorId SwapAxes12(TensorId x, const std::string& what, const std::vector<int32_t>& out_dims) {
    const TensorId perm = Int32Constant(what + "_perm", {0, 2, 1, 3});
    return sg_.AddOp(kZorvelOpCodeTranspose, {x, perm}, Name(what), F32(out_dims));
  }

  // Swaps the last two axes of a 4-D tensor.
  TensorId SwapLastAxes(TensorId x, const std::string& what, const std::vector<int32_t>& out_dims) {
    const TensorId perm = Int32Constant(what + "_perm", {0, 1, 3, 2});
    return sg_.AddOp(kZorvelOpCodeTranspose, {x, perm}, Name(what), F32(out_dims));
  }

  // [1, S, heads * D] -> [1, heads, S, D].
  TensorId ToHeads(TensorId x, const std::string& what, int32_t heads) {
    const int32_t s = o_.new_tokens;
    const int32_t d = o_.head_size;
    const TensorId split = Reshape(x, what + "_split", {1, s, heads, d});
    return SwapAxes12(split, what + "_heads", {1, heads, s, d});
  }

  TensorId BatchMatmul(TensorId a, TensorId b, bool adj_y, const std::string& what,
                       std::vector<int32_t> dims) {
    const TensorId y = sg_.AddTensor(Name(what), F32(std::move(dims)));
    sg_.AddOp(kZorvelOpCodeBatchMatmul, {a, b}, {y})
        .SetOption(kBatchMatmulAdjX, false)
        .SetOption(kBatchMatmulAdjY, adj_y);
    return y;
  }

  TensorId Slice(TensorId x, const std::string& what, int32_t begin, int32_t size,
                 std::vector<int32_t> out_dims) {
    const TensorId b = Int32Constant(what + "_begin", {0, 0, 0, begin});
    const TensorId n = Int32Constant(what + "_size", {-1, -1, -1, size});
    return sg_.AddOp(kZorvelOpCodeSlice, {x, b, n}, Name(what), F32(std::move(out_dims)));
  }

  // Split attention of `q` [1, H, L, D] over the cache and the new keys/values [1, H, *, D].
  TensorId SplitAttention(TensorId q, TensorId k_cache, TensorId k_new, TensorId v_cache,
                          TensorId v_new, TensorId mask, int32_t heads, int32_t rows) {
    const int32_t c = o_.cache_length;
    const int32_t s = o_.new_tokens;
    const int32_t d = o_.head_size;
    const bool k_adj = !o_.keys_transposed;
    const TensorId cache_scores =
        BatchMatmul(q, k_cache, k_adj, "cache_scores", {1, heads, rows, c});
    const TensorId new_scores = BatchMatmul(q, k_new, k_adj, "new_scores", {1, heads, rows, s});
    const TensorId scores = sg_.AddTensor(Name("scores"), F32({1, heads, rows, c + s}));
    sg_.AddOp(kZorvelOpCodeConcatenation, {cache_scores, new_scores}, {scores})
        .SetOption(kConcatenationAxis, 3);
    const TensorId masked =
        sg_.AddOp(kZorvelOpCodeAdd, {scores, mask}, Name("masked"), F32({1, heads, rows, c + s}));
    const TensorId probs = sg_.AddTensor(Name("probs"), F32({1, heads, rows, c + s}));
    sg_.AddOp(kZorvelOpCodeSoftmax, {masked}, {probs}).SetOption(kSoftmaxBeta, 1.0f);
    const TensorId cache_probs = Slice(probs, "cache_probs", 0, c, {1, heads, rows, c});
    const TensorId new_probs = Slice(probs, "new_probs", c, s, {1, heads, rows, s});
    const bool v_adj = o_.values_transposed;
    const TensorId cache_out =
        BatchMatmul(cache_probs, v_cache, v_adj, "cache_values", {1, heads, rows, d});
    const TensorId new_out =
        BatchMatmul(new_probs, v_new, v_adj, "new_values", {1, heads, rows, d});
    return sg_.AddOp(kZorvelOpCodeAdd, {cache_out, new_out}, Name("context"),
                     F32({1, heads, rows, d}));
  }

  AttentionBlock Build(std::optional<TensorId> hidden) {
    const int32_t h = o_.heads;
    const int32_t hkv = o_.kv_heads;
    const int32_t d = o_.head_size;
    const int32_t c = o_.cache_length;
    const int32_t s = o_.new_tokens;
    const int32_t ratio = h / hkv;
    const int32_t width = h * d;
    AttentionBlock block;
    block.x = hidden.has_value() ? *hidden : sg_.AddInput(Name("x"), F32({1, s, width}));
    // Named as runtimes name their cache inputs, so the plug-in reports the cache extent.
    block.k_cache = sg_.AddInput(Name("kv_cache_k"),
                                 F32(o_.keys_transposed ? std::vector<int32_t>{1, hkv, d, c}
                                                        : std::vector<int32_t>{1, hkv, c, d}));
    block.v_cache = sg_.AddInput(Name("kv_cache_v"),
                                 F32(o_.values_transposed ? std::vector<int32_t>{1, hkv, d, c}
                                                          : std::vector<int32_t>{1, hkv, c, d}));
    if (o_.causal_mask) {
      // New token i sees the cache and the new tokens up to itself.
      std::vector<float> mask(static_cast<size_t>(s) * static_cast<size_t>(c + s), 0.0f);
      for (int32_t i = 0; i < s; ++i) {
        for (int32_t j = c + i + 1; j < c + s; ++j) {
          mask[static_cast<size_t>(i) * static_cast<size_t>(c + s) + static_cast<size_t>(j)] =
              -10000.0f;
        }
      }
      block.mask = Constant<float>("causal_mask", {1, 1, s, c + s}, mask);
    } else {
      block.mask = sg_.AddInput(Name("mask"), F32({1, 1, s, c + s}));
    }

    // The query carries the 1/sqrt(D) score scale, so the attention itself is unscaled.
    const TensorId q_proj = Project(block.x, "q_proj", width, width);
    const TensorId scale =
        Constant<float>("q_scale", {}, {1.0f / std::sqrt(static_cast<float>(d))});
    const TensorId q_scaled =
        sg_.AddOp(kZorvelOpCodeMul, {q_proj, scale}, Name("q_scaled"), F32({1, s, width}));
    const TensorId q = ToHeads(q_scaled, "q", h);
    block.k_new = ToHeads(Project(block.x, "k_proj", width, hkv * d), "k", hkv);
    block.v_new = ToHeads(Project(block.x, "v_proj", width, hkv * d), "v", hkv);
    if (o_.keys_transposed) block.k_new = SwapLastAxes(block.k_new, "k_stored", {1, hkv, d, s});
    if (o_.values_transposed) block.v_new = SwapLastAxes(block.v_new, "v_stored", {1, hkv, d, s});

    TensorId context;
    if (ratio == 1 || o_.broadcast_kv) {
      context = SplitAttention(q, block.k_cache, block.k_new, block.v_cache, block.v_new,
                               block.mask, h, s);
    } else {
      const TensorId folded_q = Reshape(q, "q_folded", {1, hkv, ratio * s, d});
      const TensorId tiled_mask = sg_.AddTensor(Name("mask_tiled"), F32({1, 1, ratio * s, c + s}));
      sg_.AddOp(kZorvelOpCodeConcatenation, std::vector<TensorId>(ratio, block.mask), {tiled_mask})
          .SetOption(kConcatenationAxis, 2);
      const TensorId folded = SplitAttention(folded_q, block.k_cache, block.k_new, block.v_cache,
                                             block.v_new, tiled_mask, hkv, ratio * s);
      context = Reshape(folded, "context_unfolded", {1, h, s, d});
    }
    const TensorId merged_heads = SwapAxes12(context, "context_tokens", {1, s, h, d});
    const TensorId merged = Reshape(merged_heads, "context_merged", {1, s, width});
    block.output = Project(merged, "out_proj", width, width);
    if (o_.output_result) sg_.AddOutput(block.output);
    if (o_.output_new_kv) {
      sg_.AddOutput(block.k_new);
      sg_.AddOutput(block.v_new);
    }
    return block;
  }

 private:
  HostSubgraph& sg_;
  const AttentionBlockOptions& o_;
  WeightGenerator weights_;
};

void CheckSizes(const AttentionBlockOptions& o) {
  if (o.heads <= 0 || o.kv_heads <= 0 || o.head_size <= 0 || o.cache_length <= 0 ||
      o.new_tokens <= 0) {
    throw std::invalid_argument(
        "attention block: heads, kv_heads, head_size, cache_length and "
        "new_tokens must all be positive");
  }
  // Keeps every dimension, and every element count of one tensor, well inside int32.
  const int64_t widest = static_cast<int64_t>(o.heads) * o.head_size *
                         (static_cast<int64_t>(o.cache_length) + o.new_tokens);
  if (widest > (int64_t{1} << 30) ||
      static_cast<int64_t>(o.heads) * o.heads * o.head_size * o.head_size > (int64_t{1} << 30)) {
    throw std::invalid_argument("attention block: sizes too large");
  }
}

// A given hidden-state tensor must be the f32 [1, S, Hq*D] the projections read.
void CheckHidden(HostSubgraph& subgraph, const AttentionBlockOptions& o,
                 std::optional<TensorId> hidden) {
  if (!hidden.has_value()) return;
  const TensorType& type = subgraph.tensor(*hidden).type;
  const std::vector<int32_t> expected{1, o.new_tokens, o.heads * o.head_size};
  if (type.element_type != kZorvelElementTypeFloat32 || !type.ranked || type.dims != expected) {
    throw std::invalid_argument(
        "attention block: the hidden states must be f32 [1, new_tokens, "
        "heads * head_size]");
  }
}

}  // namespace

AttentionBlock AddSplitAttentionBlock(HostSubgraph& subgraph, const AttentionBlockOptions& options,
                                      std::optional<TensorId> hidden) {
  CheckSizes(options);
  if (options.heads != options.kv_heads && !(options.broadcast_kv && options.kv_heads == 1)) {
    throw std::invalid_argument(
        "attention block: split attention needs heads == kv_heads, or one broadcast KV head");
  }
  CheckHidden(subgraph, options, hidden);
  return BlockBuilder(subgraph, options).Build(hidden);
}

AttentionBlock AddFoldedGqaAttentionBlock(HostSubgraph& subgraph,
                                          const AttentionBlockOptions& options,
                                          std::optional<TensorId> hidden) {
  CheckSizes(options);
  if (options.kv_heads >= options.heads || options.heads % options.kv_heads != 0) {
    throw std::invalid_argument(
        "attention block: grouped-query attention needs kv_heads to divide heads at a ratio of at "
        "least 2");
  }
  CheckHidden(subgraph, options, hidden);
  return BlockBuilder(subgraph, options).Build(hidden);
}

}  // namespace zorvel::host
