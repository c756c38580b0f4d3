// MatMul and FakeQuantize.

#include <cmath>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/op/fake_quantize.hpp"
#include "openvino/op/matmul.hpp"
#include "util/dnnl_kernels.hpp"
#include "util/evaluate_helpers.hpp"

namespace ov {
namespace op {
namespace v0 {

MatMul::MatMul(const Output<Node>& A, const Output<Node>& B, const bool& transpose_a,
               const bool& transpose_b)
    : Op({A, B}), m_transpose_a(transpose_a), m_transpose_b(transpose_b) {
  constructor_validate_and_infer_types();
}

bool MatMul::visit_attributes(AttributeVisitor& visitor) {
  visitor.on_attribute("transpose_a", m_transpose_a);
  visitor.on_attribute("transpose_b", m_transpose_b);
  return true;
}

namespace {

// Output shape of A x B; `node` names the errors.
PartialShape matmul_shape(const Node* node, PartialShape a, PartialShape b, bool ta, bool tb) {
  if (a.rank().is_dynamic() || b.rank().is_dynamic()) return PartialShape::dynamic();
  NODE_VALIDATION_CHECK(node, a.size() > 0 && b.size() > 0,
                        "Scalars are not supported as MatMul inputs.");
  const bool a_vector = a.size() == 1;
  const bool b_vector = b.size() == 1;
  if (a_vector) {
    a.insert(a.begin(), Dimension(1));
  } else if (ta) {
    std::swap(a[-1], a[-2]);
  }
  if (b_vector) {
    b.push_back(Dimension(1));
  } else if (tb) {
    std::swap(b[-1], b[-2]);
  }
  const auto& ka = a[-1];
  const auto& kb = b[-2];
  NODE_VALIDATION_CHECK(node, ka.is_dynamic() || kb.is_dynamic() || ka.compatible(kb),
                        "Incompatible MatMul matrix dimension. First input dimension=", ka,
                        " at COL_INDEX_DIM=", a.size() - 1,
                        " doesn't match the second input dimension=", kb,
                        " at ROW_INDEX_DIM=", b.size() - 2);
  const size_t rank = std::max(a.size(), b.size());
  a.insert(a.begin(), rank - a.size(), Dimension(1));
  b.insert(b.begin(), rank - b.size(), Dimension(1));
  std::vector<Dimension> out(rank);
  for (size_t i = 0; i + 2 < rank; ++i) {
    const auto& da = a[static_cast<std::ptrdiff_t>(i)];
    const auto& db = b[static_cast<std::ptrdiff_t>(i)];
    if (!Dimension::broadcast_merge(out[i], da, db)) {
      NODE_VALIDATION_CHECK(node, !(da.is_static() && db.is_static()),
                            "Incompatible MatMul batch dimension. Can't merge first input "
                            "dimension=",
                            da, " with second input dimension=", db, " at index=", i);
      out[i] = Dimension::dynamic();
    }
  }
  out[rank - 2] = a[-2];
  out[rank - 1] = b[-1];
  if (b_vector) out.erase(out.end() - 1);
  if (a_vector) out.erase(out.end() - (b_vector ? 1 : 2));
  return PartialShape(out);
}

}  // namespace

void MatMul::validate_and_infer_types() {
  element::Type type;
  NODE_VALIDATION_CHECK(
      this, element::Type::merge(type, get_input_element_type(0), get_input_element_type(1)),
      "Arguments do not have the same element type (arg0 element type: ", get_input_element_type(0),
      ", arg1 element type: ", get_input_element_type(1), ").");
  set_output_type(0, type,
                  matmul_shape(this, get_input_partial_shape(0), get_input_partial_shape(1),
                               m_transpose_a, m_transpose_b));
}

std::shared_ptr<Node> MatMul::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<MatMul>(new_args.at(0), new_args.at(1), m_transpose_a, m_transpose_b);
}

bool MatMul::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kNumeric);
}

