#ifndef TOOLS_BUILTIN_MODELS_H_
#define TOOLS_BUILTIN_MODELS_H_

#include <memory>
#include <string>
#include <vector>

#include "zorvel/host/host_model.h"

namespace zorvel::tools {

inline constexpr char kExampleModelName[] = "example";

// A small model with something of each kind the partitioner decides on: convolution and
// activations it takes, an op it leaves to the host, TOPK_V2 with a constant and with a computed
// K, and two composites of which it takes only RMS normalisation.
std::unique_ptr<host::HostModel> BuildSmallPartitionModel();

// The bundled example: a tiny decoder-only language model with two subgraphs over the same weight
// buffers, prefill (16 tokens) and decode (1 token over a 16-entry KV cache). Each has token
// embedding, RMS-norm composites, grouped-query attention with the query heads folded into the
// sequence (split into cache and new branches in decode), a four-expert MoE layer with packed
// 4-bit expert weights, and a SQUEEZE the plug-in leaves to the host before the output head.
// Prefill inputs: "tokens" i32 [1,16]; outputs "logits" [16,64], "kv_cache_k"/"kv_cache_v"
// [1,2,16,8]. Decode inputs: "token" i32 [1,1], "kv_cache_k", "kv_cache_v" and "attention_mask"
// [1,1,1,17] (added to the scores over the cache and the new token); outputs "logits"
// [1,64] and the new key/value rows [1,2,1,8]. With more than one layer, each layer's tensors are
// named "layer<l>/..." (so decode reads "layer<l>/kv_cache_k" and so on).
std::unique_ptr<host::HostModel> BuildExampleLanguageModel(int layers = 1);

// The models above by name ("example", "small"), or null.
std::unique_ptr<host::HostModel> BuildBuiltinModel(const std::string& name);
std::vector<std::string> BuiltinModelNames();

}  // namespace zorvel::tools

#endif  // TOOLS_BUILTIN_MODELS_H_
