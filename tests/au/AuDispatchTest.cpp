// The component entry as a host sees it: identity, CanDo, Initialize, parameters,
// listeners, render notifiers, scheduled events and the fast-dispatch functions.
#include "tests/au/AuHost.h"
#include "tests/au/ProbeView.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace autest;

namespace
{
// A parameter block for selectors the host API has no call for: the instance in slot 0, the
// arguments after it.
ComponentResult CallSelector(AudioUnit unit, SInt16 selector, std::vector<long> args = {})
{
  struct
  {
    UInt8 flags;
    UInt8 paramSize;
    SInt16 what;
    UInt32 padding;
    long params[8];
  } block = {};
  block.what = selector;
  block.paramSize = static_cast<UInt8>(args.size() * sizeof(long));
  block.params[0] = reinterpret_cast<long>(unit);
  for (size_t i = 0; i < args.size() && i < 7; ++i)
    block.params[i + 1] = args[i];
  return CallComponentDispatch(reinterpret_cast<ComponentParameters*>(&block));
}

class AuDispatch : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mUnit.reset(OpenKestrion());
    ASSERT_EQ(mUnit->status(), noErr);
    ASSERT_NE(mUnit->get(), nullptr);
  }
  AudioUnit unit() const { return mUnit->get(); }

  std::unique_ptr<Unit> mUnit;
};

// ---- Identity and CanDo ----------------------------------------------------------------------

TEST_F(AuDispatch, VersionCanDoAndUnknownSelectors)
{
  EXPECT_EQ(CallComponentVersion(unit()), 0x00010001);
  EXPECT_EQ(GetComponentVersion(unit()), 0x00010001);

  for (SInt16 s : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17})
    EXPECT_EQ(CallComponentCanDo(unit(), s), 1) << "selector " << s;
  // 18 is handled but not announced; 8, 12, 13 do not exist.
  for (SInt16 s : {0, 8, 12, 13, 18, 19, 20, 21, 257, 258, 261, 769, -1, -2, -3, -4, -5, 1000})
    EXPECT_EQ(CallComponentCanDo(unit(), s), 0) << "selector " << s;

  EXPECT_EQ(CallSelector(unit(), kAudioUnitComplexRenderSelect),
            static_cast<ComponentResult>(badComponentSelector));
  EXPECT_EQ(CallSelector(unit(), kAudioUnitProcessSelect),
            static_cast<ComponentResult>(badComponentSelector));
  EXPECT_EQ(CallSelector(unit(), 8), static_cast<ComponentResult>(badComponentSelector));
  EXPECT_EQ(CallSelector(unit(), 0x0107), static_cast<ComponentResult>(badComponentSelector));
}

// The bundle's executable exports its two entries and nothing of the wrapper or plug-in.
TEST_F(AuDispatch, OnlyTheTwoEntriesAreExported)
{
  const std::string executable = std::string(KESTRION_BUNDLE_PATH) + "/Contents/MacOS/Kestrion";
  void* handle = dlopen(executable.c_str(), RTLD_NOW | RTLD_NOLOAD); // loaded by the registry
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_NE(dlsym(handle, "Kestrion_Entry"), nullptr);
  EXPECT_NE(dlsym(handle, "Kestrion_ViewEntry"), nullptr);
  for (const char* hidden :
       {"_Z8MakePlugv", "_ZN9IEffectAU14IEffectAUEntryEP19ComponentParametersPv",
        "_ZN11IEffectBase13SetSampleRateEd", "_ZN8Kestrion22ProcessDoubleReplacingEPPdS1_i"})
    EXPECT_EQ(dlsym(handle, hidden), nullptr) << hidden;
  dlclose(handle);
}

