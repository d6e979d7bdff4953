#include <gtest/gtest.h>

#include <cmath>

#include "graphics/IActionControls.h"
#include "graphics/IKnobControls.h"
#include "graphics/ISwitchControls.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::FrameStrip;
using graphicstest::GraphicsTest;
using graphicstest::PixelAt;
using graphicstest::TestPlug;

namespace
{

constexpr double kPi = 3.14159265358979323846;

// Bitmaps made here, wrapped as strips; the test owns them.
class Controls : public GraphicsTest
{
protected:
  IBitmap Strip(int w, int h, int n, bool horizontal = false)
  {
    mOwned.emplace_back(FrameStrip(w, h, n, horizontal));
    Raster_IBitmap* bm = mOwned.back().get();
    return IBitmap(bm, bm->getWidth(), bm->getHeight(), n, horizontal);
  }
  // A press and release at (x, y).
  void Click(int x, int y, IMouseMod mod = IMouseMod(true))
  {
    g->OnMouseDown(x, y, &mod);
    g->OnMouseUp(x, y, &mod);
  }
  std::vector<std::unique_ptr<Raster_IBitmap>> mOwned;
};

} // namespace

TEST_F(Controls, KnobDragGearingWheelAndDefault)
{
  IBitmap strip = Strip(10, 40, 5);
  auto* knob = Add(new IKnobMultiControl(&plug, 0, 0, TestPlug::kGain, &strip));
  ASSERT_EQ(knob->GetRECT(), IRECT(0, 0, 10, 40));
  Attach(); // Gain 50: value 0.5, the double-click default

  // 16 pixels up on a 40-pixel knob with gearing 4 raise the value by 0.1; with Shift or
  // Control by 0.01. One gesture around all the changes.
  IMouseMod plain(true), shift(true, false, true), control(true, false, false, true);
  g->OnMouseDown(5, 20, &plain);
  g->OnMouseDrag(5, 4, &plain);
  EXPECT_NEAR(knob->GetValue(), 0.6, 1e-12);
  EXPECT_NEAR(plug.GetParam(TestPlug::kGain)->Value(), 60.0, 1e-9);
  g->OnMouseDrag(5, -12, &shift);
  EXPECT_NEAR(knob->GetValue(), 0.61, 1e-12);
  g->OnMouseDrag(5, 4, &control); // 16 down
  EXPECT_NEAR(knob->GetValue(), 0.6, 1e-12);
  g->OnMouseDrag(5, 2000, &plain);
  EXPECT_EQ(knob->GetValue(), 0.0);
  g->OnMouseDrag(5, -5000, &plain);
  EXPECT_EQ(knob->GetValue(), 1.0);
  g->OnMouseUp(5, -5000, &plain);
  EXPECT_EQ(plug.mBegun, std::vector<int>{TestPlug::kGain});
  EXPECT_EQ(plug.mEnded, std::vector<int>{TestPlug::kGain});
  EXPECT_EQ(plug.mInformed.size(), 5u);

  // Wheel steps of 0.01, 0.001 with Control.
  g->OnMouseWheel(5, 20, &plain, -3);
  EXPECT_NEAR(knob->GetValue(), 0.97, 1e-12);
  g->OnMouseWheel(5, 20, &control, -3);
  EXPECT_NEAR(knob->GetValue(), 0.967, 1e-12);

  // Double-click: back to the first value the plug-in pushed, sent to the plug-in.
  g->OnMouseDblClick(5, 20, &plain);
  EXPECT_EQ(knob->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kGain)->Value(), 50.0);

  // A knob that never got a value from the plug-in ignores double-clicks.
  auto* fresh = Add(new IKnobMultiControl(&plug, 20, 0, -1, &strip, IControl::kHorizontal));
  fresh->OnMouseDblClick(0, 0, &plain);
  EXPECT_EQ(fresh->GetValue(), 0.0);
  fresh->OnMouseDrag(0, 0, 8, 0, &plain); // horizontal: 8 / width 10 / 4
  EXPECT_NEAR(fresh->GetValue(), 0.2, 1e-12);
}

