// CoreFoundation objects: reference counting through collections, callbacks, strings,
// formatting, numbers, data, allocators and property lists.
#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Text(CFStringRef s) {
  if (!s) return "<null>";
  char buffer[1024];
  return CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<too long>";
}

CFStringRef Str(const char* text) { return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8); }

TEST(CFObjects, CollectionsRetainOnInsertAndReleaseExactlyOnce) {
  CFStringRef value = Str("value");
  CFStringRef key = Str("key");
  ASSERT_EQ(CFGetRetainCount(value), 1);

  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(array, value);
  CFArrayAppendValue(array, value);
  EXPECT_EQ(CFGetRetainCount(value), 3);

  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(dict, key, value);
  EXPECT_EQ(CFGetRetainCount(value), 4);
  EXPECT_EQ(CFGetRetainCount(key), 2);
  // Setting the same key again replaces: the old value is released once, the new retained.
  CFDictionarySetValue(dict, key, value);
  EXPECT_EQ(CFGetRetainCount(value), 4);

  CFArrayRemoveValueAtIndex(array, 0);
  EXPECT_EQ(CFGetRetainCount(value), 3);
  CFRelease(array);
  EXPECT_EQ(CFGetRetainCount(value), 2);
  CFDictionaryRemoveValue(dict, key);
  EXPECT_EQ(CFGetRetainCount(value), 1);
  EXPECT_EQ(CFGetRetainCount(key), 1);
  CFRelease(dict);
  EXPECT_EQ(CFGetRetainCount(value), 1);

  // A copy holds its own references.
  const void* values[] = {value, key};
  CFArrayRef fixed = CFArrayCreate(nullptr, values, 2, &kCFTypeArrayCallBacks);
  CFArrayRef copy = CFArrayCreateCopy(nullptr, fixed);
  EXPECT_EQ(CFGetRetainCount(value), 3);
  EXPECT_TRUE(CFEqual(fixed, copy));
  CFRelease(fixed);
  CFRelease(copy);
  EXPECT_EQ(CFGetRetainCount(value), 1);
  CFRelease(value);
  CFRelease(key);
}

struct Record {
  int number;
  int refs;
};

struct CallbackCounts {
  int retains = 0;
  int releases = 0;
  int descriptions = 0;
  int equals = 0;
  CFAllocatorRef allocatorSeen = nullptr;
} gCounts;

const void* RetainRecord(CFAllocatorRef allocator, const void* value) {
  ++gCounts.retains;
  gCounts.allocatorSeen = allocator;
  ++const_cast<Record*>(static_cast<const Record*>(value))->refs;
  return value;
}
void ReleaseRecord(CFAllocatorRef, const void* value) {
  ++gCounts.releases;
  --const_cast<Record*>(static_cast<const Record*>(value))->refs;
}
CFStringRef DescribeRecord(const void* value) {
  ++gCounts.descriptions;
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("record %d"), static_cast<const Record*>(value)->number);
}
Boolean EqualRecords(const void* a, const void* b) {
  ++gCounts.equals;
  return static_cast<const Record*>(a)->number == static_cast<const Record*>(b)->number;
}

