#include "openvino/core/shape.hpp"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <sstream>

#include "openvino/core/axis_set.hpp"
#include "openvino/core/axis_vector.hpp"
#include "openvino/core/coordinate.hpp"
#include "openvino/core/coordinate_diff.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/strides.hpp"

namespace ov {

namespace {

using value_type = Interval::value_type;

value_type clip(value_type value, value_type min, value_type max) {
  return std::min(std::max(value, min), max);
}

value_type clip_times(value_type a, value_type b) {
  if (a == 0 || b == 0) return 0;
  if (a == Interval::s_max || b == Interval::s_max || a > Interval::s_max / b) {
    return Interval::s_max;
  }
  return a * b;
}

value_type clip_add(value_type a, value_type b) {
  if (a == Interval::s_max || b == Interval::s_max) return Interval::s_max;
  if (a > Interval::s_max - b) return Interval::s_max;
  return a + b;
}

value_type clip_minus(value_type a, value_type b) {
  if (a <= b) return 0;
  if (a == Interval::s_max) return Interval::s_max;
  return a - b;
}

bool is_number(const std::string& s) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(c) || c == '-'; });
}

value_type parse_number(const std::string& s, const char* what, const std::string& whole) {
  if (!is_number(s)) OPENVINO_THROW(what, "\"", whole, "\"");
  try {
    return std::stoll(s);
  } catch (const std::exception&) {
    OPENVINO_THROW(what, "\"", whole, "\"");
  }
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

template <typename C>
std::ostream& print_list(std::ostream& s, const char* prefix, const C& c) {
  s << prefix << "{";
  bool first = true;
  for (const auto& v : c) {
    if (!first) s << ", ";
    s << v;
    first = false;
  }
  return s << "}";
}

}  // namespace

// ---- Interval ----

Interval::Interval(value_type min_val, value_type max_val)
    : m_min_val(min_val), m_max_val(max_val) {
  canonicalize();
}

Interval::Interval(value_type val) : Interval(val, val) {}

void Interval::canonicalize() {
  if (m_max_val < m_min_val) {
    m_min_val = s_max;
    m_max_val = s_max;
  } else {
    m_min_val = clip(m_min_val, 0, s_max);
    m_max_val = clip(m_max_val, 0, s_max);
  }
}

Interval::size_type Interval::size() const {
  if (m_max_val == s_max) return m_min_val == s_max ? 0 : s_max;
  return static_cast<size_type>(m_max_val - m_min_val + 1);
}

bool Interval::operator==(const Interval& interval) const {
  return m_min_val == interval.m_min_val && m_max_val == interval.m_max_val;
}

Interval Interval::operator+(const Interval& interval) const {
  if (empty() || interval.empty()) return Interval(s_max);
  return Interval(clip_add(m_min_val, interval.m_min_val), clip_add(m_max_val, interval.m_max_val));
}

Interval Interval::operator-(const Interval& interval) const {
  if (empty() || interval.empty()) return Interval(s_max);
  return Interval(clip_minus(m_min_val, interval.m_max_val),
                  clip_minus(m_max_val, interval.m_min_val));
}

Interval Interval::operator*(const Interval& interval) const {
  if (empty() || interval.empty()) return Interval(s_max);
  return Interval(clip_times(m_min_val, interval.m_min_val),
                  clip_times(m_max_val, interval.m_max_val));
}

Interval Interval::operator&(const Interval& interval) const {
  return Interval(std::max(m_min_val, interval.m_min_val), std::min(m_max_val, interval.m_max_val));
}

std::ostream& operator<<(std::ostream& str, const Interval& interval) {
  str << "Interval(" << interval.get_min_val() << ", ";
  if (interval.has_upper_bound()) {
    str << interval.get_max_val();
  } else {
    str << "...";
  }
  return str << ")";
}

// ---- Dimension ----

Dimension::Dimension(value_type dimension)
    : m_dimension(dimension == -1 ? Interval() : Interval(dimension)) {}

Dimension::Dimension(value_type min_dimension, value_type max_dimension)
    : m_dimension(min_dimension == -1 ? 0 : min_dimension,
                  max_dimension == -1 ? Interval::s_max : max_dimension) {}

Dimension::Dimension(const std::string& value) {
  const std::string str = trim(value);
  if (str == "?" || str == "-1") {
    m_dimension = Interval();
    return;
  }
  const auto sep = str.find("..");
  if (sep == std::string::npos) {
    m_dimension = Interval(parse_number(str, "Cannot parse dimension: ", str));
    return;
  }
  const std::string min_str = str.substr(0, sep);
  const std::string max_str = str.substr(sep + 2);
  const value_type min_value =
      min_str.empty() ? 0 : parse_number(min_str, "Cannot parse min bound: ", min_str);
  const value_type max_value = max_str.empty()
                                   ? Interval::s_max
                                   : parse_number(max_str, "Cannot parse max bound: ", max_str);
  m_dimension = Interval(min_value, max_value);
}

