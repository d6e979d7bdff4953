#include "graphics/IPopupMenu.h"

#include <algorithm>
#include <cstdio>

IPopupMenuItem::IPopupMenuItem(const char* text, int flags) : mFlags(flags)
{
  SetText(text);
}

IPopupMenuItem::IPopupMenuItem(const char* text, IPopupMenu* submenu) : mSubmenu(submenu)
{
  SetText(text);
}

void IPopupMenuItem::SetText(const char* text)
{
  mText = text ? text : "";
}

void IPopupMenuItem::SetChecked(bool checked)
{
  if (checked)
    mFlags |= kItemChecked;
  else
    mFlags &= ~kItemChecked;
}

// ---------------------------------------------------------------------------------------
IPopupMenu::~IPopupMenu()
{
  while (!mMenuItems.empty())
    mMenuItems.pop_back();
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int index)
{
  if (!item) return nullptr;
  const int count = GetNItems();
  const int at = index == -1 ? count : std::clamp(index, 0, count);
  mMenuItems.emplace(mMenuItems.begin() + at, item);
  return item;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int flags)
{
  return AddItem(new IPopupMenuItem(text, flags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu)
{
  return AddItem(new IPopupMenuItem(text, submenu), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu)
{
  return AddItem(text, -1, submenu);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index)
{
  return AddItem("", index, IPopupMenuItem::kItemSeparator);
}

void IPopupMenu::SetPrefix(int prefix)
{
  if (prefix >= kPrefixNone && prefix <= kPrefixThreeDigits) mPrefix = prefix;
}

std::string IPopupMenu::GetDisplayText(int index) const
{
  static const char* const kFormats[] = {"", "%1d: ", "%02d: ", "%03d: "};
  char number[16] = "";
  if (mPrefix != kPrefixNone) std::snprintf(number, sizeof(number), kFormats[mPrefix], index + 1);
  return number + std::string(GetItemText(index));
}

IPopupMenuItem* IPopupMenu::GetItem(int index) const
{
  if (index < 0 || index >= GetNItems()) return nullptr;
  return mMenuItems[static_cast<size_t>(index)].get();
}

bool IPopupMenu::CheckItem(int index, bool checked)
{
  IPopupMenuItem* item = GetItem(index);
  if (!item) return false;
  item->SetChecked(checked);
  return true;
}

void IPopupMenu::CheckItemAlone(int index)
{
  for (int i = 0; i < GetNItems(); ++i)
    GetItem(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index) const
{
  const IPopupMenuItem* item = GetItem(index);
  return item && item->GetChecked();
}
