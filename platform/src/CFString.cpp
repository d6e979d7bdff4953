// CFString: UTF-16 text with its UTF-8 form, constant strings and formatting.
#include "platform/src/CFInternal.h"

#include <charconv>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <map>
#include <mutex>

struct __CFString : cf::Object {
  std::u16string mUnits;
  std::string mUtf8;
  bool mMutable = false;

  __CFString() : Object(cf::kTypeString) {}
  bool Equal(const Object* other) const override {
    return mUnits == static_cast<const __CFString*>(other)->mUnits;
  }
  CFHashCode Hash() const override { return cf::HashBytes(mUnits.data(), mUnits.size() * sizeof(char16_t)); }
  std::string Describe() const override { return mUtf8; }
};

namespace {

// Decodes UTF-8; false for malformed input (overlong forms, surrogates, bad continuations).
bool DecodeUtf8(const unsigned char* p, size_t n, std::u16string* out) {
  out->clear();
  out->reserve(n);
  size_t i = 0;
  while (i < n) {
    unsigned c = p[i];
    if (c < 0x80) {
      out->push_back(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    int extra;
    unsigned code;
    unsigned minimum;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, code = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, code = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, code = c & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= n) return false;
      unsigned cc = p[i + k];
      if ((cc & 0xC0) != 0x80) return false;
      code = (code << 6) | (cc & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code >= 0x10000) {
      code -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(code));
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

void AppendUtf8(unsigned code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    unsigned c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

bool IsUtf16(CFStringEncoding encoding) {
  return encoding == kCFStringEncodingUTF16 || encoding == kCFStringEncodingUTF16BE ||
         encoding == kCFStringEncodingUTF16LE;
}

// Decodes bytes in one of the supported encodings; false when invalid or unsupported.
bool Decode(const UInt8* bytes, size_t n, CFStringEncoding encoding, bool external, std::u16string* out) {
  out->clear();
  switch (encoding) {
    case kCFStringEncodingUTF8:
      if (external && n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) bytes += 3, n -= 3;
      return DecodeUtf8(bytes, n, out);
    case kCFStringEncodingASCII:
    case kCFStringEncodingNonLossyASCII:
    case kCFStringEncodingMacRoman:
      for (size_t i = 0; i < n; ++i) {
        if (bytes[i] >= 0x80) return false;
        out->push_back(bytes[i]);
      }
      return true;
    case kCFStringEncodingISOLatin1:
    case kCFStringEncodingWindowsLatin1:
      for (size_t i = 0; i < n; ++i) out->push_back(bytes[i]);
      return true;
    default:
      break;
  }
  if (IsUtf16(encoding)) {
    if (n % 2) return false;
    bool big = encoding == kCFStringEncodingUTF16BE;
    size_t i = 0;
    if (encoding == kCFStringEncodingUTF16 && n >= 2) {
      if (bytes[0] == 0xFE && bytes[1] == 0xFF) big = true, i = 2;
      else if (bytes[0] == 0xFF && bytes[1] == 0xFE) i = 2;
    }
    for (; i < n; i += 2) {
      out->push_back(static_cast<char16_t>(big ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i + 1] << 8 | bytes[i])));
    }
    return true;
  }
  return false;
}

// Encodes the string's text; false when it cannot be expressed in the encoding.
bool Encode(const __CFString* s, CFStringEncoding encoding, std::string* out) {
  switch (encoding) {
    case kCFStringEncodingUTF8:
      *out = s->mUtf8;
      return true;
    case kCFStringEncodingASCII:
    case kCFStringEncodingNonLossyASCII:
    case kCFStringEncodingMacRoman:
    case kCFStringEncodingISOLatin1:
    case kCFStringEncodingWindowsLatin1: {
      unsigned limit = (encoding == kCFStringEncodingISOLatin1 || encoding == kCFStringEncodingWindowsLatin1) ? 0x100 : 0x80;
      out->clear();
      for (char16_t c : s->mUnits) {
        if (c >= limit) return false;
        out->push_back(static_cast<char>(c));
      }
      return true;
    }
    default:
      return false;
  }
}

__CFString* NewMutableOrNot(CFAllocatorRef alloc, std::u16string units, bool isMutable) {
  __CFString* s = cf::Create<__CFString>(alloc);
  if (!s) return nullptr;
  s->mUnits = std::move(units);
  s->mUtf8 = EncodeUtf8(s->mUnits);
  s->mMutable = isMutable;
  return s;
}

const __CFString* AsString(CFTypeRef cf, const char* caller) {
  return cf::As<__CFString>(cf, cf::kTypeString, caller);
}

__CFString* AsMutableString(CFTypeRef cf, const char* caller) {
  __CFString* s = cf::As<__CFString>(cf, cf::kTypeString, caller);
  if (s && !s->mMutable) {
    cf::Report("%s: the string is immutable", caller);
    return nullptr;
  }
  return s;
}

// --- Formatting ---------------------------------------------------------------------------
// Runs printf conversions in the C locale, so decimal points are always '.'.
class CLocaleScope {
 public:
  CLocaleScope() {
    static locale_t sC = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    mOld = uselocale(sC);
  }
  ~CLocaleScope() { uselocale(mOld); }

 private:
  locale_t mOld;
};

template <typename T>
void AppendFormatted(std::string* out, const std::string& directive, T value) {
  char small[128];
  int n = snprintf(small, sizeof small, directive.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out->append(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  snprintf(&big[0], big.size(), directive.c_str(), value);
  out->append(big.data(), static_cast<size_t>(n));
}

std::string Format(const std::string& format, va_list args) {
  CLocaleScope locale;
  std::string out;
  size_t i = 0;
  const size_t n = format.size();
  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t start = i++;
    if (i < n && format[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    std::string directive = "%";
    while (i < n && strchr("-+ #0'", format[i])) directive.push_back(format[i++]);
    if (i < n && format[i] == '*') {
      directive += std::to_string(va_arg(args, int));
      ++i;
    } else {
      while (i < n && format[i] >= '0' && format[i] <= '9') directive.push_back(format[i++]);
    }
    if (i < n && format[i] == '$') {
      cf::Report("CFStringCreateWithFormat: positional arguments are not supported");
      out.append(format, start, n - start);
      return out;
    }
    if (i < n && format[i] == '.') {
      directive.push_back(format[i++]);
      if (i < n && format[i] == '*') {
        directive += std::to_string(va_arg(args, int));
        ++i;
      } else {
        while (i < n && format[i] >= '0' && format[i] <= '9') directive.push_back(format[i++]);
      }
    }
    std::string length;
    while (i < n && strchr("hlLqzjt", format[i])) length.push_back(format[i++]);
    if (i >= n) {
      out.append(format, start, n - start);
      break;
    }
    char conversion = format[i++];
    switch (conversion) {
      case '@': {
        std::string text = cf::DescribeObject(va_arg(args, CFTypeRef));
        AppendFormatted(&out, directive + "s", text.c_str());
        break;
      }
      case 'd':
      case 'i':
        if (length == "l") AppendFormatted(&out, directive + "ld", va_arg(args, long));
        else if (length == "ll" || length == "q") AppendFormatted(&out, directive + "lld", va_arg(args, long long));
        else if (length == "z" || length == "t") AppendFormatted(&out, directive + "ld", va_arg(args, long));
        else if (length == "j") AppendFormatted(&out, directive + "jd", va_arg(args, intmax_t));
        else if (length == "h") AppendFormatted(&out, directive + "hd", va_arg(args, int));
        else if (length == "hh") AppendFormatted(&out, directive + "hhd", va_arg(args, int));
        else AppendFormatted(&out, directive + "d", va_arg(args, int));
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        std::string conv(1, conversion);
        if (length == "l" || length == "z" || length == "t")
          AppendFormatted(&out, directive + "l" + conv, va_arg(args, unsigned long));
        else if (length == "ll" || length == "q")
          AppendFormatted(&out, directive + "ll" + conv, va_arg(args, unsigned long long));
        else if (length == "j") AppendFormatted(&out, directive + "j" + conv, va_arg(args, uintmax_t));
        else if (length == "h") AppendFormatted(&out, directive + "h" + conv, va_arg(args, unsigned));
        else if (length == "hh") AppendFormatted(&out, directive + "hh" + conv, va_arg(args, unsigned));
        else AppendFormatted(&out, directive + conv, va_arg(args, unsigned));
        break;
      }
      case 'c':
        AppendFormatted(&out, directive + "c", va_arg(args, int));
        break;
      case 'C': {
        std::string text;
        AppendUtf8(static_cast<unsigned>(va_arg(args, int)) & 0xFFFF, &text);
        AppendFormatted(&out, directive + "s", text.c_str());
        break;
      }
      case 's': {
        const char* text = va_arg(args, const char*);
        AppendFormatted(&out, directive + "s", text ? text : "(null)");
        break;
      }
      case 'S': {
        const UniChar* chars = va_arg(args, const UniChar*);
        std::u16string units;
        while (chars && *chars) units.push_back(*chars++);
        std::string text = chars ? EncodeUtf8(units) : "(null)";
        AppendFormatted(&out, directive + "s", text.c_str());
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (length == "L") AppendFormatted(&out, directive + "L" + conversion, va_arg(args, long double));
        else AppendFormatted(&out, directive + conversion, va_arg(args, double));
        break;
      case 'p':
        AppendFormatted(&out, directive + "p", va_arg(args, void*));
        break;
      case 'n':
        // Writing through a format argument is never honoured.
        (void)va_arg(args, void*);
        break;
      default:
        out.append(format, start, i - start);
        break;
    }
  }
  return out;
}

}  // namespace

namespace cf {

std::string Utf8(CFStringRef string) {
  if (!string) return std::string();
  const __CFString* s = AsString(string, "CFString");
  return s ? s->mUtf8 : std::string();
}

std::string DescribeItem(CFStringRef (*describe)(const void*), const void* item) {
  if (describe) {
    if (CFStringRef text = describe(item)) {
      std::string result = Utf8(text);
      CFRelease(text);
      return result;
    }
  }
  char text[32];
  snprintf(text, sizeof text, "<%p>", item);
  return text;
}

CFStringRef NewString(const std::string& utf8) {
  std::u16string units;
  if (!DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), &units)) {
    // Descriptions are built from valid text; anything else is shown with replacements.
    units.clear();
    for (unsigned char c : utf8) units.push_back(c < 0x80 ? c : 0xFFFD);
  }
  return NewMutableOrNot(nullptr, std::move(units), false);
}

}  // namespace cf

// ---------------------------------------------------------------------------------------
CFTypeID CFStringGetTypeID(void) { return cf::kTypeString; }

CFStringRef __CFStringMakeConstantString(const char* cStr) {
  static std::mutex sLock;
  static auto* sTable = new std::map<std::string, __CFString*>();  // constant strings are never freed
  if (!cStr) return nullptr;
  std::lock_guard<std::mutex> lock(sLock);
  auto found = sTable->find(cStr);
  if (found != sTable->end()) return found->second;
  std::u16string units;
  if (!DecodeUtf8(reinterpret_cast<const unsigned char*>(cStr), strlen(cStr), &units)) {
    cf::Report("CFSTR: \"%s\" is not valid UTF-8", cStr);
    return nullptr;
  }
  __CFString* s = NewMutableOrNot(nullptr, std::move(units), false);
  s->mImmortal = true;
  (*sTable)[cStr] = s;
  return s;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding) {
  if (!cStr) {
    cf::Report("CFStringCreateWithCString: NULL text");
    return nullptr;
  }
  return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr), static_cast<CFIndex>(strlen(cStr)),
                                 encoding, false);
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
  if (numBytes < 0 || (!bytes && numBytes > 0)) return nullptr;
  std::u16string units;
  if (!Decode(bytes, static_cast<size_t>(numBytes), encoding, isExternalRepresentation, &units)) return nullptr;
  return NewMutableOrNot(alloc, std::move(units), false);
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars, CFIndex numChars) {
  if (numChars < 0 || (!chars && numChars > 0)) return nullptr;
  return NewMutableOrNot(alloc, std::u16string(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars)),
                         false);
}

CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString) {
  const __CFString* s = AsString(theString, "CFStringCreateCopy");
  if (!s) return nullptr;
  return NewMutableOrNot(alloc, s->mUnits, false);
}

CFStringRef CFStringCreateWithSubstring(CFAllocatorRef alloc, CFStringRef str, CFRange range) {
  const __CFString* s = AsString(str, "CFStringCreateWithSubstring");
  if (!s) return nullptr;
  if (range.location < 0 || range.length < 0 || static_cast<size_t>(range.location + range.length) > s->mUnits.size()) {
    cf::Report("CFStringCreateWithSubstring: range out of bounds");
    return nullptr;
  }
  return NewMutableOrNot(alloc, s->mUnits.substr(static_cast<size_t>(range.location), static_cast<size_t>(range.length)),
                         false);
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFDictionaryRef, CFStringRef format,
                                                 va_list arguments) {
  const __CFString* f = AsString(format, "CFStringCreateWithFormat");
  if (!f) return nullptr;
  va_list copy;
  va_copy(copy, arguments);
  std::string text = Format(f->mUtf8, copy);
  va_end(copy);
  std::u16string units;
  if (!DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &units)) {
    cf::Report("CFStringCreateWithFormat: the formatted text is not valid UTF-8");
    return nullptr;
  }
  return NewMutableOrNot(alloc, std::move(units), false);
}

