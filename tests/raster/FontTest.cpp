#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "raster/Font.h"
#include "tests/raster/TestBitmaps.h"

using rastertest::at;

namespace
{

constexpr Raster_Pixel kPaper = Raster_ARGB(255, 255, 255, 255);

Raster_NativeFont* makeFont(const char* face, int height, int weight = 400, int quality = 0,
                            int escapement = 0, int italic = 0, int underline = 0, int pitch = 0)
{
  return CreateFont(height, 0, escapement, escapement, weight, italic, underline, 0, 0, 0, 0,
                    quality, pitch, face);
}

struct Box
{
  int w, h;
};

Box measure(Raster_IFont& font, const char* text, int flags = 0)
{
  Raster_Rect r{5, 6, 7, 8};
  font.DrawText(nullptr, text, -1, &r, flags | kRasterTextMeasure);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  return {r.right, r.bottom};
}

// Pixels that differ from the paper colour, and their bounding box.
struct Ink
{
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Ink inkOf(Raster_IBitmap& bm, Raster_Pixel paper = kPaper)
{
  Ink ink;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      if (at(bm, x, y) != paper)
      {
        ++ink.count;
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
  return ink;
}

} // namespace

// The families are those of the tests' own font set (tests/raster/fonts.conf), the same on
// every machine whatever else is installed.
TEST(RasterFont, FaceNamesMatchInstalledFontsWithFallbacks)
{
  struct Case
  {
    const char* face;
    const char* family;
  };
  const Case cases[] = {
      {"Arial", "Liberation Sans"},   // metric alias through fontconfig
      {"Monaco", "DejaVu Sans Mono"}, // macOS monospace face -> monospace
      {"Menlo", "DejaVu Sans Mono"},  {"Times New Roman", "Liberation Serif"},
      {"Courier", "Liberation Mono"}, {"DejaVu Serif", "DejaVu Serif"},
  };
  for (const Case& c : cases)
  {
    Raster_NativeFont* f = makeFont(c.face, 12);
    ASSERT_NE(f, nullptr) << c.face;
    EXPECT_STREQ(Raster_GetFontFamily(f), c.family) << c.face;
    Raster_DeleteFont(f);
  }
  // A face that does not exist falls back to an installed font instead of failing.
  Raster_NativeFont* missing = makeFont("No Such Face Kestrion", 12);
  ASSERT_NE(missing, nullptr);
  EXPECT_STRNE(Raster_GetFontFamily(missing), "");
  Raster_DeleteFont(missing);
  // So does an empty name; a fixed pitch asks for a monospace fallback.
  Raster_NativeFont* fixed =
      makeFont("No Such Face Kestrion", 12, 400, 0, 0, 0, 0, kRasterFontFixedPitch);
  ASSERT_NE(fixed, nullptr);
  EXPECT_STREQ(Raster_GetFontFamily(fixed), "DejaVu Sans Mono");
  Raster_DeleteFont(fixed);
  Raster_NativeFont* unnamed = makeFont("", 12);
  ASSERT_NE(unnamed, nullptr);
  Raster_DeleteFont(unnamed);

  // Sizes that make no sense give null.
  EXPECT_EQ(makeFont("Arial", 0), nullptr);
  EXPECT_EQ(makeFont("Arial", 100000), nullptr);
  EXPECT_STREQ(Raster_GetFontFamily(nullptr), "");
}

TEST(RasterFont, HeightIsInPixels)
{
  for (int h : {8, 12, 20, 40})
  {
    Raster_CachedFont font;
    font.SetFromHFont(makeFont("Arial", h), kRasterFontOwnsNative | kRasterFontRenderNative);
    // Exactly the cell height asked for.
    EXPECT_EQ(font.GetLineHeight(), h);
    EXPECT_EQ(measure(font, "Gain").h, font.GetLineHeight());
    EXPECT_EQ(measure(font, "two\nlines").h, 2 * font.GetLineHeight());
  }
  // A negative height asks for the em size: the line is taller than the em.
  Raster_CachedFont em;
  em.SetFromHFont(makeFont("Arial", -20), kRasterFontOwnsNative);
  EXPECT_GT(em.GetLineHeight(), 20);
  // Without a font nothing is measured or drawn.
  Raster_CachedFont none;
  EXPECT_EQ(none.GetLineHeight(), 0);
  Raster_Rect r{0, 0, 10, 10};
  EXPECT_EQ(none.DrawText(nullptr, "x", -1, &r, kRasterTextMeasure), 0);
}

TEST(RasterFont, MeasuredWidthGrowsWithTheText)
{
  Raster_CachedFont font;
  font.SetFromHFont(makeFont("Arial", 14), kRasterFontOwnsNative | kRasterFontRenderNative);
  int last = 0;
  std::string text;
  for (const char* word : {"K", "Ke", "Kes", "Kest", "Kestrion", "Kestrion attack"})
  {
    const Box b = measure(font, word);
    EXPECT_GT(b.w, last) << word;
    last = b.w;
  }
  EXPECT_EQ(measure(font, "").w, 0);
  // len limits the bytes used.
  Raster_Rect r{};
  font.DrawText(nullptr, "Kestrion", 3, &r, kRasterTextMeasure);
  EXPECT_EQ(r.right, measure(font, "Kes").w);
  // The widest line sets the width.
  EXPECT_EQ(measure(font, "ab\nKestrion\nc").w, measure(font, "Kestrion").w);
  // Monospace: every character advances the same.
  Raster_CachedFont mono;
  mono.SetFromHFont(makeFont("Monaco", 12), kRasterFontOwnsNative);
  EXPECT_EQ(measure(mono, "iiii").w, measure(mono, "MMMM").w);
}

TEST(RasterFont, DrawnTextStaysInsideItsMeasuredBox)
{
  for (int flags : {0, int(kRasterTextCentre), int(kRasterTextRight)})
    for (const char* text : {"Attack 12.5 dB", "jfy_Q|", "two\nlines"})
    {
      Raster_CachedFont font;
      font.SetFromHFont(makeFont("Arial", 16), kRasterFontOwnsNative | kRasterFontRenderNative);
      const Box b = measure(font, text);
      Raster_MemBitmap bm(200, 60);
      rastertest::fill(bm, kPaper);
      Raster_Rect rect{20, 10, 180, 50};
      EXPECT_EQ(font.DrawText(&bm, text, -1, &rect, flags | kRasterTextNoClip), b.h);
      // Where the box lies for this alignment.
      const int left = flags == kRasterTextCentre  ? 20 + (160 - b.w) / 2
                       : flags == kRasterTextRight ? 180 - b.w
                                                   : 20;
      const Ink ink = inkOf(bm);
      ASSERT_GT(ink.count, 20) << text;
      EXPECT_GE(ink.left, left) << text << " flags " << flags;
      EXPECT_LE(ink.right, left + b.w) << text << " flags " << flags;
      EXPECT_GE(ink.top, 10) << text;
      EXPECT_LE(ink.bottom, 10 + b.h) << text;
      // The ink fills most of the box horizontally (the box is not padded).
      EXPECT_GE(ink.right - ink.left, b.w - 3) << text;
    }
}

TEST(RasterFont, ColourAlphaAndClipping)
{
  Raster_CachedFont font;
  font.SetFromHFont(makeFont("DejaVu Sans", 20), kRasterFontOwnsNative | kRasterFontRenderNative);
  font.SetTextColor(Raster_ARGB(255, 200, 0, 0));
  EXPECT_EQ(font.GetTextColor(), Raster_ARGB(255, 200, 0, 0));

  Raster_MemBitmap bm(60, 30);
  rastertest::fill(bm, kPaper);
  Raster_Rect rect{2, 2, 58, 28};
  font.DrawText(&bm, "HH", -1, &rect, 0);
  // Solid stems of H are the text colour exactly; partial pixels lie between paper and ink.
  int solid = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x)
    {
      const Raster_Pixel p = at(bm, x, y);
      solid += p == Raster_ARGB(255, 200, 0, 0);
      ASSERT_EQ(Raster_GetA(p), 255);
      ASSERT_EQ(Raster_GetG(p), Raster_GetB(p));
      ASSERT_GE(Raster_GetR(p), 200);
    }
  EXPECT_GT(solid, 20);

