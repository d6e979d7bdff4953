// The one function the Kestrion LV2 bundle exports. Everything else in it stays hidden.

#include "lv2/IEffectLV2.h"

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index)
{
  return IEffectLV2::Descriptor(index);
}
