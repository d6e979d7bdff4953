// Draws the editor's bitmaps and writes them as PNG files into the folder given as the only
// argument:
//
//   back.png         578 x 299   the panel: brushed dark metal, the product name, the labels
//                                of the eight knobs, scales, readout windows, the light's bezel
//   knob.png         140 x 14000 100 frames of the large knob, stacked vertically
//   knob_small.png   56 x 5600   100 frames of the small knob
//   redLight.png     16 x 32     the clip light, off then on
//   font-white.png   570 x 12    95 cells of 6 x 12, white glyphs for space .. tilde
//
// Shapes are drawn with analytic anti-aliasing into a floating-point canvas with
// premultiplied alpha (so transparent edges stay the colour they are, without dark fringes),
// and text through the raster layer's font renderer. The output depends only on the
// installed fonts: running it again gives the same files.
//
//   kestrion_bitmaps <folder>

#include "raster/Bitmap.h"
#include "raster/Font.h"
#include "raster/PngWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr float kPi = 3.14159265358979f;
constexpr float kMinAngle = -0.75f * kPi; // knob travel, 0 up and clockwise
constexpr float kMaxAngle = 0.75f * kPi;
constexpr int kKnobFrames = 100;

// ---- Colour and canvas ------------------------------------------------------------------

struct Colour
{
  float r, g, b, a = 1.0f;
};

Colour Hex(unsigned rgb, float a = 1.0f)
{
  return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f,
          float(rgb & 255) / 255.0f, a};
}

Colour Mix(const Colour& x, const Colour& y, float t)
{
  t = std::clamp(t, 0.0f, 1.0f);
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
          x.a + (y.a - x.a) * t};
}

Colour Scaled(const Colour& c, float k)
{
  return {std::clamp(c.r * k, 0.0f, 1.0f), std::clamp(c.g * k, 0.0f, 1.0f),
          std::clamp(c.b * k, 0.0f, 1.0f), c.a};
}

// Premultiplied RGBA pixels; painting composites "over".
class Canvas
{
public:
  Canvas(int w, int h) : mW(w), mH(h), mPx(size_t(w) * size_t(h) * 4, 0.0f) {}

  int W() const { return mW; }
  int H() const { return mH; }

  void Over(int x, int y, const Colour& c, float coverage)
  {
    if (x < 0 || y < 0 || x >= mW || y >= mH) return;
    const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (a <= 0.0f) return;
    float* p = &mPx[(size_t(y) * size_t(mW) + size_t(x)) * 4];
    p[0] = c.r * a + p[0] * (1.0f - a);
    p[1] = c.g * a + p[1] * (1.0f - a);
    p[2] = c.b * a + p[2] * (1.0f - a);
    p[3] = a + p[3] * (1.0f - a);
  }

  // Paints every pixel of the box whose centre lies inside the shape given by its signed
  // distance (pixels, negative inside), blurred over soft pixels, in the colour for the point.
  void Fill(float x0, float y0, float x1, float y1, const std::function<float(float, float)>& sdf,
            const std::function<Colour(float, float)>& colour, float soft = 1.0f)
  {
    const int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
    const int ix1 = std::min(mW, int(std::ceil(x1))) - 1,
              iy1 = std::min(mH, int(std::ceil(y1))) - 1;
    for (int y = iy0; y <= iy1; ++y)
      for (int x = ix0; x <= ix1; ++x)
      {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        const float coverage = std::clamp(0.5f - sdf(px, py) / soft, 0.0f, 1.0f);
        if (coverage > 0.0f) Over(x, y, colour(px, py), coverage);
      }
  }

  // Copies the canvas into the raster bitmap at (dx, dy), as straight alpha.
  void Store(Raster_IBitmap* bm, int dx = 0, int dy = 0) const
  {
    for (int y = 0; y < mH; ++y)
    {
      Raster_Pixel* row = Raster_RowPointer(bm, dy + y);
      if (!row) continue;
      for (int x = 0; x < mW; ++x)
      {
        const float* p = &mPx[(size_t(y) * size_t(mW) + size_t(x)) * 4];
        const float a = p[3];
        auto channel = [a](float v)
        { return a > 0.0f ? int(std::lround(std::clamp(v / a, 0.0f, 1.0f) * 255.0f)) : 0; };
        row[dx + x] =
            Raster_ARGB(int(std::lround(a * 255.0f)), channel(p[0]), channel(p[1]), channel(p[2]));
      }
    }
  }

private:
  int mW, mH;
  std::vector<float> mPx;
};

