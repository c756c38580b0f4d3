#ifndef TOOLS_PLUGIN_LOADER_H_
#define TOOLS_PLUGIN_LOADER_H_

#include <string>

#include "zorvel/c/zorvel_plugin_api.h"

namespace zorvel::tools {

// The plug-in library opened with dlopen, and the table its one exported function hands out.
// Unloads the library on destruction.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary();

  // Loads `path`, resolves the query function and asks it for interface kind 0. On failure
  // returns false and leaves a description in `error`.
  bool Load(const std::string& path, std::string* error);

  const PluginApiTable& table() const { return *table_; }
  const std::string& path() const { return path_; }

 private:
  void* handle_ = nullptr;
  const PluginApiTable* table_ = nullptr;
  std::string path_;
};

// The plug-in installed with this tool (found from the tool's own folder), or else the one built
// beside it.
std::string DefaultPluginPath();

}  // namespace zorvel::tools

#endif  // TOOLS_PLUGIN_LOADER_H_
