// Quartz subset: images over caller memory drawn into bitmap contexts, as the editor's
// screen transfer does (normal and doubled resolution), byte orders and compositing.
#include <CoreGraphics/CoreGraphics.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Pixel bytes A, R, G, B in memory, like the editor's bitmap.
std::vector<UInt8> Argb(std::initializer_list<UInt32> pixels) {
  std::vector<UInt8> bytes;
  for (UInt32 p : pixels) {
    bytes.push_back(static_cast<UInt8>(p >> 24));
    bytes.push_back(static_cast<UInt8>(p >> 16));
    bytes.push_back(static_cast<UInt8>(p >> 8));
    bytes.push_back(static_cast<UInt8>(p));
  }
  return bytes;
}

UInt32 PixelAt(CGContextRef c, size_t x, size_t row) {
  const UInt8* p = static_cast<const UInt8*>(CGBitmapContextGetData(c)) + row * CGBitmapContextGetBytesPerRow(c) + x * 4;
  return static_cast<UInt32>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

TEST(CoreGraphics, ScreenTransferCopiesTheBitmapOpaqueAndTopRowFirst) {
  // 2 × 2 editor bitmap; its alpha bytes (0x00, 0x80) are skipped: the screen image is opaque.
  std::vector<UInt8> pixels = Argb({0x00FF0000, 0x8000FF00, 0x000000FF, 0xFF102030});
  int releases = 0;
  CGDataProviderRef provider = CGDataProviderCreateWithData(
      &releases, pixels.data(), pixels.size(), [](void* info, const void*, size_t) { ++*static_cast<int*>(info); });
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGImageRef image = CGImageCreate(2, 2, 8, 32, 8, space, kCGImageAlphaNoneSkipFirst, provider, nullptr, false,
                                   kCGRenderingIntentDefault);
  ASSERT_NE(image, nullptr);
  CGDataProviderRelease(provider);
  EXPECT_EQ(releases, 0);  // the image still holds the provider

  CGContextRef screen = CGBitmapContextCreate(nullptr, 2, 2, 8, 0, space, kCGImageAlphaPremultipliedFirst);
  ASSERT_NE(screen, nullptr);
  CGContextDrawImage(screen, CGRectMake(0, 0, 2, 2), image);
  EXPECT_EQ(PixelAt(screen, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(screen, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(screen, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(screen, 1, 1), 0xFF102030u);
  CGContextRelease(screen);

  // A high-resolution screen: user space scaled by 2, each pixel becomes a 2 × 2 block.
  CGContextRef retina = CGBitmapContextCreate(nullptr, 4, 4, 8, 0, space, kCGImageAlphaNoneSkipFirst);
  CGContextScaleCTM(retina, 2, 2);
  CGSize unit = CGContextConvertSizeToDeviceSpace(retina, CGSizeMake(1, 1));
  EXPECT_GT(unit.width, 1.9);
  CGContextDrawImage(retina, CGRectMake(0, 0, 2, 2), image);
  const UInt32 expected[4][4] = {{0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00},
                                 {0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00},
                                 {0xFF0000FF, 0xFF0000FF, 0xFF102030, 0xFF102030},
                                 {0xFF0000FF, 0xFF0000FF, 0xFF102030, 0xFF102030}};
  for (size_t row = 0; row < 4; ++row) {
    for (size_t x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(retina, x, row), expected[row][x]) << x << "," << row;
  }
  CGContextRelease(retina);
  CGImageRelease(image);
  EXPECT_EQ(releases, 1);
  CGColorSpaceRelease(space);
}

TEST(CoreGraphics, ByteOrdersAndStraightAlphaCompositeSourceOver) {
  CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
  ASSERT_NE(space, nullptr);
  // Destination: opaque blue, little-endian premultiplied-first (bytes B, G, R, A in memory).
  UInt8 memory[4] = {0xFF, 0x00, 0x00, 0xFF};
  CGContextRef c = CGBitmapContextCreate(memory, 1, 1, 8, 4, space,
                                         kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
  ASSERT_NE(c, nullptr);
  // Source: straight alpha last, red at alpha 128 (bytes R, G, B, A).
  const UInt8 red[4] = {0xFF, 0x00, 0x00, 0x80};
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, red, 4, nullptr);
  CGImageRef image = CGImageCreate(1, 1, 8, 32, 4, space, kCGImageAlphaLast, provider, nullptr, false,
                                   kCGRenderingIntentDefault);
  ASSERT_NE(image, nullptr);
  CGContextDrawImage(c, CGRectMake(0, 0, 1, 1), image);
  // red 255 × 128/255 = 128; blue 255 × 127/255 = 127; alpha 128 + 255 × 127/255 = 255.
  EXPECT_EQ(memory[0], 127);  // B
  EXPECT_EQ(memory[1], 0);    // G
  EXPECT_EQ(memory[2], 128);  // R
  EXPECT_EQ(memory[3], 255);  // A
  CGImageRelease(image);
  CGDataProviderRelease(provider);

  // Drawing outside the bitmap or with a rotation leaves it untouched.
  CGContextDrawImage(c, CGRectMake(5, 5, 1, 1), nullptr);
  CGContextSaveGState(c);
  CGContextConcatCTM(c, CGAffineTransformMake(0, 1, -1, 0, 0, 0));
  EXPECT_EQ(CGContextGetCTM(c).b, 1.0);
  CGContextRestoreGState(c);
  EXPECT_EQ(CGContextGetCTM(c).b, 0.0);
  CGContextRelease(c);
  CGColorSpaceRelease(space);
}

TEST(CoreGraphics, UnsupportedLayoutsAndShortDataAreRefused) {
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  CGColorSpaceRef gray = CGColorSpaceCreateDeviceGray();
  EXPECT_EQ(CGColorSpaceGetNumberOfComponents(rgb), 3u);
  EXPECT_EQ(CGColorSpaceGetModel(gray), kCGColorSpaceModelMonochrome);
  EXPECT_EQ(CGColorSpaceCreateWithName(CFSTR("kCGColorSpaceAdobeRGB1998")), nullptr);
  UInt8 bytes[16] = {};
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, bytes, sizeof bytes, nullptr);
  // 2 × 2 needs 16 bytes at 8 per row; a 12-byte row span would need 20.
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 12, rgb, kCGImageAlphaNoneSkipFirst, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 8, 24, 8, rgb, kCGImageAlphaNone, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 8, gray, kCGImageAlphaNoneSkipFirst, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 4, rgb, kCGImageAlphaNoneSkipFirst, provider, nullptr, false, 0), nullptr);
  CGImageRef ok = CGImageCreate(2, 2, 8, 32, 8, rgb, kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big,
                                provider, nullptr, false, 0);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(CGImageGetWidth(ok), 2u);
  EXPECT_EQ(CGImageGetBytesPerRow(ok), 8u);
  EXPECT_EQ(CGImageGetAlphaInfo(ok), kCGImageAlphaPremultipliedLast);
  CGImageRelease(ok);
  CGDataProviderRelease(provider);
  // Contexts keep premultiplied or opaque pixels only.
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 2, 2, 8, 0, rgb, kCGImageAlphaFirst), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 2, 2, 8, 4, rgb, kCGImageAlphaNoneSkipLast), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 0, 2, 8, 0, rgb, kCGImageAlphaNoneSkipLast), nullptr);
  CGColorSpaceRelease(gray);
  CGColorSpaceRelease(rgb);
  CGColorSpaceRelease(nullptr);
}

}  // namespace
