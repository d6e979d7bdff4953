#pragma once
// A pair of doubles, left and right, processed with one SSE2 instruction per operation.
// Each lane computes exactly what the scalar expression would (IEEE operations, no fused
// multiply-add), so the results are bit-identical to per-channel code.

#include <emmintrin.h>

// For the steps of the render loops: inlined whatever the size of the loop, so that the states
// they update stay in registers, and so that code compiled for a larger instruction set is
// only ever part of the function that calls it.
#define KESTRION_ALWAYS_INLINE __attribute__((always_inline)) inline
#define KESTRION_LAMBDA_INLINE __attribute__((always_inline))

namespace stereo
{
typedef __m128d v2d; // also usable with +, -, *, / and [lane]

KESTRION_ALWAYS_INLINE v2d Make(double left, double right)
{
  return _mm_set_pd(right, left);
}
KESTRION_ALWAYS_INLINE v2d Splat(double v)
{
  return _mm_set1_pd(v);
}

// a > b ? a : b per lane; b when either is not a number. As std::max(b, a).
KESTRION_ALWAYS_INLINE v2d Max(v2d a, v2d b)
{
  return _mm_max_pd(a, b);
}

// std::max(0.0, v): v where v > 0, otherwise +0 (also for values that are not numbers).
KESTRION_ALWAYS_INLINE v2d MaxZero(v2d v)
{
  return _mm_max_pd(v, _mm_setzero_pd());
}

// The larger of the two lanes, in both lanes (lane 0 exactly std::max(left, right)).
KESTRION_ALWAYS_INLINE v2d MaxOfLanes(v2d v)
{
  return _mm_max_pd(_mm_shuffle_pd(v, v, 1), v);
}

KESTRION_ALWAYS_INLINE v2d Abs(v2d v)
{
  return _mm_andnot_pd(_mm_set1_pd(-0.0), v);
}

// A follower's coefficients for both channels, arranged for Track: the release coefficient,
// and the bits in which the attack coefficient differs from it.
struct FollowerCoefs
{
  v2d release;
  v2d flip;

  FollowerCoefs(v2d attack, v2d release) : release(release), flip(_mm_xor_pd(attack, release)) {}
};

// The follower step for both channels: attack coefficient where the input is above the
// state, release coefficient otherwise (and where a comparison fails on a value that is not
// a number). The coefficient is picked with bit masks, exactly.
KESTRION_ALWAYS_INLINE v2d Track(v2d input, v2d state, v2d release, v2d flip)
{
  const v2d rising = _mm_cmpgt_pd(input, state);
  const v2d coef = _mm_xor_pd(release, _mm_and_pd(rising, flip));
  return input + (state - input) * coef;
}
KESTRION_ALWAYS_INLINE v2d Track(v2d input, v2d state, const FollowerCoefs& c)
{
  return Track(input, state, c.release, c.flip);
}
} // namespace stereo
