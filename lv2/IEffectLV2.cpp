#include "lv2/IEffectLV2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

IEffectLV2::IEffectLV2(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                       int nPresets, const char* effectName, const char* productName,
                       const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
                       bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                       int /*plugScChans: LV2 side chains are not offered*/)
    : IEffectBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                  uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2),
      mInstanceInfo(std::move(instanceInfo))
{
}

// ---- Instantiation --------------------------------------------------------------------------

bool IEffectLV2::Configure(int nChannels, double sampleRate, const LV2_Feature* const* features)
{
  if (nChannels < 1 || nChannels > 2 || !LegalIO(nChannels, nChannels)) return false;
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
  mNChannels = nChannels;
  mMap = FindMap(features);
  SetSampleRate(sampleRate);
  SetBlockSize(kMaxBlock);
  SetInputChannelConnections(0, nChannels, true);
  SetInputChannelConnections(nChannels, NInChannels() - nChannels, false);
  SetOutputChannelConnections(0, nChannels, true);
  SetOutputChannelConnections(nChannels, NOutChannels() - nChannels, false);

  mParamPorts.assign(static_cast<size_t>(NParams()), nullptr);
  mLastPortValues.resize(static_cast<size_t>(NParams()));
  for (int i = 0; i < NParams(); ++i)
    mLastPortValues[static_cast<size_t>(i)] = static_cast<float>(GetParam(i)->Value());
  mOutputPorts.assign(PlugLV2Description().mOutputs.size(), nullptr);
  return true;
}

uint32_t IEffectLV2::NPorts() const
{
  return static_cast<uint32_t>(NParams() + 2 * mNChannels + static_cast<int>(mOutputPorts.size()));
}

const LV2_URID_Map* IEffectLV2::FindMap(const LV2_Feature* const* features)
{
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, LV2_URID__map) == 0)
      return static_cast<const LV2_URID_Map*>((*features)->data);
  return nullptr;
}

const LV2_URID_Map* IEffectLV2::MapFor(const LV2_Feature* const* features) const
{
  const LV2_URID_Map* map = FindMap(features);
  return map ? map : mMap;
}

// ---- Audio ----------------------------------------------------------------------------------

void IEffectLV2::ConnectPort(uint32_t port, void* data)
{
  const uint32_t nParams = static_cast<uint32_t>(NParams());
  const uint32_t nCh = static_cast<uint32_t>(mNChannels);
  if (port < nParams)
    mParamPorts[port] = static_cast<const float*>(data);
  else if ((port -= nParams) < nCh)
    mAudioIn[port] = static_cast<const float*>(data);
  else if ((port -= nCh) < nCh)
    mAudioOut[port] = static_cast<float*>(data);
  else if ((port -= nCh) < mOutputPorts.size())
    mOutputPorts[port] = static_cast<float*>(data);
}

void IEffectLV2::ReadControlPorts()
{
  for (size_t i = 0; i < mParamPorts.size(); ++i)
  {
    if (!mParamPorts[i]) continue;
    const float value = *mParamPorts[i];
    // Unchanged, or not a number (which would stand for no value at all): the parameter
    // keeps what it has.
    if (value == mLastPortValues[i] || std::isnan(value)) continue;
    mLastPortValues[i] = value;
    const int idx = static_cast<int>(i);
    GetParam(idx)->Set(value); // clamped into the parameter's range
    OnParamChangeLockFree(idx);
  }
}

void IEffectLV2::Run(uint32_t nFrames)
{
  ReadControlPorts();

  bool connected = true;
  for (int c = 0; c < mNChannels; ++c)
    connected = connected && mAudioIn[c] && mAudioOut[c];
  for (uint32_t done = 0; connected && done < nFrames;)
  {
    const int n = static_cast<int>(std::min<uint32_t>(nFrames - done, kMaxBlock));
    float* in[2] = {};
    float* out[2] = {};
    for (int c = 0; c < mNChannels; ++c)
    {
      // The base only reads the inputs (it converts them into its own buffers).
      in[c] = const_cast<float*>(mAudioIn[c]) + done;
      out[c] = mAudioOut[c] + done;
    }
    AttachInputBuffers(0, mNChannels, in, n);
    AttachOutputBuffers(0, mNChannels, out);
    ProcessBuffers(0.0f, n);
    done += static_cast<uint32_t>(n);
  }

  const std::vector<LV2OutputPort>& outputs = PlugLV2Description().mOutputs;
  for (size_t i = 0; i < mOutputPorts.size(); ++i)
    if (mOutputPorts[i]) *mOutputPorts[i] = outputs[i].mRead(*this);
}
