#include "openvino/pass/manager.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common_test_utils/graph_comparator.hpp"
#include "common_test_utils/ov_test_utils.hpp"
#include "openvino/core/graph_util.hpp"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/subtract.hpp"
#include "openvino/pass/backward_graph_rewrite.hpp"
#include "openvino/pass/constant_folding.hpp"
#include "openvino/pass/graph_rewrite.hpp"
#include "openvino/pass/matcher_pass.hpp"
#include "openvino/pass/pattern/op/label.hpp"
#include "openvino/pass/pattern/op/wrap_type.hpp"
#include "pass_test_utils.hpp"
#include "transformations/init_node_info.hpp"
#include "transformations/rt_info/fused_names_attribute.hpp"

namespace {

using namespace ovref_pass_test;
namespace pattern = ov::pass::pattern;
using ov::op::v0::Constant;
using ov::op::v0::Relu;
using ov::op::v1::Add;
using ov::op::v1::Multiply;

// (x + a) * b  ->  x * b + a * b, the new Multiply and Add registered (or not) for revisiting.
class DistributeMultiply : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("DistributeMultiply");
  explicit DistributeMultiply(bool register_new_nodes = true) {
    auto x = pattern::any_input();
    auto a = pattern::wrap_type<Constant>();
    auto add = pattern::wrap_type<Add>({x, a}, pattern::consumers_count(1));
    auto b = pattern::wrap_type<Constant>();
    auto mul = pattern::wrap_type<Multiply>({add, b});
    ov::matcher_pass_callback callback = [=](pattern::Matcher& m) {
      const auto& map = m.get_pattern_value_map();
      auto root = m.get_match_root();
      if (transformation_callback(root)) return false;
      std::shared_ptr<Multiply> new_mul;
      std::shared_ptr<Add> new_add;
      auto folded = std::make_shared<Multiply>(map.at(a), map.at(b));
      if (register_new_nodes) {
        new_mul = register_new_node<Multiply>(map.at(x), map.at(b));
        new_add = register_new_node<Add>(new_mul, folded);
      } else {
        new_mul = std::make_shared<Multiply>(map.at(x), map.at(b));
        new_add = std::make_shared<Add>(new_mul, folded);
      }
      new_add->set_friendly_name(root->get_friendly_name());
      ov::copy_runtime_info(root, {new_mul, new_add, folded});
      ov::replace_node(root, new_add);
      return true;
    };
    register_matcher(std::make_shared<pattern::Matcher>(mul, "DistributeMultiply"), callback);
  }
};

// Collapses Relu(Relu(x)) into the inner Relu; optionally declines every match.
class CollapseRelu : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("CollapseRelu");
  explicit CollapseRelu(bool decline = false) {
    auto inner = pattern::wrap_type<Relu>();
    auto outer = pattern::wrap_type<Relu>({inner});
    register_matcher(std::make_shared<pattern::Matcher>(outer, "CollapseRelu"),
                     [=](pattern::Matcher& m) {
                       if (decline) return false;
                       auto root = m.get_match_root();
                       auto kept = m.get_pattern_value_map().at(inner);
                       return ov::replace_output_update_name(root->output(0), kept);
                     });
  }
};

// Records the friendly names of the nodes it is offered.
class RecordVisits : public ov::pass::MatcherPass {
 public:
  OPENVINO_MATCHER_PASS_RTTI("RecordVisits");
  explicit RecordVisits(std::vector<std::string>* visits) {
    register_matcher(std::make_shared<pattern::Matcher>(pattern::any_input(), "RecordVisits"),
                     [visits](pattern::Matcher& m) {
                       visits->push_back(m.get_match_root()->get_friendly_name());
                       return false;
                     });
  }
};

