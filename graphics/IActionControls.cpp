#include "graphics/IActionControls.h"

#include <cstdio>

#include "graphics/IGraphics.h"

namespace
{

void CopyText(char* field, int size, const char* text)
{
  std::snprintf(field, size_t(size), "%s", text ? text : "");
}

} // namespace

IURLControl::IURLControl(IEffectBase* plug, const IRECT& rect, const char* url,
                         const char* backupURL, const char* errMsgOnFailure)
    : IControl(plug, rect)
{
  CopyText(mURL, kURLLen, url);
  CopyText(mBackupURL, kURLLen, backupURL);
  CopyText(mErrMsg, kURLLen, errMsgOnFailure);
}

void IURLControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  IGraphics* graphics = GetGUI();
  if (!graphics) return;
  const bool opened = mURL[0] && graphics->OpenURL(mURL, nullptr, nullptr, mErrMsg);
  if (!opened && mBackupURL[0]) graphics->OpenURL(mBackupURL, nullptr, nullptr, mErrMsg);
}

// ---------------------------------------------------------------------------------------
IFileSelectorControl::IFileSelectorControl(IEffectBase* plug, const IRECT& rect, int paramIdx,
                                           const IBitmap* bitmap, EFileAction action,
                                           const char* dir, const char* extensions)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap ? *bitmap : IBitmap()), mDir(dir ? dir : ""),
      mExtensions(extensions ? extensions : ""), mFileAction(action)
{
}

void IFileSelectorControl::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* /*mod*/)
{
  IGraphics* graphics = GetGUI();
  if (!graphics) return;
  mState = kFSSelecting;
  SetDirty(false);
  graphics->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.c_str());
  mValue += 1.0;
  if (mValue > 1.0) mValue = 0.0;
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics)
{
  if (mState == kFSSelecting) graphics->DrawBitmap(&mBitmap, &mRECT, 0, 0, nullptr);
  return true;
}

bool IFileSelectorControl::IsDirty()
{
  if (mDirty) return true;
  if (mState == kFSDone)
  {
    mState = kFSNone;
    return true;
  }
  return false;
}
