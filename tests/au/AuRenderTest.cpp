// Rendering as a host drives it: refusals, input pulls, the buffers the host gives or leaves
// to the unit, bypass, and the same audio whether the input comes from a host callback or
// from an upstream unit, with or without its fast render function.
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace autest;

namespace
{
const AudioUnitScope kGlobal = kAudioUnitScope_Global;
const AudioUnitScope kInput = kAudioUnitScope_Input;
const AudioUnitScope kOutput = kAudioUnitScope_Output;

using Channels = std::vector<std::vector<float>>;

// Renders `blocks` blocks of `frames` from sample time `start` into host memory; the result
// per channel, all blocks joined. Stops with an empty result at the first error.
Channels RenderBlocks(AudioUnit unit, UInt32 channels, int blocks, UInt32 frames, double start = 0)
{
  Channels out(channels);
  for (int b = 0; b < blocks; ++b)
  {
    Buffers buffers(channels, frames);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(start + static_cast<double>(b) * frames);
    const OSStatus status = AudioUnitRender(unit, &flags, &stamp, 0, frames, buffers.list());
    EXPECT_EQ(status, noErr) << "block " << b;
    if (status != noErr)
      return Channels();
    for (UInt32 c = 0; c < channels; ++c)
    {
      const std::vector<float> s = buffers.samples(c);
      out[c].insert(out[c].end(), s.begin(), s.end());
    }
  }
  return out;
}

// The source material itself, as the unit's input sees it.
Channels SourceBlocks(UInt32 channels, size_t frames, int64_t start = 0)
{
  Channels out(channels, std::vector<float>(frames));
  for (UInt32 c = 0; c < channels; ++c)
    for (size_t i = 0; i < frames; ++i)
      out[c][i] = SourceSample(static_cast<int>(c), start + static_cast<int64_t>(i));
  return out;
}

// Both sides with `channels`, fed by `feed` when given, initialised.
void Prepare(AudioUnit unit, UInt32 channels, InputFeed* feed)
{
  ASSERT_EQ(SetFormat(unit, kInput, channels), noErr);
  ASSERT_EQ(SetFormat(unit, kOutput, channels), noErr);
  if (feed)
  {
    ASSERT_EQ(feed->AttachTo(unit), noErr);
  }
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
}

OSStatus Connect(AudioUnit unit, AudioUnit source, UInt32 destInput = 0, AudioUnitScope scope = kInput)
{
  AudioUnitConnection c = {source, 0, destInput};
  return AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, scope, 0, &c, sizeof c);
}

UInt32 SourceRenders(AudioUnit source, AudioUnitPropertyID which = kSourceProperty_RenderCount)
{
  UInt32 n = 0;
  Get(source, which, kGlobal, 0, n);
  return n;
}

int gNotifications = 0;
OSStatus CountingNotifier(void*, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                          AudioBufferList*)
{
  gNotifications += (*flags == kAudioUnitRenderAction_PreRender) ? 1 : 100;
  return noErr;
}

class AuRender : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit.reset(OpenKestrion());
    ASSERT_EQ(mUnit->status(), noErr);
    gNotifications = 0;
  }
  AudioUnit unit() const { return mUnit->get(); }
  std::unique_ptr<Unit> mUnit;
};

// ---- Refusals --------------------------------------------------------------------------------

TEST_F(AuRender, InvalidStampsBusesAndFrameCountsTouchNothing)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), CountingNotifier, nullptr), noErr);

  Buffers out(2, 1025);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp noSampleTime = Stamp(0, false);
  const AudioTimeStamp stamp = Stamp(0);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &noSampleTime, 0, 64, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 1, 64, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0xFFFFFFFF, 64, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 1025, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(feed.calls.load(), 0);
  EXPECT_EQ(gNotifications, 0);
  for (UInt32 c = 0; c < 2; ++c)
    for (float s : out.memory(c))
      ASSERT_EQ(s, -7.0f);

  // The limit follows the host's maximum, which it sets while the unit is uninitialised.
  ASSERT_EQ(AudioUnitUninitialize(unit()), noErr);
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(512)), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 513, out.list()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(feed.calls.load(), 0);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 512, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 1);
  EXPECT_EQ(gNotifications, 101);
  EXPECT_EQ(out.memory(0)[512], -7.0f); // beyond the frames rendered
}

