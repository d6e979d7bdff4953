// Popup menus: the Cocoa menu built from an IPopupMenu, and the view that receives the
// chosen item.
#import "graphics/IGraphicsCocoa.h"

#include "graphics/IPopupMenu.h"

@implementation IGraphicsMenuRcvr

- (void)OnMenuSelection:(id)sender
{
  nsMenuItem = sender;
}

- (NSMenuItem*)MenuItem
{
  return nsMenuItem;
}

@end

@implementation IGraphicsNSMenu

- (id)initWithIPopupMenuAndReciever:(IPopupMenu*)menu:(NSView*)receiver
{
  self = [super initWithTitle:@""];
  if (!self) return nil;
  [self setAutoenablesItems:NO];
  mIPopupMenu = menu;
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    IPopupMenuItem* item = menu->GetItem(i);
    NSString* title = ToNSString(menu->GetDisplayText(i).c_str());
    if (item->GetSubmenu())
    {
      NSMenuItem* entry = [self addItemWithTitle:title action:NULL keyEquivalent:@""];
      IGraphicsNSMenu* submenu =
          [[[IGraphicsNSMenu alloc] initWithIPopupMenuAndReciever:item->GetSubmenu(
                                                                      ):receiver] autorelease];
      [self setSubmenu:submenu forItem:entry];
    }
    else if (item->GetIsSeparator())
    {
      [self addItem:[NSMenuItem separatorItem]];
    }
    else
    {
      NSMenuItem* entry = [self addItemWithTitle:title
                                          action:@selector(OnMenuSelection:)
                                   keyEquivalent:@""];
      [entry setTarget:receiver];
      if (item->GetIsTitle()) [entry setIndentationLevel:1];
      [entry setState:item->GetChecked() ? NSOnState : NSOffState];
      [entry setEnabled:item->GetEnabled() ? YES : NO];
    }
  }
  return self;
}

- (IPopupMenu*)AssociatedIPopupMenu
{
  return mIPopupMenu;
}

@end
