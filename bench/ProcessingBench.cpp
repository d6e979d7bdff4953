// Cost per frame of the transient processor: stereo, blocks of 512 frames.
//   default      every parameter at its default
//   shaping      Attack +60 %, Sustain -40 %, both links 50 %, SC HPF 30 %
//   silence      the shaping settings, after 60 s of digital silence (subnormal guard)
//   reference    the plain per-sample oracle on the shaping settings, for comparison
// Each prints ns per frame and the real-time factor at 48 kHz.

#include "plugin/Kestrion.h"
#include "tests/plugin/ReferenceShaper.h"
#include "tests/plugin/TestSignals.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kBlock = 512;
constexpr double kRate = 48000.0;

ReferenceShaper::Settings Shaping()
{
  ReferenceShaper::Settings s;
  s.attack = 60, s.sustain = -40, s.attackLink = 50, s.sustainLink = 50, s.scHpf = 30;
  return s;
}

std::unique_ptr<Kestrion> MakePlug(const ReferenceShaper::Settings& s)
{
  auto plug = std::make_unique<Kestrion>(IEffectInstanceInfo{});
  plug->SetSampleRate(kRate);
  const double v[] = {s.attack, s.sustain, s.attackLink, s.attackLength,
                      s.gain,   s.scHpf,   s.sustainLink, s.sustainLength};
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    plug->GetParam(i)->Set(v[i]);
  plug->OnParamReset();
  return plug;
}

void Report(benchmark::State& state)
{
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.counters["ns/frame"] = benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate |
                                                                   benchmark::Counter::kInvert);
  state.counters["x realtime@48k"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

// Runs the processor over a looping source; the source block is copied in each time because
// the processor writes its results back into its input.
void RunPlug(benchmark::State& state, Kestrion& plug, const StereoSignal& src)
{
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  double* ins[] = {l.data(), r.data()};
  double* outs[] = {ol.data(), orr.data()};
  const size_t blocks = src.left.size() / kBlock;
  size_t b = 0;
  for (auto _ : state)
  {
    const size_t off = (b++ % blocks) * kBlock;
    std::copy_n(src.left.begin() + off, kBlock, l.begin());
    std::copy_n(src.right.begin() + off, kBlock, r.begin());
    plug.ProcessDoubleReplacing(ins, outs, kBlock);
    benchmark::DoNotOptimize(ol.data());
    benchmark::DoNotOptimize(orr.data());
  }
  Report(state);
}

void BM_Default(benchmark::State& state)
{
  auto plug = MakePlug(ReferenceShaper::Settings());
  RunPlug(state, *plug, MakeDrumLoop(kBlock * 64, kRate));
}

void BM_Shaping(benchmark::State& state)
{
  auto plug = MakePlug(Shaping());
  RunPlug(state, *plug, MakeDrumLoop(kBlock * 64, kRate));
}

void BM_ShapingAfterSilence(benchmark::State& state)
{
  auto plug = MakePlug(Shaping());
  StereoSignal music = MakeDrumLoop(kBlock * 64, kRate);
  StereoSignal silence{std::vector<double>(kBlock * 64, 0.0), std::vector<double>(kBlock * 64, 0.0)};
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  double* ins[] = {l.data(), r.data()};
  double* outs[] = {ol.data(), orr.data()};
  // Some music, then 60 s of digital silence before the timing starts.
  for (size_t off = 0; off < music.left.size(); off += kBlock)
  {
    std::copy_n(music.left.begin() + off, kBlock, l.begin());
    std::copy_n(music.right.begin() + off, kBlock, r.begin());
    plug->ProcessDoubleReplacing(ins, outs, kBlock);
  }
  for (int b = 0; b < static_cast<int>(60 * kRate / kBlock); ++b)
  {
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
    plug->ProcessDoubleReplacing(ins, outs, kBlock);
  }
  RunPlug(state, *plug, silence);
}

void BM_ReferenceShaping(benchmark::State& state)
{
  ReferenceShaper ref(Shaping(), kRate);
  StereoSignal src = MakeDrumLoop(kBlock * 64, kRate);
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  const size_t blocks = src.left.size() / kBlock;
  size_t b = 0;
  for (auto _ : state)
  {
    const size_t off = (b++ % blocks) * kBlock;
    std::copy_n(src.left.begin() + off, kBlock, l.begin());
    std::copy_n(src.right.begin() + off, kBlock, r.begin());
    ref.Process(l.data(), r.data(), ol.data(), orr.data(), kBlock);
    benchmark::DoNotOptimize(ol.data());
  }
  Report(state);
}

void BM_ReferenceAfterSilence(benchmark::State& state)
{
  ReferenceShaper ref(Shaping(), kRate);
  StereoSignal music = MakeDrumLoop(kBlock * 64, kRate);
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  for (size_t off = 0; off < music.left.size(); off += kBlock)
    ref.Process(&music.left[off], &music.right[off], ol.data(), orr.data(), kBlock);
  for (int b = 0; b < static_cast<int>(60 * kRate / kBlock); ++b)
  {
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
    ref.Process(l.data(), r.data(), ol.data(), orr.data(), kBlock);
  }
  for (auto _ : state)
  {
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
    ref.Process(l.data(), r.data(), ol.data(), orr.data(), kBlock);
    benchmark::DoNotOptimize(ol.data());
  }
  Report(state);
}
} // namespace

BENCHMARK(BM_Default);
BENCHMARK(BM_Shaping);
BENCHMARK(BM_ShapingAfterSilence);
BENCHMARK(BM_ReferenceShaping);
BENCHMARK(BM_ReferenceAfterSilence);
BENCHMARK_MAIN();
