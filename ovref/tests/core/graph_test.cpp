#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "openvino/core/graph_util.hpp"
#include "openvino/core/model.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "test_ops.hpp"
#include "transformations/rt_info/decompression.hpp"

namespace {

using ov::op::v0::Constant;
using ov::op::v0::Parameter;
using ov::op::v0::Result;
using ovref_test::Sum;

std::shared_ptr<Parameter> param(const ov::PartialShape& shape = {2}) {
  return std::make_shared<Parameter>(ov::element::f32, shape);
}

TEST(Node, NamesDescriptionsAndPorts) {
  auto p = param({1, 3});
  auto sum = std::make_shared<Sum>(ov::OutputVector{p, p});
  EXPECT_EQ(sum->get_name(), "Sum_" + std::to_string(sum->get_instance_id()));
  EXPECT_EQ(sum->get_friendly_name(), sum->get_name());
  sum->set_friendly_name("s");
  EXPECT_EQ(sum->get_friendly_name(), "s");
  p->set_friendly_name("in");

  std::stringstream ss;
  ss << *sum;
  EXPECT_EQ(
      ss.str(),
      "ovref_test::Sum s (opset1::Parameter in[0]:f32[1,3], opset1::Parameter in[0]:f32[1,3]) "
      "-> (f32[1,3])");
  std::stringstream in;
  in << sum->input(1);
  EXPECT_EQ(in.str(), "ovref_test::Sum s.input(1):f32[1,3]");

  EXPECT_THROW(sum->input(2), ov::Exception);
  EXPECT_THROW(sum->output(1), ov::Exception);
  EXPECT_NO_THROW(sum->output(0));
  EXPECT_EQ(sum->get_input_node_shared_ptr(1), p);
  EXPECT_EQ(sum->get_output_shape(0), (ov::Shape{1, 3}));
  EXPECT_EQ(p->output(0).get_target_inputs().size(), 2u);
  EXPECT_THROW(param({-1})->get_shape(), ov::Exception);
}

TEST(Node, ValidationErrorsNameTheNode) {
  auto a = param({2});
  auto b = param({3});
  try {
    auto s = std::make_shared<Sum>(ov::OutputVector{a, b});
    FAIL();
  } catch (const ov::NodeValidationFailure& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("While validating node 'ovref_test::Sum Sum_"), std::string::npos) << what;
    EXPECT_NE(what.find("Sum input shapes differ"), std::string::npos);
  }
  auto s = std::make_shared<Sum>(ov::OutputVector{a});
  EXPECT_THROW(ov::check_new_args_count(s.get(), ov::OutputVector{a, a}),
               ov::NodeValidationFailure);
}

TEST(Node, TargetInputsAreOrderedByConsumerCreation) {
  auto p = param();
  auto first = std::make_shared<Sum>(ov::OutputVector{p});
  auto second = std::make_shared<Sum>(ov::OutputVector{p, p});
  std::vector<std::pair<ov::Node*, size_t>> seen;
  for (const auto& input : p->output(0).get_target_inputs()) {
    seen.emplace_back(input.get_node(), input.get_index());
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, first.get());
  EXPECT_EQ(seen[1], std::make_pair(static_cast<ov::Node*>(second.get()), size_t{0}));
  EXPECT_EQ(seen[2], std::make_pair(static_cast<ov::Node*>(second.get()), size_t{1}));
  EXPECT_EQ(p->get_users().size(), 3u);

  second.reset();
  EXPECT_EQ(p->output(0).get_target_inputs().size(), 1u);
}

TEST(Node, ReplaceNodeMovesConsumersNamesAndKeepsFriendlyNames) {
  auto p = param();
  auto a = std::make_shared<Sum>(ov::OutputVector{p});
  a->set_friendly_name("a");
  a->output(0).set_names({"t_a"});
  auto consumer = std::make_shared<Sum>(ov::OutputVector{a, p});
  auto result = std::make_shared<Result>(a);
  auto b = std::make_shared<Sum>(ov::OutputVector{p, p});
  b->set_friendly_name("b");

  ov::replace_node(a, b);
  EXPECT_EQ(consumer->input_value(0).get_node(), b.get());
  EXPECT_EQ(result->input_value(0).get_node(), b.get());
  EXPECT_TRUE(a->output(0).get_target_inputs().empty());
  EXPECT_EQ(b->get_friendly_name(), "b");
  EXPECT_EQ(b->output(0).get_names(), (std::unordered_set<std::string>{"t_a"}));
  EXPECT_EQ(a->output(0).get_names(), (std::unordered_set<std::string>{"t_a"}));
  // The Result answers with the names of what it consumes.
  EXPECT_EQ(result->output(0).get_any_name(), "t_a");
  EXPECT_THROW(ov::replace_node(result, b), ov::Exception);

  // Refused: the replacement reads a Parameter and the target feeds a Result.
  auto from_param = std::make_shared<Sum>(ov::OutputVector{p});
  EXPECT_FALSE(ov::replace_node_update_name(b, from_param));
  // c reads a, which is upstream of b's consumers, so the graph stays acyclic.
  auto c = std::make_shared<Sum>(ov::OutputVector{a});
  c->set_friendly_name("c");
  EXPECT_TRUE(ov::replace_node_update_name(b, c));
  EXPECT_EQ(c->get_friendly_name(), "b");
}

TEST(Node, OutputReplaceSkipsTheReplacementsOwnInputs) {
  auto p = param();
  auto a = std::make_shared<Sum>(ov::OutputVector{p});
  auto r = std::make_shared<Result>(a);
  auto wrapper = std::make_shared<Sum>(ov::OutputVector{a});
  a->output(0).replace(wrapper->output(0));
  EXPECT_EQ(wrapper->input_value(0).get_node(), a.get());
  EXPECT_EQ(r->input_value(0).get_node(), wrapper.get());
}

