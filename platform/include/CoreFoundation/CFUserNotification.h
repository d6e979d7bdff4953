/* CFUserNotification.h — simple alerts.
 *
 * The platform layer has no display of its own: CFUserNotificationDisplayAlert writes the
 * alert (level, header, message and button titles) to standard error and answers as if the
 * default button had been pressed (kCFUserNotificationDefaultResponse), without waiting. */
#ifndef CFUSERNOTIFICATION_H
#define CFUSERNOTIFICATION_H

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kCFUserNotificationStopAlertLevel = 0,
  kCFUserNotificationNoteAlertLevel = 1,
  kCFUserNotificationCautionAlertLevel = 2,
  kCFUserNotificationPlainAlertLevel = 3
};

enum {
  kCFUserNotificationDefaultResponse = 0,
  kCFUserNotificationAlternateResponse = 1,
  kCFUserNotificationOtherResponse = 2,
  kCFUserNotificationCancelResponse = 3
};

enum {
  kCFUserNotificationNoDefaultButtonFlag = (1UL << 5),
  kCFUserNotificationUseRadioButtonsFlag = (1UL << 6)
};

/* Returns 0; writes kCFUserNotificationDefaultResponse to responseFlags when given. */
CF_EXPORT SInt32 CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL,
                                                CFURLRef soundURL, CFURLRef localizationURL, CFStringRef alertHeader,
                                                CFStringRef alertMessage, CFStringRef defaultButtonTitle,
                                                CFStringRef alternateButtonTitle, CFStringRef otherButtonTitle,
                                                CFOptionFlags* responseFlags);

#ifdef __cplusplus
}
#endif

#endif /* CFUSERNOTIFICATION_H */
