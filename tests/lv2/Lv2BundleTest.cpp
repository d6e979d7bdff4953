// The bundle as hosts see it: its Turtle agrees with the parameter table, it exports one symbol,
// and its state extension refuses what it did not write.
#include "framework/ByteChunk.h"
#include "tests/lv2/Lv2Fixture.h"

#include <lv2/units/units.h>

#include <cstdio>
#include <limits>
#include <set>

namespace
{
std::string Output(const std::string& command)
{
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buf[256];
  while (fgets(buf, sizeof buf, pipe))
    output += buf;
  pclose(pipe);
  return output;
}

class Lv2Bundle : public ::testing::Test
{
protected:
  LilvHost host{{LV2_BUNDLE_DIR "/Kestrion.lv2/"}};
  Kestrion plug{IEffectInstanceInfo{}};

  std::string Value(const LilvPlugin* plugin, const LilvPort* port, const char* predicate)
  {
    LilvNode* p = lilv_new_uri(host.World(), predicate);
    LilvNodes* values = lilv_port_get_value(plugin, port, p);
    std::string s = values ? lilv_node_as_string(lilv_nodes_get_first(values)) : "";
    lilv_nodes_free(values);
    lilv_node_free(p);
    return s;
  }
};

TEST_F(Lv2Bundle, PortsVersionAndClassFollowTheParameterTable)
{
  EXPECT_STREQ("LV2", plug.GetAPIString());
  const std::string units[] = {LV2_UNITS__pc, LV2_UNITS__pc, LV2_UNITS__pc, LV2_UNITS__ms,
                               LV2_UNITS__db, LV2_UNITS__pc, LV2_UNITS__pc, LV2_UNITS__ms};
  for (const auto& [uri, channels] : {std::pair{kStereoURI, 2}, std::pair{kMonoURI, 1}})
  {
    const LilvPlugin* plugin = host.Plugin(uri);
    ASSERT_EQ(static_cast<uint32_t>(Kestrion::kNumParams + 2 * channels + 1),
              lilv_plugin_get_num_ports(plugin));
    for (int i = 0; i < Kestrion::kNumParams; ++i)
    {
      const IParam& param = *plug.GetParam(i);
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, static_cast<uint32_t>(i));
      EXPECT_EQ(PortSymbol(i), lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
      LilvNode *def, *min, *max;
      lilv_port_get_range(plugin, port, &def, &min, &max);
      EXPECT_EQ(param.GetDefault(), lilv_node_as_float(def)) << i;
      EXPECT_EQ(param.GetMin(), lilv_node_as_float(min)) << i;
      EXPECT_EQ(param.GetMax(), lilv_node_as_float(max)) << i;
      lilv_node_free(def);
      lilv_node_free(min);
      lilv_node_free(max);
      EXPECT_EQ(units[i], Value(plugin, port, LV2_UNITS__unit)) << i;
      // Continuous: neither integer nor enumeration; only the shaped Gain has scale points.
      EXPECT_EQ("", Value(plugin, port, LV2_CORE__portProperty)) << i;
      LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
      EXPECT_EQ(i == Kestrion::kGain ? 5u : 0u, points ? lilv_scale_points_size(points) : 0u);
      lilv_scale_points_free(points);
    }
    const LilvPort* meter = lilv_plugin_get_port_by_index(
        plugin, static_cast<uint32_t>(Kestrion::kNumParams + 2 * channels));
    EXPECT_STREQ("meter", lilv_node_as_string(lilv_port_get_symbol(plugin, meter)));

    LilvNode* minor = lilv_new_uri(host.World(), LV2_CORE__minorVersion);
    LilvNode* micro = lilv_new_uri(host.World(), LV2_CORE__microVersion);
    LilvNodes* minors = lilv_plugin_get_value(plugin, minor);
    LilvNodes* micros = lilv_plugin_get_value(plugin, micro);
    ASSERT_TRUE(minors && micros);
    EXPECT_EQ(KESTRION_VERSION_MINOR, lilv_node_as_int(lilv_nodes_get_first(minors)));
    EXPECT_EQ(KESTRION_VERSION_PATCH, lilv_node_as_int(lilv_nodes_get_first(micros)));
    lilv_nodes_free(minors);
    lilv_nodes_free(micros);
    lilv_node_free(minor);
    lilv_node_free(micro);

    LilvNode* rt = lilv_new_uri(host.World(), LV2_CORE__hardRTCapable);
    LilvNodes* optional = lilv_plugin_get_optional_features(plugin);
    EXPECT_TRUE(lilv_nodes_contains(optional, rt));
    lilv_nodes_free(optional);
    lilv_node_free(rt);
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(0u, required ? lilv_nodes_size(required) : 0u);
    lilv_nodes_free(required);
  }
}

TEST_F(Lv2Bundle, SharedObjectExportsOnlyTheDescriptor)
{
  const std::string so = LV2_BUNDLE_DIR "/Kestrion.lv2/Kestrion.so";
  EXPECT_EQ("lv2_descriptor\n",
            Output("nm -D --defined-only --format=just-symbols " + so + " 2>&1"));
  // No trace of the Audio Unit side: the platform library is not needed.
  EXPECT_EQ(std::string::npos, Output("ldd " + so).find("kestrion_platform"));
}

// ---- State --------------------------------------------------------------------------------

// A state the host hands back: one property under some key, with some type.
struct StoredState
{
  LV2_URID key = 0;
  LV2_URID type = 0;
  std::vector<uint8_t> bytes;

