// CFBundle: the main bundle (the running program) and the registry's component bundles.
#include "platform/src/CFInternal.h"
#include "platform/src/Registry.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

struct __CFBundle : cf::Object {
  std::string mPath;            // bundle directory (for the main bundle, the executable's)
  std::string mExecutablePath;
  std::string mResourcesPath;
  CFDictionaryRef mInfo = nullptr;
  CFStringRef mIdentifier = nullptr;

  __CFBundle() : Object(cf::kTypeBundle) {}
  std::string Describe() const override { return "CFBundle <" + mPath + ">"; }
};

const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");

namespace {

const __CFBundle* AsBundle(CFTypeRef cf, const char* caller) {
  return cf::As<__CFBundle>(cf, cf::kTypeBundle, caller);
}

CFURLRef PathURL(const std::string& path, bool isDirectory) {
  return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.c_str()),
                                                 static_cast<CFIndex>(path.size()), isDirectory);
}

// A resource name or folder must stay inside the bundle: no ".." component.
bool StaysInside(const std::string& part) {
  size_t start = 0;
  while (start <= part.size()) {
    size_t end = part.find('/', start);
    if (end == std::string::npos) end = part.size();
    if (part.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

__CFBundle* MakeMainBundle() {
  std::string executable;
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) executable.assign(buffer, static_cast<size_t>(length));
  std::string name = executable.substr(executable.rfind('/') + 1);
  std::string directory = executable.empty() ? std::string(".") : executable.substr(0, executable.rfind('/'));
  if (directory.empty()) directory = "/";
  std::string identifier = name;
  if (const char* variable = getenv("__CFBundleIdentifier"); variable && *variable) identifier = variable;

  CFMutableDictionaryRef info =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFStringRef idString = cf::NewString(identifier);
  CFStringRef nameString = cf::NewString(name);
  CFDictionarySetValue(info, kCFBundleIdentifierKey, idString);
  CFDictionarySetValue(info, kCFBundleExecutableKey, nameString);
  CFDictionarySetValue(info, kCFBundleNameKey, nameString);
  CFRelease(idString);
  CFRelease(nameString);
  auto* bundle = static_cast<__CFBundle*>(platform::NewBundle(directory, executable, directory, info));
  CFRelease(info);
  return bundle;
}

}  // namespace

namespace platform {

CFBundleRef NewBundle(const std::string& path, const std::string& executablePath, const std::string& resourcesPath,
                      CFDictionaryRef info) {
  auto* bundle = cf::Create<__CFBundle>(nullptr);
  bundle->mImmortal = true;  // bundles live as long as the process
  bundle->mPath = path;
  bundle->mExecutablePath = executablePath;
  bundle->mResourcesPath = resourcesPath;
  if (info) {
    bundle->mInfo = static_cast<CFDictionaryRef>(CFRetain(info));
    CFTypeRef identifier = CFDictionaryGetValue(info, kCFBundleIdentifierKey);
    if (identifier && CFGetTypeID(identifier) == CFStringGetTypeID()) {
      bundle->mIdentifier = static_cast<CFStringRef>(CFRetain(identifier));
    }
  }
  return bundle;
}

}  // namespace platform

CFTypeID CFBundleGetTypeID(void) { return cf::kTypeBundle; }

CFBundleRef CFBundleGetMainBundle(void) {
  static __CFBundle* const sMain = MakeMainBundle();
  return sMain;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  if (!cf::As<cf::Object>(bundleID, cf::kTypeString, "CFBundleGetBundleWithIdentifier")) return nullptr;
  std::string identifier = cf::Utf8(bundleID);
  if (CFBundleRef found = platform::FindBundle(identifier)) return found;
  CFBundleRef main = CFBundleGetMainBundle();
  CFStringRef mainIdentifier = CFBundleGetIdentifier(main);
  if (mainIdentifier && cf::Utf8(mainIdentifier) == identifier) return main;
  return nullptr;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
  char path[PATH_MAX];
  if (!CFURLGetFileSystemRepresentation(bundleURL, true, reinterpret_cast<UInt8*>(path), sizeof path)) return nullptr;
  return platform::BundleAtPath(path);
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleGetIdentifier");
  return b ? b->mIdentifier : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleGetInfoDictionary");
  return b ? b->mInfo : nullptr;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleGetValueForInfoDictionaryKey");
  if (!b || !b->mInfo || !key) return nullptr;
  return CFDictionaryGetValue(b->mInfo, key);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyBundleURL");
  return b ? PathURL(b->mPath, true) : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyExecutableURL");
  return b && !b->mExecutablePath.empty() ? PathURL(b->mExecutablePath, false) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyResourcesDirectoryURL");
  return b ? PathURL(b->mResourcesPath, true) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                 CFStringRef subDirName) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyResourceURL");
  if (!b || !resourceName) return nullptr;
  std::string name = cf::Utf8(resourceName);
  std::string type = resourceType ? cf::Utf8(resourceType) : std::string();
  std::string folder = subDirName ? cf::Utf8(subDirName) : std::string();
  if (name.empty() || !StaysInside(name) || !StaysInside(type) || !StaysInside(folder)) return nullptr;
  if (!type.empty() && type[0] != '.') type = "." + type;
  std::string path = b->mResourcesPath;
  if (!folder.empty()) path += "/" + folder;
  path += "/" + name + type;
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  return PathURL(path, false);
}
