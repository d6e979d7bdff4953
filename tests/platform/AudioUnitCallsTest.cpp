// The Audio Unit host calls: every argument reaches the component's entry in the slot the
// 64-bit convention gives it, results come back unchanged, and bad instances are refused.
#include "tests/platform/TestComponentState.h"

#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/ComponentBundles.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

class AudioUnitCalls : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
    AudioComponentDescription d = {0x61756678, 0x54737431, 0x4578706c, 0, 0};
    AudioComponent c = AudioComponentFindNext(nullptr, &d);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(AudioComponentInstanceNew(c, &mUnit), noErr);
    mState = reinterpret_cast<TestComponentState*>(GetComponentInstanceStorage(mUnit));
    ASSERT_NE(mState, nullptr);
  }
  void TearDown() override {
    if (mUnit) AudioComponentInstanceDispose(mUnit);
  }

  long Ptr(const void* p) { return reinterpret_cast<long>(p); }

  AudioUnit mUnit = nullptr;
  TestComponentState* mState = nullptr;
};

void PropertyListener(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}
OSStatus RenderNotify(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*) {
  return noErr;
}

long FloatSlot(Float32 value) {
  long slot = 0;
  memcpy(&slot, &value, sizeof value);
  return slot;
}

TEST_F(AudioUnitCalls, EveryArgumentLandsInItsSlot) {
  UInt32 size = 0;
  Boolean writable = false;
  char data[64];
  Float32 value = 0;
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp stamp{};
  AudioBufferList list{};
  AudioUnitParameterEvent events[2]{};
  const UInt8 sysex[] = {0xF0, 0x7E, 0xF7};
  NoteInstanceID note = 0;
  MusicDeviceNoteParams noteParams{};
  int userData = 0;
  // The pointers are real 64-bit addresses: a truncation to 32 bits would show.
  ASSERT_GT(reinterpret_cast<unsigned long>(&stamp), 0xFFFFFFFFUL);

  struct Case {
    const char* name;
    std::function<OSStatus()> call;
    SInt16 what;
    std::vector<long> args;  // slots 1, 2, ...
  };
  const Case cases[] = {
      {"Initialize", [&] { return AudioUnitInitialize(mUnit); }, kAudioUnitInitializeSelect, {}},
      {"Uninitialize", [&] { return AudioUnitUninitialize(mUnit); }, kAudioUnitUninitializeSelect, {}},
      {"GetPropertyInfo",
       [&] { return AudioUnitGetPropertyInfo(mUnit, 0x11223344, kAudioUnitScope_Output, 0xFFFFFFFF, &size, &writable); },
       kAudioUnitGetPropertyInfoSelect,
       {0x11223344, 2, 0xFFFFFFFFL, Ptr(&size), Ptr(&writable)}},
      {"GetProperty",
       [&] { return AudioUnitGetProperty(mUnit, kAudioUnitProperty_StreamFormat, 1, 3, data, &size); },
       kAudioUnitGetPropertySelect,
       {8, 1, 3, Ptr(data), Ptr(&size)}},
      {"SetProperty",
       [&] { return AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, 0, 0, data, 8); },
       kAudioUnitSetPropertySelect,
       {2, 0, 0, Ptr(data), 8}},
      {"GetParameter", [&] { return AudioUnitGetParameter(mUnit, 5, 0, 0, &value); }, kAudioUnitGetParameterSelect,
       {5, 0, 0, Ptr(&value)}},
      {"SetParameter", [&] { return AudioUnitSetParameter(mUnit, 3, 0, 7, -0.25f, 96); }, kAudioUnitSetParameterSelect,
       {3, 0, 7, FloatSlot(-0.25f), 96}},
      {"ScheduleParameters", [&] { return AudioUnitScheduleParameters(mUnit, events, 2); },
       kAudioUnitScheduleParametersSelect, {Ptr(events), 2}},
      {"Render", [&] { return AudioUnitRender(mUnit, &flags, &stamp, 1, 512, &list); }, kAudioUnitRenderSelect,
       {Ptr(&flags), Ptr(&stamp), 1, 512, Ptr(&list)}},
      {"Reset", [&] { return AudioUnitReset(mUnit, kAudioUnitScope_Global, 4); }, kAudioUnitResetSelect, {0, 4}},
      {"AddPropertyListener", [&] { return AudioUnitAddPropertyListener(mUnit, 12, PropertyListener, &userData); },
       kAudioUnitAddPropertyListenerSelect, {12, reinterpret_cast<long>(PropertyListener), Ptr(&userData)}},
      {"RemovePropertyListener", [&] { return AudioUnitRemovePropertyListener(mUnit, 12, PropertyListener); },
       kAudioUnitRemovePropertyListenerSelect, {12, reinterpret_cast<long>(PropertyListener)}},
      {"RemovePropertyListenerWithUserData",
       [&] { return AudioUnitRemovePropertyListenerWithUserData(mUnit, 12, PropertyListener, &userData); },
       kAudioUnitRemovePropertyListenerWithUserDataSelect,
       {12, reinterpret_cast<long>(PropertyListener), Ptr(&userData)}},
      {"AddRenderNotify", [&] { return AudioUnitAddRenderNotify(mUnit, RenderNotify, &userData); },
       kAudioUnitAddRenderNotifySelect, {reinterpret_cast<long>(RenderNotify), Ptr(&userData)}},
      {"RemoveRenderNotify", [&] { return AudioUnitRemoveRenderNotify(mUnit, RenderNotify, &userData); },
       kAudioUnitRemoveRenderNotifySelect, {reinterpret_cast<long>(RenderNotify), Ptr(&userData)}},
      {"MIDIEvent", [&] { return MusicDeviceMIDIEvent(mUnit, 0x90, 60, 127, 33); }, kMusicDeviceMIDIEventSelect,
       {0x90, 60, 127, 33}},
      {"SysEx", [&] { return MusicDeviceSysEx(mUnit, sysex, 3); }, kMusicDeviceSysExSelect, {Ptr(sysex), 3}},
      {"StartNote", [&] { return MusicDeviceStartNote(mUnit, 9, 2, &note, 17, &noteParams); },
       kMusicDeviceStartNoteSelect, {9, 2, Ptr(&note), 17, Ptr(&noteParams)}},
      {"StopNote", [&] { return MusicDeviceStopNote(mUnit, 2, 60, 5); }, kMusicDeviceStopNoteSelect, {2, 60, 5}},
  };
  for (const Case& c : cases) {
    mState->mNextResult = noErr;
    EXPECT_EQ(c.call(), noErr) << c.name;
    EXPECT_EQ(mState->mWhat, c.what) << c.name;
    EXPECT_EQ(mState->mFlags, 0) << c.name;
    EXPECT_EQ(mState->mPadding, 0u) << c.name;
    EXPECT_EQ(mState->mParamSize, c.args.size() * 8) << c.name;
    EXPECT_EQ(mState->mStorage, reinterpret_cast<Handle>(mState)) << c.name;
    EXPECT_EQ(mState->mSlots[0], reinterpret_cast<long>(mUnit)) << c.name;
    for (size_t i = 0; i < c.args.size(); ++i) EXPECT_EQ(mState->mSlots[i + 1], c.args[i]) << c.name << " slot " << i + 1;
  }
  // The float in SetParameter reached the component intact, and GetParameter reads it back.
  EXPECT_EQ(mState->mParameters[3], -0.25f);
  EXPECT_EQ(AudioUnitGetParameter(mUnit, 3, 0, 0, &value), noErr);
  EXPECT_EQ(value, -0.25f);
}

