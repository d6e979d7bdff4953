/* CFPropertyList.h — property lists (strings, numbers, booleans, data, arrays and
 * dictionaries with string keys) to and from their XML and binary forms. */
#ifndef CFPROPERTYLIST_H
#define CFPROPERTYLIST_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

typedef CFIndex CFPropertyListFormat;
enum {
  kCFPropertyListOpenStepFormat = 1,
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

typedef struct __CFError* CFErrorRef;

/* Serialises plist in the XML or binary format; NULL (and nothing in *error) when plist
   holds an object of another type or a dictionary key that is not a string. */
CF_EXPORT CFDataRef CFPropertyListCreateData(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                             CFPropertyListFormat format, CFOptionFlags options, CFErrorRef* error);
/* Reads either format (detected from the bytes). Containers are mutable when asked for;
   NULL for bytes that are not a property list. */
CF_EXPORT CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data,
                                                         CFOptionFlags options, CFPropertyListFormat* format,
                                                         CFErrorRef* error);
CF_EXPORT Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);

#ifdef __cplusplus
}
#endif

#endif /* CFPROPERTYLIST_H */
