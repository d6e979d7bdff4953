#include "graphics/ISwitchControls.h"

#include <algorithm>

#include "graphics/IGraphics.h"

namespace
{

// The value of part idx of n parts: 0 for the first, 1 for the last (0 with one part).
double PartValue(int idx, int n)
{
  return n > 1 ? double(idx) / (n - 1) : 0.0;
}

// Index of the first rectangle containing (x, y), or -1.
int PartAt(const std::vector<IRECT>& parts, int x, int y)
{
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i].Contains(x, y)) return static_cast<int>(i);
  return -1;
}

} // namespace

// ---------------------------------------------------------------------------------------
void ISwitchControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  mValue += mBitmap.N > 1 ? 1.0 / (mBitmap.N - 1) : 1.0;
  if (mValue > 1.001) mValue = 0.0;
  SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, IMouseMod* mod)
{
  OnMouseDown(x, y, mod);
}

// ---------------------------------------------------------------------------------------
ISwitchPopUpControl::ISwitchPopUpControl(IEffectBase* plug, int x, int y, int paramIdx,
                                         const IBitmap* bitmap, int blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod)
{
  mDisablePrompt = false;
}

void ISwitchPopUpControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  PromptUserInput();
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
ISwitchFramesControl::ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx,
                                           const IBitmap* bitmap, bool framesAreHorizontal,
                                           int blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod)
{
  mDisablePrompt = false;
  const int n = std::max(mBitmap.N, 1);
  for (int i = 0; i < n; ++i)
  {
    if (framesAreHorizontal)
    {
      const int w = mRECT.W() / n;
      mRECTs.emplace_back(mRECT.L + i * w, mRECT.T, mRECT.L + (i + 1) * w, mRECT.B);
    }
    else
    {
      const int h = mRECT.H() / n;
      mRECTs.emplace_back(mRECT.L, mRECT.T + i * h, mRECT.R, mRECT.T + (i + 1) * h);
    }
  }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, IMouseMod* /*mod*/)
{
  const int idx = PartAt(mRECTs, x, y);
  if (idx >= 0) mValue = PartValue(idx, static_cast<int>(mRECTs.size()));
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
void IContactControl::OnMouseUp(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  mValue = 0.0;
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
IBitmapOverlayControl::IBitmapOverlayControl(IEffectBase* plug, int x, int y, int paramIdx,
                                             const IBitmap* bitmap, const IRECT& targetArea)
    : ISwitchControl(plug, x, y, paramIdx, bitmap), mTargetArea(targetArea)
{
}

bool IBitmapOverlayControl::Draw(IGraphics* graphics)
{
  if (mValue < 0.5)
  {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return IBitmapControl::Draw(graphics);
}

// ---------------------------------------------------------------------------------------
IInvisibleSwitchControl::IInvisibleSwitchControl(IEffectBase* plug, const IRECT& rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend::kBlendCopy)
{
}

void IInvisibleSwitchControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
IRadioButtonsControl::IRadioButtonsControl(IEffectBase* plug, const IRECT& rect, int paramIdx,
                                           int nButtons, const IBitmap* bitmap,
                                           EDirection direction, bool reverse)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap ? *bitmap : IBitmap())
{
  const int n = std::max(nButtons, 1);
  const int w = mBitmap.W;
  const int h = int(double(mBitmap.H) / std::max(mBitmap.N, 1));
  // Space between buttons; a single button has none.
  auto gap = [n](int room, int size) { return n > 1 ? int(double(room - n * size) / (n - 1)) : 0; };
  if (direction == kHorizontal)
  {
    const int step = w + gap(rect.W(), w);
    int x = reverse ? rect.R - step : rect.L;
    for (int i = 0; i < n; ++i, x += reverse ? -step : step)
      mRECTs.emplace_back(x, rect.T, x + w, rect.T + h);
  }
  else
  {
    const int step = h + gap(rect.H(), h);
    int y = reverse ? rect.B - step : rect.T;
    for (int i = 0; i < n; ++i, y += reverse ? -step : step)
      mRECTs.emplace_back(rect.L, y, rect.L + w, y + h);
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->R)
  {
    PromptUserInput();
    return;
  }
  const int idx = PartAt(mRECTs, x, y);
  if (idx >= 0) mValue = PartValue(idx, static_cast<int>(mRECTs.size()));
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics)
{
  const int n = static_cast<int>(mRECTs.size());
  const int active = std::clamp(int(mValue * (n - 1) + 0.5), 0, n - 1);
  for (int i = 0; i < n; ++i)
    graphics->DrawBitmap(&mBitmap, &mRECTs[static_cast<size_t>(i)], i == active ? 2 : 1, &mBlend);
  return true;
}
