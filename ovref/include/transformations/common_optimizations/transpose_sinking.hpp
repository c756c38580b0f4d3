#pragma once

#include "openvino/core/core_visibility.hpp"
#include "openvino/pass/graph_rewrite.hpp"
#include "openvino/pass/matcher_pass.hpp"

namespace ov {
namespace pass {

// Two Transposes in a row with constant orders, the first with no other consumer, become one
// Transpose with the composed order, or disappear when the composed order is the identity.
class OPENVINO_API TransposeFuse : public MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("TransposeFuse");
  TransposeFuse();
};

// The transpose clean-up run after conversion. This build carries the fusion of adjacent
// Transposes (TransposeFuse).
class OPENVINO_API TransposeSinking : public GraphRewrite {
 public:
  OPENVINO_GRAPH_REWRITE_RTTI("TransposeSinking");
  TransposeSinking() { add_matcher<TransposeFuse>(); }
};

}  // namespace pass
}  // namespace ov
