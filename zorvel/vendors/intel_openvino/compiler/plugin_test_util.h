#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_

// The plug-in as a host loads it, for tests: dlopen of the built library, the one exported
// function, the table it hands out, and a fixture that compiles stand-in host models through it.
#include <dlfcn.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"

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

// Fixture that creates the plug-in over the stand-in host and compiles `model_` through the table,
// keeping the result and the plug-in's log of the call.
class PluginCompileTest : public PluginTest {
 protected:
  void TearDown() override { Release(); }

  // Destroys the result and the plug-in of an earlier call.
  void Release() {
    if (result_ != nullptr) table_->destroy_compiled_result(result_);
    if (plugin_ != nullptr) table_->destroy_plugin(plugin_);
    result_ = nullptr;
    plugin_ = nullptr;
  }

  // Creates the plug-in with the vendor payload `payload` (no options at all when null).
  void CreatePlugin(const char* payload) {
    options_.emplace();
    if (payload != nullptr) options_->SetOpaque("intel_openvino", payload);
    ASSERT_EQ(table_->create_plugin(api_.table(), &plugin_, nullptr,
                                    payload == nullptr ? nullptr : api_.Handle(*options_)),
              kZorvelStatusOk);
  }

  // Compiles `model_` for `soc_model`, with the plug-in's standard error in `log_`.
  ZorvelStatus CompileModel(const char* soc_model) {
    ::testing::internal::CaptureStderr();
    const ZorvelStatus status = table_->compile(plugin_, soc_model, api_.Handle(model_), &result_);
    log_ = ::testing::internal::GetCapturedStderr();
    return status;
  }

  uint64_t NumModules() {
    uint64_t n = 0;
    EXPECT_EQ(table_->get_compiled_result_num_byte_code_modules(result_, &n), kZorvelStatusOk);
    return n;
  }
  uint64_t NumCalls() {
    uint64_t n = 0;
    EXPECT_EQ(table_->get_compiled_result_num_calls(result_, &n), kZorvelStatusOk);
    return n;
  }
  std::string Module(uint64_t i) {
    const void* data = nullptr;
    uint64_t size = 0;
    EXPECT_EQ(table_->get_compiled_result_byte_code(result_, i, &data, &size), kZorvelStatusOk);
    return std::string(static_cast<const char*>(data), size);
  }
  // The call's name and the index of its module.
  std::pair<std::string, uint64_t> Call(uint64_t i) {
    const void* info = nullptr;
    uint64_t size = 0;
    uint64_t module = 99;
    EXPECT_EQ(table_->get_compiled_result_call_info(result_, i, &info, &size, &module),
              kZorvelStatusOk);
    return {std::string(static_cast<const char*>(info), size), module};
  }
  // How often `text` occurs in the log of the last call.
  size_t Count(const std::string& text) const {
    size_t n = 0;
    for (size_t at = log_.find(text); at != std::string::npos; at = log_.find(text, at + 1)) ++n;
    return n;
  }

  host::HostApi api_;
  host::HostModel model_;
  std::optional<host::HostOptions> options_;  // fresh for every plug-in created
  ZorvelCompilerPlugin plugin_ = nullptr;
  ZorvelCompiledResult result_ = nullptr;
  std::string log_;
};

}  // namespace zorvel::testing

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PLUGIN_TEST_UTIL_H_
