#include "raster/Blit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/Sampler.h"

using raster_blend::combine;

namespace
{

// ---------------------------------------------------------------------------------------
// 1:1 blits

template <int Op, bool SrcAlpha>
void blendRow(Raster_Pixel* d, const Raster_Pixel* s, int n, int a, bool backwards)
{
  if (backwards)
  {
    for (int i = n - 1; i >= 0; --i)
      d[i] = combine<Op, SrcAlpha>(d[i], s[i], a);
  }
  else
  {
    for (int i = 0; i < n; ++i)
      d[i] = combine<Op, SrcAlpha>(d[i], s[i], a);
  }
}

// The editor's usual case (copy with source alpha at full opacity) gets its own loop:
// opaque and fully transparent pixels, by far the most common, skip the arithmetic, and
// runs of four of them are copied or skipped at once.
void blendRowSourceAlphaOpaque(Raster_Pixel* d, const Raster_Pixel* s, int n, bool backwards)
{
  auto one = [](Raster_Pixel& dp, Raster_Pixel sp)
  {
    const Raster_Pixel sA = sp & 0xffu;
    if (sA == 0xffu)
      dp = sp;
    else if (sA != 0)
      dp = combine<kRasterModeCopy, true>(dp, sp, 256);
  };
  if (backwards)
  {
    for (int i = n - 1; i >= 0; --i)
      one(d[i], s[i]);
    return;
  }
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    const Raster_Pixel s0 = s[i], s1 = s[i + 1], s2 = s[i + 2], s3 = s[i + 3];
    if ((s0 & s1 & s2 & s3 & 0xffu) == 0xffu)
    {
      d[i] = s0;
      d[i + 1] = s1;
      d[i + 2] = s2;
      d[i + 3] = s3;
    }
    else if (((s0 | s1 | s2 | s3) & 0xffu) != 0)
    {
      one(d[i], s0);
      one(d[i + 1], s1);
      one(d[i + 2], s2);
      one(d[i + 3], s3);
    }
  }
  for (; i < n; ++i)
    one(d[i], s[i]);
}

using RowFn = void (*)(Raster_Pixel*, const Raster_Pixel*, int, int, bool);

RowFn rowFunctionFor(int mode)
{
  const bool srcAlpha = (mode & kRasterModeUseSourceAlpha) != 0;
  switch (mode & kRasterModeOpMask)
  {
  case kRasterModeAdd:
    return srcAlpha ? &blendRow<kRasterModeAdd, true> : &blendRow<kRasterModeAdd, false>;
  case kRasterModeDodge:
    return srcAlpha ? &blendRow<kRasterModeDodge, true> : &blendRow<kRasterModeDodge, false>;
  default:
    return srcAlpha ? &blendRow<kRasterModeCopy, true> : &blendRow<kRasterModeCopy, false>;
  }
}

// Clipped rectangle of a blit, or empty.
struct BlitArea
{
  int dx = 0, dy = 0, sx = 0, sy = 0, w = 0, h = 0;
};

// One axis of a 1:1 blit: the span of n pixels from d in the destination and s in the
// source loses what lies before either bitmap's start or beyond either's end.
void clipAxis(long long& d, long long& s, long long& n, long long dEnd, long long sEnd)
{
  const long long skip = std::max({0LL, -d, -s});
  d += skip;
  s += skip;
  n = std::min({n - skip, dEnd - d, sEnd - s});
}

BlitArea clipBlit(Raster_IBitmap* dest, Raster_IBitmap* src, long long dx, long long dy,
                  long long sx, long long sy, long long w, long long h)
{
  BlitArea area;
  if (w <= 0 || h <= 0) return area;
  clipAxis(dx, sx, w, dest->getWidth(), src->getWidth());
  clipAxis(dy, sy, h, dest->getHeight(), src->getHeight());
  if (w <= 0 || h <= 0) return area;
  area.dx = int(dx);
  area.dy = int(dy);
  area.sx = int(sx);
  area.sy = int(sy);
  area.w = int(w);
  area.h = int(h);
  return area;
}

