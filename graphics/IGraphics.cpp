#include "graphics/IGraphics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/IEffectBase.h"
#include "framework/IParam.h"
#include "graphics/GraphicsCaches.h"
#include "graphics/IBasicControls.h"
#include "raster/Blit.h"

IGraphics::IGraphics(IEffectBase* plug, int w, int h, int fps)
    : mPlug(plug), mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : kDefaultFPS)
{
}

IGraphics::~IGraphics()
{
  mKeyCatcher.reset();
  DeleteControls();
}

void IGraphics::DeleteControls()
{
  while (!mControls.empty())
    mControls.pop_back();
}

// ---- Building ---------------------------------------------------------------------------

void IGraphics::PrepDraw()
{
  mDrawBitmap = std::make_unique<Raster_SysBitmap>(mWidth, mHeight);
  mTmpBitmap = std::make_unique<Raster_MemBitmap>(0, 0, 4);
}

void IGraphics::InsertBackground(IControl* control)
{
  mControls.emplace(mControls.begin(), control);
}

void IGraphics::AttachBackground(int id, const char* name)
{
  IBitmap bitmap = LoadIBitmap(id, name, 1);
  InsertBackground(new IBitmapControl(mPlug, 0, 0, -1, &bitmap, IChannelBlend::kBlendCopy));
}

void IGraphics::AttachPanelBackground(const IColor* color)
{
  InsertBackground(
      new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color ? *color : COLOR_BLACK));
}

int IGraphics::AttachControl(IControl* control)
{
  if (!control) return -1;
  mControls.emplace_back(control);
  return NControls() - 1;
}

void IGraphics::AttachKeyCatcher(IControl* control)
{
  mKeyCatcher.reset(control);
}

IControl* IGraphics::GetControl(int idx) const
{
  if (idx < 0 || idx >= NControls()) return nullptr;
  return mControls[static_cast<size_t>(idx)].get();
}

Raster_Pixel* IGraphics::GetBits()
{
  return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}

void IGraphics::Resize(int w, int h)
{
  mWidth = w;
  mHeight = h;
  ReleaseMouseCapture();
  DeleteControls();
  mDrawBitmap.reset();
  mTmpBitmap.reset();
  PrepDraw();
  if (mPlug) mPlug->ResizeGraphics(w, h);
}

// ---- Bitmaps ----------------------------------------------------------------------------

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates, bool framesAreHorizontal)
{
  Raster_IBitmap* data = s_bitmapCache.Find(id);
  if (!data)
  {
    const BitmapStorage::Stored stored = s_bitmapCache.Adopt(id, OSLoadBitmap(id, name));
    if (stored.firstFailure)
      std::fprintf(stderr, "Kestrion editor: cannot load bitmap \"%s\" (id %d); it is not drawn\n",
                   name ? name : "", id);
    data = stored.bitmap;
  }
  if (!data) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
  return IBitmap(data, data->getWidth(), data->getHeight(), nStates, framesAreHorizontal);
}

void IGraphics::RetainBitmap(IBitmap* bitmap)
{
  if (bitmap && bitmap->mData) s_bitmapCache.Retain(bitmap->mData);
}

void IGraphics::ReleaseBitmap(IBitmap* bitmap)
{
  if (bitmap) s_bitmapCache.Release(bitmap->mData);
}

IBitmap IGraphics::ScaleBitmap(IBitmap* bitmap, int w, int h)
{
  auto* scaled = new Raster_MemBitmap(w, h, 4);
  if (bitmap && bitmap->mData)
    Raster_ScaledBlit(scaled, bitmap->mData, 0, 0, w, h, 0.0f, 0.0f, float(bitmap->W),
                      float(bitmap->H), 1.0f, kRasterModeCopy | kRasterModeFilterBilinear);
  IBitmap result(scaled, w, h, bitmap ? bitmap->N : 1, false);
  RetainBitmap(&result);
  return result;
}

IBitmap IGraphics::CropBitmap(IBitmap* bitmap, IRECT* rect)
{
  const IRECT r = rect ? *rect : IRECT();
  auto* cropped = new Raster_MemBitmap(r.W(), r.H(), 4);
  if (bitmap && bitmap->mData)
    Raster_Blit(cropped, bitmap->mData, 0, 0, r.L, r.T, r.W(), r.H(), 1.0f, kRasterModeCopy);
  IBitmap result(cropped, r.W(), r.H(), bitmap ? bitmap->N : 1, false);
  RetainBitmap(&result);
  return result;
}

