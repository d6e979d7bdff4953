/* CFRunLoop.h — run-loop identities and mode names.
 *
 * The platform layer runs no event loops of its own: APIs that take a run loop (such as
 * AUEventListenerCreate) deliver on the notifying thread. CFRunLoopGetCurrent and
 * CFRunLoopGetMain return one constant object that stands for the process's loop, so code
 * written for the platform compiles and runs unchanged. */
#ifndef CFRUNLOOP_H
#define CFRUNLOOP_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFRunLoop* CFRunLoopRef;

CF_EXPORT const CFStringRef kCFRunLoopDefaultMode;
CF_EXPORT const CFStringRef kCFRunLoopCommonModes;

CF_EXPORT CFTypeID CFRunLoopGetTypeID(void);
CF_EXPORT CFRunLoopRef CFRunLoopGetCurrent(void);
CF_EXPORT CFRunLoopRef CFRunLoopGetMain(void);

#ifdef __cplusplus
}
#endif

#endif /* CFRUNLOOP_H */
