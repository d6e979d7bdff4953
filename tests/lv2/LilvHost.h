#pragma once
// A small LV2 host on liblilv for the tests and the benchmark: a world with urid:map, and
// instances whose every port is connected (controls to values, audio to block buffers, atom
// ports to empty sequences), run block by block.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class LilvHost
{
public:
  // Loads the bundles at these directories (each ending in '/'), or every bundle on LV2_PATH
  // when the list is empty.
  explicit LilvHost(const std::vector<std::string>& bundles = {}) : mWorld(lilv_world_new())
  {
    mMap = {this, &LilvHost::Map};
    mUnmap = {this, &LilvHost::Unmap};
    mMapFeature = {LV2_URID__map, &mMap};
    mUnmapFeature = {LV2_URID__unmap, &mUnmap};
    mFeatures = {&mMapFeature, &mUnmapFeature, nullptr};
    if (bundles.empty()) lilv_world_load_all(mWorld);
    for (const std::string& dir : bundles)
    {
      LilvNode* uri = lilv_new_file_uri(mWorld, nullptr, dir.c_str());
      lilv_world_load_bundle(mWorld, uri);
      lilv_node_free(uri);
    }
  }
  ~LilvHost() { lilv_world_free(mWorld); }
  LilvHost(const LilvHost&) = delete;
  LilvHost& operator=(const LilvHost&) = delete;

  LilvWorld* World() const { return mWorld; }
  const LV2_Feature* const* Features() const { return mFeatures.data(); }
  LV2_URID_Map* UridMap() { return &mMap; }
  LV2_URID_Unmap* UridUnmap() { return &mUnmap; }
  LV2_URID MapUri(const char* uri) { return Map(this, uri); }

  const LilvPlugin* Plugin(const std::string& uri) const
  {
    LilvNode* node = lilv_new_uri(mWorld, uri.c_str());
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), node);
    lilv_node_free(node);
    if (!plugin) throw std::runtime_error("no plug-in " + uri);
    return plugin;
  }

  // The presets of a plug-in: label and URI, loaded so that they can be restored.
  std::map<std::string, std::string> Presets(const LilvPlugin* plugin)
  {
    std::map<std::string, std::string> presets;
    LilvNode* presetClass = lilv_new_uri(mWorld, LV2_PRESETS__Preset);
    LilvNode* label = lilv_new_uri(mWorld, LILV_NS_RDFS "label");
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
    LILV_FOREACH(nodes, i, related)
    {
      const LilvNode* preset = lilv_nodes_get(related, i);
      lilv_world_load_resource(mWorld, preset);
      LilvNodes* labels = lilv_world_find_nodes(mWorld, preset, label, nullptr);
      if (labels)
        presets[lilv_node_as_string(lilv_nodes_get_first(labels))] = lilv_node_as_uri(preset);
      lilv_nodes_free(labels);
    }
    lilv_nodes_free(related);
    lilv_node_free(label);
    lilv_node_free(presetClass);
    return presets;
  }

private:
  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri)
  {
    auto* self = static_cast<LilvHost*>(handle);
    auto found = self->mUrids.find(uri);
    if (found != self->mUrids.end()) return found->second;
    self->mUris.push_back(uri);
    return self->mUrids[uri] = static_cast<LV2_URID>(self->mUris.size());
  }
  static const char* Unmap(LV2_URID_Unmap_Handle handle, LV2_URID urid)
  {
    auto* self = static_cast<LilvHost*>(handle);
    return urid >= 1 && urid <= self->mUris.size() ? self->mUris[urid - 1].c_str() : nullptr;
  }

  LilvWorld* mWorld;
  std::map<std::string, LV2_URID> mUrids;
  std::vector<std::string> mUris; // URID n is mUris[n - 1]
  LV2_URID_Map mMap;
  LV2_URID_Unmap mUnmap;
  LV2_Feature mMapFeature, mUnmapFeature;
  std::vector<const LV2_Feature*> mFeatures;
};

