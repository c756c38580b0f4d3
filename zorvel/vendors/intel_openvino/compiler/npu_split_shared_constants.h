#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_SPLIT_SHARED_CONSTANTS_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_SPLIT_SHARED_CONSTANTS_H_

#include <memory>

#include "openvino/core/model.hpp"
#include "openvino/pass/pass.hpp"

namespace zorvel::openvino {

// Gives every consumer of a shared constant of exactly 256 or 512 elements its own copy: the
// first consumer in target-input order keeps the constant, consumer j reads a clone named
// "<name>_split<j>" with the constant's bytes and runtime info. Other constants are left alone.
class SplitSharedConstants : public ov::pass::ModelPass {
 public:
  OPENVINO_RTTI("SplitSharedConstants", "util");

  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_NPU_SPLIT_SHARED_CONSTANTS_H_
