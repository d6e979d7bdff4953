// The component registry: bundles on the search path and by path, opening and closing,
// component information, and bundles that cannot be used.
#include "tests/platform/TestComponentState.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreServices/ComponentBundles.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>
#include <atomic>

namespace {

// Before anything asks the registry: scan only the tests' own search folder.
const bool kSearchPathSet = [] { return setenv(kAudioComponentPathVariable, TEST_SEARCH_DIR, 1) == 0; }();

constexpr OSType kEffect = 0x61756678;    // 'aufx'
constexpr OSType kTest1 = 0x54737431;     // 'Tst1'
constexpr OSType kTest2 = 0x54737432;     // 'Tst2'
constexpr OSType kExample = 0x4578706c;   // 'Expl'
constexpr OSType kScanned = 0x5363616e;   // 'Scan'

ComponentDescription Describe(OSType type, OSType subtype, OSType manufacturer) {
  return ComponentDescription{type, subtype, manufacturer, 0, 0};
}

Component RegisteredTestComponent() {
  EXPECT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
  ComponentDescription looking = Describe(kEffect, kTest1, kExample);
  return FindNextComponent(nullptr, &looking);
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A bundle folder in the scratch area with the given Info.plist (none when plist is empty)
// and, when copyExecutable, the test component's executable under the given name.
std::string MakeBundle(const std::string& name, const std::string& plist, const std::string& executable = "") {
  std::string path = std::string(TEST_SCRATCH_DIR) + "/" + name + ".component";
  std::string command = "rm -rf '" + path + "' && mkdir -p '" + path + "/Contents/MacOS'";
  EXPECT_EQ(system(command.c_str()), 0);
  if (!plist.empty()) WriteFile(path + "/Contents/Info.plist", plist);
  if (!executable.empty()) {
    std::string copy = "cp '" TEST_BUNDLE_PATH "/Contents/MacOS/PlatformTest' '" + path + "/Contents/MacOS/" +
                       executable + "'";
    EXPECT_EQ(system(copy.c_str()), 0);
  }
  return path;
}

std::string Plist(const std::string& identifier, const std::string& executable, const std::string& components) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>CFBundleIdentifier</key><string>" + identifier + "</string>"
         "<key>CFBundleExecutable</key><string>" + executable + "</string>"
         "<key>AudioComponents</key><array>" + components + "</array></dict></plist>\n";
}

std::string ComponentEntry(const std::string& type, const std::string& subtype, const std::string& entry) {
  return "<dict><key>type</key><string>" + type + "</string><key>subtype</key><string>" + subtype +
         "</string><key>manufacturer</key><string>Expl</string><key>name</key><string>Example: " + subtype +
         "</string><key>version</key><integer>1</integer><key>factoryFunction</key><string>" + entry +
         "</string></dict>";
}

TEST(ComponentRegistry, SearchPathBundlesAreFoundWithoutRegistering) {
  ASSERT_TRUE(kSearchPathSet);
  EXPECT_STREQ(GetComponentSearchPath(), TEST_SEARCH_DIR);
  ComponentDescription looking = Describe(0, kScanned, 0);
  Component scanned = FindNextComponent(nullptr, &looking);
  ASSERT_NE(scanned, nullptr);
  EXPECT_EQ(CountComponents(&looking), 1);
  ComponentDescription cd{};
  EXPECT_EQ(GetComponentInfo(scanned, &cd, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(cd.componentType, 0x61756d66u);  // 'aumf'
  EXPECT_EQ(cd.componentManufacturer, kExample);
}

// The build tree's bundle folder is searched by the build tree's own library only: a copy of
// the library anywhere else, as an installed one is, searches installed places alone.
TEST(ComponentRegistry, OnlyTheBuildTreesLibrarySearchesTheBuildTree) {
  auto probe = [](const std::string& libraryDir) {
    const std::string command = "env -u " kAudioComponentPathVariable " " +
                                (libraryDir.empty() ? "" : "LD_LIBRARY_PATH=" + libraryDir + " ") +
                                SEARCH_PATH_PROBE;
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buf[512];
      while (fgets(buf, sizeof buf, pipe)) output += buf;
      pclose(pipe);
    }
    return output;
  };
  const std::string fromBuild = probe("");
  EXPECT_NE(fromBuild.find(BUILD_COMPONENTS_DIR), std::string::npos) << fromBuild;

  const std::string dir = TEST_SCRATCH_DIR "/installed-library";
  mkdir(TEST_SCRATCH_DIR, 0755);
  mkdir(dir.c_str(), 0755);
  {
    std::ifstream from(PLATFORM_LIBRARY, std::ios::binary);
    std::ofstream to(dir + "/" PLATFORM_SONAME, std::ios::binary | std::ios::trunc);
    to << from.rdbuf();
  }
  const std::string fromCopy = probe(dir);
  ASSERT_EQ(fromCopy.rfind(dir + "/" PLATFORM_SONAME "\n", 0), 0u) << fromCopy;  // the copy ran
  EXPECT_EQ(fromCopy.find(BUILD_COMPONENTS_DIR), std::string::npos) << fromCopy;
  EXPECT_NE(fromCopy.find(":/usr/lib/audio-components"), std::string::npos) << fromCopy;
}

TEST(ComponentRegistry, BundleRegistersEachComponentOnce) {
  UInt32 count = 0;
  EXPECT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, &count), noErr);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH "/", &count), noErr);  // the same bundle again
  EXPECT_EQ(count, 2u);
  ComponentDescription both = Describe(kEffect, 0, kExample);
  EXPECT_EQ(CountComponents(&both), 2);

  ComponentDescription looking = Describe(kEffect, kTest1, kExample);
  Component c = FindNextComponent(nullptr, &looking);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(FindNextComponent(c, &looking), nullptr);

  AudioComponentDescription modern = {kEffect, kTest1, kExample, 0, 0};
  AudioComponent ac = AudioComponentFindNext(nullptr, &modern);
  EXPECT_EQ(reinterpret_cast<void*>(ac), reinterpret_cast<void*>(c));
  EXPECT_EQ(AudioComponentCount(&modern), 1u);
  AudioComponentDescription described{};
  EXPECT_EQ(AudioComponentGetDescription(ac, &described), noErr);
  EXPECT_EQ(described.componentSubType, kTest1);
  CFStringRef name = nullptr;
  EXPECT_EQ(AudioComponentCopyName(ac, &name), noErr);
  EXPECT_TRUE(CFEqual(name, CFSTR("Example: Platform Test")));
  CFRelease(name);
  UInt32 version = 0;
  EXPECT_EQ(AudioComponentGetVersion(ac, &version), noErr);
  EXPECT_EQ(version, 66051u);

  // Flags compare under the mask.
  ComponentDescription flagged = Describe(kEffect, kTest1, kExample);
  flagged.componentFlags = 1;
  flagged.componentFlagsMask = 1;
  EXPECT_EQ(FindNextComponent(nullptr, &flagged), nullptr);
  flagged.componentFlagsMask = 0;
  EXPECT_EQ(FindNextComponent(nullptr, &flagged), c);

  EXPECT_EQ(RegisterComponentBundle(nullptr, &count), paramErr);
  EXPECT_EQ(RegisterComponentBundle(TEST_SCRATCH_DIR "/nowhere.component", &count), fnfErr);
}

