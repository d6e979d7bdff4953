#include "graphics/IBitmapTextControl.h"
#include "plugin/Exp10.h"
#include "plugin/HighPassWavefront.h"
#include "plugin/Kestrion.h"
#include "tests/plugin/IsaFixture.h"
#include "tests/plugin/ReferenceShaper.h"
#include "tests/plugin/TestSignals.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Settings = ReferenceShaper::Settings;

// A plug-in object as the host has initialised it: every parameter pushed once.
std::unique_ptr<Kestrion> MakeInitialised(const Settings& s = Settings(), double rate = 44100)
{
  auto plug = std::make_unique<Kestrion>(IEffectInstanceInfo{"id", "View"});
  plug->SetSampleRate(rate);
  const double values[Kestrion::kNumParams] = {s.attack, s.sustain, s.attackLink,  s.attackLength,
                                               s.gain,   s.scHpf,   s.sustainLink, s.sustainLength};
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    plug->GetParam(i)->Set(values[i]);
  plug->OnParamReset();
  return plug;
}

void SetParam(Kestrion& plug, int idx, double value)
{
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx);
}

// Runs one stereo block in place through the processor; returns the outputs.
StereoSignal Process(Kestrion& plug, StereoSignal in)
{
  StereoSignal out;
  out.left.resize(in.left.size());
  out.right.resize(in.right.size());
  double* ins[] = {in.left.data(), in.right.data()};
  double* outs[] = {out.left.data(), out.right.data()};
  plug.ProcessDoubleReplacing(ins, outs, static_cast<int>(in.left.size()));
  return out;
}

bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The processor's contract with the plain reference: every sample within 1e-14 relative (and
// 1e-300 absolute) of it; a sample that is not a number only where the reference has one.
::testing::AssertionResult WithinContract(double reference, double actual)
{
  if (std::isnan(reference) && std::isnan(actual)) return ::testing::AssertionSuccess();
  if (std::fabs(actual - reference) <= 1e-14 * std::fabs(reference) + 1e-300)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "reference " << reference << ", processor " << actual;
}

// Frame by frame through both, in place, as the host would: the outputs and written-back
// inputs of each.
struct TwoRuns
{
  StereoSignal plugIn, plugOut, refIn, refOut;
  explicit TwoRuns(const StereoSignal& material)
      : plugIn(material), plugOut(material), refIn(material), refOut(material)
  {
  }
  void Process(Kestrion& plug, ReferenceShaper& ref, int pos, int block)
  {
    double* pin[] = {&plugIn.left[pos], &plugIn.right[pos]};
    double* pout[] = {&plugOut.left[pos], &plugOut.right[pos]};
    plug.ProcessDoubleReplacing(pin, pout, block);
    ref.Process(&refIn.left[pos], &refIn.right[pos], &refOut.left[pos], &refOut.right[pos], block);
  }
  void ExpectWithinContract(int frames, const char* what) const
  {
    for (int i = 0; i < frames; ++i)
    {
      ASSERT_TRUE(WithinContract(refOut.left[i], plugOut.left[i])) << what << " frame " << i;
      ASSERT_TRUE(WithinContract(refOut.right[i], plugOut.right[i])) << what << " frame " << i;
      ASSERT_TRUE(WithinContract(refIn.left[i], plugIn.left[i])) << what << " input " << i;
      ASSERT_TRUE(WithinContract(refIn.right[i], plugIn.right[i])) << what << " input " << i;
    }
  }
};

// The detection (followers, filter) is exact arithmetic in the reference's order: its states
// match bit for bit, whatever the gains.
void ExpectSameDetection(const Kestrion& plug, const ReferenceShaper& ref)
{
  const Kestrion::ChannelDetector* ch[] = {&plug.GetLeft(), &plug.GetRight()};
  const ReferenceShaper::Channel* rc[] = {&ref.L, &ref.R};
  for (int c = 0; c < 2; ++c)
  {
    EXPECT_TRUE(SameBits(rc[c]->attackFast, ch[c]->attackFast)) << c;
    EXPECT_TRUE(SameBits(rc[c]->attackSlow, ch[c]->attackSlow)) << c;
    EXPECT_TRUE(SameBits(rc[c]->sustainShort, ch[c]->sustainShort)) << c;
    EXPECT_TRUE(SameBits(rc[c]->sustainLong, ch[c]->sustainLong)) << c;
    EXPECT_TRUE(SameBits(rc[c]->level, ch[c]->level)) << c;
  }
  for (int k = 0; k < Filter::kStages; ++k)
    EXPECT_TRUE(SameBits(ref.stage[k], plug.GetFilter().stage[k])) << "stage " << k;
}
} // namespace

