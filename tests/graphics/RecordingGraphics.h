#pragma once
// A graphics surface whose platform operations only record what they were asked; the rest
// is the real editor on the real raster layer. Shared by the graphics, framework and Audio
// Unit tests.

#include <functional>
#include <string>
#include <vector>

#include "graphics/IGraphics.h"

namespace graphicstest
{

class TestGraphics : public IGraphics
{
public:
  explicit TestGraphics(IEffectBase* plug, int w = 100, int h = 60) : IGraphics(plug, w, h) {}

  struct TextEntry
  {
    IControl* control;
    IRECT rect;
    std::string text;
    IParam* param;
  };
  struct MenuShown
  {
    std::vector<std::string> texts;
    std::vector<bool> checked;
    IRECT rect;
  };

  bool DrawScreen(IRECT* r) override
  {
    mScreens.push_back(*r);
    return true;
  }
  void ForceEndUserEdit() override {}
  int ShowMessageBox(const char*, const char*, int) override { return 0; }
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) override
  {
    MenuShown shown{{}, {}, *rect};
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
      shown.texts.push_back(menu->GetItemText(i));
      shown.checked.push_back(menu->IsItemChecked(i));
    }
    mMenus.push_back(shown);
    if (mMenuChoice < 0) return nullptr;
    menu->SetChosenItemIdx(mMenuChoice);
    return menu;
  }
  void CreateTextEntry(IControl* control, IText*, IRECT* rect, const char* str,
                       IParam* param) override
  {
    mTextEntries.push_back({control, *rect, str, param});
  }
  void HostPath(std::string*) override {}
  void PluginPath(std::string*) override {}
  void DesktopPath(std::string*) override {}
  void AppSupportPath(std::string*, bool) override {}
  void SandboxSafeAppSupportPath(std::string*) override {}
  void PromptForFile(std::string* file, EFileAction, std::string*, const char*) override
  {
    ++mFilePrompts;
    if (file) *file = mFileAnswer;
  }
  bool PromptForColor(IColor*, const char*) override { return false; }
  bool OpenURL(const char* url, const char*, const char*, const char*) override
  {
    mURLs.push_back(url);
    return mOpenURLSucceeds;
  }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  bool GetTextFromClipboard(std::string*) override { return false; }
  void UpdateTooltips() override {}
  Raster_IBitmap* OSLoadBitmap(int id, const char* name) override
  {
    mLoads.push_back(name);
    return mLoader ? mLoader(id, name) : nullptr;
  }

  std::vector<IRECT> mScreens;
  std::vector<MenuShown> mMenus;
  int mMenuChoice = -1;
  std::vector<TextEntry> mTextEntries;
  int mFilePrompts = 0;
  std::string mFileAnswer;
  std::vector<std::string> mURLs;
  bool mOpenURLSucceeds = true;
  std::vector<std::string> mLoads;
  std::function<Raster_IBitmap*(int, const char*)> mLoader;
};

} // namespace graphicstest
