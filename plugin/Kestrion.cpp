#include "plugin/Kestrion.h"
#include "graphics/ITextControls.h"
#include "plugin/StereoVector.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace
{
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

constexpr double kInitialState = 0.001; // follower and meter states at construction
constexpr double kFlushBelow = 1e-30;   // detection states smaller than this become 0

IEffectInstanceInfo KestrionInstanceInfo()
{
  return {"com.Wexa.audiounit.Kestrion", "Kestrion_View"};
}

// The coefficients of one follower, read once per block.
struct Coefs
{
  double attack;
  double release;

  explicit Coefs(const envelope::AttRelEnvelope& env)
    : attack(env.attackCoef()), release(env.releaseCoef())
  {
  }
  double track(double input, double state) const
  {
    return envelope::track(input, state, attack, release);
  }
};

// One follower of both channels: left and right coefficients side by side.
struct StereoCoefs
{
  stereo::v2d attack;
  stereo::v2d release;

  StereoCoefs(const envelope::AttRelEnvelope& left, const envelope::AttRelEnvelope& right)
    : attack(stereo::Make(left.attackCoef(), right.attackCoef())),
      release(stereo::Make(left.releaseCoef(), right.releaseCoef()))
  {
  }
  stereo::v2d track(stereo::v2d input, stereo::v2d state) const
  {
    return stereo::Track(input, state, attack, release);
  }
};

// The five followers of both channels, their coefficients read once per block and their
// states kept in registers. The channels are independent until the link, so each follower
// steps both channels at once.
struct StereoDetector
{
  StereoCoefs attackFastEnv, sustainShortEnv, attackSlowEnv, sustainLongEnv, levelEnv;
  stereo::v2d attackFast, sustainShort, attackSlow, sustainLong, level;

  StereoDetector(const Kestrion::ChannelDetector& l, const Kestrion::ChannelDetector& r)
    : attackFastEnv(*l.attackFastEnv, *r.attackFastEnv),
      sustainShortEnv(*l.sustainShortEnv, *r.sustainShortEnv),
      attackSlowEnv(*l.attackSlowEnv, *r.attackSlowEnv),
      sustainLongEnv(*l.sustainLongEnv, *r.sustainLongEnv), levelEnv(*l.levelEnv, *r.levelEnv),
      attackFast(stereo::Make(l.attackFast, r.attackFast)),
      sustainShort(stereo::Make(l.sustainShort, r.sustainShort)),
      attackSlow(stereo::Make(l.attackSlow, r.attackSlow)),
      sustainLong(stereo::Make(l.sustainLong, r.sustainLong)),
      level(stereo::Make(l.level, r.level))
  {
  }

  void StoreTo(Kestrion::ChannelDetector& l, Kestrion::ChannelDetector& r) const
  {
    l.attackFast = attackFast[0], r.attackFast = attackFast[1];
    l.sustainShort = sustainShort[0], r.sustainShort = sustainShort[1];
    l.attackSlow = attackSlow[0], r.attackSlow = attackSlow[1];
    l.sustainLong = sustainLong[0], r.sustainLong = sustainLong[1];
    l.level = level[0], r.level = level[1];
  }

  // One frame: the power followers follow p = f * f, the level follower the unfiltered
  // magnitude, the sustain followers the signed detection signal.
  void Track(stereo::v2d x, stereo::v2d f)
  {
    const stereo::v2d p = f * f;
    attackFast = attackFastEnv.track(p, attackFast);
    attackSlow = attackSlowEnv.track(p, attackSlow);
    level = levelEnv.track(stereo::Abs(x), level);
    sustainShort = sustainShortEnv.track(f, sustainShort);
    sustainLong = sustainLongEnv.track(f, sustainLong);
  }
};

// x scaled by 10^exponent in each lane. 10^0 is exactly 1, so a zero exponent needs no power
// (the common case of a setting at 0 % costs nothing).
inline stereo::v2d ApplyDecibels(stereo::v2d x, stereo::v2d exponent)
{
  if (exponent[0] == 0.0 && exponent[1] == 0.0)
    return x;
  return stereo::Make(exponent[0] == 0.0 ? x[0] : x[0] * std::pow(10.0, exponent[0]),
                      exponent[1] == 0.0 ? x[1] : x[1] * std::pow(10.0, exponent[1]));
}

// The filter's read-out for its mode.
inline double FilterOutput(Filter::Mode mode, const double* stage, double x)
{
  switch (mode)
  {
  case Filter::kFilterLowPass: return stage[5];
  case Filter::kFilterHighPass: return x - stage[5];
  case Filter::kFilterBandPass: return stage[0] - stage[5];
  }
  return 0.0;
}

// The side-chain filter for one block: its six stages in registers. One filter serves both
// channels: each frame it runs on the left sample, then on the right, so its stages carry
// from one channel into the other.
class SideChain
{
public:
  explicit SideChain(const Filter& filter)
    : c(filter.coefficient.load(kRelaxed)), mode(filter.mode),
      frozenHighPass(c == 0.0 && mode == Filter::kFilterHighPass)
  {
    std::copy(filter.stage, filter.stage + Filter::kStages, s);
  }

  void StoreTo(Filter& filter) const { std::copy(s, s + Filter::kStages, filter.stage); }

  stereo::v2d Process(stereo::v2d x)
  {
    if (frozenHighPass) // with a zero coefficient every stage keeps its value
      return x - stereo::Splat(s[5]);
    const double left = Step(x[0]);
    return stereo::Make(left, Step(x[1]));
  }

private:
  double Step(double x)
  {
    s[0] = s[0] + c * (x - s[0]);
    s[1] = s[1] + c * (s[0] - s[1]);
    s[2] = s[2] + c * (s[1] - s[2]);
    s[3] = s[3] + c * (s[2] - s[3]);
    s[4] = s[4] + c * (s[3] - s[4]);
    s[5] = s[5] + c * (s[4] - s[5]);
    return FilterOutput(mode, s, x);
  }

  const double c;
  const Filter::Mode mode;
  const bool frozenHighPass;
  double s[Filter::kStages];
};

// Stores the block's held peak. If the clip light cleared the peak while the block ran, the
// peak since then is at most this block's own, which is stored instead; no clear is lost.
void PublishPeak(std::atomic<double>& held, double atStart, double peak, double blockPeak)
{
  double expected = atStart;
  if (!held.compare_exchange_strong(expected, peak, kRelaxed))
  {
    while (blockPeak > expected && !held.compare_exchange_weak(expected, blockPeak, kRelaxed))
    {
    }
  }
}

void ResetIfNotFinite(double& value, double initial)
{
  if (!std::isfinite(value))
    value = initial;
}

void FlushTiny(double& value)
{
  if (std::fabs(value) < kFlushBelow)
    value = 0.0;
}
} // namespace

