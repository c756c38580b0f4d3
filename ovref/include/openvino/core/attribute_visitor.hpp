#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

class Model;
class Node;

// Visits the attributes of a node by name. Each attribute arrives through the most specific
// on_adapter overload for its value type; anything else arrives as ValueAccessor<void>.
class OPENVINO_API AttributeVisitor {
 public:
  virtual ~AttributeVisitor();

  virtual void on_adapter(const std::string& name, ValueAccessor<void>& adapter) = 0;
  virtual void on_adapter(const std::string& name, ValueAccessor<void*>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::string>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<bool>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<int8_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<int16_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<int32_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<int64_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<uint8_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<uint16_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<uint32_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<uint64_t>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<float>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<double>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<int8_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<int16_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<int32_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<int64_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<uint8_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<uint16_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<uint32_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<uint64_t>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<float>>& adapter);
  virtual void on_adapter(const std::string& name, ValueAccessor<std::vector<double>>& adapter);
  virtual void on_adapter(const std::string& name,
                          ValueAccessor<std::vector<std::string>>& adapter);
  virtual void on_adapter(const std::string& name,
                          ValueAccessor<std::shared_ptr<ov::Model>>& adapter);

  // Structured attributes (VisitorAdapter) are visited inside a named context.
  template <typename AT>
  void on_attribute(const std::string& name, AT& value) {
    AttributeAdapter<AT> adapter(value);
    start_structure(name);
    on_adapter(get_name_with_context(), adapter);
    finish_structure();
  }

  const std::vector<std::string>& get_context() const { return m_context; }
  virtual std::string get_name_with_context();
  virtual void start_structure(const std::string& name);
  virtual std::string finish_structure();

 protected:
  std::vector<std::string> m_context;
};

}  // namespace ov
