// The upstream test unit: renders autest::SourceSample, see TestSource.h.
#include "tests/au/TestSignal.h"
#include "tests/au/TestSource.h"

#include <atomic>
#include <cstring>

namespace
{
constexpr UInt32 kMaxChannels = 8;
constexpr UInt32 kMaxFrames = 4096;

struct SourceState
{
  ComponentInstance mSelf = nullptr;
  UInt32 mChannels = 2;
  std::atomic<SInt32> mRenderStatus{noErr};
  std::atomic<UInt32> mRenders{0};
  std::atomic<UInt32> mSelectorRenders{0};
  std::atomic<UInt32> mFault{autest::kFaultNone};
  float mMemory[kMaxChannels][kMaxFrames] = {};
};

OSStatus Render(void* storage, AudioUnitRenderActionFlags* /*flags*/, const AudioTimeStamp* stamp,
                UInt32 bus, UInt32 frames, AudioBufferList* list)
{
  auto* state = static_cast<SourceState*>(storage);
  state->mRenders.fetch_add(1, std::memory_order_relaxed);
  const SInt32 status = state->mRenderStatus.load(std::memory_order_relaxed);
  if (status != noErr)
    return status;
  if (bus != 0 || !stamp || !list || frames > kMaxFrames || list->mNumberBuffers > state->mChannels)
    return kAudioUnitErr_InvalidPropertyValue;
  const auto first = static_cast<int64_t>(stamp->mSampleTime);
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b)
  {
    AudioBuffer& buffer = list->mBuffers[b];
    if (!buffer.mData)
      buffer.mData = state->mMemory[b];
    buffer.mDataByteSize = frames * sizeof(float);
    auto* out = static_cast<float*>(buffer.mData);
    for (UInt32 i = 0; i < frames; ++i)
      out[i] = autest::SourceSample(static_cast<int>(b), first + i);
  }
  autest::CommitFault(list, state->mFault.load(std::memory_order_relaxed));
  return noErr;
}

void FillFormat(AudioStreamBasicDescription* d, UInt32 channels)
{
  std::memset(d, 0, sizeof *d);
  d->mSampleRate = 44100.0;
  d->mFormatID = kAudioFormatLinearPCM;
  d->mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
  d->mBytesPerPacket = 4;
  d->mFramesPerPacket = 1;
  d->mBytesPerFrame = 4;
  d->mChannelsPerFrame = channels;
  d->mBitsPerChannel = 32;
}

