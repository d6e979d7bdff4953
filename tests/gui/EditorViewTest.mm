// The editor view as a host sees it, on a real (virtual) display: the host reads
// kAudioUnitProperty_CocoaUI, finds the view factory class by name, gets the view, puts it
// in a window, lets the run loop poll and draw, and sends mouse events.
//
// Every test runs for the Kestrion unit and for the GUI probe (GuiProbePlugin.cpp), whose
// Attack knob sits where Kestrion's does. A Kestrion unit built without its editor layout
// offers no Cocoa view; its cases are skipped until it has one.
#import <AppKit/AppKit.h>
#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/ComponentBundles.h>
#include <CoreServices/CoreServices.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "au/IEffectAU.h"
#include "graphics/IGraphics.h"

namespace
{
struct GuiUnit
{
  const char* name;
  OSType subType, manufacturer;
  const char* bundlePath;
  const char* factoryClass;
};

void PrintTo(const GuiUnit& unit, std::ostream* os)
{
  *os << unit.name;
}

const GuiUnit kKestrion{"Kestrion", 0x62796b48, 0x62796b48, KESTRION_BUNDLE_PATH, "Kestrion_View"};
const GuiUnit kGuiProbe{"GuiProbe", 0x47756950, 0x4b735473, GUI_PROBE_BUNDLE_PATH, "GuiProbe_View"};

constexpr int kWidth = 578, kHeight = 299;
constexpr int kKnobL = 38, kKnobT = 56; // the Attack knob's top-left corner in the editor
constexpr double kGearing = 4.0;

void RunLoopFor(double seconds)
{
  [[NSRunLoop currentRunLoop] runUntilDate:[NSDate dateWithTimeIntervalSinceNow:seconds]];
}

std::string ToString(CFStringRef s)
{
  char buffer[256] = "";
  if (s) CFStringGetCString(s, buffer, sizeof(buffer), kCFStringEncodingUTF8);
  return buffer;
}

// Height of one frame of the bundle's 100-frame knob strip, from the PNG header.
int KnobFrameHeight(const std::string& bundlePath)
{
  std::ifstream png(bundlePath + "/Contents/Resources/knob.png", std::ios::binary);
  unsigned char header[24] = {};
  if (!png.read(reinterpret_cast<char*>(header), sizeof(header))) return 0;
  const unsigned height = unsigned(header[20]) << 24 | unsigned(header[21]) << 16 |
                          unsigned(header[22]) << 8 | unsigned(header[23]);
  return int(height / 100);
}

// What a host's event listener heard of parameter 0's gestures.
struct GestureLog
{
  int begins = 0, ends = 0;
};

void OnEvent(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue)
{
  auto* log = static_cast<GestureLog*>(refCon);
  if (event->mArgument.mParameter.mParameterID != 0) return;
  if (event->mEventType == kAudioUnitEvent_BeginParameterChangeGesture) ++log->begins;
  if (event->mEventType == kAudioUnitEvent_EndParameterChangeGesture) ++log->ends;
}

// The value text field the view shows, or nil.
NSTextField* TextFieldIn(NSView* view)
{
  NSArray* subviews = [view subviews];
  for (NSUInteger i = 0; i < [subviews count]; ++i)
    if ([[subviews objectAtIndex:i] isKindOfClass:[NSTextField class]])
      return [subviews objectAtIndex:i];
  return nil;
}

// Only the bundles of this build are found; the application object exists as in a host.
void SetUpProcess()
{
  static bool done = false;
  if (done) return;
  done = true;
  const std::string path = std::string(KESTRION_BUNDLE_PATH) + ":" + GUI_PROBE_BUNDLE_PATH;
  setenv(kAudioComponentPathVariable, path.c_str(), 1);
  [NSApplication sharedApplication];
}

struct UnitName
{
  std::string operator()(const ::testing::TestParamInfo<GuiUnit>& info) const
  {
    return info.param.name;
  }
};
} // namespace

