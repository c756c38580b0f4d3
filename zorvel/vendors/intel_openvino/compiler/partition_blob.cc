#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

#include <cstring>
#include <limits>

namespace zorvel::openvino {
namespace {

void AppendU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t ReadU32(const char* p) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return value;
}

}  // namespace

DeviceCode DeviceCodeFor(std::string_view device) {
  if (device == "CPU") return DeviceCode::kCpu;
  if (device == "GPU") return DeviceCode::kGpu;
  return DeviceCode::kNpu;
}

std::string WritePartitionBlob(std::string_view device, std::string_view exported) {
  std::string blob;
  blob.reserve(BlobHeader::kSize + exported.size());
  blob.append(BlobHeader::kMagic, sizeof(BlobHeader::kMagic));
  AppendU32(blob, BlobHeader::kVersion);
  AppendU32(blob, static_cast<uint32_t>(DeviceCodeFor(device)));
  AppendU32(blob, 0);
  blob.append(exported.data(), exported.size());
  return blob;
}

std::optional<BlobHeader> ReadBlobHeader(std::string_view blob) {
  if (blob.size() < BlobHeader::kSize) return std::nullopt;
  if (std::memcmp(blob.data(), BlobHeader::kMagic, sizeof(BlobHeader::kMagic)) != 0) {
    return std::nullopt;
  }
  BlobHeader header;
  header.version = ReadU32(blob.data() + 8);
  header.device_code = ReadU32(blob.data() + 12);
  header.reserved = ReadU32(blob.data() + 16);
  return header;
}

CustomOStreamBuf::~CustomOStreamBuf() = default;

CustomOStreamBuf::int_type CustomOStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return c;
  const char byte = traits_type::to_char_type(c);
  if (position_ < buffer_.size()) {
    buffer_[position_] = byte;
  } else {
    buffer_.push_back(byte);
  }
  ++position_;
  return c;
}

std::streamsize CustomOStreamBuf::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  const uint64_t count = static_cast<uint64_t>(n);
  if (position_ + count > buffer_.size()) buffer_.resize(position_ + count, '\0');
  std::memcpy(&buffer_[position_], s, count);
  position_ += count;
  return n;
}

CustomOStreamBuf::pos_type CustomOStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                     std::ios_base::openmode which) {
  const pos_type invalid(off_type(-1));
  if ((which & std::ios_base::out) == 0) return invalid;
  int64_t base;
  if (dir == std::ios_base::beg) {
    base = 0;
  } else if (dir == std::ios_base::cur) {
    base = static_cast<int64_t>(position_);
  } else if (dir == std::ios_base::end) {
    base = static_cast<int64_t>(buffer_.size());
  } else {
    return invalid;
  }
  int64_t target;
  if (__builtin_add_overflow(base, static_cast<int64_t>(off), &target)) return invalid;
  if (target < 0 || static_cast<uint64_t>(target) > buffer_.size()) return invalid;
  position_ = static_cast<uint64_t>(target);
  return pos_type(off_type(target));
}

CustomOStreamBuf::pos_type CustomOStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

}  // namespace zorvel::openvino
