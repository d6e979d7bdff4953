// The host-facing surface of Kestrion driven by fuzz bytes: property info, property gets and
// sets, parameter gets and sets, renders, initialise and reset, scheduled parameter events and
// listener registration, in any order, on a freshly opened unit (the form of the input is in
// SurfaceInput.h). The sanitizers are the checks: every value buffer is allocated at exactly
// the size the call states, so a read or write past it is caught, and every CoreFoundation
// object a successful get hands out is released, so that LeakSanitizer reports only what the
// unit itself leaks.
//
// Pointer fields. Where a property's value legally holds pointers the fuzz bytes never become
// pointers: each such field is made null or a valid object the harness owns, chosen by a byte
// after the buffer's bytes:
//   ClassInfo (set)            null, the unit's own class info, any CF value read from the
//                              input, or the unit's class info with pairs from the input
//                              written over it
//   MakeConnection             source unit null, or a second Kestrion instance (never the unit
//                              itself: a unit feeding itself is a cycle no host builds)
//   SetRenderCallback          procedure null, or the harness's input feed with its context
//   HostCallbacks              user data the harness's context; each procedure the harness's
//                              own or null (three bits)
//   CurrentPreset, PresentPreset, AUHostIdentifier
//                              name null, or a string read from the input
//   ParameterStringFromValue   value pointer null, or the harness's Float32 read from the input
//   ParameterValueFromString   string null, or a string read from the input
// Every field the unit writes out (CF objects, function pointers) starts null, so that what a
// successful get leaves there was made by the unit and is released by the harness. Objects the
// harness made for a set are released after the call.

#include "fuzz/CFValueCodec.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/KestrionUnit.h"
#include "fuzz/SurfaceInput.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

using namespace fuzzunit;
using namespace surface;

namespace
{
// What the harness owns while one input runs. Declared before the unit, so that the unit is
// closed before the source unit it may be connected to.
struct Context
{
  std::unique_ptr<Unit> source; // opened for the first connection
  InputFeed feed;
  Float32 value = 0.0f; // what a ParameterStringFromValue value pointer points at
  Float64 sampleTime = 0.0;
  int calls = 0; // listener and notifier calls

