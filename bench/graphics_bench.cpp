// Figures for the editor surface at the plug-in's size: a background, eight 100-frame knob
// strips (two large, six small 48 x 48) and three text lines, laid out as the plug-in's
// editor. One full redraw, and the poll and redraw of a single dirty small knob.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "graphics/IKnobControls.h"
#include "graphics/ITextControls.h"
#include "tests/framework/TestEffect.h"
#include "tests/graphics/RecordingGraphics.h"

namespace
{

constexpr int kEditorW = 578, kEditorH = 299;
constexpr int kFrames = 100;
constexpr int kBackgroundId = 105, kKnobId = 101, kSmallKnobId = 107;

// Opaque background, and knob frames that are opaque discs with anti-aliased edges over
// transparent corners, each frame a different shade.
Raster_IBitmap* MakeBitmap(int id)
{
  if (id == kBackgroundId)
  {
    auto* bm = new Raster_MemBitmap(kEditorW, kEditorH);
    for (int y = 0; y < kEditorH; ++y)
      for (int x = 0; x < kEditorW; ++x)
        Raster_RowPointer(bm, y)[x] = Raster_ARGB(255, x & 255, y & 255, (x ^ y) & 255);
    return bm;
  }
  const int size = id == kKnobId ? 140 : 48;
  auto* bm = new Raster_MemBitmap(size, size * kFrames);
  for (int y = 0; y < size * kFrames; ++y)
    for (int x = 0; x < size; ++x)
    {
      const int frame = y / size;
      const double dx = (x + 0.5) / size - 0.5, dy = (y % size + 0.5) / size - 0.5;
      const double r = std::sqrt(dx * dx + dy * dy) * 2.0;
      const int a = r < 0.9 ? 255 : (r > 1.0 ? 0 : int((1.0 - r) * 10.0 * 255.0));
      Raster_RowPointer(bm, y)[x] = Raster_ARGB(a, frame * 2, 128, 255 - frame * 2);
    }
  return bm;
}

// The editor surface without a window; its screen transfer does nothing.
class BenchGraphics : public graphicstest::TestGraphics
{
public:
  explicit BenchGraphics(IEffectBase* plug) : TestGraphics(plug, kEditorW, kEditorH) {}
  bool DrawScreen(IRECT*) override { return true; }
};

struct Editor
{
  Editor()
  {
    graphics->mLoader = [](int id, const char*) { return MakeBitmap(id); };
    graphics->AttachBackground(kBackgroundId, "back.png");
    IBitmap knob = graphics->LoadIBitmap(kKnobId, "knob.png", kFrames);
    IBitmap small = graphics->LoadIBitmap(kSmallKnobId, "knob_small.png", kFrames);
    graphics->AttachControl(new IKnobMultiControl(&plug, 38, 56, 0, &knob));
    graphics->AttachControl(new IKnobMultiControl(&plug, 397, 56, 1, &knob));
    const int smallX[] = {40, 129, 218, 309, 397, 486};
    for (int i = 0; i < 6; ++i)
    {
      auto* control = new IKnobMultiControl(&plug, smallX[i], 215, 2 + i, &small);
      graphics->AttachControl(control);
      if (i == 2) smallKnob = control;
    }
    IText style(12, COLOR_BLACK, "Arial");
    graphics->AttachControl(new ITextControl(&plug, IRECT(38, 46, 178, 60), &style, "50.0 %"));
    graphics->AttachControl(new ITextControl(&plug, IRECT(397, 46, 537, 60), &style, "-20.0 %"));
    graphics->AttachControl(new ITextControl(&plug, IRECT(201, 130, 372, 150), &style, "v1.0.1"));
    for (int i = 0; i < plug.NParams(); ++i)
      plug.GetParam(i)->InitDouble("Knob", 30.0, 0.0, 100.0, 0.1, "%");
    plug.AttachGraphics(graphics);
    RedrawDirty(); // fonts made, first values drawn
    RedrawDirty();
  }
  // One poll of the redraw timer: true when something was drawn.
  bool RedrawDirty()
  {
    IRECT r;
    return graphics->IsDirty(&r) && graphics->Draw(&r);
  }

  TestEffect plug{8};
  BenchGraphics* graphics = new BenchGraphics(&plug); // owned by the plug-in once attached
  IKnobMultiControl* smallKnob = nullptr;
};

void BM_FullRedraw(benchmark::State& state)
{
  Editor editor;
  for (auto _ : state)
  {
    editor.graphics->SetAllControlsDirty();
    benchmark::DoNotOptimize(editor.RedrawDirty());
  }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

// A value from the plug-in moves one small knob to another frame; the timer's poll finds
// it (it stays dirty for one more poll after each move, which the next move overlaps).
void BM_SingleKnobRedraw(benchmark::State& state)
{
  Editor editor;
  double value = 0.25;
  for (auto _ : state)
  {
    value = 1.0 - value;
    editor.smallKnob->SetValueFromPlug(value);
    benchmark::DoNotOptimize(editor.RedrawDirty());
  }
}
BENCHMARK(BM_SingleKnobRedraw)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
