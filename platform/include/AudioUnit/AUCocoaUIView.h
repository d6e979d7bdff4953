/* AUCocoaUIView.h — the protocol of an Audio Unit's Cocoa view factory (Objective-C only). */
#ifndef AUCOCOAUIVIEW_H
#define AUCOCOAUIVIEW_H

#include <AudioUnit/AUComponent.h>

#ifdef __OBJC__
#import <AppKit/AppKit.h>

@protocol AUCocoaUIBase
/* The protocol version the factory implements; 0. */
- (unsigned)interfaceVersion;
/* A new view editing inAudioUnit; the preferred size is a hint. */
- (NSView*)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize;
@end
#endif

#endif /* AUCOCOAUIVIEW_H */
