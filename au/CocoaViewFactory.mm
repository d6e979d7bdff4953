// The Cocoa view factory a host finds by name in the bundle (AU_COCOA_VIEW_FACTORY, by default
// Kestrion_View) after reading kAudioUnitProperty_CocoaUI: it hands out the editor's view.
// Each bundle compiles this file with its own class name (kestrion_add_cocoa_view_factory).
#import <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>

#include "au/IEffectAU.h"
#include "au/LiveUnits.h"
#include "graphics/IGraphics.h"

#ifndef AU_COCOA_VIEW_FACTORY
#define AU_COCOA_VIEW_FACTORY Kestrion_View
#endif

#include <functional>

namespace
{
// Opens the editor of the plug-in object behind a unit (g++ does not parse lambdas inside
// Objective-C++ methods).
struct EditorOpener
{
  IEffectAU* plug = nullptr;
  void* view = nullptr;
  void operator()(IEffectAU& p)
  {
    plug = &p;
    IGraphics* editor = p.GetGUI();
    if (!editor) return;
    view = editor->OpenWindow(nullptr);
    p.OnGUIOpen();
  }
};
} // namespace

@interface AU_COCOA_VIEW_FACTORY : NSObject <AUCocoaUIBase>
{
  IEffectAU* mPlug; // the plug-in object of the last unit asked for; not owned
}
@end

@implementation AU_COCOA_VIEW_FACTORY

- (id)init
{
  mPlug = nullptr;
  return [super init];
}

- (unsigned)interfaceVersion
{
  return 0;
}

// The class name with spaces for underscores ("Kestrion View").
- (NSString*)description
{
  return [NSStringFromClass([self class]) stringByReplacingOccurrencesOfString:@"_"
                                                                    withString:@" "];
}

// The unit must be an open unit of this bundle; anything else gets no view.
- (NSView*)uiViewForAudioUnit:(AudioUnit)unit withSize:(NSSize)preferredSize
{
  EditorOpener opener;
  LiveUnits::Visit(unit, std::ref(opener));
  mPlug = opener.plug;
  // The editor keeps its own reference while open; the host gets one of its own.
  NSView* view = (NSView*)opener.view;
  return [[view retain] autorelease];
}

@end
