#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/node.hpp"

namespace ov {
namespace pass {
namespace pattern {
namespace op {

using NodePredicate = std::function<bool(std::shared_ptr<Node>)>;
using ValuePredicate = std::function<bool(const Output<Node>&)>;

// A named test on the graph value a pattern node is matched against. Built from a function of
// the value (Output<Node>) or of its node; an empty predicate accepts everything. Combines with
// && and ||, both short-circuiting.
class OPENVINO_API Predicate {
 public:
  Predicate();
  Predicate(std::nullptr_t);

  template <class F, typename std::enable_if<
                         !std::is_same<typename std::decay<F>::type, Predicate>::value &&
                             std::is_invocable_r<bool, const F&, const Output<Node>&>::value,
                         bool>::type = true>
  explicit Predicate(const F& f, std::string name = "no_name")
      : m_name(std::move(name)),
        m_pred([f](const Output<Node>& value) -> bool { return static_cast<bool>(f(value)); }) {}

  template <class F,
            typename std::enable_if<
                !std::is_same<typename std::decay<F>::type, Predicate>::value &&
                    !std::is_invocable_r<bool, const F&, const Output<Node>&>::value &&
                    std::is_invocable_r<bool, const F&, const std::shared_ptr<Node>&>::value,
                bool>::type = false>
  explicit Predicate(const F& f, std::string name = "no_name")
      : m_name(std::move(name)), m_pred([f](const Output<Node>& value) -> bool {
          return static_cast<bool>(f(value.get_node_shared_ptr()));
        }) {}

  bool operator()(const std::shared_ptr<Node>& node) const;
  bool operator()(const Output<Node>& value) const;

  Predicate operator||(const Predicate& other) const;
  Predicate operator&&(const Predicate& other) const;

  template <class F,
            typename std::enable_if<!std::is_same<typename std::decay<F>::type, Predicate>::value &&
                                        std::is_constructible<Predicate, F>::value,
                                    bool>::type = true>
  Predicate operator||(const F& other) const {
    return *this || Predicate(other);
  }
  template <class F,
            typename std::enable_if<!std::is_same<typename std::decay<F>::type, Predicate>::value &&
                                        std::is_constructible<Predicate, F>::value,
                                    bool>::type = true>
  Predicate operator&&(const F& other) const {
    return *this && Predicate(other);
  }

  const std::string& get_name() const { return m_name; }

 private:
  std::string m_name;
  std::function<bool(const Output<Node>&)> m_pred;
};

template <class F,
          typename std::enable_if<!std::is_same<typename std::decay<F>::type, Predicate>::value &&
                                      std::is_constructible<Predicate, F>::value,
                                  bool>::type = true>
Predicate operator&&(const F& lhs, const Predicate& rhs) {
  return Predicate(lhs) && rhs;
}

template <class F,
          typename std::enable_if<!std::is_same<typename std::decay<F>::type, Predicate>::value &&
                                      std::is_constructible<Predicate, F>::value,
                                  bool>::type = true>
Predicate operator||(const F& lhs, const Predicate& rhs) {
  return Predicate(lhs) || rhs;
}

}  // namespace op
}  // namespace pattern
}  // namespace pass
}  // namespace ov
