#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PARTITION_BLOB_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PARTITION_BLOB_H_

#include <cstdint>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

namespace zorvel::openvino {

// Device codes of the blob header and the GlobalGraph container.
enum class DeviceCode : uint32_t { kCpu = 0, kGpu = 1, kNpu = 2 };

// 0 for exactly "CPU", 1 for exactly "GPU", 2 for anything else.
DeviceCode DeviceCodeFor(std::string_view device);

// The 20-byte header in front of every exported partition: "ZVLOVHDR", version 1, device code,
// reserved 0; little-endian, packed.
struct BlobHeader {
  static constexpr char kMagic[8] = {'Z', 'V', 'L', 'O', 'V', 'H', 'D', 'R'};
  static constexpr uint32_t kVersion = 1;
  static constexpr size_t kSize = 20;

  uint32_t version = kVersion;
  uint32_t device_code = 0;
  uint32_t reserved = 0;
};

// The header for `device` followed by the exported bytes.
std::string WritePartitionBlob(std::string_view device, std::string_view exported);

// Reads the header at the start of `blob`; nullopt when the blob is shorter than a header or does
// not start with the magic. The version and device code are returned as stored, for the caller to
// judge.
std::optional<BlobHeader> ReadBlobHeader(std::string_view blob);

// An output stream buffer that captures everything written to it in memory, with seeking inside
// what was written (an export may go back to patch a size field). The captured bytes are the
// whole buffer, whatever the final position.
class CustomOStreamBuf : public std::streambuf {
 public:
  CustomOStreamBuf() = default;
  ~CustomOStreamBuf() override;

  const std::string& buffer() const { return buffer_; }
  std::string& buffer() { return buffer_; }
  uint64_t position() const { return position_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

 private:
  std::string buffer_;
  uint64_t position_ = 0;
};

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_PARTITION_BLOB_H_
