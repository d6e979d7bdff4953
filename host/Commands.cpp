#include "host/Commands.h"

#include "host/AudioFiles.h"
#include "host/EditorWindow.h"
#include "host/Errors.h"
#include "host/HostedUnit.h"
#include "host/Render.h"
#include "host/Settings.h"
#include "raster/PngWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace kestrion
{
namespace
{
const char* const kRenderHelp =
    "usage: kestrion render IN OUT [options]\n"
    "Shapes the audio file IN (mono or stereo; any file libsndfile reads) through Kestrion and\n"
    "writes OUT in the format its extension names (.wav, .aiff, .flac, .ogg, .caf, .w64, .au),\n"
    "at IN's sample rate and channel count: 32-bit float for WAV/AIFF/CAF/W64, 24-bit FLAC.\n"
    "Options:\n"
    "%s"
    "  --format NAME           container: wav, aiff, flac, ogg, caf, w64, au\n"
    "  --subtype NAME          sample format: pcm16, pcm24, pcm32, float, double, vorbis, ...\n"
    "  --block N               frames per render call (default 512)\n"
    "  --plot FILE.png         draw input, output and the gain applied\n"
    "  --help                  this text\n";

const char* const kParamsHelp =
    "usage: kestrion params\n"
    "Lists Kestrion's parameters as the component reports them: option name, range,\n"
    "default, unit and the display text of the default.\n";

const char* const kInfoHelp =
    "usage: kestrion info\n"
    "Prints the component's identity, version, channel configurations, latency,\n"
    "tail time and factory presets.\n";

std::string Settings(const AppliedSettings& settings, const HostedUnit& unit)
{
  return settings.Describe(unit);
}

std::string Figure(const char* format, double value)
{
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string BaseName(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

UInt32 BlockOption(const std::string& text)
{
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1 || n > 65536)
    throw UsageError("--block takes a number of frames from 1 to 65536, not '" + text + "'");
  return static_cast<UInt32>(n);
}

std::string ValueOf(const Args& args, size_t& i)
{
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

// Names the samples beyond full scale and the output gain that would bring the peak under it.
void WarnBeyondFullScale(const HostedUnit& unit, const AppliedSettings& settings,
                         const RenderStats& stats, int format)
{
  const double over = ToDb(stats.outputPeak);
  const double reduction = std::ceil((over + 0.1) * 10.0) / 10.0; // to -0.1 dBFS at most
  std::string advice = "lower the level by " + Figure("%.1f", reduction) + " dB";
  if (const ParameterInfo* gain = unit.FindParameter("gain"))
  {
    const double wanted =
        settings.values[static_cast<size_t>(gain - unit.Parameters().data())] - reduction;
    if (wanted >= gain->min) advice = "try --" + gain->option + " " + Figure("%.1f", wanted);
  }
  std::fprintf(stderr, "warning: %lld samples beyond full scale (peak %+.2f dBFS) %s; %s\n",
               static_cast<long long>(stats.beyondFullScale), over,
               IsIntegerFormat(format) ? "were clipped in the output"
                                       : "are kept in the file, but a player will clip them",
               advice.c_str());
}

void PrintHelp(const char* format)
{
  std::printf(format, kSettingsHelp);
}

// For a command that takes no arguments: true after printing `help` when it is asked for;
// a usage error for any argument.
bool HelpOrNoArguments(const Args& args, const char* command, const char* help)
{
  if (WantsHelp(args))
  {
    std::fputs(help, stdout);
    return true;
  }
  if (!args.empty())
    throw UsageError(std::string(command) + " takes no arguments, not '" + args[0] + "'");
  return false;
}
} // namespace

bool WantsHelp(const Args& args)
{
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

// ---- render -----------------------------------------------------------------------------------

int RenderCommand(const Args& args)
{
  if (WantsHelp(args))
  {
    PrintHelp(kRenderHelp);
    return 0;
  }
  std::vector<std::string> files;
  std::string format, subtype, plot;
  RenderJob job;
  SettingOptions options;
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& a = args[i];
    if (a == "--format")
      format = ValueOf(args, i);
    else if (a == "--subtype")
      subtype = ValueOf(args, i);
    else if (a == "--block")
      job.block = BlockOption(ValueOf(args, i));
    else if (a == "--plot")
      job.plot = ValueOf(args, i);
    else if (options.Take(args, i))
      continue;
    else if (a.size() > 1 && a[0] == '-')
      throw UsageError("unknown option " + a);
    else
      files.push_back(a);
  }
  if (files.size() != 2)
    throw UsageError("render needs an input and an output file (kestrion render --help)");
  job.input = files[0];
  job.output = files[1];
  job.format = OutputFormat(job.output, format, subtype);

  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  const AppliedSettings settings = ApplySettings(unit, options);
  job.plotTitle = "Kestrion: " + BaseName(job.input) + "  ->  " + BaseName(job.output);
  job.plotSubtitle = Settings(settings, unit);
  if (!options.savePreset.empty())
    job.beforeCommit = [&] { SaveProgram(unit, settings, options.savePreset); };
  const RenderStats stats = RenderFile(unit, job);

  std::printf("wrote %s: %.2f s, %d Hz, %s, %s; peak %.2f dBFS\n", job.output.c_str(),
              stats.frames / static_cast<double>(stats.sampleRate), stats.sampleRate,
              stats.channels == 1 ? "mono" : "stereo", SubtypeName(job.format).c_str(),
              ToDb(stats.outputPeak));
  if (!job.plot.empty()) std::printf("wrote %s\n", job.plot.c_str());
  if (!options.savePreset.empty()) std::printf("wrote %s\n", options.savePreset.c_str());
  if (stats.beyondFullScale > 0) WarnBeyondFullScale(unit, settings, stats, job.format);
  return 0;
}

// ---- params -----------------------------------------------------------------------------------

int ParamsCommand(const Args& args)
{
  if (HelpOrNoArguments(args, "params", kParamsHelp)) return 0;
  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  std::printf("%-3s %-16s %-18s %-20s %-9s %-5s %s\n", "id", "name", "option", "range", "default",
              "unit", "display");
  for (const ParameterInfo& p : unit.Parameters())
  {
    char range[64];
    std::snprintf(range, sizeof range, "%g .. %g", p.min, p.max);
    std::printf("%-3u %-16s --%-16s %-20s %-9g %-5s %s\n", p.id, p.name.c_str(), p.option.c_str(),
                range, p.defaultValue, p.unit.c_str(),
                unit.DisplayText(p.id, static_cast<float>(p.defaultValue)).c_str());
  }
  return 0;
}

// ---- info -------------------------------------------------------------------------------------

int InfoCommand(const Args& args)
{
  if (HelpOrNoArguments(args, "info", kInfoHelp)) return 0;
  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  const AudioComponentDescription d = unit.Description();
  const UInt32 v = unit.Version();
  std::printf("name:          %s\n", unit.Name().c_str());
  std::printf("component:     type '%s', subtype '%s', manufacturer '%s'\n",
              FourCCText(d.componentType).c_str(), FourCCText(d.componentSubType).c_str(),
              FourCCText(d.componentManufacturer).c_str());
  std::printf("version:       %u.%u.%u (0x%08X)\n", v >> 16, (v >> 8) & 0xff, v & 0xff, v);
  std::string configurations;
  for (const auto& [in, out] : unit.ChannelConfigurations())
    configurations += (configurations.empty() ? "" : ", ") + std::to_string(in) + " in / " +
                      std::to_string(out) + " out";
  std::printf("channels:      %s\n", configurations.c_str());
  std::printf("parameters:    %zu\n", unit.Parameters().size());
  std::printf("latency:       %g s\n", unit.Latency());
  std::printf("tail time:     %g s\n", unit.TailTime());
  std::string presets;
  int n = 0;
  for (const std::string& name : unit.FactoryPresets())
    presets += (presets.empty() ? "" : ", ") + std::to_string(n++) + " \"" + name + "\"";
  std::printf("presets:       %s\n", presets.empty() ? "none" : presets.c_str());
  return 0;
}

// ---- editor -----------------------------------------------------------------------------------

void WriteEditorSnapshot(const HostedUnit& unit, const std::string& path)
{
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  if (!unit.EditorImage(width, height, pixels))
    throw Failure("the component hands out no editor image");
  Raster_MemBitmap bitmap(width, height, 1);
  for (int y = 0; y < height; ++y)
    std::memcpy(Raster_RowPointer(&bitmap, y), pixels.data() + static_cast<size_t>(y) * width * 4,
                static_cast<size_t>(width) * 4);
  std::string error;
  if (!Raster_WritePNG(&bitmap, path.c_str(), &error))
    throw Failure(path + ": cannot write the snapshot (" + error + ")");
}

// The window comes from a module beside the command (host/EditorWindow.h), loaded now.
void RunEditorWindow(const HostedUnit& unit)
{
  char exe[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
  path = path.substr(0, path.find_last_of('/') + 1) + "kestrion-editor-window.so";
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!module) throw Failure(std::string("cannot load the editor window module: ") + dlerror());
  // The module stays loaded: the window system does not expect to be unloaded.
  auto run =
      reinterpret_cast<KestrionRunEditorWindowProc>(dlsym(module, "KestrionRunEditorWindow"));
  if (!run) throw Failure(path + " is not the editor window module");
  char error[512] = {};
  if (run(unit.Unit(), unit.Name().c_str(), error, sizeof error) != 0) throw Failure(error);
}

int EditorCommand(const Args& args)
{
  if (WantsHelp(args))
  {
    std::printf("usage: kestrion editor [--snapshot FILE.png] [settings]\n"
                "Opens Kestrion's editor in a window of its own when there is a display; with\n"
                "--snapshot, or without a display, writes the editor's image as PNG instead\n"
                "(default editor.png) after the settings are applied.\nSettings:\n%s",
                kSettingsHelp);
    return 0;
  }
  std::string snapshot;
  SettingOptions options;
  for (size_t i = 0; i < args.size(); ++i)
  {
    if (args[i] == "--snapshot")
      snapshot = ValueOf(args, i);
    else if (!options.Take(args, i))
      throw UsageError("unknown argument " + args[i]);
  }
  const char* display = std::getenv("DISPLAY");
  const bool windowed = snapshot.empty() && display && *display;
  if (!windowed && snapshot.empty()) snapshot = "editor.png";

  HostedUnit unit(kKestrionSubType, kKestrionManufacturer);
  const AppliedSettings settings = ApplySettings(unit, options);
  if (windowed)
  {
    RunEditorWindow(unit);
    return 0;
  }
  WriteEditorSnapshot(unit, snapshot);
  if (!options.savePreset.empty()) SaveProgram(unit, settings, options.savePreset);
  std::printf("wrote %s\n", snapshot.c_str());
  return 0;
}
} // namespace kestrion