// Changes a parameter's shape so that its consumers no longer validate.
class BreakShapes : public ov::pass::ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("BreakShapes");
  explicit BreakShapes(bool report_change) : m_report_change(report_change) {}
  bool run_on_model(const std::shared_ptr<ov::Model>& m) override {
    m->get_parameters()[0]->set_partial_shape(ov::PartialShape{7, 5});
    return m_report_change;
  }

 private:
  bool m_report_change;
};

std::shared_ptr<ov::Model> relu_chain(size_t length) {
  auto x = param({2, 3});
  x->set_friendly_name("x");
  ov::Output<ov::Node> last = x;
  for (size_t i = 0; i < length; ++i) {
    auto relu = std::make_shared<Relu>(last);
    relu->set_friendly_name("relu" + std::to_string(i));
    last = relu;
  }
  return std::make_shared<ov::Model>(ov::OutputVector{last}, ov::ParameterVector{x});
}

TEST(PassRtti, MacrosGiveNameVersionAndParent) {
  DistributeMultiply pass;
  const auto& info = pass.get_type_info();
  EXPECT_STREQ(info.name, "DistributeMultiply");
  EXPECT_STREQ(info.version_id, "0");
  ASSERT_NE(info.parent, nullptr);
  EXPECT_STREQ(info.parent->name, "ov::pass::MatcherPass");
  EXPECT_STREQ(info.parent->version_id, "util");

  ov::pass::ConstantFolding folding;
  EXPECT_EQ(std::string(folding.get_type_info()), "ConstantFolding_0");
  EXPECT_STREQ(folding.get_type_info().parent->name, "ov::pass::ModelPass");
  EXPECT_EQ(std::string(ov::pass::Validate::get_type_info_static()), "ov::pass::Validate_0");
  EXPECT_EQ(std::string(ov::pass::GraphRewrite::get_type_info_static()),
            "ov::pass::GraphRewrite_0");

  // A matcher pass is named after its matcher; other passes after their C++ type.
  EXPECT_EQ(pass.get_name(), "DistributeMultiply");
  EXPECT_EQ(folding.get_name(), "ov::pass::ConstantFolding");
  folding.set_name("folding");
  EXPECT_EQ(folding.get_name(), "folding");
}

TEST(MatcherPassRun, RewritesEveryMatchAndReturnsChanged) {
  // Three independent (x + a) * b chains.
  auto x = param({4});
  ov::OutputVector outs;
  for (int i = 0; i < 3; ++i) {
    auto add = std::make_shared<Add>(x, scalar(1.0f + i));
    outs.push_back(std::make_shared<Multiply>(add, scalar(2.0f)));
  }
  auto model = std::make_shared<ov::Model>(outs, ov::ParameterVector{x});
  auto original = model->clone();

  ov::pass::Manager manager;
  auto registered = manager.register_pass<DistributeMultiply>();
  ASSERT_NE(registered, nullptr);
  EXPECT_TRUE(manager.run_passes(model));
  for (const auto& result : model->get_results()) {
    EXPECT_TRUE(ov::is_type<Add>(result->get_input_node_ptr(0)));
    EXPECT_TRUE(ov::is_type<Multiply>(result->get_input_node_ptr(0)->get_input_node_ptr(0)));
  }
  EXPECT_EQ(count_ops_of_type<Multiply>(model), 6u);  // x * b and a * b per chain
  const auto report = ov::test::utils::compare_model_outputs(model, original, 1e-6f, 1e-6f);
  EXPECT_TRUE(report.valid) << report.message;
}

// x -> Add(c0) -> Add(c1) -> Mul(c2). Rewriting the Multiply creates Mul(Add(x, c0), c2),
// which matches again; it is found only when the callback registers its new nodes.
std::shared_ptr<ov::Model> nested_add_mul(std::shared_ptr<ov::op::v0::Parameter>* x_out) {
  auto x = param({3});
  auto add0 = std::make_shared<Add>(x, scalar(1.0f));
  auto add1 = std::make_shared<Add>(add0, scalar(2.0f));
  auto mul = std::make_shared<Multiply>(add1, scalar(3.0f));
  mul->set_friendly_name("mul");
  if (x_out) *x_out = x;
  return std::make_shared<ov::Model>(ov::OutputVector{mul}, ov::ParameterVector{x});
}