// ---- Input pulls -----------------------------------------------------------------------------

TEST_F(AuRender, InputIsPulledOncePerTimeSliceWithThePluginChannelCount)
{
  InputFeed feed;
  // No formats: the callback's bus counts as its two plug-in channels.
  ASSERT_EQ(feed.AttachTo(unit()), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);

  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(1000);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 1);
  EXPECT_EQ(feed.refConSeen, &feed);
  EXPECT_EQ(feed.bus, 0u);
  EXPECT_EQ(feed.frames, 64u);
  EXPECT_EQ(feed.flags, 0u);
  EXPECT_EQ(feed.nBuffers, 2u);
  EXPECT_TRUE(feed.allDataGiven); // the unit's own memory
  for (UInt32 b = 0; b < 2; ++b)
  {
    EXPECT_EQ(feed.channelsPerBuffer[b], 1u);
    EXPECT_EQ(feed.bytesPerBuffer[b], 256u);
  }
  // The same time slice again: no second pull.
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 1);
  const AudioTimeStamp next = Stamp(1064);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &next, 0, 64, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 2);
}

TEST_F(AuRender, MonoPullsOneBuffer)
{
  InputFeed feed;
  Prepare(unit(), 1, &feed);
  Buffers out(1, 32);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 32, out.list()), noErr);
  EXPECT_EQ(feed.nBuffers, 1u);
  EXPECT_EQ(feed.bytesPerBuffer[0], 128u);
}

TEST_F(AuRender, AFailedPullIsReturnedAndRetried)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), CountingNotifier, nullptr), noErr);
  feed.status = -1234;
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), -1234);
  EXPECT_EQ(gNotifications, 1); // pre-render only
  for (float s : out.memory(0))
    ASSERT_EQ(s, -7.0f);
  feed.status = noErr;
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 2); // the failed slice is pulled again
  EXPECT_EQ(gNotifications, 102);
}

TEST_F(AuRender, RenderCallbacksOnlyOnExistingInputBuses)
{
  InputFeed feed;
  EXPECT_EQ(feed.AttachTo(unit(), 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(feed.AttachTo(unit(), 0, kOutput), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(feed.AttachTo(unit(), 0, kGlobal), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(feed.AttachTo(unit(), 0xFFFFFFFF), kAudioUnitErr_InvalidProperty);

  // A null procedure disconnects: the input reads silence.
  Prepare(unit(), 2, &feed);
  AURenderCallbackStruct none = {nullptr, nullptr};
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_SetRenderCallback, kInput, 0, none), noErr);
  const Channels out = RenderBlocks(unit(), 2, 2, 128);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(feed.calls.load(), 0);
  for (const auto& channel : out)
    for (float s : channel)
      ASSERT_EQ(s, 0.0f);
}

// ---- Output buffers --------------------------------------------------------------------------

TEST_F(AuRender, NullOutputBuffersGetTheUnitsMemory)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  SetShaping(unit());
  Unit twin(kAudioUnitType_Effect, kKestrionCode, kKestrionCode);
  InputFeed twinFeed;
  Prepare(twin, 2, &twinFeed);
  SetShaping(twin);

  for (int block = 0; block < 4; ++block)
  {
    Buffers given(2, 256, false);
    Buffers own(2, 256);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(block * 256.0);
    ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 256, given.list()), noErr);
    ASSERT_EQ(AudioUnitRender(twin, &flags, &stamp, 0, 256, own.list()), noErr);
    ASSERT_NE(given.data(0), nullptr);
    ASSERT_NE(given.data(1), nullptr);
    EXPECT_NE(given.data(0), given.data(1));
    EXPECT_EQ(given.samples(0), own.samples(0)) << block;
    EXPECT_EQ(given.samples(1), own.samples(1)) << block;
    EXPECT_EQ(given.list()->mBuffers[0].mDataByteSize, 1024u);
  }
}

