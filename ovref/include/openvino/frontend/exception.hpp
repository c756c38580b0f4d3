#pragma once

#include <string>

#include "openvino/core/except.hpp"
#include "openvino/frontend/visibility.hpp"

namespace ov {
namespace frontend {

// Every front-end failure is an ov::AssertFailure whose text carries the usual location header
// followed by "FrontEnd API failed with <Kind>: <explanation>".
class FRONTEND_API GeneralFailure : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~GeneralFailure() override;

 protected:
  explicit GeneralFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

class FRONTEND_API InitializationFailure : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~InitializationFailure() override;

 protected:
  explicit InitializationFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

class FRONTEND_API OpValidationFailure : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~OpValidationFailure() override;

 protected:
  explicit OpValidationFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

class FRONTEND_API OpConversionFailure : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~OpConversionFailure() override;

 protected:
  explicit OpConversionFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

class FRONTEND_API NotImplementedFailure : public AssertFailure {
 public:
  [[noreturn]] static void create(const char* file, int line, const char* check_string,
                                  const std::string& context_info, const std::string& explanation);
  ~NotImplementedFailure() override;

 protected:
  explicit NotImplementedFailure(const std::string& what_arg) : ov::AssertFailure(what_arg) {}
};

}  // namespace frontend
}  // namespace ov

#define FRONT_END_GENERAL_CHECK(...) \
  OPENVINO_ASSERT_HELPER(::ov::frontend::GeneralFailure, std::string(), __VA_ARGS__)

#define FRONT_END_INITIALIZATION_CHECK(...) \
  OPENVINO_ASSERT_HELPER(::ov::frontend::InitializationFailure, std::string(), __VA_ARGS__)

#define FRONT_END_OP_CONVERSION_CHECK(...) \
  OPENVINO_ASSERT_HELPER(::ov::frontend::OpConversionFailure, std::string(), __VA_ARGS__)

#define FRONT_END_NOT_IMPLEMENTED(NAME)                                               \
  OPENVINO_ASSERT_HELPER(::ov::frontend::NotImplementedFailure, std::string(), false, \
                         #NAME " is not implemented for this FrontEnd class")

#define FRONT_END_CHECK_IMPLEMENTED(COND, NAME)                                        \
  OPENVINO_ASSERT_HELPER(::ov::frontend::NotImplementedFailure, std::string(), (COND), \
                         #NAME " is not implemented for this FrontEnd class")

#define FRONT_END_THROW(MSG) FRONT_END_GENERAL_CHECK(false, MSG)