class EditorView : public ::testing::TestWithParam<GuiUnit>
{
protected:
  void SetUp() override
  {
    SetUpProcess();
    mPool = [NSAutoreleasePool new];
    const GuiUnit& unit = GetParam();
    ComponentDescription d = {kAudioUnitType_Effect, unit.subType, unit.manufacturer, 0, 0};
    Component component = FindNextComponent(nullptr, &d);
    ASSERT_NE(component, nullptr);
    ASSERT_EQ(OpenAComponent(component, &mUnit), noErr);

    AudioUnitCocoaViewInfo info = {};
    UInt32 size = sizeof(info);
    const OSStatus status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_CocoaUI,
                                                 kAudioUnitScope_Global, 0, &info, &size);
    if (status == kAudioUnitErr_InvalidProperty && std::string(unit.name) == "Kestrion")
      GTEST_SKIP() << "the Kestrion unit has no editor layout yet";
    ASSERT_EQ(status, noErr);
    const std::string className = ToString(info.mCocoaAUViewClass[0]);
    EXPECT_EQ(className, unit.factoryClass);

    // The class comes from the bundle's executable, which the platform loaded at Open.
    CFBundleRef bundle = CFBundleCreate(nullptr, info.mCocoaAUViewBundleLocation);
    ASSERT_NE(bundle, nullptr);
    CFURLRef executable = CFBundleCopyExecutableURL(bundle);
    char path[4096] = "";
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(executable, true, reinterpret_cast<UInt8*>(path),
                                                 sizeof(path)));
    mBundlePath = std::string(path).substr(0, std::string(path).find("/Contents/"));
    CFRelease(executable);
    CFRelease(bundle);
    CFRelease(info.mCocoaAUViewBundleLocation);
    CFRelease(info.mCocoaAUViewClass[0]);
    void* module = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr) << path;
    dlclose(module);

    Class factoryClass = NSClassFromString([NSString stringWithUTF8String:className.c_str()]);
    ASSERT_NE(factoryClass, nil);
    mFactory = [[factoryClass alloc] init];
    ASSERT_TRUE([mFactory conformsToProtocol:@protocol(AUCocoaUIBase)]);
    EXPECT_EQ([mFactory interfaceVersion], 0u);

    mEditor =
        static_cast<IEffectAU*>(static_cast<void*>(GetComponentInstanceStorage(mUnit)))->GetGUI();
    ASSERT_NE(mEditor, nullptr);

    mWindow = [[NSWindow alloc] initWithContentRect:NSMakeRect(40, 40, kWidth, kHeight)
                                          styleMask:NSTitledWindowMask
                                            backing:NSBackingStoreBuffered
                                              defer:NO];
    [mWindow setReleasedWhenClosed:NO];
    mView = [[mFactory uiViewForAudioUnit:mUnit withSize:NSMakeSize(100, 100)] retain];
    ASSERT_NE(mView, nil);
    ShowInWindow(mView);

    AudioUnitEvent begin = {}, end = {};
    begin.mEventType = kAudioUnitEvent_BeginParameterChangeGesture;
    begin.mArgument.mParameter = {mUnit, 0, kAudioUnitScope_Global, 0};
    end = begin;
    end.mEventType = kAudioUnitEvent_EndParameterChangeGesture;
    ASSERT_EQ(AUEventListenerCreate(OnEvent, &mGestures, nullptr, nullptr, 0, 0, &mListener),
              noErr);
    AUEventListenerAddEventType(mListener, nullptr, &begin);
    AUEventListenerAddEventType(mListener, nullptr, &end);
  }

  void TearDown() override
  {
    if (mListener) AUListenerDispose(mListener);
    [mView release];
    [mWindow close];
    [mWindow release];
    [mFactory release];
    if (mUnit) CloseComponent(mUnit);
    [mPool drain];
  }

  // The host adds the view to its window (GNUstep's setContentView: first sends the view
  // removeFromSuperview), shows it and lets the run loop poll and draw.
  void ShowInWindow(NSView* view)
  {
    [mWindow setContentView:view];
    [mWindow orderFront:nil];
    RunLoopFor(0.3);
  }

  // Every pixel of the window's view equals the editor's off-screen bitmap.
  void ExpectWindowShowsTheEditor(NSView* view)
  {
    [view lockFocus];
    NSBitmapImageRep* shown =
        [[[NSBitmapImageRep alloc] initWithFocusedViewRect:[view bounds]] autorelease];
    [view unlockFocus];
    ASSERT_NE(shown, nil);
    ASSERT_EQ([shown pixelsWide], kWidth);
    ASSERT_EQ([shown pixelsHigh], kHeight);
    Raster_IBitmap* bitmap = mEditor->GetDrawBitmap();
    ASSERT_NE(bitmap, nullptr);
    int mismatches = 0;
    std::string first;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
      {
        const Raster_Pixel p = Raster_RowPointer(bitmap, y)[x];
        NSUInteger rgba[4] = {0, 0, 0, 0};
        [shown getPixel:rgba atX:x y:y];
        if (int(rgba[0]) != Raster_GetR(p) || int(rgba[1]) != Raster_GetG(p) ||
            int(rgba[2]) != Raster_GetB(p))
        {
          if (!mismatches++)
            first = std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(rgba[0]) +
                    " " + std::to_string(rgba[1]) + " " + std::to_string(rgba[2]) + " vs " +
                    std::to_string(Raster_GetR(p)) + " " + std::to_string(Raster_GetG(p)) + " " +
                    std::to_string(Raster_GetB(p));
        }
      }
    EXPECT_EQ(mismatches, 0) << "first at " << first;
  }

  // A mouse event at the view point (x, y).
  NSEvent* Mouse(NSEventType type, double x, double y, NSUInteger modifiers = 0, int clicks = 1)
  {
    return [NSEvent mouseEventWithType:type
                              location:[mView convertPoint:NSMakePoint(x, y) toView:nil]
                         modifierFlags:modifiers
                             timestamp:0
                          windowNumber:[mWindow windowNumber]
                               context:nil
                           eventNumber:0
                            clickCount:clicks
                              pressure:1.0f];
  }

  // The view point of editor point (x, y): the inverse of the view's mouse mapping.
  static double ViewX(int x) { return x + 2; }
  static double ViewY(int y) { return kHeight - 3 - y; }

  float Attack()
  {
    AudioUnitParameterValue value = -1;
    AudioUnitGetParameter(mUnit, 0, kAudioUnitScope_Global, 0, &value);
    return value;
  }

  NSAutoreleasePool* mPool = nil;
  AudioUnit mUnit = nullptr;
  std::string mBundlePath;
  id mFactory = nil;
  IGraphics* mEditor = nullptr;
  NSWindow* mWindow = nil;
  NSView* mView = nil;
  AUEventListenerRef mListener = nullptr;
  GestureLog mGestures;
};