TEST(CFObjects, CustomArrayCallbacksAreCalledTheRightNumberOfTimes) {
  gCounts = CallbackCounts();
  const CFArrayCallBacks callbacks = {0, RetainRecord, ReleaseRecord, DescribeRecord, EqualRecords};
  Record a{1, 1}, b{2, 1}, c{3, 1}, twinOfB{2, 1};
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorSystemDefault, 0, &callbacks);
  CFArrayAppendValue(array, &a);
  CFArrayAppendValue(array, &b);
  CFArrayAppendValue(array, &c);
  EXPECT_EQ(gCounts.retains, 3);
  EXPECT_EQ(gCounts.allocatorSeen, kCFAllocatorSystemDefault);
  EXPECT_EQ(b.refs, 2);

  // Lookup compares with the equal callback: a different record with the same number matches.
  EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, CFRangeMake(0, 3), &twinOfB), 1);
  EXPECT_GE(gCounts.equals, 1);

  CFStringRef description = CFCopyDescription(array);
  EXPECT_EQ(gCounts.descriptions, 3);
  EXPECT_EQ(Text(description), "(\n    record 1,\n    record 2,\n    record 3\n)");
  CFRelease(description);

  // Replacing releases the old value once and retains the new one.
  CFArraySetValueAtIndex(array, 0, &twinOfB);
  EXPECT_EQ(a.refs, 1);
  EXPECT_EQ(twinOfB.refs, 2);
  EXPECT_EQ(gCounts.retains, 4);
  EXPECT_EQ(gCounts.releases, 1);

  CFRelease(array);
  EXPECT_EQ(gCounts.releases, gCounts.retains);
  EXPECT_EQ(a.refs + b.refs + c.refs + twinOfB.refs, 4);
}

TEST(CFObjects, DictionaryFindsValuesByEqualStringKeys) {
  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 version = 0x00010001;
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &version);
  CFStringRef key = Str("version");
  CFDictionarySetValue(dict, key, number);
  CFRelease(key);
  CFRelease(number);

  // A constant string and a freshly made one both find the entry.
  EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("version")), number);
  CFStringRef again = Str("version");
  EXPECT_TRUE(CFDictionaryContainsKey(dict, again));
  CFRelease(again);
  EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("Version")), nullptr);

  // Add only when absent, Replace only when present.
  CFDictionaryAddValue(dict, CFSTR("version"), kCFBooleanTrue);
  EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("version")), number);
  CFDictionaryReplaceValue(dict, CFSTR("missing"), kCFBooleanTrue);
  EXPECT_EQ(CFDictionaryGetCount(dict), 1);
  CFDictionaryReplaceValue(dict, CFSTR("version"), kCFBooleanFalse);
  EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("version")), kCFBooleanFalse);

  // Copying string keys: a mutable key changed afterwards does not move the entry.
  CFMutableDictionaryRef copying = CFDictionaryCreateMutable(nullptr, 0, &kCFCopyStringDictionaryKeyCallBacks,
                                                             &kCFTypeDictionaryValueCallBacks);
  CFMutableStringRef mutableKey = CFStringCreateMutable(nullptr, 0);
  CFStringAppendCString(mutableKey, "name", kCFStringEncodingUTF8);
  CFDictionarySetValue(copying, mutableKey, kCFBooleanTrue);
  CFStringAppendCString(mutableKey, "-changed", kCFStringEncodingUTF8);
  EXPECT_EQ(CFDictionaryGetValue(copying, CFSTR("name")), kCFBooleanTrue);
  EXPECT_EQ(CFGetRetainCount(mutableKey), 1);
  CFRelease(mutableKey);
  CFRelease(copying);
  CFRelease(dict);
}

