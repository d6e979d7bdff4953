#pragma once
// The upstream test unit (SourceComponent.cpp): a generator with one output bus that renders
// autest::SourceSample for the frames of each time stamp. Two components share the code:
// 'Src1' hands out its render function through kAudioUnitProperty_FastDispatch, 'Src2'
// refuses that property, so a unit connected to it must pull through AudioUnitRender.
//
// The output stream format (property 8, output scope, element 0) sets the channel count
// (1 to 8; stereo at open). Buffers with a null data pointer are pointed at the unit's own
// memory (up to 4096 frames).

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
} // namespace autest