std::function<Colour(float, float)> Plain(const Colour& c)
{
  return [c](float, float) { return c; };
}

// ---- Signed distances -------------------------------------------------------------------

float Circle(float x, float y, float cx, float cy, float r)
{
  return std::hypot(x - cx, y - cy) - r;
}

// Angle of (x, y) about the centre: 0 up, growing clockwise, -pi .. pi.
float AngleAbout(float x, float y, float cx, float cy)
{
  return std::atan2(x - cx, cy - y);
}

// A band of the given width along the circle of radius r from angle a0 to a1, round ends.
float Arc(float x, float y, float cx, float cy, float r, float a0, float a1, float width)
{
  if (a0 > a1) std::swap(a0, a1);
  const float a = AngleAbout(x, y, cx, cy);
  if (a >= a0 && a <= a1) return std::fabs(std::hypot(x - cx, y - cy) - r) - width * 0.5f;
  auto end = [&](float t)
  { return std::hypot(x - (cx + r * std::sin(t)), y - (cy - r * std::cos(t))); };
  return std::min(end(a0), end(a1)) - width * 0.5f;
}

// A segment from (x0, y0) to (x1, y1) of the given width, round ends.
float Segment(float x, float y, float x0, float y0, float x1, float y1, float width)
{
  const float dx = x1 - x0, dy = y1 - y0;
  const float t = std::clamp(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
  return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - width * 0.5f;
}

float RoundedBox(float x, float y, float l, float t, float r, float b, float radius)
{
  const float cx = (l + r) * 0.5f, cy = (t + b) * 0.5f;
  const float hx = (r - l) * 0.5f - radius, hy = (b - t) * 0.5f - radius;
  const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
         radius;
}

// A repeatable value in [0, 1) for integer coordinates.
float Noise(int x, int y)
{
  unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xffffu) / 65536.0f;
}

// ---- Text ---------------------------------------------------------------------------------

struct Font
{
  std::unique_ptr<Raster_CachedFont> font = std::make_unique<Raster_CachedFont>();

  Font(const char* face, int emPixels, bool bold)
  {
    Raster_NativeFont* native =
        CreateFont(-emPixels, 0, 0, 0, bold ? kRasterFontWeightBold : kRasterFontWeightNormal, 0, 0,
                   0, 0, 0, 0, kRasterFontQualityAntialiased, 0, face);
    if (!native)
    {
      std::fprintf(stderr, "kestrion_bitmaps: no font for \"%s\"\n", face);
      std::exit(1);
    }
    font->SetFromHFont(native, kRasterFontRenderNative | kRasterFontOwnsNative);
    font->SetTextColor(Raster_ARGB(255, 255, 255, 255));
  }
};

// Coverage of text drawn white on black: width x height values, the text's box at (0, 0).
struct TextMask
{
  int w = 0, h = 0;
  std::vector<float> coverage;
};

// The text with tracking extra pixels between letters.
TextMask RenderText(Font& font, const std::string& text, float tracking = 0.0f)
{
  std::vector<Raster_Rect> boxes;
  int width = 0, height = 0;
  for (char ch : text)
  {
    Raster_Rect r;
    font.font->DrawText(nullptr, &ch, 1, &r, kRasterTextMeasure);
    boxes.push_back(r);
    height = std::max(height, r.bottom);
  }
  float pen = 0.0f;
  std::vector<int> starts;
  for (size_t i = 0; i < text.size(); ++i)
  {
    starts.push_back(int(std::lround(pen)));
    pen += float(boxes[i].right) + (i + 1 < text.size() ? tracking : 0.0f);
  }
  width = int(std::ceil(pen)) + 2;
  Raster_MemBitmap bm(width, height);
  for (int y = 0; y < height; ++y)
    std::fill_n(Raster_RowPointer(&bm, y), width, Raster_ARGB(255, 0, 0, 0));
  for (size_t i = 0; i < text.size(); ++i)
  {
    Raster_Rect r{starts[i], 0, width, height};
    font.font->DrawText(&bm, &text[i], 1, &r, kRasterTextNoClip);
  }
  TextMask mask{width, height, std::vector<float>(size_t(width) * size_t(height))};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      mask.coverage[size_t(y) * size_t(width) + size_t(x)] =
          float(Raster_GetR(Raster_RowPointer(&bm, y)[x])) / 255.0f;
  return mask;
}

