#ifndef ZORVEL_HOST_HOST_TEST_UTIL_H_
#define ZORVEL_HOST_HOST_TEST_UTIL_H_

// Helpers shared by the tests that build stand-in host models and read them back. A test binary
// compiles its sources in unity batches, so a helper more than one test file needs lives here,
// once, instead of in each file's anonymous namespace.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/host/host_model.h"

namespace zorvel::testing {

inline constexpr ZorvelElementType kF32 = kZorvelElementTypeFloat32;

// A ranked f32 tensor type.
inline host::TensorType F32(std::vector<int32_t> dims) {
  return host::TensorType::Ranked(kF32, std::move(dims));
}

// n values offset + scale * ((7 i) mod 11): small, varied and not monotonic.
inline std::vector<float> Ramp(size_t n, float scale, float offset) {
  std::vector<float> values(n);
  for (size_t i = 0; i < n; ++i) values[i] = offset + scale * static_cast<float>((i * 7) % 11);
  return values;
}

// The bytes of `values` as a host buffer holds them.
inline std::vector<uint8_t> FloatBytes(const std::vector<float>& values) {
  std::vector<uint8_t> bytes(values.size() * sizeof(float));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// Runs `body` and returns what it wrote to standard error (the plug-in's log).
template <typename Body>
std::string LogOf(Body body) {
  ::testing::internal::CaptureStderr();
  body();
  return ::testing::internal::GetCapturedStderr();
}

// The function pointer in slot `entry` of a host table, read by offset as a plug-in sees it.
template <typename Fn>
Fn Slot(const HostApiTable* table, int entry) {
  Fn fn;
  std::memcpy(&fn, reinterpret_cast<const char*>(table) + 8 * entry, sizeof(fn));
  return fn;
}

}  // namespace zorvel::testing

#endif  // ZORVEL_HOST_HOST_TEST_UTIL_H_
