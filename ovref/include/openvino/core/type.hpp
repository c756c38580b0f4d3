#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// Type identity of nodes, passes and runtime attributes: a name, a version (opset) and the
// parent's type info. Casting along the parent chain is what is_type<> checks.
struct OPENVINO_API DiscreteTypeInfo {
  const char* name;
  const char* version_id;
  const DiscreteTypeInfo* parent;

  DiscreteTypeInfo() = default;
  DiscreteTypeInfo(const DiscreteTypeInfo&) = default;
  DiscreteTypeInfo(DiscreteTypeInfo&&) = default;
  DiscreteTypeInfo& operator=(const DiscreteTypeInfo&) = default;

  explicit constexpr DiscreteTypeInfo(const char* _name, const char* _version_id,
                                      const DiscreteTypeInfo* _parent = nullptr)
      : name(_name), version_id(_version_id), parent(_parent), hash_value(0) {}

  constexpr DiscreteTypeInfo(const char* _name, const DiscreteTypeInfo* _parent = nullptr)
      : name(_name), version_id(nullptr), parent(_parent), hash_value(0) {}

  bool is_castable(const DiscreteTypeInfo& target_type) const;
  std::string get_version() const;
  operator std::string() const;
  size_t hash() const;
  size_t hash();

  bool operator<(const DiscreteTypeInfo& b) const;
  bool operator<=(const DiscreteTypeInfo& b) const;
  bool operator>(const DiscreteTypeInfo& b) const;
  bool operator>=(const DiscreteTypeInfo& b) const;
  bool operator==(const DiscreteTypeInfo& b) const;
  bool operator!=(const DiscreteTypeInfo& b) const;

 private:
  size_t hash_value;
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const DiscreteTypeInfo& info);

template <typename Type, typename Value>
typename std::enable_if<
    std::is_convertible<
        decltype(std::declval<Value>()->get_type_info().is_castable(Type::get_type_info_static())),
        bool>::value,
    bool>::type
is_type(Value value) {
  return value && value->get_type_info().is_castable(Type::get_type_info_static());
}

template <typename Type, typename... Types, typename Value>
bool is_type_any_of(Value value) {
  return is_type<Type>(value) || (is_type<Types>(value) || ...);
}

template <typename Type, typename Value>
Type* as_type(Value value) {
  return dynamic_cast<Type*>(value);
}

template <typename Type, typename Value>
auto as_type_ptr(const Value& value) -> decltype(std::dynamic_pointer_cast<Type>(value)) {
  return std::dynamic_pointer_cast<Type>(value);
}

}  // namespace ov

namespace std {
template <>
struct hash<ov::DiscreteTypeInfo> {
  size_t operator()(const ov::DiscreteTypeInfo& k) const { return k.hash(); }
};
}  // namespace std
