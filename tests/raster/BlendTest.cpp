#include <gtest/gtest.h>

#include <algorithm>

#include "raster/Blend.h"
#include "raster/Blit.h"

namespace {

// The combining table written out channel by channel, independently of the library.
Raster_Pixel reference(Raster_Pixel d, Raster_Pixel s, int a, int mode)
{
  int dc[4] = {Raster_GetA(d), Raster_GetR(d), Raster_GetG(d), Raster_GetB(d)};
  const int sc[4] = {Raster_GetA(s), Raster_GetR(s), Raster_GetG(s), Raster_GetB(s)};
  const int sA = sc[0];
  const bool srcAlpha = mode & kRasterModeUseSourceAlpha;
  const int op = mode & 0xff;
  if (a == 0 || (srcAlpha && sA == 0))
    return d;
  const int f = srcAlpha ? a * (sA + 1) / 256 : a;
  for (int i = 0; i < 4; ++i) {
    int v = dc[i];
    if (op == 1) {
      v = std::min(255, dc[i] + sc[i] * f / 256);
    } else if (op == 2) {
      const int c = sc[i] * f / 256;
      v = c < 255 ? std::min(255, dc[i] * 256 / (256 - c)) : (dc[i] == 0 ? 0 : 255);
    } else if (!srcAlpha) {
      v = a == 256 ? sc[i] : sc[i] + (dc[i] - sc[i]) * (256 - a) / 256;
    } else if (a == 256) {
      if (sA == 255)
        v = i == 0 ? 255 : sc[i];
      else
        v = i == 0 ? std::min(255, dc[0] + sA) : sc[i] + (dc[i] - sc[i]) * (255 - sA) / 256;
    } else {
      v = i == 0 ? std::min(255, dc[0] + f) : sc[i] + (dc[i] - sc[i]) * (256 - f) / 256;
    }
    dc[i] = v;
  }
  return Raster_ARGB(dc[0], dc[1], dc[2], dc[3]);
}

Raster_Pixel combined(Raster_Pixel d, Raster_Pixel s, float weight, int mode)
{
  Raster_CombinePixel(&d, s, Raster_OpacityFromWeight(weight), mode);
  return d;
}

const int kModes[] = {0x0, 0x1, 0x2, 0x10000, 0x10001, 0x10002};

}  // namespace

TEST(RasterBlend, PixelLayoutIsAlphaRedGreenBlueInMemory)
{
  const Raster_Pixel p = Raster_ARGB(0x11, 0x22, 0x33, 0x44);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&p);
  EXPECT_EQ(bytes[0], 0x11);
  EXPECT_EQ(bytes[1], 0x22);
  EXPECT_EQ(bytes[2], 0x33);
  EXPECT_EQ(bytes[3], 0x44);
  EXPECT_EQ(p, 0x44332211u);
}

TEST(RasterBlend, OpacityIsWeightTimes256)
{
  EXPECT_EQ(Raster_OpacityFromWeight(1.0f), 256);
  EXPECT_EQ(Raster_OpacityFromWeight(0.5f), 128);
  EXPECT_EQ(Raster_OpacityFromWeight(0.999f), 255);
  EXPECT_EQ(Raster_OpacityFromWeight(0.003f), 0);
  EXPECT_EQ(Raster_OpacityFromWeight(0.0f), 0);
  EXPECT_EQ(Raster_OpacityFromWeight(-2.0f), 0);
  EXPECT_EQ(Raster_OpacityFromWeight(3.0f), 256);
}

TEST(RasterBlend, CopyWithSourceAlphaAtFullOpacity)
{
  const Raster_Pixel dst = Raster_ARGB(255, 10, 200, 90);
  // Opaque source: R, G, B replaced exactly, alpha 255, even over a transparent pixel.
  EXPECT_EQ(combined(dst, Raster_ARGB(255, 1, 2, 3), 1.0f, 0x10000), Raster_ARGB(255, 1, 2, 3));
  EXPECT_EQ(combined(0u, Raster_ARGB(255, 1, 2, 3), 1.0f, 0x10000), Raster_ARGB(255, 1, 2, 3));
  // sA = 128 over opaque: d = s + (d - s) * 127 / 256, alpha stays 255.
  // R: 250 + (10 - 250) * 127 / 256 = 250 - 119 = 131 (truncating toward zero).
  // G: 0 + 200 * 127 / 256 = 99.  B: 90 + 0 = 90.
  EXPECT_EQ(combined(dst, Raster_ARGB(128, 250, 0, 90), 1.0f, 0x10000), Raster_ARGB(255, 131, 99, 90));
  // Over a transparent destination the alpha accumulates: min(255, 0 + 128).
  EXPECT_EQ(Raster_GetA(combined(Raster_ARGB(0, 0, 0, 0), Raster_ARGB(128, 250, 0, 90), 1.0f, 0x10000)), 128);
  EXPECT_EQ(Raster_GetA(combined(Raster_ARGB(200, 0, 0, 0), Raster_ARGB(100, 0, 0, 0), 1.0f, 0x10000)), 255);
}

TEST(RasterBlend, CopyWithSourceAlphaAtPartialOpacity)
{
  // a = 128, sA = 255: f = 128 * 256 / 256 = 128; R: 200 + (0 - 200) * 128 / 256 = 100.
  EXPECT_EQ(combined(Raster_ARGB(100, 0, 0, 0), Raster_ARGB(255, 200, 100, 51), 0.5f, 0x10000),
            Raster_ARGB(228, 100, 50, 26));
  // a = 128, sA = 99: f = 128 * 100 / 256 = 50; R: 200 + (0 - 200) * 206 / 256 = 200 - 160 = 40.
  EXPECT_EQ(combined(Raster_ARGB(250, 0, 0, 0), Raster_ARGB(99, 200, 0, 0), 0.5f, 0x10000),
            Raster_ARGB(255, 40, 0, 0));
}