TEST_F(AudioUnitCalls, ComponentManagerSelectorsUseTheirOwnSlots) {
  EXPECT_EQ(CallComponentCanDo(mUnit, kAudioUnitRenderSelect), 1);
  EXPECT_EQ(mState->mWhat, kComponentCanDoSelect);
  EXPECT_EQ(mState->mSlots[0], kAudioUnitRenderSelect);
  EXPECT_EQ(mState->mSlots[1], reinterpret_cast<long>(mUnit));
  EXPECT_EQ(CallComponentCanDo(mUnit, -2), 0);
  EXPECT_EQ(mState->mSlots[0], -2L);  // a 16-bit selector, sign-extended
  EXPECT_EQ(CallComponentCanDo(mUnit, 8), 0);

  EXPECT_EQ(CallComponentVersion(mUnit), 0x00010203);
  EXPECT_EQ(mState->mWhat, kComponentVersionSelect);

  // The Carbon view create call keeps its reversed order.
  ControlRef control = nullptr;
  Float32Point location{1, 2}, size{3, 4};
  auto window = reinterpret_cast<WindowRef>(0x7f0000001000L);
  auto parent = reinterpret_cast<ControlRef>(0x7f0000002000L);
  EXPECT_EQ(AudioUnitCarbonViewCreate(mUnit, mUnit, window, parent, &location, &size, &control), noErr);
  EXPECT_EQ(mState->mWhat, kAudioUnitCarbonViewCreateSelect);
  EXPECT_EQ(mState->mSlots[0], reinterpret_cast<long>(&control));
  EXPECT_EQ(mState->mSlots[1], reinterpret_cast<long>(&size));
  EXPECT_EQ(mState->mSlots[2], reinterpret_cast<long>(&location));
  EXPECT_EQ(mState->mSlots[3], reinterpret_cast<long>(parent));
  EXPECT_EQ(mState->mSlots[4], reinterpret_cast<long>(window));
  EXPECT_EQ(mState->mSlots[5], reinterpret_cast<long>(mUnit));

  // A block built by hand goes through CallComponentDispatch unchanged.
  struct {
    UInt8 flags;
    UInt8 paramSize;
    SInt16 what;
    UInt32 padding;
    long params[3];
  } block = {0, 16, kAudioUnitResetSelect, 0, {reinterpret_cast<long>(mUnit), 1, 2}};
  EXPECT_EQ(CallComponentDispatch(reinterpret_cast<ComponentParameters*>(&block)), noErr);
  EXPECT_EQ(mState->mWhat, kAudioUnitResetSelect);
  EXPECT_EQ(mState->mSlots[2], 2);
  block.what = kComponentVersionSelect;
  EXPECT_EQ(CallComponentDispatch(reinterpret_cast<ComponentParameters*>(&block)), badComponentSelector);
  block.what = kAudioUnitResetSelect;
  block.params[0] = 0;
  EXPECT_EQ(CallComponentDispatch(reinterpret_cast<ComponentParameters*>(&block)), badComponentInstance);
}

