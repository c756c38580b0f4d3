#pragma once

#include <iosfwd>
#include <vector>

#include "openvino/core/attribute_adapter.hpp"
#include "openvino/core/enum_names.hpp"
#include "openvino/op/op.hpp"

namespace ov {
namespace op {
namespace util {

// Attributes, shape inference and reference kernels shared by Interpolate v4 and v11.
class OPENVINO_API InterpolateBase : public Op {
 public:
  OPENVINO_OP("InterpolateBase", "util");

  enum class ShapeCalcMode { SIZES, SCALES };
  enum class InterpolateMode {
    NEAREST,
    LINEAR,
    LINEAR_ONNX,
    CUBIC,
    BILINEAR_PILLOW,
    BICUBIC_PILLOW
  };
  enum class CoordinateTransformMode {
    HALF_PIXEL,
    PYTORCH_HALF_PIXEL,
    ASYMMETRIC,
    TF_HALF_PIXEL_FOR_NN,
    ALIGN_CORNERS
  };
  enum class NearestMode { ROUND_PREFER_FLOOR, ROUND_PREFER_CEIL, FLOOR, CEIL, SIMPLE };

  struct InterpolateAttrs {
    InterpolateMode mode = InterpolateMode::NEAREST;
    ShapeCalcMode shape_calculation_mode = ShapeCalcMode::SIZES;
    std::vector<size_t> pads_begin;
    std::vector<size_t> pads_end;
    CoordinateTransformMode coordinate_transformation_mode = CoordinateTransformMode::HALF_PIXEL;
    NearestMode nearest_mode = NearestMode::ROUND_PREFER_FLOOR;
    bool antialias = false;
    double cube_coeff = -0.75;

    InterpolateAttrs() = default;
    InterpolateAttrs(InterpolateMode mode, ShapeCalcMode shape_calculation_mode,
                     const std::vector<size_t>& pads_begin, const std::vector<size_t>& pads_end,
                     CoordinateTransformMode coordinate_transformation_mode =
                         CoordinateTransformMode::HALF_PIXEL,
                     NearestMode nearest_mode = NearestMode::ROUND_PREFER_FLOOR,
                     bool antialias = false, double cube_coeff = -0.75)
        : mode(mode),
          shape_calculation_mode(shape_calculation_mode),
          pads_begin(pads_begin),
          pads_end(pads_end),
          coordinate_transformation_mode(coordinate_transformation_mode),
          nearest_mode(nearest_mode),
          antialias(antialias),
          cube_coeff(cube_coeff) {}

    bool operator==(const InterpolateAttrs& other) const {
      return mode == other.mode && shape_calculation_mode == other.shape_calculation_mode &&
             pads_begin == other.pads_begin && pads_end == other.pads_end &&
             coordinate_transformation_mode == other.coordinate_transformation_mode &&
             nearest_mode == other.nearest_mode && antialias == other.antialias &&
             cube_coeff == other.cube_coeff;
    }
    bool operator!=(const InterpolateAttrs& other) const { return !(*this == other); }
  };

  InterpolateBase() = default;
  InterpolateBase(const OutputVector& args, const InterpolateAttrs& attrs);

  bool visit_attributes(AttributeVisitor& visitor) override;
  void validate_and_infer_types() override;
  bool evaluate(ov::TensorVector& outputs, const ov::TensorVector& inputs) const override;
  bool has_evaluate() const override;

  const InterpolateAttrs& get_attrs() const { return m_attrs; }
  void set_attrs(const InterpolateAttrs& attrs) { m_attrs = attrs; }

 protected:
  // Input ports of the sizes, the scales and the axes (-1 when the version has none).
  virtual int sizes_port() const = 0;
  virtual int scales_port() const = 0;
  virtual int axes_port() const = 0;

  InterpolateAttrs m_attrs;
};

}  // namespace util
}  // namespace op

OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::util::InterpolateBase::InterpolateMode& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::util::InterpolateBase::ShapeCalcMode& type);
OPENVINO_API std::ostream& operator<<(
    std::ostream& s, const op::util::InterpolateBase::CoordinateTransformMode& type);
OPENVINO_API std::ostream& operator<<(std::ostream& s,
                                      const op::util::InterpolateBase::NearestMode& type);

#define OVREF_INTERPOLATE_ENUM(E)                                            \
  template <>                                                                \
  OPENVINO_API EnumNames<op::util::InterpolateBase::E>&                      \
  EnumNames<op::util::InterpolateBase::E>::get();                            \
  template <>                                                                \
  class OPENVINO_API AttributeAdapter<op::util::InterpolateBase::E>          \
      : public EnumAttributeAdapterBase<op::util::InterpolateBase::E> {      \
   public:                                                                   \
    AttributeAdapter(op::util::InterpolateBase::E& value)                    \
        : EnumAttributeAdapterBase<op::util::InterpolateBase::E>(value) {}   \
    OPENVINO_RTTI("AttributeAdapter<ov::op::util::InterpolateBase::" #E ">") \
  };

OVREF_INTERPOLATE_ENUM(InterpolateMode)
OVREF_INTERPOLATE_ENUM(ShapeCalcMode)
OVREF_INTERPOLATE_ENUM(CoordinateTransformMode)
OVREF_INTERPOLATE_ENUM(NearestMode)

#undef OVREF_INTERPOLATE_ENUM

}  // namespace ov
