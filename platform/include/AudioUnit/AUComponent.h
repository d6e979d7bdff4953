/* AUComponent.h — the Audio Unit component interface: types, selectors, statuses and the
 * host calls. Each host call packs its arguments into a ComponentParameters block (the
 * instance in slot 0, the arguments in slots 1, 2, ... in declared order, see
 * <CoreServices/Components.h>) and calls the instance's entry routine on the calling
 * thread. The calls take no lock and allocate nothing. A NULL or closed unit gives
 * badComponentInstance. */
#ifndef AUCOMPONENT_H
#define AUCOMPONENT_H

#include <CoreAudio/CoreAudioTypes.h>
#include <CoreServices/CoreServices.h>
#include <AudioUnit/AudioComponent.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef AudioComponentInstance AudioUnit;

enum {
  kAudioUnitType_Output = 0x61756f75,        /* 'auou' */
  kAudioUnitType_MusicDevice = 0x61756d75,   /* 'aumu' */
  kAudioUnitType_MusicEffect = 0x61756d66,   /* 'aumf' */
  kAudioUnitType_FormatConverter = 0x61756663, /* 'aufc' */
  kAudioUnitType_Effect = 0x61756678,        /* 'aufx' */
  kAudioUnitType_Mixer = 0x61756d78,         /* 'aumx' */
  kAudioUnitType_Panner = 0x6175706e,        /* 'aupn' */
  kAudioUnitType_Generator = 0x6175676e,     /* 'augn' */
  kAudioUnitType_OfflineEffect = 0x61756f6c, /* 'auol' */
  kAudioUnitType_MIDIProcessor = 0x61756d69  /* 'aumi' */
};

enum { kAudioUnitManufacturer_Apple = 0x6170706c /* 'appl' */ };

typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;

enum {
  kAudioUnitScope_Global = 0,
  kAudioUnitScope_Input = 1,
  kAudioUnitScope_Output = 2,
  kAudioUnitScope_Group = 3,
  kAudioUnitScope_Part = 4,
  kAudioUnitScope_Note = 5,
  kAudioUnitScope_Layer = 6,
  kAudioUnitScope_LayerItem = 7
};

typedef UInt32 AudioUnitRenderActionFlags;
enum {
  kAudioUnitRenderAction_PreRender = (1U << 2),
  kAudioUnitRenderAction_PostRender = (1U << 3),
  kAudioUnitRenderAction_OutputIsSilence = (1U << 4),
  kAudioOfflineUnitRenderAction_Preflight = (1U << 5),
  kAudioOfflineUnitRenderAction_Render = (1U << 6),
  kAudioOfflineUnitRenderAction_Complete = (1U << 7),
  kAudioUnitRenderAction_PostRenderError = (1U << 8),
  kAudioUnitRenderAction_DoNotCheckRenderArgs = (1U << 9)
};

enum {
  kAudioUnitErr_InvalidProperty = -10879,
  kAudioUnitErr_InvalidParameter = -10878,
  kAudioUnitErr_InvalidElement = -10877,
  kAudioUnitErr_NoConnection = -10876,
  kAudioUnitErr_FailedInitialization = -10875,
  kAudioUnitErr_TooManyFramesToProcess = -10874,
  kAudioUnitErr_InvalidFile = -10871,
  kAudioUnitErr_UnknownFileType = -10870,
  kAudioUnitErr_FileNotSpecified = -10869,
  kAudioUnitErr_FormatNotSupported = -10868,
  kAudioUnitErr_Uninitialized = -10867,
  kAudioUnitErr_InvalidScope = -10866,
  kAudioUnitErr_PropertyNotWritable = -10865,
  kAudioUnitErr_CannotDoInCurrentContext = -10863,
  kAudioUnitErr_InvalidPropertyValue = -10851,
  kAudioUnitErr_PropertyNotInUse = -10850,
  kAudioUnitErr_Initialized = -10849,
  kAudioUnitErr_InvalidOfflineRender = -10848,
  kAudioUnitErr_Unauthorized = -10847,
  kAudioUnitErr_MIDIOutputBufferFull = -66753,
  kAudioUnitErr_RenderTimeout = -66745,
  kAudioUnitErr_ExtensionNotFound = -66744,
  kAudioUnitErr_InvalidParameterValue = -66743,
  kAudioUnitErr_InvalidFilePath = -66742,
  kAudioUnitErr_MissingKey = -66741
};

typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber, UInt32 inNumberFrames,
                                     AudioBufferList* ioData);

typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit, AudioUnitPropertyID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement);

typedef UInt32 AUParameterEventType;
enum {
  kParameterEvent_Immediate = 1,
  kParameterEvent_Ramped = 2
};

typedef struct AudioUnitParameterEvent {
  AudioUnitScope scope;
  AudioUnitElement element;
  AudioUnitParameterID parameter;
  AUParameterEventType eventType;
  union {
    struct {
      SInt32 startBufferOffset;
      UInt32 durationInFrames;
      AudioUnitParameterValue startValue;
      AudioUnitParameterValue endValue;
    } ramp;
    struct {
      UInt32 bufferOffset;
      AudioUnitParameterValue value;
    } immediate;
  } eventValues;
} AudioUnitParameterEvent;

typedef struct AudioUnitParameter {
  AudioUnit mAudioUnit;
  AudioUnitParameterID mParameterID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitParameter;

typedef struct AudioUnitProperty {
  AudioUnit mAudioUnit;
  AudioUnitPropertyID mPropertyID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitProperty;

/* Fast-dispatch function types (what kAudioUnitProperty_FastDispatch hands out). */
typedef OSStatus (*AudioUnitGetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue* outValue);
typedef OSStatus (*AudioUnitSetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue inValue, UInt32 inBufferOffsetInFrames);
typedef OSStatus (*AudioUnitRenderProc)(void* inComponentStorage, AudioUnitRenderActionFlags* ioActionFlags,
                                        const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                        UInt32 inNumberFrames, AudioBufferList* ioData);

enum {
  kAudioUnitRange = 0x0000,
  kAudioUnitInitializeSelect = 0x0001,
  kAudioUnitUninitializeSelect = 0x0002,
  kAudioUnitGetPropertyInfoSelect = 0x0003,
  kAudioUnitGetPropertySelect = 0x0004,
  kAudioUnitSetPropertySelect = 0x0005,
  kAudioUnitAddPropertyListenerSelect = 0x000A,
  kAudioUnitRemovePropertyListenerSelect = 0x000B,
  kAudioUnitRemovePropertyListenerWithUserDataSelect = 0x0012,
  kAudioUnitAddRenderNotifySelect = 0x000F,
  kAudioUnitRemoveRenderNotifySelect = 0x0010,
  kAudioUnitGetParameterSelect = 0x0006,
  kAudioUnitSetParameterSelect = 0x0007,
  kAudioUnitScheduleParametersSelect = 0x0011,
  kAudioUnitRenderSelect = 0x000E,
  kAudioUnitResetSelect = 0x0009,
  kAudioUnitComplexRenderSelect = 0x0013,
  kAudioUnitProcessSelect = 0x0014,
  kAudioUnitProcessMultipleSelect = 0x0015
};

__PLATFORM_EXPORT OSStatus AudioUnitInitialize(AudioUnit inUnit);
__PLATFORM_EXPORT OSStatus AudioUnitUninitialize(AudioUnit inUnit);
__PLATFORM_EXPORT OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                                    AudioUnitElement inElement, UInt32* outDataSize,
                                                    Boolean* outWritable);
__PLATFORM_EXPORT OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                                AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
__PLATFORM_EXPORT OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                                AudioUnitElement inElement, const void* inData, UInt32 inDataSize);
__PLATFORM_EXPORT OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                        AudioUnitPropertyListenerProc inProc, void* inProcUserData);
__PLATFORM_EXPORT OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                           AudioUnitPropertyListenerProc inProc);
__PLATFORM_EXPORT OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                                       AudioUnitPropertyListenerProc inProc,
                                                                       void* inProcUserData);
__PLATFORM_EXPORT OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);
__PLATFORM_EXPORT OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                                       void* inProcUserData);
__PLATFORM_EXPORT OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                                 AudioUnitElement inElement, AudioUnitParameterValue* outValue);
__PLATFORM_EXPORT OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                                 AudioUnitElement inElement, AudioUnitParameterValue inValue,
                                                 UInt32 inBufferOffsetInFrames);
__PLATFORM_EXPORT OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inParameterEvent,
                                                       UInt32 inNumParamEvents);
__PLATFORM_EXPORT OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                                           const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                           UInt32 inNumberFrames, AudioBufferList* ioData);
__PLATFORM_EXPORT OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement);

#ifdef __cplusplus
}
#endif

#endif /* AUCOMPONENT_H */
