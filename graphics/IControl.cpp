#include "graphics/IControl.h"

#include "framework/IEffectBase.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/ITextControls.h"

IControl::IControl(IEffectBase* plug, const IRECT& rect, int paramIdx, int blendMethod)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blendMethod, 1.0f)
{
}

IParam* IControl::GetParam() const
{
  return mPlug ? mPlug->GetParam(mParamIdx) : nullptr;
}

IGraphics* IControl::GetGUI() const
{
  return mPlug ? mPlug->GetGUI() : nullptr;
}

void IControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* mod)
{
  if (mod && mod->R) PromptUserInput();
}

void IControl::OnMouseDblClick(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  if (mDefaultValue >= 0.0)
  {
    mValue = double(mDefaultValue);
    SetDirty(true);
  }
}

void IControl::SetValueFromPlug(double value)
{
  if (mDefaultValue < 0.0) mDefaultValue = mValue = value;
  if (value != mValue)
  {
    mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::SetValueFromUserInput(double value)
{
  if (value != mValue)
  {
    mValue = value;
    SetDirty(true);
    mRedraw = true;
  }
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  mRedraw = true;
  SetDirty(false);
}

void IControl::GrayOut(bool gray)
{
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

void IControl::SetDirty(bool pushParamToPlug)
{
  if (mValue < mClampLo)
    mValue = double(mClampLo);
  else if (mValue > mClampHi)
    mValue = double(mClampHi);
  mDirty = true;
  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;
  mPlug->SetParameterFromGUI(mParamIdx, mValue);
  const IParam* param = GetParam();
  if (!param) return;
  if (mValDisplayControl)
    mValDisplayControl->SetTextFromPlug(ParamDisplayText(*param, true).c_str());
  if (mNameDisplayControl) mNameDisplayControl->SetTextFromPlug(param->GetNameForHost());
}

void IControl::SetClean()
{
  mDirty = bool(mRedraw);
  mRedraw = false;
}

void IControl::SetAuxParamValueFromPlug(int auxIdx, double value)
{
  AuxParam* aux = GetAuxParam(auxIdx);
  if (aux && value != aux->mValue)
  {
    aux->mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

// ---- Value prompt -----------------------------------------------------------------------

void IControl::PromptUserInput()
{
  IParam* param = GetParam();
  if (!param || mDisablePrompt) return;
  if (param->GetNDisplayTexts() > 0)
  {
    PromptUserInput(&mRECT);
    return;
  }
  const int cX = int(mRECT.MW()), cY = int(mRECT.MH());
  IRECT box(cX - 20, cY - 8, cX + 20, cY + 8);
  PromptUserInput(&box);
}

void IControl::PromptUserInput(IRECT* rect)
{
  IParam* param = GetParam();
  IGraphics* graphics = GetGUI();
  if (!param || mDisablePrompt || !graphics) return;
  graphics->PromptUserInput(this, param, rect);
  mRedraw = true;
}

// ---- Auxiliary parameters ---------------------------------------------------------------

void IControl::AddAuxParam(int paramIdx)
{
  mAuxParams.push_back({0.0, paramIdx});
}

int IControl::AuxParamIdx(int paramIdx) const
{
  for (int i = 0; i < NAuxParams(); ++i)
    if (mAuxParams[static_cast<size_t>(i)].mParamIdx == paramIdx) return i;
  return -1;
}

IControl::AuxParam* IControl::GetAuxParam(int idx)
{
  if (idx < 0 || idx >= NAuxParams()) return nullptr;
  return &mAuxParams[static_cast<size_t>(idx)];
}

void IControl::SetAllAuxParamsFromGUI()
{
  if (!mPlug) return;
  for (const AuxParam& aux : mAuxParams)
    mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue);
}

void IControl::Clamp(double lo, double hi)
{
  mClampLo = lo;
  mClampHi = hi;
}
