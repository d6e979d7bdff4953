#include "raster/Shapes.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kPi = 3.14159265358979323846;

// Puts one colour into pixels with a fixed mode and opacity; coverage below 1 scales
// the opacity for anti-aliased edges.
class Painter
{
public:
  Painter(Raster_IBitmap* dest, Raster_Pixel colour, float alpha, int mode)
      : mColour(colour), mA(Raster_OpacityFromWeight(alpha)),
        mCombine(raster_blend::combinerFor(mode))
  {
    if (dest)
    {
      mBits = dest->getBits();
      mW = dest->getWidth();
      mH = dest->getHeight();
      mSpan = dest->getRowSpan();
      mFlipped = dest->isFlipped();
    }
    if (!mBits) mW = mH = 0;
  }

  bool drawsNothing() const { return mA == 0 || mW <= 0 || mH <= 0; }
  int width() const { return mW; }
  int height() const { return mH; }

  void put(long long x, long long y)
  {
    if (x < 0 || y < 0 || x >= mW || y >= mH) return;
    Raster_Pixel& p = pixel(int(x), int(y));
    p = mCombine(p, mColour, mA);
  }

  void put(long long x, long long y, double coverage)
  {
    if (x < 0 || y < 0 || x >= mW || y >= mH || !(coverage > 0.0)) return;
    const int a = coverage >= 1.0 ? mA : int(mA * coverage + 0.5);
    if (a <= 0) return;
    Raster_Pixel& p = pixel(int(x), int(y));
    p = mCombine(p, mColour, a);
  }

  // Pixels x0 .. x1 (inclusive) of row y, clipped.
  void span(long long x0, long long x1, long long y)
  {
    if (y < 0 || y >= mH) return;
    x0 = std::max<long long>(x0, 0);
    x1 = std::min<long long>(x1, mW - 1);
    if (x0 > x1) return;
    Raster_Pixel* row = &pixel(0, int(y));
    for (long long x = x0; x <= x1; ++x)
      row[x] = mCombine(row[x], mColour, mA);
  }

private:
  Raster_Pixel& pixel(int x, int y)
  {
    return mBits[std::ptrdiff_t(mFlipped ? mH - 1 - y : y) * mSpan + x];
  }

  Raster_Pixel mColour;
  int mA;
  raster_blend::CombineFn mCombine;
  Raster_Pixel* mBits = nullptr;
  int mW = 0, mH = 0, mSpan = 0;
  bool mFlipped = false;
};

// Whole-pixel bounds of a coordinate, limited to [lo, hi] before conversion so that
// shapes far outside the bitmap cannot overflow the integer.
long long ceilWithin(double v, long long lo, long long hi)
{
  if (!(v > double(lo))) return lo;
  return v >= double(hi) ? hi : (long long)std::ceil(v);
}
long long floorWithin(double v, long long lo, long long hi)
{
  if (!(v > double(lo))) return lo;
  return v >= double(hi) ? hi : (long long)std::floor(v);
}

// The minor-axis position of a line, b0 + t * db / da at steps t = t0, t0 + 1, ..., kept as
// a whole part and a remainder 0 <= rem < da. It stays exact and cannot overflow for end
// points anywhere in the int range, where da < 2^32 and |db| <= da.
class LineTracker
{
public:
  LineTracker(long long b0, long long da, long long db, long long t0) : mDa(da)
  {
    // t0 <= da, so |t0 * db| < 2^64 fits an unsigned product.
    const unsigned long long magnitude = (unsigned long long)std::llabs(db);
    split((unsigned long long)t0 * magnitude, db < 0, mWhole, mRem);
    mWhole += b0;
    split(magnitude, db < 0, mStepWhole, mStepRem);
  }

  void step()
  {
    mWhole += mStepWhole;
    mRem += mStepRem;
    if (mRem >= mDa)
    {
      mRem -= mDa;
      ++mWhole;
    }
  }

