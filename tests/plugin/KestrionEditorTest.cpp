// The Kestrion editor, headless: its layout, readouts, clip light and whole image.
//
// The whole image is compared pixel for pixel with tests/plugin/data/editor.png. After a
// deliberate change of the layout or the bitmaps, write a new reference with
//   KESTRION_WRITE_REFERENCE=1 build/tests/plugin/plugin_tests --gtest_filter='KestrionEditor.*'
// look at it, and commit it.

#include "graphics/IBitmapTextControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobControls.h"
#include "plugin/Kestrion.h"
#include "plugin/MyIBitmapControl.h"
#include "raster/PngLoader.h"
#include "raster/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace
{

std::string SourcePath(const char* name)
{
  return std::string(KESTRION_SOURCE_DIR) + "/" + name;
}

std::unique_ptr<Raster_IBitmap> LoadPNG(const char* name)
{
  return std::unique_ptr<Raster_IBitmap>(Raster_LoadPNG(SourcePath(name).c_str()));
}

// The plug-in as the constructor makes it, editor included: the editor finds its bitmaps in
// the Kestrion bundle of the build tree, with no display.
class KestrionEditor : public testing::Test
{
protected:
  void SetUp() override
  {
#ifndef KESTRION_EDITOR
    GTEST_SKIP() << "built without the editor";
#endif
    ASSERT_TRUE(plug.GetGUI());
  }

  IGraphics& Editor()
  {
    return *plug.GetGUI();
  }
  template <class C> C* Control(int idx)
  {
    return dynamic_cast<C*>(Editor().GetControl(idx));
  }

  // One tick of the redraw timer: poll, then draw what is dirty.
  void Tick()
  {
    IRECT r;
    if (Editor().IsDirty(&r)) Editor().Draw(&r);
  }
  void DrawAll()
  {
    Editor().SetAllControlsDirty();
    Tick();
  }
  // A value from the host: the parameter, the editor's controls, then the plug-in.
  void SetParam(int idx, double value)
  {
    plug.GetParam(idx)->Set(value);
    Editor().SetParameterFromPlug(idx, value, false);
    plug.OnParamChange(idx);
  }
  Raster_Pixel Pixel(int x, int y)
  {
    return Raster_RowPointer(Editor().GetDrawBitmap(), y)[x];
  }
  std::vector<Raster_Pixel> Snapshot()
  {
    std::vector<Raster_Pixel> image;
    for (int y = 0; y < Editor().Height(); ++y)
      for (int x = 0; x < Editor().Width(); ++x)
        image.push_back(Pixel(x, y));
    return image;
  }
  // Sends a full-scale block (or one at amplitude) through the processor.
  void Process(double amplitude)
  {
    std::vector<double> l(512, amplitude), r(512, amplitude), ol(512), orr(512);
    double* ins[] = {l.data(), r.data()};
    double* outs[] = {ol.data(), orr.data()};
    plug.ProcessDoubleReplacing(ins, outs, 512);
  }

  Kestrion plug{IEffectInstanceInfo{"com.Wexa.audiounit.Kestrion", "Kestrion_View"}};
};

struct PlacedText
{
  const char* text;
  int x, y;
};

// Each cell of the texts drawn from the font strip over what lay below, and nothing else
// changed: before and after are whole images, each text starts at its (x, y).
void ExpectTexts(const std::vector<Raster_Pixel>& before, const std::vector<Raster_Pixel>& after,
                 int width, std::initializer_list<PlacedText> texts)
{
  auto font = LoadPNG("resources/img/font-white.png");
  ASSERT_TRUE(font);
  std::vector<Raster_Pixel> expected = before;
  for (const PlacedText& t : texts)
    for (int i = 0; t.text[i]; ++i)
      for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 6; ++c)
        {
          Raster_Pixel& p = expected[size_t((t.y + r) * width + t.x + i * 6 + c)];
          const Raster_Pixel glyph = Raster_RowPointer(font.get(), r)[(t.text[i] - 32) * 6 + c];
          Raster_CombinePixel(&p, glyph, 256, kRasterModeCopy | kRasterModeUseSourceAlpha);
        }
  int wrong = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    if (after[i] != expected[i] && ++wrong <= 3)
      ADD_FAILURE() << "pixel (" << int(i) % width << ", " << int(i) / width << ")";
  EXPECT_EQ(wrong, 0);
}

} // namespace

