#pragma once
// The built-in demo material: a stereo drum groove synthesised from scratch (kick, snare,
// closed hats and a room tail), so the demo needs no sample files.

#include <vector>

struct DemoMaterial
{
  double sampleRate = 48000.0;
  std::vector<float> left, right;
};

// Bars of 4/4 at the given tempo.
DemoMaterial MakeDrumGroove(double sampleRate, double bpm, int bars);
