// Kestrion's properties as a host reads and writes them, the refusals of every index and size
// the host gets wrong, and the probe plug-in for what Kestrion has not got (groups, display
// texts, a negated display, a tail).
#include "au/IEffectAUProperties.h"
#include "tests/au/AuHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

using namespace autest;

namespace
{
const AudioUnitScope kGlobal = kAudioUnitScope_Global;
const AudioUnitScope kInput = kAudioUnitScope_Input;
const AudioUnitScope kOutput = kAudioUnitScope_Output;

// The name a global property answers in the request's outName ("<none>" without one),
// released; `status` receives the call's result.
template <typename Request>
std::string NameAnswer(AudioUnit unit, AudioUnitPropertyID property, Request req, OSStatus& status)
{
  status = Get(unit, property, kGlobal, 0, req);
  std::string text = req.outName ? Text(req.outName) : "<none>";
  if (req.outName) CFRelease(req.outName);
  return text;
}

// A text-to-value request and what it must answer: the status, and the value (the start value
// when the text is not understood or the request is refused).
struct ValueFromText
{
  AudioUnitParameterID id;
  CFStringRef text;
  Float32 start;
  OSStatus status;
  Float32 value;
};

void ExpectValuesFromText(AudioUnit unit, std::initializer_list<ValueFromText> rows)
{
  for (const ValueFromText& row : rows)
  {
    AudioUnitParameterValueFromString req = {row.id, row.text, row.start};
    EXPECT_EQ(Get(unit, kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, req), row.status)
        << Text(row.text);
    EXPECT_EQ(req.outValue, row.value) << Text(row.text);
  }
}

class AuProperties : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit.reset(OpenKestrion());
    ASSERT_EQ(mUnit->status(), noErr);
  }
  AudioUnit unit() const { return mUnit->get(); }

  // Size and writable flag of an info request; both start with values no answer gives.
  OSStatus Info(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, UInt32& size,
                Boolean& writable)
  {
    size = 0xDEAD;
    writable = 7;
    return AudioUnitGetPropertyInfo(unit(), id, scope, element, &size, &writable);
  }

  std::unique_ptr<Unit> mUnit;
};

class AuProbeProperties : public ::testing::Test
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

// ---- Plain values ----------------------------------------------------------------------------

TEST_F(AuProperties, InfoRequestsGiveSizesAndWritability)
{
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    UInt32 size;
    Boolean writable; // 0 also where the property leaves it: the dispatcher clears it first
  };
  const Row rows[] = {
    {kAudioUnitProperty_ClassInfo, kGlobal, 0, 8, 1},
    {kAudioUnitProperty_MakeConnection, kInput, 0, 16, 1},
    {kAudioUnitProperty_SampleRate, kGlobal, 0, 8, 1},
    {kAudioUnitProperty_ParameterList, kGlobal, 0, 32, 0},
    {kAudioUnitProperty_ParameterInfo, kGlobal, 3, 104, 0},
    {kAudioUnitProperty_FastDispatch, kGlobal, kAudioUnitRenderSelect, 8, 0},
    {kAudioUnitProperty_StreamFormat, kInput, 0, 40, 1},
    {kAudioUnitProperty_StreamFormat, kOutput, 0, 40, 1},
    {kAudioUnitProperty_ElementCount, kInput, 0, 4, 0},
    {kAudioUnitProperty_Latency, kGlobal, 0, 8, 0},
    {kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, 8, 0},
    {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, 4, 1},
    {kAudioUnitProperty_TailTime, kGlobal, 0, 8, 0},
    {kAudioUnitProperty_BypassEffect, kGlobal, 0, 4, 1},
    {kAudioUnitProperty_LastRenderError, kGlobal, 0, 4, 0},
    {kAudioUnitProperty_SetRenderCallback, kInput, 0, 16, 1},
    {kAudioUnitProperty_FactoryPresets, kGlobal, 0, 8, 0},
    {kAudioUnitProperty_HostCallbacks, kGlobal, 0, 32, 1},
    {kAudioUnitProperty_CurrentPreset, kGlobal, 0, 16, 1},
    {kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, 24, 0},
    {kAudioUnitProperty_ParameterIDName, kGlobal, 0, 16, 0},
    {kAudioUnitProperty_ParameterClumpName, kGlobal, 0, 16, 0},
    {kAudioUnitProperty_PresentPreset, kGlobal, 0, 16, 1},
    {kAudioUnitProperty_ParameterValueFromString, kGlobal, 0, 24, 0},
  };
  for (const Row& row : rows)
  {
    UInt32 size;
    Boolean writable;
    EXPECT_EQ(Info(row.id, row.scope, row.element, size, writable), noErr) << "property " << row.id;
    EXPECT_EQ(size, row.size) << "property " << row.id;
    EXPECT_EQ(writable, row.writable) << "property " << row.id;
  }

  // Null out-pointers are allowed.
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, nullptr, nullptr), noErr);

  // Element names answer no info request.
  UInt32 size;
  Boolean writable;
  EXPECT_EQ(Info(kAudioUnitProperty_ElementName, kInput, 0, size, writable), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 8u);
}

