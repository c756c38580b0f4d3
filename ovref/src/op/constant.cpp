#include "openvino/op/constant.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "../util/element_access.hpp"
#include "openvino/core/attribute_visitor.hpp"

namespace ov {
namespace op {
namespace v0 {

namespace {

void check_supported(const Node* node, const element::Type& type) {
  NODE_VALIDATION_CHECK(node, ::ov::util::element_access_supported(type), "Element type ", type,
                        " values cannot be converted here");
}

// Tail bits of a packed buffer that belong to no element are kept zero.
void clear_tail(const element::Type& type, void* data, size_t count, size_t byte_size) {
  if (type.bitwidth() >= 8 || byte_size == 0) return;
  const size_t used_bits = count * type.bitwidth();
  if (used_bits % 8 == 0) return;
  for (size_t i = count; i < byte_size * 8 / type.bitwidth(); ++i) {
    ::ov::util::set_packed_bits(type, data, i, 0);
  }
}

// Owns strings constructed in place; destroys them with the buffer.
class StringAlignedBuffer : public AlignedBuffer {
 public:
  StringAlignedBuffer(size_t count)
      : AlignedBuffer(count * sizeof(std::string), alignof(std::string)), m_count(count) {
    auto* strings = static_cast<std::string*>(get_ptr());
    for (size_t i = 0; i < m_count; ++i) new (strings + i) std::string();
  }
  ~StringAlignedBuffer() override {
    auto* strings = static_cast<std::string*>(get_ptr());
    for (size_t i = 0; i < m_count; ++i) strings[i].~basic_string();
  }

