#pragma once
// The side-chain high-pass over a run of stereo frames, evaluated as a wavefront.
//
// Sample by sample, each of the six stages waits for the one before it, so one sample costs
// six dependent updates in a row. Here step t updates stage k with sample t − k: every stage
// reads the value its predecessor had after the previous step, so the six updates of a step
// are independent and run as three two-lane vector operations. Each stage still performs the
// same operations on the same values in the same order as Filter::Step, so stages and output
// are identical to the bit. The samples are the frames' left and right values in turn, as
// the filter sees them. A run of n frames takes 2n + 5 steps: in the first five the later
// stages have no sample yet, in the last five the earlier ones have none left; those steps
// update only the stages that have one.

#include "plugin/Filter.h"
#include "plugin/StereoVector.h"

#include <algorithm>

namespace wavefront
{
using stereo::v2d;

// One step on the stages in memory, updating only stage k with 0 <= t - k < samples.
// Stages are visited from the last to the first, so each reads its predecessor's value from
// before the step.
inline void EdgeStep(Filter::Stages& s, double c, double input, int t, int samples)
{
  for (int k = Filter::kStages - 1; k >= 0; --k)
    if (t - k >= 0 && t - k < samples) s[k] = s[k] + c * ((k == 0 ? input : s[k - 1]) - s[k]);
}

// The detection signal f[i] of the frames (xL[i], xR[i]), i < n, with the stages carried in
// and out through s; also(i) for i < nAlso runs in the same loop (work that does not depend
// on the filter, which the processor overlaps with it).
template <typename Also>
void RunHighPass(Filter::Stages& s, double c, const double* xL, const double* xR, v2d* f, int n,
                 int nAlso, Also& also)
{
  constexpr int kLag = Filter::kStages - 1; // the last stage's delay, in steps
  const int samples = 2 * n;
  auto sample = [&](int u) { return (u & 1) ? xR[u >> 1] : xL[u >> 1]; };
  double* out = reinterpret_cast<double*>(f); // lane u & 1 of frame u >> 1
  auto emit = [&](int t, double last)
  {
    if (t >= kLag) out[t - kLag] = sample(t - kLag) - last;
  };

  int t = 0;
  for (; t < std::min(kLag, samples + kLag); ++t)
    EdgeStep(s, c, t < samples ? sample(t) : 0.0, t, samples);

  // Frames whose two steps, t = 2i + 5 and 2i + 6, find every stage with a sample.
  const int inner = std::max(0, n - 3);
  int i = 0;
  if (inner > 0)
  {
    const v2d k = stereo::Splat(c);
    v2d v0 = _mm_loadu_pd(s), v1 = _mm_loadu_pd(s + 2), v2 = _mm_loadu_pd(s + 4);
    auto step = [&](double input)
    {
      const v2d in0 = _mm_unpacklo_pd(_mm_set_sd(input), v0); // input, s0
      const v2d in1 = _mm_shuffle_pd(v0, v1, 1);              // s1, s2
      const v2d in2 = _mm_shuffle_pd(v1, v2, 1);              // s3, s4
      v0 = v0 + k * (in0 - v0);
      v1 = v1 + k * (in1 - v1);
      v2 = v2 + k * (in2 - v2);
      return _mm_unpackhi_pd(v2, v2); // s5, in the low lane
    };
    for (; i < inner; ++i)
    {
      const v2d yL = step(xR[i + 2]); // sample 2i + 5
      const v2d yR = step(xL[i + 3]); // sample 2i + 6
      f[i] = stereo::Make(xL[i], xR[i]) - _mm_unpacklo_pd(yL, yR);
      if (i < nAlso) also(i);
    }
    _mm_storeu_pd(s, v0), _mm_storeu_pd(s + 2, v1), _mm_storeu_pd(s + 4, v2);
    t = 2 * inner + kLag;
  }
  for (; t < samples + kLag; ++t)
  {
    EdgeStep(s, c, t < samples ? sample(t) : 0.0, t, samples);
    emit(t, s[kLag]);
  }
  for (; i < nAlso; ++i)
    also(i);
}
} // namespace wavefront
