#pragma once

#include <string>
#include <unordered_map>

#include "openvino/core/any.hpp"
#include "openvino/frontend/visibility.hpp"

namespace ov {
namespace frontend {

// Root of every decoder a front end reads a framework graph through.
class FRONTEND_API IDecoder {
 public:
  virtual ~IDecoder();
};

// One node of a framework graph: its type, its name, its attributes and its operands.
class FRONTEND_API DecoderBase : public IDecoder {
 public:
  using OpTypeByName = std::unordered_map<std::string, std::string>;

  // An empty Any means the attribute is absent.
  virtual ov::Any get_attribute(const std::string& name) const = 0;

  virtual size_t get_input_size() const = 0;

  virtual void get_input_node(size_t input_port_idx, std::string& producer_name,
                              std::string& producer_output_port_name,
                              size_t& producer_output_port_index) const = 0;

  virtual const std::string& get_op_type() const = 0;

  virtual const std::string& get_op_name() const = 0;

  virtual ~DecoderBase();
};

}  // namespace frontend
}  // namespace ov
