#pragma once

#include <memory>
#include <string>
#include <vector>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/node.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/pass/pattern/op/any_output.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/pattern.hpp"

namespace ov {
namespace pass {
namespace pattern {

class Matcher;

// Saves the matcher's bindings and matched list; restores them on destruction unless
// finish(true) was called.
class OPENVINO_API MatcherState {
 public:
  explicit MatcherState(Matcher* matcher);
  MatcherState(const MatcherState&) = delete;
  MatcherState& operator=(const MatcherState&) = delete;
  MatcherState(MatcherState&& other) noexcept;
  bool finish(bool is_successful);
  ~MatcherState();

 protected:
  Matcher* m_matcher;
  PatternValueMap m_pattern_value_map;
  PatternValueMaps m_pattern_value_maps;
  size_t m_watermark;
  bool m_restore{true};
};

// Matches a pattern (built from wrap_type, any_input, ... or concrete ops) against a graph
// value. The bindings are valid until the next match or clear_state().
class OPENVINO_API Matcher {
 public:
  Matcher();
  Matcher(Output<Node>& pattern_node);
  Matcher(Output<Node>& pattern_node, const std::string& name);
  Matcher(const Output<Node>& pattern_node, const std::string& name, bool strict_mode);
  Matcher(std::shared_ptr<Node> pattern_node);
  Matcher(std::shared_ptr<Node> pattern_node, const std::string& name);
  Matcher(std::shared_ptr<Node> pattern_node, const std::string& name, bool strict_mode);
  Matcher(const std::shared_ptr<Node> pattern_node, std::nullptr_t name) = delete;
  virtual ~Matcher();

  bool match(const Output<Node>& graph_value);
  bool match(std::shared_ptr<Node> graph_node);
  bool match(const Output<Node>& graph_value, const PatternMap& previous_matches);
  bool match(const Output<Node>& graph_value, const PatternValueMap& previous_matches);

  std::shared_ptr<Node> get_match_root() { return m_match_root.get_node_shared_ptr(); }
  Output<Node> get_match_value() { return m_match_root; }
  PatternValueMap& get_pattern_value_map() { return m_pattern_map; }
  PatternMap get_pattern_map() const { return as_pattern_map(m_pattern_map); }
  PatternValueMaps& get_pattern_value_maps() { return m_pattern_value_maps; }

  // Every graph node added during the match, in visit order.
  const NodeVector get_matched_nodes() { return as_node_vector(m_matched_list); }
  const OutputVector& get_matched_values() const { return m_matched_list; }
  OutputVector& get_matched_values() { return m_matched_list; }

  virtual bool match_value(const ov::Output<Node>& pattern_value,
                           const ov::Output<Node>& graph_value);
  virtual bool match_arguments(Node* pattern_node, const std::shared_ptr<Node>& graph_node);

  const std::string& get_name() { return m_name; }
  std::shared_ptr<Node> get_pattern() { return m_pattern_node.get_node_shared_ptr(); }
  Output<Node> get_pattern_value() { return m_pattern_node; }
  bool is_strict_mode() { return m_strict_mode; }

  void clear_state();

  MatcherState start_match() { return MatcherState(this); }
  size_t add_node(Output<Node> node);

  // Matches a concrete (non-pattern) op used as a pattern node against a graph value.
  bool match_node(Node* pattern_node, const Output<Node>& graph_value);

  Output<Node> m_match_root;
  Output<Node> m_pattern_node;
  PatternValueMap m_pattern_map;
  PatternValueMaps m_pattern_value_maps;
  OutputVector m_matched_list;

 protected:
  bool match_permutation(const OutputVector& pattern_args, const OutputVector& args);

  std::string m_name{"unnamed"};
  bool m_strict_mode{false};
};

}  // namespace pattern
}  // namespace pass
}  // namespace ov