  // Without kRasterTextUseAlpha the colour's alpha is ignored; with it, half alpha never
  // reaches the full colour.
  font.SetTextColor(Raster_ARGB(128, 0, 0, 0));
  Raster_MemBitmap opaque(60, 30), half(60, 30);
  rastertest::fill(opaque, kPaper);
  rastertest::fill(half, kPaper);
  font.DrawText(&opaque, "HH", -1, &rect, 0);
  font.DrawText(&half, "HH", -1, &rect, kRasterTextUseAlpha);
  int black = 0, darkestHalf = 255;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x)
    {
      black += at(opaque, x, y) == Raster_ARGB(255, 0, 0, 0);
      darkestHalf = std::min(darkestHalf, Raster_GetR(at(half, x, y)));
    }
  EXPECT_GT(black, 20);
  EXPECT_GT(darkestHalf, 100); // 255 * 127 / 256 = 126 at full coverage
  EXPECT_LT(darkestHalf, 140);

  // Clipped to the rectangle unless kRasterTextNoClip.
  Raster_MemBitmap clip(60, 30);
  rastertest::fill(clip, kPaper);
  Raster_Rect narrow{0, 0, 8, 30};
  font.DrawText(&clip, "HHHH", -1, &narrow, 0);
  Ink ink = inkOf(clip);
  EXPECT_GT(ink.count, 0);
  EXPECT_LE(ink.right, 8);
  rastertest::fill(clip, kPaper);
  font.DrawText(&clip, "HHHH", -1, &narrow, kRasterTextNoClip);
  EXPECT_GT(inkOf(clip).right, 8);

