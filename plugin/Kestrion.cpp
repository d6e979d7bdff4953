#include "plugin/Kestrion.h"

#if defined(KESTRION_EDITOR)
#include "graphics/IBitmapTextControl.h"
#endif

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace
{
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

IEffectInstanceInfo KestrionInstanceInfo()
{
  return {KESTRION_BUNDLE_ID, KESTRION_VIEW_CLASS};
}
} // namespace

// ---- Construction ---------------------------------------------------------------------------

KestrionBase* MakePlug()
{
  static std::recursive_mutex sMutex; // thread-safe one-time initialisation
  std::lock_guard<std::recursive_mutex> lock(sMutex);
  return new Kestrion(KestrionInstanceInfo());
}

Kestrion::Kestrion(IEffectInstanceInfo info)
    : KestrionBase(std::move(info), kNumParams, "1-1 2-2", 1, KESTRION_NAME, "", KESTRION_MAKER,
                   kVersion, kUniqueID, kMfrID, 0, false, false, false, 0)
{
  mGain.store(1.0, kRelaxed);

#if !defined(KESTRION_LV2)
  // The editor: surface and bitmaps first, its controls once the parameters exist.
  EditorBitmaps bitmaps;
  IGraphics* graphics = MakeEditor(&bitmaps);
#endif

  struct Row
  {
    int idx;
    const char* name;
    double def, min, max;
    const char* label;
    double shape;
  };
  // Initialised in this order; each followed by its shape.
  static const Row kTable[] = {
      {kAttack, "Attack", 0.0, -100.0, 100.0, "%", 1.0},
      {kSustain, "Sustain", 0.0, -100.0, 100.0, "%", 1.0},
      {kAttackLink, "Attack Link", 0.0, 0.0, 100.0, "%", 1.0},
      {kAttackLength, "Attack Length", 5.0, 0.0, 20.0, "ms", 1.0},
      {kSustainLink, "Sustain Link", 0.0, 0.0, 100.0, "%", 1.0},
      {kSustainLength, "Sustain Length", 500.0, 0.0, 750.0, "ms", 1.0},
      {kGain, "Gain", 0.0, -94.0, 6.0, "dB", 0.09},
      {kSCHPF, "SC HPF", 0.0, 0.0, 100.0, "%", 1.0},
  };
  for (const Row& row : kTable)
  {
    IParam* param = GetParam(row.idx);
    param->InitDouble(row.name, row.def, row.min, row.max, 0.01, row.label, "", 1.0);
    param->SetShape(row.shape);
  }
#if !defined(KESTRION_LV2)
  FinishEditor(graphics, bitmaps);
#endif
  MakeDefaultPreset("-", 1);

  const double sampleRate = GetSampleRate();
  MakeFollowers(mLeft, sampleRate);
  MakeFollowers(mRight, sampleRate);
  mFilter = std::make_unique<Filter>(0.5, Filter::kFilterHighPass);
  mMeterEnv = std::make_unique<envelope::AttRelEnvelope>(10.0, 100.0, 44100.0);
  mMeterEnv->setAttack(0.1);
  mMeterEnv->setRelease(750.0);
  mMeterEnv->setSampleRate(sampleRate);
}

void Kestrion::MakeFollowers(ChannelDetector& ch, double sampleRate)
{
  auto make = [] { return std::make_unique<envelope::AttRelEnvelope>(10.0, 100.0, 44100.0); };
  ch.attackFastEnv = make();
  ch.sustainShortEnv = make();
  ch.attackSlowEnv = make();
  ch.sustainLongEnv = make();
  ch.levelEnv = make();

  auto times = [sampleRate](envelope::AttRelEnvelope& env, double attack, double release)
  {
    env.setAttack(attack);
    env.setRelease(release);
    env.setSampleRate(sampleRate);
  };
  // The smallest normalised double as attack time gives a coefficient of exactly 0: the fast
  // follower takes any higher input at once.
  times(*ch.attackFastEnv, DBL_MIN, 35.0);
  times(*ch.attackSlowEnv, 10.0, 35.0);
  times(*ch.levelEnv, 15.0, 150.0);
  times(*ch.sustainShortEnv, 1.0, 75.0);
  times(*ch.sustainLongEnv, 1.0, 500.0);
}

