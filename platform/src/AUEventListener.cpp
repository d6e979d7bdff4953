// Parameter and event listeners, delivered synchronously on the notifying thread.
#include "platform/src/Registry.h"

#include <AudioToolbox/AudioToolbox.h>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace {

constexpr UInt32 kListenerMagic = 0x4c73746e;  // 'Lstn'

struct Registration {
  void* mObject;
  AudioUnitEvent mEvent;
};

}  // namespace

struct AUListenerBase {
  UInt32 mMagic = kListenerMagic;
  AUEventListenerProc mEventProc = nullptr;
  AUParameterListenerProc mParameterProc = nullptr;
  void* mRefCon = nullptr;
  std::vector<Registration> mRegistrations;  // guarded by the table lock
  // Callbacks run without any lock held (two threads may deliver to one listener at once,
  // and a callback may call back into the unit). Disposing marks the listener and waits
  // until the callbacks in flight on other threads have returned.
  std::mutex mStateLock;
  std::condition_variable mIdle;
  int mInFlight = 0;       // guarded by mStateLock
  bool mDisposed = false;  // guarded by mStateLock
};

namespace {

using PropertyKey = std::pair<AudioUnit, AudioUnitPropertyID>;

// Listeners whose callbacks are running on this thread (a callback may dispose its own).
thread_local std::vector<AUListenerBase*> tDelivering;

struct Table {
  std::mutex mLock;
  std::vector<std::shared_ptr<AUListenerBase>> mListeners;  // in creation order
  std::map<PropertyKey, int> mPropertyHooks;                 // registrations per (unit, property)
};

Table& GetTable() {
  static Table* const sTable = new Table();  // outlives static destructors that notify
  return *sTable;
}

bool IsParameterEvent(AudioUnitEventType type) {
  return type == kAudioUnitEvent_ParameterValueChange || type == kAudioUnitEvent_BeginParameterChangeGesture ||
         type == kAudioUnitEvent_EndParameterChangeGesture;
}

bool SameRegistration(const AudioUnitEvent& a, const AudioUnitEvent& b) {
  if (a.mEventType != b.mEventType) return false;
  if (a.mEventType == kAudioUnitEvent_PropertyChange) {
    const AudioUnitProperty &x = a.mArgument.mProperty, &y = b.mArgument.mProperty;
    return x.mAudioUnit == y.mAudioUnit && x.mPropertyID == y.mPropertyID && x.mScope == y.mScope &&
           x.mElement == y.mElement;
  }
  const AudioUnitParameter &x = a.mArgument.mParameter, &y = b.mArgument.mParameter;
  return x.mAudioUnit == y.mAudioUnit && x.mParameterID == y.mParameterID && x.mScope == y.mScope &&
         x.mElement == y.mElement;
}

// Whether a registration hears the event (the registration's parameter id may be "any").
bool Hears(const AudioUnitEvent& registered, const AudioUnitEvent& event) {
  if (registered.mEventType != event.mEventType) return false;
  if (event.mEventType == kAudioUnitEvent_PropertyChange) return SameRegistration(registered, event);
  const AudioUnitParameter &r = registered.mArgument.mParameter, &e = event.mArgument.mParameter;
  return r.mAudioUnit == e.mAudioUnit && r.mScope == e.mScope && r.mElement == e.mElement &&
         (r.mParameterID == kAUParameterListener_AnyParameter || r.mParameterID == e.mParameterID);
}

UInt64 HostTime() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<UInt64>(now.tv_sec) * 1000000000ULL + static_cast<UInt64>(now.tv_nsec);
}

std::shared_ptr<AUListenerBase> Find(Table& table, AUListenerBase* listener) {
  for (auto& entry : table.mListeners) {
    if (entry.get() == listener) return entry;
  }
  return nullptr;
}

void PropertyTrampoline(void*, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                        AudioUnitElement element) {
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_PropertyChange;
  event.mArgument.mProperty = AudioUnitProperty{unit, id, scope, element};
  AUEventListenerNotify(nullptr, nullptr, &event);
}

OSStatus CreateListener(AUEventListenerProc eventProc, AUParameterListenerProc parameterProc, void* refCon,
                        AUListenerBase** out) {
  if (!out || (!eventProc && !parameterProc)) return paramErr;
  auto listener = std::make_shared<AUListenerBase>();
  listener->mEventProc = eventProc;
  listener->mParameterProc = parameterProc;
  listener->mRefCon = refCon;
  Table& table = GetTable();
  std::lock_guard<std::mutex> lock(table.mLock);
  table.mListeners.push_back(listener);
  *out = listener.get();
  return noErr;
}

