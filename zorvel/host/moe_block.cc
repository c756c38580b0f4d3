#include "zorvel/host/moe_block.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorvel::host {

namespace {

// splitmix64: the same sequence everywhere, unlike the standard distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  float Uniform(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(Next() >> 40) / static_cast<float>(1ull << 24);
  }
  int32_t Int(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }

 private:
  uint64_t state_;
};

TensorType RankedF32(std::vector<int32_t> dims) {
  return TensorType::Ranked(kZorvelElementTypeFloat32, std::move(dims));
}

// A 4-bit weight [rows, cols] quantized per row (axis 0) with zero points 0.
TensorId AddPackedWeight(HostSubgraph& sg, SharedWeights* shared, const std::string& name,
                         int32_t rows, int32_t cols, ZorvelElementType type, Random& random) {
  const bool is_signed = type == kZorvelElementTypeInt4;
  std::vector<int32_t> values(static_cast<size_t>(rows) * static_cast<size_t>(cols));
  for (auto& v : values) v = is_signed ? random.Int(-8, 7) : random.Int(0, 15);
  std::vector<float> scales(static_cast<size_t>(rows));
  for (auto& s : scales) s = random.Uniform(0.02f, 0.08f);
  return AddWeightConstant(
      sg, shared, name, TensorType::Ranked(type, {rows, cols}), PackNibbles(values),
      Quantization::PerChannel(0, std::move(scales), std::vector<int64_t>(rows, 0)));
}

TensorId FullyConnected(HostSubgraph& sg, TensorId x, TensorId w, const std::string& name,
                        std::vector<int32_t> dims, std::optional<TensorId> bias = std::nullopt) {
  const TensorId out = sg.AddTensor(name, RankedF32(std::move(dims)));
  std::vector<TensorId> inputs{x, w};
  if (bias) inputs.push_back(*bias);
  sg.AddOp(kZorvelOpCodeFullyConnected, inputs, {out})
      .SetOption(66, 0u)     // no fused activation
      .SetOption(67, 0u)     // default weights format
      .SetOption(68, true);  // keep the token dimension
  return out;
}

}  // namespace

std::vector<uint8_t> PackNibbles(const std::vector<int32_t>& values) {
  std::vector<uint8_t> bytes((values.size() + 1) / 2, 0);
  for (size_t i = 0; i < values.size(); ++i) {
    const auto nibble = static_cast<uint8_t>(static_cast<uint32_t>(values[i]) & 0x0Fu);
    bytes[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? nibble : nibble << 4);
  }
  return bytes;
}