CFIndex CFStringGetLength(CFStringRef theString) {
  const __CFString* s = AsString(theString, "CFStringGetLength");
  return s ? static_cast<CFIndex>(s->mUnits.size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
  const __CFString* s = AsString(theString, "CFStringGetCharacterAtIndex");
  if (!s) return 0;
  if (idx < 0 || static_cast<size_t>(idx) >= s->mUnits.size()) {
    cf::Report("CFStringGetCharacterAtIndex: index %ld out of bounds", idx);
    return 0;
  }
  return s->mUnits[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
  const __CFString* s = AsString(theString, "CFStringGetCharacters");
  if (!s || !buffer) return;
  if (range.location < 0 || range.length < 0 || static_cast<size_t>(range.location + range.length) > s->mUnits.size()) {
    cf::Report("CFStringGetCharacters: range out of bounds");
    return;
  }
  memcpy(buffer, s->mUnits.data() + range.location, static_cast<size_t>(range.length) * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding) {
  const __CFString* s = AsString(theString, "CFStringGetCString");
  if (!s || !buffer || bufferSize <= 0) return false;
  std::string bytes;
  if (!Encode(s, encoding, &bytes) || static_cast<CFIndex>(bytes.size()) >= bufferSize) {
    buffer[0] = '\0';
    return false;
  }
  memcpy(buffer, bytes.c_str(), bytes.size() + 1);
  return true;
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding) {
  const __CFString* s = AsString(theString, "CFStringGetCStringPtr");
  if (!s || s->mMutable) return nullptr;
  if (encoding == kCFStringEncodingUTF8) return s->mUtf8.c_str();
  if (encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingMacRoman) {
    for (char16_t c : s->mUnits) {
      if (c >= 0x80) return nullptr;
    }
    return s->mUtf8.c_str();
  }
  return nullptr;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
  if (length < 0) return kCFNotFound;
  if (encoding == kCFStringEncodingUTF8) return length * 3;
  if (IsUtf16(encoding)) return length * 2;
  if (encoding == kCFStringEncodingUTF32) return length * 4;
  return length;
}

CFStringEncoding CFStringGetSystemEncoding(void) { return kCFStringEncodingUTF8; }

namespace {

char16_t Fold(char16_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2, CFStringCompareFlags options) {
  const __CFString* a = AsString(theString1, "CFStringCompare");
  const __CFString* b = AsString(theString2, "CFStringCompare");
  if (!a || !b) return a ? kCFCompareGreaterThan : (b ? kCFCompareLessThan : kCFCompareEqualTo);
  const bool fold = options & kCFCompareCaseInsensitive;
  const bool numeric = options & kCFCompareNumerically;
  const std::u16string& x = a->mUnits;
  const std::u16string& y = b->mUnits;
  size_t i = 0, j = 0;
  while (i < x.size() && j < y.size()) {
    if (numeric && IsDigit(x[i]) && IsDigit(y[j])) {
      size_t ei = i, ej = j;
      while (ei < x.size() && IsDigit(x[ei])) ++ei;
      while (ej < y.size() && IsDigit(y[ej])) ++ej;
      size_t si = i, sj = j;
      while (si + 1 < ei && x[si] == '0') ++si;
      while (sj + 1 < ej && y[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj ? kCFCompareLessThan : kCFCompareGreaterThan;
      for (; si < ei; ++si, ++sj) {
        if (x[si] != y[sj]) return x[si] < y[sj] ? kCFCompareLessThan : kCFCompareGreaterThan;
      }
      i = ei, j = ej;
      continue;
    }
    char16_t cx = fold ? Fold(x[i]) : x[i];
    char16_t cy = fold ? Fold(y[j]) : y[j];
    if (cx != cy) return cx < cy ? kCFCompareLessThan : kCFCompareGreaterThan;
    ++i, ++j;
  }
  if (i < x.size()) return kCFCompareGreaterThan;
  if (j < y.size()) return kCFCompareLessThan;
  return kCFCompareEqualTo;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
  const __CFString* s = AsString(theString, "CFStringHasPrefix");
  const __CFString* p = AsString(prefix, "CFStringHasPrefix");
  return s && p && s->mUnits.compare(0, p->mUnits.size(), p->mUnits) == 0 && s->mUnits.size() >= p->mUnits.size();
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
  const __CFString* s = AsString(theString, "CFStringHasSuffix");
  const __CFString* p = AsString(suffix, "CFStringHasSuffix");
  return s && p && s->mUnits.size() >= p->mUnits.size() &&
         s->mUnits.compare(s->mUnits.size() - p->mUnits.size(), p->mUnits.size(), p->mUnits) == 0;
}

namespace {

// The text after leading white space and a '+' sign (from_chars accepts neither).
const char* NumberStart(const std::string& text, bool* negative) {
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
  *negative = false;
  if (*p == '+') ++p;
  else if (*p == '-') *negative = true, ++p;
  return p;
}

}  // namespace

SInt32 CFStringGetIntValue(CFStringRef str) {
  const __CFString* s = AsString(str, "CFStringGetIntValue");
  if (!s) return 0;
  bool negative;
  const char* p = NumberStart(s->mUtf8, &negative);
  long long value = 0;
  auto result = std::from_chars(p, s->mUtf8.c_str() + s->mUtf8.size(), value);
  if (result.ec == std::errc::result_out_of_range) return negative ? INT32_MIN : INT32_MAX;
  if (result.ec != std::errc()) return 0;
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<SInt32>(value);
}

double CFStringGetDoubleValue(CFStringRef str) {
  const __CFString* s = AsString(str, "CFStringGetDoubleValue");
  if (!s) return 0.0;
  bool negative;
  const char* p = NumberStart(s->mUtf8, &negative);
  double value = 0.0;
  auto result = std::from_chars(p, s->mUtf8.c_str() + s->mUtf8.size(), value);
  if (result.ec != std::errc()) return 0.0;
  return negative ? -value : value;
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex) {
  return NewMutableOrNot(alloc, std::u16string(), true);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex, CFStringRef theString) {
  const __CFString* s = AsString(theString, "CFStringCreateMutableCopy");
  if (!s) return nullptr;
  return NewMutableOrNot(alloc, s->mUnits, true);
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
  __CFString* s = AsMutableString(theString, "CFStringAppend");
  const __CFString* a = AsString(appendedString, "CFStringAppend");
  if (!s || !a) return;
  std::u16string tail = a->mUnits;  // the two may be the same string
  s->mUnits += tail;
  s->mUtf8 = EncodeUtf8(s->mUnits);
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr, CFStringEncoding encoding) {
  __CFString* s = AsMutableString(theString, "CFStringAppendCString");
  if (!s || !cStr) return;
  std::u16string units;
  if (!Decode(reinterpret_cast<const UInt8*>(cStr), strlen(cStr), encoding, false, &units)) {
    cf::Report("CFStringAppendCString: text not valid in the encoding; nothing appended");
    return;
  }
  s->mUnits += units;
  s->mUtf8 = EncodeUtf8(s->mUnits);
}

void CFStringAppendFormat(CFMutableStringRef theString, CFDictionaryRef, CFStringRef format, ...) {
  __CFString* s = AsMutableString(theString, "CFStringAppendFormat");
  const __CFString* f = AsString(format, "CFStringAppendFormat");
  if (!s || !f) return;
  va_list args;
  va_start(args, format);
  std::string text = Format(f->mUtf8, args);
  va_end(args);
  std::u16string units;
  if (!DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &units)) return;
  s->mUnits += units;
  s->mUtf8 = EncodeUtf8(s->mUnits);
}
