// IGraphicsMac: the editor's platform operations on AppKit.
#import "graphics/IGraphicsCocoa.h"

#include <AppKit/NSApplicationLoad.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CGDirectDisplay.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreServices/CoreServices.h>

#include <cmath>
#include <cstring>

#include "graphics/CocoaEditorRules.h"
#include "graphics/IGraphicsMac.h"

namespace
{
// Releases the autoreleased objects made inside a scope.
class AutoreleasePool
{
public:
  AutoreleasePool() : mPool([NSAutoreleasePool new]) {}
  ~AutoreleasePool() { [mPool drain]; }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

private:
  NSAutoreleasePool* mPool;
};

IGraphicsCocoa* ViewOf(void* view)
{
  return (IGraphicsCocoa*)view;
}

NSRect ToNSRect(const ViewRect& r)
{
  return NSMakeRect(r.x, r.y, r.w, r.h);
}

CFStringRef MakeCFString(const char* text)
{
  return text ? CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8) : nullptr;
}

void Release(CFTypeRef object)
{
  if (object) CFRelease(object);
}

std::string FileSystemPath(CFURLRef url)
{
  char path[4096];
  if (!url ||
      !CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof(path)))
    return "";
  return path;
}

std::string UTF8(NSString* text)
{
  return text ? [text UTF8String] : "";
}

// Cocoa's application environment is loaded once, by the first view opened (it connects
// to the display, which constructing and drawing off screen never need).
void LoadApplicationEnvironment()
{
  static bool loaded = false;
  if (!loaded) loaded = NSApplicationLoad();
}
} // namespace

IGraphicsMac::IGraphicsMac(IEffectBase* plug, int w, int h, int fps) : IGraphics(plug, w, h, fps) {}

IGraphicsMac::~IGraphicsMac()
{
  CloseWindow();
  if (mHostNSWindow) [(NSWindow*)mHostNSWindow release];
  CGColorSpaceRelease(mColorSpace);
}

int IGraphicsMac::GetUserOSVersion()
{
  SInt32 version = 0;
  return Gestalt(gestaltSystemVersion, &version) == noErr ? int(version) : 0;
}

Raster_IBitmap* IGraphicsMac::OSLoadBitmap(int /*id*/, const char* name)
{
  return LoadImgFromResourceOSX(mBundleID.c_str(), name);
}

bool IGraphicsMac::MeasureIText(IText* text, const char* str, IRECT* rect)
{
  AutoreleasePool pool;
  return DrawIText(text, str, rect, true);
}

const char* IGraphicsMac::TooltipUnderMouse() const
{
  const IControl* control = GetControl(mMouseOver);
  return control ? control->GetTooltip().c_str() : "";
}

// ---- Opening and closing -----------------------------------------------------------------

void* IGraphicsMac::OpenWindow(void* parentView)
{
  AutoreleasePool pool;
  LoadApplicationEnvironment();
  CloseWindow();
  IGraphicsCocoa* view = [[IGraphicsCocoa alloc] initWithIGraphics:this];
  mGraphicsCocoa = view;
  if (parentView) [(NSView*)parentView addSubview:view];
  UpdateTooltips();
  return view;
}

void* IGraphicsMac::OpenWindow(void* /*window*/, void* /*control*/, short /*x*/, short /*y*/)
{
  return nullptr;
}

void IGraphicsMac::CloseWindow()
{
  if (!mGraphicsCocoa) return;
  AutoreleasePool pool;
  IGraphicsCocoa* view = ViewOf(mGraphicsCocoa);
  [view removeAllToolTips];
  [view killTimer];
  mGraphicsCocoa = nullptr;
  if (view->mGraphics)
  {
    view->mGraphics = nullptr;
    [view removeFromSuperview];
  }
  [view release]; // a host that still holds the view keeps it, inert
}

void IGraphicsMac::AttachSubWindow(void* hostWindow)
{
  if (!hostWindow) return;
  AutoreleasePool pool;
  // The host's window reference is a Cocoa window already (there is no Carbon window to
  // wrap): it is retained for as long as the editor is attached, and never closed by us.
  NSWindow* host = [(NSWindow*)hostWindow retain];
  [host setCanHide:YES];
  const NSRect frame = [host frame];
  const double offset = frame.size.width > mWidth ? floor((frame.size.width - mWidth) * 0.5) : 0;
  CustomCocoaWindow* child = [[CustomCocoaWindow alloc]
      initWithContentRect:NSMakeRect(frame.origin.x + offset, frame.origin.y, mWidth, mHeight)
                styleMask:NSBorderlessWindowMask
                  backing:NSBackingStoreBuffered
                    defer:NO];
  [child setOpaque:YES];
  [child setCanHide:YES];
  [child setHasShadow:NO];
  [child setReleasedWhenClosed:YES];
  OpenWindow([child contentView]);
  [host addChildWindow:child ordered:NSWindowAbove];
  [host orderFront:nil];
  [host display];
  [child performSelector:@selector(orderFront:) withObject:nil afterDelay:0.05];
  if (mHostNSWindow) [(NSWindow*)mHostNSWindow release];
  mHostNSWindow = host;
}

void IGraphicsMac::RemoveSubWindow()
{
  if (!mHostNSWindow) return;
  AutoreleasePool pool;
  NSWindow* host = (NSWindow*)mHostNSWindow;
  NSArray* children = [host childWindows];
  NSWindow* child = [children count] ? [children objectAtIndex:0] : nil;
  CloseWindow();
  [host orderOut:nil];
  if (child) [NSObject cancelPreviousPerformRequestsWithTarget:child];
  [child orderOut:nil];
  [child close];
  if (child) [host removeChildWindow:child];
  mHostNSWindow = nullptr;
  [host release];
}

// ---- Drawing -------------------------------------------------------------------------------

bool IGraphicsMac::DrawScreen(IRECT* /*r*/)
{
  // Without a view nothing reaches GNUstep: a headless editor draws only off screen.
  IGraphicsCocoa* view = ViewOf(mGraphicsCocoa);
  if (!view) return false;
  NSGraphicsContext* context = [NSGraphicsContext currentContext];
  Raster_IBitmap* bitmap = GetDrawBitmap();
  if (!context || !bitmap || !bitmap->getBits()) return false;
  // There is no display colour profile to ask for: the device RGB space (see ColorSync).
  if (!mColorSpace) mColorSpace = CGColorSpaceCreateDeviceRGB();

  const Raster_Pixel* pixels = bitmap->getBits();
  int w = bitmap->getWidth(), h = bitmap->getHeight(), span = bitmap->getRowSpan();
  if (IsHighResolution([view convertSizeToBase:NSMakeSize(1, 1)].width))
  {
    if (const Raster_Pixel* doubled = mBlitBuf.Double(pixels, w, h, span))
    {
      pixels = doubled;
      span = DoubledRowSpan(w);
      w *= 2;
      h *= 2;
    }
  }

  AutoreleasePool pool;
  // The pixels are bytes A, R, G, B: an alpha-first image over the editor's own memory.
  unsigned char* planes[1] = {reinterpret_cast<unsigned char*>(const_cast<Raster_Pixel*>(pixels))};
  NSBitmapImageRep* image = [[[NSBitmapImageRep alloc]
      initWithBitmapDataPlanes:planes
                    pixelsWide:w
                    pixelsHigh:h
                 bitsPerSample:8
               samplesPerPixel:4
                      hasAlpha:YES
                      isPlanar:NO
                colorSpaceName:NSDeviceRGBColorSpace
                  bitmapFormat:NSBitmapFormat(NSAlphaFirstBitmapFormat |
                                              NSAlphaNonpremultipliedBitmapFormat)
                   bytesPerRow:span * 4
                  bitsPerPixel:32] autorelease];
  if (!image) return true;
  // The screen image is opaque: copied, not blended over what the view showed.
  [image drawInRect:NSMakeRect(0, 0, mWidth, mHeight)
            fromRect:NSZeroRect
           operation:NSCompositeCopy
            fraction:1.0
      respectFlipped:NO
               hints:nil];
  return true;
}

