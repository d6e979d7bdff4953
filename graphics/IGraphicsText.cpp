// Text: drawing and measuring through the raster layer's cached fonts, and the
// process-wide font cache.
#include <algorithm>
#include <memory>

#include "graphics/GraphicsCaches.h"
#include "graphics/IGraphics.h"
#include "raster/Font.h"

namespace
{

// GDI quality for an IText quality.
int FontQuality(int quality)
{
  switch (quality)
  {
  case IText::kQualityDefault:
    return 0;
  case IText::kQualityClearType:
  case IText::kQualityAntiAlias:
    return kRasterFontQualityAntialiased;
  default:
    return kRasterFontQualityNonAntialiased;
  }
}

// A font object over a new native font of height max(size, 2) in the text's style, or
// null when the native font cannot be made.
std::unique_ptr<Raster_CachedFont> MakeFont(const IText& text, int size)
{
  const int escapement = text.mOrientation * 10;
  Raster_NativeFont* native = CreateFont(
      std::max(size, 2), 0, escapement, escapement,
      text.mStyle == IText::kStyleBold ? kRasterFontWeightBold : kRasterFontWeightNormal,
      text.mStyle == IText::kStyleItalic, 0, 0, 0, 0, 0, FontQuality(text.mQuality), 0, text.mFont);
  if (!native) return nullptr;
  auto font = std::make_unique<Raster_CachedFont>();
  font->SetFromHFont(native, kRasterFontRenderNative | kRasterFontOwnsNative);
  return font;
}

} // namespace

Raster_IFont* IGraphics::CacheFont(IText* text)
{
  if (Raster_CachedFont* cached = s_fontCache.Find(*text)) return text->mCached = cached;

  // The face's line height may differ from the requested cell height; ask once more with
  // the size scaled so that the line height comes out at the text's size.
  const int h = std::max(text->mSize, 2);
  std::unique_ptr<Raster_CachedFont> font = MakeFont(*text, h);
  if (!font) return nullptr;
  const int lineHeight = font->GetLineHeight();
  if (lineHeight != h && lineHeight > 0)
  {
    const double s2 = text->mSize < 2 ? 4.0 : double(text->mSize) * text->mSize;
    if (auto second = MakeFont(*text, int(s2 / lineHeight + 0.5))) font = std::move(second);
  }
  return text->mCached = s_fontCache.Add(*text, std::move(font));
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* rect, bool measure)
{
  if (!str || !*str) return true;
  Raster_IFont* font = text->mCached ? text->mCached : CacheFont(text);
  if (!font) return false;

  font->SetTextColor(text->mColor.ToPixel());
  int flags = kRasterTextNoClip;
  if (text->mColor.A != 255) flags |= kRasterTextUseAlpha;
  if (text->mAlign == IText::kAlignCenter)
    flags |= kRasterTextCentre;
  else if (text->mAlign != IText::kAlignLeft)
    flags |= kRasterTextRight;

  if (!measure)
  {
    Raster_Rect r{rect->L, rect->T, rect->R, rect->B};
    font->DrawText(mDrawBitmap.get(), str, -1, &r, flags);
    return true;
  }

  Raster_Rect r;
  font->DrawText(nullptr, str, -1, &r, flags | kRasterTextMeasure);
  const int w = r.right, h = r.bottom;
  if (text->mAlign == IText::kAlignCenter)
  {
    rect->L = int(rect->MW()) - w / 2;
    rect->R = rect->L + w;
  }
  else if (text->mAlign == IText::kAlignLeft)
    rect->R = rect->L + w;
  else
    rect->L = rect->R - w;
  rect->B = rect->T + h;
  return true;
}

bool IGraphics::MeasureIText(IText* text, const char* str, IRECT* rect)
{
  return DrawIText(text, str, rect, true);
}
