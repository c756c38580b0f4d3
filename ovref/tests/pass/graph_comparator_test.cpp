#include "common_test_utils/graph_comparator.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "pass_test_utils.hpp"

namespace {

using namespace ovref_pass_test;
using Cmp = FunctionsComparator::CmpValues;
using ov::op::v0::Constant;
using ov::op::v0::Relu;
using ov::op::v1::Add;
using ov::op::v1::Multiply;

struct Variant {
  std::vector<float> weights{1, 2, 3, 4, 5, 6};
  bool special_zero = false;
  bool multiply = false;
  ov::element::Type out_type = ov::element::f32;
  ov::Shape reshape_to{3, 2};
  std::string result_producer_name = "out";
  std::string tensor_name = "out_tensor";
  bool swap_inputs = false;
};

// x[2,3] -> Reshape -> (+ or *) weights -> Relu -> Convert, with one thing changed per variant.
std::shared_ptr<ov::Model> build(const Variant& v) {
  auto x = param({2, 3});
  x->set_friendly_name("x");
  auto pattern = Constant::create(ov::element::i64, ov::Shape{2},
                                  std::vector<int64_t>(v.reshape_to.begin(), v.reshape_to.end()));
  auto reshape = std::make_shared<ov::op::v1::Reshape>(x, pattern, v.special_zero);
  auto weights = values(v.reshape_to, v.weights);
  std::shared_ptr<ov::Node> combined;
  const ov::Output<ov::Node> lhs = v.swap_inputs ? ov::Output<ov::Node>(weights) : reshape;
  const ov::Output<ov::Node> rhs = v.swap_inputs ? ov::Output<ov::Node>(reshape) : weights;
  if (v.multiply) {
    combined = std::make_shared<Multiply>(lhs, rhs);
  } else {
    combined = std::make_shared<Add>(lhs, rhs);
  }
  auto relu = std::make_shared<Relu>(combined);
  auto out = std::make_shared<ov::op::v0::Convert>(relu, v.out_type);
  out->set_friendly_name(v.result_producer_name);
  out->output(0).set_names({v.tensor_name});
  return std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{x});
}

FunctionsComparator everything() {
  auto c = FunctionsComparator::with_default();
  c.enable(Cmp::CONST_VALUES);
  c.enable(Cmp::ATTRIBUTES);
  c.enable(Cmp::NAMES);
  c.enable(Cmp::RUNTIME_KEYS);
  c.enable(Cmp::CONSUMERS_COUNT);
  return c;
}

TEST(GraphComparator, IdenticalModelsPass) {
  const auto res = everything()(build({}), build({}));
  EXPECT_TRUE(res.valid) << res.message;
  const auto model = build({});
  EXPECT_TRUE(everything()(model, model->clone()).valid);
}

TEST(GraphComparator, FindsAOneAttributeDifference) {
  Variant changed;
  changed.special_zero = true;
  const auto res = everything()(build(changed), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("mismatch in value: 'special_zero' : 0 vs 1"), std::string::npos)
      << res.message;
  // Attributes are compared only on request.
  auto without = everything();
  without.disable(Cmp::ATTRIBUTES);
  EXPECT_TRUE(without(build(changed), build({})).valid);
}

TEST(GraphComparator, FindsAOneConstantValueDifference) {
  Variant changed;
  changed.weights[4] = 5.5f;
  const auto res = everything()(build(changed), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("Different Constant values detected"), std::string::npos)
      << res.message;
  EXPECT_NE(res.message.find("element 4: 5.5 and 5"), std::string::npos) << res.message;
  auto without = everything();
  without.disable(Cmp::CONST_VALUES);
  without.disable(Cmp::ATTRIBUTES);  // the constant's bytes are an attribute too
  EXPECT_TRUE(without(build(changed), build({})).valid);
}

TEST(GraphComparator, FindsTypeTopologyShapeAndPrecisionDifferences) {
  Variant mul;
  mul.multiply = true;
  auto res = everything()(build(mul), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("have different type info: Multiply/opset1 != Add/opset1"),
            std::string::npos)
      << res.message;

  Variant swapped;
  swapped.swap_inputs = true;
  res = everything()(build(swapped), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("have different type info"), std::string::npos) << res.message;

  Variant reshaped;
  reshaped.reshape_to = {6, 1};
  res = FunctionsComparator::with_default()(build(reshaped), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("Different shape detected"), std::string::npos) << res.message;

  Variant precision;
  precision.out_type = ov::element::f16;
  res = FunctionsComparator::with_default()(build(precision), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("Different element type detected"), std::string::npos) << res.message;
}

