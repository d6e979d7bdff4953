#pragma once
// The material every Audio Unit test renders: decaying tone bursts with a low hum, a
// different pitch and decay per channel, given as a function of the absolute frame number so
// that a host callback and the upstream test unit produce exactly the same samples for the
// same time stamps.

#include <cmath>
#include <cstdint>

namespace autest
{
inline float SourceSample(int channel, int64_t frame)
{
  const double n = static_cast<double>(frame);
  const int64_t period = 1500 + 700 * channel;
  const double age = static_cast<double>(frame % period);
  const double burst = std::exp(-age / (180.0 + 140.0 * channel));
  const double tone = std::sin(2.0 * M_PI * n * (220.0 + 97.0 * channel) / 44100.0);
  const double hum = std::sin(2.0 * M_PI * n * 31.0 / 44100.0);
  return static_cast<float>(0.8 * burst * tone + 0.05 * hum);
}
} // namespace autest
