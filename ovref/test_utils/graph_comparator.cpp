#include "common_test_utils/graph_comparator.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <map>
#include <queue>
#include <random>
#include <set>
#include <sstream>
#include <unordered_set>

#include "openvino/core/attribute_visitor.hpp"
#include "openvino/core/node.hpp"
#include "openvino/op/constant.hpp"
#include "openvino/runtime/aligned_buffer.hpp"
#include "transformations/rt_info/fused_names_attribute.hpp"

namespace {

using Cmp = FunctionsComparator::CmpValues;

std::string name(const ov::Node* node) { return node->get_friendly_name(); }

std::string type_text(const ov::DiscreteTypeInfo& info) {
  return std::string(info.name) + "/" + (info.version_id ? info.version_id : "");
}

std::string names_text(const std::unordered_set<std::string>& names) {
  std::vector<std::string> sorted(names.begin(), names.end());
  std::sort(sorted.begin(), sorted.end());
  std::string text = "{";
  for (size_t i = 0; i < sorted.size(); ++i) text += (i ? ", " : "") + sorted[i];
  return text + "}";
}

// ---- attributes ----

// One attribute as seen through visit_attributes: a canonical text, or raw bytes for buffers.
struct AttributeValue {
  std::string text;
  const void* data = nullptr;
  size_t size = 0;
  bool is_raw = false;

  bool operator==(const AttributeValue& other) const {
    if (is_raw != other.is_raw) return false;
    if (!is_raw) return text == other.text;
    return size == other.size && (size == 0 || std::memcmp(data, other.data, size) == 0);
  }
  std::string to_string() const {
    if (!is_raw) return text;
    return "<" + std::to_string(size) + " bytes>";
  }
};

template <typename T>
std::string value_text(const T& value) {
  std::stringstream out;
  if constexpr (std::is_floating_point<T>::value) {
    out << std::setprecision(std::numeric_limits<T>::max_digits10) << value;
  } else if constexpr (std::is_same<T, int8_t>::value || std::is_same<T, uint8_t>::value) {
    out << static_cast<int>(value);
  } else {
    out << value;
  }
  return out.str();
}

template <typename T>
std::string value_text(const std::vector<T>& values) {
  std::string text = "[";
  for (size_t i = 0; i < values.size(); ++i) text += (i ? "," : "") + value_text(values[i]);
  return text + "]";
}

class AttributeCollector : public ov::AttributeVisitor {
 public:
  std::map<std::string, AttributeValue> values;

  void on_adapter(const std::string& name, ov::ValueAccessor<void>& adapter) override {
    if (auto* structure = dynamic_cast<ov::VisitorAdapter*>(&adapter)) {
      structure->visit_attributes(*this);
      return;
    }
    if (auto* a = dynamic_cast<ov::ValueAccessor<ov::PartialShape>*>(&adapter)) {
      return text(name, a->get());
    }
    if (auto* a = dynamic_cast<ov::ValueAccessor<ov::Dimension>*>(&adapter)) {
      return text(name, a->get());
    }
    if (auto* a = dynamic_cast<ov::ValueAccessor<std::shared_ptr<ov::AlignedBuffer>>*>(&adapter)) {
      const auto& buffer = a->get();
      return raw(name, buffer ? buffer->get_ptr() : nullptr, buffer ? buffer->size() : 0);
    }
    values[name].text = std::string("<") + adapter.get_type_info().name + ">";
  }
  void on_adapter(const std::string& name, ov::ValueAccessor<void*>& adapter) override {
    raw(name, adapter.get_ptr(), adapter.size());
  }
  void on_adapter(const std::string& name, ov::ValueAccessor<std::string>& a) override {
    values[name].text = a.get();
  }
#define OVREF_COLLECT(T)                                                       \
  void on_adapter(const std::string& name, ov::ValueAccessor<T>& a) override { \
    values[name].text = value_text(a.get());                                   \
  }
  OVREF_COLLECT(bool)
  OVREF_COLLECT(int8_t)
  OVREF_COLLECT(int16_t)
  OVREF_COLLECT(int32_t)
  OVREF_COLLECT(int64_t)
  OVREF_COLLECT(uint8_t)
  OVREF_COLLECT(uint16_t)
  OVREF_COLLECT(uint32_t)
  OVREF_COLLECT(uint64_t)
  OVREF_COLLECT(float)
  OVREF_COLLECT(double)
  OVREF_COLLECT(std::vector<int8_t>)
  OVREF_COLLECT(std::vector<int16_t>)
  OVREF_COLLECT(std::vector<int32_t>)
  OVREF_COLLECT(std::vector<int64_t>)
  OVREF_COLLECT(std::vector<uint8_t>)
  OVREF_COLLECT(std::vector<uint16_t>)
  OVREF_COLLECT(std::vector<uint32_t>)
  OVREF_COLLECT(std::vector<uint64_t>)
  OVREF_COLLECT(std::vector<float>)
  OVREF_COLLECT(std::vector<double>)
  OVREF_COLLECT(std::vector<std::string>)
#undef OVREF_COLLECT
  void on_adapter(const std::string& name,
                  ov::ValueAccessor<std::shared_ptr<ov::Model>>& a) override {
    const auto& model = a.get();
    values[name].text = model ? "<model " + model->get_friendly_name() + ">" : "<no model>";
  }

