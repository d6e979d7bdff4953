// Internal runtime of the CoreFoundation stand-in: the common object header, type ids and
// helpers shared by the object implementations. Not installed; nothing outside src/ sees it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <climits>
#include <new>
#include <string>
#include <utility>

namespace cf {

// Type ids, stable for the life of the process (and across runs).
enum TypeID : CFTypeID {
  kTypeAllocator = 2,
  kTypeString = 7,
  kTypeBoolean = 21,
  kTypeNumber = 22,
  kTypeData = 20,
  kTypeArray = 19,
  kTypeDictionary = 18,
  kTypeURL = 29,
  kTypeBundle = 31,
  kTypeRunLoop = 43,
  kTypeColorSpace = 60,
  kTypeDataProvider = 61,
  kTypeImage = 62,
  kTypeContext = 63,
};

constexpr UInt32 kObjectMagic = 0x43466f62;  // 'CFob'

// Every CF object starts with this header. The allocator the object was created with is
// retained by the object and gives back its memory when the last reference goes.
struct Object {
  UInt32 mMagic = kObjectMagic;
  CFTypeID mType;
  std::atomic<CFIndex> mRefs{1};
  CFAllocatorRef mAllocator = nullptr;  // resolved, never NULL for heap objects
  bool mImmortal = false;

  explicit Object(CFTypeID type) : mType(type) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // Called only with another object of the same type.
  virtual bool Equal(const Object* other) const { return this == other; }
  virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this); }
  virtual std::string Describe() const;
};

// Writes "CoreFoundation: <message>" and a line feed to standard error.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes "<origin>: <message>" and a line feed to standard error in one call, the message
// formatted from `args` and cut to at most `limit` - 1 bytes (limit at most 1024).
void ReportLine(const char* origin, size_t limit, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// Checks that cf points at a live CF object; reports misuse on standard error.
const Object* Checked(CFTypeRef cf, const char* caller);

// Looks at cf as type T when it is an object of that type; reports misuse otherwise.
template <typename T>
T* As(CFTypeRef cf, CFTypeID type, const char* caller) {
  const Object* object = Checked(cf, caller);
  if (!object) return nullptr;
  if (object->mType != type) {
    Report("%s: object %p has the wrong type (%lu, expected %lu)", caller, cf, object->mType, type);
    return nullptr;
  }
  return static_cast<T*>(const_cast<Object*>(object));
}

CFAllocatorRef Resolve(CFAllocatorRef allocator);

// Creates an object of type T in memory from the allocator (NULL when it gives none).
template <typename T, typename... Args>
T* Create(CFAllocatorRef allocator, Args&&... args) {
  CFAllocatorRef resolved = Resolve(allocator);
  void* memory = CFAllocatorAllocate(resolved, sizeof(T), 0);
  if (!memory) return nullptr;
  T* object = new (memory) T(std::forward<Args>(args)...);
  object->mAllocator = static_cast<CFAllocatorRef>(CFRetain(resolved));
  return object;
}

// Marks a statically created object as never freed.
template <typename T>
T* MakeImmortal(T* object) {
  object->mImmortal = true;
  return object;
}

// UTF-8 text of a CF string ("" for NULL or non-strings).
std::string Utf8(CFStringRef string);
// A collection item's description: the text its copy-description callback makes, or its
// address when there is no callback (or the callback makes nothing).
std::string DescribeItem(CFStringRef (*describe)(const void*), const void* item);
// A new CFString from UTF-8 text (which must be valid).
CFStringRef NewString(const std::string& utf8);
// Description of any CF object as UTF-8 ("(null)" for NULL).
std::string DescribeObject(CFTypeRef cf);
// Indents every line after the first by four spaces (for nested descriptions).
std::string Indent(const std::string& text);

// Hash of a byte run (FNV-1a).
CFHashCode HashBytes(const void* bytes, size_t length, CFHashCode seed = 1469598103934665603ULL);

}  // namespace cf

namespace cf {

// Converts a libplist node (plist_t) into CF objects; NULL for unsupported node types.
// Dictionary entries and array items of unsupported types are left out.
CFPropertyListRef FromPlist(void* node, CFOptionFlags mutability);

}  // namespace cf
