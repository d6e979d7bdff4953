// Encoding 32-bit bitmaps as PNG files (8-bit RGBA, straight alpha).
#pragma once

#include <string>

#include "raster/Bitmap.h"

// Writes bitmap to path as an 8-bit RGBA PNG, rows top first whatever the bitmap's storage
// order. The image goes to a temporary file beside path that replaces path only once it is
// complete, so a failed write never leaves a truncated file or damages an existing one.
// Returns false, with a one-line reason in *error when given, for an empty bitmap, an
// unwritable directory or an encoder failure. Safe to call from several threads at once.
bool Raster_WritePNG(Raster_IBitmap* bitmap, const char* path, std::string* error = nullptr);
