#include <gtest/gtest.h>

#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::RecordingControl;
using graphicstest::TestGraphics;
using graphicstest::TestPlug;

namespace
{

// A background, two separate controls and a third overlapping the second.
class DrawCycle : public GraphicsTest
{
protected:
  DrawCycle()
  {
    back = Add(new RecordingControl(&plug, IRECT(0, 0, 100, 60)));
    a = Add(new RecordingControl(&plug, IRECT(10, 10, 20, 20), TestPlug::kGain));
    b = Add(new RecordingControl(&plug, IRECT(50, 10, 60, 20)));
    c = Add(new RecordingControl(&plug, IRECT(55, 15, 70, 30), TestPlug::kMode));
    Attach();
  }

  // Polls as the view's timer does and redraws what it reports; the reported rectangle.
  IRECT Poll()
  {
    IRECT r;
    if (g->IsDirty(&r)) g->Draw(&r);
    return r;
  }
  std::vector<int> Draws() const { return {back->Draws(), a->Draws(), b->Draws(), c->Draws()}; }

  RecordingControl *back, *a, *b, *c;
};

} // namespace

TEST_F(DrawCycle, StrictModeDrawsWhatMeetsTheRectangleAndCleansEverything)
{
  EXPECT_EQ(Poll(), IRECT(0, 0, 100, 60)); // controls start dirty
  EXPECT_EQ(Draws(), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(Poll(), IRECT()); // clean after the draw: nothing reported, nothing drawn
  ASSERT_EQ(g->mScreens.size(), 1u);

  // A control outside the redrawn rectangle is not drawn but is cleaned.
  IRECT r(10, 10, 20, 20);
  b->SetDirty(false);
  g->Draw(&r);
  EXPECT_EQ(Draws(), (std::vector<int>{2, 2, 1, 1}));
  EXPECT_EQ(a->mDrawRects.back(), r);
  EXPECT_EQ(g->mScreens.back(), r);
  IRECT none;
  EXPECT_FALSE(g->IsDirty(&none));

  // A new value from the plug-in is drawn at two successive polls; the same value at none.
  a->SetValueFromPlug(0.7);
  EXPECT_EQ(Poll(), IRECT(10, 10, 20, 20));
  EXPECT_EQ(Poll(), IRECT(10, 10, 20, 20));
  EXPECT_EQ(Poll(), IRECT());
  a->SetValueFromPlug(0.7);
  EXPECT_EQ(Poll(), IRECT());
  EXPECT_EQ(Draws(), (std::vector<int>{4, 4, 1, 1}));

  // Hidden controls are skipped but cleaned; hiding marks them for two polls.
  a->Hide(true);
  Poll();
  Poll();
  EXPECT_EQ(Draws(), (std::vector<int>{6, 4, 1, 1}));
  EXPECT_EQ(Poll(), IRECT());

  // An editor without controls reports nothing and draws nothing.
  TestGraphics empty(&plug);
  IRECT e;
  EXPECT_FALSE(empty.IsDirty(&e));
  EXPECT_TRUE(empty.Draw(&e));
  EXPECT_TRUE(empty.mScreens.empty());
}

TEST_F(DrawCycle, NonStrictModeRedrawsEachDirtyControlWithItsNeighbours)
{
  g->SetStrictDrawing(false); // marks everything dirty
  Poll();
  // The dirty background redraws everything, clipped to the background.
  EXPECT_EQ(Draws(), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(a->mDrawRects.back(), IRECT(0, 0, 100, 60));

  // A dirty control is redrawn with the controls that overlap it, at its own rectangle.
  b->SetDirty(false);
  Poll();
  EXPECT_EQ(Draws(), (std::vector<int>{2, 1, 2, 2}));
  EXPECT_EQ(b->mDrawRects.back(), IRECT(50, 10, 60, 20));
  EXPECT_EQ(c->mDrawRects.back(), IRECT(50, 10, 60, 20));

  // Only the dirty control is cleaned: the redraw flag of c survives b's redraw.
  c->SetValueFromPlug(0.3); // dirty, and once more after the next clean
  b->SetDirty(false);
  Poll();
  // Passes for b (back, b, c) and for c (back, b, c).
  EXPECT_EQ(Draws(), (std::vector<int>{4, 1, 4, 4}));
  Poll(); // c's redraw flag: back, b and c once more
  EXPECT_EQ(Draws(), (std::vector<int>{5, 1, 5, 5}));
  EXPECT_EQ(Poll(), IRECT());

  // A hidden dirty control is not drawn; the controls around it paint over its place.
  c->Hide(true);
  Poll();
  EXPECT_EQ(Draws(), (std::vector<int>{6, 1, 6, 5}));
}
