#pragma once

#include <memory>
#include <utility>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/node.hpp"

namespace ov {
namespace pass {

// Holds the nodes a matcher callback created, so the rewrite visits them next.
class OPENVINO_API NodeRegistry {
 public:
  template <typename T, class... Args>
  std::shared_ptr<T> make(Args&&... args) {
    auto node = std::make_shared<T>(std::forward<Args>(args)...);
    return add(node);
  }

  template <typename T>
  std::shared_ptr<T> add(const std::shared_ptr<T>& node) {
    m_nodes.push_back(node);
    return node;
  }

  const NodeVector& get() const { return m_nodes; }
  void clear() { m_nodes.clear(); }

 private:
  NodeVector m_nodes;
};

}  // namespace pass
}  // namespace ov