  static const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                              uint32_t* flags)
  {
    const auto* s = static_cast<const StoredState*>(handle);
    if (key != s->key) return nullptr;
    *size = s->bytes.size();
    *type = s->type;
    *flags = LV2_STATE_IS_POD;
    return s->bytes.data();
  }
};

struct CorruptCase
{
  const char* name;
  void (*spoil)(StoredState& state, LilvHost& host);
};

// The state a working-setting instance saves, with Attack as 10.
StoredState ValidState(LilvHost& host)
{
  const LV2Description& desc = PlugLV2Description();
  StoredState s;
  s.key = host.MapUri(desc.StateKeyURI().c_str());
  s.type = host.MapUri(desc.StateTypeURI().c_str());
  ByteChunk chunk;
  IEffectBase::InitChunkWithFrameworkVer(&chunk);
  Settings values = WorkingSettings();
  values[Kestrion::kAttack] = 10.0;
  for (double v : values)
    chunk.Put(&v);
  s.bytes.assign(chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
  return s;
}

void SetDouble(StoredState& s, int param, double value)
{
  std::memcpy(s.bytes.data() + 8 + 8 * param, &value, sizeof value);
}

class Lv2StateRefused : public ::testing::TestWithParam<CorruptCase>
{
};

TEST_P(Lv2StateRefused, AndNothingChanges)
{
  LilvHost host({LV2_BUNDLE_DIR "/Kestrion.lv2/"});
  const double rate = 44100.0;
  const Channels in = Material(2, 3000, rate);
  LilvPluginInstance instance(host, kStereoURI, rate, 512);
  SetPorts(instance, WorkingSettings());
  Channels out;
  instance.Render(in, out, 512);
  const auto* iface = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance.Instance(), LV2_STATE__interface));
  LV2_Handle handle = lilv_instance_get_handle(instance.Instance());

  StoredState state = ValidState(host);
  GetParam().spoil(state, host);
  EXPECT_NE(LV2_STATE_SUCCESS,
            iface->restore(handle, StoredState::Retrieve, &state, 0, host.Features()));
  ReferencePlug reference(WorkingSettings(), rate);
  reference.Render(in, 512);
  instance.Render(in, out, 512);
  EXPECT_TRUE(SameAudio(reference.Render(in, 512), out));

  // The same instance takes the unspoilt state.
  StoredState valid = ValidState(host);
  EXPECT_EQ(LV2_STATE_SUCCESS,
            iface->restore(handle, StoredState::Retrieve, &valid, 0, host.Features()));
  reference.Set(Kestrion::kAttack, 10.0);
  instance.Render(in, out, 512);
  EXPECT_TRUE(SameAudio(reference.Render(in, 512), out));
}

const CorruptCase kCorrupt[] = {
    {"ForeignType", [](StoredState& s, LilvHost& h) { s.type = h.MapUri("urn:other:chunk"); }},
    {"MissingKey", [](StoredState& s, LilvHost& h) { s.key = h.MapUri("urn:other:state"); }},
    {"NoVersionPrefix",
     [](StoredState& s, LilvHost&) { s.bytes.erase(s.bytes.begin(), s.bytes.begin() + 8); }},
    {"OtherVersion", [](StoredState& s, LilvHost&) { s.bytes[6] = 2; }},
    {"OneByteShort", [](StoredState& s, LilvHost&) { s.bytes.pop_back(); }},
    {"OneValueLong", [](StoredState& s, LilvHost&) { s.bytes.resize(s.bytes.size() + 8); }},
    {"Empty", [](StoredState& s, LilvHost&) { s.bytes.clear(); }},
    {"NotANumber", [](StoredState& s, LilvHost&)
     { SetDouble(s, Kestrion::kGain, std::numeric_limits<double>::quiet_NaN()); }},
};

INSTANTIATE_TEST_SUITE_P(Corrupt, Lv2StateRefused, ::testing::ValuesIn(kCorrupt),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
