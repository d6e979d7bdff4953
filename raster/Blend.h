// Combining one source pixel into a destination pixel: the blend modes of every drawing
// operation. All arithmetic is integer and exact; results stay within 0..255.
#pragma once

#include "raster/Bitmap.h"

// The mode word passed with every blending operation.
enum
{
  kRasterModeCopy = 0,                 // low byte: operation
  kRasterModeAdd = 1,
  kRasterModeDodge = 2,
  kRasterModeOpMask = 0xff,
  kRasterModeFilterBilinear = 0x100,   // scaled and rotated blits sample bilinearly
  kRasterModeUseSourceAlpha = 0x10000, // each source pixel is weighted by its own alpha
};

// Opacity weight to the integer a of the combining arithmetic: a = int(weight * 256),
// limited to 0..256 (weights above 1 act as 1; negative or NaN weights as 0).
inline int Raster_OpacityFromWeight(float weight)
{
  if (!(weight > 0.0f))
    return 0;
  if (weight >= 1.0f)
    return 256;
  return int(weight * 256.0f);
}

namespace raster_blend {

// s + (d - s) * k / 256 with C++ division (truncating toward zero), per channel.
inline int mix(int s, int d, int k) { return s + (d - s) * k / 256; }
inline int sat(int v) { return v > 255 ? 255 : v; }

inline Raster_Pixel mixAll(Raster_Pixel d, Raster_Pixel s, int k)
{
  return Raster_ARGB(mix(Raster_GetA(s), Raster_GetA(d), k), mix(Raster_GetR(s), Raster_GetR(d), k),
                     mix(Raster_GetG(s), Raster_GetG(d), k), mix(Raster_GetB(s), Raster_GetB(d), k));
}

inline Raster_Pixel addAll(Raster_Pixel d, Raster_Pixel s, int a)
{
  return Raster_ARGB(sat(Raster_GetA(d) + Raster_GetA(s) * a / 256),
                     sat(Raster_GetR(d) + Raster_GetR(s) * a / 256),
                     sat(Raster_GetG(d) + Raster_GetG(s) * a / 256),
                     sat(Raster_GetB(d) + Raster_GetB(s) * a / 256));
}

inline int dodge(int d, int s, int a)
{
  const int c = s * a / 256;
  if (c < 255)
    return sat(d * 256 / (256 - c));
  return d == 0 ? 0 : 255;
}

inline Raster_Pixel dodgeAll(Raster_Pixel d, Raster_Pixel s, int a)
{
  return Raster_ARGB(dodge(Raster_GetA(d), Raster_GetA(s), a), dodge(Raster_GetR(d), Raster_GetR(s), a),
                     dodge(Raster_GetG(d), Raster_GetG(s), a), dodge(Raster_GetB(d), Raster_GetB(s), a));
}

// Opacity of a source pixel with alpha sA at overall opacity a (both modes that use
// the source alpha with a < 256, and add/dodge at any a).
inline int sourceWeight(int a, int sA) { return a * (sA + 1) / 256; }

// Op is the low byte of the mode (anything but add and dodge combines as copy);
// a is 1..256 (callers skip a = 0 entirely).
template <int Op, bool SrcAlpha>
inline Raster_Pixel combine(Raster_Pixel d, Raster_Pixel s, int a)
{
  if constexpr (SrcAlpha) {
    const int sA = Raster_GetA(s);
    if (sA == 0)
      return d;
    if constexpr (Op == kRasterModeAdd) {
      return addAll(d, s, sourceWeight(a, sA));
    } else if constexpr (Op == kRasterModeDodge) {
      return dodgeAll(d, s, sourceWeight(a, sA));
    } else {
      if (a == 256) {
        if (sA == 255)
          return s;
        const int k = 255 - sA;
        const int dA = Raster_GetA(d) + sA;
        return Raster_ARGB(dA > 255 ? 255 : dA, mix(Raster_GetR(s), Raster_GetR(d), k),
                           mix(Raster_GetG(s), Raster_GetG(d), k), mix(Raster_GetB(s), Raster_GetB(d), k));
      }
      const int f = sourceWeight(a, sA);
      const int k = 256 - f;
      const int dA = Raster_GetA(d) + f;
      return Raster_ARGB(dA > 255 ? 255 : dA, mix(Raster_GetR(s), Raster_GetR(d), k),
                         mix(Raster_GetG(s), Raster_GetG(d), k), mix(Raster_GetB(s), Raster_GetB(d), k));
    }
  } else {
    if constexpr (Op == kRasterModeAdd) {
      return addAll(d, s, a);
    } else if constexpr (Op == kRasterModeDodge) {
      return dodgeAll(d, s, a);
    } else {
      return a == 256 ? s : mixAll(d, s, 256 - a);
    }
  }
}

using CombineFn = Raster_Pixel (*)(Raster_Pixel d, Raster_Pixel s, int a);

// The combining function for a mode word.
inline CombineFn combinerFor(int mode)
{
  const bool srcAlpha = (mode & kRasterModeUseSourceAlpha) != 0;
  switch (mode & kRasterModeOpMask) {
    case kRasterModeAdd:
      return srcAlpha ? &combine<kRasterModeAdd, true> : &combine<kRasterModeAdd, false>;
    case kRasterModeDodge:
      return srcAlpha ? &combine<kRasterModeDodge, true> : &combine<kRasterModeDodge, false>;
    default:
      return srcAlpha ? &combine<kRasterModeCopy, true> : &combine<kRasterModeCopy, false>;
  }
}

}  // namespace raster_blend

// Combines source pixel s into d with opacity a (0..256, see Raster_OpacityFromWeight)
// and a mode word. a = 0 leaves d unchanged. Operations other than add (1) and colour
// dodge (2) combine as copy.
inline void Raster_CombinePixel(Raster_Pixel* d, Raster_Pixel s, int a, int mode)
{
  if (a <= 0)
    return;
  if (a > 256)
    a = 256;
  *d = raster_blend::combinerFor(mode)(*d, s, a);
}
