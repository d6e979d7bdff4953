#include "framework/HostId.h"
#include "framework/IMidiMsg.h"
#include "framework/Trace.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
std::string HostName(int host)
{
  char buf[kHostNameStrLen + 13];
  GetHostNameStr(static_cast<EHost>(host), buf);
  return buf;
}

// A wrapper that identifies the host the first time it is asked.
class LateIdentifyingEffect : public TestEffect
{
public:
  EHost GetHost() override
  {
    ++mAsked;
    if (mHost == kHostUninit)
      SetHost("Logic Pro X", 0x000A0203);
    return mHost;
  }
  int mAsked = 0;
};
} // namespace

TEST(HostId, LookUpHostFollowsTheMatchOrder)
{
  EXPECT_EQ(kHostLogic, LookUpHost("Logic Pro X"));
  EXPECT_EQ(kHostGarageBand, LookUpHost("GarageBand"));
  EXPECT_EQ(kHostAbletonLive, LookUpHost("Ableton Live 9"));
  EXPECT_EQ(kHostAbletonLive, LookUpHost("Delivery Rig")); // contains "live"
  EXPECT_EQ(kHostCubase, LookUpHost("Cubase Live Edition"));
  EXPECT_EQ(kHostReaper, LookUpHost("REAPER64"));
  EXPECT_EQ(kHostSonar, LookUpHost("Cakewalk SONAR"));
  EXPECT_EQ(kHostFL, LookUpHost("Fruity Loops"));
  EXPECT_EQ(kHostMelodyne, LookUpHost("Melodyne editor"));
  EXPECT_EQ(kHostAULab, LookUpHost("com.apple.aulab"));
  EXPECT_EQ(kHostDigitalPerformer, LookUpHost("Digital Performer"));
  EXPECT_EQ(kHostStudioOne, LookUpHost("PreSonus Studio One"));
  EXPECT_EQ(kHostVST3TestHost, LookUpHost("VST3PluginTestHost"));
  EXPECT_EQ(kHostProTools, LookUpHost("ProTools"));
  EXPECT_EQ(kHostArdour, LookUpHost("Ardour"));
  EXPECT_EQ(kHostStandalone, LookUpHost("Standalone"));
  EXPECT_EQ(kHostUnknown, LookUpHost(""));
  EXPECT_EQ(kHostUnknown, LookUpHost(nullptr));
  EXPECT_EQ(kHostUnknown, LookUpHost("Vegas Pro")); // Vegas has no match text

  // Only the first 255 characters take part.
  EXPECT_EQ(kHostLogic, LookUpHost((std::string(250, 'x') + "logic").c_str()));
  EXPECT_EQ(kHostUnknown, LookUpHost((std::string(251, 'x') + "logic").c_str()));
}

TEST(HostId, DisplayNames)
{
  EXPECT_EQ("Cubase", HostName(kHostCubase));
  EXPECT_EQ("FLStudio", HostName(kHostFL));
  EXPECT_EQ("Live", HostName(kHostAbletonLive));
  EXPECT_EQ("Vegas", HostName(kHostVegas));
  EXPECT_EQ("VST3PluginTestHost", HostName(kHostVST3TestHost)); // the longest: 18 characters
  EXPECT_EQ("Unknown", HostName(kHostMelodyne)); // recognised, but no display name
  for (int v : {-1, 0, 10, 11, 19, 29, 1000})
    EXPECT_EQ("Unknown", HostName(v)) << v;
}

TEST(HostId, SetHostAndVersions)
{
  TestEffect fx;
  fx.SetHost("Ableton Live 9", 0x00090105);
  EXPECT_EQ(kHostAbletonLive, fx.GetHost());
  EXPECT_EQ(0x00090105, fx.GetHostVersion(false));
  EXPECT_EQ(90105, fx.GetHostVersion(true));
  char buf[32];
  fx.GetHostVersionStr(buf);
  EXPECT_EQ(std::string("v9.1.5"), buf);
  fx.SetHost("", 0);
  EXPECT_EQ(kHostUnknown, fx.GetHost()); // identified, though unknown

  LateIdentifyingEffect late;
  EXPECT_EQ(0x000A0203, late.GetHostVersion(false));
  EXPECT_EQ(1, late.mAsked);
  late.GetHostVersionStr(buf);
  EXPECT_EQ(std::string("v10.2.3"), buf);
}

