// CFArray and CFMutableArray.
#include "platform/src/CFInternal.h"

#include <vector>

namespace {

const void* RetainType(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseType(CFAllocatorRef, const void* value) { CFRelease(value); }
Boolean EqualType(const void* a, const void* b) { return CFEqual(a, b); }

}  // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainType, ReleaseType, CFCopyDescription, EqualType};

struct __CFArray : cf::Object {
  std::vector<const void*> mValues;
  CFArrayCallBacks mCallBacks{};
  bool mMutable = false;
  CFIndex mCapacity = 0;  // 0: unlimited

  __CFArray() : Object(cf::kTypeArray) {}
  ~__CFArray() override {
    if (mCallBacks.release) {
      for (const void* value : mValues) mCallBacks.release(mAllocator, value);
    }
  }

  const void* Retained(const void* value) const {
    return mCallBacks.retain ? mCallBacks.retain(mAllocator, value) : value;
  }
  void Release(const void* value) const {
    if (mCallBacks.release) mCallBacks.release(mAllocator, value);
  }
  bool ValuesEqual(const void* a, const void* b) const {
    if (a == b) return true;
    return mCallBacks.equal && mCallBacks.equal(a, b);
  }
  std::string DescribeValue(const void* value) const {
    return cf::DescribeItem(mCallBacks.copyDescription, value);
  }

  bool Equal(const Object* other) const override {
    const auto* o = static_cast<const __CFArray*>(other);
    if (mValues.size() != o->mValues.size()) return false;
    for (size_t i = 0; i < mValues.size(); ++i) {
      if (!ValuesEqual(mValues[i], o->mValues[i])) return false;
    }
    return true;
  }
  CFHashCode Hash() const override { return mValues.size(); }
  std::string Describe() const override {
    if (mValues.empty()) return "(\n)";
    std::string text = "(\n";
    for (size_t i = 0; i < mValues.size(); ++i) {
      text += "    " + cf::Indent(DescribeValue(mValues[i]));
      text += i + 1 < mValues.size() ? ",\n" : "\n";
    }
    return text + ")";
  }
};

namespace {

const __CFArray* AsArray(CFTypeRef cf, const char* caller) { return cf::As<__CFArray>(cf, cf::kTypeArray, caller); }

__CFArray* AsMutableArray(CFTypeRef cf, const char* caller) {
  __CFArray* array = cf::As<__CFArray>(cf, cf::kTypeArray, caller);
  if (array && !array->mMutable) {
    cf::Report("%s: the array is immutable", caller);
    return nullptr;
  }
  return array;
}

__CFArray* NewArray(CFAllocatorRef allocator, const CFArrayCallBacks* callBacks, bool isMutable, CFIndex capacity) {
  auto* array = cf::Create<__CFArray>(allocator);
  if (!array) return nullptr;
  if (callBacks) array->mCallBacks = *callBacks;
  array->mMutable = isMutable;
  array->mCapacity = capacity > 0 ? capacity : 0;
  return array;
}

bool ValidRange(const __CFArray* array, CFRange range, const char* caller) {
  if (range.location < 0 || range.length < 0 ||
      static_cast<size_t>(range.location) + static_cast<size_t>(range.length) > array->mValues.size()) {
    cf::Report("%s: range {%ld, %ld} out of bounds (count %zu)", caller, range.location, range.length,
               array->mValues.size());
    return false;
  }
  return true;
}

bool HasRoom(const __CFArray* array, size_t extra, const char* caller) {
  if (array->mCapacity > 0 && array->mValues.size() + extra > static_cast<size_t>(array->mCapacity)) {
    cf::Report("%s: the array is full (capacity %ld)", caller, array->mCapacity);
    return false;
  }
  return true;
}

}  // namespace

CFTypeID CFArrayGetTypeID(void) { return cf::kTypeArray; }

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
  if (numValues < 0 || (!values && numValues > 0)) {
    cf::Report("CFArrayCreate: bad value list");
    return nullptr;
  }
  __CFArray* array = NewArray(allocator, callBacks, false, 0);
  if (!array) return nullptr;
  array->mValues.reserve(static_cast<size_t>(numValues));
  for (CFIndex i = 0; i < numValues; ++i) array->mValues.push_back(array->Retained(values[i]));
  return array;
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef allocator, CFArrayRef theArray) {
  const __CFArray* source = AsArray(theArray, "CFArrayCreateCopy");
  if (!source) return nullptr;
  __CFArray* array = NewArray(allocator, &source->mCallBacks, false, 0);
  if (!array) return nullptr;
  for (const void* value : source->mValues) array->mValues.push_back(array->Retained(value));
  return array;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks) {
  return NewArray(allocator, callBacks, true, capacity);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFArrayRef theArray) {
  const __CFArray* source = AsArray(theArray, "CFArrayCreateMutableCopy");
  if (!source) return nullptr;
  if (capacity > 0 && static_cast<size_t>(capacity) < source->mValues.size()) {
    cf::Report("CFArrayCreateMutableCopy: capacity smaller than the array");
    return nullptr;
  }
  __CFArray* array = NewArray(allocator, &source->mCallBacks, true, capacity);
  if (!array) return nullptr;
  for (const void* value : source->mValues) array->mValues.push_back(array->Retained(value));
  return array;
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
  const __CFArray* array = AsArray(theArray, "CFArrayGetCount");
  return array ? static_cast<CFIndex>(array->mValues.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
  const __CFArray* array = AsArray(theArray, "CFArrayGetValueAtIndex");
  if (!array) return nullptr;
  if (idx < 0 || static_cast<size_t>(idx) >= array->mValues.size()) {
    cf::Report("CFArrayGetValueAtIndex: index %ld out of bounds (count %zu)", idx, array->mValues.size());
    return nullptr;
  }
  return array->mValues[static_cast<size_t>(idx)];
}

void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values) {
  const __CFArray* array = AsArray(theArray, "CFArrayGetValues");
  if (!array || !values || !ValidRange(array, range, "CFArrayGetValues")) return;
  for (CFIndex i = 0; i < range.length; ++i) values[i] = array->mValues[static_cast<size_t>(range.location + i)];
}

