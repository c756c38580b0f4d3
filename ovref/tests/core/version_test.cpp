#include "openvino/core/version.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "openvino/core/except.hpp"

namespace {

TEST(Version, NamesItselfAsTheBundledSubset) {
  const ov::Version v = ov::get_openvino_version();
  ASSERT_NE(v.buildNumber, nullptr);
  ASSERT_NE(v.description, nullptr);
  EXPECT_EQ(std::string(v.buildNumber).rfind("2026.0.0", 0), 0u);
  EXPECT_NE(std::string(v.description).find("reference subset"), std::string::npos);
  EXPECT_NE(std::string(v.description).find("not the Intel toolkit"), std::string::npos);

  std::ostringstream s;
  s << v;
  EXPECT_EQ(s.str(), std::string(v.description) +
                         "\n    Version : 2026.0.0\n    Build   : " + v.buildNumber + "\n");
}

// OVREF_REPORTED_VERSION replaces the build number, is read on every call, and every text it
// gave stays valid; the API release the version line prints does not change.
TEST(Version, ReportedVersionComesFromTheEnvironmentOnEveryCall) {
  const char* old_name = "2025.3.0-19807-44526285f24-releases/2025/3";
  ASSERT_EQ(setenv("OVREF_REPORTED_VERSION", old_name, 1), 0);
  const ov::Version old_version = ov::get_openvino_version();
  EXPECT_STREQ(old_version.buildNumber, old_name);
  EXPECT_NE(std::string(old_version.description).find("not the Intel toolkit"), std::string::npos);
  std::ostringstream s;
  s << old_version;
  EXPECT_NE(s.str().find("    Version : 2026.0.0\n    Build   : 2025.3.0-19807"),
            std::string::npos);

  ASSERT_EQ(setenv("OVREF_REPORTED_VERSION", "custom_build", 1), 0);
  EXPECT_STREQ(ov::get_openvino_version().buildNumber, "custom_build");
  EXPECT_STREQ(old_version.buildNumber, old_name);

  ASSERT_EQ(setenv("OVREF_REPORTED_VERSION", "", 1), 0);
  EXPECT_EQ(std::string(ov::get_openvino_version().buildNumber).rfind("2026.0.0", 0), 0u);
  ASSERT_EQ(unsetenv("OVREF_REPORTED_VERSION"), 0);
  EXPECT_EQ(std::string(ov::get_openvino_version().buildNumber).rfind("2026.0.0", 0), 0u);
}

TEST(Exception, WhatTextFollowsTheToolkitLayout) {
  try {
    OPENVINO_THROW("Unknown ", 42);
    FAIL();
  } catch (const ov::Exception& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("Exception from ", 0), 0u);
    EXPECT_NE(what.find(":\nUnknown 42\n"), std::string::npos);
  }
  try {
    int a = 1, b = 2;
    OPENVINO_ASSERT(a == b, "msg");
    FAIL();
  } catch (const ov::AssertFailure& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("Check 'a == b' failed at ", 0), 0u);
    EXPECT_NE(what.find(":\nmsg\n"), std::string::npos);
  }
  try {
    OPENVINO_ASSERT(false);
    FAIL();
  } catch (const ov::Exception& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.back(), '\n');
    EXPECT_EQ(what.find(":\n"), std::string::npos);
  }
  try {
    OPENVINO_THROW_NOT_IMPLEMENTED("x");
    FAIL();
  } catch (const ov::NotImplemented& e) {
    EXPECT_NE(std::string(e.what()).find(":\nNot Implemented:\nx\n"), std::string::npos);
  }
}

TEST(Exception, AssertMessageIsEvaluatedOnlyOnFailure) {
  int evaluated = 0;
  auto message = [&] {
    ++evaluated;
    return "m";
  };
  OPENVINO_ASSERT(true, message());
  EXPECT_EQ(evaluated, 0);
  EXPECT_THROW(OPENVINO_ASSERT(false, message()), ov::AssertFailure);
  EXPECT_EQ(evaluated, 1);
}

}  // namespace
