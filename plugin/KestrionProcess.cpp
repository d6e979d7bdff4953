// The render path of Kestrion: detection, gain stage, output, peaks and meter.
#include "plugin/Exp10.h"
#include "plugin/HighPassWavefront.h"
#include "plugin/Kestrion.h"
#include "plugin/QuadVector.h"
#include "plugin/StereoVector.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <type_traits>

// The detector passes quad::Wide by value between always-inlined functions (see QuadVector.h).
#pragma GCC diagnostic ignored "-Wpsabi"

namespace
{
using stereo::v2d;
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

constexpr double kInitialState = 0.001; // follower and meter states at construction
constexpr double kFlushBelow = 1e-30;   // detection states smaller than this become 0

// Each channel's measurement blended with the larger of the two; V is a stereo pair or two of
// them side by side (see QuadVector.h).
template <typename V> KESTRION_ALWAYS_INLINE V Link(V own, V link, V unlinked)
{
  return own * unlinked + quad::MaxOfLanes(own) * link;
}

// One follower's coefficients for both channels.
stereo::FollowerCoefs Coefs(const envelope::AttRelEnvelope& left,
                            const envelope::AttRelEnvelope& right)
{
  return {stereo::Make(left.attackCoef(), right.attackCoef()),
          stereo::Make(left.releaseCoef(), right.releaseCoef())};
}

// The five followers of both channels, their coefficients read once per block and their
// states kept in registers. The channels are independent until the link, so each follower
// steps both channels at once; the four attack and sustain followers go two by two in the
// four lanes of Q (see QuadVector.h): the fast attack follower beside the long sustain
// follower, the slow beside the short, so that one subtraction gives both measurements.
template <typename Q> struct Detector
{
  quad::FollowerCoefs<Q> fastAndLongEnv, slowAndShortEnv;
  stereo::FollowerCoefs levelEnv;
  Q fastAndLong, slowAndShort; // attackFast | sustainLong, attackSlow | sustainShort
  v2d level;

  KESTRION_ALWAYS_INLINE Detector(const Kestrion::ChannelDetector& l,
                                  const Kestrion::ChannelDetector& r)
      : fastAndLongEnv(quad::MakeCoefs<Q>(Coefs(*l.attackFastEnv, *r.attackFastEnv),
                                          Coefs(*l.sustainLongEnv, *r.sustainLongEnv))),
        slowAndShortEnv(quad::MakeCoefs<Q>(Coefs(*l.attackSlowEnv, *r.attackSlowEnv),
                                           Coefs(*l.sustainShortEnv, *r.sustainShortEnv))),
        levelEnv(Coefs(*l.levelEnv, *r.levelEnv)),
        fastAndLong(quad::Make<Q>(stereo::Make(l.attackFast, r.attackFast),
                                  stereo::Make(l.sustainLong, r.sustainLong))),
        slowAndShort(quad::Make<Q>(stereo::Make(l.attackSlow, r.attackSlow),
                                   stereo::Make(l.sustainShort, r.sustainShort))),
        level(stereo::Make(l.level, r.level))
  {
  }

  KESTRION_ALWAYS_INLINE void StoreTo(Kestrion::ChannelDetector& l,
                                      Kestrion::ChannelDetector& r) const
  {
    const v2d attackFast = quad::Lo(fastAndLong), sustainLong = quad::Hi(fastAndLong);
    const v2d attackSlow = quad::Lo(slowAndShort), sustainShort = quad::Hi(slowAndShort);
    l.attackFast = attackFast[0], r.attackFast = attackFast[1];
    l.sustainShort = sustainShort[0], r.sustainShort = sustainShort[1];
    l.attackSlow = attackSlow[0], r.attackSlow = attackSlow[1];
    l.sustainLong = sustainLong[0], r.sustainLong = sustainLong[1];
    l.level = level[0], r.level = level[1];
  }

  // One frame: the power followers follow p = f * f, the level follower the unfiltered
  // magnitude, the sustain followers the signed detection signal.
  KESTRION_ALWAYS_INLINE void Track(v2d x, v2d f)
  {
    const Q input = quad::Make<Q>(f * f, f);
    fastAndLong = quad::Track(input, fastAndLong, fastAndLongEnv);
    slowAndShort = quad::Track(input, slowAndShort, slowAndShortEnv);
    level = stereo::Track(stereo::Abs(x), level, levelEnv);
  }

  // The measurements of the latest frame, attack | sustain, each channel's blended with the
  // larger of the two.
  KESTRION_ALWAYS_INLINE Q Linked(Q link, Q unlinked) const
  {
    return Link(quad::MaxZero(fastAndLong - slowAndShort), link, unlinked);
  }
};

// The side-chain filter for one block. One filter serves both channels: each frame it runs on
// the left sample, then on the right, so its stages carry from one channel into the other.
class SideChain
{
public:
  explicit SideChain(const Filter& filter) : c(filter.coefficient.load(kRelaxed)), mode(filter.mode)
  {
    std::copy(filter.stage, filter.stage + Filter::kStages, s);
  }

