// Quartz Display Services over GNUstep: the main screen and the cursor on it. Nothing here
// makes the display connection; without the shared application there is no display.
#import <AppKit/AppKit.h>
#import <GNUstepGUI/GSDisplayServer.h>
#include <CoreGraphics/CGDirectDisplay.h>

namespace
{
constexpr CGDirectDisplayID kMainDisplay = 1;

// The main screen of an existing display connection, or nil.
NSScreen* ScreenOf(CGDirectDisplayID display)
{
  if (display != kMainDisplay || NSApp == nil) return nil;
  return [NSScreen mainScreen];
}

class AutoreleasePool
{
public:
  AutoreleasePool() : mPool([NSAutoreleasePool new]) {}
  ~AutoreleasePool() { [mPool drain]; }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

private:
  NSAutoreleasePool* mPool;
};
} // namespace

CGDirectDisplayID CGMainDisplayID(void)
{
  AutoreleasePool pool;
  return NSApp != nil && [NSScreen mainScreen] ? kMainDisplay : kCGNullDirectDisplay;
}

size_t CGDisplayPixelsWide(CGDirectDisplayID display)
{
  AutoreleasePool pool;
  NSScreen* screen = ScreenOf(display);
  return screen ? size_t([screen frame].size.width) : 0;
}

size_t CGDisplayPixelsHigh(CGDirectDisplayID display)
{
  AutoreleasePool pool;
  NSScreen* screen = ScreenOf(display);
  return screen ? size_t([screen frame].size.height) : 0;
}

CGError CGDisplayHideCursor(CGDirectDisplayID display)
{
  AutoreleasePool pool;
  if (!ScreenOf(display)) return kCGErrorFailure;
  [NSCursor hide];
  return kCGErrorSuccess;
}

CGError CGDisplayShowCursor(CGDirectDisplayID display)
{
  AutoreleasePool pool;
  if (!ScreenOf(display)) return kCGErrorFailure;
  [NSCursor unhide];
  return kCGErrorSuccess;
}

CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point)
{
  AutoreleasePool pool;
  NSScreen* screen = ScreenOf(display);
  if (!screen) return kCGErrorFailure;
  // GNUstep's screen coordinates have their origin at the bottom-left.
  const NSPoint location = NSMakePoint(point.x, [screen frame].size.height - point.y);
  [GSCurrentServer() setMouseLocation:location onScreen:[screen screenNumber]];
  return kCGErrorSuccess;
}
