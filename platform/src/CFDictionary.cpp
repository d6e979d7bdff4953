// CFDictionary and CFMutableDictionary: entries kept in insertion order with their hashes.
#include "platform/src/CFInternal.h"

#include <vector>

namespace {

const void* RetainType(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseType(CFAllocatorRef, const void* value) { CFRelease(value); }
Boolean EqualType(const void* a, const void* b) { return CFEqual(a, b); }
CFHashCode HashType(const void* value) { return CFHash(value); }

const void* CopyStringKey(CFAllocatorRef allocator, const void* value) {
  if (value && CFGetTypeID(value) == CFStringGetTypeID()) {
    return CFStringCreateCopy(allocator, static_cast<CFStringRef>(value));
  }
  return CFRetain(value);
}

}  // namespace

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0, RetainType, ReleaseType, CFCopyDescription,
                                                                EqualType, HashType};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {0, CopyStringKey, ReleaseType,
                                                                      CFCopyDescription, EqualType, HashType};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, RetainType, ReleaseType, CFCopyDescription,
                                                                    EqualType};

struct __CFDictionary : cf::Object {
  struct Entry {
    const void* key;
    const void* value;
    CFHashCode hash;
  };
  std::vector<Entry> mEntries;
  CFDictionaryKeyCallBacks mKeys{};
  CFDictionaryValueCallBacks mValues{};
  bool mMutable = false;
  CFIndex mCapacity = 0;

  __CFDictionary() : Object(cf::kTypeDictionary) {}
  ~__CFDictionary() override {
    for (const Entry& entry : mEntries) ReleaseEntry(entry);
  }

  CFHashCode HashKey(const void* key) const {
    return mKeys.hash ? mKeys.hash(key) : reinterpret_cast<CFHashCode>(key);
  }
  bool KeysEqual(const void* a, const void* b) const { return a == b || (mKeys.equal && mKeys.equal(a, b)); }
  bool ValuesEqual(const void* a, const void* b) const { return a == b || (mValues.equal && mValues.equal(a, b)); }

  // Index of the entry with an equal key, or -1.
  long Find(const void* key) const {
    const CFHashCode hash = HashKey(key);
    for (size_t i = 0; i < mEntries.size(); ++i) {
      if (mEntries[i].hash == hash && KeysEqual(mEntries[i].key, key)) return static_cast<long>(i);
    }
    return -1;
  }
  const void* RetainKey(const void* key) const { return mKeys.retain ? mKeys.retain(mAllocator, key) : key; }
  const void* RetainValue(const void* value) const {
    return mValues.retain ? mValues.retain(mAllocator, value) : value;
  }
  void ReleaseEntry(const Entry& entry) const {
    if (mKeys.release) mKeys.release(mAllocator, entry.key);
    if (mValues.release) mValues.release(mAllocator, entry.value);
  }
  void Insert(const void* key, const void* value) {
    const void* storedKey = RetainKey(key);
    mEntries.push_back(Entry{storedKey, RetainValue(value), HashKey(storedKey)});
  }
  void Replace(size_t index, const void* value) {
    const void* old = mEntries[index].value;
    mEntries[index].value = RetainValue(value);
    if (mValues.release) mValues.release(mAllocator, old);
  }

  bool Equal(const Object* other) const override {
    const auto* o = static_cast<const __CFDictionary*>(other);
    if (mEntries.size() != o->mEntries.size()) return false;
    for (const Entry& entry : mEntries) {
      long index = o->Find(entry.key);
      if (index < 0 || !ValuesEqual(entry.value, o->mEntries[static_cast<size_t>(index)].value)) return false;
    }
    return true;
  }
  CFHashCode Hash() const override { return mEntries.size(); }
  std::string Describe() const override {
    std::string text = "{\n";
    for (const Entry& entry : mEntries) {
      text += "    " + cf::Indent(cf::DescribeItem(mKeys.copyDescription, entry.key)) + " = " +
              cf::Indent(cf::DescribeItem(mValues.copyDescription, entry.value)) + ";\n";
    }
    return text + "}";
  }
};

namespace {

const __CFDictionary* AsDictionary(CFTypeRef cf, const char* caller) {
  return cf::As<__CFDictionary>(cf, cf::kTypeDictionary, caller);
}

__CFDictionary* AsMutableDictionary(CFTypeRef cf, const char* caller) {
  __CFDictionary* dict = cf::As<__CFDictionary>(cf, cf::kTypeDictionary, caller);
  if (dict && !dict->mMutable) {
    cf::Report("%s: the dictionary is immutable", caller);
    return nullptr;
  }
  return dict;
}

__CFDictionary* NewDictionary(CFAllocatorRef allocator, const CFDictionaryKeyCallBacks* keys,
                              const CFDictionaryValueCallBacks* values, bool isMutable, CFIndex capacity) {
  auto* dict = cf::Create<__CFDictionary>(allocator);
  if (!dict) return nullptr;
  if (keys) dict->mKeys = *keys;
  if (values) dict->mValues = *values;
  dict->mMutable = isMutable;
  dict->mCapacity = capacity > 0 ? capacity : 0;
  return dict;
}

bool HasRoom(const __CFDictionary* dict, const char* caller) {
  if (dict->mCapacity > 0 && dict->mEntries.size() >= static_cast<size_t>(dict->mCapacity)) {
    cf::Report("%s: the dictionary is full (capacity %ld)", caller, dict->mCapacity);
    return false;
  }
  return true;
}

__CFDictionary* CopyOf(CFAllocatorRef allocator, const __CFDictionary* source, bool isMutable, CFIndex capacity) {
  __CFDictionary* dict = NewDictionary(allocator, &source->mKeys, &source->mValues, isMutable, capacity);
  if (!dict) return nullptr;
  for (const auto& entry : source->mEntries) dict->Insert(entry.key, entry.value);
  return dict;
}

}  // namespace

