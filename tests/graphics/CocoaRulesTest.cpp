// The Mac editor view's rules that need no window: coordinates, modifiers, keys, the wheel,
// the value field's characters, message-box buttons, file-prompt helpers and the doubled
// screen image.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/IParam.h"
#include "graphics/CocoaEditorRules.h"
#include "graphics/IGraphics.h"
#include "graphics/ScreenDoubling.h"

namespace
{
constexpr int kH = 299; // the Kestrion editor's height

std::string Describe(const IRECT& r)
{
  return std::to_string(r.L) + "," + std::to_string(r.T) + "," + std::to_string(r.R) + "," +
         std::to_string(r.B);
}
} // namespace

TEST(CocoaRules, CoordinatesBetweenEditorAndView)
{
  // Mouse points: x = int(px) - 2, y = H - 3 - int(py), truncating toward zero.
  struct Point
  {
    double px, py;
    int x, y;
  };
  for (const Point p :
       {Point{10.7, 290.2, 8, 6}, Point{0.0, 0.0, -2, 296}, Point{2.99, 296.99, 0, 0},
        Point{-0.5, 298.0, -2, -2}, Point{577.9, 1.5, 575, 295}})
  {
    const EditorPoint e = EditorPointFromViewPoint(p.px, p.py, kH);
    EXPECT_EQ(e.x, p.x) << p.px << "," << p.py;
    EXPECT_EQ(e.y, p.y) << p.px << "," << p.py;
  }

  // Editor rectangles to view rectangles: origin (L, H - B - 1), size (R - L + 1, B - T + 1).
  struct ToView
  {
    IRECT r;
    ViewRect v;
  };
  for (const ToView c : {ToView{IRECT(10, 20, 30, 40), {10, 258, 21, 21}},
                         ToView{IRECT(0, 0, 578, 299), {0, -1, 579, 300}},
                         ToView{IRECT(284, 174, 314, 204), {284, 94, 31, 31}}})
  {
    const ViewRect v = ViewRectFromIRECT(c.r, kH);
    EXPECT_EQ(v.x, c.v.x) << Describe(c.r);
    EXPECT_EQ(v.y, c.v.y) << Describe(c.r);
    EXPECT_EQ(v.w, c.v.w) << Describe(c.r);
    EXPECT_EQ(v.h, c.v.h) << Describe(c.r);
  }

  // View rectangles (drawRect:) to editor rectangles: truncated, then flipped.
  struct ToEditor
  {
    ViewRect v;
    IRECT r;
  };
  for (const ToEditor c : {ToEditor{{0, 0, 578, 299}, IRECT(0, 0, 578, 299)},
                           ToEditor{{10.9, 258.5, 20.9, 21.9}, IRECT(10, 20, 30, 41)},
                           ToEditor{{284, 94, 31, 31}, IRECT(284, 174, 315, 205)}})
    EXPECT_EQ(Describe(IRECTFromViewRect(c.v, kH)), Describe(c.r));
}

TEST(CocoaRules, ButtonsAndModifierKeys)
{
  struct Case
  {
    HeldKeys keys;
    bool right;
    IMouseMod mod;
  };
  const Case cases[] = {
      {{}, false, IMouseMod(true, false, false, false, false)},
      {{}, true, IMouseMod(false, true, false, false, false)},
      {{false, false, false, true}, false, IMouseMod(true, true, false, false, false)},
      {{true, true, true, false}, false, IMouseMod(true, false, true, true, true)},
      {{true, false, true, true}, true, IMouseMod(false, true, true, false, true)},
      {{false, true, false, false}, true, IMouseMod(false, true, false, true, false)},
  };
  for (const Case& c : cases)
  {
    const IMouseMod m = MouseModFor(c.keys, c.right);
    const std::string at = "case " + std::to_string(&c - cases);
    EXPECT_EQ(m.L, c.mod.L) << at;
    EXPECT_EQ(m.R, c.mod.R) << at;
    EXPECT_EQ(m.S, c.mod.S) << at;
    EXPECT_EQ(m.C, c.mod.C) << at;
    EXPECT_EQ(m.A, c.mod.A) << at;
  }

  for (const auto& [delta, steps] : std::vector<std::pair<double, int>>{
           {0.6, 0}, {-0.6, 0}, {0.999, 0}, {1.0, 1}, {1.9, 1}, {-2.5, -2}, {7.0, 7}})
    EXPECT_EQ(WheelSteps(delta), steps) << delta;
}

TEST(CocoaRules, KeyCodes)
{
  struct Key
  {
    unsigned short virtualKey;
    unsigned int character;
    int code;
  };
  for (const Key k :
       {Key{123, 0xF702, kKeyLeft}, Key{124, 0xF703, kKeyRight}, Key{125, 0xF701, kKeyDown},
        Key{126, 0xF700, kKeyUp}, Key{49, ' ', kKeySpace}, Key{29, '0', 5}, Key{25, '9', 14},
        Key{0, 'A', 15}, Key{0, 'a', 15}, Key{6, 'Z', 40}, Key{6, 'z', 40}, Key{27, '-', -1},
        Key{36, '\r', -1}, Key{50, '`', -1}, Key{0, '@', -1}, Key{0, '[', -1}, Key{0, 0xE9, -1}})
    EXPECT_EQ(EditorKeyFor(k.virtualKey, k.character), k.code)
        << k.virtualKey << " '" << k.character << "'";
}

