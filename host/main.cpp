// kestrion: runs the Kestrion Audio Unit on audio files, as a host runs it.
//
//   kestrion render IN OUT [options]   shape an audio file
//   kestrion params | info             what the component reports
//   kestrion editor [--snapshot F]     the editor, in a window or as a picture
//   kestrion demo [DIR]                the built-in demonstration
//
// Exit status: 0 on success, 2 on a usage error, 1 when an operation fails.

#include "host/AudioFiles.h"
#include "host/Commands.h"
#include "host/Errors.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{
const char* const kHelp =
    "usage: kestrion COMMAND [arguments]\n"
    "Runs the Kestrion transient shaper (an Audio Unit) on audio files, as a host does.\n"
    "Commands:\n"
    "  render IN OUT [options]  shape an audio file (mono or stereo)\n"
    "  params                   list the parameters with ranges, defaults and units\n"
    "  info                     the component's identity, version, channels and presets\n"
    "  editor [--snapshot F]    open the editor, or write its picture as PNG\n"
    "  demo [DIR]               shape a built-in drum loop and write the results\n"
    "Run kestrion COMMAND --help for a command's options.\n"
    "Exit status: 0 success, 1 failed operation, 2 usage error.\n";

// Ctrl-C or a termination request: the files being written never appear half-written.
void OnInterrupt(int signal)
{
  kestrion::RemoveTemporaryFiles();
  const char message[] = "\nkestrion: interrupted; no output written\n";
  (void)!write(STDERR_FILENO, message, sizeof message - 1);
  _exit(128 + signal);
}
} // namespace

int main(int argc, char** argv)
{
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  std::signal(SIGHUP, OnInterrupt);

  if (argc < 2)
  {
    std::fputs(kHelp, stderr);
    return 2;
  }
  const std::string command = argv[1];
  const kestrion::Args args(argv + 2, argv + argc);
  try
  {
    if (command == "--help" || command == "-h" || command == "help")
    {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (command == "render") return kestrion::RenderCommand(args);
    if (command == "params") return kestrion::ParamsCommand(args);
    if (command == "info") return kestrion::InfoCommand(args);
    if (command == "editor") return kestrion::EditorCommand(args);
    if (command == "demo") return kestrion::DemoCommand(args);
    throw kestrion::UsageError("unknown command '" + command + "' (kestrion --help)");
  }
  catch (const kestrion::UsageError& e)
  {
    std::fprintf(stderr, "kestrion %s: %s\n", command.c_str(), e.what());
    return 2;
  }
  catch (const std::exception& e)
  {
    std::fprintf(stderr, "kestrion %s: %s\n", command.c_str(), e.what());
    return 1;
  }
}
