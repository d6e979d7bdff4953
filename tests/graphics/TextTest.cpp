#include <gtest/gtest.h>

#include <utility>

#include "graphics/IBitmapTextControl.h"
#include "graphics/IKnobControls.h"
#include "graphics/ITextControls.h"
#include "raster/Font.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::PatternBitmap;
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

// ---- Bitmap font text ----------------------------------------------------------------------

namespace
{

constexpr int kCellW = 6, kCellH = 12, kCells = 95;

// Font strip pixel of cell k (0-based), column c, row r: unique, so the surface tells which
// cell and which part of it landed where.
Raster_Pixel CellPixel(int k, int c, int r)
{
  return Raster_ARGB(255, k + 1, c * 40, r * 20);
}

// One case: a text control's settings and the cells it must draw, each at its top-left
// corner.
struct BitmapTextCase
{
  const char* name;
  const char* text;
  IRECT rect;
  int align;
  int spacing;
  bool wrap, centreVertically;
  int glyphW;
  struct Cell
  {
    int x, y, k;
  };
  std::vector<Cell> cells;
};

void PrintTo(const BitmapTextCase& c, std::ostream* os)
{
  *os << c.name;
}

int CellOf(char ch)
{
  return ch - 32;
}

class BitmapTextTest : public GraphicsTest, public testing::WithParamInterface<BitmapTextCase>
{
};

} // namespace

// The whole surface after one draw equals the expected cells on an empty surface: nothing
// else is drawn, nothing is missing.
TEST_P(BitmapTextTest, DrawsExactlyTheExpectedCells)
{
  const BitmapTextCase& c = GetParam();
  g->mLoader = [](int, const char*)
  {
    return new PatternBitmap(kCellW * kCells, kCellH,
                             [](int x, int y) { return CellPixel(x / kCellW, x % kCellW, y); });
  };
  IBitmap font = g->LoadIBitmap(4108, "font.png", kCells, true);
  IText style;
  style.mAlign = c.align;
  Add(new IBitmapTextControl(&plug, c.rect, &font, c.text, &style, c.glyphW, kCellH, c.spacing,
                             c.wrap, c.centreVertically));
  Attach();
  IRECT all(0, 0, g->Width(), g->Height());
  g->Draw(&all);

  std::vector<Raster_Pixel> expected(size_t(g->Width() * g->Height()), 0u);
  for (const auto& cell : c.cells)
    for (int r = 0; r < kCellH; ++r)
      for (int col = 0; col < c.glyphW; ++col)
      {
        const int x = cell.x + col, y = cell.y + r;
        if (x >= 0 && x < g->Width() && y >= 0 && y < g->Height())
          expected[size_t(y * g->Width() + x)] = CellPixel(cell.k, col, r);
      }
  int wrong = 0;
  for (int y = 0; y < g->Height(); ++y)
    for (int x = 0; x < g->Width(); ++x)
      if (PixelAt(*g, x, y) != expected[size_t(y * g->Width() + x)] && ++wrong <= 3)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
  EXPECT_EQ(wrong, 0);
}

const int L = IText::kAlignLeft, C = IText::kAlignCenter, R = IText::kAlignRight;
const int A = CellOf('A'), B = CellOf('B');

