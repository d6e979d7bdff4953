#include "fuzz/KestrionUnit.h"

#include "tests/au/TestSignal.h"

#include <CoreServices/ComponentBundles.h>
#include <CoreServices/CoreServices.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" ComponentResult Kestrion_Entry(ComponentParameters* params, void* storage);

namespace fuzzunit
{
namespace
{
ComponentResult Entry(ComponentParameters* params, Handle storage)
{
  return Kestrion_Entry(params, storage);
}

Component KestrionComponent()
{
  static Component component = []
  {
    setenv(kAudioComponentPathVariable, "", 1);
    ComponentDescription desc = {kAudioUnitType_Effect, kKestrionCode, kKestrionCode, 0, 0};
    return RegisterComponent(&desc, &Entry, 0, nullptr, nullptr, nullptr);
  }();
  return component;
}

// Open or Close sent to the instance's entry in the platform's parameter block.
ComponentResult CallEntry(AudioUnit instance, SInt16 what)
{
  struct
  {
    UInt8 flags;
    UInt8 paramSize;
    SInt16 what;
    UInt32 padding;
    long params[2];
  } block = {0, 8, what, 0, {reinterpret_cast<long>(instance), reinterpret_cast<long>(instance)}};
  return Kestrion_Entry(reinterpret_cast<ComponentParameters*>(&block),
                        GetComponentInstanceStorage(instance));
}

struct Slot
{
  AudioUnit instance = nullptr;
  bool inUse = false;
};
Slot gSlots[Unit::kSlots];
} // namespace

void Fail(const char* what)
{
  std::fprintf(stderr, "kestrion fuzz check failed: %s\n", what);
  __builtin_trap();
}

Unit::Unit(int slot) : mSlot(slot)
{
  Slot& s = gSlots[slot];
  Require(!s.inUse, "a slot holds one unit at a time");
  if (s.instance)
    Require(CallEntry(s.instance, kComponentOpenSelect) == noErr, "Kestrion opens again");
  else
  {
    Component component = KestrionComponent();
    Require(component && OpenAComponent(component, &s.instance) == noErr && s.instance,
            "Kestrion opens through the component registry");
  }
  s.inUse = true;
  mUnit = s.instance;
}

Unit::~Unit()
{
  CallEntry(mUnit, kComponentCloseSelect);
  SetComponentInstanceStorage(mUnit, nullptr);
  gSlots[mSlot].inUse = false;
}

ComponentDescription Describe(AudioUnit unit)
{
  ComponentDescription desc = {};
  GetComponentInfo(reinterpret_cast<Component>(unit), &desc, nullptr, nullptr, nullptr);
  return desc;
}

bool ParamsInRange(AudioUnit unit)
{
  bool inRange = true;
  for (UInt32 id = 0; id < kNumParams; ++id)
  {
    AudioUnitParameterInfo info = {};
    UInt32 size = sizeof info;
    Require(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id,
                                 &info, &size) == noErr,
            "ParameterInfo answers for every parameter");
    if (info.cfNameString) CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
    AudioUnitParameterValue value = 0.0f;
    Require(AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &value) == noErr,
            "every parameter can be read");
    inRange = inRange && value >= info.minValue && value <= info.maxValue;
  }
  return inRange;
}

CFDictionaryRef CopyClassInfo(AudioUnit unit)
{
  CFPropertyListRef plist = nullptr;
  UInt32 size = sizeof plist;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist,
                           &size) != noErr)
    return nullptr;
  Require(plist && CFGetTypeID(plist) == CFDictionaryGetTypeID(), "the class info is a dictionary");
  return static_cast<CFDictionaryRef>(plist);
}

OSStatus SetClassInfo(AudioUnit unit, CFPropertyListRef plist, AudioUnitScope scope,
                      AudioUnitElement element)
{
  return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, scope, element, &plist,
                              sizeof plist);
}

OSStatus InputFeed::Proc(void* refCon, AudioUnitRenderActionFlags* /*flags*/,
                         const AudioTimeStamp* stamp, UInt32 /*bus*/, UInt32 frames,
                         AudioBufferList* list)
{
  auto* feed = static_cast<InputFeed*>(refCon);
  if (!feed || !stamp || !list) return noErr;
  if (feed->memory.size() < list->mNumberBuffers) feed->memory.resize(list->mNumberBuffers);
  const auto first = static_cast<int64_t>(stamp->mSampleTime);
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b)
  {
    AudioBuffer& buffer = list->mBuffers[b];
    if (!buffer.mData)
    {
      std::vector<float>& own = feed->memory[b];
      if (own.size() < frames) own.resize(frames);
      buffer.mData = own.data();
      buffer.mDataByteSize = frames * sizeof(float);
    }
    auto* out = static_cast<float*>(buffer.mData);
    for (UInt32 i = 0; i < frames; ++i)
      out[i] = autest::SourceSample(static_cast<int>(b % 8), first + i);
  }
  return noErr;
}

RenderBuffers::RenderBuffers(UInt32 nBuffers, UInt32 frames, bool withMemory)
    : mList(new uint8_t[offsetof(AudioBufferList, mBuffers) + nBuffers * sizeof(AudioBuffer)]),
      mFrames(frames)
{
  AudioBufferList* list = List();
  list->mNumberBuffers = nBuffers;
  for (UInt32 b = 0; b < nBuffers; ++b)
  {
    float* data = nullptr;
    if (withMemory)
    {
      mMemory.emplace_back(new float[frames]());
      data = mMemory.back().get();
    }
    list->mBuffers[b] = AudioBuffer{1, frames * static_cast<UInt32>(sizeof(float)), data};
  }
}

bool RenderBuffers::AllFinite()
{
  AudioBufferList* list = List();
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b)
  {
    const auto* data = static_cast<const float*>(list->mBuffers[b].mData);
    for (UInt32 i = 0; data && i < mFrames; ++i)
      if (!std::isfinite(data[i])) return false;
  }
  return true;
}
} // namespace fuzzunit
