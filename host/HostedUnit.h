#pragma once
// An effect component opened through the platform's host API, as any Audio Unit host opens
// one: found by its description, configured through properties, fed by a render callback and
// rendered in blocks. Nothing here knows the plug-in's classes.

#include <AudioUnit/AudioUnit.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrion
{
// What a component says about one of its parameters.
struct ParameterInfo
{
  AudioUnitParameterID id = 0;
  std::string name;
  std::string option; // the command-line option: the name in lower case, spaces as '-'
  std::string unit;   // the unit's text ("%", "dB", "ms"; "" for none)
  double min = 0, max = 0, defaultValue = 0;
};

class HostedUnit
{
public:
  // Opens the first effect component of the given subtype and manufacturer (throws Failure
  // when there is none or it cannot be opened).
  HostedUnit(OSType subType, OSType manufacturer);
  ~HostedUnit();
  HostedUnit(const HostedUnit&) = delete;
  HostedUnit& operator=(const HostedUnit&) = delete;

  AudioUnit Unit() const { return mUnit; }
  std::string Name() const;
  UInt32 Version() const;
  AudioComponentDescription Description() const;

  const std::vector<ParameterInfo>& Parameters() const { return mParams; }
  // The parameter whose name or option matches (case-insensitive); null when none does.
  const ParameterInfo* FindParameter(const std::string& nameOrOption) const;
  void SetParameter(AudioUnitParameterID id, float value);
  float GetParameter(AudioUnitParameterID id) const;
  // The component's display text for a value of the parameter.
  std::string DisplayText(AudioUnitParameterID id, float value) const;
  // The component's own mapping between real and normalised values (throws Failure when the
  // component offers none).
  double ToNormalized(AudioUnitParameterID id, double value) const;
  double FromNormalized(AudioUnitParameterID id, double normalized) const;

  std::vector<std::pair<int, int>> ChannelConfigurations() const;
  double Latency() const;  // seconds
  double TailTime() const; // seconds
  std::vector<std::string> FactoryPresets() const;
  void SetBypass(bool bypass);

  // Formats for `channels` channels at `rate`, the largest block, the render callback, then
  // Initialize. Throws Failure with the component's status when it refuses.
  void Prepare(double rate, UInt32 channels, UInt32 maxFrames);
  // Renders `frames` frames of in[c] into out[c] for every channel; the sample time advances.
  // No allocation.
  OSStatus Render(const float* const* in, float* const* out, UInt32 frames);

  // The editor's image as the component hands it (au/IEffectAUProperties.h): width, height
  // and pixels A, R, G, B, top row first. False when the component has no editor.
  bool EditorImage(int& width, int& height, std::vector<uint8_t>& pixels) const;

private:
  static OSStatus InputProc(void* refCon, AudioUnitRenderActionFlags* flags,
                            const AudioTimeStamp* stamp, UInt32 bus, UInt32 frames,
                            AudioBufferList* list);
  void ReadParameters();

  AudioComponent mComponent = nullptr;
  AudioUnit mUnit = nullptr;
  std::vector<ParameterInfo> mParams;
  UInt32 mChannels = 0;
  double mSampleTime = 0;
  const float* const* mInput = nullptr;
  std::vector<uint8_t> mOutputList; // an AudioBufferList of mChannels buffers
};

std::string FourCCText(OSType code);
} // namespace kestrion
