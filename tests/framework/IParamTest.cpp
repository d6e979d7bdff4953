#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{
std::string Display(const IParam& p, bool withText = true)
{
  char buf[IParam::kDisplayLen];
  p.GetDisplayForHost(buf, withText);
  return buf;
}
} // namespace

TEST(IParam, FreshParameterHasDefaultState)
{
  IParam p;
  EXPECT_EQ(IParam::kTypeNone, p.Type());
  double lo, hi;
  p.GetBounds(lo, hi);
  EXPECT_EQ(0.0, lo);
  EXPECT_EQ(1.0, hi);
  EXPECT_EQ(1.0, p.GetStep());
  EXPECT_EQ(0.0, p.Value());
  EXPECT_EQ("0", Display(p));
  EXPECT_TRUE(p.GetCanAutomate());
  EXPECT_FALSE(p.GetIsMeta());
}

TEST(IParam, DisplayPrecisionFollowsStep)
{
  const struct
  {
    double step;
    int precision;
  } cases[] = {{1, 0}, {0.5, 1}, {0.1, 1}, {0.25, 2}, {0.01, 2}, {0.125, 3}, {0.001, 3},
               {0.0001, 4}, {1e-7, 6}, {2.0 / 3.0, 6}};
  for (const auto& c : cases)
  {
    IParam p;
    p.InitDouble("x", 0, 0, 10, c.step);
    EXPECT_EQ(c.precision, p.GetPrecision()) << "step " << c.step;
  }

  IParam twoDecimals;
  twoDecimals.InitDouble("x", -3.5, -10, 10, 0.01);
  EXPECT_EQ("-3.50", Display(twoDecimals));
  IParam whole;
  whole.InitDouble("x", -3.5, -10, 10, 1);
  EXPECT_EQ("-3", Display(whole)); // truncated, not rounded
}

TEST(IParam, InitialisationKeepsTheRangeInvariantAndTheFirstType)
{
  IParam narrow;
  narrow.InitDouble("x", 0, 0, 0.5, 1);
  EXPECT_EQ(1.0, narrow.GetMax());

  IParam oneEntry;
  oneEntry.InitEnum("e", 0, 1);
  EXPECT_EQ(1.0, oneEntry.GetMax());
  IParam threeEntries;
  threeEntries.InitEnum("e", 0, 3);
  EXPECT_EQ(2.0, threeEntries.GetMax());

  IParam integer;
  integer.InitInt("i", 5, 5, 5);
  EXPECT_EQ(6.0, integer.GetMax());

  IParam shape;
  shape.InitDouble("x", 0, 0, 1, 0.1, "", "", 0.0);
  EXPECT_EQ(1.0, shape.GetShape());
  shape.SetShape(0.0);
  EXPECT_EQ(1.0, shape.GetShape());
  shape.SetShape(2.0);
  EXPECT_EQ(2.0, shape.GetShape());

  IParam retyped;
  retyped.InitInt("i", 1, 0, 3);
  retyped.InitDouble("d", 0.5, 0, 1, 0.01);
  EXPECT_EQ(IParam::kTypeInt, retyped.Type());
  EXPECT_EQ(0.5, retyped.Value());
  EXPECT_EQ(0.5, retyped.GetDefault());

  IParam refused; // a step that is not positive would give an empty range
  refused.InitDouble("bad", 0.5, 0, 1, 0.0);
  EXPECT_EQ(IParam::kTypeNone, refused.Type());
  EXPECT_EQ(1.0, refused.GetMax());
}

TEST(IParam, NamesAreCutToThirtyOneCharacters)
{
  const std::string longName(40, 'n'), longLabel(50, 'l'), longGroup(33, 'g');
  IParam p;
  p.InitDouble(longName.c_str(), 0, 0, 1, 0.1, longLabel.c_str(), longGroup.c_str());
  EXPECT_EQ(std::string(31, 'n'), p.GetNameForHost());
  EXPECT_EQ(std::string(31, 'l'), p.GetLabelForHost());
  EXPECT_EQ(std::string(31, 'g'), p.GetParamGroupForHost());
  p.SetDisplayText(3, longName.c_str());
  EXPECT_EQ(std::string(31, 'n'), p.GetDisplayText(3));
}

TEST(IParam, NormalisedMappingWithShapeAndStepRounding)
{
  IParam integer;
  integer.InitInt("i", 0, 0, 3);
  integer.SetNormalized(0.5); // 1.5 rounds half up to 2
  EXPECT_EQ(2.0, integer.Value());
  integer.SetNormalized(1.0);
  EXPECT_EQ(3.0, integer.Value());

  IParam shaped;
  shaped.InitDouble("d", 0, 0, 100, 0.01, "", "", 2.0);
  shaped.SetNormalized(0.5);
  EXPECT_DOUBLE_EQ(25.0, shaped.Value());
  EXPECT_DOUBLE_EQ(0.5, shaped.GetNormalized(25.0));
  EXPECT_EQ(1.0, shaped.GetNormalized(150.0)); // clamped before shaping
  EXPECT_EQ(0.0, shaped.GetNormalized(-3.0));
  EXPECT_DOUBLE_EQ(25.0, shaped.GetNonNormalized(0.5));
  EXPECT_DOUBLE_EQ(0.5, shaped.GetNormalized());

  char buf[IParam::kDisplayLen];
  shaped.GetDisplayForHost(0.5, true, buf);
  EXPECT_STREQ("25.00", buf);

  // Values outside 0..1 and values that are not numbers never leave the range.
  shaped.SetNormalized(-4.0);
  EXPECT_EQ(0.0, shaped.Value());
  shaped.SetNormalized(7.0);
  EXPECT_EQ(100.0, shaped.Value());
  shaped.SetNormalized(std::nan(""));
  EXPECT_EQ(100.0, shaped.Value());
}

TEST(IParam, SetClampsAndRefusesNotANumber)
{
  IParam p;
  p.InitDouble("Gain", 0, -94, 6, 0.01);
  p.Set(20);
  EXPECT_EQ(6.0, p.Value());
  p.Set(-200);
  EXPECT_EQ(-94.0, p.Value());
  p.Set(-3.25);
  EXPECT_EQ(-3.25, p.Value());
  p.Set(std::nan(""));
  EXPECT_EQ(-3.25, p.Value());
}

TEST(IParam, DisplayTextsAndLabels)
{
  IParam b;
  b.InitBool("Bypass", true, "x");
  EXPECT_EQ("on", Display(b));
  EXPECT_STREQ("", b.GetLabelForHost()); // a value shown as text carries no unit
  EXPECT_EQ("1", Display(b, false));
  EXPECT_TRUE(b.Bool());
  b.Set(0.0);
  EXPECT_EQ("off", Display(b));

  double value = -1;
  EXPECT_FALSE(b.MapDisplayText("On", &value)); // case-sensitive
  EXPECT_EQ(-1, value);
  EXPECT_TRUE(b.MapDisplayText("on", &value));
  EXPECT_EQ(1, value);

  IParam e;
  e.InitEnum("Mode", 0, 3, "unit");
  e.SetDisplayText(0, "A");
  e.SetDisplayText(1, "");
  e.SetDisplayText(2, "C");
  e.SetDisplayText(2, "second C"); // appended; the first match wins
  e.Set(2.7);
  EXPECT_EQ("C", Display(e));
  EXPECT_STREQ("", e.GetLabelForHost());
  e.Set(1.0); // an empty text falls back to the number and the unit
  EXPECT_EQ("1", Display(e));
  EXPECT_STREQ("unit", e.GetLabelForHost());
  EXPECT_EQ(4, e.GetNDisplayTexts());
  EXPECT_STREQ("second C", e.GetDisplayTextAtIdx(3, &value));
  EXPECT_EQ(2, value);
  EXPECT_STREQ("", e.GetDisplayTextAtIdx(4, &value));
  EXPECT_STREQ("", e.GetDisplayText(7));
}

TEST(IParam, NegatedDisplayAndDecibels)
{
  IParam p;
  p.InitDouble("Depth", 6, -10, 10, 0.5);
  p.NegateDisplay();
  EXPECT_EQ("-6.0", Display(p));

  IParam db;
  db.InitDouble("Gain", -6, -94, 6, 0.01);
  EXPECT_NEAR(0.501187, db.DBToAmp(), 1e-6);
  db.Set(0.0);
  EXPECT_EQ(1.0, db.DBToAmp());

  IParam huge; // beyond the int range the number is still truncated, never undefined
  huge.InitDouble("Huge", 0, 0, 1e12, 1);
  huge.Set(5e9 + 0.75);
  EXPECT_EQ("5000000000", Display(huge));
}
