/* CoreFoundation.h — the CoreFoundation subset of the platform layer. */
#ifndef COREFOUNDATION_H
#define COREFOUNDATION_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFRunLoop.h>
#include <CoreFoundation/CFPropertyList.h>
#include <CoreFoundation/CFUserNotification.h>

#endif /* COREFOUNDATION_H */
