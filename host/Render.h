#pragma once
// Rendering an audio file through a prepared component, streamed in blocks: memory stays the
// same whatever the file's length.

#include "host/HostedUnit.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrion
{
struct RenderJob
{
  std::string input;
  std::string output; // empty: render and measure only
  int format = 0;     // libsndfile format of the output
  UInt32 block = 512;
  std::string plot; // PNG path, or empty
  std::string plotTitle, plotSubtitle;
  bool progress = true; // a progress bar on a terminal for renders over a second
  // Runs after the render, before the output is put in place (a failure there leaves no
  // output behind).
  std::function<void()> beforeCommit;
};

struct RenderStats
{
  int64_t frames = 0;
  int channels = 0;
  int sampleRate = 0;
  double inputPeak = 0, outputPeak = 0; // linear
  double inputRms = 0, outputRms = 0;
  int64_t beyondFullScale = 0; // output samples with magnitude above 1
};

// Opens the input (Failure when it is missing, not audio, empty or has more than two
// channels), prepares `unit` for it, renders, and puts the output (and the plot) in place only
// when complete.
RenderStats RenderFile(HostedUnit& unit, const RenderJob& job);

// Opens the input and reports its rate and channel count, with the checks of RenderFile.
void ProbeInput(const std::string& path, int& sampleRate, int& channels, int64_t& frames);

double ToDb(double linear);
} // namespace kestrion
