#include "openvino/core/except.hpp"

namespace ov {

const std::string Exception::default_msg{};
const std::string NotImplemented::default_msg{"Not Implemented"};

Exception::Exception(const std::string& what_arg) : std::runtime_error(what_arg) {}
Exception::~Exception() = default;
AssertFailure::~AssertFailure() = default;
NotImplemented::~NotImplemented() = default;

std::string Exception::make_what(const char* file, int line, const char* check_string,
                                 const std::string& context_info, const std::string& explanation) {
  std::stringstream ss;
  if (check_string) {
    ss << "Check '" << check_string << "' failed at " << file << ":" << line;
  } else {
    ss << "Exception from " << file << ":" << line;
  }
  if (!context_info.empty()) ss << ":\n" << context_info;
  if (!explanation.empty()) ss << ":\n" << explanation;
  ss << "\n";
  return ss.str();
}

void Exception::create(const char* file, int line, const std::string& explanation) {
  throw Exception(make_what(file, line, nullptr, default_msg, explanation));
}

void AssertFailure::create(const char* file, int line, const char* check_string,
                           const std::string& context_info, const std::string& explanation) {
  throw AssertFailure(make_what(file, line, check_string, context_info, explanation));
}

void NotImplemented::create(const char* file, int line, const std::string& explanation) {
  throw NotImplemented(make_what(file, line, nullptr, default_msg, explanation));
}

}  // namespace ov
