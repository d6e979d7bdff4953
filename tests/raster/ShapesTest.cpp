#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "raster/Shapes.h"
#include "tests/raster/TestBitmaps.h"

using rastertest::at;

namespace
{

constexpr Raster_Pixel kWhite = Raster_ARGB(255, 255, 255, 255);
constexpr Raster_Pixel kInk = Raster_ARGB(255, 10, 20, 30);
constexpr double kPi = 3.14159265358979323846;

int inked(Raster_IBitmap& bm)
{
  return rastertest::count(bm, [](int, int, Raster_Pixel p) { return p != 0; });
}

} // namespace

TEST(RasterShapes, PutAndGetPixel)
{
  Raster_MemBitmap bm(3, 3, 4);
  Raster_PutPixel(&bm, 1, 2, kInk, 1.0f, 0);
  EXPECT_EQ(Raster_GetPixel(&bm, 1, 2), kInk);
  Raster_PutPixel(&bm, 3, 0, kInk, 1.0f, 0); // padding column: outside
  Raster_PutPixel(&bm, -1, 0, kInk, 1.0f, 0);
  Raster_PutPixel(&bm, 0, 3, kInk, 1.0f, 0);
  EXPECT_EQ(inked(bm), 1);
  EXPECT_EQ(Raster_GetPixel(&bm, 5, 5), 0u);
  EXPECT_EQ(Raster_GetPixel(nullptr, 0, 0), 0u);
  // Blended: half-transparent white over the ink with source alpha.
  Raster_PutPixel(&bm, 1, 2, Raster_ARGB(128, 255, 255, 255), 1.0f, 0x10000);
  // R: 255 + (10 - 255) * 127 / 256 = 255 - 121 = 134; G 255 - 116; B 255 - 111.
  EXPECT_EQ(Raster_GetPixel(&bm, 1, 2), Raster_ARGB(255, 134, 139, 144));
}

TEST(RasterShapes, LinesDrawBothEndPointsAndOnePixelPerStep)
{
  struct Case
  {
    int x1, y1, x2, y2;
  };
  const Case cases[] = {{1, 1, 8, 4}, {8, 4, 1, 1}, {2, 9, 3, 0},
                        {0, 0, 9, 9}, {5, 5, 5, 5}, {9, 2, 0, 2}};
  for (const Case& c : cases)
    for (bool aa : {false, true})
    {
      Raster_MemBitmap bm(10, 10);
      Raster_Line(&bm, c.x1, c.y1, c.x2, c.y2, kWhite, 1.0f, 0, aa);
      EXPECT_EQ(at(bm, c.x1, c.y1), kWhite) << c.x1 << "," << c.y1 << " aa " << aa;
      EXPECT_EQ(at(bm, c.x2, c.y2), kWhite) << c.x2 << "," << c.y2 << " aa " << aa;
      if (!aa)
      {
        const int steps = std::max(std::abs(c.x2 - c.x1), std::abs(c.y2 - c.y1)) + 1;
        EXPECT_EQ(inked(bm), steps);
      }
    }
  // Anti-aliased: a line of slope 1/2 splits coverage at odd steps. At x = 1 the exact
  // line is at y = 0.5: two pixels at half opacity (a = 128 each), plain copy over 0:
  // 255 + (0 - 255) * 128 / 256 = 128.
  Raster_MemBitmap bm(5, 3);
  Raster_Line(&bm, 0, 0, 4, 2, kWhite, 1.0f, 0, true);
  EXPECT_EQ(at(bm, 1, 0), Raster_ARGB(128, 128, 128, 128));
  EXPECT_EQ(at(bm, 1, 1), Raster_ARGB(128, 128, 128, 128));
  EXPECT_EQ(at(bm, 2, 1), kWhite);
}

