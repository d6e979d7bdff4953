/* ApplicationServices.h — Quartz (CoreGraphics) with CoreServices. */
#ifndef APPLICATIONSERVICES_H
#define APPLICATIONSERVICES_H

#include <CoreServices/CoreServices.h>
#include <CoreGraphics/CoreGraphics.h>

#endif /* APPLICATIONSERVICES_H */