TEST_F(Controls, SwitchesStepWrapAndPick)
{
  IBitmap three = Strip(10, 10, 3);
  auto* sw = Add(new ISwitchControl(&plug, 0, 0, -1, &three));
  auto* contact = Add(new IContactControl(&plug, 20, 0, -1, &three));
  auto* toggle = Add(new IInvisibleSwitchControl(&plug, IRECT(40, 0, 50, 10), -1));
  IBitmap four = Strip(5, 8, 4, true);
  IBitmap fourFrames(four.mData, 20, 8, 4); // four frames side by side, picked by column
  auto* frames = Add(new ISwitchFramesControl(&plug, 60, 0, -1, &fourFrames, true));
  IBitmap one = Strip(6, 6, 1);
  auto* overlay = Add(new IBitmapOverlayControl(&plug, 0, 30, -1, &one, IRECT(0, 30, 2, 32)));
  Attach();

  std::vector<double> steps;
  for (int i = 0; i < 3; ++i)
  {
    Click(5, 5);
    steps.push_back(sw->GetValue());
  }
  EXPECT_EQ(steps, (std::vector<double>{0.5, 1.0, 0.0}));
  IMouseMod left(true);
  g->OnMouseDblClick(5, 5, &left); // a double-click steps too
  EXPECT_EQ(sw->GetValue(), 0.5);

  g->OnMouseDown(25, 5, &left);
  EXPECT_EQ(contact->GetValue(), 0.5);
  g->OnMouseUp(25, 5, &left);
  EXPECT_EQ(contact->GetValue(), 0.0);

  Click(45, 5);
  EXPECT_EQ(toggle->GetValue(), 1.0);
  Click(45, 5);
  EXPECT_EQ(toggle->GetValue(), 0.0);

  EXPECT_EQ(frames->GetRECT(), IRECT(60, 0, 80, 2));
  ASSERT_EQ(frames->FrameRECTs().size(), 4u);
  EXPECT_EQ(frames->FrameRECTs()[2], IRECT(70, 0, 75, 2));
  Click(71, 1);
  EXPECT_NEAR(frames->GetValue(), 2.0 / 3.0, 1e-12);

  // The overlay is hit only in its target area while off, everywhere once on.
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  EXPECT_EQ(g->GetMouseControlIdx(4, 34), -1);
  EXPECT_EQ(PixelAt(*g, 4, 34), 0u);
  Click(1, 31);
  g->Draw(&all);
  EXPECT_EQ(overlay->GetValue(), 1.0);
  EXPECT_EQ(g->GetMouseControlIdx(4, 34), 4);
  EXPECT_EQ(PixelAt(*g, 4, 34), Raster_ARGB(255, 10, 10, 10));
}

TEST_F(Controls, RadioButtonLayoutAndChoice)
{
  IBitmap two = Strip(8, 6, 2); // frame 1 grey 10, frame 2 grey 20
  // Three buttons 6 high in 30 pixels: gap (30 - 18) / 2 = 6.
  auto* column = Add(new IRadioButtonsControl(&plug, IRECT(0, 0, 8, 30), -1, 3, &two));
  auto* row = Add(new IRadioButtonsControl(&plug, IRECT(20, 0, 60, 6), TestPlug::kMode, 3, &two,
                                           IControl::kHorizontal, true));
  Attach();
  const std::vector<IRECT> columnRECTs{{0, 0, 8, 6}, {0, 12, 8, 18}, {0, 24, 8, 30}};
  EXPECT_EQ(column->ButtonRECTs(), columnRECTs);
  // Reversed row, gap (40 - 24) / 2 = 8: the first button starts at 60 - 8 - 8.
  const std::vector<IRECT> rowRECTs{{44, 0, 52, 6}, {28, 0, 36, 6}, {12, 0, 20, 6}};
  EXPECT_EQ(row->ButtonRECTs(), rowRECTs);

  Click(4, 14);
  EXPECT_EQ(column->GetValue(), 0.5);
  Click(4, 9); // between buttons: value kept
  EXPECT_EQ(column->GetValue(), 0.5);
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  EXPECT_EQ(PixelAt(*g, 4, 2), Raster_ARGB(255, 10, 10, 10));
  EXPECT_EQ(PixelAt(*g, 4, 14), Raster_ARGB(255, 20, 20, 20));
  EXPECT_EQ(PixelAt(*g, 4, 26), Raster_ARGB(255, 10, 10, 10));
  // The Mode parameter (Punch, 0.5) marks the middle button of the row.
  EXPECT_EQ(PixelAt(*g, 30, 2), Raster_ARGB(255, 20, 20, 20));
  Click(46, 2);
  EXPECT_EQ(plug.GetParam(TestPlug::kMode)->Value(), 0.0);
}

