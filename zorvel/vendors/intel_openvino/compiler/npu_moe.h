#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_MOE_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_MOE_H_

// Mixture-of-experts layers of an NPU partition: finding them (a router TopK whose indices are
// compared with every expert id, each expert a gated or ungated feed-forward over packed low-bit
// weights, see ExpertForm), checking that a layer can be rewritten exactly, and the two rewrites,
// which rebuild the experts' own form. A single-token layer becomes a
// gather-K subgraph that computes only the K chosen experts from stacked weights; a multi-token
// layer becomes a dense batched subgraph over all experts weighted by a [T, N] routing matrix.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/core/node.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/pass/pass.hpp"

namespace zorvel::openvino {

// What an expert computes between its input x and its output, as the rewrites rebuild it:
//   fused:    gate, up = Split(MatMul(x, W_gate_up)) (the activation on either half)
//   separate: gate = MatMul(x, W_gate), up = MatMul(x, W_up)
//   ungated:  h = act(MatMul(x, W_up)), no gate
//   h = act(gate) * up; y = MatMul(h, W_down), then constant scales (Multiply) or biases (Add).
// Every expert of a layer must have the same form.
enum class ExpertActivation { kGeluTanh, kGeluErf, kSwish, kRelu };
enum class ExpertProjections { kFusedGateUp, kSeparateGateUp, kUngated };

struct ExpertForm {
  ExpertProjections projections = ExpertProjections::kFusedGateUp;
  ExpertActivation activation = ExpertActivation::kGeluTanh;
  bool gate_second = false;     // fused: the activation reads the second half of the split
  std::vector<bool> post_bias;  // ops after the down MatMul, innermost first: Add (true), Multiply

