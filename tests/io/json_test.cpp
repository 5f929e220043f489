// JSON escaping, number detection, key fragments and the arena buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/arena_buffer.h"
#include "io/json.h"

namespace narwe {
namespace {

std::string escaped(std::string_view text) {
  std::string out;
  EXPECT_TRUE(appendJsonEscapedToList(out, text).ok());
  return out;
}

TEST(JsonEscape, EveryControlByteQuoteAndBackslash) {
  for (int c = 0; c < 0x20; ++c) {
    std::string expected;
    switch (c) {
      case '\n': expected = "\\n"; break;
      case '\r': expected = "\\r"; break;
      case '\t': expected = "\\t"; break;
      default: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04X", c);
        expected = buf;
      }
    }
    EXPECT_EQ(escaped(std::string(1, static_cast<char>(c))), expected) << "byte " << c;
  }
  EXPECT_EQ(escaped("\""), "\\\"");
  EXPECT_EQ(escaped("\\"), "\\\\");
  // Upper-case hex digits, and no short forms for backspace and form feed.
  EXPECT_EQ(escaped("\x1f"), "\\u001F");
  EXPECT_EQ(escaped("\x08\x0c"), "\\u0008\\u000C");
}

TEST(JsonEscape, OtherBytesPassThroughAndRunsStayIntact) {
  // 0x7F, bytes from 0x80 and UTF-8 sequences are copied unchanged.
  EXPECT_EQ(escaped("\x7f"), "\x7f");
  EXPECT_EQ(escaped("\x80\xff"), "\x80\xff");
  EXPECT_EQ(escaped("caf\xc3\xa9 \xe2\x82\xac"), "caf\xc3\xa9 \xe2\x82\xac");
  EXPECT_EQ(escaped(""), "");
  // Escapes at the start, in the middle of long runs and at the end, across
  // the eight-byte scanning boundaries.
  EXPECT_EQ(escaped("\"abcdefghijklmnop\"qrstuvwxyz0123456789\\"),
            "\\\"abcdefghijklmnop\\\"qrstuvwxyz0123456789\\\\");
  EXPECT_EQ(escaped("abcdefg\nhijklmnopqrst\tu"), "abcdefg\\nhijklmnopqrst\\tu");
  std::string with_nul("0123456789ab\0cd", 15);
  EXPECT_EQ(escaped(with_nul), "0123456789ab\\u0000cd");
  // Appends to what the list already holds.
  std::string list = "x";
  ASSERT_TRUE(appendJsonEscapedToList(list, "a\"b").ok());
  EXPECT_EQ(list, "xa\\\"b");
}

TEST(JsonEscape, EveryPositionOfAnEscapeInALongValue) {
  for (size_t pos = 0; pos < 40; ++pos) {
    std::string text(40, 'a');
    text[pos] = '\x01';
    std::string expected = std::string(pos, 'a') + "\\u0001" + std::string(39 - pos, 'a');
    EXPECT_EQ(escaped(text), expected) << pos;
  }
}

TEST(JsonNumber, Grammar) {
  struct Case {
    const char* text;
    bool number;
  };
  const Case cases[] = {
      {"0", true},      {"12", true},     {"-0", true},      {"3.25", true},
      {"1e5", true},    {"2E-3", true},   {"1.0", true},     {"-12.5e+10", true},
      {"0.0", true},    {"0e0", true},    {"9007199254740993", true},
      {"", false},      {"-", false},     {"007", false},    {"01", false},
      {".5", false},    {"1.", false},    {"+1", false},     {"1e", false},
      {"1e+", false},   {"1.e5", false},  {"NaN", false},    {"inf", false},
      {"-inf", false},  {" 1", false},    {"1 ", false},     {"0x1F", false},
      {"1,5", false},   {"--1", false},   {"-.5", false},    {"1e5.0", false},
      {"١", false},     {"12a", false},   {"1E5E5", false},  {"-01", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isJsonNumber(c.text), c.number) << "'" << c.text << "'";
}

TEST(JsonKeyFragment, QuotedEscapedNameAndColon) {
  auto plain = allocJsonKeyFragment("city");
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(*plain, "\"city\":");
  auto odd = allocJsonKeyFragment("a\"b\\c\n");
  ASSERT_TRUE(odd.ok());
  EXPECT_EQ(*odd, "\"a\\\"b\\\\c\\n\":");
  auto empty = allocJsonKeyFragment("");
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(*empty, "\"\":");
  std::string long_name(300, 'n');
  auto longer = allocJsonKeyFragment(long_name);
  ASSERT_TRUE(longer.ok());
  EXPECT_EQ(*longer, "\"" + long_name + "\":");
}

TEST(ArenaBuffer, AppendGrowsAndKeepsContents) {
  ArenaBuffer buf;
  EXPECT_EQ(buf.size(), 0u);
  auto first = buf.append("abc");
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(*first, "abc");
  EXPECT_EQ(buf.capacity(), 3u);  // an empty buffer takes exactly what it needs
  auto second = buf.append("de");
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(buf.capacity(), 6u);  // doubled
  EXPECT_EQ(*second, "de");
  EXPECT_EQ(second->data(), buf.data() + 3);
  auto big = buf.append(std::string(100, 'z'));
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(buf.capacity(), 105u);  // more than double is needed: exactly that
  EXPECT_EQ(buf.view(), "abcde" + std::string(100, 'z'));
  auto none = buf.append("");
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none->empty());
  buf.clear();
  EXPECT_EQ(buf.size(), 0u);
  EXPECT_EQ(buf.capacity(), 105u);

  // Many appends: every byte lands in order.
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    std::string piece = std::to_string(i) + ",";
    expected += piece;
    ASSERT_TRUE(buf.append(piece).ok());
  }
  EXPECT_EQ(buf.view(), expected);

  ArenaBuffer moved = std::move(buf);
  EXPECT_EQ(moved.view(), expected);
  EXPECT_EQ(buf.size(), 0u);  // NOLINT: moved-from state is defined
}

TEST(ArenaBuffer, JsonStringAppend) {
  ArenaBuffer buf;
  ASSERT_TRUE(appendJsonStringToArena(buf, "a\"b\x01").ok());
  ASSERT_TRUE(buf.appendByte(',').ok());
  ASSERT_TRUE(appendJsonStringToArena(buf, "").ok());
  ASSERT_TRUE(buf.appendByte(',').ok());
  ASSERT_TRUE(appendJsonStringToArena(buf, "12").ok());  // always a string
  EXPECT_EQ(buf.view(), "\"a\\\"b\\u0001\",\"\",\"12\"");
}

}  // namespace
}  // namespace narwe
