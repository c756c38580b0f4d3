#pragma once

#include <memory>

#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches any output of the node its input pattern matches.
class OPENVINO_API AnyOutput : public Pattern {
 public:
  OPENVINO_RTTI("patternAnyOutput");
  AnyOutput(const std::shared_ptr<Node>& pattern) : Pattern(OutputVector{pattern->output(0)}) {}
  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;
};

}  // namespace op
}  // namespace pattern
}  // namespace pass
}  // namespace ov
