/* CFURL.h — URLs, in particular file URLs made from and turned back into paths.
 *
 * A file URL made from a path is "file://" followed by the absolute path, with bytes outside
 * the unreserved set percent-encoded, and a trailing "/" when it names a directory. A
 * relative path is taken relative to the current working directory. Turning a file URL back
 * into a path decodes it and drops a trailing "/" (except for the root). */
#ifndef CFURL_H
#define CFURL_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct __CFURL* CFURLRef;

typedef CFIndex CFURLPathStyle;
enum {
  kCFURLPOSIXPathStyle = 0,
  kCFURLHFSPathStyle = 1,
  kCFURLWindowsPathStyle = 2
};

CF_EXPORT CFTypeID CFURLGetTypeID(void);
/* Only the POSIX style is supported; other styles return NULL. */
CF_EXPORT CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                                 CFURLPathStyle pathStyle, Boolean isDirectory);
CF_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                           CFIndex bufLen, Boolean isDirectory);
/* NULL when the text is empty or holds characters a URL may not contain (spaces, control
   characters, non-ASCII). A relative string with a base URL is resolved against it. */
CF_EXPORT CFURLRef CFURLCreateWithString(CFAllocatorRef allocator, CFStringRef URLString, CFURLRef baseURL);
CF_EXPORT CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url,
                                                         CFStringRef pathComponent, Boolean isDirectory);
CF_EXPORT CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url);

/* The URL's full text (not owned). */
CF_EXPORT CFStringRef CFURLGetString(CFURLRef anURL);
CF_EXPORT CFURLRef CFURLGetBaseURL(CFURLRef anURL);
CF_EXPORT CFStringRef CFURLCopyScheme(CFURLRef anURL);
/* The decoded path of the URL; NULL for a URL without a path. */
CF_EXPORT CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
/* The decoded path as zero-terminated UTF-8; false when it does not fit in maxBufLen bytes. */
CF_EXPORT Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                                   CFIndex maxBufLen);
CF_EXPORT CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
CF_EXPORT CFStringRef CFURLCopyPathExtension(CFURLRef url);
CF_EXPORT Boolean CFURLHasDirectoryPath(CFURLRef anURL);

#ifdef __cplusplus
}
#endif

#endif /* CFURL_H */
