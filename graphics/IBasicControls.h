#pragma once
// Panels and bitmap controls: a colour fill, a bitmap strip showing the frame for the
// value, and the switch family built on it.

#include "graphics/IControl.h"

// A rectangle filled with one colour.
class IPanelControl : public IControl
{
public:
  IPanelControl(IEffectBase* plug, const IRECT& rect, const IColor& color);
  bool Draw(IGraphics* graphics) override;

protected:
  IColor mColor;
};

// A bitmap strip at (x, y) showing the frame for the value: value 0 the first frame,
// value 1 the last. The control is one frame in size.
class IBitmapControl : public IControl
{
public:
  IBitmapControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                 int blendMethod = IChannelBlend::kBlendDefault);
  bool Draw(IGraphics* graphics) override;

  const IBitmap& GetIBitmap() const { return mBitmap; }
  // The 1-based frame of a strip of n frames that shows value.
  static int FrameForValue(double value, int n);

protected:
  IBitmap mBitmap;
};
