#ifndef ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_H_
#define ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_H_

// The GlobalGraph container: the one byte-code module of a weight-shared compile. It holds the
// shared weight pool once and every partition blob with its name and parameter bindings.
//
// Layout (little-endian, packed):
//   "OVGLOBAL", u16 version 3, u32 buffer count N,
//   N x {i32 id, u64 offset, u64 size}, u64 total, total data bytes,
//   u32 subgraph count M, M x subgraph record:
//     u32 name length, name, u8 device code, u64 KV-cache extent,
//     u32 binding count, bindings x {u32 name length, name, i32 buffer id},
//     u64 blob length, blob (the partition blob: 20-byte header and exported bytes).
// Records are in ascending byte-wise order of their names, bindings of their parameter names.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "zorvel/cc/zorvel_expected.h"

namespace zorvel::openvino {

inline constexpr char kGlobalGraphMagic[8] = {'O', 'V', 'G', 'L', 'O', 'B', 'A', 'L'};
inline constexpr uint16_t kGlobalGraphVersion = 3;

// One buffer of the shared pool. The writer lays the buffers out back to back in the order
// given and ignores `offset`; the reader fills it in, and `bytes` then views the container.
struct GlobalGraphBuffer {
  int32_t id = 0;
  uint64_t offset = 0;
  std::string_view bytes;
};

// One partition. For the writer `blob` views bytes owned by the caller; for the reader it views
// the container. `bindings` maps a parameter name to the pool buffer that feeds it (GPU).
struct GlobalGraphSubgraph {
  std::string name;
  uint8_t device_code = 0;
  uint64_t kv_cache_extent = 0;
  std::map<std::string, int32_t> bindings;
  std::string_view blob;
};

// Writes the container. Buffers are written in the order given (the pool's order); subgraph
// records in the map's order, which is the byte-wise order of their names.
std::string WriteGlobalGraph(const std::vector<GlobalGraphBuffer>& buffers,
                             const std::map<std::string, GlobalGraphSubgraph>& subgraphs);

// A container as read back. Every view points into the container, which must outlive it.
struct GlobalGraphView {
  std::vector<GlobalGraphBuffer> buffers;
  std::string_view data;  // the whole data field: the pool
  std::vector<GlobalGraphSubgraph> subgraphs;

  // The buffer with `id`, or null.
  const GlobalGraphBuffer* FindBuffer(int32_t id) const;
};

// Parses and checks a container: magic, version, every count, offset and length against the
// bytes that are there, contiguous buffer offsets that add up to the total, ascending unique
// buffer ids and record names, bindings to existing buffers, a partition blob header that agrees
// with its record's device code, and no bytes after the last record. Anything else is refused
// with status 1 and a message naming what is wrong; nothing is read past the end.
Expected<GlobalGraphView> ReadGlobalGraph(std::string_view container);

// True when `bytes` begins with the container magic (to tell a container from a partition blob).
bool IsGlobalGraph(std::string_view bytes);

}  // namespace zorvel::openvino

#endif  // ZORVEL_VENDORS_INTEL_OPENVINO_COMPILER_GLOBAL_GRAPH_H_