TEST(CFObjects, StringsConvertBetweenEncodingsAndCompare) {
  // "Grüße €" and a character outside the basic plane (two UTF-16 units).
  const char* text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC\xF0\x9D\x84\x9E";
  CFStringRef s = Str(text);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CFStringGetLength(s), 9);
  EXPECT_EQ(CFStringGetCharacterAtIndex(s, 2), 0x00FC);
  EXPECT_EQ(Text(s), text);
  EXPECT_STREQ(CFStringGetCStringPtr(s, kCFStringEncodingUTF8), text);
  char small[8];
  EXPECT_FALSE(CFStringGetCString(s, small, sizeof small, kCFStringEncodingUTF8));
  EXPECT_STREQ(small, "");
  char latin[32];
  EXPECT_FALSE(CFStringGetCString(s, latin, sizeof latin, kCFStringEncodingASCII));
  CFRelease(s);

  EXPECT_EQ(CFStringCreateWithCString(nullptr, "bad \xC3\x28", kCFStringEncodingUTF8), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC0\xAF", kCFStringEncodingUTF8), nullptr);  // overlong '/'
  CFStringRef latin1 = CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingISOLatin1);
  EXPECT_EQ(Text(latin1), "caf\xC3\xA9");
  CFRelease(latin1);

  CFStringRef lower = Str("knob"), upper = Str("KNOB"), k9 = Str("knob9"), k10 = Str("knob10");
  EXPECT_EQ(CFStringCompare(lower, upper, 0), kCFCompareGreaterThan);
  EXPECT_EQ(CFStringCompare(lower, upper, kCFCompareCaseInsensitive), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(k9, k10, 0), kCFCompareGreaterThan);
  EXPECT_EQ(CFStringCompare(k9, k10, kCFCompareNumerically), kCFCompareLessThan);
  EXPECT_TRUE(CFStringHasPrefix(k10, lower));
  EXPECT_FALSE(CFStringHasSuffix(lower, k10));
  EXPECT_TRUE(CFEqual(lower, CFSTR("knob")));
  EXPECT_EQ(CFHash(lower), CFHash(CFSTR("knob")));
  CFRelease(lower);
  CFRelease(upper);
  CFRelease(k9);
  CFRelease(k10);

  CFStringRef number = Str("  -6.5dB");
  EXPECT_EQ(CFStringGetIntValue(number), -6);
  EXPECT_DOUBLE_EQ(CFStringGetDoubleValue(number), -6.5);
  CFRelease(number);
  EXPECT_EQ(CFSTR("same"), CFSTR("same"));
  EXPECT_EQ(CFGetRetainCount(CFSTR("same")), LONG_MAX);
}

TEST(CFObjects, FormatStringsExpandObjectsAndPrintfConversions) {
  CFStringRef name = Str("Init");
  CFStringRef preset =
      CFStringCreateWithFormat(nullptr, nullptr, CFSTR("AUPreset:\npreset number = %d\npreset name = %@"), 3, name);
  EXPECT_EQ(Text(preset), "AUPreset:\npreset number = 3\npreset name = Init");
  CFRelease(preset);

  SInt32 seven = 7;
  Float64 half = 0.5;
  CFNumberRef n7 = CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven);
  CFNumberRef nHalf = CFNumberCreate(nullptr, kCFNumberFloat64Type, &half);
  CFStringRef mixed = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("[%@|%@|%@|%s|%5.2f|%-3d|%x|%lld|%%|%@]"), n7,
                                               nHalf, kCFBooleanTrue, "v1.0.1", 3.14159, 42, 255, -5LL,
                                               static_cast<CFTypeRef>(nullptr));
  EXPECT_EQ(Text(mixed), "[7|0.5|true|v1.0.1| 3.14|42 |ff|-5|%|(null)]");
  CFRelease(mixed);

  const void* items[] = {name, n7};
  CFArrayRef array = CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks);
  CFStringRef listed = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@"), array);
  EXPECT_EQ(Text(listed), "(\n    Init,\n    7\n)");
  CFRelease(listed);
  CFRelease(array);
  CFRelease(n7);
  CFRelease(nHalf);
  CFRelease(name);
}