// Where the centre of each pixel of the destination rectangle falls in the source: the
// rectangle, unrotated, maps linearly onto the source rectangle, and a rotation by the
// angle (clockwise on screen, y growing downward) about a centre turns it. A pixel is
// given by its offset from the rectangle's corner, never by its place in the bitmap, so a
// blit shows the same pixels wherever it lands. The scale is applied as one division of a
// product that is exact for whole-pixel rectangles, so a centre on a source pixel edge
// lands exactly on it (for 8 pixels shown in 17, centre 8.5 gives 8.5 * 8 / 17 = 4, where
// multiplying by a rounded 8 / 17 could give 3.99...).
struct SourceMap
{
  double srcx, srcy, srcw, srch; // source rectangle
  double dstw, dsth;             // destination rectangle size
  double cx = 0, cy = 0;         // rotation centre, relative to the destination rectangle
  double cosA = 1, sinA = 0;

  void at(long long i, long long j, double& u, double& v) const
  {
    const double px = double(i) + 0.5 - cx, py = double(j) + 0.5 - cy;
    const double qx = cx + cosA * px + sinA * py;
    const double qy = cy - sinA * px + cosA * py;
    u = srcx + qx * srcw / dstw;
    v = srcy + qy * srch / dsth;
  }
};

// Pixels [x0, x1) x [y0, y1) of a bitmap.
struct PixelRange
{
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// The part of the rectangle (x, y, w, h) that lies inside the bitmap.
PixelRange visiblePart(Raster_IBitmap* dest, int x, int y, int w, int h)
{
  PixelRange r;
  r.x0 = int(std::max<long long>(x, 0));
  r.y0 = int(std::max<long long>(y, 0));
  r.x1 = int(std::min<long long>((long long)x + std::max(w, 0), dest->getWidth()));
  r.y1 = int(std::min<long long>((long long)y + std::max(h, 0), dest->getHeight()));
  return r;
}

// A scaled or rotated blit after its argument checks: the opacity, the visible part of the
// destination rectangle and the source area it may sample.
struct Resample
{
  int a = 0;
  PixelRange visible;
  raster_sample::Area area;
};

// False when the blit draws nothing: a null bitmap, an empty or non-finite rectangle,
// opacity 0, or nothing left after clipping. The sampled area is the source rectangle, or
// the whole source bitmap when wholeSource is set.
bool prepareResample(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                     int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                     bool wholeSource, Resample& r)
{
  if (!dest || !src || dstw <= 0 || dsth <= 0 || !(srcw > 0.0f) || !(srch > 0.0f) ||
      !std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) || !std::isfinite(srch))
    return false;
  r.a = Raster_OpacityFromWeight(alpha);
  if (r.a == 0) return false;
  r.visible = visiblePart(dest, dstx, dsty, dstw, dsth);
  if (r.visible.empty()) return false;
  r.area = wholeSource
               ? raster_sample::Area::of(src, 0.0, 0.0, src->getWidth(), src->getHeight())
               : raster_sample::Area::of(src, srcx, srcy, double(srcx) + srcw, double(srcy) + srch);
  return !r.area.empty();
}

void resampleInto(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, const Resample& r,
                  const SourceMap& map, int mode)
{
  Raster_MemBitmap copy;
  if (src == dest)
  {
    if (!Raster_Copy(&copy, src)) return;
    src = &copy;
  }
  const raster_blend::CombineFn combineFn = raster_blend::combinerFor(mode);
  const bool bilinear = (mode & kRasterModeFilterBilinear) != 0;
  raster_sample::Source source(src);
  for (int y = r.visible.y0; y < r.visible.y1; ++y)
  {
    Raster_Pixel* row = Raster_RowPointer(dest, y);
    for (int x = r.visible.x0; x < r.visible.x1; ++x)
    {
      double u, v;
      map.at((long long)x - dstx, (long long)y - dsty, u, v);
      if (!r.area.contains(u, v)) continue;
      const Raster_Pixel s =
          bilinear ? source.bilinear(u, v, r.area) : source.nearest(u, v, r.area);
      row[x] = combineFn(row[x], s, r.a);
    }
  }
}

} // namespace

