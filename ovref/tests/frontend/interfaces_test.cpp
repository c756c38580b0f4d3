// The public interfaces: exception texts, node-context attribute reads, decoder defaults.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"
#include "openvino/frontend/tensorflow_lite/node_context.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"

namespace {

using ov::frontend::tensorflow_lite::DecoderBaseOperation;
using ov::frontend::tensorflow_lite::TensorMetaInfo;

// An operation decoder whose attributes come from a map.
class MapDecoder : public DecoderBaseOperation {
 public:
  explicit MapDecoder(ov::AnyMap attributes) : attributes_(std::move(attributes)) {}
  ov::Any get_attribute(const std::string& name) const override {
    auto it = attributes_.find(name);
    return it == attributes_.end() ? ov::Any() : it->second;
  }
  size_t get_input_size() const override { return 0; }
  void get_input_node(size_t, std::string&, std::string&, size_t&) const override {}
  const std::string& get_op_type() const override { return type_; }
  const std::string& get_op_name() const override { return name_; }
  std::string get_input_tensor_name(size_t) const override { return {}; }
  ov::element::Type get_input_tensor_type(size_t) const override { return {}; }
  std::string get_output_tensor_name(size_t) const override { return {}; }
  ov::element::Type get_output_tensor_type(size_t) const override { return {}; }
  TensorMetaInfo get_input_tensor_info(size_t) const override { return TensorMetaInfo{}; }
  TensorMetaInfo get_output_tensor_info(size_t) const override { return TensorMetaInfo{}; }
  size_t get_output_size() const override { return 0; }

 private:
  ov::AnyMap attributes_;
  std::string type_ = "CONV_2D";
  std::string name_ = "conv";
};

TEST(FrontEndInterfaces, FailuresCarryTheirKindAndDeriveFromAssertFailure) {
  try {
    FRONT_END_OP_CONVERSION_CHECK(false, "No translator found for ", "FOO", " node.");
    FAIL();
  } catch (const ov::AssertFailure& e) {
    EXPECT_NE(
        std::string(e.what()).find(
            "FrontEnd API failed with OpConversionFailure: No translator found for FOO node."),
        std::string::npos)
        << e.what();
  }
  EXPECT_THROW(FRONT_END_THROW("x"), ov::frontend::GeneralFailure);
  try {
    FRONT_END_NOT_IMPLEMENTED(load_impl);
  } catch (const ov::frontend::NotImplementedFailure& e) {
    EXPECT_NE(std::string(e.what()).find("load_impl is not implemented for this FrontEnd class"),
              std::string::npos);
  }
}

TEST(FrontEndInterfaces, NodeContextAttributesRequiredDefaultedAndConverted) {
  auto decoder = std::make_shared<MapDecoder>(
      ov::AnyMap{{"axis", int32_t{3}}, {"epsilon", 2.0}, {"padding", std::string("SAME")}});
  ov::OutputVector inputs;
  ov::frontend::tensorflow_lite::NodeContext node(decoder, inputs);
  EXPECT_EQ(node.get_op_type(), "CONV_2D");
  EXPECT_EQ(node.get_name(), "conv");
  // An i32 attribute read as i64, and an f64 as f32, as the plug-in decoder supplies them.
  EXPECT_EQ(node.get_attribute<int64_t>("axis"), 3);
  EXPECT_FLOAT_EQ(node.get_attribute<float>("epsilon", 1e-6f), 2.0f);
  EXPECT_EQ(node.get_attribute<std::string>("padding"), "SAME");
  EXPECT_EQ(node.get_attribute<int64_t>("missing", 7), 7);
  EXPECT_FALSE(node.has_attribute("missing"));
  try {
    node.get_attribute<int64_t>("missing");
    FAIL();
  } catch (const ov::frontend::GeneralFailure& e) {
    EXPECT_NE(std::string(e.what()).find("Attribute with name 'missing' does not exist"),
              std::string::npos);
  }
  EXPECT_EQ(node.get_subgraph_size(), 0u);
  EXPECT_THROW(node.get_subgraph(0), ov::frontend::GeneralFailure);
}

TEST(FrontEndInterfaces, QuantizationInfoIsARuntimeAttribute) {
  auto info = std::make_shared<ov::frontend::tensorflow_lite::QuantizationInfo>(
      std::vector<float>{0.5f}, std::vector<int64_t>{3}, 0);
  EXPECT_EQ(std::string(info->get_type_info().name), "QuantizationInfo");
  EXPECT_FALSE(info->is_disabled());
  info->disable();
  EXPECT_TRUE(info->is_disabled());
  ov::RTMap rt;
  rt[ov::frontend::tensorflow_lite::QuantizationInfo::get_type_info_static()] = info;
  EXPECT_TRUE(
      rt.begin()->second.is<std::shared_ptr<ov::RuntimeAttribute>>() ||
      rt.begin()->second.is<std::shared_ptr<ov::frontend::tensorflow_lite::QuantizationInfo>>());
}

}  // namespace