  AudioUnit Source()
  {
    if (!source) source = std::make_unique<Unit>(1);
    return *source;
  }
};

// ---- Host procedures the unit may be given -----------------------------------------------------

void PropertyListener(void* userData, AudioUnit, AudioUnitPropertyID, AudioUnitScope,
                      AudioUnitElement)
{
  ++static_cast<Context*>(userData)->calls;
}

OSStatus RenderNotify(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                      UInt32, AudioBufferList*)
{
  ++static_cast<Context*>(refCon)->calls;
  return noErr;
}

OSStatus BeatAndTempo(void*, Float64* beat, Float64* tempo)
{
  if (beat) *beat = 3.5;
  if (tempo) *tempo = 96.0;
  return noErr;
}

OSStatus MusicalTimeLocation(void*, UInt32* toNextBeat, Float32* numerator, UInt32* denominator,
                             Float64* downbeat)
{
  if (toNextBeat) *toNextBeat = 100;
  if (numerator) *numerator = 7.0f;
  if (denominator) *denominator = 8;
  if (downbeat) *downbeat = 2.0;
  return noErr;
}

OSStatus TransportState(void*, Boolean* playing, Boolean* changed, Float64* position,
                        Boolean* cycling, Float64* cycleStart, Float64* cycleEnd)
{
  if (playing) *playing = true;
  if (changed) *changed = false;
  if (position) *position = 44100.0;
  if (cycling) *cycling = false;
  if (cycleStart) *cycleStart = 0.0;
  if (cycleEnd) *cycleEnd = 16.0;
  return noErr;
}

// ---- Value buffers -----------------------------------------------------------------------------

// Edits the record T at the front of a buffer of `size` bytes: the bytes there (zeros beyond
// the buffer) are read into a record, edited and written back as far as the buffer reaches.
template <class T, class Edit> void EditRecord(uint8_t* buffer, UInt32 size, Edit edit)
{
  T record;
  std::memset(&record, 0, sizeof record);
  const size_t n = std::min<size_t>(size, sizeof record);
  if (n) std::memcpy(&record, buffer, n);
  edit(record);
  if (n) std::memcpy(buffer, &record, n);
}

// Objects made for one set, released after it.
class Owned
{
public:
  ~Owned()
  {
    for (CFTypeRef object : mObjects)
      CFRelease(object);
  }
  template <class T> T Keep(T object)
  {
    if (object) mObjects.push_back(object);
    return object;
  }

private:
  std::vector<CFTypeRef> mObjects;
};

// A state for ClassInfo: null, the unit's own, any value, or the unit's own with pairs written
// over it.
CFPropertyListRef MakeState(AudioUnit unit, FuzzInput& in, Owned& owned)
{
  switch (in.Byte() % 4)
  {
  case 0:
    return nullptr;
  case 1:
    return owned.Keep(CopyClassInfo(unit));
  case 2:
    return owned.Keep(cfcodec::ReadValue(in));
  default:
  {
    CFDictionaryRef own = owned.Keep(CopyClassInfo(unit));
    CFMutableDictionaryRef state = owned.Keep(
        own ? CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, own)
            : CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                        &kCFTypeDictionaryValueCallBacks));
    CFMutableDictionaryRef pairs = owned.Keep(cfcodec::ReadDictionaryBody(in));
    const CFIndex n = pairs ? CFDictionaryGetCount(pairs) : 0;
    std::vector<const void*> keys(static_cast<size_t>(n)), values(static_cast<size_t>(n));
    if (n) CFDictionaryGetKeysAndValues(pairs, keys.data(), values.data());
    for (size_t i = 0; state && i < keys.size(); ++i)
      CFDictionarySetValue(state, keys[i], values[i]);
    return state;
  }
  }
}