  long long whole() const { return mWhole; }
  double fraction() const { return double(mRem) / double(mDa); }
  long long rounded() const { return mWhole + (2 * mRem >= mDa ? 1 : 0); } // halves upward

private:
  // Floor division of +-magnitude by da.
  void split(unsigned long long magnitude, bool negative, long long& q, long long& r) const
  {
    q = (long long)(magnitude / (unsigned long long)mDa);
    r = (long long)(magnitude % (unsigned long long)mDa);
    if (!negative) return;
    q = -q;
    if (r != 0)
    {
      --q;
      r = mDa - r;
    }
  }

  long long mDa;
  long long mWhole = 0, mRem = 0, mStepWhole = 0, mStepRem = 0;
};

// Which part of a ring to draw: angle interval and/or quadrant.
struct RingPart
{
  bool full = true;
  double start = 0, span = 0; // angles, 0 up, clockwise
  int qx = 0, qy = 0;         // when non-zero, only pixels with sign(dx) matching (or dx == 0)

  bool includes(double dx, double dy) const
  {
    if ((qx < 0 && dx > 0) || (qx > 0 && dx < 0) || (qy < 0 && dy > 0) || (qy > 0 && dy < 0))
      return false;
    if (full) return true;
    double t = std::atan2(dx, -dy) - start;
    t = std::fmod(t, 2 * kPi);
    if (t < 0) t += 2 * kPi;
    return t <= span + 1e-9;
  }
};

// Pixels on the circle of radius r: without anti-aliasing those within half a pixel of
// it (a connected ring one pixel thick), with it every pixel within one pixel, weighted
// by closeness.
void ring(Painter& p, double cx, double cy, double r, bool antiAlias, const RingPart& part)
{
  if (!(r >= 0) || !std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
  const double reach = antiAlias ? r + 1.0 : r + 0.5;
  const long long yTop = ceilWithin(cy - reach, 0, p.height());
  const long long yBot = floorWithin(cy + reach, -1, p.height() - 1);
  for (long long y = yTop; y <= yBot; ++y)
  {
    const double dy = double(y) - cy;
    if (std::fabs(dy) > reach) continue;
    const double half = std::sqrt(std::max(0.0, reach * reach - dy * dy));
    const long long x0 = ceilWithin(cx - half, 0, p.width());
    const long long x1 = floorWithin(cx + half, -1, p.width() - 1);
    // Skip the hole in the middle of large rings.
    const double inner = antiAlias ? r - 1.0 : r - 0.5;
    double holeHalf = -1;
    if (inner > 0 && std::fabs(dy) < inner) holeHalf = std::sqrt(inner * inner - dy * dy);
    for (long long x = x0; x <= x1; ++x)
    {
      const double dx = double(x) - cx;
      if (holeHalf > 1.0 && std::fabs(dx) < holeHalf - 1.0)
      {
        x = floorWithin(cx + holeHalf - 1.0, x, x1);
        continue;
      }
      const double dist = std::sqrt(dx * dx + dy * dy);
      const double off = std::fabs(dist - r);
      if (!part.includes(dx, dy)) continue;
      if (antiAlias)
      {
        if (off < 1.0) p.put(x, y, 1.0 - off);
      }
      else if (off < 0.5)
      {
        p.put(x, y);
      }
    }
  }
}

} // namespace

// ---------------------------------------------------------------------------------------

void Raster_PutPixel(Raster_IBitmap* dest, int x, int y, Raster_Pixel colour, float alpha, int mode)
{
  Painter p(dest, colour, alpha, mode);
  if (!p.drawsNothing()) p.put(x, y);
}

Raster_Pixel Raster_GetPixel(Raster_IBitmap* dest, int x, int y)
{
  if (!dest || x < 0 || x >= dest->getWidth()) return 0;
  const Raster_Pixel* row = Raster_RowPointer(dest, y);
  return row ? row[x] : 0;
}

