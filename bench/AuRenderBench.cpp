// What the Audio Unit wrapper adds to the processor: stereo, blocks of 512 frames at 48 kHz,
// shaping settings (Attack +60 %, Sustain -40 %, both links 50 %, SC HPF 30 %).
//   HostRender       AudioUnitRender on Kestrion.component, input from a render callback
//                    that copies the next block of the signal
//   FastRender       the same through the fast-dispatch render function (no dispatcher, no lock)
//   ProcessDouble    Kestrion::ProcessDoubleReplacing alone on the same signal, the block
//                    copied in as doubles each time (the processor overwrites its input)
// Each reports ns per frame and heap allocations per block. After the benchmarks, an
// interleaved run of HostRender and ProcessDouble prints the wrapper's overhead in percent.

#include "plugin/Kestrion.h"
#include "tests/au/TestSignal.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreServices/ComponentBundles.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

// ---- Allocation counting: every malloc of the process, the bundle's included ----------------
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace
{
std::atomic<long> gAllocations{0};
}

extern "C" void* malloc(size_t n)
{
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size)
{
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n)
{
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
extern "C" void free(void* p)
{
  __libc_free(p);
}

namespace
{
constexpr UInt32 kBlock = 512;
constexpr double kRate = 48000.0;
constexpr size_t kSignalBlocks = 64;
const float kShaping[8] = {60.0f, -40.0f, 50.0f, 5.0f, 0.0f, 30.0f, 50.0f, 500.0f};

// Two channels of material, looped block by block.
struct Signal
{
  std::vector<float> left, right;
  Signal() : left(kSignalBlocks * kBlock), right(kSignalBlocks * kBlock)
  {
    for (size_t i = 0; i < left.size(); ++i)
    {
      left[i] = autest::SourceSample(0, static_cast<int64_t>(i));
      right[i] = autest::SourceSample(1, static_cast<int64_t>(i));
    }
  }
  const float* Channel(UInt32 c, size_t block) const
  {
    return (c == 0 ? left.data() : right.data()) + (block % kSignalBlocks) * kBlock;
  }
};
const Signal& TheSignal()
{
  static const Signal s;
  return s;
}

OSStatus FeedInput(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* stamp, UInt32,
                   UInt32 frames, AudioBufferList* list)
{
  const auto* signal = static_cast<const Signal*>(refCon);
  const auto block = static_cast<size_t>(stamp->mSampleTime) / kBlock;
  for (UInt32 b = 0; b < list->mNumberBuffers && b < 2; ++b)
    std::memcpy(list->mBuffers[b].mData, signal->Channel(b, block), frames * sizeof(float));
  return noErr;
}

// Kestrion.component opened as a host opens it, stereo, shaping settings, fed by FeedInput.
class HostUnit
{
public:
  HostUnit()
  {
    static const bool registered = [] {
      setenv(kAudioComponentPathVariable, KESTRION_BUNDLE_PATH, 1);
      return RegisterComponentBundle(KESTRION_BUNDLE_PATH, nullptr) == noErr;
    }();
    (void)registered;
    ComponentDescription d = {kAudioUnitType_Effect, 0x62796b48, 0x62796b48, 0, 0};
    Component c = FindNextComponent(nullptr, &d);
    if (!c || OpenAComponent(c, &mUnit) != noErr)
    {
      std::fprintf(stderr, "au_bench: cannot open Kestrion.component\n");
      std::exit(1);
    }
    AudioStreamBasicDescription f = {kRate, kAudioFormatLinearPCM, kAudioFormatFlagsAudioUnitCanonical, 4, 1, 4,
                                     2, 32, 0};
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &f, sizeof f);
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &f, sizeof f);
    const UInt32 maxFrames = kBlock;
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                         sizeof maxFrames);
    AURenderCallbackStruct cb = {&FeedInput, const_cast<Signal*>(&TheSignal())};
    AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof cb);
    if (AudioUnitInitialize(mUnit) != noErr)
    {
      std::fprintf(stderr, "au_bench: Initialize failed\n");
      std::exit(1);
    }
    for (AudioUnitParameterID id = 0; id < 8; ++id)
      AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, kShaping[id], 0);
    UInt32 size = sizeof mFast;
    AudioUnitGetProperty(mUnit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect,
                         &mFast, &size);
    mStorage = GetComponentInstanceStorage(mUnit);

    mList = reinterpret_cast<AudioBufferList*>(mListStorage);
    mList->mNumberBuffers = 2;
    for (UInt32 b = 0; b < 2; ++b)
    {
      mOut[b].resize(kBlock);
      mList->mBuffers[b] = {1, kBlock * 4, mOut[b].data()};
    }
    mStamp = {};
    mStamp.mFlags = kAudioTimeStampSampleTimeValid;
  }
  ~HostUnit() { CloseComponent(mUnit); }

  OSStatus Render(bool fast)
  {
    AudioUnitRenderActionFlags flags = 0;
    const OSStatus status = fast ? mFast(mStorage, &flags, &mStamp, 0, kBlock, mList)
                                 : AudioUnitRender(mUnit, &flags, &mStamp, 0, kBlock, mList);
    mStamp.mSampleTime += kBlock;
    return status;
  }
  float Out(UInt32 c, UInt32 i) const { return mOut[c][i]; }

