#include "framework/Base64.h"
#include "tests/framework/RecordingEditor.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{
using K = KestrionLikeEffect;

double DoubleAt(const ByteChunk& c, int pos)
{
  double d = -12345;
  EXPECT_GE(c.Get(&d, pos), 0);
  return d;
}

void SetAll(TestEffect& fx, std::initializer_list<double> values)
{
  int i = 0;
  for (double v : values)
    fx.GetParam(i++)->Set(v);
}

std::string ReadText(const std::string& path)
{
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TempPath(const char* name)
{
  return ::testing::TempDir() + "kestrion-state-" + std::to_string(getpid()) + "-" + name;
}
} // namespace

TEST(State, SerializeParamsWritesEachValueAsADouble)
{
  K fx;
  ByteChunk c;
  ASSERT_TRUE(fx.SerializeState(&c));
  ASSERT_EQ(64, c.Size());
  EXPECT_EQ(0.0, DoubleAt(c, 0));    // Attack default
  EXPECT_EQ(5.0, DoubleAt(c, 24));   // Attack Length default
  EXPECT_EQ(500.0, DoubleAt(c, 40)); // Sustain Length default

  SetAll(fx, {10, -20, 30, 4, 50, 600, -3.5, 70});
  c.Clear();
  fx.SerializeState(&c);
  K other;
  other.mChanged.clear();
  EXPECT_EQ(64, other.UnserializeState(&c, 0));
  for (int i = 0; i < K::kNumParams; ++i)
    EXPECT_EQ(fx.GetParam(i)->Value(), other.GetParam(i)->Value()) << i;
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), other.mChanged);

  // Reading from an offset and reading into a plug-in without parameters.
  ByteChunk offset;
  offset.PutBytes("xyz", 3);
  offset.PutChunk(&c);
  K third;
  EXPECT_EQ(67, third.UnserializeState(&offset, 3));
  EXPECT_EQ(-3.5, third.GetParam(K::kGain)->Value());
  TestEffect none(0);
  EXPECT_EQ(5, none.UnserializeParams(&c, 5));
  EXPECT_FALSE(none.SerializeParams(nullptr));
  EXPECT_EQ(-1, none.UnserializeParams(nullptr, 0));
}

TEST(State, ShortChunksAndOutOfRangeValues)
{
  K source;
  SetAll(source, {1, 2, 3, 4, 5, 6, -7, 8});
  ByteChunk full;
  source.SerializeState(&full);
  ByteChunk shortChunk;
  shortChunk.PutBytes(full.GetBytes(), 60);

  K fx;
  fx.GetParam(K::kSCHPF)->Set(50);
  fx.mChanged.clear();
  EXPECT_EQ(-1, fx.UnserializeState(&shortChunk, 0));
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(source.GetParam(i)->Value(), fx.GetParam(i)->Value()) << i;
  EXPECT_EQ(0.0, fx.GetParam(K::kSCHPF)->Value()); // the missing value counts as 0
  EXPECT_EQ(8u, fx.mChanged.size());              // every parameter still reaches the processor

  // A missing value is clamped into the range; later parameters stay as they were.
  TestEffect ranged(3);
  ranged.GetParam(0)->InitDouble("a", 7, 5, 10, 0.1);
  ranged.GetParam(1)->InitDouble("b", 9, 5, 10, 0.1);
  ranged.GetParam(2)->InitDouble("c", 6, 5, 10, 0.1);
  ByteChunk none;
  EXPECT_EQ(-1, ranged.UnserializeState(&none, 0));
  EXPECT_EQ(5.0, ranged.GetParam(0)->Value());
  EXPECT_EQ(9.0, ranged.GetParam(1)->Value());
  EXPECT_EQ(6.0, ranged.GetParam(2)->Value());

  // Values outside the range are clamped on restore: a Gain of 20 dB becomes 6.
  ByteChunk loud;
  for (int i = 0; i < K::kNumParams; ++i)
  {
    const double v = i == K::kGain ? 20.0 : (i == K::kAttack ? -500.0 : 0.0);
    loud.Put(&v);
  }
  EXPECT_EQ(64, fx.UnserializeState(&loud, 0));
  EXPECT_EQ(6.0, fx.GetParam(K::kGain)->Value());
  EXPECT_EQ(-100.0, fx.GetParam(K::kAttack)->Value());
}