void IGraphicsMac::Resize(int w, int h)
{
  if (w == mWidth && h == mHeight) return;
  IGraphics::Resize(w, h);
  if (mGraphicsCocoa) [ViewOf(mGraphicsCocoa) setFrameSize:NSMakeSize(w, h)];
}

// ---- Text entry, menus, tooltips -----------------------------------------------------------

void IGraphicsMac::ForceEndUserEdit()
{
  if (mGraphicsCocoa) [ViewOf(mGraphicsCocoa) endUserInput];
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* menu, IRECT* rect)
{
  ReleaseMouseCapture();
  if (!mGraphicsCocoa || !menu || !rect) return nullptr;
  AutoreleasePool pool;
  return [ViewOf(mGraphicsCocoa) createIPopupMenu:menu:ToNSRect(ViewRectFromIRECT(*rect, mHeight))];
}

void IGraphicsMac::CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                                   IParam* param)
{
  if (!mGraphicsCocoa || !text || !rect) return;
  AutoreleasePool pool;
  [ViewOf(mGraphicsCocoa)
      createTextEntry:
              control:param:text:str:ToNSRect(ViewRectFromIRECT(*rect, mHeight))];
}

void IGraphicsMac::UpdateTooltips()
{
  if (!mGraphicsCocoa || !mEnableTooltips) return;
  AutoreleasePool pool;
  IGraphicsCocoa* view = ViewOf(mGraphicsCocoa);
  [view removeAllToolTips];
  for (const auto& control : mControls)
  {
    const IRECT& hit = control->GetTargetRECT();
    if (!control->IsHidden() && !hit.Empty())
      [view registerToolTip:ToNSRect(ViewRectFromIRECT(hit, mHeight))];
  }
}

// ---- Dialogs and the system ----------------------------------------------------------------

int IGraphicsMac::ShowMessageBox(const char* text, const char* caption, int type)
{
  const std::vector<std::string> buttons = MessageBoxButtons(type);
  CFStringRef titles[3] = {nullptr, nullptr, nullptr};
  for (std::size_t i = 0; i < buttons.size() && i < 3; ++i)
    if (!buttons[i].empty()) titles[i] = MakeCFString(buttons[i].c_str());
  CFStringRef header = MakeCFString(caption), message = MakeCFString(text);
  CFOptionFlags response = 0;
  CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr, nullptr,
                                 header, message, titles[0], titles[1], titles[2], &response);
  for (CFStringRef s : {header, message, titles[0], titles[1], titles[2]})
    Release(s);
  return MessageBoxAnswer(int(response & 3));
}

bool IGraphicsMac::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url) return true;
  AutoreleasePool pool;
  NSURL* target = std::strstr(url, "http") ? [NSURL URLWithString:ToNSString(url)]
                                           : [NSURL fileURLWithPath:ToNSString(url)];
  if (!target) return true;
  return [[NSWorkspace sharedWorkspace] openURL:target];
}

void IGraphicsMac::PromptForFile(std::string* file, EFileAction action, std::string* dir,
                                 const char* extensions)
{
  if (!file) return;
  if (!mGraphicsCocoa)
  {
    *file = "";
    return;
  }
  AutoreleasePool pool;
  const std::string defaultName = *file;
  std::string folder = dir && !dir->empty() ? *dir : "~/Desktop";
  if (dir && dir->empty()) *dir = folder;
  *file = "";

  NSMutableArray* types = [NSMutableArray array];
  for (const std::string& extension : SplitExtensions(extensions))
    [types addObject:ToNSString(extension.c_str())];
  NSString* directory = [ToNSString(folder.c_str()) stringByExpandingTildeInPath];

  NSInteger result;
  NSSavePanel* panel;
  if (action == kFileSave)
  {
    panel = [NSSavePanel savePanel];
    if ([types count]) [panel setAllowedFileTypes:types];
    [panel setAllowsOtherFileTypes:NO];
    result = [panel runModalForDirectory:directory file:ToNSString(defaultName.c_str())];
  }
  else
  {
    NSOpenPanel* open = [NSOpenPanel openPanel];
    [open setCanChooseFiles:YES];
    [open setCanChooseDirectories:NO];
    [open setResolvesAliases:YES];
    panel = open;
    result = [open runModalForDirectory:directory
                                   file:ToNSString(defaultName.c_str())
                                  types:[types count] ? types : nil];
  }
  if (result != NSOKButton) return;
  *file = UTF8([panel filename]);
  if (dir) *dir = FolderOf(*file);
}

