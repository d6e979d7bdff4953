// Figures for the platform layer: what AudioUnitRender adds over calling a component's
// entry directly, and the cost of the CoreFoundation calls a plug-in makes per request.
#include <AudioToolbox/AudioToolbox.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// A component whose render fills the buffers with a constant: the work is small, so the
// dispatch overhead shows.
ComponentResult RenderEntry(ComponentParameters* params, Handle) {
  switch (params->what) {
    case kComponentOpenSelect:
      SetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(params->params[1]), nullptr);
      return noErr;
    case kComponentCloseSelect:
      return noErr;
    case kAudioUnitRenderSelect: {
      auto* list = reinterpret_cast<AudioBufferList*>(params->params[5]);
      auto frames = static_cast<UInt32>(params->params[4]);
      for (UInt32 b = 0; b < list->mNumberBuffers; ++b) {
        auto* samples = static_cast<Float32*>(list->mBuffers[b].mData);
        for (UInt32 i = 0; i < frames; ++i) samples[i] = 0.25f;
      }
      return noErr;
    }
    case kAudioUnitGetParameterSelect:
      *reinterpret_cast<Float32*>(params->params[4]) = 0.5f;
      return noErr;
    default:
      return noErr;
  }
}

AudioUnit OpenRenderUnit() {
  static Component component = [] {
    ComponentDescription cd = {kAudioUnitType_Effect, 0x42656e63 /* 'Benc' */, 0x4578706c /* 'Expl' */, 0, 0};
    return RegisterComponent(&cd, RenderEntry, 0, nullptr, nullptr, nullptr);
  }();
  return OpenComponent(component);
}

struct StereoBuffers {
  explicit StereoBuffers(UInt32 frames) : left(frames), right(frames) {
    list.count = 2;
    list.buffers[0] = {1, frames * 4, left.data()};
    list.buffers[1] = {1, frames * 4, right.data()};
  }
  AudioBufferList* Get() { return reinterpret_cast<AudioBufferList*>(&list); }
  std::vector<Float32> left, right;
  struct {
    UInt32 count;
    AudioBuffer buffers[2];
  } list;
};

void BM_AudioUnitRender(benchmark::State& state) {
  const auto frames = static_cast<UInt32>(state.range(0));
  AudioUnit unit = OpenRenderUnit();
  StereoBuffers buffers(frames);
  AudioTimeStamp stamp{};
  stamp.mFlags = kAudioTimeStampSampleTimeValid;
  for (auto _ : state) {
    AudioUnitRenderActionFlags flags = 0;
    benchmark::DoNotOptimize(AudioUnitRender(unit, &flags, &stamp, 0, frames, buffers.Get()));
    stamp.mSampleTime += frames;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * frames);
  CloseComponent(unit);
}
BENCHMARK(BM_AudioUnitRender)->Arg(1)->Arg(64)->Arg(512);

// Called through a pointer, as the platform does, so the entry is not inlined into the loop.
ComponentRoutineProcPtr volatile sDirectEntry = RenderEntry;

void BM_DirectEntryRender(benchmark::State& state) {
  const auto frames = static_cast<UInt32>(state.range(0));
  StereoBuffers buffers(frames);
  AudioTimeStamp stamp{};
  stamp.mFlags = kAudioTimeStampSampleTimeValid;
  for (auto _ : state) {
    AudioUnitRenderActionFlags flags = 0;
    struct {
      UInt8 flags;
      UInt8 paramSize;
      SInt16 what;
      UInt32 padding;
      long params[6];
    } block = {0, 40, kAudioUnitRenderSelect, 0,
               {0, reinterpret_cast<long>(&flags), reinterpret_cast<long>(&stamp), 0, frames,
                reinterpret_cast<long>(buffers.Get())}};
    benchmark::DoNotOptimize(sDirectEntry(reinterpret_cast<ComponentParameters*>(&block), nullptr));
    stamp.mSampleTime += frames;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_DirectEntryRender)->Arg(1)->Arg(64)->Arg(512);

void BM_AudioUnitGetParameter(benchmark::State& state) {
  AudioUnit unit = OpenRenderUnit();
  Float32 value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(AudioUnitGetParameter(unit, 1, 0, 0, &value));
  CloseComponent(unit);
}
BENCHMARK(BM_AudioUnitGetParameter);

void BM_CFStringCreateRelease(benchmark::State& state) {
  for (auto _ : state) {
    CFStringRef s = CFStringCreateWithCString(nullptr, "Attack sensitivity", kCFStringEncodingUTF8);
    benchmark::DoNotOptimize(s);
    CFRelease(s);
  }
}
BENCHMARK(BM_CFStringCreateRelease);

void BM_CFDictionaryLookup(benchmark::State& state) {
  const char* names[] = {"version", "type", "subtype", "manufacturer", "name", "data"};
  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  for (const char* name : names) {
    CFStringRef key = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, key, kCFBooleanTrue);
    CFRelease(key);
  }
  for (auto _ : state) benchmark::DoNotOptimize(CFDictionaryGetValue(dict, CFSTR("data")));
  CFRelease(dict);
}
BENCHMARK(BM_CFDictionaryLookup);

void BM_AUEventListenerNotify(benchmark::State& state) {
  AudioUnit unit = OpenRenderUnit();
  AUEventListenerRef listener = nullptr;
  AUEventListenerCreate([](void*, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {}, nullptr, nullptr,
                        nullptr, 0, 0, &listener);
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_ParameterValueChange;
  event.mArgument.mParameter = AudioUnitParameter{unit, 1, kAudioUnitScope_Global, 0};
  AUEventListenerAddEventType(listener, nullptr, &event);
  for (auto _ : state) benchmark::DoNotOptimize(AUEventListenerNotify(nullptr, nullptr, &event));
  AUListenerDispose(listener);
  CloseComponent(unit);
}
BENCHMARK(BM_AUEventListenerNotify);

}  // namespace
BENCHMARK_MAIN();
