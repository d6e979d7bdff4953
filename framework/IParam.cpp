#include "framework/IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

void CopyBounded(char* dest, const char* src, int size)
{
  if (size <= 0)
    return;
  if (!src)
    src = "";
  const size_t n = strnlen(src, static_cast<size_t>(size - 1));
  std::memcpy(dest, src, n);
  dest[n] = '\0';
}

namespace
{
// The integer a display text is looked up with: the value truncated toward zero. Values that
// do not fit an int (or are not numbers) have no integer and match no text.
bool TruncatedKey(double value, int& key)
{
  if (!(std::fabs(value) < 2147483648.0))
    return false;
  key = static_cast<int>(value);
  return true;
}
} // namespace

IParam::IParam() = default;

void IParam::SetNames(const char* name, const char* label, const char* group)
{
  CopyBounded(mName, name, kNameLen);
  CopyBounded(mLabel, label, kNameLen);
  CopyBounded(mParamGroup, group, kNameLen);
}

void IParam::StoreDefault(double value)
{
  mValue.store(value, std::memory_order_relaxed);
  mDefault = value;
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  SetNames(name, label, group);
  StoreDefault(defaultVal ? 1.0 : 0.0);
  mMin = 0.0;
  mMax = 1.0;
  mStep = 1.0;
  mShape = 1.0;
  mDisplayPrecision = 0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label,
                      const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  SetNames(name, label, group);
  StoreDefault(defaultVal);
  mMin = 0.0;
  mMax = std::max(1, nEnums - 1);
  mStep = 1.0;
  mShape = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label,
                     const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;
  SetNames(name, label, group);
  StoreDefault(defaultVal);
  mMin = minVal;
  mMax = std::max(static_cast<double>(maxVal), static_cast<double>(minVal) + 1.0);
  mStep = 1.0;
  mShape = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label, const char* group, double shape)
{
  // A step that is not a positive number would give an empty range (and a division by zero
  // when normalising): such a parameter is refused and keeps its previous settings.
  if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(minVal) || !std::isfinite(maxVal))
    return;
  if (mType == kTypeNone)
    mType = kTypeDouble;
  SetNames(name, label, group);
  StoreDefault(defaultVal);
  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;

  int precision = 0;
  for (double d = step; std::floor(d) != d && precision < 6; d *= 10.0)
    ++precision;
  mDisplayPrecision = precision;

  if (shape != 0.0)
    mShape = shape;
}

void IParam::SetShape(double shape)
{
  if (shape != 0.0)
    mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text)
{
  DisplayText entry;
  entry.mValue = value;
  CopyBounded(entry.mText, text, kNameLen);
  mDisplayTexts.push_back(entry);
}

void IParam::Set(double value)
{
  if (std::isnan(value)) // not a value: keep the current one
    return;
  const double clamped = value < mMin ? mMin : std::min(value, mMax);
  mValue.store(clamped, std::memory_order_relaxed);
}

void IParam::SetNormalized(double normalizedValue)
{
  if (std::isnan(normalizedValue))
    return;
  mValue.store(FromNormalized(normalizedValue), std::memory_order_relaxed);
}

double IParam::FromNormalized(double normalizedValue) const
{
  // Normalised values outside 0..1 (a corrupt preset file, a misbehaving host) are limited to
  // the range; inside it the mapping below is unchanged.
  const double n = std::clamp(normalizedValue, 0.0, 1.0);
  double value = GetNonNormalized(n);
  if (mType != kTypeDouble)
    value = std::floor(value / mStep + 0.5) * mStep;
  return std::min(value, mMax);
}

double IParam::DBToAmp() const
{
  return std::exp(Value() * 0.1151292546497);
}

double IParam::GetNormalized(double nonNormalizedValue) const
{
  const double clamped = std::clamp(nonNormalizedValue, mMin, mMax);
  return std::pow((clamped - mMin) / (mMax - mMin), 1.0 / mShape);
}

double IParam::GetNonNormalized(double normalizedValue) const
{
  return mMin + (mMax - mMin) * std::pow(normalizedValue, mShape);
}

void IParam::GetBounds(double& lo, double& hi) const
{
  lo = mMin;
  hi = mMax;
}

void IParam::GetDisplayForHost(double value, bool isNormalized, char* buffer,
                               bool withDisplayText) const
{
  if (isNormalized)
    value = GetNonNormalized(value);

  int key = 0;
  if (withDisplayText && !mDisplayTexts.empty() && TruncatedKey(value, key))
  {
    const char* text = GetDisplayText(key);
    if (text[0] != '\0')
    {
      std::strcpy(buffer, text);
      return;
    }
  }

  if (mNegateDisplay)
    value = -value;

  if (mDisplayPrecision != 0)
    std::snprintf(buffer, kDisplayLen, "%.*f", mDisplayPrecision, value);
  else if (TruncatedKey(value, key))
    std::snprintf(buffer, kDisplayLen, "%d", key);
  else // beyond the int range: the same truncation, printed as a double
    std::snprintf(buffer, kDisplayLen, "%.0f", std::trunc(value));
}

const char* IParam::GetDisplayText(int value) const
{
  for (const DisplayText& entry : mDisplayTexts)
    if (entry.mValue == value)
      return entry.mText;
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int index, double* value) const
{
  if (index < 0 || index >= GetNDisplayTexts())
    return "";
  const DisplayText& entry = mDisplayTexts[static_cast<size_t>(index)];
  if (value)
    *value = entry.mValue;
  return entry.mText;
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (!text)
    return false;
  for (const DisplayText& entry : mDisplayTexts)
  {
    if (std::strcmp(entry.mText, text) == 0)
    {
      *value = entry.mValue;
      return true;
    }
  }
  return false;
}

const char* IParam::GetLabelForHost() const
{
  int key = 0;
  if (TruncatedKey(Value(), key) && GetDisplayText(key)[0] != '\0')
    return "";
  return mLabel;
}
