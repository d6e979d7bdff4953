#pragma once
// CoreFoundation values built from fuzz bytes, and the same form written from values (for the
// seeds). A value is a tag byte (its kind is the tag modulo kNumTags) and a payload:
//
//   dictionary   count byte (modulo 17), then count pairs of key and value
//   array        count byte (modulo 17), then count values
//   string       length byte, then that many bytes of UTF-8 (read as Latin-1 when not UTF-8)
//   UTF-16       length byte, then that many 16-bit units (lone surrogates allowed)
//   data         16-bit length, then that many bytes
//   numbers      SInt8, SInt16, SInt32, SInt64, Float32, Float64: the value's bytes
//   boolean      one byte, true when odd
//
// A key is a byte whose kind (modulo 8) is one of the six class-info key names, 6 for a string
// key (length byte and bytes) or 7 for any value as key. Containers nest at most kMaxDepth
// deep; deeper ones are read empty. Counts stop early when the input ends.

#include "fuzz/FuzzInput.h"

#include <CoreFoundation/CoreFoundation.h>

namespace cfcodec
{
enum ETag : uint8_t
{
  kTagDictionary,
  kTagArray,
  kTagString,
  kTagUTF16,
  kTagData,
  kTagSInt8,
  kTagSInt16,
  kTagSInt32,
  kTagSInt64,
  kTagFloat32,
  kTagFloat64,
  kTagBoolean,
  kNumTags
};

constexpr int kMaxDepth = 4;
constexpr int kNumStateKeys = 6;
// The keys of the class-info dictionary, in the order their key bytes name them.
extern const char* const kStateKeys[kNumStateKeys];
constexpr uint8_t kKeyString = 6;
constexpr uint8_t kKeyValue = 7;

// A new value (owned by the caller); null only when the platform could not make one.
CFTypeRef ReadValue(FuzzInput& in, int depth = 0);
// A new mutable dictionary read without its tag byte: count and pairs.
CFMutableDictionaryRef ReadDictionaryBody(FuzzInput& in, int depth = 0);
// A new string read without its tag byte: length and UTF-8 bytes.
CFStringRef ReadString(FuzzInput& in);

void WriteValue(FuzzOutput& out, CFTypeRef value);
void WriteDictionaryBody(FuzzOutput& out, CFDictionaryRef dict);
void WriteString(FuzzOutput& out, const char* text);
} // namespace cfcodec