bool MatMul::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const Shape& as = inputs[0].get_shape();
  const Shape& bs = inputs[1].get_shape();
  if (as.empty() || bs.empty() || inputs[0].get_element_type() != inputs[1].get_element_type()) {
    return false;
  }
  const auto out_ps = matmul_shape(this, as, bs, m_transpose_a, m_transpose_b);
  if (!out_ps.is_static()) return false;
  outputs[0].set_shape(out_ps.to_shape());
  // Matrix views of both operands: rows, cols and the element stride of each.
  const bool a_vec = as.size() == 1, b_vec = bs.size() == 1;
  const size_t a_rows_raw = a_vec ? 1 : as[as.size() - 2], a_cols_raw = as.back();
  const size_t b_rows_raw = b_vec ? bs[0] : bs[bs.size() - 2], b_cols_raw = b_vec ? 1 : bs.back();
  const bool ta = m_transpose_a && !a_vec, tb = m_transpose_b && !b_vec;
  const size_t M = ta ? a_cols_raw : a_rows_raw, K = ta ? a_rows_raw : a_cols_raw;
  const size_t N = tb ? b_rows_raw : b_cols_raw;
  if ((tb ? b_cols_raw : b_rows_raw) != K) return false;
  Shape a_batch = a_vec ? Shape{} : Shape(as.begin(), as.end() - 2);
  Shape b_batch = b_vec ? Shape{} : Shape(bs.begin(), bs.end() - 2);
  Shape batch;
  if (!eval::broadcast_shapes(a_batch, b_batch, AutoBroadcastType::NUMPY, batch)) return false;
  const auto a_off = eval::broadcast_offsets(batch, a_batch);
  const auto b_off = eval::broadcast_offsets(batch, b_batch);
  return eval::dispatch(inputs[0].get_element_type(), eval::kNumeric, [&](auto tag) {
    using T = typename decltype(tag)::type;
    // Floating products accumulate in double; integers wrap in their own type.
    using A = std::conditional_t<eval::is_floating_v<T>, double, T>;
    eval::ConstView<T> a(inputs[0]), b(inputs[1]);
    eval::MutView<T> out(outputs[0]);
    if constexpr (std::is_same_v<T, float>) {
      dnnl_kernels::MatMulGeometry g;
      g.batch = batch;
      // Both batch shapes at the broadcast rank, leading ones added.
      g.a_batch = Shape(batch.size() - a_batch.size(), 1);
      g.a_batch.insert(g.a_batch.end(), a_batch.begin(), a_batch.end());
      g.b_batch = Shape(batch.size() - b_batch.size(), 1);
      g.b_batch.insert(g.b_batch.end(), b_batch.begin(), b_batch.end());
      g.M = M;
      g.N = N;
      g.K = K;
      g.transpose_a = ta;
      g.transpose_b = tb;
      if (dnnl_kernels::matmul(g, a.get(), b.get(), out.get())) return;
    }
    for (size_t bi = 0; bi < a_off.size(); ++bi) {
      const size_t abase = a_off[bi] * M * K, bbase = b_off[bi] * K * N;
      for (size_t i = 0; i < M; ++i) {
        for (size_t j = 0; j < N; ++j) {
          A acc{};
          for (size_t kk = 0; kk < K; ++kk) {
            const size_t ai = ta ? kk * M + i : i * K + kk;
            const size_t bj = tb ? j * K + kk : kk * N + j;
            const A x = static_cast<A>(static_cast<eval::compute_t<T>>(a[abase + ai]));
            const A y = static_cast<A>(static_cast<eval::compute_t<T>>(b[bbase + bj]));
            acc = eval::wrap_add(acc, eval::wrap_mul(x, y));
          }
          out[(bi * M + i) * N + j] = static_cast<T>(static_cast<eval::compute_t<T>>(acc));
        }
      }
    }
  });
}

// ---- FakeQuantize ----

FakeQuantize::FakeQuantize() = default;

FakeQuantize::FakeQuantize(const Output<Node>& data, const Output<Node>& input_low,
                           const Output<Node>& input_high, const Output<Node>& output_low,
                           const Output<Node>& output_high, std::size_t levels,
                           const AutoBroadcastSpec& auto_broadcast)
    : Op({data, input_low, input_high, output_low, output_high}),
      m_levels(levels),
      m_auto_broadcast(auto_broadcast) {
  constructor_validate_and_infer_types();
}

