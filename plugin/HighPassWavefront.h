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
// keep the values of the stages that have none.

#include "plugin/Filter.h"
#include "plugin/StereoVector.h"

#include <algorithm>

namespace wavefront
{
using stereo::v2d;

// The detection signal f[i] of the frames (xL[i], xR[i]), i < n, with the stages carried in
// and out through s; also(i) for i < nAlso runs in the same loop (work that does not depend
// on the filter, which the processor overlaps with it).
template <typename Also>
KESTRION_ALWAYS_INLINE void RunHighPass(Filter::Stages& s, double c, const double* xL,
                                        const double* xR, v2d* f, int n, int nAlso, Also& also)
{
  constexpr int kLag = Filter::kStages - 1; // the last stage's delay, in steps
  const int samples = 2 * n;
  auto sample = [&](int u) { return (u & 1) ? xR[u >> 1] : xL[u >> 1]; };
  double* out = reinterpret_cast<double*>(f); // lane u & 1 of frame u >> 1

  const v2d k = stereo::Splat(c);
  v2d v0 = _mm_loadu_pd(s), v1 = _mm_loadu_pd(s + 2), v2 = _mm_loadu_pd(s + 4);
  // Every stage takes its predecessor's value from before the step (stage 0 the input).
  auto step = [&](double input) KESTRION_LAMBDA_INLINE
  {
    const v2d in0 = _mm_unpacklo_pd(_mm_set_sd(input), v0); // input, s0
    const v2d in1 = _mm_shuffle_pd(v0, v1, 1);              // s1, s2
    const v2d in2 = _mm_shuffle_pd(v1, v2, 1);              // s3, s4
    v0 = Filter::Update(v0, k, in0);
    v1 = Filter::Update(v1, k, in1);
    v2 = Filter::Update(v2, k, in2);
  };
  // A step at an edge of the run: only the stages k with a sample, 0 <= t - k < samples, take
  // their update; the others keep their values, selected bit for bit.
  auto edgeStep = [&](int t) KESTRION_LAMBDA_INLINE
  {
    const v2d old0 = v0, old1 = v1, old2 = v2;
    step(t < samples ? sample(t) : 0.0);
    const v2d first = stereo::Splat(t - samples), last = stereo::Splat(t);
    auto keep = [&](v2d updated, v2d old, double k0)
    {
      const v2d stage = stereo::Make(k0, k0 + 1.0);
      const v2d has = _mm_and_pd(_mm_cmplt_pd(first, stage), _mm_cmple_pd(stage, last));
      return _mm_or_pd(_mm_and_pd(has, updated), _mm_andnot_pd(has, old));
    };
    v0 = keep(v0, old0, 0.0), v1 = keep(v1, old1, 2.0), v2 = keep(v2, old2, 4.0);
  };

  int t = 0;
  for (; t < kLag; ++t)
    edgeStep(t);

  // Frames whose two steps, t = 2i + 5 and 2i + 6, find every stage with a sample.
  const int inner = std::max(0, n - 3);
  int i = 0;
  for (; i < inner; ++i)
  {
    step(xR[i + 2]);
    const v2d yL = v2; // s5 after sample 2i + 5, in the high lane
    step(xL[i + 3]);
    f[i] = stereo::Make(xL[i], xR[i]) - _mm_unpackhi_pd(yL, v2);
    if (i < nAlso) also(i);
  }
  for (t = 2 * inner + kLag; t < samples + kLag; ++t)
  {
    edgeStep(t);
    out[t - kLag] = sample(t - kLag) - _mm_cvtsd_f64(_mm_unpackhi_pd(v2, v2));
  }
  _mm_storeu_pd(s, v0), _mm_storeu_pd(s + 2, v1), _mm_storeu_pd(s + 4, v2);
  for (; i < nAlso; ++i)
    also(i);
}
} // namespace wavefront