// ---------------------------------------------------------------------------------------

void Raster_Blit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
                 int srcw, int srch, float alpha, int mode)
{
  if (!dest || !src) return;
  const int a = Raster_OpacityFromWeight(alpha);
  if (a == 0) return;
  const BlitArea r = clipBlit(dest, src, dstx, dsty, srcx, srcy, srcw, srch);
  if (r.w <= 0 || r.h <= 0) return;

  // Within one bitmap, walk so that no source pixel is overwritten before it is read.
  const bool same = dest == src;
  const bool bottomUp = same && r.dy > r.sy;
  const bool backwards = same && r.dy == r.sy && r.dx > r.sx;
  const bool plainCopy = a == 256 && (mode & (kRasterModeOpMask | kRasterModeUseSourceAlpha)) == 0;
  const bool opaqueSourceAlpha =
      a == 256 &&
      (mode & (kRasterModeOpMask | kRasterModeUseSourceAlpha)) == kRasterModeUseSourceAlpha;
  const RowFn rowFn = rowFunctionFor(mode);

  for (int i = 0; i < r.h; ++i)
  {
    const int row = bottomUp ? r.h - 1 - i : i;
    Raster_Pixel* d = Raster_RowPointer(dest, r.dy + row) + r.dx;
    const Raster_Pixel* s = Raster_RowPointer(src, r.sy + row) + r.sx;
    if (plainCopy)
      std::memmove(d, s, std::size_t(r.w) * sizeof(Raster_Pixel));
    else if (opaqueSourceAlpha)
      blendRowSourceAlphaOpaque(d, s, r.w, backwards);
    else
      rowFn(d, s, r.w, a, backwards);
  }
}

void Raster_ScaledBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                       int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                       int mode)
{
  Resample r;
  if (!prepareResample(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, alpha, false, r))
    return;
  const SourceMap map{srcx, srcy, srcw, srch, double(dstw), double(dsth)};
  resampleInto(dest, src, dstx, dsty, r, map, mode);
}

void Raster_RotatedBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                        int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                        bool clipToSourceRect, float alpha, int mode, float rotXCentre,
                        float rotYCentre)
{
  if (!std::isfinite(angle) || !std::isfinite(rotXCentre) || !std::isfinite(rotYCentre)) return;
  Resample r;
  if (!prepareResample(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, alpha,
                       !clipToSourceRect, r))
    return;
  SourceMap map{srcx, srcy, srcw, srch, double(dstw), double(dsth)};
  map.cx = dstw * 0.5 + rotXCentre;
  map.cy = dsth * 0.5 + rotYCentre;
  map.cosA = std::cos(double(angle));
  map.sinA = std::sin(double(angle));
  resampleInto(dest, src, dstx, dsty, r, map, mode);
}

bool Raster_Copy(Raster_IBitmap* dest, Raster_IBitmap* src)
{
  if (!dest || !src) return false;
  if (dest == src) return true;
  const int w = src->getWidth(), h = src->getHeight();
  if (!dest->resize(w, h) || dest->getWidth() != w || dest->getHeight() != h) return false;
  for (int y = 0; y < h && w > 0; ++y)
    std::memcpy(Raster_RowPointer(dest, y), Raster_RowPointer(src, y),
                std::size_t(w) * sizeof(Raster_Pixel));
  return true;
}

void Raster_ClearRect(Raster_IBitmap* dest, int x, int y, int w, int h, Raster_Pixel keepMask,
                      Raster_Pixel orBits)
{
  if (!dest) return;
  const PixelRange r = visiblePart(dest, x, y, w, h);
  for (int row = r.y0; row < r.y1; ++row)
  {
    Raster_Pixel* p = Raster_RowPointer(dest, row);
    for (int col = r.x0; col < r.x1; ++col)
      p[col] = (p[col] & keepMask) | orBits;
  }
}
