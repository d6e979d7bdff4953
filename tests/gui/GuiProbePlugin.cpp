// A plug-in with a real editor view, for the view tests while the Kestrion unit may still be
// without one: a 578 x 299 IGraphicsMac with a plain panel and two bitmap knobs, for
// parameter 0 "Attack" (-100 .. 100 %) at (38, 56), where Kestrion has its Attack knob, and
// for the integer parameter 1 "Steps" (0 .. 100) at (397, 56). Unlike Kestrion's, both knobs
// open the value text field on a right-click. The knob strip (100 frames of 48 x 48) comes
// from the bundle's Resources like Kestrion's bitmaps.
//
// Its Cocoa classes carry the suffix _vGuiProbe_au and its view factory is GuiProbe_View, so
// it can share a process with Kestrion.
#include "au/IEffectAU.h"
#include "graphics/IBasicControls.h"
#include "graphics/IGraphicsMac.h"
#include "graphics/IKnobControls.h"

#include <mutex>

namespace
{
constexpr const char* kBundleID = "com.example.kestrion.guiprobe";

class GuiProbe : public IEffectAU
{
public:
  GuiProbe()
      : IEffectAU(IEffectInstanceInfo{kBundleID, "GuiProbe_View"}, 2, "1-1 2-2", 1, "GuiProbe", "",
                  "Tests", 0x00010000, 0x47756950 /* 'GuiP' */, 0x4b735473 /* 'KsTs' */, 0, false,
                  false, false, 0)
  {
    GetParam(0)->InitDouble("Attack", 0.0, -100.0, 100.0, 1.0, "%");
    GetParam(1)->InitInt("Steps", 0, 0, 100);
    MakeDefaultPreset("-", 1);

    auto* editor = new IGraphicsMac(this, 578, 299, 0);
    editor->SetBundleID(kBundleID);
    const IColor panel(255, 46, 52, 64);
    editor->AttachPanelBackground(&panel);
    IBitmap knob = editor->LoadIBitmap(101, "resources/img/knob.png", 100);
    for (int param : {0, 1})
    {
      auto* control = new IKnobMultiControl(this, param ? 397 : 38, 56, param, &knob);
      control->DisablePrompt(false);
      editor->AttachControl(control);
    }
    AttachGraphics(editor);
  }

  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override
  {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = inputs[c][i];
  }
};
} // namespace

IEffectAU* MakePlug()
{
  static std::recursive_mutex sMutex;
  std::lock_guard<std::recursive_mutex> lock(sMutex);
  return new GuiProbe();
}

extern "C" __attribute__((visibility("default"))) ComponentResult
GuiProbe_Entry(ComponentParameters* params, Handle storage)
{
  return IEffectAU::IEffectAUEntry(params, storage);
}

extern "C" __attribute__((visibility("default"))) ComponentResult
GuiProbe_ViewEntry(ComponentParameters* params, Handle storage)
{
  return IEffectAU::IEffectAUCarbonViewEntry(params, storage);
}
