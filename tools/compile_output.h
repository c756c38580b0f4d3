#ifndef TOOLS_COMPILE_OUTPUT_H_
#define TOOLS_COMPILE_OUTPUT_H_

// The file `zorvel-ov compile -o OUT` writes: what the plug-in's compiled result holds, the call
// names (with the module each refers to) and the byte-code modules, so that a runtime, `inspect`
// and `verify` can pick them up without the plug-in. All integers little-endian, packed:
//
//   magic         8    "ZVLOVOUT"
//   version       4    u32 1
//   call count C  4    u32
//   module count M 4   u32
//   C calls:           u32 name length, name bytes, u32 module index (< M)
//   M modules:         u64 size, the module's bytes
//
// Nothing follows the last module.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "absl/status/statusor.h"

namespace zorvel::tools {

struct CompiledCall {
  std::string name;
  uint32_t module_index = 0;
};

struct CompileOutput {
  std::vector<CompiledCall> calls;
  std::vector<std::string> modules;
};

inline constexpr char kCompileOutputMagic[8] = {'Z', 'V', 'L', 'O', 'V', 'O', 'U', 'T'};
inline constexpr uint32_t kCompileOutputVersion = 1;

std::string SerializeCompileOutput(const CompileOutput& output);

// Checks every length and index against the bytes there are; a file that is not a compile output,
// is truncated, names a module that does not exist or has bytes after the last module is refused
// with an error saying what and where.
absl::StatusOr<CompileOutput> ParseCompileOutput(std::string_view bytes);

absl::Status WriteFile(const std::string& path, std::string_view bytes);
absl::StatusOr<std::string> ReadFile(const std::string& path);

}  // namespace zorvel::tools

#endif  // TOOLS_COMPILE_OUTPUT_H_
