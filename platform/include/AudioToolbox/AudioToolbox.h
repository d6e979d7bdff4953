/* AudioToolbox.h — the AudioToolbox framework of the platform layer. */
#ifndef AUDIOTOOLBOX_H
#define AUDIOTOOLBOX_H

#include <AudioUnit/AudioUnit.h>
#include <AudioToolbox/AudioUnitUtilities.h>

#endif /* AUDIOTOOLBOX_H */
