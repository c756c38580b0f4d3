#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "openvino/core/except.hpp"

namespace ov {

// Names of the values of an enum, as used in attributes and text forms. Parsing ignores case.
template <typename EnumType>
class EnumNames {
 public:
  static EnumType as_enum(const std::string& name) {
    const auto lower = to_lower(name);
    for (const auto& p : get().m_string_enums) {
      if (to_lower(p.first) == lower) return p.second;
    }
    OPENVINO_THROW("\"", name, "\"", " is not a member of enum ", get().m_enum_name);
  }

  static const std::string& as_string(EnumType e) {
    for (const auto& p : get().m_string_enums) {
      if (p.second == e) return p.first;
    }
    OPENVINO_THROW(" invalid member of enum ", get().m_enum_name);
  }

  EnumNames(const std::string& enum_name,
            const std::vector<std::pair<std::string, EnumType>> string_enums)
      : m_enum_name(enum_name), m_string_enums(string_enums) {}

  static EnumNames<EnumType>& get();

 private:
  static std::string to_lower(const std::string& s) {
    std::string rc = s;
    std::transform(rc.begin(), rc.end(), rc.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return rc;
  }

  const std::string m_enum_name;
  std::vector<std::pair<std::string, EnumType>> m_string_enums;
};

template <typename Type>
Type as_enum(const std::string& value) {
  return EnumNames<Type>::as_enum(value);
}

template <typename Value>
const std::string& as_string(Value value) {
  return EnumNames<Value>::as_string(value);
}

}  // namespace ov
