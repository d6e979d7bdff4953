// Writes the seed corpora of the Audio Unit fuzzers into <corpus folder>/classinfo_state and
// <corpus folder>/property_surface:
//
//   fuzz_seed_writer <corpus folder>
//
// The class-info seeds are the class info Kestrion itself hands out at a few parameter
// settings, and variants of it that take the state reader down its other paths (short, empty
// and missing chunks, foreign identity, wide numbers, non-finite values, long names, extra
// keys). The property-surface seeds are host sessions that reach every property the unit
// implements.

#include "fuzz/CFValueCodec.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/KestrionUnit.h"
#include "fuzz/SurfaceInput.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace fuzzunit;

namespace
{
std::string gCorpus;

void Save(const char* target, const char* name, const FuzzOutput& out)
{
  const std::string path = gCorpus + "/" + target + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(out.Data().data(), 1, out.Data().size(), f) != out.Data().size() ||
      std::fclose(f) != 0)
  {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// ---- Class-info seeds --------------------------------------------------------------------------

CFStringRef Key(const char* key)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
}

void Put(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef k = Key(key);
  CFDictionarySetValue(dict, k, value);
  CFRelease(k);
  CFRelease(value);
}

void Remove(CFMutableDictionaryRef dict, const char* key)
{
  CFStringRef k = Key(key);
  CFDictionaryRemoveValue(dict, k);
  CFRelease(k);
}

template <class T>
void PutNumber(CFMutableDictionaryRef dict, const char* key, CFNumberType type, T v)
{
  Put(dict, key, CFNumberCreate(kCFAllocatorDefault, type, &v));
}

void PutChunk(CFMutableDictionaryRef dict, const std::vector<double>& values, size_t bytes)
{
  std::vector<uint8_t> chunk(values.size() * sizeof(double));
  if (!chunk.empty()) std::memcpy(chunk.data(), values.data(), chunk.size());
  chunk.resize(std::min(bytes, chunk.size()));
  Put(dict, "data",
      CFDataCreate(kCFAllocatorDefault, chunk.data(), static_cast<CFIndex>(chunk.size())));
}

void PutString(CFMutableDictionaryRef dict, const char* key, const char* text)
{
  Put(dict, key, CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8));
}

// The class info of a unit with the parameters at `values`, as a mutable dictionary.
CFMutableDictionaryRef ClassInfoAt(const std::vector<float>& values)
{
  Unit unit;
  for (UInt32 id = 0; id < values.size(); ++id)
    AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, values[id], 0);
  CFDictionaryRef info = CopyClassInfo(unit);
  CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, info);
  CFRelease(info);
  return copy;
}

struct Write
{
  uint8_t id;
  float value;
};

void SaveState(const char* name, uint8_t setup, CFTypeRef state,
               const std::vector<Write>& writes = {})
{
  FuzzOutput out;
  out.Byte(setup);
  out.Byte(0); // global scope, element 0
  out.Byte(static_cast<uint8_t>(writes.size()));
  for (const Write& w : writes)
  {
    out.Byte(w.id);
    out.Value(w.value);
  }
  if (setup & 4)
    cfcodec::WriteValue(out, state);
  else
    cfcodec::WriteDictionaryBody(out, static_cast<CFDictionaryRef>(state));
  Save("classinfo_state", name, out);
  CFRelease(state);
}

