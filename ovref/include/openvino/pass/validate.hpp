#pragma once

#include <memory>

#include "openvino/pass/pass.hpp"

namespace ov {
namespace pass {

// Re-runs shape and type inference over the whole model; throws when a node no longer
// validates. Never reports a change.
class OPENVINO_API Validate : public ModelPass {
 public:
  OPENVINO_RTTI("ov::pass::Validate", "0", ModelPass);
  Validate() : ModelPass() {}
  bool run_on_model(const std::shared_ptr<ov::Model>& f) override;
};

}  // namespace pass
}  // namespace ov