void Raster_Line(Raster_IBitmap* dest, int x1, int y1, int x2, int y2, Raster_Pixel colour,
                 float alpha, int mode, bool antiAlias)
{
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing()) return;
  const long long dx = (long long)x2 - x1, dy = (long long)y2 - y1;
  if (dx == 0 && dy == 0)
  {
    p.put(x1, y1);
    return;
  }
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  // Walk the longer axis from the lower end; only the part inside the bitmap is visited.
  long long a0 = xMajor ? x1 : y1, b0 = xMajor ? y1 : x1;
  long long a1 = xMajor ? x2 : y2, b1 = xMajor ? y2 : x2;
  if (a0 > a1)
  {
    std::swap(a0, a1);
    std::swap(b0, b1);
  }
  const long long da = a1 - a0, db = b1 - b0;
  const long long limit = (xMajor ? p.width() : p.height()) - 1;
  const long long from = std::max<long long>(a0, 0), to = std::min<long long>(a1, limit);
  if (from > to) return;
  const auto plot = [&](long long a, long long b, double coverage)
  {
    if (xMajor)
      p.put(a, b, coverage);
    else
      p.put(b, a, coverage);
  };
  LineTracker b(b0, da, db, from - a0);
  for (long long a = from; a <= to; ++a, b.step())
  {
    if (!antiAlias)
    {
      plot(a, b.rounded(), 1.0);
      continue;
    }
    const double frac = b.fraction();
    plot(a, b.whole(), 1.0 - frac);
    if (frac > 0) plot(a, b.whole() + 1, frac);
  }
}

void Raster_Arc(Raster_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                Raster_Pixel colour, float alpha, int mode, bool antiAlias)
{
  if (!std::isfinite(minAngle) || !std::isfinite(maxAngle)) return;
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing()) return;
  RingPart part;
  double lo = minAngle, hi = maxAngle;
  if (lo > hi) std::swap(lo, hi);
  if (hi - lo < 2 * kPi)
  {
    part.full = false;
    part.start = lo;
    part.span = hi - lo;
  }
  ring(p, cx, cy, r, antiAlias, part);
}

void Raster_Circle(Raster_IBitmap* dest, float cx, float cy, float r, Raster_Pixel colour,
                   float alpha, int mode, bool antiAlias)
{
  Painter p(dest, colour, alpha, mode);
  if (!p.drawsNothing()) ring(p, cx, cy, r, antiAlias, RingPart());
}

void Raster_FillCircle(Raster_IBitmap* dest, float cx, float cy, float r, Raster_Pixel colour,
                       float alpha, int mode, bool antiAlias)
{
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing() || !(r >= 0) || !std::isfinite(cx) || !std::isfinite(cy) ||
      !std::isfinite(r))
    return;
  const double reach = antiAlias ? double(r) + 0.5 : double(r);
  const long long yTop = ceilWithin(cy - reach, 0, p.height());
  const long long yBot = floorWithin(cy + reach, -1, p.height() - 1);
  for (long long y = yTop; y <= yBot; ++y)
  {
    const double dy = double(y) - cy;
    const double sq = reach * reach - dy * dy;
    if (sq < 0) continue;
    const double half = std::sqrt(sq) + 1e-9;
    const long long x0 = ceilWithin(cx - half, 0, p.width());
    const long long x1 = floorWithin(cx + half, -1, p.width() - 1);
    if (!antiAlias)
    {
      p.span(x0, x1, y);
      continue;
    }
    // Pixels at least half a pixel inside the edge are fully covered.
    const double solid = double(r) - 0.5;
    const double solidSq = solid * solid - dy * dy;
    const double solidHalf = solid >= 0 && solidSq >= 0 ? std::sqrt(solidSq) : -1.0;
    long long s0 = 1, s1 = 0;
    if (solidHalf >= 0)
    {
      s0 = ceilWithin(cx - solidHalf, 0, p.width());
      s1 = floorWithin(cx + solidHalf, -1, p.width() - 1);
    }
    for (long long x = x0; x <= x1; ++x)
    {
      if (x >= s0 && x <= s1)
      {
        p.span(x, s1, y);
        x = s1;
        continue;
      }
      const double dx = double(x) - cx;
      p.put(x, y, double(r) + 0.5 - std::sqrt(dx * dx + dy * dy));
    }
  }
}

