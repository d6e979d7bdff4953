#pragma once
// The Audio Unit wrapper: the class between the host-neutral plug-in base and the plug-in.
// The host reaches it through the component entry (IEffectAUEntry), which turns every
// selector into a call here, and through the fast-dispatch functions it hands out.
//
// Threads. The entry holds the plug-in's mutex for every selector but Open and Close, so the
// property, state, parameter and render handlers below run with it held when called through
// the entry. The fast-dispatch RenderProc takes no lock and runs on the host's render
// thread; GetParamProc and SetParamProc take the mutex themselves. Listener, render-notify
// and parameter-event procedures are called on the calling thread.
//
// Every index the host sends (parameter id, element, clump id) is checked once, where it
// enters; nothing is read out of range.

#include "framework/IEffectInstanceInfo.h"
#include "au/RenderNotifiers.h"
#include "framework/IEffectBase.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#include <memory>
#include <string>
#include <vector>

class IEffectAU : public IEffectBase
{
public:
  // What feeds an input bus.
  enum EAUInputType
  {
    NotConnected = 0,
    DirectFastProc = 1,
    DirectNoFastProc = 2,
    RenderCallback = 3
  };

  // One host bus: its channel count as agreed with the host and the plug-in channels it covers.
  struct BusChannels
  {
    bool mConnected = false;
    int mHostChannels = -1;
    int mPlugChannels = 0;
    int mPlugChannelStart = 0;
    // Output: the buffers rendered into at its last render; -1 connects the channels afresh at
    // the next one.
    int mRenderedBuffers = -1;
  };

  // A time slice as a render asked for it. A render that asks for the slice the inputs were
  // last pulled for does not pull again, and one that asks for the slice last processed gets
  // that output again; the block size, bypass and sample rate are part of the slice, since a
  // change to them makes the samples kept from it stale.
  struct RenderSlice
  {
    bool mValid = false;
    double mSampleTime = 0.0;
    UInt32 mFrames = 0;
    int mBlockSize = 0;
    bool mBypassed = false;
    double mSampleRate = 0.0;

    bool operator==(const RenderSlice& other) const
    {
      return mValid && other.mValid && mSampleTime == other.mSampleTime &&
             mFrames == other.mFrames && mBlockSize == other.mBlockSize &&
             mBypassed == other.mBypassed && mSampleRate == other.mSampleRate;
    }
  };

  struct InputConnection
  {
    void* mUpstreamObj = nullptr;
    AudioUnit mUpstreamUnit = nullptr;
    int mUpstreamOutput = 0;
    AudioUnitRenderProc mUpstreamRenderProc = nullptr;
    AURenderCallbackStruct mRenderCallback = {nullptr, nullptr};
    EAUInputType mInputType = NotConnected;
  };

  struct ListenerRecord
  {
    AudioUnitPropertyID mPropID;
    AudioUnitPropertyListenerProc mProc;
    void* mUserData;
  };

  // The host's transport procedures (HostCallbackInfo).
  struct HostCallbacks
  {
    void* hostUserData = nullptr;
    HostCallback_GetBeatAndTempo beatAndTempoProc = nullptr;
    HostCallback_GetMusicalTimeLocation musicalTimeLocationProc = nullptr;
    HostCallback_GetTransportState transportStateProc = nullptr;
  };

  static constexpr int kMaxBusChannels = 128; // the pull list's capacity

  IEffectAU(IEffectInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
            const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
            int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
            bool plugIsInst, int plugScChans);
  ~IEffectAU() override;

  // ---- Component entries (au/AUDispatch.cpp) -------------------------------------------------
  // The audio unit entry: every component selector. storage is the plug-in object (null at
  // Open).
  static ComponentResult IEffectAUEntry(ComponentParameters* params, void* storage);
  // The Carbon view entry. storage is the view record (null at Open).
  static ComponentResult IEffectAUCarbonViewEntry(ComponentParameters* params, void* storage);

  // ---- Fast dispatch (au/AUDispatch.cpp, au/AURender.cpp) -------------------------------------
  static OSStatus GetParamProc(void* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue* value);
  static OSStatus SetParamProc(void* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue value,
                               UInt32 bufferOffset);
  // Render thread; no lock, no allocation.
  static OSStatus RenderProc(void* plug, AudioUnitRenderActionFlags* flags,
                             const AudioTimeStamp* timestamp, UInt32 outputBus, UInt32 nFrames,
                             AudioBufferList* bufferList);

