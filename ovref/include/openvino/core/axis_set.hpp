#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <set>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

class OPENVINO_API AxisSet : public std::set<size_t> {
 public:
  AxisSet() = default;
  AxisSet(const std::initializer_list<size_t>& axes) : std::set<size_t>(axes) {}
  AxisSet(const std::set<size_t>& axes) : std::set<size_t>(axes) {}
  AxisSet(const std::vector<size_t>& axes) : std::set<size_t>(axes.begin(), axes.end()) {}
  AxisSet(const AxisSet& axes) = default;
  template <class InputIterator>
  AxisSet(InputIterator first, InputIterator last) {
    for (; first != last; ++first) insert(static_cast<size_t>(*first));
  }
  AxisSet& operator=(const AxisSet& v) = default;
  AxisSet& operator=(AxisSet&& v) noexcept = default;
  std::vector<int64_t> to_vector() const { return std::vector<int64_t>(begin(), end()); }
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const AxisSet& axis_set);

template <>
class OPENVINO_API AttributeAdapter<ov::AxisSet>
    : public IndirectVectorValueAccessor<ov::AxisSet, std::vector<int64_t>> {
 public:
  AttributeAdapter(ov::AxisSet& value)
      : IndirectVectorValueAccessor<ov::AxisSet, std::vector<int64_t>>(value) {}
  OPENVINO_RTTI("AttributeAdapter<AxisSet>")
};

}  // namespace ov
