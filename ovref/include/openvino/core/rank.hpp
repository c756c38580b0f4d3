#pragma once

#include "openvino/core/dimension.hpp"

namespace ov {
using Rank = Dimension;
}  // namespace ov
