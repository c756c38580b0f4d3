#pragma once

#include <initializer_list>
#include <type_traits>

namespace ov {

// A set of flags of an enum class whose values are distinct bits.
template <typename T>
class EnumMask {
 public:
  using value_type = typename std::underlying_type<T>::type;

  constexpr EnumMask() = default;
  constexpr EnumMask(const T& param) : m_value(static_cast<value_type>(param)) {}
  EnumMask(std::initializer_list<T> params) {
    for (const auto& param : params) m_value |= static_cast<value_type>(param);
  }

  value_type value() const { return m_value; }
  bool is_any_set(const EnumMask& p) const { return (m_value & p.m_value) != 0; }
  bool is_set(const EnumMask& p) const { return (m_value & p.m_value) == p.m_value; }
  bool is_any_clear(const EnumMask& p) const { return !is_set(p); }
  bool is_clear(const EnumMask& p) const { return !is_any_set(p); }
  void set(const EnumMask& p) { m_value |= p.m_value; }
  void clear(const EnumMask& p) { m_value &= static_cast<value_type>(~p.m_value); }
  void clear_all() { m_value = 0; }
  bool operator[](const EnumMask& p) const { return is_set(p); }
  bool operator==(const EnumMask& other) const { return m_value == other.m_value; }
  bool operator!=(const EnumMask& other) const { return m_value != other.m_value; }
  EnumMask& operator=(const EnumMask& other) = default;
  EnumMask(const EnumMask& other) = default;
  EnumMask& operator&=(const EnumMask& other) {
    m_value &= other.m_value;
    return *this;
  }
  EnumMask& operator|=(const EnumMask& other) {
    m_value |= other.m_value;
    return *this;
  }
  EnumMask operator&(const EnumMask& other) const {
    EnumMask r(*this);
    r &= other;
    return r;
  }
  EnumMask operator|(const EnumMask& other) const {
    EnumMask r(*this);
    r |= other;
    return r;
  }

 private:
  value_type m_value{0};
};

}  // namespace ov
