#pragma once
// Text controls: a line of text in a text style, and the caption that shows its parameter's
// value. A text control is also what other controls use as their value and name displays.
//
// Threads. SetTextFromPlug may run on any thread (the plug-in sets readouts while it
// handles a parameter change); the text is handed to the editor's thread as a SharedText.

#include <string>

#include "graphics/IControl.h"
#include "graphics/SharedText.h"

// The parameter's display string for its real value (display texts included), at most 32
// characters, then, with withLabel, one space and its label, at most 32 characters.
std::string ParamDisplayText(const IParam& param, bool withLabel);

class ITextControl : public IControl
{
public:
  // text null: the default style.
  ITextControl(IEffectBase* plug, const IRECT& rect, const IText* text, const char* str = "");
  // Draws the text into the rectangle when there is any.
  bool Draw(IGraphics* graphics) override;

  // Any thread. A different text (null reads as "") marks the control dirty, without
  // sending anything to the plug-in, and replaces the text.
  void SetTextFromPlug(const char* str);
  std::string GetTextString() const;

protected:
  // Replaces the text; true when it changed.
  bool StoreText(const char* str);

private:
  SharedText mStr;
};

// The value of its parameter as text, with the parameter's label when showParamLabel. A
// left or right press, or a double-click, opens the value prompt.
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(IEffectBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                  bool showParamLabel);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;

private:
  bool mShowParamLabel;
};
