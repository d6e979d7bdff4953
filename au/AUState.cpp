#include "au/CFText.h"
#include "au/IEffectAU.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// ---- CoreFoundation helpers -------------------------------------------------------------------

bool AddToDictionary(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  if (!value) return false;
  CFStringRef keyStr = MakeCFString(key);
  if (keyStr)
  {
    CFDictionarySetValue(dict, keyStr, value);
    CFRelease(keyStr);
  }
  CFRelease(value);
  return keyStr != nullptr;
}

bool AddNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value)
{
  return AddToDictionary(dict, key,
                         CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value));
}

// The value stored under key when it is of the given type, else null.
CFTypeRef FindValue(CFDictionaryRef dict, const char* key, CFTypeID type)
{
  CFStringRef keyStr = MakeCFString(key);
  if (!keyStr) return nullptr;
  CFTypeRef value = CFDictionaryGetValue(dict, keyStr);
  CFRelease(keyStr);
  return value && CFGetTypeID(value) == type ? value : nullptr;
}

bool FindNumber(CFDictionaryRef dict, const char* key, SInt32* value)
{
  auto number = static_cast<CFNumberRef>(FindValue(dict, key, CFNumberGetTypeID()));
  if (!number) return false;
  CFNumberGetValue(number, kCFNumberSInt32Type, value);
  return true;
}

// The description of the running instance, as the bundle declared it.
OSStatus DescribeInstance(AudioComponentInstance instance, ComponentDescription* desc)
{
  return GetComponentInfo(reinterpret_cast<Component>(instance), desc, nullptr, nullptr, nullptr);
}

// The size of the name buffer a restored state's preset name is read into.
constexpr size_t kStateNameLen = 64;
} // namespace

// ---- Class-info dictionary --------------------------------------------------------------------

ComponentResult IEffectAU::GetState(CFPropertyListRef* plist)
{
  if (!plist) return kAudioUnitErr_InvalidPropertyValue;
  ComponentDescription desc;
  const OSStatus err = DescribeInstance(mComponentInstance, &desc);
  if (err != noErr) return err;

  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (!dict) return coreFoundationUnknownErr;

  bool ok = AddNumber(dict, "version", GetEffectVersion(false)) &&
            AddNumber(dict, "type", static_cast<SInt32>(desc.componentType)) &&
            AddNumber(dict, "subtype", static_cast<SInt32>(desc.componentSubType)) &&
            AddNumber(dict, "manufacturer", static_cast<SInt32>(desc.componentManufacturer)) &&
            AddToDictionary(dict, "name", MakeCFString(GetPresetName(mCurrentPresetIdx)));

  // A state the plug-in cannot write leaves the dictionary without "data".
  ByteChunk chunk;
  if (ok && SerializeState(&chunk))
    ok = AddToDictionary(dict, "data",
                         CFDataCreate(kCFAllocatorDefault, chunk.GetBytes(), chunk.Size()));
  if (!ok)
  {
    CFRelease(dict);
    return coreFoundationUnknownErr;
  }
  *plist = dict;
  return noErr;
}

