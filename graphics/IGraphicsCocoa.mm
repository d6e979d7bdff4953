// The editor's view: the redraw poll, drawing, mouse, wheel and key input, the value text
// field, popup menus and tooltips.
#import "graphics/IGraphicsCocoa.h"

#include "framework/IParam.h"
#include "graphics/CocoaEditorRules.h"
#include "graphics/IGraphicsMac.h"

NSString* ToNSString(const char* text)
{
  return [NSString stringWithUTF8String:text ? text : ""];
}

namespace
{
NSRect ToNSRect(const ViewRect& r)
{
  return NSMakeRect(r.x, r.y, r.w, r.h);
}

HeldKeys HeldKeysOf(NSEvent* event)
{
  const NSUInteger flags = [event modifierFlags];
  HeldKeys keys;
  keys.shift = (flags & NSShiftKeyMask) != 0;
  keys.control = (flags & NSControlKeyMask) != 0;
  keys.option = (flags & NSAlternateKeyMask) != 0;
  keys.command = (flags & NSCommandKeyMask) != 0;
  return keys;
}

// Hands a mouse event to the editor's `handler` at the event's point, with the modifiers held
// (`right`: made by the right button); `extra` follows as the handler's last arguments.
template <typename Result, typename... Extra>
void SendMouse(IGraphicsCocoa* view, NSEvent* event, bool right,
               Result (IGraphics::*handler)(int, int, IMouseMod*, Extra...), Extra... extra)
{
  int x, y;
  [view getMouseXY:event x:&x y:&y];
  IMouseMod mod = MouseModFor(HeldKeysOf(event), right);
  (view->mGraphics->*handler)(x, y, &mod, extra...);
}

NSColor* ToNSColor(const IColor& c)
{
  return [NSColor colorWithCalibratedRed:c.R / 255.0
                                   green:c.G / 255.0
                                    blue:c.B / 255.0
                                   alpha:c.A / 255.0];
}
} // namespace

@implementation IGraphicsCocoa

- (id)initWithIGraphics:(IGraphics*)graphics
{
  self = [super initWithFrame:NSMakeRect(0, 0, graphics->Width(), graphics->Height())];
  if (!self) return nil;
  mGraphics = graphics;
  mTimer = [NSTimer timerWithTimeInterval:1.0 / graphics->FPS()
                                   target:self
                                 selector:@selector(onTimer:)
                                 userInfo:nil
                                  repeats:YES];
  // The common modes keep the poll running while a menu tracks or the window resizes.
  // GNUstep's run loop does not fire a timer of the common modes while it runs in the
  // default mode, so the timer joins the default and event-tracking modes by name as well.
  NSRunLoop* runLoop = [NSRunLoop currentRunLoop];
  [runLoop addTimer:mTimer forMode:NSRunLoopCommonModes];
  [runLoop addTimer:mTimer forMode:NSDefaultRunLoopMode];
  [runLoop addTimer:mTimer forMode:NSEventTrackingRunLoopMode];
  return self;
}

- (BOOL)isOpaque
{
  return mGraphics ? YES : NO;
}

- (BOOL)acceptsFirstResponder
{
  return YES;
}

- (BOOL)acceptsFirstMouse:(NSEvent*)event
{
  return YES;
}

- (void)viewDidMoveToWindow
{
  NSWindow* window = [self window];
  if (!window) return;
  [window makeFirstResponder:self];
  [window setAcceptsMouseMovedEvents:YES];
}

- (void)drawRect:(NSRect)rect
{
  if (!mGraphics) return;
  const ViewRect area{rect.origin.x, rect.origin.y, rect.size.width, rect.size.height};
  IRECT r = IRECTFromViewRect(area, mGraphics->Height());
  mGraphics->Draw(&r);
}

- (void)onTimer:(NSTimer*)timer
{
  if (timer != mTimer || !mGraphics) return;
  IRECT dirty;
  if (mGraphics->IsDirty(&dirty))
    [self setNeedsDisplayInRect:ToNSRect(ViewRectFromIRECT(dirty, mGraphics->Height()))];
}