// Makes the pointer fields of the property's value valid (see the top of this file). Fields
// the unit writes are nulled; fields it reads are chosen from the input.
void PreparePointers(AudioUnit unit, Context& ctx, FuzzInput& in, AudioUnitPropertyID id,
                     bool isSet, uint8_t* buffer, UInt32 size, Owned& owned)
{
  switch (id)
  {
  case kAudioUnitProperty_ClassInfo:
  case kAudioUnitProperty_ParameterValueStrings:
  case kAudioUnitProperty_FactoryPresets:
  case kAudioUnitProperty_ElementName:
  case kAudioUnitProperty_FastDispatch:
  {
    const void* object =
        (isSet && id == kAudioUnitProperty_ClassInfo) ? MakeState(unit, in, owned) : nullptr;
    EditRecord<const void*>(buffer, size, [&](const void*& p) { p = object; });
    break;
  }
  case kAudioUnitProperty_ParameterInfo:
    EditRecord<AudioUnitParameterInfo>(buffer, size,
                                       [](AudioUnitParameterInfo& info)
                                       {
                                         info.unitName = nullptr;
                                         info.cfNameString = nullptr;
                                       });
    break;
  case kAudioUnitProperty_MakeConnection:
  {
    AudioUnit source = (isSet && (in.Byte() & 1)) ? ctx.Source() : nullptr;
    EditRecord<AudioUnitConnection>(buffer, size,
                                    [&](AudioUnitConnection& c) { c.sourceAudioUnit = source; });
    break;
  }
  case kAudioUnitProperty_SetRenderCallback:
  {
    const bool feed = isSet && (in.Byte() & 1);
    EditRecord<AURenderCallbackStruct>(
        buffer, size,
        [&](AURenderCallbackStruct& cb) {
          cb = feed ? ctx.feed.Callback() : AURenderCallbackStruct{nullptr, nullptr};
        });
    break;
  }
  case kAudioUnitProperty_HostCallbacks:
  {
    const uint8_t procs = isSet ? in.Byte() : 0;
    EditRecord<HostCallbackInfo>(buffer, size,
                                 [&](HostCallbackInfo& info)
                                 {
                                   info.hostUserData = &ctx;
                                   info.beatAndTempoProc = (procs & 1) ? &BeatAndTempo : nullptr;
                                   info.musicalTimeLocationProc =
                                       (procs & 2) ? &MusicalTimeLocation : nullptr;
                                   info.transportStateProc =
                                       (procs & 4) ? &TransportState : nullptr;
                                 });
    break;
  }
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  {
    CFStringRef name = (isSet && (in.Byte() & 1)) ? owned.Keep(cfcodec::ReadString(in)) : nullptr;
    EditRecord<AUPreset>(buffer, size, [&](AUPreset& preset) { preset.presetName = name; });
    break;
  }
  case kAudioUnitProperty_AUHostIdentifier:
  {
    CFStringRef name = (isSet && (in.Byte() & 1)) ? owned.Keep(cfcodec::ReadString(in)) : nullptr;
    EditRecord<AUHostIdentifier>(buffer, size,
                                 [&](AUHostIdentifier& host) { host.hostName = name; });
    break;
  }
  case kAudioUnitProperty_CocoaUI:
    EditRecord<AudioUnitCocoaViewInfo>(buffer, size,
                                       [](AudioUnitCocoaViewInfo& info)
                                       {
                                         info.mCocoaAUViewBundleLocation = nullptr;
                                         info.mCocoaAUViewClass[0] = nullptr;
                                       });
    break;
  case kAudioUnitProperty_ParameterStringFromValue:
  {
    const bool given = in.Byte() & 1;
    if (given) ctx.value = in.Value<Float32>();
    EditRecord<AudioUnitParameterStringFromValue>(buffer, size,
                                                  [&](AudioUnitParameterStringFromValue& r)
                                                  {
                                                    r.inValue = given ? &ctx.value : nullptr;
                                                    r.outString = nullptr;
                                                  });
    break;
  }
  case kAudioUnitProperty_ParameterIDName:
  case kAudioUnitProperty_ParameterClumpName:
    EditRecord<AudioUnitParameterNameInfo>(
        buffer, size, [](AudioUnitParameterNameInfo& r) { r.outName = nullptr; });
    break;
  case kAudioUnitProperty_ParameterValueFromString:
  {
    CFStringRef text = (in.Byte() & 1) ? owned.Keep(cfcodec::ReadString(in)) : nullptr;
    EditRecord<AudioUnitParameterValueFromString>(
        buffer, size, [&](AudioUnitParameterValueFromString& r) { r.inString = text; });
    break;
  }
  default:
    break;
  }
}

template <class T> T Record(const uint8_t* buffer)
{
  T record;
  std::memcpy(&record, buffer, sizeof record);
  return record;
}

void Release(CFTypeRef object)
{
  if (object) CFRelease(object);
}

