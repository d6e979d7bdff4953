#pragma once
// The Audio Unit wrapper: the class between the host-neutral plug-in base and the plug-in.
// It answers the host-facing hooks of the base for an Audio Unit host.

#include "au/IEffectInstanceInfo.h"
#include "framework/IEffectBase.h"

#include <string>

class IEffectAU : public IEffectBase
{
public:
  IEffectAU(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
            int nPresets, const char* effectName, const char* productName, const char* mfrName,
            int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
            bool plugDoesChunks, bool plugIsInst, int plugScChans);
  ~IEffectAU() override = default;

  // Host notifications. Without a host attached there is nobody to tell.
  void BeginInformHostOfParamChange(int /*paramIdx*/) override {}
  void InformHostOfParamChange(int /*paramIdx*/, double /*normalizedValue*/) override {}
  void EndInformHostOfParamChange(int /*paramIdx*/) override {}
  void InformHostOfProgramChange() override {}

  // Transport queries answer what the host reported last, or the defaults without a host.
  bool IsRenderingOffline() override { return mRenderingOffline; }
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return mCachedTempo; }
  void GetTimeSig(int* /*numerator*/, int* /*denominator*/) override {}
  void GetTime(ITimeInfo* /*timeInfo*/) override {}

  void ResizeGraphics(int width, int height) override;
  // MIDI output is not supported by the Audio Unit effect wrapper.
  bool SendMidiMsg(IMidiMsg* /*msg*/) override { return false; }

  const std::string& BundleID() const { return mBundleID; }
  const std::string& ViewFactoryClass() const { return mViewFactoryClass; }

protected:
  std::string mBundleID;
  std::string mViewFactoryClass;
  bool mActive = false;
  bool mRenderingOffline = false;
  double mCachedTempo = 120.0;
};

// Creates the plug-in object. Instances of the process are constructed one at a time, under a
// process-wide recursive lock.
IEffectAU* MakePlug();
