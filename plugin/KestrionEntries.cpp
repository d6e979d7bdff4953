// The two functions the Kestrion component bundle exports: the audio unit and its Carbon
// editor view. Everything else in the bundle stays hidden.

#include "au/IEffectAU.h"

#define KESTRION_EXPORT extern "C" __attribute__((visibility("default")))

KESTRION_EXPORT ComponentResult Kestrion_Entry(ComponentParameters* params, void* storage)
{
  return IEffectAU::IEffectAUEntry(params, storage);
}

KESTRION_EXPORT ComponentResult Kestrion_ViewEntry(ComponentParameters* params, void* storage)
{
  return IEffectAU::IEffectAUCarbonViewEntry(params, storage);
}
