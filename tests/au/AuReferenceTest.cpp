// The host's render through Kestrion.component against the plug-in object driven directly in
// this process: the same input, converted from float to double, processed, and converted back
// to float, must give identical samples, in stereo and in mono, from a host callback and from
// upstream units, across parameter changes between blocks. Identical, not merely within the
// processor's tolerance of its plain reference: both sides run the same code, whose gain stage
// picks the same instruction set on this CPU, and a mono render (the component skips the
// right channel's gains) delivers exactly the left channel of a stereo one whose right input
// is silent.
#include "plugin/Kestrion.h"
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace autest;

namespace
{
using Channels = std::vector<std::vector<float>>;

enum class Path
{
  Callback,
  FastUpstream,
  SlowUpstream
};

struct Case
{
  UInt32 channels;
  double rate;
  UInt32 frames;
  Path path;
};

std::string Name(const ::testing::TestParamInfo<Case>& info)
{
  const Case& c = info.param;
  const char* path = c.path == Path::Callback ? "Callback" : c.path == Path::FastUpstream ? "FastUpstream" : "SlowUpstream";
  return std::string(c.channels == 2 ? "Stereo" : "Mono") + path + std::to_string(static_cast<int>(c.rate)) + "Hz" +
         std::to_string(c.frames);
}

constexpr int kBlocks = 24;
constexpr int kChangeAt = 10; // block before which the second settings apply
const float kFirst[kKestrionParams] = {60.0f, -40.0f, 25.0f, 10.0f, -3.0f, 20.0f, 50.0f, 300.0f};
const float kSecond[kKestrionParams] = {-70.0f, 35.0f, 100.0f, 0.0f, 4.5f, 0.0f, 0.0f, 750.0f};

// The plug-in object driven as the base does it: float input widened to double, processed,
// narrowed back to float. A channel the host does not connect reads silence.
Channels Reference(const Case& c)
{
  Kestrion plug(IEffectInstanceInfo{"com.Wexa.audiounit.Kestrion", "Kestrion_View"});
  plug.SetSampleRate(c.rate);
  for (int i = 0; i < kKestrionParams; ++i)
    plug.GetParam(i)->Set(kFirst[i]);
  plug.OnParamReset();

  std::vector<double> in[2], out[2];
  for (int ch = 0; ch < 2; ++ch)
  {
    in[ch].resize(c.frames);
    out[ch].resize(c.frames);
  }
  double* ins[] = {in[0].data(), in[1].data()};
  double* outs[] = {out[0].data(), out[1].data()};
  Channels result(c.channels);
  for (int b = 0; b < kBlocks; ++b)
  {
    if (b == kChangeAt)
      for (int i = 0; i < kKestrionParams; ++i)
      {
        plug.GetParam(i)->Set(kSecond[i]);
        plug.OnParamChange(i);
      }
    const int64_t first = static_cast<int64_t>(b) * c.frames;
    for (UInt32 i = 0; i < c.frames; ++i)
    {
      in[0][i] = SourceSample(0, first + i);
      in[1][i] = c.channels == 2 ? SourceSample(1, first + i) : 0.0f;
    }
    plug.ProcessDoubleReplacing(ins, outs, static_cast<int>(c.frames));
    for (UInt32 ch = 0; ch < c.channels; ++ch)
      for (UInt32 i = 0; i < c.frames; ++i)
        result[ch].push_back(static_cast<float>(out[ch][i]));
  }
  return result;
}

void SetAll(AudioUnit unit, const float* values)
{
  for (AudioUnitParameterID id = 0; id < kKestrionParams; ++id)
    ASSERT_EQ(AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, values[id], 0), noErr);
}

// The first sample whose bits differ, or -1.
long FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
  if (a.size() != b.size())
    return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
      return static_cast<long>(i);
  return -1;
}

class AuReference : public ::testing::TestWithParam<Case>
{
};

TEST_P(AuReference, HostRenderEqualsThePluginDrivenDirectly)
{
  const Case c = GetParam();
  std::unique_ptr<Unit> unit(OpenKestrion());
  ASSERT_EQ(unit->status(), noErr);
  AudioUnit u = unit->get();
  ASSERT_EQ(SetFormat(u, kAudioUnitScope_Output, c.channels, c.rate), noErr);

  InputFeed feed;
  std::unique_ptr<Unit> source;
  if (c.path == Path::Callback)
  {
    ASSERT_EQ(SetFormat(u, kAudioUnitScope_Input, c.channels, c.rate), noErr);
    ASSERT_EQ(feed.AttachTo(u), noErr);
  }
  else
  {
    source = std::make_unique<Unit>(kSourceType, c.path == Path::FastUpstream ? kSourceFast : kSourceSlow,
                                    kTestManufacturer);
    ASSERT_EQ(source->status(), noErr);
    ASSERT_EQ(SetFormat(*source, kAudioUnitScope_Output, c.channels), noErr);
    AudioUnitConnection connection = {source->get(), 0, 0};
    ASSERT_EQ(Set(u, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, connection), noErr);
  }
  ASSERT_EQ(AudioUnitInitialize(u), noErr);
  SetAll(u, kFirst);

  Channels host(c.channels);
  for (int b = 0; b < kBlocks; ++b)
  {
    if (b == kChangeAt)
      SetAll(u, kSecond);
    Buffers out(c.channels, c.frames);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(static_cast<double>(b) * c.frames);
    ASSERT_EQ(AudioUnitRender(u, &flags, &stamp, 0, c.frames, out.list()), noErr) << "block " << b;
    for (UInt32 ch = 0; ch < c.channels; ++ch)
    {
      const std::vector<float> s = out.samples(ch);
      host[ch].insert(host[ch].end(), s.begin(), s.end());
    }
  }

  const Channels expected = Reference(c);
  for (UInt32 ch = 0; ch < c.channels; ++ch)
  {
    const long at = FirstDifference(host[ch], expected[ch]);
    EXPECT_EQ(at, -1) << "channel " << ch << ": host " << (at >= 0 ? host[ch][at] : 0.0f) << ", plug-in "
                      << (at >= 0 ? expected[ch][at] : 0.0f);
  }
  // The material is really shaped: the output is not the input.
  EXPECT_NE(host[0][100], SourceSample(0, 100));
}

INSTANTIATE_TEST_SUITE_P(Paths, AuReference,
                         ::testing::Values(Case{2, 44100.0, 512, Path::Callback},
                                           Case{1, 44100.0, 512, Path::Callback},
                                           Case{2, 48000.0, 300, Path::Callback},
                                           Case{1, 96000.0, 1024, Path::Callback},
                                           Case{2, 44100.0, 512, Path::FastUpstream},
                                           Case{1, 44100.0, 512, Path::FastUpstream},
                                           Case{2, 44100.0, 256, Path::SlowUpstream},
                                           Case{1, 44100.0, 256, Path::SlowUpstream}),
                         Name);
} // namespace
