/* AudioComponent.h — the component registry as modern hosts use it. An AudioComponent is
 * the same registry entry as a Component, and an AudioComponentInstance is the same
 * instance as a ComponentInstance (see <CoreServices/Components.h> for loading, the
 * parameter-block convention and thread rules). */
#ifndef AUDIOCOMPONENT_H
#define AUDIOCOMPONENT_H

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct AudioComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} AudioComponentDescription;

typedef struct OpaqueAudioComponent* AudioComponent;
typedef struct ComponentInstanceRecord* AudioComponentInstance;

enum {
  kAudioComponentFlag_Unsearchable = 1,
  kAudioComponentFlag_SandboxSafe = 2,
  kAudioComponentFlag_IsV3AudioUnit = 4,
  kAudioComponentFlag_RequiresAsyncInstantiation = 8,
  kAudioComponentFlag_CanLoadInProcess = 0x10
};

enum {
  kAudioComponentErr_InstanceTimedOut = -66754,
  kAudioComponentErr_InstanceInvalidated = -66749,
  kAudioComponentErr_DuplicateDescription = -66752,
  kAudioComponentErr_UnsupportedType = -66751,
  kAudioComponentErr_TooManyInstances = -66750,
  kAudioComponentErr_NotPermitted = -66748,
  kAudioComponentErr_InitializationTimedOut = -66747,
  kAudioComponentErr_InvalidFormat = -66746
};

/* As FindNextComponent / CountComponents with the same matching rules. */
__PLATFORM_EXPORT AudioComponent AudioComponentFindNext(AudioComponent inComponent,
                                                        const AudioComponentDescription* inDesc);
__PLATFORM_EXPORT UInt32 AudioComponentCount(const AudioComponentDescription* inDesc);
__PLATFORM_EXPORT OSStatus AudioComponentGetDescription(AudioComponent inComponent,
                                                        AudioComponentDescription* outDesc);
/* The name as "Manufacturer: Name" (the bundle's declared name), owned by the caller. */
__PLATFORM_EXPORT OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName);
__PLATFORM_EXPORT OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion);
/* As OpenAComponent / CloseComponent. */
__PLATFORM_EXPORT OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                                     AudioComponentInstance* outInstance);
__PLATFORM_EXPORT OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);
__PLATFORM_EXPORT AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance);
__PLATFORM_EXPORT Boolean AudioComponentInstanceCanDo(AudioComponentInstance inInstance, SInt16 inSelectorID);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOCOMPONENT_H */