// ---- Paths ---------------------------------------------------------------------------------

void IGraphicsMac::HostPath(std::string* path)
{
  if (!path) return;
  CFStringRef id = MakeCFString(mBundleID.c_str());
  if (CFBundleRef bundle = id ? CFBundleGetBundleWithIdentifier(id) : nullptr)
  {
    CFURLRef url = CFBundleCopyExecutableURL(bundle);
    *path = FileSystemPath(url);
    Release(url);
  }
  Release(id);
}

void IGraphicsMac::PluginPath(std::string* path)
{
  if (!path) return;
  CFStringRef id = MakeCFString(mBundleID.c_str());
  if (CFBundleRef bundle = id ? CFBundleGetBundleWithIdentifier(id) : nullptr)
  {
    CFURLRef url = CFBundleCopyBundleURL(bundle);
    std::string bundlePath = FileSystemPath(url);
    while (bundlePath.size() > 1 && bundlePath.back() == '/')
      bundlePath.pop_back();
    *path = FolderOf(bundlePath);
    Release(url);
  }
  Release(id);
}

void IGraphicsMac::DesktopPath(std::string* path)
{
  if (!path) return;
  AutoreleasePool pool;
  NSArray* paths = NSSearchPathForDirectoriesInDomains(NSDesktopDirectory, NSUserDomainMask, YES);
  *path = [paths count] ? UTF8([paths objectAtIndex:0]) : "";
}

void IGraphicsMac::AppSupportPath(std::string* path, bool isSystem)
{
  if (!path) return;
  AutoreleasePool pool;
  NSArray* paths = NSSearchPathForDirectoriesInDomains(
      NSApplicationSupportDirectory, isSystem ? NSSystemDomainMask : NSUserDomainMask, YES);
  *path = [paths count] ? UTF8([paths objectAtIndex:0]) : "";
}

void IGraphicsMac::SandboxSafeAppSupportPath(std::string* path)
{
  if (!path) return;
  AutoreleasePool pool;
  *path = UTF8(NSHomeDirectory()) + "/Music";
}

bool IGraphicsMac::GetTextFromClipboard(std::string* text)
{
  if (!text) return false;
  AutoreleasePool pool;
  NSString* content = [[NSPasteboard generalPasteboard] stringForType:NSStringPboardType];
  *text = UTF8(content);
  return content != nil;
}

// ---- Cursor --------------------------------------------------------------------------------

void IGraphicsMac::HideMouseCursor()
{
  // Without a display there is no cursor, and no mouse location to ask for.
  if (mCursorHidden || CGDisplayHideCursor(kCGDirectMainDisplay) != kCGErrorSuccess) return;
  mCursorHidden = true;
  AutoreleasePool pool;
  const NSPoint location = [NSEvent mouseLocation];
  mHiddenMousePointX = int(location.x);
  mHiddenMousePointY = int(CGDisplayPixelsHigh(kCGDirectMainDisplay) - location.y);
}

void IGraphicsMac::ShowMouseCursor()
{
  if (!mCursorHidden) return;
  CGDisplayMoveCursorToPoint(kCGDirectMainDisplay,
                             CGPointMake(mHiddenMousePointX, mHiddenMousePointY));
  if (CGDisplayShowCursor(kCGDirectMainDisplay) == kCGErrorSuccess) mCursorHidden = false;
}
