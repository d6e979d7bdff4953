#pragma once
// The wrapper's own properties (au/IEffectAUProperties.h): the editor's image and the
// parameter mapping. Main thread, with the plug-in's mutex held by the dispatcher.

#include "au/IEffectAUProperties.h"
#include "framework/IEffectBase.h"

#include <CoreServices/CoreServices.h>

// kIEffectAUProperty_EditorImage: with data null only *size is answered; otherwise *size must
// be the exact size of the image, which is drawn and copied into data.
ComponentResult GetEditorImage(IEffectBase& plug, UInt32* size, void* data);

// kIEffectAUProperty_ParameterMapping: fills record.outValue.
ComponentResult MapParameter(const IEffectBase& plug, IEffectAUParameterMapping& record);