  // Text running off the bitmap is cut at its edges.
  Raster_MemBitmap edge(10, 10, 16);
  rastertest::fill(edge, kPaper);
  Raster_Rect off{-15, -5, 40, 40};
  font.DrawText(&edge, "WWW\nWWW", -1, &off, kRasterTextNoClip);
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 16; ++x)
      ASSERT_EQ(at(edge, x, y), kPaper);
}

TEST(RasterFont, Utf8AndMalformedInput)
{
  Raster_CachedFont font;
  font.SetFromHFont(makeFont("DejaVu Sans", 16), kRasterFontOwnsNative);
  // "Ü" (two bytes) and "€" (three) are one glyph each: as wide as one character, not
  // as wide as the replacement glyphs that bytes read one by one would give.
  const int replacement = measure(font, "\xEF\xBF\xBD").w;
  EXPECT_LT(measure(font, "\xC3\x9C").w, 2 * replacement);
  EXPECT_LT(measure(font, "\xE2\x82\xAC").w, 2 * replacement);
  EXPECT_EQ(measure(font, "a\xE2\x82\xAC").w,
            measure(font, "a").w + measure(font, "\xE2\x82\xAC").w);
  // Broken sequences measure and draw without reading past the end.
  const char broken[] = {'a', char(0xE2), char(0x82), 0};
  EXPECT_GT(measure(font, broken).w, measure(font, "a").w);
  char truncatedTail[2] = {char(0xF0), 0};
  Raster_MemBitmap bm(40, 20);
  Raster_Rect r{0, 0, 40, 20};
  font.DrawText(&bm, truncatedTail, 1, &r, 0);
  EXPECT_EQ(font.DrawText(&bm, nullptr, -1, &r, 0), 0);
  // Extreme rectangles place the text far away instead of overflowing.
  Raster_Rect extreme{-2147483647 - 1, 0, 2147483647, 20};
  font.DrawText(&bm, "abc", -1, &extreme, kRasterTextCentre);
  font.DrawText(&bm, "abc", -1, &extreme, kRasterTextRight | kRasterTextNoClip);
  EXPECT_EQ(font.DrawText(&bm, "x", -1, nullptr, 0), 0);
}

