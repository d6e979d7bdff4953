// Sampling a source bitmap at fractional positions, for the scaled and rotated blits.
// Internal to the raster layer.
#pragma once

#include <algorithm>
#include <cmath>

#include "raster/Bitmap.h"

namespace raster_sample {

// The part of the source that may be sampled: a rectangle in continuous source
// coordinates (pixel i covers [i, i + 1)) already limited to the bitmap, and the range
// of whole pixels it touches.
struct Area
{
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int px0 = 0, py0 = 0, px1 = -1, py1 = -1;

  static Area of(Raster_IBitmap* bm, double left, double top, double right, double bottom)
  {
    Area a;
    a.x0 = std::max(left, 0.0);
    a.y0 = std::max(top, 0.0);
    a.x1 = std::min(right, double(bm->getWidth()));
    a.y1 = std::min(bottom, double(bm->getHeight()));
    if (!(a.x0 < a.x1) || !(a.y0 < a.y1) || !bm->getBits()) {
      a.x1 = a.x0;
      a.y1 = a.y0;
      return a;
    }
    a.px0 = int(std::floor(a.x0));
    a.py0 = int(std::floor(a.y0));
    a.px1 = std::min(int(std::ceil(a.x1)) - 1, bm->getWidth() - 1);
    a.py1 = std::min(int(std::ceil(a.y1)) - 1, bm->getHeight() - 1);
    return a;
  }

  bool empty() const { return px1 < px0 || py1 < py0; }

  // Rounding noise of the mapping (a cosine of 6e-17 for a quarter turn) must not drop
  // a pixel that lands on the area's edge.
  bool contains(double u, double v) const
  {
    constexpr double eps = 1e-6;
    return u >= x0 - eps && u < x1 + eps && v >= y0 - eps && v < y1 + eps;
  }
};

class Source
{
public:
  explicit Source(Raster_IBitmap* bm)
    : mBits(bm->getBits()), mSpan(bm->getRowSpan()), mLastRow(bm->getHeight() - 1),
      mFlipped(bm->isFlipped())
  {
  }

  Raster_Pixel at(int x, int y) const
  {
    return mBits[std::ptrdiff_t(mFlipped ? mLastRow - y : y) * mSpan + x];
  }

  // The pixel whose square contains (u, v), kept inside the area.
  Raster_Pixel nearest(double u, double v, const Area& a) const
  {
    const int x = std::clamp(int(std::floor(u)), a.px0, a.px1);
    const int y = std::clamp(int(std::floor(v)), a.py0, a.py1);
    return at(x, y);
  }

  // Bilinear interpolation between the four pixel centres around (u, v); positions
  // beyond the area repeat its edge pixels. Colours are weighted by alpha (the
  // interpolation runs on premultiplied values and is converted back), so a fully
  // transparent neighbour contributes no colour; opaque pixels interpolate plainly.
  Raster_Pixel bilinear(double u, double v, const Area& a) const
  {
    const double fx = std::clamp(u - 0.5, double(a.px0), double(a.px1));
    const double fy = std::clamp(v - 0.5, double(a.py0), double(a.py1));
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const int ix1 = std::min(ix + 1, a.px1), iy1 = std::min(iy + 1, a.py1);
    const Raster_Pixel p[4] = {at(ix, iy), at(ix1, iy), at(ix, iy1), at(ix1, iy1)};
    const double w[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};

    double alpha = 0, r = 0, g = 0, b = 0, pr = 0, pg = 0, pb = 0;
    for (int i = 0; i < 4; ++i) {
      const double wa = w[i] * Raster_GetA(p[i]);
      alpha += wa;
      pr += wa * Raster_GetR(p[i]);
      pg += wa * Raster_GetG(p[i]);
      pb += wa * Raster_GetB(p[i]);
      r += w[i] * Raster_GetR(p[i]);
      g += w[i] * Raster_GetG(p[i]);
      b += w[i] * Raster_GetB(p[i]);
    }
    if (alpha > 1e-9) {
      r = pr / alpha;
      g = pg / alpha;
      b = pb / alpha;
    }
    return Raster_ARGB(toByte(alpha), toByte(r), toByte(g), toByte(b));
  }

private:
  static int toByte(double v) { return std::clamp(int(v + 0.5), 0, 255); }

  const Raster_Pixel* mBits;
  int mSpan, mLastRow;
  bool mFlipped;
};

}  // namespace raster_sample