Dimension::value_type Dimension::get_length() const {
  if (is_dynamic()) OPENVINO_THROW("Cannot get length of dynamic dimension");
  return m_dimension.get_min_val();
}

Dimension::value_type Dimension::get_min_length() const { return m_dimension.get_min_val(); }

Dimension::value_type Dimension::get_max_length() const {
  return m_dimension.has_upper_bound() ? m_dimension.get_max_val() : -1;
}

bool Dimension::same_scheme(const Dimension& dim) const {
  return (m_dimension == dim.m_dimension) || (is_dynamic() && dim.is_dynamic());
}

bool Dimension::compatible(const Dimension& d) const {
  return !(m_dimension & d.m_dimension).empty();
}

bool Dimension::relaxes(const Dimension& d) const { return m_dimension.contains(d.m_dimension); }

bool Dimension::refines(const Dimension& d) const { return d.m_dimension.contains(m_dimension); }

bool Dimension::merge(Dimension& dst, const Dimension& d1, const Dimension& d2) {
  const Interval result = d1.m_dimension & d2.m_dimension;
  if (result.empty()) return false;
  dst = Dimension(result);
  return true;
}

bool Dimension::broadcast_merge(Dimension& dst, const Dimension& d1, const Dimension& d2) {
  const bool d1_has_1 = d1.m_dimension.contains(1);
  const bool d2_has_1 = d2.m_dimension.contains(1);
  if (d1_has_1 && d2_has_1) {
    dst = Dimension(Interval(std::min(d1.m_dimension.get_min_val(), d2.m_dimension.get_min_val()),
                             std::max(d1.m_dimension.get_max_val(), d2.m_dimension.get_max_val())));
    return true;
  }
  if (d1_has_1) {
    dst = d2;
    return true;
  }
  if (d2_has_1) {
    dst = d1;
    return true;
  }
  return merge(dst, d1, d2);
}

Dimension Dimension::operator+(const Dimension& dim) const {
  return Dimension(m_dimension + dim.m_dimension);
}

Dimension Dimension::operator-(const Dimension& dim) const {
  return Dimension(m_dimension - dim.m_dimension);
}

Dimension Dimension::operator*(const Dimension& dim) const {
  return Dimension(m_dimension * dim.m_dimension);
}

Dimension Dimension::operator/(const value_type divisor) const {
  OPENVINO_ASSERT(divisor >= 0, "divisor must be greater than 0");
  if (divisor == 1) return *this;
  if (m_dimension.get_max_val() == Interval::s_max && m_dimension.get_min_val() == 0) {
    return Dimension::dynamic();
  }
  const auto lower = (m_dimension.get_min_val() + divisor - 1) / divisor;
  const auto upper =
      m_dimension.has_upper_bound() ? m_dimension.get_max_val() / divisor : Interval::s_max;
  return Dimension(Interval(lower, upper));
}

Dimension Dimension::operator&(const Dimension& dim) const {
  return Dimension(m_dimension & dim.m_dimension);
}

Dimension& Dimension::operator&=(const Dimension& dim) {
  m_dimension &= dim.m_dimension;
  return *this;
}

std::string Dimension::to_string() const {
  std::stringstream ss;
  ss << *this;
  return ss.str();
}

std::ostream& operator<<(std::ostream& str, const Dimension& dimension) {
  if (dimension.is_static()) return str << dimension.get_length();
  const auto& interval = dimension.get_interval();
  if (interval.get_min_val() != 0 || interval.has_upper_bound()) {
    if (interval.get_min_val() != 0) str << interval.get_min_val();
    str << "..";
    if (interval.has_upper_bound()) str << interval.get_max_val();
    return str;
  }
  return str << "?";
}

// ---- PartialShape ----

PartialShape::PartialShape() : PartialShape(std::initializer_list<Dimension>{}) {}

PartialShape::PartialShape(std::initializer_list<Dimension> init)
    : PartialShape(true, std::vector<Dimension>(init)) {}

PartialShape::PartialShape(std::vector<Dimension> dimensions)
    : m_rank_is_static(true), m_dimensions(std::move(dimensions)) {}

PartialShape::PartialShape(const std::vector<Dimension::value_type>& dimensions)
    : m_rank_is_static(true), m_dimensions(dimensions.begin(), dimensions.end()) {}

