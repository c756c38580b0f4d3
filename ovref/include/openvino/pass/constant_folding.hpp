#pragma once

#include <memory>

#include "openvino/core/node.hpp"
#include "openvino/core/runtime_attribute.hpp"
#include "openvino/pass/pass.hpp"

namespace ov {
namespace pass {

// Replaces every sub-graph computable from constants by the Constant it evaluates to, in one
// sweep in topological order. Nodes carrying DisableConstantFolding, and everything that
// depends on them, are kept. A folded Constant takes the friendly name of the node it
// replaces ("<name>.<i>" for output i of a multi-output node) and the copyable rt_info of
// the folded nodes.
class OPENVINO_API ConstantFolding : public ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("ConstantFolding");
  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;

 protected:
  void copy_runtime_info_from_input_values(const std::shared_ptr<Node>& node);
  // Folds values known before any evaluation of data: shapes of statically shaped tensors and
  // what is computed from them and from constants.
  bool pre_calculated_values_folding(const std::shared_ptr<ov::Model>& model);
};

OPENVINO_API void disable_constant_folding(const std::shared_ptr<Node>& node);
OPENVINO_API void enable_constant_folding(const std::shared_ptr<Node>& node);
OPENVINO_API bool constant_folding_is_disabled(const std::shared_ptr<Node>& node);
OPENVINO_API bool constant_folding_is_disabled(const Node* const node);

// Stops constant folding of the node that carries it. Not copied to replacement nodes.
class OPENVINO_API DisableConstantFolding : public ov::RuntimeAttribute {
 public:
  OPENVINO_RTTI("DisableConstantFolding");
  DisableConstantFolding() = default;
  bool is_copyable() const override { return false; }
};

}  // namespace pass
}  // namespace ov
