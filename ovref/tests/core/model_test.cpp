#include "openvino/core/model.hpp"

#include <gtest/gtest.h>

#include <unordered_map>

#include "openvino/core/graph_util.hpp"
#include "openvino/op/constant.hpp"
#include "test_ops.hpp"

namespace {

using ov::op::v0::Constant;
using ov::op::v0::Parameter;
using ov::op::v0::Result;
using ovref_test::Sum;

std::unordered_map<ov::Node*, size_t> positions(const ov::NodeVector& ops) {
  std::unordered_map<ov::Node*, size_t> pos;
  for (size_t i = 0; i < ops.size(); ++i) pos[ops[i].get()] = i;
  return pos;
}

TEST(Model, OrderedOpsPutProducersFirstAndGetOpsConsumersFirst) {
  auto p0 = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{2});
  auto p1 = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{2});
  auto a = std::make_shared<Sum>(ov::OutputVector{p0, p1});
  auto b = std::make_shared<Sum>(ov::OutputVector{a, p1});
  auto c = std::make_shared<Sum>(ov::OutputVector{a, b});
  auto model = std::make_shared<ov::Model>(ov::OutputVector{c}, ov::ParameterVector{p0, p1});

  const auto ordered = model->get_ordered_ops();
  ASSERT_EQ(ordered.size(), 6u);
  auto pos = positions(ordered);
  for (const auto& node : ordered) {
    for (const auto& input : node->input_values()) {
      EXPECT_LT(pos.at(input.get_node()), pos.at(node.get()));
    }
  }
  EXPECT_EQ(ordered.back(), model->get_results()[0]);
  // Parameters are roots too, pushed after the results: the last one is emitted first.
  EXPECT_EQ(ordered[0], p1);
  EXPECT_EQ(ordered[1], p0);

  const auto ops = model->get_ops();
  ASSERT_EQ(ops.size(), 6u);
  // Roots are pushed results-then-parameters on a stack, so the last parameter comes first.
  EXPECT_EQ(ops[0], p1);
  EXPECT_EQ(ops[1], p0);
  auto ops_pos = positions(ops);
  EXPECT_LT(ops_pos.at(c.get()), ops_pos.at(b.get()));
  EXPECT_LT(ops_pos.at(model->get_results()[0].get()), ops_pos.at(c.get()));
}

TEST(Model, RejectsUndeclaredParametersCyclesAndDuplicates) {
  auto p0 = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{2});
  auto p1 = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{2});
  auto a = std::make_shared<Sum>(ov::OutputVector{p0, p1});
  try {
    ov::Model m(ov::OutputVector{a}, ov::ParameterVector{p0});
    FAIL();
  } catch (const ov::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Model references undeclared parameters"),
              std::string::npos);
  }
  ov::Model detected(ov::OutputVector{a});
  EXPECT_EQ(detected.get_parameters().size(), 2u);

  ov::Model m(ov::OutputVector{a}, ov::ParameterVector{p0, p1});
  EXPECT_THROW(m.add_parameters({p0}), ov::Exception);
  EXPECT_EQ(m.get_parameter_index(p1), 1);
  EXPECT_EQ(m.get_result_index(a->output(0)), 0);
  EXPECT_EQ(m.get_result_index(p0->output(0)), -1);

  // A -> B -> A
  auto x = std::make_shared<Sum>(ov::OutputVector{p0});
  auto y = std::make_shared<Sum>(ov::OutputVector{x});
  x->set_argument(0, y);
  x->set_friendly_name("x");
  try {
    ov::Model cyclic(ov::OutputVector{y}, ov::ParameterVector{p0});
    FAIL();
  } catch (const ov::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Loop detected during topological sort"),
              std::string::npos);
  }
  x->set_argument(0, p0);  // break the cycle so both nodes can be freed
}

TEST(Model, InputsOutputsByNameAndText) {
  auto p = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{2});
  p->output(0).set_names({"in"});
  auto a = std::make_shared<Sum>(ov::OutputVector{p});
  a->output(0).set_names({"out"});
  auto model = std::make_shared<ov::Model>(ov::OutputVector{a}, ov::ParameterVector{p}, "net");
  EXPECT_EQ(model->input("in").get_node(), p.get());
  EXPECT_EQ(model->output("out").get_node(), model->get_results()[0].get());
  EXPECT_THROW(model->input("nope"), ov::Exception);
  EXPECT_THROW(model->output("nope"), ov::Exception);
  EXPECT_EQ(model->get_friendly_name(), "net");
  EXPECT_EQ(model->get_name().rfind("Model", 0), 0u);
  std::stringstream ss;
  ss << *model;
  EXPECT_EQ(ss.str(), "Model(" + model->get_name() + ")");

  model->reshape(ov::PartialShape{5});
  EXPECT_EQ(model->get_output_partial_shape(0), (ov::PartialShape{5}));
}