TEST(RasterShapes, LinesAreClippedAndFarEndsCostNothing)
{
  Raster_MemBitmap bm(6, 4, 8);
  Raster_Line(&bm, -1000000000, 1, 1000000000, 1, kWhite, 1.0f, 0, false);
  Raster_Line(&bm, 2, -5, 2, 100, kWhite, 1.0f, 0, true);
  Raster_Line(&bm, -20, -20, -1, 30, kWhite, 1.0f, 0, false); // entirely outside
  EXPECT_EQ(inked(bm), 6 + 4 - 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 6; x < 8; ++x)
      EXPECT_EQ(at(bm, x, y), 0u);
}

TEST(RasterShapes, LinesFromTheEndsOfTheIntRangeDrawLikeModerateOnes)
{
  // Each far line runs along the same exact line as its moderate twin (the same slope
  // through the same points), so the visible pixels and their coverage must agree.
  struct Case
  {
    int x1, y1, x2, y2;     // far
    int mx1, my1, mx2, my2; // moderate
  };
  constexpr int K = 715000000, L = 530000000; // 3K and 4L are just below INT_MAX
  const Case cases[] = {
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, -5, -5, 20, 20},
      {INT_MIN + 10, INT_MAX, INT_MAX, INT_MIN + 10, -10, 19, 19, -10},
      {7 - 3 * K, 5 - 2 * K, 7 + 3 * K, 5 + 2 * K, -23, -15, 37, 25}, // slope 2/3
      {8 + L, 6 - 4 * L, 8 - L, 6 + 4 * L, 13, -14, 3, 26},           // steep, falling
      {INT_MAX, 3, INT_MIN, 3, 16, 3, -1, 3},
      {4, INT_MIN, 4, INT_MAX, 4, -1, 4, 12},
  };
  for (const Case& c : cases)
    for (bool aa : {false, true})
    {
      Raster_MemBitmap far(16, 12), moderate(16, 12);
      Raster_Line(&far, c.x1, c.y1, c.x2, c.y2, kWhite, 1.0f, 0, aa);
      Raster_Line(&moderate, c.mx1, c.my1, c.mx2, c.my2, kWhite, 1.0f, 0, aa);
      ASSERT_GE(inked(moderate), 8) << c.mx1 << "," << c.my1;
      const int differing = rastertest::count(far, [&](int x, int y, Raster_Pixel p)
                                              { return p != at(moderate, x, y); });
      EXPECT_EQ(differing, 0) << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2 << " aa "
                              << aa;
    }
}

