// Gather and ScatterElementsUpdate.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "../util/element_access.hpp"
#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/scatter_elements_update.hpp"
#include "util/evaluate_helpers.hpp"
#include "util/shape_helpers.hpp"

namespace ov {
namespace op {

namespace util {

GatherBase::GatherBase(const Output<Node>& data, const Output<Node>& indices,
                       const Output<Node>& axis, const int64_t batch_dims)
    : Op({data, indices, axis}), m_batch_dims(batch_dims) {}

int64_t GatherBase::get_axis() const {
  const auto axis = shape::constant_values(this, 2);
  OPENVINO_ASSERT(axis && axis->size() == 1, "axis value is not set or not a constant");
  int64_t value = (*axis)[0];
  const auto& rank = get_input_partial_shape(0).rank();
  if (value < 0 && rank.is_static()) value += rank.get_length();
  return value;
}

void GatherBase::validate_and_infer_types() {
  const auto& data = get_input_partial_shape(0);
  const auto& indices = get_input_partial_shape(1);
  const auto& axis_shape = get_input_partial_shape(2);
  shape::check_integral_input(this, 1, "Indices element type");
  shape::check_integral_input(this, 2, "Axis element type");
  NODE_VALIDATION_CHECK(
      this,
      axis_shape.rank().is_dynamic() || axis_shape.rank().get_length() == 0 ||
          (axis_shape.is_static() && shape_size(axis_shape.to_shape()) == 1),
      "Axis input must be scalar or have 1 element. But instead got axis_shape = ", axis_shape);
  const auto& element_type = get_input_element_type(0);
  if (data.rank().is_dynamic() || indices.rank().is_dynamic()) {
    set_output_type(0, element_type, PartialShape::dynamic());
    return;
  }
  const int64_t r = data.rank().get_length();
  const int64_t q = indices.rank().get_length();
  int64_t batch_dims = m_batch_dims < 0 ? m_batch_dims + q : m_batch_dims;
  NODE_VALIDATION_CHECK(this, batch_dims >= 0 && batch_dims <= q,
                        "The batch_dims must be >= -indices_rank and <= indices_rank. But instead "
                        "got: batch_dims = ",
                        m_batch_dims);
  const auto axis_values = shape::constant_values(this, 2);
  if (!axis_values) {
    set_output_type(0, element_type, PartialShape::dynamic(r + q - 1 - batch_dims));
    return;
  }
  const int64_t axis = shape::normalize_axis(this, (*axis_values)[0], data.rank());
  NODE_VALIDATION_CHECK(this, batch_dims <= axis,
                        "After normalization batch_dims must be <= axis. But instead got: "
                        "batch_dims = ",
                        batch_dims, ", axis = ", axis);
  std::vector<Dimension> out;
  for (int64_t i = 0; i < batch_dims; ++i) {
    Dimension merged;
    NODE_VALIDATION_CHECK(this, Dimension::merge(merged, data[i], indices[i]), "Shapes ", data,
                          " and ", indices,
                          " are not consistent, data and indices "
                          "must have equal or intersecting dimensions until batch_dims");
    out.push_back(merged);
  }
  for (int64_t i = batch_dims; i < axis; ++i) out.push_back(data[i]);
  for (int64_t i = batch_dims; i < q; ++i) out.push_back(indices[i]);
  for (int64_t i = axis + 1; i < r; ++i) out.push_back(data[i]);
  set_output_type(0, element_type, PartialShape(out));
}

bool GatherBase::has_evaluate() const {
  const auto& type = get_input_element_type(0);
  // Packed weights (u4, i4, ...) are gathered too, as the toolkit's CPU plug-in does for
  // compressed embeddings and expert weights.
  return type.is_static() && type != element::string &&
         (type.bitwidth() >= 8 || ::ov::util::element_access_supported(type));
}

bool GatherBase::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& data = inputs[0];
  const Shape& ds = data.get_shape();
  const Shape& is = inputs[1].get_shape();
  const auto indices = eval::read_int64(inputs[1]);
  const auto axis_values = eval::read_int64(inputs[2]);
  if (axis_values.size() != 1) return false;
  const int64_t r = static_cast<int64_t>(ds.size());
  const int64_t q = static_cast<int64_t>(is.size());
  int64_t axis;
  if (!eval::normalize_axis(axis_values[0], r, axis)) return false;
  const int64_t b = m_batch_dims < 0 ? m_batch_dims + q : m_batch_dims;
  if (b < 0 || b > axis || b > q) return false;
  Shape out_shape(ds.begin(), ds.begin() + axis);
  out_shape.insert(out_shape.end(), is.begin() + b, is.end());
  out_shape.insert(out_shape.end(), ds.begin() + axis + 1, ds.end());
  outputs[0].set_shape(out_shape);
  const size_t batch = shape_size(Shape(ds.begin(), ds.begin() + b));
  const size_t outer = shape_size(Shape(ds.begin() + b, ds.begin() + axis));
  const size_t dim = ds[axis];
  const size_t inner = shape_size(Shape(ds.begin() + axis + 1, ds.end()));
  const size_t per_batch_indices = shape_size(Shape(is.begin() + b, is.end()));
  std::vector<size_t> index;
  index.reserve(shape_size(out_shape));
  for (size_t bi = 0; bi < batch; ++bi) {
    for (size_t o = 0; o < outer; ++o) {
      for (size_t k = 0; k < per_batch_indices; ++k) {
        int64_t idx = indices[bi * per_batch_indices + k];
        if (idx < 0) idx += static_cast<int64_t>(dim);
        const bool valid = idx >= 0 && idx < static_cast<int64_t>(dim);
        const size_t base = ((bi * outer + o) * dim + static_cast<size_t>(valid ? idx : 0)) * inner;
        for (size_t c = 0; c < inner; ++c) index.push_back(valid ? base + c : eval::kFill);
      }
    }
  }
  return eval::copy_elements(data, outputs[0], index);
}

ScatterElementsUpdateBase::ScatterElementsUpdateBase(const Output<Node>& data,
                                                     const Output<Node>& indices,
                                                     const Output<Node>& updates,
                                                     const Output<Node>& axis)
    : Op({data, indices, updates, axis}) {}

void ScatterElementsUpdateBase::validate_and_infer_types() {
  element::Type data_type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(data_type, get_input_element_type(0), get_input_element_type(2)),
      "Data type and updates type are required to be the same. Got: ", get_input_element_type(0),
      " and: ", get_input_element_type(2));
  shape::check_integral_input(this, 1, "Indices element type");
  shape::check_integral_input(this, 3, "Axis element type");
  const auto& data = get_input_partial_shape(0);
  const auto& indices = get_input_partial_shape(1);
  const auto& updates = get_input_partial_shape(2);
  const auto& axis = get_input_partial_shape(3);
  NODE_VALIDATION_CHECK(this,
                        axis.rank().is_dynamic() || axis.rank().get_length() == 0 ||
                            (axis.rank().get_length() == 1 && axis[0].compatible(1)),
                        "Axis input shape are required to be scalar or 1D tensor. Got: ", axis);
  NODE_VALIDATION_CHECK(this, indices.rank().compatible(data.rank()),
                        "Indices rank and data rank are required to be equal. Got: ",
                        indices.rank(), " and: ", data.rank());
  NODE_VALIDATION_CHECK(this, indices.compatible(updates),
                        "Indices and updates input shapes are required to be equal. Got: ", indices,
                        " and: ", updates);
  if (auto axis_values = shape::constant_values(this, 3)) {
    if (!axis_values->empty()) shape::normalize_axis(this, (*axis_values)[0], data.rank());
  }
  set_output_type(0, data_type, data);
}

}  // namespace util