TEST(RasterFont, StylesChangeTheDrawing)
{
  auto drawn = [](Raster_NativeFont* native)
  {
    Raster_CachedFont font;
    font.SetFromHFont(native, kRasterFontOwnsNative);
    auto bm = std::make_unique<Raster_MemBitmap>(120, 120);
    rastertest::fill(*bm, kPaper);
    // Turned text swings about the rectangle's top-left corner, so leave room around it.
    Raster_Rect r{50, 30, 116, 60};
    font.DrawText(bm.get(), "Hello", -1, &r, kRasterTextNoClip);
    return inkOf(*bm);
  };
  const Ink regular = drawn(makeFont("Arial", 20));
  const Ink bold = drawn(makeFont("Arial", 20, 700));
  const Ink underlined = drawn(makeFont("Arial", 20, 400, 0, 0, 0, 1));
  const Ink turned = drawn(makeFont("Arial", 20, 400, 0, -900)); // a quarter turn clockwise
  EXPECT_GT(bold.count, regular.count);
  EXPECT_GT(underlined.count, regular.count);
  EXPECT_GT(underlined.bottom, regular.bottom);
  // Turned a quarter clockwise: tall and narrow, hanging below the corner and left of it.
  EXPECT_GT(turned.bottom - turned.top, regular.bottom - regular.top + 10);
  EXPECT_LT(turned.right - turned.left, regular.right - regular.left);
  EXPECT_LE(turned.right, 50);
  EXPECT_GE(turned.top, 30);

  // Two-level rendering leaves only paper and full ink.
  Raster_CachedFont mono;
  mono.SetFromHFont(makeFont("Arial", 16, 400, kRasterFontQualityNonAntialiased),
                    kRasterFontOwnsNative);
  Raster_MemBitmap bm(80, 30);
  rastertest::fill(bm, kPaper);
  Raster_Rect r{0, 0, 80, 30};
  mono.DrawText(&bm, "Kestrion", -1, &r, 0);
  EXPECT_EQ(rastertest::count(bm, [](int, int, Raster_Pixel p)
                              { return p != kPaper && p != Raster_ARGB(255, 0, 0, 0); }),
            0);
  EXPECT_GT(inkOf(bm).count, 30);
}

TEST(RasterFont, OwnershipFollowsTheFlags)
{
  // Owned fonts are deleted by the font object (the address sanitizer reports a leak
  // otherwise); unowned ones stay with the caller.
  Raster_NativeFont* shared = makeFont("Arial", 12);
  ASSERT_NE(shared, nullptr);
  {
    Raster_CachedFont a;
    a.SetFromHFont(shared, kRasterFontRenderNative);
    a.SetFromHFont(makeFont("Arial", 14), kRasterFontOwnsNative); // replaces, leaves shared alone
    a.SetFromHFont(makeFont("Arial", 16), kRasterFontOwnsNative); // deletes the 14
    EXPECT_EQ(a.GetLineHeight(), 16);
  }
  Raster_CachedFont b;
  b.SetFromHFont(shared, kRasterFontOwnsNative | kRasterFontRenderNative); // still alive
  b.SetFromHFont(shared, kRasterFontOwnsNative); // same font again: kept, not deleted
  EXPECT_EQ(b.GetLineHeight(), 12);
}

TEST(RasterFont, TextsWithThousandsOfDistinctCharacters)
{
  // More distinct characters than the glyph cache keeps: the cache starts afresh
  // between texts, never while a text is being laid out.
  std::string text;
  for (char32_t cp = 0x4E00; cp < 0x4E00 + 4500; ++cp)
  {
    text += char(0xE0 | (cp >> 12));
    text += char(0x80 | ((cp >> 6) & 0x3F));
    text += char(0x80 | (cp & 0x3F));
    if ((cp & 63) == 0) text += '\n';
  }
  Raster_CachedFont font;
  font.SetFromHFont(makeFont("DejaVu Sans", 8), kRasterFontOwnsNative);
  const Box first = measure(font, text.c_str());
  EXPECT_GT(first.w, 0);
  EXPECT_EQ(first.h, 72 * font.GetLineHeight()); // 71 line breaks
  Raster_MemBitmap bm(200, 200);
  Raster_Rect r{0, 0, 200, 200};
  EXPECT_EQ(font.DrawText(&bm, text.c_str(), -1, &r, 0), first.h);
  EXPECT_EQ(measure(font, text.c_str()).w, first.w);

  // A long line far wider than any bitmap draws only what shows, identically to a short
  // text with the same start.
  const std::string longLine(200000, 'W');
  Raster_MemBitmap wide(100, 12), shortText(100, 12);
  Raster_Rect r2{0, 0, 100, 12};
  Raster_Rect r3{0, 0, 100, 12};
  font.DrawText(&wide, longLine.c_str(), -1, &r2, 0);
  font.DrawText(&shortText, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", -1, &r3, 0);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(at(wide, x, y), at(shortText, x, y)) << x << "," << y;
  // Beyond 1 MB a text is refused.
  const std::string huge((1 << 20) + 1, 'a');
  EXPECT_EQ(font.DrawText(&wide, huge.c_str(), -1, &r2, 0), 0);
}
