#pragma once
// What a plug-in tells the LV2 wrapper about itself beyond its parameter table: its URIs, the
// channel layouts it is offered in, its own control output ports and its presets. The bundle's
// Turtle files and the descriptors handed to hosts are both made from this and from the
// parameters, so the two can never disagree.

#include <string>
#include <utility>
#include <vector>

class IEffectLV2;

// One plug-in of the bundle: the same plug-in object with a given number of channels.
struct LV2Variant
{
  std::string mURI;
  std::string mName;
  int mChannels = 2;
};

// A control output port the plug-in writes after every run (a meter, for example).
struct LV2OutputPort
{
  std::string mSymbol;
  std::string mName;
  double mMin = 0.0;
  double mMax = 1.0;
  // Render thread: the value to write. Must not lock or allocate.
  float (*mRead)(IEffectLV2& plug) = nullptr;
};

// A preset: parameters by index with their real values; parameters not named keep their
// defaults.
struct LV2Preset
{
  std::string mSlug; // the last part of the preset's URI
  std::string mLabel;
  std::vector<std::pair<int, double>> mValues;
};

struct LV2Description
{
  std::string mProjectURI; // the plug-ins' URIs and the state's key and type derive from it
  std::string mLicenseURI;
  std::string mMaintainer;
  std::vector<LV2Variant> mVariants;
  std::vector<LV2OutputPort> mOutputs;
  std::vector<LV2Preset> mPresets;

  // The key under which the state chunk is saved, and the atom type it is saved as.
  std::string StateKeyURI() const { return mProjectURI + "#state"; }
  std::string StateTypeURI() const { return mProjectURI + "#StateChunk"; }
  std::string PresetURI(const LV2Preset& preset) const
  {
    return mProjectURI + ":preset:" + preset.mSlug;
  }
};

// Supplied by the plug-in, as MakePlug is.
const LV2Description& PlugLV2Description();
