// DepthToSpace, SpaceToDepth and NormalizeL2.

#include <cmath>
#include <cstring>
#include <set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/depth_to_space.hpp"
#include "openvino/op/normalize_l2.hpp"
#include "openvino/op/space_to_depth.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/frontend_ops_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace {

// For every element of the channels-deep tensor `depth_shape` ([N, C*bs^K, D...]), the flat
// index of the same element in the spatial tensor ([N, C, D*bs...]).
std::vector<size_t> depth_to_space_index(const Shape& depth_shape, size_t bs, bool blocks_first) {
  const size_t k = depth_shape.size() - 2;
  size_t block_count = 1;
  for (size_t i = 0; i < k; ++i) block_count *= bs;
  const size_t c_out = depth_shape[1] / block_count;
  Shape space_shape{depth_shape[0], c_out};
  for (size_t i = 0; i < k; ++i) space_shape.push_back(depth_shape[2 + i] * bs);
  const auto space_strides = eval::element_strides(space_shape);
  std::vector<size_t> index(shape_size(depth_shape));
  std::vector<size_t> coord(depth_shape.size(), 0);
  std::vector<size_t> blocks(k);
  for (size_t n = 0; n < index.size(); ++n) {
    const size_t ch = coord[1];
    const size_t c = blocks_first ? ch % c_out : ch / block_count;
    size_t b = blocks_first ? ch / c_out : ch % block_count;
    for (size_t i = k; i-- > 0;) {
      blocks[i] = b % bs;
      b /= bs;
    }
    size_t at = coord[0] * space_strides[0] + c * space_strides[1];
    for (size_t i = 0; i < k; ++i) at += (coord[2 + i] * bs + blocks[i]) * space_strides[2 + i];
    index[n] = at;
    for (size_t d = depth_shape.size(); d-- > 0;) {
      if (++coord[d] < depth_shape[d]) break;
      coord[d] = 0;
    }
  }
  return index;
}

PartialShape depth_space_shape(const Node* node, const PartialShape& data, size_t bs,
                               bool to_space) {
  NODE_VALIDATION_CHECK(node, bs > 0, "block_size must be greater than zero.");
  if (data.rank().is_dynamic()) return PartialShape::dynamic();
  const auto r = data.rank().get_length();
  NODE_VALIDATION_CHECK(node, r >= 3,
                        "The input tensor with rank lower than 3 is not supported (input rank: ", r,
                        ")");
  int64_t blocks = 1;
  for (int64_t i = 2; i < r; ++i) {
    NODE_VALIDATION_CHECK(node, !__builtin_mul_overflow(blocks, static_cast<int64_t>(bs), &blocks),
                          "block_size ", bs, " is too large for a rank ", r, " input.");
  }
  PartialShape out = data;
  const auto b = static_cast<int64_t>(bs);
  if (to_space) {
    if (data[1].is_static()) {
      NODE_VALIDATION_CHECK(node, data[1].get_length() % blocks == 0, "Dimension value: [ ",
                            data[1].get_length(), "] must be a multiple of divisor: ", blocks);
    }
    out[1] = data[1].is_static() ? Dimension(data[1].get_length() / blocks) : Dimension::dynamic();
    for (int64_t i = 2; i < r; ++i) out[i] = data[i] * Dimension(b);
  } else {
    out[1] = data[1] * Dimension(blocks);
    for (int64_t i = 2; i < r; ++i) {
      if (data[i].is_static()) {
        NODE_VALIDATION_CHECK(node, data[i].get_length() % b == 0,
                              "The input data's 'spatial' dimension ", data[i].get_length(),
                              " must be divisible by 'block_size' ", bs);
        out[i] = Dimension(data[i].get_length() / b);
      } else {
        out[i] = Dimension::dynamic();
      }
    }
  }
  return out;
}

