/* Gestalt.h — system facts.
 *
 * gestaltSystemVersion answers 0x1090: this platform layer presents itself as system
 * version 10.9.0, the last version the packed 0xMMmb form can express (so code that checks
 * for 10.5 or 10.7 features finds them). The major, minor and bug-fix selectors answer 10,
 * 9 and 0. */
#ifndef GESTALT_H
#define GESTALT_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  gestaltSystemVersion = 0x73797376,      /* 'sysv' */
  gestaltSystemVersionMajor = 0x73797331, /* 'sys1' */
  gestaltSystemVersionMinor = 0x73797332, /* 'sys2' */
  gestaltSystemVersionBugFix = 0x73797333 /* 'sys3' */
};

enum {
  gestaltUnknownErr = -5550,
  gestaltUndefSelectorErr = -5551,
  gestaltDupSelectorErr = -5552,
  gestaltLocationErr = -5553
};

/* noErr and the answer in *response; gestaltUndefSelectorErr for other selectors;
   paramErr when response is NULL. */
__PLATFORM_EXPORT OSErr Gestalt(OSType selector, SInt32* response);

#ifdef __cplusplus
}
#endif

#endif /* GESTALT_H */
