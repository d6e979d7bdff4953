// The Audio Unit and music-device host calls: each packs its arguments into a
// ComponentParameters block on the stack and calls the instance's entry. No lock, no
// allocation: AudioUnitRender costs a few stores and one indirect call.
#include "platform/src/Registry.h"

#include <AudioToolbox/AudioToolbox.h>

#include <cstddef>
#include <cstring>

// The published layouts that components and hosts compiled elsewhere rely on.
static_assert(sizeof(ComponentDescription) == 20, "ComponentDescription layout");
static_assert(sizeof(AudioComponentDescription) == 20, "AudioComponentDescription layout");
static_assert(offsetof(ComponentParameters, params) == 8, "ComponentParameters layout");
static_assert(sizeof(AudioStreamBasicDescription) == 40, "AudioStreamBasicDescription layout");
static_assert(sizeof(AudioUnitParameterInfo) == 104, "AudioUnitParameterInfo layout");
static_assert(offsetof(AudioUnitParameterInfo, flags) == 96, "AudioUnitParameterInfo flags");
static_assert(sizeof(AUPreset) == 16, "AUPreset layout");
static_assert(sizeof(AudioTimeStamp) == 64, "AudioTimeStamp layout");
static_assert(sizeof(AudioBufferList) == 24 && offsetof(AudioBufferList, mBuffers) == 8, "AudioBufferList layout");
static_assert(sizeof(AURenderCallbackStruct) == 16, "AURenderCallbackStruct layout");
static_assert(sizeof(AudioUnitConnection) == 16, "AudioUnitConnection layout");
static_assert(sizeof(AUChannelInfo) == 4, "AUChannelInfo layout");
static_assert(sizeof(AudioUnitCocoaViewInfo) == 16, "AudioUnitCocoaViewInfo layout");
static_assert(sizeof(HostCallbackInfo) == 32, "HostCallbackInfo layout");
static_assert(sizeof(AUHostIdentifier) == 16, "AUHostIdentifier layout");
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24, "string-from-value record");
static_assert(sizeof(AudioUnitParameterIDName) == 16, "parameter-name record");
static_assert(sizeof(AudioUnitParameterValueFromString) == 24, "value-from-string record");
static_assert(sizeof(AudioUnitParameterEvent) == 32, "AudioUnitParameterEvent layout");
static_assert(sizeof(AudioUnitEvent) == 32, "AudioUnitEvent layout");
static_assert(sizeof(AudioChannelLayout) == 32, "AudioChannelLayout layout");
static_assert(badComponentSelector == static_cast<int>(0x80008002), "badComponentSelector");
static_assert(kAudioUnitParameterFlag_IsReadable + kAudioUnitParameterFlag_HasCFNameString +
                      kAudioUnitParameterFlag_CFNameRelease == 0x48000010,
              "parameter flags");
static_assert(kAudioChannelLayoutTag_Stereo == 0x00650002 && kAudioChannelLayoutTag_Mono == 0x00640001,
              "channel layout tags");

namespace {

template <size_t N>
struct ParameterBlock {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  long params[N];
};
static_assert(offsetof(ParameterBlock<4>, params) == offsetof(ComponentParameters, params),
              "the block must have the platform's layout");
static_assert(sizeof(long) == 8, "the 64-bit slot convention needs 8-byte slots");

// Each argument fills one 8-byte slot from its first byte.
inline long Slot(UInt32 value) { return static_cast<long>(value); }
inline long Slot(Float32 value) {
  long slot = 0;
  memcpy(&slot, &value, sizeof value);
  return slot;
}
inline long Slot(const void* pointer) { return reinterpret_cast<long>(pointer); }
template <typename R, typename... A>
inline long Slot(R (*function)(A...)) {
  return reinterpret_cast<long>(function);
}

// Instance in slot 0, the arguments in slots 1, 2, ... in declared order.
template <typename... Args>
inline OSStatus CallUnchecked(ComponentInstance unit, SInt16 selector, Args... args) {
  ParameterBlock<1 + sizeof...(Args)> block;
  block.flags = 0;
  block.paramSize = static_cast<UInt8>(sizeof...(Args) * sizeof(long));
  block.what = selector;
  block.padding = 0;
  block.params[0] = reinterpret_cast<long>(unit);
  size_t slot = 1;
  ((block.params[slot++] = Slot(args)), ...);
  (void)slot;
  return platform::Dispatch(unit, reinterpret_cast<ComponentParameters*>(&block));
}

template <typename... Args>
inline OSStatus Call(ComponentInstance unit, SInt16 selector, Args... args) {
  if (!platform::IsOpenInstance(unit)) return badComponentInstance;
  return CallUnchecked(unit, selector, args...);
}

}  // namespace

namespace platform {

OSStatus RemovePropertyListenerWhileClosing(AudioUnit unit, AudioUnitPropertyID id,
                                            AudioUnitPropertyListenerProc proc, void* userData) {
  return CallUnchecked(unit, kAudioUnitRemovePropertyListenerWithUserDataSelect, id, proc,
                       static_cast<const void*>(userData));
}

}  // namespace platform

