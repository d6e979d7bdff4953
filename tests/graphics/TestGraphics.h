#pragma once
// A graphics surface whose platform operations only record what they were asked; the rest
// is the real editor on the real raster layer. Plus a plug-in with parameters of each
// kind and small controls and bitmaps for driving it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "graphics/IGraphics.h"
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

class TestGraphics : public IGraphics
{
public:
  explicit TestGraphics(IEffectBase* plug, int w = 100, int h = 60) : IGraphics(plug, w, h) {}

  struct TextEntry
  {
    IControl* control;
    IRECT rect;
    std::string text;
    IParam* param;
  };
  struct MenuShown
  {
    std::vector<std::string> texts;
    std::vector<bool> checked;
    IRECT rect;
  };

  bool DrawScreen(IRECT* r) override
  {
    mScreens.push_back(*r);
    return true;
  }
  void ForceEndUserEdit() override {}
  int ShowMessageBox(const char*, const char*, int) override { return 0; }
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) override
  {
    MenuShown shown{{}, {}, *rect};
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
      shown.texts.push_back(menu->GetItemText(i));
      shown.checked.push_back(menu->IsItemChecked(i));
    }
    mMenus.push_back(shown);
    if (mMenuChoice < 0) return nullptr;
    menu->SetChosenItemIdx(mMenuChoice);
    return menu;
  }
  void CreateTextEntry(IControl* control, IText*, IRECT* rect, const char* str,
                       IParam* param) override
  {
    mTextEntries.push_back({control, *rect, str, param});
  }
  void HostPath(std::string*) override {}
  void PluginPath(std::string*) override {}
  void DesktopPath(std::string*) override {}
  void AppSupportPath(std::string*, bool) override {}
  void SandboxSafeAppSupportPath(std::string*) override {}
  void PromptForFile(std::string* file, EFileAction, std::string*, const char*) override
  {
    ++mFilePrompts;
    if (file) *file = mFileAnswer;
  }
  bool PromptForColor(IColor*, const char*) override { return false; }
  bool OpenURL(const char* url, const char*, const char*, const char*) override
  {
    mURLs.push_back(url);
    return mOpenURLSucceeds;
  }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  bool GetTextFromClipboard(std::string*) override { return false; }
  void UpdateTooltips() override {}
  Raster_IBitmap* OSLoadBitmap(int id, const char* name) override
  {
    mLoads.push_back(name);
    return mLoader ? mLoader(id, name) : nullptr;
  }

  std::vector<IRECT> mScreens;
  std::vector<MenuShown> mMenus;
  int mMenuChoice = -1;
  std::vector<TextEntry> mTextEntries;
  int mFilePrompts = 0;
  std::string mFileAnswer;
  std::vector<std::string> mURLs;
  bool mOpenURLSucceeds = true;
  std::vector<std::string> mLoads;
  std::function<Raster_IBitmap*(int, const char*)> mLoader;
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