TensorId AddMoEBlock(HostSubgraph& sg, TensorId x, const MoEBlockOptions& options) {
  const int32_t n = options.experts, k = options.top_k, h = options.hidden,
                i = options.intermediate, t = options.tokens;
  if (n < 2 || k < 1 || k > n || h < 2 || h % 2 != 0 || i < 2 || i % 2 != 0 || t < 1) {
    throw std::invalid_argument(
        "MoE block: need experts >= 2, 1 <= top_k <= experts, even "
        "hidden and intermediate sizes and at least one token");
  }
  if (options.weight_type != kZorvelElementTypeInt4 &&
      options.weight_type != kZorvelElementTypeUInt4) {
    throw std::invalid_argument("MoE block: expert weights are Int4 or UInt4");
  }
  const TensorType& x_type = sg.tensor(x).type;
  if (x_type.element_type != kZorvelElementTypeFloat32 || !x_type.ranked ||
      x_type.dims != std::vector<int32_t>{t, h}) {
    throw std::invalid_argument("MoE block: the input must be f32 [tokens, hidden]");
  }
  Random random(options.seed);
  const std::string& p = options.prefix;
  SharedWeights* shared = options.shared_weights;

  std::vector<float> router(static_cast<size_t>(n) * static_cast<size_t>(h));
  for (auto& w : router) w = random.Uniform(-1.5f, 1.5f);
  const TensorId router_w = AddWeightConstant<float>(sg, shared, p + "/router/w", {n, h}, router);
  const TensorId logits = FullyConnected(sg, x, router_w, p + "/router/logits", {t, n});
  const TensorId probs = sg.AddTensor(p + "/router/probs", RankedF32({t, n}));
  sg.AddOp(kZorvelOpCodeSoftmax, {logits}, {probs}).SetOption(71, 1.0f);
  const TensorId k_tensor = AddWeightConstant<int32_t>(sg, shared, p + "/router/k", {}, {k});
  const TensorId values = sg.AddTensor(p + "/router/values", RankedF32({t, k}));
  const TensorId ids =
      sg.AddTensor(p + "/router/ids", TensorType::Ranked(kZorvelElementTypeInt32, {t, k}));
  sg.AddOp(kZorvelOpCodeTopkV2, {probs, k_tensor}, {values, ids});
  const TensorId sum_axis = AddWeightConstant<int32_t>(sg, shared, p + "/router/axis", {1}, {1});
  const TensorId split_axis = AddWeightConstant<int32_t>(sg, shared, p + "/split_axis", {}, {1});

  TensorId acc = 0;
  for (int32_t e = 0; e < n; ++e) {
    const std::string q = p + "/expert" + std::to_string(e);
    const TensorId id = AddWeightConstant<int32_t>(sg, shared, q + "/id", {}, {e});
    const TensorId hit = sg.AddOp(kZorvelOpCodeEqual, {ids, id}, q + "/hit",
                                  TensorType::Ranked(kZorvelElementTypeBool, {t, k}));
    const TensorId mask = sg.AddOp(kZorvelOpCodeCast, {hit}, q + "/mask", RankedF32({t, k}));
    const TensorId masked = sg.AddTensor(q + "/masked", RankedF32({t, k}));
    sg.AddOp(kZorvelOpCodeMul, {mask, values}, {masked}).SetOption(64, 0u);
    const TensorId weight = sg.AddTensor(q + "/weight", RankedF32({t, 1}));
    sg.AddOp(kZorvelOpCodeSum, {masked, sum_axis}, {weight}).SetOption(45, true);

    TensorId gate = 0;
    TensorId up = 0;
    if (!options.gated) {
      const TensorId up_w =
          AddPackedWeight(sg, shared, q + "/up/w", i, h, options.weight_type, random);
      up = FullyConnected(sg, x, up_w, q + "/up", {t, i});
    } else if (options.separate_gate_up) {
      const TensorId gate_w =
          AddPackedWeight(sg, shared, q + "/gate/w", i, h, options.weight_type, random);
      gate = FullyConnected(sg, x, gate_w, q + "/gate", {t, i});
      const TensorId up_w =
          AddPackedWeight(sg, shared, q + "/up/w", i, h, options.weight_type, random);
      up = FullyConnected(sg, x, up_w, q + "/up", {t, i});
    } else {
      const TensorId gate_up_w =
          AddPackedWeight(sg, shared, q + "/gate_up/w", 2 * i, h, options.weight_type, random);
      const TensorId gate_up = FullyConnected(sg, x, gate_up_w, q + "/gate_up", {t, 2 * i});
      const TensorId first = sg.AddTensor(q + "/half0", RankedF32({t, i}));
      const TensorId second = sg.AddTensor(q + "/half1", RankedF32({t, i}));
      sg.AddOp(kZorvelOpCodeSplit, {split_axis, gate_up}, {first, second}).SetOption(74, 2);
      gate = options.activation_on_up_half ? second : first;
      up = options.activation_on_up_half ? first : second;
    }
    // The gated product reads the gate's activation; an ungated expert activates its projection.
    const TensorId activated = options.gated ? gate : up;
    const TensorId act = sg.AddTensor(q + "/act", RankedF32({t, i}));
    switch (options.activation) {
      case MoEActivation::kGeluTanh:
      case MoEActivation::kGeluErf:
        sg.AddOp(kZorvelOpCodeGelu, {activated}, {act})
            .SetOption(126, options.activation == MoEActivation::kGeluTanh);
        break;
      case MoEActivation::kSwish:
      case MoEActivation::kSwishSigmoidFirst: {
        const TensorId sigmoid =
            sg.AddOp(kZorvelOpCodeLogistic, {activated}, q + "/sigmoid", RankedF32({t, i}));
        const bool sigmoid_first = options.activation == MoEActivation::kSwishSigmoidFirst;
        sg.AddOp(kZorvelOpCodeMul,
                 sigmoid_first ? std::vector<TensorId>{sigmoid, activated}
                               : std::vector<TensorId>{activated, sigmoid},
                 {act})
            .SetOption(64, 0u);
        break;
      }
    }
    TensorId hidden = act;
    if (options.gated) {
      hidden = sg.AddTensor(q + "/hidden", RankedF32({t, i}));
      sg.AddOp(kZorvelOpCodeMul, {act, up}, {hidden}).SetOption(64, 0u);
    }
    const TensorId down_w =
        AddPackedWeight(sg, shared, q + "/down/w", h, i, options.weight_type, random);
    std::optional<TensorId> down_bias;
    if (options.down_bias) {
      std::vector<float> bias(static_cast<size_t>(h));
      for (auto& b : bias) b = random.Uniform(-0.5f, 0.5f);
      down_bias = AddWeightConstant<float>(sg, shared, q + "/down/b", {h}, bias);
    }
    TensorId down = FullyConnected(sg, hidden, down_w, q + "/down", {t, h}, down_bias);
    if (options.down_scale) {
      std::vector<float> scale(static_cast<size_t>(h));
      for (auto& v : scale) v = random.Uniform(0.5f, 2.0f);
      const TensorId scale_c = AddWeightConstant<float>(sg, shared, q + "/out_scale", {h}, scale);
      const TensorId scaled = sg.AddTensor(q + "/scaled", RankedF32({t, h}));
      sg.AddOp(kZorvelOpCodeMul, {down, scale_c}, {scaled}).SetOption(64, 0u);
      down = scaled;
    }
    const TensorId weighted = sg.AddTensor(q + "/weighted", RankedF32({t, h}));
    sg.AddOp(kZorvelOpCodeMul, {weight, down}, {weighted}).SetOption(64, 0u);
    if (e == 0) {
      acc = weighted;
    } else {
      const TensorId sum = sg.AddTensor(e == n - 1 ? p + "/out" : q + "/sum", RankedF32({t, h}));
      sg.AddOp(kZorvelOpCodeAdd, {acc, weighted}, {sum}).SetOption(63, 0u);
      acc = sum;
    }
  }
  return acc;
}

HostSubgraph& AddMoESubgraph(HostModel& model, const MoEBlockOptions& options, int layers) {
  if (layers < 1) throw std::invalid_argument("MoE subgraph: at least one layer");
  HostSubgraph& sg = model.AddSubgraph();
  TensorId x = sg.AddInput("x", RankedF32({options.tokens, options.hidden}));
  for (int l = 0; l < layers; ++l) {
    MoEBlockOptions layer = options;
    layer.seed = options.seed + static_cast<uint32_t>(l);
    layer.prefix = options.prefix + std::to_string(l);
    x = AddMoEBlock(sg, x, layer);
  }
  sg.AddOutput(x);
  return sg;
}

}  // namespace zorvel::host
