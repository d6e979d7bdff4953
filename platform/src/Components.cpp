// The Component Manager and AudioComponent calls over the registry, and Memory Manager
// handles.
#include "platform/src/Registry.h"

#include "platform/src/CFInternal.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------
// Handles: a master pointer followed by the block size, so a Handle points at mPointer.
namespace {

constexpr UInt32 kHandleMagic = 0x48646c65;  // 'Hdle'

struct HandleRecord {
  char* mPointer;
  Size mSize;
  UInt32 mMagic;
};

thread_local OSErr tMemError = noErr;

HandleRecord* RecordOf(Handle h) {
  auto* record = reinterpret_cast<HandleRecord*>(h);
  return (record && record->mMagic == kHandleMagic) ? record : nullptr;
}

}  // namespace

Handle NewHandle(Size byteCount) {
  if (byteCount < 0) {
    tMemError = paramErr;
    return nullptr;
  }
  auto* record = static_cast<HandleRecord*>(malloc(sizeof(HandleRecord)));
  char* block = static_cast<char*>(malloc(byteCount > 0 ? static_cast<size_t>(byteCount) : 1));
  if (!record || !block) {
    free(record);
    free(block);
    tMemError = memFullErr;
    return nullptr;
  }
  record->mPointer = block;
  record->mSize = byteCount;
  record->mMagic = kHandleMagic;
  tMemError = noErr;
  return &record->mPointer;
}

Handle NewHandleClear(Size byteCount) {
  Handle h = NewHandle(byteCount);
  if (h && byteCount > 0) memset(*h, 0, static_cast<size_t>(byteCount));
  return h;
}

void DisposeHandle(Handle h) {
  HandleRecord* record = RecordOf(h);
  if (!record) {
    tMemError = h ? paramErr : nilHandleErr;
    return;
  }
  record->mMagic = 0;
  free(record->mPointer);
  free(record);
  tMemError = noErr;
}

Size GetHandleSize(Handle h) {
  HandleRecord* record = RecordOf(h);
  tMemError = record ? noErr : nilHandleErr;
  return record ? record->mSize : 0;
}

void SetHandleSize(Handle h, Size newSize) {
  HandleRecord* record = RecordOf(h);
  if (!record || newSize < 0) {
    tMemError = record ? paramErr : nilHandleErr;
    return;
  }
  char* block = static_cast<char*>(realloc(record->mPointer, newSize > 0 ? static_cast<size_t>(newSize) : 1));
  if (!block) {
    tMemError = memFullErr;
    return;
  }
  record->mPointer = block;
  record->mSize = newSize;
  tMemError = noErr;
}

OSErr MemError(void) { return tMemError; }

// ---------------------------------------------------------------------------------------
namespace {

using platform::Registry;

bool Matches(const ComponentRecord& c, const ComponentDescription* looking) {
  if (c.mFailed || c.mUnregistered) return false;
  if (!looking) return true;
  const ComponentDescription& d = c.mDescription;
  if (looking->componentType && looking->componentType != d.componentType) return false;
  if (looking->componentSubType && looking->componentSubType != d.componentSubType) return false;
  if (looking->componentManufacturer && looking->componentManufacturer != d.componentManufacturer) return false;
  return (d.componentFlags & looking->componentFlagsMask) ==
         (looking->componentFlags & looking->componentFlagsMask);
}

// Writes text as a Pascal string into a handle made by NewHandle.
void SetPascalString(Handle h, const std::string& text) {
  if (!h) return;
  size_t length = std::min<size_t>(text.size(), 255);
  SetHandleSize(h, static_cast<Size>(length + 1));
  if (MemError() != noErr) return;
  (*h)[0] = static_cast<char>(length);
  memcpy(*h + 1, text.data(), length);
}

std::string PascalString(Handle h) {
  if (!h || !*h || GetHandleSize(h) < 1) return std::string();
  size_t length = static_cast<unsigned char>((*h)[0]);
  length = std::min<size_t>(length, static_cast<size_t>(GetHandleSize(h) - 1));
  return std::string(*h + 1, length);
}

// The component behind a Component or an open ComponentInstance (as GetComponentInfo
// accepts either), or NULL.
ComponentRecord* ComponentOf(const void* pointer) {
  if (!pointer) return nullptr;
  // Both records start with their tag.
  static_assert(offsetof(ComponentRecord, mMagic) == 0 && offsetof(ComponentInstanceRecord, mMagic) == 0,
                "records start with their tag");
  UInt32 magic;
  memcpy(&magic, pointer, sizeof magic);
  if (magic == kComponentMagic) return const_cast<ComponentRecord*>(static_cast<const ComponentRecord*>(pointer));
  if (magic == kInstanceMagic) return static_cast<const ComponentInstanceRecord*>(pointer)->mComponent;
  return nullptr;
}

ComponentResult CallSelf(ComponentInstance ci, SInt16 what, long slot0, long slot1, UInt8 paramSize) {
  struct {
    UInt8 flags;
    UInt8 paramSize;
    SInt16 what;
    UInt32 padding;
    long params[2];
  } block = {0, paramSize, what, 0, {slot0, slot1}};
  return platform::Dispatch(ci, reinterpret_cast<ComponentParameters*>(&block));
}

long InstanceSlot(ComponentInstance ci) { return reinterpret_cast<long>(ci); }

}  // namespace

