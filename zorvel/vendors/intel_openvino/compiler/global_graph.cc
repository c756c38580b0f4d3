#include "zorvel/vendors/intel_openvino/compiler/global_graph.h"

#include <cstring>
#include <optional>
#include <utility>

#include "absl/strings/str_cat.h"
#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

namespace zorvel::openvino {
namespace {

template <typename T>
void AppendLittleEndian(std::string& out, T value) {
  using U = std::make_unsigned_t<T>;
  const U bits = static_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) {
    out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  }
}

void AppendText(std::string& out, std::string_view text) {
  AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(text.size()));
  out.append(text.data(), text.size());
}

// A bounds-checked cursor over the container. Every read first checks that the bytes are there;
// a failed read leaves the cursor where it was.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  uint64_t position() const { return position_; }
  uint64_t remaining() const { return bytes_.size() - position_; }

  template <typename T>
  std::optional<T> Read() {
    if (remaining() < sizeof(T)) return std::nullopt;
    using U = std::make_unsigned_t<T>;
    U bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
      bits |= static_cast<U>(static_cast<unsigned char>(bytes_[position_ + i])) << (8 * i);
    }
    position_ += sizeof(T);
    return static_cast<T>(bits);
  }

  std::optional<std::string_view> Bytes(uint64_t length) {
    if (remaining() < length) return std::nullopt;
    const std::string_view view = bytes_.substr(position_, length);
    position_ += length;
    return view;
  }

 private:
  std::string_view bytes_;
  uint64_t position_ = 0;
};

// This Abseil keeps a string_view type of its own.
absl::string_view Text(std::string_view text) {
  return absl::string_view(text.data(), text.size());
}

Error Refuse(std::string_view what) {
  return MakeError(kZorvelStatusErrorInvalidArgument,
                   absl::StrCat("GlobalGraph container: ", Text(what)));
}

Error Truncated(const Reader& reader, std::string_view field) {
  return Refuse(absl::StrCat("truncated at byte ", reader.position(), " while reading ",
                             Text(field), " (", reader.remaining(), " bytes left)"));
}

}  // namespace

bool IsGlobalGraph(std::string_view bytes) {
  return bytes.size() >= sizeof(kGlobalGraphMagic) &&
         std::memcmp(bytes.data(), kGlobalGraphMagic, sizeof(kGlobalGraphMagic)) == 0;
}

std::string WriteGlobalGraph(const std::vector<GlobalGraphBuffer>& buffers,
                             const std::map<std::string, GlobalGraphSubgraph>& subgraphs) {
  uint64_t total = 0;
  uint64_t size = sizeof(kGlobalGraphMagic) + 2 + 4 + 20 * buffers.size() + 8 + 4;
  for (const GlobalGraphBuffer& buffer : buffers) total += buffer.bytes.size();
  size += total;
  for (const auto& [name, subgraph] : subgraphs) {
    size += 4 + name.size() + 1 + 8 + 4 + 8 + subgraph.blob.size();
    for (const auto& [parameter, id] : subgraph.bindings) size += 4 + parameter.size() + 4;
  }

  std::string out;
  out.reserve(size);
  out.append(kGlobalGraphMagic, sizeof(kGlobalGraphMagic));
  AppendLittleEndian<uint16_t>(out, kGlobalGraphVersion);
  AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(buffers.size()));
  uint64_t offset = 0;
  for (const GlobalGraphBuffer& buffer : buffers) {
    AppendLittleEndian<int32_t>(out, buffer.id);
    AppendLittleEndian<uint64_t>(out, offset);
    AppendLittleEndian<uint64_t>(out, buffer.bytes.size());
    offset += buffer.bytes.size();
  }
  AppendLittleEndian<uint64_t>(out, offset);
  for (const GlobalGraphBuffer& buffer : buffers) {
    out.append(buffer.bytes.data(), buffer.bytes.size());
  }
  AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(subgraphs.size()));
  // The record carries the entry's own name; the map key only orders the records.
  for (const auto& [key, subgraph] : subgraphs) {
    AppendText(out, subgraph.name);
    AppendLittleEndian<uint8_t>(out, subgraph.device_code);
    AppendLittleEndian<uint64_t>(out, subgraph.kv_cache_extent);
    AppendLittleEndian<uint32_t>(out, static_cast<uint32_t>(subgraph.bindings.size()));
    for (const auto& [parameter, id] : subgraph.bindings) {
      AppendText(out, parameter);
      AppendLittleEndian<int32_t>(out, id);
    }
    AppendLittleEndian<uint64_t>(out, subgraph.blob.size());
    out.append(subgraph.blob.data(), subgraph.blob.size());
  }
  return out;
}

