// Host buses and the plug-in's channels: stream formats, connections and render callbacks.

#include "au/IEffectAU.h"

#include <algorithm>
#include <cmath>
#include <mutex>

// ---- Bus bookkeeping --------------------------------------------------------------------------

int IEffectAU::NHostChannelsConnected(const std::vector<std::unique_ptr<BusChannels>>& buses,
                                      int excludeIdx)
{
  bool known = false;
  int total = 0;
  for (int i = 0; i < static_cast<int>(buses.size()); ++i)
  {
    const int n = buses[static_cast<size_t>(i)]->mHostChannels;
    if (i != excludeIdx && n >= 0)
    {
      known = true;
      total += n;
    }
  }
  return known ? total : -1;
}

// Whether giving one bus nChannels keeps the configuration legal. While uninitialised only
// the side being set is checked; once initialised, both sides are.
bool IEffectAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels)
{
  int nIn, nOut;
  if (scope == kAudioUnitScope_Input)
  {
    nIn = std::max(NHostChannelsConnected(mInputBuses, busIdx), 0) + nChannels;
    nOut = mActive ? NHostChannelsConnected(mOutputBuses) : -1;
  }
  else
  {
    nIn = mActive ? NHostChannelsConnected(mInputBuses) : -1;
    nOut = std::max(NHostChannelsConnected(mOutputBuses, busIdx), 0) + nChannels;
  }
  return LegalIO(nIn, nOut);
}

bool IEffectAU::CheckLegalIO()
{
  const int nIn = NHostChannelsConnected(mInputBuses);
  const int nOut = NHostChannelsConnected(mOutputBuses);
  return (nIn == 0 && nOut == 0) || LegalIO(nIn, nOut);
}

void IEffectAU::AssessInputConnections()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  // Disconnecting clears the inputs kept from the last pull, so no slice can be repeated.
  ForgetRenderHistory();
  SetInputChannelConnections(0, NInChannels(), false);
  for (size_t i = 0; i < mInputBuses.size(); ++i)
  {
    BusChannels& bus = *mInputBuses[i];
    InputConnection& conn = *mInputConnections[i];
    if (conn.mUpstreamRenderProc && conn.mUpstreamObj)
      conn.mInputType = DirectFastProc;
    else if (conn.mUpstreamUnit)
      conn.mInputType = DirectNoFastProc;
    else if (conn.mRenderCallback.inputProc)
      conn.mInputType = RenderCallback;
    else
      conn.mInputType = NotConnected;

    if (conn.mInputType == NotConnected)
    {
      bus.mConnected = false;
      continue;
    }
    bus.mConnected = true;
    if (bus.mHostChannels < 0) bus.mHostChannels = bus.mPlugChannels;
    SetInputChannelConnections(bus.mPlugChannelStart, bus.mHostChannels, true);
    SetInputChannelConnections(bus.mPlugChannelStart + bus.mHostChannels,
                               std::max(bus.mPlugChannels - bus.mHostChannels, 0), false);
  }
}

IEffectAU::BusChannels* IEffectAU::GetBus(AudioUnitScope scope, AudioUnitElement element)
{
  const std::vector<std::unique_ptr<BusChannels>>* buses = nullptr;
  if (scope == kAudioUnitScope_Global || scope == kAudioUnitScope_Output)
    buses = &mOutputBuses;
  else if (scope == kAudioUnitScope_Input)
    buses = &mInputBuses;
  if (!buses || element >= buses->size()) return nullptr;
  return (*buses)[element].get();
}

void IEffectAU::MakeDefaultASBD(AudioStreamBasicDescription* asbd, double sampleRate, int nChannels,
                                bool interleaved)
{
  *asbd = AudioStreamBasicDescription();
  FillOutASBDForLPCM(*asbd, sampleRate, static_cast<UInt32>(nChannels), 32, 32, true, false,
                     !interleaved);
}

UInt32 IEffectAU::GetTagForNumChannels(int numChannels)
{
  switch (numChannels)
  {
  case 1:
    return kAudioChannelLayoutTag_Mono;
  case 2:
    return kAudioChannelLayoutTag_Stereo;
  default:
    return kAudioChannelLayoutTag_Unknown;
  }
}

