#include "graphics/IKnobControls.h"

#include <cmath>

#include "graphics/IBasicControls.h"
#include "graphics/IGraphics.h"

namespace
{

bool FineAdjust(const IMouseMod* mod)
{
  return mod && (mod->C || mod->S);
}

// The rectangle of a bitmap at (x, y): its whole size, or one frame of a strip.
IRECT BitmapRECT(int x, int y, const IBitmap* bitmap, bool oneFrame)
{
  if (!bitmap) return IRECT(x, y, x, y);
  return IRECT(x, y, x + bitmap->W, y + (oneFrame ? bitmap->FrameHeight() : bitmap->H));
}

} // namespace

// ---------------------------------------------------------------------------------------
IKnobControl::IKnobControl(IEffectBase* plug, const IRECT& rect, int paramIdx, EDirection direction,
                           double gearing, int blendMethod)
    : IControl(plug, rect, paramIdx, blendMethod), mDirection(direction), mGearing(gearing)
{
}

void IKnobControl::OnMouseDrag(int /*x*/, int /*y*/, int dX, int dY, IMouseMod* mod)
{
  const double gearing = FineAdjust(mod) ? mGearing * 10.0 : mGearing;
  // Moving up raises the value: T - B is negative.
  const bool horizontal = mDirection == kHorizontal;
  const int span = horizontal ? mRECT.R - mRECT.L : mRECT.T - mRECT.B;
  if (span == 0 || gearing == 0.0) return;
  mValue += double(horizontal ? dX : dY) / double(span) / gearing;
  SetDirty(true);
}

double IKnobControl::WheelDelta(const IMouseMod* mod, int d)
{
  return d * (FineAdjust(mod) ? 0.001 : 0.01);
}

void IKnobControl::OnMouseWheel(int /*x*/, int /*y*/, IMouseMod* mod, int d)
{
  mValue += WheelDelta(mod, d);
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
IKnobLineControl::IKnobLineControl(IEffectBase* plug, const IRECT& rect, int paramIdx,
                                   const IColor& color, double innerRadius, double outerRadius,
                                   double minAngle, double maxAngle, EDirection direction,
                                   double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing, IChannelBlend::kBlendCopy),
      mColor(color), mMinAngle(float(minAngle)), mMaxAngle(float(maxAngle)),
      mInnerRadius(float(innerRadius)),
      mOuterRadius(outerRadius == 0.0 ? 0.5f * float(rect.W()) : float(outerRadius))
{
}

bool IKnobLineControl::Draw(IGraphics* graphics)
{
  const double a = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  const float cX = float(mRECT.L + mRECT.R) * 0.5f, cY = float(mRECT.T + mRECT.B) * 0.5f;
  return graphics->DrawRadialLine(&mColor, cX, cY, float(a), mInnerRadius, mOuterRadius, &mBlend,
                                  true);
}

// ---------------------------------------------------------------------------------------
IKnobRotaterControl::IKnobRotaterControl(IEffectBase* plug, int x, int y, int paramIdx,
                                         const IBitmap* bitmap, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, EDirection direction, double gearing)
    : IKnobControl(plug, BitmapRECT(x, y, bitmap, false), paramIdx, direction, gearing),
      mBitmap(bitmap ? *bitmap : IBitmap()), mMinAngle(minAngle), mMaxAngle(maxAngle),
      mYOffset(yOffsetZeroDeg)
{
}

bool IKnobRotaterControl::Draw(IGraphics* graphics)
{
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  return graphics->DrawRotatedBitmap(&mBitmap, (mRECT.L + mRECT.R) / 2, (mRECT.T + mRECT.B) / 2,
                                     angle, mYOffset, &mBlend);
}

// ---------------------------------------------------------------------------------------
IKnobMultiControl::IKnobMultiControl(IEffectBase* plug, int x, int y, int paramIdx,
                                     const IBitmap* bitmap, EDirection direction, double gearing)
    : IKnobControl(plug, BitmapRECT(x, y, bitmap, true), paramIdx, direction, gearing),
      mBitmap(bitmap ? *bitmap : IBitmap())
{
}

bool IKnobMultiControl::Draw(IGraphics* graphics)
{
  return graphics->DrawBitmap(&mBitmap, &mRECT, IBitmapControl::FrameForValue(mValue, mBitmap.N),
                              &mBlend);
}

// ---------------------------------------------------------------------------------------
IKnobRotatingMaskControl::IKnobRotatingMaskControl(IEffectBase* plug, int x, int y, int paramIdx,
                                                   const IBitmap* base, const IBitmap* mask,
                                                   const IBitmap* top, double minAngle,
                                                   double maxAngle, EDirection direction,
                                                   double gearing)
    : IKnobControl(plug, BitmapRECT(x, y, base, false), paramIdx, direction, gearing),
      mBase(base ? *base : IBitmap()), mMask(mask ? *mask : IBitmap()),
      mTop(top ? *top : IBitmap()), mMinAngle(minAngle), mMaxAngle(maxAngle)
{
}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics)
{
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  return graphics->DrawRotatedMask(&mBase, &mMask, &mTop, mRECT.L, mRECT.T, angle, &mBlend);
}

// ---------------------------------------------------------------------------------------
namespace
{

IRECT TrackRECT(int x, int y, int len, const IBitmap* bitmap, IControl::EDirection direction)
{
  const int w = bitmap ? bitmap->W : 0, h = bitmap ? bitmap->FrameHeight() : 0;
  return direction == IControl::kVertical ? IRECT(x, y, x + w, y + len)
                                          : IRECT(x, y, x + len, y + h);
}

} // namespace

IFaderControl::IFaderControl(IEffectBase* plug, int x, int y, int len, int paramIdx,
                             const IBitmap* bitmap, EDirection direction, bool onlyHandle)
    : IControl(plug, TrackRECT(x, y, len, bitmap, direction), paramIdx), mLen(len),
      mBitmap(bitmap ? *bitmap : IBitmap()), mDirection(direction), mOnlyHandle(onlyHandle)
{
  mHandleHeadroom = direction == kVertical ? mBitmap.FrameHeight() : mBitmap.W;
}

IRECT IFaderControl::GetHandleRECT(double v) const
{
  if (v < 0.0) v = mValue;
  IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.W, mRECT.T + mBitmap.FrameHeight());
  const int travel = mLen - mHandleHeadroom;
  if (mDirection == kVertical)
  {
    const int offset = int((1.0 - v) * travel);
    r.T += offset;
    r.B += offset;
  }
  else
  {
    const int offset = int(v * travel);
    r.L += offset;
    r.R += offset;
  }
  return r;
}

void IFaderControl::SnapToMouse(int x, int y)
{
  const int travel = mLen - mHandleHeadroom;
  if (travel > 0)
  {
    if (mDirection == kVertical)
      mValue = 1.0 - double(y - mRECT.T - mHandleHeadroom / 2) / travel;
    else
      mValue = double(x - mRECT.L - mHandleHeadroom / 2) / travel;
  }
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->R)
    PromptUserInput();
  else
    SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int /*dX*/, int /*dY*/, IMouseMod* /*mod*/)
{
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int /*x*/, int /*y*/, IMouseMod* mod, int d)
{
  mValue += IKnobControl::WheelDelta(mod, d);
  SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* graphics)
{
  IRECT handle = GetHandleRECT();
  return graphics->DrawBitmap(&mBitmap, &handle, 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y)
{
  return mOnlyHandle ? GetHandleRECT().Contains(x, y) : mTargetRECT.Contains(x, y);
}
