#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "openvino/pass/pattern/op/pattern.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches a node of one of the listed types, or, when that node is absent, whatever input 0
// of the pattern matches. When it was skipped the pattern map has no entry for this node.
class OPENVINO_API Optional : public Pattern {
 public:
  OPENVINO_RTTI("patternOptional");

  explicit Optional(const std::vector<DiscreteTypeInfo>& type_infos,
                    const OutputVector& inputs = {})
      : Pattern(inputs), optional_types(type_infos) {}

  template <class P>
  Optional(const std::vector<DiscreteTypeInfo>& type_infos, const OutputVector& inputs,
           const P& pred)
      : Pattern(inputs, Predicate(pred)), optional_types(type_infos) {}

  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;

  std::vector<DiscreteTypeInfo> get_optional_types() const { return optional_types; }

 protected:
  std::vector<DiscreteTypeInfo> optional_types;
};

}  // namespace op

template <class T>
void collect_type_info(std::vector<DiscreteTypeInfo>& info) {
  collect_wrap_info<T>(info);
}

template <class... NodeTypes, typename TPredicate,
          typename std::enable_if<std::is_constructible<op::Predicate, TPredicate>::value,
                                  bool>::type = true>
std::shared_ptr<Node> optional(const OutputVector& inputs, const TPredicate& pred) {
  std::vector<DiscreteTypeInfo> info;
  collect_wrap_info<NodeTypes...>(info);
  return std::make_shared<op::Optional>(info, inputs, op::Predicate(pred));
}

template <class... NodeTypes, typename TPredicate,
          typename std::enable_if<std::is_constructible<op::Predicate, TPredicate>::value,
                                  bool>::type = true>
std::shared_ptr<Node> optional(const Output<Node>& input, const TPredicate& pred) {
  return optional<NodeTypes...>(OutputVector{input}, pred);
}

template <class... NodeTypes, typename TPredicate,
          typename std::enable_if<std::is_constructible<op::Predicate, TPredicate>::value,
                                  bool>::type = true>
std::shared_ptr<Node> optional(const TPredicate& pred) {
  return optional<NodeTypes...>(OutputVector{}, pred);
}

template <class... NodeTypes>
std::shared_ptr<Node> optional(const OutputVector& inputs) {
  return optional<NodeTypes...>(inputs, op::Predicate());
}

template <class... NodeTypes>
std::shared_ptr<Node> optional(const Output<Node>& input) {
  return optional<NodeTypes...>(OutputVector{input}, op::Predicate());
}

template <class... NodeTypes>
std::shared_ptr<Node> optional() {
  return optional<NodeTypes...>(OutputVector{}, op::Predicate());
}

}  // namespace pattern
}  // namespace pass
}  // namespace ov
