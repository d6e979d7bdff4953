// Reference counting, type queries and allocators of the CoreFoundation stand-in.
#include "platform/src/CFInternal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------
struct __CFAllocator : cf::Object {
  enum Kind { kHeap, kNull, kCustom };
  Kind mKind;
  CFAllocatorContext mContext{};

  explicit __CFAllocator(Kind kind) : Object(cf::kTypeAllocator), mKind(kind) {}
  __CFAllocator(const CFAllocatorContext& context) : Object(cf::kTypeAllocator), mKind(kCustom), mContext(context) {
    if (mContext.retain) mContext.info = const_cast<void*>(mContext.retain(mContext.info));
  }
  ~__CFAllocator() override {
    if (mKind == kCustom && mContext.release) mContext.release(mContext.info);
  }
  std::string Describe() const override {
    switch (mKind) {
      case kHeap: return "<CFAllocator system default>";
      case kNull: return "<CFAllocator null>";
      default: return "<CFAllocator custom>";
    }
  }
};

namespace {

__CFAllocator* BuiltIn(__CFAllocator::Kind kind) {
  // Built-in allocators live in static storage and are never freed.
  auto* allocator = new __CFAllocator(kind);
  allocator->mImmortal = true;
  allocator->mAllocator = allocator;
  return allocator;
}

__CFAllocator* SystemAllocator() {
  static __CFAllocator* const sSystem = BuiltIn(__CFAllocator::kHeap);
  return sSystem;
}

__CFAllocator* NullAllocator() {
  static __CFAllocator* const sNull = BuiltIn(__CFAllocator::kNull);
  return sNull;
}

// Stands for "allocate with the context being created" in CFAllocatorCreate.
__CFAllocator* UseContextMarker() {
  static __CFAllocator* const sMarker = BuiltIn(__CFAllocator::kHeap);
  return sMarker;
}

}  // namespace

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = SystemAllocator();
const CFAllocatorRef kCFAllocatorMalloc = SystemAllocator();
const CFAllocatorRef kCFAllocatorNull = NullAllocator();
const CFAllocatorRef kCFAllocatorUseContext = UseContextMarker();

namespace cf {

void ReportLine(const char* origin, size_t limit, const char* format, va_list args) {
  char message[1024];
  vsnprintf(message, limit < sizeof message ? limit : sizeof message, format, args);
  fprintf(stderr, "%s: %s\n", origin, message);
}

void Report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  ReportLine("CoreFoundation", 512, format, args);
  va_end(args);
}

std::string Object::Describe() const {
  char text[64];
  snprintf(text, sizeof text, "<CFType %p [type %lu]>", static_cast<const void*>(this), mType);
  return text;
}

const Object* Checked(CFTypeRef cf, const char* caller) {
  if (!cf) {
    Report("%s: NULL object", caller);
    return nullptr;
  }
  // The magic is read as raw bytes: cf may point at something that is not an object at all.
  static const size_t kMagicOffset = [] {
    struct Probe : Object {
      Probe() : Object(0) {}
    } probe;
    return static_cast<size_t>(reinterpret_cast<const char*>(&probe.mMagic) - reinterpret_cast<const char*>(&probe));
  }();
  UInt32 magic;
  memcpy(&magic, static_cast<const char*>(cf) + kMagicOffset, sizeof magic);
  if (magic != kObjectMagic) {
    Report("%s: %p is not a CoreFoundation object", caller, cf);
    return nullptr;
  }
  return static_cast<const Object*>(cf);
}

CFAllocatorRef Resolve(CFAllocatorRef allocator) {
  if (allocator == nullptr || allocator == kCFAllocatorUseContext) return SystemAllocator();
  return allocator;
}

CFHashCode HashBytes(const void* bytes, size_t length, CFHashCode seed) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  CFHashCode hash = seed;
  for (size_t i = 0; i < length; ++i) {
    hash ^= p[i];
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::string DescribeObject(CFTypeRef cf) {
  if (!cf) return "(null)";
  const Object* object = Checked(cf, "CFCopyDescription");
  return object ? object->Describe() : "(invalid)";
}

std::string Indent(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\n') out += "    ";
  }
  return out;
}

}  // namespace cf

// ---------------------------------------------------------------------------------------
CFTypeID CFAllocatorGetTypeID(void) { return cf::kTypeAllocator; }

CFAllocatorRef CFAllocatorGetDefault(void) { return SystemAllocator(); }

CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator, CFAllocatorContext* context) {
  if (!context || !context->allocate) {
    cf::Report("CFAllocatorCreate: a context with an allocate function is required");
    return nullptr;
  }
  if (allocator == kCFAllocatorUseContext) {
    // The allocator's own record comes from the context it describes.
    void* memory = context->allocate(sizeof(__CFAllocator), 0, context->info);
    if (!memory) return nullptr;
    auto* created = new (memory) __CFAllocator(*context);
    created->mAllocator = created;  // frees itself through its own context
    return created;
  }
  return cf::Create<__CFAllocator>(allocator, *context);
}

void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint) {
  if (size <= 0) return nullptr;
  auto* a = const_cast<__CFAllocator*>(static_cast<const __CFAllocator*>(cf::Resolve(allocator)));
  switch (a->mKind) {
    case __CFAllocator::kHeap: return malloc(static_cast<size_t>(size));
    case __CFAllocator::kNull: return nullptr;
    default: return a->mContext.allocate(size, hint, a->mContext.info);
  }
}

