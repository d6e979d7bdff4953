#include "tests/framework/RecordingEditor.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(IEffectBase, ConstructionStateAndIdentity)
{
  TestEffect fx;
  EXPECT_EQ(3, fx.NParams());
  EXPECT_EQ(2, fx.NPresets());
  EXPECT_STREQ("empty", fx.Preset(0).mName);
  EXPECT_FALSE(fx.Preset(0).mInitialized);
  EXPECT_EQ(44100.0, fx.GetSampleRate());
  EXPECT_EQ(0, fx.GetBlockSize());
  EXPECT_EQ(kHostUninit, fx.GetHost());
  EXPECT_EQ(0, fx.GetCurrentPresetIdx());
  EXPECT_STREQ("TestEffect", fx.GetEffectName());
  EXPECT_STREQ("AU", fx.GetAPIString());
  EXPECT_STREQ("x64", fx.GetArchString());

  char buf[32];
  fx.GetEffectVersionStr(buf);
  EXPECT_STREQ("v1.2.3", buf);
  EXPECT_EQ(10203, fx.GetEffectVersion(true));
  EXPECT_EQ(0x00010203, fx.GetEffectVersion(false));
  GetVersionStr(0x00010001, buf);
  EXPECT_STREQ("v1.0.1", buf);
  EXPECT_EQ(100, GetDecimalVersion(0x00000100));

  fx.SetSampleRate(48000);
  EXPECT_EQ(24000.0, fx.GetSamplesPerBeat());
  fx.mTempo = 0;
  EXPECT_EQ(0.0, fx.GetSamplesPerBeat());

  const std::string longName(200, 'x');
  IEffectBase* named = new TestEffect(0, "", 0);
  delete named;
}

TEST(IEffectBase, ChannelConfigurationsAndLegalIO)
{
  TestEffect fx(0, "1-1 2-2");
  EXPECT_EQ(2, fx.NChannelIO());
  EXPECT_EQ(2, fx.NInChannels());
  EXPECT_EQ(2, fx.NOutChannels());
  EXPECT_TRUE(fx.LegalIO(1, 1));
  EXPECT_TRUE(fx.LegalIO(2, 2));
  EXPECT_FALSE(fx.LegalIO(1, 2));
  EXPECT_TRUE(fx.LegalIO(-1, 2));
  EXPECT_TRUE(fx.LegalIO(2, -1));
  EXPECT_TRUE(fx.LegalIO(-1, -1));
  EXPECT_FALSE(fx.LegalIO(-1, 3));

  TestEffect trailing(0, "1-1 2-2 ");
  ASSERT_EQ(3, trailing.NChannelIO());
  int in = -1, out = -1;
  trailing.GetChannelIO(2, &in, &out);
  EXPECT_EQ(0, in);
  EXPECT_EQ(0, out);
  EXPECT_TRUE(trailing.LegalIO(0, 0));

  TestEffect doubled(0, "1-1  2-4");
  ASSERT_EQ(3, doubled.NChannelIO());
  doubled.GetChannelIO(1, &in, &out);
  EXPECT_EQ(2, in);
  EXPECT_EQ(4, out);
  doubled.GetChannelIO(2, &in, &out);
  EXPECT_EQ(2, in);
  EXPECT_EQ(4, out);
  EXPECT_EQ(4, doubled.NOutChannels());

  TestEffect none(0, nullptr);
  EXPECT_EQ(0, none.NChannelIO());
  EXPECT_EQ(0, none.NInChannels());
  EXPECT_FALSE(none.LegalIO(-1, -1));

  TestEffect garbage(0, "x-2");
  garbage.GetChannelIO(0, &in, &out);
  EXPECT_EQ(0, in);
  EXPECT_EQ(0, out);
}

