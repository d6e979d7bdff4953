#pragma once
// What the Audio Unit tests need to act as a host: the bundles under test registered, units
// opened and closed, stream formats, buffer lists, time stamps, property reads and a render
// callback that feeds autest::SourceSample (or, on request, a faulty list). Everything goes
// through the platform's host API.

#include "tests/au/TestSignal.h"
#include "tests/au/TestSource.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/ComponentBundles.h>
#include <CoreServices/CoreServices.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace autest
{
constexpr OSType kKestrionCode = 0x62796b48; // 'bykH', subtype and manufacturer
constexpr OSType kProbeSubType = 0x50726f62; // 'Prob'
constexpr int kKestrionParams = 8;

// The search path is narrowed to the bundles of this build before the registry first looks,
// so that an installed copy can never stand in for the one under test.
inline void RegisterBundles()
{
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string path = std::string(KESTRION_BUNDLE_PATH) + ":" + AU_TEST_BUNDLE_DIR;
    setenv(kAudioComponentPathVariable, path.c_str(), 1);
    RegisterComponentBundle(KESTRION_BUNDLE_PATH, nullptr);
  });
}

// An open instance, closed when it goes.
class Unit
{
public:
  Unit(OSType type, OSType subType, OSType manufacturer)
  {
    RegisterBundles();
    ComponentDescription d = {type, subType, manufacturer, 0, 0};
    if (Component c = FindNextComponent(nullptr, &d))
      mStatus = OpenAComponent(c, &mUnit);
  }
  ~Unit()
  {
    if (mUnit)
      CloseComponent(mUnit);
  }
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  AudioUnit get() const { return mUnit; }
  operator AudioUnit() const { return mUnit; }
  OSErr status() const { return mStatus; }

private:
  AudioUnit mUnit = nullptr;
  OSErr mStatus = invalidComponentID;
};

inline Unit* OpenKestrion() { return new Unit(kAudioUnitType_Effect, kKestrionCode, kKestrionCode); }

inline AudioStreamBasicDescription Format(UInt32 channels, double rate = 44100.0)
{
  AudioStreamBasicDescription d = {};
  FillOutASBDForLPCM(d, rate, channels, 32, 32, true, false, true); // flags 0x29
  return d;
}

inline OSStatus SetFormat(AudioUnit unit, AudioUnitScope scope, UInt32 channels,
                          double rate = 44100.0, AudioUnitElement element = 0)
{
  const AudioStreamBasicDescription d = Format(channels, rate);
  return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &d, sizeof d);
}

template <class T>
OSStatus Get(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
             T& value)
{
  UInt32 size = sizeof(T);
  return AudioUnitGetProperty(unit, id, scope, element, &value, &size);
}

template <class T>
OSStatus Set(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
             const T& value)
{
  return AudioUnitSetProperty(unit, id, scope, element, &value, sizeof(T));
}

inline float GetParam(AudioUnit unit, AudioUnitParameterID id)
{
  Float32 value = -12345.0f;
  AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &value);
  return value;
}

inline std::string Text(CFStringRef s)
{
  if (!s)
    return "<null>";
  char buffer[1024] = {};
  CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8);
  return buffer;
}

inline AudioTimeStamp Stamp(double sampleTime, bool valid = true)
{
  AudioTimeStamp t = {};
  t.mSampleTime = sampleTime;
  t.mFlags = valid ? kAudioTimeStampSampleTimeValid : kAudioTimeStampHostTimeValid;
  return t;
}

// A buffer list of n one-channel buffers with memory of its own (or null data pointers).
class Buffers
{
public:
  Buffers(UInt32 nBuffers, UInt32 frames, bool withMemory = true)
    : mStorage(offsetof(AudioBufferList, mBuffers) + sizeof(AudioBuffer) * (nBuffers ? nBuffers : 1)),
      mMemory(nBuffers, std::vector<float>(frames, -7.0f)), mFrames(frames)
  {
    list()->mNumberBuffers = nBuffers;
    for (UInt32 b = 0; b < nBuffers; ++b)
    {
      list()->mBuffers[b].mNumberChannels = 1;
      list()->mBuffers[b].mDataByteSize = frames * sizeof(float);
      list()->mBuffers[b].mData = withMemory ? mMemory[b].data() : nullptr;
    }
  }
  AudioBufferList* list() { return reinterpret_cast<AudioBufferList*>(mStorage.data()); }
  float* data(UInt32 b) { return static_cast<float*>(list()->mBuffers[b].mData); }
  std::vector<float>& memory(UInt32 b) { return mMemory[b]; }
  // The samples of buffer b wherever its data pointer points now.
  std::vector<float> samples(UInt32 b)
  {
    const float* p = data(b);
    return p ? std::vector<float>(p, p + mFrames) : std::vector<float>();
  }

private:
  std::vector<uint8_t> mStorage;
  std::vector<std::vector<float>> mMemory;
  UInt32 mFrames;
};

// A host input callback: fills whatever buffers it is given with autest::SourceSample for
// the stamp's frames and records how it was called.
struct InputFeed
{
  std::atomic<int> calls{0};
  std::atomic<OSStatus> status{noErr};
  std::atomic<UInt32> fault{kFaultNone}; // what it does to the list after filling it
  // The last call, as received (written on the render thread, read after it).
  UInt32 bus = 99, frames = 0, nBuffers = 0, flags = 0xFFFF;
  UInt32 channelsPerBuffer[8] = {};
  UInt32 bytesPerBuffer[8] = {};
  bool allDataGiven = false;
  void* refConSeen = nullptr;

  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp,
                       UInt32 bus, UInt32 frames, AudioBufferList* list)
  {
    auto* self = static_cast<InputFeed*>(refCon);
    self->calls.fetch_add(1);
    self->refConSeen = refCon;
    self->bus = bus;
    self->frames = frames;
    self->flags = flags ? *flags : 0xFFFF;
    self->nBuffers = list ? list->mNumberBuffers : 0;
    self->allDataGiven = list != nullptr;
    for (UInt32 b = 0; list && b < list->mNumberBuffers; ++b)
    {
      if (b < 8)
      {
        self->channelsPerBuffer[b] = list->mBuffers[b].mNumberChannels;
        self->bytesPerBuffer[b] = list->mBuffers[b].mDataByteSize;
      }
      auto* out = static_cast<float*>(list->mBuffers[b].mData);
      if (!out)
      {
        self->allDataGiven = false;
        continue;
      }
      const auto first = static_cast<int64_t>(stamp->mSampleTime);
      for (UInt32 i = 0; i < frames; ++i)
        out[i] = SourceSample(static_cast<int>(b), first + i);
    }
    CommitFault(list, self->fault.load());
    return self->status.load();
  }

  OSStatus AttachTo(AudioUnit unit, AudioUnitElement element = 0,
                    AudioUnitScope scope = kAudioUnitScope_Input)
  {
    AURenderCallbackStruct cb = {&InputFeed::Proc, this};
    return AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, scope, element, &cb,
                                sizeof cb);
  }
};

// Kestrion's eight parameters set to a shaping that exercises every stage.
inline void SetShaping(AudioUnit unit)
{
  const float values[kKestrionParams] = {60.0f, -40.0f, 25.0f, 10.0f, -3.0f, 20.0f, 50.0f, 300.0f};
  for (AudioUnitParameterID id = 0; id < kKestrionParams; ++id)
    AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, values[id], 0);
}
} // namespace autest
