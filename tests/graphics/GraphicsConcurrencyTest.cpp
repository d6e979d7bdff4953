#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "graphics/IBasicControls.h"
#include "graphics/ITextControls.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::FrameStrip;
using graphicstest::PixelAt;
using graphicstest::TestGraphics;
using graphicstest::TestPlug;

// The host's automation thread moves a parameter (under the plug-in's mutex, as the
// parameter-set path does) and sets a readout while the editor thread polls and draws.
TEST(GraphicsConcurrency, ParameterChangesWhileTheEditorDraws)
{
  TestPlug plug;
  auto* g = new TestGraphics(&plug);
  g->mLoader = [](int, const char*) { return FrameStrip(8, 8, 11); };
  IBitmap strip = g->LoadIBitmap(3001, "knob.png", 11);
  auto* a = new IBitmapControl(&plug, 0, 0, TestPlug::kGain, &strip);
  auto* b = new IBitmapControl(&plug, 10, 0, TestPlug::kGain, &strip);
  g->AttachControl(a);
  g->AttachControl(b);
  auto* readout = new ITextControl(&plug, IRECT(20, 0, 80, 20), nullptr);
  g->AttachControl(readout);
  plug.AttachGraphics(g);

  std::atomic<bool> done{false};
  std::thread automation(
      [&]
      {
        for (int i = 0; i <= 2000; ++i)
        {
          std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
          plug.GetParam(TestPlug::kGain)->Set((i % 101) * 1.0);
          g->SetParameterFromPlug(TestPlug::kGain, (i % 101) * 1.0, false);
          readout->SetTextFromPlug(std::to_string(i % 101).c_str());
        }
        done = true;
      });
  int polls = 0;
  while (!done || polls == 0)
  {
    IRECT r;
    if (g->IsDirty(&r)) g->Draw(&r);
    ++polls;
  }
  automation.join();

  // The last value (2000 % 101 = 81, normalised 0.81) shows frame int(10 * 0.81 + 0.5) + 1.
  for (int i = 0; i < 3; ++i)
  {
    IRECT r;
    if (g->IsDirty(&r)) g->Draw(&r);
  }
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.81);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.81);
  EXPECT_EQ(readout->GetTextString(), "81");
  EXPECT_FALSE(readout->IsDirty());
  EXPECT_EQ(PixelAt(*g, 3, 3), Raster_ARGB(255, 90, 90, 90));
  EXPECT_EQ(PixelAt(*g, 13, 3), Raster_ARGB(255, 90, 90, 90));
}

// Two editors on two threads load the same bitmap id and make the same font at once: both
// end up with the one cached bitmap and font, and a bitmap decoded twice in the race is
// deleted once.
TEST(GraphicsConcurrency, EditorsShareTheCachesAcrossThreads)
{
  TestPlug plug;
  std::atomic<int> decodes{0};
  int deleted[2] = {0, 0};
  TestGraphics a(&plug), b(&plug);
  auto loader = [&](int slot)
  {
    return [&, slot](int, const char*) -> Raster_IBitmap*
    {
      ++decodes;
      return new graphicstest::PatternBitmap(
          4, 4, [](int, int) { return 0xFFu; }, &deleted[slot]);
    };
  };
  a.mLoader = loader(0);
  b.mLoader = loader(1);

  IBitmap bitmaps[2];
  Raster_IFont* fonts[2] = {nullptr, nullptr};
  auto work = [&](TestGraphics& g, int slot)
  {
    bitmaps[slot] = g.LoadIBitmap(3002, "shared.png");
    IText text(17, COLOR_WHITE, "Arial");
    fonts[slot] = g.CacheFont(&text);
  };
  std::thread other(work, std::ref(b), 1);
  work(a, 0);
  other.join();

  EXPECT_EQ(bitmaps[0].mData, bitmaps[1].mData);
  EXPECT_NE(bitmaps[0].mData, nullptr);
  EXPECT_EQ(fonts[0], fonts[1]);
  EXPECT_NE(fonts[0], nullptr);
  EXPECT_EQ(deleted[0] + deleted[1], decodes - 1);
  a.ReleaseBitmap(&bitmaps[0]);
  EXPECT_EQ(deleted[0] + deleted[1], decodes);
}