 private:
  template <typename T>
  void text(const std::string& name, const T& value) {
    std::stringstream out;
    out << value;
    values[name].text = out.str();
  }
  void raw(const std::string& name, const void* data, size_t size) {
    auto& value = values[name];
    value.is_raw = true;
    value.data = data;
    value.size = size;
  }
};

void compare_attributes(ov::Node* node, ov::Node* node_ref, std::vector<std::string>& errors) {
  AttributeCollector current, reference;
  node->visit_attributes(current);
  node_ref->visit_attributes(reference);
  for (const auto& item : reference.values) {
    auto it = current.values.find(item.first);
    if (it == current.values.end()) {
      errors.push_back("missing attribute name: '" + item.first + "'");
    } else if (!(it->second == item.second)) {
      errors.push_back("mismatch in value: '" + item.first + "' : " + item.second.to_string() +
                       " vs " + it->second.to_string());
    }
  }
  for (const auto& item : current.values) {
    if (!reference.values.count(item.first)) {
      errors.push_back("unexpected attribute name: '" + item.first + "'");
    }
  }
}

// ---- constants ----

// Empty when equal; otherwise where and how they differ.
std::string constant_difference(const ov::op::v0::Constant& c, const ov::op::v0::Constant& c_ref) {
  std::stringstream out;
  if (c.get_element_type() != c_ref.get_element_type()) {
    out << "element types " << c.get_element_type() << " and " << c_ref.get_element_type();
    return out.str();
  }
  if (c.get_shape() != c_ref.get_shape()) {
    out << "shapes " << c.get_shape() << " and " << c_ref.get_shape();
    return out.str();
  }
  const auto size = c.get_byte_size();
  if (size == c_ref.get_byte_size() &&
      (size == 0 || std::memcmp(c.get_data_ptr(), c_ref.get_data_ptr(), size) == 0)) {
    return {};
  }
  const auto& type = c.get_element_type();
  if (type == ov::element::string) {
    const auto a = c.cast_vector<std::string>();
    const auto b = c_ref.cast_vector<std::string>();
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i]) {
        out << "element " << i << ": '" << a[i] << "' and '" << b[i] << "'";
        return out.str();
      }
    }
    return {};
  }
  // Element by element, so that padding bits of packed types do not count.
  if (type.is_real()) {
    const auto a = c.cast_vector<double>();
    const auto b = c_ref.cast_vector<double>();
    for (size_t i = 0; i < a.size(); ++i) {
      const bool same =
          (std::isnan(a[i]) && std::isnan(b[i])) || std::memcmp(&a[i], &b[i], sizeof(double)) == 0;
      if (!same) {
        out << "element " << i << ": " << value_text(a[i]) << " and " << value_text(b[i]);
        return out.str();
      }
    }
    return {};
  }
  const auto a = c.cast_vector<int64_t>();
  const auto b = c_ref.cast_vector<int64_t>();
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      out << "element " << i << ": " << a[i] << " and " << b[i];
      return out.str();
    }
  }
  return {};
}

// ---- rt_info ----

void compare_rt_keys(const ov::RTMap& rt, const ov::RTMap& rt_ref, const std::string& where,
                     std::vector<std::string>& errors) {
  for (const auto& item : rt_ref) {
    if (item.first == "opset") continue;
    auto it = rt.find(item.first);
    if (it == rt.end()) {
      errors.push_back("Different runtime info detected\n" + where + ": key '" + item.first +
                       "' is missing");
      continue;
    }
    bool equal = true;
    try {
      equal = it->second == item.second;
    } catch (const std::exception&) {
      equal = true;  // values that cannot be compared count as equal
    }
    if (!equal) {
      errors.push_back("Different runtime info detected\n" + where + ": key '" + item.first +
                       "' has a different value");
    }
  }
}

