#include "host/Plot.h"

#include "raster/Bitmap.h"
#include "raster/Font.h"
#include "raster/PngWriter.h"
#include "raster/Shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace kestrion
{
namespace
{
// Layout, in pixels.
constexpr int kLeft = 78, kRight = RenderPlot::kWidth - 78;
constexpr int kTop = 66, kPaneHeight = 212, kGap = 26;
constexpr int kColumns = kRight - kLeft;

const Raster_Pixel kBackground = Raster_ARGB(255, 255, 255, 255);
const Raster_Pixel kPane = Raster_ARGB(255, 246, 247, 249);
const Raster_Pixel kGrid = Raster_ARGB(255, 218, 222, 228);
const Raster_Pixel kAxis = Raster_ARGB(255, 90, 96, 105);
const Raster_Pixel kText = Raster_ARGB(255, 30, 33, 38);
const Raster_Pixel kInputWave = Raster_ARGB(255, 70, 120, 180);
const Raster_Pixel kOutputWave = Raster_ARGB(255, 214, 120, 40);
const Raster_Pixel kClipWave = Raster_ARGB(255, 200, 30, 30);
const Raster_Pixel kGain = Raster_ARGB(255, 20, 140, 70);
const Raster_Pixel kGainZero = Raster_ARGB(255, 190, 225, 200);

// Input below this level (-70 dBFS, as energy per sample) says nothing of the gain applied.
constexpr double kQuietEnergy = 1e-7;

class Canvas
{
public:
  Canvas() : mBitmap(RenderPlot::kWidth, RenderPlot::kHeight)
  {
    Raster_FillRect(&mBitmap, 0, 0, RenderPlot::kWidth, RenderPlot::kHeight, kBackground, 1.0f,
                    kRasterModeCopy);
    mSmall = MakeFont(-12, 400);
    mLarge = MakeFont(-16, 700);
  }

  Raster_IBitmap* Bitmap() { return &mBitmap; }

  void Rect(int x, int y, int w, int h, Raster_Pixel colour)
  {
    Raster_FillRect(&mBitmap, x, y, w, h, colour, 1.0f, kRasterModeCopy);
  }
  void Line(int x1, int y1, int x2, int y2, Raster_Pixel colour, bool antiAlias = false)
  {
    Raster_Line(&mBitmap, x1, y1, x2, y2, colour, 1.0f, kRasterModeCopy, antiAlias);
  }

  enum Align
  {
    kAlignLeft,
    kAlignCentre,
    kAlignRight
  };
  // Text whose box starts at y, placed by its left edge, centre or right edge at x.
  void Text(const std::string& text, int x, int y, Align align, bool large = false,
            Raster_Pixel colour = kText)
  {
    Raster_CachedFont* font = large ? mLarge.get() : mSmall.get();
    if (!font) return;
    Raster_Rect box;
    font->DrawText(nullptr, text.c_str(), -1, &box, kRasterTextMeasure);
    const int w = box.right - box.left;
    const int left = align == kAlignLeft ? x : align == kAlignCentre ? x - w / 2 : x - w;
    Raster_Rect at = {left, y, left + w + 2, y + box.bottom - box.top + 2};
    font->SetTextColor(colour);
    font->DrawText(&mBitmap, text.c_str(), -1, &at, kRasterTextUseAlpha);
  }
  int TextHeight() { return mSmall ? mSmall->GetLineHeight() : 12; }

private:
  static std::unique_ptr<Raster_CachedFont> MakeFont(int height, int weight)
  {
    Raster_NativeFont* native =
        CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, kRasterFontQualityAntialiased,
                   kRasterFontFamilySwiss, "DejaVu Sans");
    if (!native) return nullptr;
    auto font = std::make_unique<Raster_CachedFont>();
    font->SetFromHFont(native, kRasterFontRenderNative | kRasterFontOwnsNative);
    return font;
  }

  Raster_MemBitmap mBitmap;
  std::unique_ptr<Raster_CachedFont> mSmall, mLarge;
};

std::string Format(const char* format, double value)
{
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A step of 1, 2 or 5 times a power of ten giving at most `most` ticks over span.
double TickStep(double span, int most)
{
  const double raw = span / most;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= raw) return m * power;
  return 10 * power;
}

// One waveform pane: amplitude -1..1 linear, labelled in dBFS.
void DrawPane(Canvas& canvas, int top, const char* caption,
              const std::vector<RenderPlot::Column>& columns, bool output)
{
  const int mid = top + kPaneHeight / 2;
  const double half = kPaneHeight / 2.0 - 2;
  canvas.Rect(kLeft, top, kColumns, kPaneHeight, kPane);
  // Levels: 0, -6 and -12 dBFS above and below the centre line.
  for (double db : {0.0, -6.0, -12.0})
  {
    const int dy = static_cast<int>(std::lround(half * std::pow(10.0, db / 20.0)));
    for (int sign : {-1, 1})
    {
      canvas.Line(kLeft, mid + sign * dy, kRight - 1, mid + sign * dy, kGrid);
      canvas.Text(Format("%.0f", db), kLeft - 8, mid + sign * dy - canvas.TextHeight() / 2,
                  Canvas::kAlignRight, false, kAxis);
    }
  }
  canvas.Line(kLeft, mid, kRight - 1, mid, kAxis);
  canvas.Text(std::string(caption) + " (dBFS)", kLeft + 6, top + 4, Canvas::kAlignLeft, false,
              kAxis);

  for (int x = 0; x < static_cast<int>(columns.size()); ++x)
  {
    const RenderPlot::Column& c = columns[static_cast<size_t>(x)];
    if (c.count == 0) continue;
    const float lo = output ? c.outMin : c.inMin;
    const float hi = output ? c.outMax : c.inMax;
    const int y1 = mid - static_cast<int>(std::lround(half * std::clamp(hi, -1.0f, 1.0f)));
    const int y2 = mid - static_cast<int>(std::lround(half * std::clamp(lo, -1.0f, 1.0f)));
    const bool clipped = hi > 1.0f || lo < -1.0f;
    canvas.Line(kLeft + x, y1, kLeft + x, y2,
                clipped ? kClipWave : (output ? kOutputWave : kInputWave));
  }
}

// Output over input level in dB per column, over a window of neighbouring columns (energy
// weighted); NaN where the input is too quiet to say.
std::vector<double> SmoothedGain(const std::vector<RenderPlot::Column>& columns, int reach)
{
  const int n = static_cast<int>(columns.size());
  std::vector<double> gain(columns.size(), std::nan(""));
  for (int x = 0; x < n; ++x)
  {
    double in = 0, out = 0;
    int64_t count = 0;
    for (int k = std::max(0, x - reach); k <= std::min(n - 1, x + reach); ++k)
    {
      in += columns[static_cast<size_t>(k)].inEnergy;
      out += columns[static_cast<size_t>(k)].outEnergy;
      count += columns[static_cast<size_t>(k)].count;
    }
    if (count > 0 && in / count > kQuietEnergy && out > 0)
      gain[static_cast<size_t>(x)] = 10.0 * std::log10(out / in);
  }
  return gain;
}
} // namespace

