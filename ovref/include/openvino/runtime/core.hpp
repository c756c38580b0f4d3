#pragma once

#include <filesystem>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/version.hpp"
#include "openvino/runtime/common.hpp"
#include "openvino/runtime/compiled_model.hpp"
#include "openvino/runtime/properties.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

// Entry point of the runtime: devices, their properties, compile, import.
//
// The devices are CPU (reference kernels), GPU and NPU (emulated: they check and record the
// properties the real devices accept and run the same reference kernels). ovref-only: the
// environment variable OVREF_DEVICES (for example "CPU,GPU.0,GPU.1" or "CPU,NPU.3720") narrows
// which devices are present when a Core is constructed; a device left out stays registered but
// reports no AVAILABLE_DEVICES, like a plug-in without hardware.
class OPENVINO_RUNTIME_API Core {
 public:
  explicit Core(const std::string& xml_config_file = {});
  explicit Core(const std::filesystem::path& xml_config_file);
  template <class TPath,
            std::enable_if_t<std::is_constructible_v<std::string, TPath> &&
                             !std::is_same_v<std::decay_t<TPath>, std::string>>* = nullptr>
  explicit Core(const TPath& xml_config_file) : Core(std::string(xml_config_file)) {}

  std::map<std::string, Version> get_versions(const std::string& device_name) const;

  CompiledModel compile_model(const std::shared_ptr<const ov::Model>& model,
                              const AnyMap& properties = {});
  template <typename... Properties>
  util::EnableIfAllStringAny<CompiledModel, Properties...> compile_model(
      const std::shared_ptr<const ov::Model>& model, Properties&&... properties) {
    return compile_model(model, AnyMap{std::forward<Properties>(properties)...});
  }
  CompiledModel compile_model(const std::shared_ptr<const ov::Model>& model,
                              const std::string& device_name, const AnyMap& properties = {});
  template <typename... Properties>
  util::EnableIfAllStringAny<CompiledModel, Properties...> compile_model(
      const std::shared_ptr<const ov::Model>& model, const std::string& device_name,
      Properties&&... properties) {
    return compile_model(model, device_name, AnyMap{std::forward<Properties>(properties)...});
  }

  // Weightless blobs take their weights from WEIGHTS_PATH, then MODEL_PTR, then (an ovref
  // extension) ov::ovref::weights_buffer, in that order.
  CompiledModel import_model(std::istream& model_stream, const std::string& device_name,
                             const AnyMap& properties = {});
  template <typename... Properties>
  util::EnableIfAllStringAny<CompiledModel, Properties...> import_model(
      std::istream& model_stream, const std::string& device_name, Properties&&... properties) {
    return import_model(model_stream, device_name, AnyMap{std::forward<Properties>(properties)...});
  }
  // The compiled model keeps viewing the blob's memory (no copy of the constants).
  CompiledModel import_model(const ov::Tensor& compiled_blob, const std::string& device_name,
                             const AnyMap& properties = {});
  template <typename... Properties>
  util::EnableIfAllStringAny<CompiledModel, Properties...> import_model(
      const ov::Tensor& compiled_blob, const std::string& device_name, Properties&&... properties) {
    return import_model(compiled_blob, device_name,
                        AnyMap{std::forward<Properties>(properties)...});
  }

  void set_property(const AnyMap& properties);
  template <typename... Properties>
  util::EnableIfAllStringAny<void, Properties...> set_property(Properties&&... properties) {
    set_property(AnyMap{std::forward<Properties>(properties)...});
  }
  void set_property(const std::string& device_name, const AnyMap& properties);
  template <typename... Properties>
  util::EnableIfAllStringAny<void, Properties...> set_property(const std::string& device_name,
                                                               Properties&&... properties) {
    set_property(device_name, AnyMap{std::forward<Properties>(properties)...});
  }

  Any get_property(const std::string& device_name, const std::string& name) const;
  Any get_property(const std::string& device_name, const std::string& name,
                   const AnyMap& arguments) const;
  Any get_property(const std::string& name) const;
  template <typename T, PropertyMutability M>
  T get_property(const std::string& device_name, const ov::Property<T, M>& property) const {
    return get_property(device_name, property.name(), {}).template as<T>();
  }
  template <typename T, PropertyMutability M>
  T get_property(const std::string& device_name, const ov::Property<T, M>& property,
                 const AnyMap& arguments) const {
    return get_property(device_name, property.name(), arguments).template as<T>();
  }

  std::vector<std::string> get_available_devices() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> _impl;
};

OPENVINO_RUNTIME_API void shutdown();

}  // namespace ov
