#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

// Matches a node of one of the listed types (or a type derived from one), whose output passes
// the predicate and whose inputs match the pattern's inputs, if it has any. The output index of
// the matched value is not checked.
class OPENVINO_API WrapType : public Pattern {
 public:
  OPENVINO_RTTI("WrapType");

  explicit WrapType(const std::vector<NodeTypeInfo>& wrapped_types)
      : WrapType(wrapped_types, Predicate(), OutputVector{}) {}

  template <class P>
  WrapType(const std::vector<NodeTypeInfo>& wrapped_types, const P& pred,
           const OutputVector& input_values = {})
      : Pattern(input_values, Predicate(pred)), m_wrapped_types(wrapped_types) {
    set_output_type(0, element::dynamic, PartialShape::dynamic());
  }

  explicit WrapType(NodeTypeInfo wrapped_type)
      : WrapType(std::vector<NodeTypeInfo>{wrapped_type}) {}

  template <class P>
  WrapType(NodeTypeInfo wrapped_type, const P& pred, const OutputVector& input_values = {})
      : WrapType(std::vector<NodeTypeInfo>{wrapped_type}, pred, input_values) {}

  bool match_value(pattern::Matcher* matcher, const Output<Node>& pattern_value,
                   const Output<Node>& graph_value) override;

  NodeTypeInfo get_wrapped_type() const;
  const std::vector<NodeTypeInfo>& get_wrapped_types() const { return m_wrapped_types; }
  std::ostream& write_type_description(std::ostream& out) const override;

 private:
  std::vector<NodeTypeInfo> m_wrapped_types;
};

}  // namespace op

template <class T>
void collect_wrap_info(std::vector<DiscreteTypeInfo>& info) {
  info.emplace_back(T::get_type_info_static());
}

template <class T, class T1, class... Targs>
void collect_wrap_info(std::vector<DiscreteTypeInfo>& info) {
  collect_wrap_info<T>(info);
  collect_wrap_info<T1, Targs...>(info);
}

template <class... Args, typename TPredicate,
          typename std::enable_if<std::is_constructible<op::Predicate, TPredicate>::value,
                                  bool>::type = true>
std::shared_ptr<Node> wrap_type(const OutputVector& inputs, const TPredicate& pred) {
  std::vector<DiscreteTypeInfo> info;
  collect_wrap_info<Args...>(info);
  return std::make_shared<op::WrapType>(info, op::Predicate(pred), inputs);
}

template <class... Args>
std::shared_ptr<Node> wrap_type(const OutputVector& inputs = {}) {
  return wrap_type<Args...>(inputs, op::Predicate());
}

template <class... Args, typename TPredicate,
          typename std::enable_if<std::is_constructible<op::Predicate, TPredicate>::value,
                                  bool>::type = true>
std::shared_ptr<Node> wrap_type(const TPredicate& pred) {
  return wrap_type<Args...>(OutputVector{}, pred);
}

}  // namespace pattern
}  // namespace pass
}  // namespace ov