const GlobalGraphBuffer* GlobalGraphView::FindBuffer(int32_t id) const {
  for (const GlobalGraphBuffer& buffer : buffers) {
    if (buffer.id == id) return &buffer;
  }
  return nullptr;
}

Expected<GlobalGraphView> ReadGlobalGraph(std::string_view container) {
  Reader reader(container);
  const std::optional<std::string_view> magic = reader.Bytes(sizeof(kGlobalGraphMagic));
  if (!magic || !IsGlobalGraph(*magic)) return Refuse("does not begin with \"OVGLOBAL\"");
  const std::optional<uint16_t> version = reader.Read<uint16_t>();
  if (!version) return Truncated(reader, "the version");
  if (*version != kGlobalGraphVersion) {
    return Refuse(absl::StrCat("version ", *version, " is not supported (expected ",
                               kGlobalGraphVersion, ")"));
  }

  const std::optional<uint32_t> buffer_count = reader.Read<uint32_t>();
  if (!buffer_count) return Truncated(reader, "the buffer count");
  // Each table entry takes 20 bytes, so a count the container cannot hold is refused before
  // anything is reserved for it.
  if (*buffer_count > reader.remaining() / 20) {
    return Refuse(absl::StrCat("buffer count ", *buffer_count, " needs ",
                               uint64_t{*buffer_count} * 20, " table bytes but only ",
                               reader.remaining(), " remain"));
  }
  GlobalGraphView view;
  view.buffers.reserve(*buffer_count);
  std::vector<uint64_t> sizes;
  sizes.reserve(*buffer_count);
  uint64_t expected_offset = 0;
  for (uint32_t k = 0; k < *buffer_count; ++k) {
    GlobalGraphBuffer buffer;
    buffer.id = *reader.Read<int32_t>();
    buffer.offset = *reader.Read<uint64_t>();
    const uint64_t size = *reader.Read<uint64_t>();
    if (k > 0 && buffer.id <= view.buffers.back().id) {
      return Refuse(absl::StrCat("buffer ", k, " has id ", buffer.id,
                                 ", not above the previous id ", view.buffers.back().id));
    }
    if (buffer.offset != expected_offset) {
      return Refuse(absl::StrCat("buffer ", k, " (id ", buffer.id, ") starts at offset ",
                                 buffer.offset, " instead of ", expected_offset));
    }
    // The running offset never exceeds the container's size, so this sum cannot overflow.
    if (size > container.size() - expected_offset) {
      return Refuse(absl::StrCat("buffer ", k, " (id ", buffer.id, ") of ", size,
                                 " bytes does not fit in the container"));
    }
    expected_offset += size;
    view.buffers.push_back(buffer);
    sizes.push_back(size);
  }

  const std::optional<uint64_t> total = reader.Read<uint64_t>();
  if (!total) return Truncated(reader, "the pool total");
  if (*total != expected_offset) {
    return Refuse(absl::StrCat("pool total ", *total, " differs from the sum of the buffer sizes ",
                               expected_offset));
  }
  const std::optional<std::string_view> data = reader.Bytes(*total);
  if (!data) return Truncated(reader, absl::StrCat("the pool data (", *total, " bytes)"));
  view.data = *data;
  for (size_t k = 0; k < view.buffers.size(); ++k) {
    view.buffers[k].bytes = view.data.substr(view.buffers[k].offset, sizes[k]);
  }

  const std::optional<uint32_t> subgraph_count = reader.Read<uint32_t>();
  if (!subgraph_count) return Truncated(reader, "the subgraph count");
  // The smallest record (empty name, no bindings, empty blob) takes 25 bytes.
  if (*subgraph_count > reader.remaining() / 25) {
    return Refuse(absl::StrCat("subgraph count ", *subgraph_count, " cannot fit in the ",
                               reader.remaining(), " bytes that remain"));
  }
  view.subgraphs.reserve(*subgraph_count);
  for (uint32_t s = 0; s < *subgraph_count; ++s) {
    const std::string where = absl::StrCat("subgraph record ", s);
    GlobalGraphSubgraph subgraph;
    const std::optional<uint32_t> name_length = reader.Read<uint32_t>();
    if (!name_length) return Truncated(reader, absl::StrCat("the name length of ", where));
    const std::optional<std::string_view> name = reader.Bytes(*name_length);
    if (!name) return Truncated(reader, absl::StrCat("the name of ", where));
    subgraph.name = std::string(*name);
    if (s > 0 && !(view.subgraphs.back().name < subgraph.name)) {
      return Refuse(absl::StrCat(where, " '", subgraph.name, "' does not follow '",
                                 view.subgraphs.back().name, "' in name order"));
    }
    const std::optional<uint8_t> device_code = reader.Read<uint8_t>();
    if (!device_code) return Truncated(reader, absl::StrCat("the device code of ", where));
    if (*device_code > static_cast<uint8_t>(DeviceCode::kNpu)) {
      return Refuse(absl::StrCat(where, " '", subgraph.name, "' has unknown device code ",
                                 static_cast<int>(*device_code)));
    }
    subgraph.device_code = *device_code;
    const std::optional<uint64_t> extent = reader.Read<uint64_t>();
    if (!extent) return Truncated(reader, absl::StrCat("the KV-cache extent of ", where));
    subgraph.kv_cache_extent = *extent;

    const std::optional<uint32_t> binding_count = reader.Read<uint32_t>();
    if (!binding_count) return Truncated(reader, absl::StrCat("the binding count of ", where));
    if (*binding_count > reader.remaining() / 8) {
      return Refuse(absl::StrCat(where, " '", subgraph.name, "' has ", *binding_count,
                                 " bindings, more than the remaining ", reader.remaining(),
                                 " bytes can hold"));
    }
    std::string previous;
    for (uint32_t b = 0; b < *binding_count; ++b) {
      const std::optional<uint32_t> length = reader.Read<uint32_t>();
      if (!length) return Truncated(reader, absl::StrCat("binding ", b, " of ", where));
      const std::optional<std::string_view> parameter = reader.Bytes(*length);
      if (!parameter) return Truncated(reader, absl::StrCat("binding ", b, " of ", where));
      const std::optional<int32_t> id = reader.Read<int32_t>();
      if (!id) return Truncated(reader, absl::StrCat("binding ", b, " of ", where));
      if (b > 0 && !(previous < *parameter)) {
        return Refuse(absl::StrCat(where, " '", subgraph.name, "': binding '", Text(*parameter),
                                   "' does not follow '", previous, "' in name order"));
      }
      if (view.FindBuffer(*id) == nullptr) {
        return Refuse(absl::StrCat(where, " '", subgraph.name, "': parameter '", Text(*parameter),
                                   "' is bound to buffer ", *id, ", which the pool does not hold"));
      }
      previous = std::string(*parameter);
      subgraph.bindings.emplace(previous, *id);
    }

    const std::optional<uint64_t> blob_length = reader.Read<uint64_t>();
    if (!blob_length) return Truncated(reader, absl::StrCat("the blob length of ", where));
    const std::optional<std::string_view> blob = reader.Bytes(*blob_length);
    if (!blob) {
      return Truncated(reader, absl::StrCat("the blob of ", where, " (", *blob_length, " bytes)"));
    }
    const std::optional<BlobHeader> header = ReadBlobHeader(*blob);
    if (!header || header->version != BlobHeader::kVersion) {
      return Refuse(absl::StrCat(where, " '", subgraph.name,
                                 "' does not hold a partition blob (no \"ZVLOVHDR\" version ",
                                 BlobHeader::kVersion, " header)"));
    }
    if (header->device_code != subgraph.device_code) {
      return Refuse(absl::StrCat(where, " '", subgraph.name, "' has device code ",
                                 static_cast<int>(subgraph.device_code),
                                 " but its blob header says ", header->device_code));
    }
    subgraph.blob = *blob;
    view.subgraphs.push_back(std::move(subgraph));
  }
  if (reader.remaining() != 0) {
    return Refuse(absl::StrCat(
        reader.remaining(), " unexpected bytes after the last record at byte ", reader.position()));
  }
  return view;
}

}  // namespace zorvel::openvino
