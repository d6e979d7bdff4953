// The component registry: bundles found on the search path or registered by path, the
// components they declare, and the instance records handed to hosts. Internal to the
// platform library.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

constexpr UInt32 kComponentMagic = 0x436d7074;        // 'Cmpt'
constexpr UInt32 kInstanceMagic = 0x436d7049;         // 'CmpI'
constexpr UInt32 kClosedInstanceMagic = 0x436d7058;   // 'CmpX'

namespace platform {
struct BundleRecord;
}

struct ComponentRecord {
  UInt32 mMagic = kComponentMagic;
  ComponentDescription mDescription{};
  std::string mName;       // "Manufacturer: Name" as declared
  std::string mInfo;       // the bundle identifier, or the registered information text
  UInt32 mVersion = 0;
  std::string mEntryName;  // symbol in the bundle executable
  platform::BundleRecord* mBundle = nullptr;  // NULL for RegisterComponent
  ComponentRoutineProcPtr mEntry = nullptr;   // resolved on first open
  bool mFailed = false;        // the bundle could not be loaded: skipped from then on
  bool mUnregistered = false;
  long mInstances = 0;
};

struct ComponentInstanceRecord {
  // kInstanceMagic while open; kClosedInstanceMagic from the moment CloseComponent starts,
  // so that only one of two racing closes reaches the component.
  std::atomic<UInt32> mMagic{kInstanceMagic};
  ComponentRecord* mComponent = nullptr;
  ComponentRoutineProcPtr mEntry = nullptr;
  std::atomic<Handle> mStorage{nullptr};
};

namespace platform {

inline bool IsOpenInstance(ComponentInstance ci) {
  return ci && ci->mMagic.load(std::memory_order_relaxed) == kInstanceMagic;
}

// Calls the instance's entry with a parameter block; the caller checked the instance.
inline ComponentResult Dispatch(ComponentInstance ci, ComponentParameters* params) {
  return ci->mEntry(params, ci->mStorage.load(std::memory_order_acquire));
}

// The bundle record of a registered component bundle with this identifier, as a CFBundle.
CFBundleRef FindBundle(const std::string& identifier);
// The CFBundle of the .component directory at path, registering it when new; NULL when it
// cannot be registered.
CFBundleRef BundleAtPath(const std::string& path);

// Made by CFBundle.cpp for the registry: an immortal bundle object. info is retained.
CFBundleRef NewBundle(const std::string& path, const std::string& executablePath, const std::string& resourcesPath,
                      CFDictionaryRef info);

// Removes every event-listener registration that refers to unit and takes the platform's
// property listeners off it; called by the closing thread after the unit was marked closed
// and before its Close selector.
void ForgetUnitListeners(AudioUnit unit);

// AudioUnitRemovePropertyListenerWithUserData without the open-instance check, for the
// closing thread (the unit is already marked closed but not yet closed).
OSStatus RemovePropertyListenerWhileClosing(AudioUnit unit, AudioUnitPropertyID id,
                                            AudioUnitPropertyListenerProc proc, void* userData);

// Writes "component registry: <message>" and a line feed to standard error.
void ReportRegistry(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform

namespace platform {

struct BundleRecord {
  std::string mPath;            // the .component directory, without a trailing '/'
  std::string mIdentifier;
  std::string mExecutablePath;  // Contents/MacOS/<CFBundleExecutable>
  CFBundleRef mBundle = nullptr;
  void* mHandle = nullptr;      // dlopen handle once loaded
  bool mLoadFailed = false;
  UInt32 mComponentCount = 0;
};

class Registry {
 public:
  // The process's registry; scans the search path on first use.
  static Registry& Get();

  // Guards everything below. Recursive: loading a bundle runs its constructors, which may
  // call back into the registry on the same thread.
  std::recursive_mutex mLock;
  std::vector<std::unique_ptr<ComponentRecord>> mComponents;  // never shrinks: records stay valid
  std::vector<std::unique_ptr<BundleRecord>> mBundles;
  std::vector<std::unique_ptr<ComponentInstanceRecord>> mInstances;  // closed ones stay, marked closed
  std::string mSearchPath;

  // Reads the bundle at path and registers its components (mLock taken inside).
  OSStatus RegisterBundle(const std::string& path, UInt32* outCount);
  // Loads the component's bundle executable and resolves its entry; mLock must be held.
  bool Load(ComponentRecord* component);
  // Whether c is a registered component record (not an instance, not garbage).
  static bool IsComponent(Component c) { return c && c->mMagic == kComponentMagic; }

 private:
  Registry() = default;
  void Scan();
  BundleRecord* FindBundleByPath(const std::string& path);
};

}  // namespace platform
