#pragma once

#include <memory>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/model.hpp"
#include "openvino/frontend/input_model.hpp"
#include "openvino/frontend/visibility.hpp"

namespace ov {
namespace frontend {

// Base of every front end: load a framework model, then convert it into an ov::Model.
class FRONTEND_API FrontEnd {
 public:
  using Ptr = std::shared_ptr<FrontEnd>;

  FrontEnd();
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd(FrontEnd&&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;
  FrontEnd& operator=(FrontEnd&&) = delete;
  virtual ~FrontEnd();

  // True when load() would accept these arguments.
  template <typename... Types>
  inline bool supported(const Types&... vars) const {
    return supported_impl({ov::Any(vars)...});
  }
  inline bool supported(const std::vector<ov::Any>& variants) const {
    return supported_impl(variants);
  }

  template <typename... Types>
  inline InputModel::Ptr load(const Types&... vars) const {
    return load_impl({ov::Any{vars}...});
  }
  inline InputModel::Ptr load(const ov::AnyVector& vars) const { return load_impl(vars); }

  virtual std::shared_ptr<ov::Model> convert(const InputModel::Ptr& model) const;

  virtual void convert(const std::shared_ptr<ov::Model>& partially_converted) const;

  virtual std::shared_ptr<ov::Model> convert_partially(const InputModel::Ptr& model) const;

  virtual std::shared_ptr<ov::Model> decode(const InputModel::Ptr& model) const;

  virtual void normalize(const std::shared_ptr<ov::Model>& model) const;

  virtual std::string get_name() const;

 protected:
  virtual bool supported_impl(const std::vector<ov::Any>& variants) const;

  virtual InputModel::Ptr load_impl(const std::vector<ov::Any>& variants) const;
};

}  // namespace frontend
}  // namespace ov
