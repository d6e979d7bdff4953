// The class-info dictionary, factory presets and preset selection, and the transport queries
// a plug-in makes of the host, all seen from the host's side.
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace autest;

namespace
{
const AudioUnitScope kGlobal = kAudioUnitScope_Global;

// The factory-preset record as the host receives it in the array: the platform's AUPreset
// followed by the record's allocator and its reference count.
struct PresetRecord
{
  AUPreset mPreset;
  CFAllocatorRef mAllocator;
  CFIndex mRefCount;
};

SInt32 NumberFor(CFDictionaryRef dict, const char* key)
{
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  const void* value = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  SInt32 n = -1;
  if (!value || CFGetTypeID(value) != CFNumberGetTypeID() ||
      !CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt32Type, &n))
    ADD_FAILURE() << "no number under " << key;
  return n;
}

CFMutableDictionaryRef GetClassInfo(AudioUnit unit)
{
  CFPropertyListRef plist = nullptr;
  EXPECT_EQ(Get(unit, kAudioUnitProperty_ClassInfo, kGlobal, 0, plist), noErr);
  if (!plist)
    return nullptr;
  EXPECT_EQ(CFGetTypeID(plist), CFDictionaryGetTypeID());
  CFMutableDictionaryRef copy =
    CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(plist));
  CFRelease(plist);
  return copy;
}

OSStatus SetClassInfo(AudioUnit unit, CFDictionaryRef dict)
{
  CFPropertyListRef plist = dict;
  return Set(unit, kAudioUnitProperty_ClassInfo, kGlobal, 0, plist);
}

void Put(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFDictionarySetValue(dict, k, value);
  CFRelease(k);
}

void PutNumber(CFMutableDictionaryRef dict, const char* key, SInt32 n)
{
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &n);
  Put(dict, key, number);
  CFRelease(number);
}

void PutString(CFMutableDictionaryRef dict, const char* key, const char* text)
{
  CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
  Put(dict, key, s);
  CFRelease(s);
}

void Remove(CFMutableDictionaryRef dict, const char* key)
{
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFDictionaryRemoveValue(dict, k);
  CFRelease(k);
}

std::vector<float> AllParams(AudioUnit unit, int n = kKestrionParams)
{
  std::vector<float> v;
  for (int i = 0; i < n; ++i)
    v.push_back(GetParam(unit, static_cast<AudioUnitParameterID>(i)));
  return v;
}

AUPreset CurrentPreset(AudioUnit unit, AudioUnitPropertyID id = kAudioUnitProperty_CurrentPreset)
{
  AUPreset p = {-1, nullptr};
  EXPECT_EQ(Get(unit, id, kGlobal, 0, p), noErr);
  return p;
}

class AuState : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit.reset(OpenKestrion());
    ASSERT_EQ(mUnit->status(), noErr);
  }
  AudioUnit unit() const { return mUnit->get(); }
  std::unique_ptr<Unit> mUnit;
};

const float kSaved[kKestrionParams] = {37.5f, -12.25f, 80.0f, 2.5f, -6.0f, 15.0f, 99.0f, 725.5f};
const float kOther[kKestrionParams] = {-1.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f};

void SetAll(AudioUnit unit, const float* values)
{
  for (AudioUnitParameterID id = 0; id < kKestrionParams; ++id)
    ASSERT_EQ(AudioUnitSetParameter(unit, id, kGlobal, 0, values[id], 0), noErr);
}

// ---- Class info ------------------------------------------------------------------------------

