/* NSApplicationLoad.h — loading the Cocoa application environment from code that is not a
 * Cocoa application (a plug-in inside a host). AppKit declares the function in
 * NSApplication.h; GNUstep's AppKit lacks it, so it comes from here (library
 * kestrion_platform_appkit). Include after <AppKit/AppKit.h>.
 *
 * Makes the shared application object (connecting to the display) and returns YES when it
 * exists; later calls only answer. Main thread only. */
#ifndef NSAPPLICATIONLOAD_H
#define NSAPPLICATIONLOAD_H

#ifdef __OBJC__
#import <AppKit/AppKit.h>

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) BOOL NSApplicationLoad(void);

#ifdef __cplusplus
}
#endif
#endif

#endif /* NSAPPLICATIONLOAD_H */
