#pragma once

#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches every value.
class OPENVINO_API True : public Pattern {
 public:
  OPENVINO_RTTI("patternTrue");
  True() : Pattern() {}
  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;
};

}  // namespace op
}  // namespace pattern
}  // namespace pass
}  // namespace ov