TEST_F(AuProperties, ValuesOfTheFixedProperties)
{
  Float64 rate = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kOutput, 5, rate), noErr);
  EXPECT_EQ(rate, 44100.0);

  UInt32 ids[kKestrionParams + 1];
  for (UInt32& id : ids)
    id = 0xEEEEEEEE;
  UInt32 size = sizeof ids;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterList, kGlobal, 0, ids, &size), noErr);
  EXPECT_EQ(size, 32u);
  for (UInt32 i = 0; i < kKestrionParams; ++i)
    EXPECT_EQ(ids[i], i);
  EXPECT_EQ(ids[kKestrionParams], 0xEEEEEEEEu);
  size = sizeof ids;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterList, kInput, 0, ids, &size), noErr);
  EXPECT_EQ(size, 0u);

  UInt32 count = 99;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ElementCount, kGlobal, 0, count), noErr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ElementCount, kInput, 0, count), noErr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ElementCount, kOutput, 0, count), noErr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ElementCount, kAudioUnitScope_Group, 0, count), noErr);
  EXPECT_EQ(count, 0u);

  Float64 seconds = -1;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_Latency, kGlobal, 0, seconds), noErr);
  EXPECT_EQ(seconds, 0.0);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_Latency, kInput, 0, seconds), kAudioUnitErr_InvalidProperty);

  AUChannelInfo io[3] = {{9, 9}, {9, 9}, {9, 9}};
  size = sizeof io;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, io, &size), noErr);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(io[0].inChannels, 1);
  EXPECT_EQ(io[0].outChannels, 1);
  EXPECT_EQ(io[1].inChannels, 2);
  EXPECT_EQ(io[1].outChannels, 2);
  EXPECT_EQ(io[2].inChannels, 9);

  UInt32 frames = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 1024u);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(512)), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 512u);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kInput, 0, frames), kAudioUnitErr_InvalidProperty);

  // No tail: 0 seconds and not writable.
  seconds = -1;
  Boolean writable = 7;
  size = 0;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit(), kAudioUnitProperty_TailTime, kGlobal, 0, &size, &writable), noErr);
  EXPECT_EQ(writable, 0);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_TailTime, kGlobal, 0, seconds), noErr);
  EXPECT_EQ(seconds, 0.0);

  UInt32 value = 9;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, value), noErr);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(5)), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, value), noErr);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(0)), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, value), noErr);
  EXPECT_EQ(value, 0u);

  SInt32 error = 5;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_LastRenderError, kGlobal, 0, error), noErr);
  EXPECT_EQ(error, 0);

  EXPECT_EQ(Set(unit(), kAudioUnitProperty_OfflineRender, kGlobal, 0, UInt32(1)), noErr);
  AUHostIdentifier host = {CFSTR("Logic Pro"), {0, 0, 0x12, 9}};
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_AUHostIdentifier, kGlobal, 0, host), noErr);
}

// Once initialised, a render may be working in the buffers sized for the slice at any time:
// the maximum keeps the size in force until the host uninitialises. The sample rate frees
// nothing and stays settable.
TEST_F(AuProperties, MaximumFramesPerSliceIsFixedWhileInitialised)
{
  auto render = [this](UInt32 frames, double sampleTime)
  {
    Buffers out(2, frames, false);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = Stamp(sampleTime);
    return AudioUnitRender(unit(), &flags, &stamp, 0, frames, out.list());
  };
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  UInt32 frames = 0;
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(512)),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(4096)),
            kAudioUnitErr_Initialized);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(0)),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(1024)), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 1024u);
  EXPECT_EQ(render(1024, 0), noErr);
  EXPECT_EQ(render(1025, 1024), kAudioUnitErr_InvalidPropertyValue);

  EXPECT_EQ(Set(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, Float64(48000.0)), noErr);
  Float64 rate = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, rate), noErr);
  EXPECT_EQ(rate, 48000.0);

  ASSERT_EQ(AudioUnitUninitialize(unit()), noErr);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(4096)), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, frames), noErr);
  EXPECT_EQ(frames, 4096u);
  EXPECT_EQ(render(4096, 2048), noErr);
}

TEST_F(AuProperties, RefusedPropertiesAndScopes)
{
  UInt8 data[256];
  for (AudioUnitPropertyID id : {6u, 7u, 9u, 10u, 15u, 17u, 25u, 26u, 29u, 37u, 39u, 40u, 45u, 1000u, 4000u})
  {
    memset(data, 0xAB, sizeof data);
    UInt32 size = sizeof data;
    EXPECT_EQ(AudioUnitGetProperty(unit(), id, kGlobal, 0, data, &size), kAudioUnitErr_InvalidProperty) << id;
    EXPECT_EQ(data[0], 0xAB) << id;
  }
  // An effect has no channel layout tags; a channel layout is never given.
  UInt32 size = sizeof data;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_SupportedChannelLayoutTags, kInput, 0, data, &size),
            kAudioUnitErr_InvalidProperty);
  size = sizeof data;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_AudioChannelLayout, kOutput, 0, data, &size),
            kAudioUnitErr_InvalidPropertyValue);

  // Read-only properties refuse a set.
  for (AudioUnitPropertyID id : {3u, 4u, 5u, 11u, 12u, 13u, 16u, 20u, 22u, 24u, 30u, 33u, 34u, 35u, 38u})
    EXPECT_EQ(AudioUnitSetProperty(unit(), id, kGlobal, 0, data, sizeof data), kAudioUnitErr_InvalidProperty) << id;
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_HostCallbacks, kInput, 0, data, 32), kAudioUnitErr_InvalidProperty);

  // Parameter info: global scope only, ids inside the table only.
  AudioUnitParameterInfo info;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kInput, 0, info), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kGlobal, 8, info), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kGlobal, 0xFFFFFFFF, info), kAudioUnitErr_InvalidElement);

  // Kestrion's parameters have no display texts.
  CFArrayRef strings = nullptr;
  size = 8;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 0, &strings, &size),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(strings, nullptr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 8, strings), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterValueStrings, kOutput, 0, strings), kAudioUnitErr_InvalidProperty);
}