RenderPlot::RenderPlot(int64_t totalFrames, double sampleRate)
    : mColumns(kColumns), mTotalFrames(std::max<int64_t>(totalFrames, 1)), mSampleRate(sampleRate)
{
}

void RenderPlot::Add(const float* in, const float* out, int channels, int64_t frames)
{
  for (int64_t i = 0; i < frames; ++i, ++mPosition)
  {
    const int64_t x = std::min<int64_t>(mPosition * kColumns / mTotalFrames, kColumns - 1);
    Column& c = mColumns[static_cast<size_t>(x)];
    for (int ch = 0; ch < channels; ++ch)
    {
      const float a = in[i * channels + ch], b = out[i * channels + ch];
      if (c.count == 0 && ch == 0)
      {
        c.inMin = c.inMax = a;
        c.outMin = c.outMax = b;
      }
      c.inMin = std::min(c.inMin, a);
      c.inMax = std::max(c.inMax, a);
      c.outMin = std::min(c.outMin, b);
      c.outMax = std::max(c.outMax, b);
      c.inEnergy += static_cast<double>(a) * a;
      c.outEnergy += static_cast<double>(b) * b;
    }
    c.count += channels;
  }
}

bool RenderPlot::Write(const std::string& path, const std::string& title,
                       const std::string& subtitle, std::string* error) const
{
  Canvas canvas;
  canvas.Text(title, kWidth / 2, 10, Canvas::kAlignCentre, true);
  canvas.Text(subtitle, kWidth / 2, 34, Canvas::kAlignCentre);

  const int outputTop = kTop + kPaneHeight + kGap;
  const int bottom = outputTop + kPaneHeight;
  DrawPane(canvas, kTop, "input", mColumns, false);
  DrawPane(canvas, outputTop, "output", mColumns, true);

  // Time axis under both panes, with grid lines through them.
  const double seconds = static_cast<double>(mTotalFrames) / mSampleRate;
  const double step = TickStep(seconds, 10);
  const char* format = step >= 1 ? "%.0f" : step >= 0.1 ? "%.1f" : "%.2f";
  for (double t = 0; t <= seconds + 1e-9; t += step)
  {
    const int x = kLeft + static_cast<int>(std::lround(t / seconds * kColumns));
    if (x >= kRight) break;
    canvas.Line(x, bottom, x, bottom + 5, kAxis);
    canvas.Text(Format(format, t), x, bottom + 8, Canvas::kAlignCentre, false, kAxis);
  }
  canvas.Text("time (s)", kRight, bottom + 24, Canvas::kAlignRight, false, kAxis);

  // The gain, over both panes, on its own scale at the right.
  const int reach = std::max(1, static_cast<int>(0.010 * kColumns / seconds)); // about 10 ms
  const std::vector<double> gain = SmoothedGain(mColumns, reach);
  double largest = 0;
  for (double g : gain)
    if (!std::isnan(g)) largest = std::max(largest, std::fabs(g));
  const double range = std::max(6.0, std::ceil(largest / 6.0) * 6.0);
  const int gainTop = kTop, gainBottom = bottom;
  auto gainY = [&](double db)
  {
    return gainTop +
           static_cast<int>(std::lround((range - db) / (2 * range) * (gainBottom - gainTop)));
  };
  for (double db = -range; db <= range + 1e-9; db += range / 2)
  {
    const int y = gainY(db);
    if (std::fabs(db) < 1e-9) canvas.Line(kLeft, y, kRight - 1, y, kGainZero);
    canvas.Line(kRight, y, kRight + 5, y, kGain);
    canvas.Text((std::fabs(db) < 1e-9 ? std::string("0") : Format("%+.0f", db)) + " dB", kRight + 8,
                y - canvas.TextHeight() / 2, Canvas::kAlignLeft, false, kGain);
  }
  canvas.Line(kRight, gainTop, kRight, gainBottom, kGain);
  int lastX = -1, lastY = 0;
  for (int x = 0; x < kColumns; ++x)
  {
    const double g = gain[static_cast<size_t>(x)];
    if (std::isnan(g))
    {
      lastX = -1;
      continue;
    }
    const int y = gainY(std::clamp(g, -range, range));
    if (lastX >= 0)
    {
      canvas.Line(kLeft + lastX, lastY, kLeft + x, y, kGain, true);
      canvas.Line(kLeft + lastX, lastY + 1, kLeft + x, y + 1, kGain, true);
    }
    lastX = x;
    lastY = y;
  }

  // Legend.
  const int legendY = bottom + 44;
  canvas.Rect(kLeft, legendY + 4, 14, 8, kInputWave);
  canvas.Text("input", kLeft + 18, legendY, Canvas::kAlignLeft);
  canvas.Rect(kLeft + 70, legendY + 4, 14, 8, kOutputWave);
  canvas.Text("output", kLeft + 88, legendY, Canvas::kAlignLeft);
  canvas.Rect(kLeft + 150, legendY + 7, 14, 2, kGain);
  canvas.Text("gain applied (output / input level)", kLeft + 168, legendY, Canvas::kAlignLeft);
  canvas.Rect(kLeft + 420, legendY + 4, 14, 8, kClipWave);
  canvas.Text("beyond full scale", kLeft + 438, legendY, Canvas::kAlignLeft);

  return Raster_WritePNG(canvas.Bitmap(), path.c_str(), error);
}
} // namespace kestrion
