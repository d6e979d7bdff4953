// Rendering as a host drives it: refusals, input pulls, the buffers the host gives or leaves
// to the unit, bypass, and the same audio whether the input comes from a host callback or
// from an upstream unit, with or without its fast render function. Then the host call
// sequences that must neither corrupt memory nor give wrong audio: output buffers that change
// between renders, short buffers, refused formats and connections, unusable input and a
// repeated time slice.
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>

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

struct UnitMemoryCase
{
  UInt32 maximumFrames; // set by the host before initialising; 0 leaves the default
  UInt32 frames;        // per render, the whole slice
  int blocks;
};

class AuUnitMemory : public AuRender, public ::testing::WithParamInterface<UnitMemoryCase>
{
};

// Null data pointers get the unit's own memory, one separate stretch per channel, holding the
// same samples a twin renders into host memory; up to the slice size the host has raised.
TEST_P(AuUnitMemory, NullOutputBuffersGetTheUnitsMemory)
{
  const UnitMemoryCase m = GetParam();
  Unit twin(kAudioUnitType_Effect, kKestrionCode, kKestrionCode);
  InputFeed feed, twinFeed;
  for (AudioUnit u : {unit(), twin.get()})
  {
    if (m.maximumFrames)
    {
      ASSERT_EQ(Set(u, kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, m.maximumFrames),
                noErr);
    }
    Prepare(u, 2, u == unit() ? &feed : &twinFeed);
    SetShaping(u);
  }

  for (int block = 0; block < m.blocks; ++block)
  {
    Buffers given(2, m.frames, false);
    Buffers own(2, m.frames);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(static_cast<double>(block) * m.frames);
    ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, m.frames, given.list()), noErr);
    ASSERT_EQ(AudioUnitRender(twin, &flags, &stamp, 0, m.frames, own.list()), noErr);
    ASSERT_NE(given.data(0), nullptr);
    ASSERT_NE(given.data(1), nullptr);
    EXPECT_GE(std::abs(given.data(1) - given.data(0)), std::ptrdiff_t(m.frames)); // no overlap
    EXPECT_EQ(given.samples(0), own.samples(0)) << block;
    EXPECT_EQ(given.samples(1), own.samples(1)) << block;
    EXPECT_EQ(given.list()->mBuffers[0].mDataByteSize, m.frames * 4);
  }
  EXPECT_EQ(feed.frames, m.frames);
  EXPECT_EQ(feed.bytesPerBuffer[1], m.frames * 4);
}

INSTANTIATE_TEST_SUITE_P(DefaultAndRaisedSlices, AuUnitMemory,
                         ::testing::Values(UnitMemoryCase{0, 256, 4},
                                           UnitMemoryCase{4096, 4096, 3}));

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
  // (The unit renders uninitialised here; the wrapper does not refuse that.)
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

// ---- Output buffers that change between renders ------------------------------------------------

// Default settings pass the input, so every buffer rendered into holds the source exactly.
// Buffer k of `out` holds source channel k from frame `start` when k < covered; the others are
// untouched.
void ExpectSource(Buffers& out, UInt32 covered, UInt32 frames, int64_t start)
{
  const UInt32 n = out.list()->mNumberBuffers;
  const Channels in = SourceBlocks(n, frames, start);
  for (UInt32 k = 0; k < n; ++k)
    if (k < covered)
      EXPECT_EQ(out.samples(k), in[k]) << "buffer " << k;
    else
      EXPECT_EQ(out.memory(k), std::vector<float>(frames, -7.0f)) << "buffer " << k;
}

struct BufferChange
{
  UInt32 formatBefore, buffersBefore, formatAfter, buffersAfter;
};

class AuOutputBuffers : public AuRender, public ::testing::WithParamInterface<BufferChange>
{
};

// A render with another format or another number of buffers than the last writes exactly the
// buffers it is given that the format covers, and nothing into the buffers of the render before.
TEST_P(AuOutputBuffers, EachRenderWritesItsOwnBuffersOnly)
{
  const BufferChange c = GetParam();
  InputFeed feed;
  Prepare(unit(), c.formatBefore, &feed);

  constexpr UInt32 kFrames = 128;
  Buffers before(c.buffersBefore, kFrames); // kept: the next render must not reach it
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp first = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &first, 0, kFrames, before.list()), noErr);
  ExpectSource(before, std::min(c.formatBefore, c.buffersBefore), kFrames, 0);
  std::vector<std::vector<float>> kept;
  for (UInt32 k = 0; k < c.buffersBefore; ++k)
    kept.push_back(before.memory(k));

  if (c.formatAfter != c.formatBefore)
  {
    ASSERT_EQ(AudioUnitUninitialize(unit()), noErr);
    ASSERT_EQ(SetFormat(unit(), kInput, c.formatAfter), noErr);
    ASSERT_EQ(SetFormat(unit(), kOutput, c.formatAfter), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  }
  Buffers after(c.buffersAfter, kFrames);
  const AudioTimeStamp second = Stamp(kFrames);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &second, 0, kFrames, after.list()), noErr);
  ExpectSource(after, std::min(c.formatAfter, c.buffersAfter), kFrames, kFrames);
  for (UInt32 k = 0; k < c.buffersBefore; ++k)
    EXPECT_EQ(before.memory(k), kept[k]) << "buffer " << k << " of the render before";
}