CFIndex CFArrayGetCountOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* array = AsArray(theArray, "CFArrayGetCountOfValue");
  if (!array || !ValidRange(array, range, "CFArrayGetCountOfValue")) return 0;
  CFIndex count = 0;
  for (CFIndex i = range.location; i < range.location + range.length; ++i) {
    if (array->ValuesEqual(array->mValues[static_cast<size_t>(i)], value)) ++count;
  }
  return count;
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* array = AsArray(theArray, "CFArrayGetFirstIndexOfValue");
  if (!array || !ValidRange(array, range, "CFArrayGetFirstIndexOfValue")) return kCFNotFound;
  for (CFIndex i = range.location; i < range.location + range.length; ++i) {
    if (array->ValuesEqual(array->mValues[static_cast<size_t>(i)], value)) return i;
  }
  return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
  return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier, void* context) {
  const __CFArray* array = AsArray(theArray, "CFArrayApplyFunction");
  if (!array || !applier || !ValidRange(array, range, "CFArrayApplyFunction")) return;
  for (CFIndex i = range.location; i < range.location + range.length; ++i) {
    applier(array->mValues[static_cast<size_t>(i)], context);
  }
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayAppendValue");
  if (!array || !HasRoom(array, 1, "CFArrayAppendValue")) return;
  array->mValues.push_back(array->Retained(value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayInsertValueAtIndex");
  if (!array) return;
  if (idx < 0 || static_cast<size_t>(idx) > array->mValues.size()) {
    cf::Report("CFArrayInsertValueAtIndex: index %ld out of bounds", idx);
    return;
  }
  if (!HasRoom(array, 1, "CFArrayInsertValueAtIndex")) return;
  array->mValues.insert(array->mValues.begin() + idx, array->Retained(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* array = AsMutableArray(theArray, "CFArraySetValueAtIndex");
  if (!array) return;
  if (idx >= 0 && static_cast<size_t>(idx) == array->mValues.size()) {
    CFArrayAppendValue(theArray, value);
    return;
  }
  if (idx < 0 || static_cast<size_t>(idx) > array->mValues.size()) {
    cf::Report("CFArraySetValueAtIndex: index %ld out of bounds", idx);
    return;
  }
  const void* old = array->mValues[static_cast<size_t>(idx)];
  array->mValues[static_cast<size_t>(idx)] = array->Retained(value);
  array->Release(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayRemoveValueAtIndex");
  if (!array) return;
  if (idx < 0 || static_cast<size_t>(idx) >= array->mValues.size()) {
    cf::Report("CFArrayRemoveValueAtIndex: index %ld out of bounds", idx);
    return;
  }
  const void* old = array->mValues[static_cast<size_t>(idx)];
  array->mValues.erase(array->mValues.begin() + idx);
  array->Release(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayRemoveAllValues");
  if (!array) return;
  std::vector<const void*> old;
  old.swap(array->mValues);
  for (const void* value : old) array->Release(value);
}

void CFArrayAppendArray(CFMutableArrayRef theArray, CFArrayRef otherArray, CFRange otherRange) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayAppendArray");
  const __CFArray* other = AsArray(otherArray, "CFArrayAppendArray");
  if (!array || !other || !ValidRange(other, otherRange, "CFArrayAppendArray")) return;
  if (!HasRoom(array, static_cast<size_t>(otherRange.length), "CFArrayAppendArray")) return;
  std::vector<const void*> values(other->mValues.begin() + otherRange.location,
                                  other->mValues.begin() + otherRange.location + otherRange.length);
  for (const void* value : values) array->mValues.push_back(array->Retained(value));
}

void CFArrayExchangeValuesAtIndices(CFMutableArrayRef theArray, CFIndex idx1, CFIndex idx2) {
  __CFArray* array = AsMutableArray(theArray, "CFArrayExchangeValuesAtIndices");
  if (!array) return;
  const CFIndex count = static_cast<CFIndex>(array->mValues.size());
  if (idx1 < 0 || idx2 < 0 || idx1 >= count || idx2 >= count) {
    cf::Report("CFArrayExchangeValuesAtIndices: index out of bounds");
    return;
  }
  std::swap(array->mValues[static_cast<size_t>(idx1)], array->mValues[static_cast<size_t>(idx2)]);
}
