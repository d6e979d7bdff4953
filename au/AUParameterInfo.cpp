// The parameter records of the property surface: parameter info, value strings, names and
// clumps, and text typed by the user.

#include "au/AUParameterInfo.h"

#include "au/CFText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// The status of handing out a newly made CF object: a null one could not be made.
static ComponentResult MadeStatus(CFTypeRef object)
{
  return object ? static_cast<ComponentResult>(noErr) : coreFoundationUnknownErr;
}

// The group's 1-based clump id; a group asked about for the first time joins the list.
static UInt32 ClumpIDForGroup(const char* group, std::vector<const char*>& groups)
{
  for (size_t i = 0; i < groups.size(); ++i)
    if (std::strcmp(groups[i], group) == 0) return static_cast<UInt32>(i + 1);
  groups.push_back(group);
  return static_cast<UInt32>(groups.size());
}

void FillParameterInfo(const IParam& param, std::vector<const char*>& groups,
                       AudioUnitParameterInfo& info)
{
  std::memset(&info, 0, sizeof info);
  CopyBounded(info.name, param.GetNameForHost(), static_cast<int>(sizeof info.name));
  info.cfNameString = MakeCFString(param.GetNameForHost());
  info.flags = kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_HasCFNameString |
               kAudioUnitParameterFlag_CFNameRelease;
  if (param.GetCanAutomate()) info.flags |= kAudioUnitParameterFlag_IsWritable;
  if (param.GetIsMeta()) info.flags |= kAudioUnitParameterFlag_IsElementMeta;

  const char* label = param.GetLabelForHost();
  switch (param.Type())
  {
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    info.unit = kAudioUnitParameterUnit_Indexed;
    break;
  case IParam::kTypeBool:
    info.unit = kAudioUnitParameterUnit_Boolean;
    break;
  default:
    if (label && label[0] != '\0')
    {
      info.unit = kAudioUnitParameterUnit_CustomUnit;
      info.unitName = MakeCFString(label);
    }
    else
      info.unit = kAudioUnitParameterUnit_Generic;
    break;
  }

  double lo = 0.0, hi = 0.0;
  param.GetBounds(lo, hi);
  info.minValue = static_cast<AudioUnitParameterValue>(lo);
  info.maxValue = static_cast<AudioUnitParameterValue>(hi);
  // Hosts show this as the parameter's value when they open it, so it is the current one.
  info.defaultValue = static_cast<AudioUnitParameterValue>(param.Value());

  const char* group = param.GetParamGroupForHost();
  if (group[0] != '\0')
  {
    info.clumpID = ClumpIDForGroup(group, groups);
    info.flags |= kAudioUnitParameterFlag_HasClump;
  }
}

// The parameter's display texts in index order; null when an array or string cannot be made.
CFArrayRef MakeValueStrings(const IParam& param)
{
  const int n = param.GetNDisplayTexts();
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFTypeArrayCallBacks);
  if (!array) return nullptr;
  for (int i = 0; i < n; ++i)
  {
    CFStringRef text = MakeCFString(param.GetDisplayTextAtIdx(i));
    if (!text)
    {
      CFRelease(array);
      return nullptr;
    }
    CFArrayAppendValue(array, text);
    CFRelease(text);
  }
  return array;
}

// The parameter's name, cut to desiredLength characters unless that is the full-name request.
static CFStringRef MakeParamIDName(const IParam& param, SInt32 desiredLength)
{
  char name[IParam::kNameLen];
  // Any negative length asks for the whole name.
  const size_t size = desiredLength < 0
                          ? sizeof name
                          : std::min(static_cast<size_t>(desiredLength) + 1, sizeof name);
  CopyUTF8Bounded(name, param.GetNameForHost(), size);
  return MakeCFString(name);
}

// The parameter a host's id names, or null outside the table.
const IParam* ParamAt(const IEffectBase& plug, UInt32 id)
{
  return plug.GetParam(static_cast<int>(std::min<UInt32>(id, INT32_MAX)));
}

// Text of a value (the current one when the host gives none), written through textBuf.
ComponentResult StringFromValue(const IParam* param, AudioUnitParameterStringFromValue& record,
                                char* textBuf)
{
  if (!param) return kAudioUnitErr_InvalidElement;
  const double value = record.inValue ? *record.inValue : param->Value();
  param->GetDisplayForHost(value, false, textBuf, true);
  record.outString = MakeCFString(textBuf);
  return MadeStatus(record.outString);
}

ComponentResult IDName(const IParam* param, AudioUnitParameterIDName& record)
{
  if (!param) return kAudioUnitErr_InvalidElement;
  record.outName = MakeParamIDName(*param, record.inDesiredLength);
  return MadeStatus(record.outName);
}

ComponentResult ClumpName(const std::vector<const char*>& groups,
                          AudioUnitParameterNameInfo& record)
{
  if (record.inID < 1) return kAudioUnitErr_PropertyNotInUse;
  if (record.inID > groups.size()) return kAudioUnitErr_InvalidElement;
  record.outName = MakeCFString(groups[record.inID - 1]);
  return MadeStatus(record.outName);
}

// Typed text to a value: a number (shown negated when the parameter negates its display), or
// for a parameter with display texts the key of the matching text. A text that names no entry
// leaves the caller's value as it was.
ComponentResult ValueFromString(const IParam* param, AudioUnitParameterValueFromString& record)
{
  if (!param) return kAudioUnitErr_InvalidElement;
  if (!record.inString) return kAudioUnitErr_InvalidPropertyValue;
  const std::string text = CFStringToUTF8(record.inString);
  double value = 0.0;
  if (param->GetNDisplayTexts() == 0)
  {
    value = std::atof(text.c_str());
    record.outValue =
        static_cast<AudioUnitParameterValue>(param->GetNegateDisplay() ? -value : value);
  }
  else if (param->MapDisplayText(text.c_str(), &value))
    record.outValue = static_cast<AudioUnitParameterValue>(value);
  return noErr;
}
