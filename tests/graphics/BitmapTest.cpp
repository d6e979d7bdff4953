#include <gtest/gtest.h>

#include "graphics/IBasicControls.h"
#include "raster/Shapes.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::FrameStrip;
using graphicstest::GraphicsTest;
using graphicstest::PatternBitmap;
using graphicstest::PixelAt;
using graphicstest::TestGraphics;

namespace
{

// Bitmap ids are process-wide: each test uses its own.
enum
{
  kSharedId = 2001,
  kMissingId,
  kStripId,
  kBackgroundId,
};

constexpr Raster_Pixel Grey(int g)
{
  return Raster_ARGB(255, g, g, g);
}

} // namespace

TEST_F(GraphicsTest, BitmapCacheIsSharedByEveryEditor)
{
  int deletions = 0;
  g->mLoader = [&](int, const char*)
  {
    return new PatternBitmap(
        4, 6, [](int, int) { return Grey(9); }, &deletions);
  };
  TestGraphics other(&plug);
  other.mLoader = g->mLoader;

  IBitmap first = g->LoadIBitmap(kSharedId, "first.png", 2);
  IBitmap second = other.LoadIBitmap(kSharedId, "second.png", 3, true);
  EXPECT_EQ(g->mLoads, std::vector<std::string>{"first.png"});
  EXPECT_TRUE(other.mLoads.empty()); // one decode per id in the process
  EXPECT_EQ(second.mData, first.mData);
  EXPECT_EQ(second.W, 4);
  EXPECT_EQ(second.H, 6);
  EXPECT_EQ(second.N, 3);
  EXPECT_TRUE(second.mFramesAreHorizontal);
  EXPECT_EQ(first.FrameHeight(), 3);

  // Releasing deletes the bitmap exactly once; a later load decodes it again.
  g->ReleaseBitmap(&first);
  EXPECT_EQ(deletions, 1);
  other.ReleaseBitmap(&second);
  EXPECT_EQ(deletions, 1);
  IBitmap again = other.LoadIBitmap(kSharedId, "second.png");
  EXPECT_EQ(other.mLoads, std::vector<std::string>{"second.png"});
  other.ReleaseBitmap(&again);
  EXPECT_EQ(deletions, 2);
}

TEST_F(GraphicsTest, MissingBitmapIsReportedOnceAndDrawsNothing)
{
  g->AttachPanelBackground(&COLOR_BLUE);
  Attach();
  testing::internal::CaptureStderr();
  IBitmap missing = g->LoadIBitmap(kMissingId, "missing.png");
  IBitmap retry = g->LoadIBitmap(kMissingId, "missing.png");
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing.mData, nullptr);
  EXPECT_EQ(retry.mData, nullptr);
  EXPECT_EQ(g->mLoads.size(), 2u); // retried, but reported once
  EXPECT_NE(errors.find("missing.png"), std::string::npos);
  EXPECT_EQ(errors.find("missing.png"), errors.rfind("missing.png"));

  auto* control = new IBitmapControl(&plug, 5, 5, -1, &missing);
  g->AttachControl(control);
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(PixelAt(*g, x, y), COLOR_BLUE.ToPixel()) << x << "," << y;

  // A later successful load fills the place of the failure.
  g->mLoader = [](int, const char*) { return FrameStrip(2, 2, 1); };
  EXPECT_NE(g->LoadIBitmap(kMissingId, "missing.png").mData, nullptr);
}

TEST_F(GraphicsTest, StripFramesFollowTheValue)
{
  g->mLoader = [](int, const char*) { return FrameStrip(4, 3, 5); };
  IBitmap strip = g->LoadIBitmap(kStripId, "strip.png", 5);
  auto* control = Add(new IBitmapControl(&plug, 10, 20, -1, &strip));
  EXPECT_EQ(control->GetRECT(), IRECT(10, 20, 14, 23));
  Attach();

  const double values[] = {0.0, 0.1, 0.125, 0.5, 1.0};
  const int frames[] = {1, 1, 2, 3, 5};
  for (int i = 0; i < 5; ++i)
  {
    control->SetValueFromPlug(values[i]);
    IRECT r;
    ASSERT_TRUE(g->IsDirty(&r));
    g->Draw(&r);
    EXPECT_EQ(PixelAt(*g, 10, 20), Grey(10 * frames[i])) << values[i];
    EXPECT_EQ(PixelAt(*g, 13, 22), Grey(10 * frames[i])) << values[i];
    EXPECT_EQ(PixelAt(*g, 14, 22), 0u);
    EXPECT_EQ(PixelAt(*g, 13, 23), 0u);
  }

  // Frames past the strip show the last one; frames side by side are picked by column.
  IRECT dest(40, 0, 44, 3);
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  g->DrawBitmap(&strip, &dest, 9);
  EXPECT_EQ(PixelAt(*g, 40, 0), Grey(50));
  EXPECT_EQ(PixelAt(*g, 40, 3), 0u);
  PatternBitmap* row = FrameStrip(2, 2, 3, true);
  IBitmap horizontal(row, 6, 2, 3, true);
  IRECT small(50, 0, 52, 2);
  g->DrawBitmap(&horizontal, &small, 3);
  EXPECT_EQ(PixelAt(*g, 51, 1), Grey(30));
  g->RetainBitmap(&horizontal); // the cache owns it now
}