TEST(CocoaRules, ValueFieldCharactersByParameterType)
{
  EXPECT_STREQ(AllowedEntryCharacters(IParam::kTypeBool), "0123456789-+");
  EXPECT_STREQ(AllowedEntryCharacters(IParam::kTypeInt), "0123456789-+");
  EXPECT_STREQ(AllowedEntryCharacters(IParam::kTypeEnum), "0123456789-+");
  EXPECT_STREQ(AllowedEntryCharacters(IParam::kTypeDouble), "0123456789.-+");
  EXPECT_EQ(AllowedEntryCharacters(IParam::kTypeNone), nullptr);
  EXPECT_EQ(AllowedEntryCharacters(99), nullptr);
}

TEST(CocoaRules, MessageBoxesAndFilePrompts)
{
  using Titles = std::vector<std::string>;
  EXPECT_EQ(MessageBoxButtons(3), (Titles{"Yes", "No", "Cancel"}));
  EXPECT_EQ(MessageBoxButtons(4), (Titles{"Yes", "No"}));
  EXPECT_EQ(MessageBoxButtons(1), (Titles{"", "Cancel"}));
  for (int other : {0, 2, 5, -1})
    EXPECT_EQ(MessageBoxButtons(other), (Titles{""})) << other;
  for (const auto& [pressed, answer] :
       std::vector<std::pair<int, int>>{{0, 1}, {1, 7}, {2, 2}, {3, 0}, {-1, 0}})
    EXPECT_EQ(MessageBoxAnswer(pressed), answer) << pressed;

  EXPECT_EQ(SplitExtensions("fxp fxb"), (Titles{"fxp", "fxb"}));
  EXPECT_EQ(SplitExtensions("wav"), (Titles{"wav"}));
  EXPECT_EQ(SplitExtensions("a  b"), (Titles{"a", "", "b"})); // single spaces only
  EXPECT_TRUE(SplitExtensions("").empty());
  EXPECT_TRUE(SplitExtensions(nullptr).empty());
  EXPECT_EQ(FolderOf("/home/u/Desktop/preset.fxp"), "/home/u/Desktop/");
  EXPECT_EQ(FolderOf("/preset.fxp"), "/");
}

// On a screen with two device pixels per point every pixel becomes a 2 x 2 block, in rows
// of 2w rounded up to four pixels, starting on a 32-byte boundary; the buffer only grows.
TEST(CocoaRules, DoubledScreenImage)
{
  EXPECT_FALSE(IsHighResolution(1.0));
  EXPECT_FALSE(IsHighResolution(1.9));
  EXPECT_TRUE(IsHighResolution(1.901));
  EXPECT_TRUE(IsHighResolution(2.0));
  EXPECT_EQ(DoubledRowSpan(578), 1156);
  EXPECT_EQ(DoubledRowSpan(3), 8);
  EXPECT_EQ(DoubledRowSpan(1), 4);
  EXPECT_EQ(DoubledRowSpan(5), 12);

  ScreenDoubling doubling;
  // 3 x 2 pixels in rows of 4 (the fourth is padding that must not appear).
  const Raster_Pixel source[8] = {1, 2, 3, 0xdead, 4, 5, 6, 0xbeef};
  const Raster_Pixel* out = doubling.Double(source, 3, 2, 4);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(out) % 32, 0u);
  EXPECT_GE(doubling.Capacity(), std::size_t(2 * 8 * 8 + 32));
  const Raster_Pixel expected[4][6] = {
      {1, 1, 2, 2, 3, 3}, {1, 1, 2, 2, 3, 3}, {4, 4, 5, 5, 6, 6}, {4, 4, 5, 5, 6, 6}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(out[y * 8 + x], expected[y][x]) << x << "," << y;

  // The editor's size: 1156 x 598 in rows of 1156 pixels, h x span x 8 + 32 bytes.
  std::vector<Raster_Pixel> editor(578 * 299);
  for (std::size_t i = 0; i < editor.size(); ++i)
    editor[i] = Raster_Pixel(i);
  out = doubling.Double(editor.data(), 578, 299, 578);
  ASSERT_NE(out, nullptr);
  const std::size_t capacity = doubling.Capacity();
  EXPECT_EQ(capacity, std::size_t(299) * 1156 * 8 + 32);
  EXPECT_EQ(out[597 * 1156 + 1155], editor[298 * 578 + 577]);
  EXPECT_EQ(out[(2 * 150 + 1) * 1156 + 2 * 300], editor[150 * 578 + 300]);

  EXPECT_NE(doubling.Double(source, 3, 2, 4), nullptr);
  EXPECT_EQ(doubling.Capacity(), capacity);
  EXPECT_EQ(doubling.Double(nullptr, 3, 2, 4), nullptr);
  EXPECT_EQ(doubling.Double(source, 0, 2, 4), nullptr);
}
