#pragma once

#include <cstring>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "openvino/core/core_visibility.hpp"
#include "openvino/core/except.hpp"

namespace ov {

class RuntimeAttribute;
class Any;

namespace util {

template <typename T, typename = void>
struct has_ostream : std::false_type {};
template <typename T>
struct has_ostream<T,
                   std::void_t<decltype(std::declval<std::ostream&>() << std::declval<const T&>())>>
    : std::true_type {};

template <typename T, typename = void>
struct has_istream : std::false_type {};
template <typename T>
struct has_istream<T, std::void_t<decltype(std::declval<std::istream&>() >> std::declval<T&>())>>
    : std::true_type {};

template <typename T, typename = void>
struct has_equal : std::false_type {};
template <typename T>
struct has_equal<T, std::void_t<decltype(std::declval<const T&>() == std::declval<const T&>())>>
    : std::true_type {};

template <typename T>
struct is_vector_or_set : std::false_type {};
template <typename T, typename A>
struct is_vector_or_set<std::vector<T, A>> : std::true_type {};
template <typename T, typename C, typename A>
struct is_vector_or_set<std::set<T, C, A>> : std::true_type {};

template <typename T>
struct is_map : std::false_type {};
template <typename K, typename V, typename C, typename A>
struct is_map<std::map<K, V, C, A>> : std::true_type {};

template <typename T, typename = void>
struct has_base_tuple : std::false_type {};
template <typename T>
struct has_base_tuple<T, std::void_t<typename T::Base>> : std::true_type {};

OPENVINO_API bool read_bool(const std::string& s);
OPENVINO_API void print_runtime_attribute(std::ostream& os,
                                          const std::shared_ptr<RuntimeAttribute>& value);
OPENVINO_API void read_number(const std::string& s, const std::type_info& type, void* out);
// Splits "{k:v,k2:v2}" into pairs, keeping nested {} and [] intact.
OPENVINO_API std::vector<std::pair<std::string, std::string>> split_map(const std::string& s);

template <typename T>
struct Printable;

template <typename T>
void print_value(std::ostream& os, const T& value);

template <typename T>
bool read_value(std::istream& is, T& value);

template <typename T>
constexpr bool is_readable() {
  using U = std::decay_t<T>;
  if constexpr (std::is_same_v<U, std::string> || std::is_arithmetic_v<U> ||
                std::is_same_v<U, Any>) {
    return true;
  } else if constexpr (is_vector_or_set<U>::value) {
    return is_readable<typename U::value_type>();
  } else if constexpr (is_map<U>::value) {
    return is_readable<typename U::key_type>() && is_readable<typename U::mapped_type>();
  } else {
    return has_istream<U>::value;
  }
}

}  // namespace util

// A type-erased value: holds one object of any copyable type, with the toolkit's text
// conversions (see as<T>()).
class OPENVINO_API Any {
 public:
  struct OPENVINO_API Base {
    using Ptr = std::shared_ptr<Base>;
    virtual ~Base();
    virtual const std::type_info& type_info() const = 0;
    virtual bool is_base_type_info(const std::type_info& t) const = 0;
    virtual const void* addressof() const = 0;
    void* addressof() { return const_cast<void*>(static_cast<const Base*>(this)->addressof()); }
    virtual Ptr copy() const = 0;
    virtual bool equal(const Base& rhs) const = 0;
    virtual void print(std::ostream& os) const = 0;
    virtual void read(std::istream& is) = 0;
    // Numeric views used by as<T>() for arithmetic T; false when the value is not a number.
    virtual bool as_signed(long long&) const { return false; }
    virtual bool as_unsigned(unsigned long long&) const { return false; }
    virtual bool as_double(double&) const { return false; }
    virtual std::shared_ptr<RuntimeAttribute> as_runtime_attribute_ptr() const { return nullptr; }

    bool is(const std::type_info& other) const;
  };

  template <typename T>
  struct Impl final : public Base {
    template <typename... Args>
    explicit Impl(Args&&... args) : value(std::forward<Args>(args)...) {}