TEST_F(AuDispatch, MusicDeviceSelectorsAreAcceptedAndIgnored)
{
  EXPECT_EQ(MusicDeviceMIDIEvent(unit(), 0x90, 60, 100, 0), noErr);
  const UInt8 sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_EQ(MusicDeviceSysEx(unit(), sysex, sizeof sysex), noErr);
  EXPECT_EQ(CallSelector(unit(), kMusicDevicePrepareInstrumentSelect, {0}), noErr);
  EXPECT_EQ(CallSelector(unit(), kMusicDeviceReleaseInstrumentSelect, {0}), noErr);

  MusicDeviceNoteParams note = {};
  note.argCount = 2;
  note.mPitch = 60.7f;
  note.mVelocity = 100.0f;
  NoteInstanceID id = 0xFFFFFFFF;
  EXPECT_EQ(MusicDeviceStartNote(unit(), 0, 0, &id, 0, &note), noErr);
  EXPECT_EQ(id, 60u); // the pitch truncated
  EXPECT_EQ(MusicDeviceStopNote(unit(), 0, id, 0), noErr);

  // Nothing of it reached the processor's parameters.
  for (AudioUnitParameterID p = 0; p < kKestrionParams; ++p)
    EXPECT_EQ(GetParam(unit(), p), p == 3 ? 5.0f : p == 7 ? 500.0f : 0.0f) << p;
}

// ---- Initialize ------------------------------------------------------------------------------

TEST_F(AuDispatch, InitializeChecksTheChannelConfiguration)
{
  // Before any format every bus count is unknown, which any configuration accepts.
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitUninitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
  EXPECT_EQ(AudioUnitUninitialize(unit()), noErr);

  // While uninitialised each side is checked alone: 1 in and 2 out are both accepted...
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Output, 2), noErr);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 1), noErr);
  // ...but 1-2 is no legal configuration.
  EXPECT_EQ(AudioUnitInitialize(unit()), static_cast<OSStatus>(badComponentSelector));
  // The unit stayed inactive: a lone input side is still checked alone.
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 1), noErr);

  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 2), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
  // Active: both sides are checked; 1 in against 2 out is refused, 2 accepted.
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 2), noErr);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Output, 1), kAudioUnitErr_InvalidProperty);

  EXPECT_EQ(AudioUnitUninitialize(unit()), noErr);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Output, 1), noErr);
  EXPECT_EQ(SetFormat(unit(), kAudioUnitScope_Input, 1), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit()), noErr);
}

// ---- Parameters ------------------------------------------------------------------------------

TEST_F(AuDispatch, ParametersClampRefuseScopesAndUnknownIds)
{
  const AudioUnitScope g = kAudioUnitScope_Global;
  EXPECT_EQ(AudioUnitSetParameter(unit(), 0, g, 0, 42.5f, 0), noErr);
  EXPECT_EQ(GetParam(unit(), 0), 42.5f);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 0, g, 0, 150.0f, 0), noErr);
  EXPECT_EQ(GetParam(unit(), 0), 100.0f);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 0, g, 0, -150.0f, 0), noErr);
  EXPECT_EQ(GetParam(unit(), 0), -100.0f);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 4, g, 0, -200.0f, 0), noErr);
  EXPECT_EQ(GetParam(unit(), 4), -94.0f);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 7, g, 3, 750.0f, 17), noErr); // element, offset ignored
  EXPECT_EQ(GetParam(unit(), 7), 750.0f);

  Float32 v = -1.0f;
  EXPECT_EQ(AudioUnitSetParameter(unit(), 1, kAudioUnitScope_Input, 0, 10.0f, 0),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 1, kAudioUnitScope_Output, 0, 10.0f, 0),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(GetParam(unit(), 1), 0.0f);
  EXPECT_EQ(AudioUnitGetParameter(unit(), 1, kAudioUnitScope_Input, 0, &v),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(v, -1.0f);

  for (AudioUnitParameterID id : {8u, 9u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu})
  {
    v = -1.0f;
    EXPECT_EQ(AudioUnitGetParameter(unit(), id, g, 0, &v), kAudioUnitErr_InvalidParameter) << id;
    EXPECT_EQ(v, -1.0f);
    EXPECT_EQ(AudioUnitSetParameter(unit(), id, g, 0, 1.0f, 0), kAudioUnitErr_InvalidParameter)
        << id;
  }
}

