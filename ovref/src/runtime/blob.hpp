// ovref's binary format for compiled models. Private to the runtime.
//
// Layout (integers little-endian):
//   0   "OVREFBLB"                 magic
//   8   u32 version (1), u32 flags (bit 0: weightless)
//   16  u64 total size of the blob, trailer included
//   24  u64 size of the description that follows
//   32  description: device, properties, graph (nodes with attributes, constant records)
//       zero padding up to a multiple of 64, then the constant data, each entry 64-aligned
//   end u64 checksum of every byte before it
// A weightless blob leaves out the data of tagged constants and records where they live in
// the shared weights (offset, size, type) instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "openvino/core/model.hpp"
#include "openvino/runtime/aligned_buffer.hpp"

namespace ov {
namespace runtime {

constexpr char kBlobMagic[8] = {'O', 'V', 'R', 'E', 'F', 'B', 'L', 'B'};
constexpr uint32_t kBlobVersion = 1;
constexpr size_t kBlobHeaderSize = 32;

using PropertyList = std::vector<std::pair<std::string, std::string>>;

// Supplies the bytes of a constant left out of a weightless blob.
using WeightsLookup = std::function<std::shared_ptr<AlignedBuffer>(uint64_t offset, uint64_t size,
                                                                   const element::Type& type)>;

struct BlobContents {
  std::string device;
  PropertyList properties;
  bool weightless = false;
  std::shared_ptr<Model> model;
};

// Streams the model: constant bytes go from their buffers to the stream without a copy.
void WriteBlob(std::ostream& os, const Model& model, const std::string& device,
               const PropertyList& properties, bool weightless);

// Total size announced by a blob header; throws when the header is not an ovref blob.
uint64_t ReadBlobSize(const char* header, size_t size);

// Parses a whole blob. Constants view `data` (kept alive by `owner`) instead of copying it;
// `weights` is asked for the constants a weightless blob left out (it may be empty).
BlobContents ReadBlob(const char* data, size_t size, const std::shared_ptr<void>& owner,
                      const WeightsLookup& weights);

// The checksum of the trailer: 64-bit words (little-endian, the last one zero-padded) mixed
// as h = rotl((h ^ w) * 0x100000001b3, 29), starting from 0x9e3779b97f4a7c15, then the byte
// count mixed in the same way.
class BlobHasher {
 public:
  void update(const void* data, size_t size);
  uint64_t finish();

 private:
  void mix(uint64_t w);
  uint64_t m_hash = 0x9e3779b97f4a7c15ULL;
  uint64_t m_count = 0;
  unsigned char m_pending[8] = {};
  size_t m_pending_size = 0;
};

}  // namespace runtime
}  // namespace ov