TEST(State, CompareStateNarrowsToFloat)
{
  K fx;
  SetAll(fx, {10, -20, 30, 4, 50, 600, -3.5, 70});
  ByteChunk c;
  const double pad = 99;
  c.Put(&pad);
  fx.SerializeState(&c);
  EXPECT_TRUE(fx.CompareState(c.GetBytes(), 1)); // startPos counts doubles
  EXPECT_FALSE(fx.CompareState(c.GetBytes(), 0));

  fx.GetParam(K::kSustainLength)->Set(600.0 + 1e-9); // equal once narrowed
  EXPECT_TRUE(fx.CompareState(c.GetBytes(), 1));
  fx.GetParam(K::kAttack)->Set(10.001);
  EXPECT_FALSE(fx.CompareState(c.GetBytes(), 1));
  EXPECT_FALSE(fx.CompareState(nullptr, 0));

  TestEffect none(0);
  EXPECT_TRUE(none.CompareState(c.GetBytes(), 0));
}

TEST(Presets, MakeOperationsFillTheNextFreeSlot)
{
  K fx(false, 8);
  fx.MakeDefaultPreset("-", 1);
  EXPECT_TRUE(fx.Preset(0).mInitialized);
  EXPECT_STREQ("-", fx.Preset(0).mName);
  EXPECT_EQ(64, fx.Preset(0).mChunk.Size());

  fx.MakeDefaultPreset(nullptr, 1);
  EXPECT_STREQ("Empty", fx.Preset(1).mName);

  fx.MakePreset("values", 1, 2, 3, 4, 5, 6, -7, 8.5);
  ASSERT_EQ(64, fx.Preset(2).mChunk.Size());
  EXPECT_STREQ("values", fx.Preset(2).mName);
  EXPECT_EQ(-7.0, DoubleAt(fx.Preset(2).mChunk, 48));
  EXPECT_EQ(8.5, DoubleAt(fx.Preset(2).mChunk, 56));
  fx.MakePreset("too few", 1, 2, 3); // refused: one value per parameter
  EXPECT_FALSE(fx.Preset(3).mInitialized);

  // Only the named parameter changes; every other one keeps its current value.
  fx.GetParam(K::kSustainLink)->Set(42);
  fx.MakePresetFromNamedParams("named", 2, K::kAttackLength, 12.5, 99, 1.0);
  ASSERT_TRUE(fx.Preset(3).mInitialized);
  EXPECT_EQ(12.5, DoubleAt(fx.Preset(3).mChunk, 8 * K::kAttackLength));
  EXPECT_EQ(42.0, DoubleAt(fx.Preset(3).mChunk, 8 * K::kSustainLink));
  EXPECT_EQ(500.0, DoubleAt(fx.Preset(3).mChunk, 8 * K::kSustainLength));
  fx.MakePresetFromNamedParams("odd", 2, K::kAttack, 1.0); // not two pairs: refused
  EXPECT_FALSE(fx.Preset(4).mInitialized);

  ByteChunk raw;
  raw.PutBytes("\x01\x02\x03", 3);
  fx.MakePresetFromChunk("raw", &raw);
  EXPECT_TRUE(fx.Preset(4).mChunk.IsEqual(raw));

  // A blob decodes into a zero-filled buffer of exactly the stated size.
  const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  fx.MakePresetFromBlob("blob", Base64Encode(ten, 10).c_str(), 64);
  const ByteChunk& blob = fx.Preset(5).mChunk;
  ASSERT_EQ(64, blob.Size());
  EXPECT_EQ(0, std::memcmp(ten, blob.GetBytes(), 10));
  for (int i = 10; i < 64; ++i)
    EXPECT_EQ(0, blob.GetBytes()[i]) << i;

  fx.EnsureDefaultPreset();
  EXPECT_STREQ("Empty", fx.Preset(6).mName);
  EXPECT_TRUE(fx.Preset(7).mInitialized);
  fx.MakeDefaultPreset("no room", 1); // nothing left: quietly nothing
  EXPECT_EQ(nullptr, fx.GetNextUninitializedPreset());
}

TEST(Presets, PruneKeepsOrderAndTheCurrentPreset)
{
  K fx(false, 5);
  fx.MakeDefaultPreset("a", 1);
  fx.Preset(2).mInitialized = true;
  std::strcpy(fx.Preset(2).mName, "c");
  fx.Preset(4).mInitialized = true;
  std::strcpy(fx.Preset(4).mName, "e");
  fx.SetCurrentPreset(2);
  fx.PruneUninitializedPresets();
  ASSERT_EQ(3, fx.NPresets());
  EXPECT_STREQ("a", fx.GetPresetName(0));
  EXPECT_STREQ("c", fx.GetPresetName(1));
  EXPECT_STREQ("e", fx.GetPresetName(2));
  EXPECT_EQ(1, fx.GetCurrentPresetIdx()); // still "c"
  EXPECT_STREQ("", fx.GetPresetName(3));
  EXPECT_STREQ("", fx.GetPresetName(-1));
}

