#include "plugin/Exp10.h"
#include "plugin/Exp10Kernels.h"

#include <atomic>

namespace vecmath
{
namespace
{
// The kernel in use; null until the first call resolves the best level. Threads that resolve
// at the same time all store the same kernel.
std::atomic<Exp10Fn> gActive{nullptr};

Exp10Fn KernelFor(Isa isa)
{
  return isa == Isa::kAvx2 ? kernels::Exp10Avx2 : kernels::Exp10Sse2;
}
} // namespace

const char* IsaName(Isa isa)
{
  return isa == Isa::kAvx2 ? "Avx2" : "Sse2";
}

bool IsaSupported(Isa isa)
{
  switch (isa)
  {
  case Isa::kSse2:
    return true; // part of x86-64 itself
  case Isa::kAvx2:
    // Also false where the operating system does not save the AVX registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }
  return false;
}

Isa BestIsa()
{
  return IsaSupported(Isa::kAvx2) ? Isa::kAvx2 : Isa::kSse2;
}

bool ForceIsa(Isa isa)
{
  if (!IsaSupported(isa)) return false;
  gActive.store(KernelFor(isa), std::memory_order_relaxed);
  return true;
}

void UseBestIsa()
{
  gActive.store(KernelFor(BestIsa()), std::memory_order_relaxed);
}

Isa IsaOf(Exp10Fn kernel)
{
  return kernel == kernels::Exp10Avx2 ? Isa::kAvx2 : Isa::kSse2;
}

Isa ActiveIsa()
{
  return IsaOf(Exp10Function());
}

Exp10Fn Exp10Function()
{
  Exp10Fn kernel = gActive.load(std::memory_order_relaxed);
  if (!kernel)
  {
    kernel = KernelFor(BestIsa());
    gActive.store(kernel, std::memory_order_relaxed);
  }
  return kernel;
}
} // namespace vecmath
