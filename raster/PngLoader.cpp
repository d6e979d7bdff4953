#include "raster/PngLoader.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "raster/Blit.h"

static_assert(PNG_LIBPNG_VER >= 10619, "the PNG loader needs libpng 1.6.19 or later");

namespace {

// Where the decoder reads from: a file or a block of memory.
struct Input
{
  std::FILE* file = nullptr;
  const unsigned char* data = nullptr;
  std::size_t size = 0, pos = 0;
};

// libpng's read callback. A short read is a decoding error, reported through
// png_error, which jumps back to the decoder's setjmp point; nothing here owns anything.
void readInput(png_structp png, png_bytep out, png_size_t length)
{
  Input* in = static_cast<Input*>(png_get_io_ptr(png));
  if (in->file) {
    if (std::fread(out, 1, length, in->file) != length)
      png_error(png, "unexpected end of file");
    return;
  }
  if (in->size - in->pos < length)
    png_error(png, "unexpected end of data");
  std::memcpy(out, in->data + in->pos, length);
  in->pos += length;
}

// Errors end the decode silently (the caller sees null); warnings are dropped.
[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// Decodes into image (resized to the PNG's size). Between setjmp and the end of the
// function no object with a destructor is alive, so the longjmp of an error skips
// nothing but libpng's own state, which png_destroy_read_struct frees.
bool decode(Input* in, Raster_IBitmap* image)
{
  png_structp png = png_create_read_struct(kRasterPngVersion, nullptr, onError, onWarning);
  if (!png)
    return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }

  png_set_user_limits(png, kRasterMaxDimension, kRasterMaxDimension);
  png_set_read_fn(png, in, readInput);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  if (std::uint64_t(width) * height > std::uint64_t(kRasterMaxPixels))
    png_error(png, "image too large");

  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
  if (colourType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (hasTrns)
    png_set_tRNS_to_alpha(png);
  if (bitDepth == 16)
    png_set_scale_16(png);
  if (bitDepth < 8)
    png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (hasAlpha)
    png_set_swap_alpha(png);  // RGBA -> ARGB
  else
    png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
      png_get_rowbytes(png, info) != std::size_t(width) * 4)
    png_error(png, "unexpected pixel layout");
  if (!image->resize(int(width), int(height)) || image->getWidth() != int(width) ||
      image->getHeight() != int(height))
    png_error(png, "bitmap cannot take the image");

  // Rows go straight into the bitmap. For interlaced images every pass revisits the
  // rows and libpng merges its pixels into what the earlier passes left there.
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, reinterpret_cast<png_bytep>(Raster_RowPointer(image, int(y))), nullptr);
  png_read_end(png, nullptr);

  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

Raster_IBitmap* load(Input* in, Raster_IBitmap* bitmap)
{
  std::unique_ptr<Raster_MemBitmap> image(new (std::nothrow) Raster_MemBitmap(0, 0, 4));
  if (!image || !decode(in, image.get()))
    return nullptr;
  if (!bitmap)
    return image.release();
  // A caller's bitmap only ever receives a completely decoded image.
  return Raster_Copy(bitmap, image.get()) ? bitmap : nullptr;
}

}  // namespace

Raster_IBitmap* Raster_LoadPNG(const char* path, Raster_IBitmap* bitmap)
{
  if (!path)
    return nullptr;
  Input in;
  in.file = std::fopen(path, "rb");
  if (!in.file)
    return nullptr;
  Raster_IBitmap* result = load(&in, bitmap);
  std::fclose(in.file);
  return result;
}

Raster_IBitmap* Raster_LoadPNGFromMemory(const void* data, std::size_t size, Raster_IBitmap* bitmap)
{
  if (!data)
    return nullptr;
  Input in;
  in.data = static_cast<const unsigned char*>(data);
  in.size = size;
  return load(&in, bitmap);
}
