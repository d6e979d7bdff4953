#include "graphics/GraphicsCaches.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "graphics/IGraphicsTypes.h"

BitmapStorage s_bitmapCache;
FontStorage s_fontCache;

// ---------------------------------------------------------------------------------------
Raster_IBitmap* BitmapStorage::Find(int id)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (const BitmapKey& key : mEntries)
    if (key.id == id) return key.bitmap.get();
  return nullptr;
}

BitmapStorage::Stored BitmapStorage::Adopt(int id, Raster_IBitmap* loaded)
{
  std::unique_ptr<Raster_IBitmap> owned(loaded);
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  auto it = std::find_if(mEntries.begin(), mEntries.end(),
                         [id](const BitmapKey& key) { return key.id == id; });
  if (it == mEntries.end())
  {
    const bool failed = !owned;
    mEntries.push_back({id, std::move(owned)});
    return {mEntries.back().bitmap.get(), failed};
  }
  if (!it->bitmap) it->bitmap = std::move(owned);
  return {it->bitmap.get(), false};
}

void BitmapStorage::Retain(Raster_IBitmap* bitmap)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mEntries.push_back({kNoId, std::unique_ptr<Raster_IBitmap>(bitmap)});
}

bool BitmapStorage::Release(Raster_IBitmap* bitmap)
{
  if (!bitmap) return false;
  std::unique_ptr<Raster_IBitmap> doomed;
  {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    auto it = std::find_if(mEntries.begin(), mEntries.end(),
                           [bitmap](const BitmapKey& key) { return key.bitmap.get() == bitmap; });
    if (it == mEntries.end()) return false;
    doomed = std::move(it->bitmap);
    mEntries.erase(it);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
FontStorage::FontKey* FontStorage::FindLocked(const IText& text)
{
  for (FontKey& key : mEntries)
    if (key.size == text.mSize && key.orientation == text.mOrientation &&
        key.style == text.mStyle && std::strcmp(key.face, text.mFont) == 0 && key.font)
      return &key;
  return nullptr;
}

Raster_CachedFont* FontStorage::Find(const IText& text)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  FontKey* key = FindLocked(text);
  return key ? key->font.get() : nullptr;
}

Raster_CachedFont* FontStorage::Add(const IText& text, std::unique_ptr<Raster_CachedFont> font)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  if (FontKey* key = FindLocked(text)) return key->font.get();
  FontKey key{text.mSize, text.mOrientation, text.mStyle, {}, std::move(font)};
  std::snprintf(key.face, sizeof(key.face), "%s", text.mFont);
  mEntries.push_back(std::move(key));
  return mEntries.back().font.get();
}
