#pragma once

#include <iosfwd>
#include <limits>
#include <string>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/interval.hpp"

namespace ov {

// One axis of a partial shape: a static length or an interval of possible lengths.
class OPENVINO_API Dimension {
 public:
  using value_type = int64_t;

  Dimension(value_type dimension);
  Dimension(value_type min_dimension, value_type max_dimension);
  Dimension(const std::string& str);
  Dimension() = default;

  static Dimension dynamic() { return Dimension(); }

  bool is_static() const { return m_dimension.size() == 1; }
  bool is_dynamic() const { return !is_static(); }
  value_type get_length() const;
  value_type get_min_length() const;
  value_type get_max_length() const;
  const Interval& get_interval() const { return m_dimension; }
  Interval& get_interval() { return m_dimension; }

  bool same_scheme(const Dimension& dim) const;
  bool compatible(const Dimension& d) const;
  bool relaxes(const Dimension& d) const;
  bool refines(const Dimension& d) const;
  static bool merge(Dimension& dst, const Dimension& d1, const Dimension& d2);
  static bool broadcast_merge(Dimension& dst, const Dimension& d1, const Dimension& d2);

  Dimension operator+(const Dimension& dim) const;
  Dimension operator-(const Dimension& dim) const;
  Dimension operator*(const Dimension& dim) const;
  Dimension operator/(const value_type divisor) const;
  Dimension operator&(const Dimension& dim) const;
  Dimension& operator+=(const Dimension& dim) { return *this = *this + dim; }
  Dimension& operator*=(const Dimension& dim) { return *this = *this * dim; }
  Dimension& operator/=(const value_type divisor) { return *this = *this / divisor; }
  Dimension& operator&=(const Dimension& dim);
  bool operator==(const Dimension& dimension) const { return m_dimension == dimension.m_dimension; }
  bool operator!=(const Dimension& dimension) const { return !(*this == dimension); }

  std::string to_string() const;

 private:
  explicit Dimension(const Interval& interval) : m_dimension(interval) {}
  Interval m_dimension{};
};

OPENVINO_API std::ostream& operator<<(std::ostream& str, const Dimension& dimension);

}  // namespace ov