void WriteClassInfoSeeds()
{
  const std::vector<float> defaults = {0, 0, 0, 5, 0, 0, 0, 500};
  const std::vector<float> shaped = {60, -40, 25, 10, -3, 20, 50, 300};
  const std::vector<float> lows = {-100, -100, 0, 0, -94, 0, 0, 0};
  const std::vector<float> highs = {100, 100, 100, 20, 6, 100, 100, 750};
  const std::vector<Write> moved = {{0, 42.0f}, {4, -12.0f}, {7, 80.0f}};

  SaveState("defaults", 0, ClassInfoAt(defaults));
  SaveState("shaped-initialised-render", 3, ClassInfoAt(shaped));
  SaveState("lows-render", 3, ClassInfoAt(lows), moved);
  SaveState("highs-render", 3, ClassInfoAt(highs));

  CFMutableDictionaryRef state = ClassInfoAt(shaped);
  PutChunk(state, {1, 2, 3, 4, 5, 6, 7, 8}, 60);
  SaveState("short-chunk", 3, state, moved);

  state = ClassInfoAt(shaped);
  PutChunk(state, {}, 0);
  SaveState("empty-chunk", 0, state, moved);

  state = ClassInfoAt(shaped);
  Remove(state, "data");
  SaveState("no-chunk-names-preset", 0, state, moved);

  state = ClassInfoAt(shaped);
  Remove(state, "data");
  PutString(state, "name", "not a preset");
  SaveState("no-chunk-unknown-preset", 0, state, moved);

  state = ClassInfoAt(shaped);
  PutNumber<SInt32>(state, "subtype", kCFNumberSInt32Type, 0x50726f62); // 'Prob'
  SaveState("foreign-subtype", 0, state, moved);

  state = ClassInfoAt(shaped);
  Remove(state, "manufacturer");
  SaveState("no-manufacturer", 0, state, moved);

  state = ClassInfoAt(shaped);
  PutNumber<SInt64>(state, "type", kCFNumberSInt64Type, kAudioUnitType_Effect);
  PutNumber<Float64>(state, "subtype", kCFNumberFloat64Type, kKestrionCode);
  PutNumber<SInt16>(state, "version", kCFNumberSInt16Type, 1);
  PutNumber<SInt64>(state, "manufacturer", kCFNumberSInt64Type,
                    (SInt64{1} << 32) + SInt64{kKestrionCode});
  SaveState("wide-numbers", 0, state);

  state = ClassInfoAt(shaped);
  const double inf = std::numeric_limits<double>::infinity();
  PutChunk(state, {std::nan(""), inf, -inf, 1e300, -0.0, -1e-300, 1e9, -1e9}, 64);
  SaveState("non-finite-chunk-render", 3, state);

  state = ClassInfoAt(shaped);
  PutChunk(state, {10, 20, 30, 4, 5, 60, 70, 80, 90, 100}, 80);
  SaveState("long-chunk", 1, state);

  state = ClassInfoAt(shaped);
  // 62 ASCII bytes and a two-byte character across the 63-byte cut.
  PutString(state, "name", (std::string(62, 'n') + "\xC3\xA9-").c_str());
  SaveState("long-name", 0, state);

  state = ClassInfoAt(defaults);
  PutString(state, "comment", "kept by the host");
  CFMutableDictionaryRef nested = ClassInfoAt(highs);
  Put(state, "nested", nested);
  const void* items[] = {kCFBooleanTrue, kCFBooleanFalse};
  Put(state, "flags", CFArrayCreate(kCFAllocatorDefault, items, 2, &kCFTypeArrayCallBacks));
  SaveState("extra-keys", 1, state);

  // A state that is not a dictionary: an array holding one.
  const void* wrapped[] = {ClassInfoAt(shaped)};
  CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, wrapped, 1, &kCFTypeArrayCallBacks);
  CFRelease(wrapped[0]);
  SaveState("array-of-state", 4, array);
}

// ---- Property-surface seeds --------------------------------------------------------------------

using namespace surface;

class Session
{
public:
  explicit Session(uint8_t setup) { mOut.Byte(setup); }

  void GetInfo(AudioUnitPropertyID id, AudioUnitScope scope = kAudioUnitScope_Global,
               UInt32 element = 0)
  {
    Address(kOpGetInfo, id, scope, element);
    mOut.Byte(0);
  }