TEST(ComponentRegistry, OpenAndCloseCallTheEntryWithTheInstance) {
  Component c = RegisteredTestComponent();
  ASSERT_NE(c, nullptr);
  ComponentInstance ci = nullptr;
  ASSERT_EQ(OpenAComponent(c, &ci), noErr);
  ASSERT_NE(ci, nullptr);
  auto* state = reinterpret_cast<TestComponentState*>(GetComponentInstanceStorage(ci));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->mSelf, ci);               // Open carries the new instance in slot 1
  EXPECT_EQ(state->mStorageAtOpen, nullptr);  // and no storage yet
  EXPECT_EQ(CountComponentInstances(c), 1);

  // GetComponentInfo accepts the instance as well as the component.
  ComponentDescription cd{};
  Handle name = NewHandle(0);
  Handle info = NewHandle(0);
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(ci), &cd, name, info, nullptr), noErr);
  EXPECT_EQ(cd.componentType, kEffect);
  EXPECT_EQ(cd.componentSubType, kTest1);
  EXPECT_EQ(cd.componentManufacturer, kExample);
  ASSERT_EQ(GetHandleSize(name), 23);
  EXPECT_EQ((*name)[0], 22);
  EXPECT_EQ(std::string(*name + 1, 22), "Example: Platform Test");
  EXPECT_EQ(std::string(*info + 1, static_cast<unsigned char>((*info)[0])), "com.example.platformtest");
  DisposeHandle(name);
  DisposeHandle(info);

  EXPECT_EQ(AudioComponentInstanceGetComponent(ci), reinterpret_cast<AudioComponent>(c));
  EXPECT_EQ(CallComponentVersion(ci), 0x00010203);
  EXPECT_EQ(GetComponentVersion(ci), 0x00010203);
  EXPECT_EQ(ComponentFunctionImplemented(ci, kAudioUnitRenderSelect), 1);
  EXPECT_EQ(ComponentFunctionImplemented(ci, 8), 0);
  EXPECT_TRUE(AudioComponentInstanceCanDo(ci, kMusicDeviceSysExSelect));

  struct Closed {
    Handle storage = nullptr;
    SInt16 what = 0;
    long slot0 = 0, slot1 = 0;
  } closed;
  state->mOnClose = [](TestComponentState* s, void* context) {
    auto* record = static_cast<Closed*>(context);
    record->storage = s->mStorage;
    record->what = s->mWhat;
    record->slot0 = s->mSlots[0];
    record->slot1 = s->mSlots[1];
  };
  state->mCloseContext = &closed;
  EXPECT_EQ(CloseComponent(ci), noErr);
  EXPECT_EQ(closed.what, kComponentCloseSelect);
  EXPECT_EQ(closed.storage, reinterpret_cast<Handle>(state));
  EXPECT_EQ(closed.slot1, reinterpret_cast<long>(ci));
  EXPECT_EQ(CountComponentInstances(c), 0);

  // A closed instance is refused everywhere.
  EXPECT_EQ(CloseComponent(ci), static_cast<OSErr>(badComponentInstance));
  EXPECT_EQ(AudioComponentInstanceDispose(ci), badComponentInstance);
  EXPECT_EQ(GetComponentInstanceStorage(ci), nullptr);
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(ci), &cd, nullptr, nullptr, nullptr), invalidComponentID);
  EXPECT_EQ(AudioUnitInitialize(ci), badComponentInstance);

  // The modern calls open and dispose the same way.
  AudioComponentInstance unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(reinterpret_cast<AudioComponent>(c), &unit), noErr);
  EXPECT_EQ(CountComponentInstances(c), 1);
  EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
  EXPECT_EQ(CountComponentInstances(c), 0);
}

