#include "openvino/runtime/core.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>

#include "blob.hpp"
#include "device_config.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "openvino/runtime/compiled_model.hpp"
#include "openvino/runtime/infer_request.hpp"
#include "openvino/runtime/shared_buffer.hpp"

// Every public entry turns whatever escapes into ov::Exception, as the toolkit's core does.
#define OVREF_CALL(...)                     \
  try {                                     \
    __VA_ARGS__                             \
  } catch (const std::exception& e) {       \
    OPENVINO_THROW(e.what());               \
  } catch (...) {                           \
    OPENVINO_THROW("Unexpected exception"); \
  }

namespace ov {

using runtime::Device;
using runtime::DeviceKind;

namespace {

// Keys the core handles itself; they never reach a device.
bool IsCoreKey(const std::string& key) {
  return key == "CACHE_DIR" || key == "ENABLE_MMAP" || key == "FORCE_TBB_TERMINATE" ||
         key == "ALLOW_AUTO_BATCHING" || key == "AUTO_BATCH_TIMEOUT";
}

// Keys that carry objects rather than settings: used during compile or import, not recorded.
bool IsTransientKey(const std::string& key) {
  return key == "MODEL_PTR" || key == "COMPILED_BLOB" || key == "OVREF_WEIGHTS_BUFFER";
}

// A read-only mapping of a weights file.
struct FileMapping {
  void* data = nullptr;
  size_t size = 0;
  ~FileMapping() {
    if (data != nullptr && data != MAP_FAILED) munmap(data, size);
  }
};

std::shared_ptr<FileMapping> MapFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  OPENVINO_ASSERT(fd >= 0, "Cannot open the weights file '", path, "'");
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    OPENVINO_THROW("Cannot read the size of the weights file '", path, "'");
  }
  auto mapping = std::make_shared<FileMapping>();
  mapping->size = static_cast<size_t>(st.st_size);
  if (mapping->size > 0) {
    mapping->data = mmap(nullptr, mapping->size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping->data == MAP_FAILED) {
      ::close(fd);
      OPENVINO_THROW("Cannot map the weights file '", path, "'");
    }
  }
  ::close(fd);
  return mapping;
}

bool InBounds(uint64_t offset, uint64_t size, uint64_t total) {
  return offset <= total && size <= total - offset;
}

// Where a weightless blob's constants come from: WEIGHTS_PATH, then MODEL_PTR, then ovref's
// in-memory weights buffer.
runtime::WeightsLookup MakeWeightsLookup(const AnyMap& properties) {
  auto path = properties.find("WEIGHTS_PATH");
  if (path != properties.end() && !path->second.as<std::string>().empty()) {
    const std::string file = path->second.as<std::string>();
    auto mapping = std::make_shared<std::shared_ptr<FileMapping>>();
    return [file, mapping](uint64_t offset, uint64_t size,
                           const element::Type&) -> std::shared_ptr<AlignedBuffer> {
      if (!*mapping) *mapping = MapFile(file);
      const auto& m = **mapping;
      OPENVINO_ASSERT(InBounds(offset, size, m.size), "The weights file '", file, "' (", m.size,
                      " bytes) has no ", size, " bytes at offset ", offset);
      char* p = static_cast<char*>(m.data) + offset;
      return std::make_shared<SharedBuffer<std::shared_ptr<FileMapping>>>(p, size, *mapping);
    };
  }
  auto model = properties.find("MODEL_PTR");
  if (model != properties.end()) {
    auto index = std::make_shared<
        std::map<std::pair<uint64_t, uint64_t>, std::shared_ptr<const op::v0::Constant>>>();
    const auto source = model->second.as<std::shared_ptr<const Model>>();
    OPENVINO_ASSERT(source, "MODEL_PTR holds no model");
    for (const auto& node : source->get_ordered_ops()) {
      auto c = ov::as_type_ptr<const op::v0::Constant>(node);
      if (!c) continue;
      auto it = c->get_rt_info().find(WeightlessCacheAttribute::get_type_info_static());
      if (it == c->get_rt_info().end() || !it->second.is<WeightlessCacheAttribute>()) continue;
      const auto& wca = it->second.as<WeightlessCacheAttribute>();
      (*index)[{wca.bin_offset, wca.original_size}] = c;
    }
    return [index](uint64_t offset, uint64_t size,
                   const element::Type&) -> std::shared_ptr<AlignedBuffer> {
      auto it = index->find({offset, size});
      OPENVINO_ASSERT(it != index->end(), "MODEL_PTR has no constant tagged with offset ", offset,
                      " and size ", size);
      OPENVINO_ASSERT(it->second->get_byte_size() >= size, "The MODEL_PTR constant at offset ",
                      offset, " is smaller than ", size, " bytes");
      char* p = static_cast<char*>(const_cast<void*>(it->second->get_data_ptr()));
      return std::make_shared<SharedBuffer<std::shared_ptr<const op::v0::Constant>>>(p, size,
                                                                                     it->second);
    };
  }
  auto buffer = properties.find("OVREF_WEIGHTS_BUFFER");
  if (buffer != properties.end()) {
    const Tensor weights = buffer->second.as<Tensor>();
    OPENVINO_ASSERT(weights, "OVREF_WEIGHTS_BUFFER holds an empty tensor");
    return [weights](uint64_t offset, uint64_t size,
                     const element::Type&) -> std::shared_ptr<AlignedBuffer> {
      OPENVINO_ASSERT(InBounds(offset, size, weights.get_byte_size()), "The weights buffer (",
                      weights.get_byte_size(), " bytes) has no ", size, " bytes at offset ",
                      offset);
      char* p = static_cast<char*>(const_cast<void*>(weights.data())) + offset;
      return std::make_shared<SharedBuffer<Tensor>>(p, size, weights);
    };
  }
  return {};
}

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
  return s;
}

}  // namespace

