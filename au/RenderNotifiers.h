#pragma once
// The host's render notifiers, in the order added (duplicates allowed), called before and
// after every render.
//
// Threads. Add and Remove may be called from any thread, also from inside a notifier on the
// render thread; they never wait for a render. A render reads the list without a lock and
// without allocating: it takes the list as it stands when the render begins (a copy that no
// other thread changes or reuses while the render holds it) and keeps it until both notices
// are given, so every notifier registered for the whole render hears both. A notifier added
// during a render is first called by the next one; one removed during a render is not called
// after its removal.
//
// Memory. Everything lives in the object: room for kCapacity notifiers, in kCopies copies of
// the list — one current, and spares for the renders that still hold an older one. Two
// renders running at once while the list changes always leave a spare.

#include <AudioUnit/AudioUnit.h>

#include <atomic>
#include <cstdint>
#include <mutex>

class RenderNotifiers
{
public:
  static constexpr int kCapacity = 32;
  static constexpr int kCopies = 4;

  RenderNotifiers();
  RenderNotifiers(const RenderNotifiers&) = delete;
  RenderNotifiers& operator=(const RenderNotifiers&) = delete;

  // Appends a notifier. kAudio_ParamError for a null procedure; kAudio_MemFullError when
  // kCapacity notifiers are registered; kAudioUnitErr_CannotDoInCurrentContext when every
  // spare copy is still held by a render (more than two renders at once). Any thread.
  OSStatus Add(AURenderCallback proc, void* refCon);
  // Removes the first notifier with this procedure (the reference is not compared); noErr,
  // also when there is none. Takes effect at once, also for a render under way. Any thread.
  OSStatus Remove(AURenderCallback proc);

private:
  struct Entry
  {
    AURenderCallback mProc;
    void* mRefCon;
    int mSlot;        // where its registration lives in mLive
    uint64_t mSerial; // unique to this registration
  };

  struct List
  {
    std::atomic<int> mReaders{0}; // renders holding this copy
    int mCount = 0;
    Entry mEntries[kCapacity];
  };

public:
  // One render's notices to the notifiers registered when it began: the constructor gives the
  // pre-render notice, PostRender the post-render notice, each notifier with a fresh flags
  // word. Render thread; no lock, no allocation. A render that stops early (a failed pull)
  // simply never calls PostRender.
  class Pass
  {
  public:
    Pass(RenderNotifiers& notifiers, const AudioTimeStamp* timestamp, UInt32 outputBus,
         UInt32 nFrames, AudioBufferList* ioData);
    ~Pass();
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    void PostRender() const;

  private:
    void Notify(AudioUnitRenderActionFlags action) const;

    RenderNotifiers& mNotifiers;
    List* mList;
    const AudioTimeStamp* mTimestamp;
    UInt32 mOutputBus;
    UInt32 mFrames;
    AudioBufferList* mData;
  };

private:
  List* Acquire();
  static void Release(List* list);
  bool IsLive(const Entry& entry) const;
  // A copy that is not current and that no render holds, or null. Under mWriteMutex.
  List* Spare();
  // Fills next with the current list's entries that are still registered. Under mWriteMutex.
  void CopyLiveEntries(List* next) const;

  List mLists[kCopies];
  std::atomic<List*> mCurrent;
  // The serial of the registration in each slot, 0 when the slot is free.
  std::atomic<uint64_t> mLive[kCapacity];
  std::mutex mWriteMutex; // orders Add and Remove; never taken by a render
  uint64_t mLastSerial = 0;
  int mRegistered = 0;
};
