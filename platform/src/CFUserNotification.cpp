// Alerts written to standard error, and the run-loop identity object.
#include "platform/src/CFInternal.h"

#include <cstdio>

SInt32 CFUserNotificationDisplayAlert(CFTimeInterval, CFOptionFlags flags, CFURLRef, CFURLRef, CFURLRef,
                                      CFStringRef alertHeader, CFStringRef alertMessage,
                                      CFStringRef defaultButtonTitle, CFStringRef alternateButtonTitle,
                                      CFStringRef otherButtonTitle, CFOptionFlags* responseFlags) {
  static const char* const kLevels[] = {"stop", "note", "caution", "plain"};
  const char* level = kLevels[flags & 3];
  std::string buttons = defaultButtonTitle ? cf::Utf8(defaultButtonTitle) : std::string("OK");
  if (alternateButtonTitle) buttons += "] [" + cf::Utf8(alternateButtonTitle);
  if (otherButtonTitle) buttons += "] [" + cf::Utf8(otherButtonTitle);
  fprintf(stderr, "Alert (%s): %s\n%s\n[%s] -> %s\n", level, alertHeader ? cf::Utf8(alertHeader).c_str() : "",
          alertMessage ? cf::Utf8(alertMessage).c_str() : "", buttons.c_str(),
          defaultButtonTitle ? cf::Utf8(defaultButtonTitle).c_str() : "OK");
  if (responseFlags) *responseFlags = kCFUserNotificationDefaultResponse;
  return 0;
}

// ---------------------------------------------------------------------------------------
struct __CFRunLoop : cf::Object {
  __CFRunLoop() : Object(cf::kTypeRunLoop) {}
  std::string Describe() const override { return "<CFRunLoop>"; }
};

const CFStringRef kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

CFTypeID CFRunLoopGetTypeID(void) { return cf::kTypeRunLoop; }

CFRunLoopRef CFRunLoopGetMain(void) {
  static __CFRunLoop* const sLoop = cf::MakeImmortal(cf::Create<__CFRunLoop>(nullptr));
  return sLoop;
}

CFRunLoopRef CFRunLoopGetCurrent(void) { return CFRunLoopGetMain(); }
