#pragma once
// The side-chain filter: six one-pole low-pass stages in cascade, read out as low-pass,
// high-pass (input minus the last stage) or band-pass (first stage minus the last).
//
// coefficient and feedback are written by the parameter thread and read by the render thread
// (relaxed atomics); the stages belong to the render thread.

#include <atomic>
#include <cstdint>

class Filter
{
public:
  enum Mode : int32_t
  {
    kFilterLowPass = 0,
    kFilterHighPass = 1,
    kFilterBandPass = 2
  };

  static constexpr int kStages = 6;

  Filter(double coefficient, Mode mode) : coefficient(coefficient), mode(mode) {}

  // One sample with the current coefficient.
  double process(double input) { return process(input, coefficient.load(std::memory_order_relaxed)); }

  // One sample with a coefficient the caller has read once for a whole block.
  double process(double input, double c)
  {
    stage[0] = stage[0] + c * (input - stage[0]);
    for (int k = 1; k < kStages; ++k)
      stage[k] = stage[k] + c * (stage[k - 1] - stage[k]);
    switch (mode)
    {
    case kFilterLowPass: return stage[5];
    case kFilterHighPass: return input - stage[5];
    case kFilterBandPass: return stage[0] - stage[5];
    }
    return 0.0;
  }

  std::atomic<double> coefficient;
  double resonance = 0.0;
  Mode mode;
  std::atomic<double> feedback{0.0};
  double stage[kStages] = {};
};
