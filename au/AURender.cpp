// The render procedure: notifiers, the input pull, output connections and processing.

#include "au/IEffectAU.h"

#include <algorithm>

namespace
{
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

// ---- Rendering --------------------------------------------------------------------------------

OSStatus IEffectAU::RenderProc(void* plug, AudioUnitRenderActionFlags* flags,
                               const AudioTimeStamp* timestamp, UInt32 outputBus, UInt32 nFrames,
                               AudioBufferList* bufferList)
{
  if (!plug) return badComponentInstance;
  return static_cast<IEffectAU*>(plug)->Render(flags, timestamp, outputBus, nFrames, bufferList);
}

OSStatus IEffectAU::Render(AudioUnitRenderActionFlags* /*flags*/, const AudioTimeStamp* timestamp,
                           UInt32 outputBus, UInt32 nFrames, AudioBufferList* ioData)
{
  if (!timestamp || !ioData || !(timestamp->mFlags & kAudioTimeStampSampleTimeValid) ||
      outputBus >= mOutputBuses.size() || nFrames > static_cast<UInt32>(GetBlockSize()))
    return kAudioUnitErr_InvalidPropertyValue;
  const int n = static_cast<int>(nFrames);

  const RenderNotifiers::Pass notices(mRenderNotifiers, timestamp, outputBus, nFrames, ioData);

  // Inputs are pulled once per time slice, however many output buses are rendered.
  if (timestamp->mSampleTime != mLastRenderTime)
  {
    for (size_t busIdx = 0; busIdx < mInputBuses.size(); ++busIdx)
    {
      const BusChannels& bus = *mInputBuses[busIdx];
      const InputConnection& conn = *mInputConnections[busIdx];
      if (!bus.mConnected) continue;
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
                                     static_cast<UInt32>(conn.mUpstreamOutput), nFrames,
                                     pull.List());
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
      if (r != noErr) return r;

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
      buffer.mData = mOutputScratch.data() +
                     static_cast<size_t>(bus.mPlugChannelStart + static_cast<int>(k)) * nFrames;
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

  notices.PostRender();
  return noErr;
}
