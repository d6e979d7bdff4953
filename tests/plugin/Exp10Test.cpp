#include "plugin/Exp10.h"
#include "tests/plugin/IsaFixture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

namespace
{
// The error of value as 10^x, in units in the last place of the exact result, which long
// double powl gives to 11 more bits than a double holds. Results below DBL_MIN are measured in
// the subnormal spacing, 2^-1074.
double UlpError(double value, double x)
{
  const long double exact = powl(10.0L, static_cast<long double>(x));
  int exponent;
  frexpl(exact, &exponent); // exact = m * 2^exponent, 0.5 <= m < 1
  const long double ulp = ldexpl(1.0L, std::max(exponent - 53, -1074));
  return static_cast<double>(fabsl(static_cast<long double>(value) - exact) / ulp);
}

class Exp10 : public IsaTest<vecmath::Isa>
{
protected:
  static std::vector<double> Evaluate(std::vector<double> values)
  {
    vecmath::Exp10Function()(values.data(), static_cast<int>(values.size()));
    return values;
  }
};
} // namespace

// Over the whole range of finite, nonzero results: evenly spaced points from 10^-350 (below
// the smallest subnormal) to just under the largest double, and pseudo-random points where
// the gain stage works, within ±3.
TEST_P(Exp10, AccurateToOneUlpOverItsWholeRange)
{
  std::vector<double> x;
  const int kSpread = 400000;
  for (int i = 0; i <= kSpread; ++i)
    x.push_back(-350.0 + (308.2547 + 350.0) * i / kSpread);
  uint64_t seed = 12345;
  for (int i = 0; i < 200000; ++i)
  {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    x.push_back(6.0 * static_cast<double>(seed >> 11) / 9007199254740992.0 - 3.0);
  }
  const std::vector<double> y = Evaluate(x);

  double worst = 0, worstAt = 0;
  for (size_t i = 0; i < x.size(); ++i)
  {
    const double error = UlpError(y[i], x[i]);
    if (!(error <= worst)) // also catches a NaN error
      worst = error, worstAt = x[i];
  }
  std::printf("exp10 %s: max error %.3f ulp (at x = %.17g) over %zu points\n",
              vecmath::IsaName(GetParam()), worst, worstAt, x.size());
  RecordProperty("max_ulp_error", std::to_string(worst));
  // SLEEF's bound for its u10 functions; without FMA (SSE2) the error reaches about 1.008.
  EXPECT_LE(worst, 1.1) << "at x = " << worstAt;
}

TEST_P(Exp10, ExactValuesSpecialValuesAndTails)
{
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> y =
      Evaluate({0.0, -0.0, NAN, inf, -inf, 308.26, 1000.0, -351.0, -1e300, 1.0, 2.0, 22.0, -1.0});
  EXPECT_EQ(1.0, y[0]); // exactly: a gain of 0 dB is the identity
  EXPECT_EQ(1.0, y[1]);
  EXPECT_TRUE(std::isnan(y[2]));
  EXPECT_EQ(inf, y[3]);
  EXPECT_EQ(0.0, y[4]);
  EXPECT_EQ(inf, y[5]); // past the largest double
  EXPECT_EQ(inf, y[6]);
  EXPECT_EQ(0.0, y[7]); // below the smallest subnormal
  EXPECT_EQ(0.0, y[8]);
  EXPECT_LE(UlpError(y[9], 1.0), 1.0);
  EXPECT_LE(UlpError(y[10], 2.0), 1.0);
  EXPECT_LE(UlpError(y[11], 22.0), 1.0);
  EXPECT_LE(UlpError(y[12], -1.0), 1.0);

  // Any count: the vector body and the tail give each value what it gets alone, and nothing
  // beyond count is touched.
  for (int count = 0; count <= 9; ++count)
  {
    std::vector<double> v(count + 2, -7.0);
    for (int i = 0; i < count; ++i)
      v[i] = 0.37 * i - 1.1;
    vecmath::Exp10Function()(v.data(), count);
    for (int i = 0; i < count; ++i)
    {
      double alone = 0.37 * i - 1.1;
      vecmath::Exp10Function()(&alone, 1);
      EXPECT_EQ(alone, v[i]) << count << " values, index " << i;
    }
    EXPECT_EQ(-7.0, v[count]);
    EXPECT_EQ(-7.0, v[count + 1]);
  }
}

INSTANTIATE_TEST_SUITE_P(Isa, Exp10, ::testing::ValuesIn(vecmath::kAllIsas),
                         [](const ::testing::TestParamInfo<vecmath::Isa>& info)
                         { return std::string(vecmath::IsaName(info.param)); });

TEST(Exp10Dispatch, ForcesOnlySupportedLevelsAndReturnsToTheBest)
{
  EXPECT_TRUE(vecmath::IsaSupported(vecmath::Isa::kSse2)); // every x86-64 CPU
  EXPECT_TRUE(vecmath::IsaSupported(vecmath::BestIsa()));
  EXPECT_EQ(vecmath::BestIsa(), vecmath::ActiveIsa());
  for (vecmath::Isa isa : vecmath::kAllIsas)
  {
    const vecmath::Isa before = vecmath::ActiveIsa();
    EXPECT_EQ(vecmath::IsaSupported(isa), vecmath::ForceIsa(isa)) << vecmath::IsaName(isa);
    EXPECT_EQ(vecmath::IsaSupported(isa) ? isa : before, vecmath::ActiveIsa());
  }
  vecmath::UseBestIsa();
  EXPECT_EQ(vecmath::BestIsa(), vecmath::ActiveIsa());
  EXPECT_STREQ("Sse2", vecmath::IsaName(vecmath::Isa::kSse2));
  EXPECT_STREQ("Avx2", vecmath::IsaName(vecmath::Isa::kAvx2));
}
