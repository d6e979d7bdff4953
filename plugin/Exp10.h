#pragma once
// 10^x over arrays of doubles, evaluated in vector registers by SLEEF's exp10 (error at most
// 1 ulp). The instruction set is chosen at run time from what the CPU offers, so the plug-in
// runs on any x86-64 CPU and uses AVX2 where it is there:
//   kSse2  two values per instruction, every x86-64 CPU
//   kAvx2  four values per instruction, CPUs with AVX2 and FMA
// Every level gives 10^0 = 1 exactly, +inf above 10^308.25, 0 below 10^-350 and NaN for NaN.
//
// Exp10Function() may be called from any thread, the render thread included: it takes no lock
// and allocates nothing, and the function it returns does neither. ForceIsa and UseBestIsa
// are for tests and benchmarks; a block already running keeps the function it fetched. The
// render path takes its own kernels for the level of the function it fetched (IsaOf), so
// forcing a level forces it for the whole block.

namespace vecmath
{
enum class Isa
{
  kSse2,
  kAvx2
};
constexpr Isa kAllIsas[] = {Isa::kSse2, Isa::kAvx2};

const char* IsaName(Isa isa);
bool IsaSupported(Isa isa); // by the CPU this runs on
Isa BestIsa();

// Makes Exp10Function() use the given level; false (and no change) if the CPU lacks it.
bool ForceIsa(Isa isa);
// Back to the best level the CPU supports.
void UseBestIsa();
Isa ActiveIsa();

// Replaces each of count values x by 10^x.
using Exp10Fn = void (*)(double* values, int count);
Exp10Fn Exp10Function();
// The level of a function Exp10Function() returned.
Isa IsaOf(Exp10Fn kernel);
} // namespace vecmath
