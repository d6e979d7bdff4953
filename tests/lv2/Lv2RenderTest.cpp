// The LV2 plug-ins render exactly what the plug-in object renders when driven directly: through
// lv2apply, and through a liblilv host that sets ports, saves and restores state and applies
// presets.
#include "tests/lv2/Lv2Fixture.h"

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace
{
constexpr int kBlock = 256;

// ---- lv2apply -------------------------------------------------------------------------------

void WriteWav(const std::string& path, const Channels& in, double rate)
{
  SF_INFO info = {};
  info.samplerate = static_cast<int>(rate);
  info.channels = static_cast<int>(in.size());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(nullptr, file) << sf_strerror(nullptr);
  std::vector<float> interleaved;
  for (size_t i = 0; i < in[0].size(); ++i)
    for (const auto& channel : in)
      interleaved.push_back(channel[i]);
  sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(in[0].size()));
  sf_close(file);
}

Channels ReadWav(const std::string& path)
{
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  Channels out(static_cast<size_t>(info.channels));
  for (size_t i = 0; i < interleaved.size(); ++i)
    out[i % out.size()].push_back(interleaved[i]);
  return out;
}

struct ApplyCase
{
  std::string name;
  std::string uri;
  int channels;
  Settings settings;
  double rate;
};

class Lv2Apply : public ::testing::TestWithParam<ApplyCase>
{
};

TEST_P(Lv2Apply, OutputEqualsThePlugInObject)
{
  const ApplyCase& c = GetParam();
  const Channels in = Material(c.channels, static_cast<int>(c.rate * 0.3), c.rate);
  const std::string base = ::testing::TempDir() + "kestrion_lv2apply_" + c.name;
  WriteWav(base + "_in.wav", in, c.rate);
  std::string command = std::string(LV2_TOOL_ENV) + " LV2_PATH=" LV2_BUNDLE_DIR " lv2apply -i " +
                        base + "_in.wav -o " + base + "_out.wav";
  for (int i = 0; i < Kestrion::kNumParams; ++i)
    command += " -c " + PortSymbol(i) + " " + std::to_string(c.settings[static_cast<size_t>(i)]);
  command += " " + c.uri;
  ASSERT_EQ(0, std::system(command.c_str())) << command;
  const Channels out = ReadWav(base + "_out.wav");

  // How lv2apply divides the file into runs is its own matter: on this material the render
  // does not depend on the division (checked with runs of 1 and of 4096 frames).
  EXPECT_TRUE(SameAudio(ReferenceRender(c.settings, c.rate, in, kBlock), out));
  std::remove((base + "_in.wav").c_str());
  std::remove((base + "_out.wav").c_str());
}

std::vector<ApplyCase> ApplyCases()
{
  std::vector<ApplyCase> cases;
  const std::pair<const char*, Settings> settings[] = {{"defaults", DefaultSettings()},
                                                       {"working", WorkingSettings()},
                                                       {"cutting", CuttingSettings()}};
  for (int channels : {1, 2})
    for (double rate : {44100.0, 96000.0})
      for (const auto& [name, values] : settings)
        cases.push_back({(channels == 2 ? "stereo" : "mono") +
                             std::to_string(static_cast<int>(rate) / 1000) + "_" + name,
                         channels == 2 ? kStereoURI : kMonoURI, channels, values, rate});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Settings, Lv2Apply, ::testing::ValuesIn(ApplyCases()),
                         [](const auto& info) { return info.param.name; });

// ---- A liblilv host ---------------------------------------------------------------------------

class Lv2Host : public ::testing::Test
{
protected:
  LilvHost host{{LV2_BUNDLE_DIR "/Kestrion.lv2/"}};
  const double rate = 48000.0;
  const Channels in = Material(2, 6000, 48000.0);
};

// A bad value written to a control port reaches the processor clamped, as a host's
// parameter set would; a NaN leaves the parameter as it was.
TEST_F(Lv2Host, ControlPortsAreClampedAndNaNIsIgnored)
{
  struct Case
  {
    int param;
    float port;    // what the host writes
    double expect; // what the parameter takes
  };
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {Kestrion::kAttack, 1000.0f, 100.0}, {Kestrion::kAttack, -inf, -100.0},
      {Kestrion::kGain, inf, 6.0},         {Kestrion::kSustainLength, -5.0f, 0.0},
      {Kestrion::kAttack, nan, 60.0},      {Kestrion::kSCHPF, nan, 30.0},
  };
  for (const Case& c : cases)
  {
    LilvPluginInstance instance(host, kStereoURI, rate, kBlock);
    ReferencePlug reference(WorkingSettings(), rate);
    SetPorts(instance, WorkingSettings());
    Channels out;
    instance.Render(in, out, kBlock);
    ASSERT_TRUE(SameAudio(reference.Render(in, kBlock), out));

    instance.Control(PortSymbol(c.param)) = c.port;
    instance.Render(in, out, kBlock);
    reference.Set(c.param, c.expect);
    EXPECT_TRUE(SameAudio(reference.Render(in, kBlock), out))
        << "parameter " << c.param << ", port value " << c.port;
    EXPECT_FLOAT_EQ(static_cast<float>(reference.Plug().GetMeter()), instance.Control("meter"));
  }
}

