#pragma once
// Switches: bitmap switches stepping through their frames, a switch that opens the value
// prompt, a switch picking the frame under the pointer, a momentary contact, an overlay
// that shows only when on, an invisible toggle and a row or column of radio buttons.

#include <vector>

#include "graphics/IBasicControls.h"

// Each press (and each double-click) steps to the next frame, wrapping to the first
// after the last.
class ISwitchControl : public IBitmapControl
{
public:
  using IBitmapControl::IBitmapControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
};

// A press opens the value prompt (enabled from construction).
class ISwitchPopUpControl : public ISwitchControl
{
public:
  ISwitchPopUpControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                      int blendMethod = IChannelBlend::kBlendDefault);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
};

// The control's rectangle, one frame in size, is cut into N equal parts, side by side
// or stacked; a press picks the value of the part under the pointer.
class ISwitchFramesControl : public ISwitchControl
{
public:
  ISwitchFramesControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                       bool framesAreHorizontal = false,
                       int blendMethod = IChannelBlend::kBlendDefault);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;

  const std::vector<IRECT>& FrameRECTs() const { return mRECTs; }

protected:
  std::vector<IRECT> mRECTs;
};

// Steps like a switch while pressed and returns to 0 on release.
class IContactControl : public ISwitchControl
{
public:
  using ISwitchControl::ISwitchControl;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

// Off (value below 0.5): draws nothing and is hit only in its target area. On: draws its
// frame and is hit in its whole rectangle.
class IBitmapOverlayControl : public ISwitchControl
{
public:
  IBitmapOverlayControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                        const IRECT& targetArea);
  bool Draw(IGraphics* graphics) override;

protected:
  IRECT mTargetArea;
};

// A rectangle that toggles between 0 and 1 when pressed; draws nothing.
class IInvisibleSwitchControl : public IControl
{
public:
  IInvisibleSwitchControl(IEffectBase* plug, const IRECT& rect, int paramIdx);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics*) override { return true; }
};

// nButtons buttons drawn from a two-frame bitmap (frame 2 for the active one), spread
// evenly over the rectangle from its top or left, or, reversed, from its bottom or right.
class IRadioButtonsControl : public IControl
{
public:
  IRadioButtonsControl(IEffectBase* plug, const IRECT& rect, int paramIdx, int nButtons,
                       const IBitmap* bitmap, EDirection direction = kVertical,
                       bool reverse = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;

  const std::vector<IRECT>& ButtonRECTs() const { return mRECTs; }

protected:
  std::vector<IRECT> mRECTs;
  IBitmap mBitmap;
};
