#include "lv2/LV2Turtle.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
const char* const kPrefixes = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A Turtle number: a decimal with a point, or a double with an exponent.
std::string Num(double v)
{
  char text[40];
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(text, sizeof text, "%.1f", v);
  else
    std::snprintf(text, sizeof text, "%.9g", v);
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string Str(const std::string& text)
{
  std::string s = "\"";
  for (char c : text)
  {
    if (c == '"' || c == '\\') s += '\\';
    s += c;
  }
  return s + "\"";
}

std::string Uri(const std::string& uri)
{
  return "<" + uri + ">";
}

std::string AppliesTo(const LV2Description& desc)
{
  std::string s;
  for (const LV2Variant& v : desc.mVariants)
    s += (s.empty() ? "" : " , ") + Uri(v.mURI);
  return s;
}

std::string Unit(const char* label)
{
  static const std::pair<const char*, const char*> kUnits[] = {{"%", "units:pc"},
                                                               {"ms", "units:ms"},
                                                               {"s", "units:s"},
                                                               {"dB", "units:db"},
                                                               {"Hz", "units:hz"}};
  for (const auto& unit : kUnits)
    if (std::strcmp(label, unit.first) == 0) return unit.second;
  return "";
}

std::string ScalePoint(double value, const std::string& label)
{
  return "[ rdfs:label " + Str(label) + " ; rdf:value " + Num(value) + " ]";
}

// What a host needs beyond the range: integer and enumeration only where the parameter is one;
// display texts as labelled points; and for a shaped continuous parameter the values at a
// quarter of the travel apart, since the port itself is linear.
std::string PortDetails(IParam& param)
{
  std::string s;
  const IParam::EParamType type = param.Type();
  std::vector<std::string> points;
  if (type == IParam::kTypeBool)
    s += "\t\tlv2:portProperty lv2:toggled , lv2:integer ;\n";
  else if (type == IParam::kTypeEnum)
    s += "\t\tlv2:portProperty lv2:integer , lv2:enumeration ;\n";
  else if (type == IParam::kTypeInt)
    s += "\t\tlv2:portProperty lv2:integer ;\n";

  if (type == IParam::kTypeDouble && param.GetShape() != 1.0)
  {
    for (double n : {0.0, 0.25, 0.5, 0.75, 1.0})
    {
      const double value = param.GetNonNormalized(n);
      char text[IParam::kDisplayLen];
      param.GetDisplayForHost(value, false, text, false);
      points.push_back(ScalePoint(value, std::string(text) + " " + param.GetLabelForHost()));
    }
  }
  for (int i = 0; i < param.GetNDisplayTexts(); ++i)
  {
    double value = 0.0;
    const char* text = param.GetDisplayTextAtIdx(i, &value);
    points.push_back(ScalePoint(value, text));
  }
  for (size_t i = 0; i < points.size(); ++i)
    s += std::string(i ? " ,\n\t\t\t" : "\t\tlv2:scalePoint ") + points[i];
  if (!points.empty()) s += " ;\n";
  return s;
}

std::string ControlPort(int index, const char* direction, const std::string& symbol,
                        const std::string& name)
{
  return "[\n\t\ta lv2:" + std::string(direction) + " , lv2:ControlPort ;\n\t\tlv2:index " +
         std::to_string(index) + " ;\n\t\tlv2:symbol " + Str(symbol) + " ;\n\t\tlv2:name " +
         Str(name) + " ;\n";
}

std::string AudioPort(int index, const char* direction, const std::string& symbol,
                      const std::string& name)
{
  return "[\n\t\ta lv2:" + std::string(direction) + " , lv2:AudioPort ;\n\t\tlv2:index " +
         std::to_string(index) + " ;\n\t\tlv2:symbol " + Str(symbol) + " ;\n\t\tlv2:name " +
         Str(name) + " ;\n\t]";
}

std::string Ports(IEffectBase& plug, const LV2Description& desc, int channels)
{
  std::vector<std::string> ports;
  for (int i = 0; i < plug.NParams(); ++i)
  {
    IParam& param = *plug.GetParam(i);
    double min, max;
    param.GetBounds(min, max);
    std::string port =
        ControlPort(i, "InputPort", LV2PortSymbol(param.GetNameForHost()), param.GetNameForHost());
    port += "\t\tlv2:default " + Num(param.GetDefault()) + " ;\n\t\tlv2:minimum " + Num(min) +
            " ;\n\t\tlv2:maximum " + Num(max) + " ;\n";
    const std::string unit = Unit(param.GetLabelForHost());
    if (!unit.empty()) port += "\t\tunits:unit " + unit + " ;\n";
    ports.push_back(port + PortDetails(param) + "\t]");
  }
  // Audio: in_l, in_r, out_l, out_r (mono: in, out), in the wrapper's port order.
  struct Direction
  {
    const char* symbol;
    const char* name;
    const char* portClass;
  };
  static const Direction kDirections[] = {{"in", "Input", "InputPort"},
                                          {"out", "Output", "OutputPort"}};
  static const char* const kSides[2][2] = {{"_l", "Left "}, {"_r", "Right "}};
  int index = plug.NParams();
  for (const Direction& dir : kDirections)
    for (int c = 0; c < channels; ++c)
    {
      const bool stereo = channels > 1;
      ports.push_back(AudioPort(index++, dir.portClass,
                                dir.symbol + std::string(stereo ? kSides[c][0] : ""),
                                std::string(stereo ? kSides[c][1] : "") + dir.name));
    }
  for (const LV2OutputPort& out : desc.mOutputs)
    ports.push_back(ControlPort(index++, "OutputPort", out.mSymbol, out.mName) +
                    "\t\tlv2:minimum " + Num(out.mMin) + " ;\n\t\tlv2:maximum " + Num(out.mMax) +
                    " ;\n\t]");

  std::string s;
  for (size_t i = 0; i < ports.size(); ++i)
    s += (i ? " , " : "") + ports[i];
  return s;
}
} // namespace