TEST_P(EditorView, WindowShowsTheOffScreenImage)
{
  EXPECT_EQ(std::string([[mFactory description] UTF8String]),
            std::string(GetParam().name) + " View");
  EXPECT_EQ([mView frame].size.width, kWidth);
  EXPECT_EQ([mView frame].size.height, kHeight);
  EXPECT_TRUE([mView isOpaque]) << "adding the view to the window closed the editor";
  EXPECT_EQ(mEditor->GetWindow(), (void*)mView);
  ExpectWindowShowsTheEditor(mView);
}

// A press reaches the editor at (int(x) - 2, H - 3 - int(y)): the knob's top-left pixel is
// hit from view point (L + 2, H - 3 - T) and no further left or up.
TEST_P(EditorView, PressesReachTheEditorThroughTheViewOffsets)
{
  struct Press
  {
    double x, y;
    bool hitsKnob;
  };
  const Press presses[] = {
      {ViewX(kKnobL), ViewY(kKnobT), true},
      {ViewX(kKnobL) + 0.99, ViewY(kKnobT) + 0.99, true}, // truncated to the same pixel
      {ViewX(kKnobL) - 0.01, ViewY(kKnobT), false},       // x = L - 1
      {ViewX(kKnobL), ViewY(kKnobT) + 1.0, false},        // y = T - 1
  };
  for (const Press& press : presses)
  {
    mGestures = {};
    [mView mouseDown:Mouse(NSLeftMouseDown, press.x, press.y)];
    [mView mouseUp:Mouse(NSLeftMouseUp, press.x, press.y)];
    EXPECT_EQ(mGestures.begins, press.hitsKnob ? 1 : 0) << press.x << "," << press.y;
    EXPECT_EQ(mGestures.ends, press.hitsKnob ? 1 : 0) << press.x << "," << press.y;
  }
}

