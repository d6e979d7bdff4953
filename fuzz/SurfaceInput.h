#pragma once
// The form of a property_surface_fuzz input, read by the fuzzer and written by the seed writer.
//
//   byte 0   setup: bit 0 initialise the unit first; bit 1 attach the host's input callback
//   then     operations until the input ends (at most kMaxOps), each an operation byte (its kind
//            is the byte modulo kNumOps) and its fields:
//
//   get-info     property, scope, element, flags (bit 0 no size pointer, 1 no writable pointer)
//   get          property, scope, element, size, flags (bit 0 no data pointer, 1 no size
//                pointer), the buffer's bytes, then the choices for its pointer fields
//   set          property, scope, element, size, flags (bit 0 no data pointer), the buffer's
//                bytes, then the choices for its pointer fields
//   get-param    parameter, scope, element
//   set-param    parameter, scope, element, Float32 value, offset byte
//   render       UInt16 frames (modulo 4097), bus, buffer count byte (modulo 5), flags (bit 0
//                null data pointers, 1 no valid sample time, 2 through the fast-dispatch
//                function, 3 the previous time stamp again)
//   initialise   byte: odd initialises, even uninitialises
//   reset        scope, element
//   schedule     count byte (modulo 5), then per event: parameter, scope, element, type byte,
//                Float32 value, UInt16 offset
//   listen       byte (modulo 5): add or remove a property listener (property follows), remove
//                one by user data (property follows), add or remove a render notifier
//
// Field forms: a property byte below kRawByte picks kProperties[byte % count], the ones the unit
// implements; from kRawByte on a UInt32 id follows. Scope: byte % 4, or a UInt32 from kRawByte
// on. Element and parameter: byte % 10, or a UInt32 from kRawByte on. Size: below 0x80 the
// property's own size; below 0xC0 that size plus (byte & 0x3F) - 32, at least 0; else a UInt16
// (modulo 4097) follows.

