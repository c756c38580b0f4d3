// Pattern matching: predicates, pattern nodes and the matcher.
#include "openvino/pass/pattern/op/pattern.hpp"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "openvino/pass/pattern/matcher.hpp"
#include "openvino/pass/pattern/op/any_output.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/optional.hpp"
#include "openvino/pass/pattern/op/or.hpp"
#include "openvino/pass/pattern/op/predicate.hpp"
#include "openvino/pass/pattern/op/true.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"

namespace ov {
namespace pass {
namespace pattern {

// ---- Predicate ----

namespace op {

Predicate::Predicate() : m_name("always_true"), m_pred([](const Output<Node>&) { return true; }) {}

Predicate::Predicate(std::nullptr_t) : Predicate() {}

bool Predicate::operator()(const std::shared_ptr<Node>& node) const {
  return m_pred(node->get_default_output());
}

bool Predicate::operator()(const Output<Node>& value) const { return m_pred(value); }

Predicate Predicate::operator||(const Predicate& other) const {
  Predicate result;
  result.m_name = m_name + " || " + other.m_name;
  auto lhs = m_pred;
  auto rhs = other.m_pred;
  result.m_pred = [lhs, rhs](const Output<Node>& value) { return lhs(value) || rhs(value); };
  return result;
}

Predicate Predicate::operator&&(const Predicate& other) const {
  Predicate result;
  result.m_name = m_name + " && " + other.m_name;
  auto lhs = m_pred;
  auto rhs = other.m_pred;
  result.m_pred = [lhs, rhs](const Output<Node>& value) { return lhs(value) && rhs(value); };
  return result;
}

Predicate as_value_predicate(NodePredicate pred) {
  return Predicate([pred](const Output<Node>& value) { return pred(value.get_node_shared_ptr()); });
}

}  // namespace op

// ---- factories ----

PatternMap as_pattern_map(const PatternValueMap& pattern_value_map) {
  PatternMap result;
  for (const auto& item : pattern_value_map) result[item.first] = item.second.get_node_shared_ptr();
  return result;
}

PatternValueMap as_pattern_value_map(const PatternMap& pattern_map) {
  PatternValueMap result;
  for (const auto& item : pattern_map) result[item.first] = item.second;
  return result;
}

op::Predicate consumers_count(size_t n) {
  return op::Predicate(
      [n](const Output<Node>& value) { return value.get_target_inputs().size() == n; },
      "consumers_count(" + std::to_string(n) + ")");
}

op::Predicate consumers_more_than(size_t n) {
  return op::Predicate(
      [n](const Output<Node>& value) { return value.get_target_inputs().size() > n; },
      "consumers_more_than(" + std::to_string(n) + ")");
}

op::Predicate has_static_dim(size_t pos) {
  return op::Predicate(
      [pos](const Output<Node>& value) {
        const auto& shape = value.get_partial_shape();
        return shape.rank().is_static() && static_cast<size_t>(shape.rank().get_length()) > pos &&
               shape[pos].is_static();
      },
      "has_static_dim(" + std::to_string(pos) + ")");
}

op::Predicate has_static_dims(const std::vector<size_t>& dims) {
  return op::Predicate(
      [dims](const Output<Node>& value) {
        const auto& shape = value.get_partial_shape();
        if (shape.rank().is_dynamic()) return false;
        const auto rank = static_cast<size_t>(shape.rank().get_length());
        for (size_t dim : dims) {
          if (dim >= rank || shape[dim].is_dynamic()) return false;
        }
        return true;
      },
      "has_static_dims");
}

op::Predicate has_static_shape() {
  return op::Predicate(
      [](const Output<Node>& value) { return value.get_partial_shape().is_static(); },
      "has_static_shape");
}

op::Predicate has_static_rank() {
  return op::Predicate(
      [](const Output<Node>& value) { return value.get_partial_shape().rank().is_static(); },
      "has_static_rank");
}

op::Predicate rank_equals(const Dimension& expected_rank) {
  std::stringstream name;
  name << "rank_equals(" << expected_rank << ")";
  return op::Predicate(
      [expected_rank](const Output<Node>& value) {
        return value.get_partial_shape().rank() == expected_rank;
      },
      name.str());
}

op::Predicate rank_more_than(const Dimension& expected_rank) {
  OPENVINO_ASSERT(expected_rank.is_static(),
                  "Predicate `rank_more_than` registered with dynamic rank");
  std::stringstream name;
  name << "rank_more_than(" << expected_rank << ")";
  return op::Predicate(
      [expected_rank](const Output<Node>& value) {
        const auto rank = value.get_partial_shape().rank();
        return rank.is_static() && rank.get_length() > expected_rank.get_length();
      },
      name.str());
}

op::Predicate type_matches(const element::Type& type) {
  std::stringstream name;
  name << "type_matches(" << type << ")";
  return op::Predicate(
      [type](const Output<Node>& value) { return value.get_element_type() == type; }, name.str());
}

op::Predicate type_matches_any(const std::vector<element::Type>& types) {
  return op::Predicate(
      [types](const Output<Node>& value) {
        return std::find(types.begin(), types.end(), value.get_element_type()) != types.end();
      },
      "type_matches_any");
}

op::Predicate all_of(const std::vector<std::function<bool(Output<Node>)>>& predicates) {
  return op::Predicate(
      [predicates](const Output<Node>& value) {
        for (const auto& predicate : predicates) {
          if (!predicate(value)) return false;
        }
        return true;
      },
      "all_of(...)");
}

std::shared_ptr<Node> any_input() { return std::make_shared<op::Label>(); }

namespace op {

// ---- Pattern ----

Pattern::Pattern(const OutputVector& patterns, const Predicate& pred)
    : Node(patterns, 1), m_predicate(pred) {
  set_output_type(0, element::dynamic, PartialShape::dynamic());
}

Pattern::~Pattern() = default;

OutputVector Pattern::as_output_vector(const NodeVector& nodes) {
  OutputVector result;
  for (const auto& node : nodes) result.push_back(node->get_default_output());
  return result;
}

std::shared_ptr<Node> Pattern::clone_with_new_inputs(const OutputVector&) const {
  OPENVINO_THROW("Uncopyable");
}

std::ostream& Pattern::write_type_description(std::ostream& out) const {
  const auto& info = get_type_info();
  if (info.version_id) out << info.version_id << "::";
  return out << info.name;
}

std::ostream& Pattern::write_description(std::ostream& out, uint32_t depth) const {
  write_type_description(out);
  if (depth > 0) {
    out << " (";
    std::string sep;
    for (const auto& arg : input_values()) {
      out << sep << arg;
      sep = ", ";
    }
    out << ") -> (";
    sep.clear();
    for (size_t i = 0; i < get_output_size(); i++) {
      out << sep << get_output_element_type(i) << get_output_partial_shape(i);
      sep = ", ";
    }
    out << ")";
  }
  return out;
}

// ---- True, AnyOutput, Label, Or ----

bool True::match_value(Matcher*, const Output<Node>&, const Output<Node>&) { return true; }

bool AnyOutput::match_value(Matcher* matcher, const Output<Node>&,
                            const Output<Node>& graph_value) {
  auto* inner = get_input_node_ptr(0);
  if (auto* pattern = dynamic_cast<Pattern*>(inner)) {
    return pattern->match_value(matcher, inner->output(0), graph_value);
  }
  return matcher->match_node(inner, graph_value);
}

Output<Node> Label::wrap_values(const OutputVector& wrapped_values) {
  switch (wrapped_values.size()) {
    case 0:
      return std::make_shared<True>()->output(0);
    case 1:
      return wrapped_values[0];
    default:
      return std::make_shared<Or>(wrapped_values)->output(0);
  }
}

Output<Node> Label::wrap_values(const NodeVector& wrapped_values) {
  return wrap_values(as_output_vector(wrapped_values));
}

bool Label::match_value(Matcher* matcher, const Output<Node>&, const Output<Node>& graph_value) {
  if (!m_predicate(graph_value)) return false;
  auto& pattern_map = matcher->get_pattern_value_map();
  auto saved = matcher->start_match();
  matcher->add_node(graph_value);
  const auto self = shared_from_this();
  auto it = pattern_map.find(self);
  if (it != pattern_map.end()) return saved.finish(it->second == graph_value);
  pattern_map[self] = graph_value;
  return saved.finish(matcher->match_value(input_value(0), graph_value));
}

bool Or::match_value(Matcher* matcher, const Output<Node>&, const Output<Node>& graph_value) {
  for (const auto& alternative : input_values()) {
    auto saved = matcher->start_match();
    if (matcher->match_value(alternative, graph_value)) {
      matcher->get_pattern_value_map()[shared_from_this()] = graph_value;
      return saved.finish(true);
    }
  }
  return false;
}

// ---- WrapType, Optional ----

bool WrapType::match_value(Matcher* matcher, const Output<Node>& pattern_value,
                           const Output<Node>& graph_value) {
  const auto& graph_type = graph_value.get_node()->get_type_info();
  const bool type_ok =
      std::any_of(m_wrapped_types.begin(), m_wrapped_types.end(),
                  [&](const NodeTypeInfo& type) { return graph_type.is_castable(type); });
  if (!type_ok || !m_predicate(graph_value)) return false;
  matcher->get_pattern_value_map()[shared_from_this()] = graph_value;
  matcher->add_node(graph_value);
  if (get_input_size() == 0) return true;
  return matcher->match_arguments(pattern_value.get_node(), graph_value.get_node_shared_ptr());
}

NodeTypeInfo WrapType::get_wrapped_type() const {
  if (m_wrapped_types.size() > 1) {
    OPENVINO_THROW("get_wrapped_type() called on WrapType with more than one type");
  }
  return m_wrapped_types.at(0);
}

std::ostream& WrapType::write_type_description(std::ostream& out) const {
  const bool several = m_wrapped_types.size() > 1;
  if (several) out << "<";
  for (size_t i = 0; i < m_wrapped_types.size(); ++i) {
    if (i) out << ", ";
    const auto& type = m_wrapped_types[i];
    if (type.version_id) out << type.version_id << "::";
    out << type.name;
  }
  if (several) out << ">";
  return out;
}

bool Optional::match_value(Matcher* matcher, const Output<Node>&, const Output<Node>& graph_value) {
  // Present: the node is one of the optional types. Absent: input 0 matches directly.
  const auto inputs = input_values();
  auto wrap = std::make_shared<WrapType>(optional_types, m_predicate, inputs);
  std::shared_ptr<Node> alternatives = wrap;
  if (!inputs.empty()) alternatives = std::make_shared<Or>(OutputVector{wrap, inputs[0]});
  auto saved = matcher->start_match();
  if (!matcher->match_value(alternatives, graph_value)) return false;
  auto& pattern_map = matcher->get_pattern_value_map();
  if (pattern_map.count(wrap)) pattern_map[shared_from_this()] = graph_value;
  pattern_map.erase(wrap);
  pattern_map.erase(alternatives);
  return saved.finish(true);
}

}  // namespace op

// ---- MatcherState ----

MatcherState::MatcherState(Matcher* matcher)
    : m_matcher(matcher),
      m_pattern_value_map(matcher->m_pattern_map),
      m_pattern_value_maps(matcher->m_pattern_value_maps),
      m_watermark(matcher->m_matched_list.size()) {}

MatcherState::MatcherState(MatcherState&& other) noexcept
    : m_matcher(other.m_matcher),
      m_pattern_value_map(std::move(other.m_pattern_value_map)),
      m_pattern_value_maps(std::move(other.m_pattern_value_maps)),
      m_watermark(other.m_watermark),
      m_restore(other.m_restore) {
  other.m_restore = false;
}

bool MatcherState::finish(bool is_successful) {
  m_restore = !is_successful;
  return is_successful;
}

MatcherState::~MatcherState() {
  if (!m_restore) return;
  auto& matched = m_matcher->m_matched_list;
  if (matched.size() > m_watermark) matched.erase(matched.begin() + m_watermark, matched.end());
  m_matcher->m_pattern_map = std::move(m_pattern_value_map);
  m_matcher->m_pattern_value_maps = std::move(m_pattern_value_maps);
}

// ---- Matcher ----

namespace {

Output<Node> make_node_output(const std::shared_ptr<Node>& node) {
  OPENVINO_ASSERT(node, "A matcher needs a pattern node");
  if (node->get_output_size() == 1) return node->output(0);
  return std::make_shared<op::AnyOutput>(node)->output(0);
}

// The v1 and v0 operations whose inputs may be swapped.
bool is_commutative(const Node& node) {
  const auto& info = node.get_type_info();
  if (!info.version_id) return false;
  static const char* const kOpset1[] = {"Add",      "Multiply",   "Maximum",   "Minimum",   "Equal",
                                        "NotEqual", "LogicalAnd", "LogicalOr", "LogicalXor"};
  if (std::strcmp(info.version_id, "opset1") == 0) {
    for (const char* name : kOpset1) {
      if (std::strcmp(info.name, name) == 0) return true;
    }
  }
  return std::strcmp(info.version_id, "opset1") == 0 && std::strcmp(info.name, "Xor") == 0;
}

}  // namespace

Matcher::Matcher() = default;

Matcher::Matcher(Output<Node>& pattern_node) : m_pattern_node(pattern_node), m_name("") {}

Matcher::Matcher(Output<Node>& pattern_node, const std::string& name)
    : m_pattern_node(pattern_node), m_name(name) {}

Matcher::Matcher(const Output<Node>& pattern_node, const std::string& name, bool strict_mode)
    : m_pattern_node(pattern_node), m_name(name), m_strict_mode(strict_mode) {}

Matcher::Matcher(std::shared_ptr<Node> pattern_node)
    : m_pattern_node(make_node_output(pattern_node)), m_name("unnamed") {}

Matcher::Matcher(std::shared_ptr<Node> pattern_node, const std::string& name)
    : m_pattern_node(make_node_output(pattern_node)), m_name(name) {}

Matcher::Matcher(std::shared_ptr<Node> pattern_node, const std::string& name, bool strict_mode)
    : m_pattern_node(make_node_output(pattern_node)), m_name(name), m_strict_mode(strict_mode) {}

Matcher::~Matcher() = default;

void Matcher::clear_state() {
  m_match_root.reset();
  m_pattern_map.clear();
  m_pattern_value_maps.clear();
  m_matched_list.clear();
}

size_t Matcher::add_node(Output<Node> value) {
  const size_t position = m_matched_list.size();
  m_matched_list.push_back(std::move(value));
  return position;
}

bool Matcher::match(const Output<Node>& graph_value) {
  return match(graph_value, PatternValueMap{});
}

bool Matcher::match(std::shared_ptr<Node> graph_node) {
  OPENVINO_ASSERT(graph_node, "match needs a graph node");
  return match(graph_node->output(0), PatternValueMap{});
}

bool Matcher::match(const Output<Node>& graph_value, const PatternMap& previous_matches) {
  return match(graph_value, as_pattern_value_map(previous_matches));
}

bool Matcher::match(const Output<Node>& graph_value, const PatternValueMap& previous_matches) {
  clear_state();
  OPENVINO_ASSERT(m_pattern_node.get_node(), "Matcher '", m_name, "' has no pattern");
  m_pattern_map.insert(previous_matches.begin(), previous_matches.end());
  auto saved = start_match();
  const bool is_match = match_value(m_pattern_node, graph_value);
  if (is_match) m_match_root = graph_value;
  return saved.finish(is_match);
}

bool Matcher::match_value(const Output<Node>& pattern_value, const Output<Node>& graph_value) {
  auto* pattern_node = pattern_value.get_node();
  if (auto* pattern = dynamic_cast<op::Pattern*>(pattern_node)) {
    return pattern->match_value(this, pattern_value, graph_value);
  }
  // A concrete op in the pattern: same output port, same (or derived) type, matching inputs.
  if (pattern_value.get_index() != graph_value.get_index()) return false;
  if (m_strict_mode &&
      (!pattern_value.get_element_type().compatible(graph_value.get_element_type()) ||
       !pattern_value.get_partial_shape().compatible(graph_value.get_partial_shape()))) {
    return false;
  }
  return match_node(pattern_node, graph_value);
}

bool Matcher::match_node(Node* pattern_node, const Output<Node>& graph_value) {
  auto saved = start_match();
  add_node(graph_value);
  auto graph_node = graph_value.get_node_shared_ptr();
  if (graph_node->get_type_info().is_castable(pattern_node->get_type_info()) &&
      match_arguments(pattern_node, graph_node)) {
    m_pattern_map[pattern_node->shared_from_this()] = graph_value;
    return saved.finish(true);
  }
  return false;
}

bool Matcher::match_permutation(const OutputVector& pattern_args, const OutputVector& args) {
  for (size_t i = 0; i < args.size(); i++) {
    if (!match_value(pattern_args[i], args[i])) return false;
  }
  return true;
}

bool Matcher::match_arguments(Node* pattern_node, const std::shared_ptr<Node>& graph_node) {
  const auto args = graph_node->input_values();
  auto pattern_args = pattern_node->input_values();
  if (args.size() != pattern_args.size()) return false;
  if (is_commutative(*graph_node)) {
    std::sort(pattern_args.begin(), pattern_args.end());
    do {
      auto saved = start_match();
      if (match_permutation(pattern_args, args)) return saved.finish(true);
    } while (std::next_permutation(pattern_args.begin(), pattern_args.end()));
    return false;
  }
  auto saved = start_match();
  return saved.finish(match_permutation(pattern_args, args));
}

}  // namespace pattern
}  // namespace pass
}  // namespace ov
