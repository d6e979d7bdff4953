#pragma once
// The double-resolution screen image: on a screen with two device pixels per point the
// editor's bitmap is sent as a copy in which every pixel becomes a 2 x 2 block.

#include <cstddef>
#include <vector>

#include "raster/Bitmap.h"

// True when one point of user space covers more than 1.9 device pixels.
inline bool IsHighResolution(double devicePixelsPerPoint)
{
  return devicePixelsPerPoint > 1.9;
}

// Row span, in pixels, of the doubled image of a w-pixel-wide bitmap: 2w rounded up to a
// multiple of 4 pixels.
constexpr int DoubledRowSpan(int w)
{
  return (2 * w + 3) & ~3;
}

class ScreenDoubling
{
public:
  // Writes the 2w x 2h copy of the w x h pixels (srcSpan pixels per row) and returns its
  // first pixel, 32-byte aligned, with DoubledRowSpan(w) pixels per row; null when the
  // buffer cannot grow to h x span x 8 + 32 bytes. The buffer is kept and only grows.
  const Raster_Pixel* Double(const Raster_Pixel* src, int w, int h, int srcSpan);
  std::size_t Capacity() const { return mBuffer.size(); }

private:
  std::vector<unsigned char> mBuffer;
};
