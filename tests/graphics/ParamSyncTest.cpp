#include <gtest/gtest.h>

#include "tests/graphics/TestGraphics.h"

using graphicstest::GraphicsTest;
using graphicstest::RecordingControl;
using graphicstest::TestPlug;

namespace
{

class ParamSync : public GraphicsTest
{
protected:
  ParamSync()
  {
    Add(new RecordingControl(&plug, IRECT(0, 0, 100, 60)));
    gainA = Add(new RecordingControl(&plug, IRECT(0, 0, 40, 20), TestPlug::kGain));
    gainB = Add(new RecordingControl(&plug, IRECT(40, 0, 80, 20), TestPlug::kGain));
    mode = Add(new RecordingControl(&plug, IRECT(0, 20, 40, 40), TestPlug::kMode));
    mode->AddAuxParam(TestPlug::kBypass);
    mode->AddAuxParam(TestPlug::kGain);
  }
  RecordingControl *gainA, *gainB, *mode;
};

} // namespace

TEST_F(ParamSync, PlugValuesReachEveryBoundAndAuxiliaryControl)
{
  Attach(); // pushes each parameter's normalised value
  EXPECT_DOUBLE_EQ(gainA->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(gainA->GetDefaultValue(), 0.5);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(mode->GetAuxParam(1)->mValue, 0.5);

  g->SetParameterFromPlug(TestPlug::kGain, 25.0, false); // real value of 0..100
  EXPECT_DOUBLE_EQ(gainA->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(gainB->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(mode->GetAuxParam(1)->mValue, 0.25);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 0.5);
  g->SetParameterFromPlug(TestPlug::kBypass, 1.0, true);
  EXPECT_DOUBLE_EQ(mode->GetAuxParam(0)->mValue, 1.0);
  EXPECT_EQ(mode->AuxParamIdx(TestPlug::kGain), 1);
  EXPECT_EQ(mode->AuxParamIdx(7), -1);
  g->SetParameterFromPlug(42, 3.0, false); // no such parameter: ignored
  EXPECT_TRUE(plug.mInformed.empty());     // nothing went back to the plug-in

  // Control indices outside the list are ignored.
  g->SetControlFromPlug(2, 0.75);
  g->SetControlFromPlug(4, 0.1);
  g->SetControlFromPlug(-1, 0.1);
  EXPECT_DOUBLE_EQ(gainB->GetValue(), 0.75);
  EXPECT_EQ(g->GetControl(4), nullptr);

  // A user value goes to every bound control and on to the plug-in.
  g->SetParameterFromGUI(TestPlug::kGain, 0.9);
  EXPECT_DOUBLE_EQ(gainA->GetValue(), 0.9);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kGain)->Value(), 90.0);
  ASSERT_FALSE(plug.mInformed.empty());
  EXPECT_EQ(plug.mInformed.back().idx, TestPlug::kGain);

  // Bounds apply at the next SetDirty.
  g->ClampControl(TestPlug::kGain, 20.0, 60.0, false);
  gainA->SetDirty(false);
  EXPECT_DOUBLE_EQ(gainA->GetValue(), 0.6);
  gainA->SetValueFromPlug(0.1);
  EXPECT_DOUBLE_EQ(gainA->GetValue(), 0.2);

  g->HideControl(TestPlug::kGain, true);
  g->GrayOutControl(TestPlug::kMode, true);
  EXPECT_TRUE(gainA->IsHidden() && gainB->IsHidden() && !mode->IsHidden());
  EXPECT_TRUE(mode->IsGrayed());
  g->AssignParamNameToolTips();
  EXPECT_EQ(mode->GetTooltip(), "Mode");
  EXPECT_EQ(g->GetControl(0)->GetTooltip(), "");

  mode->SetAllAuxParamsFromGUI();
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kBypass)->Value(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kGain)->Value(), 25.0);
}

TEST_F(ParamSync, ValuePromptShowsMenusAndTextEntries)
{
  Attach();
  IMouseMod right(false, true);
  // The prompt is off by default.
  mode->OnMouseDown(0, 0, &right);
  EXPECT_TRUE(g->mMenus.empty());

  // Enumerations get a menu of their texts at the control, the current one ticked.
  mode->DisablePrompt(false);
  g->mMenuChoice = 2;
  mode->OnMouseDown(0, 0, &right);
  ASSERT_EQ(g->mMenus.size(), 1u);
  EXPECT_EQ(g->mMenus[0].texts, (std::vector<std::string>{"Soft", "Punch", "Hard"}));
  EXPECT_EQ(g->mMenus[0].checked, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(g->mMenus[0].rect, mode->GetRECT());
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(TestPlug::kMode)->Value(), 2.0);
  g->mMenuChoice = -1; // dismissed: nothing changes
  mode->PromptUserInput();
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);

  // Numbers get a 40 x 16 text field centred on the control, holding the plain number.
  gainA->DisablePrompt(false);
  gainA->PromptUserInput();
  ASSERT_EQ(g->mTextEntries.size(), 1u);
  EXPECT_EQ(g->mTextEntries[0].rect, IRECT(0, 2, 40, 18));
  EXPECT_EQ(g->mTextEntries[0].text, "50.0");
  IParam* gain = plug.GetParam(TestPlug::kGain);
  g->SetFromStringAfterPrompt(gainA, gain, "25abc");
  EXPECT_DOUBLE_EQ(gain->Value(), 25.0);
  g->SetFromStringAfterPrompt(gainA, gain, "abc"); // not a number: 0
  EXPECT_DOUBLE_EQ(gain->Value(), 0.0);
  IParam* modeParam = plug.GetParam(TestPlug::kMode);
  g->SetFromStringAfterPrompt(mode, modeParam, "Punch");
  EXPECT_DOUBLE_EQ(mode->GetValue(), 0.5);
  g->SetFromStringAfterPrompt(mode, modeParam, "Loud"); // unmatched: 0
  EXPECT_DOUBLE_EQ(mode->GetValue(), 0.0);
  g->SetFromStringAfterPrompt(mode, nullptr, "Hard");
  g->PromptUserInput(mode, modeParam, nullptr);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 0.0);

  // A control bound to a parameter that does not exist prompts nothing.
  auto* stray = Add(new RecordingControl(&plug, IRECT(0, 0, 10, 10), 42));
  stray->DisablePrompt(false);
  stray->PromptUserInput();
  EXPECT_EQ(g->mMenus.size(), 2u);
  EXPECT_EQ(g->mTextEntries.size(), 1u);
}
