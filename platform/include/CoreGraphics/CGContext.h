/* CGContext.h — drawing destinations. The platform layer's contexts are bitmap contexts
 * (pixels in memory; a window system copies them to the screen). Quartz coordinates: origin
 * at the bottom-left, y upward; the bitmap's first row in memory is the top row.
 *
 * Supported bitmap layouts: 8 bits per component, 32 bits per pixel, RGB, alpha
 * premultiplied or skipped, first or last, default/32-bit big-endian or 32-bit
 * little-endian byte order.
 *
 * CGContextDrawImage maps the rectangle through the current transform (scale and
 * translation; a transform with rotation or shear draws nothing), samples the image at the
 * nearest pixel and composites it source-over in premultiplied 8-bit arithmetic; an image
 * whose alpha is skipped is drawn opaque. */
#ifndef CGCONTEXT_H
#define CGCONTEXT_H

#include <CoreGraphics/CGImage.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGContext* CGContextRef;

CF_EXPORT CFTypeID CGContextGetTypeID(void);
CF_EXPORT CGContextRef CGContextRetain(CGContextRef c);
CF_EXPORT void CGContextRelease(CGContextRef c);

CF_EXPORT void CGContextSaveGState(CGContextRef c);
CF_EXPORT void CGContextRestoreGState(CGContextRef c);
CF_EXPORT void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
CF_EXPORT void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
CF_EXPORT void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform);
CF_EXPORT CGAffineTransform CGContextGetCTM(CGContextRef c);
CF_EXPORT CGAffineTransform CGContextGetUserSpaceToDeviceSpaceTransform(CGContextRef c);
CF_EXPORT CGSize CGContextConvertSizeToDeviceSpace(CGContextRef c, CGSize size);
CF_EXPORT CGPoint CGContextConvertPointToDeviceSpace(CGContextRef c, CGPoint point);
CF_EXPORT void CGContextSetInterpolationQuality(CGContextRef c, int32_t quality);

CF_EXPORT void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);

/* --- Bitmap contexts ------------------------------------------------------------------
 * data NULL: the context allocates zeroed memory (bytesPerRow 0 means width × 4) and frees
 * it when released. Otherwise it draws into the caller's memory. NULL for an unsupported
 * layout or a bytesPerRow smaller than width × 4. */
CF_EXPORT CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                             size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo);
CF_EXPORT void* CGBitmapContextGetData(CGContextRef context);
CF_EXPORT size_t CGBitmapContextGetWidth(CGContextRef context);
CF_EXPORT size_t CGBitmapContextGetHeight(CGContextRef context);
CF_EXPORT size_t CGBitmapContextGetBytesPerRow(CGContextRef context);
CF_EXPORT CGImageAlphaInfo CGBitmapContextGetAlphaInfo(CGContextRef context);
CF_EXPORT CGBitmapInfo CGBitmapContextGetBitmapInfo(CGContextRef context);
CF_EXPORT CGColorSpaceRef CGBitmapContextGetColorSpace(CGContextRef context);

#ifdef __cplusplus
}
#endif

#endif /* CGCONTEXT_H */
