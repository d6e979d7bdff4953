// CFURL: URLs held as their absolute text, with file-path conversion.
#include "platform/src/CFInternal.h"

#include <cstring>
#include <unistd.h>

struct __CFURL : cf::Object {
  std::string mText;        // the full, encoded URL
  size_t mPathStart = 0;    // the path runs from here ...
  size_t mPathEnd = 0;      // ... to here (before any query or fragment)
  CFStringRef mString = nullptr;

  __CFURL() : Object(cf::kTypeURL) {}
  ~__CFURL() override {
    if (mString) CFRelease(mString);
  }
  bool Equal(const Object* other) const override { return mText == static_cast<const __CFURL*>(other)->mText; }
  CFHashCode Hash() const override { return cf::HashBytes(mText.data(), mText.size()); }
  std::string Describe() const override { return mText; }

  std::string Scheme() const {
    size_t colon = mText.find(':');
    if (colon == std::string::npos || colon == 0) return std::string();
    for (size_t i = 0; i < colon; ++i) {
      char c = mText[i];
      bool ok = isalpha(static_cast<unsigned char>(c)) ||
                (i > 0 && (isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'));
      if (!ok) return std::string();
    }
    return mText.substr(0, colon);
  }
  std::string EncodedPath() const { return mText.substr(mPathStart, mPathEnd - mPathStart); }
};

namespace {

bool IsPathCharacter(unsigned char c) {
  return isalnum(c) || strchr("-._~/!$&'()*+,;=:@", c);
}

std::string EncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c && IsPathCharacter(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes %XX escapes; false for a malformed escape or a decoded NUL.
bool Decode(const std::string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

bool IsValidUrlText(const std::string& text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c <= 0x20 || c >= 0x7F || strchr("\"<>\\^`{|}", c)) return false;
    if (c == '%' && (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0)) return false;
  }
  return true;
}

__CFURL* NewURL(CFAllocatorRef allocator, std::string text) {
  auto* url = cf::Create<__CFURL>(allocator);
  if (!url) return nullptr;
  url->mText = std::move(text);
  // The path starts after "scheme:" and an authority ("//host"), and ends before '?' or '#'.
  size_t start = 0;
  std::string scheme = url->Scheme();
  if (!scheme.empty()) start = scheme.size() + 1;
  if (url->mText.compare(start, 2, "//") == 0) {
    size_t slash = url->mText.find('/', start + 2);
    start = slash == std::string::npos ? url->mText.size() : slash;
  }
  size_t end = url->mText.find_first_of("?#", start);
  url->mPathStart = start;
  url->mPathEnd = end == std::string::npos ? url->mText.size() : end;
  url->mString = cf::NewString(url->mText);
  return url;
}

const __CFURL* AsURL(CFTypeRef cf, const char* caller) { return cf::As<__CFURL>(cf, cf::kTypeURL, caller); }

__CFURL* FileURL(CFAllocatorRef allocator, std::string path, bool isDirectory) {
  if (path.empty()) return nullptr;
  if (path[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return nullptr;
    std::string base = cwd;
    if (base.back() != '/') base += '/';
    path = base + path;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (isDirectory && path.back() != '/') path += '/';
  return NewURL(allocator, "file://" + EncodePath(path));
}

// The decoded path, without a trailing '/' unless it is the root.
bool DecodedPath(const __CFURL* url, std::string* path) {
  if (!Decode(url->EncodedPath(), path)) return false;
  while (path->size() > 1 && path->back() == '/') path->pop_back();
  return true;
}

}  // namespace

CFTypeID CFURLGetTypeID(void) { return cf::kTypeURL; }

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory) {
  if (pathStyle != kCFURLPOSIXPathStyle) {
    cf::Report("CFURLCreateWithFileSystemPath: only the POSIX path style is supported");
    return nullptr;
  }
  if (!cf::As<cf::Object>(filePath, cf::kTypeString, "CFURLCreateWithFileSystemPath")) return nullptr;
  return FileURL(allocator, cf::Utf8(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory) {
  if (!buffer || bufLen <= 0) return nullptr;
  std::string path(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen));
  size_t nul = path.find('\0');
  if (nul != std::string::npos) path.resize(nul);
  return FileURL(allocator, path, isDirectory);
}

CFURLRef CFURLCreateWithString(CFAllocatorRef allocator, CFStringRef URLString, CFURLRef baseURL) {
  if (!cf::As<cf::Object>(URLString, cf::kTypeString, "CFURLCreateWithString")) return nullptr;
  std::string text = cf::Utf8(URLString);
  if (!IsValidUrlText(text)) return nullptr;
  __CFURL* probe = NewURL(allocator, text);
  if (!probe) return nullptr;
  const __CFURL* base = baseURL ? AsURL(baseURL, "CFURLCreateWithString") : nullptr;
  if (!base || !probe->Scheme().empty()) return probe;
  // Resolve the relative reference against the base.
  CFRelease(probe);
  std::string prefix = base->mText.substr(0, base->mPathStart);
  std::string resolved;
  if (text[0] == '/') {
    resolved = prefix + text;
  } else {
    std::string basePath = base->EncodedPath();
    size_t slash = basePath.rfind('/');
    resolved = prefix + (slash == std::string::npos ? std::string("/") : basePath.substr(0, slash + 1)) + text;
  }
  return NewURL(allocator, resolved);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url, CFStringRef pathComponent,
                                               Boolean isDirectory) {
  const __CFURL* u = AsURL(url, "CFURLCreateCopyAppendingPathComponent");
  if (!u || !cf::As<cf::Object>(pathComponent, cf::kTypeString, "CFURLCreateCopyAppendingPathComponent")) {
    return nullptr;
  }
  std::string path = u->EncodedPath();
  if (path.empty() || path.back() != '/') path += '/';
  path += EncodePath(cf::Utf8(pathComponent));
  if (isDirectory && path.back() != '/') path += '/';
  return NewURL(allocator, u->mText.substr(0, u->mPathStart) + path + u->mText.substr(u->mPathEnd));
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url) {
  const __CFURL* u = AsURL(url, "CFURLCreateCopyDeletingLastPathComponent");
  if (!u) return nullptr;
  std::string path = u->EncodedPath();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  path = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  return NewURL(allocator, u->mText.substr(0, u->mPathStart) + path + u->mText.substr(u->mPathEnd));
}

CFStringRef CFURLGetString(CFURLRef anURL) {
  const __CFURL* u = AsURL(anURL, "CFURLGetString");
  return u ? u->mString : nullptr;
}

CFURLRef CFURLGetBaseURL(CFURLRef) { return nullptr; }

CFStringRef CFURLCopyScheme(CFURLRef anURL) {
  const __CFURL* u = AsURL(anURL, "CFURLCopyScheme");
  if (!u) return nullptr;
  std::string scheme = u->Scheme();
  return scheme.empty() ? nullptr : cf::NewString(scheme);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
  const __CFURL* u = AsURL(anURL, "CFURLCopyFileSystemPath");
  if (!u || pathStyle != kCFURLPOSIXPathStyle) return nullptr;
  std::string path;
  if (!DecodedPath(u, &path) || path.empty()) return nullptr;
  return CFStringCreateWithCString(nullptr, path.c_str(), kCFStringEncodingUTF8);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
  const __CFURL* u = AsURL(url, "CFURLGetFileSystemRepresentation");
  std::string path;
  if (!u || !buffer || maxBufLen <= 0 || !DecodedPath(u, &path) || path.empty()) return false;
  if (static_cast<CFIndex>(path.size()) >= maxBufLen) return false;
  memcpy(buffer, path.c_str(), path.size() + 1);
  return true;
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
  const __CFURL* u = AsURL(url, "CFURLCopyLastPathComponent");
  std::string path;
  if (!u || !DecodedPath(u, &path)) return nullptr;
  if (path == "/") return CFStringCreateWithCString(nullptr, "/", kCFStringEncodingUTF8);
  size_t slash = path.rfind('/');
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  return CFStringCreateWithCString(nullptr, last.c_str(), kCFStringEncodingUTF8);
}

CFStringRef CFURLCopyPathExtension(CFURLRef url) {
  const __CFURL* u = AsURL(url, "CFURLCopyPathExtension");
  std::string path;
  if (!u || !DecodedPath(u, &path)) return nullptr;
  size_t slash = path.rfind('/');
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = last.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return nullptr;
  return CFStringCreateWithCString(nullptr, last.c_str() + dot + 1, kCFStringEncodingUTF8);
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
  const __CFURL* u = AsURL(anURL, "CFURLHasDirectoryPath");
  return u && u->mPathEnd > u->mPathStart && u->mText[u->mPathEnd - 1] == '/';
}
