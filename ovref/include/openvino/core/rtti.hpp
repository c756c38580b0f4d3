#pragma once

#include "openvino/core/type.hpp"

#define _OPENVINO_HIDDEN_METHOD

#define _OPENVINO_RTTI_EXPAND(X) X
#define _OPENVINO_RTTI_DEFINITION_SELECTOR(_1, _2, _3, NAME, ...) NAME

#define _OPENVINO_RTTI_WITH_TYPE(TYPE_NAME) _OPENVINO_RTTI_WITH_TYPE_VERSION(TYPE_NAME, "util")

#define _OPENVINO_RTTI_WITH_TYPE_VERSION(TYPE_NAME, VERSION_NAME)                       \
  _OPENVINO_HIDDEN_METHOD static const ::ov::DiscreteTypeInfo& get_type_info_static() { \
    static ::ov::DiscreteTypeInfo type_info_static{TYPE_NAME, VERSION_NAME};            \
    type_info_static.hash();                                                            \
    return type_info_static;                                                            \
  }                                                                                     \
  const ::ov::DiscreteTypeInfo& get_type_info() const override { return get_type_info_static(); }

#define _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT(TYPE_NAME, VERSION_NAME, PARENT_CLASS)     \
  _OPENVINO_HIDDEN_METHOD static const ::ov::DiscreteTypeInfo& get_type_info_static() {    \
    static ::ov::DiscreteTypeInfo type_info_static{TYPE_NAME, VERSION_NAME,                \
                                                   &PARENT_CLASS::get_type_info_static()}; \
    type_info_static.hash();                                                               \
    return type_info_static;                                                               \
  }                                                                                        \
  const ::ov::DiscreteTypeInfo& get_type_info() const override { return get_type_info_static(); }

#define OPENVINO_RTTI(...)                                                                    \
  _OPENVINO_RTTI_EXPAND(_OPENVINO_RTTI_DEFINITION_SELECTOR(                                   \
      __VA_ARGS__, _OPENVINO_RTTI_WITH_TYPE_VERSION_PARENT, _OPENVINO_RTTI_WITH_TYPE_VERSION, \
      _OPENVINO_RTTI_WITH_TYPE)(__VA_ARGS__))

#define _OPENVINO_RTTI_BASE_WITH_TYPE(TYPE_NAME) \
  _OPENVINO_RTTI_BASE_WITH_TYPE_VERSION(TYPE_NAME, "util")

#define _OPENVINO_RTTI_BASE_WITH_TYPE_VERSION(TYPE_NAME, VERSION_NAME)                  \
  _OPENVINO_HIDDEN_METHOD static const ::ov::DiscreteTypeInfo& get_type_info_static() { \
    static ::ov::DiscreteTypeInfo type_info_static{TYPE_NAME, VERSION_NAME};            \
    type_info_static.hash();                                                            \
    return type_info_static;                                                            \
  }                                                                                     \
  virtual const ::ov::DiscreteTypeInfo& get_type_info() const { return get_type_info_static(); }

#define _OPENVINO_RTTI_BASE_SELECTOR(_1, _2, NAME, ...) NAME

#define OPENVINO_RTTI_BASE(...)                                                             \
  _OPENVINO_RTTI_EXPAND(_OPENVINO_RTTI_BASE_SELECTOR(__VA_ARGS__,                           \
                                                     _OPENVINO_RTTI_BASE_WITH_TYPE_VERSION, \
                                                     _OPENVINO_RTTI_BASE_WITH_TYPE)(__VA_ARGS__))
