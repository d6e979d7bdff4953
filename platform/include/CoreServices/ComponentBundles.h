/* ComponentBundles.h — where the component registry finds .component bundles.
 *
 * A bundle is a directory Name.component holding
 *   Contents/Info.plist      CFBundleIdentifier, CFBundleExecutable, CFBundleName and an
 *                            AudioComponents array; each entry has type, subtype and
 *                            manufacturer (four-character strings, or integers), name
 *                            (string), version (integer) and factoryFunction (the name of the
 *                            exported entry routine); optional flags (integer);
 *   Contents/MacOS/<CFBundleExecutable>   the ELF shared object;
 *   Contents/Resources/      the bundle's resources.
 *
 * Search path. On first use the registry scans, in order, every directory listed in the
 * environment variable AUDIO_COMPONENT_PATH (entries separated by ':'; an entry may also
 * name a .component bundle itself). When the variable is not set, the default path is
 *   $HOME/.local/lib/audio-components : /usr/local/lib/audio-components :
 *   /usr/lib/audio-components [: <install prefix>/lib/audio-components]
 *   [: <build tree>/Components]
 * where the install prefix's folder is added when it is none of the others, and the build
 * tree's folder (into which a build places its bundles, so they are found without
 * installing) only by the library loaded from that build tree itself: an installed library
 * never searches a build tree. Directories are scanned in file-name order.
 *
 * A bundle with a missing or malformed Info.plist, no executable, or an AudioComponents
 * entry that is not well-formed is skipped (entry by entry) with a message on standard
 * error starting "component registry:". A component whose description is already
 * registered is skipped the same way; the first registration wins (also for
 * CFBundleGetBundleWithIdentifier when two bundles share an identifier). */
#ifndef COMPONENTBUNDLES_H
#define COMPONENTBUNDLES_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

#define kAudioComponentPathVariable "AUDIO_COMPONENT_PATH"

/* Registers the bundle at bundlePath (after scanning the search path, if that has not
   happened yet). Registering a bundle a second time adds nothing and answers its earlier
   count. outComponentCount (may be NULL) receives the number of components registered
   from it. Status: noErr, paramErr for a NULL path, fnfErr when there is no such
   directory, or resNotFound when no component of it could be registered. */
__PLATFORM_EXPORT OSStatus RegisterComponentBundle(const char* bundlePath, UInt32* outComponentCount);

/* The search path in force: the variable's value, or the default path above. */
__PLATFORM_EXPORT const char* GetComponentSearchPath(void);

#ifdef __cplusplus
}
#endif

#endif /* COMPONENTBUNDLES_H */
