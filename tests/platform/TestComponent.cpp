// A minimal component for the platform tests: records every call in its instance storage
// and answers the selectors a host exercises.
#include "tests/platform/TestComponentState.h"

#include <cstring>

namespace {

void Record(TestComponentState* state, const ComponentParameters* params, Handle storage) {
  ++state->mCalls;
  state->mWhat = params->what;
  state->mFlags = params->flags;
  state->mParamSize = params->paramSize;
  state->mPadding = params->padding;
  const size_t slots = params->paramSize / sizeof(long) + 1;
  for (size_t i = 0; i < 8; ++i) state->mSlots[i] = i < slots ? params->params[i] : 0;
  state->mStorage = storage;
}

void NotifyListeners(TestComponentState* state, AudioUnitPropertyID id, AudioUnitScope scope) {
  for (int i = 0; i < state->mListenerCount; ++i) {
    const auto& l = state->mListeners[i];
    if (l.mID == id) l.mProc(l.mUserData, state->mSelf, id, scope, 0);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ComponentResult TestComponent_Entry(ComponentParameters* params,
                                                                                      Handle storage) {
  if (params->what == kComponentOpenSelect) {
    auto* state = new TestComponentState();
    state->mSelf = reinterpret_cast<ComponentInstance>(params->params[1]);
    state->mStorageAtOpen = storage;
    SetComponentInstanceStorage(state->mSelf, reinterpret_cast<Handle>(state));
    return noErr;
  }
  auto* state = reinterpret_cast<TestComponentState*>(storage);
  if (!state) return badComponentInstance;
  Record(state, params, storage);
  const long* slot = params->params;
  switch (params->what) {
    case kComponentCloseSelect:
      if (state->mOnClose) state->mOnClose(state, state->mCloseContext);
      delete state;
      return noErr;
    case kComponentCanDoSelect: {
      long selector = slot[0];
      return (selector >= 1 && selector <= 18 && selector != 8 && selector != 12 && selector != 13) ||
             selector == kMusicDeviceMIDIEventSelect || selector == kMusicDeviceSysExSelect;
    }
    case kComponentVersionSelect:
      return 0x00010203;
    case kAudioUnitGetParameterSelect: {
      auto id = static_cast<UInt32>(slot[1]);
      if (id >= 8) return kAudioUnitErr_InvalidParameter;
      *reinterpret_cast<Float32*>(slot[4]) = state->mParameters[id];
      return noErr;
    }
    case kAudioUnitSetParameterSelect: {
      auto id = static_cast<UInt32>(slot[1]);
      if (id >= 8) return kAudioUnitErr_InvalidParameter;
      memcpy(&state->mParameters[id], &slot[4], sizeof(Float32));
      return noErr;
    }
    case kAudioUnitAddPropertyListenerSelect:
      if (state->mListenerCount == 8) return kAudioUnitErr_InvalidProperty;
      state->mListeners[state->mListenerCount++] = {static_cast<AudioUnitPropertyID>(slot[1]),
                                                    reinterpret_cast<AudioUnitPropertyListenerProc>(slot[2]),
                                                    reinterpret_cast<void*>(slot[3])};
      return noErr;
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      for (int i = 0; i < state->mListenerCount; ++i) {
        auto& l = state->mListeners[i];
        if (l.mID == static_cast<AudioUnitPropertyID>(slot[1]) &&
            l.mProc == reinterpret_cast<AudioUnitPropertyListenerProc>(slot[2]) &&
            l.mUserData == reinterpret_cast<void*>(slot[3])) {
          for (int k = i + 1; k < state->mListenerCount; ++k) state->mListeners[k - 1] = state->mListeners[k];
          --state->mListenerCount;
          break;
        }
      }
      return noErr;
    case kAudioUnitSetPropertySelect:
      NotifyListeners(state, static_cast<AudioUnitPropertyID>(slot[1]), static_cast<AudioUnitScope>(slot[2]));
      return state->mNextResult;
    case kAudioUnitRenderSelect: {
      auto* list = reinterpret_cast<AudioBufferList*>(slot[5]);
      auto frames = static_cast<UInt32>(slot[4]);
      for (UInt32 b = 0; list && b < list->mNumberBuffers; ++b) {
        auto* samples = static_cast<Float32*>(list->mBuffers[b].mData);
        for (UInt32 i = 0; samples && i < frames; ++i) samples[i] = 0.5f;
      }
      return state->mNextResult;
    }
    default:
      if (params->what < 0) return badComponentSelector;
      return state->mNextResult;
  }
}

// Refuses to open: for the test of a failing Open.
extern "C" __attribute__((visibility("default"))) ComponentResult TestComponent_RefusingEntry(
    ComponentParameters* params, Handle) {
  return params->what == kComponentOpenSelect ? static_cast<ComponentResult>(memFullErr) : noErr;
}

// Not listed in the export map: must stay hidden.
extern "C" __attribute__((visibility("default"))) int TestComponent_Hidden(void) { return 1; }