// A run of 0 frames writes no audio and loses nothing: a port change made with it is in force
// for the next run, exactly as if it came with that run.
TEST_F(Lv2Host, RunOfZeroFramesIsHarmless)
{
  LilvPluginInstance instance(host, kMonoURI, rate, kBlock);
  SetPorts(instance, WorkingSettings());
  std::fill_n(instance.Out(0), kBlock, 123.0f);
  instance.Run(0);
  instance.Control(PortSymbol(Kestrion::kAttack)) = -30.0f;
  instance.Run(0);
  instance.Run(0);
  EXPECT_EQ(std::vector<float>(kBlock, 123.0f),
            std::vector<float>(instance.Out(0), instance.Out(0) + kBlock));

  Settings s = WorkingSettings();
  s[Kestrion::kAttack] = -30.0;
  const Channels mono = Material(1, 3000, rate);
  Channels out;
  instance.Render(mono, out, kBlock);
  EXPECT_TRUE(SameAudio(ReferenceRender(s, rate, mono, kBlock), out));
}

// Saved from one instance, restored into a new one (directly and through the state's text), the
// state brings every parameter back: the new instance renders as a fresh object set that way.
TEST_F(Lv2Host, StateSavedAndRestoredInANewInstanceRendersIdentically)
{
  LilvPluginInstance first(host, kStereoURI, rate, kBlock);
  SetPorts(first, CuttingSettings());
  Channels out;
  first.Render(in, out, kBlock);
  LilvState* state = first.Save();
  ASSERT_NE(nullptr, state);
  char* text = lilv_state_to_string(host.World(), host.UridMap(), host.UridUnmap(), state,
                                    "urn:kestrion:test-state", nullptr);
  ASSERT_NE(nullptr, text);
  LilvState* fromText = lilv_state_new_from_string(host.World(), host.UridMap(), text);
  ASSERT_NE(nullptr, fromText);

  const Channels expected = ReferenceRender(CuttingSettings(), rate, in, kBlock);
  for (const LilvState* s :
       {static_cast<const LilvState*>(state), static_cast<const LilvState*>(fromText)})
    for (bool ports : {false, true}) // the state extension alone, then with the port values
    {
      LilvPluginInstance second(host, kStereoURI, rate, kBlock);
      second.Restore(s, ports);
      second.Render(in, out, kBlock);
      EXPECT_TRUE(SameAudio(expected, out)) << (ports ? "with ports" : "state extension only");
    }
  lilv_free(text);
  lilv_state_free(fromText);
  lilv_state_free(state);
}

// Hosts list the bundle's presets by label, and applying one sets the ports to its values.
TEST_F(Lv2Host, PresetsAreListedAndApplied)
{
  const LV2Description& desc = PlugLV2Description();
  for (const std::string& uri : {kStereoURI, kMonoURI})
  {
    const std::map<std::string, std::string> presets = host.Presets(host.Plugin(uri));
    ASSERT_EQ(desc.mPresets.size(), presets.size()) << uri;
    const int channels = uri == kStereoURI ? 2 : 1;
    const Channels material = Material(channels, 4000, rate);
    for (const LV2Preset& preset : desc.mPresets)
    {
      ASSERT_EQ(1u, presets.count(preset.mLabel)) << preset.mLabel;
      EXPECT_EQ(desc.PresetURI(preset), presets.at(preset.mLabel));
      LilvNode* node = lilv_new_uri(host.World(), presets.at(preset.mLabel).c_str());
      LilvState* state = lilv_state_new_from_world(host.World(), host.UridMap(), node);
      lilv_node_free(node);
      ASSERT_NE(nullptr, state) << preset.mLabel;
      LilvPluginInstance instance(host, uri, rate, kBlock);
      instance.Restore(state, true);
      lilv_state_free(state);

      Settings s = DefaultSettings();
      for (const auto& [idx, value] : preset.mValues)
        s[static_cast<size_t>(idx)] = value;
      Channels out;
      instance.Render(material, out, kBlock);
      EXPECT_TRUE(SameAudio(ReferenceRender(s, rate, material, kBlock), out)) << preset.mLabel;
    }
  }
}

// Some hosts pass no features at all: the plug-in runs, and only the state extension, which
// needs urid:map, declines.
TEST_F(Lv2Host, InstantiatesWithoutFeatures)
{
  const LV2_Feature* const none[] = {nullptr};
  LilvPluginInstance instance(host, kStereoURI, 96000.0, kBlock, none);
  SetPorts(instance, WorkingSettings());
  Channels out;
  instance.Render(in, out, kBlock);
  EXPECT_TRUE(SameAudio(ReferenceRender(WorkingSettings(), 96000.0, in, kBlock), out));

  const auto* state = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance.Instance(), LV2_STATE__interface));
  ASSERT_NE(nullptr, state);
  auto store = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t)
  { return LV2_STATE_SUCCESS; };
  EXPECT_EQ(LV2_STATE_ERR_NO_FEATURE,
            state->save(lilv_instance_get_handle(instance.Instance()), store, nullptr, 0, none));
}
} // namespace
