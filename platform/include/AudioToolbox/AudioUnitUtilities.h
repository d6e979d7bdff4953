/* AudioUnitUtilities.h — parameter and event listeners.
 *
 * A listener registers interest in events of a unit: parameter value changes, the begin
 * and end of a parameter-change gesture, and property changes. Parameter events match on
 * unit, parameter id, scope and element (kAUParameterListener_AnyParameter as the id
 * matches every parameter of the scope and element); property events on unit, property id,
 * scope and element.
 *
 * Delivery is synchronous: AUEventListenerNotify (and AUParameterSet,
 * AUParameterListenerNotify) call every matching listener on the notifying thread before
 * they return, in the order the listeners were created. The run loop, notification interval
 * and granularity given at creation are not used. For a value-change event the value passed
 * to the listener is read from the unit with AudioUnitGetParameter at notification time.
 * Property-change events are delivered when the unit calls its property listeners; for
 * that the first registration for a (unit, property) adds a property listener to the unit
 * and the last removal (or disposing of the unit) takes it away.
 *
 * Notifying takes a lock and may allocate: call it from the main or an editor thread, not
 * from the render thread. The sending listener, and listeners registered with the sending
 * object (when it is not NULL), are not notified. AUListenerDispose may be called from any thread, also from
 * inside the listener's own callback; once it returns on another thread, the listener's
 * callback is not running and will not be called again. */
#ifndef AUDIOUNITUTILITIES_H
#define AUDIOUNITUTILITIES_H

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFRunLoop.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { kAUParameterListener_AnyParameter = 0xFFFFFFFFU };

typedef UInt32 AudioUnitEventType;
enum {
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

typedef struct AudioUnitEvent {
  AudioUnitEventType mEventType;
  union {
    AudioUnitParameter mParameter; /* the three parameter events */
    AudioUnitProperty mProperty;   /* kAudioUnitEvent_PropertyChange */
  } mArgument;
} AudioUnitEvent;

typedef struct AUListenerBase* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

typedef void (*AUParameterListenerProc)(void* inRefCon, void* inObject, const AudioUnitParameter* inParameter,
                                        AudioUnitParameterValue inValue);
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject, const AudioUnitEvent* inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);

__PLATFORM_EXPORT OSStatus AUParameterListenerCreate(AUParameterListenerProc inProc, void* inRefCon,
                                                     CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                                                     Float32 inNotificationInterval,
                                                     AUParameterListenerRef* outListener);
__PLATFORM_EXPORT OSStatus AUListenerDispose(AUParameterListenerRef inListener);
/* A parameter listener hears value changes of the parameter. */
__PLATFORM_EXPORT OSStatus AUListenerAddParameter(AUParameterListenerRef inListener, void* inObject,
                                                  const AudioUnitParameter* inParameter);
__PLATFORM_EXPORT OSStatus AUListenerRemoveParameter(AUParameterListenerRef inListener, void* inObject,
                                                     const AudioUnitParameter* inParameter);
/* Sets the parameter on its unit, then notifies the listeners of the value change. */
__PLATFORM_EXPORT OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                          const AudioUnitParameter* inParameter, AudioUnitParameterValue inValue,
                                          UInt32 inBufferOffsetInFrames);
__PLATFORM_EXPORT OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                                     const AudioUnitParameter* inParameter);

__PLATFORM_EXPORT OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon,
                                                 CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                                                 Float32 inNotificationInterval, Float32 inValueChangeGranularity,
                                                 AUEventListenerRef* outListener);
__PLATFORM_EXPORT OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                                       const AudioUnitEvent* inEvent);
__PLATFORM_EXPORT OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject,
                                                          const AudioUnitEvent* inEvent);
__PLATFORM_EXPORT OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                                                 const AudioUnitEvent* inEvent);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOUNITUTILITIES_H */