TEST(IEffectBase, ConnectionsAndLabels)
{
  TestEffect fx(0, "1-1 2-2 4-4");
  fx.SetInputChannelConnections(0, 10, true);
  EXPECT_TRUE(fx.IsInChannelConnected(3));
  EXPECT_FALSE(fx.IsInChannelConnected(4));
  EXPECT_FALSE(fx.IsInChannelConnected(-1));
  fx.LimitToStereoIO();
  EXPECT_TRUE(fx.IsInChannelConnected(1));
  EXPECT_FALSE(fx.IsInChannelConnected(2));
  EXPECT_TRUE(fx.IsOutChannelConnected(3));
  EXPECT_FALSE(fx.IsOutChannelConnected(1));

  fx.SetInputBusLabel(2, "nope");
  EXPECT_TRUE(fx.InputBusLabels().empty());
  fx.SetInputBusLabel(1, "aux");
  fx.SetInputBusLabel(0, "main");
  ASSERT_EQ(1u, fx.InputBusLabels().size()); // "aux" was appended at 0, then replaced
  EXPECT_EQ("main", fx.InputBusLabels()[0]);
  fx.SetInputBusLabel(1, "aux");
  ASSERT_EQ(2u, fx.InputBusLabels().size());
  EXPECT_EQ("aux", fx.InputBusLabels()[1]);
  fx.SetInputBusLabel(0, nullptr);
  EXPECT_EQ("", fx.InputBusLabels()[0]);
  fx.SetOutputBusLabel(2, "out");
  ASSERT_EQ(1u, fx.OutputBusLabels().size());
  EXPECT_EQ("out", fx.OutputBusLabels()[0]);
  fx.SetInputLabel(9, "ignored");
  fx.SetOutputLabel(1, "right");
  EXPECT_EQ("right", fx.Out(1).mLabel);
}

TEST(IEffectBase, SinglePrecisionAttachingWithADisconnectedInput)
{
  TestEffect fx(0, "1-1 2-2");
  fx.SetBlockSize(4);
  fx.SetInputChannelConnections(0, 1, true);
  fx.SetInputChannelConnections(1, 1, false);
  fx.SetOutputChannelConnections(0, 2, true);

  float in0[4] = {0.5f, -0.25f, 1.0f, 0.125f};
  float* ins[] = {in0};
  float out0[4] = {}, out1[4] = {9, 9, 9, 9};
  float* outs[] = {out0, out1};
  fx.AttachInputBuffers(0, 2, ins, 4);
  fx.AttachOutputBuffers(0, 2, outs);
  fx.ProcessBuffers(0.0f, 4);
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_EQ(in0[i], out0[i]);
    EXPECT_EQ(0.0f, out1[i]); // input 1 reads silence from its scratch buffer
  }

  // A stereo block leaves host samples in input 1's scratch buffer; once the channel is
  // disconnected it must read silence again.
  float in1[4] = {0.75f, 0.75f, 0.75f, 0.75f};
  float* stereo[] = {in0, in1};
  fx.SetInputChannelConnections(1, 1, true);
  fx.AttachInputBuffers(0, 2, stereo, 4);
  fx.ProcessBuffers(0.0f, 4);
  EXPECT_EQ(0.75f, out1[2]);
  fx.SetInputChannelConnections(1, 1, false);
  fx.AttachInputBuffers(0, 2, ins, 4);
  fx.ProcessBuffers(0.0f, 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(0.0f, out1[i]);

  // Accumulating adds the converted result to what the host buffer holds.
  for (float& s : out0)
    s = 0.5f;
  float quarter[4] = {0.25f, 0.25f, 0.25f, 0.25f};
  float* q[] = {quarter};
  fx.AttachInputBuffers(0, 1, q, 4);
  fx.ProcessBuffersAccumulating(0.0f, 4);
  EXPECT_EQ(0.75f, out0[0]);
  EXPECT_EQ(0.75f, out0[3]);
}