TEST(MatcherPassRun, RegisteredNewNodesAreMatchedAgain) {
  auto model = nested_add_mul(nullptr);
  auto original = model->clone();
  ov::pass::Manager manager;
  manager.register_pass<DistributeMultiply>(true);
  EXPECT_TRUE(manager.run_passes(model));

  // Expected: ((x * 3) + 1 * 3) + 2 * 3.
  auto x = param({3});
  auto mul = std::make_shared<Multiply>(x, scalar(3.0f));
  auto add0 = std::make_shared<Add>(mul, std::make_shared<Multiply>(scalar(1.0f), scalar(3.0f)));
  auto add1 = std::make_shared<Add>(add0, std::make_shared<Multiply>(scalar(2.0f), scalar(3.0f)));
  auto reference = std::make_shared<ov::Model>(ov::OutputVector{add1}, ov::ParameterVector{x});
  auto comparator = FunctionsComparator::with_default();
  comparator.enable(FunctionsComparator::CONST_VALUES);
  const auto res = comparator(model, reference);
  EXPECT_TRUE(res.valid) << res.message;
  EXPECT_EQ(model->get_results()[0]->get_input_node_ptr(0)->get_friendly_name(), "mul");
  const auto report = ov::test::utils::compare_model_outputs(model, original, 1e-6f, 1e-6f);
  EXPECT_TRUE(report.valid) << report.message;
}

TEST(MatcherPassRun, UnregisteredNewNodesAreNotVisited) {
  auto model = nested_add_mul(nullptr);
  ov::pass::Manager manager;
  manager.register_pass<DistributeMultiply>(false);
  EXPECT_TRUE(manager.run_passes(model));

  // Only the original Multiply was rewritten: (Add(x, 1) * 3) + 2 * 3.
  auto x = param({3});
  auto add0 = std::make_shared<Add>(x, scalar(1.0f));
  auto mul = std::make_shared<Multiply>(add0, scalar(3.0f));
  auto add1 = std::make_shared<Add>(mul, std::make_shared<Multiply>(scalar(2.0f), scalar(3.0f)));
  auto reference = std::make_shared<ov::Model>(ov::OutputVector{add1}, ov::ParameterVector{x});
  auto comparator = FunctionsComparator::with_default();
  comparator.enable(FunctionsComparator::CONST_VALUES);
  const auto res = comparator(model, reference);
  EXPECT_TRUE(res.valid) << res.message;
}

TEST(MatcherPassRun, ConsumersCountRejectsSharedOutputs) {
  auto x = param({3});
  auto shared_add = std::make_shared<Add>(x, scalar(1.0f));
  auto mul_a = std::make_shared<Multiply>(shared_add, scalar(2.0f));
  auto relu = std::make_shared<Relu>(shared_add);  // second consumer of shared_add
  auto single_add = std::make_shared<Add>(x, scalar(4.0f));
  auto mul_b = std::make_shared<Multiply>(single_add, scalar(5.0f));
  auto model =
      std::make_shared<ov::Model>(ov::OutputVector{mul_a, relu, mul_b}, ov::ParameterVector{x});

  ov::pass::Manager manager;
  manager.register_pass<DistributeMultiply>();
  EXPECT_TRUE(manager.run_passes(model));
  // The Multiply over the shared Add is untouched; the other one was distributed.
  EXPECT_EQ(model->get_results()[0]->get_input_node_shared_ptr(0), mul_a);
  EXPECT_EQ(model->get_results()[1]->get_input_node_shared_ptr(0), relu);
  EXPECT_TRUE(ov::is_type<Add>(model->get_results()[2]->get_input_node_ptr(0)));
  EXPECT_NE(model->get_results()[2]->get_input_node_shared_ptr(0), single_add);
}