TEST_F(AuProperties, FastDispatchAnswersRenderSetAndGetOnly)
{
  void* proc = nullptr;
  for (AudioUnitElement e : {6u, 7u, 14u})
  {
    proc = nullptr;
    EXPECT_EQ(Get(unit(), kAudioUnitProperty_FastDispatch, kGlobal, e, proc), noErr) << e;
    EXPECT_NE(proc, nullptr) << e;
  }
  proc = nullptr;
  for (AudioUnitElement e : {0u, 5u, 8u, 9u, 15u, 0xFFFFFFFFu})
    EXPECT_EQ(Get(unit(), kAudioUnitProperty_FastDispatch, kGlobal, e, proc), kAudioUnitErr_InvalidElement) << e;
  EXPECT_EQ(proc, nullptr);
}

TEST_F(AuProperties, ParameterInfoForEveryParameter)
{
  struct Row
  {
    const char* name;
    const char* unitName;
    float min, max, def;
  };
  const Row rows[kKestrionParams] = {
    {"Attack", "%", -100, 100, 0},      {"Sustain", "%", -100, 100, 0},
    {"Attack Link", "%", 0, 100, 0},    {"Attack Length", "ms", 0, 20, 5},
    {"Gain", "dB", -94, 6, 0},          {"SC HPF", "%", 0, 100, 0},
    {"Sustain Link", "%", 0, 100, 0},   {"Sustain Length", "ms", 0, 750, 500},
  };
  for (AudioUnitParameterID id = 0; id < kKestrionParams; ++id)
  {
    AudioUnitParameterInfo info;
    memset(&info, 0xCD, sizeof info);
    ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kGlobal, id, info), noErr) << id;
    EXPECT_STREQ(info.name, rows[id].name);
    EXPECT_EQ(Text(info.cfNameString), rows[id].name);
    EXPECT_EQ(info.flags, 0xC8000010u) << id; // readable, writable, CF name to release
    EXPECT_EQ(info.unit, static_cast<AudioUnitParameterUnit>(kAudioUnitParameterUnit_CustomUnit));
    EXPECT_EQ(Text(info.unitName), rows[id].unitName);
    EXPECT_EQ(info.clumpID, 0u);
    EXPECT_EQ(info.minValue, rows[id].min);
    EXPECT_EQ(info.maxValue, rows[id].max);
    EXPECT_EQ(info.defaultValue, rows[id].def);
    // The rest of the name field is zero.
    for (size_t i = strlen(rows[id].name); i < sizeof info.name; ++i)
      EXPECT_EQ(info.name[i], 0) << id << " at " << i;
    if (info.cfNameString)
      CFRelease(info.cfNameString);
    if (info.unitName)
      CFRelease(info.unitName);
  }

  // The default reported is the current value.
  ASSERT_EQ(AudioUnitSetParameter(unit(), 4, kGlobal, 0, -12.5f, 0), noErr);
  AudioUnitParameterInfo info;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kGlobal, 4, info), noErr);
  EXPECT_EQ(info.defaultValue, -12.5f);
  CFRelease(info.cfNameString);
  CFRelease(info.unitName);
}

// ---- Element names ---------------------------------------------------------------------------

TEST_F(AuProperties, ElementNames)
{
  auto name = [this](AudioUnitScope scope, AudioUnitElement element, OSStatus& status) {
    CFStringRef s = nullptr;
    status = Get(unit(), kAudioUnitProperty_ElementName, scope, element, s);
    std::string text = s ? Text(s) : "";
    if (s)
      CFRelease(s);
    return text;
  };
  OSStatus status;
  EXPECT_EQ(name(kInput, 0, status), "input");
  EXPECT_EQ(status, noErr);
  // Element 1 has a label although there is one input bus.
  EXPECT_EQ(name(kInput, 1, status), "aux input");
  EXPECT_EQ(status, noErr);
  EXPECT_EQ(name(kInput, 2, status), "");
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
  EXPECT_EQ(name(kOutput, 0, status), "output");
  EXPECT_EQ(status, noErr);
  // Beyond the output labels nothing is read.
  name(kOutput, 1, status);
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
  name(kOutput, 1000000, status);
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
  EXPECT_EQ(name(kGlobal, 0, status), "");
  EXPECT_EQ(status, kAudioUnitErr_InvalidScope);
}