void Raster_RoundRect(Raster_IBitmap* dest, int x, int y, int w, int h, int cornerRadius,
                      Raster_Pixel colour, float alpha, int mode, bool antiAlias)
{
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing() || w <= 0 || h <= 0) return;
  const long long L = x, T = y, R = (long long)x + w - 1, B = (long long)y + h - 1;
  const long long c = std::clamp<long long>(cornerRadius, 0, (std::min(w, h) - 1) / 2);

  // Straight edges between the corners.
  for (long long i = L + c + 1; i <= R - c - 1; ++i)
  {
    p.put(i, T);
    if (B != T) p.put(i, B);
  }
  for (long long j = T + c + 1; j <= B - c - 1; ++j)
  {
    p.put(L, j);
    if (R != L) p.put(R, j);
  }
  // Corners: quarter rings around centres c pixels inside each corner. When two centres
  // coincide (a rectangle only 2c + 1 wide or high) the second is skipped.
  const long long cl = L + c, cr = R - c, ct = T + c, cb = B - c;
  auto corner = [&](long long ccx, long long ccy, int qx, int qy)
  {
    RingPart part;
    part.qx = qx;
    part.qy = qy;
    ring(p, double(ccx), double(ccy), double(c), antiAlias, part);
  };
  corner(cl, ct, -1, -1);
  if (cr != cl) corner(cr, ct, 1, -1);
  if (cb != ct)
  {
    corner(cl, cb, -1, 1);
    if (cr != cl) corner(cr, cb, 1, 1);
  }
}

void Raster_FillRect(Raster_IBitmap* dest, int x, int y, int w, int h, Raster_Pixel colour,
                     float alpha, int mode)
{
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing() || w <= 0 || h <= 0) return;
  const long long y0 = std::max<long long>(y, 0);
  const long long y1 = std::min<long long>((long long)y + h, p.height());
  for (long long row = y0; row < y1; ++row)
    p.span(x, (long long)x + w - 1, row);
}

void Raster_FillTriangle(Raster_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                         Raster_Pixel colour, float alpha, int mode)
{
  const int xs[3] = {x1, x2, x3};
  const int ys[3] = {y1, y2, y3};
  Raster_FillConvexPolygon(dest, xs, ys, 3, colour, alpha, mode);
}

void Raster_FillConvexPolygon(Raster_IBitmap* dest, const int* xs, const int* ys, int n,
                              Raster_Pixel colour, float alpha, int mode)
{
  Painter p(dest, colour, alpha, mode);
  if (p.drawsNothing() || !xs || !ys || n <= 0) return;
  long long minY = ys[0], maxY = ys[0];
  for (int i = 1; i < n; ++i)
  {
    minY = std::min<long long>(minY, ys[i]);
    maxY = std::max<long long>(maxY, ys[i]);
  }
  const long long yTop = std::max<long long>(minY, 0);
  const long long yBot = std::min<long long>(maxY, p.height() - 1);
  for (long long y = yTop; y <= yBot; ++y)
  {
    double lo = 0, hi = 0;
    bool any = false;
    auto take = [&](double v)
    {
      if (!any)
      {
        lo = hi = v;
        any = true;
      }
      else
      {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    };
    for (int i = 0; i < n; ++i)
    {
      const long long ax = xs[i], ay = ys[i];
      const long long bx = xs[(i + 1) % n], by = ys[(i + 1) % n];
      if (ay == by)
      {
        if (ay == y)
        {
          take(double(ax));
          take(double(bx));
        }
        continue;
      }
      if (y < std::min(ay, by) || y > std::max(ay, by)) continue;
      take(double(ax) + double(y - ay) * double(bx - ax) / double(by - ay));
    }
    if (!any) continue;
    p.span((long long)std::ceil(lo - 1e-9), (long long)std::floor(hi + 1e-9), y);
  }
}
