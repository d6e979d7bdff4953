#pragma once
// The LV2 wrapper: the class between the host-neutral plug-in base and the plug-in, as
// IEffectAU is for Audio Units. One LV2 instance is one plug-in object.
//
// Ports, in index order: one control input per parameter (index = parameter index), the audio
// inputs, the audio outputs, then the plug-in's own control outputs (LV2Description).
//
// Threads, in LV2's classes. Instantiation (Configure, Activate, RestoreState): never
// concurrent with anything else on the instance. Audio (ConnectPort, Run): the render thread;
// Run takes no lock, allocates nothing and does no I/O, also when control ports change: a
// changed value is clamped into the parameter and mapped with OnParamChangeLockFree.
// SaveState may run concurrently with Run; it takes the plug-in's mutex, which Run never does.

#include "framework/IEffectBase.h"
#include "framework/IEffectInstanceInfo.h"
#include "lv2/LV2Description.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <vector>

class IEffectLV2 : public IEffectBase
{
public:
  // The largest block processed at once; longer runs are processed in blocks of this size.
  static constexpr int kMaxBlock = 4096;

  IEffectLV2(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
             const char* effectName, const char* productName, const char* mfrName,
             int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
             bool plugDoesChunks, bool plugIsInst, int plugScChans);

  // The descriptor of plug-in index of the bundle (a variant of PlugLV2Description), or null.
  static const LV2_Descriptor* Descriptor(uint32_t index);

  // ---- Instantiation --------------------------------------------------------------------------
  // Sets the channel count and sample rate, sizes the buffers and takes urid:map from the
  // features when there (features may be null). False when the channel count is not legal.
  bool Configure(int nChannels, double sampleRate, const LV2_Feature* const* features);
  int NChannels() const { return mNChannels; }
  uint32_t NPorts() const;

  // ---- Audio ----------------------------------------------------------------------------------
  // Ports outside the layout are ignored.
  void ConnectPort(uint32_t port, void* data);
  // Reads every control input, processes nFrames (0 is harmless) and writes the outputs.
  void Run(uint32_t nFrames);

  // ---- State ----------------------------------------------------------------------------------
  // The plug-in's state chunk with the framework version prefix, as one atom of the plug-in's
  // own type. urid:map comes from features, or else from instantiation.
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle,
                             const LV2_Feature* const* features);
  // Applies a saved chunk. A missing, foreign (other type, no prefix, other version) or
  // corrupt (short, long, not finite) one is refused, and nothing changes.
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                const LV2_Feature* const* features);

  // ---- Hooks the base calls: an LV2 host is told nothing and has no transport here ----------
  void BeginInformHostOfParamChange(int /*paramIdx*/) override {}
  void InformHostOfParamChange(int /*paramIdx*/, double /*normalizedValue*/) override {}
  void EndInformHostOfParamChange(int /*paramIdx*/) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 0.0; }
  // No transport: the caller's values stand.
  void GetTimeSig(int* /*numerator*/, int* /*denominator*/) override {}
  void GetTime(ITimeInfo* /*timeInfo*/) override {}
  void ResizeGraphics(int /*width*/, int /*height*/) override {}
  bool SendMidiMsg(IMidiMsg* /*msg*/) override { return false; }

  const std::string& BundleID() const { return mInstanceInfo.mBundleID; }

private:
  // The control inputs that changed since the last run reach the parameters and the processor.
  void ReadControlPorts();
  // Finds urid:map among features; null when absent.
  static const LV2_URID_Map* FindMap(const LV2_Feature* const* features);
  const LV2_URID_Map* MapFor(const LV2_Feature* const* features) const;

  IEffectInstanceInfo mInstanceInfo;
  int mNChannels = 0;
  const LV2_URID_Map* mMap = nullptr;
  std::vector<const float*> mParamPorts;
  std::vector<float> mLastPortValues; // what each control input held when last applied
  const float* mAudioIn[2] = {nullptr, nullptr};
  float* mAudioOut[2] = {nullptr, nullptr};
  std::vector<float*> mOutputPorts;
};

// Creates the plug-in object; supplied by the plug-in.
IEffectLV2* MakePlug();
