#include "framework/Base64.h"

namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c)
{
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}
} // namespace

std::string Base64Encode(const uint8_t* data, int size)
{
  std::string text;
  if (!data || size <= 0)
    return text;
  text.reserve(static_cast<size_t>((size + 2) / 3) * 4);
  int i = 0;
  for (; i + 3 <= size; i += 3)
  {
    const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
    text += kAlphabet[(v >> 18) & 63];
    text += kAlphabet[(v >> 12) & 63];
    text += kAlphabet[(v >> 6) & 63];
    text += kAlphabet[v & 63];
  }
  const int left = size - i;
  if (left == 1)
  {
    const uint32_t v = uint32_t(data[i]) << 16;
    text += kAlphabet[(v >> 18) & 63];
    text += kAlphabet[(v >> 12) & 63];
    text += "==";
  }
  else if (left == 2)
  {
    const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8);
    text += kAlphabet[(v >> 18) & 63];
    text += kAlphabet[(v >> 12) & 63];
    text += kAlphabet[(v >> 6) & 63];
    text += '=';
  }
  return text;
}

int Base64Decode(const char* text, uint8_t* out, int outSize)
{
  if (!text || !out || outSize <= 0)
    return 0;
  uint32_t bits = 0;
  int nBits = 0;
  int written = 0;
  for (const char* p = text; *p && written < outSize; ++p)
  {
    const int sextet = SextetOf(*p);
    if (sextet < 0)
      break;
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    nBits += 6;
    if (nBits >= 8)
    {
      nBits -= 8;
      out[written++] = static_cast<uint8_t>((bits >> nBits) & 0xFF);
    }
  }
  return written;
}