// Dragging up by 40 pixels in four steps moves the knob by 40 / (frame height x gearing),
// ten times less with Control held; one gesture begins and ends.
TEST_P(EditorView, VerticalDragOnAttackFollowsTheGearing)
{
  const int frame = KnobFrameHeight(mBundlePath);
  ASSERT_GT(frame, 10);
  struct Drag
  {
    NSUInteger modifiers;
    double gearing;
  };
  for (const Drag drag : {Drag{0, kGearing}, Drag{NSControlKeyMask, kGearing * 10}})
  {
    ASSERT_EQ(AudioUnitSetParameter(mUnit, 0, kAudioUnitScope_Global, 0, 0.0f, 0), noErr);
    mGestures = {};
    const double x = ViewX(kKnobL + 5), y = ViewY(kKnobT + 5);
    [mView mouseDown:Mouse(NSLeftMouseDown, x, y, drag.modifiers)];
    for (int step = 1; step <= 4; ++step)
      [mView mouseDragged:Mouse(NSLeftMouseDragged, x, y + 10 * step, drag.modifiers)];
    [mView mouseUp:Mouse(NSLeftMouseUp, x, y + 40, drag.modifiers)];
    const double expected = 200.0 * 40.0 / frame / drag.gearing; // from 0 (normalised 0.5)
    EXPECT_NEAR(Attack(), expected, 1e-3) << "gearing " << drag.gearing;
    EXPECT_EQ(mGestures.begins, 1);
    EXPECT_EQ(mGestures.ends, 1);
  }
}

// A host that removes the view closes the editor: the poll timer stops and the view no
// longer reaches the editor. Asking again gives a new, working view; asking while a view is
// open closes the old one first.
TEST_P(EditorView, ClosingStopsThePollAndTheEditorOpensAgain)
{
  NSTimer* timer = [[mView valueForKey:@"mTimer"] retain];
  ASSERT_NE(timer, nil);
  EXPECT_TRUE([timer isValid]);
  [mView removeFromSuperview];
  EXPECT_FALSE([timer isValid]);
  EXPECT_EQ([mView valueForKey:@"mTimer"], nil);
  EXPECT_FALSE([mView isOpaque]);
  EXPECT_EQ(mEditor->GetWindow(), nullptr);
  [timer release];

  NSView* second = [[mFactory uiViewForAudioUnit:mUnit withSize:NSZeroSize] retain];
  ASSERT_NE(second, nil);
  EXPECT_NE(second, mView);
  ShowInWindow(second);
  EXPECT_EQ(mEditor->GetWindow(), (void*)second);
  ExpectWindowShowsTheEditor(second);

  NSTimer* secondTimer = [[second valueForKey:@"mTimer"] retain];
  NSView* third = [[mFactory uiViewForAudioUnit:mUnit withSize:NSZeroSize] retain];
  EXPECT_FALSE([secondTimer isValid]);
  EXPECT_FALSE([second isOpaque]);
  EXPECT_EQ(mEditor->GetWindow(), (void*)third);
  [secondTimer release];
  [mWindow setContentView:third];
  [second release];
  [third release];
}