    const std::type_info& type_info() const override { return typeid(T); }
    bool is_base_type_info(const std::type_info& t) const override {
      if constexpr (util::has_base_tuple<T>::value) {
        return is_in_tuple(t, static_cast<typename T::Base*>(nullptr));
      } else {
        return false;
      }
    }
    const void* addressof() const override { return &value; }
    Ptr copy() const override { return std::make_shared<Impl<T>>(value); }
    bool equal(const Base& rhs) const override {
      if constexpr (util::has_equal<T>::value) {
        if (!rhs.is(typeid(T))) return false;
        return static_cast<bool>(value == *static_cast<const T*>(rhs.addressof()));
      } else {
        OPENVINO_THROW("Could not compare types without equality operator");
      }
    }
    void print(std::ostream& os) const override { util::print_value(os, value); }
    void read(std::istream& is) override {
      if constexpr (util::is_readable<T>()) {
        util::read_value(is, value);
      } else {
        OPENVINO_THROW("Could not read type without std::istream& operator>>(std::istream&, T)",
                       " defined or ov::util::Read<T> class specialization, T: ", typeid(T).name());
      }
    }
    bool as_signed(long long& out) const override {
      if constexpr (std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, bool>) {
        out = static_cast<long long>(value);
        return true;
      } else {
        return false;
      }
    }
    bool as_unsigned(unsigned long long& out) const override {
      if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>) {
        out = static_cast<unsigned long long>(value);
        return true;
      } else {
        return false;
      }
    }
    bool as_double(double& out) const override {
      if constexpr (std::is_floating_point_v<T>) {
        out = static_cast<double>(value);
        return true;
      } else {
        return false;
      }
    }
    std::shared_ptr<RuntimeAttribute> as_runtime_attribute_ptr() const override {
      if constexpr (std::is_convertible_v<T, std::shared_ptr<RuntimeAttribute>>) {
        return value;
      } else {
        return nullptr;
      }
    }

    T value;

   private:
    template <typename... B>
    static bool is_in_tuple(const std::type_info& t, std::tuple<B...>*) {
      return ((t == typeid(B) || std::strcmp(t.name(), typeid(B).name()) == 0) || ...);
    }
  };

  Any() = default;
  Any(const Any& other);
  Any& operator=(const Any& other);
  Any(Any&& other) = default;
  Any& operator=(Any&& other) = default;
  ~Any();

  template <typename T,
            typename std::enable_if_t<!std::is_same_v<std::decay_t<T>, Any> &&
                                          !std::is_abstract_v<std::decay_t<T>> &&
                                          !std::is_convertible_v<std::decay_t<T>, Base::Ptr>,
                                      bool> = true>
  Any(T&& value) : _impl(std::make_shared<Impl<std::decay_t<T>>>(std::forward<T>(value))) {}

  Any(const char* str);
  Any(const std::nullptr_t) {}

  template <typename T, typename... Args>
  static Any make(Args&&... args) {
    Any any;
    any._impl = std::make_shared<Impl<std::decay_t<T>>>(std::forward<Args>(args)...);
    return any;
  }

  const std::type_info& type_info() const;
  bool empty() const { return _impl == nullptr; }

  template <class T>
  bool is() const {
    if (!_impl) return false;
    return _impl->is(typeid(std::decay_t<T>)) || _impl->is_base_type_info(typeid(std::decay_t<T>));
  }

  template <class T>
  T& as() {
    return const_cast<T&>(static_cast<const Any*>(this)->as<T>());
  }

  template <class T>
  const T& as() const {
    using U = std::decay_t<T>;
    if constexpr (std::is_same_v<U, std::string>) {
      if (!_impl) {
        _temp = std::make_shared<Impl<std::string>>();
        return *static_cast<const std::string*>(_temp->addressof());
      }
      if (_impl->is(typeid(std::string)))
        return *static_cast<const std::string*>(_impl->addressof());
      std::stringstream ss;
      _impl->print(ss);
      _temp = std::make_shared<Impl<std::string>>(ss.str());
      return *static_cast<const std::string*>(_temp->addressof());
    } else if constexpr (std::is_convertible_v<U, std::shared_ptr<RuntimeAttribute>>) {
      if (!_impl) {
        _temp = std::make_shared<Impl<U>>();
        return *static_cast<const U*>(_temp->addressof());
      }
      if (_impl->is(typeid(U))) return *static_cast<const U*>(_impl->addressof());
      auto ptr =
          std::dynamic_pointer_cast<typename U::element_type>(_impl->as_runtime_attribute_ptr());
      if (!ptr) {
        OPENVINO_THROW("Any does not contains pointer to runtime_attribute. It contains ",
                       _impl->type_info().name());
      }
      _temp = std::make_shared<Impl<U>>(std::move(ptr));
      return *static_cast<const U*>(_temp->addressof());
    } else {
      impl_check();
      if (_impl->is(typeid(U)) || _impl->is_base_type_info(typeid(U))) {
        return *static_cast<const U*>(_impl->addressof());
      }
      if constexpr (std::is_arithmetic_v<U> && !std::is_same_v<U, bool>) {
        if (_impl->is(typeid(std::string))) return read_temp<U>();
        long long s;
        unsigned long long u;
        double d;
        if (_impl->as_signed(s)) {
          _temp = std::make_shared<Impl<U>>(static_cast<U>(s));
        } else if (_impl->as_unsigned(u)) {
          _temp = std::make_shared<Impl<U>>(static_cast<U>(u));
        } else if (_impl->as_double(d)) {
          _temp = std::make_shared<Impl<U>>(static_cast<U>(d));
        } else {
          throw_bad_cast(typeid(U));
        }
        return *static_cast<const U*>(_temp->addressof());
      } else if constexpr (util::is_readable<U>() && std::is_default_constructible_v<U>) {
        if (_impl->is(typeid(std::string))) return read_temp<U>();
        throw_bad_cast(typeid(U));
      } else {
        throw_bad_cast(typeid(U));
      }
    }
  }

