// Pass framework: pass configuration, pass bases, Validate, Manager, matcher passes and the
// graph rewrite sweep.
#include "openvino/pass/manager.hpp"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <typeinfo>
#include <unordered_map>

#include "openvino/pass/backward_graph_rewrite.hpp"
#include "openvino/pass/graph_rewrite.hpp"
#include "openvino/pass/matcher_pass.hpp"
#include "openvino/pass/pass.hpp"
#include "openvino/pass/pass_config.hpp"
#include "openvino/pass/pattern/op/pattern.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "openvino/pass/validate.hpp"

namespace ov {
namespace pass {

// ---- PassConfig ----

PassConfig::PassConfig() = default;

void PassConfig::disable(const DiscreteTypeInfo& type_info) {
  m_enabled.erase(type_info);
  m_disabled.insert(type_info);
}

void PassConfig::enable(const DiscreteTypeInfo& type_info) {
  m_disabled.erase(type_info);
  m_enabled.insert(type_info);
}

param_callback PassConfig::get_callback(const DiscreteTypeInfo& type_info) const {
  const auto it = m_callback_map.find(type_info);
  if (it != m_callback_map.end()) return it->second;
  return m_callback;
}

void PassConfig::add_disabled_passes(const PassConfig& rhs) {
  for (const auto& pass : rhs.m_disabled) {
    if (is_enabled(pass)) continue;
    disable(pass);
  }
}

// ---- PassBase, ModelPass ----

PassBase::PassBase() : m_property(), m_pass_config(std::make_shared<PassConfig>()) {}

PassBase::~PassBase() = default;

bool PassBase::get_property(const PassPropertyMask& prop_mask) const {
  return m_property.is_set(prop_mask);
}

std::string PassBase::get_name() const {
  if (!m_name.empty()) return m_name;
  const char* mangled = typeid(*this).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : mangled;
  std::free(demangled);
  return name;
}

void PassBase::set_callback(const param_callback& callback) {
  m_pass_config->set_callback(callback);
}

void PassBase::set_property(const PassPropertyMask& prop, bool value) {
  if (value) {
    m_property.set(prop);
  } else {
    m_property.clear(prop);
  }
}

ModelPass::~ModelPass() = default;

// ---- Validate ----

bool Validate::run_on_model(const std::shared_ptr<ov::Model>& f) {
  f->validate_nodes_and_infer_types();
  return false;
}

// ---- MatcherPass ----

MatcherPass::~MatcherPass() = default;

bool MatcherPass::apply(std::shared_ptr<ov::Node> node) {
  clear_new_nodes();
  if (!m_handler) return false;
  return m_handler(node);
}

void MatcherPass::register_matcher(const std::shared_ptr<pattern::Matcher>& m,
                                   const matcher_pass_callback& callback,
                                   const PassPropertyMask& property) {
  OPENVINO_ASSERT(m, "register_matcher needs a matcher");
  set_name(m->get_name());
  set_property(property, true);
  m_matcher = m;
  m_handler = [m, callback](const std::shared_ptr<Node>& node) -> bool {
    if (node->get_output_size() == 0 || !m->match(node->output(0))) {
      m->clear_state();
      return false;
    }
    bool status = false;
    try {
      status = callback(*m);
    } catch (const std::exception& e) {
      m->clear_state();
      std::stringstream node_text;
      node_text << *node;
      OPENVINO_THROW("[MATCHER] ", m->get_name(), "node: ", node_text.str(),
                     " callback has thrown: ", e.what());
    }
    m->clear_state();
    return status;
  };
}

void MatcherPass::register_matcher(const std::shared_ptr<pattern::Matcher>& m,
                                   const matcher_pass_callback& callback) {
  register_matcher(m, callback, PassProperty::CHANGE_DYNAMIC_STATE);
}

// ---- GraphRewrite ----

GraphRewrite::~GraphRewrite() = default;

std::shared_ptr<MatcherPass> GraphRewrite::add_matcher(const std::shared_ptr<MatcherPass>& pass) {
  pass->set_pass_config(get_pass_config());
  m_matchers.push_back(pass);
  return pass;
}

void GraphRewrite::set_pass_config(const std::shared_ptr<PassConfig>& rhs) {
  auto old_config = get_pass_config();
  if (old_config && rhs && old_config != rhs) rhs->add_disabled_passes(*old_config);
  PassBase::set_pass_config(rhs);
  for (auto& matcher : m_matchers) matcher->set_pass_config(rhs);
}

bool GraphRewrite::run_on_model(const std::shared_ptr<ov::Model>& f) {
  std::deque<std::weak_ptr<Node>> nodes_to_run;
  for (auto& node : f->get_ordered_ops()) nodes_to_run.emplace_back(node);
  return apply_matcher_passes(f, std::move(nodes_to_run));
}

bool BackwardGraphRewrite::run_on_model(const std::shared_ptr<ov::Model>& f) {
  std::deque<std::weak_ptr<Node>> nodes_to_run;
  for (auto& node : f->get_ordered_ops()) nodes_to_run.emplace_front(node);
  return apply_matcher_passes(f, std::move(nodes_to_run));
}

bool GraphRewrite::apply_matcher_passes(std::shared_ptr<Model> f,
                                        std::deque<std::weak_ptr<Node>> nodes_to_run) {
  const auto pass_config = get_pass_config();

  // With every root a concrete type (or a WrapType), a node is only offered to the matchers
  // whose root type is its own type or one of its RTTI ancestors.
  bool typed = true;
  std::unordered_map<DiscreteTypeInfo, std::vector<size_t>> type_to_matcher;
  for (size_t i = 0; i < m_matchers.size(); ++i) {
    const auto& matcher_pass = m_matchers[i];
    if (pass_config->is_disabled(matcher_pass->get_type_info())) continue;
    auto matcher = matcher_pass->get_matcher();
    if (!matcher) {
      typed = false;
      break;
    }
    auto root = matcher->get_pattern_value().get_node_shared_ptr();
    if (ov::is_type<pattern::op::AnyOutput>(root)) root = root->get_input_node_shared_ptr(0);
    if (std::dynamic_pointer_cast<pattern::op::Pattern>(root)) {
      if (auto wrap = std::dynamic_pointer_cast<pattern::op::WrapType>(root)) {
        for (const auto& type : wrap->get_wrapped_types()) type_to_matcher[type].push_back(i);
      } else {
        typed = false;
        break;
      }
    } else {
      type_to_matcher[root->get_type_info()].push_back(i);
    }
  }

  auto candidates_for = [&](const Node& node) {
    std::vector<size_t> indices;
    if (typed) {
      for (const DiscreteTypeInfo* info = &node.get_type_info(); info; info = info->parent) {
        auto it = type_to_matcher.find(*info);
        if (it != type_to_matcher.end()) {
          indices.insert(indices.end(), it->second.begin(), it->second.end());
        }
      }
      std::sort(indices.begin(), indices.end());
      indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    } else {
      for (size_t i = 0; i < m_matchers.size(); ++i) {
        if (!pass_config->is_disabled(m_matchers[i]->get_type_info())) indices.push_back(i);
      }
    }
    return indices;
  };

  bool rewritten = false;
  // Walking the model for dynamism is needed only when a matcher asks for static shapes.
  const bool needs_static = std::any_of(m_matchers.begin(), m_matchers.end(), [](const auto& m) {
    return m->get_property(PassProperty::REQUIRE_STATIC_SHAPE);
  });
  const bool model_is_dynamic = needs_static && f->is_dynamic();
  while (!nodes_to_run.empty()) {
    auto node = nodes_to_run.front().lock();
    nodes_to_run.pop_front();
    if (!node) continue;
    if (m_enable_shape_inference) node->revalidate_and_infer_types();
    for (size_t index : candidates_for(*node)) {
      auto& matcher_pass = m_matchers[index];
      bool result = false;
      if (!(matcher_pass->get_property(PassProperty::REQUIRE_STATIC_SHAPE) && model_is_dynamic)) {
        result = matcher_pass->apply(node);
      }
      const auto& new_nodes = matcher_pass->get_new_nodes();
      for (auto it = new_nodes.rbegin(); it != new_nodes.rend(); ++it) {
        nodes_to_run.emplace_front(*it);
      }
      matcher_pass->clear_new_nodes();
      if (result) {
        rewritten = true;
        break;
      }
    }
  }
  return rewritten;
}

// ---- Manager ----

Manager::Manager() : Manager(std::make_shared<PassConfig>()) {}

Manager::~Manager() = default;

Manager::Manager(std::string name) : Manager(std::make_shared<PassConfig>(), std::move(name)) {}

Manager::Manager(std::shared_ptr<PassConfig> pass_config, std::string name)
    : m_pass_config(std::move(pass_config)), m_name(std::move(name)) {
  OPENVINO_ASSERT(m_pass_config, "Manager needs a pass config");
}

Manager::Manager(const PassConfig& pass_config, std::string name)
    : Manager(std::make_shared<PassConfig>(pass_config), std::move(name)) {}

std::shared_ptr<PassBase> Manager::register_pass_instance(std::shared_ptr<PassBase> pass) {
  OPENVINO_ASSERT(pass, "register_pass_instance needs a pass");
  pass->set_pass_config(m_pass_config);
  m_pass_list.push_back(pass);
  if (m_per_pass_validation) push_pass<Validate>();
  return pass;
}

bool Manager::run_passes(const std::shared_ptr<Model>& model) {
  OPENVINO_ASSERT(model, "run_passes needs a model");
  bool changed_any = false;
  bool last_changed = false;
  for (const auto& pass : m_pass_list) {
    last_changed = run_pass(pass, model, last_changed);
    changed_any = changed_any || last_changed;
  }
  return changed_any;
}

bool Manager::run_pass(const std::shared_ptr<PassBase>& pass, const std::shared_ptr<Model>& model,
                       bool needs_validate) {
  if (m_pass_config->is_disabled(pass->get_type_info())) return false;
  if (pass->get_property(PassProperty::REQUIRE_STATIC_SHAPE) && model->is_dynamic()) return false;
  if (auto matcher_pass = std::dynamic_pointer_cast<MatcherPass>(pass)) {
    return GraphRewrite(matcher_pass).run_on_model(model);
  }
  if (auto model_pass = std::dynamic_pointer_cast<ModelPass>(pass)) {
    if (std::dynamic_pointer_cast<Validate>(model_pass) && !needs_validate) return false;
    return model_pass->run_on_model(model);
  }
  return false;
}

}  // namespace pass
}  // namespace ov