// Paints the mask centred on cx with its top at y.
void PaintText(Canvas& canvas, const TextMask& mask, float cx, int top, const Colour& colour)
{
  const int left = int(std::lround(cx - float(mask.w) * 0.5f));
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w; ++x)
      canvas.Over(left + x, top + y, colour, mask.coverage[size_t(y) * size_t(mask.w) + size_t(x)]);
}

// Text with a dark shadow one pixel below, as if engraved into the panel.
void PaintLabel(Canvas& canvas, const TextMask& mask, float cx, int top, const Colour& colour)
{
  PaintText(canvas, mask, cx, top + 1, Hex(0x000000, 0.55f));
  PaintText(canvas, mask, cx, top, colour);
}

// ---- The knob -----------------------------------------------------------------------------

struct KnobStyle
{
  int size;        // frame width and height
  float body;      // radius of the cap
  float skirt;     // radius of the outer ring under the cap
  float arcRadius; // radius of the value arc
  float arcWidth;
  float pointerFrom; // pointer from this radius ...
  float pointerTo;   // ... to this one
  float pointerWidth;
  bool bipolar; // the arc grows from the top, not from the left end
};

const Colour kAccent = Hex(0xff8c1a);
const Colour kTrack = Hex(0x0d0e10);

void PaintKnobFrame(Canvas& canvas, int top, const KnobStyle& s, float value)
{
  const float cx = float(s.size) * 0.5f, cy = float(top) + float(s.size) * 0.5f;
  const float angle = kMinAngle + (kMaxAngle - kMinAngle) * value;
  const float box = float(s.size);
  auto all = [&](const std::function<float(float, float)>& sdf,
                 const std::function<Colour(float, float)>& col, float soft = 1.0f)
  { canvas.Fill(0, float(top), box, float(top) + box, sdf, col, soft); };

  // Track and value arc.
  all([&](float x, float y)
      { return Arc(x, y, cx, cy, s.arcRadius, kMinAngle, kMaxAngle, s.arcWidth); },
      Plain(kTrack));
  const float from = s.bipolar ? 0.0f : kMinAngle;
  if (std::fabs(angle - from) > 1e-4f)
  {
    all([&](float x, float y)
        { return Arc(x, y, cx, cy, s.arcRadius, from, angle, s.arcWidth - 1.0f); },
        Plain(kAccent));
  }

  // Soft shadow below the knob, then the knurled skirt, then the cap.
  all([&](float x, float y) { return Circle(x, y, cx, cy + s.size * 0.03f, s.skirt + 1.5f); },
      Plain(Hex(0x000000, 0.6f)), s.size * 0.05f);
  all([&](float x, float y) { return Circle(x, y, cx, cy, s.skirt); },
      [&](float x, float y)
      {
        const float t = (y - (cy - s.skirt)) / (2.0f * s.skirt);
        const float a = AngleAbout(x, y, cx, cy);
        const float ridges = 0.5f + 0.5f * std::cos(a * (s.bipolar ? 48.0f : 28.0f));
        return Scaled(Mix(Hex(0x4a4e55), Hex(0x1b1d21), t), 0.85f + 0.2f * ridges);
      });
  all([&](float x, float y) { return Circle(x, y, cx, cy, s.body + 1.0f); }, [&](float, float y)
      { return Mix(Hex(0x9aa0a8), Hex(0x1e2024), (y - (cy - s.body)) / (2.0f * s.body)); });
  all([&](float x, float y) { return Circle(x, y, cx, cy, s.body); },
      [&](float x, float y)
      {
        // Brushed aluminium: a conical sheen over a darker base, lighter towards the top.
        const float a = AngleAbout(x, y, cx, cy);
        const float sheen = 0.5f + 0.5f * std::cos(2.0f * (a - 0.5f));
        const float t = (y - (cy - s.body)) / (2.0f * s.body);
        const Colour base = Mix(Hex(0x5c6169), Hex(0x34373d), t);
        return Scaled(base, 0.82f + 0.38f * sheen * sheen);
      });

  // Pointer: a light line with a dark edge.
  const float sx = std::sin(angle), sy = -std::cos(angle);
  auto pointer = [&](float width)
  {
    return [&, width](float x, float y)
    {
      return Segment(x, y, cx + sx * s.pointerFrom, cy + sy * s.pointerFrom, cx + sx * s.pointerTo,
                     cy + sy * s.pointerTo, width);
    };
  };
  all(pointer(s.pointerWidth + 1.5f), Plain(Hex(0x101114, 0.8f)));
  all(pointer(s.pointerWidth), Plain(Hex(0xf6f6f4)));
}