// Releases what a successful get handed out in a buffer that holds the whole value.
void ReleaseHandedOut(AudioUnitPropertyID id, const uint8_t* buffer)
{
  switch (id)
  {
  case kAudioUnitProperty_ClassInfo:
  case kAudioUnitProperty_ParameterValueStrings:
  case kAudioUnitProperty_FactoryPresets:
  case kAudioUnitProperty_ElementName:
    Release(Record<CFTypeRef>(buffer));
    break;
  case kAudioUnitProperty_ParameterInfo:
  {
    // The host releases the names only when the flags tell it to.
    const auto info = Record<AudioUnitParameterInfo>(buffer);
    if (info.flags & kAudioUnitParameterFlag_CFNameRelease)
    {
      if (info.flags & kAudioUnitParameterFlag_HasCFNameString) Release(info.cfNameString);
      if (info.unit == kAudioUnitParameterUnit_CustomUnit) Release(info.unitName);
    }
    break;
  }
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
    Release(Record<AUPreset>(buffer).presetName);
    break;
  case kAudioUnitProperty_CocoaUI:
  {
    const auto info = Record<AudioUnitCocoaViewInfo>(buffer);
    Release(info.mCocoaAUViewBundleLocation);
    Release(info.mCocoaAUViewClass[0]);
    break;
  }
  case kAudioUnitProperty_ParameterStringFromValue:
    Release(Record<AudioUnitParameterStringFromValue>(buffer).outString);
    break;
  case kAudioUnitProperty_ParameterIDName:
  case kAudioUnitProperty_ParameterClumpName:
    Release(Record<AudioUnitParameterNameInfo>(buffer).outName);
    break;
  default:
    break;
  }
}

// ---- Operations --------------------------------------------------------------------------------

void GetInfo(AudioUnit unit, FuzzInput& in)
{
  const AudioUnitPropertyID id = ReadProperty(in);
  const AudioUnitScope scope = ReadScope(in);
  const AudioUnitElement element = ReadElement(in);
  const uint8_t flags = in.Byte();
  UInt32 size = 0;
  Boolean writable = false;
  AudioUnitGetPropertyInfo(unit, id, scope, element, (flags & 1) ? nullptr : &size,
                           (flags & 2) ? nullptr : &writable);
}

void Get(AudioUnit unit, Context& ctx, FuzzInput& in)
{
  const AudioUnitPropertyID id = ReadProperty(in);
  const AudioUnitScope scope = ReadScope(in);
  const AudioUnitElement element = ReadElement(in);
  const UInt32 capacity = ReadSize(in, id);
  const uint8_t flags = in.Byte();
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
  in.Fill(buffer.get(), capacity);
  Owned owned;
  PreparePointers(unit, ctx, in, id, false, buffer.get(), capacity, owned);

  const bool withData = !(flags & 1);
  UInt32 size = capacity;
  const OSStatus status = AudioUnitGetProperty(
      unit, id, scope, element, withData ? buffer.get() : nullptr, (flags & 2) ? nullptr : &size);
  if (status == noErr && withData && capacity >= OwnSize(id)) ReleaseHandedOut(id, buffer.get());
}

void Set(AudioUnit unit, Context& ctx, FuzzInput& in)
{
  const AudioUnitPropertyID id = ReadProperty(in);
  const AudioUnitScope scope = ReadScope(in);
  const AudioUnitElement element = ReadElement(in);
  const UInt32 size = ReadSize(in, id);
  const uint8_t flags = in.Byte();
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
  in.Fill(buffer.get(), size);
  Owned owned;
  PreparePointers(unit, ctx, in, id, true, buffer.get(), size, owned);
  AudioUnitSetProperty(unit, id, scope, element, (flags & 1) ? nullptr : buffer.get(), size);
}

void Render(AudioUnit unit, Context& ctx, FuzzInput& in)
{
  const UInt32 frames = in.Value<uint16_t>() % (kMaxSize + 1);
  const UInt32 bus = ReadElement(in);
  const UInt32 nBuffers = in.Byte() % 5;
  const uint8_t flags = in.Byte();

  RenderBuffers buffers(nBuffers, frames, !(flags & 1));
  AudioTimeStamp stamp = {};
  if (!(flags & 8)) ctx.sampleTime += frames;
  stamp.mSampleTime = ctx.sampleTime;
  stamp.mFlags = (flags & 2) ? kAudioTimeStampHostTimeValid : kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags actionFlags = 0;
  if (flags & 4)
  {
    AudioUnitRenderProc proc = nullptr;
    UInt32 size = sizeof proc;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                             kAudioUnitRenderSelect, &proc, &size) == noErr &&
        proc)
      proc(GetComponentInstanceStorage(unit), &actionFlags, &stamp, bus, frames, buffers.List());
  }
  else
    AudioUnitRender(unit, &actionFlags, &stamp, bus, frames, buffers.List());
}