TEST(ComponentRegistry, RefusedOpenFreesTheInstanceAndReturnsTheStatus) {
  ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
  ComponentDescription looking = Describe(kEffect, kTest2, kExample);
  Component refusing = FindNextComponent(nullptr, &looking);
  ASSERT_NE(refusing, nullptr);
  ComponentInstance ci = reinterpret_cast<ComponentInstance>(1);
  EXPECT_EQ(OpenAComponent(refusing, &ci), memFullErr);
  EXPECT_EQ(ci, nullptr);
  EXPECT_EQ(CountComponentInstances(refusing), 0);
  EXPECT_EQ(OpenComponent(refusing), nullptr);
}

int gOpens = 0, gCloses = 0;
ComponentResult InProcessEntry(ComponentParameters* params, Handle storage) {
  switch (params->what) {
    case kComponentOpenSelect:
      ++gOpens;
      SetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(params->params[1]),
                                  reinterpret_cast<Handle>(&gOpens));
      return noErr;
    case kComponentCloseSelect:
      ++gCloses;
      return storage == reinterpret_cast<Handle>(&gOpens) ? noErr : paramErr;
    default:
      return badComponentSelector;
  }
}

TEST(ComponentRegistry, RegisteredEntryRoutinesOpenAndUnregister) {
  ComponentDescription cd = Describe(0x61756f75 /* 'auou' */, 0x496e5072 /* 'InPr' */, kExample);
  Handle name = NewHandle(6);
  memcpy(*name, "\x05Local", 6);
  Component c = RegisterComponent(&cd, InProcessEntry, 0, name, nullptr, nullptr);
  DisposeHandle(name);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(FindNextComponent(nullptr, &cd), c);
  ComponentInstance ci = OpenComponent(c);
  ASSERT_NE(ci, nullptr);
  EXPECT_EQ(gOpens, 1);
  EXPECT_EQ(UnregisterComponent(c), validInstancesExist);
  EXPECT_EQ(AudioUnitInitialize(ci), badComponentSelector);
  EXPECT_EQ(CloseComponent(ci), noErr);
  EXPECT_EQ(gCloses, 1);
  EXPECT_EQ(UnregisterComponent(c), noErr);
  EXPECT_EQ(FindNextComponent(nullptr, &cd), nullptr);
  EXPECT_EQ(OpenComponent(c), nullptr);
  EXPECT_EQ(RegisterComponent(nullptr, InProcessEntry, 0, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(RegisterComponent(&cd, nullptr, 0, nullptr, nullptr, nullptr), nullptr);
}

TEST(ComponentRegistry, UnusableBundlesAreSkippedWithAClearMessage) {
  ASSERT_EQ(system("mkdir -p '" TEST_SCRATCH_DIR "'"), 0);
  struct Case {
    std::string name;
    std::string plist;
    std::string executable;
    std::string message;
  };
  const Case cases[] = {
      {"NoPlist", "", "NoPlist", "missing Contents/Info.plist; bundle skipped"},
      {"Garbage", "this is <not a plist", "Garbage", "is not a property-list dictionary; bundle skipped"},
      {"NoId", "<plist version=\"1.0\"><dict><key>CFBundleExecutable</key><string>NoId</string></dict></plist>",
       "NoId", "has no CFBundleIdentifier string; bundle skipped"},
      {"NoExecutable", Plist("com.example.noexe", "NoExecutable", ComponentEntry("aufx", "NExe", "TestComponent_Entry")),
       "", "executable Contents/MacOS/NoExecutable is missing; bundle skipped"},
      {"EscapingExecutable", Plist("com.example.escape", "../../x", ComponentEntry("aufx", "Escp", "TestComponent_Entry")),
       "", "has no valid CFBundleExecutable; bundle skipped"},
  };
  for (const Case& c : cases) {
    std::string path = MakeBundle(c.name, c.plist, c.executable);
    testing::internal::CaptureStderr();
    UInt32 count = 99;
    EXPECT_EQ(RegisterComponentBundle(path.c_str(), &count), resNotFound) << c.name;
    std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count, 0u);
    EXPECT_NE(text.find("component registry: "), std::string::npos) << c.name;
    EXPECT_NE(text.find(c.name + ".component"), std::string::npos) << text;
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
  }

  // One malformed entry is skipped; the good one beside it registers.
  std::string mixed = MakeBundle(
      "Mixed",
      Plist("com.example.mixed", "Mixed",
            ComponentEntry("auf", "Shrt", "TestComponent_Entry") + ComponentEntry("aufx", "Good", "TestComponent_Entry")),
      "Mixed");
  testing::internal::CaptureStderr();
  UInt32 count = 0;
  EXPECT_EQ(RegisterComponentBundle(mixed.c_str(), &count), noErr);
  std::string text = testing::internal::GetCapturedStderr();
  EXPECT_EQ(count, 1u);
  EXPECT_NE(text.find("AudioComponents entry 0 is malformed"), std::string::npos) << text;

  // A description another bundle already registered is skipped.
  ASSERT_EQ(RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr), noErr);
  // So is a second bundle with a known identifier, for lookups by identifier.
  CFBundleRef original = CFBundleGetBundleWithIdentifier(CFSTR("com.example.platformtest"));
  ASSERT_NE(original, nullptr);
  std::string twin = MakeBundle(
      "Twin", Plist("com.example.platformtest", "Twin", ComponentEntry("aufx", "Tst1", "TestComponent_Entry")), "Twin");
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegisterComponentBundle(twin.c_str(), &count), resNotFound);
  text = testing::internal::GetCapturedStderr();
  EXPECT_NE(text.find("is already registered by"), std::string::npos) << text;
  EXPECT_NE(text.find("bundle identifier com.example.platformtest is already used by"), std::string::npos) << text;
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.platformtest")), original);

  // A missing entry symbol is found at the first open: the host gets an error, not a crash,
  // and the component is not offered again.
  std::string noSymbol = MakeBundle(
      "NoSymbol", Plist("com.example.nosymbol", "NoSymbol", ComponentEntry("aufx", "NSym", "Missing_Entry") +
                                                              ComponentEntry("aufx", "Hidn", "TestComponent_Hidden")),
      "NoSymbol");
  ASSERT_EQ(RegisterComponentBundle(noSymbol.c_str(), &count), noErr);
  EXPECT_EQ(count, 2u);
  for (OSType subtype : {0x4e53796dU /* 'NSym' */, 0x4869646eU /* 'Hidn' */}) {
    ComponentDescription looking = Describe(kEffect, subtype, kExample);
    Component c = FindNextComponent(nullptr, &looking);
    ASSERT_NE(c, nullptr);
    ComponentInstance ci = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenAComponent(c, &ci), unresolvedComponentDLLErr);
    text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ci, nullptr);
    EXPECT_NE(text.find("not found in the executable"), std::string::npos) << text;
    EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
  }

  // A file that is not a loadable executable fails at the first open the same way.
  std::string broken = MakeBundle("Broken", Plist("com.example.broken", "Broken", ComponentEntry("aufx", "Brkn", "TestComponent_Entry")));
  WriteFile(broken + "/Contents/MacOS/Broken", "not an ELF file");
  ASSERT_EQ(RegisterComponentBundle(broken.c_str(), &count), noErr);
  ComponentDescription looking = Describe(kEffect, 0x42726b6e /* 'Brkn' */, kExample);
  ComponentInstance ci = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(OpenAComponent(FindNextComponent(nullptr, &looking), &ci), unresolvedComponentDLLErr);
  text = testing::internal::GetCapturedStderr();
  EXPECT_NE(text.find("cannot load the executable"), std::string::npos) << text;
}

