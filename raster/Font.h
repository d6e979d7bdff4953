// Font text: a GDI-style native font (CreateFont) over FreeType and fontconfig, and the
// cached font object the editor draws text with.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "raster/Bitmap.h"

// A face at a pixel size, as made by CreateFont: on Linux a FreeType face chosen by
// fontconfig. Owned by whoever created it until handed to a Raster_CachedFont with
// kRasterFontOwnsNative; destroyed with Raster_DeleteFont. Its operations lock the
// font, so one native font may be used from several threads.
class Raster_NativeFont;

// GDI weights and qualities that CreateFont understands.
enum
{
  kRasterFontWeightNormal = 400,
  kRasterFontWeightBold = 700,
  kRasterFontQualityNonAntialiased = 3,  // glyphs rendered in two levels
  kRasterFontQualityAntialiased = 4,
  kRasterFontFixedPitch = 1,             // pitchAndFamily low bits
  kRasterFontFamilyRoman = 0x10,         // pitchAndFamily family (upper bits)
  kRasterFontFamilySwiss = 0x20,
  kRasterFontFamilyModern = 0x30,
};

// Makes a native font of the named face (UTF-8) and pixel height, or null when no font
// can be made (height 0 or beyond +-1024 pixels, no usable font installed, or out of
// memory).
//
// height > 0 asks for that cell height (ascent plus descent) in pixels, height < 0 for
// an em size of -height pixels. width is the average glyph width in pixels (0: the
// face's own proportions). escapement (tenths of a degree, counter-clockwise on screen)
// turns the drawn text about its top-left corner; orientation is not used separately
// (GDI's compatible mode ties it to escapement). weight >= 600 selects a bold face (or
// emboldens a face without one), italic a slanted face (or slants an upright one),
// underline and strikeOut draw their bars. quality kRasterFontQualityNonAntialiased
// renders two-level glyphs; every other value anti-aliases. charSet, outPrecision and
// clipPrecision have no meaning here: text is UTF-8 and every face is an outline face.
//
// The face name goes to fontconfig, which picks the closest installed font. On Debian:
// "Arial" and "Helvetica" resolve through fontconfig's metric aliases to Liberation Sans
// (fonts-liberation2), "Times" and "Times New Roman" to Liberation Serif, "Courier" and
// "Courier New" to Liberation Mono. macOS faces that have no alias there are followed by
// a generic family, used when the face itself is not installed: "Monaco", "Menlo" and
// "Andale Mono" by monospace (DejaVu Sans Mono from fonts-dejavu-core), "Lucida Grande",
// "Geneva" and "Helvetica Neue" by sans-serif. A fixed pitch or a family in
// pitchAndFamily adds the matching generic family as a further fallback, and any other
// face that is not installed falls back to the default sans-serif font (DejaVu Sans).
Raster_NativeFont* CreateFont(int height, int width, int escapement, int orientation, int weight,
                              int italic, int underline, int strikeOut, int charSet, int outPrecision,
                              int clipPrecision, int quality, int pitchAndFamily, const char* face);

void Raster_DeleteFont(Raster_NativeFont* font);

// The family name of the installed font a native font uses ("" for null).
const char* Raster_GetFontFamily(const Raster_NativeFont* font);

// Text rectangle: left and top inclusive, right and bottom exclusive.
struct Raster_Rect
{
  int left = 0, top = 0, right = 0, bottom = 0;
};

// DrawText flags.
enum
{
  kRasterTextMeasure = 1,           // only measure: rect becomes (0, 0, width, height)
  kRasterTextCentre = 4,            // centre each line horizontally in the rectangle
  kRasterTextRight = 0x20,          // align each line to the rectangle's right edge
  kRasterTextNoClip = 0x100,        // draw beyond the rectangle (still within the bitmap)
  kRasterTextUseAlpha = 0x40000000, // weight by the text colour's alpha (else opaque)
};

// SetFromHFont flags.
enum
{
  kRasterFontRenderNative = 0x200,  // draw with the native renderer (FreeType)
  kRasterFontOwnsNative = 0x400,    // the font object deletes the native font
};

// A font object that draws and measures text.
class Raster_IFont
{
public:
  virtual ~Raster_IFont() = default;
  // Text colour as a pixel (A, R, G, B bytes). Default opaque black.
  virtual void SetTextColor(Raster_Pixel colour) = 0;
  virtual Raster_Pixel GetTextColor() = 0;
  // Draws len bytes of UTF-8 text (len < 0: up to the terminating zero) into bitmap
  // inside rect, with the flags above; '\n' starts a new line. Returns the height of
  // the text in pixels (0 when nothing can be drawn, for texts over 1 MB, or when memory
  // runs out). With kRasterTextMeasure nothing is drawn, bitmap may be null, and rect
  // receives (0, 0, width, height). Only pixels of the bitmap that the text covers change.
  virtual int DrawText(Raster_IBitmap* bitmap, const char* text, int len, Raster_Rect* rect,
                       int flags) = 0;
  // Distance between successive baselines in pixels (0 without a font).
  virtual int GetLineHeight() = 0;
};

// The editor's font object: renders through a native font and keeps every glyph it has
// rendered, so repeated texts cost only the blending. Thread-safe.
class Raster_CachedFont : public Raster_IFont
{
public:
  Raster_CachedFont();
  ~Raster_CachedFont() override;

  Raster_CachedFont(const Raster_CachedFont&) = delete;
  Raster_CachedFont& operator=(const Raster_CachedFont&) = delete;

  // Uses font from now on (null: none). With kRasterFontOwnsNative the font object owns
  // it and deletes it when replaced or destroyed. Drawing always goes through FreeType.
  void SetFromHFont(Raster_NativeFont* font, int flags);

  void SetTextColor(Raster_Pixel colour) override;
  Raster_Pixel GetTextColor() override;
  int DrawText(Raster_IBitmap* bitmap, const char* text, int len, Raster_Rect* rect, int flags) override;
  int GetLineHeight() override;

  struct Glyph
  {
    int left = 0, top = 0;         // image offset from the pen position on the baseline
    int width = 0, height = 0;
    int advance = 0;               // in 1/64 pixel
    unsigned index = 0;            // glyph index in the face, for kerning
    std::vector<std::uint8_t> coverage;  // width x height, 0..255
  };

private:
  const Glyph* glyphFor(char32_t ch);
  int drawLocked(Raster_IBitmap* bitmap, const char* text, int len, Raster_Rect* rect, int flags);
  void releaseFont();

  std::recursive_mutex mMutex;
  Raster_NativeFont* mFont = nullptr;
  bool mOwnsFont = false;
  Raster_Pixel mColour;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> mGlyphs;
};