// ---- Core ----

struct Core::Impl {
  std::vector<Device> devices = runtime::MakeDevices();
  AnyMap core_config;

  Device& find(const std::string& full, std::string& id) {
    std::string base;
    runtime::SplitDeviceName(full, base, id);
    for (auto& d : devices)
      if (d.name == base) return d;
    OPENVINO_THROW("Device with \"", base, "\" name is not registered in the OpenVINO Runtime");
  }
};

struct CompiledModel::Impl {
  std::shared_ptr<Model> model;
  Device device;  // the device as it was when compiled (kind, name, ids)
  std::string device_id;
  AnyMap config;
  bool weightless = false;
  bool loaded_from_cache = false;
  std::vector<Output<const Node>> inputs;
  std::vector<Output<const Node>> outputs;

  void init_ports() {
    for (const auto& p : model->get_parameters()) inputs.emplace_back(p, 0);
    for (const auto& r : model->get_results()) outputs.emplace_back(r, 0);
  }

  std::string execution_device() const {
    return device_id.empty() || device.ids.size() <= 1 ? device.name
                                                       : device.name + "." + device_id;
  }

  runtime::PropertyList recorded_properties() const {
    runtime::PropertyList list;
    for (const auto& [key, value] : config)
      if (!IsTransientKey(key)) list.emplace_back(key, runtime::PropertyText(value));
    return list;
  }
};

