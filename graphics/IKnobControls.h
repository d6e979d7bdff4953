#pragma once
// Knobs and faders. IKnobControl is the dragging and wheel behaviour shared by the knobs;
// its subclasses only draw: a line, a rotated bitmap, a frame of a strip, or a rotated
// mask. IFaderControl moves a handle bitmap along a track to the pointer.

#include "graphics/IControl.h"

constexpr double kDefaultKnobGearing = 4.0;

class IKnobControl : public IControl
{
public:
  IKnobControl(IEffectBase* plug, const IRECT& rect, int paramIdx, EDirection direction = kVertical,
               double gearing = kDefaultKnobGearing,
               int blendMethod = IChannelBlend::kBlendDefault);

  // Moving by the knob's height (vertical; width when horizontal) times the gearing sweeps
  // the whole range; ten times as far with Control or Shift.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  // 0.01 per wheel step, 0.001 with Control or Shift.
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;

  // The value change of d wheel steps.
  static double WheelDelta(const IMouseMod* mod, int d);

protected:
  EDirection mDirection;
  double mGearing;
};

// A line from the inner to the outer radius at the value's angle (radians, 0 up,
// clockwise). An outer radius of 0 reaches half the rectangle's width.
class IKnobLineControl : public IKnobControl
{
public:
  IKnobLineControl(IEffectBase* plug, const IRECT& rect, int paramIdx, const IColor& color,
                   double innerRadius = 0.0, double outerRadius = 0.0,
                   double minAngle = -0.75 * 3.14159265358979323846,
                   double maxAngle = 0.75 * 3.14159265358979323846,
                   EDirection direction = kVertical, double gearing = kDefaultKnobGearing);
  bool Draw(IGraphics* graphics) override;

protected:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// A bitmap at (x, y) turned to the value's angle (radians) about its centre, moved down by
// yOffsetZeroDeg.
class IKnobRotaterControl : public IKnobControl
{
public:
  IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                      double minAngle = -0.75 * 3.14159265358979323846,
                      double maxAngle = 0.75 * 3.14159265358979323846, int yOffsetZeroDeg = 0,
                      EDirection direction = kVertical, double gearing = kDefaultKnobGearing);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A strip at (x, y) showing the frame for the value: value 0 the first, 1 the last.
class IKnobMultiControl : public IKnobControl
{
public:
  IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* bitmap,
                    EDirection direction = kVertical, double gearing = kDefaultKnobGearing);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
};

// A base bitmap at (x, y) with a mask and a top bitmap turned to the value's angle in
// degrees.
class IKnobRotatingMaskControl : public IKnobControl
{
public:
  IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx, const IBitmap* base,
                           const IBitmap* mask, const IBitmap* top, double minAngle = -135.0,
                           double maxAngle = 135.0, EDirection direction = kVertical,
                           double gearing = kDefaultKnobGearing);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};

// A handle bitmap on a track of len pixels from (x, y), downward when vertical (value 1 at
// the top), rightward when horizontal. Presses and drags put the handle's centre at the
// pointer; a right-button press opens the value prompt.
class IFaderControl : public IControl
{
public:
  IFaderControl(IEffectBase* plug, int x, int y, int len, int paramIdx, const IBitmap* bitmap,
                EDirection direction = kVertical, bool onlyHandle = false);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override;
  bool Draw(IGraphics* graphics) override;
  // With only-handle, only the handle is hit.
  bool IsHit(int x, int y) override;
  virtual void SnapToMouse(int x, int y);

  // The handle's rectangle at value v (v < 0: the current value).
  IRECT GetHandleRECT(double v = -1.0) const;
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }

protected:
  int mLen, mHandleHeadroom;
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};
