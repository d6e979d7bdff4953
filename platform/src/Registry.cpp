// Finding and reading .component bundles: the search path, Info.plist, and loading the
// bundle executable.
#include "platform/src/Registry.h"

#include "platform/src/CFInternal.h"

#include <CoreServices/ComponentBundles.h>
#include <plist/plist.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

// The build tree's bundle folder, and the folder this library is built in. The first is
// searched only by a library loaded from the second: never by an installed copy.
#ifndef AUDIO_COMPONENT_BUILD_DIR
#define AUDIO_COMPONENT_BUILD_DIR ""
#endif
#ifndef AUDIO_COMPONENT_LIBRARY_BUILD_DIR
#define AUDIO_COMPONENT_LIBRARY_BUILD_DIR ""
#endif
// Where this build installs bundles (a path searched when set and not already listed).
#ifndef AUDIO_COMPONENT_INSTALL_DIR
#define AUDIO_COMPONENT_INSTALL_DIR ""
#endif

namespace platform {

void ReportRegistry(const char* format, ...) {
  va_list args;
  va_start(args, format);
  cf::ReportLine("component registry", 1024, format, args);
  va_end(args);
}

namespace {

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWith(const std::string& text, const char* suffix) {
  size_t n = strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The canonical form of a bundle path, so one bundle is registered once.
std::string Canonical(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result = resolved;
  free(resolved);
  return result;
}

// True when this library is the one in its own build tree (not an installed copy).
bool LoadedFromBuildTree() {
  if (!*AUDIO_COMPONENT_LIBRARY_BUILD_DIR) return false;
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&ReportRegistry), &info) || !info.dli_fname) return false;
  const std::string file = Canonical(info.dli_fname);
  const size_t slash = file.rfind('/');
  return slash != std::string::npos &&
         file.substr(0, slash) == Canonical(AUDIO_COMPONENT_LIBRARY_BUILD_DIR);
}

std::string DefaultSearchPath() {
  std::string path;
  if (const char* home = getenv("HOME"); home && *home) path = std::string(home) + "/.local/lib/audio-components:";
  path += "/usr/local/lib/audio-components:/usr/lib/audio-components";
  const std::string installed = AUDIO_COMPONENT_INSTALL_DIR;
  if (!installed.empty() && (":" + path + ":").find(":" + installed + ":") == std::string::npos)
    path += ":" + installed;
  if (*AUDIO_COMPONENT_BUILD_DIR && LoadedFromBuildTree()) path += std::string(":") + AUDIO_COMPONENT_BUILD_DIR;
  return path;
}

// A string value of the plist dictionary, or "" when absent or not a string.
std::string StringValue(plist_t dict, const char* key, bool* present = nullptr) {
  plist_t node = plist_dict_get_item(dict, key);
  if (present) *present = node && plist_get_node_type(node) == PLIST_STRING;
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::string();
  char* value = nullptr;
  plist_get_string_val(node, &value);
  std::string result = value ? value : "";
  free(value);
  return result;
}

// A four-character code from a string of four bytes or an integer.
bool CodeValue(plist_t dict, const char* key, OSType* out) {
  plist_t node = plist_dict_get_item(dict, key);
  if (!node) return false;
  if (plist_get_node_type(node) == PLIST_UINT) {
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value > 0xFFFFFFFFULL) return false;
    *out = static_cast<OSType>(value);
    return true;
  }
  if (plist_get_node_type(node) != PLIST_STRING) return false;
  bool present;
  std::string text = StringValue(dict, key, &present);
  if (text.size() != 4) return false;
  *out = static_cast<OSType>(static_cast<unsigned char>(text[0])) << 24 |
         static_cast<OSType>(static_cast<unsigned char>(text[1])) << 16 |
         static_cast<OSType>(static_cast<unsigned char>(text[2])) << 8 | static_cast<unsigned char>(text[3]);
  return true;
}

bool UIntValue(plist_t dict, const char* key, UInt32* out) {
  plist_t node = plist_dict_get_item(dict, key);
  if (!node || plist_get_node_type(node) != PLIST_UINT) return false;
  uint64_t value = 0;
  plist_get_uint_val(node, &value);
  if (value > 0xFFFFFFFFULL) return false;
  *out = static_cast<UInt32>(value);
  return true;
}

std::string CodeText(OSType code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((code >> shift) & 0xFF);
    text += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return text;
}

bool SameDescription(const ComponentDescription& a, const ComponentDescription& b) {
  return a.componentType == b.componentType && a.componentSubType == b.componentSubType &&
         a.componentManufacturer == b.componentManufacturer;
}

