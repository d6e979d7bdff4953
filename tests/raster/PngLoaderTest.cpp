#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/PngLoader.h"
#include "raster/PngWriter.h"
#include "tests/raster/TestBitmaps.h"

using rastertest::at;

namespace {

// ---------------------------------------------------------------------------------------
// Writing test images with libpng's writer

struct Format
{
  int width = 7, height = 5;
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlace = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS for palette images
  bool colourKey = false;              // tRNS for grey or RGB images
  png_color_16 key{};
};

int channelsOf(int colourType)
{
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
  }
}

void appendBytes(png_structp png, png_bytep data, png_size_t n)
{
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void noFlush(png_structp) {}

// Samples are given per pixel and channel at the image's bit depth; rows are packed here.
bool encode(const Format& format, const std::function<int(int x, int y, int c)>& sample,
            std::vector<unsigned char>* out)
{
  const int channels = channelsOf(format.colourType);
  std::vector<std::vector<png_byte>> rows(format.height);
  for (int y = 0; y < format.height; ++y) {
    std::vector<png_byte>& row = rows[y];
    row.assign((std::size_t(format.width) * channels * format.bitDepth + 7) / 8, 0);
    int bit = 0;
    for (int x = 0; x < format.width; ++x)
      for (int c = 0; c < channels; ++c) {
        const int v = sample(x, y, c);
        if (format.bitDepth == 16) {
          row[bit / 8] = png_byte(v >> 8);
          row[bit / 8 + 1] = png_byte(v & 0xff);
        } else if (format.bitDepth == 8) {
          row[bit / 8] = png_byte(v);
        } else {
          row[bit / 8] |= png_byte(v << (8 - format.bitDepth - bit % 8));
        }
        bit += format.bitDepth;
      }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows)
    pointers.push_back(r.data());

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, noFlush);
  png_set_IHDR(png, info, format.width, format.height, format.bitDepth, format.colourType,
               format.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!format.palette.empty())
    png_set_PLTE(png, info, format.palette.data(), int(format.palette.size()));
  if (!format.paletteAlpha.empty())
    png_set_tRNS(png, info, format.paletteAlpha.data(), int(format.paletteAlpha.size()), nullptr);
  if (format.colourKey) {
    png_color_16 key = format.key;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

std::string tempPath(const char* name)
{
  return std::string(::testing::TempDir()) + "kestrion_raster_" + name + ".png";
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// 16-bit samples scale to 8 bits with rounding.
int to8(int v16) { return int(std::lround(v16 * 255.0 / 65535.0)); }

// Encodes, writes to a file, loads it back and compares every pixel with expect(x, y).
void roundTrip(const char* name, const Format& format, const std::function<int(int, int, int)>& sample,
               const std::function<Raster_Pixel(int, int)>& expect)
{
  SCOPED_TRACE(name);
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(encode(format, sample, &bytes));
  const std::string path = tempPath(name);
  ASSERT_TRUE(writeFile(path, bytes));
  std::unique_ptr<Raster_IBitmap> bm(Raster_LoadPNG(path.c_str()));
  std::remove(path.c_str());
  ASSERT_NE(bm, nullptr);
  ASSERT_EQ(bm->getWidth(), format.width);
  ASSERT_EQ(bm->getHeight(), format.height);
  EXPECT_EQ(bm->getRowSpan(), (format.width + 3) / 4 * 4);
  for (int y = 0; y < format.height; ++y)
    for (int x = 0; x < format.width; ++x)
      ASSERT_EQ(at(*bm, x, y), expect(x, y)) << "pixel " << x << "," << y;
}

Raster_Pixel grey(int a, int v) { return Raster_ARGB(a, v, v, v); }

}  // namespace

TEST(RasterPng, GreyAtEveryBitDepth)
{
  for (int depth : {1, 2, 4, 8}) {
    Format format;
    format.colourType = PNG_COLOR_TYPE_GRAY;
    format.bitDepth = depth;
    const int maxV = (1 << depth) - 1;
    auto value = [maxV](int x, int y) { return (x * 3 + y * 5) % (maxV + 1); };
    roundTrip(("grey" + std::to_string(depth)).c_str(), format,
              [&](int x, int y, int) { return value(x, y); },
              [&](int x, int y) { return grey(255, value(x, y) * 255 / maxV); });
  }
  // 1-bit grey is black and white.
  Format one;
  one.colourType = PNG_COLOR_TYPE_GRAY;
  one.bitDepth = 1;
  roundTrip("grey1bw", one, [](int x, int y, int) { return (x + y) & 1; },
            [](int x, int y) { return (x + y) & 1 ? Raster_ARGB(255, 255, 255, 255) : Raster_ARGB(255, 0, 0, 0); });

  Format deep;
  deep.colourType = PNG_COLOR_TYPE_GRAY;
  deep.bitDepth = 16;
  auto v16 = [](int x, int y) { return (x * 9973 + y * 7919 + 127) % 65536; };
  roundTrip("grey16", deep, [&](int x, int y, int) { return v16(x, y); },
            [&](int x, int y) { return grey(255, to8(v16(x, y))); });
}

TEST(RasterPng, GreyWithTransparency)
{
  Format keyed;
  keyed.colourType = PNG_COLOR_TYPE_GRAY;
  keyed.bitDepth = 8;
  keyed.colourKey = true;
  keyed.key.gray = 40;
  auto v = [](int x, int y) { return x == y ? 40 : x * 30 + y; };
  roundTrip("greykey", keyed, [&](int x, int y, int) { return v(x, y); },
            [&](int x, int y) { return grey(x == y ? 0 : 255, v(x, y)); });

  Format ga;
  ga.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.bitDepth = 8;
  roundTrip("greyalpha8", ga, [](int x, int y, int c) { return c == 0 ? x * 20 : y * 60; },
            [](int x, int y) { return grey(y * 60, x * 20); });

  Format ga16 = ga;
  ga16.bitDepth = 16;
  roundTrip("greyalpha16", ga16, [](int x, int y, int c) { return c == 0 ? x * 9000 + 77 : 65535 - y * 12345; },
            [](int x, int y) { return grey(to8(65535 - y * 12345), to8(x * 9000 + 77)); });
}

TEST(RasterPng, PaletteWithAndWithoutTransparency)
{
  const png_color colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
  for (int depth : {1, 2, 4, 8}) {
    Format format;
    format.colourType = PNG_COLOR_TYPE_PALETTE;
    format.bitDepth = depth;
    const int n = depth == 1 ? 2 : 4;
    format.palette.assign(colours, colours + n);
    auto index = [n](int x, int y) { return (x + 2 * y) % n; };
    auto colour = [&](int i, int a) { return Raster_ARGB(a, colours[i].red, colours[i].green, colours[i].blue); };
    roundTrip(("palette" + std::to_string(depth)).c_str(), format, [&](int x, int y, int) { return index(x, y); },
              [&](int x, int y) { return colour(index(x, y), 255); });
    // Entry 0 fully transparent, entry 1 half; entries beyond the tRNS list stay opaque.
    format.paletteAlpha = {0, 128};
    roundTrip(("palettetrns" + std::to_string(depth)).c_str(), format,
              [&](int x, int y, int) { return index(x, y); },
              [&](int x, int y) {
                const int i = index(x, y);
                return colour(i, i == 0 ? 0 : (i == 1 ? 128 : 255));
              });
  }
}

TEST(RasterPng, TrueColourAndAlpha)
{
  Format rgb;
  auto s8 = [](int x, int y, int c) { return (x * 37 + y * 11 + c * 71) % 256; };
  roundTrip("rgb8", rgb, s8, [&](int x, int y) { return Raster_ARGB(255, s8(x, y, 0), s8(x, y, 1), s8(x, y, 2)); });

  Format keyed = rgb;
  keyed.colourKey = true;
  keyed.key.red = png_uint_16(s8(2, 3, 0));
  keyed.key.green = png_uint_16(s8(2, 3, 1));
  keyed.key.blue = png_uint_16(s8(2, 3, 2));
  roundTrip("rgbkey", keyed, s8, [&](int x, int y) {
    return Raster_ARGB(x == 2 && y == 3 ? 0 : 255, s8(x, y, 0), s8(x, y, 1), s8(x, y, 2));
  });

  Format rgb16 = rgb;
  rgb16.bitDepth = 16;
  auto s16 = [](int x, int y, int c) { return (x * 5003 + y * 13007 + c * 20011) % 65536; };
  roundTrip("rgb16", rgb16, s16, [&](int x, int y) {
    return Raster_ARGB(255, to8(s16(x, y, 0)), to8(s16(x, y, 1)), to8(s16(x, y, 2)));
  });
  Format keyed16 = rgb16;
  keyed16.colourKey = true;
  keyed16.key.red = png_uint_16(s16(0, 0, 0));
  keyed16.key.green = png_uint_16(s16(0, 0, 1));
  keyed16.key.blue = png_uint_16(s16(0, 0, 2));
  roundTrip("rgbkey16", keyed16, s16, [&](int x, int y) {
    return Raster_ARGB(x == 0 && y == 0 ? 0 : 255, to8(s16(x, y, 0)), to8(s16(x, y, 1)), to8(s16(x, y, 2)));
  });

  Format rgba;
  rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  roundTrip("rgba8", rgba, s8, [&](int x, int y) { return Raster_ARGB(s8(x, y, 3), s8(x, y, 0), s8(x, y, 1), s8(x, y, 2)); });
  Format rgba16 = rgba;
  rgba16.bitDepth = 16;
  roundTrip("rgba16", rgba16, s16, [&](int x, int y) {
    return Raster_ARGB(to8(s16(x, y, 3)), to8(s16(x, y, 0)), to8(s16(x, y, 1)), to8(s16(x, y, 2)));
  });

  // Adam7 interlacing, at a size where every pass has pixels, and a 1 x 1 image.
  Format interlaced = rgba;
  interlaced.interlace = true;
  interlaced.width = 19;
  interlaced.height = 13;
  roundTrip("rgbainterlaced", interlaced, s8,
            [&](int x, int y) { return Raster_ARGB(s8(x, y, 3), s8(x, y, 0), s8(x, y, 1), s8(x, y, 2)); });
  Format greyInterlaced;
  greyInterlaced.colourType = PNG_COLOR_TYPE_GRAY;
  greyInterlaced.bitDepth = 2;
  greyInterlaced.interlace = true;
  greyInterlaced.width = 11;
  greyInterlaced.height = 9;
  roundTrip("grey2interlaced", greyInterlaced, [](int x, int y, int) { return (x ^ y) & 3; },
            [](int x, int y) { return grey(255, ((x ^ y) & 3) * 85); });
  Format tiny = rgb;
  tiny.width = tiny.height = 1;
  roundTrip("tiny", tiny, s8, [&](int, int) { return Raster_ARGB(255, s8(0, 0, 0), s8(0, 0, 1), s8(0, 0, 2)); });
}

TEST(RasterPng, CallerSuppliedBitmapIsResizedOnlyOnSuccess)
{
  Format format;
  format.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  format.width = 9;
  format.height = 4;
  auto s = [](int x, int y, int c) { return (x * 7 + y * 3 + c * 50) & 255; };
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(encode(format, s, &bytes));

  Raster_SysBitmap target(3, 3);
  at(target, 1, 1) = 0xdeadbeefu;
  ASSERT_EQ(Raster_LoadPNGFromMemory(bytes.data(), bytes.size(), &target), &target);
  ASSERT_EQ(target.getWidth(), 9);
  ASSERT_EQ(target.getHeight(), 4);
  EXPECT_EQ(at(target, 8, 3), Raster_ARGB(s(8, 3, 3), s(8, 3, 0), s(8, 3, 1), s(8, 3, 2)));

  // A damaged file leaves the caller's bitmap exactly as it was.
  Raster_MemBitmap keep(2, 2);
  at(keep, 1, 0) = 0x12345678u;
  std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + long(bytes.size()) - 20);
  EXPECT_EQ(Raster_LoadPNGFromMemory(cut.data(), cut.size(), &keep), nullptr);
  EXPECT_EQ(keep.getWidth(), 2);
  EXPECT_EQ(at(keep, 1, 0), 0x12345678u);
}

TEST(RasterPng, DamagedOrMissingFilesGiveNull)
{
  EXPECT_EQ(Raster_LoadPNG(nullptr), nullptr);
  EXPECT_EQ(Raster_LoadPNG("/nonexistent/kestrion/knob.png"), nullptr);
  EXPECT_EQ(Raster_LoadPNG(::testing::TempDir().c_str()), nullptr);  // a directory
  EXPECT_EQ(Raster_LoadPNGFromMemory(nullptr, 10), nullptr);

  Format format;
  format.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  format.width = 24;
  format.height = 16;
  format.interlace = true;
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(encode(format, [](int x, int y, int c) { return (x * y + c) & 255; }, &bytes));
  ASSERT_NE(std::unique_ptr<Raster_IBitmap>(Raster_LoadPNGFromMemory(bytes.data(), bytes.size())), nullptr);

  // Every truncation fails cleanly (the loader needs the image end chunk too).
  for (std::size_t n = 0; n < bytes.size(); ++n)
    ASSERT_EQ(Raster_LoadPNGFromMemory(bytes.data(), n), nullptr) << "cut at " << n;
  // A truncated file on disk as well.
  const std::string path = tempPath("truncated");
  ASSERT_TRUE(writeFile(path, std::vector<unsigned char>(bytes.begin(), bytes.begin() + long(bytes.size()) / 2)));
  EXPECT_EQ(Raster_LoadPNG(path.c_str()), nullptr);
  std::remove(path.c_str());

  // Flipping any byte after the signature breaks a checksum or the structure.
  for (std::size_t i = 8; i < bytes.size(); i += 3) {
    std::vector<unsigned char> bad = bytes;
    bad[i] ^= 0x5a;
    std::unique_ptr<Raster_IBitmap> bm(Raster_LoadPNGFromMemory(bad.data(), bad.size()));
    EXPECT_EQ(bm, nullptr) << "byte " << i;
  }

  // A header announcing an image beyond the size limits is refused before allocating.
  Format huge;
  huge.colourType = PNG_COLOR_TYPE_GRAY;
  huge.bitDepth = 1;
  huge.width = 9000;  // 72 million pixels: each side allowed, the total not
  huge.height = 8000;
  std::vector<unsigned char> big;
  ASSERT_TRUE(encode(huge, [](int, int, int) { return 0; }, &big));
  EXPECT_EQ(Raster_LoadPNGFromMemory(big.data(), big.size()), nullptr);
}

// Every pixel value, in both storage orders, survives writing and reading back; a failed
// write reports why and leaves neither a partial file nor damage to an existing one.
TEST(RasterPng, WrittenImagesReadBackExactly)
{
  Raster_MemBitmap image(13, 7, 8);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x)
      at(image, x, y) = Raster_ARGB((x * 37 + y) & 255, x * 19, y * 41, (x ^ y) * 11);
  const std::string path = tempPath("written");
  std::string error;
  ASSERT_TRUE(Raster_WritePNG(&image, path.c_str(), &error)) << error;
  std::unique_ptr<Raster_IBitmap> back(Raster_LoadPNG(path.c_str()));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->getWidth(), 13);
  ASSERT_EQ(back->getHeight(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x)
      ASSERT_EQ(at(*back, x, y), at(image, x, y)) << x << "," << y;

  // A bitmap stored bottom row first is written top row first.
  rastertest::BottomUpBitmap flipped(13, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x)
      *(Raster_RowPointer(&flipped, y) + x) = at(image, x, y);
  ASSERT_TRUE(Raster_WritePNG(&flipped, path.c_str(), &error)) << error;
  back.reset(Raster_LoadPNG(path.c_str()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(at(*back, 12, 0), at(image, 12, 0));
  EXPECT_EQ(at(*back, 0, 6), at(image, 0, 6));

  Raster_MemBitmap empty;
  EXPECT_FALSE(Raster_WritePNG(&empty, path.c_str(), &error));
  EXPECT_EQ(error, "empty image");
  EXPECT_FALSE(Raster_WritePNG(&image, "/nonexistent/kestrion/out.png", &error));
  EXPECT_NE(error.find("/nonexistent/kestrion/out.png"), std::string::npos);
  // The earlier image is still there, whole.
  back.reset(Raster_LoadPNG(path.c_str()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(at(*back, 5, 3), at(image, 5, 3));
  std::remove(path.c_str());
}