// A host that gives a window instead of a view gets the editor in a borderless child window
// centred over it; removing it closes the editor and detaches the child.
TEST_P(EditorView, SubWindowOverAHostWindow)
{
  NSWindow* host = [[NSWindow alloc] initWithContentRect:NSMakeRect(60, 80, kWidth + 201, 400)
                                               styleMask:NSBorderlessWindowMask
                                                 backing:NSBackingStoreBuffered
                                                   defer:NO];
  [host setReleasedWhenClosed:NO];
  [host orderFront:nil];
  mEditor->AttachSubWindow(host);
  NSArray* children = [host childWindows];
  ASSERT_EQ([children count], 1u);
  NSWindow* child = [children objectAtIndex:0];
  const NSRect frame = [child frame];
  EXPECT_EQ(frame.origin.x, 60 + 100); // floor(201 / 2)
  EXPECT_EQ(frame.origin.y, 80);
  EXPECT_EQ(frame.size.width, kWidth);
  EXPECT_EQ(frame.size.height, kHeight);
  EXPECT_TRUE([child canBecomeKeyWindow]);
  NSView* view = (NSView*)mEditor->GetWindow();
  ASSERT_NE(view, nil);
  EXPECT_EQ([view superview], [child contentView]);
  EXPECT_FALSE([mView isOpaque]) << "the factory's view was not closed first";
  RunLoopFor(0.3);
  ExpectWindowShowsTheEditor(view);

  mEditor->RemoveSubWindow();
  EXPECT_EQ(mEditor->GetWindow(), nullptr);
  EXPECT_EQ([[host childWindows] count], 0u);
  [host close];
  [host release];
}

// The value text field, opened by a right-click on a knob of the GUI probe (Kestrion's
// knobs have no value prompt): it takes digits and signs, the period only for a double
// parameter, up to seven characters, and Return enters the typed value.
using EditorValueField = EditorView;

TEST_P(EditorValueField, AcceptsOnlyNumbersAndEntersTheValue)
{
  struct Knob
  {
    int left, param;
    BOOL takesPeriod;
  };
  for (const Knob knob : {Knob{kKnobL, 0, YES}, Knob{397, 1, NO}})
  {
    const double x = ViewX(knob.left + 5), y = ViewY(kKnobT + 5);
    [mView rightMouseDown:Mouse(NSRightMouseDown, x, y)];
    [mView rightMouseUp:Mouse(NSRightMouseUp, x, y)];
    NSTextField* field = TextFieldIn(mView);
    ASSERT_NE(field, nil) << "param " << knob.param;
    NSFormatter* formatter = [field formatter];
    ASSERT_NE(formatter, nil);
    struct Typed
    {
      const char* text;
      BOOL accepted;
    };
    for (const Typed typed :
         {Typed{"12", YES}, Typed{"12a", NO}, Typed{"-12", YES}, Typed{"+1", YES},
          Typed{"1.5", knob.takesPeriod}, Typed{"1234567", YES}, Typed{"12345678", NO},
          Typed{"1,5", NO}, Typed{"", YES}})
    {
      NSString* replacement = nil;
      NSString* error = nil;
      EXPECT_EQ([formatter isPartialStringValid:[NSString stringWithUTF8String:typed.text]
                               newEditingString:&replacement
                               errorDescription:&error],
                typed.accepted)
          << "param " << knob.param << ": " << typed.text;
    }
    [field setStringValue:@"25"];
    [(id)mView
        controlTextDidEndEditing:[NSNotification
                                     notificationWithName:NSControlTextDidEndEditingNotification
                                                   object:field]];
    AudioUnitParameterValue value = -1;
    AudioUnitGetParameter(mUnit, knob.param, kAudioUnitScope_Global, 0, &value);
    EXPECT_FLOAT_EQ(value, 25.0f);
    EXPECT_EQ(TextFieldIn(mView), nil) << "the field stays open";
  }
}

INSTANTIATE_TEST_SUITE_P(Units, EditorValueField, ::testing::Values(kGuiProbe), UnitName());

INSTANTIATE_TEST_SUITE_P(Units, EditorView, ::testing::Values(kGuiProbe, kKestrion), UnitName());