TEST(MatcherPassRun, TransformationCallbackSkipsNodes) {
  auto model = nested_add_mul(nullptr);
  ov::pass::Manager manager;
  manager.register_pass<DistributeMultiply>();
  manager.get_pass_config()->set_callback<DistributeMultiply>(
      [](const std::shared_ptr<const ov::Node>& node) {
        return node->get_friendly_name() == "mul";
      });
  EXPECT_FALSE(manager.run_passes(model));
  EXPECT_EQ(model->get_results()[0]->get_input_node_ptr(0)->get_friendly_name(), "mul");
  EXPECT_TRUE(ov::is_type<Multiply>(model->get_results()[0]->get_input_node_ptr(0)));
}

TEST(MatcherPassRun, CallbackExceptionNamesTheMatcher) {
  auto model = relu_chain(2);
  ov::pass::Manager manager;
  auto inner = pattern::wrap_type<Relu>();
  auto pass = std::make_shared<ov::pass::MatcherPass>(
      std::make_shared<pattern::Matcher>(pattern::wrap_type<Relu>({inner}), "Thrower"),
      [](pattern::Matcher&) -> bool { throw std::runtime_error("boom"); });
  manager.register_pass_instance(pass);
  try {
    manager.run_passes(model);
    FAIL() << "expected an exception";
  } catch (const ov::Exception& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("[MATCHER] Thrower"), std::string::npos) << what;
    EXPECT_NE(what.find("callback has thrown: boom"), std::string::npos) << what;
  }
}

class MatcherPassFixture : public TransformationTestsF {};

TEST_F(MatcherPassFixture, DecliningCallbackLeavesModelUnchanged) {
  model = relu_chain(3);
  manager.register_pass<CollapseRelu>(true);
  comparator.enable(FunctionsComparator::CONST_VALUES);
  comparator.enable(FunctionsComparator::ATTRIBUTES);
  comparator.enable(FunctionsComparator::NAMES);
}

TEST_F(MatcherPassFixture, CollapsesAChainInOneSweep) {
  model = relu_chain(4);
  manager.register_pass<CollapseRelu>();
  model_ref = relu_chain(1);
  // The last Relu's name moved to the kept one.
  model_ref->get_results()[0]->get_input_node_shared_ptr(0)->set_friendly_name("relu3");
  comparator.enable(FunctionsComparator::NAMES);
}

TEST(GraphRewriteRun, VisitsInTopologicalOrderAndBackwardInReverse) {
  auto model = relu_chain(3);
  std::vector<std::string> visits;
  ov::pass::Manager manager;
  manager.register_pass<RecordVisits>(&visits);
  EXPECT_FALSE(manager.run_passes(model));
  const std::vector<std::string> forward{"x", "relu0", "relu1", "relu2"};
  ASSERT_GE(visits.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(visits.begin(), visits.begin() + 4), forward);

  visits.clear();
  ov::pass::BackwardGraphRewrite backward(std::make_shared<RecordVisits>(&visits));
  backward.run_on_model(model);
  ASSERT_GE(visits.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(visits.end() - 4, visits.end()),
            std::vector<std::string>(forward.rbegin(), forward.rend()));
}

class Collapsers : public ov::pass::GraphRewrite {
 public:
  OPENVINO_GRAPH_REWRITE_RTTI("Collapsers");
  explicit Collapsers(std::vector<std::string>* visits) {
    add_matcher<CollapseRelu>();
    add_matcher<RecordVisits>(visits);
  }
};

TEST(GraphRewriteRun, FirstSuccessfulMatcherEndsWorkOnANode) {
  auto model = relu_chain(2);
  std::vector<std::string> visits;
  Collapsers rewrite(&visits);
  EXPECT_TRUE(rewrite.run_on_model(model));
  // relu1 was collapsed by the first matcher, so the second never saw it.
  EXPECT_EQ(std::count(visits.begin(), visits.end(), "relu1"), 0);
  EXPECT_EQ(std::count(visits.begin(), visits.end(), "relu0"), 1);
}

