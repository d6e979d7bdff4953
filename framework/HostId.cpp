#include "framework/HostId.h"
#include "framework/IEffectBase.h"

#include <cctype>
#include <cstring>

namespace
{
struct HostMatch
{
  const char* text;
  EHost host;
};

// Tested in this order; earlier entries win.
const HostMatch kMatches[] = {
  {"cubase", kHostCubase},
  {"reaper", kHostReaper},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostSonar},
  {"samplitude", kHostSamplitude},
  {"fruity", kHostFL},
  {"live", kHostAbletonLive},
  {"melodyne", kHostMelodyne},
  {"vstmanlib", kHostVSTScanner},
  {"aulab", kHostAULab},
  {"garageband", kHostGarageBand},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"sawstudio", kHostSAWStudio},
  {"logic", kHostLogic},
  {"digital", kHostDigitalPerformer},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostStudioOne},
  {"vst3plugintesthost", kHostVST3TestHost},
  {"protools", kHostProTools},
  {"ardour", kHostArdour},
  {"standalone", kHostStandalone},
};

const char* DisplayName(EHost host)
{
  switch (host)
  {
  case kHostReaper: return "Reaper";
  case kHostProTools: return "ProTools";
  case kHostCubase: return "Cubase";
  case kHostNuendo: return "Nuendo";
  case kHostSonar: return "Sonar";
  case kHostVegas: return "Vegas";
  case kHostFL: return "FLStudio";
  case kHostSamplitude: return "Samplitude";
  case kHostAbletonLive: return "Live";
  case kHostVSTScanner: return "VSTScanner";
  case kHostAULab: return "AULab";
  case kHostForte: return "Forte";
  case kHostChainer: return "Chainer";
  case kHostAudition: return "Audition";
  case kHostOrion: return "Orion";
  case kHostSAWStudio: return "SAWStudio";
  case kHostLogic: return "Logic";
  case kHostGarageBand: return "GarageBand";
  case kHostDigitalPerformer: return "DigitalPerformer";
  case kHostStandalone: return "Standalone";
  case kHostAudioMulch: return "AudioMulch";
  case kHostStudioOne: return "StudioOne";
  case kHostVST3TestHost: return "VST3PluginTestHost";
  case kHostArdour: return "Ardour";
  // Melodyne is recognised but has no display name of its own.
  case kHostMelodyne:
  case kHostUninit:
  case kHostUnknown:
    break;
  }
  return "Unknown";
}
} // namespace

EHost LookUpHost(const char* name)
{
  if (!name)
    return kHostUnknown;
  char lower[256];
  size_t n = 0;
  for (; n < sizeof(lower) - 1 && name[n]; ++n)
    lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
  lower[n] = '\0';

  for (const HostMatch& m : kMatches)
    if (std::strstr(lower, m.text))
      return m.host;
  return kHostUnknown;
}

void GetHostNameStr(EHost host, char* buffer)
{
  if (buffer)
    std::strcpy(buffer, DisplayName(host));
}

// ---- The plug-in's host identity -----------------------------------------------------------

void IEffectBase::SetHost(const char* host, int version)
{
  mHost = LookUpHost(host);
  mHostVersion = version;
}

int IEffectBase::GetHostVersion(bool decimal)
{
  GetHost();
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IEffectBase::GetHostVersionStr(char* buffer)
{
  GetHost();
  GetVersionStr(mHostVersion, buffer);
}
