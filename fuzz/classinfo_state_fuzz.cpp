// Class-info states, as a host hands them to kAudioUnitProperty_ClassInfo, built from fuzz
// bytes and set on a freshly opened Kestrion. The input (values in the form of CFValueCodec.h):
//
//   byte 0   setup: bit 0 initialise the unit first; bit 1 render through the result
//            afterwards (initialised units only); bit 2 the state is any value rather than a
//            dictionary
//   byte 1   scope (low two bits) and element (the rest) the state is set in
//   byte 2   parameter writes before the state (modulo 9): each a parameter byte (modulo 8) and
//            a Float32 value
//   then     the state: a dictionary body (count and pairs), or with bit 2 any value
//
// Besides the sanitizers' checks:
// - A state is accepted exactly when it is a dictionary whose "version", "type", "subtype" and
//   "manufacturer" are numbers, with type, subtype and manufacturer this instance's, whose
//   "name" is a string and whose "data" is data (Kestrion reads a chunk of any length).
// - A refused state changes nothing: the settings (the parameter chunk and preset name of the
//   unit's own class info) are exactly as before. The one exception is a state that got as far
//   as its "name" and names a preset: that preset is then current with its settings.
// - After an accepted state the class info can be read, every parameter is within its range,
//   the class info read back restores exactly the same settings, and rendering gives finite
//   samples.

#include "fuzz/CFValueCodec.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/KestrionUnit.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace fuzzunit;

