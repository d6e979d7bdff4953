#pragma once
// The host-neutral plug-in object: identity, parameters, channel configuration, channel
// records with scratch buffers, sample rate, block size, latency, bypass, the attached editor
// and one recursive mutex. It turns host buffers of either precision into the double arrays
// that ProcessDoubleReplacing works on and converts the result back.
//
// Threads. "Main" means the host's main thread (selectors, properties, state, editor);
// "render" the host's render thread; "any" includes a host automation thread. The mutex is
// recursive: parameter and state operations take it, re-entering when already held. The
// render operations (Attach*, ProcessBuffers*, PassThroughBuffers) take no lock and allocate
// nothing; they must not run concurrently with connection or block-size changes.

#include "framework/EAPI.h"
#include "framework/EHost.h"
#include "framework/IEditor.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "framework/IPreset.h"
#include "framework/ITimeInfo.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Packed versions: major in bits 16..31, minor in 8..15, patch in 0..7.
void GetVersionParts(int version, int& major, int& minor, int& patch);
int GetDecimalVersion(int version);
void GetVersionStr(int version, char* buffer); // "v%d.%d.%d"; 32 bytes suffice

class IEffectBase
{
public:
  struct ChannelIO
  {
    int mIn = 0;
    int mOut = 0;
  };

  struct InChannel
  {
    bool mConnected = false;
    double** mSrc = nullptr; // this channel's slot in mInData
    std::vector<double> mScratchBuf;
    std::string mLabel;
  };

  struct OutChannel
  {
    bool mConnected = false;
    double** mDest = nullptr;    // this channel's slot in mOutData
    float* mFDest = nullptr;     // host single-precision buffer, null until attached
    std::vector<double> mScratchBuf;
    std::string mLabel;
  };

  IEffectBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
              const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
              int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
              EAPI plugAPI);
  virtual ~IEffectBase();

  IEffectBase(const IEffectBase&) = delete;
  IEffectBase& operator=(const IEffectBase&) = delete;

  // ---- Virtual hooks, in slot order ---------------------------------------------------------

  // Main. Called when the host resets the unit. Base: takes and releases the mutex.
  virtual void Reset();
  // Any thread. Maps parameter paramIdx's value into the processor. Base: takes and releases
  // the mutex.
  virtual void OnParamChange(int paramIdx);
  // Render. Processes one block; inputs and outputs hold one pointer per channel. Base: copies
  // each input to the output of the same index and zeroes the outputs without an input.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  // Render. The same pass-through on single-precision buffers.
  virtual void ProcessSingleReplacing(float** inputs, float** outputs, int nFrames);
  virtual void OnGUIOpen() {}
  virtual void OnGUIClose() {}
  virtual void OnIdle() {}
  // Main. Called with true when the host initialises the unit, false when it uninitialises or
  // bypasses it. Base: takes and releases the mutex.
  virtual void OnActivate(bool active);
  virtual void ProcessMidiMsg(IMidiMsg* msg);
  virtual void ProcessSysEx(ISysEx* /*msg*/) {}
  virtual bool MidiNoteName(int noteNumber, char* buffer);
  virtual void OnWindowResize() {}
  virtual bool HostRequestingAboutBox() { return false; }
  virtual void OnHostIdentified() {}
  virtual void PopupHostContextMenuForParam(int /*paramIdx*/, int /*x*/, int /*y*/) {}
  // Editor thread. Sets a parameter from a normalised control value, tells the host and the
  // processor; all under the mutex.
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
  // Host notifications and queries, supplied by the host wrapper.
  virtual void BeginInformHostOfParamChange(int paramIdx) = 0;
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;
  virtual void EndInformHostOfParamChange(int paramIdx) = 0;
  virtual void InformHostOfProgramChange() = 0;
  virtual bool IsRenderingOffline() { return false; }
  virtual int GetSamplePos() = 0;
  virtual double GetTempo() = 0;
  virtual void GetTimeSig(int* numerator, int* denominator) = 0;
  virtual void GetTime(ITimeInfo* timeInfo) = 0;
  virtual EHost GetHost() { return mHost; }
  virtual EAPI GetAPI() { return mAPI; }
  virtual void ResizeGraphics(int width, int height) = 0;
  virtual void HostSpecificInit() {}
  // Main. Takes ownership of the editor, tells it every parameter's value and prepares it.
  virtual void AttachGraphics(IEditor* graphics);
  virtual void SetLatency(int samples) { mLatency = samples; }
  virtual bool SendMidiMsg(IMidiMsg* msg) = 0;
  virtual bool SendSysEx(ISysEx* /*msg*/) { return false; }
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // Main. Sizes the scratch buffers for blocks of up to blockSize frames (allocates).
  virtual void SetBlockSize(int blockSize);
  // Main, under the mutex. Called by SetSampleRate when the rate changes, so that anything
  // derived from the rate follows it before the next block is processed.
  virtual void OnSampleRateChange() {}

  // ---- Identity -----------------------------------------------------------------------------
  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  int GetEffectVersion(bool decimal) const;
  void GetEffectVersionStr(char* buffer) const;
  const char* GetAPIString();
  const char* GetArchString() const { return "x64"; }
  bool IsInst() const { return mIsInst; }
  bool DoesMIDI() const { return mDoesMIDI; }
  bool DoesStateChunks() const { return mStateChunks; }

  // ---- Timing -------------------------------------------------------------------------------
  // Main. Stores the rate; when it changes, calls OnSampleRateChange under the mutex.
  void SetSampleRate(double sampleRate);
  double GetSampleRate() const { return mSampleRate.load(std::memory_order_relaxed); }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  double GetSamplesPerBeat();

  // ---- Parameters ---------------------------------------------------------------------------
  int NParams() const { return static_cast<int>(mParams.size()); }
  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  // The parameter at idx, or null outside the table.
  IParam* GetParam(int idx) const;
  // Any thread, no lock: calls OnParamChange for every parameter in index order.
  void OnParamReset();

  // ---- Channels -----------------------------------------------------------------------------
  bool LegalIO(int nIn, int nOut) const;
  int NChannelIO() const { return static_cast<int>(mChannelIO.size()); }
  void GetChannelIO(int idx, int* nIn, int* nOut) const;
  int NInChannels() const { return static_cast<int>(mInChannels.size()); }
  int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  void LimitToStereoIO();
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  void SetInputBusLabel(int idx, const char* label);
  void SetOutputBusLabel(int idx, const char* label);
  const std::vector<std::string>& InputBusLabels() const { return mInputBusLabels; }
  const std::vector<std::string>& OutputBusLabels() const { return mOutputBusLabels; }

  // ---- Buffers (render thread; no lock, no allocation) ---------------------------------------
  void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** ppData);
  void AttachOutputBuffers(int idx, int n, float** ppData);
  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  void ProcessBuffersAccumulating(float sampleType, int nFrames);
  void PassThroughBuffers(double sampleType, int nFrames);
  void PassThroughBuffers(float sampleType, int nFrames);
  void ZeroScratchBuffers();

  // ---- MIDI ---------------------------------------------------------------------------------
  bool SendMidiMsgs(std::vector<IMidiMsg>& msgs);

  // ---- Editor -------------------------------------------------------------------------------
  IEditor* GetGUI() const { return mGraphics; }

  std::recursive_mutex& Mutex() { return mMutex; }

protected:
  // Clips the channel range [idx, idx + n) to `count` channels; false when nothing is left.
  static bool ClipRange(int idx, int n, int count, int& first, int& last);
  bool CanProcess(int nFrames) const;
  void ConvertOutputs(int nFrames, bool accumulate);
  void ParseChannelIO(const char* channelIOStr);

  std::vector<std::unique_ptr<ChannelIO>> mChannelIO;
  std::recursive_mutex mMutex;
  char mEffectName[128] = {};
  char mProductName[128] = {};
  char mMfrName[128] = {};
  int mUniqueID = 0;
  int mMfrID = 0;
  int mVersion = 0;
  EAPI mAPI = kAPIVST2;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks = false;
  bool mIsInst = false;
  bool mDoesMIDI = false;
  bool mIsBypassed = false;
  int mCurrentPresetIdx = 0;
  std::atomic<double> mSampleRate{44100.0};
  int mBlockSize = 0;
  int mLatency = 0;
  int mTailSize = 0;
  std::vector<const char*> mParamGroups;
  IEditor* mGraphics = nullptr;
  std::vector<std::unique_ptr<IParam>> mParams;
  std::vector<std::unique_ptr<IPreset>> mPresets;
  std::vector<double*> mInData;
  std::vector<double*> mOutData;
  std::vector<std::unique_ptr<InChannel>> mInChannels;
  std::vector<std::unique_ptr<OutChannel>> mOutChannels;
  std::vector<std::string> mInputBusLabels;
  std::vector<std::string> mOutputBusLabels;
};
