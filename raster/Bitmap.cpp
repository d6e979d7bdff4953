#include "raster/Bitmap.h"

#include <new>

namespace {

bool sizeAllowed(int w, int h)
{
  return w >= 0 && h >= 0 && w <= kRasterMaxDimension && h <= kRasterMaxDimension &&
         std::int64_t(w) * h <= kRasterMaxPixels;
}

int spanFor(int w, int align)
{
  return int((std::int64_t(w) + align - 1) / align * align);
}

}  // namespace

Raster_MemBitmap::Raster_MemBitmap(int w, int h, int lineAlign)
  : mLineAlign(lineAlign < 1 ? 1 : (lineAlign > 1024 ? 1024 : lineAlign))
{
  resize(w, h);
}

bool Raster_MemBitmap::resize(int w, int h)
{
  if (!sizeAllowed(w, h))
    return false;
  if (w == mWidth && h == mHeight)
    return true;
  const int span = spanFor(w, mLineAlign);
  try {
    std::vector<Raster_Pixel> bits(std::size_t(span) * std::size_t(h), 0u);
    mBits.swap(bits);
  } catch (const std::bad_alloc&) {
    return false;
  }
  mWidth = w;
  mHeight = h;
  mSpan = w > 0 ? span : 0;
  if (h == 0 || w == 0)
    mBits.clear();
  return true;
}

Raster_SysBitmap::Raster_SysBitmap(int w, int h) : Raster_MemBitmap(0, 0, 4)
{
  Raster_SysBitmap::resize(w, h);
}

bool Raster_SysBitmap::resize(int w, int h)
{
  const bool ok = Raster_MemBitmap::resize(w, h);
  syncDC();
  return ok;
}

void Raster_SysBitmap::syncDC()
{
  mDC.bits = getBits();
  mDC.width = mWidth;
  mDC.height = mHeight;
  mDC.rowSpan = mSpan;
}
