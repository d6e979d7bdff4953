#include "host/HostedUnit.h"

#include "au/IEffectAUProperties.h"
#include "host/Errors.h"

#include <AudioToolbox/AudioToolbox.h>
#include <CoreAudio/CoreAudioTypes.h>
#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

namespace kestrion
{
namespace
{
std::string Text(CFStringRef s)
{
  if (!s) return "";
  char buffer[512] = {};
  CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8);
  return buffer;
}

std::string Lower(std::string s)
{
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string OptionFor(const std::string& name)
{
  std::string option = Lower(name);
  std::replace(option.begin(), option.end(), ' ', '-');
  return option;
}

std::string UnitText(const AudioUnitParameterInfo& info)
{
  switch (info.unit)
  {
  case kAudioUnitParameterUnit_CustomUnit:
    return Text(info.unitName);
  case kAudioUnitParameterUnit_Percent:
    return "%";
  case kAudioUnitParameterUnit_Decibels:
    return "dB";
  case kAudioUnitParameterUnit_Milliseconds:
    return "ms";
  case kAudioUnitParameterUnit_Seconds:
    return "s";
  case kAudioUnitParameterUnit_Hertz:
    return "Hz";
  default:
    return "";
  }
}

template <class T>
OSStatus GetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitElement element, T& value)
{
  UInt32 size = sizeof(T);
  return AudioUnitGetProperty(unit, id, kAudioUnitScope_Global, element, &value, &size);
}

void Check(OSStatus status, const char* what)
{
  if (status != noErr)
    throw Failure(std::string("the component refused ") + what + " (status " +
                  std::to_string(status) + ")");
}
} // namespace

std::string FourCCText(OSType code)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8)
  {
    const char c = static_cast<char>((code >> shift) & 0xff);
    s += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  }
  return s;
}

HostedUnit::HostedUnit(OSType subType, OSType manufacturer)
{
  const AudioComponentDescription wanted = {kAudioUnitType_Effect, subType, manufacturer, 0, 0};
  mComponent = AudioComponentFindNext(nullptr, &wanted);
  if (!mComponent)
    throw Failure("component " + FourCCText(subType) + "/" + FourCCText(manufacturer) +
                  " not found (searched AUDIO_COMPONENT_PATH or the default bundle folders)");
  const OSStatus status = AudioComponentInstanceNew(mComponent, &mUnit);
  if (status != noErr || !mUnit)
    throw Failure("cannot open component " + FourCCText(subType) + " (status " +
                  std::to_string(status) + ")");
  ReadParameters();
}

HostedUnit::~HostedUnit()
{
  if (mUnit)
  {
    AudioUnitUninitialize(mUnit);
    AudioComponentInstanceDispose(mUnit);
  }
}

std::string HostedUnit::Name() const
{
  CFStringRef name = nullptr;
  if (AudioComponentCopyName(mComponent, &name) != noErr || !name) return "";
  std::string text = Text(name);
  CFRelease(name);
  return text;
}

UInt32 HostedUnit::Version() const
{
  UInt32 version = 0;
  AudioComponentGetVersion(mComponent, &version);
  return version;
}

AudioComponentDescription HostedUnit::Description() const
{
  AudioComponentDescription d = {};
  AudioComponentGetDescription(mComponent, &d);
  return d;
}

void HostedUnit::ReadParameters()
{
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0,
                               &size, &writable) != noErr)
    return;
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (ids.empty() || AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterList,
                                          kAudioUnitScope_Global, 0, ids.data(), &size) != noErr)
    return;
  for (AudioUnitParameterID id : ids)
  {
    AudioUnitParameterInfo info = {};
    if (GetProperty(mUnit, kAudioUnitProperty_ParameterInfo, id, info) != noErr) continue;
    ParameterInfo p;
    p.id = id;
    p.name = (info.flags & kAudioUnitParameterFlag_HasCFNameString) ? Text(info.cfNameString)
                                                                    : std::string(info.name);
    p.option = OptionFor(p.name);
    p.unit = UnitText(info);
    p.min = info.minValue;
    p.max = info.maxValue;
    p.defaultValue = info.defaultValue;
    if (info.flags & kAudioUnitParameterFlag_CFNameRelease)
    {
      if (info.cfNameString) CFRelease(info.cfNameString);
      if (info.unitName) CFRelease(info.unitName);
    }
    mParams.push_back(p);
  }
}

const ParameterInfo* HostedUnit::FindParameter(const std::string& nameOrOption) const
{
  const std::string wanted = Lower(nameOrOption);
  for (const ParameterInfo& p : mParams)
    if (Lower(p.name) == wanted || p.option == wanted) return &p;
  return nullptr;
}

void HostedUnit::SetParameter(AudioUnitParameterID id, float value)
{
  Check(AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0), "a parameter");
}

float HostedUnit::GetParameter(AudioUnitParameterID id) const
{
  AudioUnitParameterValue value = 0;
  Check(AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &value), "a parameter read");
  return value;
}

std::string HostedUnit::DisplayText(AudioUnitParameterID id, float value) const
{
  AudioUnitParameterStringFromValue record = {id, &value, nullptr};
  if (GetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue, 0, record) != noErr ||
      !record.outString)
    return "";
  std::string text = Text(record.outString);
  CFRelease(record.outString);
  return text;
}

double HostedUnit::ToNormalized(AudioUnitParameterID id, double value) const
{
  IEffectAUParameterMapping record = {id, kIEffectAUMapping_ToNormalized, value, 0.0};
  Check(GetProperty(mUnit, kIEffectAUProperty_ParameterMapping, 0, record), "a parameter mapping");
  return record.outValue;
}

