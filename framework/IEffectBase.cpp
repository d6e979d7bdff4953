#include "framework/IEffectBase.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// Copies each input to the output of the same index and silences outputs without an input;
// an output may be its own input. Render path: no allocation.
template <typename Sample>
void PassThrough(Sample* const* inputs, Sample* const* outputs, int nIn, int nOut, int nFrames)
{
  if (nFrames <= 0) return;
  for (int i = 0; i < nOut; ++i)
  {
    if (i < nIn)
      std::memmove(outputs[i], inputs[i], static_cast<size_t>(nFrames) * sizeof(Sample));
    else
      std::fill(outputs[i], outputs[i] + nFrames, Sample(0));
  }
}
} // namespace

void GetVersionParts(int version, int& major, int& minor, int& patch)
{
  major = (version & 0xFFFF0000) >> 16;
  minor = (version & 0x0000FF00) >> 8;
  patch = version & 0x000000FF;
}

int GetDecimalVersion(int version)
{
  int major, minor, patch;
  GetVersionParts(version, major, minor, patch);
  return major * 10000 + minor * 100 + patch;
}

void GetVersionStr(int version, char* buffer)
{
  int major, minor, patch;
  GetVersionParts(version, major, minor, patch);
  std::snprintf(buffer, 32, "v%d.%d.%d", major, minor, patch);
}

// ---- Construction --------------------------------------------------------------------------

IEffectBase::IEffectBase(int nParams, const char* channelIOStr, int nPresets,
                         const char* effectName, const char* productName, const char* mfrName,
                         int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                         bool plugDoesChunks, bool plugIsInst, EAPI plugAPI)
    : mUniqueID(uniqueID), mMfrID(mfrID), mVersion(vendorVersion), mAPI(plugAPI),
      mStateChunks(plugDoesChunks), mIsInst(plugIsInst), mDoesMIDI(plugDoesMidi), mLatency(latency)
{
  for (int i = 0; i < nParams; ++i)
    mParams.push_back(std::make_unique<IParam>());
  for (int i = 0; i < nPresets; ++i)
    mPresets.push_back(std::make_unique<IPreset>());

  CopyBounded(mEffectName, effectName, sizeof(mEffectName));
  CopyBounded(mProductName, productName, sizeof(mProductName));
  CopyBounded(mMfrName, mfrName, sizeof(mMfrName));

  ParseChannelIO(channelIOStr);
}

IEffectBase::~IEffectBase()
{
  delete mGraphics;
  mGraphics = nullptr;
}

// The string lists legal configurations such as "1-1 2-2": "%d-%d" pairs separated by spaces.
// A field that does not parse counts as 0; a trailing space adds a 0-0 configuration.
void IEffectBase::ParseChannelIO(const char* channelIOStr)
{
  int nInputs = 0, nOutputs = 0;
  for (const char* p = channelIOStr; p;)
  {
    auto io = std::make_unique<ChannelIO>();
    std::sscanf(p, "%d-%d", &io->mIn, &io->mOut);
    nInputs = std::max(nInputs, io->mIn);
    nOutputs = std::max(nOutputs, io->mOut);
    mChannelIO.push_back(std::move(io));
    p = std::strchr(p, ' ');
    if (p) ++p;
  }

  // The slot arrays never change size after this, so the channels' pointers into them stay
  // valid for the object's life.
  mInData.assign(static_cast<size_t>(nInputs), nullptr);
  mOutData.assign(static_cast<size_t>(nOutputs), nullptr);
  for (int i = 0; i < nInputs; ++i)
  {
    auto ch = std::make_unique<InChannel>();
    ch->mSrc = &mInData[static_cast<size_t>(i)];
    mInChannels.push_back(std::move(ch));
  }
  for (int i = 0; i < nOutputs; ++i)
  {
    auto ch = std::make_unique<OutChannel>();
    ch->mDest = &mOutData[static_cast<size_t>(i)];
    mOutChannels.push_back(std::move(ch));
  }
}

