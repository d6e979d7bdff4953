/* CoreGraphics.h — the Quartz subset of the platform layer: geometry, colour spaces, data
 * providers, images and bitmap contexts. */
#ifndef COREGRAPHICS_H
#define COREGRAPHICS_H

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CGGeometry.h>
#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGImage.h>
#include <CoreGraphics/CGContext.h>

#endif /* COREGRAPHICS_H */
