// CFNumber, CFBoolean and CFData.
#include "platform/src/CFInternal.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

// ---------------------------------------------------------------------------------------
struct __CFBoolean : cf::Object {
  bool mValue;
  explicit __CFBoolean(bool value) : Object(cf::kTypeBoolean), mValue(value) {}
  bool Equal(const Object* other) const override { return mValue == static_cast<const __CFBoolean*>(other)->mValue; }
  CFHashCode Hash() const override { return mValue ? 1 : 0; }
  std::string Describe() const override { return mValue ? "true" : "false"; }
};

namespace {

__CFBoolean* MakeBoolean(bool value) {
  auto* object = new __CFBoolean(value);  // process-lifetime constant
  object->mImmortal = true;
  object->mAllocator = kCFAllocatorSystemDefault;
  return object;
}

}  // namespace

const CFBooleanRef kCFBooleanTrue = MakeBoolean(true);
const CFBooleanRef kCFBooleanFalse = MakeBoolean(false);

CFTypeID CFBooleanGetTypeID(void) { return cf::kTypeBoolean; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
  const auto* b = cf::As<__CFBoolean>(boolean, cf::kTypeBoolean, "CFBooleanGetValue");
  return b && b->mValue;
}

// ---------------------------------------------------------------------------------------
namespace {

struct TypeInfo {
  bool valid;
  bool isFloat;
  int bytes;
  bool isSigned;
};

TypeInfo Info(CFNumberType type) {
  switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType: return {true, false, 1, true};
    case kCFNumberSInt16Type:
    case kCFNumberShortType: return {true, false, 2, true};
    case kCFNumberSInt32Type:
    case kCFNumberIntType: return {true, false, 4, true};
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType: return {true, false, 8, true};
    case kCFNumberFloat32Type:
    case kCFNumberFloatType: return {true, true, 4, true};
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType: return {true, true, 8, true};
    default: return {false, false, 0, false};
  }
}

constexpr double kTwo63 = 9223372036854775808.0;

}  // namespace

struct __CFNumber : cf::Object {
  CFNumberType mNumberType;
  bool mIsFloat;
  SInt64 mInt = 0;
  double mDouble = 0.0;

  __CFNumber(CFNumberType type, bool isFloat) : Object(cf::kTypeNumber), mNumberType(type), mIsFloat(isFloat) {}

  // The value as an integer when it is one exactly.
  bool ExactInteger(SInt64* out) const {
    if (!mIsFloat) {
      *out = mInt;
      return true;
    }
    if (std::isfinite(mDouble) && std::trunc(mDouble) == mDouble && mDouble >= -kTwo63 && mDouble < kTwo63) {
      *out = static_cast<SInt64>(mDouble);
      return true;
    }
    return false;
  }
  bool Equal(const Object* other) const override {
    const auto* o = static_cast<const __CFNumber*>(other);
    if (!mIsFloat && !o->mIsFloat) return mInt == o->mInt;
    if (mIsFloat && o->mIsFloat) return mDouble == o->mDouble || (std::isnan(mDouble) && std::isnan(o->mDouble));
    SInt64 a, b;
    return ExactInteger(&a) && o->ExactInteger(&b) && a == b;
  }
  CFHashCode Hash() const override {
    SInt64 integer;
    if (ExactInteger(&integer)) return static_cast<CFHashCode>(integer);
    return cf::HashBytes(&mDouble, sizeof mDouble);
  }
  std::string Describe() const override {
    char text[64];
    std::to_chars_result result;
    if (!mIsFloat) {
      result = std::to_chars(text, text + sizeof text, mInt);
    } else if (Info(mNumberType).bytes == 4) {
      result = std::to_chars(text, text + sizeof text, static_cast<float>(mDouble));
    } else {
      result = std::to_chars(text, text + sizeof text, mDouble);
    }
    return std::string(text, result.ptr);
  }
};

CFTypeID CFNumberGetTypeID(void) { return cf::kTypeNumber; }

CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr) {
  TypeInfo info = Info(theType);
  if (!info.valid || !valuePtr) {
    cf::Report("CFNumberCreate: %s", valuePtr ? "unknown number type" : "NULL value");
    return nullptr;
  }
  auto* number = cf::Create<__CFNumber>(allocator, theType, info.isFloat);
  if (!number) return nullptr;
  if (info.isFloat) {
    if (info.bytes == 4) {
      Float32 f;
      memcpy(&f, valuePtr, sizeof f);
      number->mDouble = f;
    } else {
      memcpy(&number->mDouble, valuePtr, sizeof(double));
    }
  } else {
    switch (info.bytes) {
      case 1: number->mInt = *static_cast<const SInt8*>(valuePtr); break;
      case 2: { SInt16 v; memcpy(&v, valuePtr, 2); number->mInt = v; break; }
      case 4: { SInt32 v; memcpy(&v, valuePtr, 4); number->mInt = v; break; }
      default: memcpy(&number->mInt, valuePtr, 8); break;
    }
  }
  return number;
}

CFNumberType CFNumberGetType(CFNumberRef number) {
  const auto* n = cf::As<__CFNumber>(number, cf::kTypeNumber, "CFNumberGetType");
  return n ? n->mNumberType : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
  const auto* n = cf::As<__CFNumber>(number, cf::kTypeNumber, "CFNumberGetByteSize");
  return n ? Info(n->mNumberType).bytes : 0;
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
  const auto* n = cf::As<__CFNumber>(number, cf::kTypeNumber, "CFNumberIsFloatType");
  return n && n->mIsFloat;
}

namespace {

template <typename T>
bool StoreInteger(const __CFNumber* n, void* out) {
  T value;
  bool exact;
  if (!n->mIsFloat) {
    value = static_cast<T>(n->mInt);
    exact = static_cast<SInt64>(value) == n->mInt;
  } else {
    double d = n->mDouble;
    if (std::isnan(d)) {
      value = 0;
    } else if (d <= static_cast<double>(std::numeric_limits<T>::min())) {
      value = std::numeric_limits<T>::min();
    } else if (d >= static_cast<double>(std::numeric_limits<T>::max())) {
      value = std::numeric_limits<T>::max();
    } else {
      value = static_cast<T>(d);  // truncation toward zero
    }
    exact = static_cast<double>(value) == d;
  }
  memcpy(out, &value, sizeof value);
  return exact;
}

}  // namespace

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const auto* n = cf::As<__CFNumber>(number, cf::kTypeNumber, "CFNumberGetValue");
  TypeInfo info = Info(theType);
  if (!n || !info.valid || !valuePtr) return false;
  if (info.isFloat) {
    double d = n->mIsFloat ? n->mDouble : static_cast<double>(n->mInt);
    bool exact = n->mIsFloat || (d < kTwo63 && d >= -kTwo63 && static_cast<SInt64>(d) == n->mInt);
    if (info.bytes == 4) {
      Float32 f = static_cast<Float32>(d);
      exact = exact && (static_cast<double>(f) == d || std::isnan(d));
      memcpy(valuePtr, &f, sizeof f);
    } else {
      memcpy(valuePtr, &d, sizeof d);
    }
    return exact;
  }
  switch (info.bytes) {
    case 1: return StoreInteger<SInt8>(n, valuePtr);
    case 2: return StoreInteger<SInt16>(n, valuePtr);
    case 4: return StoreInteger<SInt32>(n, valuePtr);
    default: return StoreInteger<SInt64>(n, valuePtr);
  }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
  const auto* a = cf::As<__CFNumber>(number, cf::kTypeNumber, "CFNumberCompare");
  const auto* b = cf::As<__CFNumber>(otherNumber, cf::kTypeNumber, "CFNumberCompare");
  if (!a || !b) return kCFCompareEqualTo;
  if (!a->mIsFloat && !b->mIsFloat) {
    return a->mInt < b->mInt ? kCFCompareLessThan : (a->mInt > b->mInt ? kCFCompareGreaterThan : kCFCompareEqualTo);
  }
  long double x = a->mIsFloat ? a->mDouble : static_cast<long double>(a->mInt);
  long double y = b->mIsFloat ? b->mDouble : static_cast<long double>(b->mInt);
  return x < y ? kCFCompareLessThan : (x > y ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

// ---------------------------------------------------------------------------------------
struct __CFData : cf::Object {
  std::vector<UInt8> mBytes;
  bool mMutable = false;
  CFIndex mCapacity = 0;  // 0: unlimited

  __CFData() : Object(cf::kTypeData) {}
  bool Equal(const Object* other) const override { return mBytes == static_cast<const __CFData*>(other)->mBytes; }
  CFHashCode Hash() const override { return cf::HashBytes(mBytes.data(), mBytes.size()); }
  std::string Describe() const override {
    static const char kHex[] = "0123456789abcdef";
    std::string text = "<";
    for (size_t i = 0; i < mBytes.size(); ++i) {
      if (i && i % 4 == 0) text += ' ';
      text += kHex[mBytes[i] >> 4];
      text += kHex[mBytes[i] & 15];
    }
    return text + ">";
  }
};

namespace {

__CFData* NewData(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length, bool isMutable, CFIndex capacity) {
  if (length < 0 || (!bytes && length > 0)) {
    cf::Report("CFData: bad byte range");
    return nullptr;
  }
  auto* data = cf::Create<__CFData>(allocator);
  if (!data) return nullptr;
  if (length > 0) data->mBytes.assign(bytes, bytes + length);
  data->mMutable = isMutable;
  data->mCapacity = capacity > 0 ? capacity : 0;
  return data;
}

__CFData* MutableData(CFTypeRef cf, const char* caller) {
  auto* data = cf::As<__CFData>(cf, cf::kTypeData, caller);
  if (data && !data->mMutable) {
    cf::Report("%s: the data object is immutable", caller);
    return nullptr;
  }
  return data;
}

bool FitsCapacity(const __CFData* data, CFIndex length, const char* caller) {
  if (data->mCapacity > 0 && length > data->mCapacity) {
    cf::Report("%s: length %ld exceeds the capacity %ld", caller, length, data->mCapacity);
    return false;
  }
  return true;
}

const UInt8 kEmpty[1] = {0};

}  // namespace

CFTypeID CFDataGetTypeID(void) { return cf::kTypeData; }

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length) {
  return NewData(allocator, bytes, length, false, 0);
}

CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData) {
  const auto* d = cf::As<__CFData>(theData, cf::kTypeData, "CFDataCreateCopy");
  if (!d) return nullptr;
  return NewData(allocator, d->mBytes.data(), static_cast<CFIndex>(d->mBytes.size()), false, 0);
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity) {
  return NewData(allocator, nullptr, 0, true, capacity);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDataRef theData) {
  const auto* d = cf::As<__CFData>(theData, cf::kTypeData, "CFDataCreateMutableCopy");
  if (!d) return nullptr;
  if (capacity > 0 && static_cast<size_t>(capacity) < d->mBytes.size()) {
    cf::Report("CFDataCreateMutableCopy: capacity smaller than the data");
    return nullptr;
  }
  return NewData(allocator, d->mBytes.data(), static_cast<CFIndex>(d->mBytes.size()), true, capacity);
}

CFIndex CFDataGetLength(CFDataRef theData) {
  const auto* d = cf::As<__CFData>(theData, cf::kTypeData, "CFDataGetLength");
  return d ? static_cast<CFIndex>(d->mBytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
  const auto* d = cf::As<__CFData>(theData, cf::kTypeData, "CFDataGetBytePtr");
  if (!d) return nullptr;
  return d->mBytes.empty() ? kEmpty : d->mBytes.data();
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
  __CFData* d = MutableData(theData, "CFDataGetMutableBytePtr");
  if (!d) return nullptr;
  return d->mBytes.empty() ? const_cast<UInt8*>(kEmpty) : d->mBytes.data();
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
  const auto* d = cf::As<__CFData>(theData, cf::kTypeData, "CFDataGetBytes");
  if (!d || !buffer) return;
  if (range.location < 0 || range.length < 0 ||
      static_cast<size_t>(range.location) + static_cast<size_t>(range.length) > d->mBytes.size()) {
    cf::Report("CFDataGetBytes: range out of bounds");
    return;
  }
  if (range.length > 0) memcpy(buffer, d->mBytes.data() + range.location, static_cast<size_t>(range.length));
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
  __CFData* d = MutableData(theData, "CFDataSetLength");
  if (!d || length < 0 || !FitsCapacity(d, length, "CFDataSetLength")) return;
  d->mBytes.resize(static_cast<size_t>(length), 0);
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
  __CFData* d = MutableData(theData, "CFDataAppendBytes");
  if (!d || length <= 0 || !bytes) return;
  if (!FitsCapacity(d, static_cast<CFIndex>(d->mBytes.size()) + length, "CFDataAppendBytes")) return;
  std::vector<UInt8> tail(bytes, bytes + length);  // bytes may point into this buffer
  d->mBytes.insert(d->mBytes.end(), tail.begin(), tail.end());
}
