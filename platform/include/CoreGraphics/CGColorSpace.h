/* CGColorSpace.h — colour spaces. The platform layer has no colour management: every RGB
 * space (device, generic, sRGB) passes colour values through unchanged, which is what a
 * screen without a colour profile shows. */
#ifndef CGCOLORSPACE_H
#define CGCOLORSPACE_H

#include <CoreFoundation/CFString.h>
#include <CoreGraphics/CGGeometry.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGColorSpace* CGColorSpaceRef;

typedef int32_t CGColorSpaceModel;
enum {
  kCGColorSpaceModelUnknown = -1,
  kCGColorSpaceModelMonochrome = 0,
  kCGColorSpaceModelRGB = 1
};

typedef int32_t CGColorRenderingIntent;
enum {
  kCGRenderingIntentDefault = 0,
  kCGRenderingIntentAbsoluteColorimetric = 1,
  kCGRenderingIntentRelativeColorimetric = 2,
  kCGRenderingIntentPerceptual = 3,
  kCGRenderingIntentSaturation = 4
};

CF_EXPORT const CFStringRef kCGColorSpaceGenericRGB;
CF_EXPORT const CFStringRef kCGColorSpaceSRGB;
CF_EXPORT const CFStringRef kCGColorSpaceGenericGray;

CF_EXPORT CFTypeID CGColorSpaceGetTypeID(void);
CF_EXPORT CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
CF_EXPORT CGColorSpaceRef CGColorSpaceCreateDeviceGray(void);
/* NULL for names other than the three above. */
CF_EXPORT CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name);
/* NULL-safe retain and release. */
CF_EXPORT CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
CF_EXPORT void CGColorSpaceRelease(CGColorSpaceRef space);
CF_EXPORT size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space);
CF_EXPORT CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef space);

#ifdef __cplusplus
}
#endif

#endif /* CGCOLORSPACE_H */