TEST_F(AuState, ClassInfoHoldsIdentityNameAndTheParameterValues)
{
  SetAll(unit(), kSaved);
  CFMutableDictionaryRef dict = GetClassInfo(unit());
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(CFDictionaryGetCount(dict), 6);
  EXPECT_EQ(NumberFor(dict, "version"), 0x00010001);
  EXPECT_EQ(NumberFor(dict, "type"), static_cast<SInt32>(kAudioUnitType_Effect));
  EXPECT_EQ(NumberFor(dict, "subtype"), static_cast<SInt32>(kKestrionCode));
  EXPECT_EQ(NumberFor(dict, "manufacturer"), static_cast<SInt32>(kKestrionCode));
  const void* name = CFDictionaryGetValue(dict, CFSTR("name"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(Text(static_cast<CFStringRef>(name)), "-");
  const void* data = CFDictionaryGetValue(dict, CFSTR("data"));
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(CFGetTypeID(data), CFDataGetTypeID());
  ASSERT_EQ(CFDataGetLength(static_cast<CFDataRef>(data)), 64);
  const UInt8* bytes = CFDataGetBytePtr(static_cast<CFDataRef>(data));
  for (int i = 0; i < kKestrionParams; ++i)
  {
    UInt8 expected[8];
    const double v = kSaved[i];
    uint64_t bits;
    memcpy(&bits, &v, 8);
    for (int b = 0; b < 8; ++b)
      expected[b] = static_cast<UInt8>(bits >> (8 * b)); // little-endian
    EXPECT_EQ(memcmp(bytes + 8 * i, expected, 8), 0) << "parameter " << i;
  }

  // Round trip.
  SetAll(unit(), kOther);
  EXPECT_EQ(SetClassInfo(unit(), dict), noErr);
  EXPECT_EQ(AllParams(unit()), std::vector<float>(kSaved, kSaved + kKestrionParams));

  // Into another instance too.
  std::unique_ptr<Unit> other(OpenKestrion());
  EXPECT_EQ(SetClassInfo(*other, dict), noErr);
  EXPECT_EQ(AllParams(*other), std::vector<float>(kSaved, kSaved + kKestrionParams));
  CFRelease(dict);
}

TEST_F(AuState, ForeignOrIncompleteDictionariesAreRefused)
{
  SetAll(unit(), kSaved);
  CFMutableDictionaryRef saved = GetClassInfo(unit());
  ASSERT_NE(saved, nullptr);
  SetAll(unit(), kOther);
  const std::vector<float> other(kOther, kOther + kKestrionParams);

  struct Change
  {
    const char* key;
    SInt32 value; // 0: remove the key
  };
  const Change changes[] = {
    {"subtype", 0x62796b49},      {"manufacturer", 0x61706c70}, {"type", 0x61756d66},
    {"version", 0},               {"type", 0},                  {"subtype", 0},
    {"manufacturer", 0},          {"name", 0},
  };
  for (const Change& change : changes)
  {
    CFMutableDictionaryRef dict = CFDictionaryCreateMutableCopy(nullptr, 0, saved);
    if (change.value)
      PutNumber(dict, change.key, change.value);
    else
      Remove(dict, change.key);
    EXPECT_EQ(SetClassInfo(unit(), dict), kAudioUnitErr_InvalidPropertyValue) << change.key;
    EXPECT_EQ(AllParams(unit()), other) << change.key;
    CFRelease(dict);
  }

  // A different version is read but not compared.
  CFMutableDictionaryRef newer = CFDictionaryCreateMutableCopy(nullptr, 0, saved);
  PutNumber(newer, "version", 0x00020000);
  EXPECT_EQ(SetClassInfo(unit(), newer), noErr);
  EXPECT_EQ(AllParams(unit()), std::vector<float>(kSaved, kSaved + kKestrionParams));
  CFRelease(newer);

  // No data: refused, after the preset it names ("-", the defaults) has been selected.
  SetAll(unit(), kOther);
  CFMutableDictionaryRef noData = CFDictionaryCreateMutableCopy(nullptr, 0, saved);
  Remove(noData, "data");
  EXPECT_EQ(SetClassInfo(unit(), noData), kAudioUnitErr_InvalidPropertyValue);
  const float defaults[kKestrionParams] = {0, 0, 0, 5, 0, 0, 0, 500};
  EXPECT_EQ(AllParams(unit()), std::vector<float>(defaults, defaults + kKestrionParams));
  CFRelease(noData);
  CFRelease(saved);
}

TEST_F(AuState, ShortDataRestoresWhatItCovers)
{
  SetAll(unit(), kOther);
  CFMutableDictionaryRef dict = GetClassInfo(unit());
  ASSERT_NE(dict, nullptr);
  // Three values: Attack, Sustain, Attack Link.
  const double values[3] = {-50.0, 25.0, 10.0};
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(values), sizeof values);
  Put(dict, "data", data);
  CFRelease(data);
  EXPECT_EQ(SetClassInfo(unit(), dict), noErr);
  EXPECT_EQ(GetParam(unit(), 0), -50.0f);
  EXPECT_EQ(GetParam(unit(), 1), 25.0f);
  EXPECT_EQ(GetParam(unit(), 2), 10.0f);
  EXPECT_EQ(GetParam(unit(), 3), 0.0f); // the first missing value: 0, within Attack Length's range
  // The rest keep what the named preset ("-": the defaults) gave them before the data was read.
  EXPECT_EQ(GetParam(unit(), 4), 0.0f);
  EXPECT_EQ(GetParam(unit(), 5), 0.0f);
  EXPECT_EQ(GetParam(unit(), 6), 0.0f);
  EXPECT_EQ(GetParam(unit(), 7), 500.0f);
  CFRelease(dict);
}

// ---- Factory presets -------------------------------------------------------------------------

TEST_F(AuState, FactoryPresetRecordsCountsDescriptionAndEquality)
{
  CFArrayRef presets = nullptr;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_FactoryPresets, kGlobal, 0, presets), noErr);
  ASSERT_NE(presets, nullptr);
  ASSERT_EQ(CFArrayGetCount(presets), 1);
  const auto* record = static_cast<const PresetRecord*>(CFArrayGetValueAtIndex(presets, 0));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->mPreset.presetNumber, 0);
  EXPECT_EQ(Text(record->mPreset.presetName), "-");
  // The array holds the only reference, and the name's count follows the record's.
  EXPECT_EQ(record->mRefCount, 1);
  EXPECT_EQ(CFGetRetainCount(record->mPreset.presetName), 1);

  CFArrayRef copy = CFArrayCreateCopy(nullptr, presets); // same callbacks: retains each record
  EXPECT_EQ(record->mRefCount, 2);
  EXPECT_EQ(CFGetRetainCount(record->mPreset.presetName), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(copy, 0), record);
  CFRelease(copy);
  EXPECT_EQ(record->mRefCount, 1);
  EXPECT_EQ(CFGetRetainCount(record->mPreset.presetName), 1);

  CFStringRef description = CFCopyDescription(presets);
  EXPECT_EQ(Text(description), "(\n    AUPreset:\n    preset number = 0\n    preset name = -\n)");
  CFRelease(description);

  PresetRecord same = {{0, CFSTR("-")}, nullptr, 1};
  PresetRecord otherNumber = {{1, CFSTR("-")}, nullptr, 1};
  PresetRecord otherName = {{0, CFSTR("+")}, nullptr, 1};
  EXPECT_TRUE(CFArrayContainsValue(presets, CFRangeMake(0, 1), &same));
  EXPECT_FALSE(CFArrayContainsValue(presets, CFRangeMake(0, 1), &otherNumber));
  EXPECT_FALSE(CFArrayContainsValue(presets, CFRangeMake(0, 1), &otherName));
  CFRelease(presets);

  // Every request makes a new array.
  CFArrayRef again = nullptr;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_FactoryPresets, kGlobal, 0, again), noErr);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(CFArrayGetCount(again), 1);
  CFRelease(again);
}

