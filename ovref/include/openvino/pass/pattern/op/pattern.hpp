#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/dimension.hpp"
#include "openvino/core/node.hpp"
#include "openvino/pass/pattern/op/predicate.hpp"

namespace ov {
namespace pass {
namespace pattern {

class Matcher;

// Pattern node -> the graph value it matched.
using RPatternValueMap = std::map<std::shared_ptr<Node>, OutputVector>;
using PatternValueMap = std::map<std::shared_ptr<Node>, Output<Node>>;
using PatternValueMaps = std::vector<PatternValueMap>;
// Pattern node -> the graph node it matched.
using PatternMap = std::map<std::shared_ptr<Node>, std::shared_ptr<Node>>;

OPENVINO_API PatternMap as_pattern_map(const PatternValueMap& pattern_value_map);
OPENVINO_API PatternValueMap as_pattern_value_map(const PatternMap& pattern_map);

// Predicate factories. Each tests the graph output being matched.
OPENVINO_API op::Predicate consumers_count(size_t n);
OPENVINO_API op::Predicate consumers_more_than(size_t n);
OPENVINO_API op::Predicate has_static_dim(size_t pos);
OPENVINO_API op::Predicate has_static_dims(const std::vector<size_t>& dims);
OPENVINO_API op::Predicate has_static_shape();
OPENVINO_API op::Predicate has_static_rank();
OPENVINO_API op::Predicate rank_equals(const Dimension& expected_rank);
OPENVINO_API op::Predicate rank_more_than(const Dimension& expected_rank);
OPENVINO_API op::Predicate type_matches(const element::Type& type);
OPENVINO_API op::Predicate type_matches_any(const std::vector<element::Type>& types);
OPENVINO_API op::Predicate all_of(const std::vector<std::function<bool(Output<Node>)>>& predicates);

template <class T>
op::Predicate has_class() {
  return op::Predicate(
      [](const Output<Node>& value) { return ov::is_type<T>(value.get_node_shared_ptr()); },
      std::string("has_class<") + T::get_type_info_static().name + ">()");
}

template <class T>
op::Predicate class_other_than() {
  return op::Predicate(
      [](const Output<Node>& value) { return !ov::is_type<T>(value.get_node_shared_ptr()); },
      std::string("class_other_than<") + T::get_type_info_static().name + ">()");
}

namespace op {

OPENVINO_API Predicate as_value_predicate(NodePredicate pred);

// Base of the nodes a pattern is built from. Pattern nodes are never part of a model.
class OPENVINO_API Pattern : public Node {
 public:
  Pattern() : Pattern(OutputVector{}) {}
  explicit Pattern(const OutputVector& patterns) : Pattern(patterns, Predicate()) {}
  explicit Pattern(const NodeVector& patterns) : Pattern(as_output_vector(patterns), Predicate()) {}
  Pattern(const OutputVector& patterns, const Predicate& pred);
  Pattern(const NodeVector& patterns, const Predicate& pred)
      : Pattern(as_output_vector(patterns), pred) {}
  ~Pattern() override;

  // Tries `graph_value` against this pattern node; binds into the matcher on success.
  virtual bool match_value(Matcher* matcher, const Output<Node>& pattern_value,
                           const Output<Node>& graph_value) = 0;

  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector&) const override;
  std::ostream& write_description(std::ostream& out, uint32_t depth) const override;
  virtual std::ostream& write_type_description(std::ostream& out) const;

 protected:
  static OutputVector as_output_vector(const NodeVector& nodes);
  Predicate m_predicate;
};

}  // namespace op
}  // namespace pattern
}  // namespace pass
}  // namespace ov
