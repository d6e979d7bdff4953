#include "framework/PresetFileFormat.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
using K = KestrionLikeEffect;
using Bytes = std::vector<uint8_t>;

const std::string kCorpus = KESTRION_FUZZ_CORPUS_DIR;

uint32_t BE(const ByteChunk& c, int pos)
{
  const uint8_t* p = c.GetBytes() + pos;
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

float BEFloat(const ByteChunk& c, int pos)
{
  const uint32_t bits = BE(c, pos);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

std::string Text(const ByteChunk& c, int pos, int n)
{
  return std::string(reinterpret_cast<const char*>(c.GetBytes()) + pos, static_cast<size_t>(n));
}

Bytes ToBytes(const ByteChunk& c)
{
  return Bytes(c.GetBytes(), c.GetBytes() + c.Size());
}

void SetAll(TestEffect& fx, std::initializer_list<double> values)
{
  int i = 0;
  for (double v : values)
    fx.GetParam(i++)->Set(v);
}

void PrepareSource(K& fx)
{
  fx.PrepareAsFileSource();
}

void PrepareTarget(K& fx)
{
  fx.PrepareAsLoadTarget();
}

// The chunk-form file without the version prefix in its chunk.
Bytes WithoutPrefix(Bytes file, size_t chunkSizeAt)
{
  file.erase(file.begin() + static_cast<long>(chunkSizeAt) + 4,
             file.begin() + static_cast<long>(chunkSizeAt) + 12);
  auto putBE = [&file](size_t at, uint32_t v)
  {
    for (int i = 0; i < 4; ++i)
      file[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  putBE(4, static_cast<uint32_t>(file.size()));
  putBE(chunkSizeAt, static_cast<uint32_t>(file.size() - chunkSizeAt - 4));
  return file;
}

struct Seed
{
  const char* path; // below the corpus folder
  Bytes bytes;
};

std::vector<Seed> SeedFiles()
{
  K params(false, 3), chunks(true, 3);
  PrepareSource(params);
  PrepareSource(chunks);
  ByteChunk pp, cp, pb, cb;
  params.MakeProgramFXP(&pp);
  chunks.MakeProgramFXP(&cp);
  params.MakeBankFXB(&pb);
  chunks.MakeBankFXB(&cb);
  return {
      {"fxp_loader/params.fxp", ToBytes(pp)},
      {"fxp_loader/chunk.fxp", ToBytes(cp)},
      {"fxp_loader/chunk-no-prefix.fxp", WithoutPrefix(ToBytes(cp), 56)},
      {"fxb_loader/params.fxb", ToBytes(pb)},
      {"fxb_loader/chunk.fxb", ToBytes(cb)},
      {"fxb_loader/chunk-no-prefix.fxb", WithoutPrefix(ToBytes(cb), 156)},
  };
}

Bytes ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

std::string TempDir()
{
  static const std::string dir = []
  {
    std::string d = ::testing::TempDir() + "kestrion-fxp-" + std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d + "/";
  }();
  return dir;
}

int CountEntries(const std::string& dir)
{
  int n = 0;
  if (DIR* d = opendir(dir.c_str()))
  {
    while (const dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++n;
    closedir(d);
  }
  return n;
}

bool Load(K& fx, const Bytes& bytes, bool bank)
{
  return bank ? fx.LoadBankFromFXBData(bytes.data(), bytes.size())
              : fx.LoadProgramFromFXPData(bytes.data(), bytes.size());
}
} // namespace

TEST(PresetFiles, ProgramFileLayouts)
{
  K fx(false, 1);
  fx.MakeDefaultPreset("-", 1);
  SetAll(fx, {50, -50, 25, 10, 0, 750, 6, 100});
  ByteChunk file;
  ASSERT_TRUE(fx.MakeProgramFXP(&file));
  ASSERT_EQ(88, file.Size());
  EXPECT_EQ("CcnK", Text(file, 0, 4));
  EXPECT_EQ(0u, BE(file, 4));
  EXPECT_EQ("FxCk", Text(file, 8, 4));
  const uint8_t one[] = {0, 0, 0, 1};
  EXPECT_EQ(0, std::memcmp(one, file.GetBytes() + 12, 4));
  EXPECT_EQ(0x54667831u, BE(file, 16));
  EXPECT_EQ(10203u, BE(file, 20)); // decimal version
  EXPECT_EQ(8u, BE(file, 24));
  EXPECT_EQ(std::string("-\0\0\0", 4), Text(file, 28, 4));
  EXPECT_EQ(std::string(27, '\0'), Text(file, 29, 27));
  const float expected[] = {0.75f, 0.25f, 0.25f, 0.5f, 0.0f, 1.0f, 1.0f, 1.0f};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(expected[i], BEFloat(file, 56 + 4 * i)) << i;

  // Chunk form: 60 header bytes, the prefix and the 64-byte state.
  K chunks(true, 1);
  chunks.MakeDefaultPreset("-", 1);
  ASSERT_TRUE(chunks.MakeProgramFXP(&file));
  ASSERT_EQ(132, file.Size());
  EXPECT_EQ(132u, BE(file, 4));
  EXPECT_EQ("FPCh", Text(file, 8, 4));
  EXPECT_EQ(72u, BE(file, 56));
  const uint8_t prefix[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(0, std::memcmp(prefix, file.GetBytes() + 60, 8));
  EXPECT_EQ(0, std::memcmp(chunks.Preset(0).mChunk.GetBytes(), file.GetBytes() + 68, 64));

  // A long name keeps 27 characters and a zero byte; no current preset gives an empty name.
  fx.ModifyCurrentPreset("A name of more than twenty-eight characters");
  fx.MakeProgramFXP(&file);
  EXPECT_EQ(std::string("A name of more than twenty-") + '\0', Text(file, 28, 28));
  fx.SetCurrentPreset(5);
  fx.MakeProgramFXP(&file);
  EXPECT_EQ(std::string(28, '\0'), Text(file, 28, 28));
}

TEST(PresetFiles, BankFileLayouts)
{
  K fx(false, 1);
  SetAll(fx, {50, -50, 25, 10, 0, 750, 6, 100});
  fx.MakeDefaultPreset("-", 1);
  SetAll(fx, {}); // live values differ from the slot's
  fx.GetParam(0)->Set(-100);
  ByteChunk file;
  ASSERT_TRUE(fx.MakeBankFXB(&file));
  ASSERT_EQ(156 + 88, file.Size());
  EXPECT_EQ("CcnK", Text(file, 0, 4));
  EXPECT_EQ(0u, BE(file, 4));
  EXPECT_EQ("FxBk", Text(file, 8, 4));
  EXPECT_EQ(2u, BE(file, 12));
  EXPECT_EQ(0x54667831u, BE(file, 16));
  EXPECT_EQ(10203u, BE(file, 20));
  EXPECT_EQ(1u, BE(file, 24));
  EXPECT_EQ(0u, BE(file, 28));
  EXPECT_EQ(std::string(124, '\0'), Text(file, 32, 124));
  // The record is a parameter-form program holding the slot's stored values.
  EXPECT_EQ("CcnK", Text(file, 156, 4));
  EXPECT_EQ(0u, BE(file, 160));
  EXPECT_EQ("FxCk", Text(file, 164, 4));
  EXPECT_EQ(1u, BE(file, 168));
  EXPECT_EQ(8u, BE(file, 180));
  EXPECT_EQ('-', file.GetBytes()[184]);
  EXPECT_EQ(0.75f, BEFloat(file, 212));
  EXPECT_EQ(1.0f, BEFloat(file, 212 + 4 * 7));

  // A free slot contributes each parameter's normalised 0.
  K two(false, 2);
  two.MakeDefaultPreset("-", 1);
  two.MakeBankFXB(&file);
  ASSERT_EQ(156 + 2 * 88, file.Size());
  EXPECT_EQ(std::string("empty"), Text(file, 156 + 88 + 28, 5));
  EXPECT_EQ(0.5f, BEFloat(file, 156 + 88 + 56)); // Attack 0 in -100..100
  EXPECT_EQ(0.0f, BEFloat(file, 156 + 88 + 56 + 4 * K::kAttackLength));

  // Chunk form: the prefix and the bank of SerializePresets.
  K chunks(true, 1);
  chunks.MakeDefaultPreset("-", 1);
  ASSERT_TRUE(chunks.MakeBankFXB(&file));
  ASSERT_EQ(160 + 8 + 70, file.Size());
  EXPECT_EQ(238u, BE(file, 4));
  EXPECT_EQ("FBCh", Text(file, 8, 4));
  EXPECT_EQ(78u, BE(file, 156));
  ByteChunk bank;
  chunks.SerializePresets(&bank);
  EXPECT_EQ(0, std::memcmp(bank.GetBytes(), file.GetBytes() + 168, 70));
}

// The format unit on its own, as hosts use it: records written and read back field for field
// in both forms, and every file cut short refused.
TEST(PresetFiles, RecordsRoundTripAndTruncatedFilesAreRefused)
{
  fxfile::Program program;
  program.pluginID = 0x62796B48;
  program.pluginVersion = 10001;
  program.numParams = 3;
  program.name = "a name longer than twenty-seven characters";
  program.values = {0.25f, 1.0f, 0.0f};
  fxfile::Program chunked = program;
  chunked.form = fxfile::kProgramChunkMagic;
  chunked.chunk.PutStr("state");
  fxfile::Bank bank;
  bank.pluginID = program.pluginID;
  bank.numPrograms = 2;
  bank.currentProgram = 1;
  bank.programs = {program, program};
  bank.programs[1].values = {0.5f, 0.75f, 0.125f};
  fxfile::Bank chunkBank = bank;
  chunkBank.form = fxfile::kBankChunkMagic;
  chunkBank.programs.clear();
  chunkBank.chunk.PutStr("presets");

  for (const fxfile::Program* p : {&program, &chunked})
  {
    ByteChunk file;
    fxfile::WriteProgram(*p, file);
    fxfile::Program read;
    ASSERT_TRUE(fxfile::ReadProgram(file.GetBytes(), static_cast<size_t>(file.Size()), read));
    EXPECT_EQ(read.form, p->form);
    EXPECT_EQ(read.pluginID, p->pluginID);
    EXPECT_EQ(read.pluginVersion, p->pluginVersion);
    EXPECT_EQ(read.numParams, 3);
    EXPECT_EQ(read.name, p->name.substr(0, 27));
    const bool values = p->form == fxfile::kProgramParamsMagic;
    EXPECT_EQ(read.values, values ? p->values : std::vector<float>());
    EXPECT_TRUE(read.chunk.IsEqual(p->chunk));
    for (int n = 0; n < file.Size(); ++n)
      EXPECT_FALSE(fxfile::ReadProgram(file.GetBytes(), static_cast<size_t>(n), read)) << n;
  }
  for (const fxfile::Bank* b : {&bank, &chunkBank})
  {
    ByteChunk file;
    fxfile::WriteBank(*b, file);
    EXPECT_EQ(file.Size(), b->form == fxfile::kBankParamsMagic ? 156 + 2 * 68 : 160 + 11);
    fxfile::Bank read;
    ASSERT_TRUE(fxfile::ReadBank(file.GetBytes(), static_cast<size_t>(file.Size()), read));
    EXPECT_EQ(read.form, b->form);
    EXPECT_EQ(read.numPrograms, 2);
    EXPECT_EQ(read.currentProgram, 1);
    ASSERT_EQ(read.programs.size(), b->programs.size());
    for (size_t i = 0; i < read.programs.size(); ++i)
      EXPECT_EQ(read.programs[i].values, b->programs[i].values) << i;
    EXPECT_TRUE(read.chunk.IsEqual(b->chunk));
    for (int n = 0; n < file.Size(); ++n)
      EXPECT_FALSE(fxfile::ReadBank(file.GetBytes(), static_cast<size_t>(n), read)) << n;
  }
}

TEST(PresetFiles, RoundTripsRestoreEveryParameter)
{
  const std::string dir = TempDir();
  for (bool chunkForm : {false, true})
  {
    K src(chunkForm, 3);
    PrepareSource(src);
    const std::string fxp = dir + (chunkForm ? "c.fxp" : "p.fxp");
    const std::string fxb = dir + (chunkForm ? "c.fxb" : "p.fxb");
    ASSERT_TRUE(src.SaveProgramAsFXP(fxp));
    ASSERT_TRUE(src.SaveBankAsFXB(fxb));
    const double tolerance = chunkForm ? 0.0 : 1e-4; // parameter form stores floats

    K dst(chunkForm, 3);
    PrepareTarget(dst);
    dst.mChanged.clear();
    ASSERT_TRUE(dst.LoadProgramFromFXP(fxp));
    for (int i = 0; i < K::kNumParams; ++i)
    {
      double lo, hi;
      dst.GetParam(i)->GetBounds(lo, hi);
      EXPECT_NEAR(src.GetParam(i)->Value(), dst.GetParam(i)->Value(), tolerance * (hi - lo)) << i;
    }
    EXPECT_STREQ("Soft", dst.Preset(0).mName); // the current preset takes the program
    EXPECT_GE(dst.mChanged.size(), 8u);
    EXPECT_EQ(1, dst.mProgramChanges);

    K bank(chunkForm, 3);
    PrepareTarget(bank);
    ASSERT_TRUE(bank.LoadBankFromFXB(fxb));
    // The parameter form makes the file's current program current; the chunk form restores the
    // plug-in's own current preset.
    const int current = chunkForm ? 0 : 1;
    EXPECT_EQ(current, bank.GetCurrentPresetIdx());
    EXPECT_STREQ("Punchy", bank.Preset(0).mName);
    EXPECT_STREQ("Soft", bank.Preset(1).mName);
    for (int p = 0; p < 2; ++p)
      for (int i = 0; i < K::kNumParams; ++i)
      {
        double a, b;
        src.Preset(p).mChunk.Get(&a, 8 * i);
        bank.Preset(p).mChunk.Get(&b, 8 * i);
        double lo, hi;
        bank.GetParam(i)->GetBounds(lo, hi);
        EXPECT_NEAR(a, b, tolerance * (hi - lo)) << p << " " << i;
        if (p == current) // the current preset is live
        {
          EXPECT_NEAR(a, bank.GetParam(i)->Value(), tolerance * (hi - lo));
        }
      }
    EXPECT_EQ(1, bank.mProgramChanges);
    std::remove(fxp.c_str());
    std::remove(fxb.c_str());
  }

  // The parameter form loads into a chunk-using plug-in too; integer-like parameters round.
  TestEffect ints(1, "1-1", 1, true);
  ints.GetParam(0)->InitInt("n", 0, 0, 3);
  ints.MakeDefaultPreset("-", 1);
  TestEffect plain(1, "1-1", 1, false);
  plain.GetParam(0)->InitDouble("x", 0.6, 0, 3, 0.01);
  ByteChunk file;
  plain.MakeProgramFXP(&file);
  ASSERT_TRUE(ints.LoadProgramFromFXPData(file.GetBytes(), static_cast<size_t>(file.Size())));
  EXPECT_EQ(1.0, ints.GetParam(0)->Value());
}

TEST(PresetFiles, RefusedFilesChangeNothing)
{
  K src(false, 3), csrc(true, 3);
  PrepareSource(src);
  PrepareSource(csrc);
  ByteChunk fxp, cfxp, fxb;
  src.MakeProgramFXP(&fxp);
  csrc.MakeProgramFXP(&cfxp);
  src.MakeBankFXB(&fxb);

  auto refused = [](bool chunks, Bytes bytes, bool bank, const char* what)
  {
    K fx(chunks, 3);
    PrepareTarget(fx);
    const std::string before = StateFingerprint(fx);
    EXPECT_FALSE(Load(fx, bytes, bank)) << what;
    EXPECT_EQ(before, StateFingerprint(fx)) << what;
    EXPECT_EQ(0, fx.mProgramChanges) << what;
  };
  auto patched = [](const ByteChunk& c, size_t at, uint32_t v)
  {
    Bytes b = ToBytes(c);
    for (int i = 0; i < 4; ++i)
      b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
    return b;
  };

  refused(false, patched(fxp, 16, 0x12345678), false, "other plug-in id");
  refused(false, patched(fxp, 12, 2), false, "program format version");
  refused(false, patched(fxp, 0, 0x43636E4C), false, "chunk magic");
  refused(false, patched(fxp, 8, 0x41424344), false, "form magic");
  refused(false, patched(fxp, 24, 7), false, "parameter count");
  refused(false, ToBytes(cfxp), false, "chunk form into a plug-in without chunks");
  refused(true, patched(cfxp, 56, 0x7FFFFFFF), false, "chunk size beyond the file");
  refused(true, patched(cfxp, 56, 40), false, "chunk ending inside the state");
  refused(false, patched(fxb, 16, 1), true, "bank of another plug-in");
  refused(false, patched(fxb, 24, 4), true, "more programs than slots");
  refused(false, patched(fxb, 28, 3), true, "current program outside the slots");
  refused(false, patched(fxb, 156 + 88 + 24, 9), true, "record with another parameter count");
  refused(false, patched(fxb, 156 + 2 * 88 + 8, 0x46504368), true, "record of another form");
  Bytes shortBank = ToBytes(fxb);
  shortBank.resize(shortBank.size() - 1);
  refused(false, shortBank, true, "bank ending inside its last record");

  // Empty paths, missing files and a folder are refused.
  K fx;
  EXPECT_FALSE(fx.LoadProgramFromFXP(""));
  EXPECT_FALSE(fx.LoadBankFromFXB(TempDir() + "missing.fxb"));
  EXPECT_FALSE(fx.LoadProgramFromFXP(TempDir()));
  EXPECT_FALSE(fx.SaveProgramAsFXP(""));
  EXPECT_FALSE(fx.SaveBankAsFXB("/nonexistent-dir/bank.fxb"));
}

TEST(PresetFiles, ChunksWithoutThePrefixAndShortBanks)
{
  for (const Seed& seed : SeedFiles())
  {
    if (seed.path != std::string("fxp_loader/chunk-no-prefix.fxp") &&
        seed.path != std::string("fxb_loader/chunk-no-prefix.fxb"))
      continue;
    const bool bank = seed.path[2] == 'b';
    K fx(true, 3);
    PrepareTarget(fx);
    ASSERT_TRUE(Load(fx, seed.bytes, bank)) << seed.path;
    // A program carries the live settings; a bank restores the loading plug-in's current
    // preset (slot 0).
    EXPECT_EQ(bank ? -12.0 : -47.0, fx.GetParam(K::kGain)->Value()) << seed.path;
    EXPECT_STREQ(bank ? "Punchy" : "Soft", fx.Preset(0).mName) << seed.path;
  }

  // A parameter-form bank with fewer programs than slots loads those programs only.
  K two(false, 1);
  SetAll(two, {1, 2, 3, 4, 5, 6, 0, 8});
  two.MakeDefaultPreset("only", 1);
  ByteChunk file;
  two.MakeBankFXB(&file);
  K three(false, 3);
  PrepareTarget(three);
  ASSERT_TRUE(three.LoadBankFromFXBData(file.GetBytes(), static_cast<size_t>(file.Size())));
  EXPECT_STREQ("only", three.Preset(0).mName);
  EXPECT_STREQ("free slot", three.Preset(2).mName);
  EXPECT_NEAR(3.0, three.GetParam(2)->Value(), 1e-3);
}

TEST(PresetFiles, SavingReplacesTheFileWholeOrNotAtAll)
{
  const std::string dir = TempDir() + "save/";
  mkdir(dir.c_str(), 0700);
  const std::string path = dir + "bank.fxb";
  K big(false, 3);
  ASSERT_TRUE(big.SaveBankAsFXB(path));
  K small(false, 1);
  ASSERT_TRUE(small.SaveBankAsFXB(path));
  ByteChunk expected;
  small.MakeBankFXB(&expected);
  EXPECT_EQ(ToBytes(expected), ReadFile(path)); // no tail of the longer file remains
  EXPECT_EQ(1, CountEntries(dir));              // no temporary file left behind

  // The target cannot be replaced (it is a folder): false, the folder and its file survive.
  const std::string folder = dir + "taken.fxp";
  mkdir(folder.c_str(), 0700);
  WriteFile(folder + "/keep", {1, 2, 3});
  EXPECT_FALSE(small.SaveProgramAsFXP(folder));
  EXPECT_EQ((Bytes{1, 2, 3}), ReadFile(folder + "/keep"));
  EXPECT_EQ(2, CountEntries(dir));
  std::remove((folder + "/keep").c_str());
  rmdir(folder.c_str());
  std::remove(path.c_str());
  rmdir(dir.c_str());
}

TEST(PresetFiles, SeedFilesAreWhatTheWriterProduces)
{
  // KESTRION_WRITE_SEEDS=1 rewrites the corpus after a deliberate change of the file layout.
  const bool write = std::getenv("KESTRION_WRITE_SEEDS") != nullptr;
  for (const Seed& seed : SeedFiles())
  {
    const std::string path = kCorpus + "/" + seed.path;
    if (write) WriteFile(path, seed.bytes);
    EXPECT_EQ(seed.bytes, ReadFile(path)) << path;
  }
}

// Every truncation and many single-byte corruptions of valid files: each load either succeeds
// or is refused with the plug-in exactly as before, and no read goes past the data (the
// sanitizer build checks that). Each input is copied into a buffer of exactly its size.
TEST(PresetFiles, CorruptedFilesAreRefusedWithoutChange)
{
  for (const Seed& seed : SeedFiles())
  {
    const Bytes file = ReadFile(kCorpus + "/" + seed.path);
    ASSERT_FALSE(file.empty()) << seed.path;
    const bool bank = std::string(seed.path).find(".fxb") != std::string::npos;
    for (bool chunks : {false, true})
    {
      int accepted = 0, refusedCount = 0;
      auto attempt = [&](const Bytes& bytes, bool mustRefuse, const std::string& what)
      {
        K fx(chunks, 3);
        PrepareTarget(fx);
        const std::string before = StateFingerprint(fx);
        if (Load(fx, bytes, bank))
        {
          EXPECT_FALSE(mustRefuse) << what;
          ++accepted;
        }
        else
        {
          EXPECT_EQ(before, StateFingerprint(fx)) << what;
          ++refusedCount;
        }
      };
      const std::string name = std::string(seed.path) + (chunks ? " (chunks)" : " (params)");
      for (size_t len = 0; len < file.size(); ++len)
        attempt(Bytes(file.begin(), file.begin() + static_cast<long>(len)), true,
                name + " cut at " + std::to_string(len));
      for (size_t i = 0; i < file.size(); ++i)
        for (uint8_t mask : {uint8_t(0xFF), uint8_t(0x01), uint8_t(0x80)})
        {
          Bytes flipped = file;
          flipped[i] ^= mask;
          attempt(flipped, false, name + " byte " + std::to_string(i));
        }
      EXPECT_GT(refusedCount, 0) << name;
      const bool chunkFile = std::string(seed.path).find("chunk") != std::string::npos;
      if (chunks || !chunkFile)
      {
        EXPECT_GT(accepted, 0) << name;
      }
    }
  }
}

// ---- Saving over what is already there ------------------------------------------------------

namespace
{
namespace fs = std::filesystem;

// How the path a save is given leads to the real file, "real.fxb" in the case's folder.
enum class Route
{
  Direct,    // the path is the file
  Link,      // link.fxb -> real.fxb
  LinkChain, // first.fxb -> <folder>/sub/second.fxb (absolute) -> ../real.fxb
  LinkLoop,  // link.fxb -> loop.fxb -> link.fxb
};

struct SaveCase
{
  const char* name;
  Route route;
  int oldMode;         // mode of the real file before the save; -1: there is none
  bool saved;          // the expected result
  rlim_t sizeLimit{0}; // not 0: writing a file past this many bytes fails part-way
};

std::ostream& operator<<(std::ostream& os, const SaveCase& c)
{
  return os << c.name;
}

class PresetFileSaving : public ::testing::TestWithParam<SaveCase>
{
protected:
  void SetUp() override
  {
    mFolder = TempDir() + "saving-" + GetParam().name;
    fs::remove_all(mFolder);
    fs::create_directory(mFolder);
  }
  void TearDown() override { fs::remove_all(mFolder); }

  // The folder's contents below it, sorted.
  std::vector<std::string> Listing() const
  {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(mFolder))
      names.push_back(e.path().lexically_relative(mFolder).string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string mFolder;
};

// Runs f with writes to files limited to `limit` bytes (0: no limit); a write past the limit
// fails with EFBIG instead of raising SIGXFSZ.
template <class F> void WithFileSizeLimit(rlim_t limit, F f)
{
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (limit)
  {
    rlimit lowered = saved;
    lowered.rlim_cur = limit;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &lowered));
  }
  f();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
}
} // namespace

// A save replaces the file its path leads to, whole, keeping the file's mode; a read-only
// file, a link loop or a failing write leave everything exactly as it was, with no temporary
// file beside it.
TEST_P(PresetFileSaving, KeepsModeAndLinksOrChangesNothing)
{
  const SaveCase& c = GetParam();
  const std::string real = mFolder + "/real.fxb";
  const Bytes oldBytes{1, 2, 3, 4, 5};
  if (c.oldMode >= 0)
  {
    WriteFile(real, oldBytes);
    ASSERT_EQ(0, chmod(real.c_str(), static_cast<mode_t>(c.oldMode)));
  }

  std::string savePath = real;
  std::vector<std::pair<std::string, std::string>> links; // name below the folder, its text
  switch (c.route)
  {
  case Route::Direct:
    break;
  case Route::Link:
    links = {{"link.fxb", "real.fxb"}};
    break;
  case Route::LinkChain:
    fs::create_directory(mFolder + "/sub");
    links = {{"first.fxb", mFolder + "/sub/second.fxb"}, {"sub/second.fxb", "../real.fxb"}};
    break;
  case Route::LinkLoop:
    links = {{"link.fxb", "loop.fxb"}, {"loop.fxb", "link.fxb"}};
    break;
  }
  for (const auto& [name, text] : links)
    fs::create_symlink(text, mFolder + "/" + name);
  if (!links.empty()) savePath = mFolder + "/" + links.front().first;

  K fx(false, 3);
  PrepareSource(fx);
  ByteChunk bank;
  fx.MakeBankFXB(&bank);
  bool result = !c.saved;
  WithFileSizeLimit(c.sizeLimit, [&] { result = fx.SaveBankAsFXB(savePath); });
  EXPECT_EQ(c.saved, result);

  // The links are untouched, and the only other entry is the real file when it should exist.
  std::vector<std::string> expected;
  for (const auto& [name, text] : links)
  {
    expected.push_back(name);
    EXPECT_TRUE(fs::is_symlink(mFolder + "/" + name)) << name;
    EXPECT_EQ(text, fs::read_symlink(mFolder + "/" + name).string()) << name;
  }
  if (c.route == Route::LinkChain) expected.push_back("sub");
  const bool realExists = c.saved || c.oldMode >= 0;
  if (realExists) expected.push_back("real.fxb");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, Listing());
  if (!realExists) return;

  EXPECT_EQ(c.saved ? ToBytes(bank) : oldBytes, ReadFile(real));
  const mode_t umaskNow = umask(0);
  umask(umaskNow);
  const mode_t mode = c.oldMode >= 0 ? static_cast<mode_t>(c.oldMode) : (0666 & ~umaskNow);
  struct stat st = {};
  ASSERT_EQ(0, lstat(real.c_str(), &st));
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(mode, st.st_mode & 07777);
}

INSTANTIATE_TEST_SUITE_P(
    PresetFiles, PresetFileSaving,
    ::testing::Values(SaveCase{"Mode0600", Route::Direct, 0600, true},
                      SaveCase{"Mode0640", Route::Direct, 0640, true},
                      SaveCase{"Mode0666PastTheUmask", Route::Direct, 0666, true},
                      SaveCase{"NewFileTakesTheUmask", Route::Direct, -1, true},
                      SaveCase{"ReadOnly0444", Route::Direct, 0444, false},
                      SaveCase{"ThroughALink", Route::Link, 0640, true},
                      SaveCase{"ThroughAChainOfLinks", Route::LinkChain, 0600, true},
                      SaveCase{"DanglingLinkGetsItsFile", Route::Link, -1, true},
                      SaveCase{"LinkToAReadOnlyFile", Route::Link, 0440, false},
                      SaveCase{"LinkLoop", Route::LinkLoop, -1, false},
                      SaveCase{"WriteFailsPartWay", Route::Direct, 0640, false, 100},
                      SaveCase{"WriteFailsOnANewFile", Route::Link, -1, false, 100}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });
