#include "raster/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <strings.h>

#include "raster/Blend.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Sizes beyond this are refused rather than rendering glyphs of many megabytes.
constexpr int kMaxPixelHeight = 1024;
// Longer texts are refused: their widths could overflow pixel coordinates.
constexpr std::size_t kMaxTextBytes = std::size_t(1) << 20;
// The glyph cache of one font starts afresh, before the next text, once it holds this
// many distinct characters.
constexpr std::size_t kMaxCachedGlyphs = 4096;

// ---------------------------------------------------------------------------------------
// FreeType library, shared by every native font. Creating and destroying faces must be
// serialised per library; the library lives while any face does.

std::mutex& libraryMutex()
{
  static std::mutex m;
  return m;
}
FT_Library gLibrary = nullptr;
int gLibraryUsers = 0;

FT_Face openFace(const char* file, int index)
{
  std::lock_guard<std::mutex> lock(libraryMutex());
  if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return nullptr;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(gLibrary, file, index, &face) != 0)
    face = nullptr;
  if (face)
    ++gLibraryUsers;
  else if (gLibraryUsers == 0) {
    FT_Done_FreeType(gLibrary);
    gLibrary = nullptr;
  }
  return face;
}

void closeFace(FT_Face face)
{
  std::lock_guard<std::mutex> lock(libraryMutex());
  FT_Done_Face(face);
  if (--gLibraryUsers == 0) {
    FT_Done_FreeType(gLibrary);
    gLibrary = nullptr;
  }
}

// ---------------------------------------------------------------------------------------
// Face lookup through fontconfig.

struct FaceChoice
{
  std::string file, family;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

// macOS faces that Debian does not ship and fontconfig has no alias for, and the generic
// family to try after them (see CreateFont in the header for what each resolves to).
const char* genericFamilyFor(const char* face)
{
  static const struct { const char* face; const char* generic; } kAliases[] = {
      {"Monaco", "monospace"},         {"Menlo", "monospace"},
      {"Andale Mono", "monospace"},    {"Lucida Grande", "sans-serif"},
      {"Geneva", "sans-serif"},        {"Helvetica Neue", "sans-serif"},
  };
  for (const auto& a : kAliases)
    if (strcasecmp(face, a.face) == 0)
      return a.generic;
  return nullptr;
}

bool chooseFace(const char* face, bool bold, bool italic, int pitchAndFamily, FaceChoice* out)
{
  static std::once_flag initOnce;
  static bool initOk = false;
  std::call_once(initOnce, [] { initOk = FcInit() == FcTrue; });
  if (!initOk)
    return false;
  // fontconfig is thread-safe, but it publishes its lazily made internal locks with atomics
  // of its own that ThreadSanitizer cannot see; one lookup at a time costs nothing here (fonts
  // are made when an editor opens) and keeps the race detector's view exact.
  static std::mutex lookupMutex;
  std::lock_guard<std::mutex> lock(lookupMutex);

  FcPattern* pattern = FcPatternCreate();
  if (!pattern)
    return false;
  if (face && *face) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    if (const char* generic = genericFamilyFor(face))
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
  }
  const int family = pitchAndFamily & 0xf0;
  const char* hint = nullptr;
  if ((pitchAndFamily & 3) == kRasterFontFixedPitch || family == kRasterFontFamilyModern)
    hint = "monospace";
  else if (family == kRasterFontFamilyRoman)
    hint = "serif";
  else if (family == kRasterFontFamilySwiss)
    hint = "sans-serif";
  if (hint)
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(hint));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match)
    return false;
  bool ok = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    ok = true;
    out->file = reinterpret_cast<const char*>(file);
    FcChar8* fam = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam)
      out->family = reinterpret_cast<const char*>(fam);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &out->index) != FcResultMatch)
      out->index = 0;
    if (FcPatternGetInteger(match, FC_WEIGHT, 0, &out->weight) != FcResultMatch)
      out->weight = FC_WEIGHT_REGULAR;
    if (FcPatternGetInteger(match, FC_SLANT, 0, &out->slant) != FcResultMatch)
      out->slant = FC_SLANT_ROMAN;
  }
  FcPatternDestroy(match);
  return ok;
}

