#pragma once
// The platform-neutral menu model: items with text, flags and an optional submenu, and the
// index the user chose. The value prompt builds one; the platform view shows it.

#include <memory>
#include <string>
#include <vector>

class IPopupMenu;

class IPopupMenuItem
{
public:
  enum Flags
  {
    kNoFlags = 0,
    kItemDisabled = 1,
    kItemTitle = 2,
    kItemChecked = 4,
    kItemSeparator = 8
  };

  explicit IPopupMenuItem(const char* text, int flags = kNoFlags);
  // An item that opens submenu (not owned).
  IPopupMenuItem(const char* text, IPopupMenu* submenu);

  const char* GetText() const { return mText.c_str(); }
  void SetText(const char* text);
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }
  bool GetEnabled() const { return !(mFlags & kItemDisabled); }
  bool GetChecked() const { return (mFlags & kItemChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kItemTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kItemSeparator) != 0; }
  void SetChecked(bool checked);

private:
  std::string mText;
  IPopupMenu* mSubmenu = nullptr;
  int mFlags = kNoFlags;
};

class IPopupMenu
{
public:
  // Numbering in front of each item's text: none, "%1d: ", "%02d: " or "%03d: ".
  enum EPrefix
  {
    kPrefixNone = 0,
    kPrefixOneDigit = 1,
    kPrefixTwoDigits = 2,
    kPrefixThreeDigits = 3
  };

  IPopupMenu() = default;
  // Deletes the items from last to first; submenus are not deleted.
  ~IPopupMenu();

  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Each AddItem takes ownership of the new item and places it: index -1 appends, any
  // other index inserts at index limited to 0..count (later items move up).
  IPopupMenuItem* AddItem(IPopupMenuItem* item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int flags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  // Stored only for 0..3.
  void SetPrefix(int prefix);
  int GetPrefix() const { return mPrefix; }
  // The text an item is shown with: its text behind the numbering of the prefix. The
  // index must be valid.
  std::string GetDisplayText(int index) const;

  int GetNItems() const { return static_cast<int>(mMenuItems.size()); }
  // Null outside 0..count - 1.
  IPopupMenuItem* GetItem(int index) const;
  // The index must be valid.
  const char* GetItemText(int index) const { return GetItem(index)->GetText(); }
  // False when there is no such item.
  bool CheckItem(int index, bool checked);
  // Ticks that item and clears the tick of every other.
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;

  // Written by the platform when the user picks an item; -1 for none.
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetCanMultiCheck(bool canMultiCheck) { mCanMultiCheck = canMultiCheck; }
  bool GetCanMultiCheck() const { return mCanMultiCheck; }

private:
  int mPrefix = kPrefixNone;
  int mChosenItemIdx = -1;
  bool mCanMultiCheck = false;
  std::vector<std::unique_ptr<IPopupMenuItem>> mMenuItems;
};
