// Mouse and key dispatch: finding the control under the pointer, the mouse capture from
// press to release, and the begin/end gesture notifications to the plug-in.
#include "framework/IEffectBase.h"
#include "graphics/IGraphics.h"

int IGraphics::GetMouseControlIdx(int x, int y, bool mo)
{
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = NControls() - 1; i >= 0; --i)
  {
    IControl* control = GetControl(i);
    const bool grayTest = !control->IsGrayed() || (mo && control->GetMOWhenGrayed());
    if (!control->IsHidden() && grayTest && control->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture()
{
  mMouseCapture = mMouseX = mMouseY = -1;
  EndGesture();
}

// Every begin-of-change sent to the plug-in is matched by exactly one end: at the release,
// or earlier when a value prompt, a resize or a lost release takes the capture away.
void IGraphics::EndGesture()
{
  const int paramIdx = mGestureParam;
  mGestureParam = -1;
  if (paramIdx >= 0 && mPlug) mPlug->EndInformHostOfParamChange(paramIdx);
}

void IGraphics::OnMouseDown(int x, int y, IMouseMod* mod)
{
  ReleaseMouseCapture();
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return;
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  IControl* control = GetControl(c);
  const int paramIdx = control->ParamIdx();
  if (paramIdx >= 0 && mPlug)
  {
    mGestureParam = paramIdx;
    mPlug->BeginInformHostOfParamChange(paramIdx);
  }
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* mod)
{
  IControl* control = GetControl(GetMouseControlIdx(x, y));
  mMouseCapture = mMouseX = mMouseY = -1;
  if (control) control->OnMouseUp(x, y, mod);
  EndGesture();
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* mod)
{
  IControl* control = GetControl(mMouseCapture);
  if (!control) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  if (dX == 0 && dY == 0) return;
  mMouseX = x;
  mMouseY = y;
  control->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* mod)
{
  ReleaseMouseCapture();
  const int c = GetMouseControlIdx(x, y);
  IControl* control = GetControl(c);
  if (!control) return false;
  if (control->GetDblAsSingleClick())
  {
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
    return true;
  }
  control->OnMouseDblClick(x, y, mod);
  return false;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* mod, int d)
{
  if (IControl* control = GetControl(GetMouseControlIdx(x, y))) control->OnMouseWheel(x, y, mod, d);
}

bool IGraphics::OnMouseOver(int x, int y, IMouseMod* mod)
{
  if (!mHandleMouseOver) return false;
  const int c = GetMouseControlIdx(x, y, true);
  if (IControl* control = GetControl(c))
  {
    mMouseX = x;
    mMouseY = y;
    control->OnMouseOver(x, y, mod);
    if (mMouseOver != c)
      if (IControl* previous = GetControl(mMouseOver)) previous->OnMouseOut();
    mMouseOver = c;
  }
  return mHandleMouseOver;
}

void IGraphics::OnMouseOut()
{
  for (const auto& control : mControls)
    control->OnMouseOut();
  mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
  const int c = GetMouseControlIdx(x, y);
  if (c > 0) return GetControl(c)->OnKeyDown(x, y, key);
  return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
}

int IGraphics::GetParamIdxForPTAutomation(int x, int y)
{
  const int c = GetMouseControlIdx(x, y);
  mLastClickedParam = c > 0 ? GetControl(c)->ParamIdx() : -1;
  return mLastClickedParam;
}

int IGraphics::GetLastClickedParamForPTAutomation()
{
  const int param = mLastClickedParam;
  mLastClickedParam = -1;
  return param;
}