namespace {

std::shared_ptr<CompiledModel::Impl> Compile(const std::shared_ptr<const Model>& model,
                                             Device& device, const std::string& id,
                                             const AnyMap& properties) {
  OPENVINO_ASSERT(model, "[", device.name, "] Cannot compile an empty model");
  AnyMap device_props;
  for (const auto& [key, value] : properties)
    if (!IsCoreKey(key)) device_props.emplace(key, value);
  AnyMap config = device.config;
  for (auto& [key, value] : runtime::ParseDeviceProperties(device, device_props))
    config[key] = value;
  runtime::CheckCompile(device, id, config);

  auto impl = std::make_shared<CompiledModel::Impl>();
  // The clone shares the constants' buffers with the original: no weight is copied.
  impl->model = model->clone();
  impl->model->validate_nodes_and_infer_types();
  size_t tagged = 0;
  for (const auto& node : impl->model->get_ordered_ops()) {
    if (ov::is_type<op::v0::Parameter>(node)) continue;
    if (ov::is_type<op::v0::Constant>(node) &&
        node->get_rt_info().count(WeightlessCacheAttribute::get_type_info_static()))
      ++tagged;
    OPENVINO_ASSERT(node->has_evaluate(), "[", device.name, "] Operation '",
                    node->get_friendly_name(), "' of type ", node->get_type_name(), " (",
                    node->get_type_info().get_version(), ") is not supported");
  }
  impl->device = device;
  impl->device.config.clear();
  impl->device_id = id.empty() && !device.ids.empty() ? device.ids.front() : id;
  impl->weightless = runtime::WantsWeightless(device, config);
  const bool npuw = config.count("NPU_USE_NPUW") && config.at("NPU_USE_NPUW").as<bool>();
  if (device.kind == DeviceKind::NPU && !npuw && impl->weightless && tagged == 0)
    OPENVINO_THROW(
        "No \"WeightlessCacheAttribute\" has been found in any of the model's Constant nodes. "
        "This attribute is required for running the \"weights separation\" flow.");
  for (auto it = config.begin(); it != config.end();)
    it = IsTransientKey(it->first) ? config.erase(it) : std::next(it);
  impl->config = std::move(config);
  impl->init_ports();
  return impl;
}

std::shared_ptr<CompiledModel::Impl> Import(const char* data, size_t size,
                                            const std::shared_ptr<void>& owner, Device& device,
                                            const std::string& id, const AnyMap& properties) {
  AnyMap device_props;
  for (const auto& [key, value] : properties)
    if (!IsCoreKey(key)) device_props.emplace(key, value);
  const AnyMap parsed = runtime::ParseDeviceProperties(device, device_props);
  auto contents = runtime::ReadBlob(data, size, owner, MakeWeightsLookup(parsed));
  OPENVINO_ASSERT(contents.device == device.name, "The blob was compiled for the ", contents.device,
                  " device and cannot be imported on ", device.name);
  AnyMap recorded;
  for (const auto& [key, value] : contents.properties) recorded.emplace(key, Any(value));
  AnyMap config;
  try {
    Device blank = device;
    blank.config.clear();
    config = runtime::ParseDeviceProperties(blank, recorded);
  } catch (const std::exception& e) {
    OPENVINO_THROW("Corrupt blob: its properties do not parse: ", e.what());
  }
  for (const auto& [key, value] : parsed)
    if (!IsTransientKey(key)) config[key] = value;
  auto impl = std::make_shared<CompiledModel::Impl>();
  impl->model = contents.model;
  impl->device = device;
  impl->device.config.clear();
  impl->device_id = id.empty() && !device.ids.empty() ? device.ids.front() : id;
  impl->weightless = contents.weightless;
  impl->config = std::move(config);
  impl->init_ports();
  return impl;
}

std::shared_ptr<CompiledModel::Impl> ImportWrapped(const char* data, size_t size,
                                                   const std::shared_ptr<void>& owner,
                                                   Device& device, const std::string& id,
                                                   const AnyMap& properties) {
  if (device.kind != DeviceKind::NPU) return Import(data, size, owner, device, id, properties);
  try {
    return Import(data, size, owner, device, id, properties);
  } catch (const std::exception& e) {
    OPENVINO_THROW("Can't import network: ", e.what());
  }
}

}  // namespace

Core::Core(const std::string& xml_config_file){OVREF_CALL({
  // The three devices are built in; a plug-in description file has nothing to add.
  if (!xml_config_file.empty()) {
    OPENVINO_ASSERT(std::ifstream(xml_config_file).good(), "Cannot open the plug-in file '",
                    xml_config_file, "'");
  }
  _impl = std::make_shared<Impl>();
})}

Core::Core(const std::filesystem::path& xml_config_file)
    : Core(xml_config_file.string()) {}

std::map<std::string, Version> Core::get_versions(const std::string& device_name) const {
    OVREF_CALL({
      std::string id;
      const Device& device = _impl->find(device_name, id);
      static const std::string descriptions[] = {
          "ovref CPU device: ovref's reference kernels (follows openvino_intel_cpu_plugin of "
          "OpenVINO " OVREF_API_RELEASE ")",
          "ovref emulated GPU device: ovref's reference kernels (follows Intel GPU plugin of "
          "OpenVINO " OVREF_API_RELEASE ")",
          "ovref emulated NPU device: ovref's reference kernels (follows openvino_intel_npu_plugin "
          "of OpenVINO " OVREF_API_RELEASE ")",
      };
      const Version core = get_openvino_version();
      return std::map<std::string, Version>{
          {device.name,
           Version{core.buildNumber, descriptions[static_cast<int>(device.kind)].c_str()}}};
    })}

CompiledModel Core::compile_model(const std::shared_ptr<const ov::Model>&,
                                  const AnyMap&){OVREF_CALL({
  OPENVINO_THROW(
      "No device is provided, so AUTO device is used by default, which is not registered in "
      "the OpenVINO Runtime.");
})}

