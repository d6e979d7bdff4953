#pragma once
// The wrapper class the plug-in is built on. The plug-in sources compile once per wrapper:
// with the Audio Unit wrapper by default, with the LV2 wrapper where the build defines
// KESTRION_LV2. MakePlug returns the same class.

#if defined(KESTRION_LV2)
#include "lv2/IEffectLV2.h"
using KestrionBase = IEffectLV2;
#else
#include "au/IEffectAU.h"
using KestrionBase = IEffectAU;
#endif