TEST_F(AudioUnitCalls, ResultsAndRenderedAudioComeBackUnchanged) {
  mState->mNextResult = kAudioUnitErr_InvalidPropertyValue;
  EXPECT_EQ(AudioUnitSetProperty(mUnit, 99, 0, 0, nullptr, 0), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitInitialize(mUnit), kAudioUnitErr_InvalidPropertyValue);
  mState->mNextResult = noErr;

  float left[4] = {}, right[4] = {};
  struct {
    UInt32 count;
    AudioBuffer buffers[2];
  } stereo = {2, {{1, sizeof left, left}, {1, sizeof right, right}}};
  AudioTimeStamp stamp{};
  stamp.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  EXPECT_EQ(AudioUnitRender(mUnit, &flags, &stamp, 0, 4, reinterpret_cast<AudioBufferList*>(&stereo)), noErr);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(left[i], 0.5f);
    EXPECT_EQ(right[i], 0.5f);
  }
  EXPECT_EQ(AudioUnitGetParameter(mUnit, 42, 0, 0, &left[0]), kAudioUnitErr_InvalidParameter);
}

TEST(AudioUnitCallsNull, EveryCallRefusesANullOrClosedUnit) {
  ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
  AudioComponentDescription d = {0x61756678, 0x54737431, 0x4578706c, 0, 0};
  AudioUnit closed = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(AudioComponentFindNext(nullptr, &d), &closed), noErr);
  ASSERT_EQ(AudioComponentInstanceDispose(closed), noErr);

  for (AudioUnit unit : {static_cast<AudioUnit>(nullptr), closed}) {
    UInt32 size = 0;
    Float32 value = 0;
    EXPECT_EQ(AudioUnitInitialize(unit), badComponentInstance);
    EXPECT_EQ(AudioUnitUninitialize(unit), badComponentInstance);
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, 0, 0, 0, &size, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitGetProperty(unit, 0, 0, 0, nullptr, &size), badComponentInstance);
    EXPECT_EQ(AudioUnitSetProperty(unit, 0, 0, 0, nullptr, 0), badComponentInstance);
    EXPECT_EQ(AudioUnitGetParameter(unit, 0, 0, 0, &value), badComponentInstance);
    EXPECT_EQ(AudioUnitSetParameter(unit, 0, 0, 0, 1.0f, 0), badComponentInstance);
    EXPECT_EQ(AudioUnitScheduleParameters(unit, nullptr, 0), badComponentInstance);
    EXPECT_EQ(AudioUnitRender(unit, nullptr, nullptr, 0, 0, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitReset(unit, 0, 0), badComponentInstance);
    EXPECT_EQ(AudioUnitAddPropertyListener(unit, 0, PropertyListener, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitRemovePropertyListener(unit, 0, PropertyListener), badComponentInstance);
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, 0, PropertyListener, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitAddRenderNotify(unit, RenderNotify, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitRemoveRenderNotify(unit, RenderNotify, nullptr), badComponentInstance);
    EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 1, 2, 0), badComponentInstance);
    EXPECT_EQ(MusicDeviceSysEx(unit, nullptr, 0), badComponentInstance);
    EXPECT_EQ(MusicDeviceStartNote(unit, 0, 0, nullptr, 0, nullptr), badComponentInstance);
    EXPECT_EQ(MusicDeviceStopNote(unit, 0, 0, 0), badComponentInstance);
    EXPECT_EQ(AudioUnitCarbonViewCreate(unit, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              badComponentInstance);
    EXPECT_EQ(CallComponentVersion(unit), badComponentInstance);
    EXPECT_EQ(ComponentFunctionImplemented(unit, 1), 0);
  }
}

}  // namespace
