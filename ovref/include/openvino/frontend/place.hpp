#pragma once

#include <memory>
#include <string>
#include <vector>

#include "openvino/frontend/visibility.hpp"

namespace ov {
namespace frontend {

// A location in a framework graph: a tensor or an operation. Members a front end does not
// support throw NotImplementedFailure.
class FRONTEND_API Place {
 public:
  using Ptr = std::shared_ptr<Place>;

  virtual ~Place();

  virtual std::vector<std::string> get_names() const;

  virtual bool is_input() const;

  virtual bool is_output() const;

  virtual bool is_equal(const Ptr& another) const;
};

}  // namespace frontend
}  // namespace ov
