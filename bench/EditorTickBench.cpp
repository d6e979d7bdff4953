// One tick of the Kestrion editor's redraw timer while only the clip light changes, on the
// off-screen path (no display): the poll of every control (IsDirty), the redraw of the dirty
// region (the background under the light, then the light, which clears the plug-in's peaks
// and stays dirty), and the copy of the light's rectangle into a buffer the size of the
// view's backing, at one or two device pixels per point. The copy stands in for the view's
// screen transfer, which needs a window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/IGraphics.h"
#include "graphics/ScreenDoubling.h"
#include "plugin/Kestrion.h"

namespace
{

constexpr int kLightIdx = 1;

struct Editor
{
  Editor()
  {
    plug->OnParamReset();
    IRECT all;
    graphics->SetAllControlsDirty();
    if (graphics->IsDirty(&all)) graphics->Draw(&all);
  }

  // Copies rect of the off-screen bitmap into the backing, each pixel as scale x scale.
  void CopyToBacking(const IRECT& rect, int scale)
  {
    Raster_IBitmap* bm = graphics->GetDrawBitmap();
    const int w = graphics->Width() * scale;
    for (int y = rect.T; y < rect.B; ++y)
    {
      const Raster_Pixel* src = Raster_RowPointer(bm, y) + rect.L;
      Raster_Pixel* dst = &backing[size_t(y * scale) * size_t(w) + size_t(rect.L * scale)];
      if (scale == 1)
      {
        std::memcpy(dst, src, size_t(rect.W()) * sizeof(Raster_Pixel));
        continue;
      }
      for (int x = 0; x < rect.W(); ++x)
        dst[2 * x] = dst[2 * x + 1] = src[x];
      std::memcpy(dst + w, dst, size_t(rect.W()) * 2 * sizeof(Raster_Pixel));
    }
  }

  std::unique_ptr<IEffectAU> plug{MakePlug()};
  IGraphics* graphics = plug->GetGUI();
  std::vector<Raster_Pixel> backing;
};

void ClipLightTick(benchmark::State& state)
{
  const int scale = int(state.range(0));
  Editor editor;
  if (!editor.graphics)
  {
    state.SkipWithError("built without the editor");
    return;
  }
  editor.backing.assign(
      size_t(editor.graphics->Width() * scale) * size_t(editor.graphics->Height() * scale), 0u);
  for (auto _ : state)
  {
    IRECT r;
    const bool dirty = editor.graphics->IsDirty(&r);
    if (dirty)
    {
      editor.graphics->Draw(&r);
      editor.CopyToBacking(r, scale);
    }
    benchmark::DoNotOptimize(dirty);
    benchmark::ClobberMemory();
  }
  IRECT r;
  editor.graphics->IsDirty(&r);
  if (r != editor.graphics->GetControl(kLightIdx)->GetRECT())
    state.SkipWithError("something else than the clip light was dirty");
}
BENCHMARK(ClipLightTick)->Arg(1)->Arg(2)->ArgName("scale")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
