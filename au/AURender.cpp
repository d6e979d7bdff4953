// The render procedure: notifiers, the input pull, output connections and processing.

#include "au/IEffectAU.h"

#include <algorithm>
#include <cstdint>

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
  BusChannels& bus = *mOutputBuses[outputBus];
  if (const OSStatus refused = CheckOutputBuffers(bus, nFrames, *ioData)) return refused;
  const int n = static_cast<int>(nFrames);

  const RenderNotifiers::Pass notices(mRenderNotifiers, timestamp, outputBus, nFrames, ioData);

  // Inputs are pulled once per time slice, however many output buses are rendered. A new
  // slice also drops every output buffer of the last one.
  const RenderSlice slice = SliceOf(*timestamp, nFrames);
  if (!(slice == mPulledSlice))
  {
    ReleaseOutputBuffers();
    if (const OSStatus r = PullInputs(timestamp, nFrames)) return r;
    mPulledSlice = slice;
  }

  ConnectOutputBuffers(bus, nFrames, *ioData);

  // Process once the last bus of the leading run of connected buses is rendered.
  size_t last = 0;
  while (last + 1 < mOutputBuses.size() && mOutputBuses[last + 1]->mConnected)
    ++last;
  if (outputBus == last)
  {
    const int following = static_cast<int>(mOutputBuses.size() - last - 1);
    if (following > 0)
      SetOutputChannelConnections(static_cast<int>(outputBus + 1) * 2, following * 2, false);
    // The processor may have overwritten the inputs it was given, so the same slice again is
    // answered with the output it left, not processed a second time.
    if (slice == mProcessedSlice)
      RepeatOutputs(0.0f, n);
    else
    {
      if (slice.mBypassed)
        PassThroughBuffers(0.0f, n);
      else
        ProcessBuffers(0.0f, n);
      mProcessedSlice = slice;
    }
    ReleaseOutputBuffers();
  }

  notices.PostRender();
  return noErr;
}

// ---- Render helpers ---------------------------------------------------------------------------

IEffectAU::RenderSlice IEffectAU::SliceOf(const AudioTimeStamp& timestamp, UInt32 nFrames) const
{
  RenderSlice slice;
  slice.mValid = true;
  slice.mSampleTime = timestamp.mSampleTime;
  slice.mFrames = nFrames;
  slice.mBlockSize = GetBlockSize();
  slice.mBypassed = mIsBypassed;
  slice.mSampleRate = GetSampleRate();
  return slice;
}

void IEffectAU::ForgetRenderHistory()
{
  mPulledSlice = RenderSlice();
  mProcessedSlice = RenderSlice();
  for (auto& bus : mOutputBuses)
    bus->mRenderedBuffers = -1;
}

// Buffers beyond the format's channels, or beyond the bus's, are left to the host as given.
// An unknown format (-1) takes the host's buffer count.
int IEffectAU::NBuffersRendered(const BusChannels& bus, UInt32 nBuffers)
{
  int rendered = static_cast<int>(std::min<UInt32>(nBuffers, std::max(bus.mPlugChannels, 0)));
  if (bus.mHostChannels >= 0) rendered = std::min(rendered, bus.mHostChannels);
  return rendered;
}

OSStatus IEffectAU::CheckOutputBuffers(const BusChannels& bus, UInt32 nFrames,
                                       const AudioBufferList& ioData)
{
  const uint64_t bytes = uint64_t(nFrames) * sizeof(float);
  const int rendered = NBuffersRendered(bus, ioData.mNumberBuffers);
  for (int k = 0; k < rendered; ++k)
  {
    const AudioBuffer& buffer = ioData.mBuffers[k];
    // A buffer without memory gets the unit's own, which always holds the slice.
    if (buffer.mData && buffer.mDataByteSize < bytes) return kAudio_ParamError;
  }
  return noErr;
}

OSStatus IEffectAU::PullInputs(const AudioTimeStamp* timestamp, UInt32 nFrames)
{
  const UInt32 bytes = nFrames * static_cast<UInt32>(sizeof(float));
  for (size_t busIdx = 0; busIdx < mInputBuses.size(); ++busIdx)
  {
    const BusChannels& bus = *mInputBuses[busIdx];
    const InputConnection& conn = *mInputConnections[busIdx];
    if (!bus.mConnected) continue;
    PullBufferList pull;
    const int nBuffers = std::min(std::max(bus.mHostChannels, 0), kMaxBusChannels);
    pull.mNumberBuffers = static_cast<UInt32>(nBuffers);
    for (int k = 0; k < nBuffers; ++k)
      pull.mBuffers[k] = AudioBuffer{1, bytes, nullptr};

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
    if (r != noErr) return r;
    // A source that claims success but leaves a buffer missing, without memory or short of
    // the slice has given no usable input.
    if (pull.mNumberBuffers != static_cast<UInt32>(nBuffers)) return kAudioUnitErr_NoConnection;
    for (int k = 0; k < nBuffers; ++k)
      if (!pull.mBuffers[k].mData || pull.mBuffers[k].mDataByteSize < bytes)
        return kAudioUnitErr_NoConnection;

    for (int k = 0; k < nBuffers; ++k)
    {
      float* data = static_cast<float*>(pull.mBuffers[k].mData);
      AttachInputBuffers(bus.mPlugChannelStart + k, 1, &data, static_cast<int>(nFrames));
    }
  }
  return noErr;
}

void IEffectAU::ConnectOutputBuffers(BusChannels& bus, UInt32 nFrames, AudioBufferList& ioData)
{
  // The channels follow the buffers of every render, so none keeps a buffer of an earlier one
  // or stays unconnected once the host gives its buffer again.
  const int rendered = NBuffersRendered(bus, ioData.mNumberBuffers);
  if (!bus.mConnected || bus.mRenderedBuffers != rendered)
  {
    SetOutputChannelConnections(bus.mPlugChannelStart, rendered, true);
    SetOutputChannelConnections(bus.mPlugChannelStart + rendered,
                                std::max(bus.mPlugChannels - rendered, 0), false);
    bus.mConnected = true;
    bus.mRenderedBuffers = rendered;
  }

  for (int k = 0; k < rendered; ++k)
  {
    AudioBuffer& buffer = ioData.mBuffers[k];
    const int channel = bus.mPlugChannelStart + k;
    if (!buffer.mData) // the host asks us to provide the memory
    {
      buffer.mData = mOutputScratch.data() + static_cast<size_t>(channel) * nFrames;
      buffer.mDataByteSize = nFrames * static_cast<UInt32>(sizeof(float));
    }
    float* data = static_cast<float*>(buffer.mData);
    AttachOutputBuffers(channel, 1, &data);
  }
}
