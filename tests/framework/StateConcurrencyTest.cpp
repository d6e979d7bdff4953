#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// The editor moves parameters while the host saves and restores state on another thread. Under
// ThreadSanitizer this must be race-free; every saved state has one value per parameter, each
// inside its range.
TEST(StateConcurrency, SaveAndRestoreWhileTheEditorMovesParameters)
{
  KestrionLikeEffect fx(false, 1);
  fx.MakeDefaultPreset("-", 1);
  std::atomic<bool> done{false};

  std::thread editor([&] {
    for (int n = 0; n < 2000; ++n)
      fx.SetParameterFromGUI(n % KestrionLikeEffect::kNumParams, (n % 101) / 100.0);
    done = true;
  });

  int saves = 0;
  while (!done || saves < 10)
  {
    ByteChunk state;
    ASSERT_TRUE(fx.SerializeState(&state));
    ASSERT_EQ(64, state.Size());
    for (int i = 0; i < KestrionLikeEffect::kNumParams; ++i)
    {
      double v;
      state.Get(&v, 8 * i);
      EXPECT_GE(v, fx.GetParam(i)->GetMin());
      EXPECT_LE(v, fx.GetParam(i)->GetMax());
    }
    EXPECT_EQ(64, fx.UnserializeState(&state, 0));
    ++saves;
  }
  editor.join();
}
