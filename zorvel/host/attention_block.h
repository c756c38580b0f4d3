#ifndef ZORVEL_HOST_ATTENTION_BLOCK_H_
#define ZORVEL_HOST_ATTENTION_BLOCK_H_

// Builders of decoder attention blocks over a KV cache, in the op shapes host models use for them:
//
//   x [1, S, E] -> FULLY_CONNECTED q / k / v projections -> RESHAPE + TRANSPOSE to heads
//   scores = CONCATENATION(BATCH_MATMUL(q, k_cache^T), BATCH_MATMUL(q, k_new^T)) on the key axis
//   probs  = SOFTMAX(scores + mask), SLICEd back into its cache part and its new-token part
//   attn   = BATCH_MATMUL(probs_cache, v_cache) + BATCH_MATMUL(probs_new, v_new)
//   y [1, S, E] <- FULLY_CONNECTED output projection <- heads merged back
//
// The grouped-query form folds the r = heads / kv_heads query heads of each KV head into the
// sequence axis (RESHAPE [1, Hq, S, D] -> [1, Hkv, r*S, D]), tiles the mask r times on axis 2 with
// a CONCATENATION of r copies, runs the attention above with Hkv heads and reshapes the result
// back to [1, Hq, S, D].
//
// All tensors are f32. Weights are drawn from a fixed generator seeded by `seed`, so equal options
// give byte-identical weights.

#include <cstdint>
#include <optional>
#include <string>

#include "zorvel/host/host_model.h"
#include "zorvel/host/shared_weights.h"

namespace zorvel::host {

struct AttentionBlockOptions {
  int32_t heads = 4;          // query heads Hq
  int32_t kv_heads = 4;       // key/value heads Hkv; must divide heads
  int32_t head_size = 16;     // D
  int32_t cache_length = 15;  // C, positions already in the cache
  int32_t new_tokens = 1;     // S, positions computed by this call
  uint32_t seed = 1;
  // Prefix of every tensor name the block adds (names must stay unique in a subgraph).
  std::string name = "attn";
  // Also list the new keys and values ([1, Hkv, S, D]) as subgraph outputs, as a model that
  // writes its cache does.
  bool output_new_kv = true;
  // List the block's output as a subgraph output; off when later layers read it.
  bool output_result = true;
  // When set, the block's constants go through it, so blocks of several subgraphs with equal
  // options and seed read the same weight buffers.
  SharedWeights* shared_weights = nullptr;
  // Layouts and masks other converters write:
  bool keys_transposed = false;    // keys stored [1, Hkv, D, C]; scores = q x k (no adj_y)
  bool values_transposed = false;  // values stored [1, Hkv, D, C]; context = probs x v^T
  bool causal_mask = false;        // a constant causal mask in the graph instead of the mask input
  // Split attention with one KV head that the BATCH_MATMULs broadcast over all query heads
  // (multi-query attention without the fold); needs kv_heads == 1.
  bool broadcast_kv = false;
};

// The tensors of a built block. Inputs the builder created are appended to the subgraph's inputs
// in the order x (unless given), k_cache, v_cache, mask (named "<name>_x", "<name>_kv_cache_k",
// "<name>_kv_cache_v", "<name>_mask"); `output` is appended to its outputs
// when requested (then k_new and v_new when requested).
struct AttentionBlock {
  TensorId x = 0;        // hidden states [1, S, Hq*D]
  TensorId k_cache = 0;  // [1, Hkv, C, D] ([1, Hkv, D, C] with keys_transposed)
  TensorId v_cache = 0;  // [1, Hkv, C, D] ([1, Hkv, D, C] with values_transposed)
  TensorId mask = 0;     // additive mask [1, 1, S, C+S] (a constant with causal_mask)
  TensorId k_new = 0;    // [1, Hkv, S, D], laid out as the cache
  TensorId v_new = 0;    // [1, Hkv, S, D], laid out as the cache
  TensorId output = 0;   // [1, S, Hq*D]
};

// Adds split attention with heads == kv_heads (or kv_heads == 1 with broadcast_kv). With `hidden`
// the block reads that tensor
// ([1, S, Hq*D]) instead of adding an input. Throws std::invalid_argument on options that
// describe no valid block (non-positive sizes, heads != kv_heads).
AttentionBlock AddSplitAttentionBlock(HostSubgraph& subgraph, const AttentionBlockOptions& options,
                                      std::optional<TensorId> hidden = std::nullopt);

// Adds the folded grouped-query form: kv_heads must divide heads with a ratio of at least 2.
AttentionBlock AddFoldedGqaAttentionBlock(HostSubgraph& subgraph,
                                          const AttentionBlockOptions& options,
                                          std::optional<TensorId> hidden = std::nullopt);

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_ATTENTION_BLOCK_H_
