// Members shared by every front end: exceptions, decoder and place bases, the InputModel and
// FrontEnd defaults, the node contexts.
#include <cstring>

#include "openvino/frontend/decoder.hpp"
#include "openvino/frontend/exception.hpp"
#include "openvino/frontend/frontend.hpp"
#include "openvino/frontend/input_model.hpp"
#include "openvino/frontend/node_context.hpp"
#include "openvino/frontend/place.hpp"
#include "openvino/frontend/tensorflow_lite/decoder.hpp"
#include "openvino/frontend/tensorflow_lite/graph_iterator.hpp"
#include "openvino/frontend/tensorflow_lite/node_context.hpp"
#include "openvino/frontend/tensorflow_lite/quantization_info.hpp"
#include "openvino/frontend/tensorflow_lite/sparsity_info.hpp"

namespace ov {
namespace frontend {

namespace {

std::string WithKind(const char* kind, const std::string& context_info,
                     const std::string& explanation) {
  std::string text = std::string("FrontEnd API failed with ") + kind + ": ";
  if (!context_info.empty()) text += context_info + ": ";
  return text + explanation;
}

}  // namespace

#define OVREF_FRONTEND_FAILURE(Class)                                                   \
  void Class::create(const char* file, int line, const char* check_string,              \
                     const std::string& context_info, const std::string& explanation) { \
    throw Class(make_what(file, line, check_string, std::string(),                      \
                          WithKind(#Class, context_info, explanation)));                \
  }                                                                                     \
  Class::~Class() = default;

OVREF_FRONTEND_FAILURE(GeneralFailure)
OVREF_FRONTEND_FAILURE(InitializationFailure)
OVREF_FRONTEND_FAILURE(OpValidationFailure)
OVREF_FRONTEND_FAILURE(OpConversionFailure)
OVREF_FRONTEND_FAILURE(NotImplementedFailure)

#undef OVREF_FRONTEND_FAILURE

IDecoder::~IDecoder() = default;
DecoderBase::~DecoderBase() = default;

Place::~Place() = default;
std::vector<std::string> Place::get_names() const { FRONT_END_NOT_IMPLEMENTED(get_names); }
bool Place::is_input() const { FRONT_END_NOT_IMPLEMENTED(is_input); }
bool Place::is_output() const { FRONT_END_NOT_IMPLEMENTED(is_output); }
bool Place::is_equal(const Ptr&) const { FRONT_END_NOT_IMPLEMENTED(is_equal); }

InputModel::~InputModel() = default;
std::vector<Place::Ptr> InputModel::get_inputs() const { FRONT_END_NOT_IMPLEMENTED(get_inputs); }
std::vector<Place::Ptr> InputModel::get_outputs() const { FRONT_END_NOT_IMPLEMENTED(get_outputs); }
Place::Ptr InputModel::get_place_by_tensor_name(const std::string&) const {
  FRONT_END_NOT_IMPLEMENTED(get_place_by_tensor_name);
}
Place::Ptr InputModel::get_place_by_input_index(size_t) const {
  FRONT_END_NOT_IMPLEMENTED(get_place_by_input_index);
}
void InputModel::set_partial_shape(const Place::Ptr&, const ov::PartialShape&) {
  FRONT_END_NOT_IMPLEMENTED(set_partial_shape);
}
ov::PartialShape InputModel::get_partial_shape(const Place::Ptr&) const {
  FRONT_END_NOT_IMPLEMENTED(get_partial_shape);
}
void InputModel::set_element_type(const Place::Ptr&, const ov::element::Type&) {
  FRONT_END_NOT_IMPLEMENTED(set_element_type);
}
ov::element::Type InputModel::get_element_type(const Place::Ptr&) const {
  FRONT_END_NOT_IMPLEMENTED(get_element_type);
}

NodeContext::~NodeContext() = default;
size_t NodeContext::get_input_size() const { FRONT_END_NOT_IMPLEMENTED(get_input_size); }
Output<Node> NodeContext::get_input(int) const { FRONT_END_NOT_IMPLEMENTED(get_input); }
const std::string& NodeContext::get_name() const { FRONT_END_NOT_IMPLEMENTED(get_name); }
size_t NodeContext::get_subgraph_size() const { return 0; }
std::shared_ptr<Model> NodeContext::get_subgraph(int) const {
  FRONT_END_NOT_IMPLEMENTED(get_subgraph);
}

FrontEnd::FrontEnd() = default;
FrontEnd::~FrontEnd() = default;
bool FrontEnd::supported_impl(const std::vector<ov::Any>&) const { return false; }
InputModel::Ptr FrontEnd::load_impl(const std::vector<ov::Any>&) const {
  FRONT_END_NOT_IMPLEMENTED(load_impl);
}
std::shared_ptr<ov::Model> FrontEnd::convert(const InputModel::Ptr&) const {
  FRONT_END_NOT_IMPLEMENTED(convert);
}
void FrontEnd::convert(const std::shared_ptr<ov::Model>&) const {
  FRONT_END_NOT_IMPLEMENTED(convert);
}
std::shared_ptr<ov::Model> FrontEnd::convert_partially(const InputModel::Ptr&) const {
  FRONT_END_NOT_IMPLEMENTED(convert_partially);
}
std::shared_ptr<ov::Model> FrontEnd::decode(const InputModel::Ptr&) const {
  FRONT_END_NOT_IMPLEMENTED(decode);
}
void FrontEnd::normalize(const std::shared_ptr<ov::Model>&) const {}
std::string FrontEnd::get_name() const { return std::string(); }

namespace tensorflow_lite {

DecoderBase::~DecoderBase() = default;
DecoderBaseOperation::~DecoderBaseOperation() = default;
DecoderBaseTensor::~DecoderBaseTensor() = default;
GraphIterator::~GraphIterator() = default;

bool QuantizationInfo::is_copyable() const { return false; }
bool SparsityInfo::is_copyable() const { return false; }

namespace {

const SubGraphFuncs& NoSubgraphs() {
  static const SubGraphFuncs none;
  return none;
}

}  // namespace

NodeContext::NodeContext(const std::shared_ptr<DecoderBase>& decoder, const OutputVector& inputs)
    : ov::frontend::NodeContext(decoder->get_op_type()),
      m_decoder(decoder),
      m_inputs(inputs),
      m_subgraph_functions(NoSubgraphs()) {}

NodeContext::NodeContext(const std::shared_ptr<DecoderBase>& decoder, const OutputVector& inputs,
                         const SubGraphFuncs& subgraph_functions)
    : ov::frontend::NodeContext(decoder->get_op_type()),
      m_decoder(decoder),
      m_inputs(inputs),
      m_subgraph_functions(subgraph_functions) {}

std::shared_ptr<Model> NodeContext::get_subgraph(int idx) const {
  FRONT_END_GENERAL_CHECK(idx >= 0 && static_cast<size_t>(idx) < m_subgraph_functions.size(),
                          "Incorrect subgraph idx ", idx, ". There are only ",
                          m_subgraph_functions.size(), " subgraphs currently");
  return m_subgraph_functions[idx]();
}

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