ComponentResult IEffectAU::SetState(CFPropertyListRef plist)
{
  ComponentDescription desc;
  const OSStatus err = DescribeInstance(mComponentInstance, &desc);
  if (err != noErr) return err;
  if (!plist || CFGetTypeID(plist) != CFDictionaryGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  auto dict = static_cast<CFDictionaryRef>(plist);

  SInt32 version = 0, type = 0, subtype = 0, manufacturer = 0;
  if (!FindNumber(dict, "version", &version) || !FindNumber(dict, "type", &type) ||
      !FindNumber(dict, "subtype", &subtype) || !FindNumber(dict, "manufacturer", &manufacturer))
    return kAudioUnitErr_InvalidPropertyValue;
  auto nameStr = static_cast<CFStringRef>(FindValue(dict, "name", CFStringGetTypeID()));
  if (!nameStr) return kAudioUnitErr_InvalidPropertyValue;
  // The version is not compared: any version of this plug-in reads the state chunk.
  if (type != static_cast<SInt32>(desc.componentType) ||
      subtype != static_cast<SInt32>(desc.componentSubType) ||
      manufacturer != static_cast<SInt32>(desc.componentManufacturer))
    return kAudioUnitErr_InvalidPropertyValue;

  char name[kStateNameLen];
  CopyUTF8Bounded(name, CFStringToUTF8(nameStr).c_str(), sizeof name);
  RestorePreset(name);

  auto data = static_cast<CFDataRef>(FindValue(dict, "data", CFDataGetTypeID()));
  if (!data || CFDataGetLength(data) > INT_MAX) return kAudioUnitErr_InvalidPropertyValue;
  ByteChunk chunk;
  const int length = static_cast<int>(CFDataGetLength(data));
  if (length > 0) chunk.PutBytes(CFDataGetBytePtr(data), length);
  // A short chunk (-1) still applied the values it holds; only 0 is a refusal.
  if (UnserializeState(&chunk, 0) == 0) return kAudioUnitErr_InvalidPropertyValue;
  RedrawParamControls();
  return noErr;
}

// ---- Factory-preset records -------------------------------------------------------------------

namespace
{
CFAUPreset* Mutable(const void* preset)
{
  return static_cast<CFAUPreset*>(const_cast<void*>(preset));
}
} // namespace

CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber,
                               CFStringRef presetName)
{
  auto* preset = static_cast<CFAUPreset*>(CFAllocatorAllocate(allocator, sizeof(CFAUPreset), 0));
  if (!preset) return nullptr;
  preset->mPreset.presetNumber = presetNumber;
  preset->mPreset.presetName = presetName ? CFStringCreateCopy(allocator, presetName) : nullptr;
  // The record is freed with its allocator, so it keeps the allocator alive as long as itself.
  preset->mAllocator = allocator ? static_cast<CFAllocatorRef>(CFRetain(allocator)) : nullptr;
  preset->mRefCount = 1;
  return preset;
}

CFAUPresetRef CFAUPresetRetain(const void* preset)
{
  if (!preset) return nullptr;
  CFAUPreset* record = Mutable(preset);
  if (record->mPreset.presetName) CFRetain(record->mPreset.presetName);
  __atomic_add_fetch(&record->mRefCount, 1, __ATOMIC_RELAXED);
  return record;
}

void CFAUPresetRelease(const void* preset)
{
  if (!preset) return;
  CFAUPreset* record = Mutable(preset);
  CFIndex count = __atomic_load_n(&record->mRefCount, __ATOMIC_ACQUIRE);
  do
  {
    if (count <= 0) return;
  } while (!__atomic_compare_exchange_n(&record->mRefCount, &count, count - 1, false,
                                        __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE));
  // The name carries one reference per reference of the record.
  CFStringRef name = record->mPreset.presetName;
  if (count - 1 > 0)
  {
    if (name) CFRelease(name);
    return;
  }
  record->mPreset.presetName = nullptr;
  record->mPreset.presetNumber = 0;
  if (name) CFRelease(name);
  CFAllocatorRef allocator = record->mAllocator;
  CFAllocatorDeallocate(allocator, record);
  if (allocator) CFRelease(allocator);
}

const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef /*allocator*/, const void* preset)
{
  return CFAUPresetRetain(preset);
}

void CFAUPresetArrayReleaseCallBack(CFAllocatorRef /*allocator*/, const void* preset)
{
  CFAUPresetRelease(preset);
}

Boolean CFAUPresetArrayEqualCallBack(const void* preset1, const void* preset2)
{
  if (preset1 == preset2) return true;
  if (!preset1 || !preset2) return false;
  const AUPreset& a = static_cast<CFAUPresetRef>(preset1)->mPreset;
  const AUPreset& b = static_cast<CFAUPresetRef>(preset2)->mPreset;
  if (a.presetNumber != b.presetNumber) return false;
  if (!a.presetName || !b.presetName) return a.presetName == b.presetName;
  return CFStringCompare(a.presetName, b.presetName, 0) == kCFCompareEqualTo;
}

CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* preset)
{
  if (!preset) return nullptr;
  const AUPreset& p = static_cast<CFAUPresetRef>(preset)->mPreset;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                  CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  static_cast<int>(p.presetNumber), p.presetName);
}

void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callbacks)
{
  if (!callbacks) return;
  callbacks->version = 0;
  callbacks->retain = CFAUPresetArrayRetainCallBack;
  callbacks->release = CFAUPresetArrayReleaseCallBack;
  callbacks->copyDescription = CFAUPresetArrayCopyDescriptionCallBack;
  callbacks->equal = CFAUPresetArrayEqualCallBack;
}

const CFArrayCallBacks kCFAUPresetArrayCallBacks = {
    0, CFAUPresetArrayRetainCallBack, CFAUPresetArrayReleaseCallBack,
    CFAUPresetArrayCopyDescriptionCallBack, CFAUPresetArrayEqualCallBack};

// ---- Notices to the host ----------------------------------------------------------------------

void IEffectAU::InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope)
{
  // A listener may add or remove listeners from inside its call, so the matching records are
  // taken first, and each is called only while it is still registered.
  std::vector<ListenerRecord> matching;
  for (const auto& record : mPropertyListeners)
    if (record->mPropID == propID && record->mProc) matching.push_back(*record);

  for (const ListenerRecord& record : matching)
  {
    const bool registered = std::any_of(mPropertyListeners.begin(), mPropertyListeners.end(),
                                        [&](const auto& r)
                                        {
                                          return r->mPropID == record.mPropID &&
                                                 r->mProc == record.mProc &&
                                                 r->mUserData == record.mUserData;
                                        });
    if (registered) record.mProc(record.mUserData, mComponentInstance, propID, scope, 0);
  }
}

