#include "openvino/pass/constant_folding.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/op.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/shape_of.hpp"
#include "openvino/pass/manager.hpp"
#include "pass_test_utils.hpp"
#include "transformations/rt_info/decompression.hpp"
#include "transformations/rt_info/disable_constant_folding.hpp"
#include "transformations/rt_info/keep_const_precision.hpp"

namespace {

using namespace ovref_pass_test;
using ov::op::v0::Constant;
using ov::op::v0::Convert;
using ov::op::v0::Relu;
using ov::op::v1::Add;
using ov::op::v1::Multiply;

// Splits an f32 vector of even length into its two halves.
class TwoHalves : public ov::op::Op {
 public:
  OPENVINO_OP("TwoHalves", "ovref_test");
  TwoHalves() = default;
  explicit TwoHalves(const ov::Output<ov::Node>& arg) : Op({arg}) {
    constructor_validate_and_infer_types();
  }
  void validate_and_infer_types() override {
    const auto& shape = get_input_partial_shape(0);
    const auto half = shape.is_static()
                          ? ov::PartialShape{static_cast<int64_t>(shape[0].get_length() / 2)}
                          : ov::PartialShape::dynamic(1);
    set_output_type(0, get_input_element_type(0), half);
    set_output_type(1, get_input_element_type(0), half);
  }
  std::shared_ptr<ov::Node> clone_with_new_inputs(const ov::OutputVector& args) const override {
    return std::make_shared<TwoHalves>(args.at(0));
  }
  bool has_evaluate() const override { return true; }
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override {
    const size_t half = inputs[0].get_size() / 2;
    for (size_t o = 0; o < 2; ++o) {
      outputs[o].set_shape(ov::Shape{half});
      for (size_t i = 0; i < half; ++i) {
        outputs[o].data<float>()[i] = inputs[0].data<const float>()[o * half + i];
      }
    }
    return true;
  }
};

std::shared_ptr<Constant> as_constant(const ov::Output<ov::Node>& value) {
  return ov::as_type_ptr<Constant>(value.get_node_shared_ptr());
}

void run_folding(const std::shared_ptr<ov::Model>& model, bool expect_change = true) {
  ov::pass::Manager manager;
  manager.register_pass<ov::pass::ConstantFolding>();
  EXPECT_EQ(manager.run_passes(model), expect_change);
}

TEST(ConstantFoldingRun, FoldsAChainInOneRunWithTheLastNodesName) {
  auto x = param({3});
  auto c1 = values({3}, {1, 2, 3});
  c1->get_rt_info()["origin"] = std::string("weights");
  ov::enable_keep_const_precision(c1);
  auto sum = std::make_shared<Add>(c1, values({3}, {1, 1, 1}));
  auto product = std::make_shared<Multiply>(sum, values({3}, {-1, 2, -3}));
  product->get_rt_info()["tag"] = std::string("scaled");
  auto relu = std::make_shared<Relu>(product);
  relu->set_friendly_name("relu");
  relu->output(0).set_names({"folded_tensor"});
  auto out = std::make_shared<Add>(x, relu);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{x});

  run_folding(model);
  auto folded = as_constant(out->input_value(1));
  ASSERT_NE(folded, nullptr);
  EXPECT_EQ(folded->cast_vector<float>(), (std::vector<float>{0, 6, 0}));
  EXPECT_EQ(folded->get_friendly_name(), "relu");
  EXPECT_TRUE(folded->output(0).get_names().count("folded_tensor"));
  // Copyable rt_info of the folded nodes is carried over; non-copyable markers are not.
  const auto& rt = folded->get_rt_info();
  ASSERT_TRUE(rt.count("origin"));
  EXPECT_EQ(rt.at("origin").as<std::string>(), "weights");
  ASSERT_TRUE(rt.count("tag"));
  EXPECT_FALSE(ov::is_keep_const_precision(folded));
  EXPECT_EQ(model->get_ops().size(), 4u);  // x, folded, out, result

  // Nothing left to fold: the pass reports no change.
  run_folding(model, false);
}

TEST(ConstantFoldingRun, DisabledNodesAndTheirConsumersAreKept) {
  auto x = param({2});
  auto upstream = std::make_shared<Multiply>(values({2}, {2, 3}), values({2}, {4, 5}));
  upstream->set_friendly_name("upstream");
  auto blocked = std::make_shared<Add>(upstream, values({2}, {1, 1}));
  ov::disable_constant_folding(blocked);
  auto downstream = std::make_shared<Relu>(blocked);
  auto out = std::make_shared<Add>(x, downstream);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{x});

  run_folding(model);
  EXPECT_EQ(out->get_input_node_shared_ptr(1), downstream);
  EXPECT_EQ(downstream->get_input_node_shared_ptr(0), blocked);
  auto folded = as_constant(blocked->input_value(0));
  ASSERT_NE(folded, nullptr);
  EXPECT_EQ(folded->cast_vector<float>(), (std::vector<float>{8, 15}));
  EXPECT_EQ(folded->get_friendly_name(), "upstream");
  EXPECT_TRUE(ov::pass::constant_folding_is_disabled(blocked));

  // Enabling it again lets the rest fold.
  ov::enable_constant_folding(blocked);
  run_folding(model);
  auto all = as_constant(out->input_value(1));
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->cast_vector<float>(), (std::vector<float>{9, 16}));
}