 private:
  size_t m_count;
};

}  // namespace

Constant::Constant(bool memset_allocation, const element::Type& type, const Shape& shape)
    : m_element_type(type), m_shape(shape) {
  allocate_buffer(memset_allocation);
}

const void* Constant::get_data_ptr() const { return m_data ? m_data->get_ptr() : nullptr; }

void Constant::allocate_buffer(bool memset_allocation) {
  // The element count and the byte size must fit: a wrapped count would size the buffer below
  // what the copies into it read and write.
  size_t elements = 1;
  for (const size_t extent : m_shape) {
    OPENVINO_ASSERT(!__builtin_mul_overflow(elements, extent, &elements), "A constant of shape ",
                    m_shape, " has more elements than fit 64 bits");
  }
  size_t bits = 0;
  OPENVINO_ASSERT(
      !__builtin_mul_overflow(elements, std::max<size_t>(m_element_type.bitwidth(), 8), &bits),
      "A constant of shape ", m_shape, " and type ", m_element_type,
      " has more bytes than fit 64 bits");
  const size_t byte_size = get_memory_size(m_element_type, shape_size(m_shape));
  if (m_element_type == element::string) {
    m_data = std::make_shared<StringAlignedBuffer>(shape_size(m_shape));
    return;
  }
  m_data = std::make_shared<AlignedBuffer>(byte_size, 64);
  if (memset_allocation && byte_size > 0) {
    std::memset(m_data->get_ptr(), 0, byte_size);
  }
}

Constant::Constant(const element::Type& type, const Shape& shape) : Constant(true, type, shape) {
  constructor_validate_and_infer_types();
}

Constant::Constant(const Tensor& tensor)
    : m_element_type(tensor.get_element_type()), m_shape(tensor.get_shape()) {
  if (tensor.is_continuous()) {
    // Share the tensor's memory; the buffer keeps the tensor alive.
    m_data = std::make_shared<SharedBuffer<Tensor>>(
        static_cast<char*>(const_cast<void*>(tensor.data())), tensor.get_byte_size(), tensor);
  } else {
    allocate_buffer(false);
    Tensor dense(m_element_type, m_shape, m_data->get_ptr());
    tensor.copy_to(dense);
  }
  constructor_validate_and_infer_types();
}

Constant::Constant(const element::Type& type, const Shape& shape,
                   const std::vector<std::string>& values)
    : Constant(false, type, shape) {
  const size_t n = shape_size(m_shape);
  NODE_VALIDATION_CHECK(this, values.size() == 1 || values.size() == n,
                        "Did not get the expected number of literals for a constant of shape ",
                        m_shape, " (got ", values.size(), ", expected ", (n == 1 ? "" : "1 or "), n,
                        ").");
  if (type == element::string) {
    write_strings(values);
  } else {
    check_supported(this, type);
    auto* data = m_data->get_ptr();
    for (size_t i = 0; i < n; ++i) {
      const std::string& literal = values.size() == 1 ? values[0] : values[i];
      try {
        size_t pos = 0;
        if (type.is_real()) {
          const double v = std::stod(literal, &pos);
          ::ov::util::set_double(type, data, i, v);
        } else if (type.is_signed()) {
          const long long v = std::stoll(literal, &pos);
          ::ov::util::set_signed(type, data, i, v);
        } else {
          const unsigned long long v = std::stoull(literal, &pos);
          ::ov::util::set_unsigned(type, data, i, v);
        }
      } catch (const std::exception&) {
        NODE_VALIDATION_CHECK(this, false, "Could not parse literal '", literal, "'");
      }
    }
    clear_tail(type, data, n, get_byte_size());
  }
  constructor_validate_and_infer_types();
}

Constant::Constant(const element::Type& type, const Shape& shape, const void* data)
    : Constant(false, type, shape) {
  const size_t n = shape_size(m_shape);
  if (type == element::string) {
    const auto* src = static_cast<const std::string*>(data);
    auto* dst = static_cast<std::string*>(m_data->get_ptr());
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  } else if (m_data->size() > 0) {
    std::memcpy(m_data->get_ptr(), data, m_data->size());
  }
  constructor_validate_and_infer_types();
}

Constant::Constant(const element::Type& type, const Shape& shape, const void* data,
                   std::shared_ptr<void> so)
    : m_element_type(type), m_shape(shape) {
  m_data = std::make_shared<SharedBuffer<std::shared_ptr<void>>>(
      static_cast<char*>(const_cast<void*>(data)), get_memory_size(type, shape_size(shape)), so);
  constructor_validate_and_infer_types();
}

Constant::Constant(const element::Type& type, const Shape& shape,
                   const std::shared_ptr<AlignedBuffer>& data)
    : m_element_type(type), m_shape(shape), m_data(data) {
  NODE_VALIDATION_CHECK(this, !data || data->size() >= get_memory_size(type, shape_size(shape)),
                        "Buffer of ", (data ? data->size() : 0), " bytes is smaller than the ",
                        get_memory_size(type, shape_size(shape)), " bytes of a ", type,
                        " constant of shape ", shape);
  constructor_validate_and_infer_types();
}

Constant::Constant(const Constant& other)
    : Op(), m_element_type(other.m_element_type), m_shape(other.m_shape), m_data(other.m_data) {
  constructor_validate_and_infer_types();
}

Constant::Constant(const Constant& other, const Shape& new_shape)
    : Op(), m_element_type(other.m_element_type), m_shape(new_shape), m_data(other.m_data) {
  const auto new_size = shape_size(new_shape);
  const auto other_size = shape_size(other.m_shape);
  OPENVINO_ASSERT(other_size == new_size, "ov::Shape size ", new_size, " is not equal to ",
                  other_size);
  constructor_validate_and_infer_types();
}

Constant::~Constant() = default;

size_t Constant::element_count(int64_t num_elements) const {
  const size_t total = shape_size(m_shape);
  if (num_elements < 0) return total;
  return std::min(total, static_cast<size_t>(num_elements));
}

void Constant::write_signed(const int64_t* values, size_t n) {
  check_supported(this, m_element_type);
  const size_t count = shape_size(m_shape);
  auto* data = m_data->get_ptr();
  for (size_t i = 0; i < count; ++i) {
    ::ov::util::set_signed(m_element_type, data, i, n == 1 ? values[0] : values[i]);
  }
  clear_tail(m_element_type, data, count, get_byte_size());
}

void Constant::write_unsigned(const uint64_t* values, size_t n) {
  check_supported(this, m_element_type);
  const size_t count = shape_size(m_shape);
  auto* data = m_data->get_ptr();
  for (size_t i = 0; i < count; ++i) {
    ::ov::util::set_unsigned(m_element_type, data, i, n == 1 ? values[0] : values[i]);
  }
  clear_tail(m_element_type, data, count, get_byte_size());
}

void Constant::write_doubles(const double* values, size_t n) {
  check_supported(this, m_element_type);
  const size_t count = shape_size(m_shape);
  auto* data = m_data->get_ptr();
  for (size_t i = 0; i < count; ++i) {
    ::ov::util::set_double(m_element_type, data, i, n == 1 ? values[0] : values[i]);
  }
  clear_tail(m_element_type, data, count, get_byte_size());
}

void Constant::write_strings(const std::vector<std::string>& values) {
  NODE_VALIDATION_CHECK(this, m_element_type == element::string,
                        "Strings can only be stored in a string constant");
  auto* data = static_cast<std::string*>(m_data->get_ptr());
  for (size_t i = 0; i < shape_size(m_shape); ++i)
    data[i] = values.size() == 1 ? values[0] : values[i];
}

namespace {

// Range of values a sub-byte or integer type can hold, for the fill constructor.
bool fits(const element::Type& type, double value) {
  if (type.is_real() || type == element::boolean) return true;
  if (std::isnan(value)) return false;
  const size_t bits = type.bitwidth();
  if (type.is_signed()) {
    const double lo = -std::ldexp(1.0, static_cast<int>(bits) - 1);
    const double hi = std::ldexp(1.0, static_cast<int>(bits) - 1) - 1;
    return value >= lo && value <= hi;
  }
  return value >= 0 && value <= std::ldexp(1.0, static_cast<int>(bits)) - 1;
}

}  // namespace

void Constant::fill_signed(int64_t value) {
  check_supported(this, m_element_type);
  if (!m_element_type.is_real() && m_element_type != element::boolean) {
    const size_t bits = m_element_type.bitwidth();
    bool ok;
    if (bits >= 64) {
      ok = m_element_type.is_signed() || value >= 0;
    } else if (m_element_type.is_signed()) {
      ok = value >= -(int64_t{1} << (bits - 1)) && value < (int64_t{1} << (bits - 1));
    } else {
      ok = value >= 0 && static_cast<uint64_t>(value) < (uint64_t{1} << bits);
    }
    OPENVINO_ASSERT(ok, "Cannot fill constant data. Values is outside the range.");
  }
  write_signed(&value, 1);
}

void Constant::fill_unsigned(uint64_t value) {
  check_supported(this, m_element_type);
  if (!m_element_type.is_real() && m_element_type != element::boolean) {
    const size_t bits = m_element_type.bitwidth();
    const size_t usable = m_element_type.is_signed() ? bits - 1 : bits;
    OPENVINO_ASSERT(usable >= 64 || value < (uint64_t{1} << usable),
                    "Cannot fill constant data. Values is outside the range.");
  }
  write_unsigned(&value, 1);
}

void Constant::fill_double(double value) {
  check_supported(this, m_element_type);
  OPENVINO_ASSERT(fits(m_element_type, std::trunc(value)),
                  "Cannot fill constant data. Values is outside the range.");
  write_doubles(&value, 1);
}

std::vector<int64_t> Constant::read_signed(size_t count) const {
  OPENVINO_ASSERT(::ov::util::element_access_supported(m_element_type), "unsupported type");
  std::vector<int64_t> rc(count);
  for (size_t i = 0; i < count; ++i)
    rc[i] = ::ov::util::get_signed(m_element_type, get_data_ptr(), i);
  return rc;
}

std::vector<uint64_t> Constant::read_unsigned(size_t count) const {
  OPENVINO_ASSERT(::ov::util::element_access_supported(m_element_type), "unsupported type");
  std::vector<uint64_t> rc(count);
  for (size_t i = 0; i < count; ++i)
    rc[i] = ::ov::util::get_unsigned(m_element_type, get_data_ptr(), i);
  return rc;
}

std::vector<double> Constant::read_doubles(size_t count) const {
  OPENVINO_ASSERT(::ov::util::element_access_supported(m_element_type), "unsupported type");
  std::vector<double> rc(count);
  for (size_t i = 0; i < count; ++i)
    rc[i] = ::ov::util::get_double(m_element_type, get_data_ptr(), i);
  return rc;
}

void Constant::validate_and_infer_types() { set_output_type(0, m_element_type, m_shape); }

bool Constant::visit_attributes(AttributeVisitor& visitor) {
  const auto prev_shape = m_shape;
  const auto prev_type = m_element_type;
  visitor.on_attribute("element_type", m_element_type);
  visitor.on_attribute("shape", m_shape);
  const bool need_to_reallocate = (m_shape != prev_shape || prev_type != m_element_type);
  if (m_alloc_buffer_on_visit_attributes && need_to_reallocate) allocate_buffer(false);
  visitor.on_attribute("value", m_data);
  m_all_elements_bitwise_identical_checked = false;
  validate_and_infer_types();
  return true;
}

std::shared_ptr<Node> Constant::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Constant>(*this);
}

bool Constant::evaluate(TensorVector& outputs, const TensorVector&) const {
  OPENVINO_ASSERT(outputs.size() == 1);
  if (!outputs[0]) outputs[0] = Tensor(m_element_type, m_shape);
  outputs[0].set_shape(m_shape);
  get_tensor_view().copy_to(outputs[0]);
  return true;
}

bool Constant::has_evaluate() const { return true; }

bool Constant::evaluate_lower(TensorVector& outputs) const { return evaluate(outputs, {}); }
bool Constant::evaluate_upper(TensorVector& outputs) const { return evaluate(outputs, {}); }

bool Constant::can_constant_fold(const OutputVector&) const { return false; }

size_t Constant::get_byte_size() const {
  if (shape_size(m_shape) == 0 || !m_data) return 0;
  return get_memory_size(m_element_type, shape_size(m_shape));
}

const Tensor Constant::get_tensor_view() const {
  return Tensor(m_element_type, m_shape, get_data_ptr());
}

const Strides& Constant::get_strides() const {
  if (m_byte_strides.empty() && m_element_type.bitwidth() >= 8 && !m_shape.empty()) {
    auto& strides = const_cast<Strides&>(m_byte_strides);
    strides = Strides(m_shape.size());
    size_t s = m_element_type.size();
    for (size_t i = m_shape.size(); i-- > 0;) {
      strides[i] = s;
      s *= m_shape[i];
    }
  }
  return m_byte_strides;
}

Shape Constant::get_shape_val() const {
  Shape rc;
  for (auto v : cast_vector<int64_t>()) rc.push_back(static_cast<size_t>(std::max<int64_t>(v, 0)));
  return rc;
}

Strides Constant::get_strides_val() const {
  Strides rc;
  for (auto v : cast_vector<int64_t>()) rc.push_back(static_cast<size_t>(std::max<int64_t>(v, 0)));
  return rc;
}

Coordinate Constant::get_coordinate_val() const {
  Coordinate rc;
  for (auto v : cast_vector<int64_t>()) rc.push_back(static_cast<size_t>(std::max<int64_t>(v, 0)));
  return rc;
}

CoordinateDiff Constant::get_coordinate_diff_val() const {
  CoordinateDiff rc;
  for (auto v : cast_vector<int64_t>()) rc.push_back(static_cast<std::ptrdiff_t>(v));
  return rc;
}

AxisVector Constant::get_axis_vector_val() const {
  AxisVector rc;
  for (auto v : cast_vector<int64_t>()) rc.push_back(static_cast<size_t>(std::max<int64_t>(v, 0)));
  return rc;
}

AxisSet Constant::get_axis_set_val() const {
  AxisSet rc;
  for (auto v : cast_vector<int64_t>()) rc.insert(static_cast<size_t>(std::max<int64_t>(v, 0)));
  return rc;
}

std::string Constant::convert_value_to_string(size_t index) const {
  OPENVINO_ASSERT(index < shape_size(m_shape), "Constant element index ", index,
                  " is out of range");
  if (m_element_type == element::string) {
    return static_cast<const std::string*>(get_data_ptr())[index];
  }
  OPENVINO_ASSERT(::ov::util::element_access_supported(m_element_type), "unsupported type");
  if (m_element_type.is_real()) {
    const double v = ::ov::util::get_double(m_element_type, get_data_ptr(), index);
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INFINITY" : "-INFINITY";
    std::stringstream ss;
    if (m_element_type == element::f64) {
      ss << v;
    } else {
      ss << static_cast<float>(v);
    }
    return ss.str();
  }
  if (m_element_type == element::u64) {
    return std::to_string(::ov::util::get_unsigned(m_element_type, get_data_ptr(), index));
  }
  return std::to_string(::ov::util::get_signed(m_element_type, get_data_ptr(), index));
}

std::vector<std::string> Constant::get_value_strings() const {
  std::vector<std::string> rc;
  const size_t n = shape_size(m_shape);
  rc.reserve(n);
  for (size_t i = 0; i < n; ++i) rc.push_back(convert_value_to_string(i));
  return rc;
}

bool Constant::get_all_data_elements_bitwise_identical() const {
  if (m_all_elements_bitwise_identical_checked) return m_all_elements_bitwise_identical;
  bool identical = true;
  const size_t n = shape_size(m_shape);
  if (m_element_type == element::string) {
    const auto* s = static_cast<const std::string*>(get_data_ptr());
    for (size_t i = 1; i < n && identical; ++i) identical = s[i] == s[0];
  } else if (m_element_type.bitwidth() < 8) {
    for (size_t i = 1; i < n && identical; ++i) {
      identical = ::ov::util::get_packed_bits(m_element_type, get_data_ptr(), i) ==
                  ::ov::util::get_packed_bits(m_element_type, get_data_ptr(), 0);
    }
  } else {
    const size_t es = m_element_type.size();
    const auto* bytes = static_cast<const char*>(get_data_ptr());
    for (size_t i = 1; i < n && identical; ++i) {
      identical = std::memcmp(bytes, bytes + i * es, es) == 0;
    }
  }
  m_all_elements_bitwise_identical = identical;
  m_all_elements_bitwise_identical_checked = true;
  return identical;
}

}  // namespace v0
}  // namespace op
}  // namespace ov