// ---- Construction ---------------------------------------------------------------------------

IEffectAU* MakePlug()
{
  static std::recursive_mutex sMutex; // thread-safe one-time initialisation
  std::lock_guard<std::recursive_mutex> lock(sMutex);
  return new Kestrion(KestrionInstanceInfo());
}

Kestrion::Kestrion(IEffectInstanceInfo info)
  : IEffectAU(std::move(info), kNumParams, "1-1 2-2", 1, "Kestrion", "", "Wexa", kVersion,
              kUniqueID, kMfrID, 0, false, false, false, 0)
{
  mGain.store(1.0, kRelaxed);

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

  auto times = [sampleRate](envelope::AttRelEnvelope& env, double attack, double release) {
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
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  const double v = param->Value();

  switch (paramIdx)
  {
  case kAttack:
    mAttack.store(0.3 * v, kRelaxed);
    printString(v, mAttackReadout, "%");
    break;
  case kSustain:
    mSustain.store(0.3 * v, kRelaxed);
    printString(v, mSustainReadout, "%");
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

void Kestrion::printString(double value, ITextControl* control, const char* unit)
{
  char text[kReadoutLen];
  FormatReadout(value, unit, text);
  if (control)
    control->SetTextFromPlug(text);
}

void Kestrion::ResetPeaks()
{
  mPeakL.store(0.0, kRelaxed);
  mPeakR.store(0.0, kRelaxed);
}

// ---- Processing -----------------------------------------------------------------------------

void Kestrion::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  using stereo::v2d;
  if (nFrames <= 0)
    return;

  // Everything the parameter thread may change is read once: a change takes effect at the
  // next block, and a block never mixes old and new values.
  const double attack = mAttack.load(kRelaxed);
  const v2d attackAmount = stereo::Splat(attack);
  const v2d sustainAmount = stereo::Splat(mSustain.load(kRelaxed));
  const v2d attackLink = stereo::Splat(mAttackLink.load(kRelaxed));
  const v2d sustainLink = stereo::Splat(mSustainLink.load(kRelaxed));
  const v2d attackUnlinked = 1.0 - attackLink;
  const v2d sustainUnlinked = 1.0 - sustainLink;
  const v2d gain = stereo::Splat(mGain.load(kRelaxed));
  // The cutting branch's gain depends only on the setting.
  const bool boostAttack = attack > 0.0;
  const double cutGainValue = boostAttack ? 1.0 : std::pow(10.0, attack / 20.0);
  const v2d cutGain = stereo::Splat(cutGainValue);
  const v2d cutRest = stereo::Splat(1.0 - cutGainValue);

  StereoDetector det(mLeft, mRight);
  const Coefs meterCoefs(*mMeterEnv);
  SideChain sideChain(*mFilter);
  double* inL = inputs[0];
  double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  double meterState = mMeterState;
  v2d attackSignal = stereo::Make(mLeft.attackSignal, mRight.attackSignal);
  v2d sustainSignal = stereo::Make(mLeft.sustainSignal, mRight.sustainSignal);
  // The held peaks are tracked locally for the block (see PublishPeak); blockPeak is the
  // largest output of this block alone.
  const v2d held = stereo::Make(mPeakL.load(kRelaxed), mPeakR.load(kRelaxed));
  v2d peak = held, blockPeak = stereo::Splat(0.0);

  // The block runs in chunks of two passes. The first measures (filter, followers, links) and
  // calls no function, so the detection states stay in registers. The second applies the
  // gains, where the power function runs, and meters the output (few values to keep there).
  constexpr int kChunk = 64;
  v2d attackExponent[kChunk]; // boosting: the attack stage's exponent
  v2d cutSignal[kChunk];      // cutting: the attack stage's result
  v2d sustainExponent[kChunk];

  for (int start = 0; start < nFrames; start += kChunk)
  {
    const int n = std::min(kChunk, nFrames - start);
    double* xL = inL + start;
    double* xR = inR + start;
    double* oL = outL + start;
    double* oR = outR + start;

    for (int i = 0; i < n; ++i)
    {
      const v2d x = stereo::Make(xL[i], xR[i]);
      det.Track(x, sideChain.Process(x));
      const v2d a = stereo::MaxZero(det.attackFast - det.attackSlow);
      const v2d s = stereo::MaxZero(det.sustainLong - det.sustainShort);
      // Stereo link: each channel's measurement blended with the larger of the two.
      attackSignal = a * attackUnlinked + stereo::MaxOfLanes(a) * attackLink;
      sustainSignal = s * sustainUnlinked + stereo::MaxOfLanes(s) * sustainLink;
      if (boostAttack)
        attackExponent[i] = attackAmount * attackSignal / 20.0;
      else
      {
        // A cut of |attack| dB that the linked level lifts as the sound builds up.
        const v2d lambda =
          det.level * attackUnlinked + stereo::MaxOfLanes(det.level) * attackLink;
        cutSignal[i] = lambda * x * cutRest + cutGain * x;
      }
      sustainExponent[i] = sustainAmount * sustainSignal / 20.0;
    }

    for (int i = 0; i < n; ++i)
    {
      v2d y = boostAttack ? ApplyDecibels(stereo::Make(xL[i], xR[i]), attackExponent[i])
                          : cutSignal[i];
      y = ApplyDecibels(y, sustainExponent[i]);
      xL[i] = y[0]; // the results also replace the input
      xR[i] = y[1];
      const v2d out = y * gain;
      oL[i] = out[0];
      oR[i] = out[1];
      const v2d magnitude = stereo::Abs(out);
      peak = stereo::Max(magnitude, peak);
      blockPeak = stereo::Max(magnitude, blockPeak);
      meterState = meterCoefs.track(stereo::MaxOfLanes(peak)[0], meterState);
    }
  }

  det.StoreTo(mLeft, mRight);
  mLeft.attackSignal = attackSignal[0];
  mRight.attackSignal = attackSignal[1];
  mLeft.sustainSignal = sustainSignal[0];
  mRight.sustainSignal = sustainSignal[1];
  sideChain.StoreTo(*mFilter);
  mMeterState = meterState;
  PublishPeak(mPeakL, held[0], peak[0], blockPeak[0]);
  PublishPeak(mPeakR, held[1], peak[1], blockPeak[1]);
  mMeter.store(meterState, kRelaxed);
  SanitizeStates();
}

void Kestrion::SanitizeStates()
{
  double* detection[] = {
    &mLeft.attackFast,  &mLeft.sustainShort,  &mLeft.attackSlow,  &mLeft.sustainLong,
    &mLeft.level,       &mRight.attackFast,   &mRight.sustainShort, &mRight.attackSlow,
    &mRight.sustainLong, &mRight.level,       &mMeterState,
  };
  double sum = mLeft.attackSignal + mLeft.sustainSignal + mRight.attackSignal +
               mRight.sustainSignal + mPeakL.load(kRelaxed) + mPeakR.load(kRelaxed);
  for (double* state : detection)
    sum += *state;
  for (double s : mFilter->stage)
    sum += s;

  if (!std::isfinite(sum))
  {
    // A non-finite sample reached the detection: restore what it poisoned, so that the next
    // block is finite again instead of the plug-in staying silent until reloaded.
    for (double* state : detection)
      ResetIfNotFinite(*state, kInitialState);
    for (double& s : mFilter->stage)
      ResetIfNotFinite(s, 0.0);
    for (ChannelDetector* ch : {&mLeft, &mRight})
    {
      ResetIfNotFinite(ch->attackSignal, 0.0);
      ResetIfNotFinite(ch->sustainSignal, 0.0);
    }
    for (std::atomic<double>* held : {&mPeakL, &mPeakR, &mMeter})
      if (!std::isfinite(held->load(kRelaxed)))
        held->store(0.0, kRelaxed);
  }

  for (double* state : detection)
    FlushTiny(*state);
  for (double& s : mFilter->stage)
    FlushTiny(s);
}