TEST(RasterBlend, PlainCopy)
{
  const Raster_Pixel dst = Raster_ARGB(255, 10, 200, 90), src = Raster_ARGB(0, 250, 0, 91);
  EXPECT_EQ(combined(dst, src, 1.0f, 0), src);  // all four channels, alpha too
  // a = 64: d = s + (d - s) * 192 / 256: A 0 + 255 * 192 / 256 = 191; R 250 - 240 * 192 / 256 = 70;
  // G 0 + 200 * 192 / 256 = 150; B 91 + (-1 * 192) / 256 = 91 (truncation toward zero).
  EXPECT_EQ(combined(dst, src, 0.25f, 0), Raster_ARGB(191, 70, 150, 91));
}

TEST(RasterBlend, AddSaturatesAndUsesSourceWeight)
{
  EXPECT_EQ(Raster_GetR(combined(Raster_ARGB(0, 100, 0, 0), Raster_ARGB(0, 200, 0, 0), 1.0f, 1)), 255);
  EXPECT_EQ(combined(Raster_ARGB(10, 100, 20, 0), Raster_ARGB(20, 60, 30, 255), 0.5f, 1),
            Raster_ARGB(20, 130, 35, 127));
  // With source alpha sA = 127 at a = 256: f = 128, so each channel adds s / 2.
  EXPECT_EQ(combined(Raster_ARGB(10, 100, 20, 0), Raster_ARGB(127, 60, 30, 255), 1.0f, 0x10001),
            Raster_ARGB(73, 130, 35, 127));
}

TEST(RasterBlend, ColourDodge)
{
  // c = 128: d = 100 * 256 / 128 = 200; c = 0 leaves d; c = 255 with d > 0 gives 255, d = 0 stays.
  EXPECT_EQ(combined(Raster_ARGB(0, 100, 7, 0), Raster_ARGB(0, 128, 0, 255), 1.0f, 2),
            Raster_ARGB(0, 200, 7, 0));
  EXPECT_EQ(Raster_GetR(combined(Raster_ARGB(0, 1, 0, 0), Raster_ARGB(0, 255, 0, 0), 1.0f, 2)), 255);
  EXPECT_EQ(Raster_GetR(combined(Raster_ARGB(0, 200, 0, 0), Raster_ARGB(0, 200, 0, 0), 1.0f, 2)), 255);
  // With source alpha 255 at a = 128: f = 128, c = 200 * 128 / 256 = 100, d = 60 * 256 / 156 = 98.
  EXPECT_EQ(Raster_GetR(combined(Raster_ARGB(0, 60, 0, 0), Raster_ARGB(255, 200, 0, 0), 0.5f, 0x10002)), 98);
}

TEST(RasterBlend, NothingChangesAtZeroOpacityOrTransparentSource)
{
  const Raster_Pixel dst = Raster_ARGB(37, 1, 128, 254);
  for (int mode : kModes) {
    EXPECT_EQ(combined(dst, Raster_ARGB(200, 255, 255, 255), 0.003f, mode), dst) << mode;
    if (mode & kRasterModeUseSourceAlpha) {
      for (float w : {1.0f, 0.5f, 0.01f})
        EXPECT_EQ(combined(dst, Raster_ARGB(0, 255, 255, 255), w, mode), dst) << mode;
    }
  }
}

TEST(RasterBlend, EveryModeMatchesTheTableOnAGridOfValues)
{
  const int values[] = {0, 1, 2, 63, 64, 127, 128, 129, 200, 254, 255};
  const int opacities[] = {1, 2, 100, 128, 255, 256};
  for (int mode : kModes)
    for (int a : opacities)
      for (int sA : values)
        for (int sv : values)
          for (int dv : values) {
            const Raster_Pixel s = Raster_ARGB(sA, sv, 255 - sv, sv / 2);
            const Raster_Pixel d = Raster_ARGB(dv, 255 - dv, dv, (dv * 3) & 255);
            Raster_Pixel got = d;
            Raster_CombinePixel(&got, s, a, mode);
            ASSERT_EQ(got, reference(d, s, a, mode))
                << "mode " << mode << " a " << a << " sA " << sA << " s " << sv << " d " << dv;
          }
}

TEST(RasterBlend, BlitRowLoopsAgreeWithThePixelRule)
{
  // The 1:1 blit has its own row loops (including the opaque fast path); they must give
  // exactly what the per-pixel rule gives, for every mode and a range of opacities.
  Raster_MemBitmap src(64, 4), dst(64, 4), expect(64, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 64; ++x) {
      const int alphas[] = {0, 255, 128, 1, 254, 77};
      Raster_RowPointer(&src, y)[x] = Raster_ARGB(alphas[(x + y) % 6], x * 4, 255 - x * 3, y * 60);
    }
  for (int mode : kModes)
    for (float w : {1.0f, 0.75f, 0.2f}) {
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
          Raster_RowPointer(&dst, y)[x] = Raster_RowPointer(&expect, y)[x] =
              Raster_ARGB(x * 2, 100 + y, x, 255 - x);
      Raster_Blit(&dst, &src, 0, 0, 0, 0, 64, 4, w, mode);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) {
          Raster_Pixel* e = &Raster_RowPointer(&expect, y)[x];
          *e = reference(*e, Raster_RowPointer(&src, y)[x], Raster_OpacityFromWeight(w), mode);
          ASSERT_EQ(Raster_RowPointer(&dst, y)[x], *e) << "mode " << mode << " weight " << w;
        }
    }
}
