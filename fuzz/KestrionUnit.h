#pragma once
// Kestrion as the Audio Unit fuzzers drive it: through the platform's host API, like any host.
// The fuzzers link the wrapper and the plug-in, instrumented, into their own executable and
// register the component's entry routine (Kestrion_Entry) with the platform under the
// description its bundle declares, so that coverage and the sanitizers see the code behind
// every call. Nothing is loaded from disk: the component search path is emptied before the
// registry first looks.
//
// Every input gets new plug-in objects, but not new platform instances: the platform keeps the
// record of every instance ever opened (a closed handle stays recognisable), so one open per
// input would leave one more heap block behind after every run, and libFuzzer would take each
// run for a possible leak and scan the heap after it. Each slot therefore opens one platform
// instance once, and a Unit sends the component's own Open and Close selectors to it, as the
// platform's open and close do.

#include "plugin/KestrionIdentity.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <vector>

namespace fuzzunit
{
constexpr OSType kKestrionCode = KESTRION_FOURCC; // subtype and manufacturer
constexpr int kNumParams = 8;

// Reports a broken expectation on standard error and stops with a trap, which libFuzzer
// records as a crash with the input that caused it.
[[noreturn]] void Fail(const char* what);
inline void Require(bool condition, const char* what)
{
  if (!condition) Fail(what);
}

// A new plug-in object on the slot's instance, closed when it goes. A unit that cannot be
// opened is a failure, and so is a slot opened twice at once.
class Unit
{
public:
  static constexpr int kSlots = 2;
  explicit Unit(int slot = 0);
  ~Unit();
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  operator AudioUnit() const { return mUnit; }

private:
  AudioUnit mUnit = nullptr;
  int mSlot;
};

// The instance's type, subtype and manufacturer as the platform describes it.
ComponentDescription Describe(AudioUnit unit);

// True when every parameter's value lies in the range its ParameterInfo reports.
bool ParamsInRange(AudioUnit unit);

// The class-info dictionary (owned by the caller) or null when the unit refuses.
CFDictionaryRef CopyClassInfo(AudioUnit unit);
OSStatus SetClassInfo(AudioUnit unit, CFPropertyListRef plist,
                      AudioUnitScope scope = kAudioUnitScope_Global, AudioUnitElement element = 0);

// Host input for the unit's input bus: a render callback that fills the buffers it is given
// with bounded test material, and supplies memory of its own for null data pointers.
struct InputFeed
{
  std::vector<std::vector<float>> memory;

  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* stamp,
                       UInt32 bus, UInt32 frames, AudioBufferList* list);
  AURenderCallbackStruct Callback() { return {&InputFeed::Proc, this}; }
};

// A host buffer list of n one-channel buffers of exactly `frames` floats each (or null data
// pointers), and the list itself exactly as long as n buffers need, so that the sanitizer
// catches any access beyond either.
class RenderBuffers
{
public:
  RenderBuffers(UInt32 nBuffers, UInt32 frames, bool withMemory);
  AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(mList.get()); }
  // True when every buffer the unit wrote through (non-null data) holds finite samples.
  bool AllFinite();

private:
  std::unique_ptr<uint8_t[]> mList;
  std::vector<std::unique_ptr<float[]>> mMemory;
  UInt32 mFrames;
};
} // namespace fuzzunit
