/* CGImage.h — images over the bytes of a data provider (no copy).
 *
 * Supported: 8 bits per component, 32 bits per pixel, an RGB colour space, alpha first or
 * last (premultiplied, straight, or skipped), in the default or 32-bit big-endian byte
 * order (components in memory in the order named) or 32-bit little-endian order (reversed).
 * Other layouts return NULL. */
#ifndef CGIMAGE_H
#define CGIMAGE_H

#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGDataProvider.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImage* CGImageRef;

typedef uint32_t CGImageAlphaInfo;
enum {
  kCGImageAlphaNone = 0,
  kCGImageAlphaPremultipliedLast = 1,
  kCGImageAlphaPremultipliedFirst = 2,
  kCGImageAlphaLast = 3,
  kCGImageAlphaFirst = 4,
  kCGImageAlphaNoneSkipLast = 5,
  kCGImageAlphaNoneSkipFirst = 6,
  kCGImageAlphaOnly = 7
};

typedef uint32_t CGBitmapInfo;
enum {
  kCGBitmapAlphaInfoMask = 0x1F,
  kCGBitmapFloatComponents = (1 << 8),
  kCGBitmapByteOrderMask = 0x7000,
  kCGBitmapByteOrderDefault = (0 << 12),
  kCGBitmapByteOrder16Little = (1 << 12),
  kCGBitmapByteOrder32Little = (2 << 12),
  kCGBitmapByteOrder16Big = (3 << 12),
  kCGBitmapByteOrder32Big = (4 << 12)
};

CF_EXPORT CFTypeID CGImageGetTypeID(void);
CF_EXPORT CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                                   size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                                   CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                                   CGColorRenderingIntent intent);
CF_EXPORT CGImageRef CGImageRetain(CGImageRef image);
CF_EXPORT void CGImageRelease(CGImageRef image);
CF_EXPORT size_t CGImageGetWidth(CGImageRef image);
CF_EXPORT size_t CGImageGetHeight(CGImageRef image);
CF_EXPORT size_t CGImageGetBitsPerComponent(CGImageRef image);
CF_EXPORT size_t CGImageGetBitsPerPixel(CGImageRef image);
CF_EXPORT size_t CGImageGetBytesPerRow(CGImageRef image);
CF_EXPORT CGColorSpaceRef CGImageGetColorSpace(CGImageRef image);
CF_EXPORT CGImageAlphaInfo CGImageGetAlphaInfo(CGImageRef image);
CF_EXPORT CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image);
CF_EXPORT CGDataProviderRef CGImageGetDataProvider(CGImageRef image);

#ifdef __cplusplus
}
#endif

#endif /* CGIMAGE_H */
