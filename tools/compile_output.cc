#include "tools/compile_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "absl/status/status.h"
#include "absl/strings/str_cat.h"

namespace zorvel::tools {
namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void PutU64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// Reads little-endian fields front to back and says where the bytes ran out.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  size_t offset() const { return offset_; }
  size_t left() const { return bytes_.size() - offset_; }

  absl::Status Need(uint64_t n, std::string_view what) const {
    if (n <= left()) return absl::OkStatus();
    return absl::InvalidArgumentError(absl::StrCat("truncated at byte ", offset_, ": ",
                                                   std::string(what), " needs ", n, " bytes, ",
                                                   left(), " left"));
  }
  absl::StatusOr<uint64_t> Uint(int width, std::string_view what) {
    if (absl::Status s = Need(width, what); !s.ok()) return s;
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) {
      v |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[offset_ + i])) << (8 * i);
    }
    offset_ += width;
    return v;
  }
  absl::StatusOr<std::string_view> Bytes(uint64_t n, std::string_view what) {
    if (absl::Status s = Need(n, what); !s.ok()) return s;
    std::string_view v = bytes_.substr(offset_, n);
    offset_ += n;
    return v;
  }

 private:
  std::string_view bytes_;
  size_t offset_ = 0;
};

}  // namespace

std::string SerializeCompileOutput(const CompileOutput& output) {
  std::string out(kCompileOutputMagic, sizeof(kCompileOutputMagic));
  PutU32(out, kCompileOutputVersion);
  PutU32(out, static_cast<uint32_t>(output.calls.size()));
  PutU32(out, static_cast<uint32_t>(output.modules.size()));
  for (const CompiledCall& call : output.calls) {
    PutU32(out, static_cast<uint32_t>(call.name.size()));
    out += call.name;
    PutU32(out, call.module_index);
  }
  for (const std::string& module : output.modules) {
    PutU64(out, module.size());
    out += module;
  }
  return out;
}

absl::StatusOr<CompileOutput> ParseCompileOutput(std::string_view bytes) {
  Reader r(bytes);
  if (bytes.size() < sizeof(kCompileOutputMagic) ||
      std::memcmp(bytes.data(), kCompileOutputMagic, sizeof(kCompileOutputMagic)) != 0) {
    return absl::InvalidArgumentError(
        "not a zorvel-ov compile output (it does not start with \"ZVLOVOUT\")");
  }
  (void)r.Bytes(sizeof(kCompileOutputMagic), "magic");
  absl::StatusOr<uint64_t> version = r.Uint(4, "the version");
  if (!version.ok()) return version.status();
  if (*version != kCompileOutputVersion) {
    return absl::InvalidArgumentError(absl::StrCat("compile output version ", *version,
                                                   " is not supported (this tool reads ",
                                                   kCompileOutputVersion, ")"));
  }
  absl::StatusOr<uint64_t> num_calls = r.Uint(4, "the call count");
  if (!num_calls.ok()) return num_calls.status();
  absl::StatusOr<uint64_t> num_modules = r.Uint(4, "the module count");
  if (!num_modules.ok()) return num_modules.status();
  // Each call takes at least 8 bytes and each module 8: refuse counts the file cannot hold before
  // reserving anything for them.
  if (absl::Status s = r.Need(8 * (*num_calls + *num_modules), "the call and module records");
      !s.ok()) {
    return s;
  }

  CompileOutput output;
  output.calls.reserve(*num_calls);
  for (uint64_t i = 0; i < *num_calls; ++i) {
    const std::string what = absl::StrCat("call ", i);
    absl::StatusOr<uint64_t> length = r.Uint(4, what + " name length");
    if (!length.ok()) return length.status();
    absl::StatusOr<std::string_view> name = r.Bytes(*length, what + " name");
    if (!name.ok()) return name.status();
    absl::StatusOr<uint64_t> module = r.Uint(4, what + " module index");
    if (!module.ok()) return module.status();
    if (*module >= *num_modules) {
      return absl::InvalidArgumentError(absl::StrCat(
          what, " (", std::string(*name), ") refers to module ", *module, " of ", *num_modules));
    }
    output.calls.push_back({std::string(*name), static_cast<uint32_t>(*module)});
  }
  output.modules.reserve(*num_modules);
  for (uint64_t i = 0; i < *num_modules; ++i) {
    const std::string what = absl::StrCat("module ", i);
    absl::StatusOr<uint64_t> size = r.Uint(8, what + " size");
    if (!size.ok()) return size.status();
    absl::StatusOr<std::string_view> module = r.Bytes(*size, what);
    if (!module.ok()) return module.status();
    output.modules.emplace_back(*module);
  }
  if (r.left() != 0) {
    return absl::InvalidArgumentError(
        absl::StrCat(r.left(), " stray bytes after the last module, at byte ", r.offset()));
  }
  return output;
}

absl::Status WriteFile(const std::string& path, std::string_view bytes) {
  // Written beside the target and renamed over it, so a failed write never leaves half a file.
  const std::string temporary = path + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      return absl::InvalidArgumentError(
          absl::StrCat("cannot write ", path, ": ", std::strerror(errno)));
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return absl::InvalidArgumentError(absl::StrCat("cannot write ", path));
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    return absl::InvalidArgumentError(
        absl::StrCat("cannot write ", path, ": ", std::strerror(error)));
  }
  return absl::OkStatus();
}

absl::StatusOr<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return absl::NotFoundError(absl::StrCat("cannot read ", path, ": ", std::strerror(errno)));
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return absl::InvalidArgumentError(absl::StrCat("cannot read ", path));
  return bytes;
}

}  // namespace zorvel::tools
