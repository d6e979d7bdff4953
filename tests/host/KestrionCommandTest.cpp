// The `kestrion` command run as a user runs it, on files generated here. Its renders must equal,
// sample for sample, the plug-in object driven directly in this process (float in, double
// processing, float out, in blocks of 512); its preset files must restore what they saved; and
// every bad input must end with one clear line, the documented exit status, no new file and an
// existing output untouched.
#include "framework/PresetFileFormat.h"
#include "plugin/Kestrion.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
constexpr int kBlock = 512;

struct Outcome
{
  int status = -1;
  std::string out, err;
};

// Interleaved float samples with their rate and channel count.
struct Audio
{
  int rate = 48000;
  int channels = 2;
  std::vector<float> samples;
  int64_t Frames() const { return static_cast<int64_t>(samples.size()) / channels; }
};

// Drum-like material: decaying noisy bursts over a low tone, different per channel, peaking
// near `peak`.
Audio Material(int rate, int channels, double seconds, double peak = 0.5)
{
  Audio a;
  a.rate = rate;
  a.channels = channels;
  const int64_t frames = static_cast<int64_t>(seconds * rate);
  uint32_t noise = 12345;
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
    {
      noise = noise * 1664525u + 1013904223u;
      const double t = static_cast<double>(i) / rate;
      const double age = std::fmod(t + 0.03 * c, 0.25);
      const double burst = std::exp(-age * (18.0 + 9.0 * c));
      const double tone = std::sin(2 * M_PI * (90.0 + 40.0 * c) * t);
      const double hiss =
          (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * std::exp(-age * 60.0);
      a.samples.push_back(static_cast<float>(peak * (0.7 * burst * tone + 0.3 * hiss)));
    }
  return a;
}

void WriteAudio(const fs::path& path, const Audio& a, int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT)
{
  SF_INFO info = {};
  info.samplerate = a.rate;
  info.channels = a.channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  ASSERT_EQ(sf_writef_float(f, a.samples.data(), a.Frames()), a.Frames());
  sf_close(f);
}

Audio ReadAudio(const fs::path& path)
{
  Audio a;
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return a;
  a.rate = info.samplerate;
  a.channels = info.channels;
  a.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, a.samples.data(), info.frames);
  sf_close(f);
  return a;
}

