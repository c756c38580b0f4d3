#include "openvino/core/any.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/layout.hpp"
#include "openvino/core/runtime_attribute.hpp"
#include "openvino/core/type.hpp"
#include "openvino/core/type/element_type.hpp"
#include "openvino/op/util/attr_types.hpp"

namespace ov {

// ---- Any ----

Any::Base::~Base() = default;

bool Any::Base::is(const std::type_info& other) const {
  const auto& mine = type_info();
  return mine == other || std::strcmp(mine.name(), other.name()) == 0;
}

Any::Any(const Any& other) : _impl(other._impl ? other._impl->copy() : nullptr) {}

Any& Any::operator=(const Any& other) {
  if (this != &other) {
    _temp.reset();
    _impl = other._impl ? other._impl->copy() : nullptr;
  }
  return *this;
}

Any::~Any() = default;

Any::Any(const char* str) : Any(std::string{str}) {}

const std::type_info& Any::type_info() const {
  impl_check();
  return _impl->type_info();
}

void Any::impl_check() const { OPENVINO_ASSERT(_impl != nullptr, "Any was not initialized."); }

void Any::throw_bad_cast(const std::type_info& to) const {
  OPENVINO_THROW("Bad as from: ", _impl->type_info().name(), " to: ", to.name());
}

bool Any::operator==(const Any& other) const {
  if (_impl == nullptr || other._impl == nullptr) return false;
  if (_impl == other._impl) return true;
  return _impl->equal(*other._impl);
}

void Any::print(std::ostream& stream) const {
  if (_impl != nullptr) _impl->print(stream);
}

void Any::read(std::istream& stream) {
  if (_impl != nullptr) _impl->read(stream);
}

namespace util {

bool read_bool(const std::string& s) {
  std::string v = s;
  std::transform(v.begin(), v.end(), v.begin(),
                 [](char c) { return static_cast<char>(std::tolower(c)); });
  if (v == "1" || v == "true" || v == "on" || v == "yes") return true;
  if (v == "0" || v == "false" || v == "off" || v == "no") return false;
  OPENVINO_THROW("Could not convert to bool from string ", s);
}

void read_number(const std::string& s, const std::type_info& type, void* out) {
  try {
    if (type == typeid(int)) {
      *static_cast<int*>(out) = std::stoi(s);
    } else if (type == typeid(long)) {
      *static_cast<long*>(out) = std::stol(s);
    } else if (type == typeid(long long)) {
      *static_cast<long long*>(out) = std::stoll(s);
    } else if (type == typeid(unsigned)) {
      const auto v = std::stoul(s);
      *static_cast<unsigned*>(out) = static_cast<unsigned>(v);
    } else if (type == typeid(unsigned long)) {
      *static_cast<unsigned long*>(out) = std::stoul(s);
    } else if (type == typeid(unsigned long long)) {
      *static_cast<unsigned long long*>(out) = std::stoull(s);
    } else if (type == typeid(float)) {
      *static_cast<float*>(out) = std::stof(s);
    } else if (type == typeid(double)) {
      *static_cast<double*>(out) = std::stod(s);
    } else if (type == typeid(long double)) {
      *static_cast<long double*>(out) = std::stold(s);
    } else if (type == typeid(short)) {
      *static_cast<short*>(out) = static_cast<short>(std::stoi(s));
    } else if (type == typeid(unsigned short)) {
      *static_cast<unsigned short*>(out) = static_cast<unsigned short>(std::stoul(s));
    } else if (type == typeid(signed char) || type == typeid(char)) {
      *static_cast<signed char*>(out) = static_cast<signed char>(std::stoi(s));
    } else if (type == typeid(unsigned char)) {
      *static_cast<unsigned char*>(out) = static_cast<unsigned char>(std::stoul(s));
    } else {
      OPENVINO_THROW("Could not convert to: ", type.name(), " from string \"", s, "\"");
    }
  } catch (const ov::Exception&) {
    throw;
  } catch (const std::exception& e) {
    OPENVINO_THROW("Could not convert to: ", type.name(), " from string \"", s, "\": ", e.what());
  }
}

std::vector<std::pair<std::string, std::string>> split_map(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> result;
  std::string s = text;
  const auto b = s.find_first_not_of(" \t\n");
  const auto e = s.find_last_not_of(" \t\n");
  if (b == std::string::npos) return result;
  s = s.substr(b, e - b + 1);
  if (s.size() >= 2 && s.front() == '{' && s.back() == '}') s = s.substr(1, s.size() - 2);
  int depth = 0;
  std::string item;
  auto flush = [&] {
    if (item.empty()) return;
    const auto colon = item.find(':');
    OPENVINO_ASSERT(colon != std::string::npos, "Could not parse map item \"", item, "\"");
    result.emplace_back(item.substr(0, colon), item.substr(colon + 1));
    item.clear();
  };
  for (char c : s) {
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') --depth;
    if (c == ',' && depth == 0) {
      flush();
    } else {
      item.push_back(c);
    }
  }
  flush();
  return result;
}

void print_runtime_attribute(std::ostream& os, const std::shared_ptr<RuntimeAttribute>& value) {
  if (value) os << value->to_string();
}

}  // namespace util

// ---- RuntimeAttribute ----

RuntimeAttribute::~RuntimeAttribute() = default;
bool RuntimeAttribute::is_copyable() const { return true; }
bool RuntimeAttribute::is_copyable(const std::shared_ptr<Node>&) const { return is_copyable(); }
bool RuntimeAttribute::is_deterministic() const { return true; }
Any RuntimeAttribute::init(const std::shared_ptr<Node>&) const { return {}; }
Any RuntimeAttribute::merge(const std::vector<std::shared_ptr<Node>>&) const { return {}; }
Any RuntimeAttribute::merge(const std::vector<Output<Node>>&) const { return {}; }
std::string RuntimeAttribute::to_string() const { return {}; }
bool RuntimeAttribute::visit_attributes(AttributeVisitor&) { return false; }

std::ostream& operator<<(std::ostream& os, const RuntimeAttribute& attribute) {
  return os << attribute.to_string();
}

// ---- DiscreteTypeInfo ----

namespace {
size_t hash_combine(size_t seed, size_t v) {
  return seed ^ (v + 0x9e3779b9 + (seed << 6) + (seed >> 2));
}
size_t compute_hash(const DiscreteTypeInfo& info) {
  const size_t name_hash = info.name ? std::hash<std::string>()(std::string(info.name)) : 0;
  const size_t version_hash =
      info.version_id ? std::hash<std::string>()(std::string(info.version_id)) : 0;
  return hash_combine(hash_combine(0, name_hash), version_hash);
}
}  // namespace

bool DiscreteTypeInfo::is_castable(const DiscreteTypeInfo& target_type) const {
  return *this == target_type || (parent && parent->is_castable(target_type));
}

std::string DiscreteTypeInfo::get_version() const {
  return version_id ? std::string(version_id) : std::string();
}

DiscreteTypeInfo::operator std::string() const { return std::string(name) + "_" + get_version(); }

size_t DiscreteTypeInfo::hash() const { return hash_value != 0 ? hash_value : compute_hash(*this); }

size_t DiscreteTypeInfo::hash() {
  if (hash_value == 0) hash_value = compute_hash(*this);
  return hash_value;
}

bool DiscreteTypeInfo::operator<(const DiscreteTypeInfo& b) const {
  const int c = std::strcmp(name, b.name);
  if (c != 0) return c < 0;
  return get_version() < b.get_version();
}
bool DiscreteTypeInfo::operator<=(const DiscreteTypeInfo& b) const { return !(b < *this); }
bool DiscreteTypeInfo::operator>(const DiscreteTypeInfo& b) const { return b < *this; }
bool DiscreteTypeInfo::operator>=(const DiscreteTypeInfo& b) const { return !(*this < b); }

bool DiscreteTypeInfo::operator==(const DiscreteTypeInfo& b) const {
  if (hash_value != 0 && b.hash_value != 0) return hash_value == b.hash_value;
  return std::strcmp(name, b.name) == 0 && get_version() == b.get_version();
}
bool DiscreteTypeInfo::operator!=(const DiscreteTypeInfo& b) const { return !(*this == b); }

std::ostream& operator<<(std::ostream& s, const DiscreteTypeInfo& info) {
  std::string version_id = info.version_id ? info.version_id : "(empty)";
  s << "DiscreteTypeInfo{name: " << info.name << ", version_id: " << version_id << ", parent: ";
  if (!info.parent) {
    s << info.parent;
  } else {
    s << *info.parent;
  }
  return s << "}";
}

// ---- AttributeVisitor ----

AttributeVisitor::~AttributeVisitor() = default;

#define OVREF_VISIT_FALLBACK(T)                                                           \
  void AttributeVisitor::on_adapter(const std::string& name, ValueAccessor<T>& adapter) { \
    on_adapter(name, static_cast<ValueAccessor<void>&>(adapter));                         \
  }

OVREF_VISIT_FALLBACK(void*)
OVREF_VISIT_FALLBACK(std::string)
OVREF_VISIT_FALLBACK(bool)
OVREF_VISIT_FALLBACK(int8_t)
OVREF_VISIT_FALLBACK(int16_t)
OVREF_VISIT_FALLBACK(int32_t)
OVREF_VISIT_FALLBACK(int64_t)
OVREF_VISIT_FALLBACK(uint8_t)
OVREF_VISIT_FALLBACK(uint16_t)
OVREF_VISIT_FALLBACK(uint32_t)
OVREF_VISIT_FALLBACK(uint64_t)
OVREF_VISIT_FALLBACK(float)
OVREF_VISIT_FALLBACK(double)
OVREF_VISIT_FALLBACK(std::vector<int8_t>)
OVREF_VISIT_FALLBACK(std::vector<int16_t>)
OVREF_VISIT_FALLBACK(std::vector<int32_t>)
OVREF_VISIT_FALLBACK(std::vector<int64_t>)
OVREF_VISIT_FALLBACK(std::vector<uint8_t>)
OVREF_VISIT_FALLBACK(std::vector<uint16_t>)
OVREF_VISIT_FALLBACK(std::vector<uint32_t>)
OVREF_VISIT_FALLBACK(std::vector<uint64_t>)
OVREF_VISIT_FALLBACK(std::vector<float>)
OVREF_VISIT_FALLBACK(std::vector<double>)
OVREF_VISIT_FALLBACK(std::vector<std::string>)
OVREF_VISIT_FALLBACK(std::shared_ptr<ov::Model>)

#undef OVREF_VISIT_FALLBACK

std::string AttributeVisitor::get_name_with_context() {
  std::string result;
  std::string sep;
  for (const auto& c : m_context) {
    result += sep + c;
    sep = ".";
  }
  return result;
}

void AttributeVisitor::start_structure(const std::string& name) { m_context.push_back(name); }

std::string AttributeVisitor::finish_structure() {
  std::string result = m_context.back();
  m_context.pop_back();
  return result;
}

// ---- adapters and enum names ----

const std::string& AttributeAdapter<element::Type>::get() {
  m_buffer = m_ref.to_string();
  return m_buffer;
}

void AttributeAdapter<element::Type>::set(const std::string& value) {
  m_ref = element::Type(value);
}

template <>
EnumNames<element::Type_t>& EnumNames<element::Type_t>::get() {
  static auto enum_names = EnumNames<element::Type_t>(
      "element::Type_t",
      {{"dynamic", element::Type_t::dynamic}, {"boolean", element::Type_t::boolean},
       {"bf16", element::Type_t::bf16},       {"f16", element::Type_t::f16},
       {"f32", element::Type_t::f32},         {"f64", element::Type_t::f64},
       {"i4", element::Type_t::i4},           {"i8", element::Type_t::i8},
       {"i16", element::Type_t::i16},         {"i32", element::Type_t::i32},
       {"i64", element::Type_t::i64},         {"u1", element::Type_t::u1},
       {"u2", element::Type_t::u2},           {"u3", element::Type_t::u3},
       {"u4", element::Type_t::u4},           {"u6", element::Type_t::u6},
       {"u8", element::Type_t::u8},           {"u16", element::Type_t::u16},
       {"u32", element::Type_t::u32},         {"u64", element::Type_t::u64},
       {"nf4", element::Type_t::nf4},         {"f8e4m3", element::Type_t::f8e4m3},
       {"f8e5m2", element::Type_t::f8e5m2},   {"string", element::Type_t::string},
       {"f4e2m1", element::Type_t::f4e2m1},   {"f8e8m0", element::Type_t::f8e8m0}});
  return enum_names;
}

const std::string& AttributeAdapter<Layout>::get() {
  m_dump = m_ref.to_string();
  return m_dump;
}

Layout::Layout() = default;

Layout::Layout(const std::string& layout_str) {
  std::string s;
  for (char c : layout_str) {
    if (!std::isspace(static_cast<unsigned char>(c))) s.push_back(c);
  }
  // "NCHW" and "[N,C,H,W]" name the same layout; keep the bracketed form only when needed.
  if (!s.empty() && s.front() == '[' && s.back() == ']') {
    const std::string inner = s.substr(1, s.size() - 2);
    bool single_letters = true;
    std::string compact;
    size_t pos = 0;
    while (pos <= inner.size()) {
      const auto comma = inner.find(',', pos);
      const std::string item =
          inner.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
      if (item.size() != 1 || !std::isalpha(static_cast<unsigned char>(item[0]))) {
        single_letters = false;
      }
      compact += item;
      if (comma == std::string::npos) break;
      pos = comma + 1;
    }
    if (single_letters && !inner.empty()) s = compact;
  }
  std::transform(s.begin(), s.end(), s.begin(),
                 [](char c) { return static_cast<char>(std::toupper(c)); });
  m_text = s;
}

namespace op {

AutoBroadcastSpec::AutoBroadcastSpec(const char* type)
    : AutoBroadcastSpec(as_enum<AutoBroadcastType>(type)) {}

BroadcastModeSpec::BroadcastModeSpec(const char* type)
    : BroadcastModeSpec(as_enum<BroadcastType>(type)) {}

#define OVREF_ENUM_PRINTER(E) \
  std::ostream& operator<<(std::ostream& s, const E& type) { return s << as_string(type); }

OVREF_ENUM_PRINTER(PadMode)
OVREF_ENUM_PRINTER(PadType)
OVREF_ENUM_PRINTER(RoundingType)
OVREF_ENUM_PRINTER(AutoBroadcastType)
OVREF_ENUM_PRINTER(BroadcastType)
OVREF_ENUM_PRINTER(EpsMode)
OVREF_ENUM_PRINTER(TopKSortType)
OVREF_ENUM_PRINTER(TopKMode)

#undef OVREF_ENUM_PRINTER

}  // namespace op

template <>
EnumNames<op::PadMode>& EnumNames<op::PadMode>::get() {
  static auto enum_names =
      EnumNames<op::PadMode>("op::PadMode", {{"constant", op::PadMode::CONSTANT},
                                             {"edge", op::PadMode::EDGE},
                                             {"reflect", op::PadMode::REFLECT},
                                             {"symmetric", op::PadMode::SYMMETRIC}});
  return enum_names;
}

template <>
EnumNames<op::PadType>& EnumNames<op::PadType>::get() {
  static auto enum_names =
      EnumNames<op::PadType>("op::PadType", {{"explicit", op::PadType::EXPLICIT},
                                             {"same_lower", op::PadType::SAME_LOWER},
                                             {"same_upper", op::PadType::SAME_UPPER},
                                             {"valid", op::PadType::VALID}});
  return enum_names;
}

template <>
EnumNames<op::RoundingType>& EnumNames<op::RoundingType>::get() {
  static auto enum_names = EnumNames<op::RoundingType>(
      "op::RoundingType", {{"floor", op::RoundingType::FLOOR},
                           {"ceil", op::RoundingType::CEIL},
                           {"ceil_torch", op::RoundingType::CEIL_TORCH}});
  return enum_names;
}

template <>
EnumNames<op::AutoBroadcastType>& EnumNames<op::AutoBroadcastType>::get() {
  static auto enum_names = EnumNames<op::AutoBroadcastType>(
      "op::AutoBroadcastType", {{"none", op::AutoBroadcastType::NONE},
                                {"explicit", op::AutoBroadcastType::EXPLICIT},
                                {"numpy", op::AutoBroadcastType::NUMPY},
                                {"pdpd", op::AutoBroadcastType::PDPD}});
  return enum_names;
}

template <>
EnumNames<op::BroadcastType>& EnumNames<op::BroadcastType>::get() {
  static auto enum_names = EnumNames<op::BroadcastType>(
      "op::BroadcastType", {{"explicit", op::BroadcastType::EXPLICIT},
                            {"none", op::BroadcastType::NONE},
                            {"numpy", op::BroadcastType::NUMPY},
                            {"pdpd", op::BroadcastType::PDPD},
                            {"bidirectional", op::BroadcastType::BIDIRECTIONAL}});
  return enum_names;
}

template <>
EnumNames<op::EpsMode>& EnumNames<op::EpsMode>::get() {
  static auto enum_names =
      EnumNames<op::EpsMode>("op::EpsMode", {{"add", op::EpsMode::ADD}, {"max", op::EpsMode::MAX}});
  return enum_names;
}

template <>
EnumNames<op::TopKSortType>& EnumNames<op::TopKSortType>::get() {
  static auto enum_names =
      EnumNames<op::TopKSortType>("op::TopKSortType", {{"none", op::TopKSortType::NONE},
                                                       {"index", op::TopKSortType::SORT_INDICES},
                                                       {"value", op::TopKSortType::SORT_VALUES}});
  return enum_names;
}

template <>
EnumNames<op::TopKMode>& EnumNames<op::TopKMode>::get() {
  static auto enum_names = EnumNames<op::TopKMode>(
      "op::TopKMode", {{"min", op::TopKMode::MIN}, {"max", op::TopKMode::MAX}});
  return enum_names;
}

bool AttributeAdapter<op::AutoBroadcastSpec>::visit_attributes(AttributeVisitor& visitor) {
  // The type is written under the attribute's own name; PDPD adds its axis.
  std::string type = as_string(m_ref.m_type);
  visitor.on_attribute("type", type);
  m_ref.m_type = as_enum<op::AutoBroadcastType>(type);
  if (m_ref.m_type == op::AutoBroadcastType::PDPD) visitor.on_attribute("axis", m_ref.m_axis);
  return true;
}

bool AttributeAdapter<op::BroadcastModeSpec>::visit_attributes(AttributeVisitor& visitor) {
  std::string type = as_string(m_ref.m_type);
  visitor.on_attribute("mode", type);
  m_ref.m_type = as_enum<op::BroadcastType>(type);
  if (m_ref.m_type == op::BroadcastType::PDPD) visitor.on_attribute("axis", m_ref.m_axis);
  return true;
}

}  // namespace ov
