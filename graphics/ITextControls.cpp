#include "graphics/ITextControls.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cstring>

std::string ParamDisplayText(const IParam& param, bool withLabel)
{
  constexpr size_t kMaxPart = 32;
  char display[IParam::kDisplayLen];
  param.GetDisplayForHost(display, true);
  std::string text(display, std::min(std::strlen(display), kMaxPart));
  if (withLabel)
  {
    const char* label = param.GetLabelForHost();
    text += ' ';
    text.append(label, std::min(std::strlen(label), kMaxPart));
  }
  return text;
}

ITextControl::ITextControl(IEffectBase* plug, const IRECT& rect, const IText* text, const char* str)
    : IControl(plug, rect), mStr(str ? str : "")
{
  if (text) mText = *text;
}

bool ITextControl::Draw(IGraphics* graphics)
{
  const std::string str = GetTextString();
  if (str.empty()) return true;
  IRECT rect = mRECT;
  return graphics->DrawIText(&mText, str.c_str(), &rect);
}

// The redraw flag as well: an editor that copied the old text just before the change, and
// cleans the control after drawing it, draws it once more.
void ITextControl::SetTextFromPlug(const char* str)
{
  if (!StoreText(str)) return;
  SetDirty(false);
  mRedraw = true;
}

bool ITextControl::StoreText(const char* str)
{
  return mStr.Set(str);
}

std::string ITextControl::GetTextString() const
{
  return mStr.Get();
}

// ---------------------------------------------------------------------------------------

ICaptionControl::ICaptionControl(IEffectBase* plug, const IRECT& rect, int paramIdx,
                                 const IText* text, bool showParamLabel)
    : ITextControl(plug, rect, text), mShowParamLabel(showParamLabel)
{
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* mod)
{
  if (mod && (mod->L || mod->R)) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  PromptUserInput();
}

bool ICaptionControl::Draw(IGraphics* graphics)
{
  if (const IParam* param = GetParam())
    StoreText(ParamDisplayText(*param, mShowParamLabel).c_str());
  return ITextControl::Draw(graphics);
}
