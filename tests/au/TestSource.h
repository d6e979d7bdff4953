#pragma once
// The upstream test unit (SourceComponent.cpp): a generator with one output bus that renders
// autest::SourceSample for the frames of each time stamp. Two components share the code:
// 'Src1' hands out its render function through kAudioUnitProperty_FastDispatch, 'Src2'
// refuses that property, so a unit connected to it must pull through AudioUnitRender.
//
// The output stream format (property 8, output scope, element 0) sets the channel count
// (1 to 8; stereo at open). Buffers with a null data pointer are pointed at the unit's own
// memory (up to 4096 frames). kSourceProperty_Fault makes later renders damage the list they
// fill and still return noErr.

#include <AudioUnit/AudioUnit.h>

namespace autest
{
constexpr OSType kSourceType = 0x6175676e;       // 'augn'
constexpr OSType kSourceFast = 0x53726331;       // 'Src1'
constexpr OSType kSourceSlow = 0x53726332;       // 'Src2'
constexpr OSType kTestManufacturer = 0x4b735473; // 'KsTs'

// Test-only properties of the source, global scope.
constexpr AudioUnitPropertyID kSourceProperty_RenderStatus = 64001; // SInt32, set: what render returns
constexpr AudioUnitPropertyID kSourceProperty_RenderCount = 64002;  // UInt32, get: renders so far
constexpr AudioUnitPropertyID kSourceProperty_SelectorRenderCount = 64003; // UInt32, get: of them through
                                                                          // the render selector
// UInt32, set: the SourceFault that later renders commit.
constexpr AudioUnitPropertyID kSourceProperty_Fault = 64004;

// What a faulty source does to the buffer list it fills before it returns noErr anyway.
enum SourceFault : UInt32
{
  kFaultNone = 0,
  kFaultNullData = 1,     // the last buffer is left without memory
  kFaultFewerBuffers = 2, // the list comes back one buffer short
  kFaultShortBuffer = 3,  // the last buffer holds one sample less than asked
};

inline void CommitFault(AudioBufferList* list, UInt32 fault)
{
  if (!list || list->mNumberBuffers == 0) return;
  AudioBuffer& last = list->mBuffers[list->mNumberBuffers - 1];
  switch (fault)
  {
  case kFaultNullData:
    last.mData = nullptr;
    break;
  case kFaultFewerBuffers:
    --list->mNumberBuffers;
    break;
  case kFaultShortBuffer:
    last.mDataByteSize -= sizeof(float);
    break;
  default:
    break;
  }
}
} // namespace autest