TEST(CFObjects, NumbersConvertAndReportLoss) {
  SInt64 big = 5000000000LL;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
  SInt32 narrow = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &narrow));
  Float64 wide = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat64Type, &wide));
  EXPECT_EQ(wide, 5e9);
  EXPECT_EQ(CFNumberGetType(n), kCFNumberSInt64Type);
  CFRelease(n);

  Float64 value = -1.75;
  CFNumberRef f = CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
  EXPECT_FALSE(CFNumberGetValue(f, kCFNumberSInt32Type, &narrow));
  EXPECT_EQ(narrow, -1);  // truncation toward zero
  Float32 single = 0;
  EXPECT_TRUE(CFNumberGetValue(f, kCFNumberFloat32Type, &single));
  EXPECT_EQ(single, -1.75f);
  EXPECT_TRUE(CFNumberIsFloatType(f));
  CFRelease(f);

  Float64 huge = 1e300;
  CFNumberRef h = CFNumberCreate(nullptr, kCFNumberFloat64Type, &huge);
  EXPECT_FALSE(CFNumberGetValue(h, kCFNumberSInt32Type, &narrow));
  EXPECT_EQ(narrow, INT32_MAX);
  CFRelease(h);

  SInt32 three = 3;
  Float32 threeF = 3.0f;
  CFNumberRef i3 = CFNumberCreate(nullptr, kCFNumberSInt32Type, &three);
  CFNumberRef f3 = CFNumberCreate(nullptr, kCFNumberFloat32Type, &threeF);
  EXPECT_TRUE(CFEqual(i3, f3));
  EXPECT_EQ(CFHash(i3), CFHash(f3));
  EXPECT_EQ(CFNumberCompare(i3, f3, nullptr), kCFCompareEqualTo);
  CFRelease(i3);
  CFRelease(f3);
  EXPECT_EQ(CFNumberCreate(nullptr, 99, &three), nullptr);
  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  EXPECT_NE(CFGetTypeID(kCFBooleanTrue), CFNumberGetTypeID());
}

TEST(CFObjects, DataCopiesAndGrows) {
  const UInt8 bytes[] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
  CFDataRef data = CFDataCreate(nullptr, bytes, 5);
  EXPECT_EQ(CFDataGetLength(data), 5);
  EXPECT_EQ(memcmp(CFDataGetBytePtr(data), bytes, 5), 0);
  CFStringRef description = CFCopyDescription(data);
  EXPECT_EQ(Text(description), "<0a0b0c0d 0e>");
  CFRelease(description);

  CFMutableDataRef grow = CFDataCreateMutableCopy(nullptr, 0, data);
  CFDataAppendBytes(grow, CFDataGetBytePtr(grow), CFDataGetLength(grow));  // its own bytes
  EXPECT_EQ(CFDataGetLength(grow), 10);
  EXPECT_EQ(CFDataGetBytePtr(grow)[9], 0x0E);
  CFDataSetLength(grow, 12);
  EXPECT_EQ(CFDataGetBytePtr(grow)[11], 0);
  EXPECT_FALSE(CFEqual(grow, data));
  CFDataSetLength(grow, 5);
  EXPECT_TRUE(CFEqual(grow, data));
  CFRelease(grow);

  CFDataRef empty = CFDataCreate(nullptr, nullptr, 0);
  EXPECT_EQ(CFDataGetLength(empty), 0);
  EXPECT_NE(CFDataGetBytePtr(empty), nullptr);
  CFRelease(empty);
  CFRelease(data);
}

struct AllocatorLog {
  int allocations = 0;
  int deallocations = 0;
  int releases = 0;
};

void* CountingAllocate(CFIndex size, CFOptionFlags, void* info) {
  ++static_cast<AllocatorLog*>(info)->allocations;
  return malloc(static_cast<size_t>(size));
}
void CountingDeallocate(void* ptr, void* info) {
  ++static_cast<AllocatorLog*>(info)->deallocations;
  free(ptr);
}
void CountingRelease(const void* info) { ++static_cast<AllocatorLog*>(const_cast<void*>(info))->releases; }

