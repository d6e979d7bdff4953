#include "au/AUEditorImage.h"
#include "au/AUParameterInfo.h"
#include "au/CFText.h"
#include "au/IEffectAU.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// ---- Get replies ------------------------------------------------------------------------------

// How the writable flag of a get request is answered.
enum EWritable
{
  kWritableUntouched = -1, // the caller's flag stays as it was
  kReadOnly = 0,
  kWritable = 1
};

// One get request: the caller's buffer (null for a size-only request), its capacity and where
// the property's size and writability go. A handler first checks scope and element, then
// declares what the property is with Accept, and writes its data only when Accept says so.
class GetReply
{
public:
  GetReply(UInt32* size, Boolean* writable, void* data)
      : mSize(size), mWritable(writable), mData(data), mCapacity(size ? *size : 0)
  {
  }

  // Declares the property's size and writability. True when the data is to be written: the
  // caller gave a buffer of at least `size` bytes. False for a size-only request (status noErr:
  // size and writability have been reported) and for a buffer too small to take the data
  // (status kAudioUnitErr_InvalidPropertyValue: nothing at all has been written).
  bool Accept(UInt32 size, EWritable writable)
  {
    if (mData && mCapacity < size)
    {
      mStatus = kAudioUnitErr_InvalidPropertyValue;
      return false;
    }
    if (mSize) *mSize = size;
    if (mWritable && writable != kWritableUntouched) *mWritable = writable == kWritable;
    return mData != nullptr;
  }

  // Reports a size without data, for properties that answer an error together with a size.
  void ReportSize(UInt32 size)
  {
    if (mSize) *mSize = size;
  }

  void SetWritable(bool writable)
  {
    if (mWritable) *mWritable = writable;
  }

  ComponentResult Status() const { return mStatus; }
  bool HasData() const { return mData != nullptr; }

  // The caller's buffer; valid once Accept returned true.
  template <class T> T* Data() const { return static_cast<T*>(mData); }

  // Copies a record into the caller's buffer (which need not be aligned for T).
  template <class T> void Put(const T& value) const { std::memcpy(mData, &value, sizeof(T)); }

  // Reads the record the caller placed in its buffer (in/out records).
  template <class T> T Get() const
  {
    T value;
    std::memcpy(&value, mData, sizeof(T));
    return value;
  }

private:
  UInt32* mSize;
  Boolean* mWritable;
  void* mData;
  UInt32 mCapacity;
  ComponentResult mStatus = noErr;
};

// ---- Presets ----------------------------------------------------------------------------------

// One factory-preset record per preset slot; the array holds the only reference to each.
// Null when an array or record cannot be made.
CFArrayRef MakeFactoryPresets(const IEffectBase& plug)
{
  const int n = plug.NPresets();
  CFMutableArrayRef presets =
      CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFAUPresetArrayCallBacks);
  if (!presets) return nullptr;
  for (int i = 0; i < n; ++i)
  {
    CFStringRef name = MakeCFString(plug.GetPresetName(i));
    CFAUPresetRef preset = CFAUPresetCreate(kCFAllocatorDefault, i, name);
    if (name) CFRelease(name);
    if (!preset)
    {
      CFRelease(presets);
      return nullptr;
    }
    CFArrayAppendValue(presets, preset);
    CFAUPresetRelease(preset);
  }
  return presets;
}

// ---- Editor views -----------------------------------------------------------------------------

bool SystemOffersCocoaViews()
{
  SInt32 version = 0;
  return Gestalt(gestaltSystemVersion, &version) == noErr && version >= 0x1050;
}

CFBundleRef FindBundle(const std::string& bundleID)
{
  CFStringRef id = MakeCFString(bundleID.c_str());
  if (!id) return nullptr;
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  return bundle;
}

// Where the host finds the Cocoa view factory: the bundle's URL and the factory's class name.
ComponentResult MakeCocoaViewInfo(CFBundleRef bundle, const std::string& viewClass,
                                  AudioUnitCocoaViewInfo& info)
{
  info.mCocoaAUViewBundleLocation = CFBundleCopyBundleURL(bundle);
  info.mCocoaAUViewClass[0] = MakeCFString(viewClass.c_str());
  if (info.mCocoaAUViewBundleLocation && info.mCocoaAUViewClass[0]) return noErr;
  if (info.mCocoaAUViewBundleLocation) CFRelease(info.mCocoaAUViewBundleLocation);
  if (info.mCocoaAUViewClass[0]) CFRelease(info.mCocoaAUViewClass[0]);
  return coreFoundationUnknownErr;
}
} // namespace

