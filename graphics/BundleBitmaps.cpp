// The editor's bitmaps from the plug-in bundle's Resources folder.
#include <CoreFoundation/CoreFoundation.h>

#include <cstring>
#include <string>
#include <strings.h>

#include "graphics/IGraphicsMac.h"
#include "raster/PngLoader.h"

namespace
{
struct CFHolder
{
  CFTypeRef object;
  explicit CFHolder(CFTypeRef o) : object(o) {}
  ~CFHolder()
  {
    if (object) CFRelease(object);
  }
  CFHolder(const CFHolder&) = delete;
  CFHolder& operator=(const CFHolder&) = delete;
};

CFStringRef MakeCFString(const std::string& text)
{
  return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
}
} // namespace

Raster_IBitmap* LoadImgFromResourceOSX(const char* bundleID, const char* name)
{
  if (!name) return nullptr;
  const char* dot = std::strrchr(name, '.');
  if (!dot || strcasecmp(dot + 1, "png") != 0) return nullptr;
  const char* slash = std::strrchr(name, '/');
  const char* base = slash ? slash + 1 : name;
  if (base > dot) return nullptr; // the last '.' belongs to a folder name
  const std::string resource(base, dot);

  CFHolder id(MakeCFString(bundleID ? bundleID : ""));
  CFBundleRef bundle =
      id.object ? CFBundleGetBundleWithIdentifier(CFStringRef(id.object)) : nullptr;
  if (!bundle) return nullptr;
  CFHolder resourceName(MakeCFString(resource));
  CFHolder url(
      resourceName.object
          ? CFBundleCopyResourceURL(bundle, CFStringRef(resourceName.object), CFSTR("png"), nullptr)
          : nullptr);
  char path[4096];
  if (!url.object || !CFURLGetFileSystemRepresentation(
                         CFURLRef(url.object), true, reinterpret_cast<UInt8*>(path), sizeof(path)))
    return nullptr;
  return Raster_LoadPNG(path);
}