TEST(Envelope, CoefficientsAt44100)
{
  const struct
  {
    double ms, coef;
  } table[] = {{DBL_MIN, 0.0},
               {0.1, 0.7971141629458125},
               {1, 0.9775794252591526},
               {2, 0.988726162928418},
               {7, 0.9967658501715917},
               {10, 0.9977349953069204},
               {15, 0.99848942626933},
               {22, 0.9989698156881484},
               {35, 0.9993523316288649},
               {75, 0.9996977025416011},
               {100, 0.9997732683378947},
               {150, 0.9998488398461045},
               {500, 0.9999546495544397},
               {600, 0.9999622078192067},
               {750, 0.9999697661411038},
               {850, 0.9999733230182353}};
  for (const auto& row : table)
  {
    envelope::EnvelopeDetector d(row.ms, 44100);
    EXPECT_DOUBLE_EQ(row.coef, d.getCoef()) << row.ms << " ms";
  }

  envelope::AttRelEnvelope env(10, 100, 44100);
  env.setSampleRate(96000);
  EXPECT_EQ(96000, env.getSampleRate());
  EXPECT_EQ(std::exp(-1000.0 / (10 * 96000.0)), env.attackCoef());
  EXPECT_EQ(std::exp(-1000.0 / (100 * 96000.0)), env.releaseCoef());
  // Rising input uses the attack coefficient, falling (and NaN comparisons) the release one.
  EXPECT_EQ(1 + (0 - 1) * env.attackCoef(), env.track(1, 0));
  EXPECT_EQ(0 + (1 - 0) * env.releaseCoef(), env.track(0, 1));
  EXPECT_TRUE(std::isnan(env.track(std::nan(""), 1)));
}

TEST(Filter, SixStagesAndOutputModes)
{
  Filter hp(0.5, Filter::kFilterHighPass);
  EXPECT_EQ(1.0 - 0.015625, hp.process(1.0)); // 0.5^6 reaches the last stage
  Filter lp(0.5, Filter::kFilterLowPass);
  EXPECT_EQ(0.015625, lp.process(1.0));
  Filter bp(0.5, Filter::kFilterBandPass);
  EXPECT_EQ(0.5 - 0.015625, bp.process(1.0));
  Filter other(0.5, static_cast<Filter::Mode>(7));
  EXPECT_EQ(0.0, other.process(1.0));
  EXPECT_EQ(0.5, other.stage[0]); // the stages still run
}

// The wavefront evaluation of the high-pass gives the sample-by-sample results to the bit,
// stages and output, for runs shorter than the wavefront's depth and longer, and runs the
// overlapped work exactly once per index.
TEST(Filter, WavefrontMatchesSampleBySample)
{
  for (int n : {1, 2, 3, 4, 5, 6, 7, 64, 131})
  {
    std::vector<double> xL(n), xR(n);
    for (int i = 0; i < n; ++i)
      xL[i] = std::sin(0.37 * i) * 0.8, xR[i] = std::cos(1.3 * i) - 0.25;
    const double c = 0.287;
    Filter::Stages expected = {0.1, -0.2, 0.3, 1e-3, -0.5, 0.25};
    Filter::Stages actual;
    std::copy(expected, expected + Filter::kStages, actual);
    std::vector<double> want(2 * n);
    for (int i = 0; i < n; ++i)
    {
      want[2 * i] = Filter::Step(expected, c, Filter::kFilterHighPass, xL[i]);
      want[2 * i + 1] = Filter::Step(expected, c, Filter::kFilterHighPass, xR[i]);
    }
    stereo::v2d f[131];
    std::vector<int> calls(n + 2, 0);
    auto also = [&](int i) { ++calls[i]; };
    wavefront::RunHighPass(actual, c, xL.data(), xR.data(), f, n, n + 2, also);
    for (int i = 0; i < n; ++i)
    {
      EXPECT_TRUE(SameBits(want[2 * i], f[i][0])) << "n " << n << " frame " << i;
      EXPECT_TRUE(SameBits(want[2 * i + 1], f[i][1])) << "n " << n << " frame " << i;
    }
    for (int k = 0; k < Filter::kStages; ++k)
      EXPECT_TRUE(SameBits(expected[k], actual[k])) << "n " << n << " stage " << k;
    EXPECT_EQ(std::vector<int>(n + 2, 1), calls) << "n " << n;
  }
}

