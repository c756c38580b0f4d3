#pragma once

#include <memory>
#include <string>
#include <typeinfo>

#include "openvino/core/any.hpp"
#include "openvino/core/node.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/visibility.hpp"

namespace ov {
class Model;

namespace frontend {

// What a translator sees of the node it converts: its inputs, name and attributes.
class FRONTEND_API NodeContext {
 public:
  explicit NodeContext(const std::string& op_type) : m_op_type(op_type) {}
  virtual ~NodeContext();

  virtual size_t get_input_size() const;

  virtual Output<Node> get_input(int port_index) const;

  virtual const std::string& get_op_type() const { return m_op_type; }

  virtual const std::string& get_name() const;

  // Throws GeneralFailure "Attribute with name '<name>' does not exist" when it is absent.
  template <class T>
  T get_attribute(const std::string& name) const {
    auto any = get_attribute_as_any(name);
    FRONT_END_GENERAL_CHECK(!any.empty(), "Attribute with name '", name, "' does not exist");
    auto res = apply_additional_conversion_rules(any, typeid(T));
    return res.template as<T>();
  }

  // Returns def when the attribute is absent.
  template <class T>
  T get_attribute(const std::string& name, const T& def) const {
    auto any = get_attribute_as_any(name);
    if (any.empty()) return def;
    auto res = apply_additional_conversion_rules(any, typeid(T));
    return res.template as<T>();
  }

  bool has_attribute(const std::string& name) const { return !get_attribute_as_any(name).empty(); }

  virtual ov::Any get_attribute_as_any(const std::string& name) const = 0;

  virtual size_t get_subgraph_size() const;

  virtual std::shared_ptr<Model> get_subgraph(int idx) const;

 protected:
  virtual ov::Any apply_additional_conversion_rules(const ov::Any& data,
                                                    const std::type_info& type_info) const {
    return data;
  }

 private:
  std::string m_op_type;
};

}  // namespace frontend
}  // namespace ov
