#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_STACKED_CONSTANTS_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_STACKED_CONSTANTS_H_

// Constants the plug-in generates itself (they have no host tensor behind them): the runtime
// attribute that names them for weight sharing, the keys of the stacked per-expert weights of a
// mixture-of-experts layer, and the stacking and dequantization helpers the MoE rewrites share.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/node.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/core/runtime_attribute.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/op/constant.hpp"

namespace zorvel::openvino {

// Marks a constant the plug-in generated. `source_key` is the name its bytes are registered
// under in the weight bank; the constant's friendly name is the same key. Copyable, so it follows
// the constant through later rewrites that copy runtime information.
class ZorvelGeneratedConstantAttribute : public ov::RuntimeAttribute {
 public:
  OPENVINO_RTTI("ZorvelGeneratedConstantAttribute", "0", ov::RuntimeAttribute);

  ZorvelGeneratedConstantAttribute() = default;
  explicit ZorvelGeneratedConstantAttribute(std::string key) : source_key(std::move(key)) {}
  ~ZorvelGeneratedConstantAttribute() override;

  bool is_copyable() const override;

  std::string source_key;
};

// The runtime-info key the attribute is stored under.
std::string GeneratedConstantRtKey();

// The attribute's source key when `node` carries one, else an empty string.
std::string GeneratedConstantKey(const std::shared_ptr<const ov::Node>& node);

// "zorvel.stacked:moe_layer_<layer_index>.<name>", e.g. zorvel.stacked:moe_layer_3.down_scale.
std::string StackedKey(uint64_t layer_index, const std::string& name);

// Stacks the constants behind `outputs` (expert 0 first) along a new leading axis into one new
// constant of shape [N, ...] named `key` and marked with the generated-constant attribute.
// Returns null when the list is empty, an output is not a Constant, the element types or shapes
// differ, or one constant is not a whole number of bytes (sub-byte types). Sub-byte data is
// copied as stored.
std::shared_ptr<ov::op::v0::Constant> MakeStackedConstant(
    const std::vector<ov::Output<ov::Node>>& outputs, const std::string& key);

// Multiply(Convert(packed, type), scale) with numpy broadcasting.
ov::Output<ov::Node> DequantizeWeights(const ov::Output<ov::Node>& packed,
                                       const ov::Output<ov::Node>& scale,
                                       const ov::element::Type& type);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_STACKED_CONSTANTS_H_
