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

#include "framework/ByteChunk.h"
#include "framework/EAPI.h"
#include "framework/EHost.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "framework/IPreset.h"
#include "framework/ITimeInfo.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

// The editor surface. The base only calls it through its virtual operations, so the
// framework needs no graphics code at link time.
class IGraphics;

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
    double** mDest = nullptr; // this channel's slot in mOutData
    float* mFDest = nullptr;  // host single-precision buffer, null until attached
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
  // Any thread; takes the mutex. Appends the plug-in's state to chunk. Base: SerializeParams.
  virtual bool SerializeState(ByteChunk* chunk) { return SerializeParams(chunk); }
  // Any thread; takes the mutex. Reads the state at startPos, applies it and calls
  // OnParamChange for every parameter. Returns the next position, or -1 when the chunk is short.
  // Base: UnserializeParams.
  virtual int UnserializeState(const ByteChunk* chunk, int startPos)
  {
    return UnserializeParams(chunk, startPos);
  }
  // Main, no lock. True when every parameter's value matches the double at index startPos + i
  // of data (both narrowed to float, difference below 0.00001). data must hold that many doubles.
  virtual bool CompareState(const unsigned char* data, int startPos);
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
  virtual void AttachGraphics(IGraphics* graphics);
  virtual void SetLatency(int samples) { mLatency = samples; }
  virtual bool SendMidiMsg(IMidiMsg* msg) = 0;
  virtual bool SendSysEx(ISysEx* /*msg*/) { return false; }
  // Main, no lock. Tells the attached editor every parameter's real value.
  virtual void RedrawParamControls();
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // Main. Sizes the scratch buffers for blocks of up to blockSize frames (allocates).
  virtual void SetBlockSize(int blockSize);
  // Main, under the mutex. Called by SetSampleRate when the rate changes, so that anything
  // derived from the rate follows it before the next block is processed.
  virtual void OnSampleRateChange() {}
  // Any thread, including the render thread: no lock, no allocation. Maps parameter
  // paramIdx's value into the processor as OnParamChange does, for wrappers whose host sets
  // parameters on the render thread (LV2 control ports). Such a wrapper never calls it
  // concurrently with OnParamChange or a state restore. Base: nothing.
  virtual void OnParamChangeLockFree(int /*paramIdx*/) {}

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
  // Converts the output that the last single-precision ProcessBuffers or PassThroughBuffers
  // left in the channels' scratch buffers into the host buffers attached now, without
  // processing again: a host asking for the same block twice gets the same samples.
  void RepeatOutputs(float sampleType, int nFrames);
  // Every output channel forgets the host buffer it was given: nothing is written into host
  // memory again until the next attach.
  void ReleaseOutputBuffers();
  void ZeroScratchBuffers();

  // ---- State chunks (IEffectState.cpp) -------------------------------------------------------
  // The state layout of the base: each parameter's real value as a double, in index order.

  // Any thread; takes the mutex. Appends every parameter's value. False only for a null chunk.
  bool SerializeParams(ByteChunk* chunk);
  // Any thread; takes the mutex. Reads one double per parameter from startPos and applies it
  // with IParam::Set (clamped). The first value that is missing becomes 0 (clamped) and stops
  // the reading; OnParamChange is then called for every parameter. Returns the next position,
  // or -1 after a short chunk.
  int UnserializeParams(const ByteChunk* chunk, int startPos);

  // The version prefix of chunks inside preset files: the magic 0x70666674 and the framework
  // chunk version, as int32s in native order.
  static constexpr int32_t kFrameworkChunkMagic = 0x70666674;
  static constexpr int32_t kFrameworkChunkVersion = 0x00010000;
  // Clears the chunk and writes the version prefix.
  static void InitChunkWithFrameworkVer(ByteChunk* chunk);
  // Reads the version prefix at *pos. Without a prefix (or fewer than 4 bytes left) returns 0
  // and leaves *pos. With the magic but no version sets *pos to -1 and returns 0. Otherwise
  // returns the version and advances *pos past the prefix.
  static int GetFrameworkVerFromChunk(const ByteChunk* chunk, int* pos);

  // ---- Presets (IEffectState.cpp) ------------------------------------------------------------
  // Main thread, no lock of their own; state reads and writes lock through the two operations
  // above. The make operations fill the next uninitialised slot and do nothing when none is left.

  // The first slot that holds no stored state, or null.
  IPreset* GetNextUninitializedPreset();
  // count times: the next free slot takes the current state, named name (or "Empty" for null).
  void MakeDefaultPreset(const char* name = nullptr, int count = 1);
  // Every remaining free slot takes the current state, named "Empty".
  void EnsureDefaultPreset();
  // A preset of one value per parameter, in index order (real values; bools and ints as
  // numbers). Nothing is made when the number of values differs from the parameter count.
  template <class... Values> void MakePreset(const char* name, Values... values)
  {
    const std::array<double, sizeof...(Values)> v{PresetArg(values)...};
    MakePresetFromValues(name, v.data(), static_cast<int>(v.size()));
  }
  // A preset from nParamsNamed pairs of (parameter index, real value); every parameter not
  // named keeps its current value. Nothing is made when the arguments are not that many pairs;
  // pairs with an index outside the parameter table are ignored.
  template <class... Args>
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, Args... pairs)
  {
    const std::array<double, sizeof...(Args)> v{PresetArg(pairs)...};
    if (nParamsNamed < 0 || static_cast<size_t>(nParamsNamed) * 2 != v.size()) return;
    MakePresetFromPairs(name, v.data(), nParamsNamed);
  }
  // A preset holding a copy of chunk's bytes.
  void MakePresetFromChunk(const char* name, const ByteChunk* chunk);
  // A preset of exactly sizeOfChunk bytes: the base64 text decoded into zeros.
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  // Deletes every uninitialised slot, keeping the order of the others. The current index
  // follows its preset (or, when that one was free, the next slot kept).
  void PruneUninitializedPresets();
  // Makes slot idx current. A free slot first takes the current settings and the name
  // "user preset N"; a stored slot is applied with UnserializeState. False for an index outside
  // the list or unreadable stored state (the current index is then unchanged).
  bool RestorePreset(int idx);
  // Restores the first slot with exactly this name; false for null, empty or no match.
  bool RestorePreset(const char* name);
  // The slot's name, or "" outside the list.
  const char* GetPresetName(int idx) const;
  // The current slot takes the current state, and the name when one is given.
  void ModifyCurrentPreset(const char* name = nullptr);
  // Every slot: name (as PutStr), initialised flag (one byte), and the stored chunk when
  // initialised. False only for a null chunk.
  bool SerializePresets(ByteChunk* chunk);
  // Reads what SerializePresets wrote into the existing slots, applying each stored state, then
  // restores the current preset. Returns the next position, or -1 when the chunk ends early.
  int UnserializePresets(const ByteChunk* chunk, int startPos);
  // Main; takes the mutex. Tells the host every parameter's normalised value.
  void DirtyParameters();

  // Developer output: source text for a plug-in's constructor. Each returns false and writes
  // nothing when the file cannot be opened (or, for DumpPresetBlob, there is no current preset).
  // paramEnumNames holds one identifier per parameter.
  bool DumpPresetSrcCode(const char* path, const char* const* paramEnumNames);
  bool DumpPresetBlob(const char* path);
  bool DumpBankBlob(const char* path);

  // ---- Preset files (PresetFiles.cpp) --------------------------------------------------------
  // FXP program and FXB bank files; the chunk form when the plug-in saves state chunks,
  // otherwise the parameter form. Main thread.
  //
  // Saving writes the whole file or nothing (WriteWholeFile): through symbolic links, keeping
  // the mode of the file it replaces, refusing a read-only file. False for an empty path or a
  // failed or refused write, which leaves the file as it was.
  bool SaveProgramAsFXP(const std::string& path);
  bool SaveBankAsFXB(const std::string& path);
  // Loading checks the whole file before applying any of it; a file that is refused (false)
  // leaves parameters, presets, names and the current preset exactly as they were.
  bool LoadProgramFromFXP(const std::string& path);
  bool LoadBankFromFXB(const std::string& path);
  // The same on bytes in memory.
  bool MakeProgramFXP(ByteChunk* file);
  bool MakeBankFXB(ByteChunk* file);
  bool LoadProgramFromFXPData(const uint8_t* data, size_t size);
  bool LoadBankFromFXBData(const uint8_t* data, size_t size);

  // ---- Host identification (HostId.cpp) ------------------------------------------------------
  // Main. Identifies the host from its name (LookUpHost) and stores its packed version.
  void SetHost(const char* host, int version);
  // Main. Call GetHost first (so a wrapper may identify the host), then answer the packed
  // version, its decimal form, or "v%d.%d.%d" (buffer of 32 bytes).
  int GetHostVersion(bool decimal);
  void GetHostVersionStr(char* buffer);

  // ---- MIDI ---------------------------------------------------------------------------------
  bool SendMidiMsgs(std::vector<IMidiMsg>& msgs);

  // ---- Editor -------------------------------------------------------------------------------
  IGraphics* GetGUI() const { return mGraphics; }

  std::recursive_mutex& Mutex() { return mMutex; }

