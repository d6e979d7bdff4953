#pragma once
// A minimal plug-in object for exercising the base: it records what the base tells the host
// and which parameters reached OnParamChange.

#include "framework/IEffectBase.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

class TestEffect : public IEffectBase
{
public:
  TestEffect(int nParams = 3, const char* channelIO = "1-1 2-2", int nPresets = 2,
             bool chunks = false)
    : IEffectBase(nParams, channelIO, nPresets, "TestEffect", "TestProduct", "TestMaker",
                  0x00010203, 0x54667831 /* Tfx1 */, 0x546D6B72 /* Tmkr */, 0, false, chunks, false, kAPIAU)
  {
  }

  void OnParamChange(int paramIdx) override
  {
    IEffectBase::OnParamChange(paramIdx);
    mChanged.push_back(paramIdx);
  }
  void BeginInformHostOfParamChange(int paramIdx) override { mBegun.push_back(paramIdx); }
  void InformHostOfParamChange(int paramIdx, double value) override
  {
    mInformed.push_back({paramIdx, value});
  }
  void EndInformHostOfParamChange(int paramIdx) override { mEnded.push_back(paramIdx); }
  void InformHostOfProgramChange() override { ++mProgramChanges; }
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return mTempo; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiMsg(IMidiMsg* msg) override
  {
    mSentMidi.push_back(*msg);
    return msg->mStatus != 0xFF; // a test message that the "host" refuses
  }
  void PresetsChangedByHost() override { ++mPresetsChanged; }

  struct Inform
  {
    int idx;
    double value;
  };
  std::vector<int> mChanged, mBegun, mEnded;
  std::vector<Inform> mInformed;
  std::vector<IMidiMsg> mSentMidi;
  int mProgramChanges = 0;
  int mPresetsChanged = 0;
  double mTempo = 120.0;

  // Test access to protected state.
  std::vector<double*>& InData() { return mInData; }
  std::vector<double*>& OutData() { return mOutData; }
  InChannel& In(int i) { return *mInChannels[static_cast<size_t>(i)]; }
  OutChannel& Out(int i) { return *mOutChannels[static_cast<size_t>(i)]; }
  IPreset& Preset(int i) { return *mPresets[static_cast<size_t>(i)]; }
  void SetCurrentPreset(int i) { mCurrentPresetIdx = i; }
  void SetStateChunks(bool chunks) { mStateChunks = chunks; }
};

// A plug-in with the eight parameters of the transient processor (same ranges, steps, defaults
// and shapes), so that state and preset-file layouts can be checked byte for byte.
class KestrionLikeEffect : public TestEffect
{
public:
  enum
  {
    kAttack, kSustain, kAttackLink, kAttackLength, kSustainLink, kSustainLength, kGain, kSCHPF,
    kNumParams
  };

  explicit KestrionLikeEffect(bool chunks = false, int nPresets = 1)
    : TestEffect(kNumParams, "1-1 2-2", nPresets, chunks)
  {
    struct Row
    {
      const char* name;
      double def, min, max, shape;
    };
    static const Row kRows[kNumParams] = {
      {"Attack", 0, -100, 100, 1},        {"Sustain", 0, -100, 100, 1},
      {"Attack Link", 0, 0, 100, 1},      {"Attack Length", 5, 0, 20, 1},
      {"Sustain Link", 0, 0, 100, 1},     {"Sustain Length", 500, 0, 750, 1},
      {"Gain", 0, -94, 6, 0.09},          {"SC HPF", 0, 0, 100, 1},
    };
    for (int i = 0; i < kNumParams; ++i)
      GetParam(i)->InitDouble(kRows[i].name, kRows[i].def, kRows[i].min, kRows[i].max, 0.01, "",
                              "", kRows[i].shape);
  }

  // The state the preset-file seeds are written from: two stored presets, a free slot, the
  // second preset current and live values of their own. Needs three slots.
  void PrepareAsFileSource()
  {
    SetValues({40, -25, 10, 2.5, 60, 120, -12, 30});
    MakeDefaultPreset("Punchy", 1);
    SetValues({-50, 75, 0, 15, 20, 700, 3, 0});
    MakeDefaultPreset("Soft", 1);
    SetValues({12.5, 12.5, 50, 10, 50, 375, -47, 50});
    SetCurrentPreset(1);
  }

  // A different state, which a refused load must leave exactly as it is. Needs three slots.
  void PrepareAsLoadTarget()
  {
    SetValues({-80, 5, 99, 19, 1, 10, -90, 77});
    MakeDefaultPreset("Target", 1);
    std::strcpy(Preset(2).mName, "free slot");
  }

  void SetValues(std::initializer_list<double> values)
  {
    int i = 0;
    for (double v : values)
      GetParam(i++)->Set(v);
  }
};

// Everything a preset file can change, as bytes: parameter values, every preset slot (flag,
// whole name field, chunk) and the current preset index.
inline std::string StateFingerprint(TestEffect& fx)
{
  std::string bytes;
  auto add = [&bytes](const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); };
  for (int i = 0; i < fx.NParams(); ++i)
  {
    const double v = fx.GetParam(i)->Value();
    add(&v, sizeof(v));
  }
  for (int i = 0; i < fx.NPresets(); ++i)
  {
    const IPreset& p = fx.Preset(i);
    add(&p.mInitialized, sizeof(p.mInitialized));
    add(p.mName, sizeof(p.mName));
    const int size = p.mChunk.Size();
    add(&size, sizeof(size));
    add(p.mChunk.GetBytes(), static_cast<size_t>(size));
  }
  const int current = fx.GetCurrentPresetIdx();
  add(&current, sizeof(current));
  return bytes;
}
