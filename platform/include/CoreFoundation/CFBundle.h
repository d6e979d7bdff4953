/* CFBundle.h — bundles: the host program's main bundle and the component bundles the
 * component registry knows.
 *
 * CFBundleGetMainBundle describes the running program. Its identifier is the value of the
 * environment variable __CFBundleIdentifier when that is set and not empty (as the macOS
 * launcher sets it), otherwise the file name of the running executable; its URL is the
 * executable's directory and its info dictionary holds CFBundleIdentifier,
 * CFBundleExecutable and CFBundleName.
 *
 * CFBundleGetBundleWithIdentifier finds a bundle among the component bundles of the registry
 * (see <CoreServices/ComponentBundles.h>), and the main bundle. Bundles are never freed:
 * retaining and releasing them is allowed and has no effect.
 *
 * Resources are looked up in Contents/Resources/[subDirName/]name.type of the bundle; for
 * the main bundle, in the executable's directory. */
#ifndef CFBUNDLE_H
#define CFBUNDLE_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFBundleRef;

CF_EXPORT const CFStringRef kCFBundleInfoDictionaryVersionKey;
CF_EXPORT const CFStringRef kCFBundleExecutableKey;
CF_EXPORT const CFStringRef kCFBundleIdentifierKey;
CF_EXPORT const CFStringRef kCFBundleVersionKey;
CF_EXPORT const CFStringRef kCFBundleNameKey;

CF_EXPORT CFTypeID CFBundleGetTypeID(void);
CF_EXPORT CFBundleRef CFBundleGetMainBundle(void);
CF_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
/* The bundle at a .component directory URL, registering it with the component registry
   when it is not known yet; NULL when it cannot be read. Returned retained (Create rule,
   though releasing it never frees it). */
CF_EXPORT CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);

CF_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CF_EXPORT CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CF_EXPORT CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
CF_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
CF_EXPORT CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
CF_EXPORT CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
/* NULL when there is no such regular file. resourceType may be NULL or empty (then
   resourceName is the whole file name) or carry a leading dot. */
CF_EXPORT CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                           CFStringRef subDirName);

#ifdef __cplusplus
}
#endif

#endif /* CFBUNDLE_H */
