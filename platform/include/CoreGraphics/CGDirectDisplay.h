/* CGDirectDisplay.h — displays and the cursor on them (Quartz Display Services).
 *
 * Provided by the library kestrion_platform_appkit through GNUstep's window system: the main
 * display is GNUstep's main screen, display coordinates have their origin at its top-left
 * corner with y downward. Without a display connection (no shared application, see
 * <AppKit/NSApplicationLoad.h>) there is no main display: the cursor calls answer
 * kCGErrorFailure and the sizes are 0; nothing connects to the display. Main thread only. */
#ifndef CGDIRECTDISPLAY_H
#define CGDIRECTDISPLAY_H

#include <CoreGraphics/CGGeometry.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t CGDirectDisplayID;
typedef int32_t CGError;
enum {
  kCGErrorSuccess = 0,
  kCGErrorFailure = 1000
};
#define kCGNullDirectDisplay ((CGDirectDisplayID)0)
#define kCGDirectMainDisplay CGMainDisplayID()

__attribute__((visibility("default"))) CGDirectDisplayID CGMainDisplayID(void);
__attribute__((visibility("default"))) size_t CGDisplayPixelsWide(CGDirectDisplayID display);
__attribute__((visibility("default"))) size_t CGDisplayPixelsHigh(CGDirectDisplayID display);
__attribute__((visibility("default"))) CGError CGDisplayHideCursor(CGDirectDisplayID display);
__attribute__((visibility("default"))) CGError CGDisplayShowCursor(CGDirectDisplayID display);
/* point in display coordinates (top-left origin). */
__attribute__((visibility("default"))) CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display,
                                                                          CGPoint point);

#ifdef __cplusplus
}
#endif

#endif /* CGDIRECTDISPLAY_H */
