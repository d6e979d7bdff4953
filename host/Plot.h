#pragma once
// The picture of a render: input and output waveforms one above the other on one time axis,
// drawn as the smallest and largest sample of each pixel column (so any length draws
// correctly), with the gain the plug-in applied (output over input level, smoothed) drawn
// over them. Filled while the render streams, in memory proportional to the picture's width.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrion
{
class RenderPlot
{
public:
  static constexpr int kWidth = 1200;
  static constexpr int kHeight = 600;

  RenderPlot(int64_t totalFrames, double sampleRate);

  // The next `frames` interleaved frames of input and output.
  void Add(const float* in, const float* out, int channels, int64_t frames);
  // Draws the picture with the title's two lines and writes it as PNG (through a temporary
  // file). False, with the reason in *error, when it cannot be written.
  bool Write(const std::string& path, const std::string& title, const std::string& subtitle,
             std::string* error) const;

  // Plot columns of waveform; public for the picture's arithmetic.
  struct Column
  {
    float inMin = 0, inMax = 0, outMin = 0, outMax = 0;
    double inEnergy = 0, outEnergy = 0;
    int64_t count = 0;
  };

private:
  std::vector<Column> mColumns;
  int64_t mTotalFrames;
  double mSampleRate;
  int64_t mPosition = 0;
};
} // namespace kestrion
