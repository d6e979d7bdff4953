#include "graphics/IBasicControls.h"

#include "graphics/IGraphics.h"

IPanelControl::IPanelControl(IEffectBase* plug, const IRECT& rect, const IColor& color)
    : IControl(plug, rect), mColor(color)
{
}

bool IPanelControl::Draw(IGraphics* graphics)
{
  return graphics->FillIRect(&mColor, &mRECT, &mBlend);
}

// ---------------------------------------------------------------------------------------
namespace
{

IRECT FrameRECT(int x, int y, const IBitmap* bitmap)
{
  return bitmap ? IRECT(x, y, x + bitmap->W, y + bitmap->FrameHeight()) : IRECT(x, y, x, y);
}

} // namespace

IBitmapControl::IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                               int blendMethod)
    : IControl(plug, FrameRECT(x, y, bitmap), paramIdx, blendMethod),
      mBitmap(bitmap ? *bitmap : IBitmap())
{
}

int IBitmapControl::FrameForValue(double value, int n)
{
  if (n < 2) return 1;
  const int d = int((n - 1) * value + 0.5);
  if (d < 0) return 1;
  return d < n ? d + 1 : n;
}

bool IBitmapControl::Draw(IGraphics* graphics)
{
  return graphics->DrawBitmap(&mBitmap, &mRECT, FrameForValue(mValue, mBitmap.N), &mBlend);
}
