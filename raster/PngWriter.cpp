#include "raster/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// libpng reports errors through longjmp; the message is kept for the caller.
void onError(png_structp png, png_const_charp message)
{
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

// Encodes the rows into an open file. Kept free of C++ objects with destructors between
// setjmp and the calls that may jump, as libpng requires.
bool encode(std::FILE* file, Raster_IBitmap* bitmap, const std::vector<png_bytep>& rows,
            std::string* reason)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, reason, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(bitmap->getWidth()), png_uint_32(bitmap->getHeight()), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_compression_level(png, 9); // the committed bitmaps stay small
  png_set_swap_alpha(png); // memory holds A, R, G, B; the file wants R, G, B, A
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

} // namespace

bool Raster_WritePNG(Raster_IBitmap* bitmap, const char* path, std::string* error)
{
  std::string reason;
  auto fail = [&](const std::string& why)
  {
    if (error) *error = why;
    return false;
  };
  if (!bitmap || !bitmap->getBits() || bitmap->getWidth() <= 0 || bitmap->getHeight() <= 0)
    return fail("empty image");
  if (!path || !*path) return fail("no file name");

  std::vector<png_bytep> rows(std::size_t(bitmap->getHeight()));
  for (int y = 0; y < bitmap->getHeight(); ++y)
    rows[std::size_t(y)] = reinterpret_cast<png_bytep>(Raster_RowPointer(bitmap, y));

  std::string temp = std::string(path) + ".partXXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return fail(std::string(path) + ": " + std::strerror(errno));
  std::FILE* file = fdopen(fd, "wb");
  if (!file)
  {
    close(fd);
    unlink(temp.c_str());
    return fail(std::string(path) + ": " + std::strerror(errno));
  }
  fchmod(fd, 0644);
  bool ok = encode(file, bitmap, rows, &reason);
  ok = (std::fclose(file) == 0) && ok;
  if (ok && std::rename(temp.c_str(), path) != 0)
  {
    reason = std::strerror(errno);
    ok = false;
  }
  if (!ok)
  {
    unlink(temp.c_str());
    return fail(std::string(path) + ": " + (reason.empty() ? "cannot write the image" : reason));
  }
  return true;
}
