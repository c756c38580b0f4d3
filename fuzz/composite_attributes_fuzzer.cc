// The attribute bytes of a composite op: the FlexBuffers verifier and map reader behind the
// composite options, and the decoder's attributes read from them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zorvel/compiler/cc/zorvel_op_options.h"
#include "zorvel/host/host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/vendors/intel_openvino/compiler/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zorvel::host::TensorType;
  zorvel::host::HostApi api;
  zorvel::host::HostModel model;
  zorvel::host::HostSubgraph& sg = model.AddSubgraph();
  const auto type = TensorType::Ranked(kZorvelElementTypeFloat32, {1, 4});
  const zorvel::host::TensorId x = sg.AddInput("x", type);
  const zorvel::host::TensorId y = sg.AddTensor("y", type);
  zorvel::host::HostOp& op =
      sg.AddComposite("qvex.rms_norm", {x}, {y}, std::vector<uint8_t>(data, data + size));
  const zorvel::Op host_op(api.table(), api.Handle(op));

  zorvel::Expected<zorvel::compiler::CompositeOptions> options =
      zorvel::compiler::GetCompositeOptions(host_op);
  (void)options.HasValue();
  const zorvel::openvino::DecoderOperation decoder(api.table(), {}, {}, host_op, 0);
  (void)decoder.ResolveAttribute("composite_name");
  (void)decoder.ResolveAttribute("epsilon");
  return 0;
}
