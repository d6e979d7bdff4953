#pragma once
// MIDI event records passed between the host wrapper and the plug-in.

#include <cstdint>

struct IMidiMsg
{
  int mOffset = 0;     // sample offset of the event within the current block
  uint8_t mStatus = 0; // high nibble: message kind; low nibble: channel
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
    : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }
};

struct ISysEx
{
  int mOffset = 0;                 // sample offset
  int mSize = 0;                   // byte count
  const uint8_t* mData = nullptr;  // not owned

  ISysEx() = default;
  ISysEx(int offset, const uint8_t* data, int size) : mOffset(offset), mSize(size), mData(data) {}
};