INSTANTIATE_TEST_SUITE_P(FormatsAndCounts, AuOutputBuffers,
                         ::testing::Values(BufferChange{2, 2, 1, 1}, BufferChange{1, 1, 2, 2},
                                           BufferChange{2, 1, 2, 2}, BufferChange{2, 2, 2, 1},
                                           BufferChange{1, 2, 2, 2}));

TEST_F(AuRender, ShortOutputBuffersAreRefusedUntouched)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), CountingNotifier, nullptr), noErr);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  for (UInt32 k = 0; k < 2; ++k)
  {
    Buffers out(2, 64);
    out.list()->mBuffers[k].mDataByteSize = 63 * sizeof(float);
    EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), kAudio_ParamError) << k;
    ExpectSource(out, 0, 64, 0);
  }
  EXPECT_EQ(feed.calls.load(), 0);
  EXPECT_EQ(gNotifications, 0);

  // A buffer without memory needs no size: it gets the unit's, sized for the slice.
  Buffers given(2, 64, false);
  given.list()->mBuffers[1].mDataByteSize = 0;
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, given.list()), noErr);
  EXPECT_EQ(given.list()->mBuffers[1].mDataByteSize, 256u);
  EXPECT_EQ(given.samples(1), SourceBlocks(2, 64)[1]);
}

// ---- Refused formats and connections change nothing ------------------------------------------

struct RefusedFormat
{
  const char* name;
  AudioUnitScope scope;
  UInt32 channels;
  double rate;
  AudioFormatID formatID;
};

class AuRefusedFormat : public AuRender, public ::testing::WithParamInterface<RefusedFormat>
{
};

// Initialised in stereo and rendering: a refused format leaves both formats, the rate and the
// next render exactly as they were.
TEST_P(AuRefusedFormat, LeavesTheUnitAsItWas)
{
  const RefusedFormat c = GetParam();
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  ASSERT_EQ(RenderBlocks(unit(), 2, 1, 256).size(), 2u);

  AudioStreamBasicDescription bad = Format(c.channels, c.rate);
  bad.mFormatID = c.formatID;
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_StreamFormat, c.scope, 0, bad),
            kAudioUnitErr_InvalidProperty);

  for (AudioUnitScope scope : {kInput, kOutput})
  {
    AudioStreamBasicDescription d = {};
    ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, scope, 0, d), noErr);
    EXPECT_EQ(d.mChannelsPerFrame, 2u) << scope;
    EXPECT_EQ(d.mSampleRate, 44100.0) << scope;
  }
  const Channels out = RenderBlocks(unit(), 2, 2, 256, 256);
  const Channels in = SourceBlocks(2, 512, 256);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], in[0]);
  EXPECT_EQ(out[1], in[1]);
  ASSERT_EQ(AudioUnitUninitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AuRefusedFormat,
    ::testing::Values(
        RefusedFormat{"ThreeChannels", kOutput, 3, 44100.0, kAudioFormatLinearPCM},
        RefusedFormat{"MonoOutputWhileStereo", kOutput, 1, 44100.0, kAudioFormatLinearPCM},
        RefusedFormat{"MonoInputWhileStereo", kInput, 1, 44100.0, kAudioFormatLinearPCM},
        RefusedFormat{"NoChannels", kOutput, 0, 44100.0, kAudioFormatLinearPCM},
        RefusedFormat{"NotLinearPCM", kInput, 2, 48000.0, kAudioFormatAC3},
        RefusedFormat{"ZeroRate", kOutput, 2, 0.0, kAudioFormatLinearPCM},
        RefusedFormat{"NegativeRate", kInput, 2, -48000.0, kAudioFormatLinearPCM},
        RefusedFormat{"InfiniteRate", kOutput, 2, HUGE_VAL, kAudioFormatLinearPCM},
        RefusedFormat{"NaNRate", kInput, 2, std::nan(""), kAudioFormatLinearPCM}),
    [](const ::testing::TestParamInfo<RefusedFormat>& info)
    { return std::string(info.param.name); });

