#include "openvino/op/convert.hpp"

#include <cstring>

#include "../util/element_access.hpp"
#include "openvino/core/attribute_visitor.hpp"
#include "util/evaluate_helpers.hpp"

namespace ov {
namespace op {
namespace v0 {

namespace {

// One value of a byte-sized type converted to another, as static_cast would, with float to
// integer wrapping through int64 rather than being undefined.
template <typename To, typename From>
To convert_value(From v) {
  using eval::compute_t;
  if constexpr (std::is_same_v<To, char>) {
    return static_cast<compute_t<From>>(v) != compute_t<From>(0) ? 1 : 0;
  } else if constexpr (std::is_same_v<From, char>) {
    return static_cast<To>(static_cast<compute_t<To>>(v != 0 ? 1 : 0));
  } else if constexpr (std::is_integral_v<To> && eval::is_floating_v<From>) {
    const int64_t wide =
        ::ov::util::double_to_int64(static_cast<double>(static_cast<compute_t<From>>(v)));
    if constexpr (std::is_same_v<To, uint64_t>) {
      const double d = static_cast<double>(static_cast<compute_t<From>>(v));
      if (d >= 9223372036854775808.0 && d < 18446744073709551616.0) return static_cast<To>(d);
    }
    return static_cast<To>(static_cast<std::make_unsigned_t<To>>(static_cast<uint64_t>(wide)));
  } else if constexpr (std::is_integral_v<To>) {
    return static_cast<To>(v);
  } else {
    return static_cast<To>(static_cast<compute_t<To>>(static_cast<compute_t<From>>(v)));
  }
}

bool convertible(const element::Type& type) {
  return eval::in_set(type, eval::kAll) || ::ov::util::element_access_supported(type);
}

}  // namespace

Convert::Convert(const Output<Node>& arg, const element::Type& destination_type)
    : Op({arg}), m_destination_type(destination_type) {
  constructor_validate_and_infer_types();
}

void Convert::validate_and_infer_types() {
  set_output_type(0, m_destination_type, get_input_partial_shape(0));
}

bool Convert::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("destination_type", m_destination_type);
  return true;
}

std::shared_ptr<Node> Convert::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Convert>(new_args.at(0), m_destination_type);
}

bool Convert::has_evaluate() const {
  return convertible(get_input_element_type(0)) && convertible(m_destination_type);
}

bool Convert::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& in = inputs[0];
  const auto& from = in.get_element_type();
  auto& out = outputs[0];
  const auto to = m_destination_type.is_static() ? m_destination_type : from;
  if (!convertible(from) || !convertible(to)) return false;
  if (!out || out.get_element_type() != to) out = Tensor(to, in.get_shape());
  out.set_shape(in.get_shape());
  const size_t n = in.get_size();
  bool done = false;
  // Byte-sized types convert in typed loops; packed and 8-bit float types element by element.
  eval::dispatch(from, eval::kAll, [&](auto from_tag) {
    using F = typename decltype(from_tag)::type;
    done = eval::dispatch(to, eval::kAll, [&](auto to_tag) {
      using T = typename decltype(to_tag)::type;
      eval::ConstView<F> src(in);
      eval::MutView<T> dst(out);
      for (size_t i = 0; i < n; ++i) dst[i] = convert_value<T>(src[i]);
    });
  });
  if (done) return true;
  void* dst = out.data();
  const void* src = in.data();
  if (to.bitwidth() < 8 && out.get_byte_size() > 0) std::memset(dst, 0, out.get_byte_size());
  for (size_t i = 0; i < n; ++i) {
    if (from.is_real()) {
      ::ov::util::set_double(to, dst, i, ::ov::util::get_double(from, src, i));
    } else if (from == element::u64) {
      ::ov::util::set_unsigned(to, dst, i, ::ov::util::get_unsigned(from, src, i));
    } else {
      ::ov::util::set_signed(to, dst, i, ::ov::util::get_signed(from, src, i));
    }
  }
  return true;
}

}  // namespace v0
}  // namespace op
}  // namespace ov