TEST_F(AuDispatch, FastDispatchParameterFunctions)
{
  AudioUnitGetParameterProc getProc = nullptr;
  AudioUnitSetParameterProc setProc = nullptr;
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                kAudioUnitGetParameterSelect, getProc),
            noErr);
  ASSERT_EQ(Get(unit(), kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                kAudioUnitSetParameterSelect, setProc),
            noErr);
  ASSERT_NE(getProc, nullptr);
  ASSERT_NE(setProc, nullptr);
  void* storage = GetComponentInstanceStorage(unit());
  ASSERT_NE(storage, nullptr);

  EXPECT_EQ(setProc(storage, 2, kAudioUnitScope_Global, 0, 33.25f, 100), noErr);
  EXPECT_EQ(GetParam(unit(), 2), 33.25f);
  EXPECT_EQ(setProc(storage, 2, kAudioUnitScope_Global, 0, 101.0f, 0), noErr);
  Float32 v = 0.0f;
  EXPECT_EQ(getProc(storage, 2, kAudioUnitScope_Global, 0, &v), noErr);
  EXPECT_EQ(v, 100.0f);
  EXPECT_EQ(AudioUnitSetParameter(unit(), 5, kAudioUnitScope_Global, 0, 12.0f, 0), noErr);
  EXPECT_EQ(getProc(storage, 5, kAudioUnitScope_Global, 0, &v), noErr);
  EXPECT_EQ(v, 12.0f);

  v = -1.0f;
  EXPECT_EQ(getProc(storage, 5, kAudioUnitScope_Input, 0, &v), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(setProc(storage, 5, kAudioUnitScope_Output, 0, 1.0f, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(v, -1.0f);
  EXPECT_EQ(GetParam(unit(), 5), 12.0f);
  EXPECT_EQ(getProc(storage, 8, kAudioUnitScope_Global, 0, &v), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(setProc(storage, 8, kAudioUnitScope_Global, 0, 1.0f, 0),
            kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(setProc(storage, 0xFFFFFFFFu, kAudioUnitScope_Global, 0, 1.0f, 0),
            kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(v, -1.0f);
}

TEST_F(AuDispatch, ScheduledParametersApplyImmediateEventsAndStopAtTheFirstFailure)
{
  auto immediate =
      [](AudioUnitParameterID id, float value, AudioUnitScope scope = kAudioUnitScope_Global)
  {
    AudioUnitParameterEvent e = {};
    e.scope = scope;
    e.parameter = id;
    e.eventType = kParameterEvent_Immediate;
    e.eventValues.immediate.bufferOffset = 64;
    e.eventValues.immediate.value = value;
    return e;
  };
  AudioUnitParameterEvent ramp = {};
  ramp.scope = kAudioUnitScope_Global;
  ramp.parameter = 0;
  ramp.eventType = kParameterEvent_Ramped;
  ramp.eventValues.ramp.startValue = 10.0f;
  ramp.eventValues.ramp.endValue = 50.0f;
  ramp.eventValues.ramp.durationInFrames = 64;

  const AudioUnitParameterEvent first[] = {ramp, immediate(1, 25.0f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit(), first, 2), noErr);
  EXPECT_EQ(GetParam(unit(), 0), 0.0f); // ramps are skipped
  EXPECT_EQ(GetParam(unit(), 1), 25.0f);

  const AudioUnitParameterEvent second[] = {
      immediate(2, 10.0f), immediate(3, 7.0f, kAudioUnitScope_Input), immediate(4, -6.0f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit(), second, 3), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(GetParam(unit(), 2), 10.0f);
  EXPECT_EQ(GetParam(unit(), 3), 5.0f);
  EXPECT_EQ(GetParam(unit(), 4), 0.0f); // after the failure: not reached

  const AudioUnitParameterEvent third[] = {immediate(6, 40.0f), immediate(8, 1.0f),
                                           immediate(7, 100.0f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit(), third, 3), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(GetParam(unit(), 6), 40.0f);
  EXPECT_EQ(GetParam(unit(), 7), 500.0f);

  const AudioUnitParameterEvent clamped[] = {immediate(5, 1000.0f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit(), clamped, 1), noErr);
  EXPECT_EQ(GetParam(unit(), 5), 100.0f);
  EXPECT_EQ(AudioUnitScheduleParameters(unit(), clamped, 0), noErr);
}

// ---- Property listeners ----------------------------------------------------------------------

struct ListenerLog
{
  struct Call
  {
    void* userData;
    AudioUnit unit;
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    Float64 rateSeen;
  };
  std::vector<Call> calls;
};
ListenerLog gListenerLog;

void RecordingListener(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                       AudioUnitElement element)
{
  Float64 rate = -1.0;
  Get(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, rate);
  gListenerLog.calls.push_back({userData, unit, id, scope, element, rate});
}

void OtherListener(void* userData, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                   AudioUnitElement element)
{
  gListenerLog.calls.push_back({userData, unit, id + 1000, scope, element, 0.0});
}

TEST_F(AuDispatch, PropertyListenersAreDeduplicatedCalledBeforeTheChangeAndRemoved)
{
  gListenerLog.calls.clear();
  int a = 0, b = 0;
  ASSERT_EQ(
      AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_SampleRate, RecordingListener, &a),
      noErr);
  ASSERT_EQ(
      AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_SampleRate, RecordingListener, &b),
      noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_SampleRate, OtherListener, &b),
            noErr);
  ASSERT_EQ(
      AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_BypassEffect, RecordingListener, &b),
      noErr);

  const Float64 rate = 48000.0;
  ASSERT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 3,
                                 &rate, sizeof rate),
            noErr);
  ASSERT_EQ(gListenerLog.calls.size(), 2u);
  EXPECT_EQ(gListenerLog.calls[0].userData, &a); // one record, the first user data
  EXPECT_EQ(gListenerLog.calls[0].unit, unit());
  EXPECT_EQ(gListenerLog.calls[0].id,
            static_cast<AudioUnitPropertyID>(kAudioUnitProperty_SampleRate));
  EXPECT_EQ(gListenerLog.calls[0].scope, static_cast<AudioUnitScope>(kAudioUnitScope_Output));
  EXPECT_EQ(gListenerLog.calls[0].element, 0u);       // element 0 whatever was addressed
  EXPECT_EQ(gListenerLog.calls[0].rateSeen, 44100.0); // called before the value is applied
  EXPECT_EQ(gListenerLog.calls[1].userData, &b);
  EXPECT_EQ(gListenerLog.calls[1].id, 1000u + kAudioUnitProperty_SampleRate);
  Float64 now = 0;
  EXPECT_EQ(Get(unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, now), noErr);
  EXPECT_EQ(now, 48000.0);

  // Removing by procedure once removes the only record of that procedure.
  gListenerLog.calls.clear();
  EXPECT_EQ(
      AudioUnitRemovePropertyListener(unit(), kAudioUnitProperty_SampleRate, RecordingListener),
      noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0,
                                 &rate, sizeof rate),
            noErr);
  ASSERT_EQ(gListenerLog.calls.size(), 1u);
  EXPECT_EQ(gListenerLog.calls[0].id, 1000u + kAudioUnitProperty_SampleRate);
  // Removing what is not there is not an error.
  EXPECT_EQ(
      AudioUnitRemovePropertyListener(unit(), kAudioUnitProperty_SampleRate, RecordingListener),
      noErr);

  // With user data: all three must match.
  gListenerLog.calls.clear();
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit(), kAudioUnitProperty_SampleRate,
                                                        OtherListener, &a),
            noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0,
                                 &rate, sizeof rate),
            noErr);
  EXPECT_EQ(gListenerLog.calls.size(), 1u);
  EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit(), kAudioUnitProperty_SampleRate,
                                                        OtherListener, &b),
            noErr);
  gListenerLog.calls.clear();
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0,
                                 &rate, sizeof rate),
            noErr);
  EXPECT_TRUE(gListenerLog.calls.empty());

  // Listeners hear a set that then fails, too.
  const AudioStreamBasicDescription bad = Format(3);
  ASSERT_EQ(
      AudioUnitAddPropertyListener(unit(), kAudioUnitProperty_StreamFormat, RecordingListener, &a),
      noErr);
  EXPECT_EQ(AudioUnitSetProperty(unit(), kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0,
                                 &bad, sizeof bad),
            kAudioUnitErr_InvalidProperty);
  ASSERT_EQ(gListenerLog.calls.size(), 1u);
  EXPECT_EQ(gListenerLog.calls[0].id,
            static_cast<AudioUnitPropertyID>(kAudioUnitProperty_StreamFormat));
}

