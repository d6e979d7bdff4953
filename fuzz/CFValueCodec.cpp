#include "fuzz/CFValueCodec.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace cfcodec
{
const char* const kStateKeys[kNumStateKeys] = {"version",      "type", "subtype",
                                               "manufacturer", "data", "name"};

namespace
{
constexpr int kMaxCount = 16;

int ReadCount(FuzzInput& in)
{
  return in.Byte() % (kMaxCount + 1);
}

template <class T> CFNumberRef ReadNumber(FuzzInput& in, CFNumberType type)
{
  const T value = in.Value<T>();
  return CFNumberCreate(kCFAllocatorDefault, type, &value);
}

CFStringRef ReadUTF16(FuzzInput& in)
{
  std::vector<UniChar> chars(in.Byte());
  for (UniChar& c : chars)
    c = in.Value<UniChar>();
  return CFStringCreateWithCharacters(kCFAllocatorDefault, chars.data(),
                                      static_cast<CFIndex>(chars.size()));
}

CFDataRef ReadData(FuzzInput& in)
{
  const std::vector<uint8_t> bytes = in.Bytes(in.Value<uint16_t>());
  return CFDataCreate(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(bytes.size()));
}

CFTypeRef ReadKey(FuzzInput& in, int depth)
{
  const uint8_t kind = in.Byte() % 8;
  if (kind < kNumStateKeys)
    return CFStringCreateWithCString(kCFAllocatorDefault, kStateKeys[kind], kCFStringEncodingUTF8);
  if (kind == kKeyString) return ReadString(in);
  return ReadValue(in, depth + 1);
}

CFMutableArrayRef ReadArrayBody(FuzzInput& in, int depth)
{
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  const int count = ReadCount(in);
  for (int i = 0; array && depth < kMaxDepth && i < count && !in.Exhausted(); ++i)
  {
    if (CFTypeRef value = ReadValue(in, depth + 1))
    {
      CFArrayAppendValue(array, value);
      CFRelease(value);
    }
  }
  return array;
}

std::string UTF8Text(CFStringRef str)
{
  char text[1024];
  if (!CFStringGetCString(str, text, sizeof text, kCFStringEncodingUTF8)) return std::string();
  return text;
}

void WriteNumber(FuzzOutput& out, CFNumberRef number)
{
  if (CFNumberIsFloatType(number))
  {
    if (CFNumberGetByteSize(number) == 4)
    {
      Float32 value = 0;
      CFNumberGetValue(number, kCFNumberFloat32Type, &value);
      out.Byte(kTagFloat32);
      out.Value(value);
      return;
    }
    Float64 value = 0;
    CFNumberGetValue(number, kCFNumberFloat64Type, &value);
    out.Byte(kTagFloat64);
    out.Value(value);
    return;
  }
  SInt64 value = 0;
  CFNumberGetValue(number, kCFNumberSInt64Type, &value);
  switch (CFNumberGetByteSize(number))
  {
  case 1:
    out.Byte(kTagSInt8);
    out.Value(static_cast<SInt8>(value));
    break;
  case 2:
    out.Byte(kTagSInt16);
    out.Value(static_cast<SInt16>(value));
    break;
  case 4:
    out.Byte(kTagSInt32);
    out.Value(static_cast<SInt32>(value));
    break;
  default:
    out.Byte(kTagSInt64);
    out.Value(value);
    break;
  }
}

void WriteKey(FuzzOutput& out, CFTypeRef key)
{
  if (CFGetTypeID(key) == CFStringGetTypeID())
  {
    const std::string text = UTF8Text(static_cast<CFStringRef>(key));
    for (uint8_t i = 0; i < kNumStateKeys; ++i)
    {
      if (text == kStateKeys[i])
      {
        out.Byte(i);
        return;
      }
    }
    out.Byte(kKeyString);
    WriteString(out, text.c_str());
    return;
  }
  out.Byte(kKeyValue);
  WriteValue(out, key);
}
} // namespace

CFStringRef ReadString(FuzzInput& in)
{
  const std::vector<uint8_t> bytes = in.Bytes(in.Byte());
  const auto length = static_cast<CFIndex>(bytes.size());
  CFStringRef str = CFStringCreateWithBytes(kCFAllocatorDefault, bytes.data(), length,
                                            kCFStringEncodingUTF8, false);
  if (!str)
    str = CFStringCreateWithBytes(kCFAllocatorDefault, bytes.data(), length,
                                  kCFStringEncodingISOLatin1, false);
  return str;
}

CFMutableDictionaryRef ReadDictionaryBody(FuzzInput& in, int depth)
{
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  const int count = ReadCount(in);
  for (int i = 0; dict && depth < kMaxDepth && i < count && !in.Exhausted(); ++i)
  {
    CFTypeRef key = ReadKey(in, depth);
    CFTypeRef value = ReadValue(in, depth + 1);
    if (key && value) CFDictionarySetValue(dict, key, value);
    if (key) CFRelease(key);
    if (value) CFRelease(value);
  }
  return dict;
}

CFTypeRef ReadValue(FuzzInput& in, int depth)
{
  switch (in.Byte() % kNumTags)
  {
  case kTagDictionary:
    return ReadDictionaryBody(in, depth);
  case kTagArray:
    return ReadArrayBody(in, depth);
  case kTagString:
    return ReadString(in);
  case kTagUTF16:
    return ReadUTF16(in);
  case kTagData:
    return ReadData(in);
  case kTagSInt8:
    return ReadNumber<SInt8>(in, kCFNumberSInt8Type);
  case kTagSInt16:
    return ReadNumber<SInt16>(in, kCFNumberSInt16Type);
  case kTagSInt32:
    return ReadNumber<SInt32>(in, kCFNumberSInt32Type);
  case kTagSInt64:
    return ReadNumber<SInt64>(in, kCFNumberSInt64Type);
  case kTagFloat32:
    return ReadNumber<Float32>(in, kCFNumberFloat32Type);
  case kTagFloat64:
    return ReadNumber<Float64>(in, kCFNumberFloat64Type);
  default:
    return CFRetain(in.Byte() & 1 ? kCFBooleanTrue : kCFBooleanFalse);
  }
}

void WriteString(FuzzOutput& out, const char* text)
{
  const size_t length = std::min<size_t>(std::strlen(text), 255);
  out.Byte(static_cast<uint8_t>(length));
  out.Bytes(text, length);
}

void WriteDictionaryBody(FuzzOutput& out, CFDictionaryRef dict)
{
  const CFIndex count = std::min<CFIndex>(CFDictionaryGetCount(dict), kMaxCount);
  std::vector<const void*> keys(static_cast<size_t>(CFDictionaryGetCount(dict)));
  std::vector<const void*> values(keys.size());
  CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
  out.Byte(static_cast<uint8_t>(count));
  for (CFIndex i = 0; i < count; ++i)
  {
    WriteKey(out, keys[static_cast<size_t>(i)]);
    WriteValue(out, values[static_cast<size_t>(i)]);
  }
}

void WriteValue(FuzzOutput& out, CFTypeRef value)
{
  const CFTypeID type = CFGetTypeID(value);
  if (type == CFDictionaryGetTypeID())
  {
    out.Byte(kTagDictionary);
    WriteDictionaryBody(out, static_cast<CFDictionaryRef>(value));
  }
  else if (type == CFArrayGetTypeID())
  {
    auto array = static_cast<CFArrayRef>(value);
    const CFIndex count = std::min<CFIndex>(CFArrayGetCount(array), kMaxCount);
    out.Byte(kTagArray);
    out.Byte(static_cast<uint8_t>(count));
    for (CFIndex i = 0; i < count; ++i)
      WriteValue(out, CFArrayGetValueAtIndex(array, i));
  }
  else if (type == CFStringGetTypeID())
  {
    out.Byte(kTagString);
    WriteString(out, UTF8Text(static_cast<CFStringRef>(value)).c_str());
  }
  else if (type == CFDataGetTypeID())
  {
    auto data = static_cast<CFDataRef>(value);
    const auto length = static_cast<uint16_t>(std::min<CFIndex>(CFDataGetLength(data), 0xFFFF));
    out.Byte(kTagData);
    out.Value(length);
    out.Bytes(CFDataGetBytePtr(data), length);
  }
  else if (type == CFNumberGetTypeID())
    WriteNumber(out, static_cast<CFNumberRef>(value));
  else if (type == CFBooleanGetTypeID())
  {
    out.Byte(kTagBoolean);
    out.Byte(CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? 1 : 0);
  }
}
} // namespace cfcodec