CompiledModel Core::compile_model(const std::shared_ptr<const ov::Model>& model,
                                  const std::string& device_name,
                                  const AnyMap& properties){OVREF_CALL({
  std::string id;
  Device& device = _impl->find(device_name, id);
  return CompiledModel(Compile(model, device, id, properties));
})}

CompiledModel Core::import_model(std::istream& model_stream, const std::string& device_name,
                                 const AnyMap& properties){OVREF_CALL({
  std::string id;
  Device& device = _impl->find(device_name, id);
  char header[runtime::kBlobHeaderSize];
  model_stream.read(header, sizeof(header));
  const auto got = static_cast<size_t>(std::max<std::streamsize>(model_stream.gcount(), 0));
  auto header_check = [&] {
    if (got < sizeof(header))
      OPENVINO_THROW("Truncated blob: the stream ends after ", got, " bytes");
    return runtime::ReadBlobSize(header, got);
  };
  uint64_t total = 0;
  if (device.kind == DeviceKind::NPU) {
    try {
      total = header_check();
    } catch (const std::exception& e) {
      OPENVINO_THROW("Can't import network: ", e.what());
    }
  } else {
    total = header_check();
  }
  // A seekable stream tells how much is left, so a corrupt size cannot trigger a huge
  // allocation; otherwise the rest is read in chunks.
  auto buffer = std::make_shared<std::vector<char>>();
  const auto here = model_stream.tellg();
  uint64_t available = std::numeric_limits<uint64_t>::max();
  if (here != std::streampos(-1)) {
    model_stream.seekg(0, std::ios::end);
    const auto end = model_stream.tellg();
    model_stream.seekg(here);
    if (end != std::streampos(-1)) available = static_cast<uint64_t>(end - here);
  }
  const uint64_t rest = total - sizeof(header);
  if (available != std::numeric_limits<uint64_t>::max()) {
    if (available < rest) {
      const std::string what = "Truncated blob: it announces " + std::to_string(total) +
                               " bytes but the stream holds " +
                               std::to_string(available + sizeof(header));
      if (device.kind == DeviceKind::NPU) OPENVINO_THROW("Can't import network: ", what);
      OPENVINO_THROW(what);
    }
    buffer->resize(static_cast<size_t>(total));
    std::copy(header, header + sizeof(header), buffer->begin());
    model_stream.read(buffer->data() + sizeof(header), static_cast<std::streamsize>(rest));
    buffer->resize(sizeof(header) + static_cast<size_t>(model_stream.gcount()));
  } else {
    buffer->assign(header, header + sizeof(header));
    constexpr size_t kChunk = 16u << 20;
    while (buffer->size() < total && model_stream) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, total - buffer->size()));
      const size_t old = buffer->size();
      buffer->resize(old + want);
      model_stream.read(buffer->data() + old, static_cast<std::streamsize>(want));
      buffer->resize(old + static_cast<size_t>(model_stream.gcount()));
    }
  }
  return CompiledModel(
      ImportWrapped(buffer->data(), buffer->size(), buffer, device, id, properties));
})}

CompiledModel Core::import_model(const ov::Tensor& compiled_blob, const std::string& device_name,
                                 const AnyMap& properties) {
  OVREF_CALL({
    std::string id;
    Device& device = _impl->find(device_name, id);
    OPENVINO_ASSERT(compiled_blob, "The compiled blob tensor is empty");
    auto owner = std::make_shared<Tensor>(compiled_blob);
    const char* data = static_cast<const char*>(owner->data());
    return CompiledModel(
        ImportWrapped(data, owner->get_byte_size(), owner, device, id, properties));
  })
}

void Core::set_property(const AnyMap& properties) {
  OVREF_CALL({
    AnyMap device_props;
    for (const auto& [key, value] : properties) {
      if (IsCoreKey(key)) {
        _impl->core_config[key] = value;
      } else {
        device_props.emplace(key, value);
      }
    }
    if (device_props.empty()) return;
    std::vector<AnyMap> parsed;
    for (const auto& device : _impl->devices)
      parsed.push_back(runtime::ParseDeviceProperties(device, device_props));
    for (size_t i = 0; i < parsed.size(); ++i)
      for (auto& [key, value] : parsed[i]) _impl->devices[i].config[key] = value;
  })
}

