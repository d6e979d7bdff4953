#pragma once
// Four doubles: two stereo pairs side by side, so that two followers of both channels step
// with one operation. Two representations with the same operations:
//   quad::Pair  two SSE2 registers, for every x86-64 CPU;
//   quad::Wide  one 256-bit register (a GCC vector), only for code compiled for AVX2.
// Each lane computes exactly what the scalar expression would (IEEE operations, no fused
// multiply-add), so both give the same bits as per-channel code.

#include "plugin/StereoVector.h"

// GCC warns that a function passing a 256-bit vector by value has another calling convention
// with AVX than without. These functions are always inlined, so no call ever passes one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace quad
{
using stereo::v2d;

struct Pair
{
  v2d lo, hi;
};

KESTRION_ALWAYS_INLINE Pair operator+(Pair a, Pair b)
{
  return {a.lo + b.lo, a.hi + b.hi};
}
KESTRION_ALWAYS_INLINE Pair operator-(Pair a, Pair b)
{
  return {a.lo - b.lo, a.hi - b.hi};
}
KESTRION_ALWAYS_INLINE Pair operator*(Pair a, Pair b)
{
  return {a.lo * b.lo, a.hi * b.hi};
}

// Only ever used in functions compiled for AVX2, where it is one register.
typedef double Wide __attribute__((vector_size(32)));
typedef long long WideBits __attribute__((vector_size(32)));

// Construction from and return to stereo pairs: lo is lanes 0-1, hi lanes 2-3.
template <typename Q> Q Make(v2d lo, v2d hi);
template <> KESTRION_ALWAYS_INLINE Pair Make<Pair>(v2d lo, v2d hi)
{
  return {lo, hi};
}
template <> KESTRION_ALWAYS_INLINE Wide Make<Wide>(v2d lo, v2d hi)
{
  return __builtin_shufflevector(lo, hi, 0, 1, 2, 3);
}
KESTRION_ALWAYS_INLINE v2d Lo(Pair q)
{
  return q.lo;
}
KESTRION_ALWAYS_INLINE v2d Hi(Pair q)
{
  return q.hi;
}
KESTRION_ALWAYS_INLINE v2d Lo(Wide q)
{
  return __builtin_shufflevector(q, q, 0, 1);
}
KESTRION_ALWAYS_INLINE v2d Hi(Wide q)
{
  return __builtin_shufflevector(q, q, 2, 3);
}

// a > b ? a : b per lane; b when either is not a number (as stereo::Max).
KESTRION_ALWAYS_INLINE Pair Max(Pair a, Pair b)
{
  return {stereo::Max(a.lo, b.lo), stereo::Max(a.hi, b.hi)};
}
KESTRION_ALWAYS_INLINE Wide Max(Wide a, Wide b)
{
  return a > b ? a : b;
}

// The larger of the two lanes of each pair, in both lanes of that pair (as stereo::MaxOfLanes,
// which serves a single pair).
using stereo::MaxOfLanes;
KESTRION_ALWAYS_INLINE Pair MaxOfLanes(Pair q)
{
  return {stereo::MaxOfLanes(q.lo), stereo::MaxOfLanes(q.hi)};
}
KESTRION_ALWAYS_INLINE Wide MaxOfLanes(Wide q)
{
  return Max(__builtin_shufflevector(q, q, 1, 0, 3, 2), q);
}

// std::max(0.0, v) per lane (as stereo::MaxZero).
KESTRION_ALWAYS_INLINE Pair MaxZero(Pair q)
{
  return {stereo::MaxZero(q.lo), stereo::MaxZero(q.hi)};
}
KESTRION_ALWAYS_INLINE Wide MaxZero(Wide q)
{
  return Max(q, Wide{});
}

// Two followers' coefficients for both channels, arranged as stereo::FollowerCoefs.
template <typename Q> struct FollowerCoefs
{
  Q release;
  Q flip; // the bits in which the attack coefficient differs from the release coefficient
};

template <typename Q>
KESTRION_ALWAYS_INLINE FollowerCoefs<Q> MakeCoefs(const stereo::FollowerCoefs& lo,
                                                  const stereo::FollowerCoefs& hi)
{
  return {Make<Q>(lo.release, hi.release), Make<Q>(lo.flip, hi.flip)};
}

// The follower step of stereo::Track, on four lanes.
KESTRION_ALWAYS_INLINE Pair Track(Pair input, Pair state, const FollowerCoefs<Pair>& c)
{
  return {stereo::Track(input.lo, state.lo, c.release.lo, c.flip.lo),
          stereo::Track(input.hi, state.hi, c.release.hi, c.flip.hi)};
}
KESTRION_ALWAYS_INLINE Wide Track(Wide input, Wide state, const FollowerCoefs<Wide>& c)
{
  const WideBits rising = input > state;
  const Wide coef = (Wide)((WideBits)c.release ^ (rising & (WideBits)c.flip));
  return input + (state - input) * coef;
}
} // namespace quad

#pragma GCC diagnostic pop
