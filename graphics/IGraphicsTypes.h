#pragma once
// The editor's plain value types: rectangles, colours, bitmap strips, blend methods, mouse
// modifiers and text styles. All are copied freely and hold no locks.

#include "raster/Bitmap.h"
#include "raster/Blend.h"

#include <algorithm>

class Raster_IFont;

// A pixel rectangle, y growing downward, origin at the editor's top-left corner. L and T
// are inside, R and B just outside. The rectangle whose four fields are 0 is the empty
// rectangle, and it is the only empty one: (5, 5, 5, 5) is not empty.
struct IRECT
{
  int L = 0, T = 0, R = 0, B = 0;

  constexpr IRECT() = default;
  constexpr IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  constexpr bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  constexpr int W() const { return R - L; }
  constexpr int H() const { return B - T; }
  // Centres in single precision.
  float MW() const { return float(L + R) * 0.5f; }
  float MH() const { return float(T + B) * 0.5f; }

  constexpr bool operator==(const IRECT& o) const
  {
    return L == o.L && T == o.T && R == o.R && B == o.B;
  }
  constexpr bool operator!=(const IRECT& o) const { return !(*this == o); }

  constexpr bool Contains(int x, int y) const
  {
    return !Empty() && x >= L && x < R && y >= T && y < B;
  }
  // Touching on the right or bottom edge counts as intersecting.
  constexpr bool Intersects(const IRECT& o) const
  {
    return !Empty() && !o.Empty() && R >= o.L && L < o.R && B >= o.T && T < o.B;
  }
  // The common part, or the empty rectangle when the two do not intersect.
  constexpr IRECT Intersect(const IRECT& o) const
  {
    if (!Intersects(o)) return IRECT();
    return IRECT(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
  }
  // The bounding rectangle; the empty rectangle adds nothing.
  constexpr IRECT Union(const IRECT& o) const
  {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
  }
};

// A colour, 0..255 per channel.
struct IColor
{
  int A = 255, R = 0, G = 0, B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  constexpr bool operator==(const IColor& o) const
  {
    return A == o.A && R == o.R && G == o.G && B == o.B;
  }
  constexpr bool operator!=(const IColor& o) const { return !(*this == o); }

  // The raster pixel: each channel masked to 8 bits, bytes A, R, G, B in memory.
  constexpr Raster_Pixel ToPixel() const { return Raster_ARGB(A, R, G, B); }
  static constexpr IColor FromPixel(Raster_Pixel p)
  {
    return IColor(Raster_GetA(p), Raster_GetR(p), Raster_GetG(p), Raster_GetB(p));
  }
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor DEFAULT_TEXT_COLOR = COLOR_BLACK;
inline constexpr IColor DEFAULT_TEXT_ENTRY_BGCOLOR = COLOR_WHITE;
inline constexpr IColor DEFAULT_TEXT_ENTRY_FGCOLOR = COLOR_BLACK;

// A strip of N frames (N >= 1) in one raster bitmap, stacked top to bottom or, with
// mFramesAreHorizontal, side by side. The raster bitmap belongs to the editor's bitmap
// cache, not to the IBitmap. A bitmap that could not be loaded has no data and draws
// nothing.
struct IBitmap
{
  Raster_IBitmap* mData = nullptr;
  int W = 0, H = 0, N = 1;
  bool mFramesAreHorizontal = false;

  IBitmap() = default;
  IBitmap(Raster_IBitmap* data, int w, int h, int n = 1, bool framesAreHorizontal = false)
      : mData(data), W(w), H(h), N(n), mFramesAreHorizontal(framesAreHorizontal)
  {
  }

  // Height of one frame (H / N, integer division; H for a strip of no frames).
  int FrameHeight() const { return N > 0 ? H / N : H; }
};

// How a control's drawing combines with what lies below it.
struct IChannelBlend
{
  enum EBlendMethod
  {
    kBlendDefault = 0, // copy weighted by the source alpha
    kBlendCopy = 1,    // plain copy, source alpha ignored
    kBlendAdd = 2,     // additive, weighted by the source alpha
    kBlendDodge = 3,   // colour dodge, weighted by the source alpha
  };

  int mMethod = kBlendDefault;
  float mWeight = 1.0f;

  constexpr IChannelBlend() = default;
  constexpr explicit IChannelBlend(int method, float weight = 1.0f)
      : mMethod(method), mWeight(weight)
  {
  }
};

// The raster mode word for a blend (null: copy with source alpha). Unknown methods act as
// kBlendDefault.
constexpr int RasterMode(const IChannelBlend* blend)
{
  switch (blend ? blend->mMethod : IChannelBlend::kBlendDefault)
  {
  case IChannelBlend::kBlendCopy:
    return kRasterModeCopy;
  case IChannelBlend::kBlendAdd:
    return kRasterModeAdd | kRasterModeUseSourceAlpha;
  case IChannelBlend::kBlendDodge:
    return kRasterModeDodge | kRasterModeUseSourceAlpha;
  default:
    return kRasterModeCopy | kRasterModeUseSourceAlpha;
  }
}
// The opacity passed with that mode (null: 1.0).
constexpr float RasterOpacity(const IChannelBlend* blend)
{
  return blend ? blend->mWeight : 1.0f;
}

// Mouse buttons and modifiers of one event: left and right button, Shift, Control, Option.
// The platform view reports a left click with Command held as a right click.
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;

  constexpr IMouseMod() = default;
  constexpr IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a)
  {
  }
};

// A text style for drawing and for the value entry field.
struct IText
{
  enum EStyle
  {
    kStyleNormal = 0,
    kStyleBold = 1,
    kStyleItalic = 2
  };
  enum EAlign
  {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2
  };
  enum EQuality
  {
    kQualityDefault = 0,
    kQualityNoAntiAlias = 1,
    kQualityClearType = 2,
    kQualityAntiAlias = 3
  };
  static constexpr int kFontLen = 32; // face name with its terminator

  char mFont[kFontLen] = "Monaco";
  int mSize = 10;
  IColor mColor = DEFAULT_TEXT_COLOR;
  IColor mTextEntryBGColor = DEFAULT_TEXT_ENTRY_BGCOLOR;
  IColor mTextEntryFGColor = DEFAULT_TEXT_ENTRY_FGCOLOR;
  int mStyle = kStyleNormal;
  int mAlign = kAlignCenter;
  int mOrientation = 0; // degrees
  int mQuality = kQualityDefault;
  Raster_IFont* mCached = nullptr; // filled by IGraphics::CacheFont; owned by the font cache

  IText() = default;
  // A null font keeps "Monaco"; longer face names are cut at 31 characters.
  explicit IText(int size, const IColor& color = DEFAULT_TEXT_COLOR, const char* font = nullptr,
                 int style = kStyleNormal, int align = kAlignCenter, int orientation = 0,
                 int quality = kQualityDefault);

  void SetFont(const char* font);
};
