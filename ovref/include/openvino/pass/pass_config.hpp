#pragma once

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/node.hpp"
#include "openvino/core/type.hpp"

namespace ov {
namespace pass {

// Tells a pass to skip a node when it returns true (see PassBase::transformation_callback).
using param_callback = std::function<bool(const std::shared_ptr<const ::ov::Node>)>;
using param_callback_map = std::map<ov::DiscreteTypeInfo, param_callback>;

// Which passes are disabled or force-enabled, and the callbacks passes consult. Shared by a
// Manager and the passes registered in it.
class OPENVINO_API PassConfig {
 public:
  PassConfig();

  void disable(const DiscreteTypeInfo& type_info);
  template <class T>
  void disable() {
    disable(T::get_type_info_static());
  }

  void enable(const DiscreteTypeInfo& type_info);
  template <class T>
  void enable() {
    enable(T::get_type_info_static());
  }

  void set_callback(const param_callback& callback) { m_callback = callback; }

  template <typename... Args>
  typename std::enable_if<sizeof...(Args) == 0>::type set_callback(const param_callback&) {}

  template <typename T, class... Args>
  void set_callback(const param_callback& callback) {
    m_callback_map[T::get_type_info_static()] = callback;
    set_callback<Args...>(callback);
  }

  param_callback get_callback(const DiscreteTypeInfo& type_info) const;
  template <class T>
  param_callback get_callback() const {
    return get_callback(T::get_type_info_static());
  }

  bool is_disabled(const DiscreteTypeInfo& type_info) const {
    return m_disabled.count(type_info) != 0;
  }
  template <class T>
  bool is_disabled() const {
    return is_disabled(T::get_type_info_static());
  }

  bool is_enabled(const DiscreteTypeInfo& type_info) const {
    return m_enabled.count(type_info) != 0;
  }
  template <class T>
  bool is_enabled() const {
    return is_enabled(T::get_type_info_static());
  }

  void add_disabled_passes(const PassConfig& rhs);

 private:
  param_callback m_callback = [](const std::shared_ptr<const ::ov::Node>&) { return false; };
  param_callback_map m_callback_map;
  std::unordered_set<DiscreteTypeInfo> m_disabled;
  std::unordered_set<DiscreteTypeInfo> m_enabled;
};

}  // namespace pass
}  // namespace ov
