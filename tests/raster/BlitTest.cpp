#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "raster/Blit.h"
#include "tests/raster/TestBitmaps.h"

using rastertest::at;
using rastertest::tag;

namespace
{

constexpr Raster_Pixel kBack = 0x01020304u;
constexpr double kPi = 3.14159265358979323846;

} // namespace

TEST(RasterBitmap, RowSpanIsTheAlignedWidth)
{
  Raster_MemBitmap a(5, 3, 4);
  EXPECT_EQ(a.getWidth(), 5);
  EXPECT_EQ(a.getHeight(), 3);
  EXPECT_EQ(a.getRowSpan(), 8);
  EXPECT_FALSE(a.isFlipped());
  EXPECT_EQ(a.getDC(), nullptr);
  Raster_MemBitmap b(8, 1, 4);
  EXPECT_EQ(b.getRowSpan(), 8);
  Raster_MemBitmap c(3, 2, 1);
  EXPECT_EQ(c.getRowSpan(), 3);

  Raster_MemBitmap empty(0, 0, 4);
  EXPECT_EQ(empty.getBits(), nullptr);
  ASSERT_TRUE(empty.resize(6, 2));
  EXPECT_EQ(empty.getRowSpan(), 8);
  EXPECT_EQ(rastertest::count(empty, [](int, int, Raster_Pixel p) { return p != 0; }), 0);

  // Refused sizes keep the bitmap as it was.
  at(empty, 1, 1) = 42;
  EXPECT_FALSE(empty.resize(-1, 5));
  EXPECT_FALSE(empty.resize(40000, 1));
  EXPECT_FALSE(empty.resize(20000, 20000));
  EXPECT_EQ(empty.getWidth(), 6);
  EXPECT_EQ(at(empty, 1, 1), 42u);
  EXPECT_TRUE(empty.resize(6, 2)); // same size keeps the pixels
  EXPECT_EQ(at(empty, 1, 1), 42u);

  Raster_MemBitmap bad(-3, 4);
  EXPECT_EQ(bad.getWidth(), 0);
  EXPECT_EQ(bad.getHeight(), 0);
}

TEST(RasterBitmap, SysBitmapHandleFollowsResize)
{
  Raster_SysBitmap bm(578, 299);
  EXPECT_EQ(bm.getWidth(), 578);
  EXPECT_EQ(bm.getRowSpan(), 580);
  auto* dc = static_cast<Raster_DC*>(bm.getDC());
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->bits, bm.getBits());
  EXPECT_EQ(dc->width, 578);
  ASSERT_TRUE(bm.resize(10, 20));
  EXPECT_EQ(dc->bits, bm.getBits());
  EXPECT_EQ(dc->height, 20);
  EXPECT_EQ(dc->rowSpan, 12);
}

TEST(RasterBlit, CopiesTheSourceRectangleOneToOne)
{
  Raster_MemBitmap src(6, 5), dst(8, 8);
  rastertest::fillTagged(src);
  rastertest::fill(dst, kBack);
  Raster_Blit(&dst, &src, 3, 2, 1, 1, 4, 3, 1.0f, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
    {
      const bool inside = x >= 3 && x < 7 && y >= 2 && y < 5;
      EXPECT_EQ(at(dst, x, y), inside ? tag(x - 2, y - 1) : kBack) << x << "," << y;
    }
}

TEST(RasterBlit, ClipsAtEveryEdgeAndNeverWritesOutside)
{
  Raster_MemBitmap src(4, 4);
  rastertest::fillTagged(src);
  struct Case
  {
    int dx, dy;
  };
  // Over the left, top, right and bottom edges, the corners, and entirely outside.
  const Case cases[] = {{-2, 1}, {1, -3}, {3, 1}, {1, 4}, {-1, -1},
                        {4, 4},  {-4, 0}, {5, 0}, {0, 5}, {-100000, 2}};
  for (const Case& c : cases)
  {
    Raster_MemBitmap dst(5, 5, 8); // row span 8: pixels 5..7 of each row must stay untouched
    rastertest::fill(dst, kBack);
    Raster_Blit(&dst, &src, c.dx, c.dy, 0, 0, 4, 4, 1.0f, 0);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 8; ++x)
      {
        const int sx = x - c.dx, sy = y - c.dy;
        const bool inside = x < 5 && sx >= 0 && sx < 4 && sy >= 0 && sy < 4;
        ASSERT_EQ(at(dst, x, y), inside ? tag(sx, sy) : kBack)
            << c.dx << "," << c.dy << " at " << x << "," << y;
      }
  }
}