TEST(CFObjects, ObjectsAllocateWithAndRememberTheirAllocator) {
  AllocatorLog log;
  CFAllocatorContext context = {0, &log, nullptr, CountingRelease, nullptr, CountingAllocate, nullptr,
                                CountingDeallocate, nullptr};
  CFAllocatorRef allocator = CFAllocatorCreate(nullptr, &context);
  ASSERT_NE(allocator, nullptr);

  CFStringRef s = CFStringCreateWithCString(allocator, "owned", kCFStringEncodingUTF8);
  EXPECT_EQ(log.allocations, 1);
  EXPECT_EQ(CFGetAllocator(s), allocator);
  EXPECT_EQ(CFGetRetainCount(allocator), 2);  // the string keeps its allocator
  void* block = CFAllocatorAllocate(allocator, 16, 0);
  EXPECT_EQ(log.allocations, 2);
  CFAllocatorDeallocate(allocator, block);
  EXPECT_EQ(log.deallocations, 1);

  CFRelease(s);
  EXPECT_EQ(log.deallocations, 2);
  CFRelease(allocator);
  EXPECT_EQ(log.releases, 1);  // the context's info is released with the allocator

  // An allocator whose own record comes from its context is freed through it as well.
  AllocatorLog selfLog;
  context.info = &selfLog;
  CFAllocatorRef selfHosted = CFAllocatorCreate(kCFAllocatorUseContext, &context);
  ASSERT_NE(selfHosted, nullptr);
  EXPECT_EQ(selfLog.allocations, 1);
  CFRelease(selfHosted);
  EXPECT_EQ(selfLog.deallocations, 1);
  EXPECT_EQ(selfLog.releases, 1);

  EXPECT_EQ(CFAllocatorAllocate(kCFAllocatorNull, 16, 0), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorNull, "none", kCFStringEncodingUTF8), nullptr);
}

TEST(CFObjects, MisuseIsRefusedWithAMessage) {
  testing::internal::CaptureStderr();
  CFRelease(nullptr);
  const void* one[] = {kCFBooleanTrue};
  CFArrayRef fixed = CFArrayCreate(nullptr, one, 1, &kCFTypeArrayCallBacks);
  EXPECT_EQ(CFArrayGetValueAtIndex(fixed, 1), nullptr);
  CFArrayAppendValue(const_cast<CFMutableArrayRef>(fixed), kCFBooleanFalse);
  EXPECT_EQ(CFArrayGetCount(fixed), 1);
  long notAnObject[4] = {};  // some other record passed by mistake
  EXPECT_EQ(CFRetain(notAnObject), nullptr);
  std::string messages = testing::internal::GetCapturedStderr();
  CFRelease(fixed);
  EXPECT_NE(messages.find("CFRelease: NULL object"), std::string::npos);
  EXPECT_NE(messages.find("CFArrayGetValueAtIndex: index 1 out of bounds"), std::string::npos);
  EXPECT_NE(messages.find("the array is immutable"), std::string::npos);
  EXPECT_NE(messages.find("is not a CoreFoundation object"), std::string::npos);
}

TEST(CFObjects, PropertyListsRoundTripInBothFormats) {
  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 type = 0x61756678, negative = -12;
  Float64 real = 0.25;
  const UInt8 chunk[] = {1, 2, 3, 0, 255};
  CFNumberRef nType = CFNumberCreate(nullptr, kCFNumberSInt32Type, &type);
  CFNumberRef nNegative = CFNumberCreate(nullptr, kCFNumberSInt32Type, &negative);
  CFNumberRef nReal = CFNumberCreate(nullptr, kCFNumberFloat64Type, &real);
  CFDataRef data = CFDataCreate(nullptr, chunk, sizeof chunk);
  const void* items[] = {CFSTR("a"), kCFBooleanFalse};
  CFArrayRef array = CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks);
  CFDictionarySetValue(dict, CFSTR("type"), nType);
  CFDictionarySetValue(dict, CFSTR("offset"), nNegative);
  CFDictionarySetValue(dict, CFSTR("gain"), nReal);
  CFDictionarySetValue(dict, CFSTR("data"), data);
  CFDictionarySetValue(dict, CFSTR("name"), CFSTR("Caf\xC3\xA9 <&>"));
  CFDictionarySetValue(dict, CFSTR("list"), array);

  for (CFPropertyListFormat format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
    CFDataRef bytes = CFPropertyListCreateData(nullptr, dict, format, 0, nullptr);
    ASSERT_NE(bytes, nullptr);
    CFPropertyListFormat seen = 0;
    CFPropertyListRef back = CFPropertyListCreateWithData(nullptr, bytes, kCFPropertyListImmutable, &seen, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(seen, format);
    EXPECT_TRUE(CFEqual(back, dict)) << Text(CFCopyDescription(back));
    CFRelease(back);
    CFRelease(bytes);
  }
  // Objects outside the property-list types are refused, not half-written.
  CFMutableDictionaryRef bad = CFDictionaryCreateMutableCopy(nullptr, 0, dict);
  CFURLRef url = CFURLCreateWithString(nullptr, CFSTR("http://example.com/"), nullptr);
  CFDictionarySetValue(bad, CFSTR("url"), url);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, bad, kCFPropertyListXMLFormat_v1_0, 0, nullptr), nullptr);
  EXPECT_FALSE(CFPropertyListIsValid(bad, kCFPropertyListXMLFormat_v1_0));
  CFDataRef garbage = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("not a plist"), 11);
  EXPECT_EQ(CFPropertyListCreateWithData(nullptr, garbage, 0, nullptr, nullptr), nullptr);
  CFRelease(garbage);
  CFRelease(url);
  CFRelease(bad);
  CFRelease(array);
  CFRelease(data);
  CFRelease(nReal);
  CFRelease(nNegative);
  CFRelease(nType);
  CFRelease(dict);
}