// Moves bytes between the two layouts; `to_space` selects the direction.
bool depth_space_evaluate(const Node* node, size_t bs, bool blocks_first, bool to_space,
                          TensorVector& outputs, const TensorVector& inputs) {
  const auto& in = inputs[0];
  if (!shape::byte_sized(in.get_element_type())) return false;
  PartialShape out_ps;
  try {
    out_ps = depth_space_shape(node, in.get_shape(), bs, to_space);
  } catch (const ov::Exception&) {
    return false;
  }
  const Shape out_shape = out_ps.to_shape();
  auto& out = frontend_ops::output_tensor(outputs, 0, in.get_element_type(), out_shape);
  const Shape& depth_shape = to_space ? in.get_shape() : out_shape;
  const auto index = depth_to_space_index(depth_shape, bs, blocks_first);
  const size_t es = in.get_element_type().size();
  const auto* src = static_cast<const char*>(in.data());
  auto* dst = static_cast<char*>(out.data());
  for (size_t i = 0; i < index.size(); ++i) {
    if (to_space) {
      std::memcpy(dst + index[i] * es, src + i * es, es);
    } else {
      std::memcpy(dst + i * es, src + index[i] * es, es);
    }
  }
  return true;
}

}  // namespace

namespace v0 {

// ---- DepthToSpace ----

DepthToSpace::DepthToSpace(const Output<Node>& data, const DepthToSpaceMode& mode,
                           std::size_t block_size)
    : Op({data}), m_blocksize(block_size), m_mode(mode) {
  constructor_validate_and_infer_types();
}

DepthToSpace::DepthToSpace(const Output<Node>& data, const std::string& mode,
                           std::size_t block_size)
    : DepthToSpace(data, as_enum<DepthToSpaceMode>(mode), block_size) {}

void DepthToSpace::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(0),
                  depth_space_shape(this, get_input_partial_shape(0), m_blocksize, true));
}

bool DepthToSpace::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("block_size", m_blocksize);
  visitor.on_attribute("mode", m_mode);
  return true;
}

std::shared_ptr<Node> DepthToSpace::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<DepthToSpace>(new_args.at(0), m_mode, m_blocksize);
}

bool DepthToSpace::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool DepthToSpace::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return depth_space_evaluate(this, m_blocksize, m_mode == DepthToSpaceMode::BLOCKS_FIRST, true,
                              outputs, inputs);
}

// ---- SpaceToDepth ----

SpaceToDepth::SpaceToDepth(const Output<Node>& data, const SpaceToDepthMode& mode,
                           std::size_t block_size)
    : Op({data}), m_blocksize(block_size), m_mode(mode) {
  constructor_validate_and_infer_types();
}

SpaceToDepth::SpaceToDepth(const Output<Node>& data, const std::string& mode,
                           std::size_t block_size)
    : SpaceToDepth(data, as_enum<SpaceToDepthMode>(mode), block_size) {}

void SpaceToDepth::validate_and_infer_types() {
  set_output_type(0, get_input_element_type(0),
                  depth_space_shape(this, get_input_partial_shape(0), m_blocksize, false));
}

bool SpaceToDepth::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("block_size", m_blocksize);
  visitor.on_attribute("mode", m_mode);
  return true;
}

std::shared_ptr<Node> SpaceToDepth::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<SpaceToDepth>(new_args.at(0), m_mode, m_blocksize);
}

bool SpaceToDepth::has_evaluate() const { return shape::byte_sized(get_input_element_type(0)); }

bool SpaceToDepth::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  return depth_space_evaluate(this, m_blocksize, m_mode == SpaceToDepthMode::BLOCKS_FIRST, false,
                              outputs, inputs);
}

// ---- NormalizeL2 ----

NormalizeL2::NormalizeL2(const Output<Node>& data, const Output<Node>& axes, float eps,
                         EpsMode eps_mode)
    : Op({data, axes}), m_eps(eps), m_eps_mode(eps_mode) {
  constructor_validate_and_infer_types();
}

void NormalizeL2::validate_and_infer_types() {
  const auto& type = get_input_element_type(0);
  NODE_VALIDATION_CHECK(this, type.is_dynamic() || type.is_real(),
                        "Input element type must be a floating point type. Got: ", type);
  shape::check_integral_input(this, 1, "Axes input element type");
  const auto& axes_shape = get_input_partial_shape(1);
  NODE_VALIDATION_CHECK(
      this, axes_shape.rank().is_dynamic() || axes_shape.rank().get_length() <= 1,
      "Input axes must be scalar or have rank equal to 1 (axes rank: ", axes_shape.rank(), ").");
  const auto& data = get_input_partial_shape(0);
  if (auto axes = shape::constant_values(this, 1)) {
    const auto norm = shape::normalize_axes(this, *axes, data.rank());
    NODE_VALIDATION_CHECK(this, std::set<int64_t>(norm.begin(), norm.end()).size() == norm.size(),
                          "Axes input must have unique axis values.");
  }
  set_output_type(0, type, data);
}

