// The record a test component keeps as its instance storage. Tests read it through
// GetComponentInstanceStorage to see exactly what the component's entry received.
#pragma once

#include <AudioUnit/AudioUnit.h>

struct TestComponentState {
  ComponentInstance mSelf = nullptr;     // slot 1 of Open
  Handle mStorageAtOpen = reinterpret_cast<Handle>(1);
  int mCalls = 0;                        // calls after Open
  // The last call as received.
  SInt16 mWhat = 0;
  UInt8 mFlags = 0xFF;
  UInt8 mParamSize = 0;
  UInt32 mPadding = 0xFFFFFFFF;
  long mSlots[8] = {};
  Handle mStorage = nullptr;
  ComponentResult mNextResult = noErr;   // returned by the selectors that have no own answer
  Float32 mParameters[8] = {};           // Get/SetParameter by id
  struct Listener {
    AudioUnitPropertyID mID;
    AudioUnitPropertyListenerProc mProc;
    void* mUserData;
  };
  Listener mListeners[8] = {};
  int mListenerCount = 0;
  // Called from Close with the state about to be freed.
  void (*mOnClose)(TestComponentState* state, void* context) = nullptr;
  void* mCloseContext = nullptr;
};
