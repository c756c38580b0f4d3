#ifndef ZORVEL_HOST_MOE_BLOCK_H_
#define ZORVEL_HOST_MOE_BLOCK_H_

// Builders of mixture-of-experts layers in the stand-in host, shaped as a converter emits them:
//
//   logits = FULLY_CONNECTED(x, router)            [T, N]
//   probs = SOFTMAX(logits); values, ids = TOPK_V2(probs, K)
//   for each expert e (the default form; MoEBlockOptions selects the others):
//     weight_e = SUM(MUL(CAST(EQUAL(ids, e)), values), axis 1, keep_dims)        [T, 1]
//     gate, up = SPLIT(FULLY_CONNECTED(x, gate_up_e))     gate_up_e: packed [2I, H]
//     out_e = FULLY_CONNECTED(MUL(GELU(gate, tanh), up), down_e)   down_e: packed [H, I]
//   y = ADD(... ADD(MUL(weight_0, out_0), MUL(weight_1, out_1)) ..., MUL(weight_N-1, out_N-1))
//
// The expert weights are 4-bit constants (signed or unsigned) quantized per output row, so the
// front end dequantizes them with a Convert and a Multiply by the row scales. All values come
// from `seed`, the same on every machine.

#include <cstdint>
#include <string>
#include <vector>

#include "zorvel/c/zorvel_element_type.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/shared_weights.h"

namespace zorvel::host {

// The activation of an expert, as converters write it.
enum class MoEActivation {
  kGeluTanh,           // GELU(approximate = true)
  kGeluErf,            // GELU(approximate = false)
  kSwish,              // MUL(gate, LOGISTIC(gate))
  kSwishSigmoidFirst,  // MUL(LOGISTIC(gate), gate)
};

struct MoEBlockOptions {
  int32_t experts = 4;       // N, at least 2
  int32_t top_k = 2;         // K, 1..N
  int32_t hidden = 16;       // H, even
  int32_t intermediate = 8;  // I, even
  int32_t tokens = 1;        // T: 1 is the single-token shape, more the multi-token shape
  uint32_t seed = 1;
  ZorvelElementType weight_type = kZorvelElementTypeInt4;  // Int4 or UInt4
  std::string prefix = "moe";                              // names every tensor of the layer
  // The expert's form (the default is the one drawn above).
  MoEActivation activation = MoEActivation::kGeluTanh;
  bool activation_on_up_half = false;  // the activation reads the second half of the split
  bool separate_gate_up = false;       // gate and up as two FULLY_CONNECTED ops [I, H], no split
  bool gated = true;                   // false: out_e = FULLY_CONNECTED(act(FULLY_CONNECTED(x,
                                       // up_e)), down_e), up_e packed [I, H]
  bool down_scale = false;             // MUL(out_e, scale_e) with a constant f32 [H] per expert
  bool down_bias = false;              // the down FULLY_CONNECTED adds a bias f32 [H] per expert
  // When set, the layer's constants go through it, so layers of several subgraphs with equal
  // options and seed (single- and multi-token alike) read the same weight buffers.
  SharedWeights* shared_weights = nullptr;
};

// Appends one layer that reads `x` (f32 [T, H]) and returns its output tensor (f32 [T, H]).
// Throws std::invalid_argument for options outside the ranges above or an `x` of another type.
TensorId AddMoEBlock(HostSubgraph& subgraph, TensorId x, const MoEBlockOptions& options);

// A new subgraph: input "x" [T, H], `layers` layers in a chain (layer i with seed + i and prefix
// "<prefix><i>"), the last layer's output as the subgraph output.
HostSubgraph& AddMoESubgraph(HostModel& model, const MoEBlockOptions& options, int layers = 1);

// The storage bytes of a 4-bit constant holding `values` (element 0 in the low nibble).
std::vector<uint8_t> PackNibbles(const std::vector<int32_t>& values);

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_MOE_BLOCK_H_