TEST(RasterBlit, SourceRectanglesBeyondTheSourceAreClipped)
{
  Raster_MemBitmap src(3, 3), dst(6, 6);
  rastertest::fillTagged(src);
  rastertest::fill(dst, kBack);
  // Source rectangle (-1, -1, 5, 5): only the real 3 x 3 pixels arrive, shifted by one.
  Raster_Blit(&dst, &src, 0, 0, -1, -1, 5, 5, 1.0f, 0);
  EXPECT_EQ(at(dst, 0, 0), kBack);
  EXPECT_EQ(at(dst, 1, 1), tag(0, 0));
  EXPECT_EQ(at(dst, 3, 3), tag(2, 2));
  EXPECT_EQ(at(dst, 4, 4), kBack);
  EXPECT_EQ(rastertest::count(dst, [](int, int, Raster_Pixel p) { return p != kBack; }), 9);

  // Empty or negative sizes and null bitmaps draw nothing.
  rastertest::fill(dst, kBack);
  Raster_Blit(&dst, &src, 0, 0, 0, 0, 0, 3, 1.0f, 0);
  Raster_Blit(&dst, &src, 0, 0, 0, 0, 3, -2, 1.0f, 0);
  Raster_Blit(&dst, nullptr, 0, 0, 0, 0, 3, 3, 1.0f, 0);
  Raster_Blit(nullptr, &src, 0, 0, 0, 0, 3, 3, 1.0f, 0);
  Raster_Blit(&dst, &src, 0, 0, 0, 0, 3, 3, 0.003f, 0);
  EXPECT_EQ(rastertest::count(dst, [](int, int, Raster_Pixel p) { return p != kBack; }), 0);
}

TEST(RasterBlit, OverlappingBlitWithinOneBitmapReadsTheOriginalPixels)
{
  for (int mode : {0, 0x10000})
  {
    Raster_MemBitmap bm(6, 6), orig(6, 6);
    rastertest::fillTagged(bm);
    rastertest::fillTagged(orig);
    Raster_Blit(&bm, &bm, 1, 1, 0, 0, 5, 5, 1.0f, mode); // down-right
    for (int y = 1; y < 6; ++y)
      for (int x = 1; x < 6; ++x)
        ASSERT_EQ(at(bm, x, y), tag(x - 1, y - 1));
    rastertest::fillTagged(bm);
    Raster_Blit(&bm, &bm, 2, 3, 3, 3, 3, 1, 1.0f, mode); // leftward within one row
    EXPECT_EQ(at(bm, 2, 3), tag(3, 3));
    EXPECT_EQ(at(bm, 4, 3), tag(5, 3));
    rastertest::fillTagged(bm);
    Raster_Blit(&bm, &bm, 1, 0, 0, 0, 5, 6, 1.0f, mode | 1); // add, rightward
    EXPECT_EQ(Raster_GetR(at(bm, 5, 0)), 5 + 6);
  }
}