Component FindNextComponent(Component aComponent, ComponentDescription* looking) {
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  size_t start = 0;
  if (aComponent) {
    if (!Registry::IsComponent(aComponent)) return nullptr;
    for (size_t i = 0; i < registry.mComponents.size(); ++i) {
      if (registry.mComponents[i].get() == aComponent) start = i + 1;
    }
    if (start == 0) return nullptr;
  }
  for (size_t i = start; i < registry.mComponents.size(); ++i) {
    if (Matches(*registry.mComponents[i], looking)) return registry.mComponents[i].get();
  }
  return nullptr;
}

long CountComponents(ComponentDescription* looking) {
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  long count = 0;
  for (auto& component : registry.mComponents) {
    if (Matches(*component, looking)) ++count;
  }
  return count;
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName, Handle componentInfo,
                       Handle) {
  ComponentRecord* component = ComponentOf(aComponent);
  if (!component) return invalidComponentID;
  if (cd) *cd = component->mDescription;
  SetPascalString(componentName, component->mName);
  SetPascalString(componentInfo, component->mInfo);
  return noErr;
}

long CountComponentInstances(Component aComponent) {
  if (!Registry::IsComponent(aComponent)) return 0;
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  return aComponent->mInstances;
}

namespace {

// Open and Close with full 32-bit statuses (the classic calls return 16-bit OSErr).
OSStatus OpenInstance(Component aComponent, ComponentInstance* ci) {
  if (!ci) return paramErr;
  *ci = nullptr;
  if (!Registry::IsComponent(aComponent)) return invalidComponentID;
  Registry& registry = Registry::Get();
  ComponentInstanceRecord* instance;
  {
    std::lock_guard<std::recursive_mutex> lock(registry.mLock);
    if (aComponent->mUnregistered) return invalidComponentID;
    if (!aComponent->mEntry && !registry.Load(aComponent)) return unresolvedComponentDLLErr;
    registry.mInstances.push_back(std::make_unique<ComponentInstanceRecord>());
    instance = registry.mInstances.back().get();
    instance->mComponent = aComponent;
    instance->mEntry = aComponent->mEntry;
    ++aComponent->mInstances;
  }
  // The entry runs without the registry lock: it may open other components.
  ComponentResult result = CallSelf(instance, kComponentOpenSelect, InstanceSlot(instance), InstanceSlot(instance), 8);
  if (result != noErr) {
    std::lock_guard<std::recursive_mutex> lock(registry.mLock);
    instance->mMagic.store(kClosedInstanceMagic);
    --aComponent->mInstances;
    return result;
  }
  *ci = instance;
  return noErr;
}

OSStatus CloseInstance(ComponentInstance aComponentInstance) {
  if (!aComponentInstance) return badComponentInstance;
  // Only one of two racing closes gets past here; from now on the host calls refuse it.
  UInt32 open = kInstanceMagic;
  if (!aComponentInstance->mMagic.compare_exchange_strong(open, kClosedInstanceMagic)) {
    return badComponentInstance;
  }
  // Event-listener registrations for the unit go (its own listener list goes with it).
  platform::ForgetUnitListeners(aComponentInstance);
  ComponentResult result = CallSelf(aComponentInstance, kComponentCloseSelect, InstanceSlot(aComponentInstance),
                                    InstanceSlot(aComponentInstance), 8);
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  aComponentInstance->mStorage.store(nullptr, std::memory_order_release);
  --aComponentInstance->mComponent->mInstances;
  return result;
}

}  // namespace

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
  return static_cast<OSErr>(OpenInstance(aComponent, ci));
}

ComponentInstance OpenComponent(Component aComponent) {
  ComponentInstance ci = nullptr;
  OpenAComponent(aComponent, &ci);
  return ci;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
  return static_cast<OSErr>(CloseInstance(aComponentInstance));
}

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
  if (!platform::IsOpenInstance(aComponentInstance)) return nullptr;
  return aComponentInstance->mStorage.load(std::memory_order_acquire);
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
  if (!platform::IsOpenInstance(aComponentInstance)) {
    platform::ReportRegistry("SetComponentInstanceStorage: %p is not an open instance", static_cast<void*>(aComponentInstance));
    return;
  }
  aComponentInstance->mStorage.store(theStorage, std::memory_order_release);
}