  void StoreTo(Filter& filter) const { std::copy(s, s + Filter::kStages, filter.stage); }

  // The detection signal f[i] of the frames xL[i], xR[i], i < n. The filter's stages form one
  // long chain of dependent operations; work that does not depend on them, also(i) for
  // i < nAlso, runs in the same loop so that the processor overlaps the two.
  template <typename Also>
  KESTRION_ALWAYS_INLINE void Run(const double* xL, const double* xR, v2d* f, int n, int nAlso,
                                  Also&& also)
  {
    // The filter is always a high-pass here, run as a wavefront; the other modes, a frozen
    // filter and runs too short for the wavefront to pay for its edges take the general path.
    if (mode == Filter::kFilterHighPass && c != 0.0 && n >= 8)
      wavefront::RunHighPass(s, c, xL, xR, f, n, nAlso, also);
    else
      RunSampleBySample(mode, xL, xR, f, n, nAlso, also);
  }

private:
  template <typename Also>
  KESTRION_ALWAYS_INLINE void RunSampleBySample(Filter::Mode m, const double* xL, const double* xR,
                                                v2d* f, int n, int nAlso, Also& also)
  {
    const double k = c;
    Filter::Stages st; // a local copy, kept in registers
    std::copy(s, s + Filter::kStages, st);
    // With a zero coefficient every stage keeps its value: only the read-out is left.
    auto frozen = [&](int i)
    { f[i] = stereo::Make(Filter::Output(st, m, xL[i]), Filter::Output(st, m, xR[i])); };
    auto step = [&](int i)
    {
      const double left = Filter::Step(st, k, m, xL[i]);
      f[i] = stereo::Make(left, Filter::Step(st, k, m, xR[i]));
    };
    if (k == 0.0)
      Interleave(frozen, n, also, nAlso);
    else
      Interleave(step, n, also, nAlso);
    std::copy(st, st + Filter::kStages, s);
  }

  template <typename A, typename B>
  KESTRION_ALWAYS_INLINE static void Interleave(A& a, int na, B& b, int nb)
  {
    const int both = std::min(na, nb);
    for (int i = 0; i < both; ++i)
    {
      a(i);
      b(i);
    }
    for (int i = both; i < na; ++i)
      a(i);
    for (int i = both; i < nb; ++i)
      b(i);
  }

  double c;
  Filter::Mode mode;
  Filter::Stages s;
};

// How a block treats the attack: a boost by 10^(attack × measurement / 20), a cut that the
// linked level lifts, or nothing at all when the setting is 0 (10^0 = 1 exactly).
enum class AttackStage
{
  kNone,
  kBoost,
  kCut
};

// Everything the parameter thread may change, read once: a change takes effect at the next
// block, and a block never mixes old and new values.
struct BlockSettings
{
  AttackStage attackStage;
  bool sustainStage;               // false when the sustain setting is 0
  bool bothGains;                  // false when only the left output is delivered
  v2d attackAmount, sustainAmount; // the settings divided by 20
  v2d attackLink, attackUnlinked, sustainLink, sustainUnlinked;
  v2d cutGain, cutRest; // the cutting branch's gain depends only on the setting
  v2d gain;
};

// The exponent of a gain of amount × signal decibels, with perTwenty = amount / 20 for the
// block: one multiplication instead of a division per frame. It may differ from
// amount × signal / 20 in the last bit, which moves the gain by far less than its tolerance.
template <typename V> KESTRION_ALWAYS_INLINE V Exponent(V perTwenty, V signal)
{
  return perTwenty * signal;
}

// Output gain, held peaks and the meter.
class OutputStage
{
public:
  OutputStage(v2d gain, v2d heldPeak, const envelope::AttRelEnvelope& meterEnv, double meter)
      : gain(gain), peak(heldPeak), blockPeak(stereo::Splat(0.0)),
        meterCoefs(stereo::Splat(meterEnv.attackCoef()), stereo::Splat(meterEnv.releaseCoef())),
        meterState(stereo::Splat(meter))
  {
  }

