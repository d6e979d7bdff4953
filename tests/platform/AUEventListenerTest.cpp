// Event and parameter listeners: what reaches a listener, and disposal under concurrency.
#include "tests/platform/TestComponentState.h"

#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/ComponentBundles.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Heard {
  void* object;
  AudioUnitEvent event;
  Float32 value;
};

struct Log {
  std::mutex lock;
  std::vector<Heard> events;
  void Add(void* object, const AudioUnitEvent* event, Float32 value) {
    std::lock_guard<std::mutex> guard(lock);
    events.push_back(Heard{object, *event, value});
  }
};

void Listen(void* refCon, void* object, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value) {
  static_cast<Log*>(refCon)->Add(object, event, value);
}

AudioUnitEvent ParameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id) {
  AudioUnitEvent event{};
  event.mEventType = type;
  event.mArgument.mParameter = AudioUnitParameter{unit, id, kAudioUnitScope_Global, 0};
  return event;
}

AudioUnitEvent PropertyEvent(AudioUnit unit, AudioUnitPropertyID id) {
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_PropertyChange;
  event.mArgument.mProperty = AudioUnitProperty{unit, id, kAudioUnitScope_Global, 0};
  return event;
}

class EventListeners : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
    AudioComponentDescription d = {0x61756678, 0x54737431, 0x4578706c, 0, 0};
    ASSERT_EQ(AudioComponentInstanceNew(AudioComponentFindNext(nullptr, &d), &mUnit), noErr);
    mState = reinterpret_cast<TestComponentState*>(GetComponentInstanceStorage(mUnit));
  }
  void TearDown() override {
    if (mUnit) AudioComponentInstanceDispose(mUnit);
  }
  AudioUnit mUnit = nullptr;
  TestComponentState* mState = nullptr;
};

TEST_F(EventListeners, ParameterAndGestureEventsReachMatchingListeners) {
  Log log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode, 0.05f, 0.0f, &listener),
            noErr);
  int object = 0;
  for (AudioUnitEventType type : {kAudioUnitEvent_ParameterValueChange, kAudioUnitEvent_BeginParameterChangeGesture,
                                  kAudioUnitEvent_EndParameterChangeGesture}) {
    AudioUnitEvent event = ParameterEvent(type, mUnit, 3);
    ASSERT_EQ(AUEventListenerAddEventType(listener, &object, &event), noErr);
  }
  mState->mParameters[3] = 0.75f;

  // A gesture as the editor posts it: begin, value change, end.
  for (AudioUnitEventType type : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                                  kAudioUnitEvent_EndParameterChangeGesture}) {
    AudioUnitEvent event = ParameterEvent(type, mUnit, 3);
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &event), noErr);
  }
  // Another parameter, another scope: nobody listens.
  AudioUnitEvent other = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 4);
  AUEventListenerNotify(nullptr, nullptr, &other);
  other = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 3);
  other.mArgument.mParameter.mScope = kAudioUnitScope_Input;
  AUEventListenerNotify(nullptr, nullptr, &other);

  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events[0].event.mEventType, kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(log.events[1].event.mEventType, kAudioUnitEvent_ParameterValueChange);
  EXPECT_EQ(log.events[1].value, 0.75f);  // read from the unit at notification time
  EXPECT_EQ(log.events[1].event.mArgument.mParameter.mAudioUnit, mUnit);
  EXPECT_EQ(log.events[1].event.mArgument.mParameter.mParameterID, 3u);
  EXPECT_EQ(log.events[2].event.mEventType, kAudioUnitEvent_EndParameterChangeGesture);
  EXPECT_EQ(log.events[0].object, &object);

  // The sender and listeners registered with the sending object are left out.
  AudioUnitEvent change = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 3);
  AUEventListenerNotify(listener, nullptr, &change);
  AUEventListenerNotify(nullptr, &object, &change);
  EXPECT_EQ(log.events.size(), 3u);

  // Removing the registration stops delivery; disposing twice is refused.
  ASSERT_EQ(AUEventListenerRemoveEventType(listener, &object, &change), noErr);
  AUEventListenerNotify(nullptr, nullptr, &change);
  EXPECT_EQ(log.events.size(), 3u);
  EXPECT_EQ(AUListenerDispose(listener), noErr);
  EXPECT_EQ(AUListenerDispose(listener), paramErr);
  AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 3);
  AUEventListenerNotify(nullptr, nullptr, &begin);
  EXPECT_EQ(log.events.size(), 3u);
}