// ---- results ----

// Pairs results by shared tensor names, else by friendly names.
bool pair_results(const ov::ResultVector& results, const ov::ResultVector& results_ref,
                  std::vector<std::pair<ov::Node*, ov::Node*>>& pairs) {
  std::set<ov::Node*> used;
  bool by_names = true;
  for (const auto& result : results) {
    const auto& names = result->input_value(0).get_names();
    ov::Node* match = nullptr;
    for (const auto& ref : results_ref) {
      if (used.count(ref.get())) continue;
      const auto& ref_names = ref->input_value(0).get_names();
      if (std::any_of(names.begin(), names.end(),
                      [&](const std::string& n) { return ref_names.count(n) != 0; })) {
        match = ref.get();
        break;
      }
    }
    if (!match) {
      by_names = false;
      break;
    }
    used.insert(match);
    pairs.emplace_back(result.get(), match);
  }
  if (by_names) return true;
  pairs.clear();
  auto sorted = [](const ov::ResultVector& list) {
    std::vector<ov::Node*> nodes;
    for (const auto& r : list) nodes.push_back(r.get());
    const bool use_producer = std::any_of(list.begin(), list.end(), [](const auto& r) {
      return r->input_value(0).get_names().size() > 1;
    });
    std::stable_sort(nodes.begin(), nodes.end(), [use_producer](ov::Node* a, ov::Node* b) {
      if (use_producer) {
        return a->get_input_node_ptr(0)->get_friendly_name() <
               b->get_input_node_ptr(0)->get_friendly_name();
      }
      return a->get_friendly_name() < b->get_friendly_name();
    });
    return nodes;
  };
  const auto a = sorted(results);
  const auto b = sorted(results_ref);
  for (size_t i = 0; i < a.size(); ++i) pairs.emplace_back(a[i], b[i]);
  return false;
}

class NodesComparator {
 public:
  explicit NodesComparator(const FunctionsComparator& flags) : m_flags(flags) {}

  FunctionsComparator::Result run(const std::shared_ptr<ov::Model>& f,
                                  const std::shared_ptr<ov::Model>& f_ref) {
    const auto& results = f->get_results();
    const auto& results_ref = f_ref->get_results();
    if (results.size() != results_ref.size()) {
      return error("Number of results is different: " + std::to_string(results.size()) + " and " +
                   std::to_string(results_ref.size()));
    }
    std::vector<std::pair<ov::Node*, ov::Node*>> pairs;
    pair_results(results, results_ref, pairs);
    if (m_flags.should_compare(Cmp::NAMES)) {
      for (const auto& p : pairs) {
        const auto a = p.first->get_input_node_ptr(0)->get_friendly_name();
        const auto b = p.second->get_input_node_ptr(0)->get_friendly_name();
        if (a != b) return error("Different output node names: " + a + " and " + b);
      }
    }
    for (const auto& p : pairs) {
      if (m_visited.insert(p.first).second) m_queue.push(p);
    }
    while (!m_queue.empty()) {
      auto p = m_queue.front();
      m_queue.pop();
      auto result = compare_pair(p.first, p.second);
      if (!result.valid) return result;
    }
    return FunctionsComparator::Result::ok();
  }

 private:
  static FunctionsComparator::Result error(const std::string& message) {
    return FunctionsComparator::Result::error(message);
  }