// ---- Parameter text ----------------------------------------------------------------------------

TEST_F(AuProperties, ParameterStringFromValue)
{
  Float32 value = 50.0f;
  AudioUnitParameterStringFromValue req = {0, &value, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, req), noErr);
  EXPECT_EQ(Text(req.outString), "50.00");
  CFRelease(req.outString);

  value = -93.5f;
  req = {4, &value, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, req), noErr);
  EXPECT_EQ(Text(req.outString), "-93.50");
  CFRelease(req.outString);

  // A null value pointer means the current value.
  ASSERT_EQ(AudioUnitSetParameter(unit(), 7, kGlobal, 0, 123.25f, 0), noErr);
  req = {7, nullptr, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, req), noErr);
  EXPECT_EQ(Text(req.outString), "123.25");
  CFRelease(req.outString);

  // Ids outside the table.
  req = {8, &value, nullptr};
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, req), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(req.outString, nullptr);
  req = {0xFFFFFFFF, nullptr, nullptr};
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, req), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(req.outString, nullptr);

  // Other scopes: size set, nothing done.
  req = {0, &value, nullptr};
  UInt32 size = sizeof req;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterStringFromValue, kInput, 0, &req, &size), noErr);
  EXPECT_EQ(size, 24u);
  EXPECT_EQ(req.outString, nullptr);
}

TEST_F(AuProperties, ParameterIDNameCutsToTheDesiredLength)
{
  auto idName = [this](AudioUnitParameterID id, SInt32 length, OSStatus& status)
  {
    return NameAnswer(unit(), kAudioUnitProperty_ParameterIDName,
                      AudioUnitParameterIDName{id, length, nullptr}, status);
  };
  OSStatus status;
  EXPECT_EQ(idName(3, 5, status), "Attac");
  EXPECT_EQ(status, noErr);
  EXPECT_EQ(idName(3, -1, status), "Attack Length");
  EXPECT_EQ(idName(3, 0, status), "");
  EXPECT_EQ(idName(3, 13, status), "Attack Length");
  EXPECT_EQ(idName(3, 1000, status), "Attack Length");
  EXPECT_EQ(status, noErr);
  // Below -1 is taken as -1.
  EXPECT_EQ(idName(7, -2, status), "Sustain Length");
  EXPECT_EQ(status, noErr);
  EXPECT_EQ(idName(7, -1000000, status), "Sustain Length");
  EXPECT_EQ(idName(8, -1, status), "<none>");
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
  EXPECT_EQ(idName(0x80000000u, 3, status), "<none>");
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
}

TEST_F(AuProperties, ParameterValueFromStringAndClumpNames)
{
  ExpectValuesFromText(unit(), {{4, CFSTR("-6"), 99.0f, noErr, -6.0f},
                                {0, CFSTR("12.5 %"), 99.0f, noErr, 12.5f},
                                {8, CFSTR("1"), 99.0f, kAudioUnitErr_InvalidElement, 99.0f}});

  // Kestrion has no groups: clump 0 is not in use, clump 1 beyond the (empty) list.
  AudioUnitParameterNameInfo clump = {0, -1, nullptr};
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterClumpName, kGlobal, 0, clump), kAudioUnitErr_PropertyNotInUse);
  clump = {1, -1, nullptr};
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterClumpName, kGlobal, 0, clump), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(clump.outName, nullptr);
}

// ---- Sizes the host gets wrong -------------------------------------------------------------

TEST_F(AuProperties, ShortBuffersAreRefusedAndNothingIsWritten)
{
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    UInt32 need;
  };
  const Row rows[] = {
    {kAudioUnitProperty_ClassInfo, kGlobal, 0, 8},
    {kAudioUnitProperty_SampleRate, kGlobal, 0, 8},
    {kAudioUnitProperty_ParameterList, kGlobal, 0, 32},
    {kAudioUnitProperty_ParameterInfo, kGlobal, 0, 104},
    {kAudioUnitProperty_FastDispatch, kGlobal, 14, 8},
    {kAudioUnitProperty_StreamFormat, kOutput, 0, 40},
    {kAudioUnitProperty_ElementCount, kInput, 0, 4},
    {kAudioUnitProperty_Latency, kGlobal, 0, 8},
    {kAudioUnitProperty_SupportedNumChannels, kGlobal, 0, 8},
    {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, 4},
    {kAudioUnitProperty_TailTime, kGlobal, 0, 8},
    {kAudioUnitProperty_BypassEffect, kGlobal, 0, 4},
    {kAudioUnitProperty_FactoryPresets, kGlobal, 0, 8},
    {kAudioUnitProperty_CurrentPreset, kGlobal, 0, 16},
    {kAudioUnitProperty_ElementName, kInput, 0, 8},
    {kAudioUnitProperty_PresentPreset, kGlobal, 0, 16},
  };
  for (const Row& row : rows)
  {
    UInt8 buffer[128];
    for (UInt32 small : {0u, 1u, row.need / 2, row.need - 1})
    {
      memset(buffer, 0x5A, sizeof buffer);
      UInt32 size = small;
      EXPECT_EQ(AudioUnitGetProperty(unit(), row.id, row.scope, row.element, buffer, &size),
                kAudioUnitErr_InvalidPropertyValue)
        << "property " << row.id << " size " << small;
      for (size_t i = 0; i < sizeof buffer; ++i)
        if (buffer[i] != 0x5A)
        {
          ADD_FAILURE() << "property " << row.id << " size " << small << ": byte " << i << " written";
          break;
        }
    }
  }

  // The record-carrying requests too: a short record is not read or written.
  UInt8 buffer[64];
  memset(buffer, 0x5A, sizeof buffer);
  UInt32 size = 23;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, buffer, &size),
            kAudioUnitErr_InvalidPropertyValue);
  size = 15;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterIDName, kGlobal, 0, buffer, &size),
            kAudioUnitErr_InvalidPropertyValue);
  size = 15;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterClumpName, kGlobal, 0, buffer, &size),
            kAudioUnitErr_InvalidPropertyValue);
  for (UInt8 b : buffer)
    ASSERT_EQ(b, 0x5A);

  // A larger buffer is fine; the size comes back as the property's.
  Float64 rate[2] = {0, 0};
  size = sizeof rate;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, rate, &size), noErr);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(rate[0], 44100.0);
}