TEST(Kestrion, IdentityAndParameterTable)
{
  Kestrion plug(IEffectInstanceInfo{"com.Wexa.audiounit.Kestrion", "Kestrion_View"});
  EXPECT_STREQ("Kestrion", plug.GetEffectName());
  EXPECT_STREQ("", plug.GetProductName());
  EXPECT_STREQ("Wexa", plug.GetMfrName());
  EXPECT_EQ(0x62796B48, plug.GetUniqueID());
  EXPECT_EQ(0x62796B48, plug.GetMfrID());
  EXPECT_EQ(0x00010001, plug.GetEffectVersion(false));
  EXPECT_EQ(1, plug.NPresets());
  EXPECT_EQ(0, plug.GetLatency());
  EXPECT_TRUE(plug.LegalIO(1, 1));
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_EQ(kAPIAU, plug.GetAPI());
  EXPECT_EQ(1024, plug.GetBlockSize());
  EXPECT_EQ("Kestrion_View", plug.ViewFactoryClass());

  const struct
  {
    const char* name;
    double def, min, max;
    const char* label;
    double shape;
  } table[] = {{"Attack", 0, -100, 100, "%", 1},    {"Sustain", 0, -100, 100, "%", 1},
               {"Attack Link", 0, 0, 100, "%", 1},  {"Attack Length", 5, 0, 20, "ms", 1},
               {"Gain", 0, -94, 6, "dB", 0.09},     {"SC HPF", 0, 0, 100, "%", 1},
               {"Sustain Link", 0, 0, 100, "%", 1}, {"Sustain Length", 500, 0, 750, "ms", 1}};
  ASSERT_EQ(8, plug.NParams());
  for (int i = 0; i < 8; ++i)
  {
    const IParam& p = *plug.GetParam(i);
    EXPECT_STREQ(table[i].name, p.GetNameForHost());
    EXPECT_EQ(IParam::kTypeDouble, p.Type());
    EXPECT_EQ(table[i].def, p.Value());
    EXPECT_EQ(table[i].min, p.GetMin());
    EXPECT_EQ(table[i].max, p.GetMax());
    EXPECT_STREQ(table[i].label, p.GetLabelForHost());
    EXPECT_STREQ("", p.GetParamGroupForHost());
    EXPECT_EQ(table[i].shape, p.GetShape());
    EXPECT_EQ(0.01, p.GetStep());
    EXPECT_EQ(2, p.GetPrecision());
  }

  // Before initialisation the constructor's placeholder times and the filter's 0.5 hold.
  EXPECT_EQ(0.5, plug.GetFilter().coefficient.load());
  EXPECT_EQ(10.0, plug.GetLeft().attackSlowEnv->getAttack());
  EXPECT_EQ(0.0, plug.GetLeft().attackFastEnv->attackCoef());
  EXPECT_EQ(0.001, plug.GetMeterState());
  EXPECT_EQ(0.1, plug.GetMeterEnv().getAttack());
  EXPECT_EQ(750.0, plug.GetMeterEnv().getRelease());
}