  FunctionsComparator::Result compare_pair(ov::Node* node, ov::Node* node_ref) {
    const std::string n1 = name(node), n2 = name(node_ref);
    if (node->get_type_info() != node_ref->get_type_info()) {
      return error(n1 + " and " + n2 +
                   " have different type info: " + type_text(node->get_type_info()) +
                   " != " + type_text(node_ref->get_type_info()));
    }
    if (node->get_control_dependencies().size() != node_ref->get_control_dependencies().size()) {
      return error("Number of control dependencies is different: " +
                   std::to_string(node->get_control_dependencies().size()) + " and " +
                   std::to_string(node_ref->get_control_dependencies().size()) + " for " + n1 +
                   " and " + n2);
    }
    if (node->get_input_size() != node_ref->get_input_size()) {
      return error("Number of inputs is different: " + std::to_string(node->get_input_size()) +
                   " for " + n1 + " and " + std::to_string(node_ref->get_input_size()) + " for " +
                   n2);
    }
    if (node->get_output_size() != node_ref->get_output_size()) {
      return error("Number of outputs is different: " + std::to_string(node->get_output_size()) +
                   " for " + n1 + " and " + std::to_string(node_ref->get_output_size()) + " for " +
                   n2);
    }

    std::vector<std::string> errors;
    for (size_t i = 0; i < node->get_input_size(); ++i) {
      const auto in = node->input_value(i);
      const auto in_ref = node_ref->input_value(i);
      const std::string where =
          n1 + " Input(" + std::to_string(i) + ") and " + n2 + " Input(" + std::to_string(i) + ")";
      if (m_flags.should_compare(Cmp::CONST_VALUES)) {
        auto* c = ov::as_type<ov::op::v0::Constant>(in.get_node());
        auto* c_ref = ov::as_type<ov::op::v0::Constant>(in_ref.get_node());
        if (c && c_ref) {
          const auto diff = constant_difference(*c, *c_ref);
          if (!diff.empty()) {
            errors.push_back("Different Constant values detected\n" + where + ": " + name(c) +
                             " and " + name(c_ref) + " differ at " + diff);
          }
        }
      }
      if (m_flags.should_compare(Cmp::PRECISIONS) &&
          in.get_element_type() != in_ref.get_element_type()) {
        std::stringstream out;
        out << "Different element type detected\n"
            << where << ": " << in.get_element_type() << " and " << in_ref.get_element_type();
        errors.push_back(out.str());
      }
      if (!in.get_partial_shape().same_scheme(in_ref.get_partial_shape())) {
        std::stringstream out;
        out << "Different shape detected\n"
            << where << ": " << in.get_partial_shape() << " and " << in_ref.get_partial_shape();
        errors.push_back(out.str());
      }
      if (in.get_index() != in_ref.get_index()) {
        errors.push_back("Different ports detected\n" + where + ": output " +
                         std::to_string(in.get_index()) + " of " + name(in.get_node()) +
                         " and output " + std::to_string(in_ref.get_index()) + " of " +
                         name(in_ref.get_node()));
      }
      if (m_flags.should_compare(Cmp::RUNTIME_KEYS)) {
        compare_rt_keys(node->input(i).get_rt_info(), node_ref->input(i).get_rt_info(), where,
                        errors);
      }
    }
    for (size_t i = 0; i < node->get_output_size(); ++i) {
      const auto out = node->output(i);
      const auto out_ref = node_ref->output(i);
      const std::string where = n1 + " Output(" + std::to_string(i) + ") and " + n2 + " Output(" +
                                std::to_string(i) + ")";
      if (m_flags.should_compare(Cmp::TENSOR_NAMES) && out.get_names() != out_ref.get_names()) {
        errors.push_back("Output tensors names " + names_text(out.get_names()) + " and " +
                         names_text(out_ref.get_names()) + " are different for " + where);
      }
      if (!out.get_partial_shape().same_scheme(out_ref.get_partial_shape())) {
        std::stringstream text;
        text << "Different shape detected\n"
             << where << ": " << out.get_partial_shape() << " and " << out_ref.get_partial_shape();
        errors.push_back(text.str());
      }
      if (m_flags.should_compare(Cmp::PRECISIONS) &&
          out.get_element_type() != out_ref.get_element_type()) {
        std::stringstream text;
        text << "Different element type detected\n"
             << where << ": " << out.get_element_type() << " and " << out_ref.get_element_type();
        errors.push_back(text.str());
      }
      if (m_flags.should_compare(Cmp::RUNTIME_KEYS)) {
        compare_rt_keys(out.get_rt_info(), out_ref.get_rt_info(), where, errors);
      }
      if (m_flags.should_compare(Cmp::CONSUMERS_COUNT) &&
          out.get_target_inputs().size() != out_ref.get_target_inputs().size()) {
        errors.push_back("Different number of consumers detected\n" + where + ": " +
                         std::to_string(out.get_target_inputs().size()) + " and " +
                         std::to_string(out_ref.get_target_inputs().size()));
      }
    }
    if (m_flags.should_compare(Cmp::RUNTIME_KEYS)) {
      compare_rt_keys(node->get_rt_info(), node_ref->get_rt_info(), n1 + " and " + n2, errors);
    }
    if (m_flags.should_compare(Cmp::ATTRIBUTES)) {
      std::vector<std::string> attribute_errors;
      compare_attributes(node, node_ref, attribute_errors);
      for (const auto& e : attribute_errors) {
        errors.push_back("Comparison of attributes of " + n1 + " and " + n2 + ": " + e);
      }
    }
    if (!errors.empty()) {
      std::string message;
      for (const auto& e : errors) message += e + "\n";
      return error(message);
    }

    for (size_t i = 0; i < node->get_input_size(); ++i) {
      ov::Node* producer = node->get_input_node_ptr(i);
      if (m_visited.insert(producer).second) {
        m_queue.emplace(producer, node_ref->get_input_node_ptr(i));
      }
    }
    for (size_t i = 0; i < node->get_control_dependencies().size(); ++i) {
      ov::Node* dep = node->get_control_dependencies()[i].get();
      if (m_visited.insert(dep).second) {
        m_queue.emplace(dep, node_ref->get_control_dependencies()[i].get());
      }
    }
    return FunctionsComparator::Result::ok();
  }

