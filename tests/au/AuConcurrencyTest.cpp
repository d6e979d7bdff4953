// Rendering through the fast-dispatch render function, which takes no lock, while another
// thread automates every parameter, changes the render notifiers or sets the slice size and
// sample rate. Run under ThreadSanitizer by make check.
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

using namespace autest;

namespace
{
// What a render thread counts: its renders, the failed ones and the channels that came out
// with a sample that is not finite.
struct RenderTally
{
  std::atomic<long> renders{0};
  std::atomic<int> errors{0}, nonFinite{0};
  double sampleTime = 0; // render thread only

  // Renders the next block of `frames` into `out` through render(flags, stamp, bus, frames,
  // list), and counts it.
  template <typename Render> void Next(Render render, Buffers& out, UInt32 frames)
  {
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(sampleTime);
    if (render(&flags, &stamp, UInt32(0), frames, out.list()) != noErr) errors.fetch_add(1);
    for (UInt32 c = 0; c < out.list()->mNumberBuffers; ++c)
      for (float sample : out.samples(c))
        if (!std::isfinite(sample))
        {
          nonFinite.fetch_add(1);
          break;
        }
    sampleTime += frames;
    renders.fetch_add(1);
  }

  // Renders stereo blocks of `frames` into host memory until `stop` is set, pausing for
  // `pause` after each.
  template <typename Render>
  void RunUntil(const std::atomic<bool>& stop, Render render, UInt32 frames,
                std::chrono::microseconds pause = std::chrono::microseconds(0))
  {
    Buffers out(2, frames);
    while (!stop.load())
    {
      Next(render, out, frames);
      if (pause.count() > 0) std::this_thread::sleep_for(pause);
    }
  }
};

TEST(AuRenderConcurrency, FastRenderWhileParametersAreSetAndScheduled)
{
  std::unique_ptr<Unit> unit(OpenKestrion());
  ASSERT_EQ(unit->status(), noErr);
  AudioUnit u = unit->get();
  InputFeed feed;
  ASSERT_EQ(SetFormat(u, kAudioUnitScope_Input, 2), noErr);
  ASSERT_EQ(SetFormat(u, kAudioUnitScope_Output, 2), noErr);
  ASSERT_EQ(feed.AttachTo(u), noErr);
  ASSERT_EQ(Set(u, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(512)), noErr);
  ASSERT_EQ(AudioUnitInitialize(u), noErr);

  AudioUnitRenderProc render = nullptr;
  AudioUnitSetParameterProc setParam = nullptr;
  ASSERT_EQ(Get(u, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect, render), noErr);
  ASSERT_EQ(Get(u, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitSetParameterSelect, setParam),
            noErr);
  ASSERT_NE(render, nullptr);
  ASSERT_NE(setParam, nullptr);
  void* storage = GetComponentInstanceStorage(u);
  ASSERT_NE(storage, nullptr);

  const float lo[kKestrionParams] = {-100, -100, 0, 0, -94, 0, 0, 0};
  const float hi[kKestrionParams] = {100, 100, 100, 20, 6, 100, 100, 750};

  std::atomic<bool> stop{false};
  std::atomic<long> writes{0};
  std::atomic<int> paramErrors{0};
  RenderTally tally;

  std::thread renderer(
      [&]
      {
        tally.RunUntil(
            stop, [&](auto... a) { return render(storage, a...); }, 512);
      });

  std::thread automation([&] {
    const auto start = std::chrono::steady_clock::now();
    long round = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1100))
    {
      AudioUnitParameterEvent events[kKestrionParams];
      for (AudioUnitParameterID id = 0; id < kKestrionParams; ++id)
      {
        const float phase = std::fmod(0.137f * round + 0.31f * id, 1.0f);
        const float value = lo[id] + (hi[id] - lo[id]) * phase;
        const OSStatus set = (round % 2) ? AudioUnitSetParameter(u, id, kAudioUnitScope_Global, 0, value, 0)
                                         : setParam(storage, id, kAudioUnitScope_Global, 0, value, 0);
        if (set != noErr)
          paramErrors.fetch_add(1);
        events[id] = {};
        events[id].scope = kAudioUnitScope_Global;
        events[id].parameter = id;
        events[id].eventType = kParameterEvent_Immediate;
        events[id].eventValues.immediate.value = hi[id] - (value - lo[id]);
        Float32 readBack = 0;
        if (AudioUnitGetParameter(u, id, kAudioUnitScope_Global, 0, &readBack) != noErr || readBack != value)
          paramErrors.fetch_add(1);
      }
      if (AudioUnitScheduleParameters(u, events, kKestrionParams) != noErr)
        paramErrors.fetch_add(1);
      writes.fetch_add(2 * kKestrionParams);
      ++round;
    }
    stop.store(true);
  });

  automation.join();
  renderer.join();
  EXPECT_GT(tally.renders.load(), 10);
  EXPECT_GT(writes.load(), 1000);
  EXPECT_EQ(tally.errors.load(), 0);
  EXPECT_EQ(paramErrors.load(), 0);
  EXPECT_EQ(tally.nonFinite.load(), 0);
  EXPECT_EQ(feed.calls.load(), tally.renders.load()); // one pull per time slice
}

