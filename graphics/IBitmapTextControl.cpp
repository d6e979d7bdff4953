#include "graphics/IBitmapTextControl.h"

#include "graphics/IGraphics.h"

#include <cstring>

namespace
{

constexpr int kFirstGlyph = 32; // space, the first cell of the strip
// Cells further out than this are skipped: their corners would not fit an int.
constexpr long long kFarthest = 1LL << 30;

// The strip's frame (1-based) for one byte of text, read as a signed byte; anything the
// strip has no cell for shows the first one.
int GlyphFrame(char ch, int nFrames)
{
  const int frame = static_cast<signed char>(ch) - (kFirstGlyph - 1);
  return frame >= 2 && frame <= nFrames ? frame : 1;
}

} // namespace

void DrawBitmapedText(IGraphics* graphics, IBitmap* fontBitmap, const IRECT* rect,
                      const IText* textStyle, const IChannelBlend* blend, const char* text,
                      bool centreVertically, bool wrap, int glyphWidth, int glyphHeight,
                      int glyphSpacing)
{
  if (!graphics || !fontBitmap || !rect || !text || !*text) return;
  const int w = glyphWidth, h = glyphHeight;
  if (w <= 0 || h <= 0) return;
  const long long len = static_cast<long long>(std::strlen(text));
  const long long textWidth = len * w;

  long long top = rect->T;
  if (centreVertically) top += (rect->B - (rect->T + h)) / 2;

  long long startX = rect->L;
  const int align = textStyle ? textStyle->mAlign : IText::kAlignCenter;
  if (align == IText::kAlignRight)
    startX = rect->R - textWidth;
  else if (align == IText::kAlignCenter)
    startX = rect->L + (rect->R - (rect->L + textWidth)) / 2;

  const long long span = rect->R - rect->L;
  long long perLine = span / w;
  long long lines = 1;
  if (wrap && textWidth <= span) perLine = len;
  if (perLine <= 0) return;
  if (wrap && textWidth > span) lines = textWidth / span + 1;

  const char* ch = text;
  for (long long line = 0; line < lines; ++line)
  {
    long long x = startX;
    const long long rowTop = top + line * h;
    for (long long i = 0; i < perLine; ++i, ++ch)
    {
      if (!*ch) return;
      if (x > -kFarthest && x < kFarthest && rowTop > -kFarthest && rowTop < kFarthest)
      {
        IRECT cell(int(x), int(rowTop), int(x + w), int(rowTop + h));
        graphics->DrawBitmap(fontBitmap, &cell, GlyphFrame(*ch, fontBitmap->N), blend);
      }
      x += w + glyphSpacing;
    }
  }
}

// ---------------------------------------------------------------------------------------

IBitmapTextControl::IBitmapTextControl(IEffectBase* plug, const IRECT& rect,
                                       const IBitmap* fontBitmap, const char* text,
                                       const IText* textStyle, int glyphWidth, int glyphHeight,
                                       int glyphSpacing, bool wrap, bool centreVertically)
    : IControl(plug, rect, -1, IChannelBlend::kBlendDefault), mLabelText(text),
      mGlyphWidth(glyphWidth), mGlyphHeight(glyphHeight), mGlyphSpacing(glyphSpacing),
      mFontBitmap(fontBitmap ? *fontBitmap : IBitmap()), mWrap(wrap),
      mCentreVertically(centreVertically)
{
  if (textStyle) mText = *textStyle;
}

bool IBitmapTextControl::Draw(IGraphics* graphics)
{
  const std::string text = mLabelText.GetForDrawing();
  DrawBitmapedText(graphics, &mFontBitmap, &mRECT, &mText, &mBlend, text.c_str(), mCentreVertically,
                   mWrap, mGlyphWidth, mGlyphHeight, mGlyphSpacing);
  return true;
}

bool IBitmapTextControl::IsDirty()
{
  return IControl::IsDirty() || (!IsHidden() && mLabelText.Undrawn());
}

void IBitmapTextControl::SetTextFromPlug(const char* text)
{
  if (mLabelText.Set(text)) SetDirty(false);
}