// ---- GetProperty ------------------------------------------------------------------------------

ComponentResult IEffectAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                       AudioUnitElement element, UInt32* size, Boolean* writable,
                                       void* data)
{
  GetReply reply(size, writable, data);
  const bool global = scope == kAudioUnitScope_Global;

  switch (propID)
  {
  case kAudioUnitProperty_ClassInfo:
  {
    if (!reply.Accept(sizeof(CFPropertyListRef), kWritable)) return reply.Status();
    CFPropertyListRef plist = nullptr;
    const ComponentResult status = GetState(&plist);
    if (status == noErr) reply.Put(plist);
    return status;
  }

  case kAudioUnitProperty_MakeConnection:
    // Connections are made, not read back: the answer carries no data.
    if (!global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
    reply.Accept(sizeof(AudioUnitConnection), kWritable);
    return reply.Status();

  case kAudioUnitProperty_SampleRate:
    if (reply.Accept(sizeof(Float64), kWritable)) reply.Put<Float64>(GetSampleRate());
    return reply.Status();

  case kAudioUnitProperty_ParameterList:
  {
    const int n = global ? NParams() : 0;
    if (reply.Accept(static_cast<UInt32>(n * sizeof(AudioUnitParameterID)), kWritableUntouched))
    {
      for (int i = 0; i < n; ++i)
      {
        const AudioUnitParameterID id = static_cast<AudioUnitParameterID>(i);
        std::memcpy(reply.Data<char>() + i * sizeof id, &id, sizeof id);
      }
    }
    return reply.Status();
  }

  case kAudioUnitProperty_ParameterInfo:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    const IParam* param = ParamAt(*this, element);
    if (!param) return kAudioUnitErr_InvalidElement;
    if (reply.Accept(sizeof(AudioUnitParameterInfo), kWritableUntouched))
    {
      AudioUnitParameterInfo info;
      FillParameterInfo(*param, mParamGroups, info);
      reply.Put(info);
    }
    return reply.Status();
  }

  case kAudioUnitProperty_FastDispatch:
    // The element names the selector whose function the host wants to call directly.
    switch (element)
    {
    case kAudioUnitRenderSelect:
      if (reply.Accept(sizeof(AudioUnitRenderProc), kWritableUntouched))
        reply.Put<AudioUnitRenderProc>(&IEffectAU::RenderProc);
      return reply.Status();
    case kAudioUnitSetParameterSelect:
      if (reply.Accept(sizeof(AudioUnitSetParameterProc), kWritableUntouched))
        reply.Put<AudioUnitSetParameterProc>(&IEffectAU::SetParamProc);
      return reply.Status();
    case kAudioUnitGetParameterSelect:
      if (reply.Accept(sizeof(AudioUnitGetParameterProc), kWritableUntouched))
        reply.Put<AudioUnitGetParameterProc>(&IEffectAU::GetParamProc);
      return reply.Status();
    default:
      return kAudioUnitErr_InvalidElement;
    }

  case kAudioUnitProperty_StreamFormat:
  {
    AudioStreamBasicDescription asbd;
    const ComponentResult status = GetStreamFormat(scope, element, &asbd);
    if (status != noErr) return status;
    if (reply.Accept(sizeof asbd, kWritable)) reply.Put(asbd);
    return reply.Status();
  }

  case kAudioUnitProperty_ElementCount:
  {
    UInt32 count = 0;
    if (global)
      count = 1;
    else if (scope == kAudioUnitScope_Input)
      count = static_cast<UInt32>(mInputBuses.size());
    else if (scope == kAudioUnitScope_Output)
      count = static_cast<UInt32>(mOutputBuses.size());
    if (reply.Accept(sizeof count, kWritableUntouched)) reply.Put(count);
    return reply.Status();
  }

  case kAudioUnitProperty_Latency:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(Float64), kWritableUntouched))
    {
      const double rate = GetSampleRate();
      reply.Put<Float64>(rate > 0.0 ? GetLatency() / rate : 0.0);
    }
    return reply.Status();

  case kAudioUnitProperty_SupportedNumChannels:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    const int n = NChannelIO();
    if (reply.Accept(static_cast<UInt32>(n * sizeof(AUChannelInfo)), kWritableUntouched))
    {
      for (int i = 0; i < n; ++i)
      {
        int nIn = 0, nOut = 0;
        GetChannelIO(i, &nIn, &nOut);
        const AUChannelInfo info = {static_cast<SInt16>(nIn), static_cast<SInt16>(nOut)};
        std::memcpy(reply.Data<char>() + i * sizeof info, &info, sizeof info);
      }
    }
    return reply.Status();
  }

  case kAudioUnitProperty_MaximumFramesPerSlice:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(UInt32), kWritable)) reply.Put(static_cast<UInt32>(GetBlockSize()));
    return reply.Status();

  case kAudioUnitProperty_ParameterValueStrings:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    const IParam* param = ParamAt(*this, element);
    if (!param) return kAudioUnitErr_InvalidElement;
    if (param->GetNDisplayTexts() == 0)
    {
      reply.ReportSize(0);
      return kAudioUnitErr_InvalidProperty;
    }
    if (!reply.Accept(sizeof(CFArrayRef), kWritableUntouched)) return reply.Status();
    CFArrayRef strings = MakeValueStrings(*param);
    if (!strings) return coreFoundationUnknownErr;
    reply.Put(strings);
    return noErr;
  }

  case kAudioUnitProperty_GetUIComponentList:
    if (!GetGUI()) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(ComponentDescription), kWritableUntouched))
    {
      ComponentDescription desc = {};
      desc.componentType = kAudioUnitCarbonViewComponentType;
      desc.componentSubType = static_cast<OSType>(GetUniqueID());
      desc.componentManufacturer = static_cast<OSType>(GetMfrID());
      reply.Put(desc);
    }
    return reply.Status();

  case kAudioUnitProperty_AudioChannelLayout:
    // Channel layouts are not supported; buses carry plain channel counts.
    return kAudioUnitErr_InvalidPropertyValue;

  case kAudioUnitProperty_TailTime:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(Float64), GetTailSize() > 0 ? kWritable : kReadOnly))
    {
      const double rate = GetSampleRate();
      reply.Put<Float64>(rate > 0.0 ? GetTailSize() / rate : 0.0);
    }
    return reply.Status();

  case kAudioUnitProperty_BypassEffect:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(UInt32), kWritable)) reply.Put<UInt32>(mIsBypassed ? 1 : 0);
    return reply.Status();

  case kAudioUnitProperty_LastRenderError:
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(OSStatus), kWritableUntouched)) reply.Put<OSStatus>(noErr);
    return reply.Status();

  case kAudioUnitProperty_SetRenderCallback:
    // Callbacks are installed, not read back: the answer carries no data.
    if ((!global && scope != kAudioUnitScope_Input) || element >= mInputBuses.size())
      return kAudioUnitErr_InvalidProperty;
    reply.Accept(sizeof(AURenderCallbackStruct), kWritable);
    return reply.Status();

  case kAudioUnitProperty_FactoryPresets:
  {
    if (!reply.Accept(sizeof(CFArrayRef), kWritableUntouched)) return reply.Status();
    CFArrayRef presets = MakeFactoryPresets(*this);
    if (!presets) return coreFoundationUnknownErr;
    reply.Put(presets);
    return noErr;
  }

  case kAudioUnitProperty_HostCallbacks:
    // The host's procedures are set, not read back: the answer carries no data.
    if (!global) return kAudioUnitErr_InvalidProperty;
    reply.Accept(sizeof(HostCallbackInfo), kWritable);
    return reply.Status();

  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  {
    if (!reply.Accept(sizeof(AUPreset), kWritable)) return reply.Status();
    AUPreset preset;
    preset.presetNumber = GetCurrentPresetIdx();
    preset.presetName = MakeCFString(GetPresetName(GetCurrentPresetIdx()));
    reply.Put(preset);
    return noErr;
  }

  case kAudioUnitProperty_ElementName:
  {
    // Only answered with data: a size-only request learns the size and is refused.
    if (!reply.HasData())
    {
      reply.ReportSize(sizeof(CFStringRef));
      reply.SetWritable(false);
      return kAudioUnitErr_InvalidProperty;
    }
    const std::vector<std::string>* labels = nullptr;
    if (scope == kAudioUnitScope_Input)
    {
      if (element > 1) return kAudioUnitErr_InvalidElement;
      labels = &InputBusLabels();
    }
    else if (scope == kAudioUnitScope_Output)
      labels = &OutputBusLabels();
    else
      return kAudioUnitErr_InvalidScope;
    if (element >= labels->size()) return kAudioUnitErr_InvalidElement;
    if (!reply.Accept(sizeof(CFStringRef), kReadOnly)) return reply.Status();
    CFStringRef name = MakeCFString((*labels)[element].c_str());
    if (!name) return coreFoundationUnknownErr;
    reply.Put(name);
    return noErr;
  }

  case kAudioUnitProperty_CocoaUI:
  {
    if (!GetGUI() || !SystemOffersCocoaViews()) return kAudioUnitErr_InvalidProperty;
    CFBundleRef bundle = FindBundle(mBundleID);
    if (!bundle) return kAudioUnitErr_InvalidProperty;
    if (!reply.Accept(sizeof(AudioUnitCocoaViewInfo), kWritableUntouched)) return reply.Status();
    AudioUnitCocoaViewInfo info;
    const ComponentResult status = MakeCocoaViewInfo(bundle, mViewFactoryClass, info);
    if (status == noErr) reply.Put(info);
    return status;
  }

  case kAudioUnitProperty_SupportedChannelLayoutTags:
  {
    // Offered by instruments only: one tag per output or input bus, from its channel count.
    if (!IsInst()) return kAudioUnitErr_InvalidProperty;
    const std::vector<std::unique_ptr<BusChannels>>* buses = nullptr;
    if (scope == kAudioUnitScope_Input)
      buses = &mInputBuses;
    else if (scope == kAudioUnitScope_Output)
      buses = &mOutputBuses;
    else
      return kAudioUnitErr_InvalidScope;
    if (element >= buses->size()) return kAudioUnitErr_InvalidElement;
    if (reply.Accept(sizeof(AudioChannelLayoutTag), kWritableUntouched))
      reply.Put<AudioChannelLayoutTag>(GetTagForNumChannels((*buses)[element]->mPlugChannels));
    return reply.Status();
  }

  // The four in/out parameter records are answered in the global scope only; in any other
  // scope the size is reported and nothing is done.
  case kAudioUnitProperty_ParameterStringFromValue:
  {
    if (!reply.Accept(sizeof(AudioUnitParameterStringFromValue), kWritableUntouched) || !global)
      return reply.Status();
    auto record = reply.Get<AudioUnitParameterStringFromValue>();
    const ComponentResult status =
        StringFromValue(ParamAt(*this, record.inParamID), record, mParamTextBuf);
    if (status == noErr) reply.Put(record);
    return status;
  }

  case kAudioUnitProperty_ParameterIDName:
  {
    if (!reply.Accept(sizeof(AudioUnitParameterIDName), kWritableUntouched) || !global)
      return reply.Status();
    auto record = reply.Get<AudioUnitParameterIDName>();
    const ComponentResult status = IDName(ParamAt(*this, record.inID), record);
    if (status == noErr) reply.Put(record);
    return status;
  }

  case kAudioUnitProperty_ParameterClumpName:
  {
    if (!reply.Accept(sizeof(AudioUnitParameterNameInfo), kWritableUntouched) || !global)
      return reply.Status();
    auto record = reply.Get<AudioUnitParameterNameInfo>();
    const ComponentResult status = ClumpName(mParamGroups, record);
    if (status == noErr) reply.Put(record);
    return status;
  }

  case kAudioUnitProperty_ParameterValueFromString:
  {
    if (!reply.Accept(sizeof(AudioUnitParameterValueFromString), kWritableUntouched) || !global)
      return reply.Status();
    auto record = reply.Get<AudioUnitParameterValueFromString>();
    const ComponentResult status = ValueFromString(ParamAt(*this, record.inParamID), record);
    if (status == noErr) reply.Put(record);
    return status;
  }

  case kIEffectAUProperty_EditorImage:
    if (!global) return kAudioUnitErr_InvalidProperty;
    return GetEditorImage(*this, size, data);

  case kIEffectAUProperty_ParameterMapping:
  {
    if (!global) return kAudioUnitErr_InvalidProperty;
    if (!reply.Accept(sizeof(IEffectAUParameterMapping), kWritableUntouched)) return reply.Status();
    auto record = reply.Get<IEffectAUParameterMapping>();
    const ComponentResult status = MapParameter(*this, record);
    if (status == noErr) reply.Put(record);
    return status;
  }

  case kMusicDeviceProperty_InstrumentCount:
    if (!global || !IsInst()) return kAudioUnitErr_InvalidProperty;
    if (reply.Accept(sizeof(UInt32), kWritableUntouched)) reply.Put<UInt32>(1);
    return reply.Status();

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

