#pragma once
// Text between the framework's C strings and the CoreFoundation strings hosts exchange.

#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// A new CFString of a C string (null reads as ""). The framework's texts are UTF-8; names that
// arrived as other bytes (a preset file written elsewhere) are read as Latin-1, so the host
// always gets a string.
inline CFStringRef MakeCFString(const char* text)
{
  if (!text) text = "";
  CFStringRef str = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
  if (!str) str = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingISOLatin1);
  return str;
}

// The UTF-8 text of a CFString (empty for null).
inline std::string CFStringToUTF8(CFStringRef str)
{
  if (!str) return std::string();
  const CFIndex maxSize =
      CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  std::vector<char> buf(static_cast<size_t>(std::max<CFIndex>(maxSize, 1)), '\0');
  if (!CFStringGetCString(str, buf.data(), static_cast<CFIndex>(buf.size()), kCFStringEncodingUTF8))
    return std::string();
  return std::string(buf.data());
}

// Copies text into a fixed field of `size` bytes (size >= 1), cutting it so that the terminator
// fits and no UTF-8 sequence is split.
inline void CopyUTF8Bounded(char* dest, const char* text, size_t size)
{
  if (!text) text = "";
  const size_t full = std::strlen(text);
  size_t len = std::min(full, size - 1);
  if (len < full)
    while (len > 0 && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80)
      --len;
  std::memmove(dest, text, len);
  dest[len] = '\0';
}
