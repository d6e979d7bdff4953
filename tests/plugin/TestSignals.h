#pragma once
// Deterministic test material: decaying drum-like hits with noise, different per channel.

#include <cmath>
#include <cstdint>
#include <vector>

struct StereoSignal
{
  std::vector<double> left, right;
};

inline StereoSignal MakeDrumLoop(int frames, double sampleRate = 44100.0, uint32_t seed = 1)
{
  StereoSignal s;
  s.left.resize(static_cast<size_t>(frames));
  s.right.resize(static_cast<size_t>(frames));
  const int period = static_cast<int>(sampleRate * 0.25); // a hit every quarter second
  for (int i = 0; i < frames; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 8388608.0) - 1.0;
    const int t = i % period;
    const int hit = i / period;
    const double time = t / sampleRate;
    const double body = std::sin(2 * M_PI * (60 + 40 * std::exp(-time * 30)) * time) *
                        std::exp(-time * 12);
    const double snap = noise * std::exp(-time * 60);
    const double level = (hit % 2) ? 0.6 : 0.9;
    s.left[static_cast<size_t>(i)] = level * (0.8 * body + 0.3 * snap);
    s.right[static_cast<size_t>(i)] = level * (0.6 * body + 0.45 * snap) * ((hit % 3) ? 1 : 0.5);
  }
  return s;
}
