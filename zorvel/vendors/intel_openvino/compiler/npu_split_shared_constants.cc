#include "zorvel/vendors/intel_openvino/compiler/npu_split_shared_constants.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "logging/zorvel_logging.h"
#include "openvino/core/rt_info.hpp"
#include "openvino/op/constant.hpp"

namespace zorvel::openvino {

bool SplitSharedConstants::run_on_model(const std::shared_ptr<ov::Model>& model) {
  size_t split = 0;
  for (const std::shared_ptr<ov::Node>& node : model->get_ops()) {
    const auto constant = ov::as_type_ptr<ov::op::v0::Constant>(node);
    if (constant == nullptr) continue;
    const size_t elements = ov::shape_size(constant->get_shape());
    if (elements != 512 && elements != 256) continue;
    // The set is ordered by consumer node and input index; the first consumer keeps the original.
    const std::set<ov::Input<ov::Node>> targets = constant->output(0).get_target_inputs();
    if (targets.size() < 2) continue;
    const std::vector<ov::Input<ov::Node>> consumers(targets.begin(), targets.end());
    for (size_t j = 1; j < consumers.size(); ++j) {
      auto clone = std::make_shared<ov::op::v0::Constant>(
          constant->get_element_type(), constant->get_shape(), constant->get_data_ptr());
      clone->set_friendly_name(constant->get_friendly_name() + "_split" + std::to_string(j));
      ov::copy_runtime_info(constant, clone);
      ov::Input<ov::Node> consumer = consumers[j];
      consumer.replace_source_output(clone->output(0));
      ZORVEL_LOG_DEBUG("SplitSharedConstants: created clone %s for consumer %zu",
                       clone->get_friendly_name().c_str(), j);
    }
    ++split;
  }
  ZORVEL_LOG_INFO("SplitSharedConstants: split %zu shared constant(s) into independent copies",
                  split);
  return split != 0;
}

}  // namespace zorvel::openvino