TEST(Kestrion, InitialisationMapsEveryParameter)
{
  auto plug = MakeInitialised();
  for (const Kestrion::ChannelDetector* ch : {&plug->GetLeft(), &plug->GetRight()})
  {
    EXPECT_EQ(7.0, ch->attackSlowEnv->getAttack());
    EXPECT_EQ(7.0, ch->levelEnv->getAttack());
    EXPECT_EQ(600.0, ch->sustainLongEnv->getRelease());
    EXPECT_DOUBLE_EQ(0.9967658501715917, ch->attackSlowEnv->attackCoef());
    // The fixed times.
    EXPECT_EQ(35.0, ch->attackFastEnv->getRelease());
    EXPECT_EQ(1.0, ch->sustainShortEnv->getAttack());
    EXPECT_EQ(75.0, ch->sustainShortEnv->getRelease());
    EXPECT_EQ(150.0, ch->levelEnv->getRelease());
  }
  EXPECT_EQ(0.0, plug->GetFilter().coefficient.load());
  EXPECT_EQ(1.0, plug->GetGain());
  EXPECT_EQ(0.0, plug->GetAttack());
  EXPECT_EQ(0.0, plug->GetSustain());
  EXPECT_EQ(0.0, plug->GetAttackLink());
  EXPECT_EQ(0.0, plug->GetSustainLink());

  SetParam(*plug, Kestrion::kAttackLength, 0);
  EXPECT_EQ(2.0, plug->GetRight().levelEnv->getAttack());
  SetParam(*plug, Kestrion::kAttackLength, 20);
  EXPECT_EQ(22.0, plug->GetRight().attackSlowEnv->getAttack());
  SetParam(*plug, Kestrion::kSustainLength, 0);
  EXPECT_EQ(100.0, plug->GetLeft().sustainLongEnv->getRelease());
  SetParam(*plug, Kestrion::kSustainLength, 750);
  EXPECT_EQ(850.0, plug->GetRight().sustainLongEnv->getRelease());
  SetParam(*plug, Kestrion::kSCHPF, 100);
  EXPECT_DOUBLE_EQ(0.2, plug->GetFilter().coefficient.load());
  SetParam(*plug, Kestrion::kAttack, -40);
  EXPECT_DOUBLE_EQ(-12.0, plug->GetAttack());
  SetParam(*plug, Kestrion::kAttackLink, 50);
  EXPECT_EQ(0.5, plug->GetAttackLink());

  // Indices outside the table change nothing.
  plug->OnParamChange(8);
  plug->OnParamChange(-1);
  EXPECT_DOUBLE_EQ(-12.0, plug->GetAttack());
}

TEST(Kestrion, GainMapping)
{
  auto plug = MakeInitialised();
  SetParam(*plug, Kestrion::kGain, -93);
  EXPECT_EQ(0.0, plug->GetGain());
  SetParam(*plug, Kestrion::kGain, -94);
  EXPECT_EQ(0.0, plug->GetGain());
  SetParam(*plug, Kestrion::kGain, -92.99);
  EXPECT_NEAR(2.2413e-05, plug->GetGain(), 1e-9);
  SetParam(*plug, Kestrion::kGain, 6);
  EXPECT_NEAR(1.9953, plug->GetGain(), 1e-4);

  IParam* gain = plug->GetParam(Kestrion::kGain);
  gain->SetNormalized(0.5); // shape 0.09 puts most of the travel near the top
  EXPECT_NEAR(-0.0477, gain->Value(), 1e-4);

  SetParam(*plug, Kestrion::kGain, -93);
  StereoSignal out = Process(*plug, MakeDrumLoop(512));
  for (double s : out.left)
    EXPECT_EQ(0.0, s);
}

TEST(Kestrion, FirstSampleFigures)
{
  Settings boost;
  boost.attack = 100;
  auto plug = MakeInitialised(boost);
  StereoSignal one{{1.0}, {1.0}};
  StereoSignal out = Process(*plug, one);
  EXPECT_NEAR(31.164, out.left[0], 5e-4);
  EXPECT_NEAR(31.164, out.right[0], 5e-4);
  EXPECT_NEAR(0.0042309, plug->GetLeft().attackSlow, 1e-7);
  EXPECT_EQ(1.0, plug->GetLeft().attackFast);
  EXPECT_NEAR(0.99577, plug->GetLeft().attackSignal, 1e-5);

  Settings cut;
  cut.attack = -100;
  plug = MakeInitialised(cut);
  out = Process(*plug, StereoSignal{{1.0}, {1.0}});
  EXPECT_NEAR(0.035720, out.left[0], 5e-7);
  EXPECT_NEAR(0.035720, out.right[0], 5e-7);
  EXPECT_NEAR(0.0042309, plug->GetRight().level, 1e-7);
}

TEST(Kestrion, NeutralSettingsAreBitExactIdentity)
{
  // Attack 0 %, Sustain 0 %, Gain 0 dB pass the input through, whatever the detection does.
  Settings busy;
  busy.scHpf = 50, busy.attackLink = 100, busy.sustainLink = 30, busy.attackLength = 0;
  for (const Settings& s : {Settings(), busy})
  {
    auto plug = MakeInitialised(s);
    const StereoSignal in = MakeDrumLoop(4096);
    const StereoSignal out = Process(*plug, in);
    for (size_t i = 0; i < in.left.size(); ++i)
    {
      ASSERT_TRUE(SameBits(in.left[i], out.left[i])) << i;
      ASSERT_TRUE(SameBits(in.right[i], out.right[i])) << i;
    }
  }
}

