#pragma once
// Shared by the LV2 tests: parameter settings, drum material, the reference render (the
// plug-in object driven directly, as the wrapper drives it) and the bundle under test.

#include "lv2/LV2Turtle.h"
#include "plugin/Kestrion.h"
#include "tests/lv2/LilvHost.h"
#include "tests/plugin/TestSignals.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using Settings = std::array<double, Kestrion::kNumParams>;
using Channels = std::vector<std::vector<float>>;

inline const std::string kStereoURI = KESTRION_LV2_URI ":stereo";
inline const std::string kMonoURI = KESTRION_LV2_URI ":mono";

inline Settings DefaultSettings()
{
  Kestrion plug(IEffectInstanceInfo{});
  Settings s;
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    s[static_cast<size_t>(i)] = plug.GetParam(i)->GetDefault();
  return s;
}

// The benchmark's working setting: Attack +60 %, Sustain -40 %, links 50 %, SC HPF 30 %.
inline Settings WorkingSettings()
{
  Settings s = DefaultSettings();
  s[Kestrion::kAttack] = 60;
  s[Kestrion::kSustain] = -40;
  s[Kestrion::kAttackLink] = 50;
  s[Kestrion::kSustainLink] = 50;
  s[Kestrion::kSCHPF] = 30;
  return s;
}

// A cutting attack with everything else away from its default.
inline Settings CuttingSettings()
{
  Settings s = DefaultSettings();
  s[Kestrion::kAttack] = -70;
  s[Kestrion::kSustain] = 55;
  s[Kestrion::kAttackLength] = 12.5;
  s[Kestrion::kSustainLength] = 210;
  s[Kestrion::kGain] = -6.5;
  s[Kestrion::kSCHPF] = 65;
  s[Kestrion::kAttackLink] = 20;
  s[Kestrion::kSustainLink] = 80;
  return s;
}

inline const std::string& PortSymbol(int paramIdx)
{
  static const std::vector<std::string> symbols = []
  {
    Kestrion plug(IEffectInstanceInfo{});
    std::vector<std::string> all;
    for (int i = 0; i < Kestrion::kNumParams; ++i)
      all.push_back(LV2PortSymbol(plug.GetParam(i)->GetNameForHost()));
    return all;
  }();
  return symbols.at(static_cast<size_t>(paramIdx));
}

inline void SetPorts(LilvPluginInstance& instance, const Settings& s)
{
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    instance.Control(PortSymbol(i)) = static_cast<float>(s[static_cast<size_t>(i)]);
}

// Drum material, one vector per channel (mono: the left channel).
inline Channels Material(int channels, int frames, double rate, uint32_t seed = 7)
{
  const StereoSignal s = MakeDrumLoop(frames, rate, seed);
  Channels out(static_cast<size_t>(channels));
  out[0].assign(s.left.begin(), s.left.end());
  if (channels > 1) out[1].assign(s.right.begin(), s.right.end());
  return out;
}

// The plug-in object itself, every parameter set and pushed once, rendering in blocks: what the
// wrapper must deliver. A mono input feeds the left channel, the right reading silence as the
// wrapper's unconnected channel does. Renders continue from where the last one ended.
class ReferencePlug
{
public:
  ReferencePlug(const Settings& s, double rate)
  {
    mPlug.SetSampleRate(rate);
    for (int i = 0; i < Kestrion::kNumParams; ++i)
      mPlug.GetParam(i)->Set(static_cast<float>(s[static_cast<size_t>(i)])); // ports are floats
    mPlug.OnParamReset();
  }

  // As a host's parameter change does.
  void Set(int param, double value)
  {
    mPlug.GetParam(param)->Set(value);
    mPlug.OnParamChange(param);
  }

  Channels Render(const Channels& in, int blockSize)
  {
    const size_t frames = in[0].size();
    Channels out(in.size(), std::vector<float>(frames));
    std::vector<double> x[2], y[2];
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize))
    {
      const size_t n = std::min(frames - start, static_cast<size_t>(blockSize));
      for (size_t c = 0; c < 2; ++c)
      {
        x[c].assign(n, 0.0);
        y[c].assign(n, 0.0);
        if (c < in.size())
          for (size_t i = 0; i < n; ++i)
            x[c][i] = in[c][start + i];
      }
      double* ins[] = {x[0].data(), x[1].data()};
      double* outs[] = {y[0].data(), y[1].data()};
      mPlug.ProcessDoubleReplacing(ins, outs, static_cast<int>(n));
      for (size_t c = 0; c < in.size(); ++c)
        for (size_t i = 0; i < n; ++i)
          out[c][start + i] = static_cast<float>(y[c][i]);
    }
    return out;
  }

  Kestrion& Plug() { return mPlug; }

private:
  Kestrion mPlug{IEffectInstanceInfo{}};
};

inline Channels ReferenceRender(const Settings& s, double rate, const Channels& in, int blockSize)
{
  return ReferencePlug(s, rate).Render(in, blockSize);
}

// Sample-exact equality, reporting the first difference.
inline ::testing::AssertionResult SameAudio(const Channels& expected, const Channels& actual)
{
  if (expected.size() != actual.size()) return ::testing::AssertionFailure() << "channel count";
  for (size_t c = 0; c < expected.size(); ++c)
  {
    if (expected[c].size() != actual[c].size())
      return ::testing::AssertionFailure() << "length of channel " << c;
    for (size_t i = 0; i < expected[c].size(); ++i)
      if (std::memcmp(&expected[c][i], &actual[c][i], sizeof(float)) != 0)
        return ::testing::AssertionFailure() << "channel " << c << " frame " << i << ": expected "
                                             << expected[c][i] << ", got " << actual[c][i];
  }
  return ::testing::AssertionSuccess();
}
