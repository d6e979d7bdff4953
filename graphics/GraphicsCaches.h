#pragma once
// The process-wide bitmap and font caches shared by every editor of the process. Each is a
// list with its own recursive mutex, held only while the list is searched or changed (never
// while a bitmap is decoded or a font is made). At process exit each deletes what it holds.

#include <memory>
#include <mutex>
#include <vector>

#include "raster/Bitmap.h"
#include "raster/Font.h"

struct IText;

// Decoded bundle bitmaps by resource id, plus scaled, cropped and retained bitmaps
// (stored with id -1).
class BitmapStorage
{
public:
  static constexpr int kNoId = -1;

  // The bitmap stored for id, or null when there is none or its load failed.
  Raster_IBitmap* Find(int id);
  // Result of handing a freshly loaded bitmap to the cache.
  struct Stored
  {
    Raster_IBitmap* bitmap; // the bitmap to use (null when the id has none)
    bool firstFailure;      // loaded was null and this id had never been tried before
  };
  // Stores what a load of id produced (the cache owns it; null records a failure). When
  // another editor stored a bitmap for id meanwhile, that one is kept and loaded deleted;
  // a failure recorded earlier is replaced by a bitmap, and a repeated failure adds
  // nothing.
  Stored Adopt(int id, Raster_IBitmap* loaded);
  // Appends bitmap under id -1; the cache owns it from now on.
  void Retain(Raster_IBitmap* bitmap);
  // Removes the first entry holding bitmap and deletes the bitmap. False when no entry
  // holds it (nothing is deleted).
  bool Release(Raster_IBitmap* bitmap);

private:
  struct BitmapKey
  {
    int id;
    std::unique_ptr<Raster_IBitmap> bitmap;
  };
  std::recursive_mutex mMutex;
  std::vector<BitmapKey> mEntries;
};

// Fonts by size, orientation, style and face name.
class FontStorage
{
public:
  // The font made for text's style, or null.
  Raster_CachedFont* Find(const IText& text);
  // Stores font for text's style and returns the font to use: one stored meanwhile by
  // another editor wins (font is then deleted).
  Raster_CachedFont* Add(const IText& text, std::unique_ptr<Raster_CachedFont> font);

private:
  struct FontKey
  {
    int size, orientation, style;
    char face[32];
    std::unique_ptr<Raster_CachedFont> font;
  };
  FontKey* FindLocked(const IText& text);

  std::recursive_mutex mMutex;
  std::vector<FontKey> mEntries;
};

extern BitmapStorage s_bitmapCache;
extern FontStorage s_fontCache;
