#pragma once

#include "openvino/core/core_visibility.hpp"
#include "openvino/pass/matcher_pass.hpp"
#include "openvino/pass/pass.hpp"

namespace ov {
namespace pass {

// Transpose (constant order, single consumer) -> unary element-wise op becomes
// unary op -> Transpose, so the Transpose travels towards the next one it can fuse with.
class OPENVINO_API TransposeSinkingUnaryForward : public MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("TransposeSinkingUnaryForward");
  TransposeSinkingUnaryForward();
};

// Moves Transposes forward through element-wise unary operations and fuses the adjacent pairs
// this produces, until nothing changes. This build sinks through unary element-wise arithmetic
// only (not through binary operations, Concat or Split).
class OPENVINO_API TransposeSinkingGeneral : public ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("TransposeSinkingGeneral");
  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;
};

}  // namespace pass
}  // namespace ov
