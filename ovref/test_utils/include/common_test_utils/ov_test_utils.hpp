#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "openvino/core/dimension.hpp"
#include "openvino/core/model.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/pass/manager.hpp"

#define DYN ov::Dimension::dynamic()

using TransformationTests = ::testing::Test;

// Fixture for pass tests: build `model`, register passes on `manager`, and optionally build
// the expected `model_ref`. TearDown runs the passes and compares the result with `model_ref`
// (with a clone of the original model when `model_ref` is left unset: the passes must then
// change nothing). Friendly and tensor names must stay unique, and the results must keep
// their tensor names and producer names; every op but the Constants must carry fused names
// (InitNodeInfo runs first), which holds when passes copy runtime info. With ACCURACY enabled, the
// transformed model is also evaluated against the original on random inputs.
class TransformationTestsF : public ::testing::Test {
 public:
  TransformationTestsF();

  void SetUp() override;
  void TearDown() override;

  std::shared_ptr<ov::Model> model, model_ref;
  ov::pass::Manager manager;
  FunctionsComparator comparator;

  void disable_rt_info_check() { m_rt_info_check = false; }
  void enable_soft_names_comparison() { m_soft_names_comparison = true; }
  void disable_result_friendly_names_check() { m_result_friendly_names_check = false; }

 protected:
  float m_abs_threshold = 5e-4f;
  float m_rel_threshold = 1e-3f;

 private:
  bool m_rt_info_check = true;
  bool m_soft_names_comparison = true;
  bool m_result_friendly_names_check = true;
};

template <typename T>
size_t count_ops_of_type(const std::shared_ptr<ov::Model>& f) {
  size_t count = 0;
  for (const auto& op : f->get_ops()) {
    if (ov::is_type<T>(op)) count++;
  }
  return count;
}

template <class T>
std::shared_ptr<ov::op::v0::Constant> create_constant(
    const std::vector<T>& data, const ov::element::Type_t et = ov::element::i64,
    bool scalar = false) {
  ov::Shape shape = scalar ? ov::Shape{} : ov::Shape{data.size()};
  return ov::op::v0::Constant::create(et, shape, data);
}

inline std::shared_ptr<ov::op::v0::Constant> create_zero_constant(const ov::element::Type_t& et,
                                                                  const ov::Shape& shape) {
  return ov::op::v0::Constant::create(et, shape, {0});
}

namespace ov {
namespace test {
namespace utils {

// Empty when every friendly name and every tensor name in the model is unique; otherwise the
// first duplicate.
std::string find_duplicate_names(const std::shared_ptr<ov::Model>& model);

}  // namespace utils
}  // namespace test
}  // namespace ov
