#include <gtest/gtest.h>

#include "raster/Font.h"
#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::PixelAt;
using graphicstest::TestGraphics;

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
