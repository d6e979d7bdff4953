#pragma once
// The per-level 10^x kernels behind vecmath::Exp10Function(). Each replaces count values x by
// 10^x in place. Exp10Avx2 executes AVX2 and FMA instructions: call it only on a CPU that has
// both (the dispatcher checks).

namespace vecmath::kernels
{
void Exp10Sse2(double* values, int count);
void Exp10Avx2(double* values, int count);
} // namespace vecmath::kernels
