#pragma once
// The fuzz input read front to back, and its mirror for writing seeds. Reads past the end give
// zeros, so every input, however short, decodes to something; Exhausted() tells a loop to stop.
// Multi-byte values are little-endian.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class FuzzInput
{
public:
  FuzzInput(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

  bool Exhausted() const { return mPos >= mSize; }

  uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }

  template <class T> T Value()
  {
    uint8_t bytes[sizeof(T)] = {};
    for (uint8_t& b : bytes)
      b = Byte();
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  // Up to n bytes, fewer when the input ends first.
  std::vector<uint8_t> Bytes(size_t n)
  {
    const size_t take = n < mSize - mPos ? n : mSize - mPos;
    std::vector<uint8_t> bytes(mData + mPos, mData + mPos + take);
    mPos += take;
    return bytes;
  }

  // Exactly n bytes into dest, zeros where the input has ended.
  void Fill(uint8_t* dest, size_t n)
  {
    const std::vector<uint8_t> bytes = Bytes(n);
    if (!bytes.empty()) std::memcpy(dest, bytes.data(), bytes.size());
    std::memset(dest + bytes.size(), 0, n - bytes.size());
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

// Builds an input in the form FuzzInput reads (the seed writer's side).
class FuzzOutput
{
public:
  void Byte(uint8_t b) { mBytes.push_back(b); }

  template <class T> void Value(const T& value)
  {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof value);
    mBytes.insert(mBytes.end(), bytes, bytes + sizeof bytes);
  }

  void Bytes(const void* data, size_t n)
  {
    const auto* p = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + n);
  }

  const std::vector<uint8_t>& Data() const { return mBytes; }

private:
  std::vector<uint8_t> mBytes;
};
