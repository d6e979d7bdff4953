#pragma once
// The settings a command applies to the component: parameter options (--attack 60, --param
// "Name=value"), a program or bank file, bypass, and the program file to save them to. Values
// reach the component through its parameters, as a host restores them.

#include "host/HostedUnit.h"

#include <string>
#include <utility>
#include <vector>

namespace kestrion
{
struct SettingOptions
{
  // (name or option, value text) in the order given; resolved against the component's names.
  std::vector<std::pair<std::string, std::string>> assignments;
  std::string preset, bank, savePreset;
  int program = -1; // in the bank; -1: the bank's current program
  bool bypass = false;

  // Takes args[i] (and its value) when it is a setting option; false otherwise. Options of
  // the form --name value whose name is not a fixed option are taken as parameter options.
  bool Take(const std::vector<std::string>& args, size_t& i);
};

// The values applied: one per parameter, in the component's order.
struct AppliedSettings
{
  std::vector<float> values;
  // With a file to save to: the normalised values it stores, from which `values` came.
  std::vector<float> normalized;
  bool bypass = false;
  // "Attack 60 %, Sustain -40 %, ..." for the settings that differ from the defaults.
  std::string Describe(const HostedUnit& unit) const;
};

// Resolves the options against the component (UsageError for unknown names, values outside
// a range, malformed numbers; Failure for unreadable or foreign preset files), applies them
// and returns them. With a file to save to, every value is first taken as that file will
// restore it, so a render from the saved file is identical.
AppliedSettings ApplySettings(HostedUnit& unit, const SettingOptions& options);

// Writes the settings as a program file (after a successful operation).
void SaveProgram(const HostedUnit& unit, const AppliedSettings& settings, const std::string& path);

// The option lines every command that takes settings prints in its help.
extern const char* const kSettingsHelp;
} // namespace kestrion
