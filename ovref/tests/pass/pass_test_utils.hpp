#pragma once

#include <memory>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"

namespace ovref_pass_test {

inline std::shared_ptr<ov::op::v0::Parameter> param(
    const ov::PartialShape& shape, const ov::element::Type& type = ov::element::f32) {
  return std::make_shared<ov::op::v0::Parameter>(type, shape);
}

inline std::shared_ptr<ov::op::v0::Constant> scalar(float value) {
  return ov::op::v0::Constant::create(ov::element::f32, ov::Shape{}, {value});
}

inline std::shared_ptr<ov::op::v0::Constant> values(const ov::Shape& shape,
                                                    const std::vector<float>& v) {
  return ov::op::v0::Constant::create(ov::element::f32, shape, v);
}

}  // namespace ovref_pass_test