  bool operator==(const ExpertForm& other) const {
    return projections == other.projections && activation == other.activation &&
           gate_second == other.gate_second && post_bias == other.post_bias;
  }
  bool operator!=(const ExpertForm& other) const { return !(*this == other); }
};

// A short text of the form for log lines, e.g. "fused gelu_tanh(second half) + scale".
std::string ExpertFormText(const ExpertForm& form);

// One expert of a layer, as matched from its Equal.
struct ExpertBranch {
  int64_t expert_id = -1;
  std::shared_ptr<ov::Node> gate_up_matmul;
  std::shared_ptr<ov::Node> down_matmul;
  ov::Output<ov::Node> gate_up_weights;
  ov::Output<ov::Node> down_weights;
  ov::Output<ov::Node> gate_up_packed;
  ov::Output<ov::Node> gate_up_scale;
  ov::element::Type gate_up_dequant_type = ov::element::dynamic;
  bool gate_up_matched = false;
  ov::Output<ov::Node> down_packed;
  ov::Output<ov::Node> down_scale;
  ov::element::Type down_dequant_type = ov::element::dynamic;
  bool down_matched = false;
  ov::Output<ov::Node> routing_weight;
  ov::Output<ov::Node> router_input;
  ov::Output<ov::Node> weighted_output;
  std::shared_ptr<ov::Node> accumulate_add;
  // The exact form of the expert and what only some forms have.
  ExpertForm form;
  std::shared_ptr<ov::Node> up_matmul;  // separate form: the up projection (gate_up_matmul: gate)
  ov::Output<ov::Node> up_packed;
  ov::Output<ov::Node> up_scale;
  ov::element::Type up_dequant_type = ov::element::dynamic;
  bool up_matched = false;
  std::vector<std::shared_ptr<ov::op::v0::Constant>> post_values;  // per form.post_bias entry
};

// One discovered layer; experts sorted by expert id.
struct MoELayer {
  std::shared_ptr<ov::Node> topk;
  ov::Output<ov::Node> indices;
  int64_t k = 0;
  uint64_t num_experts = 0;
  uint64_t layer_index = 0;
  bool multi_token = false;
  std::vector<ExpertBranch> experts;
  ov::Output<ov::Node> router_weights;
};

// The per-expert gate and up halves of the fused gate+up weights, in expert order.
struct GateUpHalves {
  std::vector<ov::Output<ov::Node>> gate_packed;
  std::vector<ov::Output<ov::Node>> up_packed;
  std::vector<ov::Output<ov::Node>> gate_scales;
  std::vector<ov::Output<ov::Node>> up_scales;
};

// The generated-constant key of one of the layer's stacked weights.
std::string StackedKey(const MoELayer& layer, const std::string& name);

// Follows single consumers from `output` (each step through output 0) for at most `max_steps`
// nodes and returns the first that satisfies `predicate`; null when an output has other than one
// consumer or no node within reach matches.
std::shared_ptr<ov::Node> FindSingleConsumerDownstream(
    const ov::Output<ov::Node>& output,
    const std::function<bool(const std::shared_ptr<ov::Node>&)>& predicate, int max_steps);

// The first MatMul among the output's node and its input-0 ancestors (four nodes at most).
std::shared_ptr<ov::Node> FindUpstreamMatMul(const ov::Output<ov::Node>& output);

// Matches Multiply(Convert(Constant of i4/i8/u2/u4/u8), scale) in either input order (input 0
// preferred).
bool MatchPackedDequant(const ov::Output<ov::Node>& weights, ov::Output<ov::Node>& packed,
                        ov::Output<ov::Node>& scale, ov::element::Type& dequant_type);

// Fills `branch` for one Equal consumer of a router's indices. The branch must be exactly one of
// the forms above, node by node from the Equal to the accumulating Add; otherwise it fails and,
// when `why` is given, says which node differs and how.
bool CollectExpertBranch(const std::shared_ptr<ov::Node>& equal, ExpertBranch& branch,
                         std::string* why = nullptr);

// Every MoE layer of the model, in topological order of their TopKs. Changes nothing.
std::vector<MoELayer> DiscoverMoELayers(const std::shared_ptr<ov::Model>& model);

// Checks that the layer can be rewritten; on success gives the Add that produces the layer's
// output and half the fused gate+up width. Logs the first failed check at INFO under `tag`.
bool ValidateMoELayer(const MoELayer& layer, const std::string& tag,
                      std::shared_ptr<ov::Node>& chain_root, int64_t& half_width);

// Copies of the first `rows` rows of `constant` and of the rest; a pair of nulls when the
// constant has no axis 0 of at least `rows` or a row is not a whole number of bytes.
std::pair<std::shared_ptr<ov::op::v0::Constant>, std::shared_ptr<ov::op::v0::Constant>>
SplitConstantRows(const std::shared_ptr<ov::op::v0::Constant>& constant, int64_t rows);

// Cuts every expert's fused gate+up packed weight and scale into gate rows [0, half_width) and
// up rows [half_width, 2 * half_width).
bool SplitFusedGateUp(const MoELayer& layer, int64_t half_width, GateUpHalves& halves);

// The gate and up weights of every expert in its form: the fused halves (swapped when the
// activation reads the second half), the two separate projections, or only the up projection of
// an ungated expert (the gate lists stay empty).
bool ProjectionWeights(const MoELayer& layer, int64_t half_width, GateUpHalves& halves);

// What the gather-K rewrite of one layer hands to GatherDequantWeights.
struct MoEGatherContext {
  const MoELayer* layer = nullptr;
  std::string name;  // the TopK's friendly name
  ov::Output<ov::Node> flat_idx;
  ov::Output<ov::Node> axis0;
  const ExpertBranch* first = nullptr;
};

// Gathers whole experts from a stacked [N, R, D] packed constant by gathering rows of its
// [N * R, D] view; other ranks are gathered directly on axis 0.
ov::Output<ov::Node> GatherPackedRowsViaFlatten(const ov::Output<ov::Node>& grouped_packed,
                                                const ov::Output<ov::Node>& indices, int64_t k);

// Stacks one projection ("gate" or "up") of every expert, gathers the K chosen experts and
// dequantizes them; an empty output (after logging) when the weights cannot be stacked.
ov::Output<ov::Node> GatherDequantWeights(const MoEGatherContext& context,
                                          const std::vector<ov::Output<ov::Node>>& packed,
                                          const std::vector<ov::Output<ov::Node>>& scales,
                                          const std::string& name);

// Stacks and dequantizes one projection of every expert for the multi-token rewrite.
ov::Output<ov::Node> StackAndDequantWeights(const MoELayer& layer,
                                            const std::vector<ov::Output<ov::Node>>& packed,
                                            const std::vector<ov::Output<ov::Node>>& scales,
                                            const std::string& name);

// The gather-K rewrite of one single-token layer; true when the layer was replaced.
bool RewriteMoEGather(const MoELayer& layer);

// The chunked rewrite of one multi-token layer; true when the layer was replaced.
bool RewriteMoEChunk(const MoELayer& layer);

// Rewrites every MoE layer of the model and records whether they are multi-token.
class MoEGatherRewrite : public ov::pass::ModelPass {
 public:
  OPENVINO_RTTI("MoEGatherRewrite", "util");

  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;

  // True after a run that found layers, all of them in the multi-token shape.
  bool multi_token() const { return multi_token_; }

 private:
  bool multi_token_ = false;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_MOE_H_
