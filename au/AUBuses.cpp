// Host buses and the plug-in's channels: stream formats, connections, the input pull and the
// render procedure.

#include "au/IEffectAU.h"

#include <algorithm>
#include <mutex>

namespace
{
constexpr UInt32 kFormatFlagsCanonical =
  kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;

// The local buffer list of an input pull: room for the largest bus we accept.
struct PullBufferList
{
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[IEffectAU::kMaxBusChannels];

  AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(this); }
};
static_assert(offsetof(PullBufferList, mBuffers) == offsetof(AudioBufferList, mBuffers),
              "the pull list must have the platform's layout");
} // namespace

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
    if (bus.mHostChannels < 0)
      bus.mHostChannels = bus.mPlugChannels;
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
  if (!buses || element >= buses->size())
    return nullptr;
  return (*buses)[element].get();
}

void IEffectAU::MakeDefaultASBD(AudioStreamBasicDescription* asbd, double sampleRate,
                                int nChannels, bool interleaved)
{
  *asbd = AudioStreamBasicDescription();
  asbd->mSampleRate = sampleRate;
  asbd->mFormatID = kAudioFormatLinearPCM;
  asbd->mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
  asbd->mFramesPerPacket = 1;
  asbd->mChannelsPerFrame = static_cast<UInt32>(nChannels);
  asbd->mBitsPerChannel = 32;
  if (interleaved)
    asbd->mBytesPerPacket = asbd->mBytesPerFrame = 4 * static_cast<UInt32>(nChannels);
  else
  {
    asbd->mFormatFlags |= kAudioFormatFlagIsNonInterleaved;
    asbd->mBytesPerPacket = asbd->mBytesPerFrame = 4;
  }
}

UInt32 IEffectAU::GetTagForNumChannels(int numChannels)
{
  switch (numChannels)
  {
  case 1: return kAudioChannelLayoutTag_Mono;
  case 2: return kAudioChannelLayoutTag_Stereo;
  default: return kAudioChannelLayoutTag_Unknown;
  }
}

const char* IEffectAU::AUInputTypeStr(int type)
{
  switch (type)
  {
  case DirectFastProc: return "DirectFastProc";
  case DirectNoFastProc: return "DirectNoFastProc";
  case RenderCallback: return "RenderCallback";
  default: return "NotConnected";
  }
}

// ---- Bus properties ---------------------------------------------------------------------------

ComponentResult IEffectAU::GetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                           AudioStreamBasicDescription* asbd)
{
  const BusChannels* bus = GetBus(scope, element);
  if (!bus)
    return kAudioUnitErr_InvalidProperty;
  // Before the host has agreed a count the bus offers the plug-in's own.
  const int channels = bus->mHostChannels > 0 ? bus->mHostChannels : bus->mPlugChannels;
  MakeDefaultASBD(asbd, GetSampleRate(), channels, false);
  return noErr;
}

ComponentResult IEffectAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                           const AudioStreamBasicDescription* asbd)
{
  BusChannels* bus = GetBus(scope, element);
  if (!bus || !asbd)
    return kAudioUnitErr_InvalidProperty;

  bus->mHostChannels = 0;
  const int channels = static_cast<int>(std::min<UInt32>(asbd->mChannelsPerFrame, 1u << 30));
  // More channels than an input pull can carry are refused outright.
  const bool ok = channels > 0 && channels <= kMaxBusChannels &&
                  CheckLegalIO(scope, static_cast<int>(element), channels) &&
                  asbd->mFormatID == kAudioFormatLinearPCM &&
                  (asbd->mFormatFlags & (kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked)) != 0;
  if (ok)
  {
    bus->mHostChannels = channels;
    if (asbd->mSampleRate > 0.0)
      SetSampleRate(asbd->mSampleRate);
  }
  AssessInputConnections();
  return ok ? ComponentResult(noErr) : ComponentResult(kAudioUnitErr_InvalidProperty);
}