TEST(GraphRewriteRun, DisabledMatcherIsSkipped) {
  auto model = relu_chain(2);
  std::vector<std::string> visits;
  ov::pass::Manager manager;
  auto rewrite = manager.register_pass<Collapsers>(&visits);
  manager.get_pass_config()->disable<CollapseRelu>();
  EXPECT_FALSE(manager.run_passes(model));
  EXPECT_EQ(count_ops_of_type<Relu>(model), 2u);
  EXPECT_EQ(std::count(visits.begin(), visits.end(), "relu1"), 1);
}

TEST(ManagerRun, StaticShapePassesSkipDynamicModels) {
  auto run = [](const ov::PartialShape& shape) {
    auto x = param(shape);
    auto relu = std::make_shared<Relu>(std::make_shared<Relu>(x));
    auto model = std::make_shared<ov::Model>(ov::OutputVector{relu}, ov::ParameterVector{x});
    auto outer = pattern::wrap_type<Relu>({pattern::wrap_type<Relu>()});
    auto pass = std::make_shared<ov::pass::MatcherPass>(
        "StaticOnly", std::make_shared<pattern::Matcher>(outer, "StaticOnly"),
        [](const std::shared_ptr<ov::Node>& node) {
          // A raw handler does no matching of its own.
          if (!ov::is_type<Relu>(node->get_input_node_ptr(0))) return false;
          return ov::replace_output_update_name(node->output(0), node->input_value(0));
        },
        ov::pass::PassProperty::REQUIRE_STATIC_SHAPE);
    EXPECT_EQ(pass->get_name(), "StaticOnly");
    ov::pass::Manager manager;
    manager.register_pass_instance(pass);
    manager.run_passes(model);
    return count_ops_of_type<Relu>(model);
  };
  EXPECT_EQ(run({2, 3}), 1u);
  EXPECT_EQ(run({ov::Dimension::dynamic(), 3}), 2u);
}

TEST(ManagerRun, DisabledPassesRunOnlyWhenEnabled) {
  auto model = relu_chain(3);
  {
    ov::pass::Manager manager;
    manager.register_pass<CollapseRelu, false>();
    EXPECT_FALSE(manager.run_passes(model));
    EXPECT_EQ(count_ops_of_type<Relu>(model), 3u);
  }
  ov::pass::Manager manager;
  manager.get_pass_config()->enable<CollapseRelu>();
  manager.register_pass<CollapseRelu, false>();
  EXPECT_TRUE(manager.run_passes(model));
  EXPECT_EQ(count_ops_of_type<Relu>(model), 1u);
}

std::shared_ptr<ov::Model> add_of_params() {
  auto a = param({2, 3});
  auto b = param({2, 3});
  auto add = std::make_shared<Add>(a, b);
  return std::make_shared<ov::Model>(ov::OutputVector{add}, ov::ParameterVector{a, b});
}

TEST(ManagerRun, ValidatesAfterAPassThatChangedTheModel) {
  auto model = add_of_params();
  ov::pass::Manager manager;
  manager.register_pass<BreakShapes>(true);
  EXPECT_THROW(manager.run_passes(model), ov::NodeValidationFailure);
}

TEST(ManagerRun, NoValidationAfterAnUnchangedReportOrWhenSwitchedOff) {
  {
    // A pass reporting no change is not followed by validation.
    auto model = add_of_params();
    ov::pass::Manager manager;
    manager.register_pass<BreakShapes>(false);
    EXPECT_NO_THROW(EXPECT_FALSE(manager.run_passes(model)));
    EXPECT_THROW(model->validate_nodes_and_infer_types(), ov::NodeValidationFailure);
  }
  {
    auto model = add_of_params();
    ov::pass::Manager manager;
    manager.set_per_pass_validation(false);
    manager.register_pass<BreakShapes>(true);
    EXPECT_NO_THROW(EXPECT_TRUE(manager.run_passes(model)));
  }
  {
    // The switch affects only passes registered after it.
    auto model = add_of_params();
    ov::pass::Manager manager;
    manager.register_pass<BreakShapes>(true);
    manager.set_per_pass_validation(false);
    EXPECT_THROW(manager.run_passes(model), ov::NodeValidationFailure);
  }
}

