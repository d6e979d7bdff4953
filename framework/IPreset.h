#pragma once
// One preset slot: whether it holds stored state, its name and its state chunk.

#include "framework/ByteChunk.h"

struct IPreset
{
  static constexpr int kNameLen = 256; // terminator included

  bool mInitialized = false;
  char mName[kNameLen] = "empty";
  ByteChunk mChunk;
};
