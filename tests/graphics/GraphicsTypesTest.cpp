#include <gtest/gtest.h>

#include <cstring>

#include "graphics/IGraphicsTypes.h"

namespace
{

struct RectCase
{
  IRECT a, b;
  bool intersects;
  IRECT intersection, bounds;
};

class RectRules : public testing::TestWithParam<RectCase>
{
};

} // namespace

// Intersect and Union follow Intersects, with the all-zero rectangle as the only empty one.
TEST_P(RectRules, IntersectAndUnion)
{
  const RectCase& c = GetParam();
  EXPECT_EQ(c.a.Intersects(c.b), c.intersects);
  EXPECT_EQ(c.a.Intersect(c.b), c.intersection);
  EXPECT_EQ(c.a.Union(c.b), c.bounds);
}

INSTANTIATE_TEST_SUITE_P(
    GraphicsTypes, RectRules,
    testing::Values(
        // Overlapping.
        RectCase{{0, 0, 10, 10}, {5, 5, 20, 20}, true, {5, 5, 10, 10}, {0, 0, 20, 20}},
        // A rectangle touched on its right or bottom edge meets the other (the common part is a
        // line); seen from the other side, touching on the left or top edge does not.
        RectCase{{0, 0, 10, 10}, {10, 0, 20, 10}, true, {10, 0, 10, 10}, {0, 0, 20, 10}},
        RectCase{{0, 0, 10, 10}, {0, 10, 10, 20}, true, {0, 10, 10, 10}, {0, 0, 10, 20}},
        RectCase{{10, 0, 20, 10}, {0, 0, 10, 10}, false, {}, {0, 0, 20, 10}},
        RectCase{{0, 10, 10, 20}, {0, 0, 10, 10}, false, {}, {0, 0, 10, 20}},
        // Apart.
        RectCase{{0, 0, 10, 10}, {11, 0, 20, 10}, false, {}, {0, 0, 20, 10}},
        // The empty rectangle meets nothing and adds nothing to a union.
        RectCase{{}, {0, 0, 10, 10}, false, {}, {0, 0, 10, 10}},
        RectCase{{3, 4, 5, 6}, {}, false, {}, {3, 4, 5, 6}},
        // A zero-sized rectangle away from the origin is not empty.
        RectCase{{5, 5, 5, 5}, {0, 0, 10, 10}, true, {5, 5, 5, 5}, {0, 0, 10, 10}}));

TEST(GraphicsTypes, RectContainsAndCentres)
{
  const IRECT r(10, 20, 15, 23);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_TRUE(r.Contains(14, 22));
  EXPECT_FALSE(r.Contains(15, 22));
  EXPECT_FALSE(r.Contains(14, 23));
  EXPECT_FALSE(r.Contains(9, 20));
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_FALSE(IRECT(5, 5, 5, 5).Empty());
  EXPECT_EQ(r.W(), 5);
  EXPECT_EQ(r.H(), 3);
  EXPECT_FLOAT_EQ(r.MW(), 12.5f);
  EXPECT_FLOAT_EQ(r.MH(), 21.5f);
}

TEST(GraphicsTypes, ColoursBlendsAndTextDefaults)
{
  // Pixel bytes A, R, G, B in memory; channels masked to 8 bits.
  EXPECT_EQ(IColor(0x11, 0x22, 0x33, 0x44).ToPixel(), 0x44332211u);
  EXPECT_EQ(IColor(256 + 1, -1, 0, 0).ToPixel(), 0x0000FF01u);
  EXPECT_EQ(IColor::FromPixel(0x44332211u), IColor(0x11, 0x22, 0x33, 0x44));
  EXPECT_EQ(COLOR_ORANGE, IColor(255, 255, 127, 0));
  EXPECT_EQ(COLOR_GRAY, IColor(255, 127, 127, 127));
  EXPECT_EQ(COLOR_TRANSPARENT.ToPixel(), 0u);
  EXPECT_EQ(DEFAULT_TEXT_ENTRY_BGCOLOR, COLOR_WHITE);

  const IChannelBlend add(IChannelBlend::kBlendAdd), dodge(IChannelBlend::kBlendDodge),
      copy(IChannelBlend::kBlendCopy), unknown(9, 0.5f);
  EXPECT_EQ(RasterMode(nullptr), 0x10000);
  EXPECT_EQ(RasterMode(&copy), 0);
  EXPECT_EQ(RasterMode(&add), 0x10001);
  EXPECT_EQ(RasterMode(&dodge), 0x10002);
  EXPECT_EQ(RasterMode(&unknown), 0x10000);
  EXPECT_FLOAT_EQ(RasterOpacity(nullptr), 1.0f);
  EXPECT_FLOAT_EQ(RasterOpacity(&unknown), 0.5f);

  const IText text;
  EXPECT_STREQ(text.mFont, "Monaco");
  EXPECT_EQ(text.mSize, 10);
  EXPECT_EQ(text.mColor, COLOR_BLACK);
  EXPECT_EQ(text.mAlign, IText::kAlignCenter);
  EXPECT_EQ(text.mCached, nullptr);
  // Face names are cut to the 31 characters the field holds.
  const IText longName(12, COLOR_RED, "A face name that is much longer than the field");
  EXPECT_EQ(std::strlen(longName.mFont), 31u);
  EXPECT_EQ(IText(12, COLOR_RED, nullptr).mFont, std::string("Monaco"));
}