class LilvPluginInstance
{
public:
  // features null: the host's own (urid:map and unmap); pass an empty list for none at all.
  LilvPluginInstance(LilvHost& host, const std::string& uri, double sampleRate, int maxBlock,
                     const LV2_Feature* const* features = nullptr)
      : mHost(host), mPlugin(host.Plugin(uri))
  {
    mInstance = lilv_plugin_instantiate(mPlugin, sampleRate, features ? features : host.Features());
    if (!mInstance) throw std::runtime_error("cannot instantiate " + uri);
    LilvWorld* world = host.World();
    LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
    LilvNode* control = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
    LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
    LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
    const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
    mControls.assign(n, 0.0f);
    std::vector<float> defaults(n, NAN);
    lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
    mAtoms.resize(n);
    for (uint32_t i = 0; i < n; ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
      const bool in = lilv_port_is_a(mPlugin, port, input);
      mSymbols[lilv_node_as_string(lilv_port_get_symbol(mPlugin, port))] = i;
      if (lilv_port_is_a(mPlugin, port, audio))
        (in ? mAudioIn : mAudioOut).push_back(i);
      else if (lilv_port_is_a(mPlugin, port, atom))
      {
        // An empty sequence in; room for events out.
        std::vector<uint8_t>& buf = mAtoms[i];
        buf.assign(8192, 0);
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buf.data());
        seq->atom.size = in ? sizeof(LV2_Atom_Sequence_Body)
                            : static_cast<uint32_t>(buf.size() - sizeof(LV2_Atom));
        seq->atom.type = host.MapUri(in ? LV2_ATOM__Sequence : LV2_ATOM__Chunk);
        lilv_instance_connect_port(mInstance, i, buf.data());
      }
      else
      {
        mControls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
        lilv_instance_connect_port(mInstance, i, &mControls[i]);
      }
    }
    // Audio buffers: the inputs', then the outputs'.
    mAudio.assign(mAudioIn.size() + mAudioOut.size(),
                  std::vector<float>(static_cast<size_t>(maxBlock)));
    size_t a = 0;
    for (uint32_t i : mAudioIn)
      lilv_instance_connect_port(mInstance, i, mAudio[a++].data());
    for (uint32_t i : mAudioOut)
      lilv_instance_connect_port(mInstance, i, mAudio[a++].data());
    lilv_node_free(input);
    lilv_node_free(atom);
    lilv_node_free(control);
    lilv_node_free(audio);
    lilv_instance_activate(mInstance);
  }

  ~LilvPluginInstance()
  {
    lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
  }
  LilvPluginInstance(const LilvPluginInstance&) = delete;
  LilvPluginInstance& operator=(const LilvPluginInstance&) = delete;

  float& Control(const std::string& symbol) { return mControls.at(mSymbols.at(symbol)); }
  int NAudioIn() const { return static_cast<int>(mAudioIn.size()); }
  int NAudioOut() const { return static_cast<int>(mAudioOut.size()); }
  float* In(int c) { return mAudio[static_cast<size_t>(c)].data(); }
  float* Out(int c) { return mAudio[mAudioIn.size() + static_cast<size_t>(c)].data(); }
  void Run(uint32_t nFrames) { lilv_instance_run(mInstance, nFrames); }
  LilvInstance* Instance() const { return mInstance; }
  const LilvPlugin* Plugin() const { return mPlugin; }

  // Processes in[c] into out[c] (one vector per channel) in blocks of blockSize.
  void Render(const std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
              int blockSize)
  {
    const size_t frames = in.at(0).size();
    out.assign(static_cast<size_t>(NAudioOut()), std::vector<float>(frames));
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize))
    {
      const size_t n = std::min(frames - start, static_cast<size_t>(blockSize));
      for (int c = 0; c < NAudioIn(); ++c)
        std::copy_n(in[static_cast<size_t>(c)].begin() + static_cast<long>(start), n, In(c));
      Run(static_cast<uint32_t>(n));
      for (int c = 0; c < NAudioOut(); ++c)
        std::copy_n(Out(c), n, out[static_cast<size_t>(c)].begin() + static_cast<long>(start));
    }
  }

  // The instance's state: port values and what the state extension saves.
  LilvState* Save()
  {
    return lilv_state_new_from_instance(mPlugin, mInstance, mHost.UridMap(), nullptr, nullptr,
                                        nullptr, nullptr, &LilvPluginInstance::PortValue, this,
                                        LV2_STATE_IS_POD, nullptr);
  }
  // Restores a state; with ports false only through the state extension, leaving the control
  // ports as they are.
  void Restore(const LilvState* state, bool ports)
  {
    lilv_state_restore(state, mInstance, ports ? &LilvPluginInstance::SetPortValue : nullptr, this,
                       0, nullptr);
  }

private:
  static const void* PortValue(const char* symbol, void* self, uint32_t* size, uint32_t* type)
  {
    auto* me = static_cast<LilvPluginInstance*>(self);
    *size = sizeof(float);
    *type = me->mHost.MapUri(LV2_ATOM__Float);
    return &me->Control(symbol);
  }
  static void SetPortValue(const char* symbol, void* self, const void* value, uint32_t size,
                           uint32_t type)
  {
    auto* me = static_cast<LilvPluginInstance*>(self);
    if (size == sizeof(float) && type == me->mHost.MapUri(LV2_ATOM__Float))
      me->Control(symbol) = *static_cast<const float*>(value);
    else if (size == sizeof(double) && type == me->mHost.MapUri(LV2_ATOM__Double))
      me->Control(symbol) = static_cast<float>(*static_cast<const double*>(value));
    else if (size == sizeof(int32_t) && type == me->mHost.MapUri(LV2_ATOM__Int))
      me->Control(symbol) = static_cast<float>(*static_cast<const int32_t*>(value));
  }

  LilvHost& mHost;
  const LilvPlugin* mPlugin;
  LilvInstance* mInstance = nullptr;
  std::vector<float> mControls;
  std::vector<std::vector<float>> mAudio; // inputs, then outputs
  std::vector<std::vector<uint8_t>> mAtoms;
  std::vector<uint32_t> mAudioIn, mAudioOut;
  std::map<std::string, uint32_t> mSymbols;
};