struct PlistHolder {
  plist_t node = nullptr;
  ~PlistHolder() {
    if (node) plist_free(node);
  }
};

}  // namespace

Registry& Registry::Get() {
  // Never destroyed: instances may still be closed from static destructors at exit.
  static Registry* const sRegistry = [] {
    auto* registry = new Registry();
    registry->Scan();
    return registry;
  }();
  return *sRegistry;
}

void Registry::Scan() {
  const char* variable = getenv(kAudioComponentPathVariable);
  mSearchPath = variable ? variable : DefaultSearchPath();
  std::stringstream entries(mSearchPath);
  std::string entry;
  while (std::getline(entries, entry, ':')) {
    if (entry.empty()) continue;
    while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
    if (EndsWith(entry, ".component")) {
      if (IsDirectory(entry)) RegisterBundle(entry, nullptr);
      continue;
    }
    DIR* dir = opendir(entry.c_str());
    if (!dir) continue;  // a missing folder on the path is normal
    std::vector<std::string> names;
    while (dirent* item = readdir(dir)) {
      std::string name = item->d_name;
      if (EndsWith(name, ".component") && name[0] != '.') names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string path = entry + "/" + name;
      if (IsDirectory(path)) RegisterBundle(path, nullptr);
    }
  }
}

BundleRecord* Registry::FindBundleByPath(const std::string& path) {
  for (auto& bundle : mBundles) {
    if (bundle->mPath == path) return bundle.get();
  }
  return nullptr;
}

OSStatus Registry::RegisterBundle(const std::string& givenPath, UInt32* outCount) {
  if (outCount) *outCount = 0;
  std::string path = givenPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!IsDirectory(path)) {
    ReportRegistry("%s: no such bundle directory; skipped", path.c_str());
    return fnfErr;
  }
  path = Canonical(path);
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (BundleRecord* known = FindBundleByPath(path)) {
    if (outCount) *outCount = known->mComponentCount;
    return known->mComponentCount ? noErr : resNotFound;
  }

  // Info.plist
  const std::string plistPath = path + "/Contents/Info.plist";
  std::ifstream file(plistPath, std::ios::binary);
  if (!file) {
    ReportRegistry("%s: missing Contents/Info.plist; bundle skipped", path.c_str());
    return resNotFound;
  }
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  PlistHolder root;
  if (!bytes.empty() && bytes.size() < 0x7FFFFFFF) {
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root.node);
  }
  if (!root.node || plist_get_node_type(root.node) != PLIST_DICT) {
    ReportRegistry("%s: Contents/Info.plist is not a property-list dictionary; bundle skipped", path.c_str());
    return resNotFound;
  }
  bool hasIdentifier, hasExecutable;
  std::string identifier = StringValue(root.node, "CFBundleIdentifier", &hasIdentifier);
  std::string executable = StringValue(root.node, "CFBundleExecutable", &hasExecutable);
  if (!hasIdentifier || identifier.empty()) {
    ReportRegistry("%s: Info.plist has no CFBundleIdentifier string; bundle skipped", path.c_str());
    return resNotFound;
  }
  if (!hasExecutable || executable.empty() || executable.find('/') != std::string::npos || executable == ".." ||
      executable == ".") {
    ReportRegistry("%s: Info.plist has no valid CFBundleExecutable; bundle skipped", path.c_str());
    return resNotFound;
  }
  const std::string executablePath = path + "/Contents/MacOS/" + executable;
  if (!IsRegularFile(executablePath)) {
    ReportRegistry("%s: executable Contents/MacOS/%s is missing; bundle skipped", path.c_str(), executable.c_str());
    return resNotFound;
  }

  for (auto& known : mBundles) {
    if (known->mIdentifier == identifier) {
      ReportRegistry("%s: bundle identifier %s is already used by %s; lookups by identifier find that one",
                     path.c_str(), identifier.c_str(), known->mPath.c_str());
      break;
    }
  }

  auto bundle = std::make_unique<BundleRecord>();
  bundle->mPath = path;
  bundle->mIdentifier = identifier;
  bundle->mExecutablePath = executablePath;
  auto info = static_cast<CFDictionaryRef>(cf::FromPlist(root.node, kCFPropertyListImmutable));
  bundle->mBundle = NewBundle(path, executablePath, path + "/Contents/Resources", info);
  if (info) CFRelease(info);

  // AudioComponents: one component per well-formed entry.
  plist_t list = plist_dict_get_item(root.node, "AudioComponents");
  if (!list || plist_get_node_type(list) != PLIST_ARRAY) {
    ReportRegistry("%s: Info.plist has no AudioComponents array; no components registered", path.c_str());
  } else {
    const uint32_t count = plist_array_get_size(list);
    for (uint32_t i = 0; i < count; ++i) {
      plist_t item = plist_array_get_item(list, i);
      ComponentDescription description{};
      bool hasName, hasEntry;
      std::string name, entry;
      UInt32 version = 0;
      UInt32 flags = 0;
      bool ok = item && plist_get_node_type(item) == PLIST_DICT &&
                CodeValue(item, "type", &description.componentType) &&
                CodeValue(item, "subtype", &description.componentSubType) &&
                CodeValue(item, "manufacturer", &description.componentManufacturer);
      if (ok) {
        name = StringValue(item, "name", &hasName);
        entry = StringValue(item, "factoryFunction", &hasEntry);
        ok = hasName && hasEntry && !entry.empty() && UIntValue(item, "version", &version);
        if (ok && plist_dict_get_item(item, "flags")) ok = UIntValue(item, "flags", &flags);
      }
      if (!ok) {
        ReportRegistry("%s: AudioComponents entry %u is malformed (needs type, subtype and manufacturer "
                       "codes, name, integer version and factoryFunction); skipped",
                       path.c_str(), i);
        continue;
      }
      description.componentFlags = flags;
      bool duplicate = false;
      for (auto& known : mComponents) {
        if (known->mBundle && !known->mUnregistered && SameDescription(known->mDescription, description)) {
          ReportRegistry("%s: component %s %s %s is already registered by %s; skipped", path.c_str(),
                         CodeText(description.componentType).c_str(), CodeText(description.componentSubType).c_str(),
                         CodeText(description.componentManufacturer).c_str(), known->mBundle->mPath.c_str());
          duplicate = true;
          break;
        }
      }
      if (duplicate) continue;
      auto component = std::make_unique<ComponentRecord>();
      component->mDescription = description;
      component->mName = name;
      component->mInfo = identifier;
      component->mVersion = version;
      component->mEntryName = entry;
      component->mBundle = bundle.get();
      mComponents.push_back(std::move(component));
      ++bundle->mComponentCount;
    }
  }
  UInt32 registered = bundle->mComponentCount;
  mBundles.push_back(std::move(bundle));
  if (outCount) *outCount = registered;
  return registered ? noErr : resNotFound;
}

