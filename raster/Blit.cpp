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

BlitArea clipBlit(Raster_IBitmap* dest, Raster_IBitmap* src, long long dx, long long dy,
                  long long sx, long long sy, long long w, long long h)
{
  BlitArea area;
  if (w <= 0 || h <= 0) return area;
  const long long srcW = src->getWidth(), srcH = src->getHeight();
  const long long dstW = dest->getWidth(), dstH = dest->getHeight();
  if (sx < 0)
  {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (sy < 0)
  {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  w = std::min(w, srcW - sx);
  h = std::min(h, srcH - sy);
  if (dx < 0)
  {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0)
  {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  w = std::min(w, dstW - dx);
  h = std::min(h, dstH - dy);
  if (w <= 0 || h <= 0) return area;
  area.dx = int(dx);
  area.dy = int(dy);
  area.sx = int(sx);
  area.sy = int(sy);
  area.w = int(w);
  area.h = int(h);
  return area;
}

// Pixel centres of the destination rectangle map onto the source through this affine
// map: source point = origin + x * ux + y * vx (and likewise for y).
struct SourceMap
{
  double ox, oy;   // source point of destination pixel centre (0, 0) of the bitmap
  double xdx, ydx; // change per destination pixel step in x
  double xdy, ydy; // change per destination pixel step in y
};

void resampleInto(Raster_IBitmap* dest, Raster_IBitmap* src, int x0, int y0, int x1, int y1,
                  const SourceMap& map, const raster_sample::Area& area, int a, int mode)
{
  const raster_blend::CombineFn combineFn = raster_blend::combinerFor(mode);
  const bool bilinear = (mode & kRasterModeFilterBilinear) != 0;
  raster_sample::Source source(src);
  for (int y = y0; y < y1; ++y)
  {
    Raster_Pixel* row = Raster_RowPointer(dest, y);
    for (int x = x0; x < x1; ++x)
    {
      const double u = map.ox + x * map.xdx + y * map.xdy;
      const double v = map.oy + x * map.ydx + y * map.ydy;
      if (!area.contains(u, v)) continue;
      const Raster_Pixel s = bilinear ? source.bilinear(u, v, area) : source.nearest(u, v, area);
      row[x] = combineFn(row[x], s, a);
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

// The destination rectangle clipped to the bitmap, as [x0, x1) x [y0, y1); false when nothing
// of it is left.
static bool ClipToDest(Raster_IBitmap* dest, int dstx, int dsty, int dstw, int dsth, int& x0,
                       int& y0, int& x1, int& y1)
{
  x0 = int(std::max<long long>(dstx, 0));
  y0 = int(std::max<long long>(dsty, 0));
  x1 = int(std::min<long long>((long long)dstx + dstw, dest->getWidth()));
  y1 = int(std::min<long long>((long long)dsty + dsth, dest->getHeight()));
  return x0 < x1 && y0 < y1;
}

void Raster_ScaledBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                       int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                       int mode)
{
  if (!dest || !src || dstw <= 0 || dsth <= 0 || !(srcw > 0.0f) || !(srch > 0.0f) ||
      !std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) || !std::isfinite(srch))
    return;
  const int a = Raster_OpacityFromWeight(alpha);
  if (a == 0) return;
  int x0, y0, x1, y1;
  if (!ClipToDest(dest, dstx, dsty, dstw, dsth, x0, y0, x1, y1)) return;
  const raster_sample::Area area =
      raster_sample::Area::of(src, srcx, srcy, double(srcx) + srcw, double(srcy) + srch);
  if (area.empty()) return;

  Raster_MemBitmap copy;
  if (src == dest)
  {
    if (!Raster_Copy(&copy, src)) return;
    src = &copy;
  }
  // Destination pixel centre x + 0.5 maps to srcx + (x + 0.5 - dstx) * srcw / dstw.
  SourceMap map;
  map.xdx = double(srcw) / dstw;
  map.ydy = double(srch) / dsth;
  map.ydx = map.xdy = 0.0;
  map.ox = srcx + (0.5 - dstx) * map.xdx;
  map.oy = srcy + (0.5 - dsty) * map.ydy;
  resampleInto(dest, src, x0, y0, x1, y1, map, area, a, mode);
}

void Raster_RotatedBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                        int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                        bool clipToSourceRect, float alpha, int mode, float rotXCentre,
                        float rotYCentre)
{
  if (!dest || !src || dstw <= 0 || dsth <= 0 || !(srcw > 0.0f) || !(srch > 0.0f) ||
      !std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) ||
      !std::isfinite(srch) || !std::isfinite(angle) || !std::isfinite(rotXCentre) ||
      !std::isfinite(rotYCentre))
    return;
  const int a = Raster_OpacityFromWeight(alpha);
  if (a == 0) return;
  int x0, y0, x1, y1;
  if (!ClipToDest(dest, dstx, dsty, dstw, dsth, x0, y0, x1, y1)) return;
  const raster_sample::Area area =
      clipToSourceRect
          ? raster_sample::Area::of(src, srcx, srcy, double(srcx) + srcw, double(srcy) + srch)
          : raster_sample::Area::of(src, 0.0, 0.0, src->getWidth(), src->getHeight());
  if (area.empty()) return;

  Raster_MemBitmap copy;
  if (src == dest)
  {
    if (!Raster_Copy(&copy, src)) return;
    src = &copy;
  }
  // A destination point p shows the source at M(c + R(-angle) (p - c)), where c is the
  // rotation centre and M maps the unrotated destination rectangle onto the source
  // rectangle. With y growing downward, R(angle) turns clockwise on screen.
  const double cx = dstx + dstw * 0.5 + rotXCentre;
  const double cy = dsty + dsth * 0.5 + rotYCentre;
  const double cosA = std::cos(double(angle)), sinA = std::sin(double(angle));
  const double sx = double(srcw) / dstw, sy = double(srch) / dsth;
  // Unrotated point q = c + (cos * (px - cx) + sin * (py - cy), -sin * (px - cx) + cos * (py -
  // cy)). Source point = (srcx + (qx - dstx) * sx, srcy + (qy - dsty) * sy), p = pixel + 0.5.
  SourceMap map;
  map.xdx = cosA * sx;
  map.xdy = sinA * sx;
  map.ydx = -sinA * sy;
  map.ydy = cosA * sy;
  const double qx0 = cx + cosA * (0.5 - cx) + sinA * (0.5 - cy);
  const double qy0 = cy - sinA * (0.5 - cx) + cosA * (0.5 - cy);
  map.ox = srcx + (qx0 - dstx) * sx;
  map.oy = srcy + (qy0 - dsty) * sy;
  resampleInto(dest, src, x0, y0, x1, y1, map, area, a, mode);
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
  if (!dest || w <= 0 || h <= 0) return;
  const int x0 = int(std::max<long long>(x, 0));
  const int y0 = int(std::max<long long>(y, 0));
  const int x1 = int(std::min<long long>((long long)x + w, dest->getWidth()));
  const int y1 = int(std::min<long long>((long long)y + h, dest->getHeight()));
  for (int row = y0; row < y1; ++row)
  {
    Raster_Pixel* p = Raster_RowPointer(dest, row);
    for (int col = x0; col < x1; ++col)
      p[col] = (p[col] & keepMask) | orBits;
  }
}