TEST_F(AuState, CurrentAndPresentPreset)
{
  for (AudioUnitPropertyID id : {kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset})
  {
    AUPreset p = CurrentPreset(unit(), id);
    EXPECT_EQ(p.presetNumber, 0);
    EXPECT_EQ(Text(p.presetName), "-");
    if (p.presetName)
      CFRelease(p.presetName);
  }
  // Selecting the default preset brings back the defaults.
  SetAll(unit(), kOther);
  const AUPreset select = {0, nullptr};
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_PresentPreset, kGlobal, 0, select), noErr);
  const float defaults[kKestrionParams] = {0, 0, 0, 5, 0, 0, 0, 500};
  EXPECT_EQ(AllParams(unit()), std::vector<float>(defaults, defaults + kKestrionParams));
}

// ---- The probe: several presets, transport ---------------------------------------------------

class AuProbeState : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit = std::make_unique<Unit>(kAudioUnitType_Effect, kProbeSubType, kTestManufacturer);
    ASSERT_EQ(mUnit->status(), noErr);
  }
  AudioUnit unit() const { return mUnit->get(); }
  std::unique_ptr<Unit> mUnit;
};

const char kLongName[] = "A preset name of sixty-three characters fills the whole field..";

TEST_F(AuProbeState, PresetsByNumberAndByName)
{
  CFArrayRef presets = nullptr;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_FactoryPresets, kGlobal, 0, presets), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), 3);
  const char* names[] = {"-", "Second", kLongName};
  for (CFIndex i = 0; i < 3; ++i)
  {
    const auto* r = static_cast<const PresetRecord*>(CFArrayGetValueAtIndex(presets, i));
    EXPECT_EQ(r->mPreset.presetNumber, i);
    EXPECT_EQ(Text(r->mPreset.presetName), names[i]);
    EXPECT_EQ(r->mRefCount, 1);
  }
  CFRelease(presets);

  const AUPreset second = {1, nullptr};
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_CurrentPreset, kGlobal, 0, second), noErr);
  EXPECT_EQ(GetParam(unit(), 0), 25.0f);
  AUPreset p = CurrentPreset(unit(), kAudioUnitProperty_PresentPreset);
  EXPECT_EQ(p.presetNumber, 1);
  EXPECT_EQ(Text(p.presetName), "Second");
  CFRelease(p.presetName);

  // A dictionary without data selects the preset it names, then is refused.
  CFMutableDictionaryRef dict = GetClassInfo(unit());
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFDictionaryGetValue(dict, CFSTR("name")))), "Second");
  Remove(dict, "data");
  PutString(dict, "name", "-");
  EXPECT_EQ(SetClassInfo(unit(), dict), kAudioUnitErr_InvalidPropertyValue);
  p = CurrentPreset(unit());
  EXPECT_EQ(p.presetNumber, 0);
  CFRelease(p.presetName);
  EXPECT_EQ(GetParam(unit(), 0), 50.0f);

  // A name of 63 characters fits; a longer one is cut to 63 before the preset is looked up.
  PutString(dict, "name", kLongName);
  EXPECT_EQ(SetClassInfo(unit(), dict), kAudioUnitErr_InvalidPropertyValue);
  p = CurrentPreset(unit());
  EXPECT_EQ(p.presetNumber, 2);
  CFRelease(p.presetName);
  EXPECT_EQ(GetParam(unit(), 0), 75.0f);

  ASSERT_EQ(Set(unit(), kAudioUnitProperty_CurrentPreset, kGlobal, 0, second), noErr);
  const std::string longer = std::string(kLongName) + "and then some more text, far past the buffer";
  PutString(dict, "name", longer.c_str());
  EXPECT_EQ(SetClassInfo(unit(), dict), kAudioUnitErr_InvalidPropertyValue);
  p = CurrentPreset(unit());
  EXPECT_EQ(p.presetNumber, 2);
  CFRelease(p.presetName);
  CFRelease(dict);
}

