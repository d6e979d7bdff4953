#pragma once
// The editor the framework tests attach to a plug-in.

#include <vector>

#include "tests/graphics/RecordingGraphics.h"

// An editor surface, without controls, that records what the plug-in tells it.
class RecordingEditor : public graphicstest::TestGraphics
{
public:
  explicit RecordingEditor(int* deletions = nullptr)
      : graphicstest::TestGraphics(nullptr), mDeletions(deletions)
  {
  }
  ~RecordingEditor() override
  {
    if (mDeletions) ++*mDeletions;
  }
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override
  {
    mCalls.push_back({paramIdx, value, normalized});
  }
  void PrepDraw() override
  {
    ++mPrepDraws;
    graphicstest::TestGraphics::PrepDraw();
  }

  struct Call
  {
    int idx;
    double value;
    bool normalized;
  };
  std::vector<Call> mCalls;
  int mPrepDraws = 0;
  int* mDeletions;
};