int roundPixels(FT_Pos v) { return int((v + 32) >> 6); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Native font

class Raster_NativeFont
{
public:
  ~Raster_NativeFont()
  {
    if (mFace)
      closeFace(mFace);
  }

  static Raster_NativeFont* make(int height, int width, int escapement, int weight, bool italic,
                                 bool underline, bool strikeOut, int quality, int pitchAndFamily,
                                 const char* faceName)
  {
    if (height == 0 || height < -kMaxPixelHeight || height > kMaxPixelHeight || width < 0 ||
        width > kMaxPixelHeight)
      return nullptr;
    const bool bold = weight >= 600;
    FaceChoice choice;
    if (!chooseFace(faceName, bold, italic, pitchAndFamily, &choice))
      return nullptr;
    std::unique_ptr<Raster_NativeFont> font(new (std::nothrow) Raster_NativeFont);
    if (!font)
      return nullptr;
    font->mFace = openFace(choice.file.c_str(), choice.index);
    if (!font->mFace || !FT_IS_SCALABLE(font->mFace))
      return nullptr;
    FT_Face face = font->mFace;

    FT_Size_RequestRec req{};
    req.type = height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    req.width = FT_Long(width) << 6;
    req.height = FT_Long(height > 0 ? height : -height) << 6;
    if (FT_Request_Size(face, &req) != 0)
      return nullptr;

    font->mFamily = choice.family;
    font->mMono = quality == kRasterFontQualityNonAntialiased;
    font->mEmbolden = bold && choice.weight < FC_WEIGHT_DEMIBOLD;
    font->mUnderline = underline;
    font->mStrikeOut = strikeOut;
    font->mAngle = escapement / 10.0 * kPi / 180.0;
    if (italic && choice.slant == FC_SLANT_ROMAN) {
      // Slant an upright face by about 12 degrees.
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
      FT_Set_Transform(face, &shear, nullptr);
    }

    // Line metrics from the exact scaled ascender and descender: FreeType's own size
    // metrics round each of them up separately, which would make a requested 12-pixel
    // cell 13 pixels high.
    const FT_Size_Metrics& m = face->size->metrics;
    const FT_Pos ascender = FT_MulFix(face->ascender, m.y_scale);
    const FT_Pos descender = FT_MulFix(face->descender, m.y_scale);
    font->mLineHeight = std::max(1, roundPixels(ascender - descender));
    font->mAscent = std::min(font->mLineHeight, roundPixels(ascender));
    font->mDescent = font->mLineHeight - font->mAscent;
    const FT_Pos uPos = FT_MulFix(face->underline_position, m.y_scale);
    const FT_Pos uThick = FT_MulFix(face->underline_thickness, m.y_scale);
    font->mUnderlinePos = std::max(1, roundPixels(-uPos));
    font->mBarThickness = std::max(1, roundPixels(uThick));
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->yStrikeoutPosition > 0)
      font->mStrikePos = roundPixels(FT_MulFix(os2->yStrikeoutPosition, m.y_scale));
    else
      font->mStrikePos = std::max(1, font->mAscent * 3 / 10);
    return font.release();
  }

  // Renders one character into glyph. False when the face cannot render it at all.
  bool render(char32_t ch, Raster_CachedFont::Glyph* glyph)
  {
    std::lock_guard<std::mutex> lock(mMutex);
    const FT_UInt index = FT_Get_Char_Index(mFace, FT_ULong(ch));
    const FT_Int32 loadFlags = FT_LOAD_DEFAULT | (mMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(mFace, index, loadFlags) != 0)
      return false;
    FT_GlyphSlot slot = mFace->glyph;
    FT_Pos advance = slot->advance.x;
    if (mEmbolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      const FT_Pos strength = FT_MulFix(mFace->units_per_EM, mFace->size->metrics.y_scale) / 24;
      FT_Outline_Embolden(&slot->outline, strength);
      advance += (strength + 63) & ~63;
    }
    if (FT_Render_Glyph(slot, mMono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
      return false;
    const FT_Bitmap& bm = slot->bitmap;
    glyph->index = index;
    glyph->advance = int(advance);
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = int(bm.width);
    glyph->height = int(bm.rows);
    glyph->coverage.assign(std::size_t(bm.width) * bm.rows, 0);
    const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 1;
    for (unsigned y = 0; y < bm.rows; ++y) {
      const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
      std::uint8_t* out = glyph->coverage.data() + std::size_t(y) * bm.width;
      for (unsigned x = 0; x < bm.width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          out[x] = std::uint8_t(grays == 255 ? row[x] : row[x] * 255 / grays);
      }
    }
    return true;
  }

  // Kerning between two glyph indices, in 1/64 pixel.
  int kerning(unsigned left, unsigned right)
  {
    if (!left || !right || !FT_HAS_KERNING(mFace))
      return 0;
    std::lock_guard<std::mutex> lock(mMutex);
    FT_Vector delta{0, 0};
    if (FT_Get_Kerning(mFace, left, right, FT_KERNING_DEFAULT, &delta) != 0)
      return 0;
    return int(delta.x);
  }

  std::mutex mMutex;
  FT_Face mFace = nullptr;
  std::string mFamily;
  bool mMono = false, mEmbolden = false, mUnderline = false, mStrikeOut = false;
  double mAngle = 0;  // radians, counter-clockwise on screen
  int mAscent = 0, mDescent = 0, mLineHeight = 0;
  int mUnderlinePos = 1, mStrikePos = 1, mBarThickness = 1;  // pixels from the baseline
};

Raster_NativeFont* CreateFont(int height, int width, int escapement, int /*orientation*/, int weight,
                              int italic, int underline, int strikeOut, int /*charSet*/,
                              int /*outPrecision*/, int /*clipPrecision*/, int quality,
                              int pitchAndFamily, const char* face)
{
  try {
    return Raster_NativeFont::make(height, width, escapement, weight, italic != 0, underline != 0,
                                   strikeOut != 0, quality, pitchAndFamily, face);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Raster_DeleteFont(Raster_NativeFont* font) { delete font; }

const char* Raster_GetFontFamily(const Raster_NativeFont* font)
{
  return font ? font->mFamily.c_str() : "";
}

// ---------------------------------------------------------------------------------------
// Leak checking

// fontconfig 2.14 loses a few hundred bytes once, while parsing its configuration in
// FcInit. LeakSanitizer would fail every program that makes a font, so builds with the
// address sanitizer tell it to ignore leaks from inside fontconfig (and only those). Weak: a
// program that needs more suppressions defines its own list, fontconfig's included.
#if defined(__SANITIZE_ADDRESS__)
#define KESTRION_RASTER_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRION_RASTER_LSAN 1
#endif
#endif
#ifdef KESTRION_RASTER_LSAN
extern "C" __attribute__((visibility("default"), used, weak)) const char*
__lsan_default_suppressions()
{
  return "leak:libfontconfig.so\n";
}
#endif

// ---------------------------------------------------------------------------------------
// Text layout

namespace {

// Decodes UTF-8; malformed sequences (overlong forms, surrogates, values beyond U+10FFFF,
// stray or missing continuation bytes) become U+FFFD, one per bad byte.
std::vector<std::vector<char32_t>> decodeLines(const char* text, std::size_t len)
{
  std::vector<std::vector<char32_t>> lines(1);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = 0;
  while (i < len) {
    const unsigned c = s[i];
    char32_t cp = 0xFFFD;
    std::size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xF4) {
      const std::size_t need = c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4);
      char32_t v = c & (need == 2 ? 0x1F : (need == 3 ? 0x0F : 0x07));
      std::size_t k = 1;
      for (; k < need && i + k < len && (s[i + k] & 0xC0) == 0x80; ++k)
        v = (v << 6) | (s[i + k] & 0x3F);
      const bool valid = k == need && !(need == 3 && v < 0x800) && !(need == 4 && v < 0x10000) &&
                         v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF);
      if (valid) {
        cp = v;
        n = need;
      }
    }
    i += n;
    if (cp == '\n')
      lines.emplace_back();
    else if (cp == '\t')
      lines.back().push_back(U' ');
    else if (cp >= 0x20 && cp != 0x7F)
      lines.back().push_back(cp);  // other control characters draw nothing
  }
  return lines;
}

struct PlacedGlyph
{
  const Raster_CachedFont::Glyph* glyph;
  int x;  // pen position in whole pixels from the line's start
};

struct LineLayout
{
  std::vector<PlacedGlyph> glyphs;
  int shift = 0;    // pixels added on the left for ink left of the pen's start
  int advance = 0;  // pen travel in pixels
  int width = 0;    // ink and advance together, including the shift
};

// Coverage (0..255) of the text mask at a fractional position, 0 outside.
double maskAt(const std::vector<std::uint8_t>& mask, int w, int h, int x, int y)
{
  return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0 : mask[std::size_t(y) * w + x];
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Cached font

Raster_CachedFont::Raster_CachedFont() : mColour(Raster_ARGB(255, 0, 0, 0)) {}

Raster_CachedFont::~Raster_CachedFont() { releaseFont(); }

void Raster_CachedFont::releaseFont()
{
  if (mOwnsFont)
    delete mFont;
  mFont = nullptr;
  mOwnsFont = false;
  mGlyphs.clear();
}

void Raster_CachedFont::SetFromHFont(Raster_NativeFont* font, int flags)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (font != mFont)
    releaseFont();
  mFont = font;
  mOwnsFont = font && (flags & kRasterFontOwnsNative) != 0;
}

void Raster_CachedFont::SetTextColor(Raster_Pixel colour)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mColour = colour;
}

Raster_Pixel Raster_CachedFont::GetTextColor()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  return mColour;
}

