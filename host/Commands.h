#pragma once
// The subcommands of `kestrion`. Each takes its arguments (after the subcommand's name) and
// returns the exit status; usage errors and failures are thrown (host/Errors.h).

#include <string>
#include <vector>

namespace kestrion
{
using Args = std::vector<std::string>;

int RenderCommand(const Args& args);
int ParamsCommand(const Args& args);
int InfoCommand(const Args& args);
int EditorCommand(const Args& args);
int DemoCommand(const Args& args);

// The component every command opens: Kestrion ('bykH' by 'bykH').
constexpr unsigned kKestrionSubType = 0x62796b48;
constexpr unsigned kKestrionManufacturer = 0x62796b48;

// Writes the component's editor image (with the settings applied) as a PNG file.
class HostedUnit;
void WriteEditorSnapshot(const HostedUnit& unit, const std::string& path);

// True when args holds --help or -h.
bool WantsHelp(const Args& args);
} // namespace kestrion