// Packed 4-bit weights, a decompression Convert to f32, and a scale computed from constants.
std::shared_ptr<ov::Model> packed_weights(bool disable_convert_folding,
                                          std::shared_ptr<Constant>* weights_out = nullptr,
                                          std::shared_ptr<Convert>* convert_out = nullptr) {
  auto x = param({2, 4});
  auto weights = Constant::create(ov::element::u4, ov::Shape{2, 4}, {0, 1, 2, 3, 12, 13, 14, 15});
  auto convert = std::make_shared<Convert>(weights, ov::element::f32);
  ov::mark_as_decompression(convert);
  if (disable_convert_folding) ov::disable_constant_folding(convert);
  auto scale = std::make_shared<Multiply>(values({2, 1}, {0.5f, 2.0f}), scalar(2.0f));
  scale->set_friendly_name("scale");
  auto dequantized = std::make_shared<Multiply>(convert, scale);
  auto out = std::make_shared<Add>(x, dequantized);
  if (weights_out) *weights_out = weights;
  if (convert_out) *convert_out = convert;
  return std::make_shared<ov::Model>(ov::OutputVector{out}, ov::ParameterVector{x});
}

TEST(ConstantFoldingRun, LeavesDisabledDecompressionOfPackedWeightsAlone) {
  std::shared_ptr<Constant> weights;
  std::shared_ptr<Convert> convert;
  auto model = packed_weights(true, &weights, &convert);
  auto original = model->clone();
  run_folding(model);

  // The u4 constant and its Convert stay; the scale side folds.
  auto x = param({2, 4});
  auto ref_weights =
      Constant::create(ov::element::u4, ov::Shape{2, 4}, {0, 1, 2, 3, 12, 13, 14, 15});
  auto ref_convert = std::make_shared<Convert>(ref_weights, ov::element::f32);
  auto ref_dequantized = std::make_shared<Multiply>(ref_convert, values({2, 1}, {1.0f, 4.0f}));
  auto reference = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<Add>(x, ref_dequantized)}, ov::ParameterVector{x});
  auto comparator = FunctionsComparator::with_default();
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::ATTRIBUTES);
  const auto res = comparator(model, reference);
  EXPECT_TRUE(res.valid) << res.message;

  EXPECT_EQ(convert->get_input_node_shared_ptr(0), weights);
  EXPECT_EQ(weights->get_element_type(), ov::element::u4);
  EXPECT_TRUE(ov::is_decompression(convert));
  const auto report = ov::test::utils::compare_model_outputs(model, original, 0, 0);
  EXPECT_TRUE(report.valid) << report.message;
  EXPECT_EQ(report.max_abs_diff, 0.0);
}

TEST(ConstantFoldingRun, DecompressionMarkAloneDoesNotStopFolding) {
  auto model = packed_weights(false);
  auto original = model->clone();
  run_folding(model);
  auto out = model->get_results()[0]->get_input_node_shared_ptr(0);
  auto folded = as_constant(out->input_value(1));
  ASSERT_NE(folded, nullptr);
  EXPECT_EQ(folded->get_element_type(), ov::element::f32);
  EXPECT_EQ(folded->cast_vector<float>(), (std::vector<float>{0, 1, 2, 3, 48, 52, 56, 60}));
  // The marker does not travel to the folded constant.
  EXPECT_FALSE(ov::is_decompression(folded));
  const auto report = ov::test::utils::compare_model_outputs(model, original, 0, 0);
  EXPECT_TRUE(report.valid) << report.message;
}

TEST(ConstantFoldingRun, MultiOutputNodesNameEachOutput) {
  auto x = param({2});
  auto halves = std::make_shared<TwoHalves>(values({4}, {1, 2, 3, 4}));
  halves->set_friendly_name("halves");
  auto a = std::make_shared<Add>(x, halves->output(0));
  auto b = std::make_shared<Add>(x, halves->output(1));
  auto model = std::make_shared<ov::Model>(ov::OutputVector{a, b}, ov::ParameterVector{x});
  run_folding(model);
  auto first = as_constant(a->input_value(1));
  auto second = as_constant(b->input_value(1));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->get_friendly_name(), "halves.0");
  EXPECT_EQ(second->get_friendly_name(), "halves.1");
  EXPECT_EQ(second->cast_vector<float>(), (std::vector<float>{3, 4}));
}

TEST(ConstantFoldingRun, ShapesOfStaticTensorsFold) {
  auto x = param({6});
  auto y = param({2, 3});
  auto shape = std::make_shared<ov::op::v3::ShapeOf>(y);
  shape->set_friendly_name("shape");
  auto reshape = std::make_shared<ov::op::v1::Reshape>(x, shape, false);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{reshape, y}, ov::ParameterVector{x, y});
  run_folding(model);
  auto folded = as_constant(reshape->input_value(1));
  ASSERT_NE(folded, nullptr);
  EXPECT_EQ(folded->get_friendly_name(), "shape");
  EXPECT_EQ(folded->get_element_type(), ov::element::i64);
  EXPECT_EQ(folded->cast_vector<int64_t>(), (std::vector<int64_t>{2, 3}));
  model->validate_nodes_and_infer_types();
  EXPECT_EQ(reshape->get_output_partial_shape(0), (ov::PartialShape{2, 3}));

  // The shape of a dynamically shaped tensor stays.
  auto z = param({ov::Dimension::dynamic(), 3});
  auto dynamic_shape = std::make_shared<ov::op::v3::ShapeOf>(z);
  auto data = param({6});
  auto reshape2 = std::make_shared<ov::op::v1::Reshape>(data, dynamic_shape, false);
  auto model2 =
      std::make_shared<ov::Model>(ov::OutputVector{reshape2}, ov::ParameterVector{data, z});
  run_folding(model2, false);
  EXPECT_EQ(reshape2->get_input_node_shared_ptr(1), dynamic_shape);
}

}  // namespace