void Schedule(AudioUnit unit, FuzzInput& in)
{
  const UInt32 n = in.Byte() % 5;
  std::unique_ptr<AudioUnitParameterEvent[]> events(new AudioUnitParameterEvent[n]);
  for (UInt32 i = 0; i < n; ++i)
  {
    AudioUnitParameterEvent& e = events[i];
    std::memset(&e, 0, sizeof e);
    e.parameter = ReadElement(in);
    e.scope = ReadScope(in);
    e.element = ReadElement(in);
    const uint8_t type = in.Byte();
    e.eventType =
        type % 3 == 0 ? kParameterEvent_Immediate : (type % 3 == 1 ? kParameterEvent_Ramped : type);
    e.eventValues.immediate.value = in.Value<Float32>();
    e.eventValues.immediate.bufferOffset = in.Value<uint16_t>();
  }
  AudioUnitScheduleParameters(unit, n ? events.get() : nullptr, n);
}

void Listen(AudioUnit unit, Context& ctx, FuzzInput& in)
{
  switch (in.Byte() % kNumListen)
  {
  case kAddListener:
    AudioUnitAddPropertyListener(unit, ReadProperty(in), &PropertyListener, &ctx);
    break;
  case kRemoveListener:
    AudioUnitRemovePropertyListener(unit, ReadProperty(in), &PropertyListener);
    break;
  case kRemoveListenerWithUserData:
    AudioUnitRemovePropertyListenerWithUserData(unit, ReadProperty(in), &PropertyListener, &ctx);
    break;
  case kAddRenderNotify:
    AudioUnitAddRenderNotify(unit, &RenderNotify, &ctx);
    break;
  default:
    AudioUnitRemoveRenderNotify(unit, &RenderNotify, &ctx);
    break;
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  Context ctx;
  Unit unit;
  const uint8_t setup = in.Byte();
  if (setup & kSetupInitialise) AudioUnitInitialize(unit);
  if (setup & kSetupInputFeed)
  {
    const AURenderCallbackStruct callback = ctx.feed.Callback();
    AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                         &callback, sizeof callback);
  }

  for (int op = 0; op < kMaxOps && !in.Exhausted(); ++op)
  {
    switch (in.Byte() % kNumOps)
    {
    case kOpGetInfo:
      GetInfo(unit, in);
      break;
    case kOpGet:
      Get(unit, ctx, in);
      break;
    case kOpSet:
      Set(unit, ctx, in);
      break;
    case kOpGetParam:
    {
      const AudioUnitParameterID id = ReadElement(in);
      const AudioUnitScope scope = ReadScope(in);
      AudioUnitParameterValue value = 0.0f;
      AudioUnitGetParameter(unit, id, scope, ReadElement(in), &value);
      break;
    }
    case kOpSetParam:
    {
      const AudioUnitParameterID id = ReadElement(in);
      const AudioUnitScope scope = ReadScope(in);
      const AudioUnitElement element = ReadElement(in);
      const Float32 value = in.Value<Float32>();
      AudioUnitSetParameter(unit, id, scope, element, value, in.Byte());
      break;
    }
    case kOpRender:
      Render(unit, ctx, in);
      break;
    case kOpInitialise:
      if (in.Byte() & 1)
        AudioUnitInitialize(unit);
      else
        AudioUnitUninitialize(unit);
      break;
    case kOpReset:
    {
      const AudioUnitScope scope = ReadScope(in);
      AudioUnitReset(unit, scope, ReadElement(in));
      break;
    }
    case kOpSchedule:
      Schedule(unit, in);
      break;
    default:
      Listen(unit, ctx, in);
      break;
    }
  }
  return 0;
}
