#include "tools/plugin_loader.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "absl/strings/str_cat.h"

namespace zorvel::tools {

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool PluginLibrary::Load(const std::string& path, std::string* error) {
  path_ = path;
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    *error = absl::StrCat("cannot load the plug-in: ", dlerror());
    return false;
  }
  auto query = reinterpret_cast<ZorvelCompilerPluginQueryInterfaceFn>(
      dlsym(handle_, ZORVEL_COMPILER_PLUGIN_QUERY_INTERFACE_SYMBOL));
  if (query == nullptr) {
    *error = absl::StrCat(path, " does not export ", ZORVEL_COMPILER_PLUGIN_QUERY_INTERFACE_SYMBOL);
    return false;
  }
  const ZorvelInterfaceRequest request{1};
  const ZorvelStatus status = query(0, &request, &table_);
  if (status != kZorvelStatusOk || table_ == nullptr) {
    *error = absl::StrCat("the plug-in refused interface kind 0 (status ", status, ")");
    table_ = nullptr;
    return false;
  }
  if (table_->size < sizeof(PluginApiTable)) {
    *error = absl::StrCat("the plug-in's table is ", table_->size, " bytes, expected ",
                          sizeof(PluginApiTable));
    table_ = nullptr;
    return false;
  }
  return true;
}

std::string DefaultPluginPath() {
#ifdef ZORVEL_INSTALLED_PLUGIN_FROM_BIN
  // An installed zorvel-ov uses the plug-in installed with it, wherever the tree was put.
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n > 0) {
    std::string dir(self, static_cast<size_t>(n));
    dir.erase(dir.find_last_of('/') + 1);
    const std::string installed = dir + ZORVEL_INSTALLED_PLUGIN_FROM_BIN;
    char resolved[PATH_MAX];
    if (access(installed.c_str(), R_OK) == 0 && realpath(installed.c_str(), resolved) != nullptr) {
      return resolved;
    }
  }
#endif
  return ZORVEL_DEFAULT_PLUGIN_PATH;
}

}  // namespace zorvel::tools
