#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_

// The plug-in as a host loads it, for tests: dlopen of the built library, the one exported
// function, and the table it hands out.
#include <dlfcn.h>

#include "gtest/gtest.h"
#include "zorvel/c/zorvel_plugin_api.h"

namespace zorvel::testing {

class LoadedPlugin {
 public:
  LoadedPlugin() {
    handle_ = dlopen(ZORVEL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return;
    query_ = reinterpret_cast<ZorvelCompilerPluginQueryInterfaceFn>(
        dlsym(handle_, ZORVEL_COMPILER_PLUGIN_QUERY_INTERFACE_SYMBOL));
    const ZorvelInterfaceRequest request{1};
    if (query_ != nullptr && query_(0, &request, &table_) != kZorvelStatusOk) table_ = nullptr;
  }
  ~LoadedPlugin() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  ZorvelCompilerPluginQueryInterfaceFn query() const { return query_; }
  const PluginApiTable* table() const { return table_; }

 private:
  void* handle_ = nullptr;
  ZorvelCompilerPluginQueryInterfaceFn query_ = nullptr;
  const PluginApiTable* table_ = nullptr;
};

// Fixture with the loaded table in `table_`.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(plugin_.query(), nullptr) << dlerror();
    ASSERT_NE(plugin_.table(), nullptr);
    table_ = plugin_.table();
  }
  LoadedPlugin plugin_;
  const PluginApiTable* table_ = nullptr;
};

}  // namespace zorvel::testing

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_
