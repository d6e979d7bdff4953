#pragma once
// The base of every editor control: a rectangle of the editor, an optional bound parameter
// and its normalised value (0..1), dirty tracking for the draw cycle, and the value flow
// between the control, the plug-in and the display.
//
// Threads. Controls draw and receive input on the editor's thread. SetValueFromPlug,
// SetAuxParamValueFromPlug and SetDirty(false) may also run on the host's parameter
// thread (with the plug-in's mutex held); the values and flags they touch are relaxed
// atomics, so they need no lock.

#include <string>
#include <vector>

#include "graphics/IGraphicsTypes.h"
#include "graphics/Relaxed.h"

class IEffectBase;
class IGraphics;
class IParam;
class ITextControl;

class IControl
{
public:
  enum EDirection
  {
    kVertical = 0,
    kHorizontal = 1
  };

  // A further parameter the control follows, with its normalised value.
  struct AuxParam
  {
    Relaxed<double> mValue;
    int mParamIdx;
  };

  // paramIdx -1: no parameter.
  IControl(IEffectBase* plug, const IRECT& rect, int paramIdx = -1,
           int blendMethod = IChannelBlend::kBlendDefault);
  virtual ~IControl() = default;

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Virtual operations, in slot order ------------------------------------------------
  // Base: a right-button press opens the value prompt.
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int /*x*/, int /*y*/, IMouseMod* /*mod*/) {}
  virtual void OnMouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, IMouseMod* /*mod*/) {}
  // Base: back to the default value (the first value the plug-in pushed), sent to the
  // plug-in; nothing while no default is known.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  virtual void OnMouseWheel(int /*x*/, int /*y*/, IMouseMod* /*mod*/, int /*d*/) {}
  virtual bool OnKeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }
  virtual void OnMouseOver(int /*x*/, int /*y*/, IMouseMod* /*mod*/) {}
  virtual void OnMouseOut() {}
  virtual bool Draw(IGraphics* graphics) = 0;
  // Any thread. The plug-in's value: the first one also becomes the default; a change marks
  // the control for two successive redraws without sending anything back.
  virtual void SetValueFromPlug(double value);
  // A value from a menu or text entry: a change is sent to the plug-in.
  virtual void SetValueFromUserInput(double value);
  virtual void TextFromTextEntry(const char* /*text*/) {}
  virtual void Hide(bool hide);
  // Grayed controls are not hit and draw at a quarter of their weight.
  virtual void GrayOut(bool gray);
  virtual bool IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }
  // Clamps the value to the control's bounds, marks it dirty and, with pushParamToPlug,
  // sends it to the plug-in and refreshes the value and name displays.
  virtual void SetDirty(bool pushParamToPlug = true);
  // The dirty flag takes the redraw flag, which is cleared.
  virtual void SetClean();
  virtual bool IsDirty() { return mDirty; }
  virtual void OnGUIIdle() {}
  // Any thread. A change of the auxiliary value at auxIdx marks the control as a plug-in
  // change does.
  virtual void SetAuxParamValueFromPlug(int auxIdx, double value);

  // ---- Value prompt ---------------------------------------------------------------------
  // A menu at the control's rectangle for parameters with display texts, otherwise a
  // 40 x 16 text field centred on the control. Nothing without a parameter or while the
  // prompt is disabled.
  void PromptUserInput();
  void PromptUserInput(IRECT* rect);
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool IsPromptDisabled() const { return mDisablePrompt; }

  // ---- Auxiliary parameters -------------------------------------------------------------
  // Appends one, starting at value 0.
  void AddAuxParam(int paramIdx);
  // Position of the first auxiliary parameter with that index, or -1.
  int AuxParamIdx(int paramIdx) const;
  // The record at a position, or null.
  AuxParam* GetAuxParam(int idx);
  int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
  // Sends every auxiliary value to the plug-in, in list order.
  void SetAllAuxParamsFromGUI();

  // ---- State ----------------------------------------------------------------------------
  int ParamIdx() const { return mParamIdx; }
  // The bound parameter, or null.
  IParam* GetParam() const;
  const IRECT& GetRECT() const { return mRECT; }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetArea(const IRECT& rect) { mTargetRECT = rect; }
  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  // Bounds applied to the value at the next SetDirty.
  void Clamp(double lo, double hi);
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
  void SetMOWhenGrayed(bool enable) { mMOWhenGrayed = enable; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool enable) { mDblAsSingleClick = enable; }
  const IChannelBlend* GetBlend() const { return &mBlend; }
  IText* GetText() { return &mText; }
  void SetText(const IText& text) { mText = text; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTooltip(const char* tooltip) { mTooltip = tooltip ? tooltip : ""; }
  IEffectBase* GetPlug() const { return mPlug; }
  // The editor of the plug-in, or null while none is attached.
  IGraphics* GetGUI() const;
  // Text controls (not owned) that show the parameter's value with its label, and its name,
  // each time the control sends a value to the plug-in.
  void SetValDisplayControl(ITextControl* control) { mValDisplayControl = control; }
  void SetNameDisplayControl(ITextControl* control) { mNameDisplayControl = control; }

protected:
  int mTextEntryLength = 7;
  IText mText;
  IEffectBase* mPlug;
  IRECT mRECT;
  IRECT mTargetRECT;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  Relaxed<double> mValue = 0.0;
  Relaxed<double> mDefaultValue = -1.0;
  Relaxed<double> mClampLo = 0.0, mClampHi = 1.0;
  Relaxed<bool> mDirty = true;
  Relaxed<bool> mHide = false;
  Relaxed<bool> mGrayed = false;
  Relaxed<bool> mRedraw = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGrayed = false;
  IChannelBlend mBlend;
  ITextControl* mValDisplayControl = nullptr;
  ITextControl* mNameDisplayControl = nullptr;
  std::string mTooltip;
};