OSStatus AddRegistration(AUListenerBase* listener, void* object, const AudioUnitEvent& event) {
  if (event.mEventType > kAudioUnitEvent_PropertyChange) return paramErr;
  AudioUnit unit = event.mEventType == kAudioUnitEvent_PropertyChange ? event.mArgument.mProperty.mAudioUnit
                                                                        : event.mArgument.mParameter.mAudioUnit;
  if (!platform::IsOpenInstance(unit)) return badComponentInstance;
  Table& table = GetTable();
  bool hook = false;
  {
    std::lock_guard<std::mutex> lock(table.mLock);
    auto held = Find(table, listener);
    if (!held) return paramErr;
    for (const Registration& r : held->mRegistrations) {
      if (r.mObject == object && SameRegistration(r.mEvent, event)) return noErr;
    }
    held->mRegistrations.push_back(Registration{object, event});
    if (event.mEventType == kAudioUnitEvent_PropertyChange) {
      hook = table.mPropertyHooks[PropertyKey(unit, event.mArgument.mProperty.mPropertyID)]++ == 0;
    }
  }
  // The unit is called without the table lock: it may be notifying its listeners now.
  if (hook) AudioUnitAddPropertyListener(unit, event.mArgument.mProperty.mPropertyID, PropertyTrampoline, nullptr);
  return noErr;
}

// Drops one property-hook reference; true when the unit's property listener must go.
bool ReleaseHook(Table& table, const AudioUnitEvent& event) {
  if (event.mEventType != kAudioUnitEvent_PropertyChange) return false;
  auto found = table.mPropertyHooks.find(
      PropertyKey(event.mArgument.mProperty.mAudioUnit, event.mArgument.mProperty.mPropertyID));
  if (found == table.mPropertyHooks.end()) return false;
  if (--found->second > 0) return false;
  table.mPropertyHooks.erase(found);
  return true;
}

void Unhook(const std::vector<PropertyKey>& keys) {
  for (const PropertyKey& key : keys) {
    // A unit closed meanwhile has taken its listener list with it.
    AudioUnitRemovePropertyListenerWithUserData(key.first, key.second, PropertyTrampoline, nullptr);
  }
}

OSStatus RemoveRegistration(AUListenerBase* listener, void* object, const AudioUnitEvent& event) {
  Table& table = GetTable();
  std::vector<PropertyKey> unhook;
  {
    std::lock_guard<std::mutex> lock(table.mLock);
    auto held = Find(table, listener);
    if (!held) return paramErr;
    auto& list = held->mRegistrations;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (it->mObject == object && SameRegistration(it->mEvent, event)) {
        if (ReleaseHook(table, it->mEvent)) {
          unhook.emplace_back(event.mArgument.mProperty.mAudioUnit, event.mArgument.mProperty.mPropertyID);
        }
        list.erase(it);
        break;
      }
    }
  }
  Unhook(unhook);
  return noErr;
}

void Deliver(AUListenerBase* sending, void* sendingObject, const AudioUnitEvent& event) {
  struct Target {
    std::shared_ptr<AUListenerBase> listener;
    void* object;
  };
  std::vector<Target> targets;
  {
    Table& table = GetTable();
    std::lock_guard<std::mutex> lock(table.mLock);
    for (auto& listener : table.mListeners) {
      if (listener.get() == sending) continue;
      for (const Registration& r : listener->mRegistrations) {
        if (sendingObject && r.mObject == sendingObject) continue;
        if (Hears(r.mEvent, event)) targets.push_back(Target{listener, r.mObject});
      }
    }
  }
  if (targets.empty()) return;
  AudioUnitParameterValue value = 0.0f;
  if (event.mEventType == kAudioUnitEvent_ParameterValueChange) {
    const AudioUnitParameter& p = event.mArgument.mParameter;
    AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value);
  }
  const UInt64 time = HostTime();
  for (Target& target : targets) {
    AUListenerBase* listener = target.listener.get();
    {
      std::lock_guard<std::mutex> state(listener->mStateLock);
      if (listener->mDisposed) continue;
      ++listener->mInFlight;
    }
    tDelivering.push_back(listener);
    if (listener->mEventProc) {
      listener->mEventProc(listener->mRefCon, target.object, &event, time, value);
    } else if (listener->mParameterProc && event.mEventType == kAudioUnitEvent_ParameterValueChange) {
      listener->mParameterProc(listener->mRefCon, target.object, &event.mArgument.mParameter, value);
    }
    tDelivering.pop_back();
    {
      std::lock_guard<std::mutex> state(listener->mStateLock);
      --listener->mInFlight;
    }
    listener->mIdle.notify_all();
  }
}

