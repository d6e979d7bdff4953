#pragma once
// Text drawn character by character from a bitmap font: a strip of cells side by side, one
// per printable ASCII character from space (32) to tilde (126), each glyph at the left of
// its cell. DrawBitmapedText does the drawing; IBitmapTextControl shows a text set by the
// plug-in.

#include "graphics/IControl.h"
#include "graphics/SharedText.h"

class IGraphics;

// Draws text into rect from the font strip, one glyphWidth x glyphHeight cell per character,
// advancing glyphWidth + glyphSpacing pixels. The start x follows the style's alignment for
// the whole text's width; with wrap, text wider than rect continues on further lines at
// the same start x (the line count is (length x glyphWidth) / width + 1, and what does not
// fit in it is not drawn); without wrap, one line of as many characters as fit. With
// centreVertically one line is centred in rect's height, otherwise it starts at the top.
// Nothing is clipped to rect. Characters outside space .. tilde (control characters, 127
// and bytes of 128 and above) draw the first cell, the space. Nothing is drawn for a null
// or empty text, a rect narrower than one glyph, or a glyph size that is not positive.
void DrawBitmapedText(IGraphics* graphics, IBitmap* fontBitmap, const IRECT* rect,
                      const IText* textStyle, const IChannelBlend* blend, const char* text,
                      bool centreVertically, bool wrap, int glyphWidth, int glyphHeight,
                      int glyphSpacing);

// A text in a bitmap font, set by the plug-in; no parameter and no mouse handling.
//
// Threads. SetTextFromPlug may run on any thread (the plug-in sets its readouts while it
// handles a parameter change); Draw runs on the editor's thread. A change marks the control
// dirty and stays dirty until the editor has fetched the new text for drawing.
class IBitmapTextControl : public IControl
{
public:
  // textStyle null: the default style (only its alignment matters).
  IBitmapTextControl(IEffectBase* plug, const IRECT& rect, const IBitmap* fontBitmap,
                     const char* text, const IText* textStyle, int glyphWidth, int glyphHeight,
                     int glyphSpacing, bool wrap, bool centreVertically);

  // Always true; draws the text when there is any.
  bool Draw(IGraphics* graphics) override;
  bool IsDirty() override;

  // Any thread. A different text (null reads as "") replaces the shown one and marks the
  // control dirty, without sending anything to the plug-in; the same text changes nothing.
  void SetTextFromPlug(const char* text);
  std::string GetTextString() const { return mLabelText.Get(); }

private:
  SharedText mLabelText;
  int mGlyphWidth;
  int mGlyphHeight;
  int mGlyphSpacing;
  IBitmap mFontBitmap;
  bool mWrap;
  bool mCentreVertically;
};
