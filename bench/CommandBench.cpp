// Renders long stereo 48 kHz float WAV files with `kestrion render` (Attack +60 %, Sustain
// -40 %) and prints the real-time factor of the whole command (reading, rendering through the
// component, writing) and its peak resident memory, as the kernel accounts it for the child.
// The files are written to a temporary folder and removed afterwards.
#include <sndfile.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
constexpr int kRate = 48000;

// Drum-like material written block by block, so the bench itself stays small too.
bool WriteMaterial(const std::string& path, double minutes)
{
  SF_INFO info = {};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  const int64_t frames = static_cast<int64_t>(minutes * 60 * kRate);
  std::vector<float> block(2 * 4096);
  uint32_t noise = 1;
  for (int64_t pos = 0; pos < frames; pos += 4096)
  {
    const int64_t n = std::min<int64_t>(4096, frames - pos);
    for (int64_t i = 0; i < n; ++i)
    {
      const double t = static_cast<double>(pos + i) / kRate;
      const double age = std::fmod(t, 0.3125);
      noise = noise * 1664525u + 1013904223u;
      const double hiss = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
      const double s = 0.5 * std::exp(-age * 20) * std::sin(2 * M_PI * 70 * t) +
                       0.1 * hiss * std::exp(-age * 80);
      block[2 * i] = static_cast<float>(s);
      block[2 * i + 1] = static_cast<float>(0.9 * s);
    }
    if (sf_writef_float(f, block.data(), n) != n) return false;
  }
  return sf_close(f) == 0;
}

struct Result
{
  bool ok = false;
  double seconds = 0;
  long peakKiB = 0;
};

Result RunCommand(const std::vector<std::string>& args)
{
  Result r;
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0)
  {
    std::vector<char*> argv;
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (std::FILE* quiet = std::freopen("/dev/null", "w", stdout)) (void)quiet;
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakKiB = usage.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<double> lengths;
  for (int i = 1; i < argc; ++i)
    lengths.push_back(std::atof(argv[i]));
  if (lengths.empty()) lengths = {10, 60};

  char pattern[] = "/tmp/kestrion-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::filesystem::path dir = pattern;
  std::printf("kestrion render, stereo 48 kHz float WAV, --attack 60 --sustain -40\n");
  std::printf("%8s %10s %12s %14s\n", "minutes", "wall s", "real time x", "peak RSS MiB");
  int failures = 0;
  for (double minutes : lengths)
  {
    const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
    if (!WriteMaterial(in, minutes))
    {
      std::fprintf(stderr, "command_bench: cannot write %s\n", in.c_str());
      return 1;
    }
    const Result r =
        RunCommand({KESTRION_COMMAND, "render", in, out, "--attack", "60", "--sustain", "-40"});
    if (!r.ok) ++failures;
    std::printf("%8g %10.2f %12.1f %14.1f%s\n", minutes, r.seconds, minutes * 60 / r.seconds,
                r.peakKiB / 1024.0, r.ok ? "" : "  (failed)");
    std::fflush(stdout);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
  }
  std::filesystem::remove_all(dir);
  return failures ? 1 : 0;
}