double HostedUnit::FromNormalized(AudioUnitParameterID id, double normalized) const
{
  IEffectAUParameterMapping record = {id, kIEffectAUMapping_FromNormalized, normalized, 0.0};
  Check(GetProperty(mUnit, kIEffectAUProperty_ParameterMapping, 0, record), "a parameter mapping");
  return record.outValue;
}

std::vector<std::pair<int, int>> HostedUnit::ChannelConfigurations() const
{
  UInt32 size = 0;
  Boolean writable = false;
  std::vector<std::pair<int, int>> result;
  if (AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SupportedNumChannels,
                               kAudioUnitScope_Global, 0, &size, &writable) != noErr)
    return result;
  std::vector<AUChannelInfo> infos(size / sizeof(AUChannelInfo));
  if (!infos.empty() &&
      AudioUnitGetProperty(mUnit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global,
                           0, infos.data(), &size) == noErr)
    for (const AUChannelInfo& info : infos)
      result.emplace_back(info.inChannels, info.outChannels);
  return result;
}

double HostedUnit::Latency() const
{
  Float64 seconds = 0;
  GetProperty(mUnit, kAudioUnitProperty_Latency, 0, seconds);
  return seconds;
}

double HostedUnit::TailTime() const
{
  Float64 seconds = 0;
  GetProperty(mUnit, kAudioUnitProperty_TailTime, 0, seconds);
  return seconds;
}

std::vector<std::string> HostedUnit::FactoryPresets() const
{
  std::vector<std::string> names;
  CFArrayRef presets = nullptr;
  if (GetProperty(mUnit, kAudioUnitProperty_FactoryPresets, 0, presets) != noErr || !presets)
    return names;
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    names.push_back(preset ? Text(preset->presetName) : "");
  }
  CFRelease(presets);
  return names;
}

void HostedUnit::SetBypass(bool bypass)
{
  const UInt32 value = bypass ? 1 : 0;
  Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0,
                             &value, sizeof value),
        "bypass");
}

void HostedUnit::Prepare(double rate, UInt32 channels, UInt32 maxFrames)
{
  AudioStreamBasicDescription format = {};
  FillOutASBDForLPCM(format, rate, channels, 32, 32, true, false, true);
  const std::string configuration = std::to_string(channels) + "-" + std::to_string(channels);
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
    Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, 0, &format,
                               sizeof format),
          ("the channel configuration " + configuration).c_str());
  Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice,
                             kAudioUnitScope_Global, 0, &maxFrames, sizeof maxFrames),
        "the block size");
  const AURenderCallbackStruct callback = {&HostedUnit::InputProc, this};
  Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                             &callback, sizeof callback),
        "the render callback");
  Check(AudioUnitInitialize(mUnit), ("to initialise for " + configuration).c_str());

  mChannels = channels;
  mSampleTime = 0;
  mOutputList.assign(offsetof(AudioBufferList, mBuffers) + sizeof(AudioBuffer) * channels, 0);
  reinterpret_cast<AudioBufferList*>(mOutputList.data())->mNumberBuffers = channels;
}

OSStatus HostedUnit::InputProc(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                               UInt32, UInt32 frames, AudioBufferList* list)
{
  const auto* self = static_cast<const HostedUnit*>(refCon);
  if (!list || list->mNumberBuffers > self->mChannels) return kAudio_ParamError;
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
  {
    if (!list->mBuffers[c].mData) return kAudio_ParamError;
    std::memcpy(list->mBuffers[c].mData, self->mInput[c], frames * sizeof(float));
  }
  return noErr;
}

OSStatus HostedUnit::Render(const float* const* in, float* const* out, UInt32 frames)
{
  auto* list = reinterpret_cast<AudioBufferList*>(mOutputList.data());
  for (UInt32 c = 0; c < mChannels; ++c)
  {
    list->mBuffers[c].mNumberChannels = 1;
    list->mBuffers[c].mDataByteSize = frames * sizeof(float);
    list->mBuffers[c].mData = out[c];
  }
  mInput = in;
  AudioTimeStamp stamp = {};
  stamp.mSampleTime = mSampleTime;
  stamp.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus status = AudioUnitRender(mUnit, &flags, &stamp, 0, frames, list);
  mSampleTime += frames;
  // A unit may answer with buffers of its own; the samples belong in the caller's.
  for (UInt32 c = 0; status == noErr && c < mChannels; ++c)
    if (list->mBuffers[c].mData != out[c])
      std::memcpy(out[c], list->mBuffers[c].mData, frames * sizeof(float));
  return status;
}

bool HostedUnit::EditorImage(int& width, int& height, std::vector<uint8_t>& pixels) const
{
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(mUnit, kIEffectAUProperty_EditorImage, kAudioUnitScope_Global, 0,
                               &size, &writable) != noErr ||
      size < sizeof(IEffectAUEditorImageHeader))
    return false;
  std::vector<uint8_t> data(size);
  if (AudioUnitGetProperty(mUnit, kIEffectAUProperty_EditorImage, kAudioUnitScope_Global, 0,
                           data.data(), &size) != noErr)
    return false;
  IEffectAUEditorImageHeader header;
  std::memcpy(&header, data.data(), sizeof header);
  if (header.mRowBytes != header.mWidth * 4 ||
      size != sizeof header + static_cast<size_t>(header.mHeight) * header.mRowBytes)
    return false;
  width = static_cast<int>(header.mWidth);
  height = static_cast<int>(header.mHeight);
  pixels.assign(data.begin() + sizeof header, data.end());
  return true;
}
} // namespace kestrion
