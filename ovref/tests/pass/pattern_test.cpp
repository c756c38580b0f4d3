#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "openvino/op/add.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/subtract.hpp"
#include "openvino/op/util/binary_elementwise_arithmetic.hpp"
#include "openvino/pass/pattern/matcher.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/optional.hpp"
#include "openvino/pass/pattern/op/or.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "pass_test_utils.hpp"

namespace {

using namespace ovref_pass_test;
namespace pattern = ov::pass::pattern;
using ov::op::v0::Constant;
using ov::op::v0::Relu;
using ov::op::v1::Add;
using ov::op::v1::Multiply;
using ov::op::v1::Subtract;

TEST(WrapTypeMatch, TypesDerivedTypesAndInputs) {
  auto x = param({2});
  auto add = std::make_shared<Add>(x, scalar(1.0f));
  auto sub = std::make_shared<Subtract>(x, scalar(1.0f));
  auto relu = std::make_shared<Relu>(add);

  pattern::Matcher any_of(pattern::wrap_type<Add, Subtract>(), "any_of");
  EXPECT_TRUE(any_of.match(add->output(0)));
  EXPECT_TRUE(any_of.match(sub->output(0)));
  EXPECT_FALSE(any_of.match(relu->output(0)));

  pattern::Matcher base(pattern::wrap_type<ov::op::util::BinaryElementwiseArithmetic>(), "base");
  EXPECT_TRUE(base.match(add->output(0)));
  EXPECT_FALSE(base.match(relu->output(0)));

  // Inputs must match too, in order for a non-commutative op.
  auto k = pattern::wrap_type<Constant>();
  pattern::Matcher with_inputs(pattern::wrap_type<Subtract>({k, pattern::any_input()}), "inputs");
  EXPECT_FALSE(with_inputs.match(sub->output(0)));
  auto sub_swapped = std::make_shared<Subtract>(scalar(1.0f), x);
  EXPECT_TRUE(with_inputs.match(sub_swapped->output(0)));
  EXPECT_EQ(with_inputs.get_pattern_value_map().at(k).get_node(),
            sub_swapped->get_input_node_ptr(0));
}

TEST(WrapTypeMatch, CommutativeOpsTryBothOrders) {
  auto x = param({2});
  auto c = scalar(3.0f);
  auto k = pattern::wrap_type<Constant>();
  auto in = pattern::any_input();
  auto root = pattern::wrap_type<Add>({in, k});
  pattern::Matcher m(root, "commutative");
  auto add = std::make_shared<Add>(c, x);  // constant first in the graph
  ASSERT_TRUE(m.match(add->output(0)));
  EXPECT_EQ(m.get_pattern_value_map().at(k).get_node_shared_ptr(), c);
  EXPECT_EQ(m.get_pattern_value_map().at(in).get_node_shared_ptr(), x);
  EXPECT_EQ(m.get_match_root(), add);
  EXPECT_EQ(m.get_match_value(), add->output(0));
}

TEST(LabelMatch, ReusedLabelMustBindTheSameValue) {
  auto a = param({2});
  auto b = param({2});
  auto x = pattern::any_input();
  pattern::Matcher m(pattern::wrap_type<Multiply>({x, x}), "square");
  EXPECT_TRUE(m.match(std::make_shared<Multiply>(a, a)->output(0)));
  EXPECT_FALSE(m.match(std::make_shared<Multiply>(a, b)->output(0)));
  EXPECT_TRUE(m.get_pattern_value_map().empty());  // a failed match leaves no bindings
  EXPECT_TRUE(m.get_matched_values().empty());
}

TEST(LabelMatch, PredicatesAndMatchedNodes) {
  auto x = param({2, ov::Dimension::dynamic()});
  auto c = scalar(2.0f);
  auto add = std::make_shared<Add>(x, c);
  auto relu = std::make_shared<Relu>(add);

  auto static_in = pattern::any_input(pattern::has_static_shape());
  pattern::Matcher rejects(pattern::wrap_type<Relu>(
      {pattern::wrap_type<Add>({static_in, pattern::wrap_type<Constant>()})}));
  EXPECT_FALSE(rejects.match(relu->output(0)));

  auto in = pattern::any_input(pattern::has_static_rank());
  auto k = pattern::wrap_type<Constant>();
  auto add_p = pattern::wrap_type<Add>({in, k});
  auto relu_p = pattern::wrap_type<Relu>({add_p});
  pattern::Matcher m(relu_p, "chain");
  ASSERT_TRUE(m.match(relu->output(0)));
  // Root first, then the arguments depth first; labels add what they bind.
  const auto nodes = m.get_matched_nodes();
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_EQ(nodes[0], relu);
  EXPECT_EQ(nodes[1], add);
  EXPECT_EQ(nodes[2], x);
  EXPECT_EQ(nodes[3], c);
  const auto map = m.get_pattern_map();
  EXPECT_EQ(map.at(add_p), add);
  EXPECT_EQ(map.at(relu_p), relu);
  m.clear_state();
  EXPECT_EQ(m.get_match_root(), nullptr);
  EXPECT_TRUE(m.get_pattern_value_map().empty());
}

TEST(PredicateFactories, TestTheMatchedOutput) {
  auto x = param({2, ov::Dimension::dynamic(), 4});
  auto relu = std::make_shared<Relu>(x);
  auto consumer_a = std::make_shared<Relu>(relu);
  auto consumer_b = std::make_shared<Relu>(relu);
  const ov::Output<ov::Node> value = relu->output(0);

  EXPECT_TRUE(pattern::consumers_count(2)(value));
  EXPECT_FALSE(pattern::consumers_count(1)(value));
  EXPECT_TRUE(pattern::consumers_more_than(1)(value));
  EXPECT_TRUE(pattern::has_static_dim(0)(value));
  EXPECT_FALSE(pattern::has_static_dim(1)(value));
  EXPECT_FALSE(pattern::has_static_dim(3)(value));
  EXPECT_TRUE(pattern::has_static_dims({0, 2})(value));
  EXPECT_FALSE(pattern::has_static_dims({0, 1})(value));
  EXPECT_FALSE(pattern::has_static_shape()(value));
  EXPECT_TRUE(pattern::has_static_rank()(value));
  EXPECT_TRUE(pattern::rank_equals(3)(value));
  EXPECT_TRUE(pattern::rank_more_than(2)(value));
  EXPECT_FALSE(pattern::rank_more_than(3)(value));
  EXPECT_THROW(pattern::rank_more_than(ov::Dimension::dynamic()), ov::Exception);
  EXPECT_TRUE(pattern::type_matches(ov::element::f32)(value));
  EXPECT_FALSE(pattern::type_matches(ov::element::f16)(value));
  EXPECT_TRUE(pattern::type_matches_any({ov::element::i8, ov::element::f32})(value));
  EXPECT_TRUE(pattern::has_class<Relu>()(value));
  EXPECT_FALSE(pattern::class_other_than<Relu>()(value));
  EXPECT_TRUE(pattern::all_of({pattern::has_static_rank(), pattern::consumers_count(2)})(value));
  EXPECT_FALSE(pattern::all_of({pattern::has_static_rank(), pattern::consumers_count(1)})(value));
}

TEST(PredicateFactories, CombineWithNamesAndLambdas) {
  auto combined = pattern::consumers_count(1) && pattern::has_static_rank();
  EXPECT_EQ(combined.get_name(), "consumers_count(1) && has_static_rank");
  EXPECT_EQ((pattern::has_static_shape() || pattern::has_static_rank()).get_name(),
            "has_static_shape || has_static_rank");

  auto x = param({2});
  auto relu = std::make_shared<Relu>(x);
  auto consumer = std::make_shared<Relu>(relu);
  EXPECT_TRUE(combined(relu->output(0)));

  // Node and value lambdas both work; && short-circuits.
  int calls = 0;
  auto node_pred = ov::pass::pattern::op::Predicate(
      [&](const std::shared_ptr<ov::Node>& n) { return ++calls, ov::is_type<Relu>(n); });
  auto never = pattern::consumers_count(5) && node_pred;
  EXPECT_FALSE(never(relu->output(0)));
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE((pattern::consumers_count(1) && node_pred)(relu->output(0)));
  EXPECT_EQ(calls, 1);
  auto value_first = [](const ov::Output<ov::Node>& o) { return o.get_index() == 0; };
  EXPECT_TRUE((value_first && pattern::has_static_shape())(relu->output(0)));

  pattern::Matcher m(pattern::wrap_type<Relu>(node_pred), "lambda");
  EXPECT_TRUE(m.match(relu->output(0)));
  EXPECT_FALSE(m.match(x->output(0)));
}

TEST(OrMatch, FirstMatchingAlternativeWins) {
  auto x = param({2});
  auto relu = std::make_shared<Relu>(x);
  auto relu_alt = pattern::wrap_type<Relu>();
  auto add_alt = pattern::wrap_type<Add>();
  auto either = std::make_shared<pattern::op::Or>(ov::OutputVector{add_alt, relu_alt});
  pattern::Matcher m(either, "or");
  ASSERT_TRUE(m.match(relu->output(0)));
  const auto& map = m.get_pattern_value_map();
  EXPECT_EQ(map.at(either).get_node_shared_ptr(), relu);
  EXPECT_EQ(map.at(relu_alt).get_node_shared_ptr(), relu);
  EXPECT_EQ(map.count(add_alt), 0u);
}

TEST(OptionalMatch, PresentOrSkipped) {
  auto x = param({2});
  auto in = pattern::any_input();
  auto maybe_relu = pattern::optional<Relu>(in);
  auto root = pattern::wrap_type<Multiply>({maybe_relu, pattern::wrap_type<Constant>()});
  pattern::Matcher m(root, "optional");

  auto relu = std::make_shared<Relu>(x);
  auto with = std::make_shared<Multiply>(relu, scalar(2.0f));
  ASSERT_TRUE(m.match(with->output(0)));
  EXPECT_EQ(m.get_pattern_value_map().at(maybe_relu).get_node_shared_ptr(), relu);
  EXPECT_EQ(m.get_pattern_value_map().at(in).get_node_shared_ptr(), x);

  auto without = std::make_shared<Multiply>(x, scalar(2.0f));
  ASSERT_TRUE(m.match(without->output(0)));
  EXPECT_EQ(m.get_pattern_value_map().count(maybe_relu), 0u);
  EXPECT_EQ(m.get_pattern_value_map().at(in).get_node_shared_ptr(), x);

  // Without inputs an optional pattern is just the type check.
  pattern::Matcher bare(pattern::optional<Relu>(), "bare");
  EXPECT_TRUE(bare.match(relu->output(0)));
  EXPECT_FALSE(bare.match(without->output(0)));
}

TEST(ConcreteOpPattern, MatchesSameTypeWithArguments) {
  auto a = pattern::any_input();
  auto b = std::make_shared<pattern::op::Label>(ov::element::f32, ov::PartialShape{2});
  auto add_pattern = std::make_shared<Add>(a, b);
  pattern::Matcher m(add_pattern, "concrete");
  auto x = param({2});
  auto y = param({2});
  EXPECT_TRUE(m.match(std::make_shared<Add>(x, y)->output(0)));
  EXPECT_EQ(m.get_pattern_map().at(a), x);
  EXPECT_FALSE(m.match(std::make_shared<Multiply>(x, y)->output(0)));

  // Strict mode compares the element type and shape of a concrete pattern node.
  auto strict_pattern = std::make_shared<Relu>(param({3}));
  auto relu_pattern_input = pattern::any_input();
  pattern::Matcher strict(std::make_shared<Relu>(relu_pattern_input)->output(0), "strict", true);
  EXPECT_TRUE(strict.match(std::make_shared<Relu>(x)->output(0)));
  pattern::Matcher strict_shape(strict_pattern->output(0), "strict_shape", true);
  EXPECT_FALSE(strict_shape.match(std::make_shared<Relu>(x)->output(0)));
}

TEST(PatternNodes, CannotBeClonedAndDescribeThemselves) {
  auto wrap = pattern::wrap_type<Add, Multiply>();
  EXPECT_THROW(wrap->clone_with_new_inputs({}), ov::Exception);
  std::stringstream text;
  std::static_pointer_cast<pattern::op::WrapType>(wrap)->write_type_description(text);
  EXPECT_EQ(text.str(), "<opset1::Add, opset1::Multiply>");
  EXPECT_THROW(std::static_pointer_cast<pattern::op::WrapType>(wrap)->get_wrapped_type(),
               ov::Exception);
  EXPECT_EQ(wrap->get_output_element_type(0), ov::element::dynamic);
  EXPECT_TRUE(wrap->get_output_partial_shape(0).rank().is_dynamic());
}

}  // namespace
