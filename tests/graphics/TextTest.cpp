#include <gtest/gtest.h>

#include "graphics/IKnobControls.h"
#include "graphics/ITextControls.h"
#include "raster/Font.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::PixelAt;
using graphicstest::TestGraphics;
using graphicstest::TestPlug;

namespace
{

// Columns of the surface with any pixel changed, as [first, last].
std::pair<int, int> InkedColumns(IGraphics& g)
{
  int first = -1, last = -1;
  for (int x = 0; x < g.Width(); ++x)
    for (int y = 0; y < g.Height(); ++y)
      if (PixelAt(g, x, y) != 0u)
      {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

// Polls and redraws until nothing is dirty; the number of redraws.
int RedrawAll(IGraphics& g)
{
  int redraws = 0;
  for (IRECT r; g.IsDirty(&r); ++redraws)
    g.Draw(&r);
  return redraws;
}

} // namespace

TEST_F(GraphicsTest, MeasuredTextKeepsItsAnchor)
{
  Attach();
  IText text(14, COLOR_WHITE, "Arial");
  IRECT centred(0, 0, 100, 20);
  ASSERT_TRUE(g->MeasureIText(&text, "Attack", &centred));
  const int w = centred.W(), h = centred.H();
  EXPECT_GT(w, 20);
  EXPECT_GE(h, 14);
  EXPECT_EQ(centred.L, 50 - w / 2);
  EXPECT_EQ(centred.T, 0);

  text.mAlign = IText::kAlignRight;
  IRECT right(0, 5, 100, 20);
  g->MeasureIText(&text, "Attack", &right);
  EXPECT_EQ(right, IRECT(100 - w, 5, 100, 5 + h));
  text.mAlign = IText::kAlignLeft;
  IRECT left(10, 5, 100, 20);
  g->MeasureIText(&text, "Attack", &left);
  EXPECT_EQ(left, IRECT(10, 5, 10 + w, 5 + h));

  // Drawn centred, the ink stays within the measured box.
  text.mAlign = IText::kAlignCenter;
  IRECT box(0, 0, 100, 20);
  ASSERT_TRUE(g->DrawIText(&text, "Attack", &box));
  const auto [first, last] = InkedColumns(*g);
  EXPECT_GE(first, centred.L);
  EXPECT_LT(last, centred.R);
  EXPECT_LT(first, 50);
  EXPECT_GT(last, 50);

  // Nothing to draw succeeds; a font that cannot be made fails without drawing.
  IRECT r(0, 30, 100, 50);
  EXPECT_TRUE(g->DrawIText(&text, "", &r));
  EXPECT_TRUE(g->DrawIText(&text, nullptr, &r));
  IText huge(5000);
  EXPECT_FALSE(g->DrawIText(&huge, "x", &r));
  EXPECT_EQ(huge.mCached, nullptr);
  EXPECT_EQ(InkedColumns(*g), std::make_pair(first, last));
}

TEST_F(GraphicsTest, FontsAreSharedByStyleAcrossEditors)
{
  TestGraphics other(&plug);
  IText white(13, COLOR_WHITE, "Arial"), red(13, COLOR_RED, "Arial");
  Raster_IFont* font = g->CacheFont(&white);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(white.mCached, font);
  EXPECT_EQ(other.CacheFont(&red), font); // colour is not part of the style
  IText bold(13, COLOR_WHITE, "Arial", IText::kStyleBold), bigger(14, COLOR_WHITE, "Arial");
  EXPECT_NE(g->CacheFont(&bold), font);
  EXPECT_NE(g->CacheFont(&bigger), font);
  // The first attempt is corrected so that the line height matches the text size.
  EXPECT_NEAR(font->GetLineHeight(), 13, 1);
}

TEST_F(GraphicsTest, TextControlsShowTheirTextOnlyWhenItChanges)
{
  IText style(14, COLOR_WHITE, "Arial", IText::kStyleNormal, IText::kAlignLeft);
  auto* readout = Add(new ITextControl(&plug, IRECT(10, 0, 100, 20), &style));
  Attach();
  RedrawAll(*g);
  EXPECT_EQ(InkedColumns(*g).first, -1); // empty: nothing drawn

  readout->SetTextFromPlug(nullptr); // reads as the empty text it shows
  readout->SetTextFromPlug("");
  EXPECT_FALSE(readout->IsDirty());
  readout->SetTextFromPlug("50.0 %");
  EXPECT_TRUE(readout->IsDirty());
  EXPECT_EQ(readout->GetTextString(), "50.0 %");
  // Drawn twice: a text arriving while the old one is drawn is not lost.
  EXPECT_EQ(RedrawAll(*g), 2);
  const auto [first, last] = InkedColumns(*g);
  EXPECT_GE(first, 10); // left-aligned in the control's style
  EXPECT_LT(first, 14);
  EXPECT_LT(last, 100);
  readout->SetTextFromPlug("50.0 %");
  EXPECT_FALSE(readout->IsDirty());
}

TEST_F(GraphicsTest, ValueAndNameDisplaysFollowWhatTheControlSends)
{
  IBitmap strip(nullptr, 10, 40, 1);
  auto* knob = Add(new IKnobMultiControl(&plug, 0, 0, TestPlug::kGain, &strip));
  auto* mode = Add(new IKnobMultiControl(&plug, 20, 0, TestPlug::kMode, &strip));
  auto* value = Add(new ITextControl(&plug, IRECT(0, 40, 50, 60), nullptr));
  auto* name = Add(new ITextControl(&plug, IRECT(50, 40, 100, 60), nullptr));
  knob->SetValDisplayControl(value);
  knob->SetNameDisplayControl(name);
  mode->SetValDisplayControl(value);
  Attach();
  RedrawAll(*g);

  // Values from the plug-in leave the displays alone.
  g->SetParameterFromPlug(TestPlug::kGain, 0.25, true);
  EXPECT_EQ(value->GetTextString(), "");
  EXPECT_FALSE(value->IsDirty());

  IMouseMod plain;
  knob->OnMouseWheel(0, 0, &plain, 10); // 0.25 + 0.1, sent to the plug-in
  EXPECT_EQ(value->GetTextString(), "35.0 %");
  EXPECT_EQ(name->GetTextString(), "Gain");
  EXPECT_TRUE(value->IsDirty());
  EXPECT_TRUE(name->IsDirty());
  RedrawAll(*g);
  knob->SetDirty(true); // same texts: not dirty again
  EXPECT_FALSE(value->IsDirty());
  EXPECT_FALSE(name->IsDirty());
  knob->SetDirty(false);
  EXPECT_FALSE(value->IsDirty());

  // A display text, and an empty label still followed by its space.
  mode->SetValueFromUserInput(1.0);
  EXPECT_EQ(value->GetTextString(), "Hard ");
}

TEST_F(GraphicsTest, CaptionsShowTheValueAndPromptForANewOne)
{
  auto* gain = Add(new ICaptionControl(&plug, IRECT(0, 0, 50, 20), TestPlug::kGain, nullptr, true));
  auto* bare =
      Add(new ICaptionControl(&plug, IRECT(50, 0, 100, 20), TestPlug::kGain, nullptr, false));
  auto* mode =
      Add(new ICaptionControl(&plug, IRECT(0, 20, 50, 40), TestPlug::kMode, nullptr, true));
  Attach();
  RedrawAll(*g);
  EXPECT_EQ(gain->GetTextString(), "50.0 %");
  EXPECT_EQ(bare->GetTextString(), "50.0");
  EXPECT_EQ(mode->GetTextString(), "Punch ");
  EXPECT_NE(InkedColumns(*g).first, -1);

  plug.GetParam(TestPlug::kGain)->Set(12.5);
  g->SetParameterFromPlug(TestPlug::kGain, 12.5, false);
  RedrawAll(*g);
  EXPECT_EQ(gain->GetTextString(), "12.5 %");

  // Presses prompt once the prompt is enabled: a menu for display texts, a field otherwise.
  IMouseMod left(true), right(false, true);
  g->OnMouseDown(10, 25, &left);
  EXPECT_TRUE(g->mMenus.empty());
  mode->DisablePrompt(false);
  gain->DisablePrompt(false);
  g->OnMouseDown(10, 25, &left);
  g->OnMouseUp(10, 25, &left);
  ASSERT_EQ(g->mMenus.size(), 1u);
  EXPECT_EQ(g->mMenus[0].texts, (std::vector<std::string>{"Soft", "Punch", "Hard"}));
  g->OnMouseDown(10, 5, &right);
  g->OnMouseUp(10, 5, &right);
  g->OnMouseDblClick(10, 5, &left);
  ASSERT_EQ(g->mTextEntries.size(), 2u);
  EXPECT_EQ(g->mTextEntries[0].control, gain);
  EXPECT_EQ(g->mTextEntries[0].param, plug.GetParam(TestPlug::kGain));
}
