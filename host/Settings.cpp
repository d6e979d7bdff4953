#include "host/Settings.h"

#include "framework/PresetFileFormat.h"
#include "framework/WholeFileWrite.h"
#include "host/Errors.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kestrion
{
const char* const kSettingsHelp =
    "  --attack N, --sustain N, ... one option per parameter, named as `kestrion params` lists\n"
    "                        them (--attack-length, --sc-hpf, ...)\n"
    "  --param \"Name=value\"    any parameter by its name\n"
    "  --preset FILE.fxp       load a program file first (options given too override it)\n"
    "  --bank FILE.fxb         load one program of a bank file: --program N (from 0; default:\n"
    "                          the bank's current program)\n"
    "  --save-preset FILE.fxp  save the settings used as a program file\n"
    "  --bypass                pass the audio through unprocessed\n";

namespace
{
std::string ValueOf(const std::vector<std::string>& args, size_t& i)
{
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

double Number(const std::string& text, const std::string& what)
{
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
    throw UsageError(what + ": '" + text + "' is not a number");
  return v;
}

std::string Figure(double v)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

OSType PluginID(const HostedUnit& unit)
{
  return unit.Description().componentSubType;
}

std::vector<uint8_t> ReadPresetFile(const std::string& path)
{
  std::vector<uint8_t> bytes;
  if (!fxfile::ReadFile(path, bytes)) throw Failure(path + ": cannot read the file");
  return bytes;
}

// A parameter-form program of this plug-in, or Failure naming what is wrong with it.
void CheckProgram(const HostedUnit& unit, const fxfile::Program& program, const std::string& where)
{
  if (static_cast<OSType>(program.pluginID) != PluginID(unit))
    throw Failure(where + " was made for another plug-in (id '" +
                  FourCCText(static_cast<OSType>(program.pluginID)) + "', this one is '" +
                  FourCCText(PluginID(unit)) + "')");
  if (program.form != fxfile::kProgramParamsMagic)
    throw Failure(where + " holds an opaque state chunk; only parameter programs can be loaded");
  if (program.numParams != static_cast<int32_t>(unit.Parameters().size()))
    throw Failure(where + " holds " + std::to_string(program.numParams) +
                  " parameters; the component has " + std::to_string(unit.Parameters().size()));
}

void TakeProgram(const HostedUnit& unit, const fxfile::Program& program, std::vector<float>& values)
{
  for (size_t i = 0; i < values.size(); ++i)
  {
    const float n = program.values[i];
    if (!std::isfinite(n) || n < 0.0f || n > 1.0f)
      throw Failure("the preset's value for " + unit.Parameters()[i].name + " (" + Figure(n) +
                    ") is not a normalised value; the file is damaged");
    values[i] = static_cast<float>(unit.FromNormalized(unit.Parameters()[i].id, n));
  }
}

void LoadProgramFile(const HostedUnit& unit, const std::string& path, std::vector<float>& values)
{
  const std::vector<uint8_t> bytes = ReadPresetFile(path);
  fxfile::Program program;
  if (!fxfile::ReadProgram(bytes.data(), bytes.size(), program))
    throw Failure(path + ": not a program (FXP) file, or a damaged one");
  CheckProgram(unit, program, path);
  TakeProgram(unit, program, values);
}

void LoadBankProgram(const HostedUnit& unit, const std::string& path, int index,
                     std::vector<float>& values)
{
  const std::vector<uint8_t> bytes = ReadPresetFile(path);
  fxfile::Bank bank;
  if (!fxfile::ReadBank(bytes.data(), bytes.size(), bank))
    throw Failure(path + ": not a bank (FXB) file, or a damaged one");
  if (static_cast<OSType>(bank.pluginID) != PluginID(unit))
    throw Failure(path + " was made for another plug-in (id '" +
                  FourCCText(static_cast<OSType>(bank.pluginID)) + "', this one is '" +
                  FourCCText(PluginID(unit)) + "')");
  if (bank.form != fxfile::kBankParamsMagic)
    throw Failure(path +
                  " holds an opaque state chunk; only banks of parameter programs can be loaded");
  const int count = static_cast<int>(bank.programs.size());
  if (index < 0) index = bank.currentProgram;
  if (index < 0 || index >= count)
    throw Failure(path + " holds programs 0 to " + std::to_string(count - 1) +
                  "; there is no program " + std::to_string(index));
  CheckProgram(unit, bank.programs[static_cast<size_t>(index)],
               path + " (program " + std::to_string(index) + ")");
  TakeProgram(unit, bank.programs[static_cast<size_t>(index)], values);
}
} // namespace

bool SettingOptions::Take(const std::vector<std::string>& args, size_t& i)
{
  const std::string& a = args[i];
  if (a == "--preset")
    preset = ValueOf(args, i);
  else if (a == "--bank")
    bank = ValueOf(args, i);
  else if (a == "--program")
  {
    const double n = Number(ValueOf(args, i), "--program");
    if (n < 0 || n != std::floor(n) || n > 1e6)
      throw UsageError("--program takes a program number from 0");
    program = static_cast<int>(n);
  }
  else if (a == "--save-preset")
    savePreset = ValueOf(args, i);
  else if (a == "--bypass")
    bypass = true;
  else if (a == "--param")
  {
    const std::string text = ValueOf(args, i);
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
      throw UsageError("--param takes \"Name=value\", not '" + text + "'");
    assignments.emplace_back(text.substr(0, eq), text.substr(eq + 1));
  }
  else if (a.size() > 2 && a.compare(0, 2, "--") == 0 && a != "--help")
  {
    const std::string name = a.substr(2);
    assignments.emplace_back(name, ValueOf(args, i));
  }
  else
    return false;
  return true;
}

AppliedSettings ApplySettings(HostedUnit& unit, const SettingOptions& options)
{
  const std::vector<ParameterInfo>& params = unit.Parameters();
  AppliedSettings settings;
  settings.bypass = options.bypass;
  for (const ParameterInfo& p : params)
    settings.values.push_back(static_cast<float>(p.defaultValue));

  if (!options.preset.empty() && !options.bank.empty())
    throw UsageError("--preset and --bank cannot be used together");
  if (options.program >= 0 && options.bank.empty()) throw UsageError("--program needs --bank");
  // Names first: a mistyped option is a usage error, whatever the files hold.
  std::vector<std::pair<const ParameterInfo*, double>> assigned;
  for (const auto& [name, text] : options.assignments)
  {
    const ParameterInfo* p = unit.FindParameter(name);
    if (!p)
      throw UsageError("unknown parameter or option '" + name +
                       "' (kestrion params lists the parameters)");
    const double v = Number(text, p->name);
    if (v < p->min || v > p->max)
      throw UsageError(p->name + " " + text + " is outside its range " + Figure(p->min) + " .. " +
                       Figure(p->max) + (p->unit.empty() ? "" : " " + p->unit));
    assigned.emplace_back(p, v);
  }

  if (!options.preset.empty()) LoadProgramFile(unit, options.preset, settings.values);
  if (!options.bank.empty()) LoadBankProgram(unit, options.bank, options.program, settings.values);
  for (const auto& [p, v] : assigned)
    settings.values[static_cast<size_t>(p - params.data())] = static_cast<float>(v);

  for (size_t i = 0; i < params.size(); ++i)
  {
    if (!options.savePreset.empty())
    {
      // As the program file will store and restore it: a single-precision normalised value.
      const float n = static_cast<float>(unit.ToNormalized(params[i].id, settings.values[i]));
      settings.normalized.push_back(n);
      settings.values[i] = static_cast<float>(unit.FromNormalized(params[i].id, n));
    }
    unit.SetParameter(params[i].id, settings.values[i]);
  }
  if (settings.bypass) unit.SetBypass(true);
  return settings;
}

void SaveProgram(const HostedUnit& unit, const AppliedSettings& settings, const std::string& path)
{
  fxfile::Program program;
  program.pluginID = static_cast<int32_t>(PluginID(unit));
  program.pluginVersion = static_cast<int32_t>(unit.Version());
  program.numParams = static_cast<int32_t>(unit.Parameters().size());
  const size_t slash = path.find_last_of('/');
  program.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  program.name = program.name.substr(0, program.name.rfind('.'));
  program.values = settings.normalized;
  for (size_t i = program.values.size(); i < settings.values.size(); ++i)
    program.values.push_back(
        static_cast<float>(unit.ToNormalized(unit.Parameters()[i].id, settings.values[i])));
  ByteChunk bytes;
  fxfile::WriteProgram(program, bytes);
  if (!WriteWholeFile(path, bytes.GetBytes(), static_cast<size_t>(bytes.Size())))
    throw Failure(path + ": cannot write the program file");
}

std::string AppliedSettings::Describe(const HostedUnit& unit) const
{
  std::string text;
  for (size_t i = 0; i < values.size(); ++i)
  {
    const ParameterInfo& p = unit.Parameters()[i];
    if (values[i] == static_cast<float>(p.defaultValue)) continue;
    if (!text.empty()) text += ", ";
    text += p.name + " " + unit.DisplayText(p.id, values[i]);
    if (!p.unit.empty()) text += " " + p.unit;
  }
  if (text.empty()) text = "default settings";
  if (bypass) text += " (bypassed)";
  return text;
}
} // namespace kestrion