void* CFAllocatorReallocate(CFAllocatorRef allocator, void* ptr, CFIndex newsize, CFOptionFlags hint) {
  auto* a = const_cast<__CFAllocator*>(static_cast<const __CFAllocator*>(cf::Resolve(allocator)));
  if (!ptr) return newsize > 0 ? CFAllocatorAllocate(allocator, newsize, hint) : nullptr;
  if (newsize <= 0) {
    CFAllocatorDeallocate(allocator, ptr);
    return nullptr;
  }
  switch (a->mKind) {
    case __CFAllocator::kHeap: return realloc(ptr, static_cast<size_t>(newsize));
    case __CFAllocator::kNull: return nullptr;
    default:
      return a->mContext.reallocate ? a->mContext.reallocate(ptr, newsize, hint, a->mContext.info) : nullptr;
  }
}

void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr) {
  if (!ptr) return;
  auto* a = const_cast<__CFAllocator*>(static_cast<const __CFAllocator*>(cf::Resolve(allocator)));
  switch (a->mKind) {
    case __CFAllocator::kHeap: free(ptr); break;
    case __CFAllocator::kNull: break;
    default:
      if (a->mContext.deallocate) a->mContext.deallocate(ptr, a->mContext.info);
      break;
  }
}

CFIndex CFAllocatorGetPreferredSizeForSize(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint) {
  auto* a = static_cast<const __CFAllocator*>(cf::Resolve(allocator));
  if (a->mKind == __CFAllocator::kCustom && a->mContext.preferredSize) {
    return a->mContext.preferredSize(size, hint, a->mContext.info);
  }
  return size;
}

void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context) {
  if (!context) return;
  auto* a = static_cast<const __CFAllocator*>(cf::Resolve(allocator));
  if (a->mKind == __CFAllocator::kCustom) {
    *context = a->mContext;
  } else {
    *context = CFAllocatorContext{};
  }
}

// ---------------------------------------------------------------------------------------
CFTypeRef CFRetain(CFTypeRef cf) {
  const cf::Object* object = cf::Checked(cf, "CFRetain");
  if (!object) return nullptr;
  if (!object->mImmortal) const_cast<cf::Object*>(object)->mRefs.fetch_add(1, std::memory_order_relaxed);
  return cf;
}

void CFRelease(CFTypeRef cf) {
  const cf::Object* checked = cf::Checked(cf, "CFRelease");
  if (!checked || checked->mImmortal) return;
  auto* object = const_cast<cf::Object*>(checked);
  CFIndex before = object->mRefs.fetch_sub(1, std::memory_order_acq_rel);
  if (before > 1) return;
  if (before < 1) {
    cf::Report("CFRelease: %p released more often than retained", cf);
    return;
  }
  CFAllocatorRef allocator = object->mAllocator;
  object->mMagic = 0;  // a later use of this pointer is reported rather than trusted
  if (allocator == static_cast<CFAllocatorRef>(static_cast<const void*>(object))) {
    // An allocator living in memory from its own context: free the record through the
    // context first, then let the context's info go.
    auto* self = static_cast<__CFAllocator*>(object);
    CFAllocatorContext context = self->mContext;
    self->mContext.release = nullptr;
    object->~Object();
    if (context.deallocate) context.deallocate(object, context.info);
    if (context.release) context.release(context.info);
    return;
  }
  object->~Object();
  CFAllocatorDeallocate(allocator, object);
  CFRelease(allocator);
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
  const cf::Object* object = cf::Checked(cf, "CFGetRetainCount");
  if (!object) return 0;
  return object->mImmortal ? LONG_MAX : object->mRefs.load(std::memory_order_relaxed);
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  const cf::Object* object = cf::Checked(cf, "CFGetTypeID");
  return object ? object->mType : 0;
}

CFStringRef CFCopyTypeIDDescription(CFTypeID typeID) {
  const char* name = "CFType";
  switch (typeID) {
    case cf::kTypeAllocator: name = "CFAllocator"; break;
    case cf::kTypeString: name = "CFString"; break;
    case cf::kTypeBoolean: name = "CFBoolean"; break;
    case cf::kTypeNumber: name = "CFNumber"; break;
    case cf::kTypeData: name = "CFData"; break;
    case cf::kTypeArray: name = "CFArray"; break;
    case cf::kTypeDictionary: name = "CFDictionary"; break;
    case cf::kTypeURL: name = "CFURL"; break;
    case cf::kTypeBundle: name = "CFBundle"; break;
    case cf::kTypeRunLoop: name = "CFRunLoop"; break;
    default: break;
  }
  return CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
  if (cf1 == cf2 && cf1) return true;
  const cf::Object* a = cf::Checked(cf1, "CFEqual");
  const cf::Object* b = cf::Checked(cf2, "CFEqual");
  if (!a || !b || a->mType != b->mType) return false;
  return a->Equal(b);
}

CFHashCode CFHash(CFTypeRef cf) {
  const cf::Object* object = cf::Checked(cf, "CFHash");
  return object ? object->Hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
  if (!cf::Checked(cf, "CFCopyDescription")) return nullptr;
  return cf::NewString(cf::DescribeObject(cf));
}

CFAllocatorRef CFGetAllocator(CFTypeRef cf) {
  const cf::Object* object = cf::Checked(cf, "CFGetAllocator");
  return object ? object->mAllocator : nullptr;
}

void CFShow(CFTypeRef obj) {
  std::string text = cf::DescribeObject(obj);
  fprintf(stderr, "%s\n", text.c_str());
}
