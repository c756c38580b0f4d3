#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "op/op_test_utils.hpp"
#include "openvino/core/model.hpp"
#include "openvino/op/add.hpp"
#include "openvino/op/concat.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/gelu.hpp"
#include "openvino/op/multiply.hpp"
#include "openvino/op/parameter.hpp"
#include "openvino/op/relu.hpp"
#include "openvino/op/reshape.hpp"
#include "openvino/op/result.hpp"

namespace ovref_runtime_test {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_old) {
      setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// x:[2,3] f32 -> (x + a) * b -> gelu(tanh) -> concat with relu(x) on axis 1 -> reshape [3,4];
// a second output converts the sum to f16. Exercises enum, type, integer, bool and structured
// attributes.
inline std::shared_ptr<ov::Model> MakeModel() {
  using namespace ov::op;
  auto x = std::make_shared<v0::Parameter>(ov::element::f32, ov::PartialShape{2, 3});
  x->set_friendly_name("x");
  x->output(0).set_names({"input_x"});
  auto a = v0::Constant::create(ov::element::f32, ov::Shape{3}, std::vector<float>{1, -2, 0.5f});
  auto b = v0::Constant::create(ov::element::f32, ov::Shape{2, 3},
                                std::vector<float>{2, 1, -1, 0.5f, 3, 4});
  auto sum = std::make_shared<v1::Add>(x, a);
  auto prod = std::make_shared<v1::Multiply>(sum, b);
  auto gelu = std::make_shared<v7::Gelu>(prod, ov::op::GeluApproximationMode::TANH);
  auto relu = std::make_shared<v0::Relu>(x);
  auto cat = std::make_shared<v0::Concat>(ov::OutputVector{gelu, relu}, 1);
  auto pattern = v0::Constant::create(ov::element::i64, ov::Shape{2}, std::vector<int64_t>{3, 4});
  auto reshape = std::make_shared<v1::Reshape>(cat, pattern, false);
  reshape->set_friendly_name("reshaped");
  reshape->output(0).set_names({"out_main"});
  auto half = std::make_shared<v0::Convert>(sum, ov::element::f16);
  half->output(0).set_names({"out_half"});
  auto r0 = std::make_shared<v0::Result>(reshape);
  auto r1 = std::make_shared<v0::Result>(half);
  auto model =
      std::make_shared<ov::Model>(ov::ResultVector{r0, r1}, ov::ParameterVector{x}, "test_model");
  model->set_friendly_name("test_model");
  return model;
}

inline ov::Tensor MakeInput() {
  return ovref_test::tensor<float>(ov::element::f32, ov::Shape{2, 3},
                                   {0.5f, -1.5f, 2.0f, -0.25f, 1.0f, -3.0f});
}

// Recomputes the trailer of a blob, so that a test can hand the parser corrupt contents that
// pass the checksum (the algorithm as the format documents it).
inline void Reseal(std::string& blob) {
  if (blob.size() < 8) return;
  const size_t n = blob.size() - 8;
  auto rotl = [](uint64_t v, int r) { return (v << r) | (v >> (64 - r)); };
  uint64_t h = 0x9e3779b97f4a7c15ULL;
  auto mix = [&](uint64_t w) { h = rotl((h ^ w) * 0x100000001b3ULL, 29); };
  for (size_t i = 0; i < n; i += 8) {
    uint64_t w = 0;
    for (size_t k = 0; k < 8 && i + k < n; ++k)
      w |= static_cast<uint64_t>(static_cast<uint8_t>(blob[i + k])) << (8 * k);
    mix(w);
  }
  mix(n);
  for (int i = 0; i < 8; ++i) blob[n + i] = static_cast<char>((h >> (8 * i)) & 0xff);
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The what() of the ov::Exception that f throws, or "" when it throws nothing or something else.
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const ov::Exception& e) {
    return e.what();
  } catch (...) {
    return "<not an ov::Exception>";
  }
  return "";
}

}  // namespace ovref_runtime_test
