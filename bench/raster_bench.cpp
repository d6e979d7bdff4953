// Figures for the raster layer: the editor's full-size blit, a knob strip frame, and
// the slower paths (bilinear rotation, text) that controls may use.
#include <benchmark/benchmark.h>

#include <cmath>

#include "raster/Blit.h"
#include "raster/Font.h"

namespace {

constexpr int kEditorW = 578, kEditorH = 299;

// Pixels of a typical editor bitmap: mostly opaque, with transparent surroundings and
// anti-aliased edges where the artwork meets them.
Raster_Pixel artwork(int x, int y, int w, int h)
{
  const double dx = (x + 0.5) / w - 0.5, dy = (y + 0.5) / h - 0.5;
  const double r = std::sqrt(dx * dx + dy * dy) * 2.0;
  const int a = r < 0.9 ? 255 : (r > 1.0 ? 0 : int((1.0 - r) * 10.0 * 255.0));
  return Raster_ARGB(a, (x * 7) & 255, (y * 5) & 255, (x + y) & 255);
}

void fillArtwork(Raster_IBitmap& bm, int frames)
{
  const int frameH = bm.getHeight() / frames;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      Raster_RowPointer(&bm, y)[x] = artwork(x, y % frameH, bm.getWidth(), frameH);
}

void fillOpaque(Raster_IBitmap& bm)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      Raster_RowPointer(&bm, y)[x] = Raster_ARGB(255, x & 255, y & 255, (x ^ y) & 255);
}

// The whole editor image blitted with source alpha at opacity 1.0 (mode 0x10000), for an
// opaque background and for artwork with transparent and partly transparent pixels.
void BM_EditorBlitSourceAlpha(benchmark::State& state)
{
  Raster_SysBitmap dest(kEditorW, kEditorH);
  Raster_MemBitmap src(kEditorW, kEditorH);
  if (state.range(0))
    fillArtwork(src, 1);
  else
    fillOpaque(src);
  fillOpaque(dest);
  for (auto _ : state) {
    Raster_Blit(&dest, &src, 0, 0, 0, 0, kEditorW, kEditorH, 1.0f, kRasterModeUseSourceAlpha);
    benchmark::DoNotOptimize(dest.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kEditorW * kEditorH);
  state.SetLabel(state.range(0) ? "artwork with alpha" : "opaque background");
}
BENCHMARK(BM_EditorBlitSourceAlpha)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The background control's plain copy (kBlendCopy, mode 0).
void BM_EditorBlitCopy(benchmark::State& state)
{
  Raster_SysBitmap dest(kEditorW, kEditorH);
  Raster_MemBitmap src(kEditorW, kEditorH);
  fillOpaque(src);
  for (auto _ : state) {
    Raster_Blit(&dest, &src, 0, 0, 0, 0, kEditorW, kEditorH, 1.0f, kRasterModeCopy);
    benchmark::DoNotOptimize(dest.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kEditorW * kEditorH);
}
BENCHMARK(BM_EditorBlitCopy)->Unit(benchmark::kMicrosecond);

// One frame of a knob strip of 100 frames stacked vertically (frame size from the
// argument), drawn with source alpha at opacity 1.0 into the editor image.
void BM_KnobStripFrameBlit(benchmark::State& state)
{
  const int size = int(state.range(0));
  constexpr int kFrames = 100;
  Raster_SysBitmap dest(kEditorW, kEditorH);
  Raster_MemBitmap strip(size, size * kFrames);
  fillOpaque(dest);
  fillArtwork(strip, kFrames);
  int frame = 0;
  for (auto _ : state) {
    Raster_Blit(&dest, &strip, 40, 80, 0, frame * size, size, size, 1.0f, kRasterModeUseSourceAlpha);
    frame = (frame + 37) % kFrames;
    benchmark::DoNotOptimize(dest.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_KnobStripFrameBlit)->Arg(48)->Arg(96)->Unit(benchmark::kMicrosecond);

// A knob image turned with bilinear filtering, as the rotating-knob controls draw it.
void BM_RotatedKnobBilinear(benchmark::State& state)
{
  constexpr int kSize = 96;
  Raster_SysBitmap dest(kEditorW, kEditorH);
  Raster_MemBitmap knob(kSize, kSize);
  fillOpaque(dest);
  fillArtwork(knob, 1);
  float angle = 0.0f;
  for (auto _ : state) {
    Raster_RotatedBlit(&dest, &knob, 100, 100, kSize, kSize, 0, 0, kSize, kSize, angle, false, 1.0f,
                       kRasterModeUseSourceAlpha | kRasterModeFilterBilinear, 0, 0);
    angle += 0.1f;
    benchmark::DoNotOptimize(dest.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_RotatedKnobBilinear)->Unit(benchmark::kMicrosecond);

// A value readout drawn with a cached font (glyphs already rendered).
void BM_CachedFontReadout(benchmark::State& state)
{
  Raster_CachedFont font;
  font.SetFromHFont(CreateFont(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"),
                    kRasterFontOwnsNative | kRasterFontRenderNative);
  Raster_SysBitmap dest(kEditorW, kEditorH);
  fillOpaque(dest);
  for (auto _ : state) {
    Raster_Rect rect{38, 46, 178, 60};
    font.DrawText(&dest, "Attack -12.5 dB", -1, &rect, kRasterTextCentre | kRasterTextNoClip);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CachedFontReadout)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