bool Write(Canvas& canvas, const std::string& path)
{
  Raster_MemBitmap bm(canvas.W(), canvas.H());
  canvas.Store(&bm);
  std::string error;
  if (Raster_WritePNG(&bm, path.c_str(), &error)) return true;
  std::fprintf(stderr, "kestrion_bitmaps: %s\n", error.c_str());
  return false;
}

bool WriteKnob(const KnobStyle& style, const std::string& path)
{
  Canvas canvas(style.size, style.size * kKnobFrames);
  for (int i = 0; i < kKnobFrames; ++i)
    PaintKnobFrame(canvas, i * style.size, style, float(i) / float(kKnobFrames - 1));
  return Write(canvas, path);
}
// ---- The panel ------------------------------------------------------------------------------

constexpr int kPanelW = 578, kPanelH = 299;
constexpr int kLargeKnob = 140, kSmallKnob = 56, kLight = 16;
// Top-left corners of the controls in the editor.
constexpr float kLargeX[] = {38, 397};
constexpr float kLargeY = 56;
constexpr float kSmallX[] = {40, 129, 218, 309, 397, 486};
constexpr float kSmallY = 215;
constexpr float kLightX = 284, kLightY = 174;

// The ring a round part sits in: a flat disc of `colour`, `drop` below the part's centre.
struct Ring
{
  float drop, radius;
  Colour colour;
};

// A round part of the panel at (cx, cy): its ring, then the disc of `radius` shaded from `top`
// to `bottom`; both drawn within `reach` of the centre.
void PaintDisc(Canvas& c, float cx, float cy, float reach, const Ring& ring, float radius,
               const Colour& top, const Colour& bottom)
{
  c.Fill(
      cx - reach, cy - reach, cx + reach, cy + reach,
      [=](float x, float y) { return Circle(x, y, cx, cy + ring.drop, ring.radius); },
      Plain(ring.colour));
  c.Fill(
      cx - reach, cy - reach, cx + reach, cy + reach,
      [=](float x, float y) { return Circle(x, y, cx, cy, radius); },
      [=](float, float y) { return Mix(top, bottom, (y - cy + radius) / (2 * radius)); });
}

void PaintPanelBase(Canvas& c)
{
  // Brushed dark metal: a vertical gradient with fine horizontal streaks.
  std::vector<float> streak(static_cast<size_t>(kPanelH));
  for (int y = 0; y < kPanelH; ++y)
    streak[size_t(y)] = Noise(7, y) - 0.5f;
  c.Fill(
      0, 0, kPanelW, kPanelH, [](float, float) { return -1.0f; },
      [&](float x, float y)
      {
        const Colour base = Mix(Hex(0x34373c), Hex(0x1c1e21), y / kPanelH);
        const int row = int(y);
        const float grain = streak[size_t(row)] * 0.06f + (Noise(int(x) / 9, row) - 0.5f) * 0.025f;
        return Scaled(base, 1.0f + grain);
      });
  // Bevel: light top and left edge, dark bottom and right edge.
  c.Fill(
      0, 0, kPanelW, 2, [](float, float y) { return y < 1.0f ? -1.0f : 1.0f; },
      Plain(Hex(0xffffff, 0.16f)));
  c.Fill(
      0, kPanelH - 2, kPanelW, kPanelH,
      [](float, float y) { return y > kPanelH - 1.0f ? -1.0f : 1.0f; }, Plain(Hex(0x000000, 0.5f)));
  // Screws in the corners.
  for (float sx : {10.0f, kPanelW - 10.0f})
    for (float sy : {10.0f, kPanelH - 10.0f})
    {
      PaintDisc(c, sx, sy, 6, {0.8f, 4.6f, Hex(0x000000, 0.6f)}, 4.2f, Hex(0x8a8f96),
                Hex(0x2c2f34));
      c.Fill(
          sx - 6, sy - 6, sx + 6, sy + 6,
          [=](float x, float y)
          { return Segment(x, y, sx - 2.8f, sy + 1.6f, sx + 2.8f, sy - 1.6f, 1.3f); },
          Plain(Hex(0x15161a)));
    }
  // A groove between the main knobs and the row of small ones.
  c.Fill(
      20, 203, kPanelW - 20, 206, [](float, float y) { return y < 204.0f ? -1.0f : 1.0f; },
      Plain(Hex(0x000000, 0.45f)));
  c.Fill(
      20, 203, kPanelW - 20, 206,
      [](float, float y) { return y > 204.0f && y < 205.0f ? -1.0f : 1.0f; },
      Plain(Hex(0xffffff, 0.08f)));
}