// ---- Render notifiers ------------------------------------------------------------------------

struct NotifyLog
{
  struct Call
  {
    int who;
    void* refCon;
    UInt32 flags;
    UInt32 bus;
    UInt32 frames;
    AudioBufferList* list;
  };
  std::vector<Call> calls;
  // Called after each notice is logged, with the notifier's number and flags.
  std::function<void(int, UInt32)> onNotice;
};
NotifyLog gNotifyLog;

template <int Who>
OSStatus Notifier(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*,
                  UInt32 bus, UInt32 frames, AudioBufferList* list)
{
  gNotifyLog.calls.push_back({Who, refCon, *flags, bus, frames, list});
  if (gNotifyLog.onNotice) gNotifyLog.onNotice(Who, *flags);
  return noErr;
}
constexpr AURenderCallback NotifierA = &Notifier<1>;
constexpr AURenderCallback NotifierB = &Notifier<2>;
constexpr AURenderCallback NotifierC = &Notifier<3>;

// The notices of one render as text: the notifier's number, then '<' before and '>' after.
std::string Notices(AudioUnit unit, double sampleTime)
{
  gNotifyLog.calls.clear();
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(sampleTime);
  if (AudioUnitRender(unit, &flags, &stamp, 0, 64, out.list()) != noErr) return "render failed";
  std::string text;
  for (const NotifyLog::Call& call : gNotifyLog.calls)
    text += std::to_string(call.who) + (call.flags == kAudioUnitRenderAction_PreRender    ? "<"
                                        : call.flags == kAudioUnitRenderAction_PostRender ? ">"
                                                                                          : "?");
  return text;
}

