#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "openvino/core/any.hpp"
#include "openvino/frontend/frontend.hpp"
#include "openvino/frontend/tensorflow_lite/node_context.hpp"
#include "openvino/frontend/tensorflow_lite/visibility.hpp"

namespace ov {
namespace frontend {
namespace tensorflow_lite {

using CreatorFunction = std::function<ov::OutputVector(const NodeContext&)>;
using TranslatorDictionaryType = std::map<std::string, CreatorFunction>;

// Converts a TFLite graph, handed over as a GraphIterator::Ptr inside an ov::Any, into an
// ov::Model: FrontEnd fe; auto model = fe.convert(fe.load(ov::Any(iterator)));
class TENSORFLOW_LITE_FRONTEND_API FrontEnd : public ov::frontend::FrontEnd {
 public:
  using Ptr = std::shared_ptr<FrontEnd>;
  FrontEnd();

  // Full conversion; the first failing operation ends it with its exception.
  std::shared_ptr<Model> convert(const ov::frontend::InputModel::Ptr& model) const override;

  // Translates the framework nodes left in a partially converted model.
  void convert(const std::shared_ptr<Model>& partiallyConverted) const override;

  // Operations that fail to convert stay in the model as framework nodes.
  std::shared_ptr<Model> convert_partially(
      const ov::frontend::InputModel::Ptr& model) const override;

  // Every operation becomes a framework node; quantization is not applied.
  std::shared_ptr<Model> decode(const ov::frontend::InputModel::Ptr& model) const override;

  void normalize(const std::shared_ptr<ov::Model>& function) const override;

  std::string get_name() const override { return "tflite"; }

 protected:
  bool supported_impl(const std::vector<ov::Any>& variants) const override;

  ov::frontend::InputModel::Ptr load_impl(const std::vector<ov::Any>& variants) const override;

  void translate_graph(const ov::frontend::InputModel::Ptr& model, bool fail_fast,
                       bool no_conversion, std::shared_ptr<ov::Model>& ng_function) const;

  TranslatorDictionaryType m_op_translators;
};

}  // namespace tensorflow_lite
}  // namespace frontend
}  // namespace ov
