#pragma once

#include <cstddef>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/dimension.hpp"
#include "openvino/core/rank.hpp"
#include "openvino/core/shape.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {

// A shape whose rank and dimensions may be unknown. Prints as [1,?,4]; dynamic rank as [...].
class OPENVINO_API PartialShape {
  using Dimensions = std::vector<Dimension>;

 public:
  using value_type = Dimensions::value_type;
  using iterator = Dimensions::iterator;
  using const_iterator = Dimensions::const_iterator;
  using reverse_iterator = Dimensions::reverse_iterator;
  using const_reverse_iterator = Dimensions::const_reverse_iterator;

  PartialShape(std::initializer_list<Dimension> init);
  PartialShape(std::vector<Dimension> dimensions);
  PartialShape(const std::vector<Dimension::value_type>& dimensions);
  PartialShape();
  PartialShape(const Shape& shape);
  PartialShape(const std::string& shape);

  static PartialShape dynamic(Rank r = Rank::dynamic());

  bool is_static() const;
  bool is_dynamic() const { return !is_static(); }
  Rank rank() const {
    return m_rank_is_static ? Rank(static_cast<int64_t>(m_dimensions.size())) : Rank::dynamic();
  }
  size_t size() const;

  bool compatible(const PartialShape& s) const;
  bool same_scheme(const PartialShape& s) const;
  bool relaxes(const PartialShape& s) const;
  bool refines(const PartialShape& s) const;
  bool merge_rank(const Rank& r);

  Shape to_shape() const;
  Shape get_shape() const;
  Shape get_min_shape() const;
  Shape get_max_shape() const;
  bool all_non_negative() const;

  Dimension& operator[](std::ptrdiff_t i);
  const Dimension& operator[](std::ptrdiff_t i) const;
  explicit operator std::vector<Dimension>() const { return m_dimensions; }

  bool operator==(const PartialShape& partial_shape) const;
  bool operator!=(const PartialShape& partial_shape) const { return !(*this == partial_shape); }
  friend OPENVINO_API PartialShape operator+(const PartialShape& s1, const PartialShape& s2);

  static bool merge_into(PartialShape& dst, const PartialShape& src);
  static bool broadcast_merge_into(PartialShape& dst, const PartialShape& src,
                                   const ov::op::AutoBroadcastSpec& autob);

  iterator begin() noexcept { return m_dimensions.begin(); }
  const_iterator begin() const noexcept { return m_dimensions.begin(); }
  iterator end() noexcept { return m_dimensions.end(); }
  const_iterator end() const noexcept { return m_dimensions.end(); }
  reverse_iterator rbegin() noexcept { return m_dimensions.rbegin(); }
  const_reverse_iterator rbegin() const noexcept { return m_dimensions.rbegin(); }
  reverse_iterator rend() noexcept { return m_dimensions.rend(); }
  const_reverse_iterator rend() const noexcept { return m_dimensions.rend(); }
  const_iterator cbegin() const noexcept { return m_dimensions.cbegin(); }
  const_iterator cend() const noexcept { return m_dimensions.cend(); }
  const_reverse_iterator crbegin() const noexcept { return m_dimensions.crbegin(); }
  const_reverse_iterator crend() const noexcept { return m_dimensions.crend(); }

  void resize(size_t count) {
    m_dimensions.resize(count);
    m_rank_is_static = true;
  }
  void reserve(size_t count) { m_dimensions.reserve(count); }
  void push_back(const Dimension& val) {
    m_dimensions.push_back(val);
    m_rank_is_static = true;
  }
  template <class... Args>
  void emplace_back(Args&&... args) {
    m_dimensions.emplace_back(std::forward<Args>(args)...);
    m_rank_is_static = true;
  }
  iterator insert(iterator position, const Dimension& val) {
    m_rank_is_static = true;
    return m_dimensions.insert(position, val);
  }
  void insert(iterator position, size_t n, const Dimension& val) {
    m_dimensions.insert(position, n, val);
    m_rank_is_static = true;
  }
  template <class InputIterator>
  void insert(iterator position, InputIterator first, InputIterator last) {
    m_dimensions.insert(position, first, last);
    m_rank_is_static = true;
  }

  std::string to_string() const;

 private:
  PartialShape(bool rank_is_static, std::vector<Dimension> dimensions);
  bool m_rank_is_static;
  Dimensions m_dimensions;
};

OPENVINO_API PartialShape operator+(const PartialShape& s1, const PartialShape& s2);
OPENVINO_API std::ostream& operator<<(std::ostream& str, const PartialShape& shape);

template <>
class OPENVINO_API AttributeAdapter<ov::PartialShape>
    : public DirectValueAccessor<ov::PartialShape> {
 public:
  AttributeAdapter(ov::PartialShape& value) : DirectValueAccessor<ov::PartialShape>(value) {}
  OPENVINO_RTTI("AttributeAdapter<PartialShape>")
};

template <>
class OPENVINO_API AttributeAdapter<ov::Dimension> : public DirectValueAccessor<ov::Dimension> {
 public:
  AttributeAdapter(ov::Dimension& value) : DirectValueAccessor<ov::Dimension>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::Dimension>")
};

}  // namespace ov