- (void)getMouseXY:(NSEvent*)event x:(int*)x y:(int*)y
{
  const NSPoint p = [self convertPoint:[event locationInWindow] fromView:nil];
  const EditorPoint e = EditorPointFromViewPoint(p.x, p.y, mGraphics->Height());
  *x = mPrevX = e.x;
  *y = mPrevY = e.y;
}

// ---- Mouse ---------------------------------------------------------------------------------

- (void)mouseDown:(NSEvent*)event
{
  if (!mGraphics) return;
  if ([event clickCount] > 1)
    SendMouse(self, event, false, &IGraphics::OnMouseDblClick);
  else
    SendMouse(self, event, false, &IGraphics::OnMouseDown);
}

- (void)mouseUp:(NSEvent*)event
{
  if (mGraphics) SendMouse(self, event, false, &IGraphics::OnMouseUp);
}

- (void)mouseDragged:(NSEvent*)event
{
  if (mGraphics && !mTextFieldView) SendMouse(self, event, false, &IGraphics::OnMouseDrag);
}

- (void)rightMouseDown:(NSEvent*)event
{
  if (mGraphics) SendMouse(self, event, true, &IGraphics::OnMouseDown);
}

- (void)rightMouseUp:(NSEvent*)event
{
  if (mGraphics) SendMouse(self, event, true, &IGraphics::OnMouseUp);
}

- (void)rightMouseDragged:(NSEvent*)event
{
  if (mGraphics && !mTextFieldView) SendMouse(self, event, true, &IGraphics::OnMouseDrag);
}

- (void)mouseMoved:(NSEvent*)event
{
  if (mGraphics) SendMouse(self, event, false, &IGraphics::OnMouseOver);
}

- (void)scrollWheel:(NSEvent*)event
{
  if (!mGraphics) return;
  if (mTextFieldView) [self endUserInput];
  SendMouse(self, event, false, &IGraphics::OnMouseWheel, WheelSteps([event deltaY]));
}

// ---- Keys ----------------------------------------------------------------------------------

- (void)keyDown:(NSEvent*)event
{
  if (!mGraphics) return;
  NSString* characters = [event charactersIgnoringModifiers];
  if ([characters length] != 1) return;
  const int key = EditorKeyFor([event keyCode], [characters characterAtIndex:0]);
  if (key < 0 || !mGraphics->OnKeyDown(mPrevX, mPrevY, key)) [[self nextResponder] keyDown:event];
}

// ---- Closing -------------------------------------------------------------------------------

- (void)killTimer
{
  [mTimer invalidate];
  mTimer = nil;
}

- (void)removeFromSuperview
{
  [self retain]; // the superview may hold the last reference
  if (mTextFieldView) [self endUserInput];
  // GNUstep's addSubview: and setContentView: send this to a view that has no superview
  // yet; only a view that is really leaving one closes the editor.
  if (mGraphics && [self superview])
  {
    IGraphics* graphics = mGraphics;
    mGraphics = nullptr;
    graphics->CloseWindow();
  }
  [super removeFromSuperview];
  [self release];
}

// ---- Value text field ----------------------------------------------------------------------

- (void)createTextEntry:(IControl*)control:(IParam*)param:(IText*)text:(const char*)str:(NSRect)rect
{
  if (!control || mTextFieldView) return;
  mTextFieldView = [[NSTextField alloc] initWithFrame:rect];
  NSFont* font = [NSFont fontWithName:ToNSString(text->mFont) size:int(text->mSize * 0.9)];
  if (font) [mTextFieldView setFont:font];
  switch (text->mAlign)
  {
  case IText::kAlignLeft:
    [mTextFieldView setAlignment:NSLeftTextAlignment];
    break;
  case IText::kAlignCenter:
    [mTextFieldView setAlignment:NSCenterTextAlignment];
    break;
  case IText::kAlignRight:
    [mTextFieldView setAlignment:NSRightTextAlignment];
    break;
  default:
    break;
  }
  if (param)
  {
    CocoaFormatter* formatter = [[[CocoaFormatter alloc] init] autorelease];
    NSString* allowed = ToNSString(AllowedEntryCharacters(param->Type()));
    [formatter
        setAcceptableCharacterSet:[NSCharacterSet characterSetWithCharactersInString:allowed]];
    [formatter setMaximumLength:control->GetTextEntryLength()];
    [mTextFieldView setFormatter:formatter];
  }
  [[mTextFieldView cell] setLineBreakMode:NSLineBreakByTruncatingTail];
  [mTextFieldView setAllowsEditingTextAttributes:NO];
  [mTextFieldView setTextColor:ToNSColor(text->mTextEntryFGColor)];
  [mTextFieldView setBackgroundColor:ToNSColor(text->mTextEntryBGColor)];
  [mTextFieldView setStringValue:ToNSString(str)];
  [mTextFieldView setBordered:NO];
  [mTextFieldView setFocusRingType:NSFocusRingTypeNone];
  [mTextFieldView setDelegate:(id)self];
  [self addSubview:mTextFieldView];
  NSWindow* window = [self window];
  [window makeKeyAndOrderFront:nil];
  [window makeFirstResponder:mTextFieldView];
  mEdParam = param;
  mEdControl = control;
}