TEST_F(AuProperties, ShortRecordsAreRefusedOnSet)
{
  const Float64 rate = 48000.0;
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, &rate, 4),
            kAudioUnitErr_InvalidPropertyValue);
  Float64 now = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, now), noErr);
  EXPECT_EQ(now, 44100.0);

  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, nullptr, 0),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, now), noErr);
  EXPECT_EQ(now, 44100.0);

  const AudioStreamBasicDescription format = Format(1, 48000.0);
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, &format, 39),
            kAudioUnitErr_InvalidPropertyValue);
  AudioStreamBasicDescription got = {};
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, got), noErr);
  EXPECT_EQ(got.mSampleRate, 44100.0);

  const UInt32 frames = 256;
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, &frames, 2),
            kAudioUnitErr_InvalidPropertyValue);
  UInt32 nowFrames = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, nowFrames), noErr);
  EXPECT_EQ(nowFrames, 1024u);

  const UInt32 on = 1;
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, &on, 3),
            kAudioUnitErr_InvalidPropertyValue);
  UInt32 bypass = 7;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, bypass), noErr);
  EXPECT_EQ(bypass, 0u);

  InputFeed feed;
  AURenderCallbackStruct cb = {&InputFeed::Proc, &feed};
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SetRenderCallback, kInput, 0, &cb, 8),
            kAudioUnitErr_InvalidPropertyValue);
  AudioUnitConnection connection = {nullptr, 0, 0};
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_MakeConnection, kInput, 0, &connection, 12),
            kAudioUnitErr_InvalidPropertyValue);
  HostCallbackInfo callbacks = {};
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_HostCallbacks, kGlobal, 0, &callbacks, 24),
            kAudioUnitErr_InvalidPropertyValue);
  AUPreset preset = {0, nullptr};
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_CurrentPreset, kGlobal, 0, &preset, 4),
            kAudioUnitErr_InvalidPropertyValue);
  CFPropertyListRef plist = nullptr;
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_ClassInfo, kGlobal, 0, &plist, 4),
            kAudioUnitErr_InvalidPropertyValue);
}

// ---- Stream formats ------------------------------------------------------------------------

TEST_F(AuProperties, StreamFormatAcceptance)
{
  AudioStreamBasicDescription d = {};
  // The description written.
  ASSERT_EQ(SetFormat(unit(), kOutput, 1), noErr);
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, d), noErr);
  EXPECT_EQ(d.mSampleRate, 44100.0);
  EXPECT_EQ(d.mFormatID, static_cast<AudioFormatID>(kAudioFormatLinearPCM));
  EXPECT_EQ(d.mFormatFlags, 0x29u);
  EXPECT_EQ(d.mBytesPerPacket, 4u);
  EXPECT_EQ(d.mFramesPerPacket, 1u);
  EXPECT_EQ(d.mBytesPerFrame, 4u);
  EXPECT_EQ(d.mChannelsPerFrame, 1u);
  EXPECT_EQ(d.mBitsPerChannel, 32u);
  EXPECT_EQ(d.mReserved, 0u);
  // Global scope means the output bus.
  d = {};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kGlobal, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, 1u);

  // Uninitialised: 3 channels on the output is no configuration.
  EXPECT_EQ(SetFormat(unit(), kOutput, 3), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kOutput, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kInput, 129), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kInput, 100000), kAudioUnitErr_InvalidProperty);
  // The refusals changed nothing: the output keeps its one channel, so 1-1 initialises.
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, 1u);
  ASSERT_EQ(SetFormat(unit(), kInput, 1), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitUninitialize(unit()), noErr);
  EXPECT_EQ(SetFormat(unit(), kGlobal, 2), noErr);
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, d), noErr);
  EXPECT_EQ(d.mChannelsPerFrame, 2u);

  // Format id and flags.
  d = Format(2);
  d.mFormatID = kAudioFormatAC3;
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), kAudioUnitErr_InvalidProperty);
  d = Format(2);
  d.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsNonInterleaved;
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), kAudioUnitErr_InvalidProperty);
  d.mFormatFlags = kAudioFormatFlagIsPacked; // either bit will do
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), noErr);
  d.mFormatFlags = kAudioFormatFlagIsFloat;
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_StreamFormat, kInput, 0, d), noErr);

  // Buses that do not exist, scopes that have none.
  EXPECT_EQ(SetFormat(unit(), kInput, 2, 44100.0, 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kOutput, 2, 44100.0, 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Group, 2), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kInput, 1, d), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kAudioUnitScope_Group, 0, d), kAudioUnitErr_InvalidProperty);

  // A format's rate becomes the unit's rate.
  EXPECT_EQ(SetFormat(unit(), kInput, 2, 96000.0), noErr);
  Float64 rate = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, rate), noErr);
  EXPECT_EQ(rate, 96000.0);
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_StreamFormat, kOutput, 0, d), noErr);
  EXPECT_EQ(d.mSampleRate, 96000.0);
  // A zero rate is refused and leaves it (other rates that are no rate: AuRenderTest).
  EXPECT_EQ(SetFormat(unit(), kInput, 2, 0.0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, rate), noErr);
  EXPECT_EQ(rate, 96000.0);
}

