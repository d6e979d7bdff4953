#pragma once
// The editor surface on the Mac window system (AppKit; GNUstep on Linux): opening the editor
// view in a host's view or window, copying the off-screen bitmap to the screen, bitmaps from
// the plug-in bundle's Resources, popup menus, the value text field, message boxes, file
// panels, URLs, well-known folders, the clipboard, cursor hiding and tooltips.
//
// Plain C++ so that the plug-in's constructor can make one; the Cocoa classes behind it live
// in the .mm files of this folder.
//
// Threads: the host's main thread, like every editor call (IGraphics.h). Constructing,
// drawing into the off-screen bitmap and destroying never touch the window system; the
// application environment is loaded when a view is first opened.

#include <string>

#include "graphics/IGraphics.h"
#include "graphics/ScreenDoubling.h"

class Raster_IBitmap;
typedef struct CGColorSpace* CGColorSpaceRef;

// The bitmap resource name (e.g. "resources/img/knob.png") of the bundle with identifier
// bundleID, looked up as "knob" of type png in its Resources and decoded; null for a null
// name, another extension than png, a missing bundle or resource, or a decoding failure.
Raster_IBitmap* LoadImgFromResourceOSX(const char* bundleID, const char* name);

class IGraphicsMac : public IGraphics
{
public:
  IGraphicsMac(IEffectBase* plug, int w, int h, int fps = 0);
  // Closes the view when open, then releases the colour space and buffers.
  ~IGraphicsMac() override;

  // The identifier of the bundle whose Resources hold the editor's bitmaps.
  void SetBundleID(const char* bundleID) { mBundleID = bundleID ? bundleID : ""; }
  const std::string& GetBundleID() const { return mBundleID; }

  // ---- IGraphics platform operations -------------------------------------------------------
  // Copies the whole bitmap to the view inside its drawRect: (the rectangle is not used);
  // false when no view is open or no drawing context is current.
  bool DrawScreen(IRECT* r) override;
  bool MeasureIText(IText* text, const char* str, IRECT* rect) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  bool WindowIsOpen() override { return mGraphicsCocoa != nullptr; }
  const char* GetGUIAPI() override { return "Cocoa GUI"; }
  // type 3: Yes, No, Cancel; 4: Yes, No; 1: OK, Cancel; else OK. Answers 1 (default
  // button), 7 (alternate) or 2 (other); 0 otherwise.
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                       IParam* param) override;
  void HostPath(std::string* path) override;
  void PluginPath(std::string* path) override;
  void DesktopPath(std::string* path) override;
  void AppSupportPath(std::string* path, bool isSystem = false) override;
  void SandboxSafeAppSupportPath(std::string* path) override;
  void PromptForFile(std::string* file, EFileAction action = kFileOpen, std::string* dir = nullptr,
                     const char* extensions = "") override;
  bool PromptForColor(IColor* /*color*/, const char* /*prompt*/ = "") override { return false; }
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
               const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) override;
  // Closes any open view, makes a new one (added to parentView when given) and returns it.
  void* OpenWindow(void* parentView) override;
  // Carbon embedding is not offered: null.
  void* OpenWindow(void* window, void* control, short x, short y) override;
  void* OpenCocoaWindow(void* parentView) { return OpenWindow(parentView); }
  void AttachSubWindow(void* hostWindow) override;
  void RemoveSubWindow() override;
  void CloseWindow() override;
  void* GetWindow() override { return mGraphicsCocoa; }
  bool GetTextFromClipboard(std::string* text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;
  Raster_IBitmap* OSLoadBitmap(int id, const char* name) override;

  // The tooltip of the control last seen under the mouse; "" for none.
  const char* TooltipUnderMouse() const;

  // The system version packed as 0xMMmp (0x1070 for 10.7.0).
  static int GetUserOSVersion();

private:
  void* mGraphicsCocoa = nullptr; // the open view (IGraphicsCocoa_vKestrion_au), owned
  std::string mBundleID;
  CGColorSpaceRef mColorSpace = nullptr; // made at the first screen update
  ScreenDoubling mBlitBuf;               // the double-resolution screen image
  void* mHostNSWindow = nullptr;         // host window wrapped by AttachSubWindow, retained
};
