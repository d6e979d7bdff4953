#pragma once
// What MakePlug hands the plug-in constructor: where the plug-in's bundle is and which class
// makes its Cocoa editor view.

#include <string>

struct IEffectInstanceInfo
{
  std::string mBundleID;
  std::string mViewFactoryClass;
};
