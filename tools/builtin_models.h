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
// K (the position of the largest value of the first), and two composites of which it takes only
// RMS normalisation. Its partitions compile; the host's own ops (FLOOR, the layer-norm composite,
// the second TOPK_V2) are left to a host that has kernels for them.
std::unique_ptr<host::HostModel> BuildSmallPartitionModel();

// The bundled example: a tiny decoder-only language model with a prefill (16 tokens after 16
// cached positions) and a decode (1 token after 31) subgraph that read the same weight buffers,
// built with the host's attention and MoE builders. Each layer l (tensors named "layer<l>/...")
// has an RMS-norm composite, folded grouped-query attention (4 query, 2 KV heads of 8) split over
// its KV cache, a residual, an RMS-norm composite and a four-expert top-2 MoE layer over packed
// signed 4-bit weights with its residual; after the layers a final RMS norm and a SQUEEZE the
// plug-in leaves to the host before the output head. Prefill inputs: "tokens" i32 [1,16], then
// per layer "layer<l>/attn_kv_cache_k" and "..._v" [1,2,16,8] and the additive mask
// "layer<l>/attn_mask" [1,1,16,32]; decode: "token" i32 [1,1], caches [1,2,31,8], mask
// [1,1,1,32]. Outputs: per layer the new keys and values "layer<l>/attn_k_heads" and
// "layer<l>/attn_v_heads" [1,2,S,8], then "logits" [S,64].
std::unique_ptr<host::HostModel> BuildExampleLanguageModel(int layers = 1);

// The models above by name ("example", "small"), single-block variants for the NPU rewrites
// ("gqa-26+7", "moe-swiglu-1", "moe-scaled-8"), or null.
std::unique_ptr<host::HostModel> BuildBuiltinModel(const std::string& name);
std::vector<std::string> BuiltinModelNames();

}  // namespace zorvel::tools

#endif  // TOOLS_BUILTIN_MODELS_H_