void Core::set_property(const std::string& device_name, const AnyMap& properties){OVREF_CALL({
  if (device_name.empty()) {
    set_property(properties);
    return;
  }
  std::string id;
  Device& device = _impl->find(device_name, id);
  AnyMap device_props;
  for (const auto& [key, value] : properties)
    if (!IsCoreKey(key)) device_props.emplace(key, value);
  for (auto& [key, value] : runtime::ParseDeviceProperties(device, device_props))
    device.config[key] = value;
})}

Any Core::get_property(const std::string& device_name, const std::string& name) const {
  return get_property(device_name, name, AnyMap{});
}

Any Core::get_property(const std::string& device_name, const std::string& name,
                       const AnyMap&) const {OVREF_CALL({
  if (device_name.empty()) return get_property(name);
  std::string id;
  const Device& device = _impl->find(device_name, id);
  if (!id.empty() && std::find(device.ids.begin(), device.ids.end(), id) == device.ids.end())
    OPENVINO_THROW("[", device.name, "] No ", device.name, " device with id ", id,
                   " is present; the present ones are: ", Join(device.ids));
  return runtime::GetDeviceProperty(device, id, name);
})}

Any Core::get_property(const std::string& name) const {OVREF_CALL({
  auto it = _impl->core_config.find(name);
  if (it != _impl->core_config.end()) return it->second;
  if (name == "CACHE_DIR") return Any(std::string());
  if (name == "ENABLE_MMAP") return Any(true);
  if (name == "FORCE_TBB_TERMINATE" || name == "ALLOW_AUTO_BATCHING") return Any(false);
  if (name == "SUPPORTED_PROPERTIES")
    return Any(std::vector<PropertyName>{{"CACHE_DIR"},
                                         {"ENABLE_MMAP"},
                                         {"FORCE_TBB_TERMINATE"},
                                         {"ALLOW_AUTO_BATCHING"},
                                         {"AUTO_BATCH_TIMEOUT"}});
  OPENVINO_THROW(
      "Exception is thrown while trying to call get_property with unsupported "
      "property: '",
      name, "'");
})}

std::vector<std::string> Core::get_available_devices() const {
  OVREF_CALL({
    std::vector<std::string> names;
    for (const auto& device : _impl->devices) {
      if (device.ids.size() == 1) {
        names.push_back(device.name);
      } else {
        for (const auto& id : device.ids) names.push_back(device.name + "." + id);
      }
    }
    return names;
  })
}

void shutdown() {}

// ---- CompiledModel ----

CompiledModel::~CompiledModel() = default;

std::shared_ptr<const Model> CompiledModel::get_runtime_model() const {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  return _impl->model;
}

const std::vector<Output<const Node>>& CompiledModel::inputs() const {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  return _impl->inputs;
}

namespace {

const Output<const Node>& Only(const std::vector<Output<const Node>>& ports, const char* what) {
  OPENVINO_ASSERT(ports.size() == 1, "The compiled model has ", ports.size(), " ", what,
                  "s; name or index one of them");
  return ports.front();
}

const Output<const Node>& At(const std::vector<Output<const Node>>& ports, size_t i,
                             const char* what) {
  OPENVINO_ASSERT(i < ports.size(), "The compiled model has no ", what, " with index ", i);
  return ports[i];
}

const Output<const Node>& Named(const std::vector<Output<const Node>>& ports,
                                const std::string& name, const char* what) {
  for (const auto& p : ports)
    if (p.get_names().count(name)) return p;
  OPENVINO_THROW("The compiled model has no ", what, " with the tensor name '", name, "'");
}

}  // namespace

const Output<const Node>& CompiledModel::input() const { return Only(inputs(), "input"); }
const Output<const Node>& CompiledModel::input(size_t i) const { return At(inputs(), i, "input"); }
const Output<const Node>& CompiledModel::input(const std::string& name) const {
  return Named(inputs(), name, "input");
}

const std::vector<Output<const Node>>& CompiledModel::outputs() const {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  return _impl->outputs;
}
const Output<const Node>& CompiledModel::output() const { return Only(outputs(), "output"); }
const Output<const Node>& CompiledModel::output(size_t i) const {
  return At(outputs(), i, "output");
}
const Output<const Node>& CompiledModel::output(const std::string& name) const {
  return Named(outputs(), name, "output");
}

void CompiledModel::export_model(std::ostream& model_stream) {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  runtime::WriteBlob(model_stream, *_impl->model, _impl->device.name, _impl->recorded_properties(),
                     _impl->weightless);
}

