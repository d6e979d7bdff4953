// Kestrion as LV2 plug-ins: a stereo and a mono variant of the same object, the clip light's
// meter as a control output, and the presets hosts list.
#include "plugin/Kestrion.h"

namespace
{
float ReadMeter(IEffectLV2& plug)
{
  return static_cast<float>(static_cast<Kestrion&>(plug).GetMeter());
}

LV2Description MakeDescription()
{
  using P = Kestrion::EParams;
  LV2Description d;
  d.mProjectURI = KESTRION_LV2_URI;
  // The maker's terms, in the LICENSE file the bundle carries (relative to the Turtle file).
  d.mLicenseURI = "LICENSE";
  d.mMaintainer = KESTRION_MAKER;
  d.mVariants = {{KESTRION_LV2_URI ":stereo", KESTRION_NAME, 2},
                 {KESTRION_LV2_URI ":mono", KESTRION_NAME " Mono", 1}};
  // 1.0 is full scale: the clip light turns on there.
  d.mOutputs = {{"meter", "Clip meter", 0.0, 1.0, ReadMeter}};
  d.mPresets = {
      {"default", "Default", {}},
      // Harder kick and snare hits, their ring shortened a little; the detection ignores
      // the lows so the kick's body does not trigger the boost twice.
      {"drum-punch",
       "Drum punch",
       {{P::kAttack, 60},
        {P::kSustain, -20},
        {P::kAttackLink, 50},
        {P::kSCHPF, 30},
        {P::kSustainLink, 50},
        {P::kSustainLength, 300},
        {P::kGain, -2}}},
      // The room's tail pulled down on both channels alike, the hits left as they are.
      {"tame-room",
       "Tame room",
       {{P::kSustain, -60}, {P::kSustainLink, 100}, {P::kSustainLength, 750}, {P::kSCHPF, 20}}},
      // A guitar's or bass's pick click cut while the note itself builds up.
      {"soften-pick",
       "Soften pick attack",
       {{P::kAttack, -50},
        {P::kSustain, 10},
        {P::kAttackLink, 100},
        {P::kAttackLength, 10},
        {P::kSCHPF, 40}}},
      // A slower attack follower lets the low notes' onsets through as a thump, and the
      // body is held a little longer.
      {"bass-thump",
       "Bass thump",
       {{P::kAttack, 40},
        {P::kSustain, 20},
        {P::kAttackLink, 100},
        {P::kAttackLength, 15},
        {P::kSustainLink, 100},
        {P::kSustainLength, 400},
        {P::kGain, -3}}},
  };
  return d;
}
} // namespace

const LV2Description& PlugLV2Description()
{
  static const LV2Description description = MakeDescription();
  return description;
}