PartialShape::PartialShape(const Shape& shape)
    : m_rank_is_static(true), m_dimensions(shape.begin(), shape.end()) {}

PartialShape::PartialShape(bool rank_is_static, std::vector<Dimension> dimensions)
    : m_rank_is_static(rank_is_static), m_dimensions(std::move(dimensions)) {}

PartialShape::PartialShape(const std::string& value) : m_rank_is_static(true) {
  std::string val = trim(value);
  if (!val.empty() && val.front() == '[' && val.back() == ']') {
    val = val.substr(1, val.size() - 2);
  }
  if (trim(val) == "...") {
    m_rank_is_static = false;
    return;
  }
  if (trim(val).empty()) return;
  std::stringstream ss(val);
  std::string field;
  while (std::getline(ss, field, ',')) {
    if (trim(field).empty()) {
      OPENVINO_THROW("Cannot get vector of dimensions! \"", value, "\" is incorrect");
    }
    m_dimensions.emplace_back(field);
  }
  if (!val.empty() && val.back() == ',') {
    OPENVINO_THROW("Cannot get vector of dimensions! \"", value, "\" is incorrect");
  }
}

PartialShape PartialShape::dynamic(Rank r) {
  if (r.is_static()) {
    return PartialShape(
        true, std::vector<Dimension>(static_cast<size_t>(r.get_length()), Dimension::dynamic()));
  }
  return PartialShape(false, {});
}

bool PartialShape::is_static() const {
  return m_rank_is_static && std::all_of(m_dimensions.begin(), m_dimensions.end(),
                                         [](const Dimension& d) { return d.is_static(); });
}

size_t PartialShape::size() const {
  OPENVINO_ASSERT(rank().is_static(),
                  "Don't call ov::PartialShape::size() on dynamic rank shape: ", *this);
  return m_dimensions.size();
}

bool PartialShape::compatible(const PartialShape& s) const {
  if (rank().is_dynamic() || s.rank().is_dynamic()) return true;
  if (m_dimensions.size() != s.m_dimensions.size()) return false;
  for (size_t i = 0; i < m_dimensions.size(); i++) {
    if (!m_dimensions[i].compatible(s.m_dimensions[i])) return false;
  }
  return true;
}

bool PartialShape::same_scheme(const PartialShape& s) const {
  if (rank().is_dynamic() && s.rank().is_dynamic()) return true;
  if (rank().is_dynamic() || s.rank().is_dynamic()) return false;
  if (m_dimensions.size() != s.m_dimensions.size()) return false;
  for (size_t i = 0; i < m_dimensions.size(); i++) {
    if (!m_dimensions[i].same_scheme(s.m_dimensions[i])) return false;
  }
  return true;
}

bool PartialShape::relaxes(const PartialShape& s) const {
  if (rank().is_dynamic()) return true;
  if (s.rank().is_dynamic() || m_dimensions.size() != s.m_dimensions.size()) return false;
  for (size_t i = 0; i < m_dimensions.size(); i++) {
    if (!m_dimensions[i].relaxes(s.m_dimensions[i])) return false;
  }
  return true;
}

bool PartialShape::refines(const PartialShape& s) const {
  if (s.rank().is_dynamic()) return true;
  if (rank().is_dynamic() || m_dimensions.size() != s.m_dimensions.size()) return false;
  for (size_t i = 0; i < m_dimensions.size(); i++) {
    if (!m_dimensions[i].refines(s.m_dimensions[i])) return false;
  }
  return true;
}

bool PartialShape::merge_rank(const Rank& r) {
  if (r.is_dynamic()) return true;
  if (!m_rank_is_static) {
    m_rank_is_static = true;
    m_dimensions =
        std::vector<Dimension>(static_cast<size_t>(r.get_length()), Dimension::dynamic());
    return true;
  }
  return static_cast<int64_t>(m_dimensions.size()) == r.get_length();
}

Shape PartialShape::to_shape() const {
  if (is_dynamic()) OPENVINO_THROW("to_shape was called on a dynamic shape.");
  std::vector<size_t> shape_dimensions(m_dimensions.size());
  std::transform(m_dimensions.begin(), m_dimensions.end(), shape_dimensions.begin(),
                 [](const Dimension& d) { return static_cast<size_t>(d.get_length()); });
  return shape_dimensions;
}

