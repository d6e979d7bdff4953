#include "graphics/ScreenDoubling.h"

#include <cstdint>
#include <algorithm>
#include <new>

const Raster_Pixel* ScreenDoubling::Double(const Raster_Pixel* src, int w, int h, int srcSpan)
{
  if (!src || w <= 0 || h <= 0) return nullptr;
  const int span = DoubledRowSpan(w);
  const std::size_t bytes = std::size_t(h) * std::size_t(span) * 8 + 32;
  if (mBuffer.size() < bytes)
  {
    try
    {
      mBuffer.resize(bytes);
    }
    catch (const std::bad_alloc&)
    {
      return nullptr;
    }
  }
  const auto base = reinterpret_cast<std::uintptr_t>(mBuffer.data());
  auto* out = reinterpret_cast<Raster_Pixel*>((base + 31) & ~std::uintptr_t(31));
  for (int y = 0; y < h; ++y)
  {
    const Raster_Pixel* in = src + std::size_t(y) * srcSpan;
    Raster_Pixel* top = out + std::size_t(2 * y) * span;
    for (int x = 0; x < w; ++x)
      top[2 * x] = top[2 * x + 1] = in[x];
    std::copy(top, top + 2 * w, top + span);
  }
  return out;
}