TEST_F(AuDispatch, RenderNotifiersRunInOrderAndAreRemovedByProcedureOnly)
{
  InputFeed feed;
  ASSERT_EQ(feed.AttachTo(unit()), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  int r1 = 0, r2 = 0, r3 = 0;
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), NotifierA, &r1), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), NotifierA, &r2), noErr); // duplicates are kept
  ASSERT_EQ(AudioUnitAddRenderNotify(unit(), NotifierB, &r3), noErr);
  // The reference is not compared: this removes the first NotifierA record (&r1).
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit(), NotifierA, &r3), noErr);

  gNotifyLog.calls.clear();
  Buffers out(2, 64);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp stamp = Stamp(0);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &stamp, 0, 64, out.list()), noErr);
  ASSERT_EQ(gNotifyLog.calls.size(), 4u);
  const int who[] = {1, 2, 1, 2};
  void* refs[] = {&r2, &r3, &r2, &r3};
  const UInt32 expectedFlags[] = {
      kAudioUnitRenderAction_PreRender, kAudioUnitRenderAction_PreRender,
      kAudioUnitRenderAction_PostRender, kAudioUnitRenderAction_PostRender};
  for (size_t i = 0; i < 4; ++i)
  {
    EXPECT_EQ(gNotifyLog.calls[i].who, who[i]) << i;
    EXPECT_EQ(gNotifyLog.calls[i].refCon, refs[i]) << i;
    EXPECT_EQ(gNotifyLog.calls[i].flags, expectedFlags[i]) << i;
    EXPECT_EQ(gNotifyLog.calls[i].bus, 0u);
    EXPECT_EQ(gNotifyLog.calls[i].frames, 64u);
    EXPECT_EQ(gNotifyLog.calls[i].list, out.list());
  }

  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit(), NotifierB, nullptr), noErr);
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit(), NotifierA, nullptr), noErr);
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit(), NotifierA, nullptr), noErr); // nothing left: fine
  gNotifyLog.calls.clear();
  const AudioTimeStamp next = Stamp(64);
  ASSERT_EQ(AudioUnitRender(unit(), &flags, &next, 0, 64, out.list()), noErr);
  EXPECT_TRUE(gNotifyLog.calls.empty());
}

// A notifier that changes the list during a render, once: in the notice `flags` of notifier
// `who` it adds or removes notifier `target`.
struct ListChange
{
  const char* name;
  int who;
  UInt32 flags;
  bool add;
  int target;
  const char* firstRender; // the notices of the render in which the change happens
  const char* nextRender;  // and of the one after it
};

class AuNotifierListChanges : public AuDispatch, public ::testing::WithParamInterface<ListChange>
{
};