ComponentResult IEffectAU::SetConnection(AudioUnitScope scope,
                                         const AudioUnitConnection* connection)
{
  if ((scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) || !connection)
    return kAudioUnitErr_InvalidProperty;
  const UInt32 busIdx = connection->destInputNumber;
  if (busIdx >= mInputBuses.size())
    return kAudioUnitErr_InvalidProperty;

  InputConnection& conn = *mInputConnections[busIdx];
  conn = InputConnection();
  ComponentResult status = noErr;
  AudioUnit source = connection->sourceAudioUnit;
  if (source)
  {
    AudioStreamBasicDescription format = {};
    UInt32 size = sizeof format;
    OSStatus r = AudioUnitGetProperty(source, kAudioUnitProperty_StreamFormat,
                                      kAudioUnitScope_Output, connection->sourceOutputNumber,
                                      &format, &size);
    if (r == noErr)
      r = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, busIdx,
                      sizeof format, &format);
    if (r == noErr)
    {
      conn.mUpstreamUnit = source;
      conn.mUpstreamOutput = static_cast<int>(connection->sourceOutputNumber);
      AudioUnitRenderProc renderProc = nullptr;
      size = sizeof renderProc;
      // Without a fast render function the connection renders through AudioUnitRender.
      if (AudioUnitGetProperty(source, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                               kAudioUnitRenderSelect, &renderProc, &size) == noErr &&
          renderProc)
      {
        conn.mUpstreamRenderProc = renderProc;
        conn.mUpstreamObj = GetComponentInstanceStorage(source);
      }
    }
    else
      status = kAudioUnitErr_InvalidProperty;
  }
  AssessInputConnections();
  return status;
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
  if (blockSize < 0)
    return;
  const size_t frames = static_cast<size_t>(blockSize);
  mInputScratch.assign(frames * static_cast<size_t>(NInChannels()), 0.0f);
  mOutputScratch.assign(frames * static_cast<size_t>(NOutChannels()), 0.0f);
  IEffectBase::SetBlockSize(blockSize);
}

// ---- Rendering --------------------------------------------------------------------------------

OSStatus IEffectAU::RenderProc(void* plug, AudioUnitRenderActionFlags* flags,
                               const AudioTimeStamp* timestamp, UInt32 outputBus, UInt32 nFrames,
                               AudioBufferList* bufferList)
{
  if (!plug)
    return badComponentInstance;
  return static_cast<IEffectAU*>(plug)->Render(flags, timestamp, outputBus, nFrames, bufferList);
}

