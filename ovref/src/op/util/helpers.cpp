#include <algorithm>
#include <cstring>

#include "../../util/element_access.hpp"
#include "evaluate_helpers.hpp"
#include "openvino/op/constant.hpp"
#include "shape_helpers.hpp"

namespace ov {
namespace op {

namespace eval {

bool in_set(const element::Type& type, unsigned set) {
  return dispatch(type, set, [](auto) {});
}

bool broadcast_shapes(const Shape& a, const Shape& b, const AutoBroadcastSpec& spec, Shape& out) {
  PartialShape merged(a);
  if (spec.m_type == AutoBroadcastType::NONE) {
    if (a != b) return false;
    out = a;
    return true;
  }
  if (!PartialShape::broadcast_merge_into(merged, PartialShape(b), spec)) return false;
  out = merged.to_shape();
  return true;
}

std::vector<size_t> broadcast_offsets(const Shape& out_shape, const Shape& in_shape,
                                      const AutoBroadcastSpec& spec) {
  const size_t out_rank = out_shape.size();
  // Input dims aligned to output axes (1 where the input has no axis).
  std::vector<size_t> aligned(out_rank, 1);
  if (spec.m_type == AutoBroadcastType::PDPD) {
    size_t len = in_shape.size();
    while (len > 0 && in_shape[len - 1] == 1) --len;
    const int64_t axis =
        spec.m_axis == -1 ? static_cast<int64_t>(out_rank - in_shape.size()) : spec.m_axis;
    OPENVINO_ASSERT(axis >= 0 && static_cast<size_t>(axis) + len <= out_rank, "Shape ", in_shape,
                    " does not broadcast to ", out_shape, " at axis ", axis);
    for (size_t i = 0; i < len; ++i) aligned[static_cast<size_t>(axis) + i] = in_shape[i];
  } else {
    const size_t offset = out_rank - std::min(out_rank, in_shape.size());
    for (size_t i = 0; i < in_shape.size() && i < out_rank; ++i) {
      aligned[offset + i] = in_shape[in_shape.size() - std::min(out_rank, in_shape.size()) + i];
    }
  }
  std::vector<size_t> in_strides(out_rank, 0);
  size_t stride = 1;
  for (size_t i = out_rank; i-- > 0;) {
    in_strides[i] = aligned[i] == 1 ? 0 : stride;
    stride *= aligned[i];
  }
  const size_t count = shape_size(out_shape);
  std::vector<size_t> offsets(count);
  std::vector<size_t> index(out_rank, 0);
  size_t current = 0;
  for (size_t n = 0; n < count; ++n) {
    offsets[n] = current;
    for (size_t i = out_rank; i-- > 0;) {
      if (++index[i] < out_shape[i]) {
        current += in_strides[i];
        break;
      }
      current -= in_strides[i] * (out_shape[i] - 1);
      index[i] = 0;
    }
  }
  return offsets;
}

std::vector<int64_t> read_int64(const Tensor& tensor) {
  const auto& type = tensor.get_element_type();
  std::vector<int64_t> values(tensor.get_size());
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = ::ov::util::get_signed(type, tensor.data(), i);
  }
  return values;
}

bool copy_elements(const Tensor& in, Tensor& out, const std::vector<size_t>& index,
                   const void* fill) {
  const auto& type = in.get_element_type();
  if (type == element::string || out.get_element_type() != type) return false;
  if (type.bitwidth() < 8) {
    if (!::ov::util::element_access_supported(type)) return false;
    const void* src = in.data();
    void* dst = out.data();
    const size_t in_size = in.get_size();
    const uint8_t fill_bits = fill ? ::ov::util::get_packed_bits(type, fill, 0) : 0;
    std::memset(dst, 0, out.get_byte_size());
    for (size_t i = 0; i < index.size(); ++i) {
      if (index[i] == kFill) {
        ::ov::util::set_packed_bits(type, dst, i, fill_bits);
      } else {
        OPENVINO_ASSERT(index[i] < in_size, "Element index ", index[i], " is outside the input");
        ::ov::util::set_packed_bits(type, dst, i, ::ov::util::get_packed_bits(type, src, index[i]));
      }
    }
    return true;
  }
  const size_t es = type.size();
  const auto* src = static_cast<const char*>(in.data());
  auto* dst = static_cast<char*>(out.data());
  const size_t in_size = in.get_size();
  for (size_t i = 0; i < index.size(); ++i) {
    if (index[i] == kFill) {
      if (fill) {
        std::memcpy(dst + i * es, fill, es);
      } else {
        std::memset(dst + i * es, 0, es);
      }
    } else {
      OPENVINO_ASSERT(index[i] < in_size, "Element index ", index[i], " is outside the input");
      std::memcpy(dst + i * es, src + index[i] * es, es);
    }
  }
  return true;
}

bool copy_bytes(const Tensor& in, Tensor& out, const Shape& out_shape) {
  if (in.get_element_type() == element::string || out.get_element_type() != in.get_element_type() ||
      shape_size(out_shape) != in.get_size()) {
    return false;
  }
  out.set_shape(out_shape);
  if (out.data() != in.data() && in.get_byte_size() > 0) {
    std::memmove(out.data(), in.data(), in.get_byte_size());
  }
  return true;
}

std::vector<size_t> element_strides(const Shape& shape) { return row_major_strides(shape); }

bool normalize_axis(int64_t axis, int64_t rank, int64_t& out) {
  if (axis < -rank || axis >= rank) return false;
  out = axis < 0 ? axis + rank : axis;
  return true;
}

}  // namespace eval

namespace shape {

std::optional<std::vector<int64_t>> constant_values(const Node* node, size_t port) {
  if (port >= node->get_input_size()) return std::nullopt;
  const auto* constant = ov::as_type<const v0::Constant>(node->get_input_node_ptr(port));
  if (!constant) return std::nullopt;
  const auto& type = constant->get_element_type();
  if (!type.is_integral_number() && type != element::boolean) return std::nullopt;
  return constant->cast_vector<int64_t>();
}

int64_t normalize_axis(const Node* node, int64_t axis, const Rank& rank) {
  if (rank.is_dynamic()) return axis;
  const int64_t r = rank.get_length();
  NODE_VALIDATION_CHECK(node, axis >= -r && axis < r, "Axis ", axis,
                        " out of the tensor rank range [", -r, ", ", r - 1, "].");
  return axis < 0 ? axis + r : axis;
}

std::vector<int64_t> normalize_axes(const Node* node, const std::vector<int64_t>& axes,
                                    const Rank& rank) {
  std::vector<int64_t> result;
  result.reserve(axes.size());
  for (auto axis : axes) result.push_back(normalize_axis(node, axis, rank));
  return result;
}

void check_integral_input(const Node* node, size_t port, const char* what) {
  const auto& type = node->get_input_element_type(port);
  NODE_VALIDATION_CHECK(node, type.is_dynamic() || type.is_integral_number(), what,
                        " must be an integral number, but is: ", type);
}

}  // namespace shape

}  // namespace op
}  // namespace ov
