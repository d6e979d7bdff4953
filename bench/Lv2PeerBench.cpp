// Kestrion (stereo LV2) against the Calf Transient Designer, side by side in one liblilv host:
// the same drum material, rendered in blocks of 64, 512 and 4096 frames, at both plug-ins'
// defaults and at a working setting. The two are interleaved (their order swapping every
// round) and repeated; each figure is the median of the rounds. Prints throughput in frames per
// second, the real-time factor at 48 kHz, and Kestrion's throughput over the peer's.
//
//   lv2_bench [rounds] [seconds of material]
#include "plugin/KestrionIdentity.h"
#include "tests/lv2/LilvHost.h"
#include "tests/plugin/TestSignals.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace
{
const char* const kPeerURI = "http://calf.sourceforge.net/plugins/TransientDesigner";
constexpr double kRate = 48000.0;

struct Setup
{
  const char* name;
  std::vector<std::pair<const char*, float>> kestrion, peer;
};

const Setup kSetups[] = {
    {"defaults", {}, {}},
    // Attack +60 %, Sustain -40 %, links 50 %, SC HPF 30 %; the peer's attack and release boosts
    // likewise, with its detection high-pass on.
    {"working",
     {{"attack", 60}, {"sustain", -40}, {"attack_link", 50}, {"sustain_link", 50}, {"sc_hpf", 30}},
     {{"attack_boost", 0.6f}, {"release_boost", -0.4f}, {"hp_mode", 1}}},
};

double Median(std::vector<double> v)
{
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Seconds to render the material once, in blocks.
double Render(LilvPluginInstance& plug, const std::vector<std::vector<float>>& in, int block)
{
  const size_t frames = in[0].size();
  const auto start = std::chrono::steady_clock::now();
  for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block))
  {
    const size_t n = std::min(frames - pos, static_cast<size_t>(block));
    std::copy_n(in[0].data() + pos, n, plug.In(0));
    std::copy_n(in[1].data() + pos, n, plug.In(1));
    plug.Run(static_cast<uint32_t>(n));
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv)
{
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const double seconds = argc > 2 ? std::max(0.1, std::atof(argv[2])) : 10.0;
  LilvHost host({KESTRION_LV2_BUNDLE, PEER_LV2_BUNDLE});
  const StereoSignal drums = MakeDrumLoop(static_cast<int>(kRate * seconds), kRate, 11);
  const std::vector<std::vector<float>> in = {{drums.left.begin(), drums.left.end()},
                                              {drums.right.begin(), drums.right.end()}};
  const double frames = static_cast<double>(in[0].size());

  std::printf("%.0f s of stereo drums at %.0f Hz, median of %d interleaved rounds\n", seconds,
              kRate, rounds);
  std::printf("%-9s %6s  %14s %9s  %14s %9s  %7s\n", "setting", "block", "Kestrion f/s", "x rt",
              "peer f/s", "x rt", "ratio");
  for (const Setup& setup : kSetups)
    for (int block : {64, 512, 4096})
    {
      LilvPluginInstance kestrion(host, KESTRION_LV2_URI ":stereo", kRate, block);
      LilvPluginInstance peer(host, kPeerURI, kRate, block);
      for (const auto& [symbol, value] : setup.kestrion)
        kestrion.Control(symbol) = value;
      for (const auto& [symbol, value] : setup.peer)
        peer.Control(symbol) = value;
      Render(kestrion, in, block); // warm-up: caches, first-run settings
      Render(peer, in, block);
      std::vector<double> tk, tp;
      for (int r = 0; r < rounds; ++r)
      {
        if (r % 2)
        {
          tp.push_back(Render(peer, in, block));
          tk.push_back(Render(kestrion, in, block));
        }
        else
        {
          tk.push_back(Render(kestrion, in, block));
          tp.push_back(Render(peer, in, block));
        }
      }
      const double k = frames / Median(tk);
      const double p = frames / Median(tp);
      std::printf("%-9s %6d  %14.0f %9.0f  %14.0f %9.0f  %6.2fx\n", setup.name, block, k, k / kRate,
                  p, p / kRate, k / p);
    }
  return 0;
}
