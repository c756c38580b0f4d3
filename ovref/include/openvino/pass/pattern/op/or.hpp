#pragma once

#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches when one of its alternatives matches; they are tried in order.
class OPENVINO_API Or : public Pattern {
 public:
  OPENVINO_RTTI("patternOr");
  Or(const OutputVector& patterns) : Pattern(patterns) {}
  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;
};

}  // namespace op
}  // namespace pattern
}  // namespace pass
}  // namespace ov