const char* IEffectAU::AUInputTypeStr(int type)
{
  switch (type)
  {
  case DirectFastProc:
    return "DirectFastProc";
  case DirectNoFastProc:
    return "DirectNoFastProc";
  case RenderCallback:
    return "RenderCallback";
  default:
    return "NotConnected";
  }
}

// ---- Bus properties ---------------------------------------------------------------------------

ComponentResult IEffectAU::GetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                           AudioStreamBasicDescription* asbd)
{
  const BusChannels* bus = GetBus(scope, element);
  if (!bus) return kAudioUnitErr_InvalidProperty;
  // Before the host has agreed a count the bus offers the plug-in's own.
  const int channels = bus->mHostChannels > 0 ? bus->mHostChannels : bus->mPlugChannels;
  MakeDefaultASBD(asbd, GetSampleRate(), channels, false);
  return noErr;
}

ComponentResult IEffectAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                           const AudioStreamBasicDescription* asbd)
{
  BusChannels* bus = GetBus(scope, element);
  if (!bus || !asbd) return kAudioUnitErr_InvalidProperty;

  // Everything is checked before anything changes: a refused format leaves the bus, the rate
  // and the connections as they were. More channels than an input pull can carry are refused.
  const int channels = static_cast<int>(std::min<UInt32>(asbd->mChannelsPerFrame, 1u << 30));
  const double rate = asbd->mSampleRate;
  const bool ok = channels > 0 && channels <= kMaxBusChannels && std::isfinite(rate) &&
                  rate > 0.0 && CheckLegalIO(scope, static_cast<int>(element), channels) &&
                  asbd->mFormatID == kAudioFormatLinearPCM &&
                  (asbd->mFormatFlags & (kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked)) != 0;
  if (!ok) return kAudioUnitErr_InvalidProperty;

  bus->mHostChannels = channels;
  SetSampleRate(rate);
  AssessInputConnections();
  return noErr;
}

ComponentResult IEffectAU::SetConnection(AudioUnitScope scope,
                                         const AudioUnitConnection* connection)
{
  if ((scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) || !connection)
    return kAudioUnitErr_InvalidProperty;
  const UInt32 busIdx = connection->destInputNumber;
  if (busIdx >= mInputBuses.size()) return kAudioUnitErr_InvalidProperty;

  // The new feed is settled before the bus takes it: a source whose format cannot be read or
  // is refused leaves the bus with the feed and format it had.
  InputConnection next;
  AudioUnit source = connection->sourceAudioUnit;
  if (source)
  {
    AudioStreamBasicDescription format = {};
    UInt32 size = sizeof format;
    OSStatus r =
        AudioUnitGetProperty(source, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output,
                             connection->sourceOutputNumber, &format, &size);
    if (r == noErr)
      r = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, busIdx, sizeof format,
                      &format);
    if (r != noErr) return kAudioUnitErr_InvalidProperty;

    next.mUpstreamUnit = source;
    next.mUpstreamOutput = static_cast<int>(connection->sourceOutputNumber);
    AudioUnitRenderProc renderProc = nullptr;
    size = sizeof renderProc;
    // Without a fast render function the connection renders through AudioUnitRender.
    if (AudioUnitGetProperty(source, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                             kAudioUnitRenderSelect, &renderProc, &size) == noErr &&
        renderProc)
    {
      next.mUpstreamRenderProc = renderProc;
      next.mUpstreamObj = GetComponentInstanceStorage(source);
    }
  }
  *mInputConnections[busIdx] = next;
  AssessInputConnections();
  return noErr;
}

ComponentResult IEffectAU::SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                             const AURenderCallbackStruct* callback)
{
  if (scope != kAudioUnitScope_Input || element >= mInputBuses.size() || !callback)
    return kAudioUnitErr_InvalidProperty;
  InputConnection& conn = *mInputConnections[element];
  conn = InputConnection();
  if (callback->inputProc) // a null procedure disconnects the bus
    conn.mRenderCallback = *callback;
  AssessInputConnections();
  return noErr;
}

void IEffectAU::SetBlockSize(int blockSize)
{
  if (blockSize < 0) return;
  const size_t frames = static_cast<size_t>(blockSize);
  mInputScratch.assign(frames * static_cast<size_t>(NInChannels()), 0.0f);
  mOutputScratch.assign(frames * static_cast<size_t>(NOutChannels()), 0.0f);
  IEffectBase::SetBlockSize(blockSize);
}
