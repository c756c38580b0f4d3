#pragma once

#include <deque>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "openvino/pass/matcher_pass.hpp"
#include "openvino/pass/pass.hpp"

#define _OPENVINO_GRAPH_REWRITE_RTTI_WITH_TYPE(TYPE_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, "0", ::ov::pass::GraphRewrite)

#define _OPENVINO_GRAPH_REWRITE_RTTI_WITH_TYPE_VERSION(TYPE_NAME, VERSION_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, VERSION_NAME, ::ov::pass::GraphRewrite)

// RTTI of a graph rewrite: version "0" unless given, parent ov::pass::GraphRewrite.
#define OPENVINO_GRAPH_REWRITE_RTTI(...)                                                        \
  _OPENVINO_RTTI_EXPAND(                                                                        \
      _OPENVINO_RTTI_BASE_SELECTOR(__VA_ARGS__, _OPENVINO_GRAPH_REWRITE_RTTI_WITH_TYPE_VERSION, \
                                   _OPENVINO_GRAPH_REWRITE_RTTI_WITH_TYPE)(__VA_ARGS__))

namespace ov {
namespace pass {

// Runs a list of matcher passes in one sweep over the model in topological order. On each node
// the matchers are tried in registration order until one rewrites it; nodes a callback registers
// are visited next.
class OPENVINO_API GraphRewrite : public ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("ov::pass::GraphRewrite");

  GraphRewrite() = default;
  explicit GraphRewrite(const std::shared_ptr<MatcherPass>& pass) : GraphRewrite() {
    m_matchers.push_back(pass);
  }
  ~GraphRewrite() override;

  template <
      typename T, bool Enabled = true, class... Args,
      typename std::enable_if<std::is_base_of<pass::MatcherPass, T>::value, bool>::type = true>
  std::shared_ptr<T> add_matcher(Args&&... args) {
    auto pass = std::make_shared<T>(std::forward<Args>(args)...);
    auto pass_config = get_pass_config();
    pass->set_pass_config(pass_config);
    if (!Enabled && !pass_config->is_enabled<T>()) pass_config->disable<T>();
    m_matchers.push_back(pass);
    return pass;
  }

  // Appends every matcher of the GraphRewrite T.
  template <
      typename T, class... Args,
      typename std::enable_if<std::is_base_of<pass::GraphRewrite, T>::value, bool>::type = true>
  void add_matcher(Args&&... args) {
    auto pass = std::make_shared<T>(std::forward<Args>(args)...);
    auto pass_config = get_pass_config();
    for (auto& matcher : static_cast<GraphRewrite&>(*pass).m_matchers) {
      matcher->set_pass_config(pass_config);
      m_matchers.push_back(matcher);
    }
  }

  std::shared_ptr<MatcherPass> add_matcher(const std::shared_ptr<MatcherPass>& pass);

  bool run_on_model(const std::shared_ptr<ov::Model>& m) override;

  void set_pass_config(const std::shared_ptr<PassConfig>& pass_config) override;

 protected:
  bool apply_matcher_passes(std::shared_ptr<Model> f, std::deque<std::weak_ptr<Node>> nodes_to_run);

  bool m_enable_shape_inference = false;
  std::vector<std::shared_ptr<ov::pass::MatcherPass>> m_matchers;
};

}  // namespace pass
}  // namespace ov