// ---- Virtual hooks with base behaviour ------------------------------------------------------

void IEffectBase::Reset()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

void IEffectBase::OnParamChange(int /*paramIdx*/)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

void IEffectBase::OnActivate(bool /*active*/)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

void IEffectBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  PassThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IEffectBase::ProcessSingleReplacing(float** inputs, float** outputs, int nFrames)
{
  PassThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IEffectBase::ProcessMidiMsg(IMidiMsg* msg)
{
  SendMidiMsg(msg);
}

bool IEffectBase::MidiNoteName(int /*noteNumber*/, char* buffer)
{
  if (buffer) buffer[0] = '\0';
  return false;
}

void IEffectBase::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  param->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx);
}

void IEffectBase::AttachGraphics(IGraphics* graphics)
{
  if (!graphics) return;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (int i = 0; i < NParams(); ++i)
    graphics->SetParameterFromPlug(i, mParams[static_cast<size_t>(i)]->GetNormalized(), true);
  graphics->PrepDraw();
  if (mGraphics != graphics) delete mGraphics;
  mGraphics = graphics;
}

void IEffectBase::SetBlockSize(int blockSize)
{
  if (blockSize < 0 || blockSize == mBlockSize) return;
  // Resizing may move a scratch buffer; slots that pointed at it follow it.
  auto resize = [blockSize](std::vector<double>& buf, double** slot)
  {
    const double* old = buf.data();
    buf.assign(static_cast<size_t>(blockSize), 0.0);
    if (old && *slot == old) *slot = buf.data();
  };
  for (auto& ch : mInChannels)
    resize(ch->mScratchBuf, ch->mSrc);
  for (auto& ch : mOutChannels)
    resize(ch->mScratchBuf, ch->mDest);
  mBlockSize = blockSize;
}

// ---- Identity and timing --------------------------------------------------------------------

int IEffectBase::GetEffectVersion(bool decimal) const
{
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

void IEffectBase::GetEffectVersionStr(char* buffer) const
{
  GetVersionStr(mVersion, buffer);
}

const char* IEffectBase::GetAPIString()
{
  switch (GetAPI())
  {
  case kAPIVST2:
    return "VST2";
  case kAPIVST3:
    return "VST3";
  case kAPIAU:
    return "AU";
  case kAPIRTAS:
    return "RTAS";
  case kAPIAAX:
    return "AAX";
  case kAPISA:
    return "Standalone";
  case kAPILV2:
    return "LV2";
  }
  return "";
}

void IEffectBase::SetSampleRate(double sampleRate)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  const double previous = mSampleRate.exchange(sampleRate, std::memory_order_relaxed);
  if (previous != sampleRate) OnSampleRateChange();
}

double IEffectBase::GetSamplesPerBeat()
{
  const double tempo = GetTempo();
  return tempo > 0.0 ? GetSampleRate() * 60.0 / tempo : 0.0;
}

// ---- Parameters -----------------------------------------------------------------------------

IParam* IEffectBase::GetParam(int idx) const
{
  if (idx < 0 || idx >= NParams()) return nullptr;
  return mParams[static_cast<size_t>(idx)].get();
}

void IEffectBase::OnParamReset()
{
  for (int i = 0; i < NParams(); ++i)
    OnParamChange(i);
}

// ---- Channels -------------------------------------------------------------------------------

bool IEffectBase::LegalIO(int nIn, int nOut) const
{
  for (const auto& io : mChannelIO)
  {
    const bool inOK = nIn < 0 || nIn == io->mIn;
    const bool outOK = nOut < 0 || nOut == io->mOut;
    if (inOK && outOK) return true;
  }
  return false;
}

void IEffectBase::GetChannelIO(int idx, int* nIn, int* nOut) const
{
  if (idx < 0 || idx >= NChannelIO()) return;
  *nIn = mChannelIO[static_cast<size_t>(idx)]->mIn;
  *nOut = mChannelIO[static_cast<size_t>(idx)]->mOut;
}