#include "fuzz/FuzzInput.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace surface
{
enum EOp : uint8_t
{
  kOpGetInfo,
  kOpGet,
  kOpSet,
  kOpGetParam,
  kOpSetParam,
  kOpRender,
  kOpInitialise,
  kOpReset,
  kOpSchedule,
  kOpListen,
  kNumOps
};

enum ESetup : uint8_t
{
  kSetupInitialise = 1 << 0,
  kSetupInputFeed = 1 << 1
};

enum EListen : uint8_t
{
  kAddListener,
  kRemoveListener,
  kRemoveListenerWithUserData,
  kAddRenderNotify,
  kRemoveRenderNotify,
  kNumListen
};

constexpr int kMaxOps = 64;
constexpr uint8_t kRawByte = 0xF0;
constexpr UInt32 kMaxSize = 4096;

struct Property
{
  AudioUnitPropertyID id;
  UInt32 size; // the size of the property's value or record
};

// Every property the unit answers, with the size of its value.
inline constexpr Property kProperties[] = {
    {kAudioUnitProperty_ClassInfo, sizeof(CFPropertyListRef)},
    {kAudioUnitProperty_MakeConnection, sizeof(AudioUnitConnection)},
    {kAudioUnitProperty_SampleRate, sizeof(Float64)},
    {kAudioUnitProperty_ParameterList, 8 * sizeof(AudioUnitParameterID)},
    {kAudioUnitProperty_ParameterInfo, sizeof(AudioUnitParameterInfo)},
    {kAudioUnitProperty_FastDispatch, sizeof(void*)},
    {kAudioUnitProperty_StreamFormat, sizeof(AudioStreamBasicDescription)},
    {kAudioUnitProperty_ElementCount, sizeof(UInt32)},
    {kAudioUnitProperty_Latency, sizeof(Float64)},
    {kAudioUnitProperty_SupportedNumChannels, 2 * sizeof(AUChannelInfo)},
    {kAudioUnitProperty_MaximumFramesPerSlice, sizeof(UInt32)},
    {kAudioUnitProperty_ParameterValueStrings, sizeof(CFArrayRef)},
    {kAudioUnitProperty_GetUIComponentList, sizeof(ComponentDescription)},
    {kAudioUnitProperty_AudioChannelLayout, 12},
    {kAudioUnitProperty_TailTime, sizeof(Float64)},
    {kAudioUnitProperty_BypassEffect, sizeof(UInt32)},
    {kAudioUnitProperty_LastRenderError, sizeof(OSStatus)},
    {kAudioUnitProperty_SetRenderCallback, sizeof(AURenderCallbackStruct)},
    {kAudioUnitProperty_FactoryPresets, sizeof(CFArrayRef)},
    {kAudioUnitProperty_HostCallbacks, sizeof(HostCallbackInfo)},
    {kAudioUnitProperty_CurrentPreset, sizeof(AUPreset)},
    {kAudioUnitProperty_ElementName, sizeof(CFStringRef)},
    {kAudioUnitProperty_CocoaUI, sizeof(AudioUnitCocoaViewInfo)},
    {kAudioUnitProperty_SupportedChannelLayoutTags, sizeof(UInt32)},
    {kAudioUnitProperty_ParameterStringFromValue, sizeof(AudioUnitParameterStringFromValue)},
    {kAudioUnitProperty_ParameterIDName, sizeof(AudioUnitParameterIDName)},
    {kAudioUnitProperty_ParameterClumpName, sizeof(AudioUnitParameterNameInfo)},
    {kAudioUnitProperty_PresentPreset, sizeof(AUPreset)},
    {kAudioUnitProperty_OfflineRender, sizeof(UInt32)},
    {kAudioUnitProperty_ParameterValueFromString, sizeof(AudioUnitParameterValueFromString)},
    {kAudioUnitProperty_AUHostIdentifier, sizeof(AUHostIdentifier)},
    {kMusicDeviceProperty_InstrumentCount, sizeof(UInt32)},
};
constexpr size_t kNumProperties = sizeof kProperties / sizeof kProperties[0];

inline UInt32 OwnSize(AudioUnitPropertyID id)
{
  for (const Property& p : kProperties)
    if (p.id == id) return p.size;
  return sizeof(void*);
}

// ---- Reading -----------------------------------------------------------------------------------

inline AudioUnitPropertyID ReadProperty(FuzzInput& in)
{
  const uint8_t b = in.Byte();
  return b < kRawByte ? kProperties[b % kNumProperties].id : in.Value<UInt32>();
}

inline UInt32 ReadSmall(FuzzInput& in, UInt32 modulo)
{
  const uint8_t b = in.Byte();
  return b < kRawByte ? b % modulo : in.Value<UInt32>();
}

inline AudioUnitScope ReadScope(FuzzInput& in)
{
  return ReadSmall(in, 4);
}
inline UInt32 ReadElement(FuzzInput& in)
{
  return ReadSmall(in, 10);
}

inline UInt32 ReadSize(FuzzInput& in, AudioUnitPropertyID id)
{
  const uint8_t b = in.Byte();
  const auto own = static_cast<int>(OwnSize(id));
  if (b < 0x80) return static_cast<UInt32>(own);
  if (b < 0xC0) return static_cast<UInt32>(std::max(own + (b & 0x3F) - 32, 0));
  return in.Value<uint16_t>() % (kMaxSize + 1);
}

// ---- Writing (seeds) ---------------------------------------------------------------------------

inline void WriteProperty(FuzzOutput& out, AudioUnitPropertyID id)
{
  for (size_t i = 0; i < kNumProperties; ++i)
  {
    if (kProperties[i].id == id)
    {
      out.Byte(static_cast<uint8_t>(i));
      return;
    }
  }
  out.Byte(kRawByte);
  out.Value<UInt32>(id);
}

inline void WriteSmall(FuzzOutput& out, UInt32 value, UInt32 modulo)
{
  if (value < modulo)
    out.Byte(static_cast<uint8_t>(value));
  else
  {
    out.Byte(kRawByte);
    out.Value<UInt32>(value);
  }
}

inline void WriteScope(FuzzOutput& out, AudioUnitScope scope)
{
  WriteSmall(out, scope, 4);
}
inline void WriteElement(FuzzOutput& out, UInt32 element)
{
  WriteSmall(out, element, 10);
}

// The property's own size, or an exact size.
inline void WriteOwnSize(FuzzOutput& out)
{
  out.Byte(0);
}
inline void WriteSize(FuzzOutput& out, uint16_t size)
{
  out.Byte(0xC0);
  out.Value<uint16_t>(size);
}
} // namespace surface
