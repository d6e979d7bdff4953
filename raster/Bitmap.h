// Bitmaps of the raster layer: 32-bit pixels, bytes A, R, G, B in memory, straight
// (not premultiplied) alpha, row 0 at the top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One pixel as a little-endian 32-bit value: A + R * 2^8 + G * 2^16 + B * 2^24, so the
// bytes in memory read A, R, G, B.
using Raster_Pixel = std::uint32_t;

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "pixels are handled as 32-bit values whose first byte in memory is alpha");

constexpr Raster_Pixel Raster_ARGB(int a, int r, int g, int b)
{
  return (Raster_Pixel(a) & 0xffu) | (Raster_Pixel(r) & 0xffu) << 8 |
         (Raster_Pixel(g) & 0xffu) << 16 | (Raster_Pixel(b) & 0xffu) << 24;
}
constexpr int Raster_GetA(Raster_Pixel p) { return int(p & 0xffu); }
constexpr int Raster_GetR(Raster_Pixel p) { return int((p >> 8) & 0xffu); }
constexpr int Raster_GetG(Raster_Pixel p) { return int((p >> 16) & 0xffu); }
constexpr int Raster_GetB(Raster_Pixel p) { return int(p >> 24); }

// Largest bitmap the layer will allocate: each side at most 32767 pixels and at most
// 2^26 pixels (256 MB) in all. Larger requests fail instead of exhausting memory.
constexpr int kRasterMaxDimension = 32767;
constexpr std::int64_t kRasterMaxPixels = std::int64_t(1) << 26;

// The bitmap interface every raster operation works on. Implementations own their
// pixels; the operations only read and write through getBits() and getRowSpan().
// A bitmap is not locked: one thread at a time may change it.
class Raster_IBitmap
{
public:
  virtual ~Raster_IBitmap() = default;

  // First pixel of the top row (of the bottom row when isFlipped()). Null when empty.
  virtual Raster_Pixel* getBits() = 0;
  virtual int getWidth() = 0;
  virtual int getHeight() = 0;
  // Pixels (not bytes) from the start of one row to the start of the next.
  virtual int getRowSpan() = 0;
  // True when rows are stored bottom row first. Both bitmaps below answer false.
  virtual bool isFlipped() = 0;
  // Gives the bitmap a new size. True when the bitmap has the requested size afterwards;
  // false for negative or oversized requests or when memory runs out, in which case the
  // old pixels and size are kept. When the size changes, every pixel becomes 0
  // (transparent black); asking for the current size keeps the pixels.
  virtual bool resize(int w, int h) = 0;
  // Platform drawing handle, or null when the bitmap has none.
  virtual void* getDC() = 0;
  // Extension point for bitmap kinds with extra abilities; answers 0 for unknown ids.
  virtual std::intptr_t Extended(int id, void* data) = 0;
};

// Bitmap in ordinary memory. The row span is the smallest multiple of lineAlign pixels
// that is at least the width (lineAlign is limited to 1..1024). 0 x 0 is allowed.
class Raster_MemBitmap : public Raster_IBitmap
{
public:
  // An invalid size (negative or beyond the limits above) leaves the bitmap 0 x 0.
  explicit Raster_MemBitmap(int w = 0, int h = 0, int lineAlign = 4);
  ~Raster_MemBitmap() override = default;

  Raster_MemBitmap(const Raster_MemBitmap&) = delete;
  Raster_MemBitmap& operator=(const Raster_MemBitmap&) = delete;

  Raster_Pixel* getBits() override { return mBits.empty() ? nullptr : mBits.data(); }
  int getWidth() override { return mWidth; }
  int getHeight() override { return mHeight; }
  int getRowSpan() override { return mSpan; }
  bool isFlipped() override { return false; }
  bool resize(int w, int h) override;
  void* getDC() override { return nullptr; }
  std::intptr_t Extended(int, void*) override { return 0; }

protected:
  std::vector<Raster_Pixel> mBits;
  int mWidth = 0, mHeight = 0, mSpan = 0;
  int mLineAlign = 4;
};

// What Raster_SysBitmap::getDC() hands out: the pixel buffer as the text renderer sees
// it. Stays valid for the bitmap's lifetime and follows every resize.
struct Raster_DC
{
  Raster_Pixel* bits = nullptr;
  int width = 0, height = 0, rowSpan = 0;
};

// The editor's off-screen image. On Linux a memory bitmap with rows aligned to 4 pixels
// (16 bytes, as the screen transfer prefers) whose drawing handle describes the pixels
// for the FreeType text renderer.
class Raster_SysBitmap : public Raster_MemBitmap
{
public:
  explicit Raster_SysBitmap(int w = 0, int h = 0);

  bool resize(int w, int h) override;
  void* getDC() override { return &mDC; }

private:
  void syncDC();
  Raster_DC mDC;
};

// Row y of a bitmap counted from the top whatever its storage order; null when y is
// outside the bitmap or the bitmap has no pixels.
inline Raster_Pixel* Raster_RowPointer(Raster_IBitmap* bm, int y)
{
  Raster_Pixel* bits = bm->getBits();
  const int h = bm->getHeight();
  if (!bits || y < 0 || y >= h)
    return nullptr;
  const int row = bm->isFlipped() ? h - 1 - y : y;
  return bits + std::ptrdiff_t(row) * bm->getRowSpan();
}