ComponentResult CallComponentDispatch(ComponentParameters* cp) {
  if (!cp) return paramErr;
  if (cp->what < 0) return badComponentSelector;
  auto ci = reinterpret_cast<ComponentInstance>(cp->params[0]);
  if (!platform::IsOpenInstance(ci)) return badComponentInstance;
  return platform::Dispatch(ci, cp);
}

ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber) {
  if (!platform::IsOpenInstance(ci)) return badComponentInstance;
  return CallSelf(ci, kComponentCanDoSelect, ftnNumber, InstanceSlot(ci), 8);
}

ComponentResult CallComponentVersion(ComponentInstance ci) {
  if (!platform::IsOpenInstance(ci)) return badComponentInstance;
  return CallSelf(ci, kComponentVersionSelect, InstanceSlot(ci), InstanceSlot(ci), 8);
}

long ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber) {
  if (!platform::IsOpenInstance(ci)) return 0;
  return CallComponentCanDo(ci, ftnNumber);
}

long GetComponentVersion(ComponentInstance ci) {
  if (!platform::IsOpenInstance(ci)) return badComponentInstance;
  return CallComponentVersion(ci);
}

Component RegisterComponent(ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint, SInt16,
                            Handle componentName, Handle componentInfo, Handle) {
  if (!cd || !componentEntryPoint) return nullptr;
  auto component = std::make_unique<ComponentRecord>();
  component->mDescription = *cd;
  component->mDescription.componentFlagsMask = 0;
  component->mName = PascalString(componentName);
  component->mInfo = PascalString(componentInfo);
  component->mEntry = componentEntryPoint;
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  registry.mComponents.push_back(std::move(component));
  return registry.mComponents.back().get();
}

OSErr UnregisterComponent(Component aComponent) {
  if (!Registry::IsComponent(aComponent)) return invalidComponentID;
  Registry& registry = Registry::Get();
  std::lock_guard<std::recursive_mutex> lock(registry.mLock);
  if (aComponent->mUnregistered) return invalidComponentID;
  if (aComponent->mInstances > 0) return validInstancesExist;
  aComponent->mUnregistered = true;
  return noErr;
}

// ---------------------------------------------------------------------------------------
// AudioComponent: the same records under the modern names.
namespace {

Component AsComponent(AudioComponent c) { return reinterpret_cast<Component>(c); }
AudioComponent AsAudioComponent(Component c) { return reinterpret_cast<AudioComponent>(c); }

}  // namespace

AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc) {
  ComponentDescription looking;
  if (inDesc) memcpy(&looking, inDesc, sizeof looking);
  return AsAudioComponent(FindNextComponent(AsComponent(inComponent), inDesc ? &looking : nullptr));
}

UInt32 AudioComponentCount(const AudioComponentDescription* inDesc) {
  ComponentDescription looking;
  if (inDesc) memcpy(&looking, inDesc, sizeof looking);
  return static_cast<UInt32>(CountComponents(inDesc ? &looking : nullptr));
}

OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc) {
  if (!outDesc) return paramErr;
  Component c = AsComponent(inComponent);
  if (!Registry::IsComponent(c)) return invalidComponentID;
  memcpy(outDesc, &c->mDescription, sizeof *outDesc);
  return noErr;
}

OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName) {
  if (!outName) return paramErr;
  *outName = nullptr;
  Component c = AsComponent(inComponent);
  if (!Registry::IsComponent(c)) return invalidComponentID;
  *outName = CFStringCreateWithCString(nullptr, c->mName.c_str(), kCFStringEncodingUTF8);
  return *outName ? static_cast<OSStatus>(noErr) : static_cast<OSStatus>(coreFoundationUnknownErr);
}

OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion) {
  if (!outVersion) return paramErr;
  Component c = AsComponent(inComponent);
  if (!Registry::IsComponent(c)) return invalidComponentID;
  *outVersion = c->mVersion;
  return noErr;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance) {
  return OpenInstance(AsComponent(inComponent), outInstance);
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) { return CloseInstance(inInstance); }

AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance) {
  if (!platform::IsOpenInstance(inInstance)) return nullptr;
  return AsAudioComponent(inInstance->mComponent);
}

Boolean AudioComponentInstanceCanDo(AudioComponentInstance inInstance, SInt16 inSelectorID) {
  return ComponentFunctionImplemented(inInstance, inSelectorID) != 0;
}
