// NSApplicationLoad for GNUstep: a process that is not a Cocoa application (a host that
// loads a component) gets the shared application object and with it the display connection.
#import <AppKit/AppKit.h>
#include <AppKit/NSApplicationLoad.h>

BOOL NSApplicationLoad(void)
{
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  const BOOL loaded = [NSApplication sharedApplication] != nil;
  [pool drain];
  return loaded;
}