// ---- SetProperty ------------------------------------------------------------------------------

namespace
{
// Copies the host's record out of its buffer; false when the buffer is missing or too small.
template <class T> bool ReadRecord(const void* data, UInt32 dataSize, T& record)
{
  if (!data || dataSize < sizeof(T)) return false;
  std::memcpy(&record, data, sizeof(T));
  return true;
}

// Frames per slice beyond this are refused: the scratch buffers are allocated for the whole
// slice, and no host renders anywhere near this many frames at once.
constexpr UInt32 kMaxFramesPerSlice = 1u << 20;
} // namespace

ComponentResult IEffectAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                       AudioUnitElement element, UInt32 dataSize, const void* data)
{
  // Listeners hear of every set before it is looked at, also of one that then fails.
  InformListeners(propID, scope);

  switch (propID)
  {
  case kAudioUnitProperty_ClassInfo:
  {
    CFPropertyListRef plist = nullptr;
    if (!ReadRecord(data, dataSize, plist)) return kAudioUnitErr_InvalidPropertyValue;
    return SetState(plist);
  }

  case kAudioUnitProperty_MakeConnection:
  {
    AudioUnitConnection connection;
    if (!ReadRecord(data, dataSize, connection)) return kAudioUnitErr_InvalidPropertyValue;
    return SetConnection(scope, &connection);
  }

  case kAudioUnitProperty_SampleRate:
  {
    Float64 rate = 0.0;
    if (!ReadRecord(data, dataSize, rate)) return kAudioUnitErr_InvalidPropertyValue;
    if (!(rate > 0.0) || !std::isfinite(rate)) return kAudioUnitErr_InvalidPropertyValue;
    SetSampleRate(rate);
    Reset();
    return noErr;
  }

  case kAudioUnitProperty_StreamFormat:
  {
    AudioStreamBasicDescription asbd;
    if (!ReadRecord(data, dataSize, asbd)) return kAudioUnitErr_InvalidPropertyValue;
    return SetStreamFormat(scope, element, &asbd);
  }

  case kAudioUnitProperty_MaximumFramesPerSlice:
  {
    UInt32 frames = 0;
    if (!ReadRecord(data, dataSize, frames)) return kAudioUnitErr_InvalidPropertyValue;
    if (frames == 0 || frames > kMaxFramesPerSlice) return kAudioUnitErr_InvalidPropertyValue;
    // Once initialised the render thread may be working in the scratch buffers at any time,
    // so they are neither resized nor cleared; only the size already in force is accepted.
    if (!mActive)
      SetBlockSize(static_cast<int>(frames));
    else if (frames != static_cast<UInt32>(GetBlockSize()))
      return kAudioUnitErr_Initialized;
    Reset();
    return noErr;
  }

  case kAudioUnitProperty_BypassEffect:
  {
    UInt32 value = 0;
    if (!ReadRecord(data, dataSize, value)) return kAudioUnitErr_InvalidPropertyValue;
    mIsBypassed = value != 0;
    OnActivate(!mIsBypassed);
    Reset();
    return noErr;
  }

  case kAudioUnitProperty_SetRenderCallback:
  {
    AURenderCallbackStruct callback;
    if (!ReadRecord(data, dataSize, callback)) return kAudioUnitErr_InvalidPropertyValue;
    return SetRenderCallback(scope, element, &callback);
  }

  case kAudioUnitProperty_HostCallbacks:
  {
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
    HostCallbackInfo info;
    if (!ReadRecord(data, dataSize, info)) return kAudioUnitErr_InvalidPropertyValue;
    mHostCallbacks.hostUserData = info.hostUserData;
    mHostCallbacks.beatAndTempoProc = info.beatAndTempoProc;
    mHostCallbacks.musicalTimeLocationProc = info.musicalTimeLocationProc;
    mHostCallbacks.transportStateProc = info.transportStateProc;
    return noErr;
  }

  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
  {
    AUPreset preset;
    if (!ReadRecord(data, dataSize, preset)) return kAudioUnitErr_InvalidPropertyValue;
    // Numbers outside the factory list (a host's own presets are negative) select nothing.
    RestorePreset(static_cast<int>(preset.presetNumber));
    return noErr;
  }

  case kAudioUnitProperty_OfflineRender:
  {
    UInt32 value = 0;
    if (!ReadRecord(data, dataSize, value)) return kAudioUnitErr_InvalidPropertyValue;
    mRenderingOffline = value != 0;
    return noErr;
  }

  case kAudioUnitProperty_AUHostIdentifier:
  {
    AUHostIdentifier host;
    if (!ReadRecord(data, dataSize, host)) return kAudioUnitErr_InvalidPropertyValue;
    const std::string name = CFStringToUTF8(host.hostName);
    const UInt8 minorAndBug = host.hostVersion.minorAndBugRev;
    const int version =
        (host.hostVersion.majorRev << 16) | ((minorAndBug >> 4) << 8) | (minorAndBug & 0x0F);
    SetHost(name.c_str(), version);
    OnHostIdentified();
    return noErr;
  }

  default:
    return kAudioUnitErr_InvalidProperty;
  }
}