  // ---- Properties (au/AUProperties.cpp) -------------------------------------------------------
  // *size holds the caller's buffer size on entry when data is given; on return the
  // property's size. A buffer smaller than the property's data is refused and nothing is
  // written. With data null the request only asks for the size and writability.
  ComponentResult GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, UInt32* size, Boolean* writable,
                              void* data);
  // dataSize is the size of what data points at; a record larger than that is refused.
  ComponentResult SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, UInt32 dataSize, const void* data);

  // ---- Buses and connections (au/AUBuses.cpp) ------------------------------------------------
  static int NHostChannelsConnected(const std::vector<std::unique_ptr<BusChannels>>& buses,
                                    int excludeIdx = -1);
  bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels);
  bool CheckLegalIO(); // the whole configuration, as Initialize checks it
  // Recomputes every input bus's feed and channel connections. Main thread, takes the mutex.
  void AssessInputConnections();
  // The next render starts afresh: it pulls its inputs, connects its output buffers and runs
  // the processor, whatever slice it asks for.
  void ForgetRenderHistory();
  static void MakeDefaultASBD(AudioStreamBasicDescription* asbd, double sampleRate, int nChannels,
                              bool interleaved);
  static UInt32 GetTagForNumChannels(int numChannels);
  static const char* AUInputTypeStr(int type);

  // ---- State, presets, notices, transport (au/AUState.cpp) -----------------------------------
  ComponentResult GetState(CFPropertyListRef* plist);
  ComponentResult SetState(CFPropertyListRef plist);
  void InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope);
  static void SendAUEvent(AudioUnitEventType type, AudioComponentInstance unit, int paramIdx);

  // Hooks the base calls (au/AUState.cpp).
  void BeginInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void InformHostOfProgramChange() override;
  bool IsRenderingOffline() override { return mRenderingOffline; }
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* numerator, int* denominator) override;
  void GetTime(ITimeInfo* timeInfo) override;
  EHost GetHost() override;
  void HostSpecificInit() override;
  void ResizeGraphics(int width, int height) override;
  void SetLatency(int samples) override;
  // MIDI output is not supported by the Audio Unit effect wrapper.
  bool SendMidiMsg(IMidiMsg* /*msg*/) override { return false; }
  // au/AUBuses.cpp: sizes the float scratch arrays (every call) and the base's buffers. Frees
  // what a render may be using: never called while initialised (MaximumFramesPerSlice is
  // refused then with kAudioUnitErr_Initialized unless it keeps the size in force).
  void SetBlockSize(int blockSize) override;

  const std::string& BundleID() const { return mBundleID; }
  const std::string& ViewFactoryClass() const { return mViewFactoryClass; }
  AudioComponentInstance GetComponentInstance() const { return mComponentInstance; }
  bool IsActive() const { return mActive; }

protected:
  static OSStatus FindParam(IEffectAU* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                            IParam** param);

  // Selector handlers (au/AUDispatch.cpp).
  ComponentResult DoInitialize();
  ComponentResult DoUninitialize();
  ComponentResult AddPropertyListener(AudioUnitPropertyID propID,
                                      AudioUnitPropertyListenerProc proc, void* userData);
  ComponentResult RemovePropertyListener(AudioUnitPropertyID propID,
                                         AudioUnitPropertyListenerProc proc, bool matchUserData,
                                         void* userData);
  ComponentResult ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents);
  void ReleaseConnections(); // at Close

  // Bus property setters (au/AUBuses.cpp).
  ComponentResult SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription* asbd);
  ComponentResult GetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  AudioStreamBasicDescription* asbd);
  ComponentResult SetConnection(AudioUnitScope scope, const AudioUnitConnection* connection);
  ComponentResult SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                    const AURenderCallbackStruct* callback);
  BusChannels* GetBus(AudioUnitScope scope, AudioUnitElement element);
  OSStatus Render(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timestamp,
                  UInt32 outputBus, UInt32 nFrames, AudioBufferList* bufferList);
  // Render helpers (au/AURender.cpp); render thread, no lock, no allocation.
  RenderSlice SliceOf(const AudioTimeStamp& timestamp, UInt32 nFrames) const;
  // The number of the host's buffers an output bus renders into: those its format covers.
  static int NBuffersRendered(const BusChannels& bus, UInt32 nBuffers);
  // kAudio_ParamError when a buffer the bus renders into is too short for nFrames.
  static OSStatus CheckOutputBuffers(const BusChannels& bus, UInt32 nFrames,
                                     const AudioBufferList& ioData);
  // Pulls every connected input bus and attaches what it gave; the first failure is returned.
  OSStatus PullInputs(const AudioTimeStamp* timestamp, UInt32 nFrames);
  // Connects the bus's channels to the buffers it renders into and attaches them.
  void ConnectOutputBuffers(BusChannels& bus, UInt32 nFrames, AudioBufferList& ioData);
  void BuildBuses(int scChans);

  std::string mBundleID;
  std::string mViewFactoryClass;
  char mParamTextBuf[IParam::kDisplayLen] = {};
  AudioComponentInstance mComponentInstance = nullptr;
  bool mActive = false;
  std::atomic<bool> mRenderingOffline{false}; // the plug-in may ask from the render thread
  RenderSlice mPulledSlice;                   // the slice the inputs were last pulled for
  RenderSlice mProcessedSlice; // the slice whose output the channels' scratch buffers hold
  double mCachedTempo = 120.0;
  HostCallbacks mHostCallbacks;
  std::vector<float> mInputScratch;
  std::vector<float> mOutputScratch;
  RenderNotifiers mRenderNotifiers;
  std::vector<std::unique_ptr<BusChannels>> mInputBuses;
  std::vector<std::unique_ptr<BusChannels>> mOutputBuses;
  std::vector<std::unique_ptr<InputConnection>> mInputConnections;
  std::vector<std::unique_ptr<ListenerRecord>> mPropertyListeners;
};

// The factory-preset record handed to hosts in CFArrays: the platform's AUPreset followed by
// its allocator and a reference count.
struct CFAUPreset
{
  AUPreset mPreset;
  CFAllocatorRef mAllocator;
  CFIndex mRefCount;
};
typedef const CFAUPreset* CFAUPresetRef;

CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber,
                               CFStringRef presetName);
CFAUPresetRef CFAUPresetRetain(const void* preset);
void CFAUPresetRelease(const void* preset);
const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef allocator, const void* preset);
void CFAUPresetArrayReleaseCallBack(CFAllocatorRef allocator, const void* preset);
Boolean CFAUPresetArrayEqualCallBack(const void* preset1, const void* preset2);
CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* preset);
void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callbacks);
extern const CFArrayCallBacks kCFAUPresetArrayCallBacks;

// Creates the plug-in object. Instances of the process are constructed one at a time, under a
// process-wide recursive lock.
IEffectAU* MakePlug();
