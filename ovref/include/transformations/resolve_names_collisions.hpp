#pragma once

#include "openvino/core/core_visibility.hpp"
#include "openvino/pass/pass.hpp"

namespace ov {
namespace pass {

// Makes friendly names unique. By default only nodes whose friendly name is still their
// generated name are renamed; with `resolve_all_names` every node that repeats an earlier node's
// friendly name is. A renamed node gets "<name>_<k>" with the smallest k >= 2 not in use.
// Parameters and Results keep their names.
class OPENVINO_API ResolveNameCollisions : public ModelPass {
 public:
  OPENVINO_MODEL_PASS_RTTI("ResolveNameCollisions");
  ResolveNameCollisions() = default;
  explicit ResolveNameCollisions(bool resolve_all_names) : m_resolve_all_names(resolve_all_names) {}
  bool run_on_model(const std::shared_ptr<ov::Model>& model) override;

 private:
  bool m_resolve_all_names = false;
};

}  // namespace pass
}  // namespace ov
