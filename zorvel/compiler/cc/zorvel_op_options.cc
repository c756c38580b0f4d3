#include "zorvel/compiler/cc/zorvel_op_options.h"

namespace zorvel {
namespace compiler {

Expected<void> CompositeOptions::InitFromOp(const Op& op) {
  const HostApiTable* api = op.Api();
  if (api == nullptr || api->get_op_code == nullptr || api->get_composite_op_name == nullptr ||
      api->get_composite_op_decomposition_subgraph_index == nullptr ||
      api->get_composite_op_attributes == nullptr || api->get_composite_op_version == nullptr) {
    return ZORVEL_ERROR(kZorvelStatusErrorNotFound, "Missing host API entry for composite options");
  }
  ZORVEL_ASSIGN_OR_RETURN(const ZorvelOpCode code, op.CompositeOpCode());
  if (code != kZorvelOpCodeStablehloComposite) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Not a composite op");
  }
  ZORVEL_ASSIGN_OR_RETURN(name, op.CompositeName());
  ZORVEL_ASSIGN_OR_RETURN(subgraph_field, op.CompositeSubgraphIndex());
  ZORVEL_ASSIGN_OR_RETURN(version_field, op.CompositeVersion());
  ZORVEL_ASSIGN_OR_RETURN(const Op::Attributes bytes, op.CompositeAttributes());
  if (bytes.size < 0) {
    return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument, "Negative composite attribute size");
  }
  attribute_data = bytes.data;
  attribute_size = bytes.size;
  if (bytes.size > 0) {
    const size_t size = static_cast<size_t>(bytes.size);
    if (bytes.data == nullptr || !flexbuffers::VerifyBuffer(bytes.data, size) ||
        !flexbuffers::GetRoot(bytes.data, size).IsMap()) {
      return ZORVEL_ERROR(kZorvelStatusErrorInvalidArgument,
                          "Composite attributes are not a FlexBuffers map");
    }
    attributes = flexbuffers::GetRoot(bytes.data, size).AsMap();
    has_attributes = true;
  }
  this->op = op.Get();
  return {};
}

Expected<CompositeOptions> GetCompositeOptions(const Op& op) {
  CompositeOptions options;
  ZORVEL_RETURN_IF_ERROR(options.InitFromOp(op));
  return options;
}

}  // namespace compiler
}  // namespace zorvel
