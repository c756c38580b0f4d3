#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/node_output.hpp"
#include "openvino/runtime/common.hpp"
#include "openvino/runtime/infer_request.hpp"
#include "openvino/runtime/properties.hpp"

namespace ov {

class Core;

// A model prepared for one device. Copies share the same compiled model.
class OPENVINO_RUNTIME_API CompiledModel {
 public:
  CompiledModel() = default;
  CompiledModel(const CompiledModel&) = default;
  CompiledModel& operator=(const CompiledModel&) = default;
  CompiledModel(CompiledModel&&) = default;
  CompiledModel& operator=(CompiledModel&&) = default;
  ~CompiledModel();

  std::shared_ptr<const Model> get_runtime_model() const;

  const std::vector<ov::Output<const ov::Node>>& inputs() const;
  const ov::Output<const ov::Node>& input() const;
  const ov::Output<const ov::Node>& input(size_t i) const;
  const ov::Output<const ov::Node>& input(const std::string& tensor_name) const;
  const std::vector<ov::Output<const ov::Node>>& outputs() const;
  const ov::Output<const ov::Node>& output() const;
  const ov::Output<const ov::Node>& output(size_t i) const;
  const ov::Output<const ov::Node>& output(const std::string& tensor_name) const;

  InferRequest create_infer_request();

  // Writes the compiled model in ovref's own binary blob format (see import_model).
  void export_model(std::ostream& model_stream);

  void set_property(const AnyMap& properties);
  template <typename... Properties>
  util::EnableIfAllStringAny<void, Properties...> set_property(Properties&&... properties) {
    set_property(AnyMap{std::forward<Properties>(properties)...});
  }

  Any get_property(const std::string& name) const;
  template <typename T, PropertyMutability mutability>
  T get_property(const ov::Property<T, mutability>& property) const {
    return get_property(property.name()).template as<T>();
  }

  void release_memory();

  bool operator!() const noexcept { return !_impl; }
  explicit operator bool() const noexcept { return static_cast<bool>(_impl); }

  struct Impl;

 private:
  friend class Core;
  friend class InferRequest;
  explicit CompiledModel(std::shared_ptr<Impl> impl) : _impl(std::move(impl)) {}
  std::shared_ptr<Impl> _impl;
};

}  // namespace ov
