/* MacTypes.h — the basic scalar types, status type and version records shared by
   every framework of the platform layer. C and C++ compatible. */
#ifndef MACTYPES_H
#define MACTYPES_H

#include <stdint.h>
#include <stddef.h>

#ifdef __cplusplus
#define __PLATFORM_EXTERN_C extern "C"
#else
#define __PLATFORM_EXTERN_C extern
#endif

/* Every function and constant the platform library exports is declared with this. */
#define __PLATFORM_EXPORT __PLATFORM_EXTERN_C __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;

typedef unsigned char Boolean;
typedef char* Ptr;
typedef Ptr* Handle;
typedef long Size;

typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt16 UniChar;
typedef unsigned char Str255[256];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;

/* Version record, packed with the major revision in the most significant byte. */
typedef struct NumVersion {
  UInt8 nonRelRev;
  UInt8 stage;
  UInt8 minorAndBugRev;
  UInt8 majorRev;
} NumVersion;

enum {
  noErr = 0,
  unimpErr = -4,
  fnfErr = -43,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  resNotFound = -192,
  kNoErr = 0
};

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Memory Manager handles: a pointer to a block pointer, sized in bytes. */
__PLATFORM_EXPORT Handle NewHandle(Size byteCount);
__PLATFORM_EXPORT Handle NewHandleClear(Size byteCount);
__PLATFORM_EXPORT void DisposeHandle(Handle h);
__PLATFORM_EXPORT Size GetHandleSize(Handle h);
/* Grows or shrinks the block; on failure the handle keeps its old block and size. */
__PLATFORM_EXPORT void SetHandleSize(Handle h, Size newSize);
/* Status of the last handle call on this thread: noErr, memFullErr or nilHandleErr. */
__PLATFORM_EXPORT OSErr MemError(void);

#ifdef __cplusplus
}
#endif

#endif /* MACTYPES_H */
