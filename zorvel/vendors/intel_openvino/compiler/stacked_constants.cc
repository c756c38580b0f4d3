#include "zorvel/vendors/intel_openvino/compiler/stacked_constants.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/shape.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/runtime/tensor.hpp"

namespace zorvel::openvino {

ZorvelGeneratedConstantAttribute::~ZorvelGeneratedConstantAttribute() = default;

bool ZorvelGeneratedConstantAttribute::is_copyable() const { return true; }

std::string GeneratedConstantRtKey() {
  return ZorvelGeneratedConstantAttribute::get_type_info_static();
}

std::string GeneratedConstantKey(const std::shared_ptr<const ov::Node>& node) {
  if (node == nullptr) return {};
  const ov::RTMap& rt_info = node->get_rt_info();
  const auto it = rt_info.find(GeneratedConstantRtKey());
  if (it == rt_info.end() || !it->second.is<ZorvelGeneratedConstantAttribute>()) return {};
  return it->second.as<ZorvelGeneratedConstantAttribute>().source_key;
}

std::string StackedKey(uint64_t layer_index, const std::string& name) {
  return "zorvel.stacked:moe_layer_" + std::to_string(layer_index) + "." + name;
}

std::shared_ptr<ov::op::v0::Constant> MakeStackedConstant(
    const std::vector<ov::Output<ov::Node>>& outputs, const std::string& key) {
  if (outputs.empty()) return nullptr;
  std::vector<std::shared_ptr<ov::op::v0::Constant>> constants;
  constants.reserve(outputs.size());
  for (const ov::Output<ov::Node>& output : outputs) {
    auto constant = ov::as_type_ptr<ov::op::v0::Constant>(output.get_node_shared_ptr());
    if (constant == nullptr) return nullptr;
    constants.push_back(std::move(constant));
  }
  const ov::element::Type type = constants[0]->get_element_type();
  const ov::Shape shape = constants[0]->get_shape();
  for (const auto& constant : constants) {
    if (constant->get_element_type() != type || constant->get_shape() != shape) return nullptr;
  }
  const size_t bits = ov::shape_size(shape) * type.bitwidth();
  if (bits % 8 != 0) return nullptr;
  const size_t slice_bytes = bits / 8;
  for (const auto& constant : constants) {
    if (slice_bytes > 0 &&
        (constant->get_data_ptr() == nullptr || constant->get_byte_size() < slice_bytes)) {
      return nullptr;
    }
  }

  ov::Shape stacked_shape{constants.size()};
  stacked_shape.insert(stacked_shape.end(), shape.begin(), shape.end());
  // A tensor of the toolkit's public API holds the stacked bytes; the constant shares it.
  ov::Tensor stacked_data(type, stacked_shape);
  if (slice_bytes > 0) {
    auto* bytes = static_cast<uint8_t*>(stacked_data.data());
    std::memset(bytes, 0, stacked_data.get_byte_size());
    for (size_t i = 0; i < constants.size(); ++i) {
      std::memcpy(bytes + i * slice_bytes, constants[i]->get_data_ptr(), slice_bytes);
    }
  }
  auto stacked = std::make_shared<ov::op::v0::Constant>(stacked_data);
  stacked->set_friendly_name(key);
  stacked->get_rt_info()[GeneratedConstantRtKey()] = ZorvelGeneratedConstantAttribute(key);
  return stacked;
}

ov::Output<ov::Node> DequantizeWeights(const ov::Output<ov::Node>& packed,
                                       const ov::Output<ov::Node>& scale,
                                       const ov::element::Type& type) {
  auto convert = std::make_shared<ov::op::v0::Convert>(packed, type);
  return std::make_shared<ov::op::v1::Multiply>(convert, scale)->output(0);
}

}  // namespace zorvel::openvino