// ---- Parameters and controls ------------------------------------------------------------

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
  if (!normalized)
  {
    const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  for (const auto& control : mControls)
  {
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlug(value);
    const int auxIdx = control->AuxParamIdx(paramIdx);
    if (auxIdx >= 0) control->SetAuxParamValueFromPlug(auxIdx, value);
  }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue)
{
  if (IControl* control = GetControl(controlIdx)) control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->SetValueFromUserInput(normalizedValue);
}

void IGraphics::SetAllControlsDirty()
{
  for (const auto& control : mControls)
    control->SetDirty(false);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized)
{
  if (!normalized)
  {
    const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    lo = param->GetNormalized(lo);
    hi = param->GetNormalized(hi);
  }
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->Clamp(lo, hi);
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray)
{
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->GrayOut(gray);
}

void IGraphics::AssignParamNameToolTips()
{
  for (const auto& control : mControls)
    if (const IParam* param = control->GetParam()) control->SetTooltip(param->GetNameForHost());
}

// ---- Value prompt -----------------------------------------------------------------------

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* rect)
{
  if (!control || !param || !rect) return;
  char current[IParam::kDisplayLen];
  const IParam::EParamType type = param->Type();
  const bool menu =
      type == IParam::kTypeEnum || (type == IParam::kTypeBool && param->GetNDisplayTexts() > 0);
  if (!menu)
  {
    param->GetDisplayForHost(param->Value(), false, current, false);
    CreateTextEntry(control, control->GetText(), rect, current, param);
    return;
  }

  param->GetDisplayForHost(param->Value(), false, current, true);
  IPopupMenu popup;
  const int n = param->GetNDisplayTexts();
  for (int i = 0; i < n; ++i)
  {
    const char* text = param->GetDisplayText(i);
    popup.AddItem(text, -1,
                  std::strcmp(text, current) == 0 ? IPopupMenuItem::kItemChecked
                                                  : IPopupMenuItem::kNoFlags);
  }
  if (IPopupMenu* chosen = CreateIPopupMenu(&popup, rect))
  {
    const int idx = chosen->GetChosenItemIdx();
    if (idx >= 0 && idx < n) control->SetValueFromUserInput(param->GetNormalized(double(idx)));
  }
  // The menu took the release that would have ended the press.
  ReleaseMouseCapture();
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* str)
{
  if (!control || !param) return;
  double value = 0.0;
  const IParam::EParamType type = param->Type();
  if (type == IParam::kTypeBool || type == IParam::kTypeEnum)
  {
    double mapped = 0.0;
    if (param->MapDisplayText(str, &mapped)) value = mapped;
  }
  else
  {
    value = str ? std::strtod(str, nullptr) : 0.0;
    if (param->GetNegateDisplay()) value = -value;
  }
  control->SetValueFromUserInput(param->GetNormalized(value));
}

// ---- Draw cycle -------------------------------------------------------------------------

bool IGraphics::IsDirty(IRECT* r)
{
  bool dirty = false;
  for (const auto& control : mControls)
  {
    if (control->IsDirty())
    {
      *r = r->Union(control->GetRECT());
      dirty = true;
    }
  }
  return dirty;
}

// Strict: every control meeting r is drawn, every control is cleaned. Non-strict: a dirty
// background redraws everything; otherwise each dirty control is redrawn together with
// the controls overlapping it (a hidden one is painted over by them).
bool IGraphics::Draw(IRECT* r)
{
  if (mControls.empty()) return true;
  IControl* background = mControls.front().get();
  const int n = NControls();
  if (mStrict)
  {
    mDrawRECT = *r;
    for (const auto& control : mControls)
    {
      if (!control->IsHidden() && r->Intersects(control->GetRECT())) control->Draw(this);
      control->SetClean();
    }
  }
  else if (background->IsDirty())
  {
    mDrawRECT = background->GetRECT();
    for (int j = 0; j < n; ++j)
    {
      IControl* control = GetControl(j);
      if (j == 0 || !control->IsHidden())
      {
        control->Draw(this);
        control->SetClean();
      }
    }
  }
  else
  {
    for (int i = 1; i < n; ++i)
    {
      IControl* dirty = GetControl(i);
      if (!dirty->IsDirty()) continue;
      mDrawRECT = dirty->GetRECT();
      for (int j = 0; j < n; ++j)
      {
        IControl* control = GetControl(j);
        if (!control->IsHidden() && (j == i || control->GetRECT().Intersects(mDrawRECT)))
          control->Draw(this);
      }
      dirty->SetClean();
    }
  }
  return DrawScreen(r);
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

void IGraphics::OnGUIIdle()
{
  for (const auto& control : mControls)
    control->OnGUIIdle();
}
