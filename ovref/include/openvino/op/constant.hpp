#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "openvino/core/axis_set.hpp"
#include "openvino/core/axis_vector.hpp"
#include "openvino/core/coordinate.hpp"
#include "openvino/core/coordinate_diff.hpp"
#include "openvino/core/type/element_type_traits.hpp"
#include "openvino/op/op.hpp"
#include "openvino/runtime/tensor.hpp"
#if !defined(OVREF_STRICT) || defined(OVREF_DEVELOPER_API)
// The buffer classes are the toolkit's developer API; its public Constant only names them.
#include "openvino/runtime/aligned_buffer.hpp"
#include "openvino/runtime/shared_buffer.hpp"
#endif

namespace ov {

class AlignedBuffer;
namespace op {
namespace v0 {

// A tensor value embedded in the graph. The data lives in a shared buffer: copies and clones of
// a Constant refer to the same bytes. Sub-byte types are packed (u1 MSB-first; u2, u4, i4, nf4
// LSB-first, element 0 in the low bits).
class OPENVINO_API Constant : public Op {
 public:
  OPENVINO_OP("Constant", "opset1");

  Constant() = default;
  Constant(const ov::Tensor& tensor);

  template <typename T>
  Constant(const element::Type& type, const Shape& shape, const std::vector<T>& values)
      : Constant(false, type, shape) {
    const size_t n = shape_size(m_shape);
    NODE_VALIDATION_CHECK(this, values.size() == 1 || values.size() == n,
                          "Did not get the expected number of literals for a constant of shape ",
                          m_shape, " (got ", values.size(), ", expected ", (n == 1 ? "" : "1 or "),
                          n, ").");
    write_any(values);
    constructor_validate_and_infer_types();
  }

  Constant(const element::Type& type, const Shape& shape);

  template <class T, class = typename std::enable_if<std::is_fundamental<T>::value>::type>
  Constant(const element::Type& type, const Shape& shape, T value) : Constant(false, type, shape) {
    if constexpr (std::is_floating_point_v<T>) {
      fill_double(static_cast<double>(value));
    } else if constexpr (std::is_signed_v<T>) {
      fill_signed(static_cast<int64_t>(value));
    } else {
      fill_unsigned(static_cast<uint64_t>(value));
    }
    constructor_validate_and_infer_types();
  }

  Constant(const element::Type& type, const Shape& shape, const std::vector<std::string>& values);
  Constant(const element::Type& type, const Shape& shape, const void* data);
  Constant(const element::Type& type, const Shape& shape, const void* data,
           std::shared_ptr<void> so);
  Constant(const element::Type& type, const Shape& shape,
           const std::shared_ptr<ov::AlignedBuffer>& data);
  Constant(const Constant& other);
  Constant(const Constant& other, const Shape& new_shape);
  Constant& operator=(const Constant&) = delete;
  ~Constant() override;

  template <typename T>
  static std::shared_ptr<Constant> create(const element::Type& type, const Shape& shape,
                                          const std::vector<T>& values) {
    return std::make_shared<Constant>(type, shape, values);
  }
  template <typename T>
  static std::shared_ptr<Constant> create(const element::Type& type, const Shape& shape,
                                          std::initializer_list<T> values) {
    return std::make_shared<Constant>(type, shape, std::vector<T>{values});
  }
  static std::shared_ptr<Constant> create(const element::Type& type, const Shape& shape,
                                          const void* memory) {
    return std::make_shared<Constant>(type, shape, memory);
  }

  void validate_and_infer_types() override;
  bool visit_attributes(AttributeVisitor& visitor) override;
  std::shared_ptr<Node> clone_with_new_inputs(const OutputVector& new_args) const override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;
  bool evaluate_lower(ov::TensorVector& outputs) const override;
  bool evaluate_upper(ov::TensorVector& outputs) const override;
  bool can_constant_fold(const OutputVector& inputs_values) const override;

  Shape get_shape_val() const;
  Strides get_strides_val() const;
  Coordinate get_coordinate_val() const;
  CoordinateDiff get_coordinate_diff_val() const;
  AxisVector get_axis_vector_val() const;
  AxisSet get_axis_set_val() const;

  size_t get_byte_size() const;
  const void* get_data_ptr() const;

  template <typename T>
  const T* get_data_ptr() const {
    OPENVINO_ASSERT(sizeof(T) <= m_element_type.size() || shape_size(m_shape) <= 0,
                    "Buffer over-read");
    return static_cast<const T*>(get_data_ptr());
  }

