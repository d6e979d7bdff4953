#include "au/RenderNotifiers.h"

// A render holds a copy of the list by counting itself in mReaders, then checking that the
// copy is still current; a writer reuses only a copy that is not current and has no readers.
// Both sides use sequentially consistent operations on mCurrent and mReaders: a render that
// saw the copy current after counting itself is seen by any writer that looks later, and a
// writer's entries are complete before the copy becomes current.

RenderNotifiers::RenderNotifiers() : mCurrent(&mLists[0])
{
  for (auto& serial : mLive)
    serial.store(0, std::memory_order_relaxed);
}

OSStatus RenderNotifiers::Add(AURenderCallback proc, void* refCon)
{
  if (!proc) return kAudio_ParamError;
  std::lock_guard<std::mutex> lock(mWriteMutex);
  if (mRegistered >= kCapacity) return kAudio_MemFullError;
  List* next = Spare();
  if (!next) return kAudioUnitErr_CannotDoInCurrentContext;

  // As many slots are taken as there are notifiers, so one is free.
  int slot = 0;
  while (mLive[slot].load(std::memory_order_relaxed) != 0)
    ++slot;
  const uint64_t serial = ++mLastSerial;
  mLive[slot].store(serial, std::memory_order_release);
  ++mRegistered;

  CopyLiveEntries(next);
  next->mEntries[next->mCount++] = Entry{proc, refCon, slot, serial};
  mCurrent.store(next, std::memory_order_seq_cst);
  return noErr;
}

OSStatus RenderNotifiers::Remove(AURenderCallback proc)
{
  std::lock_guard<std::mutex> lock(mWriteMutex);
  const List* current = mCurrent.load(std::memory_order_relaxed);
  for (int i = 0; i < current->mCount; ++i)
  {
    const Entry& entry = current->mEntries[i];
    if (entry.mProc != proc || !IsLive(entry)) continue;
    // From now on every render skips it, also one that holds an older list. Without a spare
    // copy the current list keeps the dead entry until the next change drops it.
    mLive[entry.mSlot].store(0, std::memory_order_release);
    --mRegistered;
    if (List* next = Spare())
    {
      CopyLiveEntries(next);
      mCurrent.store(next, std::memory_order_seq_cst);
    }
    break;
  }
  return noErr;
}

void RenderNotifiers::CopyLiveEntries(List* next) const
{
  const List* current = mCurrent.load(std::memory_order_relaxed);
  next->mCount = 0;
  for (int i = 0; i < current->mCount; ++i)
    if (IsLive(current->mEntries[i])) next->mEntries[next->mCount++] = current->mEntries[i];
}

RenderNotifiers::List* RenderNotifiers::Acquire()
{
  for (;;)
  {
    List* list = mCurrent.load(std::memory_order_seq_cst);
    list->mReaders.fetch_add(1, std::memory_order_seq_cst);
    if (mCurrent.load(std::memory_order_seq_cst) == list) return list;
    list->mReaders.fetch_sub(1, std::memory_order_seq_cst); // replaced meanwhile: retry
  }
}

void RenderNotifiers::Release(List* list)
{
  list->mReaders.fetch_sub(1, std::memory_order_seq_cst);
}

bool RenderNotifiers::IsLive(const Entry& entry) const
{
  return mLive[entry.mSlot].load(std::memory_order_acquire) == entry.mSerial;
}

RenderNotifiers::List* RenderNotifiers::Spare()
{
  const List* current = mCurrent.load(std::memory_order_relaxed);
  for (List& list : mLists)
    if (&list != current && list.mReaders.load(std::memory_order_seq_cst) == 0) return &list;
  return nullptr;
}

// ---- One render's notices ---------------------------------------------------------------------

RenderNotifiers::Pass::Pass(RenderNotifiers& notifiers, const AudioTimeStamp* timestamp,
                            UInt32 outputBus, UInt32 nFrames, AudioBufferList* ioData)
    : mNotifiers(notifiers), mList(notifiers.Acquire()), mTimestamp(timestamp),
      mOutputBus(outputBus), mFrames(nFrames), mData(ioData)
{
  Notify(kAudioUnitRenderAction_PreRender);
}

RenderNotifiers::Pass::~Pass()
{
  Release(mList);
}

void RenderNotifiers::Pass::PostRender() const
{
  Notify(kAudioUnitRenderAction_PostRender);
}

void RenderNotifiers::Pass::Notify(AudioUnitRenderActionFlags action) const
{
  for (int i = 0; i < mList->mCount; ++i)
  {
    const Entry& entry = mList->mEntries[i];
    if (!mNotifiers.IsLive(entry)) continue;
    AudioUnitRenderActionFlags flags = action;
    entry.mProc(entry.mRefCon, &flags, mTimestamp, mOutputBus, mFrames, mData);
  }
}