// What the probe's render reports: tempo, time signature, sample position.
struct Transport
{
  float tempo, numerator, denominator, samplePos;
};

Transport RenderProbe(AudioUnit unit, double sampleTime)
{
  Buffers out(2, 16);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(sampleTime);
  EXPECT_EQ(AudioUnitRender(unit, &flags, &stamp, 0, 16, out.list()), noErr);
  return {out.data(0)[0], out.data(0)[1], out.data(0)[2], out.data(1)[0]};
}

struct HostTransport
{
  Float64 tempo = 0, beat = 0, samplePos = 0, downBeat = 0;
  Float32 numerator = 0;
  UInt32 denominator = 0;
  int beatCalls = 0;

  static OSStatus BeatAndTempo(void* user, Float64* beat, Float64* tempo)
  {
    auto* self = static_cast<HostTransport*>(user);
    ++self->beatCalls;
    if (beat)
      *beat = self->beat;
    if (tempo)
      *tempo = self->tempo;
    return noErr;
  }
  static OSStatus MusicalTime(void* user, UInt32* toNextBeat, Float32* numerator, UInt32* denominator,
                              Float64* downBeat)
  {
    auto* self = static_cast<HostTransport*>(user);
    if (toNextBeat)
      *toNextBeat = 0;
    *numerator = self->numerator;
    *denominator = self->denominator;
    if (downBeat)
      *downBeat = self->downBeat;
    return noErr;
  }
  static OSStatus State(void* user, Boolean* playing, Boolean* changed, Float64* samplePos, Boolean* cycling,
                        Float64* cycleStart, Float64* cycleEnd)
  {
    auto* self = static_cast<HostTransport*>(user);
    if (playing)
      *playing = 1;
    if (changed)
      *changed = 0;
    *samplePos = self->samplePos;
    if (cycling)
      *cycling = 0;
    if (cycleStart)
      *cycleStart = 0;
    if (cycleEnd)
      *cycleEnd = 0;
    return noErr;
  }
};

