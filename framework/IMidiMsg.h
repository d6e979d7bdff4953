#pragma once
// MIDI event records passed between the host wrapper and the plug-in. The records are plain
// values; every function here is reentrant and writes only the record or buffer it is given.

#include <cstdint>

struct IMidiMsg
{
  // The message kind: the high four bits of the status byte.
  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // Controller numbers (0..127). Numbers without a name here are valid controllers too.
  enum EControlChangeMsg
  {
    kBankSelectMSB = 0,
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kDataEntryMSB = 6,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpressionController = 11,
    kEffectControl1 = 12,
    kEffectControl2 = 13,
    kGeneralPurposeController1 = 16,
    kGeneralPurposeController2 = 17,
    kGeneralPurposeController3 = 18,
    kGeneralPurposeController4 = 19,
    kBankSelectLSB = 32,
    kSustainOnOff = 64,
    kPortamentoOnOff = 65,
    kSostenutoOnOff = 66,
    kSoftPedalOnOff = 67,
    kLegatoOnOff = 68,
    kHold2OnOff = 69,
    kSoundVariation = 70,
    kResonance = 71,
    kReleaseTime = 72,
    kAttackTime = 73,
    kCutoffFrequency = 74,
    kDecayTime = 75,
    kVibratoRate = 76,
    kVibratoDepth = 77,
    kVibratoDelay = 78,
    kPortamentoControl = 84,
    kReverbSendLevel = 91,
    kTremoloDepth = 92,
    kChorusSendLevel = 93,
    kDetuneDepth = 94,
    kPhaserDepth = 95,
    kDataIncrement = 96,
    kDataDecrement = 97,
    kNRPNLSB = 98,
    kNRPNMSB = 99,
    kRPNLSB = 100,
    kRPNMSB = 101,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kLocalControlOnOff = 122,
    kAllNotesOff = 123,
    kOmniModeOff = 124,
    kOmniModeOn = 125,
    kMonoModeOn = 126,
    kPolyModeOn = 127
  };

  int mOffset = 0;     // sample offset of the event within the current block
  uint8_t mStatus = 0; // high nibble: message kind; low nibble: channel
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
    : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }

  // Makers. Each clears the record first. The channel is taken modulo 16 and data values are
  // limited to 0..127, so the status byte always names the intended kind.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  // value -1..1 (centre 0) to the 14-bit wheel position, limited to 0..16383.
  void MakePitchWheelMsg(double value, int channel = 0);
  // value 0..1 to 0..127, truncated.
  void MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel = 0);
  void Clear();

  // Readers.
  int Channel() const { return mStatus & 0x0F; }
  EStatusMsg StatusMsg() const;
  int NoteNumber() const;        // note off, note on, poly aftertouch; -1 otherwise
  int Velocity() const;          // note off, note on; -1 otherwise
  int PolyAfterTouch() const;    // poly aftertouch; -1 otherwise
  int ChannelAfterTouch() const; // channel aftertouch; -1 otherwise
  int Program() const;           // program change; -1 otherwise
  double PitchWheel() const;     // -1 .. just under +1 for pitch wheel; 0 otherwise
  EControlChangeMsg ControlChangeIdx() const { return static_cast<EControlChangeMsg>(mData1); }
  double ControlChange(EControlChangeMsg idx) const; // 0..1 for that controller; -1 otherwise
  void LogMsg() const {}
};

// The name of a message kind: "none", "noteoff", "noteon", "aftertouch", "controlchange",
// "programchange", "channelaftertouch", "pitchwheel", or "unknown".
const char* StatusMsgStr(IMidiMsg::EStatusMsg msg);

struct ISysEx
{
  int mOffset = 0;                 // sample offset
  int mSize = 0;                   // byte count
  const uint8_t* mData = nullptr;  // not owned

  ISysEx() = default;
  ISysEx(int offset, const uint8_t* data, int size) : mOffset(offset), mSize(size), mData(data) {}

  void Clear()
  {
    mOffset = 0;
    mSize = 0;
    mData = nullptr;
  }
  void LogMsg() const {}
};

// Writes the bytes as upper-case hex pairs separated by spaces ("F0 7E 7F"), as many whole bytes
// as fit in bufferSize with the terminator; an empty text when there are no bytes or none fits.
// Returns buffer.
char* SysExStr(char* buffer, int bufferSize, const uint8_t* data, int size);