TEST_F(Controls, FaderGeometry)
{
  IBitmap handle = Strip(10, 20, 1);
  auto* fader = Add(new IFaderControl(&plug, 5, 10, 100, TestPlug::kGain, &handle));
  IBitmap wide = Strip(6, 4, 1);
  auto* slider = Add(new IFaderControl(&plug, 30, 50, 46, -1, &wide, IControl::kHorizontal, true));
  Attach();
  EXPECT_EQ(fader->GetRECT(), IRECT(5, 10, 15, 110));
  EXPECT_EQ(fader->GetHandleHeadroom(), 20);
  EXPECT_EQ(fader->GetHandleRECT(), IRECT(5, 50, 15, 70)); // 0.5: down int(0.5 * 80)
  EXPECT_EQ(fader->GetHandleRECT(0.0), IRECT(5, 90, 15, 110));
  EXPECT_EQ(fader->GetHandleRECT(1.0), IRECT(5, 10, 15, 30));

  Click(8, 20); // the handle's centre at the pointer: top
  EXPECT_EQ(fader->GetValue(), 1.0);
  Click(8, 60); // 1 - (60 - 10 - 10) / 80
  EXPECT_EQ(fader->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kGain)->Value(), 50.0);
  IMouseMod left(true);
  g->OnMouseDown(8, 60, &left);
  g->OnMouseDrag(8, 100, &left); // 1 - 80 / 80
  g->OnMouseUp(8, 100, &left);
  EXPECT_EQ(fader->GetValue(), 0.0);
  g->OnMouseWheel(8, 100, &left, 5);
  EXPECT_NEAR(fader->GetValue(), 0.05, 1e-12);

  // Horizontal, only the handle hit: value 0 puts it at the left end.
  EXPECT_EQ(slider->GetRECT(), IRECT(30, 50, 76, 54));
  EXPECT_TRUE(slider->IsHit(32, 52));
  EXPECT_FALSE(slider->IsHit(60, 52));
  slider->SnapToMouse(30 + 3 + 20, 52); // (x - L - 3) / 40
  EXPECT_EQ(slider->GetValue(), 0.5);
  EXPECT_EQ(slider->GetHandleRECT(), IRECT(50, 50, 56, 54));
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  EXPECT_EQ(PixelAt(*g, 50, 50), Raster_ARGB(255, 10, 10, 10));
  EXPECT_EQ(PixelAt(*g, 49, 50), 0u);
}

TEST_F(Controls, KnobLineDrawsAtTheValuesAngle)
{
  auto* knob = Add(new IKnobLineControl(&plug, IRECT(0, 0, 21, 21), TestPlug::kGain, COLOR_WHITE,
                                        0.0, 0.0, -kPi / 2, kPi / 2));
  Attach(); // 0.5: straight up
  IRECT all(0, 0, 100, 60);
  g->Draw(&all);
  EXPECT_EQ(PixelAt(*g, 10, 1), COLOR_WHITE.ToPixel());
  EXPECT_EQ(PixelAt(*g, 10, 8), COLOR_WHITE.ToPixel());
  EXPECT_EQ(PixelAt(*g, 14, 10), 0u);
  knob->SetValueFromPlug(1.0); // pointing right
  g->Draw(&all);
  EXPECT_EQ(PixelAt(*g, 18, 10), COLOR_WHITE.ToPixel());
}

TEST_F(Controls, URLAndFileSelector)
{
  auto* url = Add(new IURLControl(&plug, IRECT(0, 0, 10, 10), "https://example.org",
                                  "file:///help.html", "cannot open"));
  auto* backupOnly = Add(new IURLControl(&plug, IRECT(10, 0, 20, 10), nullptr, "file:///b.html"));
  auto* files = Add(new IFileSelectorControl(&plug, IRECT(30, 0, 40, 10), -1, nullptr, kFileOpen,
                                             "/tmp", ".fxp"));
  Attach();
  Click(5, 5);
  g->mOpenURLSucceeds = false;
  Click(5, 5);
  Click(15, 5);
  EXPECT_EQ(g->mURLs, (std::vector<std::string>{"https://example.org", "https://example.org",
                                                "file:///help.html", "file:///b.html"}));
  EXPECT_STREQ(backupOnly->GetURL(), "");
  const std::string longURL(700, 'u');
  IURLControl cut(&plug, IRECT(), longURL.c_str());
  EXPECT_EQ(std::string(cut.GetURL()), longURL.substr(0, 511));
  EXPECT_NE(url, nullptr);

  g->mFileAnswer = "/tmp/a.fxp";
  IRECT r;
  g->IsDirty(&r);
  g->Draw(&r);
  g->Draw(&r); // everything clean
  Click(35, 5);
  EXPECT_EQ(g->mFilePrompts, 1);
  std::string chosen;
  files->GetLastSelectedFileForPlug(&chosen);
  EXPECT_EQ(chosen, "/tmp/a.fxp");
  EXPECT_EQ(files->GetValue(), 1.0);
  EXPECT_EQ(files->GetState(), IFileSelectorControl::kFSDone);
  files->SetClean();
  EXPECT_TRUE(files->IsDirty()); // once after the selection
  EXPECT_FALSE(files->IsDirty());
  Click(35, 5);
  EXPECT_EQ(files->GetValue(), 0.0);
}