Shape PartialShape::get_shape() const {
  OPENVINO_ASSERT(rank().is_static(), "get_shape() must be called on a static shape");
  Shape shape;
  for (const auto& dimension : m_dimensions) {
    const auto min_dim = dimension.get_min_length();
    OPENVINO_ASSERT(min_dim == dimension.get_max_length(),
                    "get_shape() must be called on a static shape");
    shape.push_back(static_cast<size_t>(min_dim));
  }
  return shape;
}

Shape PartialShape::get_min_shape() const {
  if (rank().is_dynamic()) return Shape{};
  Shape min_shape;
  for (const auto& dimension : m_dimensions) {
    min_shape.push_back(static_cast<size_t>(dimension.get_interval().get_min_val()));
  }
  return min_shape;
}

Shape PartialShape::get_max_shape() const {
  if (rank().is_dynamic()) return Shape{};
  Shape max_shape;
  for (const auto& dimension : m_dimensions) {
    max_shape.push_back(static_cast<size_t>(dimension.get_interval().get_max_val()));
  }
  return max_shape;
}

bool PartialShape::all_non_negative() const {
  // Dimensions are intervals of non-negative values by construction.
  return true;
}

Dimension& PartialShape::operator[](std::ptrdiff_t i) {
  const auto r = static_cast<std::ptrdiff_t>(m_dimensions.size());
  if (!m_rank_is_static || i < -r || i >= r) {
    OPENVINO_THROW("Accessing out-of-range dimension ", i, " of shape ", *this);
  }
  return m_dimensions[static_cast<size_t>(i < 0 ? i + r : i)];
}

const Dimension& PartialShape::operator[](std::ptrdiff_t i) const {
  const auto r = static_cast<std::ptrdiff_t>(m_dimensions.size());
  if (!m_rank_is_static || i < -r || i >= r) {
    OPENVINO_THROW("Accessing out-of-range dimension ", i, " of shape ", *this);
  }
  return m_dimensions[static_cast<size_t>(i < 0 ? i + r : i)];
}

bool PartialShape::operator==(const PartialShape& partial_shape) const {
  if (rank() != partial_shape.rank()) return false;
  if (rank().is_dynamic()) return true;
  for (size_t i = 0; i < m_dimensions.size(); i++) {
    if (m_dimensions[i] != partial_shape.m_dimensions[i]) return false;
  }
  return true;
}

PartialShape operator+(const PartialShape& s1, const PartialShape& s2) {
  if (s1.rank().is_dynamic() || s2.rank().is_dynamic()) return PartialShape::dynamic();
  if (!s1.rank().compatible(s2.rank())) OPENVINO_THROW("Rank mismatch");
  PartialShape result = s1;
  for (size_t i = 0; i < result.m_dimensions.size(); i++) {
    result.m_dimensions[i] = s1.m_dimensions[i] + s2.m_dimensions[i];
  }
  return result;
}

bool PartialShape::merge_into(PartialShape& dst, const PartialShape& src) {
  if (dst.rank().is_dynamic()) {
    dst = src;
    return true;
  }
  if (src.rank().is_dynamic()) return true;
  if (dst.m_dimensions.size() != src.m_dimensions.size()) return false;
  bool success = true;
  for (size_t i = 0; i < dst.m_dimensions.size(); i++) {
    success &= Dimension::merge(dst.m_dimensions[i], dst.m_dimensions[i], src.m_dimensions[i]);
  }
  return success;
}

bool PartialShape::broadcast_merge_into(PartialShape& dst, const PartialShape& src,
                                        const op::AutoBroadcastSpec& autob) {
  switch (autob.m_type) {
    case op::AutoBroadcastType::NONE:
      return true;
    case op::AutoBroadcastType::NUMPY: {
      if (dst.rank().is_dynamic() || src.rank().is_dynamic()) {
        dst = PartialShape::dynamic();
        return true;
      }
      const size_t dst_rank = dst.m_dimensions.size();
      const size_t src_rank = src.m_dimensions.size();
      const size_t new_rank = std::max(dst_rank, src_rank);
      std::vector<Dimension> dims(new_rank);
      bool success = true;
      for (size_t i = 0; i < new_rank; i++) {
        const Dimension dsti =
            i < (new_rank - dst_rank) ? Dimension(1) : dst.m_dimensions[i - (new_rank - dst_rank)];
        const Dimension srci =
            i < (new_rank - src_rank) ? Dimension(1) : src.m_dimensions[i - (new_rank - src_rank)];
        success &= Dimension::broadcast_merge(dims[i], dsti, srci);
      }
      dst = PartialShape(std::move(dims));
      return success;
    }
    case op::AutoBroadcastType::PDPD: {
      if (dst.rank().is_dynamic() || src.rank().is_dynamic()) return true;
      const int64_t dst_rank = static_cast<int64_t>(dst.m_dimensions.size());
      const int64_t src_rank = static_cast<int64_t>(src.m_dimensions.size());
      if (dst_rank < src_rank || autob.m_axis < -1) return false;
      const int64_t axis = autob.m_axis == -1 ? dst_rank - src_rank : autob.m_axis;
      // Trailing ones of src do not take part.
      int64_t len = src_rank;
      while (len > 0 && src.m_dimensions[static_cast<size_t>(len - 1)].is_static() &&
             src.m_dimensions[static_cast<size_t>(len - 1)].get_length() == 1) {
        --len;
      }
      if (axis + len > dst_rank) return false;
      bool success = true;
      for (int64_t i = 0; i < len; i++) {
        auto& d = dst.m_dimensions[static_cast<size_t>(axis + i)];
        const auto& s = src.m_dimensions[static_cast<size_t>(i)];
        if (s.is_static() && s.get_length() == 1) continue;
        success &= d.compatible(s);
        if (d.is_dynamic() && s.is_static()) d = s;
      }
      return success;
    }
  }
  return false;
}