// One property request: id, scope, element, data (may be null), size.
OSStatus GetProperty(SourceState* state, bool fastDispatch, AudioUnitPropertyID id,
                     AudioUnitScope scope, AudioUnitElement element, void* data, UInt32* size)
{
  switch (id)
  {
  case kAudioUnitProperty_StreamFormat:
    if (scope != kAudioUnitScope_Output || element != 0)
      return kAudioUnitErr_InvalidProperty;
    if (size)
      *size = sizeof(AudioStreamBasicDescription);
    if (data)
      FillFormat(static_cast<AudioStreamBasicDescription*>(data), state->mChannels);
    return noErr;
  case kAudioUnitProperty_FastDispatch:
    if (!fastDispatch)
      return kAudioUnitErr_InvalidProperty;
    if (element != kAudioUnitRenderSelect)
      return kAudioUnitErr_InvalidElement;
    if (size)
      *size = sizeof(AudioUnitRenderProc);
    if (data)
      *static_cast<AudioUnitRenderProc*>(data) = &Render;
    return noErr;
  case autest::kSourceProperty_RenderCount:
  case autest::kSourceProperty_SelectorRenderCount:
    if (size)
      *size = sizeof(UInt32);
    if (data)
      *static_cast<UInt32*>(data) = (id == autest::kSourceProperty_RenderCount ? state->mRenders
                                                                                : state->mSelectorRenders)
                                      .load(std::memory_order_relaxed);
    return noErr;
  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

ComponentResult Entry(ComponentParameters* params, Handle storage, bool fastDispatch)
{
  const long* slot = params->params;
  if (params->what == kComponentOpenSelect)
  {
    auto* state = new SourceState();
    state->mSelf = reinterpret_cast<ComponentInstance>(slot[1]);
    SetComponentInstanceStorage(state->mSelf, reinterpret_cast<Handle>(state));
    return noErr;
  }
  auto* state = reinterpret_cast<SourceState*>(storage);
  if (!state)
    return badComponentInstance;
  switch (params->what)
  {
  case kComponentCloseSelect:
    delete state;
    return noErr;
  case kComponentCanDoSelect:
  {
    const long selector = slot[0];
    return selector == kAudioUnitInitializeSelect || selector == kAudioUnitUninitializeSelect ||
           selector == kAudioUnitGetPropertyInfoSelect || selector == kAudioUnitGetPropertySelect ||
           selector == kAudioUnitSetPropertySelect || selector == kAudioUnitRenderSelect;
  }
  case kComponentVersionSelect:
    return 0x00010000;
  case kAudioUnitInitializeSelect:
  case kAudioUnitUninitializeSelect:
    return noErr;
  case kAudioUnitGetPropertyInfoSelect:
  {
    auto* size = reinterpret_cast<UInt32*>(slot[4]);
    UInt32 local = 0;
    return GetProperty(state, fastDispatch, static_cast<AudioUnitPropertyID>(slot[1]),
                       static_cast<AudioUnitScope>(slot[2]), static_cast<AudioUnitElement>(slot[3]),
                       nullptr, size ? size : &local);
  }
  case kAudioUnitGetPropertySelect:
  {
    auto* size = reinterpret_cast<UInt32*>(slot[5]);
    UInt32 local = 0;
    return GetProperty(state, fastDispatch, static_cast<AudioUnitPropertyID>(slot[1]),
                       static_cast<AudioUnitScope>(slot[2]), static_cast<AudioUnitElement>(slot[3]),
                       reinterpret_cast<void*>(slot[4]), size ? size : &local);
  }
  case kAudioUnitSetPropertySelect:
  {
    const auto id = static_cast<AudioUnitPropertyID>(slot[1]);
    const void* data = reinterpret_cast<const void*>(slot[4]);
    if (!data)
      return kAudioUnitErr_InvalidPropertyValue;
    if (id == kAudioUnitProperty_StreamFormat && slot[2] == kAudioUnitScope_Output && slot[3] == 0)
    {
      const UInt32 channels = static_cast<const AudioStreamBasicDescription*>(data)->mChannelsPerFrame;
      if (channels < 1 || channels > kMaxChannels)
        return kAudioUnitErr_FormatNotSupported;
      state->mChannels = channels;
      return noErr;
    }
    if (id == autest::kSourceProperty_RenderStatus)
    {
      state->mRenderStatus.store(*static_cast<const SInt32*>(data), std::memory_order_relaxed);
      return noErr;
    }
    if (id == autest::kSourceProperty_Fault)
    {
      state->mFault.store(*static_cast<const UInt32*>(data), std::memory_order_relaxed);
      return noErr;
    }
    return kAudioUnitErr_InvalidProperty;
  }
  case kAudioUnitRenderSelect:
    state->mSelectorRenders.fetch_add(1, std::memory_order_relaxed);
    return Render(state, reinterpret_cast<AudioUnitRenderActionFlags*>(slot[1]),
                  reinterpret_cast<const AudioTimeStamp*>(slot[2]), static_cast<UInt32>(slot[3]),
                  static_cast<UInt32>(slot[4]), reinterpret_cast<AudioBufferList*>(slot[5]));
  default:
    return badComponentSelector;
  }
}
} // namespace

extern "C" __attribute__((visibility("default"))) ComponentResult AuTestSource_Entry(
  ComponentParameters* params, Handle storage)
{
  return Entry(params, storage, true);
}

extern "C" __attribute__((visibility("default"))) ComponentResult AuTestSource_SlowEntry(
  ComponentParameters* params, Handle storage)
{
  return Entry(params, storage, false);
}