TEST_F(AuProbeState, TransportQueriesCacheTheTempoAndRoundThePosition)
{
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(unit()), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);

  Transport t = RenderProbe(unit(), 0);
  EXPECT_EQ(t.tempo, 120.0f);
  EXPECT_EQ(t.numerator, -1.0f);
  EXPECT_EQ(t.denominator, -1.0f);
  EXPECT_EQ(t.samplePos, 0.0f);

  HostTransport host;
  HostCallbackInfo info = {&host, &HostTransport::BeatAndTempo, &HostTransport::MusicalTime,
                           &HostTransport::State};
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_HostCallbacks, kGlobal, 0, info), noErr);
  host.tempo = 90.0;
  host.numerator = 7.9f;
  host.denominator = 8;
  host.samplePos = 1023.5;
  t = RenderProbe(unit(), 16);
  EXPECT_EQ(t.tempo, 90.0f);
  EXPECT_EQ(t.numerator, 7.0f);
  EXPECT_EQ(t.denominator, 8.0f);
  EXPECT_EQ(t.samplePos, 1024.0f);
  EXPECT_GE(host.beatCalls, 1);

  host.tempo = 0.0;
  host.samplePos = 1023.4;
  t = RenderProbe(unit(), 32);
  EXPECT_EQ(t.tempo, 90.0f); // the last positive tempo stays
  EXPECT_EQ(t.samplePos, 1023.0f);
  host.tempo = -30.0;
  host.samplePos = 0.49;
  t = RenderProbe(unit(), 48);
  EXPECT_EQ(t.tempo, 90.0f);
  EXPECT_EQ(t.samplePos, 0.0f);
  host.tempo = 133.0;
  t = RenderProbe(unit(), 64);
  EXPECT_EQ(t.tempo, 133.0f);

  // Only a transport procedure: the cached tempo, no time signature.
  HostCallbackInfo partial = {&host, nullptr, nullptr, &HostTransport::State};
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_HostCallbacks, kGlobal, 0, partial), noErr);
  host.tempo = 60.0;
  host.samplePos = 44100.0;
  t = RenderProbe(unit(), 80);
  EXPECT_EQ(t.tempo, 133.0f);
  EXPECT_EQ(t.numerator, -1.0f);
  EXPECT_EQ(t.samplePos, 44100.0f);
}
} // namespace
