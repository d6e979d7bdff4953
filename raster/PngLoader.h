// Decoding PNG files into 32-bit bitmaps (bytes A, R, G, B; straight alpha).
#pragma once

#include <cstddef>

#include "raster/Bitmap.h"

// The libpng version the loader states when it creates its decoder; any 1.6 library
// accepts it.
constexpr const char* kRasterPngVersion = "1.6.19";

// Loads the PNG file at path. Every colour type and bit depth is accepted (grey 1 to 16
// bits, grey with alpha, palette with or without a transparency chunk, RGB and RGBA at 8
// or 16 bits, interlaced or not): palettes and grey are expanded to RGB, a transparency
// chunk becomes an alpha channel, 16-bit samples are scaled to 8 bits (rounded), alpha
// is placed first, and images without alpha get alpha 255.
//
// Without a bitmap the result is a new Raster_MemBitmap (rows aligned to 4 pixels) that
// the caller owns. With one, the image is decoded completely first and only then copied
// into it (resized to the image size); the result is then that bitmap. Returns null when
// the file cannot be opened, is not a valid PNG, is truncated or corrupt, exceeds the
// raster layer's size limits, or the given bitmap cannot take the image's size. On
// failure nothing is leaked and a given bitmap is left exactly as it was. Nothing is
// printed. Safe to call from several threads at once.
Raster_IBitmap* Raster_LoadPNG(const char* path, Raster_IBitmap* bitmap = nullptr);

// The same for a PNG file held in memory.
Raster_IBitmap* Raster_LoadPNGFromMemory(const void* data, std::size_t size,
                                        Raster_IBitmap* bitmap = nullptr);