AudioUnitEvent ValueChange(const AudioUnitParameter& parameter) {
  AudioUnitEvent event{};
  event.mEventType = kAudioUnitEvent_ParameterValueChange;
  event.mArgument.mParameter = parameter;
  return event;
}

}  // namespace

namespace platform {

void ForgetUnitListeners(AudioUnit unit) {
  Table& table = GetTable();
  std::vector<PropertyKey> unhook;
  {
    std::lock_guard<std::mutex> lock(table.mLock);
    for (auto& listener : table.mListeners) {
      auto& list = listener->mRegistrations;
      list.erase(std::remove_if(list.begin(), list.end(),
                                [unit](const Registration& r) {
                                  return r.mEvent.mEventType == kAudioUnitEvent_PropertyChange
                                             ? r.mEvent.mArgument.mProperty.mAudioUnit == unit
                                             : r.mEvent.mArgument.mParameter.mAudioUnit == unit;
                                }),
                 list.end());
    }
    for (auto it = table.mPropertyHooks.begin(); it != table.mPropertyHooks.end();) {
      if (it->first.first == unit) {
        unhook.push_back(it->first);
        it = table.mPropertyHooks.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const PropertyKey& key : unhook) {
    platform::RemovePropertyListenerWhileClosing(key.first, key.second, PropertyTrampoline, nullptr);
  }
}

}  // namespace platform

// ---------------------------------------------------------------------------------------
OSStatus AUParameterListenerCreate(AUParameterListenerProc inProc, void* inRefCon, CFRunLoopRef, CFStringRef,
                                   Float32, AUParameterListenerRef* outListener) {
  return CreateListener(nullptr, inProc, inRefCon, outListener);
}

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef, CFStringRef,
                               Float32, Float32, AUEventListenerRef* outListener) {
  return CreateListener(inProc, nullptr, inCallbackRefCon, outListener);
}

OSStatus AUListenerDispose(AUParameterListenerRef inListener) {
  Table& table = GetTable();
  std::shared_ptr<AUListenerBase> held;
  std::vector<PropertyKey> unhook;
  {
    std::lock_guard<std::mutex> lock(table.mLock);
    auto it = std::find_if(table.mListeners.begin(), table.mListeners.end(),
                           [inListener](const std::shared_ptr<AUListenerBase>& l) { return l.get() == inListener; });
    if (it == table.mListeners.end()) return paramErr;
    held = *it;
    table.mListeners.erase(it);
    for (const Registration& r : held->mRegistrations) {
      if (ReleaseHook(table, r.mEvent)) {
        unhook.emplace_back(r.mEvent.mArgument.mProperty.mAudioUnit, r.mEvent.mArgument.mProperty.mPropertyID);
      }
    }
    held->mRegistrations.clear();
  }
  Unhook(unhook);
  // Wait for callbacks running on other threads; those running on this one (the caller is
  // inside its own callback) finish after we return.
  const auto mine = std::count(tDelivering.begin(), tDelivering.end(), held.get());
  std::unique_lock<std::mutex> state(held->mStateLock);
  held->mDisposed = true;
  held->mIdle.wait(state, [&] { return held->mInFlight <= mine; });
  return noErr;
}

OSStatus AUListenerAddParameter(AUParameterListenerRef inListener, void* inObject,
                                const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  return AddRegistration(inListener, inObject, ValueChange(*inParameter));
}

OSStatus AUListenerRemoveParameter(AUParameterListenerRef inListener, void* inObject,
                                   const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  return RemoveRegistration(inListener, inObject, ValueChange(*inParameter));
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  return AddRegistration(inListener, inObject, *inEvent);
}

OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject,
                                        const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  return RemoveRegistration(inListener, inObject, *inEvent);
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  if (!IsParameterEvent(inEvent->mEventType) && inEvent->mEventType != kAudioUnitEvent_PropertyChange) {
    return paramErr;
  }
  Deliver(inSendingListener, inSendingObject, *inEvent);
  return noErr;
}

OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter) {
  if (!inParameter) return paramErr;
  Deliver(inSendingListener, inSendingObject, ValueChange(*inParameter));
  return noErr;
}

OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void* inSendingObject,
                        const AudioUnitParameter* inParameter, AudioUnitParameterValue inValue,
                        UInt32 inBufferOffsetInFrames) {
  if (!inParameter) return paramErr;
  OSStatus status = AudioUnitSetParameter(inParameter->mAudioUnit, inParameter->mParameterID, inParameter->mScope,
                                          inParameter->mElement, inValue, inBufferOffsetInFrames);
  if (status != noErr) return status;
  Deliver(inSendingListener, inSendingObject, ValueChange(*inParameter));
  return noErr;
}
