#include <gtest/gtest.h>

#include <vector>

#include "raster/Blit.h"
#include "raster/PngLoader.h"
#include "raster/Shapes.h"
#include "tests/raster/TestBitmaps.h"

namespace {

// A bitmap that stores its bottom row first, as some platform bitmaps do.
class BottomUpBitmap : public Raster_MemBitmap
{
public:
  BottomUpBitmap(int w, int h) : Raster_MemBitmap(w, h, 1) {}
  bool isFlipped() override { return true; }
  // Memory row r holds image row h - 1 - r.
  Raster_Pixel stored(int x, int memoryRow) { return getBits()[memoryRow * getRowSpan() + x]; }
};

// 2 x 3 RGB PNG: pixel (x, y) = (x * 100, y * 100, 7).
const unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x08, 0x02, 0x00, 0x00, 0x00, 0x36, 0x88, 0x49,
    0xD6, 0x00, 0x00, 0x00, 0x1C, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0x60, 0x60, 0x4F,
    0x61, 0x60, 0x67, 0x60, 0x48, 0x61, 0x4F, 0x49, 0x01, 0x52, 0x27, 0xD8, 0x53, 0x4E, 0xB0, 0x03,
    0x00, 0x1B, 0x08, 0x03, 0xAF, 0x0F, 0x37, 0x2E, 0x14, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E,
    0x44, 0xAE, 0x42, 0x60, 0x82};

}  // namespace

TEST(RasterFlippedBitmap, LoaderAndOperationsWorkInImageRows)
{
  BottomUpBitmap bm(1, 1);
  ASSERT_EQ(Raster_LoadPNGFromMemory(kPng, sizeof kPng, &bm), &bm);
  ASSERT_EQ(bm.getWidth(), 2);
  ASSERT_EQ(bm.getHeight(), 3);
  // The image's top row sits in the last memory row.
  EXPECT_EQ(bm.stored(1, 2), Raster_ARGB(255, 100, 0, 7));
  EXPECT_EQ(bm.stored(0, 0), Raster_ARGB(255, 0, 200, 7));
  EXPECT_EQ(Raster_GetPixel(&bm, 1, 0), Raster_ARGB(255, 100, 0, 7));

  // Blits between a flipped and an ordinary bitmap keep the picture upright.
  Raster_MemBitmap normal(2, 3);
  Raster_Blit(&normal, &bm, 0, 0, 0, 0, 2, 3, 1.0f, 0);
  EXPECT_EQ(rastertest::at(normal, 0, 2), Raster_ARGB(255, 0, 200, 7));
  Raster_PutPixel(&bm, 0, 0, 0x11223344u, 1.0f, 0);
  EXPECT_EQ(bm.stored(0, 2), 0x11223344u);
  Raster_FillRect(&bm, 0, 2, 2, 1, 0x55667788u, 1.0f, 0);
  EXPECT_EQ(bm.stored(1, 0), 0x55667788u);
}
