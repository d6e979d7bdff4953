#include <gtest/gtest.h>

#include "graphics/IPopupMenu.h"

namespace
{

std::string Texts(const IPopupMenu& menu)
{
  std::string all;
  for (int i = 0; i < menu.GetNItems(); ++i)
    all += (i ? "|" : "") + std::string(menu.GetItemText(i));
  return all;
}

} // namespace

TEST(PopupMenu, InsertionClampsTheIndex)
{
  IPopupMenu menu;
  menu.AddItem("a");
  menu.AddItem("b");
  menu.AddItem("c");
  menu.AddItem("end", 10);   // past the end: appended
  menu.AddItem("front", -5); // before the start: first
  menu.AddItem("mid", 2);
  IPopupMenu sub;
  IPopupMenuItem* opener = menu.AddItem("more", &sub);
  IPopupMenuItem* separator = menu.AddSeparator(0);
  EXPECT_EQ(Texts(menu), "|front|a|mid|b|c|end|more");
  EXPECT_EQ(opener->GetSubmenu(), &sub);
  EXPECT_TRUE(separator->GetIsSeparator());
  EXPECT_EQ(menu.GetItem(8), nullptr);
  EXPECT_EQ(menu.GetItem(-1), nullptr);
}

TEST(PopupMenu, PrefixesAndChecks)
{
  IPopupMenu menu;
  for (const char* t : {"one", "two", "three"})
    menu.AddItem(t);
  EXPECT_EQ(menu.GetDisplayText(2), "three");
  menu.SetPrefix(2);
  EXPECT_EQ(menu.GetDisplayText(2), "03: three");
  menu.SetPrefix(4); // out of range: ignored
  menu.SetPrefix(-1);
  EXPECT_EQ(menu.GetPrefix(), 2);
  menu.SetPrefix(1);
  EXPECT_EQ(menu.GetDisplayText(0), "1: one");
  menu.SetPrefix(3);
  EXPECT_EQ(menu.GetDisplayText(1), "002: two");

  EXPECT_TRUE(menu.CheckItem(0, true));
  EXPECT_TRUE(menu.CheckItem(2, true));
  EXPECT_FALSE(menu.CheckItem(3, true));
  menu.CheckItemAlone(1);
  EXPECT_FALSE(menu.IsItemChecked(0));
  EXPECT_TRUE(menu.IsItemChecked(1));
  EXPECT_FALSE(menu.IsItemChecked(2));
  EXPECT_FALSE(menu.IsItemChecked(7));
  menu.GetItem(1)->SetChecked(false);
  EXPECT_EQ(menu.GetItem(1)->GetFlags(), IPopupMenuItem::kNoFlags);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
}