TEST_F(AuProperties, HostCallbacksAndConnectionsAreWriteOnly)
{
  UInt8 data[32];
  memset(data, 0x77, sizeof data);
  UInt32 size = sizeof data;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_HostCallbacks, kGlobal, 0, data, &size), noErr);
  EXPECT_EQ(size, 32u);
  size = 16;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_MakeConnection, kInput, 0, data, &size), noErr);
  size = 16;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_SetRenderCallback, kInput, 0, data, &size), noErr);
  for (UInt8 b : data)
    ASSERT_EQ(b, 0x77);
  size = 16;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_MakeConnection, kOutput, 0, data, &size),
            kAudioUnitErr_InvalidProperty);
  size = 16;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_SetRenderCallback, kInput, 1, data, &size),
            kAudioUnitErr_InvalidProperty);
}

// ---- The probe: groups, display texts, negated display, tail ----------------------------------

TEST_F(AuProbeProperties, ParameterUnitsClumpsInTheOrderAsked)
{
  auto info = [this](AudioUnitParameterID id) {
    AudioUnitParameterInfo i;
    memset(&i, 0, sizeof i);
    EXPECT_EQ(Get(unit(), kAudioUnitProperty_ParameterInfo, kGlobal, id, i), noErr) << id;
    return i;
  };
  auto release = [](AudioUnitParameterInfo& i) {
    if (i.cfNameString)
      CFRelease(i.cfNameString);
    if (i.unitName)
      CFRelease(i.unitName);
  };
  // "Mode" (group B) is asked first, so B becomes clump 1 and A clump 2.
  AudioUnitParameterInfo mode = info(1);
  EXPECT_EQ(mode.clumpID, 1u);
  EXPECT_EQ(mode.flags, 0xC8100010u);
  EXPECT_EQ(mode.unit, static_cast<AudioUnitParameterUnit>(kAudioUnitParameterUnit_Indexed));
  EXPECT_EQ(mode.unitName, nullptr);
  EXPECT_EQ(mode.minValue, 0.0f);
  EXPECT_EQ(mode.maxValue, 2.0f);
  release(mode);
  AudioUnitParameterInfo mix = info(0);
  EXPECT_EQ(mix.clumpID, 2u);
  EXPECT_EQ(mix.flags, 0xC8100010u);
  EXPECT_EQ(Text(mix.unitName), "%");
  EXPECT_EQ(mix.defaultValue, 50.0f);
  release(mix);
  AudioUnitParameterInfo depth = info(2);
  EXPECT_EQ(depth.clumpID, 2u);
  EXPECT_EQ(Text(depth.unitName), "dB");
  release(depth);
  AudioUnitParameterInfo enable = info(3);
  EXPECT_EQ(enable.clumpID, 0u);
  EXPECT_EQ(enable.flags, 0xC8000010u);
  EXPECT_EQ(enable.unit, static_cast<AudioUnitParameterUnit>(kAudioUnitParameterUnit_Boolean));
  release(enable);
  // Asking again changes nothing.
  mix = info(0);
  EXPECT_EQ(mix.clumpID, 2u);
  release(mix);

  auto clumpName = [this](UInt32 id, OSStatus& status)
  {
    return NameAnswer(unit(), kAudioUnitProperty_ParameterClumpName,
                      AudioUnitParameterNameInfo{id, 1, nullptr}, status);
  };
  OSStatus status;
  EXPECT_EQ(clumpName(1, status), "B"); // the desired length is ignored
  EXPECT_EQ(status, noErr);
  EXPECT_EQ(clumpName(2, status), "A");
  EXPECT_EQ(clumpName(0, status), "<none>");
  EXPECT_EQ(status, kAudioUnitErr_PropertyNotInUse);
  EXPECT_EQ(clumpName(3, status), "<none>");
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
  EXPECT_EQ(clumpName(0xFFFFFFFF, status), "<none>");
  EXPECT_EQ(status, kAudioUnitErr_InvalidElement);
}

