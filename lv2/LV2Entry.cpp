// The descriptors handed to LV2 hosts: one per variant of the plug-in, each a table of small
// functions that forward to the plug-in object. Nothing throws across this boundary.
#include "lv2/IEffectLV2.h"

#include <cstring>
#include <exception>
#include <memory>

namespace
{
IEffectLV2* Plug(LV2_Handle instance)
{
  return static_cast<IEffectLV2*>(instance);
}

const std::vector<LV2_Descriptor>& Descriptors();

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                       const char* /*bundlePath*/, const LV2_Feature* const* features)
{
  const std::vector<LV2_Descriptor>& all = Descriptors();
  const size_t index = static_cast<size_t>(descriptor - all.data());
  if (index >= all.size()) return nullptr;
  try
  {
    std::unique_ptr<IEffectLV2> plug(MakePlug());
    const int channels = PlugLV2Description().mVariants[index].mChannels;
    if (!plug || !plug->Configure(channels, sampleRate, features)) return nullptr;
    // As an initialised Audio Unit: the processor sees every parameter once before audio.
    plug->OnParamReset();
    return plug.release();
  }
  catch (const std::exception&)
  {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data)
{
  Plug(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance)
{
  Plug(instance)->OnActivate(true);
  Plug(instance)->Reset();
}

void Run(LV2_Handle instance, uint32_t nFrames)
{
  Plug(instance)->Run(nFrames);
}

void Deactivate(LV2_Handle instance)
{
  Plug(instance)->OnActivate(false);
}

void Cleanup(LV2_Handle instance)
{
  delete Plug(instance);
}

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t /*flags*/, const LV2_Feature* const* features)
{
  try
  {
    return Plug(instance)->SaveState(store, handle, features);
  }
  catch (const std::exception&)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t /*flags*/,
                         const LV2_Feature* const* features)
{
  try
  {
    return Plug(instance)->RestoreState(retrieve, handle, features);
  }
  catch (const std::exception&)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const void* ExtensionData(const char* uri)
{
  static const LV2_State_Interface state = {Save, Restore};
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
  return nullptr;
}

const std::vector<LV2_Descriptor>& Descriptors()
{
  static const std::vector<LV2_Descriptor> descriptors = []
  {
    std::vector<LV2_Descriptor> all;
    for (const LV2Variant& variant : PlugLV2Description().mVariants)
      all.push_back({variant.mURI.c_str(), Instantiate, ConnectPort, Activate, Run, Deactivate,
                     Cleanup, ExtensionData});
    return all;
  }();
  return descriptors;
}
} // namespace

const LV2_Descriptor* IEffectLV2::Descriptor(uint32_t index)
{
  const std::vector<LV2_Descriptor>& all = Descriptors();
  return index < all.size() ? &all[index] : nullptr;
}
