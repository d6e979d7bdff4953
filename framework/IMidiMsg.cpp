#include "framework/IMidiMsg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
uint8_t DataByte(int value)
{
  return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

uint8_t StatusByte(int kind, int channel)
{
  return static_cast<uint8_t>((kind << 4) | (channel & 0x0F));
}
} // namespace

void IMidiMsg::Clear()
{
  mOffset = 0;
  mStatus = 0;
  mData1 = 0;
  mData2 = 0;
}

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel)
{
  Clear();
  mStatus = StatusByte(kNoteOn, channel);
  mData1 = DataByte(noteNumber);
  mData2 = DataByte(velocity);
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel)
{
  Clear();
  mStatus = StatusByte(kNoteOff, channel);
  mData1 = DataByte(noteNumber);
  mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel)
{
  Clear();
  mStatus = StatusByte(kPitchWheel, channel);
  // Values beyond +-2 give the same limited result; bounding them first keeps the conversion
  // to int defined. Not-a-number counts as the centre.
  const double v = std::isnan(value) ? 0.0 : std::clamp(value, -2.0, 2.0);
  const int wheel = std::clamp(static_cast<int>(v * 8192.0) + 8192, 0, 16383);
  mData1 = static_cast<uint8_t>(wheel & 0x7F);
  mData2 = static_cast<uint8_t>(wheel >> 7);
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel)
{
  Clear();
  mStatus = StatusByte(kControlChange, channel);
  mData1 = DataByte(idx);
  const double v = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
  mData2 = static_cast<uint8_t>(v * 127.0);
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const
{
  if (mStatus < 0x80 || mStatus >= 0xF0)
    return kNone;
  return static_cast<EStatusMsg>(mStatus >> 4);
}

int IMidiMsg::NoteNumber() const
{
  switch (StatusMsg())
  {
  case kNoteOff:
  case kNoteOn:
  case kPolyAftertouch: return mData1;
  default: return -1;
  }
}

int IMidiMsg::Velocity() const
{
  const EStatusMsg kind = StatusMsg();
  return kind == kNoteOff || kind == kNoteOn ? mData2 : -1;
}

int IMidiMsg::PolyAfterTouch() const
{
  return StatusMsg() == kPolyAftertouch ? mData2 : -1;
}

int IMidiMsg::ChannelAfterTouch() const
{
  return StatusMsg() == kChannelAftertouch ? mData1 : -1;
}

int IMidiMsg::Program() const
{
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const
{
  if (StatusMsg() != kPitchWheel)
    return 0.0;
  const int wheel = mData2 * 128 + mData1;
  return (wheel - 8192) / 8192.0;
}

double IMidiMsg::ControlChange(EControlChangeMsg idx) const
{
  if (StatusMsg() == kControlChange && ControlChangeIdx() == idx)
    return mData2 / 127.0;
  return -1.0;
}

const char* StatusMsgStr(IMidiMsg::EStatusMsg msg)
{
  switch (msg)
  {
  case IMidiMsg::kNone: return "none";
  case IMidiMsg::kNoteOff: return "noteoff";
  case IMidiMsg::kNoteOn: return "noteon";
  case IMidiMsg::kPolyAftertouch: return "aftertouch";
  case IMidiMsg::kControlChange: return "controlchange";
  case IMidiMsg::kProgramChange: return "programchange";
  case IMidiMsg::kChannelAftertouch: return "channelaftertouch";
  case IMidiMsg::kPitchWheel: return "pitchwheel";
  }
  return "unknown";
}

char* SysExStr(char* buffer, int bufferSize, const uint8_t* data, int size)
{
  if (!buffer || bufferSize <= 0)
    return buffer;
  buffer[0] = '\0';
  if (!data || size <= 0)
    return buffer;
  // Each byte is written as "XX " and needs room for a terminator after it while it is being
  // written; the space after the last byte then becomes the terminator.
  const int n = std::min(size, (bufferSize - 1) / 3);
  if (n <= 0)
    return buffer;
  for (int i = 0; i < n; ++i)
    std::snprintf(buffer + 3 * i, 4, "%02X ", data[i]);
  buffer[3 * n - 1] = '\0';
  return buffer;
}