TEST_F(AuProbeProperties, DisplayTextsAndNegatedDisplay)
{
  CFArrayRef strings = nullptr;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 1, strings), noErr);
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(CFArrayGetCount(strings), 3);
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, 0))), "Soft");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, 1))), "Hard");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, 2))), "Off");
  CFRelease(strings);
  strings = nullptr;
  UInt32 size = 8;
  EXPECT_EQ(AudioUnitGetProperty(unit(), kAudioUnitProperty_ParameterValueStrings, kGlobal, 0, &strings, &size),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 0u);

  // Text to value: numbers negated for a negated display, display texts mapped to indices.
  ExpectValuesFromText(unit(), {{2, CFSTR("-6"), 0.0f, noErr, 6.0f},
                                {2, CFSTR("12.5"), 0.0f, noErr, -12.5f},
                                {1, CFSTR("Off"), 0.0f, noErr, 2.0f},
                                {1, CFSTR("Loud"), 7.5f, noErr, 7.5f}, // no match: left as it was
                                {4, CFSTR("1"), 7.5f, kAudioUnitErr_InvalidElement, 7.5f}});

  // Value to text.
  Float32 value = 6.0f;
  AudioUnitParameterStringFromValue text = {2, &value, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, text), noErr);
  EXPECT_EQ(Text(text.outString), "-6.00");
  CFRelease(text.outString);
  value = 1.0f;
  text = {1, &value, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, text), noErr);
  EXPECT_EQ(Text(text.outString), "Hard");
  CFRelease(text.outString);
  // Null value: the current one (Depth -6 shows as 6.00).
  text = {2, nullptr, nullptr};
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_ParameterStringFromValue, kGlobal, 0, text), noErr);
  EXPECT_EQ(Text(text.outString), "6.00");
  CFRelease(text.outString);
}

TEST_F(AuProbeProperties, TailTimeFollowsTheSampleRate)
{
  Float64 seconds = 0;
  UInt32 size = 0;
  Boolean writable = 0;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit(), kAudioUnitProperty_TailTime, kGlobal, 0, &size, &writable), noErr);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(writable, 1);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_TailTime, kGlobal, 0, seconds), noErr);
  EXPECT_DOUBLE_EQ(seconds, 0.01);
  EXPECT_EQ(Set(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, Float64(22050.0)), noErr);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_TailTime, kGlobal, 0, seconds), noErr);
  EXPECT_DOUBLE_EQ(seconds, 0.02);
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_TailTime, kOutput, 0, seconds), kAudioUnitErr_InvalidProperty);
}