bool Registry::Load(ComponentRecord* component) {
  if (component->mEntry) return true;
  if (component->mFailed) return false;
  BundleRecord* bundle = component->mBundle;
  if (!bundle) return false;
  if (!bundle->mHandle && !bundle->mLoadFailed) {
    dlerror();
    bundle->mHandle = dlopen(bundle->mExecutablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!bundle->mHandle) {
      const char* reason = dlerror();
      ReportRegistry("%s: cannot load the executable: %s", bundle->mPath.c_str(), reason ? reason : "unknown error");
      bundle->mLoadFailed = true;
    }
  }
  if (!bundle->mHandle) {
    component->mFailed = true;
    return false;
  }
  dlerror();
  void* symbol = dlsym(bundle->mHandle, component->mEntryName.c_str());
  if (!symbol) {
    ReportRegistry("%s: entry symbol %s not found in the executable; component %s skipped", bundle->mPath.c_str(),
                   component->mEntryName.c_str(), component->mName.c_str());
    component->mFailed = true;
    return false;
  }
  component->mEntry = reinterpret_cast<ComponentRoutineProcPtr>(symbol);
  return true;
}

CFBundleRef FindBundle(const std::string& identifier) {
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  for (auto& bundle : registry.mBundles) {
    if (bundle->mIdentifier == identifier) return bundle->mBundle;
  }
  return nullptr;
}

CFBundleRef BundleAtPath(const std::string& path) {
  Registry& registry = Registry::Get();
  registry.RegisterBundle(path, nullptr);
  std::string canonical = Canonical(path);
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  for (auto& bundle : registry.mBundles) {
    if (bundle->mPath == canonical) return bundle->mBundle;
  }
  return nullptr;
}

}  // namespace platform

// ---------------------------------------------------------------------------------------
OSStatus RegisterComponentBundle(const char* bundlePath, UInt32* outComponentCount) {
  if (outComponentCount) *outComponentCount = 0;
  if (!bundlePath || !*bundlePath) return paramErr;
  return platform::Registry::Get().RegisterBundle(bundlePath, outComponentCount);
}

const char* GetComponentSearchPath(void) { return platform::Registry::Get().mSearchPath.c_str(); }