  const FunctionsComparator& m_flags;
  std::queue<std::pair<ov::Node*, ov::Node*>> m_queue;
  std::unordered_set<ov::Node*> m_visited;
};

// ---- numeric comparison ----

ov::Shape input_shape(const ov::op::v0::Parameter& param, size_t index,
                      const std::vector<ov::Shape>& input_shapes) {
  const auto& pshape = param.get_partial_shape();
  if (pshape.is_static()) return pshape.to_shape();
  if (index < input_shapes.size()) return input_shapes[index];
  OPENVINO_ASSERT(pshape.rank().is_static(), "Parameter '", param.get_friendly_name(),
                  "' has a dynamic rank; give its shape");
  ov::Shape shape;
  for (const auto& dim : pshape) {
    shape.push_back(static_cast<size_t>(std::max<int64_t>(1, dim.get_min_length())));
  }
  return shape;
}

}  // namespace

FunctionsComparator::Result FunctionsComparator::compare(
    const std::shared_ptr<ov::Model>& f, const std::shared_ptr<ov::Model>& f_ref) const {
  if (!f || !f_ref) return Result::error("A model to compare is null");
  try {
    if (should_compare(NODES)) return NodesComparator(*this).run(f, f_ref);
    if (should_compare(ACCURACY)) {
      const auto report =
          ov::test::utils::compare_model_outputs(f, f_ref, m_abs_threshold, m_rel_threshold);
      return report.valid ? Result::ok(report.message) : Result::error(report.message);
    }
  } catch (const std::exception& e) {
    return Result::error(std::string("Comparison failed: ") + e.what());
  }
  return Result::error("CmpValues are invalid");
}

void check_rt_info(const std::shared_ptr<ov::Model>& f) {
  const std::string key = ov::FusedNames::get_type_info_static();
  std::stringstream errors;
  for (const auto& op : f->get_ops()) {
    if (ov::is_type<ov::op::v0::Constant>(op)) continue;
    if (!op->get_rt_info().count(key)) {
      errors << "Node: " << op->get_friendly_name() << " has no attribute: " << key << "\n";
    }
  }
  if (!errors.str().empty()) OPENVINO_THROW(errors.str());
}

