#include <gtest/gtest.h>

#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::RecordingControl;
using graphicstest::TestPlug;

namespace
{

class Input : public GraphicsTest
{
protected:
  Input()
  {
    back = Add(new RecordingControl(&plug, IRECT(0, 0, 100, 60)));
    lower = Add(new RecordingControl(&plug, IRECT(10, 10, 30, 30), TestPlug::kGain));
    upper = Add(new RecordingControl(&plug, IRECT(10, 10, 30, 30), TestPlug::kMode));
    Attach();
  }
  RecordingControl *back, *lower, *upper;
  IMouseMod left{true};
};

} // namespace

TEST_F(Input, CaptureFromPressToReleaseWithOneGesture)
{
  g->OnMouseDown(15, 15, &left);
  EXPECT_EQ(g->GetMouseCapture(), 2);
  g->OnMouseDrag(15, 15, &left); // no movement: not delivered
  g->OnMouseDrag(15, 10, &left);
  g->OnMouseDrag(80, 50, &left); // outside the control: still captured
  g->OnMouseUp(80, 50, &left);
  EXPECT_EQ(upper->mEvents, (std::vector<std::string>{"down", "drag 0,-5", "drag 65,40", "up"}));
  EXPECT_TRUE(back->mEvents.empty());
  EXPECT_EQ(plug.mBegun, std::vector<int>{TestPlug::kMode});
  EXPECT_EQ(plug.mEnded, std::vector<int>{TestPlug::kMode});
  EXPECT_EQ(g->GetMouseCapture(), -1);
  g->OnMouseDrag(20, 20, &left); // no capture: nothing
  EXPECT_EQ(upper->mEvents.size(), 4u);
}

TEST_F(Input, GrayedAndHiddenControlsAreNotHit)
{
  upper->GrayOut(true);
  EXPECT_FLOAT_EQ(upper->GetBlend()->mWeight, 0.25f);
  g->OnMouseDown(15, 15, &left);
  g->OnMouseUp(15, 15, &left);
  EXPECT_EQ(lower->mEvents, (std::vector<std::string>{"down", "up"}));
  EXPECT_EQ(plug.mBegun, std::vector<int>{TestPlug::kGain});

  // Mouse-over reaches a grayed control only when it asks for it.
  EXPECT_EQ(g->GetMouseControlIdx(15, 15, true), 1);
  upper->SetMOWhenGrayed(true);
  EXPECT_EQ(g->GetMouseControlIdx(15, 15, true), 2);
  EXPECT_EQ(g->GetMouseControlIdx(15, 15, false), 1);

  // Nothing qualifies: nothing captured, no gesture. (The background is hidden too.)
  lower->Hide(true);
  back->Hide(true);
  g->OnMouseDown(15, 15, &left);
  EXPECT_EQ(g->GetMouseCapture(), -1);
  g->OnMouseUp(15, 15, &left);
  EXPECT_EQ(plug.mBegun.size(), 1u);
  EXPECT_EQ(plug.mEnded.size(), 1u);

  upper->GrayOut(false);
  EXPECT_FLOAT_EQ(upper->GetBlend()->mWeight, 1.0f);
  EXPECT_EQ(g->GetMouseControlIdx(15, 15), 2);
}

TEST_F(Input, KeysGoToTheControlOrTheKeyCatcher)
{
  EXPECT_TRUE(g->OnKeyDown(15, 15, kKeyUp));
  EXPECT_EQ(upper->mKeys, std::vector<int>{kKeyUp});
  upper->mTakesKeys = false;
  EXPECT_FALSE(g->OnKeyDown(15, 15, kKeyDown));

  // Over the background, or over nothing: the key catcher, or false without one.
  EXPECT_FALSE(g->OnKeyDown(50, 50, kKeySpace));
  EXPECT_FALSE(g->OnKeyDown(500, 500, kKeySpace));
  auto* catcher = new RecordingControl(&plug, IRECT());
  g->AttachKeyCatcher(catcher);
  EXPECT_TRUE(g->OnKeyDown(50, 50, kKeyA));
  EXPECT_TRUE(g->OnKeyDown(500, 500, kKeyA + 1));
  EXPECT_EQ(catcher->mKeys, (std::vector<int>{kKeyA, kKeyA + 1}));
  EXPECT_TRUE(back->mKeys.empty());
}

TEST_F(Input, DoubleClicksAndMouseOver)
{
  // The first value from the plug-in (the attach) is the default a double-click restores
  // and sends to the plug-in.
  const double initial = lower->GetValue();
  upper->Hide(true);
  lower->SetValueFromUserInput(0.9);
  EXPECT_FALSE(g->OnMouseDblClick(15, 15, &left));
  EXPECT_DOUBLE_EQ(lower->GetValue(), initial);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kGain)->Value(), 50.0);

  // A double-click delivered as a press: captured, no gesture notification, and so none
  // ended at the release.
  lower->SetDblAsSingleClick(true);
  EXPECT_TRUE(g->OnMouseDblClick(15, 15, &left));
  EXPECT_EQ(lower->mEvents, std::vector<std::string>{"down"});
  EXPECT_EQ(g->GetMouseCapture(), 1);
  EXPECT_TRUE(plug.mBegun.empty());
  EXPECT_EQ(g->GetParamIdxForPTAutomation(15, 15), TestPlug::kGain);
  g->OnMouseUp(15, 15, &left);
  EXPECT_TRUE(plug.mEnded.empty());
  EXPECT_FALSE(g->OnMouseDblClick(500, 500, &left));

  // Mouse-over is off by default.
  EXPECT_FALSE(g->OnMouseOver(15, 15, &left));
  g->HandleMouseOver(true);
  EXPECT_TRUE(g->OnMouseOver(15, 15, &left));

  EXPECT_EQ(g->GetLastClickedParamForPTAutomation(), TestPlug::kGain);
  EXPECT_EQ(g->GetLastClickedParamForPTAutomation(), -1);
}

TEST_F(Input, AMenuPromptEndsTheGestureOfItsPress)
{
  upper->DisablePrompt(false);
  g->mMenuChoice = 0;
  IMouseMod right(false, true);
  g->OnMouseDown(15, 15, &right); // opens the menu, which consumes the release
  EXPECT_EQ(g->GetMouseCapture(), -1);
  EXPECT_EQ(plug.mBegun, std::vector<int>{TestPlug::kMode});
  EXPECT_EQ(plug.mEnded, std::vector<int>{TestPlug::kMode});
  ASSERT_EQ(plug.mInformed.size(), 1u);
  EXPECT_EQ(plug.mInformed[0].value, 0.0);
  g->OnMouseUp(15, 15, &right); // a release that still arrives ends nothing more
  EXPECT_EQ(plug.mEnded.size(), 1u);

  // A press whose release never came is ended by the next press.
  IMouseMod left(true);
  g->OnMouseDown(15, 15, &left);
  g->OnMouseDown(15, 15, &left);
  EXPECT_EQ(plug.mBegun.size(), 3u);
  EXPECT_EQ(plug.mEnded.size(), 2u);
}
