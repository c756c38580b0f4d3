#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/enum_mask.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/node.hpp"
#include "openvino/core/rtti.hpp"
#include "openvino/pass/pass_config.hpp"

#define _OPENVINO_MODEL_PASS_RTTI_WITH_TYPE(TYPE_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, "0", ::ov::pass::ModelPass)

#define _OPENVINO_MODEL_PASS_RTTI_WITH_TYPE_VERSION(TYPE_NAME, VERSION_NAME) \
  _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, VERSION_NAME, ::ov::pass::ModelPass)

// RTTI of a model pass: version "0" unless given, parent ov::pass::ModelPass.
#define OPENVINO_MODEL_PASS_RTTI(...)                                                        \
  _OPENVINO_RTTI_EXPAND(                                                                     \
      _OPENVINO_RTTI_BASE_SELECTOR(__VA_ARGS__, _OPENVINO_MODEL_PASS_RTTI_WITH_TYPE_VERSION, \
                                   _OPENVINO_MODEL_PASS_RTTI_WITH_TYPE)(__VA_ARGS__))

namespace ov {
namespace pass {

enum class PassProperty : uint32_t {
  // The pass needs static shapes: it is skipped on a dynamic model.
  REQUIRE_STATIC_SHAPE = 0x1,
  // The pass may change a model from dynamic to static or back.
  CHANGE_DYNAMIC_STATE = 1 << 1,
};

using PassPropertyMask = ov::EnumMask<PassProperty>;

class Manager;

class OPENVINO_API PassBase {
  friend class Manager;

 public:
  PassBase();
  virtual ~PassBase();

  // True when every bit of the mask is set.
  bool get_property(const PassPropertyMask& prop_mask) const;

  void set_name(const std::string& name) { m_name = name; }
  // The name set, or else the demangled C++ type name of the pass.
  std::string get_name() const;

  void set_callback(const param_callback& callback);

  virtual void set_pass_config(const std::shared_ptr<PassConfig>& pass_config) {
    m_pass_config = pass_config;
  }
  std::shared_ptr<PassConfig> get_pass_config() { return m_pass_config; }

  // True when the callback registered for this pass type asks to skip `node`.
  bool transformation_callback(const std::shared_ptr<const Node>& node) {
    return m_pass_config->get_callback(get_type_info())(node);
  }

  using type_info_t = DiscreteTypeInfo;
  virtual const type_info_t& get_type_info() const = 0;

 protected:
  void set_property(const PassPropertyMask& prop, bool value);

 private:
  PassPropertyMask m_property;
  std::string m_name;
  std::shared_ptr<PassConfig> m_pass_config;
};

// A pass over the whole model. run_on_model returns true when it changed the model.
class OPENVINO_API ModelPass : public PassBase {
 public:
  OPENVINO_RTTI("ov::pass::ModelPass");
  ~ModelPass() override;
  virtual bool run_on_model(const std::shared_ptr<ov::Model>& m) = 0;
};

}  // namespace pass
}  // namespace ov