TEST_F(EventListeners, AnyParameterAndParameterListenersAndParameterSet) {
  Log log;
  AUEventListenerRef any = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, nullptr, nullptr, 0, 0, &any), noErr);
  AudioUnitEvent all = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, kAUParameterListener_AnyParameter);
  ASSERT_EQ(AUEventListenerAddEventType(any, nullptr, &all), noErr);
  ASSERT_EQ(AUEventListenerAddEventType(any, nullptr, &all), noErr);  // a repeat adds nothing

  struct ParameterLog {
    int calls = 0;
    AudioUnitParameterID id = 0;
    Float32 value = 0;
  } parameterLog;
  AUParameterListenerRef parameterListener = nullptr;
  ASSERT_EQ(AUParameterListenerCreate(
                [](void* refCon, void*, const AudioUnitParameter* p, AudioUnitParameterValue v) {
                  auto* l = static_cast<ParameterLog*>(refCon);
                  ++l->calls;
                  l->id = p->mParameterID;
                  l->value = v;
                },
                &parameterLog, nullptr, nullptr, 0, &parameterListener),
            noErr);
  AudioUnitParameter p5 = {mUnit, 5, kAudioUnitScope_Global, 0};
  ASSERT_EQ(AUListenerAddParameter(parameterListener, nullptr, &p5), noErr);

  // AUParameterSet sets the value on the unit and tells both listeners.
  EXPECT_EQ(AUParameterSet(nullptr, nullptr, &p5, 0.125f, 0), noErr);
  EXPECT_EQ(mState->mParameters[5], 0.125f);
  ASSERT_EQ(log.events.size(), 1u);
  EXPECT_EQ(log.events[0].value, 0.125f);
  EXPECT_EQ(parameterLog.calls, 1);
  EXPECT_EQ(parameterLog.id, 5u);
  EXPECT_EQ(parameterLog.value, 0.125f);

  AudioUnitParameter p6 = {mUnit, 6, kAudioUnitScope_Global, 0};
  EXPECT_EQ(AUParameterListenerNotify(nullptr, nullptr, &p6), noErr);
  EXPECT_EQ(log.events.size(), 2u);
  EXPECT_EQ(parameterLog.calls, 1);

  AudioUnitParameter bad = {mUnit, 99, kAudioUnitScope_Global, 0};
  EXPECT_EQ(AUParameterSet(nullptr, nullptr, &bad, 1.0f, 0), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(log.events.size(), 2u);

  EXPECT_EQ(AUListenerDispose(parameterListener), noErr);
  EXPECT_EQ(AUListenerDispose(any), noErr);
  EXPECT_EQ(AUEventListenerCreate(nullptr, nullptr, nullptr, nullptr, 0, 0, &any), paramErr);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), paramErr);
  AudioUnitEvent onNothing = ParameterEvent(kAudioUnitEvent_ParameterValueChange, nullptr, 1);
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, nullptr, nullptr, 0, 0, &listener), noErr);
  EXPECT_EQ(AUEventListenerAddEventType(listener, nullptr, &onNothing), badComponentInstance);
  EXPECT_EQ(AUListenerDispose(listener), noErr);
}

TEST_F(EventListeners, PropertyChangesArriveThroughTheUnitsPropertyListeners) {
  Log log;
  AUEventListenerRef first = nullptr, second = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, nullptr, nullptr, 0, 0, &first), noErr);
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, nullptr, nullptr, 0, 0, &second), noErr);
  AudioUnitEvent latency = PropertyEvent(mUnit, kAudioUnitProperty_Latency);
  ASSERT_EQ(AUEventListenerAddEventType(first, nullptr, &latency), noErr);
  ASSERT_EQ(AUEventListenerAddEventType(second, nullptr, &latency), noErr);
  EXPECT_EQ(mState->mListenerCount, 1);  // one property listener on the unit serves both

  // The unit calls its property listeners when the property is set.
  EXPECT_EQ(AudioUnitSetProperty(mUnit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, nullptr, 0), noErr);
  ASSERT_EQ(log.events.size(), 2u);
  EXPECT_EQ(log.events[0].event.mEventType, kAudioUnitEvent_PropertyChange);
  EXPECT_EQ(log.events[0].event.mArgument.mProperty.mPropertyID, kAudioUnitProperty_Latency);
  EXPECT_EQ(log.events[0].event.mArgument.mProperty.mAudioUnit, mUnit);
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, nullptr, 0);
  EXPECT_EQ(log.events.size(), 2u);

  ASSERT_EQ(AUEventListenerRemoveEventType(first, nullptr, &latency), noErr);
  EXPECT_EQ(mState->mListenerCount, 1);
  EXPECT_EQ(AUListenerDispose(second), noErr);
  EXPECT_EQ(mState->mListenerCount, 0);  // the last registration took the unit's listener away

  // Closing a unit takes its registrations with it.
  ASSERT_EQ(AUEventListenerAddEventType(first, nullptr, &latency), noErr);
  EXPECT_EQ(mState->mListenerCount, 1);
  int listenersAtClose = -1;
  mState->mOnClose = [](TestComponentState* s, void* context) { *static_cast<int*>(context) = s->mListenerCount; };
  mState->mCloseContext = &listenersAtClose;
  EXPECT_EQ(AudioComponentInstanceDispose(mUnit), noErr);
  EXPECT_EQ(listenersAtClose, 0);
  AudioUnit closed = mUnit;
  mUnit = nullptr;
  AudioUnitEvent stale = PropertyEvent(closed, kAudioUnitProperty_Latency);
  EXPECT_EQ(AUEventListenerRemoveEventType(first, nullptr, &stale), noErr);
  EXPECT_EQ(AUListenerDispose(first), noErr);
}