TEST(Presets, RestoreByIndexAndByName)
{
  K fx(false, 3);
  auto* editor = new RecordingEditor;
  fx.AttachGraphics(editor);

  EXPECT_FALSE(fx.RestorePreset(-1));
  EXPECT_FALSE(fx.RestorePreset(3));
  EXPECT_EQ(0, fx.GetCurrentPresetIdx());
  EXPECT_FALSE(fx.Preset(0).mInitialized);
  EXPECT_EQ(0, fx.mPresetsChanged);

  // Free slots become numbered user presets holding the current settings.
  fx.GetParam(K::kAttack)->Set(25);
  editor->mCalls.clear();
  EXPECT_TRUE(fx.RestorePreset(1));
  EXPECT_STREQ("user preset 1", fx.Preset(1).mName);
  EXPECT_EQ(25.0, DoubleAt(fx.Preset(1).mChunk, 0));
  EXPECT_EQ(1, fx.GetCurrentPresetIdx());
  EXPECT_EQ(1, fx.mPresetsChanged);
  ASSERT_EQ(8u, editor->mCalls.size()); // real values to the editor
  EXPECT_EQ(25.0, editor->mCalls[0].value);
  EXPECT_FALSE(editor->mCalls[0].normalized);
  EXPECT_TRUE(fx.RestorePreset(2));
  EXPECT_STREQ("user preset 2", fx.Preset(2).mName);

  // A stored slot is applied.
  fx.GetParam(K::kAttack)->Set(-60);
  fx.mChanged.clear();
  EXPECT_TRUE(fx.RestorePreset("user preset 1"));
  EXPECT_EQ(25.0, fx.GetParam(K::kAttack)->Value());
  EXPECT_EQ(8u, fx.mChanged.size());
  EXPECT_EQ(1, fx.GetCurrentPresetIdx());
  EXPECT_FALSE(fx.RestorePreset("user preset"));
  EXPECT_FALSE(fx.RestorePreset(""));
  EXPECT_FALSE(fx.RestorePreset(static_cast<const char*>(nullptr)));

  // Unreadable stored state: false, the current preset stays.
  fx.Preset(0).mInitialized = true;
  fx.Preset(0).mChunk.Clear();
  EXPECT_FALSE(fx.RestorePreset(0));
  EXPECT_EQ(1, fx.GetCurrentPresetIdx());

  // ModifyCurrentPreset stores the current settings and, when given, the name.
  fx.GetParam(K::kAttack)->Set(-33);
  fx.ModifyCurrentPreset();
  EXPECT_EQ(-33.0, DoubleAt(fx.Preset(1).mChunk, 0));
  EXPECT_STREQ("user preset 1", fx.Preset(1).mName);
  fx.ModifyCurrentPreset("renamed");
  EXPECT_STREQ("renamed", fx.Preset(1).mName);
}

TEST(Presets, BankLayoutAndRoundTrip)
{
  K fx(false, 1);
  fx.MakeDefaultPreset("-", 1);
  ByteChunk bank;
  ASSERT_TRUE(fx.SerializePresets(&bank));
  ASSERT_EQ(70, bank.Size());
  const uint8_t head[] = {0x01, 0x00, 0x00, 0x00, 0x2D, 0x01};
  EXPECT_EQ(0, std::memcmp(head, bank.GetBytes(), sizeof(head)));
  EXPECT_EQ(0, std::memcmp(fx.Preset(0).mChunk.GetBytes(), bank.GetBytes() + 6, 64));

  // Three slots: two stored, one free; restored into a fresh plug-in.
  K src(false, 3);
  SetAll(src, {1, 2, 3, 4, 5, 6, -7, 8});
  src.MakeDefaultPreset("first", 1);
  SetAll(src, {-1, -2, 13, 14, 15, 16, -17, 18});
  src.MakeDefaultPreset("second", 1);
  ByteChunk three;
  src.SerializePresets(&three);

  K dst(false, 3);
  std::strcpy(dst.Preset(2).mName, "old");
  EXPECT_EQ(three.Size(), dst.UnserializePresets(&three, 0));
  EXPECT_STREQ("first", dst.Preset(0).mName);
  EXPECT_STREQ("second", dst.Preset(1).mName);
  EXPECT_STREQ("empty", dst.Preset(2).mName);
  EXPECT_FALSE(dst.Preset(2).mInitialized);
  EXPECT_TRUE(dst.Preset(1).mChunk.IsEqual(src.Preset(1).mChunk));
  // The current preset (0) is applied last.
  EXPECT_EQ(1.0, dst.GetParam(0)->Value());
  EXPECT_EQ(-7.0, dst.GetParam(K::kGain)->Value());

  // Cut inside the second slot's state: -1, and every read stays inside the chunk.
  for (int len = 0; len < three.Size(); ++len)
  {
    ByteChunk cut;
    cut.PutBytes(three.GetBytes(), len);
    K part(false, 3);
    EXPECT_EQ(-1, part.UnserializePresets(&cut, 0)) << len;
  }
  K empty(false, 0);
  EXPECT_EQ(5, empty.UnserializePresets(&three, 5));
}

