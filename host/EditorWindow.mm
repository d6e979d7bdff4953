// The editor window on AppKit (GNUstep on Linux): the host's side of the Cocoa view factory.

#include "host/EditorWindow.h"

#import <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <string>

// Closing the window ends the application's run loop, and with it the command.
@interface KestrionEditorWindowDelegate : NSObject
@end

@implementation KestrionEditorWindowDelegate
- (void)windowWillClose:(NSNotification*)notification
{
  (void)notification;
  [NSApp stop:nil];
  // stop: takes effect after the next event; this one wakes the loop.
  NSEvent* wake = [NSEvent otherEventWithType:NSApplicationDefined
                                     location:NSMakePoint(0, 0)
                                modifierFlags:0
                                    timestamp:0
                                 windowNumber:0
                                      context:nil
                                      subtype:0
                                        data1:0
                                        data2:0];
  [NSApp postEvent:wake atStart:YES];
}
@end

namespace
{
std::string Text(CFStringRef s)
{
  char buffer[1024] = {};
  if (s) CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8);
  return buffer;
}

int Fail(char* error, size_t size, const std::string& reason)
{
  std::snprintf(error, size, "%s", reason.c_str());
  return 1;
}
} // namespace

extern "C" __attribute__((visibility("default"))) int
KestrionRunEditorWindow(AudioUnit unit, const char* title, char* error, size_t errorSize)
{
  AudioUnitCocoaViewInfo info = {};
  UInt32 size = sizeof info;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info,
                           &size) != noErr)
    return Fail(error, errorSize, "the component offers no Cocoa editor view");
  UInt8 path[4096] = {};
  const bool located =
      info.mCocoaAUViewBundleLocation &&
      CFURLGetFileSystemRepresentation(info.mCocoaAUViewBundleLocation, true, path, sizeof path);
  const std::string className = Text(info.mCocoaAUViewClass[0]);
  if (info.mCocoaAUViewBundleLocation) CFRelease(info.mCocoaAUViewBundleLocation);
  if (info.mCocoaAUViewClass[0]) CFRelease(info.mCocoaAUViewClass[0]);
  if (!located) return Fail(error, errorSize, "the component names no bundle for its view");

  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  [NSApplication sharedApplication];
  // The factory class lives in the component's executable, loaded already when the unit was
  // opened; the bundle is asked first, as on macOS.
  NSBundle* bundle =
      [NSBundle bundleWithPath:[NSString stringWithUTF8String:reinterpret_cast<char*>(path)]];
  NSString* name = [NSString stringWithUTF8String:className.c_str()];
  Class factoryClass = bundle ? [bundle classNamed:name] : Nil;
  if (!factoryClass) factoryClass = NSClassFromString(name);
  if (!factoryClass || ![factoryClass instancesRespondToSelector:@selector(uiViewForAudioUnit:
                                                                                     withSize:)])
  {
    [pool drain];
    return Fail(error, errorSize, "the component's view factory " + className + " is not there");
  }

  id<AUCocoaUIBase> factory = [[factoryClass alloc] init];
  NSView* view = [factory uiViewForAudioUnit:unit withSize:NSMakeSize(0, 0)];
  if (!view)
  {
    [(id)factory release];
    [pool drain];
    return Fail(error, errorSize, "the view factory made no view");
  }

  NSWindow* window = [[NSWindow alloc]
      initWithContentRect:NSMakeRect(0, 0, [view frame].size.width, [view frame].size.height)
                styleMask:NSTitledWindowMask | NSClosableWindowMask | NSMiniaturizableWindowMask
                  backing:NSBackingStoreBuffered
                    defer:NO];
  KestrionEditorWindowDelegate* delegate = [KestrionEditorWindowDelegate new];
  [window setReleasedWhenClosed:NO];
  [window setTitle:[NSString stringWithUTF8String:title]];
  [window setContentView:view];
  [window setDelegate:delegate];
  [window center];
  [window makeKeyAndOrderFront:nil];
  [NSApp run];

  // The view goes before the caller closes the unit it edits.
  [window setDelegate:nil];
  [window setContentView:nil];
  [window release];
  [delegate release];
  [(id)factory release];
  [pool drain];
  return 0;
}
