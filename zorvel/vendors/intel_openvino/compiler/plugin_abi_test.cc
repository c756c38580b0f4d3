// The plug-in seen from outside, as a host sees it: loaded with dlopen, one exported function,
// the table's bytes, every slot driven, null arguments included.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "openvino/core/version.hpp"
#include "zorvel/c/zorvel_plugin_api.h"
#include "zorvel/vendors/intel_openvino/compiler/openvino_compiler_plugin.h"
#include "zorvel/vendors/intel_openvino/compiler/plugin_test_util.h"

namespace {

using ::testing::HasSubstr;

using PluginAbiTest = ::zorvel::testing::PluginTest;

std::vector<std::string> DefinedDynamicSymbols(const char* path) {
  std::vector<std::string> symbols;
  const std::string command = std::string("nm -D --defined-only '") + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return symbols;
  char line[4096];
  while (fgets(line, sizeof(line), pipe.get()) != nullptr) {
    // "<address> <type> <name>"
    char address[64], type[8], name[3000];
    if (sscanf(line, "%63s %7s %2999s", address, type, name) == 3) symbols.emplace_back(name);
  }
  return symbols;
}

TEST(PluginLibrary, ExportsExactlyTheQueryFunction) {
  const std::vector<std::string> symbols = DefinedDynamicSymbols(ZORVEL_PLUGIN_PATH);
  std::vector<std::string> own;
  for (const std::string& s : symbols) {
    // Symbol-version nodes and the linker's own markers are not the library's own symbols.
    if (s.find('@') != std::string::npos || s.rfind("_", 0) == 0 || s == "VERS_1") continue;
    own.push_back(s);
  }
  EXPECT_THAT(own, ::testing::ElementsAre("ZorvelCompilerPluginQueryInterface"));
}

TEST_F(PluginAbiTest, QueryChecksItsArgumentsInOrder) {
  auto query = plugin_.query();
  const ZorvelInterfaceRequest good{1};
  const ZorvelInterfaceRequest zero{0};
  const ZorvelInterfaceRequest negative{-3};
  EXPECT_EQ(query(0, &good, nullptr), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(query(1, nullptr, nullptr), kZorvelStatusErrorInvalidArgument);

  const PluginApiTable* untouched = reinterpret_cast<const PluginApiTable*>(0x1234);
  const PluginApiTable* out = untouched;
  EXPECT_EQ(query(1, &good, &out), kZorvelStatusErrorUnsupported);
  EXPECT_EQ(out, untouched);
  EXPECT_EQ(query(0, &zero, &out), kZorvelStatusErrorUnsupported);
  EXPECT_EQ(query(0, &negative, &out), kZorvelStatusErrorUnsupported);
  EXPECT_EQ(out, untouched);
  // A null request record is refused instead of read.
  EXPECT_EQ(query(0, nullptr, &out), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(out, untouched);

  EXPECT_EQ(query(0, &good, &out), kZorvelStatusOk);
  EXPECT_EQ(out, table_);
}

TEST_F(PluginAbiTest, TableBytes) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(table_);
  const unsigned char header[8] = {0x98, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(bytes, header, sizeof(header)), 0);
  for (int slot = 0; slot < 18; ++slot) {
    void* entry;
    std::memcpy(&entry, bytes + 8 + 8 * slot, sizeof(entry));
    if (slot == 16) {
      EXPECT_EQ(entry, nullptr) << "slot " << slot;
    } else {
      EXPECT_NE(entry, nullptr) << "slot " << slot;
    }
  }
}

TEST_F(PluginAbiTest, VersionManufacturerHardwareAndSocModels) {
  ZorvelApiVersion version{-1, -1, -1};
  EXPECT_EQ(table_->get_api_version(nullptr), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(table_->get_api_version(&version), kZorvelStatusOk);
  EXPECT_EQ(version.major, 0);
  EXPECT_EQ(version.minor, 1);
  EXPECT_EQ(version.patch, 0);
  EXPECT_STREQ(table_->get_soc_manufacturer(), "IntelOpenVINO");

  ZorvelCompilerPlugin plugin = nullptr;
  ASSERT_EQ(table_->create_plugin(nullptr, &plugin, nullptr, nullptr), kZorvelStatusOk);
  ASSERT_NE(plugin, nullptr);

  int32_t hardware = 0;
  EXPECT_EQ(table_->get_supported_hardware(nullptr, &hardware), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_supported_hardware(plugin, nullptr), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(table_->get_supported_hardware(plugin, &hardware), kZorvelStatusOk);
  EXPECT_EQ(hardware, 4);

  uint64_t count = 0;
  EXPECT_EQ(table_->get_num_soc_models(nullptr, &count), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_num_soc_models(plugin, nullptr), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(table_->get_num_soc_models(plugin, &count), kZorvelStatusOk);
  ASSERT_EQ(count, 3u);
  const char* expected[] = {"WCL", "LNL", "PTL"};
  for (uint64_t i = 0; i < count; ++i) {
    const char* name = nullptr;
    ASSERT_EQ(table_->get_soc_model(plugin, i, &name), kZorvelStatusOk);
    EXPECT_STREQ(name, expected[i]);
  }
  const char* name = "untouched";
  EXPECT_EQ(table_->get_soc_model(plugin, 3, &name), kZorvelStatusErrorInvalidArgument);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(table_->get_soc_model(nullptr, 0, &name), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_soc_model(plugin, 0, nullptr), kZorvelStatusErrorInvalidArgument);

  table_->destroy_plugin(plugin);
  table_->destroy_plugin(nullptr);
}

TEST_F(PluginAbiTest, RuntimeVersionTextIsBuiltOnce) {
  ZorvelCompilerPlugin plugin = nullptr;
  ASSERT_EQ(table_->create_plugin(nullptr, &plugin, nullptr, nullptr), kZorvelStatusOk);
  const char* first = nullptr;
  const char* second = nullptr;
  EXPECT_EQ(table_->get_runtime_version(nullptr, &first), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_runtime_version(plugin, nullptr), kZorvelStatusErrorInvalidArgument);
  ASSERT_EQ(table_->get_runtime_version(plugin, &first), kZorvelStatusOk);
  ASSERT_EQ(table_->get_runtime_version(plugin, &second), kZorvelStatusOk);
  EXPECT_EQ(first, second);
  const ov::Version version = ov::get_openvino_version();
  EXPECT_EQ(std::string(first),
            std::string("OpenVINO ") + version.buildNumber + " (" + version.description + ")");
  table_->destroy_plugin(plugin);
}

TEST_F(PluginAbiTest, ZeroCountAndNoOp) {
  ZorvelCompilerPlugin plugin = nullptr;
  ASSERT_EQ(table_->create_plugin(nullptr, &plugin, nullptr, nullptr), kZorvelStatusOk);
  uint64_t count = 77;
  int untouched = 5;
  EXPECT_EQ(table_->get_zero_count(plugin, &untouched, &count), kZorvelStatusOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(untouched, 5);
  EXPECT_EQ(table_->get_zero_count(plugin, nullptr, nullptr), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->no_op(plugin, &untouched, &untouched), kZorvelStatusOk);
  EXPECT_EQ(table_->no_op(nullptr, nullptr, nullptr), kZorvelStatusOk);
  EXPECT_EQ(untouched, 5);
  table_->destroy_plugin(plugin);
}

TEST_F(PluginAbiTest, CompileRefusesNullArgumentsAndAModelItCannotRead) {
  ZorvelCompilerPlugin plugin = nullptr;
  ASSERT_EQ(table_->create_plugin(nullptr, &plugin, nullptr, nullptr), kZorvelStatusOk);
  ZorvelCompiledResult result = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(table_->compile(nullptr, "LNL", nullptr, &result), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->compile(plugin, "LNL", nullptr, nullptr), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(result, nullptr);
  // Without a host table the model cannot be read: an empty result would pass for success.
  testing::internal::CaptureStderr();
  EXPECT_EQ(table_->compile(plugin, "LNL", nullptr, &result), kZorvelStatusErrorCompilation);
  EXPECT_THAT(testing::internal::GetCapturedStderr(),
              HasSubstr("Host API entry 1 (get_num_model_subgraphs) is missing"));
  EXPECT_EQ(result, nullptr);
  table_->destroy_plugin(plugin);
}

// Results are built by compile; the accessors are tested on results made here with the same
// record the plug-in hands out (the test links the plug-in's objects).
TEST_F(PluginAbiTest, CompiledResultAccessors) {
  auto* shared = new ZorvelCompiledResultT{{"container"}, {"Partition_0", "Partition_1", "P_2"}};
  uint64_t n = 0;
  ASSERT_EQ(table_->get_compiled_result_num_byte_code_modules(shared, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 1u);
  ASSERT_EQ(table_->get_compiled_result_num_calls(shared, &n), kZorvelStatusOk);
  EXPECT_EQ(n, 3u);
  for (uint64_t call = 0; call < 3; ++call) {
    const void* info = nullptr;
    uint64_t size = 0, module = 99;
    ASSERT_EQ(table_->get_compiled_result_call_info(shared, call, &info, &size, &module),
              kZorvelStatusOk);
    EXPECT_EQ(std::string(static_cast<const char*>(info), size), shared->call_names[call]);
    EXPECT_EQ(module, 0u);
  }
  const void* info = nullptr;
  uint64_t size = 0, module = 0;
  EXPECT_EQ(table_->get_compiled_result_call_info(shared, 3, &info, &size, &module),
            kZorvelStatusErrorIndexOutOfRange);
  table_->destroy_compiled_result(shared);

  auto* per_partition = new ZorvelCompiledResultT{{"m0", "m1x", "m2xx"}, {"a", "b", "c"}};
  for (uint64_t call = 0; call < 3; ++call) {
    ASSERT_EQ(table_->get_compiled_result_call_info(per_partition, call, &info, &size, &module),
              kZorvelStatusOk);
    EXPECT_EQ(module, call);
    const void* code = nullptr;
    uint64_t code_size = 0;
    ASSERT_EQ(table_->get_compiled_result_byte_code(per_partition, module, &code, &code_size),
              kZorvelStatusOk);
    EXPECT_EQ(std::string(static_cast<const char*>(code), code_size),
              per_partition->byte_code[module]);
  }
  // Null arguments and an index past the end are refused, not dereferenced.
  const void* code = nullptr;
  uint64_t code_size = 0;
  EXPECT_EQ(table_->get_compiled_result_byte_code(per_partition, 3, &code, &code_size),
            kZorvelStatusErrorIndexOutOfRange);
  EXPECT_EQ(table_->get_compiled_result_byte_code(nullptr, 0, &code, &code_size),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_byte_code(per_partition, 0, nullptr, &code_size),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_num_calls(nullptr, &n), kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_num_calls(per_partition, nullptr),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_num_byte_code_modules(nullptr, &n),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_num_byte_code_modules(per_partition, nullptr),
            kZorvelStatusErrorInvalidArgument);
  EXPECT_EQ(table_->get_compiled_result_call_info(nullptr, 0, &info, &size, &module),
            kZorvelStatusErrorInvalidArgument);
  table_->destroy_compiled_result(per_partition);
  table_->destroy_compiled_result(nullptr);
}

}  // namespace
