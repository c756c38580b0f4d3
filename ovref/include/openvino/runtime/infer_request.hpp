#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "openvino/core/node_output.hpp"
#include "openvino/runtime/common.hpp"
#include "openvino/runtime/tensor.hpp"

namespace ov {

class CompiledModel;
class Node;

// One set of input and output tensors of a compiled model, and a run over them.
class OPENVINO_RUNTIME_API InferRequest {
 public:
  InferRequest() = default;
  InferRequest(const InferRequest&) = default;
  InferRequest& operator=(const InferRequest&) = default;
  InferRequest(InferRequest&&) = default;
  InferRequest& operator=(InferRequest&&) = default;
  ~InferRequest();

  void set_tensor(const std::string& tensor_name, const Tensor& tensor);
  void set_tensor(const ov::Output<const ov::Node>& port, const Tensor& tensor);
  void set_tensor(const ov::Output<ov::Node>& port, const Tensor& tensor);
  void set_input_tensor(size_t idx, const Tensor& tensor);
  void set_input_tensor(const Tensor& tensor);
  void set_output_tensor(size_t idx, const Tensor& tensor);
  void set_output_tensor(const Tensor& tensor);

  Tensor get_tensor(const std::string& tensor_name);
  Tensor get_tensor(const ov::Output<const ov::Node>& port);
  Tensor get_tensor(const ov::Output<ov::Node>& port);
  Tensor get_input_tensor(size_t idx);
  Tensor get_input_tensor();
  Tensor get_output_tensor(size_t idx);
  Tensor get_output_tensor();

  void infer();
  void start_async();
  void wait();
  bool wait_for(const std::chrono::milliseconds timeout);
  void set_callback(std::function<void(std::exception_ptr)> callback);

  CompiledModel get_compiled_model();

  bool operator!() const noexcept { return !_impl; }
  explicit operator bool() const noexcept { return static_cast<bool>(_impl); }
  bool operator==(const InferRequest& other) const noexcept { return _impl == other._impl; }
  bool operator!=(const InferRequest& other) const noexcept { return !(*this == other); }

  struct Impl;

 private:
  friend class CompiledModel;
  explicit InferRequest(std::shared_ptr<Impl> impl) : _impl(std::move(impl)) {}
  std::shared_ptr<Impl> _impl;
};

}  // namespace ov
