#include "au/IEffectAU.h"

#include <cstdio>
#include <utility>

IEffectAU::IEffectAU(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                     int nPresets, const char* effectName, const char* productName,
                     const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
                     int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                     int plugScChans)
  : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIAU),
    mBundleID(std::move(instanceInfo.mBundleID)),
    mViewFactoryClass(std::move(instanceInfo.mViewFactoryClass))
{
  BuildBuses(plugScChans);
  AssessInputConnections();
  // The default maximum of 1024 frames per call until the host sets its own.
  SetBlockSize(1024);
}

IEffectAU::~IEffectAU() = default;

// Input buses: one main bus, or a main and a side-chain bus; output buses: one, or pairs of
// channels for an instrument.
void IEffectAU::BuildBuses(int scChans)
{
  const int nIn = NInChannels();
  const int nOut = NOutChannels();
  auto addInput = [this](int start, int count) {
    auto bus = std::make_unique<BusChannels>();
    bus->mPlugChannelStart = start;
    bus->mPlugChannels = count;
    mInputBuses.push_back(std::move(bus));
    mInputConnections.push_back(std::make_unique<InputConnection>());
  };

  if (nIn > 0)
  {
    if (scChans > 0)
    {
      addInput(0, nIn - scChans);
      addInput(nIn - scChans, scChans);
      SetInputBusLabel(0, "main input");
      SetInputBusLabel(1, "aux input");
    }
    else
    {
      addInput(0, nIn);
      SetInputBusLabel(0, "input");
      SetInputBusLabel(1, "aux input");
    }
  }

  if (IsInst())
  {
    const int nBuses = (nOut + 1) / 2;
    for (int i = 0; i < nBuses; ++i)
    {
      auto bus = std::make_unique<BusChannels>();
      bus->mPlugChannelStart = 2 * i;
      bus->mPlugChannels = std::min(nOut - 2 * i, 2);
      mOutputBuses.push_back(std::move(bus));
      char label[32];
      std::snprintf(label, sizeof label, "output %i", i + 1);
      SetOutputBusLabel(i, label);
    }
  }
  else
  {
    auto bus = std::make_unique<BusChannels>();
    bus->mPlugChannels = nOut;
    mOutputBuses.push_back(std::move(bus));
    SetOutputBusLabel(0, "output");
  }
}