Kestrion::~Kestrion() = default;

// ---- Parameters -----------------------------------------------------------------------------

void Kestrion::OnParamChange(int paramIdx)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  OnParamChangeLockFree(paramIdx);
  if (paramIdx == kAttack) printString(GetParam(kAttack)->Value(), mAttackReadout, "%");
  if (paramIdx == kSustain) printString(GetParam(kSustain)->Value(), mSustainReadout, "%");
}

void Kestrion::OnParamChangeLockFree(int paramIdx)
{
  const IParam* param = GetParam(paramIdx);
  if (!param) return;
  const double v = param->Value();

  switch (paramIdx)
  {
  case kAttack:
    mAttack.store(0.3 * v, kRelaxed);
    break;
  case kSustain:
    mSustain.store(0.3 * v, kRelaxed);
    break;
  case kAttackLink:
    mAttackLink.store(v * 0.01, kRelaxed);
    break;
  case kAttackLength:
  {
    const double t = v + 2.0;
    mLeft.attackSlowEnv->setAttack(t);
    mLeft.levelEnv->setAttack(t);
    mRight.attackSlowEnv->setAttack(t);
    mRight.levelEnv->setAttack(t);
    break;
  }
  case kGain:
    // At -93 dB and below the output is silenced outright.
    mGain.store(v > -93.0 ? std::pow(10.0, v / 20.0) : 0.0, kRelaxed);
    break;
  case kSCHPF:
  {
    const double coefficient = v * 0.002;
    mFilter->coefficient.store(coefficient, kRelaxed);
    mFilter->feedback.store(mFilter->resonance / (1.0 - coefficient) + mFilter->resonance,
                            kRelaxed);
    break;
  }
  case kSustainLink:
    mSustainLink.store(v * 0.01, kRelaxed);
    break;
  case kSustainLength:
  {
    const double t = v + 100.0;
    mLeft.sustainLongEnv->setRelease(t);
    mRight.sustainLongEnv->setRelease(t);
    break;
  }
  default:
    break;
  }
}

void Kestrion::ForEachFollower(void (*fn)(envelope::AttRelEnvelope&, double), double arg)
{
  for (ChannelDetector* ch : {&mLeft, &mRight})
  {
    fn(*ch->attackFastEnv, arg);
    fn(*ch->sustainShortEnv, arg);
    fn(*ch->attackSlowEnv, arg);
    fn(*ch->sustainLongEnv, arg);
    fn(*ch->levelEnv, arg);
  }
  fn(*mMeterEnv, arg);
}

// Every follower runs at the host's rate, so the lengths shown in milliseconds hold at any
// rate; the coefficients are recomputed here, off the render path.
void Kestrion::OnSampleRateChange()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  ForEachFollower([](envelope::AttRelEnvelope& env, double rate) { env.setSampleRate(rate); },
                  GetSampleRate());
}

void Kestrion::Reset()
{
  // Detection state runs on across host resets; this only waits for other holders of the
  // mutex to finish.
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

// ---- Readouts and meter ---------------------------------------------------------------------

void Kestrion::FormatReadout(double value, const char* unit, char (&text)[kReadoutLen])
{
  const char* format = "%2.0f %s";
  if ((value >= 0.0 && value < 10.0) || (value > -10.0 && value <= 0.0))
    format = "%2.2f %s";
  else if ((value >= 10.0 && value < 100.0) || (value > -100.0 && value <= -10.0))
    format = "%2.1f %s";
  std::snprintf(text, kReadoutLen, format, value, unit);
}

void Kestrion::printString(double value, IBitmapTextControl* control, const char* unit)
{
  char text[kReadoutLen];
  FormatReadout(value, unit, text);
#if defined(KESTRION_EDITOR)
  if (control) control->SetTextFromPlug(text);
#else
  (void)control; // built without an editor: there is no readout to show it
#endif
}

void Kestrion::ResetPeaks()
{
  mPeakL.store(0.0, kRelaxed);
  mPeakR.store(0.0, kRelaxed);
}