TEST(CFObjects, DamagedPropertyListsAreRefusedOrReadWhole) {
  CFMutableDictionaryRef dict =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 value = 1234;
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &value);
  const UInt8 chunk[] = {9, 8, 7};
  CFDataRef data = CFDataCreate(nullptr, chunk, 3);
  const void* items[] = {number, data, CFSTR("text")};
  CFArrayRef array = CFArrayCreate(nullptr, items, 3, &kCFTypeArrayCallBacks);
  CFDictionarySetValue(dict, CFSTR("version"), number);
  CFDictionarySetValue(dict, CFSTR("list"), array);
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  int readBack = 0;
  for (CFPropertyListFormat format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
    CFDataRef good = CFPropertyListCreateData(nullptr, dict, format, 0, nullptr);
    ASSERT_NE(good, nullptr);
    for (int round = 0; round < 300; ++round) {
      CFMutableDataRef bad = CFDataCreateMutableCopy(nullptr, 0, good);
      UInt8* bytes = CFDataGetMutableBytePtr(bad);
      const CFIndex length = CFDataGetLength(bad);
      for (int flips = 1 + next() % 4; flips > 0; --flips) bytes[next() % length] = static_cast<UInt8>(next() >> 8);
      if (round % 3 == 0) CFDataSetLength(bad, static_cast<CFIndex>(next() % length));  // also cut short
      CFPropertyListRef result = CFPropertyListCreateWithData(nullptr, bad, 0, nullptr, nullptr);
      if (result) {
        ++readBack;
        CFStringRef description = CFCopyDescription(result);  // walks the whole object
        EXPECT_NE(description, nullptr);
        if (description) CFRelease(description);
        CFRelease(result);
      }
      CFRelease(bad);
    }
    CFRelease(good);
  }
  EXPECT_LT(readBack, 600);  // most damaged inputs are refused
  CFRelease(array);
  CFRelease(data);
  CFRelease(number);
  CFRelease(dict);
}

TEST(CFConcurrency, RetainAndReleaseFromManyThreadsKeepTheCount) {
  CFStringRef shared = Str("shared");
  CFMutableArrayRef arrays[4];
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      arrays[t] = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
      for (int i = 0; i < 2000; ++i) {
        CFRetain(shared);
        CFArrayAppendValue(arrays[t], shared);
        CFRelease(shared);
      }
      CFArrayRemoveAllValues(arrays[t]);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(CFGetRetainCount(shared), 1);
  for (CFMutableArrayRef array : arrays) CFRelease(array);
  CFRelease(shared);
}

}  // namespace
