// A plug-in on the Audio Unit wrapper with what Kestrion lacks, so that a host can reach the
// wrapper's remaining paths: parameter groups (clumps), display texts, a negated display,
// three presets (one with a 63-character name), a tail, and probes.
//
// Probes, read by the host through ordinary properties and audio:
//   - every Reset raises the latency by one sample (SetLatency(number of resets so far)), so
//     kAudioUnitProperty_Latency counts the resets and latency listeners can be watched;
//   - the render writes what the wrapper's transport queries answer: left output frame 0 the
//     tempo, frames 1 and 2 the time signature (numerator, denominator; -1 when the host gave
//     none), right output frame 0 the sample position; every other sample is 0.
//
//   - its editor opens no window: the Carbon view's control is the bundle's ProbeWindowLog
//     (ProbeView.h), which counts the editor's window calls. It draws a background of
//     (A, R, G, B) = (255, 10, 20, 30) with a patch of (255, 200, 100, 50) at (10, 5)-(30, 15).
//
// Built twice: as 'Prob' with the channel configurations "1-1 2-2", and (PROBE_WIDE) as 'Wide'
// with "128-2 200-2", an input bus wider than the 128 buffers a pull can carry.
#include "au/IEffectAU.h"
#include "graphics/IBasicControls.h"
#include "tests/au/ProbeView.h"
#include "tests/graphics/RecordingGraphics.h"

#include <mutex>

#ifdef PROBE_WIDE
#define PROBE_CHANNEL_IO "128-2 200-2"
#define PROBE_SUBTYPE 0x57696465 /* 'Wide' */
#else
#define PROBE_CHANNEL_IO "1-1 2-2"
#define PROBE_SUBTYPE 0x50726f62 /* 'Prob' */
#endif

namespace
{
constexpr const char* kLongPresetName =
  "A preset name of sixty-three characters fills the whole field.."; // 63 characters
static_assert(sizeof("A preset name of sixty-three characters fills the whole field..") == 64, "");

autest::ProbeWindowLog gWindowLog;

class ProbeEditor : public graphicstest::TestGraphics
{
public:
  explicit ProbeEditor(IEffectBase* plug) : graphicstest::TestGraphics(plug)
  {
    const IColor background(255, 10, 20, 30), patch(255, 200, 100, 50);
    AttachPanelBackground(&background);
    AttachControl(new IPanelControl(plug, IRECT(10, 5, 30, 15), patch));
  }
  void* OpenWindow(void* window, void* /*parentControl*/, short /*left*/, short /*top*/) override
  {
    ++gWindowLog.opens;
    gWindowLog.window = window;
    return &gWindowLog;
  }
  void* OpenWindow(void* /*parent*/) override { return nullptr; }
  void CloseWindow() override { ++gWindowLog.closes; }
};

class Probe : public IEffectAU
{
public:
  Probe()
    : IEffectAU(IEffectInstanceInfo{"com.example.kestrion.probe", "Probe_View"}, 4, PROBE_CHANNEL_IO,
                3, "Probe", "", "Tests", 0x00010000, PROBE_SUBTYPE, 0x4b735473 /* 'KsTs' */, 0, false,
                false, false, 0)
  {
    GetParam(0)->InitDouble("Mix", 50.0, 0.0, 100.0, 0.01, "%", "A");
    GetParam(1)->InitEnum("Mode", 0, 3, "", "B");
    GetParam(1)->SetDisplayText(0, "Soft");
    GetParam(1)->SetDisplayText(1, "Hard");
    GetParam(1)->SetDisplayText(2, "Off");
    GetParam(2)->InitDouble("Depth", -6.0, -24.0, 0.0, 0.01, "dB", "A");
    GetParam(2)->NegateDisplay();
    GetParam(3)->InitBool("Enable", true);
    mTailSize = 441;
    MakePreset("-", 50.0, 0, -6.0, 1);
    MakePreset("Second", 25.0, 1, -12.0, 0);
    MakePreset(kLongPresetName, 75.0, 2, -18.0, 1);
    AttachGraphics(new ProbeEditor(this));
  }

  void Reset() override
  {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    SetLatency(++mResets);
  }

  void ProcessDoubleReplacing(double** /*inputs*/, double** outputs, int nFrames) override
  {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = 0.0;
    if (nFrames < 3)
      return;
    int numerator = -1, denominator = -1;
    GetTimeSig(&numerator, &denominator);
    outputs[0][0] = GetTempo();
    outputs[0][1] = numerator;
    outputs[0][2] = denominator;
    outputs[1][0] = GetSamplePos();
  }

private:
  int mResets = 0;
};
} // namespace

IEffectAU* MakePlug()
{
  static std::recursive_mutex sMutex;
  std::lock_guard<std::recursive_mutex> lock(sMutex);
  return new Probe();
}

extern "C" __attribute__((visibility("default"))) ComponentResult AuTestProbe_Entry(
  ComponentParameters* params, Handle storage)
{
  return IEffectAU::IEffectAUEntry(params, storage);
}

extern "C" __attribute__((visibility("default"))) ComponentResult
AuTestProbe_ViewEntry(ComponentParameters* params, Handle storage)
{
  return IEffectAU::IEffectAUCarbonViewEntry(params, storage);
}
