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
  using Stages = double[kStages];

  Filter(double coefficient, Mode mode) : coefficient(coefficient), mode(mode) {}

  // One sample with the current coefficient.
  double process(double input)
  {
    return Step(stage, coefficient.load(std::memory_order_relaxed), mode, input);
  }

  // One sample through the stages with coefficient c: the filter itself. The render path runs
  // it on a copy of the stages that it keeps in registers for a block, then stores them back.
  static double Step(Stages& stage, double c, Mode mode, double input)
  {
    // Written out stage by stage, so that a caller's copy of the stages stays in registers.
    stage[0] = Update(stage[0], c, input);
    stage[1] = Update(stage[1], c, stage[0]);
    stage[2] = Update(stage[2], c, stage[1]);
    stage[3] = Update(stage[3], c, stage[2]);
    stage[4] = Update(stage[4], c, stage[3]);
    stage[5] = Update(stage[5], c, stage[4]);
    return Output(stage, mode, input);
  }

  // One stage moving towards its input. Every evaluation of the filter updates its stages with
  // this formula, for one stage at a time or for a vector of stages, so that all of them give
  // the same values to the bit.
  template <typename T> static T Update(T stage, T c, T input)
  {
    return stage + c * (input - stage);
  }

  // The read-out for the mode; 0 for a mode the filter does not know.
  static double Output(const Stages& stage, Mode mode, double input)
  {
    switch (mode)
    {
    case kFilterLowPass:
      return stage[5];
    case kFilterHighPass:
      return input - stage[5];
    case kFilterBandPass:
      return stage[0] - stage[5];
    }
    return 0.0;
  }

  std::atomic<double> coefficient;
  double resonance = 0.0;
  Mode mode;
  std::atomic<double> feedback{0.0};
  Stages stage = {};
};