CFTypeID CFDictionaryGetTypeID(void) { return cf::kTypeDictionary; }

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
  if (numValues < 0 || ((!keys || !values) && numValues > 0)) {
    cf::Report("CFDictionaryCreate: bad key or value list");
    return nullptr;
  }
  __CFDictionary* dict = NewDictionary(allocator, keyCallBacks, valueCallBacks, false, 0);
  if (!dict) return nullptr;
  for (CFIndex i = 0; i < numValues; ++i) {
    long index = dict->Find(keys[i]);
    if (index >= 0) dict->Replace(static_cast<size_t>(index), values[i]);
    else dict->Insert(keys[i], values[i]);
  }
  return dict;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict) {
  const __CFDictionary* source = AsDictionary(theDict, "CFDictionaryCreateCopy");
  return source ? CopyOf(allocator, source, false, 0) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  return NewDictionary(allocator, keyCallBacks, valueCallBacks, true, capacity);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity,
                                                     CFDictionaryRef theDict) {
  const __CFDictionary* source = AsDictionary(theDict, "CFDictionaryCreateMutableCopy");
  if (!source) return nullptr;
  if (capacity > 0 && static_cast<size_t>(capacity) < source->mEntries.size()) {
    cf::Report("CFDictionaryCreateMutableCopy: capacity smaller than the dictionary");
    return nullptr;
  }
  return CopyOf(allocator, source, true, capacity);
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
  const __CFDictionary* dict = AsDictionary(theDict, "CFDictionaryGetCount");
  return dict ? static_cast<CFIndex>(dict->mEntries.size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key, const void** value) {
  const __CFDictionary* dict = AsDictionary(theDict, "CFDictionaryGetValueIfPresent");
  if (!dict) return false;
  long index = dict->Find(key);
  if (index < 0) return false;
  if (value) *value = dict->mEntries[static_cast<size_t>(index)].value;
  return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
  const void* value = nullptr;
  return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
  return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

Boolean CFDictionaryContainsValue(CFDictionaryRef theDict, const void* value) {
  const __CFDictionary* dict = AsDictionary(theDict, "CFDictionaryContainsValue");
  if (!dict) return false;
  for (const auto& entry : dict->mEntries) {
    if (dict->ValuesEqual(entry.value, value)) return true;
  }
  return false;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
  const __CFDictionary* dict = AsDictionary(theDict, "CFDictionaryGetKeysAndValues");
  if (!dict) return;
  for (size_t i = 0; i < dict->mEntries.size(); ++i) {
    if (keys) keys[i] = dict->mEntries[i].key;
    if (values) values[i] = dict->mEntries[i].value;
  }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier, void* context) {
  const __CFDictionary* dict = AsDictionary(theDict, "CFDictionaryApplyFunction");
  if (!dict || !applier) return;
  for (const auto& entry : dict->mEntries) applier(entry.key, entry.value, context);
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  __CFDictionary* dict = AsMutableDictionary(theDict, "CFDictionaryAddValue");
  if (!dict || dict->Find(key) >= 0 || !HasRoom(dict, "CFDictionaryAddValue")) return;
  dict->Insert(key, value);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  __CFDictionary* dict = AsMutableDictionary(theDict, "CFDictionaryReplaceValue");
  if (!dict) return;
  long index = dict->Find(key);
  if (index >= 0) dict->Replace(static_cast<size_t>(index), value);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  __CFDictionary* dict = AsMutableDictionary(theDict, "CFDictionarySetValue");
  if (!dict) return;
  long index = dict->Find(key);
  if (index >= 0) {
    dict->Replace(static_cast<size_t>(index), value);
  } else if (HasRoom(dict, "CFDictionarySetValue")) {
    dict->Insert(key, value);
  }
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
  __CFDictionary* dict = AsMutableDictionary(theDict, "CFDictionaryRemoveValue");
  if (!dict) return;
  long index = dict->Find(key);
  if (index < 0) return;
  auto entry = dict->mEntries[static_cast<size_t>(index)];
  dict->mEntries.erase(dict->mEntries.begin() + index);
  dict->ReleaseEntry(entry);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
  __CFDictionary* dict = AsMutableDictionary(theDict, "CFDictionaryRemoveAllValues");
  if (!dict) return;
  std::vector<__CFDictionary::Entry> old;
  old.swap(dict->mEntries);
  for (const auto& entry : old) dict->ReleaseEntry(entry);
}