// Thirteen controls in drawing order, each rectangle one frame of its bitmap, each knob
// bound to its parameter and showing the parameter's value once the editor is attached.
TEST_F(KestrionEditor, LayoutFollowsTheTableAndTheBitmapFrames)
{
  ASSERT_EQ(Editor().NControls(), 13);
  EXPECT_EQ(Editor().Width(), 578);
  EXPECT_EQ(Editor().Height(), 299);
  const struct
  {
    IRECT rect;
    int paramIdx;
    double value;
  } expected[] = {
      {{0, 0, 578, 299}, -1, 0.0},     {{284, 174, 300, 190}, -1, 0.0},
      {{38, 56, 178, 196}, 0, 0.5},    {{397, 56, 537, 196}, 1, 0.5},
      {{40, 215, 96, 271}, 2, 0.0},    {{129, 215, 185, 271}, 3, 0.25},
      {{218, 215, 274, 271}, 4, -1},   {{309, 215, 365, 271}, 5, 0.0},
      {{397, 215, 453, 271}, 6, 0.0},  {{486, 215, 542, 271}, 7, 500.0 / 750.0},
      {{38, 46, 178, 60}, -1, 0.0},    {{397, 46, 537, 60}, -1, 0.0},
      {{201, 130, 372, 150}, -1, 0.0},
  };
  for (int i = 0; i < 13; ++i)
  {
    const IControl* control = Editor().GetControl(i);
    EXPECT_EQ(control->GetRECT(), expected[i].rect) << i;
    EXPECT_EQ(control->GetTargetRECT(), expected[i].rect) << i;
    EXPECT_EQ(control->ParamIdx(), expected[i].paramIdx) << i;
    const double value = expected[i].value >= 0
                             ? expected[i].value
                             : plug.GetParam(control->ParamIdx())->GetNormalized();
    EXPECT_DOUBLE_EQ(control->GetValue(), value) << i;
  }
  EXPECT_EQ(typeid(*Editor().GetControl(0)), typeid(IBitmapControl));
  EXPECT_TRUE(Control<MyIBitmapControl>(1));
  for (int i = 2; i < 10; ++i)
    EXPECT_EQ(typeid(*Editor().GetControl(i)), typeid(IKnobMultiControl)) << i;
  for (int i = 10; i < 13; ++i)
    EXPECT_TRUE(Control<IBitmapTextControl>(i)) << i;
  EXPECT_EQ(Control<IBitmapTextControl>(10)->GetTextString(), "");
  EXPECT_EQ(Control<IBitmapTextControl>(11)->GetTextString(), "");
  EXPECT_EQ(Control<IBitmapTextControl>(12)->GetTextString(), "v1.0.1");
}