bool FakeQuantize::visit_attributes(AttributeVisitor& visitor) {
  uint64_t levels = m_levels;
  visitor.on_attribute("levels", levels);
  m_levels = static_cast<std::size_t>(levels);
  visitor.on_attribute("auto_broadcast", m_auto_broadcast);
  return true;
}

void FakeQuantize::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 5, "FakeQuantize expects 5 inputs, got ",
                        get_input_size());
  PartialShape out = get_input_partial_shape(0);
  for (size_t i = 1; i < 5; ++i) {
    if (m_auto_broadcast.m_type == AutoBroadcastType::NONE) {
      NODE_VALIDATION_CHECK(this, PartialShape::merge_into(out, get_input_partial_shape(i)),
                            "Argument shapes are inconsistent.");
    } else if (m_auto_broadcast.m_type == AutoBroadcastType::NUMPY ||
               m_auto_broadcast.m_type == AutoBroadcastType::PDPD) {
      NODE_VALIDATION_CHECK(
          this,
          PartialShape::broadcast_merge_into(out, get_input_partial_shape(i), m_auto_broadcast),
          "Argument shapes are inconsistent.");
    } else {
      NODE_VALIDATION_CHECK(this, false, "Unsupported auto broadcast type");
    }
  }
  set_output_type(0, get_input_element_type(0), out);
}

std::shared_ptr<Node> FakeQuantize::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  return std::make_shared<FakeQuantize>(new_args.at(0), new_args.at(1), new_args.at(2),
                                        new_args.at(3), new_args.at(4), m_levels, m_auto_broadcast);
}

bool FakeQuantize::has_evaluate() const {
  return eval::in_set(get_input_element_type(0), eval::kFloat);
}

bool FakeQuantize::evaluate(TensorVector& outputs, const TensorVector& inputs) const {
  const auto& type = inputs[0].get_element_type();
  if (!eval::in_set(type, eval::kFloat) || m_levels < 2) return false;
  Shape out_shape = inputs[0].get_shape();
  const auto spec = m_auto_broadcast.m_type == AutoBroadcastType::NONE
                        ? AutoBroadcastSpec(AutoBroadcastType::NUMPY)
                        : m_auto_broadcast;
  for (size_t i = 1; i < 5; ++i) {
    if (inputs[i].get_element_type() != type) return false;
    if (!eval::broadcast_shapes(out_shape, inputs[i].get_shape(), spec, out_shape)) return false;
  }
  outputs[0].set_shape(out_shape);
  std::vector<std::vector<size_t>> offsets;
  for (size_t i = 0; i < 5; ++i) {
    offsets.push_back(
        eval::broadcast_offsets(out_shape, inputs[i].get_shape(),
                                i == 0 ? AutoBroadcastSpec(AutoBroadcastType::NUMPY) : spec));
  }
  const double levels = static_cast<double>(m_levels - 1);
  return eval::dispatch(type, eval::kFloat, [&](auto tag) {
    using T = typename decltype(tag)::type;
    using C = eval::compute_t<T>;
    eval::ConstView<T> x(inputs[0]), il(inputs[1]), ih(inputs[2]), ol(inputs[3]), oh(inputs[4]);
    eval::MutView<T> out(outputs[0]);
    for (size_t n = 0; n < offsets[0].size(); ++n) {
      const double v = static_cast<C>(x[offsets[0][n]]);
      const double in_lo = static_cast<C>(il[offsets[1][n]]);
      const double in_hi = static_cast<C>(ih[offsets[2][n]]);
      const double out_lo = static_cast<C>(ol[offsets[3][n]]);
      const double out_hi = static_cast<C>(oh[offsets[4][n]]);
      double y;
      if (v <= std::min(in_lo, in_hi)) {
        y = out_lo;
      } else if (v > std::max(in_lo, in_hi)) {
        y = out_hi;
      } else {
        y = std::nearbyint((v - in_lo) / (in_hi - in_lo) * levels) / levels * (out_hi - out_lo) +
            out_lo;
      }
      out[n] = static_cast<T>(static_cast<C>(y));
    }
  });
}

}  // namespace v0
}  // namespace op
}  // namespace ov