// The oracle test: five settings, odd block sizes, three sample rates, on every instruction
// set this CPU offers.
class KestrionOracle : public IsaTest<std::tuple<vecmath::Isa, double>>
{
};

TEST_P(KestrionOracle, MatchesTheReferenceWithinTheContract)
{
  const double rate = std::get<1>(GetParam());
  std::vector<Settings> cases(5);
  cases[1].attack = 60, cases[1].sustain = -40, cases[1].attackLink = 50, cases[1].sustainLink = 50,
  cases[1].scHpf = 30;
  cases[2].attack = -100, cases[2].sustain = 100, cases[2].attackLength = 0,
  cases[2].sustainLength = 750, cases[2].gain = -12;
  cases[3].attack = 100, cases[3].sustain = -100, cases[3].attackLink = 100,
  cases[3].sustainLink = 100, cases[3].scHpf = 100, cases[3].gain = 6;
  cases[4].attack = -35.5, cases[4].sustain = 12.25, cases[4].attackLink = 10,
  cases[4].attackLength = 20, cases[4].sustainLength = 0, cases[4].scHpf = 3;

  const int frames = static_cast<int>(rate / 2);
  const StereoSignal material = MakeDrumLoop(frames, rate);
  for (size_t c = 0; c < cases.size(); ++c)
  {
    auto plug = MakeInitialised(cases[c], rate);
    ReferenceShaper ref(cases[c], rate);
    TwoRuns runs(material);
    int pos = 0;
    for (int block : {1, 511, 512, 63, 1001, 7, 4096})
      for (int rep = 0; rep < 4 && pos + block <= frames; ++rep, pos += block)
        runs.Process(*plug, ref, pos, block);
    runs.ExpectWithinContract(pos, ("case " + std::to_string(c)).c_str());
    ExpectSameDetection(*plug, ref);
    EXPECT_TRUE(WithinContract(ref.peakL, plug->GetPeakL()));
    EXPECT_TRUE(WithinContract(ref.peakR, plug->GetPeakR()));
    EXPECT_TRUE(WithinContract(ref.meterState, plug->GetMeter()));
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, KestrionOracle,
                         ::testing::Combine(::testing::ValuesIn(vecmath::kAllIsas),
                                            ::testing::Values(44100.0, 48000.0, 96000.0)),
                         IsaTestName<double>);

// Mono: the right channel's gains are not evaluated, and the delivered output, the meter and
// the detection are exactly those of a stereo run whose right input is silent.
class KestrionMono : public IsaTest<std::tuple<vecmath::Isa, int>>
{
};

TEST_P(KestrionMono, SkipsTheRightGainsAndDeliversTheSameLeft)
{
  Settings s;
  s.attack = std::get<1>(GetParam()), s.sustain = -40, s.attackLink = 50, s.sustainLink = 50,
  s.scHpf = 30;
  auto stereo = MakeInitialised(s);
  auto mono = MakeInitialised(s);
  mono->SetOutputChannelConnections(0, 1, true); // only the first output is delivered
  mono->SetOutputChannelConnections(1, 1, false);

  StereoSignal in = MakeDrumLoop(3000);
  std::fill(in.right.begin(), in.right.end(), 0.0);
  int pos = 0;
  for (int block : {512, 77, 1, 1024, 386})
  {
    StereoSignal part{{in.left.begin() + pos, in.left.begin() + pos + block},
                      {in.right.begin() + pos, in.right.begin() + pos + block}};
    const StereoSignal a = Process(*stereo, part);
    const StereoSignal b = Process(*mono, part);
    for (int i = 0; i < block; ++i)
    {
      ASSERT_TRUE(SameBits(a.left[i], b.left[i])) << pos + i;
      ASSERT_TRUE(SameBits(a.right[i], b.right[i])) << pos + i; // silence stays silence
    }
    pos += block;
  }
  EXPECT_EQ(stereo->GetMeter(), mono->GetMeter());
  EXPECT_EQ(stereo->GetLeft().sustainLong, mono->GetLeft().sustainLong);
  EXPECT_EQ(stereo->GetRight().attackSignal, mono->GetRight().attackSignal);
  EXPECT_GT(stereo->GetMeter(), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Settings, KestrionMono,
                         ::testing::Combine(::testing::ValuesIn(vecmath::kAllIsas),
                                            ::testing::Values(60, 0, -70)),
                         IsaTestName<int>);

TEST(Kestrion, ScHpfZeroFreezesTheFilter)
{
  auto plug = MakeInitialised();
  EXPECT_EQ(0.0, plug->GetFilter().stage[5]); // from initialisation on the stages hold 0
  Process(*plug, MakeDrumLoop(256));
  EXPECT_EQ(0.0, plug->GetFilter().stage[0]);

  SetParam(*plug, Kestrion::kSCHPF, 30);
  Process(*plug, MakeDrumLoop(2048));
  const double frozen[6] = {plug->GetFilter().stage[0], plug->GetFilter().stage[1],
                            plug->GetFilter().stage[2], plug->GetFilter().stage[3],
                            plug->GetFilter().stage[4], plug->GetFilter().stage[5]};
  EXPECT_NE(0.0, frozen[5]);
  SetParam(*plug, Kestrion::kSCHPF, 0);
  Process(*plug, MakeDrumLoop(2048, 44100, 7));
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(frozen[k], plug->GetFilter().stage[k]);
}

TEST(Kestrion, StereoLinks)
{
  // The right channel is silent: unlinked it measures nothing; fully linked it takes the
  // left channel's larger measurements.
  StereoSignal in = MakeDrumLoop(2048);
  std::fill(in.right.begin(), in.right.end(), 0.0);

  Settings unlinked;
  unlinked.attack = 50;
  auto plug = MakeInitialised(unlinked);
  Process(*plug, in);
  EXPECT_EQ(0.0, plug->GetRight().attackSignal);
  EXPECT_GT(plug->GetLeft().attackSignal + plug->GetLeft().sustainSignal, 0.0);

  Settings linked = unlinked;
  linked.attackLink = 100;
  linked.sustainLink = 100;
  plug = MakeInitialised(linked);
  for (int block = 0; block < 8; ++block)
  {
    StereoSignal part{{in.left.begin() + block * 256, in.left.begin() + (block + 1) * 256},
                      {in.right.begin() + block * 256, in.right.begin() + (block + 1) * 256}};
    Process(*plug, part);
    EXPECT_EQ(plug->GetLeft().attackSignal, plug->GetRight().attackSignal);
    EXPECT_EQ(plug->GetLeft().sustainSignal, plug->GetRight().sustainSignal);
  }
  EXPECT_GT(plug->GetRight().attackSignal + plug->GetRight().sustainSignal, 0.0);
}

TEST(Kestrion, ReadoutTexts)
{
  const struct
  {
    double value;
    const char* text;
  } cases[] = {{50, "50.0 %"},   {5, "5.00 %"},  {0, "0.00 %"},    {-5, "-5.00 %"},
               {-50, "-50.0 %"}, {100, "100 %"}, {-100, "-100 %"}, {9.999, "10.00 %"},
               {-10, "-10.0 %"}, {10, "10.0 %"}};
  Kestrion plug(IEffectInstanceInfo{});
  IBitmapTextControl readout(&plug, IRECT(38, 46, 178, 60), nullptr, "", nullptr, 6, 12, 0, true,
                             false);
  for (const auto& c : cases)
  {
    plug.printString(c.value, &readout, "%");
    EXPECT_EQ(c.text, readout.GetTextString()) << c.value;
  }
  plug.printString(std::nan(""), &readout, "ms");
  EXPECT_EQ("nan ms", readout.GetTextString());
  plug.printString(1, nullptr, "%"); // no readout attached: nothing to do
}

TEST(Kestrion, ResetAndEmptyBlocksChangeNothing)
{
  Settings s;
  s.attack = 70, s.sustain = -30, s.scHpf = 20;
  const StereoSignal in = MakeDrumLoop(2048);
  StereoSignal first{{in.left.begin(), in.left.begin() + 1024},
                     {in.right.begin(), in.right.begin() + 1024}};
  StereoSignal second{{in.left.begin() + 1024, in.left.end()},
                      {in.right.begin() + 1024, in.right.end()}};

  auto plain = MakeInitialised(s);
  auto reset = MakeInitialised(s);
  Process(*plain, first);
  Process(*reset, first);

  const double before = reset->GetLeft().sustainLong;
  double* none[] = {nullptr, nullptr};
  reset->ProcessDoubleReplacing(none, none, 0);
  reset->ProcessDoubleReplacing(none, none, -5);
  reset->Reset();
  EXPECT_EQ(before, reset->GetLeft().sustainLong);

  const StereoSignal a = Process(*plain, second);
  const StereoSignal b = Process(*reset, second);
  for (size_t i = 0; i < a.left.size(); ++i)
    ASSERT_TRUE(SameBits(a.left[i], b.left[i]) && SameBits(a.right[i], b.right[i])) << i;
}

TEST(Kestrion, FollowersRunAtTheHostRate)
{
  auto plug = std::make_unique<Kestrion>(IEffectInstanceInfo{});
  plug->SetSampleRate(96000);
  // The slow attack follower still holds its 10 ms placeholder time.
  EXPECT_EQ(std::exp(-1000.0 / (10 * 96000.0)), plug->GetLeft().attackSlowEnv->attackCoef());
  EXPECT_EQ(96000, plug->GetMeterEnv().getSampleRate());
  plug->OnParamReset();
  EXPECT_EQ(std::exp(-1000.0 / (7 * 96000.0)), plug->GetRight().levelEnv->attackCoef());
  EXPECT_EQ(std::exp(-1000.0 / (600 * 96000.0)), plug->GetRight().sustainLongEnv->releaseCoef());

  Settings s;
  s.attack = 45, s.sustain = 20, s.attackLength = 9;
  plug = MakeInitialised(s, 48000);
  ReferenceShaper ref(s, 48000);
  StereoSignal in = MakeDrumLoop(4800, 48000), refIn = in;
  StereoSignal out = Process(*plug, in), refOut = refIn;
  ref.Process(refIn.left.data(), refIn.right.data(), refOut.left.data(), refOut.right.data(), 4800);
  for (size_t i = 0; i < out.left.size(); ++i)
    ASSERT_TRUE(WithinContract(refOut.left[i], out.left[i])) << i;

  plug->SetSampleRate(44100); // and back: every figure at 44100 Hz holds again
  EXPECT_DOUBLE_EQ(0.9998488398461045, plug->GetLeft().levelEnv->releaseCoef());
  EXPECT_DOUBLE_EQ(0.9996977025416011, plug->GetRight().sustainShortEnv->releaseCoef());
  EXPECT_DOUBLE_EQ(0.7971141629458125, plug->GetMeterEnv().attackCoef());
}

TEST(Kestrion, RecoversFromNonFiniteSamplesWithinABlock)
{
  Settings s;
  s.attack = 40, s.sustain = -20, s.scHpf = 25, s.attackLink = 30;
  auto plug = MakeInitialised(s);
  StereoSignal in = MakeDrumLoop(1024);
  in.left[100] = std::nan("");
  in.right[200] = INFINITY;
  in.left[300] = -INFINITY;
  Process(*plug, in);

  const Kestrion::ChannelDetector& L = plug->GetLeft();
  for (double v : {L.attackFast, L.attackSlow, L.sustainLong, L.sustainShort, L.level,
                   plug->GetRight().attackFast, plug->GetMeterState(), plug->GetMeter(),
                   plug->GetPeakL(), plug->GetPeakR()})
    EXPECT_TRUE(std::isfinite(v));
  for (double st : plug->GetFilter().stage)
    EXPECT_TRUE(std::isfinite(st));

  const StereoSignal out = Process(*plug, MakeDrumLoop(1024, 44100, 3));
  for (size_t i = 0; i < out.left.size(); ++i)
    ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
  double energy = 0;
  for (double v : out.left)
    energy += v * v;
  EXPECT_GT(energy, 1.0); // not silenced
}

TEST(Kestrion, LongSilenceFlushesTinyStatesWithoutAudibleChange)
{
  Settings s;
  s.attack = 60, s.sustain = -40, s.attackLink = 50, s.sustainLink = 50, s.scHpf = 30;
  auto plug = MakeInitialised(s);
  ReferenceShaper ref(s);
  const int block = 512;
  const int blocks = 44100 * 20 / block; // a hit, then twenty seconds of digital silence
  StereoSignal hit = MakeDrumLoop(block * 8);
  for (int b = 0; b < blocks; ++b)
  {
    StereoSignal in{std::vector<double>(block, 0.0), std::vector<double>(block, 0.0)};
    if (b < 8)
      for (int i = 0; i < block; ++i)
      {
        in.left[i] = hit.left[b * block + i];
        in.right[i] = hit.right[b * block + i];
      }
    StereoSignal refIn = in, refOut = in;
    const StereoSignal out = Process(*plug, in);
    ref.Process(refIn.left.data(), refIn.right.data(), refOut.left.data(), refOut.right.data(),
                block);
    for (int i = 0; i < block; ++i)
      ASSERT_TRUE(WithinContract(refOut.left[i], out.left[i]) &&
                  WithinContract(refOut.right[i], out.right[i]))
          << "block " << b << " frame " << i;
  }

  // The reference has decayed into subnormal numbers by now; the plug-in has none.
  EXPECT_NE(0.0, ref.L.sustainLong);
  const Kestrion::ChannelDetector& L = plug->GetLeft();
  for (double v : {L.attackFast, L.attackSlow, L.sustainLong, L.sustainShort, L.level})
    EXPECT_TRUE(v == 0.0 || std::fabs(v) >= DBL_MIN) << v;
  for (double st : plug->GetFilter().stage)
    EXPECT_TRUE(st == 0.0 || std::fabs(st) >= DBL_MIN) << st;
}

TEST(Kestrion, HostNeutralPathInMonoAndStereo)
{
  Settings s;
  s.attack = 30, s.sustain = 10;
  auto plug = MakeInitialised(s);
  plug->SetBlockSize(256);

  // Stereo, single precision, through the base's buffer handling.
  StereoSignal src = MakeDrumLoop(256);
  std::vector<float> l(src.left.begin(), src.left.end()), r(src.right.begin(), src.right.end());
  std::vector<float> ol(256), orr(256);
  float* ins[] = {l.data(), r.data()};
  float* outs[] = {ol.data(), orr.data()};
  plug->SetInputChannelConnections(0, 2, true);
  plug->SetOutputChannelConnections(0, 2, true);
  plug->AttachInputBuffers(0, 2, ins, 256);
  plug->AttachOutputBuffers(0, 2, outs);
  plug->ProcessBuffers(0.0f, 256);

  auto direct = MakeInitialised(s);
  StereoSignal converted{std::vector<double>(l.begin(), l.end()),
                         std::vector<double>(r.begin(), r.end())};
  const StereoSignal expected = Process(*direct, converted);
  for (int i = 0; i < 256; ++i)
  {
    ASSERT_EQ(static_cast<float>(expected.left[i]), ol[i]) << i;
    ASSERT_EQ(static_cast<float>(expected.right[i]), orr[i]) << i;
  }

  // Mono: the second input reads silence and the second output is not delivered.
  plug->SetInputChannelConnections(1, 1, false);
  plug->SetOutputChannelConnections(1, 1, false);
  std::fill(orr.begin(), orr.end(), 5.0f);
  float* monoIn[] = {l.data()};
  float* monoOut[] = {ol.data()};
  plug->AttachInputBuffers(0, 2, monoIn, 256);
  plug->AttachOutputBuffers(0, 2, monoOut);
  plug->ProcessBuffers(0.0f, 256);
  EXPECT_EQ(5.0f, orr[17]);
}

TEST(Kestrion, StateDefaultPresetAndPresetFiles)
{
  Kestrion plug(IEffectInstanceInfo{});
  ASSERT_EQ(1, plug.NPresets());
  EXPECT_STREQ("-", plug.GetPresetName(0));

  ByteChunk state;
  ASSERT_TRUE(plug.SerializeState(&state));
  ASSERT_EQ(64, state.Size()); // eight doubles in parameter order
  double value = -1;
  EXPECT_EQ(8, state.Get(&value, 0));
  EXPECT_EQ(0.0, value); // Attack
  EXPECT_EQ(64, state.Get(&value, 56));
  EXPECT_EQ(500.0, value); // Sustain Length

  ByteChunk program, bank;
  ASSERT_TRUE(plug.MakeProgramFXP(&program));
  EXPECT_EQ(88, program.Size()); // parameter form: 56-byte header and eight floats
  ASSERT_TRUE(plug.MakeBankFXB(&bank));
  EXPECT_EQ(156 + 88, bank.Size()); // one program record

  // A state written with other settings restores every parameter and reaches the processor.
  plug.GetParam(Kestrion::kAttack)->Set(42);
  plug.GetParam(Kestrion::kGain)->Set(-6);
  ByteChunk changed;
  plug.SerializeState(&changed);
  Kestrion other(IEffectInstanceInfo{});
  EXPECT_EQ(64, other.UnserializeState(&changed, 0));
  EXPECT_EQ(42.0, other.GetParam(Kestrion::kAttack)->Value());
  EXPECT_DOUBLE_EQ(0.3 * 42, other.GetAttack());
  EXPECT_NEAR(0.501187, other.GetGain(), 1e-6);
}
