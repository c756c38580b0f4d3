#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/enum_names.hpp"

namespace ov {
namespace op {

enum class PadMode { CONSTANT = 0, EDGE, REFLECT, SYMMETRIC };

enum class PadType {
  EXPLICIT = 0,
  SAME_LOWER,
  SAME_UPPER,
  VALID,
  AUTO = SAME_UPPER,
  NOTSET = EXPLICIT,
};

enum class RoundingType { FLOOR = 0, CEIL = 1, CEIL_TORCH = 2 };

enum class AutoBroadcastType { NONE = 0, EXPLICIT = NONE, NUMPY, PDPD };

enum class BroadcastType { NONE, EXPLICIT = NONE, NUMPY, PDPD, BIDIRECTIONAL };

enum class EpsMode { ADD, MAX };

enum class TopKSortType { NONE, SORT_INDICES, SORT_VALUES };

enum class TopKMode { MAX, MIN };

struct OPENVINO_API AutoBroadcastSpec {
  AutoBroadcastSpec() : AutoBroadcastSpec(AutoBroadcastType::NONE) {}
  AutoBroadcastSpec(AutoBroadcastType type) : AutoBroadcastSpec(type, 0) {
    if (type == AutoBroadcastType::PDPD) m_axis = -1;
  }
  AutoBroadcastSpec(const char* type);
  AutoBroadcastSpec(AutoBroadcastType type, int64_t axis) : m_type(type), m_axis(axis) {}

  AutoBroadcastType m_type;
  int64_t m_axis;

  bool operator==(const AutoBroadcastSpec& a) const {
    return a.m_type == m_type && a.m_axis == m_axis;
  }
  bool operator!=(const AutoBroadcastSpec& a) const { return !(*this == a); }
};

struct OPENVINO_API BroadcastModeSpec {
  BroadcastModeSpec() : BroadcastModeSpec(BroadcastType::NUMPY) {}
  BroadcastModeSpec(BroadcastType type) : BroadcastModeSpec(type, 0) {
    if (type == BroadcastType::PDPD) m_axis = -1;
  }
  BroadcastModeSpec(const char* type);
  BroadcastModeSpec(BroadcastType type, int64_t axis) : m_type(type), m_axis(axis) {}

  BroadcastType m_type;
  int64_t m_axis;

  bool operator==(const BroadcastModeSpec& a) const {
    return a.m_type == m_type && a.m_axis == m_axis;
  }
};

OPENVINO_API std::ostream& operator<<(std::ostream& s, const PadMode& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const PadType& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const RoundingType& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const AutoBroadcastType& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const BroadcastType& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const EpsMode& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const TopKSortType& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s, const TopKMode& type);

}  // namespace op
}  // namespace ov

namespace ov {

template <>
class OPENVINO_API AttributeAdapter<op::AutoBroadcastSpec> : public VisitorAdapter {
 public:
  AttributeAdapter(op::AutoBroadcastSpec& value) : m_ref(value) {}
  bool visit_attributes(AttributeVisitor& visitor) override;
  OPENVINO_RTTI("AttributeAdapter<AutoBroadcastSpec>")

 protected:
  op::AutoBroadcastSpec& m_ref;
};

template <>
class OPENVINO_API AttributeAdapter<op::BroadcastModeSpec> : public VisitorAdapter {
 public:
  AttributeAdapter(op::BroadcastModeSpec& value) : m_ref(value) {}
  bool visit_attributes(AttributeVisitor& visitor) override;
  OPENVINO_RTTI("AttributeAdapter<BroadcastModeSpec>")

 protected:
  op::BroadcastModeSpec& m_ref;
};

template <>
OPENVINO_API EnumNames<op::PadMode>& EnumNames<op::PadMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::PadMode> : public EnumAttributeAdapterBase<op::PadMode> {
 public:
  AttributeAdapter(op::PadMode& value) : EnumAttributeAdapterBase<op::PadMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::PadMode>")
};

template <>
OPENVINO_API EnumNames<op::PadType>& EnumNames<op::PadType>::get();

template <>
class OPENVINO_API AttributeAdapter<op::PadType> : public EnumAttributeAdapterBase<op::PadType> {
 public:
  AttributeAdapter(op::PadType& value) : EnumAttributeAdapterBase<op::PadType>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::PadType>")
};

template <>
OPENVINO_API EnumNames<op::RoundingType>& EnumNames<op::RoundingType>::get();

template <>
class OPENVINO_API AttributeAdapter<op::RoundingType>
    : public EnumAttributeAdapterBase<op::RoundingType> {
 public:
  AttributeAdapter(op::RoundingType& value) : EnumAttributeAdapterBase<op::RoundingType>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::RoundingType>")
};

template <>
OPENVINO_API EnumNames<op::AutoBroadcastType>& EnumNames<op::AutoBroadcastType>::get();

template <>
class OPENVINO_API AttributeAdapter<op::AutoBroadcastType>
    : public EnumAttributeAdapterBase<op::AutoBroadcastType> {
 public:
  AttributeAdapter(op::AutoBroadcastType& value)
      : EnumAttributeAdapterBase<op::AutoBroadcastType>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::AutoBroadcastType>")
};

template <>
OPENVINO_API EnumNames<op::BroadcastType>& EnumNames<op::BroadcastType>::get();

template <>
class OPENVINO_API AttributeAdapter<op::BroadcastType>
    : public EnumAttributeAdapterBase<op::BroadcastType> {
 public:
  AttributeAdapter(op::BroadcastType& value) : EnumAttributeAdapterBase<op::BroadcastType>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::BroadcastType>")
};

template <>
OPENVINO_API EnumNames<op::EpsMode>& EnumNames<op::EpsMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::EpsMode> : public EnumAttributeAdapterBase<op::EpsMode> {
 public:
  AttributeAdapter(op::EpsMode& value) : EnumAttributeAdapterBase<op::EpsMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::EpsMode>")
};

template <>
OPENVINO_API EnumNames<op::TopKSortType>& EnumNames<op::TopKSortType>::get();

template <>
class OPENVINO_API AttributeAdapter<op::TopKSortType>
    : public EnumAttributeAdapterBase<op::TopKSortType> {
 public:
  AttributeAdapter(op::TopKSortType& value) : EnumAttributeAdapterBase<op::TopKSortType>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::TopKSortType>")
};

template <>
OPENVINO_API EnumNames<op::TopKMode>& EnumNames<op::TopKMode>::get();

template <>
class OPENVINO_API AttributeAdapter<op::TopKMode> : public EnumAttributeAdapterBase<op::TopKMode> {
 public:
  AttributeAdapter(op::TopKMode& value) : EnumAttributeAdapterBase<op::TopKMode>(value) {}
  OPENVINO_RTTI("AttributeAdapter<ov::op::TopKMode>")
};

}  // namespace ov
