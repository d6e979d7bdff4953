#pragma once
// A plug-in with parameters of each kind, a recording surface (RecordingGraphics.h), and
// small controls and bitmaps for driving them.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "graphics/IGraphics.h"
#include "tests/graphics/RecordingGraphics.h"
#include "tests/framework/TestEffect.h"

namespace graphicstest
{

// A plug-in with a 0..100 double "Gain" (label "%"), a three-way enumeration "Mode" and a
// boolean "Bypass" with display texts.
class TestPlug : public TestEffect
{
public:
  enum
  {
    kGain,
    kMode,
    kBypass,
    kNumParams
  };
  TestPlug() : TestEffect(kNumParams)
  {
    GetParam(kGain)->InitDouble("Gain", 50.0, 0.0, 100.0, 0.1, "%");
    GetParam(kMode)->InitEnum("Mode", 1, 3);
    GetParam(kMode)->SetDisplayText(0, "Soft");
    GetParam(kMode)->SetDisplayText(1, "Punch");
    GetParam(kMode)->SetDisplayText(2, "Hard");
    GetParam(kBypass)->InitBool("Bypass", false);
    GetParam(kBypass)->SetDisplayText(0, "off");
    GetParam(kBypass)->SetDisplayText(1, "on");
  }
};

// A control that records its draws and keys; draws nothing itself.
class RecordingControl : public IControl
{
public:
  RecordingControl(IEffectBase* plug, const IRECT& rect, int paramIdx = -1)
      : IControl(plug, rect, paramIdx)
  {
  }
  bool Draw(IGraphics* graphics) override
  {
    mDrawRects.push_back(graphics->GetDrawRECT());
    return true;
  }
  bool OnKeyDown(int, int, int key) override
  {
    mKeys.push_back(key);
    return mTakesKeys;
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override
  {
    mEvents.push_back("down");
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(int, int, IMouseMod*) override { mEvents.push_back("up"); }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override
  {
    mEvents.push_back("drag " + std::to_string(dX) + "," + std::to_string(dY));
  }
  int Draws() const { return static_cast<int>(mDrawRects.size()); }

  std::vector<IRECT> mDrawRects;
  std::vector<int> mKeys;
  std::vector<std::string> mEvents;
  bool mTakesKeys = true;
};

// A w x h memory bitmap whose pixel (x, y) is pixelAt(x, y); counts its deletions.
class PatternBitmap : public Raster_MemBitmap
{
public:
  PatternBitmap(int w, int h, const std::function<Raster_Pixel(int, int)>& pixelAt,
                int* deletions = nullptr)
      : Raster_MemBitmap(w, h, 4), mDeletions(deletions)
  {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        mBits[static_cast<size_t>(y * mSpan + x)] = pixelAt(x, y);
  }
  ~PatternBitmap() override
  {
    if (mDeletions) ++*mDeletions;
  }

private:
  int* mDeletions;
};

// An opaque strip of n frames of w x h, frame k (0-based) filled with grey level 10 * (k + 1).
inline PatternBitmap* FrameStrip(int w, int h, int n, bool horizontal = false)
{
  return new PatternBitmap(horizontal ? w * n : w, horizontal ? h : h * n,
                           [=](int x, int y)
                           {
                             const int k = horizontal ? x / w : y / h;
                             const int g = 10 * (k + 1);
                             return Raster_ARGB(255, g, g, g);
                           });
}

// A plug-in and its surface. The surface belongs to the test until Attach hands it to the
// plug-in (which pushes every parameter's value into the controls and prepares drawing).
class GraphicsTest : public testing::Test
{
protected:
  ~GraphicsTest() override
  {
    if (!mAttached) delete g;
  }
  void Attach()
  {
    plug.AttachGraphics(g);
    mAttached = true;
  }
  template <class C> C* Add(C* control)
  {
    g->AttachControl(control);
    return control;
  }

  TestPlug plug;
  TestGraphics* g = new TestGraphics(&plug);

private:
  bool mAttached = false;
};

// Pixel (x, y) of the surface.
inline Raster_Pixel PixelAt(IGraphics& g, int x, int y)
{
  return g.GetDrawBitmap()->getBits()[y * g.GetDrawBitmap()->getRowSpan() + x];
}

} // namespace graphicstest
