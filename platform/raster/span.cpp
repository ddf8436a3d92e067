// span.cpp: shades one row of pixels.
//
// Per pixel: depth test and write, Gouraud colour, a perspective-correct
// texture sample (nearest, or bilinear from four texels) with tiled
// addressing, modulate (texel colour times vertex colour, alpha from the
// vertex), specular added with saturation, blending with the colour buffer,
// and the store at 32 or 24 bits. One routine is made for every texel format
// and filter, so the inner loop has no calls through pointers.
//
// Two forms of each routine give the same bytes. The plain one
// (span_shared.h) works a channel at a time; it is the reference. The vector
// one (span_lanes-inl.h, compiled once per SIMD target and dispatched at run
// time) works the channels of a pixel at once. (Texel coordinates four or
// eight pixels at a time cost more than they saved, measured: most runs are
// one to four pixels long.) Where the target has only one-lane vectors the
// plain form runs.
// Rows and spans here are a few pixels long: 512-bit vectors made the 3D frame
// slower than the 256-bit ones (measured), so the targets stop at AVX2.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_AVX3 | HWY_AVX3_DL)
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/raster/span.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "platform/raster/span_lanes-inl.h"
#include "platform/raster/span_shared.h"
#include "platform/raster/stages.h"

HWY_BEFORE_NAMESPACE();
namespace raster::detail {
namespace HWY_NAMESPACE {
using namespace span;

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
SpanRoutine ChooseSpanRoutineVector(TexelFormat format, bool bilinear) {
  return Choose<PlainRoutines>(format, bilinear);
}
#else
using namespace lanes;

template <TexelFormat F, bool kBilinear>
void DrawSpanVector(const Pipeline& p, Span& s) {
  if (Common(p, F)) DrawSpanLoop<F, kBilinear, true>(p, s);
  else DrawSpanLoop<F, kBilinear, false>(p, s);
}

template <TexelFormat F>
struct VectorRoutines {
  static constexpr SpanRoutine kPair[2] = {&DrawSpanVector<F, false>, &DrawSpanVector<F, true>};
};

SpanRoutine ChooseSpanRoutineVector(TexelFormat format, bool bilinear) {
  return Choose<VectorRoutines>(format, bilinear);
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace raster::detail
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace raster::detail {

HWY_EXPORT(ChooseSpanRoutineVector);

SpanRoutine ChooseSpanRoutine(TexelFormat format, bool bilinear) {
  return HWY_DYNAMIC_DISPATCH(ChooseSpanRoutineVector)(format, bilinear);
}

SpanRoutine ChooseSpanRoutinePlain(TexelFormat format, bool bilinear) {
  return span::Choose<span::PlainRoutines>(format, bilinear);
}

}  // namespace raster::detail
#endif  // HWY_ONCE
