#pragma once
// The editor surface of a plug-in: an off-screen 32-bit bitmap of the editor's size, the
// ordered list of controls drawn into it, the drawing primitives they use, the draw cycle
// that decides what is redrawn, mouse and key dispatch, and the synchronisation between
// controls and parameters. Platform-neutral: a platform subclass supplies the window,
// timer, screen transfer, menus, text entry and file prompts through the pure virtual
// operations.
//
// Threads. Everything runs on the editor (main) thread except SetParameterFromPlug, which
// the host's parameter thread may call with the plug-in's mutex held; it only stores
// control values and raises dirty flags. The editor takes no lock of its own around
// controls or drawing. Bitmaps and fonts live in the process-wide caches
// (graphics/GraphicsCaches.h), shared by every editor.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/IPopupMenu.h"
#include "raster/Bitmap.h"

class IEffectBase;
class IParam;
class Raster_IFont;

enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1
};

// Key codes of OnKeyDown.
enum
{
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5, // .. kKeyDigit0 + 9
  kKeyA = 15,     // .. kKeyA + 25
};

class IGraphics
{
public:
  static constexpr int kDefaultFPS = 25;

  // fps <= 0 selects kDefaultFPS. The drawing bitmaps are made by PrepDraw.
  IGraphics(IEffectBase* plug, int w, int h, int fps = 0);
  // Deletes the key catcher, the controls from last to first and the drawing bitmaps;
  // cached bitmaps and fonts stay in the caches.
  virtual ~IGraphics();

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Virtual operations, in slot order --------------------------------------------------
  // Platform: copies the part r of the off-screen bitmap to the screen.
  virtual bool DrawScreen(IRECT* r) = 0;
  // The rectangle the text takes when drawn into rect (see DrawIText).
  virtual bool MeasureIText(IText* text, const char* str, IRECT* rect);
  virtual void ForceEndUserEdit() = 0;
  // Stores the new size, releases the mouse capture, deletes every control (the plug-in
  // attaches its controls again), makes new drawing bitmaps and tells the plug-in.
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual const char* GetGUIAPI() { return ""; }
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // Platform: shows menu at rect and waits for a choice; returns the menu with its chosen
  // index set, or null when nothing was chosen.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) = 0;
  // Platform: opens a text field over rect holding str; the answer arrives later through
  // SetFromStringAfterPrompt (param set) or the control's TextFromTextEntry.
  virtual void CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                               IParam* param) = 0;
  virtual void HostPath(std::string* path) = 0;
  virtual void PluginPath(std::string* path) = 0;
  virtual void DesktopPath(std::string* path) = 0;
  virtual void AppSupportPath(std::string* path, bool isSystem = false) = 0;
  virtual void SandboxSafeAppSupportPath(std::string* path) = 0;
  virtual void PromptForFile(std::string* file, EFileAction action = kFileOpen,
                             std::string* dir = nullptr, const char* extensions = "") = 0;
  virtual bool PromptForColor(IColor* color, const char* prompt = "") = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                       const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) = 0;
  virtual void* OpenWindow(void* parentView) = 0;
  // Embedding into a window handle is not supported.
  virtual void* OpenWindow(void* /*window*/, void* /*control*/, short /*x*/, short /*y*/)
  {
    return nullptr;
  }
  virtual void AttachSubWindow(void* /*hostWindow*/) {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool GetTextFromClipboard(std::string* text) = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  virtual void UpdateTooltips() = 0;
  // Platform: finds the named bitmap and decodes it; null when it cannot. The caller's
  // cache owns the result.
  virtual Raster_IBitmap* OSLoadBitmap(int id, const char* name) = 0;

  // ---- Building ----------------------------------------------------------------------------
  // Makes the off-screen bitmap (width x height) and an empty scratch bitmap. Virtual, like
  // SetParameterFromPlug, because the plug-in base calls both through the vtable only (their
  // slots follow the platform operations above).
  virtual void PrepDraw();
  // Inserts at index 0 a bitmap control showing the named bitmap at (0, 0), copied without
  // blending.
  void AttachBackground(int id, const char* name);
  // Inserts at index 0 a panel of the colour covering the editor.
  void AttachPanelBackground(const IColor* color);
  // Takes ownership and returns the control's index (null: nothing attached, -1).
  int AttachControl(IControl* control);
  // Takes ownership of the control that receives keys no other control takes.
  void AttachKeyCatcher(IControl* control);

  int NControls() const { return static_cast<int>(mControls.size()); }
  // The control at idx, or null outside the list.
  IControl* GetControl(int idx) const;
  IEffectBase* GetPlug() const { return mPlug; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }
  Raster_IBitmap* GetDrawBitmap() const { return mDrawBitmap.get(); }
  // The off-screen bitmap's pixels (null before PrepDraw).
  Raster_Pixel* GetBits();

  // ---- Bitmaps -----------------------------------------------------------------------------
  // The bitmap of resource id, decoded at the first request of the process and shared by
  // every editor since (the name matters only then). A bitmap that cannot be loaded is
  // reported once on standard error and comes back without data.
  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1, bool framesAreHorizontal = false);
  // Hands bitmap->mData to the cache (id -1), which owns it from then on.
  void RetainBitmap(IBitmap* bitmap);
  // Removes bitmap->mData from the cache and deletes it; nothing when the cache does not
  // hold it.
  void ReleaseBitmap(IBitmap* bitmap);
  // A retained w x h copy resampled bilinearly.
  IBitmap ScaleBitmap(IBitmap* bitmap, int w, int h);
  // A retained copy of the part rect.
  IBitmap CropBitmap(IBitmap* bitmap, IRECT* rect);

  // ---- Parameters and controls -------------------------------------------------------------
  // Any thread. Moves every control bound to paramIdx (or following it as an auxiliary
  // parameter) to the value, normalised 0..1 or, when not normalized, the real value.
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized);
  // SetValueFromPlug on the control at controlIdx; nothing outside the list.
  void SetControlFromPlug(int controlIdx, double normalizedValue);
  // A value from the user for every control bound to paramIdx; changes reach the plug-in.
  void SetParameterFromGUI(int paramIdx, double normalizedValue);
  void SetAllControlsDirty();
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);
  void HideControl(int paramIdx, bool hide);
  void GrayOutControl(int paramIdx, bool gray);
  void AssignParamNameToolTips();

  // ---- Value prompt ------------------------------------------------------------------------
  // A menu of the display texts for enumerations and booleans with texts, otherwise a text
  // field with the plain number. Nothing when an argument is null.
  void PromptUserInput(IControl* control, IParam* param, IRECT* rect);
  // The text typed into the field, turned into the parameter's value. Nothing without a
  // control or parameter.
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* str);

  // ---- Draw cycle --------------------------------------------------------------------------
  // Unites the rectangles of the dirty controls into r; true when any was dirty. Cleans
  // nothing.
  bool IsDirty(IRECT* r);
  // Redraws r (see the strict and non-strict modes in IGraphics.cpp), cleans the controls
  // drawn, then copies r to the screen.
  bool Draw(IRECT* r);
  void SetStrictDrawing(bool strict);
  bool IsStrictDrawing() const { return mStrict; }
  void OnGUIIdle();
  const IRECT& GetDrawRECT() const { return mDrawRECT; }

  // ---- Input (graphics/IGraphicsInput.cpp) -------------------------------------------------
  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  bool OnMouseDblClick(int x, int y, IMouseMod* mod);
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  bool OnMouseOver(int x, int y, IMouseMod* mod);
  void OnMouseOut();
  bool OnKeyDown(int x, int y, int key);
  // The control holding the mouse capture, else the topmost visible control hit at (x, y)
  // that is not grayed (for mouse-over queries, mo, a grayed control that asks for
  // mouse-over also counts); -1 for none.
  int GetMouseControlIdx(int x, int y, bool mo = false);
  // Releases the mouse capture and ends the gesture the press began, if still open.
  void ReleaseMouseCapture();
  int GetMouseCapture() const { return mMouseCapture; }
  void HandleMouseOver(bool handle) { mHandleMouseOver = handle; }
  int GetParamIdxForPTAutomation(int x, int y);
  int GetLastClickedParamForPTAutomation();
  void EnableTooltips(bool enable) { mEnableTooltips = enable; }
  bool TooltipsEnabled() const { return mEnableTooltips; }

  // ---- Drawing primitives (graphics/IGraphicsDraw.cpp) -------------------------------------
  // All draw into the off-screen bitmap and return true. A null blend copies with the
  // source alpha at opacity 1. Bitmap blits are clipped to the rectangle being redrawn;
  // lines, shapes and text are not.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                  const IChannelBlend* blend = nullptr);
  // frame is 1-based and limited to the strip's frames.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame = 1,
                  const IChannelBlend* blend = nullptr);
  // The whole bitmap centred on (cx, cy), turned by angle radians about the centre moved
  // down by yOffsetZeroDeg; filtered bilinearly.
  bool DrawRotatedBitmap(IBitmap* bitmap, int cx, int cy, double angle, int yOffsetZeroDeg = 0,
                         const IChannelBlend* blend = nullptr);
  // base with mask added and top drawn over it, both turned by angle degrees, then blitted
  // at (x, y).
  bool DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                       const IChannelBlend* blend = nullptr);
  bool DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend = nullptr,
                 bool antiAlias = false);
  bool ForcePixel(const IColor* color, int x, int y);
  // The pixel at (x, y); undefined outside the bitmap.
  IColor GetPoint(int x, int y);
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                const IChannelBlend* blend = nullptr, bool antiAlias = false);
  // angle in radians, 0 up, positive clockwise.
  bool DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawVerticalLine(const IColor* color, IRECT* r, float t);
  bool DrawHorizontalLine(const IColor* color, IRECT* r, float t);
  bool DrawVerticalLine(const IColor* color, int x, int y1, int y2);
  bool DrawHorizontalLine(const IColor* color, int y, int x1, int x2);
  bool DrawRect(const IColor* color, IRECT* r);
  bool DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawCircle(const IColor* color, float cx, float cy, float r,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool RoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius,
                 bool antiAlias);
  bool FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend = nullptr);
  bool FillCircle(const IColor* color, int cx, int cy, float r,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool FillRoundRect(const IColor* color, IRECT* r, const IChannelBlend* blend, int cornerRadius,
                     bool antiAlias);
  bool FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                    const IChannelBlend* blend = nullptr);
  bool FillIConvexPolygon(const IColor* color, int* xs, int* ys, int n,
                          const IChannelBlend* blend = nullptr);

  // ---- Text (graphics/IGraphicsText.cpp) ---------------------------------------------------
  // Draws str in the text's style into rect (not clipped to it). With measure nothing is
  // drawn and rect becomes the rectangle the text takes: the measured width placed at the
  // rectangle's left edge, centre or right edge by the alignment, and its height below T.
  // A null or empty string succeeds without drawing; false when no font can be made.
  bool DrawIText(IText* text, const char* str, IRECT* rect, bool measure = false);
  // The font for the text's style from the process-wide cache, made on first use and
  // remembered in text->mCached; null when none can be made.
  Raster_IFont* CacheFont(IText* text);

protected:
  // Deletes the controls from last to first.
  void DeleteControls();
  // Tells the plug-in that the open gesture (if any) ended.
  void EndGesture();
  // Inserts control at index 0.
  void InsertBackground(IControl* control);

  std::recursive_mutex mMutex; // per-editor lock; nothing in the editor takes it
  std::vector<std::unique_ptr<IControl>> mControls;
  IEffectBase* mPlug;
  IRECT mDrawRECT;
  bool mCursorHidden = false;
  int mHiddenMousePointX = -1, mHiddenMousePointY = -1;
  std::unique_ptr<Raster_SysBitmap> mDrawBitmap;
  std::unique_ptr<Raster_MemBitmap> mTmpBitmap;
  int mWidth, mHeight;
  int mFPS;
  int mMouseCapture = -1;
  int mMouseOver = -1;
  int mMouseX = 0, mMouseY = 0;
  int mLastClickedParam = -1;
  // The parameter whose gesture a press began and no release or prompt has ended yet.
  int mGestureParam = -1;
  bool mHandleMouseOver = false;
  bool mStrict = true;
  bool mEnableTooltips = false;
  std::unique_ptr<IControl> mKeyCatcher;
};
