/* CGDataProvider.h — byte sources for images. */
#ifndef CGDATAPROVIDER_H
#define CGDATAPROVIDER_H

#include <CoreFoundation/CFData.h>
#include <CoreGraphics/CGGeometry.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGDataProvider* CGDataProviderRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

CF_EXPORT CFTypeID CGDataProviderGetTypeID(void);
/* Wraps the bytes without copying; releaseData (may be NULL) is called once the provider
   and every image made from it are gone. */
CF_EXPORT CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                                         CGDataProviderReleaseDataCallback releaseData);
/* Retains data for the provider's lifetime. */
CF_EXPORT CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data);
CF_EXPORT CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
CF_EXPORT void CGDataProviderRelease(CGDataProviderRef provider);

#ifdef __cplusplus
}
#endif

#endif /* CGDATAPROVIDER_H */