// The readouts follow "Attack" and "Sustain": 50.0 % centred in the attack readout starts at
// x = 90 on row 46; v1.0.1 starts at x = 268 on row 130. A readout redraws only when its
// text changes.
TEST_F(KestrionEditor, ReadoutsAndVersionLabelSitWhereTheLayoutPutsThem)
{
  auto* attack = Control<IBitmapTextControl>(10);
  auto* sustain = Control<IBitmapTextControl>(11);
  DrawAll();
  const std::vector<Raster_Pixel> empty = Snapshot();

  auto back = LoadPNG("resources/img/back.png");
  ASSERT_TRUE(back);
  std::vector<Raster_Pixel> background;
  for (int y = 0; y < 299; ++y)
    background.insert(background.end(), Raster_RowPointer(back.get(), y),
                      Raster_RowPointer(back.get(), y) + 578);
  // The version label is the only control over that part of the background.
  std::vector<Raster_Pixel> label = background, labelNow = background;
  for (int y = 126; y < 160; ++y)
    for (int x = 190; x < 384; ++x)
      labelNow[size_t(y * 578 + x)] = empty[size_t(y * 578 + x)];
  ExpectTexts(label, labelNow, 578, {{"v1.0.1", 268, 130}});

  plug.OnParamReset(); // the host's initialisation pushes every parameter
  // The knobs stay where they are: only the readouts change.
  auto setReadoutParam = [this](int idx, double value)
  {
    plug.GetParam(idx)->Set(value);
    plug.OnParamChange(idx);
  };
  EXPECT_EQ(attack->GetTextString(), "0.00 %");
  EXPECT_EQ(sustain->GetTextString(), "0.00 %");
  setReadoutParam(Kestrion::kAttack, 50.0);
  setReadoutParam(Kestrion::kSustain, -100.0);
  EXPECT_EQ(sustain->GetTextString(), "-100 %");
  Tick();
  // -100 %: 397 + (537 - (397 + 36)) / 2 = 449.
  ExpectTexts(empty, Snapshot(), 578, {{"50.0 %", 90, 46}, {"-100 %", 449, 46}});

  Tick();
  EXPECT_FALSE(attack->IsDirty());
  setReadoutParam(Kestrion::kAttack, 50.0);
  EXPECT_FALSE(attack->IsDirty());
  SetParam(Kestrion::kSustainLink, 30.0); // not a readout's parameter
  EXPECT_FALSE(sustain->IsDirty());
}

// The light shows frame 2 exactly from a meter of 1.0 on, redraws on every tick, and clears
// the held peaks each time it draws.
TEST_F(KestrionEditor, ClipLightFollowsTheMeterAndClearsThePeaks)
{
  auto strip = LoadPNG("resources/img/redLight.png");
  ASSERT_TRUE(strip);
  const Raster_Pixel off = Raster_RowPointer(strip.get(), 8)[8];
  const Raster_Pixel on = Raster_RowPointer(strip.get(), 24)[8];
  ASSERT_NE(off, on);
  auto* light = Control<MyIBitmapControl>(1);
  plug.OnParamReset();
  DrawAll();

  const struct
  {
    double amplitude;
    Raster_Pixel shown;
  } cases[] = {{0.999, off}, {1.0, on}};
  for (const auto& c : cases)
  {
    for (int block = 0; block < 200; ++block)
      Process(c.amplitude); // the meter settles on the output peak
    ASSERT_EQ(plug.GetMeter(), c.amplitude);
    EXPECT_GT(plug.GetPeakL(), 0.0);
    EXPECT_TRUE(light->IsDirty());
    Tick();
    EXPECT_EQ(Pixel(292, 182), c.shown) << c.amplitude;
    EXPECT_EQ(plug.GetPeakL(), 0.0);
    EXPECT_EQ(plug.GetPeakR(), 0.0);
    EXPECT_TRUE(light->IsDirty()); // and again at the next tick
  }
}

// The whole editor after it is attached and the host has initialised the plug-in, with two
// knobs moved, pixel for pixel.
TEST_F(KestrionEditor, WholeImageMatchesTheReference)
{
  plug.OnParamReset();
  SetParam(Kestrion::kAttack, 50.0);
  SetParam(Kestrion::kSustain, -20.0);
  SetParam(Kestrion::kGain, -6.0);
  SetParam(Kestrion::kSustainLength, 250.0);
  DrawAll();
  const std::string reference = SourcePath("tests/plugin/data/editor.png");
  if (const char* write = std::getenv("KESTRION_WRITE_REFERENCE"); write && *write == '1')
  {
    std::string error;
    ASSERT_TRUE(Raster_WritePNG(Editor().GetDrawBitmap(), reference.c_str(), &error)) << error;
    GTEST_SKIP() << "wrote " << reference;
  }
  auto expected = LoadPNG("tests/plugin/data/editor.png");
  ASSERT_TRUE(expected) << reference;
  ASSERT_EQ(expected->getWidth(), 578);
  ASSERT_EQ(expected->getHeight(), 299);
  int wrong = 0;
  for (int y = 0; y < 299; ++y)
    for (int x = 0; x < 578; ++x)
      if (Pixel(x, y) != Raster_RowPointer(expected.get(), y)[x] && ++wrong <= 3)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
  EXPECT_EQ(wrong, 0);
}
