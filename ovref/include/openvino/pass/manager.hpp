#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "openvino/pass/pass.hpp"
#include "openvino/pass/validate.hpp"

namespace ov {
namespace pass {

// Runs passes in registration order. With per-pass validation on (the default), each pass
// registered is followed by a Validate that runs when the pass reports a change.
class OPENVINO_API Manager {
 public:
  Manager();
  virtual ~Manager();
  explicit Manager(std::string name);
  explicit Manager(std::shared_ptr<PassConfig> pass_config, std::string name = "UnnamedManager");
  explicit Manager(const PassConfig& pass_config, std::string name = "UnnamedManager");

  template <typename T, bool Enable = true, class... Args>
  std::shared_ptr<T> register_pass(Args&&... args) {
    auto rc = push_pass<T>(std::forward<Args>(args)...);
    rc->set_pass_config(m_pass_config);
    if (m_per_pass_validation) push_pass<Validate>();
    if (!Enable && !m_pass_config->is_enabled<T>()) m_pass_config->disable<T>();
    return rc;
  }

  std::shared_ptr<PassBase> register_pass_instance(std::shared_ptr<PassBase> pass);

  // True when any pass reported a change.
  bool run_passes(const std::shared_ptr<Model>& model);

  // Affects only the passes registered after the call.
  void set_per_pass_validation(bool new_state) { m_per_pass_validation = new_state; }

  std::shared_ptr<PassConfig> get_pass_config() { return m_pass_config; }

 protected:
  template <typename T, class... Args>
  std::shared_ptr<T> push_pass(Args&&... args) {
    static_assert(std::is_base_of<pass::PassBase, T>::value, "pass not derived from pass base");
    auto pass = std::make_shared<T>(std::forward<Args>(args)...);
    auto pass_base = std::static_pointer_cast<PassBase>(pass);
    m_pass_list.push_back(pass_base);
    return pass;
  }

  std::shared_ptr<PassConfig> m_pass_config;
  std::vector<std::shared_ptr<PassBase>> m_pass_list;
  bool m_per_pass_validation = true;
  std::string m_name = "UnnamedManager";

 private:
  bool run_pass(const std::shared_ptr<PassBase>& pass, const std::shared_ptr<Model>& model,
                bool needs_validate);
};

}  // namespace pass
}  // namespace ov