std::string LV2PortSymbol(const std::string& name)
{
  std::string s;
  bool gap = false;
  for (char c : name)
  {
    if (std::isalnum(static_cast<unsigned char>(c)))
    {
      if (gap && !s.empty()) s += '_';
      s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      gap = false;
    }
    else
      gap = true;
  }
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) s = "p" + s;
  return s;
}

std::string LV2ManifestTurtle(const LV2Description& desc, const std::string& binary,
                              const std::string& pluginTurtle)
{
  std::string s = kPrefixes;
  for (const LV2Variant& v : desc.mVariants)
    s += Uri(v.mURI) + "\n\ta lv2:Plugin ;\n\tlv2:binary " + Uri(binary) + " ;\n\trdfs:seeAlso " +
         Uri(pluginTurtle) + " .\n\n";
  for (const LV2Preset& p : desc.mPresets)
    s += Uri(desc.PresetURI(p)) + "\n\ta pset:Preset ;\n\tlv2:appliesTo " + AppliesTo(desc) +
         " ;\n\trdfs:seeAlso <presets.ttl> .\n\n";
  return s;
}

std::string LV2PluginTurtle(IEffectBase& plug, const LV2Description& desc)
{
  int major, minor, patch;
  GetVersionParts(plug.GetEffectVersion(false), major, minor, patch);
  std::string s = kPrefixes;
  s += Uri(desc.mProjectURI) + "\n\ta doap:Project ;\n\tdoap:name " + Str(plug.GetEffectName()) +
       " ;\n\tdoap:maintainer [\n\t\tfoaf:name " + Str(desc.mMaintainer) + "\n\t] .\n\n";
  for (const LV2Variant& v : desc.mVariants)
  {
    s += Uri(v.mURI) + "\n\ta lv2:Plugin , lv2:DynamicsPlugin ;\n\tlv2:project " +
         Uri(desc.mProjectURI) + " ;\n\tdoap:name " + Str(v.mName) + " ;\n\tdoap:license " +
         Uri(desc.mLicenseURI) + " ;\n\tlv2:minorVersion " + std::to_string(minor) +
         " ;\n\tlv2:microVersion " + std::to_string(patch) +
         " ;\n\tlv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
         "\tlv2:extensionData state:interface ;\n\tlv2:port " +
         Ports(plug, desc, v.mChannels) + " .\n\n";
  }
  return s;
}

std::string LV2PresetsTurtle(IEffectBase& plug, const LV2Description& desc)
{
  std::string s = kPrefixes;
  for (const LV2Preset& p : desc.mPresets)
  {
    std::vector<double> values;
    for (int i = 0; i < plug.NParams(); ++i)
      values.push_back(plug.GetParam(i)->GetDefault());
    for (const auto& [idx, value] : p.mValues)
      if (IParam* param = plug.GetParam(idx))
      {
        double min, max;
        param->GetBounds(min, max);
        values[static_cast<size_t>(idx)] = std::clamp(value, min, max);
      }
    s += Uri(desc.PresetURI(p)) + "\n\ta pset:Preset ;\n\tlv2:appliesTo " + AppliesTo(desc) +
         " ;\n\trdfs:label " + Str(p.mLabel) + " ;\n\tlv2:port ";
    for (int i = 0; i < plug.NParams(); ++i)
      s += std::string(i ? " , " : "") + "[\n\t\tlv2:symbol " +
           Str(LV2PortSymbol(plug.GetParam(i)->GetNameForHost())) + " ;\n\t\tpset:value " +
           Num(values[static_cast<size_t>(i)]) + "\n\t]";
    s += " .\n\n";
  }
  return s;
}