  KESTRION_ALWAYS_INLINE void Emit(v2d y, double& outL, double& outR)
  {
    const v2d out = y * gain;
    outL = out[0];
    outR = out[1];
    const v2d magnitude = stereo::Abs(out);
    peak = stereo::Max(magnitude, peak);
    blockPeak = stereo::Max(magnitude, blockPeak);
    // The meter follows the larger held peak (the same value in both lanes).
    meterState = stereo::Track(stereo::MaxOfLanes(peak), meterState, meterCoefs);
  }

  v2d gain;
  v2d peak;      // the held peaks, raised by this block
  v2d blockPeak; // the largest output of this block alone
  stereo::FollowerCoefs meterCoefs;
  v2d meterState;
};

// The running state of a block. The render loops work on a copy held in registers.
struct BlockState
{
  Kestrion::ChannelDetector& left;
  Kestrion::ChannelDetector& right;
  SideChain sideChain;
  OutputStage output;
};

// 10^a × 10^b as 10^hi × (1 + lo × ln 10), where hi + lo = a + b exactly (TwoSum): one power
// of ten instead of two, as accurate as the power itself, since lo is below an ulp of hi. The
// correction returned is lo × ln 10, or 0 where lo is not a number (hi infinite), so that
// infinite and zero gains stay as they are.
KESTRION_ALWAYS_INLINE v2d SumOfExponents(v2d a, v2d b, v2d& correction)
{
  const v2d hi = a + b;
  const v2d t = hi - a;
  const v2d lo = (a - (hi - t)) + (b - t);
  const v2d ln10 = stereo::Splat(2.302585092994045684);
  correction = _mm_and_pd(lo * ln10, _mm_cmpord_pd(lo, lo));
  return hi;
}

// The chunk's gains with their inputs and outputs. Two chunks are in flight: one is being
// measured while the previous one is applied.
template <bool kCut, bool kCombined, int kLanes> struct GainChunk
{
  // Small enough that a block of 64 frames already has two chunks to overlap, large enough
  // that the cost of a chunk's edges stays small beside its frames.
  static constexpr int kFrames = 32;
  double* xL;
  double* xR;
  double* oL;
  double* oR;
  int n = 0;
  double gains[kFrames * kLanes]; // the exponents, then the gains, frame by frame
  v2d correction[kCombined ? kFrames : 1];
  v2d cut[kCut ? kFrames : 1]; // the result of the cutting attack stage
};

// One block with the stages the settings call for, in chunks of up to 32 frames:
//   1. the side-chain filter runs over the chunk (a chain of dependent operations, overlapped
//      with step 4 of the previous chunk);
//   2. the followers and links measure it and leave the exponents of its gains in an array;
//      this loop calls no function, so the detection states stay in registers;
//   3. the chunk's powers of ten are evaluated at once, in vector registers;
//   4. the gains are applied, and the output written and metered.
// With no power of ten to evaluate, step 2 also does step 4. The gains of one lane only are
// evaluated when only the left output is delivered (kBothGains false). Q is the four-lane
// vector of the detector (see QuadVector.h).
template <AttackStage kAttack, bool kSustain, bool kBothGains, typename Q>
KESTRION_ALWAYS_INLINE void RenderBlock(BlockState& block, const BlockSettings& set,
                                        vecmath::Exp10Fn exp10, double** inputs, double** outputs,
                                        int nFrames)
{
  constexpr bool kBoost = kAttack == AttackStage::kBoost;
  constexpr bool kCut = kAttack == AttackStage::kCut;
  constexpr bool kAnyGain = kBoost || kSustain;
  constexpr bool kCombined = kBoost && kSustain;
  constexpr int kLanes = kBothGains ? 2 : 1;
  using Chunk = GainChunk<kCut, kCombined, kLanes>;

  Detector<Q> det(block.left, block.right);
  const Q link = quad::Make<Q>(set.attackLink, set.sustainLink);
  const Q unlinked = quad::Make<Q>(set.attackUnlinked, set.sustainUnlinked);
  const Q amount = quad::Make<Q>(set.attackAmount, set.sustainAmount);
  OutputStage output = block.output;
  v2d f[Chunk::kFrames];
  Chunk chunks[kAnyGain ? 2 : 1];
  Chunk* prev = &chunks[0]; // applied while the next one is filtered
  prev->n = 0;

  // The applied chunk's arrays, copied out of it: the chunks' storage is handed to exp10, so
  // the compiler could not otherwise keep these in registers across the stores below.
  struct
  {
    double *xL, *xR, *oL, *oR;
    const double* gains;
    const v2d* correction;
    const v2d* cut;
  } a{};
  auto apply = [&](int i) KESTRION_LAMBDA_INLINE
  {
    v2d y;
    if constexpr (kCut)
      y = a.cut[i];
    else
      y = stereo::Make(a.xL[i], a.xR[i]);
    if constexpr (kAnyGain)
    {
      v2d g;
      if constexpr (kBothGains)
        g = _mm_loadu_pd(a.gains + 2 * i);
      else
        g = stereo::Make(a.gains[i], 1.0); // the right lane's gain was not evaluated
      if constexpr (kCombined) g = g + g * a.correction[i];
      y = y * g;
    }
    a.xL[i] = y[0]; // the results also replace the input
    a.xR[i] = y[1];
    output.Emit(y, a.oL[i], a.oR[i]);
  };
  auto applying = [&](const Chunk& c)
  { a = {c.xL, c.xR, c.oL, c.oR, c.gains, c.correction, c.cut}; };

  for (int start = 0; start < nFrames; start += Chunk::kFrames)
  {
    Chunk& cur = chunks[kAnyGain && prev == &chunks[0] ? 1 : 0];
    cur.n = std::min(Chunk::kFrames, nFrames - start);
    double* const xL = cur.xL = inputs[0] + start;
    double* const xR = cur.xR = inputs[1] + start;
    double* const oL = cur.oL = outputs[0] + start;
    double* const oR = cur.oR = outputs[1] + start;
    const int n = cur.n;

    applying(*prev);
    block.sideChain.Run(xL, xR, f, n, kAnyGain ? prev->n : 0, apply);

    v2d anyExponent = _mm_setzero_pd(); // all-ones lanes where an exponent is not 0
    for (int i = 0; i < n; ++i)
    {
      const v2d x = stereo::Make(xL[i], xR[i]);
      det.Track(x, f[i]);
      v2d y = x;
      if constexpr (kCut)
      {
        // A cut of |attack| dB that the linked level lifts as the sound builds up.
        const v2d lambda = Link(det.level, set.attackLink, set.attackUnlinked);
        y = lambda * x * set.cutRest + set.cutGain * x;
      }
      if constexpr (!kAnyGain)
      {
        if constexpr (kCut)
        {
          xL[i] = y[0];
          xR[i] = y[1];
        }
        output.Emit(y, oL[i], oR[i]);
      }
      else
      {
        if constexpr (kCut) cur.cut[i] = y;
        const Q exponents = Exponent(amount, det.Linked(link, unlinked)); // attack | sustain
        v2d e;
        if constexpr (kBoost) e = quad::Lo(exponents);
        if constexpr (kSustain)
        {
          const v2d es = quad::Hi(exponents);
          if constexpr (kCombined)
          {
            v2d correction;
            e = SumOfExponents(e, es, correction);
            cur.correction[i] = kBothGains ? correction : _mm_move_sd(_mm_setzero_pd(), correction);
          }
          else
            e = es;
        }
        if constexpr (kBothGains)
          _mm_storeu_pd(cur.gains + 2 * i, e);
        else
          _mm_store_sd(cur.gains + i, e);
        anyExponent = _mm_or_pd(anyExponent, _mm_cmpneq_pd(e, _mm_setzero_pd()));
      }
    }

    if constexpr (kAnyGain)
    {
      // All exponents 0 (silence, or measurements at rest): every gain is 10^0 = 1.
      if (_mm_movemask_pd(anyExponent) != 0)
        exp10(cur.gains, kLanes * n);
      else
        std::fill(cur.gains, cur.gains + kLanes * n, 1.0);
      prev = &cur;
    }
  }
  if constexpr (kAnyGain)
  {
    applying(*prev);
    for (int i = 0; i < prev->n; ++i)
      apply(i);
  }

  det.StoreTo(block.left, block.right);
  const Q signals = det.Linked(link, unlinked);
  const v2d attackSignal = quad::Lo(signals), sustainSignal = quad::Hi(signals);
  block.left.attackSignal = attackSignal[0], block.right.attackSignal = attackSignal[1];
  block.left.sustainSignal = sustainSignal[0], block.right.sustainSignal = sustainSignal[1];
  block.output = output;
}

using RenderFn = void (*)(BlockState&, const BlockSettings&, vecmath::Exp10Fn, double**, double**,
                          int);

// The render kernels for every x86-64 CPU: SSE2, the detector's four lanes in two registers.
struct PairKernels
{
  template <AttackStage kAttack, bool kSustain, bool kBothGains>
  static void Render(BlockState& block, const BlockSettings& set, vecmath::Exp10Fn exp10,
                     double** inputs, double** outputs, int nFrames)
  {
    RenderBlock<kAttack, kSustain, kBothGains, quad::Pair>(block, set, exp10, inputs, outputs,
                                                           nFrames);
  }
};

// The same kernels compiled for CPUs with AVX2: three-operand instructions, and the
// detector's four lanes in one register. FMA is not enabled, so every lane performs the same
// IEEE operations as above, to the bit. Everything the kernel calls is inlined into it, so
// its AVX2 code never stands in for a function the rest of the program shares; GCC clears
// the upper register halves before it returns.
struct WideKernels
{
  template <AttackStage kAttack, bool kSustain, bool kBothGains>
  __attribute__((target("avx2"))) static void Render(BlockState& block, const BlockSettings& set,
                                                     vecmath::Exp10Fn exp10, double** inputs,
                                                     double** outputs, int nFrames)
  {
    RenderBlock<kAttack, kSustain, kBothGains, quad::Wide>(block, set, exp10, inputs, outputs,
                                                           nFrames);
  }
};

template <typename K, AttackStage kAttack, bool kSustain> RenderFn PickRender(bool bothGains)
{
  if (bothGains) return K::template Render<kAttack, kSustain, true>;
  return K::template Render<kAttack, kSustain, false>;
}

template <typename K> RenderFn PickRender(const BlockSettings& set)
{
  switch (set.attackStage)
  {
  case AttackStage::kNone:
    return set.sustainStage ? PickRender<K, AttackStage::kNone, true>(set.bothGains)
                            : K::template Render<AttackStage::kNone, false, true>;
  case AttackStage::kBoost:
    return set.sustainStage ? PickRender<K, AttackStage::kBoost, true>(set.bothGains)
                            : PickRender<K, AttackStage::kBoost, false>(set.bothGains);
  case AttackStage::kCut:
    return set.sustainStage ? PickRender<K, AttackStage::kCut, true>(set.bothGains)
                            : K::template Render<AttackStage::kCut, false, true>;
  }
  return K::template Render<AttackStage::kNone, false, true>;
}

// The kernels for the instruction set the gain stage's exp10 uses: AVX2 only where the CPU
// has it, and tests that force a level get that level's kernels throughout.
RenderFn PickRender(const BlockSettings& set, vecmath::Exp10Fn exp10)
{
  if (vecmath::IsaOf(exp10) == vecmath::Isa::kAvx2) return PickRender<WideKernels>(set);
  return PickRender<PairKernels>(set);
}

// Stores the block's held peak. If the clip light cleared the peak while the block ran, the
// peak since then is at most this block's own, which is stored instead; no clear is lost. A
// block that raised nothing, with nothing cleared, stores nothing.
void PublishPeak(std::atomic<double>& held, double atStart, double peak, double blockPeak)
{
  double expected = atStart;
  if (peak == atStart && held.load(kRelaxed) == atStart) return;
  if (!held.compare_exchange_strong(expected, peak, kRelaxed))
  {
    while (blockPeak > expected && !held.compare_exchange_weak(expected, blockPeak, kRelaxed))
    {
    }
  }
}

void ResetIfNotFinite(double& value, double initial)
{
  if (!std::isfinite(value)) value = initial;
}

void FlushTiny(double& value)
{
  if (std::fabs(value) < kFlushBelow) value = 0.0;
}
} // namespace

