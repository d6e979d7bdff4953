// Writes a bundle's Turtle files from the plug-in object itself:
//   <generator> <bundle directory> <shared object file name> <plug-in turtle file name>
#include "lv2/IEffectLV2.h"
#include "lv2/LV2Turtle.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace
{
bool Write(const std::string& path, const std::string& text)
{
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (file) return true;
  std::fprintf(stderr, "lv2 turtle: cannot write %s\n", path.c_str());
  return false;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 4)
  {
    std::fprintf(stderr, "usage: %s <bundle directory> <shared object> <plug-in turtle>\n",
                 argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string binary = argv[2];
  const std::string pluginTurtle = argv[3];
  std::unique_ptr<IEffectLV2> plug(MakePlug());
  const LV2Description& desc = PlugLV2Description();
  const bool ok = Write(dir + "/manifest.ttl", LV2ManifestTurtle(desc, binary, pluginTurtle)) &&
                  Write(dir + "/" + pluginTurtle, LV2PluginTurtle(*plug, desc)) &&
                  Write(dir + "/presets.ttl", LV2PresetsTurtle(*plug, desc));
  return ok ? 0 : 1;
}