// A unit prepared for stereo, fed by `feed`, initialised, and its fast render function.
struct FastRenderedUnit
{
  std::unique_ptr<Unit> unit{OpenKestrion()};
  AudioUnitRenderProc render = nullptr;
  void* storage = nullptr;

  explicit FastRenderedUnit(InputFeed& feed)
  {
    AudioUnit u = unit->get();
    EXPECT_EQ(SetFormat(u, kAudioUnitScope_Input, 2), noErr);
    EXPECT_EQ(SetFormat(u, kAudioUnitScope_Output, 2), noErr);
    EXPECT_EQ(feed.AttachTo(u), noErr);
    EXPECT_EQ(
        Set(u, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(512)),
        noErr);
    EXPECT_EQ(AudioUnitInitialize(u), noErr);
    EXPECT_EQ(Get(u, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                  kAudioUnitRenderSelect, render),
              noErr);
    storage = GetComponentInstanceStorage(u);
  }
  bool ready() const { return unit->status() == noErr && render && storage; }

  // Renders `slices` slices of 512 frames into the unit's own memory (null data pointers) and
  // counts them in `tally`, then sets `done`.
  void RenderSlices(int slices, RenderTally& tally, std::atomic<bool>& done) const
  {
    for (int slice = 0; slice < slices; ++slice)
    {
      Buffers out(2, 512, false);
      tally.Next([this](auto... a) { return render(storage, a...); }, out, 512);
    }
    done.store(true);
  }
};

// A render notifier that counts its notices and the post notices that came without a pre
// notice in the same render. Each Kind is a procedure of its own, since removal goes by
// procedure; kind 3 removes itself during its pre notice, on the render thread.
struct NoticeCounter
{
  AudioUnit unit = nullptr;
  std::atomic<long> pre{0}, post{0}, unpaired{0};
  std::atomic<int> errors{0};
  double lastPre = -1.0; // render thread only

  template <int Kind>
  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp,
                       UInt32, UInt32, AudioBufferList*)
  {
    auto* self = static_cast<NoticeCounter*>(refCon);
    if (*flags == kAudioUnitRenderAction_PreRender)
    {
      self->lastPre = stamp->mSampleTime;
      self->pre.fetch_add(1);
      if (Kind == 3 && AudioUnitRemoveRenderNotify(self->unit, &Proc<Kind>, refCon) != noErr)
        self->errors.fetch_add(1);
    }
    else
    {
      if (self->lastPre != stamp->mSampleTime) self->unpaired.fetch_add(1);
      self->post.fetch_add(1);
    }
    return noErr;
  }
};

// Hosts add and remove metering notifiers while audio runs. A notifier registered throughout
// hears both notices of every render; the others never hear a post notice without its pre.
TEST(AuRenderConcurrency, NotifiersAddedAndRemovedWhileTheFastRenderRuns)
{
  InputFeed feed;
  FastRenderedUnit fast(feed);
  ASSERT_TRUE(fast.ready());
  AudioUnit u = fast.unit->get();
  NoticeCounter counters[4];
  for (NoticeCounter& counter : counters)
    counter.unit = u;
  ASSERT_EQ(AudioUnitAddRenderNotify(u, &NoticeCounter::Proc<0>, &counters[0]), noErr);

  std::atomic<bool> done{false};
  std::atomic<int> listErrors{0};
  RenderTally tally;
  std::thread renderer([&] { fast.RenderSlices(300, tally, done); });
  std::thread host(
      [&]
      {
        auto check = [&](OSStatus status)
        {
          if (status != noErr) listErrors.fetch_add(1);
        };
        do
        {
          check(AudioUnitAddRenderNotify(u, &NoticeCounter::Proc<1>, &counters[1]));
          check(AudioUnitAddRenderNotify(u, &NoticeCounter::Proc<2>, &counters[2]));
          check(AudioUnitRemoveRenderNotify(u, &NoticeCounter::Proc<1>, &counters[1]));
          check(AudioUnitRemoveRenderNotify(u, &NoticeCounter::Proc<3>,
                                            &counters[3])); // if still there
          check(AudioUnitAddRenderNotify(u, &NoticeCounter::Proc<3>, &counters[3]));
          check(AudioUnitRemoveRenderNotify(u, &NoticeCounter::Proc<2>, &counters[2]));
        } while (!done.load());
      });
  host.join();
  renderer.join();

  EXPECT_EQ(tally.renders.load(), 300);
  EXPECT_EQ(tally.errors.load(), 0);
  EXPECT_EQ(tally.nonFinite.load(), 0);
  EXPECT_EQ(listErrors.load(), 0);
  EXPECT_EQ(counters[0].pre.load(), tally.renders.load());
  EXPECT_EQ(counters[0].post.load(), tally.renders.load());
  for (const NoticeCounter& counter : counters)
  {
    EXPECT_EQ(counter.unpaired.load(), 0);
    EXPECT_EQ(counter.errors.load(), 0);
    EXPECT_LE(counter.post.load(), counter.pre.load());
  }
}