  template <element::Type_t ET>
  const fundamental_type_for<ET>* get_data_ptr() const {
    OPENVINO_ASSERT(ET == get_element_type(), "get_data_ptr() called for incorrect element type.");
    return static_cast<const fundamental_type_for<ET>*>(get_data_ptr());
  }

  const ov::Tensor get_tensor_view() const;
  const Strides& get_strides() const;

  // Raw bytes reinterpreted as T (sub-byte types stay packed).
  template <typename T>
  std::vector<T> get_vector() const {
    OPENVINO_ASSERT(m_data != nullptr, "Cannot create vector! Buffer is not allocated.");
    std::vector<T> rc(get_byte_size() / sizeof(T));
    if (!rc.empty()) std::memcpy(rc.data(), get_data_ptr(), rc.size() * sizeof(T));
    return rc;
  }

  // Element-wise conversion of the first num_elements values (all when negative).
  template <typename T>
  std::vector<T> cast_vector(int64_t num_elements = -1) const {
    const size_t count = element_count(num_elements);
    std::vector<T> rc;
    rc.reserve(count);
    if constexpr (std::is_same_v<T, std::string>) {
      OPENVINO_ASSERT(m_element_type == element::string,
                      "cast_vector to std::string needs a string constant");
      const auto* p = static_cast<const std::string*>(get_data_ptr());
      rc.assign(p, p + count);
    } else if constexpr (std::is_same_v<T, bool>) {
      for (double v : read_doubles(count)) rc.push_back(v != 0.0);
    } else if constexpr (std::is_integral_v<T>) {
      if (m_element_type.is_real()) {
        for (double v : read_doubles(count)) rc.push_back(static_cast<T>(v));
      } else if (m_element_type == element::u64) {
        for (uint64_t v : read_unsigned(count)) rc.push_back(static_cast<T>(v));
      } else {
        for (int64_t v : read_signed(count)) rc.push_back(static_cast<T>(v));
      }
    } else {
      if (m_element_type.is_real()) {
        for (double v : read_doubles(count)) rc.push_back(static_cast<T>(v));
      } else if (m_element_type == element::u64) {
        for (uint64_t v : read_unsigned(count)) rc.push_back(static_cast<T>(v));
      } else {
        for (int64_t v : read_signed(count)) rc.push_back(static_cast<T>(v));
      }
    }
    return rc;
  }

  std::vector<std::string> get_value_strings() const;
  std::string convert_value_to_string(size_t index) const;
  bool get_all_data_elements_bitwise_identical() const;
  void alloc_buffer_on_visit_attributes(bool val) { m_alloc_buffer_on_visit_attributes = val; }

 private:
  Constant(bool memset_allocation, const element::Type& type, const Shape& shape);
  void allocate_buffer(bool memset_allocation);
  size_t element_count(int64_t num_elements) const;

  template <typename T>
  void write_any(const std::vector<T>& values) {
    if constexpr (std::is_same_v<T, std::string>) {
      write_strings(values);
    } else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, char> ||
                         (std::is_integral_v<T> && std::is_signed_v<T>)) {
      std::vector<int64_t> v(values.begin(), values.end());
      write_signed(v.data(), v.size());
    } else if constexpr (std::is_integral_v<T>) {
      std::vector<uint64_t> v(values.begin(), values.end());
      write_unsigned(v.data(), v.size());
    } else {
      std::vector<double> v;
      v.reserve(values.size());
      for (const auto& x : values) {
        if constexpr (std::is_same_v<T, double> || std::is_same_v<T, long double>) {
          v.push_back(static_cast<double>(x));
        } else {
          v.push_back(static_cast<double>(static_cast<float>(x)));
        }
      }
      write_doubles(v.data(), v.size());
    }
  }

  // Store n values converted to the element type; n == 1 fills the whole constant.
  void write_signed(const int64_t* values, size_t n);
  void write_unsigned(const uint64_t* values, size_t n);
  void write_doubles(const double* values, size_t n);
  void write_strings(const std::vector<std::string>& values);
  void fill_signed(int64_t value);
  void fill_unsigned(uint64_t value);
  void fill_double(double value);

  std::vector<int64_t> read_signed(size_t count) const;
  std::vector<uint64_t> read_unsigned(size_t count) const;
  std::vector<double> read_doubles(size_t count) const;

  element::Type m_element_type{};
  Shape m_shape{};
  Strides m_byte_strides{};
  std::shared_ptr<ov::AlignedBuffer> m_data{};
  mutable std::atomic_bool m_all_elements_bitwise_identical_checked{false};
  mutable bool m_all_elements_bitwise_identical{false};
  bool m_alloc_buffer_on_visit_attributes{true};
};

}  // namespace v0
}  // namespace op
}  // namespace ov