OSStatus AudioUnitInitialize(AudioUnit inUnit) { return Call(inUnit, kAudioUnitInitializeSelect); }

OSStatus AudioUnitUninitialize(AudioUnit inUnit) { return Call(inUnit, kAudioUnitUninitializeSelect); }

OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                  AudioUnitElement inElement, UInt32* outDataSize, Boolean* outWritable) {
  return Call(inUnit, kAudioUnitGetPropertyInfoSelect, inID, inScope, inElement, static_cast<const void*>(outDataSize),
              static_cast<const void*>(outWritable));
}

OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize) {
  return Call(inUnit, kAudioUnitGetPropertySelect, inID, inScope, inElement, static_cast<const void*>(outData),
              static_cast<const void*>(ioDataSize));
}

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize) {
  return Call(inUnit, kAudioUnitSetPropertySelect, inID, inScope, inElement, inData, inDataSize);
}

OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitPropertyListenerProc inProc,
                                      void* inProcUserData) {
  return Call(inUnit, kAudioUnitAddPropertyListenerSelect, inID, inProc, static_cast<const void*>(inProcUserData));
}

OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                         AudioUnitPropertyListenerProc inProc) {
  return Call(inUnit, kAudioUnitRemovePropertyListenerSelect, inID, inProc);
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc, void* inProcUserData) {
  return Call(inUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect, inID, inProc,
              static_cast<const void*>(inProcUserData));
}

OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  return Call(inUnit, kAudioUnitAddRenderNotifySelect, inProc, static_cast<const void*>(inProcUserData));
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  return Call(inUnit, kAudioUnitRemoveRenderNotifySelect, inProc, static_cast<const void*>(inProcUserData));
}

OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue) {
  return Call(inUnit, kAudioUnitGetParameterSelect, inID, inScope, inElement, static_cast<const void*>(outValue));
}

OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames) {
  return Call(inUnit, kAudioUnitSetParameterSelect, inID, inScope, inElement, inValue, inBufferOffsetInFrames);
}

OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inParameterEvent,
                                     UInt32 inNumParamEvents) {
  return Call(inUnit, kAudioUnitScheduleParametersSelect, static_cast<const void*>(inParameterEvent),
              inNumParamEvents);
}

OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                         AudioBufferList* ioData) {
  return Call(inUnit, kAudioUnitRenderSelect, static_cast<const void*>(ioActionFlags),
              static_cast<const void*>(inTimeStamp), inOutputBusNumber, inNumberFrames,
              static_cast<const void*>(ioData));
}

OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement) {
  return Call(inUnit, kAudioUnitResetSelect, inScope, inElement);
}

OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                              UInt32 inOffsetSampleFrame) {
  return Call(inUnit, kMusicDeviceMIDIEventSelect, inStatus, inData1, inData2, inOffsetSampleFrame);
}

OSStatus MusicDeviceSysEx(MusicDeviceComponent inUnit, const UInt8* inData, UInt32 inLength) {
  return Call(inUnit, kMusicDeviceSysExSelect, static_cast<const void*>(inData), inLength);
}

OSStatus MusicDeviceStartNote(MusicDeviceComponent inUnit, MusicDeviceInstrumentID inInstrument,
                              MusicDeviceGroupID inGroupID, NoteInstanceID* outNoteInstanceID,
                              UInt32 inOffsetSampleFrame, const MusicDeviceNoteParams* inParams) {
  return Call(inUnit, kMusicDeviceStartNoteSelect, inInstrument, inGroupID, static_cast<const void*>(outNoteInstanceID),
              inOffsetSampleFrame, static_cast<const void*>(inParams));
}

OSStatus MusicDeviceStopNote(MusicDeviceComponent inUnit, MusicDeviceGroupID inGroupID,
                             NoteInstanceID inNoteInstanceID, UInt32 inOffsetSampleFrame) {
  return Call(inUnit, kMusicDeviceStopNoteSelect, inGroupID, inNoteInstanceID, inOffsetSampleFrame);
}

OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit, WindowRef inWindow,
                                   ControlRef inParentControl, const Float32Point* inLocation,
                                   const Float32Point* inSize, ControlRef* outControl) {
  if (!platform::IsOpenInstance(inView)) return badComponentInstance;
  // This selector keeps the older reversed order: the last argument in slot 0.
  ParameterBlock<6> block = {0, 5 * sizeof(long), kAudioUnitCarbonViewCreateSelect, 0,
                             {Slot(static_cast<const void*>(outControl)), Slot(static_cast<const void*>(inSize)),
                              Slot(static_cast<const void*>(inLocation)), Slot(static_cast<const void*>(inParentControl)),
                              Slot(static_cast<const void*>(inWindow)), Slot(static_cast<const void*>(inAudioUnit))}};
  return platform::Dispatch(inView, reinterpret_cast<ComponentParameters*>(&block));
}