namespace
{
enum ESetup : uint8_t
{
  kInitialise = 1 << 0,
  kRender = 1 << 1,
  kAnyValue = 1 << 2
};

// What a state may change: the parameter chunk and the current preset's name.
struct Settings
{
  std::vector<uint8_t> chunk;
  std::string name;
  bool operator==(const Settings& other) const
  {
    return chunk == other.chunk && name == other.name;
  }
};

std::string UTF8(CFStringRef str)
{
  std::vector<char> text(static_cast<size_t>(CFStringGetMaximumSizeForEncoding(
                             CFStringGetLength(str), kCFStringEncodingUTF8)) +
                         1);
  if (!CFStringGetCString(str, text.data(), static_cast<CFIndex>(text.size()),
                          kCFStringEncodingUTF8))
    return std::string();
  return text.data(); // up to the first NUL, as a C string is read
}

CFTypeRef Lookup(CFDictionaryRef dict, const char* key, CFTypeID type)
{
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  CFTypeRef value = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  return value && CFGetTypeID(value) == type ? value : nullptr;
}

Settings Read(AudioUnit unit)
{
  CFDictionaryRef info = CopyClassInfo(unit);
  Require(info != nullptr, "the class info can be read");
  Settings settings;
  if (auto data = static_cast<CFDataRef>(Lookup(info, "data", CFDataGetTypeID())))
    settings.chunk.assign(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
  if (auto name = static_cast<CFStringRef>(Lookup(info, "name", CFStringGetTypeID())))
    settings.name = UTF8(name);
  CFRelease(info);
  return settings;
}

bool NumberIs(CFDictionaryRef dict, const char* key, const SInt32* expected)
{
  auto number = static_cast<CFNumberRef>(Lookup(dict, key, CFNumberGetTypeID()));
  if (!number) return false;
  SInt32 value = 0;
  CFNumberGetValue(number, kCFNumberSInt32Type, &value);
  return !expected || value == *expected;
}

// The state's dictionary when it names this instance and a preset name: what the unit checks
// before it looks for the preset. Null otherwise.
CFDictionaryRef IdentifiedState(AudioUnit unit, CFTypeRef state)
{
  if (!state || CFGetTypeID(state) != CFDictionaryGetTypeID()) return nullptr;
  auto dict = static_cast<CFDictionaryRef>(state);
  const ComponentDescription desc = Describe(unit);
  const SInt32 type = static_cast<SInt32>(desc.componentType);
  const SInt32 subtype = static_cast<SInt32>(desc.componentSubType);
  const SInt32 manufacturer = static_cast<SInt32>(desc.componentManufacturer);
  const bool identified = NumberIs(dict, "version", nullptr) && NumberIs(dict, "type", &type) &&
                          NumberIs(dict, "subtype", &subtype) &&
                          NumberIs(dict, "manufacturer", &manufacturer) &&
                          Lookup(dict, "name", CFStringGetTypeID());
  return identified ? dict : nullptr;
}

// The name as the unit reads it: a C string cut to 63 bytes without splitting a character.
std::string StateName(CFDictionaryRef dict)
{
  std::string name = UTF8(static_cast<CFStringRef>(Lookup(dict, "name", CFStringGetTypeID())));
  size_t length = std::min<size_t>(name.size(), 63);
  if (length < name.size())
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
      --length;
  return name.substr(0, length);
}

// The factory preset of that name, or -1.
SInt32 FindPreset(AudioUnit unit, const std::string& name)
{
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof presets;
  Require(AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0,
                               &presets, &size) == noErr &&
              presets,
          "the factory presets can be read");
  SInt32 found = -1;
  for (CFIndex i = 0; i < CFArrayGetCount(presets) && found < 0; ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    if (!name.empty() && preset->presetName && UTF8(preset->presetName) == name)
      found = preset->presetNumber;
  }
  CFRelease(presets);
  return found;
}

void CheckRefused(AudioUnit unit, CFTypeRef state, const Settings& before)
{
  const Settings after = Read(unit);
  CFDictionaryRef dict = IdentifiedState(unit, state);
  const SInt32 preset = dict ? FindPreset(unit, StateName(dict)) : -1;
  if (preset < 0)
  {
    Require(after == before, "a refused state leaves the settings exactly as they were");
    return;
  }
  // The preset the state named is current: choosing it again changes nothing.
  const AUPreset choice = {preset, nullptr};
  Require(AudioUnitSetProperty(unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0,
                               &choice, sizeof choice) == noErr,
          "a factory preset can be chosen");
  Require(Read(unit) == after, "a refused state that names a preset leaves that preset current");
}

void CheckAccepted(AudioUnit unit)
{
  Require(ParamsInRange(unit), "an accepted state leaves every parameter in its range");
  const Settings restored = Read(unit);
  CFDictionaryRef info = CopyClassInfo(unit);
  const OSStatus status = SetClassInfo(unit, info);
  CFRelease(info);
  Require(status == noErr, "the class info the unit hands out is accepted back");
  Require(Read(unit) == restored, "the class info the unit hands out restores the same settings");
}

void Render(AudioUnit unit)
{
  InputFeed feed;
  const AURenderCallbackStruct callback = feed.Callback();
  Require(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                               &callback, sizeof callback) == noErr,
          "the input callback is installed");
  for (int slice = 0; slice < 2; ++slice)
  {
    RenderBuffers buffers(2, 64, true);
    AudioTimeStamp stamp = {};
    stamp.mSampleTime = 64.0 * slice;
    stamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    Require(AudioUnitRender(unit, &flags, &stamp, 0, 64, buffers.List()) == noErr,
            "a render after the state succeeds");
    Require(buffers.AllFinite(), "the restored settings render finite samples");
  }
  const AURenderCallbackStruct none = {nullptr, nullptr};
  AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &none,
                       sizeof none);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  const uint8_t address = in.Byte();
  Unit unit;
  if (setup & kInitialise) Require(AudioUnitInitialize(unit) == noErr, "a new unit initialises");
  for (int writes = in.Byte() % 9; writes > 0; --writes)
  {
    const AudioUnitParameterID id = in.Byte() % kNumParams;
    AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, in.Value<Float32>(), 0);
  }

  CFTypeRef state = (setup & kAnyValue) ? cfcodec::ReadValue(in) : cfcodec::ReadDictionaryBody(in);
  const Settings before = Read(unit);
  const OSStatus status = SetClassInfo(unit, state, address & 3, address >> 2);

  CFDictionaryRef dict = IdentifiedState(unit, state);
  auto chunk = dict ? static_cast<CFDataRef>(Lookup(dict, "data", CFDataGetTypeID())) : nullptr;
  const bool acceptable = chunk && CFDataGetLength(chunk) <= INT_MAX;
  Require((status == noErr) == acceptable, "a state is accepted exactly when it is complete");
  if (status == noErr)
    CheckAccepted(unit);
  else
    CheckRefused(unit, state, before);

  if ((setup & kRender) && (setup & kInitialise)) Render(unit);
  if (state) CFRelease(state);
  return 0;
}
