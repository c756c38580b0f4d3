#include "common_test_utils/ov_test_utils.hpp"

#include <map>
#include <set>
#include <unordered_set>

#include "transformations/init_node_info.hpp"

namespace ov {
namespace test {
namespace utils {

std::string find_duplicate_names(const std::shared_ptr<ov::Model>& model) {
  std::unordered_set<std::string> friendly_names;
  std::unordered_set<std::string> tensor_names;
  for (const auto& node : model->get_ordered_ops()) {
    if (!friendly_names.insert(node->get_friendly_name()).second) {
      return std::string("Node: ") + node->get_type_info().name + " with name " +
             node->get_friendly_name() + " has non unique friendly name.";
    }
    // A Result shows its producer's names; they are counted at the producer.
    if (ov::is_type<ov::op::v0::Result>(node)) continue;
    for (const auto& output : node->outputs()) {
      for (const auto& tensor_name : output.get_names()) {
        if (!tensor_names.insert(tensor_name).second) {
          return std::string("Node: ") + node->get_type_info().name + " with name " +
                 node->get_friendly_name() + " has non unique tensor name.";
        }
      }
    }
  }
  return {};
}

}  // namespace utils
}  // namespace test
}  // namespace ov

namespace {

struct ResultNames {
  std::unordered_set<std::string> tensor_names;
  std::string producer_name;
};

std::vector<ResultNames> record_result_names(const std::shared_ptr<ov::Model>& model) {
  std::vector<ResultNames> names;
  for (const auto& result : model->get_results()) {
    const auto value = result->input_value(0);
    names.push_back({value.get_names(), value.get_node()->get_friendly_name()});
  }
  return names;
}

}  // namespace

TransformationTestsF::TransformationTestsF() : comparator(FunctionsComparator::no_default()) {
  comparator.enable(FunctionsComparator::CmpValues::NODES);
  comparator.enable(FunctionsComparator::CmpValues::PRECISIONS);
  comparator.enable(FunctionsComparator::CmpValues::RUNTIME_KEYS);
  comparator.enable(FunctionsComparator::CmpValues::SUBGRAPH_DESCRIPTORS);
}

void TransformationTestsF::SetUp() { manager.register_pass<ov::pass::InitNodeInfo>(); }

void TransformationTestsF::TearDown() {
  if (IsSkipped()) return;
  ASSERT_TRUE(model != nullptr) << "Test Model is not initialized.";

  std::shared_ptr<ov::Model> original;
  if (!model_ref) model_ref = model->clone();
  if (comparator.should_compare(FunctionsComparator::CmpValues::ACCURACY)) {
    original = model->clone();
  }
  const auto result_names = record_result_names(model);

  manager.run_passes(model);

  const auto duplicate = ov::test::utils::find_duplicate_names(model);
  ASSERT_TRUE(duplicate.empty()) << duplicate;
  const auto& results = model->get_results();
  ASSERT_EQ(results.size(), result_names.size()) << "The passes changed the number of results";
  for (size_t i = 0; i < results.size(); ++i) {
    const auto value = results[i]->input_value(0);
    for (const auto& tensor_name : result_names[i].tensor_names) {
      ASSERT_TRUE(value.get_names().count(tensor_name))
          << "Tensor name: " << tensor_name << " is missing in "
          << value.get_node()->get_type_info().name << " output(" << value.get_index() << ")";
    }
    if (!m_result_friendly_names_check) continue;
    const auto& now = value.get_node()->get_friendly_name();
    const auto& before = result_names[i].producer_name;
    if (m_soft_names_comparison) {
      ASSERT_NE(now.find(before), std::string::npos)
          << "Output node names mismatch: " << now << " and " << before << " (reference)";
    } else {
      ASSERT_EQ(now, before) << "Output node names are different: " << now << " and " << before
                             << " (reference)";
    }
  }

  if (m_rt_info_check) {
    try {
      check_rt_info(model);
    } catch (const std::exception& e) {
      FAIL() << e.what();
    }
  }

  if (original) {
    const auto report =
        ov::test::utils::compare_model_outputs(model, original, m_abs_threshold, m_rel_threshold);
    ASSERT_TRUE(report.valid) << report.message;
    comparator.disable(FunctionsComparator::CmpValues::ACCURACY);
  }
  const auto res = comparator.compare(model, model_ref);
  ASSERT_TRUE(res.valid) << res.message;
}
