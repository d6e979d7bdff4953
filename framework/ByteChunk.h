#pragma once
// A growable byte buffer that state travels in. Values are appended and read in the machine's
// native (little-endian) order without padding; strings as an int32 length and the bytes.
// Readers return the next position, or -1 when the value does not fit in the chunk; every
// reader refuses a negative position, so a chain of reads stops at the first failure.

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

class ByteChunk
{
public:
  template <class T>
  int Put(const T* value)
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    return PutBytes(value, static_cast<int>(sizeof(T)));
  }

  template <class T>
  int Get(T* value, int startPos) const
  {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");
    if (!Fits(startPos, sizeof(T)))
      return -1;
    std::memcpy(value, mBytes.data() + startPos, sizeof(T));
    return startPos + static_cast<int>(sizeof(T));
  }

  // Appends count raw bytes; returns the new size.
  int PutBytes(const void* data, int count);
  // Length (strlen) as int32, then the characters without terminator.
  int PutStr(const char* str);
  // Reads a string written by PutStr. Returns the end position (which may lie beyond the chunk
  // when the stored length is too large; the string is then left unchanged), or -1 when not
  // even the length can be read.
  int GetStr(std::string& str, int startPos) const;
  int PutBool(bool b);
  int GetBool(bool* b, int startPos) const;
  // Appends all bytes of another chunk, without a length prefix.
  int PutChunk(const ByteChunk* chunk);

  void Clear() { mBytes.clear(); }
  int Size() const { return static_cast<int>(mBytes.size()); }
  // Resizes to n bytes; new bytes are zero.
  void Resize(int n) { mBytes.resize(n > 0 ? static_cast<size_t>(n) : 0); }
  uint8_t* GetBytes() { return mBytes.data(); }
  const uint8_t* GetBytes() const { return mBytes.data(); }
  bool IsEqual(const ByteChunk& other) const { return mBytes == other.mBytes; }

private:
  bool Fits(int pos, size_t n) const
  {
    return pos >= 0 && static_cast<size_t>(pos) <= mBytes.size() && n <= mBytes.size() - pos;
  }

  std::vector<uint8_t> mBytes;
};
