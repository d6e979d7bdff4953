// IGraphicsMac without a display: building the editor, loading its bitmaps from a bundle's
// Resources and drawing off screen never touch the window system (with DISPLAY unset, a
// connection attempt would end the process), and the operations that need an open view
// answer as closed.
#include <CoreServices/ComponentBundles.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "graphics/IGraphicsMac.h"
#include "graphics/IKnobControls.h"
#include "tests/graphics/TestGraphics.h"

namespace
{
constexpr const char* kProbeID = "com.example.kestrion.guiprobe"; // tests/gui's probe bundle

void RegisterProbeBundle()
{
  static const bool registered = []
  {
    RegisterComponentBundle(GUI_PROBE_BUNDLE_PATH, nullptr);
    return true;
  }();
  (void)registered;
}
} // namespace

TEST(MacSurface, BitmapsComeFromTheBundleResourcesByLastPathComponent)
{
  RegisterProbeBundle();
  struct Case
  {
    const char* bundleID;
    const char* name;
    bool found;
  };
  for (const Case c :
       {Case{kProbeID, "resources/img/knob.png", true}, Case{kProbeID, "knob.PNG", true},
        Case{kProbeID, "img/knob.jpg", false}, Case{kProbeID, "resources/img/back.png", false},
        Case{kProbeID, "resources/img.png/knob", false}, Case{kProbeID, "", false},
        Case{kProbeID, nullptr, false}, Case{"com.example.none", "resources/img/knob.png", false},
        Case{"", "knob.png", false}})
  {
    std::unique_ptr<Raster_IBitmap> bitmap(LoadImgFromResourceOSX(c.bundleID, c.name));
    EXPECT_EQ(bitmap != nullptr, c.found) << c.bundleID << " " << (c.name ? c.name : "null");
    if (!bitmap) continue;
    EXPECT_EQ(bitmap->getWidth(), 48);
    EXPECT_EQ(bitmap->getHeight(), 4800);
    EXPECT_EQ(bitmap->getBits()[0], Raster_ARGB(255, 40, 44, 52));
  }
}

TEST(MacSurface, BuildsDrawsAndClosesWithoutADisplay)
{
  RegisterProbeBundle();
  unsetenv("DISPLAY");
  graphicstest::TestPlug plug;
  auto* g = new IGraphicsMac(&plug, 578, 299, 0);
  g->SetBundleID(kProbeID);
  const IColor panel(255, 46, 52, 64);
  g->AttachPanelBackground(&panel);
  IBitmap knob = g->LoadIBitmap(9101, "resources/img/knob.png", 100);
  ASSERT_NE(knob.mData, nullptr);
  g->AttachControl(new IKnobMultiControl(&plug, 38, 56, graphicstest::TestPlug::kGain, &knob));
  plug.AttachGraphics(g);
  IRECT all(0, 0, 578, 299);
  EXPECT_FALSE(g->Draw(&all)); // drawn off screen; no view to copy it to

  // Gain 50 of 0..100 shows frame 51 of the strip, copied pixel for pixel.
  EXPECT_EQ(graphicstest::PixelAt(*g, 0, 0), Raster_ARGB(255, 46, 52, 64));
  Raster_Pixel* strip = knob.mData->getBits();
  const int span = knob.mData->getRowSpan();
  int differing = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x)
      differing += graphicstest::PixelAt(*g, 38 + x, 56 + y) != strip[(50 * 48 + y) * span + x];
  EXPECT_EQ(differing, 0);

  EXPECT_STREQ(g->GetGUIAPI(), "Cocoa GUI");
  EXPECT_FALSE(g->WindowIsOpen());
  EXPECT_EQ(g->GetWindow(), nullptr);
  EXPECT_EQ(g->OpenWindow(nullptr, nullptr, 0, 0), nullptr); // no Carbon embedding
  IPopupMenu menu;
  menu.AddItem("one");
  EXPECT_EQ(g->CreateIPopupMenu(&menu, &all), nullptr);
  std::string file = "preset.fxp", dir = "";
  g->PromptForFile(&file, kFileSave, &dir, "fxp");
  EXPECT_EQ(file, "");
  g->CloseWindow();
  EXPECT_EQ(IGraphicsMac::GetUserOSVersion(), 0x1090);

  std::string path;
  g->HostPath(&path);
  EXPECT_EQ(path, std::string(GUI_PROBE_BUNDLE_PATH) + "/Contents/MacOS/KestrionGuiProbe");
  g->PluginPath(&path);
  const std::string bundle = GUI_PROBE_BUNDLE_PATH;
  EXPECT_EQ(path, bundle.substr(0, bundle.rfind('/') + 1));
  EXPECT_EQ(std::getenv("DISPLAY"), nullptr);
}
