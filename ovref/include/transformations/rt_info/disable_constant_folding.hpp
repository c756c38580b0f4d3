#pragma once

#include "openvino/pass/constant_folding.hpp"

namespace ov {
using ov::pass::constant_folding_is_disabled;
using ov::pass::disable_constant_folding;
using ov::pass::DisableConstantFolding;
using ov::pass::enable_constant_folding;
}  // namespace ov
