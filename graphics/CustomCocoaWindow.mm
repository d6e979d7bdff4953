// The borderless window of AttachSubWindow, which must still take keys for the text field.
#import "graphics/IGraphicsCocoa.h"

@implementation CustomCocoaWindow

- (BOOL)canBecomeKeyWindow
{
  return YES;
}

@end