  // A get at the property's own size; `bytes` fill the front of the buffer (zeros after), then
  // `choices` follow.
  void Get(AudioUnitPropertyID id, AudioUnitScope scope = kAudioUnitScope_Global,
           UInt32 element = 0, const std::vector<uint8_t>& bytes = {},
           const std::vector<uint8_t>& choices = {})
  {
    Address(kOpGet, id, scope, element);
    WriteOwnSize(mOut);
    mOut.Byte(0);
    Buffer(id, bytes, choices);
  }

  void Set(AudioUnitPropertyID id, AudioUnitScope scope, UInt32 element,
           const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& choices = {})
  {
    Address(kOpSet, id, scope, element);
    WriteOwnSize(mOut);
    mOut.Byte(0);
    Buffer(id, bytes, choices);
  }

  template <class T>
  void SetValue(AudioUnitPropertyID id, const T& value,
                AudioUnitScope scope = kAudioUnitScope_Global, UInt32 element = 0,
                const std::vector<uint8_t>& choices = {})
  {
    Set(id, scope, element, Bytes(value), choices);
  }

  void GetParam(UInt32 id)
  {
    mOut.Byte(kOpGetParam);
    WriteElement(mOut, id);
    WriteScope(mOut, kAudioUnitScope_Global);
    WriteElement(mOut, 0);
  }

  void SetParam(UInt32 id, float value)
  {
    mOut.Byte(kOpSetParam);
    WriteElement(mOut, id);
    WriteScope(mOut, kAudioUnitScope_Global);
    WriteElement(mOut, 0);
    mOut.Value(value);
    mOut.Byte(0);
  }

  void Render(uint16_t frames, uint8_t nBuffers = 2, uint8_t flags = 0, UInt32 bus = 0)
  {
    mOut.Byte(kOpRender);
    mOut.Value(frames);
    WriteElement(mOut, bus);
    mOut.Byte(nBuffers);
    mOut.Byte(flags);
  }

  void Initialise(bool on)
  {
    mOut.Byte(kOpInitialise);
    mOut.Byte(on ? 1 : 0);
  }

  void Reset()
  {
    mOut.Byte(kOpReset);
    WriteScope(mOut, kAudioUnitScope_Global);
    WriteElement(mOut, 0);
  }

  void Schedule(const std::vector<AudioUnitParameterEvent>& events)
  {
    mOut.Byte(kOpSchedule);
    mOut.Byte(static_cast<uint8_t>(events.size()));
    for (const AudioUnitParameterEvent& e : events)
    {
      WriteElement(mOut, e.parameter);
      WriteScope(mOut, e.scope);
      WriteElement(mOut, e.element);
      mOut.Byte(e.eventType == kParameterEvent_Immediate ? 0 : 1);
      mOut.Value(e.eventValues.immediate.value);
      mOut.Value(static_cast<uint16_t>(e.eventValues.immediate.bufferOffset));
    }
  }

  void Listen(EListen what, AudioUnitPropertyID id = 0)
  {
    mOut.Byte(kOpListen);
    mOut.Byte(what);
    if (what == kAddListener || what == kRemoveListener || what == kRemoveListenerWithUserData)
      WriteProperty(mOut, id);
  }

  void Save(const char* name) const { ::Save("property_surface", name, mOut); }

  template <class T> static std::vector<uint8_t> Bytes(const T& value)
  {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
  }

  static std::vector<uint8_t> String(const char* text)
  {
    FuzzOutput out;
    cfcodec::WriteString(out, text);
    return out.Data();
  }

private:
  void Address(EOp op, AudioUnitPropertyID id, AudioUnitScope scope, UInt32 element)
  {
    mOut.Byte(op);
    WriteProperty(mOut, id);
    WriteScope(mOut, scope);
    WriteElement(mOut, element);
  }

  void Buffer(AudioUnitPropertyID id, std::vector<uint8_t> bytes,
              const std::vector<uint8_t>& choices)
  {
    bytes.resize(OwnSize(id), 0);
    mOut.Bytes(bytes.data(), bytes.size());
    mOut.Bytes(choices.data(), choices.size());
  }