TEST_F(GraphicsTest, BitmapBlitsAreClippedToTheRedrawnRectangle)
{
  g->mLoader = [](int, const char*)
  { return new PatternBitmap(100, 60, [](int x, int y) { return Grey((x + y) % 200); }); };
  auto* knob = Add(new graphicstest::RecordingControl(&plug, IRECT(0, 0, 10, 10)));
  g->AttachBackground(kBackgroundId, "back.png");
  EXPECT_EQ(g->GetControl(0)->GetRECT(), IRECT(0, 0, 100, 60));
  EXPECT_EQ(g->GetControl(1), knob); // the background goes in front of what was attached
  Attach();

  IRECT r(20, 10, 30, 15);
  g->Draw(&r);
  int changed = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x)
    {
      const bool inside = r.Contains(x, y);
      ASSERT_EQ(PixelAt(*g, x, y), inside ? Grey((x + y) % 200) : 0u) << x << "," << y;
      changed += inside;
    }
  EXPECT_EQ(changed, 50);

  // Cropping and scaling make retained copies.
  IBitmap back = g->LoadIBitmap(kBackgroundId, "back.png");
  IRECT part(3, 4, 7, 6);
  IBitmap cropped = g->CropBitmap(&back, &part);
  EXPECT_EQ(cropped.W, 4);
  EXPECT_EQ(cropped.H, 2);
  EXPECT_EQ(Raster_GetPixel(cropped.mData, 1, 1), Grey(3 + 1 + 4 + 1));
  IBitmap scaled = g->ScaleBitmap(&cropped, 8, 4);
  EXPECT_EQ(scaled.W, 8);
  EXPECT_EQ(Raster_GetPixel(scaled.mData, 0, 0), Grey(7));
  EXPECT_EQ(Raster_GetPixel(scaled.mData, 7, 3), Grey(11));
  g->ReleaseBitmap(&cropped);
  g->ReleaseBitmap(&scaled);
}

TEST_F(GraphicsTest, ShapesLandOnTheirPixels)
{
  Attach();
  IRECT box(10, 10, 20, 16);
  g->DrawRect(&COLOR_RED, &box); // edges at the rectangle's own coordinates, R and B included
  const Raster_Pixel red = COLOR_RED.ToPixel();
  EXPECT_EQ(PixelAt(*g, 10, 10), red);
  EXPECT_EQ(PixelAt(*g, 20, 16), red);
  EXPECT_EQ(PixelAt(*g, 20, 13), red);
  EXPECT_EQ(PixelAt(*g, 15, 13), 0u);

  IRECT meter(30, 10, 40, 30);
  g->DrawHorizontalLine(&COLOR_GREEN, &meter, 0.25f); // y = 30 - int(20 * 0.25) = 25
  g->DrawVerticalLine(&COLOR_BLUE, &meter, 2.0f);     // clamped: x = 30 + 10 = 40
  EXPECT_EQ(PixelAt(*g, 35, 25), COLOR_GREEN.ToPixel());
  EXPECT_EQ(PixelAt(*g, 35, 24), 0u);
  EXPECT_EQ(PixelAt(*g, 40, 20), COLOR_BLUE.ToPixel());

  // Blend weight as opacity: half of white over black in a plain copy.
  const IChannelBlend half(IChannelBlend::kBlendCopy, 0.5f);
  IRECT fill(50, 10, 52, 12);
  g->FillIRect(&COLOR_WHITE, &fill, &half);
  EXPECT_EQ(PixelAt(*g, 51, 11), Raster_ARGB(128, 128, 128, 128));
  EXPECT_EQ(PixelAt(*g, 52, 11), 0u);

  g->ForcePixel(&COLOR_YELLOW, 70, 5);
  g->ForcePixel(&COLOR_YELLOW, 700, 5); // outside: ignored
  EXPECT_EQ(g->GetPoint(70, 5), COLOR_YELLOW);
  g->DrawPoint(&COLOR_GREEN, 71.6f, 4.5f);
  EXPECT_EQ(g->GetPoint(72, 5), COLOR_GREEN);

  // Radial line from angle 0 points up from the centre.
  g->DrawRadialLine(&COLOR_WHITE, 80.0f, 40.0f, 0.0f, 5.0f, 10.0f);
  EXPECT_EQ(g->GetPoint(80, 30), COLOR_WHITE);
  EXPECT_EQ(g->GetPoint(80, 35), COLOR_WHITE);
  EXPECT_EQ(g->GetPoint(80, 36), IColor(0, 0, 0, 0));

  // Rounded fill: the corner pixel stays clear, the band and the discs are filled.
  IRECT round(60, 40, 80, 56);
  g->FillRoundRect(&COLOR_RED, &round, nullptr, 4, false);
  EXPECT_EQ(PixelAt(*g, 60, 40), 0u);
  EXPECT_EQ(PixelAt(*g, 70, 40), red);
  EXPECT_EQ(PixelAt(*g, 60, 48), red);
  EXPECT_EQ(PixelAt(*g, 79, 48), red);
  EXPECT_EQ(PixelAt(*g, 64, 40), red);
  EXPECT_EQ(PixelAt(*g, 80, 48), 0u);
}
