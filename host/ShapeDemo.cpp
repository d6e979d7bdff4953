// Shapes the built-in drum groove through the Kestrion plug-in object on the host-neutral
// path (construct, set parameters, attach buffers, process) and writes the input and the
// shaped results as WAV files.
//
//   kestrion-demo [output folder]

#include "host/DemoMaterial.h"
#include "plugin/Kestrion.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
constexpr int kBlock = 512;

struct Setting
{
  const char* file;
  const char* description;
  double values[Kestrion::kNumParams]; // real values, in parameter order
};

// Attack, Sustain, Attack Link, Attack Length, Gain, SC HPF, Sustain Link, Sustain Length.
const Setting kSettings[] = {
  {"shaped-punch.wav", "Attack +60 %, Sustain -40 %, links 50 %, SC HPF 30 %",
   {60, -40, 50, 5, 0, 30, 50, 500}},
  {"shaped-room.wav", "Attack -60 %, Sustain +70 %, Sustain Length 750 ms",
   {-60, 70, 0, 5, -3, 0, 0, 750}},
};

bool WriteWav(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, double sampleRate)
{
  SF_INFO info = {};
  info.samplerate = static_cast<int>(sampleRate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    std::fprintf(stderr, "kestrion-demo: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  std::vector<float> interleaved(left.size() * 2);
  for (size_t i = 0; i < left.size(); ++i)
  {
    interleaved[2 * i] = left[i];
    interleaved[2 * i + 1] = right[i];
  }
  const sf_count_t frames = static_cast<sf_count_t>(left.size());
  const bool ok = sf_writef_float(file, interleaved.data(), frames) == frames;
  sf_close(file);
  return ok;
}

// Peak over RMS in dB: transient shaping shows up as a change of this figure.
double CrestFactorDb(const std::vector<float>& x)
{
  double peak = 0, sum = 0;
  for (float s : x)
  {
    peak = std::max(peak, static_cast<double>(std::fabs(s)));
    sum += static_cast<double>(s) * s;
  }
  const double rms = std::sqrt(sum / std::max<size_t>(x.size(), 1));
  return rms > 0 ? 20 * std::log10(peak / rms) : 0;
}

// Runs the material through a new plug-in object in blocks, as a host would.
void Shape(const DemoMaterial& in, const Setting& setting, std::vector<float>& outL,
           std::vector<float>& outR)
{
  std::unique_ptr<IEffectAU> plug(MakePlug());
  plug->SetSampleRate(in.sampleRate);
  plug->SetBlockSize(kBlock);
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    plug->GetParam(i)->Set(setting.values[i]);
  plug->OnParamReset(); // what the host's initialisation does
  plug->SetInputChannelConnections(0, 2, true);
  plug->SetOutputChannelConnections(0, 2, true);

  outL.assign(in.left.size(), 0.0f);
  outR.assign(in.right.size(), 0.0f);
  for (size_t pos = 0; pos < in.left.size(); pos += kBlock)
  {
    const int n = static_cast<int>(std::min<size_t>(kBlock, in.left.size() - pos));
    float* ins[] = {const_cast<float*>(&in.left[pos]), const_cast<float*>(&in.right[pos])};
    float* outs[] = {&outL[pos], &outR[pos]};
    plug->AttachInputBuffers(0, 2, ins, n);
    plug->AttachOutputBuffers(0, 2, outs);
    plug->ProcessBuffers(0.0f, n);
  }
}
} // namespace

int main(int argc, char** argv)
{
  const std::string folder = argc > 1 ? argv[1] : "demo-output";
  mkdir(folder.c_str(), 0755);

  const DemoMaterial groove = MakeDrumGroove(48000.0, 96.0, 4);
  const std::string inputPath = folder + "/input.wav";
  if (!WriteWav(inputPath, groove.left, groove.right, groove.sampleRate))
    return 1;
  std::printf("Kestrion demo: %.1f s of drums at %.0f Hz\n",
              groove.left.size() / groove.sampleRate, groove.sampleRate);
  std::printf("  input                 %s  (crest factor %.1f dB)\n", inputPath.c_str(),
              CrestFactorDb(groove.left));

  for (const Setting& setting : kSettings)
  {
    std::vector<float> l, r;
    Shape(groove, setting, l, r);
    const std::string path = folder + "/" + setting.file;
    if (!WriteWav(path, l, r, groove.sampleRate))
      return 1;
    std::printf("  %-21s %s  (crest factor %.1f dB)\n    %s\n", setting.file, path.c_str(),
                CrestFactorDb(l), setting.description);
  }
  return 0;
}