namespace ov {
namespace test {
namespace utils {

ov::TensorVector make_random_inputs(const std::shared_ptr<ov::Model>& model, uint64_t seed,
                                    const std::vector<ov::Shape>& input_shapes) {
  std::mt19937_64 random(seed);
  ov::TensorVector inputs;
  const auto& params = model->get_parameters();
  for (size_t p = 0; p < params.size(); ++p) {
    const auto& type = params[p]->get_element_type();
    OPENVINO_ASSERT(type.is_static() && type != ov::element::string, "Parameter '",
                    params[p]->get_friendly_name(), "' has element type ", type,
                    ", for which no random values are made");
    const auto shape = input_shape(*params[p], p, input_shapes);
    std::vector<double> values(ov::shape_size(shape));
    if (type == ov::element::boolean) {
      std::uniform_int_distribution<int> dist(0, 1);
      for (auto& v : values) v = dist(random);
    } else if (type.is_real()) {
      std::uniform_real_distribution<double> dist(-1.0, 1.0);
      for (auto& v : values) v = dist(random);
    } else if (type.is_signed()) {
      std::uniform_int_distribution<int> dist(-4, 3);
      for (auto& v : values) v = dist(random);
    } else {
      std::uniform_int_distribution<int> dist(0, 7);
      for (auto& v : values) v = dist(random);
    }
    auto constant = ov::op::v0::Constant::create(type, shape, values);
    ov::Tensor tensor(type, shape);
    constant->get_tensor_view().copy_to(tensor);
    inputs.push_back(tensor);
  }
  return inputs;
}

AccuracyReport compare_model_outputs(const std::shared_ptr<ov::Model>& model,
                                     const std::shared_ptr<ov::Model>& ref_model,
                                     float abs_threshold, float rel_threshold, uint64_t seed,
                                     const std::vector<ov::Shape>& input_shapes) {
  AccuracyReport report;
  if (!model || !ref_model) {
    report.message = "A model to compare is null";
    return report;
  }
  if (model->get_parameters().size() != ref_model->get_parameters().size()) {
    report.message =
        "Number of parameters is different: " + std::to_string(model->get_parameters().size()) +
        " and " + std::to_string(ref_model->get_parameters().size());
    return report;
  }
  ov::TensorVector outputs, ref_outputs;
  try {
    const auto inputs = make_random_inputs(model, seed, input_shapes);
    if (!model->evaluate(outputs, inputs)) {
      report.message = "The model could not be evaluated";
      return report;
    }
    if (!ref_model->evaluate(ref_outputs, inputs)) {
      report.message = "The reference model could not be evaluated";
      return report;
    }
  } catch (const std::exception& e) {
    report.message = std::string("Evaluation failed: ") + e.what();
    return report;
  }
  if (outputs.size() != ref_outputs.size()) {
    report.message = "Number of outputs is different: " + std::to_string(outputs.size()) + " and " +
                     std::to_string(ref_outputs.size());
    return report;
  }
  size_t failures = 0;
  std::stringstream first_failure;
  for (size_t o = 0; o < outputs.size(); ++o) {
    const auto& out = outputs[o];
    const auto& ref = ref_outputs[o];
    if (out.get_element_type() != ref.get_element_type() || out.get_shape() != ref.get_shape()) {
      std::stringstream text;
      text << "Output " << o << " is " << out.get_element_type() << out.get_shape()
           << " but the reference is " << ref.get_element_type() << ref.get_shape();
      report.message = text.str();
      return report;
    }
    const auto a = ov::op::v0::Constant(out).cast_vector<double>();
    const auto b = ov::op::v0::Constant(ref).cast_vector<double>();
    for (size_t i = 0; i < a.size(); ++i) {
      double abs_diff = 0;
      double rel_diff = 0;
      if (std::isnan(a[i]) || std::isnan(b[i])) {
        abs_diff =
            (std::isnan(a[i]) && std::isnan(b[i])) ? 0 : std::numeric_limits<double>::infinity();
        rel_diff = abs_diff;
      } else if (a[i] != b[i]) {
        abs_diff = std::fabs(a[i] - b[i]);
        rel_diff = abs_diff / std::max(std::fabs(a[i]), std::fabs(b[i]));
        if (std::isnan(abs_diff)) abs_diff = rel_diff = std::numeric_limits<double>::infinity();
      }
      if (abs_diff > report.max_abs_diff) {
        report.max_abs_diff = abs_diff;
        report.output_index = o;
        report.element_index = i;
      }
      report.max_rel_diff = std::max(report.max_rel_diff, rel_diff);
      if (abs_diff > abs_threshold && rel_diff > rel_threshold) {
        if (failures++ == 0) {
          first_failure << "output " << o << " element " << i << ": " << value_text(a[i])
                        << " vs reference " << value_text(b[i]);
        }
      }
    }
  }
  std::stringstream text;
  text << "largest absolute difference " << value_text(report.max_abs_diff) << " at output "
       << report.output_index << " element " << report.element_index
       << ", largest relative difference " << value_text(report.max_rel_diff);
  if (failures) {
    text << "; " << failures << " element(s) beyond the thresholds (abs " << abs_threshold
         << ", rel " << rel_threshold << "), first at " << first_failure.str();
  }
  report.message = text.str();
  report.valid = failures == 0;
  return report;
}

}  // namespace utils
}  // namespace test
}  // namespace ov
