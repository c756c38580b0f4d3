#include "blob.hpp"

#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>

#include "op_factory.hpp"
#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/except.hpp"
#include "openvino/core/partial_shape.hpp"
#include "openvino/core/rt_info/weightless_caching_attributes.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/result.hpp"
#include "openvino/runtime/shared_buffer.hpp"

namespace ov {
namespace runtime {
namespace {

constexpr size_t kDataAlignment = 64;
constexpr uint32_t kFlagWeightless = 1;

// Attribute value tags.
enum Tag : uint8_t {
  kString = 1,
  kBool,
  kI8,
  kI16,
  kI32,
  kI64,
  kU8,
  kU16,
  kU32,
  kU64,
  kF32,
  kF64,
  kVecI8,
  kVecI16,
  kVecI32,
  kVecI64,
  kVecU8,
  kVecU16,
  kVecU32,
  kVecU64,
  kVecF32,
  kVecF64,
  kVecString,
  kPartialShape,
  kDimension,
  kModel,
};

// Constant record kinds.
enum ConstantData : uint8_t { kInline = 0, kWeightsRef = 1, kStrings = 2 };

uint64_t AlignUp(uint64_t v) { return (v + kDataAlignment - 1) / kDataAlignment * kDataAlignment; }

uint64_t Rotl(uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

// ---- encoding ----

class Writer {
 public:
  void u8(uint8_t v) { m_out.push_back(static_cast<char>(v)); }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void u64(uint64_t v) {
    for (int i = 0; i < 8; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void i64(int64_t v) { u64(static_cast<uint64_t>(v)); }
  void f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
  }
  void f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u64(bits);
  }
  void str(const std::string& s) {
    OPENVINO_ASSERT(s.size() <= std::numeric_limits<uint32_t>::max(), "String too long");
    u32(static_cast<uint32_t>(s.size()));
    m_out.append(s);
  }
  void count(size_t n) {
    OPENVINO_ASSERT(n <= std::numeric_limits<uint32_t>::max(), "Too many entries");
    u32(static_cast<uint32_t>(n));
  }
  void pshape(const PartialShape& shape) {
    if (shape.rank().is_dynamic()) {
      i64(-1);
      return;
    }
    i64(static_cast<int64_t>(shape.size()));
    for (const auto& d : shape) {
      i64(d.get_min_length());
      i64(d.get_max_length());
    }
  }
  std::string& out() { return m_out; }

 private:
  std::string m_out;
};

class Reader {
 public:
  Reader(const char* data, size_t size) : m_data(data), m_size(size) {}

  void need(size_t n) const {
    if (n > m_size - m_pos)
      OPENVINO_THROW("Corrupt blob: the description ends early (need ", n, " bytes at offset ",
                     m_pos, " of ", m_size, ")");
  }
  uint8_t u8() {
    need(1);
    return static_cast<uint8_t>(m_data[m_pos++]);
  }
  uint32_t u32() {
    need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(m_data[m_pos++])) << (8 * i);
    return v;
  }
  uint64_t u64() {
    need(8);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
      v |= static_cast<uint64_t>(static_cast<uint8_t>(m_data[m_pos++])) << (8 * i);
    return v;
  }
  int64_t i64() { return static_cast<int64_t>(u64()); }
  float f32() {
    const uint32_t bits = u32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  double f64() {
    const uint64_t bits = u64();
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
  }
  std::string str() {
    const uint32_t n = u32();
    need(n);
    std::string s(m_data + m_pos, n);
    m_pos += n;
    return s;
  }
  // A count of entries that each take at least `min_bytes`: bounded by what is left, so a
  // corrupt count cannot make us allocate more than the blob holds.
  size_t count(size_t min_bytes) {
    const uint64_t n = u32();
    if (n * min_bytes > m_size - m_pos)
      OPENVINO_THROW("Corrupt blob: a count of ", n, " entries does not fit the description");
    return static_cast<size_t>(n);
  }
  PartialShape pshape() {
    const int64_t rank = i64();
    if (rank == -1) return PartialShape::dynamic();
    if (rank < 0 || static_cast<uint64_t>(rank) > (m_size - m_pos) / 16)
      OPENVINO_THROW("Corrupt blob: bad rank ", rank);
    std::vector<Dimension> dims;
    for (int64_t i = 0; i < rank; ++i) {
      const int64_t lo = i64();
      const int64_t hi = i64();
      if (lo < 0 || (hi != -1 && hi < lo)) OPENVINO_THROW("Corrupt blob: bad dimension");
      dims.emplace_back(lo, hi);
    }
    return PartialShape(dims);
  }
  size_t pos() const { return m_pos; }
  bool done() const { return m_pos == m_size; }

 private:
  const char* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

template <typename T>
void PutScalar(Writer& w, const T& v) {
  if constexpr (std::is_same_v<T, std::string>) {
    w.str(v);
  } else if constexpr (std::is_same_v<T, bool>) {
    w.u8(v ? 1 : 0);
  } else if constexpr (std::is_same_v<T, float>) {
    w.f32(v);
  } else if constexpr (std::is_same_v<T, double>) {
    w.f64(v);
  } else if constexpr (std::is_signed_v<T>) {
    w.i64(static_cast<int64_t>(v));
  } else {
    w.u64(static_cast<uint64_t>(v));
  }
}

template <typename T>
T GetScalar(Reader& r) {
  if constexpr (std::is_same_v<T, std::string>) {
    return r.str();
  } else if constexpr (std::is_same_v<T, bool>) {
    return r.u8() != 0;
  } else if constexpr (std::is_same_v<T, float>) {
    return r.f32();
  } else if constexpr (std::is_same_v<T, double>) {
    return r.f64();
  } else if constexpr (std::is_signed_v<T>) {
    const int64_t v = r.i64();
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
      OPENVINO_THROW("Corrupt blob: attribute value out of range");
    return static_cast<T>(v);
  } else {
    const uint64_t v = r.u64();
    if (v > std::numeric_limits<T>::max())
      OPENVINO_THROW("Corrupt blob: attribute value out of range");
    return static_cast<T>(v);
  }
}

// Records every attribute of a node, by its full name, into the description.
class AttributeWriter : public AttributeVisitor {
 public:
  AttributeWriter(const Node& node, std::function<void(Writer&, const Model&)> write_model)
      : m_node(node), m_write_model(std::move(write_model)) {}

  void on_adapter(const std::string& name, ValueAccessor<void>& adapter) override {
    if (auto* structure = dynamic_cast<VisitorAdapter*>(&adapter)) {
      structure->visit_attributes(*this);
      return;
    }
    const auto& info = adapter.get_type_info();
    if (info == AttributeAdapter<PartialShape>::get_type_info_static()) {
      begin(name, kPartialShape);
      m_w.pshape(static_cast<AttributeAdapter<PartialShape>&>(adapter).get());
      return;
    }
    if (info == AttributeAdapter<Dimension>::get_type_info_static()) {
      begin(name, kDimension);
      const Dimension& d = static_cast<AttributeAdapter<Dimension>&>(adapter).get();
      m_w.i64(d.get_min_length());
      m_w.i64(d.get_max_length());
      return;
    }
    OPENVINO_THROW("Cannot export attribute '", name, "' of ", m_node.get_type_name(), " '",
                   m_node.get_friendly_name(), "': its type ", info.name,
                   " has no serialized form");
  }

#define OVREF_SCALAR(T, TAG)                                                     \
  void on_adapter(const std::string& name, ValueAccessor<T>& adapter) override { \
    begin(name, TAG);                                                            \
    PutScalar<T>(m_w, adapter.get());                                            \
  }
#define OVREF_VECTOR(T, TAG)                                                                  \
  void on_adapter(const std::string& name, ValueAccessor<std::vector<T>>& adapter) override { \
    begin(name, TAG);                                                                         \
    const auto& v = adapter.get();                                                            \
    m_w.count(v.size());                                                                      \
    for (const auto& x : v) PutScalar<T>(m_w, x);                                             \
  }
  OVREF_SCALAR(std::string, kString)
  OVREF_SCALAR(bool, kBool)
  OVREF_SCALAR(int8_t, kI8)
  OVREF_SCALAR(int16_t, kI16)
  OVREF_SCALAR(int32_t, kI32)
  OVREF_SCALAR(int64_t, kI64)
  OVREF_SCALAR(uint8_t, kU8)
  OVREF_SCALAR(uint16_t, kU16)
  OVREF_SCALAR(uint32_t, kU32)
  OVREF_SCALAR(uint64_t, kU64)
  OVREF_SCALAR(float, kF32)
  OVREF_SCALAR(double, kF64)
  OVREF_VECTOR(int8_t, kVecI8)
  OVREF_VECTOR(int16_t, kVecI16)
  OVREF_VECTOR(int32_t, kVecI32)
  OVREF_VECTOR(int64_t, kVecI64)
  OVREF_VECTOR(uint8_t, kVecU8)
  OVREF_VECTOR(uint16_t, kVecU16)
  OVREF_VECTOR(uint32_t, kVecU32)
  OVREF_VECTOR(uint64_t, kVecU64)
  OVREF_VECTOR(float, kVecF32)
  OVREF_VECTOR(double, kVecF64)
  OVREF_VECTOR(std::string, kVecString)
#undef OVREF_SCALAR
#undef OVREF_VECTOR

  void on_adapter(const std::string& name,
                  ValueAccessor<std::shared_ptr<ov::Model>>& adapter) override {
    begin(name, kModel);
    const auto& model = adapter.get();
    OPENVINO_ASSERT(model, "Cannot export the empty body '", name, "' of ",
                    m_node.get_friendly_name());
    m_write_model(m_w, *model);
  }

  size_t size() const { return m_count; }
  std::string& bytes() { return m_w.out(); }

 private:
  void begin(const std::string& name, Tag tag) {
    m_w.str(name);
    m_w.u8(tag);
    ++m_count;
  }

  const Node& m_node;
  std::function<void(Writer&, const Model&)> m_write_model;
  Writer m_w;
  size_t m_count = 0;
};

// Hands the recorded attributes back to a new node by name.
class AttributeReader : public AttributeVisitor {
 public:
  struct Value {
    Tag tag;
    size_t pos;  // offset of the payload in the description
  };

  AttributeReader(const char* meta, size_t meta_size, std::map<std::string, Value> values,
                  std::function<std::shared_ptr<Model>(Reader&)> read_model,
                  const std::string& node_name)
      : m_meta(meta),
        m_meta_size(meta_size),
        m_values(std::move(values)),
        m_read_model(std::move(read_model)),
        m_node_name(node_name) {}

  void on_adapter(const std::string& name, ValueAccessor<void>& adapter) override {
    if (auto* structure = dynamic_cast<VisitorAdapter*>(&adapter)) {
      structure->visit_attributes(*this);
      return;
    }
    const auto& info = adapter.get_type_info();
    if (info == AttributeAdapter<PartialShape>::get_type_info_static()) {
      Reader r = at(name, kPartialShape);
      static_cast<AttributeAdapter<PartialShape>&>(adapter).set(r.pshape());
      return;
    }
    if (info == AttributeAdapter<Dimension>::get_type_info_static()) {
      Reader r = at(name, kDimension);
      const int64_t lo = r.i64();
      const int64_t hi = r.i64();
      if (lo < 0 || (hi != -1 && hi < lo)) OPENVINO_THROW("Corrupt blob: bad dimension");
      static_cast<AttributeAdapter<Dimension>&>(adapter).set(Dimension(lo, hi));
      return;
    }
    OPENVINO_THROW("Cannot import attribute '", name, "' of '", m_node_name, "': its type ",
                   info.name, " has no serialized form");
  }

#define OVREF_SCALAR(T, TAG)                                                     \
  void on_adapter(const std::string& name, ValueAccessor<T>& adapter) override { \
    Reader r = at(name, TAG);                                                    \
    adapter.set(GetScalar<T>(r));                                                \
  }
#define OVREF_VECTOR(T, TAG)                                                                  \
  void on_adapter(const std::string& name, ValueAccessor<std::vector<T>>& adapter) override { \
    Reader r = at(name, TAG);                                                                 \
    const size_t n = r.count(1);                                                              \
    std::vector<T> v;                                                                         \
    v.reserve(n);                                                                             \
    for (size_t i = 0; i < n; ++i) v.push_back(GetScalar<T>(r));                              \
    adapter.set(v);                                                                           \
  }
  OVREF_SCALAR(std::string, kString)
  OVREF_SCALAR(bool, kBool)
  OVREF_SCALAR(int8_t, kI8)
  OVREF_SCALAR(int16_t, kI16)
  OVREF_SCALAR(int32_t, kI32)
  OVREF_SCALAR(int64_t, kI64)
  OVREF_SCALAR(uint8_t, kU8)
  OVREF_SCALAR(uint16_t, kU16)
  OVREF_SCALAR(uint32_t, kU32)
  OVREF_SCALAR(uint64_t, kU64)
  OVREF_SCALAR(float, kF32)
  OVREF_SCALAR(double, kF64)
  OVREF_VECTOR(int8_t, kVecI8)
  OVREF_VECTOR(int16_t, kVecI16)
  OVREF_VECTOR(int32_t, kVecI32)
  OVREF_VECTOR(int64_t, kVecI64)
  OVREF_VECTOR(uint8_t, kVecU8)
  OVREF_VECTOR(uint16_t, kVecU16)
  OVREF_VECTOR(uint32_t, kVecU32)
  OVREF_VECTOR(uint64_t, kVecU64)
  OVREF_VECTOR(float, kVecF32)
  OVREF_VECTOR(double, kVecF64)
  OVREF_VECTOR(std::string, kVecString)
#undef OVREF_SCALAR
#undef OVREF_VECTOR

  void on_adapter(const std::string& name,
                  ValueAccessor<std::shared_ptr<ov::Model>>& adapter) override {
    Reader r = at(name, kModel);
    adapter.set(m_read_model(r));
  }

 private:
  Reader at(const std::string& name, Tag tag) {
    auto it = m_values.find(name);
    if (it == m_values.end())
      OPENVINO_THROW("Corrupt blob: attribute '", name, "' of '", m_node_name, "' is missing");
    if (it->second.tag != tag)
      OPENVINO_THROW("Corrupt blob: attribute '", name, "' of '", m_node_name,
                     "' has the wrong type");
    if (it->second.pos > m_meta_size) OPENVINO_THROW("Corrupt blob: bad attribute offset");
    return Reader(m_meta + it->second.pos, m_meta_size - it->second.pos);
  }

  const char* m_meta;
  size_t m_meta_size;
  std::map<std::string, Value> m_values;
  std::function<std::shared_ptr<Model>(Reader&)> m_read_model;
  std::string m_node_name;
};

// Skips one attribute payload, so the reader can index the attributes before the node visits.
void SkipPayload(Reader& r, Tag tag, const std::function<void(Reader&)>& skip_model) {
  switch (tag) {
    case kString:
      r.str();
      break;
    case kBool:
    case kI8:
    case kU8:
      r.u8();
      break;
    case kI16:
    case kI32:
    case kI64:
    case kU16:
    case kU32:
    case kU64:
    case kF64:
      r.u64();
      break;
    case kF32:
      r.u32();
      break;
    case kVecString: {
      const size_t n = r.count(4);
      for (size_t i = 0; i < n; ++i) r.str();
      break;
    }
    case kVecF32: {
      const size_t n = r.count(4);
      for (size_t i = 0; i < n; ++i) r.u32();
      break;
    }
    case kVecI8:
    case kVecU8: {
      const size_t n = r.count(1);
      for (size_t i = 0; i < n; ++i) r.u8();
      break;
    }
    case kVecI16:
    case kVecI32:
    case kVecI64:
    case kVecU16:
    case kVecU32:
    case kVecU64:
    case kVecF64: {
      const size_t n = r.count(8);
      for (size_t i = 0; i < n; ++i) r.u64();
      break;
    }
    case kPartialShape:
      r.pshape();
      break;
    case kDimension:
      r.i64();
      r.i64();
      break;
    case kModel:
      skip_model(r);
      break;
    default:
      OPENVINO_THROW("Corrupt blob: unknown attribute type ", static_cast<int>(tag));
  }
}

struct Export {
  bool weightless = false;
  bool any_weightless = false;
  // Inline constant data in the order it is written, deduplicated by buffer.
  std::vector<std::pair<const void*, uint64_t>> data;
  std::map<std::pair<const void*, uint64_t>, uint64_t> offsets;
  uint64_t data_size = 0;
};

const WeightlessCacheAttribute* FindWeightlessAttribute(const Node& node) {
  const auto& rt = node.get_rt_info();
  auto it = rt.find(WeightlessCacheAttribute::get_type_info_static());
  if (it == rt.end() || !it->second.is<WeightlessCacheAttribute>()) return nullptr;
  return &it->second.as<WeightlessCacheAttribute>();
}

void WriteConstant(Writer& w, const op::v0::Constant& c, Export& ex) {
  w.str(c.get_element_type().to_string());
  const Shape& shape = c.get_shape();
  w.count(shape.size());
  for (size_t d : shape) w.u64(d);
  const auto* wca = FindWeightlessAttribute(c);
  w.u8(wca ? 1 : 0);
  if (wca) {
    w.u64(wca->bin_offset);
    w.u64(wca->original_size);
    w.str(wca->original_dtype.to_string());
  }
  if (c.get_element_type() == element::string) {
    w.u8(kStrings);
    const auto strings = c.get_value_strings();
    w.count(strings.size());
    for (const auto& s : strings) w.str(s);
    return;
  }
  const uint64_t size = c.get_byte_size();
  // Only a constant whose bytes are exactly the tagged region of the weights can be left out.
  if (ex.weightless && wca && wca->original_size == size &&
      (wca->original_dtype == c.get_element_type() || wca->original_dtype.is_dynamic())) {
    w.u8(kWeightsRef);
    ex.any_weightless = true;
    return;
  }
  w.u8(kInline);
  const auto key = std::make_pair(c.get_data_ptr(), size);
  auto it = ex.offsets.find(key);
  if (it == ex.offsets.end()) {
    it = ex.offsets.emplace(key, ex.data_size).first;
    ex.data.push_back(key);
    ex.data_size = AlignUp(ex.data_size + size);
  }
  w.u64(it->second);
  w.u64(size);
}

void WriteModelRecord(Writer& w, const Model& model, Export& ex) {
  w.str(model.get_friendly_name());
  const auto ops = model.get_ordered_ops();
  std::unordered_map<const Node*, uint32_t> index;
  w.count(ops.size());
  for (const auto& node : ops) {
    const auto& info = node->get_type_info();
    w.str(info.name);
    w.str(info.version_id ? info.version_id : "");
    w.str(node->get_friendly_name());
    w.count(node->get_input_size());
    for (const auto& input : node->input_values()) {
      w.u32(index.at(input.get_node()));
      w.u32(static_cast<uint32_t>(input.get_index()));
    }
    const auto& deps = node->get_control_dependencies();
    w.count(deps.size());
    for (const auto& dep : deps) w.u32(index.at(dep.get()));
    w.count(node->get_output_size());
    for (size_t i = 0; i < node->get_output_size(); ++i) {
      w.str(node->get_output_element_type(i).to_string());
      w.pshape(node->get_output_partial_shape(i));
      const bool result = ov::is_type<op::v0::Result>(node);
      const auto& names = node->get_output_tensor(i).get_names();
      w.count(result ? 0 : names.size());
      if (!result) {
        std::vector<std::string> sorted(names.begin(), names.end());
        std::sort(sorted.begin(), sorted.end());
        for (const auto& n : sorted) w.str(n);
      }
    }
    if (auto c = ov::as_type_ptr<op::v0::Constant>(node)) {
      WriteConstant(w, *c, ex);
    } else {
      AttributeWriter attrs(
          *node, [&ex](Writer& nested, const Model& body) { WriteModelRecord(nested, body, ex); });
      OPENVINO_ASSERT(node->visit_attributes(attrs), "Cannot export the attributes of ",
                      node->get_friendly_name());
      w.count(attrs.size());
      w.out().append(attrs.bytes());
    }
    index[node.get()] = static_cast<uint32_t>(index.size());
  }
  w.count(model.get_parameters().size());
  for (const auto& p : model.get_parameters()) w.u32(index.at(p.get()));
  w.count(model.get_results().size());
  for (const auto& r : model.get_results()) w.u32(index.at(r.get()));
}

// ---- decoding ----

struct Import {
  const char* blob;
  size_t blob_size;
  uint64_t data_start;
  std::shared_ptr<void> owner;
  const WeightsLookup* weights;
  bool weightless;
  const char* meta;
  size_t meta_size;
};

element::Type ReadType(Reader& r) {
  const std::string name = r.str();
  try {
    return element::Type(name);
  } catch (const std::exception&) {
    OPENVINO_THROW("Corrupt blob: unknown element type '", name, "'");
  }
}

std::shared_ptr<Node> ReadConstant(Reader& r, const Import& im, const std::string& name) {
  const element::Type type = ReadType(r);
  const size_t rank = r.count(8);
  Shape shape(rank);
  uint64_t elements = 1;
  for (auto& d : shape) {
    d = r.u64();
    if (d != 0 && elements > std::numeric_limits<uint64_t>::max() / 8 / d)
      OPENVINO_THROW("Corrupt blob: the shape of constant '", name, "' is too large");
    elements *= d;
  }
  if (type.is_dynamic() || elements > std::numeric_limits<size_t>::max())
    OPENVINO_THROW("Corrupt blob: bad constant '", name, "'");
  std::shared_ptr<WeightlessCacheAttribute> wca;
  if (r.u8() != 0) {
    const uint64_t offset = r.u64();
    const uint64_t size = r.u64();
    wca = std::make_shared<WeightlessCacheAttribute>(size, offset, ReadType(r));
  }
  const uint8_t kind = r.u8();
  std::shared_ptr<op::v0::Constant> constant;
  if (kind == kStrings) {
    OPENVINO_ASSERT(type == element::string, "Corrupt blob: strings for a non-string constant");
    const size_t n = r.count(4);
    std::vector<std::string> strings;
    for (size_t i = 0; i < n; ++i) strings.push_back(r.str());
    if (strings.size() != elements) OPENVINO_THROW("Corrupt blob: bad string constant");
    constant = std::make_shared<op::v0::Constant>(type, shape, strings);
  } else {
    if (type == element::string) OPENVINO_THROW("Corrupt blob: bad string constant");
    const uint64_t expected = get_memory_size(type, static_cast<size_t>(elements));
    std::shared_ptr<AlignedBuffer> buffer;
    if (kind == kInline) {
      const uint64_t offset = r.u64();
      const uint64_t size = r.u64();
      const uint64_t data_end = im.blob_size - 8;
      if (size != expected || offset > data_end - im.data_start ||
          size > data_end - im.data_start - offset)
        OPENVINO_THROW("Corrupt blob: the data of constant '", name, "' is out of bounds");
      char* p = const_cast<char*>(im.blob) + im.data_start + offset;
      buffer = std::make_shared<SharedBuffer<std::shared_ptr<void>>>(p, size, im.owner);
    } else if (kind == kWeightsRef) {
      if (!wca || wca->original_size != expected)
        OPENVINO_THROW("Corrupt blob: bad weights reference of constant '", name, "'");
      if (!*im.weights)
        OPENVINO_THROW(
            "Blob is weightless but no WEIGHTS_PATH nor MODEL_PTR property is provided!");
      buffer = (*im.weights)(wca->bin_offset, wca->original_size, type);
      OPENVINO_ASSERT(buffer && buffer->size() >= expected, "The weights of constant '", name,
                      "' (offset ", wca->bin_offset, ", ", expected, " bytes) are not available");
    } else {
      OPENVINO_THROW("Corrupt blob: unknown constant data kind ", static_cast<int>(kind));
    }
    constant = std::make_shared<op::v0::Constant>(type, shape, buffer);
  }
  if (wca) constant->get_rt_info()[WeightlessCacheAttribute::get_type_info_static()] = *wca;
  return constant;
}

void SkipModelRecord(Reader& r);

std::shared_ptr<Model> ReadModelRecord(Reader& r, const Import& im, int depth) {
  if (depth > 16) OPENVINO_THROW("Corrupt blob: bodies nested too deeply");
  const std::string friendly = r.str();
  const size_t count = r.count(16);
  std::vector<std::shared_ptr<Node>> nodes;
  nodes.reserve(count);
  for (size_t n = 0; n < count; ++n) {
    const std::string type = r.str();
    const std::string version = r.str();
    const std::string node_name = r.str();
    const size_t inputs = r.count(8);
    OutputVector args;
    for (size_t i = 0; i < inputs; ++i) {
      const uint32_t producer = r.u32();
      const uint32_t port = r.u32();
      if (producer >= nodes.size() || port >= nodes[producer]->get_output_size())
        OPENVINO_THROW("Corrupt blob: input ", i, " of '", node_name, "' is not a known value");
      args.push_back(nodes[producer]->output(port));
    }
    const size_t deps = r.count(4);
    std::vector<uint32_t> dep_index(deps);
    for (auto& d : dep_index) {
      d = r.u32();
      if (d >= nodes.size()) OPENVINO_THROW("Corrupt blob: bad control dependency");
    }
    struct Out {
      element::Type type;
      PartialShape shape;
      std::unordered_set<std::string> names;
    };
    const size_t outputs = r.count(16);
    std::vector<Out> outs(outputs);
    for (auto& o : outs) {
      o.type = ReadType(r);
      o.shape = r.pshape();
      const size_t names = r.count(4);
      for (size_t i = 0; i < names; ++i) o.names.insert(r.str());
    }
    std::shared_ptr<Node> node;
    if (type == "Constant" && version == "opset1") {
      if (!args.empty()) OPENVINO_THROW("Corrupt blob: a constant with inputs");
      node = ReadConstant(r, im, node_name);
    } else {
      node = CreateOp(type, version);
      if (!node)
        OPENVINO_THROW("The blob holds an operation ovref does not know: ", type, " (", version,
                       ")");
      std::map<std::string, AttributeReader::Value> values;
      const size_t attrs = r.count(6);
      for (size_t a = 0; a < attrs; ++a) {
        const std::string attr = r.str();
        const Tag tag = static_cast<Tag>(r.u8());
        values[attr] = {tag, r.pos()};
        SkipPayload(r, tag, [](Reader& nested) { SkipModelRecord(nested); });
      }
      node->set_arguments(args);
      AttributeReader reader(
          im.meta, im.meta_size, std::move(values),
          [&im, depth](Reader& nested) { return ReadModelRecord(nested, im, depth + 1); },
          node_name);
      node->visit_attributes(reader);
      node->constructor_validate_and_infer_types();
    }
    for (uint32_t d : dep_index) node->add_control_dependency(nodes[d]);
    node->set_friendly_name(node_name);
    if (node->get_output_size() != outs.size())
      OPENVINO_THROW("Corrupt blob: '", node_name, "' has ", node->get_output_size(),
                     " outputs, the blob says ", outs.size());
    for (size_t i = 0; i < outs.size(); ++i) {
      if (node->get_output_element_type(i) != outs[i].type ||
          !(node->get_output_partial_shape(i) == outs[i].shape))
        OPENVINO_THROW("Corrupt blob: output ", i, " of '", node_name, "' is ",
                       node->get_output_element_type(i), node->get_output_partial_shape(i),
                       " but the blob says ", outs[i].type, outs[i].shape);
      if (!outs[i].names.empty()) node->get_output_tensor(i).set_names(outs[i].names);
    }
    nodes.push_back(std::move(node));
  }
  ParameterVector params;
  const size_t num_params = r.count(4);
  for (size_t i = 0; i < num_params; ++i) {
    const uint32_t idx = r.u32();
    auto p = idx < nodes.size() ? ov::as_type_ptr<op::v0::Parameter>(nodes[idx]) : nullptr;
    if (!p) OPENVINO_THROW("Corrupt blob: parameter ", i, " is not a Parameter");
    params.push_back(p);
  }
  ResultVector results;
  const size_t num_results = r.count(4);
  for (size_t i = 0; i < num_results; ++i) {
    const uint32_t idx = r.u32();
    auto res = idx < nodes.size() ? ov::as_type_ptr<op::v0::Result>(nodes[idx]) : nullptr;
    if (!res) OPENVINO_THROW("Corrupt blob: result ", i, " is not a Result");
    results.push_back(res);
  }
  auto model = std::make_shared<Model>(results, params, friendly);
  model->set_friendly_name(friendly);
  return model;
}

// Walks a nested model record without building it (used while indexing attributes).
void SkipModelRecord(Reader& r) {
  r.str();
  const size_t count = r.count(16);
  for (size_t n = 0; n < count; ++n) {
    const std::string type = r.str();
    const std::string version = r.str();
    r.str();
    const size_t inputs = r.count(8);
    for (size_t i = 0; i < inputs; ++i) r.u64();
    const size_t deps = r.count(4);
    for (size_t i = 0; i < deps; ++i) r.u32();
    const size_t outputs = r.count(16);
    for (size_t o = 0; o < outputs; ++o) {
      r.str();
      r.pshape();
      const size_t names = r.count(4);
      for (size_t i = 0; i < names; ++i) r.str();
    }
    if (type == "Constant" && version == "opset1") {
      r.str();
      const size_t rank = r.count(8);
      for (size_t i = 0; i < rank; ++i) r.u64();
      if (r.u8() != 0) {
        r.u64();
        r.u64();
        r.str();
      }
      const uint8_t kind = r.u8();
      if (kind == kInline) {
        r.u64();
        r.u64();
      } else if (kind == kStrings) {
        const size_t n = r.count(4);
        for (size_t i = 0; i < n; ++i) r.str();
      } else if (kind != kWeightsRef) {
        OPENVINO_THROW("Corrupt blob: unknown constant data kind");
      }
    } else {
      const size_t attrs = r.count(6);
      for (size_t a = 0; a < attrs; ++a) {
        r.str();
        SkipPayload(r, static_cast<Tag>(r.u8()), [](Reader& nested) { SkipModelRecord(nested); });
      }
    }
  }
  const size_t params = r.count(4);
  for (size_t i = 0; i < params; ++i) r.u32();
  const size_t results = r.count(4);
  for (size_t i = 0; i < results; ++i) r.u32();
}

void PutHeader(char* out, uint32_t flags, uint64_t total, uint64_t meta_size) {
  std::memcpy(out, kBlobMagic, 8);
  auto put = [&](size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
  };
  put(8, kBlobVersion, 4);
  put(12, flags, 4);
  put(16, total, 8);
  put(24, meta_size, 8);
}

uint64_t GetLE(const char* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(p[i])) << (8 * i);
  return v;
}

}  // namespace

// ---- BlobHasher ----

void BlobHasher::mix(uint64_t w) { m_hash = Rotl((m_hash ^ w) * 0x100000001b3ULL, 29); }

void BlobHasher::update(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  m_count += size;
  while (size > 0 && m_pending_size > 0) {
    m_pending[m_pending_size++] = *p++;
    --size;
    if (m_pending_size == 8) {
      mix(GetLE(reinterpret_cast<const char*>(m_pending), 8));
      m_pending_size = 0;
    }
  }
  for (; size >= 8; size -= 8, p += 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
    w = __builtin_bswap64(w);
#endif
    mix(w);
  }
  while (size-- > 0) m_pending[m_pending_size++] = *p++;
}

uint64_t BlobHasher::finish() {
  if (m_pending_size > 0) {
    std::memset(m_pending + m_pending_size, 0, 8 - m_pending_size);
    mix(GetLE(reinterpret_cast<const char*>(m_pending), 8));
    m_pending_size = 0;
  }
  mix(m_count);
  return m_hash;
}

// ---- blob ----

void WriteBlob(std::ostream& os, const Model& model, const std::string& device,
               const PropertyList& properties, bool weightless) {
  Export ex;
  ex.weightless = weightless;
  Writer meta;
  meta.str(device);
  meta.count(properties.size());
  for (const auto& [key, value] : properties) {
    meta.str(key);
    meta.str(value);
  }
  WriteModelRecord(meta, model, ex);
  const std::string& m = meta.out();
  const uint64_t data_start = AlignUp(kBlobHeaderSize + m.size());
  const uint64_t total = data_start + ex.data_size + 8;
  const uint32_t flags = ex.any_weightless ? kFlagWeightless : 0;

  BlobHasher hasher;
  auto emit = [&](const void* p, size_t n) {
    hasher.update(p, n);
    os.write(static_cast<const char*>(p), static_cast<std::streamsize>(n));
  };
  char header[kBlobHeaderSize];
  PutHeader(header, flags, total, m.size());
  emit(header, sizeof(header));
  emit(m.data(), m.size());
  static const char zeros[kDataAlignment] = {};
  emit(zeros, data_start - kBlobHeaderSize - m.size());
  uint64_t written = 0;
  for (const auto& [ptr, size] : ex.data) {
    emit(ptr, size);
    written += size;
    const uint64_t padded = AlignUp(written);
    emit(zeros, padded - written);
    written = padded;
  }
  char trailer[8];
  const uint64_t sum = hasher.finish();
  for (int i = 0; i < 8; ++i) trailer[i] = static_cast<char>((sum >> (8 * i)) & 0xff);
  os.write(trailer, 8);
  OPENVINO_ASSERT(os.good(), "Failed to write the compiled model to the stream");
}

uint64_t ReadBlobSize(const char* header, size_t size) {
  if (size < kBlobHeaderSize || std::memcmp(header, kBlobMagic, 8) != 0)
    OPENVINO_THROW("The stream does not hold an ovref compiled model (bad magic)");
  const uint32_t version = static_cast<uint32_t>(GetLE(header + 8, 4));
  if (version != kBlobVersion)
    OPENVINO_THROW("Unsupported ovref blob version ", version, " (this build reads version ",
                   kBlobVersion, ")");
  const uint64_t total = GetLE(header + 16, 8);
  if (total < kBlobHeaderSize + 8) OPENVINO_THROW("Corrupt blob: bad total size ", total);
  return total;
}

BlobContents ReadBlob(const char* data, size_t size, const std::shared_ptr<void>& owner,
                      const WeightsLookup& weights) {
  const uint64_t total = ReadBlobSize(data, size);
  if (total > size)
    OPENVINO_THROW("Truncated blob: it announces ", total, " bytes but only ", size,
                   " are present");
  BlobHasher hasher;
  hasher.update(data, total - 8);
  if (hasher.finish() != GetLE(data + total - 8, 8))
    OPENVINO_THROW("Corrupt blob: checksum mismatch");
  const uint32_t flags = static_cast<uint32_t>(GetLE(data + 12, 4));
  const uint64_t meta_size = GetLE(data + 24, 8);
  if (meta_size > total - kBlobHeaderSize - 8) OPENVINO_THROW("Corrupt blob: bad description size");
  const uint64_t data_start = AlignUp(kBlobHeaderSize + meta_size);
  if (data_start > total - 8) OPENVINO_THROW("Corrupt blob: bad description size");

  Import im{data,
            static_cast<size_t>(total),
            data_start,
            owner,
            &weights,
            (flags & kFlagWeightless) != 0,
            data + kBlobHeaderSize,
            static_cast<size_t>(meta_size)};
  Reader r(im.meta, im.meta_size);
  BlobContents contents;
  contents.weightless = im.weightless;
  contents.device = r.str();
  const size_t props = r.count(8);
  for (size_t i = 0; i < props; ++i) {
    std::string key = r.str();
    std::string value = r.str();
    contents.properties.emplace_back(std::move(key), std::move(value));
  }
  contents.model = ReadModelRecord(r, im, 0);
  if (!r.done()) OPENVINO_THROW("Corrupt blob: unexpected bytes after the graph");
  return contents;
}

}  // namespace runtime
}  // namespace ov