OSStatus IEffectAU::Render(AudioUnitRenderActionFlags* /*flags*/, const AudioTimeStamp* timestamp,
                           UInt32 outputBus, UInt32 nFrames, AudioBufferList* ioData)
{
  if (!timestamp || !ioData || !(timestamp->mFlags & kAudioTimeStampSampleTimeValid) ||
      outputBus >= mOutputBuses.size() || nFrames > static_cast<UInt32>(GetBlockSize()))
    return kAudioUnitErr_InvalidPropertyValue;
  const int n = static_cast<int>(nFrames);

  // Notifiers added by a notifier are not called in this render.
  const size_t nNotifiers = mRenderNotifiers.size();
  for (size_t i = 0; i < nNotifiers; ++i)
  {
    AudioUnitRenderActionFlags pre = kAudioUnitRenderAction_PreRender;
    const AURenderCallbackStruct& notifier = *mRenderNotifiers[i];
    notifier.inputProc(notifier.inputProcRefCon, &pre, timestamp, outputBus, nFrames, ioData);
  }

  // Inputs are pulled once per time slice, however many output buses are rendered.
  if (timestamp->mSampleTime != mLastRenderTime)
  {
    for (size_t busIdx = 0; busIdx < mInputBuses.size(); ++busIdx)
    {
      const BusChannels& bus = *mInputBuses[busIdx];
      const InputConnection& conn = *mInputConnections[busIdx];
      if (!bus.mConnected)
        continue;
      PullBufferList pull;
      const int nBuffers = std::min(std::max(bus.mHostChannels, 0), kMaxBusChannels);
      pull.mNumberBuffers = static_cast<UInt32>(nBuffers);
      for (int k = 0; k < nBuffers; ++k)
        pull.mBuffers[k] = AudioBuffer{1, nFrames * static_cast<UInt32>(sizeof(float)), nullptr};

      AudioUnitRenderActionFlags pullFlags = 0;
      OSStatus r = noErr;
      switch (conn.mInputType)
      {
      case DirectFastProc:
        r = conn.mUpstreamRenderProc(conn.mUpstreamObj, &pullFlags, timestamp,
                                     static_cast<UInt32>(conn.mUpstreamOutput), nFrames, pull.List());
        break;
      case DirectNoFastProc:
        r = AudioUnitRender(conn.mUpstreamUnit, &pullFlags, timestamp,
                            static_cast<UInt32>(conn.mUpstreamOutput), nFrames, pull.List());
        break;
      case RenderCallback:
        // The host's callback fills our own memory.
        for (int k = 0; k < nBuffers; ++k)
        {
          const size_t channel = static_cast<size_t>(bus.mPlugChannelStart + k);
          if (channel < static_cast<size_t>(NInChannels()))
            pull.mBuffers[k].mData = mInputScratch.data() + channel * nFrames;
        }
        r = conn.mRenderCallback.inputProc(conn.mRenderCallback.inputProcRefCon, &pullFlags,
                                           timestamp, static_cast<UInt32>(busIdx), nFrames,
                                           pull.List());
        break;
      case NotConnected:
        break;
      }
      if (r != noErr)
        return r;

      for (int k = 0; k < nBuffers; ++k)
      {
        float* data = static_cast<float*>(pull.mBuffers[k].mData);
        AttachInputBuffers(bus.mPlugChannelStart + k, 1, &data, n);
      }
    }
    mLastRenderTime = timestamp->mSampleTime;
  }

  BusChannels& bus = *mOutputBuses[outputBus];
  const UInt32 nBuffers = ioData->mNumberBuffers;
  if (!bus.mConnected || static_cast<UInt32>(bus.mHostChannels) != nBuffers)
  {
    // Compared unsigned: an unknown count (-1) takes the host's buffer count.
    const int m = static_cast<int>(std::min(static_cast<UInt32>(bus.mHostChannels), nBuffers));
    SetOutputChannelConnections(bus.mPlugChannelStart, m, true);
    SetOutputChannelConnections(bus.mPlugChannelStart + m, std::max(bus.mPlugChannels - m, 0),
                                false);
    bus.mConnected = true;
  }

  // Buffers beyond the bus's channels are left to the host.
  const UInt32 nAttached = std::min(nBuffers, static_cast<UInt32>(std::max(bus.mPlugChannels, 0)));
  for (UInt32 k = 0; k < nAttached; ++k)
  {
    AudioBuffer& buffer = ioData->mBuffers[k];
    if (!buffer.mData) // the host asks us to provide the memory
      buffer.mData = mOutputScratch.data() + static_cast<size_t>(bus.mPlugChannelStart + static_cast<int>(k)) * nFrames;
    float* data = static_cast<float*>(buffer.mData);
    AttachOutputBuffers(bus.mPlugChannelStart + static_cast<int>(k), 1, &data);
  }

  // Process once the last bus of the leading run of connected buses is rendered.
  size_t last = 0;
  while (last + 1 < mOutputBuses.size() && mOutputBuses[last + 1]->mConnected)
    ++last;
  if (outputBus == last)
  {
    const int following = static_cast<int>(mOutputBuses.size() - last - 1);
    if (following > 0)
      SetOutputChannelConnections(static_cast<int>(outputBus + 1) * 2, following * 2, false);
    if (mIsBypassed)
      PassThroughBuffers(0.0f, n);
    else
      ProcessBuffers(0.0f, n);
  }

  for (size_t i = 0; i < nNotifiers && i < mRenderNotifiers.size(); ++i)
  {
    AudioUnitRenderActionFlags post = kAudioUnitRenderAction_PostRender;
    const AURenderCallbackStruct& notifier = *mRenderNotifiers[i];
    notifier.inputProc(notifier.inputProcRefCon, &post, timestamp, outputBus, nFrames, ioData);
  }
  return noErr;
}