std::string PartialShape::to_string() const {
  std::stringstream ss;
  ss << *this;
  return ss.str();
}

std::ostream& operator<<(std::ostream& str, const PartialShape& shape) {
  if (shape.rank().is_dynamic()) return str << "[...]";
  str << "[";
  bool first = true;
  for (const auto& d : shape) {
    if (!first) str << ",";
    str << d;
    first = false;
  }
  return str << "]";
}

// ---- Shape and friends ----

Shape::Shape() : std::vector<size_t>() {}
Shape::Shape(const std::initializer_list<size_t>& axis_lengths)
    : std::vector<size_t>(axis_lengths) {}
Shape::Shape(const std::vector<size_t>& axis_lengths) : std::vector<size_t>(axis_lengths) {}
Shape::Shape(const Shape& axis_lengths) = default;
Shape::Shape(size_t n, size_t initial_value) : std::vector<size_t>(n, initial_value) {}
Shape::~Shape() = default;
Shape& Shape::operator=(const Shape& v) = default;
Shape& Shape::operator=(Shape&& v) noexcept = default;

Shape::Shape(const std::string& value) {
  const PartialShape ps(value);
  OPENVINO_ASSERT(ps.is_static(), "Shape \"", value, "\" is not static");
  *this = ps.to_shape();
}

std::string Shape::to_string() const {
  std::stringstream ss;
  ss << *this;
  return ss.str();
}

Shape::reference Shape::operator[](std::ptrdiff_t i) {
  return std::vector<size_t>::operator[](
      static_cast<size_t>(i < 0 ? i + static_cast<std::ptrdiff_t>(size()) : i));
}

Shape::const_reference Shape::operator[](std::ptrdiff_t i) const {
  return std::vector<size_t>::operator[](
      static_cast<size_t>(i < 0 ? i + static_cast<std::ptrdiff_t>(size()) : i));
}

Shape::reference Shape::at(std::ptrdiff_t i) {
  const auto r = static_cast<std::ptrdiff_t>(size());
  OPENVINO_ASSERT(i >= -r && i < r, "Accessing out-of-range dimension ", i, " of shape ", *this);
  return (*this)[i];
}

Shape::const_reference Shape::at(std::ptrdiff_t i) const {
  const auto r = static_cast<std::ptrdiff_t>(size());
  OPENVINO_ASSERT(i >= -r && i < r, "Accessing out-of-range dimension ", i, " of shape ", *this);
  return (*this)[i];
}

std::ostream& operator<<(std::ostream& s, const Shape& shape) {
  s << "[";
  for (size_t i = 0; i < shape.size(); i++) {
    if (i) s << ",";
    s << shape[static_cast<std::ptrdiff_t>(i)];
  }
  return s << "]";
}

std::ostream& operator<<(std::ostream& s, const Strides& strides) {
  return print_list(s, "Strides", strides);
}
std::ostream& operator<<(std::ostream& s, const Coordinate& coordinate) {
  return print_list(s, "Coordinate", coordinate);
}
std::ostream& operator<<(std::ostream& s, const CoordinateDiff& coordinate_diff) {
  return print_list(s, "CoordinateDiff", coordinate_diff);
}
std::ostream& operator<<(std::ostream& s, const AxisSet& axis_set) {
  return print_list(s, "AxisSet", axis_set);
}
std::ostream& operator<<(std::ostream& s, const AxisVector& axis_vector) {
  return print_list(s, "AxisVector", axis_vector);
}

}  // namespace ov
