#pragma once
// The editor's clip light: a two-frame strip (off, on) that shows "on" while the plug-in's
// smoothed output peak is at full scale. It redraws itself on every refresh tick and clears
// the plug-in's held peaks each time it draws.
//
// Threads. Draws on the editor's thread; reads the meter and clears the peaks without a
// lock (both are relaxed atomics in the plug-in).

#include "graphics/IBasicControls.h"

class Kestrion;

class MyIBitmapControl : public IBitmapControl
{
public:
  MyIBitmapControl(Kestrion* plug, int x, int y, const IBitmap* bitmap,
                   IChannelBlend::EBlendMethod blendMethod);
  ~MyIBitmapControl() override = default;

  // Shows the frame for |meter| / 2 (frame 2 of two exactly when |meter| >= 1), stays dirty
  // for the next tick and clears the plug-in's peaks. The result of drawing the frame.
  bool Draw(IGraphics* graphics) override;

private:
  Kestrion* mProcessor; // not owned
};
