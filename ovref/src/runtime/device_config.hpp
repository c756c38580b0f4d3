// Devices of the runtime and the properties each accepts. Private to the runtime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"

namespace ov {
namespace runtime {

enum class DeviceKind { CPU, GPU, NPU };

// One registered device of a Core: its present IDs (none when absent) and the properties set on
// it with set_property.
struct Device {
  DeviceKind kind;
  std::string name;
  std::vector<std::string> ids;
  AnyMap config;
};

// The devices a new Core sees: CPU, GPU and NPU, narrowed by OVREF_DEVICES when it is set.
std::vector<Device> MakeDevices();

// Splits "GPU.1" into "GPU" and "1".
void SplitDeviceName(const std::string& full, std::string& base, std::string& id);

// Checks every key and value against what the device accepts, parsing text values, and returns
// the typed values. Throws ov::Exception with the device's own wording.
AnyMap ParseDeviceProperties(const Device& device, const AnyMap& properties);

// Device-level get_property: RO device information and the current value of RW properties.
Any GetDeviceProperty(const Device& device, const std::string& id, const std::string& name);

// Checks that a compile can run: the device (or, for the NPU, an offline platform) is present
// and the NPU's platform and tiles are valid.
void CheckCompile(const Device& device, const std::string& id, const AnyMap& config);

// Whether a blob compiled with these (parsed) properties leaves tagged constants out.
bool WantsWeightless(const Device& device, const AnyMap& config);

// Text value of a typed property for the blob and the compiled model's get_property.
std::string PropertyText(const Any& value);

// Performance hint and platform-dependent optimal number of infer requests.
uint32_t OptimalInferRequests(const Device& device, const AnyMap& config);

}  // namespace runtime
}  // namespace ov