void CompiledModel::set_property(const AnyMap& properties) {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  for (const auto& [key, value] : runtime::ParseDeviceProperties(_impl->device, properties))
    _impl->config[key] = value;
}

Any CompiledModel::get_property(const std::string& name) const {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  const auto& impl = *_impl;
  if (name == "NETWORK_NAME") return impl.model->get_friendly_name();
  if (name == "OPTIMAL_NUMBER_OF_INFER_REQUESTS")
    return runtime::OptimalInferRequests(impl.device, impl.config);
  if (name == "EXECUTION_DEVICES") return std::vector<std::string>{impl.execution_device()};
  if (name == "LOADED_FROM_CACHE") return impl.loaded_from_cache;
  if (name == "SUPPORTED_PROPERTIES") {
    std::vector<PropertyName> names = {{"SUPPORTED_PROPERTIES", PropertyMutability::RO},
                                       {"NETWORK_NAME", PropertyMutability::RO},
                                       {"OPTIMAL_NUMBER_OF_INFER_REQUESTS", PropertyMutability::RO},
                                       {"EXECUTION_DEVICES", PropertyMutability::RO},
                                       {"LOADED_FROM_CACHE", PropertyMutability::RO}};
    for (const auto& entry : impl.config) names.emplace_back(entry.first, PropertyMutability::RO);
    return names;
  }
  auto it = impl.config.find(name);
  if (it != impl.config.end()) return it->second;
  // The NPU publishes only what was set for the compilation; CPU and GPU report defaults.
  if (impl.device.kind == DeviceKind::NPU)
    OPENVINO_THROW("[ NOT_FOUND ] Option '", name, "' is not supported for current configuration");
  return runtime::GetDeviceProperty(impl.device, impl.device_id, name);
}

void CompiledModel::release_memory() {}

struct InferRequest::Impl {
  std::shared_ptr<CompiledModel::Impl> compiled;
  TensorVector inputs;
  TensorVector outputs;
  std::function<void(std::exception_ptr)> callback;
  // Last, so that it is destroyed first: its destructor waits for a run still in flight.
  std::future<void> pending;

  // Finds a port by tensor name: inputs first, then outputs.
  Tensor* find(const std::string& name, const Output<const Node>** port) {
    for (size_t i = 0; i < compiled->inputs.size(); ++i)
      if (compiled->inputs[i].get_names().count(name)) {
        *port = &compiled->inputs[i];
        return &inputs[i];
      }
    for (size_t i = 0; i < compiled->outputs.size(); ++i)
      if (compiled->outputs[i].get_names().count(name)) {
        *port = &compiled->outputs[i];
        return &outputs[i];
      }
    OPENVINO_THROW("Port for tensor name ", name, " was not found.");
  }

  Tensor* find(const Output<const Node>& port, const Output<const Node>** found) {
    for (size_t i = 0; i < compiled->inputs.size(); ++i)
      if (compiled->inputs[i] == port) {
        *found = &compiled->inputs[i];
        return &inputs[i];
      }
    for (size_t i = 0; i < compiled->outputs.size(); ++i)
      if (compiled->outputs[i] == port) {
        *found = &compiled->outputs[i];
        return &outputs[i];
      }
    // Ports of the model the compiled model came from match by tensor names.
    for (const auto& name : port.get_names()) return find(name, found);
    OPENVINO_THROW("The compiled model has no port ", port);
  }

  static void check(const Output<const Node>& port, const Tensor& tensor) {
    OPENVINO_ASSERT(tensor, "Cannot set an empty tensor for port ", port);
    OPENVINO_ASSERT(port.get_element_type().compatible(tensor.get_element_type()),
                    "The tensor element type ", tensor.get_element_type(),
                    " does not match the port element type ", port.get_element_type());
    OPENVINO_ASSERT(port.get_partial_shape().compatible(tensor.get_shape()), "The tensor shape ",
                    tensor.get_shape(), " does not match the port shape ",
                    port.get_partial_shape());
  }

  void run() {
    for (size_t i = 0; i < inputs.size(); ++i)
      OPENVINO_ASSERT(inputs[i], "Input ", compiled->inputs[i], " has no tensor; set one first");
    TensorVector out = outputs;
    OPENVINO_ASSERT(compiled->model->evaluate(out, inputs), "[", compiled->device.name,
                    "] The model could not be evaluated for these input types");
    for (size_t i = 0; i < outputs.size(); ++i)
      if (!outputs[i]) outputs[i] = out[i];
  }

