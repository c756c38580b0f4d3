#pragma once

#include <memory>

#include "openvino/pass/pass.hpp"

namespace ov {
namespace pass {

// Gives every node that has none a FusedNames entry holding its own friendly name, so that
// later passes can be checked for carrying runtime info to the nodes they create.
class OPENVINO_API InitNodeInfo : public ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("InitNodeInfo");
  bool run_on_model(const std::shared_ptr<ov::Model>& m) override;
};

}  // namespace pass
}  // namespace ov
