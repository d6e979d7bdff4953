// Quartz subset: colour spaces, data providers, images and software bitmap contexts.
#include "platform/src/CFInternal.h"

#include <CoreGraphics/CoreGraphics.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

const CGAffineTransform CGAffineTransformIdentity = {1, 0, 0, 1, 0, 0};
const CFStringRef kCGColorSpaceGenericRGB = CFSTR("kCGColorSpaceGenericRGB");
const CFStringRef kCGColorSpaceSRGB = CFSTR("kCGColorSpaceSRGB");
const CFStringRef kCGColorSpaceGenericGray = CFSTR("kCGColorSpaceGenericGray");

struct CGColorSpace : cf::Object {
  CGColorSpaceModel mModel;
  explicit CGColorSpace(CGColorSpaceModel model) : Object(cf::kTypeColorSpace), mModel(model) {}
  bool Equal(const Object* other) const override { return mModel == static_cast<const CGColorSpace*>(other)->mModel; }
  std::string Describe() const override { return mModel == kCGColorSpaceModelRGB ? "<CGColorSpace RGB>" : "<CGColorSpace Gray>"; }
};

struct CGDataProvider : cf::Object {
  void* mInfo = nullptr;
  const void* mData = nullptr;
  size_t mSize = 0;
  CGDataProviderReleaseDataCallback mRelease = nullptr;
  CFDataRef mCFData = nullptr;
  CGDataProvider() : Object(cf::kTypeDataProvider) {}
  ~CGDataProvider() override {
    if (mRelease) mRelease(mInfo, mData, mSize);
    if (mCFData) CFRelease(mCFData);
  }
};

namespace {

// Where the four components of a 32-bit pixel sit in memory, and how alpha is meant.
struct Layout {
  enum Alpha { kPremultiplied, kStraight, kSkipped };
  bool valid = false;
  Alpha alpha = kSkipped;
  int r = 0, g = 0, b = 0, a = 0;  // byte offsets in the pixel
};

Layout LayoutFor(CGBitmapInfo info, bool forContext) {
  Layout layout;
  const CGImageAlphaInfo alpha = info & kCGBitmapAlphaInfoMask;
  const CGBitmapInfo order = info & kCGBitmapByteOrderMask;
  if (info & kCGBitmapFloatComponents) return layout;
  if (order != kCGBitmapByteOrderDefault && order != kCGBitmapByteOrder32Big && order != kCGBitmapByteOrder32Little) {
    return layout;
  }
  bool first;
  switch (alpha) {
    case kCGImageAlphaPremultipliedFirst: first = true, layout.alpha = Layout::kPremultiplied; break;
    case kCGImageAlphaPremultipliedLast: first = false, layout.alpha = Layout::kPremultiplied; break;
    case kCGImageAlphaNoneSkipFirst: first = true, layout.alpha = Layout::kSkipped; break;
    case kCGImageAlphaNoneSkipLast: first = false, layout.alpha = Layout::kSkipped; break;
    case kCGImageAlphaFirst: first = true, layout.alpha = Layout::kStraight; break;
    case kCGImageAlphaLast: first = false, layout.alpha = Layout::kStraight; break;
    default: return layout;
  }
  if (forContext && layout.alpha == Layout::kStraight) return layout;  // contexts keep premultiplied pixels
  // In memory order: big-endian names the components as they are stored; little reverses.
  int order4[4];  // component at each memory byte: 0 A, 1 R, 2 G, 3 B
  if (first) {
    int v[4] = {0, 1, 2, 3};
    memcpy(order4, v, sizeof v);
  } else {
    int v[4] = {1, 2, 3, 0};
    memcpy(order4, v, sizeof v);
  }
  if (order == kCGBitmapByteOrder32Little) std::swap(order4[0], order4[3]), std::swap(order4[1], order4[2]);
  for (int i = 0; i < 4; ++i) {
    switch (order4[i]) {
      case 0: layout.a = i; break;
      case 1: layout.r = i; break;
      case 2: layout.g = i; break;
      default: layout.b = i; break;
    }
  }
  layout.valid = true;
  return layout;
}

// What images and bitmap contexts both are: a grid of 32-bit pixels in a colour space.
struct Bitmap : cf::Object {
  size_t mWidth = 0, mHeight = 0, mBytesPerRow = 0;
  CGBitmapInfo mInfo = 0;
  Layout mLayout;
  CGColorSpaceRef mSpace = nullptr;  // retained

