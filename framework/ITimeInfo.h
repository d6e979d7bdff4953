#pragma once
// Host transport, filled by IEffectBase::GetTime. The caller sets its own defaults first;
// only what the host reports is overwritten.
struct ITimeInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mBeatPos = -1.0;
  double mBarStartBeat = -1.0;
  double mCycleStartBeat = -1.0;
  double mCycleEndBeat = -1.0;
  int mTimeSigNum = 4;
  int mTimeSigDen = 4;
  bool mPlaying = false;
  bool mCycling = false;
};
