#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ovref_test {

inline std::shared_ptr<ov::op::v0::Parameter> param(const ov::element::Type& type,
                                                    const ov::PartialShape& shape) {
  return std::make_shared<ov::op::v0::Parameter>(type, shape);
}

template <typename T>
std::shared_ptr<ov::op::v0::Constant> constant(const ov::element::Type& type,
                                               const ov::Shape& shape, const std::vector<T>& v) {
  return ov::op::v0::Constant::create(type, shape, v);
}

// A 1-D i64 constant holding `v` (axes, orders, bounds).
inline std::shared_ptr<ov::op::v0::Constant> i64(const std::vector<int64_t>& v) {
  return constant(ov::element::i64, ov::Shape{v.size()}, v);
}

// A tensor of `type` holding `values` converted element by element.
template <typename T>
ov::Tensor tensor(const ov::element::Type& type, const ov::Shape& shape,
                  const std::vector<T>& values) {
  auto c = ov::op::v0::Constant::create(type, shape, values);
  ov::Tensor t(type, shape);
  c->get_tensor_view().copy_to(t);
  return t;
}

// Tensor values as T (converted through a Constant view, so any element type works).
template <typename T>
std::vector<T> values(const ov::Tensor& t) {
  ov::op::v0::Constant c(t);
  return c.cast_vector<T>();
}

// Evaluates the single-output node `node` whose inputs are all Parameters fed by `inputs`, or
// Constants. Returns the output tensors.
inline ov::TensorVector run(const ov::OutputVector& outputs, const ov::ParameterVector& params,
                            const ov::TensorVector& inputs) {
  auto model = std::make_shared<ov::Model>(outputs, params);
  ov::TensorVector result;
  EXPECT_TRUE(model->evaluate(result, inputs));
  return result;
}

template <typename T>
void expect_near(const std::vector<T>& actual, const std::vector<T>& expected, double tol) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(actual[i]), static_cast<double>(expected[i]), tol)
        << "at " << i;
  }
}

inline bool message_has(const std::function<void()>& f, const std::string& text) {
  try {
    f();
  } catch (const ov::Exception& e) {
    return std::string(e.what()).find(text) != std::string::npos;
  }
  return false;
}

}  // namespace ovref_test
