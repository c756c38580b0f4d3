#pragma once

#include <cstdint>
#include <iosfwd>
#include <limits>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// A closed range of non-negative integers; the upper bound s_max means "unbounded".
class OPENVINO_API Interval {
 public:
  using value_type = std::int64_t;
  using size_type = std::uint64_t;
  static constexpr value_type s_max{std::numeric_limits<value_type>::max()};

  Interval() = default;
  Interval(const Interval&) = default;
  Interval& operator=(const Interval&) = default;
  Interval(value_type min_val, value_type max_val);
  Interval(value_type val);

  size_type size() const;
  bool empty() const { return m_min_val == s_max; }
  value_type get_min_val() const { return m_min_val; }
  void set_min_val(value_type val) { m_min_val = val; }
  value_type get_max_val() const { return m_max_val; }
  void set_max_val(value_type val) { m_max_val = val; }
  bool has_upper_bound() const { return m_max_val != s_max; }
  bool operator==(const Interval& interval) const;
  bool operator!=(const Interval& interval) const { return !(*this == interval); }

  Interval operator+(const Interval& interval) const;
  Interval operator-(const Interval& interval) const;
  Interval operator*(const Interval& interval) const;
  Interval operator&(const Interval& interval) const;
  Interval& operator+=(const Interval& interval) { return *this = *this + interval; }
  Interval& operator-=(const Interval& interval) { return *this = *this - interval; }
  Interval& operator*=(const Interval& interval) { return *this = *this * interval; }
  Interval& operator&=(const Interval& interval) { return *this = *this & interval; }

  bool contains(value_type value) const { return m_min_val <= value && value <= m_max_val; }
  bool contains(const Interval& interval) const {
    return contains(interval.m_min_val) && contains(interval.m_max_val);
  }

 private:
  void canonicalize();
  value_type m_min_val{0};
  value_type m_max_val{s_max};
};

OPENVINO_API std::ostream& operator<<(std::ostream& str, const Interval& interval);

}  // namespace ov