int Raster_CachedFont::GetLineHeight()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  return mFont ? mFont->mLineHeight : 0;
}

const Raster_CachedFont::Glyph* Raster_CachedFont::glyphFor(char32_t ch)
{
  auto it = mGlyphs.find(ch);
  if (it != mGlyphs.end())
    return it->second.get();
  auto glyph = std::make_unique<Glyph>();
  if (!mFont->render(ch, glyph.get()))
    return nullptr;
  const Glyph* result = glyph.get();
  mGlyphs.emplace(ch, std::move(glyph));
  return result;
}

int Raster_CachedFont::DrawText(Raster_IBitmap* bitmap, const char* text, int len, Raster_Rect* rect,
                                int flags)
{
  if (!text || !rect)
    return 0;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  try {
    return drawLocked(bitmap, text, len, rect, flags);
  } catch (const std::bad_alloc&) {
    return 0;  // out of memory: nothing (more) is drawn
  }
}

int Raster_CachedFont::drawLocked(Raster_IBitmap* bitmap, const char* text, int len, Raster_Rect* rect,
                                  int flags)
{
  if (!mFont)
    return 0;
  // Layout keeps pointers into the glyph cache, so it is trimmed only here, between
  // texts; one text may grow it past the limit.
  if (mGlyphs.size() >= kMaxCachedGlyphs)
    mGlyphs.clear();
  const std::size_t length = len < 0 ? std::strlen(text) : std::size_t(len);
  if (length > kMaxTextBytes)
    return 0;
  const std::vector<std::vector<char32_t>> lines = decodeLines(text, length);
  std::vector<LineLayout> layout(lines.size());

  // Lay out every line: pen positions with kerning, and the ink's horizontal extent.
  int boxW = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LineLayout& line = layout[i];
    long pen = 0;  // 1/64 pixel
    unsigned prev = 0;
    int inkLeft = 0, inkRight = 0;
    for (char32_t ch : lines[i]) {
      const Glyph* g = glyphFor(ch);
      if (!g)
        continue;
      pen += mFont->kerning(prev, g->index);
      const int x = int((pen + 32) >> 6);
      line.glyphs.push_back({g, x});
      if (g->width > 0) {
        inkLeft = std::min(inkLeft, x + g->left);
        inkRight = std::max(inkRight, x + g->left + g->width);
      }
      pen += g->advance;
      prev = g->index;
    }
    line.advance = int((pen + 32) >> 6);
    line.shift = -inkLeft;
    line.width = std::max(line.advance, inkRight) + line.shift;
    boxW = std::max(boxW, line.width);
  }
  const int lineHeight = mFont->mLineHeight;
  const int boxH = int(lines.size()) * lineHeight;

  if (flags & kRasterTextMeasure) {
    *rect = Raster_Rect{0, 0, boxW, boxH};
    return boxH;
  }
  if (!bitmap || !bitmap->getBits() || boxW <= 0 || boxH <= 0)
    return boxH;

  auto alignOffset = [flags](long long room, long long width) -> long long {
    if (flags & kRasterTextCentre)
      return (room - width) / 2;
    if (flags & kRasterTextRight)
      return room - width;
    return 0;
  };
  // Where the block lands, and the region it may change.
  const long long boxLeft = rect->left + alignOffset((long long)rect->right - rect->left, boxW);
  const long long boxTop = rect->top;
  const int bw = bitmap->getWidth(), bh = bitmap->getHeight();
  long long clipL = 0, clipT = 0, clipR = bw, clipB = bh;
  if (!(flags & kRasterTextNoClip)) {
    clipL = std::max<long long>(clipL, rect->left);
    clipT = std::max<long long>(clipT, rect->top);
    clipR = std::min<long long>(clipR, rect->right);
    clipB = std::min<long long>(clipB, rect->bottom);
  }
  const double angle = mFont->mAngle;

  // Render the visible part of the block (all of it when the text is turned) into a
  // coverage mask whose origin is (vx0, vy0) in block coordinates.
  long long vx0 = 0, vy0 = 0, vx1 = boxW, vy1 = boxH;
  if (angle == 0.0) {
    vx0 = std::max<long long>(0, clipL - boxLeft);
    vy0 = std::max<long long>(0, clipT - boxTop);
    vx1 = std::min<long long>(boxW, clipR - boxLeft);
    vy1 = std::min<long long>(boxH, clipB - boxTop);
  }
  if (vx0 >= vx1 || vy0 >= vy1)
    return boxH;
  if ((vx1 - vx0) * (vy1 - vy0) > kRasterMaxPixels)
    return 0;  // a turned block too large to render
  const int maskW = int(vx1 - vx0), maskH = int(vy1 - vy0);
  std::vector<std::uint8_t> mask(std::size_t(maskW) * std::size_t(maskH), 0);
  auto cover = [&](long long bx, long long by, std::uint8_t c) {
    const long long mx = bx - vx0, my = by - vy0;
    if (mx >= 0 && my >= 0 && mx < maskW && my < maskH) {
      std::uint8_t& m = mask[std::size_t(my) * maskW + std::size_t(mx)];
      m = std::max(m, c);
    }
  };
  auto bar = [&](long long x0, long long x1, long long y0, int thickness) {
    for (long long y = std::max(y0, vy0); y < std::min(y0 + thickness, vy1); ++y)
      for (long long x = std::max(x0, vx0); x < std::min(x1, vx1); ++x)
        cover(x, y, 255);
  };
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const long long baseline = (long long)i * lineHeight + mFont->mAscent;
    if (baseline - lineHeight - mFont->mAscent >= vy1 || baseline + lineHeight < vy0)
      continue;  // line entirely outside the visible part
    const LineLayout& line = layout[i];
    const long long lineX = alignOffset(boxW, line.width) + line.shift;
    for (const PlacedGlyph& p : line.glyphs) {
      const Glyph& g = *p.glyph;
      const long long gx = lineX + p.x + g.left, gy = baseline - g.top;
      if (gx + g.width <= vx0 || gx >= vx1 || gy + g.height <= vy0 || gy >= vy1)
        continue;
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
          cover(gx + x, gy + y, g.coverage[std::size_t(y) * g.width + x]);
    }
    const int thickness = mFont->mBarThickness;
    if (mFont->mUnderline)
      bar(lineX, lineX + line.advance, baseline + mFont->mUnderlinePos - thickness / 2, thickness);
    if (mFont->mStrikeOut)
      bar(lineX, lineX + line.advance, baseline - mFont->mStrikePos - thickness / 2, thickness);
  }

  // Blend the mask in the text colour: coverage times the colour's alpha becomes the
  // source alpha of a copy with source alpha at full opacity.
  const int colourAlpha = (flags & kRasterTextUseAlpha) ? Raster_GetA(mColour) : 255;
  const Raster_Pixel rgb = mColour & 0xffffff00u;
  auto blend = [&](int x, int y, int coverage) {
    const int a = (coverage * colourAlpha + 127) / 255;
    if (a <= 0)
      return;
    Raster_Pixel* row = Raster_RowPointer(bitmap, y);
    row[x] = raster_blend::combine<kRasterModeCopy, true>(row[x], rgb | Raster_Pixel(a), 256);
  };

  if (angle == 0.0) {
    for (int my = 0; my < maskH; ++my) {
      const int y = int(boxTop + vy0 + my);
      for (int mx = 0; mx < maskW; ++mx) {
        const int c = mask[std::size_t(my) * maskW + mx];
        if (c)
          blend(int(boxLeft + vx0 + mx), y, c);
      }
    }
    return boxH;
  }

  // Turned text: the block rotates about its top-left corner; each destination pixel
  // samples the mask bilinearly.
  const double cs = std::cos(angle), sn = std::sin(angle);
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  const double corners[4][2] = {{0, 0}, {double(boxW), 0}, {0, double(boxH)}, {double(boxW), double(boxH)}};
  for (const auto& c : corners) {
    const double x = c[0] * cs + c[1] * sn, y = -c[0] * sn + c[1] * cs;
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
  const long long x0 = std::max<long long>(clipL, boxLeft + (long long)std::floor(minX));
  const long long x1 = std::min<long long>(clipR, boxLeft + (long long)std::ceil(maxX));
  const long long y0 = std::max<long long>(clipT, boxTop + (long long)std::floor(minY));
  const long long y1 = std::min<long long>(clipB, boxTop + (long long)std::ceil(maxY));
  for (long long y = y0; y < y1; ++y) {
    for (long long x = x0; x < x1; ++x) {
      const double dx = double(x - boxLeft) + 0.5, dy = double(y - boxTop) + 0.5;
      const double u = dx * cs - dy * sn - 0.5, v = dx * sn + dy * cs - 0.5;
      const int iu = int(std::floor(u)), iv = int(std::floor(v));
      const double tu = u - iu, tv = v - iv;
      const double c = (1 - tu) * (1 - tv) * maskAt(mask, maskW, maskH, iu, iv) +
                       tu * (1 - tv) * maskAt(mask, maskW, maskH, iu + 1, iv) +
                       (1 - tu) * tv * maskAt(mask, maskW, maskH, iu, iv + 1) +
                       tu * tv * maskAt(mask, maskW, maskH, iu + 1, iv + 1);
      const int coverage = int(c + 0.5);
      if (coverage > 0)
        blend(int(x), int(y), coverage);
    }
  }
  return boxH;
}
