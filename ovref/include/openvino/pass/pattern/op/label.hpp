#pragma once

#include <memory>

#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches any value that passes its predicate (and its wrapped pattern, if any). A Label used
// twice in one pattern must match the same value both times.
class OPENVINO_API Label : public Pattern {
 public:
  OPENVINO_RTTI("patternLabel");

  template <typename TPredicate, typename TArg = OutputVector>
  Label(const element::Type& type, const PartialShape& s, const TPredicate& pred,
        const TArg& wrapped_values = OutputVector{})
      : Pattern(OutputVector{wrap_values(wrapped_values)}, Predicate(pred)) {
    set_output_type(0, type, s);
  }

  template <typename TPredicate, typename TArg = OutputVector>
  Label(const Output<Node>& value, const TPredicate& pred,
        const TArg& wrapped_values = OutputVector{})
      : Label(value.get_element_type(), value.get_partial_shape(), pred, wrapped_values) {}

  explicit Label(const element::Type& type = element::dynamic,
                 const PartialShape& s = PartialShape::dynamic())
      : Label(type, s, Predicate(), OutputVector{}) {}

  explicit Label(const Output<Node>& value)
      : Label(value.get_element_type(), value.get_partial_shape()) {}

  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;

 protected:
  static Output<Node> wrap_values(const OutputVector& wrapped_values);
  static Output<Node> wrap_values(const NodeVector& wrapped_values);
};

}  // namespace op

// A pattern node that matches anything.
OPENVINO_API std::shared_ptr<Node> any_input();

// A pattern node that matches any value passing `pred`.
template <typename TPredicate>
std::shared_ptr<Node> any_input(const TPredicate& pred) {
  return std::make_shared<op::Label>(element::dynamic, PartialShape::dynamic(),
                                     op::Predicate(pred));
}

}  // namespace pattern
}  // namespace pass
}  // namespace ov