TEST(ComponentRegistry, NullComponentsAndOutPointersGiveThePlatformErrors) {
  ComponentInstance ci = nullptr;
  EXPECT_EQ(OpenAComponent(nullptr, &ci), invalidComponentID);
  EXPECT_EQ(OpenComponent(nullptr), nullptr);
  EXPECT_EQ(GetComponentInfo(nullptr, nullptr, nullptr, nullptr, nullptr), invalidComponentID);
  EXPECT_EQ(CountComponentInstances(nullptr), 0);
  EXPECT_EQ(CloseComponent(nullptr), static_cast<OSErr>(badComponentInstance));
  EXPECT_EQ(UnregisterComponent(nullptr), invalidComponentID);
  EXPECT_EQ(GetComponentInstanceStorage(nullptr), nullptr);
  AudioComponentInstance unit = nullptr;
  EXPECT_EQ(AudioComponentInstanceNew(nullptr, &unit), invalidComponentID);
  EXPECT_EQ(AudioComponentInstanceDispose(nullptr), badComponentInstance);
  AudioComponentDescription d;
  EXPECT_EQ(AudioComponentGetDescription(nullptr, &d), invalidComponentID);
  EXPECT_EQ(AudioComponentInstanceGetComponent(nullptr), nullptr);
  Component c = RegisteredTestComponent();
  EXPECT_EQ(OpenAComponent(c, nullptr), paramErr);
  EXPECT_EQ(AudioComponentGetDescription(reinterpret_cast<AudioComponent>(c), nullptr), paramErr);
  EXPECT_EQ(CallComponentDispatch(nullptr), paramErr);
  EXPECT_EQ(CallComponentCanDo(nullptr, 1), badComponentInstance);
}

}  // namespace