void IEffectAU::SendAUEvent(AudioUnitEventType type, AudioComponentInstance unit, int paramIdx)
{
  AudioUnitEvent event;
  std::memset(&event, 0, sizeof event);
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = unit;
  event.mArgument.mParameter.mParameterID = static_cast<AudioUnitParameterID>(paramIdx);
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

// Parameter events go out only for parameters of the table, and only once the host has opened
// the unit (before that nobody can be listening).
void IEffectAU::BeginInformHostOfParamChange(int paramIdx)
{
  if (mComponentInstance && GetParam(paramIdx))
    SendAUEvent(kAudioUnitEvent_BeginParameterChangeGesture, mComponentInstance, paramIdx);
}

void IEffectAU::InformHostOfParamChange(int paramIdx, double /*normalizedValue*/)
{
  // Listeners read the new value through the get-parameter call.
  if (mComponentInstance && GetParam(paramIdx))
    SendAUEvent(kAudioUnitEvent_ParameterValueChange, mComponentInstance, paramIdx);
}

void IEffectAU::EndInformHostOfParamChange(int paramIdx)
{
  if (mComponentInstance && GetParam(paramIdx))
    SendAUEvent(kAudioUnitEvent_EndParameterChangeGesture, mComponentInstance, paramIdx);
}

void IEffectAU::InformHostOfProgramChange()
{
  InformListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}

void IEffectAU::SetLatency(int samples)
{
  // Listeners are told before the value changes: one that reads the latency in its call still
  // sees the old value.
  InformListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
  IEffectBase::SetLatency(samples);
}

// ---- Transport --------------------------------------------------------------------------------
// Each query calls only the procedures the host installed and uses their answers only when the
// procedure succeeded.

double IEffectAU::GetTempo()
{
  if (mHostCallbacks.beatAndTempoProc)
  {
    Float64 beat = 0.0, tempo = 0.0;
    if (mHostCallbacks.beatAndTempoProc(mHostCallbacks.hostUserData, &beat, &tempo) == noErr &&
        tempo > 0.0)
      mCachedTempo = tempo;
  }
  return mCachedTempo;
}

void IEffectAU::GetTimeSig(int* numerator, int* denominator)
{
  if (!mHostCallbacks.musicalTimeLocationProc) return;
  UInt32 samplesToNextBeat = 0, den = 0;
  Float32 num = 0.0f;
  Float64 downbeat = 0.0;
  if (mHostCallbacks.musicalTimeLocationProc(mHostCallbacks.hostUserData, &samplesToNextBeat, &num,
                                             &den, &downbeat) != noErr)
    return;
  if (numerator) *numerator = static_cast<int>(num);
  if (denominator) *denominator = static_cast<int>(den);
}

int IEffectAU::GetSamplePos()
{
  if (!mHostCallbacks.transportStateProc) return 0;
  Boolean playing = false, changed = false, cycling = false;
  Float64 position = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
  if (mHostCallbacks.transportStateProc(mHostCallbacks.hostUserData, &playing, &changed, &position,
                                        &cycling, &cycleStart, &cycleEnd) != noErr)
    return 0;
  // Rounded, then truncated toward zero; positions beyond the int range (a session of many
  // hours) are held at its ends.
  const double rounded = position + 0.5;
  if (!(rounded > static_cast<double>(INT_MIN))) return rounded < 0.0 ? INT_MIN : 0;
  if (rounded >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(rounded);
}

void IEffectAU::GetTime(ITimeInfo* timeInfo)
{
  if (!timeInfo) return;
  void* user = mHostCallbacks.hostUserData;

  if (mHostCallbacks.beatAndTempoProc)
  {
    Float64 beat = 0.0, tempo = 0.0;
    if (mHostCallbacks.beatAndTempoProc(user, &beat, &tempo) == noErr)
    {
      if (tempo > 0.0) timeInfo->mTempo = tempo;
      if (beat > 0.0) timeInfo->mBeatPos = beat;
    }
  }

  if (mHostCallbacks.transportStateProc)
  {
    Boolean playing = false, changed = false, cycling = false;
    Float64 position = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
    if (mHostCallbacks.transportStateProc(user, &playing, &changed, &position, &cycling,
                                          &cycleStart, &cycleEnd) == noErr)
    {
      if (position > 0.0) timeInfo->mSamplePos = position;
      if (cycleStart > 0.0) timeInfo->mCycleStartBeat = cycleStart;
      if (cycleEnd > 0.0) timeInfo->mCycleEndBeat = cycleEnd;
      timeInfo->mPlaying = playing != 0;
      timeInfo->mCycling = cycling != 0;
    }
  }

  if (mHostCallbacks.musicalTimeLocationProc)
  {
    UInt32 samplesToNextBeat = 0, den = 0;
    Float32 num = 0.0f;
    Float64 downbeat = 0.0;
    if (mHostCallbacks.musicalTimeLocationProc(user, &samplesToNextBeat, &num, &den, &downbeat) ==
        noErr)
    {
      timeInfo->mTimeSigNum = static_cast<int>(num);
      timeInfo->mTimeSigDen = static_cast<int>(den);
      if (downbeat > 0.0) timeInfo->mBarStartBeat = downbeat;
    }
  }
}

// ---- Host identification and editor size -----------------------------------------------------

EHost IEffectAU::GetHost()
{
  if (mHost != kHostUninit) return mHost;
  // The main bundle is the host application's.
  CFBundleRef mainBundle = CFBundleGetMainBundle();
  CFStringRef identifier = mainBundle ? CFBundleGetIdentifier(mainBundle) : nullptr;
  if (identifier)
  {
    SetHost(CFStringToUTF8(identifier).c_str(), 0);
    if (mHost != kHostUnknown && mHost != kHostUninit) return mHost;
  }
  SetHost("", 0);
  return mHost;
}

void IEffectAU::HostSpecificInit()
{
  GetHost();
  OnHostIdentified();
}

void IEffectAU::ResizeGraphics(int /*width*/, int /*height*/)
{
  // The editor lays itself out again; the host's window follows the view it asked for.
  if (GetGUI()) OnWindowResize();
}