// A recessed window of the given box.
void PaintWindow(Canvas& c, float l, float t, float r, float b)
{
  c.Fill(
      l - 1, t - 1, r + 1, b + 2,
      [=](float x, float y) { return RoundedBox(x, y, l, t + 1, r, b + 1, 3.5f); },
      Plain(Hex(0xffffff, 0.10f)));
  c.Fill(
      l - 1, t - 1, r + 1, b + 1,
      [=](float x, float y) { return RoundedBox(x, y, l, t, r, b, 3.5f); },
      [=](float, float y) { return Mix(Hex(0x07080a), Hex(0x15171a), (y - t) / (b - t)); });
}

void PaintScale(Canvas& c, float cx, float cy, float r0, float r1, int ticks)
{
  for (int i = 0; i < ticks; ++i)
  {
    const float a = kMinAngle + (kMaxAngle - kMinAngle) * float(i) / float(ticks - 1);
    const float sx = std::sin(a), sy = -std::cos(a);
    const bool major = i == 0 || i == ticks - 1 || i == ticks / 2;
    const float from = major ? r0 - 1.5f : r0;
    c.Fill(
        cx - r1 - 2, cy - r1 - 2, cx + r1 + 2, cy + r1 + 2,
        [=](float x, float y)
        { return Segment(x, y, cx + sx * from, cy + sy * from, cx + sx * r1, cy + sy * r1, 1.3f); },
        Plain(Hex(0xc8ccd2, major ? 0.75f : 0.4f)));
  }
}

bool WritePanel(const std::string& path)
{
  Canvas c(kPanelW, kPanelH);
  PaintPanelBase(c);

  Font title("DejaVu Sans", 27, true);
  Font subtitle("DejaVu Sans", 9, true);
  Font label("DejaVu Sans", 12, true);
  Font small("DejaVu Sans Condensed", 9, true);
  Font sign("DejaVu Sans", 11, true);

  const Colour labelColour = Hex(0xd9dce1);
  const Colour dimColour = Hex(0x8d939b);

  // Product name between the two main knobs.
  const float centre = kPanelW * 0.5f;
  PaintLabel(c, RenderText(title, "KESTRION", 2.0f), centre, 58, Hex(0xeceef1));
  PaintLabel(c, RenderText(subtitle, "TRANSIENT SHAPER", 2.2f), centre, 94, kAccent);
  c.Fill(
      centre - 60, 111, centre + 60, 113, [=](float, float y) { return y < 112.0f ? -1.0f : 1.0f; },
      Plain(Hex(0xffffff, 0.12f)));

  // Main knobs: name, readout window, scale with its end marks.
  const char* largeNames[] = {"ATTACK", "SUSTAIN"};
  for (int k = 0; k < 2; ++k)
  {
    const float kx = kLargeX[k] + kLargeKnob * 0.5f, ky = kLargeY + kLargeKnob * 0.5f;
    PaintLabel(c, RenderText(label, largeNames[k], 1.8f), kx, 24, labelColour);
    PaintWindow(c, kx - 36, 43, kx + 36, 61);
    PaintScale(c, kx, ky, 61.0f, 65.0f, 21);
    // The ends of the travel: cut on the left, boost on the right.
    const float ex = std::sin(kMaxAngle) * 66.0f, ey = -std::cos(kMaxAngle) * 66.0f;
    PaintLabel(c, RenderText(sign, "-"), kx - ex - 5, int(ky + ey - 4), dimColour);
    PaintLabel(c, RenderText(sign, "+"), kx + ex + 5, int(ky + ey - 4), dimColour);
  }

  // Small knobs: scale and name below.
  const char* smallNames[] = {"ATTACK LINK", "ATTACK LENGTH", "GAIN",
                              "SC HPF",      "SUSTAIN LINK",  "SUSTAIN LENGTH"};
  for (int k = 0; k < 6; ++k)
  {
    const float kx = kSmallX[k] + kSmallKnob * 0.5f, ky = kSmallY + kSmallKnob * 0.5f;
    PaintScale(c, kx, ky, 27.0f, 29.5f, 11);
    PaintLabel(c, RenderText(small, smallNames[k], 0.6f), kx, 273, labelColour);
  }

  // The clip light's bezel and name.
  const float lx = kLightX + kLight * 0.5f, ly = kLightY + kLight * 0.5f;
  PaintDisc(c, lx, ly, 12, {0.7f, 9.5f, Hex(0xffffff, 0.12f)}, 9.0f, Hex(0x060708), Hex(0x202226));
  PaintLabel(c, RenderText(subtitle, "CLIP", 1.5f), lx, 194, dimColour);

  return Write(c, path);
}