  explicit Bitmap(CFTypeID type) : Object(type) {}
  ~Bitmap() override { CGColorSpaceRelease(mSpace); }

  void SetGrid(size_t width, size_t height, size_t bytesPerRow, CGBitmapInfo info, const Layout& layout,
               CGColorSpaceRef space) {
    mWidth = width;
    mHeight = height;
    mBytesPerRow = bytesPerRow;
    mInfo = info;
    mLayout = layout;
    mSpace = CGColorSpaceRetain(space);
  }
};

}  // namespace

struct CGImage : Bitmap {
  CGDataProviderRef mProvider = nullptr;
  CGImage() : Bitmap(cf::kTypeImage) {}
  ~CGImage() override { CGDataProviderRelease(mProvider); }
};

struct CGContext : Bitmap {
  struct State {
    CGAffineTransform ctm;
    int32_t interpolation;
  };
  unsigned char* mData = nullptr;
  bool mOwnsData = false;
  State mState{CGAffineTransformIdentity, 0};
  std::vector<State> mSaved;
  CGContext() : Bitmap(cf::kTypeContext) {}
  ~CGContext() override {
    if (mOwnsData) free(mData);
  }
};

namespace {

template <typename T>
T* AsType(CFTypeRef cf, CFTypeID type, const char* caller) {
  return cf ? cf::As<T>(cf, type, caller) : nullptr;
}

CGColorSpace* Space(CGColorSpaceRef s, const char* caller) { return AsType<CGColorSpace>(s, cf::kTypeColorSpace, caller); }
CGImage* Image(CGImageRef i, const char* caller) { return AsType<CGImage>(i, cf::kTypeImage, caller); }
CGContext* Context(CGContextRef c, const char* caller) { return AsType<CGContext>(c, cf::kTypeContext, caller); }

CGColorSpaceRef NewSpace(CGColorSpaceModel model) { return cf::Create<CGColorSpace>(nullptr, model); }

// The Retain and Release of every Quartz type: CFRetain and CFRelease, letting null pass.
template <typename Ref>
Ref Retain(Ref ref) {
  return ref ? static_cast<Ref>(const_cast<void*>(CFRetain(ref))) : nullptr;
}

void Release(CFTypeRef ref) {
  if (ref) CFRelease(ref);
}

// The getters images and bitmap contexts share; each answers its zero value for a null or
// mistyped reference.
size_t WidthOf(const Bitmap* b) { return b ? b->mWidth : 0; }
size_t HeightOf(const Bitmap* b) { return b ? b->mHeight : 0; }
size_t BytesPerRowOf(const Bitmap* b) { return b ? b->mBytesPerRow : 0; }
CGBitmapInfo BitmapInfoOf(const Bitmap* b) { return b ? b->mInfo : 0; }
CGColorSpaceRef SpaceOf(const Bitmap* b) { return b ? b->mSpace : nullptr; }
CGImageAlphaInfo AlphaInfoOf(const Bitmap* b) {
  return b ? static_cast<CGImageAlphaInfo>(b->mInfo & kCGBitmapAlphaInfoMask) : static_cast<CGImageAlphaInfo>(kCGImageAlphaNone);
}

}  // namespace

// --- Colour spaces ------------------------------------------------------------------------
CFTypeID CGColorSpaceGetTypeID(void) { return cf::kTypeColorSpace; }
CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void) { return NewSpace(kCGColorSpaceModelRGB); }
CGColorSpaceRef CGColorSpaceCreateDeviceGray(void) { return NewSpace(kCGColorSpaceModelMonochrome); }

CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name) {
  if (!name) return nullptr;
  if (CFEqual(name, kCGColorSpaceGenericRGB) || CFEqual(name, kCGColorSpaceSRGB)) return NewSpace(kCGColorSpaceModelRGB);
  if (CFEqual(name, kCGColorSpaceGenericGray)) return NewSpace(kCGColorSpaceModelMonochrome);
  return nullptr;
}

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space) { return Retain(space); }
void CGColorSpaceRelease(CGColorSpaceRef space) { Release(space); }

