#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/runtime/tensor.hpp"

// Compares a model with a reference model: the graphs are walked together from the results,
// and the first pair of nodes that differs is reported (with every difference found on it).
class FunctionsComparator {
 public:
  enum CmpValues {
    NONE = 0,
    NODES = 1 << 0,
    CONST_VALUES = 1 << 1,
    NAMES = 1 << 2,
    RUNTIME_KEYS = 1 << 3,
    PRECISIONS = 1 << 4,
    ATTRIBUTES = 1 << 5,
    TENSOR_NAMES = 1 << 6,
    ACCURACY = 1 << 7,
    SUBGRAPH_DESCRIPTORS = 1 << 8,
    CONSUMERS_COUNT = 1 << 9,
  };

  struct Result {
    bool valid;
    std::string message;

    static Result ok(std::string msg = {}) { return {true, std::move(msg)}; }
    static Result error(std::string msg) { return {false, std::move(msg)}; }
  };

  static FunctionsComparator no_default() noexcept { return FunctionsComparator{NONE}; }
  static FunctionsComparator with_default() noexcept {
    auto fc = FunctionsComparator::no_default();
    fc.enable(NODES);
    fc.enable(PRECISIONS);
    fc.enable(TENSOR_NAMES);
    fc.enable(SUBGRAPH_DESCRIPTORS);
    return fc;
  }

  FunctionsComparator& enable(CmpValues f) noexcept {
    m_comparison_flags = static_cast<CmpValues>(m_comparison_flags | f);
    return *this;
  }
  FunctionsComparator& disable(CmpValues f) noexcept {
    m_comparison_flags = static_cast<CmpValues>(m_comparison_flags & ~f);
    return *this;
  }
  bool should_compare(CmpValues f) const noexcept { return (m_comparison_flags & f) != 0; }

  Result compare(const std::shared_ptr<ov::Model>& f,
                 const std::shared_ptr<ov::Model>& f_ref) const;
  Result operator()(const std::shared_ptr<ov::Model>& f,
                    const std::shared_ptr<ov::Model>& f_ref) const {
    return compare(f, f_ref);
  }

  // Thresholds of the ACCURACY comparison; see ov::test::utils::compare_model_outputs.
  void set_accuracy_thresholds(float abs_threshold, float rel_threshold) {
    m_abs_threshold = abs_threshold;
    m_rel_threshold = rel_threshold;
  }

 private:
  explicit FunctionsComparator(CmpValues f) noexcept : m_comparison_flags(f) {}
  CmpValues m_comparison_flags;
  float m_abs_threshold = 1e-7f;
  float m_rel_threshold = 1e-7f;
};

// The older form: NODES always, the rest as flags.
inline std::pair<bool, std::string> compare_functions(
    const std::shared_ptr<ov::Model>& f, const std::shared_ptr<ov::Model>& f_ref,
    const bool compareConstValues = false, const bool compareNames = false,
    const bool compareRuntimeKeys = false, const bool comparePrecisions = true,
    const bool compareAttributes = false, const bool compareTensorNames = true) {
  auto fc = FunctionsComparator::no_default();
  using Cmp = FunctionsComparator::CmpValues;
  fc.enable(Cmp::NODES);
  if (compareConstValues) fc.enable(Cmp::CONST_VALUES);
  if (compareNames) fc.enable(Cmp::NAMES);
  if (compareRuntimeKeys) fc.enable(Cmp::RUNTIME_KEYS);
  if (comparePrecisions) fc.enable(Cmp::PRECISIONS);
  if (compareAttributes) fc.enable(Cmp::ATTRIBUTES);
  if (compareTensorNames) fc.enable(Cmp::TENSOR_NAMES);
  const auto r = fc(f, f_ref);
  return {r.valid, r.message};
}

// Throws when an op other than a Constant has no FusedNames entry ("fused_names_0"): a pass
// made a node without copy_runtime_info from what it replaced.
void check_rt_info(const std::shared_ptr<ov::Model>& f);

namespace ov {
namespace test {
namespace utils {

// Deterministic inputs for every parameter of `model`: reals uniform in [-1, 1), signed
// integers in [-4, 4), unsigned integers in [0, 8), booleans 0 or 1. A parameter with a
// dynamic shape takes the shape given at its index in `input_shapes`, or else its dimensions'
// lower bounds (at least 1).
ov::TensorVector make_random_inputs(const std::shared_ptr<ov::Model>& model, uint64_t seed = 1,
                                    const std::vector<ov::Shape>& input_shapes = {});

struct AccuracyReport {
  // Both models evaluated, their outputs agree in number, type and shape, and every element
  // is within the thresholds.
  bool valid = false;
  std::string message;
  // The largest absolute difference over all outputs, where it occurred, and the largest
  // relative difference (|a - b| / max(|a|, |b|)).
  double max_abs_diff = 0;
  double max_rel_diff = 0;
  size_t output_index = 0;
  size_t element_index = 0;
};

// Evaluates both models on the same random inputs (make_random_inputs of `model`) and
// compares their outputs element by element. An element passes when its absolute difference
// is at most `abs_threshold` or its relative difference at most `rel_threshold`; NaN matches
// only NaN.
AccuracyReport compare_model_outputs(const std::shared_ptr<ov::Model>& model,
                                     const std::shared_ptr<ov::Model>& ref_model,
                                     float abs_threshold = 1e-7f, float rel_threshold = 1e-7f,
                                     uint64_t seed = 1,
                                     const std::vector<ov::Shape>& input_shapes = {});

}  // namespace utils
}  // namespace test
}  // namespace ov