// Every notifier registered for the whole render hears both notices; one removed is not called
// after its removal, one added is first called by the next render.
TEST_P(AuNotifierListChanges, DuringARender)
{
  const ListChange& change = GetParam();
  const AURenderCallback procs[] = {nullptr, NotifierA, NotifierB, NotifierC};
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  for (int who = 1; who <= 3; ++who)
    if (!(change.add && who == change.target))
    {
      ASSERT_EQ(AudioUnitAddRenderNotify(unit(), procs[who], nullptr), noErr);
    }
  bool done = false;
  gNotifyLog.onNotice = [&](int who, UInt32 flags)
  {
    if (done || who != change.who || flags != change.flags) return;
    done = true;
    const OSStatus status =
        change.add ? AudioUnitAddRenderNotify(unit(), procs[change.target], nullptr)
                   : AudioUnitRemoveRenderNotify(unit(), procs[change.target], nullptr);
    EXPECT_EQ(status, noErr);
  };
  EXPECT_EQ(Notices(unit(), 0), change.firstRender);
  EXPECT_TRUE(done);
  EXPECT_EQ(Notices(unit(), 64), change.nextRender);
  gNotifyLog.onNotice = nullptr;
}

const UInt32 kPre = kAudioUnitRenderAction_PreRender;
const UInt32 kPost = kAudioUnitRenderAction_PostRender;
INSTANTIATE_TEST_SUITE_P(RenderNotifiers, AuNotifierListChanges,
                         ::testing::Values(ListChange{"FirstRemovesItselfBeforeItsPostNotice", 1,
                                                      kPre, false, 1, "1<2<3<2>3>", "2<3<2>3>"},
                                           ListChange{"MiddleRemovesItselfAfterItsPostNotice", 2,
                                                      kPost, false, 2, "1<2<3<1>2>3>", "1<3<1>3>"},
                                           ListChange{"FirstRemovesTheLastBeforeItIsCalled", 1,
                                                      kPre, false, 3, "1<2<1>2>", "1<2<1>2>"},
                                           ListChange{"LastRemovesTheFirstBetweenTheNotices", 3,
                                                      kPre, false, 1, "1<2<3<2>3>", "2<3<2>3>"},
                                           ListChange{"MiddleAddsANotifier", 2, kPre, true, 3,
                                                      "1<2<1>2>", "1<2<3<1>2>3>"}),
                         [](const ::testing::TestParamInfo<ListChange>& info)
                         { return std::string(info.param.name); });

// A notifier needs a procedure; the list holds 32, and a full list refuses more until one goes.
TEST_F(AuDispatch, RenderNotifiersNeedAProcedureAndAreLimitedTo32)
{
  ASSERT_EQ(AudioUnitInitialize(unit()), noErr);
  int refs[33] = {};
  EXPECT_EQ(AudioUnitAddRenderNotify(unit(), nullptr, &refs[0]), kAudio_ParamError);
  EXPECT_EQ(Notices(unit(), 0), "");

  for (int i = 0; i < 32; ++i)
    ASSERT_EQ(AudioUnitAddRenderNotify(unit(), NotifierA, &refs[i]), noErr) << i;
  EXPECT_EQ(AudioUnitAddRenderNotify(unit(), NotifierB, &refs[32]), kAudio_MemFullError);
  std::string all;
  for (const char* notice : {"1<", "1>"})
    for (int i = 0; i < 32; ++i)
      all += notice;
  EXPECT_EQ(Notices(unit(), 0), all);
  for (int i = 0; i < 32; ++i)
  {
    EXPECT_EQ(gNotifyLog.calls[static_cast<size_t>(i)].refCon, &refs[i]);
    EXPECT_EQ(gNotifyLog.calls[static_cast<size_t>(32 + i)].refCon, &refs[i]);
  }

  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit(), NotifierA, nullptr), noErr); // the first, &refs[0]
  EXPECT_EQ(AudioUnitAddRenderNotify(unit(), NotifierB, &refs[32]), noErr);
  EXPECT_EQ(AudioUnitAddRenderNotify(unit(), NotifierC, &refs[0]), kAudio_MemFullError);
  ASSERT_EQ(Notices(unit(), 64).substr(0, 4), "1<1<");
  EXPECT_EQ(gNotifyLog.calls.size(), 64u);
  EXPECT_EQ(gNotifyLog.calls[0].refCon, &refs[1]);
  EXPECT_EQ(gNotifyLog.calls[31].who, 2);
  EXPECT_EQ(gNotifyLog.calls[31].refCon, &refs[32]);
}