TEST(Midi, MakersAndReaders)
{
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 17, 2);
  EXPECT_EQ(0x92, msg.mStatus);
  EXPECT_EQ(17, msg.mOffset);
  EXPECT_EQ(IMidiMsg::kNoteOn, msg.StatusMsg());
  EXPECT_EQ(2, msg.Channel());
  EXPECT_EQ(60, msg.NoteNumber());
  EXPECT_EQ(100, msg.Velocity());
  EXPECT_EQ(-1, msg.Program());
  EXPECT_EQ(-1, msg.PolyAfterTouch());
  EXPECT_EQ(0.0, msg.PitchWheel());

  msg.MakeNoteOffMsg(61, 5, 15);
  EXPECT_EQ(0x8F, msg.mStatus);
  EXPECT_EQ(0, msg.mData2);
  EXPECT_EQ(0, msg.Velocity());

  msg.MakePitchWheelMsg(0, 0);
  EXPECT_EQ(0xE0, msg.mStatus);
  EXPECT_EQ(0, msg.mData1);
  EXPECT_EQ(64, msg.mData2);
  EXPECT_EQ(0, msg.mOffset);
  EXPECT_EQ(0.0, msg.PitchWheel());
  msg.MakePitchWheelMsg(1.0, 0);
  EXPECT_EQ(127, msg.mData1);
  EXPECT_EQ(127, msg.mData2);
  EXPECT_EQ(8191.0 / 8192.0, msg.PitchWheel());
  msg.MakePitchWheelMsg(-2, 3);
  EXPECT_EQ(0xE3, msg.mStatus);
  EXPECT_EQ(0, msg.mData1);
  EXPECT_EQ(0, msg.mData2);
  EXPECT_EQ(-1.0, msg.PitchWheel());
  msg.MakePitchWheelMsg(1e300, 0); // far out of range: limited, no overflow
  EXPECT_EQ(127, msg.mData2);

  msg.MakeControlChangeMsg(IMidiMsg::kChannelVolume, 0.5, 0);
  EXPECT_EQ(0xB0, msg.mStatus);
  EXPECT_EQ(7, msg.mData1);
  EXPECT_EQ(63, msg.mData2);
  EXPECT_EQ(IMidiMsg::kChannelVolume, msg.ControlChangeIdx());
  EXPECT_EQ(63.0 / 127.0, msg.ControlChange(IMidiMsg::kChannelVolume));
  EXPECT_EQ(-1.0, msg.ControlChange(IMidiMsg::kModWheel));
  EXPECT_EQ(-1, msg.NoteNumber());
  msg.MakeControlChangeMsg(IMidiMsg::kModWheel, 3.0, 0); // a data byte never exceeds 127
  EXPECT_EQ(127, msg.mData2);

  // A channel beyond 15 never changes the message kind; data bytes stay 0..127.
  msg.MakeNoteOnMsg(200, -5, 0, 0x21);
  EXPECT_EQ(0x91, msg.mStatus);
  EXPECT_EQ(127, msg.mData1);
  EXPECT_EQ(0, msg.mData2);

  const IMidiMsg poly(0, 0xA1, 64, 33), program(0, 0xC0, 12, 0), pressure(0, 0xD0, 90, 0),
    clock(0, 0xF8, 0, 0), data(0, 0x45, 0, 0);
  EXPECT_EQ(64, poly.NoteNumber());
  EXPECT_EQ(33, poly.PolyAfterTouch());
  EXPECT_EQ(-1, poly.Velocity());
  EXPECT_EQ(12, program.Program());
  EXPECT_EQ(90, pressure.ChannelAfterTouch());
  EXPECT_EQ(IMidiMsg::kNone, clock.StatusMsg());
  EXPECT_EQ(IMidiMsg::kNone, data.StatusMsg());

  msg.Clear();
  EXPECT_EQ(0, msg.mStatus + msg.mData1 + msg.mData2 + msg.mOffset);
  ISysEx sysex(5, &msg.mStatus, 1);
  sysex.Clear();
  EXPECT_EQ(nullptr, sysex.mData);
  EXPECT_EQ(0, sysex.mSize + sysex.mOffset);
}

TEST(Midi, StatusNamesAndSysExText)
{
  const char* names[] = {"none",          "unknown",       "unknown",           "unknown",
                         "unknown",       "unknown",       "unknown",           "unknown",
                         "noteoff",       "noteon",        "aftertouch",        "controlchange",
                         "programchange", "channelaftertouch", "pitchwheel",    "unknown"};
  for (int i = 0; i < 16; ++i)
    EXPECT_STREQ(names[i], StatusMsgStr(static_cast<IMidiMsg::EStatusMsg>(i))) << i;
  EXPECT_STREQ("unknown", StatusMsgStr(static_cast<IMidiMsg::EStatusMsg>(-1)));

  const uint8_t bytes[] = {0xF0, 0x7E, 0x7F};
  char buf[64];
  EXPECT_STREQ("F0 7E 7F", SysExStr(buf, 64, bytes, 3));
  // Exactly as many whole bytes as fit, never past the buffer.
  char small[7];
  std::memset(small, '#', sizeof(small));
  EXPECT_STREQ("F0", SysExStr(small, 6, bytes, 3));
  EXPECT_EQ('#', small[6]);
  EXPECT_STREQ("F0", SysExStr(small, 4, bytes, 3));
  EXPECT_STREQ("", SysExStr(small, 3, bytes, 3));
  EXPECT_STREQ("F0 7E", SysExStr(small, 7, bytes, 3));
  EXPECT_STREQ("", SysExStr(buf, 64, nullptr, 3));
  EXPECT_STREQ("", SysExStr(buf, 64, bytes, 0));
}

TEST(Diagnostics, TracePointsAndToLower)
{
  Trace("here", 12, "%d %s", 1, "x"); // produces nothing, and must not fail
  EXPECT_STREQ("", AUSelectStr(1));
  EXPECT_STREQ("", AUPropertyStr(2));
  EXPECT_STREQ("", AUScopeStr(3));
  EXPECT_STREQ("", VSTOpcodeStr(4));

  char buf[32];
  std::memset(buf, '#', sizeof(buf));
  ToLower(buf, "Logic Pro X 10.2");
  EXPECT_STREQ("logic pro x 10.2", buf);
  char inPlace[] = "MiXeD";
  ToLower(inPlace, inPlace);
  EXPECT_STREQ("mixed", inPlace);
}