bool IEffectBase::ClipRange(int idx, int n, int count, int& first, int& last)
{
  first = std::max(idx, 0);
  const long end = std::min(static_cast<long>(count), static_cast<long>(idx) + n);
  last = static_cast<int>(end) - 1;
  return first <= last;
}

void IEffectBase::SetInputChannelConnections(int idx, int n, bool connected)
{
  int first, last;
  if (!ClipRange(idx, n, NInChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    InChannel& ch = *mInChannels[static_cast<size_t>(i)];
    ch.mConnected = connected;
    if (!connected)
    {
      // A disconnected input reads silence: its scratch buffer may still hold host samples
      // converted there while it was connected.
      std::fill(ch.mScratchBuf.begin(), ch.mScratchBuf.end(), 0.0);
      *ch.mSrc = ch.mScratchBuf.data();
    }
  }
}

void IEffectBase::SetOutputChannelConnections(int idx, int n, bool connected)
{
  int first, last;
  if (!ClipRange(idx, n, NOutChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    OutChannel& ch = *mOutChannels[static_cast<size_t>(i)];
    ch.mConnected = connected;
    if (!connected) *ch.mDest = ch.mScratchBuf.data();
  }
}

bool IEffectBase::IsInChannelConnected(int chIdx) const
{
  return chIdx >= 0 && chIdx < NInChannels() && mInChannels[static_cast<size_t>(chIdx)]->mConnected;
}

bool IEffectBase::IsOutChannelConnected(int chIdx) const
{
  return chIdx >= 0 && chIdx < NOutChannels() &&
         mOutChannels[static_cast<size_t>(chIdx)]->mConnected;
}

void IEffectBase::LimitToStereoIO()
{
  const int nIn = NInChannels();
  if (nIn > 2) SetInputChannelConnections(2, nIn - 2, false);
  for (int i = 2; i < NOutChannels(); ++i)
    mOutChannels[static_cast<size_t>(i)]->mConnected = true;
}

void IEffectBase::SetInputLabel(int idx, const char* label)
{
  if (idx >= 0 && idx < NInChannels())
    mInChannels[static_cast<size_t>(idx)]->mLabel = label ? label : "";
}

void IEffectBase::SetOutputLabel(int idx, const char* label)
{
  if (idx >= 0 && idx < NOutChannels())
    mOutChannels[static_cast<size_t>(idx)]->mLabel = label ? label : "";
}

namespace
{
// Replaces the label at idx, or appends it when the list is shorter.
void StoreBusLabel(std::vector<std::string>& labels, int idx, const char* label)
{
  const std::string text = label ? label : "";
  if (static_cast<size_t>(idx) < labels.size())
    labels[static_cast<size_t>(idx)] = text;
  else
    labels.push_back(text);
}
} // namespace

void IEffectBase::SetInputBusLabel(int idx, const char* label)
{
  if (idx == 0 || idx == 1) StoreBusLabel(mInputBusLabels, idx, label);
}

void IEffectBase::SetOutputBusLabel(int idx, const char* label)
{
  if (idx >= 0) StoreBusLabel(mOutputBusLabels, idx, label);
}

// ---- Buffers --------------------------------------------------------------------------------
// Host arrays list connected channels only: each connected channel of the clipped range takes
// the next host pointer.

void IEffectBase::AttachInputBuffers(int idx, int n, double** ppData, int /*nFrames*/)
{
  int first, last;
  if (!ClipRange(idx, n, NInChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    InChannel& ch = *mInChannels[static_cast<size_t>(i)];
    if (ch.mConnected) *ch.mSrc = *ppData++;
  }
}

void IEffectBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames)
{
  int first, last;
  if (!ClipRange(idx, n, NInChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    InChannel& ch = *mInChannels[static_cast<size_t>(i)];
    if (!ch.mConnected) continue;
    const float* src = *ppData++;
    double* dest = ch.mScratchBuf.data();
    const int count = std::min(nFrames, static_cast<int>(ch.mScratchBuf.size()));
    for (int f = 0; f < count; ++f)
      dest[f] = src[f];
    *ch.mSrc = dest;
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, double** ppData)
{
  int first, last;
  if (!ClipRange(idx, n, NOutChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    OutChannel& ch = *mOutChannels[static_cast<size_t>(i)];
    if (ch.mConnected) *ch.mDest = *ppData++;
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, float** ppData)
{
  int first, last;
  if (!ClipRange(idx, n, NOutChannels(), first, last)) return;
  for (int i = first; i <= last; ++i)
  {
    OutChannel& ch = *mOutChannels[static_cast<size_t>(i)];
    if (!ch.mConnected) continue;
    *ch.mDest = ch.mScratchBuf.data();
    ch.mFDest = *ppData++;
  }
}

// A block larger than the scratch buffers, or a channel slot that has never been given a
// buffer, cannot be processed safely; such a call leaves everything untouched.
bool IEffectBase::CanProcess(int nFrames) const
{
  if (nFrames > mBlockSize) return false;
  for (double* p : mInData)
    if (!p) return false;
  for (double* p : mOutData)
    if (!p) return false;
  return true;
}

void IEffectBase::ConvertOutputs(int nFrames, bool accumulate)
{
  for (auto& ch : mOutChannels)
  {
    if (!ch->mConnected || !ch->mFDest) continue;
    const double* src = *ch->mDest;
    float* dest = ch->mFDest;
    if (accumulate)
      for (int f = 0; f < nFrames; ++f)
        dest[f] += static_cast<float>(src[f]);
    else
      for (int f = 0; f < nFrames; ++f)
        dest[f] = static_cast<float>(src[f]);
  }
}

void IEffectBase::ProcessBuffers(double /*sampleType*/, int nFrames)
{
  if (CanProcess(nFrames)) ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
}

void IEffectBase::ProcessBuffers(float /*sampleType*/, int nFrames)
{
  if (!CanProcess(nFrames)) return;
  ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
  ConvertOutputs(nFrames, false);
}

void IEffectBase::ProcessBuffersAccumulating(float /*sampleType*/, int nFrames)
{
  if (!CanProcess(nFrames)) return;
  ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
  ConvertOutputs(nFrames, true);
}

void IEffectBase::PassThroughBuffers(double /*sampleType*/, int nFrames)
{
  if (CanProcess(nFrames))
    PassThrough(mInData.data(), mOutData.data(), NInChannels(), NOutChannels(), nFrames);
}

void IEffectBase::PassThroughBuffers(float /*sampleType*/, int nFrames)
{
  if (!CanProcess(nFrames) || nFrames <= 0) return;
  PassThroughBuffers(0.0, nFrames);
  ConvertOutputs(nFrames, false);
}

void IEffectBase::RepeatOutputs(float /*sampleType*/, int nFrames)
{
  if (CanProcess(nFrames)) ConvertOutputs(nFrames, false);
}

void IEffectBase::ReleaseOutputBuffers()
{
  for (auto& ch : mOutChannels)
  {
    ch->mFDest = nullptr;
    *ch->mDest = ch->mScratchBuf.data();
  }
}

void IEffectBase::ZeroScratchBuffers()
{
  for (auto& ch : mInChannels)
    std::fill(ch->mScratchBuf.begin(), ch->mScratchBuf.end(), 0.0);
  for (auto& ch : mOutChannels)
    std::fill(ch->mScratchBuf.begin(), ch->mScratchBuf.end(), 0.0);
}

// ---- MIDI -----------------------------------------------------------------------------------

bool IEffectBase::SendMidiMsgs(std::vector<IMidiMsg>& msgs)
{
  bool ok = true;
  for (IMidiMsg& msg : msgs)
    ok &= SendMidiMsg(&msg);
  return ok;
}
