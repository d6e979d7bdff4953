#include "plugin/MyIBitmapControl.h"

#include "graphics/IGraphics.h"
#include "plugin/Kestrion.h"

#include <cmath>

MyIBitmapControl::MyIBitmapControl(Kestrion* plug, int x, int y, const IBitmap* bitmap,
                                   IChannelBlend::EBlendMethod blendMethod)
    : IBitmapControl(plug, x, y, -1, bitmap, blendMethod), mProcessor(plug)
{
}

bool MyIBitmapControl::Draw(IGraphics* graphics)
{
  // Limited to 1 (a meter that is not a number lights up) before the frame is chosen; the
  // control's clamp would do the same only afterwards.
  mValue = std::fmin(std::fabs(mProcessor->GetMeter()) * 0.5, 1.0);
  const bool drawn =
      graphics->DrawBitmap(&mBitmap, &mRECT, FrameForValue(mValue, mBitmap.N), &mBlend);
  SetDirty(true);
  mRedraw = true;
  mProcessor->ResetPeaks();
  return drawn;
}
