// zorvel-ov: plays host for a real run of the Intel OpenVINO compiler plug-in.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/plugin_loader.h"

namespace zorvel::tools {
namespace {

constexpr const char kUsage[] =
    "usage: zorvel-ov [--plugin PATH] COMMAND\n"
    "\n"
    "commands:\n"
    "  info    load the plug-in and print what its table reports\n"
    "\n"
    "--plugin PATH   the plug-in library (default: the one built beside this tool)\n";

int Info(const PluginLibrary& plugin) {
  const PluginApiTable& table = plugin.table();
  ZorvelApiVersion version{};
  if (table.get_api_version(&version) != kZorvelStatusOk) {
    std::fprintf(stderr, "zorvel-ov: the plug-in did not report its API version\n");
    return 1;
  }
  ZorvelCompilerPlugin handle = nullptr;
  if (table.create_plugin(nullptr, &handle, nullptr, nullptr) != kZorvelStatusOk ||
      handle == nullptr) {
    std::fprintf(stderr, "zorvel-ov: the plug-in could not be created\n");
    return 1;
  }
  int32_t hardware = 0;
  uint64_t num_soc_models = 0;
  const char* runtime = nullptr;
  const bool ok = table.get_supported_hardware(handle, &hardware) == kZorvelStatusOk &&
                  table.get_num_soc_models(handle, &num_soc_models) == kZorvelStatusOk &&
                  table.get_runtime_version(handle, &runtime) == kZorvelStatusOk;
  std::vector<std::string> soc_models;
  for (uint64_t i = 0; ok && i < num_soc_models; ++i) {
    const char* name = nullptr;
    if (table.get_soc_model(handle, i, &name) == kZorvelStatusOk && name != nullptr) {
      soc_models.emplace_back(name);
    }
  }
  table.destroy_plugin(handle);
  if (!ok) {
    std::fprintf(stderr, "zorvel-ov: the plug-in did not answer its information entries\n");
    return 1;
  }

  std::printf("plug-in:       %s\n", plugin.path().c_str());
  std::printf("API version:   %d.%d.%d\n", version.major, version.minor, version.patch);
  std::printf("manufacturer:  %s\n", table.get_soc_manufacturer());
  std::printf("hardware:      %d\n", hardware);
  std::printf("SoC models:   ");
  for (const std::string& name : soc_models) std::printf(" %s", name.c_str());
  std::printf("\n");
  std::printf("runtime:       %s\n", runtime);
  return 0;
}

int Main(int argc, char** argv) {
  std::string plugin_path = DefaultPluginPath();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plugin") == 0) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zorvel-ov: --plugin needs a path\n%s", kUsage);
        return 2;
      }
      plugin_path = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%s", kUsage);
      return 0;
    } else {
      args.emplace_back(argv[i]);
    }
  }
  if (args.empty()) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  const std::string& command = args[0];
  if (command != "info") {
    std::fprintf(stderr, "zorvel-ov: unknown command '%s'\n%s", command.c_str(), kUsage);
    return 2;
  }
  PluginLibrary plugin;
  std::string error;
  if (!plugin.Load(plugin_path, &error)) {
    std::fprintf(stderr, "zorvel-ov: %s\n", error.c_str());
    return 1;
  }
  return Info(plugin);
}

}  // namespace
}  // namespace zorvel::tools

int main(int argc, char** argv) { return zorvel::tools::Main(argc, argv); }