// The editor's image (au/IEffectAUProperties.h): exact size, exact pixels of the probe's
// editor in A, R, G, B bytes, top row first; other sizes and scopes refused with nothing
// written; a plug-in without an editor has no such property.
TEST_F(AuProbeProperties, EditorImageIsAnExactCopyOfTheDrawnEditor)
{
  constexpr UInt32 kSize = sizeof(IEffectAUEditorImageHeader) + 60 * 400; // 100 x 60 editor
  UInt32 size = 0;
  Boolean writable = 7;
  ASSERT_EQ(AudioUnitGetPropertyInfo(unit(), kIEffectAUProperty_EditorImage, kGlobal, 0, &size,
                                     &writable),
            noErr);
  EXPECT_EQ(size, kSize);
  EXPECT_EQ(writable, 0);

  std::vector<uint8_t> image(kSize + 1, 0xEE);
  for (UInt32 wrong : {kSize - 1, kSize + 1, 12u})
  {
    size = wrong;
    EXPECT_EQ(AudioUnitGetProperty(unit(), kIEffectAUProperty_EditorImage, kGlobal, 0, image.data(),
                                   &size),
              kAudio_ParamError);
    EXPECT_EQ(image[0], 0xEE);
  }
  size = kSize;
  EXPECT_EQ(
      AudioUnitGetProperty(unit(), kIEffectAUProperty_EditorImage, kOutput, 0, image.data(), &size),
      kAudioUnitErr_InvalidProperty);
  ASSERT_EQ(
      AudioUnitGetProperty(unit(), kIEffectAUProperty_EditorImage, kGlobal, 0, image.data(), &size),
      noErr);
  EXPECT_EQ(size, kSize);
  IEffectAUEditorImageHeader header;
  std::memcpy(&header, image.data(), sizeof header);
  EXPECT_EQ(header.mWidth, 100u);
  EXPECT_EQ(header.mHeight, 60u);
  EXPECT_EQ(header.mRowBytes, 400u);
  auto pixel = [&](int x, int y)
  {
    const uint8_t* p = image.data() + sizeof header + y * 400 + x * 4;
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  const std::vector<int> background = {255, 10, 20, 30}, patch = {255, 200, 100, 50};
  EXPECT_EQ(pixel(0, 0), background);
  EXPECT_EQ(pixel(99, 59), background);
  EXPECT_EQ(pixel(10, 5), patch);
  EXPECT_EQ(pixel(29, 14), patch);
  EXPECT_EQ(pixel(30, 14), background);
  EXPECT_EQ(pixel(29, 15), background);
  EXPECT_EQ(image[kSize], 0xEE);

  // Kestrion's own editor: the 578 x 299 panel.
  std::unique_ptr<Unit> kestrion(OpenKestrion());
  EXPECT_EQ(AudioUnitGetPropertyInfo(kestrion->get(), kIEffectAUProperty_EditorImage, kGlobal, 0,
                                     &size, &writable),
            noErr);
  EXPECT_EQ(size, sizeof(IEffectAUEditorImageHeader) + 299u * 578u * 4u);
}

// The parameter mapping answers with the plug-in's own normalisation: linear "Mix" 0..100, the
// three-way "Mode" rounding to its step, and Kestrion's shaped "Gain".
TEST_F(AuProbeProperties, ParameterMappingConvertsBothWays)
{
  auto map = [&](AudioUnit u, AudioUnitParameterID id, UInt32 direction, double value, double& out)
  {
    IEffectAUParameterMapping record = {id, direction, value, -1.0};
    const OSStatus status = Get(u, kIEffectAUProperty_ParameterMapping, kGlobal, 0, record);
    out = record.outValue;
    return status;
  };
  double out = 0;
  EXPECT_EQ(map(unit(), 0, kIEffectAUMapping_ToNormalized, 25.0, out), noErr);
  EXPECT_EQ(out, 0.25);
  EXPECT_EQ(map(unit(), 0, kIEffectAUMapping_ToNormalized, 150.0, out), noErr);
  EXPECT_EQ(out, 1.0);
  EXPECT_EQ(map(unit(), 0, kIEffectAUMapping_FromNormalized, 0.75, out), noErr);
  EXPECT_EQ(out, 75.0);
  EXPECT_EQ(map(unit(), 1, kIEffectAUMapping_FromNormalized, 0.4, out), noErr);
  EXPECT_EQ(out, 1.0);
  EXPECT_EQ(map(unit(), 1, kIEffectAUMapping_FromNormalized, 0.8, out), noErr);
  EXPECT_EQ(out, 2.0);
  EXPECT_EQ(map(unit(), 4, kIEffectAUMapping_ToNormalized, 0.0, out), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(map(unit(), 0, 2, 0.5, out), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(map(unit(), 0, kIEffectAUMapping_FromNormalized, std::nan(""), out),
            kAudioUnitErr_InvalidPropertyValue);

  std::unique_ptr<Unit> kestrion(OpenKestrion());
  EXPECT_EQ(map(kestrion->get(), 4, kIEffectAUMapping_FromNormalized, 0.5, out), noErr);
  EXPECT_DOUBLE_EQ(out, -94.0 + 100.0 * std::pow(0.5, 0.09));
  EXPECT_EQ(map(kestrion->get(), 4, kIEffectAUMapping_ToNormalized, out, out), noErr);
  EXPECT_NEAR(out, 0.5, 1e-12);
}

// Resets are counted by the probe as latency samples (see ProbePlugin.cpp).
struct LatencyLog
{
  std::vector<Float64> seen;
};

void LatencyListener(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                     AudioUnitElement element)
{
  auto* log = static_cast<LatencyLog*>(userData);
  Float64 latency = -1;
  Get(unit, kAudioUnitProperty_Latency, kGlobal, 0, latency);
  log->seen.push_back(latency);
  EXPECT_EQ(id, static_cast<AudioUnitPropertyID>(kAudioUnitProperty_Latency));
  EXPECT_EQ(scope, kGlobal);
  EXPECT_EQ(element, 0u);
}

TEST_F(AuProbeProperties, SampleRateResetsOnceAndLatencyListenersHearBeforeTheStore)
{
  LatencyLog log;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_Latency, LatencyListener, &log), noErr);
  Float64 latency = -1;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_Latency, kGlobal, 0, latency), noErr);
  EXPECT_EQ(latency, 0.0);

  ASSERT_EQ(Set(unit(), kAudioUnitProperty_SampleRate, kGlobal, 0, Float64(48000.0)), noErr);
  ASSERT_EQ(log.seen.size(), 1u); // one reset
  EXPECT_EQ(log.seen[0], 0.0);    // the listener still read the old latency
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_Latency, kGlobal, 0, latency), noErr);
  EXPECT_DOUBLE_EQ(latency, 1.0 / 48000.0);

  // Every reset the host causes: maximum frames, bypass, the reset selector. A stream
  // format's rate does not reset.
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, 0, UInt32(256)), noErr);
  ASSERT_EQ(Set(unit(), kAudioUnitProperty_BypassEffect, kGlobal, 0, UInt32(1)), noErr);
  ASSERT_EQ(AudioUnitReset(unit(), kGlobal, 0), noErr);
  ASSERT_EQ(SetFormat(unit(), kOutput, 2, 96000.0), noErr);
  ASSERT_EQ(log.seen.size(), 4u);
  EXPECT_DOUBLE_EQ(log.seen[1], 1.0 / 48000.0);
  EXPECT_DOUBLE_EQ(log.seen[3], 3.0 / 48000.0);
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_Latency, kGlobal, 0, latency), noErr);
  EXPECT_DOUBLE_EQ(latency, 4.0 / 96000.0);
}
} // namespace