  FuzzOutput mOut;
};

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

AudioStreamBasicDescription Format(UInt32 channels, double rate)
{
  AudioStreamBasicDescription d = {};
  FillOutASBDForLPCM(d, rate, channels, 32, 32, true, false, true); // flags 0x29
  return d;
}

AudioUnitParameterEvent Event(UInt32 param, UInt32 type, float value, UInt32 offset)
{
  AudioUnitParameterEvent e = {};
  e.scope = kAudioUnitScope_Global;
  e.parameter = param;
  e.eventType = type;
  e.eventValues.immediate.value = value;
  e.eventValues.immediate.bufferOffset = offset;
  return e;
}

void WriteSurfaceSeeds()
{
  const AudioUnitScope global = kAudioUnitScope_Global, input = kAudioUnitScope_Input,
                       output = kAudioUnitScope_Output;
  {
    Session s(0);
    for (const Property& p : kProperties)
      for (AudioUnitScope scope : {global, input, output})
        s.GetInfo(p.id, scope, 0);
    s.Save("info-every-property");
  }
  {
    Session s(1);
    for (const Property& p : kProperties)
    {
      // Only the two records with pointers the unit reads take choices.
      if (p.id == kAudioUnitProperty_ParameterStringFromValue)
        s.Get(p.id, global, 0, {}, Join({1}, Session::Bytes(3.0f)));
      else if (p.id == kAudioUnitProperty_ParameterValueFromString)
        s.Get(p.id, global, 0, {}, Join({1}, Session::String("7")));
      else
        s.Get(p.id, global, 0);
    }
    s.Get(kAudioUnitProperty_StreamFormat, input, 0);
    s.Get(kAudioUnitProperty_StreamFormat, output, 0);
    s.Get(kAudioUnitProperty_ElementName, input, 1);
    s.Get(kAudioUnitProperty_ElementName, output, 0);
    s.Get(kAudioUnitProperty_ElementCount, input, 0);
    s.Get(kAudioUnitProperty_FastDispatch, global, kAudioUnitRenderSelect);
    s.Save("get-every-property");
  }
  {
    Session s(1);
    for (UInt32 id = 0; id < 9; ++id)
    {
      s.Get(kAudioUnitProperty_ParameterInfo, global, id);
      s.SetParam(id, 12.5f);
      s.GetParam(id);
      AudioUnitParameterStringFromValue fromValue = {id, nullptr, nullptr};
      const float value = -6.0f;
      s.Get(kAudioUnitProperty_ParameterStringFromValue, global, 0, Session::Bytes(fromValue),
            Join({1}, Session::Bytes(value)));
      AudioUnitParameterIDName name = {id, id == 3 ? -1 : static_cast<SInt32>(id), nullptr};
      s.Get(kAudioUnitProperty_ParameterIDName, global, 0, Session::Bytes(name));
      AudioUnitParameterValueFromString fromString = {id, nullptr, 0.0f};
      s.Get(kAudioUnitProperty_ParameterValueFromString, global, 0, Session::Bytes(fromString),
            Join({1}, Session::String(id % 2 ? "-6" : "12.5 dB")));
      AudioUnitParameterNameInfo clump = {id, -1, nullptr};
      s.Get(kAudioUnitProperty_ParameterClumpName, global, 0, Session::Bytes(clump));
    }
    s.Save("parameters");
  }
  {
    Session s(0);
    s.SetValue(kAudioUnitProperty_StreamFormat, Format(1, 48000.0), input, 0);
    s.SetValue(kAudioUnitProperty_StreamFormat, Format(1, 48000.0), output, 0);
    s.SetValue<UInt32>(kAudioUnitProperty_MaximumFramesPerSlice, 512);
    s.Initialise(true);
    AURenderCallbackStruct none = {};
    s.SetValue(kAudioUnitProperty_SetRenderCallback, none, input, 0, {1});
    s.Render(256, 1);
    s.Render(256, 1, 1);
    s.Render(256, 1, 4);
    s.Render(256, 1, 8);
    s.SetValue<UInt32>(kAudioUnitProperty_BypassEffect, 1);
    s.Render(128, 1);
    s.SetValue<UInt32>(kAudioUnitProperty_BypassEffect, 0);
    s.Initialise(false);
    s.SetValue(kAudioUnitProperty_StreamFormat, Format(2, 44100.0), input, 0);
    s.SetValue(kAudioUnitProperty_StreamFormat, Format(2, 44100.0), output, 0);
    s.Initialise(true);
    s.Render(512, 2);
    s.Render(513, 2);
    s.Save("formats-and-render");
  }
  {
    Session s(1);
    AudioUnitConnection connection = {nullptr, 0, 0};
    s.SetValue(kAudioUnitProperty_MakeConnection, connection, global, 0, {1});
    s.Render(64, 2);
    s.Render(64, 2, 4);
    s.SetValue(kAudioUnitProperty_MakeConnection, connection, input, 0, {0});
    s.Render(64, 2);
    s.Save("connection");
  }
  {
    Session s(3);
    s.Get(kAudioUnitProperty_ClassInfo);
    s.SetValue<CFPropertyListRef>(kAudioUnitProperty_ClassInfo, nullptr, global, 0, {1});
    FuzzOutput pairs;
    pairs.Byte(1);
    pairs.Byte(5); // "name"
    pairs.Byte(cfcodec::kTagString);
    cfcodec::WriteString(pairs, "-");
    s.SetValue<CFPropertyListRef>(kAudioUnitProperty_ClassInfo, nullptr, global, 0,
                                  Join({3}, pairs.Data()));
    s.Get(kAudioUnitProperty_FactoryPresets);
    AUPreset preset = {0, nullptr};
    s.SetValue(kAudioUnitProperty_CurrentPreset, preset, global, 0,
               Join({1}, Session::String("-")));
    s.Get(kAudioUnitProperty_PresentPreset);
    AUHostIdentifier host = {nullptr, {0, 0, 0x21, 10}};
    s.SetValue(kAudioUnitProperty_AUHostIdentifier, host, global, 0,
               Join({1}, Session::String("Logic Pro")));
    s.Render(64, 2);
    s.Save("state-presets-host");
  }
  {
    Session s(3);
    s.Listen(kAddListener, kAudioUnitProperty_SampleRate);
    s.Listen(kAddListener, kAudioUnitProperty_Latency);
    s.Listen(kAddRenderNotify);
    HostCallbackInfo callbacks = {};
    s.SetValue(kAudioUnitProperty_HostCallbacks, callbacks, global, 0, {7});
    s.SetValue<UInt32>(kAudioUnitProperty_OfflineRender, 1);
    s.SetValue<Float64>(kAudioUnitProperty_SampleRate, 48000.0);
    s.Get(kAudioUnitProperty_Latency);
    s.Get(kAudioUnitProperty_TailTime);
    s.Render(128, 2);
    s.Schedule({Event(0, kParameterEvent_Immediate, 50.0f, 0),
                Event(4, kParameterEvent_Immediate, -6.0f, 32),
                Event(1, kParameterEvent_Ramped, 20.0f, 0)});
    s.Render(128, 2);
    s.Listen(kRemoveRenderNotify);
    s.Listen(kRemoveListener, kAudioUnitProperty_SampleRate);
    s.Listen(kRemoveListenerWithUserData, kAudioUnitProperty_Latency);
    s.Reset();
    s.Save("listeners-callbacks-schedule");
  }
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  gCorpus = argv[1];
  WriteClassInfoSeeds();
  WriteSurfaceSeeds();
  return 0;
}
