#pragma once
// Parameterised tests that run once per instruction set of the vector exp10: each forces its
// level for the test's duration (levels this CPU lacks are skipped) and restores the best one.
// The parameter is the level alone, or the level and one number.

#include "plugin/Exp10.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

namespace vecmath
{
inline void PrintTo(Isa isa, std::ostream* os)
{
  *os << IsaName(isa);
}
} // namespace vecmath

inline vecmath::Isa IsaOf(vecmath::Isa isa)
{
  return isa;
}

template <typename T> vecmath::Isa IsaOf(const std::tuple<vecmath::Isa, T>& param)
{
  return std::get<0>(param);
}

template <typename Param> class IsaTest : public ::testing::TestWithParam<Param>
{
protected:
  void SetUp() override
  {
    const vecmath::Isa isa = IsaOf(this->GetParam());
    if (!vecmath::ForceIsa(isa))
      GTEST_SKIP() << vecmath::IsaName(isa) << " is not available on this CPU";
  }
  void TearDown() override { vecmath::UseBestIsa(); }
};

// "Avx2_48000", "Sse2_minus70": the level and the number, whole.
template <typename T>
std::string IsaTestName(const ::testing::TestParamInfo<std::tuple<vecmath::Isa, T>>& info)
{
  const long long n = static_cast<long long>(std::get<1>(info.param));
  return std::string(vecmath::IsaName(std::get<0>(info.param))) + "_" +
         (n < 0 ? "minus" + std::to_string(-n) : std::to_string(n));
}