protected:
  // Clips the channel range [idx, idx + n) to `count` channels; false when nothing is left.
  static bool ClipRange(int idx, int n, int count, int& first, int& last);
  bool CanProcess(int nFrames) const;
  void ConvertOutputs(int nFrames, bool accumulate);
  void ParseChannelIO(const char* channelIOStr);

  // A preset-making argument (a number, or an enumerator naming a parameter) as a double.
  template <class T> static double PresetArg(T value)
  {
    static_assert(std::is_arithmetic<T>::value || std::is_enum<T>::value,
                  "parameter indices and values are numbers");
    if constexpr (std::is_enum<T>::value)
      return static_cast<double>(static_cast<std::underlying_type_t<T>>(value));
    else
      return static_cast<double>(value);
  }
  void MakePresetFromValues(const char* name, const double* values, int count);
  void MakePresetFromPairs(const char* name, const double* pairs, int nPairs);
  // Slot idx takes the current state (chunk cleared and refilled), and name when not empty.
  void StoreStateInPreset(int idx, const char* name);

  // Everything a preset file may change, kept so that a load that fails part-way can put it
  // back exactly.
  struct SavedState
  {
    ByteChunk mState;
    std::vector<IPreset> mPresets;
    int mCurrentPresetIdx = 0;
  };
  void SaveState(SavedState& saved);
  void RestoreSavedState(const SavedState& saved);

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
  std::atomic<bool> mIsBypassed{false}; // written by the host thread, read by the render thread
  int mCurrentPresetIdx = 0;
  std::atomic<double> mSampleRate{44100.0};
  int mBlockSize = 0;
  int mLatency = 0;
  int mTailSize = 0;
  std::vector<const char*> mParamGroups;
  IGraphics* mGraphics = nullptr;
  std::vector<std::unique_ptr<IParam>> mParams;
  std::vector<std::unique_ptr<IPreset>> mPresets;
  std::vector<double*> mInData;
  std::vector<double*> mOutData;
  std::vector<std::unique_ptr<InChannel>> mInChannels;
  std::vector<std::unique_ptr<OutChannel>> mOutChannels;
  std::vector<std::string> mInputBusLabels;
  std::vector<std::string> mOutputBusLabels;
};