TEST_F(AuDispatch, ResetSelectorAnswersNoErr)
{
  EXPECT_EQ(AudioUnitReset(unit(), kAudioUnitScope_Global, 0), noErr);
}
// ---- Carbon view entry -----------------------------------------------------------------------

// Creates a view for unit; the control handed back, or null.
OSStatus CreateView(AudioUnitCarbonView view, AudioUnit unit, void* window, ControlRef* control)
{
  const Float32Point location = {0, 0}, size = {578, 299};
  *control = nullptr;
  return AudioUnitCarbonViewCreate(view, unit, static_cast<WindowRef>(window), nullptr, &location,
                                   &size, control);
}

// A view edits only an open unit of its own bundle, looked up afresh each time: it never trusts
// another component's instance storage, and a unit closed before its view is left alone.
TEST(AuCarbonView, EditsOnlyOpenUnitsOfItsOwnBundle)
{
  RegisterBundles();
  int window = 0;
  ControlRef control = nullptr;
  auto probeView =
      std::make_unique<Unit>(kAudioUnitCarbonViewComponentType, kProbeSubType, kTestManufacturer);
  auto probe = std::make_unique<Unit>(kAudioUnitType_Effect, kProbeSubType, kTestManufacturer);
  ASSERT_EQ(probeView->status(), noErr);
  ASSERT_EQ(probe->status(), noErr);

  // An open unit of its own bundle with an editor: the editor's window opens, and closes with
  // the view.
  ASSERT_EQ(CreateView(probeView->get(), probe->get(), &window, &control), noErr);
  const auto* log = reinterpret_cast<const ProbeWindowLog*>(control);
  ASSERT_NE(log, nullptr);
  const int opens = log->opens;
  const int closes = log->closes;
  EXPECT_EQ(log->window, &window);
  probeView.reset();
  EXPECT_EQ(log->closes, closes + 1);

  // The unit closed before its view: closing the view touches nothing.
  probeView =
      std::make_unique<Unit>(kAudioUnitCarbonViewComponentType, kProbeSubType, kTestManufacturer);
  ASSERT_EQ(CreateView(probeView->get(), probe->get(), &window, &control), noErr);
  EXPECT_EQ(log->opens, opens + 1);
  AudioUnit closedUnit = probe->get();
  probe.reset();
  probeView.reset();
  EXPECT_EQ(log->closes, closes + 1);

  // Refused: no unit, a closed unit, a unit of another component (whose storage is no plug-in).
  probeView =
      std::make_unique<Unit>(kAudioUnitCarbonViewComponentType, kProbeSubType, kTestManufacturer);
  Unit source(kSourceType, kSourceFast, kTestManufacturer);
  ASSERT_EQ(source.status(), noErr);
  for (AudioUnit unit : {AudioUnit(nullptr), closedUnit, source.get()})
  {
    EXPECT_EQ(CreateView(probeView->get(), unit, &window, &control),
              static_cast<OSStatus>(badComponentSelector));
    EXPECT_EQ(control, nullptr);
  }

  // Kestrion's view refuses the probe's unit, built on the same wrapper but in another bundle.
  // A Kestrion unit has its editor, which offers no Carbon embedding: the view opens with no
  // control. Closing the view after that unit is safe.
  auto kestrionView =
      std::make_unique<Unit>(kAudioUnitCarbonViewComponentType, kKestrionCode, kKestrionCode);
  ASSERT_EQ(kestrionView->status(), noErr);
  Unit otherProbe(kAudioUnitType_Effect, kProbeSubType, kTestManufacturer);
  EXPECT_EQ(CreateView(kestrionView->get(), otherProbe.get(), &window, &control),
            static_cast<OSStatus>(badComponentSelector));
  std::unique_ptr<Unit> kestrion(OpenKestrion());
  EXPECT_EQ(CreateView(kestrionView->get(), kestrion->get(), &window, &control), noErr);
  EXPECT_EQ(control, nullptr);
  kestrion.reset();
  kestrionView.reset();
  probeView.reset();
  EXPECT_EQ(log->opens, opens + 1);
  EXPECT_EQ(log->closes, closes + 1);
}
} // namespace