INSTANTIATE_TEST_SUITE_P(
    Layouts, BitmapTextTest,
    testing::Values(
        BitmapTextCase{
            "Left", "AB", {10, 5, 90, 20}, L, 0, true, false, 6, {{10, 5, A}, {16, 5, B}}},
        // 10 + (90 - (10 + 12)) / 2
        BitmapTextCase{
            "Centre", "AB", {10, 5, 90, 20}, C, 0, true, false, 6, {{44, 5, A}, {50, 5, B}}},
        // The last character ends at the right edge.
        BitmapTextCase{
            "Right", "AB", {10, 5, 90, 20}, R, 0, true, false, 6, {{78, 5, A}, {84, 5, B}}},
        BitmapTextCase{
            "Spacing", "AB", {10, 5, 90, 20}, L, 2, true, false, 6, {{10, 5, A}, {18, 5, B}}},
        // 5 + (20 - (5 + 12)) / 2
        BitmapTextCase{
            "CentredVertically", "A", {10, 5, 90, 20}, L, 0, true, true, 6, {{10, 6, A}}},
        // 3 per line, 42 / 18 + 1 = 3 lines, each from the start x of the whole text:
        // 10 + (28 - (10 + 42)) / 2 = -2, left of the rectangle.
        BitmapTextCase{"WrapsCentredText",
                       "ABCDEFG",
                       {10, 5, 28, 20},
                       C,
                       0,
                       true,
                       false,
                       6,
                       {{-2, 5, A},
                        {4, 5, B},
                        {10, 5, CellOf('C')},
                        {-2, 17, CellOf('D')},
                        {4, 17, CellOf('E')},
                        {10, 17, CellOf('F')},
                        {-2, 29, CellOf('G')}}},
        // 5 per line, (11 x 6) / 30 + 1 = 3 lines.
        BitmapTextCase{"WrapsLeftText",
                       "ABCDEFGHIJK",
                       {0, 0, 30, 12},
                       L,
                       0,
                       true,
                       false,
                       6,
                       {{0, 0, A},
                        {6, 0, B},
                        {12, 0, CellOf('C')},
                        {18, 0, CellOf('D')},
                        {24, 0, CellOf('E')},
                        {0, 12, CellOf('F')},
                        {6, 12, CellOf('G')},
                        {12, 12, CellOf('H')},
                        {18, 12, CellOf('I')},
                        {24, 12, CellOf('J')},
                        {0, 24, CellOf('K')}}},
        // 1 per line but (3 x 6) / 11 + 1 = 2 lines: the third character is not drawn.
        BitmapTextCase{"WrapDropsWhatTheLineCountLeavesOut",
                       "ABC",
                       {0, 0, 11, 12},
                       L,
                       0,
                       true,
                       false,
                       6,
                       {{0, 0, A}, {0, 12, B}}},
        BitmapTextCase{"NoWrapCutsTheLine",
                       "ABCDEFG",
                       {10, 5, 28, 20},
                       L,
                       0,
                       false,
                       false,
                       6,
                       {{10, 5, A}, {16, 5, B}, {22, 5, CellOf('C')}}},
        // Nothing for an empty text, a rectangle narrower than a glyph (with or without
        // wrapping, width 0 included) or a glyph width of 0.
        BitmapTextCase{"Empty", "", {10, 5, 90, 20}, L, 0, true, false, 6, {}},
        BitmapTextCase{"NarrowerThanAGlyph", "AB", {10, 5, 15, 20}, L, 0, true, false, 6, {}},
        BitmapTextCase{"NarrowNoWrap", "AB", {10, 5, 15, 20}, L, 0, false, false, 6, {}},
        BitmapTextCase{"ZeroWidth", "AB", {10, 5, 10, 20}, L, 0, true, false, 6, {}},
        BitmapTextCase{"ZeroGlyphWidth", "AB", {10, 5, 90, 20}, L, 0, true, false, 0, {}},
        // Space and tilde are the first and last cells; control characters, 127 and bytes of
        // 128 and above have no cell and show the first.
        BitmapTextCase{"CharacterCodes",
                       " ~\x1f\x7f\x80\xff",
                       {0, 0, 36, 12},
                       L,
                       0,
                       true,
                       false,
                       6,
                       {{0, 0, 0}, {6, 0, 94}, {12, 0, 0}, {18, 0, 0}, {24, 0, 0}, {30, 0, 0}}}),
    [](const testing::TestParamInfo<BitmapTextCase>& info) { return info.param.name; });

// A readout marks itself dirty only for a new text, and a text that arrives while the old
// one is being drawn is drawn at the next poll although the draw cycle cleaned the control.
TEST_F(GraphicsTest, BitmapTextChangesAreNeverLost)
{
  struct RacedText : IBitmapTextControl
  {
    using IBitmapTextControl::IBitmapTextControl;
    bool Draw(IGraphics* graphics) override
    {
      const bool drawn = IBitmapTextControl::Draw(graphics);
      if (mLateText) SetTextFromPlug(std::exchange(mLateText, nullptr)); // another thread
      ++mDraws;
      return drawn;
    }
    const char* mLateText = nullptr;
    int mDraws = 0;
  };
  IBitmap font(nullptr, kCellW * kCells, kCellH, kCells, true);
  auto* text = Add(new RacedText(&plug, IRECT(0, 0, 60, 12), &font, "", nullptr, kCellW, kCellH, 0,
                                 true, false));
  Attach();
  RedrawAll(*g);
  EXPECT_FALSE(text->IsDirty());
  text->SetTextFromPlug(nullptr); // reads as the empty text shown
  EXPECT_FALSE(text->IsDirty());

  text->SetTextFromPlug("1.00 %");
  EXPECT_TRUE(text->IsDirty());
  text->mLateText = "2.00 %";
  IRECT r;
  ASSERT_TRUE(g->IsDirty(&r));
  g->Draw(&r);
  EXPECT_TRUE(text->IsDirty()); // drawn with the old text, cleaned, still not up to date
  const int draws = text->mDraws;
  EXPECT_EQ(RedrawAll(*g), 1);
  EXPECT_EQ(text->mDraws, draws + 1);
  EXPECT_EQ(text->GetTextString(), "2.00 %");
  text->SetTextFromPlug("2.00 %");
  EXPECT_FALSE(text->IsDirty());

  text->Hide(true); // hidden: not drawn, and its changes do not keep it dirty
  RedrawAll(*g);
  text->SetTextFromPlug("3.00 %");
  EXPECT_EQ(RedrawAll(*g), 1);
  EXPECT_FALSE(text->IsDirty());
}
