#pragma once
// The Cocoa classes of the editor view (Objective-C++ only; empty for C++).
//
// Every bundle that carries an editor registers these classes with the process's one
// Objective-C runtime, so their names carry the bundle's suffix (COCOA_CLASS_SUFFIX, by
// default _vKestrion_au): two plug-ins in one host never share a class. The code names them
// by their base names through the macros below.
//
// All of it runs on the main thread.

#ifdef __OBJC__
#import <AppKit/AppKit.h>

#include "graphics/IGraphics.h"

#ifndef COCOA_CLASS_SUFFIX
#define COCOA_CLASS_SUFFIX _vKestrion_au
#endif
#define COCOA_CLASS_JOIN2(base, suffix) base##suffix
#define COCOA_CLASS_JOIN(base, suffix) COCOA_CLASS_JOIN2(base, suffix)
#define IGraphicsCocoa COCOA_CLASS_JOIN(IGraphicsCocoa, COCOA_CLASS_SUFFIX)
#define IGraphicsMenuRcvr COCOA_CLASS_JOIN(IGraphicsMenuRcvr, COCOA_CLASS_SUFFIX)
#define IGraphicsNSMenu COCOA_CLASS_JOIN(IGraphicsNSMenu, COCOA_CLASS_SUFFIX)
#define CocoaFormatter COCOA_CLASS_JOIN(CocoaFormatter, COCOA_CLASS_SUFFIX)
#define CustomCocoaWindow COCOA_CLASS_JOIN(CustomCocoaWindow, COCOA_CLASS_SUFFIX)

class IParam;

// A Cocoa string from UTF-8 text (autoreleased; empty for null).
NSString* ToNSString(const char* text);

// The editor's view: polls the editor for dirty controls at its frame rate, draws through
// IGraphics::Draw and turns mouse, wheel and key events into editor calls.
@interface IGraphicsCocoa : NSView
{
@public
  IGraphics* mGraphics; // the editor; null once closed
  NSTimer* mTimer;      // the redraw poll; held by the run loop
  int mPrevX, mPrevY;   // last mouse position in editor coordinates
  NSTextField* mTextFieldView;
  IParam* mEdParam;
  IControl* mEdControl;
}
- (id)initWithIGraphics:(IGraphics*)graphics;
- (void)onTimer:(NSTimer*)timer;
- (void)getMouseXY:(NSEvent*)event x:(int*)x y:(int*)y;
- (void)killTimer;
- (IPopupMenu*)createIPopupMenu:(IPopupMenu*)menu:(NSRect)rect;
- (void)createTextEntry:(IControl*)
                control:(IParam*)param
                       :(IText*)text
                       :(const char*)str
                       :(NSRect)rect;
- (void)endUserInput;
- (void)registerToolTip:(NSRect)rect;
@end

// The view a popup menu reports its chosen item to.
@interface IGraphicsMenuRcvr : NSView
{
  NSMenuItem* nsMenuItem;
}
- (void)OnMenuSelection:(id)sender;
- (NSMenuItem*)MenuItem;
@end

// A menu built from an IPopupMenu, remembering it.
@interface IGraphicsNSMenu : NSMenu
{
  IPopupMenu* mIPopupMenu;
}
- (id)initWithIPopupMenuAndReciever:(IPopupMenu*)menu:(NSView*)receiver;
- (IPopupMenu*)AssociatedIPopupMenu;
@end

// Filters what may be typed into the value text field.
@interface CocoaFormatter : NSFormatter
{
  NSCharacterSet* filterCharacterSet;
  int maxLength;
  int maxValue;
}
- (void)setAcceptableCharacterSet:(NSCharacterSet*)characterSet;
- (void)setMaximumLength:(int)length;
- (void)setMaximumValue:(int)value;
@end

// A borderless window that can still become the key window.
@interface CustomCocoaWindow : NSWindow
@end

#endif