size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space) {
  CGColorSpace* s = Space(space, "CGColorSpaceGetNumberOfComponents");
  return s ? (s->mModel == kCGColorSpaceModelRGB ? 3 : 1) : 0;
}

CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef space) {
  CGColorSpace* s = Space(space, "CGColorSpaceGetModel");
  return s ? s->mModel : kCGColorSpaceModelUnknown;
}

// --- Data providers -----------------------------------------------------------------------
CFTypeID CGDataProviderGetTypeID(void) { return cf::kTypeDataProvider; }

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData) {
  if (!data && size > 0) return nullptr;
  auto* provider = cf::Create<CGDataProvider>(nullptr);
  if (!provider) return nullptr;
  provider->mInfo = info;
  provider->mData = data;
  provider->mSize = size;
  provider->mRelease = releaseData;
  return provider;
}

CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data) {
  if (!data || CFGetTypeID(data) != CFDataGetTypeID()) return nullptr;
  auto* provider = cf::Create<CGDataProvider>(nullptr);
  if (!provider) return nullptr;
  provider->mCFData = static_cast<CFDataRef>(CFRetain(data));
  provider->mData = CFDataGetBytePtr(data);
  provider->mSize = static_cast<size_t>(CFDataGetLength(data));
  return provider;
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) { return Retain(provider); }
void CGDataProviderRelease(CGDataProviderRef provider) { Release(provider); }

// --- Images ---------------------------------------------------------------------------------
CFTypeID CGImageGetTypeID(void) { return cf::kTypeImage; }

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat*, bool, CGColorRenderingIntent) {
  CGColorSpace* s = Space(space, "CGImageCreate");
  auto* p = AsType<CGDataProvider>(provider, cf::kTypeDataProvider, "CGImageCreate");
  Layout layout = LayoutFor(bitmapInfo, false);
  if (!s || !p || s->mModel != kCGColorSpaceModelRGB || bitsPerComponent != 8 || bitsPerPixel != 32 ||
      !layout.valid || width == 0 || height == 0 || width > (SIZE_MAX / 4) || bytesPerRow < width * 4) {
    return nullptr;
  }
  if (bytesPerRow > (SIZE_MAX - width * 4) / height || p->mSize < bytesPerRow * (height - 1) + width * 4) {
    cf::Report("CGImageCreate: the data provider holds fewer bytes than the image needs");
    return nullptr;
  }
  auto* image = cf::Create<CGImage>(nullptr);
  if (!image) return nullptr;
  image->SetGrid(width, height, bytesPerRow, bitmapInfo, layout, space);
  image->mProvider = CGDataProviderRetain(provider);
  return image;
}

CGImageRef CGImageRetain(CGImageRef image) { return Retain(image); }
void CGImageRelease(CGImageRef image) { Release(image); }

size_t CGImageGetWidth(CGImageRef image) { return WidthOf(Image(image, "CGImageGetWidth")); }
size_t CGImageGetHeight(CGImageRef image) { return HeightOf(Image(image, "CGImageGetHeight")); }
size_t CGImageGetBitsPerComponent(CGImageRef image) { return Image(image, "CGImageGetBitsPerComponent") ? 8 : 0; }
size_t CGImageGetBitsPerPixel(CGImageRef image) { return Image(image, "CGImageGetBitsPerPixel") ? 32 : 0; }
size_t CGImageGetBytesPerRow(CGImageRef image) { return BytesPerRowOf(Image(image, "CGImageGetBytesPerRow")); }
CGColorSpaceRef CGImageGetColorSpace(CGImageRef image) { return SpaceOf(Image(image, "CGImageGetColorSpace")); }
CGImageAlphaInfo CGImageGetAlphaInfo(CGImageRef image) { return AlphaInfoOf(Image(image, "CGImageGetAlphaInfo")); }
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image) { return BitmapInfoOf(Image(image, "CGImageGetBitmapInfo")); }
CGDataProviderRef CGImageGetDataProvider(CGImageRef image) {
  CGImage* i = Image(image, "CGImageGetDataProvider");
  return i ? i->mProvider : nullptr;
}