AxisSet NormalizeL2::get_reduction_axes() const {
  AxisSet result;
  if (auto axes = shape::constant_values(this, 1)) {
    for (auto a : shape::normalize_axes(this, *axes, get_input_partial_shape(0).rank())) {
      result.insert(static_cast<size_t>(a));
    }
  }
  return result;
}

bool NormalizeL2::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("eps", m_eps);
  visitor.on_attribute("eps_mode", m_eps_mode);
  return true;
}

std::shared_ptr<Node> NormalizeL2::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<NormalizeL2>(new_args.at(0), new_args.at(1), m_eps, m_eps_mode);
}

bool NormalizeL2::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kFloat);
}

bool NormalizeL2::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& s = inputs[0].get_shape();
  if (!inputs[1].get_element_type().is_integral_number()) return false;
  std::set<size_t> axes;
  for (auto a : eval::read_int64(inputs[1])) {
    int64_t n = 0;
    if (!eval::normalize_axis(a, static_cast<int64_t>(s.size()), n)) return false;
    axes.insert(static_cast<size_t>(n));
  }
  const auto group = frontend_ops::reduction_index(s, axes);
  auto& out = frontend_ops::output_tensor(outputs, 0, inputs[0].get_element_type(), s);
  const bool use_max = m_eps_mode == EpsMode::MAX;
  const double eps = m_eps;
  return eval::dispatch(inputs[0].get_element_type(), eval::kFloat, [&](auto tag) {
    using T = typename decltype(tag)::type;
    eval::ConstView<T> x(inputs[0]);
    eval::MutView<T> y(out);
    std::vector<double> sums(group.count, 0.0);
    for (size_t i = 0; i < group.index.size(); ++i) {
      const double v = static_cast<double>(x[i]);
      sums[group.index[i]] += v * v;
    }
    for (auto& v : sums) v = std::sqrt(use_max ? std::max(v, eps) : v + eps);
    for (size_t i = 0; i < group.index.size(); ++i) {
      y[i] = static_cast<T>(
          static_cast<eval::compute_t<T>>(static_cast<double>(x[i]) / sums[group.index[i]]));
    }
  });
}

}  // namespace v0
}  // namespace op

std::ostream& operator<<(std::ostream& s, const op::v0::DepthToSpace::DepthToSpaceMode& type) {
  return s << as_string(type);
}

std::ostream& operator<<(std::ostream& s, const op::v0::SpaceToDepth::SpaceToDepthMode& type) {
  return s << as_string(type);
}

template <>
EnumNames<op::v0::DepthToSpace::DepthToSpaceMode>&
EnumNames<op::v0::DepthToSpace::DepthToSpaceMode>::get() {
  static auto enum_names = EnumNames<op::v0::DepthToSpace::DepthToSpaceMode>(
      "op::v0::DepthToSpace::DepthToSpaceMode",
      {{"blocks_first", op::v0::DepthToSpace::DepthToSpaceMode::BLOCKS_FIRST},
       {"depth_first", op::v0::DepthToSpace::DepthToSpaceMode::DEPTH_FIRST}});
  return enum_names;
}

template <>
EnumNames<op::v0::SpaceToDepth::SpaceToDepthMode>&
EnumNames<op::v0::SpaceToDepth::SpaceToDepthMode>::get() {
  static auto enum_names = EnumNames<op::v0::SpaceToDepth::SpaceToDepthMode>(
      "op::v0::SpaceToDepth::SpaceToDepthMode",
      {{"blocks_first", op::v0::SpaceToDepth::SpaceToDepthMode::BLOCKS_FIRST},
       {"depth_first", op::v0::SpaceToDepth::SpaceToDepthMode::DEPTH_FIRST}});
  return enum_names;
}

}  // namespace ov
