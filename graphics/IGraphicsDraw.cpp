// The drawing primitives: bitmaps (clipped to the rectangle being redrawn), pixels, lines
// and shapes, all carried out by the raster layer on the off-screen bitmap.
#include <algorithm>
#include <cmath>

#include "graphics/IGraphics.h"
#include "raster/Blit.h"
#include "raster/Shapes.h"

namespace
{

constexpr double kPi = 3.14159265358979323846;
// Lines drawn with IRECT positions: plain copy at full opacity, not anti-aliased.
constexpr int kPlainMode = kRasterModeCopy;

} // namespace

// ---- Bitmaps ----------------------------------------------------------------------------

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend)
{
  if (!bitmap || !bitmap->mData || !dest) return true;
  const IRECT r = dest->Intersect(mDrawRECT);
  if (r.Empty()) return true;
  Raster_Blit(mDrawBitmap.get(), bitmap->mData, r.L, r.T, srcX + r.L - dest->L,
              srcY + r.T - dest->T, r.W(), r.H(), RasterOpacity(blend), RasterMode(blend));
  return true;
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend)
{
  if (!bitmap) return true;
  int srcX = 0, srcY = 0;
  const int n = bitmap->N;
  frame = std::min(frame, n);
  if (frame >= 2 && n >= 2)
  {
    if (bitmap->mFramesAreHorizontal)
      srcX = int(double(frame - 1) * bitmap->W / n + 0.5);
    else
      srcY = int(double(frame - 1) * bitmap->H / n + 0.5);
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int cx, int cy, double angle, int yOffsetZeroDeg,
                                  const IChannelBlend* blend)
{
  if (!bitmap || !bitmap->mData) return true;
  const int w = bitmap->W, h = bitmap->H;
  Raster_RotatedBlit(mDrawBitmap.get(), bitmap->mData, cx - w / 2, cy - h / 2, w, h, 0.0f, 0.0f,
                     float(w), float(h), float(angle), false, RasterOpacity(blend),
                     RasterMode(blend) | kRasterModeFilterBilinear, 0.0f, float(yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y,
                                double angle, const IChannelBlend* blend)
{
  if (!base || !base->mData) return true;
  if (!mTmpBitmap) mTmpBitmap = std::make_unique<Raster_MemBitmap>(0, 0, 4);
  Raster_MemBitmap* tmp = mTmpBitmap.get();
  Raster_Copy(tmp, base->mData);
  const int w = base->W, h = base->H;
  Raster_ClearRect(tmp, 0, 0, w, h, 0xFFFFFF00u, 0u);

  const float radians = float(angle * kPi / 180.0);
  const float xCentre = (w % 2) ? -0.5f : 0.0f;
  auto overlay = [&](IBitmap* layer, int mode)
  {
    if (layer && layer->mData)
      Raster_RotatedBlit(tmp, layer->mData, 0, 0, w, h, 0.0f, 0.0f, float(layer->W),
                         float(layer->H), radians, true, 1.0f, mode, xCentre, 0.0f);
  };
  overlay(mask, kRasterModeAdd | kRasterModeFilterBilinear | kRasterModeUseSourceAlpha);
  overlay(top, kRasterModeCopy | kRasterModeFilterBilinear | kRasterModeUseSourceAlpha);

  IBitmap composed(tmp, w, h);
  IRECT dest(x, y, x + w, y + h);
  return DrawBitmap(&composed, &dest, 0, 0, blend);
}

// ---- Pixels, lines, shapes --------------------------------------------------------------

bool IGraphics::DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend,
                          bool /*antiAlias*/)
{
  Raster_PutPixel(mDrawBitmap.get(), int(x + 0.5f), int(y + 0.5f), color->ToPixel(),
                  RasterOpacity(blend), RasterMode(blend));
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y)
{
  if (!mDrawBitmap || x < 0 || x >= mDrawBitmap->getWidth()) return true;
  if (Raster_Pixel* row = Raster_RowPointer(mDrawBitmap.get(), y)) row[x] = color->ToPixel();
  return true;
}

IColor IGraphics::GetPoint(int x, int y)
{
  return IColor::FromPixel(mDrawBitmap ? Raster_GetPixel(mDrawBitmap.get(), x, y) : 0u);
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias)
{
  Raster_Line(mDrawBitmap.get(), int(x1), int(y1), int(x2), int(y2), color->ToPixel(),
              RasterOpacity(blend), RasterMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias)
{
  const float s = std::sin(angle), c = std::cos(angle);
  return DrawLine(color, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, blend,
                  antiAlias);
}

bool IGraphics::DrawVerticalLine(const IColor* color, IRECT* r, float t)
{
  const int x = r->L + int(float(r->W()) * std::clamp(t, 0.0f, 1.0f));
  return DrawVerticalLine(color, x, r->T, r->B);
}

bool IGraphics::DrawHorizontalLine(const IColor* color, IRECT* r, float t)
{
  const int y = r->B - int(float(r->H()) * std::clamp(t, 0.0f, 1.0f));
  return DrawHorizontalLine(color, y, r->L, r->R);
}

bool IGraphics::DrawVerticalLine(const IColor* color, int x, int y1, int y2)
{
  Raster_Line(mDrawBitmap.get(), x, y1, x, y2, color->ToPixel(), 1.0f, kPlainMode, false);
  return true;
}

bool IGraphics::DrawHorizontalLine(const IColor* color, int y, int x1, int x2)
{
  Raster_Line(mDrawBitmap.get(), x1, y, x2, y, color->ToPixel(), 1.0f, kPlainMode, false);
  return true;
}

bool IGraphics::DrawRect(const IColor* color, IRECT* r)
{
  DrawHorizontalLine(color, r->T, r->L, r->R);
  DrawHorizontalLine(color, r->B, r->L, r->R);
  DrawVerticalLine(color, r->L, r->T, r->B);
  DrawVerticalLine(color, r->R, r->T, r->B);
  return true;
}

bool IGraphics::DrawArc(const IColor* color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias)
{
  Raster_Arc(mDrawBitmap.get(), cx, cy, r, minAngle, maxAngle, color->ToPixel(),
             RasterOpacity(blend), RasterMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias)
{
  Raster_Circle(mDrawBitmap.get(), cx, cy, r, color->ToPixel(), RasterOpacity(blend),
                RasterMode(blend), antiAlias);
  return true;
}

bool IGraphics::RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias)
{
  Raster_RoundRect(mDrawBitmap.get(), r->L, r->T, r->W(), r->H(), cornerRadius, color->ToPixel(),
                   RasterOpacity(blend), RasterMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend)
{
  Raster_FillRect(mDrawBitmap.get(), r->L, r->T, r->W(), r->H(), color->ToPixel(),
                  RasterOpacity(blend), RasterMode(blend));
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias)
{
  Raster_FillCircle(mDrawBitmap.get(), float(cx), float(cy), r, color->ToPixel(),
                    RasterOpacity(blend), RasterMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias)
{
  const int c = cornerRadius;
  IRECT middle(r->L + c, r->T, r->R - c, r->B);
  IRECT left(r->L, r->T + c, r->L + c, r->B - c);
  IRECT right(r->R - c, r->T + c, r->R, r->B - c);
  FillIRect(color, &middle, blend);
  FillIRect(color, &left, blend);
  FillIRect(color, &right, blend);
  FillCircle(color, r->L + c, r->T + c, float(c), blend, antiAlias);
  FillCircle(color, r->R - c - 1, r->B - c - 1, float(c), blend, antiAlias);
  FillCircle(color, r->R - c - 1, r->T + c, float(c), blend, antiAlias);
  FillCircle(color, r->L + c, r->B - c - 1, float(c), blend, antiAlias);
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend)
{
  Raster_FillTriangle(mDrawBitmap.get(), x1, y1, x2, y2, x3, y3, color->ToPixel(),
                      RasterOpacity(blend), RasterMode(blend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* xs, int* ys, int n,
                                   const IChannelBlend* blend)
{
  Raster_FillConvexPolygon(mDrawBitmap.get(), xs, ys, n, color->ToPixel(), RasterOpacity(blend),
                           RasterMode(blend));
  return true;
}
