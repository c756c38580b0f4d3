#pragma once

#include <memory>
#include <string>
#include <vector>

#include "openvino/core/partial_shape.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/frontend/place.hpp"
#include "openvino/frontend/visibility.hpp"

namespace ov {
namespace frontend {

// A framework model loaded by a front end, before conversion. Members a front end does not
// support throw NotImplementedFailure.
class FRONTEND_API InputModel {
 public:
  using Ptr = std::shared_ptr<InputModel>;

  InputModel() = default;
  InputModel(const InputModel&) = delete;
  InputModel(InputModel&&) = delete;
  InputModel& operator=(const InputModel&) = delete;
  InputModel& operator=(InputModel&&) = delete;
  virtual ~InputModel();

  virtual std::vector<Place::Ptr> get_inputs() const;

  virtual std::vector<Place::Ptr> get_outputs() const;

  virtual Place::Ptr get_place_by_tensor_name(const std::string& tensor_name) const;

  virtual Place::Ptr get_place_by_input_index(size_t input_idx) const;

  virtual void set_partial_shape(const Place::Ptr& place, const ov::PartialShape& shape);

  virtual ov::PartialShape get_partial_shape(const Place::Ptr& place) const;

  virtual void set_element_type(const Place::Ptr& place, const ov::element::Type& type);

  virtual ov::element::Type get_element_type(const Place::Ptr& place) const;
};

}  // namespace frontend
}  // namespace ov
