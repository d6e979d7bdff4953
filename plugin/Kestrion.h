#pragma once
// Kestrion: a stereo (or mono) transient shaper. Every sample's dynamics are split into an
// attack part (a fast power follower minus a slow one) and a sustain part (a long-release
// follower minus a short-release one), both measured on a high-passed detection copy of the
// input; a gain in decibels proportional to each part is applied, positive settings boosting
// and negative ones cutting. Stereo links, an output gain and a smoothed output peak for the
// editor's clip light complete it.
//
// Threads: OnParamChange and OnSampleRateChange run on any thread under the plug-in's mutex
// and write only relaxed atomics (OnParamChangeLockFree is the same mapping without the mutex,
// for wrappers that set parameters on the render thread); ProcessDoubleReplacing runs on the
// render thread without a lock, reads those values once per block, allocates nothing and
// never calls the editor. The editor's clip light reads the meter and clears the peaks from
// its own thread.
//
// The detection (filter, followers, links, meter) is exact IEEE arithmetic in a fixed order;
// the gains 10^(dB / 20) come from vecmath's vector exp10, accurate to 1 ulp, on whichever
// instruction set the CPU offers.

#include "plugin/Envelope.h"
#include "plugin/Filter.h"
#include "plugin/KestrionBase.h"
#include "plugin/KestrionIdentity.h"
#if !defined(KESTRION_LV2)
#include "graphics/IGraphicsTypes.h"
#endif

#include <atomic>
#include <memory>

class IBitmapTextControl;
class IGraphics;

class Kestrion : public KestrionBase
{
public:
  enum EParams
  {
    kAttack = 0,
    kSustain = 1,
    kAttackLink = 2,
    kAttackLength = 3,
    kGain = 4,
    kSCHPF = 5,
    kSustainLink = 6,
    kSustainLength = 7,
    kNumParams = 8
  };

  static constexpr int kUniqueID = KESTRION_FOURCC;
  static constexpr int kMfrID = KESTRION_FOURCC;
  static constexpr int kVersion = KESTRION_VERSION_PACKED;
  static constexpr int kReadoutLen = 24;
  static constexpr int kEditorWidth = 578;
  static constexpr int kEditorHeight = 299;

  // Detection state of one channel: five followers, their states and the latest measurements.
  struct ChannelDetector
  {
    std::unique_ptr<envelope::AttRelEnvelope> attackFastEnv;
    std::unique_ptr<envelope::AttRelEnvelope> sustainShortEnv;
    std::unique_ptr<envelope::AttRelEnvelope> attackSlowEnv;
    std::unique_ptr<envelope::AttRelEnvelope> sustainLongEnv;
    std::unique_ptr<envelope::AttRelEnvelope> levelEnv;
    double attackFast = 0.001;
    double sustainShort = 0.001;
    double attackSlow = 0.001;
    double sustainLong = 0.001;
    double attackSignal = 0.0;
    double sustainSignal = 0.0;
    double level = 0.001;
  };

  explicit Kestrion(IEffectInstanceInfo info);
  ~Kestrion() override;

  // Any thread; takes the mutex: the mapping below, then the readout of Attack or Sustain.
  void OnParamChange(int paramIdx) override;
  // Any thread, no lock: the mapping into the processor alone (relaxed atomics only).
  void OnParamChangeLockFree(int paramIdx) override;
  // Render thread. With only the first output connected (mono) the second channel's powers of
  // ten are not evaluated, since that output is never delivered; both channels are still
  // measured, because the shared filter and the links join them.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  void Reset() override;
  void OnSampleRateChange() override;

  // Formats value with its unit for a readout and hands the text to the control (if any).
  void printString(double value, IBitmapTextControl* control, const char* unit);
  // The readout text for value: "%2.2f %s" below 10 in magnitude, "%2.1f %s" below 100,
  // "%2.0f %s" otherwise (and for values that are not numbers).
  static void FormatReadout(double value, const char* unit, char (&text)[kReadoutLen]);

  // Editor thread: the clip light reads the meter and clears the held peaks after drawing.
  double GetMeter() const { return mMeter.load(std::memory_order_relaxed); }
  void ResetPeaks();

  // Read-only views for the editor and for tests.
  double GetGain() const { return mGain.load(std::memory_order_relaxed); }
  double GetAttack() const { return mAttack.load(std::memory_order_relaxed); }
  double GetSustain() const { return mSustain.load(std::memory_order_relaxed); }
  double GetAttackLink() const { return mAttackLink.load(std::memory_order_relaxed); }
  double GetSustainLink() const { return mSustainLink.load(std::memory_order_relaxed); }
  double GetPeakL() const { return mPeakL.load(std::memory_order_relaxed); }
  double GetPeakR() const { return mPeakR.load(std::memory_order_relaxed); }
  const Filter& GetFilter() const { return *mFilter; }
  const ChannelDetector& GetLeft() const { return mLeft; }
  const ChannelDetector& GetRight() const { return mRight; }
  const envelope::AttRelEnvelope& GetMeterEnv() const { return *mMeterEnv; }
  double GetMeterState() const { return mMeterState; }

private:
#if !defined(KESTRION_LV2) // the LV2 build has no editor
  // ---- Editor (plugin/KestrionEditor.cpp) -----------------------------------------------
  // The knob and light strips the controls draw from.
  struct EditorBitmaps
  {
    IBitmap knob, smallKnob, light;
  };
  // Constructor, before the parameters: the editor surface with its background, and the
  // knob and light strips. Null in a build without the editor (no KESTRION_EDITOR).
  IGraphics* MakeEditor(EditorBitmaps* bitmaps);
  // Constructor, after the parameters: attaches the controls and hands the editor to the
  // base, which gives every knob its parameter's value. Nothing for a null editor.
  void FinishEditor(IGraphics* graphics, const EditorBitmaps& bitmaps);
  // The clip light and the eight knobs, then the font strip, the two readouts (which become
  // this plug-in's) and the version label.
  void AttachEditorControls(IGraphics* graphics, const EditorBitmaps& bitmaps);
#endif

  static void MakeFollowers(ChannelDetector& ch, double sampleRate);
  void ForEachFollower(void (*fn)(envelope::AttRelEnvelope&, double), double arg);
  // False when the host has connected the first output only: the second is never delivered.
  bool DeliversRightOutput() const;
  // End of block: states that became infinite or not a number return to their initial
  // values, and detection states decayed below 1e-30 are flushed to zero so that long
  // silence never runs on subnormal numbers.
  void SanitizeStates();

  std::atomic<double> mGain{1.0};
  std::atomic<double> mAttack{0.0};
  std::atomic<double> mSustain{0.0};
  std::atomic<double> mAttackLink{0.0};
  std::atomic<double> mSustainLink{0.0};
  std::unique_ptr<envelope::AttRelEnvelope> mMeterEnv;
  double mMeterState = 0.001;
  std::atomic<double> mPeakL{0.0};
  std::atomic<double> mPeakR{0.0};
  std::atomic<double> mMeter{0.0};
  std::unique_ptr<Filter> mFilter;
  ChannelDetector mLeft;
  ChannelDetector mRight;
  IBitmapTextControl* mAttackReadout = nullptr;  // owned by the editor
  IBitmapTextControl* mSustainReadout = nullptr; // owned by the editor
};
