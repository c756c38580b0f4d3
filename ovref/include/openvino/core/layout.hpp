#pragma once

#include <string>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/core_visibility.hpp"

namespace ov {

// Names of the axes of a tensor, e.g. "NCHW" or "[N,C,H,W]". Kept as its canonical text.
class OPENVINO_API Layout {
 public:
  Layout();
  Layout(const std::string& layoutStr);
  Layout(const char* layoutStr) : Layout(std::string(layoutStr)) {}

  bool empty() const { return m_text.empty(); }
  bool operator==(const Layout& rhs) const { return m_text == rhs.m_text; }
  bool operator!=(const Layout& rhs) const { return !(*this == rhs); }
  std::string to_string() const { return m_text; }

 private:
  std::string m_text;
};

template <>
class OPENVINO_API AttributeAdapter<ov::Layout> : public ValueAccessor<std::string> {
 public:
  AttributeAdapter(ov::Layout& value) : m_ref(value) {}
  const std::string& get() override;
  void set(const std::string& value) override { m_ref = Layout(value); }
  OPENVINO_RTTI("AttributeAdapter<Layout>")

 protected:
  ov::Layout& m_ref;
  std::string m_dump;
};

}  // namespace ov
