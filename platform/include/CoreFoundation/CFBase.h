/* CFBase.h — CoreFoundation's base types, reference counting and allocators.
 *
 * Objects follow the platform's ownership rule: a function with Create or Copy in its
 * name returns an object the caller owns and must CFRelease; a Get function returns one
 * the caller does not own. Reference counts are atomic, so retaining and releasing one
 * object from several threads is safe; mutating a mutable collection is not (as on the
 * platform, the owner serialises writers).
 *
 * Misuse that the platform answers with a crash (releasing NULL, an index out of range,
 * mutating an immutable collection) is refused here with a message on standard error and
 * no effect. */
#ifndef CFBASE_H
#define CFBASE_H

#include <MacTypes.h>
#include <stdbool.h>

#define CF_EXPORT __PLATFORM_EXPORT
#define CF_INLINE static inline

#ifdef __cplusplus
extern "C" {
#endif

typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;
typedef signed long CFIndex;
typedef double CFTimeInterval;
typedef CFTypeRef CFPropertyListRef;

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;

typedef struct CFRange {
  CFIndex location;
  CFIndex length;
} CFRange;

CF_INLINE CFRange CFRangeMake(CFIndex loc, CFIndex len) {
  CFRange range;
  range.location = loc;
  range.length = len;
  return range;
}

typedef CFIndex CFComparisonResult;
enum {
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};
typedef CFComparisonResult (*CFComparatorFunction)(const void* val1, const void* val2, void* context);

enum { kCFNotFound = -1 };

/* --- Allocators ---------------------------------------------------------------------
 * kCFAllocatorDefault (NULL) and kCFAllocatorSystemDefault and kCFAllocatorMalloc use the C
 * heap; kCFAllocatorNull allocates nothing (every allocation answers NULL). Objects remember
 * the allocator they were created with, allocate their own record with it and retain it
 * for their lifetime. */
CF_EXPORT const CFAllocatorRef kCFAllocatorDefault;
CF_EXPORT const CFAllocatorRef kCFAllocatorSystemDefault;
CF_EXPORT const CFAllocatorRef kCFAllocatorMalloc;
CF_EXPORT const CFAllocatorRef kCFAllocatorNull;
CF_EXPORT const CFAllocatorRef kCFAllocatorUseContext;

typedef const void* (*CFAllocatorRetainCallBack)(const void* info);
typedef void (*CFAllocatorReleaseCallBack)(const void* info);
typedef CFStringRef (*CFAllocatorCopyDescriptionCallBack)(const void* info);
typedef void* (*CFAllocatorAllocateCallBack)(CFIndex allocSize, CFOptionFlags hint, void* info);
typedef void* (*CFAllocatorReallocateCallBack)(void* ptr, CFIndex newsize, CFOptionFlags hint, void* info);
typedef void (*CFAllocatorDeallocateCallBack)(void* ptr, void* info);
typedef CFIndex (*CFAllocatorPreferredSizeCallBack)(CFIndex size, CFOptionFlags hint, void* info);

typedef struct CFAllocatorContext {
  CFIndex version;
  void* info;
  CFAllocatorRetainCallBack retain;
  CFAllocatorReleaseCallBack release;
  CFAllocatorCopyDescriptionCallBack copyDescription;
  CFAllocatorAllocateCallBack allocate;
  CFAllocatorReallocateCallBack reallocate;
  CFAllocatorDeallocateCallBack deallocate;
  CFAllocatorPreferredSizeCallBack preferredSize;
} CFAllocatorContext;

CF_EXPORT CFTypeID CFAllocatorGetTypeID(void);
/* The default allocator of the process (the system default; it cannot be replaced). */
CF_EXPORT CFAllocatorRef CFAllocatorGetDefault(void);
/* A new allocator calling the context's functions; allocate is required. */
CF_EXPORT CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator, CFAllocatorContext* context);
CF_EXPORT void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
CF_EXPORT void* CFAllocatorReallocate(CFAllocatorRef allocator, void* ptr, CFIndex newsize, CFOptionFlags hint);
CF_EXPORT void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);
CF_EXPORT CFIndex CFAllocatorGetPreferredSizeForSize(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
CF_EXPORT void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context);

/* --- Every object ------------------------------------------------------------------- */
CF_EXPORT CFTypeRef CFRetain(CFTypeRef cf);
CF_EXPORT void CFRelease(CFTypeRef cf);
/* Constant objects (kCFBooleanTrue, CFSTR strings, bundles, built-in allocators) are never
   freed; their retain count reads as LONG_MAX. */
CF_EXPORT CFIndex CFGetRetainCount(CFTypeRef cf);
CF_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf);
CF_EXPORT CFStringRef CFCopyTypeIDDescription(CFTypeID type_id);
CF_EXPORT Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CF_EXPORT CFHashCode CFHash(CFTypeRef cf);
/* A readable description: a string's own text, a number's value, "true"/"false",
   arrays as "( a, b )" and dictionaries as "{ key = value; }" over several lines. */
CF_EXPORT CFStringRef CFCopyDescription(CFTypeRef cf);
CF_EXPORT CFAllocatorRef CFGetAllocator(CFTypeRef cf);
/* Writes the description of cf (or "(null)") and a line feed to standard error. */
CF_EXPORT void CFShow(CFTypeRef obj);

#ifdef __cplusplus
}
#endif

#endif /* CFBASE_H */
