#include "framework/Base64.h"
#include "framework/ByteChunk.h"
#include "framework/IEffectBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

TEST(ByteChunk, ValuesStringsBoolsAndChunksRoundTrip)
{
  ByteChunk c;
  const int32_t i = -2;
  const double d = 0.25;
  c.Put(&i);
  c.Put(&d);
  c.PutStr("abc");
  c.PutBool(true);
  c.PutBool(false);
  ASSERT_EQ(4 + 8 + 4 + 3 + 1 + 1, c.Size());
  // Native little-endian order, no padding.
  const uint8_t head[] = {0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(0, std::memcmp(head, c.GetBytes(), 4));
  const uint8_t str[] = {3, 0, 0, 0, 'a', 'b', 'c', 1, 0};
  EXPECT_EQ(0, std::memcmp(str, c.GetBytes() + 12, sizeof(str)));

  int32_t i2 = 0;
  double d2 = 0;
  std::string s;
  bool b1 = false, b2 = true;
  int pos = c.Get(&i2, 0);
  pos = c.Get(&d2, pos);
  pos = c.GetStr(s, pos);
  pos = c.GetBool(&b1, pos);
  pos = c.GetBool(&b2, pos);
  EXPECT_EQ(c.Size(), pos);
  EXPECT_EQ(i, i2);
  EXPECT_EQ(d, d2);
  EXPECT_EQ("abc", s);
  EXPECT_TRUE(b1);
  EXPECT_FALSE(b2);

  // Reading past the end fails, leaves the value and stops every later read.
  EXPECT_EQ(-1, c.Get(&d2, c.Size() - 4));
  EXPECT_EQ(d, d2);
  EXPECT_EQ(-1, c.Get(&i2, -1));

  ByteChunk whole;
  whole.PutChunk(&c);
  whole.PutChunk(&c);
  EXPECT_EQ(2 * c.Size(), whole.Size()); // no length prefix
  whole.Clear();
  EXPECT_EQ(0, whole.Size());
}

TEST(ByteChunk, GetStrOnShortAndHostileChunks)
{
  auto chunkWithLength = [](int32_t len, const char* bytes, int n) {
    ByteChunk c;
    c.Put(&len);
    c.PutBytes(bytes, n);
    return c;
  };
  std::string s = "kept";

  // Not even the length: -1.
  ByteChunk tiny;
  tiny.PutBytes("ab", 2);
  EXPECT_EQ(-1, tiny.GetStr(s, 0));
  EXPECT_EQ("kept", s);

  // A length beyond the chunk: the end position is reported, the string is left alone.
  ByteChunk longLen = chunkWithLength(100, "abc", 3);
  EXPECT_EQ(104, longLen.GetStr(s, 0));
  EXPECT_EQ("kept", s);

  // Negative or enormous lengths never wrap around into a valid-looking position.
  EXPECT_EQ(-1, chunkWithLength(-5, "abc", 3).GetStr(s, 0));
  EXPECT_EQ(-1, chunkWithLength(INT32_MAX, "abc", 3).GetStr(s, 0));
  EXPECT_EQ("kept", s);

  // Zero length empties the string; a zero byte inside ends it early.
  EXPECT_EQ(4, chunkWithLength(0, "", 0).GetStr(s, 0));
  EXPECT_EQ("", s);
  EXPECT_EQ(8, chunkWithLength(4, "ab\0d", 4).GetStr(s, 0));
  EXPECT_EQ("ab", s);
}

TEST(ByteChunk, FrameworkVersionPrefix)
{
  ByteChunk c;
  IEffectBase::InitChunkWithFrameworkVer(&c);
  const uint8_t prefix[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  ASSERT_EQ(8, c.Size());
  EXPECT_EQ(0, std::memcmp(prefix, c.GetBytes(), 8));
  int pos = 0;
  EXPECT_EQ(0x00010000, IEffectBase::GetFrameworkVerFromChunk(&c, &pos));
  EXPECT_EQ(8, pos);

  // Other bytes at the start: no prefix, position unchanged so the state can be read from 0.
  ByteChunk other;
  const double d = 1.0;
  other.Put(&d);
  pos = 0;
  EXPECT_EQ(0, IEffectBase::GetFrameworkVerFromChunk(&other, &pos));
  EXPECT_EQ(0, pos);

  // The magic without its version, fewer than 4 bytes, a negative position.
  ByteChunk magicOnly;
  magicOnly.PutBytes(prefix, 6);
  pos = 0;
  EXPECT_EQ(0, IEffectBase::GetFrameworkVerFromChunk(&magicOnly, &pos));
  EXPECT_EQ(-1, pos);
  pos = 4;
  EXPECT_EQ(0, IEffectBase::GetFrameworkVerFromChunk(&magicOnly, &pos));
  EXPECT_EQ(4, pos);
  pos = -1;
  EXPECT_EQ(0, IEffectBase::GetFrameworkVerFromChunk(&c, &pos));
  EXPECT_EQ(-1, pos);
}

TEST(Base64, EncodesAndDecodesTheStandardVectors)
{
  const struct
  {
    const char* plain;
    const char* text;
  } vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                 {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"}, {"a", "YQ=="}};
  for (const auto& v : vectors)
  {
    const int n = static_cast<int>(std::strlen(v.plain));
    EXPECT_EQ(v.text, Base64Encode(reinterpret_cast<const uint8_t*>(v.plain), n)) << v.plain;
    std::vector<uint8_t> out(16, 0xAA);
    EXPECT_EQ(n, Base64Decode(v.text, out.data(), 16)) << v.text;
    EXPECT_EQ(0, std::memcmp(v.plain, out.data(), static_cast<size_t>(n)));
    EXPECT_EQ(0xAA, out[static_cast<size_t>(n)]); // nothing written past the decoded bytes
  }

  // Every byte value survives, including the characters + and /.
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  const std::string text = Base64Encode(all.data(), 256);
  EXPECT_NE(std::string::npos, text.find('+'));
  EXPECT_NE(std::string::npos, text.find('/'));
  std::vector<uint8_t> back(256);
  EXPECT_EQ(256, Base64Decode(text.c_str(), back.data(), 256));
  EXPECT_EQ(all, back);

  // Decoding stops at a character outside the alphabet and when the output is full.
  uint8_t out[8] = {};
  EXPECT_EQ(3, Base64Decode("YWJj!YWJj", out, 8));
  EXPECT_EQ(2, Base64Decode("YWJj", out, 2));
  EXPECT_EQ('a', out[0]);
  EXPECT_EQ('b', out[1]);
  EXPECT_EQ(0, Base64Decode(nullptr, out, 8));
}
