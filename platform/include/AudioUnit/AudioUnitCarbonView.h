/* AudioUnitCarbonView.h — the Carbon editor-view component interface.
 *
 * The create call keeps the platform's older, reversed slot order: slot 0 the out-control
 * pointer, 1 the size, 2 the location, 3 the parent control, 4 the window, 5 the edited
 * unit. Windows and controls are opaque handles of the host's windowing system. */
#ifndef AUDIOUNITCARBONVIEW_H
#define AUDIOUNITCARBONVIEW_H

#include <AudioUnit/AUComponent.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueControlRef* ControlRef;
typedef ComponentInstance AudioUnitCarbonView;

typedef struct Float32Point {
  Float32 x;
  Float32 y;
} Float32Point;

enum {
  kAudioUnitCarbonViewComponentType = 0x61757677, /* 'auvw' */
  kAUCarbonViewSubType_Generic = 0x676e7263       /* 'gnrc' */
};

enum {
  kAudioUnitCarbonViewRange = 0x0300,
  kAudioUnitCarbonViewCreateSelect = 0x0301,
  kAudioUnitCarbonViewSetEventListenerSelect = 0x0302
};

__PLATFORM_EXPORT OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit,
                                                     WindowRef inWindow, ControlRef inParentControl,
                                                     const Float32Point* inLocation, const Float32Point* inSize,
                                                     ControlRef* outControl);

#ifdef __cplusplus
}
#endif

#endif /* AUDIOUNITCARBONVIEW_H */