TEST_F(Controls, RotatedKnobsTurnWithTheValue)
{
  // A 9 x 9 bitmap with only its top row drawn, red.
  mOwned.emplace_back(new graphicstest::PatternBitmap(
      9, 9, [](int, int y) { return y == 0 ? COLOR_RED.ToPixel() : 0u; }));
  IBitmap pointer(mOwned.back().get(), 9, 9);
  auto* rotater = Add(new IKnobRotaterControl(&plug, 0, 0, -1, &pointer, -kPi / 2, kPi / 2));
  // An opaque grey base, a mask opening its top half (black, so it adds no colour) and an
  // empty top layer.
  mOwned.emplace_back(new graphicstest::PatternBitmap(
      8, 8, [](int, int) { return Raster_ARGB(255, 100, 100, 100); }));
  IBitmap base(mOwned.back().get(), 8, 8);
  mOwned.emplace_back(new graphicstest::PatternBitmap(
      8, 8, [](int, int y) { return y < 4 ? Raster_ARGB(255, 0, 0, 0) : 0u; }));
  IBitmap mask(mOwned.back().get(), 8, 8);
  IBitmap top = Strip(8, 8, 1);
  top.mData = nullptr; // no top layer
  auto* masked =
      Add(new IKnobRotatingMaskControl(&plug, 20, 0, -1, &base, &mask, &top, 0.0, 180.0));
  Attach();

  auto redraw = [&]
  {
    IRECT all(0, 0, 100, 60);
    const IChannelBlend replace(IChannelBlend::kBlendCopy);
    g->FillIRect(&COLOR_TRANSPARENT, &all, &replace);
    g->Draw(&all);
  };
  rotater->SetValueFromPlug(0.5);
  masked->SetValueFromPlug(0.0);
  redraw();
  EXPECT_EQ(PixelAt(*g, 4, 0), COLOR_RED.ToPixel());
  EXPECT_EQ(PixelAt(*g, 8, 4), 0u);
  EXPECT_EQ(PixelAt(*g, 23, 1), Raster_ARGB(255, 100, 100, 100));
  EXPECT_EQ(PixelAt(*g, 23, 6), 0u);

  rotater->SetValueFromPlug(1.0); // a quarter turn clockwise: the row becomes the right column
  masked->SetValueFromPlug(1.0);  // half a turn: the opening moves to the bottom half
  redraw();
  EXPECT_EQ(Raster_GetR(PixelAt(*g, 8, 4)), 255);
  EXPECT_GE(Raster_GetA(PixelAt(*g, 8, 4)), 250);
  EXPECT_EQ(Raster_GetA(PixelAt(*g, 4, 0)), 0);
  EXPECT_EQ(PixelAt(*g, 23, 1), 0u);
  EXPECT_EQ(PixelAt(*g, 23, 6), Raster_ARGB(255, 100, 100, 100));
}

TEST_F(Controls, ResizeEmptiesTheEditor)
{
  IBitmap two = Strip(8, 6, 2);
  Add(new ISwitchControl(&plug, 0, 0, TestPlug::kBypass, &two));
  Attach();
  IMouseMod left(true);
  g->OnMouseDown(2, 2, &left);
  ASSERT_EQ(g->GetMouseCapture(), 0);
  g->Resize(200, 120); // ends the press's gesture with the capture
  EXPECT_EQ(g->GetMouseCapture(), -1);
  EXPECT_EQ(plug.mEnded, std::vector<int>{TestPlug::kBypass});
  EXPECT_EQ(g->NControls(), 0);
  EXPECT_EQ(g->GetDrawBitmap()->getWidth(), 200);
  EXPECT_EQ(g->GetDrawBitmap()->getHeight(), 120);
  g->OnMouseUp(2, 2, &left); // nothing left to release
  EXPECT_EQ(plug.mEnded.size(), 1u);
}
