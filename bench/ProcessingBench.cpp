// Cost per frame of the transient processor at 48 kHz, stereo unless named otherwise:
//   Default/<isa>        every parameter at its default, blocks of 512
//   Shaping/<isa>/<n>    Attack +60 %, Sustain -40 %, both links 50 %, SC HPF 30 %, blocks of n
//   AfterSilence/<isa>   the shaping settings after 60 s of digital silence (subnormal guard)
//   Mono/<isa>           the shaping settings with only the first output connected
//   Reference            the plain per-sample oracle (libm's pow) on the shaping settings
// <isa> is the instruction set the gain stage's exp10 is forced to; levels this CPU lacks are
// left out. Each prints ns per frame and the real-time factor. Unless told otherwise, every
// case runs 9 times in random interleaved order (so that a slow spell of a shared machine
// spreads over all of them) and the mean, median, minimum and spread are reported.

#include "plugin/Exp10.h"
#include "plugin/Kestrion.h"
#include "tests/plugin/ReferenceShaper.h"
#include "tests/plugin/TestSignals.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kSourceFrames = 512 * 64;

ReferenceShaper::Settings Shaping()
{
  ReferenceShaper::Settings s;
  s.attack = 60, s.sustain = -40, s.attackLink = 50, s.sustainLink = 50, s.scHpf = 30;
  return s;
}

std::unique_ptr<Kestrion> MakePlug(const ReferenceShaper::Settings& s, bool mono = false)
{
  auto plug = std::make_unique<Kestrion>(IEffectInstanceInfo{});
  plug->SetSampleRate(kRate);
  const double v[] = {s.attack, s.sustain, s.attackLink,  s.attackLength,
                      s.gain,   s.scHpf,   s.sustainLink, s.sustainLength};
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    plug->GetParam(i)->Set(v[i]);
  plug->OnParamReset();
  if (mono)
  {
    plug->SetOutputChannelConnections(0, 1, true);
    plug->SetOutputChannelConnections(1, 1, false);
  }
  return plug;
}

const StereoSignal& DrumLoop()
{
  static const StereoSignal loop = MakeDrumLoop(kSourceFrames, kRate);
  return loop;
}

void Report(benchmark::State& state, int block)
{
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["ns/frame"] =
      benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["x realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

// Blocks of the looping source through process(inL, inR, outL, outR, n); the source block is
// copied in each time because the processor writes its results back into its input.
template <typename Process>
void RunBlocks(benchmark::State& state, const StereoSignal& src, int block, Process&& process)
{
  std::vector<double> l(block), r(block), ol(block), orr(block);
  const size_t blocks = src.left.size() / block;
  size_t b = 0;
  for (auto _ : state)
  {
    const size_t off = (b++ % blocks) * block;
    std::copy_n(src.left.begin() + off, block, l.begin());
    std::copy_n(src.right.begin() + off, block, r.begin());
    process(l.data(), r.data(), ol.data(), orr.data(), block);
    benchmark::DoNotOptimize(ol.data());
    benchmark::DoNotOptimize(orr.data());
  }
  Report(state, block);
}

void RunPlug(benchmark::State& state, Kestrion& plug, const StereoSignal& src, int block)
{
  RunBlocks(state, src, block,
            [&plug](double* l, double* r, double* ol, double* orr, int n)
            {
              double* ins[] = {l, r};
              double* outs[] = {ol, orr};
              plug.ProcessDoubleReplacing(ins, outs, n);
            });
}

void Default(benchmark::State& state, vecmath::Isa isa)
{
  vecmath::ForceIsa(isa);
  auto plug = MakePlug(ReferenceShaper::Settings());
  RunPlug(state, *plug, DrumLoop(), 512);
}

void ShapingBlocks(benchmark::State& state, vecmath::Isa isa, int block)
{
  vecmath::ForceIsa(isa);
  auto plug = MakePlug(Shaping());
  RunPlug(state, *plug, DrumLoop(), block);
}

void AfterSilence(benchmark::State& state, vecmath::Isa isa)
{
  vecmath::ForceIsa(isa);
  auto plug = MakePlug(Shaping());
  const StereoSignal silence{std::vector<double>(kSourceFrames, 0.0),
                             std::vector<double>(kSourceFrames, 0.0)};
  // Some music, then 60 s of digital silence before the timing starts.
  std::vector<double> l(512), r(512), ol(512), orr(512);
  double* ins[] = {l.data(), r.data()};
  double* outs[] = {ol.data(), orr.data()};
  for (int b = 0; b < kSourceFrames / 512 + static_cast<int>(60 * kRate / 512); ++b)
  {
    const bool music = b < kSourceFrames / 512;
    for (int i = 0; i < 512; ++i)
    {
      l[i] = music ? DrumLoop().left[b * 512 + i] : 0.0;
      r[i] = music ? DrumLoop().right[b * 512 + i] : 0.0;
    }
    plug->ProcessDoubleReplacing(ins, outs, 512);
  }
  RunPlug(state, *plug, silence, 512);
}

void Mono(benchmark::State& state, vecmath::Isa isa)
{
  vecmath::ForceIsa(isa);
  auto plug = MakePlug(Shaping(), true);
  // The unconnected second input reads silence.
  const StereoSignal mono{DrumLoop().left, std::vector<double>(kSourceFrames, 0.0)};
  RunPlug(state, *plug, mono, 512);
}

void Reference(benchmark::State& state)
{
  ReferenceShaper ref(Shaping(), kRate);
  RunBlocks(state, DrumLoop(), 512,
            [&ref](double* l, double* r, double* ol, double* orr, int n)
            { ref.Process(l, r, ol, orr, n); });
}

double Min(const std::vector<double>& v)
{
  return *std::min_element(v.begin(), v.end());
}

void Register()
{
  auto add = [](const std::string& name, auto fn)
  { benchmark::RegisterBenchmark(name.c_str(), fn)->ComputeStatistics("min", Min); };
  for (vecmath::Isa isa : vecmath::kAllIsas)
  {
    if (!vecmath::IsaSupported(isa)) continue;
    const std::string level = vecmath::IsaName(isa);
    add("Default/" + level, [isa](benchmark::State& s) { Default(s, isa); });
    for (int block : {1, 16, 64, 512, 4096})
      add("Shaping/" + level + "/" + std::to_string(block),
          [isa, block](benchmark::State& s) { ShapingBlocks(s, isa, block); });
    add("AfterSilence/" + level, [isa](benchmark::State& s) { AfterSilence(s, isa); });
    add("Mono/" + level, [isa](benchmark::State& s) { Mono(s, isa); });
  }
  add("Reference", Reference);
}
} // namespace

int main(int argc, char** argv)
{
  // Defaults that the command line may override: repetitions in random interleaved order,
  // and only their statistics printed.
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=9";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
  int n = static_cast<int>(args.size());
  Register();
  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vecmath::UseBestIsa();
  return 0;
}
