#include "tools/plugin_loader.h"

#include <dlfcn.h>

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

std::string DefaultPluginPath() { return ZORVEL_DEFAULT_PLUGIN_PATH; }

}  // namespace zorvel::tools
