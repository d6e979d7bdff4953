// URLs and paths, bundles found by identifier, Gestalt and alerts.
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/ComponentBundles.h>
#include <CoreServices/CoreServices.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <unistd.h>

namespace {

std::string Text(CFStringRef s) {
  if (!s) return "<null>";
  char buffer[PATH_MAX];
  return CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<too long>";
}

// Text of a Copy/Create result, released here.
std::string Take(CFStringRef s) {
  std::string text = Text(s);
  if (s) CFRelease(s);
  return text;
}

std::string Path(CFURLRef url) { return Take(CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle)); }

TEST(CFURL, FilePathsRoundTripThroughEncodedURLs) {
  const char* path = "/tmp/a b/Gr\xC3\xBC\xC3\x9F" "e#1%.png";
  CFStringRef string = CFStringCreateWithCString(nullptr, path, kCFStringEncodingUTF8);
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, string, kCFURLPOSIXPathStyle, false);
  ASSERT_NE(url, nullptr);
  EXPECT_EQ(Text(CFURLGetString(url)), "file:///tmp/a%20b/Gr%C3%BC%C3%9Fe%231%25.png");
  EXPECT_EQ(Path(url), path);
  EXPECT_EQ(Take(CFURLCopyLastPathComponent(url)), "Gr\xC3\xBC\xC3\x9F" "e#1%.png");
  EXPECT_EQ(Take(CFURLCopyPathExtension(url)), "png");
  EXPECT_EQ(Take(CFURLCopyScheme(url)), "file");
  EXPECT_FALSE(CFURLHasDirectoryPath(url));
  UInt8 buffer[PATH_MAX];
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer));
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), path);
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, buffer, 8));

  CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(nullptr, url);
  EXPECT_EQ(Text(CFURLGetString(parent)), "file:///tmp/a%20b/");
  EXPECT_TRUE(CFURLHasDirectoryPath(parent));
  EXPECT_EQ(Path(parent), "/tmp/a b");
  CFURLRef child = CFURLCreateCopyAppendingPathComponent(nullptr, parent, CFSTR("x y"), true);
  EXPECT_EQ(Text(CFURLGetString(child)), "file:///tmp/a%20b/x%20y/");
  CFRelease(child);
  CFRelease(parent);

  CFURLRef same = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path),
                                                          static_cast<CFIndex>(strlen(path)), false);
  EXPECT_TRUE(CFEqual(url, same));
  CFRelease(same);
  CFRelease(url);
  CFRelease(string);

  // Directories end in '/'; a relative path is taken from the working directory.
  CFURLRef root = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/"), kCFURLPOSIXPathStyle, true);
  EXPECT_EQ(Text(CFURLGetString(root)), "file:///");
  EXPECT_EQ(Path(root), "/");
  CFRelease(root);
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  CFURLRef relative = CFURLCreateWithFileSystemPath(nullptr, CFSTR("sub/file.txt"), kCFURLPOSIXPathStyle, false);
  EXPECT_EQ(Path(relative), std::string(cwd) + "/sub/file.txt");
  CFRelease(relative);
  EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR(""), kCFURLPOSIXPathStyle, false), nullptr);
}

TEST(CFURL, StringsAreValidatedAndResolvedAgainstABase) {
  EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR("http://example.com/a b"), nullptr), nullptr);
  EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR("http://example.com/%zz"), nullptr), nullptr);
  EXPECT_EQ(CFURLCreateWithString(nullptr, CFSTR(""), nullptr), nullptr);

  CFURLRef base = CFURLCreateWithString(nullptr, CFSTR("http://example.com/docs/index.html?x=1"), nullptr);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(Path(base), "/docs/index.html");
  CFURLRef sibling = CFURLCreateWithString(nullptr, CFSTR("manual.html"), base);
  EXPECT_EQ(Text(CFURLGetString(sibling)), "http://example.com/docs/manual.html");
  CFURLRef rooted = CFURLCreateWithString(nullptr, CFSTR("/top"), base);
  EXPECT_EQ(Text(CFURLGetString(rooted)), "http://example.com/top");
  CFURLRef absolute = CFURLCreateWithString(nullptr, CFSTR("file:///etc/hosts"), base);
  EXPECT_EQ(Path(absolute), "/etc/hosts");
  CFRelease(absolute);
  CFRelease(rooted);
  CFRelease(sibling);
  CFRelease(base);
}