private:
  AudioUnit mUnit = nullptr;
  AudioUnitRenderProc mFast = nullptr;
  void* mStorage = nullptr;
  alignas(AudioBufferList) unsigned char mListStorage[offsetof(AudioBufferList, mBuffers) + 2 * sizeof(AudioBuffer)];
  AudioBufferList* mList = nullptr;
  std::vector<float> mOut[2];
  AudioTimeStamp mStamp;
};

// The processor alone, with the same settings and the same signal.
class DirectPlug
{
public:
  DirectPlug() : mPlug(std::make_unique<Kestrion>(IEffectInstanceInfo{}))
  {
    mPlug->SetSampleRate(kRate);
    for (int i = 0; i < 8; ++i)
      mPlug->GetParam(i)->Set(kShaping[i]);
    mPlug->OnParamReset();
    for (auto* v : {&mIn[0], &mIn[1], &mOut[0], &mOut[1]})
      v->resize(kBlock);
  }
  void Process()
  {
    const Signal& s = TheSignal();
    for (UInt32 c = 0; c < 2; ++c)
    {
      const float* src = s.Channel(c, mBlock);
      std::copy(src, src + kBlock, mIn[c].begin());
    }
    double* ins[] = {mIn[0].data(), mIn[1].data()};
    double* outs[] = {mOut[0].data(), mOut[1].data()};
    mPlug->ProcessDoubleReplacing(ins, outs, static_cast<int>(kBlock));
    ++mBlock;
  }
  double Out(UInt32 c, UInt32 i) const { return mOut[c][i]; }

private:
  std::unique_ptr<Kestrion> mPlug;
  std::vector<double> mIn[2], mOut[2];
  size_t mBlock = 0;
};

void Report(benchmark::State& state, long allocationsBefore)
{
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.counters["ns/frame"] =
    benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs/block"] =
    static_cast<double>(gAllocations.load() - allocationsBefore) / static_cast<double>(state.iterations());
}

void HostRender(benchmark::State& state, bool fast)
{
  HostUnit unit;
  for (int i = 0; i < 16; ++i) // warm up: first pulls, first buffers
    unit.Render(fast);
  const long before = gAllocations.load();
  for (auto _ : state)
  {
    if (unit.Render(fast) != noErr)
      state.SkipWithError("render failed");
    benchmark::DoNotOptimize(unit.Out(0, 0));
  }
  Report(state, before);
}

void BM_HostRender(benchmark::State& state) { HostRender(state, false); }
void BM_FastRender(benchmark::State& state) { HostRender(state, true); }

void BM_ProcessDouble(benchmark::State& state)
{
  DirectPlug plug;
  const long before = gAllocations.load();
  for (auto _ : state)
  {
    plug.Process();
    benchmark::DoNotOptimize(plug.Out(0, 0));
  }
  Report(state, before);
}

BENCHMARK(BM_HostRender);
BENCHMARK(BM_FastRender);
BENCHMARK(BM_ProcessDouble);

// Interleaved rounds, alternating which side goes first, timed in this thread's CPU time so
// that other processes on the machine do not count; the best round of each side is compared,
// and the median of the per-round ratios is printed beside it.
double ThreadNanoseconds()
{
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

void PrintOverhead()
{
  // The counter sees the bundle's allocations: opening and configuring the unit makes some.
  const long beforeOpen = gAllocations.load();
  HostUnit unit;
  const long opening = gAllocations.load() - beforeOpen;
  DirectPlug plug;
  constexpr int kRounds = 41, kBlocksPerRound = 600;
  double bestHost = 1e30, bestPlug = 1e30;
  std::vector<double> ratios;
  long hostAllocations = 0;
  for (int r = 0; r < kRounds; ++r)
  {
    double host = 0, direct = 0;
    for (int side = 0; side < 2; ++side)
    {
      const bool hostSide = (side == 0) == (r % 2 == 0);
      const long before = gAllocations.load();
      const double t0 = ThreadNanoseconds();
      for (int i = 0; i < kBlocksPerRound; ++i)
        hostSide ? (void)unit.Render(false) : plug.Process();
      const double elapsed = ThreadNanoseconds() - t0;
      if (hostSide)
      {
        host = elapsed;
        hostAllocations += gAllocations.load() - before;
      }
      else
        direct = elapsed;
    }
    bestHost = std::min(bestHost, host);
    bestPlug = std::min(bestPlug, direct);
    ratios.push_back(host / direct);
  }
  std::sort(ratios.begin(), ratios.end());
  const double frames = static_cast<double>(kBlocksPerRound) * kBlock;
  std::printf("\nInterleaved, %d rounds of %d blocks of %u frames, thread CPU time:\n", kRounds, kBlocksPerRound,
              kBlock);
  std::printf("  AudioUnitRender with render callback: %.3f ns/frame (best round)\n", bestHost / frames);
  std::printf("  ProcessDoubleReplacing alone:         %.3f ns/frame (best round)\n", bestPlug / frames);
  std::printf("  wrapper overhead: %+.2f %% best against best, %+.2f %% median of rounds (goal: at most +5 %%)\n",
              100.0 * (bestHost / bestPlug - 1.0), 100.0 * (ratios[ratios.size() / 2] - 1.0));
  std::printf("  heap allocations in %d host renders: %ld (goal: 0); in opening the unit: %ld\n",
              kRounds * kBlocksPerRound, hostAllocations, opening);
}
} // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintOverhead();
  return 0;
}