TEST(RasterShapes, FillRectCoversExactlyItsPixels)
{
  Raster_MemBitmap bm(8, 6, 16);
  Raster_FillRect(&bm, 2, 1, 4, 3, kInk, 1.0f, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(at(bm, x, y), (x >= 2 && x < 6 && y >= 1 && y < 4) ? kInk : 0u) << x << "," << y;
  Raster_MemBitmap clipped(8, 6, 16);
  Raster_FillRect(&clipped, -3, 4, 100, 100, kInk, 1.0f, 0);
  EXPECT_EQ(inked(clipped), 8 * 2);
  Raster_FillRect(&clipped, 0, 0, 0, 5, kInk, 1.0f, 0);
  Raster_FillRect(&clipped, 0, 0, 5, 5, kInk, 0.0f, 0);
  EXPECT_EQ(inked(clipped), 8 * 2);
  // Add mode over white saturates.
  Raster_MemBitmap white(2, 1);
  rastertest::fill(white, kWhite);
  Raster_FillRect(&white, 0, 0, 2, 1, kInk, 1.0f, 1);
  EXPECT_EQ(at(white, 1, 0), kWhite);
}

TEST(RasterShapes, TrianglesAndPolygonsIncludeTheirEdges)
{
  Raster_MemBitmap bm(8, 8, 8);
  Raster_FillTriangle(&bm, 0, 0, 4, 0, 0, 4, kInk, 1.0f, 0);
  // Row y covers x = 0 .. 4 - y: 5 + 4 + 3 + 2 + 1 pixels.
  EXPECT_EQ(inked(bm), 15);
  EXPECT_EQ(at(bm, 4, 0), kInk);
  EXPECT_EQ(at(bm, 0, 4), kInk);
  EXPECT_EQ(at(bm, 2, 2), kInk);
  EXPECT_EQ(at(bm, 3, 2), 0u);

  // A polygon that is the rectangle (1, 1) - (5, 3) fills the same as FillRect 5 x 3.
  Raster_MemBitmap poly(8, 8), rect(8, 8);
  const int xs[] = {1, 5, 5, 1}, ys[] = {1, 1, 3, 3};
  Raster_FillConvexPolygon(&poly, xs, ys, 4, kInk, 1.0f, 0);
  Raster_FillRect(&rect, 1, 1, 5, 3, kInk, 1.0f, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(at(poly, x, y), at(rect, x, y)) << x << "," << y;

  // Huge coordinates are clipped without overflow; degenerate input draws nothing bad.
  Raster_MemBitmap big(4, 4, 8);
  Raster_FillTriangle(&big, -2000000000, -2000000000, 2000000000, -2000000000, 0, 2000000000, kInk,
                      1.0f, 0);
  EXPECT_EQ(inked(big), 16);
  Raster_MemBitmap none(4, 4);
  Raster_FillConvexPolygon(&none, nullptr, ys, 3, kInk, 1.0f, 0);
  Raster_FillConvexPolygon(&none, xs, ys, 0, kInk, 1.0f, 0);
  EXPECT_EQ(inked(none), 0);
}

TEST(RasterShapes, CirclesAndDiscs)
{
  // A disc of radius 2 around (3, 3): the 13 pixels within distance 2.
  Raster_MemBitmap disc(7, 7);
  Raster_FillCircle(&disc, 3, 3, 2, kInk, 1.0f, 0, false);
  EXPECT_EQ(inked(disc), 13);
  EXPECT_EQ(at(disc, 3, 1), kInk);
  EXPECT_EQ(at(disc, 1, 3), kInk);
  EXPECT_EQ(at(disc, 2, 2), kInk); // distance 1.41
  EXPECT_EQ(at(disc, 1, 1), 0u);   // distance 2.83

  // The outline ring of radius 5 is closed (every row and column it spans has a pixel)
  // and lies within half a pixel of the circle; the centre stays empty.
  Raster_MemBitmap ring(13, 13);
  Raster_Circle(&ring, 6, 6, 5, kInk, 1.0f, 0, false);
  EXPECT_EQ(at(ring, 6, 6), 0u);
  for (int i = 1; i <= 11; ++i)
  {
    int inRow = 0, inCol = 0;
    for (int j = 0; j < 13; ++j)
    {
      inRow += at(ring, j, i) != 0;
      inCol += at(ring, i, j) != 0;
    }
    EXPECT_GE(inRow, 1) << i;
    EXPECT_GE(inCol, 1) << i;
  }
  rastertest::count(ring,
                    [](int x, int y, Raster_Pixel p)
                    {
                      if (p)
                      {
                        EXPECT_LT(std::fabs(std::hypot(x - 6, y - 6) - 5.0), 0.5) << x << "," << y;
                      }
                      return false;
                    });

  // Anti-aliased disc: the centre is solid, a pixel just past the edge is partial.
  Raster_MemBitmap aa(9, 9);
  Raster_FillCircle(&aa, 4, 4, 3, kWhite, 1.0f, 0, true);
  EXPECT_EQ(at(aa, 4, 4), kWhite);
  EXPECT_EQ(at(aa, 4, 2), kWhite);                          // distance 2: solid
  EXPECT_EQ(at(aa, 4, 1), Raster_ARGB(128, 128, 128, 128)); // distance 3: coverage 0.5
  EXPECT_GT(Raster_GetA(at(aa, 2, 2)), 0);                  // distance 2.83: coverage 0.67
  EXPECT_LT(Raster_GetA(at(aa, 2, 2)), 255);
  EXPECT_EQ(at(aa, 0, 0), 0u);

  // Negative radius or off-bitmap centres draw nothing; enormous ones stay in bounds.
  Raster_MemBitmap none(5, 5, 8);
  Raster_FillCircle(&none, 2, 2, -1, kInk, 1.0f, 0, true);
  Raster_Circle(&none, 1e9f, 1e9f, 3, kInk, 1.0f, 0, false);
  EXPECT_EQ(inked(none), 0);
  Raster_FillCircle(&none, 3e30f, -3e30f, 1e30f, kInk, 1.0f, 0, true);
  Raster_Circle(&none, -3e30f, 2, 1e30f, kInk, 1.0f, 0, true);
  Raster_Arc(&none, 2, 2, 1e30f, 0, 1, kInk, 1.0f, 0, false);
  Raster_FillCircle(&none, 2, 2, std::nanf(""), kInk, 1.0f, 0, true);
  EXPECT_EQ(inked(none), 0);
  Raster_FillCircle(&none, 2, 2, 1e6f, kInk, 1.0f, 0, true);
  EXPECT_EQ(inked(none), 25);
  Raster_MemBitmap huge(5, 5, 8);
  Raster_FillCircle(&huge, 2, 2, 1e30f, kInk, 1.0f, 0, false);
  EXPECT_EQ(inked(huge), 25);
}

TEST(RasterShapes, ArcsRunClockwiseFromTheTop)
{
  // A quarter arc from 0 (up) to pi/2 (right) around (5, 5), radius 4.
  Raster_MemBitmap bm(11, 11);
  Raster_Arc(&bm, 5, 5, 4, 0.0f, float(kPi / 2), kInk, 1.0f, 0, false);
  EXPECT_EQ(at(bm, 5, 1), kInk); // top
  EXPECT_EQ(at(bm, 9, 5), kInk); // right
  EXPECT_EQ(at(bm, 1, 5), 0u);   // left
  EXPECT_EQ(at(bm, 5, 9), 0u);   // bottom
  rastertest::count(bm,
                    [](int x, int y, Raster_Pixel p)
                    {
                      if (p)
                      {
                        EXPECT_TRUE(x >= 5 && y <= 5) << x << "," << y;
                      }
                      return false;
                    });
}

TEST(RasterShapes, RoundRectDrawsEachPixelOnce)
{
  // With add mode at opacity 0.25 a pixel drawn twice would show double the value.
  Raster_MemBitmap bm(12, 10);
  Raster_RoundRect(&bm, 1, 1, 10, 8, 3, Raster_ARGB(255, 100, 100, 100), 0.25f, 1, false);
  int drawn = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x)
    {
      const int r = Raster_GetR(at(bm, x, y));
      EXPECT_TRUE(r == 0 || r == 25) << x << "," << y << " = " << r;
      drawn += r != 0;
    }
  EXPECT_GT(drawn, 20);
  // Straight edges run between the corners; the corners themselves are cut.
  EXPECT_EQ(Raster_GetR(at(bm, 5, 1)), 25);
  EXPECT_EQ(Raster_GetR(at(bm, 1, 5)), 25);
  EXPECT_EQ(Raster_GetR(at(bm, 10, 5)), 25);
  EXPECT_EQ(Raster_GetR(at(bm, 5, 8)), 25);
  EXPECT_EQ(Raster_GetR(at(bm, 1, 1)), 0);
  EXPECT_EQ(Raster_GetR(at(bm, 5, 5)), 0);

  // Radius 0 gives the plain rectangle outline: 2 * 10 + 2 * 6 pixels.
  Raster_MemBitmap sq(12, 10);
  Raster_RoundRect(&sq, 1, 1, 10, 8, 0, kInk, 0.25f, 1, false);
  EXPECT_EQ(inked(sq), 32);
  // One-pixel-high rectangles and oversized radii stay single.
  Raster_MemBitmap thin(6, 3);
  Raster_RoundRect(&thin, 0, 1, 6, 1, 9, kInk, 0.25f, 1, true);
  EXPECT_EQ(inked(thin), 6);
}
