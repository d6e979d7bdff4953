// The LV2 state extension: the plug-in's state chunk saved and restored as one atom.
#include "lv2/IEffectLV2.h"

#include <cmath>

LV2_State_Status IEffectLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle,
                                       const LV2_Feature* const* features)
{
  const LV2_URID_Map* map = MapFor(features);
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  ByteChunk chunk;
  InitChunkWithFrameworkVer(&chunk);
  if (!SerializeState(&chunk)) return LV2_STATE_ERR_UNKNOWN;
  const LV2Description& desc = PlugLV2Description();
  const LV2_URID key = map->map(map->handle, desc.StateKeyURI().c_str());
  const LV2_URID type = map->map(map->handle, desc.StateTypeURI().c_str());
  return store(handle, key, chunk.GetBytes(), static_cast<size_t>(chunk.Size()), type,
               LV2_STATE_IS_POD);
}

LV2_State_Status IEffectLV2::RestoreState(LV2_State_Retrieve_Function retrieve,
                                          LV2_State_Handle handle,
                                          const LV2_Feature* const* features)
{
  const LV2_URID_Map* map = MapFor(features);
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  const LV2Description& desc = PlugLV2Description();
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data =
      retrieve(handle, map->map(map->handle, desc.StateKeyURI().c_str()), &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != map->map(map->handle, desc.StateTypeURI().c_str())) return LV2_STATE_ERR_BAD_TYPE;
  if (size > static_cast<size_t>(1) << 20) return LV2_STATE_ERR_UNKNOWN;

  ByteChunk chunk;
  chunk.PutBytes(data, static_cast<int>(size));
  int pos = 0;
  if (GetFrameworkVerFromChunk(&chunk, &pos) != kFrameworkChunkVersion)
    return LV2_STATE_ERR_BAD_TYPE;

  // A state that is the parameter list is checked whole before anything is applied: one finite
  // double per parameter, nothing more.
  if (!DoesStateChunks())
  {
    if (chunk.Size() - pos != 8 * NParams()) return LV2_STATE_ERR_UNKNOWN;
    for (int i = 0; i < NParams(); ++i)
    {
      double value = 0.0;
      chunk.Get(&value, pos + 8 * i);
      if (!std::isfinite(value)) return LV2_STATE_ERR_UNKNOWN;
    }
  }
  // A plug-in's own chunk is applied, then checked: one that does not end exactly where the
  // state ends is undone with the state kept beforehand.
  ByteChunk before;
  SerializeState(&before);
  if (UnserializeState(&chunk, pos) == chunk.Size()) return LV2_STATE_SUCCESS;
  UnserializeState(&before, 0);
  return LV2_STATE_ERR_UNKNOWN;
}
