/* AudioUnit.h — the Audio Unit framework of the platform layer. */
#ifndef AUDIOUNIT_H
#define AUDIOUNIT_H

#include <AudioUnit/AudioComponent.h>
#include <AudioUnit/AUComponent.h>
#include <AudioUnit/AudioUnitProperties.h>
#include <AudioUnit/MusicDevice.h>
#include <AudioUnit/AudioUnitCarbonView.h>
#include <AudioUnit/AUCocoaUIView.h>

#endif /* AUDIOUNIT_H */