TEST(ManagerRun, ValidateRecomputesStaleShapes) {
  // A rewrite leaves consumers' types stale; the Validate after the pass updates them.
  auto x = param({2, 3});
  auto relu = std::make_shared<Relu>(x);
  auto model = std::make_shared<ov::Model>(ov::OutputVector{relu}, ov::ParameterVector{x});
  class Widen : public ov::pass::ModelPass {
   public:
    OPENVINO_MODEL_PASS_RTTI("Widen");
    bool run_on_model(const std::shared_ptr<ov::Model>& m) override {
      m->get_parameters()[0]->set_partial_shape(ov::PartialShape{4, 3});
      return true;
    }
  };
  ov::pass::Manager manager;
  manager.register_pass<Widen>();
  EXPECT_TRUE(manager.run_passes(model));
  EXPECT_EQ(model->get_output_partial_shape(0), (ov::PartialShape{4, 3}));
}

TEST(FusedNamesInfo, FollowRewritesAndRevealMissingCopies) {
  auto model = nested_add_mul(nullptr);
  ov::pass::Manager manager;
  manager.register_pass<ov::pass::InitNodeInfo>();
  manager.register_pass<DistributeMultiply>();
  manager.register_pass<ov::pass::ConstantFolding>();
  manager.run_passes(model);
  EXPECT_NO_THROW(check_rt_info(model));
  auto root = model->get_results()[0]->get_input_node_shared_ptr(0);
  EXPECT_EQ(ov::getFusedNames(root), "mul");
  // The folded 2 * 3 merges the names of everything folded into it.
  auto folded = root->get_input_node_shared_ptr(1);
  ASSERT_TRUE(ov::is_type<Constant>(folded));
  const auto names = ov::getFusedNamesVector(folded);
  EXPECT_NE(std::find(names.begin(), names.end(), "mul"), names.end());
  EXPECT_GT(names.size(), 1u);

  // A node made without copy_runtime_info is reported.
  auto bare = std::make_shared<Relu>(root);
  bare->set_friendly_name("bare");
  model->get_results()[0]->input(0).replace_source_output(bare);
  try {
    check_rt_info(model);
    FAIL() << "expected an exception";
  } catch (const ov::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Node: bare has no attribute: fused_names_0"),
              std::string::npos)
        << e.what();
  }
}

TEST(PassConfigBehaviour, CallbacksAndDisabledSets) {
  ov::pass::PassConfig config;
  auto node = std::make_shared<Relu>(param({1}));
  EXPECT_FALSE(config.get_callback<CollapseRelu>()(node));
  config.set_callback([](const std::shared_ptr<const ov::Node>&) { return true; });
  EXPECT_TRUE(config.get_callback<CollapseRelu>()(node));
  config.set_callback<CollapseRelu, RecordVisits>(
      [](const std::shared_ptr<const ov::Node>&) { return false; });
  EXPECT_FALSE(config.get_callback<CollapseRelu>()(node));
  EXPECT_FALSE(config.get_callback<RecordVisits>()(node));
  EXPECT_TRUE(config.get_callback<DistributeMultiply>()(node));

  config.disable<CollapseRelu>();
  config.disable<RecordVisits>();
  ov::pass::PassConfig other;
  other.enable<RecordVisits>();
  other.add_disabled_passes(config);
  EXPECT_TRUE(other.is_disabled<CollapseRelu>());
  EXPECT_FALSE(other.is_disabled<RecordVisits>());
  EXPECT_TRUE(other.is_enabled<RecordVisits>());
}

}  // namespace