  bool operator==(const Any& other) const;
  bool operator==(const std::nullptr_t&) const { return _impl == nullptr; }
  bool operator!=(const Any& other) const { return !(*this == other); }

  void print(std::ostream& stream) const;
  void read(std::istream& stream);

  void* addressof() { return _impl ? _impl->addressof() : nullptr; }
  const void* addressof() const { return _impl ? _impl->addressof() : nullptr; }

 private:
  void impl_check() const;
  [[noreturn]] void throw_bad_cast(const std::type_info& to) const;

  template <typename U>
  const U& read_temp() const {
    auto temp = std::make_shared<Impl<U>>();
    std::stringstream ss(*static_cast<const std::string*>(_impl->addressof()));
    temp->read(ss);
    _temp = temp;
    return temp->value;
  }

  mutable Base::Ptr _temp;
  Base::Ptr _impl;
};

using AnyMap = std::map<std::string, Any>;
using RTMap = AnyMap;
using AnyVector = std::vector<ov::Any>;

namespace util {

template <typename T>
void print_value(std::ostream& os, const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    os << (value ? "YES" : "NO");
  } else if constexpr (std::is_same_v<T, Any>) {
    value.print(os);
  } else if constexpr (is_vector_or_set<T>::value) {
    bool first = true;
    for (const auto& v : value) {
      if (!first) os << ' ';
      print_value(os, v);
      first = false;
    }
  } else if constexpr (is_map<T>::value) {
    if (value.empty()) return;
    os << '{';
    bool first = true;
    for (const auto& kv : value) {
      if (!first) os << ',';
      print_value(os, kv.first);
      os << ':';
      print_value(os, kv.second);
      first = false;
    }
    os << '}';
  } else if constexpr (std::is_convertible_v<T, std::shared_ptr<RuntimeAttribute>>) {
    // Printed through the attribute's to_string(); declared in runtime_attribute.hpp.
    print_runtime_attribute(os, value);
  } else if constexpr (std::is_same_v<T, int8_t> || std::is_same_v<T, uint8_t>) {
    os << static_cast<int>(value);
  } else if constexpr (has_ostream<T>::value) {
    os << value;
  }
}

template <typename T>
bool read_value(std::istream& is, T& value) {
  if constexpr (std::is_same_v<T, Any>) {
    std::string all((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    value = Any(all);
  } else if constexpr (std::is_same_v<T, std::string>) {
    std::string all((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    value = all;
  } else if constexpr (std::is_same_v<T, bool>) {
    std::string s;
    is >> s;
    value = read_bool(s);
  } else if constexpr (std::is_arithmetic_v<T>) {
    std::string s;
    is >> s;
    read_number(s, typeid(T), &value);
  } else if constexpr (is_vector_or_set<T>::value) {
    using V = typename T::value_type;
    value.clear();
    std::string word;
    while (is >> word) {
      V v{};
      if constexpr (std::is_same_v<V, std::string>) {
        v = word;
      } else {
        std::stringstream ss(word);
        read_value(ss, v);
      }
      if constexpr (std::is_same_v<T, std::vector<V, typename T::allocator_type>>) {
        value.push_back(v);
      } else {
        value.insert(v);
      }
    }
  } else if constexpr (is_map<T>::value) {
    std::string all((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    value.clear();
    for (const auto& kv : split_map(all)) {
      typename T::key_type k{};
      typename T::mapped_type v{};
      std::stringstream ks(kv.first), vs(kv.second);
      read_value(ks, k);
      read_value(vs, v);
      value.emplace(std::move(k), std::move(v));
    }
  } else {
    is >> value;
  }
  return true;
}

}  // namespace util

}  // namespace ov
