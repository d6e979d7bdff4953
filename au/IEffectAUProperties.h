#pragma once
/* Properties that plug-ins built on the IEffectAU wrapper answer beyond the platform's own,
 * in the range left to plug-ins (64000 and up). A C header, so that any host can use it.
 *
 * kIEffectAUProperty_EditorImage (64000), global scope, element 0, read-only.
 *   The plug-in's editor drawn off-screen as it stands now (every control redrawn with the
 *   current parameter values), handed as a copy: an IEffectAUEditorImageHeader followed by
 *   mHeight rows of mRowBytes bytes, top row first, each pixel four bytes A, R, G, B in that
 *   order (straight alpha). Rows are packed: mRowBytes = 4 x mWidth.
 *   - A size-only request answers the exact size, sizeof(header) + mHeight x mRowBytes.
 *   - A get whose buffer size differs from that size: kAudio_ParamError, nothing written.
 *   - A plug-in without an editor: kAudioUnitErr_InvalidProperty. Other scopes likewise.
 *   Drawing needs no display. Main thread; the image is drawn with the plug-in's lock held.
 *
 * kIEffectAUProperty_ParameterMapping (64001), global scope, element 0, read-only in/out.
 *   Converts between a parameter's real value (as the parameter selectors carry it) and its
 *   normalised 0..1 value (as preset files store it), with the plug-in's own mapping. The
 *   host fills inParamID, inDirection and inValue; the plug-in writes outValue.
 *   - An id outside the parameter list: kAudioUnitErr_InvalidElement.
 *   - inDirection other than the two below: kAudioUnitErr_InvalidPropertyValue.
 *   To normalised the value is first clamped into the parameter's range; from normalised an
 *   integer-valued parameter rounds to its step, as when a preset file is loaded.
 */

#include <AudioUnit/AudioUnit.h>

enum
{
  kIEffectAUProperty_EditorImage = 64000,
  kIEffectAUProperty_ParameterMapping = 64001
};

typedef struct IEffectAUEditorImageHeader
{
  UInt32 mWidth;
  UInt32 mHeight;
  UInt32 mRowBytes;
} IEffectAUEditorImageHeader;

enum
{
  kIEffectAUMapping_ToNormalized = 0,
  kIEffectAUMapping_FromNormalized = 1
};

typedef struct IEffectAUParameterMapping
{
  AudioUnitParameterID inParamID;
  UInt32 inDirection;
  Float64 inValue;
  Float64 outValue;
} IEffectAUParameterMapping;
