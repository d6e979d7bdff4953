// 10^x four values at a time with AVX2 and FMA. This file alone is compiled for AVX2 and FMA,
// and only the dispatcher calls into it, after checking the CPU. It includes nothing but the
// intrinsics and SLEEF and defines no inline function or template, so none of its AVX2 code
// can stand in for a function that the rest of the program shares.
#include "plugin/Exp10Kernels.h"

#include <immintrin.h>
#include <sleef.h>

void vecmath::kernels::Exp10Avx2(double* values, int count)
{
  int i = 0;
  for (; i + 4 <= count; i += 4)
    _mm256_storeu_pd(values + i, Sleef_exp10d4_u10avx2(_mm256_loadu_pd(values + i)));
  const int rest = count - i;
  if (rest > 0)
  {
    // The last one to three values, in the low lanes of a vector whose other lanes are 0.
    const __m256i lanes = _mm256_setr_epi64x(0, 1, 2, 3);
    const __m256i mask = _mm256_cmpgt_epi64(_mm256_set1_epi64x(rest), lanes);
    const __m256d x = _mm256_maskload_pd(values + i, mask);
    _mm256_maskstore_pd(values + i, mask, Sleef_exp10d4_u10avx2(x));
  }
  // The host's own SSE code would run slowly while the upper halves of the vector registers
  // hold values.
  _mm256_zeroupper();
}