TEST(GraphComparator, NamesOnRequest) {
  Variant renamed;
  renamed.result_producer_name = "other";
  auto res = everything()(build(renamed), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_EQ(res.message, "Different output node names: other and out");
  auto without = everything();
  without.disable(Cmp::NAMES);
  EXPECT_TRUE(without(build(renamed), build({})).valid);

  Variant tensor;
  tensor.tensor_name = "another_tensor";
  res = FunctionsComparator::with_default()(build(tensor), build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("Output tensors names {another_tensor} and {out_tensor}"),
            std::string::npos)
      << res.message;
  auto no_tensor_names = FunctionsComparator::with_default();
  no_tensor_names.disable(Cmp::TENSOR_NAMES);
  EXPECT_TRUE(no_tensor_names(build(tensor), build({})).valid);
}

TEST(GraphComparator, RuntimeKeysOfTheReferenceMustBePresent) {
  auto model = build({});
  auto reference = build({});
  reference->get_results()[0]->get_input_node_shared_ptr(0)->get_rt_info()["key"] =
      std::string("value");
  auto res = everything()(model, reference);
  ASSERT_FALSE(res.valid);
  EXPECT_NE(res.message.find("key 'key' is missing"), std::string::npos) << res.message;
  // Extra keys on the tested side are fine.
  EXPECT_TRUE(everything()(reference, model).valid);
}

TEST(GraphComparator, ResultCountsAndInvalidFlags) {
  auto x = param({2});
  auto two = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<Relu>(x), std::make_shared<Relu>(x)},
      ov::ParameterVector{x});
  auto res = FunctionsComparator::with_default()(two, build({}));
  ASSERT_FALSE(res.valid);
  EXPECT_EQ(res.message, "Number of results is different: 2 and 1");
  EXPECT_EQ(FunctionsComparator::no_default()(build({}), build({})).message,
            "CmpValues are invalid");
  const auto legacy = compare_functions(build({}), build({}), true, true, true, true, true, true);
  EXPECT_TRUE(legacy.first) << legacy.second;
}

TEST(ModelOutputs, ReportsTheLargestDifference) {
  auto make = [](float offset) {
    auto x = param({4, 8});
    auto y = param({4, 8});
    auto sum = std::make_shared<Add>(x, y);
    auto shifted = std::make_shared<Add>(sum, scalar(offset));
    return std::make_shared<ov::Model>(ov::OutputVector{shifted}, ov::ParameterVector{x, y});
  };
  auto same = ov::test::utils::compare_model_outputs(make(0), make(0), 0, 0);
  EXPECT_TRUE(same.valid) << same.message;
  EXPECT_EQ(same.max_abs_diff, 0.0);

  auto off = ov::test::utils::compare_model_outputs(make(1e-3f), make(0), 1e-5f, 1e-5f);
  EXPECT_FALSE(off.valid);
  EXPECT_NEAR(off.max_abs_diff, 1e-3, 1e-6);
  EXPECT_NE(off.message.find("beyond the thresholds"), std::string::npos) << off.message;
  auto tolerated = ov::test::utils::compare_model_outputs(make(1e-3f), make(0), 1e-2f, 0);
  EXPECT_TRUE(tolerated.valid) << tolerated.message;

  // Inputs are deterministic for a seed and differ between seeds.
  const auto a = ov::test::utils::make_random_inputs(make(0), 7);
  const auto b = ov::test::utils::make_random_inputs(make(0), 7);
  const auto c = ov::test::utils::make_random_inputs(make(0), 8);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(std::memcmp(a[0].data(), b[0].data(), a[0].get_byte_size()), 0);
  EXPECT_NE(std::memcmp(a[0].data(), c[0].data(), a[0].get_byte_size()), 0);
}

TEST(ModelOutputs, DynamicShapesAndMismatches) {
  auto x = param({ov::Dimension::dynamic(), 3});
  auto relu = std::make_shared<Relu>(x);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{relu}, ov::ParameterVector{x});
  const auto inputs = ov::test::utils::make_random_inputs(model, 1, {ov::Shape{5, 3}});
  EXPECT_EQ(inputs[0].get_shape(), (ov::Shape{5, 3}));
  EXPECT_EQ(ov::test::utils::make_random_inputs(model)[0].get_shape(), (ov::Shape{1, 3}));

  auto y = param({ov::Dimension::dynamic(), 3});
  auto other = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<ov::op::v0::Convert>(y, ov::element::f16)},
      ov::ParameterVector{y});
  const auto report = ov::test::utils::compare_model_outputs(other, model);
  EXPECT_FALSE(report.valid);
  EXPECT_NE(report.message.find("but the reference is"), std::string::npos) << report.message;
}

}  // namespace