TEST_F(AuRender, LargerSlicesAfterTheHostRaisesTheMaximum)
{
  InputFeed feed;
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(4096)), noErr);
  Prepare(unit(), 2, &feed);
  SetShaping(unit());
  Unit twin(kAudioUnitType_Effect, kKestrionCode, kKestrionCode);
  InputFeed twinFeed;
  ASSERT_EQ(Set(twin, kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(4096)), noErr);
  Prepare(twin, 2, &twinFeed);
  SetShaping(twin);

  // Unit memory (null pointers) for the whole 4096 frames of both channels, against host memory.
  for (int block = 0; block < 3; ++block)
  {
    Buffers given(2, 4096, false);
    Buffers own(2, 4096);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(block * 4096.0);
    ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 4096, given.list()), noErr);
    ASSERT_EQ(AudioUnitRender(twin, &flags, &stamp, 0, 4096, own.list()), noErr);
    ASSERT_NE(given.data(0), nullptr);
    ASSERT_NE(given.data(1), nullptr);
    EXPECT_GE(std::abs(given.data(1) - given.data(0)), 4096); // the channels do not overlap
    EXPECT_EQ(given.samples(0), own.samples(0)) << block;
    EXPECT_EQ(given.samples(1), own.samples(1)) << block;
  }
  EXPECT_EQ(feed.frames, 4096u);
  EXPECT_EQ(feed.bytesPerBuffer[1], 4096u * 4);
}

TEST_F(AuRender, ExtraOutputBuffersAreLeftToTheHost)
{
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(unit()), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  Unit twin(kAudioUnitType_Effect, kKestrionCode, kKestrionCode);
  InputFeed twinFeed;
  Prepare(twin, 2, &twinFeed);

  // Four buffers, two without memory, two with: the unit has two channels.
  Buffers four(4, 128);
  four.list()->mBuffers[2].mData = nullptr;
  Buffers six(6, 128, false);
  Buffers two(2, 128);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 128, four.list()), noErr);
  ASSERT_EQ(AudioUnitRender(twin, &flags, &stamp, 0, 128, two.list()), noErr);
  EXPECT_EQ(four.samples(0), two.samples(0));
  EXPECT_EQ(four.samples(1), two.samples(1));
  EXPECT_EQ(four.list()->mBuffers[2].mData, nullptr);
  for (float s : four.memory(3))
    ASSERT_EQ(s, -7.0f);

  const AudioTimeStamp next = Stamp(128);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &next, 0, 128, six.list()), noErr);
  ASSERT_NE(six.data(0), nullptr);
  ASSERT_NE(six.data(1), nullptr);
  for (UInt32 b = 2; b < 6; ++b)
    EXPECT_EQ(six.data(b), nullptr) << b;
}

TEST_F(AuRender, AMonoOutputFormatLeavesASecondBufferAlone)
{
  InputFeed feed;
  Prepare(unit(), 1, &feed);
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(out.samples(0), SourceBlocks(1, 64)[0]); // default settings pass the input
  for (float s : out.memory(1))
    ASSERT_EQ(s, -7.0f);
}

// ---- Audio -----------------------------------------------------------------------------------

TEST_F(AuRender, DefaultSettingsAndBypassPassTheInputUnchanged)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  const Channels out = RenderBlocks(unit(), 2, 8, 512);
  const Channels in = SourceBlocks(2, 8 * 512);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], in[0]);
  EXPECT_EQ(out[1], in[1]);

  SetShaping(unit());
  const Channels shaped = RenderBlocks(unit(), 2, 8, 512, 8 * 512);
  const Channels in2 = SourceBlocks(2, 8 * 512, 8 * 512);
  ASSERT_EQ(shaped.size(), 2u);
  EXPECT_NE(shaped[0], in2[0]);

  ASSERT_EQ(Set(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(1)), noErr);
  const Channels bypassed = RenderBlocks(unit(), 2, 4, 512, 16 * 512);
  const Channels in3 = SourceBlocks(2, 4 * 512, 16 * 512);
  ASSERT_EQ(bypassed.size(), 2u);
  EXPECT_EQ(bypassed[0], in3[0]);
  EXPECT_EQ(bypassed[1], in3[1]);
}