TEST(Presets, EditorAndHostAreToldEveryValue)
{
  K fx;
  fx.RedrawParamControls(); // no editor: nothing to do
  fx.GetParam(K::kGain)->Set(-94);
  auto* editor = new RecordingEditor;
  fx.AttachGraphics(editor);
  editor->mCalls.clear();
  fx.RedrawParamControls();
  ASSERT_EQ(8u, editor->mCalls.size());
  EXPECT_EQ(K::kGain, editor->mCalls[6].idx);
  EXPECT_EQ(-94.0, editor->mCalls[6].value);
  EXPECT_FALSE(editor->mCalls[6].normalized);

  fx.DirtyParameters();
  ASSERT_EQ(8u, fx.mInformed.size());
  EXPECT_EQ(0.0, fx.mInformed[6].value); // normalised
  EXPECT_DOUBLE_EQ(0.25, fx.mInformed[3].value);
}

TEST(Presets, DeveloperDumps)
{
  TestEffect fx(3, "1-1", 2);
  fx.GetParam(0)->InitBool("on", true);
  fx.GetParam(1)->InitInt("count", 3, 0, 10);
  fx.GetParam(2)->InitDouble("level", 0.5, 0, 1, 0.01);
  fx.MakeDefaultPreset("My \"best\"", 1);

  const std::string src = TempPath("src.txt");
  const char* ids[] = {"kOn", "kCount", "kLevel"};
  ASSERT_TRUE(fx.DumpPresetSrcCode(src.c_str(), ids));
  EXPECT_EQ("  MakePresetFromNamedParams(\"name\", 3,\n    kOn, true,\n    kCount, 3,\n"
            "    kLevel, 0.500000);\n",
            ReadText(src));

  const std::string blob = TempPath("blob.txt");
  ASSERT_TRUE(fx.DumpPresetBlob(blob.c_str()));
  const std::string b64 = Base64Encode(fx.Preset(0).mChunk.GetBytes(), 24);
  EXPECT_EQ("MakePresetFromBlob(\"name\", \"" + b64 + "\", 24);\n", ReadText(blob));

  const std::string bank = TempPath("bank.txt");
  ASSERT_TRUE(fx.DumpBankBlob(bank.c_str()));
  EXPECT_EQ("MakePresetFromBlob(\"My \\\"best\\\"\", \"" + b64 + "\", 24);\n"
            "MakePresetFromBlob(\"empty\", \"\", 0);\n",
            ReadText(bank));

  // A chunk far beyond 2048 base64 characters is written whole and decodes back exactly.
  TestEffect big(400, "1-1", 1);
  for (int i = 0; i < 400; ++i)
    big.GetParam(i)->Set((i % 7) / 7.0);
  big.MakeDefaultPreset("big", 1);
  ASSERT_TRUE(big.DumpPresetBlob(blob.c_str()));
  const std::string text = ReadText(blob);
  const size_t open = text.find("\", \"") + 4;
  const size_t close = text.find('"', open);
  const std::string encoded = text.substr(open, close - open);
  EXPECT_GT(encoded.size(), 2048u);
  TestEffect back(400, "1-1", 1);
  back.MakePresetFromBlob("big", encoded.c_str(), 3200);
  EXPECT_TRUE(back.Preset(0).mChunk.IsEqual(big.Preset(0).mChunk));

  // Nothing is written without a current preset or a writable path.
  TestEffect none(1, "1-1", 0);
  std::remove(blob.c_str());
  EXPECT_FALSE(none.DumpPresetBlob(blob.c_str()));
  EXPECT_FALSE(std::ifstream(blob).good());
  EXPECT_FALSE(fx.DumpBankBlob("/nonexistent-dir/x.txt"));
  EXPECT_FALSE(fx.DumpPresetSrcCode("/nonexistent-dir/x.txt", ids));
  std::remove(src.c_str());
  std::remove(bank.c_str());
}