namespace v8 {

Gather::Gather(const Output<Node>& data, const Output<Node>& indices, const Output<Node>& axis,
               const int64_t batch_dims)
    : GatherBase(data, indices, axis, batch_dims) {
  constructor_validate_and_infer_types();
}

bool Gather::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("batch_dims", m_batch_dims);
  return true;
}

std::shared_ptr<Node> Gather::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<Gather>(new_args.at(0), new_args.at(1), new_args.at(2), m_batch_dims);
}

int64_t Gather::get_batch_dims() const {
  if (m_batch_dims < 0 && get_input_partial_shape(1).rank().is_static()) {
    return m_batch_dims + get_input_partial_shape(1).rank().get_length();
  }
  return m_batch_dims;
}

}  // namespace v8

namespace v12 {

using Reduction = ScatterElementsUpdate::Reduction;

ScatterElementsUpdate::ScatterElementsUpdate(const Output<Node>& data, const Output<Node>& indices,
                                             const Output<Node>& updates, const Output<Node>& axis,
                                             const Reduction reduction, const bool use_init_val)
    : ScatterElementsUpdateBase(data, indices, updates, axis),
      m_reduction(reduction),
      m_use_init_val(use_init_val) {
  constructor_validate_and_infer_types();
}

bool ScatterElementsUpdate::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("reduction", m_reduction);
  visitor.on_attribute("use_init_val", m_use_init_val);
  return true;
}

std::shared_ptr<Node> ScatterElementsUpdate::clone_with_new_inputs(
    const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<ScatterElementsUpdate>(new_args.at(0), new_args.at(1), new_args.at(2),
                                                 new_args.at(3), m_reduction, m_use_init_val);
}

bool ScatterElementsUpdate::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kAll);
}