TEST_F(AuRender, GainOfMinus93DecibelsSilences)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  ASSERT_EQ(AudioUnitSetParameter(unit(), 4, kGlobal, 0, -93.0f, 0), noErr);
  const Channels out = RenderBlocks(unit(), 2, 2, 512);
  ASSERT_EQ(out.size(), 2u);
  for (const auto& channel : out)
    for (float s : channel)
      ASSERT_EQ(s, 0.0f);
}

class AuRenderPaths : public ::testing::TestWithParam<UInt32>
{
};

// The same settings rendered from a host callback, from an upstream unit through its fast
// render function and from one without it give the same samples, in stereo and in mono.
TEST_P(AuRenderPaths, CallbackAndUpstreamUnitsGiveTheSameSamples)
{
  const UInt32 channels = GetParam();
  std::unique_ptr<Unit> byCallback(OpenKestrion()), byFast(OpenKestrion()), bySlow(OpenKestrion());
  Unit fastSource(kSourceType, kSourceFast, kTestManufacturer);
  Unit slowSource(kSourceType, kSourceSlow, kTestManufacturer);
  ASSERT_EQ(fastSource.status(), noErr);
  ASSERT_EQ(slowSource.status(), noErr);
  ASSERT_EQ(SetFormat(fastSource, kOutput, channels), noErr);
  ASSERT_EQ(SetFormat(slowSource, kOutput, channels), noErr);

  InputFeed feed;
  Prepare(*byCallback, channels, &feed);
  ASSERT_EQ(SetFormat(*byFast, kOutput, channels), noErr);
  ASSERT_EQ(SetFormat(*bySlow, kOutput, channels), noErr);
  ASSERT_EQ(Connect(*byFast, fastSource), noErr);
  ASSERT_EQ(Connect(*bySlow, slowSource, 0, kGlobal), noErr);
  ASSERT_EQ(AudioUnitInitialize(*byFast), noErr);
  ASSERT_EQ(AudioUnitInitialize(*bySlow), noErr);

  // The connection took the source's format.
  AudioStreamBasicDescription d = {};
  ASSERT_EQ(Get(*byFast, kAudioUnitProperty_StreamFormat, kInput, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, channels);

  for (Unit* u : {byCallback.get(), byFast.get(), bySlow.get()})
    SetShaping(*u);
  const Channels a = RenderBlocks(*byCallback, channels, 16, 512);
  const Channels b = RenderBlocks(*byFast, channels, 16, 512);
  const Channels c = RenderBlocks(*bySlow, channels, 16, 512);
  ASSERT_EQ(a.size(), channels);
  ASSERT_EQ(b.size(), channels);
  ASSERT_EQ(c.size(), channels);
  for (UInt32 ch = 0; ch < channels; ++ch)
  {
    EXPECT_EQ(a[ch], b[ch]) << "channel " << ch;
    EXPECT_EQ(a[ch], c[ch]) << "channel " << ch;
  }
  EXPECT_EQ(SourceRenders(fastSource), 16u);
  EXPECT_EQ(SourceRenders(slowSource), 16u);
  // A source with a fast render function is pulled through it, the other through AudioUnitRender.
  EXPECT_EQ(SourceRenders(fastSource, kSourceProperty_SelectorRenderCount), 0u);
  EXPECT_EQ(SourceRenders(slowSource, kSourceProperty_SelectorRenderCount), 16u);
  EXPECT_EQ(feed.calls.load(), 16);
}

INSTANTIATE_TEST_SUITE_P(StereoAndMono, AuRenderPaths, ::testing::Values(2u, 1u));

struct PropertyCalls
{
  std::vector<std::pair<AudioUnitPropertyID, AudioUnitScope>> calls;
  static void Proc(void* user, AudioUnit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement)
  {
    static_cast<PropertyCalls*>(user)->calls.push_back({id, scope});
  }
};

TEST_F(AuRender, AConnectionIsAnnouncedAndSetsTheInputFormatThroughItsListeners)
{
  Unit source(kSourceType, kSourceFast, kTestManufacturer);
  ASSERT_EQ(SetFormat(source, kOutput, 1), noErr);
  PropertyCalls log;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_MakeConnection, &PropertyCalls::Proc, &log), noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_StreamFormat, &PropertyCalls::Proc, &log), noErr);
  ASSERT_EQ(Connect(unit(), source), noErr);
  ASSERT_EQ(log.calls.size(), 2u);
  EXPECT_EQ(log.calls[0].first, static_cast<AudioUnitPropertyID>(kAudioUnitProperty_MakeConnection));
  EXPECT_EQ(log.calls[0].second, kInput);
  EXPECT_EQ(log.calls[1].first, static_cast<AudioUnitPropertyID>(kAudioUnitProperty_StreamFormat));
  EXPECT_EQ(log.calls[1].second, kInput);
  AudioStreamBasicDescription d = {};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, 1u);
}