TEST(RasterBlit, CopyAndClearRect)
{
  Raster_MemBitmap src(5, 3), dst(0, 0);
  rastertest::fillTagged(src);
  ASSERT_TRUE(Raster_Copy(&dst, &src));
  ASSERT_EQ(dst.getWidth(), 5);
  ASSERT_EQ(dst.getHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(at(dst, x, y), tag(x, y));
  EXPECT_FALSE(Raster_Copy(nullptr, &src));

  // Clearing the alpha byte, clipped: (p AND 0xFFFFFF00) OR 0.
  Raster_ClearRect(&dst, 3, -1, 10, 3, 0xFFFFFF00u, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(at(dst, x, y), (x >= 3 && y < 2) ? (tag(x, y) & 0xFFFFFF00u) : tag(x, y));
  Raster_ClearRect(&dst, 0, 2, 1, 1, 0, 0x12345678u);
  EXPECT_EQ(at(dst, 0, 2), 0x12345678u);
}

TEST(RasterScaledBlit, NearestNeighbourDoublesEachPixel)
{
  Raster_MemBitmap src(2, 2), dst(5, 5);
  rastertest::fillTagged(src);
  rastertest::fill(dst, kBack);
  Raster_ScaledBlit(&dst, &src, 1, 1, 4, 4, 0, 0, 2, 2, 1.0f, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
    {
      const bool inside = x >= 1 && y >= 1;
      EXPECT_EQ(at(dst, x, y), inside ? tag((x - 1) / 2, (y - 1) / 2) : kBack) << x << "," << y;
    }
  // Shrinking 4 -> 2 takes the pixel under each destination centre (source 1 and 3).
  Raster_MemBitmap wide(4, 1), narrow(2, 1);
  rastertest::fillTagged(wide);
  Raster_ScaledBlit(&narrow, &wide, 0, 0, 2, 1, 0, 0, 4, 1, 1.0f, 0);
  EXPECT_EQ(at(narrow, 0, 0), tag(1, 0));
  EXPECT_EQ(at(narrow, 1, 0), tag(3, 0));
}

TEST(RasterScaledBlit, BilinearInterpolatesAGradient)
{
  // Two opaque pixels, red 0 and 255, stretched to four: centres map to source x =
  // 0.25, 0.75, 1.25, 1.75, i.e. sample positions -0.25 (edge), 0.25, 0.75, 1.25 (edge):
  // 0, 63.75, 191.25, 255 -> 0, 64, 191, 255.
  Raster_MemBitmap src(2, 1), dst(4, 1);
  at(src, 0, 0) = Raster_ARGB(255, 0, 100, 0);
  at(src, 1, 0) = Raster_ARGB(255, 255, 100, 0);
  Raster_ScaledBlit(&dst, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, kRasterModeFilterBilinear);
  EXPECT_EQ(at(dst, 0, 0), Raster_ARGB(255, 0, 100, 0));
  EXPECT_EQ(at(dst, 1, 0), Raster_ARGB(255, 64, 100, 0));
  EXPECT_EQ(at(dst, 2, 0), Raster_ARGB(255, 191, 100, 0));
  EXPECT_EQ(at(dst, 3, 0), Raster_ARGB(255, 255, 100, 0));

  // In two dimensions: 2 x 2 corners 0, 64, 128, 192 (blue) to 4 x 4; pixel (1, 1)
  // samples at (0.25, 0.25): 0 * 0.5625 + 64 * 0.1875 + 128 * 0.1875 + 192 * 0.0625 = 48.
  Raster_MemBitmap sq(2, 2), big(4, 4);
  at(sq, 0, 0) = Raster_ARGB(255, 0, 0, 0);
  at(sq, 1, 0) = Raster_ARGB(255, 0, 0, 64);
  at(sq, 0, 1) = Raster_ARGB(255, 0, 0, 128);
  at(sq, 1, 1) = Raster_ARGB(255, 0, 0, 192);
  Raster_ScaledBlit(&big, &sq, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, kRasterModeFilterBilinear);
  EXPECT_EQ(Raster_GetB(at(big, 1, 1)), 48);
  EXPECT_EQ(Raster_GetB(at(big, 2, 1)), 80); // (0.75, 0.25): 16 + 48 + 16 = 80
  EXPECT_EQ(Raster_GetB(at(big, 3, 3)), 192);

  // A transparent neighbour lends no colour: the half-way pixel keeps the opaque colour
  // at half alpha instead of darkening towards the transparent black.
  Raster_MemBitmap edge(2, 1), out(4, 1);
  at(edge, 0, 0) = Raster_ARGB(255, 200, 200, 200);
  at(edge, 1, 0) = 0;
  Raster_ScaledBlit(&out, &edge, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, kRasterModeFilterBilinear);
  EXPECT_EQ(at(out, 2, 0), Raster_ARGB(64, 200, 200, 200)); // alpha 255 * 0.25 = 63.75
}

TEST(RasterScaledBlit, ClipsAndSamplesOnlyTheSourceRectangle)
{
  Raster_MemBitmap src(4, 4), dst(6, 6, 8);
  rastertest::fillTagged(src);
  rastertest::fill(dst, kBack);
  // Scale source (1, 1, 2, 2) 3x into (-2, -2, 6, 6): visible part is (0..3, 0..3).
  Raster_ScaledBlit(&dst, &src, -2, -2, 6, 6, 1, 1, 2, 2, 1.0f, kRasterModeFilterBilinear);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
    {
      const Raster_Pixel p = at(dst, x, y);
      if (x >= 4 || y >= 4)
      {
        ASSERT_EQ(p, kBack) << x << "," << y;
      }
      else
      {
        // Only source pixels 1..2 may contribute to red and green.
        ASSERT_GE(Raster_GetR(p), 2);
        ASSERT_LE(Raster_GetR(p), 3);
        ASSERT_GE(Raster_GetG(p), 2);
        ASSERT_LE(Raster_GetG(p), 3);
      }
    }
}

TEST(RasterScaledBlit, CentresOnSourcePixelEdgesTakeTheNextPixel)
{
  // 8 pixels stretched to 17: the centre of pixel i lies at (2i + 1) * 8 / 34 in the
  // source. Pixel 8's centre is exactly the edge 4.0 and shows source pixel 4; pixels 2,
  // 4 and 6 sit 1/17 past an edge, pixels 9 and 10 short of one.
  const int expected[17] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4, 5, 5, 6, 6, 7, 7};
  Raster_MemBitmap src(8, 8);
  rastertest::fillTagged(src);
  const int offsets[][2] = {{0, 0}, {17, 17}, {40, 3}, {-3, -5}, {33, 45}};
  for (bool rotated : {false, true})
    for (const auto& o : offsets)
    {
      Raster_MemBitmap dst(64, 64);
      rastertest::fill(dst, kBack);
      if (rotated)
        Raster_RotatedBlit(&dst, &src, o[0], o[1], 17, 17, 0, 0, 8, 8, 0.0f, true, 1.0f, 0, 0, 0);
      else
        Raster_ScaledBlit(&dst, &src, o[0], o[1], 17, 17, 0, 0, 8, 8, 1.0f, 0);
      for (int j = 0; j < 17; ++j)
        for (int i = 0; i < 17; ++i)
        {
          const int x = o[0] + i, y = o[1] + j;
          if (x < 0 || y < 0 || x >= 64 || y >= 64) continue;
          ASSERT_EQ(at(dst, x, y), tag(expected[i], expected[j]))
              << (rotated ? "rotated" : "scaled") << " at " << o[0] << "," << o[1] << ": " << i
              << "," << j;
        }
    }
}

TEST(RasterScaledBlit, SameBlitGivesTheSamePixelsWhereverItLands)
{
  Raster_MemBitmap src(8, 3);
  rastertest::fillTagged(src);
  at(src, 2, 1) = Raster_ARGB(90, 200, 10, 60); // a translucent pixel for the source-alpha cases
  constexpr int kW = 17, kH = 7;
  using Draw = std::function<void(Raster_IBitmap&, int x, int y)>;
  const auto scaled = [&](int mode) -> Draw
  {
    return [&src, mode](Raster_IBitmap& d, int x, int y)
    { Raster_ScaledBlit(&d, &src, x, y, kW, kH, 0, 0, 8, 3, 1.0f, mode); };
  };
  const auto rotated = [&](float angle, int mode) -> Draw
  {
    return [&src, angle, mode](Raster_IBitmap& d, int x, int y)
    { Raster_RotatedBlit(&d, &src, x, y, kW, kH, 0, 0, 8, 3, angle, true, 1.0f, mode, 0.5f, -1); };
  };
  const int bilinear = kRasterModeFilterBilinear, srcAlpha = kRasterModeUseSourceAlpha;
  const struct
  {
    const char* what;
    Draw draw;
  } cases[] = {
      {"scaled", scaled(0)},
      {"scaled, bilinear", scaled(bilinear)},
      {"scaled, bilinear, source alpha", scaled(bilinear | srcAlpha)},
      {"rotated", rotated(0.3f, 0)},
      {"rotated, bilinear", rotated(0.3f, bilinear | srcAlpha)},
      {"quarter turn", rotated(float(kPi / 2), 0)},
      {"quarter turn, bilinear", rotated(float(kPi / 2), bilinear)},
  };
  // Landing places inside, across every edge (clipped) and far from the origin.
  const int offsets[][2] = {{17, 0}, {3, 5}, {1001, 29}, {-5, -2}, {-16, 3}, {1030, 36}, {2, -6}};
  for (const auto& c : cases)
  {
    Raster_MemBitmap ref(kW, kH);
    rastertest::fill(ref, kBack);
    c.draw(ref, 0, 0);
    ASSERT_GT(rastertest::count(ref, [](int, int, Raster_Pixel p) { return p != kBack; }), 40)
        << c.what;
    for (const auto& o : offsets)
    {
      Raster_MemBitmap dst(1040, 40);
      rastertest::fill(dst, kBack);
      c.draw(dst, o[0], o[1]);
      const int wrong = rastertest::count(dst,
                                          [&](int x, int y, Raster_Pixel p)
                                          {
                                            const int i = x - o[0], j = y - o[1];
                                            const bool inside = x < dst.getWidth() && i >= 0 &&
                                                                i < kW && j >= 0 && j < kH;
                                            return p != (inside ? at(ref, i, j) : kBack);
                                          });
      EXPECT_EQ(wrong, 0) << c.what << " at " << o[0] << "," << o[1];
    }
  }
}

TEST(RasterRotatedBlit, QuarterTurnOfATwoByTwoImage)
{
  Raster_MemBitmap src(2, 2);
  rastertest::fillTagged(src);
  for (int mode : {0, 0x100})
  {
    Raster_MemBitmap dst(2, 2);
    Raster_RotatedBlit(&dst, &src, 0, 0, 2, 2, 0, 0, 2, 2, float(kPi / 2), true, 1.0f, mode, 0, 0);
    // Clockwise: the left column, read bottom to top, becomes the top row.
    EXPECT_EQ(at(dst, 0, 0), tag(0, 1)) << mode;
    EXPECT_EQ(at(dst, 1, 0), tag(0, 0)) << mode;
    EXPECT_EQ(at(dst, 0, 1), tag(1, 1)) << mode;
    EXPECT_EQ(at(dst, 1, 1), tag(1, 0)) << mode;
    // Angle 0 copies.
    Raster_RotatedBlit(&dst, &src, 0, 0, 2, 2, 0, 0, 2, 2, 0.0f, true, 1.0f, mode, 0, 0);
    EXPECT_EQ(at(dst, 1, 0), tag(1, 0)) << mode;
    EXPECT_EQ(at(dst, 0, 1), tag(0, 1)) << mode;
  }
}

TEST(RasterRotatedBlit, ClipToSourceRectAndCentreOffset)
{
  // Source rectangle (1, 1, 4, 4) inside a 6 x 6 bitmap, turned 45 degrees into a 4 x 4
  // box: the four corner pixels (centres 2.12 from the middle) land outside the
  // rectangle. Clipped, they stay untouched; unclipped, they show the pixels around it.
  Raster_MemBitmap src(6, 6);
  rastertest::fillTagged(src);
  for (bool clip : {true, false})
  {
    Raster_MemBitmap dst(4, 4);
    rastertest::fill(dst, kBack);
    Raster_RotatedBlit(&dst, &src, 0, 0, 4, 4, 1, 1, 4, 4, float(kPi / 4), clip, 1.0f, 0, 0, 0);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
      {
        const Raster_Pixel p = at(dst, x, y);
        const bool corner = (x == 0 || x == 3) && (y == 0 || y == 3);
        if (corner && clip)
        {
          EXPECT_EQ(p, kBack) << x << "," << y;
          continue;
        }
        ASSERT_NE(p, kBack) << x << "," << y << " clip " << clip;
        // Every pixel drawn comes from inside the rectangle unless unclipped at a corner.
        const int sx = Raster_GetR(p) - 1, sy = Raster_GetG(p) - 1;
        const bool inRect = sx >= 1 && sx <= 4 && sy >= 1 && sy <= 4;
        EXPECT_EQ(inRect, !corner) << x << "," << y << " clip " << clip;
      }
  }

  // The rotation centre offset: a half turn of a 1 x 1 box about its centre moved half a
  // pixel right maps destination (0, 0) to one pixel right of the source rectangle.
  Raster_MemBitmap one(1, 1);
  at(one, 0, 0) = kBack;
  Raster_RotatedBlit(&one, &src, 0, 0, 1, 1, 1, 1, 1, 1, float(kPi), false, 1.0f, 0, 0.5f, 0);
  EXPECT_EQ(at(one, 0, 0), tag(2, 1));
  at(one, 0, 0) = kBack;
  Raster_RotatedBlit(&one, &src, 0, 0, 1, 1, 1, 1, 1, 1, float(kPi), true, 1.0f, 0, 0.5f, 0);
  EXPECT_EQ(at(one, 0, 0), kBack); // clipped to the source rectangle: nothing to draw
  Raster_RotatedBlit(&one, &src, 0, 0, 1, 1, 1, 1, 1, 1, float(kPi), true, 1.0f, 0, 0, 0);
  EXPECT_EQ(at(one, 0, 0), tag(1, 1));
}
