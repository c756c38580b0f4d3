#pragma once

#include <sstream>
#include <stdexcept>
#include <string>

#include "openvino/core/core_visibility.hpp"

namespace ov {

// Base of every exception the API throws. what() is the formatted text:
// "Exception from <file>:<line>:\n<explanation>\n" or, for checks,
// "Check '<cond>' failed at <file>:<line>:\n<context>:\n<explanation>\n".
class OPENVINO_API Exception : public std::runtime_error {
 public:
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
  ~Exception() override;

  [[noreturn]] static void create(const char* file, int line, const std::string& explanation);

  static const std::string default_msg;

 protected:
  explicit Exception(const std::string& what_arg);

  static std::string make_what(const char* file, int line, const char* check_string,
                               const std::string& context_info, const std::string& explanation);
};

class OPENVINO_API AssertFailure : public Exception {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~AssertFailure() override;

 protected:
  explicit AssertFailure(const std::string& what_arg) : Exception(what_arg) {}
};

class OPENVINO_API NotImplemented : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const std::string& explanation);
  ~NotImplemented() override;

  static const std::string default_msg;

 protected:
  explicit NotImplemented(const std::string& what_arg) : AssertFailure(what_arg) {}
};

inline std::ostream& write_all_to_stream(std::ostream& os) { return os; }

template <typename T, typename... TS>
std::ostream& write_all_to_stream(std::ostream& os, T&& arg, TS&&... args) {
  return write_all_to_stream(os << arg, std::forward<TS>(args)...);
}

template <typename... TS>
std::string stringify(TS&&... args) {
  std::stringstream s;
  write_all_to_stream(s, std::forward<TS>(args)...);
  return s.str();
}

}  // namespace ov

#define OPENVINO_THROW(...) \
  ::ov::Exception::create(__FILE__, __LINE__, ::ov::stringify(__VA_ARGS__))

#define OPENVINO_ASSERT_HELPER(exc_class, ctx, check, ...)                                  \
  do {                                                                                      \
    if (!static_cast<bool>(check)) {                                                        \
      exc_class::create(__FILE__, __LINE__, (#check), (ctx), ::ov::stringify(__VA_ARGS__)); \
    }                                                                                       \
  } while (0)

// The message parts are evaluated only when the check fails.
#define OPENVINO_ASSERT(...) OPENVINO_ASSERT_HELPER(::ov::AssertFailure, std::string(), __VA_ARGS__)

#define OPENVINO_THROW_NOT_IMPLEMENTED(...) \
  ::ov::NotImplemented::create(__FILE__, __LINE__, ::ov::stringify(__VA_ARGS__))

#define OPENVINO_NOT_IMPLEMENTED ::ov::NotImplemented::create(__FILE__, __LINE__, std::string())