// Once initialised the slice size stays as it is, so no set can free the buffers a render is
// working in; sample-rate changes touch only values the processor reads atomically.
TEST(AuRenderConcurrency, SliceSizeAndSampleRateSetWhileTheFastRenderRuns)
{
  InputFeed feed;
  FastRenderedUnit fast(feed);
  ASSERT_TRUE(fast.ready());
  AudioUnit u = fast.unit->get();

  std::atomic<bool> done{false};
  std::atomic<int> setErrors{0};
  RenderTally tally;
  std::thread renderer([&] { fast.RenderSlices(300, tally, done); });
  std::thread host(
      [&]
      {
        const Float64 rates[] = {48000.0, 96000.0, 44100.0};
        for (int i = 0; !done.load(); ++i)
        {
          const UInt32 frames = (i % 3 == 0) ? 512 : (i % 3 == 1) ? 4096 : 64;
          const OSStatus expected =
              frames == 512 ? OSStatus(noErr) : OSStatus(kAudioUnitErr_Initialized);
          if (Set(u, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, frames) !=
              expected)
            setErrors.fetch_add(1);
          if (Set(u, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, rates[i % 3]) !=
              noErr)
            setErrors.fetch_add(1);
        }
      });
  host.join();
  renderer.join();

  EXPECT_EQ(tally.renders.load(), 300);
  EXPECT_EQ(tally.errors.load(), 0);
  EXPECT_EQ(tally.nonFinite.load(), 0);
  EXPECT_EQ(setErrors.load(), 0);
  EXPECT_EQ(feed.calls.load(), tally.renders.load());
  UInt32 frames = 0;
  EXPECT_EQ(Get(u, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, frames),
            noErr);
  EXPECT_EQ(frames, 512u);
}

// Instances are made one at a time under the process-wide creation lock, whichever thread asks.
TEST(AuRenderConcurrency, InstancesOpenedAndClosedOnTwoThreads)
{
  RegisterBundles();
  std::atomic<int> failures{0};
  auto work = [&failures] {
    for (int i = 0; i < 12; ++i)
    {
      std::unique_ptr<Unit> unit(OpenKestrion());
      if (unit->status() != noErr || GetComponentVersion(unit->get()) != 0x00010001)
        failures.fetch_add(1);
      else if (AudioUnitSetParameter(unit->get(), 0, kAudioUnitScope_Global, 0, 5.0f * i, 0) != noErr ||
               GetParam(unit->get(), 0) != 5.0f * i)
        failures.fetch_add(1);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
}

// A render through the dispatcher holds the unit's lock; properties and parameters from another
// thread wait for it.
TEST(AuRenderConcurrency, DispatchedRenderWhilePropertiesAreReadAndWritten)
{
  std::unique_ptr<Unit> unit(OpenKestrion());
  ASSERT_EQ(unit->status(), noErr);
  AudioUnit u = unit->get();
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(u), noErr);
  ASSERT_EQ(AudioUnitInitialize(u), noErr);

  std::atomic<bool> stop{false};
  std::atomic<int> errors{0};
  RenderTally tally;
  // A render thread waits for its next buffer; without a pause the unit's lock, which is not
  // fair, could be taken back at once every time and starve the other thread.
  std::thread renderer(
      [&]
      {
        tally.RunUntil(
            stop, [u](auto... a) { return AudioUnitRender(u, a...); }, 256,
            std::chrono::microseconds(200));
      });
  const auto start = std::chrono::steady_clock::now();
  int round = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500))
  {
    AudioUnitParameterInfo info;
    if (Get(u, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, round % kKestrionParams, info) != noErr)
      errors.fetch_add(1);
    else
    {
      CFRelease(info.cfNameString);
      if (info.unitName)
        CFRelease(info.unitName);
    }
    if (AudioUnitSetParameter(u, round % kKestrionParams, kAudioUnitScope_Global, 0, 1.0f * (round % 5), 0) != noErr)
      errors.fetch_add(1);
    CFPropertyListRef state = nullptr;
    if (Get(u, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state) != noErr || !state)
      errors.fetch_add(1);
    else
    {
      if (Set(u, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state) != noErr)
        errors.fetch_add(1);
      CFRelease(state);
    }
    const UInt32 bypass = (round / 7) % 2;
    if (Set(u, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, bypass) != noErr)
      errors.fetch_add(1);
    ++round;
  }
  stop.store(true);
  renderer.join();
  EXPECT_EQ(errors.load() + tally.errors.load(), 0);
  EXPECT_GT(tally.renders.load(), 0) << round << " rounds";
  EXPECT_GT(round, 10) << tally.renders.load() << " renders";
}
} // namespace
