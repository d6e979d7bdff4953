#include "host/Render.h"

#include "host/AudioFiles.h"
#include "host/Errors.h"
#include "host/Plot.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace kestrion
{
namespace
{
// A bar on standard error once a render has taken more than a second, redrawn when it moves
// by a percent; nothing when standard error is not a terminal.
class ProgressBar
{
public:
  ProgressBar(bool wanted, int64_t total, double rate)
      : mTotal(std::max<int64_t>(total, 1)), mRate(rate), mWanted(wanted && isatty(STDERR_FILENO)),
        mStart(std::chrono::steady_clock::now())
  {
  }
  ~ProgressBar()
  {
    if (mLast >= 0) std::fprintf(stderr, "\r%*s\r", 60, "");
  }
  void Update(int64_t done)
  {
    if (!mWanted) return;
    const int percent = static_cast<int>(done * 100 / mTotal);
    if (percent == mLast) return;
    if (mLast < 0 && std::chrono::steady_clock::now() - mStart < std::chrono::seconds(1)) return;
    mLast = percent;
    char bar[31];
    const int filled = percent * 30 / 100;
    for (int i = 0; i < 30; ++i)
      bar[i] = i < filled ? '#' : '.';
    bar[30] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar, percent, done / mRate, mTotal / mRate);
    std::fflush(stderr);
  }

private:
  int64_t mTotal;
  double mRate;
  bool mWanted;
  std::chrono::steady_clock::time_point mStart;
  int mLast = -1;
};

void CheckChannels(const std::string& path, int channels)
{
  if (channels > 2)
    throw Failure(path + " has " + std::to_string(channels) +
                  " channels; only mono and stereo files can be shaped");
}
} // namespace

double ToDb(double linear)
{
  return linear > 0 ? 20.0 * std::log10(linear) : -INFINITY;
}

void ProbeInput(const std::string& path, int& sampleRate, int& channels, int64_t& frames)
{
  AudioReader reader(path);
  CheckChannels(path, reader.Channels());
  sampleRate = reader.SampleRate();
  channels = reader.Channels();
  frames = reader.Frames();
}

RenderStats RenderFile(HostedUnit& unit, const RenderJob& job)
{
  AudioReader reader(job.input);
  const int channels = reader.Channels();
  CheckChannels(job.input, channels);
  unit.Prepare(reader.SampleRate(), static_cast<UInt32>(channels), job.block);

  std::unique_ptr<AudioWriter> writer;
  if (!job.output.empty())
    writer = std::make_unique<AudioWriter>(job.output, job.format, reader.SampleRate(), channels);
  std::unique_ptr<RenderPlot> plot;
  if (!job.plot.empty()) plot = std::make_unique<RenderPlot>(reader.Frames(), reader.SampleRate());

  // Every buffer is made once, for one block.
  const size_t block = job.block;
  std::vector<float> in(block * channels), out(block * channels);
  std::vector<float> planarIn(block * channels), planarOut(block * channels);
  const float* ins[2] = {planarIn.data(), planarIn.data() + block};
  float* outs[2] = {planarOut.data(), planarOut.data() + block};

  RenderStats stats;
  stats.channels = channels;
  stats.sampleRate = reader.SampleRate();
  double inEnergy = 0, outEnergy = 0;
  ProgressBar progress(job.progress, reader.Frames(), reader.SampleRate());
  for (;;)
  {
    const int64_t n = reader.Read(in.data(), static_cast<int64_t>(block));
    if (n == 0) break;
    for (int64_t i = 0; i < n; ++i)
      for (int c = 0; c < channels; ++c)
        planarIn[c * block + i] = in[i * channels + c];
    const OSStatus status = unit.Render(ins, outs, static_cast<UInt32>(n));
    if (status != noErr)
      throw Failure("the component failed to render (status " + std::to_string(status) + ")");
    for (int64_t i = 0; i < n; ++i)
      for (int c = 0; c < channels; ++c)
      {
        const float x = in[i * channels + c];
        const float y = planarOut[c * block + i];
        out[i * channels + c] = y;
        stats.inputPeak = std::max(stats.inputPeak, static_cast<double>(std::fabs(x)));
        stats.outputPeak = std::max(stats.outputPeak, static_cast<double>(std::fabs(y)));
        inEnergy += static_cast<double>(x) * x;
        outEnergy += static_cast<double>(y) * y;
        if (std::fabs(y) > 1.0f) ++stats.beyondFullScale;
      }
    if (writer) writer->Write(out.data(), n);
    if (plot) plot->Add(in.data(), out.data(), channels, n);
    stats.frames += n;
    progress.Update(stats.frames);
  }
  if (stats.frames == 0) throw Failure(job.input + ": the file holds no audio");
  const double samples = static_cast<double>(stats.frames) * channels;
  stats.inputRms = std::sqrt(inEnergy / samples);
  stats.outputRms = std::sqrt(outEnergy / samples);

  if (plot)
  {
    std::string error;
    if (!plot->Write(job.plot, job.plotTitle, job.plotSubtitle, &error))
      throw Failure(job.plot + ": cannot write the plot (" + error + ")");
  }
  if (job.beforeCommit) job.beforeCommit();
  if (writer) writer->Commit();
  return stats;
}
} // namespace kestrion