TEST(IEffectBase, DoublePrecisionAttachingAndPassThrough)
{
  TestEffect fx(0, "1-2");
  fx.SetBlockSize(3);
  fx.SetInputChannelConnections(0, 1, true);
  fx.SetOutputChannelConnections(0, 2, true);
  double in0[3] = {1, 2, 3};
  double out0[3] = {}, out1[3] = {7, 7, 7};
  double* ins[] = {in0};
  double* outs[] = {out0, out1};
  fx.AttachInputBuffers(0, 1, ins, 3);
  fx.AttachOutputBuffers(0, 2, outs);
  EXPECT_EQ(in0, fx.InData()[0]);
  EXPECT_EQ(out1, fx.OutData()[1]);
  fx.PassThroughBuffers(0.0, 3);
  EXPECT_EQ(3.0, out0[2]);
  EXPECT_EQ(0.0, out1[0]);
  EXPECT_EQ(0.0, out1[2]);

  // A block larger than the scratch buffers is refused without touching anything.
  out0[0] = 42;
  fx.PassThroughBuffers(0.0, 4);
  fx.ProcessBuffers(0.0, 4);
  EXPECT_EQ(42.0, out0[0]);

  float fin[3] = {0.5f, 0.5f, 0.5f};
  float fout0[3] = {}, fout1[3] = {3, 3, 3};
  float* fins[] = {fin};
  float* fouts[] = {fout0, fout1};
  fx.AttachInputBuffers(0, 1, fins, 3);
  fx.AttachOutputBuffers(0, 2, fouts);
  fx.PassThroughBuffers(0.0f, 3);
  EXPECT_EQ(0.5f, fout0[1]);
  EXPECT_EQ(0.0f, fout1[1]);

  // The base's replacing calls copy bit for bit (-0 and a subnormal here), also in place, and
  // silence the output without an input; an empty block touches nothing.
  const float fbits[3] = {-0.0f, 1e-40f, -2.5f};
  float fsame[3] = {-0.0f, 1e-40f, -2.5f}, fsilent[3] = {3, 3, 3};
  float* fio[] = {fsame, fsilent};
  fx.ProcessSingleReplacing(fio, fio, 0);
  EXPECT_EQ(3.0f, fsilent[0]);
  fx.ProcessSingleReplacing(fio, fio, 3);
  EXPECT_EQ(0, std::memcmp(fbits, fsame, sizeof(fbits)));
  const float fzero[3] = {};
  EXPECT_EQ(0, std::memcmp(fzero, fsilent, sizeof(fzero)));
  double din[3] = {-0.0, 4e-320, -2.5};
  double dout0[3] = {}, dout1[3] = {7, 7, 7};
  double* dins[] = {din};
  double* douts[] = {dout0, dout1};
  fx.ProcessDoubleReplacing(dins, douts, 3);
  EXPECT_EQ(0, std::memcmp(din, dout0, sizeof(din)));
  const double dzero[3] = {};
  EXPECT_EQ(0, std::memcmp(dzero, dout1, sizeof(dzero)));
}

TEST(IEffectBase, UnattachedSlotsAreNeverProcessed)
{
  TestEffect fx(0, "2-2");
  fx.SetBlockSize(8);
  fx.SetOutputChannelConnections(0, 2, true);
  fx.SetInputChannelConnections(0, 2, true); // connected, but no buffer attached yet
  double out0[8] = {5}, out1[8] = {5};
  double* outs[] = {out0, out1};
  fx.AttachOutputBuffers(0, 2, outs);
  fx.ProcessBuffers(0.0, 8);
  EXPECT_EQ(5.0, out0[0]);
}

TEST(IEffectBase, BlockSizeResizesAndZeroesScratchBuffers)
{
  TestEffect fx(0, "2-2");
  fx.SetBlockSize(4);
  fx.SetInputChannelConnections(0, 2, false); // both read their scratch buffers
  ASSERT_EQ(fx.In(0).mScratchBuf.data(), fx.InData()[0]);
  fx.In(0).mScratchBuf[1] = 0.5;
  fx.SetBlockSize(4);
  EXPECT_EQ(0.5, fx.In(0).mScratchBuf[1]); // same size: contents kept
  fx.SetBlockSize(64);
  ASSERT_EQ(64u, fx.In(0).mScratchBuf.size());
  EXPECT_EQ(0.0, fx.In(0).mScratchBuf[1]);
  EXPECT_EQ(fx.In(0).mScratchBuf.data(), fx.InData()[0]); // the slot follows the buffer
  EXPECT_EQ(64, fx.GetBlockSize());
  fx.Out(1).mScratchBuf[3] = 1.0;
  fx.ZeroScratchBuffers();
  EXPECT_EQ(0.0, fx.Out(1).mScratchBuf[3]);
}