// --- Contexts -------------------------------------------------------------------------------
CFTypeID CGContextGetTypeID(void) { return cf::kTypeContext; }

CGContextRef CGContextRetain(CGContextRef c) { return Retain(c); }
void CGContextRelease(CGContextRef c) { Release(c); }

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo) {
  CGColorSpace* s = Space(space, "CGBitmapContextCreate");
  Layout layout = LayoutFor(bitmapInfo, true);
  if (!s || s->mModel != kCGColorSpaceModelRGB || bitsPerComponent != 8 || !layout.valid || width == 0 ||
      height == 0 || width > SIZE_MAX / 4) {
    return nullptr;
  }
  if (bytesPerRow == 0) bytesPerRow = width * 4;
  if (bytesPerRow < width * 4 || bytesPerRow > SIZE_MAX / height) return nullptr;
  auto* context = cf::Create<CGContext>(nullptr);
  if (!context) return nullptr;
  if (!data) {
    data = calloc(height, bytesPerRow);
    if (!data) {
      CFRelease(context);
      return nullptr;
    }
    context->mOwnsData = true;
  }
  context->mData = static_cast<unsigned char*>(data);
  context->SetGrid(width, height, bytesPerRow, bitmapInfo, layout, space);
  return context;
}

void* CGBitmapContextGetData(CGContextRef context) {
  CGContext* c = Context(context, "CGBitmapContextGetData");
  return c ? c->mData : nullptr;
}
size_t CGBitmapContextGetWidth(CGContextRef c) { return WidthOf(Context(c, "CGBitmapContextGetWidth")); }
size_t CGBitmapContextGetHeight(CGContextRef c) { return HeightOf(Context(c, "CGBitmapContextGetHeight")); }
size_t CGBitmapContextGetBytesPerRow(CGContextRef c) { return BytesPerRowOf(Context(c, "CGBitmapContextGetBytesPerRow")); }
CGImageAlphaInfo CGBitmapContextGetAlphaInfo(CGContextRef c) { return AlphaInfoOf(Context(c, "CGBitmapContextGetAlphaInfo")); }
CGBitmapInfo CGBitmapContextGetBitmapInfo(CGContextRef c) { return BitmapInfoOf(Context(c, "CGBitmapContextGetBitmapInfo")); }
CGColorSpaceRef CGBitmapContextGetColorSpace(CGContextRef c) { return SpaceOf(Context(c, "CGBitmapContextGetColorSpace")); }

void CGContextSaveGState(CGContextRef context) {
  if (CGContext* c = Context(context, "CGContextSaveGState")) c->mSaved.push_back(c->mState);
}

void CGContextRestoreGState(CGContextRef context) {
  CGContext* c = Context(context, "CGContextRestoreGState");
  if (!c || c->mSaved.empty()) return;
  c->mState = c->mSaved.back();
  c->mSaved.pop_back();
}

void CGContextConcatCTM(CGContextRef context, CGAffineTransform transform) {
  if (CGContext* c = Context(context, "CGContextConcatCTM")) c->mState.ctm = CGAffineTransformConcat(transform, c->mState.ctm);
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy) {
  CGContextConcatCTM(c, CGAffineTransformMake(sx, 0, 0, sy, 0, 0));
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) {
  CGContextConcatCTM(c, CGAffineTransformMake(1, 0, 0, 1, tx, ty));
}

CGAffineTransform CGContextGetCTM(CGContextRef context) {
  CGContext* c = Context(context, "CGContextGetCTM");
  return c ? c->mState.ctm : CGAffineTransformIdentity;
}

CGAffineTransform CGContextGetUserSpaceToDeviceSpaceTransform(CGContextRef c) { return CGContextGetCTM(c); }

CGSize CGContextConvertSizeToDeviceSpace(CGContextRef c, CGSize size) {
  return CGSizeApplyAffineTransform(size, CGContextGetCTM(c));
}

CGPoint CGContextConvertPointToDeviceSpace(CGContextRef c, CGPoint point) {
  return CGPointApplyAffineTransform(point, CGContextGetCTM(c));
}