TEST_F(AuRender, UpstreamConnectionsRefusalsAndErrors)
{
  Unit source(kSourceType, kSourceFast, kTestManufacturer);
  ASSERT_EQ(source.status(), noErr);
  // Destination bus 1 does not exist; the output scope has no connections.
  EXPECT_EQ(Connect(unit(), source, 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Connect(unit(), source, 0, kOutput), kAudioUnitErr_InvalidProperty);

  // A source whose format the unit refuses leaves the bus unconnected.
  ASSERT_EQ(SetFormat(source, kOutput, 3), noErr);
  EXPECT_EQ(Connect(unit(), source), kAudioUnitErr_InvalidProperty);
  // (The refused format left the input at 0 channels, which no configuration allows, so the
  // unit renders uninitialised here; the wrapper does not refuse that.)
  Channels out = RenderBlocks(unit(), 2, 1, 64);
  EXPECT_EQ(SourceRenders(source), 0u);

  ASSERT_EQ(SetFormat(source, kOutput, 2), noErr);
  ASSERT_EQ(Connect(unit(), source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  out = RenderBlocks(unit(), 2, 1, 64, 64);
  EXPECT_EQ(SourceRenders(source), 1u);

  // The source's render error comes back unchanged.
  ASSERT_EQ(Set(source, kSourceProperty_RenderStatus, kGlobal, 0, SInt32(-5)), noErr);
  Buffers buffers(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(128);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, buffers.list()), -5);
  ASSERT_EQ(Set(source, kSourceProperty_RenderStatus, kGlobal, 0, SInt32(noErr)), noErr);

  // Disconnecting: no more pulls, silence in.
  const UInt32 before = SourceRenders(source);
  ASSERT_EQ(Connect(unit(), nullptr), noErr);
  out = RenderBlocks(unit(), 2, 2, 64, 192);
  EXPECT_EQ(SourceRenders(source), before);
  ASSERT_EQ(out.size(), 2u);
  for (float s : out[0])
    ASSERT_EQ(s, 0.0f);
}
// ---- An input bus wider than a pull can carry -------------------------------------------------

constexpr OSType kWideProbe = 0x57696465; // 'Wide': channel configurations "128-2 200-2"

TEST(AuWideInput, MoreThan128InputChannelsAreRefusedByTheFormat)
{
  Unit wide(kAudioUnitType_Effect, kWideProbe, kTestManufacturer);
  ASSERT_EQ(wide.status(), noErr);
  EXPECT_EQ(SetFormat(wide, kInput, 200), kAudioUnitErr_InvalidProperty); // a legal configuration, too wide
  EXPECT_EQ(SetFormat(wide, kInput, 129), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(wide, kInput, 128), noErr);
  EXPECT_EQ(SetFormat(wide, kOutput, 2), noErr);
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(wide), noErr);
  ASSERT_EQ(AudioUnitInitialize(wide), noErr);
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  EXPECT_EQ(AudioUnitRender(wide, &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 1);
  EXPECT_EQ(feed.nBuffers, 128u);
  EXPECT_TRUE(feed.allDataGiven);
}

// A callback on a bus whose count the host never set stands for the bus's 200 plug-in channels;
// the pull still never carries more than 128 buffers.
TEST(AuWideInput, AnUnknownCountNeverOverflowsThePull)
{
  Unit wide(kAudioUnitType_Effect, kWideProbe, kTestManufacturer);
  ASSERT_EQ(wide.status(), noErr);
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(wide), noErr);
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  AudioUnitRender(wide, &flags, &stamp, 0, 64, out.list());
  EXPECT_LE(feed.nBuffers, 128u);
  EXPECT_LE(feed.calls.load(), 1);
}
} // namespace