  void finish_pending() {
    if (pending.valid()) pending.get();
  }
};

InferRequest CompiledModel::create_infer_request() {
  OPENVINO_ASSERT(_impl, "CompiledModel was not initialized.");
  auto impl = std::make_shared<InferRequest::Impl>();
  impl->compiled = _impl;
  auto make = [](const Output<const Node>& port) {
    const auto& pshape = port.get_partial_shape();
    if (pshape.is_static() && port.get_element_type().is_static())
      return Tensor(port.get_element_type(), pshape.to_shape());
    return Tensor();
  };
  for (const auto& p : _impl->inputs) impl->inputs.push_back(make(p));
  for (const auto& p : _impl->outputs) impl->outputs.push_back(make(p));
  return InferRequest(impl);
}

// ---- InferRequest ----

InferRequest::~InferRequest() = default;

void InferRequest::set_tensor(const std::string& tensor_name, const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const Output<const Node>* port = nullptr;
  Tensor* slot = _impl->find(tensor_name, &port);
  Impl::check(*port, tensor);
  *slot = tensor;
}

void InferRequest::set_tensor(const Output<const Node>& port, const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const Output<const Node>* found = nullptr;
  Tensor* slot = _impl->find(port, &found);
  Impl::check(*found, tensor);
  *slot = tensor;
}

void InferRequest::set_tensor(const Output<Node>& port, const Tensor& tensor) {
  set_tensor(Output<const Node>(port), tensor);
}

void InferRequest::set_input_tensor(size_t idx, const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const auto& port = At(_impl->compiled->inputs, idx, "input");
  Impl::check(port, tensor);
  _impl->inputs[idx] = tensor;
}

void InferRequest::set_input_tensor(const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  Only(_impl->compiled->inputs, "input");
  set_input_tensor(0, tensor);
}

void InferRequest::set_output_tensor(size_t idx, const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const auto& port = At(_impl->compiled->outputs, idx, "output");
  Impl::check(port, tensor);
  _impl->outputs[idx] = tensor;
}

void InferRequest::set_output_tensor(const Tensor& tensor) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  Only(_impl->compiled->outputs, "output");
  set_output_tensor(0, tensor);
}

Tensor InferRequest::get_tensor(const std::string& tensor_name) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const Output<const Node>* port = nullptr;
  return *_impl->find(tensor_name, &port);
}

Tensor InferRequest::get_tensor(const Output<const Node>& port) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  const Output<const Node>* found = nullptr;
  return *_impl->find(port, &found);
}

Tensor InferRequest::get_tensor(const Output<Node>& port) {
  return get_tensor(Output<const Node>(port));
}

Tensor InferRequest::get_input_tensor(size_t idx) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  At(_impl->compiled->inputs, idx, "input");
  return _impl->inputs[idx];
}

Tensor InferRequest::get_input_tensor() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  Only(_impl->compiled->inputs, "input");
  return _impl->inputs[0];
}

Tensor InferRequest::get_output_tensor(size_t idx) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  At(_impl->compiled->outputs, idx, "output");
  return _impl->outputs[idx];
}

Tensor InferRequest::get_output_tensor() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  Only(_impl->compiled->outputs, "output");
  return _impl->outputs[0];
}

void InferRequest::infer() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  _impl->finish_pending();
  _impl->run();
}

void InferRequest::start_async() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  _impl->finish_pending();
  Impl* impl = _impl.get();
  _impl->pending = std::async(std::launch::async, [impl] {
    std::exception_ptr error;
    try {
      impl->run();
    } catch (...) {
      error = std::current_exception();
    }
    if (impl->callback) impl->callback(error);
    if (error) std::rethrow_exception(error);
  });
}

void InferRequest::wait() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  _impl->finish_pending();
}

bool InferRequest::wait_for(const std::chrono::milliseconds timeout) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  if (!_impl->pending.valid()) return true;
  if (_impl->pending.wait_for(timeout) != std::future_status::ready) return false;
  _impl->pending.get();
  return true;
}

void InferRequest::set_callback(std::function<void(std::exception_ptr)> callback) {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  _impl->callback = std::move(callback);
}

CompiledModel InferRequest::get_compiled_model() {
  OPENVINO_ASSERT(_impl, "InferRequest was not initialized.");
  return CompiledModel(_impl->compiled);
}

}  // namespace ov
