#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "raster/Font.h"
#include "raster/PngLoader.h"
#include "tests/raster/TestBitmaps.h"

// Several editors in one process share fonts from one cache, and plug-in instances load
// bitmaps and create fonts on whichever thread opens them.
TEST(RasterConcurrency, SharedFontDrawsTheSameFromManyThreads)
{
  Raster_CachedFont font;
  font.SetFromHFont(CreateFont(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"),
                    kRasterFontOwnsNative | kRasterFontRenderNative);
  ASSERT_GT(font.GetLineHeight(), 0);
  const char* text = "Sustain -3.2 dB \xE2\x82\xAC";

  Raster_MemBitmap reference(160, 20);
  Raster_Rect rect{0, 0, 160, 20};
  font.DrawText(&reference, text, -1, &rect, kRasterTextCentre);

  constexpr int kThreads = 4;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      // Each thread also makes and drops fonts of its own, which share the FreeType library.
      for (int i = 0; i < 20; ++i) {
        Raster_NativeFont* own = CreateFont(10 + t + i % 3, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Monaco");
        Raster_CachedFont local;
        local.SetFromHFont(own, kRasterFontOwnsNative);
        Raster_MemBitmap scratch(64, 16);
        Raster_Rect r{0, 0, 64, 16};
        local.DrawText(&scratch, "abc", -1, &r, 0);

        Raster_MemBitmap bm(160, 20);
        Raster_Rect rr{0, 0, 160, 20};
        font.DrawText(&bm, text, -1, &rr, kRasterTextCentre);
        for (int y = 0; y < 20; ++y)
          for (int x = 0; x < 160; ++x)
            if (rastertest::at(bm, x, y) != rastertest::at(reference, x, y))
              mismatches.fetch_add(1);
      }
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(RasterConcurrency, PngDecodingFromManyThreads)
{
  // A tiny valid PNG: 1 x 1 RGBA pixel (A=0x80, R=0x10, G=0x20, B=0x30 once loaded).
  static const unsigned char kPng[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4,
      0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x10, 0x50, 0x30, 0x68,
      0x00, 0x00, 0x01, 0x85, 0x00, 0xE1, 0xE2, 0xC4, 0x23, 0x36, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45,
      0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i) {
        Raster_MemBitmap bm;
        if (Raster_LoadPNGFromMemory(kPng, sizeof kPng, &bm) == &bm && bm.getWidth() == 1 &&
            rastertest::at(bm, 0, 0) == Raster_ARGB(0x80, 0x10, 0x20, 0x30))
          good.fetch_add(1);
        if (Raster_LoadPNGFromMemory(kPng, sizeof kPng - 5, &bm) != nullptr)  // truncated
          good.fetch_sub(1000);
      }
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(good.load(), 200);
}
