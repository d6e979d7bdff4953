#include "au/IEffectAU.h"

#include <utility>

IEffectAU::IEffectAU(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                     int nPresets, const char* effectName, const char* productName,
                     const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
                     int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                     int /*plugScChans*/)
  : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIAU),
    mBundleID(std::move(instanceInfo.mBundleID)),
    mViewFactoryClass(std::move(instanceInfo.mViewFactoryClass))
{
  // The default maximum of 1024 frames per call until the host sets its own.
  SetBlockSize(1024);
}

void IEffectAU::ResizeGraphics(int /*width*/, int /*height*/)
{
  if (GetGUI())
    OnWindowResize();
}