void CGContextSetInterpolationQuality(CGContextRef context, int32_t quality) {
  if (CGContext* c = Context(context, "CGContextSetInterpolationQuality")) c->mState.interpolation = quality;
}

namespace {

inline unsigned Premultiply(unsigned c, unsigned a) { return (c * a + 127) / 255; }

// A premultiplied colour above its alpha (malformed input) must not wrap around.
inline unsigned char Clamp(unsigned value) { return static_cast<unsigned char>(value > 255 ? 255 : value); }

}  // namespace

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image) {
  CGContext* c = Context(context, "CGContextDrawImage");
  CGImage* img = Image(image, "CGContextDrawImage");
  if (!c || !img) return;
  const CGAffineTransform& m = c->mState.ctm;
  if (m.b != 0 || m.c != 0) return;  // rotation and shear are not drawn
  double x0 = m.a * rect.origin.x + m.tx, x1 = m.a * (rect.origin.x + rect.size.width) + m.tx;
  double y0 = m.d * rect.origin.y + m.ty, y1 = m.d * (rect.origin.y + rect.size.height) + m.ty;
  const bool flipX = x1 < x0, flipY = y1 < y0;
  if (flipX) std::swap(x0, x1);
  if (flipY) std::swap(y0, y1);
  if (!(x1 > x0) || !(y1 > y0) || !std::isfinite(x0 + x1 + y0 + y1)) return;

  // Device pixels whose centres fall inside the rectangle, clipped to the bitmap.
  const double width = static_cast<double>(c->mWidth), height = static_cast<double>(c->mHeight);
  const long firstX = static_cast<long>(std::max(0.0, std::ceil(x0 - 0.5)));
  const long endX = static_cast<long>(std::min(width, std::ceil(x1 - 0.5)));
  const long firstY = static_cast<long>(std::max(0.0, std::ceil(y0 - 0.5)));
  const long endY = static_cast<long>(std::min(height, std::ceil(y1 - 0.5)));
  const auto* source = static_cast<const unsigned char*>(img->mProvider->mData);
  const Layout& in = img->mLayout;
  const Layout& out = c->mLayout;
  const long iw = static_cast<long>(img->mWidth), ih = static_cast<long>(img->mHeight);

  for (long py = firstY; py < endY; ++py) {
    long v = static_cast<long>((y1 - (py + 0.5)) / (y1 - y0) * ih);  // image rows run top down
    v = std::min(std::max(v, 0L), ih - 1);
    if (flipY) v = ih - 1 - v;
    const unsigned char* sourceRow = source + static_cast<size_t>(v) * img->mBytesPerRow;
    unsigned char* row = c->mData + (c->mHeight - 1 - static_cast<size_t>(py)) * c->mBytesPerRow;
    for (long px = firstX; px < endX; ++px) {
      long u = static_cast<long>((px + 0.5 - x0) / (x1 - x0) * iw);
      u = std::min(std::max(u, 0L), iw - 1);
      if (flipX) u = iw - 1 - u;
      const unsigned char* s = sourceRow + static_cast<size_t>(u) * 4;
      unsigned sa = in.alpha == Layout::kSkipped ? 255 : s[in.a];
      unsigned sr = s[in.r], sg = s[in.g], sb = s[in.b];
      if (in.alpha == Layout::kStraight) sr = Premultiply(sr, sa), sg = Premultiply(sg, sa), sb = Premultiply(sb, sa);
      unsigned char* d = row + static_cast<size_t>(px) * 4;
      if (sa == 255) {
        d[out.r] = static_cast<unsigned char>(sr);
        d[out.g] = static_cast<unsigned char>(sg);
        d[out.b] = static_cast<unsigned char>(sb);
        d[out.a] = 255;
        continue;
      }
      const unsigned keep = 255 - sa;
      const unsigned da = out.alpha == Layout::kSkipped ? 255 : d[out.a];
      d[out.r] = Clamp(sr + Premultiply(d[out.r], keep));
      d[out.g] = Clamp(sg + Premultiply(d[out.g], keep));
      d[out.b] = Clamp(sb + Premultiply(d[out.b], keep));
      d[out.a] = out.alpha == Layout::kSkipped ? 255 : Clamp(sa + Premultiply(da, keep));
    }
  }
}