TEST(Node, TensorNamesAndAnyName) {
  auto p = param();
  EXPECT_THROW(p->output(0).get_any_name(), ov::Exception);
  p->output(0).set_names({"zeta", "alpha"});
  EXPECT_EQ(p->output(0).get_any_name(), "alpha");
  p->output(0).add_names({"Alpha"});
  EXPECT_EQ(p->output(0).get_any_name(), "Alpha");
}

struct Mergeable : public ov::RuntimeAttribute {
  OPENVINO_RTTI("mergeable", "0", RuntimeAttribute);
  Mergeable() = default;
  explicit Mergeable(std::string v) : value(std::move(v)) {}
  ov::Any merge(const ov::NodeVector& nodes) const override {
    std::string all;
    for (const auto& n : nodes) {
      auto it = n->get_rt_info().find(get_type_info_static());
      if (it != n->get_rt_info().end()) all += it->second.as<Mergeable>().value;
    }
    return Mergeable(all);
  }
  std::string value;
};

TEST(RtInfo, CopyRuntimeInfoFollowsTheMergeRules) {
  auto p = param();
  auto a = std::make_shared<Sum>(ov::OutputVector{p});
  auto b = std::make_shared<Sum>(ov::OutputVector{p});
  a->get_rt_info()["plain"] = 1;
  b->get_rt_info()["plain"] = 2;
  a->get_rt_info()["only_a"] = std::string("x");
  a->get_rt_info()["opset"] = std::string("from_a");
  a->get_rt_info()[Mergeable::get_type_info_static()] = Mergeable("A");
  b->get_rt_info()[Mergeable::get_type_info_static()] = Mergeable("B");
  ov::pass::disable_constant_folding(a);
  ov::mark_as_decompression(a);

  auto weights = Constant::create(ov::element::f32, ov::Shape{2}, {1.f, 2.f});
  auto to = std::make_shared<Sum>(ov::OutputVector{weights, p});
  to->get_rt_info()["opset"] = std::string("mine");
  to->get_rt_info()["kept"] = 7;
  ov::copy_runtime_info({a, b}, to);

  const auto& rt = to->get_rt_info();
  EXPECT_EQ(rt.count("plain"), 0u);  // plain values seen twice are dropped
  EXPECT_EQ(rt.at("only_a").as<std::string>(), "x");
  EXPECT_EQ(rt.at("opset").as<std::string>(), "mine");
  EXPECT_EQ(rt.at("kept").as<int>(), 7);
  EXPECT_EQ(rt.at(Mergeable::get_type_info_static()).as<Mergeable>().value, "AB");
  EXPECT_FALSE(ov::pass::constant_folding_is_disabled(to));
  EXPECT_FALSE(ov::is_decompression(to));
  // A constant feeding the destination with empty rt_info receives the same entries.
  EXPECT_EQ(weights->get_rt_info().at("only_a").as<std::string>(), "x");
}

TEST(RtInfo, MarkersUseTheToolkitKeys) {
  auto c = Constant::create(ov::element::u8, ov::Shape{4}, {1, 2, 3, 4});
  ov::pass::disable_constant_folding(c);
  EXPECT_EQ(c->get_rt_info().count("DisableConstantFolding_util"), 1u);
  ov::pass::enable_constant_folding(c);
  EXPECT_FALSE(ov::pass::constant_folding_is_disabled(c));
  ov::mark_as_decompression(c);
  EXPECT_EQ(c->get_rt_info().count("decompression_0"), 1u);

  c->get_rt_info()[ov::WeightlessCacheAttribute::get_type_info_static()] =
      ov::WeightlessCacheAttribute(4, 128, ov::element::u8);
  ASSERT_EQ(c->get_rt_info().count("WeightlessCacheAttribute_0"), 1u);
  auto copy = Constant::create(ov::element::u8, ov::Shape{4}, {1, 2, 3, 4});
  ov::copy_runtime_info(c, copy);
  EXPECT_EQ(copy->get_rt_info().count("WeightlessCacheAttribute_0"), 0u);
  ov::copy_weightless_cache_attr(c, copy);
  EXPECT_EQ(copy->get_rt_info()
                .at("WeightlessCacheAttribute_0")
                .as<ov::WeightlessCacheAttribute>()
                .bin_offset,
            128u);
}

TEST(Rtti, TypeInfoCastsAlongTheParentChain) {
  auto c = Constant::create(ov::element::f32, ov::Shape{}, {1.f});
  std::shared_ptr<ov::Node> node = c;
  EXPECT_TRUE(ov::is_type<Constant>(node));
  EXPECT_TRUE(ov::is_type<ov::op::Op>(node));
  EXPECT_FALSE(ov::is_type<Parameter>(node));
  EXPECT_TRUE((ov::is_type_any_of<Parameter, Constant>(node)));
  EXPECT_EQ(ov::as_type_ptr<Constant>(node), c);
  EXPECT_EQ(ov::as_type_ptr<Parameter>(node), nullptr);
  EXPECT_EQ(std::string(Constant::get_type_info_static()), "Constant_opset1");
  std::stringstream ss;
  ss << Constant::get_type_info_static();
  EXPECT_EQ(ss.str().rfind("DiscreteTypeInfo{name: Constant, version_id: opset1, parent: "
                           "DiscreteTypeInfo{name: Op, version_id: util, parent: ",
                           0),
            0u);
}

}  // namespace
