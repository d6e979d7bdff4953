#include "plugin/Kestrion.h"

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

struct ChannelCoefs
{
  Coefs attackFast, sustainShort, attackSlow, sustainLong, level;

  explicit ChannelCoefs(const Kestrion::ChannelDetector& ch)
    : attackFast(*ch.attackFastEnv), sustainShort(*ch.sustainShortEnv),
      attackSlow(*ch.attackSlowEnv), sustainLong(*ch.sustainLongEnv), level(*ch.levelEnv)
  {
  }
};

// The follower states of one channel, kept in registers for the block.
struct ChannelState
{
  double attackFast, sustainShort, attackSlow, sustainLong, level;

  explicit ChannelState(const Kestrion::ChannelDetector& ch)
    : attackFast(ch.attackFast), sustainShort(ch.sustainShort), attackSlow(ch.attackSlow),
      sustainLong(ch.sustainLong), level(ch.level)
  {
  }
  void StoreTo(Kestrion::ChannelDetector& ch) const
  {
    ch.attackFast = attackFast;
    ch.sustainShort = sustainShort;
    ch.attackSlow = attackSlow;
    ch.sustainLong = sustainLong;
    ch.level = level;
  }
  // One frame of the five followers: the power followers follow p = f * f, the level follower
  // the unfiltered magnitude, the sustain followers the signed detection signal.
  void Track(const ChannelCoefs& c, double x, double f)
  {
    const double p = f * f;
    attackFast = c.attackFast.track(p, attackFast);
    attackSlow = c.attackSlow.track(p, attackSlow);
    level = c.level.track(std::fabs(x), level);
    sustainShort = c.sustainShort.track(f, sustainShort);
    sustainLong = c.sustainLong.track(f, sustainLong);
  }
};

// x scaled by 10^(exponent / 20) decibel units; 10^0 is exactly 1, so no power is needed then.
inline double ApplyDecibels(double x, double amount, double measurement)
{
  const double exponent = amount * measurement / 20.0;
  return exponent == 0.0 ? x : x * std::pow(10.0, exponent);
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
  if (nFrames <= 0)
    return;

  // Everything the parameter thread may change is read once: a change takes effect at the
  // next block, and a block never mixes old and new values.
  const double attack = mAttack.load(kRelaxed);
  const double sustain = mSustain.load(kRelaxed);
  const double attackLink = mAttackLink.load(kRelaxed);
  const double sustainLink = mSustainLink.load(kRelaxed);
  const double attackUnlinked = 1.0 - attackLink;
  const double sustainUnlinked = 1.0 - sustainLink;
  const double gain = mGain.load(kRelaxed);
  // The cutting branch's gain depends only on the setting.
  const bool boostAttack = attack > 0.0;
  const double cutGain = boostAttack ? 1.0 : std::pow(10.0, attack / 20.0);
  const double cutRest = 1.0 - cutGain;

  const ChannelCoefs coefsL(mLeft), coefsR(mRight);
  const Coefs meterCoefs(*mMeterEnv);
  ChannelState left(mLeft), right(mRight);

  // One filter serves both channels: each frame it runs on the left sample, then on the
  // right, so its stages carry from one channel into the other.
  const double c = mFilter->coefficient.load(kRelaxed);
  const Filter::Mode mode = mFilter->mode;
  double stage[Filter::kStages];
  std::copy(mFilter->stage, mFilter->stage + Filter::kStages, stage);
  auto filter = [&stage, c, mode](double x) {
    stage[0] = stage[0] + c * (x - stage[0]);
    for (int k = 1; k < Filter::kStages; ++k)
      stage[k] = stage[k] + c * (stage[k - 1] - stage[k]);
    switch (mode)
    {
    case Filter::kFilterLowPass: return stage[5];
    case Filter::kFilterHighPass: return x - stage[5];
    case Filter::kFilterBandPass: return stage[0] - stage[5];
    }
    return 0.0;
  };

  double* inL = inputs[0];
  double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  double meterState = mMeterState;
  double attackSignalL = mLeft.attackSignal, attackSignalR = mRight.attackSignal;
  double sustainSignalL = mLeft.sustainSignal, sustainSignalR = mRight.sustainSignal;

  for (int i = 0; i < nFrames; ++i)
  {
    const double xL = inL[i];
    const double xR = inR[i];
    const double fL = filter(xL);
    const double fR = filter(xR);
    left.Track(coefsL, xL, fL);
    right.Track(coefsR, xR, fR);

    const double aL = std::max(0.0, left.attackFast - left.attackSlow);
    const double aR = std::max(0.0, right.attackFast - right.attackSlow);
    const double sL = std::max(0.0, left.sustainLong - left.sustainShort);
    const double sR = std::max(0.0, right.sustainLong - right.sustainShort);

    // Stereo link: each channel's measurement blended with the larger of the two.
    const double aMax = std::max(aL, aR);
    const double sMax = std::max(sL, sR);
    const double levelMax = std::max(left.level, right.level);
    attackSignalL = aL * attackUnlinked + aMax * attackLink;
    attackSignalR = aR * attackUnlinked + aMax * attackLink;
    sustainSignalL = sL * sustainUnlinked + sMax * sustainLink;
    sustainSignalR = sR * sustainUnlinked + sMax * sustainLink;

    double yL, yR;
    if (boostAttack)
    {
      yL = ApplyDecibels(xL, attack, attackSignalL);
      yR = ApplyDecibels(xR, attack, attackSignalR);
    }
    else
    {
      // A cut of |attack| dB that the linked level lifts as the sound builds up.
      const double lambdaL = left.level * attackUnlinked + levelMax * attackLink;
      const double lambdaR = right.level * attackUnlinked + levelMax * attackLink;
      yL = lambdaL * xL * cutRest + cutGain * xL;
      yR = lambdaR * xR * cutRest + cutGain * xR;
    }
    yL = ApplyDecibels(yL, sustain, sustainSignalL);
    yR = ApplyDecibels(yR, sustain, sustainSignalR);
    inL[i] = yL;
    inR[i] = yR;

    const double oL = yL * gain;
    const double oR = yR * gain;
    outL[i] = oL;
    outR[i] = oR;

    double peakL = mPeakL.load(kRelaxed);
    double peakR = mPeakR.load(kRelaxed);
    if (std::fabs(oL) > peakL)
      mPeakL.store(peakL = std::fabs(oL), kRelaxed);
    if (std::fabs(oR) > peakR)
      mPeakR.store(peakR = std::fabs(oR), kRelaxed);
    meterState = meterCoefs.track(std::max(peakL, peakR), meterState);
    mMeter.store(meterState, kRelaxed);
  }

  left.StoreTo(mLeft);
  right.StoreTo(mRight);
  mLeft.attackSignal = attackSignalL;
  mRight.attackSignal = attackSignalR;
  mLeft.sustainSignal = sustainSignalL;
  mRight.sustainSignal = sustainSignalR;
  std::copy(stage, stage + Filter::kStages, mFilter->stage);
  mMeterState = meterState;
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