TEST(Model, CloneSharesConstantBuffersAndKeepsNamesAndRtInfo) {
  auto p = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{3});
  auto w = Constant::create(ov::element::f32, ov::Shape{3}, {1.f, 2.f, 3.f});
  auto a = std::make_shared<Sum>(ov::OutputVector{p, w});
  a->set_friendly_name("a");
  a->output(0).set_names({"a_out"});
  a->get_rt_info()["k"] = 3;
  auto model = std::make_shared<ov::Model>(ov::OutputVector{a}, ov::ParameterVector{p}, "orig");
  model->get_rt_info()["meta"] = std::string("v");

  auto clone = model->clone();
  EXPECT_EQ(clone->get_friendly_name(), "orig");
  EXPECT_EQ(clone->get_rt_info().at("meta").as<std::string>(), "v");
  std::shared_ptr<Constant> cloned_w;
  for (const auto& op : clone->get_ops()) {
    if (auto c = ov::as_type_ptr<Constant>(op)) cloned_w = c;
    EXPECT_NE(op, a);
  }
  ASSERT_TRUE(cloned_w);
  EXPECT_NE(cloned_w, w);
  EXPECT_EQ(cloned_w->get_data_ptr(), w->get_data_ptr());
  auto cloned_a = clone->get_results()[0]->get_input_node_shared_ptr(0);
  EXPECT_EQ(cloned_a->get_friendly_name(), "a");
  EXPECT_EQ(cloned_a->get_rt_info().at("k").as<int>(), 3);
  EXPECT_EQ(cloned_a->output(0).get_names(), (std::unordered_set<std::string>{"a_out"}));
}

TEST(Model, EvaluatesNodesInTopologicalOrder) {
  auto p = std::make_shared<Parameter>(ov::element::f32, ov::PartialShape{-1});
  auto w = Constant::create(ov::element::f32, ov::Shape{2}, {10.f, 20.f});
  // A chain of a few hundred nodes; each adds the parameter again.
  ov::Output<ov::Node> x = std::make_shared<Sum>(ov::OutputVector{p, w});
  for (int i = 0; i < 300; ++i) x = std::make_shared<Sum>(ov::OutputVector{x, p});
  auto model = std::make_shared<ov::Model>(ov::OutputVector{x, w}, ov::ParameterVector{p});
  EXPECT_NO_THROW(model->validate_nodes_and_infer_types());
  EXPECT_EQ(model->get_ordered_ops().size(), 305u);

  std::vector<float> in{1.f, 2.f};
  ov::TensorVector outputs;
  ASSERT_TRUE(model->evaluate(outputs, {ov::Tensor(ov::element::f32, ov::Shape{2}, in.data())}));
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].get_shape(), (ov::Shape{2}));
  EXPECT_FLOAT_EQ(outputs[0].data<float>()[0], 10.f + 301.f * 1.f);
  EXPECT_FLOAT_EQ(outputs[0].data<float>()[1], 20.f + 301.f * 2.f);
  EXPECT_FLOAT_EQ(outputs[1].data<float>()[1], 20.f);

  // Caller-provided output tensors are written in place.
  ov::Tensor out0(ov::element::f32, ov::Shape{2});
  ov::TensorVector provided{out0, ov::Tensor()};
  ASSERT_TRUE(model->evaluate(provided, {ov::Tensor(ov::element::f32, ov::Shape{2}, in.data())}));
  EXPECT_FLOAT_EQ(out0.data<float>()[0], 311.f);

  EXPECT_THROW(model->evaluate(outputs, {}), ov::Exception);
  EXPECT_THROW(model->evaluate(outputs, {ov::Tensor(ov::element::i32, ov::Shape{2})}),
               ov::Exception);
  // An op that cannot evaluate the type reports failure rather than throwing.
  auto pi = std::make_shared<Parameter>(ov::element::i32, ov::PartialShape{2});
  auto bad = std::make_shared<ov::Model>(
      ov::OutputVector{std::make_shared<Sum>(ov::OutputVector{pi})}, ov::ParameterVector{pi});
  EXPECT_FALSE(bad->evaluate(outputs, {ov::Tensor(ov::element::i32, ov::Shape{2})}));
}

// Records where its input's data lives, then passes it through.
class Peek : public ov::op::Op {
 public:
  OPENVINO_OP("Peek", "ovref_test");
  explicit Peek(const ov::Output<ov::Node>& arg) : Op({arg}) {
    constructor_validate_and_infer_types();
  }
  void validate_and_infer_types() override {
    set_output_type(0, get_input_element_type(0), get_input_partial_shape(0));
  }
  std::shared_ptr<ov::Node> clone_with_new_inputs(const ov::OutputVector& args) const override {
    return std::make_shared<Peek>(args.at(0));
  }
  bool has_evaluate() const override { return true; }
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override {
    seen = inputs[0].data();
    inputs[0].copy_to(outputs[0]);
    return true;
  }
  mutable const void* seen = nullptr;
};

TEST(Model, EvaluationReadsConstantsInPlace) {
  auto w = Constant::create(ov::element::f32, ov::Shape{3}, {1.f, 2.f, 3.f});
  auto peek = std::make_shared<Peek>(w);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{peek}, ov::ParameterVector{});
  ov::TensorVector out;
  ASSERT_TRUE(model->evaluate(out, {}));
  EXPECT_EQ(peek->seen, w->get_data_ptr());
  EXPECT_EQ(out[0].data<float>()[2], 3.f);
  EXPECT_NE(out[0].data(), w->get_data_ptr());
}

}  // namespace