std::string ReadText(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Kestrion driven directly: each value set as the host's single-precision parameter value,
// float input widened to double, processed in blocks, narrowed back. Mono is the left channel
// of a stereo render whose right input is silent, as the component renders it.
std::vector<float> Reference(const Audio& in, const std::vector<float>& values)
{
  Kestrion plug(IEffectInstanceInfo{"com.Wexa.audiounit.Kestrion", "Kestrion_View"});
  plug.SetSampleRate(in.rate);
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    plug.GetParam(i)->Set(values[static_cast<size_t>(i)]);
  plug.OnParamReset();
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  double* ins[] = {l.data(), r.data()};
  double* outs[] = {ol.data(), orr.data()};
  std::vector<float> out;
  for (int64_t pos = 0; pos < in.Frames(); pos += kBlock)
  {
    const int n = static_cast<int>(std::min<int64_t>(kBlock, in.Frames() - pos));
    for (int i = 0; i < n; ++i)
    {
      l[i] = in.samples[static_cast<size_t>((pos + i) * in.channels)];
      r[i] = in.channels == 2 ? in.samples[static_cast<size_t>((pos + i) * 2 + 1)] : 0.0f;
    }
    plug.ProcessDoubleReplacing(ins, outs, n);
    for (int i = 0; i < n; ++i)
    {
      out.push_back(static_cast<float>(ol[i]));
      if (in.channels == 2) out.push_back(static_cast<float>(orr[i]));
    }
  }
  return out;
}

// The index of the first sample whose bits differ, or -1.
long FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
  if (a.size() != b.size() || a.empty()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
  return -1;
}

// Every parameter, as options, with the values the reference takes.
const char* const kOptions = "--attack 60 --sustain -40 --attack-link 50 --attack-length 8.3 "
                             "--gain -3 --sc-hpf 30 --sustain-link 50 --sustain-length 300";
const std::vector<float> kOptionValues = {60.0f, -40.0f, 50.0f, 8.3f, -3.0f, 30.0f, 50.0f, 300.0f};

class KestrionCommand : public ::testing::Test
{
protected:
  void SetUp() override
  {
    setenv("AUDIO_COMPONENT_PATH", KESTRION_BUNDLE_PATH, 1);
    char pattern[] = "/tmp/kestrion-command-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDir = pattern;
  }
  void TearDown() override { fs::remove_all(mDir); }

  fs::path Path(const std::string& name) const { return mDir / name; }

  // Runs `kestrion args` in the test's folder.
  Outcome Command(const std::string& args) const
  {
    const std::string command =
        "cd " + mDir.string() + " && " + KESTRION_COMMAND + " " + args + " >.stdout 2>.stderr";
    Outcome run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(Path(".stdout"));
    run.err = ReadText(Path(".stderr"));
    fs::remove(Path(".stdout"));
    fs::remove(Path(".stderr"));
    return run;
  }

  // The first sample at which two written files differ (their headers may differ: libsndfile
  // stamps the time into WAV files), or -1.
  long Differ(const std::string& a, const std::string& b) const
  {
    return FirstDifference(ReadAudio(Path(a)).samples, ReadAudio(Path(b)).samples);
  }

  std::vector<std::string> Files() const
  {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(mDir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path mDir;
};

// ---- Renders ----------------------------------------------------------------------------------

struct Format
{
  int channels;
  int rate;
};

class KestrionRender : public KestrionCommand, public ::testing::WithParamInterface<Format>
{
};

TEST_P(KestrionRender, EqualsThePluginDrivenDirectlyWithEveryParameterOption)
{
  const Format f = GetParam();
  const Audio in = Material(f.rate, f.channels, 0.75);
  WriteAudio(Path("in.wav"), in);
  const Outcome run = Command(std::string("render in.wav out.wav ") + kOptions);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("wrote out.wav"), std::string::npos) << run.out;

  const Audio out = ReadAudio(Path("out.wav"));
  EXPECT_EQ(out.rate, f.rate);
  EXPECT_EQ(out.channels, f.channels);
  const std::vector<float> expected = Reference(in, kOptionValues);
  EXPECT_EQ(FirstDifference(out.samples, expected), -1);
  // The peak it reports is the output's, to two decimals.
  float peak = 0;
  for (float s : expected)
    peak = std::max(peak, std::fabs(s));
  char text[64];
  std::snprintf(text, sizeof text, "peak %.2f dBFS", 20 * std::log10(peak));
  EXPECT_NE(run.out.find(text), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, KestrionRender,
                         ::testing::Values(Format{1, 44100}, Format{2, 44100}, Format{1, 48000},
                                           Format{2, 48000}, Format{1, 96000}, Format{2, 96000}),
                         [](const ::testing::TestParamInfo<Format>& info)
                         {
                           return std::string(info.param.channels == 1 ? "Mono" : "Stereo") +
                                  std::to_string(info.param.rate);
                         });

TEST_F(KestrionCommand, OutputFormatFollowsTheExtensionAndTheOverrides)
{
  WriteAudio(Path("in.wav"), Material(44100, 2, 0.2));
  ASSERT_EQ(Command("render in.wav a.flac").status, 0);
  ASSERT_EQ(Command("render in.wav b.aiff --subtype pcm16").status, 0);
  ASSERT_EQ(Command("render in.wav c.out --format wav --subtype pcm_24").status, 0);
  const std::pair<const char*, int> expected[] = {{"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
                                                  {"b.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                                                  {"c.out", SF_FORMAT_WAV | SF_FORMAT_PCM_24}};
  for (const auto& [name, format] : expected)
  {
    SF_INFO info = {};
    SNDFILE* f = sf_open(Path(name).c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << name;
    sf_close(f);
    EXPECT_EQ(info.format, format) << name;
    EXPECT_EQ(info.samplerate, 44100) << name;
    EXPECT_EQ(info.frames, 8820) << name;
  }
}

TEST_F(KestrionCommand, BypassPassesTheInputThroughAndPlotIsAPicture)
{
  const Audio in = Material(48000, 2, 0.3);
  WriteAudio(Path("in.wav"), in);
  const Outcome run = Command("render in.wav out.wav --attack 100 --bypass --plot plot.png");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FirstDifference(ReadAudio(Path("out.wav")).samples, in.samples), -1);
  // A PNG of 1200 x 600: signature, then the IHDR chunk with width and height big-endian.
  const std::string png = ReadText(Path("plot.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.substr(12, 12), std::string("IHDR\0\0\x04\xb0\0\0\x02\x58", 12));
}

// ---- Presets ----------------------------------------------------------------------------------

TEST_F(KestrionCommand, SavedPresetRendersIdentically)
{
  WriteAudio(Path("in.wav"), Material(48000, 2, 0.5));
  ASSERT_EQ(Command(std::string("render in.wav a.wav --save-preset p.fxp ") + kOptions).status, 0);
  const Outcome run = Command("render in.wav b.wav --preset p.fxp");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Differ("a.wav", "b.wav"), -1);
  // The program file of eight parameters: 56 header bytes and 8 values, named after the file.
  const std::string fxp = ReadText(Path("p.fxp"));
  ASSERT_EQ(fxp.size(), 88u);
  EXPECT_EQ(fxp.substr(0, 12), std::string("CcnK\0\0\0\0FxCk", 12));
  EXPECT_EQ(fxp.substr(16, 4), "bykH");
  EXPECT_EQ(fxp.substr(28, 2), std::string("p\0", 2));
  // Options given with a preset override it.
  ASSERT_EQ(Command("render in.wav c.wav --preset p.fxp --attack -20").status, 0);
  EXPECT_NE(Differ("a.wav", "c.wav"), -1);
}

// A bank of three programs whose normalised values map exactly onto real values: the program
// chosen renders as its values given as options.
TEST_F(KestrionCommand, BankProgramRendersAsItsValues)
{
  fxfile::Bank bank;
  bank.pluginID = Kestrion::kUniqueID;
  bank.numPrograms = 3;
  bank.currentProgram = 2;
  const std::vector<std::vector<float>> normalized = {
      {0.5f, 0.5f, 0, 0.25f, 0.5f, 0, 0, 0.5f},
      {0.75f, 0.25f, 0.5f, 0.5f, 1.0f, 0.5f, 0.25f, 0.5f}, // 50, -50, 50, 10, 6, 50, 25, 375
      {0.25f, 0.75f, 1, 1, 0, 1, 1, 1}};
  for (int i = 0; i < 3; ++i)
  {
    fxfile::Program p;
    p.pluginID = Kestrion::kUniqueID;
    p.numParams = 8;
    p.name = "program " + std::to_string(i);
    p.values = normalized[static_cast<size_t>(i)];
    bank.programs.push_back(p);
  }
  ByteChunk bytes;
  fxfile::WriteBank(bank, bytes);
  std::ofstream(Path("b.fxb"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.GetBytes()), bytes.Size());

  WriteAudio(Path("in.wav"), Material(44100, 2, 0.4, 0.1));
  ASSERT_EQ(Command("render in.wav bank.wav --bank b.fxb --program 1").status, 0);
  ASSERT_EQ(Command("render in.wav opts.wav --attack 50 --sustain -50 --attack-link 50 "
                    "--attack-length 10 --gain 6 --sc-hpf 50 --sustain-link 25 "
                    "--sustain-length 375")
                .status,
            0);
  EXPECT_EQ(Differ("bank.wav", "opts.wav"), -1);
  // Without --program the bank's current program.
  ASSERT_EQ(Command("render in.wav current.wav --bank b.fxb").status, 0);
  ASSERT_EQ(Command("render in.wav two.wav --bank b.fxb --program 2").status, 0);
  EXPECT_EQ(Differ("current.wav", "two.wav"), -1);
  EXPECT_NE(Differ("current.wav", "bank.wav"), -1);
}

// ---- Bad input --------------------------------------------------------------------------------

struct BadCase
{
  const char* name;
  const char* args; // out.wav exists beforehand
  int status;
  const char* message;
};

class KestrionBadInput : public KestrionCommand, public ::testing::WithParamInterface<BadCase>
{
};

TEST_P(KestrionBadInput, OneLineNoFileAndTheExistingOutputUntouched)
{
  const BadCase c = GetParam();
  WriteAudio(Path("in.wav"), Material(44100, 2, 0.2));
  WriteAudio(Path("six.wav"), Material(44100, 3, 0.1));
  std::ofstream(Path("text.wav")) << "not audio at all\n";
  std::ofstream(Path("empty.wav")).close();
  std::ofstream(Path("a-file")) << "x";
  fs::create_directory(Path("folder.wav"));
  fxfile::Program p;
  p.pluginID = 0x50726f62; // 'Prob'
  p.numParams = 8;
  p.values.assign(8, 0.5f);
  ByteChunk bytes;
  fxfile::WriteProgram(p, bytes);
  std::ofstream(Path("other.fxp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.GetBytes()), bytes.Size());
  std::ofstream(Path("short.fxp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.GetBytes()), 70);
  const std::string existing = "the previous output";
  std::ofstream(Path("out.wav")) << existing;
  const std::vector<std::string> before = Files();

  const Outcome run = Command(c.args);
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(ReadText(Path("out.wav")), existing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KestrionBadInput,
    ::testing::Values(
        BadCase{"MissingInput", "render missing.wav out.wav", 1, "missing.wav: no such file"},
        BadCase{"FolderInput", "render folder.wav out.wav", 1, "folder.wav: is a folder"},
        BadCase{"NotAudio", "render text.wav out.wav", 1, "text.wav: not an audio file"},
        BadCase{"EmptyFile", "render empty.wav out.wav", 1, "empty.wav: the file is empty"},
        BadCase{"ThreeChannels", "render six.wav out.wav", 1, "has 3 channels"},
        BadCase{"UnknownParameter", "render in.wav out.wav --attak 5", 2,
                "unknown parameter or option 'attak'"},
        BadCase{"UnknownParamName", "render in.wav out.wav --param Punch=5", 2, "'Punch'"},
        BadCase{"OutOfRange", "render in.wav out.wav --sustain-length 800", 2,
                "Sustain Length 800 is outside its range 0 .. 750 ms"},
        BadCase{"NotANumber", "render in.wav out.wav --gain loud", 2, "'loud' is not a number"},
        BadCase{"CorruptPreset", "render in.wav out.wav --preset short.fxp", 1,
                "short.fxp: not a program"},
        BadCase{"ForeignPreset", "render in.wav out.wav --preset other.fxp", 1,
                "made for another plug-in (id 'Prob'"},
        BadCase{"PresetNotABank", "render in.wav out.wav --bank other.fxp", 1, "not a bank"},
        BadCase{"MissingDirectory", "render in.wav nowhere/out.wav", 1,
                "nowhere/out.wav: cannot write there"},
        BadCase{"DirectoryIsAFile", "render in.wav a-file/out.wav", 1,
                "a-file/out.wav: cannot write there"},
        BadCase{"PresetToAMissingDirectory", "render in.wav out.wav --save-preset nowhere/p.fxp", 1,
                "nowhere/p.fxp: cannot write the program file"},
        BadCase{"UnknownSubtype", "render in.wav out.wav --subtype pcm12", 2,
                "unknown subtype 'pcm12'"},
        BadCase{"OneFile", "render in.wav", 2, "needs an input and an output"},
        BadCase{"UnknownCommand", "shape in.wav out.wav", 2, "unknown command 'shape'"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

// ---- Reports ----------------------------------------------------------------------------------

// Samples beyond full scale are counted and named with the gain that avoids them; the integer
// file holds them limited.
TEST_F(KestrionCommand, ClipWarningCountsTheSamplesBeyondFullScale)
{
  const Audio in = Material(48000, 2, 0.5, 0.9);
  WriteAudio(Path("in.wav"), in);
  const std::vector<float> expected = Reference(in, {100, 0, 0, 5, 6, 0, 0, 500});
  long beyond = 0;
  float peak = 0;
  for (float s : expected)
  {
    beyond += std::fabs(s) > 1.0f;
    peak = std::max(peak, std::fabs(s));
  }
  ASSERT_GT(beyond, 0);
  const Outcome run = Command("render in.wav out.wav --attack 100 --gain 6 --subtype pcm16");
  ASSERT_EQ(run.status, 0) << run.err;
  char text[128];
  std::snprintf(text, sizeof text,
                "warning: %ld samples beyond full scale (peak %+.2f dBFS) were clipped", beyond,
                20 * std::log10(peak));
  EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("try --gain"), std::string::npos) << run.err;
  float written = 0;
  for (float s : ReadAudio(Path("out.wav")).samples)
    written = std::max(written, std::fabs(s));
  EXPECT_LE(written, 1.0f);
  EXPECT_GT(written, 0.999f);
}

TEST_F(KestrionCommand, ParamsListsTheEightParametersInOrder)
{
  const Outcome run = Command("params");
  ASSERT_EQ(run.status, 0) << run.err;
  const char* const names[] = {"Attack", "Sustain", "Attack Link",  "Attack Length",
                               "Gain",   "SC HPF",  "Sustain Link", "Sustain Length"};
  std::istringstream lines(run.out);
  std::string line;
  std::getline(lines, line); // heading
  int n = 0;
  while (std::getline(lines, line))
  {
    ASSERT_LT(n, 8) << line;
    EXPECT_EQ(line.find(std::to_string(n) + " "), 0u) << line;
    EXPECT_NE(line.find(std::string(" ") + names[n] + " "), std::string::npos) << line;
    ++n;
  }
  EXPECT_EQ(n, 8);
  EXPECT_NE(run.out.find("--sustain-length   0 .. 750"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("-94 .. 6"), std::string::npos) << run.out;
}

TEST_F(KestrionCommand, HelpAndInfo)
{
  for (const char* command :
       {"--help", "render --help", "params --help", "info --help", "editor --help", "demo --help"})
  {
    const Outcome run = Command(command);
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_EQ(run.out.find("usage: kestrion"), 0u) << command;
  }
  EXPECT_EQ(Command("").status, 2);
  const Outcome info = Command("info");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("subtype 'bykH', manufacturer 'bykH'"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("1.0.1 (0x00010001)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("1 in / 1 out, 2 in / 2 out"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("presets:       0 \"-\""), std::string::npos) << info.out;
}
} // namespace
