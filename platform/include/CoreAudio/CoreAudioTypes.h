/* CoreAudioTypes.h — stream descriptions, buffer lists, time stamps and channel layouts. */
#ifndef COREAUDIOTYPES_H
#define COREAUDIOTYPES_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kAudio_UnimplementedError = -4,
  kAudio_FileNotFoundError = -43,
  kAudio_FilePermissionError = -54,
  kAudio_TooManyFilesOpenError = -42,
  kAudio_BadFilePathError = 0x21707468, /* '!pth' */
  kAudio_ParamError = -50,
  kAudio_MemFullError = -108
};

/* --- Buffers -------------------------------------------------------------------------- */
typedef struct AudioBuffer {
  UInt32 mNumberChannels;
  UInt32 mDataByteSize;
  void* mData;
} AudioBuffer;

typedef struct AudioBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1]; /* mNumberBuffers of them; allocate the list with room for all */
} AudioBufferList;

typedef Float32 AudioSampleType;
typedef Float32 AudioUnitSampleType;

/* --- Stream descriptions -------------------------------------------------------------- */
typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

typedef struct AudioStreamBasicDescription {
  Float64 mSampleRate;
  AudioFormatID mFormatID;
  AudioFormatFlags mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
} AudioStreamBasicDescription;

enum {
  kAudioFormatLinearPCM = 0x6c70636d, /* 'lpcm' */
  kAudioFormatAC3 = 0x61632d33,       /* 'ac-3' */
  kAudioFormatAppleLossless = 0x616c6163, /* 'alac' */
  kAudioFormatMPEG4AAC = 0x61616320   /* 'aac ' */
};

enum {
  kAudioFormatFlagIsFloat = (1U << 0),
  kAudioFormatFlagIsBigEndian = (1U << 1),
  kAudioFormatFlagIsSignedInteger = (1U << 2),
  kAudioFormatFlagIsPacked = (1U << 3),
  kAudioFormatFlagIsAlignedHigh = (1U << 4),
  kAudioFormatFlagIsNonInterleaved = (1U << 5),
  kAudioFormatFlagIsNonMixable = (1U << 6),
  kAudioFormatFlagsAreAllClear = 0x80000000U,

  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian,
  kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsAlignedHigh = kAudioFormatFlagIsAlignedHigh,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
  kLinearPCMFormatFlagIsNonMixable = kAudioFormatFlagIsNonMixable,
  kLinearPCMFormatFlagsSampleFractionShift = 7,
  kLinearPCMFormatFlagsSampleFractionMask = (0x3FU << kLinearPCMFormatFlagsSampleFractionShift),
  kLinearPCMFormatFlagsAreAllClear = kAudioFormatFlagsAreAllClear,

  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsNativeFloatPacked = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                       kAudioFormatFlagIsPacked,
  kAudioFormatFlagsCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian | kAudioFormatFlagIsPacked,
  kAudioFormatFlagsAudioUnitCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                        kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved
};

/* --- Time stamps ---------------------------------------------------------------------- */
typedef UInt32 SMPTETimeType;
typedef UInt32 SMPTETimeFlags;

typedef struct SMPTETime {
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  SMPTETimeType mType;
  SMPTETimeFlags mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
} SMPTETime;

enum {
  kSMPTETimeValid = (1U << 0),
  kSMPTETimeRunning = (1U << 1)
};

typedef UInt32 AudioTimeStampFlags;
enum {
  kAudioTimeStampNothingValid = 0,
  kAudioTimeStampSampleTimeValid = (1U << 0),
  kAudioTimeStampHostTimeValid = (1U << 1),
  kAudioTimeStampRateScalarValid = (1U << 2),
  kAudioTimeStampWordClockTimeValid = (1U << 3),
  kAudioTimeStampSMPTETimeValid = (1U << 4),
  kAudioTimeStampSampleHostTimeValid = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid
};

typedef struct AudioTimeStamp {
  Float64 mSampleTime;
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  AudioTimeStampFlags mFlags;
  UInt32 mReserved;
} AudioTimeStamp;

/* --- Channel layouts ------------------------------------------------------------------ */
typedef UInt32 AudioChannelLabel;
typedef UInt32 AudioChannelLayoutTag;
typedef UInt32 AudioChannelBitmap;
typedef UInt32 AudioChannelFlags;

