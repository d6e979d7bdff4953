#include "graphics/IGraphicsTypes.h"

#include <cstdio>

IText::IText(int size, const IColor& color, const char* font, int style, int align, int orientation,
             int quality)
    : mSize(size), mColor(color), mStyle(style), mAlign(align), mOrientation(orientation),
      mQuality(quality)
{
  SetFont(font);
}

void IText::SetFont(const char* font)
{
  if (font) std::snprintf(mFont, sizeof(mFont), "%s", font);
}
