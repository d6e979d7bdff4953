/* CoreServices.h — the Component Manager and Gestalt, with CoreFoundation. */
#ifndef CORESERVICES_H
#define CORESERVICES_H

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>
#include <CoreServices/Gestalt.h>

enum { coreFoundationUnknownErr = -4960 };

#endif /* CORESERVICES_H */
