// Helpers shared by the raster tests.
#pragma once

#include <functional>

#include "raster/Bitmap.h"

namespace rastertest {

inline Raster_Pixel& at(Raster_IBitmap& bm, int x, int y) { return Raster_RowPointer(&bm, y)[x]; }

inline void fill(Raster_IBitmap& bm, Raster_Pixel p)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getRowSpan(); ++x)
      Raster_RowPointer(&bm, y)[x] = p;  // padding too, so stray writes show up
}

// Distinct opaque pixel for every position.
inline Raster_Pixel tag(int x, int y) { return Raster_ARGB(255, x + 1, y + 1, 7); }

inline void fillTagged(Raster_IBitmap& bm)
{
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      at(bm, x, y) = tag(x, y);
}

// Number of pixels, row padding included, for which pred is true.
inline int count(Raster_IBitmap& bm, const std::function<bool(int x, int y, Raster_Pixel)>& pred)
{
  int n = 0;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getRowSpan(); ++x)
      n += pred(x, y, Raster_RowPointer(&bm, y)[x]) ? 1 : 0;
  return n;
}

// A bitmap that stores its bottom row first, as some platform bitmaps do.
class BottomUpBitmap : public Raster_MemBitmap
{
public:
  BottomUpBitmap(int w, int h) : Raster_MemBitmap(w, h, 1) {}
  bool isFlipped() override { return true; }
  // Memory row r holds image row h - 1 - r.
  Raster_Pixel stored(int x, int memoryRow) { return getBits()[memoryRow * getRowSpan() + x]; }
};

}  // namespace rastertest
