// 10^x two values at a time with SSE2, which every x86-64 CPU has.
#include "plugin/Exp10Kernels.h"

#include <emmintrin.h>
#include <sleef.h>

void vecmath::kernels::Exp10Sse2(double* values, int count)
{
  int i = 0;
  for (; i + 2 <= count; i += 2)
    _mm_storeu_pd(values + i, Sleef_exp10d2_u10sse2(_mm_loadu_pd(values + i)));
  if (i < count) _mm_store_sd(values + i, Sleef_exp10d2_u10sse2(_mm_load_sd(values + i)));
}