TEST_F(AuRender, ARefusedConnectionKeepsTheSourceItHad)
{
  Unit source(kSourceType, kSourceFast, kTestManufacturer);
  Unit wide(kSourceType, kSourceFast, kTestManufacturer);
  ASSERT_EQ(source.status(), noErr);
  ASSERT_EQ(wide.status(), noErr);
  ASSERT_EQ(SetFormat(source, kOutput, 2), noErr);
  ASSERT_EQ(SetFormat(wide, kOutput, 3), noErr);
  ASSERT_EQ(SetFormat(unit(), kOutput, 2), noErr);
  ASSERT_EQ(Connect(unit(), source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  ASSERT_EQ(RenderBlocks(unit(), 2, 1, 64).size(), 2u);

  EXPECT_EQ(Connect(unit(), wide), kAudioUnitErr_InvalidProperty);
  AudioStreamBasicDescription d = {};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, 2u);
  const Channels out = RenderBlocks(unit(), 2, 2, 64, 64);
  const Channels in = SourceBlocks(2, 128, 64);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], in[0]);
  EXPECT_EQ(out[1], in[1]);
  EXPECT_EQ(SourceRenders(source), 3u);
  EXPECT_EQ(SourceRenders(wide), 0u);
}

// ---- Unusable input --------------------------------------------------------------------------

enum class Feed
{
  Callback,
  Upstream
};

class AuUnusableInput : public AuRender,
                        public ::testing::WithParamInterface<std::tuple<Feed, UInt32>>
{
};

// A source that returns noErr with a buffer missing, without memory or short of the slice has
// failed: the render says so and leaves the output alone, and the next render pulls again.
TEST_P(AuUnusableInput, IsAFailedPull)
{
  const Feed feedKind = std::get<0>(GetParam());
  const UInt32 fault = std::get<1>(GetParam());
  Unit source(kSourceType, kSourceFast, kTestManufacturer);
  ASSERT_EQ(source.status(), noErr);
  InputFeed feed;
  if (feedKind == Feed::Callback)
  {
    Prepare(unit(), 2, &feed);
    feed.fault = fault;
  }
  else
  {
    ASSERT_EQ(SetFormat(unit(), kOutput, 2), noErr);
    ASSERT_EQ(Connect(unit(), source), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
    ASSERT_EQ(Set(source, kSourceProperty_Fault, kGlobal, 0, fault), noErr);
  }
  const auto pulls = [&]
  { return feedKind == Feed::Callback ? UInt32(feed.calls.load()) : SourceRenders(source); };

  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  EXPECT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), kAudioUnitErr_NoConnection);
  ExpectSource(out, 0, 64, 0);
  EXPECT_EQ(pulls(), 1u);

  feed.fault = kFaultNone;
  ASSERT_EQ(Set(source, kSourceProperty_Fault, kGlobal, 0, UInt32(kFaultNone)), noErr);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  EXPECT_EQ(pulls(), 2u);
  ExpectSource(out, 2, 64, 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, AuUnusableInput,
                         ::testing::Combine(::testing::Values(Feed::Callback, Feed::Upstream),
                                            ::testing::Values(UInt32(kFaultNullData),
                                                              UInt32(kFaultFewerBuffers),
                                                              UInt32(kFaultShortBuffer))));

// ---- A repeated time slice -------------------------------------------------------------------

// The processor overwrites the input it is given, so a slice rendered again must not be
// processed again: it gives the first render's samples, leaves the processor where it was
// (the next slice matches a unit that saw each slice once), and is not pulled again. A reset,
// or another frame count at the same time, starts a new slice.
TEST_F(AuRender, ARepeatedSliceGivesTheSameOutput)
{
  InputFeed feed;
  Prepare(unit(), 2, &feed);
  SetShaping(unit());
  Unit twin(kAudioUnitType_Effect, kKestrionCode, kKestrionCode);
  InputFeed twinFeed;
  Prepare(twin, 2, &twinFeed);
  SetShaping(twin);

  const Channels first = RenderBlocks(unit(), 2, 1, 512);
  Buffers again(2, 512, false); // the unit's own memory this time
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 512, again.list()), noErr);
  const Channels next = RenderBlocks(unit(), 2, 1, 512, 512);
  const Channels reference = RenderBlocks(twin, 2, 2, 512);
  ASSERT_EQ(first.size(), 2u);
  ASSERT_EQ(next.size(), 2u);
  ASSERT_EQ(reference.size(), 2u);
  for (UInt32 c = 0; c < 2; ++c)
  {
    EXPECT_NE(first[c], SourceBlocks(2, 512)[c]); // really shaped
    EXPECT_EQ(again.samples(c), first[c]) << c;
    EXPECT_EQ(first[c], std::vector<float>(reference[c].begin(), reference[c].begin() + 512)) << c;
    EXPECT_EQ(next[c], std::vector<float>(reference[c].begin() + 512, reference[c].end())) << c;
  }
  EXPECT_EQ(feed.calls.load(), 2);

  const AudioTimeStamp last = Stamp(512);
  Buffers shorter(2, 256);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &last, 0, 256, shorter.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 3);
  ASSERT_EQ(AudioUnitReset(unit(), kGlobal, 0), noErr);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &last, 0, 256, shorter.list()), noErr);
  EXPECT_EQ(feed.calls.load(), 4);
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