namespace {

// Hosts may open, call and close instances on several threads at once.
TEST(RegistryConcurrency, InstancesOpenCallAndCloseOnSeveralThreads) {
  Component c = RegisteredTestComponent();
  ASSERT_NE(c, nullptr);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        ComponentInstance ci = nullptr;
        if (OpenAComponent(c, &ci) != noErr) {
          ++failures;
          continue;
        }
        Float32 value = static_cast<Float32>(t);
        if (AudioUnitSetParameter(ci, 1, 0, 0, value, 0) != noErr) ++failures;
        Float32 back = -1;
        if (AudioUnitGetParameter(ci, 1, 0, 0, &back) != noErr || back != value) ++failures;
        ComponentDescription looking = Describe(kEffect, 0, kExample);
        if (CountComponents(&looking) < 2) ++failures;
        RegisterComponentBundle(TEST_BUNDLE_PATH, nullptr);
        if (CloseComponent(ci) != noErr) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(CountComponentInstances(c), 0);

  // Two threads closing one instance: the component's Close runs once, one caller is refused.
  for (int round = 0; round < 20; ++round) {
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(c, &ci), noErr);
    std::atomic<int> closes{0};
    auto* state = reinterpret_cast<TestComponentState*>(GetComponentInstanceStorage(ci));
    state->mOnClose = [](TestComponentState*, void* context) { ++*static_cast<std::atomic<int>*>(context); };
    state->mCloseContext = &closes;
    std::atomic<int> accepted{0};
    std::thread first([&] { accepted += CloseComponent(ci) == noErr; });
    std::thread second([&] { accepted += CloseComponent(ci) == noErr; });
    first.join();
    second.join();
    EXPECT_EQ(accepted.load(), 1);
    EXPECT_EQ(closes.load(), 1);
  }
  EXPECT_EQ(CountComponentInstances(c), 0);
}

}  // namespace
