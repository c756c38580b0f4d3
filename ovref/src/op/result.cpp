#include "openvino/op/result.hpp"

#include <cstring>

#include "openvino/core/attribute_visitor.hpp"

namespace ov {
namespace op {
namespace v0 {

namespace {
constexpr const char kResultLayoutKey[] = "LAYOUT";
}  // namespace

Result::Result(const Output<Node>& arg) : Op({arg}) { constructor_validate_and_infer_types(); }

Result::~Result() {
  if (get_output_size() > 0) get_output_tensor(0).m_result_node = nullptr;
}

bool Result::visit_attributes(AttributeVisitor&) { return true; }

void Result::validate_and_infer_types() {
  NODE_VALIDATION_CHECK(this, get_input_size() == 1, "Argument has ", get_input_size(),
                        " outputs (1 expected).");
  set_output_type(0, get_input_element_type(0), get_input_partial_shape(0));
  get_output_tensor(0).m_result_node = this;
}

std::shared_ptr<Node> Result::clone_with_new_inputs(const OutputVector& new_args) const {
  check_new_args_count(this, new_args);
  auto res = std::make_shared<Result>(new_args.at(0));
  return res;
}

bool Result::evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const {
  OPENVINO_ASSERT(inputs.size() == 1 && outputs.size() == 1);
  if (!outputs[0]) {
    outputs[0] = Tensor(inputs[0].get_element_type(), inputs[0].get_shape());
  }
  inputs[0].copy_to(outputs[0]);
  return true;
}

bool Result::has_evaluate() const { return true; }

bool Result::constant_fold(OutputVector&, const OutputVector&) { return false; }

Layout Result::get_layout() const {
  const auto& rt = input(0).get_rt_info();
  auto it = rt.find(kResultLayoutKey);
  if (it == rt.end()) return Layout();
  return it->second.as<Layout>();
}

void Result::set_layout(const Layout& layout) {
  auto& rt = input(0).get_rt_info();
  if (layout.empty()) {
    rt.erase(kResultLayoutKey);
  } else {
    rt[kResultLayoutKey] = layout;
  }
}

}  // namespace v0
}  // namespace op
}  // namespace ov
