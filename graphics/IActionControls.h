#pragma once
// Controls that start a platform action when pressed: opening a web address, choosing a
// file.

#include <string>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

// Opens its URL when pressed, or the backup URL when that fails or there is no URL. Draws
// nothing.
class IURLControl : public IControl
{
public:
  static constexpr int kURLLen = 512; // each text with its terminator; longer ones are cut

  // Null or empty texts stay empty.
  IURLControl(IEffectBase* plug, const IRECT& rect, const char* url,
              const char* backupURL = nullptr, const char* errMsgOnFailure = nullptr);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics*) override { return true; }

  const char* GetURL() const { return mURL; }
  const char* GetBackupURL() const { return mBackupURL; }

protected:
  char mURL[kURLLen] = "";
  char mBackupURL[kURLLen] = "";
  char mErrMsg[kURLLen] = "";
};

// Asks for a file when pressed and flips its value, so the plug-in sees each choice. Shows
// its bitmap only while the file prompt is open.
class IFileSelectorControl : public IControl
{
public:
  enum EFileSelectorState
  {
    kFSNone = 0,
    kFSSelecting = 1,
    kFSDone = 2
  };

  IFileSelectorControl(IEffectBase* plug, const IRECT& rect, int paramIdx, const IBitmap* bitmap,
                       EFileAction action, const char* dir = "", const char* extensions = "");
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  // Dirty when marked; otherwise once after a selection finished.
  bool IsDirty() override;

  void GetLastSelectedFileForPlug(std::string* file) const { *file = mFile; }
  void SetLastSelectedFileFromPlug(const char* file) { mFile = file ? file : ""; }
  const std::string& GetDir() const { return mDir; }
  EFileSelectorState GetState() const { return mState; }

protected:
  IBitmap mBitmap;
  std::string mDir, mFile, mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState = kFSNone;
};
