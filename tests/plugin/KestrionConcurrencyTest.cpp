#include "graphics/IBitmapTextControl.h"
#include "graphics/IGraphics.h"
#include "plugin/Kestrion.h"
#include "tests/plugin/TestSignals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// The render thread processes without a lock while an automation thread changes all eight
// parameters and the editor's clip light reads the meter and clears the peaks. Run under
// ThreadSanitizer by `make check`.
TEST(KestrionConcurrency, RenderWhileAutomatingEveryParameter)
{
  std::unique_ptr<IEffectAU> plug(MakePlug());
  plug->OnParamReset();
  auto* k = static_cast<Kestrion*>(plug.get());

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread render(
      [&]
      {
        StereoSignal src = MakeDrumLoop(512 * 16);
        std::vector<double> l(512), r(512), ol(512), orr(512);
        double* ins[] = {l.data(), r.data()};
        double* outs[] = {ol.data(), orr.data()};
        for (long b = 0; !stop.load(); ++b)
        {
          const size_t off = static_cast<size_t>(b % 16) * 512;
          std::copy(src.left.begin() + off, src.left.begin() + off + 512, l.begin());
          std::copy(src.right.begin() + off, src.right.begin() + off + 512, r.begin());
          k->ProcessDoubleReplacing(ins, outs, 512);
          for (int i = 0; i < 512; ++i)
            ASSERT_TRUE(std::isfinite(ol[i]) && std::isfinite(orr[i]));
          blocks.fetch_add(1);
        }
      });
  std::thread automation(
      [&]
      {
        for (long step = 0; !stop.load(); ++step)
        {
          const int idx = static_cast<int>(step % Kestrion::kNumParams);
          const double n = static_cast<double>((step * 37) % 101) / 100.0;
          std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
          plug->GetParam(idx)->SetNormalized(n);
          plug->OnParamChange(idx);
        }
      });
  std::thread clipLight(
      [&]
      {
        double sum = 0;
        while (!stop.load())
        {
          sum += k->GetMeter();
          k->ResetPeaks();
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(std::isfinite(sum));
      });

  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  stop.store(true);
  render.join();
  automation.join();
  clipLight.join();
  EXPECT_GT(blocks.load(), 10);
}

// Instances are created one at a time under the process-wide creation lock.
TEST(KestrionConcurrency, MakePlugFromSeveralThreads)
{
  std::vector<std::unique_ptr<IEffectAU>> plugs(4);
  std::vector<std::thread> threads;
  for (auto& p : plugs)
    threads.emplace_back([&p] { p.reset(MakePlug()); });
  for (auto& t : threads)
    t.join();
  std::set<IEffectAU*> distinct;
  for (auto& p : plugs)
  {
    ASSERT_NE(nullptr, p);
    EXPECT_EQ("com.Wexa.audiounit.Kestrion", p->BundleID());
    EXPECT_EQ("Kestrion_View", p->ViewFactoryClass());
    distinct.insert(p.get());
  }
  EXPECT_EQ(4u, distinct.size());
}

// The automation thread moves "Attack" and "Sustain" (under the plug-in's mutex, as a host's
// parameter write does) while the editor thread polls and draws the editor, clip light
// included, as its timer does. Afterwards each readout shows its last text, drawn.
TEST(KestrionConcurrency, ReadoutsFollowAutomationWhileTheEditorDraws)
{
  std::unique_ptr<IEffectAU> plug(MakePlug());
  IGraphics* editor = plug->GetGUI();
  if (!editor) GTEST_SKIP() << "built without the editor";
  plug->OnParamReset();
  auto* attack = dynamic_cast<IBitmapTextControl*>(editor->GetControl(10));
  auto* sustain = dynamic_cast<IBitmapTextControl*>(editor->GetControl(11));
  ASSERT_TRUE(attack && sustain);

  std::atomic<bool> done{false};
  std::thread automation(
      [&]
      {
        for (int i = 0; i <= 3000; ++i)
        {
          std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
          const int idx = i % 2 ? Kestrion::kSustain : Kestrion::kAttack;
          plug->GetParam(idx)->Set(double(i % 201 - 100));
          plug->OnParamChange(idx);
        }
        done = true;
      });
  auto tick = [editor]
  {
    IRECT r;
    if (editor->IsDirty(&r)) editor->Draw(&r);
  };
  for (int polls = 0; !done || polls == 0; ++polls)
    tick();
  automation.join();
  tick();

  // The last values: 3000 % 201 - 100 = 86 for Attack, 2999 % 201 - 100 = 85 for Sustain.
  EXPECT_EQ(attack->GetTextString(), "86.0 %");
  EXPECT_EQ(sustain->GetTextString(), "85.0 %");
  EXPECT_FALSE(attack->IsDirty());
  EXPECT_FALSE(sustain->IsDirty());
}