TEST(CFBundle, ComponentBundleIsFoundByIdentifierWithItsResources) {
  ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("com.example.platformtest"));
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(CFGetTypeID(bundle), CFBundleGetTypeID());
  EXPECT_EQ(Text(CFBundleGetIdentifier(bundle)), "com.example.platformtest");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.platformtest")), bundle);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.absent")), nullptr);

  char real[PATH_MAX];
  ASSERT_NE(realpath(TEST_BUNDLE_PATH, real), nullptr);
  CFURLRef bundleURL = CFBundleCopyBundleURL(bundle);
  EXPECT_EQ(Path(bundleURL), real);
  EXPECT_TRUE(CFURLHasDirectoryPath(bundleURL));
  CFRelease(bundleURL);
  CFURLRef executable = CFBundleCopyExecutableURL(bundle);
  EXPECT_EQ(Path(executable), std::string(real) + "/Contents/MacOS/PlatformTest");
  CFRelease(executable);

  CFURLRef resource = CFBundleCopyResourceURL(bundle, CFSTR("tone"), CFSTR("txt"), nullptr);
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(Path(resource), std::string(real) + "/Contents/Resources/tone.txt");
  CFRelease(resource);
  CFURLRef dotted = CFBundleCopyResourceURL(bundle, CFSTR("tone"), CFSTR(".txt"), nullptr);
  EXPECT_NE(dotted, nullptr);
  if (dotted) CFRelease(dotted);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("tone"), CFSTR("png"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("tone"), CFSTR("txt"), CFSTR("img")), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("../Info"), CFSTR("plist"), nullptr), nullptr);

  CFTypeRef exe = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleExecutableKey);
  EXPECT_TRUE(exe && CFEqual(exe, CFSTR("PlatformTest")));
  CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
  ASSERT_NE(info, nullptr);
  auto components = static_cast<CFArrayRef>(CFDictionaryGetValue(info, CFSTR("AudioComponents")));
  ASSERT_NE(components, nullptr);
  EXPECT_EQ(CFArrayGetCount(components), 2);
  // Bundles are never freed: releasing a looked-up bundle is harmless.
  CFRetain(bundle);
  CFRelease(bundle);
  CFRelease(bundle);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.platformtest")), bundle);

  // CFBundleCreate with the bundle's URL gives the same bundle.
  CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(real),
                                                         static_cast<CFIndex>(strlen(real)), true);
  EXPECT_EQ(CFBundleCreate(nullptr, url), bundle);
  CFRelease(url);
}

TEST(CFBundle, MainBundleDescribesTheRunningProgram) {
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  const char* variable = getenv("__CFBundleIdentifier");
  std::string expected = variable && *variable ? variable : "platform_tests";
  EXPECT_EQ(Text(CFBundleGetIdentifier(main)), expected);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFBundleGetIdentifier(main)), main);
  CFURLRef executable = CFBundleCopyExecutableURL(main);
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(length, 0);
  self[length] = '\0';
  EXPECT_EQ(Path(executable), self);
  CFRelease(executable);
}

TEST(Gestalt, ReportsTheDocumentedSystemVersion) {
  SInt32 version = 0;
  EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
  EXPECT_EQ(version, 0x1090);
  EXPECT_GE(version, 0x1050);
  SInt32 minor = 0;
  EXPECT_EQ(Gestalt(gestaltSystemVersionMinor, &minor), noErr);
  EXPECT_EQ(minor, 9);
  EXPECT_EQ(Gestalt(0x71757578 /* 'quux' */, &version), gestaltUndefSelectorErr);
  EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

TEST(CFUserNotification, AlertGoesToStandardErrorAndAnswersTheDefaultButton) {
  CFOptionFlags response = 99;
  testing::internal::CaptureStderr();
  SInt32 result = CFUserNotificationDisplayAlert(0, kCFUserNotificationCautionAlertLevel, nullptr, nullptr, nullptr,
                                                 CFSTR("Preset"), CFSTR("Save changes?"), CFSTR("Yes"), CFSTR("No"),
                                                 CFSTR("Cancel"), &response);
  std::string text = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(response, static_cast<CFOptionFlags>(kCFUserNotificationDefaultResponse));
  EXPECT_EQ(text, "Alert (caution): Preset\nSave changes?\n[Yes] [No] [Cancel] -> Yes\n");
}

}  // namespace