// ---- The light and the font ---------------------------------------------------------------

bool WriteLight(const std::string& path)
{
  Canvas c(kLight, kLight * 2);
  const float r = 6.0f;
  for (int frame = 0; frame < 2; ++frame)
  {
    const bool on = frame == 1;
    const float cx = kLight * 0.5f, cy = kLight * (float(frame) + 0.5f);
    if (on)
      c.Fill(
          0, cy - 8, kLight, cy + 8,
          [=](float x, float y) { return Circle(x, y, cx, cy, r + 1.0f); },
          Plain(Hex(0xff2a10, 0.5f)), 3.0f);
    c.Fill(
        0, cy - 8, kLight, cy + 8, [=](float x, float y) { return Circle(x, y, cx, cy, r); },
        [=](float x, float y)
        {
          const float d = std::hypot(x - (cx - 1.5f), y - (cy - 1.8f)) / (r + 1.5f);
          return on ? Mix(Hex(0xffd2b8), Mix(Hex(0xff2a12), Hex(0xa00800), (d - 0.35f) * 1.6f),
                          d * 2.6f)
                    : Mix(Hex(0x6a1a16), Hex(0x2a0706), d);
        });
    c.Fill(
        0, cy - 8, kLight, cy + 8,
        [=](float x, float y) { return Circle(x, y, cx - 1.8f, cy - 2.2f, 1.6f); },
        Plain(Hex(0xffffff, on ? 0.85f : 0.25f)), 1.5f);
  }
  return Write(c, path);
}

// 95 cells of 6 x 12 pixels for the characters 32 .. 126, each glyph at the left of its
// cell, white with coverage as alpha.
bool WriteFont(const std::string& path)
{
  constexpr int kCellW = 6, kCellH = 12, kCells = 95;
  Font mono("DejaVu Sans Mono", 10, true);
  Canvas c(kCellW * kCells, kCellH);
  for (int i = 0; i < kCells; ++i)
  {
    const char ch = char(32 + i);
    const TextMask mask = RenderText(mono, std::string(1, ch));
    for (int y = 0; y < std::min(kCellH, mask.h); ++y)
      for (int x = 0; x < std::min(kCellW, mask.w); ++x)
        c.Over(i * kCellW + x, y, Hex(0xffffff),
               mask.coverage[size_t(y) * size_t(mask.w) + size_t(x)]);
  }
  return Write(c, path);
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: kestrion_bitmaps <folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const KnobStyle large{kLargeKnob, 40.0f, 46.0f, 55.0f, 5.0f, 12.0f, 36.0f, 4.0f, true};
  const KnobStyle small{kSmallKnob, 16.0f, 19.0f, 24.0f, 3.5f, 5.0f, 14.5f, 2.6f, false};
  const bool ok = WriteKnob(large, dir + "knob.png") && WriteKnob(small, dir + "knob_small.png") &&
                  WritePanel(dir + "back.png") && WriteLight(dir + "redLight.png") &&
                  WriteFont(dir + "font-white.png");
  return ok ? 0 : 1;
}
