#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/core_visibility.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/rtti.hpp"
#include "openvino/core/type.hpp"

namespace ov {

class AttributeVisitor;

template <typename VAT>
class ValueAccessor;

// Type-erased access to one attribute of a node, handed to an AttributeVisitor.
template <>
class OPENVINO_API ValueAccessor<void> {
 public:
  virtual const DiscreteTypeInfo& get_type_info() const = 0;
  virtual ~ValueAccessor() = default;
  virtual void set_as_any(const ov::Any& x) { OPENVINO_NOT_IMPLEMENTED; }
};

// Raw bytes of an attribute (Constant data).
template <>
class OPENVINO_API ValueAccessor<void*> : public ValueAccessor<void> {
 public:
  virtual void* get_ptr() = 0;
  virtual size_t size() = 0;
};

template <typename VAT>
class ValueAccessor : public ValueAccessor<void> {
 public:
  virtual const VAT& get() = 0;
  virtual void set(const VAT& value) = 0;
  void set_as_any(const ov::Any& x) override {
    const auto* data = x.addressof();
    OPENVINO_ASSERT(data, "Data conversion is not possible. Empty data is provided.");
    if (x.is<VAT>()) {
      set(*static_cast<const VAT*>(data));
    } else {
      OPENVINO_THROW("Bad cast from: ", x.type_info().name(), " to: ", typeid(VAT).name());
    }
  }
};

template <typename AT>
class DirectValueAccessor : public ValueAccessor<AT> {
 public:
  DirectValueAccessor(AT& ref) : m_ref(ref) {}
  const AT& get() override { return m_ref; }
  void set(const AT& value) override { m_ref = value; }

 protected:
  AT& m_ref;
};

template <typename AT, typename VAT>
class IndirectScalarValueAccessor : public ValueAccessor<VAT> {
 public:
  IndirectScalarValueAccessor(AT& ref) : m_ref(ref), m_buffer() {}
  const VAT& get() override {
    m_buffer = static_cast<VAT>(m_ref);
    return m_buffer;
  }
  void set(const VAT& value) override { m_ref = static_cast<AT>(value); }

 protected:
  AT& m_ref;
  VAT m_buffer;
};

template <typename AT, typename VAT>
class IndirectVectorValueAccessor : public ValueAccessor<VAT> {
 public:
  IndirectVectorValueAccessor(AT& ref) : m_ref(ref) {}
  const VAT& get() override {
    m_buffer = VAT(m_ref.begin(), m_ref.end());
    return m_buffer;
  }
  void set(const VAT& value) override { m_ref = AT(value.begin(), value.end()); }

 protected:
  AT& m_ref;
  VAT m_buffer;
};

template <typename Type>
class AttributeAdapter;

// Enums are visited as their string names.
template <typename AT>
class EnumAttributeAdapterBase : public ValueAccessor<std::string> {
 public:
  explicit EnumAttributeAdapterBase(AT& value) : m_ref(value) {}
  const std::string& get() override { return as_string(m_ref); }
  void set(const std::string& value) override { m_ref = as_enum<AT>(value); }

 protected:
  AT& m_ref;
};

// Structured attributes visit their own members.
class OPENVINO_API VisitorAdapter : public ValueAccessor<void> {
 public:
  virtual bool visit_attributes(AttributeVisitor& visitor) = 0;
};

#define OVREF_DIRECT_ADAPTER(T)                                            \
  template <>                                                              \
  class OPENVINO_API AttributeAdapter<T> : public DirectValueAccessor<T> { \
   public:                                                                 \
    AttributeAdapter(T& value) : DirectValueAccessor<T>(value) {}          \
    OPENVINO_RTTI("AttributeAdapter<" #T ">")                              \
  };

OVREF_DIRECT_ADAPTER(bool)
OVREF_DIRECT_ADAPTER(std::string)
OVREF_DIRECT_ADAPTER(int8_t)
OVREF_DIRECT_ADAPTER(int16_t)
OVREF_DIRECT_ADAPTER(int32_t)
OVREF_DIRECT_ADAPTER(int64_t)
OVREF_DIRECT_ADAPTER(uint8_t)
OVREF_DIRECT_ADAPTER(uint16_t)
OVREF_DIRECT_ADAPTER(uint32_t)
OVREF_DIRECT_ADAPTER(uint64_t)
OVREF_DIRECT_ADAPTER(float)
OVREF_DIRECT_ADAPTER(double)
OVREF_DIRECT_ADAPTER(std::vector<int8_t>)
OVREF_DIRECT_ADAPTER(std::vector<int16_t>)
OVREF_DIRECT_ADAPTER(std::vector<int32_t>)
OVREF_DIRECT_ADAPTER(std::vector<int64_t>)
OVREF_DIRECT_ADAPTER(std::vector<uint8_t>)
OVREF_DIRECT_ADAPTER(std::vector<uint16_t>)
OVREF_DIRECT_ADAPTER(std::vector<uint32_t>)
OVREF_DIRECT_ADAPTER(std::vector<uint64_t>)
OVREF_DIRECT_ADAPTER(std::vector<float>)
OVREF_DIRECT_ADAPTER(std::vector<double>)
OVREF_DIRECT_ADAPTER(std::vector<std::string>)

#undef OVREF_DIRECT_ADAPTER

}  // namespace ov
