#pragma once
// The bundle's Turtle files, written from the plug-in object's parameter table and its
// LV2Description: manifest.ttl (what the bundle holds), <name>.ttl (the plug-ins and their
// ports) and presets.ttl (the presets as port values).

#include "framework/IEffectBase.h"
#include "lv2/LV2Description.h"

#include <string>

// A port symbol from a parameter name: lower case, every run of other characters one '_'
// ("Attack Link" gives attack_link, "SC HPF" sc_hpf).
std::string LV2PortSymbol(const std::string& name);

// binary and pluginTurtle are file names inside the bundle.
std::string LV2ManifestTurtle(const LV2Description& desc, const std::string& binary,
                              const std::string& pluginTurtle);
std::string LV2PluginTurtle(IEffectBase& plug, const LV2Description& desc);
std::string LV2PresetsTurtle(IEffectBase& plug, const LV2Description& desc);