bool ScatterElementsUpdate::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& data = inputs[0];
  const Shape& ds = data.get_shape();
  const Shape& is = inputs[1].get_shape();
  const auto indices = eval::read_int64(inputs[1]);
  const auto axis_values = eval::read_int64(inputs[3]);
  if (axis_values.empty() || is != inputs[2].get_shape() || is.size() != ds.size()) return false;
  int64_t axis;
  if (!eval::normalize_axis(axis_values[0], static_cast<int64_t>(ds.size()), axis)) return false;
  const auto type = data.get_element_type();
  if (type == element::boolean && m_reduction == Reduction::MEAN) return false;
  outputs[0].set_shape(ds);
  const auto data_strides = eval::element_strides(ds);
  // Output offset targeted by every update element.
  std::vector<size_t> targets(indices.size());
  std::vector<size_t> coord(is.size(), 0);
  for (size_t n = 0; n < indices.size(); ++n) {
    int64_t idx = indices[n];
    const int64_t dim = static_cast<int64_t>(ds[axis]);
    if (idx < 0) idx += dim;
    OPENVINO_ASSERT(idx >= 0 && idx < dim, "ScatterElementsUpdate index ", indices[n],
                    " is out of range for axis ", axis, " of size ", dim);
    size_t offset = 0;
    for (size_t i = 0; i < coord.size(); ++i) {
      offset +=
          (static_cast<int64_t>(i) == axis ? static_cast<size_t>(idx) : coord[i]) * data_strides[i];
    }
    targets[n] = offset;
    for (size_t i = coord.size(); i-- > 0;) {
      if (++coord[i] < is[i]) break;
      coord[i] = 0;
    }
  }
  const Reduction reduction = m_reduction;
  const bool use_init = m_use_init_val;
  return eval::dispatch(type, eval::kAll, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> src(data), upd(inputs[2]);
    eval::MutView<T> out(outputs[0]);
    const size_t n = data.get_size();
    std::vector<C> acc(n);
    std::vector<size_t> count(n, 0);
    for (size_t i = 0; i < n; ++i) acc[i] = static_cast<C>(src[i]);
    if (reduction == Reduction::NONE) {
      for (size_t k = 0; k < targets.size(); ++k) acc[targets[k]] = static_cast<C>(upd[k]);
    } else {
      std::vector<bool> started(n, use_init);
      for (size_t k = 0; k < targets.size(); ++k) {
        const size_t t = targets[k];
        const C u = static_cast<C>(upd[k]);
        ++count[t];
        if (!started[t]) {
          acc[t] = u;
          started[t] = true;
          continue;
        }
        switch (reduction) {
          case Reduction::SUM:
          case Reduction::MEAN:
            if constexpr (std::is_same_v<T, char>) {
              acc[t] = (acc[t] || u) ? 1 : 0;
            } else {
              acc[t] = eval::wrap_add(acc[t], u);
            }
            break;
          case Reduction::PROD:
            if constexpr (std::is_same_v<T, char>) {
              acc[t] = (acc[t] && u) ? 1 : 0;
            } else {
              acc[t] = eval::wrap_mul(acc[t], u);
            }
            break;
          case Reduction::MIN:
            acc[t] = std::min(acc[t], u);
            break;
          case Reduction::MAX:
            acc[t] = std::max(acc[t], u);
            break;
          default:
            break;
        }
      }
      if constexpr (!std::is_same_v<T, char>) {
        if (reduction == Reduction::MEAN) {
          for (size_t i = 0; i < n; ++i) {
            if (count[i] == 0) continue;
            const size_t total = count[i] + (use_init ? 1 : 0);
            if constexpr (std::is_integral_v<C>) {
              // Integer means round toward negative infinity.
              const double mean = static_cast<double>(acc[i]) / static_cast<double>(total);
              acc[i] = static_cast<C>(std::floor(mean));
            } else {
              acc[i] = static_cast<C>(acc[i] / static_cast<C>(total));
            }
          }
        }
      }
    }
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<T>(acc[i]);
  });
}

}  // namespace v12

std::ostream& operator<<(std::ostream& s, const v12::ScatterElementsUpdate::Reduction& reduction) {
  return s << as_string(reduction);
}

}  // namespace op

template <>
EnumNames<op::v12::ScatterElementsUpdate::Reduction>&
EnumNames<op::v12::ScatterElementsUpdate::Reduction>::get() {
  using R = op::v12::ScatterElementsUpdate::Reduction;
  static auto enum_names =
      EnumNames<R>("op::v12::ScatterElementsUpdate::Reduction", {{"none", R::NONE},
                                                                 {"sum", R::SUM},
                                                                 {"prod", R::PROD},
                                                                 {"min", R::MIN},
                                                                 {"max", R::MAX},
                                                                 {"mean", R::MEAN}});
  return enum_names;
}

}  // namespace ov
