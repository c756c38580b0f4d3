#pragma once

#include <memory>
#include <vector>

#include "op/op_test_utils.hpp"

namespace ovref_pass_test {

// Short forms of the op test builders for f32 graphs.
inline std::shared_ptr<ov::op::v0::Parameter> param(
    const ov::PartialShape& shape, const ov::element::Type& type = ov::element::f32) {
  return ovref_test::param(type, shape);
}

inline std::shared_ptr<ov::op::v0::Constant> scalar(float value) {
  return ovref_test::constant(ov::element::f32, ov::Shape{}, std::vector<float>{value});
}

inline std::shared_ptr<ov::op::v0::Constant> values(const ov::Shape& shape,
                                                    const std::vector<float>& v) {
  return ovref_test::constant(ov::element::f32, shape, v);
}

}  // namespace ovref_pass_test
