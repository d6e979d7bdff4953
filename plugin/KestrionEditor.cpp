// The editor layout: a 578 x 299 panel with two large and six small knobs, the clip light,
// two readouts above the large knobs and the version label, all text in a bitmap font.

#include "plugin/Kestrion.h"
#include "plugin/KestrionEditor.h"

#include "graphics/IBitmapTextControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobControls.h"
#include "plugin/MyIBitmapControl.h"

#ifdef KESTRION_EDITOR
#include "graphics/IGraphicsMac.h"
#endif

namespace
{

enum EBitmapIds
{
  kKnobId = 101,
  kLightId = 102,
  kBackgroundId = 105,
  kSmallKnobId = 107,
  kFontId = 108,
};

#ifdef KESTRION_EDITOR
const char* const kBundleID = "com.Wexa.audiounit.Kestrion";
constexpr int kKnobFrames = 100;
constexpr int kLightFrames = 2;
#endif
constexpr int kFontCells = 95; // space .. tilde

constexpr int kGlyphWidth = 6, kGlyphHeight = 12, kGlyphSpacing = 0;

struct KnobPlace
{
  int x, y, paramIdx;
  bool large;
};
constexpr KnobPlace kKnobs[] = {
    {38, 56, Kestrion::kAttack, true},         {397, 56, Kestrion::kSustain, true},
    {40, 215, Kestrion::kAttackLink, false},   {129, 215, Kestrion::kAttackLength, false},
    {218, 215, Kestrion::kGain, false},        {309, 215, Kestrion::kSCHPF, false},
    {397, 215, Kestrion::kSustainLink, false}, {486, 215, Kestrion::kSustainLength, false},
};

constexpr IRECT kAttackReadoutRect(38, 46, 178, 60);
constexpr IRECT kSustainReadoutRect(397, 46, 537, 60);
constexpr IRECT kVersionRect(201, 130, 372, 150);
constexpr int kLightX = 284, kLightY = 174;

} // namespace

#ifdef KESTRION_EDITOR
IGraphicsMac* MakeGraphics(IEffectAU* plug, int width, int height, int fps)
{
  auto* graphics = new IGraphicsMac(plug, width, height, fps);
  graphics->SetBundleID(kBundleID);
  return graphics;
}
#endif

IGraphics* Kestrion::MakeEditor(EditorBitmaps* bitmaps)
{
#ifdef KESTRION_EDITOR
  IGraphics* graphics = MakeGraphics(this, kEditorWidth, kEditorHeight, 0);
  graphics->AttachBackground(kBackgroundId, "resources/img/back.png");
  bitmaps->knob = graphics->LoadIBitmap(kKnobId, "resources/img/knob.png", kKnobFrames);
  bitmaps->smallKnob =
      graphics->LoadIBitmap(kSmallKnobId, "resources/img/knob_small.png", kKnobFrames);
  bitmaps->light = graphics->LoadIBitmap(kLightId, "resources/img/redLight.png", kLightFrames);
  return graphics;
#else
  (void)bitmaps;
  return nullptr;
#endif
}

void Kestrion::FinishEditor(IGraphics* graphics, const EditorBitmaps& bitmaps)
{
  if (!graphics) return;
  AttachEditorControls(graphics, bitmaps);
  AttachGraphics(graphics);
}

void Kestrion::AttachEditorControls(IGraphics* graphics, const EditorBitmaps& bitmaps)
{
  graphics->AttachControl(
      new MyIBitmapControl(this, kLightX, kLightY, &bitmaps.light, IChannelBlend::kBlendDefault));
  for (const KnobPlace& k : kKnobs)
    graphics->AttachControl(new IKnobMultiControl(this, k.x, k.y, k.paramIdx,
                                                  k.large ? &bitmaps.knob : &bitmaps.smallKnob));

  const IBitmap font =
      graphics->LoadIBitmap(kFontId, "resources/img/font-white.png", kFontCells, true);
  IText style(12, COLOR_BLACK, "Arial");
  auto text = [&](const IRECT& rect, const char* str)
  {
    auto* control = new IBitmapTextControl(this, rect, &font, str, &style, kGlyphWidth,
                                           kGlyphHeight, kGlyphSpacing, true, false);
    graphics->AttachControl(control);
    return control;
  };
  mAttackReadout = text(kAttackReadoutRect, "");
  mSustainReadout = text(kSustainReadoutRect, "");
  char version[32];
  GetEffectVersionStr(version);
  text(kVersionRect, version);
}