enum {
  kAudioChannelLabel_Unknown = 0xFFFFFFFFU,
  kAudioChannelLabel_Unused = 0,
  kAudioChannelLabel_Left = 1,
  kAudioChannelLabel_Right = 2,
  kAudioChannelLabel_Center = 3,
  kAudioChannelLabel_Mono = 42
};

enum {
  kAudioChannelLayoutTag_UseChannelDescriptions = (0U << 16) | 0,
  kAudioChannelLayoutTag_UseChannelBitmap = (1U << 16) | 0,
  kAudioChannelLayoutTag_Mono = (100U << 16) | 1,
  kAudioChannelLayoutTag_Stereo = (101U << 16) | 2,
  kAudioChannelLayoutTag_StereoHeadphones = (102U << 16) | 2,
  kAudioChannelLayoutTag_MatrixStereo = (103U << 16) | 2,
  kAudioChannelLayoutTag_MidSide = (104U << 16) | 2,
  kAudioChannelLayoutTag_XY = (105U << 16) | 2,
  kAudioChannelLayoutTag_Binaural = (106U << 16) | 2,
  kAudioChannelLayoutTag_Ambisonic_B_Format = (107U << 16) | 4,
  kAudioChannelLayoutTag_Quadraphonic = (108U << 16) | 4,
  kAudioChannelLayoutTag_Pentagonal = (109U << 16) | 5,
  kAudioChannelLayoutTag_Hexagonal = (110U << 16) | 6,
  kAudioChannelLayoutTag_Octagonal = (111U << 16) | 8,
  kAudioChannelLayoutTag_Cube = (112U << 16) | 8,
  kAudioChannelLayoutTag_DiscreteInOrder = (147U << 16) | 0,
  kAudioChannelLayoutTag_Unknown = 0xFFFF0000U
};

typedef struct AudioChannelDescription {
  AudioChannelLabel mChannelLabel;
  AudioChannelFlags mChannelFlags;
  Float32 mCoordinates[3];
} AudioChannelDescription;

typedef struct AudioChannelLayout {
  AudioChannelLayoutTag mChannelLayoutTag;
  AudioChannelBitmap mChannelBitmap;
  UInt32 mNumberChannelDescriptions;
  AudioChannelDescription mChannelDescriptions[1];
} AudioChannelLayout;

#define AudioChannelLayoutTag_GetNumberOfChannels(layoutTag) ((UInt32)((layoutTag) & 0x0000FFFF))

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
// The format flags of linear PCM with the given sample layout.
inline AudioFormatFlags CalculateLPCMFlags(UInt32 inValidBitsPerChannel,
                                           UInt32 inTotalBitsPerChannel, bool inIsFloat,
                                           bool inIsBigEndian, bool inIsNonInterleaved = false)
{
  return (inIsFloat ? kAudioFormatFlagIsFloat : kAudioFormatFlagIsSignedInteger) |
         (inIsBigEndian ? ((UInt32)kAudioFormatFlagIsBigEndian) : 0) |
         ((inValidBitsPerChannel == inTotalBitsPerChannel) ? kAudioFormatFlagIsPacked
                                                           : kAudioFormatFlagIsAlignedHigh) |
         (inIsNonInterleaved ? ((UInt32)kAudioFormatFlagIsNonInterleaved) : 0);
}

// Describes linear PCM: one packet a frame; a non-interleaved buffer holds one channel.
inline void FillOutASBDForLPCM(AudioStreamBasicDescription& outASBD, Float64 inSampleRate,
                               UInt32 inChannelsPerFrame, UInt32 inValidBitsPerChannel,
                               UInt32 inTotalBitsPerChannel, bool inIsFloat, bool inIsBigEndian,
                               bool inIsNonInterleaved = false)
{
  outASBD.mSampleRate = inSampleRate;
  outASBD.mFormatID = kAudioFormatLinearPCM;
  outASBD.mFormatFlags = CalculateLPCMFlags(inValidBitsPerChannel, inTotalBitsPerChannel,
                                            inIsFloat, inIsBigEndian, inIsNonInterleaved);
  outASBD.mBytesPerPacket =
      (inIsNonInterleaved ? 1 : inChannelsPerFrame) * (inTotalBitsPerChannel / 8);
  outASBD.mFramesPerPacket = 1;
  outASBD.mBytesPerFrame = outASBD.mBytesPerPacket;
  outASBD.mChannelsPerFrame = inChannelsPerFrame;
  outASBD.mBitsPerChannel = inValidBitsPerChannel;
  outASBD.mReserved = 0;
}
#endif

#endif /* COREAUDIOTYPES_H */