TEST_F(EventListeners, AListenerMayDisposeItselfFromItsCallback) {
  struct Self {
    AUEventListenerRef listener = nullptr;
    int calls = 0;
  } self;
  ASSERT_EQ(AUEventListenerCreate(
                [](void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {
                  auto* s = static_cast<Self*>(refCon);
                  ++s->calls;
                  EXPECT_EQ(AUListenerDispose(s->listener), noErr);
                },
                &self, nullptr, nullptr, 0, 0, &self.listener),
            noErr);
  AudioUnitEvent event = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 1);
  ASSERT_EQ(AUEventListenerAddEventType(self.listener, nullptr, &event), noErr);
  AUEventListenerNotify(nullptr, nullptr, &event);
  AUEventListenerNotify(nullptr, nullptr, &event);
  EXPECT_EQ(self.calls, 1);
}

class EventListenerConcurrency : public EventListeners {};

TEST_F(EventListenerConcurrency, NoCallbackRunsOnceDisposeReturns) {
  std::atomic<bool> disposed{false};
  std::atomic<int> lateCalls{0};
  std::atomic<int> calls{0};
  struct Context {
    std::atomic<bool>* disposed;
    std::atomic<int>* late;
    std::atomic<int>* calls;
  } context{&disposed, &lateCalls, &calls};
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(
                [](void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {
                  auto* c = static_cast<Context*>(refCon);
                  c->calls->fetch_add(1);
                  if (c->disposed->load()) c->late->fetch_add(1);
                },
                &context, nullptr, nullptr, 0, 0, &listener),
            noErr);
  AudioUnitEvent gesture = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 2);
  ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &gesture), noErr);

  std::atomic<bool> stop{false};
  std::vector<std::thread> notifiers;
  for (int t = 0; t < 3; ++t) {
    notifiers.emplace_back([&] {
      while (!stop.load()) AUEventListenerNotify(nullptr, nullptr, &gesture);
    });
  }
  // Registrations come and go on another listener meanwhile.
  Log log;
  AUEventListenerRef churn = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &log, nullptr, nullptr, 0, 0, &churn), noErr);
  for (int i = 0; i < 200; ++i) {
    AUEventListenerAddEventType(churn, nullptr, &gesture);
    AUEventListenerRemoveEventType(churn, nullptr, &gesture);
  }
  while (calls.load() < 100) std::this_thread::yield();
  ASSERT_EQ(AUListenerDispose(listener), noErr);
  disposed.store(true);
  int callsAtDispose = calls.load();
  for (int i = 0; i < 100; ++i) std::this_thread::yield();
  stop.store(true);
  for (auto& thread : notifiers) thread.join();
  EXPECT_EQ(lateCalls.load(), 0);
  EXPECT_EQ(calls.load(), callsAtDispose);
  EXPECT_EQ(AUListenerDispose(churn), noErr);
}

}  // namespace

namespace {

// A host listener that calls back into the unit, notified from two threads while one of
// them holds the unit's (recursive) lock, as a plug-in does when its editor changes a value.
TEST_F(EventListenerConcurrency, CallbacksIntoTheUnitFromTwoThreadsDoNotDeadlock) {
  struct Shared {
    std::recursive_mutex unitLock;
    std::atomic<int> calls{0};
  } shared;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(
                [](void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {
                  auto* s = static_cast<Shared*>(refCon);
                  std::lock_guard<std::recursive_mutex> lock(s->unitLock);
                  s->calls.fetch_add(1);
                },
                &shared, nullptr, nullptr, 0, 0, &listener),
            noErr);
  AudioUnitEvent gesture = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 1);
  ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &gesture), noErr);
  constexpr int kRounds = 2000;
  std::thread host([&] {
    for (int i = 0; i < kRounds; ++i) AUEventListenerNotify(nullptr, nullptr, &gesture);
  });
  std::thread editor([&] {
    for (int i = 0; i < kRounds; ++i) {
      std::lock_guard<std::recursive_mutex> lock(shared.unitLock);
      AUEventListenerNotify(nullptr, nullptr, &gesture);
    }
  });
  host.join();
  editor.join();
  EXPECT_EQ(shared.calls.load(), 2 * kRounds);
  EXPECT_EQ(AUListenerDispose(listener), noErr);
}

}  // namespace
