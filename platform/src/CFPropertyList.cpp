// Property lists: CF objects to and from libplist nodes and their XML and binary forms.
#include "platform/src/CFInternal.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace cf {

CFPropertyListRef FromPlist(void* opaque, CFOptionFlags mutability) {
  plist_t node = static_cast<plist_t>(opaque);
  if (!node) return nullptr;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return value ? kCFBooleanTrue : kCFBooleanFalse;
    }
    case PLIST_UINT: {
      uint64_t value = 0;
      plist_get_uint_val(node, &value);
      SInt64 signedValue = static_cast<SInt64>(value);
      return CFNumberCreate(nullptr, kCFNumberSInt64Type, &signedValue);
    }
    case PLIST_REAL: {
      double value = 0.0;
      plist_get_real_val(node, &value);
      return CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
    }
    case PLIST_STRING: {
      char* value = nullptr;
      plist_get_string_val(node, &value);
      CFStringRef string = value ? CFStringCreateWithCString(nullptr, value, kCFStringEncodingUTF8) : nullptr;
      free(value);
      if (string && mutability == kCFPropertyListMutableContainersAndLeaves) {
        CFMutableStringRef copy = CFStringCreateMutableCopy(nullptr, 0, string);
        CFRelease(string);
        return copy;
      }
      return string;
    }
    case PLIST_DATA: {
      char* value = nullptr;
      uint64_t length = 0;
      plist_get_data_val(node, &value, &length);
      CFDataRef data = mutability == kCFPropertyListMutableContainersAndLeaves
                           ? nullptr
                           : CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(value), static_cast<CFIndex>(length));
      if (mutability == kCFPropertyListMutableContainersAndLeaves) {
        CFMutableDataRef mutableData = CFDataCreateMutable(nullptr, 0);
        CFDataAppendBytes(mutableData, reinterpret_cast<const UInt8*>(value), static_cast<CFIndex>(length));
        data = mutableData;
      }
      free(value);
      return data;
    }
    case PLIST_ARRAY: {
      CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
      const uint32_t count = plist_array_get_size(node);
      for (uint32_t i = 0; i < count; ++i) {
        CFPropertyListRef item = FromPlist(plist_array_get_item(node, i), mutability);
        if (!item) continue;
        CFArrayAppendValue(array, item);
        CFRelease(item);
      }
      if (mutability != kCFPropertyListImmutable) return array;
      CFArrayRef fixed = CFArrayCreateCopy(nullptr, array);
      CFRelease(array);
      return fixed;
    }
    case PLIST_DICT: {
      CFMutableDictionaryRef dict =
          CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(node, &iter);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!key) break;
        CFStringRef cfKey = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
        free(key);
        CFPropertyListRef cfValue = FromPlist(value, mutability);
        if (cfKey && cfValue) CFDictionarySetValue(dict, cfKey, cfValue);
        if (cfKey) CFRelease(cfKey);
        if (cfValue) CFRelease(cfValue);
      }
      free(iter);
      if (mutability != kCFPropertyListImmutable) return dict;
      CFDictionaryRef fixed = CFDictionaryCreateCopy(nullptr, dict);
      CFRelease(dict);
      return fixed;
    }
    default:
      return nullptr;  // dates, UIDs and keys have no CF counterpart here
  }
}

}  // namespace

namespace {

// A libplist node for a CF property list, or NULL when it holds anything else.
plist_t ToPlist(CFTypeRef cf, int depth = 0) {
  if (!cf || depth > 512) return nullptr;
  CFTypeID type = CFGetTypeID(cf);
  if (type == CFStringGetTypeID()) return plist_new_string(cf::Utf8(static_cast<CFStringRef>(cf)).c_str());
  if (type == CFBooleanGetTypeID()) return plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(cf)));
  if (type == CFNumberGetTypeID()) {
    auto number = static_cast<CFNumberRef>(cf);
    if (CFNumberIsFloatType(number)) {
      double value = 0.0;
      CFNumberGetValue(number, kCFNumberFloat64Type, &value);
      return plist_new_real(value);
    }
    SInt64 value = 0;
    CFNumberGetValue(number, kCFNumberSInt64Type, &value);
    return plist_new_uint(static_cast<uint64_t>(value));
  }
  if (type == CFDataGetTypeID()) {
    auto data = static_cast<CFDataRef>(cf);
    return plist_new_data(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                          static_cast<uint64_t>(CFDataGetLength(data)));
  }
  if (type == CFArrayGetTypeID()) {
    auto array = static_cast<CFArrayRef>(cf);
    plist_t node = plist_new_array();
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
      plist_t item = ToPlist(CFArrayGetValueAtIndex(array, i), depth + 1);
      if (!item) {
        plist_free(node);
        return nullptr;
      }
      plist_array_append_item(node, item);
    }
    return node;
  }
  if (type == CFDictionaryGetTypeID()) {
    auto dict = static_cast<CFDictionaryRef>(cf);
    CFIndex count = CFDictionaryGetCount(dict);
    std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
    plist_t node = plist_new_dict();
    for (CFIndex i = 0; i < count; ++i) {
      const void* key = keys[static_cast<size_t>(i)];
      plist_t value = ToPlist(values[static_cast<size_t>(i)], depth + 1);
      if (!key || CFGetTypeID(key) != CFStringGetTypeID() || !value) {
        if (value) plist_free(value);
        plist_free(node);
        return nullptr;
      }
      plist_dict_set_item(node, cf::Utf8(static_cast<CFStringRef>(key)).c_str(), value);
    }
    return node;
  }
  return nullptr;
}

}  // namespace

CFDataRef CFPropertyListCreateData(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                   CFPropertyListFormat format, CFOptionFlags, CFErrorRef* error) {
  if (error) *error = nullptr;
  if (format != kCFPropertyListXMLFormat_v1_0 && format != kCFPropertyListBinaryFormat_v1_0) return nullptr;
  plist_t node = ToPlist(propertyList);
  if (!node) return nullptr;
  char* bytes = nullptr;
  uint32_t length = 0;
  if (format == kCFPropertyListXMLFormat_v1_0) {
    plist_to_xml(node, &bytes, &length);
  } else {
    plist_to_bin(node, &bytes, &length);
  }
  plist_free(node);
  if (!bytes) return nullptr;
  CFDataRef data = CFDataCreate(allocator, reinterpret_cast<const UInt8*>(bytes), length);
  free(bytes);
  return data;
}

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data, CFOptionFlags options,
                                               CFPropertyListFormat* format, CFErrorRef* error) {
  if (error) *error = nullptr;
  if (!data || CFGetTypeID(data) != CFDataGetTypeID()) return nullptr;
  CFIndex length = CFDataGetLength(data);
  if (length <= 0 || length > 0x7FFFFFFF) return nullptr;
  const char* bytes = reinterpret_cast<const char*>(CFDataGetBytePtr(data));
  plist_t node = nullptr;
  plist_from_memory(bytes, static_cast<uint32_t>(length), &node);
  if (!node) return nullptr;
  if (format) {
    *format = (length >= 8 && memcmp(bytes, "bplist00", 8) == 0) ? kCFPropertyListBinaryFormat_v1_0
                                                                 : kCFPropertyListXMLFormat_v1_0;
  }
  CFPropertyListRef result = cf::FromPlist(node, options);
  plist_free(node);
  return result;
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
  if (format != kCFPropertyListXMLFormat_v1_0 && format != kCFPropertyListBinaryFormat_v1_0) return false;
  plist_t node = ToPlist(plist);
  if (!node) return false;
  plist_free(node);
  return true;
}
