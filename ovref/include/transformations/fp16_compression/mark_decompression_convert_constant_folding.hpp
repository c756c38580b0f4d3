#pragma once

#include "openvino/core/core_visibility.hpp"
#include "openvino/pass/matcher_pass.hpp"

namespace ov {
namespace pass {

// Constant(f16 or bf16) -> Convert(f32): the Convert is marked as a decompression and constant
// folding is disabled on both nodes, so compressed float weights stay compressed in the model.
// The callback never reports a change.
class OPENVINO_API MarkCompressedFloatConstants : public MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("MarkCompressedFloatConstants");
  MarkCompressedFloatConstants();
};

}  // namespace pass
}  // namespace ov