- (void)controlTextDidEndEditing:(NSNotification*)notification
{
  if (!mTextFieldView) return;
  const char* text = [[mTextFieldView stringValue] UTF8String];
  if (mGraphics && mEdControl)
  {
    if (mEdParam)
      mGraphics->SetFromStringAfterPrompt(mEdControl, mEdParam, text);
    else
      mEdControl->TextFromTextEntry(text);
  }
  [self endUserInput];
  [self setNeedsDisplay:YES];
}

- (void)endUserInput
{
  if (!mTextFieldView) return;
  NSTextField* field = mTextFieldView;
  mTextFieldView = nil;
  [field setDelegate:nil];
  [field removeFromSuperview];
  [field release];
  if ([self window]) [[self window] makeFirstResponder:self];
  mEdParam = nullptr;
  mEdControl = nullptr;
}

// ---- Popup menus ---------------------------------------------------------------------------

- (IPopupMenu*)createIPopupMenu:(IPopupMenu*)menu:(NSRect)rect
{
  IGraphicsMenuRcvr* receiver = [[[IGraphicsMenuRcvr alloc] initWithFrame:rect] autorelease];
  IGraphicsNSMenu* nsMenu =
      [[[IGraphicsNSMenu alloc] initWithIPopupMenuAndReciever:(menu):(receiver)] autorelease];
  NSWindow* window = [self window];
  NSPoint anchor = [self convertPoint:NSMakePoint(rect.origin.x, rect.origin.y - 4) toView:nil];
  const CGFloat scale = window && [window screen] ? [[window screen] backingScaleFactor] : 1.0;
  if (scale > 0)
  {
    anchor.x /= scale;
    anchor.y /= scale;
  }
  NSEvent* event = [NSEvent otherEventWithType:NSApplicationDefined
                                      location:anchor
                                 modifierFlags:NSApplicationDefined
                                     timestamp:0
                                  windowNumber:[window windowNumber]
                                       context:[NSGraphicsContext currentContext]
                                       subtype:0
                                         data1:0
                                         data2:0];
  [NSMenu popUpContextMenu:nsMenu withEvent:event forView:receiver];

  NSMenuItem* chosen = [receiver MenuItem];
  if (!chosen) return nullptr;
  IGraphicsNSMenu* chosenMenu = (IGraphicsNSMenu*)[chosen menu];
  if (![chosenMenu respondsToSelector:@selector(AssociatedIPopupMenu)]) return nullptr;
  IPopupMenu* result = [chosenMenu AssociatedIPopupMenu];
  const NSInteger index = [chosenMenu indexOfItem:chosen];
  if (!result || index < 0) return nullptr;
  result->SetChosenItemIdx(int(index));
  return result;
}

// ---- Tooltips ------------------------------------------------------------------------------

- (void)registerToolTip:(NSRect)rect
{
  [self addToolTipRect:rect owner:self userData:nullptr];
}

- (NSString*)view:(NSView*)view
    stringForToolTip:(NSToolTipTag)tag
               point:(NSPoint)point
            userData:(void*)data
{
  IGraphicsMac* editor = dynamic_cast<IGraphicsMac*>(mGraphics);
  return ToNSString(editor ? editor->TooltipUnderMouse() : "");
}

@end