bool Kestrion::DeliversRightOutput() const
{
  // A plug-in driven directly, with no output connected, delivers both.
  return IsOutChannelConnected(1) || !IsOutChannelConnected(0);
}

void Kestrion::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  if (nFrames <= 0) return;

  const double attack = mAttack.load(kRelaxed);
  const double sustain = mSustain.load(kRelaxed);
  BlockSettings set;
  set.attackStage = attack > 0.0    ? AttackStage::kBoost
                    : attack == 0.0 ? AttackStage::kNone
                                    : AttackStage::kCut;
  set.sustainStage = sustain != 0.0;
  set.bothGains = DeliversRightOutput();
  set.attackAmount = stereo::Splat(attack / 20.0);
  set.sustainAmount = stereo::Splat(sustain / 20.0);
  set.attackLink = stereo::Splat(mAttackLink.load(kRelaxed));
  set.sustainLink = stereo::Splat(mSustainLink.load(kRelaxed));
  set.attackUnlinked = 1.0 - set.attackLink;
  set.sustainUnlinked = 1.0 - set.sustainLink;
  const vecmath::Exp10Fn exp10 = vecmath::Exp10Function();
  double cutGain = 1.0;
  if (set.attackStage == AttackStage::kCut)
  {
    cutGain = attack / 20.0;
    exp10(&cutGain, 1);
  }
  set.cutGain = stereo::Splat(cutGain);
  set.cutRest = stereo::Splat(1.0 - cutGain);
  set.gain = stereo::Splat(mGain.load(kRelaxed));

  // The held peaks are tracked locally for the block (see PublishPeak).
  const v2d held = stereo::Make(mPeakL.load(kRelaxed), mPeakR.load(kRelaxed));
  BlockState block{mLeft, mRight, SideChain(*mFilter),
                   OutputStage(set.gain, held, *mMeterEnv, mMeterState)};
  PickRender(set, exp10)(block, set, exp10, inputs, outputs, nFrames);
  const OutputStage& output = block.output;

  block.sideChain.StoreTo(*mFilter);
  // A follower stepping towards a steady input stops an ulp or two short of it; the meter
  // then takes its input exactly, so that an output held at full scale lights the clip light.
  double meter = output.meterState[0];
  const double meterInput = std::max(output.peak[0], output.peak[1]);
  if (meter < meterInput && meterInput - meter <= 8.0 * DBL_EPSILON * meterInput)
    meter = meterInput;
  mMeterState = meter;
  PublishPeak(mPeakL, held[0], output.peak[0], output.blockPeak[0]);
  PublishPeak(mPeakR, held[1], output.peak[1], output.blockPeak[1]);
  mMeter.store(meter, kRelaxed);
  SanitizeStates();
}

void Kestrion::SanitizeStates()
{
  double* detection[] = {
      &mLeft.attackFast,   &mLeft.sustainShort, &mLeft.attackSlow,    &mLeft.sustainLong,
      &mLeft.level,        &mRight.attackFast,  &mRight.sustainShort, &mRight.attackSlow,
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
      if (!std::isfinite(held->load(kRelaxed))) held->store(0.0, kRelaxed);
  }

  for (double* state : detection)
    FlushTiny(*state);
  for (double& s : mFilter->stage)
    FlushTiny(s);
}
