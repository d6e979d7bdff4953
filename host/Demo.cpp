// `kestrion demo`: the built-in drum loop shaped with two showcase settings, each with the
// output gain that keeps its peaks below full scale, written with plots and an editor
// snapshot.

#include "host/AudioFiles.h"
#include "host/Commands.h"
#include "host/DemoMaterial.h"
#include "host/Errors.h"
#include "host/HostedUnit.h"
#include "host/Render.h"
#include "host/Settings.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace kestrion
{
namespace
{
struct Showcase
{
  const char* name; // file stem
  const char* description;
  std::vector<std::pair<std::string, std::string>> settings;
};

const Showcase kShowcases[] = {
    {"punch",
     "attack boost with sustain cut",
     {{"attack", "60"},
      {"sustain", "-40"},
      {"attack-link", "50"},
      {"sc-hpf", "30"},
      {"sustain-link", "50"}}},
    {"room",
     "attack cut with sustain boost",
     {{"attack", "-60"}, {"sustain", "70"}, {"sustain-length", "750"}}},
};

// The loop's highest peak, in dBFS.
constexpr double kInputPeakDb = -6.0;
// Each output's gain brings its peak to this level (in half-decibel steps, at most +6 dB, the
// most the output gain offers), so both play back as loud as they can without clipping.
constexpr double kOutputCeilingDb = -1.0;
constexpr double kMostGainDb = 6.0;

double CrestDb(double peak, double rms)
{
  return rms > 0 ? ToDb(peak / rms) : 0.0;
}

void WriteInput(const std::string& path, const DemoMaterial& m)
{
  float peak = 0;
  for (size_t i = 0; i < m.left.size(); ++i)
    peak = std::max({peak, std::fabs(m.left[i]), std::fabs(m.right[i])});
  const float scale = static_cast<float>(std::pow(10.0, kInputPeakDb / 20.0)) / peak;
  std::vector<float> interleaved(m.left.size() * 2);
  for (size_t i = 0; i < m.left.size(); ++i)
  {
    interleaved[2 * i] = m.left[i] * scale;
    interleaved[2 * i + 1] = m.right[i] * scale;
  }
  AudioWriter writer(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, static_cast<int>(m.sampleRate), 2);
  writer.Write(interleaved.data(), static_cast<int64_t>(m.left.size()));
  writer.Commit();
}

RenderStats Shape(const std::string& input, const std::string& output, const std::string& plot,
                  const Showcase& showcase, double gainDb, std::string* description)
{
  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  SettingOptions options;
  options.assignments = showcase.settings;
  char gain[32];
  std::snprintf(gain, sizeof gain, "%.1f", gainDb);
  options.assignments.emplace_back("gain", gain);
  const AppliedSettings settings = ApplySettings(unit, options);
  if (description) *description = settings.Describe(unit);
  RenderJob job;
  job.input = input;
  job.output = output;
  job.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  job.plot = plot;
  job.plotTitle = std::string("Kestrion demo: ") + showcase.description;
  job.plotSubtitle = settings.Describe(unit);
  job.progress = false;
  return RenderFile(unit, job);
}
} // namespace

int DemoCommand(const Args& args)
{
  if (WantsHelp(args))
  {
    std::printf(
        "usage: kestrion demo [DIR]\n"
        "Synthesises a drum loop, shapes it with two showcase settings and writes into DIR\n"
        "(default demo-output/): input.wav, punch.wav, room.wav, their plots and\n"
        "editor.png.\n");
    return 0;
  }
  if (args.size() > 1 || (!args.empty() && args[0][0] == '-'))
    throw UsageError("demo takes at most a folder (kestrion demo --help)");
  const std::string dir = args.empty() ? "demo-output" : args[0];
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
    throw Failure(dir + ": cannot make the folder (" + std::strerror(errno) + ")");

  const DemoMaterial groove = MakeDrumGroove(48000.0, 96.0, 4);
  const std::string input = dir + "/input.wav";
  WriteInput(input, groove);

  std::printf("Kestrion demo: %.1f s drum loop at %.0f Hz, written to %s/\n",
              groove.left.size() / groove.sampleRate, groove.sampleRate, dir.c_str());
  bool inputShown = false;
  for (const Showcase& showcase : kShowcases)
  {
    // A first pass measures the peak at unity gain; the output gain then brings it to the
    // ceiling.
    const RenderStats measured = Shape(input, "", "", showcase, 0.0, nullptr);
    const double peakDb = ToDb(measured.outputPeak);
    const double gainDb = std::min(std::floor((kOutputCeilingDb - peakDb) * 2) / 2, kMostGainDb);
    const std::string name = showcase.name;
    std::string description;
    const RenderStats stats = Shape(input, dir + "/" + name + ".wav", dir + "/" + name + ".png",
                                    showcase, gainDb, &description);
    if (!inputShown)
    {
      std::printf("  %-11s peak %5.1f dBFS, crest factor %4.1f dB\n", "input.wav",
                  ToDb(stats.inputPeak), CrestDb(stats.inputPeak, stats.inputRms));
      inputShown = true;
    }
    std::printf("  %-11s peak %5.1f dBFS, crest factor %4.1f dB: %s\n  %-11s %s\n  %-11s its "
                "plot\n",
                (name + ".wav").c_str(), ToDb(stats.outputPeak),
                CrestDb(stats.outputPeak, stats.outputRms), showcase.description, "",
                description.c_str(), (name + ".png").c_str());
  }

  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  SettingOptions options;
  options.assignments = kShowcases[0].settings;
  ApplySettings(unit, options);
  const std::string snapshot = dir + "/editor.png";
  try
  {
    WriteEditorSnapshot(unit, snapshot);
    std::printf("  %-11s the editor with the first setting\n", "editor.png");
  }
  catch (const Failure& e)
  {
    std::printf("  %-11s not written: %s\n", "editor.png", e.what());
  }
  return 0;
}
} // namespace kestrion