TEST(IEffectBase, ParameterChangesFromTheEditor)
{
  TestEffect fx(3, "1-1");
  fx.GetParam(1)->InitDouble("p", 0, 0, 10, 0.1);
  fx.SetParameterFromGUI(1, 0.25);
  EXPECT_DOUBLE_EQ(2.5, fx.GetParam(1)->Value());
  ASSERT_EQ(1u, fx.mInformed.size());
  EXPECT_EQ(1, fx.mInformed[0].idx);
  EXPECT_EQ(0.25, fx.mInformed[0].value);
  EXPECT_EQ(std::vector<int>({1}), fx.mChanged);

  fx.SetParameterFromGUI(3, 0.5); // outside the table: nothing
  EXPECT_EQ(1u, fx.mInformed.size());

  fx.mChanged.clear();
  fx.OnParamReset();
  EXPECT_EQ(std::vector<int>({0, 1, 2}), fx.mChanged);
  EXPECT_EQ(nullptr, fx.GetParam(3));
  EXPECT_EQ(nullptr, fx.GetParam(-1));
}

TEST(IEffectBase, AttachingAnEditor)
{
  int deletions = 0;
  {
    TestEffect fx(2, "1-1");
    fx.GetParam(0)->InitDouble("a", 5, 0, 10, 0.1);
    fx.GetParam(1)->InitDouble("b", 1, 0, 4, 0.1);
    fx.AttachGraphics(nullptr);
    EXPECT_EQ(nullptr, fx.GetGUI());

    auto* first = new RecordingEditor(&deletions);
    fx.AttachGraphics(first);
    EXPECT_EQ(first, fx.GetGUI());
    ASSERT_EQ(2u, first->mCalls.size());
    EXPECT_EQ(0, first->mCalls[0].idx);
    EXPECT_DOUBLE_EQ(0.5, first->mCalls[0].value);
    EXPECT_TRUE(first->mCalls[0].normalized);
    EXPECT_DOUBLE_EQ(0.25, first->mCalls[1].value);
    EXPECT_EQ(1, first->mPrepDraws);

    fx.AttachGraphics(new RecordingEditor(&deletions)); // replaces and deletes the first
    EXPECT_EQ(1, deletions);
  }
  EXPECT_EQ(2, deletions); // the base deletes its editor
}

TEST(IEffectBase, MidiListsAndDefaults)
{
  TestEffect fx;
  std::vector<IMidiMsg> none;
  EXPECT_TRUE(fx.SendMidiMsgs(none));
  std::vector<IMidiMsg> msgs = {IMidiMsg(0, 0x90, 60, 100), IMidiMsg(5, 0xFF, 0, 0),
                                IMidiMsg(9, 0x80, 60, 0)};
  EXPECT_FALSE(fx.SendMidiMsgs(msgs));
  ASSERT_EQ(3u, fx.mSentMidi.size()); // every message is sent, in order
  EXPECT_EQ(9, fx.mSentMidi[2].mOffset);

  IMidiMsg note(3, 0x91, 64, 90);
  fx.ProcessMidiMsg(&note);
  EXPECT_EQ(0x91, fx.mSentMidi.back().mStatus);

  char name[8] = "x";
  EXPECT_FALSE(fx.MidiNoteName(60, name));
  EXPECT_STREQ("", name);
  EXPECT_FALSE(fx.SendSysEx(nullptr));
  EXPECT_FALSE(fx.HostRequestingAboutBox());
  fx.SetLatency(64);
  EXPECT_EQ(64, fx.GetLatency());
}
