#pragma once
// A short text that one thread replaces while the editor's thread draws it. Each side copies
// the text under a lock held only for the copy. Every change raises a version number; the
// editor remembers the version it last drew, so a change that lands while a drawing is in
// progress is still seen as not drawn, whatever order the two threads met in.

#include <atomic>
#include <mutex>
#include <string>

class SharedText
{
public:
  explicit SharedText(const char* str = "") : mStr(str ? str : "") {}

  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  // Any thread. Null reads as "". True when the text changed.
  bool Set(const char* str)
  {
    if (!str) str = "";
    std::lock_guard<std::mutex> lock(mMutex);
    if (mStr == str) return false;
    mStr = str;
    mVersion.store(mVersion.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return true;
  }

  // Any thread. A copy of the current text.
  std::string Get() const
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mStr;
  }

  // Editor thread. A copy of the current text, which counts as drawn from now on.
  std::string GetForDrawing()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mDrawnVersion = mVersion.load(std::memory_order_relaxed);
    return mStr;
  }

  // Editor thread. True while a change has not been fetched for drawing.
  bool Undrawn() const { return mVersion.load(std::memory_order_relaxed) != mDrawnVersion; }

private:
  mutable std::mutex mMutex;
  std::string mStr;
  std::atomic<unsigned> mVersion{0};
  unsigned mDrawnVersion = 0; // editor thread only
};
