#include "framework/ByteChunk.h"

int ByteChunk::PutBytes(const void* data, int count)
{
  if (count > 0 && data)
  {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + count);
  }
  return Size();
}

int ByteChunk::PutStr(const char* str)
{
  if (!str)
    str = "";
  const int32_t len = static_cast<int32_t>(std::strlen(str));
  Put(&len);
  return PutBytes(str, len);
}

int ByteChunk::GetStr(std::string& str, int startPos) const
{
  int32_t len = 0;
  const int pos = Get(&len, startPos);
  if (pos < 0)
    return -1;
  // A hostile length must not wrap the end position around; the end is only a position to
  // report, and is clamped into the int range.
  const int64_t end64 = static_cast<int64_t>(pos) + len;
  if (len < 0 || end64 > INT32_MAX)
    return -1;
  const int endPos = static_cast<int>(end64);
  if (len == 0)
    str.clear();
  else if (endPos <= Size())
  {
    const char* p = reinterpret_cast<const char*>(mBytes.data() + pos);
    str.assign(p, strnlen(p, static_cast<size_t>(len))); // stops early at a zero byte
  }
  return endPos;
}

int ByteChunk::PutBool(bool b)
{
  const uint8_t byte = b ? 1 : 0;
  return PutBytes(&byte, 1);
}

int ByteChunk::GetBool(bool* b, int startPos) const
{
  uint8_t byte = 0;
  const int pos = Get(&byte, startPos);
  if (pos >= 0)
    *b = byte != 0;
  return pos;
}

int ByteChunk::PutChunk(const ByteChunk* chunk)
{
  if (chunk)
    PutBytes(chunk->GetBytes(), chunk->Size());
  return Size();
}
